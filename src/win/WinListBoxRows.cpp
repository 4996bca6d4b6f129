// The list box's rules over rows: selection, cursor steps, hit testing and
// the zoom and logical-width arithmetic.
#include "win/WinListBoxRows.h"

#include <algorithm>

namespace WinLayer {

namespace {

using Unit = WinListBoxItemUnit;

void Include(WinListBoxSelection& selection, int32_t index) {
    if (selection.low > selection.high) {
        selection.low = selection.high = index;
    } else {
        selection.low = std::min(selection.low, index);
        selection.high = std::max(selection.high, index);
    }
}

}  // namespace

WinListBoxItemUnit* WinListBoxRowSet::At(int32_t index) const {
    if (IsItem(index)) return items[static_cast<size_t>(index)];
    if (index == kHeaderRow) return header;
    if (index == kTrailerRow) return trailer;
    return nullptr;
}

WinListBoxUsableRows UsableItems(std::span<WinListBoxItemUnit* const> items) {
    WinListBoxUsableRows usable;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i]->IsUsable()) usable.push_back({static_cast<int32_t>(i), items[i]->rect.top});
    return usable;
}

// ---------------------------------------------------------------- selection

void ClearSelection(const WinListBoxRowSet& rows, WinListBoxSelection& selection) {
    const int32_t high = std::min(selection.high, rows.Count() - 1);
    for (int32_t i = std::max(selection.low, 0); i <= high; ++i) rows.items[i]->flags &= ~Unit::kSelected;
    if (rows.header) rows.header->flags &= ~Unit::kSelected;
    if (rows.trailer) rows.trailer->flags &= ~Unit::kSelected;
    selection.low = 0;
    selection.high = -1;
}

WinListBoxEffect SelectSingle(const WinListBoxRowSet& rows, WinListBoxSelection& selection, int32_t index) {
    const bool known = rows.IsItem(index) || index == kNoRow || (index == kHeaderRow && rows.header) ||
                       (index == kTrailerRow && rows.trailer);
    if (!known) return WinListBoxEffect::kNotify;
    selection.cursor = selection.anchor = index;
    ClearSelection(rows, selection);
    if (index == kNoRow) return WinListBoxEffect::kRedraw;
    rows.At(index)->flags |= Unit::kSelected;
    if (index == kHeaderRow) return WinListBoxEffect::kRedraw;
    if (index == kTrailerRow) return WinListBoxEffect::kShowBottom;
    Include(selection, index);
    return WinListBoxEffect::kShowCursor;
}

WinListBoxEffect ToggleItem(const WinListBoxRowSet& rows, WinListBoxSelection& selection, int32_t index) {
    if (!rows.IsItem(index)) return WinListBoxEffect::kNone;
    selection.cursor = index;
    rows.items[index]->flags ^= Unit::kSelected;
    Include(selection, index);
    return WinListBoxEffect::kShowCursor;
}

WinListBoxEffect ExtendTo(const WinListBoxRowSet& rows, WinListBoxSelection& selection, int32_t index) {
    if (!rows.IsItem(index) || !rows.IsItem(selection.anchor)) return WinListBoxEffect::kNone;
    selection.cursor = index;
    ClearSelection(rows, selection);
    const int32_t low = std::min(index, selection.anchor), high = std::max(index, selection.anchor);
    for (int32_t i = low; i <= high; ++i) rows.items[i]->flags |= Unit::kSelected;
    selection.low = low;
    selection.high = high;
    return WinListBoxEffect::kShowCursor;
}

WinListBoxEffect MoveCursorOnly(const WinListBoxRowSet& rows, WinListBoxSelection& selection, int32_t index) {
    if (!rows.IsItem(index) && !(index == kTrailerRow && rows.trailer)) return WinListBoxEffect::kNone;
    selection.cursor = index;
    return WinListBoxEffect::kShowCursor;
}

