// The edit box's plane: focus flag and double-buffered owner-drawn painting.
#include "win/WinEditPlane.h"

namespace WinLayer {

using namespace RawLayer;

WinEditPlane::WinEditPlane() {
    Property().className = "BUTTON";
    Property().kind = WinViewProperty::kSubclassed;
    Property().style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
}

int32_t WinEditPlane::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
            focused_ = true;
            InvalidateRect(Window(), nullptr, FALSE);
            return 0;
        case WM_KILLFOCUS:
            focused_ = false;
            InvalidateRect(Window(), nullptr, FALSE);
            SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(ControlId(), kNotifyFocusLost), 0);
            return 0;
        case WM_DRAWITEM:
            if (wParam == 0) break;
            return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_ERASEBKGND:
            return 1;
        default:
            break;
    }
    return WinView::HandleMessage(message, wParam, lParam);
}

int32_t WinEditPlane::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const RECT client{0, 0, Width(item.rcItem), Height(item.rcItem)};
    if (client.right <= 0 || client.bottom <= 0) return 1;
    // One bitmap, grown as needed, serves every paint.
    if (!memoryDc_ || bitmapSize_.cx < client.right || bitmapSize_.cy < client.bottom) {
        memoryDc_.Reset(CreateCompatibleDC(item.hDC));
        bitmap_.Reset(CreateCompatibleBitmap(item.hDC, client.right, client.bottom));
        bitmapSize_ = {client.right, client.bottom};
    }
    if (!memoryDc_ || !bitmap_) {
        PaintPlane(item.hDC, item.rcItem);
        return 1;
    }
    {
        RawSelectObject bitmap(memoryDc_.Get(), bitmap_.Get());
        PaintPlane(memoryDc_.Get(), client);
        BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, client.right, client.bottom, memoryDc_.Get(), 0, 0,
               SRCCOPY);
    }
    return 1;
}

}  // namespace WinLayer
