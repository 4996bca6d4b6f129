// Owning wrappers for the platform handles the foundation opens, so that no
// path of a foundation file can leak one. Included by foundation sources only.
#pragma once

#include <windows.h>

#include <utility>

namespace RawLayer {

// Holds one handle and closes it once; moves hand the ownership over.
template <class H, H Invalid(), bool Close(H)>
class RawUniqueHandle {
public:
    RawUniqueHandle() : handle_(Invalid()) {}
    explicit RawUniqueHandle(H handle) : handle_(handle) {}
    RawUniqueHandle(const RawUniqueHandle&) = delete;
    RawUniqueHandle& operator=(const RawUniqueHandle&) = delete;
    RawUniqueHandle(RawUniqueHandle&& other) noexcept : handle_(other.Release()) {}
    RawUniqueHandle& operator=(RawUniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~RawUniqueHandle() { Reset(); }

    H Get() const { return handle_; }
    bool IsValid() const { return handle_ != Invalid(); }
    explicit operator bool() const { return IsValid(); }
    // Closes what is held and takes the new handle; false when the close failed.
    bool Reset(H handle = Invalid()) {
        bool closed = true;
        if (handle_ != Invalid()) closed = Close(handle_);
        handle_ = handle;
        return closed;
    }
    H Release() { return std::exchange(handle_, Invalid()); }

private:
    H handle_;
};

namespace RawHandleDetail {
inline HANDLE InvalidFile() { return INVALID_HANDLE_VALUE; }
inline HANDLE NullHandle() { return nullptr; }
inline bool CloseFile(HANDLE h) { return CloseHandle(h) != 0; }
inline bool CloseFind(HANDLE h) { return FindClose(h) != 0; }
inline HGLOBAL NullGlobal() { return nullptr; }
inline bool FreeGlobal(HGLOBAL h) { return GlobalFree(h) == nullptr; }
}  // namespace RawHandleDetail

// CreateFile results: INVALID_HANDLE_VALUE means none.
using RawFileHandle = RawUniqueHandle<HANDLE, RawHandleDetail::InvalidFile, RawHandleDetail::CloseFile>;
// FindFirstFileEx results.
using RawFindHandle = RawUniqueHandle<HANDLE, RawHandleDetail::InvalidFile, RawHandleDetail::CloseFind>;
// Process and thread handles: null means none.
using RawKernelHandle = RawUniqueHandle<HANDLE, RawHandleDetail::NullHandle, RawHandleDetail::CloseFile>;
// Global memory not (yet) handed to the clipboard, which takes it over on success.
using RawGlobalHandle = RawUniqueHandle<HGLOBAL, RawHandleDetail::NullGlobal, RawHandleDetail::FreeGlobal>;

// Keeps the clipboard open for one scope.
class RawClipboardScope {
public:
    RawClipboardScope() : open_(OpenClipboard(nullptr) != 0) {}
    RawClipboardScope(const RawClipboardScope&) = delete;
    RawClipboardScope& operator=(const RawClipboardScope&) = delete;
    ~RawClipboardScope() {
        if (open_) CloseClipboard();
    }
    bool IsOpen() const { return open_; }

private:
    bool open_;
};

// Keeps global memory locked for one scope.
class RawGlobalLock {
public:
    explicit RawGlobalLock(HGLOBAL memory) : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
    RawGlobalLock(const RawGlobalLock&) = delete;
    RawGlobalLock& operator=(const RawGlobalLock&) = delete;
    ~RawGlobalLock() {
        if (data_) GlobalUnlock(memory_);
    }
    void* Data() const { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

}  // namespace RawLayer
