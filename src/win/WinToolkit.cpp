// The toolkit-wide settings and the once-per-process class registration.
#include "win/WinToolkit.h"

#include <string>

namespace WinLayer {

using namespace RawLayer;

WinToolkit& WinToolkit::Instance() {
    static WinToolkit toolkit;
    return toolkit;
}

WinToolkit::WinToolkit()
    : instance_(GetModuleHandleW(nullptr)),
      vScrollWidth_(GetSystemMetrics(SM_CXVSCROLL)),
      hScrollHeight_(GetSystemMetrics(SM_CYHSCROLL)) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        menuLogFont_ = metrics.lfMenuFont;
        statusLogFont_ = metrics.lfStatusFont;
        messageLogFont_ = metrics.lfMessageFont;
        font = menuLogFont_;
    } else {
        font.lfHeight = 12;
        font.lfCharSet = DEFAULT_CHARSET;
    }
    SetDefaultFont(font);
}

void WinToolkit::SetDefaultFont(const LOGFONTW& logFont) {
    defaultLogFont_ = logFont;
    defaultFont_.Reset(CreateFontIndirectW(&defaultLogFont_));
}

bool WinToolkit::RegisterClassOnce(const WNDCLASSEXW& windowClass) {
    const RawString name = RawString::FromWide(windowClass.lpszClassName);
    RawLock lock(classLock_);
    if (classNames_.Find(name) != classNames_.end()) return true;
    // A class of that name registered outside the toolkit serves as well.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    classNames_.Append(name);
    ++classRegistrations_;
    return true;
}

bool WinToolkit::RegisterControlClass(const RawString& name, uint32_t classStyle) {
    const std::wstring wide = name.ToWide();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = classStyle;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = wide.c_str();
    return RegisterClassOnce(wc);
}

int32_t WinToolkit::ClassRegistrations() {
    RawLock lock(classLock_);
    return classRegistrations_;
}

}  // namespace WinLayer
