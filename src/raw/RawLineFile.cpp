// Line files: block-wise reading with signature and encoding detection, line
// cutting in the file's own bytes, conversion line by line, and writing.
#include "raw/RawLineFile.h"

#include <cstring>

#include "raw/RawCodePage.h"
#include "raw/RawCodeRules.h"

namespace RawLayer {

namespace {

bool InRange(uint8_t c, uint8_t low, uint8_t high) { return c >= low && c <= high; }

// Leads that announce this many continuation bytes or more (the five- and
// six-byte forms) stand in no real UTF-8 text: the detector weighs them
// against the katakana that Shift_JIS would read instead.
constexpr size_t kLongSequence = 4;

// Both validity checks side by side; the first to fail decides for the other.
RawCodeKind SjisOrUtf8(const uint8_t* b, size_t n) {
    if (n == 0) return RawCodeKind::ShiftJis;
    bool sjis = true, utf8 = true, inDouble = false;
    size_t need = 0;
    int32_t katakana = 0, longSequences = 0, sequences = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t c = b[i];
        if (sjis) {
            if (inDouble) {
                inDouble = false;
                if (!IsShiftJisTrail(c)) sjis = false;
            } else if (IsShiftJisLead(c)) {
                inDouble = true;
            } else if (IsShiftJisKatakana(c)) {
                ++katakana;
            } else if (c >= 0x80) {
                sjis = false;
            }
        }
        if (utf8) {
            if (need > 0) {
                if (!IsUtf8Continuation(c)) utf8 = false;
                else if (--need == 0) ++sequences;
            } else if (c >= 0x80) {
                need = static_cast<size_t>(Utf8ExtraUnits(c));
                if (need == 0) utf8 = false;  // C0, C1, FE, FF and stray continuation bytes
                if (need >= kLongSequence) ++longSequences;
            }
        }
        if (!sjis) return RawCodeKind::Utf8;
        if (!utf8) return RawCodeKind::ShiftJis;
    }
    // Text that is valid both ways and holds a whole multi-byte UTF-8 sequence
    // is UTF-8: curly quotes, dashes and Japanese in UTF-8 pass as Shift_JIS
    // pairs too, while real Shift_JIS rarely keeps to UTF-8's strict pattern.
    if (sequences > 0) return RawCodeKind::Utf8;
    return longSequences < katakana ? RawCodeKind::Utf8 : RawCodeKind::ShiftJis;
}

// The kind the decode buffer holds for a line kind: wide lines as UTF-16 bytes.
int32_t BufferKindFor(int32_t lineKind) {
    return lineKind == KindValue(RawCodeKind::Wide) ? KindValue(RawCodeKind::Utf16Le) : lineKind;
}

}  // namespace

std::string_view RawLineFile::Signature(RawCodeKind kind) {
    switch (kind) {
    case RawCodeKind::Utf16Be: return {"\xFE\xFF", 2};
    case RawCodeKind::Utf16Le: return {"\xFF\xFE", 2};
    case RawCodeKind::Utf8: return {"\xEF\xBB\xBF", 3};
    case RawCodeKind::Utf7: return {"+/v8-", 5};
    default: return {};
    }
}

std::string_view RawLineFile::LineEnd(RawCodeKind kind) {
    switch (kind) {
    case RawCodeKind::Utf16Be: return {"\0\r\0\n", 4};
    case RawCodeKind::Utf16Le: return {"\r\0\n\0", 4};
    default: return {"\r\n", 2};
    }
}

// ---------------------------------------------------------------- detection

int32_t RawLineFile::Detect(const uint8_t* b, size_t n) {
    using enum RawCodeKind;
    bool utf16Check = true;
    // What the scan of the whole block finds for each guess; the same for every
    // zero byte, so it is worked out once (a block of zeros stays linear).
    int32_t scanned[2] = {-1, -1};  // for Utf16Be and Utf16Le: 0 nothing, 1 CR LF first, 2 pattern first
    auto scan = [&](RawCodeKind guess) {
        int32_t& result = scanned[guess == Utf16Be ? 0 : 1];
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
        if (InRange(c, 0x80, 0xC1)) return KindValue(ShiftJis);
        if (InRange(c, 0xC2, 0xEF)) return KindValue(SjisOrUtf8(b + i, n - i));
        if (InRange(c, 0xF0, 0xFD)) return KindValue(Utf8);
        if (c != 0) return kNotText;  // 7F, FE, FF
        if (!utf16Check) continue;
        const RawCodeKind guess = i % 2 == 0 ? Utf16Be : Utf16Le;
        if (scan(guess) == 1) {
            utf16Check = false;  // real CR LF bytes: the zero is not UTF-16 padding
            continue;
        }
        if (guess == Utf16Le) return KindValue(Utf16Le);
        if (i + 1 < n && b[i + 1] == 0) continue;
        return KindValue(Utf16Be);
    }
    return kUndecided;
}

