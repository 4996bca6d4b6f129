// Building the item list from named paths and keeping its flags.
#include "job/JobFileList.h"

#include <vector>

#include "raw/RawCodeRules.h"
#include "raw/RawFolderScan.h"
#include "raw/RawShell.h"

namespace JobLayer {

using namespace RawLayer;

namespace {

bool NeedsSeparator(const RawString& folder) {
    return !folder.IsEmpty() && !folder.IsSeparatorAt(folder.Length() - 1);
}

uint64_t HashUnits(uint64_t hash, const RawString& text) {
    for (int32_t i = 0; i < text.Length(); ++i)
        hash = (hash ^ FoldAscii(text.UnitAt(i))) * 1099511628211ull;
    return hash;
}

uint64_t HashFullPath(const JobFileUnit& unit) {
    uint64_t hash = HashUnits(14695981039346656037ull, unit.folder);
    if (NeedsSeparator(unit.folder)) hash = (hash ^ '\\') * 1099511628211ull;
    return HashUnits(hash, unit.name);
}

uint64_t HashPath(const RawString& path) { return HashUnits(14695981039346656037ull, path); }

// "from" followed by the rest of "text" behind its first n units.
RawString Rebased(const RawString& text, int32_t n, const RawString& from) {
    RawString out(from.Kind(), from.Length() + text.Length() - n);
    out.Append(from);
    out.AppendRange(text, {n, text.Length()});
    return out;
}

// Whether text is prefix itself or lies below it.
bool UnderPath(const RawString& text, const RawString& prefix) {
    if (text.Length() < prefix.Length()) return false;
    if (!text.EqualNoCase({0, prefix.Length()}, prefix, kAll)) return false;
    return text.Length() == prefix.Length() || text.IsSeparatorAt(prefix.Length()) ||
           (prefix.Length() > 0 && prefix.IsSeparatorAt(prefix.Length() - 1));
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

JobFileList::Position JobFileList::MakeUnit(JobFileUnit* parent, const RawString& folder, const RawString& name,
                                            const RawString& displayPath, uint16_t flags, int32_t depth) {
    auto unit = new JobFileUnit;
    unit->parent = parent;
    unit->flags = static_cast<uint16_t>(flags | JobFileUnit::Fresh);
    unit->depth = depth;
    unit->folder = folder;
    unit->name = name;
    unit->displayPath = displayPath;
    Adopt(unit);
    const Position at(--end());
    Index(at);
    return at;
}

JobFileList::Position JobFileList::AppendUnit(JobFileUnit* parent, const RawString& path, uint16_t flags,
                                              int32_t depth) {
    const int32_t nameStart = path.LastComponentStart(kAll);
    const int32_t folderEnd = nameStart > 0 ? nameStart - 1 : 0;
    return MakeUnit(parent, RawString(path, {0, folderEnd}, path.Kind()),
                    RawString(path, {nameStart, path.Length()}, path.Kind()), DisplayPathOf(path, depth), flags,
                    depth);
}

void JobFileList::RebuildIndex() {
    index_.clear();
    named_.clear();
    index_.reserve(static_cast<size_t>(Count()) + 16);
    int32_t order = 0;
    for (Position p = begin(); p != end(); ++p) {
        index_.emplace(HashFullPath(*p), Indexed{p.Node(), order++});
        if (p->parent == nullptr) named_.push_back(&*p);
    }
    indexedCount_ = Count();
    indexValid_ = namedValid_ = true;
}

const std::vector<JobFileUnit*>& JobFileList::Named() {
    if (!namedValid_ || indexedCount_ != Count()) RebuildIndex();
    return named_;
}

void JobFileList::Index(Position unit) {
    // Units that came through another handle put the lookups out of step.
    if (indexedCount_ != Count() - 1) {
        indexValid_ = namedValid_ = false;
        return;
    }
    index_.emplace(HashFullPath(*unit), Indexed{unit.Node(), indexedCount_});
    if (unit->parent == nullptr) named_.push_back(&*unit);
    indexedCount_ = Count();
}

JobFileList::Position JobFileList::Remove(Position at) {
    indexValid_ = namedValid_ = false;
    return RawListR<JobFileListAllocator, JobFileUnit>::Remove(at);
}

void JobFileList::Clear() {
    RawListR<JobFileListAllocator, JobFileUnit>::Clear();
    index_.clear();
    named_.clear();
    indexedCount_ = 0;
    indexValid_ = namedValid_ = true;
}

JobFileList::Position JobFileList::FindPath(const RawString& fullPath) {
    if (!indexValid_ || !namedValid_ || indexedCount_ != Count()) RebuildIndex();
    auto [first, last] = index_.equal_range(HashPath(fullPath));
    const Indexed* best = nullptr;
    for (auto it = first; it != last; ++it) {
        const Position p(it->second.node);
        if ((best == nullptr || it->second.order < best->order) && p->FullPath().EqualsNoCase(fullPath))
            best = &it->second;
    }
    return best == nullptr ? end() : Position(best->node);
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
        unit->Clear(JobFileUnit::HasFolders | JobFileUnit::HasFiles);
        unit->Set(bits);
        if (openFolder) {
            unit->Set(JobFileUnit::Opened);
            ShowChildren(unit, true);
        }
        return unit;
    }
    return AppendUnit(nullptr, path, JobFileUnit::File | JobFileUnit::Dropped | JobFileUnit::Shown, 0);
}

uint16_t JobFileList::ExpandFolder(Position unit, const RawString& path, int32_t depth) {
    uint16_t bits = 0;
    // Every child shares one folder text and one display path.
    RawString folderText(path);
    RawString withSeparator(path);
    if (NeedsSeparator(withSeparator)) withSeparator.AppendUnit('\\');
    const RawString display = DisplayPathOf(withSeparator, depth + 1);
    RawFolderScan scan(path);
    while (scan.Next(RawFolderScan::SkipDots)) {
        const RawFindFileData& data = scan.Data();
        if (data.IsFolder()) {
            bits |= JobFileUnit::HasFolders;
            Position child = MakeUnit(&*unit, folderText, data.name, display, JobFileUnit::Folder, depth + 1);
            const uint16_t found = ExpandFolder(child, data.path, depth + 1);
            child->Set(found);
        } else {
            bits |= JobFileUnit::HasFiles;
            MakeUnit(&*unit, folderText, data.name, display, JobFileUnit::File, depth + 1);
        }
    }
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
    for (Position p = unit; p != stop; ++p) p->Set(JobFileUnit::Excluded);
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

void JobFileList::Renamed(Position unit, const RawString& oldPath, const RawString& newPath) {
    unit->name = RawString(unit->newName, unit->name.Kind());
    indexValid_ = false;
    if (!unit->Has(JobFileUnit::Folder)) return;
    // Units below the folder: its subtree, and items named on their own that
    // lie inside it. Siblings share their folder text, so do their new ones.
    RawString lastOld, lastNew;
    auto move = [&](JobFileUnit& u) {
        if (!UnderPath(u.folder, oldPath)) return;
        if (!u.folder.SharesBodyWith(lastOld)) {
            lastOld = u.folder;
            lastNew = Rebased(u.folder, oldPath.Length(), RawString(newPath, u.folder.Kind()));
        }
        u.folder = lastNew;
        if (u.depth > 0) u.displayPath = DisplayPathOf(u.FullPath(), u.depth);
    };
    const Position stop = SubtreeEnd(unit);
    for (Position p = unit; ++p != stop;) move(*p);
    for (JobFileUnit* u : Named())
        if (u != &*unit) move(*u);
}

}  // namespace JobLayer
