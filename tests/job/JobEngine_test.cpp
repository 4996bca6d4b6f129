// The item list, the evaluation of items and the rename run on real folders.
#include <algorithm>
#include <map>
#include <string>
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

RawString U8(const std::wstring& wide) { return RawString(Narrow(wide)); }

std::vector<std::string> Contents(const std::map<std::string, std::string>& snapshot) {
    std::vector<std::string> contents;
    for (auto& [path, content] : snapshot)
        if (!content.empty()) contents.push_back(content);
    std::sort(contents.begin(), contents.end());
    return contents;
}

const JobFileUnit* FindUnit(const JobFileList& list, const std::string& name) {
    for (const JobFileUnit& unit : list)
        if (unit.name.ToUtf8() == name) return &unit;
    return nullptr;
}

bool IsLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// A junction: the mount-point reparse data, which needs no privilege.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
    HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const std::wstring substitute = L"\\??\\" + target;
    const WORD bytes = static_cast<WORD>(substitute.size() * 2);
    struct {
        DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
        WORD length, reserved = 0, substituteOffset = 0, substituteLength, printOffset, printLength = 0;
        wchar_t path[1024] = {};
    } data;
    data.substituteLength = bytes;
    data.printOffset = static_cast<WORD>(bytes + 2);
    data.length = static_cast<WORD>(8 + bytes + 4);
    substitute.copy(data.path, substitute.size());
    DWORD got = 0;
    const bool made = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, &data, data.length + 8u, nullptr, 0, &got, nullptr);
    CloseHandle(h);
    if (!made) RemoveDirectoryW(link.c_str());
    return made;
}

// Whether the path is a link within a few seconds (or no longer one): Wine
// does not wait for a Unix program to end.
bool AwaitLink(const std::wstring& path, bool wanted) {
    for (const ULONGLONG deadline = GetTickCount64() + 5000; IsLink(path) != wanted; Sleep(10))
        if (GetTickCount64() > deadline) return false;
    return true;
}

// Runs a Unix program of Wine's host in the folder; under Windows nothing.
bool RunOnWineHost(const std::wstring& folder, const std::wstring& program, std::wstring arguments) {
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return false;
    std::wstring command = program + L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return false;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

enum class Link { None, Windows, WineHost };

// A link named link in folder to the folder itself: a symbolic link, else a
// junction. Wine 8 makes neither (both calls are stubs) but lists a Unix
// symbolic link as a folder reparse point, so there the test makes one.
Link MakeLinkToItself(const std::wstring& folder, const std::wstring& link) {
    const std::wstring path = folder + L"\\" + link;
    if (CreateSymbolicLinkW(path.c_str(), folder.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2) && IsLink(path))
        return Link::Windows;
    if (MakeJunction(path, folder) && IsLink(path)) return Link::Windows;
    return RunOnWineHost(folder, L"Z:\\bin\\ln", L"-s . " + link) && AwaitLink(path, true) ? Link::WineHost : Link::None;
}

struct Tree : TempDirTest {
    void File(const std::wstring& relative, const std::string& content) {
        const std::wstring path = temp.Join(relative);
        for (size_t at = path.find(L'\\', temp.Path().size() + 1); at != std::wstring::npos;
             at = path.find(L'\\', at + 1))
            CreateFolder(path.substr(0, at));
        ASSERT_TRUE(WriteFileBytes(path, content));
    }
    JobPassResult Evaluate(JobFileList& list, const char* pattern, const char* templ, Limitation limitation) {
        return EvaluationPass(list, condition, JobCondition::ViewStyle::TreeView, limitation, RawString(pattern),
                              RawString(templ));
    }
    JobCondition condition;
};

}  // namespace

