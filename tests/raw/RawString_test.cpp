// Strings: conversions between every code kind, sharing, ranges, parsing, escaping.
#include "raw/RawString.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "raw/RawList.h"

using namespace RawLayer;

namespace {

std::string Hex(const RawString& s) {
    std::string out;
    char buf[8];
    for (int32_t i = 0; i < s.Length(); ++i) {
        snprintf(buf, sizeof buf, s.IsWide() ? "%04X " : "%02X ", s.UnitAt(i));
        out += buf;
    }
    return out;
}

RawString Bytes(RawCodeKind kind, std::initializer_list<int> bytes) {
    std::string b;
    for (int v : bytes) b.push_back(static_cast<char>(v));
    return RawString::FromBytes(kind, b.data(), static_cast<int32_t>(b.size()));
}

}  // namespace

// Every kind reached from UTF-8 and back keeps the text where the code page can hold it.
TEST(RawStringConvert, RoundTripsThroughEveryKind) {
    using enum RawCodeKind;
    const struct {
        const char* utf8;
        RawCodeKind kind;
        const char* expectedHex;  // units in the target kind, or nullptr to skip the check
    } cases[] = {
        {"abc", Wide, "0061 0062 0063 "}, {"abc", Utf16Le, "61 00 62 00 63 00 "},
        {"abc", Utf16Be, "00 61 00 62 00 63 "},
        {"\xE8\xA1\xA8", ShiftJis, "95 5C "},  // 表: trail byte looks like a backslash
        {"\xE6\x97\xA5\xE6\x9C\xAC", ShiftJis, "93 FA 96 7B "},
        {"\xF0\x9F\x98\x80", Wide, "D83D DE00 "},  // emoji as a surrogate pair
        {"\xF0\x9F\x98\x80", Utf16Be, "D8 3D DE 00 "}, {"a+b", Utf7, nullptr}, {"plain", Ansi, "70 6C 61 69 6E "},
        {"plain", Mac, "70 6C 61 69 6E "}, {"", Wide, ""}, {"", ShiftJis, ""},
    };
    for (const auto& c : cases) {
        const RawString converted(RawString(c.utf8), c.kind);
        EXPECT_EQ(converted.Kind(), c.kind) << c.utf8;
        if (c.expectedHex) { EXPECT_EQ(Hex(converted), c.expectedHex) << c.utf8; }
        EXPECT_EQ(RawString(converted, Utf8).ToUtf8(), c.utf8) << "kind " << KindValue(c.kind);
    }
}

TEST(RawStringConvert, OddAndBrokenInputNeverFails) {
    using enum RawCodeKind;
    // A kind 6 text of 5 bytes converts to 2 wide units: the odd byte is dropped.
    EXPECT_EQ(RawString(Bytes(Utf16Le, {'a', 0, 'b', 0, 'c'}), Wide).Length(), 2);
    EXPECT_EQ(RawString(Bytes(Utf16Be, {0, 'a', 0}), Wide).ToUtf8(), "a");
    // Invalid UTF-8 and lone surrogates are replaced, not rejected.
    const char16_t lone[] = {u'x', 0xD800, u'y'};
    for (const RawString& text : {RawString(Bytes(Utf8, {'x', 0xFF, 0xC0, 'y'}), Wide),
                                  RawString(RawString::FromWide(lone, 3), Utf8)}) {
        EXPECT_EQ(text.UnitAt(0), 'x');
        EXPECT_EQ(text.UnitAt(text.Length() - 1), 'y');
    }
    // A truncated multi-byte sequence at the end does not read past it.
    const RawString cut = Bytes(Utf8, {'a', 0xE6, 0x97});
    EXPECT_EQ(cut.CharLength(1), 3);
    EXPECT_EQ(cut.FindUnit(kAll, 'z'), 3);
}