size_t RawLineFile::CompletePrefix(RawCodeKind kind, const uint8_t* b, size_t n) {
    switch (kind) {
    case RawCodeKind::ShiftJis: {
        size_t leads = 0;
        while (leads < n && IsShiftJisLead(b[n - 1 - leads])) ++leads;
        return leads % 2 == 1 ? n - 1 : n;
    }
    case RawCodeKind::Utf8: {
        size_t i = n;
        while (i > 0 && n - i <= kUtf8MostExtraUnits && IsUtf8Continuation(b[i - 1])) --i;
        if (i == 0) return n;
        const size_t lead = i - 1;
        return static_cast<size_t>(Utf8ExtraUnits(b[lead])) > n - 1 - lead ? lead : n;
    }
    case RawCodeKind::Utf16Be:
    case RawCodeKind::Utf16Le: {
        size_t m = n & ~size_t(1);
        if (m >= 2 && IsHighSurrogate(Utf16Unit(kind, b[m - 2], b[m - 1]))) m -= 2;
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

bool RawLineFile::Fail(State failure) {
    state = failure;
    line = Line();
    return false;
}

// ---------------------------------------------------------------- reading

bool RawLineFile::OpenRead() {
    if (state == State::Open) return false;
    if (stream_ == nullptr) {
        file_ = std::make_unique<RawFile>();
        stream_ = file_.get();
    }
    writing_ = false;
    if (!stream_->OpenRead(path)) return Fail(State::OpenFailed);
    state = State::Open;
    line = Line();
    consumed_ = 0;
    firstBlock_ = true;
    inputDone_ = false;
    convert_ = false;
    seekFailed_ = false;
    pending_.clear();
    pos_ = 0;
    bufferKind = BufferKindFor(lineKind);
    cutKind_ = KindFromValue(bufferKind);
    if (flags & OwnDecoderFlags)
        decoderFlags_ = flags & (LookForSignature | SkipSignature | DetectEncoding);
    else
        decoderFlags_ = sourceKind == kNoKind ? LookForSignature | SkipSignature | DetectEncoding : 0;
    block_.reserve(static_cast<size_t>(bufferSize) + 2);
    wide_.reserve(static_cast<size_t>(bufferSize) * 3);
    if (!(flags & NoFirstRead)) return ReadBlock();
    return true;
}

void RawLineFile::FirstBlock(std::string& block) {
    firstBlock_ = false;
    if (decoderFlags_ & LookForSignature) {
        int32_t found = kNoKind;
        size_t length = 0;
        // A UTF-7 signature is written when asked but never looked for.
        for (const RawCodeKind kind : {RawCodeKind::Utf16Be, RawCodeKind::Utf16Le, RawCodeKind::Utf8}) {
            const std::string_view signature = Signature(kind);
            if (!block.starts_with(signature)) continue;
            found = KindValue(kind);
            length = signature.size();
            break;
        }
        if (found != kNoKind) {
            signatureKind = found;
            if (sourceKind == kNoKind) sourceKind = found;
            if (decoderFlags_ & SkipSignature) {
                block.erase(0, length);
                consumed_ = length;
            }
        }
    }
    if ((decoderFlags_ & DetectEncoding) && sourceKind == kNoKind) {
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
        if (ahead > 0 && !stream_->Seek(-ahead)) seekFailed_ = true;
        if (kind != kUndecided) sourceKind = kind;
    }
    // Conversion runs unless the file is already in the buffer's encoding or is not text.
    convert_ = sourceKind != kNotText && sourceKind != bufferKind &&
               !(sourceKind == kNoKind && !IsUtf16Kind(KindFromValue(bufferKind)));
    if (convert_) cutKind_ = sourceKind == kNoKind ? RawCodeKind::Ansi : KindFromValue(sourceKind);
}

bool RawLineFile::ReadBlock() {
    block_.resize(static_cast<size_t>(bufferSize));
    uint32_t got = 0;
    // A read error mid-file must not pass for the end of it.
    if (!stream_->Read(block_.data(), static_cast<uint32_t>(bufferSize), &got)) return Fail(State::OpenFailed);
    block_.resize(got);
    if (firstBlock_) FirstBlock(block_);
    if (got == 0) {
        inputDone_ = true;
        return true;
    }
    if (seekFailed_) return Fail(State::OpenFailed);
    pending_.append(block_);
    return true;
}

// Lines are cut in the file's own bytes and converted one by one: a byte that
// a wrong guess of the encoding takes for a lead byte can then never swallow
// the line end behind it, and every line keeps its bytes as they were read.
bool RawLineFile::Convert(const char* bytes, size_t count, RawString* text) {
    using enum RawCodeKind;
    const RawCodeKind to = lineKind == KindValue(Wide) ? Wide : KindFromValue(bufferKind);
    if (!convert_) {
        RawCodeKind kind = to;
        if (sourceKind == kNoKind && to != Wide) kind = (flags & UnknownAsAnsi) ? Ansi : Utf8;
        *text = RawString::FromBytes(kind, bytes, static_cast<int32_t>(count));
        return true;
    }
    if (count == 0) {
        *text = RawString(to);
        return true;
    }
    const auto source = reinterpret_cast<const uint8_t*>(bytes);
    size_t wideCount = 0;
    if (IsUtf16Kind(cutKind_)) {
        wideCount = count / 2;
        wide_.resize(wideCount);
        for (size_t i = 0; i < wideCount; ++i)
            wide_[i] = static_cast<char16_t>(Utf16Unit(cutKind_, source[2 * i], source[2 * i + 1]));
    } else {
        const uint32_t page = CodePageOf(cutKind_);
        const int32_t n = static_cast<int32_t>(count);
        if (wide_.size() < count) wide_.resize(count);
        int32_t got = RawNarrowToWide(page, bytes, n, wide_.data(), static_cast<int32_t>(wide_.size()));
        if (got > static_cast<int32_t>(wide_.size())) {
            // Too small: the call told the size it needs, so the buffer grows to it.
            wide_.resize(static_cast<size_t>(got));
            got = RawNarrowToWide(page, bytes, n, wide_.data(), got);
        }
        if (got <= 0) return Fail(State::ConversionFailed);
        wideCount = static_cast<size_t>(got);
    }
    const RawString wide = RawString::MakeView(Wide, wide_.data(), static_cast<int32_t>(wideCount));
    *text = RawString(wide, to);
    return true;
}

uint32_t RawLineFile::UnitAt(size_t at) const {
    const auto b = reinterpret_cast<const uint8_t*>(pending_.data());
    return IsUtf16Kind(cutKind_) ? Utf16Unit(cutKind_, b[at], b[at + 1]) : b[at];
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
        return Fail(State::ConversionFailed);
    if (UnitSize() == 2 && length % 2 != 0) return Fail(State::OddUtf16Line);
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
    if (state != State::Open) {
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
            if (seekFailed_) return Fail(State::OpenFailed);
            if (pos_ < size) return TakeLine(pos_, size, 0);
            state = State::EndOfFile;
            line = Line();
            return false;
        } else {
            // Measured on the file's bytes, so that a line's limit does not
            // depend on how much longer its converted text is; without
            // conversion six bytes of the buffer stay in reserve.
            const size_t limit = static_cast<size_t>(convert_ ? bufferSize : bufferSize - 6);
            if (size - pos_ >= limit) return Fail(State::LineTooLong);
        }
        pending_.erase(0, pos_);
        pos_ = 0;
        if (!ReadBlock()) return false;
    }
}

// ---------------------------------------------------------------- writing

bool RawLineFile::OpenWrite() {
    if (state == State::Open) return false;
    if (stream_ == nullptr) {
        file_ = std::make_unique<RawFile>();
        stream_ = file_.get();
    }
    if (!stream_->OpenWrite(path)) return Fail(State::CreateFailed);
    writing_ = true;
    state = State::Open;
    written_ = 0;
    output_.clear();
    bufferKind = BufferKindFor(lineKind);
    return true;
}

bool RawLineFile::Emit(const char* bytes, size_t count) {
    if (writeBuffer_ == 0) {
        if (!stream_->Write(bytes, static_cast<uint32_t>(count))) return Fail(State::WriteFailed);
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
    return ok ? true : Fail(State::WriteFailed);
}

bool RawLineFile::WriteBytes(const void* bytes, size_t count) {
    if (state != State::Open || !writing_) return false;
    if (count == 0) return true;
    if ((flags & WriteSignature) && written_ == 0) {
        const std::string_view signature = Signature(KindFromValue(bufferKind));
        if (!signature.empty() && !Emit(signature.data(), signature.size())) return false;
        written_ += signature.size();
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
    if (state != State::Open || !writing_) return false;
    if (text.IsEmpty()) return true;
    // Units are only meaningful in their own kind: anything else is converted.
    const RawCodeKind kind = KindFromValue(bufferKind);
    const RawString encoded = text.Kind() == kind ? text : RawString(text, kind);
    const size_t size = encoded.Kind() == RawCodeKind::Wide ? 2 * static_cast<size_t>(encoded.Length())
                                               : static_cast<size_t>(encoded.Length());
    if (size == 0) return true;
    return WriteBytes(encoded.Bytes(), size);
}

bool RawLineFile::WriteLine(const RawString& text) {
    if (!WriteText(text)) return false;
    const std::string_view lineEnd = LineEnd(KindFromValue(bufferKind));
    return WriteBytes(lineEnd.data(), lineEnd.size());
}

bool RawLineFile::Close() {
    if (stream_ != nullptr && stream_->IsOpen()) {
        if (writing_) {
            if (state == State::Open) FlushOutput();
            if (!stream_->Flush() && state == State::Open) Fail(State::WriteFailed);
        }
        if (!stream_->Close() && writing_ && state == State::Open) Fail(State::WriteFailed);
    }
    output_.clear();
    pending_.clear();
    pos_ = 0;
    writing_ = false;
    flags = 0;
    sourceKind = kNoKind;
    lineKind = KindValue(RawCodeKind::Utf8);
    if (state == State::Open || state == State::EndOfFile) {
        state = State::Closed;
        return true;
    }
    return state == State::Closed;
}

}  // namespace RawLayer
