// Popup menus: one shared menu handle filled in groups, shown for a view,
// the chosen command posted back to the view as message 0x8003.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "raw/RawGdiHandle.h"
#include "raw/RawString.h"

namespace WinLayer {

class WinView;

// Copies share the menu; it is destroyed with the last copy.
class WinPopupMenu {
public:
    WinPopupMenu();

    HMENU Handle() const { return body_->menu.Get(); }
    bool IsOpen() const { return body_->open; }

    // Starts a new group: a separator goes before its first item when the
    // group before it added anything.
    void BeginGroup();
    // Appends an item at the end; flags are MF_* values (checked, grayed, ...).
    bool AppendItem(uint32_t command, const RawLayer::RawString& text, uint32_t flags = 0);
    // An item the view measures and paints itself; its item data is the command.
    bool AppendOwnerDrawn(uint32_t command, uint32_t flags = 0);

    // Shows the menu at a client point of the view; a chosen command is posted
    // to the view as 0x8003 (command, tag). True when one was chosen.
    bool Show(WinView& view, POINT clientPoint, uint32_t tag);

private:
    struct Body {
        RawLayer::RawMenuHandle menu;
        bool open = false;
        bool separatorPending = false;
        bool groupHasItems = false;
    };
    bool BeforeAppend();
    std::shared_ptr<Body> body_;
};

}  // namespace WinLayer
