// Bodies, copy on write, kind conversion, queries and edits of RawString.
#include "raw/RawString.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "raw/RawCodePage.h"
#include "raw/RawList.h"

namespace RawLayer {

namespace {

// Empty and literal bodies live for the whole process; they are never counted
// and never written, so an edit of a string that uses one always detaches.
struct PinnedBody : RawStringBody {};

alignas(8) const char kEmptyBuffer[4] = {0, 0, 0, 0};

bool IsPinned(const RawStringBody* body);

RawStringBody* EmptyBody(RawCodeKind kind) {
    static PinnedBody bodies[8];
    static const bool ready = [] {
        for (int k = 0; k < 8; ++k) {
            bodies[k].storage = RawStorage::Empty;
            bodies[k].kind = KindFromValue(k);
            bodies[k].buffer = const_cast<char*>(kEmptyBuffer);
        }
        return true;
    }();
    (void)ready;
    return &bodies[KindValue(kind) & 7];
}

bool IsPinned(const RawStringBody* body) {
    return body->storage == RawStorage::Empty || body->storage == RawStorage::Literal;
}

int32_t GrownCapacity(int32_t need) { return need < 200 ? need * 2 + 20 : need * 2 + 100; }

// An owned body and its units are one block, the units right behind the
// body: a text costs one allocation, and its units lie next to its length.
RawStringBody* NewOwnedBody(RawCodeKind kind, int32_t capacity) {
    if (capacity <= 0) return EmptyBody(kind);
    const size_t unit = kind == RawCodeKind::Wide ? 2 : 1;
    void* block = ::operator new(sizeof(RawStringBody) + unit * (static_cast<size_t>(capacity) + 1));
    auto body = new (block) RawStringBody;
    body->storage = RawStorage::Owned;
    body->kind = kind;
    body->buffer = body + 1;
    std::memset(body->buffer, 0, unit);
    body->capacity = capacity;
    return body;
}

void ReleaseBody(RawStringBody* body) {
    if (IsPinned(body)) return;
    if (body->share.fetch_sub(1, std::memory_order_acq_rel) != 0) return;
    if (body->storage == RawStorage::Owned) {
        body->~RawStringBody();
        ::operator delete(body);
        return;
    }
    delete body;
}

uint32_t ReadUnit(const RawStringBody* body, int32_t i) {
    if (i < 0 || i >= body->length) return 0;
    if (body->kind == RawCodeKind::Wide) return static_cast<const char16_t*>(body->buffer)[i];
    return static_cast<const unsigned char*>(body->buffer)[i];
}

void WriteTerminator(RawStringBody* body) {
    if (body->kind == RawCodeKind::Wide)
        static_cast<char16_t*>(body->buffer)[body->length] = 0;
    else
        static_cast<char*>(body->buffer)[body->length] = 0;
}

int32_t ExtraUnits(const RawStringBody* body, int32_t i) {
    return CharExtraUnits(body->kind, i, ReadUnit(body, i), ReadUnit(body, i + 1));
}

// Next character start, never past the end.
int32_t NextChar(const RawStringBody* body, int32_t i, int32_t end) {
    return std::min(end, i + 1 + ExtraUnits(body, i));
}

bool UnitInSet(uint32_t u, const RawStringBody* set) {
    for (int32_t i = 0; i < set->length; ++i)
        if (ReadUnit(set, i) == u) return true;
    return false;
}

// Converts units of kind `from` into a fresh owned body of kind `to`.
RawStringBody* ConvertUnits(RawCodeKind from, const void* units, int32_t count, RawCodeKind to);

RawStringBody* CopyUnits(RawCodeKind kind, const void* units, int32_t count) {
    RawStringBody* body = NewOwnedBody(kind, count);
    if (count <= 0) return body;
    std::memcpy(body->buffer, units, static_cast<size_t>(count) * (kind == RawCodeKind::Wide ? 2 : 1));
    body->length = count;
    WriteTerminator(body);
    return body;
}

std::u16string NarrowToWide(RawCodeKind kind, const void* units, int32_t count) {
    std::u16string wide;
    const auto bytes = static_cast<const unsigned char*>(units);
    if (IsUtf16Kind(kind)) {
        wide.resize(static_cast<size_t>(count / 2));
        for (int32_t i = 0; i + 1 < count; i += 2)
            wide[static_cast<size_t>(i / 2)] = static_cast<char16_t>(Utf16Unit(kind, bytes[i], bytes[i + 1]));
        return wide;
    }
    const auto text = static_cast<const char*>(units);
    const uint32_t page = CodePageOf(kind);
    const int32_t need = RawNarrowToWide(page, text, count, nullptr, 0);
    wide.resize(static_cast<size_t>(need));
    if (need > 0) RawNarrowToWide(page, text, count, wide.data(), need);
    return wide;
}

RawStringBody* WideToNarrowBody(const char16_t* wide, int32_t count, RawCodeKind to) {
    if (IsUtf16Kind(to)) {
        RawStringBody* body = NewOwnedBody(to, count * 2);
        auto bytes = static_cast<unsigned char*>(body->buffer);
        for (int32_t i = 0; i < count; ++i) {
            const Utf16BytePair pair = Utf16Bytes(to, wide[i]);
            bytes[2 * i] = pair.first;
            bytes[2 * i + 1] = pair.second;
        }
        body->length = count * 2;
        if (body->capacity > 0) WriteTerminator(body);
        return body;
    }
    const uint32_t page = CodePageOf(to);
    const int32_t need = RawWideToNarrow(page, wide, count, nullptr, 0);
    RawStringBody* body = NewOwnedBody(to, need);
    if (need > 0) {
        RawWideToNarrow(page, wide, count, static_cast<char*>(body->buffer), need);
        body->length = need;
        WriteTerminator(body);
    }
    return body;
}

RawStringBody* ConvertUnits(RawCodeKind from, const void* units, int32_t count, RawCodeKind to) {
    if (count <= 0) return EmptyBody(to);
    if (from == to) return CopyUnits(to, units, count);
    if (from == RawCodeKind::Wide) return WideToNarrowBody(static_cast<const char16_t*>(units), count, to);
    const std::u16string wide = NarrowToWide(from, units, count);
    if (to == RawCodeKind::Wide) return CopyUnits(RawCodeKind::Wide, wide.data(), static_cast<int32_t>(wide.size()));
    return WideToNarrowBody(wide.data(), static_cast<int32_t>(wide.size()), to);
}

const void* UnitPointer(const RawStringBody* body, int32_t index) {
    if (body->kind == RawCodeKind::Wide) return static_cast<const char16_t*>(body->buffer) + index;
    return static_cast<const char*>(body->buffer) + index;
}

}  // namespace

uint32_t CodePageOf(RawCodeKind kind) {
    switch (kind) {
    case RawCodeKind::Ansi: return 0;
    case RawCodeKind::ShiftJis: return 932;
    case RawCodeKind::Utf8: return 65001;
    case RawCodeKind::Utf7: return 65000;
    case RawCodeKind::Mac: return 2;
    default: return 0;
    }
}

bool IsNarrowKind(RawCodeKind kind) { return kind != RawCodeKind::Wide; }

// ---------------------------------------------------------------- lifetime

RawString::RawString() : body_(EmptyBody(RawCodeKind::Utf8)) {}

RawString::RawString(RawCodeKind kind, int32_t capacity) : body_(NewOwnedBody(kind, capacity)) {}

RawString::RawString(const char* utf8)
    : RawString(utf8, utf8 ? static_cast<int32_t>(std::strlen(utf8)) : 0) {}

RawString::RawString(const char* utf8, int32_t length) : body_(CopyUnits(RawCodeKind::Utf8, utf8, length)) {}

RawString::RawString(std::string_view utf8)
    : body_(CopyUnits(RawCodeKind::Utf8, utf8.data(), static_cast<int32_t>(utf8.size()))) {}

RawString::RawString(const RawString& source, RawRange range, RawCodeKind kind) {
    const RawRange r = source.Clamp(range);
    body_ = ConvertUnits(source.Kind(), UnitPointer(source.body_, r.begin), r.end - r.begin, kind);
}

namespace {
// A view is never shared: whoever keeps it gets its own units.
RawStringBody* ShareBody(RawStringBody* b) {
    if (b->storage == RawStorage::View) return CopyUnits(b->kind, b->buffer, b->length);
    if (!IsPinned(b)) b->share.fetch_add(1, std::memory_order_relaxed);
    return b;
}
}  // namespace

RawString::RawString(const RawString& source, RawCodeKind kind)
    : body_(source.Kind() == kind
                ? ShareBody(source.body_)
                : ConvertUnits(source.Kind(), source.body_->buffer, source.Length(), kind)) {}

RawString::RawString(const RawString& other) : body_(ShareBody(other.body_)) {}

RawString::RawString(RawString&& other) noexcept : body_(other.body_) {
    other.body_ = EmptyBody(body_->kind);
}

RawString::~RawString() { ReleaseBody(body_); }

RawString& RawString::operator=(const RawString& other) {
    if (this != &other) {
        RawString copy(other);
        std::swap(body_, copy.body_);
    }
    return *this;
}

RawString& RawString::operator=(RawString&& other) noexcept {
    std::swap(body_, other.body_);
    return *this;
}

RawString RawString::FromBytes(RawCodeKind kind, const void* bytes, int32_t count) {
    if (kind == RawCodeKind::Wide) return RawString(CopyUnits(RawCodeKind::Wide, bytes, count / 2));
    return RawString(CopyUnits(kind, bytes, count));
}

RawString RawString::FromWide(const char16_t* units, int32_t count) {
    return RawString(CopyUnits(RawCodeKind::Wide, units, count));
}

RawString RawString::FromWide(std::u16string_view units) {
    return FromWide(units.data(), static_cast<int32_t>(units.size()));
}

RawString RawString::FromWide(const wchar_t* units) {
    static_assert(sizeof(wchar_t) == 2 || sizeof(wchar_t) == 4);
    std::u16string text;
    for (const wchar_t* p = units; p && *p; ++p) text.push_back(static_cast<char16_t>(*p));
    return FromWide(text);
}

RawString RawString::MakeView(RawCodeKind kind, const void* units, int32_t count) {
    auto body = new RawStringBody;
    body->storage = RawStorage::View;
    body->kind = kind;
    body->buffer = const_cast<void*>(units);
    body->length = body->capacity = std::max(count, 0);
    return RawString(body);
}

RawString RawString::MakeLiteral(const char* text) {
    // Literal bodies are pinned, and so deliberately never freed.
    auto body = new PinnedBody;
    body->storage = RawStorage::Literal;
    body->kind = RawCodeKind::Utf8;
    body->buffer = const_cast<char*>(text);
    body->length = body->capacity = static_cast<int32_t>(std::strlen(text));
    return RawString(body);
}

// ---------------------------------------------------------------- access

int32_t RawString::CharLength(int32_t index) const { return 1 + ExtraUnits(body_, index); }

RawRange RawString::Clamp(RawRange range) const {
    RawRange r{std::max(range.begin, 0), std::min(range.end, Length())};
    if (r.begin >= r.end) r = {std::min(r.begin, Length()), std::min(r.begin, Length())};
    return r;
}

std::string RawString::ToUtf8() const {
    RawString utf8(*this, RawCodeKind::Utf8);
    return std::string(utf8.Bytes(), static_cast<size_t>(utf8.Length()));
}

std::u16string RawString::ToU16() const {
    RawString wide(*this, RawCodeKind::Wide);
    return std::u16string(wide.Units(), static_cast<size_t>(wide.Length()));
}

std::wstring RawString::ToWide() const {
    const std::u16string u = ToU16();
    return std::wstring(u.begin(), u.end());
}

// ---------------------------------------------------------------- editing

void RawString::Detach() {
    RawStringBody* old = body_;
    const bool shared = IsPinned(old) || old->storage == RawStorage::View ||
                        old->share.load(std::memory_order_acquire) > 0;
    if (!shared) return;
    body_ = CopyUnits(old->kind, old->buffer, old->length);
    ReleaseBody(old);
}

void RawString::Grow(int32_t need) {
    Detach();
    if (need <= body_->capacity) return;
    const int32_t capacity = GrownCapacity(need);
    RawStringBody* grown = NewOwnedBody(body_->kind, capacity);
    if (body_->length > 0)
        std::memcpy(grown->buffer, body_->buffer, static_cast<size_t>(body_->length) * UnitSize());
    grown->length = body_->length;
    WriteTerminator(grown);
    ReleaseBody(body_);
    body_ = grown;
}

void RawString::AppendUnitGrowing(uint32_t unit) {
    Grow(Length() + 1);
    SetUnit(Length(), unit);
    SetLength(Length() + 1);
}

void RawString::Append(const RawString& a) { AppendRange(a, kAll); }

void RawString::Append(const RawString& a, const RawString& b, const RawString& c,
                       const RawString& d, const RawString& e) {
    const RawString* parts[] = {&a, &b, &c, &d, &e};
    // Copies first: one of the parts may be this very string.
    RawString held[5];
    int32_t total = Length();
    for (int i = 0; i < 5; ++i) {
        held[i] = *parts[i];
        total += held[i].Length();
    }
    Grow(total);
    for (const RawString& part : held)
        if (!part.IsEmpty()) AppendRange(part, kAll);
}

void RawString::AppendRangeGrowing(const RawString& other, RawRange range) {
    // Growing would free the units being copied when they are this string's
    // own, or a view into them: those are copied first (a view's copy holds
    // units of its own). Units another string shares stay alive while it
    // holds them, and growing gives this string units of its own.
    const char* buffer = static_cast<const char*>(body_->buffer);
    const char* from = static_cast<const char*>(other.body_->buffer);
    if (&other == this || (other.body_->storage == RawStorage::View && from >= buffer &&
                           from <= buffer + static_cast<size_t>(body_->capacity) * UnitSize())) {
        const RawString held(other);
        AppendRange(held, range);
        return;
    }
    const RawString& source = other;
    const RawRange r = source.Clamp(range);
    const int32_t n = r.end - r.begin;
    if (n <= 0) return;
    const int32_t at = Length();
    Grow(at + n);
    if (source.Kind() == RawCodeKind::Wide && Kind() == RawCodeKind::Wide) {
        std::memcpy(static_cast<char16_t*>(body_->buffer) + at, source.Units() + r.begin,
                    static_cast<size_t>(n) * 2);
    } else if (source.Kind() != RawCodeKind::Wide && Kind() != RawCodeKind::Wide) {
        std::memcpy(static_cast<char*>(body_->buffer) + at, source.Bytes() + r.begin,
                    static_cast<size_t>(n));
    } else {
        for (int32_t i = 0; i < n; ++i) SetUnit(at + i, source.UnitAt(r.begin + i));
    }
    SetLength(at + n);
}

void RawString::SetRange(const RawString& other, RawRange range) {
    const RawString source(other);
    Truncate(0);
    AppendRange(source, range);
}

void RawString::Assign(const RawString& other) { SetRange(other, kAll); }

void RawString::Insert(int32_t position, const RawString& other) {
    if (position < 0 || position > Length() || other.IsEmpty()) return;
    Replace({position, position}, other, kAll);
}

void RawString::InsertUnderscore(int32_t position) {
    if (position < 0 || position > Length()) return;
    static const RawString underscore = RawString::MakeLiteral("_");
    Replace({position, position}, underscore, kAll);
}

void RawString::Erase(RawRange range) { Replace(range, RawString(), kAll); }

void RawString::Replace(RawRange range, const RawString& other, RawRange otherRange) {
    const RawString source(other);
    const RawRange r = Clamp(range);
    const RawRange o = source.Clamp(otherRange);
    const int32_t removed = r.end - r.begin, added = o.end - o.begin;
    const int32_t oldLength = Length(), newLength = oldLength - removed + added;
    Grow(newLength);
    if (removed == 0 && added == 0) return;
    const size_t unit = static_cast<size_t>(UnitSize());
    auto base = static_cast<char*>(body_->buffer);
    std::memmove(base + static_cast<size_t>(r.begin + added) * unit,
                 base + static_cast<size_t>(r.end) * unit,
                 static_cast<size_t>(oldLength - r.end) * unit);
    for (int32_t i = 0; i < added; ++i) SetUnit(r.begin + i, source.UnitAt(o.begin + i));
    SetLength(newLength);
}

void RawString::AppendInt(int64_t value) {
    Grow(Length() + 67);
    uint64_t magnitude = static_cast<uint64_t>(value);
    if (value < 0) {
        AppendUnit('-');
        magnitude = 0 - magnitude;
    }
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n > 0) AppendUnit(static_cast<unsigned char>(digits[--n]));
}

