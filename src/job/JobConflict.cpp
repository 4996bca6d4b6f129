// The prediction of a run's failures: the run's order replayed over the names
// of the folders involved, each folder read once.
#include "job/JobConflict.h"

#include <algorithm>
#include <cstring>

#include "job/JobCondition.h"
#include "job/JobLog.h"
#include "raw/RawFolderScan.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"

namespace JobLayer {

using namespace RawLayer;

namespace {

using FoldedUnits = RawFoldedUnits;

constexpr uint64_t kFnvPrime = 1099511628211ull;
constexpr uint64_t kFnvStart = 14695981039346656037ull;

// A name's hash over its folded units, the same for every kind a name may
// come in: the units go in blocks of eight, a block of plain ASCII as one
// 64-bit word (unit i of the block in byte i), any other block unit by unit.
// So a plain UTF-8 name, nearly every name, is hashed eight bytes a step.
class NameHasher {
public:
    void AddWord(uint64_t word) {
        hash_ = (hash_ ^ word) * kFnvPrime;
        hash_ ^= hash_ >> 29;
    }
    void AddBlock(const uint32_t* units, int32_t count) {
        uint64_t word = 0;
        bool ascii = true;
        for (int32_t i = 0; i < count; ++i) {
            ascii = ascii && units[i] < 0x80;
            word |= uint64_t{units[i]} << (8 * i);
        }
        if (ascii) return AddWord(word);
        for (int32_t i = 0; i < count; ++i) AddWord(uint64_t{1} << 63 | units[i]);
    }
    uint64_t Result(int32_t count) const {
        const uint64_t h = (hash_ ^ static_cast<uint64_t>(count)) * kFnvPrime;
        return h ^ (h >> 32);  // the table takes the low bits
    }

private:
    uint64_t hash_ = kFnvStart;
};

// Up to eight plain ASCII bytes as one word, folded; false when a byte is
// not plain ASCII.
bool FoldedWord(const uint8_t* bytes, int32_t count, uint64_t* word) {
    constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    uint64_t w = 0;
    if (count == 8) std::memcpy(&w, bytes, 8);
    else
        for (int32_t i = 0; i < count; ++i) w |= uint64_t{bytes[i]} << (8 * i);
    if (w & kHighs) return false;
    // A byte reaches 0x80 by adding 0x1F when it is 'a' or above, by adding
    // 5 when it is above 'z'; no sum of a byte below 0x80 carries over.
    const uint64_t lower = (w + 0x1F * kOnes) & ~(w + 0x05 * kOnes) & kHighs;
    *word = w - (lower >> 2);
    return true;
}

// Names that are not plain ASCII in UTF-8, unit by unit as folded.
[[gnu::noinline]] uint64_t FoldedNameHash(const RawString& name) {
    NameHasher hasher;
    uint32_t block[8];
    int32_t inBlock = 0, count = 0;
    FoldedUnits units(name);
    for (uint32_t u; units.Next(&u); ++count) {
        block[inBlock++] = u;
        if (inBlock == 8) {
            hasher.AddBlock(block, 8);
            inBlock = 0;
        }
    }
    if (inBlock > 0) hasher.AddBlock(block, inBlock);
    return hasher.Result(count);
}

uint64_t NameHash(const RawString& name) {
    if (name.Kind() != RawCodeKind::Utf8) return FoldedNameHash(name);
    const auto* bytes = reinterpret_cast<const uint8_t*>(name.Bytes());
    const int32_t n = name.Length();
    NameHasher hasher;
    for (int32_t i = 0; i < n; i += 8) {
        uint64_t word;
        if (!FoldedWord(bytes + i, std::min(8, n - i), &word)) return FoldedNameHash(name);
        hasher.AddWord(word);
    }
    return hasher.Result(n);
}

bool SameName(const RawString& a, const RawString& b) {
    if (a.SharesBodyWith(b)) return true;
    // Plain ASCII in UTF-8 on both sides: byte by byte.
    if (a.Kind() == RawCodeKind::Utf8 && b.Kind() == RawCodeKind::Utf8 && a.Length() == b.Length()) {
        const auto* x = reinterpret_cast<const uint8_t*>(a.Bytes());
        const auto* y = reinterpret_cast<const uint8_t*>(b.Bytes());
        int32_t i = 0;
        for (; i < a.Length() && x[i] < 0x80 && y[i] < 0x80; ++i)
            if (FoldAscii(x[i]) != FoldAscii(y[i])) return false;
        if (i == a.Length()) return true;
    }
    return SameFoldedUnits(FoldedUnits(a), FoldedUnits(b));
}

// UTF-16 units of a name; no byte kind needs fewer bytes than units.
int32_t WideLength(const RawString& name) {
    if (name.Kind() == RawCodeKind::Wide || name.Length() <= kMostNameUnits) return name.Length();
    if (name.Kind() != RawCodeKind::Utf8) return RawString(name, RawCodeKind::Wide).Length();
    int32_t units = 0;
    for (int32_t i = 0; i < name.Length(); ++i) {
        const uint32_t b = name.UnitAt(i);
        if (!IsUtf8Continuation(b)) units += b >= 0xF0 && b <= 0xF7 ? 2 : 1;
    }
    return units;
}

// Whether any unit of the name is one no file name may hold, wherever it
// stands: a quick test before the walk by character.
bool MayHoldForbidden(const RawString& name) {
    if (name.Kind() != RawCodeKind::Utf8) return true;
    // Bit u set for each such unit below 64, and for 64 + u above.
    constexpr auto bit = [](char c) { return uint64_t{1} << (static_cast<unsigned>(c) & 63); };
    constexpr uint64_t low = bit('/') | bit(':') | bit('*') | bit('?') | bit('<') | bit('>') | bit('"');
    constexpr uint64_t high = bit('\\') | bit('|');
    const auto* bytes = reinterpret_cast<const uint8_t*>(name.Bytes());
    uint64_t found = 0;
    for (int32_t i = 0; i < name.Length(); ++i) {
        const uint8_t b = bytes[i];
        found |= (b < 64 ? low : b < 128 ? high : 0) & (uint64_t{1} << (b & 63));
    }
    return found != 0;
}

// A folder path as one text for every spelling of it: the plain form, folded,
// one kind of separator, no trailing one.
std::u16string FolderKey(const RawString& path) {
    std::u16string key;
    const RawString plain = PlainPath(path);
    FoldedUnits units(plain);
    for (uint32_t u; units.Next(&u);) key.push_back(static_cast<char16_t>(u == '/' ? '\\' : u));
    while (!key.empty() && key.back() == u'\\') key.pop_back();
    return key;
}

}  // namespace

// A name the platform would not take as one plain name in the same folder.
// Such names are refused before any move: a separator would move the item
// elsewhere and a colon would turn it into a stream of another file.
JobConflict RefusedName(const RawString& name) {
    if (name.IsEmpty()) return JobConflict::EmptyName;
    if (MayHoldForbidden(name) && ForbiddenUnit(name) != 0) return JobConflict::ForbiddenUnit;
    const int32_t n = name.Length();
    const uint32_t last = name.UnitAt(n - 1);
    if (last == '.' && (n == 1 || (n == 2 && name.UnitAt(0) == '.'))) return JobConflict::DotName;
    // The platform trims such a name and reports success for a move that
    // changed nothing, or that named another item.
    if (last == ' ' || last == '.') return JobConflict::TrailingSpaceOrDot;
    // Longer names fail on the platform's file systems anyway; refused here,
    // the run and its prediction give one reason.
    if (WideLength(name) > kMostNameUnits) return JobConflict::TooLong;
    return JobConflict::None;
}

RawString ConflictReason(JobConflict conflict, const RawString& newName) {
    switch (conflict) {
    case JobConflict::None: return RawString();
    case JobConflict::EmptyName: return RawString("The new name is empty.");
    case JobConflict::ForbiddenUnit: {
        RawString reason("The new name holds the character ");
        reason.AppendUnit(ForbiddenUnit(newName));
        reason.Append(RawString(", which no file name may hold."));
        return reason;
    }
    case JobConflict::DotName: return RawString("The new name is not a file name.");
    case JobConflict::TrailingSpaceOrDot:
        return RawString("The new name ends in a space or a dot, which the file system drops.");
    case JobConflict::TooLong: return RawString("The new name is longer than the 255 characters a file name may hold.");
    case JobConflict::TakenEarlier: return RawString("An item earlier in the list takes this name first.");
    case JobConflict::TakenLater: return RawString("An item of this name is there and is renamed only after this one.");
    case JobConflict::Taken: return RawString("An item of this name is already there.");
    case JobConflict::FolderMissing: return RawString("The folder the item is in no longer exists.");
    case JobConflict::ItemMissing: return RawString("The item no longer exists.");
    case JobConflict::HeldOpen:
        return RawString("The program itself keeps this item or one inside it open (its current folder, its "
                         "program file or its job log), so it cannot be renamed while the program runs.");
    }
    return RawString();
}

RawString RefusedNameReason(const RawString& name) { return ConflictReason(RefusedName(name), name); }

void JobConflictPredictor::Clear() {
    folders_.clear();
    folderByKey_.clear();
    folderByParent_.clear();
    read_.clear();
    steps_.clear();
    names_.clear();
    conflictUnits_.clear();
    conflictKinds_.clear();
    held_.clear();
    conflicts_ = 0;
    planned_ = 0;
    foldersRead_ = 0;
}

namespace {

size_t UnitHash(const JobFileUnit* unit) {
    return static_cast<size_t>((reinterpret_cast<uintptr_t>(unit) >> 4) * 0x9E3779B97F4A7C15ull >> 20);
}

}  // namespace

JobConflict JobConflictPredictor::ConflictOf(const JobFileUnit& unit) const {
    if (conflictUnits_.empty()) return JobConflict::None;
    const size_t mask = conflictUnits_.size() - 1;
    for (size_t i = UnitHash(&unit) & mask; conflictUnits_[i] != nullptr; i = (i + 1) & mask)
        if (conflictUnits_[i] == &unit) return conflictKinds_[i];
    return JobConflict::None;
}

RawString JobConflictPredictor::ReasonOf(const JobFileUnit& unit) const {
    return ConflictReason(ConflictOf(unit), unit.newName);
}

void JobConflictPredictor::KeepConflicts() {
    if (conflicts_ == 0) return;
    size_t size = 16;
    while (size < 2 * static_cast<size_t>(conflicts_)) size *= 2;
    conflictUnits_.assign(size, nullptr);
    conflictKinds_.assign(size, JobConflict::None);
    for (size_t s = 0; s < steps_.size(); ++s) {
        if (outcomes_[s] == JobConflict::None) continue;
        size_t i = UnitHash(steps_[s].unit) & (size - 1);
        while (conflictUnits_[i] != nullptr) i = (i + 1) & (size - 1);
        conflictUnits_[i] = steps_[s].unit;
        conflictKinds_[i] = outcomes_[s];
    }
}

int32_t JobConflictPredictor::FolderOfPath(const RawString& folder) {
    auto [it, added] = folderByKey_.try_emplace(FolderKey(folder), static_cast<int32_t>(folders_.size()));
    if (added) folders_.emplace_back().path = folder;
    return it->second;
}

int32_t JobConflictPredictor::FolderOfParent(const JobFileUnit* parent) {
    auto [it, added] = folderByParent_.try_emplace(parent, static_cast<int32_t>(folders_.size()));
    // A unit with children was expanded: the list holds the whole folder.
    if (added) folders_.emplace_back().unit = parent;
    return it->second;
}

// One folder may have several entries: listed under two named items that
// overlap, or holding a named item as well. Only folders renamed in need to
// know; a listed entry stands for the others, so that the names come
// from the list and the steps are replayed together.
void JobConflictPredictor::JoinSameFolders() {
    for (size_t f = 0; f < folders_.size(); ++f) {
        Folder& folder = folders_[f];
        if (folder.unit == nullptr || !folder.hasSteps) continue;
        folder.path = folder.unit->FullPath();
        auto [it, added] = folderByKey_.try_emplace(FolderKey(folder.path), static_cast<int32_t>(f));
        if (added) continue;
        Folder& other = folders_[static_cast<size_t>(it->second)];
        if (other.unit == nullptr) {
            other.same = static_cast<int32_t>(f);
            it->second = static_cast<int32_t>(f);
        } else {
            folder.same = it->second;
        }
    }
    const bool joined = std::any_of(folders_.begin(), folders_.end(), [](const Folder& f) { return f.same >= 0; });
    if (!joined) return;
    auto standIn = [&](int32_t f) {
        const int32_t same = folders_[static_cast<size_t>(f)].same;
        return same >= 0 ? same : f;
    };
    for (Folder& folder : folders_) folder.nameCount = folder.stepCount = 0;
    for (Name& name : names_) {
        name.folder = standIn(name.folder);
        ++folders_[static_cast<size_t>(name.folder)].nameCount;
    }
    for (Step& step : steps_) {
        step.folder = standIn(step.folder);
        folders_[static_cast<size_t>(step.folder)].hasSteps = true;
        ++folders_[static_cast<size_t>(step.folder)].stepCount;
    }
}

void JobConflictPredictor::ReadFolder(int32_t folder) {
    ++foldersRead_;
    const RawString path = folders_[static_cast<size_t>(folder)].path;
    RawFolderScan scan(path);
    bool any = false;
    while (scan.Next(RawFolderScan::SkipDots)) {
        read_.push_back(scan.Data().name);
        names_.push_back(Name{folder, &read_.back(), NameHash(read_.back())});
        ++folders_[static_cast<size_t>(folder)].nameCount;
        any = true;
    }
    // Nothing listed: empty or missing, which one more query tells.
    if (!any && !IsFolder(path)) folders_[static_cast<size_t>(folder)].missing = true;
}

// Steps and names by folder, keeping their order: a counting sort over the
// counts the walk kept.
void JobConflictPredictor::Group() {
    const size_t n = folders_.size();
    std::vector<int32_t> nextStep(n), nextName(n);
    int32_t steps = 0, names = 0;
    for (size_t f = 0; f < n; ++f) {
        folders_[f].steps = nextStep[f] = steps;
        folders_[f].names = nextName[f] = names;
        steps += folders_[f].stepCount;
        names += folders_[f].nameCount;
    }
    groupedSteps_.resize(steps_.size());
    groupedNames_.resize(names_.size());
    for (size_t s = 0; s < steps_.size(); ++s)
        groupedSteps_[static_cast<size_t>(nextStep[static_cast<size_t>(steps_[s].folder)]++)] = static_cast<int32_t>(s);
    for (const Name& name : names_) groupedNames_[static_cast<size_t>(nextName[static_cast<size_t>(name.folder)]++)] = &name;
}

int32_t JobConflictPredictor::SlotOf(const RawString& name, uint64_t hash) {
    const size_t mask = table_.size() - 1;
    size_t i = static_cast<size_t>(hash) & mask;
    for (; table_[i] >= 0; i = (i + 1) & mask) {
        const Slot& slot = slots_[static_cast<size_t>(table_[i])];
        if (slot.hash == hash && SameName(*slot.name, name)) return table_[i];
    }
    table_[i] = static_cast<int32_t>(slots_.size());
    slots_.push_back(Slot{hash, &name});
    return table_[i];
}

void JobConflictPredictor::Replay(size_t f) {
    const Folder& folder = folders_[f];
    const size_t stepEnd = f + 1 < folders_.size() ? static_cast<size_t>(folders_[f + 1].steps) : groupedSteps_.size();
    const size_t nameEnd = f + 1 < folders_.size() ? static_cast<size_t>(folders_[f + 1].names) : groupedNames_.size();
    const int32_t* steps = groupedSteps_.data() + folder.steps;
    const size_t stepCount = stepEnd - static_cast<size_t>(folder.steps);
    if (stepCount == 0) return;
    const size_t nameCount = nameEnd - static_cast<size_t>(folder.names);
    // Every name the folder holds and every new name fit with room to spare.
    size_t size = 16;
    while (size < 2 * (nameCount + 2 * stepCount)) size *= 2;
    table_.assign(size, -1);
    slots_.clear();
    // A step listed under its folder meets its own name among the folder's,
    // in the same order.
    sources_.assign(stepCount, -1);
    auto unitOf = [&](size_t k) { return steps_[static_cast<size_t>(steps[k])].unit; };
    size_t next = 0;
    for (size_t i = static_cast<size_t>(folder.names); i < nameEnd; ++i) {
        const RawString* name = groupedNames_[i]->name;
        const int32_t slot = SlotOf(*name, groupedNames_[i]->hash);
        slots_[static_cast<size_t>(slot)].present = true;
        while (next < stepCount && !steps_[static_cast<size_t>(steps[next])].listed) ++next;
        if (next < stepCount && &unitOf(next)->name == name) sources_[next++] = slot;
    }
    // Each item is renamed once, by the first unit that stands for it.
    for (size_t k = 0; k < stepCount; ++k) {
        const RawString& name = unitOf(k)->name;
        if (sources_[k] < 0) sources_[k] = SlotOf(name, NameHash(name));
        Slot& slot = slots_[static_cast<size_t>(sources_[k])];
        if (slot.claimedBy >= 0) sources_[k] = -1;
        else slot.claimedBy = steps[k];
    }

    // The run, replayed: a rename that passes frees its old name and takes the new one.
    for (size_t k = 0; k < stepCount; ++k) {
        const int32_t s = steps[k], source = sources_[k];
        if (source < 0) continue;
        ++planned_;
        const Step& step = steps_[static_cast<size_t>(s)];
        const JobFileUnit& unit = *step.unit;
        JobConflict conflict = step.refused;
        int32_t target = -1;
        if (conflict == JobConflict::None) {
            if (step.absent != JobFileUnit::Present) {
                conflict = step.absent == JobFileUnit::FolderAbsent ? JobConflict::FolderMissing : JobConflict::ItemMissing;
            } else if (step.mayBeHeld && Held(unit)) {
                conflict = JobConflict::HeldOpen;
            } else if (folder.missing) {
                conflict = JobConflict::FolderMissing;
            } else if (!slots_[static_cast<size_t>(source)].present) {
                conflict = JobConflict::ItemMissing;
            } else {
                target = SlotOf(unit.newName, step.newNameHash);
                const Slot& taken = slots_[static_cast<size_t>(target)];
                // A new name that differs only in case names the item itself.
                if (target != source && taken.present) {
                    if (taken.placedBy >= 0) conflict = JobConflict::TakenEarlier;
                    else if (taken.claimedBy > s) conflict = JobConflict::TakenLater;
                    else conflict = JobConflict::Taken;
                }
            }
        }
        outcomes_[static_cast<size_t>(s)] = conflict;
        if (conflict != JobConflict::None) ++conflicts_;
        if (conflict == JobConflict::None && target != source) {
            slots_[static_cast<size_t>(source)].present = false;
            slots_[static_cast<size_t>(target)].present = true;
            slots_[static_cast<size_t>(target)].placedBy = s;
        }
    }
}

std::vector<RawString> JobConflictPredictor::HeldPaths() {
    return {CurrentFolder(), ProgramFile(), JobLogServer::Instance().Storer().FileName()};
}

bool JobConflictPredictor::Held(const JobFileUnit& unit) const {
    // A file of a listed folder is none of them but by a rare chance; its
    // folder is, and is tested as a folder.
    if (held_.empty() || (unit.parent != nullptr && !unit.Has(JobFileUnit::Folder))) return false;
    const std::u16string key = FolderKey(unit.FullPath());
    for (const std::u16string& held : held_)
        if (held.starts_with(key) && (held.size() == key.size() || held[key.size()] == u'\\')) return true;
    return false;
}

int32_t JobConflictPredictor::Predict(const JobFileList& list) {
    Clear();
    for (const RawString& path : HeldPaths())
        if (!path.IsEmpty()) held_.push_back(FolderKey(path));
    // One walk: the steps of the run, the folders they rename in, and the
    // names of every folder the list holds the content of.
    const JobFileUnit* lastParent = nullptr;
    int32_t parentFolder = -1;
    const RawString* lastFolderText = nullptr;
    int32_t namedFolder = -1;
    for (const JobFileUnit& unit : list) {
        if (unit.parent != nullptr) {
            if (unit.parent != lastParent) parentFolder = FolderOfParent(unit.parent);
            lastParent = unit.parent;
            names_.push_back(Name{parentFolder, &unit.name, NameHash(unit.name)});
            ++folders_[static_cast<size_t>(parentFolder)].nameCount;
        }
        if (!unit.Has(JobFileUnit::Checked) || unit.Has(JobFileUnit::Excluded)) continue;
        int32_t folder = parentFolder;
        if (unit.parent == nullptr) {
            // Named items side by side share their folder text.
            if (lastFolderText == nullptr || !unit.folder.SharesBodyWith(*lastFolderText))
                namedFolder = FolderOfPath(unit.folder);
            lastFolderText = &unit.folder;
            folder = namedFolder;
        }
        folders_[static_cast<size_t>(folder)].hasSteps = true;
        ++folders_[static_cast<size_t>(folder)].stepCount;
        // The unit's texts are read here while the unit is at hand: a later
        // read of a million of them would wait for memory once more.
        const JobConflict refused = RefusedName(unit.newName);
        steps_.push_back(Step{&unit, folder, refused, unit.parent != nullptr,
                              unit.parent == nullptr || unit.Has(JobFileUnit::Folder), unit.absent,
                              refused == JobConflict::None ? NameHash(unit.newName) : 0});
    }
    if (steps_.empty()) return 0;
    JoinSameFolders();
    for (size_t f = 0; f < folders_.size(); ++f) {
        const Folder& folder = folders_[f];
        if (folder.unit == nullptr && folder.same < 0 && folder.hasSteps) ReadFolder(static_cast<int32_t>(f));
    }

    Group();
    outcomes_.assign(steps_.size(), JobConflict::None);
    for (size_t f = 0; f < folders_.size(); ++f) Replay(f);
    KeepConflicts();
    return conflicts_;
}

}  // namespace JobLayer
