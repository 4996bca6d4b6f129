// The view box: rows, metrics, painting, mouse and keys, dropped files, tips.
#include "app/GuiViewBox.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "app/GuiProfile.h"
#include "../../res/resource.h"
#include "job/JobOption.h"
#include "raw/RawGdiHandle.h"
#include "raw/RawLabelStore.h"
#include "raw/RawShell.h"
#include "win/WinAccessible.h"
#include "win/WinBitmap.h"
#include "win/WinTipDialog.h"
#include "win/WinToolkit.h"

namespace AppLayer {

using JobLayer::JobCondition;
using JobLayer::JobConflict;
using JobLayer::JobFileList;
using JobLayer::JobFileUnit;
using JobLayer::JobOption;
using RawLayer::RawString;
using namespace WinLayer;
using ListRow = WinListBoxItemUnit;

namespace {

constexpr UINT kMeasureFlags = DT_SINGLELINE | DT_NOPREFIX;
constexpr UINT kTextFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr int32_t kTextPad = 8;
// The empty view's line: quieter than the rows, dark enough to read easily.
constexpr COLORREF kNoticeText = RGB(80, 80, 80);
// The frame of the item image pool that holds the first outcome mark.
constexpr int32_t kFirstMarkImage = 4;

const RawLayer::RawLocaleRecord kListLabels[] = {
    {"OldNameTag", "Old name"},
    {"NewNameTag", "New name"},
    {"CheckedInside", "checked inside"},
    {nullptr, nullptr},
};

const RawLayer::RawLabelTable kListLabelTable("ListLabels", kListLabels);

const JobOption& Options() { return JobOption::Instance(); }

void DrawLabel(HDC dc, const RawString& text, RECT rect, UINT flags) {
    std::wstring wide = text.ToWide();
    DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &rect, flags);
}

}  // namespace

// Hover tracking: where the pointer rests on an item, its tip shows until
// the pointer moves more than a few pixels away or leaves the box.
class GuiViewBox::Hover : public WinEnterControl {
public:
    explicit Hover(GuiViewBox& box) : WinEnterControl(box), box_(box) {}
    bool OnHover(const WinPoint& point) override {
        at_ = {point.x, point.y};
        // A tip over the open item menu would hide its entries.
        tip_ = box_.itemMenu_->IsOpen() ? RawString() : box_.TipAt(at_);
        if (tip_.IsEmpty()) {
            Rearm();
            return false;
        }
        window_.SetTipFont(GuiProfile::Instance().FontRecord(GuiFontKind::Tip).Handle());
        window_.ShowTip(tip_);
        return true;
    }
    bool OnHoverMove(const WinPoint& point) override {
        if (std::abs(point.x - at_.x) <= 5 && std::abs(point.y - at_.y) <= 5) return true;
        Close();
        Rearm();
        return false;
    }
    void OnLeave(const WinPoint&) override { Close(); }
    void Close() {
        if (tip_.IsEmpty()) return;
        tip_ = RawString();
        window_.CloseTip();
    }
    const RawString& Tip() const { return tip_; }
    WinTipDialog& Window() { return window_; }

private:
    // The platform reports one hover per tracking request.
    void Rearm() {
        if (!box_.HasWindow() || !trackHover) return;
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_HOVER | TME_LEAVE, box_.Window(), hoverTime};
        TrackMouseEvent(&track);
    }

    GuiViewBox& box_;
    POINT at_{};
    RawString tip_;
    WinTipDialog window_;
};

GuiViewBox::GuiViewBox(JobFileList& list) : list_(list) {
    Property().style |= WS_TABSTOP;
    Property().exStyle |= WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES;
    listOptions |= kListMultiple;
    header.flags &= ~ListRow::kHidden;
    const RawLayer::RawLabelStore::Group labels =
        RawLayer::RawLabelStore::Instance().RegisterLabels(kListLabelTable);
    header_.flags = JobFileUnit::Header | JobFileUnit::Matched;
    header_.name = labels.Get("OldNameTag");
    header_.newName = labels.Get("NewNameTag");
    checkedInside_ = labels.Get("CheckedInside");
    itemMenu_ = std::make_unique<GuiItemMenu>(*this, list_);
    hover_ = std::make_unique<Hover>(*this);
}

GuiViewBox::~GuiViewBox() = default;

