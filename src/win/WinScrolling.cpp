// Scroll arithmetic, scroll bars and the double-buffer surface.
#include "win/WinScrolling.h"

#include <algorithm>

namespace WinLayer {

int32_t ClampScroll(int32_t offset, int32_t content, int32_t view) {
    return std::clamp(offset, 0, std::max(0, content - view));
}

int32_t ScrollForRequest(int32_t request, int32_t offset, int32_t line, int32_t view, int32_t content,
                         int32_t track) {
    int64_t next = offset;
    switch (request) {
        case SB_LINEUP: next -= line; break;
        case SB_LINEDOWN: next += line; break;
        case SB_PAGEUP: next -= view / 2; break;
        case SB_PAGEDOWN: next += view / 2; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: next = track; break;
        case SB_TOP: next = 0; break;
        case SB_BOTTOM: next = static_cast<int64_t>(content) - view; break;
        default: break;
    }
    next = std::clamp<int64_t>(next, INT32_MIN, INT32_MAX);
    return ClampScroll(static_cast<int32_t>(next), content, view);
}

int32_t WheelScroll(int32_t offset, int32_t line, int32_t delta, int32_t content, int32_t view) {
    // 64 bits: a line height times a large accumulated delta must not wrap.
    const int64_t step = static_cast<int64_t>(line) * delta / WHEEL_DELTA;
    const int64_t next = std::clamp<int64_t>(static_cast<int64_t>(offset) - step, INT32_MIN, INT32_MAX);
    return ClampScroll(static_cast<int32_t>(next), content, view);
}

int32_t ScrollToShow(int32_t offset, int32_t top, int32_t bottom, int32_t view) {
    if (bottom > offset + view) offset = bottom - view;
    if (top < offset) offset = top;
    return offset;
}

SCROLLINFO ScrollBarInfo(int32_t offset, int32_t content, int32_t view) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = std::max(content - 1, offset + view - 1);
    info.nPage = static_cast<UINT>(std::max(view, 0));
    info.nPos = offset;
    return info;
}

void WinScrollBars::Set(HWND window, int bar, int32_t offset, int32_t content, int32_t view) {
    if (!window || (bar != SB_VERT && bar != SB_HORZ)) return;
    if (window != window_) {
        window_ = window;  // a new window knows nothing of the old one's bars
        known_[0] = known_[1] = false;
    }
    const SCROLLINFO info = ScrollBarInfo(offset, content, view);
    const int i = bar == SB_VERT ? 0 : 1;
    const SCROLLINFO& last = last_[i];
    if (known_[i] && last.nMax == info.nMax && last.nPage == info.nPage && last.nPos == info.nPos) return;
    last_[i] = info;
    known_[i] = true;
    SetScrollInfo(window, bar, &info, FALSE);
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

int32_t ScrollTrackPosition(HWND window, int bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;
    return window && GetScrollInfo(window, bar, &info) ? info.nTrackPos : 0;
}

void WinScrollState::Clamp(SIZE view) {
    scroll.x = ClampScroll(scroll.x, extent.cx, view.cx);
    scroll.y = ClampScroll(scroll.y, extent.cy, view.cy);
}

void WinScrollState::ScrollForBar(HWND window, int bar, int32_t request, SIZE view) {
    const bool tracking = request == SB_THUMBTRACK || request == SB_THUMBPOSITION;
    const int32_t track = tracking ? ScrollTrackPosition(window, bar) : 0;
    if (bar == SB_VERT) scroll.y = ScrollForRequest(request, scroll.y, line.cy, view.cy, extent.cy, track);
    else scroll.x = ScrollForRequest(request, scroll.x, line.cx, view.cx, extent.cx, track);
}

void WinScrollState::ScrollForWheel(int32_t delta, SIZE view) {
    scroll.y = WheelScroll(scroll.y, line.cy, delta, extent.cy, view.cy);
}

void WinScrollState::ShowContent(const RECT& content, SIZE view) {
    scroll.x = WinLayer::ScrollToShow(scroll.x, content.left, content.right, view.cx);
    scroll.y = WinLayer::ScrollToShow(scroll.y, content.top, content.bottom, view.cy);
    Clamp(view);
}

bool WinScrollState::ShowOnBars(HWND window, uint32_t style, SIZE view) {
    if (window) {
        if (style & WS_VSCROLL) bars_.Set(window, SB_VERT, scroll.y, extent.cy, view.cy);
        if (style & WS_HSCROLL) bars_.Set(window, SB_HORZ, scroll.x, extent.cx, view.cx);
    }
    if (scroll.x == reported_.x && scroll.y == reported_.y) return false;
    reported_ = scroll;
    return true;
}

HDC WinPaintSurface::Prepare(HDC target, SIZE size) {
    if (size.cx <= 0 || size.cy <= 0) return nullptr;
    if (!dc_) dc_.Reset(CreateCompatibleDC(target));
    if (!dc_) return nullptr;
    if (size.cx > size_.cx || size.cy > size_.cy) {
        const SIZE grown{std::max(size.cx, size_.cx), std::max(size.cy, size_.cy)};
        // Compatible with the target: the memory context alone would give a
        // one-bit bitmap.
        const HBITMAP fresh = CreateCompatibleBitmap(target, grown.cx, grown.cy);
        if (!fresh) return nullptr;
        const HGDIOBJ previous = SelectObject(dc_.Get(), fresh);
        if (!original_) original_ = previous;
        bitmap_.Reset(fresh);  // the old one is no longer selected
        size_ = grown;
    }
    return dc_.Get();
}

void WinPaintSurface::Release() {
    // A bitmap still selected into a context cannot be deleted.
    if (dc_ && original_) SelectObject(dc_.Get(), original_);
    original_ = nullptr;
    bitmap_.Reset();
    dc_.Reset();
    size_ = {};
}

}  // namespace WinLayer
