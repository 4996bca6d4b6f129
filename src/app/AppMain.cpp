// Process entry of Varnelo.exe. This file is compiled into the program only,
// never into the app library, so test programs with their own main can link
// the library.
#include "app/AppMain.h"

namespace AppLayer {

int AppMain(HINSTANCE)
{
    return 0;
}

} // namespace AppLayer

// Only the instance handle is passed on: the command line is read again from
// the platform in its wide form, and the other two arguments have no use.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    return AppLayer::AppMain(instance);
}
