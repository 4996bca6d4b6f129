// The thin operations through which the program reaches files, well-known
// folders, message boxes, the clipboard, dropped files and other programs.
// Every failure is a result (false, 0 or an empty string), never a message.
#pragma once

#include <cstdint>
#include <string>

#include "raw/RawHandle.h"
#include "raw/RawPath.h"
#include "raw/RawString.h"

namespace RawLayer {

inline constexpr uint32_t kNoAttributes = 0xFFFFFFFFu;  // INVALID_FILE_ATTRIBUTES

// ---- files and folders
uint32_t FileAttributes(const RawString& path);  // kNoAttributes when it cannot be read
bool PathExists(const RawString& path);
bool IsFile(const RawString& path);
bool IsFolder(const RawString& path);
// What GetFileAttributesEx tells of an item without opening it.
struct RawFileFacts {
    uint32_t attributes = kNoAttributes;
    uint64_t size = 0;
    uint64_t lastWriteTime = 0;  // FILETIME units
};
// False (and the attributes kNoAttributes) when nothing can be read at the path.
bool ReadFileFacts(const RawString& path, RawFileFacts* facts);
// The path in upper case by the invariant rules, as the file system compares
// names; one unit for one unit, so positions stay those of the path.
std::u16string FoldedPath(const RawString& path);
// Creates the folder and any missing parents; true when it is a folder afterwards.
bool EnsureFolder(const RawString& path);
// MoveFileEx with the given MOVEFILE_* flags.
bool MovePath(const RawString& source, const RawString& destination, uint32_t flags);
// DeleteFile on one path; false when it could not be deleted.
bool DeleteFilePath(const RawString& path);
// MoveFileEx with the given flags; 0 on success, else the system's error code.
uint32_t MovePathResult(const RawString& source, const RawString& destination, uint32_t flags);
// One item opened once to be renamed: its facts come from the open item and
// the rename goes through it, so that neither looks the item up by name
// again (in a large folder every lookup by name costs as much as the move).
class RawItemMove {
public:
    // 0, or the system's error code (and nothing is open).
    uint32_t Open(const RawString& path);
    const RawFileFacts& Facts() const { return facts_; }
    // Renames the open item to destination as MoveFileEx without flags does,
    // never replacing an item, and lets it go; 0 or the system's error code.
    uint32_t MoveTo(const RawString& destination);

private:
    RawString path_;
    RawFileHandle handle_;
    RawFileFacts facts_;
};
// The system's text for an error code, on one line.
RawString SystemErrorText(uint32_t code);
// One UTF-16 unit as file systems compare names: upper-cased on its own by
// the invariant simple mapping (NTFS keeps such a table on every volume), so
// "a.txt" and "A.TXT" name one item, and so do names that differ only in the
// case of letters beyond ASCII. Surrogates stay as they are.
uint32_t FoldNameUnit(uint32_t unit);
// The text in upper or in lower case by the invariant mapping, the same for
// every locale, for every script that has case; in the text's own kind.
RawString CaseMapped(const RawString& text, bool upper);
// The UTF-16 units of a text one by one, each folded by FoldNameUnit: one
// rule for every comparison of names and paths. UTF-8 is decoded in place,
// so most texts never need a converted copy; the text must outlive this.
class RawFoldedUnits {
public:
    explicit RawFoldedUnits(const RawString& text, int32_t from = 0);
    bool Next(uint32_t* unit);

private:
    uint32_t Decode(uint32_t lead);

    const uint8_t* bytes_ = nullptr;
    const char16_t* units_ = nullptr;
    RawString wide_;
    int32_t at_ = 0;
    int32_t length_ = 0;
    uint32_t pending_ = 0;
};
// Whether two texts read the same once folded, from where each was started.
// Fresh readers only: a reader may point into its own copy of the text.
bool SameFoldedUnits(RawFoldedUnits&& a, RawFoldedUnits&& b);

// ReplaceFile without a backup when the backup path is empty; keeps the
// replaced file's attributes.
bool ReplacePath(const RawString& replaced, const RawString& replacement,
                 const RawString& backup = RawString());

// ---- well-known folders, in the code kind asked for; empty on failure
RawString ProgramFile(RawCodeKind kind = RawCodeKind::Utf8);
RawString ProgramFolder(RawCodeKind kind = RawCodeKind::Utf8);
RawString TempFolder(RawCodeKind kind = RawCodeKind::Utf8);  // as the platform gives it, with its trailing "\"
RawString CurrentFolder(RawCodeKind kind = RawCodeKind::Utf8);
// A process keeps its current folder open, so that neither it nor a folder
// above it can be renamed. This moves the current folder to the system
// folder (else the program's own), which no run renames, and keeps the one
// the process was started in for StartFolder. True when it moved.
bool LeaveStartFolder();
// The current folder the process had before LeaveStartFolder, else the current one.
RawString StartFolder(RawCodeKind kind = RawCodeKind::Utf8);
// The path made absolute against the current folder by the platform's own
// rules (".", "..", rooted and drive-relative paths); empty on failure.
RawString FullPath(const RawString& path, RawCodeKind kind = RawCodeKind::Utf8);
// A CSIDL folder, not created when missing. Known: 5 documents, 16 desktop,
// 26 application data, 28 local application data, 35 common application data.
RawString SpecialFolder(int32_t csidl, RawCodeKind kind = RawCodeKind::Utf8);
inline constexpr int32_t kAppDataFolder = 26;  // CSIDL_APPDATA

// ---- user interaction; window and drop handles are the platform's, passed opaque
// MessageBox without owner, exclamation icon; the button pressed, 0 on failure.
int32_t ShowMessage(const RawString& text, const RawString& caption);
uint32_t DroppedFileCount(void* drop);
RawString DroppedFile(void* drop, uint32_t index, RawCodeKind kind = RawCodeKind::Utf8);
RawString WindowText(void* window, RawCodeKind kind = RawCodeKind::Utf8);
bool CopyToClipboard(const RawString& text, RawRange range = kAll);
RawString PasteFromClipboard();  // Wide; empty when the clipboard holds no text

// Starts another program or opens a document through the shell.
class RawShell {
public:
    RawShell() = default;
    RawShell(const RawShell&) = delete;
    RawShell& operator=(const RawShell&) = delete;
    virtual ~RawShell();

    // ShellExecuteEx of the program file (or of the parameters when the program
    // file is empty) with an optional verb; keeps the started process's handle.
    virtual bool Launch(const RawString& parameters, const RawString& verb);

    RawKernelHandle process;  // of the last launch, when it started one
    uint32_t processId = 0;
    RawString program;
    RawString spare;
    RawString workingFolder;
    int32_t showCommand = 1;  // SW_SHOWNORMAL
};

}  // namespace RawLayer
