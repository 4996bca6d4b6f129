// Code-page conversion through MultiByteToWideChar and WideCharToMultiByte.
#include "raw/RawCodePage.h"

#include <windows.h>

namespace RawLayer {

int32_t RawNarrowToWide(uint32_t codePage, const char* source, int32_t count, char16_t* out,
                        int32_t capacity) {
    if (count <= 0) return 0;
    int need = MultiByteToWideChar(codePage, 0, source, count, nullptr, 0);
    if (need <= 0 || out == nullptr || capacity < need) return need > 0 ? need : 0;
    return MultiByteToWideChar(codePage, 0, source, count, reinterpret_cast<wchar_t*>(out), need);
}

int32_t RawWideToNarrow(uint32_t codePage, const char16_t* source, int32_t count, char* out,
                        int32_t capacity) {
    if (count <= 0) return 0;
    auto wide = reinterpret_cast<const wchar_t*>(source);
    int need = WideCharToMultiByte(codePage, 0, wide, count, nullptr, 0, nullptr, nullptr);
    if (need <= 0 || out == nullptr || capacity < need) return need > 0 ? need : 0;
    return WideCharToMultiByte(codePage, 0, wide, count, out, need, nullptr, nullptr);
}

uint32_t RawAnsiCodePage() { return GetACP(); }

}  // namespace RawLayer
