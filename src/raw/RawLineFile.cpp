// Line files: block-wise reading with signature and encoding detection, line
// cutting in the file's own bytes, conversion line by line, and writing.
#include "raw/RawLineFile.h"

#include <cstring>

#include "raw/RawCodePage.h"

namespace RawLayer {

namespace {

bool InRange(uint8_t c, uint8_t low, uint8_t high) { return c >= low && c <= high; }
bool IsSjisLead(uint8_t c) { return InRange(c, 0x81, 0x9F) || InRange(c, 0xE0, 0xEF); }

// Continuation bytes a UTF-8 lead byte announces.
size_t Utf8Continuations(uint8_t c) {
    if (InRange(c, 0xC2, 0xDF)) return 1;
    if (InRange(c, 0xE0, 0xEF)) return 2;
    if (InRange(c, 0xF0, 0xF7)) return 3;
    if (InRange(c, 0xF8, 0xFB)) return 4;
    if (InRange(c, 0xFC, 0xFD)) return 5;
    return 0;
}

// Both validity checks side by side; the first to fail decides for the other.
int32_t SjisOrUtf8(const uint8_t* b, size_t n) {
    if (n == 0) return ShiftJis;
    bool sjis = true, utf8 = true, inDouble = false;
    size_t need = 0;
    int32_t katakana = 0, longSequences = 0, sequences = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t c = b[i];
        if (sjis) {
            if (inDouble) {
                inDouble = false;
                if (!(InRange(c, 0x40, 0x7E) || InRange(c, 0x80, 0xFC))) sjis = false;
            } else if (IsSjisLead(c)) {
                inDouble = true;
            } else if (InRange(c, 0xA1, 0xDF)) {
                ++katakana;
            } else if (c >= 0x80) {
                sjis = false;
            }
        }
        if (utf8) {
            if (need > 0) {
                if (!InRange(c, 0x80, 0xBF)) utf8 = false;
                else if (--need == 0) ++sequences;
            } else if (c >= 0x80) {
                need = Utf8Continuations(c);
                if (need == 0) utf8 = false;  // C0, C1, FE, FF and stray continuation bytes
                if (need >= 4) ++longSequences;
            }
        }
        if (!sjis) return Utf8;
        if (!utf8) return ShiftJis;
    }
    // Text that is valid both ways and holds a whole multi-byte UTF-8 sequence
    // is UTF-8: curly quotes, dashes and Japanese in UTF-8 pass as Shift_JIS
    // pairs too, while real Shift_JIS rarely keeps to UTF-8's strict pattern.
    if (sequences > 0) return Utf8;
    return longSequences < katakana ? Utf8 : ShiftJis;
}

const char kUtf7Signature[] = "+/v8-";

}  // namespace

// ---------------------------------------------------------------- detection

int32_t RawLineFile::Detect(const uint8_t* b, size_t n) {
    bool utf16Check = true;
    // What the scan of the whole block finds for each guess; the same for every
    // zero byte, so it is worked out once (a block of zeros stays linear).
    int32_t scanned[2] = {-1, -1};  // for guess 5 and guess 6: 0 nothing, 1 CR LF first, 2 pattern first
    auto scan = [&](int32_t guess) {
        int32_t& result = scanned[guess - Utf16Be];
        if (result >= 0) return result;
        result = 0;
        for (size_t j = 0; j < n; ++j) {
            if (j + 1 < n && b[j] == 0x0D && b[j + 1] == 0x0A) return result = 1;
            if (j + 3 < n) {
                if (guess == Utf16Le && b[j] == 0x0D && b[j + 1] == 0 && b[j + 2] == 0x0A && b[j + 3] == 0)
                    return result = 2;
                if (guess == Utf16Be && b[j] == 0 && b[j + 1] == 0x0D && b[j + 2] == 0 && b[j + 3] == 0x0A)
                    return result = 2;
            }
        }
        return result;
    };
    for (size_t i = 0; i < n; ++i) {
        const uint8_t c = b[i];
        if (InRange(c, 0x01, 0x7E)) continue;
        if (InRange(c, 0x80, 0xC1)) return ShiftJis;
        if (InRange(c, 0xC2, 0xEF)) return SjisOrUtf8(b + i, n - i);
        if (InRange(c, 0xF0, 0xFD)) return Utf8;
        if (c != 0) return kNotText;  // 7F, FE, FF
        if (!utf16Check) continue;
        const int32_t guess = i % 2 == 0 ? Utf16Be : Utf16Le;
        if (scan(guess) == 1) {
            utf16Check = false;  // real CR LF bytes: the zero is not UTF-16 padding
            continue;
        }
        if (guess == Utf16Le) return Utf16Le;
        if (i + 1 < n && b[i + 1] == 0) continue;
        return Utf16Be;
    }
    return kUndecided;
}

