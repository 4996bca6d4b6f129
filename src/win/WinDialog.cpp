// Dialogs: class registration, creation, the top-level window procedure and
// its message switch, focus navigation, modal runs and dialog threads.
#include "win/WinDialog.h"

#include <algorithm>
#include <vector>

#include "raw/RawGdiHandle.h"
#include "win/WinToolkit.h"

namespace WinLayer {

using namespace RawLayer;

namespace {

constexpr int32_t kActivateRounds = 3;
// lParam of the WM_MOUSEACTIVATE that stands for a click into the client area.
constexpr LPARAM kClientClick = MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN);
constexpr UINT kFlashCount = 5;
constexpr DWORD kFlashTimeout = 70;

std::wstring Wide(const RawString& text) { return text.ToWide(); }

// A blocked owner's answer to what it swallows while a modal dialog runs.
constexpr int32_t kBlocked = -1;
// The message loop's result when GetMessage itself fails.
constexpr int32_t kLoopFailed = -1;

// Messages a blocked owner still handles as usual: answering them with kBlocked
// would leave it unpainted (and WM_PAINT coming back for ever), unsized or
// unable to go away.
bool PassesBlockedOwner(UINT message) {
    switch (message) {
        case WM_PAINT: case WM_NCPAINT: case WM_ERASEBKGND: case WM_SYNCPAINT: case WM_PRINT:
        case WM_PRINTCLIENT: case WM_NCCALCSIZE: case WM_WINDOWPOSCHANGING: case WM_MOVE: case WM_SIZE:
        case WM_GETMINMAXINFO: case WM_GETTEXT: case WM_GETTEXTLENGTH: case WM_SETTEXT: case WM_GETICON:
        case WM_SETFONT: case WM_GETFONT: case WM_DESTROY: case WM_QUERYENDSESSION: case WM_ENDSESSION:
            return true;
        default:
            return false;
    }
}

}  // namespace

// ---------------------------------------------------------------- creation

WinDialog::WinDialog() : notifyOwner(this) {}

WinDialog::~WinDialog() {
    // The object goes before its window: later messages must not reach it,
    // and its end is no end of anybody's message loop.
    const HWND window = Window();
    if (window && IsWindow(window)) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) DestroyWindow(window);
    }
    // Children that outlive the dialog must not reach back into it.
    for (WinView* child : children_.Snapshot()) child->SetParent(nullptr);
    children_.Clear();
    DialogList().Remove(*this);
}

bool WinDialog::RegisterWindowClass() {
    WinToolkit& toolkit = WinToolkit::Instance();
    const HINSTANCE instance = toolkit.InstanceHandle();
    const std::wstring name = Wide(Property().className);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WinDialogProc;
    wc.hInstance = instance;
    wc.hIcon = bigIcon ? LoadIconW(instance, MAKEINTRESOURCEW(bigIcon)) : nullptr;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = name.c_str();
    wc.hIconSm = smallIcon ? LoadIconW(instance, MAKEINTRESOURCEW(smallIcon)) : nullptr;
    return toolkit.RegisterClassOnce(wc);
}

bool WinDialog::Create() {
    if (HasWindow()) return true;  // one window at a time
    RegisterWindowClass();
    if (!DialogList().Contains(*this)) DialogList().Adopt(*this);
    dialogFlags &= ~kEnded;
    tornDown_ = false;
    WinViewProperty& p = Property();
    const HWND window = CreateWindowExW(p.exStyle, Wide(p.className).c_str(), GetText().ToWide().c_str(), p.style,
                                        placement.left, placement.top, Width(placement), Height(placement),
                                        nullptr, nullptr, WinToolkit::Instance().InstanceHandle(), this);
    if (window) {
        ShowWindow(window, showCommand);
        UpdateWindow(window);
    }
    dialogFlags &= ~kChildPreTranslate;
    for (WinView* child : children_.Snapshot())
        if (child->Property().flags & WinViewProperty::kPreTranslate) dialogFlags |= kChildPreTranslate;
    OnCreated();
    return window != nullptr;
}

bool WinDialog::AddChild(WinView& view) {
    children_.Adopt(view);
    view.SetParent(this);
    WinViewProperty& p = view.Property();
    const RECT& r = view.placement;
    const HWND window = CreateWindowExW(p.exStyle, Wide(p.className).c_str(), view.GetText().ToWide().c_str(),
                                        p.style, r.left, r.top, Width(r), Height(r), Window(),
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)),
                                        WinToolkit::Instance().InstanceHandle(), nullptr);
    view.BindWindow(window);
    if (p.kind == WinViewProperty::kSubclassed) view.Subclass();
    else p.flags |= WinViewProperty::kNotSubclassed;
    if (p.flags & WinViewProperty::kPreTranslate) dialogFlags |= kChildPreTranslate;
    if (const HFONT font = view.ResolvedFont(); font && window)
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    view.OnCreated();
    return window != nullptr;
}

