// Journal files: their names beside the job log, the lines of a run as it
// renames, finding the newest run to take back, and taking it back.
#include "job/JobJournal.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "job/JobFileList.h"
#include "job/JobLog.h"
#include "raw/RawFile.h"
#include "raw/RawFolderScan.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"

namespace JobLayer {

using namespace RawLayer;

namespace {

// System error codes the undo tells apart.
constexpr uint32_t kFileNotFound = 2;     // ERROR_FILE_NOT_FOUND
constexpr uint32_t kPathNotFound = 3;     // ERROR_PATH_NOT_FOUND
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kFileExists = 80;      // ERROR_FILE_EXISTS
constexpr uint32_t kAlreadyExists = 183;  // ERROR_ALREADY_EXISTS, what MoveFileEx gives for a taken target
constexpr uint32_t kFileInvalid = 1006;   // ERROR_FILE_INVALID: the item is not the one the run left

const RawString& JournalExtension() { static const RawString s = RawString::MakeLiteral("journal"); return s; }
const RawString& LogMark() { static const RawString s = RawString::MakeLiteral("// <Log>"); return s; }
const RawString& RunMark() { static const RawString s = RawString::MakeLiteral("// <Run>"); return s; }
const RawString& UndoneMark() { static const RawString s = RawString::MakeLiteral("#Information:Undone:"); return s; }
const RawString& EndedMark() { static const RawString s = RawString::MakeLiteral("#Information:Ended:"); return s; }
const RawString& RestoredMark() {
    static const RawString s = RawString::MakeLiteral("#Information:Restored:");
    return s;
}
const RawString& FreeTextMark() { static const RawString s = RawString::MakeLiteral("|$"); return s; }
const RawString& WithdrawnMark() {
    static const RawString s = RawString::MakeLiteral("#Information:Withdrawn:");
    return s;
}
const RawString& FolderFacts() { static const RawString s = RawString::MakeLiteral("folder"); return s; }
const RawString& NoFacts() { static const RawString s = RawString::MakeLiteral("-"); return s; }

// A journal's header, with the time of its run, lies within its first bytes.
constexpr uint32_t kHeaderBytes = 4096;

bool IsDigit(uint32_t unit) { return unit >= '0' && unit <= '9'; }

// Digits from `at` up to `end`; false when there are none or anything else.
bool ParseDigits(const RawString& text, int32_t at, int32_t end, uint64_t* value) {
    if (at >= end) return false;
    uint64_t v = 0;
    for (int32_t i = at; i < end; ++i) {
        const uint32_t u = text.UnitAt(i);
        if (!IsDigit(u) || v > (~0ull - 9) / 10) return false;
        v = v * 10 + (u - '0');
    }
    *value = v;
    return true;
}

// "20250406.031502.250", or the same with another one-unit separator.
bool ParseStamp(const RawString& text, int32_t at, RawSystemTime* time) {
    if (text.Length() - at < 19) return false;
    uint64_t date = 0, clock = 0, ms = 0;
    if (!ParseDigits(text, at, at + 8, &date) || !ParseDigits(text, at + 9, at + 15, &clock) ||
        !ParseDigits(text, at + 16, at + 19, &ms))
        return false;
    *time = RawSystemTime{static_cast<uint16_t>(date / 10000), static_cast<uint16_t>(date / 100 % 100),
                          static_cast<uint16_t>(date % 100), static_cast<uint16_t>(clock / 10000),
                          static_cast<uint16_t>(clock / 100 % 100), static_cast<uint16_t>(clock % 100),
                          static_cast<uint16_t>(ms)};
    return true;
}

bool StartsWith(const RawString& text, const RawString& start) {
    return text.Length() >= start.Length() && text.EqualAt(0, start, 0, start.Length());
}

// The third field of a line: what the run found at the new path, so that an
// undo can tell the item it left from one put there since.
RawString FactsText(const RawFileFacts& facts) {
    if (facts.attributes == kNoAttributes) return NoFacts();
    if ((facts.attributes & kAttributeDirectory) != 0) return FolderFacts();
    RawString text(RawCodeKind::Utf8, 48);
    text.AppendInt(static_cast<int64_t>(facts.size));
    text.AppendUnit(':');
    text.AppendInt(static_cast<int64_t>(facts.lastWriteTime));
    return text;
}

bool ParseFacts(const RawString& text, RawRange range, JobJournalEntry* entry) {
    const RawString field(text, range, RawCodeKind::Utf8);
    if (field == NoFacts()) return true;
    if (field == FolderFacts()) {
        entry->kind = 'D';
        return true;
    }
    const int32_t colon = field.FindUnit(kAll, ':');
    if (colon >= field.Length()) return false;
    entry->kind = 'F';
    return ParseDigits(field, 0, colon, &entry->size) &&
           ParseDigits(field, colon + 1, field.Length(), &entry->lastWriteTime);
}

// old TAB new TAB facts; false for anything else (a header, a record).
bool ParseEntry(const RawString& line, JobJournalEntry* entry) {
    const int32_t n = line.Length();
    const int32_t first = line.FindUnit(kAll, '\t');
    if (first <= 0 || first >= n) return false;
    const int32_t second = line.FindUnit({first + 1, n}, '\t');
    if (second <= first + 1 || second >= n) return false;
    *entry = JobJournalEntry();
    entry->oldPath = RawString(line, {0, first}, RawCodeKind::Utf8);
    entry->newPath = RawString(line, {first + 1, second}, RawCodeKind::Utf8);
    return ParseFacts(line, {second + 1, n}, entry);
}

// Reads the whole file from where it stands.
bool ReadAll(RawFile& file, std::string* bytes, uint32_t limit = 0) {
    char buffer[65536];
    for (;;) {
        uint32_t want = sizeof buffer;
        if (limit != 0) {
            if (bytes->size() >= limit) return true;
            want = std::min<uint32_t>(want, limit - static_cast<uint32_t>(bytes->size()));
        }
        uint32_t got = 0;
        if (!file.Read(buffer, want, &got)) return false;
        if (got == 0) return true;
        bytes->append(buffer, got);
    }
}

// The journal's lines into the run and, when asked for, its entries. A last
// line without its CR LF was cut off while being written and does not count.
void ParseJournal(const std::string& bytes, JobJournalRun* run, std::vector<JobJournalEntry>* entries) {
    run->items = 0;
    run->restored = 0;
    run->undone = false;
    run->ended = false;
    JobJournalEntry entry;
    std::vector<bool> back;     // per entry: marked restored
    bool withdrawable = false;  // the line before was an entry
    size_t at = 0;
    for (size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const RawString line(std::string_view(bytes.data() + at, end - at));
        if (StartsWith(line, RunMark())) {
            ParseStamp(line, RunMark().Length(), &run->started);
        } else if (StartsWith(line, UndoneMark())) {
            run->undone = true;
        } else if (StartsWith(line, EndedMark())) {
            run->ended = true;
        } else if (StartsWith(line, RestoredMark())) {
            // "|$" and the entry's number, counted from 1.
            const int32_t text = line.Find(kAll, FreeTextMark()) + FreeTextMark().Length();
            uint64_t number = 0;
            if (ParseDigits(line, text, line.Length(), &number) && number >= 1 && number <= back.size() &&
                !back[number - 1]) {
                back[number - 1] = true;
                ++run->restored;
                if (entries) (*entries)[number - 1].restored = true;
            }
        } else if (StartsWith(line, WithdrawnMark())) {
            // The rename of the line above failed.
            if (withdrawable) {
                --run->items;
                back.pop_back();
                if (entries) entries->pop_back();
            }
            withdrawable = false;
            continue;
        } else if (ParseEntry(line, &entry)) {
            ++run->items;
            back.push_back(false);
            if (entries) entries->push_back(std::move(entry));
            withdrawable = true;
            continue;
        }
        withdrawable = false;
    }
    // Every item marked back: an undo ended before it could say so.
    if (run->items > 0 && run->restored == run->items) run->undone = true;
}

// A journal's name taken apart: the log it belongs to and the run number.
struct JournalName {
    RawString logName;
    int64_t run = 0;
};

bool SplitJournalName(const RawString& name, const RawString& prefix, const RawString& logExtension,
                      JournalName* parts) {
    const RawString n(name, RawCodeKind::Utf8);
    const RawString& extension = JournalExtension();
    const int32_t dot = n.Length() - extension.Length() - 1;
    if (dot <= 0 || n.UnitAt(dot) != '.' || !n.EqualNoCase({dot + 1, n.Length()}, extension, kAll)) return false;
    // prefix _ stamp, then an optional "." and a run number of 2 or more
    int32_t stemEnd = dot;
    int64_t run = 1;
    const int32_t runDot = n.FindLastInSet({0, dot}, ".");
    if (runDot < dot) {
        uint64_t number = 0;
        if (!ParseDigits(n, runDot + 1, dot, &number) || number < 2 || number > 1000000000 ||
            n.UnitAt(runDot + 1) == '0')
            return false;
        stemEnd = runDot;
        run = static_cast<int64_t>(number);
    }
    RawString logName(n, {0, stemEnd}, RawCodeKind::Utf8);
    logName.AppendUnit('.');
    logName.Append(logExtension);
    if (!IsLogFileName(logName, prefix, logExtension)) return false;
    parts->logName = logName;
    parts->run = run;
    return true;
}

// Where a path of the disk as planned stands on the disk as it is: every step
// planned so far is a move, and a path is followed back through them, the
// latest first, to where its item is now. Lookups go by folded path and by
// each of its parents, so a plan of many steps stays fast.
class PlannedMoves {
public:
    // The path on the disk as it is, or false when the plan moved its item
    // away (or the folder it is in) and put nothing in its place.
    bool Locate(const RawString& planned, RawString* now) const {
        RawString path = planned;
        size_t limit = moves_.size();
        while (limit > 0) {
            const std::u16string key = FoldedPath(path);
            int64_t best = -1;
            bool bestIsTarget = false;
            size_t bestLength = 0;
            // The path itself, then each folder it lies in.
            for (size_t length = key.size();;) {
                const auto found = marks_.find(key.substr(0, length));
                if (found != marks_.end()) {
                    for (const Mark& mark : found->second) {
                        if (mark.move >= limit) break;
                        const auto move = static_cast<int64_t>(mark.move);
                        // The latest move wins; a target beats a source of the same
                        // move, which a change of case alone makes of one path.
                        if (move > best || (move == best && mark.target)) {
                            best = move;
                            bestIsTarget = mark.target;
                            bestLength = length;
                        }
                    }
                }
                const size_t separator = length > 1 ? key.find_last_of(u"\\/", length - 1) : std::u16string::npos;
                if (separator == std::u16string::npos || separator == 0) break;
                length = separator;
            }
            if (best < 0) break;
            if (!bestIsTarget) return false;
            const auto& [from, to] = moves_[static_cast<size_t>(best)];
            RawString moved(from, RawCodeKind::Utf8);
            const RawString wide(path, RawCodeKind::Wide);
            moved.Append(RawString(RawString::FromWide(std::u16string_view(wide.Units() + bestLength,
                                                                           wide.Length() - bestLength)),
                                   RawCodeKind::Utf8));
            path = moved;
            limit = static_cast<size_t>(best);
        }
        *now = path;
        return true;
    }

