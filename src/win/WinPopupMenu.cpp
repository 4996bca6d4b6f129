// Popup menus shared between their holders.
#include "win/WinPopupMenu.h"

#include "win/WinView.h"

namespace WinLayer {

WinPopupMenu::WinPopupMenu() : body_(std::make_shared<Body>()) { body_->menu.Reset(CreatePopupMenu()); }

void WinPopupMenu::BeginGroup() {
    if (body_->groupHasItems) body_->separatorPending = true;
    body_->groupHasItems = false;
}

bool WinPopupMenu::BeforeAppend() {
    if (!Handle()) return false;
    if (body_->separatorPending) {
        AppendMenuW(Handle(), MF_SEPARATOR, 0, nullptr);
        body_->separatorPending = false;
    }
    body_->groupHasItems = true;
    return true;
}

bool WinPopupMenu::AppendItem(uint32_t command, const RawLayer::RawString& text, uint32_t flags) {
    if (!BeforeAppend()) return false;
    return AppendMenuW(Handle(), MF_STRING | flags, command, text.ToWide().c_str()) != 0;
}

bool WinPopupMenu::AppendOwnerDrawn(uint32_t command, uint32_t flags) {
    if (!BeforeAppend()) return false;
    return AppendMenuW(Handle(), MF_OWNERDRAW | flags, command, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(command))) != 0;
}

bool WinPopupMenu::Show(WinView& view, POINT clientPoint, uint32_t tag) {
    const HWND window = view.Window();
    if (!window || !Handle()) return false;
    ClientToScreen(window, &clientPoint);
    body_->open = true;
    const UINT command = static_cast<UINT>(
        TrackPopupMenuEx(Handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON, clientPoint.x, clientPoint.y, window, nullptr));
    body_->open = false;
    if (command == 0) return false;
    PostMessageW(window, kMsgMenuCommand, command, tag);
    return true;
}

}  // namespace WinLayer
