// Font records: a LOGFONTW stored as one parameter per field, the font handle
// made from it, and the system font dialog.
#pragma once

#include <windows.h>

#include "raw/RawGdiHandle.h"
#include "raw/RawList.h"

// windows.h maps ChooseFont to ChooseFontW; the toolkit's own ChooseFont is meant here.
#ifdef ChooseFont
#undef ChooseFont
#endif

namespace WinLayer {

// A font handle and the record it was made from.
struct WinFontRecord {
    RawLayer::RawFontHandle font;
    LOGFONTW logFont{};

    HFONT Handle() const { return font.Get(); }
    // Creates the handle anew from logFont; the old one is deleted.
    void Recreate() { font.Reset(CreateFontIndirectW(&logFont)); }
};

// The 14 keys in field order: "Height" ... "FaceName".
const RawLayer::RawStringList& FontKeys();

// Sets each field whose key the list holds; missing keys leave fields alone.
// A face name is cut to 31 characters so that the field stays terminated.
void ReadFont(const RawLayer::RawParameterList& parameters, LOGFONTW& logFont);
// Sets (or adds) all 14 keys from the record.
void WriteFont(const LOGFONTW& logFont, RawLayer::RawParameterList& parameters);

// The system font dialog over the record's current font. On OK the record
// takes the choice, the parameters are written and the handle is made anew;
// on Cancel nothing changes and the result is false.
bool ChooseFont(HWND owner, WinFontRecord& record, RawLayer::RawParameterList& parameters);

}  // namespace WinLayer
