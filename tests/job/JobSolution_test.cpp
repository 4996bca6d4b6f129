// New names from templates: the documented cases, the prefixes and escapes,
// the Situation defaults, names in other kinds, and the "%{...}" tokens over
// a real tree with the faults that stop a template.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "job/JobCondition.h"
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
        {"*", "{%0}%%{n}", "a", "{a}%{n}"},  // only "%{" opens a token
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

namespace {

// The new names a pass gives over a small real tree, in list order.
class TokenTree : public TestSupport::TempDirTest {
protected:
    void SetUp() override {
        for (const char* file : {"A10.MP4", "A2.MP4", "A1.MP4", "Bx.MP4", "d\\m.txt", "d\\k.txt", "e\\n.txt",
                                 "README", "archive.tar.gz", "\xC3\xA9" "CLAIR \xC3\xA9t\xC3\xA9-\xC3\xA0" "b.txt",
                                 "\xCE\x91\xCE\x98\xCE\x97\xCE\x9D\xCE\x91 \xCF\x8C\xCE\xBC\xCE\xBF\xCF\x81\xCF\x86"
                                 "\xCE\xB7_\xCE\xA0\xCE\x8C\xCE\x9B\xCE\x97.txt",
                                 "\xD0\xBF\xD1\x80\xD0\xB8 \xD0\x9C\xD0\x98\xD0\xA0"})
            ASSERT_TRUE(TestSupport::PutFile(temp.Join(TestSupport::Widen(file)), "x"));
        list.AddPath(TestSupport::Raw(temp.Path()), true);
    }
    std::string NewNames(const char* pattern, const char* templ) {
        JobCondition condition;
        const JobPassResult pass = EvaluationPass(list, condition, JobCondition::ViewStyle::TreeView,
                                                  JobCondition::Limitation::File, RawString(pattern), RawString(templ));
        EXPECT_FALSE(pass.Bad()) << templ;
        std::string names;
        for (const JobFileUnit& unit : list)
            if (unit.Has(JobFileUnit::Checked)) names += (names.empty() ? "" : " ") + unit.newName.ToUtf8();
        return names;
    }
    JobFileList list;
};

}  // namespace

TEST_F(TokenTree, Table) {
    const char* const table[][3] = {  // pattern, template, the new names in list order
        {"*.MP4", "%{n}_%0", "1_A1 2_A2 3_A10 4_Bx"},
        {"*.MP4", "%{n:3}", "001 002 003 004"},
        {"*.MP4", "%{n:2:13}", "13 14 15 16"},
        {"*.MP4", "%{n:3:100:-5}", "100 095 090 085"},
        {"*.MP4", "%{n:2:1:-1}", "01 00 -01 -02"},
        {"*.MP4", "%{n:1:-999999999999999999:-999999999999999999}",
         "-999999999999999999 -1999999999999999998 -2999999999999999997 -3999999999999999996"},
        // Each folder counts afresh: the root's files come after d and e in the list.
        {"*.txt", "%{n}-%{f:2:0}", "1-00 2-01 3-00 4-00 5-01"},
        {"A*.MP4", "S01A%{0:2}.MP4", "S01A01.MP4 S01A02.MP4 S01A10.MP4"},
        {"?*.MP4", "%{1:3}", "001 002 010 x"},
        {"* *.txt", "%{0:upper} %{1:upper}", "\xC3\x89" "CLAIR \xC3\x89T\xC3\x89-\xC3\x80" "B "
         "\xCE\x91\xCE\x98\xCE\x97\xCE\x9D\xCE\x91 \xCE\x8C\xCE\x9C\xCE\x9F\xCE\xA1\xCE\xA6\xCE\x97_\xCE\xA0\xCE\x8C"
         "\xCE\x9B\xCE\x97"},
        {"* *.txt", "%{0:lower} %{1:lower}", "\xC3\xA9" "clair \xC3\xA9t\xC3\xA9-\xC3\xA0" "b "
         "\xCE\xB1\xCE\xB8\xCE\xB7\xCE\xBD\xCE\xB1 \xCF\x8C\xCE\xBC\xCE\xBF\xCF\x81\xCF\x86\xCE\xB7_\xCF\x80\xCF\x8C"
         "\xCE\xBB\xCE\xB7"},
        {"* *.txt", "%{0:title} %{1:title}", "\xC3\x89" "clair \xC3\x89t\xC3\xA9-\xC3\x80" "b "
         "\xCE\x91\xCE\xB8\xCE\xB7\xCE\xBD\xCE\xB1 \xCE\x8C\xCE\xBC\xCE\xBF\xCF\x81\xCF\x86\xCE\xB7_\xCE\xA0\xCF\x8C"
         "\xCE\xBB\xCE\xB7"},
        {"\xD0\xBF* *", "%{0:upper}+%{1:lower}", "\xD0\xA0\xD0\x98+\xD0\xBC\xD0\xB8\xD1\x80"},
        {"README", "%{name}+%{ext}", "README+"},
        {"archive.tar.gz", "%{name}+%{ext}", "archive.tar+gz"},
    };
    for (const auto& [pattern, templ, expected] : table) EXPECT_EQ(NewNames(pattern, templ), expected) << templ;
}

// A token that cannot be read names itself; only what lies outside tokens
// can be a forbidden character.
TEST(JobTemplateFault, Table) {
    const struct { const char* templ; const char* fault; uint32_t forbidden; } cases[] = {
        {"%{n:3:100:-5}_%{f}%{0:title}%{name}.%{ext}", "", 0},
        {"a%{n:3", "the token \"%{n:3\" has no closing \"}\"", 0},
        {"%{x}%{n", "the token \"%{x}\" is unknown", 0},
        {"%{n:33}", "the token \"%{n:33}\" asks for a width outside 1 to 32", 0},
        {"%{0:0}", "the token \"%{0:0}\" asks for a width outside 1 to 32", 0},
        {"%{n:1:1234567890123456789}", "the token \"%{n:1:1234567890123456789}\" holds a number of more than 18 digits", 0},
        {"%{n::2}", "the token \"%{n::2}\" is unknown", 0},
        {"%{0:3:upper}", "the token \"%{0:3:upper}\" is unknown", 0},
        {"%{0}", "the token \"%{0}\" is unknown", 0},
        {"%%{n:3}", "", ':'},   // "%%" is a "%": the rest is plain text
        {"$%{n:3}", "", ':'},   // a literal template has no tokens
        {"%{n}:", "", ':'},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TemplateFault(RawString(c.templ)).ToUtf8(), c.fault) << c.templ;
        EXPECT_EQ(TemplateForbiddenUnit(RawString(c.templ)), c.forbidden) << c.templ;
    }
}
