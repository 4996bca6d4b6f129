// The application main: everything the program does between the process
// entry and its exit code.
#pragma once

#include <windows.h>

namespace AppLayer {

// The exit code: 0, except in batch mode ("-i", "-a", "-u"), where 1 tells a script
// that a rename failed or was refused, or that the program stopped before it.
int AppMain(HINSTANCE instance);

} // namespace AppLayer
