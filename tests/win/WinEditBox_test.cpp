// Edit boxes in a real dialog, driven by SendInput: typing (a surrogate pair
// too), selecting by keys and mouse, word selection, the clipboard,
// read-only boxes, notifications, dropped files, the menu and the IME.
#include "win/WinEditBox.h"

#include <imm.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "WinTestInput.h"
#include "raw/RawShell.h"
#include "win/WinDialog.h"

using namespace WinLayer;
using RawLayer::RawString;
using WinTest::PumpUntil;

namespace {

class EditDialog : public WinTest::TestWindow {
public:
    EditDialog()
        : TestWindow("VarneloEditDialog", {100, 100, 620, 420}, "Edit box", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU) {
        multi.editOptions = WinEditBoxBasic::kEditMultiLine;
        readOnly.editOptions = WinEditBoxBasic::kEditReadOnly;
    }
    void OnCreated() override {
        single.placement = {10, 10, 500, 38};
        multi.placement = {10, 48, 500, 170};
        readOnly.placement = {10, 180, 500, 208};
        for (WinEditBox* box : {&single, &multi, &readOnly}) AddChild(*box);
    }
    // Records the codes; a cancel must not close the dialog here.
    int32_t OnChildCommand(WinView* child, uint16_t code) override {
        if (code != kNotifyTextChanged) commands.emplace_back(child->ControlId(), code);
        return 0;
    }
    WinEditBox single, multi, readOnly;
    std::vector<std::pair<int32_t, uint16_t>> commands;
};

std::u16string TextOf(const WinEditBox& box) { return box.EditText().ToU16(); }

// A key with Ctrl or Shift held as asked.
void Combo(WORD key, bool ctrl = false, bool shift = false) {
    ctrl ? WinTest::PressKeyWith(VK_CONTROL, key) : WinTest::PressKey(key, shift);
}

// The screen point of a text position (between two characters), or of the
// middle of the character that starts there.
POINT ScreenPoint(const WinEditBox& box, int32_t position, bool middle = false) {
    const WinEditBoxDraw& draw = box.Drawing();
    const RECT area = draw.TextArea(box.ViewRect());
    const POINT scroll = box.ScrollOffset();
    int32_t x = draw.PointOf(position).x;
    if (middle) x = (x + draw.PointOf(position + 1).x) / 2;
    POINT p{area.left + x - scroll.x, area.top + draw.PointOf(position).y - scroll.y + draw.lineHeight / 2};
    ClientToScreen(box.Window(), &p);
    return p;
}

void Drag(POINT from, POINT to) {
    INPUT in[4] = {WinTest::Mouse(from, MOUSEEVENTF_MOVE), WinTest::Mouse(from, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN),
                   WinTest::Mouse(to, MOUSEEVENTF_MOVE), WinTest::Mouse(to, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP)};
    SendInput(4, in, sizeof(INPUT));
}

bool Selected(const WinEditBox& box, int32_t anchor, int32_t caret) {
    return PumpUntil([&] { return box.Anchor() == anchor && box.Caret() == caret; });
}

// Handles every message already queued.
void Flush() { PumpUntil([] { return true; }); }

std::u16string ClipboardText() { return RawLayer::PasteFromClipboard().ToU16(); }

}  // namespace

class WinEditBoxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WinTest::ShowInFront(dialog)); }
    void TearDown() override { EXPECT_TRUE(WinTest::Destroy(dialog)); }
    void Focus(WinEditBox& box) {
        SetFocus(box.Window());
        ASSERT_TRUE(PumpUntil([&] { return GetFocus() == box.Window() && box.HasFocus(); }));
    }
    void Put(WinEditBox& box, const std::u16string& text) {
        box.SetText(RawString::FromWide(text));
        ASSERT_EQ(TextOf(box), text);
    }
    EditDialog dialog;
};