void GuiViewBox::OnCreated() {
    // Without the option no tip is ever shown.
    hover_->trackHover = Options().Has(JobOption::ViewTip);
    Metrics();
    Refresh();
}

// ---------------------------------------------------------------- rows

void GuiViewBox::AddPaths(const RawLayer::RawStringList& paths) {
    const bool open = Options().Has(JobOption::OpenFolderInitialyOnDropped);
    for (const RawString& path : paths) list_.AddPath(path, open);
}

void GuiViewBox::ResetRows() {
    ResetItems();
    widths_.clear();
    for (JobFileUnit& unit : list_) AppendRow(&unit);
    Refresh();
}

void GuiViewBox::Refresh() {
    // The list belongs to other work for now; the end of it refreshes.
    if (Suspended()) return;
    const uint16_t optionFlags = Options().flags;
    const int32_t count = ItemCount();
    for (int32_t i = 0; i < count; ++i) {
        ListRow& row = *ItemAt(i);
        const bool shown = RowVisible(DataOf(row)->flags, condition.viewStyle, condition.limitation, optionFlags,
                                      !(row.flags & ListRow::kHidden));
        if (shown) row.flags &= ~ListRow::kHidden;
        else row.flags |= ListRow::kHidden;
    }
    ItemsChanged();
    UpdateNotice();
    ComputeColumns();
    WinListBox::Relayout();
    Redraw();
}

bool GuiViewBox::RowShown(int32_t row) {
    const ListRow* unit = ItemAt(row);
    return unit && Rows().IsItem(row) && !(unit->flags & ListRow::kHidden);
}

bool GuiViewBox::IsSelected(int32_t row) {
    const ListRow* unit = Rows().IsItem(row) ? ItemAt(row) : nullptr;
    return unit && unit->IsSelected();
}

void GuiViewBox::SetSelected(int32_t row, bool selected) {
    if (!Rows().IsItem(row) || IsSelected(row) == selected) return;
    Toggle(row);
}

void GuiViewBox::ShowProgress(bool paintNow) {
    if (!HasWindow()) return;
    // The pointer's moves are nobody's while work runs: a tip would stay.
    if (Suspended()) hover_->Close();
    Redraw();
    if (paintNow) UpdateWindow(Window());
}

// ---------------------------------------------------------------- metrics

void GuiViewBox::ApplyListFont(HFONT listFont, int32_t pathFontRate) {
    pathFontRate_ = pathFontRate;
    LOGFONTW logFont{};
    if (listFont && GetObjectW(listFont, sizeof logFont, &logFont) > 0) SetListFont(logFont);
    // Measured again even in the same font: the path font follows the rate.
    metricsFont_ = nullptr;
    Relayout();
    Redraw();
}

void GuiViewBox::Metrics() {
    metricsFont_ = ResolvedFont();
    widths_.clear();
    RawLayer::RawWindowDc dc(Window());
    RawLayer::RawSelectObject select(dc.Dc(), metricsFont_);
    RECT a{0, 0, 0, 0};
    DrawTextW(dc.Dc(), L"A", 1, &a, DT_CALCRECT | kMeasureFlags);
    nameHeight_ = Height(a);
    TEXTMETRICW name{};
    GetTextMetricsW(dc.Dc(), &name);
    LOGFONTW logFont{};
    GetObjectW(metricsFont_, sizeof logFont, &logFont);
    // A font record without a height means the font's own: scale what it is.
    if (logFont.lfHeight == 0) logFont.lfHeight = -(name.tmHeight - name.tmInternalLeading);
    logFont.lfHeight = logFont.lfHeight * pathFontRate_ / 100;
    logFont.lfWidth = logFont.lfWidth * pathFontRate_ / 100;
    if (logFont.lfHeight == 0) logFont.lfHeight = 1;
    pathFont_.Reset(CreateFontIndirectW(&logFont));
    gap_ = Width(a) * pathFontRate_ / 100;
    RawLayer::RawSelectObject path(dc.Dc(), pathFont_.Get());
    RECT p{0, 0, 0, 0};
    DrawTextW(dc.Dc(), L"A", 1, &p, DT_CALCRECT | kMeasureFlags);
    pathHeight_ = Height(p);
    TEXTMETRICW pathMetrics{};
    GetTextMetricsW(dc.Dc(), &pathMetrics);
    // The path and the name stand on one baseline; the row holds both whole.
    nameAscent_ = name.tmAscent;
    pathAscent_ = pathMetrics.tmAscent;
    lineAscent_ = std::max(name.tmAscent, pathMetrics.tmAscent);
    const int32_t both = lineAscent_ + std::max(name.tmDescent, pathMetrics.tmDescent);
    rowHeight_ = std::max(nameHeight_, both) + 2;
}

