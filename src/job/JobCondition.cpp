// The evaluation of items: eligibility, matching and the new name.
#include "job/JobCondition.h"

#include <cstring>

#include "job/JobConflict.h"
#include "job/JobSolution.h"
#include "raw/RawShell.h"

namespace JobLayer {

using namespace RawLayer;

namespace {

bool Eligible(const JobFileUnit& unit, JobCondition::Limitation limitation) {
    using enum JobCondition::Limitation;
    // An excluded item is out of the rule: the user said so.
    if (unit.Has(JobFileUnit::Excluded)) return false;
    if (unit.Has(JobFileUnit::Dropped) && limitation == Dropped) return true;
    if (unit.Has(JobFileUnit::Folder) && (limitation == Folder || limitation == Both)) return true;
    return unit.Has(JobFileUnit::File) && (limitation == File || limitation == Both);
}

}  // namespace

void JobEvaluator::Prepare(const RawString& templ) {
    if (prepared_ && (templ.SharesBodyWith(template_) || templ == template_)) return;
    template_ = templ;
    usable_ = TemplateFault(templ).IsEmpty();
    tokens_ = ReadTemplateTokens(templ);
    perFolder_ = TemplateCountsPerFolder(templ);
    prepared_ = true;
}

int64_t JobEvaluator::FolderOrdinal(const JobFileUnit& unit) {
    // A folder's units share their parent, so the folded path is looked up
    // once per parent; named items come from anywhere and look up theirs.
    if (unit.parent != nullptr) {
        auto found = byParent_.find(unit.parent);
        if (found != byParent_.end()) return (*found->second)++;
    }
    int64_t* slot = &folders_[FoldedPath(unit.folder)];
    if (unit.parent != nullptr) byParent_.emplace(unit.parent, slot);
    return (*slot)++;
}

void JobEvaluator::EvaluateUnit(JobFileUnit& unit, const JobCondition& condition) {
    unit.Clear(JobFileUnit::Eligible | JobFileUnit::Matched | JobFileUnit::Checked);
    // Only what a run would do is proposed: no stale name from an earlier rule.
    // The earlier name is kept aside: a name that comes out the same keeps it.
    RawString previous = std::move(unit.newName);
    unit.newName = RawString();
    if (!Eligible(unit, condition.limitation)) return;
    unit.Set(JobFileUnit::Eligible);
    matcher_.SetPattern(condition.oldName);
    if (!matcher_.Match(unit.name, {0, unit.name.Length()})) return;
    unit.Set(JobFileUnit::Matched);
    if (condition.newName.IsEmpty()) return;
    // A template whose tokens cannot be read gives no name at all: a guess
    // could rename every item wrongly.
    Prepare(condition.newName);
    if (!usable_) {
        unit.newName = RawString();
        return;
    }
    unit.Set(JobFileUnit::Checked);
    JobHitSolution solution(unit.name, matcher_);
    solution.SetOrdinals(named_++, perFolder_ ? FolderOrdinal(unit) : 0);
    ExpandTemplate(condition.newName, solution, &expansion_, &tokens_);
    RawString converted;
    if (expansion_.Kind() != RawCodeKind::Utf8) converted = RawString(expansion_, RawCodeKind::Utf8);
    const RawString& text = expansion_.Kind() == RawCodeKind::Utf8 ? expansion_ : converted;
    // Control units (from "%n", "%r", "%t" or typed into the template) can
    // never be part of a file name. In UTF-8 each is a byte of its own.
    const char* bytes = text.Bytes();
    const int32_t length = text.Length();
    int32_t kept = 0;
    while (kept < length && (bytes[kept] < 1 || bytes[kept] > 31)) ++kept;
    // A pass that proposes what it proposed before (Enter again, a reload)
    // allocates nothing: over a million items the heap is most of its cost.
    if (kept == length && previous.Kind() == RawCodeKind::Utf8 && previous.Length() == length &&
        std::memcmp(previous.Bytes(), bytes, static_cast<size_t>(length)) == 0) {
        unit.newName = std::move(previous);
        return;
    }
    // A fresh body of its own, so that the next expansion need not detach.
    unit.newName = RawString(bytes, kept);
    for (int32_t i = kept; i < length; ++i)
        if (bytes[i] < 1 || bytes[i] > 31) unit.newName.AppendUnit(static_cast<unsigned char>(bytes[i]));
}

void EvaluateUnit(JobFileUnit& unit, const JobCondition& condition) {
    JobEvaluator evaluator;
    evaluator.EvaluateUnit(unit, condition);
}

uint32_t ForbiddenUnit(const RawString& text) {
    static const RawString forbidden = RawString::MakeLiteral("\\/:*?<>|\"");
    for (int32_t i = 0; i < text.Length(); i += text.CharLength(i))
        if (text.InSet(i, forbidden)) return text.UnitAt(i);
    return 0;
}

uint32_t TemplateForbiddenUnit(const RawString& text) {
    if (!IsExpandedTemplate(text)) return ForbiddenUnit(text);
    static const RawString forbidden = RawString::MakeLiteral("\\/:*?<>|\"");
    for (int32_t i = 0; i < text.Length();) {
        // A faulty token is reported as such (TemplateFault), not by a ":" in it.
        if (text.UnitAt(i) == '%' && text.UnitAt(i + 1) == '{') {
            i += ReadTemplateToken(text, i).length;
            continue;
        }
        if (text.InSet(i, forbidden)) return text.UnitAt(i);
        // "%" and the unit behind it are one element: "%%{" opens no token.
        if (text.UnitAt(i) == '%' && i + 1 < text.Length()) {
            ++i;
            if (text.InSet(i, forbidden)) return text.UnitAt(i);
        }
        i += text.CharLength(i);
    }
    return 0;
}

namespace {

// ASCII letters in lower case; with skipEscapes the unit behind each "%"
// keeps its case, since it names an escape ("%N" is not "%n").
RawString LowerCase(const RawString& text, bool skipEscapes) {
    const RawString source(text, RawCodeKind::Utf8);
    RawString lowered(RawCodeKind::Utf8, source.Length());
    for (int32_t i = 0; i < source.Length(); ++i) {
        const uint32_t u = source.UnitAt(i);
        lowered.AppendUnit(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u);
        if (skipEscapes && u == '%' && i + 1 < source.Length()) lowered.AppendUnit(source.UnitAt(++i));
    }
    return lowered;
}

}  // namespace

int32_t CaseBlindMatches(const JobFileList& list, const JobCondition& condition) {
    JobMatcher matcher(LowerCase(condition.oldName, true));
    int32_t matches = 0;
    for (const JobFileUnit& unit : list)
        if (Eligible(unit, condition.limitation) && matcher.Match(LowerCase(unit.name, false))) ++matches;
    return matches;
}

bool StartEnabled(const JobFileList& list, bool bad) {
    if (bad) return false;
    for (const JobFileUnit& unit : list)
        if (unit.Has(JobFileUnit::Checked) && unit.Checkable()) return true;
    return false;
}

JobPassResult EvaluationPass(JobFileList& list, JobCondition& condition, JobCondition::ViewStyle viewStyle,
                             JobCondition::Limitation limitation, const RawString& oldText, const RawString& newText,
                             JobConflictPredictor* conflicts) {
    // The user's check marks are decisions on proposals: they stand while the
    // proposal stands, and a pass over the same rule changes none of them.
    const bool sameRule = condition.generation > 0 && condition.viewStyle == viewStyle &&
                          condition.limitation == limitation && condition.oldName == oldText &&
                          condition.newName == newText;
    ++condition.generation;
    condition.viewStyle = viewStyle;
    condition.limitation = limitation;
    condition.oldName = oldText;
    ++condition.generation;
    condition.newName = newText;
    ++condition.generation;
    JobPassResult result;
    result.forbidden = TemplateForbiddenUnit(newText);
    result.fault = TemplateFault(newText);
    JobEvaluator evaluator;
    for (JobFileUnit& unit : list) {
        const bool fresh = unit.Has(JobFileUnit::Fresh);
        const bool wasChecked = unit.Has(JobFileUnit::Checked);
        // Shared, not copied: the evaluation keeps the body when the name stays.
        RawString proposed;
        if (unit.Checkable()) proposed = unit.newName;
        unit.Clear(JobFileUnit::Fresh);
        evaluator.EvaluateUnit(unit, condition);
        if (fresh || !unit.Checkable()) continue;
        const bool sameName =
            !proposed.IsEmpty() && (proposed.SharesBodyWith(unit.newName) || proposed == unit.newName);
        if (sameRule || sameName) {
            if (wasChecked) unit.Set(JobFileUnit::Checked);
            else unit.Clear(JobFileUnit::Checked);
        }
    }
    list.UncheckDuplicates();
    if (conflicts != nullptr) conflicts->Predict(list);
    result.startEnabled = StartEnabled(list, result.Bad());
    return result;
}

}  // namespace JobLayer
