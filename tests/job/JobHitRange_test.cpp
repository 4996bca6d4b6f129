// Matching of names against Old-name patterns: the documented cases, names in
// other scripts and kinds, and a cross-check against plain backtracking.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/JobHitRange.h"

using namespace JobLayer;
using RawLayer::RawString;

namespace {

using Hits = std::vector<JobHitRange>;

Hits HitsOf(const JobMatcher& m) { return Hits(m.Hits(), m.Hits() + m.HitCount()); }

Hits HitsOf(const JobHitRangeList& list) {
    Hits hits;
    for (const JobHitRange& h : list) hits.push_back(h);
    return hits;
}

RawString Wide(const char* utf8) { return RawString(RawString(utf8), RawLayer::Wide); }

std::string Show(const Hits& hits) {
    std::string s;
    for (const JobHitRange& h : hits) s += "[" + std::to_string(h.begin) + "," + std::to_string(h.end) + ")";
    return s;
}

// ---------------------------------------------------------------- reference
// The matching procedure exactly as described, without memory of failures:
// exponential, but it decides what the matcher must answer.
class Reference {
public:
    Reference(const RawString& pattern, const RawString& name)
        : pat_(pattern), name_(name), ne_(name.Length()) {}

    bool Match() {
        hits.clear();
        int32_t k = 0;
        bool negated = false;
        if (pat_.UnitAt(0) == '!') {
            k = 1;
            negated = true;
        }
        bool result;
        const int32_t pe = pat_.Length();
        if (pat_.UnitAt(k) == '$')
            result = name_.Equal(RawLayer::kAll, pat_, {k + 1, pe});
        else if (pat_.UnitAt(k) == '@')
            result = X(k + 1, pe, 0);
        else
            result = W(k, pe, 0);
        if (negated) {
            hits.clear();
            return !result;
        }
        return result;
    }

    Hits hits;

private:
    uint32_t P(int32_t i) const { return pat_.UnitAt(i); }
    uint32_t N(int32_t i) const { return name_.UnitAt(i); }
    int32_t Next(int32_t i) const { return i + name_.CharLength(i); }

    int32_t Esc(int32_t n, uint32_t x) const {
        const uint32_t u = N(n);
        if (x == 'N') return u == '\r' ? (N(n + 1) == '\n' ? 2 : 0) : (u == '\n' ? 1 : 0);
        const char* table[][2] = {{"d", ";"}, {"e", "%"}, {"n", "\n"}, {"q", "\""},
                                  {"r", "\r"}, {"s", " "}, {"t", "\t"}};
        for (auto& row : table)
            if (x == static_cast<uint32_t>(row[0][0])) return u == static_cast<uint32_t>(row[1][0]);
        return u == x;
    }

    bool Same(int32_t p, int32_t n, int32_t len) const {
        for (int32_t i = 0; i < len; ++i)
            if (P(p + i) != N(n + i)) return false;
        return true;
    }

    bool W(int32_t p, int32_t pe, int32_t n) {
        for (;;) {
            if (p >= pe) return n >= ne_;
            const uint32_t w = P(p);
            if (w == '%') {
                const uint32_t x = p + 1 < pe ? P(p + 1) : 0;
                const int32_t m = Esc(n, x);
                if (m == 0) return false;
                n += m;
                p += 2;
            } else if (w == '?') {
                const int32_t m = Next(n);
                if (m > ne_) return false;
                hits.push_back({n, m});
                n = m;
                p += 1;
            } else if (w == '*') {
                for (int32_t s = n; s <= ne_; s = Next(s)) {
                    const size_t h = hits.size();
                    hits.push_back({n, s});
                    if (W(p + 1, pe, s)) return true;
                    hits.resize(h);
                }
                return false;
            } else {
                const int32_t L = pat_.CharLength(p);
                if (p + L > pe || n + L > ne_ || !Same(p, n, L)) return false;
                n += L;
                p += L;
            }
        }
    }

    enum Kind { Literal, Escape, Any, Class, NotClass, Empty };
    struct Token {
        Kind kind;
        int32_t p, length, first, last;
    };

