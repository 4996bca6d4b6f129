// Process entry of Varnelo.exe. Kept out of the app library so that test
// programs, which bring their own main, can link everything else.
#include "app/AppMain.h"

// Only the instance handle is passed on: the command line is read again from
// the platform in its wide form, and the other two arguments have no use.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return AppLayer::AppMain(instance);
}
