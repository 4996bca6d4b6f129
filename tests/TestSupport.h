// Helpers shared by all test programs: temporary folders, file contents, text
// conversion, and starting Varnelo.exe as a process with its output captured.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "raw/RawHandle.h"  // the owners of the handles tests open
#include "raw/RawString.h"

namespace TestSupport {

// A fresh, uniquely named folder under %TEMP%, removed with everything in it
// when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Without a trailing backslash.
    const std::wstring& Path() const { return path; }
    // Path() + "\" + relative.
    std::wstring Join(const std::wstring& relative) const;

private:
    std::wstring path;
};

// Base for tests that need a folder of their own: `temp` is new for each test.
class TempDirTest : public ::testing::Test {
protected:
    TempDir temp;
};

// A copy of Varnelo.exe in a folder of its own ("prog"), so that its main
// profile and log stay inside the test's folder, and an empty "data" folder
// for it to work on.
class ProgramTest : public TempDirTest {
protected:
    void SetUp() override;
    std::wstring program;  // prog\Varnelo.exe
    std::wstring data;
};

// Removes a file or a folder tree; read-only files go too, and linked
// folders (reparse points) are unlinked, never entered. True when nothing is
// left at path.
bool RemoveTree(const std::wstring& path);

bool CreateFolder(const std::wstring& path);
bool FileExists(const std::wstring& path);   // an existing file, not a folder
bool FolderExists(const std::wstring& path); // an existing folder

// Every file and folder below the folder by relative path: a file's content,
// or "" for a folder, whose key ends in "\". Linked folders are not entered.
std::map<std::string, std::string> TreeSnapshot(const std::wstring& folder);
// The relative paths of the snapshot alone, in its order.
std::vector<std::string> TreeNames(const std::wstring& folder);

// Creates or replaces the file with exactly these bytes.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The same, creating the missing folders above the file first.
bool PutFile(const std::wstring& path, const std::string& bytes);
// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// A path as the program's strings hold it: UTF-8.
RawLayer::RawString Raw(const std::wstring& path);

// The folder of the running test program (the build folder), no trailing
// backslash.
std::wstring ModuleFolder();
// Full path of the Varnelo.exe that was built with the test programs.
std::wstring ProgramPath();

// One command line from a program path and its arguments. Arguments with a
// blank or nothing at all are put in double quotes; there is no escaping,
// since Varnelo's command line knows none.
std::wstring CommandLine(const std::wstring& program, const std::vector<std::wstring>& arguments);

// Starts commandLine (program path first, as CreateProcessW takes it), waits at
// most timeoutMs for it to end and collects what it writes to standard output.
// Its standard input is empty; its standard error is the test program's.
// Returns false when the process could not be started or ran out of time
// (it is then terminated); exitCode and stdoutText are filled when not null.
// Processes that it started and left running are ended when it returns.
bool RunProcess(const std::wstring& commandLine, DWORD* exitCode, std::string* stdoutText,
                DWORD timeoutMs = 60000, const std::wstring& currentFolder = std::wstring());

} // namespace TestSupport