int32_t GuiViewBox::TextWidth(HDC dc, HFONT textFont, const RawString& text) {
    if (text.IsEmpty()) return 0;
    RawLayer::RawSelectObject select(dc, textFont);
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
        w.nameWidth = TextWidth(dc, metricsFont_, unit.name);
        w.pathWidth = -1;
    }
    if (!(w.newName == unit.newName)) {
        w.newName = unit.newName;
        w.newNameWidth = TextWidth(dc, metricsFont_, unit.newName);
    }
    if (condition.viewStyle == JobCondition::ViewStyle::MatchedList) {
        if (w.pathWidth < 0) w.pathWidth = TextWidth(dc, pathFont_.Get(), unit.displayPath);
        unit.pathWidth = w.pathWidth;
        unit.pathShift = nameAscent_ - pathAscent_;
    }
    return w;
}

// The needs of column 0 over the header and every shown row; one walk per
// pass or font, never per paint.
void GuiViewBox::ComputeColumns() {
    if (ResolvedFont() != metricsFont_) Metrics();
    RawLayer::RawWindowDc dc(Window());
    const int32_t h = rowHeight_;
    const bool matched = condition.viewStyle == JobCondition::ViewStyle::MatchedList;
    int32_t need = 2 * h + TextWidth(dc.Dc(), metricsFont_, header_.name) + kTextPad;
    const int32_t markRoom = ShowsMarks() ? h : 0;
    const int32_t count = ItemCount();
    for (int32_t i = 0; i < count; ++i) {
        ListRow& row = *ItemAt(i);
        if (row.flags & ListRow::kHidden) continue;
        JobFileUnit& unit = *DataOf(row);
        const Widths& w = Measure(unit, dc.Dc());
        const int32_t n = matched ? 2 * h + w.pathWidth + gap_ + w.nameWidth + kTextPad
                                  : (unit.depth + 2) * h + w.nameWidth + kTextPad;
        need = std::max(need, n + markRoom);
    }
    firstNeed_ = need;
    FitColumns();
}

void GuiViewBox::FitColumns() {
    RECT r{};
    if (HasWindow()) GetClientRect(Window(), &r);
    columns_ = ColumnWidths(Width(r) - margins.left - margins.right, firstNeed_);
}

void GuiViewBox::Relayout() {
    if (!Suspended()) ComputeColumns();
    WinListBox::Relayout();
}

void GuiViewBox::MeasureLine(HDC dc, SIZE& size) {
    WinListBox::MeasureLine(dc, size);
    size.cy = rowHeight_;
}

void GuiViewBox::MeasureItem(HDC, const RECT&, int32_t, ListRow& item, RECT& rect) {
    // Only the row's own flags: the units may belong to a worker meanwhile.
    const int32_t height = (item.flags & ListRow::kHidden) ? 0 : rowHeight_;
    rect = {0, 0, columns_.first + columns_.second, height};
}

// ---------------------------------------------------------------- painting

GuiRowState GuiViewBox::StateOf(const JobFileUnit& unit, bool selected, bool isHeader) const {
    GuiRowState state{unit.flags, selected, HasFocus(), (listOptions & kListHideFrame) != 0};
    if (!isHeader && predictor) state.conflict = predictor->ConflictOf(unit) != JobConflict::None;
    return state;
}

COLORREF GuiViewBox::RowColour(int32_t row) {
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    if (WinHighContrast()) return HighContrastFill(StateOf(RowUnit(row), IsSelected(row), false));
    return RowBackground(StateOf(RowUnit(row), IsSelected(row), false), window, GetSysColor(COLOR_BTNFACE),
                         background);
}

void GuiViewBox::DrawRows(HDC dc, POINT origin, POINT offset) {
    if (!Suspended()) {
        WinListBox::DrawRows(dc, origin, offset);
        return PaintNotice(dc, origin, offset);
    }
    // The list belongs to the work in progress: only its progress is shown,
    // in a band across the middle, so that the view never looks empty.
    const LONG middle = (view.top + view.bottom) / 2;
    RECT band{view.left, middle - rowHeight_, view.right, middle + rowHeight_};
    FillSolid(dc, band, GetSysColor(COLOR_BTNFACE));
    const RawLayer::RawTextColourScope colour(dc, GetSysColor(COLOR_WINDOWTEXT));
    band.left += 4;
    DrawLabel(dc, gate->ProgressText(), band, kTextFlags | DT_CENTER);
}

