// Folder scans on a real folder: every filter flag, paths, record fields,
// collecting and sorting.
#include "raw/RawFolderScan.h"

#include <algorithm>
#include <set>
#include <string>

#include "RawFileTestSupport.h"
#include "raw/RawPath.h"

using namespace RawLayer;
using RawFileTest::TempFolderTest;

namespace {

using Names = std::set<std::string>;

TEST(RawFolderScanFilter, PassesInTheDocumentedOrder) {
    const uint32_t none = 0xFFFFFFFFu, file = 0x20, dir = 0x10;
    const struct {
        const char* name;
        uint32_t attributes;
        uint8_t flags;
        bool kept;
    } cases[] = {
        {".", dir, RawFolderScan::SkipDots, false},
        {"..", dir, RawFolderScan::SkipDots, false},
        {"...", dir, RawFolderScan::SkipDots, true},
        {"s.lnk", file | 0x4, RawFolderScan::SkipSystem, false},  // system decides before the link rule
        {"h", file | 0x2, RawFolderScan::SkipHidden, false},
        {"h", none, RawFolderScan::SkipHidden, true},  // unknown attributes never skip
        {"r", file | 0x1, RawFolderScan::SkipReadOnly, false},
        {"d", dir, RawFolderScan::FilesOnly, false},
        {"d.lnk", dir, RawFolderScan::FilesOnly, false},  // files-only decides before the link rule
        {"x.LNK", file, RawFolderScan::FoldersOnly, true},
        {"x.lnk", file, RawFolderScan::SkipLinks | RawFolderScan::FoldersOnly, false},
        {"lnk", file, RawFolderScan::FoldersOnly, false},
        {".lnk", file, RawFolderScan::FoldersOnly, true},
        {"f", none, RawFolderScan::FoldersOnly, true},
        {"f", file, RawFolderScan::FilesOnly | RawFolderScan::FoldersOnly, false},
        {"f.Lnk", file, RawFolderScan::FilesOnly | RawFolderScan::FoldersOnly, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RawFolderScan::Passes(c.name, c.attributes, c.flags), c.kept) << c.name << " " << int(c.flags);
}

class RawFolderScanTest : public TempFolderTest {
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
    bool SetAttributes(const std::string& name, DWORD attributes) {
        return SetFileAttributesW(WidePath(name).c_str(), attributes) &&
               (GetFileAttributesW(WidePath(name).c_str()) & attributes) == attributes;
    }
};

TEST_F(RawFolderScanTest, EveryFilterFlagOnARealFolder) {
    Write("a.txt", "a");
    Write("h.txt", "h");
    Write("s.txt", "s");
    Write("r.txt", "r");
    Write("x.LNK", "l");
    ASSERT_TRUE(CreateDirectoryW(WidePath("sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(WidePath("hsub").c_str(), nullptr));
    ASSERT_TRUE(SetAttributes("r.txt", FILE_ATTRIBUTE_READONLY));
    // Wine keeps hidden and system bits only where the file system holds
    // extended attributes; Windows always does. Only those cases are skipped.
    const bool dosAttributes = SetAttributes("h.txt", FILE_ATTRIBUTE_HIDDEN) &&
                               SetAttributes("s.txt", FILE_ATTRIBUTE_SYSTEM) &&
                               SetAttributes("hsub", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);

    using F = RawFolderScan;
    const struct {
        uint8_t flags;
        Names expected;
        bool needsDosAttributes;
    } cases[] = {
        {0, {".", "..", "a.txt", "h.txt", "s.txt", "r.txt", "x.LNK", "sub", "hsub"}, false},
        {F::SkipDots, {"a.txt", "h.txt", "s.txt", "r.txt", "x.LNK", "sub", "hsub"}, false},
        {F::SkipDots | F::SkipSystem, {"a.txt", "h.txt", "r.txt", "x.LNK", "sub", "hsub"}, true},
        {F::SkipDots | F::SkipHidden, {"a.txt", "s.txt", "r.txt", "x.LNK", "sub"}, true},
        {F::SkipDots | F::SkipReadOnly, {"a.txt", "h.txt", "s.txt", "x.LNK", "sub", "hsub"}, false},
        {F::SkipDots | F::FilesOnly, {"a.txt", "h.txt", "s.txt", "r.txt", "x.LNK"}, false},
        {F::SkipDots | F::FoldersOnly, {"x.LNK", "sub", "hsub"}, false},
        {F::FoldersOnly, {".", "..", "x.LNK", "sub", "hsub"}, false},
        {F::SkipDots | F::SkipLinks, {"a.txt", "h.txt", "s.txt", "r.txt", "sub", "hsub"}, false},
        {F::SkipDots | F::FilesOnly | F::FoldersOnly, {"x.LNK"}, false},
        {F::SkipDots | F::FoldersOnly | F::SkipLinks, {"sub", "hsub"}, false},
        {F::SkipDots | F::SkipHidden | F::SkipSystem | F::SkipReadOnly | F::FilesOnly, {"a.txt", "x.LNK"}, true},
    };
    for (const auto& c : cases) {
        if (c.needsDosAttributes && !dosAttributes) continue;
        EXPECT_EQ(Scan(Folder(), c.flags), c.expected) << int(c.flags);
    }
    // A trailing separator changes nothing.
    RawString slash(Folder());
    slash.AppendUnit('\\');
    EXPECT_EQ(Scan(slash, F::SkipDots), Scan(Folder(), F::SkipDots));
    RawFolderScan scan(slash);
    EXPECT_EQ(scan.Pattern().ToUtf8(), Folder().ToUtf8() + "\\*.*");
}

TEST_F(RawFolderScanTest, RecordsAndNamesInTheFolderKind) {
    Write("\xE2\x82\xAC.txt", "12345");
    Write("plain", "");
    for (RawCodeKind kind : {Utf8, Wide}) {
        RawFolderScan scan(RawString(Folder(), kind));
        Names names;
        while (scan.Next(RawFolderScan::SkipDots)) {
            const RawFindFileData& d = scan.Data();
            EXPECT_EQ(d.name.Kind(), kind);
            EXPECT_EQ(d.path.Kind(), kind);
            EXPECT_TRUE(d.AttributesKnown());
            EXPECT_FALSE(d.IsFolder());
            EXPECT_NE(d.lastWriteTime, 0u);
            names.insert(d.name.ToUtf8());
            if (d.name.ToUtf8() == "\xE2\x82\xAC.txt") {
                EXPECT_EQ(d.size, 5u);
            }
        }
        EXPECT_EQ(names, (Names{"\xE2\x82\xAC.txt", "plain"}));
    }
    // An ANSI-kind folder walks through the narrow entry points.
    RawFolderScan ansi(RawString(Folder(), Ansi));
    Names names;
    while (ansi.Next(RawFolderScan::SkipDots)) {
        EXPECT_EQ(ansi.Data().name.Kind(), Ansi);
        names.insert(ansi.Data().name.ToUtf8());
    }
    EXPECT_TRUE(names.count("plain"));
}

TEST_F(RawFolderScanTest, MissingFolderYieldsNothing) {
    RawFolderScan scan(Path("missing"));
    EXPECT_FALSE(scan.Next(0));
    EXPECT_TRUE(scan.Finished());
    RawFolderScan unset;
    EXPECT_FALSE(unset.Next(0));
    RawFolderScan closed(Folder());
    closed.Close();
    EXPECT_FALSE(closed.Next(0));
    RawFolderScan drive("Q:\\no\\such\\folder");
    EXPECT_FALSE(drive.Next(0));
}

TEST_F(RawFolderScanTest, RestartAfterPartialWalk) {
    Write("a", "");
    Write("b", "");
    RawFolderScan scan(Folder());
    ASSERT_TRUE(scan.Next(RawFolderScan::SkipDots));
    scan.Start(Folder());
    int count = 0;
    while (scan.Next(RawFolderScan::SkipDots)) ++count;
    EXPECT_EQ(count, 2);
}

TEST_F(RawFolderScanTest, CollectAndSortByPathTimeAndSize) {
    const struct {
        const char* name;
        size_t size;
        uint64_t time;
    } files[] = {{"b.txt", 30, 300}, {"A.txt", 10, 200}, {"c.txt", 20, 100}, {"D.txt", 40, 400}};
    for (const auto& f : files) {
        Write(f.name, std::string(f.size, 'x'));
        HANDLE h = CreateFileW(WidePath(f.name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        const uint64_t t = 132000000000000000ull + f.time * 10000000ull;
        FILETIME ft{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
        EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
        CloseHandle(h);
    }
    RawFolderFileList list;
    RawFolderScan scan(Folder());
    EXPECT_EQ(scan.Collect(&list, RawFolderScan::SkipDots), 4);
    ASSERT_EQ(list.Count(), 4);

    const struct {
        int32_t key;
        std::vector<std::string> order;
    } sorts[] = {
        {RawFolderFileListSort::ByPath, {"A.txt", "b.txt", "c.txt", "D.txt"}},
        {RawFolderFileListSort::ByTime, {"c.txt", "A.txt", "b.txt", "D.txt"}},
        {RawFolderFileListSort::BySize, {"A.txt", "c.txt", "b.txt", "D.txt"}},
    };
    for (const auto& s : sorts) {
        RawFolderFileListSort sorter(s.key);
        list.Sort(sorter);
        std::vector<std::string> order;
        for (const RawFindFileData& d : list) order.push_back(d.name.ToUtf8());
        EXPECT_EQ(order, s.order) << s.key;
    }
    RawFolderFileListSort none(9);
    const RawFindFileData a, b;
    EXPECT_EQ(none.CompareUnits(a, b), 0);
}

}  // namespace
