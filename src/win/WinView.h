// The base of every on-screen element: a view object that owns one native
// window, its text, layout data and hooks; the lists that adopt views.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "raw/RawList.h"
#include "raw/RawString.h"
#include "raw/RawThread.h"
#include "win/WinPlacement.h"

namespace WinLayer {

// A handler's answer that declines the message: the next hook or the default
// window procedure runs.
constexpr int32_t kNotHandled = 0x7FFFFFFF;
// The answer to a command or menu command that no view takes.
constexpr int32_t kNotTaken = -1;

// Private window messages.
constexpr UINT kMsgOwnerClicked = WM_APP + 0;  // a blocked owner was clicked; to its modal dialog
constexpr UINT kMsgActivate = WM_APP + 1;      // show and bring to the foreground
constexpr UINT kMsgFocusNext = WM_APP + 2;     // wParam control id, lParam a WinFocusMove
constexpr UINT kMsgMenuCommand = WM_APP + 3;   // wParam command, lParam tag
constexpr UINT kMsgPathRequest = WM_APP + 5;   // path bar and path box notifications

// How kMsgFocusNext moves the focus on from a control.
enum WinFocusMove : LPARAM {
    kFocusForward = 0,
    kFocusBackward = 1,
    // The control was disabled or hidden while it had the focus: the next
    // usable control takes it, unless the focus went elsewhere meanwhile.
    kFocusHandOff = 2,
};

// Notification codes in the high word of a WM_COMMAND wParam.
constexpr uint16_t kNotifyExecute = 0x1002;
constexpr uint16_t kNotifyDown = 0x1003;
constexpr uint16_t kNotifyCancel = 0x1004;
constexpr uint16_t kNotifyFocusLost = 0x1005;
constexpr uint16_t kNotifyTextChanged = 0x1006;
constexpr uint16_t kNotifyFilesDropped = 0x1007;
constexpr uint16_t kNotifySelection = 0x1008;
constexpr uint16_t kNotifyScroll = 0x100A;
constexpr uint16_t kNotifyButton = 0x1100;  // 0x1100 to 0x1103

class WinView;
class WinViewHook;
class WinAccessibleSource;

// The record of a view's native window.
struct WinViewProperty {
    enum Flag : uint32_t {
        kPreTranslate = 0x1,   // sees its queued messages before dispatch
        kNotSubclassed = 0x2,  // its messages never reach the view; skipped by Tab
    };
    // A child of a system class whose messages are diverted to the view.
    static constexpr int32_t kSubclassed = 2;

    uint32_t flags = 0;
    int32_t controlId = 0;
    RawLayer::RawString className;
    int32_t kind = 0;
    RawLayer::RawString text;
    uint32_t revision = 0;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    HFONT font = nullptr;  // null: inherited
    WinViewProperty* parent = nullptr;
};

// Placement in the parent's client area (a dialog: on the screen).
class WinViewResize {
public:
    RECT placement{};
};

// The text accessors of a view.
class WinViewStyle {
public:
    virtual ~WinViewStyle() = default;
    virtual RawLayer::RawString GetText() = 0;
    virtual void ClearText() = 0;
    virtual void SetText(const RawLayer::RawString& text) = 0;
    virtual void AssignText(const RawLayer::RawString& text) = 0;
};

// How the text is laid out: WinTextOption bits.
class WinViewAction {
public:
    uint16_t options = 0;
};

// Measuring: the text's size and the window size that fits it.
class WinViewFitting {
public:
    virtual ~WinViewFitting() = default;
    virtual void Measure(RECT& rect) = 0;
    virtual void AdjustRect(RECT& rect) = 0;

    int32_t contentWidth = 0;
    int32_t contentHeight = 0;
    int32_t fittedWidth = 0;
    int32_t fittedHeight = 0;
    WinMargins margins;
};

// Non-owning lists: views and hooks belong to whoever made them.
class WinViewListAllocator : public RawLayer::RawListAllocator<WinView> {
public:
    void DeleteUnit(WinView*) override {}
};
class WinViewHookListAllocator : public RawLayer::RawListAllocator<WinViewHook> {
public:
    void DeleteUnit(WinViewHook*) override {}
};
using WinViewHookList = RawLayer::RawListP<WinViewHookListAllocator, WinViewHook>;

// A locked list of views that gives each adopted view the next control id.
class WinViewList {
public:
    static constexpr int32_t kFirstDialogId = 2000;
    static constexpr int32_t kFirstChildId = 2500;

    explicit WinViewList(int32_t firstId) : nextId_(firstId) {}
    WinViewList(const WinViewList&) = delete;
    WinViewList& operator=(const WinViewList&) = delete;

