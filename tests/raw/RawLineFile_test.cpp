// Line files: encoding detection, block-wise decoding and line cutting,
// failure states, and writing in every encoding with or without a signature.
#include "raw/RawLineFile.h"

#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"

using namespace RawLayer;
using namespace TestSupport;

namespace {

#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

const uint8_t* U8(const std::string& bytes) { return reinterpret_cast<const uint8_t*>(bytes.data()); }

TEST(RawLineFileDetect, Table) {
    const int32_t ShiftJis = KindValue(RawCodeKind::ShiftJis), Utf8 = KindValue(RawCodeKind::Utf8),
                  Utf16Le = KindValue(RawCodeKind::Utf16Le), Utf16Be = KindValue(RawCodeKind::Utf16Be);
    const struct { const char* label; std::string bytes; int32_t expected; } cases[] = {
        {"empty", "", kUndecided}, {"ascii", "abc\r\ndef", kUndecided},
        {"sjis kanji", BYTES("\x93\xfa\x96\x7b\r\n"), ShiftJis}, {"sjis with E0 lead", BYTES("\xE0\x40 x"), ShiftJis},
        {"utf8 latin", BYTES("caf\xC3\xA9\r\n"), Utf8}, {"utf8 hiragana then CR", BYTES("\xE3\x81\x82\r\n"), Utf8},
        {"utf8 four bytes", BYTES("\xF0\x9F\x98\x80"), Utf8},
        {"byte below C2 means Shift_JIS at once", BYTES("\xB1\xB2\xB3"), ShiftJis},
        // Valid both ways: a whole UTF-8 sequence makes it UTF-8.
        {"utf8 hiragana alone", BYTES("\xE3\x81\x82\xE3\x81\x84"), Utf8},
        {"utf8 quotes and a dash", BYTES("It\xE2\x80\x99s \xE2\x80\x9Cso\xE2\x80\x9D \xE2\x80\x94 ok"), Utf8},
        {"valid both ways, no whole sequence", BYTES("\xE3\x81"), ShiftJis},
        {"cp1252 letter that looks like a lead byte", BYTES("No\xEBl"), ShiftJis},
        {"not text 7F", BYTES("ab\x7F"), kNotText}, {"not text FF", BYTES("\xFF\x00"), kNotText},
        {"utf16le with CR LF", BYTES("a\0b\0\r\0\n\0"), Utf16Le},
        {"utf16le without line end", BYTES("a\0b\0"), Utf16Le},
        {"utf16be with CR LF", BYTES("\0a\0b\0\r\0\n"), Utf16Be},
        {"utf16be without line end", BYTES("\0a\0b"), Utf16Be},
        {"two zeros go on to the odd one", BYTES("\0\0\0a"), Utf16Le},
        {"ascii CR LF clears the UTF-16 check", BYTES("ab\r\n\0c"), kUndecided},
        {"ascii CR LF then a Shift_JIS byte", BYTES("ab\r\n\0\x82\xa0"), ShiftJis},
        // A megabyte of zeros must not make the detector quadratic.
        {"zeros", std::string(1 << 20, '\0'), Utf16Le},
        {"zeros then CR LF", std::string(1 << 20, '\0') + "\r\n", kUndecided},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RawLineFile::Detect(U8(c.bytes), c.bytes.size()), c.expected) << c.label;
}

class RawLineFileTest : public TempDirTest {};

TEST_F(RawLineFileTest, ReadTable) {
    using enum RawCodeKind;
    using State = RawLineFile::State;
    const std::string sjisSplit = BYTES("abcdefghijklm\r\n\x82\xa0\r\n");  // lead byte is the 16th byte
    const std::string utf8Split =
        BYTES("\xEF\xBB\xBF" "abcdefg\r\nhijklmn\r\nopqrstuv\r\n\xE3\x81\x82\r\n");  // E3 is the 32nd byte
    const std::string surrogateSplit = BYTES("\xFF\xFE" "a\0b\0c\0d\0e\0f\0\x3D\xD8\x00\xDE\r\0\n\0");
    std::string kana14, sjis14;  // 28 bytes in the file, 42 once converted
    for (int i = 0; i < 14; ++i) kana14 += "\xE3\x81\x82", sjis14 += "\x82\xa0";
    const State End = State::EndOfFile;
    // The source and signature kinds as the line file's i32 fields hold them.
    const int32_t u8 = KindValue(Utf8), sjis = KindValue(ShiftJis), le = KindValue(Utf16Le), be = KindValue(Utf16Be);
    const struct {
        const char* label;
        std::string bytes;
        int32_t bufferSize;
        RawCodeKind lineKind;
        std::vector<std::string> lines;  // as UTF-8
        int32_t sourceKind;
        int32_t signatureKind;
        State endState;
    } cases[] = {
        {"utf8 signature", BYTES("\xEF\xBB\xBF" "ab\r\ncd"), 16, Utf8, {"ab", "cd"}, u8, u8, End},
        {"ascii undecided", "ab\r\ncd\ne\rf", 16, Utf8, {"ab", "cd", "e", "f"}, kNoKind, kNoKind, End},
        {"cr lf split over blocks", "abcd\r\nefghijklm\r\nz", 16, Utf8, {"abcd", "efghijklm", "z"}, kNoKind, kNoKind, End},
        {"empty lines", "\r\n\r\n\n\r", 16, Utf8, {"", "", "", ""}, kNoKind, kNoKind, End},
        {"empty file", "", 16, Utf8, {}, kNoKind, kNoKind, End},
        {"utf16le signature", BYTES("\xFF\xFE" "a\0b\0\r\0\n\0c\0"), 16, Utf8, {"ab", "c"}, le, le, End},
        {"utf16be signature", BYTES("\xFE\xFF" "\0a\0b\0\r\0\n\0c"), 16, Utf8, {"ab", "c"}, be, be, End},
        {"utf16le detected", BYTES("a\0b\0\r\0\n\0c\0"), 16, Utf8, {"ab", "c"}, le, kNoKind, End},
        {"utf16be detected", BYTES("\0a\0b\0\r\0\n\0c"), 16, Utf8, {"ab", "c"}, be, kNoKind, End},
        {"utf16le as wide lines", BYTES("\xFF\xFE" "a\0\r\0\n\0\xAC\x20"), 16, Wide, {"a", "\xE2\x82\xAC"}, le, le, End},
        {"utf16 lone cr", BYTES("\xFF\xFE" "a\0\r\0b\0"), 16, Utf8, {"a", "b"}, le, le, End},
        {"sjis detected", BYTES("\x93\xfa\x96\x7b\r\n\x82\xa0"), 16, Utf8, {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE3\x81\x82"}, sjis, kNoKind, End},
        {"sjis split over blocks", sjisSplit, 16, Utf8, {"abcdefghijklm", "\xE3\x81\x82"}, sjis, kNoKind, End},
        {"utf8 split over blocks", utf8Split, 32, Wide, {"abcdefg", "hijklmn", "opqrstuv", "\xE3\x81\x82"}, u8, u8, End},
        {"surrogate split over blocks", surrogateSplit, 16, Utf8, {"abcdef\xF0\x9F\x98\x80"}, le, le, End},
        {"not text", BYTES("\x7F\x01" "abc\r\nd"), 16, Utf8, {"\x7F\x01" "abc", "d"}, kNotText, kNoKind, End},
        {"line limit in the file's bytes", "ab\r\n" + sjis14 + "\r\n", 32, Utf8, {"ab", kana14}, sjis, kNoKind, End},
        {"line too long", "abcdefghijklmnopqrstuvwxyz\r\n", 16, Utf8, {}, kNoKind, kNoKind, State::LineTooLong},
        {"line too long after a good one", "ab\r\nabcdefghijklmnopqrstuvwxyz\r\n", 16, Utf8, {"ab"}, kNoKind, kNoKind, State::LineTooLong},
        {"odd utf16 as wide lines", BYTES("\xFF\xFE" "a\0b\0\r\0\n\0c"), 16, Wide, {"ab"}, le, le, State::OddUtf16Line},
        {"odd utf16 converted", BYTES("\xFF\xFE" "a\0b\0\r\0\n\0c"), 16, Utf8, {"ab"}, le, le, State::ConversionFailed},
        {"incomplete utf8 at the end", BYTES("\xEF\xBB\xBF" "ab\r\ncd\xE3\x81"), 16, Wide, {"ab"}, u8, u8, State::ConversionFailed},
    };
    const std::wstring path = temp.Join(L"in.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        RawLineFile file(Raw(path), c.bufferSize);
        file.lineKind = KindValue(c.lineKind);
        ASSERT_TRUE(file.OpenRead());
        std::vector<std::string> lines;
        std::string raw = c.bytes.substr(0, c.signatureKind == u8 ? 3 : c.signatureKind != kNoKind ? 2 : 0);
        while (file.NextLine() && lines.size() < 1000) {
            EXPECT_EQ(file.line.text.Kind(), c.lineKind == Wide ? Wide : Utf8);
            EXPECT_EQ(file.line.index, static_cast<int64_t>(lines.size()));
            EXPECT_EQ(file.line.offset, raw.size());
            lines.push_back(file.line.text.ToUtf8());
            raw += file.line.raw;
        }
        if (c.endState == End) { EXPECT_EQ(raw, c.bytes) << "the lines' own bytes make up the file"; }
        EXPECT_TRUE(!file.line.valid && file.line.text.IsEmpty() && !file.NextLine());  // and stays at its end
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(std::tuple(file.sourceKind, file.signatureKind, file.state),
                  std::tuple(c.sourceKind, c.signatureKind, c.endState));
        EXPECT_EQ(file.Close(), c.endState == End);
    }
}

TEST_F(RawLineFileTest, WriteEveryKindWithAndWithoutSignatureAndBuffer) {
    using enum RawCodeKind;
    // Lines: "a" and "あ", given as UTF-8 and as wide text.
    const struct { const char* label; RawCodeKind lineKind; bool signature; std::string expected; } cases[] = {
        {"utf8", Utf8, false, BYTES("a\r\n\xE3\x81\x82\r\n")},
        {"utf8 signature", Utf8, true, BYTES("\xEF\xBB\xBF" "a\r\n\xE3\x81\x82\r\n")},
        {"utf16le", Utf16Le, false, BYTES("a\0\r\0\n\0\x42\x30\r\0\n\0")},
        {"utf16le signature", Utf16Le, true, BYTES("\xFF\xFE" "a\0\r\0\n\0\x42\x30\r\0\n\0")},
        {"utf16be signature", Utf16Be, true, BYTES("\xFE\xFF" "\0a\0\r\0\n\x30\x42\0\r\0\n")},
        {"wide lines", Wide, false, BYTES("a\0\r\0\n\0\x42\x30\r\0\n\0")},
        {"utf7 signature", Utf7, true, BYTES("+/v8-a\r\n+MEI-\r\n")},
        {"shift_jis ignores the signature flag", ShiftJis, true, BYTES("a\r\n\x82\xa0\r\n")},
    };
    const std::wstring path = temp.Join(L"out.txt");
    for (const auto& c : cases) {
        for (int32_t buffered : {0, 64 * 1024}) {
            SCOPED_TRACE(testing::Message() << c.label << (buffered ? " buffered" : ""));
            RawLineFile file(Raw(path));
            file.lineKind = KindValue(c.lineKind);
            file.SetWriteBuffer(buffered);
            if (c.signature) file.flags |= RawLineFile::WriteSignature;
            ASSERT_TRUE(file.OpenWrite());
            EXPECT_TRUE(file.WriteLine("a") && file.WriteLine(RawString(RawString("\xE3\x81\x82"), Wide)));
            EXPECT_TRUE(file.WriteText(RawString()) && file.Close());
            EXPECT_EQ(ReadFileBytes(path), c.expected);
            EXPECT_EQ(file.lineKind, KindValue(Utf8));  // Close returns the line kind to UTF-8
        }
    }
}

// A stream that accepts a number of bytes and then fails every write, as a
// full disk does.
class FailingStream : public RawFileStream {
public:
    explicit FailingStream(size_t room) : room_(room) {}
    bool OpenRead(const RawString&) override { return false; }
    bool OpenWrite(const RawString&) override { return open_ = true; }
    bool Read(void*, uint32_t, uint32_t* got) override { *got = 0; return false; }
    bool Write(const void*, uint32_t size) override { return size <= room_ && (room_ -= size, true); }
    bool Seek(int64_t) override { return false; }
    bool Flush() override { return true; }
    bool Close() override { open_ = false; return true; }
    bool IsOpen() const override { return open_; }

private:
    size_t room_;
    bool open_ = false;
};

TEST_F(RawLineFileTest, OpenAndWriteFailures) {
    RawLineFile reader(Raw(temp.Join(L"missing.txt")), 8192), writer(Raw(temp.Join(L"missing\\out.txt")));
    EXPECT_EQ((std::tuple{reader.OpenRead(), reader.state, reader.NextLine(), reader.Close()}),
              std::tuple(false, RawLineFile::State::OpenFailed, false, false));
    EXPECT_EQ((std::tuple{writer.OpenWrite(), writer.state, writer.WriteLine("x"), writer.Close()}),
              std::tuple(false, RawLineFile::State::CreateFailed, false, false));
    EXPECT_FALSE(RawLineFile(Raw(temp.Path()), 8192).OpenRead());

    // A write that fails fails at once, or, buffered, at the latest when the file is closed.
    for (int32_t buffer : {0, 1024}) {
        FailingStream stream(4);
        RawLineFile file(RawString("unused"));
        file.SetStream(&stream);
        file.SetWriteBuffer(buffer);
        ASSERT_TRUE(file.OpenWrite() && file.WriteLine("ab"));
        EXPECT_EQ((std::tuple{file.WriteLine("cd"), file.WriteLine("ef"), file.Close(), file.state}),
                  std::tuple(buffer != 0, buffer != 0, false, RawLineFile::State::WriteFailed));
    }
}

}  // namespace
