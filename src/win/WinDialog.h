// Top-level views: dialogs with their window class, children, message loop,
// modal runs over a blocked owner, size states; and dialogs on their own thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "raw/RawThread.h"
#include "win/WinView.h"

namespace WinLayer {

// The dialog's result, icons, client and size-state record.
class WinDialogResize {
public:
    // Size states beyond Win32's SIZE_* values (0 to 4).
    static constexpr int32_t kSizeInitial = 5;      // before the first WM_SIZE
    static constexpr int32_t kSizeFirstReport = 6;  // reported once after the first WM_SIZE
    static constexpr int32_t kSizeDestroyed = 7;

    int32_t result = 0;
    uint16_t bigIcon = 0;    // resource ids used when the class is registered
    uint16_t smallIcon = 0;
    RECT client{};           // (0, 0, width, height) as last sized
    RECT minimumClient{};    // the smallest client area the user may size to
    int32_t sizeState = kSizeInitial;
    RECT normalPlacement{};  // last window rectangle seen neither minimized nor maximized
    int32_t showCommand = SW_SHOWNORMAL;
};

class WinDialog : public WinView, public WinDialogResize {
public:
    enum Flag : uint16_t {
        kChildPreTranslate = 0x1,  // a child asks to see its messages before dispatch
        kEnded = 0x2,              // result fixed, window being destroyed
    };

    WinDialog();
    ~WinDialog() override;

    // Code 0x1004 (cancel) posts WM_CLOSE to the dialog.
    int32_t OnChildCommand(WinView* child, uint16_t code) override;
    // Called on WM_CREATE; dialogs add their children here or in OnCreated.
    virtual void OnCreate() {}
    // Asked on WM_CLOSE; false keeps the dialog open.
    virtual bool CanClose() { return true; }

    // Registers the class once, creates and shows the window, calls OnCreated.
    // False when the window could not be made (OnCreated is still called).
    bool Create();
    // Adopts the view as a child (next id from 2500) and creates its window.
    bool AddChild(WinView& view);
    // Runs the dialog modally over the owner's root dialog; its result.
    int32_t DoModal(WinView* owner);
    // Shows the dialog and brings it to the foreground (message 0x8001).
    void Activate(WPARAM wParam, LPARAM lParam);
    // Fixes the result and destroys the window; ignored once ended. On the
    // dialog's own thread; from elsewhere post WM_CLOSE.
    void End(int32_t value);
    // Runs the message loop until WM_QUIT; the quit's value.
    int32_t RunMessageLoop();

    WinViewList& Children() { return children_; }

    uint16_t dialogFlags = 0;
    // Where the dialog's notifications go: the dialog itself unless changed.
    WinView* notifyOwner;

private:
    friend LRESULT CALLBACK WinDialogProc(HWND, UINT, WPARAM, LPARAM);

    bool RegisterWindowClass();
    LRESULT Route(UINT message, WPARAM wParam, LPARAM lParam);
    int32_t OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int32_t OnBlockedMessage(HWND modal, UINT message, WPARAM wParam, LPARAM lParam);
    int32_t OnItemMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int32_t OnColorMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnChildDestroyed(int32_t controlId);
    void TearDown();
    void OnMove();
    int32_t OnSize(WPARAM wParam, LPARAM lParam);
    int32_t OnMinMaxInfo(WPARAM wParam, LPARAM lParam);
    int32_t OnPaint(WPARAM wParam, LPARAM lParam);
    void MoveFocus(int32_t controlId, bool backwards);
    void HandFocusOn(int32_t controlId);
    bool OnActivate(WPARAM wParam);
    bool PreTranslate(MSG& msg);

    WinViewList children_{WinViewList::kFirstChildId};
    // The child that had the focus when the dialog was last deactivated.
    HWND focusWhenInactive_ = nullptr;
    bool tornDown_ = false;
};

LRESULT CALLBACK WinDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Where a dialog of this outer size goes: centred on its owner's rectangle
// (on the work area when that is empty), kept on the work area where it fits.
RECT CentredOverOwner(SIZE frame, const RECT& ownerRect);

// A dialog that creates its window and runs its message loop on a thread of
// its own. Other threads move it, change its text and close it (Close), and
// must Wait for the thread before the object goes.
class WinDialogThread : public WinDialog, public RawLayer::RawThreadUnit {
public:
    void Run() override;
    // True between the window's creation and the end of its message loop.
    bool IsDialogRunning();
    // Waits until the running flag has the value; false when the time ran out.
    bool WaitDialogRunning(bool running, uint32_t timeoutMs);
    // Asks the dialog to close from any thread (WM_CLOSE, through CanClose).
    void Close();

private:
    bool dialogRunning_ = false;
    RawLayer::RawEvent changed_;
};

}  // namespace WinLayer