size_t RawLineFile::CompletePrefix(int32_t kind, const uint8_t* b, size_t n) {
    switch (kind) {
    case ShiftJis: {
        size_t leads = 0;
        while (leads < n && IsSjisLead(b[n - 1 - leads])) ++leads;
        return leads % 2 == 1 ? n - 1 : n;
    }
    case Utf8: {
        size_t i = n;
        while (i > 0 && n - i < 6 && InRange(b[i - 1], 0x80, 0xBF)) --i;
        if (i == 0) return n;
        const size_t lead = i - 1;
        return Utf8Continuations(b[lead]) > n - 1 - lead ? lead : n;
    }
    case Utf16Be:
    case Utf16Le: {
        size_t m = n & ~size_t(1);
        if (m >= 2) {
            const uint32_t v = kind == Utf16Be ? (b[m - 2] << 8) | b[m - 1] : (b[m - 1] << 8) | b[m - 2];
            if (v >= 0xD800 && v <= 0xDBFF) m -= 2;
        }
        return m;
    }
    default:
        return n;
    }
}

// ---------------------------------------------------------------- lifetime

RawLineFile::RawLineFile(const RawString& filePath) { path = filePath; }

RawLineFile::RawLineFile(const RawString& filePath, int32_t readBufferSize) {
    path = filePath;
    // A block must hold at least a signature and a CR LF in UTF-16.
    bufferSize = readBufferSize >= 16 ? readBufferSize : 16;
}

RawLineFile::~RawLineFile() { Close(); }

bool RawLineFile::Fail(int32_t failure) {
    state = failure;
    line = Line();
    return false;
}

// ---------------------------------------------------------------- reading

bool RawLineFile::OpenRead() {
    if (state == Open) return false;
    if (stream_ == nullptr) {
        file_ = std::make_unique<RawFile>();
        stream_ = file_.get();
    }
    writing_ = false;
    if (!stream_->OpenRead(path)) return Fail(OpenFailed);
    state = Open;
    line = Line();
    consumed_ = 0;
    firstBlock_ = true;
    inputDone_ = false;
    convert_ = false;
    pendingFailure_ = 0;
    pending_.clear();
    pos_ = 0;
    bufferKind = lineKind == Wide ? Utf16Le : lineKind;
    cutKind_ = bufferKind;
    if (flags & OwnDecoderFlags)
        decoderFlags_ = flags & (LookForSignature | SkipSignature | DetectEncoding);
    else
        decoderFlags_ = sourceKind == 0 ? LookForSignature | SkipSignature | DetectEncoding : 0;
    block_.reserve(static_cast<size_t>(bufferSize) + 2);
    wide_.reserve(static_cast<size_t>(bufferSize) * 3);
    if (!(flags & NoFirstRead)) return ReadBlock();
    return true;
}

