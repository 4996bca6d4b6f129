// A RawFolderScan walk of a generated tree of 1,000 folders with 100 files
// each against a bare FindFirstFileExW/FindNextFileW loop over the same tree.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "raw/RawFolderScan.h"
#include "raw/RawHandle.h"
#include "raw/RawShell.h"

using namespace RawLayer;

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool MakeTree(const std::wstring& root) {
    if (!CreateDirectoryW(root.c_str(), nullptr)) return false;
    for (int f = 0; f < kFolders; ++f) {
        const std::wstring folder = root + L"\\folder_" + std::to_wstring(f);
        if (!CreateDirectoryW(folder.c_str(), nullptr)) return false;
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const std::wstring file = folder + L"\\file_" + std::to_wstring(i) + L".txt";
            const RawLayer::RawFileHandle h(
                CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!h) return false;
        }
    }
    return true;
}

void RemoveTree(const std::wstring& root) {
    for (int f = 0; f < kFolders; ++f) {
        const std::wstring folder = root + L"\\folder_" + std::to_wstring(f);
        for (int i = 0; i < kFilesPerFolder; ++i)
            DeleteFileW((folder + L"\\file_" + std::to_wstring(i) + L".txt").c_str());
        RemoveDirectoryW(folder.c_str());
    }
    RemoveDirectoryW(root.c_str());
}

// The bare loop: what the platform costs with nothing done per entry but counting.
long long BareWalk(const std::wstring& folder, std::vector<std::wstring>* subfolders, unsigned long long* bytes) {
    long long count = 0;
    WIN32_FIND_DATAW data;
    const RawLayer::RawFindHandle find(
        FindFirstFileExW((folder + L"\\*.*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) return 0;
    do {
        const wchar_t* n = data.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
        ++count;
        *bytes += data.nFileSizeLow;
        if (subfolders && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) subfolders->push_back(folder + L"\\" + n);
    } while (FindNextFileW(find.Get(), &data));
    return count;
}

long long BareTree(const std::wstring& root) {
    std::vector<std::wstring> folders;
    unsigned long long bytes = 0;
    long long count = BareWalk(root, &folders, &bytes);
    for (const std::wstring& f : folders) count += BareWalk(f, nullptr, &bytes);
    return count;
}

// The same walk through RawFolderScan, the way the item list expands a dropped folder.
long long ScanTree(const RawString& root) {
    long long count = 0;
    std::vector<RawString> folders;
    RawFolderScan scan(root);
    while (scan.Next(RawFolderScan::SkipDots)) {
        ++count;
        if (scan.Data().IsFolder()) folders.push_back(scan.Data().path);
    }
    for (const RawString& folder : folders) {
        scan.Start(folder);
        while (scan.Next(RawFolderScan::SkipDots)) ++count;
    }
    return count;
}

}  // namespace

int main() {
    const std::wstring root =
        TempFolder(RawCodeKind::Wide).ToWide() + L"varnelo_scan_bench_" + std::to_wstring(GetCurrentProcessId());
    std::printf("creating %d folders x %d files under %ls ...\n", kFolders, kFilesPerFolder, root.c_str());
    double start = Now();
    if (!MakeTree(root)) {
        std::printf("cannot create the tree\n");
        RemoveTree(root);
        return 1;
    }
    std::printf("created in %.1f s\n", Now() - start);

    const RawString rootUtf8(RawString::FromWide(root.c_str()), RawCodeKind::Utf8);
    const RawString rootWide(RawString::FromWide(root.c_str()), RawCodeKind::Wide);
    double bare = 1e9, scanned = 1e9, scannedWide = 1e9;
    long long counts[3] = {};
    for (int round = 0; round < 5; ++round) {
        start = Now();
        counts[0] = BareTree(root);
        bare = std::min(bare, Now() - start);
        start = Now();
        counts[1] = ScanTree(rootUtf8);
        scanned = std::min(scanned, Now() - start);
        start = Now();
        counts[2] = ScanTree(rootWide);
        scannedWide = std::min(scannedWide, Now() - start);
    }
    std::printf("entries: bare %lld, scan %lld, scan (wide) %lld\n", counts[0], counts[1], counts[2]);
    std::printf("bare FindFirstFileExW/FindNextFileW: %8.1f ms  %10.0f entries/s\n", bare * 1e3, counts[0] / bare);
    std::printf("RawFolderScan (UTF-8 paths):        %8.1f ms  %10.0f entries/s  ratio %.1f%%\n", scanned * 1e3,
                counts[1] / scanned, 100.0 * bare / scanned);
    std::printf("RawFolderScan (wide paths):         %8.1f ms  %10.0f entries/s  ratio %.1f%%\n", scannedWide * 1e3,
                counts[2] / scannedWide, 100.0 * bare / scannedWide);
    RemoveTree(root);
    return counts[0] == counts[1] && counts[1] == counts[2] ? 0 : 1;
}
