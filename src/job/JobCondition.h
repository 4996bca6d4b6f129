// Deciding, for every item, whether the rule applies and what its new name is.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "job/JobExpression.h"
#include "job/JobFileList.h"
#include "job/JobHitRange.h"

namespace JobLayer {

struct JobCondition {
    enum class Limitation : int32_t { Dropped = 0, Folder = 1, File = 2, Both = 3 };
    enum class ViewStyle : int32_t { TreeView = 0, MatchedList = 1 };

    ViewStyle viewStyle = ViewStyle::TreeView;
    Limitation limitation = Limitation::Dropped;
    RawString oldName;  // the pattern
    RawString newName;  // the template
    int32_t generation = 0;
};

// Evaluates units against one condition, keeping the prepared pattern and
// its scratch storage from one unit to the next.
// Counters in the template number the units that receive a new name in the
// order they are evaluated, so one evaluator serves one pass.
class JobEvaluator {
public:
    void EvaluateUnit(JobFileUnit& unit, const JobCondition& condition);

private:
    void Prepare(const RawString& templ);
    int64_t FolderOrdinal(const JobFileUnit& unit);

    JobMatcher matcher_;
    RawString expansion_;
    RawString template_;  // the template the four below were found for
    JobTemplateTokens tokens_;
    bool usable_ = true;
    bool perFolder_ = false;
    bool prepared_ = false;
    int64_t named_ = 0;  // units that received a new name so far
    std::unordered_map<std::u16string, int64_t> folders_;  // by the folded folder path
    std::unordered_map<const JobFileUnit*, int64_t*> byParent_;
};

// One unit on its own (the pattern is prepared for this call alone).
void EvaluateUnit(JobFileUnit& unit, const JobCondition& condition);

// The first unit of the text that no file name may hold ("\/:*?<>|" and the
// double quote), walking by character; 0 when there is none.
uint32_t ForbiddenUnit(const RawString& text);
// The same for a New-name template: what its "%{...}" tokens hold is no
// part of a name (":" there separates their numbers).
uint32_t TemplateForbiddenUnit(const RawString& text);

// Whether "Start !" may be pressed: the template is good and some unit is
// checked, matched and has a new name.
bool StartEnabled(const JobFileList& list, bool bad);

// How many units eligible under the condition would match its pattern if
// case did not count (ASCII letters), so that a pass that matches nothing
// can tell the user why. The matching of a pass itself is case-sensitive.
int32_t CaseBlindMatches(const JobFileList& list, const JobCondition& condition);

class JobConflictPredictor;

struct JobPassResult {
    uint32_t forbidden = 0;  // the forbidden unit of the template, 0 when good
    RawString fault;         // why the template's tokens cannot be used; empty when they can
    bool startEnabled = false;

    // A template that may not run: "Start !" stays disabled.
    bool Bad() const { return forbidden != 0 || !fault.IsEmpty(); }
};

// One evaluation pass over the whole list with the given texts and choices;
// the predictor, when given, predicts the outcome of the run it leaves checked.
JobPassResult EvaluationPass(JobFileList& list, JobCondition& condition, JobCondition::ViewStyle viewStyle,
                             JobCondition::Limitation limitation, const RawString& oldText, const RawString& newText,
                             JobConflictPredictor* conflicts = nullptr);

}  // namespace JobLayer
