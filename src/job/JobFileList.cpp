// Building the item list from named paths and keeping its flags.
#include "job/JobFileList.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "raw/RawCodeRules.h"
#include "raw/RawFolderScan.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"

namespace JobLayer {

using namespace RawLayer;

namespace {

bool NeedsSeparator(const RawString& folder) {
    return !folder.IsEmpty() && !folder.IsSeparatorAt(folder.Length() - 1);
}

// Where the part of a path that names the item starts, so that its spellings
// compare equal: "\\?\C:\x" and "C:\x" from "C:", "\\?\UNC\srv\x" and
// "\\srv\x" from the "\" in front of "srv".
int32_t ComparableStart(const RawString& path) {
    static const RawString longPath = RawString::MakeLiteral("\\\\?\\");
    static const RawString longUnc = RawString::MakeLiteral("\\\\?\\UNC\\");
    if (path.EqualNoCaseAt(0, longUnc, longUnc.Length())) return longUnc.Length() - 1;
    if (path.EqualNoCaseAt(0, longPath, longPath.Length())) return longPath.Length();
    return path.UnitAt(0) == '\\' && path.UnitAt(1) == '\\' ? 1 : 0;
}

// Paths compare as the file system compares names (RawFoldedUnits), the
// same rule the prediction of a run uses.
uint64_t HashUnits(uint64_t hash, const RawString& text, int32_t from) {
    RawFoldedUnits units(text, from);
    for (uint32_t u; units.Next(&u);) hash = (hash ^ u) * 1099511628211ull;
    return hash;
}

constexpr uint64_t kHashStart = 14695981039346656037ull;

// The hash of a folder text and the separator in front of its children's names.
uint64_t HashFolder(const RawString& folder) {
    const uint64_t hash = HashUnits(kHashStart, folder, ComparableStart(folder));
    return NeedsSeparator(folder) ? (hash ^ '\\') * 1099511628211ull : hash;
}

uint64_t HashFullPath(const JobFileUnit& unit) {
    if (unit.folder.IsEmpty()) return HashUnits(kHashStart, unit.name, ComparableStart(unit.name));
    return HashUnits(HashFolder(unit.folder), unit.name, 0);
}

uint64_t HashPath(const RawString& path) { return HashUnits(kHashStart, path, ComparableStart(path)); }

// The same item, whichever spelling named it.
bool SamePath(const RawString& a, const RawString& b) {
    return SameFoldedUnits(RawFoldedUnits(a, ComparableStart(a)), RawFoldedUnits(b, ComparableStart(b)));
}

bool IsSeparatorUnit(uint32_t u) { return u == '\\' || u == '/'; }

// Whether text is prefix itself or lies below it ("photos2" is not below "photos").
bool UnderPath(const RawString& text, const RawString& prefix) {
    RawFoldedUnits x(text, ComparableStart(text)), y(prefix, ComparableStart(prefix));
    uint32_t u = 0, v = 0, last = 0;
    while (y.Next(&v)) {
        if (!x.Next(&u) || u != v) return false;
        last = v;
    }
    return !x.Next(&u) || IsSeparatorUnit(u) || IsSeparatorUnit(last);
}

// newPrefix followed by the rest of text behind the part that oldPrefix covers.
RawString Rebased(const RawString& text, const RawString& oldPrefix, const RawString& newPrefix) {
    const int32_t rest = ComparableStart(text) + oldPrefix.Length() - ComparableStart(oldPrefix);
    RawString out(text.Kind(), newPrefix.Length() + text.Length() - rest);
    out.Append(RawString(newPrefix, text.Kind()));
    out.AppendRange(text, {rest, text.Length()});
    return out;
}

// A key that sorts every path right in front of the paths below it: the
// separators become the lowest unit, and no name holds a unit that low.
std::u32string OrderKey(const RawString& path) {
    std::u32string key;
    RawFoldedUnits units(path, ComparableStart(path));
    for (uint32_t u; units.Next(&u);) key.push_back(IsSeparatorUnit(u) ? 1 : u);
    return key;
}

}  // namespace

RawString JobFileUnit::FullPath() const { return PathWithName(name); }

RawString JobFileUnit::PathWithName(const RawString& otherName) const {
    RawString path(folder.Kind(), folder.Length() + otherName.Length() + 1);
    path.Append(folder);
    if (NeedsSeparator(folder)) path.AppendUnit('\\');
    path.Append(RawString(otherName, folder.Kind()));
    return path;
}

RawString DisplayPathOf(const RawString& path, int32_t depth) {
    const int32_t e = path.LastComponentStart(kAll);
    int32_t p = e;
    for (int32_t step = 0; step < depth && p >= 1; ++step) {
        if (path.UnitAt(p - 1) == '\\' || path.UnitAt(p - 1) == '/') --p;
        p = path.LastComponentStart({0, p});
    }
    return RawString(path, {p, e}, path.Kind());
}

JobFileList::Position JobFileList::MakeUnit(JobFileUnit* parent, const RawString& folder, RawString name,
                                            const RawString& displayPath, uint16_t flags, int32_t depth) {
    auto unit = new JobFileUnit;
    unit->parent = parent;
    unit->flags = static_cast<uint16_t>(flags | JobFileUnit::Fresh);
    unit->depth = depth;
    unit->folder = folder;
    unit->name = std::move(name);
    unit->displayPath = displayPath;
    Adopt(unit);
    // A further named item may lie inside another, or hold one.
    if (parent == nullptr) overlapKnown_ = false;
    Index();
    return --end();
}

JobFileList::Position JobFileList::AppendUnit(JobFileUnit* parent, const RawString& path, uint16_t flags,
                                              int32_t depth) {
    const int32_t nameStart = path.LastComponentStart(kAll);
    const int32_t folderEnd = nameStart > 0 ? nameStart - 1 : 0;
    return MakeUnit(parent, RawString(path, {0, folderEnd}, path.Kind()),
                    RawString(path, {nameStart, path.Length()}, path.Kind()), DisplayPathOf(path, depth), flags,
                    depth);
}

void JobFileList::PathIndex::Clear() {
    nodes_.clear();
    tags_.clear();
    slots_.clear();
    bits_ = 0;
}

void JobFileList::PathIndex::Reserve(size_t count) {
    nodes_.reserve(count);
    tags_.reserve(count);
    Fit(count);
}

// Grows the table to keep it at most three quarters full with count units,
// so that a probe ends soon at an empty slot.
void JobFileList::PathIndex::Fit(size_t count) {
    if (count * 4 <= slots_.size() * 3) return;
    while ((size_t{1} << bits_) * 3 < count * 4 || bits_ < 4) ++bits_;
    slots_.assign(size_t{1} << bits_, 0);
    for (uint32_t at = 0; at < nodes_.size(); ++at) Place(at);
}

void JobFileList::PathIndex::Place(uint32_t at) {
    size_t i = Home(tags_[at]);
    while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = at + 1;
}

void JobFileList::PathIndex::Add(uint64_t hash, RawListNode* node) {
    nodes_.push_back(node);
    tags_.push_back(static_cast<uint32_t>(hash >> 32));
    if (nodes_.size() * 4 > slots_.size() * 3) Fit(nodes_.size() * 2);
    else Place(static_cast<uint32_t>(nodes_.size() - 1));
}

void JobFileList::PathIndex::Rehash(uint64_t oldHash, uint64_t newHash, RawListNode* node) {
    if (slots_.empty()) return;
    const size_t mask = slots_.size() - 1;
    const uint32_t tag = static_cast<uint32_t>(oldHash >> 32);
    size_t i = Home(tag);
    for (; slots_[i] != 0; i = (i + 1) & mask)
        if (tags_[slots_[i] - 1] == tag && nodes_[slots_[i] - 1] == node) break;
    if (slots_[i] == 0) return;
    const uint32_t at = slots_[i] - 1;
    // Takes the slot out, moving back each later one of its run that may
    // sit there, so that every probe still reaches its unit.
    for (size_t j = (i + 1) & mask; slots_[j] != 0; j = (j + 1) & mask) {
        const size_t home = Home(tags_[slots_[j] - 1]);
        const bool between = i <= j ? i < home && home <= j : i < home || home <= j;
        if (!between) {
            slots_[i] = slots_[j];
            i = j;
        }
    }
    slots_[i] = 0;
    tags_[at] = static_cast<uint32_t>(newHash >> 32);
    Place(at);
}

void JobFileList::RebuildIndex() {
    // The named items are the same ones unless units came or went.
    overlapKnown_ = overlapKnown_ && namedValid_ && indexedCount_ + deferred_ == Count();
    index_.Clear();
    named_.clear();
    indexedCount_ = 0;
    deferred_ = Count();
    IndexTail();
    indexValid_ = namedValid_ = true;
}

void JobFileList::IndexTail() {
    index_.Reserve(static_cast<size_t>(Count()));
    Position p = end();
    for (int32_t k = deferred_; k > 0; --k) --p;
    // Children share their folder's text, so its hash is taken once for them.
    RawString folder;
    uint64_t folderHash = 0;
    for (; p != end(); ++p) {
        uint64_t hash;
        if (p->folder.IsEmpty()) {
            hash = HashFullPath(*p);
        } else {
            if (!p->folder.SharesBodyWith(folder)) {
                folder = p->folder;
                folderHash = HashFolder(folder);
            }
            hash = HashUnits(folderHash, p->name, 0);
        }
        index_.Add(hash, p.Node());
        if (p->parent == nullptr) named_.push_back(p.Node());
    }
    indexedCount_ = Count();
    deferred_ = 0;
}

void JobFileList::SyncNamed() {
    if (namedValid_ && indexedCount_ + deferred_ == Count()) {
        if (deferred_ > 0) IndexTail();
    } else {
        RebuildIndex();
    }
}

void JobFileList::SyncIndex() {
    // Paths changed without the lookups: only a rebuild makes them true again.
    if (!indexValid_) RebuildIndex();
    else SyncNamed();
}

const std::vector<RawListNode*>& JobFileList::Named() {
    // The named list outlives path changes: renames keep it, only units
    // that come or go touch it.
    SyncNamed();
    return named_;
}

void JobFileList::Index() {
    // Units that came through another handle put the lookups out of step.
    if (indexedCount_ + deferred_ != Count() - 1) {
        indexValid_ = namedValid_ = false;
        return;
    }
    ++deferred_;
}

JobFileList::Position JobFileList::Remove(Position at) {
    indexValid_ = namedValid_ = false;
    overlapKnown_ = false;
    return RawListR<JobFileListAllocator, JobFileUnit>::Remove(at);
}

void JobFileList::Clear() {
    RawListR<JobFileListAllocator, JobFileUnit>::Clear();
    index_.Clear();
    named_.clear();
    indexedCount_ = deferred_ = 0;
    indexValid_ = namedValid_ = true;
    overlapKnown_ = false;
}

JobFileList::Position JobFileList::FindPath(const RawString& fullPath) {
    SyncIndex();
    RawListNode* best = nullptr;
    int32_t bestOrder = 0;
    index_.ForEach(HashPath(fullPath), [&](RawListNode* node, int32_t order) {
        if ((best == nullptr || order < bestOrder) && SamePath(Position(node)->FullPath(), fullPath)) {
            best = node;
            bestOrder = order;
        }
    });
    return best == nullptr ? end() : Position(best);
}

JobFileList::Position JobFileList::AddPath(const RawString& path, bool openFolder) {
    Position found = FindPath(path);
    if (found != end()) {
        found->Set(JobFileUnit::Dropped);
        return found;
    }
    const uint32_t attributes = FileAttributes(path);
    if (attributes != kNoAttributes && (attributes & kAttributeDirectory) != 0) {
        Position unit = AppendUnit(nullptr, path, JobFileUnit::Folder | JobFileUnit::Dropped | JobFileUnit::Shown, 0);
        const uint16_t bits = ExpandFolder(unit, path, 0);
        levels_.clear();
        unit->Clear(JobFileUnit::HasFolders | JobFileUnit::HasFiles);
        unit->Set(bits);
        if (openFolder) {
            unit->Set(JobFileUnit::Opened);
            ShowChildren(unit, true);
        }
        return unit;
    }
    Position unit = AppendUnit(nullptr, path, JobFileUnit::File | JobFileUnit::Dropped | JobFileUnit::Shown, 0);
    if (attributes == kNoAttributes)
        unit->absent = unit->folder.IsEmpty() || IsFolder(unit->folder) ? JobFileUnit::ItemAbsent : JobFileUnit::FolderAbsent;
    return unit;
}

uint16_t JobFileList::ExpandFolder(Position unit, const RawString& path, int32_t depth) {
    uint16_t bits = 0;
    // Every child shares one folder text and one display path.
    RawString folderText(path);
    RawString withSeparator(path);
    if (NeedsSeparator(withSeparator)) withSeparator.AppendUnit('\\');
    const RawString display = DisplayPathOf(withSeparator, depth + 1);
    // The entries are listed as a file manager shows them, whatever order
    // the file system returns them in, so that the list (and a counter in
    // the New name) follows what the user sees. Each depth keeps its buffer
    // from one folder to the next; a subfolder's walk never touches its parent's.
    if (levels_.size() <= static_cast<size_t>(depth)) levels_.resize(static_cast<size_t>(depth) + 1);
    std::vector<RawFolderEntry>& entries = levels_[static_cast<size_t>(depth)];
    entries.clear();
    // Only the subfolders entered need their paths, joined as the scan would.
    RawString scanned;
    {
        RawFolderScan scan(path);
        scan.JoinPaths(false);
        scanned = scan.Folder();
        while (scan.Next(RawFolderScan::SkipDots)) entries.push_back(scan.TakeEntry());
    }
    entrySort_.Sort(&entries);
    // Each name moves on into its unit: the entries are cleared below.
    for (RawFolderEntry& data : entries) {
        if (stopRequested && stopRequested()) break;
        if (data.IsFolder()) {
            bits |= JobFileUnit::HasFolders;
            Position child =
                MakeUnit(&*unit, folderText, std::move(data.name), display, JobFileUnit::Folder, depth + 1);
            // A link is renamed as an item of its own; its content is listed
            // where it really lies, if at all.
            if (data.IsFolderToEnter()) child->Set(ExpandFolder(child, JoinPath(scanned, child->name), depth + 1));
        } else {
            bits |= JobFileUnit::HasFiles;
            MakeUnit(&*unit, folderText, std::move(data.name), display, JobFileUnit::File, depth + 1);
        }
    }
    entries.clear();
    return bits;
}

JobFileList::Position JobFileList::SubtreeEnd(Position unit) const {
    const int32_t depth = unit->depth;
    Position p = unit;
    for (++p; p != end() && p->depth > depth; ++p) {
    }
    return p;
}

void JobFileList::ShowChildren(Position folder, bool show) {
    const int32_t base = folder->depth;
    // reached[d]: the last unit met at depth d had its Shown changed and is
    // an opened folder, so its children are changed too.
    std::vector<uint8_t> reached;
    const Position stop = SubtreeEnd(folder);
    for (Position p = folder; ++p != stop;) {
        const int32_t level = p->depth - base;  // 1 for children
        if (static_cast<int32_t>(reached.size()) <= level) reached.resize(static_cast<size_t>(level) + 1, 0);
        const bool touched = level == 1 || reached[static_cast<size_t>(level - 1)] != 0;
        if (touched) {
            if (show) p->Set(JobFileUnit::Shown);
            else p->Clear(JobFileUnit::Shown);
        }
        reached[static_cast<size_t>(level)] =
            touched && p->Has(JobFileUnit::Folder) && p->Has(JobFileUnit::Opened) ? 1 : 0;
    }
}

void JobFileList::ShowDescendants(Position folder, bool show) {
    const Position stop = SubtreeEnd(folder);
    for (Position p = folder; ++p != stop;) {
        if (show) p->Set(JobFileUnit::Shown);
        else p->Clear(JobFileUnit::Shown);
    }
}

void JobFileList::MarkExcluded(Position unit) {
    const Position stop = unit->Has(JobFileUnit::Folder) ? SubtreeEnd(unit) : Position(unit.Node()->next);
    // Out of the rule at once, as the next pass would leave it.
    for (Position p = unit; p != stop; ++p) {
        p->Set(JobFileUnit::Excluded);
        p->Clear(JobFileUnit::Eligible | JobFileUnit::Matched | JobFileUnit::Checked);
        p->newName = RawString();
    }
}

void JobFileList::MarkRemoved(Position unit) {
    const Position stop = unit->Has(JobFileUnit::Folder) ? SubtreeEnd(unit) : Position(unit.Node()->next);
    for (Position p = unit; p != stop; ++p) p->Set(JobFileUnit::Removed);
}

int32_t JobFileList::RemoveMarked() {
    int32_t removed = 0;
    for (Position p = begin(); p != end();) {
        if (p->Has(JobFileUnit::Removed)) {
            p = Remove(p);
            ++removed;
        } else {
            ++p;
        }
    }
    return removed;
}

template <class F>
void JobFileList::ForChosen(const Places& chosen, F&& act) {
    size_t next = 0;
    int32_t place = 0;
    for (Position p = begin(); p != end() && next < chosen.size(); ++p, ++place) {
        while (next < chosen.size() && chosen[next] < place) ++next;
        if (next < chosen.size() && chosen[next] == place) act(p, place);
    }
}

void JobFileList::SetOpened(Position folder, bool open) {
    if (!folder->Has(JobFileUnit::Folder)) return;
    if (open) folder->Set(JobFileUnit::Opened);
    else folder->Clear(JobFileUnit::Opened);
    ShowChildren(folder, open);
}

void JobFileList::SetFoldersOpened(const Places& chosen, bool open, bool recursive) {
    ForChosen(chosen, [&](Position p, int32_t) {
        if (!p->Has(JobFileUnit::Folder)) return;
        if (!recursive) return SetOpened(p, open);
        const Position stop = SubtreeEnd(p);
        for (Position q = p; q != stop; ++q) {
            if (!q->Has(JobFileUnit::Folder)) continue;
            if (open) q->Set(JobFileUnit::Opened);
            else q->Clear(JobFileUnit::Opened);
        }
        ShowDescendants(p, open);
    });
}

bool JobFileList::SetChecked(JobFileUnit& unit, bool check) {
    if (!unit.Checkable() || unit.Has(JobFileUnit::Checked) == check) return false;
    if (check) unit.Set(JobFileUnit::Checked);
    else unit.Clear(JobFileUnit::Checked);
    return true;
}

int32_t JobFileList::SetChecks(const Places& chosen, bool check) {
    int32_t changed = 0;
    ForChosen(chosen, [&](Position p, int32_t) { changed += SetChecked(*p, check) ? 1 : 0; });
    return changed;
}

void JobFileList::Exclude(const Places& chosen) {
    ForChosen(chosen, [&](Position p, int32_t) { MarkExcluded(p); });
}

int32_t JobFileList::RemoveNamed(const Places& chosen) {
    int32_t first = -1;
    ForChosen(chosen, [&](Position p, int32_t place) {
        if (p->parent != nullptr) return;
        MarkRemoved(p);
        if (first < 0) first = place;
    });
    if (first >= 0) RemoveMarked();
    return first;
}

JobFileList::UserMarks JobFileList::TakeUserMarks(const std::function<RawString(const RawString&)>& follow) const {
    UserMarks marks;
    for (const JobFileUnit& unit : *this) {
        const RawString path = follow && !unit.parent ? follow(unit.FullPath()) : unit.FullPath();
        marks.byPath[OrderKey(path)] = {unit.Has(JobFileUnit::Opened), unit.Has(JobFileUnit::Excluded),
                                        unit.Has(JobFileUnit::Checked),
                                        unit.Checkable() ? unit.newName : RawString()};
        if (!unit.parent && PathExists(path)) marks.named.Append(path);
    }
    return marks;
}

void JobFileList::RestoreUserMarks(const UserMarks& marks) {
    for (Position p = begin(); p != end(); ++p) {
        const auto found = marks.byPath.find(OrderKey(p->FullPath()));
        if (found == marks.byPath.end()) continue;
        if (found->second.excluded) MarkExcluded(p);
        if (p->Has(JobFileUnit::Opened) != found->second.opened) SetOpened(p, found->second.opened);
    }
}

bool JobFileList::RestoreUserChecks(const UserMarks& marks) {
    bool changed = false;
    for (JobFileUnit& unit : *this) {
        if (!unit.Has(JobFileUnit::Checked)) continue;
        const auto found = marks.byPath.find(OrderKey(unit.FullPath()));
        if (found == marks.byPath.end() || found->second.checked) continue;
        if (!(found->second.proposal == unit.newName)) continue;
        unit.Clear(JobFileUnit::Checked);
        changed = true;
    }
    return changed;
}

bool JobFileList::Overlapping() {
    const std::vector<RawListNode*>& named = Named();
    if (overlapKnown_) return overlapping_;
    std::vector<std::u32string> keys;
    keys.reserve(named.size());
    for (RawListNode* node : named) keys.push_back(OrderKey(Position(node)->FullPath()));
    std::sort(keys.begin(), keys.end());
    // Sorted so, a path that holds others is followed at once by one of them.
    overlapping_ = false;
    for (size_t i = 1; i < keys.size() && !overlapping_; ++i) {
        const std::u32string& a = keys[i - 1];
        const std::u32string& b = keys[i];
        overlapping_ = b.starts_with(a) && (b.size() == a.size() || b[a.size()] == 1 || (!a.empty() && a.back() == 1));
    }
    overlapKnown_ = true;
    return overlapping_;
}

int32_t JobFileList::UncheckDuplicates() {
    // Within one named item every path is listed once.
    if (!Overlapping()) return 0;
    std::unordered_multimap<uint64_t, const JobFileUnit*> seen;
    int32_t cleared = 0;
    for (JobFileUnit& unit : *this) {
        if (!unit.Has(JobFileUnit::Checked) || unit.Has(JobFileUnit::Excluded)) continue;
        const uint64_t hash = HashFullPath(unit);
        const RawString path = unit.FullPath();
        auto [first, last] = seen.equal_range(hash);
        bool listed = false;
        for (auto it = first; it != last && !listed; ++it) listed = SamePath(it->second->FullPath(), path);
        if (listed) {
            unit.Clear(JobFileUnit::Checked);
            ++cleared;
        } else {
            seen.emplace(hash, &unit);
        }
    }
    return cleared;
}

void JobFileList::Reindex(Position unit, uint64_t oldHash) { index_.Rehash(oldHash, HashFullPath(*unit), unit.Node()); }

void JobFileList::Renamed(Position unit, const RawString& oldPath, const RawString& newPath) {
    // When named items overlap, the same item and its content can be listed
    // under several of them; every copy takes the new path, found through the
    // lookups, which are then kept up to date instead of rebuilt per rename.
    const bool overlapping = Overlapping();
    if (overlapping) SyncIndex();
    else indexValid_ = false;
    std::vector<RawListNode*> copies{unit.Node()};
    std::vector<RawListNode*> inside;  // named items strictly below the old path
    if (overlapping) {
        index_.ForEach(HashPath(oldPath), [&](RawListNode* node, int32_t) {
            if (node != unit.Node() && SamePath(Position(node)->FullPath(), oldPath)) copies.push_back(node);
        });
        if (unit->Has(JobFileUnit::Folder)) {
            for (RawListNode* node : Named()) {
                const RawString path = Position(node)->FullPath();
                if (!SamePath(path, oldPath) && UnderPath(path, oldPath)) inside.push_back(node);
            }
        }
    }
    const RawString name = RawString(unit->newName, unit->name.Kind());
    // Siblings share their folder text, so do their new ones.
    RawString lastOld, lastNew;
    auto retarget = [&](Position p, bool renamed) {
        JobFileUnit& u = *p;
        const uint64_t oldHash = overlapping ? HashFullPath(u) : 0;
        if (renamed) {
            u.name = RawString(name, u.name.Kind());
        } else {
            if (!UnderPath(u.folder, oldPath)) return;
            if (!u.folder.SharesBodyWith(lastOld)) {
                lastOld = u.folder;
                lastNew = Rebased(u.folder, oldPath, newPath);
            }
            u.folder = lastNew;
            if (u.depth > 0) u.displayPath = DisplayPathOf(u.FullPath(), u.depth);
        }
        if (overlapping) Reindex(p, oldHash);
    };
    auto below = [&](Position top) {
        const Position stop = SubtreeEnd(top);
        for (Position p = top; ++p != stop;) retarget(p, false);
    };
    for (RawListNode* node : copies) {
        retarget(Position(node), true);
        if (Position(node)->Has(JobFileUnit::Folder)) below(Position(node));
    }
    for (RawListNode* node : inside) {
        retarget(Position(node), false);
        below(Position(node));
    }
}

RawString MovedPath(const RawString& path, const RawString& from, const RawString& to) {
    if (from.IsEmpty() || !UnderPath(path, from)) return path;
    return Rebased(path, from, to);
}

}  // namespace JobLayer
