// Segmented choice controls: segments, choosing by mouse, keys and copied
// text, and painting.
#include "win/WinRadioButton.h"

#include <windowsx.h>

#include <algorithm>

#include "raw/RawGdiHandle.h"
#include "win/WinAccessible.h"
#include "win/WinToolkit.h"

namespace WinLayer {

using namespace RawLayer;

namespace {

constexpr int32_t kMarkerSize = 10;
constexpr int32_t kMarkerGap = 4;

int32_t SegmentPadding() { return WinToolkit::Instance().margin * 2; }

}  // namespace

RECT SegmentRect(const RECT& client, int32_t index, int32_t count) {
    if (count <= 0) return {};
    const int64_t width = client.right - client.left;
    return {client.left + static_cast<LONG>(width * index / count), client.top,
            client.left + static_cast<LONG>(width * (index + 1) / count), client.bottom};
}

int32_t SegmentAt(const RECT& client, int32_t count, POINT point) {
    const int64_t width = client.right - client.left;
    if (count <= 0 || width <= 0 || !PtInRect(&client, point)) return -1;
    return std::min(count - 1, static_cast<int32_t>((point.x - client.left) * count / width));
}

// ---------------------------------------------------------------- body

WinRadioButtonBody::WinRadioButtonBody() {
    options = 0;  // labels centred in their segments
    const int32_t m = WinToolkit::Instance().margin;
    margins = {0, m, 0, m};
}

void WinRadioButtonBody::AddItem(const RawString& label, int32_t value) {
    items_.push_back({label, value});
    Invalidate();
}

void WinRadioButtonBody::ClearItems() {
    items_.clear();
    selected_ = -1;
    Invalidate();
}

bool WinRadioButtonBody::Select(int32_t index) {
    if (index < 0 || index >= Count()) return false;
    selected_ = index;
    value_ = items_[static_cast<size_t>(index)].value;
    Invalidate();
    return true;
}

bool WinRadioButtonBody::SelectValue(int32_t value) {
    for (int32_t i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)].value == value) return Select(i);
    return false;
}

void WinRadioButtonBody::Choose(int32_t index) {
    if (!Select(index)) return;
    if (notifyCode) PostCommand(notifyCode);
}

int32_t WinRadioButtonBody::HitSegment(LPARAM lParam) const {
    RECT client{};
    if (HasWindow()) GetClientRect(Window(), &client);
    return SegmentAt(client, Count(), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

int32_t WinRadioButtonBody::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_LEFT || wParam == VK_RIGHT) {
                const int32_t next = selected_ < 0 ? 0 : selected_ + (wParam == VK_LEFT ? -1 : 1);
                if (next >= 0 && next < Count()) Choose(next);
                return 0;
            }
            if (wParam == VK_SPACE || wParam == VK_RETURN) {
                PostCommand(0);
                return 0;
            }
            break;
        default:
            break;
    }
    return WinOwnerDrawn::HandleMessage(message, wParam, lParam);
}

int32_t WinRadioButtonBody::OnCommand(uint16_t code) {
    if (code == 0 && !pressed_) Choose(selected_);
    return WinView::OnCommand(code);
}

void WinRadioButtonBody::Measure(RECT& rect) {
    rect = {};
    RawWindowDc dc(Window());
    RawSelectObject font(dc.Dc(), ResolvedFont());
    int32_t widest = 0, height = 0;
    for (const WinRadioItem& item : items_) {
        const std::wstring text = item.label.ToWide();
        RECT r{};
        DrawTextW(dc.Dc(), text.empty() ? L"A" : text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        widest = std::max<int32_t>(widest, r.right - r.left);
        height = std::max<int32_t>(height, r.bottom - r.top);
    }
    const int32_t segment = widest + MarkerSpace() + 2 * SegmentPadding();
    rect = {0, 0, segment * std::max<int32_t>(Count(), 1), height};
}

void WinRadioButtonBody::DrawSegmentLabel(HDC dc, const RECT& rect, int32_t index, bool) {
    RECT text = rect;
    text.left += MarkerSpace();
    InflateRect(&text, -SegmentPadding() / 2, 0);
    DrawTextInRect(dc, text, items_[static_cast<size_t>(index)].label, options);
}

void WinRadioButtonBody::Paint(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    const RECT& client = item.rcItem;
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const bool disabled = item.itemState & ODS_DISABLED;
    const COLORREF face = GetSysColor(COLOR_BTNFACE), accent = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF border = WinButtonDraw::Mix(face, WinButtonDraw::kBlack, disabled ? 20 : 50);
    RawSelectObject font(dc, ResolvedFont());
    const RawTextColourScope text(dc, ButtonText(disabled));
    const bool contrast = WinHighContrast();
    const int32_t count = Count();
    for (int32_t i = 0; i < count; ++i) {
        const RECT segment = SegmentRect(client, i, count);
        const uint16_t shape = SegmentShape(i, count);
        const bool selected = i == selected_, down = pressed_ && i == pressedIndex_;
        COLORREF fill = WinButtonDraw::Mix(WinButtonDraw::Highlight(), WinButtonDraw::kWhite, 55);
        if (down) fill = WinButtonDraw::Mix(face, WinButtonDraw::kBlack, 18);
        else if (selected && !disabled) fill = WinButtonDraw::Mix(face, accent, 35);
        COLORREF edge = selected && !disabled ? accent : border;
        if (contrast) {
            // The user's colours alone: the chosen segment's edge and label
            // in the highlight colour.
            const bool chosen = selected && !disabled;
            fill = face;
            edge = chosen ? accent : GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
            SetTextColor(dc, chosen ? accent : ButtonText(disabled));
        }
        WinButtonDraw::DrawSegment(dc, segment, shape, fill, edge);
        if (i > 0 && (shape & WinButtonDraw::kEdgesGiven) && !(shape & WinButtonDraw::kEdgeLeft)) {
            // Joined segments still show where one ends.
            RawPenHandle pen(CreatePen(PS_SOLID, 1, WinButtonDraw::Mix(face, WinButtonDraw::kBlack, 25)));
            RawSelectObject selectedPen(dc, pen.Get());
            MoveToEx(dc, segment.left, segment.top + 3, nullptr);
            LineTo(dc, segment.left, segment.bottom - 3);
        }
        DrawSegmentLabel(dc, segment, i, selected);
    }
    if (HasFocus() && selected_ >= 0 && selected_ < count) {
        RECT focus = SegmentRect(client, selected_, count);
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

// ---------------------------------------------------------------- radio

uint16_t WinRadioButton::SegmentShape(int32_t index, int32_t count) const {
    if (count <= 1) return 0x20FF;
    if (index == 0) return 0x20D3;
    if (index == count - 1) return 0x20EC;
    return 0x20C0;
}

int32_t WinRadioButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            if (HasWindow()) SetFocus(Window());
            const int32_t index = HitSegment(lParam);
            if (index >= 0 && index != Selected()) Choose(index);
            return 0;
        }
        case WM_LBUTTONUP:
            return 0;  // chosen already
        default:
            return WinRadioButtonBody::HandleMessage(message, wParam, lParam);
    }
}

