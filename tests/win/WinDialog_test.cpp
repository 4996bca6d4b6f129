// Dialogs under a real display: keyboard navigation, closing, hooks, menu
// commands, modal runs over a blocked owner, size states and a dialog on its
// own thread, driven by SendInput.
#include "win/WinDialog.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "WinTestInput.h"
#include "win/WinPopupMenu.h"
#include "win/WinToolkit.h"
#include "win/WinViewHook.h"

using namespace WinLayer;
using RawLayer::RawString;
using WinTest::PumpUntil;

namespace {

constexpr UINT kProbe = WM_USER + 1;      // the dialog answers 5
constexpr UINT kHookProbe = WM_USER + 2;  // both hooks answer, the first wins

class TestChild : public WinView {
public:
    TestChild(const char* className, int32_t kind, uint32_t extraStyle = 0) {
        Property().className = className;
        Property().kind = kind;
        Property().style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | extraStyle;
        SetText(className);
    }
};

class TestDialog : public WinTest::TestWindow {
public:
    TestDialog(const char* className, RECT where)
        : TestWindow(className, where, "Varnelo toolkit test", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME) {}
    bool CanClose() override { return ++closeAsked, allowClose; }
    void OnStateChange(int32_t oldState, int32_t newState) override { states.emplace_back(oldState, newState); }
    int32_t OnMenuCommand(uint32_t command, uint32_t tag) override { return menuCommand = {command, tag}, 0; }
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        ownerClicks += message == kMsgOwnerClicked;
        clicks += message == WM_LBUTTONDOWN;
        return message == kProbe ? 5 : WinView::HandleMessage(message, wParam, lParam);
    }

    bool allowClose = true;
    std::atomic<int> closeAsked{0}, ownerClicks{0}, clicks{0};
    std::vector<std::pair<int32_t, int32_t>> states;
    std::pair<uint32_t, uint32_t> menuCommand{0, 0};
};

class RecordingHook : public WinViewHook {
public:
    RecordingHook(WinView& view, std::vector<int>* log, int name, int32_t probeAnswer)
        : WinViewHook(view), log_(log), name_(name), probeAnswer_(probeAnswer) {}
    int32_t HandleMessage(UINT message, WPARAM, LPARAM) override {
        if (message != kProbe && message != kHookProbe) return kNotHandled;
        log_->push_back(name_);
        return message == kHookProbe ? probeAnswer_ : kNotHandled;
    }

private:
    std::vector<int>* log_;
    int name_, probeAnswer_;
};

bool Foreground(HWND window) { return PumpUntil([&] { return GetForegroundWindow() == window; }); }

}  // namespace

// Six children: two buttons and a control of the toolkit's own class that
// take the focus, and three that Tab must pass over.
class WinDialogKeys : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WinToolkit::Instance().RegisterControlClass("VarneloTestControl"));
        dialog.children = {&first, &second, &disabled, &missing, &unsubclassed, &last};
        ASSERT_TRUE(WinTest::ShowInFront(dialog));
        SetFocus(first.Window());
    }
    void TearDown() override { EXPECT_TRUE(WinTest::Destroy(dialog)); }

    struct KeyDialog : TestDialog {
        KeyDialog() : TestDialog("VarneloKeyDialog", {40, 40, 440, 300}) {}
        void OnCreated() override {
            int y = 10;
            for (WinView* child : children) {
                child->placement = {10, y, 200, y + 28};
                y += 32;
                AddChild(*child);
            }
        }
        std::vector<WinView*> children;
    } dialog;
    TestChild first{"BUTTON", WinViewProperty::kSubclassed};
    TestChild second{"VarneloTestControl", WinViewProperty::kSubclassed};
    TestChild disabled{"BUTTON", WinViewProperty::kSubclassed, WS_DISABLED};
    TestChild missing{"VarneloNoSuchClass", WinViewProperty::kSubclassed};
    TestChild unsubclassed{"BUTTON", 0};
    TestChild last{"BUTTON", WinViewProperty::kSubclassed};
};

