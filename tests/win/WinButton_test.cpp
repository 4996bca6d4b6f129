// Buttons and small controls: the hint menu, segment shapes and states as
// plain rules, then a dialog of controls driven by real keys and clicks.
#include "win/WinButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "WinTestInput.h"
#include "win/WinDialog.h"
#include "win/WinPlaneBox.h"
#include "win/WinRadioButton.h"
#include "win/WinStaticBox.h"

using namespace WinLayer;
using RawLayer::RawParameterList;
using RawLayer::RawString;
using WinTest::PumpUntil;
using WinTest::Witness;

namespace {

constexpr uint16_t kToggled = 0x1101;
constexpr uint16_t kHintMenu = 0x1103;
constexpr uint16_t kHintChosen = 0x1104;
constexpr uint16_t kRadioChanged = 0x1105;
constexpr uint16_t kSelectorChosen = 0x1106;

RawParameterList Hints(std::initializer_list<std::pair<const char*, const char*>> units, bool exact) {
    RawParameterList hints;
    hints.SetExactKeys(exact);
    for (const auto& [key, value] : units) hints.Add(key, value);
    return hints;
}

// A menu as text: entries joined by '|', separators as '-', the checked one in [].
std::string Describe(const WinHintMenuPlan& plan) {
    std::string text;
    for (const WinHintEntry& entry : plan.entries) {
        if (!text.empty()) text += '|';
        const std::string item = entry.separator ? "-" : entry.text.ToUtf8();
        text += entry.command != 0 && entry.command == plan.checkedCommand ? "[" + item + "]" : item;
    }
    return text;
}

std::string Describe(HMENU menu) {
    std::string text;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (!text.empty()) text += '|';
        wchar_t label[64] = {};
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        GetMenuStringW(menu, static_cast<UINT>(i), label, 64, MF_BYPOSITION);
        const std::string item = (state & MF_SEPARATOR) ? "-" : TestSupport::Narrow(label);
        text += (state & MF_CHECKED) ? "[" + item + "]" : item;
    }
    return text;
}

}  // namespace

TEST(WinHintMenu, SeparatorsFilterAndCheckedHint) {
    const struct {
        bool exact;
        uint16_t options;
        const char* filter;
        const char* target;
        const char* menu;
    } cases[] = {
        {false, 0, "", "", "a|-|b|-"},  // no leading separator, none twice, a closing one
        {false, 0, "b", "b", "[b]|-"},  // Ctrl held with the box's text b
        {false, 0, "", "B", "a|-|[b]|-"},
        {true, 0, "", "B", "a|-|b|-"},
        {false, kHintShowValues, "", "a", "[a (note)]|-|b|-"},
        {false, kHintShowValues, "note", "", "a (note)|-"},
        {false, 0, "note", "", ""},  // the value is no part of the plain text
    };
    for (const auto& c : cases) {
        RawParameterList hints = Hints({{"-", ""}, {"a", "note"}, {"-", ""}, {"-", ""}, {"b", ""}, {"-", ""}}, c.exact);
        EXPECT_EQ(Describe(PlanHintMenu(hints, c.options, c.filter, c.target)), c.menu)
            << "filter " << c.filter << " target " << c.target;
    }
    // Every unit's number is its command, 0 when it is not in the menu.
    RawParameterList hints = Hints({{"a", ""}, {"-", ""}, {"b", ""}}, false);
    PlanHintMenu(hints, 0, "b", "");
    std::vector<int32_t> numbers;
    for (const auto& unit : hints) numbers.push_back(unit.number);
    EXPECT_EQ(numbers, (std::vector<int32_t>{0, 0, 1}));
}

