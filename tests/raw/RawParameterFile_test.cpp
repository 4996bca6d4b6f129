// Parameter files: the section format, section rewriting in every encoding,
// write refusals and the profile-path placeholders.
#include "raw/RawParameterFile.h"

#include <string>
#include <utility>
#include <vector>

#include "RawFileTestSupport.h"
#include "raw/RawShell.h"

using namespace RawLayer;
using RawFileTest::TempFolderTest;

namespace {

#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs ToPairs(const RawParameterList& list) {
    Pairs pairs;
    for (const RawParameterUnit& unit : list) pairs.emplace_back(unit.key.ToUtf8(), unit.value.ToUtf8());
    return pairs;
}

// The UTF-8 text in the given encoding, with its signature when asked.
std::string Encode(int32_t kind, bool signature, const std::string& utf8) {
    const RawString encoded(RawString(std::string_view(utf8)), static_cast<RawCodeKind>(kind));
    std::string bytes(encoded.Bytes(), static_cast<size_t>(encoded.Length()));
    if (!signature) return bytes;
    if (kind == Utf8) return BYTES("\xEF\xBB\xBF") + bytes;
    if (kind == Utf16Le) return BYTES("\xFF\xFE") + bytes;
    if (kind == Utf16Be) return BYTES("\xFE\xFF") + bytes;
    return bytes;
}

class RawParameterFileTest : public TempFolderTest {
protected:
    RawParameterFile File(const std::string& name) const { return RawParameterFile(Path(name)); }
};

const char kFormat[] =
    "Key=BeforeHeader\r\n"
    "[Sec]\r\n"
    " lead=1\r\n"
    "a = b\r\n"
    "x==y\r\n"
    "noequal\r\n"
    "//comment\r\n"
    "/slash=1\r\n"
    "\r\n"
    "[Other]\r\n"
    "o=1\r\n"
    " [Sec]\r\n"
    "[sec]trailing\r\n"
    "again=2\r\n"
    "[Sec]]x]\r\n"
    "third=3\r\n"
    "[Sec\n"
    "fourth=4";

