// What the user does to the item list: opening folders, check marks,
// excluding, removing, and what a reload keeps.
#include <string>
#include <vector>

#include "TestSupport.h"
#include "job/JobCondition.h"
#include "job/JobFileList.h"

using namespace JobLayer;
using namespace TestSupport;
using RawLayer::RawString;
using Limitation = JobCondition::Limitation;

namespace {

struct ItemList : TempDirTest {
    void File(const std::wstring& relative) { ASSERT_TRUE(PutFile(temp.Join(relative), "-")); }
    void Add(const std::wstring& relative) { list.AddPath(Raw(temp.Join(relative)), true); }
    void MakeTree() {
        for (const wchar_t* file : {L"F\\G\\H\\x.txt", L"F\\y.txt", L"other.txt"}) File(file);
        Add(L"F");
        Add(L"other.txt");
    }
    void Evaluate(const char* pattern, const char* templ) {
        EvaluationPass(list, condition, JobCondition::ViewStyle::TreeView, Limitation::Both, RawString(pattern),
                       RawString(templ));
    }
    // The names of the units that carry the flag, in list order.
    std::string With(uint16_t flag) const {
        std::string names;
        for (const JobFileUnit& unit : list)
            if (unit.Has(flag)) names += unit.name.ToUtf8() + " ";
        return names;
    }
    JobFileList list;
    JobCondition condition;
};

}  // namespace

// Places: F 0, G 1, H 2, x.txt 3, y.txt 4, other.txt 5.
TEST_F(ItemList, FoldersOpenAndCloseByPlace) {
    MakeTree();
    ASSERT_EQ(With(JobFileUnit::Shown), "F G y.txt other.txt ");
    const struct {
        JobFileList::Places places;
        bool open, recursive;
        const char* shown;
        const char* opened;
    } steps[] = {
        {{1}, true, false, "F G H y.txt other.txt ", "F G "},
        // G stays open inside a closed F: its content hides with F's.
        {{0}, false, false, "F other.txt ", "G "},
        {{0}, true, false, "F G H y.txt other.txt ", "F G "},
        {{0, 3}, true, true, "F G H x.txt y.txt other.txt ", "F G H "},
        {{3, 5}, false, false, "F G H x.txt y.txt other.txt ", "F G H "},  // files: nothing to do
        {{1, 2}, false, true, "F G y.txt other.txt ", "F "},
        {{9}, false, true, "F G y.txt other.txt ", "F "},  // past the end
    };
    for (const auto& s : steps) {
        list.SetFoldersOpened(s.places, s.open, s.recursive);
        EXPECT_EQ(With(JobFileUnit::Shown), s.shown) << s.places[0] << s.open << s.recursive;
        EXPECT_EQ(With(JobFileUnit::Opened), s.opened) << s.places[0] << s.open << s.recursive;
    }
}

TEST_F(ItemList, ChecksExclusionAndRemovalByPlace) {
    MakeTree();
    Evaluate("*.txt", "");
    EXPECT_EQ(list.SetChecks({3, 4, 5}, true), 0);  // matched, but without a new name
    Evaluate("*.txt", "%0_new");
    EXPECT_EQ(With(JobFileUnit::Checked), "x.txt y.txt other.txt ");
    EXPECT_EQ(list.SetChecks({0, 3, 4}, false), 2);  // F has no new name
    EXPECT_EQ(list.SetChecks({3, 4}, false), 0);
    EXPECT_EQ(list.SetChecks({0, 4}, true), 1);
    EXPECT_EQ(With(JobFileUnit::Checked), "y.txt other.txt ");
    list.Exclude({1, 4});  // G with its content, and y.txt
    EXPECT_EQ(With(JobFileUnit::Excluded), "G H x.txt y.txt ");
    EXPECT_EQ(list.SetChecks({3, 4}, true), 0);  // out of the rule
    EXPECT_EQ(With(JobFileUnit::Checked), "other.txt ");

    EXPECT_EQ(list.RemoveNamed({1, 3}), -1);  // inside a named item: stays
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(list.RemoveNamed({2, 5}), 5);
    EXPECT_EQ(list.RemoveNamed({0}), 0);
    EXPECT_EQ(list.Count(), 0);
    Add(L"F");  // the lookups follow the removals: F can be named again
    EXPECT_EQ(list.Count(), 5);
}

// A reload reads the named items again; what the user set stays on the
// items that are still there, also on a named item that moved meanwhile.
TEST_F(ItemList, ReloadKeepsWhatTheUserSet) {
    for (const wchar_t* file : {L"D\\a.txt", L"D\\b.txt", L"D\\S\\c.txt", L"n.txt", L"gone.txt"}) File(file);
    for (const wchar_t* named : {L"D", L"n.txt", L"gone.txt"}) Add(named);
    Evaluate("*.txt", "%0_x");
    list.SetChecks({2}, false);               // b.txt
    list.Exclude({1, 5});                     // a.txt, n.txt
    list.SetFoldersOpened({3}, true, false);  // S
    ASSERT_TRUE(MoveFileW(temp.Join(L"n.txt").c_str(), temp.Join(L"m.txt").c_str()));
    ASSERT_TRUE(DeleteFileW(temp.Join(L"gone.txt").c_str()));
    const RawString from = Raw(temp.Join(L"n.txt")), to = Raw(temp.Join(L"m.txt"));
    const JobFileList::UserMarks marks =
        list.TakeUserMarks([&](const RawString& path) { return MovedPath(path, from, to); });
    ASSERT_EQ(marks.named.Count(), 2);
    EXPECT_EQ(marks.named.Last().ToUtf8(), Narrow(temp.Join(L"m.txt")));

    for (const char* templ : {"%0_x", "%0_y"}) {
        list.Clear();
        for (const RawString& path : marks.named) list.AddPath(path, true);
        list.RestoreUserMarks(marks);
        EXPECT_EQ(With(JobFileUnit::Excluded), "a.txt m.txt ");
        EXPECT_EQ(With(JobFileUnit::Shown), "D a.txt b.txt S c.txt m.txt ");
        Evaluate("*.txt", templ);
        const bool same = std::string(templ) == "%0_x";
        // An unchecked proposal stays unchecked while it is the same one.
        EXPECT_EQ(list.RestoreUserChecks(marks), same) << templ;
        EXPECT_EQ(With(JobFileUnit::Checked), same ? "c.txt " : "b.txt c.txt ") << templ;
    }
}

// A reading stopped inside a folder keeps the entries read before the stop,
// in its subfolders too, and reads nothing behind it.
TEST_F(ItemList, AStoppedReadKeepsWhatItReadAsIfItWereAll) {
    for (const wchar_t* file : {L"F\\A\\d.txt", L"F\\a.txt", L"F\\b.txt", L"F\\c.txt"}) File(file);
    int asked = 0;
    list.stopRequested = [&] { return ++asked > 3; };
    Add(L"F");
    std::string names;
    for (const JobFileUnit& unit : list) names += unit.name.ToUtf8() + " ";
    EXPECT_EQ(names, "F A d.txt a.txt ");
    EXPECT_TRUE(list.begin()->Has(JobFileUnit::HasFolders) && list.begin()->Has(JobFileUnit::HasFiles));
}
