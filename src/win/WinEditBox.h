// The toolkit's own text field: the edit state on an owner-drawn plane, its
// line layout and drawing, the caret timer, IME composition drawn inline, the
// "EditBar" context menu, clipboard and dropped files.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "raw/RawHandle.h"
#include "raw/RawString.h"
#include "win/WinEditBoxBasic.h"
#include "win/WinPlaneBox.h"
#include "win/WinPopupMenu.h"

namespace WinLayer {

// ---------------------------------------------------------------- the "EditBar" menu

enum WinEditCommand : uint32_t {
    kEditCancel = 1,
    kEditUndo = 2,
    kEditCopy = 3,
    kEditPaste = 4,
    kEditDelete = 5,
    kEditSelect = 6,
    kEditInsertTab = 7,
    kEditIme = 8,
    kEditRegister = 9,
};

// Item texts by command id (index 0 unused), from the "EditBar" labels.
using WinEditBarLabels = std::array<RawLayer::RawString, 10>;
WinEditBarLabels LoadEditBarLabels();

struct WinEditMenuState {
    bool offerCancel = false;
    bool readOnly = false;
    bool canUndo = false;
    bool hasIme = false;
};
// Fills the menu in its groups; items that cannot act now are grayed.
void BuildEditMenu(WinPopupMenu& menu, const WinEditMenuState& state, const WinEditBarLabels& labels);

// ---------------------------------------------------------------- layout and drawing

// What an IME is composing, shown inline at the caret.
struct WinEditComposition {
    bool active = false;
    std::u16string text;
    std::vector<uint8_t> attributes;  // one GCS_COMPATTR byte per unit
    std::vector<uint32_t> clauses;    // GCS_COMPCLAUSE boundaries
    int32_t cursor = 0;               // GCS_CURSORPOS
    int32_t at = 0;                   // the text position it is shown at
};

// The line layout of a shown text: lines, the x of every unit boundary and
// the text area inside the box. Plain arithmetic over measured widths.
class WinEditBoxInfo {
public:
    // Widths of the first 1, 2, ... n units of a run without tabs.
    using Measurer = std::function<void(std::u16string_view units, int32_t* extents)>;

    struct Line {
        int32_t begin = 0;
        int32_t end = 0;  // before its line break
    };

    // Paints a laid-out box.
    class Drawer {
    public:
        virtual ~Drawer() = default;
        virtual void Draw(HDC dc, const RECT& client) = 0;
    };

    // Lays the text out: one line unless multi-line (LF, CR LF or CR ends one).
    void Layout(std::u16string_view text, bool multiLine, const Measurer& measure);
    // Where the lines show inside the plane's view: all of it, or for one
    // line a band of its height in the middle.
    RECT TextArea(const RECT& view) const;
    // The line that holds the position.
    int32_t LineOf(int32_t position) const;
    // Content coordinates of the boundary before the position (line top).
    POINT PointOf(int32_t position) const;
    // The boundary nearest to a point in content coordinates.
    int32_t PositionAt(int32_t x, int32_t y) const;
    // The unit under a point: the first one of its line that ends right of it.
    int32_t CharacterAt(int32_t x, int32_t y) const;
    int32_t ContentWidth() const { return contentWidth_; }
    int32_t ContentHeight() const { return static_cast<int32_t>(lines.size()) * lineHeight; }

    std::u16string shown;  // the text with any composition in it
    std::vector<Line> lines;
    std::vector<int32_t> unitX;  // x of the boundary before each unit, one more at the end
    int32_t lineHeight = 16;
    int32_t tabWidth = 64;
    bool multiLine = false;

private:
    int32_t contentWidth_ = 0;
};

// The state a paint needs besides the layout.
struct WinEditPaint {
    bool enabled = true;
    bool showSelection = false;
    bool showCaret = false;
    int32_t caret = 0;                   // in the shown text
    RawLayer::RawRange selection;        // in the shown text
    const WinEditComposition* composition = nullptr;
    int32_t scrollX = 0;
    int32_t scrollY = 0;
    HFONT font = nullptr;
};

class WinEditBoxDraw : public WinEditBoxInfo, public WinEditBoxInfo::Drawer {
public:
    static constexpr COLORREF kDisabledText = 0xA0A0A0;
    static constexpr COLORREF kSelection = 0xFFD0C0;
    // Composition underlays by IME attribute: input, target converted, converted.
    static constexpr COLORREF kCompositionInput = 0xE0FFE0;
    static constexpr COLORREF kCompositionTarget = 0xA0FFFF;
    static constexpr COLORREF kCompositionConverted = 0xFFD0C0;
    static constexpr int32_t kCaretWidth = 2;

