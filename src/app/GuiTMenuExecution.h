// The title menu: the main window's system menu with the program's own
// entries above the system's (version, help, moving, the GUI profile, the
// language, the four fonts, taking the last run back) and what they do.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "app/GuiProfile.h"
#include "app/GuiRunGate.h"
#include "job/JobJournal.h"
#include "raw/RawList.h"
#include "raw/RawString.h"
#include "win/WinHelpDocuments.h"
#include "win/WinInfoDialog.h"
#include "win/WinDialog.h"
#include "win/WinViewHook.h"

namespace AppLayer {

// Commands of the title menu (WM_SYSCOMMAND).
enum GuiTitleCommand : uint32_t {
    kShowVersion = 0x100C,  // opens the read-me
    kViewHelp = 0x100D,     // the first help document
    kMoveToPrimary = 0x100E,
    kOpenGuiProfile = 0x100F,
    kChooseWindowFont = 0x1010,
    kChooseListFont = 0x1011,
    kChooseMenuFont = 0x1012,
    kChooseTipFont = 0x1013,
    kHelpDocument = 0x1014,  // + the document's index
    kUndoLastRun = 0x1032,   // the one free command between the documents and the languages
    kLanguage = 0x1033,      // + the language's index
};
// Help documents and languages offered in their popups.
constexpr int32_t kTitleMenuMaxEntries = 30;

class GuiTMenuExecution : public WinLayer::WinTMenuExecution {
public:
    using FontDialog = GuiProfile::FontDialog;
    // The question before an undo and its report: the button value pressed.
    using Question = std::function<int32_t(const RawLayer::RawString& text, const WinLayer::WinButtonSet& buttons,
                                           uint16_t iconId)>;

    // Where an item listed at a path has gone since it was listed.
    using Follow = std::function<RawLayer::RawString(const RawLayer::RawString&)>;

    // The menu of the dialog, whose long work the gate owns.
    GuiTMenuExecution(WinLayer::WinDialog& dialog, GuiRunGate& gate);

    void BuildMenu(HMENU) override {}
    // The first time the entries are inserted; every time the undo entry is
    // enabled as the last run or undo left the log folder.
    void UpdateMenu(HMENU menu) override;
    void Execute(uint32_t command) override;

    // The window centred in the work area, its size kept, never left of or
    // above it.
    static RECT PrimaryPlacement(const RECT& window, const RECT& workArea);
    // "Undo the run of <local start time> (<n> items) ?"
    static RawLayer::RawString UndoQuestion(const JobLayer::JobJournalRun& run);

    const RawLayer::RawStringList& Documents() const { return documents_; }
    const RawLayer::RawParameterList& Languages() const { return languages_; }

    // Where the help documents are looked for (beside the program).
    WinLayer::WinHelpDocuments help;
    // The system font dialog; tests answer it.
    FontDialog fontDialog;
    // An info dialog over the main window; tests answer it.
    Question question;
    // Set where the menu is made: after an undo, the items read again from
    // disk, each followed to where the undo put it, and the outcome told.
    std::function<void(const Follow& follow)> reloadItems;
    std::function<void(int32_t restored, int32_t failed, int32_t notTried)> undoEnded;

private:
    void Build(HMENU menu);
    void InsertHelp(HMENU menu, UINT position, const RawLayer::RawString& text);
    void InsertLanguages(HMENU menu, UINT position, const RawLayer::RawString& text);
    void OpenDocument(int32_t index);
    void MoveToPrimary();
    void OpenGuiProfile();
    void PickFont(GuiFontKind kind, uint16_t chosenCommand);
    void ChooseLanguage(int32_t index);
    void UndoLastRun();
    int32_t Ask(const RawLayer::RawString& text, const WinLayer::WinButtonSet& buttons, uint16_t iconId);
    // To the main dialog as WM_COMMAND, handled once the menu has closed.
    void Post(uint16_t command);

    WinLayer::WinDialog& dialog_;
    GuiRunGate& gate_;
    RawLayer::RawStringList documents_;
    RawLayer::RawParameterList languages_;
    bool built_ = false;
};

}  // namespace AppLayer
