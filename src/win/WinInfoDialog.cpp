// The info dialog: its button sets and labels, the layout of icon, text and
// buttons, the modal run and the value of the button pressed.
#include "win/WinInfoDialog.h"

#include <algorithm>

#include "raw/RawLabelStore.h"
#include "win/WinToolkit.h"

namespace WinLayer {

using namespace RawLayer;

namespace {

const RawLocaleRecord kButtonLabels[] = {
    {"OK", "OK"}, {"Cancel", "Cancel"}, {"Yes", "Yes"}, {"No", "No"}, {nullptr, nullptr},
};

const RawLabelTable kButtonLabelTable("InfoDialog", kButtonLabels);

// The text box: owner-drawn "STATIC" (0x5000000D) with 2 pixels all round.
constexpr uint32_t kTextStyle = WS_CHILD | WS_VISIBLE | SS_OWNERDRAW;

}  // namespace

const WinButtonSet& WinInfoDialog::OkButtons() {
    static const WinButtonSet set = {{"OK", 1}};
    return set;
}

const WinButtonSet& WinInfoDialog::OkCancelButtons() {
    static const WinButtonSet set = {{"OK", 1}, {"Cancel", 0}};
    return set;
}

const WinButtonSet& WinInfoDialog::YesNoButtons() {
    static const WinButtonSet set = {{"Yes", 2}, {"No", 3}};
    return set;
}

WinInfoLayout LayoutInfoDialog(SIZE icon, SIZE text, const std::vector<SIZE>& buttons, int32_t margin) {
    WinInfoLayout layout;
    const int32_t m = margin;
    const int32_t top = std::max<int32_t>(icon.cy, text.cy);
    if (icon.cx > 0) layout.icon = {m, m + (top - icon.cy) / 2, m + icon.cx, m + (top - icon.cy) / 2 + icon.cy};
    const int32_t textLeft = icon.cx > 0 ? layout.icon.right + m : m;
    layout.text = {textLeft, m + (top - text.cy) / 2, textLeft + text.cx, m + (top - text.cy) / 2 + text.cy};
    int32_t width = WinInfoDialog::kMinButtonWidth, height = 0;
    for (const SIZE& b : buttons) {
        width = std::max<int32_t>(width, b.cx);
        height = std::max<int32_t>(height, b.cy);
    }
    const auto count = static_cast<int32_t>(buttons.size());
    const int32_t row = count > 0 ? count * width + (count - 1) * m : 0;
    layout.client.cx = std::max<int32_t>(layout.text.right, m + row) + m;
    const int32_t rowTop = m + top + (count > 0 ? m : 0);
    layout.client.cy = rowTop + height + m;
    const int32_t rowLeft = (layout.client.cx - row) / 2;
    for (int32_t i = 0; i < count; ++i)
        layout.buttons.push_back({rowLeft + i * (width + m), rowTop, rowLeft + i * (width + m) + width, rowTop + height});
    return layout;
}

WinInfoDialog::WinInfoDialog(const RawString& title, const RawString& text, const WinButtonSet& buttons,
                             uint16_t iconId) {
    Property().className = "Class_InfoDialog";
    Property().kind = 1;
    Property().style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    Property().exStyle = WS_EX_DLGMODALFRAME;
    bigIcon = 130;
    smallIcon = 131;
    SetText(title);
    if (iconId) {
        icon_ = LoadIconA(nullptr, MAKEINTRESOURCEA(iconId));
        iconSize_ = {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
        image_.SetIcon(icon_, iconSize_.cx, iconSize_.cy);
    }
    text_.Property().style = kTextStyle;
    text_.margins = {2, 2, 2, 2};
    text_.SetText(text);
    const RawLabelStore::Group labels = RawLabelStore::Instance().RegisterLabels(kButtonLabelTable);
    for (const WinInfoButton& b : buttons) {
        auto button = std::make_unique<WinButton>();
        button->SetText(labels.Get(b.label));
        button->notifyCode = kNotifyButton;
        button->Property().style |= WS_TABSTOP;
        buttons_.push_back(std::move(button));
        values_.push_back(b.value);
    }
}

void WinInfoDialog::Layout(const RECT& ownerRect) {
    // Measured before any window exists: on the screen's context with each view's font.
    text_.Fit();
    std::vector<SIZE> sizes;
    for (const auto& button : buttons_) {
        button->Fit();
        sizes.push_back({button->fittedWidth, button->fittedHeight});
    }
    const SIZE icon = icon_ ? iconSize_ : SIZE{0, 0};
    const WinInfoLayout layout =
        LayoutInfoDialog(icon, {text_.fittedWidth, text_.fittedHeight}, sizes, 2 * WinToolkit::Instance().margin);
    image_.placement = layout.icon;
    text_.placement = layout.text;
    for (size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->placement = layout.buttons[i];

    RECT window{0, 0, layout.client.cx, layout.client.cy};
    AdjustWindowRectEx(&window, Property().style, FALSE, Property().exStyle);
    placement = CentredOverOwner({Width(window), Height(window)}, ownerRect);
}

int32_t WinInfoDialog::Run(WinView* owner, const RECT& ownerRect) {
    Layout(ownerRect);
    return DoModal(owner);
}

int32_t WinInfoDialog::Show(WinView* owner, const RECT& ownerRect, const RawString& title, const RawString& text,
                            const WinButtonSet& buttons, uint16_t iconId) {
    WinInfoDialog dialog(title, text, buttons, iconId);
    return dialog.Run(owner, ownerRect);
}

void WinInfoDialog::OnCreated() {
    if (icon_) AddChild(image_);
    AddChild(text_);
    for (const auto& button : buttons_) AddChild(*button);
    if (!buttons_.empty() && buttons_.front()->HasWindow()) SetFocus(buttons_.front()->Window());
}

int32_t WinInfoDialog::OnChildCommand(WinView* child, uint16_t code) {
    if (code == kNotifyButton) {
        for (size_t i = 0; i < buttons_.size(); ++i)
            if (buttons_[i].get() == child) End(values_[i]);
        return 0;
    }
    return WinDialog::OnChildCommand(child, code);
}

bool WinInfoDialog::AdjustSizeLimits(int32_t& extraWidth, int32_t& extraHeight) {
    // Never wider or taller than the text needs.
    extraWidth = std::clamp(text_.fittedWidth - Width(text_.placement), 0, std::max(extraWidth, 0));
    extraHeight = std::clamp(text_.fittedHeight - Height(text_.placement), 0, std::max(extraHeight, 0));
    return true;
}

}  // namespace WinLayer
