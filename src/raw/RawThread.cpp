// Thread units, locks and events on kernel32; the unhandled-exception guard
// and the minidump writer on dbghelp; UTC time and the time-zone offset.
#include "raw/RawThread.h"

#include "raw/RawPath.h"
#include "raw/RawProduct.h"
#include "raw/RawShell.h"

#include <windows.h>

#include <dbghelp.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <string>

namespace RawLayer {

// ---------------------------------------------------------------- locks and events

RawCriticalSection::RawCriticalSection() : section_(new CRITICAL_SECTION) {
    InitializeCriticalSection(static_cast<CRITICAL_SECTION*>(section_));
}

RawCriticalSection::~RawCriticalSection() {
    DeleteCriticalSection(static_cast<CRITICAL_SECTION*>(section_));
    delete static_cast<CRITICAL_SECTION*>(section_);
}

void RawCriticalSection::Enter() { EnterCriticalSection(static_cast<CRITICAL_SECTION*>(section_)); }
void RawCriticalSection::Leave() { LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(section_)); }

RawEvent::RawEvent() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

RawEvent::~RawEvent() = default;

void RawEvent::Set() {
    if (handle_) SetEvent(handle_.Get());
}

void RawEvent::Reset() {
    if (handle_) ResetEvent(handle_.Get());
}

bool RawEvent::Wait(uint32_t milliseconds) {
    // Without an event object a waiter still must not spin: it sleeps the time out.
    if (!handle_) {
        Sleep(milliseconds);
        return false;
    }
    return WaitForSingleObject(handle_.Get(), milliseconds) == WAIT_OBJECT_0;
}

void RawSleep(uint32_t milliseconds) { Sleep(milliseconds); }
uint32_t RawCurrentThreadId() { return GetCurrentThreadId(); }

// ---------------------------------------------------------------- thread unit

RawThreadUnit::RawThreadUnit() = default;

RawThreadUnit::~RawThreadUnit() = default;

bool RawThreadUnit::Start() {
    {
        RawLock lock(stateLock_);
        if (running_) return false;
        starting_ = true;
        running_ = true;
        stopRequest_ = false;
        finished_ = false;
        DWORD id = 0;
        thread_.Reset(CreateThread(nullptr, 0, &RawThreadUnit::Entry, this, 0, &id));
        if (thread_) {
            threadId_ = id;
            return true;
        }
        starting_ = false;
        running_ = false;
        threadId_ = 0;
    }
    OnEnd();
    return false;
}

unsigned long __stdcall RawThreadUnit::Entry(void* unit) {
    // The guard of every thread is the process-wide filter that
    // RawThreadHook::Install puts in place: it sees whatever this body lets through.
    static_cast<RawThreadUnit*>(unit)->Body();
    return 0;
}

void RawThreadUnit::Body() {
    {
        RawLock lock(stateLock_);
        if (priority_ != 0) SetThreadPriority(GetCurrentThread(), priority_);
        starting_ = false;
    }
    Run();
    {
        RawLock lock(stateLock_);
        running_ = false;
        starting_ = false;
        finished_ = true;
    }
    OnEnd();
}

void RawThreadUnit::Wait() {
    RawKernelHandle thread;
    {
        RawLock lock(stateLock_);
        // The unit's own thread would wait for itself for ever.
        if (!thread_ || threadId_ == GetCurrentThreadId()) return;
        // A copy of the handle: a Start on another thread may close the unit's own.
        const HANDLE process = GetCurrentProcess();
        if (!DuplicateHandle(process, thread_.Get(), process, thread.Put(), SYNCHRONIZE, FALSE, 0)) return;
    }
    // The thread ends right after its body, so this covers a body not yet entered too.
    WaitForSingleObject(thread.Get(), INFINITE);
}

void RawThreadUnit::RequestStop() {
    RawLock lock(stateLock_);
    stopRequest_ = true;
}

bool RawThreadUnit::StopRequested() {
    RawLock lock(stateLock_);
    return stopRequest_;
}

bool RawThreadUnit::IsRunning() {
    RawLock lock(stateLock_);
    return running_;
}

bool RawThreadUnit::IsFinished() {
    RawLock lock(stateLock_);
    return finished_;
}

// ---------------------------------------------------------------- hook

namespace {

std::atomic<RawThreadHook::Handler*> gHandler{nullptr};

// Raised from the terminate handler so that a C++ exception nobody caught
// reaches the same filter as a hardware fault, with the thrower's stack intact
// (the unwinder calls terminate before unwinding when no handler matches).
constexpr DWORD kUncaughtCppException = 0xE0564E01;

LONG WINAPI GuardFilter(EXCEPTION_POINTERS* pointers) {
    RawThreadHook::Dispatch(pointers);
    // The process still ends as the system decides; the dump is only a witness.
    return EXCEPTION_CONTINUE_SEARCH;
}

void GuardTerminate() {
    RaiseException(kUncaughtCppException, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::abort();
}

}  // namespace

void RawThreadHook::Install(Handler* handler) {
    static const bool guarded = [] {
        SetUnhandledExceptionFilter(&GuardFilter);
        std::set_terminate(&GuardTerminate);
        return true;
    }();
    (void)guarded;
    gHandler.store(handler, std::memory_order_release);
}

RawThreadHook::Handler* RawThreadHook::Current() { return gHandler.load(std::memory_order_acquire); }

void RawThreadHook::Dispatch(_EXCEPTION_POINTERS* pointers) {
    if (Handler* handler = Current()) handler->OnException(pointers);
}

// ---------------------------------------------------------------- time

RawSystemTime RawCurrentUtcTime() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    RawSystemTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.milliseconds = st.wMilliseconds;
    return t;
}