void RawString::AppendDigits(uint64_t value, int32_t width) {
    if (width <= 0) return;
    const int32_t at = Length();
    Grow(at + width);
    for (int32_t i = width - 1; i >= 0; --i) {
        SetUnit(at + i, static_cast<uint32_t>('0' + value % 10));
        value /= 10;
    }
    SetLength(at + width);
}

void RawString::TruncateShared(int32_t length) {
    if (length < 0) length = 0;
    if (length >= Length()) return;
    Detach();
    SetLength(length);
}

void RawString::Clear() {
    RawString empty(Kind());
    std::swap(body_, empty.body_);
}

// ---------------------------------------------------------------- queries

bool RawString::Equal(RawRange range, const RawString& other, RawRange otherRange) const {
    const RawRange a = Clamp(range), b = other.Clamp(otherRange);
    if (a.end - a.begin != b.end - b.begin) return false;
    for (int32_t i = 0; i < a.end - a.begin; ++i)
        if (UnitAt(a.begin + i) != other.UnitAt(b.begin + i)) return false;
    return true;
}

bool RawString::EqualNoCase(RawRange range, const RawString& other, RawRange otherRange) const {
    const RawRange a = Clamp(range), b = other.Clamp(otherRange);
    if (a.end - a.begin != b.end - b.begin) return false;
    for (int32_t i = 0; i < a.end - a.begin; ++i)
        if (FoldAscii(UnitAt(a.begin + i)) != FoldAscii(other.UnitAt(b.begin + i))) return false;
    return true;
}

