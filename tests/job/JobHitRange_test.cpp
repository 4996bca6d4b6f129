// Matching of names against Old-name patterns: the documented cases, names in
// other scripts and kinds, and a cross-check against plain backtracking.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "job/JobHitRange.h"

using namespace JobLayer;
using RawLayer::RawString;

namespace {

template <class Hits>
std::string Show(const Hits& hits) {
    std::string s;
    for (const JobHitRange& h : hits) s += "[" + std::to_string(h.begin) + "," + std::to_string(h.end) + ")";
    return s;
}
std::string Show(const JobMatcher& m) { return Show(std::span(m.Hits(), static_cast<size_t>(m.HitCount()))); }

// What a match yields as the tables write it: the hits, or "no" without a match.
std::string Outcome(const char* pattern, const RawString& name, RawRange range = kAll) {
    JobNameMatch record{RawString(pattern), {}};
    return MatchName(&record, name, range) ? Show(record.hits) : "no";
}
std::string Outcome(JobMatcher& m, const RawString& name) { return m.Match(name) ? Show(m) : "no"; }

RawString Wide(const char* utf8) { return RawString(RawString(utf8), RawLayer::RawCodeKind::Wide); }

// ---------------------------------------------------------------- reference
// The matching procedure as described, without memory of failures:
// exponential, but it decides what the matcher must answer for the patterns
// the cross-checks build: "@" or none, literals, "?", "*", ".", "+", identity
// escapes and classes of characters and ranges, over names without line breaks.
class Reference {
public:
    Reference(const RawString& pattern, const RawString& name) : pat_(pattern), name_(name) {}

    // In the tables' form, so that a disagreement reads like a table row.
    std::string Outcome() {
        extended_ = pat_.UnitAt(0) == '@';
        return From(extended_ ? 1 : 0, 0) ? Show(hits_) : "no";
    }

private:
    enum Kind { Literal, Escape, Any, Class, NotClass };  // from Any on a token appends a hit
    struct Token {
        Kind kind;
        int32_t p, length;
        uint32_t repeat = 0;  // 0, '*' or '+'; the wildcard "*" is Any repeated
    };

    std::u32string Char(const RawString& s, int32_t i) const {
        std::u32string c;
        for (int32_t k = 0; k < s.CharLength(i); ++k) c += static_cast<char32_t>(s.UnitAt(i + k));
        return c;
    }

    Token Read(int32_t p) const {
        const uint32_t u = pat_.UnitAt(p);
        Token t{u == '%' ? Escape : Literal, p, u == '%' ? 2 : pat_.CharLength(p)};
        if (!extended_) {
            if (u == '?') t.kind = Any;
            if (u == '*') t = {Any, p, 0, '*'};  // the sign is the whole token
            return t;
        }
        if (u == '.') t.kind = Any;
        if (u == '[') {
            t.kind = pat_.UnitAt(p + 1) == '^' ? NotClass : Class;
            t.length = pat_.FindUnit({p, pat_.Length()}, ']') - p + 1;
        }
        const uint32_t after = pat_.UnitAt(p + t.length);
        if (after == '*' || after == '+') t.repeat = after;
        return t;
    }

    bool InClass(const Token& t, const std::u32string& c) const {
        for (int32_t i = t.p + (t.kind == NotClass ? 2 : 1); i < t.p + t.length - 1;) {
            const std::u32string lo = Char(pat_, i);
            i += static_cast<int32_t>(lo.size());
            std::u32string hi = lo;
            if (pat_.UnitAt(i) == '-') i += 1 + static_cast<int32_t>((hi = Char(pat_, i + 1)).size());
            if (lo <= c && c <= hi) return true;
        }
        return false;
    }

    // Where the name goes on behind the token at s, -1 when it does not match there.
    int32_t Step(const Token& t, int32_t s) const {
        if (s >= name_.Length()) return -1;
        const std::u32string c = Char(name_, s);
        const bool taken = t.kind == Literal ? Char(pat_, t.p) == c
                           : t.kind == Escape ? c == std::u32string(1, pat_.UnitAt(t.p + 1))
                           : t.kind == Class  ? InClass(t, c)
                           : t.kind == NotClass ? !InClass(t, c)
                                                : true;
        return taken ? s + name_.CharLength(s) : -1;
    }

