// Files, folders, well-known folders, message boxes, the clipboard, dropped
// files and launching: the foundation's door to kernel32, user32 and shell32.
#include "raw/RawShell.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

#include "raw/RawCodePage.h"
#include "raw/RawCodeRules.h"
#include "raw/RawHandle.h"

namespace RawLayer {

namespace {

RawString WideResult(const std::vector<wchar_t>& buffer, size_t length, RawCodeKind kind) {
    std::u16string units(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
    return RawString(RawString::FromWide(units), kind);
}

// For the calls that report the size they need (GetTempPath, GetCurrentDirectory):
// ask, fetch, and ask again if the text grew in between.
template <class Fetch>
RawString FetchSized(Fetch fetch, RawCodeKind kind) {
    DWORD size = fetch(0, nullptr);
    for (int attempt = 0; attempt < 4 && size > 0; ++attempt) {
        std::vector<wchar_t> buffer(size + 1);
        const DWORD got = fetch(static_cast<DWORD>(buffer.size()), buffer.data());
        if (got == 0) return RawString(kind);
        if (got < buffer.size()) return WideResult(buffer, got, kind);
        size = got;
    }
    return RawString(kind);
}

// Known folders return a text of any length; the CSIDL calls are bound to
// MAX_PATH by their contract, so the CSIDL numbers in use are mapped here.
const GUID* KnownFolderOf(int32_t csidl) {
    static const GUID desktop = {0xb4bfcc3a, 0xdb2c, 0x424c, {0xb0, 0x29, 0x7f, 0xe9, 0x9a, 0x87, 0xc6, 0x41}};
    static const GUID documents = {0xfdd39ad0, 0x238f, 0x46af, {0xad, 0xb4, 0x6c, 0x85, 0x48, 0x03, 0x69, 0xc7}};
    static const GUID roaming = {0x3eb685db, 0x65f9, 0x4cf6, {0xa0, 0x3a, 0xe3, 0xef, 0x65, 0x72, 0x9f, 0x3d}};
    static const GUID local = {0xf1b32785, 0x6fba, 0x4fcf, {0x9d, 0x55, 0x7b, 0x8e, 0x7f, 0x15, 0x70, 0x91}};
    static const GUID common = {0x62ab5d82, 0xfdc1, 0x4dc3, {0xa9, 0xdd, 0x07, 0x0d, 0x1d, 0x49, 0x5d, 0x97}};
    switch (csidl) {
    case 5: return &documents;
    case 16: return &desktop;
    case 26: return &roaming;
    case 28: return &local;
    case 35: return &common;
    default: return nullptr;
    }
}

}  // namespace

// ---------------------------------------------------------------- files and folders

uint32_t FileAttributes(const RawString& path) {
    if (path.IsEmpty()) return kNoAttributes;
    return GetFileAttributesW(WideLongPath(path).c_str());
}

bool PathExists(const RawString& path) { return FileAttributes(path) != kNoAttributes; }

bool IsFile(const RawString& path) {
    const uint32_t attributes = FileAttributes(path);
    return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFolder(const RawString& path) {
    const uint32_t attributes = FileAttributes(path);
    return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ReadFileFacts(const RawString& path, RawFileFacts* facts) {
    *facts = RawFileFacts();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.IsEmpty() || !GetFileAttributesExW(WideLongPath(path).c_str(), GetFileExInfoStandard, &data)) return false;
    facts->attributes = data.dwFileAttributes;
    facts->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    facts->lastWriteTime =
        (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

std::u16string FoldedPath(const RawString& path) {
    std::u16string units = RawString(path, RawCodeKind::Wide).ToU16();
    if (units.empty()) return units;
    // Upper case without linguistic rules maps unit to unit, so the result
    // has the source's length and LCMapStringEx can work in place.
    const int mapped = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, reinterpret_cast<LPCWSTR>(units.data()),
                                     static_cast<int>(units.size()), reinterpret_cast<LPWSTR>(units.data()),
                                     static_cast<int>(units.size()), nullptr, nullptr, 0);
    if (mapped != static_cast<int>(units.size())) {
        // Not expected; a plain "a".."z" fold keeps the comparison usable.
        units = RawString(path, RawCodeKind::Wide).ToU16();
        for (char16_t& u : units)
            if (u >= u'a' && u <= u'z') u = static_cast<char16_t>(u - 32);
    }
    return units;
}

bool EnsureFolder(const RawString& given) {
    // Parents are found in the plain form: "\\?\X:" is no folder of its own.
    const RawString path = PlainPath(given);
    if (PathExists(path)) return IsFolder(path);
    const RawRange parent = ParentRange(path);
    if (parent.end <= parent.begin) return false;
    // The parent is strictly shorter, so the recursion ends at the root.
    if (!EnsureFolder(RawString(path, parent, path.Kind()))) return false;
    return CreateDirectoryW(WideLongPath(path).c_str(), nullptr) != 0;
}

bool MovePath(const RawString& source, const RawString& destination, uint32_t flags) {
    if (source.IsEmpty() || destination.IsEmpty()) return false;
    return MovePathResult(source, destination, flags) == 0;
}

bool DeleteFilePath(const RawString& path) {
    if (path.IsEmpty()) return false;
    return DeleteFileW(WideLongPath(path).c_str()) != 0;
}

bool ReplacePath(const RawString& replaced, const RawString& replacement, const RawString& backup) {
    if (replaced.IsEmpty() || replacement.IsEmpty()) return false;
    const std::wstring backupPath = backup.IsEmpty() ? std::wstring() : WideLongPath(backup);
    return ReplaceFileW(WideLongPath(replaced).c_str(), WideLongPath(replacement).c_str(),
                        backup.IsEmpty() ? nullptr : backupPath.c_str(), 0, nullptr, nullptr) != 0;
}

// ---------------------------------------------------------------- well-known folders

RawString ProgramFile(RawCodeKind kind) {
    // GetModuleFileName does not tell the size it needs: it cuts the text to the
    // buffer and returns the buffer size, so the buffer grows until it fits.
    for (DWORD size = MAX_PATH + 1; size <= 0x10000 * 2; size *= 2) {
        std::vector<wchar_t> buffer(size);
        const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (got == 0) break;
        if (got < size) return WideResult(buffer, got, kind);
    }
    return RawString(kind);
}

RawString ProgramFolder(RawCodeKind kind) {
    const RawString file = ProgramFile(kind);
    return RawString(file, ParentRange(file), kind);
}

RawString TempFolder(RawCodeKind kind) {
    return FetchSized([](DWORD size, wchar_t* buffer) { return GetTempPathW(size, buffer); }, kind);
}

RawString CurrentFolder(RawCodeKind kind) {
    return FetchSized([](DWORD size, wchar_t* buffer) { return GetCurrentDirectoryW(size, buffer); }, kind);
}

namespace {

RawString& KeptStartFolder() {
    static RawString folder;
    return folder;
}

}  // namespace

bool LeaveStartFolder() {
    const RawString start = CurrentFolder(RawCodeKind::Wide);
    const RawString system =
        FetchSized([](DWORD size, wchar_t* buffer) { return GetSystemDirectoryW(buffer, size); }, RawCodeKind::Wide);
    for (const RawString& folder : {system, ProgramFolder(RawCodeKind::Wide)}) {
        if (folder.IsEmpty() || !SetCurrentDirectoryW(folder.ToWide().c_str())) continue;
        if (KeptStartFolder().IsEmpty()) KeptStartFolder() = start;
        return true;
    }
    return false;
}

RawString StartFolder(RawCodeKind kind) {
    const RawString& kept = KeptStartFolder();
    return kept.IsEmpty() ? CurrentFolder(kind) : RawString(kept, kind);
}

RawString FullPath(const RawString& path, RawCodeKind kind) {
    if (path.IsEmpty()) return RawString(kind);
    const std::wstring wide = path.ToWide();
    return FetchSized(
        [&wide](DWORD size, wchar_t* buffer) { return GetFullPathNameW(wide.c_str(), size, buffer, nullptr); },
        kind);
}

uint32_t MovePathResult(const RawString& source, const RawString& destination, uint32_t flags) {
    const BOOL moved = MoveFileExW(WideLongPath(source).c_str(), WideLongPath(destination).c_str(), flags);
    return moved ? 0 : GetLastError();
}

uint32_t RawItemMove::Open(const RawString& path) {
    facts_ = RawFileFacts();
    path_ = path;
    // What MoveFileEx opens: the item itself (a link, not its target), a
    // folder as well as a file, shared with every other user of it.
    handle_.Reset(CreateFileW(WideLongPath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle_) return GetLastError();
    // The two small classes: the whole of GetFileInformationByHandle asks
    // for the item's name too, which under Wine costs a lookup in its folder.
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(handle_.Get(), FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle_.Get(), FileStandardInfo, &standard, sizeof standard)) {
        const uint32_t error = GetLastError();
        handle_.Reset();
        return error;
    }
    facts_.attributes = basic.FileAttributes;
    facts_.size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
    facts_.lastWriteTime = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
    return 0;
}

uint32_t RawItemMove::MoveTo(const RawString& destination) {
    if (!handle_) return MovePathResult(path_, destination, 0);
    // The rename takes the object manager's form of a full path, the long
    // form with "\??\" in place of its "\\?\".
    std::wstring target = WideLongPath(destination);
    if (target.size() < 5 || target.compare(0, 4, L"\\\\?\\") != 0) {
        handle_.Reset();
        return MovePathResult(path_, destination, 0);
    }
    target[1] = L'?';
    target[2] = L'?';
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t), 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, target.data(), nameBytes);
    const bool moved = SetFileInformationByHandle(handle_.Get(), FileRenameInfo, info,
                                                  static_cast<DWORD>(buffer.size())) != 0;
    const uint32_t error = moved ? 0 : GetLastError();
    handle_.Reset();
    return error;
}

uint32_t FoldNameUnit(uint32_t unit) {
    if (unit < 0x80) return FoldAscii(unit);
    if (unit > 0xFFFF || (unit >= 0xD800 && unit <= 0xDFFF)) return unit;
    // Built once from one mapping call over every unit outside the surrogates.
    static const std::vector<char16_t> table = [] {
        std::vector<char16_t> units(0x10000);
        for (uint32_t u = 0; u < 0x10000; ++u) units[u] = static_cast<char16_t>(u);
        std::vector<char16_t> upper(units);
        for (const auto& [from, to] : {std::pair<uint32_t, uint32_t>{0x80, 0xD800}, {0xE000, 0x10000}}) {
            const int count = static_cast<int>(to - from);
            auto* source = reinterpret_cast<const wchar_t*>(units.data() + from);
            auto* target = reinterpret_cast<wchar_t*>(upper.data() + from);
            // A mapping that changed the length would shift every unit behind it.
            if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, source, count, target, count, nullptr,
                              nullptr, 0) != count)
                std::copy(units.begin() + from, units.begin() + to, upper.begin() + from);
        }
        return upper;
    }();
    return table[unit];
}

