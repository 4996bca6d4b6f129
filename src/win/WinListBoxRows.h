// The rows of the list box and every rule over them that needs no window:
// cursor steps, selection, placing rows one below the other, finding the row
// at a point, zoom steps and the logical-width mapping.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "raw/RawList.h"

namespace WinLayer {

// Row indices besides the items 0 ... count - 1.
constexpr int32_t kNoRow = -1;
constexpr int32_t kHeaderRow = -2;
constexpr int32_t kTrailerRow = -3;

// One row: its flags and its rectangle in content coordinates (left is 0).
class WinListBoxItemUnit {
public:
    enum Flag : uint32_t {
        kMeasured = 0x001,
        kSelected = 0x002,
        kHidden = 0x004,
        kSnapshot = 0x010,  // the selection as SnapshotSelection saw it
        kHeaderKind = 0x020,
        kTrailerKind = 0x040,
        kOnScreen = 0x100,  // met the painted area at the last paint
    };

    WinListBoxItemUnit() = default;
    explicit WinListBoxItemUnit(uint32_t initialFlags) : flags(initialFlags) {}
    virtual ~WinListBoxItemUnit() = default;
    WinListBoxItemUnit(const WinListBoxItemUnit&) = default;
    WinListBoxItemUnit& operator=(const WinListBoxItemUnit&) = default;

    // A fresh row of the same kind.
    virtual void Reset() {
        flags &= kHeaderKind | kTrailerKind;
        value = 0;
        rect = {};
    }

    int32_t Height() const { return rect.bottom - rect.top; }
    int32_t Width() const { return rect.right - rect.left; }
    bool IsSelected() const { return (flags & kSelected) != 0; }
    // Only such rows take part in navigation, hit testing and painting.
    bool IsUsable() const { return !(flags & kHidden) && Height() >= 1; }

    uint32_t flags = 0;
    int32_t value = 0;  // the derived list's own
    RECT rect{};
};

class WinListBoxItemListAllocator : public RawLayer::RawListAllocator<WinListBoxItemUnit> {};
using WinListBoxItemList = RawLayer::RawListR<WinListBoxItemListAllocator, WinListBoxItemUnit>;

// Makes the units of a list box's rows; a derived list makes its own kind.
class WinListBoxItemCreater {
public:
    virtual ~WinListBoxItemCreater() = default;
    virtual WinListBoxItemUnit* CreateUnit() { return new WinListBoxItemUnit; }
};

// A usable item as the last layout placed it.
struct WinListBoxUsableRow {
    int32_t index;
    int32_t top;
    bool operator==(const WinListBoxUsableRow&) const = default;
};
using WinListBoxUsableRows = std::vector<WinListBoxUsableRow>;

// The rows as the rules see them. usable lists the usable items in order,
// as the last layout found them: their indices and their tops rise strictly,
// which lets a search halve its way to a row, in one array that stays in
// the cache instead of visiting a row at every step.
struct WinListBoxRowSet {
    std::span<WinListBoxItemUnit* const> items;
    std::span<const WinListBoxUsableRow> usable;
    WinListBoxItemUnit* header = nullptr;
    WinListBoxItemUnit* trailer = nullptr;

