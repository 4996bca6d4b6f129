// Fails on purpose for the crash-dump tests: raw_crash_helper MODE [DUMP_FOLDER].
// throw: a C++ exception nobody catches, dumped by the process's handler;
// thread: a fault in a RawThreadUnit, reaching a handler that prints "reached"
// instead of dumping; nohandler: a fault with the guard but no handler;
// anything else: no fault, and the dump folder goes to standard output.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "raw/RawThread.h"

using namespace RawLayer;

namespace {

LPTOP_LEVEL_EXCEPTION_FILTER gProgramFilter = nullptr;

// Ends the process with 3 right after the program's own filter, so that no
// crash reporter of the system (Windows Error Reporting, or a debugger
// started for the crash) holds the test up.
LONG WINAPI EndAfterTheHook(EXCEPTION_POINTERS* pointers) {
    if (gProgramFilter) gProgramFilter(pointers);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

void Fault() {
    // A volatile address, so the compiler cannot put a trap in place of the write.
    volatile uintptr_t address = 0;
    *reinterpret_cast<volatile int*>(address) = 1;
}

struct FailingUnit : RawThreadUnit {
    void Run() override { Fault(); }
};

// A full-memory dump takes half a minute under Wine: one failure kind writes
// one, the other only shows that it reached the writer.
struct Witness : RawThreadDump {
    Witness() : RawThreadDump("", "Varnelo") {}
    RawString MakeDumpPath() override { return std::fputs("reached", stdout), std::fflush(stdout), RawString(); }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    static Witness witness;
    if (mode == L"nohandler" || mode == L"thread") {
        RawThreadHook::Install(mode == L"thread" ? &witness : nullptr);
    } else {
        InstallCrashDumpHandler();
        if (argc > 2) SetCrashDumpFolder(RawString::FromWide(argv[2]));
    }
    gProgramFilter = SetUnhandledExceptionFilter(&EndAfterTheHook);

    FailingUnit unit;
    if (mode == L"nohandler") Fault();
    if (mode == L"thread" && unit.Start()) unit.Wait();
    if (mode == L"throw") throw std::runtime_error("nobody catches this");
    if (CrashDumpHandler()) std::fputs(CrashDumpHandler()->Folder().ToUtf8().c_str(), stdout);
    return 0;
}
