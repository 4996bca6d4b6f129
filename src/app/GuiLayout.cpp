// The main window's layout and view-box rules as plain arithmetic.
#include "app/GuiLayout.h"

#include <algorithm>

#include "job/JobCondition.h"
#include "job/JobOption.h"
#include "win/WinPlacement.h"

namespace AppLayer {

using JobLayer::JobCondition;
using JobLayer::JobFileUnit;
using JobLayer::JobOption;
using WinLayer::ApplyPlacement;
using WinLayer::Height;
using WinLayer::Width;

void ArrangePlacements(std::vector<GuiPlacement>& records, const RECT& oldClient, const RECT& newClient) {
    // Each record follows its reference's move, so the old rectangles are kept
    // until every record that may refer to them has moved.
    std::vector<RECT> before;
    before.reserve(records.size());
    for (const GuiPlacement& r : records) before.push_back(r.rect);
    for (GuiPlacement& r : records) {
        const bool client = r.reference == GuiPlacement::kClientReference;
        const RECT& from = client ? oldClient : before[r.reference];
        const RECT& to = client ? newClient : records[r.reference].rect;
        r.rect = ApplyPlacement(r.rect, r.flags, from, to);
    }
}

namespace {

constexpr uint16_t kFollowWidthKeepHeight = 0x2111;  // left, right and top with the reference
constexpr uint16_t kFollowAll = 0x1111;
constexpr uint16_t kKeepWidthAtRight = 0x1112;
constexpr uint16_t kKeepWidthAtLeft = 0x1121;
constexpr uint16_t kFollowWidthAtBottom = 0x1211;  // left, right, and top and bottom with the bottom
constexpr int32_t kInitialEditWidth = 100;

int32_t Group(GuiGroup g) { return static_cast<int32_t>(g); }

}  // namespace

GuiMainLayout LayOutMainDialog(const GuiFittedSize (&sizes)[kGuiChildCount], int32_t margin, int32_t viewWidth,
                               int32_t viewHeight) {
    auto size = [&](GuiChild c) { return sizes[static_cast<int32_t>(c)]; };
    const int32_t m = margin;
    const int32_t labelWidth = std::max({size(GuiChild::OldLabel).width, size(GuiChild::NewLabel).width,
                                         size(GuiChild::LimitationLabel).width});
    auto rowHeight = [&](std::initializer_list<GuiChild> children) {
        int32_t h = 0;
        for (GuiChild c : children) h = std::max(h, size(c).height);
        return h;
    };
    const int32_t h1 = rowHeight({GuiChild::OldLabel, GuiChild::OldBox, GuiChild::OldHint});
    const int32_t h2 = rowHeight({GuiChild::NewLabel, GuiChild::NewBox, GuiChild::NewHint});
    const int32_t h3 = rowHeight({GuiChild::LimitationLabel, GuiChild::LimitationSelector, GuiChild::StyleLabel,
                                  GuiChild::StyleSelector, GuiChild::Start, GuiChild::Reload, GuiChild::Clear});
    const int32_t hintWidth = std::max(size(GuiChild::OldHint).width, size(GuiChild::NewHint).width);
    const int32_t selectorsWidth = labelWidth + m + size(GuiChild::LimitationSelector).width + 2 * m +
                                   size(GuiChild::StyleLabel).width + m + size(GuiChild::StyleSelector).width;
    const int32_t buttonsWidth =
        size(GuiChild::Start).width + m + size(GuiChild::Reload).width + m + size(GuiChild::Clear).width;
    // The rows and the view box share one width, the larger of the two.
    const int32_t width = std::max({labelWidth + m + kInitialEditWidth + hintWidth, selectorsWidth + 2 * m + buttonsWidth,
                                    viewWidth});

    GuiMainLayout layout;
    layout.records.resize(kGuiGroupCount + kGuiChildCount);
    const int32_t top1 = m;
    const int32_t top2 = top1 + h1 + m;
    const int32_t top3 = top2 + h2 + m;
    const int32_t viewTop = top3 + h3 + m;
    auto& groups = layout.records;
    groups[Group(GuiGroup::Rows)] = {{m, m, m + width, top3 + h3}, kFollowWidthKeepHeight, GuiPlacement::kClientReference};
    groups[Group(GuiGroup::Row1)] = {{m, top1, m + width, top1 + h1}, kFollowWidthKeepHeight, Group(GuiGroup::Rows)};
    groups[Group(GuiGroup::Row2)] = {{m, top2, m + width, top2 + h2}, kFollowWidthKeepHeight, Group(GuiGroup::Rows)};
    groups[Group(GuiGroup::Row3)] = {{m, top3, m + width, top3 + h3}, kFollowWidthKeepHeight, Group(GuiGroup::Rows)};
    groups[Group(GuiGroup::Selectors)] = {{m, top3, m + selectorsWidth, top3 + h3}, kKeepWidthAtLeft, Group(GuiGroup::Row3)};
    groups[Group(GuiGroup::Buttons)] = {{m + width - buttonsWidth, top3, m + width, top3 + h3}, kKeepWidthAtRight,
                                        Group(GuiGroup::Row3)};
    groups[Group(GuiGroup::View)] = {{m, viewTop, m + width, viewTop + viewHeight}, kFollowAll,
                                     GuiPlacement::kClientReference};

    auto place = [&](GuiChild c, RECT r, uint16_t flags, GuiGroup g) {
        layout.records[kGuiGroupCount + static_cast<int32_t>(c)] = {r, flags, Group(g)};
    };
    // The name rows: label, box, hint button; the box takes what is left.
    auto nameRow = [&](GuiChild label, GuiChild box, GuiChild hint, int32_t top, int32_t h, GuiGroup g) {
        const int32_t hintLeft = m + width - size(hint).width;
        place(label, {m, top, m + labelWidth, top + h}, kKeepWidthAtLeft, g);
        place(box, {m + labelWidth + m, top, hintLeft, top + h}, kFollowAll, g);
        place(hint, {hintLeft, top, m + width, top + h}, kKeepWidthAtRight, g);
    };
    nameRow(GuiChild::OldLabel, GuiChild::OldBox, GuiChild::OldHint, top1, h1, GuiGroup::Row1);
    nameRow(GuiChild::NewLabel, GuiChild::NewBox, GuiChild::NewHint, top2, h2, GuiGroup::Row2);
    int32_t x = m;
    auto next = [&](GuiChild c, int32_t w, int32_t gapAfter, uint16_t flags, GuiGroup g) {
        place(c, {x, top3, x + w, top3 + h3}, flags, g);
        x += w + gapAfter;
    };
    next(GuiChild::LimitationLabel, labelWidth, m, kKeepWidthAtLeft, GuiGroup::Selectors);
    next(GuiChild::LimitationSelector, size(GuiChild::LimitationSelector).width, 2 * m, kKeepWidthAtLeft,
         GuiGroup::Selectors);
    next(GuiChild::StyleLabel, size(GuiChild::StyleLabel).width, m, kKeepWidthAtLeft, GuiGroup::Selectors);
    next(GuiChild::StyleSelector, size(GuiChild::StyleSelector).width, m, kKeepWidthAtLeft, GuiGroup::Selectors);
    x = m + width - buttonsWidth;
    next(GuiChild::Start, size(GuiChild::Start).width, m, kKeepWidthAtRight, GuiGroup::Buttons);
    next(GuiChild::Reload, size(GuiChild::Reload).width, m, kKeepWidthAtRight, GuiGroup::Buttons);
    next(GuiChild::Clear, size(GuiChild::Clear).width, m, kKeepWidthAtRight, GuiGroup::Buttons);
    place(GuiChild::ViewBox, groups[Group(GuiGroup::View)].rect, kFollowAll, GuiGroup::View);
    const int32_t statusTop = viewTop + viewHeight + m;
    const int32_t statusHeight = size(GuiChild::Status).height;
    layout.records[kGuiGroupCount + static_cast<int32_t>(GuiChild::Status)] = {
        {m, statusTop, m + width, statusTop + statusHeight}, kFollowWidthAtBottom, GuiPlacement::kClientReference};
    layout.client = {m + width + m, statusTop + statusHeight + m};
    return layout;
}

RECT CentreIn(const RECT& workArea, int32_t width, int32_t height) {
    const int32_t left = workArea.left + (Width(workArea) - width) / 2;
    const int32_t top = workArea.top + (Height(workArea) - height) / 2;
    return {left, top, left + width, top + height};
}

RECT PlaceSavedRect(const RECT& saved, const std::vector<RECT>& monitors, const RECT& workArea) {
    for (const RECT& monitor : monitors) {
        RECT common;
        if (IntersectRect(&common, &saved, &monitor)) return saved;
    }
    return CentreIn(workArea, Width(saved), Height(saved));
}

bool RowVisible(uint16_t unitFlags, JobCondition::ViewStyle viewStyle, JobCondition::Limitation limitation, uint16_t optionFlags, bool wasVisible) {
    const auto has = [unitFlags](uint16_t f) { return (unitFlags & f) != 0; };
    if (viewStyle == JobCondition::ViewStyle::MatchedList) return has(JobFileUnit::Matched);
    if (viewStyle != JobCondition::ViewStyle::TreeView) return wasVisible;
    if (!has(JobFileUnit::Shown)) return false;
    if (has(JobFileUnit::Eligible)) return true;
    if (limitation == JobCondition::Limitation::Folder) return !(optionFlags & JobOption::HideFilesOnFolderLimitation);
    if (limitation == JobCondition::Limitation::Dropped) return !(optionFlags & JobOption::HideChildsOnDroppedLimitation);
    return true;
}

GuiColumns ColumnWidths(int32_t available, int32_t firstNeed) {
    const int32_t half = available / 2;
    const int32_t first = half > firstNeed ? half : std::min(firstNeed, available - available / 10);
    return {first, available - first};
}

namespace {

// Each channel darkened by 50/256, then averaged with the outcome colour.
COLORREF Blend(COLORREF base, COLORREF status) {
    auto channel = [](COLORREF c, int shift) { return static_cast<int32_t>((c >> shift) & 0xFF); };
    COLORREF out = 0;
    for (int shift : {0, 8, 16}) {
        const int32_t v = channel(base, shift);
        const int32_t darker = v - (v * 50 / 256);
        out |= static_cast<COLORREF>((darker + channel(status, shift)) / 2) << shift;
    }
    return out;
}

}  // namespace

COLORREF RowBackground(const GuiRowState& row, COLORREF window, COLORREF face, COLORREF background) {
    const auto has = [&row](uint16_t f) { return (row.unitFlags & f) != 0; };
    COLORREF base = background;
    if (has(JobFileUnit::Excluded)) base = face;
    else if (row.selected && !row.cursorHidden) base = row.focused ? kSelectedFocused : kSelectedUnfocused;
    COLORREF status = window;
    if (has(JobFileUnit::Header)) status = face;
    else if (has(JobFileUnit::RenameFailed)) status = kFailedColour;
    else if (has(JobFileUnit::RenameSucceeded)) status = kSucceededColour;
    else if (row.conflict) status = kConflictColour;
    if (status == window) return base;
    return base == window ? status : Blend(base, status);
}

bool SelectionShown(const GuiRowState& row) {
    return row.selected && !row.cursorHidden && !(row.unitFlags & (JobFileUnit::Header | JobFileUnit::Excluded));
}

COLORREF HighContrastFill(const GuiRowState& row) {
    if (row.unitFlags & (JobFileUnit::Header | JobFileUnit::Excluded)) return GetSysColor(COLOR_BTNFACE);
    return GetSysColor(SelectionShown(row) ? COLOR_HIGHLIGHT : COLOR_WINDOW);
}

COLORREF HighContrastText(const GuiRowState& row, bool matched) {
    if (row.unitFlags & (JobFileUnit::Header | JobFileUnit::Excluded)) return GetSysColor(COLOR_BTNTEXT);
    if (SelectionShown(row)) return GetSysColor(COLOR_HIGHLIGHTTEXT);
    return GetSysColor(matched ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
}

GuiHitZone HitZone(int32_t x, int32_t indent, int32_t rowHeight, int32_t firstColumn, int32_t totalWidth) {
    if (x < 0 || x >= totalWidth) return GuiHitZone::Outside;
    if (x >= firstColumn) return GuiHitZone::NewName;
    const int32_t x0 = indent;
    const int32_t side = rowHeight - 3;
    if (x >= x0 + 2 && x <= x0 + 2 + side) return GuiHitZone::CheckBox;
    if (x >= x0 + rowHeight + 2 && x <= x0 + rowHeight + 2 + side) return GuiHitZone::Image;
    return x < x0 + 2 * rowHeight ? GuiHitZone::Indent : GuiHitZone::Name;
}

int32_t ItemImage(uint16_t unitFlags, JobCondition::ViewStyle viewStyle) {
    if (!(unitFlags & JobFileUnit::Folder)) return 0;
    if (viewStyle == JobCondition::ViewStyle::MatchedList) return 2;
    if (unitFlags & JobFileUnit::Opened) return 1;
    return (unitFlags & (JobFileUnit::HasFolders | JobFileUnit::HasFiles)) ? 3 : 2;
}

void GuiItemMenuRules::Add(uint16_t unitFlags, bool named, bool checkable) {
    ++count_;
    if (unitFlags & JobFileUnit::Folder) {
        folder_ = true;
        if (unitFlags & JobFileUnit::Opened) openedFolder_ = true;
        else closedFolder_ = true;
    }
    if (checkable) {
        if (unitFlags & JobFileUnit::Checked) uncheckable_ = true;
        else checkable_ = true;
    }
    if (named) named_ = true;
}

bool GuiItemMenuRules::Enabled(GuiItemCommand command, bool treeView) const {
    switch (command) {
        case GuiItemCommand::OpenFolders: return treeView && closedFolder_;
        case GuiItemCommand::CloseFolders: return treeView && openedFolder_;
        case GuiItemCommand::OpenRecursively:
        case GuiItemCommand::CloseRecursively: return treeView && folder_;
        case GuiItemCommand::CheckToItems: return checkable_;
        case GuiItemCommand::UncheckToItems: return uncheckable_;
        case GuiItemCommand::AppendItems: return true;
        case GuiItemCommand::ExcludeItems: return count_ > 0;
        case GuiItemCommand::RemoveItems: return named_;
        case GuiItemCommand::OpenByExplorer: return count_ == 1;
    }
    return false;
}

}  // namespace AppLayer
