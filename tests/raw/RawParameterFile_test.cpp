// Parameter files: the section format, section rewriting in every encoding,
// write refusals and the profile-path placeholders.
#include "raw/RawParameterFile.h"

#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "raw/RawHandle.h"
#include "raw/RawShell.h"

using namespace RawLayer;
using namespace TestSupport;

namespace {

#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs ToPairs(const RawParameterList& list) {
    Pairs pairs;
    for (const RawParameterUnit& unit : list) pairs.emplace_back(unit.key.ToUtf8(), unit.value.ToUtf8());
    return pairs;
}

// The UTF-8 text in the given encoding, with its signature when asked.
std::string Encode(RawCodeKind kind, bool signature, const std::string& utf8) {
    const RawString encoded(RawString(std::string_view(utf8)), kind);
    std::string bytes(encoded.Bytes(), static_cast<size_t>(encoded.Length()));
    if (!signature) return bytes;
    if (kind == RawCodeKind::Utf8) return BYTES("\xEF\xBB\xBF") + bytes;
    if (kind == RawCodeKind::Utf16Le) return BYTES("\xFF\xFE") + bytes;
    if (kind == RawCodeKind::Utf16Be) return BYTES("\xFE\xFF") + bytes;
    return bytes;
}

class RawParameterFileTest : public TempDirTest {
protected:
    RawParameterFile File(const std::wstring& at) const { return RawParameterFile(Raw(at)); }
    RawParameterFile File() const { return File(path); }
    const std::wstring path = temp.Join(L"p.ini");
};

TEST_F(RawParameterFileTest, FormatRules) {
    ASSERT_TRUE(WriteFileBytes(path, BYTES("Key=BeforeHeader\r\n"
                                           "[Sec]\r\n lead=1\r\na = b\r\nx==y\r\nnoequal\r\n//comment\r\n/slash=1\r\n\r\n"
                                           "[Other]\r\no=1\r\n [Sec]\r\n"
                                           "[sec]trailing\r\nagain=2\r\n"
                                           "[Sec]]x]\r\nthird=3\r\n"
                                           "[Z]\r\nk1=v1\0k2=v2\0\0k3\r\n"  // zero units cut a line into items
                                           "[Sec\nfourth=4")));
    const Pairs sec = {{" lead", "1"}, {"a ", " b"}, {"x", "=y"}, {"noequal", ""},
                       {"/slash", "1"}, {"again", "2"}, {"fourth", "4"}};
    const std::pair<const char*, Pairs> cases[] = {
        {"Sec", sec}, {"SEC", sec}, {"Other", {{"o", "1"}, {" [Sec]", ""}}}, {"Sec]]x", {{"third", "3"}}},
        {"Z", {{"k1", "v1"}, {"k2", "v2"}, {"k3", ""}}}, {"Missing", {}}, {"", {}},
    };
    for (const auto& [section, expected] : cases) {
        RawParameterList list;
        list.Append();  // reading clears what was there
        EXPECT_EQ(File().ReadSection(&list, section), !expected.empty()) << section;
        EXPECT_EQ(ToPairs(list), expected) << section;
        for (const RawParameterUnit& unit : list) EXPECT_EQ(unit.key.Kind(), RawCodeKind::Utf8);
    }
}

TEST_F(RawParameterFileTest, ReadValueAndNumbers) {
    ASSERT_TRUE(WriteFileBytes(path, "[S]\r\nKey=first\r\nkey=second\r\nn=0x1F\r\n"));
    EXPECT_EQ((std::vector<std::string>{File().ReadValue("s", "KEY").ToUtf8(), File().ReadValue("S", "none", "d").ToUtf8(),
                                        File().ReadValue("Nope", "Key", "d").ToUtf8(),
                                        File(temp.Join(L"missing.ini")).ReadValue("S", "Key", "d").ToUtf8()}),
              (std::vector<std::string>{"first", "d", "d", "d"}));

    // The number rules themselves belong to RawString's parser.
    RawParameterList list;
    ASSERT_TRUE(File().ReadSection(&list, "S"));
    EXPECT_EQ(std::pair(ParameterInt(list, "n", 7), ParameterInt(list, "missing", 7)), std::pair(31, 7));
    for (const char* off : {"fALSe", "FALSE"}) EXPECT_FALSE(ParameterBool(off)) << off;
    for (const char* on : {"0", "False "}) EXPECT_TRUE(ParameterBool(on)) << on;
    EXPECT_TRUE(ParameterBool(RawString()));
}

