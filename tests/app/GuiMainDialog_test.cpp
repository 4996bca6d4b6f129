// The main dialog on a real temporary tree under a display: passes, selectors,
// check marks, "Clear !", "Reload !", dropped files, the saved rectangle and
// the rename run.
#include "app/GuiMainDialog.h"

#include <algorithm>
#include <memory>
#include <vector>
#include <stdexcept>
#include <string>
#include <thread>

#include "GuiTestOptions.h"
#include "StopTestSupport.h"
#include "app/GuiStarterHints.h"
#include "TestSupport.h"
#include "job/JobOption.h"
#include "raw/RawParameterFile.h"
#include "win/WinRadioButton.h"
#include "win/WinTestInput.h"
#include "win/WinTestShot.h"

using namespace AppLayer;
using namespace TestSupport;
using JobLayer::JobCondition;
using JobLayer::JobFileUnit;
using JobLayer::JobOption;
using RawLayer::RawString;
using WinTest::PumpUntil;
using WinLayer::Height;
using WinLayer::Width;

namespace {

class MainDialogTest : public TempDirTest {
protected:
    void SetUp() override {
        data = temp.Join(L"data");
        for (const wchar_t* f : {L"a.txt", L"b.txt", L"c.doc", L"sub\\d.txt", L"sub\\e.doc"}) File(f);
        UseWindowTestOptions(data, temp.Join(L"gui.ini"));
    }
    void TearDown() override {
        dialog.reset();
        JobOption::Instance().Reset();
    }
    void File(const std::wstring& relative) { ASSERT_TRUE(PutFile(data + L"\\" + relative, "x")); }
    GuiMainDialogParts& Open() {
        dialog = std::make_unique<GuiMainDialog>();
        dialog->Prepare();
        EXPECT_TRUE(dialog->Create());
        EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(dialog->Window()) != 0; }));
        return dialog->Parts();
    }
    // The unit of the row with this name; the test ends when there is none.
    JobFileUnit& Unit(const char* name) {
        const int32_t r = Row(name);
        if (r < 0) throw std::runtime_error(std::string("no row ") + name);
        return dialog->Parts().viewBox.RowUnit(r);
    }
    // The shown rows' names, in order.
    std::string Rows() {
        std::string out;
        GuiViewBox& view = dialog->Parts().viewBox;
        for (int32_t r = 0; r < view.RowCount(); ++r)
            if (view.RowShown(r)) out += view.RowUnit(r).name.ToUtf8() + " ";
        return out;
    }
    int32_t Row(const char* name) {
        GuiViewBox& view = dialog->Parts().viewBox;
        for (int32_t r = 0; r < view.RowCount(); ++r)
            if (view.RowShown(r) && view.RowUnit(r).name.ToUtf8() == name) return r;
        return -1;
    }
    // A click on a selector's segment, as the pointer makes it.
    void ClickSegment(WinLayer::WinSelectorButton& selector, int32_t index) {
        RECT client;
        GetClientRect(selector.Window(), &client);
        const RECT segment = WinLayer::SegmentRect(client, index, selector.Count());
        const LPARAM at = MAKELPARAM((segment.left + segment.right) / 2, (segment.top + segment.bottom) / 2);
        SendMessageW(selector.Window(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(selector.Window(), WM_LBUTTONUP, 0, at);
    }
    bool Enabled(WinLayer::WinView& view) { return IsWindowEnabled(view.Window()) != 0; }
    // Real Tab presses until the view has the focus; false when it never comes.
    bool TabTo(WinLayer::WinView& view) {
        for (int i = 0; i < 20 && GetFocus() != view.Window(); ++i) {
            const HWND before = GetFocus();
            WinTest::PressKey(VK_TAB);
            if (!PumpUntil([&] { return GetFocus() != before; })) return false;
        }
        return GetFocus() == view.Window();
    }
    // Keys reach a control: an enabled child of the window has the focus, and
    // Tab and typing land in the Old name box.
    void ExpectKeysLand(const wchar_t* typed) {
        ASSERT_TRUE(PumpUntil([&] {
            const HWND focus = GetFocus();
            return focus && IsChild(dialog->Window(), focus) && IsWindowEnabled(focus);
        }));
        GuiMainDialogParts& p = dialog->Parts();
        ASSERT_TRUE(TabTo(p.oldBox));
        WinTest::TypeUnicode(typed);
        ASSERT_TRUE(PumpUntil([&] { return p.oldBox.GetText().ToWide() == typed; })) << p.oldBox.GetText().ToUtf8();
    }

    std::wstring data;
    std::unique_ptr<GuiMainDialog> dialog;
};

}  // namespace

TEST_F(MainDialogTest, SelectorsRunAPassAndChooseWhatIsShown) {
    GuiMainDialogParts& p = Open();
    ASSERT_EQ(p.limitationSelector.Count(), 4);
    EXPECT_EQ(p.limitationSelector.Item(3).label.ToUtf8(), "Folder&File");
    EXPECT_EQ(p.limitationSelector.Value(), static_cast<int32_t>(JobCondition::Limitation::File));
    ClickSegment(p.styleSelector, 1);
    ASSERT_TRUE(PumpUntil([&] { return Rows() == "a.txt b.txt d.txt "; })) << Rows();
    // A path font larger than the names' makes the rows taller: both texts whole.
    const int32_t plain = p.viewBox.RowHeight();
    p.viewBox.ApplyListFont(GuiProfile::Instance().FontRecord(GuiFontKind::List).Handle(), 200);
    EXPECT_GT(p.viewBox.RowHeight(), plain);
    PumpUntil([&] { return !GetUpdateRect(p.viewBox.Window(), nullptr, FALSE); });
    WinTest::SaveWindowShot(dialog->Window(), ModuleFolder() + L"\\shot_matched_list.bmp");
    p.viewBox.ApplyListFont(GuiProfile::Instance().FontRecord(GuiFontKind::List).Handle(), 80);
    p.oldBox.SetText("*.none");
    p.Dispatch(&p.oldBox, WinLayer::kNotifyExecute);
    EXPECT_EQ(Rows(), "");  // only the header is left
    p.styleSelector.SelectValue(static_cast<int32_t>(JobCondition::ViewStyle::TreeView));
    p.oldBox.SetText("*");
    ClickSegment(p.limitationSelector, 1);  // Folder: files hidden by default
    ASSERT_TRUE(PumpUntil([&] { return Rows() == "data sub "; })) << Rows();
    EXPECT_EQ(Unit("sub").newName.ToUtf8(), "x_sub");
}

