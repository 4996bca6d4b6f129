// The main window's arithmetic without windows: where its children go and how
// they follow a resize, where a saved rectangle lands, the view box's column
// widths, row colours, hit zones and which rows it shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "job/JobCondition.h"
#include "job/JobFileList.h"

namespace AppLayer {

// ---------------------------------------------------------------- placement

// A rectangle that follows the edges of its reference (another record, or the
// client area for kClientReference) as the placement flags say.
struct GuiPlacement {
    static constexpr int32_t kClientReference = -1;
    RECT rect{};
    uint16_t flags = 0;
    int32_t reference = kClientReference;
};

// Moves every record from the old client area to the new one. A record's
// reference comes before it, so each follows its reference's own move.
void ArrangePlacements(std::vector<GuiPlacement>& records, const RECT& oldClient, const RECT& newClient);

// The children of the main dialog in their Tab order.
enum class GuiChild : int32_t {
    OldLabel, OldBox, OldHint, NewLabel, NewBox, NewHint, LimitationLabel, LimitationSelector, StyleLabel,
    StyleSelector, Start, Reload, Clear, ViewBox, Status, Count
};
constexpr int32_t kGuiChildCount = static_cast<int32_t>(GuiChild::Count);

// The groups the children follow; the first and the last follow the client area.
enum class GuiGroup : int32_t { Rows, Row1, Row2, Row3, Selectors, Buttons, View, Count };
constexpr int32_t kGuiGroupCount = static_cast<int32_t>(GuiGroup::Count);

// What the layout needs of each child: its fitted size.
struct GuiFittedSize {
    int32_t width = 0;
    int32_t height = 0;
};

struct GuiMainLayout {
    // Groups first (kGuiGroupCount), then the children in GuiChild order.
    std::vector<GuiPlacement> records;
    SIZE client{};
    RECT& Child(GuiChild child) { return records[kGuiGroupCount + static_cast<int32_t>(child)].rect; }
    const RECT& Child(GuiChild child) const { return records[kGuiGroupCount + static_cast<int32_t>(child)].rect; }
};

// Three rows (the two name boxes with their labels and hint buttons; the
// selectors with the buttons at the right), then the view box, and the status
// line at the bottom, all margin apart and margin inside the client area. The
// edit boxes start 100 wide; the view box is at least viewWidth by viewHeight
// (with 0 by a few lines, the layout is the smallest the controls allow).
GuiMainLayout LayOutMainDialog(const GuiFittedSize (&sizes)[kGuiChildCount], int32_t margin, int32_t viewWidth,
                               int32_t viewHeight);

// ---------------------------------------------------------------- window rectangle

// The rectangle of the given size centred in the work area (integer halves).
RECT CentreIn(const RECT& workArea, int32_t width, int32_t height);
// A saved rectangle stays where it is when it overlaps a monitor; else it keeps
// its size and is centred in the work area.
RECT PlaceSavedRect(const RECT& saved, const std::vector<RECT>& monitors, const RECT& workArea);

// ---------------------------------------------------------------- view box rows

// Whether a unit is shown as a row under the view style and limitation, with
// the option flags of JobOption.
bool RowVisible(uint16_t unitFlags, JobLayer::JobCondition::ViewStyle viewStyle, JobLayer::JobCondition::Limitation limitation, uint16_t optionFlags, bool wasVisible);

// Column 0 takes half the room when its need is smaller, else its need but at
// most nine tenths; column 1 the rest. Integer divisions throughout.
struct GuiColumns {
    int32_t first = 0;
    int32_t second = 0;
};
GuiColumns ColumnWidths(int32_t available, int32_t firstNeed);

// The background of a row: the base colour, and over it the outcome colour.
constexpr COLORREF kSelectedFocused = 0x00FFD0C0;
constexpr COLORREF kSelectedUnfocused = 0x00FFE3D8;
constexpr COLORREF kFailedColour = 0x00E0E0FF;
constexpr COLORREF kSucceededColour = 0x00C0FFC0;
// A rename predicted to fail: light amber, until the run shows the outcome.
constexpr COLORREF kConflictColour = RGB(255, 240, 192);
constexpr COLORREF kUnmatchedText = 0x00A0A0A0;
constexpr COLORREF kGridColour = 0x00E0E0E0;
constexpr COLORREF kForbiddenColour = RGB(255, 192, 192);

struct GuiRowState {
    uint16_t unitFlags = 0;  // JobFileUnit flags; Header for the header row
    bool selected = false;
    bool focused = false;      // the view box has the keyboard focus
    bool cursorHidden = false;  // the selection frame is not shown
    bool conflict = false;      // its rename is predicted to fail
};
// window, face and background: GetSysColor(COLOR_WINDOW), (COLOR_BTNFACE) and
// the list's background, passed in so that the rule is tested without a display.
COLORREF RowBackground(const GuiRowState& row, COLORREF window, COLORREF face, COLORREF background);
// A row's colours in the platform's high-contrast mode: system colours only,
// the outcomes and conflicts shown by their marks alone.
COLORREF HighContrastFill(const GuiRowState& row);
COLORREF HighContrastText(const GuiRowState& row, bool matched);

// Where a click falls in a row: 0 left of the text, 1 check box, 2 image,
// 3 text of column 0, 4 column 1, 5 outside the items.
enum class GuiHitZone : int32_t { Indent = 0, CheckBox = 1, Image = 2, Name = 3, NewName = 4, Outside = 5 };
// x relative to the row's left; indent is depth x h in the tree, else 0.
GuiHitZone HitZone(int32_t x, int32_t indent, int32_t rowHeight, int32_t firstColumn, int32_t totalWidth);

// The item image of a unit: 0 file, 1 open folder, 2 folder without content
// (or any folder in the matched list), 3 closed folder with content.
int32_t ItemImage(uint16_t unitFlags, JobLayer::JobCondition::ViewStyle viewStyle);

// The item menu's commands, in menu order.
enum class GuiItemCommand : uint32_t {
    OpenFolders = 1,
    CloseFolders,
    OpenRecursively,
    CloseRecursively,
    CheckToItems,
    UncheckToItems,
    AppendItems,
    ExcludeItems,
    RemoveItems,
    OpenByExplorer,
};

// Which item-menu entries a selection enables, gathered row by row at the
// right click.
class GuiItemMenuRules {
public:
    // named: the unit has no parent (the user named it); checkable: the
    // engine's rule of whether its mark can be set (JobFileUnit::Checkable).
    void Add(uint16_t unitFlags, bool named, bool checkable);
    bool Enabled(GuiItemCommand command, bool treeView) const;

private:
    int32_t count_ = 0;
    bool folder_ = false;
    bool closedFolder_ = false;
    bool openedFolder_ = false;
    bool checkable_ = false;
    bool uncheckable_ = false;
    bool named_ = false;
};

}  // namespace AppLayer