TEST_F(WinEditBoxTest, TypingAndSelectingByKeysAndMouse) {
    Focus(dialog.single);
    const std::u16string typed = u"ab \u540d\u524d \U0001F600";  // the pair arrives as two WM_CHARs
    WinTest::TypeUnicode(std::wstring(typed.begin(), typed.end()));
    ASSERT_TRUE(PumpUntil([&] { return TextOf(dialog.single) == typed; }));
    ASSERT_EQ(dialog.single.Caret(), 8);
    EXPECT_EQ(dialog.single.GetText().ToUtf8(), RawString::FromWide(typed).ToUtf8());
    EXPECT_EQ(RawLayer::WindowText(dialog.single.Window()).ToU16(), typed);

    const struct {
        WORD key;
        bool ctrl, shift;
        int32_t anchor, caret;
    } steps[] = {
        {VK_LEFT, false, true, 8, 6},  // the pair is one character
        {VK_HOME, false, false, 0, 0},
        {VK_END, false, true, 0, 8},
        {VK_LEFT, true, false, 0, 0},
    };
    for (const auto& s : steps) {
        Combo(s.key, s.ctrl, s.shift);
        EXPECT_TRUE(Selected(dialog.single, s.anchor, s.caret)) << s.anchor << "," << s.caret;
    }

    // A drag from between "a" and "b" to behind the Japanese word.
    Drag(ScreenPoint(dialog.single, 1), ScreenPoint(dialog.single, 5));
    EXPECT_TRUE(Selected(dialog.single, 1, 5));
    EXPECT_FALSE(dialog.single.editOptions & WinEditBoxBasic::kEditMouseSelecting);
}

// The runs themselves are the edit state's; here a double click reaches them.
TEST_F(WinEditBoxTest, DoubleClickSelectsARunOfOneCharacterClass) {
    Put(dialog.single, u"alpha_1, \u540d\u524d\u306e  beta");
    const POINT p = ScreenPoint(dialog.single, 10, true);
    WinTest::ClickAt(p);
    WinTest::ClickAt(p);
    EXPECT_TRUE(Selected(dialog.single, 9, 12));
}

TEST_F(WinEditBoxTest, ClipboardAndReadOnly) {
    const std::u16string text = u"\u540d\u524d \u2713 \U0001F600 \u00e9";
    Put(dialog.single, text);
    Put(dialog.readOnly, u"fixed text");
    const struct {
        const char* name;
        WinEditBox* box;
        std::vector<std::pair<WORD, bool>> keys;  // key, with Ctrl
        std::u16string text;
        std::u16string clipboard;
    } cases[] = {
        {"copy all", &dialog.single, {{'A', true}, {'C', true}}, text, text},
        {"paste into the multi-line box", &dialog.multi, {{'V', true}, {'V', true}}, text + text, text},
        {"cut keeps what it took", &dialog.single, {{'A', true}, {'X', true}}, u"", text},
        {"read-only: no cut, no delete, no paste", &dialog.readOnly,
         {{'A', true}, {'X', true}, {VK_DELETE, false}, {'V', true}, {VK_BACK, false}}, u"fixed text", text},
        {"read-only: copy works", &dialog.readOnly, {{'A', true}, {'C', true}}, u"fixed text", u"fixed text"},
    };
    for (const auto& c : cases) {
        Focus(*c.box);
        for (const auto& [key, ctrl] : c.keys) Combo(key, ctrl);
        // Input is taken in order: once Home has collapsed the selection, every key before it went through.
        Combo(VK_HOME);
        EXPECT_TRUE(Selected(*c.box, 0, 0)) << c.name;
        EXPECT_TRUE(PumpUntil([&] { return TextOf(*c.box) == c.text && ClipboardText() == c.clipboard; }))
            << c.name << ": " << TestSupport::Narrow(std::wstring(TextOf(*c.box).begin(), TextOf(*c.box).end()));
    }
}

// The key rules themselves are the edit state's; here the codes reach the
// dialog, and a focus move by key reports the loss.
TEST_F(WinEditBoxTest, KeysAndFocusLossNotifyTheParent) {
    const int32_t single = dialog.single.ControlId();
    const struct {
        WORD key;
        std::pair<int32_t, uint16_t> command;
        WinEditBox* focusAfter;
    } cases[] = {
        {VK_RETURN, {single, kNotifyExecute}, &dialog.single},
        {VK_DOWN, {single, kNotifyFocusLost}, &dialog.multi},
    };
    for (const auto& c : cases) {
        Focus(dialog.single);
        Flush();
        dialog.commands.clear();
        Combo(c.key);
        EXPECT_TRUE(PumpUntil([&] { return !dialog.commands.empty(); })) << c.key;
        EXPECT_EQ(dialog.commands, std::vector{c.command}) << c.key;
        EXPECT_EQ(GetFocus(), c.focusAfter->Window()) << c.key;
    }
}

