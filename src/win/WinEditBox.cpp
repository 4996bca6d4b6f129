// The edit box: messages to the edit state, the line layout and its drawing,
// the caret timer, inline IME composition, the "EditBar" menu and drops.
#include "win/WinEditBox.h"

#include <imm.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "raw/RawGdiHandle.h"
#include "raw/RawLabelStore.h"
#include "raw/RawShell.h"

namespace WinLayer {

using namespace RawLayer;

namespace {

constexpr char16_t kCr = 13;
constexpr char16_t kLf = 10;
constexpr char16_t kTab = 9;

// A composition part read whole: its size is asked first, so that no
// composition is ever cut to a fixed buffer.
std::vector<uint8_t> CompositionBytes(HIMC context, DWORD part) {
    const LONG size = ImmGetCompositionStringW(context, part, nullptr, 0);
    if (size <= 0) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    const LONG got = ImmGetCompositionStringW(context, part, bytes.data(), static_cast<DWORD>(size));
    bytes.resize(got > 0 ? std::min<size_t>(static_cast<size_t>(got), bytes.size()) : 0);
    return bytes;
}

std::u16string CompositionText(HIMC context, DWORD part) {
    const std::vector<uint8_t> bytes = CompositionBytes(context, part);
    std::u16string text(bytes.size() / 2, u'\0');
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(text.size() * 2),
              reinterpret_cast<uint8_t*>(text.data()));
    return text;
}

COLORREF CompositionColour(uint8_t attribute) {
    switch (attribute) {
        case ATTR_INPUT: return WinEditBoxDraw::kCompositionInput;
        case ATTR_TARGET_CONVERTED: return WinEditBoxDraw::kCompositionTarget;
        case ATTR_CONVERTED: return WinEditBoxDraw::kCompositionConverted;
        default: return WinEditBoxDraw::kCompositionInput;
    }
}

bool KeyDown(int key) { return GetKeyState(key) < 0; }

}  // namespace

// ---------------------------------------------------------------- the "EditBar" menu

namespace {

const RawLocaleRecord kEditBarLabels[] = {
    {"Cancel", "Cancel edit."},       {"Undo", "Undo text."},         {"Copy", "Copy to clipboard."},
    {"Paste", "Paste from clipboard."}, {"Delete", "Delete text."},   {"Select", "Select all text."},
    {"InsertTab", "Insert tab code."}, {"IME", "Open IME."},          {"Register", "Register selection."},
    {nullptr, nullptr},
};
const RawLabelTable kEditBarTable("EditBar", kEditBarLabels);

}  // namespace

WinEditBarLabels LoadEditBarLabels() {
    const RawLabelStore::Group group = RawLabelStore::Instance().RegisterLabels(kEditBarTable);
    WinEditBarLabels labels;
    for (uint32_t command = kEditCancel; command <= kEditRegister; ++command)
        labels[command] = group.Get(kEditBarLabels[command - 1].key);
    return labels;
}

void BuildEditMenu(WinPopupMenu& menu, const WinEditMenuState& state, const WinEditBarLabels& labels) {
    const uint32_t ime = state.hasIme ? 0 : MF_GRAYED;
    menu.BeginGroup();
    if (state.offerCancel) menu.AppendItem(kEditCancel, labels[kEditCancel]);
    menu.BeginGroup();
    menu.AppendItem(kEditUndo, labels[kEditUndo], state.readOnly || !state.canUndo ? MF_GRAYED : 0);
    menu.BeginGroup();
    for (uint32_t command : {kEditCopy, kEditPaste, kEditDelete, kEditSelect, kEditInsertTab})
        menu.AppendItem(command, labels[command]);
    menu.BeginGroup();
    menu.AppendItem(kEditIme, labels[kEditIme], ime);
    menu.AppendItem(kEditRegister, labels[kEditRegister], ime);
}

// ---------------------------------------------------------------- layout

