// The item list: every file and folder the user named, each named folder
// followed by its whole content, in tree order.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "raw/RawFolderScan.h"
#include "raw/RawList.h"
#include "raw/RawString.h"

namespace JobLayer {

using RawLayer::RawString;

struct JobFileUnit {
    enum Flag : uint16_t {
        Header = 0x0001,  // the view's column-title pseudo-item; never in a list
        Folder = 0x0002,
        File = 0x0004,
        Dropped = 0x0008,
        Shown = 0x0010,
        Opened = 0x0020,
        HasFolders = 0x0040,
        HasFiles = 0x0080,
        Fresh = 0x0100,
        Eligible = 0x0200,
        Matched = 0x0400,
        Checked = 0x0800,
        RenameSucceeded = 0x1000,
        RenameFailed = 0x2000,
        Excluded = 0x4000,
        Removed = 0x8000,
    };

    bool Has(uint16_t flag) const { return (flags & flag) != 0; }
    void Set(uint16_t flag) { flags = static_cast<uint16_t>(flags | flag); }
    void Clear(uint16_t flag) { flags = static_cast<uint16_t>(flags & ~flag); }
    // The rule matched the unit and gave it a new name: only such a unit can
    // carry a check mark that a run acts on.
    bool Checkable() const { return Has(Matched) && !newName.IsEmpty(); }
    // Folder, a "\" unless the folder is empty or ends in a separator, and name.
    RawString FullPath() const;
    // The same with another name in place of this unit's own.
    RawString PathWithName(const RawString& otherName) const;

    JobFileUnit* parent = nullptr;
    uint16_t flags = 0;
    // Named while nothing was at its path: the run never renames it, even
    // when an earlier rename of the run puts an item there.
    enum Absence : uint8_t { Present = 0, ItemAbsent = 1, FolderAbsent = 2 };
    uint8_t absent = Present;
    int32_t depth = 0;
    int32_t pathWidth = 0;
    int32_t pathShift = 0;
    RawString name;
    RawString newName;
    RawString displayPath;  // siblings share one text
    RawString folder;       // siblings share one text
};

class JobFileListAllocator : public RawLayer::RawListAllocator<JobFileUnit> {};

class JobFileList : public RawLayer::RawListR<JobFileListAllocator, JobFileUnit> {
public:
    // Names one item; a folder is read at once, recursively. An item already
    // listed (the same full path, compared as the file system compares names)
    // only gains Dropped. A path that names nothing is listed as an absent file.
    Position AddPath(const RawString& path, bool openFolder);
    // Asked before each entry a folder's reading adds: true stops the reading
    // there, and what was read stays as if it were all. Null: never.
    std::function<bool()> stopRequested;
    // Appends the content of the folder below the unit; the HasFolders and
    // HasFiles bits found.
    uint16_t ExpandFolder(Position unit, const RawString& path, int32_t depth);
    Position AppendUnit(JobFileUnit* parent, const RawString& path, uint16_t flags, int32_t depth);

    void ShowChildren(Position folder, bool show);
    void ShowDescendants(Position folder, bool show);
    void MarkExcluded(Position unit);
    void MarkRemoved(Position unit);
    // Deletes every unit that carries Removed.
    int32_t RemoveMarked();

    // ---- what the user does to units, each given by its place in list order
    // (the view's rows follow it), places ascending.
    using Places = std::vector<int32_t>;
    // A folder opened or closed: its children show or hide, and theirs where
    // they are open themselves. Other units are left alone.
    void SetOpened(Position folder, bool open);
    // The chosen folders opened or closed; recursive: every folder inside
    // them too, so that all of their content shows or hides.
    void SetFoldersOpened(const Places& chosen, bool open, bool recursive);
    // Checks or unchecks a unit that can be checked; whether its mark changed.
    static bool SetChecked(JobFileUnit& unit, bool check);
    // The same for the chosen units; how many changed.
    int32_t SetChecks(const Places& chosen, bool check);
    // The chosen units, a folder with its content, are out of the rule.
    void Exclude(const Places& chosen);
    // The chosen named items go with their content; a unit below a named
    // item cannot go alone. The place of the first removed, -1 when none.
    int32_t RemoveNamed(const Places& chosen);

    // What the user set on units, by path, kept while the named items are
    // read again: opened folders, exclusions, and the check marks of proposals.
    struct UserMarks {
        struct Mark {
            bool opened = false;
            bool excluded = false;
            bool checked = false;
            RawString proposal;  // the new name it was checked or unchecked for
        };
        std::unordered_map<std::u32string, Mark> byPath;
        // The named items that still exist, where they are now, in list order.
        RawLayer::RawStringList named;
    };
    // follow, when given, tells where a named item listed at a path has gone
    // since (what lies inside it is read again anyway).
    UserMarks TakeUserMarks(const std::function<RawString(const RawString&)>& follow = nullptr) const;
    // Once the items were read again: folders open and units excluded as before.
    void RestoreUserMarks(const UserMarks& marks);
    // Once a pass proposed names again: a proposal the user had unchecked
    // stays unchecked while it is the same. Whether any mark changed.
    bool RestoreUserChecks(const UserMarks& marks);

