// The program's one window: the two name boxes with their hint buttons, the
// limitation and view-style selectors, "Start !", "Reload !", "Clear !" and the
// view box; every user action becomes one engine call here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>
#include <unordered_map>

#include "app/GuiAccessible.h"
#include "app/GuiLayout.h"
#include "app/GuiProfile.h"
#include "app/GuiRunGate.h"
#include "app/GuiTMenuExecution.h"
#include "app/GuiViewBox.h"
#include "job/JobCondition.h"
#include "job/JobConflict.h"
#include "job/JobFileList.h"
#include "raw/RawLabelStore.h"
#include "raw/RawList.h"
#include "win/WinButton.h"
#include "win/WinEditBox.h"
#include "win/WinDialog.h"
#include "win/WinRadioButton.h"
#include "win/WinStaticBox.h"

namespace AppLayer {

// Commands of the main dialog (high word of WM_COMMAND).
enum GuiCommand : uint16_t {
    kCloseWindow = 0x1100,
    kNewHintMenu = 0x1101,
    kNewHintChosen = 0x1102,
    kOldHintMenu = 0x1103,
    kOldHintChosen = 0x1104,
    kLimitationChanged = 0x1105,
    kViewStyleChanged = 0x1106,
    kPassAsked = 0x1107,  // posted: the pass asked for while work ran
    kStartRun = 0x1108,
    kReload = 0x1109,
    kClear = 0x110A,
    kRestart = 0x110B,
    kWindowFontChosen = 0x110C,
    kListFontChosen = 0x110D,
    kMenuFontChosen = 0x110E,
    kTipFontChosen = 0x110F,
};

class GuiMainDialog;

struct GuiMainDialogParts {
    explicit GuiMainDialogParts(GuiMainDialog& owner);

    GuiMainDialog& owner;
    JobLayer::JobFileList items;
    // Long work on the item list, and what the window may do meanwhile.
    GuiRunGate gate;
    JobLayer::JobCondition condition;
    // Which checked renames will fail, after every pass and check change.
    JobLayer::JobConflictPredictor predictor;
    RawLayer::RawLabelList limitationChoices;
    JobLayer::JobCondition::Limitation limitation = JobLayer::JobCondition::Limitation::Dropped;
    RawLayer::RawLabelList viewStyleChoices;
    JobLayer::JobCondition::ViewStyle viewStyle = JobLayer::JobCondition::ViewStyle::TreeView;
    GuiMainLayout layout;

    WinLayer::WinStaticBox oldLabel;
    WinLayer::WinEditBox oldBox;
    WinLayer::WinHintButton oldHint;
    WinLayer::WinStaticBox newLabel;
    WinLayer::WinEditBox newBox;
    WinLayer::WinHintButton newHint;
    WinLayer::WinStaticBox limitationLabel;
    WinLayer::WinSelectorButton limitationSelector;
    WinLayer::WinStaticBox styleLabel;
    WinLayer::WinSelectorButton styleSelector;
    WinLayer::WinButton start;
    WinLayer::WinButton reload;
    WinLayer::WinButton clear;
    GuiViewBox viewBox;
    // One line below the view: how the last pass, run or undo went, and what
    // was refused on the way.
    WinLayer::WinStaticBox status;
    // What screen readers are told of the controls; made with the labels.
    std::unique_ptr<GuiMainAccessible> accessible;

    uint16_t oldHintValue = 0;
    RawLayer::RawParameterList oldHints;
    uint16_t newHintValue = 0;
    RawLayer::RawParameterList newHints;

    WinLayer::WinView& Child(GuiChild child);

    void Prepare();
    void Dispatch(WinLayer::WinView* sender, uint16_t code);
    // One evaluation pass with the boxes' texts and the selectors' choices.
    void RefreshSolutions();
    void UpdateButtons(bool bad);
    void ClearItems();
    // After the user changed check marks: the prediction and "Start !".
    void ChecksChanged();
    void RunRename();
    // Every named item read again from disk as it is now; follow, when
    // given, tells where an item listed at a path has gone since.
    void ReloadItems(const std::function<RawLayer::RawString(const RawLayer::RawString&)>& follow = nullptr);
    void AddPaths(const RawLayer::RawStringList& paths);
    void ReloadFont(GuiFontKind kind);
    // The hint lists of the GUI profile into their buttons, notes shown; a
    // button without hints is disabled.
    void LoadHints();
    // The status line: the outcome of the last pass, run or undo, and a
    // notice of what was refused (a path not found), shown after it; each
    // part keeps its text until it is set again.
    enum class StatusPart { Outcome, Notice };
    void SetStatus(const RawLayer::RawString& text, StatusPart part = StatusPart::Outcome);
    const RawLayer::RawString& StatusText(StatusPart part) const {
        return part == StatusPart::Outcome ? statusOutcome_ : statusNotice_;
    }
    // "%1 ... %2" label texts of the status line, filled in.
    static RawLayer::RawString StatusLabel(const char* key, int32_t first, int32_t second);
    // The window may be made this small (the controls in their fonts).
    SIZE minimumClient{};

    // The status line after a run or an undo: how many went, how many
    // failed, and how many a stop left untried.
    void ShowOutcome(const char* key, int32_t done, int32_t failed, int32_t notTried);

    // "-a" asked for a run that the options refuse (a limitation or view
    // style not understood): the run does not start, and the status line
    // tells why.
    void StartRefused(const std::vector<RawLayer::RawString>& reasons);
    const std::vector<RawLayer::RawString>& RefusedStart() const { return refusedStart_; }

private:
    std::vector<RawLayer::RawString> refusedStart_;
    // "N to rename, M conflicts" for what the next run would do.
    void ShowPlan();

    bool lastBad_ = false;
    RawLayer::RawString statusOutcome_;
    RawLayer::RawString statusNotice_;
    // Why each unit of the last runs failed, for its tip.
    std::unordered_map<const JobLayer::JobFileUnit*, RawLayer::RawString> failures_;
};

class GuiMainDialog : public WinLayer::WinDialog {
public:
    GuiMainDialog();
    ~GuiMainDialog() override;

    // Labels, choices, layout, title, size and the saved position; before Create.
    void Prepare();
    GuiMainDialogParts& Parts() { return parts_; }
    GuiTMenuExecution& TitleMenu() { return titleMenu_; }

    void OnCreate() override;
    void OnCreated() override;
    void OnDestroyed() override;
    int32_t OnCommand(uint16_t code) override;
    int32_t OnChildCommand(WinLayer::WinView* child, uint16_t code) override;
    bool AdjustSizeLimits(int32_t& extraWidth, int32_t& extraHeight) override;
    void Arrange() override;
    void OnStateChange(int32_t oldState, int32_t newState) override;

    // The rectangle the window is placed at: the saved one unless Shift is held.
    // A saved one smaller than minimum grows to it.
    static RECT StartRect(const RECT& centred, bool ignoreSaved, SIZE minimum = {0, 0});

private:
    GuiMainDialogParts parts_;
    GuiTMenuExecution titleMenu_;
    RECT arrangedClient_{};
};

}  // namespace AppLayer