    // Appends the view and writes the next id into its control id.
    void Adopt(WinView& view);
    bool Remove(WinView& view);
    bool Contains(const WinView& view);
    void Clear();
    WinView* FindByWindow(HWND window);
    WinView* FindById(int32_t controlId);
    // The views in list order, copied under the lock.
    std::vector<WinView*> Snapshot();
    int32_t Count();
    RawLayer::RawCriticalSection& Lock() { return lock_; }

private:
    using List = RawLayer::RawListP<WinViewListAllocator, WinView>;
    List list_;
    int32_t nextId_;
    RawLayer::RawCriticalSection lock_;
};

// The process-wide list of top-level dialogs (ids from 2000).
WinViewList& DialogList();

class WinView : public WinViewResize, public WinViewStyle, public WinViewAction, public WinViewFitting {
public:
    WinView();
    ~WinView() override;
    WinView(const WinView&) = delete;
    WinView& operator=(const WinView&) = delete;

    // ---- text (WinViewStyle)
    RawLayer::RawString GetText() override;
    void ClearText() override;
    void SetText(const RawLayer::RawString& text) override;
    void AssignText(const RawLayer::RawString& text) override;

    // ---- messages
    // The base handler: commands, menu commands, Tab and Esc.
    virtual int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Forwards to the parent's OnChildCommand; kNotTaken without a parent.
    virtual int32_t OnCommand(uint16_t code);
    // A popup-menu command (message 0x8003).
    virtual int32_t OnMenuCommand(uint32_t command, uint32_t tag);
    virtual bool OnMeasureMenuItem(uint32_t zero, MEASUREITEMSTRUCT* item);
    virtual bool OnDrawMenuItem(uint32_t zero, DRAWITEMSTRUCT* item);
    // Asked before dispatch when the view's kPreTranslate flag is set; true swallows.
    virtual bool PreTranslateMessage(UINT message, WPARAM wParam, LPARAM lParam, POINT* point);
    virtual void OnCreated() {}
    virtual void OnDestroyed() {}
    virtual int32_t OnChildCommand(WinView* child, uint16_t code);
    virtual bool AdjustSizeLimits(int32_t& extraWidth, int32_t& extraHeight);
    virtual void Arrange() {}
    virtual void OnStateChange(int32_t oldState, int32_t newState);
    // What accessibility clients are told of the view: by default the
    // source attached to it as a hook; null leaves the platform's answer.
    virtual WinAccessibleSource* AccessibleSource();

    // ---- fitting (WinViewFitting)
    void Measure(RECT& rect) override;
    void AdjustRect(RECT& rect) override;
    // Measures the text and stores the content and fitted sizes.
    void Fit();

    // ---- window and relations
    // Read from other threads too (a dialog thread's window is closed from outside).
    HWND Window() const { return window_.load(std::memory_order_acquire); }
    bool HasWindow() const { return Window() != nullptr; }
    WinView* Parent() const { return parent_; }
    WinViewProperty& Property() { return property_; }
    const WinViewProperty& Property() const { return property_; }
    int32_t ControlId() const { return property_.controlId; }
    // The property font, else the nearest parent's, else the toolkit default.
    HFONT ResolvedFont() const;
    WinViewHookList& Hooks() { return hooks_; }

    // The dialog that runs modally on this root view, or null.
    HWND ModalWindow();
    void SetModalWindow(HWND window);

    // Calls HandleMessage, then each hook in attach order; the first hook answer
    // other than kNotHandled wins, else the view's own answer stands.
    int32_t Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // The hook half of Dispatch, for a message whose own answer is known.
    int32_t OfferHooks(UINT message, WPARAM wParam, LPARAM lParam, int32_t ownAnswer);

protected:
    // Tells the view its window exists (or is gone, with null).
    void BindWindow(HWND window) { window_.store(window, std::memory_order_release); }
    // Diverts a system control's messages to this view.
    void Subclass();
    void SetParent(WinView* parent);

private:
    friend class WinDialog;
    friend class WinViewList;
    friend LRESULT CALLBACK WinSubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    // Asks the parent to give the focus to the next control when this one
    // is being disabled or hidden with the focus.
    void HandOffFocus();

    WinViewHookList hooks_;
    std::atomic<HWND> window_{nullptr};
    WinViewProperty property_;
    WinView* parent_ = nullptr;
    RawLayer::RawCriticalSection lock_;
    HWND modalWindow_ = nullptr;
    // The list that adopted the view, which it leaves when it goes.
    WinViewList* adoptedBy_ = nullptr;
};

LRESULT CALLBACK WinSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR data);

// Draws a text into a rectangle by the view option bits (alignment, wrapping),
// with the font already selected into the device context.
void DrawTextInRect(HDC dc, const RECT& rect, const RawLayer::RawString& text, uint16_t options);

}  // namespace WinLayer