    void Add(const RawString& from, const RawString& to) {
        const size_t move = moves_.size();
        moves_.emplace_back(from, to);
        marks_[FoldedPath(from)].push_back({move, false});
        marks_[FoldedPath(to)].push_back({move, true});
    }

private:
    struct Mark {
        size_t move;
        bool target;
    };
    std::vector<std::pair<RawString, RawString>> moves_;
    std::unordered_map<std::u16string, std::vector<Mark>> marks_;  // each in the order of the moves
};

// Why the item at the new path is not the one the run left there; 0 when it is.
uint32_t Mismatch(const JobJournalEntry& entry, const RawFileFacts& now) {
    if (now.attributes == kNoAttributes) return kFileNotFound;
    const bool folder = (now.attributes & kAttributeDirectory) != 0;
    if (entry.kind == 'D' && !folder) return kFileInvalid;
    if (entry.kind == 'F' && (folder || now.size != entry.size || now.lastWriteTime != entry.lastWriteTime))
        return kFileInvalid;
    return 0;
}

RawString ReasonOf(uint32_t error) {
    switch (error) {
    case 0: return RawString();
    case kFileNotFound: return RawString("The item is no longer at its new path.");
    case kFileInvalid: return RawString("The item was changed after the run.");
    case kFileExists:
    case kAlreadyExists: return RawString("The old name is taken by another item.");
    case kPathNotFound: return RawString("The folder of the old name is no longer there.");
    default: return SystemErrorText(error);
    }
}

JobUndoStep StepOf(const JobJournalEntry& entry, uint32_t error) {
    JobUndoStep step;
    step.newPath = entry.newPath;
    step.oldPath = entry.oldPath;
    step.error = error;
    step.reason = ReasonOf(error);
    return step;
}

bool IsFolderPath(const RawString& path) {
    if (IsFolder(path)) return true;
    // A drive or share root answers only with its separator ("D:" is not "D:\").
    RawString rooted(path, RawCodeKind::Utf8);
    rooted.AppendUnit('\\');
    return IsFolder(rooted);
}

// What the move back of one entry would meet on the disk as planned so far:
// the undo's own check of the item, and those the move itself makes.
uint32_t PlanStep(const JobJournalEntry& entry, const PlannedMoves& planned) {
    RawString item, old, folder;
    RawFileFacts facts;
    if (!planned.Locate(entry.newPath, &item) || !ReadFileFacts(item, &facts)) return kFileNotFound;
    if (const uint32_t mismatch = Mismatch(entry, facts)) return mismatch;
    // Taken by something else; the item itself under another case is no obstacle.
    if (planned.Locate(entry.oldPath, &old) && PathExists(old) && FoldedPath(old) != FoldedPath(item))
        return kAlreadyExists;
    if (!planned.Locate(ParentPath(entry.oldPath), &folder) || !IsFolderPath(folder)) return kPathNotFound;
    return 0;
}

}  // namespace

// ---------------------------------------------------------------- names

RawString JournalPathOf(const RawString& logFile, int32_t run) {
    if (logFile.IsEmpty()) return RawString();
    const RawString path(logFile, RawCodeKind::Utf8);
    const RawRange extension = path.ExtensionRange();
    RawString journal(path, {0, extension.begin < extension.end ? extension.begin - 1 : path.Length()}, RawCodeKind::Utf8);
    if (run > 1) {
        journal.AppendUnit('.');
        journal.AppendInt(run);
    }
    journal.AppendUnit('.');
    journal.Append(JournalExtension());
    return journal;
}

RawString LogNameOfJournal(const RawString& journalName, const RawString& prefix, const RawString& logExtension) {
    JournalName parts;
    return SplitJournalName(journalName, prefix, logExtension, &parts) ? parts.logName : RawString();
}

// ---------------------------------------------------------------- writing

JobJournal::JobJournal(const RawString& logFile) : JobJournal(logFile, RawCurrentUtcTime()) {}

JobJournal::JobJournal(const RawString& logFile, const RawSystemTime& started)
    : logFile_(logFile), started_(started) {}

JobJournal::~JobJournal() { Close(); }

uint32_t JobJournal::Move(const RawString& oldPath, const RawString& newPath) {
    if (logFile_.IsEmpty() || failed_ || (!file_ && !Create())) return MovePathResult(oldPath, newPath, 0);
    // The line goes out before the move and is withdrawn when the move fails:
    // a process ended between a move and a line written after it would leave
    // a rename out of the journal, one ended between this line and its move
    // leaves a last line the undo recognises (the old path is still taken,
    // the new one free). A rename changes neither size nor time of an item,
    // so its facts are read before it too: from the item opened for the
    // move, which costs no lookup by name of its own. An item that cannot be
    // opened so is read and moved by name, as it fails or goes either way.
    RawItemMove item;
    RawFileFacts facts;
    if (item.Open(oldPath) == 0) facts = item.Facts();
    else ReadFileFacts(oldPath, &facts);
    RawString line(RawCodeKind::Utf8, oldPath.Length() + newPath.Length() + 48);
    line.Append(RawString(oldPath, RawCodeKind::Utf8));
    line.AppendUnit('\t');
    line.Append(RawString(newPath, RawCodeKind::Utf8));
    line.AppendUnit('\t');
    line.Append(FactsText(facts));
    line.Append(RawText::CrLf());
    if (!Write(line)) return item.MoveTo(newPath);
    const uint32_t error = item.MoveTo(newPath);
    if (error == 0) ++count_;
    else Write(FormatRecord("Information", "Withdrawn", RawString(), RawString()));
    return error;
}

bool JobJournal::Write(const RawString& text) {
    if (file_->Write(text.Bytes(), static_cast<uint32_t>(text.Length()))) return true;
    // A journal that misses a rename would take back a part of the run as if
    // it were all: it ends here, true up to its last line.
    failed_ = true;
    file_.reset();
    return false;
}

bool JobJournal::Create() {
    RawString header(FormatVersionLine());
    header.Append(RawText::CrLf());
    header.Append(LogMark(), FileName(RawString(logFile_, RawCodeKind::Utf8)), RawText::CrLf());
    header.Append(RunMark(), FormatStamp(started_, "."), RawText::CrLf());
    header.Append(RawText::CrLf());
    auto file = std::make_unique<RawFile>();
    // Several runs of one process share the log's stamp; each claims the next
    // free number, and a file that is there is never taken over.
    for (int32_t run = 1; run < 100000; ++run) {
        const RawString path = JournalPathOf(logFile_, run);
        if (file->OpenNew(path)) {
            path_ = path;
            file_ = std::move(file);
            return Write(header);
        }
        if (!PathExists(path)) break;
    }
    failed_ = true;
    return false;
}

void JobJournal::Close() {
    if (!file_) return;
    if (count_ == 0) {
        // Every rename tried failed: there is no run to take back.
        file_.reset();
        DeleteFilePath(path_);
        path_ = RawString();
        return;
    }
    Write(FormatRecord("Information", "Ended", RawString(), RawString()));
    // Once per run: the renames are on the disk, so should their journal be.
    if (file_) file_->Flush();
    file_.reset();
}

// ---------------------------------------------------------------- reading

bool ReadJournal(const RawString& path, JobJournalRun* run, std::vector<JobJournalEntry>* entries) {
    RawFile file;
    std::string bytes;
    if (!file.OpenRead(path) || !ReadAll(file, &bytes)) return false;
    *run = JobJournalRun();
    run->path = path;
    ParseJournal(bytes, run, entries);
    return true;
}

namespace {

// The journals of a log folder, the newest run first; a journal whose header
// is not written yet while its writer holds it is a run starting this
// moment, the newest of all, and comes first with starting set.
struct JournalsNewestFirst {
    struct Candidate {
        JobJournalRun run;
        JournalName name;
    };
    std::vector<Candidate> runs;
    bool starting = false;