void GuiViewBox::DrawItem(HDC dc, const RECT& rect, int32_t index, ListRow& item) {
    if (index < 0) return;
    PaintRow(dc, rect, *DataOf(item), false, item.IsSelected());
    PaintCheckedInside(dc, rect, index);
}

int32_t GuiViewBox::CheckedInside(int32_t row) {
    const JobFileUnit& folder = RowUnit(row);
    if (condition.viewStyle != JobCondition::ViewStyle::TreeView || !folder.Has(JobFileUnit::Folder) ||
        folder.Has(JobFileUnit::Opened))
        return 0;
    // Only closed folders on screen are asked, and their subtrees never
    // overlap, so a paint walks each hidden unit at most once.
    int32_t checked = 0;
    const int32_t count = RowCount();
    for (int32_t r = row + 1; r < count; ++r) {
        const JobFileUnit& unit = RowUnit(r);
        if (unit.depth <= folder.depth) break;
        if (unit.Has(JobFileUnit::Checked) && !unit.Has(JobFileUnit::Excluded)) ++checked;
    }
    return checked;
}

void GuiViewBox::PaintCheckedInside(HDC dc, const RECT& rect, int32_t row) {
    // What "Start !" renames inside a closed folder would otherwise show on no row.
    const int32_t checked = CheckedInside(row);
    if (checked == 0) return;
    RawString text(RawString("("));
    text.AppendInt(checked);
    text.AppendUnit(' ');
    text.Append(checkedInside_);
    text.AppendUnit(')');
    const int32_t split = rect.left + columns_.first;
    RECT area{split + 4, rect.top + 1, rect.right - 4, rect.bottom - 1};
    const RawString& newName = RowUnit(row).newName;
    if (!newName.IsEmpty())
        area.left += TextWidth(dc, static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT)), newName) + gap_;
    const RawLayer::RawTextColourScope colour(dc, WinHighContrast() ? GetSysColor(COLOR_GRAYTEXT) : kUnmatchedText);
    DrawLabel(dc, text, area, kTextFlags);
}

void GuiViewBox::DrawHeader(HDC dc, const RECT& rect, int32_t) {
    RECT r = rect;
    r.right = r.left + columns_.first + columns_.second;
    PaintRow(dc, r, header_, true, false);
}

void GuiViewBox::PaintRow(HDC dc, const RECT& rect, const JobFileUnit& unit, bool isHeader, bool selected) {
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const GuiRowState state = StateOf(unit, selected, isHeader);
    const bool matched = unit.Has(JobFileUnit::Matched);
    // High contrast: the user's colours, never the outcome tints.
    const bool contrast = WinHighContrast();
    FillSolid(dc, rect,
              contrast ? HighContrastFill(state) : RowBackground(state, window, GetSysColor(COLOR_BTNFACE), background));
    const RawLayer::RawTextColourScope colour(dc, contrast  ? HighContrastText(state, matched)
                                                  : matched ? GetSysColor(COLOR_WINDOWTEXT)
                                                            : kUnmatchedText);
    const COLORREF grid = contrast ? GetSysColor(COLOR_GRAYTEXT) : kGridColour;
    const int32_t h = rowHeight_;
    const bool tree = condition.viewStyle == JobCondition::ViewStyle::TreeView;
    const int32_t x = rect.left + (tree && !isHeader ? unit.depth * h : 0);
    const int32_t split = rect.left + columns_.first;
    {
        // Nothing of column 0 spills into column 1.
        const RawLayer::RawSavedDc saved(dc);
        IntersectClipRect(dc, rect.left, rect.top, split, rect.bottom);
        if (!isHeader) {
            RECT box{x + 2, rect.top + 1, x + 2 + h - 3, rect.top + 1 + h - 3};
            UINT check = DFCS_BUTTONCHECK;
            if (unit.Has(JobFileUnit::Checked)) check |= DFCS_CHECKED;
            if (!unit.Checkable()) check |= DFCS_INACTIVE;
            DrawFrameControl(dc, &box, DFC_BUTTON, check);
            PaintImage(dc, x + h + 2, rect.top + 1, ItemImage(unit.flags, condition.viewStyle));
            PaintMark(dc, x + 2 * h + 2, rect.top + 1, unit);
        }
        RECT text{x + 2 * h + 4 + (ShowsMarks() ? h : 0), rect.top + 1, split - 4, rect.bottom - 1};
        if (!isHeader && !tree) {
            // Both texts on the baseline of the row's line, each in its font.
            const int32_t baseline = rect.top + 1 + lineAscent_;
            RECT p = text;
            p.top = baseline - pathAscent_;
            p.bottom = rect.bottom;
            {
                RawLayer::RawSelectObject path(dc, pathFont_.Get());
                DrawLabel(dc, unit.displayPath, p, kTextFlags & ~(DT_END_ELLIPSIS | DT_VCENTER));
            }
            text.left += unit.pathWidth + gap_;
            text.top = baseline - nameAscent_;
            text.bottom = rect.bottom;
            DrawLabel(dc, unit.name, text, kTextFlags & ~DT_VCENTER);
        } else {
            DrawLabel(dc, unit.name, text, kTextFlags);
        }
    }
    DrawLabel(dc, unit.newName, {split + 4, rect.top + 1, rect.right - 4, rect.bottom - 1}, kTextFlags);
    FillSolid(dc, {split - 1, rect.top, split, rect.bottom}, grid);
    FillSolid(dc, {rect.right - 1, rect.top, rect.right, rect.bottom}, grid);
    FillSolid(dc, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, grid);
}