TEST_F(MainDialogTest, CheckMarks) {
    JobOption::Instance().flags |= JobOption::CheckMarkBySelection;
    GuiMainDialogParts& p = Open();
    GuiViewBox& view = p.viewBox;
    const int32_t c = Row("c.doc");
    ASSERT_GE(c, 0);
    view.ClickCheckBox(c);  // unmatched: nothing
    EXPECT_FALSE(view.RowUnit(c).Has(JobFileUnit::Checked));

    p.oldBox.SetText("*");
    p.RefreshSolutions();
    const int32_t a = Row("a.txt"), b = Row("b.txt");
    for (int32_t r : {a, b, c}) view.SetSelected(r, true);
    view.RowUnit(b).Clear(JobFileUnit::Checked);
    view.ClickCheckBox(a);  // a was checked: all three become unchecked
    for (int32_t r : {a, b, c}) EXPECT_FALSE(view.RowUnit(r).Has(JobFileUnit::Checked)) << r;
    view.ClickCheckBox(b);
    for (int32_t r : {a, b, c}) EXPECT_TRUE(view.RowUnit(r).Has(JobFileUnit::Checked)) << r;
    const int32_t d = Row("sub");
    view.ClickCheckBox(d);  // not selected: only itself
    EXPECT_TRUE(view.RowUnit(a).Has(JobFileUnit::Checked));
    EXPECT_TRUE(Enabled(p.start));
}

TEST_F(MainDialogTest, ClicksOnCheckBoxAndImageAndTheKeysVAndO) {
    GuiMainDialogParts& p = Open();
    GuiViewBox& view = p.viewBox;
    const int32_t h = view.RowHeight();
    // The middle of a row's image (zone 2), as the pointer gives it; for the
    // check box, see the real clicks of AnUncheckedRowStays....
    auto at = [&](const char* name) {
        const int32_t r = Row(name);
        const int32_t x = view.view.left + view.RowUnit(r).depth * h + h + 2 + (h - 3) / 2;
        return MAKELPARAM(x, view.view.top + view.ItemAt(r)->rect.top - view.scroll.y + h / 2);
    };
    const bool open = Rows().find("d.txt") != std::string::npos;
    SendMessageW(view.Window(), WM_LBUTTONDOWN, MK_LBUTTON, at("sub"));
    EXPECT_EQ(Rows().find("d.txt") != std::string::npos, !open) << Rows();
    EXPECT_FALSE(view.IsSelected(Row("sub")));  // the image click leaves the selection
    view.SetCursor(Row("a.txt"));
    SendMessageW(view.Window(), WM_KEYDOWN, 'V', 0);
    EXPECT_FALSE(Unit("a.txt").Has(JobFileUnit::Checked));
    view.SetCursor(Row("sub"));
    SendMessageW(view.Window(), WM_KEYDOWN, 'O', 0);
    EXPECT_EQ(Rows().find("d.txt") != std::string::npos, open) << Rows();
}

TEST_F(MainDialogTest, AnUncheckedRowStaysUncheckedThroughPassesReloadAndTheRun) {
    GuiMainDialogParts& p = Open();
    GuiViewBox& view = p.viewBox;
    SetForegroundWindow(dialog->Window());
    const int32_t h = view.RowHeight();
    auto click = [&](WinLayer::WinView& target, POINT client) {
        WinTest::ClickAt(WinTest::ScreenPoint(target.Window(), client));
    };
    auto rowPoint = [&](const char* name, int32_t x) {
        const int32_t r = Row(name);
        return POINT{view.view.left + x, view.view.top + view.ItemAt(r)->rect.top - view.scroll.y + h / 2};
    };
    const int32_t a = Row("a.txt");
    ASSERT_GE(a, 0);
    click(view, rowPoint("a.txt", view.RowUnit(a).depth * h + 2 + (h - 3) / 2));
    ASSERT_TRUE(PumpUntil([&] { return !Unit("a.txt").Has(JobFileUnit::Checked); }));
    const int32_t passes = p.condition.generation;
    // Into the Old name box and back into the list: the focus leaves the box.
    click(p.oldBox, {5, 5});
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == p.oldBox.Window(); }));
    click(view, rowPoint("b.txt", view.Columns().first + 10));
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == view.Window(); }));
    // Leaving the box with the text the last pass took asks for no pass.
    EXPECT_EQ(p.condition.generation, passes);
    click(p.oldBox, {5, 5});
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == p.oldBox.Window(); }));
    const int32_t afterFocus = p.condition.generation;
    WinTest::PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return p.condition.generation > afterFocus; }));
    EXPECT_FALSE(Unit("a.txt").Has(JobFileUnit::Checked));
    const int32_t beforeReload = p.condition.generation;
    click(p.reload, {5, 5});
    ASSERT_TRUE(PumpUntil([&] { return p.condition.generation > beforeReload; }));
    EXPECT_FALSE(Unit("a.txt").Has(JobFileUnit::Checked));
    EXPECT_TRUE(Unit("b.txt").Has(JobFileUnit::Checked));
    click(p.start, {5, 5});
    ASSERT_TRUE(PumpUntil([&] { return FileExists(data + L"\\x_b"); }));
    EXPECT_TRUE(FileExists(data + L"\\a.txt"));
    EXPECT_FALSE(FileExists(data + L"\\x_a"));
    // A new rule is a new proposal: the default check mark again.
    p.newBox.SetText("y_%0");
    p.Dispatch(&p.newBox, WinLayer::kNotifyExecute);
    EXPECT_TRUE(Unit("a.txt").Has(JobFileUnit::Checked));
}

