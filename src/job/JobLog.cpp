// Job log: file naming, rotation of old logs, the record formats and the
// writer thread that takes lines from the queue.
#include "job/JobLog.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "job/JobJournal.h"
#include "raw/RawCodeRules.h"
#include "raw/RawFolderScan.h"
#include "raw/RawLineFile.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"

namespace JobLayer {

using namespace RawLayer;

namespace {

const RawString& ProductName() { static const RawString s = RawString::MakeLiteral(kProductName); return s; }
const RawString& VersionText() { static const RawString s = RawString::MakeLiteral(kVersionText); return s; }
const RawString& LogExtension() { static const RawString s = RawString::MakeLiteral("log"); return s; }

bool IsDigit(uint32_t unit) { return unit >= '0' && unit <= '9'; }

// A later stamp by one millisecond, carried into the seconds and beyond only
// as far as a stamp needs to stay well-formed.
RawSystemTime NextMillisecond(RawSystemTime t) {
    if (++t.milliseconds < 1000) return t;
    t.milliseconds = 0;
    if (++t.second < 60) return t;
    t.second = 0;
    if (++t.minute < 60) return t;
    t.minute = 0;
    if (++t.hour < 24) return t;
    t.hour = 0;
    ++t.day;  // day 32 at worst: still a unique, well-shaped name
    return t;
}

// The file under a log: created new, never one that is there already.
class NewFile : public RawFile {
public:
    bool OpenWrite(const RawString& path) override { return OpenNew(path); }
};

}  // namespace

// ---------------------------------------------------------------- formats

RawString FormatStamp(const RawSystemTime& utc, const RawString& separator) {
    return RawFormatTimeStamp(utc, separator);
}

RawString FormatStamp(const RawString& separator) { return FormatStamp(RawCurrentUtcTime(), separator); }

RawString FormatRecord(const RawSystemTime& utc, const RawString& recordClass, const RawString& event,
                       const RawString& detail, const RawString& text) {
    RawString line(RawCodeKind::Utf8, 64);
    line.AppendUnit('#');
    line.Append(recordClass);
    if (!event.IsEmpty()) {
        line.AppendUnit(':');
        line.Append(event);
    }
    if (!detail.IsEmpty()) {
        line.AppendUnit(':');
        line.Append(detail);
    }
    line.AppendUnit(':');
    line.Append(FormatStamp(utc, "."));
    if (!text.IsEmpty()) {
        line.Append("|$");
        line.Append(text);
    }
    line.Append(RawText::CrLf());
    return line;
}

RawString FormatRecord(const RawString& recordClass, const RawString& event, const RawString& detail,
                       const RawString& text) {
    return FormatRecord(RawCurrentUtcTime(), recordClass, event, detail, text);
}

RawString FormatTimeZoneLine(int32_t offsetMinutes) {
    RawString line("// <TimeZone>UTC");
    line.AppendUnit(offsetMinutes >= 0 ? '+' : '-');
    const uint32_t magnitude = offsetMinutes >= 0 ? static_cast<uint32_t>(offsetMinutes)
                                                  : 0u - static_cast<uint32_t>(offsetMinutes);
    line.AppendDigits(magnitude / 60, 2);
    line.AppendUnit(':');
    line.AppendDigits(magnitude % 60, 2);
    return line;
}

RawString FormatVersionLine() {
    RawString line("// ");
    line.Append(ProductName(), " Version ", VersionText());
    return line;
}

RawString MakeLogFileName(const RawString& folder, const RawString& prefix, const RawString& extension,
                          const RawSystemTime& utc) {
    RawString name(prefix, RawCodeKind::Utf8);
    name.Append("_", FormatStamp(utc, "_"), ".", extension);
    return JoinPath(RawString(folder, RawCodeKind::Utf8), name);
}

bool IsLogFileName(const RawString& name, const RawString& prefix, const RawString& extension) {
    // prefix _ yyyymmdd _ hhmmss _ mmm . extension
    const RawString n(name, RawCodeKind::Utf8);
    const int32_t p = prefix.Length();
    const int32_t length = p + 1 + 8 + 1 + 6 + 1 + 3 + 1 + extension.Length();
    if (n.Length() != length || !n.EqualNoCase(RawRange(0, p), prefix, kAll)) return false;
    int32_t i = p;
    for (const int32_t digits : {8, 6, 3}) {
        if (n.UnitAt(i++) != '_') return false;
        for (int32_t k = 0; k < digits; ++k)
            if (!IsDigit(n.UnitAt(i++))) return false;
    }
    if (n.UnitAt(i++) != '.') return false;
    return n.EqualNoCase(RawRange(i, n.Length()), extension, kAll);
}

int32_t RotateLogs(const RawString& folder, int32_t maxFiles, const RawString& prefix,
                   const RawString& extension) {
    if (maxFiles < 1) return 0;
    // One entry per log: the log and its runs' journals, or only the journals
    // of a log deleted by hand, which age with their newest journal.
    struct Entry {
        RawFindFileData log;
        bool hasLog = false;
        uint64_t time = 0;
        std::vector<RawString> journals;
    };
    std::map<std::string, Entry> byLog;  // by the log's name in upper case
    auto key = [](const RawString& name) {
        std::string k = RawString(name, RawCodeKind::Utf8).ToUtf8();
        for (char& c : k) c = static_cast<char>(FoldAscii(static_cast<uint8_t>(c)));
        return k;
    };
    RawFolderScan scan(folder);
    while (scan.Next(RawFolderScan::SkipDots | RawFolderScan::FilesOnly)) {
        // Only the program's own logs: the folder may be shared with anything
        // else the user keeps there (with the default options it is the
        // temporary folder's "Varnelo", which also holds the crash dumps).
        const RawFindFileData& data = scan.Data();
        if (IsLogFileName(data.name, prefix, extension)) {
            Entry& entry = byLog[key(data.name)];
            entry.log = data;
            entry.hasLog = true;
            entry.time = data.lastWriteTime;
        } else if (RawString log = LogNameOfJournal(data.name, prefix, extension); !log.IsEmpty()) {
            Entry& entry = byLog[key(log)];
            entry.journals.push_back(data.path);
            if (!entry.hasLog) entry.time = std::max(entry.time, data.lastWriteTime);
        }
    }
    if (static_cast<int32_t>(byLog.size()) < maxFiles) return 0;
    std::vector<std::pair<const std::string*, Entry*>> entries;
    for (auto& [name, entry] : byLog) entries.emplace_back(&name, &entry);
    // Oldest first; files written in the same clock tick fall back to the
    // stamp in their names, which orders them as they were created.
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        if (a.second->time != b.second->time) return a.second->time < b.second->time;
        return *a.first < *b.first;
    });
    // A journal that an undo still needs stays, whatever its log's age.
    const std::vector<RawString> kept = KeptJournals(folder);
    auto isKept = [&](const RawString& journal) {
        return std::any_of(kept.begin(), kept.end(), [&](const RawString& k) { return k.EqualsNoCase(journal); });
    };
    int32_t deleted = 0;
    for (size_t i = 0; static_cast<int32_t>(entries.size() - i) >= maxFiles; ++i) {
        Entry& entry = *entries[i].second;
        if (entry.hasLog) {
            // Its runs' journals go with it, and only with it.
            if (!DeleteFilePath(entry.log.path)) continue;
            ++deleted;
        }
        for (const RawString& journal : entry.journals)
            if (!isKept(journal)) DeleteFilePath(journal);
    }
    return deleted;
}

