// The item list, the evaluation of items and the rename run on real folders.
#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "job/JobCondition.h"
#include "job/JobFileList.h"
#include "job/JobOption.h"
#include "job/JobRename.h"

using namespace JobLayer;
using namespace TestSupport;
using RawLayer::RawString;
using Limitation = JobCondition::Limitation;

namespace {

const JobFileUnit* FindUnit(const JobFileList& list, const std::string& name) {
    for (const JobFileUnit& unit : list)
        if (unit.name.ToUtf8() == name) return &unit;
    return nullptr;
}

bool IsLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Whether the path is a link within a few seconds (or no longer one): Wine
// does not wait for a Unix program to end.
bool AwaitLink(const std::wstring& path, bool wanted) {
    for (const ULONGLONG deadline = GetTickCount64() + 5000; IsLink(path) != wanted; Sleep(10))
        if (GetTickCount64() > deadline) return false;
    return true;
}

// Runs a Unix program of Wine's host in the folder; under Windows there is none.
bool RunOnWineHost(const std::wstring& folder, const std::wstring& program, std::wstring arguments) {
    std::wstring command = program + L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return false;
    const RawLayer::RawKernelHandle owned(process.hProcess), thread(process.hThread);
    WaitForSingleObject(process.hProcess, 10000);
    return true;
}

enum class Link { None, Windows, WineHost };

// A link named link in folder to the folder itself: a junction, which needs no
// privilege. Wine 8 makes none (mklink fails) but lists a Unix symbolic link
// as a folder reparse point, so there the test makes one.
Link MakeLinkToItself(const std::wstring& folder, const std::wstring& link) {
    const std::wstring path = folder + L"\\" + link;
    RunProcess(CommandLine(L"cmd.exe", {L"/c", L"mklink", L"/J", path, folder, L"2>nul"}), nullptr, nullptr);
    if (IsLink(path)) return Link::Windows;
    return RunOnWineHost(folder, L"Z:\\bin\\ln", L"-s . " + link) && AwaitLink(path, true) ? Link::WineHost : Link::None;
}

struct Tree : TempDirTest {
    void File(const std::wstring& relative, const std::string& content) {
        ASSERT_TRUE(PutFile(temp.Join(relative), content));
    }
    auto Add(JobFileList& list, const std::wstring& relative) { return list.AddPath(Raw(temp.Join(relative)), true); }
    JobPassResult Evaluate(JobFileList& list, const char* pattern, const char* templ, Limitation limitation) {
        return EvaluationPass(list, condition, JobCondition::ViewStyle::TreeView, limitation, RawString(pattern),
                              RawString(templ));
    }
    JobCondition condition;
};

}  // namespace

