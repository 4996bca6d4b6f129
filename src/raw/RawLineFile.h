// Text files as sequences of lines: reading with signature and encoding
// detection (Shift_JIS, UTF-8, UTF-16 in either byte order) and writing in a
// chosen encoding with or without a byte-order signature.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "raw/RawFile.h"
#include "raw/RawString.h"

namespace RawLayer {

// Encoding answer of the detector for bytes that are not text.
inline constexpr int32_t kNotText = 8;
// Detector answer when the bytes seen do not decide.
inline constexpr int32_t kUndecided = -1;

class RawLineFileInfo {
public:
    enum Flag : uint16_t {
        UnknownAsAnsi = 0x10,   // undecided text comes as Ansi instead of Utf8
        WriteSignature = 0x20,  // the signature of the file's encoding goes first
        NoFirstRead = 0x40,     // opening does not read the first block
        OwnDecoderFlags = 0x80, // the low bits below are the decoder's flags
    };
    // Decoder flags.
    enum Decoder : uint16_t { LookForSignature = 1, SkipSignature = 2, DetectEncoding = 4 };
    enum class State : int32_t {
        Closed = 0,
        Open = 1,
        EndOfFile = 2,
        OpenFailed = 4,
        CreateFailed = 5,
        WriteFailed = 7,
        ConversionFailed = 11,
        LineTooLong = 12,
        OddUtf16Line = 13,
    };

    struct Line {
        bool valid = false;
        RawString text;
        std::string raw;      // the file's own bytes of the line, its line end included
        uint64_t offset = 0;  // byte offset of the line start in the file
        int64_t index = -1;   // counted from 0
        uint64_t next = 0;    // byte offset behind the line and its line end
    };

    uint16_t flags = 0;
    State state = State::Closed;
    RawString path;
    // Kind of the lines delivered, and of a written file; Wide for wide lines.
    int32_t lineKind = KindValue(RawCodeKind::Utf8);
    int32_t bufferKind = kNoKind;     // the line kind, Wide held as Utf16Le bytes
    int32_t sourceKind = kNoKind;     // the file's encoding: given, or detected; kNotText
    int32_t signatureKind = kNoKind;
    int32_t bufferSize = 8192;
    Line line;
};

class RawLineFile : public RawLineFileInfo {
public:
    explicit RawLineFile(const RawString& filePath);                    // for writing
    RawLineFile(const RawString& filePath, int32_t readBufferSize);     // for reading
    RawLineFile(const RawLineFile&) = delete;
    RawLineFile& operator=(const RawLineFile&) = delete;
    virtual ~RawLineFile();

    // Puts another stream in place of the platform file; not owned.
    void SetStream(RawFileStream* stream) { stream_ = stream; }
    // Bytes gathered before each platform write; 0 (the default) writes at once.
    void SetWriteBuffer(int32_t bytes) { writeBuffer_ = bytes > 0 ? bytes : 0; }

    bool OpenRead();
    // The next line into `line`; false (and an invalid, empty line) at the end
    // or once a failure has stopped the file.
    bool NextLine();
    bool OpenWrite();
    bool WriteText(const RawString& text);
    bool WriteBytes(const void* bytes, size_t count);
    bool WriteLine(const RawString& text);
    // True when the file ended in a good state (open or at its end).
    bool Close();
    bool AtCleanEnd() const { return state == State::EndOfFile; }

    // The detector over one block: a code kind, kNotText or kUndecided.
    static int32_t Detect(const uint8_t* bytes, size_t count);
    // How many leading bytes of the run hold only complete characters of the kind.
    static size_t CompletePrefix(RawCodeKind kind, const uint8_t* bytes, size_t count);
    // The byte-order signature of the kind; empty for a kind without one.
    static std::string_view Signature(RawCodeKind kind);
    // CR LF in the bytes of the kind.
    static std::string_view LineEnd(RawCodeKind kind);
    // Whether a reader with this buffer size reads back a line whose text (its
    // line end not counted) takes this many bytes in the file, converted or not.
    static bool FitsLine(size_t textBytes, int32_t readBufferSize);

protected:
    // Takes the line whose text is [begin, textEnd) of the file's bytes read ahead.
    virtual bool TakeLine(size_t begin, size_t textEnd, size_t endLength);
    // The first CR or LF in [begin, end), stepping by the file's unit; end when none.
    virtual size_t FindTextEnd(size_t begin, size_t end) const;

private:
    size_t UnitSize() const { return IsUtf16Kind(cutKind_) ? 2 : 1; }
    uint32_t UnitAt(size_t at) const;
    bool ReadBlock();
    void FirstBlock(std::string& block);
    bool Convert(const char* bytes, size_t count, RawString* text);
    bool Fail(State failure);
    bool Emit(const char* bytes, size_t count);
    bool FlushOutput();

    std::unique_ptr<RawFile> file_;
    RawFileStream* stream_ = nullptr;
    uint16_t decoderFlags_ = 0;
    bool writing_ = false;
    bool firstBlock_ = true;
    bool inputDone_ = false;
    bool convert_ = false;
    bool seekFailed_ = false;  // reading ahead for detection could not go back
    RawCodeKind cutKind_ = RawCodeKind::Ansi;  // the encoding of the bytes cut into lines
    uint64_t consumed_ = 0;  // file bytes already cut into lines (a skipped signature included)
    std::string block_;      // one block as read
    std::string pending_;    // the file's bytes, from pos_ not yet cut into lines
    size_t pos_ = 0;
    std::u16string wide_;
    uint64_t written_ = 0;
    int32_t writeBuffer_ = 0;
    std::string output_;
};

}  // namespace RawLayer
