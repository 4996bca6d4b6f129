// The title menu on the real main window: its entries, help documents and
// languages, a font choice, moving the window, taking the last run back, and
// the restart of Varnelo.exe after a language choice.
#include "app/GuiTMenuExecution.h"

#include <functional>
#include <memory>
#include <string>

#include "GuiTestOptions.h"
#include "TestSupport.h"
#include "app/GuiMainDialog.h"
#include "job/JobLog.h"
#include "job/JobOption.h"
#include "raw/RawLabelStore.h"
#include "raw/RawProduct.h"
#include "win/WinTestInput.h"

using namespace AppLayer;
using namespace TestSupport;
using JobLayer::JobOption;
using RawLayer::RawString;
using WinTest::PumpUntil;

namespace {

std::string MenuText(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return Narrow(text);
}
bool Grayed(HMENU menu, UINT position) { return (GetMenuState(menu, position, MF_BYPOSITION) & MF_GRAYED) != 0; }

class TitleMenuTest : public TempDirTest {
protected:
    void SetUp() override {
        data = temp.Join(L"data");
        for (const wchar_t* f : {L"a.txt", L"b.txt"}) ASSERT_TRUE(PutFile(data + L"\\" + f, "x"));
        UseWindowTestOptions(data, temp.Join(L"gui.ini"));
        JobOption& option = JobOption::Instance();
        option.configFile = RawLayer::RawParameterFile(Raw(temp.Join(L"conf.ini")));
        option.logFolder = Raw(temp.Join(L"log"));
    }
    void TearDown() override {
        dialog.reset();
        JobOption::Instance().Reset();
        RawLayer::RawLabelStore::Instance().SetLanguageFile(RawString());
    }
    // A new window whose help documents are looked for in the folder "prog".
    GuiTMenuExecution& Open() {
        dialog = std::make_unique<GuiMainDialog>();
        dialog->TitleMenu().help = WinLayer::WinHelpDocuments(Raw(temp.Join(L"prog")));
        dialog->Prepare();
        EXPECT_TRUE(dialog->Create());
        EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(dialog->Window()) != 0; }));
        return dialog->TitleMenu();
    }
    // The system menu as it is about to open.
    HMENU Menu() {
        const HMENU menu = dialog->TitleMenu().SystemMenu();
        SendMessageW(dialog->Window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
        return menu;
    }
    void Command(uint32_t command) { SendMessageW(dialog->Window(), WM_SYSCOMMAND, command, 0); }
    // The command the menu posted to the dialog, taken off the queue unhandled.
    uint16_t TakePosted() {
        MSG msg{};
        if (!PeekMessageW(&msg, dialog->Window(), WM_COMMAND, WM_COMMAND, PM_REMOVE)) return 0;
        EXPECT_EQ(LOWORD(msg.wParam), dialog->ControlId());
        return HIWORD(msg.wParam);
    }
    std::string Gui() { return ReadFileBytes(temp.Join(L"gui.ini")).value_or(""); }

    std::wstring data;
    std::unique_ptr<GuiMainDialog> dialog;
};

}  // namespace

TEST_F(TitleMenuTest, EntriesInOrderAboveTheSystemsOwnAndBuiltOnce) {
    Open();
    HMENU menu = Menu();
    const int before = GetMenuItemCount(menu);
    const char* expected[] = {"", "", "View help.", "Move to primary screen.", "", "Select language.",
                              "Open gui profile.", "Select window font.", "Select list font.", "Select menu font.",
                              "Select tip font.", "Undo last run.", ""};
    EXPECT_EQ(MenuText(menu, 0), std::string("Version ") + RawLayer::kVersionText);
    for (UINT at = 1; at < std::size(expected); ++at) EXPECT_EQ(MenuText(menu, at), expected[at]) << at;
    for (UINT at : {1u, 4u, 12u}) EXPECT_TRUE(GetMenuState(menu, at, MF_BYPOSITION) & MF_SEPARATOR) << at;
    EXPECT_EQ(GetMenuItemID(menu, 11), kUndoLastRun);
    EXPECT_TRUE(Grayed(menu, 11));  // no run in the log folder
    EXPECT_TRUE(Grayed(menu, 2) && Grayed(menu, 5));  // no help document, no language file
    EXPECT_EQ(GetMenuItemCount(Menu()), before);
}