TEST(JobFileList, DisplayPaths) {
    struct Case {
        const char* path;
        int32_t depth;
        const char* display;
    };
    const Case cases[] = {
        {"C:\\Photos", 0, ""},
        {"C:\\Photos\\a.jpg", 1, "Photos\\"},
        {"C:\\Photos\\2024\\a.jpg", 2, "Photos\\2024\\"},
        {"C:\\Photos\\2024\\a.jpg", 1, "2024\\"},
        {"C:/Photos/2024/a.jpg", 2, "Photos/2024/"},
        {"a.jpg", 3, ""},
        {"x\\a.jpg", 5, "x\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(DisplayPathOf(RawString(c.path), c.depth).ToUtf8(), c.display) << c.path;
}

TEST_F(Tree, AddPathBuildsTheTreeInOrder) {
    File(L"Photos\\2024\\a.jpg", "a");
    File(L"Photos\\b.jpg", "b");
    CreateFolder(temp.Join(L"Photos\\Empty"));
    JobFileList list;
    const RawString photos = U8(temp.Join(L"Photos"));
    list.AddPath(photos, false);
    ASSERT_EQ(list.Count(), 5);
    const JobFileUnit& root = list.First();
    EXPECT_EQ(root.flags & 0xFF, JobFileUnit::Folder | JobFileUnit::Dropped | JobFileUnit::Shown |
                                     JobFileUnit::HasFolders | JobFileUnit::HasFiles);
    EXPECT_TRUE(root.Has(JobFileUnit::Fresh));
    const JobFileUnit* a = FindUnit(list, "a.jpg");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->depth, 2);
    EXPECT_EQ(a->displayPath.ToUtf8(), "Photos\\2024\\");
    EXPECT_EQ(a->FullPath().ToUtf8(), Narrow(temp.Join(L"Photos\\2024\\a.jpg")));
    EXPECT_EQ(a->parent->name.ToUtf8(), "2024");
    EXPECT_FALSE(a->Has(JobFileUnit::Shown));
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
    std::wstring upper = temp.Join(L"PHOTOS");
    list.AddPath(U8(upper), true);
    EXPECT_EQ(list.Count(), 5);
    list.AddPath(U8(temp.Join(L"Photos\\2024\\A.JPG")), true);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_TRUE(a->Has(JobFileUnit::Dropped));
    list.AddPath(U8(temp.Join(L"missing.txt")), true);
    EXPECT_EQ(list.Count(), 6);
    EXPECT_TRUE(list.Last().Has(JobFileUnit::File));
    list.AddPath(U8(temp.Join(L"Photos\\")), true);
    EXPECT_EQ(list.Count(), 7 + 4);
}

// A link to a folder is an item of its own, never entered: a link to the
// folder itself would otherwise list its content without end.
TEST_F(Tree, FolderLinksAreListedNotEntered) {
    File(L"R\\f.txt", "f");
    const Link link = MakeLinkToItself(temp.Join(L"R"), L"a");
    if (link == Link::None) GTEST_SKIP() << "no folder link can be made here";
    JobFileList list;
    list.AddPath(U8(temp.Join(L"R")), true);
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

TEST_F(Tree, ShowingExcludingAndRemoving) {
    File(L"F\\G\\H\\x.txt", "x");
    File(L"F\\y.txt", "y");
    File(L"other.txt", "o");
    JobFileList list;
    auto f = list.AddPath(U8(temp.Join(L"F")), true);
    list.AddPath(U8(temp.Join(L"other.txt")), true);
    EXPECT_TRUE(FindUnit(list, "G")->Has(JobFileUnit::Shown));
    EXPECT_TRUE(FindUnit(list, "y.txt")->Has(JobFileUnit::Shown));
    EXPECT_FALSE(FindUnit(list, "H")->Has(JobFileUnit::Shown));
    // Opening G shows H; closing F hides G and H (G is open) but not x.txt.
    auto g = list.begin();
    ++g;
    g->Set(JobFileUnit::Opened);
    list.ShowChildren(g, true);
    EXPECT_TRUE(FindUnit(list, "H")->Has(JobFileUnit::Shown));
    list.ShowChildren(f, false);
    EXPECT_FALSE(FindUnit(list, "G")->Has(JobFileUnit::Shown));
    EXPECT_FALSE(FindUnit(list, "H")->Has(JobFileUnit::Shown));
    list.ShowDescendants(f, true);
    EXPECT_TRUE(FindUnit(list, "x.txt")->Has(JobFileUnit::Shown));
    EXPECT_TRUE(FindUnit(list, "other.txt")->Has(JobFileUnit::Shown));

    list.MarkExcluded(g);
    EXPECT_TRUE(FindUnit(list, "x.txt")->Has(JobFileUnit::Excluded));
    EXPECT_FALSE(FindUnit(list, "y.txt")->Has(JobFileUnit::Excluded));
    Evaluate(list, "*", "%0_new", Limitation::Both);
    EXPECT_FALSE(FindUnit(list, "x.txt")->Has(JobFileUnit::Checked));
    EXPECT_TRUE(FindUnit(list, "y.txt")->Has(JobFileUnit::Checked));

    list.MarkRemoved(f);
    EXPECT_EQ(list.RemoveMarked(), 5);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.First().name.ToUtf8(), "other.txt");
    // The lookups follow the removal: F can be named again.
    list.AddPath(U8(temp.Join(L"F")), true);
    EXPECT_EQ(list.Count(), 6);
}

TEST_F(Tree, EvaluationRules) {
    File(L"D\\a.txt", "a");
    File(L"D\\a.doc", "b");
    File(L"D\\S\\c.txt", "c");
    JobFileList list;
    list.AddPath(U8(temp.Join(L"D")), true);
    list.AddPath(U8(temp.Join(L"D\\a.doc")), true);  // named on its own as well
    struct Case {
        const char* pattern;
        const char* templ;
        Limitation limitation;
        std::map<std::string, std::string> checked;  // name -> new name
        std::vector<std::string> matchedOnly;
    };
    const Case cases[] = {
        {"*", "%0_x", Limitation::Dropped, {{"D", "D_x"}, {"a.doc", "a.doc_x"}}, {}},
        {"*", "%0_x", Limitation::Folder, {{"D", "D_x"}, {"S", "S_x"}}, {}},
        {"*.txt", "%0", Limitation::File, {{"a.txt", "a"}, {"c.txt", "c"}}, {}},
        {"*.*", "%0", Limitation::Both, {{"a.txt", "a"}, {"a.doc", "a"}, {"c.txt", "c"}}, {}},
        {"*.txt", "", Limitation::Both, {}, {"a.txt", "c.txt"}},
        {"a.txt", "x%ty", Limitation::Both, {{"a.txt", "xy"}}, {}},
        {"a.txt", "%1", Limitation::Both, {{"a.txt", ""}}, {}},
        {"a.txt", "$%0", Limitation::Both, {{"a.txt", "%0"}}, {}},
    };
    for (const Case& c : cases) {
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

    struct Bad {
        const char* templ;
        uint32_t unit;
    };
    for (const Bad& b : {Bad{"a:b", ':'}, Bad{"%q", 0}, Bad{"x\\y", '\\'}, Bad{"a|b", '|'}, Bad{"\xE6\x97\xA5", 0},
                         Bad{"<", '<'}, Bad{"\"", '"'}}) {
        const JobPassResult pass = Evaluate(list, "*.txt", b.templ, Limitation::Both);
        EXPECT_EQ(pass.forbidden, b.unit) << b.templ;
        if (b.unit) { EXPECT_FALSE(pass.startEnabled) << b.templ; }
    }
}

TEST_F(Tree, CollisionsAndSwapsLoseNothing) {
    File(L"D\\a.txt", "text");
    File(L"D\\a.doc", "doc");
    File(L"D\\b", "bee");
    File(L"D\\c", "sea");
    const auto before = Contents(TreeSnapshot(temp.Path()));
    JobFileList list;
    list.AddPath(U8(temp.Join(L"D")), true);
    Evaluate(list, "*.*", "%0", Limitation::File);
    std::vector<std::string> outcomes;
    const int32_t failed = RenameRun(list, [&](const JobRenameOutcome& o) {
        outcomes.push_back(o.newName.ToUtf8() + (o.error ? " failed" : " ok"));
    });
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), "a ok"), 1);
    EXPECT_EQ(Contents(TreeSnapshot(temp.Path())), before);
    EXPECT_FALSE(StartEnabled(list, false));  // the run cleared every check mark

    // b -> c and c -> b: each target exists, so both fail and nothing moves.
    list.Clear();
    list.AddPath(U8(temp.Join(L"D\\b")), true);
    list.AddPath(U8(temp.Join(L"D\\c")), true);
    Evaluate(list, "@[bc]", "%0", Limitation::Dropped);
    for (JobFileUnit& unit : list) unit.newName = unit.name.ToUtf8() == "b" ? RawString("c") : RawString("b");
    EXPECT_EQ(RenameRun(list), 2);
    EXPECT_EQ(ReadFileBytes(temp.Join(L"D\\b")), "bee");
    EXPECT_EQ(ReadFileBytes(temp.Join(L"D\\c")), "sea");
    for (const JobFileUnit& unit : list) EXPECT_TRUE(unit.Has(JobFileUnit::RenameFailed));
}