void WinEditBoxInfo::Layout(std::u16string_view text, bool isMultiLine, const Measurer& measure) {
    shown.assign(text);
    multiLine = isMultiLine;
    lines.clear();
    const auto n = static_cast<int32_t>(text.size());
    unitX.assign(static_cast<size_t>(n) + 1, 0);
    contentWidth_ = 0;
    std::vector<int32_t> extents;
    for (int32_t begin = 0;;) {
        int32_t end = begin;
        while (end < n && !(multiLine && (text[end] == kCr || text[end] == kLf))) ++end;
        // Runs between tabs are measured whole; a tab goes to the next stop.
        int32_t x = 0;
        for (int32_t run = begin, i = begin; i <= end; ++i) {
            if (i < end && text[i] != kTab) continue;
            const int32_t count = i - run;
            unitX[run] = x;
            if (count > 0) {
                extents.assign(static_cast<size_t>(count), 0);
                measure(text.substr(static_cast<size_t>(run), static_cast<size_t>(count)), extents.data());
                for (int32_t k = 0; k < count; ++k) unitX[run + k + 1] = x + extents[k];
                x += extents[count - 1];
            }
            if (i == end) break;
            x = (x / tabWidth + 1) * tabWidth;
            unitX[i + 1] = x;
            run = i + 1;
        }
        lines.push_back({begin, end});
        contentWidth_ = std::max(contentWidth_, x);
        if (end >= n) break;
        const int32_t next = (text[end] == kCr && end + 1 < n && text[end + 1] == kLf) ? end + 2 : end + 1;
        for (int32_t i = end; i <= next; ++i) unitX[i] = i == next ? 0 : x;
        begin = next;
    }
}

RECT WinEditBoxInfo::TextArea(const RECT& view) const {
    RECT area = view;
    if (!multiLine) {
        area.top = view.top + std::max<int32_t>(0, (Height(view) - lineHeight) / 2);
        area.bottom = std::min<int32_t>(view.bottom, area.top + lineHeight);
    }
    return area;
}

int32_t WinEditBoxInfo::LineOf(int32_t position) const {
    const auto after = std::upper_bound(lines.begin(), lines.end(), position,
                                        [](int32_t p, const Line& line) { return p < line.begin; });
    return after == lines.begin() ? 0 : static_cast<int32_t>(after - lines.begin()) - 1;
}

POINT WinEditBoxInfo::PointOf(int32_t position) const {
    const int32_t p = std::clamp(position, 0, static_cast<int32_t>(unitX.size()) - 1);
    return {unitX[p], LineOf(p) * lineHeight};
}

int32_t WinEditBoxInfo::PositionAt(int32_t x, int32_t y) const {
    if (lines.empty()) return 0;
    const int32_t index = std::clamp(y < 0 ? 0 : y / lineHeight, 0, static_cast<int32_t>(lines.size()) - 1);
    const Line& line = lines[index];
    for (int32_t i = line.begin; i < line.end; ++i)
        if (x < (unitX[i] + unitX[i + 1]) / 2) return i;
    return line.end;
}

int32_t WinEditBoxInfo::CharacterAt(int32_t x, int32_t y) const {
    if (lines.empty()) return 0;
    const int32_t index = std::clamp(y < 0 ? 0 : y / lineHeight, 0, static_cast<int32_t>(lines.size()) - 1);
    const Line& line = lines[index];
    for (int32_t i = line.begin; i < line.end; ++i)
        if (x < unitX[i + 1]) return i;
    return line.end;
}

// ---------------------------------------------------------------- drawing

void WinEditBoxDraw::Draw(HDC dc, const RECT& view) {
    const RECT area = TextArea(view);
    const RawSavedDc state(dc);  // the clip goes with it
    RawSelectObject font(dc, paint.font);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    const RawTextColourScope colour(dc, paint.enabled ? GetSysColor(COLOR_WINDOWTEXT) : kDisabledText);
    // Only the lines in view are drawn.
    const int32_t first = std::max(0, paint.scrollY / lineHeight);
    const int32_t last = std::min(static_cast<int32_t>(lines.size()) - 1,
                                  (paint.scrollY + Height(area)) / lineHeight);
    for (int32_t line = first; line <= last; ++line) DrawLine(dc, area, line);
    if (paint.showCaret) {
        const RECT caret = CaretRect(view);
        if (caret.right > caret.left && caret.bottom > caret.top)
            BitBlt(dc, caret.left, caret.top, Width(caret), Height(caret), nullptr, 0, 0, DSTINVERT);
    }
}

