#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kxfound.h"

namespace {

struct Ref16 {          // a 16-byte element, as object references are
    uint32_t low;
    uint16_t high;
    uint16_t cls;
    uint32_t ver;
    uint32_t seq;
};

int32_t ByLowHigh(const void* a, const void* b) {
    const auto* x = static_cast<const Ref16*>(a);
    const auto* y = static_cast<const Ref16*>(b);
    if (x->high != y->high) return x->high < y->high ? -1 : 1;
    if (x->low != y->low) return x->low < y->low ? -1 : 1;
    return 0;
}

std::vector<uint32_t> Lows(const KxLList& list) {
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < list.Count(); ++i) out.push_back(static_cast<const Ref16*>(list.At(i))->low);
    return out;
}

TEST(KxLListTest, PositionalOperationsAndEndOfList) {
    KxLList list(sizeof(Ref16), 2);   // small grow step: several growths
    Ref16 out{};
    EXPECT_EQ(list.Get(0, &out), -502);
    EXPECT_EQ(list.Delete(0), -502);
    EXPECT_EQ(list.Insert(1, &out), -502);   // past the end of an empty list

    for (uint32_t i = 0; i < 5; ++i) {
        Ref16 r{i * 10, 0, 0, 0, i};
        ASSERT_EQ(list.Append(&r), 0);
    }
    Ref16 front{99, 0, 0, 0, 0};
    ASSERT_EQ(list.Insert(0, &front), 0);
    Ref16 back{77, 0, 0, 0, 0};
    ASSERT_EQ(list.Insert(list.Count(), &back), 0);   // index Count() appends
    EXPECT_EQ(Lows(list), (std::vector<uint32_t>{99, 0, 10, 20, 30, 40, 77}));

    ASSERT_EQ(list.Get(6, &out), 0);
    EXPECT_EQ(out.low, 77u);
    EXPECT_EQ(list.Get(7, &out), -502);
    EXPECT_EQ(out.low, 77u);   // untouched by the failed Get
    EXPECT_EQ(list.At(7), nullptr);

    ASSERT_EQ(list.Delete(0), 0);
    ASSERT_EQ(list.Delete(5), 0);
    EXPECT_EQ(list.Delete(5), -502);
    EXPECT_EQ(Lows(list), (std::vector<uint32_t>{0, 10, 20, 30, 40}));

    Ref16 mid{55, 0, 0, 0, 0};
    ASSERT_EQ(list.Set(2, &mid), 0);
    EXPECT_EQ(list.Set(5, &mid), -502);
    EXPECT_EQ(Lows(list), (std::vector<uint32_t>{0, 10, 55, 30, 40}));

    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Get(0, &out), -502);
    EXPECT_EQ(list.Append(nullptr), KX_FOUND_E_INVALID);
}

TEST(KxLListTest, InsertingAnElementOfTheSameListWhileItGrows) {
    KxLList list(sizeof(Ref16), 1);   // every insertion moves the storage
    Ref16 r{1, 0, 0, 0, 0};
    ASSERT_EQ(list.Append(&r), 0);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(list.Insert(0, list.At(list.Count() - 1)), 0);
    for (uint32_t i = 0; i < list.Count(); ++i) EXPECT_EQ(static_cast<Ref16*>(list.At(i))->low, 1u);
}

TEST(KxLListTest, CopyIsIndependent) {
    KxLList a(sizeof(uint32_t));
    uint32_t v = 5;
    a.Append(&v);
    KxLList b(a);
    v = 6;
    b.Append(&v);
    EXPECT_EQ(a.Count(), 1u);
    EXPECT_EQ(b.Count(), 2u);
}

TEST(KxCListTest, PointerListOperations) {
    int x = 1, y = 2, z = 3;
    KxCList list(1);
    EXPECT_EQ(list.Get(0), nullptr);
    void* out = &x;
    EXPECT_EQ(list.Get(0, out), -502);

    ASSERT_EQ(list.Append(&x), 0);
    ASSERT_EQ(list.Append(&z), 0);
    ASSERT_EQ(list.Insert(1, &y), 0);
    EXPECT_EQ(list.Insert(4, &y), -502);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Get(1), &y);
    ASSERT_EQ(list.Get(2, out), 0);
    EXPECT_EQ(out, &z);
    EXPECT_EQ(list.Get(3, out), -502);

    KxCList copy(list);   // copies the pointers, not what they point to
    EXPECT_EQ(list.Find(&z), 2);
    ASSERT_EQ(list.Remove(&y), 0);
    EXPECT_EQ(list.Remove(&y), -502);
    EXPECT_EQ(list.Find(&y), -1);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(copy.Count(), 3u);
    EXPECT_EQ(copy.Get(1), &y);

    ASSERT_EQ(list.Delete(0), 0);
    EXPECT_EQ(list.Get(0), &z);
    EXPECT_EQ(list.Delete(1), -502);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(x + y + z, 6);   // pointees untouched
}

