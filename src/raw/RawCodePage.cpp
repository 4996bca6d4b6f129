// Code-page conversion through MultiByteToWideChar and WideCharToMultiByte.
#include "raw/RawCodePage.h"

#include <windows.h>

#include <string>

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

// A round trip instead of the used-default flag: UTF-8 and UTF-7 take no such
// flag, and best-fit mappings do not set it either.
bool RawWideFitsCodePage(uint32_t codePage, const char16_t* source, int32_t count) {
    if (count <= 0) return true;
    const int32_t need = RawWideToNarrow(codePage, source, count, nullptr, 0);
    if (need <= 0) return false;
    std::string narrow(static_cast<size_t>(need), '\0');
    if (RawWideToNarrow(codePage, source, count, narrow.data(), need) != need) return false;
    const int32_t back = RawNarrowToWide(codePage, narrow.data(), need, nullptr, 0);
    if (back != count) return false;
    std::u16string wide(static_cast<size_t>(back), u'\0');
    if (RawNarrowToWide(codePage, narrow.data(), need, wide.data(), back) != back) return false;
    return wide.compare(0, wide.size(), source, static_cast<size_t>(count)) == 0;
}

uint32_t RawAnsiCodePage() { return GetACP(); }

}  // namespace RawLayer
