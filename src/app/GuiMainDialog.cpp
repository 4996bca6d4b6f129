// The main dialog: preparing and arranging its children, the command
// dispatcher, evaluation passes, the rename run, "Reload !" and "Clear !".
#include "app/GuiMainDialog.h"

#include <algorithm>
#include <cwctype>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/AppRestart.h"
#include "app/GuiViewNotice.h"
#include "job/JobJournal.h"
#include "job/JobLog.h"
#include "job/JobOption.h"
#include "job/JobRename.h"
#include "raw/RawProduct.h"
#include "raw/RawShell.h"
#include "win/WinToolkit.h"

namespace AppLayer {

using JobLayer::JobFileList;
using JobLayer::JobFileUnit;
using JobLayer::JobOption;
using RawLayer::RawString;
using namespace WinLayer;

namespace {

constexpr uint16_t kBigIcon = 130;
constexpr uint16_t kSmallIcon = 131;
constexpr int32_t kViewWidth = 640;
constexpr int32_t kViewHeight = 360;
const RawLayer::RawLocaleRecord kItemLabels[] = {
    {"OldNameTag", "Old name:"},      {"NewNameTag", "New name:"},       {"LimitationTag", "Limitation:"},
    {"StyleTag", "ViewStyle:"},       {"StartButton", "Start !"},        {"ReloadButton", "Reload !"},
    {"ClearButton", "Clear !"},       {"StopButton", "Stop !"},          {nullptr, nullptr},
};
const RawLayer::RawLocaleRecord kLimitationTexts[] = {
    {"Dropped", "Dropped"}, {"Folder", "Folder"}, {"File", "File"}, {"Both", "Folder&File"}, {nullptr, nullptr},
};
const RawLayer::RawLocaleRecord kViewStyleTexts[] = {
    {"TreeView", "TreeView"}, {"MatchedList", "MatchedList"}, {nullptr, nullptr},
};
const RawLayer::RawLabelTable kItemLabelTable("ItemLabels", kItemLabels);
const RawLayer::RawLabelTable kLimitationTable("LimitationType", kLimitationTexts);
const RawLayer::RawLabelTable kViewStyleTable("ViewStyle", kViewStyleTexts);
// "%1" and "%2" stand for the counts, "%1" alone for the paths.
const RawLayer::RawLocaleRecord kStatusLabels[] = {
    {"Planned", "%1 to rename, %2 conflicts"},
    {"Renamed", "%1 renamed, %2 failed"},
    {"Restored", "%1 restored, %2 failed"},
    {"NotFound", "Not found: %1"},
    {"NotTried", "%1 not tried"},
    {nullptr, nullptr},
};
const RawLayer::RawLabelTable kStatusTable("StatusLine", kStatusLabels);
// Between the outcome and the notice on the status line.
constexpr char kStatusGap[] = "   ";
// The view box is never made lower than this many status lines.
constexpr int32_t kMinimumViewLines = 4;
const RawLayer::RawLabelEntry kLimitationEntries[] = {{"Dropped", 0}, {"Folder", 1}, {"File", 2}, {"Both", 3}, {nullptr, 0}};
const RawLayer::RawLabelEntry kViewStyleEntries[] = {{"TreeView", 0}, {"MatchedList", 1}, {nullptr, 0}};

void SetLabel(WinView& view, const RawString& text) {
    if (!text.IsEmpty()) view.SetText(text);
}

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

std::vector<RECT> Monitors() {
    std::vector<RECT> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT rect, LPARAM data) -> BOOL {
            reinterpret_cast<std::vector<RECT>*>(data)->push_back(*rect);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}


RawString StatusLabelText(const char* key) {
    return RawLayer::RawLabelStore::Instance().RegisterLabels(kStatusTable).Get(key);
}

}  // namespace

// ---------------------------------------------------------------- parts

GuiMainDialogParts::GuiMainDialogParts(GuiMainDialog& dialog)
    : owner(dialog), viewBox(items) {
    // One-line name boxes: Tab walks on to the next child, as in any dialog.
    oldBox.editOptions |= WinLayer::WinEditBoxBasic::kEditTabMovesFocus;
    newBox.editOptions |= WinLayer::WinEditBoxBasic::kEditTabMovesFocus;
    oldHint.SetTarget(&oldBox);
    oldHint.SetCodes(kOldHintMenu, kOldHintChosen);
    newHint.SetTarget(&newBox);
    newHint.SetCodes(kNewHintMenu, kNewHintChosen);
    limitationSelector.notifyCode = kLimitationChanged;
    styleSelector.notifyCode = kViewStyleChanged;
    start.notifyCode = kStartRun;
    reload.notifyCode = kReload;
    clear.notifyCode = kClear;
    viewBox.predictor = &predictor;
    viewBox.gate = &gate;
    gate.stopButton = [this] { return start.HasWindow() ? start.Window() : nullptr; };
    gate.showProgress = [this](bool paintNow) {
        viewBox.ShowProgress(paintNow);
        if (accessible) accessible->ViewBox().ProgressChanged();
    };
    gate.showStop = [this](bool stoppable) {
        const RawLayer::RawLabelStore::Group labels = RawLayer::RawLabelStore::Instance().RegisterLabels(kItemLabelTable);
        // Its letter stays underlined whichever of the two it reads.
        SetLabel(start, MarkAccessKey(labels.Get(stoppable ? "StopButton" : "StartButton"),
                                      GuiMainAccessible::LetterOf("Start")));
        // Reading or undoing may run while "Start !" offers nothing: "Stop !" always can.
        if (stoppable && start.HasWindow()) EnableWindow(start.Window(), TRUE);
        if (!stoppable) UpdateButtons(lastBad_);
    };
    // After the work and whatever its end brings: a posted command.
    gate.runPass = [this] {
        if (owner.HasWindow()) PostMessageW(owner.Window(), WM_COMMAND, MAKEWPARAM(0, kPassAsked), 0);
    };
    viewBox.addPaths = [this](const RawLayer::RawStringList& paths) { AddPaths(paths); };
    viewBox.checksChanged = [this] { ChecksChanged(); };
    viewBox.itemsAdded = [this] { RefreshSolutions(); };
    viewBox.failureOf = [this](const JobFileUnit& unit) {
        const auto found = failures_.find(&unit);
        return found == failures_.end() ? RawString() : found->second;
    };
}

WinView& GuiMainDialogParts::Child(GuiChild child) {
    WinView* children[kGuiChildCount] = {&oldLabel,        &oldBox,      &oldHint,       &newLabel, &newBox,
                                         &newHint,         &limitationLabel, &limitationSelector, &styleLabel,
                                         &styleSelector,   &start,       &reload,        &clear,    &viewBox,
                                         &status};
    return *children[static_cast<int32_t>(child)];
}

void GuiMainDialogParts::Prepare() {
    RawLayer::RawLabelStore& store = RawLayer::RawLabelStore::Instance();
    {
        const RawLayer::RawLabelStore::Group labels = store.RegisterLabels(kItemLabelTable);
        SetLabel(oldLabel, labels.Get("OldNameTag"));
        SetLabel(newLabel, labels.Get("NewNameTag"));
        SetLabel(limitationLabel, labels.Get("LimitationTag"));
        SetLabel(styleLabel, labels.Get("StyleTag"));
        SetLabel(start, labels.Get("StartButton"));
        SetLabel(reload, labels.Get("ReloadButton"));
        SetLabel(clear, labels.Get("ClearButton"));
    }
    GuiMainAccessible::MarkLabels(*this);
    {
        const RawLayer::RawLabelStore::Group l = store.RegisterLabels(kLimitationTable);
        const RawLayer::RawLabelStore::Group v = store.RegisterLabels(kViewStyleTable);
        limitationChoices = store.BuildLabelList(kLimitationTable.prefix, kLimitationEntries);
        viewStyleChoices = store.BuildLabelList(kViewStyleTable.prefix, kViewStyleEntries);
    }
    for (const RawLayer::RawLabelUnit& c : limitationChoices)
        limitationSelector.AddItem(c.text, static_cast<int32_t>(c.identifier));
    for (const RawLayer::RawLabelUnit& c : viewStyleChoices)
        styleSelector.AddItem(c.text, static_cast<int32_t>(c.identifier));

    // Fitted to a typical text, so that its height follows the window font.
    status.SetText(StatusLabel("Planned", 0, 0));
    GuiFittedSize sizes[kGuiChildCount];
    for (int32_t i = 0; i < kGuiChildCount; ++i) {
        WinView& view = Child(static_cast<GuiChild>(i));
        if (static_cast<GuiChild>(i) == GuiChild::ViewBox) continue;
        view.Fit();
        sizes[i] = {view.fittedWidth, view.fittedHeight};
    }
    const int32_t margin = WinToolkit::Instance().margin;
    layout = LayOutMainDialog(sizes, margin, kViewWidth, kViewHeight);
    status.SetText(RawString());
    accessible = std::make_unique<GuiMainAccessible>(*this);
    // The smallest window: every control at its fitted size, a low view box.
    const int32_t lines = kMinimumViewLines * std::max(sizes[static_cast<int32_t>(GuiChild::Status)].height, 1);
    minimumClient = LayOutMainDialog(sizes, margin, 0, lines).client;
}

// ---------------------------------------------------------------- commands

void GuiMainDialogParts::Dispatch(WinView* sender, uint16_t code) {
    const bool nameBox = sender == &oldBox || sender == &newBox;
    if (gate.Running()) {
        // Only what no input made comes here meanwhile, a name box losing
        // the focus to another window: its pass runs once the work has ended.
        if (nameBox && (code == kNotifyExecute || code == kNotifyFocusLost || code == kNotifyFilesDropped))
            gate.PassLater();
        return;
    }
    switch (code) {
        case kNotifyFocusLost:
            // Leaving a box whose text the last pass already took asks for
            // nothing new: over a million items a pass is felt on every click.
            if (nameBox && condition.generation > 0 && oldBox.GetText() == condition.oldName &&
                newBox.GetText() == condition.newName)
                break;
            [[fallthrough]];
        case kNotifyExecute:
        case kNotifyFilesDropped:
            if (nameBox) RefreshSolutions();
            break;
        case kCloseWindow:
            owner.End(0);
            break;
        case kNewHintChosen:
        case kOldHintChosen:
        case kLimitationChanged:
        case kViewStyleChanged:
        case kPassAsked:
            RefreshSolutions();
            break;
        case kStartRun:
            RunRename();
            break;
        case kReload:
            ReloadItems();
            break;
        case kClear:
            ClearItems();
            break;
        case kRestart:
            RestartProgram(owner);
            break;
        case kListFontChosen:
            ReloadFont(GuiFontKind::List);
            break;
        case kMenuFontChosen:
            ReloadFont(GuiFontKind::Menu);
            break;
        case kTipFontChosen:
            ReloadFont(GuiFontKind::Tip);
            break;
        default:
            break;
    }
}

void GuiMainDialogParts::RefreshSolutions() {
    limitation = static_cast<JobLayer::JobCondition::Limitation>(limitationSelector.Value());
    viewStyle = static_cast<JobLayer::JobCondition::ViewStyle>(styleSelector.Value());
    const JobLayer::JobPassResult pass = JobLayer::EvaluationPass(items, condition, viewStyle, limitation,
                                                                  oldBox.GetText(), newBox.GetText(), &predictor);
    const bool bad = pass.Bad();
    // High contrast keeps the user's colours: the status line tells what is wrong.
    newBox.SetBackground(bad && !WinLayer::WinHighContrast() ? kForbiddenColour : GetSysColor(COLOR_WINDOW));
    viewBox.condition = condition;
    viewBox.Refresh();
    UpdateButtons(bad);
    ShowPlan();
}

void GuiMainDialogParts::ShowPlan() { SetStatus(StatusLabel("Planned", predictor.Planned(), predictor.Conflicts())); }

RawString GuiMainDialogParts::StatusLabel(const char* key, int32_t first, int32_t second) {
    RawString a, b;
    a.AppendInt(first);
    b.AppendInt(second);
    return FilledLabel(StatusLabelText(key), a, b);
}

void GuiMainDialogParts::SetStatus(const RawString& text, StatusPart part) {
    (part == StatusPart::Outcome ? statusOutcome_ : statusNotice_) = text;
    RawString line = statusOutcome_;
    if (!line.IsEmpty() && !statusNotice_.IsEmpty()) line.Append(RawString(kStatusGap));
    line.Append(statusNotice_);
    status.SetText(line);
    if (accessible) accessible->StatusChanged();
}

void GuiMainDialogParts::UpdateButtons(bool bad) {
    lastBad_ = bad;
    if (start.HasWindow()) EnableWindow(start.Window(), JobLayer::StartEnabled(items, bad));
    if (clear.HasWindow()) EnableWindow(clear.Window(), items.Count() > 0);
}

void GuiMainDialogParts::ChecksChanged() {
    predictor.Predict(items);
    UpdateButtons(lastBad_);
    ShowPlan();
    if (accessible) accessible->ViewBox().ChecksChanged();
}

void GuiMainDialogParts::ClearItems() {
    items.Clear();
    predictor.Clear();
    failures_.clear();
    viewBox.ResetRows();
    UpdateButtons(false);
    SetStatus(RawString());
    SetStatus(RawString(), StatusPart::Notice);
}

void GuiMainDialogParts::AddPaths(const RawLayer::RawStringList& paths) {
    const bool open = JobOption::Instance().Has(JobOption::OpenFolderInitialyOnDropped);
    RawString missing;
    gate.Run("Reading", paths.Count(), [&](GuiRunGate::Work& work) {
        // A stop lands between two entries, inside a large folder too.
        items.stopRequested = work.stopRequested;
        for (const RawString& path : paths) {
            // What was read so far stays, as if it were all.
            if (work.stopRequested()) break;
            // A path that names nothing (any more) brings no row, but a word.
            if (RawLayer::PathExists(path)) {
                items.AddPath(path, open);
            } else {
                if (!missing.IsEmpty()) missing.Append(RawString(", "));
                missing.Append(path);
            }
            ++work.done;
        }
        items.stopRequested = nullptr;
    });
    viewBox.ResetRows();
    SetStatus(missing.IsEmpty() ? RawString() : FilledLabel(StatusLabelText("NotFound"), missing, RawString()),
              StatusPart::Notice);
}

void GuiMainDialogParts::RunRename() {
    int32_t all = 0;
    for (const JobFileUnit& unit : items)
        if (unit.Has(JobFileUnit::Checked)) ++all;
    int32_t renamed = 0;
    int32_t failed = 0;
    bool journaled = false;
    gate.Run("Renaming", all, [&](GuiRunGate::Work& work) {
        // Every run keeps its journal, so that the window's runs can be taken back too.
        JobLayer::JobJournal journal(JobLayer::JobLogServer::Instance().Storer().FileName());
        JobLayer::RenameRun(
            items,
            [&](const JobLayer::JobRenameOutcome& outcome) {
                if (outcome.error == 0) {
                    ++renamed;
                    failures_.erase(outcome.unit);
                } else {
                    ++failed;
                    failures_[outcome.unit] = outcome.reason;
                }
                ++work.done;
            },
            &journal, work.stopRequested);
        journal.Close();
        journaled = !journal.Path().IsEmpty() && journal.Count() > 0;
    });
    if (journaled) gate.undoable = true;
    // The outcomes take the place of the prediction; the units a stop left
    // checked keep theirs.
    predictor.Clear();
    const int32_t notTried = JobLayer::NotTried(items);
    if (notTried > 0) predictor.Predict(items);
    viewBox.Refresh();
    UpdateButtons(false);
    ShowOutcome("Renamed", renamed, failed, notTried);
}

void GuiMainDialogParts::ShowOutcome(const char* key, int32_t done, int32_t failed, int32_t notTried) {
    RawString text = StatusLabel(key, done, failed);
    if (notTried > 0) text.Append(RawString(", "), StatusLabel("NotTried", notTried, 0));
    SetStatus(text);
}

void GuiMainDialogParts::StartRefused(const std::vector<RawString>& reasons) {
    refusedStart_ = reasons;
    // Told beside the paths not found, which the start may have noticed too.
    RawString notice = statusNotice_;
    for (const RawString& reason : reasons) {
        if (!notice.IsEmpty()) notice.Append(RawString(kStatusGap));
        notice.Append(reason);
    }
    SetStatus(notice, StatusPart::Notice);
}

void GuiMainDialogParts::ReloadItems(const std::function<RawString(const RawString&)>& follow) {
    const JobFileList::UserMarks marks = items.TakeUserMarks(follow);
    items.Clear();
    predictor.Clear();
    failures_.clear();
    viewBox.ResetRows();
    AddPaths(marks.named);
    items.RestoreUserMarks(marks);
    RefreshSolutions();
    if (items.RestoreUserChecks(marks)) viewBox.AnnounceChecks();
}

void GuiMainDialogParts::ReloadFont(GuiFontKind kind) {
    GuiProfile& profile = GuiProfile::Instance();
    profile.ReloadFont(kind);
    if (kind == GuiFontKind::List)
        viewBox.ApplyListFont(profile.FontRecord(kind).Handle(), JobOption::Instance().pathFontRate);
}

void GuiMainDialogParts::LoadHints() {
    RawLayer::RawParameterFile& profile = GuiProfile::Instance().File();
    const struct {
        WinHintButton& button;
        RawLayer::RawParameterList& hints;
        uint16_t value;
        const char* section;
    } lists[] = {{oldHint, oldHints, oldHintValue, "OldNameHint"}, {newHint, newHints, newHintValue, "NewNameHint"}};
    for (const auto& list : lists) {
        const bool any = profile.ReadSection(&list.hints, list.section) && list.hints.Count() > 0;
        if (any) list.button.SetHints(list.hints, list.value | kHintShowValues);
        if (list.button.HasWindow()) EnableWindow(list.button.Window(), any);
    }
}

// ---------------------------------------------------------------- dialog

GuiMainDialog::GuiMainDialog() : parts_(*this), titleMenu_(*this, parts_.gate) {
    titleMenu_.reloadItems = [this](const GuiTMenuExecution::Follow& follow) { parts_.ReloadItems(follow); };
    titleMenu_.undoEnded = [this](int32_t restored, int32_t failed, int32_t notTried) {
        parts_.ShowOutcome("Restored", restored, failed, notTried);
    };
    Property().className = RawLayer::kProductName;
    bigIcon = kBigIcon;
    smallIcon = kSmallIcon;
}

GuiMainDialog::~GuiMainDialog() {
    if (HasWindow()) DestroyWindow(Window());
}

RECT GuiMainDialog::StartRect(const RECT& centred, bool ignoreSaved, SIZE minimum) {
    RECT rect = centred;
    if (ignoreSaved || !GuiProfile::Instance().ReadWindowRect(&rect)) return centred;
    // Saved with other fonts, it may be too small for the controls now.
    rect.right = std::max(rect.right, rect.left + minimum.cx);
    rect.bottom = std::max(rect.bottom, rect.top + minimum.cy);
    return PlaceSavedRect(rect, Monitors(), WorkArea());
}

void GuiMainDialog::Prepare() {
    parts_.Prepare();
    // F1: the read-me, when it is there.
    parts_.accessible->openHelp = [this] {
        const RawString readMe = titleMenu_.help.ReadMePath();
        if (RawLayer::PathExists(readMe)) titleMenu_.help.OpenDocument(readMe);
    };
    SetText(RawLayer::kProductName);
    Property().style |= WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT window{0, 0, parts_.layout.client.cx, parts_.layout.client.cy};
    AdjustWindowRectEx(&window, Property().style, FALSE, Property().exStyle);
    const RECT centred = CentreIn(WorkArea(), Width(window), Height(window));
    minimumClient = {0, 0, parts_.minimumClient.cx, parts_.minimumClient.cy};
    RECT smallest = minimumClient;
    AdjustWindowRectEx(&smallest, Property().style, FALSE, Property().exStyle);
    // The records are laid out for the first size; the first arrangement starts there.
    arrangedClient_ = {0, 0, parts_.layout.client.cx, parts_.layout.client.cy};
    placement = StartRect(centred, GetKeyState(VK_SHIFT) < 0, {Width(smallest), Height(smallest)});
    normalPlacement = placement;
}

void GuiMainDialog::OnCreate() {
    // The children are made where the records are now: the first WM_SIZE
    // may have arranged them before.
    for (int32_t i = 0; i < kGuiChildCount; ++i) {
        WinView& child = parts_.Child(static_cast<GuiChild>(i));
        child.placement = parts_.layout.Child(static_cast<GuiChild>(i));
        AddChild(child);
    }
}

void GuiMainDialog::OnCreated() {
    GuiMainDialogParts& p = parts_;
    const JobOption& option = JobOption::Instance();
    p.oldBox.SetText(option.oldName);
    p.newBox.SetText(option.newName);
    if (!p.limitationSelector.SelectValue(static_cast<int32_t>(JobLayer::LimitationValue(option.limitation)))) p.limitationSelector.Select(0);
    if (!p.styleSelector.SelectValue(static_cast<int32_t>(JobLayer::ViewStyleValue(option.viewStyle)))) p.styleSelector.Select(0);
    GuiProfile& profile = GuiProfile::Instance();
    p.viewBox.ApplyListFont(profile.FontRecord(GuiFontKind::List).Handle(), option.pathFontRate);
    p.AddPaths(option.items);
    // The pass leaves "Start !" as its New name allows: a start with a bad
    // template must not offer the run.
    p.RefreshSolutions();
    p.LoadHints();
    // Once here; afterwards each run and undo tells.
    JobLayer::JobJournalRun run;
    p.gate.undoable = JobLayer::FindUndoableRun(option.logFolder, &run);
    JobLayer::JobLogServer::Instance().PostStarted();
    if (p.oldBox.HasWindow()) SetFocus(p.oldBox.Window());
    // "-a": the run starts once the window shows the first pass, unless a
    // choice was not understood: the selector then shows its default, which
    // nobody asked to run.
    if (option.Has(JobOption::Apply) && HasWindow()) {
        const std::vector<RawString> refused = JobLayer::UnknownChoices(option);
        if (refused.empty()) PostMessageW(Window(), WM_COMMAND, MAKEWPARAM(0, kStartRun), 0);
        else p.StartRefused(refused);
    }
}

void GuiMainDialog::OnDestroyed() { JobLayer::JobLogServer::Instance().PostTerminated(); }

int32_t GuiMainDialog::OnCommand(uint16_t code) {
    parts_.Dispatch(this, code);
    return WinDialog::OnCommand(code);
}

int32_t GuiMainDialog::OnChildCommand(WinView* child, uint16_t code) {
    if (code == kNotifyCancel) return 0;  // Esc does not close the main window
    parts_.Dispatch(child, code);
    return 0;
}

bool GuiMainDialog::AdjustSizeLimits(int32_t&, int32_t&) {
    // The smallest size is what the controls need in their fonts (the
    // toolkit's minimum client area); growing stays limited by the work area alone.
    return true;
}

void GuiMainDialog::Arrange() {
    if (Width(client) <= 0 || Height(client) <= 0) return;
    std::vector<RECT> before;
    for (int32_t i = 0; i < kGuiChildCount; ++i) before.push_back(parts_.layout.Child(static_cast<GuiChild>(i)));
    ArrangePlacements(parts_.layout.records, arrangedClient_, client);
    arrangedClient_ = client;
    for (int32_t i = 0; i < kGuiChildCount; ++i) {
        const RECT& now = parts_.layout.Child(static_cast<GuiChild>(i));
        WinView& child = parts_.Child(static_cast<GuiChild>(i));
        if (EqualRect(&now, &before[i]) || !child.HasWindow()) continue;
        child.placement = now;
        // A move without repaint repaints nothing at all, and a control's
        // look depends on its size: each moved child paints itself anew,
        // its edge (outside its client area) included.
        MoveWindow(child.Window(), now.left, now.top, Width(now), Height(now), FALSE);
        RedrawWindow(child.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
}

void GuiMainDialog::OnStateChange(int32_t oldState, int32_t) {
    if (oldState == SIZE_RESTORED && HasWindow()) GuiProfile::Instance().WriteWindowRect(normalPlacement);
}

}  // namespace AppLayer
