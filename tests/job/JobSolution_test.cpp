// New names from templates: the documented cases, the prefixes and escapes,
// the Situation defaults and names in other kinds.
#include <gtest/gtest.h>

#include <string>

#include "job/JobSolution.h"

using namespace JobLayer;
using RawLayer::RawString;

namespace {

// Both roads to a new name must agree: a solution over a kept hit list, and
// the allocation-free one a pass over many names takes.
std::string NewName(const char* pattern, const char* templ, const char* name) {
    const RawString n(name), t(templ);
    JobNameMatch record{RawString(pattern), {}};
    JobMatcher matcher{RawString(pattern)};
    const bool matched = MatchName(&record, n);
    EXPECT_EQ(matcher.Match(n), matched) << pattern << " / " << name;
    if (!matched) return "<no match>";
    RawString out;
    ExpandTemplate(t, JobHitSolution(n, matcher), &out);
    const std::string byList = ExpandTemplate(t, JobSolution(n, record.hits)).ToUtf8();
    EXPECT_EQ(out.ToUtf8(), byList) << pattern << " → " << templ;
    return byList;
}

}  // namespace

TEST(JobExpandTemplate, Table) {
    const char* const table[][4] = {  // pattern, template, name, new name
        {"*.txt", "%0.bak", "report.txt", "report.bak"}, {"*.*", "%1-%0", "a.b.c", "b.c-a"},
        {"?" "?-*", "%2%0%1", "ab-cd", "cdab"}, {"IMG_*.jpg", "Photo_%0.jpg", "IMG_0012.jpg", "Photo_0012.jpg"},
        {"@[0-9]+%s.+", "%1 %0", "01 Intro.mp3", "Intro.mp3 01"}, {"$[old].doc", "new.doc", "[old].doc", "new.doc"},
        {"!*.txt", "%0", "a.doc", ""},  // a negated match has no hits
        {"*.*", "%9%8%7%6%5%4%3%2", "a.b", ""}, {"*.*", "%0%0%1%1", "a.b", "aabb"},
        {"", "abc", "", "abc"},
        // Prefixes: "$" and "!$" take the rest literally; "!", "@" and "!@" stay in the name.
        {"*", "$%0.txt", "x", "%0.txt"}, {"*", "!abc", "x", "!abc"}, {"*", "@%0", "x", "@x"},
        {"*", "!@%0", "x", "!@x"}, {"*", "!$abc", "x", "abc"}, {"*", "$", "x", ""}, {"*", "$!%0", "x", "!%0"},
        // Escapes; a new name never holds a line break.
        {"*", "ab%", "x", "ab"}, {"*", "x%ty", "a", "x\ty"}, {"*", "%N", "a", ""},
        {"*", "%d%e%n%q%r%s%t", "a", ";%\n\"\r \t"}, {"*", "%%%x%*%0%", "ab", "%x*ab"}, {"*", "%D%E%S", "a", "DES"},
        // Parts are whole characters.
        {"*の*", "%1の%0", "写真の整理", "整理の写真"}, {"??*", "%1%0%2", "😀😁x", "😁😀x"},
        {"@[ぁ-ん]+(.+)", "[%1]%0", "ひらがな(カナ)", "[カナ]ひらがな"}, {"*", "📁%0", "日本", "📁日本"},
    };
    for (const auto& [pattern, templ, name, expected] : table)
        EXPECT_EQ(NewName(pattern, templ, name), expected) << pattern << " → " << templ;
}

TEST(JobExpandTemplate, WideNamesAndTemplates) {
    const RawString name(RawString("レポート😀.txt"), RawLayer::RawCodeKind::Wide);
    JobNameMatch record{RawString("*.txt"), {}};
    ASSERT_TRUE(MatchName(&record, name));
    const JobSolution solution(name, record.hits);
    // The result takes the template's kind; the part stays in the name's.
    const RawString utf8 = ExpandTemplate(RawString("%0.bak"), solution);
    EXPECT_EQ(utf8.Kind(), RawLayer::RawCodeKind::Utf8);
    EXPECT_EQ(utf8.ToUtf8(), "レポート😀.bak");
    const RawString wide = ExpandTemplate(RawString(RawString("新%0"), RawLayer::RawCodeKind::Wide), solution);
    EXPECT_EQ(wide.Kind(), RawLayer::RawCodeKind::Wide);
    EXPECT_EQ(wide.ToUtf8(), "新レポート😀");
    EXPECT_EQ(solution.GetPart(0).Kind(), RawLayer::RawCodeKind::Wide);
    EXPECT_EQ(solution.GetPart(0).Length(), 6);
}

// Without a match behind it a situation answers "%0".."%9" with the digit and
// "%N" with a line break.
TEST(JobExpressionUtility, BaseSituation) {
    EXPECT_EQ(ExpandTemplate(RawString("a%0%N%9b%"), JobExpressionUtility::Situation()).ToUtf8(), "a0\r\n9b");
}

TEST(JobExpandTemplate, OutputBufferIsReused) {
    const RawString name("photo.jpg");
    JobMatcher matcher{RawString("*.*")};
    ASSERT_TRUE(matcher.Match(name));
    RawString out;
    ExpandTemplate(RawString("%1-%0-%1"), JobHitSolution(name, matcher), &out);
    const RawString kept = out;  // a reader holds the text: the next expansion must not change it
    ExpandTemplate(RawString("%0"), JobHitSolution(name, matcher), &out);
    EXPECT_EQ(out.ToUtf8(), "photo");
    EXPECT_EQ(kept.ToUtf8(), "jpg-photo-jpg");
}
