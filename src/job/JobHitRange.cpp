// Matching of names against Old-name patterns: the pattern is compiled into a
// short program of elements, which a backtracking search with a failure table
// runs against the name.
#include "job/JobHitRange.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "raw/RawCodeRules.h"

namespace JobLayer {

using RawLayer::RawCodeKind;

namespace {

enum OpTest : uint8_t {
    TestRun,          // literal pattern units
    TestLooseEscape,  // wildcard "%" x: may read the imaginary 0 behind the name
    TestEscape,       // extended "%" x
    TestAnyChar,      // wildcard "?" and "*": any character
    TestAnyInLine,    // ".": any character but CR and LF
    TestClass,        // "[...]"
    TestNotClass,     // "[^...]"
    TestNothing,      // a lone "%" closing an extended pattern
};

enum ClassItemKind : uint8_t { ItemEscape, ItemRange, ItemSingle };

// Name units the pattern escape "%" x takes when the name holds u and then next.
int32_t EscapeUnits(uint32_t x, uint32_t u, uint32_t next) {
    switch (x) {
    case 'N':
        if (u == '\r') return next == '\n' ? 2 : 0;
        return u == '\n' ? 1 : 0;
    case 'd': return u == ';';
    case 'e': return u == '%';
    case 'n': return u == '\n';
    case 'q': return u == '"';
    case 'r': return u == '\r';
    case 's': return u == ' ';
    case 't': return u == '\t';
    default: return u == x;
    }
}

// Units of the character at i (i < end) by the character-length rule, cut at
// end: a sequence that the end of its text interrupts is taken as the units
// that are there, so that "*" and "?" can still take them.
template <class U>
inline int32_t CharSpan(RawCodeKind kind, const U* t, int32_t i, int32_t end) {
    const uint32_t next = i + 1 < end ? t[i + 1] : 0;
    return std::min(1 + RawLayer::CharExtraUnits(kind, i, t[i], next), end - i);
}

// a <= b for unit runs: decided at the first differing unit; a run that is a
// prefix of the other is only equal, never smaller.
template <class U>
bool RunLessEqual(const U* a, int32_t la, const U* b, int32_t lb) {
    const int32_t n = std::min(la, lb);
    for (int32_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return a[i] < b[i];
    return la == lb;
}

// The first place from `from` to end that holds the byte, or end: eight
// bytes a step, which a name's usual length repays over a library call. In a
// word loaded from memory the first byte is the lowest (little-endian).
inline int32_t FindByte(const uint8_t* name, int32_t from, int32_t end, uint8_t byte) {
    constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    const uint64_t spread = kOnes * byte;
    int32_t s = from;
    for (; end - s >= 8; s += 8) {
        uint64_t word;
        std::memcpy(&word, name + s, 8);
        word ^= spread;  // a zero byte where the byte is
        // The lowest flag marks the first zero byte; a borrow can only flag
        // bytes above a zero one.
        if (const uint64_t zero = (word - kOnes) & ~word & kHighs)
            return s + static_cast<int32_t>(std::countr_zero(zero) >> 3);
    }
    while (s < end && name[s] != byte) ++s;
    return s;
}

// Whether a unit from `from` to end is CR or LF; eight bytes a step for
// narrow names, as in FindByte.
template <class U>
inline bool HasLineBreak(const U* name, int32_t from, int32_t end) {
    int32_t s = from;
    if constexpr (sizeof(U) == 1) {
        constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
        for (; end - s >= 8; s += 8) {
            uint64_t word;
            std::memcpy(&word, name + s, 8);
            const uint64_t lf = word ^ (kOnes * '\n'), cr = word ^ (kOnes * '\r');
            if (((lf - kOnes) & ~lf & kHighs) | ((cr - kOnes) & ~cr & kHighs)) return true;
        }
    }
    for (; s < end; ++s)
        if (name[s] == '\n' || name[s] == '\r') return true;
    return false;
}

// What an element's test gives where it does not match.
constexpr int32_t kNoMatch = -1;

// The name side of a match: units of the range, with every read at or behind
// its end giving 0, so that no element can take units beyond the range.
template <class U, bool Utf8Name>
struct Scan {
    const U* name;
    int32_t end;
    RawCodeKind kind;
    const U* pattern;
    const JobMatcher::ClassItem* items;
    const JobMatcher::AsciiSet* sets;

    uint32_t At(int32_t i) const { return i < end ? name[i] : 0; }

    // The usual name is UTF-8 and mostly ASCII: that case needs no table.
    int32_t Span(int32_t s) const {
        if constexpr (Utf8Name)
            if (name[s] < 0x80) return 1;
        return CharSpan(kind, name, s, end);
    }

    int32_t Escape(uint32_t x, int32_t s) const { return EscapeUnits(x, At(s), At(s + 1)); }

    bool InClass(const JobMatcher::Op& op, int32_t s, int32_t length) const {
        if (op.set >= 0 && length == 1 && name[s] < 0x80) return sets[op.set].Has(name[s]);
        const U* c = name + s;
        for (uint32_t i = op.a; i < static_cast<uint32_t>(op.b); ++i) {
            const JobMatcher::ClassItem& item = items[i];
            switch (item.kind) {
            case ItemEscape:
                if (Escape(item.x, s) > 0) return true;
                break;
            case ItemRange:
                if (RunLessEqual(pattern + item.lo, item.loLength, c, length) &&
                    RunLessEqual(c, length, pattern + item.hi, item.hiLength))
                    return true;
                break;
            default:
                if (item.loLength == length &&
                    std::memcmp(pattern + item.lo, c, sizeof(U) * static_cast<size_t>(length)) == 0)
                    return true;
                break;
            }
        }
        return false;
    }

    // Units the element takes at s, or kNoMatch when it does not match there.
    int32_t Test(const JobMatcher::Op& op, int32_t s) const {
        if (op.test == TestLooseEscape) {
            const int32_t m = Escape(op.a, s);
            return m > 0 ? m : kNoMatch;
        }
        if (s >= end) return kNoMatch;
        switch (op.test) {
        case TestRun: {
            const int32_t n = op.b;
            if (n > end - s) return kNoMatch;
            const U* p = pattern + op.a;
            const U* t = name + s;
            for (int32_t i = 0; i < n; ++i)
                if (p[i] != t[i]) return kNoMatch;
            return n;
        }
        case TestEscape: {
            const int32_t m = Escape(op.a, s);
            return m > 0 ? m : kNoMatch;
        }
        case TestAnyChar:
            return Span(s);
        case TestAnyInLine:
            if (name[s] == '\n' || name[s] == '\r') return kNoMatch;
            return Span(s);
        case TestClass: {
            const int32_t length = Span(s);
            return InClass(op, s, length) ? length : kNoMatch;
        }
        case TestNotClass: {
            if (name[s] == '\n' || name[s] == '\r') return kNoMatch;
            const int32_t length = Span(s);
            return InClass(op, s, length) ? kNoMatch : length;
        }
        default:
            return 0;
        }
    }
};

template <class U>
const U* UnitsOf(const RawString& text);
template <>
const uint8_t* UnitsOf<uint8_t>(const RawString& text) {
    return reinterpret_cast<const uint8_t*>(text.Bytes());
}
template <>
const char16_t* UnitsOf<char16_t>(const RawString& text) {
    return text.Units();
}

}  // namespace

int32_t MatchEscape(const RawString& name, int32_t position, uint32_t x) {
    return EscapeUnits(x, name.UnitAt(position), name.UnitAt(position + 1));
}

void JobMatcher::SetPattern(const RawString& pattern) {
    if (pattern_.SharesBodyWith(pattern) ||
        (pattern_.Kind() == pattern.Kind() && pattern_ == pattern))
        return;
    pattern_ = pattern;
    prepared_ = false;
}

void JobMatcher::Prepare(RawCodeKind kind) {
    if (prepared_ && preparedKind_ == kind) return;
    // Units are compared as they stand, so a pattern meets names of another
    // kind only after conversion into their kind.
    text_ = pattern_.Kind() == kind ? pattern_ : RawString(pattern_, kind);
    form_ = JobExpressionUtility::FormOf(text_);
    ops_.clear();
    items_.clear();
    sets_.clear();
    rows_ = 0;
    if (form_.mode != JobPatternMode::Literal) {
        if (kind == RawCodeKind::Wide) {
            Compile(UnitsOf<char16_t>(text_), text_.Length(), kind);
            FindStarts(UnitsOf<char16_t>(text_), kind);
        } else {
            Compile(UnitsOf<uint8_t>(text_), text_.Length(), kind);
            FindStarts(UnitsOf<uint8_t>(text_), kind);
        }
    } else {
        startsKnown_ = false;
    }
    needs_.assign(ops_.size() + 1, 0);
    for (size_t i = ops_.size(); i-- > 0;) {
        const Op& op = ops_[i];
        int32_t least = 0;
        if (op.repeat != '*' && op.test != TestLooseEscape && op.test != TestNothing)
            least = op.test == TestRun ? op.b : 1;
        needs_[i] = needs_[i + 1] + least;
    }
    runsAndStars_ = form_.mode == JobPatternMode::Wildcard && !ops_.empty() &&
                    (kind == RawCodeKind::Utf8 || kind == RawCodeKind::Wide);
    for (const Op& op : ops_) {
        if (op.test == TestAnyChar && op.repeat == '*') continue;
        bool ascii = op.test == TestRun && op.repeat == 0;
        for (int32_t u = 0; ascii && u < op.b; ++u) ascii = text_.UnitAt(static_cast<int32_t>(op.a) + u) < 0x80;
        if (!ascii) runsAndStars_ = false;
    }
    hits_.reserve(ops_.size());
    choices_.reserve(static_cast<size_t>(rows_));
    prepared_ = true;
    preparedKind_ = kind;
}

template <class U>
void JobMatcher::Compile(const U* t, int32_t pe, RawCodeKind kind) {
    auto at = [&](int32_t i) -> uint32_t { return i < pe ? t[i] : 0; };
    // Neighbouring literal units are compared as one run: it fails exactly
    // when one of its characters would.
    auto literal = [&](int32_t p, int32_t length) {
        if (!ops_.empty()) {
            Op& last = ops_.back();
            if (last.test == TestRun && last.repeat == 0 &&
                last.a + static_cast<uint32_t>(last.b) == static_cast<uint32_t>(p)) {
                last.b += length;
                return;
            }
        }
        Op op;
        op.test = TestRun;
        op.a = static_cast<uint32_t>(p);
        op.b = length;
        ops_.push_back(op);
    };

    int32_t p = form_.bodyStart;
    if (form_.mode == JobPatternMode::Wildcard) {
        while (p < pe) {
            const uint32_t w = t[p];
            Op op;
            if (w == '%') {
                op.test = TestLooseEscape;
                op.a = at(p + 1);
                ops_.push_back(op);
                p += 2;
            } else if (w == '?' || w == '*') {
                op.test = TestAnyChar;
                op.capture = true;
                if (w == '*') {
                    op.repeat = '*';
                    op.row = rows_++;
                    if (!ops_.empty() && ops_.back().repeat == '*') ops_.back().twin = true;
                }
                ops_.push_back(op);
                ++p;
            } else {
                const int32_t length = CharSpan(kind, t, p, pe);
                literal(p, length);
                p += length;
            }
        }
        return;
    }

    // The token text of the last element when it is a repetition.
    int32_t repeatedAt = -1, repeatedLength = 0;
    while (p < pe) {
        const uint32_t w = t[p];
        Op op;
        int32_t length = 1;
        const int32_t tokenAt = p;
        if (w == '%') {
            if (pe - p >= 2) {
                op.test = TestEscape;
                op.a = t[p + 1];
                length = 2;
            } else {
                op.test = TestNothing;
            }
        } else if (w == '.') {
            op.test = TestAnyInLine;
            op.capture = true;
        } else if (w == '[') {
            const bool negated = at(p + 1) == '^';
            op.test = negated ? TestNotClass : TestClass;
            op.capture = true;
            const int32_t first = p + (negated ? 2 : 1);
            int32_t last = pe;
            length = pe - p;
            for (int32_t j = first; j < pe;) {
                if (t[j] == ']') {
                    last = j;
                    length = j - p + 1;
                    break;
                }
                j += t[j] == '%' ? 2 : CharSpan(kind, t, j, pe);
            }
            op.a = static_cast<uint32_t>(items_.size());
            for (int32_t i = first; i < last;) {
                ClassItem item;
                if (t[i] == '%') {
                    item.kind = ItemEscape;
                    item.x = i + 1 < last ? t[i + 1] : 0;
                    i += 2;
                } else {
                    item.lo = i;
                    item.loLength = CharSpan(kind, t, i, last);
                    i += item.loLength;
                    if (i < last && t[i] == '-') {
                        // "[a-]": a range without its upper end, which no
                        // character lies in.
                        item.kind = ItemRange;
                        item.hi = i + 1;
                        item.hiLength = item.hi < last ? CharSpan(kind, t, item.hi, last) : 0;
                        i = item.hi + item.hiLength;
                    } else {
                        item.kind = ItemSingle;
                    }
                }
                items_.push_back(item);
            }
            op.b = static_cast<int32_t>(items_.size());
        } else {
            op.test = TestRun;
            op.a = static_cast<uint32_t>(p);
            length = CharSpan(kind, t, p, pe);
            op.b = length;
        }
        p += length;
        const uint32_t q = at(p);
        if (q == '*' || q == '+') {
            op.repeat = static_cast<uint8_t>(q);
            op.capture = true;
            op.row = rows_++;
            ++p;
            if (repeatedAt >= 0 && repeatedLength == length &&
                std::equal(t + repeatedAt, t + repeatedAt + length, t + tokenAt))
                ops_.back().twin = true;
            repeatedAt = tokenAt;
            repeatedLength = length;
        } else {
            repeatedAt = -1;
            if (op.test == TestRun) {
                literal(static_cast<int32_t>(op.a), op.b);
                continue;
            }
        }
        ops_.push_back(op);
    }

    // A class asked about a one-unit ASCII character answers from a table,
    // filled here by asking it once for each such unit. Only "%N" looks at
    // the unit behind, so a class holding it keeps asking.
    for (Op& op : ops_) {
        if (op.test != TestClass && op.test != TestNotClass) continue;
        bool lineBreak = false;
        for (int32_t i = static_cast<int32_t>(op.a); i < op.b; ++i)
            lineBreak |= items_[static_cast<size_t>(i)].kind == ItemEscape && items_[static_cast<size_t>(i)].x == 'N';
        if (lineBreak) continue;
        AsciiSet set;
        for (uint32_t u = 0; u < 0x80; ++u) {
            const U unit[2] = {static_cast<U>(u), 0};
            const Scan<U, false> one{unit, 1, kind, t, items_.data(), nullptr};
            if (one.InClass(op, 0, 1)) set.bits[u >> 6] |= uint64_t{1} << (u & 63);
        }
        op.set = static_cast<int32_t>(sets_.size());
        sets_.push_back(set);
    }

}


// The one-unit characters a match may start with. Most names that fail fail
// at their first unit; this table turns them down before a search is set up.
// A line break may need the unit behind it, so it is always let through.
template <class U>
void JobMatcher::FindStarts(const U* t, RawCodeKind kind) {
    startsKnown_ = false;
    starts_ = AsciiSet{};
    if (ops_.empty()) return;
    const Op& first = ops_.front();
    if (first.repeat == '*' || first.test == TestLooseEscape || first.test == TestNothing) return;
    for (uint32_t u = 0; u < 0x80; ++u) {
        bool may = u == '\r' || u == '\n';
        if (!may && first.test == TestRun) {
            may = t[first.a] == u;
        } else if (!may) {
            const U unit[2] = {static_cast<U>(u), 0};
            const Scan<U, false> one{unit, 1, kind, t, items_.data(), sets_.data()};
            may = one.Test(first, 0) >= 0;
        }
        if (may) starts_.bits[u >> 6] |= uint64_t{1} << (u & 63);
    }
    startsKnown_ = true;
}

template <class U, bool Utf8Name>
bool JobMatcher::Search(const U* name, RawCodeKind kind, int32_t begin, int32_t end) {
    const U* pattern = UnitsOf<U>(text_);
    const Scan<U, Utf8Name> scan{name, end, kind, pattern, items_.data(), sets_.data()};
    const Op* ops = ops_.data();
    const int32_t* needs = needs_.data();
    const int32_t opCount = static_cast<int32_t>(ops_.size());

    // Unless it may take nothing, the first element must match at the start:
    // most names that fail, fail there, before any table is made ready.
    if (opCount > 0 && ops[0].repeat != '*') {
        const Op& first = ops[0];
        if constexpr (Utf8Name) {
            // A class and an ASCII unit, the usual start: the table answers.
            if (first.set >= 0 && begin < end && name[begin] < 0x80) {
                const uint32_t u = name[begin];
                const bool in = sets_[static_cast<size_t>(first.set)].Has(u);
                if (first.test == TestClass ? !in : in || u == '\n' || u == '\r') return false;
            } else if (scan.Test(first, begin) < 0) {
                return false;
            }
        } else if (scan.Test(first, begin) < 0) {
            return false;
        }
    }

    if (rows_ > 0) {
        if (failedDirty_) {
            std::fill(failed_.begin(), failed_.begin() + static_cast<ptrdiff_t>(failedUsed_), 0);
            failedDirty_ = false;
        }
        stride_ = (end - begin + 1 + 63) / 64;
        failedUsed_ = static_cast<size_t>(rows_) * static_cast<size_t>(stride_);
        if (failed_.size() < failedUsed_) failed_.resize(failedUsed_);
    }

    if (rows_ >= 3) {
        // With several repetitions the search may branch a lot. Every
        // literal must appear somewhere behind the previous one, so a name
        // that lacks one is turned down before any branching.
        int32_t from = begin;
        for (const Op& op : ops_) {
            if (op.test != TestRun || op.repeat != 0) continue;
            const U* run = pattern + op.a;
            const int32_t length = op.b;
            int32_t at = from;
            for (; at + length <= end; ++at)
                if (name[at] == run[0] && std::equal(run + 1, run + length, name + at + 1)) break;
            if (at + length > end) return false;
            from = at + length;
        }
    }

    int32_t i = 0, n = begin;
    for (;;) {
        // Forward: take elements until the pattern ends, one fails, or a
        // repetition opens a choice.
        for (;;) {
            if (i == opCount) {
                if (n >= end) return true;
                break;
            }
            // Too little name left for what the rest must take.
            if (needs[i] > 0 && needs[i] > end - n) break;
            const Op& op = ops[i];
            if (op.repeat == 0) {
                const int32_t m = scan.Test(op, n);
                if (m < 0) break;
                if (op.capture) hits_.emplace_back(n, n + m);
                n += m;
                ++i;
                continue;
            }
            if (n > end || IsFailed(op.row, n - begin)) break;
            if (i + 1 == opCount) {
                // A closing repetition can only succeed by taking the rest of
                // the name, so its shorter runs need no trying.
                if (op.repeat == '+' && n >= end) break;
                // "." takes every character when no unit is a line break.
                const bool noBreak = op.test == TestAnyInLine && !HasLineBreak(name, n, end);
                if (op.test != TestAnyChar && !noBreak) {
                    int32_t s = n;
                    for (int32_t m; s < end && (m = scan.Test(op, s)) > 0;) s += m;
                    if (s < end) break;
                }
                hits_.emplace_back(n, end);
                n = end;
                ++i;
                continue;
            }
            if (op.repeat == '*' && op.test == TestAnyChar && i + 2 == opCount &&
                ops[i + 1].test == TestRun && ops[i + 1].repeat == 0) {
                // "*" and a closing literal: only the run that leaves the
                // literal at the very end can succeed, if a character starts
                // there.
                const int32_t s = end - ops[i + 1].b;
                if (s < n || scan.Test(ops[i + 1], s) < 0) break;
                int32_t t = n;
                while (t < s) t += scan.Span(t);
                if (t != s) break;
                hits_.emplace_back(n, s);
                n = end;
                i += 2;
                continue;
            }
            if (op.twin) {
                // Whatever end a longer run would leave to its twin, the twin
                // reaches from here too: the shortest run is the only one.
                const int32_t m = op.repeat == '*' ? 0 : scan.Test(op, n);
                if (m < 0) break;
                hits_.emplace_back(n, n + m);
                n += m;
                ++i;
                continue;
            }
            if (op.repeat == '*') {
                choices_.push_back({i, n, n, static_cast<int32_t>(hits_.size())});
                hits_.emplace_back(n, n);
                ++i;
                continue;
            }
            const int32_t m = scan.Test(op, n);
            if (m <= 0) break;
            choices_.push_back({i, n, n + m, static_cast<int32_t>(hits_.size())});
            hits_.emplace_back(n, n + m);
            n += m;
            ++i;
        }

        // Backward: the innermost open repetition takes one repetition more;
        // one that cannot is exhausted and fails in turn.
        for (;;) {
            if (choices_.empty()) return false;
            Choice& c = choices_.back();
            hits_.resize(static_cast<size_t>(c.hitCount));
            const Op& op = ops[c.op];
            int32_t next = -1;
            if (op.repeat == '*') {
                // "*" from at tries at first; "+" from at tries behind at.
                const int32_t m = scan.Test(op, c.at);
                if (m > 0) {
                    int32_t s = c.at + m;
                    const Op& after = ops[c.op + 1];
                    if (op.test == TestAnyChar && after.test == TestRun && after.repeat == 0) {
                        // Starts whose unit differs from the literal's first
                        // fail at once: pass over them.
                        const U first = pattern[after.a];
                        if constexpr (Utf8Name) {
                            // An ASCII literal is found by its byte; the place is
                            // a character start unless a lead unit just before
                            // it reaches over it, as only a broken name has.
                            if (first < 0x80 && s < end) {
                                const int32_t p = FindByte(name, s, end, first);
                                bool aligned = true;
                                for (int32_t q = std::max(s, p - RawLayer::kUtf8MostExtraUnits); q < p; ++q)
                                    if (q + RawLayer::Utf8ExtraUnits(name[q]) >= p) aligned = false;
                                if (aligned) s = p;
                            }
                        }
                        while (s < end && name[s] != first) s += scan.Span(s);
                        c.at = s;
                        if (s < end && !IsFailed(op.row, s - begin)) next = s;
                    } else if (!IsFailed(op.row, s - begin)) {
                        next = s;
                    }
                }
            } else if (!IsFailed(op.row, c.at - begin)) {
                const int32_t m = scan.Test(op, c.at);
                if (m > 0) next = c.at + m;
            }
            if (next >= 0 && needs[c.op + 1] > end - next) {
                // Later starts leave even less room.
                c.at = next;
                next = -1;
            }
            if (next >= 0) {
                c.at = next;
                hits_.emplace_back(c.from, next);
                i = c.op + 1;
                n = next;
                break;
            }
            // Every repetition start from c.from to c.at now fails whatever
            // came before it. Nobody asks again once the outermost choice
            // is exhausted, so that one is not recorded.
            if (choices_.size() > 1) {
                for (int32_t s = c.from;;) {
                    SetFailed(op.row, s - begin);
                    if (s >= c.at) break;
                    const int32_t m = scan.Test(op, s);
                    if (m <= 0) break;
                    s += m;
                }
            }
            choices_.pop_back();
        }
    }
}

// Whether the character walk from `from` (a character start) reaches s, which
// it does unless a character before s reaches over it, as only a broken name
// has: the few units before s tell that in most cases.
template <class U, bool Utf8Name>
bool ReachesByWalk(const Scan<U, Utf8Name>& scan, int32_t from, int32_t s) {
    int32_t t = from;
    while (t < s) t += scan.Span(t);
    return t == s;
}

template <class U, bool Utf8Name>
[[gnu::always_inline]] inline bool Reaches(const Scan<U, Utf8Name>& scan, int32_t from, int32_t s) {
    if constexpr (Utf8Name) {
        bool clear = true;
        for (int32_t q = std::max(from, s - RawLayer::kUtf8MostExtraUnits); q < s && clear; ++q)
            clear = scan.name[q] < 0xC2 || q + RawLayer::Utf8ExtraUnits(scan.name[q]) < s;
        if (clear) return true;
    }
    return ReachesByWalk(scan, from, s);
}

// Patterns of ASCII literals and "*": every literal is found at the first
// character start where it stands. That is the search's first answer: a
// literal of one-unit characters leaves the walk on character starts, so a
// later place leaves less name for the rest, and a "*" can take whatever a
// later place would have skipped. A "*" before another "*" takes nothing,
// the last "*" takes the rest, and a closing literal must end the name.
template <class U, bool Utf8Name>
bool JobMatcher::SearchRunsAndStars(const U* name, RawCodeKind kind, int32_t begin, int32_t end) {
    const U* pattern = UnitsOf<U>(text_);
    const Scan<U, Utf8Name> scan{name, end, kind, pattern, items_.data(), sets_.data()};
    const int32_t opCount = static_cast<int32_t>(ops_.size());
    int32_t n = begin;
    int32_t star = -1;  // where the open "*" started
    for (int32_t i = 0; i < opCount; ++i) {
        const Op& op = ops_[static_cast<size_t>(i)];
        if (op.test == TestAnyChar) {
            if (star >= 0) hits_.emplace_back(star, star);
            star = n;
            continue;
        }
        const U* run = pattern + op.a;
        const int32_t length = op.b;
        auto standsAt = [&](int32_t s) {
            for (int32_t k = 0; k < length; ++k)  // short runs: cheaper than a library call
                if (run[k] != name[s + k]) return false;
            return true;
        };
        if (star < 0) {
            if (length > end - n || !standsAt(n)) return false;
            n += length;
            continue;
        }
        int32_t s = end - length;
        if (i + 1 == opCount) {
            if (s < n || !standsAt(s) || !Reaches(scan, n, s)) return false;
        } else {
            const U first = run[0];
            for (s = n;; ++s) {  // s is a character start; an ASCII unit is one character
                if constexpr (Utf8Name) {
                    const int32_t p = FindByte(name, s, end, first);
                    if (p >= end) return false;
                    if (Reaches(scan, s, p)) s = p;
                }
                while (s < end && name[s] != first) s += scan.Span(s);
                if (length > end - s) return false;
                if (standsAt(s)) break;
            }
        }
        hits_.emplace_back(star, s);
        star = -1;
        n = s + length;
    }
    if (star >= 0) {
        hits_.emplace_back(star, end);
        n = end;
    }
    return n >= end;
}

bool JobMatcher::Match(const RawString& name, RawRange range) {
    // The whole name, as nearly every caller asks, needs no clamping call.
    const RawRange r = range.begin == kAll.begin && range.end == kAll.end ? RawRange{0, name.Length()}
                                                                         : name.Clamp(range);
    const RawCodeKind kind = name.Kind();
    if (!prepared_ || preparedKind_ != kind) Prepare(kind);
    hits_.clear();
    choices_.clear();
    bool matched;
    uint32_t start = 0x80;
    if (startsKnown_ && r.begin < r.end)
        start = kind == RawCodeKind::Wide ? name.Units()[r.begin] : static_cast<uint8_t>(name.Bytes()[r.begin]);
    if (start < 0x80 && !starts_.Has(start))
        matched = false;
    else if (form_.mode == JobPatternMode::Literal)
        matched = name.Equal(r, text_, {form_.bodyStart, text_.Length()});
    else if (runsAndStars_ && kind == RawCodeKind::Wide)
        matched = SearchRunsAndStars<char16_t, false>(name.Units(), kind, r.begin, r.end);
    else if (runsAndStars_)
        matched = SearchRunsAndStars<uint8_t, true>(reinterpret_cast<const uint8_t*>(name.Bytes()), kind, r.begin, r.end);
    else if (kind == RawCodeKind::Wide)
        matched = Search<char16_t, false>(name.Units(), kind, r.begin, r.end);
    else if (kind == RawCodeKind::Utf8)
        matched = Search<uint8_t, true>(reinterpret_cast<const uint8_t*>(name.Bytes()), kind, r.begin, r.end);
    else
        matched = Search<uint8_t, false>(reinterpret_cast<const uint8_t*>(name.Bytes()), kind, r.begin, r.end);
    if (form_.negated) {
        hits_.clear();
        return !matched;
    }
    if (!matched) hits_.clear();
    return matched;
}

void JobMatcher::CopyHits(JobHitRangeList* list) const {
    for (const JobHitRange& hit : hits_) list->Append(hit);
}

bool MatchName(JobNameMatch* record, const RawString& name, RawRange range) {
    // One matcher per thread keeps its program while the pattern stays the
    // same, so that a pass over the item list compiles the pattern once.
    thread_local JobMatcher matcher;
    matcher.SetPattern(record->pattern);
    record->hits = JobHitRangeList();
    const bool matched = matcher.Match(name, range);
    if (matched) matcher.CopyHits(&record->hits);
    return matched;
}

}  // namespace JobLayer
