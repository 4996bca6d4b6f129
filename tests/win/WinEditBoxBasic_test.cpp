// The edit state without a window: typing, the key table with the toggling
// undo, character steps and word runs by character class.
#include "win/WinEditBoxBasic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "win/WinView.h"

using namespace WinLayer;
using RawLayer::RawString;

namespace {

// Records what a window would be told.
class Recorder : public WinEditBoxBasic {
public:
    Recorder(const std::u16string& text, int32_t anchor, int32_t caret, uint16_t options) {
        editOptions = options;
        ResetText(RawString::FromWide(text));
        Select(anchor, caret);
    }
    std::u16string Text() const { return EditText().ToU16(); }
    std::vector<int> events;  // notification codes; focus moves as -1 (back) and -2 (next)

protected:
    void Notify(uint16_t code) override {
        if (code != kNotifyTextChanged) events.push_back(code);
    }
    void MoveFocus(bool backwards) override { events.push_back(backwards ? -1 : -2); }
};

constexpr uint16_t kMulti = WinEditBoxBasic::kEditMultiLine;
constexpr uint16_t kReadOnly = WinEditBoxBasic::kEditReadOnly;
constexpr uint16_t kArrows = WinEditBoxBasic::kEditArrowMode;

// One key with the modifiers held, or a typed unit (key 0).
struct Stroke {
    uint32_t key;
    bool ctrl = false;
    bool shift = false;
    uint32_t unit = 0;
};
Stroke Ctrl(uint32_t key) { return {key, true, false}; }
Stroke Shift(uint32_t key) { return {key, false, true}; }
Stroke Char(uint32_t unit) { return {0, false, false, unit}; }

void Play(Recorder& box, const std::vector<Stroke>& strokes, std::vector<bool>* consumed = nullptr) {
    for (const Stroke& s : strokes) {
        const bool used = s.key ? box.OnKey(s.key, s.ctrl, s.shift) : box.OnChar(s.unit);
        if (consumed) consumed->push_back(used);
    }
}

}  // namespace

TEST(WinEditBoxBasic, TypingKeepsSurrogatePairsWholeAndSkipsControls) {
    const std::u16string emoji = u"\U0001F600";
    const struct {
        const char* name;
        uint16_t options;
        std::vector<Stroke> strokes;
        std::u16string text;
        int32_t caret;
    } cases[] = {
        {"letters and Japanese", 0, {Char('a'), Char(u'\u540d'), Char(u'\u524d')}, u"a\u540d\u524d", 3},
        {"a pair is one character", 0, {Char(0xD83D), Char(0xDE00), Char('x')}, emoji + u"x", 3},
        {"a lone low half is dropped", 0, {Char(0xDE00), Char('x')}, u"x", 1},
        {"a high half without its low half is dropped", 0, {Char(0xD83D), Char('x')}, u"x", 1},
        {"127, tab and line feed are no typed text", 0, {Char(127), Char(9), Char(10), Char(' ')}, u" ", 1},
        {"read-only takes nothing", kReadOnly, {Char('a'), Char(0xD83D), Char(0xDE00)}, u"", 0},
        {"Left steps over a pair, Delete removes it whole", 0,
         {Char(0xD83D), Char(0xDE00), Stroke{VK_LEFT}, Stroke{VK_DELETE}}, u"", 0},
        {"Backspace removes a pair whole", 0, {Char('a'), Char(0xD83D), Char(0xDE00), Stroke{VK_BACK}}, u"a", 1},
    };
    for (const auto& c : cases) {
        Recorder box(u"", 0, 0, c.options);
        Play(box, c.strokes);
        EXPECT_EQ(box.Text(), c.text) << c.name;
        EXPECT_EQ(box.Caret(), c.caret) << c.name;
        EXPECT_EQ(box.Anchor(), c.caret) << c.name;
    }
}

