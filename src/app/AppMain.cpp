// The start-up and shutdown order of the program: every step that belongs to
// another area is one call made at its place in this sequence.
#include "app/AppMain.h"

#include <objbase.h>

#include <memory>

#include "../../res/resource.h"
#include "app/AppBatch.h"
#include "app/AppCommandLine.h"
#include "app/AppMainProfile.h"
#include "app/GuiMainDialog.h"
#include "app/GuiProfile.h"
#include "app/GuiStarterHints.h"
#include "job/JobLog.h"
#include "job/JobOption.h"
#include "raw/RawList.h"
#include "raw/RawProduct.h"
#include "raw/RawShell.h"
#include "raw/RawThread.h"
#include "win/WinPathDialog.h"
#include "win/WinToolkit.h"

namespace AppLayer {

using RawLayer::RawParameterList;
using RawLayer::RawString;

namespace {

// The path box's entry icons, one per kind of entry in its order.
constexpr uint16_t kPathBoxIcons[] = {IDI_DRIVE,          IDI_DRIVE,     IDI_NETWORK, IDI_FOLDER_EXISTING,
                                      IDI_FOLDER_MISSING, IDI_SUBFOLDER, IDI_FILE,    IDI_SHORTCUT};

void ShowUsage() {
    MessageBoxW(nullptr, UsageText().ToWide().c_str(), RawString(RawLayer::kProductName).ToWide().c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

// "-i" or "-u": the engine runs without a window and reports on its output.
bool BatchMode(const RawParameterList& arguments) { return arguments.Contains("i") || arguments.Contains("u"); }

// The window and its message loop, until the window is destroyed.
void RunDialog() {
    GuiMainDialog dialog;
    dialog.Prepare();
    if (dialog.Create()) dialog.RunMessageLoop();
}

void RunWindow() {
    // The accessibility objects of the controls are answered on this thread,
    // and clients in other processes reach them through COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RunDialog();
    if (SUCCEEDED(com)) CoUninitialize();
}

// Steps 3 to 8: false when the program is to end without a window, with
// *exitCode telling a script whether that was a failure.
bool Initialise(HINSTANCE instance, RawParameterList* arguments, std::unique_ptr<AppBatchOutput>* batch, int* exitCode) {
    ParseCommandLine(ProcessCommandLine(), arguments);
    // A script never waits on a message box: batch mode writes its lines instead.
    if (BatchMode(*arguments)) *batch = std::make_unique<AppBatchOutput>();
    if (arguments->Contains("h")) {
        if (*batch) (*batch)->Line(UsageText());
        else ShowUsage();
        return false;
    }
    WinLayer::WinToolkit::Instance().SetInstanceHandle(instance);
    WinLayer::WinPathDialog::SetEntryIcons(kPathBoxIcons);
    bool firstStart = false;
    if (!CheckMainProfile(batch->get(), &firstStart)) {
        if (*batch) *exitCode = 1;
        return false;
    }
    const RawString program = RawLayer::ProgramFile();
    const GuiProfilePaths paths = ResolveProfilePaths(MainProfilePath(program), RawLayer::ParentPath(program));
    GuiProfile::Instance().Load(paths);
    // The profile was just made, so the GUI profile is this same file: the
    // hint buttons get their lists, with notes in the language now loaded.
    if (firstStart) WriteStarterHints(GuiProfile::Instance().File());
    LoadConfiguration(paths, *arguments);
    // The start paths are full now; from here on the process's own current
    // folder must not stand in the way of renaming it or a folder above it.
    RawLayer::LeaveStartFolder();
    return true;
}

}  // namespace

int AppMain(HINSTANCE instance) {
    // Before anything else can fail, so that every crash leaves a dump.
    RawLayer::InstallCrashDumpHandler();
    RawParameterList arguments;
    std::unique_ptr<AppBatchOutput> batch;
    int exitCode = 0;
    if (Initialise(instance, &arguments, &batch, &exitCode)) {
        const JobLayer::JobOption& option = JobLayer::JobOption::Instance();
        RawLayer::SetCrashDumpFolder(option.logFolder);
        JobLayer::JobLogServer& log = JobLayer::JobLogServer::Instance();
        log.OpenLog(option.logFolder, option.maxLogFiles);
        // "-u" takes the last run back, and with "-i" only tells how it would.
        const bool apply = option.Has(JobLayer::JobOption::Apply);
        if (batch && arguments.Contains("u"))
            exitCode = RunUndo(apply || !option.Has(JobLayer::JobOption::Inspect), *batch);
        else if (batch) exitCode = RunBatch(apply, *batch);
        else RunWindow();
        log.Shutdown();
    }
    return exitCode;
}

}  // namespace AppLayer