    bool From(int32_t p, int32_t n) {
        while (p < pat_.Length()) {
            const Token t = Read(p);
            p += t.length + (t.repeat ? 1 : 0);
            if (t.repeat) {  // shortest run first, its hit taken back when the rest fails
                for (int32_t s = t.repeat == '+' ? Step(t, n) : n; s >= 0; s = Step(t, s)) {
                    const size_t h = hits_.size();
                    hits_.push_back({n, s});
                    if (From(p, s)) return true;
                    hits_.resize(h);
                }
                return false;
            }
            const int32_t s = Step(t, n);
            if (s < 0) return false;
            if (t.kind >= Any) hits_.push_back({n, s});
            n = s;
        }
        return n >= name_.Length();
    }

    RawString pat_, name_;
    bool extended_ = false;
    std::vector<JobHitRange> hits_;
};

// The prefix followed by every text of 0 to maxPieces pieces.
std::vector<std::string> AllTexts(const std::vector<std::string>& pieces, int maxPieces,
                                  const std::string& prefix = "") {
    std::vector<std::string> all{prefix};
    for (size_t begin = 0, end = 1; maxPieces-- > 0; begin = end, end = all.size())
        for (size_t i = begin; i < end; ++i)
            for (const std::string& piece : pieces) all.push_back(all[i] + piece);
    return all;
}

// Stops at the first disagreement: thousands of reports would bury it.
void CrossCheck(const std::vector<std::string>& patterns, const std::vector<std::string>& names) {
    for (const std::string& p : patterns) {
        JobMatcher matcher{RawString(p)};  // one matcher for all names: its table is reused
        for (const std::string& n : names) {
            EXPECT_EQ(Outcome(matcher, RawString(n)), Reference(RawString(p), RawString(n)).Outcome())
                << "pattern «" << p << "» name «" << n << "»";
            if (::testing::Test::HasFailure()) return;
        }
    }
}

}  // namespace