// ---------------------------------------------------------------- window procedure

LRESULT CALLBACK WinDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The view is stored with the window when it is created, so that no
    // message needs a search through the dialogs of the process.
    auto* dialog = reinterpret_cast<WinDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!dialog) {
        if (message != WM_NCCREATE && message != WM_CREATE) return DefWindowProcW(window, message, wParam, lParam);
        dialog = static_cast<WinDialog*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (!dialog) return DefWindowProcW(window, message, wParam, lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
        dialog->BindWindow(window);
        dialog->Property().flags |= WinViewProperty::kNotSubclassed;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        dialog->BindWindow(nullptr);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return dialog->Route(message, wParam, lParam);
}

LRESULT WinDialog::Route(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND modal = ModalWindow();
    const int32_t answer = modal && !PassesBlockedOwner(message) ? OnBlockedMessage(modal, message, wParam, lParam)
                                                                 : OnDialogMessage(message, wParam, lParam);
    return answer == kNotHandled ? DefWindowProcW(Window(), message, wParam, lParam) : answer;
}

int32_t WinDialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            break;
        case WM_ENDSESSION:
            // FALSE: the session goes on after all.
            if (wParam) TearDown();
            break;
        case WM_DESTROY:
            TearDown();
            break;
        case WM_MOVE:
            OnMove();
            break;
        case WM_SIZE:
            return OnSize(wParam, lParam);
        case WM_PAINT:
            return OnPaint(wParam, lParam);
        case WM_CLOSE:
            if (!CanClose()) return 0;
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_GETMINMAXINFO:
            return OnMinMaxInfo(wParam, lParam);
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            return OnItemMessage(message, wParam, lParam);
        case WM_COMMAND: {
            WinView* child = children_.FindById(LOWORD(wParam));
            return (child ? child : static_cast<WinView*>(this))->OnCommand(HIWORD(wParam));
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            return OnColorMessage(message, wParam, lParam);
        case WM_PARENTNOTIFY:
            if (LOWORD(wParam) == WM_DESTROY) OnChildDestroyed(HIWORD(wParam));
            break;
        case kMsgActivate:
            Activate(wParam, lParam);
            return 0;
        case kMsgFocusNext:
            if (lParam == kFocusHandOff) HandFocusOn(static_cast<int32_t>(wParam));
            else MoveFocus(static_cast<int32_t>(wParam), lParam == kFocusBackward);
            return 0;
        case WM_ACTIVATE:
            if (OnActivate(wParam)) return 0;
            break;
        default:
            break;
    }
    return Dispatch(message, wParam, lParam);
}

int32_t WinDialog::OnBlockedMessage(HWND modal, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONUP:
        case WM_SETCURSOR:
            return HandleMessage(message, wParam, lParam);
        case WM_MOUSEACTIVATE:
            PostMessageW(modal, kMsgOwnerClicked, 0, 0);
            return kBlocked;
        case kMsgOwnerClicked:
            PostMessageW(modal, kMsgOwnerClicked, 0, 0);
            return 0;
        case kMsgActivate:
            Activate(wParam, lParam);
            return 0;
        case WM_WINDOWPOSCHANGED:
            if (!(reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOZORDER)) {
                // The owner came to the front: the modal dialog goes before it.
                SendMessageW(modal, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(modal), kClientClick);
                SetForegroundWindow(modal);
                MessageBeep(0);
                FLASHWINFO flash{sizeof(FLASHWINFO), modal, FLASHW_CAPTION, kFlashCount, kFlashTimeout};
                FlashWindowEx(&flash);
            }
            return HandleMessage(message, wParam, lParam);
        default:
            return kBlocked;
    }
}

int32_t WinDialog::OnItemMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam == 0) return HandleMessage(message, wParam, lParam);
    if (WinView* child = children_.FindById(static_cast<int32_t>(wParam)))
        child->HandleMessage(message, wParam, lParam);
    return 1;
}

int32_t WinDialog::OnColorMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (WinView* child = children_.FindByWindow(reinterpret_cast<HWND>(lParam))) {
        const int32_t answer = child->HandleMessage(message, wParam, lParam);
        if (answer != kNotHandled) return answer;
    }
    return Dispatch(message, wParam, lParam);
}

void WinDialog::OnChildDestroyed(int32_t controlId) {
    if (WinView* child = children_.FindById(controlId)) {
        child->OnDestroyed();
        children_.Remove(*child);
    }
}

