// New names from templates: the documented cases, the prefixes and escapes,
// the Situation defaults and names in other kinds.
#include <gtest/gtest.h>

#include "job/JobSolution.h"

using namespace JobLayer;
using RawLayer::RawString;

namespace {

struct RenameCase {
    const char* pattern;
    const char* templ;
    const char* name;
    const char* expected;
};

std::string NewName(const char* pattern, const char* templ, const char* name) {
    JobNameMatch record{RawString(pattern), {}};
    if (!MatchName(&record, RawString(name))) return "<no match>";
    const JobSolution solution(RawString(name), record.hits);
    return ExpandTemplate(RawString(templ), solution).ToUtf8();
}

// The allocation-free road a pass over many names takes.
std::string NewNameByMatcher(const char* pattern, const char* templ, const char* name) {
    JobMatcher matcher{RawString(pattern)};
    const RawString n(name);
    if (!matcher.Match(n)) return "<no match>";
    RawString out;
    ExpandTemplate(RawString(templ), JobHitSolution(n, matcher), &out);
    return out.ToUtf8();
}

class RecordingSituation : public JobExpressionUtility::Situation {};

}  // namespace

TEST(JobExpandTemplate, DocumentedRenames) {
    const RenameCase table[] = {
        {"*.txt", "%0.bak", "report.txt", "report.bak"},
        {"*.*", "%1-%0", "a.b.c", "b.c-a"},
        {"?" "?-*", "%2%0%1", "ab-cd", "cdab"},
        {"IMG_*.jpg", "Photo_%0.jpg", "IMG_0012.jpg", "Photo_0012.jpg"},
        {"@[0-9]+%s.+", "%1 %0", "01 Intro.mp3", "Intro.mp3 01"},
        {"*", "$%0.txt", "x", "%0.txt"},
        {"!*.txt", "%0", "a.doc", ""},
        {"*.*", "%0", "a.txt", "a"},
        {"*.*", "%0", "a.doc", "a"},
        {"*", "%1", "abc", ""},
        {"*.*", "%7", "a.b", ""},
        {"*", "$%0", "abc", "%0"},
        {"$[old].doc", "new.doc", "[old].doc", "new.doc"},
    };
    for (const RenameCase& c : table) {
        EXPECT_EQ(NewName(c.pattern, c.templ, c.name), c.expected) << c.pattern << " → " << c.templ;
        EXPECT_EQ(NewNameByMatcher(c.pattern, c.templ, c.name), c.expected) << c.pattern << " → " << c.templ;
    }
}

TEST(JobExpandTemplate, PrefixesAndEscapes) {
    const RenameCase table[] = {
        {"*", "!abc", "x", "!abc"},
        {"*", "@%0", "x", "@x"},
        {"*", "!@%0", "x", "!@x"},
        {"*", "!$abc", "x", "abc"},
        {"*", "!$", "x", ""},
        {"*", "$", "x", ""},
        {"*", "!", "x", "!"},
        {"*", "@", "x", "@"},
        {"*", "@@%0", "x", "@@x"},
        {"*", "$!%0", "x", "!%0"},
        {"*", "ab%", "x", "ab"},
        {"*", "%", "x", ""},
        {"*", "x%ty", "a", "x\ty"},
        {"*", "%N", "a", ""},
        {"*", "%d%e%n%q%r%s%t", "a", ";%\n\"\r \t"},
        {"*", "%%%x%*%0%", "ab", "%x*ab"},
        {"*", "%D%E%S", "a", "DES"},
        {"", "abc", "", "abc"},
        {"*.*", "%0%0%1%1", "a.b", "aabb"},
        {"*.*", "%9%8%7%6%5%4%3%2", "a.b", ""},
    };
    for (const RenameCase& c : table) {
        EXPECT_EQ(NewName(c.pattern, c.templ, c.name), c.expected) << c.templ;
        EXPECT_EQ(NewNameByMatcher(c.pattern, c.templ, c.name), c.expected) << c.templ;
    }
}

TEST(JobExpandTemplate, JapaneseAndEmoji) {
    const RenameCase table[] = {
        {"*.txt", "%0.bak", "レポート.txt", "レポート.bak"},
        {"*の*", "%1の%0", "写真の整理", "整理の写真"},
        {"??*", "%1%0%2", "😀😁x", "😁😀x"},
        {"@[ぁ-ん]+(.+)", "[%1]%0", "ひらがな(カナ)", "[カナ]ひらがな"},
        {"*", "📁%0", "日本", "📁日本"},
    };
    for (const RenameCase& c : table) {
        EXPECT_EQ(NewName(c.pattern, c.templ, c.name), c.expected) << c.templ;
        EXPECT_EQ(NewNameByMatcher(c.pattern, c.templ, c.name), c.expected) << c.templ;
    }
}

