// The job log: records, rotation among foreign files, the file's name and
// content, posting from many threads, and a log that cannot be written.
#include "job/JobLog.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

using namespace JobLayer;
using namespace TestSupport;
using RawLayer::RawString;

namespace {

const RawSystemTime kStart{2025, 4, 6, 3, 15, 2, 250};
const char kFirstName[] = "\\Varnelo_20250406_031502_250.log";

TEST(JobLogFormat, Records) {
    struct Case { const char *recordClass, *event, *detail, *text, *expected; } cases[] = {
        {"Error", "Rename", "Access", "D:\\x", "#Error:Rename:Access:20250406.031502.250|$D:\\x\r\n"},
        {"Note", "", "", "", "#Note:20250406.031502.250\r\n"},
        {"Note", "", "Only", "", "#Note:Only:20250406.031502.250\r\n"},
        {"Note", "E", "", "free text", "#Note:E:20250406.031502.250|$free text\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatRecord(kStart, c.recordClass, c.event, c.detail, c.text).ToUtf8(), c.expected);
}

// Creates a file with a last-write time some hours after a fixed base.
void MakeFile(const std::wstring& path, int hours) {
    ASSERT_TRUE(WriteFileBytes(path, "x"));
    const RawLayer::RawFileHandle h(
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(h);
    ULARGE_INTEGER t;
    t.QuadPart = 133000000000000000ull + static_cast<uint64_t>(hours) * 36000000000ull;
    FILETIME ft{t.LowPart, t.HighPart};
    EXPECT_TRUE(SetFileTime(h.Get(), nullptr, nullptr, &ft));
}

// Files that look almost like the program's logs and are all older than
// them: rotation must count and delete none of them.
const wchar_t* const kForeign[] = {
    L"notes.txt", L"old.log", L"varnelo.ini", L"Varnelo.log", L"Varnelo_Dump_20200101_000000_000.dmp",
    L"Varnelo_20200101_000000_000.log.bak", L"Varnelo_20200101_000000_00.log", L"Varnelo_20200101-000000_000.log",
    L"Varnelo_2020O101_000000_000.log", L"MyVarnelo_20200101_000000_000.log", L"Varnelo_20200101_000000_000.txt"};

TEST(JobLogRotation, KeepsRoomForTheNewFileAndLeavesForeignFilesAlone) {
    // The newest expectedKept of the logs survive.
    struct Case { int32_t maxFiles; int logs, expectedKept; } cases[] = {{-5, 3, 3}, {1, 3, 0}, {3, 3, 2}, {3, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.maxFiles) + " " + std::to_string(c.logs));
        TempDir temp;
        for (const wchar_t* name : kForeign) MakeFile(temp.Join(name), 0);
        ASSERT_TRUE(CreateFolder(temp.Join(L"Varnelo_20200101_000000_001.log")));
        // Written youngest first and named against their age (the i-th is
        // the i-th oldest), so that only the times can put them right.
        auto logName = [](int i) { return L"Varnelo_2024010" + std::to_wstring(9 - i) + L"_120000_000.log"; };
        for (int i = c.logs - 1; i >= 0; --i) MakeFile(temp.Join(logName(i)), 10 + i);
        EXPECT_EQ(RotateLogs(Raw(temp.Path()), c.maxFiles), c.logs - c.expectedKept);
        for (const wchar_t* name : kForeign) EXPECT_TRUE(FileExists(temp.Join(name))) << Narrow(name);
        EXPECT_TRUE(FolderExists(temp.Join(L"Varnelo_20200101_000000_001.log")));
        for (int i = 0; i < c.logs; ++i)
            EXPECT_EQ(FileExists(temp.Join(logName(i))), i >= c.logs - c.expectedKept) << i;
    }
}

class JobLogFile : public TempDirTest {
protected:
    static std::string Content(const RawString& path) { return ReadFileBytes(Widen(path.ToUtf8())).value_or("?"); }
    static std::string Header(const char* zone) {
        return std::string("// ") + RawLayer::kProductName + " Version " + RawLayer::kVersionText +
               "\r\n// <TimeZone>UTC" + zone + "\r\n\r\n";
    }
    // Lines after the header.
    static std::vector<std::string> Records(const std::string& content) {
        EXPECT_TRUE(content.ends_with("\r\n")) << "every line is ended";
        std::vector<std::string> lines;
        size_t at = content.find("\r\n\r\n");
        at = at == std::string::npos ? content.size() : at + 4;
        for (size_t end; (end = content.find("\r\n", at)) != std::string::npos; at = end + 2)
            lines.push_back(content.substr(at, end - at));
        return lines;
    }
};

TEST_F(JobLogFile, HeaderThenRecordsInPostingOrder) {
    JobLogServer log;
    log.SetUtcOffsetMinutes(540);
    log.Post("#Note:early:20250406.031502.249\r\n");  // before there is a file
    const std::wstring folder = temp.Join(L"new\\logs");  // created with its parent
    ASSERT_TRUE(log.OpenLogAt(Raw(folder), 200, kStart));
    const RawString name = log.Storer().FileName();
    EXPECT_EQ(name.ToUtf8(), Narrow(folder) + kFirstName);
    log.PostStarted();
    log.Post("#Note:middle:20250406.031502.251\r\n");
    log.PostTerminated();
    log.Shutdown();
    const std::string content = Content(name);
    EXPECT_EQ(content.substr(0, Header("+09:00").size()), Header("+09:00"));
    EXPECT_EQ(content.find('\xEF'), std::string::npos) << "no byte-order mark";
    const auto records = Records(content);
    ASSERT_EQ(records.size(), 4u) << content;
    const std::string stamp = ":\\d{8}\\.\\d{6}\\.\\d{3}";  // from the clock
    EXPECT_EQ(records[0], "#Note:early:20250406.031502.249");
    EXPECT_TRUE(std::regex_match(records[1], std::regex("#Information:Started" + stamp))) << records[1];
    EXPECT_EQ(records[2], "#Note:middle:20250406.031502.251");
    EXPECT_TRUE(std::regex_match(records[3], std::regex("#Information:Terminated" + stamp))) << records[3];
}

TEST_F(JobLogFile, NameAndTimeZoneOfTheHeader) {
    struct Case { int32_t offset; const wchar_t* folder; const char* zone; } cases[] = {
        {-210, L"a", "-03:30"}, {0, L"b\\", "+00:00"}, {-30, L"c", "-00:30"}, {345, L"d/", "+05:45"}};
    for (const Case& c : cases) {
        JobLogServer log;
        log.SetUtcOffsetMinutes(c.offset);
        ASSERT_TRUE(log.OpenLogAt(Raw(temp.Join(c.folder)), 0, kStart));
        log.Shutdown();
        const std::string folder = Narrow(temp.Join(c.folder));
        const bool separated = folder.back() == '\\' || folder.back() == '/';  // then not doubled
        EXPECT_EQ(log.Storer().FileName().ToUtf8(), folder + (kFirstName + (separated ? 1 : 0)));
        EXPECT_EQ(Content(log.Storer().FileName()), Header(c.zone));
    }
}

// Logs opened at the same moment for the same millisecond each claim a file
// of their own (two runs in one millisecond must not share one), and a file
// that is there under a chosen name is left alone.
TEST_F(JobLogFile, LogsOpenedTogetherNeverShareOrOverwriteAFile) {
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"Varnelo_20250406_031502_252.log"), "not ours"));
    constexpr size_t kLogs = 8;
    std::vector<std::unique_ptr<JobLogServer>> logs;
    for (size_t i = 0; i < kLogs; ++i) logs.push_back(std::make_unique<JobLogServer>());
    std::vector<std::thread> openers;
    for (auto& log : logs)
        openers.emplace_back([&log, this] { EXPECT_TRUE(log->OpenLogAt(Raw(temp.Path()), 0, kStart)); });
    for (std::thread& opener : openers) opener.join();
    std::set<std::string> names;
    for (auto& log : logs) {
        log->PostStarted();
        const RawString name = log->Storer().FileName();
        names.insert(name.ToUtf8());
        // The last goes away without a shutdown, which must still drain and end its writer.
        if (&log == &logs.back()) log.reset();
        else log->Shutdown();
        EXPECT_EQ(Records(Content(name)).size(), 1u) << Content(name);
    }
    EXPECT_EQ(names.size(), kLogs);
    EXPECT_EQ(names.count(Narrow(temp.Join(L"Varnelo_20250406_031502_252.log"))), 0u);
    EXPECT_EQ(ReadFileBytes(temp.Join(L"Varnelo_20250406_031502_252.log")), "not ours");
    EXPECT_EQ(TreeNames(temp.Path()).size(), kLogs + 1);
}