void RawLineFile::FirstBlock(std::string& block) {
    firstBlock_ = false;
    const auto b = reinterpret_cast<const uint8_t*>(block.data());
    const size_t n = block.size();
    if (decoderFlags_ & LookForSignature) {
        int32_t found = 0;
        size_t length = 0;
        if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) found = Utf16Be, length = 2;
        else if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) found = Utf16Le, length = 2;
        else if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) found = Utf8, length = 3;
        if (found != 0) {
            signatureKind = found;
            if (sourceKind == 0) sourceKind = found;
            if (decoderFlags_ & SkipSignature) {
                block.erase(0, length);
                consumed_ = length;
            }
        }
    }
    if ((decoderFlags_ & DetectEncoding) && sourceKind == 0) {
        int32_t kind = Detect(reinterpret_cast<const uint8_t*>(block.data()), block.size());
        // Undecided: look further ahead, then go back to where the block ended.
        int64_t ahead = 0;
        std::string scratch(static_cast<size_t>(bufferSize), '\0');
        while (kind == kUndecided) {
            uint32_t got = 0;
            if (!stream_->Read(scratch.data(), static_cast<uint32_t>(bufferSize), &got) || got == 0) break;
            ahead += got;
            kind = Detect(reinterpret_cast<const uint8_t*>(scratch.data()), got);
        }
        if (ahead > 0 && !stream_->Seek(-ahead)) pendingFailure_ = OpenFailed;
        if (kind != kUndecided) sourceKind = kind;
    }
    // Conversion runs unless the file is already in the buffer's encoding or is not text.
    convert_ = sourceKind != kNotText && sourceKind != bufferKind &&
               !(sourceKind == 0 && !IsUtf16(bufferKind));
    if (convert_) cutKind_ = sourceKind == 0 ? Ansi : sourceKind;
}

bool RawLineFile::ReadBlock() {
    block_.resize(static_cast<size_t>(bufferSize));
    uint32_t got = 0;
    // A read error mid-file must not pass for the end of it.
    if (!stream_->Read(block_.data(), static_cast<uint32_t>(bufferSize), &got)) return Fail(OpenFailed);
    block_.resize(got);
    if (firstBlock_) FirstBlock(block_);
    if (got == 0) {
        inputDone_ = true;
        return true;
    }
    if (pendingFailure_ != 0) return Fail(pendingFailure_);
    pending_.append(block_);
    return true;
}

// Lines are cut in the file's own bytes and converted one by one: a byte that
// a wrong guess of the encoding takes for a lead byte can then never swallow
// the line end behind it, and every line keeps its bytes as they were read.
bool RawLineFile::Convert(const char* bytes, size_t count, RawString* text) {
    const RawCodeKind to = lineKind == Wide ? Wide : static_cast<RawCodeKind>(bufferKind);
    if (!convert_) {
        RawCodeKind kind = to;
        if (sourceKind == 0 && to != Wide) kind = (flags & UnknownAsAnsi) ? Ansi : Utf8;
        *text = RawString::FromBytes(kind, bytes, static_cast<int32_t>(count));
        return true;
    }
    if (count == 0) {
        *text = RawString(to);
        return true;
    }
    const auto source = reinterpret_cast<const uint8_t*>(bytes);
    size_t wideCount = 0;
    if (IsUtf16(cutKind_)) {
        wideCount = count / 2;
        wide_.resize(wideCount);
        for (size_t i = 0; i < wideCount; ++i) {
            const uint8_t x = source[2 * i], y = source[2 * i + 1];
            wide_[i] = static_cast<char16_t>(cutKind_ == Utf16Be ? (x << 8) | y : (y << 8) | x);
        }
    } else {
        const uint32_t page = CodePageOf(static_cast<RawCodeKind>(cutKind_));
        const int32_t n = static_cast<int32_t>(count);
        if (wide_.size() < count) wide_.resize(count);
        int32_t got = RawNarrowToWide(page, bytes, n, wide_.data(), static_cast<int32_t>(wide_.size()));
        if (got > static_cast<int32_t>(wide_.size())) {
            // Too small: the call told the size it needs, so the buffer grows to it.
            wide_.resize(static_cast<size_t>(got));
            got = RawNarrowToWide(page, bytes, n, wide_.data(), got);
        }
        if (got <= 0) return Fail(ConversionFailed);
        wideCount = static_cast<size_t>(got);
    }
    const RawString wide = RawString::MakeView(Wide, wide_.data(), static_cast<int32_t>(wideCount));
    *text = RawString(wide, to);
    return true;
}

