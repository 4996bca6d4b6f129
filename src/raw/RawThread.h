// Threads, locks and events, the process-wide exception hook with its crash
// dump writer, and the clock: the one place where the foundation reaches the
// platform's threading, time and dbghelp services.
#pragma once

#include <cstdint>

#include "raw/RawHandle.h"
#include "raw/RawString.h"

struct _EXCEPTION_POINTERS;

namespace RawLayer {

// ---------------------------------------------------------------- locks and events

// A critical section. Kept behind a pointer so that this header does not pull
// the platform headers into every layer that locks something.
class RawCriticalSection {
public:
    RawCriticalSection();
    ~RawCriticalSection();
    RawCriticalSection(const RawCriticalSection&) = delete;
    RawCriticalSection& operator=(const RawCriticalSection&) = delete;
    void Enter();
    void Leave();

private:
    void* section_;
};

// Holds a critical section for the life of a scope.
class RawLock {
public:
    explicit RawLock(RawCriticalSection& section) : section_(section) { section_.Enter(); }
    ~RawLock() { section_.Leave(); }
    RawLock(const RawLock&) = delete;
    RawLock& operator=(const RawLock&) = delete;

private:
    RawCriticalSection& section_;
};

// A manual-reset event, not signalled at first.
class RawEvent {
public:
    RawEvent();
    ~RawEvent();
    RawEvent(const RawEvent&) = delete;
    RawEvent& operator=(const RawEvent&) = delete;
    void Set();
    void Reset();
    // True when the event was signalled within the time.
    bool Wait(uint32_t milliseconds);

private:
    RawKernelHandle handle_;
};

void RawSleep(uint32_t milliseconds);
uint32_t RawCurrentThreadId();

// ---------------------------------------------------------------- thread unit

// A thread with its own start and end protocol. The owner must Wait before
// destroying a unit whose thread may still run.
class RawThreadUnit {
public:
    RawThreadUnit();
    virtual ~RawThreadUnit();
    RawThreadUnit(const RawThreadUnit&) = delete;
    RawThreadUnit& operator=(const RawThreadUnit&) = delete;

    // The thread body.
    virtual void Run() = 0;
    // Called once after Run returns, and when the thread could not be created.
    virtual void OnEnd() {}
    // An overridable operation that this class never calls.
    virtual void OnSpare() {}

    // False when the unit is still running or the thread cannot be created.
    bool Start();
    // Returns once a started body has ended (and its thread with it), also
    // when the thread has not entered the body yet; at once when none was
    // started, and when called from the unit's own thread.
    void Wait();

    void SetPriority(int32_t priority) { priority_ = priority; }
    void RequestStop();
    bool StopRequested();
    bool IsRunning();
    bool IsFinished();
    uint32_t ThreadId() const { return threadId_; }

protected:
    // Guards the flags; derived units may guard their own stop state with it.
    RawCriticalSection& StateLock() { return stateLock_; }

private:
    static unsigned long __stdcall Entry(void* unit);
    void Body();

    RawCriticalSection stateLock_;
    RawKernelHandle thread_;
    uint32_t threadId_ = 0;
    int32_t priority_ = 0;
    bool starting_ = false;
    bool stopRequest_ = false;
    bool running_ = false;
    bool finished_ = false;
};

// ---------------------------------------------------------------- hook and dumps

// The one process-wide receiver of exceptions that nothing else handled.
class RawThreadHook {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void OnException(_EXCEPTION_POINTERS* pointers) = 0;
    };

    // Makes the handler the receiver (null removes it); the caller keeps it alive.
    // The first call also puts the guard in place for every thread of the process.
    static void Install(Handler* handler);
    static Handler* Current();
    // What the guard does with an unhandled exception: hand it to the handler.
    static void Dispatch(_EXCEPTION_POINTERS* pointers);
};

// A calendar time, UTC unless said otherwise.
struct RawSystemTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

RawSystemTime RawCurrentUtcTime();
// "20250406<separator>093015<separator>042": every number zero-padded.
RawString RawFormatTimeStamp(const RawSystemTime& time, const RawString& separator);

// Local offset from UTC in minutes (east positive) from the platform's time-zone
// record: Bias is what UTC is ahead of local time, plus the bias of the
// daylight or standard period named by zoneState (1 standard, 2 daylight, else none).
int32_t RawUtcOffsetFromBias(int32_t bias, int32_t standardBias, int32_t daylightBias,
                             uint32_t zoneState);
// The offset in effect for this process, read once on first use.
int32_t RawLocalUtcOffsetMinutes();

// The user's default UI language identifier (GetUserDefaultUILanguage).
uint16_t RawUserUiLanguage();

// Writes a full-memory minidump of the process into its dump folder.
class RawThreadDump : public RawThreadHook::Handler {
public:
    RawThreadDump(const RawString& folder, const RawString& programName);
    void OnException(_EXCEPTION_POINTERS* pointers) override;
    // The path for a dump written now; empty when there is nowhere to write.
    virtual RawString MakeDumpPath();

    // Folder, "\", name, "_Dump_", stamp, ".dmp".
    RawString MakeDumpPathAt(const RawSystemTime& utc);
    void SetFolder(const RawString& folder);
    RawString Folder();
    const RawString& ProgramName() const { return programName_; }

private:
    // The folder may be replaced by the main thread while another thread crashes.
    RawCriticalSection folderLock_;
    RawString folder_;
    RawString programName_;
};

// Start-up step 1: the process's dump writer, dumping into the temporary
// folder's "Varnelo", installed as the thread hook's handler.
void InstallCrashDumpHandler();
// Start-up step 9: later crashes leave their dumps in this folder instead.
void SetCrashDumpFolder(const RawString& folder);
// The process's dump writer (created by InstallCrashDumpHandler), or null.
RawThreadDump* CrashDumpHandler();

}  // namespace RawLayer
