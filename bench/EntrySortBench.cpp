// The natural order of a folder's entries, alone and in memory, so that its
// cost reads the same on a busy machine: 20,000 names of the kinds photo,
// music and office folders hold, in three arrivals (scrambled, as FAT and
// Wine give them; ordinal case-folded, as NTFS gives them; already natural).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "raw/RawFolderScan.h"

using RawLayer::RawFindFileData;
using RawLayer::RawString;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<RawFindFileData> MakeEntries(size_t count) {
    std::mt19937 random(20261207);
    const char* const words[] = {"Report", "holiday", "Budget", "notes", "Übersicht", "Straße", "写真", "final"};
    std::vector<RawFindFileData> entries;
    entries.reserve(count);
    for (size_t i = 0; entries.size() < count; ++i) {
        std::string name;
        switch (i % 8) {
        case 0: case 1: case 2: name = "IMG_" + std::to_string(random() % 100000) + ".jpg"; break;
        case 3: name = "DSC0" + std::to_string(1000 + random() % 9000) + ".JPG"; break;
        case 4: name = std::to_string(1 + random() % 40) + " - Track " + std::to_string(random() % 300) + ".mp3"; break;
        case 5:
            name = std::string(words[random() % 8]) + " 20" + std::to_string(10 + random() % 20) + "-0" +
                   std::to_string(1 + random() % 9) + " v" + std::to_string(random() % 12) + ".docx";
            break;
        case 6: name = std::string(words[random() % 8]) + "_" + words[random() % 8] + ".txt"; break;
        default: name = "scan" + std::to_string(random() % 50000) + " (" + std::to_string(random() % 3) + ").pdf";
        }
        RawFindFileData entry;
        entry.name = RawString(name);
        entry.path = RawString("C:\\Photos\\" + name);
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Best of many rounds over copies of the same arrival.
double Best(const std::vector<RawFindFileData>& arrival, int rounds) {
    RawLayer::RawEntryNameSort sort;
    double best = 1e9;
    for (int round = 0; round < rounds; ++round) {
        std::vector<RawFindFileData> entries = arrival;
        const auto start = Clock::now();
        sort.Sort(&entries);
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main() {
    const size_t count = 20000;
    std::vector<RawFindFileData> scrambled = MakeEntries(count);
    std::vector<RawFindFileData> natural = scrambled;
    RawLayer::RawEntryNameSort().Sort(&natural);
    // Ordinal order of the upper-cased names: digit runs as text.
    std::vector<RawFindFileData> ordinal = scrambled;
    auto upper = [](const RawString& s) { return RawLayer::CaseMapped(s, true).ToUtf8(); };
    std::vector<std::pair<std::string, size_t>> keyed;
    for (size_t i = 0; i < ordinal.size(); ++i) keyed.emplace_back(upper(ordinal[i].name), i);
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < keyed.size(); ++i) ordinal[i] = scrambled[keyed[i].second];

    std::printf("natural order of %zu names, best of 30 rounds\n", count);
    std::printf("  scrambled: %.2f ms\n", Best(scrambled, 30) * 1e3);
    std::printf("  NTFS (ordinal): %.2f ms\n", Best(ordinal, 30) * 1e3);
    std::printf("  already natural: %.2f ms\n", Best(natural, 30) * 1e3);
    return 0;
}
