// Folder scans on a real folder: every filter flag, paths, record fields,
// collecting and sorting.
#include "raw/RawFolderScan.h"

#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "raw/RawPath.h"

using namespace RawLayer;
using namespace TestSupport;

namespace {

using Names = std::set<std::string>;
using F = RawFolderScan;

TEST(RawFolderScanFilter, PassesInTheDocumentedOrder) {
    const uint32_t none = kNoAttributes, file = 0x20, dir = 0x10;
    const struct { const char* name; uint32_t attributes; uint8_t flags; bool kept; } cases[] = {
        {".", dir, F::SkipDots, false}, {"..", dir, F::SkipDots, false}, {"...", dir, F::SkipDots, true},
        {".a", file, F::SkipDots, true},
        {"s.lnk", file | 0x4, F::SkipSystem, false},  // system decides before the link rule
        {"h", none, F::SkipHidden, true},              // unknown attributes never skip
        {"d.lnk", dir, F::FilesOnly, false},           // files-only decides before the link rule
        {"x.lnk", file, F::SkipLinks | F::FoldersOnly, false}, {"lnk", file, F::FoldersOnly, false},
        {".lnk", file, F::FoldersOnly, true}, {"f", none, F::FoldersOnly, true},
        {"f.Lnk", file, F::FilesOnly | F::FoldersOnly, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(F::Passes(c.name, c.attributes, c.flags), c.kept) << c.name << " " << int(c.flags);
}

class RawFolderScanTest : public TempDirTest {
protected:
    Names Scan(const RawString& folder, uint8_t flags) {
        Names names;
        RawFolderScan scan(folder);
        while (scan.Next(flags)) {
            names.insert(scan.Data().name.ToUtf8());
            EXPECT_EQ(scan.Data().path.ToUtf8(), JoinPath(WithoutTrailingSeparator(folder), scan.Data().name).ToUtf8());
        }
        EXPECT_TRUE(scan.Finished());
        EXPECT_FALSE(scan.Next(flags));
        return names;
    }
    bool SetAttributes(const wchar_t* name, DWORD attributes) {
        const std::wstring path = temp.Join(name);
        return SetFileAttributesW(path.c_str(), attributes) &&
               (GetFileAttributesW(path.c_str()) & attributes) == attributes;
    }
};

TEST_F(RawFolderScanTest, EveryFilterFlagOnARealFolder) {
    for (const wchar_t* name : {L"a.txt", L"h.txt", L"s.txt", L"r.txt", L"x.LNK"})
        ASSERT_TRUE(WriteFileBytes(temp.Join(name), "x"));
    ASSERT_TRUE(CreateFolder(temp.Join(L"sub")));
    ASSERT_TRUE(CreateFolder(temp.Join(L"hsub")));
    ASSERT_TRUE(SetAttributes(L"r.txt", FILE_ATTRIBUTE_READONLY));
    // Wine keeps hidden and system bits only where the file system holds
    // extended attributes; Windows always does. Only those cases are skipped.
    const bool dosAttributes = SetAttributes(L"h.txt", FILE_ATTRIBUTE_HIDDEN) &&
                               SetAttributes(L"s.txt", FILE_ATTRIBUTE_SYSTEM) &&
                               SetAttributes(L"hsub", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    const struct { uint8_t flags; Names expected; bool needsDosAttributes; } cases[] = {
        {0, {".", "..", "a.txt", "h.txt", "s.txt", "r.txt", "x.LNK", "sub", "hsub"}, false},
        {F::SkipDots | F::SkipSystem, {"a.txt", "h.txt", "r.txt", "x.LNK", "sub", "hsub"}, true},
        {F::SkipDots | F::SkipHidden, {"a.txt", "s.txt", "r.txt", "x.LNK", "sub"}, true},
        {F::SkipDots | F::SkipReadOnly, {"a.txt", "h.txt", "s.txt", "x.LNK", "sub", "hsub"}, false},
        {F::SkipDots | F::FilesOnly, {"a.txt", "h.txt", "s.txt", "r.txt", "x.LNK"}, false},
        {F::SkipDots | F::FoldersOnly, {"x.LNK", "sub", "hsub"}, false},
        {F::SkipDots | F::SkipLinks, {"a.txt", "h.txt", "s.txt", "r.txt", "sub", "hsub"}, false},
    };
    for (const auto& c : cases)
        if (dosAttributes || !c.needsDosAttributes) { EXPECT_EQ(Scan(Raw(temp.Path()), c.flags), c.expected) << int(c.flags); }
    // A trailing separator changes nothing.
    const RawString slash = Raw(temp.Path() + L"\\");
    EXPECT_EQ(Scan(slash, F::SkipDots), Scan(Raw(temp.Path()), F::SkipDots));
    EXPECT_EQ(RawFolderScan(slash).Pattern().ToUtf8(), Narrow(temp.Path()) + "\\*.*");
}

// Names and paths come in the folder's kind (times and sizes are sorted on
// below and by the log rotation); a scan restarts, and a missing folder ends it.
TEST_F(RawFolderScanTest, NamesInTheFolderKindRestartAndMissingFolders) {
    ASSERT_TRUE(WriteFileBytes(temp.Join(Widen("\xE2\x82\xAC.txt")), "12345"));
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"plain"), ""));
    for (RawCodeKind kind : {RawCodeKind::Utf8, RawCodeKind::Wide, RawCodeKind::Ansi}) {
        RawFolderScan scan(RawString(Raw(temp.Path()), kind));
        ASSERT_TRUE(scan.Next(F::SkipDots));
        scan.Start(RawString(Raw(temp.Path()), kind));
        Names names;
        for (; scan.Next(F::SkipDots); names.insert(scan.Data().name.ToUtf8())) {
            EXPECT_TRUE(scan.Data().name.Kind() == kind && scan.Data().path.Kind() == kind);
            EXPECT_TRUE(scan.Data().AttributesKnown() && !scan.Data().IsFolder());
        }
        // The euro sign need not survive the ANSI code page.
        EXPECT_EQ(names.size(), 2u);
        if (kind != RawCodeKind::Ansi) { EXPECT_EQ(names, (Names{"\xE2\x82\xAC.txt", "plain"})); }
        scan.Start(Raw(temp.Join(L"missing")));
        EXPECT_FALSE(scan.Next(0));
        EXPECT_TRUE(scan.Finished());
    }
    EXPECT_FALSE(RawFolderScan("Q:\\no\\such\\folder").Next(0));
}

TEST_F(RawFolderScanTest, CollectAndSortByPathAndSize) {
    for (const auto& [name, size] : {std::pair{L"b.txt", 30}, {L"A.txt", 10}, {L"c.txt", 20}, {L"D.txt", 40}})
        ASSERT_TRUE(WriteFileBytes(temp.Join(name), std::string(size, 'x')));
    RawFolderFileList list;
    EXPECT_EQ(RawFolderScan(Raw(temp.Path())).Collect(&list, F::SkipDots), 4);
    const std::pair<int32_t, std::vector<std::string>> sorts[] = {
        {RawFolderFileListSort::ByPath, {"A.txt", "b.txt", "c.txt", "D.txt"}},
        {RawFolderFileListSort::BySize, {"A.txt", "c.txt", "b.txt", "D.txt"}},
    };
    for (const auto& [key, expected] : sorts) {
        RawFolderFileListSort sorter(key);
        list.Sort(sorter);
        std::vector<std::string> order;
        for (const RawFindFileData& d : list) order.push_back(d.name.ToUtf8());
        EXPECT_EQ(order, expected) << key;
    }
}

// The order a file manager shows a folder in: case ignored beyond ASCII too,
// digit runs as numbers of any length, and a total order for the rest.
TEST(RawEntryNames, NaturalOrder) {
    const std::vector<std::string> sorted = {
        "a", "A1", "a1", "a01", "a2", "A3", "a10", "a10.txt", "a10b", "a100", "IMG_2", "img_10", "x0", "x00",
        "x99999999999999999999999", "x100000000000000000000000", "Zebra", "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\xA9" "b",
        "\xCE\xB1", "\xCE\x92",
    };
    for (RawCodeKind kind : {RawCodeKind::Utf8, RawCodeKind::Wide}) {
        std::vector<RawFindFileData> entries;
        for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) entries.emplace_back().name = RawString(RawString(*it), kind);
        RawEntryNameSort sort;
        for (int round = 0; round < 2; ++round) {  // the second time they come sorted already
            sort.Sort(&entries);
            std::vector<std::string> order;
            for (const RawFindFileData& entry : entries) order.push_back(entry.name.ToUtf8());
            EXPECT_EQ(order, sorted);
        }
    }
}

}  // namespace
