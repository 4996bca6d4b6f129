// Wildcard matching with captures and the "%" escape table.
#include "raw/RawWildcardMatch.h"

#include "raw/RawCodeRules.h"

namespace RawLayer {

namespace {

uint32_t Escaped(uint32_t x) {
    switch (x) {
    case 'B': return '[';
    case 'E': return ']';
    case 'O': return '(';
    case 'C': return ')';
    case 'K': return '<';
    case 'J': return '>';
    case 'e': return '%';
    case 'i': return ';';
    case 'l': return ':';
    case 'm': return ',';
    case 'q': return '"';
    case 'r': return '\r';
    case 's': return ' ';
    case 't': return '\t';
    case 'v': return '|';
    default: return x;
    }
}

}  // namespace

void RawWildcardMatch::SetCapture(int32_t index, RawRange range) {
    if (index < 0) return;
    while (captures.Count() < index) captures.Append(RawRange(0, 0));
    if (captures.Count() == index) {
        captures.Append(range);
        return;
    }
    auto at = captures.begin();
    for (int32_t i = 0; i < index; ++i) ++at;
    *at = range;
}

RawRange RawWildcardMatch::Capture(int32_t index) const {
    if (index < 0 || index >= captures.Count()) return {};
    auto at = captures.begin();
    for (int32_t i = 0; i < index; ++i) ++at;
    return *at;
}

bool RawWildcardMatch::Match(const RawString& text, RawRange textRange, const RawString& pattern,
                             RawRange patternRange, int32_t firstCapture) {
    const RawRange t = text.Clamp(textRange), q = pattern.Clamp(patternRange);
    text_ = &text;
    pattern_ = &pattern;
    textEnd_ = t.end;
    patternEnd_ = q.end;
    failed_.clear();
    const bool matched = MatchFrom(t.begin, q.begin, firstCapture);
    failed_.clear();
    return matched;
}

bool RawWildcardMatch::MatchFrom(int32_t p, int32_t q, int32_t capture) {
    const RawString& text = *text_;
    const RawString& pattern = *pattern_;
    // Reads beyond either range give 0, which no pattern unit but a trailing "%" matches.
    auto textAt = [&](int32_t i) { return i < textEnd_ ? text.UnitAt(i) : 0u; };
    for (;;) {
        if (q >= patternEnd_) return p >= textEnd_ || !whole;
        const uint32_t u = pattern.UnitAt(q);
        if (u == '%') {
            const uint32_t x = q + 1 < patternEnd_ ? pattern.UnitAt(q + 1) : 0u;
            const uint32_t c = textAt(p++);
            if (x == 'n') {
                if (c == '\r') {
                    if (textAt(p++) != '\n') return false;
                } else if (c != '\n') {
                    return false;
                }
            } else if (c != Escaped(x)) {
                return false;
            }
            q += 2;
        } else if (u == '?') {
            if (p >= textEnd_) return false;
            SetCapture(capture++, {p, p + 1});
            ++p;
            ++q;
        } else if (u == '*') {
            const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(p)) << 32) | static_cast<uint32_t>(q);
            if (failed_.count(key) != 0) return false;
            const int32_t start = p < textEnd_ ? p : textEnd_;
            // The longest run that lets the rest match wins.
            for (int32_t k = textEnd_; k >= start; --k) {
                if (MatchFrom(k, q + 1, capture + 1)) {
                    SetCapture(capture, {start, k});
                    return true;
                }
            }
            failed_.insert(key);
            return false;
        } else {
            const uint32_t c = textAt(p);
            if (ignoreCase ? FoldAscii(c) != FoldAscii(u) : c != u) return false;
            ++p;
            ++q;
        }
    }
}

}  // namespace RawLayer
