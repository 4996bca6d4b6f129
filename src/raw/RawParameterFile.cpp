// Profile files: the section format, section rewriting and profile paths.
#include "raw/RawParameterFile.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "raw/RawCodePage.h"
#include "raw/RawCodeRules.h"
#include "raw/RawLineFile.h"
#include "raw/RawShell.h"

namespace RawLayer {

namespace {

constexpr int32_t kWriteBuffer = 64 * 1024;
constexpr uint32_t kMoveWriteThrough = 0x8;  // MOVEFILE_WRITE_THROUGH

bool IsComment(const RawString& line) {
    return line.Length() >= 2 && line.UnitAt(0) == '/' && line.UnitAt(1) == '/';
}

bool IsSkipped(const RawString& line) { return line.IsEmpty() || IsComment(line); }

// An entry line: cut at zero units into items, each split at its first "=".
void AppendEntries(const RawString& line, RawParameterList* list) {
    int32_t begin = 0;
    const int32_t n = line.Length();
    while (begin < n) {
        const int32_t end = line.FindUnit({begin, n}, 0);
        if (end > begin) {
            const int32_t equal = line.FindUnit({begin, end}, '=');
            RawParameterUnit& unit = list->Append();
            unit.key = RawString(line, {begin, equal}, RawCodeKind::Utf8);
            unit.value = equal < end ? RawString(line, {equal + 1, end}, RawCodeKind::Utf8) : RawString();
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

// Whether the unit reads back as itself: a line break would split an entry
// (and could forge a header), an "=" in a key would move the split, and a key
// that starts like a header or a comment would not read back as a key.
bool ReadsBack(const RawParameterUnit& unit) {
    const RawString& key = unit.key;
    if (HasLineBreakOrZero(key) || HasLineBreakOrZero(unit.value)) return false;
    if (key.FindUnit(kAll, '=') < key.Length() || IsSectionHeader(key)) return false;
    return !IsComment(key);
}

// One line of the parts in the file's encoding, with its CR LF. False when a
// character has no exact form in that encoding (a "?" or a look-alike would
// be saved in its place) or when the reader could not take the line back.
bool AppendLine(std::initializer_list<const RawString*> parts, RawCodeKind kind, int32_t readBufferSize,
                std::string* out) {
    std::u16string wide;
    for (const RawString* part : parts) wide += part->ToU16();
    const size_t at = out->size();
    if (IsUtf16Kind(kind)) {
        for (const char16_t u : wide) {
            const Utf16BytePair pair = Utf16Bytes(kind, u);
            out->push_back(static_cast<char>(pair.first));
            out->push_back(static_cast<char>(pair.second));
        }
    } else if (!wide.empty()) {
        const uint32_t page = CodePageOf(kind);
        const auto count = static_cast<int32_t>(wide.size());
        if (!RawWideFitsCodePage(page, wide.data(), count)) return false;
        const int32_t need = RawWideToNarrow(page, wide.data(), count, nullptr, 0);
        out->resize(at + static_cast<size_t>(need));
        if (RawWideToNarrow(page, wide.data(), count, out->data() + at, need) != need) return false;
    }
    if (!RawLineFile::FitsLine(out->size() - at, readBufferSize)) return false;
    out->append(RawLineFile::LineEnd(kind));
    return true;
}

const RawString& Equal() { static const RawString s = RawString::MakeLiteral("="); return s; }

// The section as it is written: its header, a line per unit and an empty line.
bool EncodeSection(const RawParameterList& list, const RawString& section, RawCodeKind kind,
                   int32_t readBufferSize, std::string* out) {
    static const RawString open = RawString::MakeLiteral("["), close = RawString::MakeLiteral("]");
    if (HasLineBreakOrZero(section) || !AppendLine({&open, &section, &close}, kind, readBufferSize, out))
        return false;
    for (const RawParameterUnit& unit : list)
        if (!ReadsBack(unit) || !AppendLine({&unit.key, &Equal(), &unit.value}, kind, readBufferSize, out))
            return false;
    out->append(RawLineFile::LineEnd(kind));
    return true;
}

bool EndsWithLineEnd(const std::string& raw, RawCodeKind kind) {
    const size_t n = raw.size();
    if (n == 0) return false;
    uint32_t last = static_cast<uint8_t>(raw[n - 1]);
    if (IsUtf16Kind(kind)) {
        if (n < 2) return false;
        last = Utf16Unit(kind, static_cast<uint8_t>(raw[n - 2]), last);
    }
    return last == '\n' || last == '\r';
}

// The encoding a rewrite keeps: the one read, or UTF-8 for a new file or one
// whose encoding could not be told.
RawCodeKind WriteKind(int32_t encoding) {
    return encoding != kNoKind ? KindFromValue(encoding) : RawCodeKind::Utf8;
}

struct OldLine {
    RawString text;
    std::string raw;
};

}  // namespace

bool RawParameterFile::ReadSection(RawParameterList* list, const RawString& section) {
    list->Clear();
    RawLineFile reader(path, readBufferSize);
    if (!reader.OpenRead()) return false;
    encoding = reader.sourceKind;
    signature = reader.signatureKind != kNoKind;
    bool inside = false;
    while (reader.NextLine()) {
        const RawString& text = reader.line.text;
        if (IsSectionHeader(text)) {
            inside = text.EqualNoCase(SectionNameRange(text), section, kAll);
            continue;
        }
        if (inside && !IsSkipped(text)) AppendEntries(text, list);
    }
    return !list->IsEmpty();
}

bool RawParameterFile::WriteSection(const RawParameterList& list, const RawString& section) {
    static const RawString tmp = RawString::MakeLiteral(".tmp");
    RawString temporary(path);
    temporary.Append(RawString(tmp, path.Kind()));

    // The old file is read to its end before anything is written: a copy cut
    // short by a read failure would replace the file with its head only.
    std::vector<OldLine> lines;
    bool oldExists = false;
    {
        RawLineFile reader(path, readBufferSize);
        if (reader.OpenRead()) {
            oldExists = true;
            encoding = reader.sourceKind;
            signature = reader.signatureKind != kNoKind;
            while (reader.NextLine()) lines.push_back({reader.line.text, std::move(reader.line.raw)});
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
    // Only the new section is encoded; every other line goes back as the bytes
    // it was read from, so that a wrong guess of the encoding cannot change it.
    const RawCodeKind kind = WriteKind(encoding);
    std::string sectionBytes;
    if (!EncodeSection(list, section, kind, readBufferSize, &sectionBytes)) return false;

    RawLineFile writer(temporary);
    writer.lineKind = KindValue(kind);
    if (signature) writer.flags |= RawLineFile::WriteSignature;
    writer.SetWriteBuffer(kWriteBuffer);
    if (!writer.OpenWrite()) return false;

    bool ok = true;
    bool written = false;
    bool inside = false;
    for (const OldLine& old : lines) {
        if (!ok) break;
        if (IsSectionHeader(old.text)) {
            inside = old.text.EqualNoCase(SectionNameRange(old.text), section, kAll);
            // Reading gathered every occurrence of the section into one list, so
            // the list goes in once, at the first; writing it at each would
            // multiply the entries with every rewrite.
            if (inside && !written) ok = writer.WriteBytes(sectionBytes.data(), sectionBytes.size());
            written = written || inside;
        }
        if (!inside) ok = writer.WriteBytes(old.raw.data(), old.raw.size());
    }
    if (ok && !written) {
        if (!lines.empty() && !EndsWithLineEnd(lines.back().raw, kind)) {
            const std::string_view lineEnd = RawLineFile::LineEnd(kind);
            ok = writer.WriteBytes(lineEnd.data(), lineEnd.size());
        }
        ok = ok && writer.WriteBytes(sectionBytes.data(), sectionBytes.size());
    }
    if (writer.Close() && ok) {
        if (oldExists ? ReplacePath(path, temporary) : MovePath(temporary, path, kMoveWriteThrough)) return true;
        // Without a backup, ReplaceFile may fail after removing the old file
        // (ERROR_UNABLE_TO_MOVE_REPLACEMENT): the new one is then the only copy.
        if (oldExists && !PathExists(path)) return MovePath(temporary, path, kMoveWriteThrough);
    }
    DeleteFilePath(temporary);
    return false;
}

bool RawParameterFile::CanWrite(const RawParameterUnit& unit) const {
    std::string bytes;
    return ReadsBack(unit) &&
           AppendLine({&unit.key, &Equal(), &unit.value}, WriteKind(encoding), readBufferSize, &bytes);
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

bool IsSectionHeader(const RawString& line) { return line.Length() > 0 && line.UnitAt(0) == '['; }

RawRange SectionNameRange(const RawString& line) {
    int32_t close = line.Length();
    for (int32_t i = 1; i < line.Length(); i += line.CharLength(i))
        if (line.UnitAt(i) == ']') close = i;
    return {1, close};
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