TEST_F(Tree, FolderRenamedWithItsContents) {
    File(L"F\\x.txt", "x");
    File(L"F\\S\\y.txt", "y");
    File(L"F\\S\\z.txt", "z");
    JobFileList list;
    list.AddPath(U8(temp.Join(L"F")), true);
    list.AddPath(U8(temp.Join(L"F\\S\\z.txt")), true);  // already listed: only Dropped
    Evaluate(list, "*", "%0_old", Limitation::Both);
    EXPECT_EQ(RenameRun(list), 0);
    EXPECT_EQ(ReadFileBytes(temp.Join(L"F_old\\x.txt_old")), "x");
    EXPECT_EQ(ReadFileBytes(temp.Join(L"F_old\\S_old\\y.txt_old")), "y");
    const JobFileUnit* y = FindUnit(list, "y.txt_old");
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->FullPath().ToUtf8(), Narrow(temp.Join(L"F_old\\S_old\\y.txt_old")));
    EXPECT_EQ(y->displayPath.ToUtf8(), "F_old\\S_old\\");
    // A second pass and run act on the items where they now are.
    Evaluate(list, "*_old", "%0", Limitation::Both);
    EXPECT_EQ(RenameRun(list), 0);
    EXPECT_EQ(ReadFileBytes(temp.Join(L"F\\S\\y.txt")), "y");
    EXPECT_EQ(ReadFileBytes(temp.Join(L"F\\x.txt")), "x");
    for (const JobFileUnit& unit : list) {
        EXPECT_TRUE(unit.Has(JobFileUnit::RenameSucceeded));
        EXPECT_FALSE(unit.Has(JobFileUnit::RenameFailed));
    }
    // A file named on its own inside a renamed folder moves with it.
    list.Clear();
    list.AddPath(U8(temp.Join(L"F\\S\\y.txt")), true);
    list.AddPath(U8(temp.Join(L"F")), true);
    Evaluate(list, "*", "%0-2", Limitation::Dropped);
    EXPECT_EQ(RenameRun(list), 0);
    EXPECT_TRUE(FileExists(temp.Join(L"F-2\\S\\y.txt-2")));
    EXPECT_EQ(list.First().FullPath().ToUtf8(), Narrow(temp.Join(L"F-2\\S\\y.txt-2")));

    // A folder named on its own inside another named folder: renaming the
    // outer one moves the inner one's content too, and a later run on the
    // inner content renames every file once.
    list.Clear();
    list.AddPath(U8(temp.Join(L"F-2\\S")), true);
    list.AddPath(U8(temp.Join(L"F-2")), true);
    Evaluate(list, "F?2", "F", Limitation::Folder);
    EXPECT_EQ(RenameRun(list), 0);
    Evaluate(list, "*", "%0.txt", Limitation::File);
    std::vector<std::string> renamed;
    EXPECT_EQ(RenameRun(list, [&](const JobRenameOutcome& o) { renamed.push_back(o.oldPath.ToUtf8()); }), 0);
    std::sort(renamed.begin(), renamed.end());
    EXPECT_EQ(renamed, (std::vector<std::string>{Narrow(temp.Join(L"F\\S\\y.txt-2")),
                                                 Narrow(temp.Join(L"F\\S\\z.txt")),
                                                 Narrow(temp.Join(L"F\\x.txt"))}));
    EXPECT_EQ(Contents(TreeSnapshot(temp.Join(L"F"))), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_TRUE(FileExists(temp.Join(L"F\\S\\y.txt-2.txt")));
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
    list.AddPath(U8(temp.Join(L"D")), true);
    Evaluate(list, "*.txt", "%0 \U0001F600.txt", Limitation::File);
    std::map<std::string, uint32_t> errors;
    RenameRun(list, [&](const JobRenameOutcome& o) {
        errors[RawString(o.oldPath, RawLayer::RawCodeKind::Utf8).ToUtf8().substr(Narrow(temp.Path()).size())] = o.error;
        if (o.error) { EXPECT_FALSE(o.reason.IsEmpty()); }
    });
    held.Reset();
    EXPECT_NE(errors["\\D\\busy.txt"], 0u);
    EXPECT_EQ(errors["\\D\\ro.txt"], 0u);  // read-only files may be renamed
    EXPECT_EQ(errors["\\D\\\xE6\x97\xA5\xE6\x9C\xAC\xF0\x9F\x98\x80.txt"], 0u);
    EXPECT_TRUE(FileExists(temp.Join(L"D\\\u65E5\u672C\U0001F600 \U0001F600.txt")));
    EXPECT_TRUE(FileExists(temp.Join(L"D\\busy.txt")));

    // Names no file may take fail without touching the disk.
    list.Clear();
    list.AddPath(U8(temp.Join(L"D\\busy.txt")), true);
    // The platform trims a trailing space or dot and reports success for a
    // move that changed nothing.
    for (const char* templ : {"%1", "%q%0", "..", "%0.", "%0 ", "x. ."}) {
        Evaluate(list, "*", templ, Limitation::Dropped);
        EXPECT_EQ(RenameRun(list), 1) << templ;
        EXPECT_TRUE(FileExists(temp.Join(L"D\\busy.txt"))) << templ;
    }
    // A pattern of 10,000 units is refused by matching, not by a crash.
    Evaluate(list, std::string(10000, '?').c_str(), "%0", Limitation::Dropped);
    EXPECT_FALSE(list.First().Has(JobFileUnit::Matched));
}

