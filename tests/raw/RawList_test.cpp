// Lists: sorting against the textbook recursion, key lookups, sharing, arrays.
#include "raw/RawList.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace RawLayer;

namespace {

std::vector<std::string> Texts(const RawStringList& list) {
    std::vector<std::string> out;
    for (const RawString& s : list) out.push_back(s.ToUtf8());
    return out;
}

RawStringList Make(std::initializer_list<const char*> texts) {
    RawStringList list;
    for (const char* t : texts) list.Append(RawString(t));
    return list;
}

// The list quicksort written as the plain recursion over a vector, used to
// check that the production sort produces the very same order, ties included.
void ReferenceSort(std::vector<std::pair<int, int>>& v, size_t first, size_t stop) {
    while (first < stop) {
        const auto pivot = v[first];
        std::vector<std::pair<int, int>> left, rest;
        for (size_t i = first + 1; i < stop; ++i) {
            if (pivot.first > v[i].first)
                left.insert(left.begin(), v[i]);
            else
                rest.push_back(v[i]);
        }
        size_t at = first;
        for (auto& u : left) v[at++] = u;
        const size_t pivotAt = at;
        v[at++] = pivot;
        for (auto& u : rest) v[at++] = u;
        ReferenceSort(v, first, pivotAt);
        first = pivotAt + 1;
    }
}

struct KeyedUnit {
    int key;
    int id;
};
class KeyedListAllocator : public RawListAllocator<KeyedUnit> {};
class KeyedList : public RawListR<KeyedListAllocator, KeyedUnit> {};
class KeyedSort : public RawListSortR<KeyedUnit> {
public:
    int CompareUnits(const KeyedUnit& a, const KeyedUnit& b) override { return a.key - b.key; }
};

int gDeleted = 0;
class CountingAllocator : public RawListAllocator<int> {
public:
    void DeleteUnit(int* unit) override {
        ++gDeleted;
        delete unit;
    }
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
    struct Case {
        std::vector<const char*> input;
        std::vector<std::string> sorted;
    };
    RawStringList empty;
    RawStringListSort sorter;
    empty.Sort(sorter);
    EXPECT_EQ(empty.Count(), 0);

    RawStringList one = Make({"x"});
    one.Sort(sorter);
    EXPECT_EQ(Texts(one), std::vector<std::string>{"x"});

    RawStringList mixed = Make({"b", "a", "B", "A"});
    mixed.Sort(sorter);
    EXPECT_EQ(Texts(mixed), (std::vector<std::string>{"A", "B", "a", "b"}));
    EXPECT_EQ(mixed.Count(), 4);

    RawStringList prefixes = Make({"abc", "ab", "", "abd", "\xC3\xA4", "Z"});
    prefixes.Sort(sorter);
    EXPECT_EQ(Texts(prefixes), (std::vector<std::string>{"", "Z", "ab", "abc", "abd", "\xC3\xA4"}));
}

TEST(RawListSort, SameOrderAsTheRecursiveDefinition) {
    std::mt19937 random(7);
    KeyedSort sorter;
    for (int round = 0; round < 300; ++round) {
        const int n = static_cast<int>(random() % 40);
        const int spread = 1 + static_cast<int>(random() % 8);  // few keys: many ties
        std::vector<std::pair<int, int>> expected;
        KeyedList list;
        for (int i = 0; i < n; ++i) {
            const int key = static_cast<int>(random() % spread);
            expected.emplace_back(key, i);
            list.Append(KeyedUnit{key, i});
        }
        if (round % 5 == 0) std::sort(expected.begin(), expected.end());  // presorted input
        if (round % 5 == 0) {
            list.Clear();
            for (auto& e : expected) list.Append(KeyedUnit{e.first, e.second});
        }
        ReferenceSort(expected, 0, expected.size());
        list.Sort(sorter);
        std::vector<std::pair<int, int>> got;
        for (const KeyedUnit& u : list) got.emplace_back(u.key, u.id);
        ASSERT_EQ(got, expected) << "round " << round;
        ASSERT_EQ(list.Count(), n);
    }
}

TEST(RawListSort, LongDescendingListDoesNotExhaustTheStack) {
    KeyedList list;
    const int n = 20000;
    for (int i = 0; i < n; ++i) list.Append(KeyedUnit{(i % 2) ? i : n - i, i});
    KeyedSort sorter;
    list.Sort(sorter);
    int previous = -1;
    for (const KeyedUnit& u : list) {
        EXPECT_LE(previous, u.key);
        previous = u.key;
    }
}

TEST(RawList, KeysSharingAndRelease) {
    RawParameterList params;
    params.Add("Key", "1");
    params.Add("key", "2");
    EXPECT_EQ(params.Value("KEY").ToUtf8(), "1");
    params.SetExactKeys(true);
    EXPECT_FALSE(params.Contains("KEY"));
    EXPECT_EQ(params.Value("key").ToUtf8(), "2");

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
    EXPECT_EQ(strings.Count(), 3);
    EXPECT_EQ(copy.Count(), 4);
    auto next = copy.Remove(copy.begin());
    EXPECT_EQ(next->ToUtf8(), "b");
    EXPECT_EQ(copy.Count(), 3);

    gDeleted = 0;
    {
        CountingList counting;
        counting.Append(1);
        counting.Append(2);
        CountingList second(counting);
    }
    EXPECT_EQ(gDeleted, 2);

    gForeign = 0;
    int records[2] = {1, 2};
    {
        ForeignList foreign;
        foreign.Adopt(&records[0]);
        foreign.Adopt(&records[1]);
    }
    EXPECT_EQ(gForeign, 2);  // handed back, not freed
    EXPECT_EQ(records[1], 2);
}

TEST(RawArrayC, CopyOnWriteAndGrowth) {
    RawArrayC<int> a;
    for (int i = 0; i < 11; ++i) a.Append(i);
    EXPECT_EQ(a.Count(), 11);
    EXPECT_EQ(a.Allocated(), 20);
    RawArrayC<int> b(a);
    EXPECT_TRUE(b.SharesStorageWith(a));
    b.At(0) = 99;
    EXPECT_FALSE(b.SharesStorageWith(a));
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(b[0], 99);
    EXPECT_EQ(b[10], 10);
    b.Resize(37);
    EXPECT_EQ(b.Allocated(), 40);
}
