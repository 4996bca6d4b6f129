// Folder walks: one record per entry, filtered by flags, and their sorting.
#include "raw/RawFolderScan.h"

#include <algorithm>
#include <string_view>

#include "raw/RawCodeRules.h"
#include "raw/RawPath.h"

namespace RawLayer {

namespace {

bool IsDots(const RawString& name) {
    const int32_t n = name.Length();
    return (n == 1 && name.UnitAt(0) == '.') || (n == 2 && name.UnitAt(0) == '.' && name.UnitAt(1) == '.');
}

bool IsLink(const RawString& name) {
    static const RawString lnk = RawString::MakeLiteral(".lnk");
    const int32_t n = name.Length();
    return n >= 4 && name.EqualNoCase({n - 4, n}, lnk, kAll);
}

template <class T>
int CompareValues(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

// Appends the name's UTF-16 units, folded as the file system compares names.
void AppendFolded(const RawString& name, std::u16string* out) {
    RawFoldedUnits units(name);
    for (uint32_t unit = 0; units.Next(&unit);) out->push_back(static_cast<char16_t>(unit));
}

bool IsDigit(char16_t u) { return u >= u'0' && u <= u'9'; }

// Folded names by the entry order, without the last tie-break by units.
int CompareFolded(std::u16string_view a, std::u16string_view b) {
    size_t i = 0, j = 0;
    int zeros = 0;  // the first difference in leading zeros, fewer first
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const size_t zeroA = i, zeroB = j;
            while (i < a.size() && a[i] == u'0') ++i;
            while (j < b.size() && b[j] == u'0') ++j;
            const size_t startA = i, startB = j;
            while (i < a.size() && IsDigit(a[i])) ++i;
            while (j < b.size() && IsDigit(b[j])) ++j;
            // Without leading zeros the longer run is the larger number.
            if (i - startA != j - startB) return i - startA < j - startB ? -1 : 1;
            const int digits = a.substr(startA, i - startA).compare(b.substr(startB, j - startB));
            if (digits != 0) return digits < 0 ? -1 : 1;
            if (zeros == 0) zeros = CompareValues(startA - zeroA, startB - zeroB);
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return j < b.size() ? -1 : 1;
    return zeros;
}

int CompareUnits(const RawString& a, const RawString& b) {
    const RawString other(b, a.Kind());
    const int32_t n = std::min(a.Length(), other.Length());
    for (int32_t i = 0; i < n; ++i)
        if (a.UnitAt(i) != other.UnitAt(i)) return a.UnitAt(i) < other.UnitAt(i) ? -1 : 1;
    return CompareValues(a.Length(), other.Length());
}

}  // namespace

void RawEntryNameSort::Sort(std::vector<RawFindFileData>* entries) {
    const std::vector<RawFindFileData>& e = *entries;
    folded_.clear();
    starts_.clear();
    for (const RawFindFileData& entry : e) {
        starts_.push_back(folded_.size());
        AppendFolded(entry.name, &folded_);
    }
    starts_.push_back(folded_.size());
    const std::u16string_view all(folded_);
    auto key = [&](int32_t i) { return all.substr(starts_[i], starts_[i + 1] - starts_[i]); };
    auto before = [&](int32_t x, int32_t y) {
        const int c = CompareFolded(key(x), key(y));
        return c != 0 ? c < 0 : CompareUnits(e[x].name, e[y].name) < 0;
    };
    order_.resize(e.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<int32_t>(i);
    // Many file systems list a folder sorted already; that costs one pass.
    if (std::is_sorted(order_.begin(), order_.end(), before)) return;
    std::sort(order_.begin(), order_.end(), before);
    sorted_.clear();
    for (const int32_t i : order_) sorted_.push_back(std::move((*entries)[static_cast<size_t>(i)]));
    entries->swap(sorted_);
}

int RawFolderFileListSort::CompareUnits(const RawFindFileData& a, const RawFindFileData& b) {
    switch (sortKey) {
    case ByPath: {
        const int32_t n = std::min(a.path.Length(), b.path.Length());
        for (int32_t i = 0; i < n; ++i) {
            const uint32_t x = FoldAscii(a.path.UnitAt(i)), y = FoldAscii(b.path.UnitAt(i));
            if (x != y) return x < y ? -1 : 1;
        }
        return CompareValues(a.path.Length(), b.path.Length());
    }
    case ByTime: return CompareValues(a.lastWriteTime, b.lastWriteTime);
    case BySize: return CompareValues(a.size, b.size);
    default: return 0;
    }
}

bool RawFolderScan::Passes(const RawString& name, uint32_t attributes, uint8_t flags) {
    const bool known = attributes != kNoAttributes;
    if ((flags & SkipDots) && IsDots(name)) return false;
    if ((flags & SkipSystem) && known && (attributes & kAttributeSystem)) return false;
    if ((flags & SkipHidden) && known && (attributes & kAttributeHidden)) return false;
    if ((flags & SkipReadOnly) && known && (attributes & kAttributeReadOnly)) return false;
    if ((flags & FilesOnly) && known && (attributes & kAttributeDirectory)) return false;
    // A shortcut is decided by SkipLinks alone from here on.
    if (IsLink(name)) return (flags & SkipLinks) == 0;
    if ((flags & FoldersOnly) && known && !(attributes & kAttributeDirectory)) return false;
    return true;
}

void RawFolderScan::Start(const RawString& folder) {
    find_.Close();
    data_ = RawFindFileData();
    finished_ = false;
    folder_ = WithoutTrailingSeparator(folder);
    const RawCodeKind kind = folder_.IsEmpty() ? RawCodeKind::Utf8 : folder_.Kind();
    pattern_ = JoinPath(folder_, RawString(RawText::AllFiles(), kind));
}

void RawFolderScan::Close() {
    find_.Close();
    finished_ = true;
    folder_ = RawString();
    pattern_ = RawString();
}

// Takes the platform's entry into the record, the name in the folder's kind.
bool RawFolderScan::Fill() {
    data_.attributes = find_.Attributes();
    data_.lastWriteTime = find_.LastWriteTime();
    data_.creationTime = find_.CreationTime();
    data_.lastAccessTime = find_.LastAccessTime();
    data_.size = find_.Size();
    const RawCodeKind kind = folder_.IsEmpty() ? RawCodeKind::Utf8 : folder_.Kind();
    const char16_t* units = find_.WideName();
    // Most names are plain ASCII: for the byte kinds that agree with ASCII
    // they are copied, sparing two code-page conversions per entry.
    bool ascii = kind == RawCodeKind::Utf8 || kind == RawCodeKind::Ansi || kind == RawCodeKind::ShiftJis;
    scratch_.clear();
    int32_t n = 0;
    for (; units[n] != 0 && n < 260; ++n) {
        if (units[n] >= 0x80) ascii = false;
        if (ascii) scratch_.push_back(static_cast<char>(units[n]));
    }
    if (ascii)
        data_.name = RawString::FromBytes(kind, scratch_.data(), n);
    else
        data_.name = RawString(RawString::FromWide(units, n), kind);
    return true;
}

bool RawFolderScan::Next(uint8_t flags) {
    if (finished_) return false;
    for (;;) {
        const bool found = find_.IsOpen() ? find_.Next() : find_.First(pattern_);
        if (!found) {
            find_.Close();
            finished_ = true;
            return false;
        }
        Fill();
        if (!Passes(data_.name, data_.attributes, flags)) continue;
        data_.path = joinPaths_ ? JoinPath(folder_, data_.name) : RawString();
        return true;
    }
}

int32_t RawFolderScan::Collect(RawFolderFileList* list, uint8_t flags) {
    int32_t count = 0;
    while (Next(flags)) {
        list->Append(data_);
        ++count;
    }
    return count;
}

}  // namespace RawLayer