uint32_t RawLineFile::UnitAt(size_t at) const {
    const auto b = reinterpret_cast<const uint8_t*>(pending_.data());
    if (cutKind_ == Utf16Le) return b[at] | (b[at + 1] << 8);
    if (cutKind_ == Utf16Be) return (b[at] << 8) | b[at + 1];
    return b[at];
}

size_t RawLineFile::FindTextEnd(size_t begin, size_t end) const {
    const size_t unit = UnitSize();
    if (unit == 1) {
        for (size_t i = begin; i < end; ++i) {
            const char c = pending_[i];
            if (c == '\r' || c == '\n') return i;
        }
        return end;
    }
    for (size_t i = begin; i + 1 < end; i += 2) {
        const uint32_t u = UnitAt(i);
        if (u == '\r' || u == '\n') return i;
    }
    return end;
}

bool RawLineFile::TakeLine(size_t begin, size_t textEnd, size_t endLength) {
    const size_t length = textEnd - begin;
    const char* bytes = pending_.data() + begin;
    // Only the last line can end inside a character: its bytes stop with the file.
    if (convert_ && endLength == 0 &&
        CompletePrefix(cutKind_, reinterpret_cast<const uint8_t*>(bytes), length) < length)
        return Fail(ConversionFailed);
    if (UnitSize() == 2 && length % 2 != 0) return Fail(OddUtf16Line);
    Line next;
    next.valid = true;
    if (!Convert(bytes, length, &next.text)) return false;
    next.raw.assign(bytes, length + endLength);
    next.offset = consumed_;
    next.index = line.index + 1;
    consumed_ += length + endLength;
    next.next = consumed_;
    line = std::move(next);
    pos_ = textEnd + endLength;
    return true;
}

bool RawLineFile::FitsLine(size_t textBytes, int32_t readBufferSize) {
    // The reader's limit is the smaller one of a file it does not convert.
    const size_t size = static_cast<size_t>(readBufferSize >= 16 ? readBufferSize : 16);
    return textBytes + 6 < size;
}

bool RawLineFile::NextLine() {
    if (state != Open) {
        line.valid = false;
        line.text = RawString();
        line.raw.clear();
        return false;
    }
    for (;;) {
        const size_t unit = UnitSize();
        const size_t size = pending_.size();
        const size_t textEnd = FindTextEnd(pos_, size);
        if (textEnd < size) {
            if (UnitAt(textEnd) == '\n') return TakeLine(pos_, textEnd, unit);
            if (textEnd + 2 * unit <= size)
                return TakeLine(pos_, textEnd, UnitAt(textEnd + unit) == '\n' ? 2 * unit : unit);
            // A CR at the end of what was read may be the first half of a CR LF.
            if (inputDone_) return TakeLine(pos_, textEnd, unit);
        } else if (inputDone_) {
            if (pendingFailure_ != 0) return Fail(pendingFailure_);
            if (pos_ < size) return TakeLine(pos_, size, 0);
            state = EndOfFile;
            line = Line();
            return false;
        } else {
            // Measured on the file's bytes, so that a line's limit does not
            // depend on how much longer its converted text is; without
            // conversion six bytes of the buffer stay in reserve.
            const size_t limit = static_cast<size_t>(convert_ ? bufferSize : bufferSize - 6);
            if (size - pos_ >= limit) return Fail(LineTooLong);
        }
        pending_.erase(0, pos_);
        pos_ = 0;
        if (!ReadBlock()) return false;
    }
}

// ---------------------------------------------------------------- writing