TEST(RawString, CharacterLengthRule) {
    using enum RawCodeKind;
    const struct { RawString text; int32_t index; int32_t length; } cases[] = {
        {RawString("a\xE6\x97\xA5"), 1, 3}, {RawString("\xF0\x9F\x98\x80"), 0, 4},
        {RawString("\xC1\x80"), 0, 1},  // overlong lead counts alone
        {RawString(RawString("\xF0\x9F\x98\x80"), Wide), 0, 2}, {Bytes(Utf8, {0xC2, 0xA9}), 0, 2},
        {Bytes(Utf8, {0xA9, 'a'}), 0, 1},  // a stray continuation byte
        {Bytes(Utf8, {0xF8, 0x88, 0x80, 0x80, 0x80}), 0, 5},
        {Bytes(Utf8, {0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}), 0, 6}, {Bytes(Utf8, {0xFE, 'a'}), 0, 1},
        {Bytes(ShiftJis, {0x95, 0x5C}), 0, 2},
        // The lead ranges' edges: 0x81..0x9F and 0xE0..0xEF.
        {Bytes(ShiftJis, {0x80, 0x40}), 0, 1}, {Bytes(ShiftJis, {0x81, 0x40}), 0, 2},
        {Bytes(ShiftJis, {0x9F, 0x40}), 0, 2}, {Bytes(ShiftJis, {0xA0, 0x40}), 0, 1},
        {Bytes(ShiftJis, {0xDF, 0x40}), 0, 1}, {Bytes(ShiftJis, {0xE0, 0x40}), 0, 2},
        {Bytes(ShiftJis, {0xEF, 0x40}), 0, 2}, {Bytes(ShiftJis, {0xF0, 0x40}), 0, 1},
        {Bytes(Utf16Le, {0x3D, 0xD8, 0x00, 0xDE}), 0, 4}, {Bytes(Utf16Be, {0xD8, 0x3D, 0xDE, 0x00}), 0, 4},
        {Bytes(Utf16Be, {0xDC, 0x00, 0x00, 0x41}), 0, 2},  // a low surrogate leads nothing
        {Bytes(Utf16Le, {0x41, 0x00}), 1, 1}, {Bytes(Ansi, {0x95, 0x5C}), 0, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text.CharLength(c.index), c.length) << Hex(c.text);
}

// A Shift_JIS trail byte that looks like a backslash is no separator.
TEST(RawString, ShiftJisTrailByteIsNoSeparator) {
    const RawString s = Bytes(RawCodeKind::ShiftJis, {0x95, 0x5C, '\\', 'a'});
    EXPECT_EQ(std::tuple(s.FindUnit(kAll, '\\'), s.FindSeparator(kAll), s.IsSeparatorAt(1), s.IsSeparatorAt(2)),
              std::tuple(2, 2, false, true));
    // Two lead bytes: the second is itself a trail byte, so the backslash is real.
    EXPECT_TRUE(Bytes(RawCodeKind::ShiftJis, {0x95, 0x95, 0x5C}).IsSeparatorAt(2));
    EXPECT_TRUE(Bytes(RawCodeKind::Utf8, {0x95, 0x5C}).IsSeparatorAt(1));
}

TEST(RawString, CopiesShareAndEditsDetach) {
    RawString a("hello");
    RawString b(a);
    RawString c(a, RawCodeKind::Utf8);  // same kind: shares
    EXPECT_TRUE(a.SharesBodyWith(b) && c.SharesBodyWith(a));
    b.AppendUnit('!');
    c.Erase({0, 1});
    EXPECT_EQ(a.ToUtf8(), "hello");
    EXPECT_EQ(b.ToUtf8(), "hello!");
    EXPECT_EQ(c.ToUtf8(), "ello");

    // A view is never shared, a literal never written.
    const RawString view = RawString::MakeView(RawCodeKind::Utf8, "view", 4), copy(view);
    EXPECT_FALSE(copy.SharesBodyWith(view));
    EXPECT_EQ(copy.Storage(), RawStorage::Owned);
    EXPECT_EQ(copy.ToUtf8(), "view");
    const RawString literal = RawString::MakeLiteral("const");
    RawString edited(literal);
    edited.AppendUnit('s');
    EXPECT_EQ(literal.ToUtf8(), "const");
    EXPECT_EQ(edited.Storage(), RawStorage::Owned);
}

TEST(RawString, AppendingUnitByUnitGrowsGeometrically) {
    // A string built one unit at a time must not copy itself for every unit.
    RawString text;
    int32_t growths = 0, capacity = text.Capacity();
    for (int32_t i = 0; i < 100000; ++i) {
        text.AppendUnit('x');
        if (text.Capacity() != capacity) ++growths;
        capacity = text.Capacity();
    }
    EXPECT_EQ(text.Length(), 100000);
    EXPECT_LE(growths, 20);  // about log2 of the length, never the length itself
}

TEST(RawString, EditsAndRanges) {
    using enum RawCodeKind;
    RawString s("abcdef");
    s.Replace({1, 3}, RawString("XYZW"), {0, 4});
    EXPECT_EQ(s.ToUtf8(), "aXYZWdef");
    s.Replace({1, 5}, RawString("q"), kAll);
    EXPECT_EQ(s.ToUtf8(), "aqdef");
    s.Insert(99, RawString("no"));
    s.Insert(5, RawString("!"));
    s.InsertUnderscore(0);
    EXPECT_EQ(s.ToUtf8(), "_aqdef!");
    s.Erase({-5, 2});
    s.Erase({3, 1});  // empty after clamping
    EXPECT_EQ(s.ToUtf8(), "qdef!");
    s.Append(s, RawString("-"), s);  // appending itself must see the old text
    EXPECT_EQ(s.ToUtf8(), "qdef!qdef!-qdef!");
    EXPECT_EQ(RawString(s, {-3, 2}, Utf8).ToUtf8(), "qd");
    EXPECT_EQ(RawString(s, {8, 100}, Wide).ToUtf8(), "f!-qdef!");
    EXPECT_TRUE(RawString(s, {5, 2}, Utf8).IsEmpty());

    RawString n;
    n.AppendInt(-9223372036854775807LL - 1);
    n.AppendInt(0);
    n.AppendDigits(5, 3);
    n.AppendDigits(12345, 3);
    EXPECT_EQ(n.ToUtf8(), "-92233720368547758080005345");

    RawString w(Wide);
    w.AppendUnit(0x65E5);
    w.AppendRange(RawString("ab"), kAll);  // narrow units widened as they stand
    EXPECT_EQ(Hex(w), "65E5 0061 0062 ");
    RawString narrow(Utf8);
    narrow.AppendRange(w, {1, 3});
    EXPECT_EQ(narrow.ToUtf8(), "ab");

    // Appends whose source lies in the growing string's own units: the
    // string itself, a view into its buffer, a copy sharing its body.
    for (const RawCodeKind kind : {Utf8, Wide}) {
        RawString self(RawString("abcdefgh"), kind);
        self.AppendRange(self, {2, 8});
        self.AppendRange(self, kAll);
        EXPECT_EQ(self.ToUtf8(), "abcdefghcdefghabcdefghcdefgh");
        RawString owner(kind, 4);
        owner.Append(RawString("wxyz", kind));
        const RawString view = RawString::MakeView(kind, kind == Wide ? static_cast<const void*>(owner.Units())
                                                                     : static_cast<const void*>(owner.Bytes()), 4);
        owner.AppendRange(view, {1, 3});  // grows: the view's units go with the old buffer
        EXPECT_EQ(owner.ToUtf8(), "wxyzxy");
        const RawString shared(owner);
        owner.AppendRange(shared, kAll);
        EXPECT_EQ(owner.ToUtf8(), "wxyzxywxyzxy");
        EXPECT_EQ(shared.ToUtf8(), "wxyzxy");
    }
}

// Appends into a buffer with room copy in place, by size classes: every
// length up to past the largest, in both unit sizes, into itself too.
TEST(RawString, AppendsInPlaceOfEveryLength) {
    std::string source;
    for (int i = 0; i < 160; ++i) source += static_cast<char>('!' + i % 90);
    for (const RawCodeKind kind : {RawCodeKind::Utf8, RawCodeKind::Wide}) {
        const RawString from(RawString(source), kind);
        for (int32_t n = 0; n <= 150; ++n) {
            RawString out(kind, 400);
            out.AppendUnit('<');
            out.AppendRange(from, {3, 3 + n});
            out.AppendRange(out, {1, 1 + n / 2});
            const std::string part = source.substr(3, static_cast<size_t>(n));
            ASSERT_EQ(out.ToUtf8(), "<" + part + part.substr(0, static_cast<size_t>(n / 2))) << n;
            ASSERT_EQ(out.Capacity(), 400);
            const RawString kept(out);
            out.Truncate(1);
            EXPECT_EQ(std::pair(out.ToUtf8(), kept.Length()), std::pair(std::string("<"), 1 + n + n / 2));
        }
    }
}

TEST(RawString, Queries) {
    const RawString path("C:\\a.b\\d/file.txt");
    EXPECT_EQ((std::vector<int32_t>{path.FindLastSeparator(kAll), path.LastComponentStart({0, 2}),
                                    path.Find({0, 5}, RawString("file")), path.FindNoCase(kAll, RawString("FILE.TXT"))}),
              (std::vector<int32_t>{8, 0, 5, 9}));
    EXPECT_FALSE(RawString("\xC3\xA4").EqualsNoCase(RawString("\xC3\x84")));  // only ASCII letters fold
    EXPECT_FALSE(RawString("[").EqualsNoCase(RawString("{")));
    for (const auto& [text, extension] : {std::pair{"a.b\\d", ""}, {"end.", ""}, {"a.tar.gz", "gz"}}) {
        const RawString t(text);
        EXPECT_EQ(RawString(t, t.ExtensionRange(), RawCodeKind::Utf8).ToUtf8(), extension) << text;
    }
}

TEST(RawString, ParseInteger) {
    const struct { const char* text; int32_t value; bool ok; } cases[] = {
        {"0x1F", 31, true}, {"0b101", 5, true}, {"-0x10", -16, true}, {"12z", 12, false}, {"", 0, true},
        {"-", 0, false},    {"0X1F", 0, false},  {"4294967297", 1, true},
    };
    for (const auto& c : cases) {
        bool ok = !c.ok;
        EXPECT_EQ(RawString(c.text).ParseInt(&ok), c.value) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
}

TEST(RawString, EscapesClassesAndQuoting) {
    EXPECT_EQ(RawString("a\r\nb\tc\rd\ne\\f").Escape().ToUtf8(), "a\\nb\\tc\\nd\\ne\\f");
    EXPECT_EQ(RawString("a\\nb\\td\\sx\\qy").Unescape().ToUtf8(), "a\r\nb\td xqy");
    // A lone trailing backslash stays rather than becoming a zero unit.
    EXPECT_EQ(RawString("end\\").Unescape().ToUtf8(), "end\\");
    using enum RawApiClass;
    EXPECT_EQ((std::vector{RawString().ApiClass(), RawString("abc").ApiClass(), RawString("\xC3\xA4").ApiClass(),
                           RawString(RawString("a"), RawCodeKind::Wide).ApiClass(),
                           RawString(RawString("a"), RawCodeKind::Utf16Le).ApiClass()}),
              (std::vector{Empty, Narrow, ToWide, Wide, ToWide}));
    EXPECT_EQ(RawString("a b").Quoted().ToUtf8(), "\"a b\"");
    const std::vector<std::pair<uint32_t, int32_t>> classes = {
        {'_', 1}, {'\t', 2}, {'\r', 3}, {0x7F, 4}, {0xA0, 4}, {0xA1, 5}, {0x100, 6}, {'~', 0}};
    for (auto [unit, cls] : classes) EXPECT_EQ(RawString::CharClass(unit), cls) << unit;
}

// Stand-ins for an A and a W entry point: which one ran and what it was given.
template <class C>
std::wstring Shown(const C* text) {
    if (text == nullptr) return L"null";
    std::wstring shown;
    for (; *text; ++text) shown.push_back(static_cast<wchar_t>(*text));
    return shown;
}
std::wstring gCalled;
int FakeA(int before, const char* a, const char* b, const char* c) {
    gCalled = L"A " + std::to_wstring(before) + L" " + Shown(a) + L" " + Shown(b) + L" " + Shown(c);
    return 1;
}
int FakeW(int before, const wchar_t* a, const wchar_t* b, const wchar_t* c) {
    gCalled = L"W " + std::to_wstring(before) + L" " + Shown(a) + L" " + Shown(b) + L" " + Shown(c);
    return 2;
}

TEST(RawString, ApiCallsTakeTheNarrowOrTheWideEntryPoint) {
    const RawString ascii("ascii"), wide(RawString("x"), RawCodeKind::Wide), japanese("\xE6\x97\xA5"), none;
    const struct {
        const RawString& a;
        const RawString& b;
        const RawString& c;  // passed as null when empty
        const wchar_t* expected;
    } cases[] = {
        {ascii, none, none, L"A 7 ascii  null"},
        {ascii, wide, ascii, L"W 7 ascii x ascii"},  // one wide text makes them all wide
        {japanese, ascii, none, L"W 7 \u65E5 ascii null"}, {none, none, wide, L"W 7   x"},
        {none, none, none, L"A 7   null"},
    };
    for (const auto& c : cases) {
        const int result = RawApiArgs::Call(FakeA, FakeW, 7, c.a, c.b, RawApiArgs::OrNull(c.c));
        EXPECT_EQ(gCalled, c.expected);
        EXPECT_EQ(result, gCalled[0] == L'A' ? 1 : 2);
    }
    // Texts inside a record: the body learns which form it was given. A count
    // goes in units of that form: one wide unit for three UTF-8 bytes.
    const bool usedWide = RawApiArgs::Apply(
        [](auto useWide, auto text, int count) {
            EXPECT_EQ(Shown(text), L"\u65E5");
            EXPECT_EQ(count, 1);
            return decltype(useWide)::value;
        },
        japanese, RawApiArgs::LengthOf(japanese));
    EXPECT_TRUE(usedWide);
}

TEST(RawString, SplitCommas) {
    RawStringList list;
    EXPECT_EQ(SplitCommas(RawString(" a , b,,c,"), &list), 5);
    std::vector<std::string> got;
    for (const RawString& s : list) got.push_back(s.ToUtf8());
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "", "c", ""}));
    const RawString text("a\"b,c\",(d,(e,f)),g;h");
    RawSplitter splitter(text, kAll, RawSplitter::HonourQuotes, RawString("("), RawString(")"));
    got.clear();
    RawRange piece;
    while (splitter.Next(&piece, true)) got.push_back(RawString(text, piece, RawCodeKind::Utf8).ToUtf8());
    EXPECT_EQ(got, (std::vector<std::string>{"a\"b,c\"", "(d,(e,f))", "g", "h"}));
}
