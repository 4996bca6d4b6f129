// Layout arithmetic without windows, so that it is tested directly.
#include "win/WinPlacement.h"

#include <algorithm>

namespace WinLayer {

namespace {

// The movement of the reference's near edge, far edge or centre (integer halves).
struct EdgeMoves {
    int32_t nearEdge;
    int32_t farEdge;
    int32_t centre;
};

EdgeMoves Moves(int32_t oldNear, int32_t oldFar, int32_t newNear, int32_t newFar) {
    return {newNear - oldNear, newFar - oldFar, (newNear + newFar) / 2 - (oldNear + oldFar) / 2};
}

// One edge: the first of its three flags that is set decides.
int32_t Follow(uint16_t flags, uint16_t withNear, uint16_t withFar, uint16_t withCentre, const EdgeMoves& m) {
    if (flags & withNear) return m.nearEdge;
    if (flags & withFar) return m.farEdge;
    if (flags & withCentre) return m.centre;
    return 0;
}

}  // namespace

RECT ApplyPlacement(const RECT& placed, uint16_t flags, const RECT& oldReference, const RECT& newReference) {
    const EdgeMoves h = Moves(oldReference.left, oldReference.right, newReference.left, newReference.right);
    const EdgeMoves v = Moves(oldReference.top, oldReference.bottom, newReference.top, newReference.bottom);
    RECT r = placed;
    r.left += Follow(flags, kLeftWithLeft, kLeftWithRight, kLeftWithCentre, h);
    r.right += Follow(flags, kRightWithLeft, kRightWithRight, kRightWithCentre, h);
    r.top += Follow(flags, kTopWithTop, kTopWithBottom, kTopWithMiddle, v);
    r.bottom += Follow(flags, kBottomWithTop, kBottomWithBottom, kBottomWithMiddle, v);
    return r;
}

RECT GrowByMargins(const RECT& measured, const WinMargins& margins) {
    return {measured.left - margins.left, measured.top - margins.top, measured.right + margins.right,
            measured.bottom + margins.bottom};
}

int32_t AlignedTextTop(const RECT& rect, int32_t textHeight, uint16_t options) {
    const int32_t room = Height(rect);
    if (room <= textHeight || (options & kTextTop)) return rect.top;
    if (options & kTextBottom) return rect.bottom - textHeight;
    return rect.top + (room - textHeight) / 2;
}

POINT WinTrackLimits::MinTrack(const RECT& window) const {
    return {Width(window) - shrinkWidth, Height(window) - shrinkHeight};
}

POINT WinTrackLimits::MaxTrack(const RECT& window) const {
    return {Width(window) + growWidth, Height(window) + growHeight};
}

WinTrackLimits ComputeTrackLimits(const RECT& window, const RECT& client, const RECT& minimumClient,
                                  const RECT& workArea) {
    WinTrackLimits limits;
    limits.growWidth = Width(workArea) - Width(window);
    limits.growHeight = Height(workArea) - Height(window);
    limits.shrinkWidth = std::min(Width(client) - Width(minimumClient), Width(window));
    limits.shrinkHeight = std::min(Height(client) - Height(minimumClient), Height(window));
    return limits;
}

}  // namespace WinLayer
