// Helpers of the window tests: pumping messages until a state is reached (never
// a fixed sleep), real keyboard and mouse input through SendInput, file drops,
// and test dialogs shown in front and destroyed cleanly.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "win/WinDialog.h"
#include "win/WinViewHook.h"

namespace WinTest {

constexpr DWORD kDeadlineMs = 10000;

// Quit messages seen by PumpUntil: a destroyed dialog posts one.
inline int& QuitsSeen() {
    static int quits = 0;
    return quits;
}

// Dispatches this thread's messages until the condition holds; false when the
// deadline passed first.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kDeadlineMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) ++QuitsSeen();
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                                  QS_ALLINPUT);
    }
}

inline INPUT Key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

// Presses and releases a key with a modifier (VK_CONTROL, VK_SHIFT) held.
inline void PressKeyWith(WORD modifier, WORD vk) {
    INPUT keys[4] = {Key(modifier, false), Key(vk, false), Key(vk, true), Key(modifier, true)};
    SendInput(4, keys, sizeof(INPUT));
}

// Presses and releases a key, with Shift held around it when asked.
inline void PressKey(WORD vk, bool shift = false) {
    if (shift) return PressKeyWith(VK_SHIFT, vk);
    INPUT keys[2] = {Key(vk, false), Key(vk, true)};
    SendInput(2, keys, sizeof(INPUT));
}

// Types UTF-16 units as characters, whatever the keyboard layout.
inline void TypeUnicode(const std::wstring& text) {
    for (wchar_t unit : text) {
        INPUT in[2]{};
        for (int i = 0; i < 2; ++i) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wScan = unit;
            in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, in, sizeof(INPUT));
    }
}

inline INPUT Mouse(POINT screen, DWORD flags) {
    const int w = GetSystemMetrics(SM_CXSCREEN) - 1, h = GetSystemMetrics(SM_CYSCREEN) - 1;
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = screen.x * 65535 / w;
    in.mi.dy = screen.y * 65535 / h;
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    return in;
}

inline void MoveTo(POINT screen) {
    INPUT in = Mouse(screen, MOUSEEVENTF_MOVE);
    SendInput(1, &in, sizeof(INPUT));
}

// A left click at a screen point. Each event carries the point: a button
// event alone lands wherever the pointer is by then, and an earlier move's
// echo from the display may still be on its way.
// With a modifier key held around it when one is given.
inline void ClickWith(WORD modifier, POINT screen) {
    INPUT in[5] = {Key(modifier, false), Mouse(screen, MOUSEEVENTF_MOVE),
                   Mouse(screen, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN),
                   Mouse(screen, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP), Key(modifier, true)};
    SendInput(modifier ? 5 : 3, in + (modifier ? 0 : 1), sizeof(INPUT));
}
inline void ClickAt(POINT screen) { ClickWith(0, screen); }

// The left button alone, pressed or released at a screen point.
inline void LeftButton(POINT screen, bool down) {
    INPUT in = Mouse(screen, MOUSEEVENTF_MOVE | (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP));
    SendInput(1, &in, sizeof(INPUT));
}

// A client point of a window on the screen.
inline POINT ScreenPoint(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

inline POINT Centre(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A drop of the names, as the shell hands it over: DROPFILES, then the wide
// names one after the other, each ended by a zero, and one zero more.
inline HDROP MakeDrop(const std::vector<std::wstring>& names) {
    size_t units = 1;
    for (const std::wstring& name : names) units += name.size() + 1;
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& name : names) {
        std::copy(name.begin(), name.end(), out);
        out += name.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// Counts one message of a view (one key's, when a key is given) after the
// view has handled it; safe to read from another thread.
class Witness : public WinLayer::WinViewHook {
public:
    Witness(WinLayer::WinView& view, UINT message, WPARAM key = 0)
        : WinViewHook(view), message_(message), key_(key) {}
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
        if (message == message_ && (key_ == 0 || wParam == key_)) ++seen;
        return WinLayer::kNotHandled;
    }
    std::atomic<int> seen{0};

private:
    UINT message_;
    WPARAM key_;
};

// A top-level dialog of a test, destroyed with the object.
class TestWindow : public WinLayer::WinDialog {
public:
    TestWindow(const char* className, RECT where, const char* title = "",
               uint32_t style = WS_OVERLAPPED | WS_CAPTION) {
        Property().className = className;
        Property().style = style;
        placement = where;
        SetText(title);
    }
    ~TestWindow() override {
        if (HasWindow()) DestroyWindow(Window());
    }
};

// Creates the dialog and waits until it is in front.
inline bool ShowInFront(WinLayer::WinDialog& dialog) {
    if (!dialog.Create()) return false;
    dialog.Activate(0, 0);
    return PumpUntil([&] { return GetForegroundWindow() == dialog.Window(); });
}

// Destroys the dialog's window and takes the quit message it posts off the queue.
inline bool Destroy(WinLayer::WinDialog& dialog) {
    if (!dialog.HasWindow()) return true;
    const int quits = QuitsSeen();
    DestroyWindow(dialog.Window());
    return PumpUntil([&] { return QuitsSeen() > quits; });
}

}  // namespace WinTest
