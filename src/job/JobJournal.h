// The journal of a rename run, written beside the job log one line per rename
// as it happens, and taking a run back from its journal.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "raw/RawProduct.h"
#include "raw/RawString.h"
#include "raw/RawThread.h"

namespace RawLayer {
class RawFile;
}

namespace JobLayer {

using RawLayer::RawString;
using RawLayer::RawSystemTime;

// The journal of run number `run` (from 1) of the process whose job log is
// logFile: the log's name with "journal" for "log", the later runs of one
// process numbered in front of it ("Varnelo_<stamp>.journal",
// "Varnelo_<stamp>.2.journal", ...). Empty without a log file.
RawString JournalPathOf(const RawString& logFile, int32_t run);
// The name of the log file a journal's file name belongs to, or empty when
// the name is not one of the program's journals.
RawString LogNameOfJournal(const RawString& journalName, const RawString& prefix = RawLayer::kProductName,
                           const RawString& logExtension = "log");

// Records one rename run. The file is created with the first rename tried
// and removed again when none succeeded. Each rename's line is written at
// once, without a flush, and a failed rename's withdrawn, so that a run cut
// short by a crash of the process still leaves a true journal; the end of
// the run is recorded. A run without a log file, or whose journal cannot be
// written, runs on unrecorded.
class JobJournal {
public:
    // A run starting now, of the process whose job log is logFile.
    explicit JobJournal(const RawString& logFile);
    JobJournal(const RawString& logFile, const RawSystemTime& started);
    ~JobJournal();
    JobJournal(const JobJournal&) = delete;
    JobJournal& operator=(const JobJournal&) = delete;

    // Renames oldPath to newPath, never replacing an item, and records the
    // rename when it succeeded. 0, or the system's error code.
    uint32_t Move(const RawString& oldPath, const RawString& newPath);
    // Records the end of the run, flushes and closes the file.
    void Close();

    RawString Path() const { return path_; }  // empty while no journal is kept
    int32_t Count() const { return count_; }   // renames recorded
    bool Failed() const { return failed_; }    // the file could not be made or written

private:
    bool Create();
    bool Write(const RawString& text);

    RawString logFile_;
    RawSystemTime started_;
    RawString path_;
    std::unique_ptr<RawLayer::RawFile> file_;
    int32_t count_ = 0;
    bool failed_ = false;
};

// A run as its journal tells it.
struct JobJournalRun {
    RawString path;           // the journal file
    RawSystemTime started{};  // when the run began, UTC
    int32_t items = 0;        // renames recorded
    int32_t restored = 0;     // of them taken back by undos that stopped part-way
    bool ended = false;       // the run came to its end; else it was cut short
    bool undone = false;      // every item is back
};

// One recorded rename, with what the run found at the item: a file's size
// and last-write time, or that it is a folder.
struct JobJournalEntry {
    RawString oldPath;
    RawString newPath;
    char kind = 0;  // 'F' file, 'D' folder, 0 not known
    uint64_t size = 0;
    uint64_t lastWriteTime = 0;  // FILETIME units
    bool restored = false;       // an undo took it back
};

// Reads a journal without holding it; false when it cannot be read.
bool ReadJournal(const RawString& path, JobJournalRun* run, std::vector<JobJournalEntry>* entries = nullptr);

// The newest run in the log folder that can be taken back: recorded renames
// of which some are not back yet. False when there is none.
bool FindUndoableRun(const RawString& logFolder, JobJournalRun* run);

// The journals log rotation keeps whatever their logs' age: the newest run's
// and the newest run's that can be taken back, so that an undo always has
// its run, and a journal goes only once a newer run has one.
std::vector<RawString> KeptJournals(const RawString& logFolder);

// One item of a run taken back.
struct JobUndoStep {
    RawString newPath;  // where the run left it
    RawString oldPath;  // where it goes back to
    uint32_t error = 0;  // 0 when it goes (or went) back
    RawString reason;    // empty then
};

// Takes one run back: the last rename first, so that a folder comes back
// after its content. An item goes back only while it is the one the run left
// (a file unchanged since) at its new path and its old path is free; nothing
// is ever replaced. Each item that goes back is marked in the journal at
// once, and the run is marked undone only when every item is back, so that
// an undo stopped part-way, by an obstacle or a crash, is continued by the
// next one, which reports nothing twice. The journal is held against other
// writers from Open to the end, so that a run still going, or another undo,
// is never raced.
class JobUndo {
public:
    enum State { Ready, Missing, InUse, Undone, Unreadable };

    JobUndo();
    ~JobUndo();
    JobUndo(const JobUndo&) = delete;
    JobUndo& operator=(const JobUndo&) = delete;

    State Open(const RawString& journalPath);
    const JobJournalRun& Run() const { return run_; }
    // What taking the run back would do to the disk as it is now, step by
    // step, renaming nothing. Items back already are no steps.
    std::vector<JobUndoStep> Plan();
    // Takes the run back, reporting every step, marks what went back and
    // lets the journal go. The number of steps that failed. stopRequested,
    // when given, is asked before each step: a stopped undo is one that
    // stopped part-way, continued by the next.
    int32_t Carry(const std::function<void(const JobUndoStep&)>& report = nullptr,
                  const std::function<bool()>& stopRequested = nullptr);
    // The items the last Carry did not try because it was stopped.
    int32_t NotTried() const { return notTried_; }
    void Close();

    // The user's words for a state other than Ready.
    static RawString StateText(State state);

private:
    // Entries whose item is at its old path and no longer at its new one, as
    // an undo cut short between a move and its mark leaves one: they count as back.
    std::vector<size_t> BackUnmarked() const;
    void MarkRestored(size_t entry);
    void FollowRestoredFolders();

    std::unique_ptr<RawLayer::RawFile> file_;
    JobJournalRun run_;
    std::vector<JobJournalEntry> entries_;
    int32_t notTried_ = 0;
};

}  // namespace JobLayer
