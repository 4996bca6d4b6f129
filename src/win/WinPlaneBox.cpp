// The scrolling plane: focus, offsets, bars and double-buffered painting.
#include "win/WinPlaneBox.h"

#include "raw/RawGdiHandle.h"

namespace WinLayer {

using namespace RawLayer;

WinPlaneBox::WinPlaneBox() {
    options = kTextLeft | kTextTop;
    margins = {1, 1, 1, 1};
    scrolling_.line = {1, 1};
}

RECT WinPlaneBox::ViewRect() const {
    RECT client{};
    if (HasWindow()) GetClientRect(Window(), &client);
    return {client.left + margins.left, client.top + margins.top, client.right - margins.right,
            client.bottom - margins.bottom};
}

SIZE WinPlaneBox::ViewSize() const {
    const RECT view = ViewRect();
    return {view.right - view.left, view.bottom - view.top};
}

int32_t WinPlaneBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KILLFOCUS: {
            const int32_t answer = WinOwnerDrawn::HandleMessage(message, wParam, lParam);
            Notify(kNotifyFocusLost);
            return answer;
        }
        case WM_VSCROLL:
        case WM_HSCROLL:
            scrolling_.ScrollForBar(Window(), message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam), ViewSize());
            Scrolled();
            return 0;
        case WM_MOUSEWHEEL:
            scrolling_.ScrollForWheel(GET_WHEEL_DELTA_WPARAM(wParam), ViewSize());
            Scrolled();
            return 1;
        case WM_SIZE:
            scrolling_.Clamp(ViewSize());
            UpdateScrollBars();
            Invalidate();
            break;
        // A plane is no push button: it takes the focus on a click, and Space
        // neither presses it nor reports a click.
        case WM_LBUTTONDOWN:
            if (HasWindow()) SetFocus(Window());
            return 0;
        case WM_LBUTTONDBLCLK:
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) return 0;
            break;
        default:
            break;
    }
    return WinOwnerDrawn::HandleMessage(message, wParam, lParam);
}

void WinPlaneBox::Scrolled() {
    Invalidate();
    UpdateScrollBars();
}

void WinPlaneBox::SetContentSize(SIZE size) {
    scrolling_.extent = size;
    scrolling_.Clamp(ViewSize());
    UpdateScrollBars();
    Invalidate();
}

void WinPlaneBox::ScrollTo(POINT offset) {
    scrolling_.scroll = offset;
    scrolling_.Clamp(ViewSize());
    Scrolled();
}

void WinPlaneBox::ScrollIntoView(const RECT& content) {
    scrolling_.ShowContent(content, ViewSize());
    Scrolled();
}

void WinPlaneBox::UpdateScrollBars() {
    if (scrolling_.ShowOnBars(Window(), Property().style, ViewSize())) Notify(kNotifyScroll);
}

COLORREF WinPlaneBox::Background(UINT itemState) const {
    return GetSysColor((itemState & ODS_DISABLED) ? COLOR_BTNFACE : COLOR_WINDOW);
}

void WinPlaneBox::Paint(const DRAWITEMSTRUCT& item) {
    const RECT& target = item.rcItem;
    const SIZE size{target.right - target.left, target.bottom - target.top};
    const HDC dc = surface_.Prepare(item.hDC, size);
    if (!dc) return;
    const RECT all{0, 0, size.cx, size.cy};
    {
        RawBrushHandle brush(CreateSolidBrush(Background(item.itemState)));
        FillRect(dc, &all, brush.Get());
    }
    const RECT view = ViewRect();
    {
        RawSelectObject font(dc, ResolvedFont());
        const RawSavedDc saved(dc);  // the clip below goes with it
        IntersectClipRect(dc, view.left, view.top, view.right, view.bottom);
        PaintContent(dc, view, scrolling_.scroll, item.itemState);
    }
    BitBlt(item.hDC, target.left, target.top, size.cx, size.cy, dc, 0, 0, SRCCOPY);
}

}  // namespace WinLayer
