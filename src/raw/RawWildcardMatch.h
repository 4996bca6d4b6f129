// A small wildcard matcher ("?", "*" and "%" escapes) that records what each
// wildcard took; the help launcher picks documents with it.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "raw/RawList.h"
#include "raw/RawString.h"

namespace RawLayer {

class RawWildcardMatch {
public:
    // True when the pattern range matches the text from the start of its range.
    // Capture i (counted from firstCapture) is what the i-th "?" or "*" took.
    bool Match(const RawString& text, RawRange textRange, const RawString& pattern, RawRange patternRange,
               int32_t firstCapture = 0);
    // Appends empty ranges up to index i when needed, then sets capture i.
    void SetCapture(int32_t index, RawRange range);
    RawRange Capture(int32_t index) const;

    bool whole = true;        // the pattern must take the entire text
    bool ignoreCase = false;  // literal units compare with "a".."z" folded
    RawRangeList captures;

private:
    bool MatchFrom(int32_t p, int32_t q, int32_t capture);

    const RawString* text_ = nullptr;
    const RawString* pattern_ = nullptr;
    int32_t textEnd_ = 0;
    int32_t patternEnd_ = 0;
    // (text position, pattern position) pairs known not to match: the answer
    // does not depend on the way there, so backtracking over several "*"
    // stays polynomial instead of exponential.
    std::unordered_set<uint64_t> failed_;
};

}  // namespace RawLayer
