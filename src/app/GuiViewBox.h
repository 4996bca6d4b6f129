// The view box: the items of the item list as a tree or as the matched list,
// with old and new names, check boxes, item images and outcome colours, on
// the toolkit's list box (one row per unit, hidden when not shown).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

#include "app/GuiItemMenu.h"
#include "app/GuiLayout.h"
#include "app/GuiRunGate.h"
#include "app/GuiViewNotice.h"
#include "job/JobCondition.h"
#include "job/JobConflict.h"
#include "job/JobFileList.h"
#include "raw/RawGdiHandle.h"
#include "raw/RawList.h"
#include "win/WinListBox.h"
#include "win/WinViewHook.h"

namespace AppLayer {

class GuiViewBox : public WinLayer::WinListBoxR<JobLayer::JobFileUnit> {
public:
    explicit GuiViewBox(JobLayer::JobFileList& list);
    ~GuiViewBox() override;

    // ---- what the main dialog does with it
    // The dialog's copy of its condition after every pass.
    JobLayer::JobCondition condition;
    // The dialog's prediction of failing renames; null paints none.
    const JobLayer::JobConflictPredictor* predictor = nullptr;
    // Names each path in order (a folder with its whole content).
    void AddPaths(const RawLayer::RawStringList& paths);
    // Which rows show, then widths, layout and a repaint.
    void Refresh();
    // One row per unit of the item list again; cursor, selection and
    // scrolling back to the start.
    void ResetRows();
    // The list font; the path font follows from it and the path font rate.
    void ApplyListFont(HFONT font, int32_t pathFontRate);
    // The gate of long work; while it runs the list belongs to the work:
    // rows are not painted, only its progress, and nothing the user does
    // here touches the list.
    const GuiRunGate* gate = nullptr;
    // The progress changed (or the work ended): paint again.
    void ShowProgress(bool paintNow);
    bool Suspended() const { return gate && gate->Running(); }
    // The progress text while work runs; empty otherwise.
    RawLayer::RawString Progress() const { return gate ? gate->ProgressText() : RawLayer::RawString(); }
    // The line an empty view shows (also the box's window text); empty when
    // rows matched.
    const RawLayer::RawString& NoticeLine() const { return notice_; }
    // How dropped paths are named; AddPaths unless the dialog says otherwise.
    std::function<void(const RawLayer::RawStringList&)> addPaths;
    // Called after the user changed check marks.
    std::function<void()> checksChanged;
    // Called after items were added and their rows made (the dialog runs an
    // evaluation pass).
    std::function<void()> itemsAdded;
    // Why the run failed on a unit, for its tip; empty when unknown.
    std::function<RawLayer::RawString(const JobLayer::JobFileUnit&)> failureOf;

    // ---- rows (one per unit, in list order)
    int32_t RowCount() { return ItemCount(); }
    JobLayer::JobFileUnit& RowUnit(int32_t row) { return *DataAt(row); }
    bool RowShown(int32_t row);
    bool IsSelected(int32_t row);
    void SetSelected(int32_t row, bool selected);
    int32_t RowHeight() const { return rowHeight_; }
    GuiColumns Columns() const { return columns_; }
    // Checked units inside the row's folder while it is closed in the tree
    // (the count its row shows); 0 otherwise.
    int32_t CheckedInside(int32_t row);
    // The row's painted background (outcome or warning colour included).
    COLORREF RowColour(int32_t row);
    // The tip's text at a client point: the full path (column 0) or the
    // folder with the new name (column 1), and why a predicted rename fails.
    RawLayer::RawString TipAt(POINT point);

    // ---- item menu (the right button)
    GuiItemMenu& ItemMenu() { return *itemMenu_; }
    // The rows of the last selection snapshot, ascending; they are the
    // units' places in the item list too.
    JobLayer::JobFileList::Places SnapshotRows();
    // The cursor on the shown row at or above the given one (after rows went).
    void PlaceCursorNear(int32_t row);
    void CloseTip();
    void OnContextMenu(POINT point, int32_t index) override;
    int32_t OnMenuCommand(uint32_t command, uint32_t tag) override;
    bool OnMeasureMenuItem(uint32_t zero, MEASUREITEMSTRUCT* item) override;
    bool OnDrawMenuItem(uint32_t zero, DRAWITEMSTRUCT* item) override;
    // The tip showing now; empty when none.
    const RawLayer::RawString& ShownTip() const;

