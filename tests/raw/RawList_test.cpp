// Lists: sorting, key lookups, sharing and release, arrays.
#include "raw/RawList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace RawLayer;

namespace {

std::vector<std::string> Texts(const RawStringList& list) {
    std::vector<std::string> out;
    for (const RawString& s : list) out.push_back(s.ToUtf8());
    return out;
}

RawStringList Make(std::vector<const char*> texts) {
    RawStringList list;
    for (const char* t : texts) list.Append(RawString(t));
    return list;
}

struct KeyedUnit { int key; int id; };
class KeyedListAllocator : public RawListAllocator<KeyedUnit> {};
class KeyedList : public RawListR<KeyedListAllocator, KeyedUnit> {};
class KeyedSort : public RawListSortR<KeyedUnit> {
public:
    int CompareUnits(const KeyedUnit& a, const KeyedUnit& b) override { return a.key - b.key; }
};

int gDeleted = 0;
class CountingAllocator : public RawListAllocator<int> {
public:
    void DeleteUnit(int* unit) override { ++gDeleted, delete unit; }
};
class CountingList : public RawListR<CountingAllocator, int> {};

int gForeign = 0;
class ForeignAllocator : public RawListAllocator<int> {
public:
    void DeleteUnit(int*) override { ++gForeign; }  // records are owned elsewhere
};
class ForeignList : public RawListP<ForeignAllocator, int> {};

}  // namespace

TEST(RawListSort, StringOrder) {
    const std::pair<std::vector<const char*>, std::vector<std::string>> cases[] = {
        {{}, {}}, {{"x"}, {"x"}}, {{"b", "a", "B", "A"}, {"A", "B", "a", "b"}},
        {{"abc", "ab", "", "abd", "\xC3\xA4", "Z"}, {"", "Z", "ab", "abc", "abd", "\xC3\xA4"}},
    };
    RawStringListSort sorter;
    for (const auto& [input, sorted] : cases) {
        RawStringList list = Make(input);
        list.Sort(sorter);
        EXPECT_EQ(Texts(list), sorted);
        EXPECT_EQ(list.Count(), static_cast<int32_t>(sorted.size()));
    }
}

// Random lists with many ties, presorted lists and a long zigzag come out in
// key order with every unit kept; the last would exhaust the stack of a sort
// that recursed into both halves.
TEST(RawListSort, KeyOrderEveryUnitKeptAndNoDeepRecursion) {
    std::mt19937 random(7);
    KeyedSort sorter;
    for (int round = 0; round <= 300; ++round) {
        const int n = round == 300 ? 20000 : static_cast<int>(random() % 40);
        const int spread = 1 + static_cast<int>(random() % 8);  // few keys: many ties
        std::vector<std::pair<int, int>> expected;
        for (int i = 0; i < n; ++i)
            expected.emplace_back(round == 300 ? ((i % 2) ? i : n - i) : static_cast<int>(random() % spread), i);
        if (round % 5 == 0 && n < 40) std::sort(expected.begin(), expected.end());  // presorted input
        KeyedList list;
        for (auto& [key, id] : expected) list.Append(KeyedUnit{key, id});
        list.Sort(sorter);
        std::vector<std::pair<int, int>> got;
        for (const KeyedUnit& u : list) got.emplace_back(u.key, u.id);
        ASSERT_TRUE(std::is_sorted(got.begin(), got.end(), [](auto& x, auto& y) { return x.first < y.first; }));
        std::sort(got.begin(), got.end());
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(got, expected) << "round " << round;
        ASSERT_EQ(list.Count(), n);
    }
}

TEST(RawList, KeysSharingAndRelease) {
    // Keys ignore ASCII case and the first of equal keys wins, unless keys are exact.
    RawParameterList params;
    params.Add("Key", "1");
    params.Add("key", "2");
    EXPECT_EQ(params.Value("KEY").ToUtf8(), "1");
    params.SetExactKeys(true);
    EXPECT_TRUE(!params.Contains("KEY") && params.Value("key").ToUtf8() == "2");

    RawStringList strings = Make({"a"});
    RawStringList shared(strings);
    EXPECT_TRUE(shared.SharesBodyWith(strings));
    shared.Append(RawString("b"));
    EXPECT_EQ(Texts(strings), (std::vector<std::string>{"a", "b"}));
    strings.AddIfMissing("A");  // found ignoring case
    strings.AddIfMissing("c");
    EXPECT_EQ(Texts(shared), (std::vector<std::string>{"a", "b", "c"}));

    RawStringList copy;
    copy.Assign(strings);
    copy.Append(RawString("d"));
    EXPECT_EQ(copy.Remove(copy.begin())->ToUtf8(), "b");
    EXPECT_EQ(Texts(copy), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(strings.Count(), 3);

    // The last handle of an owning list frees its units once; a list of
    // records owned elsewhere hands them back instead.
    gDeleted = gForeign = 0;
    int records[2] = {1, 2};
    {
        CountingList counting;
        counting.Append(1);
        counting.Append(2);
        CountingList second(counting);
        ForeignList foreign;
        foreign.Adopt(&records[0]);
        foreign.Adopt(&records[1]);
    }
    EXPECT_EQ(std::tuple(gDeleted, gForeign, records[1]), std::tuple(2, 2, 2));
}

TEST(RawArrayC, CopyOnWrite) {
    RawArrayC<int> a;
    for (int i = 0; i < 11; ++i) a.Append(i);
    RawArrayC<int> b(a);
    EXPECT_TRUE(b.SharesStorageWith(a));
    b.At(0) = 99;
    b.Resize(37);
    EXPECT_FALSE(b.SharesStorageWith(a));
    EXPECT_EQ(std::tuple(a[0], a.Count(), b[0], b[10], b.Count()), std::tuple(0, 11, 99, 10, 37));
}
