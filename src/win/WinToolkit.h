// The toolkit-wide settings: instance handle, default font, spacing values and
// the window classes registered so far. One object per process.
#pragma once

#include <windows.h>

#include <cstdint>

#include "raw/RawGdiHandle.h"
#include "raw/RawList.h"
#include "raw/RawString.h"
#include "raw/RawThread.h"

namespace WinLayer {

class WinToolkit {
public:
    // Created on first use and kept to the end of the process.
    static WinToolkit& Instance();

    HINSTANCE InstanceHandle() const { return instance_; }
    void SetInstanceHandle(HINSTANCE instance) { instance_ = instance; }

    // The font every view without one of its own inherits: the system menu
    // font, unless the GUI profile replaced it at start.
    HFONT DefaultFont() const { return defaultFont_.Get(); }
    const LOGFONTW& DefaultLogFont() const { return defaultLogFont_; }
    // Makes a new default font; the old handle is deleted, so call it before
    // any window uses the font.
    void SetDefaultFont(const LOGFONTW& logFont);
    // The system's non-client fonts as read at start.
    const LOGFONTW& MenuLogFont() const { return menuLogFont_; }
    const LOGFONTW& StatusLogFont() const { return statusLogFont_; }
    const LOGFONTW& MessageLogFont() const { return messageLogFont_; }

    // Spacing between controls and the corner radius of buttons, in pixels.
    int32_t margin = 4;
    int32_t buttonR = 4;

    // The text code kind every window text is read into.
    RawLayer::RawCodeKind TextKind() const { return RawLayer::RawCodeKind::Utf8; }

    // SM_CXVSCROLL and SM_CYHSCROLL, read once.
    int32_t VerticalScrollWidth() const { return vScrollWidth_; }
    int32_t HorizontalScrollHeight() const { return hScrollHeight_; }

    // Registers the class under its name once per process; true when the
    // class exists afterwards. Counts the registrations actually made.
    bool RegisterClassOnce(const WNDCLASSEXW& windowClass);
    int32_t ClassRegistrations();
    // A class for the toolkit's own controls: the default procedure only, so
    // that a view of kind 2 (subclassed) gets every message.
    bool RegisterControlClass(const RawLayer::RawString& name, uint32_t classStyle = CS_DBLCLKS);

private:
    WinToolkit();

    HINSTANCE instance_;
    RawLayer::RawFontHandle defaultFont_;
    LOGFONTW defaultLogFont_{};
    LOGFONTW menuLogFont_{};
    LOGFONTW statusLogFont_{};
    LOGFONTW messageLogFont_{};
    int32_t vScrollWidth_;
    int32_t hScrollHeight_;
    RawLayer::RawCriticalSection classLock_;
    RawLayer::RawStringList classNames_;
    int32_t classRegistrations_ = 0;
};

}  // namespace WinLayer
