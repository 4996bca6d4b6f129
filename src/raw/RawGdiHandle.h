// Owners of GDI objects, device contexts and menus for the window layers, and
// the scopes that put a device context's state back: the only places where
// they are deleted, released or restored.
#pragma once

#include <windows.h>

#include <utility>

#include "raw/RawHandle.h"

namespace RawLayer {

namespace RawGdiDetail {
template <class H>
H Null() {
    return nullptr;
}
template <class H>
bool DeleteGdiObject(H object) {
    return DeleteObject(object) != 0;
}
inline bool DeleteMemoryDc(HDC dc) { return DeleteDC(dc) != 0; }
inline bool DestroyMenuHandle(HMENU menu) { return DestroyMenu(menu) != 0; }
inline bool DestroyIconHandle(HICON icon) { return DestroyIcon(icon) != 0; }
}  // namespace RawGdiDetail

using RawFontHandle = RawUniqueHandle<HFONT, RawGdiDetail::Null<HFONT>, RawGdiDetail::DeleteGdiObject<HFONT>>;
using RawBrushHandle = RawUniqueHandle<HBRUSH, RawGdiDetail::Null<HBRUSH>, RawGdiDetail::DeleteGdiObject<HBRUSH>>;
using RawPenHandle = RawUniqueHandle<HPEN, RawGdiDetail::Null<HPEN>, RawGdiDetail::DeleteGdiObject<HPEN>>;
using RawBitmapHandle = RawUniqueHandle<HBITMAP, RawGdiDetail::Null<HBITMAP>, RawGdiDetail::DeleteGdiObject<HBITMAP>>;
// CreateCompatibleDC results.
using RawMemoryDc = RawUniqueHandle<HDC, RawGdiDetail::Null<HDC>, RawGdiDetail::DeleteMemoryDc>;
// CreatePopupMenu / CreateMenu results that no window owns.
using RawMenuHandle = RawUniqueHandle<HMENU, RawGdiDetail::Null<HMENU>, RawGdiDetail::DestroyMenuHandle>;
// Icons made or loaded without LR_SHARED.
using RawIconHandle = RawUniqueHandle<HICON, RawGdiDetail::Null<HICON>, RawGdiDetail::DestroyIconHandle>;

// BeginPaint to EndPaint, for one WM_PAINT.
class RawPaintScope {
public:
    explicit RawPaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    RawPaintScope(const RawPaintScope&) = delete;
    RawPaintScope& operator=(const RawPaintScope&) = delete;
    ~RawPaintScope() {
        if (dc_) EndPaint(window_, &paint_);
    }
    HDC Dc() const { return dc_; }
    const PAINTSTRUCT& Paint() const { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// GetDC to ReleaseDC; a null window gives the screen's device context.
class RawWindowDc {
public:
    explicit RawWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    RawWindowDc(const RawWindowDc&) = delete;
    RawWindowDc& operator=(const RawWindowDc&) = delete;
    ~RawWindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC Dc() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and puts back what it replaced.
class RawSelectObject {
public:
    RawSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    RawSelectObject(const RawSelectObject&) = delete;
    RawSelectObject& operator=(const RawSelectObject&) = delete;
    ~RawSelectObject() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Text colour and a transparent background for one scope; both put back.
class RawTextColourScope {
public:
    RawTextColourScope(HDC dc, COLORREF colour)
        : dc_(dc), colour_(SetTextColor(dc, colour)), mode_(SetBkMode(dc, TRANSPARENT)) {}
    RawTextColourScope(const RawTextColourScope&) = delete;
    RawTextColourScope& operator=(const RawTextColourScope&) = delete;
    ~RawTextColourScope() {
        SetTextColor(dc_, colour_);
        SetBkMode(dc_, mode_);
    }

private:
    HDC dc_;
    COLORREF colour_;
    int mode_;
};

// SaveDC to RestoreDC: whatever the scope changes (clipping, colours, modes,
// selected objects) goes back with it.
class RawSavedDc {
public:
    explicit RawSavedDc(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    RawSavedDc(const RawSavedDc&) = delete;
    RawSavedDc& operator=(const RawSavedDc&) = delete;
    ~RawSavedDc() {
        if (saved_) RestoreDC(dc_, saved_);
    }

private:
    HDC dc_;
    int saved_;
};

}  // namespace RawLayer