// The item images, frame = the image number: a file, an open folder, a
// folder without content, a closed folder with content; then the outcome
// marks from kFirstMarkImage on, in GuiOutcomeMark order.
WinBitmapPool& ItemImagePool() {
    struct Pool : WinBitmapPool {
        Pool() : WinBitmapPool(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)) {
            static constexpr uint16_t kIds[] = {IDI_ITEM_FILE,          IDI_ITEM_FOLDER_OPEN, IDI_ITEM_FOLDER_EMPTY,
                                                IDI_ITEM_FOLDER_CLOSED, IDI_MARK_WARNING,     IDI_MARK_SUCCEEDED,
                                                IDI_MARK_FAILED};
            LoadIconFrames(*this, WinToolkit::Instance().InstanceHandle(), kIds);
        }
    };
    static Pool pool;  // destroyed at exit
    return pool;
}

void GuiViewBox::PaintImage(HDC dc, int32_t x, int32_t y, int32_t image) {
    const int32_t s = rowHeight_ - 3;
    WinBitmapPool& pool = ItemImagePool();
    if (s < 4 || image >= pool.FrameCount()) return;
    pool.Draw(image, dc, {x, y, x + s, y + s});
}

// ---------------------------------------------------------------- marks and notice

bool GuiViewBox::ShowsMarks() const { return summary_.outcomes || (predictor && predictor->Conflicts() > 0); }

void GuiViewBox::PaintMark(HDC dc, int32_t x, int32_t y, const JobFileUnit& unit) {
    const bool conflict = predictor && predictor->ConflictOf(unit) != JobConflict::None;
    const GuiOutcomeMark mark = OutcomeMarkOf(unit.flags, conflict);
    if (mark != GuiOutcomeMark::None) PaintImage(dc, x, y, kFirstMarkImage + static_cast<int32_t>(mark) - 1);
}

void GuiViewBox::UpdateNotice() {
    summary_ = SummariseView(list_, condition);
    const RawString text = NoticeText(summary_.notice, summary_.caseBlindMatches, condition.oldName);
    if (text == notice_) return;
    notice_ = text;
    noticeMeasured_ = {};
    // The window text too: what a screen reader reads for the empty box.
    if (HasWindow()) SetWindowTextW(Window(), notice_.ToWide().c_str());
}