    Token Read(int32_t p, int32_t pe) const {
        const uint32_t w = P(p);
        if (w == '%') return pe - p >= 2 ? Token{Escape, p, 2, 0, 0} : Token{Empty, p, 1, 0, 0};
        if (w == '.') return {Any, p, 1, 0, 0};
        if (w == '[') {
            const bool neg = P(p + 1) == '^';
            const int32_t first = p + (neg ? 2 : 1);
            for (int32_t j = first; j < pe; j = P(j) == '%' ? j + 2 : j + pat_.CharLength(j))
                if (P(j) == ']') return {neg ? NotClass : Class, p, j - p + 1, first, j};
            return {neg ? NotClass : Class, p, pe - p, first, pe};
        }
        return {Literal, p, pat_.CharLength(p), 0, 0};
    }

    bool LessEqual(int32_t a, int32_t la, const RawString& sa, int32_t b, int32_t lb,
                   const RawString& sb) const {
        for (int32_t i = 0; i < la && i < lb; ++i)
            if (sa.UnitAt(a + i) != sb.UnitAt(b + i)) return sa.UnitAt(a + i) < sb.UnitAt(b + i);
        return la == lb;
    }

    bool InClass(const Token& t, int32_t s) const {
        const int32_t L = name_.CharLength(s);
        for (int32_t i = t.first; i < t.last;) {
            if (P(i) == '%') {
                if (Esc(s, i + 1 < t.last ? P(i + 1) : 0) > 0) return true;
                i += 2;
                continue;
            }
            const int32_t lo = i, loLength = pat_.CharLength(i);
            i += loLength;
            if (i < t.last && P(i) == '-') {
                const int32_t hi = i + 1, hiLength = hi < t.last ? pat_.CharLength(hi) : 0;
                i = hi + hiLength;
                if (LessEqual(lo, loLength, pat_, s, L, name_) && LessEqual(s, L, name_, hi, hiLength, pat_))
                    return true;
            } else if (loLength == L && Same(lo, s, L)) {
                return true;
            }
        }
        return false;
    }

    // Units consumed, -1 when not matched.
    int32_t Test(const Token& t, int32_t s) const {
        if (s >= ne_) return -1;
        switch (t.kind) {
        case Literal: return Same(t.p, s, t.length) ? t.length : -1;
        case Escape: {
            const int32_t m = Esc(s, P(t.p + 1));
            return m > 0 ? m : -1;
        }
        case Any: return N(s) == '\n' || N(s) == '\r' ? -1 : name_.CharLength(s);
        case Class: return InClass(t, s) ? name_.CharLength(s) : -1;
        case NotClass:
            return InClass(t, s) || N(s) == '\n' || N(s) == '\r' ? -1 : name_.CharLength(s);
        default: return 0;
        }
    }

    bool X(int32_t p, int32_t pe, int32_t n) {
        for (;;) {
            if (p >= pe) return n >= ne_;
            const Token t = Read(p, pe);
            p += t.length;
            const uint32_t q = p < pe ? P(p) : 0;
            if (q == '*') {
                for (int32_t s = n; s <= ne_;) {
                    const size_t h = hits.size();
                    hits.push_back({n, s});
                    if (X(p + 1, pe, s)) return true;
                    hits.resize(h);
                    const int32_t m = Test(t, s);
                    if (m < 0) return false;
                    s += m;
                }
                return false;
            }
            if (q == '+') {
                for (int32_t s = n;;) {
                    const int32_t m = Test(t, s);
                    if (m < 0) return false;
                    const int32_t s2 = s + m;
                    const size_t h = hits.size();
                    hits.push_back({n, s2});
                    if (X(p + 1, pe, s2)) return true;
                    hits.resize(h);
                    if (s2 > ne_) return false;
                    s = s2;
                }
            }
            const int32_t m = Test(t, n);
            if (m < 0) return false;
            if (t.kind == Any || t.kind == Class || t.kind == NotClass) hits.push_back({n, n + m});
            n += m;
        }
    }

