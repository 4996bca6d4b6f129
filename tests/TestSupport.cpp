// Helpers shared by all test programs, on wide Win32 calls only, so that they
// work for the names outside ASCII that the tests use.
#include "TestSupport.h"

#include <algorithm>
#include <atomic>

namespace TestSupport {

using RawLayer::RawFileHandle;
using RawLayer::RawFindHandle;
using RawLayer::RawKernelHandle;

namespace {

std::wstring TempRoot() {
    std::wstring root(GetTempPathW(0, nullptr), L'\0');
    root.resize(GetTempPathW(static_cast<DWORD>(root.size()), root.data()));
    while (!root.empty() && (root.back() == L'\\' || root.back() == L'/')) root.pop_back();
    return root;
}

// Calls body with the data of every entry of the folder but "." and "..".
template <class Body>
void ForEachEntry(const std::wstring& folder, Body body) {
    WIN32_FIND_DATAW data;
    const RawFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") body(name, data.dwFileAttributes);
    } while (FindNextFileW(find.Get(), &data));
}

bool RemoveLongTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != 0;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ForEachEntry(path, [&](const std::wstring& name, DWORD) { RemoveLongTree(path + L"\\" + name); });
    return RemoveDirectoryW(path.c_str()) != 0;
}

}  // namespace

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    const std::wstring root = TempRoot();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::wstring candidate = root + L"\\varnelo-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(GetTickCount64() % 100000) + L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    ADD_FAILURE() << "cannot create a temporary folder under " << Narrow(root);
}

TempDir::~TempDir() {
    if (!path.empty() && !RemoveTree(path)) ADD_FAILURE() << "cannot remove the temporary folder " << Narrow(path);
}

void ProgramTest::SetUp()
{
    program = temp.Join(L"prog\\Varnelo.exe");
    data = temp.Join(L"data");
    ASSERT_TRUE(CreateFolder(temp.Join(L"prog")));
    ASSERT_TRUE(CreateFolder(data));
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), program.c_str(), TRUE));
}

std::wstring TempDir::Join(const std::wstring& relative) const { return path + L"\\" + relative; }

bool RemoveTree(const std::wstring& path) {
    // In the long-path form, so that trees deeper than 260 units and names the
    // plain form trims ("a.") go too.
    const bool drivePath = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
    return RemoveLongTree(drivePath ? L"\\\\?\\" + path : path);
}

std::map<std::string, std::string> TreeSnapshot(const std::wstring& folder) {
    std::map<std::string, std::string> entries;
    ForEachEntry(folder, [&](const std::wstring& name, DWORD attributes) {
        const std::wstring path = folder + L"\\" + name;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            entries[Narrow(name)] = ReadFileBytes(path).value_or("?");
            return;
        }
        entries[Narrow(name) + "\\"] = "";
        if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            for (auto& [relative, content] : TreeSnapshot(path)) entries[Narrow(name) + "\\" + relative] = content;
    });
    return entries;
}

std::vector<std::string> TreeNames(const std::wstring& folder) {
    std::vector<std::string> names;
    for (const auto& entry : TreeSnapshot(folder)) names.push_back(entry.first);
    return names;
}

bool CreateFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    const RawFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    for (size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool PutFile(const std::wstring& path, const std::string& bytes) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    return WriteFileBytes(path, bytes);
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    const RawFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (DWORD got = 0;; bytes.append(buffer, got)) {
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
        if (got == 0) return bytes;
    }
}

std::wstring Widen(const std::string& utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

RawLayer::RawString Raw(const std::wstring& path) { return RawLayer::RawString(Narrow(path)); }

std::wstring ModuleFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length;
    while ((length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()))) >= buffer.size())
        buffer.resize(buffer.size() * 2);
    const std::wstring path(buffer.data(), length);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring ProgramPath() { return ModuleFolder() + L"\\Varnelo.exe"; }

std::wstring CommandLine(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    auto quoted = [](const std::wstring& text) {
        return !text.empty() && text.find_first_of(L" \t") == std::wstring::npos ? text : L"\"" + text + L"\"";
    };
    std::wstring line = quoted(program);
    for (const std::wstring& argument : arguments) line += L" " + quoted(argument);
    return line;
}

bool RunProcess(const std::wstring& commandLine, DWORD* exitCode, std::string* stdoutText, DWORD timeoutMs,
                const std::wstring& currentFolder) {
    if (exitCode) *exitCode = 0;
    if (stdoutText) stdoutText->clear();

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    RawKernelHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.Put(), writeEnd.Put(), &inheritable, 0)) return false;
    // Only the child's end may be inherited, or the pipe never reports its end.
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    RawFileHandle nul(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                  OPEN_EXISTING, 0, nullptr));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.Get();
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);

    // Whatever the process starts in turn belongs to the job and ends with it,
    // so no stray program outlives the test or holds the test's own output.
    const RawKernelHandle job(CreateJobObjectW(nullptr, nullptr));
    if (!job) return false;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                        currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &process))
        return false;
    const RawKernelHandle processHandle(process.hProcess);
    const RawKernelHandle threadHandle(process.hThread);
    if (!AssignProcessToJobObject(job.Get(), processHandle.Get())) {
        TerminateProcess(processHandle.Get(), 1);
        return false;
    }
    ResumeThread(threadHandle.Get());
    writeEnd.Reset();
    nul.Reset();

    // Polling instead of a blocking read: a grandchild that inherited the
    // pipe could keep it open long after the child itself has ended.
    std::string output;
    auto drain = [&]() {
        DWORD available = 0, got = 0;
        char buffer[4096];
        while (PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
               ReadFile(readEnd.Get(), buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) && got > 0)
            output.append(buffer, got);
    };
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    bool ended = false;
    while (!ended && GetTickCount64() < deadline) {
        drain();
        ended = WaitForSingleObject(processHandle.Get(), 10) == WAIT_OBJECT_0;
    }
    if (!ended) {
        TerminateJobObject(job.Get(), 1);
        WaitForSingleObject(processHandle.Get(), 5000);
    }
    drain();

    if (stdoutText) *stdoutText = std::move(output);
    if (exitCode) GetExitCodeProcess(processHandle.Get(), exitCode);
    return ended;
}

}  // namespace TestSupport