// Centred in the part of the view below the last row; left out when the
// rows leave no room for it.
void GuiViewBox::PaintNotice(HDC dc, POINT origin, POINT offset) {
    if (notice_.IsEmpty()) return;
    RECT area{view.left, std::max(view.top, origin.y - offset.y + extent.cy), view.right, view.bottom};
    if (Height(area) < 2 * rowHeight_) return;
    InflateRect(&area, -2 * rowHeight_, 0);
    const RawLayer::RawTextColourScope colour(dc, WinHighContrast() ? GetSysColor(COLOR_WINDOWTEXT) : kNoticeText);
    RawLayer::RawSelectObject select(dc, metricsFont_ ? metricsFont_ : ResolvedFont());
    const std::wstring wide = notice_.ToWide();
    // DT_EDITCONTROL breaks a word wider than the view too, as text without
    // spaces (Japanese) is.
    constexpr UINT kFlags = DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
    // Measured again only when the text, the width or the font changed.
    if (noticeMeasured_.cx != Width(area) || noticeFont_ != metricsFont_) {
        RECT need = area;
        DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &need, kFlags | DT_CALCRECT);
        noticeMeasured_ = {Width(area), Height(need)};
        noticeFont_ = metricsFont_;
    }
    const int32_t top = area.top + std::max<int32_t>(0, (Height(area) - noticeMeasured_.cy) / 2);
    RECT box{area.left, top, area.right, std::min<LONG>(area.bottom, top + noticeMeasured_.cy)};
    DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &box, kFlags);
}

// ---------------------------------------------------------------- tips

RawString GuiViewBox::TipAt(POINT point) {
    if (Suspended()) return RawString();
    Flush();
    const int32_t row = HitTest(point);
    if (!Rows().IsItem(row)) return RawString();
    const JobFileUnit& unit = RowUnit(row);
    const GuiHitZone zone = ZoneAt(row, point.x);
    RawString tip;
    if (zone == GuiHitZone::NewName) {
        tip = unit.PathWithName(unit.newName);
    } else if (zone != GuiHitZone::Outside) {
        tip = unit.FullPath();
    }
    if (failureOf && !tip.IsEmpty() && unit.Has(JobFileUnit::RenameFailed)) {
        // A red row tells what the run met, as the batch run's FAILED line does.
        const RawString reason = failureOf(unit);
        if (!reason.IsEmpty()) {
            tip.Append(RawString("\r\n"));
            tip.Append(reason);
        }
    } else if (predictor && !tip.IsEmpty()) {
        const RawString reason = ConflictText(predictor->ConflictOf(unit), unit.newName);
        if (!reason.IsEmpty()) {
            tip.Append(RawString("\r\n"));
            tip.Append(reason);
        }
    }
    return tip;
}

// ---------------------------------------------------------------- input

GuiHitZone GuiViewBox::ZoneAt(int32_t row, int32_t x) {
    if (!Rows().IsItem(row)) return GuiHitZone::Outside;
    const int32_t indent = condition.viewStyle == JobCondition::ViewStyle::TreeView ? RowUnit(row).depth * rowHeight_ : 0;
    return HitZone(x - view.left + scroll.x, indent, rowHeight_, columns_.first, columns_.first + columns_.second);
}

void GuiViewBox::ToggleCheck(int32_t row) {
    if (!Rows().IsItem(row) || !JobFileList::SetChecked(RowUnit(row), !RowUnit(row).Has(JobFileUnit::Checked))) return;
    AnnounceChecks();
}

void GuiViewBox::AnnounceChecks() {
    if (checksChanged) checksChanged();
    Redraw();
}

void GuiViewBox::ToggleSelectionChecks(int32_t clickedRow) {
    if (!Rows().IsItem(clickedRow)) return;
    if (!IsSelected(clickedRow)) return ToggleCheck(clickedRow);
    const bool check = !RowUnit(clickedRow).Has(JobFileUnit::Checked);
    JobFileList::Places selected;
    const WinListBoxRowSet rows = Rows();
    for (int32_t i = 0; i < rows.Count(); ++i)
        if (rows.items[i]->IsSelected()) selected.push_back(i);
    list_.SetChecks(selected, check);
    AnnounceChecks();
}

void GuiViewBox::ClickCheckBox(int32_t row) {
    if (!Rows().IsItem(row)) return;
    if (Options().Has(JobOption::CheckMarkBySelection)) ToggleSelectionChecks(row);
    else ToggleCheck(row);
}

void GuiViewBox::ToggleFolder(int32_t row) {
    if (!RowShown(row) || condition.viewStyle != JobCondition::ViewStyle::TreeView) return;
    list_.SetFoldersOpened({row}, !RowUnit(row).Has(JobFileUnit::Opened), false);
    Refresh();
}

void GuiViewBox::OpenWithProgram(int32_t row) {
    if (!Rows().IsItem(row)) return;
    RawLayer::RawShell shell;
    shell.program = RowUnit(row).FullPath();
    if (!shell.program.IsEmpty()) shell.Launch(RawString(), RawString());
}