TEST(WinSegments, ShapesAndHitSegments) {
    const WinRadioButton radio;
    const WinSelectorButton selector;
    const struct {
        const WinRadioButtonBody* control;
        int32_t index, count;
        uint16_t shape;
    } shapes[] = {
        {&radio, 0, 1, 0x20FF},   {&radio, 0, 3, 0x20D3},  {&radio, 1, 3, 0x20C0},  {&radio, 2, 3, 0x20EC},
        {&selector, 0, 1, 15},    {&selector, 0, 2, 3},    {&selector, 1, 2, 12},   {&selector, 1, 3, 0},
    };
    for (const auto& s : shapes) EXPECT_EQ(s.control->SegmentShape(s.index, s.count), s.shape) << s.index << "/" << s.count;

    const RECT client{0, 0, 90, 20};
    const struct {
        POINT point;
        int32_t segment;
    } hits[] = {{{0, 5}, 0}, {{29, 5}, 0}, {{30, 5}, 1}, {{89, 19}, 2}, {{90, 5}, -1}, {{10, 20}, -1}, {{-1, 5}, -1}};
    for (const auto& h : hits) EXPECT_EQ(SegmentAt(client, 3, h.point), h.segment) << h.point.x << "," << h.point.y;
    EXPECT_EQ(SegmentAt(client, 0, {5, 5}), -1);
    EXPECT_EQ(SegmentRect(client, 1, 3).left, 30);
    EXPECT_EQ(SegmentRect(client, 1, 3).right, 60);
}

TEST(WinButtonDraw, StateFromItemState) {
    const struct {
        UINT itemState;
        bool checked;
        uint32_t state;
    } cases[] = {
        {ODS_SELECTED | ODS_FOCUS, true, WinButtonDraw::kStateChecked | WinButtonDraw::kStatePressed},
        {ODS_FOCUS, false, WinButtonDraw::kStateFocused},
        {ODS_DISABLED, false, WinButtonDraw::kStateDisabled},
        {ODS_FOCUS | ODS_DISABLED, false, WinButtonDraw::kStateFocused},
        {0, true, WinButtonDraw::kStateChecked},
    };
    for (const auto& c : cases) EXPECT_EQ(WinButtonDraw::StateOf(c.itemState, c.checked, 0x1000), 0x1000 | c.state);
}

TEST(WinStaticBox, LowerHalfColourOnlyWhenGiven) {
    const RawLayer::RawWindowDc screen(nullptr);
    const RawLayer::RawMemoryDc dc(CreateCompatibleDC(screen.Dc()));
    const RawLayer::RawBitmapHandle bitmap(CreateCompatibleBitmap(screen.Dc(), 40, 20));
    const RawLayer::RawSelectObject selected(dc.Get(), bitmap.Get());
    for (const COLORREF lower : {WinStaticBox::kNoColour, COLORREF{0x0000FF}}) {
        WinStaticBox box;
        box.background = 0x00FF00;
        box.lowerHalf = lower;
        DRAWITEMSTRUCT item{};
        item.hDC = dc.Get();
        item.rcItem = {0, 0, 40, 20};
        box.Paint(item);
        EXPECT_EQ(GetPixel(dc.Get(), 20, 2), COLORREF{0x00FF00});
        EXPECT_EQ(GetPixel(dc.Get(), 20, 17), lower == WinStaticBox::kNoColour ? COLORREF{0x00FF00} : lower);
    }
}

TEST(WinOwnerDrawn, PaintsOnRequestAndPutsTheContextBack) {
    const RawLayer::RawWindowDc screen(nullptr);
    const RawLayer::RawMemoryDc dc(CreateCompatibleDC(screen.Dc()));
    const RawLayer::RawBitmapHandle bitmap(CreateCompatibleBitmap(screen.Dc(), 80, 24));
    const RawLayer::RawSelectObject selected(dc.Get(), bitmap.Get());
    WinButton button;
    WinHintButton hint;
    WinStaticBox text;
    WinImageBox image;
    WinRadioButton radio;
    WinSelectorButton selector;
    WinPlaneBox plane;
    button.SetText("OK");
    hint.SetText("OK");
    text.SetText("Label");
    for (WinRadioButtonBody* body : std::initializer_list<WinRadioButtonBody*>{&radio, &selector}) {
        body->AddItem("A", 1);
        body->AddItem("B", 2);
        body->Select(1);
    }
    WinOwnerDrawn* const controls[] = {&button, &hint, &text, &image, &radio, &selector, &plane};
    for (WinOwnerDrawn* control : controls) {
        SetTextColor(dc.Get(), 0x123456);
        SetBkMode(dc.Get(), OPAQUE);
        const HGDIOBJ font = GetCurrentObject(dc.Get(), OBJ_FONT);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.hDC = dc.Get();
        item.rcItem = {0, 0, 80, 24};
        const LPARAM request = reinterpret_cast<LPARAM>(&item);
        EXPECT_EQ(control->Dispatch(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0), 1);
        EXPECT_EQ(control->Dispatch(WM_DRAWITEM, 1, request), 1);
        EXPECT_EQ(GetTextColor(dc.Get()), COLORREF{0x123456});
        EXPECT_EQ(GetBkMode(dc.Get()), OPAQUE);
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), font);
        // wParam 0 is a menu's item, which no control here draws.
        EXPECT_EQ(control->Dispatch(WM_DRAWITEM, 0, request), kNotHandled);
    }
}