TEST(JobMatchName, Table) {
    struct Case { const char *pattern, *name, *outcome; RawRange range = kAll; };
    const Case table[] = {
        // Wildcard: "*" and "?" hit, shortest runs first; escapes hit nothing.
        {"*.txt", "report.txt", "[0,6)"}, {"*.*", "a.b.c", "[0,1)[2,5)"}, {"IMG_*.jpg", "IMG_0012.jpg", "[4,8)"},
        {"img_*.jpg", "IMG_0012.jpg", "no"}, {"?", "\r", "[0,1)"}, {"%N", "\r\n", ""}, {"%N", "\n", ""}, {"%N", "\r", "no"},
        {"%d%e%n%q%r%s%t", ";%\n\"\r \t", ""}, {"%s", "s", "no"}, {"%%%*%?%[%.", "%*?[.", ""}, {"a%*", "ab", "no"},
        {"abc%", "abc", ""}, {"abc%", "abcd", "no"}, {"*%", "abc", "[0,3)"}, {"a@", "a@", ""},
        // Literal "$" and negation "!": no hits.
        {"$abc", "abc", ""}, {"$abc", "ABC", "no"}, {"$[old].doc", "[old].doc", ""}, {"$[old].doc", "o.doc", "no"},
        {"$*", "x", "no"}, {"$", "", ""}, {"$@", "@", ""}, {"!*.txt", "a.doc", ""}, {"!*.txt", "a.txt", "no"},
        {"!", "anything", ""}, {"!*", "x", "no"}, {"!$abc", "abd", ""}, {"!@a+", "b", ""},
        {"!!", "!", "no"},  // only one "!" is special: the rest is the wildcard "!"
        {"!!@", "!@", "no"},
        // Extended "@": ".", classes and repetitions hit, literals and escapes do not.
        {"@[^a]", "\n", "no"}, {"@.+", "a\rb", "no"}, {"@%s*", "  ", "[0,2)"}, {"@%N", "\r\n", ""},
        {"@[0-9]+%s.+", "01 Intro.mp3", "[0,2)[3,12)"}, {"@?", "?", ""}, {"@?", "a", "no"}, {"@a]^-", "a]^-", ""},
        {"@abc%", "abc", "no"}, {"@%", "", "no"}, {"@$", "$", ""}, {"@%.+", "...", "[0,3)"}, {"@%.+", "..a", "no"},
        {"@%d+", ";;", "[0,2)"}, {"@%N+", "\r\n\n", "[0,3)"},
        // Names turned down by their first unit alone, negated too.
        {"@%s.", " a", "[1,2)"}, {"@[^%s]+", " a", "no"}, {"!@[0-9]+", "x1", ""}, {"@1?", "2?", "no"},
        // Classes: escapes, ranges, and the ones left open.
        {"@[a-]", "a", "no"}, {"@[a-]", "-", "no"}, {"@[%]]", "]", "[0,1)"}, {"@[a%-z]", "-", "[0,1)"},
        {"@[a%-z]", "b", "no"}, {"@[-a]", "-", "[0,1)"}, {"@[%s%t]+", " \t ", "[0,3)"}, {"@[%N]", "\n", "[0,1)"},
        {"@[^%s]+", "ab c", "no"}, {"@[]a", "a", "no"}, {"@[^]", "x", "[0,1)"}, {"@[^]", "\r", "no"},
        {"@[ab", "b", "[0,1)"},  // no "]": the class runs to the end
        {"@[", "a", "no"}, {"@[^", "a", "[0,1)"}, {"@[%", "a", "no"}, {"@[a-cx-z]+", "azbyc", "[0,5)"},
        {"@[c-a]", "b", "no"}, {"@[.]", "x", "no"}, {"@[.]", ".", "[0,1)"}, {"@[a*]+", "*a", "[0,2)"},
        // Japanese and emoji: hits count UTF-8 units, a character is never split.
        {"??", "日本", "[0,3)[3,6)"}, {"*の*", "写真の整理.jpg", "[0,6)[9,19)"},
        {"@[ぁ-ん]+.*", "ひらがなカナ", "[0,3)[3,18)"},  // shortest first
        {"@[ぁ-ん]+カ.", "ひらがなカナ", "[0,12)[15,18)"}, {"@[ぁ-ん]+", "ひらがなカナ", "no"}, {"@[😀-😂]", "😁", "[0,4)"},
        {"@[😀-😂]", "😃", "no"}, {"@[^日]", "本", "[0,3)"}, {"@[^日]", "日", "no"}, {"@[é]x", "éx", "[0,2)"},
        {"@😀*x", "😀😀x", "[0,8)"}, {"$日本", "日本", ""}, {"写*", "写", "[3,3)"},
        // Part of a name: nothing behind the range is read, not even by an escape.
        {"*", "xaby", "[1,3)", {1, 3}}, {"?b", "xaby", "[1,2)", {1, 3}}, {"abc%d", "abcd", "no", {0, 3}},
        {"ab%N", "ab\r\n", "no", {0, 3}}, {"@é", "é", "no", {0, 1}}, {"ab%", "abc", "", {0, 2}},
        {"*", "ab", "[0,2)", {-5, 99}},
        // A character cut by the end is still one: every name matches "*".
        {"*", "aé", "[0,2)", {0, 2}}, {"*", "a\xE3", "[0,2)"},
        // A literal after "*" starts a character: in a broken name, never
        // inside the units a lead before it takes.
        {"*.*", "写真.jpg", "[0,6)[7,10)"}, {"*.*", "A\xC3.x.y", "[0,4)[5,6)"},
        {"*.*", "A\xF0\x9F.x.y", "[0,5)[6,7)"}, {"*.*", "\xE3\x81..b", "[0,3)[4,5)"},
    };
    for (const Case& c : table)
        EXPECT_EQ(Outcome(c.pattern, RawString(c.name), c.range), c.outcome)
            << "pattern «" << c.pattern << "» name «" << c.name << "»";
}