    RawString pat_, name_;
    int32_t ne_;
};

// All texts over the pieces, from 0 up to maxPieces pieces.
std::vector<std::string> AllTexts(const std::vector<std::string>& pieces, int maxPieces) {
    std::vector<std::string> all{""}, level{""};
    for (int n = 1; n <= maxPieces; ++n) {
        std::vector<std::string> next;
        for (const std::string& s : level)
            for (const std::string& p : pieces) next.push_back(s + p);
        all.insert(all.end(), next.begin(), next.end());
        level = std::move(next);
    }
    return all;
}

// Compares the matcher with the reference on every pattern against every name.
int CrossCheck(const std::vector<std::string>& patterns, const std::vector<std::string>& names) {
    int compared = 0;
    for (const std::string& p : patterns) {
        JobMatcher matcher{RawString(p)};  // one matcher for all names: its table is reused
        for (const std::string& n : names) {
            const RawString name(n);
            Reference ref(RawString(p), name);
            const bool expected = ref.Match();
            const bool got = matcher.Match(name);
            EXPECT_EQ(got, expected) << "pattern «" << p << "» name «" << n << "»";
            if (got && expected) {
                EXPECT_EQ(Show(HitsOf(matcher)), Show(ref.hits)) << "pattern «" << p << "» name «" << n << "»";
            }
            if (::testing::Test::HasFailure()) return compared;
            ++compared;
        }
    }
    return compared;
}

// ---------------------------------------------------------------- tables

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matched;
    Hits hits;
};

void RunTable(const std::vector<MatchCase>& table) {
    for (const MatchCase& c : table) {
        JobNameMatch record{RawString(c.pattern), {}};
        const bool matched = MatchName(&record, RawString(c.name));
        EXPECT_EQ(matched, c.matched) << "pattern «" << c.pattern << "» name «" << c.name << "»";
        if (matched && c.matched) {
            EXPECT_EQ(Show(HitsOf(record.hits)), Show(c.hits))
                << "pattern «" << c.pattern << "» name «" << c.name << "»";
        }
    }
}

}  // namespace

TEST(JobMatchName, WildcardPatterns) {
    RunTable({
        {"*.txt", "report.txt", true, {{0, 6}}},
        {"*.txt", "report.doc", false, {}},
        {"*.*", "a.b.c", true, {{0, 1}, {2, 5}}},
        {"*", "report.txt", true, {{0, 10}}},
        {"a*", "a", true, {{1, 1}}},
        {"??", "abc", false, {}},
        {"??", "ab", true, {{0, 1}, {1, 2}}},
        {"?" "?-*", "ab-cd", true, {{0, 1}, {1, 2}, {3, 5}}},
        {"IMG_*.jpg", "IMG_0012.jpg", true, {{4, 8}}},
        {"img_*.jpg", "IMG_0012.jpg", false, {}},
        {"*a*", "banana", true, {{0, 1}, {2, 6}}},
        {"*a*a", "banana", true, {{0, 1}, {2, 5}}},
        {"?", "\r", true, {{0, 1}}},
        {"%N", "\r\n", true, {}},
        {"%N", "\n", true, {}},
        {"%N", "\r", false, {}},
        {"%d%e%n%q%r%s%t", ";%\n\"\r \t", true, {}},
        {"%%%*%?%[%.", "%*?[.", true, {}},
        {"a%*", "ab", false, {}},
        {"abc%", "abc", true, {}},
        {"abc%", "abcd", false, {}},
        {"ab%", "abc", false, {}},
        {"*%", "abc", true, {{0, 3}}},
        {"", "", true, {}},
        {"", "a", false, {}},
        {"***", "ab", true, {{0, 0}, {0, 0}, {0, 2}}},
    });
}

