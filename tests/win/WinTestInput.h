// Helpers of the window tests: pumping messages until a state is reached (never
// a fixed sleep) and real keyboard and mouse input through SendInput.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>

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

// Presses and releases a key, with Shift held around it when asked.
inline void PressKey(WORD vk, bool shift = false) {
    INPUT keys[4];
    UINT n = 0;
    if (shift) keys[n++] = Key(VK_SHIFT, false);
    keys[n++] = Key(vk, false);
    keys[n++] = Key(vk, true);
    if (shift) keys[n++] = Key(VK_SHIFT, true);
    SendInput(n, keys, sizeof(INPUT));
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
inline void ClickAt(POINT screen) {
    INPUT in[3] = {Mouse(screen, MOUSEEVENTF_MOVE), Mouse(screen, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN),
                   Mouse(screen, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP)};
    SendInput(3, in, sizeof(INPUT));
}

inline POINT Centre(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace WinTest