RawString CaseMapped(const RawString& text, bool upper) {
    if (text.IsEmpty()) return text;
    const std::wstring source = text.ToWide();
    const DWORD how = upper ? LCMAP_UPPERCASE : LCMAP_LOWERCASE;
    const int length = static_cast<int>(source.size());
    // Asked for its size first: a mapping need not keep the length.
    const int size = LCMapStringEx(LOCALE_NAME_INVARIANT, how, source.data(), length, nullptr, 0, nullptr, nullptr, 0);
    if (size <= 0) return text;
    std::wstring target(static_cast<size_t>(size), L'\0');
    const int mapped =
        LCMapStringEx(LOCALE_NAME_INVARIANT, how, source.data(), length, target.data(), size, nullptr, nullptr, 0);
    if (mapped <= 0) return text;
    return RawString(RawString::FromWide(reinterpret_cast<const char16_t*>(target.data()), mapped), text.Kind());
}

RawFoldedUnits::RawFoldedUnits(const RawString& text, int32_t from) {
    if (text.Kind() == RawCodeKind::Utf8) {
        bytes_ = reinterpret_cast<const uint8_t*>(text.Bytes());
        length_ = text.Length();
    } else {
        wide_ = RawString(text, RawCodeKind::Wide);
        units_ = wide_.Units();
        length_ = wide_.Length();
    }
    at_ = std::clamp(from, 0, length_);
}

