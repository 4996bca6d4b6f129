// Keeps a picture of a window for a person to look at: the window as the
// screen shows it, written as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "raw/RawGdiHandle.h"

namespace WinTest {

inline bool SaveWindowShot(HWND window, const std::wstring& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    RawLayer::RawWindowDc screen(nullptr);
    RawLayer::RawMemoryDc memory(CreateCompatibleDC(screen.Dc()));
    RawLayer::RawBitmapHandle bitmap(CreateCompatibleBitmap(screen.Dc(), w, h));
    if (!memory || !bitmap) return false;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    const int stride = (w * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<size_t>(stride) * h);
    {
        RawLayer::RawSelectObject select(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, w, h, screen.Dc(), r.left, r.top, SRCCOPY);
    }
    GetDIBits(memory.Get(), bitmap.Get(), 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(pixels.data(), pixels.size());
    return TestSupport::WriteFileBytes(path, bytes);
}

}  // namespace WinTest
