// Path text, file tests, folder creation, moves and well-known folders.
#include "raw/RawShell.h"

#include <shlobj.h>

#include "RawFileTestSupport.h"
#include "raw/RawPath.h"

using namespace RawLayer;
using RawFileTest::TempFolderTest;

namespace {

struct JoinCase {
    const char* folder;
    const char* name;
    const char* expected;
};

TEST(RawPathTest, JoinPathTable) {
    const JoinCase cases[] = {
        {"C:\\a", "b.txt", "C:\\a\\b.txt"},
        {"C:\\a\\", "b.txt", "C:\\a\\b.txt"},
        {"C:\\a/", "b", "C:\\a/b"},
        {"", "b.txt", "b.txt"},
        {"C:\\a", "", "C:\\a\\"},
        {"x", "y\\z", "x\\y\\z"},
    };
    for (const JoinCase& c : cases) EXPECT_EQ(JoinPath(c.folder, c.name).ToUtf8(), c.expected) << c.folder;
}

TEST(RawPathTest, JoinPathKeepsTheFolderKindAndConvertsTheName) {
    const RawString folder(RawString("C:\\d\xC3\xA9j\xC3\xA0"), Wide);  // "C:\déjà" as wide units
    const RawString joined = JoinPath(folder, RawString("\xE2\x82\xAC.txt"));   // "€.txt" as UTF-8
    EXPECT_EQ(joined.Kind(), Wide);
    EXPECT_EQ(joined.ToU16(), u"C:\\d\u00e9j\u00e0\\\u20ac.txt");
}

struct ResolveCase {
    const char* path;
    const char* base;
    const char* expected;
};

TEST(RawPathTest, ResolvePathTable) {
    const ResolveCase cases[] = {
        {"..\\..\\x.ini", "C:\\a\\b\\c", "C:\\a\\x.ini"},
        {".\\x.ini", "C:\\a\\b\\", "C:\\a\\b\\x.ini"},
        {"./x.ini", "C:\\a", "C:\\a\\x.ini"},
        {"../x.ini", "C:\\a/b", "C:\\a\\x.ini"},
        {"..\\.\\..\\x", "C:\\a\\b\\c", "C:\\a\\x"},
        {"D:\\y\\x.ini", "C:\\a", "D:\\y\\x.ini"},
        {"d:x.ini", "C:\\a", "d:x.ini"},
        {"\\\\server\\share\\x", "C:\\a", "\\\\server\\share\\x"},
        {"", "C:\\a", ""},
        {"\\x.ini", "C:\\a", "C:\\a\\\\x.ini"},  // a single separator is not absolute
        {"x.ini", "", "x.ini"},
        {"..\\x.ini", "a", "x.ini"},
        // Above a drive's root the root stays, as Windows resolves it.
        {"..\\..\\x.ini", "C:\\a", "C:\\x.ini"},
        {"..\\x.ini", "C:\\", "C:\\x.ini"},
        {"sub\\..\\x", "C:\\a", "C:\\a\\sub\\..\\x"},  // only leading steps are applied
    };
    for (const ResolveCase& c : cases)
        EXPECT_EQ(ResolvePath(c.path, c.base).ToUtf8(), c.expected) << c.path << " on " << c.base;
}

TEST(RawPathTest, ParentAndFileName) {
    const struct {
        const char* path;
        const char* parent;
        const char* name;
    } cases[] = {
        {"C:\\a\\b.txt", "C:\\a", "b.txt"},
        {"b.txt", "", "b.txt"},
        {"C:\\a/b", "C:\\a", "b"},
        {"C:\\a\\", "C:\\a", ""},
        {"\\x", "", "x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParentPath(c.path).ToUtf8(), c.parent) << c.path;
        EXPECT_EQ(FileName(c.path).ToUtf8(), c.name) << c.path;
    }
    EXPECT_TRUE(IsAbsolutePath("c:"));
    EXPECT_TRUE(IsAbsolutePath("\\\\x"));
    EXPECT_FALSE(IsAbsolutePath("\\x"));
    EXPECT_FALSE(IsAbsolutePath("1:\\x"));
}

TEST(RawPathTest, ShiftJisTrailByteIsNotASeparator) {
    // "表" in code page 932 is 95 5C: its second byte is a backslash.
    const char bytes[] = {'C', ':', '\\', '\x95', '\x5C', '\\', 'x'};
    const RawString path = RawString::FromBytes(ShiftJis, bytes, 7);
    EXPECT_EQ(ParentRange(path), RawRange(0, 5));
    EXPECT_EQ(FileNameRange(path), RawRange(6, 7));
    const RawString folder = RawString::FromBytes(ShiftJis, bytes, 5);
    EXPECT_EQ(JoinPath(folder, "y").Length(), 7);  // a separator is added after the trail byte
}

class RawShellTest : public TempFolderTest {};

TEST_F(RawShellTest, FileTests) {
    Write("f.txt", "x");
    EXPECT_TRUE(PathExists(Path("f.txt")));
    EXPECT_TRUE(IsFile(Path("f.txt")));
    EXPECT_FALSE(IsFolder(Path("f.txt")));
    EXPECT_TRUE(IsFolder(Folder()));
    EXPECT_FALSE(IsFile(Folder()));
    EXPECT_FALSE(PathExists(Path("missing")));
    EXPECT_FALSE(PathExists(RawString()));
    EXPECT_FALSE(PathExists("Q:\\no\\such\\drive"));
}

TEST_F(RawShellTest, EnsureFolder) {
    EXPECT_TRUE(EnsureFolder(Path("a\\b\\c")));
    EXPECT_TRUE(IsFolder(Path("a\\b\\c")));
    EXPECT_TRUE(EnsureFolder(Path("a\\b\\c")));  // already there
    Write("file", "x");
    EXPECT_FALSE(EnsureFolder(Path("file")));        // a file is not a folder
    EXPECT_FALSE(EnsureFolder(Path("file\\sub")));  // its parent is a file
    EXPECT_FALSE(IsFolder(Path("file\\sub")));
    EXPECT_FALSE(EnsureFolder("relative"));          // no parent to start from: not created
    EXPECT_FALSE(EnsureFolder(RawString()));
    // A wide path with characters outside any ANSI code page.
    const RawString wide(Path("\xE6\x97\xA5\xE6\x9C\xAC\\\xF0\x9F\x98\x80"), Wide);
    EXPECT_TRUE(EnsureFolder(wide));
    EXPECT_TRUE(IsFolder(Path("\xE6\x97\xA5\xE6\x9C\xAC\\\xF0\x9F\x98\x80")));
}

TEST_F(RawShellTest, MissingDriveFailsCleanly) {
    // Find a drive letter that does not exist on this system.
    const DWORD drives = GetLogicalDrives();
    char letter = 0;
    for (char c = 'Q'; c <= 'Y' && letter == 0; ++c)
        if (!(drives & (1u << (c - 'A')))) letter = c;
    ASSERT_NE(letter, 0);
    const std::string root = std::string(1, letter) + ":\\varnelo\\sub";
    EXPECT_FALSE(EnsureFolder(RawString(std::string_view(root))));
    EXPECT_FALSE(MovePath(Path("x"), RawString(std::string_view(root)), 0));
}

TEST_F(RawShellTest, MoveAndReplace) {
    Write("a", "old");
    Write("b", "new");
    EXPECT_TRUE(ReplacePath(Path("a"), Path("b")));
    EXPECT_EQ(Read("a"), "new");
    EXPECT_FALSE(Exists("b"));
    EXPECT_TRUE(MovePath(Path("a"), Path("c"), 0));
    EXPECT_EQ(Read("c"), "new");
    EXPECT_FALSE(MovePath(Path("missing"), Path("d"), 0));
    EXPECT_FALSE(ReplacePath(Path("c"), Path("missing")));
    EXPECT_EQ(Read("c"), "new");
}

TEST(RawShellFolders, WellKnownFolders) {
    const RawString program = ProgramFile();
    EXPECT_TRUE(IsFile(program));
    EXPECT_TRUE(FileName(program).EqualsNoCase("raw_tests.exe")) << program.ToUtf8();
    EXPECT_EQ(ProgramFolder().ToUtf8(), ParentPath(program).ToUtf8());
    EXPECT_EQ(ProgramFile(Wide).Kind(), Wide);
    EXPECT_EQ(ProgramFile(Wide).ToUtf8(), program.ToUtf8());

    const RawString temp = TempFolder();
    ASSERT_FALSE(temp.IsEmpty());
    EXPECT_TRUE(temp.IsSeparatorAt(temp.Length() - 1));
    EXPECT_TRUE(IsFolder(temp));
    EXPECT_TRUE(IsFolder(CurrentFolder()));
    EXPECT_TRUE(IsAbsolutePath(CurrentFolder(Wide)));

    wchar_t legacy[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, legacy, CSIDL_APPDATA, FALSE));
    EXPECT_EQ(SpecialFolder(kAppDataFolder).ToWide(), std::wstring(legacy));
    EXPECT_TRUE(SpecialFolder(12345).IsEmpty());
}

TEST_F(RawShellTest, DroppedFilesFromAHandle) {
    // A drop handle as the shell builds it: DROPFILES then zero-ended wide names.
    const std::wstring first = WidePath("one.txt"), second = WidePath("\xE2\x82\xAC.txt");
    std::wstring names = first + L'\0' + second + L'\0' + L'\0';
    const size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    ASSERT_NE(memory, nullptr);
    auto drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    EXPECT_EQ(DroppedFileCount(memory), 2u);
    EXPECT_EQ(DroppedFile(memory, 0).ToWide(), first);
    EXPECT_EQ(DroppedFile(memory, 1).ToWide(), second);
    EXPECT_EQ(DroppedFile(memory, 1, Wide).Kind(), Wide);
    EXPECT_TRUE(DroppedFile(memory, 2).IsEmpty());
    EXPECT_TRUE(DroppedFile(nullptr, 0).IsEmpty());
    GlobalFree(memory);
}

TEST(RawShellClipboard, RoundTrip) {
    if (!OpenClipboard(nullptr)) GTEST_SKIP() << "no clipboard in this session";
    CloseClipboard();
    ASSERT_TRUE(CopyToClipboard(RawString("caf\xC3\xA9 \xE2\x82\xAC")));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_EQ(PasteFromClipboard().ToU16(), u"caf\u00e9 \u20ac");
    ASSERT_TRUE(CopyToClipboard(RawString("abcdef"), {1, 4}));
    EXPECT_EQ(PasteFromClipboard().ToUtf8(), "bcd");
    ASSERT_TRUE(CopyToClipboard(RawString::FromBytes(Ansi, "plain", 5)));
    EXPECT_EQ(PasteFromClipboard().ToUtf8(), "plain");  // the system offers CF_TEXT as wide too
}

TEST(RawShellLaunch, FailsForAMissingProgram) {
    RawShell shell;
    shell.program = "C:\\no\\such\\program.exe";
    EXPECT_FALSE(shell.Launch(RawString(), RawString()));
    EXPECT_EQ(shell.process, nullptr);
}

TEST(RawShellLaunch, StartsAProgramAndKeepsItsProcess) {
    RawShell shell;
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    shell.program = JoinPath(RawString::FromWide(system), "cmd.exe");
    shell.showCommand = SW_HIDE;
    ASSERT_TRUE(shell.Launch("/c exit 3", RawString()));
    ASSERT_NE(shell.process, nullptr);
    EXPECT_NE(shell.processId, 0u);
    EXPECT_EQ(WaitForSingleObject(static_cast<HANDLE>(shell.process), 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(static_cast<HANDLE>(shell.process), &code);
    EXPECT_EQ(code, 3u);
}

}  // namespace
