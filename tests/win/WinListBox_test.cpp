// The list box: its selection, cursor, layout, hit-test and scroll rules as
// plain functions, then a list box in a dialog driven by real keys, clicks
// and wheel messages.
#include "win/WinListBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WinTestInput.h"
#include "win/WinDialog.h"
#include "win/WinToolkit.h"

using namespace WinLayer;
using WinTest::PumpUntil;
using WinTest::Witness;
using Unit = WinListBoxItemUnit;

namespace {

constexpr int32_t kRowHeight = 10;

// Rows from a pattern: '.' a row 10 high, 'h' a hidden one, '0' one without
// height; a header and a trailer of the given heights (0: hidden).
struct TestRows {
    explicit TestRows(const std::string& pattern, int32_t headerHeight = 0, int32_t trailerHeight = 0,
                      int32_t top = 0) {
        units.resize(pattern.size());
        for (size_t i = 0; i < pattern.size(); ++i) {
            if (pattern[i] == 'h') units[i].flags |= Unit::kHidden;
            pointers.push_back(&units[i]);
        }
        header.rect = {0, 0, 0, headerHeight};
        if (headerHeight == 0) header.flags |= Unit::kHidden;
        trailer.rect = {0, 0, 0, trailerHeight};
        if (trailerHeight == 0) trailer.flags |= Unit::kHidden;
        extent = PlaceRows(Set(), top, 100, usable, [&](int32_t i, Unit&, RECT& r) {
            r = {0, 0, 50 + i, pattern[static_cast<size_t>(i)] == '0' ? 0 : kRowHeight};
            return true;
        });
    }
    WinListBoxRowSet Set() { return {pointers, usable, &header, &trailer}; }
    std::string Selected() const {
        std::string marks;
        for (const Unit& unit : units) marks += unit.IsSelected() ? 'x' : '.';
        return marks;
    }

    std::vector<Unit> units;
    std::vector<Unit*> pointers;
    WinListBoxUsableRows usable;
    Unit header{Unit::kHeaderKind};
    Unit trailer{Unit::kTrailerKind};
    WinListBoxExtent extent;
};

}  // namespace

TEST(WinListBoxRules, SelectionOperations) {
    struct Step {
        char op;  // s single, t toggle (Ctrl+click), e extend (Shift+click), c cursor only, a all
        int32_t index;
        const char* selected;
        int32_t cursor, anchor;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"single", {{'s', 2, "..x...", 2, 2}, {'s', 4, "....x.", 4, 4}}},
        {"ctrl adds and removes", {{'s', 1, ".x....", 1, 1}, {'t', 3, ".x.x..", 3, 1}, {'t', 1, "...x..", 1, 1}}},
        {"shift from the anchor both ways", {{'s', 2, "..x...", 2, 2}, {'e', 4, "..xxx.", 4, 2}, {'e', 0, "xxx...", 0, 2}}},
        {"shift after ctrl keeps the anchor", {{'s', 1, ".x....", 1, 1}, {'t', 4, ".x..x.", 4, 1}, {'e', 3, ".xxx..", 3, 1}}},
        {"shift without an anchor", {{'e', 3, "......", -1, -1}}},
        {"no row clears", {{'s', 2, "..x...", 2, 2}, {'s', kNoRow, "......", -1, -1}}},
        {"indices outside are ignored",
         {{'s', 2, "..x...", 2, 2}, {'s', 6, "..x...", 2, 2}, {'t', -5, "..x...", 2, 2}, {'e', 99, "..x...", 2, 2}}},
        {"ctrl+A, then one row", {{'s', 2, "..x...", 2, 2}, {'a', 0, "xxxxxx", 2, 2}, {'s', 5, ".....x", 5, 5}}},
        {"ctrl+arrow moves the cursor alone", {{'s', 2, "..x...", 2, 2}, {'c', 4, "..x...", 4, 2}}},
    };
    for (const auto& c : cases) {
        TestRows rows("......");
        WinListBoxSelection selection;
        for (const Step& step : c.steps) {
            switch (step.op) {
                case 's': SelectSingle(rows.Set(), selection, step.index); break;
                case 't': ToggleItem(rows.Set(), selection, step.index); break;
                case 'e': ExtendTo(rows.Set(), selection, step.index); break;
                case 'c': MoveCursorOnly(rows.Set(), selection, step.index); break;
                case 'a': SelectAll(rows.Set(), selection); break;
            }
            SCOPED_TRACE(testing::Message() << c.name << ": " << step.op << step.index);
            EXPECT_EQ(rows.Selected(), step.selected);
            EXPECT_EQ(selection.cursor, step.cursor);
            EXPECT_EQ(selection.anchor, step.anchor);
        }
    }
}

