// The list box: messages, keys, selection, layout, scrolling and painting.
#include "win/WinListBox.h"

#include <windowsx.h>

#include <algorithm>

#include "raw/RawGdiHandle.h"
#include "win/WinAccessible.h"
#include "win/WinToolkit.h"

namespace WinLayer {

using namespace RawLayer;
using Unit = WinListBoxItemUnit;

// ---------------------------------------------------------------- drawing defaults

void WinListBoxDraw::FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    // An opaque empty text fills without a brush to make and delete.
    const COLORREF previous = SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
}

void WinListBoxDraw::FillMargins(HDC dc, const RECT& outer, const RECT& inner, HBRUSH brush) {
    const RECT bands[] = {
        {outer.left, outer.top, outer.right, inner.top},
        {outer.left, inner.bottom, outer.right, outer.bottom},
        {outer.left, inner.top, inner.left, inner.bottom},
        {inner.right, inner.top, outer.right, inner.bottom},
    };
    for (const RECT& band : bands)
        if (band.left < band.right && band.top < band.bottom) FillRect(dc, &band, brush);
}

void WinListBoxDraw::DrawInsertionMark(HDC dc, const RECT& rect) {
    FillSolid(dc, {rect.left, rect.top, rect.right, rect.top + 1}, WinListBox::kCursorFrame);
}

