// Walks one folder entry by entry with filters, and collects and sorts what
// it finds. Not recursive: a caller starts one scan per folder it enters.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "raw/RawFile.h"
#include "raw/RawList.h"
#include "raw/RawShell.h"
#include "raw/RawString.h"

namespace RawLayer {

// A directory link, junction or other reparse point (FILE_ATTRIBUTE_REPARSE_POINT).
inline constexpr uint32_t kAttributeReparsePoint = 0x400;

struct RawFindFileData {
    uint32_t attributes = kNoAttributes;  // while no entry has been read
    uint64_t lastWriteTime = 0;         // FILETIME units
    uint64_t creationTime = 0;
    uint64_t lastAccessTime = 0;
    uint64_t size = 0;
    RawString name;  // in the code kind of the folder path
    RawString path;  // the folder joined with the name

    bool AttributesKnown() const { return attributes != kNoAttributes; }
    bool IsFolder() const { return IsFolderAttributes(attributes); }
    // A folder whose content may be walked: a link to a folder is not one,
    // since a link to itself or to a parent would make every walk endless.
    bool IsFolderToEnter() const { return IsFolderToEnterAttributes(attributes); }

    static bool IsFolderAttributes(uint32_t a) { return a != kNoAttributes && (a & kAttributeDirectory) != 0; }
    static bool IsFolderToEnterAttributes(uint32_t a) {
        return IsFolderAttributes(a) && (a & kAttributeReparsePoint) == 0;
    }
};

// What a listing keeps of an entry: a quarter of the whole record, which a
// folder of many thousand entries holds at once.
struct RawFolderEntry {
    RawString name;
    uint32_t attributes = kNoAttributes;

    bool IsFolder() const { return RawFindFileData::IsFolderAttributes(attributes); }
    bool IsFolderToEnter() const { return RawFindFileData::IsFolderToEnterAttributes(attributes); }
};

class RawFolderFileListAllocator : public RawListAllocator<RawFindFileData> {};
class RawFolderFileList : public RawListR<RawFolderFileListAllocator, RawFindFileData> {};

// Sort keys: 0 path with "a".."z" folded, 1 last-write time, 2 size; others keep the order.
class RawFolderFileListSort : public RawListSortR<RawFindFileData> {
public:
    enum Key : int32_t { ByPath = 0, ByTime = 1, BySize = 2 };
    explicit RawFolderFileListSort(int32_t key = ByPath) { sortKey = key; }
    int CompareUnits(const RawFindFileData& a, const RawFindFileData& b) override;
};

class RawFolderScan {
public:
    // Filter flags, tested in the order SkipDots, SkipSystem, SkipHidden,
    // SkipReadOnly, FilesOnly, SkipLinks, FoldersOnly.
    enum Flags : uint8_t {
        FilesOnly = 0x01,
        FoldersOnly = 0x02,  // shortcut (".lnk") files count as folders here
        SkipLinks = 0x04,
        SkipDots = 0x10,
        SkipSystem = 0x20,
        SkipHidden = 0x40,
        SkipReadOnly = 0x80,
    };

    RawFolderScan() = default;
    explicit RawFolderScan(const RawString& folder) { Start(folder); }
    RawFolderScan(const RawFolderScan&) = delete;
    RawFolderScan& operator=(const RawFolderScan&) = delete;

    // Closes any open search and prepares a walk of the folder (one trailing
    // separator is ignored).
    void Start(const RawString& folder);
    // The next entry that passes the filter; false once the folder is exhausted.
    bool Next(uint8_t flags);
    void Close();

    // Whether Next joins each entry's path (it does unless told otherwise): a
    // caller that needs the paths of a few entries only spares a text per entry.
    void JoinPaths(bool join) { joinPaths_ = join; }

    const RawFindFileData& Data() const { return data_; }
    // The entry's name and attributes, for a caller that keeps them: the
    // name moves out instead of being shared, and the next Next fills a new one.
    RawFolderEntry TakeEntry() { return {std::move(data_.name), data_.attributes}; }
    bool Finished() const { return finished_; }
    const RawString& Folder() const { return folder_; }
    const RawString& Pattern() const { return pattern_; }

    // Walks to the end, appending a copy of every kept record; the count appended.
    int32_t Collect(RawFolderFileList* list, uint8_t flags);

    // Whether an entry with this name and these attributes is kept.
    static bool Passes(const RawString& name, uint32_t attributes, uint8_t flags);

private:
    bool Fill();

    RawFindFileData data_;
    RawFileFind find_;
    bool finished_ = true;
    bool joinPaths_ = true;
    RawString folder_;
    RawString pattern_;
    std::string scratch_;
};

// Puts records into the order a file manager shows a folder, by their
// names: case ignored as the file system ignores it, runs of digits compared
// as numbers ("IMG_2" before "IMG_10"); names still equal then put fewer
// leading zeros first and are last told apart by their units. Each name is
// folded once, so a large folder sorts without converting a name per
// comparison; each name gets one key in bytes whose plain order is that
// order, and the buffers are kept from one folder to the next.
class RawEntryNameSort {
public:
    // For RawFindFileData and RawFolderEntry.
    template <class Entry>
    void Sort(std::vector<Entry>* entries);

private:
    struct Keyed {
        uint64_t high, low;  // the key's first 16 bytes
        int32_t index;
    };

    std::vector<char> keys_;
    std::u16string folded_;
    std::vector<size_t> starts_;
    std::vector<uint32_t> zeros_;
    std::vector<Keyed> order_;
};

}  // namespace RawLayer