TEST_F(RawParameterFileTest, FormatRules) {
    Write("p.ini", kFormat);
    const struct {
        const char* section;
        Pairs expected;
    } cases[] = {
        {"Sec", {{" lead", "1"}, {"a ", " b"}, {"x", "=y"}, {"noequal", ""}, {"/slash", "1"}, {"again", "2"}, {"fourth", "4"}}},
        {"SEC", {{" lead", "1"}, {"a ", " b"}, {"x", "=y"}, {"noequal", ""}, {"/slash", "1"}, {"again", "2"}, {"fourth", "4"}}},
        {"Other", {{"o", "1"}, {" [Sec]", ""}}},
        {"Sec]]x", {{"third", "3"}}},
        {"Missing", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        RawParameterFile file = File("p.ini");
        RawParameterList list;
        list.Append();  // reading clears what was there
        EXPECT_EQ(file.ReadSection(&list, c.section), !c.expected.empty()) << c.section;
        EXPECT_EQ(ToPairs(list), c.expected) << c.section;
        for (const RawParameterUnit& unit : list) EXPECT_EQ(unit.key.Kind(), Utf8);
    }
}

TEST_F(RawParameterFileTest, ZeroUnitsCutALineIntoItems) {
    Write("p.ini", BYTES("[S]\r\nk1=v1\0k2=v2\0\0k3\r\n"));
    RawParameterFile file = File("p.ini");
    RawParameterList list;
    ASSERT_TRUE(file.ReadSection(&list, "S"));
    EXPECT_EQ(ToPairs(list), (Pairs{{"k1", "v1"}, {"k2", "v2"}, {"k3", ""}}));
}

TEST_F(RawParameterFileTest, ReadValueAndLookups) {
    Write("p.ini", "[S]\r\nKey=first\r\nkey=second\r\nn=0x1F\r\nneg=-12\r\nbad=12z\r\nflag=fALSe\r\nzero=0\r\n");
    RawParameterFile file = File("p.ini");
    EXPECT_EQ(file.ReadValue("s", "KEY").ToUtf8(), "first");
    EXPECT_EQ(file.ReadValue("S", "none", "dflt").ToUtf8(), "dflt");
    EXPECT_EQ(file.ReadValue("Nope", "Key", "dflt").ToUtf8(), "dflt");
    EXPECT_EQ(File("missing.ini").ReadValue("S", "Key", "dflt").ToUtf8(), "dflt");

    RawParameterList list;
    ASSERT_TRUE(file.ReadSection(&list, "S"));
    EXPECT_EQ(ParameterInt(list, "n", 7), 31);
    EXPECT_EQ(ParameterInt(list, "neg", 7), -12);
    EXPECT_EQ(ParameterInt(list, "bad", 7), 12);
    EXPECT_EQ(ParameterInt(list, "missing", 7), 7);
    ParameterNumbers(&list);
    const int32_t numbers[] = {0, 0, 31, -12, 12, 0, 0};
    int i = 0;
    for (const RawParameterUnit& unit : list) EXPECT_EQ(unit.number, numbers[i++]) << unit.key.ToUtf8();
    EXPECT_FALSE(ParameterBool(list.Value("flag")));
    EXPECT_TRUE(ParameterBool(list.Value("zero")));
    EXPECT_TRUE(ParameterBool(RawString()));
    EXPECT_FALSE(ParameterBool("FALSE"));
    EXPECT_TRUE(ParameterBool("False "));
}

TEST_F(RawParameterFileTest, ExactKeysOfTheCallersListAreKept) {
    Write("p.ini", "[S]\r\nKey=1\r\n");
    RawParameterList list;
    list.SetExactKeys(true);
    ASSERT_TRUE(File("p.ini").ReadSection(&list, "S"));
    EXPECT_TRUE(list.ExactKeys());
    EXPECT_FALSE(list.Contains("KEY"));
    EXPECT_TRUE(list.Contains("Key"));
}

TEST_F(RawParameterFileTest, WriteIntoMissingFileCreatesUtf8WithoutSignature) {
    RawParameterList list;
    list.Add("k", "v");
    list.Add("\xE6\x97\xA5", RawString(RawString("\xE2\x82\xAC"), Wide));  // any kind is written converted
    RawParameterFile file = File("new.ini");
    ASSERT_TRUE(file.WriteSection(list, "Sec"));
    EXPECT_EQ(Read("new.ini"), "[Sec]\r\nk=v\r\n\xE6\x97\xA5=\xE2\x82\xAC\r\n\r\n");
    EXPECT_FALSE(Exists("new.ini.tmp"));
}

TEST_F(RawParameterFileTest, WriteReplacesTheSectionAndKeepsTheRest) {
    Write("p.ini", "pre line\n[A]\r\nold=1\r\n//c\r\n[SEC]junk\rx=1\r\n\r\n[C]\r\nc=3");
    RawParameterList list;
    list.Add("n", "2");
    ASSERT_TRUE(File("p.ini").WriteSection(list, "Sec"));
    EXPECT_EQ(Read("p.ini"), "pre line\r\n[A]\r\nold=1\r\n//c\r\n[Sec]\r\nn=2\r\n\r\n[C]\r\nc=3\r\n");
    // A section that is not there goes to the end.
    ASSERT_TRUE(File("p.ini").WriteValue("D", "d", "4"));
    EXPECT_EQ(Read("p.ini"), "pre line\r\n[A]\r\nold=1\r\n//c\r\n[Sec]\r\nn=2\r\n\r\n[C]\r\nc=3\r\n[D]\r\nd=4\r\n\r\n");
}

TEST_F(RawParameterFileTest, WriteValueSetsOrAddsOneKey) {
    Write("p.ini", "[S]\r\na=1\r\nB=2\r\n");
    RawParameterFile file = File("p.ini");
    ASSERT_TRUE(file.WriteValue("s", "b", "20"));
    ASSERT_TRUE(file.WriteValue("S", "c", "3"));
    EXPECT_EQ(Read("p.ini"), "[S]\r\na=1\r\nB=20\r\nc=3\r\n\r\n");
}

TEST_F(RawParameterFileTest, SectionTwiceIsWrittenOnce) {
    Write("p.ini", "[A]\r\na=1\r\n[B]\r\nb=1\r\n[a]\r\nc=1\r\n");
    RawParameterFile file = File("p.ini");
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(file.WriteValue("A", "a", RawString(std::string_view(std::to_string(i)))));
    EXPECT_EQ(Read("p.ini"), "[A]\r\na=2\r\nc=1\r\n\r\n[B]\r\nb=1\r\n");
    RawParameterList list;
    ASSERT_TRUE(file.ReadSection(&list, "A"));
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(RawParameterFileTest, RoundTripsKeepEncodingAndSignature) {
    const std::string before = "pre\r\n[A]\r\nk=\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n[B]\r\nx=1\r\n";
    const std::string after = "pre\r\n[A]\r\nk=\xE6\x96\xB0\xE3\x81\x97\xE3\x81\x84\r\n\r\n[B]\r\nx=1\r\n";
    const struct {
        int32_t kind;
        bool signature;
    } cases[] = {{Utf8, false}, {Utf8, true},     {ShiftJis, false}, {Utf16Le, true},
                 {Utf16Le, false}, {Utf16Be, true}, {Utf16Be, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind * 10 + c.signature);
        Write("p.ini", Encode(c.kind, c.signature, before));
        RawParameterFile file = File("p.ini");
        file.readBufferSize = 16;  // many blocks, characters split between them
        EXPECT_EQ(file.ReadValue("A", "k").ToUtf8(), "\xE6\x97\xA5\xE6\x9C\xAC");
        EXPECT_EQ(file.encoding, c.kind);
        EXPECT_EQ(file.signature, c.signature ? 1 : 0);
        ASSERT_TRUE(file.WriteValue("A", "k", "\xE6\x96\xB0\xE3\x81\x97\xE3\x81\x84"));
        EXPECT_EQ(Read("p.ini"), Encode(c.kind, c.signature, after));
    }
}

TEST_F(RawParameterFileTest, RefusesWithoutTouchingTheOldFile) {
    RawParameterList list;
    list.Add("k", "v");
    // A folder in place of the file.
    ASSERT_TRUE(CreateDirectoryW(WidePath("dir.ini").c_str(), nullptr));
    EXPECT_FALSE(File("dir.ini").WriteSection(list, "S"));
    EXPECT_FALSE(Exists("dir.ini.tmp"));
    EXPECT_FALSE(File("dir.ini").ReadSection(&list, "S"));
    list.Add("k", "v");

    // A read-only file.
    Write("ro.ini", "[S]\r\nk=old\r\n");
    SetFileAttributesW(WidePath("ro.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(File("ro.ini").ReadValue("S", "k").ToUtf8(), "old");
    EXPECT_FALSE(File("ro.ini").WriteValue("S", "k", "new"));
    EXPECT_EQ(Read("ro.ini"), "[S]\r\nk=old\r\n");
    EXPECT_FALSE(Exists("ro.ini.tmp"));

    // Bytes that are not text.
    const std::string binary = BYTES("\x7F\x45LF\x02\x01\r\n[S]\r\nk=1\r\n\xFF\xFE");
    Write("bin.ini", binary);
    EXPECT_FALSE(File("bin.ini").WriteValue("S", "k", "2"));
    EXPECT_EQ(Read("bin.ini"), binary);

    // The temporary path is taken by a folder.
    Write("t.ini", "[S]\r\nk=old\r\n");
    ASSERT_TRUE(CreateDirectoryW(WidePath("t.ini.tmp").c_str(), nullptr));
    EXPECT_FALSE(File("t.ini").WriteValue("S", "k", "new"));
    EXPECT_EQ(Read("t.ini"), "[S]\r\nk=old\r\n");

    // A folder that does not exist, and a drive that does not exist.
    EXPECT_FALSE(File("no\\such\\p.ini").WriteSection(list, "S"));
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if (drives & (1u << (letter - 'A'))) continue;
        const std::string path = std::string(1, letter) + ":\\varnelo\\p.ini";
        RawParameterFile missing{RawString(std::string_view(path))};
        EXPECT_FALSE(missing.WriteSection(list, "S"));
        EXPECT_TRUE(missing.ReadValue("S", "k").IsEmpty());
        break;
    }
}

TEST_F(RawParameterFileTest, RefusesUnitsThatWouldNotReadBack) {
    const std::string original = "[S]\r\nk=1\r\n";
    const struct {
        const char* label;
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"line break in a value", "S", "k", "x\r\n[Forged]\r\nevil=1"},
        {"lone LF in a value", "S", "k", "a\nb"},
        {"line break in a key", "S", "k\r", "v"},
        {"equal sign in a key", "S", "a=b", "v"},
        {"key that starts a header", "S", "[X]", "v"},
        {"key that starts a comment", "S", "//k", "v"},
        {"line break in the section", "S\r\nT", "k", "v"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Write("p.ini", original);
        EXPECT_FALSE(File("p.ini").WriteValue(c.section, c.key, c.value));
        EXPECT_EQ(Read("p.ini"), original);
    }
    // Blanks, a "/" and "=" in a value are fine.
    Write("p.ini", original);
    ASSERT_TRUE(File("p.ini").WriteValue("S", " /k ", " a=b "));
    EXPECT_EQ(File("p.ini").ReadValue("S", " /k ").ToUtf8(), " a=b ");
}

// A read that stops before the end of the old file must not cost its tail.
TEST_F(RawParameterFileTest, ReadFailureKeepsTheProfileTail) {
    const struct {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"line longer than the buffer",
         "[A]\r\nk=1\r\n[B]\r\n" + std::string(20000, 'x') + "\r\n[C]\r\nz=1\r\n"},
        {"odd UTF-16 byte count", Encode(Utf16Le, true, "[A]\r\nk=1\r\n[C]\r\nz=1\r\n") + "x"},
        {"incomplete Shift_JIS character at the end", BYTES("[A]\r\nk=\x82\xa0\r\n[C]\r\nz=\x82")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Write("p.ini", c.bytes);
        RawParameterFile file = File("p.ini");
        EXPECT_FALSE(file.WriteValue("A", "k", "2"));
        EXPECT_EQ(Read("p.ini"), c.bytes);
        EXPECT_FALSE(Exists("p.ini.tmp"));
    }
}

TEST_F(RawParameterFileTest, CopiedLinesEndInCrLf) {
    Write("p.ini", "a\rb\n[X]junk\nk=1\r[S]\nq=1");
    ASSERT_TRUE(File("p.ini").WriteValue("S", "q", "2"));
    EXPECT_EQ(Read("p.ini"), "a\r\nb\r\n[X]\r\nk=1\r\n[S]\r\nq=2\r\n\r\n");
}

TEST(RawParameterPaths, ExpandUserFolder) {
    const std::string name = "VarneloTest_" + std::to_string(GetCurrentProcessId());
    const RawString appData = SpecialFolder(kAppDataFolder);
    ASSERT_FALSE(appData.IsEmpty());
    const RawString expanded = ExpandUserFolder("$(user)\\x.ini", RawString(std::string_view(name)));
    EXPECT_EQ(expanded.ToUtf8(), appData.ToUtf8() + "\\" + name + "\\x.ini");
    EXPECT_TRUE(IsFolder(JoinPath(appData, RawString(std::string_view(name)))));
    RemoveDirectoryW(JoinPath(appData, RawString(std::string_view(name))).ToWide().c_str());

    EXPECT_EQ(ExpandUserFolder("C:\\x.ini", "V").ToUtf8(), "C:\\x.ini");
    EXPECT_EQ(ExpandUserFolder("$(Use", "V").ToUtf8(), "$(Use");
    const RawString wide = ExpandUserFolder(RawString(RawString("$(User)"), Wide), RawString(std::string_view(name)));
    EXPECT_EQ(wide.Kind(), Wide);
    RemoveDirectoryW(wide.ToWide().c_str());
}

TEST(RawParameterPaths, ResolveProfilePath) {
    EXPECT_EQ(ResolveProfilePath("Gui.ini", "V").ToUtf8(), ProgramFolder().ToUtf8() + "\\Gui.ini");
    EXPECT_EQ(ResolveProfilePath("..\\Gui.ini", "V").ToUtf8(),
              ParentPath(ProgramFolder()).ToUtf8() + "\\Gui.ini");
    EXPECT_EQ(ResolveProfilePath("D:\\Gui.ini", "V").ToUtf8(), "D:\\Gui.ini");
    EXPECT_EQ(ResolveProfilePath("\\\\srv\\Gui.ini", "V").ToUtf8(), "\\\\srv\\Gui.ini");
}

}  // namespace
