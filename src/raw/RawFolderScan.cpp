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

bool IsDigit(uint32_t u) { return u >= '0' && u <= '9'; }

// One value of a sort key in bytes whose plain order is the values' order
// (the UTF-8 scheme, taken for any value up to 0xFFFF, surrogates too).
char* PutKeyValue(uint32_t v, char* out) {
    if (v < 0x80) {
        *out++ = static_cast<char>(v);
    } else if (v < 0x800) {
        *out++ = static_cast<char>(0xC0 | (v >> 6));
        *out++ = static_cast<char>(0x80 | (v & 0x3F));
    } else {
        *out++ = static_cast<char>(0xE0 | (v >> 12));
        *out++ = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (v & 0x3F));
    }
    return out;
}

// Appends the name's sort key: bytes that compare as the folded names
// compare in the entry order, ties by units aside. Each unit but a digit
// stands for itself (folded as the file system folds names). A run of digits
// becomes "0", its length without leading zeros plus one, and those digits:
// against any other unit it compares as a digit would (no other unit lies
// among the digits), against another run the shorter is the smaller number,
// and equal lengths compare digit by digit. A zero byte ends the names (no
// value before it is zero), and the leading zeros of each run follow it, so
// that names otherwise equal put fewer leading zeros first at the first run
// where they differ.
template <class Units>
void AppendKeyOf(const Units& f, std::vector<char>* keys, size_t* used, std::vector<uint32_t>* zeros) {
    zeros->clear();
    // At most three bytes a unit, four more a run and its zeros, and the end.
    const size_t need = *used + 7 * f.size() + 1;
    if (keys->size() < need) keys->resize(std::max(need, 2 * keys->size()));
    char* const begin = keys->data() + *used;
    char* out = begin;
    for (size_t i = 0; i < f.size();) {
        if (!IsDigit(f[i])) {
            out = PutKeyValue(f[i++], out);
            continue;
        }
        const size_t zeroAt = i;
        while (i < f.size() && f[i] == '0') ++i;
        zeros->push_back(static_cast<uint32_t>(i - zeroAt));
        const size_t digitsAt = i;
        while (i < f.size() && IsDigit(f[i])) ++i;
        *out++ = '0';
        out = PutKeyValue(static_cast<uint32_t>(std::min<size_t>(i - digitsAt + 1, 0xFFFF)), out);
        for (size_t d = digitsAt; d < i; ++d) *out++ = static_cast<char>(f[d]);
    }
    *out++ = 0;
    for (const uint32_t zero : *zeros) out = PutKeyValue(std::min<uint32_t>(zero, 0xFFFF), out);
    *used += static_cast<size_t>(out - begin);
}

// The units of an ASCII name, folded as they are read.
struct AsciiFolded {
    const char* bytes;
    size_t length;
    size_t size() const { return length; }
    uint32_t operator[](size_t i) const { return FoldAscii(static_cast<uint8_t>(bytes[i])); }
};

void AppendKey(const RawString& name, std::vector<char>* keys, size_t* used, std::u16string* folded,
               std::vector<uint32_t>* zeros) {
    if (name.Kind() == RawCodeKind::Utf8) {
        // Most names are ASCII: folded as they are read, sparing a call per unit.
        const AsciiFolded ascii{name.Bytes(), static_cast<size_t>(name.Length())};
        size_t i = 0;
        while (i < ascii.length && static_cast<uint8_t>(ascii.bytes[i]) < 0x80) ++i;
        if (i == ascii.length) return AppendKeyOf(ascii, keys, used, zeros);
    }
    folded->clear();
    RawFoldedUnits units(name);
    for (uint32_t unit = 0; units.Next(&unit);) folded->push_back(static_cast<char16_t>(unit));
    AppendKeyOf(std::u16string_view(*folded), keys, used, zeros);
}

// The first bytes of a key as two numbers, padded with zeros.
void KeyPrefix(std::string_view key, uint64_t* high, uint64_t* low) {
    uint64_t part[2] = {0, 0};
    for (size_t i = 0, n = std::min<size_t>(key.size(), 16); i < n; ++i)
        part[i >> 3] |= uint64_t{static_cast<uint8_t>(key[i])} << (56 - 8 * (i & 7));
    *high = part[0];
    *low = part[1];
}

int CompareKeys(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<uint8_t>(a[i]) < static_cast<uint8_t>(b[i]) ? -1 : 1;
    return CompareValues(a.size(), b.size());
}

int CompareUnits(const RawString& a, const RawString& b) {
    const RawString converted = a.Kind() == b.Kind() ? RawString() : RawString(b, a.Kind());
    const RawString& other = a.Kind() == b.Kind() ? b : converted;
    const int32_t n = std::min(a.Length(), other.Length());
    for (int32_t i = 0; i < n; ++i)
        if (a.UnitAt(i) != other.UnitAt(i)) return a.UnitAt(i) < other.UnitAt(i) ? -1 : 1;
    return CompareValues(a.Length(), other.Length());
}

}  // namespace

template <class Entry>
void RawEntryNameSort::Sort(std::vector<Entry>* entries) {
    const std::vector<Entry>& e = *entries;
    size_t used = 0;
    starts_.clear();
    for (const Entry& entry : e) {
        starts_.push_back(used);
        AppendKey(entry.name, &keys_, &used, &folded_, &zeros_);
    }
    starts_.push_back(used);
    const std::string_view all(keys_.data(), used);
    auto key = [&](int32_t i) { return all.substr(starts_[i], starts_[i + 1] - starts_[i]); };
    order_.resize(e.size());
    for (size_t i = 0; i < order_.size(); ++i) {
        order_[i].index = static_cast<int32_t>(i);
        KeyPrefix(key(order_[i].index), &order_[i].high, &order_[i].low);
    }
    // Most comparisons end within the prefixes; the rest read the keys, and
    // names equal in their keys are told apart by their units.
    auto before = [&](const Keyed& x, const Keyed& y) {
        if (x.high != y.high) return x.high < y.high;
        if (x.low != y.low) return x.low < y.low;
        const int c = CompareKeys(key(x.index), key(y.index));
        return c != 0 ? c < 0 : CompareUnits(e[x.index].name, e[y.index].name) < 0;
    };
    // Many file systems list a folder sorted already; that costs one pass.
    if (std::is_sorted(order_.begin(), order_.end(), before)) return;
    std::sort(order_.begin(), order_.end(), before);
    // Each entry moves once, cycle by cycle of the permutation; a record's
    // move swaps its texts' bodies, so no text is copied.
    std::vector<Entry>& v = *entries;
    for (size_t k = 0; k < order_.size(); ++k) {
        if (order_[k].index == static_cast<int32_t>(k)) continue;
        Entry first = std::move(v[k]);
        for (size_t to = k;;) {
            const size_t from = static_cast<size_t>(order_[to].index);
            order_[to].index = static_cast<int32_t>(to);  // in place now
            if (from == k) {
                v[to] = std::move(first);
                break;
            }
            v[to] = std::move(v[from]);
            to = from;
        }
    }
}

template void RawEntryNameSort::Sort(std::vector<RawFindFileData>* entries);
template void RawEntryNameSort::Sort(std::vector<RawFolderEntry>* entries);

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
