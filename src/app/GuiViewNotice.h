// What the view box says when it has nothing to show (how to add items, or
// why the pass matched none), and the mark that tells a row's outcome
// without its colour.
#pragma once

#include <cstdint>

#include "job/JobCondition.h"
#include "job/JobConflict.h"
#include "job/JobFileList.h"
#include "raw/RawString.h"

namespace AppLayer {

// The one line of an empty view. None: rows matched, nothing to say.
enum class GuiViewNotice : int32_t {
    None,
    EmptyList,       // no items: how to add some
    NoPattern,       // the Old name box is empty
    AllExcluded,     // every item is excluded
    NoFolders,       // "Folder", and no folder among the items
    NoFiles,         // "File", and no file among the items
    DroppedFolders,  // "Dropped", only folders named, none of their names fits
    NoNamedMatch,    // "Dropped", no named item's name fits
    NoFolderMatch,
    NoFileMatch,
    NoMatch,         // "Folder&File"
};

// One walk over the item list after a pass: the notice, and whether any
// unit carries a rename outcome (then the rows keep room for their marks).
struct GuiViewSummary {
    GuiViewNotice notice = GuiViewNotice::EmptyList;
    bool outcomes = false;
};
GuiViewSummary SummariseView(const JobLayer::JobFileList& list, const JobLayer::JobCondition& condition);

// The notice in the language in use; empty for None.
RawLayer::RawString NoticeText(GuiViewNotice notice);

// Why a rename is foreseen to fail, in the language in use, for the tip;
// empty for None.
RawLayer::RawString ConflictText(JobLayer::JobConflict conflict, const RawLayer::RawString& newName);

// The mark beside a row's check box and image. Its order of precedence is
// the row colour's: a failure over a success over a foreseen failure.
enum class GuiOutcomeMark : int32_t { None, Warning, Succeeded, Failed };
GuiOutcomeMark OutcomeMarkOf(uint16_t unitFlags, bool conflict);

}  // namespace AppLayer
