// The application main: everything the program does between the process
// entry and its exit code.
#pragma once

#include <windows.h>

namespace AppLayer {

// Always returns 0, whatever happened: the exit code carries no outcome.
int AppMain(HINSTANCE instance);

} // namespace AppLayer