TEST_F(MainDialogTest, TypingWaitsForEnterAndRowsShowOnlyWhatARunWouldDo) {
    GuiMainDialogParts& p = Open();
    SetForegroundWindow(dialog->Window());
    SetFocus(p.newBox.Window());
    SendMessageW(p.newBox.Window(), EM_SETSEL, 0, -1);
    WinTest::PressKey(VK_DELETE);
    WinTest::PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return p.newBox.GetText().IsEmpty(); }));
    EXPECT_EQ(Unit("a.txt").newName.ToUtf8(), "x_a");  // typed, not evaluated
    WinTest::PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return Unit("a.txt").newName.IsEmpty(); }));
    EXPECT_TRUE(IsWindow(dialog->Window()));  // Esc went before Enter and closed nothing
    EXPECT_TRUE(Unit("b.txt").Has(JobFileUnit::Matched) && !Unit("b.txt").Has(JobFileUnit::Checked));
    EXPECT_FALSE(Enabled(p.start));
    p.newBox.SetText("x_%0");
    p.oldBox.SetText("a*");
    p.Dispatch(&p.oldBox, WinLayer::kNotifyExecute);
    EXPECT_EQ(Unit("a.txt").newName.ToUtf8(), "x_.txt");
    EXPECT_TRUE(Unit("b.txt").newName.IsEmpty());  // no longer matched
    // Excluded: out of the rule at once, before any pass.
    p.viewBox.SetSelected(Row("a.txt"), true);
    p.viewBox.SnapshotSelection();
    p.viewBox.ItemMenu().RunCommand(GuiItemCommand::ExcludeItems, Row("a.txt"));
    EXPECT_TRUE(!Unit("a.txt").Has(JobFileUnit::Matched | JobFileUnit::Checked) && Unit("a.txt").newName.IsEmpty());
}

TEST_F(MainDialogTest, PredictedConflictsWarnUntilTheRunShowsTheOutcome) {
    File(L"x_a");  // a.txt's new name is taken and stays
    JobOption::Instance().flags |= JobOption::ViewTip;
    GuiMainDialogParts& p = Open();
    GuiViewBox& view = p.viewBox;
    const int32_t a = Row("a.txt"), b = Row("b.txt");
    ASSERT_GE(a, 0);
    EXPECT_EQ(view.RowColour(a), kConflictColour);
    EXPECT_EQ(view.RowColour(b), GetSysColor(COLOR_WINDOW));
    EXPECT_TRUE(Enabled(p.start));  // a conflict does not stop the run
    EXPECT_EQ(p.status.GetText().ToUtf8(), "3 to rename, 1 conflicts");
    // The pointer resting over the old name shows a tip that tells why; moving on takes it away.
    const RECT row = view.ItemAt(a)->rect;
    const POINT at{view.view.left + view.Columns().first - 4, view.view.top + row.top - view.scroll.y + 1};
    const POINT screen = WinTest::ScreenPoint(view.Window(), at);
    WinTest::MoveTo(screen);
    ASSERT_TRUE(PumpUntil([&] { return !view.ShownTip().IsEmpty(); }));
    const std::string tip = view.ShownTip().ToUtf8();
    EXPECT_NE(tip.find("a.txt"), std::string::npos) << tip;
    EXPECT_NE(tip.find(p.predictor.ReasonOf(view.RowUnit(a)).ToUtf8()), std::string::npos) << tip;
    WinTest::MoveTo({screen.x - 40, screen.y});
    ASSERT_TRUE(PumpUntil([&] { return view.ShownTip().IsEmpty(); }));

    view.ClickCheckBox(a);  // not renamed: nothing to fail
    EXPECT_EQ(view.RowColour(a), GetSysColor(COLOR_WINDOW));
    view.ClickCheckBox(a);
    EXPECT_EQ(view.RowColour(a), kConflictColour);
    p.Dispatch(&p.start, kStartRun);
    EXPECT_TRUE(Unit("a.txt").Has(JobFileUnit::RenameFailed));
    EXPECT_EQ(view.RowColour(Row("a.txt")), kFailedColour);
    EXPECT_EQ(p.status.GetText().ToUtf8(), "2 renamed, 1 failed");
    // The red row's tip tells what the run met.
    const std::string failedTip = view.TipAt(at).ToUtf8();
    EXPECT_GT(failedTip.find("\r\n"), failedTip.find("a.txt")) << failedTip;
    EXPECT_EQ(view.RowColour(Row("x_b")), kSucceededColour);
    // All three marks at once: c.doc's new name is taken too, and the outcomes stay.
    p.oldBox.SetText("*.doc");
    p.newBox.SetText("x_a");
    p.Dispatch(&p.oldBox, WinLayer::kNotifyExecute);
    EXPECT_EQ(view.RowColour(Row("c.doc")), kConflictColour);
    EXPECT_EQ(view.RowColour(Row("a.txt")), kFailedColour);
    UpdateWindow(dialog->Window());
    WinTest::SaveWindowShot(dialog->Window(), ModuleFolder() + L"\\shot_marks.bmp");
}

