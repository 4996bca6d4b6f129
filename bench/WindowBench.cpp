// The main window over a tree of 100,000 files in 1,000 folders: the time
// until the evaluated list shows (against "-i" on the same tree), Enter in the
// Old name box, Page Down, End, switching the view style, and the memory per
// item beyond the name texts. With the argument "million": the same over the
// 1,000,000-file tree that "bench_EngineBench million" makes and keeps.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/GuiMainDialog.h"
#include "job/JobOption.h"
#include "raw/RawShell.h"

using namespace AppLayer;
using JobLayer::JobOption;
using RawLayer::RawString;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

size_t Private() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    // Wine leaves PrivateUsage at 0; the working set is what it reports.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.WorkingSetSize;
}

std::wstring MillionTree() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring root = std::wstring(temp) + L"VarneloMillionTree";
    if (GetFileAttributesW((root + L"\\complete").c_str()) == INVALID_FILE_ATTRIBUTES) return std::wstring();
    return root;
}

std::wstring MakeTree() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring root = std::wstring(temp) + L"VarneloWindowBench";
    if (GetFileAttributesW((root + L"\\f999\\file99.dat").c_str()) != INVALID_FILE_ATTRIBUTES) return root;
    CreateDirectoryW(root.c_str(), nullptr);
    for (int f = 0; f < kFolders; ++f) {
        const std::wstring folder = root + L"\\f" + std::to_wstring(f);
        CreateDirectoryW(folder.c_str(), nullptr);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const std::wstring file = folder + L"\\file" + std::to_wstring(i) + L".dat";
            const RawLayer::RawFileHandle h(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        }
    }
    return root;
}

double BatchMs(const std::wstring& root) {
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring program(module);
    program = program.substr(0, program.find_last_of(L'\\')) + L"\\Varnelo.exe";
    std::wstring line = L"\"" + program + L"\" -i -o \"*.*\" -n \"%1-%0\" \"" + root + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    const RawLayer::RawFileHandle nul(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    si.hStdOutput = nul.Get();
    si.hStdError = nul.Get();
    PROCESS_INFORMATION pi{};
    const auto start = Clock::now();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return -1;
    const RawLayer::RawKernelHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    return Ms(start);
}

}  // namespace

int main(int argc, char** argv) {
    const bool million = argc > 1 && std::string(argv[1]) == "million";
    const std::wstring root = million ? MillionTree() : MakeTree();
    if (root.empty()) {
        std::printf("no million-file tree yet: run \"bench_EngineBench million\" first\n");
        return 1;
    }
    std::printf("tree: %s\n", million ? "1,000,000 files in 10,000 folders" : "100,000 files in 1,000 folders");
    const double batch = BatchMs(root);
    std::printf("batch -i: %.0f ms\n", batch);

    JobOption& option = JobOption::Instance();
    option.items.Append(RawString::FromWide(root.c_str()));
    option.oldName = "*.*";
    option.newName = "%1-%0";
    const size_t before = Private();
    auto start = Clock::now();
    GuiMainDialog dialog;
    dialog.Prepare();
    dialog.Create();
    Pump();
    UpdateWindow(dialog.Window());
    const double shown = Ms(start);
    std::printf("window with the evaluated list: %.0f ms (%.2f times batch -i, goal 1.5 or less)\n", shown,
                shown / batch);
    GuiMainDialogParts& p = dialog.Parts();
    size_t names = 0;
    for (const auto& unit : p.items) names += (unit.name.Length() + unit.newName.Length()) * 1;
    const size_t used = Private() - before;
    std::printf("items: %d, memory %.0f KB, %.0f bytes per item beyond %.0f bytes of name texts "
                "(engine and window together: goal 450 or less)\n", p.items.Count(),
                used / 1024.0, (static_cast<double>(used) - names) / p.items.Count(),
                static_cast<double>(names) / p.items.Count());

    auto timed = [&](const char* what, auto&& action, const char* goal = "") {
        const auto t = Clock::now();
        action();
        UpdateWindow(p.viewBox.Window());
        std::printf("%s: %.1f ms%s\n", what, Ms(t), goal);
    };
    timed("Enter in Old name", [&] { p.Dispatch(&p.oldBox, WinLayer::kNotifyExecute); }, " (goal 300 or less)");
    timed("Page Down", [&] { SendMessageW(p.viewBox.Window(), WM_KEYDOWN, VK_NEXT, 0); }, " (goal 16 or less)");
    timed("End", [&] { SendMessageW(p.viewBox.Window(), WM_KEYDOWN, VK_END, 0); }, " (goal 16 or less)");
    auto click = [&](int32_t y) {
        RECT client;
        GetClientRect(p.viewBox.Window(), &client);
        const LPARAM at = MAKELPARAM(client.right / 2, y);
        SendMessageW(p.viewBox.Window(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(p.viewBox.Window(), WM_LBUTTONUP, 0, at);
    };
    // The first click takes the focus from the Old name box, which asks for a pass.
    timed("Click on a row, the focus in Old name", [&] { click(40); }, " (goal 16 or less)");
    timed("Click on another row", [&] { click(60); }, " (goal 16 or less)");
    auto viewStyle = [&](int32_t value) {
        p.styleSelector.SelectValue(value);
        p.Dispatch(&p.styleSelector, kViewStyleChanged);
    };
    timed("MatchedList", [&] { viewStyle(1); });
    timed("TreeView", [&] { viewStyle(0); });
    return 0;
}