TEST_F(JobLogFile, ThreadsPostingTogetherLoseNothingAndKeepTheirOrder) {
    JobLogServer log;
    ASSERT_TRUE(log.OpenLogAt(Raw(temp.Path()), 0, kStart));
    constexpr int kThreads = 8, kLines = 400;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&log, t] {
            for (int i = 0; i < kLines; ++i) {
                log.Post(RawString(std::string_view("T" + std::to_string(t) + " " + std::to_string(i) + "\r\n")));
                if (i % 50 == 0) Sleep(1);  // let the writer run in between
            }
        });
    for (std::thread& p : posters) p.join();
    log.Shutdown();  // must drain what is still queued
    log.Post("after the end\r\n");
    EXPECT_EQ(log.Storer().QueuedCount(), 0);
    log.Shutdown();  // a second shutdown returns at once
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

TEST_F(JobLogFile, NoLogWhenTheFolderCannotBeMadeOrAfterShutdownAndNoWaiting) {
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"blocker"), "a file, not a folder"));
    const std::wstring folders[] = {temp.Join(L"blocker"), temp.Join(L"blocker\\logs"), L"", temp.Path()};
    for (const std::wstring& folder : folders) {
        SCOPED_TRACE(Narrow(folder));
        const ULONGLONG start = GetTickCount64();
        JobLogServer log;
        if (folder == temp.Path()) log.Shutdown();  // shut down before it was ever opened
        EXPECT_FALSE(log.OpenLogAt(Raw(folder), 3, kStart) || log.Storer().IsOpen());
        log.PostStarted();
        log.PostTerminated();
        EXPECT_EQ(log.Storer().QueuedCount(), 0) << "nothing collects lines that no file will take";
        log.Shutdown();
        EXPECT_LT(GetTickCount64() - start, 1000u);
    }
    EXPECT_EQ(TreeNames(temp.Path()), std::vector<std::string>{"blocker"});
}

}  // namespace