// The view's one line, read from its window text, and kept as pictures.
TEST_F(MainDialogTest, EmptyViewSaysHowToAddItemsOrWhyNothingMatches) {
    JobOption& option = JobOption::Instance();
    option.items.Clear();
    Open();
    const auto line = [&] {
        wchar_t text[256] = {};
        GetWindowTextW(dialog->Parts().viewBox.Window(), text, 256);
        return Narrow(text);
    };
    EXPECT_EQ(line(), "Drop folders and files here, or use the item menu.");
    UpdateWindow(dialog->Window());
    WinTest::SaveWindowShot(dialog->Window(), ModuleFolder() + L"\\shot_empty.bmp");

    option.items.Append(Raw(data));
    option.oldName = "IMG_*.jpg";
    option.newName = "Photo_%0.jpg";
    option.limitation = "Dropped";
    Open();
    EXPECT_EQ(line(), "The pattern is tried on the named items themselves; choose File, Folder or Folder&File to "
                      "rename what is inside them.");
    UpdateWindow(dialog->Window());
    WinTest::SaveWindowShot(dialog->Window(), ModuleFolder() + L"\\shot_no_match.bmp");
}

// The first start's hint lists in the GUI profile: a button without a list is
// disabled; a hint chosen from the real menu, by keys, fills its box and
// evaluates, and the menu shows the notes.
TEST_F(MainDialogTest, StarterHintsFromTheRealMenu) {
    GuiMainDialogParts& p = Open();
    EXPECT_FALSE(Enabled(p.oldHint));
    EXPECT_FALSE(Enabled(p.newHint));
    RawLayer::RawParameterFile profile(Raw(temp.Join(L"gui.ini")));
    ASSERT_TRUE(WriteStarterHints(profile));
    GuiMainDialogParts& q = Open();
    ASSERT_TRUE(Enabled(q.oldHint) && Enabled(q.newHint));
    SetForegroundWindow(dialog->Window());
    SetFocus(q.newHint.Window());
    WinTest::PressKey(VK_SPACE);
    WinTest::PressKey(VK_DOWN);
    WinTest::PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return q.newBox.GetText().ToUtf8() == "%0"; })) << q.newBox.GetText().ToUtf8();
    ASSERT_TRUE(PumpUntil([&] { return Unit("a.txt").newName.ToUtf8() == "a"; })) << Unit("a.txt").newName.ToUtf8();
    wchar_t first[64] = {};
    GetMenuStringW(q.newHint.Menu().Handle(), 0, first, 64, MF_BYPOSITION);
    EXPECT_EQ(Narrow(first), "%0 (the first part)");
}

TEST(ItemMenuRules, EnabledEntriesFollowTheSelection) {
    using C = GuiItemCommand;
    constexpr uint16_t kFolder = JobFileUnit::Folder, kOpened = JobFileUnit::Opened;
    constexpr uint16_t kChecked = JobFileUnit::Matched | JobFileUnit::Checked, kUnchecked = JobFileUnit::Matched;
    struct Pick {
        uint16_t flags;
        bool named;
        bool checkable;
    };
    struct Case {
        const char* what;
        std::vector<Pick> picks;
        bool tree;
        std::vector<C> enabled;  // every other entry is disabled
    };
    const Case cases[] = {
        {"nothing selected", {}, true, {C::AppendItems}},
        {"a closed named folder", {{kFolder, true, false}}, true,
         {C::OpenFolders, C::OpenRecursively, C::CloseRecursively, C::AppendItems, C::ExcludeItems, C::RemoveItems,
          C::OpenByExplorer}},
        {"the same in the matched list", {{kFolder, true, false}}, false,
         {C::AppendItems, C::ExcludeItems, C::RemoveItems, C::OpenByExplorer}},
        {"an opened folder's children, one checked", {{kFolder | kOpened, false, false}, {kChecked, false, true}}, true,
         {C::CloseFolders, C::OpenRecursively, C::CloseRecursively, C::UncheckToItems, C::AppendItems,
          C::ExcludeItems}},
        {"unchecked with a new name, and matched without one", {{kUnchecked, false, true}, {kChecked, false, false}},
         true, {C::CheckToItems, C::AppendItems, C::ExcludeItems}},
        {"a stale mark on an unmatched unit", {{JobFileUnit::Checked, true, false}}, true,
         {C::AppendItems, C::ExcludeItems, C::RemoveItems, C::OpenByExplorer}},
    };
    for (const Case& c : cases) {
        GuiItemMenuRules rules;
        for (const Pick& pick : c.picks) rules.Add(pick.flags, pick.named, pick.checkable);
        for (uint32_t command = 1; command <= 10; ++command) {
            const bool expected = std::find(c.enabled.begin(), c.enabled.end(), static_cast<C>(command)) != c.enabled.end();
            EXPECT_EQ(rules.Enabled(static_cast<C>(command), c.tree), expected) << c.what << ", command " << command;
        }
    }
}

TEST_F(MainDialogTest, ItemMenuShowsTheRulesAtTheClickedRow) {
    GuiMainDialogParts& p = Open();
    GuiViewBox& view = p.viewBox;
    const int32_t a = Row("a.txt");
    ASSERT_GE(a, 0);
    view.SetCursor(Row("b.txt"));
    // The menu runs its own loop inside the right click; a timer there reads
    // its entries and closes it.
    static std::vector<UINT> states;
    states.clear();
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        const HWND menuWindow = FindWindowW(L"#32768", nullptr);
        if (!menuWindow || !IsWindowVisible(menuWindow)) return;
        KillTimer(nullptr, id);
        const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        for (UINT command = 1; command <= 10; ++command) states.push_back(GetMenuState(menu, command, MF_BYCOMMAND));
        EndMenu();
    });
    const RECT row = view.ItemAt(a)->rect;
    const LPARAM at = MAKELPARAM(view.view.left + view.Columns().first + 10, view.view.top + row.top - view.scroll.y + 2);
    SendMessageW(view.Window(), WM_RBUTTONDOWN, MK_RBUTTON, at);
    EXPECT_TRUE(view.IsSelected(a));  // off the selection: the clicked row alone
    EXPECT_FALSE(view.IsSelected(Row("b.txt")));
    ASSERT_EQ(states.size(), 10u);
    for (UINT command = 1; command <= 10; ++command) {
        // a.txt: a checked child file with a new name.
        const bool enabled = command == 6 || command == 7 || command == 8 || command == 10;
        EXPECT_EQ((states[command - 1] & MF_GRAYED) == 0, enabled) << command;
        EXPECT_TRUE(states[command - 1] & MF_OWNERDRAW) << command;
    }
}

