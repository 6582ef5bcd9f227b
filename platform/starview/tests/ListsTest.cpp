// Container, List and Table: positions, null entries, the cursor, key order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "svbasics.h"

namespace {

int a = 1, b = 2, c = 3, d = 4;

std::vector<void*> Entries(const Container& list) {
    std::vector<void*> out;
    for (uint32_t i = 0; i < list.Count(); ++i) out.push_back(list.GetObject(i));
    return out;
}

TEST(ContainerTest, CursorAfterRemovingEntries) {
    struct Case {
        const char* what;
        uint32_t current;  // the cursor before the removal
        uint32_t removed;  // position removed
        void* nowCurrent;  // the entry current afterwards
    };
    const Case cases[] = {
        {"current in the middle", 1, 1, &c},
        {"current last", 3, 3, &c},
        {"entry before the current", 2, 0, &c},
        {"entry after the current", 1, 3, &b},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Container list;
        for (int* p : {&a, &b, &c, &d}) list.Insert(p, CONTAINER_APPEND);
        list.Seek(k.current);
        EXPECT_NE(list.Remove(k.removed), nullptr);
        EXPECT_EQ(list.GetCurObject(), k.nowCurrent);
        EXPECT_EQ(list.GetCurPos(), list.GetPos(k.nowCurrent));
    }

    Container one;
    one.Insert(&a, CONTAINER_APPEND);
    one.First();
    EXPECT_EQ(one.Remove(), &a);
    EXPECT_EQ(one.GetCurObject(), nullptr);
    EXPECT_EQ(one.GetCurPos(), CONTAINER_ENTRY_NOTFOUND);
    EXPECT_EQ(one.Next(), nullptr);
}

TEST(ContainerTest, NullEntriesPositionsAndAbsentObjects) {
    List list;
    list.Insert(&a, CONTAINER_APPEND);
    list.Insert(nullptr, CONTAINER_APPEND);
    list.Insert(&c, CONTAINER_APPEND);
    list.Insert(&b, 1);            // before the null entry
    list.Insert(&d, &c);           // before c
    list.Insert(&a, 99);           // past the end: appended
    EXPECT_EQ(Entries(list), (std::vector<void*>{&a, &b, nullptr, &d, &c, &a}));
    EXPECT_EQ(list.GetPos(nullptr), 2u);
    EXPECT_EQ(list.GetPos(&a), 0u);  // the first occurrence
    int absent = 0;
    EXPECT_EQ(list.GetPos(&absent), CONTAINER_ENTRY_NOTFOUND);
    EXPECT_EQ(list.Remove(&absent), nullptr);
    EXPECT_EQ(list.Replace(&absent, &absent), nullptr);
    EXPECT_EQ(list.Count(), 6u);

    EXPECT_EQ(list.Seek(&d), &d);
    EXPECT_EQ(list.Replace(&b), &d);
    EXPECT_EQ(list.GetObject(3), &b);
    EXPECT_EQ(list.Seek(0u), &a);
    EXPECT_EQ(list.Prev(), nullptr);  // no move before the first
    EXPECT_EQ(list.GetCurPos(), 0u);
    EXPECT_EQ(list.Last(), &a);
    EXPECT_EQ(list.Next(), nullptr);  // no move past the last
    EXPECT_EQ(list.GetCurPos(), 5u);
    EXPECT_EQ(list.Seek(uint32_t(42)), nullptr);
    EXPECT_EQ(list.GetCurPos(), 5u);

    // Insert at the cursor: before the current entry, which the new one replaces as current.
    list.Seek(2u);
    list.Insert(&d);
    EXPECT_EQ(list.GetCurObject(), &d);
    EXPECT_EQ(list.GetObject(3), nullptr);

    List copy(list);
    EXPECT_TRUE(copy == list);
    copy.Remove(0u);
    EXPECT_TRUE(copy != list);
}

TEST(ContainerTest, SizeGivesNullSlots) {
    Container items(1024, 16, 16);
    items.SetSize(3);
    EXPECT_EQ(items.GetSize(), 3u);
    EXPECT_EQ(items.Count(), 3u);
    EXPECT_EQ(Entries(items), (std::vector<void*>{nullptr, nullptr, nullptr}));
    items.Replace(&b, 1u);
    items.Seek(2u);
    items.SetSize(2);
    EXPECT_EQ(Entries(items), (std::vector<void*>{nullptr, &b}));
    EXPECT_EQ(items.GetCurPos(), 1u);
    items.Clear();
    EXPECT_EQ(items.Count(), 0u);
    EXPECT_EQ(items.First(), nullptr);
}

TEST(TableTest, RefusesPresentKeysAndWalksInKeyOrder) {
    Table table(16, 16);
    const TableKey big = TableKey(1) << 40;
    struct Insert {
        TableKey key;
        void* p;
        bool accepted;
    };
    const Insert inserts[] = {
        {big + 5, &a, true}, {7, &b, true}, {big, &c, true}, {7, &d, false}, {0x100000000ull, &d, true},
        {big + 5, &b, false},
    };
    for (const Insert& i : inserts) EXPECT_EQ(table.Insert(i.key, i.p), i.accepted) << i.key;
    EXPECT_EQ(table.Count(), 4u);
    EXPECT_EQ(table.Get(7), &b);  // the refused insert left the first entry
    EXPECT_TRUE(table.IsKeyValid(big));
    EXPECT_FALSE(table.IsKeyValid(big + 1));
    EXPECT_EQ(table.Get(big + 1), nullptr);

    std::vector<TableKey> keys;
    std::vector<void*> objects;
    for (void* p = table.First(); p != nullptr; p = table.Next()) {
        keys.push_back(table.GetCurKey());
        objects.push_back(p);
    }
    EXPECT_EQ(keys, (std::vector<TableKey>{7, 0x100000000ull, big, big + 5}));
    EXPECT_EQ(objects, (std::vector<void*>{&b, &d, &c, &a}));

    // Removing the last entry, as a table of levels does; then the one under the cursor.
    table.Last();
    EXPECT_EQ(table.Remove(table.GetCurKey()), &a);
    EXPECT_EQ(table.GetCurKey(), big);
    EXPECT_EQ(table.Remove(big), &c);
    EXPECT_EQ(table.GetCurKey(), 0x100000000ull);
    EXPECT_EQ(table.Remove(12345), nullptr);
    EXPECT_EQ(table.Replace(7, &c), &b);
    EXPECT_EQ(table.Get(7), &c);
    EXPECT_EQ(table.Replace(8, &c), nullptr);
    EXPECT_FALSE(table.IsKeyValid(8));

    Table copy(table);
    EXPECT_TRUE(copy == table);
    copy.Clear();
    EXPECT_TRUE(copy != table);
    EXPECT_EQ(copy.GetCurKey(), TABLE_ENTRY_NOTFOUND);
}

struct Counter {
    long calls = 0;
    SV_DECL_LINK(Hit, int*);
};

SV_IMPL_LINK(Counter, Hit, int*, caller) { return *caller + ++calls; }

TEST(LinkTest, CallsItsStubOrAnswersZero) {
    Counter counter;
    const Link link = SV_LINK(&counter, Counter, Hit);
    int caller = 5;
    EXPECT_EQ(link.Call(&caller), 6);
    EXPECT_EQ(link.Call(&caller), 7);
    EXPECT_TRUE(link.IsSet());
    EXPECT_FALSE(!link);
    EXPECT_EQ(Link().Call(&caller), 0);
    EXPECT_TRUE(!Link());
    EXPECT_EQ(link, Link(&counter, &Counter::LinkStubHit));
    EXPECT_NE(link, Link());
}

}  // namespace
