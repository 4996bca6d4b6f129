// What screen readers and other accessibility clients learn of the toolkit's
// self-drawn controls: one IAccessible object answered for WM_GETOBJECT, with
// the answers of each kind of control supplied by a small source object that
// also raises the platform's events as the control changes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "raw/RawString.h"
#include "win/WinViewHook.h"

namespace WinLayer {

class WinEditBox;
class WinButton;
class WinListBox;
class WinRadioButtonBody;

// The answers of one control. Child 0 is the control itself; children
// 1 ... ChildCount() are parts of it (rows, segments) that have no object of
// their own: they are made from their number each time a client asks, so a
// list of 100,000 rows costs nothing until a row is asked for.
// Constructing a source attaches it to its view as a hook, which is how the
// view finds it and how the source sees the messages that it announces.
class WinAccessibleSource : public WinViewHook {
public:
    explicit WinAccessibleSource(WinView& view);
    ~WinAccessibleSource() override;

    virtual long Role(int32_t child) = 0;
    virtual RawLayer::RawString Name(int32_t) { return {}; }
    virtual RawLayer::RawString Value(int32_t) { return {}; }
    // False: the value cannot be set.
    virtual bool SetValue(int32_t, const RawLayer::RawString&) { return false; }
    virtual RawLayer::RawString Description(int32_t) { return {}; }
    // STATE_SYSTEM bits; for child 0 the object adds focus, availability and
    // visibility from the window.
    virtual uint32_t State(int32_t) { return 0; }
    virtual RawLayer::RawString DefaultAction(int32_t) { return {}; }
    // Must not block: a client waits for the answer.
    virtual bool DoDefaultAction(int32_t) { return false; }
    virtual int32_t ChildCount() { return 0; }
    // A child's rectangle in client coordinates; false when it has none.
    virtual bool ChildRect(int32_t, RECT&) { return false; }
    // The child under a client point (0: the control itself).
    virtual int32_t ChildAt(POINT) { return 0; }
    // The child that has the keyboard cursor (0: none).
    virtual int32_t FocusedChild() { return 0; }
    virtual std::vector<int32_t> SelectedChildren() { return {}; }
    // SELFLAG bits on a child; false when the control cannot do it.
    virtual bool Select(int32_t child, long flags);

    // The control's access key as a client reads it ("Alt+O"); empty: none.
    RawLayer::RawString shortcut;

    // Sees the view's messages to raise events; declines every one.
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Raises an event for a child of the view's client object.
    void Announce(DWORD event, int32_t child);