// The shipped read-me, beside the program with the help viewer: the version
// entry opens it in the viewer, and it is the one document "View help." opens
// (one document: no submenu; two make one, see the process test below).
TEST_F(TitleMenuTest, VersionEntryOpensTheShippedReadMe) {
    const std::wstring prog = temp.Join(L"prog");
    const std::wstring readMe = prog + L"\\ReadMe_Varnelo.txt";
    ASSERT_TRUE(CreateFolder(prog));
    ASSERT_TRUE(CopyFileW((ModuleFolder() + L"\\ReadMe_Varnelo.txt").c_str(), readMe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((ModuleFolder() + L"\\standin\\Tolvix.exe").c_str(), (prog + L"\\Tolvix.exe").c_str(), FALSE));
    Open();
    HMENU menu = Menu();
    EXPECT_FALSE(Grayed(menu, 2));
    EXPECT_EQ(GetSubMenu(menu, 2), nullptr);
    EXPECT_EQ(GetMenuItemID(menu, 2), kViewHelp);
    const std::wstring out = prog + L"\\Tolvix.out";
    for (const uint32_t command : {kShowVersion, kViewHelp}) {
        DeleteFileW(out.c_str());
        Command(command);
        std::string opened;
        EXPECT_TRUE(PumpUntil([&] { return (opened = ReadFileBytes(out).value_or("")) == Narrow(readMe); })) << opened;
    }
    const std::wstring viewer = prog + L"\\Tolvix.exe";
    EXPECT_TRUE(PumpUntil([&] { return DeleteFileW(viewer.c_str()) || !FileExists(viewer); }));
}

// The choice itself, its profile entry and the restart: see the process test below.
TEST_F(TitleMenuTest, LanguagesFromTheLanguageMap) {
    const std::wstring languages = temp.Join(L"LanguageFile.ini");
    ASSERT_TRUE(WriteFileBytes(languages, "[LangMap]\r\nEnglish=0x409\r\nGerman=0x407\r\n"));
    RawLayer::RawLabelStore::Instance().SetLanguageFile(Raw(languages));
    RawLayer::RawLabelStore::Instance().LoadLanguageMap();
    Open();
    const HMENU popup = GetSubMenu(Menu(), 5);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(MenuText(popup, 0) + " " + MenuText(popup, 1), "English German");
    Command(kLanguage + 2);  // beyond the list: nothing
    EXPECT_EQ(TakePosted(), 0);
    EXPECT_EQ(Gui().find("Language="), std::string::npos) << Gui();
}

TEST_F(TitleMenuTest, ListFontChoiceIsWrittenAndRedrawsTheViewAtOnce) {
    GuiTMenuExecution& menu = Open();
    const int32_t rowHeight = dialog->Parts().viewBox.RowHeight();
    menu.fontDialog = [](HWND, WinLayer::WinFontRecord&, RawLayer::RawParameterList&) { return false; };
    Command(kChooseListFont);
    EXPECT_EQ(TakePosted(), 0);
    EXPECT_EQ(Gui().find("[ListFont]"), std::string::npos);  // cancelled: nothing written
    menu.fontDialog = [](HWND, WinLayer::WinFontRecord& record, RawLayer::RawParameterList& chosen) {
        record.logFont.lfHeight = -3 * record.logFont.lfHeight - 30;
        WinLayer::WriteFont(record.logFont, chosen);
        return true;
    };
    Command(kChooseListFont);
    EXPECT_NE(Gui().find("[ListFont]\r\nHeight="), std::string::npos) << Gui();
    EXPECT_TRUE(PumpUntil([&] { return dialog->Parts().viewBox.RowHeight() > rowHeight; }));
}

TEST_F(TitleMenuTest, MoveToPrimaryScreenFromOffScreen) {
    Open();
    RECT area{}, placed{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(dialog->Window(), nullptr, -5000, -4000, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    GetWindowRect(dialog->Window(), &placed);
    ASSERT_LT(placed.right, area.left);
    Command(kMoveToPrimary);
    GetWindowRect(dialog->Window(), &placed);
    EXPECT_TRUE(PtInRect(&area, {placed.left, placed.top}));
    // Larger than the work area: kept at its left and top edges.
    const RECT big = GuiTMenuExecution::PrimaryPlacement({0, 0, 301, 201}, {10, 20, 110, 120});
    EXPECT_EQ(big.left, 10);
    EXPECT_EQ(big.top, 20);
}

TEST_F(TitleMenuTest, UndoLastRunTakesTheWindowsRunBackOnce) {
    // The process's log is opened once and never after its end.
    JobLayer::JobLogServer& log = JobLayer::JobLogServer::Instance();
    if (!log.OpenLog(Raw(temp.Join(L"log")), 0)) GTEST_SKIP() << "the log of this process has ended already";
    struct Ender {
        ~Ender() { JobLayer::JobLogServer::Instance().Shutdown(); }
    } ender;
    // The named folder itself is renamed too, and must be found again after the undo.
    JobOption& option = JobOption::Instance();
    option.oldName = "*";
    option.newName = "New %0";
    option.limitation = "Both";
    GuiTMenuExecution& menu = Open();
    GuiMainDialogParts& p = dialog->Parts();
    p.RunRename();
    const std::wstring renamed = temp.Join(L"New data");
    ASSERT_TRUE(FileExists(renamed + L"\\New a.txt"));
    ASSERT_TRUE(WriteFileBytes(renamed + L"\\b.txt", "new"));  // b cannot go back: nothing is replaced
    EXPECT_FALSE(Grayed(Menu(), 11));
    std::vector<std::string> asked;
    int32_t answer = 0;
    menu.question = [&](const RawString& text, const WinLayer::WinButtonSet& buttons, uint16_t) {
        asked.push_back(text.ToUtf8() + " " + std::to_string(buttons.size()));
        return answer;
    };
    Command(kUndoLastRun);  // cancelled
    EXPECT_TRUE(FileExists(renamed + L"\\New a.txt"));
    answer = 1;
    Command(kUndoLastRun);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[1].rfind("Undo the run of 20", 0), 0u) << asked[1];
    EXPECT_NE(asked[1].find(" (3 items) ? 2"), std::string::npos) << asked[1];
    EXPECT_EQ(asked[2], "2 restored, 1 failed. 1");
    EXPECT_EQ(TreeNames(data), (std::vector<std::string>{"New b.txt", "a.txt", "b.txt"}));
    std::string rows;
    for (int32_t r = 0; r < p.viewBox.RowCount(); ++r) rows += p.viewBox.RowUnit(r).name.ToUtf8() + " ";
    EXPECT_EQ(rows, "data a.txt b.txt New b.txt ");
    EXPECT_TRUE(IsWindowEnabled(p.clear.Window()));
    EXPECT_EQ(p.StatusText(GuiMainDialogParts::StatusPart::Outcome).ToUtf8(), "2 restored, 1 failed");
    // The run stays the one to take back until every item is back.
    EXPECT_FALSE(Grayed(Menu(), 11));
    ASSERT_TRUE(DeleteFileW((data + L"\\b.txt").c_str()));
    Command(kUndoLastRun);
    ASSERT_EQ(asked.size(), 4u) << asked.back();  // the question alone: a full undo reports nothing
    EXPECT_EQ(TreeNames(data), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_TRUE(Grayed(Menu(), 11));
}

namespace {

// A visible main window of a process that `of` picks, or null.
HWND ProgramWindow(const std::function<bool(DWORD)>& of, DWORD* process) {
    for (HWND w = FindWindowW(L"Varnelo", nullptr); w; w = FindWindowExW(nullptr, w, L"Varnelo", nullptr))
        if (GetWindowThreadProcessId(w, process) && of(*process) && IsWindowVisible(w)) return w;
    return nullptr;
}

// Closes the processes the test started, whatever became of the test.
struct ProcessCloser {
    std::vector<std::pair<RawLayer::RawKernelHandle, DWORD>> processes;
    ~ProcessCloser() {
        for (auto& [handle, id] : processes) {
            DWORD owner = 0;
            if (HWND w = ProgramWindow([id = id](DWORD p) { return p == id; }, &owner)) PostMessageW(w, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(handle.Get(), 20000) != WAIT_OBJECT_0) TerminateProcess(handle.Get(), 1);
        }
    }
};

}  // namespace

TEST_F(ProgramTest, LanguageChoiceRestartsTheProgramWithTheSameArgumentsAndFolder) {
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"prog\\Varnelo.ini"), "[Common]\r\nProgram=Varnelo\r\n[Option]\r\nLogFolder=" +
                                                                     Narrow(temp.Join(L"log")) + "\r\n"));
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"prog\\LanguageFile.ini"), "[LangMap]\r\nEnglish=0x409\r\nGerman=0x407\r\n"
                                                                           "[German]\r\nItemLabels_StartButton=Starten !\r\n"));
    ASSERT_TRUE(WriteFileBytes(data + L"\\a.txt", "x"));
    // Two help documents, and the viewer that writes down what it was given.
    ASSERT_TRUE(CopyFileW((ModuleFolder() + L"\\standin\\Tolvix.exe").c_str(), temp.Join(L"prog\\Tolvix.exe").c_str(),
                          FALSE));
    for (const wchar_t* name : {L"ReadMe_A.txt", L"ReadMe_B.txt"})
        ASSERT_TRUE(PutFile(temp.Join(L"prog\\Manual\\") + name, "help"));
    // "-a" renames at start; the new instance must not rename the new names
    // again, but needs the other arguments and the current folder to find "data".
    std::wstring line = CommandLine(program, {L"-a", L"-o", L"*.txt", L"-n", L"new_%0.txt", L"-l", L"File", L"data"});
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, temp.Path().c_str(), &si, &pi));
    const RawLayer::RawKernelHandle thread(pi.hThread);
    ProcessCloser closer;
    closer.processes.emplace_back(RawLayer::RawKernelHandle(pi.hProcess), pi.dwProcessId);
    HWND window = nullptr;
    DWORD id = 0;
    ASSERT_TRUE(PumpUntil([&] { return (window = ProgramWindow([&](DWORD p) { return p == pi.dwProcessId; }, &id)); }, 20000));
    ASSERT_TRUE(PumpUntil([&] { return FileExists(data + L"\\new_a.txt"); }, 20000));
    // Keys made while the run still ends are dropped: it has ended once
    // "Start !" is disabled again, with nothing left checked.
    ASSERT_TRUE(PumpUntil([&] {
        HWND start = FindWindowExW(window, nullptr, nullptr, L"&Start !");
        if (!start) start = FindWindowExW(window, nullptr, nullptr, L"Start !");
        return start && !IsWindowEnabled(start);
    }, 20000));

    // The real system menu by keyboard: Alt+Space, the arrows and Enter.
    auto inMenu = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && (info.flags & GUI_INMENUMODE);
    };
    auto choose = [&](std::initializer_list<WORD> keys) {
        SetForegroundWindow(window);
        if (!PumpUntil([&] { return GetForegroundWindow() == window; }, 20000)) return false;
        WinTest::PressKeyWith(VK_MENU, VK_SPACE);
        if (!PumpUntil(inMenu, 20000)) return false;
        for (WORD key : keys) WinTest::PressKey(key);
        return PumpUntil([&] { return !inMenu(); }, 20000);
    };
    EXPECT_NE(FindWindowExW(window, nullptr, nullptr, L"&Start !"), nullptr);
    // From the version entry: "View help.", its second document.
    ASSERT_TRUE(choose({VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}));
    const std::string document = Narrow(temp.Join(L"prog\\Manual\\ReadMe_B.txt"));
    EXPECT_TRUE(PumpUntil([&] { return ReadFileBytes(temp.Join(L"prog\\Tolvix.out")).value_or("") == document; }, 20000));
    // "View help.", "Move to primary screen.", "Select language.", its second language.
    ASSERT_TRUE(choose({VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}));
    EXPECT_EQ(WaitForSingleObject(closer.processes[0].first.Get(), 20000), WAIT_OBJECT_0);
    ASSERT_TRUE(PumpUntil([&] { return ProgramWindow([&](DWORD p) { return p != pi.dwProcessId; }, &id); }, 20000));
    closer.processes.emplace_back(RawLayer::RawKernelHandle(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id)), id);
    HWND second = nullptr;
    const DWORD secondId = id;
    DWORD owner = 0;
    ASSERT_TRUE(PumpUntil([&] { return (second = ProgramWindow([&](DWORD p) { return p == secondId; }, &owner)); }, 20000));
    EXPECT_NE(FindWindowExW(second, nullptr, nullptr, L"&Starten !"), nullptr);  // in the language chosen
    PostMessageW(second, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(closer.processes[1].first.Get(), 20000), WAIT_OBJECT_0);
    EXPECT_TRUE(FileExists(data + L"\\new_a.txt"));
    EXPECT_FALSE(FileExists(data + L"\\new_new_a.txt"));
    const std::string profile = ReadFileBytes(temp.Join(L"prog\\Varnelo.ini")).value_or("");
    EXPECT_NE(profile.find("[UserSelection]\r\nLanguage=German"), std::string::npos) << profile;
}
