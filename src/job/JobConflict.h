// Telling before a run which renames of the item list will fail, and why, by
// walking the run's order over the names each folder holds.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "job/JobFileList.h"

namespace JobLayer {

// Why a rename fails or is expected to. The first five are the run's own
// refusals, made before any move; the others are what the move meets on disk.
enum class JobConflict : uint8_t {
    None = 0,
    EmptyName,
    ForbiddenUnit,  // one of \ / : * ? < > | and the double quote
    DotName,        // "." or ".."
    TrailingSpaceOrDot,
    TooLong,        // more UTF-16 units than a file name may hold
    TakenEarlier,   // an item earlier in the run is renamed to this name
    TakenLater,     // an item of this name is there and is renamed only after this one
    Taken,          // an item of this name is there and stays
    FolderMissing,  // the folder the item is in does not exist
    ItemMissing,    // the item is not in its folder
    HeldOpen,       // this process keeps the item, or an item below it, open
};

inline constexpr int32_t kMostNameUnits = 255;

// The run's refusal of a new name, None for a name it hands to the platform.
JobConflict RefusedName(const RawString& name);
// The text of a refusal or of an expected failure of a rename to newName, as
// batch lines and tips show it; empty for None.
RawString ConflictReason(JobConflict conflict, const RawString& newName);
// The refusal's text, empty for a name the run tries.
RawString RefusedNameReason(const RawString& name);

// The outcome of every rename the run would make, predicted from the names
// the folders hold, renames earlier in the run's order included. Valid until
// the list, its check marks or new names change; then Predict again.
class JobConflictPredictor {
public:
    // Walks the units the run would rename (checked, not excluded, each item
    // once, in list order). The number expected to fail.
    int32_t Predict(const JobFileList& list);
    void Clear();
    // What this process keeps open while it runs, so that it cannot be
    // renamed, nor a folder above it: its current folder, its program file
    // and its job log. Taken again by every Predict.
    static std::vector<RawString> HeldPaths();

    // None also for a unit the run would not try.
    JobConflict ConflictOf(const JobFileUnit& unit) const;
    RawString ReasonOf(const JobFileUnit& unit) const;
    int32_t Planned() const { return planned_; }  // units the run would try
    int32_t Conflicts() const { return conflicts_; }
    // Folders read from disk by the last prediction (those the list did not
    // hold the content of).
    int32_t FoldersRead() const { return foldersRead_; }

private:
    // One folder, followed by identity: the run moves a renamed folder's
    // units with it, so they stay in the same folder whatever it is called.
    // A rename never leaves its folder, so each folder is replayed alone.
    struct Folder {
        RawString path;
        const JobFileUnit* unit = nullptr;  // the folder's unit, when the list holds its content
        int32_t same = -1;    // another entry for the same folder, which stands for both
        bool hasSteps = false;
        bool missing = false;
        int32_t names = 0;    // where its names and steps start in the grouped arrays
        int32_t steps = 0;
        int32_t nameCount = 0;  // counted as they are met
        int32_t stepCount = 0;
    };
    // One name of the folder being replayed, whether an item holds it or not.
    struct Slot {
        uint64_t hash;
        const RawString* name;
        int32_t placedBy = -1;   // the step that renamed an item to it
        int32_t claimedBy = -1;  // the step that renames its first item away
        bool present = false;
    };
    // What the replay needs of a unit, taken in the walk, so that the replay
    // of a million units does not wait for each unit's memory once more.
    struct Step {
        const JobFileUnit* unit;
        int32_t folder;
        JobConflict refused;   // by its new name alone
        bool listed;           // under its folder's unit (not a named item)
        bool mayBeHeld;        // a named item or a folder
        uint8_t absent;
        uint64_t newNameHash;  // when not refused
    };
    struct Name {
        int32_t folder;
        const RawString* name;  // a unit's, or one of read_
        uint64_t hash;
    };

    int32_t FolderOfParent(const JobFileUnit* parent);
    int32_t FolderOfPath(const RawString& folder);
    void JoinSameFolders();
    void ReadFolder(int32_t folder);
    void Group();
    void KeepConflicts();
    void Replay(size_t folder);
    // The slot of the name in the table, added absent when it has none.
    int32_t SlotOf(const RawString& name, uint64_t hash);

    bool Held(const JobFileUnit& unit) const;

    std::vector<std::u16string> held_;  // folder keys of HeldPaths
    std::vector<Folder> folders_;
    std::unordered_map<std::u16string, int32_t> folderByKey_;
    std::unordered_map<const JobFileUnit*, int32_t> folderByParent_;
    std::deque<RawString> read_;
    std::vector<Step> steps_;     // in the run's order
    std::vector<Name> names_;     // the names of every folder, as met
    // Both grouped by folder, each group in the run's (or list) order.
    std::vector<int32_t> groupedSteps_;
    std::vector<const Name*> groupedNames_;
    std::vector<JobConflict> outcomes_;  // per step
    std::vector<Slot> slots_;            // of one folder at a time
    std::vector<int32_t> table_;         // open addressing over slots_, -1 empty
    std::vector<int32_t> sources_;       // per step of the folder: its name's slot, -1 when not tried
    // By unit, open addressing: built once per prediction, looked up for
    // rows on screen.
    std::vector<const JobFileUnit*> conflictUnits_;
    std::vector<JobConflict> conflictKinds_;
    int32_t conflicts_ = 0;
    int32_t planned_ = 0;
    int32_t foldersRead_ = 0;
};

}  // namespace JobLayer
