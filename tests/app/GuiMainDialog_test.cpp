// The main dialog on a real temporary tree under a display: passes, selectors,
// check marks, "Clear !", "Reload !", dropped files, the saved rectangle and
// the rename run.
#include "app/GuiMainDialog.h"

#include <shlobj.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "TestSupport.h"
#include "job/JobOption.h"
#include "raw/RawParameterFile.h"
#include "win/WinRadioButton.h"
#include "win/WinTestInput.h"

using namespace AppLayer;
using namespace TestSupport;
using JobLayer::JobCondition;
using JobLayer::JobFileUnit;
using JobLayer::JobOption;
using RawLayer::RawString;
using WinTest::PumpUntil;
using WinLayer::Width;

namespace {


class MainDialogTest : public TempDirTest {
protected:
    void SetUp() override {
        data = temp.Join(L"data");
        for (const wchar_t* f : {L"a.txt", L"b.txt", L"c.doc", L"sub\\d.txt", L"sub\\e.doc"}) File(f);
        GuiProfile::Instance().File() = RawLayer::RawParameterFile(Raw(temp.Join(L"gui.ini")));
        JobOption& option = JobOption::Instance();
        option.Reset();
        option.items.Append(Raw(data));
        option.oldName = "*.txt";
        option.newName = "x_%0";
        option.limitation = "File";
    }
    void TearDown() override {
        dialog.reset();
        JobOption::Instance().Reset();
    }
    void File(const std::wstring& relative) {
        const std::wstring path = data + L"\\" + relative;
        for (size_t at = path.find(L'\\', data.size() + 1); at != std::wstring::npos; at = path.find(L'\\', at + 1))
            CreateFolder(path.substr(0, at));
        CreateFolder(data);
        ASSERT_TRUE(WriteFileBytes(path, "x"));
    }
    MainDialogParts& Open() {
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

    std::wstring data;
    std::unique_ptr<GuiMainDialog> dialog;
};

}  // namespace

TEST_F(MainDialogTest, TypingAloneChangesNothingUntilEnterAndEscKeepsTheWindow) {
    MainDialogParts& p = Open();
    EXPECT_EQ(Unit("a.txt").newName.ToUtf8(), "x_a");
    SetForegroundWindow(dialog->Window());
    SetFocus(p.oldBox.Window());
    SendMessageW(p.oldBox.Window(), EM_SETSEL, 0, -1);
    WinTest::TypeUnicode(L"*.doc");
    WinTest::PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return p.oldBox.GetText().ToUtf8() == "*.doc"; }));
    EXPECT_EQ(Unit("a.txt").newName.ToUtf8(), "x_a");  // typed, not evaluated
    WinTest::PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return Unit("c.doc").newName.ToUtf8() == "x_c"; }));
    EXPECT_FALSE(Unit("a.txt").Has(JobFileUnit::Matched));
    EXPECT_TRUE(IsWindow(dialog->Window()));  // Esc went before Enter and closed nothing
}

TEST_F(MainDialogTest, SelectorsRunAPassAndChooseWhatIsShown) {
    MainDialogParts& p = Open();
    ASSERT_EQ(p.limitationSelector.Count(), 4);
    EXPECT_EQ(p.limitationSelector.Item(3).label.ToUtf8(), "Folder&File");
    EXPECT_EQ(p.limitationSelector.Value(), static_cast<int32_t>(JobCondition::Limitation::File));
    ClickSegment(p.styleSelector, 1);
    ASSERT_TRUE(PumpUntil([&] { return Rows() == "a.txt b.txt d.txt "; })) << Rows();
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
    MainDialogParts& p = Open();
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
    MainDialogParts& p = Open();
    GuiViewBox& view = p.viewBox;
    const int32_t h = view.RowHeight();
    // The middle of a row's check box (zone 1) or image (zone 2), as the pointer gives it.
    auto at = [&](const char* name, int32_t zone) {
        const int32_t r = Row(name);
        const int32_t x = view.view.left + view.RowUnit(r).depth * h + (zone == 1 ? 2 : h + 2) + (h - 3) / 2;
        return MAKELPARAM(x, view.view.top + view.ItemAt(r)->rect.top - view.scroll.y + h / 2);
    };
    const bool open = Rows().find("d.txt") != std::string::npos;
    SendMessageW(view.Window(), WM_LBUTTONDOWN, MK_LBUTTON, at("sub", 2));
    EXPECT_EQ(Rows().find("d.txt") != std::string::npos, !open) << Rows();
    EXPECT_FALSE(view.IsSelected(Row("sub")));  // the image click leaves the selection
    SendMessageW(view.Window(), WM_LBUTTONDOWN, MK_LBUTTON, at("a.txt", 1));
    EXPECT_FALSE(Unit("a.txt").Has(JobFileUnit::Checked));
    view.SetCursor(Row("a.txt"));
    SendMessageW(view.Window(), WM_KEYDOWN, 'V', 0);
    EXPECT_TRUE(Unit("a.txt").Has(JobFileUnit::Checked));
    view.SetCursor(Row("sub"));
    SendMessageW(view.Window(), WM_KEYDOWN, 'O', 0);
    EXPECT_EQ(Rows().find("d.txt") != std::string::npos, open) << Rows();
}