TEST_F(MainDialogTest, ItemMenuCommandsOnARealTree) {
    File(L"sub\\deep\\f.txt");
    GuiMainDialogParts& p = Open();
    GuiViewBox& view = p.viewBox;
    using C = GuiItemCommand;
    auto run = [&](std::initializer_list<const char*> names, C command) {
        for (int32_t r = 0; r < view.RowCount(); ++r) view.SetSelected(r, false);
        for (const char* name : names) view.SetSelected(Row(name), true);
        view.SnapshotSelection();
        view.ItemMenu().RunCommand(command, view.Cursor());
    };
    auto shows = [&](const char* name) { return Row(name) >= 0; };
    run({"sub"}, C::OpenRecursively);
    EXPECT_TRUE(shows("f.txt") && shows("deep")) << Rows();
    run({"sub"}, C::CloseFolders);
    EXPECT_FALSE(shows("d.txt") || shows("f.txt")) << Rows();
    run({"sub"}, C::OpenFolders);  // deep stayed open inside
    EXPECT_TRUE(shows("d.txt") && shows("f.txt")) << Rows();
    run({"sub"}, C::CloseRecursively);
    run({"sub"}, C::OpenFolders);
    EXPECT_TRUE(shows("deep") && !shows("f.txt")) << Rows();

    run({"a.txt", "c.doc"}, C::UncheckToItems);
    EXPECT_FALSE(Unit("a.txt").Has(JobFileUnit::Checked));
    run({"a.txt", "c.doc"}, C::CheckToItems);
    EXPECT_TRUE(Unit("a.txt").Has(JobFileUnit::Checked));
    EXPECT_FALSE(Unit("c.doc").Has(JobFileUnit::Checked));  // unmatched

    run({"sub"}, C::ExcludeItems);
    EXPECT_TRUE(Unit("sub").Has(JobFileUnit::Excluded) && Unit("d.txt").Has(JobFileUnit::Excluded));
    EXPECT_FALSE(Unit("a.txt").Has(JobFileUnit::Excluded));

    run({"a.txt"}, C::RemoveItems);  // not named: stays
    EXPECT_TRUE(shows("a.txt"));

    const std::wstring more = temp.Join(L"more");
    CreateFolder(more);
    ASSERT_TRUE(WriteFileBytes(more + L"\\g.txt", "x"));
    RawString asked;
    view.ItemMenu().choosePath = [&](RawString& path) {
        asked = path;
        path = Raw(more);
        return true;
    };
    run({}, C::AppendItems);
    ASSERT_TRUE(PumpUntil([&] { return shows("more"); })) << Rows();
    run({}, C::AppendItems);
    EXPECT_EQ(asked.ToUtf8(), Raw(more).ToUtf8());  // the last choice comes back
    auto newNameOf = [&](const char* name) {
        for (const JobFileUnit& unit : p.items)
            if (unit.name.ToUtf8() == name) return unit.newName.ToUtf8();
        return std::string("(none)");
    };
    ASSERT_TRUE(PumpUntil([&] { return newNameOf("g.txt") == "x_g"; }));  // a pass ran

    // Without a stand-in the real path dialog asks; the path it is given
    // (as another program hands it over) is added.
    view.ItemMenu().choosePath = nullptr;
    const std::wstring other = temp.Join(L"other.txt");
    ASSERT_TRUE(WriteFileBytes(other, "x"));
    static std::string handOver;
    static ULONGLONG deadline;
    static bool sent, stuck;
    handOver = Raw(other).ToUtf8();
    deadline = GetTickCount64() + WinTest::kDeadlineMs;
    sent = stuck = false;
    // The dialog has a deadline of its own: one that does not end by then is
    // pictured, closed, and fails the test instead of holding it for ever.
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        const HWND chooser = FindWindowW(nullptr, L"Varnelo - Append items by dialog.");
        if (!chooser || !IsWindowVisible(chooser)) return;
        if (GetTickCount64() > deadline) {
            if (!stuck) WinTest::SaveWindowShot(GetDesktopWindow(), ModuleFolder() + L"\\shot_path_dialog_stuck.bmp");
            stuck = true;
            PostMessageW(chooser, WM_CLOSE, 0, 0);
            return;
        }
        if (sent) return;
        sent = true;
        WinTest::SaveWindowShot(chooser, ModuleFolder() + L"\\shot_path_dialog.bmp");
        COPYDATASTRUCT copy{0, static_cast<DWORD>(handOver.size() + 1), handOver.data()};
        SendMessageW(chooser, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
    });
    const HWND focused = GetFocus();
    ASSERT_TRUE(IsChild(dialog->Window(), focused));
    run({}, C::AppendItems);
    KillTimer(nullptr, timer);
    ASSERT_FALSE(stuck) << "the path dialog did not end by the deadline; see shot_path_dialog_stuck.bmp";
    ASSERT_TRUE(PumpUntil([&] { return shows("other.txt"); })) << Rows();
    EXPECT_EQ(GetFocus(), focused);  // the keys go where they went before the dialog

    run({"data"}, C::RemoveItems);
    EXPECT_FALSE(shows("data") || shows("a.txt")) << Rows();
    EXPECT_TRUE(shows("more"));
    EXPECT_EQ(newNameOf("a.txt"), "(none)");  // gone from the item list too
}

