// The start-up and shutdown order of the program: every step that belongs to
// another area is one call made at its place in this sequence.
#include "app/AppMain.h"

#include "app/AppCommandLine.h"
#include "raw/RawList.h"

namespace AppLayer {

using RawLayer::RawParameterList;
using RawLayer::RawString;

namespace {

constexpr wchar_t kProductName[] = L"Varnelo";

void ShowMessage(const RawString& text) {
    MessageBoxW(nullptr, text.ToWide().c_str(), kProductName, MB_OK | MB_ICONEXCLAMATION);
}

// Steps 3 to 8: false when the program is to end without a window.
bool Initialise(HINSTANCE, RawParameterList* arguments) {
    ParseCommandLine(ProcessCommandLine(), arguments);
    if (arguments->Contains("h")) {
        ShowMessage(UsageText());
        return false;
    }
    return true;
}

}  // namespace

int AppMain(HINSTANCE instance) {
    RawParameterList arguments;
    if (Initialise(instance, &arguments)) {
        // The log server, the main dialog and its message loop run here.
    }
    return 0;
}

}  // namespace AppLayer