TEST(JobOption, ValueRules) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> keys;
        uint16_t flags;
        int32_t maxLogFiles, fontRate, spaceRate;
        const char* limitation;
    };
    const Case cases[] = {
        {{}, 0x0351, 200, 80, 80, ""},
        {{{"ViewTip", "false"}}, 0x0350, 200, 80, 80, ""},
        {{{"ViewTip", "FALSE"}, {"CheckMarkBySelection", ""}}, 0x0370, 200, 80, 80, ""},
        {{{"ViewTip", "0"}, {"OpenFolderInitialyOnDropped", "No"}}, 0x0351, 200, 80, 80, ""},
        {{{"MaxLogFiles", "-5"}, {"PathFontRate", "500"}, {"PathSpaceRate", "-1"}}, 0x0351, 0, 200, 0, ""},
        {{{"MaxLogFiles", "0x10"}, {"Limitation", "both"}}, 0x0351, 16, 80, 80, "both"},
        {{{"HideChildsOnDroppedLimitation", "False"}, {"HideFilesOnFolderLimitation", "false"}}, 0x0051, 200, 80, 80, ""},
    };
    for (const Case& c : cases) {
        JobOption option;
        RawLayer::RawParameterList section;
        for (auto [k, v] : c.keys) section.Add(k, v);
        option.ApplySection(section);
        option.Normalise();
        EXPECT_EQ(option.flags, c.flags);
        EXPECT_EQ(option.maxLogFiles, c.maxLogFiles);
        EXPECT_EQ(option.pathFontRate, c.fontRate);
        EXPECT_EQ(option.pathSpaceRate, c.spaceRate);
        EXPECT_EQ(option.limitation.ToUtf8(), c.limitation);
    }
    EXPECT_EQ(LimitationValue("both"), Limitation::Dropped);
    EXPECT_EQ(LimitationValue("Both"), Limitation::Both);
    EXPECT_EQ(LimitationValue("Files"), Limitation::Dropped);
    EXPECT_EQ(ViewStyleValue("MatchedList"), JobCondition::ViewStyle::MatchedList);
    EXPECT_EQ(ViewStyleValue("matchedlist"), JobCondition::ViewStyle::TreeView);
}