RawString RawFormatTimeStamp(const RawSystemTime& time, const RawString& separator) {
    RawString out(RawCodeKind::Utf8, 24);
    out.AppendDigits(time.year, 4);
    out.AppendDigits(time.month, 2);
    out.AppendDigits(time.day, 2);
    out.Append(separator);
    out.AppendDigits(time.hour, 2);
    out.AppendDigits(time.minute, 2);
    out.AppendDigits(time.second, 2);
    out.Append(separator);
    out.AppendDigits(time.milliseconds, 3);
    return out;
}

int32_t RawUtcOffsetFromBias(int32_t bias, int32_t standardBias, int32_t daylightBias,
                             uint32_t zoneState) {
    // GetTimeZoneInformation: UTC = local time + bias, and the period's own bias
    // is added on top; leaving out the daylight bias would put a summer log an
    // hour off its stamps.
    int32_t total = bias;
    if (zoneState == TIME_ZONE_ID_STANDARD) total += standardBias;
    else if (zoneState == TIME_ZONE_ID_DAYLIGHT) total += daylightBias;
    return -total;
}

int32_t RawLocalUtcOffsetMinutes() {
    static const int32_t offset = [] {
        TIME_ZONE_INFORMATION zone{};
        const DWORD state = GetTimeZoneInformation(&zone);
        if (state == TIME_ZONE_ID_INVALID) return 0;
        return RawUtcOffsetFromBias(zone.Bias, zone.StandardBias, zone.DaylightBias, state);
    }();
    return offset;
}

uint16_t RawUserUiLanguage() { return GetUserDefaultUILanguage(); }

// ---------------------------------------------------------------- dumps

namespace {

struct DumpJob {
    RawString path;
    EXCEPTION_POINTERS* pointers;
    DWORD threadId;
};

void WriteDump(const DumpJob& job) {
    const int32_t slash = job.path.FindLastSeparator(kAll);
    if (slash > 0) EnsureFolder(RawString(job.path, RawRange(0, slash), job.path.Kind()));
    MINIDUMP_EXCEPTION_INFORMATION info{};
    info.ThreadId = job.threadId;
    info.ExceptionPointers = job.pointers;
    info.ClientPointers = TRUE;
    const RawFileHandle file(CreateFileW(WideLongPath(job.path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return;
    MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), MiniDumpWithFullMemory,
                      job.pointers ? &info : nullptr, nullptr, nullptr);
}

DWORD WINAPI DumpThread(void* job) {
    WriteDump(*static_cast<DumpJob*>(job));
    return 0;
}

}  // namespace

RawThreadDump::RawThreadDump(const RawString& folder, const RawString& programName)
    : folder_(folder), programName_(programName) {}

void RawThreadDump::SetFolder(const RawString& folder) {
    RawLock lock(folderLock_);
    folder_ = folder;
}

RawString RawThreadDump::Folder() {
    RawLock lock(folderLock_);
    return folder_;
}

RawString RawThreadDump::MakeDumpPathAt(const RawSystemTime& utc) {
    const RawString folder = Folder();
    if (folder.IsEmpty()) return RawString();
    RawString path(folder, RawCodeKind::Utf8);
    if (!path.IsSeparatorAt(path.Length() - 1)) path.AppendUnit('\\');
    path.Append(programName_, "_Dump_", RawFormatTimeStamp(utc, "_"), ".dmp");
    return path;
}

RawString RawThreadDump::MakeDumpPath() { return MakeDumpPathAt(RawCurrentUtcTime()); }

void RawThreadDump::OnException(_EXCEPTION_POINTERS* pointers) {
    // Two threads failing together would otherwise race for the same name.
    static RawCriticalSection dumping;
    RawLock lock(dumping);
    DumpJob job{MakeDumpPath(), pointers, GetCurrentThreadId()};
    if (job.path.IsEmpty()) return;
    // MiniDumpWriteDump documents that it should not run on the failing thread:
    // after a stack overflow that thread has no stack left to write with. A
    // fresh thread with its own stack does the work while this one waits.
    const RawKernelHandle writer(CreateThread(nullptr, 0, &DumpThread, &job, 0, nullptr));
    if (writer) {
        WaitForSingleObject(writer.Get(), INFINITE);
    } else {
        WriteDump(job);
    }
}

// ---------------------------------------------------------------- start-up

namespace {
RawThreadDump* gProcessDump = nullptr;
}

void InstallCrashDumpHandler() {
    static RawThreadDump* const dump = [] {
        // Without a temporary folder there is no sound place: no dump rather
        // than one in whatever the current folder happens to be.
        const RawString temp = WithoutTrailingSeparator(TempFolder(RawCodeKind::Utf8));
        const RawString folder = temp.IsEmpty() ? RawString() : JoinPath(temp, kProductName);
        // Never freed: it must outlive every thread that might still fail at exit.
        return new RawThreadDump(folder, kProductName);
    }();
    gProcessDump = dump;
    RawThreadHook::Install(dump);
}

void SetCrashDumpFolder(const RawString& folder) {
    if (gProcessDump) gProcessDump->SetFolder(folder);
}

RawThreadDump* CrashDumpHandler() { return gProcessDump; }

}  // namespace RawLayer
