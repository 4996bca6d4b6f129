// Batch mode lines and their destination.
#include "app/AppBatch.h"

#include <windows.h>

#include <atomic>
#include <unordered_map>
#include <vector>

#include "job/JobCondition.h"
#include "job/JobConflict.h"
#include "job/JobJournal.h"
#include "job/JobLog.h"
#include "job/JobOption.h"
#include "job/JobRename.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"

namespace AppLayer {

using namespace JobLayer;
using RawLayer::RawString;

namespace {

RawString Fields(const char* tag, const RawString& a, const RawString& b) {
    RawString line(tag);
    line.AppendUnit('\t');
    line.Append(RawString(a, RawLayer::RawCodeKind::Utf8));
    line.AppendUnit('\t');
    line.Append(RawString(b, RawLayer::RawCodeKind::Utf8));
    return line;
}

RawString Tagged(const char* tag, const RawString& text) {
    RawString line(tag);
    line.AppendUnit('\t');
    line.Append(RawString(text, RawLayer::RawCodeKind::Utf8));
    return line;
}

bool Redirected(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

AppBatchOutput::AppBatchOutput() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (Redirected(out)) {
        // A console handle given to a GUI program still wants wide text.
        DWORD mode = 0;
        console_ = GetConsoleMode(out, &mode) != 0;
        handle_ = out;
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    opened_.Reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    if (!opened_) return;
    handle_ = opened_.Get();
    console_ = true;
}

AppBatchOutput::~AppBatchOutput() = default;

void AppBatchOutput::Line(const RawString& text) {
    if (handle_ == nullptr) return;
    RawString line(text, console_ ? RawLayer::RawCodeKind::Wide : RawLayer::RawCodeKind::Utf8);
    line.Append(RawString(RawLayer::RawText::CrLf(), line.Kind()));
    DWORD written = 0;
    if (console_) {
        WriteConsoleW(handle_, line.Units(), static_cast<DWORD>(line.Length()), &written, nullptr);
    } else {
        WriteFile(handle_, line.Bytes(), static_cast<DWORD>(line.Length()), &written, nullptr);
    }
}

namespace {

// Ctrl+C, Ctrl+Break or closing the console: the run or undo stops between
// two items, as the window's "Stop !" stops it.
std::atomic<bool> stopAsked{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            stopAsked = true;
            return TRUE;
        case CTRL_CLOSE_EVENT:
            // The process ends when this returns: it never does, so that the
            // work stops between two items, its journal and its last line are
            // written and the program returns, which ends this thread too.
            stopAsked = true;
            for (;;) Sleep(INFINITE);
        default:
            return FALSE;
    }
}

// While it lives, the console this program was started from stops the
// work instead of ending the process.
class ConsoleStop {
public:
    ConsoleStop() {
        stopAsked = false;
        // A program without a console of its own hears the one it was
        // started from only when attached to it (a refusal means it is).
        AttachConsole(ATTACH_PARENT_PROCESS);
        // Ctrl+C may have been switched off for a process group started
        // detached from it; this process wants to hear it.
        SetConsoleCtrlHandler(nullptr, FALSE);
        SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
    }
    ~ConsoleStop() { SetConsoleCtrlHandler(&OnConsoleControl, FALSE); }
    ConsoleStop(const ConsoleStop&) = delete;
    ConsoleStop& operator=(const ConsoleStop&) = delete;
    static bool Asked() { return stopAsked.load(); }
};

// The fourth field of a PLAN or OK line whose new name is the old one.
const char kUnchanged[] = "Unchanged: the new name is the old name.";

void Summary(AppBatchOutput& output, int32_t done, const char* doneText, int32_t failed, const char* failedText,
             int32_t unchanged, int32_t notTried = 0) {
    RawString last;
    last.AppendInt(done);
    last.Append(RawString(doneText));
    last.AppendInt(failed);
    last.Append(RawString(failedText));
    if (unchanged > 0) {
        last.Append(RawString(", "));
        last.AppendInt(unchanged);
        last.Append(RawString(" unchanged"));
    }
    if (notTried > 0) {
        last.Append(RawString(", "));
        last.AppendInt(notTried);
        last.Append(RawString(" not tried"));
    }
    output.Line(last);
}

// A pass that matched nothing, while the pattern would match names ignoring
// case: the user most likely typed the case the names do not have.
void CaseNote(const JobFileList& list, const JobCondition& condition, AppBatchOutput& output) {
    for (const JobFileUnit& unit : list)
        if (unit.Has(JobFileUnit::Matched)) return;
    const int32_t matches = CaseBlindMatches(list, condition);
    if (matches == 0) return;
    RawString note("NOTE\tOld-name patterns are case-sensitive: ");
    note.AppendInt(matches);
    note.Append(RawString(matches == 1 ? " name matches " : " names match "));
    note.Append(RawString(condition.oldName, RawLayer::RawCodeKind::Utf8));
    note.Append(RawString(" ignoring case."));
    output.Line(note);
}

int RunPass(bool apply, AppBatchOutput& output) {
    const JobOption& option = JobOption::Instance();
    JobLogServer::Instance().PostStarted();
    // A rule that is not understood starts nothing: with "-a" nobody looks
    // at the plan before the run.
    std::vector<RawString> refusals = UnknownChoices(option);
    if (option.newName.IsEmpty()) refusals.push_back(RawString("The New name is empty."));
    for (const RawString& refusal : refusals) output.Line(Tagged("ERROR", refusal));
    if (!refusals.empty()) return 1;

    const JobCondition::Limitation limitation = LimitationValue(option.limitation);
    JobFileList list;
    std::vector<RawString> missing;  // start paths that name nothing, said before the plan
    for (const RawString& path : option.items) {
        // Only the named items themselves can be planned while they are not
        // there (as a conflict); under the other limitations one would vanish.
        if (limitation != JobCondition::Limitation::Dropped && !RawLayer::PathExists(path)) {
            missing.push_back(path);
            continue;
        }
        list.AddPath(path, option.Has(JobOption::OpenFolderInitialyOnDropped));
    }
    JobCondition condition;
    JobConflictPredictor conflicts;
    const JobPassResult pass = EvaluationPass(list, condition, ViewStyleValue(option.viewStyle), limitation,
                                              option.oldName, option.newName, apply ? nullptr : &conflicts);
    for (const JobFileUnit& unit : list)
        if (unit.absent != JobFileUnit::Present && !unit.Has(JobFileUnit::Checked)) missing.push_back(unit.FullPath());
    for (const RawString& path : missing) output.Line(Tagged("MISSING", path));
    const int missingCode = missing.empty() ? 0 : 1;

    // A refused New name prints the plan too, so that a script sees what the
    // rule would touch, and then the refusal; "-i" alone refuses like "-i -a".
    const bool planOnly = !apply || pass.Bad();
    int32_t planned = 0, unchanged = 0;
    if (planOnly) {
        for (const JobFileUnit& unit : list) {
            if (!unit.Has(JobFileUnit::Matched) || !unit.Has(JobFileUnit::Checked)) continue;
            // Under a refused New name no item is tried, so none conflicts.
            const JobConflict conflict = pass.Bad() ? JobConflict::None : conflicts.ConflictOf(unit);
            if (conflict == JobConflict::None) {
                RawString line = Fields("PLAN", unit.FullPath(), unit.newName);
                if (unit.newName == RawString(unit.name, unit.newName.Kind())) {
                    line.Append(RawString("\t"), RawString(kUnchanged));
                    ++unchanged;
                } else {
                    ++planned;
                }
                output.Line(line);
                continue;
            }
            RawString line = Fields("CONFLICT", unit.FullPath(), unit.newName);
            line.AppendUnit('\t');
            line.Append(ConflictReason(conflict, unit.newName));
            output.Line(line);
        }
    }
    if (!pass.fault.IsEmpty()) {
        RawString reason("The New name cannot be used: ");
        reason.Append(pass.fault, RawString("; nothing was renamed."));
        output.Line(Tagged("ERROR", reason));
        return 1;
    }
    if (pass.forbidden != 0) {
        // The same rule that keeps "Start !" disabled: nothing is renamed.
        RawString reason("ERROR\tThe New name holds the character ");
        reason.AppendUnit(pass.forbidden);
        reason.Append(RawString(", which no file name may hold; nothing was renamed."));
        output.Line(reason);
        return 1;
    }
    CaseNote(list, condition, output);
    if (!apply) {
        Summary(output, planned, " planned, ", conflicts.Conflicts(), " conflicts", unchanged);
        return conflicts.Conflicts() > 0 ? 1 : missingCode;
    }
    // Lines name each item by the path it had before the run, as the plan
    // does, however the renames of its folders moved it.
    std::unordered_map<const JobFileUnit*, RawString> before;
    for (const JobFileUnit& unit : list)
        if (unit.Has(JobFileUnit::Checked)) before.emplace(&unit, unit.FullPath());
    int32_t renamed = 0;
    JobJournal journal(JobLogServer::Instance().Storer().FileName());
    ConsoleStop stop;
    const int32_t failed = RenameRun(list, [&](const JobRenameOutcome& outcome) {
        const auto found = before.find(outcome.unit);
        const RawString& path = found != before.end() ? found->second : outcome.oldPath;
        RawString line = Fields(outcome.error == 0 ? "OK" : "FAILED", path, outcome.newName);
        if (outcome.error != 0) {
            line.AppendUnit('\t');
            line.Append(outcome.reason);
        } else if (outcome.unchanged) {
            line.Append(RawString("\t"), RawString(kUnchanged));
            ++unchanged;
        } else {
            ++renamed;
        }
        output.Line(line);
    }, &journal, &ConsoleStop::Asked);
    journal.Close();
    const int32_t notTried = NotTried(list);
    Summary(output, renamed, " renamed, ", failed, " failed", unchanged, notTried);
    return failed > 0 || notTried > 0 ? 1 : missingCode;
}

// "2025-04-06 03:15:02.250 UTC"
RawString RunTime(const RawLayer::RawSystemTime& t) {
    RawString text;
    text.AppendDigits(t.year, 4);
    text.AppendUnit('-');
    text.AppendDigits(t.month, 2);
    text.AppendUnit('-');
    text.AppendDigits(t.day, 2);
    text.AppendUnit(' ');
    text.AppendDigits(t.hour, 2);
    text.AppendUnit(':');
    text.AppendDigits(t.minute, 2);
    text.AppendUnit(':');
    text.AppendDigits(t.second, 2);
    text.AppendUnit('.');
    text.AppendDigits(t.milliseconds, 3);
    text.Append(RawString(" UTC"));
    return text;
}

int UndoPass(bool apply, AppBatchOutput& output) {
    JobJournalRun run;
    JobUndo undo;
    const JobUndo::State state =
        FindUndoableRun(JobOption::Instance().logFolder, &run) ? undo.Open(run.path) : JobUndo::Ready;
    if (state != JobUndo::Ready) {
        RawString line("ERROR\t");
        line.Append(JobUndo::StateText(state), "\t", RawString(run.path, RawLayer::RawCodeKind::Utf8));
        output.Line(line);
        return 1;
    }
    if (!run.path.IsEmpty()) {
        // The run it works on, so that nobody takes back another one unawares.
        const JobJournalRun& taken = undo.Run();
        RawString items;
        items.AppendInt(taken.items);
        items.Append(RawString(taken.items == 1 ? " item" : " items"));
        if (taken.restored > 0) {
            items.Append(RawString(", "));
            items.AppendInt(taken.restored);
            items.Append(RawString(" back already"));
        }
        RawString line = Fields("RUN", RunTime(taken.started), items);
        line.Append(RawString("\t"), RawString(run.path, RawLayer::RawCodeKind::Utf8));
        output.Line(line);
    }
    int32_t restored = 0, failed = 0;
    auto report = [&](const JobUndoStep& step) {
        RawString line = Fields(step.error == 0 ? "UNDO" : "FAILED", step.newPath, RawLayer::FileName(step.oldPath));
        if (step.error != 0) {
            line.AppendUnit('\t');
            line.Append(step.reason);
            ++failed;
        } else {
            ++restored;
        }
        output.Line(line);
    };
    if (apply) {
        ConsoleStop stop;
        undo.Carry(report, &ConsoleStop::Asked);
    } else {
        for (const JobUndoStep& step : undo.Plan()) report(step);
    }
    Summary(output, restored, apply ? " restored, " : " planned, ", failed, " failed", 0, undo.NotTried());
    return failed > 0 || undo.NotTried() > 0 ? 1 : 0;
}

}  // namespace

int RunUndo(bool apply, AppBatchOutput& output) {
    JobLogServer::Instance().PostStarted();
    const int exitCode = UndoPass(apply, output);
    JobLogServer::Instance().PostTerminated();
    return exitCode;
}

int RunBatch(bool apply, AppBatchOutput& output) {
    const int exitCode = RunPass(apply, output);
    JobLogServer::Instance().PostTerminated();
    return exitCode;
}

}  // namespace AppLayer
