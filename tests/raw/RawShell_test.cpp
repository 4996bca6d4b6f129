// Path text, file tests, folder creation, moves and well-known folders.
#include "raw/RawShell.h"

#include "TestSupport.h"
#include "raw/RawFile.h"
#include "raw/RawFolderScan.h"
#include "raw/RawPath.h"

using namespace RawLayer;
using namespace TestSupport;

namespace {

TEST(RawPathTest, JoinPathTable) {
    const struct { const char* folder; const char* name; const char* expected; } cases[] = {
        {"C:\\a", "b.txt", "C:\\a\\b.txt"}, {"C:\\a\\", "b.txt", "C:\\a\\b.txt"}, {"C:\\a/", "b", "C:\\a/b"},
        {"", "b.txt", "b.txt"}, {"C:\\a", "", "C:\\a\\"}, {"x", "y\\z", "x\\y\\z"},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinPath(c.folder, c.name).ToUtf8(), c.expected) << c.folder;
    // The folder's kind wins and the name is converted to it.
    const RawString joined = JoinPath(RawString(RawString("C:\\d\xC3\xA9j\xC3\xA0"), RawCodeKind::Wide), "\xE2\x82\xAC.txt");
    EXPECT_EQ(joined.Kind(), RawCodeKind::Wide);
    EXPECT_EQ(joined.ToU16(), u"C:\\d\u00e9j\u00e0\\\u20ac.txt");
}

TEST(RawPathTest, ResolvePathTable) {
    const struct { const char* path; const char* base; const char* expected; } cases[] = {
        {"..\\..\\x.ini", "C:\\a\\b\\c", "C:\\a\\x.ini"}, {".\\x.ini", "C:\\a\\b\\", "C:\\a\\b\\x.ini"},
        {"./x.ini", "C:\\a", "C:\\a\\x.ini"}, {"../x.ini", "C:\\a/b", "C:\\a\\x.ini"},
        {"..\\.\\..\\x", "C:\\a\\b\\c", "C:\\a\\x"}, {"D:\\y\\x.ini", "C:\\a", "D:\\y\\x.ini"},
        {"d:x.ini", "C:\\a", "d:x.ini"}, {"\\\\server\\share\\x", "C:\\a", "\\\\server\\share\\x"}, {"", "C:\\a", ""},
        {"\\x.ini", "C:\\a", "C:\\a\\\\x.ini"},  // a single separator is not absolute
        {"x.ini", "", "x.ini"}, {"..\\x.ini", "a", "x.ini"},
        // Above a drive's root the root stays, as Windows resolves it.
        {"..\\..\\x.ini", "C:\\a", "C:\\x.ini"}, {"..\\x.ini", "C:\\", "C:\\x.ini"},
        {"sub\\..\\x", "C:\\a", "C:\\a\\sub\\..\\x"},  // only leading steps are applied
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolvePath(c.path, c.base).ToUtf8(), c.expected) << c.path << " on " << c.base;
}

TEST(RawPathTest, ParentAndFileName) {
    const struct { const char* path; const char* parent; const char* name; } cases[] = {
        {"C:\\a\\b.txt", "C:\\a", "b.txt"}, {"b.txt", "", "b.txt"}, {"C:\\a/b", "C:\\a", "b"},
        {"C:\\a\\", "C:\\a", ""}, {"\\x", "", "x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParentPath(c.path).ToUtf8(), c.parent) << c.path;
        EXPECT_EQ(FileName(c.path).ToUtf8(), c.name) << c.path;
    }
    EXPECT_TRUE(IsAbsolutePath("c:") && IsAbsolutePath("\\\\x"));
    EXPECT_FALSE(IsAbsolutePath("\\x") || IsAbsolutePath("1:\\x"));
}

TEST(RawPathTest, ShiftJisTrailByteIsNotASeparator) {
    // "表" in code page 932 is 95 5C: its second byte is a backslash.
    const char bytes[] = {'C', ':', '\\', '\x95', '\x5C', '\\', 'x'};
    const RawString path = RawString::FromBytes(RawCodeKind::ShiftJis, bytes, 7);
    EXPECT_EQ(ParentRange(path), RawRange(0, 5));
    EXPECT_EQ(FileNameRange(path), RawRange(6, 7));
    const RawString folder = RawString::FromBytes(RawCodeKind::ShiftJis, bytes, 5);
    EXPECT_EQ(JoinPath(folder, "y").Length(), 7);  // a separator is added after the trail byte
}

TEST(RawPathTest, LongPathFormAndPlainPath) {
    const struct { const char* path; const char* longForm; const char* plain; } cases[] = {
        {"C:\\a\\b", "\\\\?\\C:\\a\\b", "C:\\a\\b"},
        // The platform no longer tidies the long form, so it is tidied here.
        {"c:/a/./b//..\\c\\", "\\\\?\\c:\\a\\c", "c:/a/./b//..\\c\\"},
        {"C:\\..\\x", "\\\\?\\C:\\x", "C:\\..\\x"}, {"C:\\", "\\\\?\\C:\\", "C:\\"},
        {"C:\\a.\\b ", "\\\\?\\C:\\a.\\b ", "C:\\a.\\b "},  // kept, not trimmed
        {"\\\\srv\\share\\x\\..\\..\\y", "\\\\?\\UNC\\srv\\share\\y", "\\\\srv\\share\\x\\..\\..\\y"},
        {"\\\\srv\\share", "\\\\?\\UNC\\srv\\share", "\\\\srv\\share"}, {"\\\\?\\C:\\a.", "\\\\?\\C:\\a.", "C:\\a."},
        {"\\\\?\\C:", "\\\\?\\C:\\", "C:\\"}, {"\\\\.\\C:\\a", "\\\\?\\C:\\a", "C:\\a"},
        {"\\\\?\\unc\\srv\\share\\x", "\\\\?\\UNC\\srv\\share\\x", "\\\\srv\\share\\x"},
        // Relative, drive-relative and device paths keep their text.
        {"rel\\..\\x", "rel\\..\\x", "rel\\..\\x"}, {"C:rel", "C:rel", "C:rel"},
        {"\\\\.\\pipe\\x", "\\\\.\\pipe\\x", "\\\\.\\pipe\\x"},
        {"\\\\?\\Volume{1}\\x", "\\\\?\\Volume{1}\\x", "\\\\?\\Volume{1}\\x"}, {"", "", ""},
    };
    for (const auto& c : cases) {
        const RawString longForm = LongPathForm(c.path);
        EXPECT_EQ(longForm.Kind(), RawCodeKind::Wide) << c.path;
        EXPECT_EQ(longForm.ToUtf8(), c.longForm) << c.path;
        EXPECT_EQ(PlainPath(c.path).ToUtf8(), c.plain) << c.path;
    }
}

class RawShellTest : public TempDirTest {};

TEST_F(RawShellTest, PathsBeyond260UnitsAndTrimmedNames) {
    std::wstring deep = temp.Path();
    while (deep.size() < 600) deep += L"\\" + std::wstring(60, L'f');
    const RawString folder = Raw(deep), dotted = Raw(deep + L"\\a."), moved = Raw(deep + L"\\b");
    ASSERT_TRUE(EnsureFolder(folder) && IsFolder(folder));
    RawFile file;
    ASSERT_TRUE(file.OpenWrite(dotted) && file.Write("dot", 3));
    file.Close();
    EXPECT_TRUE(IsFile(dotted) && !PathExists(Raw(deep + L"\\a")));  // "a." was not taken for "a"
    RawFolderScan scan(folder);
    ASSERT_TRUE(scan.Next(RawFolderScan::SkipDots));
    EXPECT_EQ(scan.Data().name.ToUtf8(), "a.");
    EXPECT_TRUE(MovePath(dotted, moved, 0));
    EXPECT_EQ(ReadFileBytes(L"\\\\?\\" + deep + L"\\b"), "dot");
    EXPECT_TRUE(DeleteFilePath(moved) && !PathExists(moved));
}

TEST_F(RawShellTest, FileTestsAndEnsureFolder) {
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"file"), "x"));
    EXPECT_TRUE(IsFile(Raw(temp.Join(L"file"))));
    EXPECT_FALSE(IsFile(Raw(temp.Path())) || PathExists(RawString()));

    // Made with their parents, and there already; a wide path with characters
    // outside any ANSI code page; a file or a file's child is no folder; a
    // relative path has no parent to start from.
    const std::wstring outside = Widen("\xE6\x97\xA5\xE6\x9C\xAC\\\xF0\x9F\x98\x80");
    const std::pair<RawString, bool> cases[] = {
        {Raw(temp.Join(L"a\\b\\c")), true}, {Raw(temp.Join(L"a\\b\\c")), true},
        {RawString(Raw(temp.Join(outside)), RawCodeKind::Wide), true}, {Raw(temp.Join(L"file")), false},
        {Raw(temp.Join(L"file\\sub")), false}, {"relative", false}, {RawString(), false}};
    for (const auto& [path, made] : cases) {
        EXPECT_EQ(EnsureFolder(path), made) << path.ToUtf8();
        EXPECT_EQ(FolderExists(Widen(path.ToUtf8())), made) << path.ToUtf8();
    }
}