TEST_F(MainDialogTest, PredictedConflictsWarnUntilTheRunShowsTheOutcome) {
    File(L"x_a");  // a.txt's new name is taken and stays
    MainDialogParts& p = Open();
    GuiViewBox& view = p.viewBox;
    const int32_t a = Row("a.txt"), b = Row("b.txt");
    ASSERT_GE(a, 0);
    EXPECT_EQ(p.predictor.ConflictOf(view.RowUnit(a)), JobLayer::JobConflict::Taken);
    EXPECT_EQ(view.RowColour(a), kConflictColour);
    EXPECT_EQ(view.RowColour(b), GetSysColor(COLOR_WINDOW));
    EXPECT_TRUE(Enabled(p.start));  // a conflict does not stop the run
    // The tip over the old name tells why.
    const RECT row = view.ItemAt(a)->rect;
    const POINT at{view.view.left + view.Columns().first - 4, view.view.top + row.top - view.scroll.y + 1};
    const std::string tip = view.TipAt(at).ToUtf8();
    EXPECT_NE(tip.find("a.txt"), std::string::npos) << tip;
    EXPECT_NE(tip.find(p.predictor.ReasonOf(view.RowUnit(a)).ToUtf8()), std::string::npos) << tip;

    view.ClickCheckBox(a);  // not renamed: nothing to fail
    EXPECT_EQ(view.RowColour(a), GetSysColor(COLOR_WINDOW));
    view.ClickCheckBox(a);
    EXPECT_EQ(view.RowColour(a), kConflictColour);
    p.Dispatch(&p.start, kStartRun);
    EXPECT_TRUE(Unit("a.txt").Has(JobFileUnit::RenameFailed));
    EXPECT_EQ(view.RowColour(Row("a.txt")), kFailedColour);
    EXPECT_EQ(view.RowColour(Row("x_b")), kSucceededColour);
}

TEST_F(MainDialogTest, ForbiddenCharacterColoursTheBoxAndDisablesStart) {
    MainDialogParts& p = Open();
    EXPECT_TRUE(Enabled(p.start));
    p.newBox.SetText("%0:x");
    p.Dispatch(&p.newBox, WinLayer::kNotifyFocusLost);
    EXPECT_EQ(p.newBox.Background(), kForbiddenColour);
    EXPECT_FALSE(Enabled(p.start));
    p.newBox.SetText("%0_x");
    p.Dispatch(&p.newBox, WinLayer::kNotifyExecute);
    EXPECT_EQ(p.newBox.Background(), GetSysColor(COLOR_WINDOW));
    EXPECT_TRUE(Enabled(p.start));
}

TEST_F(MainDialogTest, ClearDisablesStartAndClear) {
    MainDialogParts& p = Open();
    EXPECT_TRUE(Enabled(p.clear));
    p.Dispatch(&p.clear, kClear);
    EXPECT_EQ(p.items.Count(), 0);
    EXPECT_EQ(p.viewBox.RowCount(), 0);
    EXPECT_FALSE(Enabled(p.start));
    EXPECT_FALSE(Enabled(p.clear));
}

TEST_F(MainDialogTest, RunRenamesCheckedItemsAndReloadReadsTheDiskAgain) {
    MainDialogParts& p = Open();
    p.Dispatch(&p.start, kStartRun);
    EXPECT_TRUE(FileExists(data + L"\\x_a"));
    EXPECT_TRUE(FileExists(data + L"\\sub\\x_d"));
    EXPECT_TRUE(FileExists(data + L"\\c.doc"));
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
    MainDialogParts& p = Open();
    ASSERT_TRUE(RemoveTree(data + L"\\sub"));
    p.Dispatch(&p.start, kStartRun);
    EXPECT_TRUE(Unit("d.txt").Has(JobFileUnit::RenameFailed));
    EXPECT_TRUE(FileExists(data + L"\\x_a"));
    const auto tree = TreeSnapshot(data);
    EXPECT_EQ(tree.size(), 3u);  // x_a, x_b, c.doc
}

TEST_F(MainDialogTest, DroppedFilesAndMissingStartPaths) {
    JobOption::Instance().items.Append(Raw(temp.Join(L"missing")));
    MainDialogParts& p = Open();
    EXPECT_EQ(p.items.Count(), 7);  // the tree; the missing path brings nothing
    p.Dispatch(&p.clear, kClear);
    const std::wstring dropped = data + L"\\a.txt";
    // An HDROP as the shell makes it: the header, then the wide paths, ended twice.
    const size_t bytes = sizeof(DROPFILES) + (dropped.size() + 2) * sizeof(wchar_t);
    HGLOBAL drop = GlobalAlloc(GHND, bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), dropped.c_str(), dropped.size() * sizeof(wchar_t));
    GlobalUnlock(drop);
    SendMessageW(p.viewBox.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    ASSERT_TRUE(PumpUntil([&] { return p.viewBox.RowCount() == 1 && p.viewBox.RowUnit(0).Has(JobFileUnit::Checked); }));
    EXPECT_TRUE(p.viewBox.RowShown(0));
    EXPECT_EQ(p.viewBox.RowUnit(0).newName.ToUtf8(), "x_a");
    EXPECT_TRUE(Enabled(p.clear));
}

TEST_F(MainDialogTest, LongPatternLeavesTheWindowResponsive) {
    MainDialogParts& p = Open();
    p.oldBox.SetText(RawString(std::string(10000, '*') + "x"));
    p.Dispatch(&p.oldBox, WinLayer::kNotifyExecute);
    EXPECT_EQ(p.oldBox.GetText().Length(), 10001);
    EXPECT_NE(SendMessageTimeoutW(dialog->Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr), 0);
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
}
