// The one text type of the program: a handle to a shared, reference-counted
// body that knows the encoding (code kind) of its units. Copies share, edits detach.
#pragma once

#include <array>
#include <atomic>
#include <cstring>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "raw/RawCodeRules.h"

namespace RawLayer {

enum class RawStorage : uint8_t { Empty = 0, Owned = 1, Literal = 2, View = 3 };

// Code page used to convert a narrow kind to and from wide text (0 for the
// kinds that are converted by byte copying or are wide already).
uint32_t CodePageOf(RawCodeKind kind);
bool IsNarrowKind(RawCodeKind kind);

// How a text goes to a platform call that has a narrow and a wide entry point.
enum class RawApiClass : uint8_t {
    Narrow = 0,  // narrow-capable as it stands
    Wide = 1,    // wide as it stands
    ToWide = 2,  // needs converting to wide
    Empty = 3,   // goes either way
};

struct RawRange {
    int32_t begin = 0;
    int32_t end = 0;
    constexpr RawRange() = default;
    constexpr RawRange(int32_t b, int32_t e) : begin(b), end(e) {}
    bool operator==(const RawRange&) const = default;
};

// The whole of any string; clamping turns it into [0, length).
inline constexpr RawRange kAll{0, INT32_MAX};

struct RawStringBody {
    RawStorage storage = RawStorage::Empty;
    RawCodeKind kind = RawCodeKind::Utf8;
    void* buffer = nullptr;
    int32_t length = 0;
    int32_t capacity = 0;
    // Handles beyond the first that share this body. Kept atomic instead of
    // under a per-body critical section: copy, release and detach only ever
    // need the count itself to be exact.
    std::atomic<uint32_t> share{0};
};

class RawString {
public:
    RawString();
    explicit RawString(RawCodeKind kind, int32_t capacity = 0);
    RawString(const char* utf8);  // NOLINT: texts of the program are written as literals
    RawString(const char* utf8, int32_t length);
    RawString(std::string_view utf8);
    // A substring of another string, converted into the named kind.
    RawString(const RawString& source, RawRange range, RawCodeKind kind);
    // A copy in the named kind: shares when the kinds agree, converts otherwise.
    RawString(const RawString& source, RawCodeKind kind);
    RawString(const RawString& other);
    RawString(RawString&& other) noexcept;
    ~RawString();
    RawString& operator=(const RawString& other);  // handle assignment: shares
    RawString& operator=(RawString&& other) noexcept;

    // Bytes of a narrow kind (or UTF-16 as bytes) taken as they stand.
    static RawString FromBytes(RawCodeKind kind, const void* bytes, int32_t count);
    static RawString FromWide(const char16_t* units, int32_t count);
    static RawString FromWide(std::u16string_view units);
    static RawString FromWide(const wchar_t* units);
    // A string that shows the caller's units without copying; never shared.
    static RawString MakeView(RawCodeKind kind, const void* units, int32_t count);
    // A process-lifetime constant over text in the program image.
    static RawString MakeLiteral(const char* text);

    RawCodeKind Kind() const { return body_->kind; }
    RawStorage Storage() const { return body_->storage; }
    int32_t Length() const { return body_->length; }
    int32_t Capacity() const { return body_->capacity; }
    uint32_t ShareCount() const { return body_->share.load(std::memory_order_relaxed); }
    bool IsEmpty() const { return body_->length == 0; }
    bool IsWide() const { return body_->kind == RawCodeKind::Wide; }
    bool SharesBodyWith(const RawString& other) const { return body_ == other.body_; }

    // Narrow units (every kind but Wide); zero-terminated.
    const char* Bytes() const { return static_cast<const char*>(body_->buffer); }
    // Wide units (Wide); zero-terminated.
    const char16_t* Units() const { return static_cast<const char16_t*>(body_->buffer); }
    // Unit value (bytes unsigned); 0 outside the string.
    uint32_t UnitAt(int32_t index) const {
        if (index < 0 || index >= body_->length) return 0;
        if (body_->kind == RawCodeKind::Wide) return static_cast<const char16_t*>(body_->buffer)[index];
        return static_cast<const unsigned char*>(body_->buffer)[index];
    }
    // Units taken by the character that starts at index (1 + extra units).
    int32_t CharLength(int32_t index) const;
    RawRange Clamp(RawRange range) const;

