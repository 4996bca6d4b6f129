// The view box: rows, metrics, painting, mouse and keys, dropped files.
#include "app/GuiViewBox.h"

#include <shellapi.h>

#include <algorithm>

#include "job/JobOption.h"
#include "raw/RawLabelStore.h"
#include "raw/RawShell.h"
#include "win/WinToolkit.h"

namespace AppLayer {

using JobLayer::JobCondition;
using JobLayer::JobFileList;
using JobLayer::JobFileUnit;
using JobLayer::JobOption;
using RawLayer::RawString;
using namespace WinLayer;

namespace {

constexpr char kClassName[] = "VarneloViewBox";
constexpr UINT kMeasureFlags = DT_SINGLELINE | DT_NOPREFIX;
constexpr UINT kTextFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr int32_t kTextPad = 8;
constexpr int32_t kWheelRows = 3;

const RawLayer::RawLocaleRecord kListLabels[] = {
    {"OldNameTag", "Old name"},
    {"NewNameTag", "New name"},
    {nullptr, nullptr},
};

const JobOption& Options() { return JobOption::Instance(); }

void DrawText(HDC dc, const RawString& text, RECT rect, UINT flags) {
    std::wstring wide = text.ToWide();
    DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &rect, flags);
}

void FillColour(HDC dc, const RECT& rect, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace

GuiViewBox::GuiViewBox(JobFileList& list) : list_(list) {
    WinToolkit::Instance().RegisterControlClass(kClassName, CS_DBLCLKS);
    Property().className = kClassName;
    Property().kind = WinViewProperty::kSubclassed;
    Property().style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL;
    Property().exStyle = WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES;
    const RawLayer::RawLabelStore::Group labels =
        RawLayer::RawLabelStore::Instance().RegisterLabels("ListLabels", kListLabels);
    header_.flags = JobFileUnit::Header | JobFileUnit::Matched;
    header_.name = labels.Get("OldNameTag");
    header_.newName = labels.Get("NewNameTag");
}

GuiViewBox::~GuiViewBox() = default;

void GuiViewBox::OnCreated() {
    Metrics();
    Refresh();
}

// ---------------------------------------------------------------- rows

void GuiViewBox::AddPaths(const RawLayer::RawStringList& paths) {
    const bool open = Options().Has(JobOption::OpenFolderInitialyOnDropped);
    for (const RawString& path : paths) list_.AddPath(path, open);
}

void GuiViewBox::Refresh() {
    // The list belongs to other work for now; the end of it refreshes.
    if (Suspended()) return;
    const uint16_t optionFlags = Options().flags;
    const bool known = condition.viewStyle == JobCondition::ViewStyle::TreeView || condition.viewStyle == JobCondition::ViewStyle::MatchedList;
    std::unordered_set<const JobFileUnit*> before;
    if (!known) before.insert(rows_.begin(), rows_.end());
    const JobFileUnit* cursorUnit = cursor_ >= 0 && cursor_ < RowCount() ? rows_[cursor_] : nullptr;
    rows_.clear();
    for (JobFileUnit& unit : list_)
        if (RowVisible(unit.flags, condition.viewStyle, condition.limitation, optionFlags, before.count(&unit) != 0))
            rows_.push_back(&unit);
    // The cursor stays on its unit when that is still shown.
    if (cursorUnit) {
        const auto found = std::find(rows_.begin(), rows_.end(), cursorUnit);
        cursor_ = found == rows_.end() ? std::min(cursor_, RowCount() - 1) : static_cast<int32_t>(found - rows_.begin());
    }
    anchor_ = std::min(anchor_, RowCount() - 1);
    ComputeColumns();
    UpdateScroll();
    if (HasWindow()) InvalidateRect(Window(), nullptr, FALSE);
}

void GuiViewBox::ResetRows() {
    rows_.clear();
    selected_.clear();
    widths_.clear();
    cursor_ = anchor_ = -1;
    top_ = 0;
    Refresh();
}

bool GuiViewBox::IsSelected(int32_t row) const {
    return row >= 0 && row < RowCount() && selected_.count(rows_[row]) != 0;
}

void GuiViewBox::SetSelected(int32_t row, bool selected) {
    if (row < 0 || row >= RowCount()) return;
    if (selected) selected_.insert(rows_[row]);
    else selected_.erase(rows_[row]);
    if (HasWindow()) InvalidateRect(Window(), nullptr, FALSE);
}

void GuiViewBox::SetCursor(int32_t row) {
    cursor_ = row;
    anchor_ = row;
    EnsureVisible(row);
}

void GuiViewBox::SetProgress(const RawString& text, bool paintNow) {
    progress_ = text;
    if (text.IsEmpty()) UpdateScroll();
    if (!HasWindow()) return;
    InvalidateRect(Window(), nullptr, FALSE);
    if (paintNow) UpdateWindow(Window());
}

// ---------------------------------------------------------------- metrics

void GuiViewBox::SetListFont(HFONT font, int32_t pathFontRate) {
    listFont_ = font;
    pathFontRate_ = pathFontRate;
    widths_.clear();
    Metrics();
    Refresh();
}

void GuiViewBox::Metrics() {
    if (!listFont_) listFont_ = ResolvedFont();
    RawLayer::RawWindowDc dc(Window());
    RawLayer::RawSelectObject select(dc.Dc(), listFont_);
    RECT a{0, 0, 0, 0};
    DrawTextW(dc.Dc(), L"A", 1, &a, DT_CALCRECT | kMeasureFlags);
    rowHeight_ = Height(a) + 2;
    nameHeight_ = Height(a);
    LOGFONTW logFont{};
    GetObjectW(listFont_, sizeof logFont, &logFont);
    logFont.lfHeight = logFont.lfHeight * pathFontRate_ / 100;
    logFont.lfWidth = logFont.lfWidth * pathFontRate_ / 100;
    if (logFont.lfHeight == 0) logFont.lfHeight = 1;
    pathFont_.Reset(CreateFontIndirectW(&logFont));
    gap_ = Width(a) * pathFontRate_ / 100;
    RawLayer::RawSelectObject path(dc.Dc(), pathFont_.Get());
    RECT p{0, 0, 0, 0};
    DrawTextW(dc.Dc(), L"A", 1, &p, DT_CALCRECT | kMeasureFlags);
    pathHeight_ = Height(p);
}

int32_t GuiViewBox::TextWidth(HDC dc, HFONT font, const RawString& text) {
    if (text.IsEmpty()) return 0;
    RawLayer::RawSelectObject select(dc, font);
    const std::wstring wide = text.ToWide();
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.data(), static_cast<int>(wide.size()), &size);
    return size.cx;
}

// Widths are kept per unit and measured again only when its text changed.
const GuiViewBox::Widths& GuiViewBox::Measure(JobFileUnit& unit, HDC dc) {
    Widths& w = widths_[&unit];
    if (!(w.name == unit.name) || (w.nameWidth == 0 && !unit.name.IsEmpty())) {
        w.name = unit.name;
        w.nameWidth = TextWidth(dc, listFont_, unit.name);
        w.pathWidth = -1;
    }
    if (!(w.newName == unit.newName)) {
        w.newName = unit.newName;
        w.newNameWidth = TextWidth(dc, listFont_, unit.newName);
    }
    if (condition.viewStyle == JobCondition::ViewStyle::MatchedList) {
        if (w.pathWidth < 0 || unit.pathWidth < 0) w.pathWidth = TextWidth(dc, pathFont_.Get(), unit.displayPath);
        unit.pathWidth = w.pathWidth;
        unit.pathShift = nameHeight_ - pathHeight_;
    }
    return w;
}

void GuiViewBox::ComputeColumns() {
    RECT client{};
    if (HasWindow()) GetClientRect(Window(), &client);
    RawLayer::RawWindowDc dc(Window());
    const int32_t h = rowHeight_;
    const bool matched = condition.viewStyle == JobCondition::ViewStyle::MatchedList;
    int32_t need = 2 * h + std::max(TextWidth(dc.Dc(), listFont_, header_.name), 0) + kTextPad;
    for (JobFileUnit* unit : rows_) {
        const Widths& w = Measure(*unit, dc.Dc());
        const int32_t n = matched ? 2 * h + w.pathWidth + gap_ + w.nameWidth + kTextPad
                                  : (unit->depth + 2) * h + w.nameWidth + kTextPad;
        need = std::max(need, n);
    }
    columns_ = ColumnWidths(Width(client), need);
}

// ---------------------------------------------------------------- scrolling

RECT GuiViewBox::ItemArea() const {
    RECT client{};
    if (HasWindow()) GetClientRect(Window(), &client);
    client.top += rowHeight_;
    if (Suspended()) client.bottom -= rowHeight_;
    return client;
}

int32_t GuiViewBox::RowsPerPage() const { return std::max<int32_t>(1, Height(ItemArea()) / rowHeight_); }

int32_t GuiViewBox::RowAt(int32_t y) const {
    const RECT area = ItemArea();
    if (y < area.top || y >= area.bottom) return -1;
    const int32_t row = top_ + (y - area.top) / rowHeight_;
    return row < RowCount() ? row : -1;
}

void GuiViewBox::UpdateScroll() {
    top_ = std::clamp(top_, 0, std::max(0, RowCount() - RowsPerPage()));
    if (!HasWindow()) return;
    SCROLLINFO info{sizeof info, SIF_ALL | SIF_DISABLENOSCROLL, 0, std::max(0, RowCount() - 1),
                    static_cast<UINT>(RowsPerPage()), top_, 0};
    SetScrollInfo(Window(), SB_VERT, &info, TRUE);
}

void GuiViewBox::ScrollTo(int32_t top) {
    const int32_t clamped = std::clamp(top, 0, std::max(0, RowCount() - RowsPerPage()));
    if (clamped == top_) return;
    top_ = clamped;
    UpdateScroll();
    if (HasWindow()) InvalidateRect(Window(), nullptr, FALSE);
}

void GuiViewBox::EnsureVisible(int32_t row) {
    if (row < 0) return;
    if (row < top_) ScrollTo(row);
    else if (row >= top_ + RowsPerPage()) ScrollTo(row - RowsPerPage() + 1);
    if (HasWindow()) InvalidateRect(Window(), nullptr, FALSE);
}

// ---------------------------------------------------------------- painting

COLORREF GuiViewBox::RowColour(int32_t row) const {
    GuiRowState state{RowUnit(row).flags, IsSelected(row), focused_, false};
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    return RowBackground(state, window, GetSysColor(COLOR_BTNFACE), window);
}

void GuiViewBox::OnPaint() {
    RawLayer::RawPaintScope paint(Window());
    RECT client;
    GetClientRect(Window(), &client);
    if (Width(client) <= 0 || Height(client) <= 0) return;
    // Painted off screen and copied in one go, so that scrolling does not flicker.
    RawLayer::RawMemoryDc memory(CreateCompatibleDC(paint.Dc()));
    RawLayer::RawBitmapHandle bitmap(CreateCompatibleBitmap(paint.Dc(), Width(client), Height(client)));
    RawLayer::RawSelectObject selectBitmap(memory.Get(), bitmap.Get());
    const HDC dc = memory.Get();
    FillColour(dc, client, GetSysColor(COLOR_WINDOW));
    RawLayer::RawSelectObject font(dc, listFont_);
    SetBkMode(dc, TRANSPARENT);
    const RECT area = ItemArea();
    PaintRow(dc, {0, 0, client.right, rowHeight_}, header_, true, false);
    if (Suspended()) {
        // The list belongs to the work in progress: only its progress is shown.
        RECT trailer{0, area.bottom, client.right, client.bottom};
        FillColour(dc, trailer, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        trailer.left += 4;
        DrawText(dc, progress_, trailer, kTextFlags);
    } else {
        for (int32_t row = top_, y = area.top; row < RowCount() && y < area.bottom; ++row, y += rowHeight_)
            PaintRow(dc, {0, y, client.right, y + rowHeight_}, *rows_[row], false, IsSelected(row));
    }
    BitBlt(paint.Dc(), 0, 0, Width(client), Height(client), dc, 0, 0, SRCCOPY);
}

void GuiViewBox::PaintRow(HDC dc, const RECT& rect, const JobFileUnit& unit, bool header, bool selected) {
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const GuiRowState state{unit.flags, selected, focused_, false};
    FillColour(dc, rect, RowBackground(state, window, GetSysColor(COLOR_BTNFACE), window));
    const bool matched = unit.Has(JobFileUnit::Matched);
    SetTextColor(dc, matched ? GetSysColor(COLOR_WINDOWTEXT) : kUnmatchedText);
    const int32_t h = rowHeight_;
    const bool tree = condition.viewStyle == JobCondition::ViewStyle::TreeView;
    const int32_t x = rect.left + (tree && !header ? unit.depth * h : 0);
    const int32_t split = rect.left + columns_.first;
    const RECT column0{rect.left, rect.top, split, rect.bottom};
    {
        // Nothing of column 0 spills into column 1.
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, column0.left, column0.top, column0.right, column0.bottom);
        if (!header) {
            RECT box{x + 2, rect.top + 1, x + 2 + h - 3, rect.top + 1 + h - 3};
            UINT check = DFCS_BUTTONCHECK;
            if (unit.Has(JobFileUnit::Checked)) check |= DFCS_CHECKED;
            if (!matched || unit.newName.IsEmpty()) check |= DFCS_INACTIVE;
            DrawFrameControl(dc, &box, DFC_BUTTON, check);
            PaintImage(dc, x + h + 2, rect.top + 1, ItemImage(unit.flags, condition.viewStyle));
        }
        RECT text{x + 2 * h + 4, rect.top + 1, split - 4, rect.bottom - 1};
        if (header) text.left = rect.left + 4;
        if (!header && !tree) {
            RawLayer::RawSelectObject path(dc, pathFont_.Get());
            RECT p = text;
            OffsetRect(&p, 0, unit.pathShift);
            DrawText(dc, unit.displayPath, p, kTextFlags & ~DT_END_ELLIPSIS);
            text.left += unit.pathWidth + gap_;
        }
        DrawText(dc, unit.name, text, kTextFlags);
        RestoreDC(dc, saved);
    }
    DrawText(dc, unit.newName, {split + 4, rect.top + 1, rect.right - 4, rect.bottom - 1}, kTextFlags);
    RawLayer::RawPenHandle pen(CreatePen(PS_SOLID, 1, kGridColour));
    RawLayer::RawSelectObject selectPen(dc, pen.Get());
    MoveToEx(dc, split - 1, rect.top, nullptr);
    LineTo(dc, split - 1, rect.bottom);
    MoveToEx(dc, rect.left + columns_.first + columns_.second - 1, rect.top, nullptr);
    LineTo(dc, rect.left + columns_.first + columns_.second - 1, rect.bottom);
    MoveToEx(dc, rect.left, rect.bottom - 1, nullptr);
    LineTo(dc, rect.right, rect.bottom - 1);
}

// The item images: a page for a file, a folder closed with content, open, or empty.
void GuiViewBox::PaintImage(HDC dc, int32_t x, int32_t y, int32_t image) {
    const int32_t s = rowHeight_ - 3;
    if (s < 4) return;
    const COLORREF line = 0x00606060;
    RawLayer::RawPenHandle pen(CreatePen(PS_SOLID, 1, line));
    RawLayer::RawSelectObject selectPen(dc, pen.Get());
    if (image == 0) {
        RawLayer::RawBrushHandle paper(CreateSolidBrush(0x00FFFFFF));
        RawLayer::RawSelectObject brush(dc, paper.Get());
        Rectangle(dc, x + s / 5, y, x + s - s / 5, y + s);
        return;
    }
    const COLORREF fill = image == 2 ? 0x00C0E8F8 : 0x0040C0F0;
    RawLayer::RawBrushHandle yellow(CreateSolidBrush(fill));
    RawLayer::RawSelectObject brush(dc, yellow.Get());
    Rectangle(dc, x, y + s / 5, x + s / 2, y + s / 2);
    Rectangle(dc, x, y + s / 3, x + s, y + s);
    if (image == 1) {
        // Open: the front flap lies down.
        const POINT flap[] = {{x + s / 4, y + s / 2}, {x + s, y + s / 2}, {x + s - s / 4, y + s}, {x, y + s}};
        Polygon(dc, flap, 4);
    }
}

// ---------------------------------------------------------------- input

GuiHitZone GuiViewBox::ZoneAt(int32_t row, int32_t x) const {
    if (row < 0) return GuiHitZone::Outside;
    const int32_t indent = condition.viewStyle == JobCondition::ViewStyle::TreeView ? RowUnit(row).depth * rowHeight_ : 0;
    return HitZone(x, indent, rowHeight_, columns_.first, columns_.first + columns_.second);
}

void GuiViewBox::ToggleCheck(JobFileUnit& unit) {
    if (!unit.Has(JobFileUnit::Matched) || unit.newName.IsEmpty()) return;
    unit.flags ^= JobFileUnit::Checked;
    if (HasWindow()) InvalidateRect(Window(), nullptr, FALSE);
    if (Parent()) Parent()->OnChildCommand(this, kNotifySelection);
}

void GuiViewBox::ToggleSelectionChecks(int32_t clickedRow) {
    if (clickedRow < 0 || clickedRow >= RowCount()) return;
    if (!IsSelected(clickedRow)) {
        ToggleCheck(RowUnit(clickedRow));
        return;
    }
    const bool check = !RowUnit(clickedRow).Has(JobFileUnit::Checked);
    for (JobFileUnit* unit : rows_) {
        if (!selected_.count(unit) || !unit->Has(JobFileUnit::Matched) || unit->newName.IsEmpty()) continue;
        if (check) unit->Set(JobFileUnit::Checked);
        else unit->Clear(JobFileUnit::Checked);
    }
    if (HasWindow()) InvalidateRect(Window(), nullptr, FALSE);
    if (Parent()) Parent()->OnChildCommand(this, kNotifySelection);
}

void GuiViewBox::ClickCheckBox(int32_t row) {
    if (row < 0 || row >= RowCount()) return;
    if (Options().Has(JobOption::CheckMarkBySelection)) ToggleSelectionChecks(row);
    else ToggleCheck(RowUnit(row));
}

void GuiViewBox::ToggleFolder(int32_t row) {
    if (row < 0 || row >= RowCount() || condition.viewStyle != JobCondition::ViewStyle::TreeView) return;
    JobFileUnit* unit = rows_[row];
    if (!unit->Has(JobFileUnit::Folder)) return;
    for (JobFileList::Position p = list_.begin(); p != list_.end(); ++p) {
        if (&*p != unit) continue;
        unit->flags ^= JobFileUnit::Opened;
        list_.ShowChildren(p, unit->Has(JobFileUnit::Opened));
        break;
    }
    Refresh();
}

void GuiViewBox::OpenWithProgram(int32_t row) {
    if (row < 0 || row >= RowCount()) return;
    RawLayer::RawShell shell;
    shell.program = RowUnit(row).FullPath();
    if (!shell.program.IsEmpty()) shell.Launch(RawString(), RawString());
}

void GuiViewBox::MoveCursor(int32_t row, bool extend) {
    if (RowCount() == 0) return;
    row = std::clamp(row, 0, RowCount() - 1);
    if (!extend || anchor_ < 0) {
        selected_.clear();
        anchor_ = row;
        selected_.insert(rows_[row]);
    } else {
        selected_.clear();
        for (int32_t r = std::min(anchor_, row); r <= std::max(anchor_, row); ++r) selected_.insert(rows_[r]);
    }
    cursor_ = row;
    EnsureVisible(row);
}

void GuiViewBox::OnLeftDown(WPARAM keys, int32_t x, int32_t y) {
    SetFocus(Window());
    const int32_t row = RowAt(y);
    if (row < 0) return;
    const GuiHitZone zone = ZoneAt(row, x);
    if (zone == GuiHitZone::CheckBox) return ClickCheckBox(row);
    if (zone == GuiHitZone::Image) return ToggleFolder(row);
    if (keys & MK_CONTROL) {
        SetSelected(row, !IsSelected(row));
        cursor_ = anchor_ = row;
        return;
    }
    MoveCursor(row, (keys & MK_SHIFT) != 0);
}

void GuiViewBox::OnDoubleClick(int32_t x, int32_t y) {
    const int32_t row = RowAt(y);
    if (row < 0) return;
    const GuiHitZone zone = ZoneAt(row, x);
    if (zone == GuiHitZone::CheckBox || zone == GuiHitZone::Image) return;
    if (RowUnit(row).Has(JobFileUnit::Folder) && Options().Has(JobOption::OpenTreeByDoubleClick)) ToggleFolder(row);
    else OpenWithProgram(row);
}

bool GuiViewBox::OnKey(WPARAM key) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (key) {
        case VK_UP: MoveCursor(cursor_ - 1, shift); return true;
        case VK_DOWN: MoveCursor(cursor_ + 1, shift); return true;
        case VK_PRIOR: MoveCursor(cursor_ - RowsPerPage(), shift); return true;
        case VK_NEXT: MoveCursor(cursor_ + RowsPerPage(), shift); return true;
        case VK_HOME: MoveCursor(0, shift); return true;
        case VK_END: MoveCursor(RowCount() - 1, shift); return true;
        case 'V': ClickCheckBox(cursor_); return true;
        case 'O': ToggleFolder(cursor_); return true;
        case 'E': OpenWithProgram(cursor_); return true;
        default: return false;
    }
}