// ---------------------------------------------------------------- storer

JobLogStorer::JobLogStorer(Separater& separater)
    : separater_(separater), prefix_(ProductName()), extension_(LogExtension()) {}

JobLogStorer::~JobLogStorer() { Shutdown(); }

bool JobLogStorer::OpenLog(const RawString& folder, int32_t maxFiles, const RawSystemTime& utc) {
    bool again = false;
    {
        RawLock lock(queueLock_);
        again = opened_;
        opened_ = true;
    }
    if (again) return IsOpen();
    std::unique_ptr<RawFile> stream;
    std::unique_ptr<RawLineFile> file;
    // EnsureFolder fails when another process creates the folder at the same
    // moment; what counts is that the folder is there.
    if (!folder.IsEmpty() && (EnsureFolder(folder) || IsFolder(folder))) {
        RotateLogs(folder, maxFiles, prefix_, extension_);
        // A second instance started in the same millisecond must not take over
        // this run's file, nor may this one take over a file that is there:
        // the name is claimed by creating it, and a taken one gives the next stamp.
        RawSystemTime stamp = utc;
        RawString name;
        for (int tries = 0; tries < 1000; ++tries, stamp = NextMillisecond(stamp)) {
            name = MakeLogFileName(folder, prefix_, extension_, stamp);
            stream = std::make_unique<NewFile>();
            file = std::make_unique<RawLineFile>(name);
            file->SetStream(stream.get());
            if (file->OpenWrite()) break;
            file.reset();
            if (!PathExists(name)) break;  // not taken, just not writable
        }
        RawLock lock(fileLock_);
        folder_ = folder;
        if (file) fileName_ = name;
    }
    {
        RawLock lock(fileLock_);
        stream_ = std::move(stream);
        file_ = std::move(file);
    }
    // The header goes out before the writer starts, so that a line posted
    // early can never land in front of it or be interleaved with it.
    separater_.Separate();
    if (!IsOpen()) {
        // Without a file nothing will ever take the lines: stop collecting them.
        RawLock lock(queueLock_);
        accepting_ = false;
        queue_.Clear();
        return false;
    }
    {
        RawLock lock(queueLock_);
        accepting_ = true;
    }
    if (!Start()) {
        CloseFile();
        RawLock lock(queueLock_);
        accepting_ = false;
        queue_.Clear();
        return false;
    }
    return true;
}

