// The edit state: editing primitives, the toggling undo, character steps that
// never split a surrogate pair or a CR LF, word runs and the key table.
#include "win/WinEditBoxBasic.h"

#include <windows.h>

#include <algorithm>

#include "raw/RawShell.h"
#include "win/WinView.h"

namespace WinLayer {

using namespace RawLayer;

namespace {

constexpr uint32_t kCr = 13;
constexpr uint32_t kLf = 10;

bool IsHigh(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsBreak(uint32_t unit) { return unit == kCr || unit == kLf; }

RawString WideUnits(std::u16string_view units) { return RawString::FromWide(units); }

}  // namespace

WinEditBoxBasic::WinEditBoxBasic() : text_(RawCodeKind::Wide), undoText_(RawCodeKind::Wide) {}

RawRange WinEditBoxBasic::Selection() const { return {std::min(caret_, anchor_), std::max(caret_, anchor_)}; }

bool WinEditBoxBasic::CanUndo() const {
    return !IsReadOnly() && !(undoText_.IsEmpty() && undoRange_.begin == undoRange_.end);
}

// ---------------------------------------------------------------- characters

int32_t WinEditBoxBasic::NextBoundary(int32_t position) const {
    const int32_t length = text_.Length();
    if (position >= length) return length;
    if (position < 0) return 0;
    const uint32_t unit = text_.UnitAt(position);
    if (position + 1 < length) {
        const uint32_t next = text_.UnitAt(position + 1);
        if ((IsHigh(unit) && IsLow(next)) || (unit == kCr && next == kLf)) return position + 2;
    }
    return position + 1;
}

int32_t WinEditBoxBasic::PreviousBoundary(int32_t position) const {
    position = std::min(position, text_.Length());
    if (position <= 0) return 0;
    const uint32_t unit = text_.UnitAt(position - 1);
    if (position >= 2) {
        const uint32_t before = text_.UnitAt(position - 2);
        if ((IsLow(unit) && IsHigh(before)) || (unit == kLf && before == kCr)) return position - 2;
    }
    return position - 1;
}

int32_t WinEditBoxBasic::SnapBoundary(int32_t position) const {
    position = std::clamp(position, 0, text_.Length());
    if (position > 0 && position < text_.Length()) {
        const uint32_t unit = text_.UnitAt(position), before = text_.UnitAt(position - 1);
        if ((IsLow(unit) && IsHigh(before)) || (unit == kLf && before == kCr)) return position - 1;
    }
    return position;
}

int32_t WinEditBoxBasic::LineStart(int32_t position) const {
    position = SnapBoundary(position);
    while (position > 0 && !IsBreak(text_.UnitAt(position - 1))) --position;
    return position;
}

int32_t WinEditBoxBasic::LineEnd(int32_t position) const {
    position = SnapBoundary(position);
    while (position < text_.Length() && !IsBreak(text_.UnitAt(position))) ++position;
    return position;
}

int32_t WinEditBoxBasic::LineStep(int32_t position, int32_t direction) const {
    const int32_t start = LineStart(position);
    const int32_t column = position - start;
    int32_t lineStart, lineEnd;
    if (direction < 0) {
        if (start == 0) return 0;
        lineEnd = PreviousBoundary(start);
        lineStart = LineStart(lineEnd);
    } else {
        const int32_t end = LineEnd(position);
        if (end >= text_.Length()) return text_.Length();
        lineStart = NextBoundary(end);
        lineEnd = LineEnd(lineStart);
    }
    return SnapBoundary(std::min(lineStart + column, lineEnd));
}

// ---------------------------------------------------------------- primitives

void WinEditBoxBasic::SaveUndo(RawRange range, int32_t insertedLength) {
    const RawRange r = text_.Clamp(range);
    undoText_ = RawString(text_, r, RawCodeKind::Wide);
    undoRange_ = {r.begin, r.begin + insertedLength};
}

void WinEditBoxBasic::Replace(RawRange range, const RawString& text) {
    const RawRange r = text_.Clamp(range);
    // Units are copied as they stand, so the new text must be wide as well.
    const RawString wide(text, RawCodeKind::Wide);
    text_.Replace(r, wide, kAll);
    caret_ = anchor_ = std::min(r.begin + wide.Length(), text_.Length());
    ++revision_;
    OnTextChanged();
    Notify(kNotifyTextChanged);
}

void WinEditBoxBasic::DeleteRange(RawRange range) {
    const RawRange r = text_.Clamp(range);
    text_.Erase(r);
    caret_ = anchor_ = r.begin;
    ++revision_;
    OnTextChanged();
    Notify(kNotifyTextChanged);
}

void WinEditBoxBasic::InsertChar(uint32_t codePoint) {
    std::u16string units;
    if (codePoint > 0xFFFF) {
        codePoint -= 0x10000;
        units = {static_cast<char16_t>(0xD800 + (codePoint >> 10)), static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF))};
    } else {
        units = {static_cast<char16_t>(codePoint)};
    }
    InsertText(WideUnits(units));
}