    explicit JournalsNewestFirst(const RawString& logFolder) {
        RawFolderScan scan(logFolder);
        while (scan.Next(RawFolderScan::SkipDots | RawFolderScan::FilesOnly)) {
            Candidate c;
            if (!SplitJournalName(scan.Data().name, RawLayer::kProductName, "log", &c.name)) continue;
            c.run.path = scan.Data().path;
            // The run's own time, from the header; a process may run long and
            // make runs after those of processes started later.
            RawFile file;
            std::string header;
            if (!file.OpenRead(c.run.path) || !ReadAll(file, &header, kHeaderBytes)) continue;
            if (header.find("\r\n\r\n") == std::string::npos) {
                // No header yet: still held by its writer, it is a run starting
                // this moment; else it is no run at all.
                RawFile probe;
                if (probe.OpenUpdate(c.run.path) != kSharingViolation) continue;
                runs.insert(runs.begin(), std::move(c));
                starting = true;
                continue;
            }
            ParseJournal(header, &c.run, nullptr);
            runs.push_back(std::move(c));
        }
        auto time = [](const RawSystemTime& t) {
            return std::tuple(t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds);
        };
        std::sort(runs.begin() + (starting ? 1 : 0), runs.end(), [&](const Candidate& a, const Candidate& b) {
            if (time(a.run.started) != time(b.run.started)) return time(a.run.started) > time(b.run.started);
            const int names = RawCompareStrings(a.name.logName, b.name.logName);
            if (names != 0) return names > 0;
            return a.name.run > b.name.run;
        });
    }