void JobLogStorer::Post(const RawString& line) {
    // A copy of its own: the poster may go on editing its string on its thread.
    RawString copy(RawCodeKind::Utf8, line.Length());
    copy.Append(line);
    RawLock lock(queueLock_);
    if (!accepting_) return;
    queue_.Append(std::move(copy));
    wakeUp_.Set();
}

bool JobLogStorer::Pop(RawString* line) {
    RawLock lock(queueLock_);
    if (queue_.IsEmpty()) {
        *line = RawString();
        return false;
    }
    RawString* unit = queue_.Detach(queue_.begin());
    *line = std::move(*unit);
    delete unit;
    return true;
}

bool JobLogStorer::Write(const RawString& text) {
    RawLock lock(fileLock_);
    if (!file_) return false;
    return file_->WriteText(text);
}

void JobLogStorer::Run() {
    RawString line;
    while (!StopRequested()) {
        if (!Pop(&line)) {
            wakeUp_.Wait(100);
            wakeUp_.Reset();
            continue;
        }
        Write(line);
        RawSleep(0);
    }
    while (Pop(&line)) Write(line);
    CloseFile();
}

void JobLogStorer::CloseFile() {
    RawLock lock(fileLock_);
    if (file_) file_->Close();
    file_.reset();
    stream_.reset();
}

void JobLogStorer::Shutdown() {
    {
        RawLock lock(queueLock_);
        accepting_ = false;
        opened_ = true;  // a log is opened once per run, never after its end
    }
    RequestStop();
    wakeUp_.Set();
    Wait();
    // Reached without a writer (none was started, or it could not be): what
    // was queued is dropped and a file still open is closed here.
    CloseFile();
    RawLock lock(queueLock_);
    queue_.Clear();
}

RawString JobLogStorer::FileName() {
    RawLock lock(fileLock_);
    return fileName_;
}

bool JobLogStorer::IsOpen() {
    RawLock lock(fileLock_);
    return file_ != nullptr;
}

int32_t JobLogStorer::QueuedCount() {
    RawLock lock(queueLock_);
    return queue_.Count();
}

// ---------------------------------------------------------------- server

JobLogServer::JobLogServer() : storer_(*this), offsetMinutes_(RawLocalUtcOffsetMinutes()) {}

JobLogServer::~JobLogServer() { storer_.Shutdown(); }

JobLogServer& JobLogServer::Instance() {
    static JobLogServer server;
    return server;
}

bool JobLogServer::OpenLog(const RawString& folder, int32_t maxLogFiles) {
    return OpenLogAt(folder, maxLogFiles, RawCurrentUtcTime());
}

bool JobLogServer::OpenLogAt(const RawString& folder, int32_t maxLogFiles, const RawSystemTime& utc) {
    return storer_.OpenLog(folder, maxLogFiles, utc);
}

void JobLogServer::Post(const RawString& line) { storer_.Post(line); }

void JobLogServer::PostRecord(const RawString& recordClass, const RawString& event, const RawString& detail,
                              const RawString& text) {
    storer_.Post(FormatRecord(recordClass, event, detail, text));
}

void JobLogServer::PostStarted() { PostRecord("Information", "Started"); }
void JobLogServer::PostTerminated() { PostRecord("Information", "Terminated"); }

void JobLogServer::Shutdown() { storer_.Shutdown(); }

void JobLogServer::Separate() {
    storer_.Write(FormatVersionLine());
    storer_.Write(RawText::CrLf());
    storer_.Write(FormatTimeZoneLine(offsetMinutes_));
    storer_.Write(RawText::CrLf());
    storer_.Write(RawText::CrLf());
}

void JobLogServer::SetUtcOffsetMinutes(int32_t offsetMinutes) { offsetMinutes_ = offsetMinutes; }

}  // namespace JobLayer