void GuiViewBox::OnDropFiles(HDROP drop) {
    RawLayer::RawStringList paths;
    const uint32_t count = RawLayer::DroppedFileCount(drop);
    for (uint32_t i = 0; i < count; ++i) paths.Append(RawLayer::DroppedFile(drop, i));
    DragFinish(drop);
    if (addPaths) addPaths(paths);
    else AddPaths(paths);
    ResetRows();
    if (Parent() && Parent()->HasWindow())
        PostMessageW(Parent()->Window(), WM_COMMAND, MAKEWPARAM(ControlId(), kItemsAdded), 0);
}

int32_t GuiViewBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto x = static_cast<int16_t>(LOWORD(lParam));
    const auto y = static_cast<int16_t>(HIWORD(lParam));
    switch (message) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE: Refresh(); return 0;
        case WM_SETFOCUS: case WM_KILLFOCUS:
            focused_ = message == WM_SETFOCUS;
            InvalidateRect(Window(), nullptr, FALSE);
            return 0;
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_LBUTTONDOWN: if (!Suspended()) OnLeftDown(wParam, x, y); return 0;
        case WM_LBUTTONDBLCLK: if (!Suspended()) OnDoubleClick(x, y); return 0;
        case WM_KEYDOWN: if (!Suspended() && OnKey(wParam)) return 0; break;
        case WM_MOUSEWHEEL:
            ScrollTo(top_ - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * kWheelRows);
            return 0;
        case WM_VSCROLL: {
            SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
            GetScrollInfo(Window(), SB_VERT, &info);
            switch (LOWORD(wParam)) {
                case SB_LINEUP: ScrollTo(top_ - 1); break;
                case SB_LINEDOWN: ScrollTo(top_ + 1); break;
                case SB_PAGEUP: ScrollTo(top_ - RowsPerPage()); break;
                case SB_PAGEDOWN: ScrollTo(top_ + RowsPerPage()); break;
                case SB_TOP: ScrollTo(0); break;
                case SB_BOTTOM: ScrollTo(RowCount()); break;
                case SB_THUMBTRACK: case SB_THUMBPOSITION: ScrollTo(info.nTrackPos); break;
                default: break;
            }
            return 0;
        }
        case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
        default: break;
    }
    return WinView::HandleMessage(message, wParam, lParam);
}

}  // namespace AppLayer