    int32_t Count() const { return static_cast<int32_t>(items.size()); }
    bool IsItem(int32_t index) const { return index >= 0 && index < Count(); }
    // An item, the header (-2) or the trailer (-3); null for anything else.
    WinListBoxItemUnit* At(int32_t index) const;
    bool HeaderUsable() const { return header && header->IsUsable(); }
    bool TrailerUsable() const { return trailer && trailer->IsUsable(); }
};

// The usable items in order, at their present tops.
WinListBoxUsableRows UsableItems(std::span<WinListBoxItemUnit* const> items);

// ---------------------------------------------------------------- cursor and selection

struct WinListBoxSelection {
    int32_t cursor = kNoRow;
    int32_t anchor = kNoRow;
    // Every selected item lies in low ... high (none when low > high), so
    // that clearing a selection touches only that stretch.
    int32_t low = 0;
    int32_t high = -1;
};

// What the list box does after a selection rule ran.
enum class WinListBoxEffect : uint8_t {
    kNone,        // nothing changed, nothing to tell
    kNotify,      // tell the parent (0x1008) only
    kRedraw,      // redraw, then tell
    kShowCursor,  // scroll the cursor row into view, then tell
    kShowBottom,  // scroll to the end of the content, then tell
};

// Clears the selected bit of every row.
void ClearSelection(const WinListBoxRowSet& rows, WinListBoxSelection& selection);
// Cursor and anchor to the row, which alone is selected; -1 selects nothing.
WinListBoxEffect SelectSingle(const WinListBoxRowSet& rows, WinListBoxSelection& selection, int32_t index);
// Flips one item's selection and puts the cursor there.
WinListBoxEffect ToggleItem(const WinListBoxRowSet& rows, WinListBoxSelection& selection, int32_t index);
// Selects every item from the anchor to the index; needs a valid anchor.
WinListBoxEffect ExtendTo(const WinListBoxRowSet& rows, WinListBoxSelection& selection, int32_t index);
// Moves the cursor alone (an item or the trailer).
WinListBoxEffect MoveCursorOnly(const WinListBoxRowSet& rows, WinListBoxSelection& selection, int32_t index);
WinListBoxEffect SelectAll(const WinListBoxRowSet& rows, WinListBoxSelection& selection);
// Recomputes the bounds of the selected items from their flags.
void FindSelectionBounds(const WinListBoxRowSet& rows, WinListBoxSelection& selection);

struct WinListBoxSnapshot {
    int32_t count = 0;
    int32_t first = kNoRow;
    int32_t last = kNoRow;
};
// Copies each item's selected bit into its snapshot bit and counts them.
WinListBoxSnapshot SnapshotSelection(const WinListBoxRowSet& rows);

// The first usable item from start on, forwards (direction > 0) or
// backwards; -1 when there is none.
int32_t FindUsableItem(const WinListBoxRowSet& rows, int32_t start, int32_t direction);
// Where a step lands: a usable item, else going forwards the trailer when it
// is usable; -1 when the step goes nowhere.
int32_t StepTarget(const WinListBoxRowSet& rows, int32_t start, int32_t direction);

// A cursor key's target. direct: set the cursor there whatever the modifiers.
struct WinListBoxKeyMove {
    bool moves = false;
    bool direct = false;
    int32_t target = kNoRow;
};
// Home, End, Up and Down from the cursor; nothing on a list without items.
WinListBoxKeyMove MoveForKey(const WinListBoxRowSet& rows, UINT key, int32_t cursor, bool ctrl, bool multiple);

// ---------------------------------------------------------------- layout and hit testing

// Option flags of a list box.
enum WinListBoxOption : uint16_t {
    kListInsertionMark = 0x01,
    kListMultiple = 0x02,
    kListHideFrame = 0x04,
    kListBanded = 0x10,
    kListHeaderScrolls = 0x40,
};
// The header stays above the items unless the rows are banded or it scrolls.
inline bool HeaderIsFixed(uint16_t options) { return !(options & (kListBanded | kListHeaderScrolls)); }

struct WinListBoxExtent {
    int32_t width = 0;
    int32_t height = 0;
};

// Places the items one below the other from top: measure(index, unit, rect)
// either gives a row its new rectangle (true) or leaves it its height
// (false). The usable items are listed in usable; the trailer goes below the
// items and the header spans the widest row (the view width when no row has
// a width). Tops never fall, whatever the heights.
template <class Measure>
WinListBoxExtent PlaceRows(const WinListBoxRowSet& rows, int32_t top, int32_t viewWidth, WinListBoxUsableRows& usable,
                           Measure&& measure) {
    usable.clear();
    int32_t y = top, widest = 0;
    for (int32_t i = 0; i < rows.Count(); ++i) {
        WinListBoxItemUnit& unit = *rows.items[i];
        RECT measured;
        const bool fresh = measure(i, unit, measured);
        const int32_t width = fresh ? measured.right - measured.left : unit.Width();
        const int32_t height = fresh ? measured.bottom - measured.top : unit.Height();
        unit.rect = {0, y, width, y + height};
        if (unit.IsUsable()) {
            usable.push_back({i, y});
            y += height;
            if (width > widest) widest = width;
        }
    }
    if (widest < 1) widest = viewWidth;
    if (rows.TrailerUsable()) {
        const int32_t height = rows.trailer->Height();
        rows.trailer->rect = {0, y, widest, y + height};
        y += height;
    }
    if (rows.header) {
        rows.header->rect.left = 0;
        rows.header->rect.right = widest;
    }
    return {widest, y};
}

// The position in rows.usable of the last usable item whose top is at or
// above y (0 when y lies above them all); -1 without usable items.
int32_t UsableAt(const WinListBoxRowSet& rows, int32_t y);

// Where the rows show: the view rectangle and the offsets, in layout pixels.
struct WinListBoxFrame {
    RECT view{};             // client less margins and a fixed header
    int32_t marginTop = 0;
    POINT scroll{};
    uint16_t options = 0;
    int32_t rowPitch = 0;    // of banded rows; 0 without bands
};

// The row under a point of the layout: an item, the header (-2), the
// trailer (-3) or none (-1).
int32_t HitTest(const WinListBoxRowSet& rows, const WinListBoxFrame& frame, POINT point);

// ---------------------------------------------------------------- zoom and logical width

// A font height one wheel step larger (delta >= 0) or smaller, kept at 6
// pixels or more; a height that would pass that stays.
int32_t ZoomedFontHeight(int32_t height, int32_t delta);

// The size the rows are laid out at: the client, or with a logical width L
// the client scaled to width L. A client without width keeps its own size.
SIZE LayoutSize(int32_t logicalWidth, SIZE client);
// A client point in layout pixels.
POINT LayoutPoint(POINT client, int32_t logicalWidth, int32_t clientWidth);

}  // namespace WinLayer