bool RawString::EqualAt(int32_t p, const RawString& other, int32_t q, int32_t n) const {
    if (p < 0 || q < 0 || n < 0 || p + n > Length() || q + n > other.Length()) return false;
    for (int32_t i = 0; i < n; ++i)
        if (UnitAt(p + i) != other.UnitAt(q + i)) return false;
    return true;
}

bool RawString::EqualNoCaseAt(int32_t p, const RawString& other, int32_t n) const {
    if (p < 0 || n < 0 || p + n > Length() || n > other.Length()) return false;
    for (int32_t i = 0; i < n; ++i)
        if (FoldAscii(UnitAt(p + i)) != FoldAscii(other.UnitAt(i))) return false;
    return true;
}

int32_t RawString::Find(RawRange range, const RawString& other, RawRange otherRange) const {
    const RawRange r = Clamp(range), o = other.Clamp(otherRange);
    const int32_t n = o.end - o.begin;
    for (int32_t i = r.begin; i + n <= r.end; i = NextChar(body_, i, r.end)) {
        if (EqualAt(i, other, o.begin, n)) return i;
        if (i >= r.end) break;
    }
    return r.end;
}

int32_t RawString::FindNoCase(RawRange range, const RawString& other) const {
    const RawRange r = Clamp(range);
    const int32_t n = other.Length();
    for (int32_t i = r.begin; i + n <= r.end; i = NextChar(body_, i, r.end)) {
        if (EqualNoCaseAt(i, other, n)) return i;
        if (i >= r.end) break;
    }
    return r.end;
}

