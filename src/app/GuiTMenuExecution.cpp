// The title menu: built once when the system menu first opens, the undo entry
// refreshed on every opening, and the commands executed on the window thread.
#include "app/GuiTMenuExecution.h"

#include <atomic>
#include <string>
#include <vector>

#include "app/GuiMainDialog.h"
#include "job/JobOption.h"
#include "raw/RawGdiHandle.h"
#include "raw/RawLabelStore.h"
#include "raw/RawPath.h"
#include "raw/RawProduct.h"
#include "raw/RawShell.h"
#include "win/WinToolkit.h"

namespace AppLayer {

using JobLayer::JobJournalRun;
using JobLayer::JobOption;
using JobLayer::JobUndo;
using RawLayer::RawString;
using WinLayer::WinInfoDialog;

namespace {

constexpr char kGroup[] = "TitleMenu";
constexpr int32_t kOk = 1;

// "%1" and "%2" in a label stand for what the program fills in.
const RawLayer::RawLocaleRecord kTitleMenuLabels[] = {
    {"ViewHelp", "View help."},
    {"MoveToPrimaryScreen", "Move to primary screen."},
    {"SelectLanguage", "Select language."},
    {"OpenGuiProfile", "Open gui profile."},
    {"SelectWindowFont", "Select window font."},
    {"SelectListFont", "Select list font."},
    {"SelectMenuFont", "Select menu font."},
    {"SelectTipFont", "Select tip font."},
    {"UndoLastRun", "Undo last run."},
    {"UndoQuestion", "Undo the run of %1 (%2 items) ?"},
    {"UndoReport", "%1 restored, %2 failed."},
    {"UndoMissing", "The journal of the run is no longer there."},
    {"UndoInUse", "The run is still going, or is being undone by another process."},
    {"UndoDone", "The run has been undone already."},
    {"UndoUnreadable", "The journal of the run cannot be read."},
    {nullptr, nullptr},
};

const RawLayer::RawLabelTable kTitleMenuTable(kGroup, kTitleMenuLabels);

RawLayer::RawLabelStore::Group Labels() {
    return RawLayer::RawLabelStore::Instance().RegisterLabels(kTitleMenuTable);
}

RawString Fill(const RawString& pattern, const RawString& first, const RawString& second) {
    std::string text = pattern.ToUtf8();
    const std::pair<const char*, std::string> fills[] = {{"%1", first.ToUtf8()}, {"%2", second.ToUtf8()}};
    for (const auto& [mark, value] : fills)
        if (const size_t at = text.find(mark); at != std::string::npos) text.replace(at, 2, value);
    return RawString(text);
}

// The label of why a run cannot be taken back (batch lines keep the
// engine's English text).
const char* UndoStateKey(JobUndo::State state) {
    switch (state) {
        case JobUndo::Missing: return "UndoMissing";
        case JobUndo::InUse: return "UndoInUse";
        case JobUndo::Undone: return "UndoDone";
        default: return "UndoUnreadable";
    }
}

RawString Number(int64_t value) {
    RawString text;
    text.AppendInt(value);
    return text;
}

// "2026-12-07 14:03:22" in the user's time zone as it was on that day.
RawString LocalTimeText(const RawLayer::RawSystemTime& utc) {
    const SYSTEMTIME given{utc.year, utc.month, 0, utc.day, utc.hour, utc.minute, utc.second, utc.milliseconds};
    SYSTEMTIME local = given;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &given, &local)) local = given;
    RawString text;
    const struct {
        WORD value;
        int32_t width;
        char after;
    } parts[] = {{local.wYear, 4, '-'},   {local.wMonth, 2, '-'},  {local.wDay, 2, ' '},
                 {local.wHour, 2, ':'},   {local.wMinute, 2, ':'}, {local.wSecond, 2, 0}};
    for (const auto& part : parts) {
        text.AppendDigits(part.value, part.width);
        if (part.after) text.AppendUnit(static_cast<uint32_t>(part.after));
    }
    return text;
}

// The unit at index of a linked list; null past its end.
template <class List>
auto* Nth(const List& list, int32_t index) {
    for (auto& unit : list)
        if (index-- == 0) return &unit;
    return static_cast<decltype(&list.First())>(nullptr);
}

bool InsertEntry(HMENU menu, UINT position, UINT flags, UINT_PTR id, const RawString& text) {
    return InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING | flags, id, text.ToWide().c_str()) != 0;
}

// A popup the system menu owns once it is inserted; the handle is only ours
// to destroy when inserting failed.
void InsertPopup(HMENU menu, UINT position, RawLayer::RawMenuHandle popup, const RawString& text) {
    if (InsertEntry(menu, position, MF_POPUP, reinterpret_cast<UINT_PTR>(popup.Get()), text)) popup.Release();
}

}  // namespace

