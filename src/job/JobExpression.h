// The two name languages: how an Old-name pattern announces its mode, the
// escape tables, and the template element expander with the Situation it asks.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

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
        // The item's whole name, for "%{name}" and "%{ext}"; the base has none.
        virtual RawString GetName() const;
        // How many items received a new name before this one in the pass
        // (perFolder false) or in its own folder; the base answers 0.
        virtual int64_t GetOrdinal(bool perFolder) const;
    };

    static JobPatternForm FormOf(const RawString& pattern);
    // The unit a template yields for "%" x when x is no digit and not "N".
    static uint32_t TemplateEscape(uint32_t x);
};

// A "%{...}" token of a New-name template.
struct JobTemplateToken {
    enum class Kind : uint8_t {
        Counter,        // %{n...}: over the pass
        FolderCounter,  // %{f...}: afresh in each folder
        PaddedPart,     // %{0:W}: a hit of digits with leading zeros
        UpperPart,      // %{0:upper}
        LowerPart,      // %{0:lower}
        TitlePart,      // %{0:title}
        Name,           // %{name}: the old name without its last extension
        Extension,      // %{ext}: that extension without the dot
    };
    enum class Fault : uint8_t { None, Unclosed, Unknown, Width, Number };

    Kind kind = Kind::Counter;
    Fault fault = Fault::None;
    int32_t part = 0;   // the hit index of the part kinds
    int32_t width = 1;  // at least this many digits
    int64_t start = 1;
    int64_t step = 1;
    int32_t length = 0;  // template units from "%" to "}", or to the end when unclosed

    static constexpr int32_t kMostWidth = 32;
};

// Reads the token whose "%{" stands at position; a token with a fault yields
// nothing and still covers what was read, so that a message can quote it.
JobTemplateToken ReadTemplateToken(const RawString& text, int32_t position);
// Whether the template text is expanded element by element (not "$" or "!$").
bool IsExpandedTemplate(const RawString& text);
// What stops a template from being used, naming its first faulty token, such
// as «the token "%{x}" is unknown»; empty when it can be used.
RawString TemplateFault(const RawString& text);
// Whether the template counts items afresh in each folder ("%{f...}").
bool TemplateCountsPerFolder(const RawString& text);

// The "%{...}" tokens of a template by position, read once for a template
// that is expanded over many items.
using JobTemplateTokens = std::vector<std::pair<int32_t, JobTemplateToken>>;
JobTemplateTokens ReadTemplateTokens(const RawString& text);

// Expands the template element at position and appends what it yields to out.
// Returns the template units consumed: 1, 2 or a token's length, and 0 for a
// position outside the template (so that a caller's loop cannot stall on it).
// tokens, when given, are the template's own, read before.
int32_t ExpandOne(const RawString& text, int32_t position,
                  const JobExpressionUtility::Situation& situation, RawString* out,
                  const JobTemplateTokens* tokens = nullptr);

}  // namespace JobLayer
