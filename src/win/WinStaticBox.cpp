// Text and image boxes: painting on the parent's owner-draw request.
#include "win/WinStaticBox.h"

#include "raw/RawGdiHandle.h"
#include "win/WinButton.h"

namespace WinLayer {

using namespace RawLayer;

namespace {

// A label takes no input: keyboard navigation passes over it.
void SkipInNavigation(WinView& view) { view.Property().flags |= WinViewProperty::kNotSubclassed; }

}  // namespace

WinStaticBox::WinStaticBox()
    : WinOwnerDrawn(kStatic), background(GetSysColor(COLOR_BTNFACE)), textColour(GetSysColor(COLOR_WINDOWTEXT)) {
    options = kTextLeft;
}

void WinStaticBox::OnCreated() { SkipInNavigation(*this); }

void WinStaticBox::SetText(const RawString& text) {
    WinView::SetText(text);
    Invalidate();
}

void WinStaticBox::Paint(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    RECT r = item.rcItem;
    {
        RawBrushHandle brush(CreateSolidBrush(background));
        FillRect(dc, &r, brush.Get());
    }
    if (lowerHalf != kNoColour) {
        const RECT lower{r.left, (r.top + r.bottom) / 2, r.right, r.bottom};
        RawBrushHandle brush(CreateSolidBrush(lowerHalf));
        FillRect(dc, &lower, brush.Get());
    }
    r = {r.left + margins.left, r.top + margins.top, r.right - margins.right, r.bottom - margins.bottom};
    RawSelectObject font(dc, ResolvedFont());
    const bool grey = item.itemState & (ODS_GRAYED | ODS_DISABLED);
    const RawTextColourScope colour(dc, grey ? kDisabledText : textColour);
    DrawTextInRect(dc, r, GetText(), options);
}

// ---------------------------------------------------------------- image box

WinImageBox::WinImageBox() : WinOwnerDrawn(kStatic) {}

void WinImageBox::OnCreated() { SkipInNavigation(*this); }

void WinImageBox::SetIcon(HICON icon, int32_t width, int32_t height) {
    icon_ = icon;
    size_ = {width, height};
    Invalidate();
}

void WinImageBox::Measure(RECT& rect) { rect = {0, 0, size_.cx, size_.cy}; }

void WinImageBox::Paint(const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (!icon_ || size_.cx <= 0 || size_.cy <= 0) return;
    const RECT& r = item.rcItem;
    DrawIconEx(item.hDC, (r.left + r.right - size_.cx) / 2, (r.top + r.bottom - size_.cy) / 2, icon_, size_.cx,
               size_.cy, 0, nullptr, DI_NORMAL);
}

}  // namespace WinLayer
