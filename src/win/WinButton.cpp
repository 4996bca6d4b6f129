// Buttons: keys, clicks, toggling, painting, and the hint button's menu.
#include "win/WinButton.h"

#include <algorithm>
#include <cmath>

#include "raw/RawGdiHandle.h"
#include "win/WinAccessible.h"
#include "win/WinToolkit.h"

namespace WinLayer {

using namespace RawLayer;

namespace {

constexpr int32_t kArcSteps = 6;
// Room on a hint button's right for the mark that says it opens a menu.
constexpr int32_t kMenuMarkSpace = 12;

int32_t Radius(const RECT& rect) {
    const int32_t r = WinToolkit::Instance().buttonR;
    const auto most = static_cast<int32_t>(std::min(rect.right - rect.left, rect.bottom - rect.top) / 2);
    return std::clamp(r, 0, std::max(most, 0));
}

// The outline of a segment as four corners (each a short arc when rounded)
// joined by the four sides, clockwise from the top-left corner.
struct SegmentOutline {
    std::vector<POINT> corner[4];  // top-left, top-right, bottom-right, bottom-left

    SegmentOutline(const RECT& r, uint16_t shape, int32_t radius) {
        const int32_t left = r.left, top = r.top, right = r.right - 1, bottom = r.bottom - 1;
        const struct {
            uint16_t bit;
            int32_t cx, cy, sx, sy;  // centre and the direction of the corner
            POINT sharp;
        } corners[4] = {
            {WinButtonDraw::kCornerTopLeft, left + radius, top + radius, -1, -1, {left, top}},
            {WinButtonDraw::kCornerTopRight, right - radius, top + radius, 1, -1, {right, top}},
            {WinButtonDraw::kCornerBottomRight, right - radius, bottom - radius, 1, 1, {right, bottom}},
            {WinButtonDraw::kCornerBottomLeft, left + radius, bottom - radius, -1, 1, {left, bottom}},
        };
        for (int i = 0; i < 4; ++i) {
            const auto& c = corners[i];
            if (!(shape & c.bit) || radius <= 0) {
                corner[i].push_back(c.sharp);
                continue;
            }
            // Clockwise: the top-left corner runs from its left side up to its top.
            for (int k = 0; k <= kArcSteps; ++k) {
                const double a = 1.5707963267948966 * k / kArcSteps;
                const double along = (i % 2 == 0) ? std::cos(a) : std::sin(a);
                const double across = (i % 2 == 0) ? std::sin(a) : std::cos(a);
                corner[i].push_back({c.cx + static_cast<LONG>(std::lround(c.sx * radius * along)),
                                     c.cy + static_cast<LONG>(std::lround(c.sy * radius * across))});
            }
        }
    }
    std::vector<POINT> All() const {
        std::vector<POINT> points;
        for (const auto& c : corner) points.insert(points.end(), c.begin(), c.end());
        return points;
    }
};

}  // namespace

// ---------------------------------------------------------------- drawing

uint32_t WinButtonDraw::StateOf(UINT itemState, bool checked, uint32_t buttonStyle) {
    uint32_t state = buttonStyle & ~static_cast<uint32_t>(kStateLook | kStateChecked);
    if (checked) state |= kStateChecked;
    if (itemState & ODS_SELECTED) state |= kStatePressed;
    else if (itemState & ODS_FOCUS) state |= kStateFocused;
    else if (itemState & ODS_DISABLED) state |= kStateDisabled;
    return state;
}

COLORREF ButtonText(bool disabled) {
    if (!disabled) return GetSysColor(COLOR_WINDOWTEXT);
    return WinHighContrast() ? GetSysColor(COLOR_GRAYTEXT) : kDisabledText;
}

COLORREF WinButtonDraw::HighlightOf(COLORREF face) {
    const int32_t red = GetRValue(face), green = GetGValue(face), blue = GetBValue(face);
    return RGB(red - (3 * red) / 256, green + (255 - green) / 128, blue + (255 - blue) / 128);
}

COLORREF WinButtonDraw::Highlight() {
    static const COLORREF highlight = HighlightOf(GetSysColor(COLOR_BTNFACE));
    return highlight;
}

COLORREF WinButtonDraw::Mix(COLORREF a, COLORREF b, int32_t percent) {
    const auto channel = [&](int32_t x, int32_t y) { return x + (y - x) * percent / 100; };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

void WinButtonDraw::DrawButtonFrame(HDC dc, const RECT& rect, uint32_t state) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE), accent = GetSysColor(COLOR_HIGHLIGHT);
    const bool disabled = LooksDisabled(state), pressed = state & kStatePressed, checked = state & kStateChecked;
    COLORREF fill = Mix(Highlight(), kWhite, 55), border = Mix(face, kBlack, 50);
    if (disabled) {
        fill = face;
        border = Mix(face, kBlack, 20);
    } else if (pressed) {
        fill = Mix(face, kBlack, 18);
        border = Mix(face, kBlack, 65);
    } else if (checked) {
        fill = Mix(face, accent, 35);
        border = accent;
    }
    // High contrast: flat faces in the user's colours, no tints of white.
    const bool contrast = WinHighContrast();
    if (contrast) {
        fill = face;
        border = GetSysColor(disabled ? COLOR_GRAYTEXT : checked ? COLOR_HIGHLIGHT : COLOR_BTNTEXT);
    }
    const int32_t diameter = 2 * Radius(rect);
    {
        RawBrushHandle brush(CreateSolidBrush(fill));
        RawPenHandle pen(CreatePen(PS_SOLID, 1, border));
        RawSelectObject selectedBrush(dc, brush.Get()), selectedPen(dc, pen.Get());
        RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, diameter, diameter);
    }
    RawPenHandle inner(CreatePen(PS_SOLID, 1, checked && !pressed ? accent : kWhite));
    RawSelectObject selectedInner(dc, inner.Get());
    if (checked && !pressed && !disabled) {
        // A second ring makes the checked state plain at a glance.
        RawSelectObject hollow(dc, GetStockObject(NULL_BRUSH));
        RoundRect(dc, rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1, diameter, diameter);
    } else if (!pressed && !disabled && !contrast) {
        MoveToEx(dc, rect.left + diameter / 2, rect.top + 1, nullptr);
        LineTo(dc, rect.right - diameter / 2, rect.top + 1);
    }
    if (state & kStateFocused) {
        RECT focus = rect;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

void WinButtonDraw::DrawSegment(HDC dc, const RECT& rect, uint16_t shape, COLORREF fill, COLORREF border) {
    const SegmentOutline outline(rect, shape, Radius(rect));
    const std::vector<POINT> points = outline.All();
    {
        RawBrushHandle brush(CreateSolidBrush(fill));
        RawSelectObject selectedBrush(dc, brush.Get()), noPen(dc, GetStockObject(NULL_PEN));
        SetPolyFillMode(dc, WINDING);
        // Polygon fills up to, not including, the right and bottom edges.
        std::vector<POINT> filled = points;
        for (POINT& p : filled) {
            if (p.x >= rect.right - 1) p.x = rect.right;
            if (p.y >= rect.bottom - 1) p.y = rect.bottom;
        }
        Polygon(dc, filled.data(), static_cast<int>(filled.size()));
    }
    const uint16_t edges = (shape & kEdgesGiven) ? shape : (kEdgeLeft | kEdgeRight | kEdgeTop | kEdgeBottom);
    // Side i runs from corner i to corner i + 1: top, right, bottom, left.
    const uint16_t sideBits[4] = {kEdgeTop, kEdgeRight, kEdgeBottom, kEdgeLeft};
    RawPenHandle pen(CreatePen(PS_SOLID, 1, border));
    RawSelectObject selectedPen(dc, pen.Get());
    for (int i = 0; i < 4; ++i) {
        const auto& here = outline.corner[i];
        const auto& next = outline.corner[(i + 1) % 4];
        // A corner is drawn with the two sides it joins.
        if ((edges & sideBits[i]) && (edges & sideBits[(i + 3) % 4]) && here.size() > 1)
            Polyline(dc, here.data(), static_cast<int>(here.size()));
        if (edges & sideBits[i]) {
            const POINT line[2] = {here.back(), next.front()};
            Polyline(dc, line, 2);
            SetPixel(dc, next.front().x, next.front().y, border);  // lines leave their end out
        }
    }
}

// ---------------------------------------------------------------- button

WinButton::WinButton() {
    Property().style |= BS_MULTILINE;
    options = 0;  // centred both ways
    const int32_t m = WinToolkit::Instance().margin;
    margins = {2 * m, m, 2 * m, m};
}

int32_t WinButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            // Answered here, so that the button underneath neither presses
            // itself on Space nor reports a second click when it comes up.
            if (wParam == VK_RETURN || wParam == VK_SPACE) {
                PostCommand(0);
                return 0;
            }
            if (wParam == VK_LEFT || wParam == VK_UP || wParam == VK_RIGHT || wParam == VK_DOWN) {
                if (Parent() && Parent()->HasWindow())
                    SendMessageW(Parent()->Window(), kMsgFocusNext, static_cast<WPARAM>(ControlId()),
                                 (wParam == VK_LEFT || wParam == VK_UP) ? 1 : 0);
                return 0;
            }
            break;
        case WM_LBUTTONDBLCLK:
            PostCommand(0);  // the second click of the pair
            return 0;
        default:
            break;
    }
    return WinOwnerDrawn::HandleMessage(message, wParam, lParam);
}

