// Template expansion and the solutions that answer a template's parts.
#include "job/JobSolution.h"

namespace JobLayer {

namespace {

// Appends the name's units of the hit to out, converting when out has
// another kind (appending copies units as they stand).
void AppendHit(const RawString& name, const JobHitRange& hit, RawString* out) {
    if (name.Kind() == out->Kind())
        out->AppendRange(name, hit);
    else
        out->Append(RawString(name, hit, out->Kind()));
}

}  // namespace

JobSolution::JobSolution(const RawString& itemName, const JobHitRangeList& matchHits)
    : name(itemName), hits(matchHits) {}

RawString JobSolution::GetLineBreak() const { return RawString(); }

bool JobSolution::FindHit(int32_t index, JobHitRange* hit) const {
    if (index < 0 || index >= hits.Count()) return false;
    auto p = hits.begin();
    for (int32_t i = 0; i < index; ++i) ++p;
    *hit = *p;
    return true;
}

RawString JobSolution::GetPart(int32_t index) const {
    JobHitRange hit;
    if (!FindHit(index, &hit)) return RawString(name.Kind());
    return RawString(name, hit, name.Kind());
}

void JobSolution::AppendPart(int32_t index, RawString* out) const {
    JobHitRange hit;
    if (FindHit(index, &hit)) AppendHit(name, hit, out);
}

RawString JobHitSolution::GetLineBreak() const { return RawString(); }

RawString JobHitSolution::GetPart(int32_t index) const {
    if (index < 0 || index >= count_) return RawString(name_.Kind());
    return RawString(name_, hits_[index], name_.Kind());
}

void JobHitSolution::AppendPart(int32_t index, RawString* out) const {
    if (index >= 0 && index < count_) AppendHit(name_, hits_[index], out);
}

void ExpandTemplate(const RawString& t, const JobExpressionUtility::Situation& situation,
                    RawString* out, const JobTemplateTokens* tokens) {
    if (out->Kind() != t.Kind())
        *out = RawString(t.Kind());
    else
        out->Truncate(0);
    int32_t k = t.UnitAt(0) == '!' ? 1 : 0;
    if (t.UnitAt(k) == '$' && k < t.Length()) {
        out->AppendRange(t, {k + 1, t.Length()});
        return;
    }
    if (t.UnitAt(k) == '@' && k < t.Length()) ++k;
    out->Reserve(t.Length());
    out->AppendRange(t, {0, k});
    const int32_t length = t.Length();
    // In UTF-8 a "%" is a byte of its own, found without asking unit by unit.
    const char* bytes = t.Kind() == RawLayer::RawCodeKind::Utf8 ? t.Bytes() : nullptr;
    for (int32_t p = k; p < length;) {
        // Units up to the next "%" yield themselves; they go in as one run.
        int32_t q = p;
        if (bytes != nullptr) {
            while (q < length && bytes[q] != '%') ++q;
        } else {
            while (q < length && t.UnitAt(q) != '%') ++q;
        }
        if (q > p) {
            out->AppendRange(t, {p, q});
            p = q;
            continue;
        }
        // A hit, the usual escape, goes straight to the situation.
        const uint32_t x = t.UnitAt(p + 1);
        if (x >= '0' && x <= '9') {
            situation.AppendPart(static_cast<int32_t>(x - '0'), out);
            p += 2;
            continue;
        }
        p += ExpandOne(t, p, situation, out, tokens);
    }
}

RawString ExpandTemplate(const RawString& t, const JobExpressionUtility::Situation& situation) {
    RawString result(t.Kind());
    ExpandTemplate(t, situation, &result);
    return result;
}

}  // namespace JobLayer