    // The newest run not undone, read whole; false when there is none.
    bool FirstUndoable(JobJournalRun* run) const {
        for (size_t i = 0; i < runs.size(); ++i) {
            if (i == 0 && starting) {
                *run = runs[0].run;
                return true;
            }
            JobJournalRun found;
            if (!ReadJournal(runs[i].run.path, &found, nullptr) || found.undone) continue;
            if (found.items == 0) {
                // A journal is made with its first rename and written at once; an
                // empty one still held by its writer is a run that is just starting.
                RawFile probe;
                if (probe.OpenUpdate(runs[i].run.path) != kSharingViolation) continue;
            }
            *run = found;
            return true;
        }
        return false;
    }
};

}  // namespace

bool FindUndoableRun(const RawString& logFolder, JobJournalRun* run) {
    return JournalsNewestFirst(logFolder).FirstUndoable(run);
}

std::vector<RawString> KeptJournals(const RawString& logFolder) {
    const JournalsNewestFirst journals(logFolder);
    std::vector<RawString> kept;
    if (journals.runs.empty()) return kept;
    kept.push_back(journals.runs.front().run.path);
    JobJournalRun undoable;
    if (journals.FirstUndoable(&undoable)) kept.push_back(undoable.path);
    return kept;
}

// ---------------------------------------------------------------- undo

JobUndo::JobUndo() = default;

JobUndo::~JobUndo() { Close(); }

JobUndo::State JobUndo::Open(const RawString& journalPath) {
    Close();
    run_ = JobJournalRun();
    run_.path = journalPath;
    auto file = std::make_unique<RawFile>();
    switch (file->OpenUpdate(journalPath)) {
    case 0: break;
    case kFileNotFound:
    case kPathNotFound: return Missing;
    case kSharingViolation: return InUse;
    default: return Unreadable;
    }
    std::string bytes;
    if (!ReadAll(*file, &bytes)) return Unreadable;
    ParseJournal(bytes, &run_, &entries_);
    if (run_.undone) {
        entries_.clear();
        return Undone;
    }
    if (!run_.ended && !entries_.empty()) {
        // The run was cut short, perhaps between its last line and that
        // line's move: a move that never happened left its item at the old
        // path and the new one free.
        const JobJournalEntry& last = entries_.back();
        if (PathExists(last.oldPath) && !PathExists(last.newPath)) {
            entries_.pop_back();
            --run_.items;
        }
    }
    FollowRestoredFolders();
    // A line cut off by a crash gets its end, so that the mark starts a line.
    if (!bytes.empty() && !bytes.ends_with("\r\n")) file->Write("\r\n", 2);
    file_ = std::move(file);
    return Ready;
}

void JobUndo::FollowRestoredFolders() {
    // An undo that stopped part-way may have taken back a folder whose
    // content it could not: that content lies where the folder went back to,
    // not where the journal saw it. Each folder an undo took back moves the
    // paths of the later renames below it, latest first as the undo went.
    std::vector<size_t> folders;
    for (size_t j = 0; j < entries_.size(); ++j)
        if (entries_[j].restored && entries_[j].kind != 'F') folders.push_back(j);
    if (folders.empty()) return;
    for (size_t i = 0; i < entries_.size(); ++i) {
        JobJournalEntry& entry = entries_[i];
        if (entry.restored) continue;
        for (auto j = folders.rbegin(); j != folders.rend(); ++j) {
            if (*j >= i) continue;
            const JobJournalEntry& folder = entries_[*j];
            entry.newPath = MovedPath(entry.newPath, folder.newPath, folder.oldPath);
            entry.oldPath = MovedPath(entry.oldPath, folder.newPath, folder.oldPath);
        }
    }
}

std::vector<size_t> JobUndo::BackUnmarked() const {
    std::vector<size_t> back;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const JobJournalEntry& entry = entries_[i];
        RawFileFacts facts;
        if (entry.restored || PathExists(entry.newPath)) continue;
        if (ReadFileFacts(entry.oldPath, &facts) && Mismatch(entry, facts) == 0) back.push_back(i);
    }
    if (back.empty()) return back;
    // Only a path no other rename of the run touched tells: in a swap or a
    // chain the old path holds another item of the run, which may look alike.
    std::unordered_map<std::u16string, int32_t> uses;
    for (const JobJournalEntry& entry : entries_) {
        ++uses[FoldedPath(entry.oldPath)];
        ++uses[FoldedPath(entry.newPath)];
    }
    std::erase_if(back, [&](size_t i) {
        return uses[FoldedPath(entries_[i].oldPath)] > 1 || uses[FoldedPath(entries_[i].newPath)] > 1;
    });
    return back;
}

