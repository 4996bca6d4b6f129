// Font records to and from parameter sections, and the font dialog.
#include "win/WinFont.h"

#include <commdlg.h>

#include <cstdint>
#include <string>

namespace WinLayer {

using namespace RawLayer;

namespace {

// Field order of the keys; the face name is last.
enum FontField : int32_t {
    kHeight, kWidth, kEscapement, kOrientation, kWeight, kItalic, kUnderline, kStrikeOut,
    kCharset, kOutPrecision, kClipPrecision, kQuality, kPitchFamily, kFaceName, kFieldCount
};

// Byte fields keep the low 8 bits of what was stored.
void SetField(LOGFONTW& f, int32_t field, int32_t v) {
    const BYTE b = static_cast<BYTE>(v & 0xFF);
    switch (field) {
        case kHeight: f.lfHeight = v; break;
        case kWidth: f.lfWidth = v; break;
        case kEscapement: f.lfEscapement = v; break;
        case kOrientation: f.lfOrientation = v; break;
        case kWeight: f.lfWeight = v; break;
        case kItalic: f.lfItalic = b; break;
        case kUnderline: f.lfUnderline = b; break;
        case kStrikeOut: f.lfStrikeOut = b; break;
        case kCharset: f.lfCharSet = b; break;
        case kOutPrecision: f.lfOutPrecision = b; break;
        case kClipPrecision: f.lfClipPrecision = b; break;
        case kQuality: f.lfQuality = b; break;
        case kPitchFamily: f.lfPitchAndFamily = b; break;
        default: break;
    }
}

int32_t GetField(const LOGFONTW& f, int32_t field) {
    const int32_t values[] = {f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight,
                              f.lfItalic, f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision,
                              f.lfClipPrecision, f.lfQuality, f.lfPitchAndFamily};
    return field < kFaceName ? values[field] : 0;
}

}  // namespace

const RawStringList& FontKeys() {
    static const RawStringList keys = [] {
        RawStringList list;
        for (const char* key : {"Height", "Width", "Escapement", "Orientation", "Weight", "Italic", "Underline",
                                "StrikeOut", "Charset", "OutPrecision", "ClipPrecision", "Quality", "PitchFamily",
                                "FaceName"})
            list.Append(RawString::MakeLiteral(key));
        return list;
    }();
    return keys;
}

void ReadFont(const RawParameterList& parameters, LOGFONTW& logFont) {
    int32_t field = 0;
    for (const RawString& key : FontKeys()) {
        const auto p = parameters.Find(key);
        if (p != parameters.end()) {
            if (field == kFaceName) {
                // The field holds 32 units; CreateFontIndirectW reads up to a zero.
                const std::wstring face = p->value.ToWide().substr(0, LF_FACESIZE - 1);
                face.copy(logFont.lfFaceName, face.size());
                logFont.lfFaceName[face.size()] = L'\0';
            } else {
                SetField(logFont, field, p->value.ParseInt());
            }
        }
        ++field;
    }
}

void WriteFont(const LOGFONTW& logFont, RawParameterList& parameters) {
    int32_t field = 0;
    for (const RawString& key : FontKeys()) {
        auto p = parameters.Find(key);
        RawParameterUnit& unit = p != parameters.end() ? *p : parameters.Add(key, RawString());
        if (field == kFaceName) {
            // Bounded: a record from elsewhere need not be terminated.
            const wchar_t* face = logFont.lfFaceName;
            const std::wstring name(face, wcsnlen(face, LF_FACESIZE));
            unit.value = RawString(RawString::FromWide(name.c_str()), RawCodeKind::Utf8);
            unit.number = 0;
        } else {
            unit.number = GetField(logFont, field);
            unit.value = RawString(RawCodeKind::Utf8);
            unit.value.AppendInt(unit.number);
        }
        ++field;
    }
}

bool ChooseFont(HWND owner, WinFontRecord& record, RawParameterList& parameters) {
    LOGFONTW chosen{};
    chosen.lfHeight = 12;
    chosen.lfCharSet = DEFAULT_CHARSET;
    if (record.Handle()) chosen = record.logFont;
    CHOOSEFONTW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpLogFont = &chosen;
    dialog.Flags = CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_FORCEFONTEXIST | CF_NOVERTFONTS;
    if (!ChooseFontW(&dialog)) return false;
    record.logFont = chosen;
    WriteFont(chosen, parameters);
    record.Recreate();
    return true;
}

}  // namespace WinLayer
