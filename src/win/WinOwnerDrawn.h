// The base of the toolkit's owner-drawn controls: a subclassed child of the
// system "BUTTON" or "STATIC" class whose face the view paints when the parent
// forwards WM_DRAWITEM. The one place where the cases every such control
// shares in its window procedure live.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win/WinView.h"

namespace WinLayer {

class WinOwnerDrawn : public WinView {
public:
    // The system class underneath: a button takes the focus, keys and clicks;
    // a static takes no input.
    enum Base { kButton, kStatic };

    explicit WinOwnerDrawn(Base base = kButton);

    // Focus, background erasing and owner-draw requests, then WinView's.
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Paints the whole face into the item's rectangle.
    virtual void Paint(const DRAWITEMSTRUCT& item) = 0;

    // Repainted with the next WM_PAINT, without erasing: the face covers
    // every pixel.
    void Invalidate();
    bool HasFocus() const { return focused_; }

protected:
    // WM_COMMAND with the code to the control's own window, from where it
    // reaches the parent's OnChildCommand: posted, or sent at once.
    void PostCommand(uint16_t code);
    void Notify(uint16_t code);

private:
    bool focused_ = false;
};

}  // namespace WinLayer
