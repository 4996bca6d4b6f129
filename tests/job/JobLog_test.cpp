// The job log: formats, file names, rotation among foreign files, the file's
// content, posting from many threads, and a log that cannot be written.
#include "job/JobLog.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

using namespace JobLayer;
using namespace TestSupport;
using RawLayer::RawString;

namespace {

RawString Path(const std::wstring& path) { return RawString::FromWide(path.c_str()); }
RawString Text(const std::string& utf8) { return RawString(std::string_view(utf8)); }

const RawSystemTime kStart{2025, 4, 6, 3, 15, 2, 250};

// ---------------------------------------------------------------- formats

TEST(JobLogFormat, Stamps) {
    struct Case {
        RawSystemTime time;
        const char* separator;
        const char* expected;
    } cases[] = {
        {kStart, "_", "20250406_031502_250"},
        {kStart, ".", "20250406.031502.250"},
        {{2025, 12, 31, 23, 59, 59, 9}, "_", "20251231_235959_009"},
        {{2026, 1, 1, 0, 0, 0, 0}, ".", "20260101.000000.000"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatStamp(c.time, c.separator).ToUtf8(), c.expected);
}

TEST(JobLogFormat, Records) {
    struct Case {
        const char* recordClass;
        const char* event;
        const char* detail;
        const char* text;
        const char* expected;
    } cases[] = {
        {"Information", "Started", "", "", "#Information:Started:20250406.031502.250\r\n"},
        {"Information", "Terminated", "", "", "#Information:Terminated:20250406.031502.250\r\n"},
        {"Error", "Rename", "Access", "D:\\x", "#Error:Rename:Access:20250406.031502.250|$D:\\x\r\n"},
        {"Note", "", "", "", "#Note:20250406.031502.250\r\n"},
        {"Note", "", "Only", "", "#Note:Only:20250406.031502.250\r\n"},
        {"Note", "E", "", "free text", "#Note:E:20250406.031502.250|$free text\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatRecord(kStart, c.recordClass, c.event, c.detail, c.text).ToUtf8(), c.expected);
}

TEST(JobLogFormat, TimeZoneLine) {
    struct Case {
        int32_t offset;
        const char* expected;
    } cases[] = {
        {540, "// <TimeZone>UTC+09:00"},  {-210, "// <TimeZone>UTC-03:30"}, {0, "// <TimeZone>UTC+00:00"},
        {-30, "// <TimeZone>UTC-00:30"},  {345, "// <TimeZone>UTC+05:45"},  {-720, "// <TimeZone>UTC-12:00"},
        {840, "// <TimeZone>UTC+14:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatTimeZoneLine(c.offset).ToUtf8(), c.expected) << c.offset;
}

TEST(JobLogFormat, VersionLine) { EXPECT_EQ(FormatVersionLine().ToUtf8(), "// Varnelo Version 1.04.2025.0406"); }

TEST(JobLogFormat, FileNames) {
    struct Case {
        const char* folder;
        const char* expected;
    } cases[] = {
        {"C:\\Logs", "C:\\Logs\\Varnelo_20250406_031502_250.log"},
        {"C:\\Logs\\", "C:\\Logs\\Varnelo_20250406_031502_250.log"},
        {"C:/Logs/", "C:/Logs/Varnelo_20250406_031502_250.log"},
        {"\\\\server\\share\\logs", "\\\\server\\share\\logs\\Varnelo_20250406_031502_250.log"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeLogFileName(c.folder, "Varnelo", "log", kStart).ToUtf8(), c.expected) << c.folder;
}

TEST(JobLogFormat, OwnLogNames) {
    struct Case {
        const char* name;
        bool own;
    } cases[] = {
        {"Varnelo_20250406_031502_250.log", true},
        {"varnelo_20250406_031502_250.LOG", true},
        {"Varnelo_20250406_031502_25.log", false},
        {"Varnelo_20250406_031502_2500.log", false},
        {"Varnelo_2025O406_031502_250.log", false},
        {"Varnelo_20250406-031502_250.log", false},
        {"Varnelo_20250406_031502_250.log.bak", false},
        {"Varnelo_20250406_031502_250.txt", false},
        {"Varnelo_Dump_20250406_031502_250.dmp", false},
        {"MyVarnelo_20250406_031502_250.log", false},
        {"Varnelo.log", false},
        {"notes.txt", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsLogFileName(c.name, "Varnelo", "log"), c.own) << c.name;
}

// ---------------------------------------------------------------- files

// Creates a file with a last-write time some hours after a fixed base.
void MakeFile(const std::wstring& path, int hours) {
    ASSERT_TRUE(WriteFileBytes(path, "x"));
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ULARGE_INTEGER t;
    t.QuadPart = 133000000000000000ull + static_cast<uint64_t>(hours) * 36000000000ull;
    FILETIME ft{t.LowPart, t.HighPart};
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
}

std::vector<std::wstring> FileNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// Foreign files, all older than every log, and a folder with a log's name.
const wchar_t* const kForeign[] = {L"notes.txt", L"Varnelo_Dump_20200101_000000_000.dmp",
                                   L"Varnelo_20200101_000000_000.log.bak", L"varnelo.ini", L"old.log"};

class JobLogRotation : public TempDirTest {
protected:
    void Populate(int logs) {
        for (const wchar_t* name : kForeign) MakeFile(temp.Join(name), 0);
        ASSERT_TRUE(CreateFolder(temp.Join(L"Varnelo_20200101_000000_001.log")));
        // Written in an order that differs from their age, so that only the
        // times can put them right.
        for (int i = logs - 1; i >= 0; --i) MakeFile(temp.Join(LogName(i)), 10 + i);
    }
    // The i-th oldest log.
    static std::wstring LogName(int i) { return L"Varnelo_2024010" + std::to_wstring(1 + i) + L"_120000_000.log"; }
};

TEST_F(JobLogRotation, KeepsRoomForTheNewFileAndLeavesForeignFilesAlone) {
    struct Case {
        int32_t maxFiles;
        int logs;
        int expectedKept;  // the newest this many survive
    } cases[] = {
        {0, 3, 3}, {-5, 3, 3}, {1, 3, 0}, {1, 0, 0}, {2, 3, 1}, {3, 3, 2}, {3, 1, 1}, {3, 2, 2}, {200, 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.maxFiles) + " " + std::to_string(c.logs));
        ASSERT_TRUE(RemoveTree(temp.Path()));
        ASSERT_TRUE(CreateFolder(temp.Path()));
        Populate(c.logs);
        const int32_t deleted = RotateLogs(Path(temp.Path()), c.maxFiles);
        EXPECT_EQ(deleted, c.logs - c.expectedKept);
        for (const wchar_t* name : kForeign) EXPECT_TRUE(FileExists(temp.Join(name))) << Narrow(name);
        EXPECT_TRUE(FolderExists(temp.Join(L"Varnelo_20200101_000000_001.log")));
        for (int i = 0; i < c.logs; ++i)
            EXPECT_EQ(FileExists(temp.Join(LogName(i))), i >= c.logs - c.expectedKept) << i;
    }
}

TEST_F(JobLogRotation, SameTimeFallsBackToTheStampOrder) {
    MakeFile(temp.Join(L"Varnelo_20240101_000000_002.log"), 5);
    MakeFile(temp.Join(L"Varnelo_20240101_000000_001.log"), 5);
    MakeFile(temp.Join(L"Varnelo_20240101_000000_003.log"), 5);
    EXPECT_EQ(RotateLogs(Path(temp.Path()), 2), 2);
    EXPECT_EQ(FileNames(temp.Path()), std::vector<std::wstring>{L"Varnelo_20240101_000000_003.log"});
}

TEST_F(JobLogRotation, MissingFolderIsNoError) {
    EXPECT_EQ(RotateLogs(Path(temp.Join(L"missing")), 3), 0);
}

// ---------------------------------------------------------------- the log file

class JobLogFile : public TempDirTest {
protected:
    std::string Content(const RawString& path) {
        return ReadFileBytes(Widen(path.ToUtf8())).value_or("<missing>");
    }
    static std::string Header(const char* zone) {
        return std::string("// Varnelo Version 1.04.2025.0406\r\n") + zone + "\r\n\r\n";
    }
};

// Lines of a log after its header, with the stamps of the records blanked.
std::vector<std::string> Records(const std::string& content) {
    std::vector<std::string> lines;
    size_t at = content.find("\r\n\r\n");
    if (at == std::string::npos) return lines;
    at += 4;
    while (at < content.size()) {
        const size_t end = content.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(content.substr(at) + "<no line end>");
            break;
        }
        lines.push_back(content.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// "#Information:Started:20250406.031502.250" gives "#Information:Started:" and
// whether the stamp had its shape.
std::string WithoutStamp(const std::string& record, bool* shaped) {
    const size_t colon = record.rfind(':');
    const std::string stamp = record.substr(colon + 1);
    *shaped = stamp.size() == 19 && stamp[8] == '.' && stamp[15] == '.' &&
              std::all_of(stamp.begin(), stamp.end(), [](char ch) { return ch == '.' || (ch >= '0' && ch <= '9'); });
    return record.substr(0, colon + 1);
}

TEST_F(JobLogFile, HeaderThenRecordsInPostingOrder) {
    JobLogServer log;
    log.SetUtcOffsetMinutes(540);
    const std::wstring folder = temp.Join(L"new\\logs");  // created with its parent
    ASSERT_TRUE(log.OpenLogAt(Path(folder), 200, kStart));
    const RawString name = log.Storer().FileName();
    EXPECT_EQ(name.ToUtf8(), Narrow(folder) + "\\Varnelo_20250406_031502_250.log");
    log.PostStarted();
    log.Post("#Note:middle:20250406.031502.251\r\n");
    log.PostTerminated();
    log.Shutdown();
    const std::string content = Content(name);
    EXPECT_EQ(content.substr(0, Header("").size() + 22), Header("// <TimeZone>UTC+09:00"));
    const auto records = Records(content);
    ASSERT_EQ(records.size(), 3u) << content;
    bool shaped = false;
    EXPECT_EQ(WithoutStamp(records[0], &shaped), "#Information:Started:");
    EXPECT_TRUE(shaped) << records[0];
    EXPECT_EQ(records[1], "#Note:middle:20250406.031502.251");
    EXPECT_EQ(WithoutStamp(records[2], &shaped), "#Information:Terminated:");
    EXPECT_TRUE(shaped) << records[2];
    EXPECT_EQ(content.find('\xEF'), std::string::npos) << "no byte-order mark";
}

TEST_F(JobLogFile, TimeZoneOfTheHeader) {
    struct Case {
        int32_t offset;
        const char* line;
    } cases[] = {{-210, "// <TimeZone>UTC-03:30"}, {0, "// <TimeZone>UTC+00:00"}, {60, "// <TimeZone>UTC+01:00"}};
    int n = 0;
    for (const Case& c : cases) {
        JobLogServer log;
        log.SetUtcOffsetMinutes(c.offset);
        ASSERT_TRUE(log.OpenLogAt(Path(temp.Join(L"z" + std::to_wstring(n++))), 0, kStart));
        log.Shutdown();
        EXPECT_EQ(Content(log.Storer().FileName()), Header(c.line));
    }
}

TEST_F(JobLogFile, TrailingSeparatorIsNotDoubled) {
    JobLogServer log;
    ASSERT_TRUE(log.OpenLogAt(Path(temp.Path() + L"\\"), 0, kStart));
    log.Shutdown();
    EXPECT_EQ(log.Storer().FileName().ToUtf8(), Narrow(temp.Path()) + "\\Varnelo_20250406_031502_250.log");
    EXPECT_TRUE(FileExists(temp.Join(L"Varnelo_20250406_031502_250.log")));
}

TEST_F(JobLogFile, OpeningRotatesFirstAndCountsTheNewFile) {
    for (int i = 0; i < 3; ++i) MakeFile(temp.Join(L"Varnelo_2024010" + std::to_wstring(1 + i) + L"_000000_000.log"), i);
    MakeFile(temp.Join(L"readme.txt"), 0);
    JobLogServer log;
    ASSERT_TRUE(log.OpenLogAt(Path(temp.Path()), 3, kStart));
    log.Shutdown();
    EXPECT_EQ(FileNames(temp.Path()),
              (std::vector<std::wstring>{L"Varnelo_20240102_000000_000.log", L"Varnelo_20240103_000000_000.log",
                                         L"Varnelo_20250406_031502_250.log", L"readme.txt"}));
}

TEST_F(JobLogFile, ASecondRunInTheSameMillisecondGetsItsOwnFile) {
    JobLogServer first, second;
    ASSERT_TRUE(first.OpenLogAt(Path(temp.Path()), 0, kStart));
    ASSERT_TRUE(second.OpenLogAt(Path(temp.Path()), 0, kStart));
    first.PostStarted();
    second.PostTerminated();
    first.Shutdown();
    second.Shutdown();
    EXPECT_EQ(first.Storer().FileName().ToUtf8(), Narrow(temp.Path()) + "\\Varnelo_20250406_031502_250.log");
    EXPECT_EQ(second.Storer().FileName().ToUtf8(), Narrow(temp.Path()) + "\\Varnelo_20250406_031502_251.log");
    EXPECT_NE(Content(first.Storer().FileName()).find("Started"), std::string::npos);
    EXPECT_NE(Content(second.Storer().FileName()).find("Terminated"), std::string::npos);
}

TEST_F(JobLogFile, LinesPostedBeforeOpeningFollowTheHeader) {
    JobLogServer log;
    log.SetUtcOffsetMinutes(0);
    log.Post("early\r\n");
    ASSERT_TRUE(log.OpenLogAt(Path(temp.Path()), 0, kStart));
    log.Post("late\r\n");
    log.Shutdown();
    EXPECT_EQ(Content(log.Storer().FileName()), Header("// <TimeZone>UTC+00:00") + "early\r\nlate\r\n");
}

TEST_F(JobLogFile, ShutdownDrainsEverythingQueued) {
    JobLogServer log;
    ASSERT_TRUE(log.OpenLogAt(Path(temp.Path()), 0, kStart));
    for (int i = 0; i < 2000; ++i) log.Post(Text("line " + std::to_string(i) + "\r\n"));
    log.Shutdown();
    const auto records = Records(Content(log.Storer().FileName()));
    ASSERT_EQ(records.size(), 2000u);
    for (int i = 0; i < 2000; ++i) EXPECT_EQ(records[i], "line " + std::to_string(i));
    log.Post("after the end\r\n");
    EXPECT_EQ(log.Storer().QueuedCount(), 0);
    log.Shutdown();  // a second shutdown returns at once
}

TEST_F(JobLogFile, ThreadsPostingTogetherLoseNothingAndKeepTheirOrder) {
    JobLogServer log;
    ASSERT_TRUE(log.OpenLogAt(Path(temp.Path()), 0, kStart));
    constexpr int kThreads = 8, kLines = 400;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&log, t] {
            for (int i = 0; i < kLines; ++i) {
                log.Post(Text("T" + std::to_string(t) + " " + std::to_string(i) + "\r\n"));
                if (i % 50 == 0) Sleep(1);  // let the writer run in between
            }
        });
    for (std::thread& p : posters) p.join();
    log.Shutdown();
    const auto records = Records(Content(log.Storer().FileName()));
    ASSERT_EQ(records.size(), static_cast<size_t>(kThreads * kLines));
    std::map<int, int> next;
    for (const std::string& r : records) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(r.c_str(), "T%d %d", &t, &i), 2) << r;
        EXPECT_EQ(i, next[t]) << "thread " << t;
        next[t] = i + 1;
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kLines);
}

TEST_F(JobLogFile, NoLogWhenTheFolderCannotBeMade) {
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"blocker"), "a file, not a folder"));
    const std::wstring folders[] = {temp.Join(L"blocker"), temp.Join(L"blocker\\logs"), L""};
    for (const std::wstring& folder : folders) {
        SCOPED_TRACE(Narrow(folder));
        JobLogServer log;
        EXPECT_FALSE(log.OpenLogAt(Path(folder), 3, kStart));
        EXPECT_FALSE(log.Storer().IsOpen());
        log.PostStarted();
        log.PostTerminated();
        EXPECT_EQ(log.Storer().QueuedCount(), 0) << "nothing collects lines that no file will take";
        const ULONGLONG start = GetTickCount64();
        log.Shutdown();
        EXPECT_LT(GetTickCount64() - start, 1000u);
    }
    EXPECT_EQ(FileNames(temp.Path()), std::vector<std::wstring>{L"blocker"});
}

TEST_F(JobLogFile, ShutdownWithoutOpeningAndOpeningAfterShutdown) {
    JobLogServer log;
    const ULONGLONG start = GetTickCount64();
    log.Shutdown();
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_FALSE(log.OpenLogAt(Path(temp.Path()), 0, kStart));
    EXPECT_TRUE(FileNames(temp.Path()).empty());
}

TEST_F(JobLogFile, DestroyingARunningLogEndsItsThread) {
    RawString name;
    {
        JobLogServer log;
        ASSERT_TRUE(log.OpenLogAt(Path(temp.Path()), 0, kStart));
        log.PostStarted();
        name = log.Storer().FileName();
    }
    EXPECT_NE(Content(name).find("#Information:Started:"), std::string::npos);
}

TEST(JobLogServer, OneInstanceForTheProcess) { EXPECT_EQ(&JobLogServer::Instance(), &JobLogServer::Instance()); }

}  // namespace
