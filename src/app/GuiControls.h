// The main dialog's small children on the system's own controls: labels, the
// two name boxes, push buttons and the two choice selectors. Each turns its
// control's notifications into the dialog's command codes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "raw/RawGdiHandle.h"
#include "raw/RawList.h"
#include "raw/RawString.h"
#include "win/WinView.h"

namespace AppLayer {

// A text beside a control; never focused.
class GuiLabel : public WinLayer::WinView {
public:
    GuiLabel();
};

// A one-line text box: Enter sends 0x1002, leaving it 0x1005, a change 0x1006
// and Esc 0x1004 (through the view's own handling).
class GuiTextBox : public WinLayer::WinView {
public:
    GuiTextBox();
    RawLayer::RawString GetText() override;
    void SetText(const RawLayer::RawString& text) override;
    // The background; COLORREF of the system window colour by default.
    void SetBackground(COLORREF colour);
    COLORREF Background() const { return background_; }

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int32_t OnCommand(uint16_t code) override;
    void OnCreated() override;
    void Measure(RECT& rect) override;

private:
    COLORREF background_;
    RawLayer::RawBrushHandle brush_;
};

// A push button that notifies its parent with its own code.
class GuiPushButton : public WinLayer::WinView {
public:
    explicit GuiPushButton(uint16_t notifyCode);
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int32_t OnCommand(uint16_t code) override;
    virtual void Click();

protected:
    uint16_t notifyCode_;
};

// A button that offers the hints of its text box in a menu: a click sends its
// menu code, a chosen hint goes into the box and sends its chosen code.
class GuiHintButton : public GuiPushButton {
public:
    GuiHintButton(GuiTextBox& target, uint16_t menuCode, uint16_t chosenCode);
    // The hints (each unit's key is a hint text), shared with the caller's list.
    void SetHints(const RawLayer::RawParameterList& hints, uint16_t optionWord);
    const RawLayer::RawParameterList& Hints() const { return hints_; }
    void Click() override;
    int32_t OnMenuCommand(uint32_t command, uint32_t tag) override;

private:
    GuiTextBox& target_;
    uint16_t chosenCode_;
    uint16_t optionWord_ = 0;
    RawLayer::RawParameterList hints_;
};

// One of a few named choices; a change of choice notifies the parent.
class GuiChoiceBox : public WinLayer::WinView {
public:
    explicit GuiChoiceBox(uint16_t notifyCode);
    void AddChoice(const RawLayer::RawString& text, int32_t value);
    // The value of the chosen entry (its first entry's when none fits).
    int32_t Value() const { return value_; }
    // Chooses without notifying.
    void Select(int32_t value);
    // Chooses as the user does: the parent hears of it.
    void Choose(int32_t value);
    int32_t ChoiceCount() const { return static_cast<int32_t>(choices_.size()); }
    const RawLayer::RawString& ChoiceText(int32_t index) const { return choices_[index].text; }

    int32_t OnCommand(uint16_t code) override;
    void OnCreated() override;
    void Measure(RECT& rect) override;
    // The drop-down list needs room below the field itself.
    static constexpr int32_t kListRoom = 200;

private:
    struct Choice {
        RawLayer::RawString text;
        int32_t value;
    };
    void Show();
    std::vector<Choice> choices_;
    int32_t value_ = 0;
    uint16_t notifyCode_;
};

}  // namespace AppLayer