    // Conversions for callers outside the string world.
    std::string ToUtf8() const;
    std::u16string ToU16() const;
    std::wstring ToWide() const;

    // ---- editing: each detaches first and keeps the terminator ----
    // The common edits of a loop that builds names into one buffer (a string
    // of its own, with room) are done here, without a call.
    void AppendUnit(uint32_t unit) {
        if (!HasRoomOfItsOwn(1)) return AppendUnitGrowing(unit);
        SetUnit(body_->length, unit);
        SetLength(body_->length + 1);
    }
    void Append(const RawString& a);
    void Append(const RawString& a, const RawString& b, const RawString& c = RawString(),
                const RawString& d = RawString(), const RawString& e = RawString());
    void AppendRange(const RawString& other, RawRange range) {
        const RawStringBody* from = other.body_;
        const int32_t begin = range.begin < 0 ? 0 : range.begin;
        const int32_t end = range.end < from->length ? range.end : from->length;
        if (end <= begin) return;
        // Units of this very string lie before its end, where nothing is written.
        if (from->kind == body_->kind && from->storage != RawStorage::View && HasRoomOfItsOwn(end - begin)) {
            const int32_t size = UnitSize();
            CopyShort(static_cast<char*>(body_->buffer) + static_cast<size_t>(body_->length) * size,
                      static_cast<const char*>(from->buffer) + static_cast<size_t>(begin) * size,
                      static_cast<size_t>(end - begin) * size);
            SetLength(body_->length + end - begin);
            return;
        }
        AppendRangeGrowing(other, range);
    }
    void SetRange(const RawString& other, RawRange range);
    // Copies units of another string into this string's own kind and buffer.
    void Assign(const RawString& other);
    void Insert(int32_t position, const RawString& other);
    void InsertUnderscore(int32_t position);
    void Erase(RawRange range);
    void Replace(RawRange range, const RawString& other, RawRange otherRange);
    void AppendInt(int64_t value);
    void AppendDigits(uint64_t value, int32_t width);
    void Truncate(int32_t length) {
        if (length >= body_->length) return;
        if (!HasRoomOfItsOwn(0)) return TruncateShared(length);
        SetLength(length < 0 ? 0 : length);
    }
    void Clear();
    void Reserve(int32_t capacity) {
        if (!HasRoomOfItsOwn(capacity - body_->length)) Grow(capacity);
    }

    // ---- queries ----
    bool Equal(RawRange range, const RawString& other, RawRange otherRange) const;
    bool EqualNoCase(RawRange range, const RawString& other, RawRange otherRange) const;
    bool EqualAt(int32_t p, const RawString& other, int32_t q, int32_t n) const;
    bool EqualNoCaseAt(int32_t p, const RawString& other, int32_t n) const;
    bool operator==(const RawString& other) const { return Equal(kAll, other, kAll); }
    bool EqualsNoCase(const RawString& other) const { return EqualNoCase(kAll, other, kAll); }

    int32_t Find(RawRange range, const RawString& other, RawRange otherRange = kAll) const;
    int32_t FindNoCase(RawRange range, const RawString& other) const;
    int32_t FindUnit(RawRange range, uint32_t unit) const;
    int32_t FindSeparator(RawRange range) const;
    int32_t FindLastSeparator(RawRange range) const;
    int32_t LastComponentStart(RawRange range) const;
    int32_t FindLastInSet(RawRange range, const RawString& set) const;
    bool InSet(int32_t position, const RawString& set) const;
    int32_t SkipSet(int32_t position, const RawString& set) const;
    int32_t FindSet(int32_t position, const RawString& set) const;
    RawRange Trim(RawRange range, const RawString& set) const;
    RawRange ExtensionRange() const;
    bool IsSeparatorAt(int32_t position) const;

    // Parses the whole string; low 32 bits, negated for a leading "-".
    int32_t ParseInt(bool* ok = nullptr) const;
    // Parses a range; the unsigned value accumulated, the sign reported apart.
    bool ParseRange(RawRange range, uint64_t* value, bool* negative) const;