GuiTMenuExecution::GuiTMenuExecution(WinLayer::WinDialog& dialog, GuiRunGate& gate)
    : WinTMenuExecution(dialog), fontDialog(WinLayer::ChooseFont), dialog_(dialog), gate_(gate) {}

RECT GuiTMenuExecution::PrimaryPlacement(const RECT& window, const RECT& workArea) {
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG left = workArea.left + (workArea.right - workArea.left - width) / 2;
    LONG top = workArea.top + (workArea.bottom - workArea.top - height) / 2;
    if (left < workArea.left) left = workArea.left;
    if (top < workArea.top) top = workArea.top;
    return {left, top, left + width, top + height};
}

RawString GuiTMenuExecution::UndoQuestion(const JobJournalRun& run) {
    return Fill(Labels().Get("UndoQuestion"), LocalTimeText(run.started), Number(run.items));
}

// ---------------------------------------------------------------- building

void GuiTMenuExecution::UpdateMenu(HMENU menu) {
    if (!built_) Build(menu);
    // Never the disk on the way to a menu: the gate remembers.
    EnableMenuItem(menu, kUndoLastRun, MF_BYCOMMAND | (gate_.undoable && !gate_.Running() ? MF_ENABLED : MF_GRAYED));
}

void GuiTMenuExecution::Build(HMENU menu) {
    built_ = true;
    const RawLayer::RawLabelStore::Group labels = Labels();
    RawString version("Version ");
    version.Append(RawString(RawLayer::kVersionText));
    UINT at = 0;
    InsertEntry(menu, at++, 0, kShowVersion, version);
    InsertMenuW(menu, at++, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertHelp(menu, at++, labels.Get("ViewHelp"));
    InsertEntry(menu, at++, 0, kMoveToPrimary, labels.Get("MoveToPrimaryScreen"));
    InsertMenuW(menu, at++, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertLanguages(menu, at++, labels.Get("SelectLanguage"));
    InsertEntry(menu, at++, 0, kOpenGuiProfile, labels.Get("OpenGuiProfile"));
    InsertEntry(menu, at++, 0, kChooseWindowFont, labels.Get("SelectWindowFont"));
    InsertEntry(menu, at++, 0, kChooseListFont, labels.Get("SelectListFont"));
    InsertEntry(menu, at++, 0, kChooseMenuFont, labels.Get("SelectMenuFont"));
    InsertEntry(menu, at++, 0, kChooseTipFont, labels.Get("SelectTipFont"));
    InsertEntry(menu, at++, MF_GRAYED, kUndoLastRun, labels.Get("UndoLastRun"));
    InsertMenuW(menu, at, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

void GuiTMenuExecution::InsertHelp(HMENU menu, UINT position, const RawString& text) {
    documents_ = help.FindDocuments(JobOption::Instance().configFile.path);
    if (documents_.Count() <= 1) {
        InsertEntry(menu, position, documents_.Count() == 0 ? MF_GRAYED : 0, kViewHelp, text);
        return;
    }
    RawLayer::RawMenuHandle popup(CreatePopupMenu());
    int32_t i = 0;
    for (const RawString& document : documents_) {
        if (i == kTitleMenuMaxEntries) break;
        InsertEntry(popup.Get(), static_cast<UINT>(i), 0, kHelpDocument + i, RawLayer::FileName(document));
        ++i;
    }
    InsertPopup(menu, position, std::move(popup), text);
}

void GuiTMenuExecution::InsertLanguages(HMENU menu, UINT position, const RawString& text) {
    RawLayer::RawLabelStore& store = RawLayer::RawLabelStore::Instance();
    languages_.Clear();
    // The map of a language file set earlier in the process is no list of ours.
    if (!store.LanguageFile().IsEmpty()) languages_ = store.LanguageMapCopy();
    if (languages_.Count() == 0) {
        InsertEntry(menu, position, MF_GRAYED, kLanguage, text);
        return;
    }
    RawLayer::RawMenuHandle popup(CreatePopupMenu());
    int32_t i = 0;
    for (const RawLayer::RawParameterUnit& language : languages_) {
        if (i == kTitleMenuMaxEntries) break;
        InsertEntry(popup.Get(), static_cast<UINT>(i), 0, kLanguage + i, language.key);
        ++i;
    }
    InsertPopup(menu, position, std::move(popup), text);
}

// ---------------------------------------------------------------- commands

void GuiTMenuExecution::Execute(uint32_t command) {
    switch (command) {
        case kShowVersion:
            help.OpenDocument(help.ReadMePath());
            return;
        case kViewHelp:
            OpenDocument(0);
            return;
        case kMoveToPrimary:
            MoveToPrimary();
            return;
        case kOpenGuiProfile:
            OpenGuiProfile();
            return;
        case kChooseWindowFont:
            PickFont(GuiFontKind::Window, kWindowFontChosen);
            return;
        case kChooseListFont:
            PickFont(GuiFontKind::List, kListFontChosen);
            return;
        case kChooseMenuFont:
            PickFont(GuiFontKind::Menu, kMenuFontChosen);
            return;
        case kChooseTipFont:
            PickFont(GuiFontKind::Tip, kTipFontChosen);
            return;
        case kUndoLastRun:
            UndoLastRun();
            return;
        default:
            break;
    }
    if (command >= kHelpDocument && command < kHelpDocument + kTitleMenuMaxEntries)
        OpenDocument(static_cast<int32_t>(command - kHelpDocument));
    else if (command >= kLanguage && command < kLanguage + kTitleMenuMaxEntries)
        ChooseLanguage(static_cast<int32_t>(command - kLanguage));
    // Anything else is the system's own command, which runs after this.
}

void GuiTMenuExecution::OpenDocument(int32_t index) {
    if (const RawString* document = Nth(documents_, index)) help.OpenDocument(*document);
}

void GuiTMenuExecution::MoveToPrimary() {
    if (!dialog_.HasWindow()) return;
    RECT window{}, area{};
    GetWindowRect(dialog_.Window(), &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const RECT placed = PrimaryPlacement(window, area);
    MoveWindow(dialog_.Window(), placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top,
               TRUE);
}

void GuiTMenuExecution::OpenGuiProfile() {
    RawLayer::RawShell shell;
    shell.program = GuiProfile::Instance().File().path;
    // A missing file is the shell's to tell about.
    shell.Launch(RawString(), RawString());
    shell.process.Reset();
}

void GuiTMenuExecution::PickFont(GuiFontKind kind, uint16_t chosenCommand) {
    if (GuiProfile::Instance().ChooseAndWriteFont(dialog_.Window(), kind, fontDialog)) Post(chosenCommand);
}

void GuiTMenuExecution::ChooseLanguage(int32_t index) {
    const RawLayer::RawParameterUnit* language = Nth(languages_, index);
    if (!language) return;
    GuiProfile::Instance().WriteLanguage(language->key);
    // Even the language in use restarts: the new process reads it afresh.
    Post(kRestart);
}

void GuiTMenuExecution::UndoLastRun() {
    // A command sent while work owns the item list must not reload it under the work.
    if (gate_.Running()) return;
    JobJournalRun run;
    const RawString& logFolder = JobOption::Instance().logFolder;
    gate_.undoable = JobLayer::FindUndoableRun(logFolder, &run);
    if (!gate_.undoable) return;
    if (Ask(UndoQuestion(run), WinInfoDialog::OkCancelButtons(), WinInfoDialog::kQuestionIcon) != kOk) return;
    JobUndo undo;
    if (const JobUndo::State state = undo.Open(run.path); state != JobUndo::Ready) {
        Ask(Labels().Get(UndoStateKey(state)), WinInfoDialog::OkButtons(), WinInfoDialog::kWarningIcon);
        return;
    }
    // As a run does: on a worker, the window answering and showing how far it got.
    int32_t restored = 0;
    int32_t failed = 0;
    std::vector<std::pair<RawString, RawString>> moves;  // new path, old path, in the undo's order
    gate_.Run("Undoing", run.items, [&](GuiRunGate::Work& work) {
        failed = undo.Carry(
            [&](const JobLayer::JobUndoStep& step) {
                if (step.error == 0) {
                    ++restored;
                    moves.emplace_back(step.newPath, step.oldPath);
                }
                ++work.done;
            },
            work.stopRequested);
    });
    gate_.undoable = JobLayer::FindUndoableRun(logFolder, &run);
    // The view shows the disk as the undo left it, as "Reload !" would, with
    // each item followed back to where the undo put it.
    if (reloadItems)
        reloadItems([&](const RawString& path) {
            RawString now = path;
            for (const auto& [from, to] : moves) now = JobLayer::MovedPath(now, from, to);
            return now;
        });
    if (undoEnded) undoEnded(restored, failed, undo.NotTried());
    if (failed > 0)
        Ask(Fill(Labels().Get("UndoReport"), Number(restored), Number(failed)), WinInfoDialog::OkButtons(),
            WinInfoDialog::kWarningIcon);
}

int32_t GuiTMenuExecution::Ask(const RawString& text, const WinLayer::WinButtonSet& buttons, uint16_t iconId) {
    if (question) return question(text, buttons, iconId);
    RECT window{};
    if (dialog_.HasWindow()) GetWindowRect(dialog_.Window(), &window);
    return WinInfoDialog::Show(&dialog_, window, RawString(RawLayer::kProductName), text, buttons, iconId);
}

void GuiTMenuExecution::Post(uint16_t command) {
    if (!dialog_.HasWindow()) return;
    PostMessageW(dialog_.Window(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(dialog_.ControlId()), command), 0);
}

}  // namespace AppLayer