    // After a successful rename: the unit takes its new name, and every unit
    // stored under the old path is moved to the new one, whichever named item
    // it was listed under (the same item listed twice is renamed in both
    // places), so that later renames find them where they are.
    void Renamed(Position unit, const RawString& oldPath, const RawString& newPath);

    // Clears Checked on every checked unit whose item an earlier checked unit
    // already stands for (named twice, inside another named folder, or in
    // another spelling), so that each item is renamed once. How many.
    int32_t UncheckDuplicates();

    // The end of the units below the given one (the next unit not deeper).
    Position SubtreeEnd(Position unit) const;

    // These change which units exist, so the lookups are dropped with them.
    Position Remove(Position at);
    void Clear();

private:
    // act(position, place) for each chosen unit, in one walk of the list.
    template <class F>
    void ForChosen(const Places& chosen, F&& act);
    Position FindPath(const RawString& fullPath);
    // Whether one named item lies inside another, so that units can stand for
    // the same item twice.
    bool Overlapping();
    void Reindex(Position unit, uint64_t oldHash);
    // A unit appended at the end waits for the next lookup to be indexed.
    void Index();
    // Brings the lookups and the named list up to the list before one is used.
    void SyncIndex();
    // The same for the named list alone.
    void SyncNamed();
    // Indexes the units appended since the last lookup, in one go.
    void IndexTail();
    Position MakeUnit(JobFileUnit* parent, const RawString& folder, RawString name,
                      const RawString& displayPath, uint16_t flags, int32_t depth);

    // Full-path lookups for AddPath, so that naming many items stays linear.
    // Rebuilt whenever units came or went through another way than this handle.
    // Each unit's list position (so that the first of equal paths wins) under
    // the high half of its path's hash, in an open table of positions beside
    // the units in list order: a few words per unit and no allocation of its own.
    class PathIndex {
    public:
        void Clear();
        void Reserve(size_t count);
        void Add(uint64_t hash, RawLayer::RawListNode* node);
        // The unit's path, and with it its hash, changed; its position did not.
        void Rehash(uint64_t oldHash, uint64_t newHash, RawLayer::RawListNode* node);
        // visit(node, position) for each unit whose path may have this hash.
        template <class F>
        void ForEach(uint64_t hash, F&& visit) const {
            if (slots_.empty()) return;
            const uint32_t tag = static_cast<uint32_t>(hash >> 32);
            for (size_t i = Home(tag); slots_[i] != 0; i = (i + 1) & (slots_.size() - 1)) {
                const uint32_t at = slots_[i] - 1;
                if (tags_[at] == tag) visit(nodes_[at], static_cast<int32_t>(at));
            }
        }

    private:
        size_t Home(uint32_t tag) const { return (tag * 2654435769u) >> (32 - bits_); }
        void Place(uint32_t at);
        void Fit(size_t count);

        std::vector<RawLayer::RawListNode*> nodes_;  // by list position
        std::vector<uint32_t> tags_;                 // the hash's high half, by list position
        std::vector<uint32_t> slots_;                // list position + 1; 0 for none
        int bits_ = 0;                               // slots_ holds 2^bits_
    };
    void RebuildIndex();
    const std::vector<RawLayer::RawListNode*>& Named();
    PathIndex index_;
    std::vector<RawLayer::RawListNode*> named_;  // units without a parent, in list order
    int32_t indexedCount_ = 0;  // units the index and the named list have seen
    // Units appended behind those since, not indexed yet: a load of many
    // units hashes them once when a lookup needs them, not each as it comes.
    int32_t deferred_ = 0;
    bool indexValid_ = true;    // false once a full path changed
    bool namedValid_ = true;    // false once units went away
    bool overlapKnown_ = false;
    bool overlapping_ = false;

    // The entries of the folder being expanded at each depth, while AddPath runs.
    std::deque<std::vector<RawLayer::RawFolderEntry>> levels_;
    RawLayer::RawEntryNameSort entrySort_;
};

// The display path of an item at the given depth: the path from the named
// item's own name down to the separator in front of this item's name.
RawString DisplayPathOf(const RawString& path, int32_t depth);

// Where a path is after its item, or a folder above it, moved from one path
// to another; the path itself when the move does not touch it.
RawString MovedPath(const RawString& path, const RawString& from, const RawString& to);

}  // namespace JobLayer
