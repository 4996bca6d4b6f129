// Files and folder searches on disk: the foundation's door to the kernel32
// file calls. Line files and folder scans build on these.
#pragma once

#include <cstdint>

#include "raw/RawHandle.h"
#include "raw/RawString.h"

namespace RawLayer {

// Platform file attribute bits, as FindFirstFileEx and GetFileAttributes give them.
inline constexpr uint32_t kAttributeReadOnly = 0x1;
inline constexpr uint32_t kAttributeHidden = 0x2;
inline constexpr uint32_t kAttributeSystem = 0x4;
inline constexpr uint32_t kAttributeDirectory = 0x10;

// What a line file reads from and writes to. The platform file is one; a
// caller may put another in its place (a test that makes writes fail, say).
class RawFileStream {
public:
    virtual ~RawFileStream() = default;
    // Opens for reading (shared for reading and writing, existing files only).
    virtual bool OpenRead(const RawString& path) = 0;
    // Creates or truncates for writing (shared for reading).
    virtual bool OpenWrite(const RawString& path) = 0;
    // Reads up to size bytes; *got = 0 at the end of the file.
    virtual bool Read(void* buffer, uint32_t size, uint32_t* got) = 0;
    // True only when every byte was written.
    virtual bool Write(const void* bytes, uint32_t size) = 0;
    // Moves the position by a signed distance from where it stands.
    virtual bool Seek(int64_t distance) = 0;
    virtual bool Flush() = 0;
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
};

// A file handle owned by this object: CreateFile, ReadFile, WriteFile,
// SetFilePointerEx, FlushFileBuffers; closed by Close or on destruction at the latest.
class RawFile : public RawFileStream {
public:
    RawFile() = default;
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;
    ~RawFile() override;

    bool OpenRead(const RawString& path) override;
    bool OpenWrite(const RawString& path) override;
    // Creates the file for writing only when no file of that name exists yet.
    bool OpenNew(const RawString& path);
    // Opens an existing file for reading and writing while no one else
    // writes it, and keeps others from writing it; 0 or the system's error
    // code (32, a sharing violation, when another holds it for writing).
    uint32_t OpenUpdate(const RawString& path);
    bool Read(void* buffer, uint32_t size, uint32_t* got) override;
    bool Write(const void* bytes, uint32_t size) override;
    bool Seek(int64_t distance) override;
    bool Flush() override;
    bool Close() override;
    bool IsOpen() const override;

private:
    RawFileHandle handle_;
};

// One folder search (FindFirstFileEx, FindNextFile) whose entries are read in
// place; the search handle is closed by Close or on destruction.
class RawFileFind {
public:
    RawFileFind();
    RawFileFind(const RawFileFind&) = delete;
    RawFileFind& operator=(const RawFileFind&) = delete;
    ~RawFileFind();

    // The first entry of the pattern; false when there is none.
    bool First(const RawString& pattern);
    bool Next();
    void Close();
    bool IsOpen() const;

    uint32_t Attributes() const;
    uint64_t LastWriteTime() const;
    uint64_t CreationTime() const;
    uint64_t LastAccessTime() const;
    uint64_t Size() const;
    // The current entry's name, zero-terminated.
    const char16_t* WideName() const;

private:
    RawFindHandle handle_;
    // Room for WIN32_FIND_DATAW, kept opaque here.
    alignas(8) unsigned char data_[600];
};

}  // namespace RawLayer