TEST_F(Tree, OptionsFromFileAndArguments) {
    const std::wstring config = temp.Join(L"Tools\\conf.ini");
    File(L"Tools\\conf.ini", "[Option]\r\nLogFolder=Logs\r\nLimitation=File\r\nViewTip=false\r\n");
    RawLayer::RawParameterList args;
    args.SetExactKeys(true);
    args.Add("l", "Folder");
    args.Add("o", "*.txt");
    args.Add("o", "*.doc");
    args.Add("a", "");
    args.Add("NoTag_1", "sub\\x").number = 1;
    args.Add("NoTag_2", "..\\y\\").number = 2;
    args.Add("NoTag_3", "").number = 3;       // names nothing
    args.Add("NoTag_9", "unknown option");  // "-NoTag_9": no effect
    args.Add("x", "ignored");
    const std::wstring cwd = temp.Join(L"cwd");
    CreateFolder(cwd);
    wchar_t previous[MAX_PATH * 4];
    GetCurrentDirectoryW(MAX_PATH * 4, previous);
    SetCurrentDirectoryW(cwd.c_str());
    JobOption option;
    option.LoadOptions(RawLayer::RawParameterFile(U8(config)), args);
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(option.logFolder.ToUtf8(), Narrow(temp.Join(L"Tools\\Logs")));
    EXPECT_EQ(option.limitation.ToUtf8(), "Folder");
    EXPECT_EQ(option.oldName.ToUtf8(), "*.doc");
    EXPECT_EQ(option.flags, 0x0350 | JobOption::Apply);
    ASSERT_EQ(option.items.Count(), 2);
    EXPECT_EQ(option.items.First().ToUtf8(), Narrow(cwd + L"\\sub\\x"));
    EXPECT_EQ(option.items.Last().ToUtf8(), Narrow(temp.Join(L"y")));

    JobOption unc;
    RawLayer::RawParameterList section;
    section.Add("LogFolder", "\\\\server\\share\\logs");
    unc.ApplySection(section);
    unc.Normalise();
    EXPECT_EQ(unc.logFolder.ToUtf8(), "\\\\server\\share\\logs");
    JobOption empty;
    empty.Normalise();
    EXPECT_GE(empty.logFolder.Length(), 9);
    EXPECT_EQ(empty.logFolder.ToUtf8().substr(empty.logFolder.Length() - 8), "\\Varnelo");
}
