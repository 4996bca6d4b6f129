// A temporary folder per test with byte-exact file helpers, for the tests
// that need real files under Wine or Windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "raw/RawString.h"

namespace RawFileTest {

inline std::wstring Widen(const std::string& utf8) {
    return RawLayer::RawString(utf8).ToWide();
}

inline void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.c_str());
}

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        static int counter = 0;
        folder_ = std::wstring(temp) + L"varnelo_files_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                  std::to_wstring(++counter);
        RemoveTree(folder_);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(folder_); }

    // The folder joined with a name, as UTF-8 text for the code under test.
    RawLayer::RawString Path(const std::string& name) const {
        const std::string text = RawLayer::RawString::FromWide(folder_.c_str()).ToUtf8() +
                                 (name.empty() ? std::string() : "\\" + name);
        return RawLayer::RawString(std::string_view(text));
    }
    RawLayer::RawString Folder() const { return Path(""); }
    std::wstring WidePath(const std::string& name) const { return folder_ + L"\\" + Widen(name); }

    void Write(const std::string& name, const std::string& bytes) const {
        HANDLE file = CreateFileW(WidePath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        ASSERT_EQ(written, bytes.size());
    }
    std::string Read(const std::string& name) const {
        HANDLE file = CreateFileW(WidePath(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return "<missing>";
        std::string bytes;
        char buffer[65536];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
        CloseHandle(file);
        return bytes;
    }
    bool Exists(const std::string& name) const {
        return GetFileAttributesW(WidePath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::wstring folder_;
};

}  // namespace RawFileTest
