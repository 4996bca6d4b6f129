// The name boxes on the system's edit control.
#include "app/GuiControls.h"

#include "raw/RawShell.h"
#include "win/WinToolkit.h"

namespace AppLayer {

using RawLayer::RawString;
using namespace WinLayer;

namespace {

// Fitting room around a text: the control's own frame and padding.
constexpr WinMargins kBoxMargins{3, 3, 3, 3};

void ForwardToParent(WinView& view, uint16_t code) {
    if (WinView* parent = view.Parent()) parent->OnChildCommand(&view, code);
}

}  // namespace

// ---------------------------------------------------------------- text box

GuiTextBox::GuiTextBox() : background_(GetSysColor(COLOR_WINDOW)) {
    Property().className = "EDIT";
    Property().kind = WinViewProperty::kSubclassed;
    Property().style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
    Property().exStyle = WS_EX_CLIENTEDGE;
    margins = kBoxMargins;
}

RawString GuiTextBox::GetText() {
    if (!HasWindow()) return WinView::GetText();
    return RawLayer::WindowText(Window(), WinToolkit::Instance().TextKind());
}

void GuiTextBox::SetText(const RawString& text) {
    WinView::SetText(text);
    if (HasWindow()) SetWindowTextW(Window(), text.ToWide().c_str());
}

void GuiTextBox::SetBackground(COLORREF colour) {
    if (colour == background_) return;
    background_ = colour;
    brush_.Reset();
    if (HasWindow()) InvalidateRect(Window(), nullptr, TRUE);
}

void GuiTextBox::OnCreated() {
    // No limit beyond the control's own maximum: a long pattern is a pattern.
    if (HasWindow()) SendMessageW(Window(), EM_SETLIMITTEXT, 0, 0);
}

void GuiTextBox::Measure(RECT& rect) {
    // As high as one line of text; the width is the layout's to decide.
    const RawString keep = WinView::GetText();
    WinView::SetText("A");
    WinView::Measure(rect);
    WinView::SetText(keep);
}

int32_t GuiTextBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                OnCommand(kNotifyExecute);
                return 0;
            }
            break;
        case WM_CHAR:
            // Enter, Esc and Tab are handled on their key; the control would beep.
            if (wParam == L'\r' || wParam == 0x1B || wParam == L'\t') return 0;
            break;
        case WM_CTLCOLOREDIT: {
            if (!brush_) brush_.Reset(CreateSolidBrush(background_));
            SetBkColor(reinterpret_cast<HDC>(wParam), background_);
            return static_cast<int32_t>(reinterpret_cast<INT_PTR>(brush_.Get()));
        }
        default:
            break;
    }
    return WinView::HandleMessage(message, wParam, lParam);
}

int32_t GuiTextBox::OnCommand(uint16_t code) {
    switch (code) {
        case EN_KILLFOCUS:
            code = kNotifyFocusLost;
            break;
        case EN_CHANGE:
            code = kNotifyTextChanged;
            break;
        default:
            if (code < kNotifyExecute) return 0;  // the control's other news
            break;
    }
    ForwardToParent(*this, code);
    return 0;
}

}  // namespace AppLayer
