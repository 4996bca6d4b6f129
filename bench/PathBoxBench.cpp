// The path box refilled as the user types: entries of a folder of 10,000
// files (scan, sort) and the box's relayout of them, each per fill.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "raw/RawHandle.h"
#include "raw/RawShell.h"
#include "win/WinPathDialog.h"

using namespace WinLayer;
using RawLayer::RawString;

namespace {

constexpr int kFiles = 10000;
constexpr int kRounds = 10;

double Milliseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder = std::wstring(temp) + L"varnelo-pathbox-bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    for (int i = 0; i < kFiles; ++i) {
        const std::wstring name = folder + L"\\file" + std::to_wstring(i) + L".txt";
        RawLayer::RawKernelHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    const RawString typed = RawString::FromWide((folder + L"\\new").c_str());

    auto start = std::chrono::steady_clock::now();
    WinPathBoxItemList items;
    for (int round = 0; round < kRounds; ++round)
        FillPathBoxItems(typed, kPathFileMode, WinPathPlaces::Current(), RawString(), items);
    std::printf("entries of %d files:      %8.2f ms per fill (%d rows)\n", kFiles, Milliseconds(start) / kRounds,
                items.Count());

    WinPathBox box;
    box.SetClientSize({500, 400});
    start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        box.Fill(typed, kPathFileMode);
        box.Flush();
    }
    std::printf("box fill with its layout: %8.2f ms per fill\n", Milliseconds(start) / kRounds);
    start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        box.Fill(typed, kPathFileMode, true);
        box.Flush();
    }
    std::printf("the same, typed:          %8.2f ms per fill\n", Milliseconds(start) / kRounds);

    for (int i = 0; i < kFiles; ++i) DeleteFileW((folder + L"\\file" + std::to_wstring(i) + L".txt").c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