bool RawFoldedUnits::Next(uint32_t* unit) {
    if (pending_ != 0) {
        *unit = pending_;
        pending_ = 0;
        return true;
    }
    if (at_ >= length_) return false;
    if (units_ != nullptr) {
        *unit = FoldNameUnit(units_[at_++]);
        return true;
    }
    const uint32_t lead = bytes_[at_++];
    *unit = lead < 0x80 ? FoldAscii(lead) : FoldNameUnit(Decode(lead));
    return true;
}

bool SameFoldedUnits(RawFoldedUnits&& a, RawFoldedUnits&& b) {
    uint32_t u = 0, v = 0;
    for (;;) {
        const bool more = a.Next(&u);
        if (more != b.Next(&v)) return false;
        if (!more) return true;
        if (u != v) return false;
    }
}

// The code point of the character that lead starts; a malformed sequence
// stands for its lead byte alone.
uint32_t RawFoldedUnits::Decode(uint32_t lead) {
    const int32_t extra = Utf8ExtraUnits(lead);
    if (extra == 0 || extra > 3 || at_ + extra > length_) return lead;
    uint32_t point = lead & (0x3Fu >> extra);
    for (int32_t i = 0; i < extra; ++i) {
        const uint32_t next = bytes_[at_ + i];
        if (!IsUtf8Continuation(next)) return lead;
        point = (point << 6) | (next & 0x3F);
    }
    at_ += extra;
    if (point < 0x10000) return point;
    point -= 0x10000;
    pending_ = 0xDC00 + (point & 0x3FF);
    return 0xD800 + (point >> 10);
}

