// A journaled rename run against a bare MoveFileExW loop over files of the
// same folders: 10,000 files in folders of 100, and 2,000 files in one
// folder. Of every three files the loop takes one, the run with its journal
// one and a run without a journal the third, a tenth of each in turn, so that
// a busy moment of a shared machine falls on all three; figures are per item.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

RawString Text(const std::wstring& w) { return RawString::FromWide(w.c_str()); }

std::wstring FolderPath(const std::wstring& root, int f) { return root + L"\\folder" + std::to_wstring(f); }
std::wstring FilePath(const std::wstring& root, int f, int i, const wchar_t* ext) {
    return FolderPath(root, f) + L"\\file" + std::to_wstring(i) + L"." + ext;
}

struct Case {
    int folders, perFolder;
    std::vector<double> bare, run, plain, facts;
};

constexpr int kChunks = 10;

// One round: every file from one extension to the other, the even ones by the
// bare loop, the odd ones by runs with journals. Times of each, and of
// reading size and time by name as the journal once did.
void Round(const std::wstring& root, const std::wstring& logs, Case& k, int round, const wchar_t* from,
           const wchar_t* to) {
    JobFileList list;
    for (int f = 0; f < k.folders; ++f) list.AddPath(Text(FolderPath(root, f)), true);
    JobCondition condition;
    const std::string pattern = "*." + Text(from).ToUtf8(), templ = "%0." + Text(to).ToUtf8();
    EvaluationPass(list, condition, JobCondition::ViewStyle::TreeView, JobCondition::Limitation::File,
                   pattern.c_str(), templ.c_str());
    // The units of the run's files and of the plain run's, in list order.
    std::vector<JobFileUnit*> odd, third;
    for (JobFileUnit& unit : list) {
        const bool checked = unit.Has(JobFileUnit::Checked);
        unit.Clear(JobFileUnit::Checked);
        if (!checked) continue;
        const std::string name = unit.name.ToUtf8();
        const int number = std::atoi(name.c_str() + 4);
        if (number % 3 == 1) odd.push_back(&unit);
        if (number % 3 == 2) third.push_back(&unit);
    }
    std::vector<std::pair<std::wstring, std::wstring>> even;
    for (int f = 0; f < k.folders; ++f)
        for (int i = 0; i < k.perFolder; i += 3) even.emplace_back(FilePath(root, f, i, from), FilePath(root, f, i, to));
    double bare = 0, run = 0, plain = 0, facts = 0;
    for (int chunk = 0; chunk < kChunks; ++chunk) {
        const size_t evenFrom = even.size() * chunk / kChunks, evenTo = even.size() * (chunk + 1) / kChunks;
        const size_t oddFrom = odd.size() * chunk / kChunks, oddTo = odd.size() * (chunk + 1) / kChunks;
        WIN32_FILE_ATTRIBUTE_DATA data;
        auto start = Clock::now();
        for (size_t i = evenFrom; i < evenTo; ++i) GetFileAttributesExW(even[i].first.c_str(), GetFileExInfoStandard, &data);
        facts += Seconds(start);
        start = Clock::now();
        for (size_t i = evenFrom; i < evenTo; ++i) MoveFileExW(even[i].first.c_str(), even[i].second.c_str(), 0);
        bare += Seconds(start);

        for (size_t i = oddFrom; i < oddTo; ++i) odd[i]->Set(JobFileUnit::Checked);
        const std::wstring log =
            logs + L"\\Varnelo_20250406_0315" + std::to_wstring(10 + chunk) + L"_" + std::to_wstring(round) + L".log";
        {
            const RawLayer::RawFileHandle logFile(
                CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
        JobJournal journal(Text(log));
        start = Clock::now();
        const int32_t failed = RenameRun(list, nullptr, &journal);
        journal.Close();
        run += Seconds(start);
        if (failed != 0 || journal.Count() != static_cast<int32_t>(oddTo - oddFrom))
            std::printf("  chunk %d: %d failed, %d recorded\n", chunk, failed, journal.Count());
        if (!journal.Path().IsEmpty()) DeleteFileW(journal.Path().ToWide().c_str());
        DeleteFileW(log.c_str());

        const size_t thirdFrom = third.size() * chunk / kChunks, thirdTo = third.size() * (chunk + 1) / kChunks;
        for (size_t i = thirdFrom; i < thirdTo; ++i) third[i]->Set(JobFileUnit::Checked);
        start = Clock::now();
        RenameRun(list);
        plain += Seconds(start);
    }
    bare /= static_cast<double>(even.size());
    run /= static_cast<double>(odd.size());
    plain /= static_cast<double>(third.size());
    facts /= static_cast<double>(even.size());
    k.bare.push_back(bare);
    k.run.push_back(run);
    k.plain.push_back(plain);
    k.facts.push_back(facts);
    std::printf("round %d, %d x %d files, per item: bare MoveFileExW %.1f us, run with journal %.1f us (%.0f%%), "
                "run without journal %.1f us; size and time by name alone %.1f us\n",
                round + 1, k.folders, k.perFolder, bare * 1e6, run * 1e6, 100.0 * bare / run, plain * 1e6, facts * 1e6);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6;
    wchar_t tempPath[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, tempPath);
    const std::wstring base = std::wstring(tempPath) + L"VarneloRenameBench";
    BenchSupport::RemoveTree(base);
    CreateDirectoryW(base.c_str(), nullptr);
    const std::wstring logs = base + L"\\logs";
    CreateDirectoryW(logs.c_str(), nullptr);
    std::vector<Case> cases = {{100, 100, {}, {}, {}, {}}, {1, 2000, {}, {}, {}, {}}};
    for (size_t c = 0; c < cases.size(); ++c) {
        const std::wstring root = base + L"\\case" + std::to_wstring(c);
        CreateDirectoryW(root.c_str(), nullptr);
        for (int f = 0; f < cases[c].folders; ++f) {
            CreateDirectoryW(FolderPath(root, f).c_str(), nullptr);
            for (int i = 0; i < cases[c].perFolder; ++i) {
                const RawLayer::RawFileHandle file(
                    CreateFileW(FilePath(root, f, i, L"txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
                DWORD written = 0;
                WriteFile(file.Get(), "xxxxxx", static_cast<DWORD>(i % 7), &written, nullptr);
            }
        }
    }
    // The first round of each direction warms the folders and is not counted.
    for (int round = 0; round <= rounds; ++round)
        for (size_t c = 0; c < cases.size(); ++c) {
            const std::wstring root = base + L"\\case" + std::to_wstring(c);
            const bool forth = round % 2 == 0;
            Round(root, logs, cases[c], round, forth ? L"txt" : L"dat", forth ? L"dat" : L"txt");
            if (round == 0) {
                cases[c].bare.clear();
                cases[c].run.clear();
                cases[c].plain.clear();
                cases[c].facts.clear();
            }
        }
    for (Case& k : cases) {
        std::vector<double> ratios;
        for (size_t i = 0; i < k.bare.size(); ++i) ratios.push_back(k.bare[i] / k.run[i]);
        std::sort(ratios.begin(), ratios.end());
        std::sort(k.bare.begin(), k.bare.end());
        std::sort(k.run.begin(), k.run.end());
        std::printf("%d files in %s: run with journal at %.0f%% of a bare MoveFileExW loop (median of %zu rounds; "
                    "best against best %.0f%%; goal at least 90%%)\n",
                    k.folders * k.perFolder, k.folders == 1 ? "one folder" : "folders of 100",
                    100.0 * ratios[ratios.size() / 2], ratios.size(), 100.0 * k.bare[0] / k.run[0]);
    }
    BenchSupport::RemoveTree(base);
    return 0;
}
