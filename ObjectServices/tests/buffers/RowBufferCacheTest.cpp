// The per-transaction row-buffer cache.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "KxGRowBufferCache.h"
#include "KxGSQLBuffer.h"
#include "RecordingDatabase.h"

namespace {

KxGSQLObjectBuffer* OneRow(KxGDatabase* db, uint8_t mark)
{
    auto* buffer = new KxGSQLObjectBuffer(4, db, 1);
    buffer->Allocate(1);
    buffer->GetData()[0] = mark;
    return buffer;
}

class RefusingOwner : public KxGRowBufferCacheOwner {
public:
    uint16_t RefusesObject(const KxObjId& id) override { return refused.count(id.Get64()) ? 1 : 0; }
    std::set<uint64_t> refused;
};

TEST(RowBufferCache, ReferenceCounts)
{
    RecordingDatabase db;
    KxGRowBufferCache cache(&db);
    const KxObjId id(42);
    KxGSQLObjectBuffer* buffer = OneRow(&db, 1);
    buffer->SetDescriptor(0, 50, 8);

    EXPECT_EQ(cache.AddReference(id, buffer), 1);
    std::unique_ptr<KxGSQLObjectBuffer> notTaken(OneRow(&db, 2));
    EXPECT_EQ(cache.AddReference(id, notTaken.get()), 0);   // one more use; the buffer stays ours

    EXPECT_EQ(cache.Release(id), 1);
    EXPECT_TRUE(cache.Contains(id));
    EXPECT_TRUE(db.freed.empty());
    EXPECT_EQ(cache.Release(id), 1);
    EXPECT_FALSE(cache.Contains(id));
    EXPECT_EQ(db.freed.size(), 1u);   // the cached buffer went with its descriptor
    EXPECT_EQ(cache.Release(id), 0);
}

TEST(RowBufferCache, TakeRemoveClear)
{
    RecordingDatabase db;
    KxGRowBufferCache cache(&db);
    // Inserted out of order; the list keeps them sorted by id (high word first).
    const KxObjId ids[] = {KxObjId(30), KxObjId(5, 1), KxObjId(10), KxObjId(20)};
    for (const KxObjId& id : ids) {
        cache.AddReference(id, OneRow(&db, static_cast<uint8_t>(id.GetLow())));
    }

    std::unique_ptr<KxGSQLObjectBuffer> taken(cache.Take(KxObjId(10)));
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->GetData()[0], 10);
    EXPECT_FALSE(cache.Contains(KxObjId(10)));
    EXPECT_EQ(cache.Take(KxObjId(10)), nullptr);

    EXPECT_EQ(cache.Remove(KxObjId(20)), 1);
    EXPECT_EQ(cache.Remove(KxObjId(20)), 0);
    EXPECT_TRUE(cache.Contains(KxObjId(5, 1)));
    EXPECT_FALSE(cache.Contains(KxObjId(5)));

    cache.Clear();
    EXPECT_FALSE(cache.Contains(KxObjId(30)));
    EXPECT_FALSE(cache.Contains(KxObjId(5, 1)));
    EXPECT_EQ(cache.AddReference(KxObjId(30), nullptr), 1);   // usable after Clear
    EXPECT_EQ(cache.Take(KxObjId(30)), nullptr);
}

TEST(RowBufferCache, AddCopiesOneRowAndMovesItsDescriptors)
{
    RecordingDatabase db;
    RefusingOwner owner;
    owner.refused.insert(99);
    KxGRowBufferCache cache(&db, &owner);

    std::unique_ptr<KxGSQLObjectBuffer> row(OneRow(&db, 7));
    row->SetDescriptor(0, 50, 1234);
    EXPECT_EQ(cache.Add(KxObjId(1), *row), 1);
    EXPECT_EQ(row->GetDescriptor(0, 0).handle, 0u);
    EXPECT_EQ(cache.Add(KxObjId(1), *row), 0);    // already cached
    EXPECT_EQ(cache.Add(KxObjId(99), *row), 0);   // refused by the owner
    EXPECT_FALSE(cache.Contains(KxObjId(99)));

    std::unique_ptr<KxGSQLObjectBuffer> copy(cache.Take(KxObjId(1)));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), row.get());
    EXPECT_EQ(copy->GetData()[0], 7);
    EXPECT_EQ(copy->GetDescriptor(0, 0).handle, 1234u);

    // A buffer of several rows gives no one-row copy: nothing is added, its descriptors stay.
    KxGSQLObjectBuffer rows(4, &db, 1);
    rows.Allocate(3);
    rows.SetDescriptor(0, 50, 55);
    EXPECT_EQ(cache.Add(KxObjId(2), rows), 0);
    EXPECT_FALSE(cache.Contains(KxObjId(2)));
    EXPECT_EQ(rows.GetDescriptor(0, 0).handle, 55u);
}

TEST(RowBufferCache, UseCountStopsAtItsMaximum)
{
    KxGRowBufferCache cache(nullptr);
    const KxObjId id(3);
    cache.AddReference(id, nullptr);
    for (int32_t i = 0; i < 70000; ++i) {
        cache.AddReference(id, nullptr);
    }
    for (int32_t i = 0; i < 65534; ++i) {
        ASSERT_EQ(cache.Release(id), 1);
    }
    EXPECT_TRUE(cache.Contains(id));
    cache.Release(id);
    EXPECT_FALSE(cache.Contains(id));
}

TEST(RowBufferCache, DestructorDeletesEntries)
{
    RecordingDatabase db;
    {
        KxGRowBufferCache cache(&db);
        KxGSQLObjectBuffer* buffer = OneRow(&db, 1);
        buffer->SetDescriptor(0, 50, 77);
        cache.AddReference(KxObjId(8), buffer);
    }
    EXPECT_EQ(db.freed.size(), 1u);
}

}  // namespace
