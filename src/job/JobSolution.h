// Building a new name: template expansion against the hits of a match.
#pragma once

#include <cstdint>

#include "job/JobExpression.h"
#include "job/JobHitRange.h"

namespace JobLayer {

// The Situation of one rename: the item's name and the hits its match made.
class JobSolution : public JobExpressionUtility::Situation {
public:
    JobSolution(const RawString& itemName, const JobHitRangeList& matchHits);

    // A new name never holds a line break.
    RawString GetLineBreak() const override;
    // The name's units of hit index, in the name's kind; empty without such a hit.
    RawString GetPart(int32_t index) const override;
    void AppendPart(int32_t index, RawString* out) const override;
    RawString GetName() const override { return name; }

    RawString name;
    JobHitRangeList hits;  // shares the body of the match's list

private:
    bool FindHit(int32_t index, JobHitRange* hit) const;
};

// A solution over hits held elsewhere, such as a matcher's, for loops that
// match and expand many names without building a hit list for each. The name
// and the hits must outlive it.
class JobHitSolution : public JobExpressionUtility::Situation {
public:
    JobHitSolution(const RawString& itemName, const JobHitRange* hits, int32_t count)
        : name_(itemName), hits_(hits), count_(count) {}
    explicit JobHitSolution(const RawString& itemName, const JobMatcher& matcher)
        : JobHitSolution(itemName, matcher.Hits(), matcher.HitCount()) {}

    RawString GetLineBreak() const override;
    RawString GetPart(int32_t index) const override;
    void AppendPart(int32_t index, RawString* out) const override;
    RawString GetName() const override { return name_; }
    int64_t GetOrdinal(bool perFolder) const override { return perFolder ? folderOrdinal_ : ordinal_; }

    // The item's place among those that receive a new name: in the pass and
    // in its folder, from 0.
    void SetOrdinals(int64_t ordinal, int64_t folderOrdinal) {
        ordinal_ = ordinal;
        folderOrdinal_ = folderOrdinal;
    }

private:
    const RawString& name_;
    const JobHitRange* hits_;
    int32_t count_;
    int64_t ordinal_ = 0;
    int64_t folderOrdinal_ = 0;
};

// The new text the template t yields in the situation, in t's kind.
RawString ExpandTemplate(const RawString& t, const JobExpressionUtility::Situation& situation);
// The same into out, which keeps its buffer (and so needs no allocation once
// it is large enough); out takes t's kind.
// tokens, when given, are t's own (ReadTemplateTokens).
void ExpandTemplate(const RawString& t, const JobExpressionUtility::Situation& situation,
                    RawString* out, const JobTemplateTokens* tokens = nullptr);

}  // namespace JobLayer
