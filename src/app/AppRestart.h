// The restart after a language choice: a new instance with this one's
// arguments and current folder, then this one's window closes.
#pragma once

#include "win/WinDialog.h"

namespace AppLayer {

// Launches the program again and ends the dialog whether or not the launch
// succeeded (a failed launch is not reported); the launch's result.
bool RestartProgram(WinLayer::WinDialog& mainDialog);

}  // namespace AppLayer
