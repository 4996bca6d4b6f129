// Line files: encoding detection, block-wise decoding and line cutting,
// failure states, and writing in every encoding with or without a signature.
#include "raw/RawLineFile.h"

#include <string>
#include <vector>

#include "RawFileTestSupport.h"

using namespace RawLayer;
using RawFileTest::TempFolderTest;

namespace {

std::string B(const char* bytes, size_t n) { return std::string(bytes, n); }
#define BYTES(literal) B(literal, sizeof(literal) - 1)

struct DetectCase {
    const char* label;
    std::string bytes;
    int32_t expected;
};

TEST(RawLineFileDetect, Table) {
    const DetectCase cases[] = {
        {"empty", "", kUndecided},
        {"ascii", "abc\r\ndef", kUndecided},
        {"sjis 0x82 at once", BYTES("ab\x82\xa0"), ShiftJis},
        {"sjis kanji", BYTES("\x93\xfa\x96\x7b\r\n"), ShiftJis},
        {"sjis with E0 lead", BYTES("\xE0\x40 x"), ShiftJis},
        {"utf8 latin", BYTES("caf\xC3\xA9\r\n"), Utf8},
        {"utf8 hiragana then CR", BYTES("\xE3\x81\x82\r\n"), Utf8},
        {"utf8 four bytes", BYTES("\xF0\x9F\x98\x80"), Utf8},
        {"byte below C2 means Shift_JIS at once", BYTES("\xB1\xB2\xB3"), ShiftJis},
        {"both valid without katakana", BYTES("\xE3\x81\x82"), ShiftJis},
        {"not text 7F", BYTES("ab\x7F"), kNotText},
        {"not text FF", BYTES("\xFF\x00"), kNotText},
        {"utf16le with CR LF", BYTES("a\0b\0\r\0\n\0"), Utf16Le},
        {"utf16le without line end", BYTES("a\0b\0"), Utf16Le},
        {"utf16be with CR LF", BYTES("\0a\0b\0\r\0\n"), Utf16Be},
        {"utf16be without line end", BYTES("\0a\0b"), Utf16Be},
        {"two zeros go on to the odd one", BYTES("\0\0\0a"), Utf16Le},
        {"ascii CR LF clears the UTF-16 check", BYTES("ab\r\n\0c"), kUndecided},
        {"ascii CR LF then a Shift_JIS byte", BYTES("ab\r\n\0\x82\xa0"), ShiftJis},
    };
    for (const DetectCase& c : cases) {
        EXPECT_EQ(RawLineFile::Detect(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.expected)
            << c.label;
    }
}

TEST(RawLineFileDetect, LargeBlockOfZerosStaysFast) {
    const std::string zeros(1 << 20, '\0');
    EXPECT_EQ(RawLineFile::Detect(reinterpret_cast<const uint8_t*>(zeros.data()), zeros.size()), Utf16Le);
    std::string pairs;
    for (int i = 0; i < (1 << 19); ++i) pairs += std::string("\0\0", 2);
    pairs += "\r\n";
    EXPECT_EQ(RawLineFile::Detect(reinterpret_cast<const uint8_t*>(pairs.data()), pairs.size()), kUndecided);
}

TEST(RawLineFileDetect, CompletePrefix) {
    const struct {
        int32_t kind;
        std::string bytes;
        size_t expected;
    } cases[] = {
        {ShiftJis, BYTES("a\x82"), 1},
        {ShiftJis, BYTES("a\x82\x82"), 3},
        {ShiftJis, BYTES("\x82\x82\x82"), 2},
        {ShiftJis, BYTES("\x82\xa0"), 2},
        {Utf8, BYTES("a\xE3\x81"), 1},
        {Utf8, BYTES("a\xE3\x81\x82"), 4},
        {Utf8, BYTES("a\xF0\x9F\x98"), 1},
        {Utf8, BYTES("a\xC3"), 1},
        {Utf8, BYTES("abc"), 3},
        {Utf16Le, BYTES("a\0b"), 2},
        {Utf16Le, BYTES("a\0\x3D\xD8"), 2},   // high surrogate last
        {Utf16Be, BYTES("\0a\xD8\x3D\x01"), 2},
        {Utf16Le, BYTES("\x3D\xD8\x00\xDE"), 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RawLineFile::CompletePrefix(c.kind, reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()),
                  c.expected)
            << c.kind << " " << c.bytes.size();
}

struct ReadCase {
    const char* label;
    std::string bytes;
    int32_t bufferSize;
    int32_t lineKind;
    std::vector<std::string> lines;  // as UTF-8
    int32_t sourceKind;
    int32_t signatureKind;
    int32_t endState;
};

class RawLineFileRead : public TempFolderTest {};

TEST_F(RawLineFileRead, Table) {
    const std::string sjisSplit = BYTES("abcdefghijklm\r\n\x82\xa0\r\n");  // lead byte is the 16th byte
    const std::string utf8Split =
        BYTES("\xEF\xBB\xBF" "abcdefg\r\nhijklmn\r\nopqrstuv\r\n\xE3\x81\x82\r\n");  // E3 is the 32nd byte
    const std::string surrogateSplit = BYTES("\xFF\xFE" "a\0b\0c\0d\0e\0f\0\x3D\xD8\x00\xDE\r\0\n\0");
    const ReadCase cases[] = {
        {"utf8 signature", BYTES("\xEF\xBB\xBF" "ab\r\ncd"), 16, Utf8, {"ab", "cd"}, Utf8, Utf8, 2},
        {"ascii undecided", "ab\r\ncd\ne\rf", 16, Utf8, {"ab", "cd", "e", "f"}, 0, 0, 2},
        {"cr lf split over blocks", "abcd\r\nefghijklm\r\nz", 16, Utf8, {"abcd", "efghijklm", "z"}, 0, 0, 2},
        {"empty lines", "\r\n\r\n\n\r", 16, Utf8, {"", "", "", ""}, 0, 0, 2},
        {"empty file", "", 16, Utf8, {}, 0, 0, 2},
        {"last line without end", "x", 16, Utf8, {"x"}, 0, 0, 2},
        {"utf16le signature", BYTES("\xFF\xFE" "a\0b\0\r\0\n\0c\0"), 16, Utf8, {"ab", "c"}, Utf16Le, Utf16Le, 2},
        {"utf16be signature", BYTES("\xFE\xFF" "\0a\0b\0\r\0\n\0c"), 16, Utf8, {"ab", "c"}, Utf16Be, Utf16Be, 2},
        {"utf16le detected", BYTES("a\0b\0\r\0\n\0c\0"), 16, Utf8, {"ab", "c"}, Utf16Le, 0, 2},
        {"utf16be detected", BYTES("\0a\0b\0\r\0\n\0c"), 16, Utf8, {"ab", "c"}, Utf16Be, 0, 2},
        {"utf16le as wide lines", BYTES("\xFF\xFE" "a\0\r\0\n\0\xAC\x20"), 16, Wide, {"a", "\xE2\x82\xAC"}, Utf16Le, Utf16Le, 2},
        {"utf16 lone cr", BYTES("\xFF\xFE" "a\0\r\0b\0"), 16, Utf8, {"a", "b"}, Utf16Le, Utf16Le, 2},
        {"sjis detected", BYTES("\x93\xfa\x96\x7b\r\n\x82\xa0"), 16, Utf8, {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE3\x81\x82"}, ShiftJis, 0, 2},
        {"sjis split over blocks", sjisSplit, 16, Utf8, {"abcdefghijklm", "\xE3\x81\x82"}, ShiftJis, 0, 2},
        {"utf8 split over blocks", utf8Split, 32, Wide, {"abcdefg", "hijklmn", "opqrstuv", "\xE3\x81\x82"}, Utf8, Utf8, 2},
        {"surrogate split over blocks", surrogateSplit, 16, Utf8, {"abcdef\xF0\x9F\x98\x80"}, Utf16Le, Utf16Le, 2},
        {"not text", BYTES("\x7F\x01" "abc\r\nd"), 16, Utf8, {"\x7F\x01" "abc", "d"}, kNotText, 0, 2},
        {"line too long", "abcdefghijklmnopqrstuvwxyz\r\n", 16, Utf8, {}, 0, 0, 12},
        {"line too long after a good one", "ab\r\nabcdefghijklmnopqrstuvwxyz\r\n", 16, Utf8, {"ab"}, 0, 0, 12},
        {"odd utf16 as wide lines", BYTES("\xFF\xFE" "a\0b\0\r\0\n\0c"), 16, Wide, {"ab"}, Utf16Le, Utf16Le, 13},
        {"odd utf16 converted", BYTES("\xFF\xFE" "a\0b\0\r\0\n\0c"), 16, Utf8, {"ab"}, Utf16Le, Utf16Le, 11},
        {"incomplete utf8 at the end", BYTES("\xEF\xBB\xBF" "ab\r\ncd\xE3\x81"), 16, Wide, {"ab"}, Utf8, Utf8, 11},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.label);
        Write("in.txt", c.bytes);
        RawLineFile file(Path("in.txt"), c.bufferSize);
        file.lineKind = c.lineKind;
        ASSERT_TRUE(file.OpenRead());
        std::vector<std::string> lines;
        int guard = 0;
        while (file.NextLine() && ++guard < 1000) {
            EXPECT_EQ(file.line.text.Kind(), c.lineKind == Wide ? Wide : Utf8);
            EXPECT_EQ(file.line.index, static_cast<int64_t>(lines.size()));
            lines.push_back(file.line.text.ToUtf8());
        }
        EXPECT_FALSE(file.line.valid);
        EXPECT_TRUE(file.line.text.IsEmpty());
        EXPECT_FALSE(file.NextLine());  // stays at its end
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(file.sourceKind, c.sourceKind);
        EXPECT_EQ(file.signatureKind, c.signatureKind);
        EXPECT_EQ(file.state, c.endState);
        EXPECT_EQ(file.Close(), c.endState == 2);
    }
}

TEST_F(RawLineFileRead, LineOffsets) {
    Write("in.txt", "ab\r\nc\nd");
    RawLineFile file(Path("in.txt"), 16);
    ASSERT_TRUE(file.OpenRead());
    const uint64_t offsets[][2] = {{0, 4}, {4, 6}, {6, 7}};
    for (const auto& o : offsets) {
        ASSERT_TRUE(file.NextLine());
        EXPECT_EQ(file.line.offset, o[0]);
        EXPECT_EQ(file.line.next, o[1]);
    }
}

TEST_F(RawLineFileRead, UnknownTextAsAnsiAndGivenSource) {
    Write("in.txt", "ab\r\n");
    RawLineFile file(Path("in.txt"), 16);
    file.flags = RawLineFile::UnknownAsAnsi;
    ASSERT_TRUE(file.OpenRead());
    ASSERT_TRUE(file.NextLine());
    EXPECT_EQ(file.line.text.Kind(), Ansi);
    file.Close();

    // A source kind given by the caller turns detection off and converts from it.
    Write("sjis.txt", BYTES("\x82\xa0\r\n"));
    RawLineFile given(Path("sjis.txt"), 16);
    given.sourceKind = ShiftJis;
    ASSERT_TRUE(given.OpenRead());
    ASSERT_TRUE(given.NextLine());
    EXPECT_EQ(given.line.text.ToUtf8(), "\xE3\x81\x82");
}

TEST_F(RawLineFileRead, MissingFileFailsToOpen) {
    RawLineFile file(Path("missing.txt"), 8192);
    EXPECT_FALSE(file.OpenRead());
    EXPECT_EQ(file.state, 4);
    EXPECT_FALSE(file.NextLine());
    EXPECT_FALSE(file.Close());
    RawLineFile folder(Folder(), 8192);
    EXPECT_FALSE(folder.OpenRead());
}

TEST_F(RawLineFileRead, MegabyteLineAndBinaryInputEndCleanly) {
    Write("long.txt", std::string(1 << 20, 'a') + "\r\nb\r\n");
    RawLineFile file(Path("long.txt"), 8192);
    ASSERT_TRUE(file.OpenRead());
    EXPECT_FALSE(file.NextLine());
    EXPECT_EQ(file.state, 12);

    std::string binary;
    uint32_t seed = 12345;
    for (int i = 0; i < (1 << 20); ++i) {
        seed = seed * 1103515245 + 12345;
        binary.push_back(static_cast<char>(seed >> 16));
    }
    const std::string kinds[] = {binary, std::string(1 << 20, '\0'), std::string("\xFF\xFE") + binary};
    for (const std::string& bytes : kinds) {
        Write("bin.dat", bytes);
        RawLineFile reader(Path("bin.dat"), 8192);
        ASSERT_TRUE(reader.OpenRead());
        int lines = 0;
        while (reader.NextLine()) ++lines;
        EXPECT_LT(lines, 1 << 20);
        EXPECT_NE(reader.state, 1);
    }
}

TEST_F(RawLineFileRead, LargeFileAcrossManyBlocks) {
    std::string text, expected;
    for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + (i % 3 == 0 ? "\n" : "\r\n");
    Write("big.txt", BYTES("\xEF\xBB\xBF") + text);
    RawLineFile file(Path("big.txt"), 8192);
    file.lineKind = Wide;  // converted block by block
    ASSERT_TRUE(file.OpenRead());
    int i = 0;
    while (file.NextLine()) {
        ASSERT_EQ(file.line.text.ToUtf8(), "line " + std::to_string(i));
        ++i;
    }
    EXPECT_EQ(i, 20000);
    EXPECT_EQ(file.state, 2);
}

struct WriteCase {
    const char* label;
    int32_t lineKind;
    bool signature;
    std::string expected;
};

class RawLineFileWrite : public TempFolderTest {};

TEST_F(RawLineFileWrite, EveryKindWithAndWithoutSignature) {
    // Lines: "a" and "é", given as UTF-8 and as wide text.
    const WriteCase cases[] = {
        {"utf8", Utf8, false, BYTES("a\r\n\xC3\xA9\r\n")},
        {"utf8 signature", Utf8, true, BYTES("\xEF\xBB\xBF" "a\r\n\xC3\xA9\r\n")},
        {"utf16le", Utf16Le, false, BYTES("a\0\r\0\n\0\xE9\0\r\0\n\0")},
        {"utf16le signature", Utf16Le, true, BYTES("\xFF\xFE" "a\0\r\0\n\0\xE9\0\r\0\n\0")},
        {"utf16be signature", Utf16Be, true, BYTES("\xFE\xFF" "\0a\0\r\0\n\0\xE9\0\r\0\n")},
        {"wide lines", Wide, false, BYTES("a\0\r\0\n\0\xE9\0\r\0\n\0")},
        {"utf7 signature", Utf7, true, BYTES("+/v8-a\r\n+AOk-\r\n")},
        {"shift_jis ignores the signature flag", ShiftJis, true, BYTES("a\r\n\x81\x48\r\n")},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.label);
        RawLineFile file(Path("out.txt"));
        file.lineKind = c.lineKind;
        if (c.signature) file.flags |= RawLineFile::WriteSignature;
        ASSERT_TRUE(file.OpenWrite());
        EXPECT_TRUE(file.WriteLine("a"));
        EXPECT_TRUE(file.WriteLine(RawString(RawString("\xC3\xA9"), Wide)));
        EXPECT_TRUE(file.WriteText(RawString()));
        EXPECT_TRUE(file.Close());
        if (c.lineKind == ShiftJis) {
            // "é" has no Shift_JIS form: the platform puts its replacement in.
            EXPECT_EQ(Read("out.txt").substr(0, 3), "a\r\n");
        } else {
            EXPECT_EQ(Read("out.txt"), c.expected);
        }
        EXPECT_EQ(file.lineKind, Utf8);  // Close returns the line kind to UTF-8
    }
}

TEST_F(RawLineFileWrite, RoundTripKeepsEncodingAndSignature) {
    const std::string text[] = {"plain", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xA7\xE3\x81\x99", ""};
    const struct {
        int32_t kind;
        bool signature;
    } cases[] = {{Utf8, true}, {Utf16Le, true}, {Utf16Be, true}, {Utf16Le, false}, {Utf16Be, false}, {ShiftJis, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind * 10 + c.signature);
        for (int32_t buffered : {0, 64 * 1024}) {
            RawLineFile out(Path("rt.txt"));
            out.lineKind = c.kind;
            out.SetWriteBuffer(buffered);
            if (c.signature) out.flags |= RawLineFile::WriteSignature;
            ASSERT_TRUE(out.OpenWrite());
            for (const std::string& line : text) ASSERT_TRUE(out.WriteLine(RawString(std::string_view(line))));
            ASSERT_TRUE(out.Close());
            RawLineFile in(Path("rt.txt"), 32);
            ASSERT_TRUE(in.OpenRead());
            for (const std::string& line : text) {
                ASSERT_TRUE(in.NextLine());
                EXPECT_EQ(in.line.text.ToUtf8(), line);
            }
            EXPECT_FALSE(in.NextLine());
            EXPECT_EQ(in.sourceKind, c.kind);
            EXPECT_EQ(in.signatureKind, c.signature ? c.kind : 0);
        }
    }
}

TEST_F(RawLineFileWrite, CreateFailsInAMissingFolder) {
    RawLineFile file(Path("missing\\out.txt"));
    EXPECT_FALSE(file.OpenWrite());
    EXPECT_EQ(file.state, 5);
    EXPECT_FALSE(file.WriteLine("x"));
    EXPECT_FALSE(file.Close());
}

// A stream that accepts a number of bytes and then fails every write.
class FailingStream : public RawFileStream {
public:
    explicit FailingStream(size_t room) : room_(room) {}
    bool OpenRead(const RawString&) override { return false; }
    bool OpenWrite(const RawString&) override { return open_ = true; }
    bool Read(void*, uint32_t, uint32_t* got) override { *got = 0; return false; }
    bool Write(const void*, uint32_t size) override {
        if (size > room_) return false;
        room_ -= size;
        return true;
    }
    bool Seek(int64_t) override { return false; }
    bool Flush() override { return true; }
    bool Close() override { open_ = false; return true; }
    bool IsOpen() const override { return open_; }

private:
    size_t room_;
    bool open_ = false;
};

TEST(RawLineFileStream, FailedWriteSetsStateSeven) {
    FailingStream stream(4);
    RawLineFile file(RawString("unused"));
    file.SetStream(&stream);
    ASSERT_TRUE(file.OpenWrite());
    EXPECT_TRUE(file.WriteLine("ab"));
    EXPECT_FALSE(file.WriteLine("cd"));
    EXPECT_EQ(file.state, 7);
    EXPECT_FALSE(file.WriteLine("ef"));
    EXPECT_FALSE(file.Close());

    // Buffered output fails at the latest when it is closed.
    FailingStream small(4);
    RawLineFile buffered(RawString("unused"));
    buffered.SetStream(&small);
    buffered.SetWriteBuffer(1024);
    ASSERT_TRUE(buffered.OpenWrite());
    EXPECT_TRUE(buffered.WriteLine("abcdef"));
    EXPECT_FALSE(buffered.Close());
    EXPECT_EQ(buffered.state, 7);
}

}  // namespace
