// A program that fails on purpose, for the crash-dump tests:
//   raw_crash_helper MODE [DUMP_FOLDER]
// MODE access: a write through a null pointer on the main thread; thread: the
// same inside a RawThreadUnit; throw: a C++ exception nobody catches;
// nohandler: a fault with the guard in place but no handler; none: no fault.
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "raw/RawThread.h"

using namespace RawLayer;

namespace {

LPTOP_LEVEL_EXCEPTION_FILTER gProgramFilter = nullptr;

// Runs the program's own filter, then ends the process at once with 3, so
// that no crash reporter of the system (Windows Error Reporting, or a
// debugger started for the crash) holds the test up.
LONG WINAPI EndAfterTheHook(EXCEPTION_POINTERS* pointers) {
    if (gProgramFilter) gProgramFilter(pointers);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

void Fault() {
    // Read from a volatile so the compiler cannot see the null and put a trap
    // instruction in place of the write.
    volatile uintptr_t address = 0;
    *reinterpret_cast<volatile int*>(address) = 1;
}

class FailingUnit : public RawThreadUnit {
public:
    void Run() override { Fault(); }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"nohandler") {
        RawThreadHook::Install(nullptr);
    } else {
        InstallCrashDumpHandler();
        if (argc > 2) SetCrashDumpFolder(RawString::FromWide(argv[2]));
    }
    gProgramFilter = SetUnhandledExceptionFilter(&EndAfterTheHook);

    if (mode == L"access" || mode == L"nohandler") {
        Fault();
    } else if (mode == L"thread") {
        FailingUnit unit;
        unit.Start();
        unit.Wait();
    } else if (mode == L"throw") {
        throw std::runtime_error("nobody catches this");
    }
    return 0;
}
