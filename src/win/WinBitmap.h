// Small images with per-pixel alpha drawn in software: icons converted once
// into 32-bit ARGB frames of one size, scaled by one of three resampling
// functions, and composited by reading the destination back, blending and
// writing it again.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "raw/RawGdiHandle.h"

namespace WinLayer {

// A rectangle of 32-bit ARGB pixels (alpha in the top byte, as a top-down
// 32-bit DIB holds them). Reads clamp to the edges.
struct WinPixelView {
    uint32_t* pixels = nullptr;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;   // exclusive
    int32_t bottom = 0;  // exclusive
    int32_t stride = 0;  // words per row

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    uint32_t At(int32_t x, int32_t y) const;
    uint32_t& Ref(int32_t x, int32_t y) const { return pixels[(top + y) * stride + left + x]; }
};

class WinBitmapAlpha {
public:
    // A pixel source: the value of destination pixel (x, y).
    class Function {
    public:
        virtual ~Function() = default;
        virtual uint32_t Pick(int32_t x, int32_t y) const = 0;
    };

    class FunctionSameSize : public Function {
    public:
        explicit FunctionSameSize(const WinPixelView& source) : source_(source) {}
        uint32_t Pick(int32_t x, int32_t y) const override { return source_.At(x, y); }

    private:
        WinPixelView source_;
    };

    // Enlarging: a 2 x 2 neighbourhood weighted by a smooth step.
    class FunctionBilinear : public Function {
    public:
        FunctionBilinear(double scaleX, double scaleY, const WinPixelView& source)
            : scaleX_(scaleX), scaleY_(scaleY), source_(source) {}
        uint32_t Pick(int32_t x, int32_t y) const override;

    private:
        double scaleX_, scaleY_;  // source size / destination size
        WinPixelView source_;
    };

    // Shrinking: the mean of the source box, each pixel by its coverage.
    class FunctionAreaAverage : public Function {
    public:
        FunctionAreaAverage(double scaleX, double scaleY, const WinPixelView& source)
            : scaleX_(scaleX), scaleY_(scaleY), source_(source) {}
        uint32_t Pick(int32_t x, int32_t y) const override;

    private:
        double scaleX_, scaleY_;
        WinPixelView source_;
    };

    // Four channels, each cut to 0 ... 255 and truncated, into one word.
    static uint32_t Pack(double alpha, double red, double green, double blue);
    // An icon's colour pixels with alpha: as they are when any pixel carries
    // alpha; else opaque where the mask word is 0 and transparent white
    // (0x00FFFFFF) elsewhere.
    static void AlphaFromMask(std::span<uint32_t> colour, std::span<const uint32_t> mask);
};

// Frames of one size in one strip, the buffers that convert icons into
// them, and the surface that composites a frame over a target.
class WinBitmapPool {
public:
    WinBitmapPool(int32_t frameWidth, int32_t frameHeight);
    virtual ~WinBitmapPool();
    WinBitmapPool(const WinBitmapPool&) = delete;
    WinBitmapPool& operator=(const WinBitmapPool&) = delete;

    // Everything freed; sizes and capacities back to 0 (the frame size stays).
    virtual void Release();
    virtual void Reset() { frameCount_ = 0; }
    // The index of the next frame to fill.
    virtual int32_t Next() { return frameCount_++; }

    // Room for n frames, keeping those there are; false when it cannot be had.
    bool EnsureFrames(int32_t n);
    // Conversion buffers of w x h pixels; false for sizes it cannot hold.
    bool EnsureBuffers(int32_t w, int32_t h);
    // Converts an icon of source size w x h into the frame: the frame
    // index, or -1 (the frame untouched) when the icon cannot be read.
    int32_t StoreIcon(int32_t frame, HICON icon, int32_t w, int32_t h);
    // Composites the frame over the target's rectangle.
    void Draw(int32_t frame, HDC target, const RECT& rect);

    // Writes function.Pick(x, y) into every pixel, row by row.
    static void Render(const WinPixelView& view, const WinBitmapAlpha::Function& function);
    // Blends function.Pick(x, y) over every pixel by its alpha; the alpha
    // byte of the result is 0.
    static void Blend(const WinPixelView& view, const WinBitmapAlpha::Function& function);

    WinPixelView Frame(int32_t frame);
    int32_t FrameWidth() const { return frameWidth_; }
    int32_t FrameHeight() const { return frameHeight_; }
    int32_t FrameCapacity() const { return frameCapacity_; }
    int32_t FrameCount() const { return frameCount_; }
    void SetFrameCount(int32_t count) { frameCount_ = count; }

private:
    bool ReadIcon(HICON icon, int32_t w, int32_t h);
    bool EnsureSurface();

    // Drawing surface.
    RawLayer::RawMemoryDc surfaceDc_;
    RawLayer::RawBitmapHandle section_;
    HGDIOBJ replaced_ = nullptr;
    uint32_t* sectionBits_ = nullptr;
    int32_t sectionWidth_ = 0;
    int32_t sectionHeight_ = 0;
    // Frame strip: frame i is rows frameHeight * i ... of the strip.
    std::vector<uint32_t> strip_;
    int32_t frameWidth_;
    int32_t frameHeight_;
    int32_t stride_ = 0;
    int32_t rows_ = 0;
    int32_t frameCapacity_ = 0;
    // Conversion buffers.
    std::vector<uint32_t> colour_;
    std::vector<uint32_t> mask_;
    int64_t bufferCapacity_ = 0;
    int32_t frameCount_ = 0;
};

// Loads icon resources of the module into frames 0, 1, ... of the pool at
// its frame size; an icon that cannot be loaded leaves its frame untouched.
// The number of frames stored.
int32_t LoadIconFrames(WinBitmapPool& pool, HMODULE module, std::span<const uint16_t> iconIds);

}  // namespace WinLayer
