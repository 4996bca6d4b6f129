// Batch mode: the engine without a window, driven by "-i" (and "-a") or "-u",
// telling what it plans or did one line per item.
#pragma once

#include "job/JobFileList.h"
#include "raw/RawHandle.h"
#include "raw/RawString.h"

namespace AppLayer {

// Where batch lines go: the standard output when it was redirected to a file
// or a pipe, else the console of the parent process, else nowhere.
class AppBatchOutput {
public:
    AppBatchOutput();
    ~AppBatchOutput();
    AppBatchOutput(const AppBatchOutput&) = delete;
    AppBatchOutput& operator=(const AppBatchOutput&) = delete;
    // Writes the UTF-8 text and a CR LF.
    void Line(const RawLayer::RawString& text);

private:
    void* handle_ = nullptr;  // the standard output (not ours to close) or opened
    RawLayer::RawFileHandle opened_;  // the parent's console, when opened here
    bool console_ = false;
};

// Runs the options' start paths, Old name, New name and limitation through one
// evaluation pass and, when apply is set, the rename run, which Ctrl+C or
// closing the console stops between two items ("N renamed, M failed, K not
// tried"). The exit code: 1 when a rename failed, the run was stopped, a
// plan foresees a failure, or the New name cannot make a file name
// (planning alone included), else 0.
int RunBatch(bool apply, AppBatchOutput& output);

// Takes back the newest run in the options' log folder that is not undone
// yet, or with apply unset tells how it would, one line per item; Ctrl+C or
// closing the console stops it between two items. The exit code: 1 when an
// item could not go back, the undo was stopped or the run could not be
// taken, else 0.
int RunUndo(bool apply, AppBatchOutput& output);

}  // namespace AppLayer