TEST(JobMatchName, LiteralAndNegatedPatterns) {
    RunTable({
        {"$abc", "abc", true, {}},
        {"$abc", "abcd", false, {}},
        {"$abc", "ABC", false, {}},
        {"$[old].doc", "[old].doc", true, {}},
        {"$[old].doc", "o.doc", false, {}},
        {"$*", "x", false, {}},
        {"$", "", true, {}},
        {"!a*", "b", true, {}},
        {"!a*", "ab", false, {}},
        {"!*.txt", "a.doc", true, {}},
        {"!*.txt", "a.txt", false, {}},
        {"!", "anything", true, {}},
        {"!$abc", "abd", true, {}},
        {"!@a+", "b", true, {}},
        {"!!", "!", false, {}},  // only one "!" is special: the rest is the wildcard "!"
        {"!!", "x", true, {}},
    });
}

TEST(JobMatchName, ExtendedPatterns) {
    RunTable({
        {"@a+b", "aaab", true, {{0, 3}}},
        {"@xa*", "x", true, {{1, 1}}},
        {"@[a-c]x", "bx", true, {{0, 1}}},
        {"@[a-c]x", "dx", false, {}},
        {"@[^a]", "b", true, {{0, 1}}},
        {"@[^a]", "a", false, {}},
        {"@[^a]", "\n", false, {}},
        {"@.+", "a\rb", false, {}},
        {"@.+", "ab", true, {{0, 2}}},
        {"@%s", " ", true, {}},
        {"@%s*", "  ", true, {{0, 2}}},
        {"@%N", "\r\n", true, {}},
        {"@[0-9]+%s.+", "01 Intro.mp3", true, {{0, 2}, {3, 12}}},
        {"@a*a*", "aaa", true, {{0, 0}, {0, 3}}},
        {"@a+a+", "aaa", true, {{0, 1}, {1, 3}}},
        {"@.x*.", "axxb", true, {{0, 1}, {1, 3}, {3, 4}}},
        {"@a**", "aa*", true, {{0, 2}}},
        {"@a**", "aa", false, {}},
        {"@a*+", "a+", true, {{0, 1}}},
        {"@*x", "*x", true, {}},
        {"@*x", "x", false, {}},
        {"@+", "+", true, {}},
        {"@?", "?", true, {}},
        {"@?", "a", false, {}},
        {"@a]^-", "a]^-", true, {}},
        {"@abc%", "abc", false, {}},
        {"@abc%", "abcd", false, {}},
        {"@%", "", false, {}},
        {"@", "", true, {}},
        {"@a*", "", true, {{0, 0}}},
        {"@a+", "", false, {}},
        {"@%.+", "...", true, {{0, 3}}},
        {"@%.+", "..a", false, {}},
        {"@%d+", ";;", true, {{0, 2}}},
        {"@%N+", "\r\n\n", true, {{0, 3}}},
    });
}

TEST(JobMatchName, Classes) {
    RunTable({
        {"@[a-]", "a", false, {}},
        {"@[a-]", "-", false, {}},
        {"@[%]]", "]", true, {{0, 1}}},
        {"@[%-]", "-", true, {{0, 1}}},
        {"@[a%-z]", "-", true, {{0, 1}}},
        {"@[a%-z]", "b", false, {}},
        {"@[-a]", "-", true, {{0, 1}}},
        {"@[%s%t]+", " \t ", true, {{0, 3}}},
        {"@[%N]", "\n", true, {{0, 1}}},
        {"@[^%s]+", "ab c", false, {}},
        {"@[]", "a", false, {}},
        {"@[]a", "a", false, {}},
        {"@[^]", "x", true, {{0, 1}}},
        {"@[^]", "\r", false, {}},
        {"@[ab", "b", true, {{0, 1}}},  // no "]": the class runs to the end
        {"@[", "a", false, {}},
        {"@[^", "a", true, {{0, 1}}},
        {"@[%", "a", false, {}},
        {"@[a-cx-z]+", "azbyc", true, {{0, 5}}},
        {"@[a-cx-z]+", "azbwc", false, {}},
        {"@[c-a]", "b", false, {}},
        {"@[.]", "x", false, {}},
        {"@[.]", ".", true, {{0, 1}}},
        {"@[a*]+", "*a", true, {{0, 2}}},
        {"@x[0-9]*y", "x2024y", true, {{1, 5}}},
        {"@[A-Z]", "a", false, {}},
    });
}

