// Varnelo.exe -i and -i -a as processes: the lines they print, the exit code
// and what they did on disk.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "StopTestSupport.h"
#include "TestSupport.h"

using namespace TestSupport;

namespace {

class Batch : public ProgramTest {
protected:
    // Runs in the data folder; the lines printed, CR LF checked and removed.
    std::vector<std::string> Run(const std::vector<std::wstring>& args, DWORD* code) {
        std::string out;
        EXPECT_TRUE(RunProcess(CommandLine(program, args), code, &out, 60000, data));
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(out.substr(start, end - start));
        EXPECT_EQ(start, out.size()) << "every line ends with CR LF";
        return lines;
    }
    std::string Data(const std::wstring& relative) { return Narrow(data + L"\\" + relative); }
};

}  // namespace

// A counter numbers the items in the order a file manager shows them; the
// plan foresees the name it takes from a file that stays, and the run renames
// line for line as planned.
TEST_F(Batch, CounterRunFollowsItsPlan) {
    for (const wchar_t* file : {L"a10.txt", L"A3.txt", L"a2.txt", L"a1.txt", L"n3.txt"})
        ASSERT_TRUE(PutFile(data + L"\\" + file, Narrow(file)));
    const std::vector<std::wstring> rule = {L"-o", L"@[aA][0-9]+%.txt", L"-n", L"n%{n}.txt", L"-l", L"File", data};
    auto run = [&](std::vector<std::wstring> args) {
        args.insert(args.end(), rule.begin(), rule.end());
        DWORD code = 99;
        std::vector<std::string> lines = Run(args, &code);
        EXPECT_EQ(code, 1u);
        return lines;
    };
    const std::vector<std::string> plan = run({L"-i"});
    const std::vector<std::string> expected = {
        "PLAN\t" + Data(L"a1.txt") + "\tn1.txt", "PLAN\t" + Data(L"a2.txt") + "\tn2.txt",
        "CONFLICT\t" + Data(L"A3.txt") + "\tn3.txt\t*", "PLAN\t" + Data(L"a10.txt") + "\tn4.txt",
        "3 planned, 1 conflicts"};
    ASSERT_EQ(plan.size(), expected.size()) << ::testing::PrintToString(plan);
    for (size_t i = 0; i < plan.size(); ++i)
        EXPECT_EQ(plan[i].substr(0, expected[i].find('*')), expected[i].substr(0, expected[i].find('*')));
    const std::vector<std::string> done = run({L"-i", L"-a"});
    ASSERT_EQ(done.size(), plan.size()) << ::testing::PrintToString(done);
    // The tag, the path and the new name of a line.
    auto head = [](const std::string& line) {
        const size_t name = line.find('\t', line.find('\t') + 1) + 1;
        return line.substr(0, line.find('\t', name));
    };
    for (size_t i = 0; i + 1 < plan.size(); ++i) {
        std::string shouldBe = head(plan[i]);
        shouldBe.replace(0, shouldBe.find('\t'), plan[i].starts_with("PLAN") ? "OK" : "FAILED");
        EXPECT_EQ(head(done[i]), shouldBe);
    }
    EXPECT_EQ(done.back(), "3 renamed, 1 failed");
    EXPECT_EQ(TreeNames(data), (std::vector<std::string>{"A3.txt", "n1.txt", "n2.txt", "n3.txt", "n4.txt"}));
    EXPECT_EQ(ReadFileBytes(data + L"\\n4.txt"), "a10.txt");
}

namespace {

// Whether text is the pattern, where "*" stands for any run of text.
bool Like(const std::string& pattern, const std::string& text) {
    const size_t star = pattern.find('*');
    if (star == std::string::npos) return pattern == text;
    if (text.compare(0, star, pattern, 0, star) != 0) return false;
    for (size_t at = star; at <= text.size(); ++at)
        if (Like(pattern.substr(star + 1), text.substr(at))) return true;
    return false;
}

}  // namespace