int32_t RawString::FindUnit(RawRange range, uint32_t unit) const {
    const RawRange r = Clamp(range);
    for (int32_t i = r.begin; i < r.end; i = NextChar(body_, i, r.end))
        if (UnitAt(i) == unit) return i;
    return r.end;
}

int32_t RawString::FindSeparator(RawRange range) const {
    const RawRange r = Clamp(range);
    for (int32_t i = r.begin; i < r.end; i = NextChar(body_, i, r.end))
        if (UnitAt(i) == '\\' || UnitAt(i) == '/') return i;
    return r.end;
}

int32_t RawString::FindLastSeparator(RawRange range) const {
    const RawRange r = Clamp(range);
    int32_t found = r.end;
    for (int32_t i = r.begin; i < r.end; i = NextChar(body_, i, r.end))
        if (UnitAt(i) == '\\' || UnitAt(i) == '/') found = i;
    return found;
}

int32_t RawString::LastComponentStart(RawRange range) const {
    const RawRange r = Clamp(range);
    for (int32_t i = r.end - 1; i >= r.begin; --i)
        if (UnitAt(i) == '\\' || UnitAt(i) == '/') return i + 1;
    return r.begin;
}

int32_t RawString::FindLastInSet(RawRange range, const RawString& set) const {
    const RawRange r = Clamp(range);
    int32_t found = r.end;
    for (int32_t i = r.begin; i < r.end; i = NextChar(body_, i, r.end))
        if (UnitInSet(UnitAt(i), set.body_)) found = i;
    return found;
}