TEST(WinListBoxRules, SnapshotSurvivesASelectionChange) {
    TestRows rows("......");
    WinListBoxSelection selection;
    SelectSingle(rows.Set(), selection, 1);
    ToggleItem(rows.Set(), selection, 3);
    const WinListBoxSnapshot snapshot = SnapshotSelection(rows.Set());
    EXPECT_EQ(snapshot.count, 2);
    EXPECT_EQ(snapshot.first, 1);
    EXPECT_EQ(snapshot.last, 3);
    SelectSingle(rows.Set(), selection, 5);
    std::string kept;
    for (const Unit& unit : rows.units) kept += (unit.flags & Unit::kSnapshot) ? 'x' : '.';
    EXPECT_EQ(kept, ".x.x..");
    EXPECT_EQ(rows.Selected(), ".....x");
}

TEST(WinListBoxRules, CursorKeysSkipHiddenAndEmptyRows) {
    constexpr int32_t kNone = -99;  // the key moves nothing
    const struct {
        const char* pattern;
        int32_t trailer;
        UINT key;
        int32_t cursor;
        bool ctrl, multiple;
        int32_t target;
        bool direct;
    } cases[] = {
        {".h0.h.", 0, VK_DOWN, 3, false, true, 5, false},
        {".h0.h.", 0, VK_DOWN, 5, false, true, kNone, false},
        {".h0.h.", 4, VK_DOWN, 5, false, true, kTrailerRow, false},
        {".h0.h.", 4, VK_DOWN, kTrailerRow, false, true, kNone, false},
        {".h0.h.", 0, VK_DOWN, kNoRow, false, true, 0, false},
        {"h0.h.", 0, VK_DOWN, kHeaderRow, false, true, 2, false},
        {".h0.h.", 0, VK_UP, 3, false, true, 0, false},
        {".h0.h.", 0, VK_UP, 0, false, true, kNone, false},
        {"h0..", 4, VK_UP, 2, false, true, kNone, false},  // the top never wraps to the trailer
        {".h0.h.", 4, VK_UP, kTrailerRow, false, true, 5, false},
        {".h0.h.", 4, VK_UP, kNoRow, false, true, kTrailerRow, true},
        {".h0.h.", 0, VK_UP, kHeaderRow, false, true, kNone, false},
        {"h0..h", 0, VK_HOME, 3, false, true, 2, false},
        {".h0.h.", 4, VK_END, 0, false, true, kTrailerRow, true},
        {".h0.hh", 0, VK_END, 0, false, true, 3, false},  // hidden trailer: the last usable row
        {".h0.h.", 0, VK_UP, 5, true, false, 0, false},     // single selection: Ctrl+Up is Home
        {".h0.h.", 0, VK_DOWN, 0, true, false, 5, false},   // and Ctrl+Down is End
        {".h0.h.", 0, VK_DOWN, 0, true, true, 3, false},    // multiple: Ctrl moves one row
        {"", 4, VK_DOWN, kNoRow, false, true, kNone, false},
    };
    for (const auto& c : cases) {
        TestRows rows(c.pattern, 0, c.trailer);
        const WinListBoxKeyMove move = MoveForKey(rows.Set(), c.key, c.cursor, c.ctrl, c.multiple);
        SCOPED_TRACE(testing::Message() << c.pattern << " key " << c.key << " from " << c.cursor);
        EXPECT_EQ(move.moves ? move.target : kNone, c.target);
        EXPECT_EQ(move.direct, c.direct);
    }
}

