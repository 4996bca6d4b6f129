// Hit ranges, the match record, and the matcher that decides whether a name
// matches an Old-name pattern and which pieces of it the wildcards took.
#pragma once

#include <cstdint>
#include <vector>

#include "job/JobExpression.h"
#include "raw/RawList.h"

namespace JobLayer {

using RawLayer::kAll;
using RawLayer::RawCodeKind;
using RawLayer::RawRange;

// One hit: code-unit indexes into the name, end exclusive; may be empty. A
// range like any other, so that it goes to the string operations as it is.
using JobHitRange = RawRange;

class JobRangeListAllocator : public RawLayer::RawListAllocator<JobHitRange> {};
// The hits of one match in pattern order.
class JobHitRangeList : public RawLayer::RawListR<JobRangeListAllocator, JobHitRange> {};

// The record one match works on.
struct JobNameMatch {
    RawString pattern;
    JobHitRangeList hits;  // a fresh list after every match
};

// Whether the range of the name matches the record's pattern (the whole range
// must be consumed); on success the record's hits hold what the pattern took.
bool MatchName(JobNameMatch* record, const RawString& name, RawRange range = kAll);

// Name units the pattern escape "%" x consumes at position, 0 when it does not
// match there. A unit past the end of the name reads as 0.
int32_t MatchEscape(const RawString& name, int32_t position, uint32_t x);

// A pattern prepared once and matched against many names. It keeps its
// program and scratch storage between matches, so that matching a name costs
// no allocation once the matcher has seen a name of that length.
//
// The search order is the plain backtracking one (shortest runs first, hits in
// pattern order), but a repetition that was exhausted from a name position is
// remembered as failed there, whatever hits led to it, so that no match takes
// more than polynomial time. The search keeps its choice points in a vector,
// not on the call stack, so that long patterns cannot overflow the stack.
class JobMatcher {
public:
    JobMatcher() = default;
    explicit JobMatcher(const RawString& pattern) { SetPattern(pattern); }

    // Keeps the prepared program when the text is the one already held.
    void SetPattern(const RawString& pattern);
    const RawString& Pattern() const { return pattern_; }

    bool Match(const RawString& name, RawRange range = kAll);

    // The hits of the last successful match (none for a negated pattern).
    int32_t HitCount() const { return static_cast<int32_t>(hits_.size()); }
    const JobHitRange* Hits() const { return hits_.data(); }
    void CopyHits(JobHitRangeList* list) const;

    // Program elements; declared here so that the vectors below can hold them.
    struct Op {
        uint8_t test = 0;     // an OpTest of the implementation
        uint8_t repeat = 0;   // 0, '*' or '+'
        bool capture = false; // the element appends a hit
        bool twin = false;    // a repetition followed by one of the same token
        uint32_t a = 0;       // first pattern unit, escape unit or first class item
        int32_t b = 0;        // unit count or class item end
        int32_t row = -1;     // failure-table row of a repetition
        int32_t set = -1;     // a class's answers for ASCII units, when known
    };
    struct ClassItem {
        uint8_t kind = 0;  // a ClassItemKind of the implementation
        uint32_t x = 0;
        int32_t lo = 0, loLength = 0, hi = 0, hiLength = 0;
    };
    // Bit u set when the class takes the one-unit character u (u < 128).
    struct AsciiSet {
        uint64_t bits[2] = {0, 0};
        bool Has(uint32_t u) const { return (bits[u >> 6] >> (u & 63)) & 1; }
    };
    struct Choice {
        int32_t op;
        int32_t from;
        int32_t at;
        int32_t hitCount;
    };

private:
    void Prepare(RawCodeKind kind);
    template <class U>
    void Compile(const U* units, int32_t length, RawCodeKind kind);
    template <class U>
    void FindStarts(const U* units, RawCodeKind kind);
    template <class U, bool Utf8Name>
    bool Search(const U* name, RawCodeKind kind, int32_t begin, int32_t end);
    template <class U, bool Utf8Name>
    bool SearchRunsAndStars(const U* name, RawCodeKind kind, int32_t begin, int32_t end);

    bool IsFailed(int32_t row, int32_t column) const {
        const size_t bit = static_cast<size_t>(row) * static_cast<size_t>(stride_) * 64 +
                           static_cast<size_t>(column);
        return (failed_[bit >> 6] >> (bit & 63)) & 1;
    }
    void SetFailed(int32_t row, int32_t column) {
        const size_t bit = static_cast<size_t>(row) * static_cast<size_t>(stride_) * 64 +
                           static_cast<size_t>(column);
        failed_[bit >> 6] |= uint64_t{1} << (bit & 63);
        failedDirty_ = true;
    }

    RawString pattern_;
    RawString text_;  // the pattern in the code kind of the names it meets
    bool prepared_ = false;
    RawCodeKind preparedKind_ = RawCodeKind::Utf8;
    JobPatternForm form_;
    std::vector<Op> ops_;
    std::vector<ClassItem> items_;
    std::vector<AsciiSet> sets_;
    std::vector<int32_t> needs_;  // fewest name units the elements from i on take
    int32_t rows_ = 0;
    // A wildcard pattern of ASCII literals and "*" alone, the common kind.
    bool runsAndStars_ = false;
    // The units below 0x80 that the first element may take, when it must
    // take one.
    AsciiSet starts_;
    bool startsKnown_ = false;

    std::vector<JobHitRange> hits_;
    std::vector<Choice> choices_;
    std::vector<uint64_t> failed_;  // rows_ x (name length + 1) bits
    size_t failedUsed_ = 0;
    int32_t stride_ = 0;  // 64-bit words per row
    bool failedDirty_ = false;
};

}  // namespace JobLayer
