// Info dialogs run modally over an owner: each button set's values, Enter and
// arrows on the focused row, Esc and the close box giving 0, and the layout.
#include "win/WinInfoDialog.h"

#include <memory>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "WinTestInput.h"

using namespace WinLayer;
using RawLayer::RawString;
using WinTest::PumpUntil;

namespace {

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(WinInfoDialog, LayoutPutsTheIconLeftAndTheButtonsInARowBelow) {
    const struct {
        const char* name;
        SIZE icon, text;
        std::vector<SIZE> buttons;
        RECT iconRect, textRect;
        std::vector<RECT> buttonRects;
        SIZE client;
    } cases[] = {
        {"icon taller than the text", {32, 32}, {200, 16}, {{40, 24}, {60, 24}},
         {8, 8, 40, 40}, {48, 16, 248, 32}, {{44, 48, 124, 72}, {132, 48, 212, 72}}, {256, 80}},
        {"no icon, text shorter than the buttons", {0, 0}, {50, 40}, {{90, 20}},
         {0, 0, 0, 0}, {8, 8, 58, 48}, {{8, 56, 98, 76}}, {106, 84}},
    };
    for (const auto& c : cases) {
        const WinInfoLayout layout = LayoutInfoDialog(c.icon, c.text, c.buttons, 8);
        EXPECT_TRUE(layout.icon == c.iconRect) << c.name;
        EXPECT_TRUE(layout.text == c.textRect) << c.name;
        ASSERT_EQ(layout.buttons.size(), c.buttonRects.size()) << c.name;
        for (size_t i = 0; i < c.buttonRects.size(); ++i) EXPECT_TRUE(layout.buttons[i] == c.buttonRects[i]) << c.name;
        EXPECT_EQ(layout.client.cx, c.client.cx) << c.name;
        EXPECT_EQ(layout.client.cy, c.client.cy) << c.name;
    }
}

TEST(WinInfoDialog, ButtonsAnswerTheirValuesAndOtherEndsAnswerZero) {
    WinTest::TestWindow owner("VarneloInfoOwnerDialog", {100, 100, 700, 500}, "Owner",
                              WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
    ASSERT_TRUE(owner.Create());
    RECT ownerRect;
    GetWindowRect(owner.Window(), &ownerRect);
    enum Action { kClick0, kClick1, kEnter, kRightEnter, kEscape, kCloseBox };
    const struct {
        const char* name;
        const WinButtonSet& buttons;
        Action action;
        int32_t expected;
    } cases[] = {
        {"OK", WinInfoDialog::OkButtons(), kClick0, 1},
        {"Cancel", WinInfoDialog::OkCancelButtons(), kClick1, 0},
        {"No", WinInfoDialog::YesNoButtons(), kClick1, 3},
        {"Enter on the focused first button", WinInfoDialog::YesNoButtons(), kEnter, 2},
        {"Right moves to the next button", WinInfoDialog::YesNoButtons(), kRightEnter, 3},
        {"Esc", WinInfoDialog::YesNoButtons(), kEscape, 0},
        {"the close box", WinInfoDialog::OkButtons(), kCloseBox, 0},
    };
    for (const auto& c : cases) {
        WinInfoDialog dialog("Varnelo", RawString::FromWide(L"The folder does not exist.\r\nZ:\\photos\\\u5199\u771f"),
                             c.buttons, WinInfoDialog::kQuestionIcon);
        bool centred = false;
        // The pointer over the button, seen there (only then does the display
        // deliver a click there to it), then the click.
        std::vector<std::unique_ptr<WinTest::Witness>> pointer;
        for (size_t i = 0; i < dialog.ButtonCount(); ++i)
            pointer.push_back(std::make_unique<WinTest::Witness>(dialog.Button(i), WM_MOUSEMOVE));
        auto click = [&](size_t i, auto waitFor) {
            const HWND button = dialog.Button(i).Window();
            RECT r;
            GetWindowRect(button, &r);
            // Away first, and arrived there: two moves in a row may reach the
            // display as one, and a pointer already at the centre moves nowhere.
            const POINT away{r.left - 20, r.top - 20};
            WinTest::MoveTo(away);
            waitFor([&] {
                POINT p;
                return GetCursorPos(&p) && p.x == away.x && p.y == away.y;
            });
            WinTest::MoveTo(WinTest::Centre(button));
            if (waitFor([&] { return pointer[i]->seen > 0; })) WinTest::ClickAt(WinTest::Centre(button));
        };
        std::thread driver([&] {
            const ULONGLONG deadline = GetTickCount64() + WinTest::kDeadlineMs;
            auto waitFor = [&](auto done) {
                while (!done() && GetTickCount64() < deadline) Sleep(10);
                return done();
            };
            // The owner learns of its modal dialog once the dialog has made its children.
            const bool up = waitFor([&] {
                const HWND window = dialog.Window();
                return window && owner.ModalWindow() == window && GetForegroundWindow() == window &&
                       !GetUpdateRect(window, nullptr, FALSE);
            });
            if (!up) return;
            RECT r;
            GetWindowRect(dialog.Window(), &r);
            centred = std::abs((r.left + r.right) - (ownerRect.left + ownerRect.right)) <= 1 &&
                      std::abs((r.top + r.bottom) - (ownerRect.top + ownerRect.bottom)) <= 1;
            switch (c.action) {
                case kClick0: click(0, waitFor); break;
                case kClick1: click(1, waitFor); break;
                case kEnter: WinTest::PressKey(VK_RETURN); break;
                case kRightEnter:
                    WinTest::PressKey(VK_RIGHT);
                    WinTest::PressKey(VK_RETURN);
                    break;
                case kEscape: WinTest::PressKey(VK_ESCAPE); break;
                case kCloseBox: PostMessageW(dialog.Window(), WM_SYSCOMMAND, SC_CLOSE, 0); break;
            }
            // Should the input go astray, the dialog still ends (with 0, which fails the value cases).
            if (!waitFor([&] { return !dialog.HasWindow(); }) && dialog.HasWindow())
                PostMessageW(dialog.Window(), WM_CLOSE, 0, 0);
        });
        const int32_t result = dialog.Run(&owner, ownerRect);
        driver.join();
        EXPECT_EQ(result, c.expected) << c.name;
        EXPECT_TRUE(centred) << c.name;
        EXPECT_NE(dialog.Icon(), nullptr) << c.name;
        EXPECT_EQ(dialog.ButtonCount(), c.buttons.size()) << c.name;
    }
    EXPECT_TRUE(WinTest::Destroy(owner));
}
