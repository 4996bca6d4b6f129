// Scroll offsets of the scrolling controls (list box, plane box) as plain
// arithmetic, the scroll-bar record they show, the scroll state each of them
// keeps, and the double-buffer surface they paint through.
#pragma once

#include <windows.h>

#include <cstdint>

#include "raw/RawGdiHandle.h"

namespace WinLayer {

// An offset into content of the given extent seen through a view: never below
// 0 nor beyond the point where the content's end meets the view's end.
int32_t ClampScroll(int32_t offset, int32_t content, int32_t view);

// The offset after a scroll-bar request (SB_LINEUP ... SB_BOTTOM); a page is
// half the view. track is the thumb position for SB_THUMBTRACK/SB_THUMBPOSITION.
int32_t ScrollForRequest(int32_t request, int32_t offset, int32_t line, int32_t view, int32_t content,
                         int32_t track);

// The offset after a wheel movement: one line for each 120 units, truncated
// towards zero, positive deltas scrolling towards the start.
int32_t WheelScroll(int32_t offset, int32_t line, int32_t delta, int32_t content, int32_t view);

// The offset that shows content from top to bottom, moving as little as
// possible; the top wins when both ends cannot show.
int32_t ScrollToShow(int32_t offset, int32_t top, int32_t bottom, int32_t view);

// The record of a scroll bar for an offset (range, page, position); the bar
// stays visible, disabled, when there is nothing to scroll.
SCROLLINFO ScrollBarInfo(int32_t offset, int32_t content, int32_t view);

// The scroll bars of one window as last set. A bar is set only when its
// record changed, and redrawn with the window's next paint rather than at
// once: drawing a bar can cost more than painting every visible row, and a
// burst of scroll steps between two frames then draws it once.
class WinScrollBars {
public:
    // Sets the bar (SB_VERT or SB_HORZ) of the window from the record above.
    void Set(HWND window, int bar, int32_t offset, int32_t content, int32_t view);

private:
    HWND window_ = nullptr;
    SCROLLINFO last_[2]{};
    bool known_[2]{};
};
// The thumb's track position of the bar; 0 when it cannot be read.
int32_t ScrollTrackPosition(HWND window, int bar);

// Where a scrolling control's view stands in its content: the offsets, the
// content's extent and the step of one line, with the bars that show them.
// Every change clamps the offsets to the content seen through a view of the
// size given.
class WinScrollState {
public:
    SIZE extent{};   // the content
    SIZE line{};     // one step; the height is the wheel's and the arrows' step
    POINT scroll{};  // the content point at the view's top-left corner

    // Both offsets back within the content.
    void Clamp(SIZE view);
    // A scroll-bar request (SB_LINEUP ... SB_BOTTOM) on the window's bar
    // (SB_VERT or SB_HORZ); the thumb's place is read from the bar.
    void ScrollForBar(HWND window, int bar, int32_t request, SIZE view);
    // A wheel movement of delta units on the vertical offset.
    void ScrollForWheel(int32_t delta, SIZE view);
    // The offsets that show a content rectangle, moving as little as possible.
    void ShowContent(const RECT& content, SIZE view);
    // Sets the window's bars its style shows (WS_VSCROLL, WS_HSCROLL; none
    // without a window); true when an offset moved since the last time it
    // said so, which the control then reports.
    bool ShowOnBars(HWND window, uint32_t style, SIZE view);

private:
    POINT reported_{};
    WinScrollBars bars_;
};

// A memory device context with a bitmap of at least the requested size,
// compatible with the target; grows, never shrinks, and is reused by every
// paint so that a frame costs no bitmap creation.
class WinPaintSurface {
public:
    WinPaintSurface() = default;
    WinPaintSurface(const WinPaintSurface&) = delete;
    WinPaintSurface& operator=(const WinPaintSurface&) = delete;
    ~WinPaintSurface() { Release(); }

    // The surface's device context, or null when it cannot be made.
    HDC Prepare(HDC target, SIZE size);
    void Release();

private:
    RawLayer::RawMemoryDc dc_;
    RawLayer::RawBitmapHandle bitmap_;
    HGDIOBJ original_ = nullptr;  // the bitmap the memory context came with
    SIZE size_{};
};

}  // namespace WinLayer