void WinEditBoxBasic::InsertText(const RawString& text) {
    const RawString wide(text, RawCodeKind::Wide);
    const RawRange range = Selection();
    SaveUndo(range, wide.Length());
    Replace(range, wide);
}

bool WinEditBoxBasic::Copy() {
    const RawRange range = Selection();
    return range.begin < range.end && CopyToClipboard(text_, range);
}

bool WinEditBoxBasic::Paste() {
    if (IsReadOnly()) return false;
    const RawString pasted = PasteFromClipboard();
    if (pasted.IsEmpty()) return false;
    InsertText(pasted);
    return true;
}

bool WinEditBoxBasic::Undo() {
    if (!CanUndo()) return false;
    const RawString restored = undoText_;
    // The record may predate a text set from outside.
    const RawRange range = text_.Clamp(undoRange_);
    SaveUndo(range, restored.Length());
    Replace(range, restored);
    SetCaret(range.begin, range.begin + restored.Length());
    return true;
}

void WinEditBoxBasic::SelectAll() { SetCaret(0, text_.Length()); }

void WinEditBoxBasic::MoveCaret(int32_t position, bool extend) {
    const int32_t p = SnapBoundary(position);
    SetCaret(extend ? anchor_ : p, p);
}

void WinEditBoxBasic::Select(int32_t anchor, int32_t caret) { SetCaret(SnapBoundary(anchor), SnapBoundary(caret)); }

void WinEditBoxBasic::SetCaret(int32_t anchor, int32_t caret) {
    anchor_ = anchor;
    caret_ = caret;
    OnSelectionChanged();
}

void WinEditBoxBasic::SelectWordAt(int32_t position) {
    const int32_t length = text_.Length();
    if (length == 0) return;
    int32_t p = SnapBoundary(position);
    if (p >= length) p = PreviousBoundary(length);
    const int32_t kind = RawString::CharClass(text_.UnitAt(p));
    int32_t begin = p, end = p;
    while (begin > 0 && RawString::CharClass(text_.UnitAt(PreviousBoundary(begin))) == kind)
        begin = PreviousBoundary(begin);
    while (end < length && RawString::CharClass(text_.UnitAt(end)) == kind) end = NextBoundary(end);
    SetCaret(begin, end);
}

void WinEditBoxBasic::ResetText(const RawString& text) {
    text_ = RawString(text, RawCodeKind::Wide);
    caret_ = anchor_ = text_.Length();
    undoText_ = RawString(RawCodeKind::Wide);
    undoRange_ = {};
    pendingHigh_ = 0;
    ++revision_;
}

void WinEditBoxBasic::DropNames(const RawStringList& names) {
    if (IsReadOnly()) return;
    RawString joined(RawCodeKind::Wide);
    for (const RawString& name : names) {
        if (!joined.IsEmpty()) joined.AppendUnit(' ');
        joined.Append(RawString(name, RawCodeKind::Wide));
    }
    SaveUndo(kAll, joined.Length());
    Replace(kAll, joined);
    Notify(kNotifyFilesDropped);
}

// ---------------------------------------------------------------- input