int32_t WinRadioButton::MarkerSpace() const { return kMarkerSize + kMarkerGap; }

void WinRadioButton::DrawSegmentLabel(HDC dc, const RECT& rect, int32_t index, bool selected) {
    // The marker sits left of the centred label.
    RECT measured{};
    const std::wstring label = Item(index).label.ToWide();
    DrawTextW(dc, label.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    const int32_t textWidth = measured.right - measured.left;
    const int32_t left = (rect.left + rect.right - textWidth - MarkerSpace()) / 2;
    const int32_t top = (rect.top + rect.bottom - kMarkerSize) / 2;
    const COLORREF face = GetSysColor(COLOR_BTNFACE), accent = GetSysColor(COLOR_HIGHLIGHT);
    {
        RawBrushHandle white(CreateSolidBrush(WinButtonDraw::kWhite));
        RawPenHandle pen(CreatePen(PS_SOLID, 1, WinButtonDraw::Mix(face, WinButtonDraw::kBlack, 55)));
        RawSelectObject selectedBrush(dc, white.Get()), selectedPen(dc, pen.Get());
        Ellipse(dc, left, top, left + kMarkerSize, top + kMarkerSize);
    }
    if (selected) {
        RawBrushHandle dot(CreateSolidBrush(accent));
        RawSelectObject selectedBrush(dc, dot.Get()), noPen(dc, GetStockObject(NULL_PEN));
        Ellipse(dc, left + 3, top + 3, left + kMarkerSize - 2, top + kMarkerSize - 2);
    }
    RECT text{left + MarkerSpace(), rect.top, rect.right, rect.bottom};
    DrawTextInRect(dc, text, Item(index).label, kTextLeft);
}

// ---------------------------------------------------------------- selector

uint16_t WinSelectorButton::SegmentShape(int32_t index, int32_t count) const {
    if (count <= 1) return 15;
    if (index == 0) return 3;
    if (index == count - 1) return 12;
    return 0;
}

int32_t WinSelectorButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN: {
            if (HasWindow()) SetFocus(Window());
            const int32_t index = HitSegment(lParam);
            if (index >= 0) {
                pressed_ = true;
                pressedIndex_ = index;
                SetCapture(Window());
                Invalidate();
            }
            return 0;
        }
        case WM_LBUTTONUP:
            if (pressed_) {
                const int32_t index = HitSegment(lParam), held = pressedIndex_;
                pressed_ = false;  // before the capture goes, which reports itself
                pressedIndex_ = -1;
                ReleaseCapture();
                Invalidate();
                if (index == held) Choose(index);
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (pressed_ && reinterpret_cast<HWND>(lParam) != Window()) {
                pressed_ = false;
                pressedIndex_ = -1;
                Invalidate();
            }
            break;
        case WM_LBUTTONDBLCLK:
            PostCommand(0);
            return 0;
        case WM_COPYDATA: {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (!data || !data->lpData) return 0;
            auto length = static_cast<int32_t>(data->cbData);
            const auto* bytes = static_cast<const char*>(data->lpData);
            while (length > 0 && bytes[length - 1] == '\0') --length;
            const RawString text(bytes, length);
            for (int32_t i = 0; i < Count(); ++i) {
                if (RawString(Item(i).label, RawCodeKind::Utf8) == text) {
                    Choose(i);
                    return 1;
                }
            }
            return 0;
        }
        default:
            break;
    }
    return WinRadioButtonBody::HandleMessage(message, wParam, lParam);
}

}  // namespace WinLayer
