// The view box: the items of the item list as a tree or as the matched list,
// with old and new names, check boxes, item images and outcome colours.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/GuiLayout.h"
#include "job/JobCondition.h"
#include "job/JobFileList.h"
#include "raw/RawGdiHandle.h"
#include "raw/RawList.h"
#include "win/WinView.h"

namespace AppLayer {

class GuiViewBox : public WinLayer::WinView {
public:
    // Posted to the parent when items were added (an evaluation pass follows).
    static constexpr uint16_t kItemsAdded = 0x1107;

    explicit GuiViewBox(JobLayer::JobFileList& list);
    ~GuiViewBox() override;

    // ---- what the main dialog does with it
    // The dialog's copy of its condition after every pass.
    JobLayer::JobCondition condition;
    // Names each path in order (a folder with its whole content).
    void AddPaths(const RawLayer::RawStringList& paths);
    // Which units show as rows, then widths, scrolling and a repaint.
    void Refresh();
    // Forgets rows, cursor, selection and scrolling (the list was emptied or replaced).
    void ResetRows();
    // The list font; the path font follows from it and the path font rate.
    void SetListFont(HFONT font, int32_t pathFontRate);
    // While the list belongs to a long piece of work: rows are not painted,
    // only the progress text in the trailer row. Empty text ends it.
    void SetProgress(const RawLayer::RawString& text, bool paintNow);
    bool Suspended() const { return !progress_.IsEmpty(); }
    // How dropped paths are named; AddPaths unless the dialog says otherwise.
    std::function<void(const RawLayer::RawStringList&)> addPaths;

    // ---- rows (visible units in list order)
    int32_t RowCount() const { return static_cast<int32_t>(rows_.size()); }
    JobLayer::JobFileUnit& RowUnit(int32_t row) const { return *rows_[row]; }
    int32_t Cursor() const { return cursor_; }
    bool IsSelected(int32_t row) const;
    void SetSelected(int32_t row, bool selected);
    void SetCursor(int32_t row);
    int32_t TopRow() const { return top_; }
    int32_t RowHeight() const { return rowHeight_; }
    GuiColumns Columns() const { return columns_; }
    // The row's painted background (for its outcome colour).
    COLORREF RowColour(int32_t row) const;

    // ---- user operations
    void ToggleCheck(JobLayer::JobFileUnit& unit);
    void ToggleSelectionChecks(int32_t clickedRow);
    void ToggleFolder(int32_t row);
    void OpenWithProgram(int32_t row);
    // The check-box click of the rules (one unit, or the selection).
    void ClickCheckBox(int32_t row);

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCreated() override;

private:
    struct Widths {
        RawLayer::RawString name;
        RawLayer::RawString newName;
        int32_t nameWidth = 0;
        int32_t newNameWidth = 0;
        int32_t pathWidth = 0;  // also kept on the unit while measured
    };

    void Metrics();
    const Widths& Measure(JobLayer::JobFileUnit& unit, HDC dc);
    int32_t TextWidth(HDC dc, HFONT font, const RawLayer::RawString& text);
    void ComputeColumns();
    void UpdateScroll();
    RECT ItemArea() const;
    int32_t RowsPerPage() const;
    int32_t RowAt(int32_t y) const;
    void EnsureVisible(int32_t row);
    void ScrollTo(int32_t top);

    void OnPaint();
    void PaintRow(HDC dc, const RECT& rect, const JobLayer::JobFileUnit& unit, bool header, bool selected);
    void PaintImage(HDC dc, int32_t x, int32_t y, int32_t image);
    void OnLeftDown(WPARAM keys, int32_t x, int32_t y);
    void OnDoubleClick(int32_t x, int32_t y);
    bool OnKey(WPARAM key);
    void MoveCursor(int32_t row, bool extend);
    void OnDropFiles(HDROP drop);
    GuiHitZone ZoneAt(int32_t row, int32_t x) const;

    JobLayer::JobFileList& list_;
    std::vector<JobLayer::JobFileUnit*> rows_;
    std::unordered_set<const JobLayer::JobFileUnit*> selected_;
    std::unordered_map<const JobLayer::JobFileUnit*, Widths> widths_;
    JobLayer::JobFileUnit header_;
    int32_t cursor_ = -1;
    int32_t anchor_ = -1;
    int32_t top_ = 0;
    int32_t rowHeight_ = 16;
    int32_t gap_ = 4;
    int32_t pathHeight_ = 0;
    int32_t nameHeight_ = 0;
    GuiColumns columns_{10, 10};
    HFONT listFont_ = nullptr;
    RawLayer::RawFontHandle pathFont_;
    int32_t pathFontRate_ = 80;
    bool focused_ = false;
    RawLayer::RawString progress_;
};

}  // namespace AppLayer