TEST(JobMatchName, JapaneseAndEmoji) {
    RunTable({
        {"?", "😀", true, {{0, 4}}},
        {"??", "日本", true, {{0, 3}, {3, 6}}},
        {"*の*", "写真の整理.jpg", true, {{0, 6}, {9, 19}}},
        {"*.txt", "レポート.txt", true, {{0, 12}}},
        {"@[ぁ-ん]+.*", "ひらがなカナ", true, {{0, 3}, {3, 18}}},  // shortest first
        {"@[ぁ-ん]+カ.", "ひらがなカナ", true, {{0, 12}, {15, 18}}},
        {"@[ぁ-ん]+", "ひらがなカナ", false, {}},
        {"@[😀-😂]", "😁", true, {{0, 4}}},
        {"@[😀-😂]", "😃", false, {}},
        {"@[^日]", "本", true, {{0, 3}}},
        {"@[^日]", "日", false, {}},
        {"@[é]x", "éx", true, {{0, 2}}},
        {"@[é]x", "ex", false, {}},
        {"@.", "é", true, {{0, 2}}},
        {"@é+", "ééé", true, {{0, 6}}},
        {"@😀*x", "😀😀x", true, {{0, 8}}},
        {"$日本", "日本", true, {}},
        {"写*", "写", true, {{3, 3}}},
    });
}

TEST(JobMatchName, WideNames) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matched;
        Hits hits;
    };
    const std::vector<Case> table = {
        {"?", "😀", true, {{0, 2}}},
        {"*.txt", "レポート.txt", true, {{0, 4}}},
        {"@[😀-😂]+", "😁😀", true, {{0, 4}}},
        {"@[ぁ-ん]+", "ひらがな", true, {{0, 4}}},
        {"@.", "😀", true, {{0, 2}}},
        {"$日本", "日本", true, {}},
        {"*.*", "a.b.c", true, {{0, 1}, {2, 5}}},
    };
    for (const Case& c : table) {
        // The pattern once in the names' kind and once as typed (UTF-8).
        for (const RawString& pattern : {Wide(c.pattern), RawString(c.pattern)}) {
            JobMatcher matcher(pattern);
            EXPECT_EQ(matcher.Match(Wide(c.name)), c.matched) << c.pattern << " / " << c.name;
            EXPECT_EQ(Show(HitsOf(matcher)), Show(c.hits)) << c.pattern << " / " << c.name;
        }
    }
    // A matcher moves between kinds and back.
    JobMatcher matcher(RawString("?*"));
    EXPECT_TRUE(matcher.Match(RawString("日x")));
    EXPECT_EQ(Show(HitsOf(matcher)), Show({{0, 3}, {3, 4}}));
    EXPECT_TRUE(matcher.Match(Wide("日x")));
    EXPECT_EQ(Show(HitsOf(matcher)), Show({{0, 1}, {1, 2}}));
    EXPECT_TRUE(matcher.Match(RawString("日x")));
    EXPECT_EQ(Show(HitsOf(matcher)), Show({{0, 3}, {3, 4}}));
}