void WinEditBoxDraw::Underlay(HDC dc, const RECT& area, int32_t line, int32_t begin, int32_t end, COLORREF colour) {
    const int32_t left = area.left - paint.scrollX, top = area.top + line * lineHeight - paint.scrollY;
    const RECT r{left + unitX[begin], top, left + unitX[end], top + lineHeight};
    RawBrushHandle brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.Get());
}

void WinEditBoxDraw::DrawLine(HDC dc, const RECT& area, int32_t index) {
    const Line& line = lines[index];
    const RawRange selection = paint.selection;
    if (paint.showSelection && selection.begin < selection.end) {
        const int32_t begin = std::max(selection.begin, line.begin), end = std::min(selection.end, line.end);
        if (begin < end) Underlay(dc, area, index, begin, end, kSelection);
    }
    const WinEditComposition* composition = paint.composition;
    if (composition && composition->active) {
        const auto length = static_cast<int32_t>(composition->text.size());
        for (int32_t i = 0; i < length;) {
            const uint8_t attribute = i < static_cast<int32_t>(composition->attributes.size()) ? composition->attributes[i] : 0;
            int32_t j = i + 1;
            while (j < length && j < static_cast<int32_t>(composition->attributes.size()) &&
                   composition->attributes[j] == attribute)
                ++j;
            const int32_t begin = std::max(composition->at + i, line.begin);
            const int32_t end = std::min(composition->at + j, line.end);
            if (begin < end) Underlay(dc, area, index, begin, end, CompositionColour(attribute));
            i = j;
        }
    }
    const int32_t left = area.left - paint.scrollX, top = area.top + index * lineHeight - paint.scrollY;
    for (int32_t run = line.begin, i = line.begin; i <= line.end; ++i) {
        if (i < line.end && shown[i] != kTab) continue;
        if (i > run)
            ExtTextOutW(dc, left + unitX[run], top, 0, nullptr, reinterpret_cast<const wchar_t*>(shown.data() + run),
                        static_cast<UINT>(i - run), nullptr);
        run = i + 1;
    }
    if (composition && composition->active && !composition->text.empty()) {
        // A line under the composition tells it from the text.
        const int32_t begin = std::max(composition->at, line.begin);
        const int32_t end = std::min(composition->at + static_cast<int32_t>(composition->text.size()), line.end);
        if (begin < end) {
            const RECT under{left + unitX[begin], top + lineHeight - 1, left + unitX[end], top + lineHeight};
            RawBrushHandle brush(CreateSolidBrush(GetTextColor(dc)));
            FillRect(dc, &under, brush.Get());
        }
    }
}

RECT WinEditBoxDraw::CaretRect(const RECT& view) const {
    const RECT area = TextArea(view);
    const POINT p = PointOf(paint.caret);
    const RECT caret{area.left + p.x - paint.scrollX, area.top + p.y - paint.scrollY,
                     area.left + p.x - paint.scrollX + kCaretWidth, area.top + p.y - paint.scrollY + lineHeight};
    RECT clipped{};
    IntersectRect(&clipped, &caret, &area);
    return clipped;
}

// ---------------------------------------------------------------- the edit box

bool WinEditDetail::DestroyContext(HIMC context) { return ImmDestroyContext(context) != 0; }

WinEditBox::WinEditBox() : background_(GetSysColor(COLOR_WINDOW)) {
    // The sunken edge tells a field to type in from a button at a glance.
    Property().exStyle |= WS_EX_ACCEPTFILES | WS_EX_CLIENTEDGE;
    Property().style = (Property().style | WS_TABSTOP) & ~WS_VSCROLL;
    options |= kTextLeft;
    margins = {kPadding, 1, kPadding, 1};
}

WinEditBox::~WinEditBox() {
    // A context must be detached before it is destroyed.
    if (HasWindow() && (editOptions & kEditImeAttached)) ImmAssociateContext(Window(), nullptr);
}

void WinEditBox::OnCreated() {
    labels_ = LoadEditBarLabels();
    SyncFromView();
    const HWND window = Window();
    if (!window) return;
    // Whether the keyboard layout is an IME is asked once for the process.
    static const bool isIme = ImmIsIME(GetKeyboardLayout(0)) != 0;
    if (isIme) imeContext_.Reset(ImmCreateContext());
    if (IsReadOnly() || (editOptions & kEditNoIme)) {
        ImmAssociateContext(window, nullptr);
    } else if (imeContext_) {
        ImmAssociateContext(window, imeContext_.Get());
        editOptions |= kEditImeAttached;
    }
    SetTimer(window, kCaretTimer, kCaretPeriodMs, nullptr);
    Relayout();
}