void WinListBoxDraw::MeasureLine(HDC dc, SIZE& size) {
    RECT r{};
    DrawTextW(dc, L"A", 1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    size = {r.right - r.left, r.bottom - r.top};
}

bool WinListBoxDraw::TakeMeasured(WinListBoxItemUnit& item) {
    if (item.flags & Unit::kMeasured) return false;
    item.flags |= Unit::kMeasured;
    return true;
}

// ---------------------------------------------------------------- construction and rows

WinListBox::WinListBox() {
    owner = this;
    Property().style |= WS_VSCROLL;
    options = kTextLeft | kTextTop;
    margins = {1, 1, 1, 1};
    background = GetSysColor(COLOR_WINDOW);
    font.logFont = WinToolkit::Instance().DefaultLogFont();
    pendingFlush = true;  // the first paint lays the rows out
}

WinListBoxRowSet WinListBox::Rows() {
    if (indexStale_ || static_cast<int32_t>(rows_.size()) != items.Count()) {
        rows_.clear();
        rows_.reserve(static_cast<size_t>(items.Count()));
        for (Unit& unit : items) {
            unit.flags &= ~Unit::kOnScreen;
            rows_.push_back(&unit);
        }
        paintedFirst_ = paintedEnd_ = 0;
        usable_ = UsableItems(rows_);
        FindSelectionBounds({rows_, usable_, &header, &trailer}, selection);
        indexStale_ = false;
        pendingFlush = true;
    }
    return {rows_, usable_, &header, &trailer};
}

WinListBoxItemUnit& WinListBox::AppendItem() {
    Rows();
    Unit* unit = items.Adopt(creater_->CreateUnit());
    rows_.push_back(unit);
    pendingFlush = true;
    return *unit;
}

void WinListBox::ResetItems() {
    items.Clear();
    rows_.clear();
    usable_.clear();
    paintedFirst_ = paintedEnd_ = 0;
    extent = {};
    ResetState();
    pendingFlush = true;
    Invalidate();
}

void WinListBox::ResetState() {
    ClearSelection(Rows(), selection);
    selection = {};
    target = kNoRow;
    scroll = {};
}

// ---------------------------------------------------------------- selection

void WinListBox::Apply(WinListBoxEffect effect) {
    switch (effect) {
        case WinListBoxEffect::kNone:
            return;
        case WinListBoxEffect::kNotify:
            break;
        case WinListBoxEffect::kRedraw:
            Invalidate();
            break;
        case WinListBoxEffect::kShowCursor:
            ScrollIntoView(selection.cursor);
            break;
        case WinListBoxEffect::kShowBottom:
            Flush();
            scroll.y = std::max<int32_t>(0, extent.cy - ViewHeight());
            Scrolled();
            break;
    }
    Notify(kNotifySelection);
}

void WinListBox::SetCursor(int32_t index) { Apply(SelectSingle(Rows(), selection, index)); }
void WinListBox::Toggle(int32_t index) { Apply(ToggleItem(Rows(), selection, index)); }
void WinListBox::Extend(int32_t index) { Apply(ExtendTo(Rows(), selection, index)); }
void WinListBox::SelectAll() { Apply(WinLayer::SelectAll(Rows(), selection)); }
WinListBoxSnapshot WinListBox::SnapshotSelection() { return WinLayer::SnapshotSelection(Rows()); }

// ---------------------------------------------------------------- keys and mouse

bool WinListBox::OnKey(UINT key, bool ctrl, bool shift) {
    switch (key) {
        case VK_RETURN:
            Notify(kNotifyExecute);
            return true;
        case VK_SPACE:
            if (IsMultiple()) Toggle(selection.cursor);
            return true;
        case VK_PRIOR:
        case VK_NEXT:
            ScrollPage(key == VK_PRIOR ? SB_PAGEUP : SB_PAGEDOWN);
            return true;
        case VK_HOME:
        case VK_END:
        case VK_UP:
        case VK_DOWN:
            MoveByKey(key, ctrl, shift);
            return true;
        case VK_LEFT:
        case VK_RIGHT:
            if (!(Property().style & WS_HSCROLL) || ItemCount() == 0) return false;
            Flush();
            ScrollHorizontal(ctrl ? (key == VK_LEFT ? SB_LEFT : SB_RIGHT) : (key == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT));
            return true;
        case 'A':
            if (!ctrl) return false;
            if (IsMultiple()) SelectAll();
            return true;
        case 'F':
            if (ctrl) OnFind();
            return ctrl;
        case 'D':
            if (ctrl) OnFindNext();
            return ctrl;
        case 'S':
            if (ctrl) OnFindPrevious();
            return ctrl;
        case VK_F3:
            if (shift) OnFindPrevious();
            else OnFindNext();
            return true;
        default:
            return false;
    }
}

void WinListBox::ScrollPage(int32_t request) {
    if (ItemCount() == 0) return;
    Flush();
    ScrollVertical(request);
}

void WinListBox::MoveByKey(UINT key, bool ctrl, bool shift) {
    if (ItemCount() == 0) return;
    Flush();
    const WinListBoxRowSet rows = Rows();
    const WinListBoxKeyMove move = MoveForKey(rows, key, selection.cursor, ctrl, IsMultiple());
    if (move.moves) {
        if (move.direct) SetCursor(move.target);
        else if (IsMultiple() && ctrl) Apply(MoveCursorOnly(rows, selection, move.target));
        else if (IsMultiple() && shift) Extend(move.target);
        else SetCursor(move.target);
    }
    Invalidate();
    UpdateScrollBars();
}

int32_t WinListBox::HitTest(POINT point) {
    const POINT mapped = LayoutPoint(point, logicalWidth, client.cx);
    return WinLayer::HitTest(Rows(), {view, margins.top, scroll, listOptions, rowPitch}, mapped);
}

void WinListBox::OnLeftDown(WPARAM wParam, LPARAM lParam) {
    // The list box takes the focus itself: the button underneath would also
    // capture the pointer and report a click of its own on release.
    if (HasWindow()) SetFocus(Window());
    Flush();
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int32_t index = HitTest(point);
    const POINT mapped = LayoutPoint(point, logicalWidth, client.cx);
    if (!CanSelectAt(mapped, index)) return;
    if (IsMultiple() && (wParam & MK_CONTROL)) Toggle(index);
    else if (IsMultiple() && (wParam & MK_SHIFT)) Extend(index);
    else SetCursor(index);
}

void WinListBox::OnDoubleClick(LPARAM lParam) {
    const POINT point = LayoutPoint({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, logicalWidth, client.cx);
    if (Rows().IsItem(selection.cursor) && CanExecuteAt(point, selection.cursor)) Notify(kNotifyExecute);
}

void WinListBox::OnRightDown(LPARAM lParam) {
    Flush();
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int32_t index = HitTest(point);
    const POINT mapped = LayoutPoint(point, logicalWidth, client.cx);
    if (CanContextAt(mapped, index)) OnContextMenu(mapped, index);
}

void WinListBox::OnWheel(WPARAM wParam) {
    Flush();
    const int32_t delta = GET_WHEEL_DELTA_WPARAM(wParam);
    const UINT keys = GET_KEYSTATE_WPARAM(wParam);
    if (keys & MK_CONTROL) {
        Zoom(delta);
        RelayoutAndRedraw();
        return;
    }
    ScrollForWheel((keys & MK_SHIFT) ? delta * 3 : delta, ViewSize());
    Scrolled();
}

void WinListBox::OnSize() {
    if (HasWindow()) {
        RECT r;
        GetClientRect(Window(), &r);
        client = {r.right, r.bottom};
    }
    pendingFlush = true;
    Invalidate();
}

int32_t WinListBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            if (OnKey(static_cast<UINT>(wParam), GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0)) return 0;
            break;
        case WM_LBUTTONDOWN:
            OnLeftDown(wParam, lParam);
            return 0;
        case WM_LBUTTONDBLCLK:
            OnDoubleClick(lParam);
            return 0;
        case WM_RBUTTONDOWN:
            OnRightDown(lParam);
            break;
        case WM_MOUSEWHEEL:
            OnWheel(wParam);
            return 1;
        case WM_VSCROLL:
            Flush();
            ScrollVertical(LOWORD(wParam));
            return 0;
        case WM_HSCROLL:
            Flush();
            ScrollHorizontal(LOWORD(wParam));
            return 0;
        case WM_SIZE:
            OnSize();
            break;
        default:
            break;
    }
    return WinOwnerDrawn::HandleMessage(message, wParam, lParam);
}