bool RawString::InSet(int32_t position, const RawString& set) const {
    if (position < 0 || position >= Length()) return false;
    return UnitInSet(UnitAt(position), set.body_);
}

int32_t RawString::SkipSet(int32_t position, const RawString& set) const {
    int32_t i = std::max(position, 0);
    while (i < Length() && UnitInSet(UnitAt(i), set.body_)) ++i;
    return std::min(i, Length());
}

int32_t RawString::FindSet(int32_t position, const RawString& set) const {
    for (int32_t i = std::max(position, 0); i < Length(); i = NextChar(body_, i, Length()))
        if (UnitInSet(UnitAt(i), set.body_)) return i;
    return Length();
}

RawRange RawString::Trim(RawRange range, const RawString& set) const {
    RawRange r = Clamp(range);
    while (r.begin < r.end && UnitInSet(UnitAt(r.begin), set.body_)) ++r.begin;
    while (r.end > r.begin && UnitInSet(UnitAt(r.end - 1), set.body_)) --r.end;
    return r;
}

RawRange RawString::ExtensionRange() const {
    const int32_t last = FindLastInSet(kAll, RawText::DotSet());
    if (last < Length() && UnitAt(last) == '.') return {last + 1, Length()};
    return {Length(), Length()};
}

bool RawString::IsSeparatorAt(int32_t position) const {
    const uint32_t u = UnitAt(position);
    if (position < 0 || position >= Length()) return false;
    if (u == '/') return true;
    if (u != '\\') return false;
    if (Kind() != RawCodeKind::ShiftJis) return true;
    int32_t leads = 0;
    for (int32_t i = position - 1; i >= 0; --i) {
        if (!IsShiftJisLead(UnitAt(i))) break;
        ++leads;
    }
    return (leads & 1) == 0;
}

