// Varnelo.exe -i and -i -a as processes: the lines they print, the exit code
// and what they did on disk.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"

using namespace TestSupport;

namespace {

class Batch : public TempDirTest {
protected:
    void SetUp() override {
        program = temp.Join(L"prog\\Varnelo.exe");
        ASSERT_TRUE(CreateFolder(temp.Join(L"prog")));
        ASSERT_TRUE(CreateFolder(temp.Join(L"data")));
        ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), program.c_str(), TRUE));
    }
    void File(const std::wstring& relative, const std::string& content = "x") {
        const std::wstring path = temp.Join(L"data\\" + relative);
        for (size_t at = path.find(L'\\', temp.Path().size() + 1); at != std::wstring::npos;
             at = path.find(L'\\', at + 1))
            CreateFolder(path.substr(0, at));
        ASSERT_TRUE(WriteFileBytes(path, content));
    }
    // Runs in the data folder; the lines printed, CR LF checked and removed.
    std::vector<std::string> Run(std::initializer_list<std::wstring> args, DWORD* code) {
        std::string out;
        EXPECT_TRUE(RunProcess(CommandLine(program, args), code, &out, 60000, temp.Join(L"data")));
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(out.substr(start, end - start));
        EXPECT_EQ(start, out.size()) << "every line ends with CR LF";
        return lines;
    }
    std::string Data(const std::wstring& relative = L"") {
        std::wstring path = temp.Join(L"data");
        if (!relative.empty()) path += L"\\" + relative;
        return Narrow(path);
    }
    std::wstring program;
};

}  // namespace

TEST_F(Batch, PlanRenamesNothing) {
    File(L"a.txt");
    File(L"b.doc");
    File(L"sub\\c.txt");
    DWORD code = 99;
    const auto lines = Run({L"-i", L"-o", L"*.txt", L"-n", L"%0.bak", L"-l", L"File", L"."}, &code);
    EXPECT_EQ(code, 0u);
    const std::vector<std::string> expected = {
        "PLAN\t" + Data(L"a.txt") + "\ta.bak",
        "PLAN\t" + Data(L"sub\\c.txt") + "\tc.bak",
        "2 planned",
    };
    std::vector<std::string> sorted = lines;
    std::sort(sorted.begin(), sorted.end() - 1);
    EXPECT_EQ(sorted, expected);
    EXPECT_TRUE(FileExists(temp.Join(L"data\\a.txt")));
    EXPECT_TRUE(FileExists(temp.Join(L"prog\\Varnelo.ini")));  // first start writes the main profile
}

TEST_F(Batch, ApplyReportsEveryItemAndKeepsCollisions) {
    File(L"a.txt", "one");
    File(L"a.doc", "two");
    File(L"\u65E5\u672C.txt", "jp");
    DWORD code = 99;
    const auto lines = Run({L"-i", L"-a", L"-o", L"*.*", L"-n", L"%0", L"-l", L"File", L"."}, &code);
    EXPECT_EQ(code, 1u);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines.back(), "2 renamed, 1 failed");
    int failed = 0;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        std::vector<std::string> fields;
        std::stringstream stream(lines[i]);
        for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
        if (fields[0] == "FAILED") {
            ++failed;
            ASSERT_EQ(fields.size(), 4u);
            EXPECT_EQ(fields[2], "a");
            EXPECT_FALSE(fields[3].empty());
        } else {
            EXPECT_EQ(fields[0], "OK");
            EXPECT_EQ(fields.size(), 3u);
        }
    }
    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(FileExists(temp.Join(L"data\\a")));
    EXPECT_TRUE(FileExists(temp.Join(L"data\\\u65E5\u672C")));
    const bool txtLeft = FileExists(temp.Join(L"data\\a.txt")), docLeft = FileExists(temp.Join(L"data\\a.doc"));
    EXPECT_NE(txtLeft, docLeft);  // exactly one of the two kept its name; nothing was overwritten
}

TEST_F(Batch, FolderWithItsContentAndForbiddenNames) {
    File(L"F\\x.txt");
    File(L"F\\S\\y.txt");
    DWORD code = 99;
    auto lines = Run({L"-i", L"-a", L"-o", L"*", L"-n", L"%0:old", L"-l", L"Both", L"F"}, &code);
    EXPECT_EQ(code, 1u);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("ERROR\t", 0), 0u) << lines.back();
    EXPECT_NE(lines.back().find(':'), std::string::npos);
    EXPECT_EQ(lines.size(), 5u);  // four plan lines, then the error
    EXPECT_TRUE(FileExists(temp.Join(L"data\\F\\S\\y.txt")));

    lines = Run({L"-a", L"-o", L"*", L"-n", L"%0_old", L"-l", L"Both", L"F"}, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(lines.back(), "4 renamed, 0 failed");
    EXPECT_TRUE(FileExists(temp.Join(L"data\\F_old\\S_old\\y.txt_old")));
    EXPECT_TRUE(FileExists(temp.Join(L"data\\F_old\\x.txt_old")));
}

