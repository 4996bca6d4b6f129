// The plane duties the edit box needs, apart from it: an owner-drawn "BUTTON"
// child with a focus flag, scroll offsets and double-buffered painting.
#pragma once

#include <windows.h>

#include <cstdint>

#include "raw/RawGdiHandle.h"
#include "win/WinView.h"

namespace WinLayer {

class WinEditPlane : public WinView {
public:
    WinEditPlane();

    // WM_SETFOCUS / WM_KILLFOCUS (the latter notifies 0x1005), WM_DRAWITEM
    // through a memory bitmap, WM_ERASEBKGND.
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool HasFocus() const { return focused_; }
    int32_t scrollX = 0;
    int32_t scrollY = 0;

protected:
    // Paints the whole client area into a memory device context.
    virtual void PaintPlane(HDC dc, const RECT& client) = 0;

private:
    int32_t OnDrawItem(const DRAWITEMSTRUCT& item);

    bool focused_ = false;
    RawLayer::RawMemoryDc memoryDc_;
    RawLayer::RawBitmapHandle bitmap_;
    SIZE bitmapSize_{};
};

}  // namespace WinLayer
