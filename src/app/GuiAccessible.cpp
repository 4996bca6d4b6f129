// The main dialog's accessibility sources, access keys and help key.
#include "app/GuiAccessible.h"

#include <oleacc.h>

#include <algorithm>
#include <cwctype>
#include <utility>

#include "app/GuiMainDialog.h"
#include "app/GuiViewBox.h"
#include "app/GuiViewNotice.h"
#include "raw/RawLabelStore.h"
#include "win/WinListBoxRows.h"
#include "win/WinViewHook.h"

namespace AppLayer {

using JobLayer::JobConflict;
using JobLayer::JobFileUnit;
using RawLayer::RawString;
using namespace WinLayer;

namespace {

const RawLayer::RawLocaleRecord kAccessibleLabels[] = {
    {"RowName", "%1 to %2"},
    {"Renamed", "Renamed."},
    {"Check", "Check (V)"},
    {"Uncheck", "Uncheck (V)"},
    {"Items", "Items"},
    {"OldHints", "Old name hints"},
    {"NewHints", "New name hints"},
    {"Press", "Press"},
    {"Choose", "Choose"},
    {nullptr, nullptr},
};
const RawLayer::RawLabelTable kAccessibleTable("Accessible", kAccessibleLabels);

// One letter each; a language whose labels have no such letter shows it
// after the label, as "(O)".
const RawLayer::RawLocaleRecord kAccessKeyLabels[] = {
    {"OldName", "O"}, {"NewName", "N"}, {"Limitation", "L"}, {"ViewStyle", "V"},
    {"Start", "S"},   {"Reload", "R"},  {"Clear", "C"},      {nullptr, nullptr},
};
const RawLayer::RawLabelTable kAccessKeyTable("AccessKeys", kAccessKeyLabels);

// A label before a control as the control's name: without its access-key
// marks and the colon that leads to the control.
RawString NameOfLabel(const RawString& label) {
    std::wstring text = AccessibleName(label).ToWide();
    while (!text.empty() && (text.back() == L':' || text.back() == L'\uFF1A' || text.back() == L' ')) text.pop_back();
    return RawString::FromWide(text.c_str());
}

RawString Label(const char* key) { return RawLayer::RawLabelStore::Instance().RegisterLabels(kAccessibleTable).Get(key); }

}  // namespace

// ---------------------------------------------------------------- view box

GuiViewBoxAccessible::GuiViewBoxAccessible(GuiViewBox& box)
    : WinListAccessible(box),
      box_(box),
      rowPattern_(Label("RowName")),
      renamed_(Label("Renamed")),
      check_(Label("Check")),
      uncheck_(Label("Uncheck")) {
    listName = Label("Items");
    // The column titles as the header row shows them.
    RawLayer::RawLabelStore& store = RawLayer::RawLabelStore::Instance();
    headerName_ = FilledLabel(rowPattern_, store.GetLabel(RawString("ListLabels"), RawString("OldNameTag")),
                              store.GetLabel(RawString("ListLabels"), RawString("NewNameTag")));
}

bool GuiViewBoxAccessible::RowsReadable() { return !box_.Suspended(); }

RawString GuiViewBoxAccessible::Name(int32_t child) {
    if (child == CHILDID_SELF && box_.Suspended()) return box_.Progress();
    return WinListAccessible::Name(child);
}

RawString GuiViewBoxAccessible::RowName(int32_t row) {
    if (row == kHeaderRow) return headerName_;
    const JobFileUnit* unit = box_.DataAt(row);
    if (!unit) return {};
    if (!unit->Has(JobFileUnit::Matched) || unit->newName.IsEmpty()) return unit->name;
    return FilledLabel(rowPattern_, unit->name, unit->newName);
}

RawString GuiViewBoxAccessible::RowDescription(int32_t row) {
    const JobFileUnit* unit = box_.DataAt(row);
    if (!unit) return {};
    if (unit->Has(JobFileUnit::RenameFailed)) return box_.failureOf ? box_.failureOf(*unit) : RawString();
    if (unit->Has(JobFileUnit::RenameSucceeded)) return renamed_;
    if (box_.predictor) return ConflictText(box_.predictor->ConflictOf(*unit), unit->newName);
    return {};
}

uint32_t GuiViewBoxAccessible::RowState(int32_t row) {
    const JobFileUnit* unit = box_.DataAt(row);
    if (!unit) return 0;
    uint32_t state = unit->Has(JobFileUnit::Checked) ? STATE_SYSTEM_CHECKED : 0;
    if (unit->Has(JobFileUnit::Folder) && box_.condition.viewStyle == JobLayer::JobCondition::ViewStyle::TreeView)
        state |= unit->Has(JobFileUnit::Opened) ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
    return state;
}

RawString GuiViewBoxAccessible::RowDefaultAction(int32_t row) {
    const JobFileUnit* unit = box_.DataAt(row);
    // Only a row with a new name has a check mark to give or take.
    if (!unit || !unit->Has(JobFileUnit::Matched) || unit->newName.IsEmpty()) return {};
    return unit->Has(JobFileUnit::Checked) ? uncheck_ : check_;
}

bool GuiViewBoxAccessible::DoRowDefaultAction(int32_t row) {
    if (RowDefaultAction(row).IsEmpty()) return false;
    box_.ClickCheckBox(row);
    return true;
}

void GuiViewBoxAccessible::ChecksChanged() {
    const int32_t cursor = box_.Cursor();
    if (box_.Rows().IsItem(cursor)) CheckChanged(cursor);
    // The selection's stretch, the rows a click with the selection changes.
    const int32_t count = box_.ItemCount();
    for (int32_t row = std::max(0, box_.selection.low); row <= box_.selection.high && row < count; ++row)
        if (row != cursor && box_.IsSelected(row)) CheckChanged(row);
}

void GuiViewBoxAccessible::OpenItemMenu() {
    RECT r{};
    const int32_t cursor = box_.Cursor();
    if (!ChildRect(ChildOfRow(cursor), r)) r = box_.view;
    // The menu's corner below the row's start, where the pointer would be.
    POINT at{std::max<LONG>(r.left, box_.view.left) + box_.RowHeight(), std::min<LONG>(r.bottom, box_.view.bottom)};
    at = LayoutPoint(at, box_.logicalWidth, box_.client.cx);
    box_.OnContextMenu(at, box_.Rows().IsItem(cursor) ? cursor : kNoRow);
}

int32_t GuiViewBoxAccessible::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Shift+F10 and the context-menu key, as in every list of the system.
            if (wParam == VK_APPS || (wParam == VK_F10 && shift)) {
                OpenItemMenu();
                return 0;
            }
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            // The key's release would otherwise raise WM_CONTEXTMENU a second time.
            if (wParam == VK_APPS || (wParam == VK_F10 && shift)) return 0;
            break;
        case WM_CONTEXTMENU:
            if (lParam == -1) {
                OpenItemMenu();
                return 0;
            }
            break;
        default:
            break;
    }
    return WinListAccessible::HandleMessage(message, wParam, lParam);
}

