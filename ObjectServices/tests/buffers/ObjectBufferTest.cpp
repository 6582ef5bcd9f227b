// Object buffers: descriptor table, moves, frees and the one-row copy.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "KxGSQLBuffer.h"
#include "RecordingDatabase.h"

namespace {

using Freed = std::vector<std::pair<int16_t, uintptr_t>>;

constexpr uintptr_t kBigHandle = uintptr_t(0x123456789ABCull);   // needs more than 32 bits

TEST(ObjectBuffer, DescriptorsOfCurrentRow)
{
    RecordingDatabase db;
    KxGSQLObjectBuffer buffer(8, &db, 2);
    EXPECT_EQ(buffer.SetDescriptor(0, 50, 7), -6033);   // no rows yet
    buffer.Allocate(3);
    buffer.SetCurrentRow(1);
    EXPECT_EQ(buffer.SetDescriptor(0, 50, kBigHandle), 0);
    EXPECT_EQ(buffer.SetDescriptor(1, 51, 9), 0);
    EXPECT_EQ(buffer.SetDescriptor(2, 50, 10), -6033);   // only two per row
    buffer.SetCurrentRow(3);
    EXPECT_EQ(buffer.SetDescriptor(0, 50, 11), -6033);   // past the rows

    EXPECT_EQ(buffer.GetDescriptor(1, 0).handle, kBigHandle);
    EXPECT_EQ(buffer.GetDescriptor(1, 0).kind, 50);
    EXPECT_EQ(buffer.GetDescriptor(1, 1).handle, 9u);
    EXPECT_EQ(buffer.GetDescriptor(0, 0).handle, 0u);
    EXPECT_EQ(buffer.GetDescriptor(7, 0).handle, 0u);
    EXPECT_TRUE(db.freed.empty());

    // Setting another handle over a held one frees the held one; the same handle again does not.
    buffer.SetCurrentRow(1);
    EXPECT_EQ(buffer.SetDescriptor(1, 51, 9), 0);
    EXPECT_TRUE(db.freed.empty());
    EXPECT_EQ(buffer.SetDescriptor(1, 52, 12), 0);
    EXPECT_EQ(db.freed, (Freed{{51, 9}}));
}

TEST(ObjectBuffer, FreeOneRowThenAllThenDestructor)
{
    RecordingDatabase db;
    {
        KxGSQLObjectBuffer buffer(4, &db, 2);
        buffer.Allocate(3);
        for (int32_t row = 0; row < 3; ++row) {
            buffer.SetCurrentRow(row);
            buffer.SetDescriptor(0, 50, uintptr_t(100 + row));
        }
        buffer.SetCurrentRow(2);
        buffer.SetDescriptor(1, 51, kBigHandle);

        buffer.FreeDescriptors(2);
        EXPECT_EQ(db.freed, (Freed{{50, 102}, {51, kBigHandle}}));
        EXPECT_EQ(buffer.GetDescriptor(2, 1).handle, 0u);
        db.freed.clear();

        buffer.FreeDescriptors(2);   // nothing left in the row
        buffer.FreeDescriptors(-1);
        buffer.FreeDescriptors(40);
        EXPECT_TRUE(db.freed.empty());

        buffer.FreeAllDescriptors();
        EXPECT_EQ(db.freed, (Freed{{50, 100}, {50, 101}}));
        db.freed.clear();

        buffer.SetCurrentRow(0);
        buffer.SetDescriptor(1, 53, 7);
        buffer.Free();   // the block goes, the descriptors stay until freed
        EXPECT_TRUE(db.freed.empty());
    }
    EXPECT_EQ(db.freed, (Freed{{53, 7}}));
}

TEST(ObjectBuffer, MoveDescriptorsEmptiesTheSource)
{
    RecordingDatabase db;
    KxGSQLObjectBuffer source(4, &db, 1);
    source.Allocate(4);
    for (int32_t row = 0; row < 4; ++row) {
        source.SetCurrentRow(row);
        source.SetDescriptor(0, 50, uintptr_t(200 + row));
    }
    KxGSQLObjectBuffer target(4, &db, 1);
    target.Allocate(3);
    target.SetCurrentRow(0);
    target.SetDescriptor(0, 50, 999);   // overwritten by the move: freed
    target.SetCurrentRow(0);

    EXPECT_EQ(target.MoveDescriptors(source, 1, 2), 0);
    EXPECT_EQ(target.GetDescriptor(0, 0).handle, 201u);
    EXPECT_EQ(target.GetDescriptor(1, 0).handle, 202u);
    EXPECT_EQ(source.GetDescriptor(1, 0).handle, 0u);
    EXPECT_EQ(source.GetDescriptor(2, 0).handle, 0u);
    EXPECT_EQ(source.GetDescriptor(3, 0).handle, 203u);
    EXPECT_EQ(db.freed, (Freed{{50, 999}}));

    // Ranges outside either buffer and other table shapes are refused and change nothing.
    target.SetCurrentRow(2);
    EXPECT_EQ(target.MoveDescriptors(source, 0, 2), -6033);
    target.SetCurrentRow(0);
    EXPECT_EQ(target.MoveDescriptors(source, 3, 2), -6033);
    EXPECT_EQ(target.MoveDescriptors(source, -1, 1), -6033);
    KxGSQLObjectBuffer otherShape(4, &db, 2);
    otherShape.Allocate(4);
    EXPECT_EQ(otherShape.MoveDescriptors(source, 3, 1), -6033);
    EXPECT_EQ(source.GetDescriptor(3, 0).handle, 203u);
}

TEST(ObjectBuffer, OneRowCopyMovesTheRowsDescriptors)
{
    RecordingDatabase db;
    KxGSQLObjectBuffer source(6, &db, 2);
    source.SetFlags(3);
    source.SetCount(4);
    source.Allocate(1);
    std::memset(source.GetData(), 0x5A, 6);
    source.SetDescriptor(0, 50, 1);
    source.SetDescriptor(1, 50, kBigHandle);

    {
        KxGSQLObjectBuffer copy(source, 1);
        ASSERT_NE(copy.GetData(), nullptr);
        EXPECT_EQ(copy.GetRowCount(), 1);
        EXPECT_EQ(copy.GetDatabase(), &db);
        EXPECT_EQ(copy.GetDescriptorsPerRow(), 2);
        EXPECT_EQ(copy.GetCount(), 4);
        EXPECT_EQ(copy.GetFlags(), 0);
        EXPECT_EQ(copy.GetData()[5], 0x5A);
        EXPECT_EQ(copy.GetDescriptor(0, 1).handle, kBigHandle);
        EXPECT_EQ(source.GetDescriptor(0, 0).handle, 0u);
        EXPECT_EQ(source.GetDescriptor(0, 1).handle, 0u);
    }
    // Freed once, by the copy that holds them.
    EXPECT_EQ(db.freed, (Freed{{50, 1}, {50, kBigHandle}}));
}

TEST(ObjectBuffer, RefusedCopyLeavesDescriptorsWithTheSource)
{
    RecordingDatabase db;
    KxGSQLObjectBuffer source(4, &db, 1);
    source.Allocate(3);
    source.SetCurrentRow(0);
    source.SetDescriptor(0, 50, 77);

    KxGSQLObjectBuffer copy(source, 1);   // first row of three: not a whole copy
    EXPECT_EQ(copy.GetData(), nullptr);
    EXPECT_EQ(copy.GetRowCount(), 0);
    EXPECT_EQ(copy.GetDescriptor(0, 0).handle, 0u);
    EXPECT_EQ(source.GetDescriptor(0, 0).handle, 77u);
}

TEST(ObjectBuffer, WithoutDatabaseEntriesAreDropped)
{
    KxGSQLObjectBuffer buffer(4, nullptr, 1);
    buffer.Allocate(1);
    EXPECT_EQ(buffer.SetDescriptor(0, 50, 5), 0);
    buffer.FreeAllDescriptors();
    EXPECT_EQ(buffer.GetDescriptor(0, 0).handle, 0u);
}

}  // namespace
