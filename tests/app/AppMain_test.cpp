// Varnelo.exe as a process: what "-h" shows and that it touches no file.
#include "TestSupport.h"

#include <atomic>
#include <thread>

using namespace TestSupport;

namespace {

// Closes the message box a process shows (when a display exists) and keeps
// its text, so that a run with a box does not wait for a user.
class MessageBoxCloser {
public:
    MessageBoxCloser()
        : thread_([this] {
              while (!stop_) {
                  if (HWND box = FindWindowW(L"#32770", L"Varnelo")) {
                      wchar_t text[512] = {};
                      GetDlgItemTextW(box, 0xFFFF, text, 512);
                      text_ = text;
                      PostMessageW(box, WM_COMMAND, IDOK, 0);
                  }
                  Sleep(50);
              }
          }) {}
    ~MessageBoxCloser() {
        stop_ = true;
        thread_.join();
    }
    std::wstring text_;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

class AppMainProcess : public TempDirTest {};

TEST_F(AppMainProcess, HelpShowsUsageAndWritesNothing) {
    const std::wstring program = temp.Join(L"Varnelo.exe");
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), program.c_str(), TRUE));
    for (auto args : {std::initializer_list<std::wstring>{L"-h"}, {L"-o", L"x", L"-h", L"C:\\"},
                      {L"-h", L"-o", L"x"}}) {
        DWORD code = 99;
        std::wstring shown;
        {
            MessageBoxCloser closer;
            ASSERT_TRUE(RunProcess(CommandLine(program, args), &code, nullptr, 30000, temp.Path()));
            Sleep(60);
            shown = closer.text_;
        }
        EXPECT_EQ(code, 0u);
        if (!shown.empty()) {  // without a display no box can be shown at all
            EXPECT_EQ(shown, L"Arguments = [-h] [-o OldName] [-n NewName] [-l Limitation] "
                             L"[-v ViewStyle] [-a] [-i] [Folder|File]*");
        }
    }
    WIN32_FIND_DATAW data;
    const RawLayer::RawFindHandle find(FindFirstFileW(temp.Join(L"*").c_str(), &data));
    ASSERT_TRUE(find);
    int files = 0;
    do {
        if (data.cFileName[0] != L'.') {
            ++files;
            EXPECT_STREQ(data.cFileName, L"Varnelo.exe");
        }
    } while (FindNextFileW(find.Get(), &data));
    EXPECT_EQ(files, 1);
}

TEST_F(AppMainProcess, MainProfileFirstStartAndBadFormat) {
    const std::wstring program = temp.Join(L"Varnelo.exe");
    const std::wstring profile = temp.Join(L"Varnelo.ini");
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), program.c_str(), TRUE));
    DWORD code = 99;
    ASSERT_TRUE(RunProcess(CommandLine(program, {L"-i"}), &code, nullptr, 30000, temp.Path()));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadFileBytes(profile), "[Common]\r\nProgram=Varnelo\r\n\r\n");

    // Without a Program value the profile is refused and left as it was; a
    // window start says so in a box (batch mode prints it, see AppBatch_test).
    const std::string bad = "[Common]\r\nLanguage=English\r\n";
    ASSERT_TRUE(WriteFileBytes(profile, bad));
    std::wstring shown;
    {
        MessageBoxCloser closer;
        ASSERT_TRUE(RunProcess(CommandLine(program, {L"-o", L"*", L"-n", L"x", temp.Path()}), &code, nullptr, 30000,
                               temp.Path()));
        Sleep(60);
        shown = closer.text_;
    }
    EXPECT_EQ(code, 0u);
    if (!shown.empty()) {
        EXPECT_EQ(shown, L"Bad format profile !!");
    }
    EXPECT_EQ(ReadFileBytes(profile), bad);
    EXPECT_TRUE(FileExists(program));

    // A folder in the profile's place is passed over without a word.
    ASSERT_TRUE(DeleteFileW(profile.c_str()));
    ASSERT_TRUE(CreateFolder(profile));
    std::string out;
    ASSERT_TRUE(RunProcess(CommandLine(program, {L"-i"}), &code, &out, 30000, temp.Path()));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(out, "0 planned, 0 conflicts\r\n");
    EXPECT_TRUE(FolderExists(profile));
}
