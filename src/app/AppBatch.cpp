// Batch mode lines and their destination.
#include "app/AppBatch.h"

#include <windows.h>

#include "job/JobCondition.h"
#include "job/JobLog.h"
#include "job/JobOption.h"
#include "job/JobRename.h"

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
    const JobPassResult pass = EvaluationPass(list, condition, ViewStyleValue(option.viewStyle),
                                              LimitationValue(option.limitation), option.oldName, option.newName);
    JobLogServer::Instance().PostStarted();

    // A refused New name prints the plan too, so that a script sees what the
    // rule would touch, and then the refusal; "-i" alone refuses like "-i -a".
    const bool planOnly = !apply || pass.forbidden != 0;
    int32_t planned = 0;
    if (planOnly) {
        for (const JobFileUnit& unit : list) {
            if (!unit.Has(JobFileUnit::Matched) || !unit.Has(JobFileUnit::Checked)) continue;
            output.Line(Fields("PLAN", unit.FullPath(), unit.newName));
            ++planned;
        }
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
        last.Append(RawString(" planned"));
        output.Line(last);
        return 0;
    }
    int32_t renamed = 0;
    const int32_t failed = RenameRun(list, [&](const JobRenameOutcome& outcome) {
        RawString line = Fields(outcome.error == 0 ? "OK" : "FAILED", outcome.oldPath, outcome.newName);
        if (outcome.error != 0) {
            line.AppendUnit('\t');
            line.Append(outcome.reason);
        } else {
            ++renamed;
        }
        output.Line(line);
    });
    RawString last;
    last.AppendInt(renamed);
    last.Append(RawString(" renamed, "));
    last.AppendInt(failed);
    last.Append(RawString(" failed"));
    output.Line(last);
    return failed > 0 ? 1 : 0;
}

}  // namespace

int RunBatch(bool apply, BatchOutput& output) {
    const int exitCode = RunPass(apply, output);
    JobLogServer::Instance().PostTerminated();
    return exitCode;
}

}  // namespace AppLayer