// ---------------------------------------------------------------- the dialog

// Alt and a letter, and F1, wherever the focus is in the dialog.
class GuiMainAccessible::KeyHook : public WinViewHook {
public:
    KeyHook(WinView& view, GuiMainAccessible& owner) : WinViewHook(view), owner_(owner) {}
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
        if ((message == WM_SETTINGCHANGE || message == WM_SYSCOLORCHANGE) && View() == &owner_.parts_.owner) {
            // High contrast on or off, or its colours changed: everything anew.
            RefreshHighContrast();
            if (View()->HasWindow()) RedrawWindow(View()->Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            return kNotHandled;
        }
        if (message == WM_SYSCHAR && owner_.OnAccessKey(static_cast<wchar_t>(wParam))) return 0;
        if (message == WM_KEYDOWN && wParam == VK_F1 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_SHIFT) >= 0 &&
            owner_.openHelp) {
            owner_.openHelp();
            return 0;
        }
        return kNotHandled;
    }

private:
    GuiMainAccessible& owner_;
};

GuiMainAccessible::GuiMainAccessible(GuiMainDialogParts& parts) : parts_(parts) {
    const RawString press = Label("Press"), choose = Label("Choose");
    auto edit = [&](WinEditBox& box, WinView& label) {
        sources_.push_back(std::make_unique<WinEditAccessible>(box, NameOfLabel(label.GetText())));
    };
    auto button = [&](WinButton& b, const RawString& name) {
        auto source = std::make_unique<WinButtonAccessible>(b, name);
        source->action = press;
        sources_.push_back(std::move(source));
    };
    auto selector = [&](WinRadioButtonBody& s, WinView& label) {
        auto source = std::make_unique<WinSelectorAccessible>(s, NameOfLabel(label.GetText()));
        source->action = choose;
        sources_.push_back(std::move(source));
    };
    edit(parts.oldBox, parts.oldLabel);
    button(parts.oldHint, Label("OldHints"));
    edit(parts.newBox, parts.newLabel);
    button(parts.newHint, Label("NewHints"));
    selector(parts.limitationSelector, parts.limitationLabel);
    selector(parts.styleSelector, parts.styleLabel);
    button(parts.start, {});
    button(parts.reload, {});
    button(parts.clear, {});
    viewBox_ = std::make_unique<GuiViewBoxAccessible>(parts.viewBox);
    status_ = std::make_unique<WinLiveTextAccessible>(parts.status);

    keys_ = {{LetterOf("OldName"), &parts.oldBox},        {LetterOf("NewName"), &parts.newBox},
             {LetterOf("Limitation"), &parts.limitationSelector}, {LetterOf("ViewStyle"), &parts.styleSelector},
             {LetterOf("Start"), &parts.start},            {LetterOf("Reload"), &parts.reload},
             {LetterOf("Clear"), &parts.clear}};
    const char* shortcutKeys[] = {"OldName", "NewName", "Limitation", "ViewStyle", "Start", "Reload", "Clear"};
    WinView* shortcutOwners[] = {&parts.oldBox,   &parts.newBox, &parts.limitationSelector, &parts.styleSelector,
                                 &parts.start,    &parts.reload, &parts.clear};
    for (size_t i = 0; i < std::size(shortcutKeys); ++i) {
        if (WinAccessibleSource* source = shortcutOwners[i]->AccessibleSource()) {
            const wchar_t alt[] = {L'A', L'l', L't', L'+', LetterOf(shortcutKeys[i]), 0};
            source->shortcut = RawString::FromWide(alt);
        }
    }
    for (int32_t i = 0; i < kGuiChildCount; ++i)
        keyHooks_.push_back(std::make_unique<KeyHook>(parts.Child(static_cast<GuiChild>(i)), *this));
    keyHooks_.push_back(std::make_unique<KeyHook>(parts.owner, *this));
}