// ---------------------------------------------------------------- controls in a dialog

namespace {

class TextChild : public WinView {
public:
    TextChild(const char* className, const char* text, uint32_t style) {
        Property().className = className;
        Property().kind = WinViewProperty::kSubclassed;
        Property().style = WS_CHILD | WS_VISIBLE | style;
        Property().exStyle = WS_EX_CLIENTEDGE;
        SetText(text);
    }
};

class ControlsDialog : public WinTest::TestWindow {
public:
    ControlsDialog() : TestWindow("VarneloControlsDialog", {60, 60, 660, 420}, "Varnelo controls") {
        push.SetText("Push");
        toggle.SetText("Toggle");
        toggle.buttonStyle = 0x1000;
        toggle.notifyCode = kToggled;
        hint.SetText("Hints");
        hint.SetTarget(&target);
        hint.SetCodes(kHintMenu, kHintChosen);
        for (const char* choice : {"Dropped", "Folder", "File", "Folder&File"}) radio.AddItem(choice, radio.Count());
        radio.notifyCode = kRadioChanged;
        for (const char* choice : {"Left", "Middle", "Right"}) selector.AddItem(choice, selector.Count());
        selector.notifyCode = kSelectorChosen;

        const struct {
            WinView* view;
            RECT where;
        } layout[] = {
            {&target, {115, 10, 330, 34}}, {&hint, {335, 10, 420, 34}},     {&push, {10, 44, 100, 72}},
            {&toggle, {105, 44, 195, 72}}, {&radio, {10, 84, 360, 108}},    {&selector, {370, 84, 580, 108}},
            {&plane, {300, 118, 580, 318}},
        };
        for (const auto& l : layout) {
            l.view->placement = l.where;
            order.push_back(l.view);
        }
        plane.Property().style |= WS_VSCROLL;  // taller than its view: see OnCreated
    }
    void OnCreated() override {
        for (WinView* view : order) AddChild(*view);
        plane.SetLineSize({8, 16});
        plane.SetContentSize({200, 30 * 16 + 4});
    }
    int32_t OnChildCommand(WinView* child, uint16_t code) override {
        commands.emplace_back(child, code);
        return WinDialog::OnChildCommand(child, code);
    }
    int Count(const WinView& child, uint16_t code) const {
        return static_cast<int>(std::count(commands.begin(), commands.end(), std::make_pair(const_cast<WinView*>(&child), code)));
    }
    POINT SegmentPoint(const WinRadioButtonBody& control, int32_t index) const {
        RECT area;
        GetClientRect(control.Window(), &area);
        const RECT segment = SegmentRect(area, index, control.Count());
        return WinTest::ScreenPoint(control.Window(), {(segment.left + segment.right) / 2, area.bottom / 2});
    }

    TextChild target{"EDIT", "B", ES_AUTOHSCROLL};
    WinHintButton hint;
    WinButton push, toggle;
    WinRadioButton radio;
    WinSelectorButton selector;
    WinPlaneBox plane;
    std::vector<WinView*> order;
    std::vector<std::pair<WinView*, uint16_t>> commands;
};

class WinControls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WinTest::ShowInFront(dialog)); }
    void TearDown() override { WinTest::Destroy(dialog); }
    // Input is handled in order: once a later key has reached the view,
    // everything the earlier input caused has run.
    void Settle(WinView& view) {
        Witness marker(view, WM_KEYDOWN, VK_F9);
        WinTest::PressKey(VK_F9);
        ASSERT_TRUE(PumpUntil([&] { return marker.seen == 1; }));
    }
    ControlsDialog dialog;
};

}  // namespace