TEST(JobMatchName, RangesAndCutCharacters) {
    JobNameMatch record{RawString("*"), {}};
    EXPECT_TRUE(MatchName(&record, RawString("xaby"), {1, 3}));
    EXPECT_EQ(Show(HitsOf(record.hits)), Show({{1, 3}}));
    record.pattern = RawString("?b");
    EXPECT_TRUE(MatchName(&record, RawString("xaby"), {1, 3}));
    EXPECT_EQ(Show(HitsOf(record.hits)), Show({{1, 2}}));
    // Nothing behind the range is read: not by an escape, nor by "%N".
    record.pattern = RawString("abc%d");
    EXPECT_FALSE(MatchName(&record, RawString("abcd"), {0, 3}));
    record.pattern = RawString("ab%N");
    EXPECT_FALSE(MatchName(&record, RawString("ab\r\n"), {0, 3}));
    record.pattern = RawString("@é");
    EXPECT_FALSE(MatchName(&record, RawString("é"), {0, 1}));
    record.pattern = RawString("ab%");
    EXPECT_TRUE(MatchName(&record, RawString("abc"), {0, 2}));
    // Ranges are clamped to the name.
    record.pattern = RawString("*");
    EXPECT_TRUE(MatchName(&record, RawString("ab"), {-5, 99}));
    EXPECT_EQ(Show(HitsOf(record.hits)), Show({{0, 2}}));
    // A character cut by the end of the name is still a character for "*"
    // and "?": every name matches "*".
    EXPECT_TRUE(MatchName(&record, RawString("aé"), {0, 2}));
    EXPECT_EQ(Show(HitsOf(record.hits)), Show({{0, 2}}));
    EXPECT_TRUE(MatchName(&record, RawString("a\xE3")));
    const char16_t loneHigh[] = {u'a', 0xD800};
    const RawString wide = RawString::FromWide(loneHigh, 2);
    EXPECT_TRUE(MatchName(&record, wide));
    EXPECT_EQ(Show(HitsOf(record.hits)), Show({{0, 2}}));
    record.pattern = RawString("??");
    EXPECT_TRUE(MatchName(&record, wide));
    EXPECT_EQ(Show(HitsOf(record.hits)), Show({{0, 1}, {1, 2}}));
}

TEST(JobMatchName, FreshHitListEveryMatch) {
    JobNameMatch record{RawString("*.*"), {}};
    ASSERT_TRUE(MatchName(&record, RawString("a.b")));
    const JobHitRangeList earlier = record.hits;  // a solution keeps these
    ASSERT_TRUE(MatchName(&record, RawString("long.name")));
    EXPECT_FALSE(earlier.SharesBodyWith(record.hits));
    EXPECT_EQ(Show(HitsOf(earlier)), Show({{0, 1}, {2, 3}}));
    EXPECT_EQ(Show(HitsOf(record.hits)), Show({{0, 4}, {5, 9}}));
    record.pattern = RawString("!*");
    EXPECT_FALSE(MatchName(&record, RawString("x")));
    record.pattern = RawString("!x*");
    EXPECT_TRUE(MatchName(&record, RawString("abc")));
    EXPECT_EQ(record.hits.Count(), 0);
}

TEST(JobMatchName, MatchEscapeTable) {
    struct Case {
        const char* name;
        int32_t position;
        char x;
        int32_t expected;
    };
    const Case table[] = {
        {"\r\n", 0, 'N', 2}, {"\n", 0, 'N', 1}, {"\r", 0, 'N', 0}, {"\rx", 0, 'N', 0},
        {";", 0, 'd', 1},    {"%", 0, 'e', 1},  {"\n", 0, 'n', 1}, {"\"", 0, 'q', 1},
        {"\r", 0, 'r', 1},   {" ", 0, 's', 1},  {"\t", 0, 't', 1}, {"s", 0, 's', 0},
        {"x", 0, 'x', 1},    {"*", 0, '*', 1},  {"ab", 2, 0, 1},   {"ab", 1, 0, 0},
        {"ab", 5, 'a', 0},
    };
    for (const Case& c : table)
        EXPECT_EQ(MatchEscape(RawString(c.name), c.position, static_cast<uint8_t>(c.x)), c.expected)
            << c.name << " at " << c.position << " x " << c.x;
}

// ---------------------------------------------------------------- cross-checks

TEST(JobMatcherCrossCheck, WildcardOverSmallAlphabet) {
    const auto patterns = AllTexts({"a", "b", "?", "*", "%a"}, 5);
    const auto names = AllTexts({"a", "b"}, 6);
    EXPECT_GT(CrossCheck(patterns, names), 300000);
}

TEST(JobMatcherCrossCheck, ExtendedOverSmallAlphabet) {
    const auto bodies = AllTexts({"a", "b", ".", "*", "+", "[a-b]", "[^a]", "%b"}, 4);
    std::vector<std::string> patterns;
    for (const std::string& b : bodies) patterns.push_back("@" + b);
    const auto names = AllTexts({"a", "b"}, 5);
    EXPECT_GT(CrossCheck(patterns, names), 200000);
}

