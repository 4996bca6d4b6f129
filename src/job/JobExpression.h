// The two name languages: how an Old-name pattern announces its mode, the
// escape tables, and the template element expander with the Situation it asks.
#pragma once

#include <cstdint>

#include "raw/RawString.h"

namespace JobLayer {

using RawLayer::RawString;

// How the pattern behind an optional leading "!" is read.
enum class JobPatternMode : uint8_t {
    Wildcard = 0,  // "?", "*" and "%" escapes
    Literal = 1,   // "$": the name must equal the text
    Extended = 2,  // "@": tokens, classes and quantifiers
};

// The mode of a pattern and where its body starts (behind "!", "$" or "@").
struct JobPatternForm {
    JobPatternMode mode = JobPatternMode::Wildcard;
    bool negated = false;
    int32_t bodyStart = 0;
};

class JobExpressionUtility {
public:
    // What a template asks for while it is expanded.
    class Situation {
    public:
        virtual ~Situation() = default;
        // The text of "%N".
        virtual RawString GetLineBreak() const;
        // The text of "%0" ... "%9"; index is 0 ... 9.
        virtual RawString GetPart(int32_t index) const;
        // Appends the text of "%index" to out, converted into out's kind. The
        // base goes through GetPart; a solution that can copy straight from
        // its name overrides it so that expansion needs no temporary text.
        virtual void AppendPart(int32_t index, RawString* out) const;
    };

    static JobPatternForm FormOf(const RawString& pattern);
    // The unit a template yields for "%" x when x is no digit and not "N".
    static uint32_t TemplateEscape(uint32_t x);
};

// Expands the template element at position and appends what it yields to out.
// Returns the template units consumed: 1 or 2, and 0 for a position outside
// the template (so that a caller's loop cannot stall on it).
int32_t ExpandOne(const RawString& text, int32_t position,
                  const JobExpressionUtility::Situation& situation, RawString* out);

}  // namespace JobLayer
