// Helpers shared by all test programs, on wide Win32 calls only, so that they
// work for the names outside ASCII that the tests use.
#include "TestSupport.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace TestSupport {

namespace {

using RawLayer::RawFileHandle;
using RawLayer::RawFindHandle;
using RawLayer::RawKernelHandle;

std::wstring TempRoot()
{
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring root(buffer, length <= MAX_PATH ? length : 0);
    while (!root.empty() && (root.back() == L'\\' || root.back() == L'/'))
        root.pop_back();
    return root;
}

} // namespace

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    const std::wstring root = TempRoot();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::wstring candidate = root + L"\\varnelo-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(GetTickCount64() % 100000) + L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    ADD_FAILURE() << "cannot create a temporary folder under " << Narrow(root);
}

TempDir::~TempDir()
{
    if (!path.empty() && !RemoveTree(path))
        ADD_FAILURE() << "cannot remove the temporary folder " << Narrow(path);
}

std::wstring TempDir::Join(const std::wstring& relative) const
{
    return path + L"\\" + relative;
}

namespace {

bool RemoveLongTree(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);

    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return DeleteFileW(path.c_str()) != 0;

    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW found;
        const RawFindHandle find(FindFirstFileW((path + L"\\*").c_str(), &found));
        if (find) {
            do {
                const std::wstring name = found.cFileName;
                if (name != L"." && name != L"..")
                    RemoveLongTree(path + L"\\" + name);
            } while (FindNextFileW(find.Get(), &found));
        }
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

} // namespace

bool RemoveTree(const std::wstring& path)
{
    // In the long-path form, so that trees deeper than 260 units and names the
    // plain form trims ("a.") go too.
    const bool drivePath = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
    return RemoveLongTree(drivePath ? L"\\\\?\\" + path : path);
}

std::map<std::string, std::string> TreeSnapshot(const std::wstring& folder)
{
    std::map<std::string, std::string> entries;
    WIN32_FIND_DATAW data;
    const RawFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find)
        return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + L"\\" + name;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            entries[Narrow(name)] = ReadFileBytes(path).value_or("?");
            continue;
        }
        entries[Narrow(name) + "\\"] = "";
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            for (auto& [relative, content] : TreeSnapshot(path))
                entries[Narrow(name) + "\\" + relative] = content;
    } while (FindNextFileW(find.Get(), &data));
    return entries;
}

bool CreateFolder(const std::wstring& path)
{
    return CreateDirectoryW(path.c_str(), nullptr) != 0;
}

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    const RawFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path)
{
    const RawFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.append(buffer, got);
    }
}

std::wstring Widen(const std::string& utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                        nullptr);
    return utf8;
}

std::wstring ModuleFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            const size_t slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ProgramPath()
{
    return ModuleFolder() + L"\\Varnelo.exe";
}

std::wstring CommandLine(const std::wstring& program, std::initializer_list<std::wstring> arguments)
{
    auto quoted = [](const std::wstring& text) {
        if (!text.empty() && text.find_first_of(L" \t") == std::wstring::npos)
            return text;
        return L"\"" + text + L"\"";
    };
    std::wstring line = quoted(program);
    for (const std::wstring& argument : arguments)
        line += L" " + quoted(argument);
    return line;
}

bool RunProcess(const std::wstring& commandLine, DWORD* exitCode, std::string* stdoutText, DWORD timeoutMs,
                const std::wstring& currentFolder)
{
    if (exitCode)
        *exitCode = 0;
    if (stdoutText)
        stdoutText->clear();

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    RawKernelHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.Put(), writeEnd.Put(), &inheritable, 0))
        return false;
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
    if (!job)
        return false;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine; // CreateProcessW may write into it
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
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr) || available == 0)
                return;
            char buffer[4096];
            DWORD got = 0;
            if (!ReadFile(readEnd.Get(), buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) ||
                got == 0)
                return;
            output.append(buffer, got);
        }
    };
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    bool ended = false;
    for (;;) {
        drain();
        if (WaitForSingleObject(processHandle.Get(), 10) == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (GetTickCount64() >= deadline)
            break;
    }
    if (!ended) {
        TerminateJobObject(job.Get(), 1);
        WaitForSingleObject(processHandle.Get(), 5000);
    }
    drain();

    if (stdoutText)
        *stdoutText = std::move(output);
    if (exitCode) {
        DWORD code = 0;
        GetExitCodeProcess(processHandle.Get(), &code);
        *exitCode = code;
    }
    return ended;
}

} // namespace TestSupport
