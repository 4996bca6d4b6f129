// The empty view's line, chosen from what the last pass found, and the
// outcome marks of the rows.
#include "app/GuiViewNotice.h"

#include <iterator>
#include <string>

#include "raw/RawLabelStore.h"

namespace AppLayer {

using JobLayer::JobCondition;
using JobLayer::JobFileUnit;

namespace {

// In GuiViewNotice order, None excepted.
const RawLayer::RawLocaleRecord kNoticeLabels[] = {
    {"EmptyList", "Drop folders and files here, or use the item menu."},
    {"NoPattern", "Type an Old name pattern, such as *.jpg, and press Enter."},
    {"AllExcluded", "Every item is excluded; remove them, or add others."},
    {"NoFolders", "There is no folder among the items; choose File or Folder&File."},
    {"NoFiles", "There is no file among the items; choose Folder or Folder&File."},
    {"DroppedFolders", "The pattern is tried on the named items themselves; choose File, Folder or Folder&File "
                       "to rename what is inside them."},
    {"NoNamedMatch", "No name of the named items fits the Old name pattern."},
    {"NoFolderMatch", "No folder name fits the Old name pattern."},
    {"NoFileMatch", "No file name fits the Old name pattern."},
    {"NoMatch", "No folder or file name fits the Old name pattern."},
    {nullptr, nullptr},
};
const RawLayer::RawLabelTable kNoticeTable("ViewNotice", kNoticeLabels);

// In JobConflict order, None excepted; "%1" is the forbidden character.
const RawLayer::RawLocaleRecord kConflictLabels[] = {
    {"EmptyName", "The new name is empty."},
    {"ForbiddenUnit", "The new name holds the character %1, which no file name may hold."},
    {"DotName", "The new name is not a file name."},
    {"TrailingSpaceOrDot", "The new name ends in a space or a dot, which the file system drops."},
    {"TooLong", "The new name is longer than the 255 characters a file name may hold."},
    {"TakenEarlier", "An item earlier in the list takes this name first."},
    {"TakenLater", "An item of this name is there and is renamed only after this one."},
    {"Taken", "An item of this name is already there."},
    {"FolderMissing", "The folder the item is in no longer exists."},
    {"ItemMissing", "The item no longer exists."},
    {nullptr, nullptr},
};
const RawLayer::RawLabelTable kConflictTable("ConflictReason", kConflictLabels);

struct Counts {
    int32_t items = 0;
    int32_t excluded = 0;
    int32_t namedFolders = 0;
    int32_t named = 0;
    int32_t folders = 0;
    int32_t files = 0;
    int32_t eligible = 0;
    int32_t matched = 0;
};

GuiViewNotice NoticeOf(const Counts& c, const JobCondition& condition) {
    using enum GuiViewNotice;
    using Limitation = JobCondition::Limitation;
    if (c.items == 0) return EmptyList;
    if (c.matched > 0) return None;
    if (condition.oldName.IsEmpty()) return NoPattern;
    if (c.excluded == c.items) return AllExcluded;
    if (c.eligible == 0 && condition.limitation == Limitation::Folder && c.folders == 0) return NoFolders;
    if (c.eligible == 0 && condition.limitation == Limitation::File && c.files == 0) return NoFiles;
    switch (condition.limitation) {
        case Limitation::Dropped: return c.namedFolders == c.named ? DroppedFolders : NoNamedMatch;
        case Limitation::Folder: return NoFolderMatch;
        case Limitation::File: return NoFileMatch;
        case Limitation::Both: break;
    }
    return NoMatch;
}

}  // namespace

GuiViewSummary SummariseView(const JobLayer::JobFileList& list, const JobCondition& condition) {
    Counts c;
    GuiViewSummary summary;
    for (const JobFileUnit& unit : list) {
        if (unit.Has(JobFileUnit::Removed)) continue;
        ++c.items;
        if (unit.Has(JobFileUnit::RenameSucceeded) || unit.Has(JobFileUnit::RenameFailed)) summary.outcomes = true;
        if (unit.Has(JobFileUnit::Excluded)) {
            ++c.excluded;
            continue;
        }
        const bool folder = unit.Has(JobFileUnit::Folder);
        if (folder) ++c.folders;
        else ++c.files;
        if (!unit.parent) {
            ++c.named;
            if (folder) ++c.namedFolders;
        }
        if (unit.Has(JobFileUnit::Eligible)) ++c.eligible;
        if (unit.Has(JobFileUnit::Matched)) ++c.matched;
    }
    summary.notice = NoticeOf(c, condition);
    return summary;
}

RawLayer::RawString NoticeText(GuiViewNotice notice) {
    if (notice == GuiViewNotice::None) return RawLayer::RawString();
    const RawLayer::RawLabelStore::Group labels = RawLayer::RawLabelStore::Instance().RegisterLabels(kNoticeTable);
    return labels.Get(kNoticeLabels[static_cast<int32_t>(notice) - 1].key);
}

RawLayer::RawString ConflictText(JobLayer::JobConflict conflict, const RawLayer::RawString& newName) {
    const auto index = static_cast<int32_t>(conflict);
    if (index < 1 || index >= static_cast<int32_t>(std::size(kConflictLabels))) return RawLayer::RawString();
    const RawLayer::RawLabelStore::Group labels = RawLayer::RawLabelStore::Instance().RegisterLabels(kConflictTable);
    std::string text = labels.Get(kConflictLabels[index - 1].key).ToUtf8();
    if (const size_t at = text.find("%1"); at != std::string::npos) {
        RawLayer::RawString unit;
        unit.AppendUnit(JobLayer::ForbiddenUnit(newName));
        text.replace(at, 2, unit.ToUtf8());
    }
    return RawLayer::RawString(text);
}

GuiOutcomeMark OutcomeMarkOf(uint16_t unitFlags, bool conflict) {
    if (unitFlags & JobFileUnit::RenameFailed) return GuiOutcomeMark::Failed;
    if (unitFlags & JobFileUnit::RenameSucceeded) return GuiOutcomeMark::Succeeded;
    return conflict ? GuiOutcomeMark::Warning : GuiOutcomeMark::None;
}

}  // namespace AppLayer