TEST_F(WinControls, SpaceOnAFocusedToggleFlipsOnceAndNotifiesOnce) {
    SetFocus(dialog.toggle.Window());
    WinTest::PressKey(VK_SPACE);
    Settle(dialog.toggle);
    EXPECT_TRUE(dialog.toggle.IsChecked());
    EXPECT_EQ(dialog.Count(dialog.toggle, 0), 1);
    EXPECT_EQ(dialog.Count(dialog.toggle, kToggled), 1);
    // A click toggles back, through the button's own click report.
    WinTest::ClickAt(WinTest::Centre(dialog.toggle.Window()));
    ASSERT_TRUE(PumpUntil([&] { return dialog.Count(dialog.toggle, kToggled) == 2; }));
    EXPECT_FALSE(dialog.toggle.IsChecked());
}

TEST_F(WinControls, RadioChoosesOnButtonDownSelectorOnButtonUp) {
    WinTest::LeftButton(dialog.SegmentPoint(dialog.radio, 2), true);
    ASSERT_TRUE(PumpUntil([&] { return dialog.Count(dialog.radio, kRadioChanged) == 1; }));
    EXPECT_EQ(dialog.radio.Selected(), 2);
    EXPECT_EQ(dialog.radio.Value(), 2);
    WinTest::LeftButton(dialog.SegmentPoint(dialog.radio, 2), false);

    Witness downs(dialog.selector, WM_LBUTTONDOWN);
    WinTest::LeftButton(dialog.SegmentPoint(dialog.selector, 1), true);
    ASSERT_TRUE(PumpUntil([&] { return downs.seen == 1; }));
    EXPECT_TRUE(dialog.selector.IsPressed());
    EXPECT_EQ(dialog.selector.Selected(), -1);
    EXPECT_EQ(dialog.Count(dialog.selector, kSelectorChosen), 0);
    WinTest::LeftButton(dialog.SegmentPoint(dialog.selector, 1), false);
    ASSERT_TRUE(PumpUntil([&] { return dialog.Count(dialog.selector, kSelectorChosen) == 1; }));
    EXPECT_EQ(dialog.selector.Selected(), 1);
    EXPECT_FALSE(dialog.selector.IsPressed());
    EXPECT_EQ(dialog.Count(dialog.radio, kRadioChanged), 1);  // the radio's button-up chose nothing more
}

TEST_F(WinControls, HintMenuOfTheExample) {
    dialog.hint.SetHints(Hints({{"-", ""}, {"a", "note"}, {"-", ""}, {"-", ""}, {"b", ""}, {"-", ""}}, false), 0);
    dialog.target.SetText("b");
    SetWindowTextW(dialog.target.Window(), L"b");
    SetFocus(dialog.hint.Window());
    // With Ctrl held the box's text filters the menu; Esc closes it.
    WinTest::PressKeyWith(VK_CONTROL, VK_SPACE);
    WinTest::PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return dialog.Count(dialog.hint, kHintMenu) == 1; }));
    EXPECT_EQ(Describe(dialog.hint.Menu().Handle()), "[b]|-");
    // Without Ctrl, choosing by keys: see the main window's hint test.
}

TEST_F(WinControls, PlaneReportsFocusLossAndScrolling) {
    SetFocus(dialog.plane.Window());
    EXPECT_TRUE(dialog.plane.HasFocus());
    SetFocus(dialog.push.Window());
    EXPECT_FALSE(dialog.plane.HasFocus());
    EXPECT_EQ(dialog.Count(dialog.plane, kNotifyFocusLost), 1);
    SendMessageW(dialog.plane.Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-3 * WHEEL_DELTA)), 0);
    EXPECT_EQ(dialog.plane.ScrollOffset().y, 48);
    EXPECT_EQ(dialog.Count(dialog.plane, kNotifyScroll), 1);
    dialog.plane.ScrollIntoView({0, 0, 10, 16});
    EXPECT_EQ(dialog.plane.ScrollOffset().y, 0);
    EXPECT_EQ(dialog.Count(dialog.plane, kNotifyScroll), 2);
}