TEST(JobFileList, DisplayPaths) {
    const struct { const char* path; int32_t depth; const char* display; } cases[] = {
        {"C:\\Photos", 0, ""}, {"C:\\Photos\\a.jpg", 1, "Photos\\"}, {"C:\\Photos\\2024\\a.jpg", 2, "Photos\\2024\\"},
        {"C:\\Photos\\2024\\a.jpg", 1, "2024\\"}, {"C:/Photos/2024/a.jpg", 2, "Photos/2024/"}, {"a.jpg", 3, ""},
        {"x\\a.jpg", 5, "x\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(DisplayPathOf(RawString(c.path), c.depth).ToUtf8(), c.display) << c.path;
}

TEST_F(Tree, AddPathBuildsTheTreeInOrder) {
    File(L"Photos\\2024\\a.jpg", "a");
    File(L"Photos\\b.jpg", "b");
    CreateFolder(temp.Join(L"Photos\\Empty"));
    JobFileList list;
    list.AddPath(Raw(temp.Join(L"Photos")), false);
    ASSERT_EQ(list.Count(), 5);
    const JobFileUnit& root = list.First();
    EXPECT_EQ(root.flags & 0xFF, JobFileUnit::Folder | JobFileUnit::Dropped | JobFileUnit::Shown |
                                     JobFileUnit::HasFolders | JobFileUnit::HasFiles);
    EXPECT_TRUE(root.Has(JobFileUnit::Fresh));
    const JobFileUnit* a = FindUnit(list, "a.jpg");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::tuple(a->depth, a->displayPath.ToUtf8(), a->parent->name.ToUtf8(), a->Has(JobFileUnit::Shown)),
              std::tuple(2, "Photos\\2024\\", "2024", false));
    EXPECT_EQ(a->FullPath().ToUtf8(), Narrow(temp.Join(L"Photos\\2024\\a.jpg")));
    const JobFileUnit* empty = FindUnit(list, "Empty");
    EXPECT_FALSE(empty->Has(JobFileUnit::HasFolders) || empty->Has(JobFileUnit::HasFiles));
    // Every unit follows its parent: tree order.
    const JobFileUnit* previous = nullptr;
    for (const JobFileUnit& unit : list) {
        if (unit.parent) { EXPECT_GT(unit.depth, 0); }
        if (previous && unit.depth > previous->depth) { EXPECT_EQ(unit.parent, previous); }
        previous = &unit;
    }
    // The same folder again, in another case, adds nothing; a child named on
    // its own only becomes Dropped; a trailing separator is another item.
    const std::pair<const wchar_t*, int32_t> more[] = {
        {L"PHOTOS", 5}, {L"Photos\\2024\\A.JPG", 5}, {L"missing.txt", 6}, {L"Photos\\", 7 + 4}};
    for (const auto& [path, count] : more) {
        Add(list, path);
        EXPECT_EQ(list.Count(), count) << Narrow(path);
    }
    EXPECT_TRUE(a->Has(JobFileUnit::Dropped) && FindUnit(list, "missing.txt")->Has(JobFileUnit::File));
}

// The lookups that keep naming items linear, at the sizes where a compact
// table could fail: an empty folder, a folder whose units share one folder
// text, a name of 255 units, a rename that moves an entry in the table, and
// one folder of more than 2^20 units (made without files: Wine reads a whole
// folder to create each file in it, so 65,536 real files take minutes).
TEST_F(Tree, PathLookupsAtTheLimits) {
    CreateFolder(temp.Join(L"R"));
    CreateFolder(temp.Join(L"R\\Empty"));
    CreateFolder(temp.Join(L"R\\Big"));
    for (int i = 0; i < 300; ++i) {
        const RawLayer::RawFileHandle file(CreateFileW(temp.Join(L"R\\Big\\f" + std::to_wstring(i)).c_str(),
                                                       GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file) << i;
    }
    const std::wstring longName = L"R\\" + std::wstring(251, L'n') + L".txt";
    File(longName, "l");
    JobFileList list;
    Add(list, L"R");
    ASSERT_EQ(list.Count(), 1 + 2 + 300 + 1);
    const JobFileUnit* f0 = FindUnit(list, "f0");
    for (const JobFileUnit& unit : list) {
        if (unit.parent == f0->parent) {
            ASSERT_TRUE(unit.folder.SharesBodyWith(f0->folder) && unit.displayPath.SharesBodyWith(f0->displayPath));
        }
    }
    // Named again in another case: found, only Dropped.
    for (const std::wstring& path : std::vector<std::wstring>{L"r\\EMPTY", L"R\\big", L"R\\Big\\F0", L"R\\Big\\f150", L"R\\Big\\F299", longName}) {
        const JobFileList::Position p = Add(list, path);
        EXPECT_TRUE(list.Count() == 304 && p->Has(JobFileUnit::Dropped)) << Narrow(path);
    }
    // Big listed a second time (with a trailing separator it is another
    // item), so the rename keeps the lookups up to date for both units of
    // f7: the new path is found, the old one no more.
    Add(list, L"R\\Big\\");
    ASSERT_EQ(list.Count(), 304 + 301);
    JobFileList::Position f7 = list.begin();
    while (f7->name.ToUtf8() != "f7") ++f7;
    f7->newName = RawString("g7");
    list.Renamed(f7, Raw(temp.Join(L"R\\Big\\f7")), Raw(temp.Join(L"R\\Big\\g7")));
    int renamed = 0;
    for (const JobFileUnit& unit : list) renamed += unit.name.ToUtf8() == "g7" ? 1 : 0;
    EXPECT_EQ(renamed, 2);
    const JobFileList::Position found = Add(list, L"R\\Big\\G7");
    EXPECT_EQ(std::tuple(&*found, list.Count()), std::tuple(&*f7, 605));
    Add(list, L"R\\Big\\f7");  // no unit has that path now: listed anew
    EXPECT_EQ(list.Count(), 606);

    // Past 2^20 units in one folder (no lookup reads the disk), and a path
    // listed twice: the first wins.
    JobFileList many;
    const JobFileList::Position folder = many.AppendUnit(nullptr, RawString("C:\\x"), JobFileUnit::Folder, 0);
    const int32_t count = (1 << 20) + 5;
    for (int32_t i = 1; i < count; ++i)
        many.AppendUnit(&*folder, RawString("C:\\x\\f" + std::to_string(i)), JobFileUnit::File, 1);
    const JobFileList::Position first = ++many.begin();
    many.AppendUnit(nullptr, RawString("C:\\x\\f1"), JobFileUnit::File, 0);
    for (const int32_t i : {1, 65536, 1 << 20, count - 1}) {
        const JobFileList::Position p = many.AddPath(RawString("c:\\X\\F" + std::to_string(i)), true);
        EXPECT_EQ(std::tuple(p->name.ToUtf8(), p->Has(JobFileUnit::Dropped), many.Count()),
                  std::tuple("f" + std::to_string(i), true, count + 1));
    }
    EXPECT_TRUE(first->Has(JobFileUnit::Dropped) && !many.Last().Has(JobFileUnit::Dropped));
}

// A link to a folder is an item of its own, never entered: a link to the
// folder itself would otherwise list its content without end.
TEST_F(Tree, FolderLinksAreListedNotEntered) {
    File(L"R\\f.txt", "f");
    const Link link = MakeLinkToItself(temp.Join(L"R"), L"a");
    if (link == Link::None) GTEST_SKIP() << "no folder link can be made here";
    JobFileList list;
    Add(list, L"R");
    std::vector<std::string> names;
    for (const JobFileUnit& unit : list) names.push_back(unit.name.ToUtf8());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"R", "a", "f.txt"}));
    EXPECT_TRUE(FindUnit(list, "a")->Has(JobFileUnit::Folder));
    if (link == Link::WineHost) {
        // Wine neither moves nor deletes a Unix link (ERROR_INVALID_PARAMETER,
        // access denied); the rename is Windows' part, and the link goes as it came.
        RunOnWineHost(temp.Join(L"R"), L"Z:\\bin\\rm", L"a");
        EXPECT_TRUE(AwaitLink(temp.Join(L"R\\a"), false));
        return;
    }
    Evaluate(list, "*", "%0_x", Limitation::Both);
    EXPECT_EQ(RenameRun(list), 0);
    EXPECT_TRUE(IsLink(temp.Join(L"R_x\\a_x")));
    EXPECT_EQ(ReadFileBytes(temp.Join(L"R_x\\f.txt_x")), "f");
}

