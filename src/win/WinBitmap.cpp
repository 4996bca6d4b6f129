// Resampling functions, blending, icon conversion and the frame pools.
#include "win/WinBitmap.h"

#include <algorithm>
#include <cmath>
#include <limits>


namespace WinLayer {

using namespace RawLayer;

namespace {

struct Channels {
    double alpha = 0, red = 0, green = 0, blue = 0;
    void Add(double weight, uint32_t pixel) {
        alpha += weight * static_cast<double>(pixel >> 24);
        red += weight * static_cast<double>((pixel >> 16) & 0xFF);
        green += weight * static_cast<double>((pixel >> 8) & 0xFF);
        blue += weight * static_cast<double>(pixel & 0xFF);
    }
};

// The smooth step 2d^3 - 3d^2 + 1 on 0 ... 1.
double SmoothWeight(double d) { return d <= 1.0 ? (2.0 * d - 3.0) * d * d + 1.0 : 0.0; }

uint32_t Channel(double value) {
    if (value <= 0) return 0;
    if (value >= 255) return 255;
    return static_cast<uint32_t>(value);
}

BITMAPINFO TopDownInfo(int32_t width, int32_t height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

uint32_t WinPixelView::At(int32_t x, int32_t y) const {
    if (Width() <= 0 || Height() <= 0) return 0;
    return Ref(std::clamp(x, 0, Width() - 1), std::clamp(y, 0, Height() - 1));
}

// ---------------------------------------------------------------- functions

uint32_t WinBitmapAlpha::Pack(double alpha, double red, double green, double blue) {
    return Channel(alpha) << 24 | Channel(red) << 16 | Channel(green) << 8 | Channel(blue);
}

uint32_t WinBitmapAlpha::FunctionBilinear::Pick(int32_t x, int32_t y) const {
    const double sx = (x + 0.5) * scaleX_ - 0.5, sy = (y + 0.5) * scaleY_ - 0.5;
    // Rounded down, not towards zero: on the first row and column sx and sy
    // lie below 0, and truncating would drop the neighbour before them. The
    // weights of the four neighbours then add up to less than 1 and the
    // image's outer pixels lose colour and opacity.
    const auto col0 = static_cast<int32_t>(std::floor(sx)), row0 = static_cast<int32_t>(std::floor(sy));
    Channels sum;
    for (int32_t row = row0; row <= row0 + 1; ++row) {
        for (int32_t col = col0; col <= col0 + 1; ++col) {
            const double weight = SmoothWeight(std::fabs(sy - row)) * SmoothWeight(std::fabs(sx - col));
            if (weight != 0.0) sum.Add(weight, source_.At(col, row));
        }
    }
    return Pack(sum.alpha, sum.red, sum.green, sum.blue);
}

uint32_t WinBitmapAlpha::FunctionAreaAverage::Pick(int32_t x, int32_t y) const {
    const double x0 = x * scaleX_, x1 = x0 + scaleX_, y0 = y * scaleY_, y1 = y0 + scaleY_;
    Channels sum;
    for (auto row = static_cast<int32_t>(y0); row <= static_cast<int32_t>(y1); ++row) {
        const double wy = 1.0 - std::max(0.0, y0 - row) - std::max(0.0, (row + 1) - y1);
        if (wy <= 0.0) continue;
        for (auto col = static_cast<int32_t>(x0); col <= static_cast<int32_t>(x1); ++col) {
            const double wx = 1.0 - std::max(0.0, x0 - col) - std::max(0.0, (col + 1) - x1);
            if (wx > 0.0) sum.Add(wx * wy, source_.At(col, row));
        }
    }
    const double area = scaleX_ * scaleY_;
    return Pack(sum.alpha / area, sum.red / area, sum.green / area, sum.blue / area);
}

void WinBitmapAlpha::AlphaFromMask(std::span<uint32_t> colour, std::span<const uint32_t> mask) {
    if (std::any_of(colour.begin(), colour.end(), [](uint32_t pixel) { return pixel > 0x00FFFFFFu; })) return;
    const size_t count = std::min(colour.size(), mask.size());
    for (size_t i = 0; i < count; ++i) colour[i] = mask[i] == 0 ? (colour[i] | 0xFF000000u) : 0x00FFFFFFu;
}

// ---------------------------------------------------------------- pool

WinBitmapPool::WinBitmapPool(int32_t frameWidth, int32_t frameHeight)
    : frameWidth_(std::max(frameWidth, 0)), frameHeight_(std::max(frameHeight, 0)) {}

WinBitmapPool::~WinBitmapPool() { Release(); }

void WinBitmapPool::Release() {
    if (surfaceDc_ && replaced_) SelectObject(surfaceDc_.Get(), replaced_);
    replaced_ = nullptr;
    section_.Reset();
    surfaceDc_.Reset();
    sectionBits_ = nullptr;
    sectionWidth_ = sectionHeight_ = 0;
    std::vector<uint32_t>().swap(strip_);
    stride_ = rows_ = frameCapacity_ = 0;
    std::vector<uint32_t>().swap(colour_);
    std::vector<uint32_t>().swap(mask_);
    bufferCapacity_ = 0;
    frameCount_ = 0;
}

bool WinBitmapPool::EnsureFrames(int32_t n) {
    if (n <= frameCapacity_) return true;
    const int64_t words = static_cast<int64_t>(frameWidth_) * frameHeight_ * n;
    if (words * 4 > std::numeric_limits<uint32_t>::max()) return false;
    strip_.resize(static_cast<size_t>(words));  // the frames there are stay
    stride_ = frameWidth_;
    rows_ = frameHeight_ * n;
    frameCapacity_ = n;
    return true;
}

bool WinBitmapPool::EnsureBuffers(int32_t w, int32_t h) {
    if (w <= 0 || h <= 0) return false;
    const int64_t pixels = static_cast<int64_t>(w) * h;
    // Byte sizes beyond 32 bits are not icons.
    if (pixels * 4 > std::numeric_limits<uint32_t>::max()) return false;
    if (pixels <= bufferCapacity_) return true;
    colour_.assign(static_cast<size_t>(pixels), 0);
    mask_.assign(static_cast<size_t>(pixels), 0);
    bufferCapacity_ = pixels;
    return true;
}

WinPixelView WinBitmapPool::Frame(int32_t frame) {
    if (frame < 0 || frame >= frameCapacity_ || strip_.empty()) return {};
    return {strip_.data(), 0, frameHeight_ * frame, frameWidth_, frameHeight_ * frame + frameHeight_, stride_};
}

bool WinBitmapPool::ReadIcon(HICON icon, int32_t w, int32_t h) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return false;
    // GetIconInfo hands over copies of both bitmaps.
    const RawBitmapHandle colour(info.hbmColor), mask(info.hbmMask);
    if (!colour || !mask) return false;
    const RawWindowDc screen(nullptr);
    BITMAPINFO colourInfo = TopDownInfo(w, h), maskInfo = TopDownInfo(w, h);
    const auto lines = static_cast<UINT>(h);
    return GetDIBits(screen.Dc(), colour.Get(), 0, lines, colour_.data(), &colourInfo, DIB_RGB_COLORS) ==
               static_cast<int>(lines) &&
           GetDIBits(screen.Dc(), mask.Get(), 0, lines, mask_.data(), &maskInfo, DIB_RGB_COLORS) ==
               static_cast<int>(lines);
}

int32_t WinBitmapPool::StoreIcon(int32_t frame, HICON icon, int32_t w, int32_t h) {
    if (frame < 0 || frame >= frameCapacity_ || !icon || !EnsureBuffers(w, h)) return -1;
    if (!ReadIcon(icon, w, h)) return -1;
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    WinBitmapAlpha::AlphaFromMask({colour_.data(), count}, {mask_.data(), count});
    const WinPixelView source{colour_.data(), 0, 0, w, h, w};
    const WinPixelView target = Frame(frame);
    const double scaleX = static_cast<double>(w) / frameWidth_, scaleY = static_cast<double>(h) / frameHeight_;
    if (frameWidth_ == w && frameHeight_ == h)
        Render(target, WinBitmapAlpha::FunctionSameSize(source));
    else if (frameWidth_ >= w && frameHeight_ >= h)
        Render(target, WinBitmapAlpha::FunctionBilinear(scaleX, scaleY, source));
    else
        Render(target, WinBitmapAlpha::FunctionAreaAverage(scaleX, scaleY, source));
    return frame;
}

void WinBitmapPool::Render(const WinPixelView& view, const WinBitmapAlpha::Function& function) {
    for (int32_t y = 0; y < view.Height(); ++y)
        for (int32_t x = 0; x < view.Width(); ++x) view.Ref(x, y) = function.Pick(x, y);
}

void WinBitmapPool::Blend(const WinPixelView& view, const WinBitmapAlpha::Function& function) {
    for (int32_t y = 0; y < view.Height(); ++y) {
        for (int32_t x = 0; x < view.Width(); ++x) {
            const uint32_t source = function.Pick(x, y), alpha = source >> 24;
            uint32_t& pixel = view.Ref(x, y);
            uint32_t blended = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const uint32_t d = (pixel >> shift) & 0xFF, s = (source >> shift) & 0xFF;
                blended |= ((d * (255 - alpha) + s * alpha) / 255) << shift;
            }
            pixel = blended;
        }
    }
}

bool WinBitmapPool::EnsureSurface() {
    if (section_ && sectionWidth_ >= frameWidth_ && sectionHeight_ >= frameHeight_) return true;
    if (!surfaceDc_) surfaceDc_.Reset(CreateCompatibleDC(nullptr));
    if (!surfaceDc_) return false;
    const int32_t height = std::max(sectionHeight_, frameHeight_);
    const BITMAPINFO info = TopDownInfo(frameWidth_, height);
    void* bits = nullptr;
    const HBITMAP fresh = CreateDIBSection(surfaceDc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!fresh) return false;
    const HGDIOBJ previous = SelectObject(surfaceDc_.Get(), fresh);
    if (!replaced_) replaced_ = previous;
    section_.Reset(fresh);
    sectionBits_ = static_cast<uint32_t*>(bits);
    sectionWidth_ = frameWidth_;
    sectionHeight_ = height;
    return true;
}

void WinBitmapPool::Draw(int32_t frame, HDC target, const RECT& rect) {
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (frame < 0 || frame >= frameCapacity_ || width <= 0 || height <= 0 || frameWidth_ <= 0 || frameHeight_ <= 0)
        return;
    if (!target || !EnsureSurface()) return;
    const HDC surface = surfaceDc_.Get();
    SetStretchBltMode(surface, HALFTONE);
    StretchBlt(surface, 0, 0, frameWidth_, frameHeight_, target, rect.left, rect.top, width, height, SRCCOPY);
    GdiFlush();
    Blend({sectionBits_, 0, 0, frameWidth_, frameHeight_, sectionWidth_},
          WinBitmapAlpha::FunctionSameSize(Frame(frame)));
    GdiFlush();
    const int previousMode = SetStretchBltMode(target, HALFTONE);
    StretchBlt(target, rect.left, rect.top, width, height, surface, 0, 0, frameWidth_, frameHeight_, SRCCOPY);
    GdiFlush();
    if (previousMode) SetStretchBltMode(target, previousMode);
}

// ---------------------------------------------------------------- icon frames

int32_t LoadIconFrames(WinBitmapPool& pool, HMODULE module, std::span<const uint16_t> iconIds) {
    const auto count = static_cast<int32_t>(iconIds.size());
    if (!pool.EnsureFrames(count)) return 0;
    pool.EnsureBuffers(pool.FrameWidth(), pool.FrameHeight());
    int32_t stored = 0;
    for (int32_t i = 0; i < count; ++i) {
        const RawIconHandle icon(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconIds[i]), IMAGE_ICON,
                                                               pool.FrameWidth(), pool.FrameHeight(), 0)));
        ICONINFO info{};
        if (!icon || !GetIconInfo(icon.Get(), &info)) continue;
        const RawBitmapHandle colour(info.hbmColor), mask(info.hbmMask);
        // The loader may give another size than asked for; the icon's own
        // bitmap tells (a monochrome icon keeps both halves in its mask).
        BITMAP bitmap{};
        if (!GetObjectW(colour ? colour.Get() : mask.Get(), sizeof(bitmap), &bitmap)) continue;
        const int32_t height = colour ? bitmap.bmHeight : bitmap.bmHeight / 2;
        if (pool.StoreIcon(i, icon.Get(), bitmap.bmWidth, height) >= 0) ++stored;
    }
    pool.SetFrameCount(std::max(pool.FrameCount(), count));
    return stored;
}

}  // namespace WinLayer
