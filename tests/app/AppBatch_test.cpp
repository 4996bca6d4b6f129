// Varnelo.exe -i and -i -a as processes: the lines they print, the exit code
// and what they did on disk.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "VarneloVersion.h"

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

// One table of runs, each in a fresh folder: the lines printed (in any order
// but the last), the exit code and the tree afterwards.
TEST_F(Batch, RunsTable) {
    struct Case {
        const char* name;
        std::vector<std::wstring> files;  // below the case's folder; each file holds its own path
        std::vector<std::wstring> args;   // %D: the case's folder
        DWORD code;
        // %D: the case's folder, %P: the main profile; a trailing "*" matches any rest
        std::vector<std::string> lines;
        // a folder's name and "", or a file's name and the path it had; empty: nothing changed
        std::map<std::string, std::string> after;
        const char* profile = nullptr;  // the main profile's content; none: written at start
    };
    const std::string refused = "The new name ends in a space or a dot, which the file system drops.";
    const Case cases[] = {
        {"plan renames nothing", {L"a.txt", L"b.doc", L"sub\\c.txt", L"\u65E5\u672C.txt"},
         {L"-i", L"-o", L"*.txt", L"-n", L"%0.bak", L"-l", L"File", L"."}, 0,
         {"PLAN\t%D\\a.txt\ta.bak", "PLAN\t%D\\sub\\c.txt\tc.bak",
          "PLAN\t%D\\\xE6\x97\xA5\xE6\x9C\xAC.txt\t\xE6\x97\xA5\xE6\x9C\xAC.bak", "3 planned, 0 conflicts"}, {}},
        {"folder renamed with its content", {L"F\\x.txt"}, {L"-i", L"-a", L"-o", L"*", L"-n", L"%0_old", L"-l", L"Both", L"F"}, 0,
         {"OK\t%D\\F\tF_old", "OK\t%D\\F_old\\x.txt\tx.txt_old", "2 renamed, 0 failed"},
         {{"F_old\\", ""}, {"F_old\\x.txt_old", "F\\x.txt"}}},
        {"trailing space, folder and content", {L"F\\x.txt"}, {L"-i", L"-a", L"-o", L"*", L"-n", L"%0 ", L"-l", L"Both", L"F"}, 1,
         {"FAILED\t%D\\F\tF \t" + refused, "FAILED\t%D\\F\\x.txt\tx.txt \t" + refused, "0 renamed, 2 failed"}, {}},
        {"sub-folder named, then its parent", {L"A\\B\\c.txt", L"A\\d.txt"},
         {L"-i", L"-a", L"-o", L"*", L"-n", L"%0_x", L"-l", L"Both", L"A\\B", L"A"}, 0,
         {"OK\t%D\\A\\B\tB_x", "OK\t%D\\A\\B_x\\c.txt\tc.txt_x", "OK\t%D\\A\tA_x", "OK\t%D\\A_x\\d.txt\td.txt_x",
          "4 renamed, 0 failed"},
         {{"A_x\\", ""}, {"A_x\\B_x\\", ""}, {"A_x\\B_x\\c.txt_x", "A\\B\\c.txt"}, {"A_x\\d.txt_x", "A\\d.txt"}}},
        {"photos beside photos2", {L"photos\\a.jpg", L"photos2\\b.jpg"},
         {L"-i", L"-a", L"-o", L"*", L"-n", L"%0_x", L"-l", L"Both", L"photos", L"photos2"}, 0,
         {"OK\t%D\\photos\tphotos_x", "OK\t%D\\photos_x\\a.jpg\ta.jpg_x", "OK\t%D\\photos2\tphotos2_x",
          "OK\t%D\\photos2_x\\b.jpg\tb.jpg_x", "4 renamed, 0 failed"},
         {{"photos_x\\", ""}, {"photos_x\\a.jpg_x", "photos\\a.jpg"}, {"photos2_x\\", ""},
          {"photos2_x\\b.jpg_x", "photos2\\b.jpg"}}},
        {"one folder in two spellings", {L"F\\x.txt"},
         {L"-i", L"-o", L"*", L"-n", L"%0_old", L"-l", L"Both", L"F", L"\\\\?\\%D\\F"}, 0,
         {"PLAN\t%D\\F\tF_old", "PLAN\t%D\\F\\x.txt\tx.txt_old", "2 planned, 0 conflicts"}, {}},
        {"two-character dot name", {L"D\\.a", L"D\\b"}, {L"-i", L"-a", L"-o", L"*", L"-n", L"%0_x", L"-l", L"File", L"D"}, 0,
         {"OK\t%D\\D\\.a\t.a_x", "OK\t%D\\D\\b\tb_x", "2 renamed, 0 failed"}, {{"D\\", ""}, {"D\\.a_x", "D\\.a"}, {"D\\b_x", "D\\b"}}},
        {"bad profile, -i -a", {L"x.txt"}, {L"-i", L"-a", L"-o", L"*", L"-n", L"y", L"x.txt"}, 1,
         {"ERROR\tBad format profile !!\t%P"}, {}, "[Common]\r\nLanguage=English\r\n"},
        {"bad profile, -i", {L"x.txt"}, {L"-i", L"x.txt"}, 1, {"ERROR\tBad format profile !!\t%P"}, {}, "[Other]\r\n"},
        {"unknown option", {L"x.txt"}, {L"-i", L"-o", L"*", L"-n", L"y", L"-NoTag_9", L"x.txt"}, 0, {"0 planned, 0 conflicts"}, {}},
        {"empty start path", {L"x.txt"}, {L"-i", L"-o", L"*", L"-n", L"y", L""}, 0, {"0 planned, 0 conflicts"}, {}},
        {"-i refuses a forbidden character", {L"x.txt"}, {L"-i", L"-o", L"*", L"-n", L"a:b", L"x.txt"}, 1,
         {"PLAN\t%D\\x.txt\ta:b", "ERROR\tThe New name holds the character :, which no file name may hold; nothing was renamed."},
         {}},
        {"-i -a refuses it too", {L"x.txt"}, {L"-i", L"-a", L"-o", L"*", L"-n", L"a:b", L"x.txt"}, 1,
         {"PLAN\t%D\\x.txt\ta:b", "ERROR\tThe New name holds the character :, which no file name may hold; nothing was renamed."},
         {}},
        {"-i refuses an unclosed token", {L"x.txt"}, {L"-i", L"-o", L"*", L"-n", L"a%{n:3", L"x.txt"}, 1,
         {"ERROR\tThe New name cannot be used: the token \"%{n:3\" has no closing \"}\"; nothing was renamed."}, {}},
        {"-i -a refuses an unknown token", {L"x.txt"}, {L"-i", L"-a", L"-o", L"*", L"-n", L"%{N}", L"x.txt"}, 1,
         {"ERROR\tThe New name cannot be used: the token \"%{N}\" is unknown; nothing was renamed."}, {}},
        {"-i refuses a width beyond 32", {L"x.txt"}, {L"-i", L"-o", L"*", L"-n", L"%{n:33}", L"x.txt"}, 1,
         {"ERROR\tThe New name cannot be used: the token \"%{n:33}\" asks for a width outside 1 to 32; nothing was "
          "renamed."}, {}},
        {"usage in batch mode", {}, {L"-i", L"-h"}, 0,
         {"Arguments = [-h] [-o OldName] [-n NewName] [-l Limitation] [-v ViewStyle] [-a] [-i] [Folder|File]*"}, {}},
        {"missing start path", {}, {L"-i", L"-a", L"-o", L"*", L"-n", L"new", L"missing.txt"}, 1,
         {"FAILED\t%D\\missing.txt\tnew\t*", "0 renamed, 1 failed"}, {}},
        {"template yields nothing", {L"k.txt"}, {L"-i", L"-a", L"-o", L"*", L"-n", L"%5", L"k.txt"}, 1,
         {"FAILED\t%D\\k.txt\t\tThe new name is empty.", "0 renamed, 1 failed"}, {}},
    };
    const std::wstring profile = temp.Join(L"prog\\Varnelo.ini");
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        data = temp.Join(L"case" + std::to_wstring(++number));
        ASSERT_TRUE(CreateFolder(data));
        for (const std::wstring& file : c.files) ASSERT_TRUE(PutFile(data + L"\\" + file, Narrow(file)));
        DeleteFileW(profile.c_str());
        if (c.profile) { ASSERT_TRUE(WriteFileBytes(profile, c.profile)); }
        const auto before = TreeSnapshot(data);
        auto expand = [&](std::string text) {
            for (auto [mark, by] : {std::pair{"%D", Narrow(data)}, std::pair{"%P", Narrow(profile)}})
                for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 2, by);
            return text;
        };
        std::vector<std::wstring> args;
        for (const std::wstring& arg : c.args) args.push_back(Widen(expand(Narrow(arg))));
        DWORD code = 99;
        std::vector<std::string> lines = Run(args, &code);
        EXPECT_EQ(code, c.code);
        std::vector<std::string> expected;
        for (const std::string& line : c.lines) expected.push_back(expand(line));
        EXPECT_EQ(lines.size(), expected.size()) << ::testing::PrintToString(lines);
        if (!lines.empty()) std::sort(lines.begin(), lines.end() - 1);
        std::sort(expected.begin(), expected.end() - 1);
        for (size_t i = 0; i < lines.size() && lines.size() == expected.size(); ++i) {
            const std::string& e = expected[i];
            if (e.ends_with("*")) { EXPECT_EQ(lines[i].substr(0, e.size() - 1), e.substr(0, e.size() - 1)); }
            else EXPECT_EQ(lines[i], e);
        }
        EXPECT_EQ(TreeSnapshot(data), c.after.empty() ? before : c.after);
        if (c.profile) { EXPECT_EQ(ReadFileBytes(profile), c.profile) << "a refused profile is left as it was"; }
    }
}

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