TEST_F(WinEditBoxTest, DroppedFilesReplaceTheTextJoinedBySpaces) {
    const std::vector<std::wstring> names = {L"C:\\one.txt", L"C:\\\u540d\u524d\\\u30d5\u30a1\u30a4\u30eb.txt",
                                             L"C:\\three dir\\3.txt"};
    const std::u16string joined = u"C:\\one.txt C:\\\u540d\u524d\\\u30d5\u30a1\u30a4\u30eb.txt C:\\three dir\\3.txt";
    const struct {
        WinEditBox* box;
        std::u16string text;
        std::vector<std::pair<int32_t, uint16_t>> commands;
    } cases[] = {
        {&dialog.single, joined, {{dialog.single.ControlId(), kNotifyFilesDropped}}},
        {&dialog.readOnly, u"kept", {}},
    };
    for (const auto& c : cases) {
        Put(*c.box, u"kept");
        dialog.commands.clear();
        SendMessageW(c.box->Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(WinTest::MakeDrop(names)), 0);
        EXPECT_EQ(TextOf(*c.box), c.text);
        Flush();  // the notifications are posted
        EXPECT_EQ(dialog.commands, c.commands);
    }
    // The drop can be undone.
    Focus(dialog.single);
    Combo('Z', true);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(dialog.single) == u"kept"; }));
}

TEST_F(WinEditBoxTest, EditBarMenuGraysWhatCannotActAndRunsItsCommands) {
    // Read-only grays undo even with something to undo; without an IME its two entries are grayed.
    WinPopupMenu menu;
    BuildEditMenu(menu, {true, true, true, false}, LoadEditBarLabels());
    std::vector<std::pair<uint32_t, bool>> items;  // command (0: separator), grayed
    for (int i = 0; i < GetMenuItemCount(menu.Handle()); ++i) {
        const UINT state = GetMenuState(menu.Handle(), i, MF_BYPOSITION);
        const bool separator = state & MF_SEPARATOR;
        items.emplace_back(separator ? 0 : GetMenuItemID(menu.Handle(), i), !separator && (state & MF_GRAYED));
    }
    const std::vector<std::pair<uint32_t, bool>> expected = {
        {1, false}, {0, false}, {2, true}, {0, false}, {3, false}, {4, false},
        {5, false}, {6, false}, {7, false}, {0, false}, {8, true}, {9, true}};
    EXPECT_EQ(items, expected);
    // A chosen command acts on the box; commands beyond the table are declined.
    Put(dialog.single, u"abc");
    PostMessageW(dialog.single.Window(), kMsgMenuCommand, kEditSelect, 0);
    PostMessageW(dialog.single.Window(), kMsgMenuCommand, kEditInsertTab, 0);
    EXPECT_TRUE(PumpUntil([&] { return TextOf(dialog.single) == u"\t"; }));
    EXPECT_EQ(dialog.single.OnMenuCommand(10, 0), kNotTaken);
}

// Compositions are made through the input context itself (SCS_SETSTR), as an
// IME would; Wine's built-in IME passes them on as composition messages.
TEST_F(WinEditBoxTest, ImeCompositionShowsInlineAndLongResultsGoInWhole) {
    if (!dialog.single.HasImeContext()) GTEST_SKIP() << "the keyboard layout has no IME";
    const std::u16string kana = u"\u304b\u306a";
    const std::u16string longKana(600, u'\u3042');  // 1,200 bytes
    const struct {
        const char* name;
        std::u16string composed;
        bool completeByClick;
        std::u16string text;
        int32_t caret;
    } cases[] = {
        {"the selection goes, the result replaces it", kana, false, u"a" + kana + u"c", 3},
        {"a long composition is not cut", longKana, false, u"a" + longKana + u"c", 601},
        {"a click completes the composition", kana, true, u"a" + kana + u"c", 3},
    };
    for (const auto& c : cases) {
        Put(dialog.single, u"abc");
        Focus(dialog.single);
        dialog.single.Select(1, 2);
        const HIMC context = ImmGetContext(dialog.single.Window());
        ASSERT_NE(context, nullptr);
        std::wstring composed(c.composed.begin(), c.composed.end());
        ImmSetCompositionStringW(context, SCS_SETSTR, composed.data(), static_cast<DWORD>(composed.size() * 2),
                                 nullptr, 0);
        const WinEditComposition& composition = dialog.single.Composition();
        EXPECT_TRUE(PumpUntil([&] { return composition.active && composition.text == c.composed; })) << c.name;
        EXPECT_EQ(TextOf(dialog.single), u"ac") << c.name;  // shown inline, not yet in the text
        EXPECT_EQ(composition.at, 1) << c.name;
        if (c.completeByClick) WinTest::ClickAt(ScreenPoint(dialog.single, 0));
        else ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
        EXPECT_TRUE(PumpUntil([&] { return TextOf(dialog.single) == c.text && !composition.active; })) << c.name;
        if (!c.completeByClick) {
            EXPECT_EQ(dialog.single.Caret(), c.caret) << c.name;
        }
        ImmReleaseContext(dialog.single.Window(), context);
    }
}
