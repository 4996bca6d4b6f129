// The scrolling plane: focus, offsets, bars and double-buffered painting.
#include "win/WinPlaneBox.h"

#include "raw/RawGdiHandle.h"

namespace WinLayer {

using namespace RawLayer;

WinPlaneBox::WinPlaneBox() {
    WinViewProperty& p = Property();
    p.className = "BUTTON";
    p.kind = WinViewProperty::kSubclassed;
    p.style |= WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
    options = kTextLeft | kTextTop;
    margins = {1, 1, 1, 1};
}

RECT WinPlaneBox::ViewRect() const {
    RECT client{};
    if (HasWindow()) GetClientRect(Window(), &client);
    return {client.left + margins.left, client.top + margins.top, client.right - margins.right,
            client.bottom - margins.bottom};
}

int32_t WinPlaneBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
            focused_ = true;
            Invalidate();
            break;
        case WM_KILLFOCUS:
            focused_ = false;
            Invalidate();
            Notify(kNotifyFocusLost);
            break;
        case WM_VSCROLL:
        case WM_HSCROLL:
            ScrollBy(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL: {
            const RECT view = ViewRect();
            scroll_.y = WheelScroll(scroll_.y, line_.cy, GET_WHEEL_DELTA_WPARAM(wParam), content_.cy,
                                    view.bottom - view.top);
            Invalidate();
            UpdateScrollBars();
            return 1;
        }
        case WM_SIZE:
            Clamp();
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
        case WM_ERASEBKGND:
            return 1;
        case WM_DRAWITEM:
            if (wParam == 0) break;
            Paint(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return 1;
        default:
            break;
    }
    return WinView::HandleMessage(message, wParam, lParam);
}

void WinPlaneBox::Clamp() {
    const RECT view = ViewRect();
    scroll_.x = ClampScroll(scroll_.x, content_.cx, view.right - view.left);
    scroll_.y = ClampScroll(scroll_.y, content_.cy, view.bottom - view.top);
}

void WinPlaneBox::ScrollBy(int bar, int32_t request) {
    const RECT view = ViewRect();
    const bool tracking = request == SB_THUMBTRACK || request == SB_THUMBPOSITION;
    const int32_t track = tracking ? ScrollTrackPosition(Window(), bar) : 0;
    if (bar == SB_VERT)
        scroll_.y = ScrollForRequest(request, scroll_.y, line_.cy, view.bottom - view.top, content_.cy, track);
    else
        scroll_.x = ScrollForRequest(request, scroll_.x, line_.cx, view.right - view.left, content_.cx, track);
    Invalidate();
    UpdateScrollBars();
}

void WinPlaneBox::SetContentSize(SIZE size) {
    content_ = size;
    Clamp();
    UpdateScrollBars();
    Invalidate();
}

void WinPlaneBox::ScrollTo(POINT offset) {
    scroll_ = offset;
    Clamp();
    Invalidate();
    UpdateScrollBars();
}

void WinPlaneBox::ScrollIntoView(const RECT& content) {
    const RECT view = ViewRect();
    ScrollTo({ScrollToShow(scroll_.x, content.left, content.right, view.right - view.left),
              ScrollToShow(scroll_.y, content.top, content.bottom, view.bottom - view.top)});
}

void WinPlaneBox::UpdateScrollBars() {
    if (HasWindow()) {
        const RECT view = ViewRect();
        const uint32_t style = Property().style;
        if (style & WS_VSCROLL) bars_.Set(Window(), SB_VERT, scroll_.y, content_.cy, view.bottom - view.top);
        if (style & WS_HSCROLL) bars_.Set(Window(), SB_HORZ, scroll_.x, content_.cx, view.right - view.left);
    }
    if (scroll_.x != reported_.x || scroll_.y != reported_.y) {
        reported_ = scroll_;
        Notify(kNotifyScroll);
    }
}

void WinPlaneBox::Invalidate() {
    if (HasWindow()) InvalidateRect(Window(), nullptr, FALSE);
}

void WinPlaneBox::Notify(uint16_t code) {
    if (HasWindow()) SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(ControlId(), code), 0);
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
        const int saved = SaveDC(dc);  // the clip below goes with it
        IntersectClipRect(dc, view.left, view.top, view.right, view.bottom);
        PaintContent(dc, view, scroll_, item.itemState);
        RestoreDC(dc, saved);
    }
    BitBlt(item.hDC, target.left, target.top, size.cx, size.cy, dc, 0, 0, SRCCOPY);
}

}  // namespace WinLayer