TEST(WinListBoxRules, RowsPlacedInOrderWithTrailerBelow) {
    TestRows rows(".h0..", 0, 5);
    EXPECT_EQ(rows.usable, (WinListBoxUsableRows{{0, 0}, {3, 10}, {4, 20}}));
    const int32_t tops[] = {0, 10, 10, 10, 20};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rows.units[i].rect.top, tops[i]) << i;
    EXPECT_EQ(rows.trailer.rect.top, 30);
    EXPECT_EQ(rows.extent.height, 35);
    EXPECT_EQ(rows.extent.width, 54);  // the widest usable row; hidden ones do not count
    EXPECT_EQ(TestRows("hh0").extent.width, 100);  // no width at all: the view's
}

TEST(WinListBoxRules, RowSearchAgreesWithAWalk) {
    // Heights 1 to 23 in no order, every fifth row hidden; then all of one height.
    for (const bool even : {false, true}) {
        std::vector<Unit> units(300);
        std::vector<Unit*> pointers;
        for (size_t i = 0; i < units.size(); ++i) {
            if (i % 5 == 4) units[i].flags |= Unit::kHidden;
            pointers.push_back(&units[i]);
        }
        WinListBoxUsableRows usable;
        const WinListBoxRowSet rows{pointers, usable, nullptr, nullptr};
        const WinListBoxExtent extent = PlaceRows(rows, 0, 100, usable, [&](int32_t i, Unit&, RECT& r) {
            r = {0, 0, 10, even ? 12 : 1 + (i * 7) % 23};
            return true;
        });
        const WinListBoxRowSet placed{pointers, usable, nullptr, nullptr};
        int32_t walked = 0;
        for (int32_t y = -3; y < extent.height + 3; ++y) {
            while (walked + 1 < static_cast<int32_t>(usable.size()) && usable[walked + 1].top <= y) ++walked;
            ASSERT_EQ(UsableAt(placed, y), walked) << "y " << y << (even ? " even" : " mixed");
        }
    }
}

TEST(WinListBoxRules, HitTestFindsItemsHeaderAndTrailer) {
    // Margin 1, header 8, rows 10 high, trailer 5.
    const struct {
        uint16_t options;
        int32_t scrollY, y, expected;
    } cases[] = {
        {0, 0, 0, kHeaderRow},  // the top margin belongs to a fixed header
        {0, 0, 8, kHeaderRow},  {0, 0, 9, 0},           {0, 0, 18, 0},  {0, 0, 19, 3},
        {0, 0, 39, kTrailerRow}, {0, 0, 44, kNoRow},    {0, 10, 9, 3},  {0, 10, 8, kHeaderRow},
        {kListHeaderScrolls, 0, 1, kHeaderRow}, {kListHeaderScrolls, 0, 9, 0}, {kListHeaderScrolls, 8, 1, 0},
    };
    for (const auto& c : cases) {
        const bool fixed = HeaderIsFixed(c.options);
        TestRows rows(".h0..", 8, 5, fixed ? 0 : 8);
        WinListBoxFrame frame;
        frame.marginTop = 1;
        frame.view = {1, fixed ? 9 : 1, 99, 200};
        frame.scroll = {0, c.scrollY};
        frame.options = c.options;
        EXPECT_EQ(HitTest(rows.Set(), frame, {20, c.y}), c.expected)
            << "options " << c.options << " scroll " << c.scrollY << " y " << c.y;
    }
}

TEST(WinListBoxRules, ScrollRequestsPageByHalfAView) {
    // Line 10, view 100, content 1000.
    const struct {
        int32_t request, offset, track, expected;
    } cases[] = {
        {SB_LINEDOWN, 0, 0, 10},    {SB_LINEUP, 5, 0, 0},        {SB_PAGEDOWN, 0, 0, 50},
        {SB_PAGEUP, 20, 0, 0},      {SB_BOTTOM, 0, 0, 900},      {SB_TOP, 400, 0, 0},
        {SB_THUMBTRACK, 0, 450, 450}, {SB_THUMBTRACK, 0, 5000, 900}, {SB_PAGEDOWN, 880, 0, 900},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScrollForRequest(c.request, c.offset, 10, 100, 1000, c.track), c.expected) << c.request;
    EXPECT_EQ(ScrollForRequest(SB_BOTTOM, 0, 10, 100, 60, 0), 0);  // content shorter than the view
}