GuiMainAccessible::~GuiMainAccessible() = default;

RawString MarkAccessKey(const RawString& label, wchar_t letter) {
    const std::wstring text = label.ToWide();
    std::wstring marked;
    bool placed = letter == 0;
    for (const wchar_t c : text) {
        if (!placed && std::towupper(c) == letter) {
            marked.push_back(L'&');
            placed = true;
        }
        if (c == L'&') marked.push_back(L'&');
        marked.push_back(c);
    }
    if (!placed) {
        // After the text, before a closing colon: "元の名前(&O):".
        const size_t colon = !marked.empty() && (marked.back() == L':' || marked.back() == L'\uFF1A') ? marked.size() - 1
                                                                                                        : marked.size();
        marked.insert(colon, std::wstring(L"(&") + letter + L")");
    }
    return RawString::FromWide(marked.c_str());
}

void GuiMainAccessible::MarkLabels(GuiMainDialogParts& parts) {
    const std::pair<WinView*, const char*> marked[] = {
        {&parts.oldLabel, "OldName"}, {&parts.newLabel, "NewName"}, {&parts.limitationLabel, "Limitation"},
        {&parts.styleLabel, "ViewStyle"}, {&parts.start, "Start"}, {&parts.reload, "Reload"},
        {&parts.clear, "Clear"}};
    for (const auto& [view, key] : marked) {
        view->SetText(MarkAccessKey(view->GetText(), LetterOf(key)));
        view->options |= kTextAccessKey;
    }
}

wchar_t GuiMainAccessible::LetterOf(const char* key) {
    const std::wstring text = RawLayer::RawLabelStore::Instance().RegisterLabels(kAccessKeyTable).Get(key).ToWide();
    return text.empty() ? 0 : static_cast<wchar_t>(std::towupper(text[0]));
}

void GuiMainAccessible::StatusChanged() { status_->TextChanged(); }

bool GuiMainAccessible::OnAccessKey(wchar_t character) {
    const wchar_t letter = static_cast<wchar_t>(std::towupper(character));
    for (const Key& key : keys_) {
        if (key.letter != letter || !key.target->HasWindow()) continue;
        const HWND window = key.target->Window();
        if (!IsWindowEnabled(window) || !IsWindowVisible(window)) return true;
        SetFocus(window);
        // A button's letter presses it, as in every dialog of the system.
        if (dynamic_cast<WinButton*>(key.target))
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(key.target->ControlId(), 0), 0);
        return true;
    }
    return false;
}

}  // namespace AppLayer
