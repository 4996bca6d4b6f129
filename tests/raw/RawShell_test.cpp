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

}  // namespace