bool RawLineFile::OpenWrite() {
    if (state == Open) return false;
    if (stream_ == nullptr) {
        file_ = std::make_unique<RawFile>();
        stream_ = file_.get();
    }
    if (!stream_->OpenWrite(path)) return Fail(CreateFailed);
    writing_ = true;
    state = Open;
    written_ = 0;
    output_.clear();
    bufferKind = lineKind == Wide ? Utf16Le : lineKind;
    return true;
}

bool RawLineFile::Emit(const char* bytes, size_t count) {
    if (writeBuffer_ == 0) {
        if (!stream_->Write(bytes, static_cast<uint32_t>(count))) return Fail(WriteFailed);
        return true;
    }
    output_.append(bytes, count);
    if (output_.size() >= static_cast<size_t>(writeBuffer_)) return FlushOutput();
    return true;
}

bool RawLineFile::FlushOutput() {
    if (output_.empty()) return true;
    const bool ok = stream_->Write(output_.data(), static_cast<uint32_t>(output_.size()));
    output_.clear();
    return ok ? true : Fail(WriteFailed);
}

bool RawLineFile::WriteBytes(const void* bytes, size_t count) {
    if (state != Open || !writing_) return false;
    if (count == 0) return true;
    if ((flags & WriteSignature) && written_ == 0) {
        static const uint8_t be[] = {0xFE, 0xFF}, le[] = {0xFF, 0xFE}, utf8[] = {0xEF, 0xBB, 0xBF};
        bool ok = true;
        switch (bufferKind) {
        case Utf16Be: ok = Emit(reinterpret_cast<const char*>(be), 2), written_ += 2; break;
        case Utf16Le: ok = Emit(reinterpret_cast<const char*>(le), 2), written_ += 2; break;
        case Utf8: ok = Emit(reinterpret_cast<const char*>(utf8), 3), written_ += 3; break;
        case Utf7: ok = Emit(kUtf7Signature, 5), written_ += 5; break;
        default: break;
        }
        if (!ok) return false;
    }
    // Large texts go out in pieces a single platform write can take.
    const char* p = static_cast<const char*>(bytes);
    for (size_t left = count; left > 0;) {
        const size_t piece = left < 0x40000000 ? left : 0x40000000;
        if (!Emit(p, piece)) return false;
        p += piece;
        left -= piece;
    }
    written_ += count;
    return true;
}

bool RawLineFile::WriteText(const RawString& text) {
    if (state != Open || !writing_) return false;
    if (text.IsEmpty()) return true;
    // Units are only meaningful in their own kind: anything else is converted.
    const RawString encoded = text.Kind() == bufferKind ? text : RawString(text, static_cast<RawCodeKind>(bufferKind));
    const size_t size = encoded.Kind() == Wide ? 2 * static_cast<size_t>(encoded.Length())
                                               : static_cast<size_t>(encoded.Length());
    if (size == 0) return true;
    return WriteBytes(encoded.Bytes(), size);
}

bool RawLineFile::WriteLine(const RawString& text) {
    static const char narrow[] = {'\r', '\n'};
    static const char le[] = {'\r', 0, '\n', 0};
    static const char be[] = {0, '\r', 0, '\n'};
    if (!WriteText(text)) return false;
    if (bufferKind == Utf16Le) return WriteBytes(le, 4);
    if (bufferKind == Utf16Be) return WriteBytes(be, 4);
    return WriteBytes(narrow, 2);
}

bool RawLineFile::Close() {
    if (stream_ != nullptr && stream_->IsOpen()) {
        if (writing_) {
            if (state == Open) FlushOutput();
            if (!stream_->Flush() && state == Open) Fail(WriteFailed);
        }
        if (!stream_->Close() && writing_ && state == Open) Fail(WriteFailed);
    }
    output_.clear();
    pending_.clear();
    pos_ = 0;
    writing_ = false;
    flags = 0;
    sourceKind = 0;
    lineKind = Utf8;
    if (state == Open || state == EndOfFile) {
        state = Closed;
        return true;
    }
    return state == Closed;
}

}  // namespace RawLayer