TEST(JobExpandTemplate, WideNamesAndTemplates) {
    const RawString name(RawString("レポート😀.txt"), RawLayer::Wide);
    JobNameMatch record{RawString("*.txt"), {}};
    ASSERT_TRUE(MatchName(&record, name));
    const JobSolution solution(name, record.hits);
    // A UTF-8 template takes the wide part converted.
    const RawString utf8 = ExpandTemplate(RawString("%0.bak"), solution);
    EXPECT_EQ(utf8.Kind(), RawLayer::Utf8);
    EXPECT_EQ(utf8.ToUtf8(), "レポート😀.bak");
    // A wide template gives a wide name.
    const RawString wide = ExpandTemplate(RawString(RawString("新%0"), RawLayer::Wide), solution);
    EXPECT_EQ(wide.Kind(), RawLayer::Wide);
    EXPECT_EQ(wide.ToUtf8(), "新レポート😀");
    // The part itself stays in the name's kind.
    const RawString part = solution.GetPart(0);
    EXPECT_EQ(part.Kind(), RawLayer::Wide);
    EXPECT_EQ(part.Length(), 6);
}

TEST(JobSolution, PartsAndLineBreak) {
    JobHitRangeList hits;
    hits.Append(JobHitRange(0, 2));
    hits.Append(JobHitRange(3, 3));
    const JobSolution solution(RawString("ab-cd"), hits);
    EXPECT_TRUE(solution.hits.SharesBodyWith(hits));
    EXPECT_EQ(solution.GetPart(0).ToUtf8(), "ab");
    EXPECT_EQ(solution.GetPart(1).ToUtf8(), "");
    EXPECT_EQ(solution.GetPart(2).ToUtf8(), "");
    EXPECT_EQ(solution.GetPart(-1).ToUtf8(), "");
    EXPECT_TRUE(solution.GetLineBreak().IsEmpty());
}

TEST(JobExpressionUtility, SituationDefaults) {
    const RecordingSituation base;
    EXPECT_EQ(base.GetLineBreak().ToUtf8(), "\r\n");
    EXPECT_EQ(base.GetPart(7).ToUtf8(), "7");
    EXPECT_EQ(ExpandTemplate(RawString("a%0%N%9b"), base).ToUtf8(), "a0\r\n9b");
}

TEST(JobExpressionUtility, ExpandOneConsumes) {
    const RecordingSituation base;
    const RawString t("x%3%s%");
    const int32_t expected[][2] = {{0, 1}, {1, 2}, {3, 2}, {5, 1}, {6, 0}, {-1, 0}};
    const char* yields[] = {"x", "3", " ", "", "", ""};
    for (size_t i = 0; i < 6; ++i) {
        RawString out;
        EXPECT_EQ(ExpandOne(t, expected[i][0], base, &out), expected[i][1]) << i;
        EXPECT_EQ(out.ToUtf8(), yields[i]) << i;
    }
}

TEST(JobExpressionUtility, PatternForms) {
    struct Case {
        const char* pattern;
        JobPatternMode mode;
        bool negated;
        int32_t start;
    };
    const Case table[] = {
        {"", JobPatternMode::Wildcard, false, 0},     {"*.txt", JobPatternMode::Wildcard, false, 0},
        {"!", JobPatternMode::Wildcard, true, 1},     {"!*", JobPatternMode::Wildcard, true, 1},
        {"$a", JobPatternMode::Literal, false, 1},    {"!$a", JobPatternMode::Literal, true, 2},
        {"@a", JobPatternMode::Extended, false, 1},   {"!@a", JobPatternMode::Extended, true, 2},
        {"!!@", JobPatternMode::Wildcard, true, 1},   {"a@", JobPatternMode::Wildcard, false, 0},
        {"$@", JobPatternMode::Literal, false, 1},    {"@$", JobPatternMode::Extended, false, 1},
    };
    for (const Case& c : table) {
        const JobPatternForm form = JobExpressionUtility::FormOf(RawString(c.pattern));
        EXPECT_EQ(form.mode, c.mode) << c.pattern;
        EXPECT_EQ(form.negated, c.negated) << c.pattern;
        EXPECT_EQ(form.bodyStart, c.start) << c.pattern;
    }
}

TEST(JobExpandTemplate, OutputBufferIsReused) {
    const RawString name("photo.jpg");
    JobMatcher matcher{RawString("*.*")};
    ASSERT_TRUE(matcher.Match(name));
    RawString out;
    ExpandTemplate(RawString("%1-%0-%1"), JobHitSolution(name, matcher), &out);
    EXPECT_EQ(out.ToUtf8(), "jpg-photo-jpg");
    const RawString kept = out;  // a reader holds the text: the next expansion must not change it
    ExpandTemplate(RawString("%0"), JobHitSolution(name, matcher), &out);
    EXPECT_EQ(out.ToUtf8(), "photo");
    EXPECT_EQ(kept.ToUtf8(), "jpg-photo-jpg");
}