    RawApiClass ApiClass() const;
    RawString Quoted() const;
    static int32_t CharClass(uint32_t unit);
    // Line breaks and TABs as backslash escapes; backslashes themselves are
    // doubled only when asked, as older stored texts were written without.
    RawString Escape(bool doubleBackslashes = false) const;
    RawString Unescape() const;

private:
    explicit RawString(RawStringBody* body) : body_(body) {}
    // Whether the units are this string's alone and `more` units fit behind
    // them, so that it may write them in place.
    bool HasRoomOfItsOwn(int32_t more) const {
        return body_->storage == RawStorage::Owned && body_->share.load(std::memory_order_acquire) == 0 &&
               more <= body_->capacity - body_->length;
    }
    // Copies count bytes that do not overlap. A name's pieces are short: a
    // few moves in place beat a call into the runtime library.
    static void CopyShort(char* to, const char* from, size_t count) {
        if (count >= 16) {
            if (count > 128) {
                std::memcpy(to, from, count);
                return;
            }
            // The first and the last 16, 32 or 64 bytes, which may overlap.
            const size_t block = count > 64 ? 64 : count > 32 ? 32 : 16;
            for (size_t i = 0; i < block; i += 16) {
                std::memcpy(to + i, from + i, 16);
                std::memcpy(to + count - block + i, from + count - block + i, 16);
            }
        } else if (count >= 8) {
            std::memcpy(to, from, 8);
            std::memcpy(to + count - 8, from + count - 8, 8);
        } else if (count >= 4) {
            std::memcpy(to, from, 4);
            std::memcpy(to + count - 4, from + count - 4, 4);
        } else if (count > 0) {
            to[0] = from[0];
            to[count / 2] = from[count / 2];
            to[count - 1] = from[count - 1];
        }
    }
    void AppendUnitGrowing(uint32_t unit);
    void AppendRangeGrowing(const RawString& other, RawRange range);
    void TruncateShared(int32_t length);
    void Detach();
    void Grow(int32_t need);
    void SetUnit(int32_t index, uint32_t unit) {
        if (body_->kind == RawCodeKind::Wide)
            static_cast<char16_t*>(body_->buffer)[index] = static_cast<char16_t>(unit);
        else
            static_cast<unsigned char*>(body_->buffer)[index] = static_cast<unsigned char>(unit);
    }
    // Owned units always have room for their terminator.
    void SetLength(int32_t length) {
        body_->length = length;
        if (body_->capacity == 0) return;
        if (body_->kind == RawCodeKind::Wide)
            static_cast<char16_t*>(body_->buffer)[length] = 0;
        else
            static_cast<char*>(body_->buffer)[length] = 0;
    }
    int32_t UnitSize() const { return body_->kind == RawCodeKind::Wide ? 2 : 1; }

    RawStringBody* body_;
};

// Process-wide constant texts used across the foundation.
namespace RawText {
const RawString& CrLf();        // "\r\n"
const RawString& Blanks();      // " \t"
const RawString& WhiteSpace();  // " \t\r\n"
const RawString& Separators();  // "\\/"
const RawString& DotSet();      // "\\/."
const RawString& AllFiles();    // "*.*"
const RawString& False();       // "False"
}  // namespace RawText

// Calls a platform function that exists as a narrow (A) and a wide (W) entry
// point. The texts among the arguments decide: the W function when any of them
// needs wide units (not narrow-capable, or mixed with wide texts), else the
// function that takes them as they stand. Every text then goes in that form;
// the other arguments pass unchanged.
class RawApiArgs {
public:
    // A text argument that goes to the platform as a null pointer when empty.
    struct Optional {
        const RawString* text;
    };
    static Optional OrNull(const RawString& text) { return {&text}; }
    // The unit count of a text argument of the same call, in the form it is
    // passed (a UTF-8 text goes wide with fewer units than it has bytes).
    struct Length {
        const RawString* text;
    };
    static Length LengthOf(const RawString& text) { return {&text}; }

