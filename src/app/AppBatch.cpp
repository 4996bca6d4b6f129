// Batch mode lines and their destination.
#include "app/AppBatch.h"

#include <windows.h>

#include "job/JobCondition.h"
#include "job/JobConflict.h"
#include "job/JobJournal.h"
#include "job/JobLog.h"
#include "job/JobOption.h"
#include "job/JobRename.h"
#include "raw/RawPath.h"

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

bool Redirected(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

BatchOutput::BatchOutput() {
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

BatchOutput::~BatchOutput() = default;

void BatchOutput::Line(const RawString& text) {
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

int RunPass(bool apply, BatchOutput& output) {
    const JobOption& option = JobOption::Instance();
    JobFileList list;
    for (const RawString& path : option.items)
        list.AddPath(path, option.Has(JobOption::OpenFolderInitialyOnDropped));
    JobCondition condition;
    JobConflictPredictor conflicts;
    const JobPassResult pass =
        EvaluationPass(list, condition, ViewStyleValue(option.viewStyle), LimitationValue(option.limitation),
                       option.oldName, option.newName, apply ? nullptr : &conflicts);
    JobLogServer::Instance().PostStarted();

    // A refused New name prints the plan too, so that a script sees what the
    // rule would touch, and then the refusal; "-i" alone refuses like "-i -a".
    const bool planOnly = !apply || pass.Bad();
    int32_t planned = 0;
    if (planOnly) {
        for (const JobFileUnit& unit : list) {
            if (!unit.Has(JobFileUnit::Matched) || !unit.Has(JobFileUnit::Checked)) continue;
            // Under a refused New name no item is tried, so none conflicts.
            const JobConflict conflict = pass.Bad() ? JobConflict::None : conflicts.ConflictOf(unit);
            if (conflict == JobConflict::None) {
                output.Line(Fields("PLAN", unit.FullPath(), unit.newName));
                ++planned;
                continue;
            }
            RawString line = Fields("CONFLICT", unit.FullPath(), unit.newName);
            line.AppendUnit('\t');
            line.Append(ConflictReason(conflict, unit.newName));
            output.Line(line);
        }
    }
    if (!pass.fault.IsEmpty()) {
        RawString reason("ERROR\tThe New name cannot be used: ");
        reason.Append(pass.fault);
        reason.Append(RawString("; nothing was renamed."));
        output.Line(reason);
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
    if (!apply) {
        RawString last;
        last.AppendInt(planned);
        last.Append(RawString(" planned, "));
        last.AppendInt(conflicts.Conflicts());
        last.Append(RawString(" conflicts"));
        output.Line(last);
        return conflicts.Conflicts() > 0 ? 1 : 0;
    }
    int32_t renamed = 0;
    JobJournal journal(JobLogServer::Instance().Storer().FileName());
    const int32_t failed = RenameRun(list, [&](const JobRenameOutcome& outcome) {
        RawString line = Fields(outcome.error == 0 ? "OK" : "FAILED", outcome.oldPath, outcome.newName);
        if (outcome.error != 0) {
            line.AppendUnit('\t');
            line.Append(outcome.reason);
        } else {
            ++renamed;
        }
        output.Line(line);
    }, &journal);
    journal.Close();
    RawString last;
    last.AppendInt(renamed);
    last.Append(RawString(" renamed, "));
    last.AppendInt(failed);
    last.Append(RawString(" failed"));
    output.Line(last);
    return failed > 0 ? 1 : 0;
}

int UndoPass(bool apply, BatchOutput& output) {
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
        undo.Carry(report);
    } else {
        for (const JobUndoStep& step : undo.Plan()) report(step);
    }
    RawString last;
    last.AppendInt(restored);
    last.Append(RawString(apply ? " restored, " : " planned, "));
    last.AppendInt(failed);
    last.Append(RawString(" failed"));
    output.Line(last);
    return failed > 0 ? 1 : 0;
}

}  // namespace

int RunUndo(bool apply, BatchOutput& output) {
    JobLogServer::Instance().PostStarted();
    const int exitCode = UndoPass(apply, output);
    JobLogServer::Instance().PostTerminated();
    return exitCode;
}

int RunBatch(bool apply, BatchOutput& output) {
    const int exitCode = RunPass(apply, output);
    JobLogServer::Instance().PostTerminated();
    return exitCode;
}

}  // namespace AppLayer