int32_t WinButton::OnCommand(uint16_t code) {
    if (code == 0) {
        if (IsToggle()) {
            checked_ = !checked_;
            if (HasWindow()) SendMessageW(Window(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
            Invalidate();
        }
        if (notifyCode) PostCommand(notifyCode);
    }
    return WinView::OnCommand(code);
}

void WinButton::SetText(const RawString& text) {
    WinView::SetText(text);
    Invalidate();
}

void WinButton::SetChecked(bool checked) {
    checked_ = checked;
    Invalidate();
}

void WinButton::Paint(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    const uint32_t state = StateOf(item.itemState, checked_, buttonStyle);
    FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    DrawButtonFrame(dc, item.rcItem, state);
    RECT text{item.rcItem.left + margins.left, item.rcItem.top + margins.top,
              item.rcItem.right - margins.right, item.rcItem.bottom - margins.bottom};
    if (state & kStatePressed) OffsetRect(&text, 1, 1);
    RawSelectObject font(dc, ResolvedFont());
    const RawTextColourScope colour(dc, ButtonText(LooksDisabled(state)));
    DrawTextInRect(dc, text, GetText(), options);
}

// ---------------------------------------------------------------- hint menu

namespace {

RawString MenuText(const RawParameterUnit& unit, uint16_t options) {
    RawString text(unit.key, RawCodeKind::Utf8);
    if ((options & kHintShowValues) && !unit.value.IsEmpty()) text.Append(" (", RawString(unit.value, RawCodeKind::Utf8), ")");
    return text;
}

}  // namespace

WinHintMenuPlan PlanHintMenu(RawParameterList& hints, uint16_t options, const RawString& filter,
                             const RawString& targetText) {
    WinHintMenuPlan plan;
    const RawString wanted(filter, RawCodeKind::Utf8), current(targetText, RawCodeKind::Utf8), separator("-");
    const bool exact = hints.ExactKeys();
    RawParameterUnit* checked = nullptr;
    bool itemSinceSeparator = false;
    uint32_t next = 0;
    for (RawParameterUnit& unit : hints) {
        unit.number = 0;
        const RawString key(unit.key, RawCodeKind::Utf8);
        if (!checked && (exact ? key == current : key.EqualsNoCase(current))) checked = &unit;
        if (key == separator) {
            if (itemSinceSeparator) plan.entries.push_back({true, 0, RawString()});
            itemSinceSeparator = false;
            continue;
        }
        RawString text = MenuText(unit, options);
        if (!wanted.IsEmpty() && text.Find(kAll, wanted) >= text.Length()) continue;
        unit.number = static_cast<int32_t>(++next);
        plan.entries.push_back({false, next, text});
        itemSinceSeparator = true;
    }
    if (checked) plan.checkedCommand = static_cast<uint32_t>(checked->number);
    return plan;
}

WinHintButton::WinHintButton() { margins.right += kMenuMarkSpace; }

void WinHintButton::SetHints(const RawParameterList& hints, uint16_t optionBits) {
    hints_ = hints;
    hintOptions = optionBits;
}

void WinHintButton::SetCodes(uint16_t menuCode, uint16_t chosenCode) {
    notifyCode = menuCode;
    chosenCode_ = chosenCode;
}

int32_t WinHintButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_DOWN) {
        PostCommand(0);  // opens the menu as a click does
        return 0;
    }
    return WinButton::HandleMessage(message, wParam, lParam);
}

