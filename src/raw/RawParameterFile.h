// Sectioned key=value profile files: reading a section or a value, rewriting
// one section through a temporary file, and the "$(User)" profile paths.
#pragma once

#include <cstdint>

#include "raw/RawList.h"
#include "raw/RawString.h"

namespace RawLayer {

// The handle of one parameter file on disk.
class RawParameterFile {
public:
    RawParameterFile() = default;
    explicit RawParameterFile(const RawString& filePath) : name(filePath), path(filePath) {}

    // Clears the list and appends the entries of every occurrence of the
    // section (name compared ignoring ASCII case); true when any were found.
    bool ReadSection(RawParameterList* list, const RawString& section);
    // Rewrites the file so that the section holds exactly the list's units;
    // every other line keeps its bytes. Refuses (false, file untouched, no
    // temporary file left) when the old file exists but cannot be read to its
    // end, is not text or is read-only, when a unit would not read back as
    // itself (see CanWrite; a line break in the section name), and when the
    // file cannot be replaced.
    bool WriteSection(const RawParameterList& list, const RawString& section);
    // Whether the unit can be written as a line that reads back as itself: no
    // line break in its key or value, no "=" in its key, a key not starting
    // with "[" or "//", every character exact in the encoding the last read
    // found (UTF-8 before any), and a line the reader's buffer takes.
    bool CanWrite(const RawParameterUnit& unit) const;
    // The key's value in the section (first occurrence, ASCII case ignored), or the fallback.
    RawString ReadValue(const RawString& section, const RawString& key, const RawString& fallback = RawString());
    // Sets one key of the section, adding it when missing, and rewrites the section.
    bool WriteValue(const RawString& section, const RawString& key, const RawString& value);

    RawString name;               // the path as the owner first gave it
    RawString path;               // the path every file operation uses
    int32_t readBufferSize = 8192;
    int32_t encoding = kNoKind;   // code kind found by the last read (a line file's source kind)
    bool signature = false;       // the last read found a byte-order signature
};

// A line whose first unit is "[" heads a section; it must start in the first column.
bool IsSectionHeader(const RawString& line);
// The name of a header line: from its second unit up to its last "]" (text
// behind that is no part of it), or to the line's end when it has none.
RawRange SectionNameRange(const RawString& line);

// The first value of the key parsed as an integer, or the fallback when the key is missing.
int32_t ParameterInt(const RawParameterList& list, const RawString& key, int32_t fallback);
// Sets every unit's number from its value parsed as an integer.
void ParameterNumbers(RawParameterList* list);
// False exactly for "False" in any case; every other value is true.
bool ParameterBool(const RawString& value);

// Replaces the first "$(User)" (any case) by the user's application-data
// folder joined with the folder name, creating that folder; empty when the
// application-data folder cannot be found.
RawString ExpandUserFolder(const RawString& path, const RawString& folderName);
// ExpandUserFolder, then a relative result is taken from the program's folder.
RawString ResolveProfilePath(const RawString& path, const RawString& folderName);

}  // namespace RawLayer