    // narrow or wide (args...): e.g. Call(MessageBoxA, MessageBoxW, window, text, caption, flags).
    template <class FA, class FW, class... Args>
    static auto Call(FA narrow, FW wide, const Args&... args) {
        return Apply(
            [narrow, wide](auto useWide, auto... passed) {
                if constexpr (decltype(useWide)::value) return wide(passed...);
                else return narrow(passed...);
            },
            args...);
    }

    // body (useWide, args...) with the texts as const char* or as const wchar_t*,
    // for calls that take their texts inside a record: useWide is std::true_type
    // or std::false_type, so the body can pick the record type at compile time.
    template <class F, class... Args>
    static auto Apply(F&& body, const Args&... args) {
        const RawString* texts[] = {TextOf(args)..., nullptr};
        const RawApiArgs chosen(texts, sizeof...(Args));
        return chosen.Invoke(body, std::index_sequence_for<Args...>(), args...);
    }

private:
    static constexpr size_t kMostTexts = 6;

    template <class T>
    static constexpr bool kIsText = std::is_same_v<T, RawString> || std::is_same_v<T, Optional>;

    static const RawString* TextOf(const RawString& text) { return &text; }
    static const RawString* TextOf(const Optional& text) { return text.text; }
    template <class T>
    static const RawString* TextOf(const T&) { return nullptr; }

    // Each argument's place among the texts.
    template <class... Args>
    static constexpr std::array<size_t, sizeof...(Args)> Slots() {
        constexpr std::array<bool, sizeof...(Args)> isText{kIsText<Args>...};
        std::array<size_t, sizeof...(Args)> slots{};
        size_t next = 0;
        for (size_t i = 0; i < isText.size(); ++i) slots[i] = isText[i] ? next++ : 0;
        static_assert(((kIsText<Args> ? 1 : 0) + ... + 0) <= kMostTexts, "too many texts for one call");
        return slots;
    }

    // The texts among count arguments (null marks an argument that is not one).
    RawApiArgs(const RawString* const* args, size_t count);

    template <class F, size_t... I, class... Args>
    auto Invoke(F& body, std::index_sequence<I...>, const Args&... args) const {
        constexpr auto slots = Slots<Args...>();
        if (wide_) return body(std::true_type(), Pass<true, slots[I]>(args)...);
        return body(std::false_type(), Pass<false, slots[I]>(args)...);
    }

    template <bool AsWide, size_t Slot, class T>
    auto Pass(const T& arg) const {
        if constexpr (kIsText<T>) {
            const bool none = std::is_same_v<T, Optional> && args_[Slot].IsEmpty();
            if constexpr (AsWide) return none ? static_cast<const wchar_t*>(nullptr) : WideText(Slot);
            else return none ? static_cast<const char*>(nullptr) : args_[Slot].Bytes();
        } else if constexpr (std::is_same_v<T, Length>) {
            return LengthAsPassed(arg.text);
        } else {
            return arg;
        }
    }

    const wchar_t* WideText(size_t slot) const;
    int LengthAsPassed(const RawString* source) const;

    const RawString* sources_[kMostTexts] = {};
    RawString args_[kMostTexts];
    size_t count_ = 0;
    bool wide_ = false;
};

class RawStringList;

// Walks a range of a text piece by piece, separated by commas.
class RawSplitter {
public:
    enum Flags : uint32_t { HonourQuotes = 1, RestIsOne = 2, Ended = 8 };
    RawSplitter(const RawString& text, RawRange range, uint32_t flags = 0,
                const RawString& open = RawString(), const RawString& close = RawString());
    // The next piece; false once the range is used up.
    bool Next(RawRange* piece, bool semicolonToo = false);
    bool AtEnd() const { return (flags_ & Ended) != 0; }

private:
    int32_t FindSeparator(bool semicolonToo) const;
    RawString text_;
    int32_t position_;
    int32_t end_;
    RawString open_;
    RawString close_;
    uint32_t flags_;
};

// Splits at commas; every piece trimmed of blanks, empty pieces kept.
int32_t SplitCommas(const RawString& text, RawStringList* out);

}  // namespace RawLayer
