// The code kinds and the unit rules every walk over their text shares: where a
// character ends, how UTF-16 bytes pair into units, how ASCII letters fold.
#pragma once

#include <cstdint>

namespace RawLayer {

enum class RawCodeKind : uint8_t {
    Ansi = 0,
    ShiftJis = 1,
    Utf8 = 2,
    Utf7 = 3,
    Mac = 4,
    Utf16Be = 5,
    Utf16Le = 6,
    Wide = 7,
};

// Records that fix a kind field as i32 (the line file's kinds, a profile's
// encoding) store a kind and read it back through these. kNoKind in such a
// field: no signature found, or a source kind to detect or not detected.
constexpr int32_t KindValue(RawCodeKind kind) { return static_cast<int32_t>(kind); }
constexpr RawCodeKind KindFromValue(int32_t value) { return static_cast<RawCodeKind>(value); }
inline constexpr int32_t kNoKind = 0;

// ---- Shift_JIS (code page 932)
// The strings, the matcher and the encoding detector all take these ranges,
// so that they agree on where a double-byte character ends.

constexpr bool IsShiftJisLead(uint32_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xEF);
}

// A byte that may follow a lead byte.
constexpr bool IsShiftJisTrail(uint32_t byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// A half-width katakana, one byte on its own.
constexpr bool IsShiftJisKatakana(uint32_t byte) { return byte >= 0xA1 && byte <= 0xDF; }

// ---- UTF-8

// The most units that can follow a lead byte (0xFC and 0xFD announce five).
inline constexpr int32_t kUtf8MostExtraUnits = 5;

// Units that follow a UTF-8 lead byte in its character. An overlong two-byte
// lead (0xC0, 0xC1), a continuation byte, 0xFE and 0xFF stand alone.
constexpr int32_t Utf8ExtraUnits(uint32_t lead) {
    if (lead < 0x80) return 0;
    if (lead >= 0xC0 && lead <= 0xDF) return lead > 0xC1 ? 1 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF7) return 3;
    if (lead >= 0xF8 && lead <= 0xFB) return 4;
    if (lead >= 0xFC && lead <= 0xFD) return kUtf8MostExtraUnits;
    return 0;
}

constexpr bool IsUtf8Continuation(uint32_t byte) { return byte >= 0x80 && byte <= 0xBF; }

// ---- UTF-16, as bytes (Utf16Be, Utf16Le) or as native units (Wide)

constexpr bool IsUtf16Kind(RawCodeKind kind) { return kind == RawCodeKind::Utf16Be || kind == RawCodeKind::Utf16Le; }

constexpr bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// The unit that two bytes, in the order they stand, hold in the kind's byte
// order: big-endian for Utf16Be, little-endian otherwise.
constexpr uint32_t Utf16Unit(RawCodeKind kind, uint32_t first, uint32_t second) {
    return kind == RawCodeKind::Utf16Be ? (first << 8) | second : (second << 8) | first;
}

struct Utf16BytePair {
    uint8_t first;
    uint8_t second;
};

// The two bytes of a unit in the order the kind stores them.
constexpr Utf16BytePair Utf16Bytes(RawCodeKind kind, uint32_t unit) {
    const auto high = static_cast<uint8_t>((unit >> 8) & 0xFF), low = static_cast<uint8_t>(unit & 0xFF);
    return kind == RawCodeKind::Utf16Be ? Utf16BytePair{high, low} : Utf16BytePair{low, high};
}

// ---- the character-length rule

// Units that follow the unit at index in its character, by the rule of the
// kind. next is the unit behind it (0 past the text); only the UTF-16 byte
// kinds read it, and there only a unit's first byte starts a character.
constexpr int32_t CharExtraUnits(RawCodeKind kind, int32_t index, uint32_t unit, uint32_t next) {
    switch (kind) {
    case RawCodeKind::ShiftJis:
        return IsShiftJisLead(unit) ? 1 : 0;
    case RawCodeKind::Utf8:
        return Utf8ExtraUnits(unit);
    case RawCodeKind::Utf16Be:
    case RawCodeKind::Utf16Le:
        if (index & 1) return 0;
        return IsHighSurrogate(Utf16Unit(kind, unit, next)) ? 3 : 1;
    case RawCodeKind::Wide:
        return IsHighSurrogate(unit) ? 1 : 0;
    default:
        return 0;
    }
}

// ---- case

// The only case folding of the program: "a".."z" count as "A".."Z", every
// other unit as itself, whatever the code kind.
constexpr uint32_t FoldAscii(uint32_t unit) { return unit >= 'a' && unit <= 'z' ? unit - ('a' - 'A') : unit; }

}  // namespace RawLayer
