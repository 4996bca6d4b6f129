// Hook attachment and the toolkit's own two hooks.
#include "win/WinViewHook.h"

#include "win/WinView.h"

namespace WinLayer {

WinViewHook::WinViewHook(WinView& view) : view_(&view) { view.Hooks().Adopt(this); }

WinViewHook::~WinViewHook() {
    if (!view_) return;
    WinViewHookList& hooks = view_->Hooks();
    for (auto p = hooks.begin(); p != hooks.end(); ++p) {
        if (&*p == this) {
            hooks.Detach(p);
            break;
        }
    }
}

int32_t WinTMenuExecution::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    WinView* view = View();
    if (!view) return kNotHandled;
    switch (message) {
        case WM_CREATE:
            if (view->Property().style & WS_SYSMENU) {
                systemMenu_ = GetSystemMenu(view->Window(), FALSE);
                if (systemMenu_) BuildMenu(systemMenu_);
            }
            break;
        case WM_SYSCOMMAND:
            Execute(static_cast<uint32_t>(wParam));
            break;
        case WM_COMMAND:
            // An entry of a submenu of the system menu may arrive as a menu's
            // WM_COMMAND (high word 0, no control) rather than WM_SYSCOMMAND.
            if (HIWORD(wParam) == 0 && lParam == 0 && systemMenu_ &&
                GetMenuState(systemMenu_, LOWORD(wParam), MF_BYCOMMAND) != static_cast<UINT>(-1)) {
                Execute(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_INITMENUPOPUP:
            if (systemMenu_ && reinterpret_cast<HMENU>(wParam) == systemMenu_) UpdateMenu(systemMenu_);
            break;
        default:
            break;
    }
    return kNotHandled;
}

WinPoint PointOf(WPARAM wParam, LPARAM lParam) {
    WinPoint point;
    point.keys = static_cast<uint32_t>(wParam);
    point.x = static_cast<int16_t>(LOWORD(lParam));
    point.y = static_cast<int16_t>(HIWORD(lParam));
    return point;
}

void WinEnterControl::Track(uint32_t flags) {
    WinView* view = View();
    if (!view || !view->HasWindow()) return;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = flags;
    track.hwndTrack = view->Window();
    track.dwHoverTime = hoverTime;
    TrackMouseEvent(&track);
}

int32_t WinEnterControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const WinPoint point = PointOf(wParam, lParam);
    switch (message) {
        case WM_MOUSEMOVE:
            if (!pointerInside) {
                pointerInside = true;
                Track(trackHover ? TME_HOVER | TME_LEAVE : TME_LEAVE);
                OnEnter(point);
            }
            if (hoverActive) hoverActive = OnHoverMove(point);
            break;
        case WM_MOUSEHOVER:
            hoverActive = OnHover(point);
            break;
        case WM_MOUSELEAVE:
            pointerInside = false;
            Track(TME_CANCEL | TME_HOVER | TME_LEAVE);
            OnLeave(point);
            if (hoverActive) hoverActive = OnHoverMove(point);
            break;
        default:
            break;
    }
    return kNotHandled;
}

}  // namespace WinLayer
