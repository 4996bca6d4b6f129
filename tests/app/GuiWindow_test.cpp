// Varnelo.exe started for its window, used as a person uses it: typed into,
// Enter, "Start !" by keyboard, the disk checked, the window closed.
#include <windows.h>

#include <functional>
#include <string>

#include "TestSupport.h"
#include "win/WinTestInput.h"

using namespace TestSupport;

namespace {

constexpr DWORD kDeadline = 20000;

bool WaitFor(const std::function<bool()>& done) { return WinTest::PumpUntil(done, kDeadline); }

// The program started for its window on a small tree.
class WindowProcess : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(CreateFolder(data + L"\\sub"));
        for (const wchar_t* f : {L"a.txt", L"b.txt", L"c.doc", L"sub\\d.txt"})
            ASSERT_TRUE(WriteFileBytes(data + L"\\" + f, "x"));
        // The log goes beside the program, where the test finds it.
        ASSERT_TRUE(WriteFileBytes(temp.Join(L"prog\\Varnelo.ini"),
                                   "[Common]\r\nProgram=Varnelo\r\n[Option]\r\nLogFolder=" + Narrow(temp.Join(L"log")) +
                                       "\r\n"));
    }
    void TearDown() override {
        if (process) {
            if (window) PostMessageW(window, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process.Get(), kDeadline) != WAIT_OBJECT_0) TerminateProcess(process.Get(), 1);
        }
    }
    bool Start(const std::wstring& arguments) {
        std::wstring line = L"\"" + program + L"\" " + arguments;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, temp.Path().c_str(), &si, &pi))
            return false;
        process.Reset(pi.hProcess);
        const RawLayer::RawKernelHandle thread(pi.hThread);
        const DWORD id = pi.dwProcessId;
        threadId = pi.dwThreadId;
        return WaitFor([&] {
            window = nullptr;
            for (HWND w = FindWindowW(L"Varnelo", L"Varnelo"); w; w = FindWindowExW(nullptr, w, L"Varnelo", L"Varnelo")) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == id && IsWindowVisible(w)) window = w;
            }
            return window != nullptr;
        });
    }
    // Typed keys go where the focus is when they arrive: wait until the
    // window has put it into one of its children.
    bool ChildHasFocus() {
        return WaitFor([&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(threadId, &info) && info.hwndFocus && IsChild(window, info.hwndFocus);
        });
    }
    bool Running() { return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT; }
    bool CloseAndWait() {
        PostMessageW(window, WM_CLOSE, 0, 0);
        const bool ended = WaitForSingleObject(process.Get(), kDeadline) == WAIT_OBJECT_0;
        window = nullptr;
        return ended;
    }
    std::string Log(const wchar_t* pattern = L"log\\*.log") {
        WIN32_FIND_DATAW found;
        const RawLayer::RawFindHandle find(FindFirstFileW(temp.Join(pattern).c_str(), &found));
        if (!find) return {};
        return ReadFileBytes(temp.Join(L"log\\") + found.cFileName).value_or("");
    }

    RawLayer::RawKernelHandle process;
    HWND window = nullptr;
    DWORD threadId = 0;
};

}  // namespace

TEST_F(WindowProcess, TypeEnterStartAndClose) {
    ASSERT_TRUE(Start(L"-l File \"" + data + L"\""));
    SetForegroundWindow(window);
    ASSERT_TRUE(ChildHasFocus());
    // The Old name box has the focus at start; Tab order: the New name box,
    // two selectors, then "Start !" (the profile has no hints, so both hint
    // buttons are disabled and Tab passes them by).
    WinTest::TypeUnicode(L"*.txt");
    WinTest::PressKey(VK_RETURN);
    WinTest::PressKey(VK_TAB);
    WinTest::TypeUnicode(L"new_%0.txt");
    WinTest::PressKey(VK_RETURN);
    for (int i = 0; i < 3; ++i) WinTest::PressKey(VK_TAB);
    WinTest::PressKey(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return FileExists(data + L"\\new_b.txt"); }));
    ASSERT_TRUE(WaitFor([&] { return FileExists(data + L"\\sub\\new_d.txt"); }));
    EXPECT_TRUE(FileExists(data + L"\\new_a.txt"));
    EXPECT_TRUE(FileExists(data + L"\\c.doc"));
    EXPECT_EQ(TreeSnapshot(data).size(), 5u);  // three renamed, c.doc and sub
    EXPECT_TRUE(Running());
    EXPECT_TRUE(IsWindow(window));
    ASSERT_TRUE(CloseAndWait());
    const std::string log = Log();
    EXPECT_NE(log.find("Started"), std::string::npos) << log;
    EXPECT_NE(log.find("Terminated"), std::string::npos) << log;
}

TEST_F(WindowProcess, ApplyWithoutInspectRunsAtOnceAndStaysOpen) {
    // A limitation not understood opens the window on the default ("Dropped")
    // and does not start the run, which would rename the named folder itself.
    ASSERT_TRUE(Start(L"-a -o \"*\" -n \"old_%0\" -l Files \"" + data + L"\""));
    ASSERT_TRUE(ChildHasFocus());
    // The window's thread answers only once it is in its message loop, after
    // "-a" had its chance to post the run; the close is posted behind it.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kDeadline, &answer));
    ASSERT_TRUE(CloseAndWait());
    EXPECT_TRUE(FolderExists(data));
    EXPECT_EQ(Log(L"log\\*.journal"), "");

    ASSERT_TRUE(Start(L"-a -o \"*.doc\" -n \"%0.bak\" -l File \"" + data + L"\""));
    ASSERT_TRUE(WaitFor([&] { return FileExists(data + L"\\c.bak"); }));
    EXPECT_TRUE(FileExists(data + L"\\a.txt"));
    EXPECT_TRUE(Running());
    ASSERT_TRUE(CloseAndWait());
    // The window's run keeps a journal like a batch run, so it can be taken back.
    EXPECT_NE(Log(L"log\\*.journal").find("c.bak"), std::string::npos);
}
