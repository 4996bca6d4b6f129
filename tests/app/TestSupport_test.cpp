// The shared test helpers behave under Wine as the tests rely on.
#include "TestSupport.h"

using namespace TestSupport;

class TestSupportFiles : public TempDirTest {};

TEST_F(TestSupportFiles, BytesRoundTripUnderNonAsciiNames)
{
    const std::wstring file = temp.Join(Widen("\xC3\xA4-\xE6\x97\xA5.txt"));
    const std::string bytes("a\0\xFF\r\n", 5);
    ASSERT_TRUE(WriteFileBytes(file, bytes));
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(ReadFileBytes(file), bytes);
    EXPECT_FALSE(ReadFileBytes(temp.Join(L"missing")).has_value());
}

TEST(TestSupport, TempDirRemovesItsTreeWithReadOnlyFiles)
{
    std::wstring path;
    {
        TempDir dir;
        path = dir.Path();
        ASSERT_TRUE(FolderExists(path));
        ASSERT_TRUE(CreateFolder(dir.Join(L"a")));
        ASSERT_TRUE(WriteFileBytes(dir.Join(L"a\\b.txt"), "b"));
        ASSERT_TRUE(SetFileAttributesW(dir.Join(L"a\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    }
    EXPECT_FALSE(FolderExists(path));
}

TEST(TestSupport, CommandLineQuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(CommandLine(L"C:\\a b\\V.exe", {L"-o", L"x y", L""}), L"\"C:\\a b\\V.exe\" -o \"x y\" \"\"");
}

TEST(TestSupport, RunProcessCapturesOutputAndExitCode)
{
    DWORD code = 0;
    std::string out;
    ASSERT_TRUE(RunProcess(L"cmd.exe /c echo hello& exit 3", &code, &out));
    EXPECT_EQ(out, "hello\r\n");
    EXPECT_EQ(code, 3u);
}

TEST(TestSupport, RunProcessEndsAProcessTreeThatRunsTooLong)
{
    // cmd starts ping as its own child: both must be gone, or the ping would
    // hold this program's output open for half a minute.
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(RunProcess(L"cmd.exe /c ping -n 30 127.0.0.1", nullptr, nullptr, 500));
    EXPECT_LT(GetTickCount64() - start, 10000u);
}