bool RawString::ParseRange(RawRange range, uint64_t* value, bool* negative) const {
    const RawRange r = Clamp(range);
    *value = 0;
    *negative = false;
    int32_t i = r.begin;
    if (i >= r.end) return true;
    if (UnitAt(i) == '-' || UnitAt(i) == '+') {
        *negative = UnitAt(i) == '-';
        ++i;
        if (i >= r.end) return false;
    }
    uint32_t base = 10;
    if (r.end - i >= 2 && UnitAt(i) == '0') {
        if (UnitAt(i + 1) == 'x') {
            base = 16;
            i += 2;
        } else if (UnitAt(i + 1) == 'b') {
            base = 2;
            i += 2;
        }
    }
    for (; i < r.end; ++i) {
        const uint32_t u = UnitAt(i);
        uint32_t digit = 99;
        if (u >= '0' && u <= '9') digit = u - '0';
        else if (u >= 'A' && u <= 'Z') digit = u - 'A' + 10;
        else if (u >= 'a' && u <= 'z') digit = u - 'a' + 10;
        if (digit >= base) return false;
        *value = *value * base + digit;
    }
    return true;
}

int32_t RawString::ParseInt(bool* ok) const {
    uint64_t value = 0;
    bool negative = false;
    const bool success = ParseRange(kAll, &value, &negative);
    if (ok) *ok = success;
    const uint32_t low = static_cast<uint32_t>(value);
    return static_cast<int32_t>(negative ? 0u - low : low);
}

