// A journaled rename run of 10,000 files in 100 folders against taking it
// back (finding the run, opening its journal, every move back), and the cost
// of the journal itself against a run without one.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "job/JobCondition.h"
#include "job/JobFileList.h"
#include "job/JobJournal.h"
#include "job/JobRename.h"
#include "raw/RawHandle.h"

using namespace JobLayer;
using RawLayer::RawString;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// User and kernel time of this process: on a machine shared with other work
// it varies far less than the clock on the wall.
double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return ((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

RawString Text(const std::wstring& w) { return RawString::FromWide(w.c_str()); }

using BenchSupport::RemoveTree;

// Every file of the folders renamed from one extension to the other.
double Run(const std::wstring& root, int folders, const char* from, const char* to, JobJournal* journal,
           int32_t* failed, double* cpu) {
    JobFileList list;
    for (int f = 0; f < folders; ++f) list.AddPath(Text(root + L"\\folder" + std::to_wstring(f)), true);
    JobCondition condition;
    EvaluationPass(list, condition, JobCondition::ViewStyle::TreeView, JobCondition::Limitation::File, (std::string("*.") + from).c_str(),
                   (std::string("%0.") + to).c_str());
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    *failed = RenameRun(list, nullptr, journal);
    if (journal) journal->Close();
    *cpu = CpuSeconds() - cpuStart;
    return Seconds(start);
}

}  // namespace

int main() {
    const int folders = 100, perFolder = 100, rounds = 5;
    wchar_t tempPath[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, tempPath);
    const std::wstring root = std::wstring(tempPath) + L"VarneloUndoBench";
    const std::wstring logs = root + L"\\logs";
    RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(logs.c_str(), nullptr);
    for (int f = 0; f < folders; ++f) {
        const std::wstring folder = root + L"\\folder" + std::to_wstring(f);
        CreateDirectoryW(folder.c_str(), nullptr);
        for (int i = 0; i < perFolder; ++i) {
            const RawLayer::RawFileHandle file(CreateFileW((folder + L"\\file" + std::to_wstring(i) + L".txt").c_str(),
                                                           GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        }
    }
    const int files = folders * perFolder;
    int32_t failed = 0;
    double cpu = 0;
    // Warm the folders, and a run without a journal to set the journal's cost against.
    Run(root, folders, "txt", "dat", nullptr, &failed, &cpu);
    const double bare = Run(root, folders, "dat", "txt", nullptr, &failed, &cpu);
    std::printf("run without journal: %d files in %.3f s (%.0f/s), cpu %.3f s, %d failed\n", files, bare, files / bare,
                cpu, failed);

    std::vector<double> ratios, cpuRatios;
    for (int round = 0; round < rounds; ++round) {
        // One log per round, as one process each.
        const std::wstring log = logs + L"\\Varnelo_20250406_0315" + std::to_wstring(10 + round) + L"_000.log";
        const RawLayer::RawFileHandle logFile(
            CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
        JobJournal journal(Text(log));
        double runCpu = 0;
        const double run = Run(root, folders, "txt", "dat", &journal, &failed, &runCpu);
        std::printf("round %d: run with journal %d files in %.3f s (%.0f/s), cpu %.3f s, %d failed, %d recorded\n",
                    round + 1, files, run, files / run, runCpu, failed, journal.Count());

        auto start = std::chrono::steady_clock::now();
        JobJournalRun found;
        JobUndo planner;
        const bool ready = FindUndoableRun(Text(logs), &found) && planner.Open(found.path) == JobUndo::Ready;
        const std::vector<JobUndoStep> plan = planner.Plan();
        planner.Close();
        const double planned = Seconds(start);
        const auto refused = std::count_if(plan.begin(), plan.end(), [](const JobUndoStep& s) { return s.error != 0; });

        start = std::chrono::steady_clock::now();
        const double cpuStart = CpuSeconds();
        JobUndo undo;
        int32_t undoFailed = -1;
        if (ready && FindUndoableRun(Text(logs), &found) && undo.Open(found.path) == JobUndo::Ready)
            undoFailed = undo.Carry();
        const double undone = Seconds(start), undoCpu = CpuSeconds() - cpuStart;
        ratios.push_back(undone / run);
        cpuRatios.push_back(undoCpu / runCpu);
        std::printf("round %d: plan %zu steps in %.3f s, %lld refused; undo in %.3f s (%.0f/s), cpu %.3f s, "
                    "%d failed; undo/run %.2f, cpu %.2f\n",
                    round + 1, plan.size(), planned, static_cast<long long>(refused), undone, files / undone, undoCpu,
                    undoFailed, undone / run, undoCpu / runCpu);
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(cpuRatios.begin(), cpuRatios.end());
    std::printf("undo/run: median %.2f by the clock, %.2f by processor time (goal: at most 1.25)\n",
                ratios[ratios.size() / 2], cpuRatios[cpuRatios.size() / 2]);
    RemoveTree(root);
    return 0;
}