void JobUndo::MarkRestored(size_t entry) {
    entries_[entry].restored = true;
    ++run_.restored;
    RawString number;
    number.AppendInt(static_cast<int64_t>(entry) + 1);
    const RawString mark = FormatRecord("Information", "Restored", RawString(), number);
    // Not flushed: like the run's own lines, true after a crash of the process.
    file_->Write(mark.Bytes(), static_cast<uint32_t>(mark.Length()));
}

std::vector<JobUndoStep> JobUndo::Plan() {
    std::vector<JobUndoStep> steps;
    if (!file_) return steps;
    std::vector<bool> skip(entries_.size(), false);
    for (size_t i : BackUnmarked()) skip[i] = true;
    steps.reserve(entries_.size());
    PlannedMoves planned;
    for (size_t i = entries_.size(); i-- > 0;) {
        const JobJournalEntry& entry = entries_[i];
        if (entry.restored || skip[i]) continue;
        const uint32_t error = PlanStep(entry, planned);
        if (error == 0) planned.Add(entry.newPath, entry.oldPath);
        steps.push_back(StepOf(entry, error));
    }
    return steps;
}

int32_t JobUndo::Carry(const std::function<void(const JobUndoStep&)>& report,
                       const std::function<bool()>& stopRequested) {
    notTried_ = 0;
    if (!file_) return 0;
    for (size_t i : BackUnmarked()) MarkRestored(i);
    int32_t failures = 0;
    for (size_t i = entries_.size(); i-- > 0;) {
        const JobJournalEntry& entry = entries_[i];
        if (entry.restored) continue;
        if (stopRequested && stopRequested()) {
            for (size_t j = 0; j <= i; ++j) notTried_ += entries_[j].restored ? 0 : 1;
            break;
        }
        RawFileFacts facts;
        ReadFileFacts(entry.newPath, &facts);
        uint32_t error = Mismatch(entry, facts);
        // No replacing flag: a taken old name fails the move itself, with no
        // moment between a look and the move for another item to come.
        if (error == 0) error = MovePathResult(entry.newPath, entry.oldPath, 0);
        if (error == 0) MarkRestored(i);
        else ++failures;
        if (report) report(StepOf(entry, error));
    }
    // The run stays the one to take back until every item is back.
    if (failures == 0 && notTried_ == 0) {
        const RawString mark = FormatRecord("Information", "Undone", RawString(), RawString());
        file_->Write(mark.Bytes(), static_cast<uint32_t>(mark.Length()));
        run_.undone = true;
    }
    Close();
    return failures;
}

void JobUndo::Close() {
    entries_.clear();
    if (!file_) return;
    file_->Flush();
    file_.reset();
}

RawString JobUndo::StateText(State state) {
    switch (state) {
    case Ready: return RawString();
    case Missing: return RawString("The journal of the run is no longer there.");
    case InUse: return RawString("The run is still going, or is being undone by another process.");
    case Undone: return RawString("The run has been undone already.");
    case Unreadable: break;
    }
    return RawString("The journal of the run cannot be read.");
}

}  // namespace JobLayer
