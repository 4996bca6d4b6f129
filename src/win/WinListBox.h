// The toolkit's scrolling list: rows of varying height measured and painted
// by a derived class, a keyboard cursor, single or multiple selection, an
// optional header and trailer row, wheel scrolling and zoom, double-buffered
// painting. Painting, hit testing and scrolling cost the same for 100 rows
// as for 100,000: they search the laid-out rows instead of walking them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "win/WinFont.h"
#include "win/WinListBoxRows.h"
#include "win/WinOwnerDrawn.h"
#include "win/WinScrolling.h"

namespace WinLayer {

class WinListBox;

// The state of one list box; its scroll state is over the laid-out rows
// (extent), with the line height as the scroll step.
class WinListBoxBasic : public WinScrollState {
public:
    WinListBox* owner = nullptr;
    WinFontRecord font;  // the list box's own font, once zoomed or set
    WinListBoxItemList items;
    WinListBoxItemUnit header{WinListBoxItemUnit::kHeaderKind | WinListBoxItemUnit::kHidden};
    WinListBoxItemUnit trailer{WinListBoxItemUnit::kTrailerKind | WinListBoxItemUnit::kHidden};
    WinListBoxSelection selection;  // cursor and anchor
    RECT view{};                    // client less margins and a fixed header
    int32_t logicalWidth = 0;       // 0: laid out at the client width
    SIZE client{};
    int32_t rowPitch = 0;           // banded rows
    int32_t rowCount = 0;
    COLORREF background = 0;
    uint16_t listOptions = 0;       // WinListBoxOption bits
};

// Cursor and selection operations.
class WinListBoxCursor {
public:
    virtual ~WinListBoxCursor() = default;
    virtual void SetCursor(int32_t index) = 0;
    // Acts on a pending layout: relayout without re-measuring, clamp, bars.
    virtual void Flush() = 0;
    virtual void OnFind() {}          // Ctrl+F
    virtual void OnFindNext() {}      // Ctrl+D, F3
    virtual void OnFindPrevious() {}  // Ctrl+S, Shift+F3
};

// Layout and painting operations; each gets the device context it works on.
class WinListBoxDraw {
public:
    virtual ~WinListBoxDraw() = default;
    virtual void FillSolid(HDC dc, const RECT& rect, COLORREF colour);
    virtual void BeforeRows(HDC) {}
    virtual void DrawRows(HDC dc, POINT origin, POINT scroll) = 0;
    // One row (index -3 for the trailer).
    virtual void DrawItem(HDC, const RECT&, int32_t, WinListBoxItemUnit&) {}
    virtual void OnRowHidden(HDC, const RECT&, int32_t, WinListBoxItemUnit&) {}
    virtual void OnRowOffscreen(HDC, const RECT&, int32_t, WinListBoxItemUnit&) {}
    virtual void DrawHeader(HDC, const RECT&, int32_t) {}
    virtual void DrawFrame(HDC dc, const RECT& rect, int32_t index) = 0;
    virtual void FillMargins(HDC dc, const RECT& outer, const RECT& inner, HBRUSH brush);
    virtual void DrawBand(HDC, const RECT&, int32_t) {}
    virtual void DrawBandEdge(HDC, const RECT&, int32_t) {}
    virtual void AfterPaint(HDC) {}
    virtual void DrawInsertionMark(HDC dc, const RECT& rect);
    // Line width and height in the selected font.
    virtual void MeasureLine(HDC dc, SIZE& size);
    virtual void BeginLayout(HDC, int32_t) {}
    // A row's rectangle (index -2 for the header, -3 for the trailer).
    virtual void MeasureItem(HDC dc, const RECT& bounds, int32_t index, WinListBoxItemUnit& item, RECT& rect) = 0;
    virtual void EndLayout(HDC, SIZE, int32_t) {}
    // True when the row still needs measuring; it counts as measured after.
    virtual bool TakeMeasured(WinListBoxItemUnit& item);
};

// What the list box still has to do.
class WinListBoxAction {
public:
    bool pendingFlush = false;
};

// The row an operation aims at (framed, and marked with the insertion mark).
class WinListBoxTarget {
public:
    int32_t target = kNoRow;
};

class WinListBox : public WinOwnerDrawn,
                   public WinListBoxBasic,
                   public WinListBoxCursor,
                   public WinListBoxDraw,
                   public WinListBoxAction,
                   public WinListBoxTarget {
public:
    static constexpr COLORREF kCursorFrame = 0xFF0000;  // COLORREF: blue
    static constexpr COLORREF kTargetFrame = 0x4040FF;

    WinListBox();

    // ---- messages and the derived list's operations
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void OnContextMenu(POINT, int32_t) {}
    // Measures every row anew, clamps the offsets, updates the bars.
    virtual void Relayout();
    virtual void RelayoutAndRedraw();
    virtual bool CanSelectAt(POINT, int32_t) { return true; }
    virtual bool CanExecuteAt(POINT, int32_t) { return true; }
    virtual bool CanContextAt(POINT, int32_t) { return true; }
    // A key with its modifiers; true when the list box used it.
    bool OnKey(UINT key, bool ctrl, bool shift);

    // ---- rows
    int32_t ItemCount() { return Rows().Count(); }
    WinListBoxItemUnit* ItemAt(int32_t index) { return Rows().At(index); }
    // A new row at the end, made by the creater; it is measured at the next
    // layout or flush, alone.
    WinListBoxItemUnit& AppendItem();
    // Every row gone; cursor, selection, target and offsets back to the start.
    void ResetItems();
    void ResetState();
    // To be called after the item list was edited directly.
    void ItemsChanged() { indexStale_ = true; }
    WinListBoxRowSet Rows();

    // ---- selection (WinListBoxCursor)
    void SetCursor(int32_t index) override;
    void Flush() override;
    void Toggle(int32_t index);
    void Extend(int32_t index);
    void SelectAll();
    WinListBoxSnapshot SnapshotSelection();
    int32_t Cursor() const { return selection.cursor; }
    int32_t Anchor() const { return selection.anchor; }
    bool IsMultiple() const { return (listOptions & kListMultiple) != 0; }

    // ---- layout and scrolling
    // full: measure every row; else only rows whose TakeMeasured says so.
    void Layout(bool full);
    void ScrollIntoView(int32_t index);
    void ScrollVertical(int32_t request);
    void ScrollHorizontal(int32_t request);
    void UpdateScrollBars();
    // The row at a client point.
    int32_t HitTest(POINT client);
    // One Ctrl+wheel step of the font.
    void Zoom(int32_t delta);
    void SetListFont(const LOGFONTW& logFont);
    int32_t ViewHeight() const { return view.bottom - view.top; }
    int32_t ViewWidth() const { return view.right - view.left; }
    // The client size of a list box without a window (benches, tests).
    void SetClientSize(SIZE size) { client = size; }

    // ---- painting: the whole client into item (the WM_DRAWITEM rectangle)
    void Paint(HDC destination, const RECT& item, UINT itemState);
    // A pending layout first, then the bars, then the rows.
    void Paint(const DRAWITEMSTRUCT& item) override;

    // ---- WinListBoxDraw defaults that need the list box
    void DrawRows(HDC dc, POINT origin, POINT scroll) override;
    void DrawFrame(HDC dc, const RECT& rect, int32_t index) override;
    void DrawFocusCue(HDC dc, const RECT& inner);
    void MeasureItem(HDC dc, const RECT& bounds, int32_t index, WinListBoxItemUnit& item, RECT& rect) override;

protected:
    void SetCreater(WinListBoxItemCreater& creater) { creater_ = &creater; }

private:
    void Apply(WinListBoxEffect effect);
    void MoveByKey(UINT key, bool ctrl, bool shift);
    void ScrollPage(int32_t request);
    void OnLeftDown(WPARAM wParam, LPARAM lParam);
    void OnDoubleClick(LPARAM lParam);
    void OnRightDown(LPARAM lParam);
    void OnWheel(WPARAM wParam);
    void OnSize();
    SIZE CurrentLayoutSize();
    SIZE ViewSize() const { return {ViewWidth(), ViewHeight()}; }
    // The offsets as they now are: redrawn, shown on the bars, reported.
    void Scrolled();
    WinListBoxFrame Frame() const;
    RECT HeaderRect() const;
    void ForgetPaintedRows();
    bool MeasureHeaderAndTrailer(HDC dc, const RECT& bounds, bool full);

    WinListBoxItemCreater defaultCreater_;
    WinListBoxItemCreater* creater_ = &defaultCreater_;
    std::vector<WinListBoxItemUnit*> rows_;  // the item list by index
    WinListBoxUsableRows usable_;            // usable items at the last layout
    bool indexStale_ = false;
    // Usable positions marked on screen by the last paint.
    int32_t paintedFirst_ = 0;
    int32_t paintedEnd_ = 0;
    WinPaintSurface surface_;
};

// A list box whose rows each stand for one T owned elsewhere.
template <class T>
class WinListBoxItemUnitR : public WinListBoxItemUnit {
public:
    T* data = nullptr;
};

template <class T>
class WinListBoxR : public WinListBox, private WinListBoxItemCreater {
public:
    using Row = WinListBoxItemUnitR<T>;
    WinListBoxR() { SetCreater(*this); }

    Row& AppendRow(T* data) {
        Row& row = static_cast<Row&>(AppendItem());
        row.data = data;
        return row;
    }
    // The row's T, or null for a row that is not an item.
    T* DataAt(int32_t index) {
        Row* row = static_cast<Row*>(Rows().IsItem(index) ? ItemAt(index) : nullptr);
        return row ? row->data : nullptr;
    }
    // An item row's T; the header and trailer rows carry none.
    static T* DataOf(WinListBoxItemUnit& unit) { return static_cast<Row&>(unit).data; }

private:
    WinListBoxItemUnit* CreateUnit() override { return new Row; }
};

}  // namespace WinLayer
