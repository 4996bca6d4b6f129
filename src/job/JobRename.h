// The rename run: every checked item, in list order, one move each.
#pragma once

#include <cstdint>
#include <functional>

#include "job/JobFileList.h"

namespace JobLayer {

// What became of one item of a run.
struct JobRenameOutcome {
    const JobFileUnit* unit = nullptr;
    RawString oldPath;  // the full path before the run touched it
    RawString newName;
    uint32_t error = 0;  // 0 on success; a system error code otherwise
    RawString reason;    // empty on success
    bool unchanged = false;  // the new name is the old one exactly: nothing was moved
};

class JobJournal;

// Renames every checked unit in list order and marks it RenameSucceeded or
// RenameFailed; a unit whose new name is its name exactly succeeds without a
// move and is not journaled. report, when given, hears of every unit tried, and journal,
// when given, records every rename as it succeeds. stopRequested, when given,
// is asked before each item: once it says so the run ends there, the units
// not tried keep their check marks, and the journal ends as after a whole run.
// Returns the number of failures.
int32_t RenameRun(JobFileList& list, const std::function<void(const JobRenameOutcome&)>& report = nullptr,
                  JobJournal* journal = nullptr, const std::function<bool()>& stopRequested = nullptr);

// The units a stopped run left checked, that is, did not try.
int32_t NotTried(const JobFileList& list);

}  // namespace JobLayer