void WinEditBox::OnDestroyed() {
    if (const HWND window = Window()) {
        KillTimer(window, kCaretTimer);
        if (editOptions & kEditImeAttached) ImmAssociateContext(window, nullptr);
    }
    editOptions &= ~kEditImeAttached;
    imeContext_.Reset();
}

void WinEditBox::ClearText() {
    WinView::ClearText();
    SyncFromView();
}

void WinEditBox::SetText(const RawString& text) {
    WinView::SetText(text);
    SyncFromView();
}

void WinEditBox::AssignText(const RawString& text) {
    WinView::AssignText(text);
    SyncFromView();
}

void WinEditBox::SyncFromView() {
    if (storingText_) return;
    ResetText(Property().text);
    StoreWindowText();
    Relayout();
    ShowCaretNow();
}

void WinEditBox::StoreWindowText() {
    if (!HasWindow()) return;
    storingText_ = true;
    SetWindowTextW(Window(), EditText().ToWide().c_str());
    storingText_ = false;
}

int32_t WinEditBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsReadOnly()) {
        const int32_t ime = OnImeMessage(message, wParam, lParam);
        if (ime != kNotHandled) return ime;
    }
    switch (message) {
        case WM_KEYDOWN:
            if (OnKey(static_cast<uint32_t>(wParam), KeyDown(VK_CONTROL), KeyDown(VK_SHIFT))) return 0;
            break;
        case WM_KEYUP:
            // The button underneath would take Space as a press (the plane keeps the key down to itself).
            if (wParam == VK_SPACE) return 0;
            break;
        case WM_CHAR:
            OnChar(static_cast<uint32_t>(wParam));
            return 0;
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_CAPTURECHANGED:
            return OnMouse(message, lParam);
        case WM_RBUTTONDOWN:
            OpenEditMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_RBUTTONUP:
            return 0;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_SIZE:
            Relayout();
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            return OnFocus(message, wParam, lParam);
        case WM_TIMER:
            if (wParam != kCaretTimer) break;
            OnCaretTimer();
            return 0;
        case WM_SETTEXT:
            return OnSetWindowText(lParam);
        case WM_SETFONT:
            Property().font = reinterpret_cast<HFONT>(wParam);
            Relayout();
            break;
        case WM_ENABLE:
            Invalidate();
            break;
        default:
            break;
    }
    return WinPlaneBox::HandleMessage(message, wParam, lParam);
}

int32_t WinEditBox::OnMouse(UINT message, LPARAM lParam) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const bool selecting = (editOptions & kEditMouseSelecting) != 0;
    switch (message) {
        case WM_LBUTTONDOWN:
            // Taking the focus selects everything; the click then places the caret.
            if (GetFocus() != Window()) SetFocus(Window());
            SetCapture(Window());
            editOptions |= kEditMouseSelecting;
            MoveCaret(PositionAtClient(point), false);
            return 0;
        case WM_MOUSEMOVE:
            if (!selecting) return kNotHandled;
            MoveCaret(PositionAtClient(point), true);
            return 0;
        case WM_LBUTTONUP:
            if (!selecting) return 0;
            editOptions &= ~kEditMouseSelecting;
            MoveCaret(PositionAtClient(point), true);
            ReleaseCapture();
            return 0;
        case WM_LBUTTONDBLCLK:
            // The caret goes to the character under the pointer, whose run is taken.
            MoveCaret(PositionAtClient(point, true), false);
            SelectWordAt(Caret());
            return 0;
        default:  // WM_CAPTURECHANGED
            editOptions &= ~kEditMouseSelecting;
            return 0;
    }
}

int32_t WinEditBox::OnFocus(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFOCUS) {
        SelectAll();
    } else {
        if (editOptions & kEditMouseSelecting) ReleaseCapture();
        caretShown_ = false;
    }
    return WinPlaneBox::HandleMessage(message, wParam, lParam);
}