void WinListBox::Paint(const DRAWITEMSTRUCT& item) {
    Flush();
    UpdateScrollBars();
    Paint(item.hDC, item.rcItem, item.itemState);
}

// ---------------------------------------------------------------- layout and scrolling

SIZE WinListBox::CurrentLayoutSize() { return LayoutSize(logicalWidth, client); }

bool WinListBox::MeasureHeaderAndTrailer(HDC dc, const RECT& bounds, bool full) {
    bool measured = false;
    for (Unit* unit : {&header, &trailer}) {
        if ((unit->flags & Unit::kHidden) || (!full && !TakeMeasured(*unit))) continue;
        unit->flags |= Unit::kMeasured;
        RECT r{};
        MeasureItem(dc, bounds, unit == &header ? kHeaderRow : kTrailerRow, *unit, r);
        unit->rect = {0, 0, r.right - r.left, r.bottom - r.top};
        measured = true;
    }
    return measured;
}

void WinListBox::Layout(bool full) {
    if (HasWindow()) {
        RECT r;
        GetClientRect(Window(), &r);
        client = {r.right, r.bottom};
    }
    const SIZE size = CurrentLayoutSize();
    RawWindowDc windowDc(Window());
    const HDC dc = windowDc.Dc();
    RawSelectObject selected(dc, ResolvedFont());
    const RECT bounds{margins.left, margins.top, size.cx - margins.right, size.cy - margins.bottom};
    MeasureLine(dc, line);
    const WinListBoxRowSet rows = Rows();
    ForgetPaintedRows();  // before the usable rows are listed anew
    MeasureHeaderAndTrailer(dc, bounds, full);
    const bool fixed = HeaderIsFixed(listOptions);
    const int32_t headerHeight = rows.HeaderUsable() ? header.Height() : 0;
    view = bounds;
    if (fixed) view.top += headerHeight;
    BeginLayout(dc, rows.Count());
    const WinListBoxExtent placed =
        PlaceRows(rows, fixed ? 0 : headerHeight, ViewWidth(), usable_, [&](int32_t index, Unit& unit, RECT& r) {
            if (!full && !TakeMeasured(unit)) return false;
            unit.flags |= Unit::kMeasured;
            r = {};
            MeasureItem(dc, view, index, unit, r);
            return true;
        });
    extent = {placed.width, placed.height};
    EndLayout(dc, extent, rows.Count());
    pendingFlush = false;
}

