// The file and folder-search calls of the foundation.
#include "raw/RawFile.h"

#include <windows.h>

#include <cstring>

#include "raw/RawPath.h"

namespace RawLayer {

namespace {

uint64_t Join64(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }
uint64_t Time64(const FILETIME& t) { return Join64(t.dwHighDateTime, t.dwLowDateTime); }

static_assert(sizeof(WIN32_FIND_DATAW) <= 600);

HANDLE OpenFile(const RawString& path, DWORD access, DWORD share, DWORD disposition) {
    if (path.IsEmpty()) return INVALID_HANDLE_VALUE;
    return CreateFileW(WideLongPath(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

}  // namespace

// ---------------------------------------------------------------- files

RawFile::~RawFile() { Close(); }

bool RawFile::IsOpen() const { return handle_.IsValid(); }

bool RawFile::OpenRead(const RawString& path) {
    Close();
    handle_.Reset(OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
    return IsOpen();
}

bool RawFile::OpenWrite(const RawString& path) {
    Close();
    handle_.Reset(OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS));
    return IsOpen();
}

bool RawFile::OpenNew(const RawString& path) {
    Close();
    handle_.Reset(OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW));
    return IsOpen();
}

uint32_t RawFile::OpenUpdate(const RawString& path) {
    Close();
    handle_.Reset(OpenFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
    return IsOpen() ? 0 : (path.IsEmpty() ? ERROR_INVALID_NAME : GetLastError());
}

bool RawFile::Read(void* buffer, uint32_t size, uint32_t* got) {
    DWORD read = 0;
    const bool ok = IsOpen() && ReadFile(handle_.Get(), buffer, size, &read, nullptr) != 0;
    *got = ok ? read : 0;
    return ok;
}

bool RawFile::Write(const void* bytes, uint32_t size) {
    if (!IsOpen()) return false;
    if (size == 0) return true;
    DWORD written = 0;
    return WriteFile(handle_.Get(), bytes, size, &written, nullptr) != 0 && written == size;
}

bool RawFile::Seek(int64_t distance) {
    LARGE_INTEGER move;
    move.QuadPart = distance;
    return IsOpen() && SetFilePointerEx(handle_.Get(), move, nullptr, FILE_CURRENT) != 0;
}

bool RawFile::Flush() { return IsOpen() && FlushFileBuffers(handle_.Get()) != 0; }

bool RawFile::Close() { return handle_.Reset(); }

// ---------------------------------------------------------------- folder search

RawFileFind::RawFileFind() { std::memset(data_, 0, sizeof data_); }

RawFileFind::~RawFileFind() = default;

bool RawFileFind::IsOpen() const { return handle_.IsValid(); }

void RawFileFind::Close() { handle_.Reset(); }

bool RawFileFind::First(const RawString& pattern) {
    Close();
    if (pattern.IsEmpty()) return false;
    // Always the wide entry point: the narrow one loses every name outside
    // the ANSI code page and stops at 260 units.
    // FindExInfoBasic leaves out the short 8.3 name, which nothing here needs.
    handle_.Reset(FindFirstFileExW(WideLongPath(pattern).c_str(), FindExInfoBasic, data_, FindExSearchNameMatch,
                                   nullptr, 0));
    return IsOpen();
}

bool RawFileFind::Next() {
    if (!IsOpen()) return false;
    const bool found = FindNextFileW(handle_.Get(), reinterpret_cast<WIN32_FIND_DATAW*>(data_)) != 0;
    if (!found) Close();
    return found;
}

uint32_t RawFileFind::Attributes() const { return reinterpret_cast<const WIN32_FIND_DATAW*>(data_)->dwFileAttributes; }
uint64_t RawFileFind::LastWriteTime() const { return Time64(reinterpret_cast<const WIN32_FIND_DATAW*>(data_)->ftLastWriteTime); }
uint64_t RawFileFind::CreationTime() const { return Time64(reinterpret_cast<const WIN32_FIND_DATAW*>(data_)->ftCreationTime); }
uint64_t RawFileFind::LastAccessTime() const { return Time64(reinterpret_cast<const WIN32_FIND_DATAW*>(data_)->ftLastAccessTime); }
uint64_t RawFileFind::Size() const {
    const auto d = reinterpret_cast<const WIN32_FIND_DATAW*>(data_);
    return Join64(d->nFileSizeHigh, d->nFileSizeLow);
}
const char16_t* RawFileFind::WideName() const {
    return reinterpret_cast<const char16_t*>(reinterpret_cast<const WIN32_FIND_DATAW*>(data_)->cFileName);
}

}  // namespace RawLayer
