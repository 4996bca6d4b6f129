// Mode detection, the template escape table and the template element expander.
#include "job/JobExpression.h"

namespace JobLayer {

namespace {

// Appends text to out; the units are converted first when the kinds differ,
// because appending copies units as they stand.
void AppendConverted(const RawString& text, RawString* out) {
    if (text.IsEmpty()) return;
    if (text.Kind() == out->Kind())
        out->Append(text);
    else
        out->Append(RawString(text, out->Kind()));
}

}  // namespace

RawString JobExpressionUtility::Situation::GetLineBreak() const { return RawString("\r\n"); }

RawString JobExpressionUtility::Situation::GetPart(int32_t index) const {
    RawString digit;
    digit.AppendUnit(static_cast<uint32_t>('0' + index));
    return digit;
}

void JobExpressionUtility::Situation::AppendPart(int32_t index, RawString* out) const {
    AppendConverted(GetPart(index), out);
}

JobPatternForm JobExpressionUtility::FormOf(const RawString& pattern) {
    JobPatternForm form;
    int32_t k = 0;
    if (pattern.UnitAt(0) == '!') {
        form.negated = true;
        k = 1;
    }
    // A unit past the end reads as 0, so a lone "!" falls through to an
    // empty wildcard body.
    const uint32_t letter = pattern.UnitAt(k);
    if (letter == '$') {
        form.mode = JobPatternMode::Literal;
        form.bodyStart = k + 1;
    } else if (letter == '@') {
        form.mode = JobPatternMode::Extended;
        form.bodyStart = k + 1;
    } else {
        form.mode = JobPatternMode::Wildcard;
        form.bodyStart = k;
    }
    return form;
}

uint32_t JobExpressionUtility::TemplateEscape(uint32_t x) {
    switch (x) {
    case 'd': return ';';
    case 'e': return '%';
    case 'n': return '\n';
    case 'q': return '"';
    case 'r': return '\r';
    case 's': return ' ';
    case 't': return '\t';
    default: return x;
    }
}

int32_t ExpandOne(const RawString& text, int32_t position,
                  const JobExpressionUtility::Situation& situation, RawString* out) {
    if (position < 0 || position >= text.Length()) return 0;
    const uint32_t unit = text.UnitAt(position);
    if (unit != '%') {
        out->AppendUnit(unit);
        return 1;
    }
    if (position + 1 >= text.Length()) return 1;
    const uint32_t x = text.UnitAt(position + 1);
    if (x >= '0' && x <= '9')
        situation.AppendPart(static_cast<int32_t>(x - '0'), out);
    else if (x == 'N')
        AppendConverted(situation.GetLineBreak(), out);
    else
        out->AppendUnit(JobExpressionUtility::TemplateEscape(x));
    return 2;
}

}  // namespace JobLayer