TEST(WinListBoxRules, WheelStepsMoveOneLinePer120) {
    const struct {
        int32_t offset, delta, expected;
    } cases[] = {
        {0, -120, 10}, {30, 120, 20}, {0, -60, 5}, {0, -360, 30}, {0, -1, 0}, {5, 240, 0}, {895, -120, 900},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WheelScroll(c.offset, 10, c.delta, 1000, 100), c.expected) << c.offset << " " << c.delta;
}

TEST(WinListBoxRules, ZoomKeepsFontsAtSixPixelsOrMore) {
    const struct {
        int32_t height, delta, expected;
    } cases[] = {
        {-12, -120, -11}, {-6, 0, -7}, {12, 120, 13}, {6, -120, 6}, {5, 120, 6}, {0, 120, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ZoomedFontHeight(c.height, c.delta), c.expected) << c.height << " " << c.delta;
}

TEST(WinListBoxRules, LogicalWidthScalesLayoutAndPointer) {
    EXPECT_EQ(LayoutSize(800, {400, 300}).cy, 600);
    EXPECT_EQ(LayoutPoint({200, 100}, 800, 400).y, 200);
    // No logical width: the client's own, unscaled.
    EXPECT_EQ(LayoutSize(-5, {400, 300}).cx, 400);
    EXPECT_EQ(LayoutPoint({7, 9}, 0, 400).x, 7);
}

// ---------------------------------------------------------------- a list box

namespace {

class TestList : public WinListBox {
public:
    TestList() {
        listOptions |= kListMultiple;
        placement = {10, 10, 310, 210};
    }
    void MeasureItem(HDC, const RECT&, int32_t, Unit&, RECT& rect) override {
        ++measured;
        rect = {0, 0, 200, 20};
    }
    void DrawItem(HDC dc, const RECT& rect, int32_t index, Unit& item) override {
        FillSolid(dc, rect, item.IsSelected() ? 0xFFD0C0 : 0xFFFFFF);
        const std::wstring text = L"Row " + std::to_wstring(index);
        TextOutW(dc, rect.left + 4, rect.top + 2, text.c_str(), static_cast<int>(text.size()));
    }
    // The screen point in the middle of an item row.
    POINT RowPoint(int32_t index) {
        const RECT& r = ItemAt(index)->rect;
        return WinTest::ScreenPoint(Window(), {40, view.top + r.top - scroll.y + 10});
    }
    int measured = 0;
};

class ListDialog : public WinTest::TestWindow {
public:
    ListDialog() : TestWindow("VarneloListDialog", {100, 100, 460, 360}, "List box") {}
    void OnCreated() override { AddChild(list); }
    int32_t OnChildCommand(WinView* child, uint16_t code) override {
        if (child == &list) codes.push_back(code);
        return WinDialog::OnChildCommand(child, code);
    }
    int Count(uint16_t code) const { return static_cast<int>(std::count(codes.begin(), codes.end(), code)); }

    TestList list;
    std::vector<uint16_t> codes;
};

class WinListBoxWindow : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 40; ++i) dialog.list.AppendItem();
        ASSERT_TRUE(WinTest::ShowInFront(dialog));
        SetFocus(list().Window());
        list().Flush();
    }
    void TearDown() override { WinTest::Destroy(dialog); }
    TestList& list() { return dialog.list; }
    std::string Selected() {
        std::string marks;
        for (int i = 0; i < 10; ++i) marks += list().ItemAt(i)->IsSelected() ? 'x' : '.';
        return marks;
    }
    bool NotifiedAfter(uint16_t code, int before) {
        return PumpUntil([&] { return dialog.Count(code) > before; });
    }
    ListDialog dialog;
};

}  // namespace

TEST_F(WinListBoxWindow, ClicksSelectWithShiftAndCtrl) {
    // Shift without an anchor first: nothing happens.
    Witness downs(list(), WM_LBUTTONDOWN);
    WinTest::ClickWith(VK_SHIFT, list().RowPoint(3));
    ASSERT_TRUE(PumpUntil([&] { return downs.seen == 1; }));
    EXPECT_EQ(list().Cursor(), kNoRow);
    EXPECT_EQ(Selected(), "..........");
    WinTest::ClickAt(list().RowPoint(2));
    ASSERT_TRUE(PumpUntil([&] { return list().Cursor() == 2; }));
    EXPECT_EQ(Selected(), "..x.......");
    const int selectionReports = dialog.Count(kNotifySelection);

    WinTest::ClickWith(VK_SHIFT, list().RowPoint(5));
    ASSERT_TRUE(PumpUntil([&] { return list().Cursor() == 5; }));
    EXPECT_EQ(Selected(), "..xxxx....");
    WinTest::ClickWith(VK_CONTROL, list().RowPoint(8));
    ASSERT_TRUE(PumpUntil([&] { return list().Cursor() == 8; }));
    EXPECT_EQ(Selected(), "..xxxx..x.");
    EXPECT_EQ(list().Anchor(), 2);
    EXPECT_EQ(dialog.Count(kNotifySelection), selectionReports + 2);
}

