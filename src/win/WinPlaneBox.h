// A focusable, scrolling plane painted through a memory bitmap: the base of
// the edit box. A derived class sizes the content and paints it; the plane
// keeps the offsets, the scroll bars and the focus.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win/WinOwnerDrawn.h"
#include "win/WinScrolling.h"

namespace WinLayer {

class WinPlaneBox : public WinOwnerDrawn {
public:
    WinPlaneBox();

    // Focus (0x1005 when it goes), scroll bars and wheel, size, clicks.
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The content's extent and the step of one line, in pixels.
    void SetContentSize(SIZE size);
    SIZE ContentSize() const { return scrolling_.extent; }
    void SetLineSize(SIZE size) { scrolling_.line = size; }
    SIZE LineSize() const { return scrolling_.line; }
    POINT ScrollOffset() const { return scrolling_.scroll; }
    // Moves the offsets (clamped), redraws, updates the bars.
    void ScrollTo(POINT offset);
    // Scrolls as little as needed to show a content rectangle.
    void ScrollIntoView(const RECT& content);
    // The client less the margins: where content shows.
    RECT ViewRect() const;
    // The bars for the offsets; 0x100A when an offset changed since the last report.
    void UpdateScrollBars();
    // The background, then the content clipped to the view.
    void Paint(const DRAWITEMSTRUCT& item) override;

protected:
    // Paints the content into the memory context: view is where content
    // shows, scroll the offsets of its top-left corner.
    virtual void PaintContent(HDC, const RECT&, POINT, UINT) {}
    virtual COLORREF Background(UINT itemState) const;

private:
    SIZE ViewSize() const;
    // The offsets as they now are: redrawn, shown on the bars, reported.
    void Scrolled();

    WinScrollState scrolling_;
    WinPaintSurface surface_;
};

}  // namespace WinLayer
