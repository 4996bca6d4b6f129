// The main window's arithmetic: placements after a resize, saved rectangles,
// column widths, row colours and hit zones.
#include "app/GuiLayout.h"

#include <gtest/gtest.h>

#include "job/JobCondition.h"
#include "job/JobOption.h"
#include "win/WinPlacement.h"

using namespace AppLayer;
using JobLayer::JobCondition;
using JobLayer::JobFileUnit;
using JobLayer::JobOption;
using WinLayer::Height;
using WinLayer::Width;

namespace {

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }

}  // namespace

TEST(GuiLayout, ResizeKeepsRowsAndGrowsTheViewBox) {
    GuiFittedSize sizes[kGuiChildCount];
    for (auto& s : sizes) s = {60, 20};
    GuiMainLayout layout = LayOutMainDialog(sizes, 4, 640, 360);
    const RECT client{0, 0, layout.client.cx, layout.client.cy};
    const RECT oldBox = layout.Child(GuiChild::OldBox);
    const RECT label = layout.Child(GuiChild::OldLabel);
    const RECT clear = layout.Child(GuiChild::Clear);
    const RECT selector = layout.Child(GuiChild::StyleSelector);
    const RECT view = layout.Child(GuiChild::ViewBox);
    const RECT status = layout.Child(GuiChild::Status);
    EXPECT_EQ(view.right, client.right - 4);
    EXPECT_EQ(view.bottom, status.top - 4);
    EXPECT_EQ(status.bottom, client.bottom - 4);
    EXPECT_EQ(oldBox.left, label.right + 4);

    ArrangePlacements(layout.records, client, {0, 0, client.right + 100, client.bottom + 50});
    EXPECT_TRUE(Same(layout.Child(GuiChild::OldLabel), label));
    EXPECT_EQ(layout.Child(GuiChild::OldBox).right, oldBox.right + 100);  // the box grows with the row
    EXPECT_EQ(layout.Child(GuiChild::OldBox).bottom, oldBox.bottom);
    EXPECT_EQ(layout.Child(GuiChild::Clear).left, clear.left + 100);  // buttons keep their distance to the right
    EXPECT_EQ(Width(layout.Child(GuiChild::Clear)), Width(clear));
    EXPECT_EQ(layout.Child(GuiChild::Clear).top, clear.top);
    EXPECT_TRUE(Same(layout.Child(GuiChild::StyleSelector), selector));  // selectors stay at the left
    const RECT grown = layout.Child(GuiChild::ViewBox);
    EXPECT_EQ(grown.right - view.right, 100);
    EXPECT_EQ(grown.bottom - view.bottom, 50);
    EXPECT_EQ(grown.top, view.top);
    const RECT line = layout.Child(GuiChild::Status);  // the status line stays below it, as tall
    EXPECT_EQ(line.top - status.top, 50);
    EXPECT_EQ(Height(line), Height(status));
    EXPECT_EQ(Width(line) - Width(status), 100);
}

TEST(GuiLayout, SavedRectangleOnAMonitorStaysElseItIsCentred) {
    const RECT work{0, 0, 1280, 1000};
    const std::vector<RECT> monitors{{0, 0, 1280, 1024}};
    struct Case {
        RECT saved;
        RECT expected;
    } cases[] = {
        {{100, 100, 500, 400}, {100, 100, 500, 400}},
        {{1200, 900, 1600, 1200}, {1200, 900, 1600, 1200}},  // overlaps by a corner
        {{3000, 100, 3400, 400}, {440, 350, 840, 650}},      // a monitor that is gone
        {{-90000, -90000, -89000, -89500}, {140, 250, 1140, 750}},
    };
    for (const Case& c : cases) EXPECT_TRUE(Same(PlaceSavedRect(c.saved, monitors, work), c.expected)) << c.saved.left;
}

TEST(GuiLayout, ColumnWidths) {
    struct Case {
        int32_t available, need, first;
    } cases[] = {
        {1000, 100, 500},  // a narrow column 0 takes exactly half
        {1000, 700, 700},
        {999, 5000, 900},  // at most nine tenths: 999 - 99
        {7, 1, 3},
    };
    for (const Case& c : cases) {
        const GuiColumns columns = ColumnWidths(c.available, c.need);
        EXPECT_EQ(columns.first, c.first) << c.available << " " << c.need;
        EXPECT_EQ(columns.first + columns.second, c.available);
    }
}

