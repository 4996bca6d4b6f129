// Reading one section of, and rewriting one value in, profiles of 1, 5 and
// 10 MB: the time per megabyte should stay flat (linear growth).
#include <windows.h>

#include <cstdio>
#include <string>

#include "raw/RawHandle.h"
#include "raw/RawParameterFile.h"
#include "raw/RawShell.h"

using namespace RawLayer;

namespace {

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// About `megabytes` MB of sections of 100 entries each.
std::string MakeProfile(int megabytes, int* sections) {
    std::string text = "; generated profile\r\n";
    const size_t target = static_cast<size_t>(megabytes) << 20;
    int s = 0;
    while (text.size() < target) {
        text += "[Section" + std::to_string(s++) + "]\r\n";
        for (int k = 0; k < 100; ++k)
            text += "Key" + std::to_string(k) + "=Value of entry " + std::to_string(k) + " in this section\r\n";
        text += "\r\n";
    }
    *sections = s;
    return text;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    const RawLayer::RawFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

int main() {
    const RawString folder = JoinPath(TempFolder(), RawString("varnelo_profile_bench"));
    EnsureFolder(folder);
    const RawString path = JoinPath(folder, RawString("bench.ini"));
    std::printf("%-6s %10s %12s %12s %14s %14s\n", "size", "sections", "read ms", "rewrite ms", "read ms/MB",
                "rewrite ms/MB");
    for (int megabytes : {1, 5, 10}) {
        int sections = 0;
        const std::string text = MakeProfile(megabytes, &sections);
        if (!WriteAll(path.ToWide(), text)) {
            std::printf("cannot write %s\n", path.ToUtf8().c_str());
            return 1;
        }
        RawString middle("Section");
        middle.AppendInt(sections / 2);
        double best[2] = {1e9, 1e9};
        for (int round = 0; round < 5; ++round) {
            RawParameterFile file(path);
            RawParameterList list;
            double start = Now();
            const bool read = file.ReadSection(&list, middle);
            best[0] = std::min(best[0], Now() - start);
            start = Now();
            const bool written = file.WriteValue(middle, "Key50", round % 2 ? "odd" : "even");
            best[1] = std::min(best[1], Now() - start);
            if (!read || list.Count() != 100 || !written) {
                std::printf("failed: read %d (%d units), write %d\n", read, list.Count(), written);
                return 1;
            }
        }
        std::printf("%3d MB %10d %12.1f %12.1f %14.2f %14.2f\n", megabytes, sections, best[0] * 1e3, best[1] * 1e3,
                    best[0] * 1e3 / megabytes, best[1] * 1e3 / megabytes);
    }
    DeleteFileW(path.ToWide().c_str());
    RemoveDirectoryW(folder.ToWide().c_str());
    return 0;
}