// A forbidden character, and a token that cannot be read (unclosed, unknown,
// a width beyond 32), colour the box and disable "Start !"; the ":" of a
// good token does not.
TEST_F(MainDialogTest, ForbiddenCharacterOrBadTokenColoursTheBoxAndDisablesStart) {
    GuiMainDialogParts& p = Open();
    EXPECT_TRUE(Enabled(p.start));
    const std::pair<const char*, bool> cases[] = {
        {"%0:x", true}, {"%0_x", false}, {"%0%{n:3", true}, {"%{n:3}_%0", false}, {"%{x}", true}, {"%{n:33}", true}};
    for (const auto& [templ, bad] : cases) {
        p.newBox.SetText(templ);
        p.Dispatch(&p.newBox, bad ? WinLayer::kNotifyFocusLost : WinLayer::kNotifyExecute);
        EXPECT_EQ(p.newBox.Background(), bad ? kForbiddenColour : GetSysColor(COLOR_WINDOW)) << templ;
        EXPECT_EQ(Enabled(p.start), !bad) << templ;
        if (std::string(templ) == "%{n:3}_%0") { EXPECT_EQ(Unit("b.txt").newName.ToUtf8(), "002_b"); }
    }
}

// A row unchecked by hand keeps the others' numbers, and the run renames
// with the names shown.
TEST_F(MainDialogTest, CounterKeepsItsNumbersWhenARowIsUnchecked) {
    JobOption::Instance().newName = "%{n}_%0";
    GuiMainDialogParts& p = Open();
    EXPECT_EQ(Unit("b.txt").newName.ToUtf8(), "2_b");
    p.viewBox.ClickCheckBox(Row("a.txt"));
    EXPECT_EQ(Unit("b.txt").newName.ToUtf8(), "2_b");
    p.Dispatch(&p.start, kStartRun);
    EXPECT_EQ(TreeNames(data), (std::vector<std::string>{"2_b", "a.txt", "c.doc", "sub\\", "sub\\3_d", "sub\\e.doc"}));
}

TEST_F(MainDialogTest, RunRenamesCheckedItemsAndReloadReadsTheDiskAgain) {
    GuiMainDialogParts& p = Open();
    p.Dispatch(&p.start, kStartRun);
    EXPECT_EQ(TreeNames(data), (std::vector<std::string>{"c.doc", "sub\\", "sub\\e.doc", "sub\\x_d", "x_a", "x_b"}));
    EXPECT_TRUE(Unit("x_a").Has(JobFileUnit::RenameSucceeded));
    EXPECT_FALSE(Enabled(p.start));

    // Changed on disk since: one file gone, one new; the rule is kept.
    ASSERT_TRUE(DeleteFileW((data + L"\\x_b").c_str()));
    File(L"f.txt");
    p.Dispatch(&p.reload, kReload);
    EXPECT_EQ(p.oldBox.GetText().ToUtf8(), "*.txt");
    EXPECT_LT(Row("x_b"), 0);
    ASSERT_GE(Row("f.txt"), 0);
    EXPECT_EQ(Unit("f.txt").newName.ToUtf8(), "x_f");
    EXPECT_FALSE(Unit("x_a").Has(JobFileUnit::RenameSucceeded));
}

TEST_F(MainDialogTest, FolderThatVanishesBeforeTheRunFailsItsItemsOnly) {
    JobOption::Instance().viewStyle = "MatchedList";
    GuiMainDialogParts& p = Open();
    ASSERT_TRUE(RemoveTree(data + L"\\sub"));
    p.Dispatch(&p.start, kStartRun);
    EXPECT_TRUE(Unit("d.txt").Has(JobFileUnit::RenameFailed));
    EXPECT_EQ(TreeNames(data), (std::vector<std::string>{"c.doc", "x_a", "x_b"}));
}