RawString SystemErrorText(uint32_t code) {
    RawLocalText owned;
    // With ALLOCATE_BUFFER the text argument receives the address of the system's buffer.
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(owned.Put()), 0, nullptr);
    const wchar_t* text = owned.Get();
    RawString result;
    if (length > 0 && text != nullptr) {
        std::u16string line;
        for (DWORD i = 0; i < length; ++i) {
            const wchar_t c = text[i];
            if (c == L'\r' || c == L'\n') {
                if (!line.empty() && line.back() != u' ') line.push_back(u' ');
            } else {
                line.push_back(static_cast<char16_t>(c));
            }
        }
        while (!line.empty() && line.back() == u' ') line.pop_back();
        result = RawString(RawString::FromWide(line), RawCodeKind::Utf8);
    }
    if (result.IsEmpty()) {
        result = RawString("Error ");
        result.AppendInt(code);
    }
    return result;
}

RawString SpecialFolder(int32_t csidl, RawCodeKind kind) {
    const GUID* folder = KnownFolderOf(csidl);
    if (folder == nullptr) return RawString(kind);
    RawTaskText text;  // owed even when the call failed
    const HRESULT result = SHGetKnownFolderPath(*folder, 0, nullptr, text.Put());
    RawString path(kind);
    if (SUCCEEDED(result) && text) path = RawString(RawString::FromWide(text.Get()), kind);
    return path;
}

// ---------------------------------------------------------------- user interaction

int32_t ShowMessage(const RawString& text, const RawString& caption) {
    return RawApiArgs::Call(MessageBoxA, MessageBoxW, HWND(nullptr), text, caption, UINT(MB_ICONEXCLAMATION));
}

uint32_t DroppedFileCount(void* drop) {
    if (drop == nullptr) return 0;
    return DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
}

RawString DroppedFile(void* drop, uint32_t index, RawCodeKind kind) {
    if (drop == nullptr) return RawString(kind);
    const auto handle = static_cast<HDROP>(drop);
    const UINT length = DragQueryFileW(handle, index, nullptr, 0);
    if (length == 0) return RawString(kind);
    std::vector<wchar_t> buffer(length + 1);
    const UINT got = DragQueryFileW(handle, index, buffer.data(), length + 1);
    return WideResult(buffer, got < buffer.size() ? got : length, kind);
}

