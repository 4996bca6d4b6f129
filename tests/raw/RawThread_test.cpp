// Thread units, stamps and time-zone offsets, dump paths, and real crashes of
// a helper program that must leave a dump behind.
#include "raw/RawThread.h"

#include <windows.h>

#include <atomic>
#include <regex>
#include <string>
#include <tuple>

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
        else RawSleep(300);  // long enough that a Wait returning too early is seen
    }
    void OnEnd() override { ends.fetch_add(1); }

    std::atomic<int> runs{0}, ends{0}, priority{0};
    std::atomic<bool> sawStop{false};
    bool hold = false;
    RawEvent entered, release;
};

// A body that waits for its own unit must go on, not wait for itself.
struct SelfWaitingUnit : RawThreadUnit {
    void Run() override { Wait(); }
};

TEST(RawThreadUnit, StartWaitDoubleStartAndRestart) {
    CountingUnit unit;
    const ULONGLONG before = GetTickCount64();
    unit.Wait();  // nothing started: must not block
    EXPECT_LT(GetTickCount64() - before, 1000u);
    unit.hold = true;
    ASSERT_TRUE(unit.Start());
    ASSERT_TRUE(unit.entered.Wait(10000));
    EXPECT_TRUE(unit.IsRunning() && !unit.Start());
    unit.RequestStop();
    unit.release.Set();
    unit.Wait();
    EXPECT_EQ(std::pair(unit.runs.load(), unit.ends.load()), std::pair(1, 1));
    // Wait right after Start, before the new thread can have entered its body;
    // the stop meant for the last run must not reach this one.
    unit.hold = false;
    unit.SetPriority(THREAD_PRIORITY_BELOW_NORMAL);
    ASSERT_TRUE(unit.Start());
    unit.Wait();
    EXPECT_TRUE(!unit.IsRunning() && unit.IsFinished() && !unit.sawStop);
    EXPECT_EQ(std::tuple(unit.runs.load(), unit.ends.load(), unit.priority.load()),
              std::tuple(2, 2, THREAD_PRIORITY_BELOW_NORMAL));

    SelfWaitingUnit self;
    ASSERT_TRUE(self.Start());
    self.Wait();
    EXPECT_TRUE(self.IsFinished());
}

TEST(RawTime, StampsAndZoneOffsets) {
    EXPECT_EQ(RawFormatTimeStamp({2025, 4, 6, 9, 30, 15, 42}, "_").ToUtf8(), "20250406_093015_042");
    EXPECT_EQ(RawFormatTimeStamp({999, 1, 2, 0, 0, 0, 0}, ".").ToUtf8(), "09990102.000000.000");
    struct Case { int32_t bias, standardBias, daylightBias; uint32_t state; int32_t expected; } cases[] = {
        {-540, 0, 0, 0, 540},    // Tokyo: no daylight saving
        {210, 0, -60, 1, -210},  // Newfoundland in winter: UTC-03:30
        {210, 0, -60, 2, -150},  // and in summer, an hour later
        {-60, 0, -60, 2, 120},   // Central Europe in summer
        {300, 0, -60, 0, -300},  // unknown period: the bias alone
    };
    for (const Case& c : cases)
        EXPECT_EQ(RawUtcOffsetFromBias(c.bias, c.standardBias, c.daylightBias, c.state), c.expected)
            << c.bias << " " << c.state;
}

TEST(RawThreadDump, PathFromTheReplacedFolderNameAndTime) {
    struct Case { const char *folder, *expected; } cases[] = {
        {"C:\\Temp\\Varnelo", "C:\\Temp\\Varnelo\\Varnelo_Dump_20250406_093015_042.dmp"},
        {"C:\\Temp\\Varnelo\\", "C:\\Temp\\Varnelo\\Varnelo_Dump_20250406_093015_042.dmp"},
        {"D:/logs/", "D:/logs/Varnelo_Dump_20250406_093015_042.dmp"}, {"", ""},
    };
    for (const Case& c : cases) {
        RawThreadDump dump("C:\\first", "Varnelo");
        dump.SetFolder(c.folder);
        EXPECT_EQ(dump.MakeDumpPathAt({2025, 4, 6, 9, 30, 15, 42}).ToUtf8(), c.expected) << c.folder;
    }
    RawThreadDump nowhere("", "Varnelo");
    nowhere.OnException(nullptr);  // must neither crash nor write anywhere
}

// ---------------------------------------------------------------- real crashes

TEST(RawCrash, FailuresOfTheHelperAndWhereTheirDumpsGo) {
    const std::wstring helper = ModuleFolder() + L"\\raw_crash_helper.exe";
    ASSERT_TRUE(FileExists(helper));
    TempDir temp;
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"blocker"), "a file, not a folder"));
    const struct {
        const wchar_t* mode;
        const wchar_t* folder;  // below the test's folder; null: the helper keeps its default
        DWORD code;             // 3: the helper's own filter ran after the program's
        bool dumps;
        std::string printed;
    } cases[] = {
        // An uncaught C++ exception, through terminate, after start-up replaced
        // the folder; the writer creates both missing levels.
        {L"throw", L"throw\\logs", 3, true, ""},
        // A fault in a thread unit reaches the handler too.
        {L"thread", nullptr, 3, false, "reached"},
        // A folder that cannot be made: the process must still end, not hang
        // or fail again in the writer.
        {L"throw", L"blocker\\logs", 3, false, ""},
        // A fault with the guard in place but no handler: no dump, even in the default folder.
        {L"nohandler", nullptr, 3, false, ""},
        // Before start-up replaces it, the folder is the temporary folder's "Varnelo".
        {L"none", nullptr, 0, false, Narrow(temp.Join(L"Varnelo"))},
    };
    // The helpers inherit the environment, and GetTempPath reads TMP first;
    // nothing below stops the test before TMP is put back.
    wchar_t saved[32768];
    const DWORD had = GetEnvironmentVariableW(L"TMP", saved, 32768);
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", temp.Path().c_str()));
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.mode));
        DWORD code = 99;
        std::string printed;
        const std::wstring folder = temp.Join(c.folder ? c.folder : L"Varnelo");
        EXPECT_TRUE(RunProcess(c.folder ? CommandLine(helper, {c.mode, folder}) : CommandLine(helper, {c.mode}),
                               &code, &printed, 300000));
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(printed, c.printed);
        const auto dumps = TreeSnapshot(folder);
        EXPECT_EQ(dumps.size(), c.dumps ? 1u : 0u);
        for (const auto& [name, bytes] : dumps) {
            EXPECT_TRUE(std::regex_match(name, std::regex("Varnelo_Dump_\\d{8}_\\d{6}_\\d{3}\\.dmp"))) << name;
            EXPECT_TRUE(bytes.size() > 32 && bytes.compare(0, 4, "MDMP") == 0);
        }
    }
    SetEnvironmentVariableW(L"TMP", had ? saved : nullptr);
}

}  // namespace
