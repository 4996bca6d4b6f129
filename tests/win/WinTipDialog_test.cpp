// The tip window on its own thread: placed below the pointer at its fitted
// size, topmost, never activated, re-texted and moved in place, closed cleanly.
#include "win/WinTipDialog.h"

#include <string>

#include "TestSupport.h"
#include "WinTestInput.h"

using namespace WinLayer;
using RawLayer::RawString;
using WinTest::PumpUntil;

TEST(WinTipDialog, ShowsBelowThePointerWithoutActivationAndMovesInPlace) {
    WinTest::TestWindow front("VarneloTipOwnerDialog", {50, 50, 450, 250});
    ASSERT_TRUE(WinTest::ShowInFront(front));

    WinTipDialog tip;
    const struct {
        POINT pointer;
        const wchar_t* text;
    } cases[] = {
        {{200, 300}, L"Z:\\photos\\\u5199\u771f\\IMG_0001.jpg"},
        {{420, 520}, L"a longer path: Z:\\archive\\2024\\summer\\beach\\IMG_0002.jpg"},
    };
    HWND first = nullptr;
    for (const auto& c : cases) {
        WinTest::MoveTo(c.pointer);
        ASSERT_TRUE(PumpUntil([&] {
            POINT p;
            return GetCursorPos(&p) && p.x == c.pointer.x && p.y == c.pointer.y;
        }));
        ASSERT_TRUE(tip.ShowTip(RawString::FromWide(c.text)));
        const HWND window = tip.Window();
        ASSERT_NE(window, nullptr);
        if (!first) first = window;
        EXPECT_EQ(window, first);  // one window, moved and re-texted
        EXPECT_NE(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
        EXPECT_EQ(tip.TextBox().GetText().ToWide(), c.text);

        RECT r;
        GetWindowRect(window, &r);
        RECT frame{0, 0, tip.TextBox().fittedWidth, tip.TextBox().fittedHeight};
        AdjustWindowRectEx(&frame, GetWindowLongW(window, GWL_STYLE), FALSE, GetWindowLongW(window, GWL_EXSTYLE));
        EXPECT_EQ(r.left, c.pointer.x);
        EXPECT_EQ(r.top, c.pointer.y + WinTipDialog::PointerOffset());
        EXPECT_EQ(r.right - r.left, frame.right - frame.left + 6);
        EXPECT_EQ(r.bottom - r.top, frame.bottom - frame.top + 2);
        EXPECT_GT(tip.TextBox().contentWidth, 0);
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(GetForegroundWindow(), front.Window());
    }

    tip.CloseTip();
    EXPECT_FALSE(tip.IsDialogRunning());
    EXPECT_FALSE(IsWindow(first));
    // A closed tip comes back on the next call.
    ASSERT_TRUE(tip.ShowTip("again"));
    EXPECT_TRUE(IsWindowVisible(tip.Window()));
    tip.CloseTip();
    EXPECT_TRUE(WinTest::Destroy(front));
}
