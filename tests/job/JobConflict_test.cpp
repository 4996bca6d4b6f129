// The prediction of a run's failures against the run itself, over random trees
// and rules; the named cases and their texts are in the batch tests.
#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "job/JobCondition.h"
#include "job/JobConflict.h"
#include "job/JobFileList.h"
#include "job/JobRename.h"

using namespace JobLayer;
using namespace TestSupport;
using RawLayer::RawString;

namespace {

RawString U8(const std::wstring& wide) { return RawString(Narrow(wide)); }

std::vector<std::string> Contents(const std::wstring& folder) {
    std::vector<std::string> contents;
    for (auto& [path, content] : TreeSnapshot(folder))
        if (!content.empty()) contents.push_back(content);
    std::sort(contents.begin(), contents.end());
    return contents;
}

// Few names, in two cases, so that random rules collide, swap and chain;
// some longer than a word of eight bytes, one beyond ASCII.
const char* const kNames[] = {"a", "b", "c", "A", "B", "a.txt", "b.txt", "Longer name.txt", "Ünïcode.txt"};

std::string Pick(std::mt19937& random, const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
}

bool Chance(std::mt19937& random, int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; }

// A random tree below root: each file holds its own path, so that a lost or
// overwritten file shows in the contents.
void MakeTree(std::mt19937& random, const std::wstring& root, const std::string& relative, int depth,
              std::vector<std::string>* items) {
    const int count = std::uniform_int_distribution<int>(depth == 0 ? 3 : 0, depth == 0 ? 6 : 4)(random);
    std::set<std::string> taken;
    for (int i = 0; i < count; ++i) {
        std::string name = kNames[std::uniform_int_distribution<size_t>(0, std::size(kNames) - 1)(random)];
        std::string folded = name;
        std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
        if (!taken.insert(folded).second) continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        items->push_back(path);
        if (depth < 2 && Chance(random, 35)) {
            ASSERT_TRUE(CreateFolder(root + L"\\" + Widen(path)));
            MakeTree(random, root, path, depth + 1, items);
        } else {
            ASSERT_TRUE(WriteFileBytes(root + L"\\" + Widen(path), path));
        }
    }
}

}  // namespace

// Hundreds of random trees, named items and new names, each predicted and
// then run on disk: every unit the run tries fails exactly when predicted,
// with the run's own text for a refused name, and no file is lost.
TEST(JobConflict, PredictionAgreesWithTheRun) {
    TempDir temp;
    std::map<JobConflict, int> seen;
    const int kCases = 300;
    for (int number = 0; number < kCases; ++number) {
        std::mt19937 random(20250406u + static_cast<unsigned>(number));
        // The named folder may be renamed itself: its contents are watched from above.
        const std::wstring base = temp.Join(L"case" + std::to_wstring(number)), root = base + L"\\R";
        ASSERT_TRUE(CreateFolder(base));
        ASSERT_TRUE(CreateFolder(root));
        std::vector<std::string> items;
        MakeTree(random, root, "", 0, &items);
        if (HasFatalFailure()) return;

        // Named: the whole folder, or some of its items, some twice, in
        // another case, below another named item, or missing.
        JobFileList list;
        std::vector<std::string> named;
        if (Chance(random, 70)) named.push_back("");
        for (int n = std::uniform_int_distribution<int>(named.empty() ? 1 : 0, 3)(random); n > 0; --n)
            named.push_back(Pick(random, items));
        if (Chance(random, 30)) std::reverse(named.begin(), named.end());
        if (Chance(random, 10)) named.push_back("nowhere\\x");
        if (Chance(random, 10)) named.push_back("zz");
        for (const std::string& path : named) {
            std::wstring full = path.empty() ? root : root + L"\\" + Widen(path);
            if (Chance(random, 15)) CharUpperW(full.data() + root.size());
            // A path in wide units lists wide names, which the new names
            // (UTF-8) must meet as the same names.
            list.AddPath(Chance(random, 20) ? RawString(U8(full), RawLayer::RawCodeKind::Wide) : U8(full), true);
        }
        const auto limitation = static_cast<JobCondition::Limitation>(std::discrete_distribution<int32_t>({15, 15, 30, 40})(random));
        JobCondition condition;
        EvaluationPass(list, condition, JobCondition::ViewStyle::TreeView, limitation, "*", "%0");

        // New names by hand: names already there (collisions, swaps and
        // chains), case changes, free names, refused names and no change.
        std::vector<std::string> pool(std::begin(kNames), std::end(kNames));
        pool.insert(pool.end(), {"n", "N", "LONGER NAME.TXT", "ünÏcode.TXT"});  // free names, for two units to take
        for (JobFileUnit& unit : list) {
            // Checked by hand: the same item listed twice may be checked twice.
            if (Chance(random, 10)) unit.Set(JobFileUnit::Checked);
            if (!unit.Has(JobFileUnit::Checked)) continue;
            const std::string name = unit.name.ToUtf8();
            const int roll = std::uniform_int_distribution<int>(0, 99)(random);
            std::string next = name;
            if (roll < 45) next = Pick(random, pool);
            else if (roll < 55) std::transform(next.begin(), next.end(), next.begin(), [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
            else if (roll < 75) next += "_r";
            else if (roll < 82) next = Pick(random, {"", "x.", "y ", "a:b", "..", std::string(256, 'L')});
            unit.newName = RawString(next);
            if (Chance(random, 8)) unit.Clear(JobFileUnit::Checked);
            if (Chance(random, 4)) unit.Set(JobFileUnit::Excluded);
        }

        JobConflictPredictor predictor;
        const int32_t conflicts = predictor.Predict(list);
        std::ostringstream plan;
        for (const JobFileUnit& unit : list)
            if (unit.Has(JobFileUnit::Checked) && !unit.Has(JobFileUnit::Excluded))
                plan << "\n  " << unit.FullPath().ToUtf8() << " -> " << unit.newName.ToUtf8() << ": "
                     << predictor.ReasonOf(unit).ToUtf8();
        SCOPED_TRACE("case " + std::to_string(number) + plan.str());

        const auto before = Contents(base);
        int32_t tried = 0;
        const int32_t failed = RenameRun(list, [&](const JobRenameOutcome& outcome) {
            ++tried;
            const JobConflict predicted = predictor.ConflictOf(*outcome.unit);
            ++seen[predicted];
            EXPECT_EQ(outcome.error != 0, predicted != JobConflict::None)
                << outcome.oldPath.ToUtf8() << " -> " << outcome.newName.ToUtf8() << ": " << outcome.reason.ToUtf8();
            if (RefusedName(outcome.newName) != JobConflict::None) {
                EXPECT_EQ(outcome.reason.ToUtf8(), predictor.ReasonOf(*outcome.unit).ToUtf8());
            }
        });
        EXPECT_EQ(tried, predictor.Planned());
        EXPECT_EQ(failed, conflicts);
        EXPECT_EQ(Contents(base), before);
        if (HasFailure()) return;
    }
    // The cases reach every kind of failure, and many renames pass.
    for (JobConflict kind : {JobConflict::None, JobConflict::EmptyName, JobConflict::ForbiddenUnit,
                             JobConflict::DotName, JobConflict::TrailingSpaceOrDot, JobConflict::TooLong,
                             JobConflict::TakenEarlier, JobConflict::TakenLater, JobConflict::Taken,
                             JobConflict::FolderMissing, JobConflict::ItemMissing}) {
        EXPECT_GT(seen[kind], 0) << static_cast<int>(kind);
    }
}
