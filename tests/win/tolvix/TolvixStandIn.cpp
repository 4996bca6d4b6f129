// Stands in for the help viewer in tests: writes its first argument, UTF-8,
// to "Tolvix.out" in its own folder, so that a test sees what it was given.
// A windows program, as the viewer is: no console comes up to take the front.
#include <windows.h>

#include <cstdlib>

#include "raw/RawHandle.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"
#include "raw/RawString.h"

using namespace RawLayer;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::string argument = __argc > 1 ? RawString::FromWide(__wargv[1]).ToUtf8() : std::string();
    const std::wstring out = JoinPath(ProgramFolder(), RawString("Tolvix.out")).ToWide();
    RawFileHandle file(CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return 1;
    DWORD written = 0;
    WriteFile(file.Get(), argument.data(), static_cast<DWORD>(argument.size()), &written, nullptr);
    return written == argument.size() ? 0 : 1;
}
