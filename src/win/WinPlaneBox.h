// A focusable, scrolling plane painted through a memory bitmap: the base of
// the edit box. A derived class sizes the content and paints it; the plane
// keeps the offsets, the scroll bars and the focus.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win/WinScrolling.h"
#include "win/WinView.h"

namespace WinLayer {

class WinPlaneBox : public WinView {
public:
    WinPlaneBox();

    // Focus (0x1005 when it goes), scroll bars and wheel, size, painting.
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The content's extent and the step of one line, in pixels.
    void SetContentSize(SIZE size);
    SIZE ContentSize() const { return content_; }
    void SetLineSize(SIZE size) { line_ = size; }
    SIZE LineSize() const { return line_; }
    POINT ScrollOffset() const { return scroll_; }
    // Moves the offsets (clamped), redraws, updates the bars.
    void ScrollTo(POINT offset);
    // Scrolls as little as needed to show a content rectangle.
    void ScrollIntoView(const RECT& content);
    // The client less the margins: where content shows.
    RECT ViewRect() const;
    bool HasFocus() const { return focused_; }
    // The bars for the offsets; 0x100A when an offset changed since the last report.
    void UpdateScrollBars();
    void Invalidate();

protected:
    // Paints the content into the memory context: view is where content
    // shows, scroll the offsets of its top-left corner.
    virtual void PaintContent(HDC, const RECT&, POINT, UINT) {}
    virtual COLORREF Background(UINT itemState) const;
    void Notify(uint16_t code);

private:
    void Paint(const DRAWITEMSTRUCT& item);
    void ScrollBy(int bar, int32_t request);
    void Clamp();

    bool focused_ = false;
    SIZE content_{};
    SIZE line_{1, 1};
    POINT scroll_{};
    POINT reported_{};
    WinPaintSurface surface_;
    WinScrollBars bars_;
};

}  // namespace WinLayer
