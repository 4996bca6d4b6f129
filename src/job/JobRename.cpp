// Performing the renames and keeping the list true to the disk afterwards.
#include "job/JobRename.h"

#include "job/JobCondition.h"
#include "job/JobConflict.h"
#include "job/JobJournal.h"
#include "raw/RawShell.h"

namespace JobLayer {

using namespace RawLayer;

namespace {

constexpr uint32_t kItemNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr uint32_t kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
constexpr uint32_t kInvalidName = 123;  // ERROR_INVALID_NAME

}  // namespace

int32_t RenameRun(JobFileList& list, const std::function<void(const JobRenameOutcome&)>& report,
                  JobJournal* journal, const std::function<bool()>& stopRequested) {
    int32_t failures = 0;
    // Check marks set by hand may stand for one item twice again.
    list.UncheckDuplicates();
    for (auto p = list.begin(); p != list.end(); ++p) {
        JobFileUnit& unit = *p;
        if (!unit.Has(JobFileUnit::Checked)) continue;
        // Between two items only: one begun is carried out and reported.
        if (stopRequested && stopRequested()) break;
        unit.Clear(JobFileUnit::Checked);
        if (unit.Has(JobFileUnit::Excluded)) continue;
        JobRenameOutcome outcome;
        outcome.unit = &unit;
        outcome.oldPath = unit.FullPath();
        outcome.newName = unit.newName;
        outcome.reason = RefusedNameReason(unit.newName);
        if (outcome.reason.IsEmpty() && unit.absent != JobFileUnit::Present) {
            outcome.error = unit.absent == JobFileUnit::FolderAbsent ? kPathNotFound : kItemNotFound;
            outcome.reason = ConflictReason(
                unit.absent == JobFileUnit::FolderAbsent ? JobConflict::FolderMissing : JobConflict::ItemMissing,
                unit.newName);
        } else if (outcome.reason.IsEmpty() && unit.newName == RawString(unit.name, unit.newName.Kind())) {
            // A journal line for it would make an undo that restores nothing
            // stand in for the last real run.
            outcome.unchanged = true;
            unit.Set(JobFileUnit::RenameSucceeded);
        } else if (outcome.reason.IsEmpty()) {
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
            outcome.error = kInvalidName;
        }
        if (outcome.error != 0) {
            unit.Set(JobFileUnit::RenameFailed);
            ++failures;
        }
        if (report) report(outcome);
    }
    return failures;
}

int32_t NotTried(const JobFileList& list) {
    int32_t count = 0;
    for (const JobFileUnit& unit : list)
        if (unit.Has(JobFileUnit::Checked) && !unit.Has(JobFileUnit::Excluded)) ++count;
    return count;
}

}  // namespace JobLayer
