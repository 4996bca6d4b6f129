// Owner-drawn text and image boxes: labels that take no input.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win/WinView.h"

namespace WinLayer {

class WinStaticBox : public WinView {
public:
    static constexpr COLORREF kNoColour = 0xFFFFFFFF;

    WinStaticBox();

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCreated() override;
    void SetText(const RawLayer::RawString& text) override;
    // The background, the lower half when it has a colour, the text.
    void Paint(const DRAWITEMSTRUCT& item);

    COLORREF background;
    COLORREF lowerHalf = kNoColour;
    COLORREF textColour;
};

// An icon on the face colour. The icon belongs to the caller, who keeps it
// alive as long as the box shows it.
class WinImageBox : public WinView {
public:
    WinImageBox();

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCreated() override;
    void SetIcon(HICON icon, int32_t width, int32_t height);
    void Measure(RECT& rect) override;
    void Paint(const DRAWITEMSTRUCT& item);

private:
    HICON icon_ = nullptr;
    SIZE size_{};
};

}  // namespace WinLayer
