// The edit state of the toolkit's text field: text, caret and selection, the
// one-step undo that toggles, the key table and the clipboard, free of windows.
#pragma once

#include <cstdint>

#include "raw/RawList.h"
#include "raw/RawString.h"

namespace WinLayer {

class WinEditBoxBasic {
public:
    // Bits of editOptions.
    enum Option : uint16_t {
        kEditMultiLine = 0x0001,       // Enter inserts a line break
        kEditReadOnly = 0x0002,        // no typing, paste, delete, undo or drops; no IME
        kEditNoIme = 0x0004,           // the IME is detached as well
        kEditTabMovesFocus = 0x0008,   // Tab is not inserted
        kEditMenuCancel = 0x0010,      // the menu offers "Cancel"
        kEditImeAttached = 0x0100,     // state: the IME context is attached
        kEditArrowMode = 0x0400,       // single line: Up does nothing, Down notifies 0x1003
        kEditMouseSelecting = 0x0800,  // state: a mouse selection is in progress
    };

    WinEditBoxBasic();
    virtual ~WinEditBoxBasic() = default;
    WinEditBoxBasic(const WinEditBoxBasic&) = delete;
    WinEditBoxBasic& operator=(const WinEditBoxBasic&) = delete;

    // ---- state
    const RawLayer::RawString& EditText() const { return text_; }
    int32_t Caret() const { return caret_; }
    int32_t Anchor() const { return anchor_; }
    // Between anchor and caret, in order.
    RawLayer::RawRange Selection() const;
    uint32_t TextRevision() const { return revision_; }
    const RawLayer::RawString& UndoText() const { return undoText_; }
    RawLayer::RawRange UndoRange() const { return undoRange_; }
    bool IsReadOnly() const { return (editOptions & kEditReadOnly) != 0; }
    bool IsMultiLine() const { return (editOptions & kEditMultiLine) != 0; }
    bool CanUndo() const;

    // ---- editing primitives
    // The undo record takes the text in range and the range the new text will cover.
    void SaveUndo(RawLayer::RawRange range, int32_t insertedLength);
    // Puts text in place of range; the caret and anchor go behind it.
    void Replace(RawLayer::RawRange range, const RawLayer::RawString& text);
    void DeleteRange(RawLayer::RawRange range);
    // A character (code point; beyond 0xFFFF it becomes a surrogate pair) in
    // place of the selection.
    void InsertChar(uint32_t codePoint);
    // A text in place of the selection, undoable in one step.
    void InsertText(const RawLayer::RawString& text);
    bool Copy();
    bool Paste();
    bool Undo();
    void SelectAll();
    // Moves the caret; the anchor follows unless the selection is extended.
    void MoveCaret(int32_t position, bool extend);
    // Anchor and caret, each moved back to the start of the character it falls in.
    void Select(int32_t anchor, int32_t caret);
    // The run of characters of one class around the position.
    void SelectWordAt(int32_t position);
    // The whole text from outside (the window's text was set): caret at the
    // end, nothing to undo. No notification.
    void ResetText(const RawLayer::RawString& text);
    // File names joined by single spaces in place of the whole text; 0x1007.
    void DropNames(const RawLayer::RawStringList& names);

    // ---- input
    // A WM_CHAR unit. A high surrogate waits for its low half, so that the
    // pair goes in as one character; true when something was inserted.
    bool OnChar(uint32_t unit);
    // The key table; true when the key was consumed.
    bool OnKey(uint32_t key, bool ctrl, bool shift);

    // ---- characters: a surrogate pair and a CR LF are one character each
    int32_t NextBoundary(int32_t position) const;
    int32_t PreviousBoundary(int32_t position) const;
    // The position itself when it starts a character, else that character's start.
    int32_t SnapBoundary(int32_t position) const;

    uint16_t editOptions = 0;

protected:
    // What the window makes of the state; nothing here.
    // After every change of the text (the caret has moved with it).
    virtual void OnTextChanged() {}
    // After a caret or anchor move that left the text alone.
    virtual void OnSelectionChanged() {}
    // A notification code for the parent (0x1002 ... 0x1007).
    virtual void Notify(uint16_t code) { (void)code; }
    // Focus to the previous (backwards) or next control.
    virtual void MoveFocus(bool backwards) { (void)backwards; }
    // The position one line up (direction -1) or down (+1) from the caret;
    // here by logical lines and unit columns, the window uses its layout.
    virtual int32_t LineStep(int32_t position, int32_t direction) const;

    // The start of the line that holds the position, and the end of its text.
    int32_t LineStart(int32_t position) const;
    int32_t LineEnd(int32_t position) const;

private:
    bool DeleteKey(bool forwards);
    bool EnterKey(bool ctrl);
    bool TabKey(bool ctrl, bool shift);
    bool VerticalKey(int32_t direction, bool shift);
    bool CutSelection();
    bool ControlKey(uint32_t key, bool shift);
    void SetCaret(int32_t anchor, int32_t caret);

    RawLayer::RawString text_;
    int32_t caret_ = 0;
    int32_t anchor_ = 0;
    uint32_t revision_ = 0;
    RawLayer::RawString undoText_;
    RawLayer::RawRange undoRange_;
    uint32_t pendingHigh_ = 0;  // a high surrogate waiting for its low half
};

}  // namespace WinLayer