TEST_F(MainDialogTest, DroppedFilesMissingStartPathsAndARefusedApply) {
    JobOption& option = JobOption::Instance();
    option.items.Append(Raw(temp.Join(L"missing")));
    option.flags |= JobOption::Apply;
    option.limitation = "Files";  // not understood: "-a" starts nothing
    GuiMainDialogParts& p = Open();
    EXPECT_EQ(p.items.Count(), 7);  // the tree; the missing path brings nothing but a word
    const std::string notice = p.StatusText(GuiMainDialogParts::StatusPart::Notice).ToUtf8();
    EXPECT_EQ(notice.rfind("Not found: " + Raw(temp.Join(L"missing")).ToUtf8(), 0), 0u) << notice;
    EXPECT_NE(notice.find("The Limitation \"Files\" is not one of Dropped, Folder, File, Both"), std::string::npos)
        << notice;
    PumpUntil([] { return true; });  // what the start posted is dispatched: no run among it
    EXPECT_TRUE(FolderExists(data));
    EXPECT_TRUE(FileExists(data + L"\\a.txt"));
    EXPECT_TRUE(Enabled(p.clear));
    p.Dispatch(&p.clear, kClear);  // empties the list and disables "Start !" and itself
    EXPECT_TRUE(p.items.Count() == 0 && p.viewBox.RowCount() == 0 && !Enabled(p.start) && !Enabled(p.clear));
    const HDROP drop = WinTest::MakeDrop({data + L"\\a.txt"});
    SendMessageW(p.viewBox.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    // Checked: the dropped file was matched and given its new name at once.
    ASSERT_TRUE(PumpUntil([&] { return p.viewBox.RowCount() == 1 && p.viewBox.RowUnit(0).Has(JobFileUnit::Checked); }));
    EXPECT_TRUE(p.viewBox.RowShown(0));
    EXPECT_TRUE(Enabled(p.clear));
}

TEST_F(MainDialogTest, LongPatternLeavesTheWindowResponsive) {
    GuiMainDialogParts& p = Open();
    p.oldBox.SetText(RawString(std::string(10000, '*') + "x"));
    p.Dispatch(&p.oldBox, WinLayer::kNotifyExecute);
    EXPECT_EQ(p.oldBox.GetText().Length(), 10001);
    EXPECT_NE(SendMessageTimeoutW(dialog->Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr), 0);
}

TEST_F(MainDialogTest, EveryControlPaintsItsWholeAreaAfterAResize) {
    GuiMainDialogParts& p = Open();
    const HWND window = dialog->Window();
    // No blinking caret, no hovered button: what is painted stays as it is.
    SetFocus(p.viewBox.Window());
    WinTest::MoveTo({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1});
    auto shot = [&](WinTest::WindowPixels* pixels) {
        return PumpUntil([&] {
            for (int32_t i = 0; i < kGuiChildCount; ++i)
                if (GetUpdateRect(p.Child(static_cast<GuiChild>(i)).Window(), nullptr, FALSE)) return false;
            return !GetUpdateRect(window, nullptr, FALSE);
        }) && WinTest::ReadWindowPixels(window, pixels);
    };
    // What the screen shows of each control must be what it paints when asked
    // to paint all of itself, and no control is mostly black.
    auto paintedWell = [&](const std::wstring& when) {
        WinTest::WindowPixels shown, repainted;
        if (!shot(&shown)) return false;
        WinTest::SaveWindowShot(window, ModuleFolder() + L"\\shot_resize_" + when + L".bmp");
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        if (!shot(&repainted)) return false;
        bool good = true;
        for (int32_t i = 0; i < kGuiChildCount; ++i) {
            RECT r;
            GetWindowRect(p.Child(static_cast<GuiChild>(i)).Window(), &r);
            OffsetRect(&r, -shown.rect.left, -shown.rect.top);
            int32_t stale = 0, black = 0;
            for (int y = r.top; y < r.bottom; ++y) {
                for (int x = r.left; x < r.right; ++x) {
                    stale += shown.At(x, y) != repainted.At(x, y);
                    black += repainted.At(x, y) == 0;
                }
            }
            EXPECT_TRUE(stale == 0 && black * 3 < Width(r) * Height(r)) << i << " " << stale << " " << black;
            good = good && stale == 0;
        }
        return good;
    };
    RECT first;
    GetWindowRect(window, &first);
    EXPECT_TRUE(paintedWell(L"first"));
    // At the top left, so that the grown window stays on the screen.
    for (const auto& [when, grow] : {std::pair{L"grown", SIZE{300, 200}}, {L"grown_more", {400, 300}},
                                     {L"shrunk", {0, 0}}, {L"grown_again", {350, 100}}}) {
        SetWindowPos(window, nullptr, 0, 0, Width(first) + grow.cx, first.bottom - first.top + grow.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(paintedWell(when)) << Narrow(when);
    }
}

TEST_F(MainDialogTest, SavedRectangleOnARemovedMonitorIsCentredAgain) {
    RECT gone{5000, 5000, 5600, 5500};
    ASSERT_TRUE(GuiProfile::Instance().WriteWindowRect(gone));
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT placed = GuiMainDialog::StartRect({0, 0, 10, 10}, false);
    EXPECT_EQ(placed.left, work.left + (Width(work) - 600) / 2);
    EXPECT_EQ(placed.bottom - placed.top, 500);
    EXPECT_EQ(GuiMainDialog::StartRect({0, 0, 10, 10}, true).right, 10);  // Shift held: the centred one
    RECT shown{10, 20, 610, 520};
    ASSERT_TRUE(GuiProfile::Instance().WriteWindowRect(shown));
    EXPECT_EQ(GuiMainDialog::StartRect({0, 0, 10, 10}, false).top, 20);
    EXPECT_EQ(GuiMainDialog::StartRect({0, 0, 10, 10}, false, {700, 400}).right, 710);  // grown to the minimum

    // Saved with a smaller font: the controls still fit, none past the right edge.
    ASSERT_TRUE(GuiProfile::Instance().WriteWindowRect({10, 20, 210, 120}));
    GuiMainDialogParts& p = Open();
    RECT client;
    GetClientRect(dialog->Window(), &client);
    EXPECT_TRUE(client.right >= p.minimumClient.cx && client.bottom >= p.minimumClient.cy);
    EXPECT_LE(p.clear.placement.right, client.right);
    EXPECT_LE(p.styleSelector.placement.right, p.start.placement.left);
    EXPECT_LE(p.status.placement.bottom, client.bottom);
}

TEST_F(MainDialogTest, KeysReachAControlAfterTheFocusedOneIsDisabledOrTheWindowReactivated) {
    GuiMainDialogParts& p = Open();
    dialog->Activate(0, 0);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == dialog->Window(); }));
    SetFocus(p.newBox.Window());
    ASSERT_TRUE(TabTo(p.start));
    WinTest::PressKey(VK_RETURN);  // the run leaves nothing checked: "Start !" goes grey with the focus
    ASSERT_TRUE(PumpUntil([&] { return FileExists(data + L"\\x_a") && !Enabled(p.start); }));
    ExpectKeysLand(L"*.doc");

    // Another window comes to the front and goes: the Old name box has the focus again.
    const HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                       nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other; }));
    DestroyWindow(other);
    SetForegroundWindow(dialog->Window());
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == p.oldBox.Window(); }));

    // "Clear !" pressed by keyboard disables itself.
    ASSERT_TRUE(TabTo(p.clear));
    WinTest::PressKey(VK_SPACE);
    ASSERT_TRUE(PumpUntil([&] { return !Enabled(p.clear); }));
    ExpectKeysLand(L"*.txt");
}