TEST_F(WinDialogKeys, TabOrderWrapsAndSkips) {
    EXPECT_FALSE(missing.HasWindow());
    EXPECT_EQ(first.ControlId(), WinViewList::kFirstChildId);
    EXPECT_EQ(last.ControlId(), WinViewList::kFirstChildId + 5);
    const struct { bool shift; WinView* expected; } steps[] = {
        {false, &second}, {false, &last}, {false, &first},  // forwards, wrapping at the end
        {true, &last},    {true, &second}, {true, &first},  // backwards, wrapping at the start
    };
    for (const auto& step : steps) {
        WinTest::PressKey(VK_TAB, step.shift);
        EXPECT_TRUE(PumpUntil([&] { return GetFocus() == step.expected->Window(); }))
            << "shift " << step.shift << " to id " << step.expected->ControlId();
    }
}

TEST_F(WinDialogKeys, EscapeClosesOnlyWhenTheDialogAgrees) {
    const HWND window = dialog.Window();
    dialog.allowClose = false;
    WinTest::PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return dialog.closeAsked == 1; }));
    EXPECT_TRUE(IsWindow(window));

    dialog.allowClose = true;
    SetFocus(last.Window());
    const int quits = WinTest::QuitsSeen();
    WinTest::PressKey(VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window) && WinTest::QuitsSeen() > quits; }));
    EXPECT_EQ(dialog.closeAsked, 2);
    EXPECT_FALSE(dialog.HasWindow());
    // Destruction was the last state report and told the children.
    ASSERT_FALSE(dialog.states.empty());
    EXPECT_EQ(dialog.states.back().second, WinDialog::kSizeDestroyed);
    EXPECT_EQ(dialog.Children().Count(), 0);
}

