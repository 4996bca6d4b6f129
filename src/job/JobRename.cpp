// Performing the renames and keeping the list true to the disk afterwards.
#include "job/JobRename.h"

#include "job/JobCondition.h"
#include "job/JobConflict.h"
#include "job/JobJournal.h"
#include "raw/RawShell.h"

namespace JobLayer {

using namespace RawLayer;

int32_t RenameRun(JobFileList& list, const std::function<void(const JobRenameOutcome&)>& report,
                  JobJournal* journal) {
    int32_t failures = 0;
    // Check marks set by hand may stand for one item twice again.
    list.UncheckDuplicates();
    for (auto p = list.begin(); p != list.end(); ++p) {
        JobFileUnit& unit = *p;
        if (!unit.Has(JobFileUnit::Checked)) continue;
        unit.Clear(JobFileUnit::Checked);
        if (unit.Has(JobFileUnit::Excluded)) continue;
        JobRenameOutcome outcome;
        outcome.unit = &unit;
        outcome.oldPath = unit.FullPath();
        outcome.newName = unit.newName;
        outcome.reason = RefusedNameReason(unit.newName);
        if (outcome.reason.IsEmpty()) {
            const RawString newPath = unit.PathWithName(unit.newName);
            outcome.error =
                journal ? journal->Move(outcome.oldPath, newPath) : MovePathResult(outcome.oldPath, newPath, 0);
            if (outcome.error == 0) {
                unit.Set(JobFileUnit::RenameSucceeded);
                list.Renamed(p, outcome.oldPath, newPath);
            } else {
                outcome.reason = SystemErrorText(outcome.error);
            }
        } else {
            outcome.error = 123;  // ERROR_INVALID_NAME
        }
        if (outcome.error != 0) {
            unit.Set(JobFileUnit::RenameFailed);
            ++failures;
        }
        if (report) report(outcome);
    }
    return failures;
}

}  // namespace JobLayer
