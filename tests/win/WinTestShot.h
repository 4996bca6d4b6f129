// Keeps a picture of a window for a person to look at: the window as the
// screen shows it, written as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "raw/RawGdiHandle.h"

namespace WinTest {

// The window's pixels as the screen shows them: 24-bit rows, bottom row first.
struct WindowPixels {
    RECT rect{};
    int stride = 0;
    std::vector<char> bytes;
    // 0x00RRGGBB at a point of the window (window coordinates, top left 0, 0).
    uint32_t At(int x, int y) const {
        const size_t at = static_cast<size_t>(rect.bottom - rect.top - 1 - y) * stride + static_cast<size_t>(x) * 3;
        return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
               static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16;
    }
};

// The header of a 24-bit picture of that size, bottom row first.
inline BITMAPINFOHEADER PictureHeader(int w, int h) {
    return {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
}

inline bool ReadWindowPixels(HWND window, WindowPixels* out) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    RawLayer::RawWindowDc screen(nullptr);
    RawLayer::RawMemoryDc memory(CreateCompatibleDC(screen.Dc()));
    RawLayer::RawBitmapHandle bitmap(CreateCompatibleBitmap(screen.Dc(), w, h));
    if (!memory || !bitmap) return false;
    BITMAPINFOHEADER info = PictureHeader(w, h);
    out->rect = r;
    out->stride = (w * 3 + 3) & ~3;
    out->bytes.assign(static_cast<size_t>(out->stride) * h, 0);
    {
        RawLayer::RawSelectObject select(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, w, h, screen.Dc(), r.left, r.top, SRCCOPY);
    }
    return GetDIBits(memory.Get(), bitmap.Get(), 0, h, out->bytes.data(), reinterpret_cast<BITMAPINFO*>(&info),
                     DIB_RGB_COLORS) == h;
}

inline bool SaveWindowShot(HWND window, const std::wstring& path) {
    WindowPixels pixels;
    if (!ReadWindowPixels(window, &pixels)) return false;
    const BITMAPINFOHEADER info =
        PictureHeader(pixels.rect.right - pixels.rect.left, pixels.rect.bottom - pixels.rect.top);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.bytes.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(pixels.bytes.data(), pixels.bytes.size());
    return TestSupport::WriteFileBytes(path, bytes);
}

}  // namespace WinTest
