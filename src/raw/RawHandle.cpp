// The closing calls behind the handle owners: the only place that closes or
// frees what the platform handed out.
#include "raw/RawHandle.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

namespace RawLayer {

namespace RawHandleDetail {
bool CloseKernel(void* handle) { return CloseHandle(handle) != 0; }
bool CloseFind(void* handle) { return FindClose(handle) != 0; }
bool FreeGlobal(void* memory) { return GlobalFree(memory) == nullptr; }
bool FreeLocalText(wchar_t* text) { return LocalFree(text) == nullptr; }
bool FreeTaskText(wchar_t* text) {
    CoTaskMemFree(text);
    return true;
}
bool FinishDrop(void* drop) {
    DragFinish(static_cast<HDROP>(drop));
    return true;
}
}  // namespace RawHandleDetail

// S_FALSE (COM was there already) counts a reference too, to be given back;
// RPC_E_CHANGED_MODE (another apartment) takes none.
RawComScope::RawComScope() : took_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

RawComScope::~RawComScope() {
    if (took_) CoUninitialize();
}

RawClipboardScope::RawClipboardScope() : open_(OpenClipboard(nullptr) != 0) {}

RawClipboardScope::~RawClipboardScope() {
    if (open_) CloseClipboard();
}

RawGlobalLock::RawGlobalLock(void* memory) : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}

RawGlobalLock::~RawGlobalLock() {
    if (data_) GlobalUnlock(memory_);
}

}  // namespace RawLayer