WinListBoxEffect SelectAll(const WinListBoxRowSet& rows, WinListBoxSelection& selection) {
    ClearSelection(rows, selection);
    for (WinListBoxItemUnit* unit : rows.items) unit->flags |= Unit::kSelected;
    if (rows.Count() > 0) {
        selection.low = 0;
        selection.high = rows.Count() - 1;
    }
    return WinListBoxEffect::kRedraw;
}

void FindSelectionBounds(const WinListBoxRowSet& rows, WinListBoxSelection& selection) {
    selection.low = 0;
    selection.high = -1;
    for (int32_t i = 0; i < rows.Count(); ++i)
        if (rows.items[i]->IsSelected()) Include(selection, i);
}

WinListBoxSnapshot SnapshotSelection(const WinListBoxRowSet& rows) {
    WinListBoxSnapshot snapshot;
    for (int32_t i = 0; i < rows.Count(); ++i) {
        Unit& unit = *rows.items[i];
        if (unit.IsSelected()) {
            unit.flags |= Unit::kSnapshot;
            if (snapshot.count++ == 0) snapshot.first = i;
            snapshot.last = i;
        } else {
            unit.flags &= ~Unit::kSnapshot;
        }
    }
    return snapshot;
}

// ---------------------------------------------------------------- cursor steps

int32_t FindUsableItem(const WinListBoxRowSet& rows, int32_t start, int32_t direction) {
    const auto& usable = rows.usable;
    const auto byIndex = [](const WinListBoxUsableRow& row, int32_t index) { return row.index < index; };
    const auto it = std::lower_bound(usable.begin(), usable.end(), start, byIndex);
    if (direction > 0) return it == usable.end() ? kNoRow : it->index;
    // Backwards: the row at start itself, else the one before.
    if (it != usable.end() && it->index == start) return start;
    return it == usable.begin() ? kNoRow : (it - 1)->index;
}

int32_t StepTarget(const WinListBoxRowSet& rows, int32_t start, int32_t direction) {
    const int32_t found = FindUsableItem(rows, start, direction);
    if (found != kNoRow) return found;
    // Only a step downwards may run on into the trailer below the items.
    return direction > 0 && rows.TrailerUsable() ? kTrailerRow : kNoRow;
}

WinListBoxKeyMove MoveForKey(const WinListBoxRowSet& rows, UINT key, int32_t cursor, bool ctrl, bool multiple) {
    const int32_t count = rows.Count();
    if (count == 0) return {};
    const auto step = [&](int32_t start, int32_t direction) {
        const int32_t target = StepTarget(rows, start, direction);
        return target == kNoRow ? WinListBoxKeyMove{} : WinListBoxKeyMove{true, false, target};
    };
    const auto home = [&] { return step(0, 1); };
    const auto end = [&] {
        return rows.TrailerUsable() ? WinListBoxKeyMove{true, true, kTrailerRow} : step(count - 1, -1);
    };
    switch (key) {
        case VK_HOME:
            return home();
        case VK_END:
            return end();
        case VK_UP:
            if (!multiple && ctrl) return home();
            if (rows.IsItem(cursor)) return cursor > 0 ? step(cursor - 1, -1) : WinListBoxKeyMove{};
            if (cursor == kTrailerRow) return step(count - 1, -1);
            if (cursor == kNoRow) return end();
            return {};
        case VK_DOWN:
            if (!multiple && ctrl) return end();
            if (cursor == kHeaderRow || cursor == kNoRow) return step(0, 1);
            if (rows.IsItem(cursor)) return step(cursor + 1, 1);
            return {};
        default:
            return {};
    }
}

// ---------------------------------------------------------------- hit testing

