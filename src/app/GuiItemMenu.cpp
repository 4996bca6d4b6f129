// The item menu's entries, their rules and commands.
#include "app/GuiItemMenu.h"

#include <string>

#include "app/GuiProfile.h"
#include "app/GuiViewBox.h"
#include "raw/RawGdiHandle.h"
#include "raw/RawLabelStore.h"
#include "raw/RawProduct.h"
#include "win/WinPathDialog.h"
#include "win/WinPopupMenu.h"

namespace AppLayer {

using JobLayer::JobCondition;
using JobLayer::JobFileUnit;
using RawLayer::RawString;
using namespace WinLayer;

namespace {

// In command order: entry n is command n + 1.
const RawLayer::RawLocaleRecord kItemMenuLabels[] = {
    {"OpenFolders", "Open selected folders."},
    {"CloseFolders", "Close selected folders."},
    {"OpenRecursively", "Open folders recursively."},
    {"CloseRecursively", "Close folders recursively."},
    {"CheckToItems", "Check mark to items."},
    {"UncheckToItems", "Uncheck mark to items."},
    {"AppendItems", "Append items by dialog."},
    {"ExcludeItems", "Exclude selected items."},
    {"RemoveItems", "Remove selected items."},
    {"OpenByExplorer", "Open by explorer."},
    {nullptr, nullptr},
};
const RawLayer::RawLabelTable kItemMenuTable("ItemMenu", kItemMenuLabels);
// Entries of the owner-drawn menu: this much room around the text.
constexpr int32_t kMenuTextPad = 6;
constexpr UINT kEntryFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

}  // namespace

GuiItemMenu::GuiItemMenu(GuiViewBox& box, JobLayer::JobFileList& list) : box_(box), list_(list) {
    const RawLayer::RawLabelStore::Group menu = RawLayer::RawLabelStore::Instance().RegisterLabels(kItemMenuTable);
    for (uint32_t i = 0; i < kCommands; ++i) texts_[i] = menu.Get(kItemMenuLabels[i].key);
}

GuiItemMenuRules GuiItemMenu::Rules() {
    GuiItemMenuRules rules;
    const WinListBoxRowSet rows = box_.Rows();
    for (int32_t i = 0; i < rows.Count(); ++i) {
        if (!rows.items[i]->IsSelected()) continue;
        const JobFileUnit& unit = box_.RowUnit(i);
        rules.Add(unit.flags, unit.parent == nullptr, unit.Checkable());
    }
    return rules;
}

void GuiItemMenu::Show(POINT point, int32_t row) {
    if (box_.Suspended()) return;
    box_.CloseTip();
    // As in the file manager: a right click off the selection selects the
    // clicked row alone, so that the menu acts on what was clicked.
    if (box_.Rows().IsItem(row) && !box_.IsSelected(row)) box_.SetCursor(row);
    box_.SnapshotSelection();
    const GuiItemMenuRules rules = Rules();
    const bool tree = box_.condition.viewStyle == JobCondition::ViewStyle::TreeView;
    WinPopupMenu menu;
    for (uint32_t command = 1; command <= kCommands; ++command) {
        // The groups: folders, check marks, items, the file manager.
        if (command == 5 || command == 7 || command == 10) menu.BeginGroup();
        const bool enabled = rules.Enabled(static_cast<GuiItemCommand>(command), tree);
        menu.AppendOwnerDrawn(command, enabled ? 0 : MF_DISABLED | MF_GRAYED);
    }
    open_ = true;
    menu.Show(box_, point, static_cast<uint32_t>(box_.Cursor()));
    open_ = false;
}

void GuiItemMenu::OnCommand(uint32_t command, uint32_t tag) {
    if (command < 1 || command > kCommands || box_.Suspended()) return;
    RunCommand(static_cast<GuiItemCommand>(command), static_cast<int32_t>(tag));
}

void GuiItemMenu::RunCommand(GuiItemCommand command, int32_t cursorRow) {
    switch (command) {
        case GuiItemCommand::OpenFolders: return SetFolders(true, false);
        case GuiItemCommand::CloseFolders: return SetFolders(false, false);
        case GuiItemCommand::OpenRecursively: return SetFolders(true, true);
        case GuiItemCommand::CloseRecursively: return SetFolders(false, true);
        case GuiItemCommand::CheckToItems: return SetChecks(true);
        case GuiItemCommand::UncheckToItems: return SetChecks(false);
        case GuiItemCommand::AppendItems: return AppendByDialog();
        case GuiItemCommand::ExcludeItems: return ExcludeOrRemove(false);
        case GuiItemCommand::RemoveItems: return ExcludeOrRemove(true);
        case GuiItemCommand::OpenByExplorer: return box_.OpenWithProgram(cursorRow);
    }
}

void GuiItemMenu::SetFolders(bool open, bool recursive) {
    if (box_.condition.viewStyle != JobCondition::ViewStyle::TreeView) return;
    list_.SetFoldersOpened(box_.SnapshotRows(), open, recursive);
    box_.Refresh();
}

void GuiItemMenu::SetChecks(bool check) {
    list_.SetChecks(box_.SnapshotRows(), check);
    box_.AnnounceChecks();
}

void GuiItemMenu::ExcludeOrRemove(bool remove) {
    const JobLayer::JobFileList::Places rows = box_.SnapshotRows();
    if (!remove) {
        list_.Exclude(rows);
        box_.Refresh();
    } else if (const int32_t first = list_.RemoveNamed(rows); first >= 0) {
        // The rows pointed at the units that went: they are made anew.
        box_.ResetRows();
        // The cursor stays where the user was working, not at the top.
        box_.PlaceCursorNear(first);
    } else {
        box_.Refresh();
    }
    box_.AnnounceChecks();
}

void GuiItemMenu::AppendByDialog() {
    RawString path = lastAppended_;
    bool chosen = false;
    if (choosePath) {
        chosen = choosePath(path);
    } else {
        RawString title(RawLayer::kProductName);
        title.Append(RawString(" - "));
        title.Append(texts_[static_cast<int32_t>(GuiItemCommand::AppendItems) - 1]);
        WinView& top = box_.Parent() ? *box_.Parent() : static_cast<WinView&>(box_);
        RECT ownerRect{};
        if (top.HasWindow()) GetWindowRect(top.Window(), &ownerRect);
        // A file or a folder, but one that is there: it becomes an item.
        chosen = WinPathDialog::Choose(&top, ownerRect, title, path, kPathMustExist | kPathListFiles);
    }
    if (!chosen || path.IsEmpty()) return;
    lastAppended_ = path;
    RawLayer::RawStringList paths;
    paths.Append(path);
    box_.AddAndAnnounce(paths);
}

bool GuiItemMenu::Measure(MEASUREITEMSTRUCT* item) {
    if (item->CtlType != ODT_MENU || item->itemID < 1 || item->itemID > kCommands) return false;
    RawLayer::RawWindowDc dc(box_.Window());
    RawLayer::RawSelectObject select(dc.Dc(), Font());
    const std::wstring text = texts_[item->itemID - 1].ToWide();
    RECT r{0, 0, 0, 0};
    DrawTextW(dc.Dc(), text.data(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    // Room for the check-mark column at the left, as system menus keep it.
    item->itemWidth = static_cast<UINT>(Width(r) + GetSystemMetrics(SM_CXMENUCHECK) + 2 * kMenuTextPad);
    item->itemHeight = static_cast<UINT>(Height(r) + kMenuTextPad);
    return true;
}

bool GuiItemMenu::Draw(DRAWITEMSTRUCT* item) {
    if (item->CtlType != ODT_MENU || item->itemID < 1 || item->itemID > kCommands) return false;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    const bool grayed = (item->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    box_.FillSolid(item->hDC, item->rcItem, GetSysColor(selected && !grayed ? COLOR_HIGHLIGHT : COLOR_MENU));
    const RawLayer::RawTextColourScope colour(
        item->hDC, GetSysColor(grayed ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    RawLayer::RawSelectObject select(item->hDC, Font());
    RECT text = item->rcItem;
    text.left += GetSystemMetrics(SM_CXMENUCHECK) + kMenuTextPad;
    const std::wstring wide = texts_[item->itemID - 1].ToWide();
    DrawTextW(item->hDC, wide.data(), static_cast<int>(wide.size()), &text, kEntryFlags);
    return true;
}

HFONT GuiItemMenu::Font() {
    const HFONT menu = GuiProfile::Instance().FontRecord(GuiFontKind::Menu).Handle();
    return menu ? menu : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace AppLayer