// What a script meets, command after command over a real tree, each case
// with a log folder of its own: a choice not understood or an empty New name
// starts nothing, every start path not found is said, plan and run name an
// item alike, a name that stays as it is is no run to undo, an undo stopped
// part-way is continued and never skips its run, a pattern that misses only
// by case says so; -i tells each kind of conflict; and the edges where plan
// and run once parted.
TEST_F(Batch, ScriptCases) {
    struct Step {
        std::vector<std::wstring> args;  // %D: the case's folder
        DWORD code;
        // %D the folder, %L the log folder; "*" any text. A RUN line comes
        // first, the summary last, the lines between in any order.
        std::vector<std::string> lines;
        void (*before)(const std::wstring& d) = nullptr;
        const wchar_t* in = L"";  // the current folder, below the case's
    };
    struct Case {
        const char* name;
        std::vector<std::wstring> files;  // below the case's folder; each file holds its own path
        std::vector<Step> steps;
        std::map<std::string, std::string> after;  // a folder's name and "", or a file's and its content; empty: as before
        const char* profile = nullptr;  // the main profile, refused and left as it is; %P in the lines
    };
    const std::string held = "The program itself keeps this item or one inside it open*";
    const std::string noFolder = "The folder the item is in no longer exists.";
    const std::string taken = "The old name is taken by another item.";
    const std::string refused = "The new name ends in a space or a dot, which the file system drops.";
    const std::string forbidden =
        "ERROR\tThe New name holds the character :, which no file name may hold; nothing was renamed.";
    const std::string earlier = "An item earlier in the list takes this name first.";
    const std::string later = "An item of this name is there and is renamed only after this one.";
    const std::string there = "An item of this name is already there.";
    const std::wstring longName(256, L'n');
    const Case cases[] = {
        {"names taken earlier, later or already", {L"a.txt", L"a.doc", L"1_2", L"2_1", L"x", L"xx", L"B.TXT", L"\u00E9t\u00E9"},
         {{{L"-i", L"-o", L"*.*", L"-n", L"%0", L"a.txt", L"a.doc"}, 1,
           {"PLAN\t%D\\a.txt\ta", "CONFLICT\t%D\\a.doc\ta\t" + earlier, "1 planned, 1 conflicts"}},
          {{L"-i", L"-o", L"*_*", L"-n", L"%1_%0", L"1_2", L"2_1"}, 1,
           {"CONFLICT\t%D\\1_2\t2_1\t" + later, "CONFLICT\t%D\\2_1\t1_2\t" + there, "0 planned, 2 conflicts"}},
          {{L"-i", L"-o", L"*", L"-n", L"x%0", L"x", L"xx"}, 1,
           {"CONFLICT\t%D\\x\txx\t" + later, "PLAN\t%D\\xx\txxx", "1 planned, 1 conflicts"}},
          {{L"-i", L"-o", L"a.txt", L"-n", L"b.txt", L"-l", L"File", L"."}, 1,
           {"CONFLICT\t%D\\a.txt\tb.txt\t" + there, "0 planned, 1 conflicts"}},
          {{L"-i", L"-o", L"x", L"-n", L"\u00C9T\u00C9", L"x"}, 1,
           {"CONFLICT\t%D\\x\t\xC3\x89T\xC3\x89\t" + there, "0 planned, 1 conflicts"}}},
         {}},
        {"a folder blocked, its content renamed where it is; a folder named twice", {L"F\\x.txt", L"F_old\\k"},
         {{{L"-i", L"-o", L"*", L"-n", L"%0_old", L"-l", L"Both", L"F"}, 1,
           {"CONFLICT\t%D\\F\tF_old\t" + there, "PLAN\t%D\\F\\x.txt\tx.txt_old", "1 planned, 1 conflicts"}},
          {{L"-i", L"-o", L"*", L"-n", L"%0_2", L"-l", L"Both", L"F\\x.txt", L"F", L"f\\X.TXT"}, 0,
           {"PLAN\t%D\\F\\x.txt\tx.txt_2", "PLAN\t%D\\F\tF_2", "2 planned, 0 conflicts"}}},
         {}},
        {"refused new names and missing items", {L"a"},
         {{{L"-i", L"-o", L"*", L"-n", L"%0.", L"a"}, 1, {"CONFLICT\t%D\\a\ta.\t" + refused, "0 planned, 1 conflicts"}},
          {{L"-i", L"-o", L"a", L"-n", L"%q", L"a"}, 1,
           {"CONFLICT\t%D\\a\t\"\tThe new name holds the character \", which no file name may hold.",
            "0 planned, 1 conflicts"}},
          {{L"-i", L"-o", L"a", L"-n", longName, L"a"}, 1,
           {"CONFLICT\t%D\\a\t" + Narrow(longName) + "\tThe new name is longer than the 255 characters a file name may hold.",
            "0 planned, 1 conflicts"}},
          {{L"-i", L"-o", L"*", L"-n", L"%0_x", L"gone\\a", L"b"}, 1,
           {"CONFLICT\t%D\\gone\\a\ta_x\t" + noFolder, "CONFLICT\t%D\\b\tb_x\tThe item no longer exists.",
            "0 planned, 2 conflicts"}}},
         {}},
        {"plan renames nothing", {L"a.txt", L"b.doc", L"sub\\c.txt", L"\u65E5\u672C.txt"},
         {{{L"-i", L"-o", L"*.txt", L"-n", L"%0.bak", L"-l", L"File", L"."}, 0,
           {"PLAN\t%D\\a.txt\ta.bak", "PLAN\t%D\\sub\\c.txt\tc.bak",
            "PLAN\t%D\\\xE6\x97\xA5\xE6\x9C\xAC.txt\t\xE6\x97\xA5\xE6\x9C\xAC.bak", "3 planned, 0 conflicts"}}},
         {}},
        {"folder renamed with its content", {L"F\\x.txt"},
         {{{L"-i", L"-a", L"-o", L"*", L"-n", L"%0_old", L"-l", L"Both", L"F"}, 0,
           {"OK\t%D\\F\tF_old", "OK\t%D\\F\\x.txt\tx.txt_old", "2 renamed, 0 failed"}}},
         {{"F_old\\", ""}, {"F_old\\x.txt_old", "F\\x.txt"}}},
        {"trailing space, folder and content", {L"F\\x.txt"},
         {{{L"-i", L"-a", L"-o", L"*", L"-n", L"%0 ", L"-l", L"Both", L"F"}, 1,
           {"FAILED\t%D\\F\tF \t" + refused, "FAILED\t%D\\F\\x.txt\tx.txt \t" + refused, "0 renamed, 2 failed"}}},
         {}},
        {"sub-folder named, then its parent", {L"A\\B\\c.txt", L"A\\d.txt"},
         {{{L"-i", L"-a", L"-o", L"*", L"-n", L"%0_x", L"-l", L"Both", L"A\\B", L"A"}, 0,
           {"OK\t%D\\A\\B\tB_x", "OK\t%D\\A\\B\\c.txt\tc.txt_x", "OK\t%D\\A\tA_x", "OK\t%D\\A\\d.txt\td.txt_x",
            "4 renamed, 0 failed"}}},
         {{"A_x\\", ""}, {"A_x\\B_x\\", ""}, {"A_x\\B_x\\c.txt_x", "A\\B\\c.txt"}, {"A_x\\d.txt_x", "A\\d.txt"}}},
        {"one folder in two spellings", {L"F\\x.txt"},
         {{{L"-i", L"-o", L"*", L"-n", L"%0_old", L"-l", L"Both", L"F", L"\\\\?\\%D\\F"}, 0,
           {"PLAN\t%D\\F\tF_old", "PLAN\t%D\\F\\x.txt\tx.txt_old", "2 planned, 0 conflicts"}}},
         {}},
        {"two-character dot name", {L"D\\.a", L"D\\b"},
         {{{L"-i", L"-a", L"-o", L"*", L"-n", L"%0_x", L"-l", L"File", L"D"}, 0,
           {"OK\t%D\\D\\.a\t.a_x", "OK\t%D\\D\\b\tb_x", "2 renamed, 0 failed"}}},
         {{"D\\", ""}, {"D\\.a_x", "D\\.a"}, {"D\\b_x", "D\\b"}}},
        {"bad profile, -i -a", {L"x.txt"},
         {{{L"-i", L"-a", L"-o", L"*", L"-n", L"y", L"x.txt"}, 1, {"ERROR\tBad format profile !!\t%P"}}}, {},
         "[Common]\r\nLanguage=English\r\n"},
        {"bad profile, -i", {L"x.txt"}, {{{L"-i", L"x.txt"}, 1, {"ERROR\tBad format profile !!\t%P"}}}, {}, "[Other]\r\n"},
        {"unknown option and an empty start path", {L"x.txt"},
         {{{L"-i", L"-o", L"*", L"-n", L"y", L"-NoTag_9", L"x.txt"}, 0, {"0 planned, 0 conflicts"}},
          {{L"-i", L"-o", L"*", L"-n", L"y", L""}, 0, {"0 planned, 0 conflicts"}}},
         {}},
        {"a forbidden character or a bad token", {L"x.txt"},
         {{{L"-i", L"-o", L"*", L"-n", L"a:b", L"x.txt"}, 1, {"PLAN\t%D\\x.txt\ta:b", forbidden}},
          {{L"-i", L"-a", L"-o", L"*", L"-n", L"a:b", L"x.txt"}, 1, {"PLAN\t%D\\x.txt\ta:b", forbidden}},
          {{L"-i", L"-o", L"*", L"-n", L"a%{n:3", L"x.txt"}, 1,
           {"ERROR\tThe New name cannot be used: the token \"%{n:3\" has no closing \"}\"; nothing was renamed."}},
          {{L"-i", L"-a", L"-o", L"*", L"-n", L"%{N}", L"x.txt"}, 1,
           {"ERROR\tThe New name cannot be used: the token \"%{N}\" is unknown; nothing was renamed."}},
          {{L"-i", L"-o", L"*", L"-n", L"%{n:33}", L"x.txt"}, 1,
           {"ERROR\tThe New name cannot be used: the token \"%{n:33}\" asks for a width outside 1 to 32; nothing was "
            "renamed."}}},
         {}},
        {"usage in batch mode", {},
         {{{L"-i", L"-h"}, 0,
           {"Arguments = [-h] [-o OldName] [-n NewName] [-l Limitation] [-v ViewStyle] [-a] [-i] [-u] [Folder|File]*"}}},
         {}},
        {"template yields nothing", {L"k.txt"},
         {{{L"-i", L"-a", L"-o", L"*", L"-n", L"%5", L"k.txt"}, 1,
           {"FAILED\t%D\\k.txt\t\tThe new name is empty.", "0 renamed, 1 failed"}}},
         {}},
        {"mistyped limitation and view style", {L"pics\\a.jpg"},
         {{{L"-i", L"-a", L"-o", L"*", L"-n", L"old_%0", L"-l", L"Files", L"pics"}, 1,
           {"ERROR\tThe Limitation \"Files\" is not one of Dropped, Folder, File, Both; nothing was renamed."}},
          {{L"-i", L"-o", L"*", L"-n", L"old_%0", L"-l", L"File", L"-v", L"tree", L"pics"}, 1,
           {"ERROR\tThe ViewStyle \"tree\" is not one of TreeView, MatchedList; nothing was renamed."}}},
         {}},
        {"empty New name", {L"x.txt"},
         {{{L"-i", L"-a", L"-o", L"*", L"-n", L"", L"x.txt"}, 1, {"ERROR\tThe New name is empty."}}}, {}},
        {"start paths not found", {L"x.txt"},
         {{{L"-i", L"-o", L"*", L"-n", L"y", L"-l", L"File", L"x.txt", L"gone"}, 1,
           {"MISSING\t%D\\gone", "PLAN\t%D\\x.txt\ty", "1 planned, 0 conflicts"}},
          {{L"-i", L"-o", L"*.doc", L"-n", L"y", L"gone"}, 1, {"MISSING\t%D\\gone", "0 planned, 0 conflicts"}}},
         {}},
        {"a named path that an earlier rename would create", {L"a\\x"},
         {{{L"-i", L"-o", L"*", L"-n", L"%0_b", L"a", L"a_b\\x"}, 1,
           {"PLAN\t%D\\a\ta_b", "CONFLICT\t%D\\a_b\\x\tx_b\t" + noFolder, "1 planned, 1 conflicts"}},
          {{L"-i", L"-a", L"-o", L"*", L"-n", L"%0_b", L"a", L"a_b\\x"}, 1,
           {"OK\t%D\\a\ta_b", "FAILED\t%D\\a_b\\x\tx_b\t" + noFolder, "1 renamed, 1 failed"}}},
         {{"a_b\\", ""}, {"a_b\\x", "a\\x"}}},
        {"plan and run name an item by its path before the run", {L"Post (1995)\\01 a.mp3"},
         {{{L"-i", L"-o", L"* *", L"-n", L"%0_%1", L"-l", L"Both", L"Post (1995)"}, 0,
           {"PLAN\t%D\\Post (1995)\tPost_(1995)", "PLAN\t%D\\Post (1995)\\01 a.mp3\t01_a.mp3", "2 planned, 0 conflicts"}},
          {{L"-i", L"-a", L"-o", L"* *", L"-n", L"%0_%1", L"-l", L"Both", L"Post (1995)"}, 0,
           {"OK\t%D\\Post (1995)\tPost_(1995)", "OK\t%D\\Post (1995)\\01 a.mp3\t01_a.mp3", "2 renamed, 0 failed"}}},
         {{"Post_(1995)\\", ""}, {"Post_(1995)\\01_a.mp3", "Post (1995)\\01 a.mp3"}}},
        {"names that share a prefix", {L"F\\x", L"FG\\y"},
         {{{L"-i", L"-a", L"-o", L"*", L"-n", L"%0_r", L"-l", L"Both", L"F\\x", L"F", L"FG"}, 0,
           {"OK\t%D\\F\\x\tx_r", "OK\t%D\\F\tF_r", "OK\t%D\\FG\tFG_r", "OK\t%D\\FG\\y\ty_r", "4 renamed, 0 failed"}}},
         {{"F_r\\", ""}, {"F_r\\x_r", "F\\x"}, {"FG_r\\", ""}, {"FG_r\\y_r", "FG\\y"}}},
        {"one name in two cases beyond ASCII", {L"\u00C4rger.txt"},
         {{{L"-i", L"-o", L"*", L"-n", L"%0_r", L"\u00C4rger.txt", L"\u00E4rger.txt"}, 0,
           {"PLAN\t%D\\\xC3\x84rger.txt\t\xC3\x84rger.txt_r", "1 planned, 0 conflicts"}},
          {{L"-i", L"-a", L"-o", L"*", L"-n", L"%0_r", L"\u00C4rger.txt", L"\u00E4rger.txt"}, 0,
           {"OK\t%D\\\xC3\x84rger.txt\t\xC3\x84rger.txt_r", "1 renamed, 0 failed"}}},
         {{"\xC3\x84rger.txt_r", "\xC3\x84rger.txt"}}},
        {"the program's current folder and its log folder", {L"d\\x"},
         {{{L"-i", L"-o", L"*", L"-n", L"%0_r", L"%L"}, 1, {"CONFLICT\t%L\t*\t" + held, "0 planned, 1 conflicts"}},
          {{L"-i", L"-o", L"*", L"-n", L"%0_r", L"."}, 0, {"PLAN\t%D\\d\td_r", "1 planned, 0 conflicts"}, nullptr, L"d"},
          {{L"-i", L"-a", L"-o", L"*", L"-n", L"%0_r", L"."}, 0, {"OK\t%D\\d\td_r", "1 renamed, 0 failed"}, nullptr, L"d"}},
         {{"d_r\\", ""}, {"d_r\\x", "d\\x"}}},
        {"a name that stays as it is is no run to undo", {L"a.txt"},
         {{{L"-i", L"-a", L"-o", L"a.txt", L"-n", L"b.txt", L"a.txt"}, 0, {"OK\t%D\\a.txt\tb.txt", "1 renamed, 0 failed"}},
          {{L"-i", L"-a", L"-o", L"*.txt", L"-n", L"%0.txt", L"-l", L"File", L"."}, 0,
           {"OK\t%D\\b.txt\tb.txt\tUnchanged: the new name is the old name.", "0 renamed, 0 failed, 1 unchanged"}},
          {{L"-u"}, 0, {"RUN\t*\t1 item\t*", "UNDO\t%D\\b.txt\ta.txt", "1 restored, 0 failed"}}},
         {}},
        {"one item that cannot go back", {L"a"},
         {{{L"-i", L"-a", L"-o", L"a", L"-n", L"b", L"a"}, 0, {"OK\t%D\\a\tb", "1 renamed, 0 failed"}},
          {{L"-u"}, 1, {"RUN\t*\t1 item\t*", "FAILED\t%D\\b\ta\t" + taken, "0 restored, 1 failed"},
           [](const std::wstring& d) { WriteFileBytes(d + L"\\a", "new a"); }}},
         {{"a", "new a"}, {"b", "a"}}},
        {"an undo stopped part-way is continued and never skips its run", {L"x", L"a", L"c"},
         {{{L"-i", L"-a", L"-o", L"x", L"-n", L"x1", L"x"}, 0, {"OK\t%D\\x\tx1", "1 renamed, 0 failed"}},
          {{L"-i", L"-a", L"-o", L"*", L"-n", L"%0_1", L"a", L"c"}, 0,
           {"OK\t%D\\a\ta_1", "OK\t%D\\c\tc_1", "2 renamed, 0 failed"}},
          {{L"-u"}, 1, {"RUN\t*\t2 items\t*", "UNDO\t%D\\c_1\tc", "FAILED\t%D\\a_1\ta\t" + taken, "1 restored, 1 failed"},
           [](const std::wstring& d) { WriteFileBytes(d + L"\\a", "new a"); }},
          {{L"-u", L"-i"}, 0, {"RUN\t*\t2 items, 1 back already\t*", "UNDO\t%D\\a_1\ta", "1 planned, 0 failed"},
           [](const std::wstring& d) { DeleteFileW((d + L"\\a").c_str()); }},
          {{L"-u"}, 0, {"RUN\t*\t2 items, 1 back already\t*", "UNDO\t%D\\a_1\ta", "1 restored, 0 failed"}},
          {{L"-u"}, 0, {"RUN\t*\t1 item\t*", "UNDO\t%D\\x1\tx", "1 restored, 0 failed"}}},
         {}},
        {"a pattern that matches only ignoring case", {L"IMG_0001.JPG", L"IMG_0002.JPG"},
         {{{L"-i", L"-o", L"IMG_*.jpg", L"-n", L"x", L"-l", L"File", L"."}, 0,
           {"NOTE\tOld-name patterns are case-sensitive: 2 names match IMG_*.jpg ignoring case.", "0 planned, 0 conflicts"}}},
         {}},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        data = temp.Join(L"script" + std::to_wstring(++number));
        const std::wstring logs = temp.Join(L"prog\\logs" + std::to_wstring(number));
        const std::wstring profile = temp.Join(L"prog\\Varnelo.ini");
        ASSERT_TRUE(WriteFileBytes(profile, c.profile ? std::string(c.profile)
                                                      : "[Common]\r\nProgram=Varnelo\r\n[Option]\r\nLogFolder=" +
                                                            Narrow(logs) + "\r\n"));
        ASSERT_TRUE(CreateFolder(data));
        for (const std::wstring& file : c.files) ASSERT_TRUE(PutFile(data + L"\\" + file, Narrow(file)));
        const auto before = TreeSnapshot(data);
        auto expand = [&](std::string text) {
            for (auto [mark, by] : {std::pair{"%D", Narrow(data)}, {"%L", Narrow(logs)}, {"%P", Narrow(profile)}})
                for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 2, by);
            return text;
        };
        int stepNumber = 0;
        for (const Step& step : c.steps) {
            SCOPED_TRACE("step " + std::to_string(++stepNumber));
            if (step.before) step.before(data);
            std::vector<std::wstring> args;
            for (const std::wstring& arg : step.args) args.push_back(Widen(expand(Narrow(arg))));
            DWORD code = 99;
            std::string out;
            ASSERT_TRUE(RunProcess(CommandLine(program, args), &code, &out, 60000, data + (*step.in ? L"\\" : L"") + step.in));
            EXPECT_EQ(code, step.code);
            std::vector<std::string> lines, expected;
            for (size_t at = 0, end; (end = out.find("\r\n", at)) != std::string::npos; at = end + 2)
                lines.push_back(out.substr(at, end - at));
            for (const std::string& line : step.lines) expected.push_back(expand(line));
            ASSERT_EQ(lines.size(), expected.size()) << out;
            const size_t first = expected[0].starts_with("RUN\t") ? 1 : 0;
            std::sort(lines.begin() + first, lines.end() - 1);
            std::sort(expected.begin() + first, expected.end() - 1);
            for (size_t i = 0; i < lines.size(); ++i) EXPECT_TRUE(Like(expected[i], lines[i])) << lines[i];
        }
        EXPECT_EQ(TreeSnapshot(data), c.after.empty() ? before : c.after);
        if (c.profile) { EXPECT_EQ(ReadFileBytes(profile), c.profile); }
    }
}

