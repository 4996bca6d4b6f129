// The command-line grammar fed with raw command lines, program name included.
#include "app/AppCommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace RawLayer;
using namespace AppLayer;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs Parse(const std::string& line) {
    RawParameterList list;
    ParseCommandLine(RawString(line), &list);
    Pairs out;
    for (const RawParameterUnit& u : list) out.emplace_back(u.key.ToUtf8(), u.value.ToUtf8());
    return out;
}

}  // namespace

TEST(AppCommandLine, Grammar) {
    struct Case { std::string line; Pairs expected; };
    const Case cases[] = {
        {"  \"C:\\Program Files\\Varnelo.exe\"   ", {}},
        {"\"C:\\Program Files\\Varnelo.exe\" -o \"a b\" -n x", {{"o", "a b"}, {"n", "x"}}},
        {"v.exe -o -n x", {{"o", ""}, {"n", "x"}}}, {"v.exe -oD:\\x y", {{"oD:\\x", "y"}}},
        {"v.exe \"unterminated path here", {{"NoTag_1", "unterminated path here"}}},
        {"v.exe -H x", {{"H", "x"}}},
        {"v.exe a -i b -h c", {{"NoTag_1", "a"}, {"i", ""}, {"NoTag_2", "b"}, {"h", ""}, {"NoTag_3", "c"}}},
        {"v.exe - x", {{"", ""}, {"NoTag_1", "x"}}}, {"v.exe -o", {{"o", ""}}},
        {"v.exe \"a\"b c", {{"NoTag_1", "a"}, {"NoTag_2", "b"}, {"NoTag_3", "c"}}},
        {"v.exe a\"b\tc\r\nd", {{"NoTag_1", "a\"b"}, {"NoTag_2", "c"}, {"NoTag_3", "d"}}},
        {"v.exe -l Files -l Both", {{"l", "Files"}, {"l", "Both"}}},
        {"\"C:\\a b\\v.exe\"x y", {{"NoTag_1", "y"}}},  // the name runs to the first blank outside quotes
        {"v.exe \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80", {{"NoTag_1", "\xE6\x97\xA5\xE6\x9C\xAC"}, {"NoTag_2", "\xF0\x9F\x98\x80"}}},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.line), c.expected) << c.line;
}

TEST(AppCommandLine, ArgumentTextKeepsWhatWasTyped) {
    for (const auto& [line, text] :
         {std::pair{"  v.exe \t -o  \"a b\"  ", "-o  \"a b\"  "}, {"\"unclosed name -o x", ""}, {"", ""}})
        EXPECT_EQ(RemoveProgramName(RawString(line)).ToUtf8(), text);
}

TEST(AppCommandLine, RestartLeavesOutTheRunSwitchOnly) {
    for (const auto& [text, kept] : {std::pair{"-a -o \"a b\" x", "-o \"a b\" x"},
                                      {"-o *.txt -a -i \"-a\"", "-o *.txt -i \"-a\""},  // a quoted path stays
                                      {"-A -ab data -a", "-A -ab data "}})
        EXPECT_EQ(WithoutSwitch(RawString(text), "a").ToUtf8(), kept) << text;
}

TEST(AppCommandLine, LongAndWideInputFinishes) {
    std::string line = "v.exe ";
    while (line.size() < 32767) line += "-o \"x";  // unterminated quotes everywhere
    EXPECT_EQ(Parse(line).at(0).first, "o");

    std::u16string wide = u"v.exe ";
    wide.push_back(0xD800);  // a lone surrogate survives as a replacement
    wide += u" b";
    RawParameterList list;
    ParseCommandLine(RawString::FromWide(wide), &list);
    EXPECT_TRUE(list.Count() == 2 && list.Value("NoTag_2").ToUtf8() == "b");
}
