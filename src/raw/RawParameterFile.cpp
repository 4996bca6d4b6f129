// Profile files: the section format, section rewriting and profile paths.
#include "raw/RawParameterFile.h"

#include <vector>

#include "raw/RawLineFile.h"
#include "raw/RawShell.h"

namespace RawLayer {

namespace {

constexpr int32_t kWriteBuffer = 64 * 1024;
constexpr uint32_t kMoveWriteThrough = 0x8;  // MOVEFILE_WRITE_THROUGH

bool IsHeader(const RawString& line) { return line.UnitAt(0) == '[' && line.Length() > 0; }

// The text from the second unit up to the last "]", or to the end without one.
RawString HeaderName(const RawString& line) {
    int32_t close = line.Length();
    for (int32_t i = 1; i < line.Length(); i += line.CharLength(i))
        if (line.UnitAt(i) == ']') close = i;
    return RawString(line, {1, close}, line.Kind());
}

bool IsSkipped(const RawString& line) {
    return line.IsEmpty() || (line.UnitAt(0) == '/' && line.UnitAt(1) == '/' && line.Length() >= 2);
}

// An entry line: cut at zero units into items, each split at its first "=".
void AppendEntries(const RawString& line, RawParameterList* list) {
    int32_t begin = 0;
    const int32_t n = line.Length();
    while (begin < n) {
        const int32_t end = line.FindUnit({begin, n}, 0);
        if (end > begin) {
            const int32_t equal = line.FindUnit({begin, end}, '=');
            RawParameterUnit& unit = list->Append();
            unit.key = RawString(line, {begin, equal}, Utf8);
            unit.value = equal < end ? RawString(line, {equal + 1, end}, Utf8) : RawString();
        }
        begin = end + 1;
    }
}

bool HasLineBreakOrZero(const RawString& text) {
    for (int32_t i = 0; i < text.Length(); ++i) {
        const uint32_t u = text.UnitAt(i);
        if (u == '\r' || u == '\n' || u == 0) return true;
    }
    return false;
}

// Whether every unit reads back as itself: a line break would split an entry
// (and could forge a header), an "=" in a key would move the split, and a key
// that starts like a header or a comment would not read back as a key.
bool IsWritable(const RawParameterList& list, const RawString& section) {
    if (HasLineBreakOrZero(section)) return false;
    for (const RawParameterUnit& unit : list) {
        const RawString& key = unit.key;
        if (HasLineBreakOrZero(key) || HasLineBreakOrZero(unit.value)) return false;
        if (key.FindUnit(kAll, '=') < key.Length() || key.UnitAt(0) == '[') return false;
        if (key.Length() >= 2 && key.UnitAt(0) == '/' && key.UnitAt(1) == '/') return false;
    }
    return true;
}

bool WriteParts(RawLineFile& file, const RawString& a, const RawString& b, const RawString& c) {
    return file.WriteText(a) && file.WriteText(b) && file.WriteLine(c);
}

bool WriteNewSection(RawLineFile& file, const RawParameterList& list, const RawString& section) {
    static const RawString open = RawString::MakeLiteral("["), close = RawString::MakeLiteral("]"),
                           equal = RawString::MakeLiteral("=");
    if (!WriteParts(file, open, section, close)) return false;
    for (const RawParameterUnit& unit : list)
        if (!WriteParts(file, unit.key, equal, unit.value)) return false;
    return file.WriteLine(RawString());
}

}  // namespace

bool RawParameterFile::ReadSection(RawParameterList* list, const RawString& section) {
    list->Clear();
    RawLineFile reader(path, readBufferSize);
    if (!reader.OpenRead()) return false;
    encoding = reader.sourceKind;
    signature = reader.signatureKind != 0 ? 1 : 0;
    bool inside = false;
    while (reader.NextLine()) {
        const RawString& text = reader.line.text;
        if (IsHeader(text)) {
            inside = HeaderName(text).EqualsNoCase(section);
            continue;
        }
        if (inside && !IsSkipped(text)) AppendEntries(text, list);
    }
    return !list->IsEmpty();
}

bool RawParameterFile::WriteSection(const RawParameterList& list, const RawString& section) {
    static const RawString tmp = RawString::MakeLiteral(".tmp");
    if (!IsWritable(list, section)) return false;
    RawString temporary(path);
    temporary.Append(RawString(tmp, path.Kind()));

    // The old file is read to its end before anything is written: a copy cut
    // short by a read failure would replace the file with its head only.
    std::vector<RawString> lines;
    bool oldExists = false;
    {
        RawLineFile reader(path, readBufferSize);
        if (reader.OpenRead()) {
            oldExists = true;
            encoding = reader.sourceKind;
            signature = reader.signatureKind != 0 ? 1 : 0;
            while (reader.NextLine()) lines.push_back(reader.line.text);
            if (!reader.AtCleanEnd()) return false;
        } else if (PathExists(path)) {
            return false;
        }
    }
    if (oldExists) {
        // Bytes that are not text would come back converted, and a read-only
        // file is not ours to change (ReplaceFile on Windows refuses it too).
        if (encoding == kNotText) return false;
        const uint32_t attributes = FileAttributes(path);
        if (attributes == kNoAttributes || (attributes & kAttributeReadOnly)) return false;
    }

    RawLineFile writer(temporary);
    writer.lineKind = encoding != 0 ? encoding : Utf8;
    if (signature) writer.flags |= RawLineFile::WriteSignature;
    writer.SetWriteBuffer(kWriteBuffer);
    if (!writer.OpenWrite()) return false;

    bool ok = true;
    bool written = false;
    size_t i = 0;
    // Lines before the first header belong to no section and stay as they are.
    for (; ok && i < lines.size() && !IsHeader(lines[i]); ++i) ok = writer.WriteLine(lines[i]);
    while (ok && i < lines.size()) {
        const RawString header = HeaderName(lines[i++]);
        const bool match = header.EqualsNoCase(section);
        if (match) {
            // Reading gathered every occurrence of the section into one list, so
            // the list goes in once, at the first; writing it at each would
            // multiply the entries with every rewrite.
            if (!written) ok = WriteNewSection(writer, list, section);
            written = true;
        } else {
            static const RawString open = RawString::MakeLiteral("["), close = RawString::MakeLiteral("]");
            ok = WriteParts(writer, open, header, close);
        }
        for (; ok && i < lines.size() && !IsHeader(lines[i]); ++i)
            if (!match) ok = writer.WriteLine(lines[i]);
    }
    if (ok && !written) ok = WriteNewSection(writer, list, section);
    if (!writer.Close() || !ok) return false;

    if (oldExists) return ReplacePath(path, temporary);
    return MovePath(temporary, path, kMoveWriteThrough);
}

RawString RawParameterFile::ReadValue(const RawString& section, const RawString& key, const RawString& fallback) {
    RawParameterList list;
    if (!ReadSection(&list, section)) return fallback;
    const auto found = list.Find(key);
    return found == list.end() ? fallback : found->value;
}

bool RawParameterFile::WriteValue(const RawString& section, const RawString& key, const RawString& value) {
    RawParameterList list;
    ReadSection(&list, section);
    auto found = list.Find(key);
    if (found == list.end()) {
        list.Add(key, value);
    } else {
        found->value = value;
    }
    return WriteSection(list, section);
}

int32_t ParameterInt(const RawParameterList& list, const RawString& key, int32_t fallback) {
    const auto found = list.Find(key);
    return found == list.end() ? fallback : found->value.ParseInt();
}

void ParameterNumbers(RawParameterList* list) {
    for (RawParameterUnit& unit : *list) unit.number = unit.value.ParseInt();
}

bool ParameterBool(const RawString& value) { return !value.EqualsNoCase(RawText::False()); }

RawString ExpandUserFolder(const RawString& path, const RawString& folderName) {
    static const RawString user = RawString::MakeLiteral("$(User)");
    const int32_t at = path.FindNoCase(kAll, user);
    if (at + user.Length() > path.Length()) return path;
    const RawString appData = SpecialFolder(kAppDataFolder, path.Kind());
    if (appData.IsEmpty()) return RawString(path.Kind());
    const RawString folder = JoinPath(appData, folderName);
    EnsureFolder(folder);
    RawString expanded(path);
    expanded.Replace({at, at + user.Length()}, folder, kAll);
    return expanded;
}

RawString ResolveProfilePath(const RawString& path, const RawString& folderName) {
    const RawString expanded = ExpandUserFolder(path, folderName);
    if (expanded.IsEmpty() || IsAbsolutePath(expanded)) return expanded;
    return ResolvePath(expanded, ProgramFolder(expanded.Kind()));
}

}  // namespace RawLayer