TEST_F(Tree, EvaluationRules) {
    File(L"D\\a.txt", "a");
    File(L"D\\a.doc", "b");
    File(L"D\\S\\c.txt", "c");
    JobFileList list;
    Add(list, L"D");
    Add(list, L"D\\a.doc");  // named on its own as well
    const struct {
        const char* pattern;
        const char* templ;
        Limitation limitation;
        std::map<std::string, std::string> checked;  // name -> new name
        std::vector<std::string> matchedOnly;
    } cases[] = {
        {"*", "%0_x", Limitation::Dropped, {{"D", "D_x"}, {"a.doc", "a.doc_x"}}, {}},
        {"*", "%0_x", Limitation::Folder, {{"D", "D_x"}, {"S", "S_x"}}, {}},
        {"*.txt", "%0", Limitation::File, {{"a.txt", "a"}, {"c.txt", "c"}}, {}},
        {"*.*", "%0", Limitation::Both, {{"a.txt", "a"}, {"a.doc", "a"}, {"c.txt", "c"}}, {}},
        {"*.txt", "", Limitation::Both, {}, {"a.txt", "c.txt"}},
        {"a.txt", "x%ty", Limitation::Both, {{"a.txt", "xy"}}, {}},
        {"a.txt", "%1", Limitation::Both, {{"a.txt", ""}}, {}},
        {"a.txt", "$%0", Limitation::Both, {{"a.txt", "%0"}}, {}},
    };
    for (const auto& c : cases) {
        const JobPassResult pass = Evaluate(list, c.pattern, c.templ, c.limitation);
        std::map<std::string, std::string> checked;
        std::vector<std::string> matchedOnly;
        for (const JobFileUnit& unit : list) {
            EXPECT_FALSE(unit.Has(JobFileUnit::Fresh));
            if (unit.Has(JobFileUnit::Checked)) checked[unit.name.ToUtf8()] = unit.newName.ToUtf8();
            else if (unit.Has(JobFileUnit::Matched)) matchedOnly.push_back(unit.name.ToUtf8());
            if (unit.Has(JobFileUnit::Matched)) { EXPECT_TRUE(unit.Has(JobFileUnit::Eligible)); }
        }
        EXPECT_EQ(checked, c.checked) << c.pattern << " " << c.templ;
        EXPECT_EQ(matchedOnly, c.matchedOnly) << c.pattern << " " << c.templ;
        const bool anyName = std::any_of(c.checked.begin(), c.checked.end(), [](auto& e) { return !e.second.empty(); });
        EXPECT_EQ(pass.startEnabled, anyName) << c.pattern;
    }
    EXPECT_EQ(condition.generation, 3 * static_cast<int32_t>(std::size(cases)));
    for (const auto& [templ, unit] : {std::pair<const char*, uint32_t>{"a:b", ':'}, {"%q", 0}, {"x\\y", '\\'},
                                      {"a|b", '|'}, {"\xE6\x97\xA5", 0}, {"<", '<'}, {"\"", '"'}}) {
        const JobPassResult pass = Evaluate(list, "*.txt", templ, Limitation::Both);
        EXPECT_EQ(pass.forbidden, unit) << templ;
        if (unit) { EXPECT_FALSE(pass.startEnabled) << templ; }
    }
}