TEST(JobMatcherCrossCheck, ExtendedWithThreeRepetitions) {
    std::vector<std::string> patterns;
    for (const std::string& b : AllTexts({"a", ".", "*", "+", "[^a]"}, 5)) patterns.push_back("@" + b);
    EXPECT_GT(CrossCheck(patterns, AllTexts({"a", "b"}, 5)), 200000);
}

TEST(JobMatcherCrossCheck, MultiUnitCharacters) {
    const auto patterns = AllTexts({"é", "a", "?", "*"}, 4);
    const auto names = AllTexts({"é", "a", "😀"}, 4);
    CrossCheck(patterns, names);
    std::vector<std::string> extended;
    for (const std::string& b : AllTexts({"é", ".", "+", "*", "[a-é]"}, 3)) extended.push_back("@" + b);
    CrossCheck(extended, names);
}

TEST(JobMatcherCrossCheck, NastyPatternsAgainstReference) {
    // Small enough for the reference, hard enough to exercise the table.
    const std::vector<std::string> patterns = {
        "*a*a*a*b", "*a*a*a*a", "*?*?*?*b", "@a*a*a*b", "@a+a+a+b", "@.*a*.*b",
        "@[a-b]*a+[^b]*b", "*a*%b", "@(a*)*", "*b*a*b*a", "@a*b*a*b*",
    };
    std::vector<std::string> names;
    for (int n = 0; n <= 14; ++n) {
        names.push_back(std::string(static_cast<size_t>(n), 'a'));
        names.push_back(std::string(static_cast<size_t>(n), 'a') + "b");
        names.push_back("b" + std::string(static_cast<size_t>(n), 'a') + "ba");
    }
    CrossCheck(patterns, names);
}

// ---------------------------------------------------------------- hard cases

TEST(JobMatcherLimits, AdversarialPatternsFinish) {
    const std::string as(60, 'a');
    JobMatcher wildcard{RawString("*a*a*a*a*a*a*a*a*a*a*a*b")};
    EXPECT_FALSE(wildcard.Match(RawString(as)));
    EXPECT_TRUE(wildcard.Match(RawString(as + "b")));
    JobMatcher extended{RawString("@a*a*a*a*a*a*a*a*a*a*a*b")};
    EXPECT_FALSE(extended.Match(RawString(as)));
    JobMatcher plus{RawString("@a+a+a+a+a+a+a+a+a+a+a+b")};
    EXPECT_FALSE(plus.Match(RawString(std::string(255, 'a'))));
    JobMatcher classes{RawString("@[a-z]*[a-z]*[a-z]*[a-z]*[a-z]*[a-z]*[a-z]*[a-z]*%d")};
    EXPECT_FALSE(classes.Match(RawString(std::string(255, 'q'))));
}

TEST(JobMatcherLimits, ThousandUnitPatterns) {
    const RawString name(std::string(255, 'a'));
    std::string stars, starA, quantified;
    for (int i = 0; i < 500; ++i) starA += "*a";
    for (int i = 0; i < 1000; ++i) stars += "*";
    for (int i = 0; i < 333; ++i) quantified += "a*";
    quantified = "@" + quantified + "b";

    JobMatcher m1{RawString(starA)};
    EXPECT_FALSE(m1.Match(name));  // needs 500 "a"
    JobMatcher m2{RawString(stars)};
    ASSERT_TRUE(m2.Match(name));
    ASSERT_EQ(m2.HitCount(), 1000);
    EXPECT_EQ(m2.Hits()[998], JobHitRange(0, 0));
    EXPECT_EQ(m2.Hits()[999], JobHitRange(0, 255));
    JobMatcher m3{RawString(quantified)};
    EXPECT_FALSE(m3.Match(name));
    EXPECT_TRUE(m3.Match(RawString(std::string(254, 'a') + "b")));
    std::string half = starA.substr(0, 254);  // 127 "*a"
    JobMatcher m4{RawString(half + "*b")};
    EXPECT_FALSE(m4.Match(name));
}
