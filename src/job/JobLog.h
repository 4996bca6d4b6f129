// The job log: one UTF-8 file per run in the log folder, written by a thread
// of its own so that the dialog never waits for the disk.
#pragma once

#include <cstdint>
#include <memory>

#include "raw/RawList.h"
#include "raw/RawProduct.h"
#include "raw/RawString.h"
#include "raw/RawThread.h"

namespace RawLayer {
class RawFile;
class RawLineFile;
}

namespace JobLayer {

using RawLayer::RawString;
using RawLayer::RawSystemTime;

// Stamp: date, separator, time of day, separator, milliseconds, e.g.
// 20250406_031502_250 with "_" as the separator.
RawString FormatStamp(const RawSystemTime& utc, const RawString& separator);
RawString FormatStamp(const RawString& separator);  // now (UTC)
// "#" class [":" event] [":" detail] ":" stamp ["|$" text] CR LF, stamp with ".".
RawString FormatRecord(const RawSystemTime& utc, const RawString& recordClass, const RawString& event,
                       const RawString& detail, const RawString& text);
RawString FormatRecord(const RawString& recordClass, const RawString& event, const RawString& detail,
                       const RawString& text);  // now (UTC)
// "// <TimeZone>UTC+09:00" for an offset of 540 minutes east of UTC; no line end.
RawString FormatTimeZoneLine(int32_t offsetMinutes);
// "// Varnelo Version 1.04.2025.0406"; no line end.
RawString FormatVersionLine();

// The name of a log file: folder, "\" unless it already ends in a separator,
// prefix, "_", stamp with "_", ".", extension.
RawString MakeLogFileName(const RawString& folder, const RawString& prefix, const RawString& extension,
                          const RawSystemTime& utc);
// Whether a file name has exactly the shape MakeLogFileName gives (prefix and
// extension compared ignoring ASCII case, as the file system does).
bool IsLogFileName(const RawString& name, const RawString& prefix, const RawString& extension);

// Deletes the oldest of the program's own log files in the folder until fewer
// than maxFiles remain, making room for one new file, each with the journals
// of its runs; the journals of a log deleted by hand count as one such file.
// The journals an undo still needs (KeptJournals) stay; other files stay.
// maxFiles below 1 keeps everything. Returns how many logs were deleted.
int32_t RotateLogs(const RawString& folder, int32_t maxFiles, const RawString& prefix = RawLayer::kProductName,
                   const RawString& extension = "log");

// Owns the queue, the file and the writer thread.
class JobLogStorer : public RawLayer::RawThreadUnit {
public:
    // Writes the header of a freshly opened log file.
    class Separater {
    public:
        virtual ~Separater() = default;
        virtual void Separate() = 0;
    };

    explicit JobLogStorer(Separater& separater);
    ~JobLogStorer() override;

    // Prepares the folder, rotates, opens a new file named for the time, has
    // the header written and starts the writer. False when there is no log;
    // the program then runs on without one. Only the first call does anything.
    bool OpenLog(const RawString& folder, int32_t maxFiles, const RawSystemTime& utc);
    // Queues a finished line; callable from any thread. Dropped once stopped.
    void Post(const RawString& line);
    // The oldest queued line.
    bool Pop(RawString* line);
    // Writes text to the open file; false when none is open or the write failed.
    bool Write(const RawString& text);
    // Stops accepting, lets the writer drain the queue and waits for its end.
    void Shutdown();

    RawString FileName();
    bool IsOpen();
    int32_t QueuedCount();

private:
    void Run() override;
    void CloseFile();

    Separater& separater_;
    RawString folder_;
    RawString prefix_;
    RawString extension_;
    RawString fileName_;
    bool accepting_ = true;
    bool opened_ = false;  // OpenLog has run
    RawLayer::RawStringList queue_;
    std::unique_ptr<RawLayer::RawFile> stream_;  // under file_, so it outlives it
    std::unique_ptr<RawLayer::RawLineFile> file_;
    RawLayer::RawEvent wakeUp_;
    RawLayer::RawCriticalSection queueLock_;
    // The file is written by whoever opened it (the header) and later only by
    // the writer thread; this lock makes the hand-over and a late close safe.
    RawLayer::RawCriticalSection fileLock_;
};

// The process's log: the storer plus the header it writes.
class JobLogServer : public JobLogStorer::Separater {
public:
    JobLogServer();
    ~JobLogServer() override;
    JobLogServer(const JobLogServer&) = delete;
    JobLogServer& operator=(const JobLogServer&) = delete;

    // The process-wide log, created on first use and ended at process exit.
    static JobLogServer& Instance();

    // Start-up (after the options are loaded): the options' LogFolder (never
    // empty) and MaxLogFiles.
    bool OpenLog(const RawString& folder, int32_t maxLogFiles);
    bool OpenLogAt(const RawString& folder, int32_t maxLogFiles, const RawSystemTime& utc);
    void Post(const RawString& line);
    void PostRecord(const RawString& recordClass, const RawString& event,
                    const RawString& detail = RawString(), const RawString& text = RawString());
    // "#Information:Started:<stamp>" and "#Information:Terminated:<stamp>".
    void PostStarted();
    void PostTerminated();
    // Shutdown at the end of the program; returns once the file is closed.
    void Shutdown();

    void Separate() override;
    // The offset the header reports; the process's own unless a caller sets one.
    void SetUtcOffsetMinutes(int32_t offsetMinutes);

    JobLogStorer& Storer() { return storer_; }

private:
    JobLogStorer storer_;
    int32_t offsetMinutes_;
};

}  // namespace JobLayer