// The items below a renamed folder follow it, so that a second run acts on
// them where they now are. (Items named on their own inside a renamed folder:
// see the batch runs.)
TEST_F(Tree, FolderRenamedWithItsContents) {
    File(L"F\\x.txt", "x");
    File(L"F\\S\\y.txt", "y");
    JobFileList list;
    Add(list, L"F");
    Add(list, L"F\\S\\y.txt");  // already listed: only Dropped
    Evaluate(list, "*", "%0_old", Limitation::Both);
    EXPECT_EQ(RenameRun(list), 0);
    EXPECT_FALSE(StartEnabled(list, false));  // the run cleared every check mark
    EXPECT_EQ(ReadFileBytes(temp.Join(L"F_old\\x.txt_old")), "x");
    const JobFileUnit* y = FindUnit(list, "y.txt_old");
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(std::tuple(y->FullPath().ToUtf8(), y->displayPath.ToUtf8()),
              std::tuple(Narrow(temp.Join(L"F_old\\S_old\\y.txt_old")), "F_old\\S_old\\"));
    Evaluate(list, "*_old", "%0", Limitation::Both);
    EXPECT_EQ(RenameRun(list), 0);
    EXPECT_EQ(ReadFileBytes(temp.Join(L"F\\S\\y.txt")), "y");
    EXPECT_EQ(ReadFileBytes(temp.Join(L"F\\x.txt")), "x");
    for (const JobFileUnit& unit : list)
        EXPECT_TRUE(unit.Has(JobFileUnit::RenameSucceeded) && !unit.Has(JobFileUnit::RenameFailed));
}

