// The restart: the same program file, the argument text as typed, the
// current folder this process was started in; the new process is not waited for. "-a" is left out: this
// process has renamed already, and the new one would rename the new names again.
#include "app/AppRestart.h"

#include "app/AppCommandLine.h"
#include "raw/RawShell.h"

namespace AppLayer {

bool RestartProgram(WinLayer::WinDialog& mainDialog) {
    RawLayer::RawShell shell;
    shell.program = RawLayer::ProgramFile();
    shell.workingFolder = RawLayer::StartFolder();
    const bool launched = shell.Launch(WithoutSwitch(RemoveProgramName(ProcessCommandLine()), RawLayer::RawString("a")), RawLayer::RawString());
    shell.process.Reset();
    mainDialog.End(0);
    return launched;
}

}  // namespace AppLayer