TEST_F(RawShellTest, MoveAndReplace) {
    const RawString a = Raw(temp.Join(L"a")), b = Raw(temp.Join(L"b")), c = Raw(temp.Join(L"c"));
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"a"), "old") && WriteFileBytes(temp.Join(L"b"), "new"));
    EXPECT_TRUE(ReplacePath(a, b) && MovePath(a, c, 0));
    EXPECT_EQ(TreeSnapshot(temp.Path()), (std::map<std::string, std::string>{{"c", "new"}}));
    EXPECT_FALSE(MovePath(a, b, 0) || ReplacePath(c, a));
    EXPECT_EQ(ReadFileBytes(temp.Join(L"c")), "new");

    const DWORD drives = GetLogicalDrives();
    char letter = 0;
    for (char d = 'Q'; d <= 'Y' && letter == 0; ++d)
        if (!(drives & (1u << (d - 'A')))) letter = d;
    ASSERT_NE(letter, 0);
    const RawString offDrive(std::string(1, letter) + ":\\varnelo\\sub");
    EXPECT_FALSE(PathExists(offDrive) || EnsureFolder(offDrive) || MovePath(c, offDrive, 0));
}

// The move through an item opened once answers as MoveFileEx does: each case
// is set up twice, moved by name in one folder and through the handle in the
// other, and both give the same code and leave the same tree; the facts read
// from the open item are those read by name.
TEST_F(RawShellTest, ItemMoveAnswersAsMoveByName) {
    struct Case {
        const char* what;
        std::wstring from, to;  // below the case's folder
        DWORD holdShare;        // another holds the item open with this sharing; ~0u: nobody
        uint32_t error;
    };
    const std::wstring deep = L"d\\" + std::wstring(120, L'e') + L"\\" + std::wstring(120, L'f');
    const Case cases[] = {
        {"a file", L"a.txt", L"b.txt", ~0u, 0},
        {"a taken name", L"a.txt", L"taken", ~0u, 183},
        {"case alone", L"IMG.JPG", L"img.jpg", ~0u, 0},
        {"read-only", L"ro", L"ro2", ~0u, 0},
        {"a folder with content", L"F", L"G", ~0u, 0},
        {"held without delete sharing", L"a.txt", L"b.txt", FILE_SHARE_READ | FILE_SHARE_WRITE, 32},
        {"held with all sharing", L"a.txt", L"b.txt", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0},
        {"missing", L"none", L"b.txt", ~0u, 2},
        {"into a missing folder", L"a.txt", L"none\\b.txt", ~0u, 3},
        {"beyond 260 units", deep + L"\\a.txt", deep + L"\\b.txt", ~0u, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::map<std::string, std::string> trees[2];
        for (int byHandle = 0; byHandle < 2; ++byHandle) {
            const std::wstring root = L"\\\\?\\" + temp.Join(std::to_wstring(n++));
            ASSERT_TRUE(EnsureFolder(Raw(root + L"\\" + deep)) && EnsureFolder(Raw(root + L"\\F\\S")));
            for (const wchar_t* name : {L"a.txt", L"taken", L"IMG.JPG", L"ro", L"F\\S\\x"})
                ASSERT_TRUE(PutFile(root + L"\\" + name, Narrow(name)));
            ASSERT_TRUE(PutFile(root + L"\\" + deep + L"\\a.txt", "deep"));
            SetFileAttributesW((root + L"\\ro").c_str(), FILE_ATTRIBUTE_READONLY);
            const RawString from = Raw(root + L"\\" + c.from), to = Raw(root + L"\\" + c.to);
            RawFileHandle held;
            if (c.holdShare != ~0u)
                held.Reset(CreateFileW(WideLongPath(from).c_str(), GENERIC_READ, c.holdShare, nullptr, OPEN_EXISTING,
                                       0, nullptr));
            uint32_t error = 0;
            if (byHandle) {
                RawFileFacts byName;
                ReadFileFacts(from, &byName);
                RawItemMove item;
                const uint32_t opened = item.Open(from);
                if (opened == 0) {
                    EXPECT_EQ(item.Facts().attributes, byName.attributes) << c.what;
                    EXPECT_EQ(item.Facts().size, byName.size) << c.what;
                    EXPECT_EQ(item.Facts().lastWriteTime, byName.lastWriteTime) << c.what;
                }
                error = item.MoveTo(to);
            } else {
                error = MovePathResult(from, to, 0);
            }
            EXPECT_EQ(error, c.error) << c.what << (byHandle ? " through the handle" : " by name");
            held.Reset();
            SetFileAttributesW((root + L"\\ro").c_str(), FILE_ATTRIBUTE_NORMAL);
            SetFileAttributesW((root + L"\\ro2").c_str(), FILE_ATTRIBUTE_NORMAL);
            trees[byHandle] = TreeSnapshot(root);
        }
        EXPECT_EQ(trees[0], trees[1]) << c.what;
    }
}

}  // namespace
