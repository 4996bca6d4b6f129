// Owner-drawn controls: the set-up and the message cases they share.
#include "win/WinOwnerDrawn.h"

namespace WinLayer {

WinOwnerDrawn::WinOwnerDrawn(Base base) {
    WinViewProperty& p = Property();
    p.className = base == kStatic ? "STATIC" : "BUTTON";
    p.kind = WinViewProperty::kSubclassed;
    p.style |= WS_CHILD | WS_VISIBLE | (base == kStatic ? SS_OWNERDRAW : BS_OWNERDRAW);
}

int32_t WinOwnerDrawn::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            focused_ = message == WM_SETFOCUS;
            Invalidate();
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_DRAWITEM:
            // wParam 0: an item of a menu the control shows (WinView's).
            if (wParam == 0) break;
            Paint(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return 1;
        default:
            break;
    }
    return WinView::HandleMessage(message, wParam, lParam);
}

void WinOwnerDrawn::Invalidate() {
    if (HasWindow()) InvalidateRect(Window(), nullptr, FALSE);
}

void WinOwnerDrawn::PostCommand(uint16_t code) {
    if (HasWindow()) PostMessageW(Window(), WM_COMMAND, MAKEWPARAM(ControlId(), code), 0);
}

void WinOwnerDrawn::Notify(uint16_t code) {
    if (HasWindow()) SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(ControlId(), code), 0);
}

}  // namespace WinLayer
