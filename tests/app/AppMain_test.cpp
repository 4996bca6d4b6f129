// Varnelo.exe as a process: what "-h" and a bad main profile show, and which
// files a start writes.
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

class AppMainProcess : public TempDirTest {
protected:
    void SetUp() override { ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), program.c_str(), TRUE)); }
    // The text of the box the run showed; empty without a display, where no
    // box can be shown at all. The process ends only once its box is closed.
    std::wstring RunWithBox(const std::vector<std::wstring>& args) {
        MessageBoxCloser closer;
        DWORD code = 99;
        EXPECT_TRUE(RunProcess(CommandLine(program, args), &code, nullptr, 30000, temp.Path()));
        EXPECT_EQ(code, 0u);
        return closer.text_;
    }
    const std::wstring program = temp.Join(L"Varnelo.exe");
    const std::wstring profile = temp.Join(L"Varnelo.ini");
};

}  // namespace

TEST_F(AppMainProcess, HelpShowsUsageAndWritesNothing) {
    // "-h" anywhere wins over the options and paths around it.
    const std::wstring shown = RunWithBox({L"-o", L"x", L"-h", L"C:\\"});
    if (!shown.empty()) {
        EXPECT_EQ(shown, L"Arguments = [-h] [-o OldName] [-n NewName] [-l Limitation] "
                         L"[-v ViewStyle] [-a] [-i] [-u] [Folder|File]*");
    }
    EXPECT_EQ(TreeNames(temp.Path()), std::vector<std::string>{"Varnelo.exe"});
}

TEST_F(AppMainProcess, BadOrFolderMainProfile) {
    // Without a Program value the profile is refused and left as it was; a
    // window start says so in a box (batch mode prints it, see AppBatch_test).
    const std::string bad = "[Common]\r\nLanguage=English\r\n";
    ASSERT_TRUE(WriteFileBytes(profile, bad));
    const std::wstring shown = RunWithBox({L"-o", L"*", L"-n", L"x", temp.Path()});
    if (!shown.empty()) { EXPECT_EQ(shown, L"Bad format profile !!"); }
    EXPECT_EQ(ReadFileBytes(profile), bad);

    // A folder in the profile's place is passed over without a word.
    ASSERT_TRUE(DeleteFileW(profile.c_str()) && CreateFolder(profile));
    DWORD code = 99;
    std::string out;
    ASSERT_TRUE(RunProcess(CommandLine(program, {L"-i", L"-n", L"x"}), &code, &out, 30000, temp.Path()));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(out, "0 planned, 0 conflicts\r\n");
    EXPECT_TRUE(FolderExists(profile));
}