RawString WindowText(void* window, RawCodeKind kind) {
    const auto handle = static_cast<HWND>(window);
    const int length = GetWindowTextLengthW(handle);
    if (length <= 0) return RawString(kind);
    // The length may overstate the text (it is an upper bound), never understate it.
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int got = GetWindowTextW(handle, buffer.data(), length + 1);
    return WideResult(buffer, got > 0 ? static_cast<size_t>(got) : 0, kind);
}

bool CopyToClipboard(const RawString& text, RawRange range) {
    const RawString part(text, range, text.Kind());
    // CF_TEXT is read in the system's ANSI code page, so only ANSI bytes (and
    // Shift_JIS on a code page 932 system) may go there as they stand.
    const bool narrow = part.IsEmpty() || part.Kind() == RawCodeKind::Ansi ||
                        (part.Kind() == RawCodeKind::ShiftJis && RawAnsiCodePage() == 932);
    RawGlobalHandle memory;
    UINT format = CF_TEXT;
    if (narrow) {
        const size_t length = strnlen(part.Bytes(), static_cast<size_t>(part.Length()));
        memory.Reset(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, length + 1));
        const RawGlobalLock lock(memory.Get());
        if (lock.Data() == nullptr) return false;
        std::memcpy(lock.Data(), part.Bytes(), length);
    } else {
        const RawString wide(part, RawCodeKind::Wide);
        const size_t length = static_cast<size_t>(wide.Length());
        format = CF_UNICODETEXT;
        memory.Reset(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 2 * length + 2));
        const RawGlobalLock lock(memory.Get());
        if (lock.Data() == nullptr) return false;
        std::memcpy(lock.Data(), wide.Units(), 2 * length);
    }
    const RawClipboardScope clipboard;
    if (!clipboard.IsOpen() || !EmptyClipboard()) return false;
    if (SetClipboardData(format, memory.Get()) == nullptr) return false;
    memory.Release();  // the clipboard owns it now
    return true;
}

RawString PasteFromClipboard() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return RawString(RawCodeKind::Wide);
    const RawClipboardScope clipboard;
    if (!clipboard.IsOpen()) return RawString(RawCodeKind::Wide);
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr) return RawString(RawCodeKind::Wide);
    const RawGlobalLock lock(data);
    if (lock.Data() == nullptr) return RawString(RawCodeKind::Wide);
    // Another program filled this memory: never read past its size for a terminator.
    const size_t most = GlobalSize(data) / sizeof(wchar_t);
    const auto units = static_cast<const wchar_t*>(lock.Data());
    const size_t length = wcsnlen(units, most);
    return RawString::FromWide(reinterpret_cast<const char16_t*>(units), static_cast<int32_t>(length));
}

// ---------------------------------------------------------------- launching

RawShell::~RawShell() = default;

bool RawShell::Launch(const RawString& parameters, const RawString& verb) {
    process.Reset();
    processId = 0;
    const bool byParameters = program.IsEmpty();
    const RawString& file = byParameters ? parameters : program;
    const RawString none;
    const RawString& arguments = byParameters ? none : parameters;
    HANDLE started = nullptr;
    const bool launched = RawApiArgs::Apply(
        [&](auto useWide, auto verbText, auto fileText, auto argumentText, auto folderText) {
            std::conditional_t<decltype(useWide)::value, SHELLEXECUTEINFOW, SHELLEXECUTEINFOA> info{};
            info.cbSize = sizeof info;
            info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_DOENVSUBST | SEE_MASK_FLAG_NO_UI;
            info.lpVerb = verbText;
            info.lpFile = fileText;
            info.lpParameters = argumentText;
            info.lpDirectory = folderText;
            info.nShow = showCommand;
            BOOL done = FALSE;
            if constexpr (decltype(useWide)::value) done = ShellExecuteExW(&info);
            else done = ShellExecuteExA(&info);
            started = done ? info.hProcess : nullptr;
            return done != 0;
        },
        RawApiArgs::OrNull(verb), file, RawApiArgs::OrNull(arguments), RawApiArgs::OrNull(workingFolder));
    // A document handed to an already running program succeeds without a process.
    if (started != nullptr) {
        process.Reset(started);
        processId = GetProcessId(started);
    }
    return launched;
}

}  // namespace RawLayer