int32_t UsableAt(const WinListBoxRowSet& rows, int32_t y) {
    const auto& usable = rows.usable;
    const auto n = static_cast<int64_t>(usable.size());
    if (n == 0) return -1;
    const int32_t first = usable.front().top, last = usable.back().top;
    if (y <= first) return 0;
    if (y >= last) return static_cast<int32_t>(n - 1);
    // Rows of one height are found by the first guess, in proportion to
    // their tops; other rows gallop from it to a bracket and halve that, so
    // the search never costs more than halving all of them. Here
    // first < y < last, so usable[0].top <= y < usable[n - 1].top.
    int64_t lo = static_cast<int64_t>(y - first) * (n - 1) / (static_cast<int64_t>(last) - first), hi;
    if (usable[static_cast<size_t>(lo)].top <= y) {
        hi = lo + 1;
        for (int64_t step = 1; hi < n - 1 && usable[static_cast<size_t>(hi)].top <= y; step *= 2) {
            lo = hi;
            hi = std::min(lo + step, n - 1);
        }
    } else {
        hi = lo;
        lo = hi - 1;
        for (int64_t step = 1; lo > 0 && usable[static_cast<size_t>(lo)].top > y; step *= 2) {
            hi = lo;
            lo = std::max<int64_t>(hi - step, 0);
        }
    }
    // usable[lo].top <= y < usable[hi].top
    const auto it = std::upper_bound(usable.begin() + lo + 1, usable.begin() + hi, y,
                                     [](int32_t value, const WinListBoxUsableRow& row) { return value < row.top; });
    return static_cast<int32_t>(it - usable.begin()) - 1;
}

namespace {

bool HitsHeader(const WinListBoxRowSet& rows, const WinListBoxFrame& frame, POINT point) {
    if (!rows.HeaderUsable()) return false;
    const RECT& header = rows.header->rect;
    const int32_t height = rows.header->Height();
    if (HeaderIsFixed(frame.options)) return point.y < frame.marginTop + height;
    if (frame.options & kListBanded) {
        if (frame.rowPitch <= 0) return false;
        int32_t within = (point.y - frame.marginTop + frame.scroll.y) % frame.rowPitch;
        if (within < 0) within += frame.rowPitch;
        return within >= header.top && within < header.top + height;
    }
    const int32_t y = point.y - frame.view.top + frame.scroll.y;
    return y >= header.top && y < header.bottom;
}

}  // namespace

int32_t HitTest(const WinListBoxRowSet& rows, const WinListBoxFrame& frame, POINT point) {
    if (HitsHeader(rows, frame, point)) return kHeaderRow;
    const int32_t y = point.y - frame.view.top + frame.scroll.y;
    const int32_t at = UsableAt(rows, y);
    if (at >= 0) {
        const int32_t index = rows.usable[static_cast<size_t>(at)].index;
        const RECT& r = rows.items[index]->rect;
        if (r.top <= y && y < r.bottom) return index;
    }
    if (rows.TrailerUsable() && rows.trailer->rect.top <= y && y < rows.trailer->rect.bottom) return kTrailerRow;
    return kNoRow;
}

// ---------------------------------------------------------------- zoom and logical width

int32_t ZoomedFontHeight(int32_t height, int32_t delta) {
    constexpr int32_t kSmallest = 6;
    const int32_t step = delta >= 0 ? 1 : -1;
    // A negative height is the character height, growing downwards.
    if (height < 0) return height - step <= -kSmallest ? height - step : height;
    return height + step >= kSmallest ? height + step : height;
}

SIZE LayoutSize(int32_t logicalWidth, SIZE client) {
    if (logicalWidth <= 0 || client.cx <= 0) return client;
    return {logicalWidth, static_cast<LONG>(static_cast<int64_t>(logicalWidth) * client.cy / client.cx)};
}

POINT LayoutPoint(POINT client, int32_t logicalWidth, int32_t clientWidth) {
    if (logicalWidth <= 0 || clientWidth <= 0) return client;
    return {static_cast<LONG>(static_cast<int64_t>(client.x) * logicalWidth / clientWidth),
            static_cast<LONG>(static_cast<int64_t>(client.y) * logicalWidth / clientWidth)};
}

}  // namespace WinLayer