// True when the click was the check box's or the image's: the selection stays.
bool GuiViewBox::OnLeftDown(LPARAM lParam) {
    Flush();
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int32_t row = HitTest(point);
    const GuiHitZone zone = ZoneAt(row, point.x);
    if (zone != GuiHitZone::CheckBox && zone != GuiHitZone::Image) return false;
    if (HasWindow()) SetFocus(Window());
    if (zone == GuiHitZone::CheckBox) ClickCheckBox(row);
    else ToggleFolder(row);
    return true;
}

// True when the double click opened the item (the list box need not see it).
bool GuiViewBox::OnDoubleClick(LPARAM lParam) {
    Flush();
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const GuiHitZone zone = ZoneAt(HitTest(point), point.x);
    if (zone == GuiHitZone::CheckBox || zone == GuiHitZone::Image) return true;
    const int32_t row = Cursor();
    if (!Rows().IsItem(row)) return false;
    if (RowUnit(row).Has(JobFileUnit::Folder) && Options().Has(JobOption::OpenTreeByDoubleClick)) {
        ToggleFolder(row);
        return false;
    }
    OpenWithProgram(row);
    return true;
}

bool GuiViewBox::OnKey(WPARAM key) {
    if (GetKeyState(VK_CONTROL) < 0) return false;
    switch (key) {
        case 'V': ClickCheckBox(Cursor()); return true;
        case 'O': ToggleFolder(Cursor()); return true;
        case 'E': OpenWithProgram(Cursor()); return true;
        default: return false;
    }
}

void GuiViewBox::OnDropFiles(HDROP drop) {
    RawLayer::RawStringList paths;
    {
        const RawLayer::RawDropHandle dropped(drop);
        const uint32_t count = RawLayer::DroppedFileCount(drop);
        for (uint32_t i = 0; i < count; ++i) paths.Append(RawLayer::DroppedFile(drop, i));
    }
    AddAndAnnounce(paths);
}

void GuiViewBox::AddAndAnnounce(const RawLayer::RawStringList& paths) {
    if (addPaths) addPaths(paths);
    else AddPaths(paths);
    ResetRows();
    if (itemsAdded) itemsAdded();
}

// ---------------------------------------------------------------- item menu

const RawString& GuiViewBox::ShownTip() const { return hover_->Tip(); }

void GuiViewBox::CloseTip() { hover_->Close(); }

void GuiViewBox::OnContextMenu(POINT point, int32_t index) { itemMenu_->Show(point, index); }

int32_t GuiViewBox::OnMenuCommand(uint32_t command, uint32_t tag) {
    itemMenu_->OnCommand(command, tag);
    return 0;
}

bool GuiViewBox::OnMeasureMenuItem(uint32_t, MEASUREITEMSTRUCT* item) { return itemMenu_->Measure(item); }

bool GuiViewBox::OnDrawMenuItem(uint32_t, DRAWITEMSTRUCT* item) { return itemMenu_->Draw(item); }

JobFileList::Places GuiViewBox::SnapshotRows() {
    JobFileList::Places rows;
    for (int32_t row = 0; row < ItemCount(); ++row)
        if (ItemAt(row)->flags & ListRow::kSnapshot) rows.push_back(row);
    return rows;
}

void GuiViewBox::PlaceCursorNear(int32_t row) {
    for (int32_t r = std::min(row, ItemCount() - 1); r >= 0; --r) {
        if (!RowShown(r)) continue;
        SetCursor(r);
        ScrollIntoView(r);
        break;
    }
}

int32_t GuiViewBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool idle = !Suspended();
    // Whatever the user does next, the tip is in the way.
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_KEYDOWN || message == WM_MOUSEWHEEL)
        hover_->Close();
    switch (message) {
        case WM_SIZE:
            // The columns share the new width; the rows' widths follow them.
            if (idle) {
                FitColumns();
                WinListBox::Relayout();
            }
            break;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_LBUTTONDOWN:
            if (!idle || OnLeftDown(lParam)) return 0;
            break;
        case WM_LBUTTONDBLCLK:
            if (!idle || OnDoubleClick(lParam)) return 0;
            break;
        case WM_KEYDOWN:
            if (!idle || OnKey(wParam)) return 0;
            break;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        default:
            break;
    }
    return WinListBoxR::HandleMessage(message, wParam, lParam);
}

}  // namespace AppLayer