TEST(KxVArrayTest, SortedInsertKeepsOrderAndEqualEntriesInInsertionOrder) {
    KxVArray arr(sizeof(Ref16), ByLowHigh, 3);
    // (low, high, seq): high sorts before low; 7/0 comes three times
    const Ref16 input[] = {{7, 0, 0, 0, 1}, {3, 1, 0, 0, 2}, {1, 0, 0, 0, 3}, {7, 0, 0, 0, 4},
                           {0, 2, 0, 0, 5}, {9, 0, 0, 0, 6}, {7, 0, 0, 0, 7}, {0, 0, 0, 0, 8}};
    for (const auto& r : input) ASSERT_EQ(arr.SortedInsert(&r), 0);
    std::vector<uint32_t> seq;
    for (uint32_t i = 0; i < arr.Count(); ++i) seq.push_back(static_cast<const Ref16*>(arr.At(i))->seq);
    EXPECT_EQ(seq, (std::vector<uint32_t>{8, 3, 1, 4, 7, 6, 2, 5}));

    uint32_t at = 0;
    Ref16 again{7, 0, 0, 0, 9};
    ASSERT_EQ(arr.SortedInsert(&again, &at), 0);
    EXPECT_EQ(at, 5u);   // behind the three equal ones
}

TEST(KxVArrayTest, SearchFindsFirstEqualOrGivesInsertPosition) {
    KxVArray arr(sizeof(Ref16), ByLowHigh);
    uint32_t at = 99;
    Ref16 key{5, 0, 0, 0, 0};
    EXPECT_EQ(arr.Search(&key, &at), -502);
    EXPECT_EQ(at, 0u);

    for (uint32_t low : {10u, 20u, 20u, 20u, 30u}) {
        Ref16 r{low, 0, 0, 0, 0};
        arr.SortedInsert(&r);
    }
    struct Case {
        uint32_t low;
        int32_t result;
        uint32_t index;
    } cases[] = {{5, -502, 0}, {10, 0, 0}, {15, -502, 1}, {20, 0, 1}, {25, -502, 4}, {30, 0, 4}, {31, -502, 5}};
    for (const auto& c : cases) {
        Ref16 k{c.low, 0, 0, 0, 0};
        at = 99;
        EXPECT_EQ(arr.Search(&k, &at), c.result) << c.low;
        EXPECT_EQ(at, c.index) << c.low;
    }
    Ref16 k{20, 0, 0, 0, 0};
    EXPECT_EQ(arr.Search(&k), 0);   // index is optional
}

struct Entry {
    uint32_t id;
};

int32_t EntryById(const void* a, const void* b) {
    const Entry* x = *static_cast<Entry* const*>(a);
    const Entry* y = *static_cast<Entry* const*>(b);
    return x->id < y->id ? -1 : (x->id > y->id ? 1 : 0);
}

// A derived list that orders by overriding Compare instead of giving a function.
class DescendingList : public SortList {
public:
    DescendingList() : SortList(sizeof(uint32_t)) {}
    int32_t Compare(const void* a, const void* b) const override {
        const uint32_t x = *static_cast<const uint32_t*>(a), y = *static_cast<const uint32_t*>(b);
        return x > y ? -1 : (x < y ? 1 : 0);
    }
};

TEST(SortListTest, PointerEntriesOrderedThroughTheirTargets) {
    Entry e[] = {{40}, {10}, {30}, {20}};
    SortList list(sizeof(Entry*), EntryById, 50);
    for (auto& x : e) {
        Entry* p = &x;
        ASSERT_EQ(list.Insert(&p), 0);
    }
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < list.Count(); ++i) {
        Entry* p = nullptr;
        ASSERT_EQ(list.Get(i, &p), 0);
        ids.push_back(p->id);
    }
    EXPECT_EQ(ids, (std::vector<uint32_t>{10, 20, 30, 40}));

    Entry probe{30};
    Entry* key = &probe;   // a different object with an equal id is found
    uint32_t at = 0;
    EXPECT_EQ(list.Search(&key, &at), 0);
    EXPECT_EQ(at, 2u);
    ASSERT_EQ(list.Delete(at), 0);
    EXPECT_EQ(list.Search(&key, &at), -502);
    EXPECT_EQ(at, 2u);
    Entry* p = nullptr;
    EXPECT_EQ(list.Get(3, &p), -502);
}

TEST(SortListTest, OverriddenCompareOrdersTheList) {
    DescendingList list;
    for (uint32_t v : {2u, 9u, 4u, 9u, 1u}) ASSERT_EQ(list.Insert(&v), 0);
    std::vector<uint32_t> got;
    for (uint32_t i = 0; i < list.Count(); ++i) got.push_back(*static_cast<const uint32_t*>(list.At(i)));
    EXPECT_EQ(got, (std::vector<uint32_t>{9, 9, 4, 2, 1}));
    uint32_t four = 4, at = 0;
    EXPECT_EQ(list.Search(&four, &at), 0);
    EXPECT_EQ(at, 2u);
}

}  // namespace