    // ---- user operations
    // Names the paths, then tells the dialog (itemsAdded).
    void AddAndAnnounce(const RawLayer::RawStringList& paths);
    // After check marks changed: the dialog is told, the rows repainted.
    void AnnounceChecks();
    void ToggleCheck(int32_t row);
    void ToggleSelectionChecks(int32_t clickedRow);
    void ToggleFolder(int32_t row);
    void OpenWithProgram(int32_t row);
    // The check-box click of the rules (one unit, or the selection).
    void ClickCheckBox(int32_t row);

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCreated() override;
    void Relayout() override;

    // ---- list box drawing
    void MeasureLine(HDC dc, SIZE& size) override;
    void MeasureItem(HDC dc, const RECT& bounds, int32_t index, WinLayer::WinListBoxItemUnit& item,
                     RECT& rect) override;
    void DrawRows(HDC dc, POINT origin, POINT scroll) override;
    void DrawItem(HDC dc, const RECT& rect, int32_t index, WinLayer::WinListBoxItemUnit& item) override;
    void DrawHeader(HDC dc, const RECT& rect, int32_t index) override;

private:
    struct Widths {
        RawLayer::RawString name;
        RawLayer::RawString newName;
        int32_t nameWidth = 0;
        int32_t newNameWidth = 0;
        int32_t pathWidth = -1;  // also kept on the unit while measured
    };
    class Hover;

    void Metrics();
    const Widths& Measure(JobLayer::JobFileUnit& unit, HDC dc);
    int32_t TextWidth(HDC dc, HFONT font, const RawLayer::RawString& text);
    void ComputeColumns();
    void FitColumns();
    GuiRowState StateOf(const JobLayer::JobFileUnit& unit, bool selected, bool header) const;
    void PaintRow(HDC dc, const RECT& rect, const JobLayer::JobFileUnit& unit, bool header, bool selected);
    void PaintImage(HDC dc, int32_t x, int32_t y, int32_t image);
    void PaintCheckedInside(HDC dc, const RECT& rect, int32_t row);
    // Rows keep room for outcome marks while any row has one.
    bool ShowsMarks() const;
    void PaintMark(HDC dc, int32_t x, int32_t y, const JobLayer::JobFileUnit& unit);
    void UpdateNotice();
    void PaintNotice(HDC dc, POINT origin, POINT scroll);
    GuiHitZone ZoneAt(int32_t row, int32_t x);
    bool OnLeftDown(LPARAM lParam);
    bool OnDoubleClick(LPARAM lParam);
    bool OnKey(WPARAM key);
    void OnDropFiles(HDROP drop);
    void Redraw() { Invalidate(); }

    JobLayer::JobFileList& list_;
    std::unordered_map<const JobLayer::JobFileUnit*, Widths> widths_;
    JobLayer::JobFileUnit header_;
    int32_t rowHeight_ = 16;
    int32_t gap_ = 4;
    int32_t pathHeight_ = 0;
    int32_t nameHeight_ = 0;
    int32_t nameAscent_ = 0;
    int32_t pathAscent_ = 0;
    int32_t lineAscent_ = 0;  // of the taller of the two fonts
    int32_t firstNeed_ = 0;  // column 0's need at the last measuring
    GuiColumns columns_{10, 10};
    HFONT metricsFont_ = nullptr;
    RawLayer::RawFontHandle pathFont_;
    int32_t pathFontRate_ = 80;
    RawLayer::RawString checkedInside_;
    GuiViewSummary summary_;
    RawLayer::RawString notice_;
    SIZE noticeMeasured_{};  // the width it was measured for and its height
    HFONT noticeFont_ = nullptr;
    std::unique_ptr<Hover> hover_;
    std::unique_ptr<GuiItemMenu> itemMenu_;
};

}  // namespace AppLayer
