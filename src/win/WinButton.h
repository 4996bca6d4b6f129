// Owner-drawn push and toggle buttons, the hint button with its popup menu
// of hints for an edit box, and the frame drawing they share with the
// segmented controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "raw/RawList.h"
#include "win/WinOwnerDrawn.h"
#include "win/WinPopupMenu.h"

namespace WinLayer {

// The grey of disabled texts.
constexpr COLORREF kDisabledText = 0xA0A0A0;
// A label's colour: kDisabledText when disabled, or the system's grey text in
// high contrast.
COLORREF ButtonText(bool disabled);

// How buttons and segments are drawn.
class WinButtonDraw {
public:
    // The ends that faces, frames and markers are mixed towards.
    static constexpr COLORREF kWhite = RGB(255, 255, 255);
    static constexpr COLORREF kBlack = RGB(0, 0, 0);

    // Look of a button: added to its button style flags.
    enum State : uint32_t {
        kStateDisabled = 0x100,
        kStatePressed = 0x200,
        kStateFocused = 0x400,
        kStateChecked = 0x800,
        kStateLook = 0x700,  // the bits that decide between disabled, pressed, focused
    };
    // Corner and edge bits of a segment shape.
    enum Shape : uint16_t {
        kCornerTopLeft = 0x1,
        kCornerBottomLeft = 0x2,
        kCornerTopRight = 0x4,
        kCornerBottomRight = 0x8,
        kEdgeLeft = 0x10,
        kEdgeRight = 0x20,
        kEdgeTop = 0x40,
        kEdgeBottom = 0x80,
        kEdgesGiven = 0x2000,  // without it a segment has all four edges
    };

    // The state of an owner-drawn item (ODS_* bits) with a check state.
    static uint32_t StateOf(UINT itemState, bool checked, uint32_t buttonStyle);
    static bool LooksDisabled(uint32_t state) { return (state & kStateLook) == kStateDisabled; }
    // The face colour nudged towards blue, for the raised face.
    static COLORREF HighlightOf(COLORREF face);
    // HighlightOf the system face colour, computed once per process.
    static COLORREF Highlight();
    // a with percent of b mixed in.
    static COLORREF Mix(COLORREF a, COLORREF b, int32_t percent);

    // The face and frame of a button in a state.
    static void DrawButtonFrame(HDC dc, const RECT& rect, uint32_t state);
    // A segment with the shape's corners rounded and its edges drawn.
    static void DrawSegment(HDC dc, const RECT& rect, uint16_t shape, COLORREF fill, COLORREF border);
};

class WinButton : public WinOwnerDrawn, public WinButtonDraw {
public:
    // Either style bit makes a toggle button.
    static constexpr uint32_t kToggleStyles = 0x1000 | 0x2000;

    WinButton();

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Code 0 is a click: a toggle flips, the notification code is posted.
    int32_t OnCommand(uint16_t code) override;
    void SetText(const RawLayer::RawString& text) override;
    // The face with the text in it.
    void Paint(const DRAWITEMSTRUCT& item) override;

    bool IsToggle() const { return (buttonStyle & kToggleStyles) != 0; }
    bool IsChecked() const { return checked_; }
    // Sets the check state without a click or a notification.
    void SetChecked(bool checked);

    uint32_t buttonStyle = 0;
    uint16_t notifyCode = 0;  // posted on a click; 0 for none

private:
    bool checked_ = false;
};

// One entry of a hint menu.
struct WinHintEntry {
    bool separator = false;
    uint32_t command = 0;
    RawLayer::RawString text;
};

struct WinHintMenuPlan {
    std::vector<WinHintEntry> entries;
    uint32_t checkedCommand = 0;  // 0: nothing checked
};

// Hint option bits.
constexpr uint16_t kHintShowValues = 0x1;  // "key (value)" in the menu

// The menu for a hint list: every unit's number becomes its command (0 when
// it is left out); "-" separates, never first nor twice in a row; a filter
// keeps the texts that contain it; the first hint equal to the target's text
// is checked (ignoring ASCII case unless the list's keys are exact).
WinHintMenuPlan PlanHintMenu(RawLayer::RawParameterList& hints, uint16_t options, const RawLayer::RawString& filter,
                             const RawLayer::RawString& targetText);

// A button bound to a box whose popup menu of hints fills the box.
class WinHintButton : public WinButton {
public:
    WinHintButton();

    // The box a chosen hint goes to.
    void SetTarget(WinView* target) { target_ = target; }
    // Shares the list's body; the units' numbers are the menu's commands.
    void SetHints(const RawLayer::RawParameterList& hints, uint16_t optionBits);
    // menuCode is posted on a click and opens the menu; chosenCode follows a choice.
    void SetCodes(uint16_t menuCode, uint16_t chosenCode);
    RawLayer::RawParameterList& Hints() { return hints_; }
    // The menu last shown (the menu handle stays until the next one).
    const WinPopupMenu& Menu() const { return menu_; }

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int32_t OnCommand(uint16_t code) override;
    int32_t OnMenuCommand(uint32_t command, uint32_t tag) override;
    // The button's face with a mark that says it opens a menu.
    void Paint(const DRAWITEMSTRUCT& item) override;
    // Builds the menu (filtered by the box's text while Ctrl is held) and
    // shows it below the button.
    void OpenHintMenu();

    uint16_t hintOptions = 0;

private:
    WinView* target_ = nullptr;
    uint16_t chosenCode_ = 0;
    RawLayer::RawParameterList hints_;
    WinPopupMenu menu_;
};

}  // namespace WinLayer