TEST(WinDialog, HooksMenuCommandsSizeStatesAndSessionEnd) {
    TestDialog dialog("VarneloHookDialog", {60, 60, 360, 260});
    TestChild child("BUTTON", WinViewProperty::kSubclassed);
    std::vector<int> log;
    RecordingHook one(dialog, &log, 1, 7);
    RecordingHook two(dialog, &log, 2, 9);
    ASSERT_TRUE(dialog.Create());
    dialog.AddChild(child);

    // The first WM_SIZE reports the initial state, then the first report.
    ASSERT_GE(dialog.states.size(), 2u);
    EXPECT_EQ(dialog.states[0], std::make_pair(WinDialog::kSizeInitial, int32_t{SIZE_RESTORED}));
    EXPECT_EQ(dialog.states[1], std::make_pair(WinDialog::kSizeFirstReport, int32_t{SIZE_RESTORED}));

    // Hooks see what the view answered itself, in attach order; the first answer wins.
    EXPECT_EQ(SendMessageW(dialog.Window(), kProbe, 0, 0), 5);
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
    log.clear();
    EXPECT_EQ(SendMessageW(dialog.Window(), kHookProbe, 0, 0), 7);
    EXPECT_EQ(log, (std::vector<int>{1}));

    PostMessageW(dialog.Window(), kMsgMenuCommand, 42, 0x12345678);
    EXPECT_TRUE(PumpUntil([&] { return dialog.menuCommand.first == 42; }));
    EXPECT_EQ(dialog.menuCommand.second, 0x12345678u);

    // The session's end tears the dialog down only when the session does end.
    auto destroyedReports = [&] {
        return std::count_if(dialog.states.begin(), dialog.states.end(),
                             [](auto s) { return s.second == WinDialog::kSizeDestroyed; });
    };
    SendMessageW(dialog.Window(), WM_ENDSESSION, FALSE, 0);  // the session goes on
    EXPECT_EQ(dialog.Children().Count(), 1);
    EXPECT_EQ(destroyedReports(), 0);
    SendMessageW(dialog.Window(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(dialog.Children().Count(), 0);
    EXPECT_EQ(destroyedReports(), 1);
    EXPECT_TRUE(WinTest::Destroy(dialog));  // the window's own end reports nothing twice
    EXPECT_EQ(destroyedReports(), 1);
}

namespace {

class SystemMenuHook : public WinTMenuExecution {
public:
    using WinTMenuExecution::WinTMenuExecution;
    void BuildMenu(HMENU menu) override { built = menu, AppendMenuW(menu, MF_STRING, 0x1110, L"About"); }
    void UpdateMenu(HMENU menu) override { updated = menu; }
    void Execute(uint32_t command) override { executed = command; }
    HMENU built = nullptr, updated = nullptr;
    uint32_t executed = 0;
};

class HoverHook : public WinEnterControl {
public:
    explicit HoverHook(WinView& view) : WinEnterControl(view) {
        trackHover = true;
        hoverTime = 50;
    }
    void OnEnter(const WinPoint&) override { ++enters; }
    void OnLeave(const WinPoint&) override { ++leaves; }
    bool OnHover(const WinPoint&) override { return ++hovers, true; }
    int enters = 0, leaves = 0, hovers = 0;
};

}  // namespace

TEST(WinDialog, SystemMenuAndPointerHooks) {
    TestDialog dialog("VarneloHookedDialog", {60, 60, 460, 300});
    TestChild child("BUTTON", WinViewProperty::kSubclassed);
    child.placement = {20, 20, 220, 80};
    SystemMenuHook menu(dialog);
    HoverHook hover(child);
    WinTest::MoveTo({1000, 900});
    ASSERT_TRUE(dialog.Create());
    dialog.AddChild(child);
    dialog.Activate(0, 0);

    ASSERT_NE(menu.built, nullptr);
    EXPECT_EQ(menu.built, GetSystemMenu(dialog.Window(), FALSE));
    SendMessageW(dialog.Window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu.built), MAKELPARAM(0, TRUE));
    EXPECT_EQ(menu.updated, menu.built);
    SendMessageW(dialog.Window(), WM_SYSCOMMAND, 0x1110, 0);
    EXPECT_EQ(menu.executed, 0x1110u);

    WinTest::MoveTo(WinTest::Centre(child.Window()));
    EXPECT_TRUE(PumpUntil([&] { return hover.enters == 1 && hover.hovers == 1; }));
    WinTest::MoveTo({1000, 900});
    EXPECT_TRUE(PumpUntil([&] { return hover.leaves == 1; }) && (hover.enters == 1 && !hover.pointerInside));
    EXPECT_TRUE(WinTest::Destroy(dialog));
}

TEST(WinDialog, PopupMenuGroupsAndChosenCommand) {
    TestDialog dialog("VarneloMenuDialog", {60, 60, 360, 260});
    ASSERT_TRUE(WinTest::ShowInFront(dialog));
    WinPopupMenu menu;
    menu.BeginGroup();  // an empty first group adds no separator
    menu.AppendItem(11, "Eleven");
    menu.AppendItem(12, "Twelve");
    menu.BeginGroup();
    menu.BeginGroup();
    menu.AppendItem(13, "Thirteen");
    const WinPopupMenu shared = menu;
    ASSERT_EQ(GetMenuItemCount(shared.Handle()), 4);
    EXPECT_EQ(GetMenuState(menu.Handle(), 2, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(menu.Handle(), 3), 13u);

    // Keys already queued drive the menu's own loop: the first item is chosen.
    WinTest::PressKey(VK_DOWN);
    WinTest::PressKey(VK_RETURN);
    EXPECT_TRUE(menu.Show(dialog, {20, 20}, 99));
    EXPECT_FALSE(menu.IsOpen());
    EXPECT_TRUE(PumpUntil([&] { return dialog.menuCommand.first == 11; }));
    EXPECT_EQ(dialog.menuCommand.second, 99u);
    EXPECT_TRUE(WinTest::Destroy(dialog));
}

TEST(WinDialog, ModalDialogBlocksItsOwner) {
    TestDialog owner("VarneloOwnerDialog", {20, 20, 320, 220});
    TestDialog modal("VarneloModalDialog", {600, 400, 900, 600});
    ASSERT_TRUE(owner.Create());
    bool clicked = false, passedOn = false, painted = false;
    // The test thread runs the modal loop; this one clicks and closes.
    std::thread driver([&] {
        const ULONGLONG deadline = GetTickCount64() + WinTest::kDeadlineMs;
        auto waitFor = [&](auto done) {
            while (!done() && GetTickCount64() < deadline) Sleep(10);
            return done();
        };
        // Clicks only once the modal dialog is up and in front.
        if (waitFor([&] {
                const HWND window = modal.Window();
                return window && owner.ModalWindow() == window && GetForegroundWindow() == window;
            })) {
            // Input is taken in order: once the modal dialog has its click,
            // the owner's click before it has been dealt with.
            WinTest::ClickAt(WinTest::Centre(owner.Window()));
            WinTest::ClickAt(WinTest::Centre(modal.Window()));
            clicked = waitFor([&] { return modal.clicks > 0; });
            PostMessageW(owner.Window(), kMsgOwnerClicked, 0, 0);
            passedOn = waitFor([&] { return modal.ownerClicks > 0; });
            // A blocked owner still paints what needs painting.
            InvalidateRect(owner.Window(), nullptr, FALSE);
            painted = waitFor([&] { return !GetUpdateRect(owner.Window(), nullptr, FALSE); });
        }
        PostMessageW(modal.Window(), WM_CLOSE, 0, 0);
    });
    modal.DoModal(&owner);
    driver.join();
    EXPECT_EQ(std::tuple(clicked, passedOn, painted, owner.clicks.load()), std::tuple(true, true, true, 0));
    EXPECT_EQ(owner.ModalWindow(), nullptr);
    EXPECT_EQ(GetFocus(), owner.Window());
    // The modal dialog's quit ended its loop only; the owner lives on.
    EXPECT_TRUE(IsWindow(owner.Window()));
    EXPECT_TRUE(WinTest::Destroy(owner));
}

namespace {

// A dialog on its own thread with one system edit box that has the focus.
class ThreadDialog : public WinDialogThread {
public:
    ThreadDialog() : edit("EDIT", WinViewProperty::kSubclassed, WS_BORDER | ES_AUTOHSCROLL) {
        Property().className = "VarneloThreadDialog";
        Property().style = WS_OVERLAPPED | WS_CAPTION;
        placement = {100, 500, 500, 640};
        edit.placement = {10, 10, 370, 40};
        edit.ClearText();
    }
    void OnCreated() override { AddChild(edit), SetFocus(edit.Window()); }
    TestChild edit;
};

std::wstring TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(length + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), length + 1));
    return text;
}

}  // namespace

TEST(WinDialogThread, OwnLoopTakesTypedTextIntactAndEndsCleanly) {
    ThreadDialog dialog;
    ASSERT_TRUE(dialog.Start());
    ASSERT_TRUE(dialog.WaitDialogRunning(true, WinTest::kDeadlineMs));
    const HWND window = dialog.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_NE(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());

    PostMessageW(window, kMsgActivate, 0, 0);
    ASSERT_TRUE(Foreground(window));
    // Outside every ANSI code page, one of them beyond 16 bits.
    const std::wstring typed = L"\u540d\u524d \U0001F600 \u00e9";
    WinTest::TypeUnicode(typed);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(dialog.edit.Window()) == typed; }))
        << TestSupport::Narrow(TextOf(dialog.edit.Window()));

    dialog.Close();
    EXPECT_TRUE(dialog.WaitDialogRunning(false, WinTest::kDeadlineMs));
    dialog.Wait();
    EXPECT_TRUE(dialog.IsFinished() && !IsWindow(window));
}