int32_t WinHintButton::OnCommand(uint16_t code) {
    if (code != 0 && code == notifyCode && !hints_.IsEmpty()) OpenHintMenu();
    return WinButton::OnCommand(code);
}

void WinHintButton::OpenHintMenu() {
    const RawString current = target_ ? target_->GetText() : RawString();
    const RawString filter = GetKeyState(VK_CONTROL) < 0 ? current : RawString();
    const WinHintMenuPlan plan = PlanHintMenu(hints_, hintOptions, filter, current);
    menu_ = WinPopupMenu();
    const HMENU menu = menu_.Handle();
    if (!menu) return;
    constexpr auto kAtEnd = static_cast<UINT>(-1);
    for (const WinHintEntry& entry : plan.entries) {
        if (entry.separator) InsertMenuW(menu, kAtEnd, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        else InsertMenuW(menu, kAtEnd, MF_BYPOSITION | MF_STRING, entry.command, entry.text.ToWide().c_str());
    }
    if (plan.checkedCommand) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STATE | MIIM_ID;
        info.fState = MFS_CHECKED;
        info.wID = plan.checkedCommand;
        SetMenuItemInfoW(menu, plan.checkedCommand, FALSE, &info);
    }
    // A filter that leaves nothing leaves nothing to show.
    if (!HasWindow() || plan.entries.empty()) return;
    RECT client;
    GetClientRect(Window(), &client);
    menu_.Show(*this, {client.left, client.bottom}, 0);
}