void WinListBox::MeasureItem(HDC, const RECT& bounds, int32_t, WinListBoxItemUnit&, RECT& rect) {
    rect = {0, 0, bounds.right - bounds.left, line.cy};
}

void WinListBox::Relayout() {
    Layout(true);
    Clamp(ViewSize());
    UpdateScrollBars();
}

void WinListBox::RelayoutAndRedraw() {
    Relayout();
    Invalidate();
}

void WinListBox::Flush() {
    if (!pendingFlush) return;
    Layout(false);
    Clamp(ViewSize());
    UpdateScrollBars();
}

void WinListBox::ScrollIntoView(int32_t index) {
    Flush();
    const Unit* unit = index < 0 ? &trailer : ItemAt(index);
    if (!unit) return;
    // Vertically only: the horizontal offset stays.
    scroll.y = ClampScroll(WinLayer::ScrollToShow(scroll.y, unit->rect.top, unit->rect.bottom, ViewHeight()),
                           extent.cy, ViewHeight());
    Scrolled();
}

void WinListBox::ScrollVertical(int32_t request) {
    ScrollForBar(Window(), SB_VERT, request, ViewSize());
    Scrolled();
}

void WinListBox::ScrollHorizontal(int32_t request) {
    ScrollForBar(Window(), SB_HORZ, request, ViewSize());
    Scrolled();
}

void WinListBox::Scrolled() {
    Invalidate();
    UpdateScrollBars();
}

void WinListBox::UpdateScrollBars() {
    if (ShowOnBars(Window(), Property().style, ViewSize())) Notify(kNotifyScroll);
}

void WinListBox::Zoom(int32_t delta) {
    LOGFONTW logFont = font.logFont;
    if (GetObjectW(ResolvedFont(), sizeof(logFont), &logFont) <= 0) logFont = font.logFont;
    const int32_t height = ZoomedFontHeight(logFont.lfHeight, delta);
    if (height == logFont.lfHeight) return;
    logFont.lfHeight = height;
    SetListFont(logFont);
}

void WinListBox::SetListFont(const LOGFONTW& logFont) {
    font.logFont = logFont;
    font.Recreate();
    Property().font = font.Handle();
}

// ---------------------------------------------------------------- painting

void WinListBox::ForgetPaintedRows() {
    const auto usableCount = static_cast<int32_t>(usable_.size());
    for (int32_t p = paintedFirst_; p < paintedEnd_ && p < usableCount; ++p) {
        const auto index = static_cast<size_t>(usable_[p].index);
        if (index < rows_.size()) rows_[index]->flags &= ~Unit::kOnScreen;
    }
    paintedFirst_ = paintedEnd_ = 0;
}

void WinListBox::DrawRows(HDC dc, POINT origin, POINT offset) {
    const WinListBoxRowSet rows = Rows();
    ForgetPaintedRows();
    const int32_t top = offset.y, bottom = offset.y + ViewHeight();
    const int32_t dx = origin.x - offset.x, dy = origin.y - offset.y;
    const auto usableCount = static_cast<int32_t>(rows.usable.size());
    int32_t at = UsableAt(rows, top);
    if (at < 0) at = usableCount;
    paintedFirst_ = at;
    // Rows above the view and below it are never visited: the search found
    // the first one that meets it, and the walk stops after the last.
    for (; at < usableCount; ++at) {
        const int32_t index = rows.usable[static_cast<size_t>(at)].index;
        Unit& unit = *rows.items[index];
        if (unit.rect.top >= bottom) break;
        RECT r = unit.rect;
        OffsetRect(&r, dx, dy);
        if (unit.rect.bottom <= top) {
            OnRowOffscreen(dc, r, index, unit);
            continue;
        }
        unit.flags |= Unit::kOnScreen;
        DrawItem(dc, r, index, unit);
        DrawFrame(dc, r, index);
    }
    paintedEnd_ = at;
    if (rows.TrailerUsable() && trailer.rect.bottom > top && trailer.rect.top < bottom) {
        RECT r = trailer.rect;
        OffsetRect(&r, dx, dy);
        DrawItem(dc, r, kTrailerRow, trailer);
        DrawFrame(dc, r, kTrailerRow);
    }
}