TEST_F(RawParameterFileTest, WritesReplaceOneSectionAndKeepTheRest) {
    struct Edit { const char* section; const char* key; const char* value; };
    const struct {
        const char* label;
        const char* before;  // no file when null
        bool wholeSection;   // WriteSection with every edit, else WriteValue for each
        std::vector<Edit> edits;
        std::string after;
    } cases[] = {
        {"new file: UTF-8 without signature, any kind converted", nullptr, true,
         {{"Sec", "k", "v"}, {"Sec", "\xE6\x97\xA5", "\xE2\x82\xAC"}},
         "[Sec]\r\nk=v\r\n\xE6\x97\xA5=\xE2\x82\xAC\r\n\r\n"},
        {"section replaced", "pre line\n[A]\r\nold=1\r\n//c\r\n[SEC]junk\rx=1\r\n\r\n[C]\r\nc=3", true,
         {{"Sec", "n", "2"}},
         "pre line\n[A]\r\nold=1\r\n//c\r\n[Sec]\r\nn=2\r\n\r\n[C]\r\nc=3"},
        {"a missing section goes to the end", "pre line\r\n[A]\r\nold=1\r\n//c\r\n[Sec]\r\nn=2\r\n\r\n[C]\r\nc=3\r\n",
         false, {{"D", "d", "4"}},
         "pre line\r\n[A]\r\nold=1\r\n//c\r\n[Sec]\r\nn=2\r\n\r\n[C]\r\nc=3\r\n[D]\r\nd=4\r\n\r\n"},
        {"one key set, one added", "[S]\r\na=1\r\nB=2\r\n", false, {{"s", "b", "20"}, {"S", "c", "3"}},
         "[S]\r\na=1\r\nB=20\r\nc=3\r\n\r\n"},
        {"a section twice is written once", "[A]\r\na=1\r\n[B]\r\nb=1\r\n[a]\r\nc=1\r\n", false,
         {{"A", "a", "0"}, {"A", "a", "1"}, {"A", "a", "2"}}, "[A]\r\na=2\r\nc=1\r\n\r\n[B]\r\nb=1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(RemoveTree(path));
        if (c.before) { ASSERT_TRUE(WriteFileBytes(path, c.before)); }
        RawParameterFile file = File();
        if (c.wholeSection) {
            RawParameterList list;
            for (const Edit& e : c.edits) list.Add(e.key, RawString(RawString(e.value), RawCodeKind::Wide));
            ASSERT_TRUE(file.WriteSection(list, c.edits[0].section));
        } else {
            for (const Edit& e : c.edits) ASSERT_TRUE(file.WriteValue(e.section, e.key, e.value));
        }
        EXPECT_EQ(ReadFileBytes(path), c.after);
        EXPECT_FALSE(FileExists(path + L".tmp"));
    }
}

// Only the rewritten section is encoded: every other line, its line end and
// the signature go back as the bytes they were read from, whatever encoding
// the reader took the file for; a section read and written back changes nothing.
TEST_F(RawParameterFileTest, RewritesKeepEncodingSignatureAndEveryOtherByte) {
    using enum RawCodeKind;
    // Valid as UTF-8 and as Shift_JIS alike; mixed line ends, no final one.
    const std::string others = "[J]\r\nq=It\xE2\x80\x99s\nj=\xE3\x81\x82\xE3\x81\x84\rz=1";
    const std::string old = "a\r\n[S]\r\nk=old\r\n\r\n" + others, renewed = "a\r\n[S]\r\nk=\xE6\x96\xB0\r\n\r\n" + others;
    const struct {
        const char* label;
        std::string before;
        const char* value;  // of [S] k
        std::string after;
        int32_t encoding;  // as read
        bool signature;
    } cases[] = {
        {"cp1252 file taken for Shift_JIS", BYTES("No\xEBl=1\r\n[S]\r\nk=old\r\n\r\n[Fr]\r\nm=D\xE9marrer\r\ncaf\xE9\n"),
         "new", BYTES("No\xEBl=1\r\n[S]\r\nk=new\r\n\r\n[Fr]\r\nm=D\xE9marrer\r\ncaf\xE9\n"), KindValue(ShiftJis), false},
        {"cp1252 file without the section", BYTES("[Fr]\r\nm=No\xEBl\r\nd=D\xE9j\xE0 vu"), "new",
         BYTES("[Fr]\r\nm=No\xEBl\r\nd=D\xE9j\xE0 vu\r\n[S]\r\nk=new\r\n\r\n"), KindValue(ShiftJis), false},
        {"Shift_JIS", Encode(ShiftJis, false, old), "\xE6\x96\xB0", Encode(ShiftJis, false, renewed), KindValue(ShiftJis), false},
        {"UTF-8 without signature", others + "\r\n[S]\r\nk=old\r\n\r\n", "\xE2\x80\x99",
         others + "\r\n[S]\r\nk=\xE2\x80\x99\r\n\r\n", KindValue(Utf8), false},
        {"UTF-8 signature", Encode(Utf8, true, old), "\xE6\x96\xB0", Encode(Utf8, true, renewed), KindValue(Utf8), true},
        {"UTF-16 LE signature, no final line end", Encode(Utf16Le, true, others), "new",
         Encode(Utf16Le, true, others + "\r\n[S]\r\nk=new\r\n\r\n"), KindValue(Utf16Le), true},
        {"UTF-16 LE", Encode(Utf16Le, false, old), "\xE6\x96\xB0", Encode(Utf16Le, false, renewed), KindValue(Utf16Le), false},
        {"UTF-16 BE signature", Encode(Utf16Be, true, old), "\xE6\x96\xB0", Encode(Utf16Be, true, renewed), KindValue(Utf16Be), true},
        {"UTF-16 BE", Encode(Utf16Be, false, old), "\xE6\x96\xB0", Encode(Utf16Be, false, renewed), KindValue(Utf16Be), false},
        {"line ends and text behind a header", "a\rb\n[X]junk\nk=1\r[S]\r\nk=1\r\n\r\n[Y]\n", "2",
         "a\rb\n[X]junk\nk=1\r[S]\r\nk=2\r\n\r\n[Y]\n", kNoKind, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(WriteFileBytes(path, c.before));
        RawParameterFile file = File();
        file.readBufferSize = 24;  // many blocks, characters split between them
        ASSERT_TRUE(file.WriteValue("S", "k", c.value));
        EXPECT_EQ(file.encoding, c.encoding);
        EXPECT_EQ(file.signature, c.signature);
        EXPECT_EQ(ReadFileBytes(path), c.after);
        RawParameterList list;
        ASSERT_TRUE(file.ReadSection(&list, "S"));
        EXPECT_EQ(ToPairs(list), (Pairs{{"k", c.value}}));
        ASSERT_TRUE(file.WriteSection(list, "S"));
        EXPECT_EQ(ReadFileBytes(path), c.after);
    }
}

// A read that stops before the end of the old file would cost it its tail,
// and a unit that does not read back as itself could forge other lines.
TEST_F(RawParameterFileTest, RefusalsLeaveTheOldFileAlone) {
    enum Block { None, ReadOnly, TempTaken, HeldOpen };
    const std::string good = "[S]\r\nk=old\r\n", sjis = BYTES("[S]\r\nk=\x82\xa0\r\n");
    const std::string refusedLength(8184, 'x');  // "k=" and these: the first line a reader of 8192 refuses
    const struct { const char* label; std::string bytes; Block block; const char *section, *key, *value; } cases[] = {
        {"read-only", good, ReadOnly, "S", "k", "new"},
        {"temporary path taken by a folder", good, TempTaken, "S", "k", "new"},
        {"held open by another program", good, HeldOpen, "S", "k", "new"},
        {"a letter Shift_JIS has only a look-alike for", sjis, None, "S", "k", "caf\xC3\xA9"},
        {"a character Shift_JIS lacks", sjis, None, "S", "k", "\xF0\x9F\x98\x80"},
        {"a value the reader would refuse", good, None, "S", "k", refusedLength.c_str()},
        {"not text", BYTES("\x7F\x45LF\x02\x01\r\n[S]\r\nk=1\r\n\xFF\xFE"), None, "S", "k", "2"},
        {"line longer than the buffer", "[A]\r\nk=1\r\n[B]\r\n" + std::string(20000, 'x') + "\r\n[C]\r\nz=1\r\n",
         None, "A", "k", "2"},
        {"odd UTF-16 byte count", Encode(RawCodeKind::Utf16Le, true, "[A]\r\nk=1\r\n[C]\r\nz=1\r\n") + "x", None, "A", "k", "2"},
        {"incomplete Shift_JIS character at the end", BYTES("[A]\r\nk=\x82\xa0\r\n[C]\r\nz=\x82"), None, "A", "k",
         "2"},
        {"line break in a value", good, None, "S", "k", "x\r\n[Forged]\r\nevil=1"},
        {"lone LF in a value", good, None, "S", "k", "a\nb"}, {"line break in a key", good, None, "S", "k\r", "v"},
        {"equal sign in a key", good, None, "S", "a=b", "v"},
        {"key that starts a header", good, None, "S", "[X]", "v"},
        {"key that starts a comment", good, None, "S", "//k", "v"},
        {"line break in the section", good, None, "S\r\nT", "k", "v"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(RemoveTree(path + L".tmp"));
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        if (c.block == ReadOnly) {
            ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
            EXPECT_EQ(File().ReadValue("S", "k").ToUtf8(), "old");
        }
        if (c.block == TempTaken) {
            ASSERT_TRUE(CreateFolder(path + L".tmp"));
        }
        // Readable by others, but not to be deleted or replaced while it is open.
        RawFileHandle held(c.block == HeldOpen ? CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                               : INVALID_HANDLE_VALUE);
        ASSERT_EQ(held.IsValid(), c.block == HeldOpen);
        EXPECT_FALSE(File().WriteValue(c.section, c.key, c.value));
        held.Reset();
        EXPECT_EQ(ReadFileBytes(path), c.bytes);
        EXPECT_FALSE(FileExists(path + L".tmp"));
    }
    // Blanks, a "/" and "=" in a value are fine; so is a line one byte shorter,
    // and a Shift_JIS line that fits in its own bytes though not once converted.
    ASSERT_TRUE(File().WriteValue("S", " /k ", " a=b "));
    EXPECT_EQ(File().ReadValue("S", " /k ").ToUtf8(), " a=b ");
    ASSERT_TRUE(File().WriteValue("S", "k", refusedLength.c_str() + 1));
    EXPECT_EQ(File().ReadValue("S", "k").ToUtf8(), refusedLength.substr(1));
    std::string kana;
    for (int i = 0; i < 2750; ++i) kana += "\xE3\x81\x82";  // 5,500 bytes in Shift_JIS, 8,250 in UTF-8
    // The line starts 2,700 bytes in, so the first block of 8,192 holds most of it but not its end.
    ASSERT_TRUE(WriteFileBytes(path, "[P]\r\np=" + std::string(2686, 'x') + "\r\n" + sjis));
    ASSERT_TRUE(File().WriteValue("S", "k", kana.c_str()));
    EXPECT_EQ(File().ReadValue("S", "k").ToUtf8(), kana);
}

TEST_F(RawParameterFileTest, RefusesWhereNoFileCanBe) {
    RawParameterList list, read;
    list.Add("k", "v");
    ASSERT_TRUE(CreateFolder(path));  // a folder in place of the file
    EXPECT_FALSE(File().WriteSection(list, "S") || FileExists(path + L".tmp") || File().ReadSection(&read, "S"));
    EXPECT_FALSE(File(temp.Join(L"no\\such\\p.ini")).WriteSection(list, "S"));
}

// How "$(User)" and relative values lead from the program's folder: see the
// GUI profile's tests; here what they leave alone and the kind they keep.
TEST(RawParameterPaths, ExpandUserFolderAndResolveProfilePath) {
    const RawString name("VarneloTest_" + std::to_string(GetCurrentProcessId()));
    const RawString wide = ExpandUserFolder(RawString(RawString("$(User)"), RawCodeKind::Wide), name);
    EXPECT_EQ(wide.Kind(), RawCodeKind::Wide);
    EXPECT_EQ(wide.ToUtf8(), JoinPath(SpecialFolder(kAppDataFolder), name).ToUtf8());
    RemoveDirectoryW(wide.ToWide().c_str());
    for (const char* kept : {"C:\\x.ini", "$(Use"}) EXPECT_EQ(ExpandUserFolder(kept, "V").ToUtf8(), kept);
    for (const char* kept : {"D:\\Gui.ini", "\\\\srv\\Gui.ini"}) EXPECT_EQ(ResolveProfilePath(kept, "V").ToUtf8(), kept);
}

}  // namespace
