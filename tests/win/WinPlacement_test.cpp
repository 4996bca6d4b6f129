// Layout arithmetic without windows: placement flags, margins and fitting,
// vertical text alignment and the tracking-size limits.
#include "win/WinPlacement.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "win/WinToolkit.h"
#include "win/WinView.h"

using namespace WinLayer;

namespace {
bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace

TEST(WinPlacement, FlagsMoveEdgesWithTheirReference) {
    const RECT grown{0, 0, 160, 80};  // from {0, 0, 100, 50}: 60 wider, 30 taller
    const RECT odd{0, 0, 101, 51};    // centres 50 and 25 by integer halves
    const RECT moved{20, 10, 120, 60};
    const struct { uint16_t flags; RECT oldRef, newRef, expected; } cases[] = {
        {0x0000, {0, 0, 100, 50}, grown, {10, 10, 40, 20}},
        {0x2111, {0, 0, 100, 50}, grown, {10, 10, 100, 20}},  // follows left and right, keeps top and height
        {0x1111, {0, 0, 100, 50}, grown, {10, 10, 100, 50}},  // follows all four edges
        {0x1112, {0, 0, 100, 50}, grown, {70, 10, 100, 50}},  // keeps its width at the right
        {0x1121, {0, 0, 100, 50}, grown, {10, 10, 40, 50}},   // keeps its width at the left
        {0x0220, {0, 0, 100, 50}, grown, {10, 40, 40, 20}},   // left edge of the record never moves
        {0x4444, odd, grown, {40, 25, 70, 35}},               // every edge with the centres
        {0x1111, {0, 0, 100, 50}, moved, {30, 20, 60, 30}},   // a moved reference moves everything
    };
    for (const auto& c : cases) {
        const RECT r = ApplyPlacement({10, 10, 40, 20}, c.flags, c.oldRef, c.newRef);
        EXPECT_TRUE(Same(r, c.expected)) << std::hex << c.flags << std::dec << ": " << r.left << "," << r.top
                                         << "," << r.right << "," << r.bottom;
    }
}

TEST(WinPlacement, TextTopInItsRectangle) {
    const struct { uint16_t options; int32_t textHeight, expected; } cases[] = {
        {0, 13, 23},  // centred by integer halves
        {kTextTop, 12, 10}, {kTextBottom, 12, 38},
        {kTextBottom, 40, 10},  // no room to move
    };
    for (const auto& c : cases)
        EXPECT_EQ(AlignedTextTop({0, 10, 100, 50}, c.textHeight, c.options), c.expected) << c.options;
}

TEST(WinPlacement, TrackingLimits) {
    const struct { RECT window, client, minimum; POINT minTrack, maxTrack; } cases[] = {
        {{0, 0, 400, 300}, {0, 0, 380, 260}, {0, 0, 200, 100}, {220, 140}, {1280, 1000}},
        {{100, 50, 500, 350}, {0, 0, 380, 260}, {}, {20, 40}, {1280, 1000}},  // down to the frame alone
    };
    for (const auto& c : cases) {
        const WinTrackLimits limits = ComputeTrackLimits(c.window, c.client, c.minimum, {0, 0, 1280, 1000});
        const POINT lo = limits.MinTrack(c.window), hi = limits.MaxTrack(c.window);
        EXPECT_EQ(std::tuple(lo.x, lo.y, hi.x, hi.y), std::tuple(c.minTrack.x, c.minTrack.y, c.maxTrack.x, c.maxTrack.y));
    }
}

// Fitting adds the margins and what the style's frame and scroll bars take to
// the measured text; no window is needed for it.
TEST(WinPlacement, FittingAddsMarginsFrameAndScrollBars) {
    const WinToolkit& toolkit = WinToolkit::Instance();
    RECT border{0, 0, 0, 0};
    AdjustWindowRectEx(&border, WS_BORDER, FALSE, 0);
    const struct { uint32_t style; WinMargins margins; int32_t extraWidth, extraHeight; } cases[] = {
        {0, {2, 3, 4, 5}, 6, 8}, {WS_BORDER, {1, 1, 1, 1}, 2 + Width(border), 2 + Height(border)},
        {WS_VSCROLL | WS_HSCROLL, {}, toolkit.VerticalScrollWidth(), toolkit.HorizontalScrollHeight()},
    };
    for (const auto& c : cases) {
        WinView view;
        view.SetText("Fitted text");
        view.Property().style = c.style;
        view.margins = c.margins;
        view.Fit();
        EXPECT_GT(view.contentWidth, 0);
        EXPECT_EQ(std::pair(view.fittedWidth - view.contentWidth, view.fittedHeight - view.contentHeight),
                  std::pair(c.extraWidth, c.extraHeight)) << c.style;
    }
}