TEST_F(MainDialogTest, ClosedFolderCountsItsCheckedUnitsAndTheFocusedListShowsAFrame) {
    JobOption::Instance().oldName = "*";
    GuiMainDialogParts& p = Open();
    GuiViewBox& view = p.viewBox;
    const int32_t sub = Row("sub");
    ASSERT_GE(sub, 0);
    if (Rows().find("d.txt") != std::string::npos) view.ToggleFolder(sub);  // closed
    ASSERT_EQ(Rows().find("d.txt"), std::string::npos) << Rows();
    EXPECT_EQ(view.CheckedInside(sub), 2);  // d.txt and e.doc run although no row shows them
    EXPECT_EQ(view.CheckedInside(Row("a.txt")), 0);
    view.ToggleFolder(sub);
    EXPECT_EQ(view.CheckedInside(sub), 0);  // open: the rows show them
    view.ClickCheckBox(Row("d.txt"));
    view.ToggleFolder(sub);
    EXPECT_EQ(view.CheckedInside(sub), 1);

    // Entered by Tab with no cursor row: the list's frame shows the focus.
    dialog->Activate(0, 0);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == dialog->Window(); }));
    SetFocus(p.clear.Window());
    ASSERT_TRUE(TabTo(view));
    ASSERT_FALSE(view.Rows().IsItem(view.Cursor()));
    UpdateWindow(view.Window());
    RawLayer::RawWindowDc dc(view.Window());
    const RECT inner{view.margins.left, view.margins.top, 0, 0};
    EXPECT_EQ(GetPixel(dc.Dc(), inner.left, inner.top + 40), WinLayer::WinListBox::kCursorFrame);
    WinTest::SaveWindowShot(dialog->Window(), ModuleFolder() + L"\\shot_focus_closed_folder.bmp");
}

// A run of 2,000 files stopped with "Stop !" after about 500: a click made
// meanwhile is dropped, not replayed against the window the run leaves, and
// a name box's focus loss gets its pass once the run has ended.
TEST_F(MainDialogTest, StopEndsALongRunBetweenTwoItemsAndClicksMeanwhileAreDropped) {
    constexpr int32_t kFiles = 2000;
    for (int32_t i = 0; i < kFiles; ++i) File(L"many\\f" + std::to_wstring(i) + L".txt");
    GuiMainDialogParts& p = Open();
    dialog->Activate(0, 0);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == dialog->Window(); }));
    const int32_t all = kFiles + 3;  // a, b and d.txt too
    std::vector<bool> selected;
    for (int32_t r = 0; r < p.viewBox.RowCount(); ++r) selected.push_back(p.viewBox.IsSelected(r));
    const int32_t cursor = p.viewBox.Cursor();
    const POINT rows = WinTest::Centre(p.viewBox.Window());
    std::thread user([&] {
        const ULONGLONG deadline = GetTickCount64() + 60000;
        const auto reach = [&](int32_t done) {
            while (p.gate.Done() < done && GetTickCount64() < deadline) Sleep(1);
        };
        reach(300);
        WinTest::ClickAt(rows);
        // As the system tells a name box that another window took the focus.
        SendMessageW(p.oldBox.Window(), WM_KILLFOCUS, 0, 0);
        reach(500);
        WinTest::SaveWindowShot(dialog->Window(), ModuleFolder() + L"\\shot_run_progress.bmp");
        WinTest::ClickAt(WinTest::Centre(p.start.Window()));
    });
    p.Dispatch(&p.start, kStartRun);
    user.join();

    int32_t renamed = 0, untried = 0;
    for (const JobFileUnit& unit : p.items) {
        if (unit.Has(JobFileUnit::RenameSucceeded)) ++renamed;
        if (unit.Has(JobFileUnit::Checked)) ++untried;
    }
    EXPECT_GE(renamed, 500);
    EXPECT_GT(untried, 0);
    EXPECT_EQ(renamed + untried, all);
    int32_t onDisk = 0;
    for (const std::string& name : TreeNames(data)) onDisk += name.find("x_") != std::string::npos;
    EXPECT_EQ(onDisk, renamed);
    EXPECT_EQ(p.StatusText(GuiMainDialogParts::StatusPart::Outcome).ToUtf8(),
              std::to_string(renamed) + " renamed, 0 failed, " + std::to_string(untried) + " not tried");
    EXPECT_EQ(p.start.GetText().ToUtf8(), "&Start !");
    EXPECT_TRUE(Enabled(p.start));  // the units not tried are still checked
    // The pass the focus change asked for runs now that the run has ended.
    EXPECT_TRUE(PumpUntil([&] { return p.StatusText(GuiMainDialogParts::StatusPart::Outcome).ToUtf8().ends_with(" conflicts"); }));
    for (int32_t r = 0; r < p.viewBox.RowCount(); ++r) EXPECT_EQ(p.viewBox.IsSelected(r), selected[r]) << r;
    EXPECT_EQ(p.viewBox.Cursor(), cursor);
}

// The same through the program's own window: "-a" starts the run, Esc
// stops it; the journal ends as any run's does.
TEST_F(ProgramTest, EscStopsTheWindowsRunAndTheJournalTellsWhatItDid) {
    const std::wstring logs = temp.Join(L"logs");
    const auto before = StopTest::MakeTree(data, program, logs);
    StopTest::Started varnelo;
    ASSERT_TRUE(varnelo.Start(CommandLine(program, {L"-a", L"-o", L"f*.txt", L"-n", L"x_%0", L"-l", L"File", L"."}),
                              data));
    HWND window = nullptr;
    ASSERT_TRUE(varnelo.Until([&] {
        for (HWND w = FindWindowW(L"Varnelo", nullptr); w && !window; w = FindWindowExW(nullptr, w, L"Varnelo", nullptr)) {
            DWORD owner = 0;
            if (GetWindowThreadProcessId(w, &owner) && owner == varnelo.id && IsWindowVisible(w)) window = w;
        }
        return window != nullptr;
    }));
    ASSERT_TRUE(varnelo.Until([&] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window && StopTest::Journaled(logs) >= 500;
    }));
    WinTest::PressKey(VK_ESCAPE);
    JobLayer::JobJournalRun run;
    ASSERT_TRUE(varnelo.Until([&] { return StopTest::Journaled(logs, &run) > 0 && run.ended; }));
    const int32_t renamed = StopTest::Journaled(logs);
    EXPECT_LT(renamed, StopTest::kFiles);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(varnelo.End(), 0u);
    StopTest::CheckAndUndo(program, data, logs, before, renamed);
}