TEST(GuiLayout, RowBackground) {
    const COLORREF window = 0x00FFFFFF, face = 0x00F0F0F0;
    const uint16_t both = JobFileUnit::RenameSucceeded | JobFileUnit::RenameFailed;
    struct Case {
        GuiRowState row;
        COLORREF expected;
    } cases[] = {
        {{0, false, false, false}, window},
        {{JobFileUnit::RenameFailed, false, false, false}, kFailedColour},
        {{JobFileUnit::RenameSucceeded, false, false, false}, kSucceededColour},
        {{both, false, false, false}, kFailedColour},  // failure wins
        {{0, true, true, false}, kSelectedFocused},
        {{0, true, false, false}, kSelectedUnfocused},
        {{0, true, true, true}, window},
        {{JobFileUnit::Excluded, true, true, false}, face},
        {{JobFileUnit::RenameSucceeded, true, true, false}, RGB(0xAD, 0xD3, 0xC7)},  // selected and succeeded: mixed
        {{JobFileUnit::Header, false, false, false}, face},
        {{0, false, false, false, true}, kConflictColour},
        {{JobFileUnit::RenameSucceeded, false, false, false, true}, kSucceededColour},  // the outcome replaces it
    };
    for (const Case& c : cases) EXPECT_EQ(RowBackground(c.row, window, face, window), c.expected) << c.row.unitFlags;
}

TEST(GuiLayout, HitZonesAndImages) {
    const int32_t h = 20;
    struct Case {
        int32_t x, indent;
        GuiHitZone zone;
    } cases[] = {
        {1, 0, GuiHitZone::Indent},  {2, 0, GuiHitZone::CheckBox},    {21, 0, GuiHitZone::Indent},
        {39, 0, GuiHitZone::Image},  {40, 0, GuiHitZone::Name},       {45, 40, GuiHitZone::CheckBox},
        {150, 0, GuiHitZone::NewName}, {300, 0, GuiHitZone::Outside}, {-1, 0, GuiHitZone::Outside},
    };
    for (const Case& c : cases) EXPECT_EQ(HitZone(c.x, c.indent, h, 100, 200), c.zone) << c.x;
    EXPECT_EQ(ItemImage(JobFileUnit::File, JobCondition::ViewStyle::TreeView), 0);
    EXPECT_EQ(ItemImage(JobFileUnit::Folder | JobFileUnit::HasFiles, JobCondition::ViewStyle::TreeView), 3);
    EXPECT_EQ(ItemImage(JobFileUnit::Folder | JobFileUnit::HasFiles | JobFileUnit::Opened, JobCondition::ViewStyle::TreeView), 1);
    EXPECT_EQ(ItemImage(JobFileUnit::Folder, JobCondition::ViewStyle::TreeView), 2);
    EXPECT_EQ(ItemImage(JobFileUnit::Folder | JobFileUnit::HasFiles, JobCondition::ViewStyle::MatchedList), 2);
}

TEST(GuiLayout, RowVisibility) {
    const uint16_t defaults = JobOption::kDefaultFlags;
    const uint16_t shown = JobFileUnit::Shown;
    struct Case {
        uint16_t unit;
        JobCondition::ViewStyle style;
        JobCondition::Limitation limitation;
        uint16_t options;
        bool visible;
    } cases[] = {
        {JobFileUnit::Matched, JobCondition::ViewStyle::MatchedList, JobCondition::Limitation::Dropped, defaults, true},
        {shown, JobCondition::ViewStyle::MatchedList, JobCondition::Limitation::Dropped, defaults, false},
        {0, JobCondition::ViewStyle::TreeView, JobCondition::Limitation::Both, defaults, false},
        {shown, JobCondition::ViewStyle::TreeView, JobCondition::Limitation::Folder, defaults, false},  // files hidden on Folder
        {shown, JobCondition::ViewStyle::TreeView, JobCondition::Limitation::Folder, 0, true},
        {shown | JobFileUnit::Eligible, JobCondition::ViewStyle::TreeView, JobCondition::Limitation::Folder, defaults, true},
        {shown, JobCondition::ViewStyle::TreeView, JobCondition::Limitation::Dropped, defaults, false},
        {shown, JobCondition::ViewStyle::TreeView, JobCondition::Limitation::File, defaults, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowVisible(c.unit, c.style, c.limitation, c.options, false), c.visible) << c.unit << " " << static_cast<int>(c.style);
    EXPECT_TRUE(RowVisible(0, static_cast<JobCondition::ViewStyle>(7), JobCondition::Limitation::Dropped, defaults, true));
}