RawApiClass RawString::ApiClass() const {
    if (IsEmpty()) return RawApiClass::Empty;
    switch (Kind()) {
    case RawCodeKind::Wide: return RawApiClass::Wide;
    case RawCodeKind::Ansi: return RawApiClass::Narrow;
    case RawCodeKind::ShiftJis:
        // Shift_JIS bytes are only right for a narrow entry point on a system
        // whose ANSI code page is 932; elsewhere they must go through wide text.
        return RawAnsiCodePage() == 932 ? RawApiClass::Narrow : RawApiClass::ToWide;
    case RawCodeKind::Utf8:
        for (int32_t i = 0; i < Length(); ++i)
            if (UnitAt(i) >= 0x7F) return RawApiClass::ToWide;
        return RawApiClass::Narrow;
    default: return RawApiClass::ToWide;
    }
}

RawString RawString::Quoted() const {
    RawString out(Kind(), Length() + 2);
    out.AppendUnit('"');
    out.AppendRange(*this, kAll);
    out.AppendUnit('"');
    return out;
}

int32_t RawString::CharClass(uint32_t unit) {
    if ((unit >= 'A' && unit <= 'Z') || (unit >= 'a' && unit <= 'z') ||
        (unit >= '0' && unit <= '9') || unit == '_')
        return 1;
    if (unit == '\t' || unit == ' ') return 2;
    if (unit == '\n' || unit == '\r') return 3;
    if (unit < 0x20 || (unit >= 0x7F && unit <= 0xA0)) return 4;
    if (unit >= 0xA1 && unit <= 0xFF) return 5;
    if (unit >= 0x100) return 6;
    return 0;
}

RawString RawString::Escape(bool doubleBackslashes) const {
    RawString out(Kind(), Length() + 8);
    for (int32_t i = 0; i < Length(); ++i) {
        const uint32_t u = UnitAt(i);
        if (u == '\r' || u == '\n') {
            if (u == '\r' && UnitAt(i + 1) == '\n' && i + 1 < Length()) ++i;
            out.AppendUnit('\\');
            out.AppendUnit('n');
        } else if (u == '\t') {
            out.AppendUnit('\\');
            out.AppendUnit('t');
        } else if (u == '\\' && doubleBackslashes) {
            out.AppendUnit('\\');
            out.AppendUnit('\\');
        } else {
            out.AppendUnit(u);
        }
    }
    return out;
}

RawString RawString::Unescape() const {
    RawString out(Kind(), Length());
    for (int32_t i = 0; i < Length(); ++i) {
        const uint32_t u = UnitAt(i);
        if (u != '\\') {
            out.AppendUnit(u);
            continue;
        }
        if (i + 1 >= Length()) {
            // A trailing lone backslash is kept as it stands rather than turned
            // into a zero unit that would cut the text short wherever it is used.
            out.AppendUnit('\\');
            break;
        }
        const uint32_t x = UnitAt(++i);
        if (x == 'n') {
            out.AppendUnit('\r');
            out.AppendUnit('\n');
        } else if (x == 't') {
            out.AppendUnit('\t');
        } else if (x == 's') {
            out.AppendUnit(' ');
        } else {
            out.AppendUnit(x);
        }
    }
    return out;
}

// ---------------------------------------------------------------- constants

namespace RawText {
const RawString& CrLf() { static const RawString s = RawString::MakeLiteral("\r\n"); return s; }
const RawString& Blanks() { static const RawString s = RawString::MakeLiteral(" \t"); return s; }
const RawString& WhiteSpace() { static const RawString s = RawString::MakeLiteral(" \t\r\n"); return s; }
const RawString& Separators() { static const RawString s = RawString::MakeLiteral("\\/"); return s; }
const RawString& DotSet() { static const RawString s = RawString::MakeLiteral("\\/."); return s; }
const RawString& AllFiles() { static const RawString s = RawString::MakeLiteral("*.*"); return s; }
const RawString& False() { static const RawString s = RawString::MakeLiteral("False"); return s; }
}  // namespace RawText

