// Bitmaps: the resampling functions and blending against hand-computed
// pixels, icons converted into frames, and the path box's icons from the
// program's own resources.
#include "win/WinBitmap.h"

#include <gtest/gtest.h>

#include <vector>

#include "../../res/resource.h"
#include "TestSupport.h"

using namespace WinLayer;

namespace {

using Pixels = std::vector<uint32_t>;

WinPixelView View(Pixels& pixels, int32_t width, int32_t height) {
    return {pixels.data(), 0, 0, width, height, width};
}

// An icon from 32-bit colour pixels (row by row) and a mask of 0/1 per pixel.
RawLayer::RawIconHandle MakeIcon(int32_t width, int32_t height, const Pixels& colour, const std::vector<int>& mask) {
    const int32_t maskStride = (width + 15) / 16 * 2;  // monochrome rows are word-aligned
    std::vector<uint8_t> maskBits(static_cast<size_t>(maskStride * height), 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (mask.empty() ? false : mask[static_cast<size_t>(y * width + x)])
                maskBits[static_cast<size_t>(y * maskStride + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    const RawLayer::RawBitmapHandle colourBitmap(CreateBitmap(width, height, 1, 32, colour.data()));
    const RawLayer::RawBitmapHandle maskBitmap(CreateBitmap(width, height, 1, 1, maskBits.data()));
    ICONINFO info{TRUE, 0, 0, maskBitmap.Get(), colourBitmap.Get()};
    return RawLayer::RawIconHandle(CreateIconIndirect(&info));
}

}  // namespace

TEST(WinBitmap, ResamplingFunctionsGiveHandComputedPixels) {
    // Opaque sources whose blue channel carries the values.
    Pixels three{0, 90, 99, 180, 45, 30, 99, 15, 0};
    Pixels two{0, 128, 64, 255};
    for (uint32_t& p : three) p |= 0xFF000000u;
    for (uint32_t& p : two) p |= 0xFF000000u;
    const WinBitmapAlpha::FunctionAreaAverage area(1.5, 1.5, View(three, 3, 3));
    const WinBitmapAlpha::FunctionBilinear bilinear(0.5, 0.5, View(two, 2, 2));
    const WinBitmapAlpha::FunctionSameSize same(View(two, 2, 2));
    const struct {
        const WinBitmapAlpha::Function* function;
        int32_t x, y;
        uint32_t expected;
    } cases[] = {
        // Scale 1.5: pixel (0, 0) covers columns and rows 0 (1) and 1 (0.5),
        // (0 + 0.5 * 90 + 0.5 * 180 + 0.25 * 45) / 2.25 = 65.
        {&area, 0, 0, 0xFF000041},
        {&area, 1, 1, 0xFF00000F},  // (0.25 * 45 + 0.5 * 30 + 0.5 * 15 + 0) / 2.25 = 15
        // Twice the size: the corner is the corner pixel itself, at full opacity.
        {&bilinear, 0, 0, 0xFF000000},
        {&bilinear, 1, 0, 0xFF000014},  // 0.84375 * 0 + 0.15625 * 128 = 20
        {&bilinear, 1, 1, 0xFF00001F},  // weights 0.7119, 0.1318, 0.1318, 0.0244: 31.5
        {&same, 1, 0, 0xFF000080},
        {&same, -4, 7, 0xFF000040},  // reads clamp to the edges
    };
    for (const auto& c : cases) EXPECT_EQ(c.function->Pick(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST(WinBitmap, BlendByAlpha) {
    const struct {
        uint32_t destination, source, expected;
    } cases[] = {
        {0x00102030, 0x00A0B0C0, 0x00102030},  // alpha 0 leaves the background
        {0xFF102030, 0xFFA0B0C0, 0x00A0B0C0},  // alpha 255 replaces it; the alpha byte becomes 0
        {0x00102030, 0x80A0B0C0, 0x00586878},  // (d * 127 + s * 128) / 255 per channel
    };
    for (const auto& c : cases) {
        Pixels destination{c.destination}, source{c.source};
        WinBitmapPool::Blend(View(destination, 1, 1), WinBitmapAlpha::FunctionSameSize(View(source, 1, 1)));
        EXPECT_EQ(destination[0], c.expected) << std::hex << c.source;
    }
}

TEST(WinBitmap, StoreIconPicksTheFunctionBySize) {
    // Column c has blue 5c: the frame's pixel 5 of row 0 tells the function.
    const struct {
        int32_t size;
        uint32_t blue;
    } cases[] = {
        {32, 25},  // copied pixel for pixel
        {16, 10},  // enlarged: 0.84375 * 10 + 0.15625 * 15 = 10.78
        {48, 38},  // shrunk: (0.5 * 35 + 40) * 1.5 / 2.25 = 38.3
    };
    WinBitmapPool pool(32, 32);
    ASSERT_TRUE(pool.EnsureFrames(3));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const int32_t n = cases[i].size;
        Pixels colour(static_cast<size_t>(n * n));
        for (int32_t p = 0; p < n * n; ++p) colour[static_cast<size_t>(p)] = 0xFF000000u | static_cast<uint32_t>(5 * (p % n));
        const auto icon = MakeIcon(n, n, colour, {});
        ASSERT_TRUE(icon);
        const auto frame = static_cast<int32_t>(i);
        ASSERT_EQ(pool.StoreIcon(frame, icon.Get(), n, n), frame) << n;
        EXPECT_EQ(pool.Frame(frame).At(5, 0), 0xFF000000u | cases[i].blue) << n;
    }
}

TEST(WinBitmap, IconWithoutAlphaTakesItsMask) {
    WinBitmapPool pool(2, 2);
    ASSERT_TRUE(pool.EnsureFrames(1));
    const auto icon = MakeIcon(2, 2, {0x112233, 0x445566, 0x778899, 0xAABBCC}, {0, 1, 1, 0});
    ASSERT_TRUE(icon);
    ASSERT_EQ(pool.StoreIcon(0, icon.Get(), 2, 2), 0);
    const WinPixelView frame = pool.Frame(0);
    EXPECT_EQ(frame.At(0, 0), 0xFF112233u);
    EXPECT_EQ(frame.At(1, 0), 0x00FFFFFFu);
    EXPECT_EQ(frame.At(0, 1), 0x00FFFFFFu);
    EXPECT_EQ(frame.At(1, 1), 0xFFAABBCCu);
    // Pixels that carry an alpha of their own keep it; the mask is for those without.
    Pixels kept{0x80112233, 0x00445566};
    WinBitmapAlpha::AlphaFromMask(kept, Pixels{0, 0x00FFFFFF});
    EXPECT_EQ(kept, (Pixels{0x80112233, 0x00445566}));
}

TEST(WinBitmap, BadIconsAndSizesLeaveFramesAlone) {
    WinBitmapPool pool(4, 4);
    ASSERT_TRUE(pool.EnsureFrames(1));
    pool.Frame(0).Ref(1, 1) = 0x12345678;
    const auto icon = MakeIcon(4, 4, Pixels(16, 0xFF0000FF), {});
    EXPECT_EQ(pool.StoreIcon(0, nullptr, 4, 4), -1);
    EXPECT_EQ(pool.StoreIcon(0, reinterpret_cast<HICON>(static_cast<intptr_t>(0x5A5A)), 4, 4), -1);
    EXPECT_EQ(pool.StoreIcon(0, icon.Get(), 0, 4), -1);
    EXPECT_EQ(pool.StoreIcon(0, icon.Get(), 4, -4), -1);
    EXPECT_EQ(pool.StoreIcon(1, icon.Get(), 4, 4), -1);  // no such frame
    EXPECT_EQ(pool.Frame(0).At(1, 1), 0x12345678u);
    EXPECT_FALSE(pool.EnsureBuffers(70000, 70000));
    const HDC screen = GetDC(nullptr);
    pool.Draw(0, screen, {10, 10, 10, 40});
    pool.Draw(5, screen, {0, 0, 8, 8});
    ReleaseDC(nullptr, screen);
    WinBitmapPool empty(0, 0);
    EXPECT_TRUE(empty.EnsureFrames(2));
    EXPECT_EQ(empty.StoreIcon(0, icon.Get(), 4, 4), 0);  // nothing to fill, nothing harmed
}

TEST(WinBitmap, PathBoxFramesFromTheProgramsIcons) {
    const HMODULE program = LoadLibraryExW(TestSupport::ProgramPath().c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr);
    WinBitmapPool pool(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    static constexpr uint16_t kIds[] = {IDI_DRIVE,          IDI_DRIVE,     IDI_NETWORK, IDI_FOLDER_EXISTING,
                                        IDI_FOLDER_MISSING, IDI_SUBFOLDER, IDI_FILE,    IDI_SHORTCUT};
    EXPECT_EQ(LoadIconFrames(pool, program, kIds), 8);
    EXPECT_EQ(pool.FrameCount(), 8);
    const auto opaque = [&](int32_t frame) {
        const WinPixelView view = pool.Frame(frame);
        int32_t count = 0;
        for (int32_t y = 0; y < view.Height(); ++y)
            for (int32_t x = 0; x < view.Width(); ++x) count += (view.At(x, y) >> 24) == 0xFF;
        return count;
    };
    for (int32_t frame = 0; frame < 8; ++frame) EXPECT_GT(opaque(frame), 0) << frame;
    EXPECT_EQ(opaque(0), opaque(1));  // the same icon twice
    FreeLibrary(program);
}
