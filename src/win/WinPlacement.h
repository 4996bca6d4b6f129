// Layout arithmetic of the toolkit as plain code over rectangles: placement
// flags, fitting, vertical text alignment and the tracking-size limits.
#pragma once

#include <windows.h>

#include <cstdint>

namespace WinLayer {

// Which edge of a placed rectangle follows which edge of its reference
// rectangle; an edge without a flag stays where it is.
enum WinPlacementFlag : uint16_t {
    kLeftWithLeft = 0x0001,
    kLeftWithRight = 0x0002,
    kLeftWithCentre = 0x0004,
    kRightWithRight = 0x0010,
    kRightWithLeft = 0x0020,
    kRightWithCentre = 0x0040,
    kTopWithTop = 0x0100,
    kTopWithBottom = 0x0200,
    kTopWithMiddle = 0x0400,
    kBottomWithBottom = 0x1000,
    kBottomWithTop = 0x2000,
    kBottomWithMiddle = 0x4000,
};

// Moves each edge of placed by the movement of the edge of the reference that
// the flags name, from oldReference to newReference.
RECT ApplyPlacement(const RECT& placed, uint16_t flags, const RECT& oldReference, const RECT& newReference);

struct WinMargins {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The measured text rectangle grown outwards by the margins.
RECT GrowByMargins(const RECT& measured, const WinMargins& margins);

// Text option bits of a view: how a text sits in its rectangle.
enum WinTextOption : uint16_t {
    kTextLeft = 0x0001,
    kTextRight = 0x0002,
    kTextWrap = 0x0008,
    kTextTop = 0x0010,
    kTextBottom = 0x0020,
    // An "&" marks the access key, drawn underlined ("&&" is an "&").
    kTextAccessKey = 0x0040,
};

// Top of a text of textHeight inside a rectangle: top-, bottom- or centre-aligned.
int32_t AlignedTextTop(const RECT& rect, int32_t textHeight, uint16_t options);

// The tracking sizes of a dialog. growWidth/growHeight may be lowered by the
// dialog before the limits are taken.
struct WinTrackLimits {
    int32_t growWidth = 0;
    int32_t growHeight = 0;
    int32_t shrinkWidth = 0;
    int32_t shrinkHeight = 0;
    POINT MinTrack(const RECT& window) const;
    POINT MaxTrack(const RECT& window) const;
};
WinTrackLimits ComputeTrackLimits(const RECT& window, const RECT& client, const RECT& minimumClient,
                                  const RECT& workArea);

inline int32_t Width(const RECT& r) { return r.right - r.left; }
inline int32_t Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace WinLayer