TEST_F(Batch, WritesItsJobLog) {
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"prog\\Varnelo.ini"),
                               "[Common]\r\nProgram=Varnelo\r\n[Option]\r\nLogFolder=logs\r\nMaxLogFiles=2\r\n"));
    ASSERT_TRUE(CreateFolder(temp.Join(L"prog\\logs")));
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"prog\\logs\\notes.txt"), "mine"));
    DWORD code = 99;
    for (int run = 0; run < 3; ++run) {
        Run({L"-i", L"-n", L"x", L"."}, &code);
        EXPECT_EQ(code, 0u);
    }
    const auto logs = TreeSnapshot(temp.Join(L"prog\\logs"));
    ASSERT_EQ(logs.size(), 3u);  // rotation keeps two, and leaves foreign files alone
    EXPECT_EQ(logs.rbegin()->second, "mine");
    // Its header and records are the job log's own tests' part.
    const std::string text = std::next(logs.rbegin())->second;
    EXPECT_LT(text.find("#Information:Started:"), text.find("#Information:Terminated:")) << text;
    EXPECT_NE(text.find("#Information:Terminated:"), std::string::npos) << text;
}

// Every file call goes through the long-path form: trees deeper than 260
// units, names of 255 units, and names the plain form trims ("a." is "a"
// there) are renamed on disk as planned; a start path given in the long-path
// or device form names the items of its plain form, which is what is shown.
TEST_F(Batch, LongPathsAndTrimmedNames) {
    const std::wstring level(47, L'x');
    std::wstring deep = L"deep", deepRenamed = L"deep_r";
    for (int i = 10; i < 29; ++i) {
        deep += L"\\d" + std::to_wstring(i) + level;
        deepRenamed += L"\\d" + std::to_wstring(i) + level + L"_r";
    }
    ASSERT_GT(temp.Join(L"data\\" + deep).size(), 1000u);
    const std::wstring name251(251, L'n');
    using Files = std::vector<std::pair<std::wstring, std::string>>;  // below data, with contents
    struct Case {
        const char* what;
        Files before;
        std::wstring start, prefix;  // below data, given with the prefix in front
        const wchar_t *oldName, *newName, *limitation;
        std::string last;
        std::wstring shown;  // an item whose OK line names it in the plain form
        Files after;         // an empty content: the file is gone
    } cases[] = {
        {"tree of about 1,000 units", {{deep + L"\\f.txt", "deep"}}, L"deep", L"", L"*", L"%0_r", L"Both",
         "21 renamed, 0 failed", L"deep", {{deepRenamed + L"\\f.txt_r", "deep"}, {deep, ""}}},
        {"255-unit name", {{L"long\\" + name251 + L".txt", "long"}}, L"long", L"", L"*.txt", L"%0.dat", L"File",
         "1 renamed, 0 failed", L"long\\" + name251 + L".txt",
         {{L"long\\" + name251 + L".dat", "long"}, {L"long\\" + name251 + L".txt", ""}}},
        {"trailing dot", {{L"dot\\a", "plain"}, {L"dot\\a.", "dot"}}, L"dot", L"", L"a.", L"b", L"File",
         "1 renamed, 0 failed", L"dot\\a.", {{L"dot\\a", "plain"}, {L"dot\\b", "dot"}, {L"dot\\a.", ""}}},
        {"long-path start", {{L"q\\x.txt", "q"}}, L"q", L"\\\\?\\", L"*.txt", L"%0.y", L"File",
         "1 renamed, 0 failed", L"q\\x.txt", {{L"q\\x.y", "q"}}},
        {"device start", {{L"v\\x.txt", "v"}}, L"v", L"\\\\.\\", L"*.txt", L"%0.y", L"File",
         "1 renamed, 0 failed", L"v\\x.txt", {{L"v\\x.y", "v"}}},
    };
    // Made and checked through the long-path form, which the tests' own helpers take as it is.
    auto onDisk = [&](const std::wstring& relative) { return L"\\\\?\\" + temp.Join(L"data\\" + relative); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [relative, content] : c.before) ASSERT_TRUE(PutFile(onDisk(relative), content));
        DWORD code = 99;
        const auto lines = Run(
            {L"-i", L"-a", L"-o", c.oldName, L"-n", c.newName, L"-l", c.limitation, c.prefix + data + L"\\" + c.start}, &code);
        EXPECT_EQ(code, 0u);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), c.last);
        const std::string shown = "OK\t" + Data(c.shown) + "\t";
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(shown, 0) == 0; }))
            << shown;
        for (const auto& [relative, content] : c.after) {
            if (content.empty()) EXPECT_EQ(GetFileAttributesW(onDisk(relative).c_str()), INVALID_FILE_ATTRIBUTES);
            else EXPECT_EQ(ReadFileBytes(onDisk(relative)), content) << Narrow(relative);
        }
    }
}

