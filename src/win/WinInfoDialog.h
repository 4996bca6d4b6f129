// The toolkit's message box: an icon, a text and a row of buttons, run
// modally over its owner, answering with the value of the button pressed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "raw/RawString.h"
#include "win/WinButton.h"
#include "win/WinDialog.h"
#include "win/WinStaticBox.h"

namespace WinLayer {

struct WinInfoButton {
    RawLayer::RawString label;  // the label key; its text comes from the language file
    int32_t value = 0;
};
using WinButtonSet = std::vector<WinInfoButton>;

// Where the parts of an info dialog go, in client coordinates.
struct WinInfoLayout {
    RECT icon{};
    RECT text{};
    std::vector<RECT> buttons;
    SIZE client{};
};
// The icon (none when its width is 0) left of the text, the buttons of one
// width in a centred row below; margin around and between.
WinInfoLayout LayoutInfoDialog(SIZE icon, SIZE text, const std::vector<SIZE>& buttons, int32_t margin);

class WinInfoDialog : public WinDialog {
public:
    static constexpr uint16_t kQuestionIcon = 32514;  // IDI_QUESTION
    static constexpr uint16_t kWarningIcon = 32515;   // IDI_EXCLAMATION
    static constexpr int32_t kMinButtonWidth = 80;

    // The shared button sets: "OK" (1); "OK" (1), "Cancel" (0); "Yes" (2), "No" (3).
    static const WinButtonSet& OkButtons();
    static const WinButtonSet& OkCancelButtons();
    static const WinButtonSet& YesNoButtons();

    // Runs a dialog over the owner, centred on the placement rectangle (the
    // owner's window rectangle); the pressed button's value, 0 when it was
    // closed otherwise (Esc, the close box). An icon id of 0 shows none.
    static int32_t Show(WinView* owner, const RECT& ownerRect, const RawLayer::RawString& title,
                        const RawLayer::RawString& text, const WinButtonSet& buttons, uint16_t iconId);

    WinInfoDialog(const RawLayer::RawString& title, const RawLayer::RawString& text, const WinButtonSet& buttons,
                  uint16_t iconId);
    // Lays the dialog out, then runs it modally; its result.
    int32_t Run(WinView* owner, const RECT& ownerRect);

    void OnCreated() override;
    int32_t OnChildCommand(WinView* child, uint16_t code) override;
    bool AdjustSizeLimits(int32_t& extraWidth, int32_t& extraHeight) override;

    WinStaticBox& TextBox() { return text_; }
    WinButton& Button(size_t index) { return *buttons_[index]; }
    size_t ButtonCount() const { return buttons_.size(); }
    HICON Icon() const { return icon_; }

private:
    void Layout(const RECT& ownerRect);

    HICON icon_ = nullptr;  // a shared system icon, not owned
    SIZE iconSize_{};
    WinImageBox image_;
    WinStaticBox text_;
    std::vector<std::unique_ptr<WinButton>> buttons_;
    std::vector<int32_t> values_;
};

}  // namespace WinLayer