int32_t WinEditBox::OnSetWindowText(LPARAM text) {
    if (!storingText_) {
        const auto* wide = reinterpret_cast<const wchar_t*>(text);
        ResetText(wide ? RawString::FromWide(wide) : RawString(RawCodeKind::Wide));
        WinView::SetText(EditText());
        Relayout();
        ShowCaretNow();
    }
    return kNotHandled;  // the window keeps its text as well
}

void WinEditBox::OnDropFiles(HDROP drop) {
    const RawDropHandle dropped(drop);
    if (IsReadOnly()) return;
    RawStringList names;
    const uint32_t count = DroppedFileCount(drop);
    for (uint32_t i = 0; i < count; ++i) names.Append(DroppedFile(drop, i, RawCodeKind::Wide));
    DropNames(names);
}

// ---------------------------------------------------------------- the edit state's window part

void WinEditBox::OnTextChanged() {
    WinView::SetText(EditText());
    StoreWindowText();
    Relayout();
    ShowCaretNow();
}

void WinEditBox::OnSelectionChanged() {
    ScrollToCaret();
    ShowCaretNow();
}

void WinEditBox::Notify(uint16_t code) { PostCommand(code); }

void WinEditBox::MoveFocus(bool backwards) {
    if (Parent() && Parent()->HasWindow())
        SendMessageW(Parent()->Window(), kMsgFocusNext, static_cast<WPARAM>(ControlId()), backwards ? 1 : 0);
}

int32_t WinEditBox::LineStep(int32_t position, int32_t direction) const {
    if (!HasWindow() || draw_.lines.empty()) return WinEditBoxBasic::LineStep(position, direction);
    const POINT p = draw_.PointOf(ShownPosition(position));
    const int32_t y = p.y + direction * draw_.lineHeight;
    if (y < 0) return 0;
    if (y >= draw_.ContentHeight()) return EditText().Length();
    return TextPosition(draw_.PositionAt(p.x, y));
}

// ---------------------------------------------------------------- layout, scrolling, caret

int32_t WinEditBox::ShownPosition(int32_t position) const {
    if (!composition_.active || position <= composition_.at) return position;
    return position + static_cast<int32_t>(composition_.text.size());
}

int32_t WinEditBox::TextPosition(int32_t shown) const {
    const auto length = static_cast<int32_t>(composition_.text.size());
    if (!composition_.active || shown <= composition_.at) return shown;
    return shown >= composition_.at + length ? shown - length : composition_.at;
}

int32_t WinEditBox::PositionAtClient(POINT point, bool character) const {
    const RECT area = draw_.TextArea(ViewRect());
    const POINT scroll = ScrollOffset();
    const int32_t x = point.x - area.left + scroll.x, y = point.y - area.top + scroll.y;
    return TextPosition(character ? draw_.CharacterAt(x, y) : draw_.PositionAt(x, y));
}

void WinEditBox::Relayout() {
    if (!HasWindow()) return;
    std::u16string shown = EditText().ToU16();
    if (composition_.active)
        shown.insert(static_cast<size_t>(std::clamp<int32_t>(composition_.at, 0, static_cast<int32_t>(shown.size()))),
                     composition_.text);
    RawWindowDc dc(Window());
    RawSelectObject font(dc.Dc(), ResolvedFont());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Dc(), &metrics);
    draw_.lineHeight = std::max<int32_t>(1, metrics.tmHeight);
    draw_.tabWidth = std::max<int32_t>(1, 8 * metrics.tmAveCharWidth);
    std::vector<INT> widths;
    draw_.Layout(shown, IsMultiLine(), [&](std::u16string_view units, int32_t* extents) {
        widths.assign(units.size(), 0);
        SIZE size{};
        GetTextExtentExPointW(dc.Dc(), reinterpret_cast<const wchar_t*>(units.data()), static_cast<int>(units.size()),
                              0, nullptr, widths.data(), &size);
        std::copy(widths.begin(), widths.end(), extents);
    });
    ScrollToCaret();
}