    // What objects handed out hold: cleared when the source goes, so that a
    // client that keeps an object past the control gets an error, not a crash.
    struct Link {
        WinAccessibleSource* source = nullptr;
    };
    const std::shared_ptr<Link>& SharedLink() const { return link_; }

protected:
    // A WM_COMMAND the view sent or posted to its own window (a control's
    // notification on its way to the parent).
    virtual void OnOwnNotification(uint16_t) {}

private:
    std::shared_ptr<Link> link_;
};

// Answers WM_GETOBJECT for the view's client area with an object of its
// source; false when the view has none or the request is for another object.
bool AnswerGetObject(WinView& view, WPARAM wParam, LPARAM lParam, LRESULT& answer);

// The platform's high-contrast mode is on: controls draw in the system
// colours alone. Asked once, then kept until a window that learns of a
// setting change (WM_SETTINGCHANGE) asks again: painting asks for every row.
bool WinHighContrast();
void RefreshHighContrast();
// What RefreshHighContrast found (or what a test draws with).
void SetHighContrast(bool on);

// A label text as a name: the "&" marks of access keys removed ("&&" is "&").
RawLayer::RawString AccessibleName(const RawLayer::RawString& label);

// ---------------------------------------------------------------- the toolkit's controls

// An edit box: editable text named by its label, its text the value.
class WinEditAccessible : public WinAccessibleSource {
public:
    WinEditAccessible(WinEditBox& box, const RawLayer::RawString& name);
    long Role(int32_t child) override;
    RawLayer::RawString Name(int32_t child) override;
    RawLayer::RawString Value(int32_t child) override;
    // As if the user had selected the whole text and typed the new one.
    bool SetValue(int32_t child, const RawLayer::RawString& value) override;
    uint32_t State(int32_t child) override;
    RawLayer::RawString name;

protected:
    void OnOwnNotification(uint16_t code) override;

private:
    WinEditBox& box_;
};

// A push button (a hint button too): its label, or the name given, and a
// click as its default action.
class WinButtonAccessible : public WinAccessibleSource {
public:
    WinButtonAccessible(WinButton& button, const RawLayer::RawString& name = {});
    long Role(int32_t child) override;
    RawLayer::RawString Name(int32_t child) override;
    uint32_t State(int32_t child) override;
    RawLayer::RawString DefaultAction(int32_t child) override;
    bool DoDefaultAction(int32_t child) override;
    RawLayer::RawString name;  // empty: the label
    RawLayer::RawString action;

private:
    WinButton& button_;
};

// A selector: a group whose segments are radio buttons.
class WinSelectorAccessible : public WinAccessibleSource {
public:
    WinSelectorAccessible(WinRadioButtonBody& selector, const RawLayer::RawString& name);
    long Role(int32_t child) override;
    RawLayer::RawString Name(int32_t child) override;
    RawLayer::RawString Value(int32_t child) override;
    uint32_t State(int32_t child) override;
    RawLayer::RawString DefaultAction(int32_t child) override;
    bool DoDefaultAction(int32_t child) override;
    int32_t ChildCount() override;
    bool ChildRect(int32_t child, RECT& client) override;
    int32_t ChildAt(POINT client) override;
    int32_t FocusedChild() override;
    RawLayer::RawString name;
    RawLayer::RawString action;

protected:
    void OnOwnNotification(uint16_t code) override;

private:
    WinRadioButtonBody& selector_;
};

// A line of text that changes (a status or progress line): a live region
// whose every change is announced.
class WinLiveTextAccessible : public WinAccessibleSource {
public:
    explicit WinLiveTextAccessible(WinView& view) : WinAccessibleSource(view) {}
    long Role(int32_t child) override;
    RawLayer::RawString Name(int32_t child) override;
    uint32_t State(int32_t child) override;
    // The view's text was set: tells the clients (and marks the window a
    // live region first, once it exists).
    void TextChanged();

private:
    HWND marked_ = nullptr;
};

// A list box: its header row a column header, its usable rows list items
// in order. The derived source names the rows.
class WinListAccessible : public WinAccessibleSource {
public:
    explicit WinListAccessible(WinListBox& list);
    long Role(int32_t child) override;
    RawLayer::RawString Name(int32_t child) override;
    RawLayer::RawString Description(int32_t child) override;
    uint32_t State(int32_t child) override;
    RawLayer::RawString DefaultAction(int32_t child) override;
    bool DoDefaultAction(int32_t child) override;
    int32_t ChildCount() override;
    bool ChildRect(int32_t child, RECT& client) override;
    int32_t ChildAt(POINT client) override;
    int32_t FocusedChild() override;
    std::vector<int32_t> SelectedChildren() override;
    bool Select(int32_t child, long flags) override;

    // Row index (an item, or kHeaderRow) and child number, both ways; kNoRow
    // and 0 for nothing.
    int32_t RowOfChild(int32_t child);
    int32_t ChildOfRow(int32_t row);
    // A row's check mark changed: tells the clients.
    void CheckChanged(int32_t row) { Announce(EVENT_OBJECT_STATECHANGE, ChildOfRow(row)); }

    // ---- what the derived list tells of its rows
    RawLayer::RawString listName;
    // False while the rows may not be read (another thread owns what they
    // show): the list then has no children.
    virtual bool RowsReadable() { return true; }
    virtual RawLayer::RawString RowName(int32_t) { return {}; }
    virtual RawLayer::RawString RowDescription(int32_t) { return {}; }
    // STATE_SYSTEM_CHECKED and the like beyond selection and focus.
    virtual uint32_t RowState(int32_t) { return 0; }
    virtual RawLayer::RawString RowDefaultAction(int32_t) { return {}; }
    virtual bool DoRowDefaultAction(int32_t) { return false; }

protected:
    void OnOwnNotification(uint16_t code) override;
    WinListBox& list_;

private:
    bool HeaderShown();
    int32_t lastCursor_ = -1;
};

}  // namespace WinLayer
