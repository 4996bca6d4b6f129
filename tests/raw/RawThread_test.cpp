// Thread units, the exception hook, stamps and time-zone offsets, dump paths,
// and real crashes of a helper program that must leave a dump behind.
#include "raw/RawThread.h"

#include <windows.h>

#include <atomic>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

using namespace RawLayer;
using namespace TestSupport;

namespace {

// Counts what the base class calls; Run can be held until the test lets go.
class CountingUnit : public RawThreadUnit {
public:
    void Run() override {
        runs.fetch_add(1);
        sawStop = StopRequested();
        priority = GetThreadPriority(GetCurrentThread());
        entered.Set();
        if (hold) release.Wait(10000);
        if (slow) RawSleep(300);
    }
    void OnEnd() override { ends.fetch_add(1); }

    std::atomic<int> runs{0};
    std::atomic<int> ends{0};
    std::atomic<int> priority{0};
    bool sawStop = false;
    bool hold = false;
    bool slow = false;
    RawEvent entered;
    RawEvent release;
};

TEST(RawThreadUnit, RunsOnceAndEndsOnce) {
    CountingUnit unit;
    EXPECT_FALSE(unit.IsFinished());
    ASSERT_TRUE(unit.Start());
    unit.Wait();
    EXPECT_EQ(unit.runs.load(), 1);
    EXPECT_EQ(unit.ends.load(), 1);
    EXPECT_TRUE(unit.IsFinished());
    EXPECT_FALSE(unit.IsRunning());
    EXPECT_NE(unit.ThreadId(), 0u);
}

TEST(RawThreadUnit, SecondStartWhileRunningIsRefused) {
    CountingUnit unit;
    unit.hold = true;
    ASSERT_TRUE(unit.Start());
    ASSERT_TRUE(unit.entered.Wait(10000));
    EXPECT_TRUE(unit.IsRunning());
    EXPECT_FALSE(unit.Start());
    unit.release.Set();
    unit.Wait();
    EXPECT_EQ(unit.runs.load(), 1);
    EXPECT_EQ(unit.ends.load(), 1);
}

TEST(RawThreadUnit, WaitRightAfterStartWaitsForTheWholeBody) {
    // Wait is called before the new thread can have entered its body.
    CountingUnit unit;
    unit.slow = true;
    ASSERT_TRUE(unit.Start());
    unit.Wait();
    EXPECT_TRUE(unit.IsFinished());
    EXPECT_EQ(unit.ends.load(), 1);
}

TEST(RawThreadUnit, WaitWithoutStartReturnsAtOnce) {
    CountingUnit unit;
    const ULONGLONG start = GetTickCount64();
    unit.Wait();
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(unit.ends.load(), 0);
}

TEST(RawThreadUnit, StartsAgainAfterItEndedAndClearsTheStopRequest) {
    CountingUnit unit;
    unit.RequestStop();
    ASSERT_TRUE(unit.Start());
    unit.Wait();
    EXPECT_FALSE(unit.sawStop);
    unit.RequestStop();
    EXPECT_TRUE(unit.StopRequested());
    ASSERT_TRUE(unit.Start());
    unit.Wait();
    EXPECT_FALSE(unit.sawStop);
    EXPECT_EQ(unit.runs.load(), 2);
    EXPECT_EQ(unit.ends.load(), 2);
}

TEST(RawThreadUnit, AppliesItsPriority) {
    CountingUnit unit;
    unit.SetPriority(THREAD_PRIORITY_BELOW_NORMAL);
    ASSERT_TRUE(unit.Start());
    unit.Wait();
    EXPECT_EQ(unit.priority.load(), THREAD_PRIORITY_BELOW_NORMAL);
}

TEST(RawThreadUnit, ManyUnitsAtOnce) {
    std::vector<std::unique_ptr<CountingUnit>> units;
    for (int i = 0; i < 16; ++i) units.push_back(std::make_unique<CountingUnit>());
    for (auto& u : units) ASSERT_TRUE(u->Start());
    for (auto& u : units) u->Wait();
    for (auto& u : units) {
        EXPECT_EQ(u->runs.load(), 1);
        EXPECT_EQ(u->ends.load(), 1);
    }
}

// ---------------------------------------------------------------- hook

class RecordingHandler : public RawThreadHook::Handler {
public:
    void OnException(_EXCEPTION_POINTERS* pointers) override {
        ++calls;
        last = pointers;
    }
    int calls = 0;
    _EXCEPTION_POINTERS* last = nullptr;
};

TEST(RawThreadHook, DispatchReachesTheInstalledHandlerOnly) {
    RawThreadHook::Handler* before = RawThreadHook::Current();
    RecordingHandler handler;
    RawThreadHook::Install(&handler);
    EXCEPTION_POINTERS pointers{};
    RawThreadHook::Dispatch(&pointers);
    EXPECT_EQ(handler.calls, 1);
    EXPECT_EQ(handler.last, &pointers);
    RawThreadHook::Install(nullptr);
    RawThreadHook::Dispatch(&pointers);  // no handler: nothing happens
    EXPECT_EQ(handler.calls, 1);
    RawThreadHook::Install(before);
}

// ---------------------------------------------------------------- time

TEST(RawTime, StampsAreZeroPadded) {
    struct Case {
        RawSystemTime time;
        const char* separator;
        const char* expected;
    } cases[] = {
        {{2025, 4, 6, 9, 30, 15, 42}, "_", "20250406_093015_042"},
        {{2025, 4, 6, 3, 15, 2, 250}, ".", "20250406.031502.250"},
        {{999, 1, 2, 0, 0, 0, 0}, "_", "09990102_000000_000"},
        {{2099, 12, 31, 23, 59, 59, 999}, "", "20991231235959999"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RawFormatTimeStamp(c.time, c.separator).ToUtf8(), c.expected);
}

TEST(RawTime, OffsetFromTheZoneRecord) {
    struct Case {
        int32_t bias, standardBias, daylightBias;
        uint32_t state;
        int32_t expected;
    } cases[] = {
        {-540, 0, 0, 0, 540},      // Tokyo: no daylight saving
        {210, 0, -60, 1, -210},    // Newfoundland in winter: UTC-03:30
        {210, 0, -60, 2, -150},    // and in summer, an hour later
        {-60, 0, -60, 2, 120},     // Central Europe in summer
        {-60, 0, -60, 1, 60},      // and in winter
        {0, 0, 0, 0, 0},
        {300, 0, -60, 0, -300},    // unknown period: the bias alone
    };
    for (const Case& c : cases)
        EXPECT_EQ(RawUtcOffsetFromBias(c.bias, c.standardBias, c.daylightBias, c.state), c.expected)
            << c.bias << " " << c.state;
}

TEST(RawTime, CurrentTimeIsPlausible) {
    const RawSystemTime now = RawCurrentUtcTime();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_LT(now.milliseconds, 1000);
    EXPECT_EQ(RawLocalUtcOffsetMinutes(), RawLocalUtcOffsetMinutes());
}

// ---------------------------------------------------------------- dumps

TEST(RawThreadDump, PathFromFolderNameAndTime) {
    const RawSystemTime t{2025, 4, 6, 9, 30, 15, 42};
    struct Case {
        const char* folder;
        const char* expected;
    } cases[] = {
        {"C:\\Temp\\Varnelo", "C:\\Temp\\Varnelo\\Varnelo_Dump_20250406_093015_042.dmp"},
        {"C:\\Temp\\Varnelo\\", "C:\\Temp\\Varnelo\\Varnelo_Dump_20250406_093015_042.dmp"},
        {"D:/logs/", "D:/logs/Varnelo_Dump_20250406_093015_042.dmp"},
        {"\\\\server\\share", "\\\\server\\share\\Varnelo_Dump_20250406_093015_042.dmp"},
        {"", ""},
    };
    for (const Case& c : cases) {
        RawThreadDump dump(c.folder, "Varnelo");
        EXPECT_EQ(dump.MakeDumpPathAt(t).ToUtf8(), c.expected) << c.folder;
    }
}

TEST(RawThreadDump, FolderCanBeReplaced) {
    RawThreadDump dump("C:\\first", "Varnelo");
    dump.SetFolder("C:\\second");
    EXPECT_EQ(dump.Folder().ToUtf8(), "C:\\second");
    EXPECT_EQ(dump.MakeDumpPathAt({2025, 1, 2, 3, 4, 5, 6}).ToUtf8(),
              "C:\\second\\Varnelo_Dump_20250102_030405_006.dmp");
}

// Dump files in a folder, by name.
std::vector<std::wstring> DumpFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\Varnelo_Dump_*.dmp").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// Varnelo_Dump_ yyyymmdd _ hhmmss _ mmm .dmp
bool HasDumpShape(const std::wstring& name) {
    const std::wstring shape = L"Varnelo_Dump_########_######_###.dmp";
    if (name.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == L'#' ? !iswdigit(name[i]) : name[i] != shape[i]) return false;
    return true;
}

bool IsMinidump(const std::wstring& path) {
    const auto bytes = ReadFileBytes(path);
    return bytes && bytes->size() > 32 && bytes->compare(0, 4, "MDMP") == 0;
}

TEST(RawThreadDump, NothingWithoutAFolder) {
    RawThreadDump dump("", "Varnelo");
    EXPECT_TRUE(dump.MakeDumpPath().IsEmpty());
    dump.OnException(nullptr);  // must neither crash nor write anywhere
}

// ---------------------------------------------------------------- real crashes

std::wstring HelperPath() { return ModuleFolder() + L"\\raw_crash_helper.exe"; }

struct CrashCase {
    const wchar_t* mode;
    const wchar_t* folder;  // below the test's folder; null: the helper keeps its default
    const wchar_t* expectedFolder;
    bool dumps;
};

// A full-memory dump of even a small process is large (about 100 MB under
// Wine) and slow to write, so the helpers crash side by side and only two of
// them write one.
TEST(RawCrash, EachKindOfFailureLeavesADumpInItsFolder) {
    ASSERT_TRUE(FileExists(HelperPath()));
    const CrashCase cases[] = {
        // A fault in a thread unit's body; the dump folder is two levels below
        // an existing folder, and the writer creates both.
        {L"thread", L"thread\\logs", L"thread\\logs", true},
        // A C++ exception nobody catches, before start-up replaces the folder:
        // the dump goes to the temporary folder's "Varnelo".
        {L"throw", nullptr, L"Varnelo", true},
        // A fault on the main thread with no handler installed.
        {L"nohandler", L"none\\logs", L"none\\logs", false},
    };
    TempDir temp;
    // The helpers inherit the environment, and GetTempPath reads TMP first.
    wchar_t saved[32768];
    const DWORD had = GetEnvironmentVariableW(L"TMP", saved, 32768);
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", temp.Path().c_str()));
    struct Run {
        DWORD code = 0;
        bool started = false;
    };
    std::vector<Run> runs(std::size(cases));
    std::vector<std::thread> threads;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::wstring command = cases[i].folder
            ? CommandLine(HelperPath(), {cases[i].mode, temp.Join(cases[i].folder)})
            : CommandLine(HelperPath(), {cases[i].mode});
        threads.emplace_back([&runs, i, command] {
            runs[i].started = RunProcess(command, &runs[i].code, nullptr, 300000);
        });
    }
    for (std::thread& t : threads) t.join();
    SetEnvironmentVariableW(L"TMP", had ? saved : nullptr);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(Narrow(cases[i].mode) + " " + Narrow(cases[i].expectedFolder));
        ASSERT_TRUE(runs[i].started);
        EXPECT_EQ(runs[i].code, 3u) << "the helper ends itself with 3 once the hook has run";
        const std::wstring folder = temp.Join(cases[i].expectedFolder);
        const auto names = DumpFiles(folder);
        if (!cases[i].dumps) {
            EXPECT_TRUE(names.empty());
            continue;
        }
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(HasDumpShape(names[0])) << Narrow(names[0]);
        EXPECT_TRUE(IsMinidump(folder + L"\\" + names[0]));
    }
}

class RawCrashRun : public TempDirTest {};

TEST_F(RawCrashRun, WithoutACrashNoDump) {
    DWORD code = 99;
    ASSERT_TRUE(RunProcess(CommandLine(HelperPath(), {L"none", temp.Join(L"logs")}), &code, nullptr, 60000));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(DumpFiles(temp.Join(L"logs")).empty());
}

}  // namespace