void WinEditBox::ScrollToCaret() {
    if (!HasWindow()) return;
    SetLineSize({std::max<int32_t>(1, draw_.tabWidth / 8), draw_.lineHeight});
    SetContentSize({draw_.ContentWidth() + WinEditBoxDraw::kCaretWidth, draw_.ContentHeight()});
    // As little scrolling as shows the caret.
    const POINT caret = draw_.PointOf(composition_.active ? composition_.at + composition_.cursor : ShownPosition(Caret()));
    ScrollIntoView({caret.x, caret.y, caret.x + WinEditBoxDraw::kCaretWidth, caret.y + draw_.lineHeight});
}

void WinEditBox::ShowCaretNow() {
    caretShown_ = true;
    if (!HasWindow()) return;
    // A moved caret shows at once and for a whole period.
    SetTimer(Window(), kCaretTimer, kCaretPeriodMs, nullptr);
    Invalidate();
}

COLORREF WinEditBox::Background(UINT itemState) const {
    return (itemState & ODS_DISABLED) ? GetSysColor(COLOR_BTNFACE) : background_;
}

void WinEditBox::PaintContent(HDC dc, const RECT& view, POINT scroll, UINT itemState) {
    WinEditPaint& paint = draw_.paint;
    paint.enabled = !(itemState & ODS_DISABLED);
    paint.showSelection = HasFocus();
    paint.showCaret = HasFocus() && caretShown_;
    paint.caret = composition_.active ? composition_.at + composition_.cursor : ShownPosition(Caret());
    const RawRange selection = Selection();
    paint.selection = {ShownPosition(selection.begin), ShownPosition(selection.end)};
    paint.composition = &composition_;
    paint.scrollX = scroll.x;
    paint.scrollY = scroll.y;
    paint.font = ResolvedFont();
    draw_.Draw(dc, view);
}

void WinEditBox::OnCaretTimer() {
    if (!HasFocus()) return;
    caretShown_ = !caretShown_;
    // A paint on its way draws the caret as it now stands.
    if (GetUpdateRect(Window(), nullptr, FALSE)) return;
    const RECT caret = draw_.CaretRect(ViewRect());
    if (caret.right <= caret.left || caret.bottom <= caret.top) return;
    RawWindowDc dc(Window());
    BitBlt(dc.Dc(), caret.left, caret.top, Width(caret), Height(caret), nullptr, 0, 0, DSTINVERT);
}

void WinEditBox::SetBackground(COLORREF colour) {
    background_ = colour;
    Invalidate();
}

// ---------------------------------------------------------------- the menu

void WinEditBox::OpenEditMenu(POINT point) {
    WinPopupMenu menu;
    WinEditMenuState state;
    state.offerCancel = (editOptions & kEditMenuCancel) != 0;
    state.readOnly = IsReadOnly();
    state.canUndo = CanUndo();
    state.hasIme = HasImeContext();
    BuildEditMenu(menu, state, labels_);
    menu.Show(*this, point, 0);
}

int32_t WinEditBox::OnMenuCommand(uint32_t command, uint32_t) {
    switch (command) {
        case kEditCancel: Notify(kNotifyCancel); return 0;
        case kEditUndo: Undo(); return 0;
        case kEditCopy: Copy(); return 0;
        case kEditPaste: Paste(); return 0;
        case kEditDelete:
            if (const RawRange range = Selection(); !IsReadOnly() && range.begin < range.end) {
                SaveUndo(range, 0);
                DeleteRange(range);
            }
            return 0;
        case kEditSelect: SelectAll(); return 0;
        case kEditInsertTab:
            if (!IsReadOnly()) InsertChar('\t');
            return 0;
        case kEditIme:
            if (!IsReadOnly()) OpenIme();
            return 0;
        case kEditRegister: RegisterWord(); return 0;
        default: return kNotTaken;
    }
}

void WinEditBox::OpenIme() {
    if (!imeContext_) return;
    ImmSetOpenStatus(imeContext_.Get(), TRUE);
    // The selection becomes the reading, so that the IME converts it again.
    const std::wstring reading = RawString(EditText(), Selection(), RawCodeKind::Wide).ToWide();
    ImmSetCompositionStringW(imeContext_.Get(), SCS_SETSTR, nullptr, 0, const_cast<wchar_t*>(reading.c_str()),
                             static_cast<DWORD>(reading.size() * sizeof(wchar_t)));
}

