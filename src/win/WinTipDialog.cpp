// The tip window on its own thread: started on first use, then moved and
// re-texted from the caller's thread.
#include "win/WinTipDialog.h"

#include "raw/RawGdiHandle.h"

namespace WinLayer {

using namespace RawLayer;

WinTipDialog::WinTipDialog() {
    Property().className = "Class_TipDialog";
    Property().style = WS_POPUP | WS_BORDER;
    Property().exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    // Created hidden: the first ShowTip places and shows it.
    showCommand = SW_HIDE;
    placement = {0, 0, 1, 1};
    text_.background = GetSysColor(COLOR_INFOBK);
    text_.textColour = GetSysColor(COLOR_INFOTEXT);
}

WinTipDialog::~WinTipDialog() { CloseTip(); }

int32_t WinTipDialog::PointerOffset() {
    static const int32_t offset = 2 * GetSystemMetrics(SM_CYCURSOR) / 3;
    return offset;
}

void WinTipDialog::OnCreated() { AddChild(text_); }

int32_t WinTipDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            RawPaintScope paint(Window());
            RECT area;
            GetClientRect(Window(), &area);
            FillRect(paint.Dc(), &area, GetSysColorBrush(COLOR_INFOBK));
            return 0;
        }
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case kMsgTipText:
            text_.SetText(*reinterpret_cast<const RawString*>(lParam));
            text_.Fit();
            return 0;
        case kMsgTipFont:
            Property().font = reinterpret_cast<HFONT>(wParam);
            text_.Invalidate();
            return 0;
        default:
            return WinDialogThread::HandleMessage(message, wParam, lParam);
    }
}

bool WinTipDialog::ShowTip(const RawString& text) {
    if (!IsDialogRunning()) {
        Wait();  // a loop that has ended leaves its thread to be joined
        if (!Start() || !WaitDialogRunning(true, kStartTimeoutMs)) return false;
    }
    const HWND window = Window();
    if (!window || !text_.HasWindow()) return false;
    // The tip's thread paints the text: it is changed and measured there.
    SendMessageW(window, kMsgTipText, 0, reinterpret_cast<LPARAM>(&text));
    RECT frame{0, 0, text_.fittedWidth, text_.fittedHeight};
    AdjustWindowRectEx(&frame, Property().style, FALSE, Property().exStyle);
    const int32_t width = Width(frame) + kExtraWidth, height = Height(frame) + kExtraHeight;
    MoveWindow(text_.Window(), kExtraWidth / 2, kExtraHeight / 2, text_.fittedWidth, text_.fittedHeight, TRUE);
    POINT pointer{};
    GetCursorPos(&pointer);
    return SetWindowPos(window, HWND_TOPMOST, pointer.x, pointer.y + PointerOffset(), width, height,
                        SWP_NOACTIVATE | SWP_SHOWWINDOW) != 0;
}

void WinTipDialog::CloseTip() {
    Close();
    WaitDialogRunning(false, kStartTimeoutMs);
    Wait();
}

void WinTipDialog::SetTipFont(HFONT font) {
    if (const HWND window = Window()) SendMessageW(window, kMsgTipFont, reinterpret_cast<WPARAM>(font), 0);
    else Property().font = font;
}

}  // namespace WinLayer
