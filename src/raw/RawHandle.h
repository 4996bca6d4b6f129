// Owners for the platform handles and platform-allocated memory of every
// layer and of the tests: whatever is opened is closed by its owner, once.
// Free of the platform headers, so that class headers can hold owners as members.
#pragma once

#include <cstdint>
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
    // For calls that hand their result back through a pointer: closes what is
    // held and lends the place the new handle goes to.
    H* Put() {
        Reset();
        return &handle_;
    }

private:
    H handle_;
};

namespace RawHandleDetail {
// The platform's handles are void pointers (HANDLE, HGLOBAL, HLOCAL).
inline void* NullHandle() { return nullptr; }
inline void* InvalidFile() { return reinterpret_cast<void*>(static_cast<intptr_t>(-1)); }
inline wchar_t* NullText() { return nullptr; }
bool CloseKernel(void* handle);
bool CloseFind(void* handle);
bool FreeGlobal(void* memory);
bool FreeLocalText(wchar_t* text);
bool FreeTaskText(wchar_t* text);
bool FinishDrop(void* drop);
}  // namespace RawHandleDetail

// CreateFile results: INVALID_HANDLE_VALUE means none.
using RawFileHandle = RawUniqueHandle<void*, RawHandleDetail::InvalidFile, RawHandleDetail::CloseKernel>;
// FindFirstFileEx results.
using RawFindHandle = RawUniqueHandle<void*, RawHandleDetail::InvalidFile, RawHandleDetail::CloseFind>;
// Threads, processes, events, pipes and job objects: null means none.
using RawKernelHandle = RawUniqueHandle<void*, RawHandleDetail::NullHandle, RawHandleDetail::CloseKernel>;
// Global memory not (yet) handed to the clipboard, which takes it over on success.
using RawGlobalHandle = RawUniqueHandle<void*, RawHandleDetail::NullHandle, RawHandleDetail::FreeGlobal>;
// Texts the system allocated with LocalAlloc (FormatMessage's own buffer).
using RawLocalText = RawUniqueHandle<wchar_t*, RawHandleDetail::NullText, RawHandleDetail::FreeLocalText>;
// Texts the shell allocated with the COM task allocator (SHGetKnownFolderPath).
using RawTaskText = RawUniqueHandle<wchar_t*, RawHandleDetail::NullText, RawHandleDetail::FreeTaskText>;

// The files of a WM_DROPFILES message (an HDROP), which the receiver frees
// with DragFinish, also when it takes nothing from them.
using RawDropHandle = RawUniqueHandle<void*, RawHandleDetail::NullHandle, RawHandleDetail::FinishDrop>;

// One COM interface pointer, released when it goes.
template <class T>
class RawComRef {
public:
    RawComRef() = default;
    RawComRef(const RawComRef&) = delete;
    RawComRef& operator=(const RawComRef&) = delete;
    ~RawComRef() {
        if (p_) p_->Release();
    }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    // For CoCreateInstance and QueryInterface, which hand the pointer back
    // through a void**: releases what is held and lends its place.
    void** Put() {
        if (p_) p_->Release();
        p_ = nullptr;
        return reinterpret_cast<void**>(&p_);
    }

private:
    T* p_ = nullptr;
};

// COM on this thread for one scope (single-threaded apartment); the scope
// gives back only the reference it took, so a thread that had COM already,
// in this apartment or another, keeps it as it was.
class RawComScope {
public:
    RawComScope();
    RawComScope(const RawComScope&) = delete;
    RawComScope& operator=(const RawComScope&) = delete;
    ~RawComScope();

private:
    bool took_;
};

// Keeps the clipboard open for one scope.
class RawClipboardScope {
public:
    RawClipboardScope();
    RawClipboardScope(const RawClipboardScope&) = delete;
    RawClipboardScope& operator=(const RawClipboardScope&) = delete;
    ~RawClipboardScope();
    bool IsOpen() const { return open_; }

private:
    bool open_;
};

// Keeps global memory locked for one scope.
class RawGlobalLock {
public:
    explicit RawGlobalLock(void* memory);
    RawGlobalLock(const RawGlobalLock&) = delete;
    RawGlobalLock& operator=(const RawGlobalLock&) = delete;
    ~RawGlobalLock();
    void* Data() const { return data_; }

private:
    void* memory_;
    void* data_;
};

}  // namespace RawLayer