void WinEditBox::RegisterWord() {
    if (!imeContext_ || !HasWindow()) return;
    std::wstring word = RawString(EditText(), Selection(), RawCodeKind::Wide).ToWide();
    REGISTERWORDW entry{nullptr, word.data()};
    ImmConfigureIMEW(GetKeyboardLayout(0), Window(), IME_CONFIG_REGISTERWORD, &entry);
}

// ---------------------------------------------------------------- IME

int32_t WinEditBox::OnImeMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!(editOptions & kEditImeAttached) || !imeContext_) return kNotHandled;
    switch (message) {
        case WM_IME_STARTCOMPOSITION: {
            if (const RawRange range = Selection(); range.begin < range.end) {
                SaveUndo(range, 0);
                DeleteRange(range);
            }
            LOGFONTW font{};
            if (GetObjectW(ResolvedFont(), sizeof(font), &font)) ImmSetCompositionFontW(imeContext_.Get(), &font);
            composition_ = WinEditComposition();
            composition_.active = true;
            composition_.at = Caret();
            return 0;
        }
        case WM_IME_COMPOSITION:
            OnComposition(lParam);
            return 0;
        case WM_IME_ENDCOMPOSITION:
            composition_ = WinEditComposition();
            Relayout();
            ShowCaretNow();
            return 0;
        case WM_IME_NOTIFY:
            // Other notices (candidate lists) are the default IME window's to show.
            if (wParam != IMN_SETOPENSTATUS) return kNotHandled;
            Invalidate();
            return 0;
        case WM_IME_CHAR:
            return 0;  // characters arrive as result strings
        case WM_IME_REQUEST:
            return OnImeRequest(wParam, lParam);
        case WM_LBUTTONDOWN:
        case WM_KILLFOCUS:
            CompleteComposition();
            return kNotHandled;
        default:
            return kNotHandled;
    }
}

void WinEditBox::OnComposition(LPARAM parts) {
    const HIMC context = imeContext_.Get();
    if (parts & GCS_RESULTSTR) {
        const std::u16string result = CompositionText(context, GCS_RESULTSTR);
        composition_.text.clear();
        composition_.attributes.clear();
        composition_.clauses.clear();
        composition_.cursor = 0;
        if (!result.empty()) InsertText(RawString::FromWide(result));
    }
    if (parts & GCS_COMPSTR) {
        composition_.text = CompositionText(context, GCS_COMPSTR);
        composition_.active = true;
        composition_.at = Caret();
    }
    // No parts at all: the composition was cancelled.
    if (parts == 0) composition_.text.clear();
    if (parts & GCS_CURSORPOS)
        composition_.cursor = std::clamp<int32_t>(ImmGetCompositionStringW(context, GCS_CURSORPOS, nullptr, 0), 0,
                                                  static_cast<int32_t>(composition_.text.size()));
    if (parts & GCS_COMPCLAUSE) {
        const std::vector<uint8_t> bytes = CompositionBytes(context, GCS_COMPCLAUSE);
        composition_.clauses.assign(bytes.size() / sizeof(uint32_t), 0);
        std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(composition_.clauses.size() * 4),
                  reinterpret_cast<uint8_t*>(composition_.clauses.data()));
    }
    if (parts & GCS_COMPATTR) composition_.attributes = CompositionBytes(context, GCS_COMPATTR);
    composition_.cursor = std::min<int32_t>(composition_.cursor, static_cast<int32_t>(composition_.text.size()));
    Relayout();
    ShowCaretNow();
}

int32_t WinEditBox::OnImeRequest(WPARAM request, LPARAM data) {
    if (request != IMR_COMPOSITIONWINDOW || !data) return kNotHandled;
    // Client coordinates of the caret, where the composition shows.
    const RECT area = draw_.TextArea(ViewRect());
    const POINT p = draw_.PointOf(composition_.active ? composition_.at + composition_.cursor : Caret());
    const POINT scroll = ScrollOffset();
    auto* form = reinterpret_cast<COMPOSITIONFORM*>(data);
    form->dwStyle = CFS_POINT;
    form->ptCurrentPos = {area.left + p.x - scroll.x, area.top + p.y - scroll.y};
    form->rcArea = area;
    return 1;
}

void WinEditBox::CompleteComposition() {
    if (composition_.active && imeContext_) ImmNotifyIME(imeContext_.Get(), NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
}

}  // namespace WinLayer