void WinDialog::TearDown() {
    // WM_ENDSESSION may be followed by WM_DESTROY: tell everyone once.
    if (tornDown_) return;
    tornDown_ = true;
    OnStateChange(sizeState, kSizeDestroyed);
    {
        RawLock lock(children_.Lock());
        for (WinView* child : children_.Snapshot()) child->OnDestroyed();
        children_.Clear();
    }
    OnDestroyed();
    DialogList().Remove(*this);
    PostQuitMessage(0);
}

void WinDialog::OnMove() {
    const HWND window = Window();
    if (IsIconic(window) || IsZoomed(window)) return;
    GetWindowRect(window, &placement);
    normalPlacement = placement;
}

int32_t WinDialog::OnSize(WPARAM wParam, LPARAM lParam) {
    GetWindowRect(Window(), &placement);
    if (wParam != SIZE_MINIMIZED && wParam != SIZE_MAXIMIZED) normalPlacement = placement;
    const int32_t own = HandleMessage(WM_SIZE, wParam, lParam);
    if (own != kNotHandled) return OfferHooks(WM_SIZE, wParam, lParam, own);
    const int32_t previous = sizeState;
    const auto state = static_cast<int32_t>(wParam);
    if (state != sizeState) {
        OnStateChange(sizeState, state);
        sizeState = state;
    }
    if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
        client = {0, 0, LOWORD(lParam), HIWORD(lParam)};
        Arrange();
        InvalidateRect(Window(), nullptr, FALSE);
    }
    if (previous == kSizeInitial) OnStateChange(kSizeFirstReport, state);
    return OfferHooks(WM_SIZE, wParam, lParam, own);
}

int32_t WinDialog::OnMinMaxInfo(WPARAM wParam, LPARAM lParam) {
    const HWND window = Window();
    if (sizeState == SIZE_MINIMIZED) return Dispatch(WM_GETMINMAXINFO, wParam, lParam);
    normalPlacement = placement;
    if (IsIconic(window)) return Dispatch(WM_GETMINMAXINFO, wParam, lParam);
    RECT win;
    GetWindowRect(window, &win);
    placement = win;
    GetClientRect(window, &client);
    const int32_t own = HandleMessage(WM_GETMINMAXINFO, wParam, lParam);
    if (own != kNotHandled) return OfferHooks(WM_GETMINMAXINFO, wParam, lParam, own);
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    WinTrackLimits limits = ComputeTrackLimits(win, client, minimumClient, area);
    AdjustSizeLimits(limits.growWidth, limits.growHeight);
    info->ptMinTrackSize = limits.MinTrack(win);
    info->ptMaxTrackSize = limits.MaxTrack(win);
    return OfferHooks(WM_GETMINMAXINFO, wParam, lParam, own);
}

int32_t WinDialog::OnPaint(WPARAM wParam, LPARAM lParam) {
    const int32_t answer = Dispatch(WM_PAINT, wParam, lParam);
    if (answer != kNotHandled) return answer;
    RawPaintScope paint(Window());
    RECT area;
    GetClientRect(Window(), &area);
    FillRect(paint.Dc(), &area, GetSysColorBrush(COLOR_BTNFACE));
    return 0;
}

void WinDialog::MoveFocus(int32_t controlId, bool backwards) {
    HWND target = nullptr;
    {
        RawLock lock(children_.Lock());
        const std::vector<WinView*> views = children_.Snapshot();
        const auto n = static_cast<int32_t>(views.size());
        int32_t start = 0;
        while (start < n && views[start]->ControlId() != controlId) ++start;
        for (int32_t step = 1; start < n && step < n && !target; ++step) {
            const WinView* v = views[(start + (backwards ? n - step : step)) % n];
            const bool skipped = (v->Property().flags & WinViewProperty::kNotSubclassed) || !v->HasWindow() ||
                                 !IsWindowEnabled(v->Window()) || !IsWindowVisible(v->Window());
            if (!skipped) target = v->Window();
        }
    }
    if (target) SetFocus(target);
}

void WinDialog::HandFocusOn(int32_t controlId) {
    const WinView* from = children_.FindById(controlId);
    if (!from || !from->HasWindow()) return;
    const HWND focus = GetFocus();
    // The focus went somewhere on its own meanwhile, or the control is usable again.
    if (focus && focus != from->Window()) return;
    if (IsWindowEnabled(from->Window()) && IsWindowVisible(from->Window())) return;
    if (!focus && GetActiveWindow() != Window()) return;
    MoveFocus(controlId, false);
}

