// The wildcard matcher: wildcards, escapes, flags and captures.
#include "raw/RawWildcardMatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace RawLayer;

namespace {

TEST(RawWildcardMatchTest, Table) {
    const struct {
        const char *pattern, *text;
        bool whole, ignoreCase, matched;
        std::vector<std::string> captures;
    } cases[] = {
        {"ReadMe_*.txt", "readme_guide.TXT", true, true, true, {"guide"}},
        {"ReadMe_*.txt", "ReadMe_guide.txt.bak", true, true, false, {}},
        {"ReadMe_*.txt", "ReadMe_guide.txt.bak", false, true, true, {"guide"}},
        {"ReadMe_*.txt", "readme_guide.txt", true, false, false, {}},
        {"*.*", "x.y.z", true, false, true, {"x.y", "z"}}, {"*", "", true, false, true, {""}},
        {"?", "", true, false, false, {}}, {"a?c", "abc", true, false, true, {"b"}},
        {"a?c", "abbc", true, false, false, {}}, {"a%mb", "a,b", true, false, true, {}},
        {"a%mb", "a;b", true, false, false, {}}, {"a%nb", "a\r\nb", true, false, true, {}},
        {"a%nb", "a\nb", true, false, true, {}}, {"a%nb", "a\rb", true, false, false, {}},
        {"%B%E%O%C%K%J%e%i%l%q%r%s%t%v", "[]()<>%;:\"\r \t|", true, false, true, {}},
        {"%x%%", "x%", true, false, true, {}},
        {"%s", "S", true, true, false, {}},  // escapes compare exactly
        {"a%", "a", true, false, true, {}},  // a trailing "%" meets the end of the text
        {"a%", "ab", true, false, false, {}}, {"", "", true, false, true, {}}, {"", "x", true, false, false, {}},
        {"", "x", false, false, true, {}}, {"?*?", "ab", true, false, true, {"a", "", "b"}},
    };
    for (const auto& c : cases) {
        RawWildcardMatch matcher;
        matcher.whole = c.whole;
        matcher.ignoreCase = c.ignoreCase;
        const RawString text(c.text), pattern(c.pattern);
        EXPECT_EQ(matcher.Match(text, kAll, pattern, kAll), c.matched) << c.pattern << " / " << c.text;
        if (!c.matched) continue;
        std::vector<std::string> captures;
        for (const RawRange& r : matcher.captures) captures.push_back(RawString(text, r, RawCodeKind::Utf8).ToUtf8());
        EXPECT_EQ(captures, c.captures) << c.pattern << " / " << c.text;
    }
}

TEST(RawWildcardMatchTest, RangesAndFirstCapture) {
    RawWildcardMatch matcher;
    const RawString text("xxab.cyy"), pattern("--*.?--");
    EXPECT_TRUE(matcher.Match(text, {2, 6}, pattern, {2, 5}, 2));
    ASSERT_EQ(matcher.captures.Count(), 4);
    matcher.SetCapture(1, {7, 8});
    // Filled up to the first index; beyond the captures an empty range.
    EXPECT_EQ((std::vector<RawRange>{matcher.Capture(0), matcher.Capture(1), matcher.Capture(2), matcher.Capture(3),
                                     matcher.Capture(9)}),
              (std::vector<RawRange>{{0, 0}, {7, 8}, {2, 4}, {5, 6}, {}}));
}

TEST(RawWildcardMatchTest, ManyStarsOnALongTextStayFast) {
    RawWildcardMatch matcher;
    const RawString text(std::string(3000, 'a')), pattern("*a*a*a*a*a*a*a*a*a*a*b");
    EXPECT_FALSE(matcher.Match(text, kAll, pattern, kAll));
    EXPECT_TRUE(matcher.Match(RawString(std::string(3000, 'a') + "b"), kAll, pattern, kAll));
}

}  // namespace