    void Draw(HDC dc, const RECT& view) override;
    // The caret's rectangle in client coordinates, clipped to the text area.
    RECT CaretRect(const RECT& view) const;

    WinEditPaint paint;

private:
    void DrawLine(HDC dc, const RECT& area, int32_t index);
    void Underlay(HDC dc, const RECT& area, int32_t line, int32_t begin, int32_t end, COLORREF colour);
};

// ---------------------------------------------------------------- the edit box

// An input-method context created by the box (ImmCreateContext).
namespace WinEditDetail {
inline HIMC NoContext() { return nullptr; }
bool DestroyContext(HIMC context);
}  // namespace WinEditDetail
using WinImeContext = RawLayer::RawUniqueHandle<HIMC, WinEditDetail::NoContext, WinEditDetail::DestroyContext>;

class WinEditBox : public WinPlaneBox, public WinEditBoxBasic {
public:
    static constexpr UINT_PTR kCaretTimer = 600;
    static constexpr UINT kCaretPeriodMs = 600;
    // Room between the edge and the text, left and right.
    static constexpr int32_t kPadding = 2;

    WinEditBox();
    ~WinEditBox() override;

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int32_t OnMenuCommand(uint32_t command, uint32_t tag) override;
    void OnCreated() override;
    void OnDestroyed() override;
    // Keep the edit state with the view's text when it is set from outside.
    void ClearText() override;
    void SetText(const RawLayer::RawString& text) override;
    void AssignText(const RawLayer::RawString& text) override;

    virtual void OpenEditMenu(POINT point);
    // The colour under the text (the system window colour at first); a
    // disabled box shows the button face instead.
    void SetBackground(COLORREF colour);
    COLORREF Background() const { return background_; }

    bool HasImeContext() const { return static_cast<bool>(imeContext_); }
    const WinEditComposition& Composition() const { return composition_; }
    bool CaretShown() const { return caretShown_; }
    const WinEditBoxDraw& Drawing() const { return draw_; }

protected:
    void PaintContent(HDC dc, const RECT& view, POINT scroll, UINT itemState) override;
    COLORREF Background(UINT itemState) const override;
    void OnTextChanged() override;
    void OnSelectionChanged() override;
    void Notify(uint16_t code) override;
    void MoveFocus(bool backwards) override;
    int32_t LineStep(int32_t position, int32_t direction) const override;

private:
    int32_t OnImeMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnComposition(LPARAM parts);
    int32_t OnImeRequest(WPARAM request, LPARAM data);
    void CompleteComposition();
    int32_t OnMouse(UINT message, LPARAM lParam);
    int32_t OnFocus(UINT message, WPARAM wParam, LPARAM lParam);
    int32_t OnSetWindowText(LPARAM text);
    void OnDropFiles(HDROP drop);
    void OnCaretTimer();
    void OpenIme();
    void RegisterWord();
    void SyncFromView();
    void StoreWindowText();
    void Relayout();
    void ScrollToCaret();
    void ShowCaretNow();
    int32_t PositionAtClient(POINT point, bool character = false) const;
    int32_t ShownPosition(int32_t position) const;
    int32_t TextPosition(int32_t shown) const;

    WinEditBoxDraw draw_;
    WinEditComposition composition_;
    WinImeContext imeContext_;
    WinEditBarLabels labels_;
    COLORREF background_;
    bool caretShown_ = false;
    bool storingText_ = false;
};

}  // namespace WinLayer
