// Run journals and taking runs back: names, rotation with the logs, the lines
// a run writes, undo plans against the disk, and -u of Varnelo.exe, a run
// killed half-way included.
#include "job/JobJournal.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "job/JobLog.h"
#include "job/JobRename.h"

using namespace JobLayer;
using namespace TestSupport;
using RawLayer::RawString;

namespace {

RawString Path(const std::wstring& path) { return RawString::FromWide(path.c_str()); }

const char kLog[] = "Varnelo_20250406_031502_250.log";

void Put(const std::wstring& base, const std::wstring& relative, const std::string& bytes) {
    ASSERT_TRUE(PutFile(base + L"\\" + relative, bytes));
}

void SetWriteTime(const std::wstring& path, uint64_t time) {
    const RawLayer::RawFileHandle h(
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME ft{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    ASSERT_TRUE(h && SetFileTime(h.Get(), nullptr, nullptr, &ft));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    EXPECT_EQ(at, text.size()) << "every line ends with CR LF";
    return lines;
}

TEST(JobJournalNames, PairWithTheirLogOnly) {
    EXPECT_EQ(JournalPathOf("D:\\logs\\Varnelo_20250406_031502_250.log", 1).ToUtf8(),
              "D:\\logs\\Varnelo_20250406_031502_250.journal");
    EXPECT_EQ(JournalPathOf("D:\\logs\\Varnelo_20250406_031502_250.log", 12).ToUtf8(),
              "D:\\logs\\Varnelo_20250406_031502_250.12.journal");
    EXPECT_TRUE(JournalPathOf("", 1).IsEmpty());
    struct Case { const char *name, *log; } cases[] = {
        {"Varnelo_20250406_031502_250.journal", kLog}, {"Varnelo_20250406_031502_250.2.journal", kLog},
        {"VARNELO_20250406_031502_250.Journal", "VARNELO_20250406_031502_250.log"},
        {"Varnelo_20250406_031502_250.1.journal", ""}, {"Varnelo_20250406_031502_250.02.journal", ""},
        {"Varnelo_20250406_031502_250..journal", ""}, {"Varnelo_20250406_031502_25.journal", ""},
        {"Varnelo_20250406_031502_250.log", ""}, {"Varnelo_20250406_031502_250.journal.txt", ""},
        {"MyVarnelo_20250406_031502_250.journal", ""}, {"notes.journal", ""}, {".journal", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(LogNameOfJournal(c.name).ToUtf8(), c.log) << c.name;
}

// A journal as a run writes it, with the undo's mark when undone.
std::string JournalText(const std::string& run, bool undone) {
    return "// Varnelo Version 1\r\n// <Log>x.log\r\n// <Run>" + run + "\r\n\r\nD:\\a\tD:\\b\t-\r\n" +
           "#Information:Ended:" + run + "\r\n" + (undone ? "#Information:Undone:" + run + "\r\n" : "");
}

// Journals go with their logs, the journals of a log deleted by hand too,
// while the newest run's and the newest run's that can be undone stay
// whatever MaxLogFiles says, until a newer run has one.
TEST(JobJournalRotation, JournalsGoWithTheirLogsButAnUndoKeepsItsRun) {
    TempDir temp;
    struct File {
        const wchar_t* name;
        int day;           // its age
        const char* run;   // a journal's run time; nullptr: one byte
        bool undone;
        bool staysFirst;   // after the rotation with three older runs
    };
    const File files[] = {
        {L"Varnelo_20240101_000000_000.log", 1, nullptr, false, false},
        {L"Varnelo_20240101_000000_000.journal", 1, "20240101.000000.000", false, false},
        {L"Varnelo_20240102_000000_000.log", 2, nullptr, false, false},
        {L"Varnelo_20240102_000000_000.journal", 2, "20240102.000000.000", false, true},  // newest undoable
        {L"Varnelo_20240103_000000_000.log", 3, nullptr, false, false},
        {L"Varnelo_20240103_000000_000.journal", 3, "20240103.000000.000", true, true},  // newest
        {L"Varnelo_20200101_000000_000.journal", 0, "20200101.000000.000", false, false},  // its log deleted by hand
        {L"Varnelo_20240101_000000_000.journal.bak", 0, nullptr, false, true},
        {L"notes.journal", 0, nullptr, false, true},
    };
    for (const File& f : files) {
        Put(temp.Path(), f.name, f.run ? JournalText(f.run, f.undone) : "x");
        SetWriteTime(temp.Join(f.name), 133000000000000000ull + static_cast<uint64_t>(f.day) * 864000000000ull);
    }
    EXPECT_EQ(RotateLogs(Path(temp.Path()), 1), 3);
    for (const File& f : files) EXPECT_EQ(FileExists(temp.Join(f.name)), f.staysFirst) << Narrow(f.name);
    // A newer run: the two kept ones go with the next rotation.
    Put(temp.Path(), L"Varnelo_20240104_000000_000.log", "x");
    Put(temp.Path(), L"Varnelo_20240104_000000_000.journal", JournalText("20240104.000000.000", false));
    EXPECT_EQ(RotateLogs(Path(temp.Path()), 1), 1);
    EXPECT_EQ(TreeNames(temp.Path()), (std::vector<std::string>{"Varnelo_20240101_000000_000.journal.bak",
                                                                "Varnelo_20240104_000000_000.journal", "notes.journal"}));
}

class JobJournalDisk : public TempDirTest {
protected:
    void SetUp() override {
        log = Path(temp.Join(L"logs\\" + Widen(kLog)));
        ASSERT_TRUE(CreateFolder(temp.Join(L"logs")));
        ASSERT_TRUE(WriteFileBytes(temp.Join(L"logs\\" + Widen(kLog)), ""));
        ASSERT_TRUE(CreateFolder(temp.Join(L"d")));
    }
    std::wstring D(const std::wstring& relative) { return temp.Join(L"d\\" + relative); }
    // A run of the given renames below d, started at the given second.
    std::wstring Run(const std::vector<std::pair<std::wstring, std::wstring>>& moves, uint16_t second = 0) {
        JobJournal journal(log, RawSystemTime{2025, 4, 6, 3, 20, second, 0});
        for (const auto& [from, to] : moves) journal.Move(Path(D(from)), Path(D(to)));
        journal.Close();
        return Widen(journal.Path().ToUtf8());
    }
    RawString log;
};

TEST_F(JobJournalDisk, LinesAsTheRenamesGoAndAFileForEachRun) {
    Put(D(L""), L"a.txt", "12345");
    Put(D(L""), L"\u65E5.txt", "jp");
    Put(D(L""), L"taken", "t");
    CreateFolder(D(L"F"));
    SetWriteTime(D(L"a.txt"), 133000000000000001ull);
    SetWriteTime(D(L"\u65E5.txt"), 133000000000000002ull);
    const std::wstring path = temp.Join(L"logs\\Varnelo_20250406_031502_250.journal");
    {
        JobJournal journal(log, RawSystemTime{2025, 4, 6, 3, 16, 0, 7});
        EXPECT_EQ(journal.Move(Path(D(L"missing")), Path(D(L"m2"))), 2u);
        EXPECT_EQ(journal.Move(Path(D(L"a.txt")), Path(D(L"b.txt"))), 0u);
        EXPECT_NE(journal.Move(Path(D(L"\u65E5.txt")), Path(D(L"taken"))), 0u);
        EXPECT_EQ(journal.Move(Path(D(L"\u65E5.txt")), Path(D(L"\u672C.txt"))), 0u);
        EXPECT_EQ(journal.Move(Path(D(L"F")), Path(D(L"G"))), 0u);
        EXPECT_EQ(journal.Count(), 3);
        EXPECT_EQ(Widen(journal.Path().ToUtf8()), path);
        // Each line is there as soon as its rename is, before the run ends.
        EXPECT_EQ(Lines(ReadFileBytes(path).value_or("")).size(), 11u);
    }
    const std::string d = Narrow(D(L""));
    const std::vector<std::string> expected = {
        "// Varnelo Version 1.04.2025.0406", "// <Log>" + std::string(kLog), "// <Run>20250406.031600.007", "",
        d + "missing\t" + d + "m2\t-", "#Information:Withdrawn:<now>",
        d + "a.txt\t" + d + "b.txt\t5:133000000000000001",
        d + "\u65E5.txt\t" + d + "taken\t2:133000000000000002", "#Information:Withdrawn:<now>",
        d + "\u65E5.txt\t" + d + "\u672C.txt\t2:133000000000000002", d + "F\t" + d + "G\tfolder",
        "#Information:Ended:<now>"};
    std::vector<std::string> lines;
    for (const std::string& line : Lines(ReadFileBytes(path).value_or("")))
        lines.push_back(std::regex_replace(line, std::regex("^(#.*:)\\d{8}\\.\\d{6}\\.\\d{3}$"), "$1<now>"));
    EXPECT_EQ(lines, expected);
    JobJournalRun run;
    std::vector<JobJournalEntry> entries;
    ASSERT_TRUE(ReadJournal(Path(path), &run, &entries));
    EXPECT_EQ(run.items, 3);
    EXPECT_TRUE(run.ended);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].newPath.ToUtf8(), d + "\u672C.txt");

    EXPECT_EQ(Run({{L"b.txt", L"c.txt"}}), temp.Join(L"logs\\Varnelo_20250406_031502_250.2.journal"));
    EXPECT_EQ(Run({{L"missing", L"x"}}), L"") << "a run that renames nothing leaves no journal";
    EXPECT_FALSE(FileExists(temp.Join(L"logs\\Varnelo_20250406_031502_250.3.journal")));
    JobJournal unlogged{RawString()};
    EXPECT_EQ(unlogged.Move(Path(D(L"c.txt")), Path(D(L"d.txt"))), 0u);
    EXPECT_TRUE(FileExists(D(L"d.txt")));
    EXPECT_TRUE(unlogged.Path().IsEmpty()) << "without a log the run still runs, unrecorded";
}

// One table of runs taken back. Each case: files before, the run's renames,
// what happens to the disk in between, then what each step (last rename
// first) meets, the plan foretelling the undo exactly, and the tree after.
TEST_F(JobJournalDisk, UndoPlansAndCarriesOutEveryStep) {
    struct Case {
        const char* what;
        std::vector<std::wstring> files;  // below d, each holding its own name; "\" at the end: a folder
        std::vector<std::pair<std::wstring, std::wstring>> moves;
        void (*between)(const std::wstring& d);
        std::vector<const char*> reasons;  // per step, last rename first; "" goes back
        std::vector<std::wstring> after;   // what differs from before the run: path=content, or path alone if gone
        bool cutShort = false;             // the journal lost its end record, as a crash leaves it
    };
    const char* kGone = "The item is no longer at its new path.";
    const char* kChanged = "The item was changed after the run.";
    const char* kTaken = "The old name is taken by another item.";
    const Case cases[] = {
        {"folder, then its content", {L"F\\a", L"F\\S\\b"},
         {{L"F", L"F_x"}, {L"F_x\\S", L"F_x\\S_x"}, {L"F_x\\a", L"F_x\\a_x"}, {L"F_x\\S_x\\b", L"F_x\\S_x\\b_x"}},
         nullptr, {"", "", "", ""}, {}},
        {"content, then its folder", {L"F\\a"}, {{L"F\\a", L"F\\a_x"}, {L"F", L"F_x"}}, nullptr, {"", ""}, {}},
        {"names passed along a chain", {L"a", L"b"}, {{L"b", L"c"}, {L"a", L"b"}}, nullptr, {"", ""}, {}},
        {"case alone", {L"IMG.JPG"}, {{L"IMG.JPG", L"img.jpg"}}, nullptr, {""}, {}},
        {"changed, taken away, old name taken", {L"a", L"b", L"c", L"e"},
         {{L"a", L"a_x"}, {L"b", L"b_x"}, {L"c", L"c_x"}, {L"e", L"e_x"}},
         [](const std::wstring& d) {
             WriteFileBytes(d + L"\\a_x", "edited");
             DeleteFileW((d + L"\\b_x").c_str());
             WriteFileBytes(d + L"\\c", "new c");
         },
         {"", kTaken, kGone, kChanged}, {L"a_x=edited", L"a", L"b", L"c_x=c", L"c=new c"}},
        {"a folder where a file was", {L"a"}, {{L"a", L"a_x"}},
         [](const std::wstring& d) {
             DeleteFileW((d + L"\\a_x").c_str());
             CreateDirectoryW((d + L"\\a_x").c_str(), nullptr);
         },
         {kChanged}, {L"a", L"a_x\\="}},
        {"the folder left behind", {L"F\\a"}, {{L"F\\a", L"F\\a_x"}, {L"F", L"F_x"}},
         [](const std::wstring& d) { MoveFileExW((d + L"\\F_x").c_str(), (d + L"\\G").c_str(), 0); },
         {kGone, kGone}, {L"F\\", L"F\\a", L"G\\=", L"G\\a_x=F\\a"}},
        {"same size, new time", {L"a"}, {{L"a", L"a_x"}},
         [](const std::wstring& d) { SetWriteTime(d + L"\\a_x", 133000000000000000ull); }, {kChanged}, {L"a", L"a_x=a"}},
        {"put back by hand: nothing to do", {L"a"}, {{L"a", L"a_x"}},
         [](const std::wstring& d) { MoveFileExW((d + L"\\a_x").c_str(), (d + L"\\a").c_str(), 0); }, {}, {}},
        {"a swap of look-alikes through a free name", {L"a", L"b"}, {{L"a", L"t"}, {L"b", L"a"}, {L"t", L"b"}},
         nullptr, {"", "", ""}, {}},
        {"cut short, its last item deleted since", {L"a", L"b"}, {{L"a", L"a_x"}, {L"b", L"b_x"}},
         [](const std::wstring& d) { DeleteFileW((d + L"\\b_x").c_str()); }, {kGone, ""}, {L"b"}, true},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring d = D(std::to_wstring(++number));
        CreateFolder(d);
        // Files of one size look alike to an undo: one time for all.
        for (const std::wstring& file : c.files) {
            Put(d, file, Narrow(file));
            if (!file.ends_with(L"\\")) SetWriteTime(d + L"\\" + file, 133000000000000001ull);
        }
        const auto before = TreeSnapshot(d);
        std::vector<std::pair<std::wstring, std::wstring>> moves;
        for (const auto& [from, to] : c.moves) moves.emplace_back(std::to_wstring(number) + L"\\" + from,
                                                                  std::to_wstring(number) + L"\\" + to);
        const std::wstring journal = Run(moves, static_cast<uint16_t>(number));
        if (c.cutShort) {
            std::string text = ReadFileBytes(journal).value_or("");
            text.erase(text.rfind("#Information:Ended:"));
            ASSERT_TRUE(WriteFileBytes(journal, text));
        }
        if (c.between) c.between(d);

        JobUndo undo;
        ASSERT_EQ(undo.Open(Path(journal)), JobUndo::Ready);
        EXPECT_EQ(undo.Run().items, static_cast<int32_t>(c.moves.size()));
        EXPECT_EQ(undo.Run().ended, !c.cutShort);
        std::vector<std::string> planned, carried;
        for (const JobUndoStep& step : undo.Plan()) planned.push_back(step.reason.ToUtf8());
        std::vector<JobUndoStep> steps;
        const int32_t failed = undo.Carry([&](const JobUndoStep& step) { steps.push_back(step); });
        for (const JobUndoStep& step : steps) carried.push_back(step.reason.ToUtf8());
        EXPECT_EQ(planned, std::vector<std::string>(c.reasons.begin(), c.reasons.end()));
        EXPECT_EQ(carried, planned);
        EXPECT_EQ(failed, std::count_if(c.reasons.begin(), c.reasons.end(), [](const char* r) { return *r; }));
        ASSERT_EQ(steps.size(), c.reasons.size());
        if (!steps.empty()) { EXPECT_EQ(steps.front().newPath.ToUtf8(), Narrow(D(moves.back().second))); }

        auto expected = before;
        for (const std::wstring& change : c.after) {
            const size_t equals = change.find(L'=');
            if (equals == std::wstring::npos) expected.erase(Narrow(change));
            else expected[Narrow(change.substr(0, equals))] = Narrow(change.substr(equals + 1));
        }
        EXPECT_EQ(TreeSnapshot(d), expected);
        // A run is taken back once, and stays the one to take back while an item is not back.
        EXPECT_EQ(undo.Open(Path(journal)), failed == 0 ? JobUndo::Undone : JobUndo::Ready);
        if (failed > 0) {
            EXPECT_EQ(undo.Run().restored, static_cast<int32_t>(c.reasons.size()) - failed);
            EXPECT_EQ(static_cast<int32_t>(undo.Plan().size()), failed) << "what went back is no step again";
        }
    }
}

TEST_F(JobJournalDisk, TheNewestRunNotUndoneIsFoundAndARunGoingOnIsLeftAlone) {
    for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) Put(D(L""), name, "x");
    JobJournalRun found;
    EXPECT_FALSE(FindUndoableRun(Path(temp.Join(L"logs")), &found));
    const std::wstring early = Run({{L"a", L"a1"}}, 5);
    // A later log stamp with an earlier run: the run's own time decides.
    log = Path(temp.Join(L"logs\\Varnelo_20250406_031503_000.log"));
    const std::wstring late = Run({{L"b", L"b1"}, {L"c", L"c1"}}, 9);
    const std::wstring earlier = Run({{L"d", L"d1"}}, 1);
    ASSERT_TRUE(FindUndoableRun(Path(temp.Join(L"logs")), &found));
    EXPECT_EQ(Widen(found.path.ToUtf8()), late);
    EXPECT_EQ(found.items, 2);
    EXPECT_EQ(found.started.second, 9);
    {
        JobUndo undo;
        ASSERT_EQ(undo.Open(found.path), JobUndo::Ready);
        EXPECT_EQ(undo.Carry(), 0);
    }
    ASSERT_TRUE(FindUndoableRun(Path(temp.Join(L"logs")), &found));
    EXPECT_EQ(Widen(found.path.ToUtf8()), early);

    // A run still writing its journal, even one caught before its first line.
    JobJournal going(log, RawSystemTime{2025, 4, 6, 3, 21, 0, 0});
    ASSERT_EQ(going.Move(Path(D(L"b")), Path(D(L"b2"))), 0u);
    ASSERT_TRUE(FindUndoableRun(Path(temp.Join(L"logs")), &found));
    EXPECT_EQ(found.path.ToUtf8(), going.Path().ToUtf8());
    JobUndo undo;
    EXPECT_EQ(undo.Open(found.path), JobUndo::InUse);
    going.Close();
    const std::wstring starting = temp.Join(L"logs\\Varnelo_20250406_031504_000.journal");
    const RawLayer::RawFileHandle held(
        CreateFileW(starting.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(held);
    ASSERT_TRUE(FindUndoableRun(Path(temp.Join(L"logs")), &found));
    EXPECT_EQ(Widen(found.path.ToUtf8()), starting);
    EXPECT_EQ(undo.Open(found.path), JobUndo::InUse);
    EXPECT_TRUE(FileExists(D(L"b2")));
}

// A stop asked for ends a run and an undo between two items: the run's
// journal ends as any run's, and the undo that stopped is continued by the next.
TEST_F(JobJournalDisk, AStoppedRunAndAStoppedUndoEndBetweenTwoItems) {
    for (const wchar_t* file : {L"a", L"b", L"c", L"d"}) Put(D(L""), file, Narrow(file));
    const auto before = TreeSnapshot(temp.Join(L"d"));
    JobFileList list;
    list.AddPath(Path(temp.Join(L"d")), true);
    for (JobFileUnit& unit : list) {
        if (!unit.Has(JobFileUnit::File)) continue;
        unit.newName = RawString(unit.name);
        unit.newName.Append(RawString(".y"));
        unit.Set(JobFileUnit::Checked);
    }
    int32_t tried = 0;
    JobJournal journal(log);
    EXPECT_EQ(RenameRun(list, [&](const JobRenameOutcome&) { ++tried; }, &journal, [&] { return tried == 2; }), 0);
    journal.Close();
    EXPECT_EQ(tried, 2);
    EXPECT_EQ(NotTried(list), 2);
    EXPECT_EQ(TreeNames(temp.Join(L"d")), (std::vector<std::string>{"a.y", "b.y", "c", "d"}));
    JobJournalRun run;
    ASSERT_TRUE(ReadJournal(journal.Path(), &run));
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.items, 2);

    JobUndo undo;
    ASSERT_EQ(undo.Open(journal.Path()), JobUndo::Ready);
    int32_t steps = 0;
    EXPECT_EQ(undo.Carry([&](const JobUndoStep&) { ++steps; }, [&] { return steps == 1; }), 0);
    EXPECT_EQ(undo.NotTried(), 1);
    EXPECT_EQ(TreeNames(temp.Join(L"d")), (std::vector<std::string>{"a.y", "b", "c", "d"}));
    ASSERT_TRUE(FindUndoableRun(Path(temp.Join(L"logs")), &run));
    JobUndo rest;
    ASSERT_EQ(rest.Open(run.path), JobUndo::Ready);
    EXPECT_EQ(rest.Carry(), 0);
    EXPECT_EQ(rest.NotTried(), 0);
    EXPECT_EQ(TreeSnapshot(temp.Join(L"d")), before);
    EXPECT_FALSE(FindUndoableRun(Path(temp.Join(L"logs")), &run));
}

// ---------------------------------------------------------------- Varnelo.exe -u

class JobJournalUndo : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(WriteFileBytes(temp.Join(L"prog\\Varnelo.ini"),
                                   "[Common]\r\nProgram=Varnelo\r\n[Option]\r\nLogFolder=logs\r\n"));
    }
    std::vector<std::string> Run(const std::vector<std::wstring>& args, DWORD* code) {
        std::string out;
        EXPECT_TRUE(RunProcess(CommandLine(program, args), code, &out, 120000, data));
        auto lines = Lines(out);
        if (lines.empty()) lines.push_back("(nothing)");
        return lines;
    }
    std::vector<std::wstring> Journals() {
        std::vector<std::wstring> found;
        WIN32_FIND_DATAW d;
        const RawLayer::RawFindHandle find(FindFirstFileW(temp.Join(L"prog\\logs\\*.journal").c_str(), &d));
        if (find) do found.push_back(temp.Join(L"prog\\logs\\") + d.cFileName); while (FindNextFileW(find.Get(), &d));
        return found;
    }
};

TEST_F(JobJournalUndo, ARunOverATreeComesBackWholeOnce) {
    for (const wchar_t* file : {L"F\\a.txt", L"F\\S\\b.txt", L"F\\S\\T\\c.txt", L"F\\\u00C9t\u00E9.txt", L"g.txt"})
        Put(data, file, Narrow(file) + " bytes");
    CreateFolder(data + L"\\F\\empty");
    const auto before = TreeSnapshot(data);
    DWORD code = 99;
    auto lines = Run({L"-i", L"-a", L"-o", L"*", L"-n", L"%0_x", L"-l", L"Both", L"F", L"g.txt"}, &code);
    ASSERT_EQ(code, 0u);
    ASSERT_EQ(lines.back(), "9 renamed, 0 failed");
    const auto renamed = TreeSnapshot(data);

    const auto plan = Run({L"-u", L"-i"}, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(plan.back(), "9 planned, 0 failed");
    EXPECT_EQ(TreeSnapshot(data), renamed) << "a plan renames nothing";
    lines = Run({L"-u"}, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(lines.back(), "9 restored, 0 failed");
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end() - 1),
              std::vector<std::string>(plan.begin(), plan.end() - 1));
    EXPECT_EQ(lines.front().rfind("RUN\t", 0), 0u);
    EXPECT_TRUE(lines.front().ends_with("\t9 items\t" + Narrow(Journals().at(0))));
    EXPECT_EQ(lines[1], "UNDO\t" + Narrow(data) + "\\g.txt_x\tg.txt");  // the last rename first
    EXPECT_EQ(lines[9], "UNDO\t" + Narrow(data) + "\\F_x\tF");
    EXPECT_EQ(TreeSnapshot(data), before);

    lines = Run({L"-u"}, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(lines, std::vector<std::string>{"0 restored, 0 failed"});
    EXPECT_EQ(TreeSnapshot(data), before);
}

TEST_F(JobJournalUndo, ItemsChangedSinceStayAndNothingIsReplaced) {
    for (const wchar_t* file : {L"a", L"b", L"c", L"d"}) Put(data, file, Narrow(file));
    DWORD code = 99;
    Run({L"-i", L"-a", L"-o", L"*", L"-n", L"%0.y", L"-l", L"File", L"."}, &code);
    ASSERT_EQ(code, 0u);
    ASSERT_TRUE(WriteFileBytes(data + L"\\a.y", "changed"));
    ASSERT_TRUE(DeleteFileW((data + L"\\b.y").c_str()));
    ASSERT_TRUE(WriteFileBytes(data + L"\\c", "a new c"));
    auto lines = Run({L"-u"}, &code);
    EXPECT_EQ(code, 1u);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "1 restored, 3 failed");
    EXPECT_EQ(lines.front().rfind("RUN\t", 0), 0u);
    lines.erase(lines.begin());
    std::sort(lines.begin(), lines.end() - 1);
    const std::string d = Narrow(data);
    EXPECT_EQ(lines, (std::vector<std::string>{"FAILED\t" + d + "\\a.y\ta\tThe item was changed after the run.",
                                               "FAILED\t" + d + "\\b.y\tb\tThe item is no longer at its new path.",
                                               "FAILED\t" + d + "\\c.y\tc\tThe old name is taken by another item.",
                                               "UNDO\t" + d + "\\d.y\td", "1 restored, 3 failed"}));
    EXPECT_EQ(TreeSnapshot(data), (std::map<std::string, std::string>{
                                      {"a.y", "changed"}, {"c", "a new c"}, {"c.y", "c"}, {"d", "d"}}));
}

TEST_F(JobJournalUndo, ARunStillGoingIsNotTouched) {
    Put(data, L"a", "a");
    DWORD code = 99;
    Run({L"-i", L"-a", L"-o", L"*", L"-n", L"%0.y", L"a"}, &code);
    const auto journals = Journals();
    ASSERT_EQ(journals.size(), 1u);
    const RawLayer::RawFileHandle writer(
        CreateFileW(journals[0].c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(Run({L"-u"}, &code), std::vector<std::string>{"ERROR\tThe run is still going, or is being undone by "
                                                            "another process.\t" + Narrow(journals[0])});
    EXPECT_EQ(code, 1u);
    EXPECT_TRUE(FileExists(data + L"\\a.y"));
}

// The process is ended at some moment of its run: whatever it managed, its
// journal holds every rename it made (and at most the one it was about to
// make), and -u takes exactly those back.
TEST_F(JobJournalUndo, ARunKilledHalfWayIsTakenBackAsFarAsItWent) {
    constexpr int kFolders = 10, kFiles = 100;
    for (int f = 0; f < kFolders; ++f)
        for (int i = 0; i < kFiles; ++i) Put(data, L"f" + std::to_wstring(f) + L"\\" + std::to_wstring(i), "x");
    const auto before = TreeSnapshot(data);

    std::wstring line = CommandLine(program, {L"-i", L"-a", L"-o", L"*", L"-n", L"%0.k", L"-l", L"File", L"."});
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const RawLayer::RawFileHandle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                                                  nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.Get();
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, data.c_str(), &startup, &info));
    const RawLayer::RawKernelHandle process(info.hProcess), thread(info.hThread);
    // Until some renames are journaled; then the process is ended where it is.
    for (const ULONGLONG deadline = GetTickCount64() + 60000; GetTickCount64() < deadline;) {
        const auto journals = Journals();
        if (!journals.empty() && ReadFileBytes(journals[0]).value_or("").size() > 2000) break;
        if (WaitForSingleObject(process.Get(), 1) == WAIT_OBJECT_0) break;
    }
    TerminateProcess(process.Get(), 9);
    ASSERT_EQ(WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);

    const auto journals = Journals();
    ASSERT_EQ(journals.size(), 1u);
    JobJournalRun run;
    std::vector<JobJournalEntry> entries;
    ASSERT_TRUE(ReadJournal(Path(journals[0]), &run, &entries));
    ASSERT_GT(entries.size(), 0u);
    std::set<std::string> journaled, onDisk;
    for (const JobJournalEntry& e : entries) journaled.insert(e.newPath.ToUtf8().substr(Narrow(data).size() + 1));
    for (const auto& [path, content] : TreeSnapshot(data))
        if (path.ends_with(".k")) onDisk.insert(path);
    std::vector<std::string> notDone;
    std::set_difference(journaled.begin(), journaled.end(), onDisk.begin(), onDisk.end(), std::back_inserter(notDone));
    EXPECT_TRUE(std::includes(journaled.begin(), journaled.end(), onDisk.begin(), onDisk.end()));
    EXPECT_LE(notDone.size(), 1u);
    if (run.ended) std::printf("note: the run ended before it was stopped\n");

    DWORD code = 99;
    const auto lines = Run({L"-u"}, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(lines.back(), std::to_string(onDisk.size()) + " restored, 0 failed");
    EXPECT_EQ(TreeSnapshot(data), before);
}

}  // namespace
