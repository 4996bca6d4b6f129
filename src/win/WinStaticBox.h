// Owner-drawn text and image boxes: labels that take no input.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win/WinOwnerDrawn.h"

namespace WinLayer {

class WinStaticBox : public WinOwnerDrawn {
public:
    static constexpr COLORREF kNoColour = 0xFFFFFFFF;

    WinStaticBox();

    void OnCreated() override;
    void SetText(const RawLayer::RawString& text) override;
    // The background, the lower half when it has a colour, the text.
    void Paint(const DRAWITEMSTRUCT& item) override;

    COLORREF background;
    COLORREF lowerHalf = kNoColour;
    COLORREF textColour;
};

// An icon on the face colour. The icon belongs to the caller, who keeps it
// alive as long as the box shows it.
class WinImageBox : public WinOwnerDrawn {
public:
    WinImageBox();

    void OnCreated() override;
    void SetIcon(HICON icon, int32_t width, int32_t height);
    void Measure(RECT& rect) override;
    void Paint(const DRAWITEMSTRUCT& item) override;

private:
    HICON icon_ = nullptr;
    SIZE size_{};
};

}  // namespace WinLayer
