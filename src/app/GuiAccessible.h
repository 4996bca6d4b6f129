// The main dialog as screen readers meet it: the names, descriptions and
// actions of its controls and rows in the user's language, its access keys
// (Alt and a letter) and the keys that open the item menu and the read-me.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "raw/RawString.h"
#include "win/WinAccessible.h"

namespace AppLayer {

class GuiViewBox;
struct GuiMainDialogParts;

// The view box's rows: "<old name> to <new name>", their check marks, and
// why a row fails or was renamed.
class GuiViewBoxAccessible : public WinLayer::WinListAccessible {
public:
    explicit GuiViewBoxAccessible(GuiViewBox& box);

    RawLayer::RawString RowName(int32_t row) override;
    RawLayer::RawString RowDescription(int32_t row) override;
    uint32_t RowState(int32_t row) override;
    RawLayer::RawString RowDefaultAction(int32_t row) override;
    bool DoRowDefaultAction(int32_t row) override;
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // While a run or a reading owns the item list, the rows are left alone
    // and the list's name is the progress line.
    bool RowsReadable() override;
    RawLayer::RawString Name(int32_t child) override;
    void ProgressChanged() { Announce(EVENT_OBJECT_NAMECHANGE, CHILDID_SELF); }

    // Check marks changed (the key V, a click, a menu command): the cursor
    // row and the selected rows are announced.
    void ChecksChanged();
    // The item menu at the cursor row, as the context-menu key opens it.
    void OpenItemMenu();

private:
    GuiViewBox& box_;
    RawLayer::RawString rowPattern_;
    RawLayer::RawString headerName_;
    RawLayer::RawString renamed_;
    RawLayer::RawString check_;
    RawLayer::RawString uncheck_;
};

// The label with its access key marked: an "&" before the first such letter,
// or "(&X)" after a label without it; an "&" of the label itself doubled.
RawLayer::RawString MarkAccessKey(const RawLayer::RawString& label, wchar_t letter);

// Every accessibility source of the main dialog, made with its labels.
class GuiMainAccessible {
public:
    explicit GuiMainAccessible(GuiMainDialogParts& parts);
    ~GuiMainAccessible();

    GuiViewBoxAccessible& ViewBox() { return *viewBox_; }
    // The status line's text was set.
    void StatusChanged();
    // Alt and a character (WM_SYSCHAR): true when it reached a control.
    bool OnAccessKey(wchar_t character);
    // The letter of a control's access key as the language file gives it.
    static wchar_t LetterOf(const char* key);
    // Marks the letters in the labels and buttons; before they are measured.
    static void MarkLabels(GuiMainDialogParts& parts);
    // What F1 does; empty: nothing.
    std::function<void()> openHelp;

private:
    class KeyHook;
    GuiMainDialogParts& parts_;
    std::vector<std::unique_ptr<WinLayer::WinAccessibleSource>> sources_;
    std::vector<std::unique_ptr<KeyHook>> keyHooks_;
    std::unique_ptr<GuiViewBoxAccessible> viewBox_;
    std::unique_ptr<WinLayer::WinLiveTextAccessible> status_;
    struct Key {
        wchar_t letter;
        WinLayer::WinView* target;
    };
    std::vector<Key> keys_;
};

}  // namespace AppLayer