TEST_F(Tree, FailedRenamesExplainThemselves) {
    File(L"D\\busy.txt", "busy");
    File(L"D\\ro.txt", "ro");
    File(L"D\\\u65E5\u672C\U0001F600.txt", "jp");
    SetFileAttributesW(temp.Join(L"D\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    RawLayer::RawFileHandle held(CreateFileW(temp.Join(L"D\\busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    JobFileList list;
    Add(list, L"D");
    Evaluate(list, "*.txt", "%0 \U0001F600.txt", Limitation::File);
    std::map<std::string, uint32_t> errors;
    RenameRun(list, [&](const JobRenameOutcome& o) {
        errors[o.oldPath.ToUtf8().substr(Narrow(temp.Path()).size())] = o.error;
        if (o.error) { EXPECT_FALSE(o.reason.IsEmpty()); }
    });
    held.Reset();
    EXPECT_NE(errors["\\D\\busy.txt"], 0u);
    EXPECT_EQ(errors["\\D\\ro.txt"], 0u);  // read-only files may be renamed
    EXPECT_EQ(errors["\\D\\\xE6\x97\xA5\xE6\x9C\xAC\xF0\x9F\x98\x80.txt"], 0u);
    EXPECT_TRUE(FileExists(temp.Join(L"D\\\u65E5\u672C\U0001F600 \U0001F600.txt")));

    // A pattern of 10,000 units is refused by matching, not by a crash.
    list.Clear();
    Add(list, L"D\\busy.txt");
    Evaluate(list, std::string(10000, '?').c_str(), "%0", Limitation::Dropped);
    EXPECT_FALSE(list.First().Has(JobFileUnit::Matched));
}

TEST(JobOption, ValueRules) {
    const struct {
        std::vector<std::pair<const char*, const char*>> keys;
        uint16_t flags;
        int32_t maxLogFiles, fontRate, spaceRate;
        const char* limitation;
        const char* logFolderEnd = "\\Varnelo";  // by default the temporary folder's
    } cases[] = {
        {{}, 0x0351, 200, 80, 80, ""},
        {{{"LogFolder", "\\\\server\\share\\logs"}}, 0x0351, 200, 80, 80, "", "\\\\server\\share\\logs"},
        {{{"ViewTip", "FALSE"}, {"CheckMarkBySelection", ""}}, 0x0370, 200, 80, 80, ""},
        {{{"ViewTip", "0"}, {"OpenFolderInitialyOnDropped", "No"}}, 0x0351, 200, 80, 80, ""},
        {{{"MaxLogFiles", "-5"}, {"PathFontRate", "500"}, {"PathSpaceRate", "-1"}}, 0x0351, 0, 200, 0, ""},
        {{{"MaxLogFiles", "0x10"}, {"Limitation", "both"}}, 0x0351, 16, 80, 80, "both"},
        {{{"HideChildsOnDroppedLimitation", "False"}, {"HideFilesOnFolderLimitation", "false"}}, 0x0051, 200, 80, 80, ""},
    };
    for (const auto& c : cases) {
        JobOption option;
        RawLayer::RawParameterList section;
        for (auto [k, v] : c.keys) section.Add(k, v);
        option.ApplySection(section);
        option.Normalise();
        EXPECT_EQ(std::tuple(option.flags, option.maxLogFiles, option.pathFontRate, option.pathSpaceRate),
                  std::tuple(c.flags, c.maxLogFiles, c.fontRate, c.spaceRate));
        EXPECT_EQ(option.limitation.ToUtf8(), c.limitation);
        EXPECT_TRUE(option.logFolder.ToUtf8().ends_with(c.logFolderEnd)) << option.logFolder.ToUtf8();
        EXPECT_GT(option.logFolder.Length(), 9);
    }
    EXPECT_EQ(LimitationValue("both"), Limitation::Dropped);
    EXPECT_EQ(LimitationValue("Both"), Limitation::Both);
    EXPECT_EQ(LimitationValue("Files"), Limitation::Dropped);
    EXPECT_EQ(ViewStyleValue("MatchedList"), JobCondition::ViewStyle::MatchedList);
    EXPECT_EQ(ViewStyleValue("matchedlist"), JobCondition::ViewStyle::TreeView);
}

TEST_F(Tree, OptionsFromFileAndArguments) {
    File(L"Tools\\conf.ini", "[Option]\r\nLogFolder=Logs\r\nLimitation=File\r\nViewTip=false\r\n");
    RawLayer::RawParameterList args;
    args.SetExactKeys(true);
    for (auto [key, value] : {std::pair{"l", "Folder"}, {"o", "*.txt"}, {"o", "*.doc"}, {"a", ""},
                              {"NoTag_9", "unknown option"}, {"x", "ignored"}})  // "-NoTag_9": no effect
        args.Add(key, value);
    args.Add("NoTag_1", "sub\\x").number = 1;
    args.Add("NoTag_2", "..\\y\\").number = 2;
    args.Add("NoTag_3", "").number = 3;  // names nothing
    const std::wstring cwd = temp.Join(L"cwd");
    CreateFolder(cwd);
    wchar_t previous[32768];
    GetCurrentDirectoryW(32768, previous);
    SetCurrentDirectoryW(cwd.c_str());
    JobOption option;
    option.LoadOptions(RawLayer::RawParameterFile(Raw(temp.Join(L"Tools\\conf.ini"))), args);
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(std::tuple(option.logFolder.ToUtf8(), option.limitation.ToUtf8(), option.oldName.ToUtf8(), option.flags),
              std::tuple(Narrow(temp.Join(L"Tools\\Logs")), "Folder", "*.doc", 0x0350 | JobOption::Apply));
    std::vector<std::string> items;
    for (const RawString& item : option.items) items.push_back(item.ToUtf8());
    EXPECT_EQ(items, (std::vector<std::string>{Narrow(cwd + L"\\sub\\x"), Narrow(temp.Join(L"y"))}));
}
