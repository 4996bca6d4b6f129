// The start-up and shutdown order of the program: every step that belongs to
// another area is one call made at its place in this sequence.
#include "app/AppMain.h"

#include "app/AppBatch.h"
#include "app/AppCommandLine.h"
#include "app/AppMainProfile.h"
#include "app/GuiProfile.h"
#include "job/JobLog.h"
#include "job/JobOption.h"
#include "raw/RawList.h"
#include "raw/RawShell.h"
#include "raw/RawThread.h"

namespace AppLayer {

using RawLayer::RawParameterList;
using RawLayer::RawString;

namespace {

constexpr wchar_t kProductName[] = L"Varnelo";

void ShowUsage() {
    MessageBoxW(nullptr, UsageText().ToWide().c_str(), kProductName, MB_OK | MB_ICONEXCLAMATION);
}

// Steps 3 to 8: false when the program is to end without a window.
bool Initialise(HINSTANCE, RawParameterList* arguments) {
    ParseCommandLine(ProcessCommandLine(), arguments);
    if (arguments->Contains("h")) {
        ShowUsage();
        return false;
    }
    if (!CheckMainProfile()) return false;
    const RawString program = RawLayer::ProgramFile();
    const GuiProfilePaths paths = ResolveProfilePaths(MainProfilePath(program), RawLayer::ParentPath(program));
    GuiProfile::Instance().Load(paths);
    LoadConfiguration(paths, *arguments);
    return true;
}

}  // namespace

int AppMain(HINSTANCE instance) {
    // Before anything else can fail, so that every crash leaves a dump.
    RawLayer::InstallCrashDumpHandler();
    RawParameterList arguments;
    int exitCode = 0;
    if (Initialise(instance, &arguments)) {
        const JobLayer::JobOption& option = JobLayer::JobOption::Instance();
        RawLayer::SetCrashDumpFolder(option.logFolder);
        JobLayer::JobLogServer& log = JobLayer::JobLogServer::Instance();
        log.OpenLog(option.logFolder, option.maxLogFiles);
        const bool apply = option.Has(JobLayer::JobOption::Apply);
        // Without a window "-a" alone does what "-i -a" does.
        if (apply || option.Has(JobLayer::JobOption::Inspect)) {
            BatchOutput output;
            exitCode = RunBatch(apply, output);
        }
        // The main dialog and its message loop run here.
        log.Shutdown();
    }
    return exitCode;
}

}  // namespace AppLayer