bool WinDialog::OnActivate(WPARAM wParam) {
    // DefWindowProc gives an activated window the focus itself, where keys
    // reach no control: as the dialog manager does, the focus goes back to
    // the control that had it, or on to the next usable one.
    if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        focusWhenInactive_ = focus && IsChild(Window(), focus) ? focus : nullptr;
        return false;
    }
    if (HIWORD(wParam) || !focusWhenInactive_) return false;  // minimised, or nothing to give back
    const HWND previous = focusWhenInactive_;
    focusWhenInactive_ = nullptr;
    WinView* view = children_.FindByWindow(previous);
    if (!view) return false;
    if (IsWindowEnabled(previous) && IsWindowVisible(previous)) SetFocus(previous);
    else MoveFocus(view->ControlId(), false);
    return true;
}

// ---------------------------------------------------------------- modal runs

int32_t WinDialog::OnChildCommand(WinView*, uint16_t code) {
    if (code == kNotifyCancel && HasWindow()) PostMessageW(Window(), WM_CLOSE, 0, 0);
    return 0;
}

bool WinDialog::PreTranslate(MSG& msg) {
    WinView* child = children_.FindByWindow(msg.hwnd);
    return child && (child->Property().flags & WinViewProperty::kPreTranslate) &&
           child->PreTranslateMessage(msg.message, msg.wParam, msg.lParam, &msg.pt);
}

int32_t WinDialog::RunMessageLoop() {
    // Wide throughout: a narrow loop would pass every typed character through
    // the ANSI code page, and what it cannot hold would arrive as "?".
    MSG msg{};
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
        if ((dialogFlags & kChildPreTranslate) && PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return got == 0 ? static_cast<int32_t>(msg.wParam) : kLoopFailed;
}

int32_t WinDialog::DoModal(WinView* owner) {
    WinView* root = owner;
    while (root && root->Parent()) root = root->Parent();
    result = 0;
    Create();
    // Without a window no quit message would ever end the loop.
    if (!HasWindow()) return result;
    if (root) root->SetModalWindow(Window());
    RunMessageLoop();
    if (root) root->SetModalWindow(nullptr);
    if (root && root->HasWindow())
        SendMessageW(root->Window(), WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root->Window()), kClientClick);
    if (owner && owner->HasWindow()) SetFocus(owner->Window());
    return result;
}

void WinDialog::End(int32_t value) {
    if (dialogFlags & kEnded) return;
    result = value;
    dialogFlags |= kEnded;
    if (HasWindow()) DestroyWindow(Window());
}

void WinDialog::Activate(WPARAM wParam, LPARAM lParam) {
    const HWND window = Window();
    if (!window) return;
    if (Property().exStyle & WS_EX_NOACTIVATE) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
        return;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    // Another program may keep the foreground for ever: a few rounds, then give up.
    for (int32_t round = 0; round < kActivateRounds && GetForegroundWindow() != window; ++round) {
        const HWND foreground = GetForegroundWindow();
        const DWORD self = GetCurrentThreadId();
        const DWORD other = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
        const bool attached = other && other != self && AttachThreadInput(self, other, TRUE);
        SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        SetForegroundWindow(window);
        if (attached) AttachThreadInput(self, other, FALSE);
    }
    if (const HWND modal = ModalWindow()) PostMessageW(modal, kMsgActivate, wParam, lParam);
}

// ---------------------------------------------------------------- dialog thread

void WinDialogThread::Run() {
    Create();
    {
        RawLock lock(StateLock());
        dialogRunning_ = true;
        changed_.Set();
    }
    if (HasWindow()) RunMessageLoop();
    RawLock lock(StateLock());
    dialogRunning_ = false;
    changed_.Set();
}

bool WinDialogThread::IsDialogRunning() {
    RawLock lock(StateLock());
    return dialogRunning_;
}

bool WinDialogThread::WaitDialogRunning(bool running, uint32_t timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        {
            // Reset before looking, under the lock the thread sets it under:
            // a change in between is never missed.
            RawLock lock(StateLock());
            changed_.Reset();
            if (dialogRunning_ == running) return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        changed_.Wait(static_cast<uint32_t>(deadline - now));
    }
}

void WinDialogThread::Close() {
    if (const HWND window = Window()) PostMessageW(window, WM_CLOSE, 0, 0);
}

RECT CentredOverOwner(SIZE frame, const RECT& ownerRect) {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const bool owned = ownerRect.right > ownerRect.left && ownerRect.bottom > ownerRect.top;
    const RECT& centreOn = owned ? ownerRect : area;
    LONG left = (centreOn.left + centreOn.right - frame.cx) / 2;
    LONG top = (centreOn.top + centreOn.bottom - frame.cy) / 2;
    left = std::max(area.left, std::min(left, area.right - frame.cx));
    top = std::max(area.top, std::min(top, area.bottom - frame.cy));
    return {left, top, left + frame.cx, top + frame.cy};
}

}  // namespace WinLayer