TEST(JobMatchName, WideNames) {
    const char16_t loneHigh[] = {u'a', 0xD800}, overDot[] = {0xD800, u'.', u'x', u'.', u'y'};
    const RawString cut = RawString::FromWide(loneHigh, 2), over = RawString::FromWide(overDot, 5);
    const std::tuple<const char*, RawString, const char*> table[] = {
        {"?", Wide("😀"), "[0,2)"}, {"*.txt", Wide("レポート.txt"), "[0,4)"}, {"@[😀-😂]+", Wide("😁😀"), "[0,4)"},
        {"@[ぁ-ん]+", Wide("ひらがな"), "[0,4)"}, {"@.", Wide("😀"), "[0,2)"}, {"$日本", Wide("日本"), ""},
        {"*.*", Wide("a.b.c"), "[0,1)[2,5)"}, {"*", cut, "[0,2)"}, {"??", cut, "[0,1)[1,2)"},
        // A lone high surrogate takes the unit behind it, a dot too.
        {"*.*", over, "[0,3)[4,5)"}, {"*.y", over, "[0,3)"}, {"*.x.y", over, "no"},
    };
    for (const auto& [pattern, name, outcome] : table) {
        // The pattern once in the names' kind and once as typed (UTF-8).
        for (const RawString& typed : {Wide(pattern), RawString(pattern)}) {
            JobMatcher matcher(typed);
            EXPECT_EQ(Outcome(matcher, name), outcome) << pattern << " / " << name.ToUtf8();
        }
    }
    JobMatcher matcher(RawString("?*"));  // a matcher moves between kinds and back
    for (const bool wide : {false, true, false})
        EXPECT_EQ(Outcome(matcher, wide ? Wide("日x") : RawString("日x")), wide ? "[0,1)[1,2)" : "[0,3)[3,4)");
}

// A literal is looked for several units at a time: found at every place in
// a long name, and passed over inside a broken character that covers it.
TEST(JobMatchName, LiteralAtEveryPlace) {
    for (int at = 0; at < 24; ++at) {
        const std::string x(static_cast<size_t>(at), 'x');
        const std::string plain = x + "." + std::string(24 - static_cast<size_t>(at), 'y');
        const int32_t length = static_cast<int32_t>(plain.size());
        EXPECT_EQ(Outcome("*.*", RawString(plain)),
                  "[0," + std::to_string(at) + ")[" + std::to_string(at + 1) + "," + std::to_string(length) + ")");
        EXPECT_EQ(Outcome("*.*", RawString(x + "\xE3..yy")), "no") << at;
        EXPECT_EQ(Outcome("*.*", RawString(x + "\xE3..y.z")), "[0," + std::to_string(at + 4) + ")[" +
                                                                    std::to_string(at + 5) + "," +
                                                                    std::to_string(at + 6) + ")");
    }
}

TEST(JobMatchName, FreshHitListEveryMatch) {
    JobNameMatch record{RawString("*.*"), {}};
    ASSERT_TRUE(MatchName(&record, RawString("a.b")));
    const JobHitRangeList earlier = record.hits;  // a solution keeps these
    ASSERT_TRUE(MatchName(&record, RawString("long.name")));
    EXPECT_FALSE(earlier.SharesBodyWith(record.hits));
    EXPECT_EQ(Show(earlier), "[0,1)[2,3)");
    EXPECT_EQ(Show(record.hits), "[0,4)[5,9)");
    record.pattern = RawString("!x*");
    EXPECT_TRUE(MatchName(&record, RawString("abc")));
    EXPECT_EQ(record.hits.Count(), 0);
}

