// The main dialog's two name boxes on the system's edit control, until the
// toolkit's own edit box takes their place. Each turns the control's
// notifications into the dialog's command codes.
#pragma once

#include <windows.h>

#include <cstdint>

#include "raw/RawGdiHandle.h"
#include "raw/RawList.h"
#include "raw/RawString.h"
#include "win/WinView.h"

namespace AppLayer {

// A one-line text box: Enter sends 0x1002, leaving it 0x1005, a change 0x1006
// and Esc 0x1004 (through the view's own handling).
class GuiTextBox : public WinLayer::WinView {
public:
    GuiTextBox();
    RawLayer::RawString GetText() override;
    void SetText(const RawLayer::RawString& text) override;
    // The background; COLORREF of the system window colour by default.
    void SetBackground(COLORREF colour);
    COLORREF Background() const { return background_; }

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int32_t OnCommand(uint16_t code) override;
    void OnCreated() override;
    void Measure(RECT& rect) override;

private:
    COLORREF background_;
    RawLayer::RawBrushHandle brush_;
};

}  // namespace AppLayer