TEST(WinEditBoxBasic, KeyTable) {
    const struct {
        const char* name;
        std::u16string text;
        int32_t anchor, caret;
        uint16_t options;
        std::vector<Stroke> strokes;
        std::u16string expected;
        int32_t expectedAnchor, expectedCaret;
        std::vector<int> events;
        std::vector<bool> consumed;
    } cases[] = {
        {"Ctrl+J and Ctrl+L step", u"abc", 1, 1, 0, {Ctrl('L'), Ctrl('L'), Ctrl('J')}, u"abc", 2, 2, {},
         {true, true, true}},
        {"Backspace and Ctrl+H delete before the caret", u"abcd", 3, 3, 0, {Stroke{VK_BACK}, Ctrl('H')}, u"ad", 1,
         1, {}, {true, true}},
        {"Delete takes the selection", u"abcd", 1, 3, 0, {Stroke{VK_DELETE}}, u"ad", 1, 1, {}, {true}},
        {"Tab inserts a tab", u"ab", 1, 1, 0, {Stroke{VK_TAB}}, u"a\tb", 2, 2, {}, {true}},
        {"Tab moves the focus with option 3, Shift or Ctrl", u"ab", 1, 1, WinEditBoxBasic::kEditTabMovesFocus,
         {Stroke{VK_TAB}, Shift(VK_TAB), Ctrl(VK_TAB)}, u"ab", 1, 1, {}, {false, false, false}},
        {"read-only: Tab, Backspace, Delete and Ctrl+X do nothing", u"abc", 1, 2, kReadOnly,
         {Stroke{VK_TAB}, Stroke{VK_BACK}, Stroke{VK_DELETE}, Ctrl('X'), Ctrl('Z')}, u"abc", 1, 2, {},
         {true, true, true, true, true}},
        {"Enter in a single line executes", u"ab", 2, 2, 0, {Stroke{VK_RETURN}, Ctrl('M')}, u"ab", 2, 2,
         {kNotifyExecute, kNotifyExecute}, {true, true}},
        {"Enter in a multi-line box breaks the line", u"ab", 1, 1, kMulti, {Stroke{VK_RETURN}}, u"a\r\nb", 3, 3, {},
         {true}},
        {"Ctrl+Enter in a multi-line box executes", u"ab", 1, 1, kMulti, {Ctrl(VK_RETURN)}, u"ab", 1, 1,
         {kNotifyExecute}, {true}},
        {"Esc cancels", u"ab", 0, 0, 0, {Stroke{VK_ESCAPE}}, u"ab", 0, 0, {kNotifyCancel}, {true}},
        {"arrow mode: Up nothing, Down notifies", u"ab", 0, 0, kArrows, {Stroke{VK_UP}, Stroke{VK_DOWN}}, u"ab", 0, 0,
         {kNotifyDown}, {true, true}},
        {"single line: Up and Down move the focus", u"ab", 0, 0, 0, {Stroke{VK_UP}, Stroke{VK_DOWN}}, u"ab", 0, 0,
         {-1, -2}, {true, true}},
        {"multi-line: Down and Shift+Up by lines, the break is one step", u"abc\r\nde\r\nfgh", 2, 2, kMulti,
         {Stroke{VK_DOWN}, Stroke{VK_DOWN}, Shift(VK_UP), Shift(VK_LEFT), Shift(VK_LEFT), Shift(VK_LEFT)},
         u"abc\r\nde\r\nfgh", 11, 3, {}, {true, true, true, true, true, true}},
        {"Ctrl+I and Ctrl+K only in a multi-line box", u"a\nb", 0, 0, 0, {Ctrl('K'), Ctrl('I')}, u"a\nb", 0, 0, {},
         {false, false}},
        {"Ctrl+K moves a line in a multi-line box", u"a\nb", 0, 0, kMulti, {Ctrl('K')}, u"a\nb", 2, 2, {}, {true}},
        {"other Ctrl+letters and plain keys are left alone", u"ab", 0, 0, 0, {Ctrl('Q'), Stroke{VK_F2}}, u"ab", 0, 0,
         {}, {false, false}},
        {"Undo of typing over a selection restores and selects", u"abcd", 1, 3, 0, {Char('X'), Ctrl('Z')}, u"abcd", 1, 3,
         {}, {true, true}},
        {"a second Undo re-applies, a third restores", u"abcd", 1, 3, 0, {Char('X'), Ctrl('Z'), Ctrl('Z'), Ctrl('Z')},
         u"abcd", 1, 3, {}, {true, true, true, true}},
        {"Undo of a deleted selection", u"abcd", 1, 3, 0, {Stroke{VK_DELETE}, Ctrl('Z')}, u"abcd", 1, 3, {},
         {true, true}},
        {"Undo of a pair typed", u"abcd", 1, 3, 0, {Char(0xD83D), Char(0xDE00), Ctrl('Z')}, u"abcd", 1, 3, {},
         {false, true, true}},
        {"nothing to undo yet", u"abcd", 1, 3, 0, {Ctrl('Z')}, u"abcd", 1, 3, {}, {true}},
    };
    for (const auto& c : cases) {
        Recorder box(c.text, c.anchor, c.caret, c.options);
        std::vector<bool> consumed;
        Play(box, c.strokes, &consumed);
        EXPECT_EQ(box.Text(), c.expected) << c.name;
        EXPECT_EQ(box.Anchor(), c.expectedAnchor) << c.name;
        EXPECT_EQ(box.Caret(), c.expectedCaret) << c.name;
        EXPECT_EQ(box.events, c.events) << c.name;
        EXPECT_EQ(consumed, c.consumed) << c.name;
    }
}

TEST(WinEditBoxBasic, WordRunsByCharacterClass) {
    const std::u16string text = u"ab_1 \t.,\u00e9\u00e8\u540d\U0001F600x\r\n";
    const struct {
        int32_t at;
        int32_t begin, end;
    } cases[] = {
        {1, 0, 4},    // letters, digits and the underscore
        {4, 4, 6},    // space and tab
        {6, 6, 8},    // punctuation
        {9, 8, 10},   // 161 to 255
        {11, 10, 13}, // 256 and above, the pair inside the run
        {12, 10, 13}, // inside the pair: snapped to its start
        {13, 13, 14}, // a letter after the run
        {14, 14, 16}, // the line break
        {16, 14, 16}, // at the end: the last character's run
    };
    for (const auto& c : cases) {
        Recorder box(text, 0, 0, 0);
        box.SelectWordAt(c.at);
        EXPECT_EQ(box.Anchor(), c.begin) << c.at;
        EXPECT_EQ(box.Caret(), c.end) << c.at;
    }
}