bool WinEditBoxBasic::OnChar(uint32_t unit) {
    if (IsReadOnly()) return false;
    if (IsHigh(unit)) {
        pendingHigh_ = unit;
        return false;
    }
    const uint32_t high = pendingHigh_;
    pendingHigh_ = 0;
    if (IsLow(unit)) {
        // A low half without its high half is no character.
        if (!high) return false;
        InsertChar(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        return true;
    }
    if (unit < 32 || unit == 127) return false;  // control keys come through the key table
    InsertChar(unit);
    return true;
}

bool WinEditBoxBasic::DeleteKey(bool forwards) {
    if (IsReadOnly()) return true;
    RawRange range = Selection();
    if (range.begin == range.end)
        range = forwards ? RawRange{caret_, NextBoundary(caret_)} : RawRange{PreviousBoundary(caret_), caret_};
    if (range.begin == range.end) return true;
    SaveUndo(range, 0);
    DeleteRange(range);
    return true;
}

bool WinEditBoxBasic::EnterKey(bool ctrl) {
    if (ctrl || !IsMultiLine()) {
        Notify(kNotifyExecute);
        return true;
    }
    // CR and LF go in as one step, so that one Undo takes the line break back whole.
    if (!IsReadOnly()) InsertText(RawString::FromWide(u"\r\n"));
    return true;
}

bool WinEditBoxBasic::TabKey(bool ctrl, bool shift) {
    if ((editOptions & kEditTabMovesFocus) || ctrl || shift) return false;
    if (!IsReadOnly()) InsertChar('\t');
    return true;
}

bool WinEditBoxBasic::VerticalKey(int32_t direction, bool shift) {
    if (IsMultiLine()) {
        MoveCaret(LineStep(caret_, direction), shift);
    } else if (editOptions & kEditArrowMode) {
        if (direction > 0) Notify(kNotifyDown);
    } else {
        MoveFocus(direction < 0);
    }
    return true;
}

bool WinEditBoxBasic::CutSelection() {
    if (IsReadOnly()) return true;
    const RawRange range = Selection();
    if (range.begin == range.end) return true;
    // Cut keeps what it removes on the clipboard, as everywhere else.
    Copy();
    SaveUndo(range, 0);
    DeleteRange(range);
    return true;
}

// Ctrl with a letter (Ctrl+Left and Ctrl+Right are arrow keys, handled in OnKey).
bool WinEditBoxBasic::ControlKey(uint32_t key, bool shift) {
    switch (key) {
        case 'H': return DeleteKey(false);
        case 'J': MoveCaret(PreviousBoundary(caret_), shift); return true;
        case 'L': MoveCaret(NextBoundary(caret_), shift); return true;
        case 'I': return IsMultiLine() && VerticalKey(-1, shift);
        case 'K': return IsMultiLine() && VerticalKey(+1, shift);
        case 'A': SelectAll(); return true;
        case 'C': Copy(); return true;
        case 'V': Paste(); return true;
        case 'X': return CutSelection();
        case 'Z': Undo(); return true;
        case 'M': return EnterKey(false);
        default: return false;
    }
}

bool WinEditBoxBasic::OnKey(uint32_t key, bool ctrl, bool shift) {
    switch (key) {
        case VK_BACK: return DeleteKey(false);
        case VK_DELETE: return DeleteKey(true);
        case VK_TAB: return TabKey(ctrl, shift);
        case VK_RETURN: return EnterKey(ctrl);
        case VK_ESCAPE: Notify(kNotifyCancel); return true;
        case VK_LEFT:
            MoveCaret(ctrl ? 0 : PreviousBoundary(caret_), shift);
            return true;
        case VK_RIGHT:
            MoveCaret(ctrl ? text_.Length() : NextBoundary(caret_), shift);
            return true;
        case VK_HOME: MoveCaret(0, shift); return true;
        case VK_END: MoveCaret(text_.Length(), shift); return true;
        case VK_UP: return VerticalKey(-1, shift);
        case VK_DOWN: return VerticalKey(+1, shift);
        default: return ctrl && key >= 'A' && key <= 'Z' && ControlKey(key, shift);
    }
}

}  // namespace WinLayer