TEST_F(Batch, WritesItsJobLog) {
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"prog\\Varnelo.ini"),
                               "[Common]\r\nProgram=Varnelo\r\n[Option]\r\nLogFolder=logs\r\nMaxLogFiles=2\r\n"));
    ASSERT_TRUE(CreateFolder(temp.Join(L"prog\\logs")));
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"prog\\logs\\notes.txt"), "mine"));
    DWORD code = 99;
    for (int run = 0; run < 3; ++run) {
        Run({L"-i", L"."}, &code);
        EXPECT_EQ(code, 0u);
    }
    const auto logs = TreeSnapshot(temp.Join(L"prog\\logs"));
    ASSERT_EQ(logs.size(), 3u);  // rotation keeps two, and leaves foreign files alone
    EXPECT_EQ(logs.rbegin()->second, "mine");
    const std::string text = std::next(logs.rbegin())->second;
    const std::string header = std::string("// Varnelo Version ") + VARNELO_VERSION_TEXT + "\r\n// <TimeZone>UTC";
    EXPECT_EQ(text.rfind(header, 0), 0u) << text;
    const size_t started = text.find("#Information:Started:"), terminated = text.find("#Information:Terminated:");
    EXPECT_NE(started, std::string::npos);
    EXPECT_NE(terminated, std::string::npos);
    EXPECT_LT(started, terminated);
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