TEST_F(Batch, BadInputGivesClearLines) {
    File(L"keep.txt", "keep");
    DWORD code = 99;
    // A start path that does not exist is an item whose rename fails.
    auto lines = Run({L"-i", L"-a", L"-o", L"*", L"-n", L"new", L"missing.txt"}, &code);
    EXPECT_EQ(code, 1u);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("FAILED\t" + Data(L"missing.txt") + "\tnew\t", 0), 0u) << lines[0];
    // An empty template checks nothing; a template that yields nothing fails.
    lines = Run({L"-i", L"-a", L"-o", L"*", L"-n", L"", L"keep.txt"}, &code);
    EXPECT_EQ(lines, std::vector<std::string>{"0 renamed, 0 failed"});
    lines = Run({L"-i", L"-a", L"-o", L"*", L"-n", L"%5", L"keep.txt"}, &code);
    EXPECT_EQ(code, 1u);
    EXPECT_EQ(lines.back(), "0 renamed, 1 failed");
    // A pattern of 10,000 units matches nothing and ends at once.
    lines = Run({L"-i", L"-o", std::wstring(10000, L'*') + L"x", L"-n", L"%0", L"keep.txt"}, &code);
    EXPECT_EQ(lines, std::vector<std::string>{"0 planned"});
    EXPECT_EQ(ReadFileBytes(temp.Join(L"data\\keep.txt")), "keep");
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
    std::vector<std::wstring> logs;
    WIN32_FIND_DATAW data;
    const RawLayer::RawFindHandle find(FindFirstFileW(temp.Join(L"prog\\logs\\Varnelo_*.log").c_str(), &data));
    ASSERT_TRUE(find);
    do logs.push_back(data.cFileName);
    while (FindNextFileW(find.Get(), &data));
    std::sort(logs.begin(), logs.end());
    EXPECT_EQ(logs.size(), 2u);  // rotation keeps two, and leaves foreign files alone
    EXPECT_EQ(ReadFileBytes(temp.Join(L"prog\\logs\\notes.txt")), "mine");
    const std::string text = ReadFileBytes(temp.Join(L"prog\\logs\\" + logs.back())).value_or("");
    EXPECT_EQ(text.rfind("// Varnelo Version 1.04.2025.0406\r\n// <TimeZone>UTC", 0), 0u) << text;
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
    struct Case {
        const char* what;
        std::vector<std::pair<std::wstring, std::string>> before;  // files below data, with contents
        std::wstring start;   // below data, given with the prefix in front
        std::wstring prefix;
        const wchar_t* oldName;
        const wchar_t* newName;
        const wchar_t* limitation;
        std::string last;
        std::wstring shown;  // an item whose OK line names it in the plain form
        std::vector<std::pair<std::wstring, std::string>> after;
        std::vector<std::wstring> gone;
    } cases[] = {
        {"tree of about 1,000 units", {{deep + L"\\f.txt", "deep"}}, L"deep", L"", L"*", L"%0_r", L"Both",
         "21 renamed, 0 failed", L"deep", {{deepRenamed + L"\\f.txt_r", "deep"}}, {L"deep"}},
        {"255-unit name", {{L"long\\" + name251 + L".txt", "long"}}, L"long", L"", L"*.txt", L"%0.dat", L"File",
         "1 renamed, 0 failed", L"long\\" + name251 + L".txt", {{L"long\\" + name251 + L".dat", "long"}},
         {L"long\\" + name251 + L".txt"}},
        {"trailing dot", {{L"dot\\a", "plain"}, {L"dot\\a.", "dot"}}, L"dot", L"", L"a.", L"b", L"File",
         "1 renamed, 0 failed", L"dot\\a.", {{L"dot\\a", "plain"}, {L"dot\\b", "dot"}}, {L"dot\\a."}},
        {"long-path start", {{L"q\\x.txt", "q"}}, L"q", L"\\\\?\\", L"*.txt", L"%0.y", L"File",
         "1 renamed, 0 failed", L"q\\x.txt", {{L"q\\x.y", "q"}}, {}},
        {"device start", {{L"v\\x.txt", "v"}}, L"v", L"\\\\.\\", L"*.txt", L"%0.y", L"File",
         "1 renamed, 0 failed", L"v\\x.txt", {{L"v\\x.y", "v"}}, {}},
    };
    // Made and checked through the long-path form, which the tests' own helpers take as it is.
    auto onDisk = [&](const std::wstring& relative) { return L"\\\\?\\" + temp.Join(L"data\\" + relative); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& [relative, content] : c.before) {
            for (size_t at = relative.find(L'\\'); at != std::wstring::npos; at = relative.find(L'\\', at + 1))
                CreateFolder(onDisk(relative.substr(0, at)));
            ASSERT_TRUE(WriteFileBytes(onDisk(relative), content));
        }
        DWORD code = 99;
        const auto lines = Run({L"-i", L"-a", L"-o", c.oldName, L"-n", c.newName, L"-l", c.limitation,
                                c.prefix + temp.Join(L"data\\" + c.start)},
                               &code);
        EXPECT_EQ(code, 0u);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), c.last);
        const std::string shown = "OK\t" + Data(c.shown) + "\t";
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(shown, 0) == 0; }))
            << shown;
        for (const auto& [relative, content] : c.after)
            EXPECT_EQ(ReadFileBytes(onDisk(relative)), content) << Narrow(relative);
        for (const std::wstring& relative : c.gone)
            EXPECT_EQ(GetFileAttributesW(onDisk(relative).c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(relative);
    }
}