void WinListBox::DrawFrame(HDC dc, const RECT& rect, int32_t index) {
    if (listOptions & kListHideFrame) return;
    COLORREF colour;
    if (index == selection.cursor) colour = kCursorFrame;
    else if (index == target) colour = kTargetFrame;
    else return;
    // High contrast: the cursor in the user's own text colour.
    if (WinHighContrast()) colour = GetSysColor(index == selection.cursor ? COLOR_WINDOWTEXT : COLOR_HIGHLIGHT);
    RawBrushHandle brush(CreateSolidBrush(colour));
    FrameRect(dc, &rect, brush.Get());
}

void WinListBox::DrawFocusCue(HDC dc, const RECT& inner) {
    // Entered by Tab before any arrow key, a list with no cursor row would
    // show no sign of the focus: its frame then stands for the cursor's.
    if (!HasFocus() || (listOptions & kListHideFrame)) return;
    if (const Unit* unit = ItemAt(selection.cursor); unit && unit->IsUsable()) return;
    RawBrushHandle brush(CreateSolidBrush(kCursorFrame));
    FrameRect(dc, &inner, brush.Get());
}

RECT WinListBox::HeaderRect() const {
    const int32_t left = view.left - scroll.x;
    if (HeaderIsFixed(listOptions))
        return {left, margins.top, left + header.Width(), margins.top + header.Height()};
    RECT r = header.rect;
    OffsetRect(&r, left, view.top - scroll.y);
    return r;
}

void WinListBox::Paint(HDC destination, const RECT& item, UINT itemState) {
    const SIZE size = CurrentLayoutSize();
    const HDC dc = surface_.Prepare(destination, size);
    if (!dc) return;
    RawSelectObject selected(dc, ResolvedFont());
    SetTextAlign(dc, 0);
    const RECT outer{0, 0, size.cx, size.cy};
    const COLORREF fill = (itemState & ODS_DISABLED) ? GetSysColor(COLOR_BTNFACE) : background;
    FillSolid(dc, outer, fill);
    BeforeRows(dc);
    DrawRows(dc, {view.left, view.top}, scroll);
    if (header.IsUsable()) {
        const RECT r = HeaderRect();
        DrawHeader(dc, r, kHeaderRow);
        DrawFrame(dc, r, kHeaderRow);
    }
    // The margins, not the view: a fixed header lies between the two.
    const RECT inner{margins.left, margins.top, size.cx - margins.right, size.cy - margins.bottom};
    RawBrushHandle brush(CreateSolidBrush(fill));
    FillMargins(dc, outer, inner, brush.Get());
    if ((listOptions & kListBanded) && rowPitch > 0) {
        for (int32_t band = scroll.y / rowPitch; band * rowPitch - scroll.y < ViewHeight(); ++band) {
            const int32_t bandTop = view.top + band * rowPitch - scroll.y;
            const RECT r{view.left, bandTop, view.right, bandTop + rowPitch};
            DrawBand(dc, r, band);
            DrawBandEdge(dc, r, band);
        }
    }
    if (listOptions & kListInsertionMark) {
        if (const Unit* unit = ItemAt(target); unit && unit->IsUsable() && target != kHeaderRow) {
            RECT r = unit->rect;
            OffsetRect(&r, view.left - scroll.x, view.top - scroll.y);
            DrawInsertionMark(dc, r);
        }
    }
    AfterPaint(dc);
    DrawFocusCue(dc, inner);
    const int32_t width = item.right - item.left, height = item.bottom - item.top;
    if (width == size.cx && height == size.cy) {
        BitBlt(destination, item.left, item.top, width, height, dc, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(destination, HALFTONE);
        SetBrushOrgEx(destination, 0, 0, nullptr);
        StretchBlt(destination, item.left, item.top, width, height, dc, 0, 0, size.cx, size.cy, SRCCOPY);
    }
}

}  // namespace WinLayer
