// The main dialog's small children on the system's controls.
#include "app/GuiControls.h"

#include <algorithm>

#include "raw/RawShell.h"
#include "win/WinPopupMenu.h"
#include "win/WinToolkit.h"

namespace AppLayer {

using RawLayer::RawString;
using namespace WinLayer;

namespace {

// Fitting room around a text: the control's own frame and padding.
constexpr WinMargins kBoxMargins{3, 3, 3, 3};
constexpr WinMargins kButtonMargins{10, 5, 10, 5};
constexpr int32_t kChoiceArrowRoom = 28;

void ForwardToParent(WinView& view, uint16_t code) {
    if (WinView* parent = view.Parent()) parent->OnChildCommand(&view, code);
}

}  // namespace

GuiLabel::GuiLabel() {
    Property().className = "STATIC";
    Property().style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
}

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

// ---------------------------------------------------------------- push button

GuiPushButton::GuiPushButton(uint16_t notifyCode) : notifyCode_(notifyCode) {
    Property().className = "BUTTON";
    Property().kind = WinViewProperty::kSubclassed;
    Property().style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    margins = kButtonMargins;
}

int32_t GuiPushButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        Click();
        return 0;
    }
    if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\t' || wParam == 0x1B)) return 0;
    return WinView::HandleMessage(message, wParam, lParam);
}

int32_t GuiPushButton::OnCommand(uint16_t code) {
    if (code == BN_CLICKED) Click();
    return 0;
}

void GuiPushButton::Click() {
    if (HasWindow() && !IsWindowEnabled(Window())) return;
    ForwardToParent(*this, notifyCode_);
}

// ---------------------------------------------------------------- hint button

GuiHintButton::GuiHintButton(GuiTextBox& target, uint16_t menuCode, uint16_t chosenCode)
    : GuiPushButton(menuCode), target_(target), chosenCode_(chosenCode) {
    SetText("...");
}

void GuiHintButton::SetHints(const RawLayer::RawParameterList& hints, uint16_t optionWord) {
    hints_ = hints;
    optionWord_ = optionWord;
}

void GuiHintButton::Click() {
    if (HasWindow() && !IsWindowEnabled(Window())) return;
    ForwardToParent(*this, notifyCode_);
    if (hints_.Count() == 0 || !HasWindow()) return;
    WinPopupMenu menu;
    uint32_t command = 1;
    for (RawLayer::RawParameterUnit& hint : hints_) {
        hint.number = static_cast<int32_t>(command);
        menu.AppendItem(command++, hint.key);
    }
    RECT r;
    GetClientRect(Window(), &r);
    menu.Show(*this, POINT{0, r.bottom}, 0);
}

int32_t GuiHintButton::OnMenuCommand(uint32_t command, uint32_t) {
    for (const RawLayer::RawParameterUnit& hint : hints_) {
        if (hint.number != static_cast<int32_t>(command)) continue;
        target_.SetText(hint.key);
        ForwardToParent(*this, chosenCode_);
        break;
    }
    return 0;
}

// ---------------------------------------------------------------- choices

GuiChoiceBox::GuiChoiceBox(uint16_t notifyCode) : notifyCode_(notifyCode) {
    Property().className = "COMBOBOX";
    Property().kind = WinViewProperty::kSubclassed;
    Property().style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    margins = kBoxMargins;
}

void GuiChoiceBox::AddChoice(const RawString& text, int32_t value) {
    choices_.push_back({text, value});
    if (choices_.size() == 1) value_ = value;
}

void GuiChoiceBox::Select(int32_t value) {
    const auto found = std::find_if(choices_.begin(), choices_.end(), [value](const Choice& c) { return c.value == value; });
    value_ = found == choices_.end() ? (choices_.empty() ? 0 : choices_.front().value) : value;
    Show();
}

void GuiChoiceBox::Choose(int32_t value) {
    Select(value);
    ForwardToParent(*this, notifyCode_);
}

void GuiChoiceBox::Show() {
    if (!HasWindow()) return;
    for (size_t i = 0; i < choices_.size(); ++i)
        if (choices_[i].value == value_) SendMessageW(Window(), CB_SETCURSEL, i, 0);
}

void GuiChoiceBox::OnCreated() {
    if (!HasWindow()) return;
    for (const Choice& c : choices_) {
        const std::wstring text = c.text.ToWide();
        SendMessageW(Window(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    Show();
}

void GuiChoiceBox::Measure(RECT& rect) {
    // The widest choice plus the arrow.
    const RawString keep = WinView::GetText();
    int32_t width = 0;
    int32_t height = 0;
    for (const Choice& c : choices_) {
        WinView::SetText(c.text);
        WinView::Measure(rect);
        width = std::max<int32_t>(width, Width(rect));
        height = std::max<int32_t>(height, Height(rect));
    }
    WinView::SetText(keep);
    rect = {0, 0, width + kChoiceArrowRoom, height};
}

int32_t GuiChoiceBox::OnCommand(uint16_t code) {
    if (code != CBN_SELCHANGE || !HasWindow()) return 0;
    const auto index = static_cast<int32_t>(SendMessageW(Window(), CB_GETCURSEL, 0, 0));
    if (index < 0 || index >= ChoiceCount()) return 0;
    value_ = choices_[index].value;
    ForwardToParent(*this, notifyCode_);
    return 0;
}

}  // namespace AppLayer
