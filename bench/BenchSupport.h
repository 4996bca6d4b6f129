// What the benches share: removing the trees they made.
#pragma once

#include <windows.h>

#include <string>

#include "raw/RawHandle.h"

namespace BenchSupport {

// Deletes a folder with everything below it; what cannot go stays.
inline void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    const RawLayer::RawFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(folder + L"\\" + name);
            else DeleteFileW((folder + L"\\" + name).c_str());
        } while (FindNextFileW(find.Get(), &data));
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace BenchSupport
