// A small tip window next to the mouse pointer that runs a message loop on a
// thread of its own; other threads only show, move, re-text and close it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "raw/RawString.h"
#include "win/WinDialog.h"
#include "win/WinStaticBox.h"

namespace WinLayer {

class WinTipDialog : public WinDialogThread {
public:
    static constexpr uint32_t kStartTimeoutMs = 10000;
    // The window is the text box's fitted size with its frame, and this much more.
    static constexpr int32_t kExtraWidth = 6;
    static constexpr int32_t kExtraHeight = 2;

    WinTipDialog();
    // Closes the tip and waits for its thread.
    ~WinTipDialog() override;

    // Shows the text just below the pointer, topmost and without taking the
    // activation; starts the tip's thread the first time. False when the tip
    // window could not be made.
    bool ShowTip(const RawLayer::RawString& text);
    // Closes the tip window (WM_CLOSE) and waits for its thread to end.
    void CloseTip();
    // The font of the tip's text, from the next ShowTip on (null: the default).
    void SetTipFont(HFONT font);

    void OnCreated() override;
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    WinStaticBox& TextBox() { return text_; }
    // How far below the pointer the tip goes: two thirds of the cursor height.
    static int32_t PointerOffset();

private:
    // Sent to the tip's window, so that its own thread changes what it paints.
    static constexpr UINT kMsgTipText = WM_USER + 1;  // lParam: the RawString
    static constexpr UINT kMsgTipFont = WM_USER + 2;  // wParam: the font

    WinStaticBox text_;
};

}  // namespace WinLayer