TEST(JobMatcherCrossCheck, EveryShortPatternAndName) {
    ASSERT_EQ(AllTexts({"a", "b"}, 2, "@"), (std::vector<std::string>{"@", "@a", "@b", "@aa", "@ab", "@ba", "@bb"}));
    const std::vector<std::string> ab{"a", "b"}, multiUnit{"é", "a", "😀"};
    CrossCheck(AllTexts({"a", "b", "?", "*", "%a"}, 5), AllTexts(ab, 6));
    CrossCheck(AllTexts({"a", "b", ".", "*", "+", "[a-b]", "[^a]", "%b"}, 4, "@"), AllTexts(ab, 5));
    CrossCheck(AllTexts({"a", ".", "*", "+", "[^a]"}, 5, "@"), AllTexts(ab, 5));  // three repetitions in a row
    CrossCheck(AllTexts({"é", "a", "?", "*"}, 4), AllTexts(multiUnit, 4));
    CrossCheck(AllTexts({"é", ".", "+", "*", "[a-é]"}, 3, "@"), AllTexts(multiUnit, 4));
    // Literals found by their first unit, also where a broken character's
    // lead byte reaches over them; classes asked about digits and spaces.
    const std::vector<std::string> broken{"a", ".", "\xE3..", "\xE3" "a.", "é"};
    CrossCheck(AllTexts({"a", ".", "*", "?", "a."}, 3), AllTexts(broken, 3));
    CrossCheck(AllTexts({"[0-9]", "[0-9]+", "[ ]", ".", ".+", "[^ ]+", "1"}, 3, "@"),
               AllTexts({"1", " ", "x", "é", "\xE3 1"}, 3));
}

TEST(JobMatcherCrossCheck, NastyPatternsAgainstLongerNames) {
    std::vector<std::string> names;
    for (size_t n = 0; n <= 14; ++n) {
        const std::string as(n, 'a');
        names.insert(names.end(), {as, as + "b", "b" + as + "ba"});
    }
    // Small enough for the reference, hard enough to exercise the table.
    CrossCheck({"*a*a*a*b", "*a*a*a*a", "*?*?*?*b", "@a*a*a*b", "@a+a+a+b", "@.*a*.*b", "@[a-b]*a+[^b]*b",
                "*a*%b", "@(a*)*", "*b*a*b*a", "@a*b*a*b*"},
               names);
}

TEST(JobMatcherLimits, HardPatternsFinish) {
    const auto repeat = [](const char* piece, int count) {
        std::string s;
        while (count-- > 0) s += piece;
        return s;
    };
    const std::string as(60, 'a');
    const RawString name255(std::string(255, 'a'));
    JobMatcher wildcard{RawString(repeat("*a", 11) + "*b")};
    EXPECT_FALSE(wildcard.Match(RawString(as)));
    EXPECT_TRUE(wildcard.Match(RawString(as + "b")));
    EXPECT_FALSE(JobMatcher(RawString("@" + repeat("a*", 11) + "b")).Match(RawString(as)));
    EXPECT_FALSE(JobMatcher(RawString("@" + repeat("a+", 11) + "b")).Match(name255));
    EXPECT_FALSE(JobMatcher(RawString("@" + repeat("[a-z]*", 8) + "%d")).Match(RawString(std::string(255, 'q'))));

    // Patterns of 1,000 units against a name of 255.
    JobMatcher stars{RawString(repeat("*", 1000))};
    ASSERT_TRUE(stars.Match(name255));
    ASSERT_EQ(stars.HitCount(), 1000);
    EXPECT_EQ(stars.Hits()[998], JobHitRange(0, 0));
    EXPECT_EQ(stars.Hits()[999], JobHitRange(0, 255));
    EXPECT_FALSE(JobMatcher(RawString(repeat("*a", 500))).Match(name255));  // needs 500 "a"
    EXPECT_FALSE(JobMatcher(RawString(repeat("*a", 127) + "*b")).Match(name255));
    JobMatcher quantified{RawString("@" + repeat("a*", 333) + "b")};
    EXPECT_FALSE(quantified.Match(name255));
    EXPECT_TRUE(quantified.Match(RawString(std::string(254, 'a') + "b")));
}