int32_t WinHintButton::OnMenuCommand(uint32_t command, uint32_t) {
    RawString key;
    for (const RawParameterUnit& unit : hints_) {
        if (unit.number != 0 && static_cast<uint32_t>(unit.number) == command) {
            key = unit.key;
            break;
        }
    }
    if (target_) {
        target_->SetText(key);
        if (target_->HasWindow()) SetWindowTextW(target_->Window(), key.ToWide().c_str());
    }
    if (chosenCode_) PostCommand(chosenCode_);
    return 0;
}

void WinHintButton::Paint(const DRAWITEMSTRUCT& item) {
    WinButton::Paint(item);
    const uint32_t state = StateOf(item.itemState, IsChecked(), buttonStyle);
    const COLORREF colour = ButtonText(LooksDisabled(state));
    // A small downward triangle: this button opens a menu.
    const int32_t cx = item.rcItem.right - margins.right + kMenuMarkSpace / 2 - 1;
    const int32_t cy = (item.rcItem.top + item.rcItem.bottom) / 2;
    const POINT mark[3] = {{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}};
    RawBrushHandle brush(CreateSolidBrush(colour));
    RawPenHandle pen(CreatePen(PS_SOLID, 1, colour));
    RawSelectObject selectedBrush(item.hDC, brush.Get()), selectedPen(item.hDC, pen.Get());
    Polygon(item.hDC, mark, 3);
}

}  // namespace WinLayer
