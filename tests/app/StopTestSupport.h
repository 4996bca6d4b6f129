// Stopping long work from outside a started program: 2,000 files to rename,
// the program started in the background, and the check of what a stopped
// run left: the disk as its journal tells it, and an undo back to the
// original tree.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "job/JobJournal.h"
#include "raw/RawHandle.h"

namespace StopTest {

using namespace TestSupport;

constexpr int32_t kFiles = 2000;
constexpr DWORD kDeadlineMs = 60000;

// A program running in the background, in a job that ends it with the test;
// its standard output is read as it comes.
struct Started {
    RawLayer::RawKernelHandle process, job, readEnd;
    DWORD id = 0;
    std::string output;

    bool Start(const std::wstring& commandLine, const std::wstring& folder) {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        RawLayer::RawKernelHandle writeEnd;
        // A small pipe: the program cannot run far ahead of what was read.
        if (!CreatePipe(readEnd.Put(), writeEnd.Put(), &inheritable, 1024)) return false;
        SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd.Get();
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        job.Reset(CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
        PROCESS_INFORMATION info{};
        std::wstring line = commandLine;
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, folder.c_str(),
                            &startup, &info))
            return false;
        process.Reset(info.hProcess);
        const RawLayer::RawKernelHandle thread(info.hThread);
        id = info.dwProcessId;
        AssignProcessToJobObject(job.Get(), process.Get());
        ResumeThread(thread.Get());
        return true;
    }
    void Drain() {
        DWORD available = 0, got = 0;
        char buffer[512];
        while (PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
               ReadFile(readEnd.Get(), buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) && got > 0)
            output.append(buffer, got);
    }
    // Reads on until done holds; false when the program ended or the deadline passed first.
    bool Until(const std::function<bool()>& done) {
        const ULONGLONG deadline = GetTickCount64() + kDeadlineMs;
        while (GetTickCount64() < deadline) {
            Drain();
            if (done()) return true;
            if (WaitForSingleObject(process.Get(), 1) == WAIT_OBJECT_0) return Drain(), done();
        }
        return false;
    }
    // Waits for the end; the exit code, or 99 when it did not end in time.
    DWORD End() {
        if (!Until([&] { return WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0; })) return 99;
        DWORD code = 99;
        GetExitCodeProcess(process.Get(), &code);
        return code;
    }
    ~Started() {
        if (job) TerminateJobObject(job.Get(), 1);
    }
};

// Files f0000.txt to f1999.txt in data, each holding its name; a profile
// beside the program that logs into logs.
inline std::map<std::string, std::string> MakeTree(const std::wstring& data, const std::wstring& program,
                                                   const std::wstring& logs) {
    WriteFileBytes(program.substr(0, program.size() - 4) + L".ini",
                   "[Common]\r\nProgram=Varnelo\r\n[Option]\r\nLogFolder=" + Narrow(logs) + "\r\n");
    for (int32_t i = 0; i < kFiles; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"f%04d.txt", i);
        WriteFileBytes(data + L"\\" + name, Narrow(name));
    }
    return TreeSnapshot(data);
}

// The one journal in the log folder; empty while there is none.
inline std::wstring JournalIn(const std::wstring& logs) {
    WIN32_FIND_DATAW found{};
    const HANDLE find = FindFirstFileW((logs + L"\\*.journal").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return std::wstring();
    FindClose(find);
    return logs + L"\\" + found.cFileName;
}

// Renames recorded in the journal so far.
inline int32_t Journaled(const std::wstring& logs, JobLayer::JobJournalRun* run = nullptr) {
    const std::wstring path = JournalIn(logs);
    JobLayer::JobJournalRun read;
    std::vector<JobLayer::JobJournalEntry> entries;
    if (path.empty() || !JobLayer::ReadJournal(Raw(path), &read, &entries)) return 0;
    if (run) *run = read;
    return static_cast<int32_t>(entries.size());
}

// The disk is as the journal of the stopped run tells, which ended as any
// run does, with renamed items; then an undo brings back the tree exactly.
inline void CheckAndUndo(const std::wstring& program, const std::wstring& data, const std::wstring& logs,
                         const std::map<std::string, std::string>& before, int32_t renamed) {
    JobLayer::JobJournalRun run;
    std::vector<JobLayer::JobJournalEntry> entries;
    ASSERT_TRUE(JobLayer::ReadJournal(Raw(JournalIn(logs)), &run, &entries));
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(static_cast<int32_t>(entries.size()), renamed);
    int32_t moved = 0;
    for (const auto& [name, content] : TreeSnapshot(data)) moved += name.rfind("x_", 0) == 0;
    EXPECT_EQ(moved, renamed);
    for (const JobLayer::JobJournalEntry& entry : entries) {
        EXPECT_TRUE(FileExists(Widen(entry.newPath.ToUtf8()))) << entry.newPath.ToUtf8();
        EXPECT_FALSE(FileExists(Widen(entry.oldPath.ToUtf8()))) << entry.oldPath.ToUtf8();
    }
    DWORD code = 99;
    std::string out;
    ASSERT_TRUE(RunProcess(CommandLine(program, {L"-u", L"-a"}), &code, &out, kDeadlineMs, data))
        << "code " << code << ", error " << GetLastError() << ", output " << out.substr(0, 300);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(out.find("\r\n" + std::to_string(renamed) + " restored, 0 failed\r\n"), std::string::npos)
        << out.substr(out.size() > 200 ? out.size() - 200 : 0);
    EXPECT_EQ(TreeSnapshot(data), before);
}

}  // namespace StopTest