namespace {

BOOL WINAPI KeepTestRunning(DWORD event) { return event == CTRL_C_EVENT; }

}  // namespace

// Ctrl+C in the console the run was started from stops it between two
// items: its journal true, the last line tells what was not tried, exit 1.
TEST_F(ProgramTest, CtrlCStopsABatchRunBetweenTwoItems) {
    const std::wstring logs = temp.Join(L"logs");
    const auto before = StopTest::MakeTree(data, program, logs);
    // The program shares this test's console; the test itself lives on.
    // A console of its own, which the program attaches to: Wine's console
    // for redirected programs passes no Ctrl+C. The standard handles stay
    // where the test runner put them.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), error = GetStdHandle(STD_ERROR_HANDLE);
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    SetStdHandle(STD_OUTPUT_HANDLE, out);
    SetStdHandle(STD_ERROR_HANDLE, error);
    ASSERT_TRUE(SetConsoleCtrlHandler(&KeepTestRunning, TRUE));
    struct Restore {
        ~Restore() { SetConsoleCtrlHandler(&KeepTestRunning, FALSE); }
    } restore;
    StopTest::Started batch;
    ASSERT_TRUE(batch.Start(CommandLine(program, {L"-i", L"-a", L"-o", L"f*.txt", L"-n", L"x_%0", L"-l", L"File", L"."}),
                            data));
    auto renamedLines = [&] {
        const std::string all = "\n" + batch.output;
        int32_t count = 0;
        for (size_t at = 0; (at = all.find("\nOK\t", at)) != std::string::npos; ++at) ++count;
        return count;
    };
    ASSERT_TRUE(batch.Until([&] { return renamedLines() >= 500; }));
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_EQ(batch.End(), 1u);
    const std::string& lines = batch.output;
    const size_t last = lines.rfind("\r\n", lines.size() - 3);
    int renamed = -1, failed = -1, untried = -1;
    ASSERT_EQ(sscanf(lines.c_str() + last + 2, "%d renamed, %d failed, %d not tried", &renamed, &failed, &untried), 3)
        << lines.substr(last);
    EXPECT_EQ(renamed, renamedLines());
    EXPECT_GE(renamed, 500);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(renamed + untried, StopTest::kFiles);
    StopTest::CheckAndUndo(program, data, logs, before, renamed);
}