TEST_F(WinListBoxWindow, KeysSelectAllPageHalfAViewAndExecute) {
    WinTest::PressKeyWith(VK_CONTROL, 'A');
    ASSERT_TRUE(PumpUntil([&] { return list().SnapshotSelection().count == 40; }));

    const int scrollReports = dialog.Count(kNotifyScroll);
    WinTest::PressKey(VK_NEXT);
    ASSERT_TRUE(PumpUntil([&] { return list().scroll.y != 0; }));
    EXPECT_EQ(list().scroll.y, list().ViewHeight() / 2);
    EXPECT_TRUE(NotifiedAfter(kNotifyScroll, scrollReports));

    WinTest::PressKey(VK_END);
    ASSERT_TRUE(PumpUntil([&] { return list().Cursor() == 39; }));
    EXPECT_EQ(list().scroll.y, list().extent.cy - list().ViewHeight());
    const int executes = dialog.Count(kNotifyExecute);
    WinTest::PressKey(VK_RETURN);
    EXPECT_TRUE(NotifiedAfter(kNotifyExecute, executes));
}

TEST_F(WinListBoxWindow, WheelMovesOneLineAndCtrlWheelZooms) {
    const HWND window = list().Window();
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(list().scroll.y, list().line.cy);
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(list().scroll.y, 0);

    LOGFONTW logFont = WinToolkit::Instance().DefaultLogFont();
    logFont.lfHeight = -7;
    list().SetListFont(logFont);
    const auto height = [&] {
        LOGFONTW current{};
        GetObjectW(list().ResolvedFont(), sizeof(current), &current);
        return current.lfHeight;
    };
    const int measuredBefore = list().measured;
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(height(), -6);
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(height(), -6);
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
    EXPECT_EQ(height(), -7);
    EXPECT_GE(list().measured, measuredBefore + 40);  // a zoom measures every row anew
}

TEST(WinListBox, LayoutMeasuresOnlyRowsThatNeedIt) {
    TestList list;  // no window: laid out at the size it is given
    list.SetClientSize({300, 200});
    for (int i = 0; i < 5; ++i) list.AppendItem();
    list.Flush();
    EXPECT_EQ(list.measured, 5);
    list.AppendItem();
    list.Flush();
    EXPECT_EQ(list.measured, 6);
    list.ItemAt(2)->flags &= ~Unit::kMeasured;  // a row whose text changed
    list.Layout(false);
    EXPECT_EQ(list.measured, 7);
    list.Relayout();
    EXPECT_EQ(list.measured, 13);
    EXPECT_EQ(list.extent.cy, 120);
    EXPECT_EQ(list.HitTest({10, 1 + 45}), 2);
}

TEST(WinListBox, BadSizesAndIndicesDoNoHarm) {
    TestList list;
    list.logicalWidth = 500;
    list.SetClientSize({0, 300});
    for (int i = 0; i < 3; ++i) list.AppendItem();
    list.Relayout();
    EXPECT_EQ(list.HitTest({10, 10}), 0);
    list.SetClientSize({-20, -20});
    list.Relayout();
    EXPECT_EQ(list.scroll.y, 0);
    const HDC screen = GetDC(nullptr);
    list.Paint(screen, {0, 0, 0, 0}, 0);
    ReleaseDC(nullptr, screen);
    list.SetCursor(7);
    list.Toggle(-9);
    list.Extend(3);
    list.ScrollIntoView(12);
    EXPECT_EQ(list.Cursor(), kNoRow);
    EXPECT_EQ(list.SnapshotSelection().count, 0);
}