// ---------------------------------------------------------------- platform calls

RawApiArgs::RawApiArgs(const RawString* const* args, size_t count) {
    bool anyNarrow = false, anyWide = false, anyConvert = false;
    for (size_t i = 0; i < count && count_ < kMostTexts; ++i) {
        if (args[i] == nullptr) continue;
        sources_[count_] = args[i];
        args_[count_] = *args[i];
        switch (args_[count_++].ApiClass()) {
        case RawApiClass::Narrow: anyNarrow = true; break;
        case RawApiClass::Wide: anyWide = true; break;
        case RawApiClass::ToWide: anyConvert = true; break;
        case RawApiClass::Empty: break;
        }
    }
    wide_ = anyConvert || anyWide;
    if (anyConvert || (anyNarrow && anyWide))
        for (size_t i = 0; i < count_; ++i) args_[i] = RawString(args_[i], RawCodeKind::Wide);
    else if (wide_)
        for (size_t i = 0; i < count_; ++i)
            if (args_[i].Kind() != RawCodeKind::Wide) args_[i] = RawString(RawCodeKind::Wide);
}

const wchar_t* RawApiArgs::WideText(size_t slot) const {
    return reinterpret_cast<const wchar_t*>(args_[slot].Units());
}

int RawApiArgs::LengthAsPassed(const RawString* source) const {
    for (size_t i = 0; i < count_; ++i)
        if (sources_[i] == source) return args_[i].Length();
    // A text that is not an argument of the call goes as it stands.
    return source->Length();
}

// ---------------------------------------------------------------- splitting

RawSplitter::RawSplitter(const RawString& text, RawRange range, uint32_t flags,
                         const RawString& open, const RawString& close)
    : text_(text), open_(open), close_(close), flags_(flags & ~uint32_t(Ended)) {
    const RawRange r = text_.Clamp(range);
    position_ = r.begin;
    end_ = r.end;
}

int32_t RawSplitter::FindSeparator(bool semicolonToo) const {
    if (flags_ & RestIsOne) return end_;
    bool inQuotes = false;
    int32_t i = position_;
    while (i < end_) {
        const uint32_t u = text_.UnitAt(i);
        if ((flags_ & HonourQuotes) && u == '"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes) {
            if (u == ',' || (semicolonToo && u == ';')) return i;
            if (!open_.IsEmpty() && text_.EqualAt(i, open_, 0, open_.Length())) {
                int32_t depth = 0;
                while (i < end_) {
                    if (text_.EqualAt(i, open_, 0, open_.Length())) {
                        ++depth;
                        i += open_.Length();
                    } else if (!close_.IsEmpty() && text_.EqualAt(i, close_, 0, close_.Length())) {
                        i += close_.Length();
                        if (--depth == 0) break;
                    } else {
                        i += text_.CharLength(i);
                    }
                }
                continue;
            }
        }
        i += text_.CharLength(i);
    }
    return end_;
}

bool RawSplitter::Next(RawRange* piece, bool semicolonToo) {
    if (flags_ & Ended) return false;
    const int32_t separator = std::min(FindSeparator(semicolonToo), end_);
    *piece = {position_, separator};
    if (separator >= end_) {
        flags_ |= Ended;
        position_ = end_;
    } else {
        position_ = separator + 1;
    }
    return true;
}

int32_t SplitCommas(const RawString& text, RawStringList* out) {
    if (text.IsEmpty()) return 0;
    RawSplitter splitter(text, kAll);
    RawRange piece;
    int32_t count = 0;
    while (splitter.Next(&piece)) {
        out->Append(RawString(text, text.Trim(piece, RawText::Blanks()), text.Kind()));
        ++count;
    }
    return count;
}

}  // namespace RawLayer
