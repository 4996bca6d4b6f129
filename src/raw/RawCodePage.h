// Code-page conversion between narrow text and native 16-bit units: the one
// place where the string type reaches the platform.
#pragma once

#include <cstdint>

namespace RawLayer {

// Both return the number of units the full conversion needs; with a null or
// too small output nothing is written. Unmappable input is replaced, never an error.
int32_t RawNarrowToWide(uint32_t codePage, const char* source, int32_t count, char16_t* out,
                        int32_t capacity);
int32_t RawWideToNarrow(uint32_t codePage, const char16_t* source, int32_t count, char* out,
                        int32_t capacity);
// Whether the units come back unchanged through the code page: false when a
// character would be replaced by the default character or by a look-alike
// (best fit turns an accented letter into its plain one without a word).
bool RawWideFitsCodePage(uint32_t codePage, const char16_t* source, int32_t count);
// The system's ANSI code page.
uint32_t RawAnsiCodePage();

}  // namespace RawLayer
