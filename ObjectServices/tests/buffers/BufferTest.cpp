// Row buffers and memory locations: layout, allocation, addresses, conversions, slices.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "KxGMemoryLocation.h"
#include "KxGSQLBuffer.h"
#include "KxGTypeHdl.h"
#include "TestTypeHdl.h"

namespace {

ptrdiff_t At(const KxGSQLBuffer& buffer, const void* address)
{
    return static_cast<const uint8_t*>(address) - buffer.GetData();
}

// Two locations joined as in the documented example: A (value 4, indicator 2), B (value 10, none).
struct TwoColumns : ::testing::Test {
    TestTypeHdl intHdl{2, 4, 2};
    TestTypeHdl textHdl{11, 10, 2};
    int32_t a = 0;
    char b[10] = {};
    KxGMemoryLocation locA{&intHdl, &a, true};
    KxGMemoryLocation locB{&textHdl, b, false};
    KxGSQLBuffer buffer;

    void SetUp() override
    {
        locA.JoinBuffer(buffer);
        locB.JoinBuffer(buffer);
    }
};

TEST_F(TwoColumns, LayoutOfTwentyRows)
{
    EXPECT_EQ(locA.GetOffset(), 0);
    EXPECT_EQ(locB.GetOffset(), 6);
    EXPECT_EQ(buffer.GetRowWidth(), 16);

    buffer.Allocate(20);
    ASSERT_NE(buffer.GetData(), nullptr);
    EXPECT_EQ(buffer.GetRowCount(), 20);
    buffer.SetCurrentRow(3);
    EXPECT_EQ(At(buffer, locB.GetSQLAddress(buffer)), 150);        // 20 x 6 + 3 x 10
    EXPECT_EQ(At(buffer, locA.GetNullValueAddress(buffer)), 86);   // 20 x 4 + 3 x 2
    EXPECT_EQ(At(buffer, locA.GetSQLAddress(buffer)), 12);         // 3 x 4
    EXPECT_EQ(locB.GetNullValueAddress(buffer), nullptr);          // not nullable
    buffer.SetCurrentRow(19);                                      // the last row ends the block
    EXPECT_EQ(At(buffer, locB.GetSQLAddress(buffer)) + 10, 20 * 16);
}

TEST_F(TwoColumns, NoAddressOutsideTheBlock)
{
    EXPECT_EQ(locA.GetSQLAddress(buffer), nullptr);   // not allocated
    buffer.Allocate(2);
    buffer.SetCurrentRow(2);
    EXPECT_EQ(locA.GetSQLAddress(buffer), nullptr);
    EXPECT_EQ(locA.GetNullValueAddress(buffer), nullptr);
    buffer.SetCurrentRow(-1);
    EXPECT_EQ(locA.GetSQLAddress(buffer), nullptr);

    // A location that lies beyond a narrower buffer's row width has no slot there.
    KxGSQLBuffer narrow(8);
    narrow.Allocate(2);
    EXPECT_EQ(locB.GetSQLAddress(narrow), nullptr);
    b[0] = 'x';
    EXPECT_EQ(locB.Variable2SQLBuffer(narrow, nullptr), nullptr);
}

TEST_F(TwoColumns, RowsConvertBothWays)
{
    buffer.Allocate(3);
    KxGContext context;
    for (int32_t row = 0; row < 3; ++row) {
        buffer.SetCurrentRow(row);
        a = 100 + row;
        std::memset(b, 'a' + row, sizeof b);
        ASSERT_NE(locA.Variable2SQLBuffer(buffer, &context), nullptr);
        ASSERT_NE(locB.Variable2SQLBuffer(buffer, &context), nullptr);
        EXPECT_EQ(intHdl.lastContext, &context);
    }
    intHdl.SetNull(buffer.GetData() + 3 * 4 + 1 * 2);   // row 1's indicator of A
    for (int32_t row = 2; row >= 0; --row) {
        buffer.SetCurrentRow(row);
        locA.SQLBuffer2Variable(buffer, nullptr);
        locB.SQLBuffer2Variable(buffer, nullptr);
        EXPECT_EQ(a, row == 1 ? 0 : 100 + row);
        EXPECT_EQ(b[9], 'a' + row);
    }
    KxString text;
    buffer.SetCurrentRow(2);
    locA.ValueToText(buffer, text, nullptr);
    EXPECT_EQ(text, KxString("102"));
}

TEST(SQLBuffer, AllocateKeepsSameCountAndZeroFillsOther)
{
    KxGSQLBuffer buffer(8);
    buffer.Allocate(4);
    uint8_t* first = buffer.GetData();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(first, first + 32), std::vector<uint8_t>(32, 0));
    std::memset(first, 0xAB, 32);

    buffer.Allocate(4);
    EXPECT_EQ(buffer.GetData(), first);
    EXPECT_EQ(buffer.GetData()[31], 0xAB);

    buffer.Allocate(6);
    ASSERT_NE(buffer.GetData(), nullptr);
    EXPECT_EQ(buffer.GetRowCount(), 6);
    EXPECT_EQ(std::vector<uint8_t>(buffer.GetData(), buffer.GetData() + 48), std::vector<uint8_t>(48, 0));

    buffer.Free();
    EXPECT_EQ(buffer.GetData(), nullptr);
    EXPECT_EQ(buffer.GetRowCount(), 0);
    buffer.Allocate(0);
    EXPECT_EQ(buffer.GetData(), nullptr);
    buffer.Allocate(-3);
    EXPECT_EQ(buffer.GetRowCount(), 0);
}

TEST(SQLBuffer, AllocationBeyondLimitIsNotMade)
{
    KxGSQLBuffer buffer(1 << 20);
    buffer.Allocate(1 << 12);   // 4 GB
    EXPECT_EQ(buffer.GetData(), nullptr);
    EXPECT_EQ(buffer.GetRowCount(), 0);
}

TEST(SQLBuffer, ChangingTheRowWidthDiscardsTheBlock)
{
    TestTypeHdl hdl(2, 4, 2);
    int32_t v = 0;
    KxGMemoryLocation first(&hdl, &v, true);
    KxGMemoryLocation late(&hdl, &v, false);
    KxGSQLBuffer buffer;
    first.JoinBuffer(buffer);
    buffer.Allocate(5);
    ASSERT_NE(buffer.GetData(), nullptr);

    late.JoinBuffer(buffer);   // joined too late: the old block no longer fits the row
    EXPECT_EQ(late.GetOffset(), 6);
    EXPECT_EQ(buffer.GetRowWidth(), 10);
    EXPECT_EQ(buffer.GetData(), nullptr);
    EXPECT_EQ(buffer.GetRowCount(), 0);
    buffer.Allocate(5);
    buffer.SetCurrentRow(4);
    EXPECT_EQ(At(buffer, late.GetSQLAddress(buffer)), 5 * 6 + 4 * 4);

    buffer.SetRowWidth(10);   // no change keeps the block
    EXPECT_NE(buffer.GetData(), nullptr);
}

TEST(SQLBuffer, SliceCopiesOnlyWholeSources)
{
    KxGSQLBuffer source(4);
    source.SetCount(7);
    source.Allocate(5);
    for (int32_t i = 0; i < 20; ++i) {
        source.GetData()[i] = static_cast<uint8_t>(i + 1);
    }

    KxGSQLBuffer whole(source, 5, 0);
    ASSERT_NE(whole.GetData(), nullptr);
    EXPECT_EQ(whole.GetRowCount(), 5);
    EXPECT_EQ(whole.GetRowWidth(), 4);
    EXPECT_EQ(whole.GetCount(), 7);
    EXPECT_EQ(std::memcmp(whole.GetData(), source.GetData(), 20), 0);

    struct Case {
        int32_t rows;
        int32_t first;
    };
    // Partial slices (whose rows are spread over the columns) and slices outside the source.
    for (const Case& c : {Case{2, 1}, Case{1, 0}, Case{4, 0}, Case{1, 4}, Case{6, 0}, Case{2, 4}, Case{1, -1},
                          Case{0, 0}, Case{-1, 0}}) {
        KxGSQLBuffer slice(source, c.rows, c.first);
        EXPECT_EQ(slice.GetData(), nullptr) << c.rows << " from " << c.first;
        EXPECT_EQ(slice.GetRowCount(), 0);
        EXPECT_EQ(slice.GetRowWidth(), 4);
        EXPECT_EQ(slice.GetCount(), 7);
    }

    KxGSQLBuffer one(4);
    one.Allocate(1);
    one.GetData()[3] = 9;
    KxGSQLBuffer oneCopy(one, 1, 0);
    ASSERT_NE(oneCopy.GetData(), nullptr);
    EXPECT_EQ(oneCopy.GetData()[3], 9);

    KxGSQLBuffer empty(4);
    KxGSQLBuffer emptyCopy(empty, 0, 0);
    EXPECT_EQ(emptyCopy.GetData(), nullptr);
}

TEST(MemoryLocation, SizesFollowTheHandle)
{
    TestTypeHdl hdl(11, 3, 2);
    char text[30] = {};
    KxGMemoryLocation nullable(&hdl, text, true);
    EXPECT_EQ(nullable.GetColumnSize(), 3);
    EXPECT_EQ(nullable.GetValueSize(), 3);
    EXPECT_EQ(nullable.GetIndSize(), 2);
    nullable.SetSQLSize(10);
    EXPECT_EQ(nullable.GetColumnSize(), 30);
    EXPECT_EQ(nullable.GetValueSize(), 30);

    KxGMemoryLocation plain(&hdl, text, false);
    EXPECT_EQ(plain.GetIndSize(), 0);

    std::unique_ptr<KxGMemoryLocation> clone(nullable.Clone());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetValueSize(), 30);
    EXPECT_EQ(clone->GetIndSize(), 2);
    EXPECT_EQ(clone->GetVariableAddress(), text);
}

// A location whose kernel value is a member of the object given.
struct Object {
    int32_t x;
    int32_t member;
};

class MemberLocation : public KxGMemoryLocation {
public:
    using KxGMemoryLocation::KxGMemoryLocation;
    void* GetVariableAddress(void* object) override
    {
        return object != nullptr ? &static_cast<Object*>(object)->member : KxGMemoryLocation::GetVariableAddress();
    }
};

TEST(MemoryLocation, ObjectConversionsUseTheObjectsAddress)
{
    TestTypeHdl hdl(2, 4, 2);
    int32_t own = 5;
    MemberLocation loc(&hdl, &own, true);
    KxGSQLBuffer buffer;
    loc.JoinBuffer(buffer);
    buffer.Allocate(2);

    Object first{1, 11};
    Object second{2, 0};
    buffer.SetCurrentRow(1);
    loc.Variable2SQLBuffer(buffer, &first, nullptr);
    loc.SQLBuffer2Variable(buffer, &second, nullptr);
    EXPECT_EQ(second.member, 11);
    EXPECT_EQ(own, 5);

    loc.Variable2SQLBuffer(buffer, nullptr);   // the plain form uses the address given at construction
    loc.SQLBuffer2Variable(buffer, &first, nullptr);
    EXPECT_EQ(first.member, 5);
}

TEST(MemoryLocation, CopyValueNeverOverrunsTheDestination)
{
    TestTypeHdl wide(2, 4, 2);
    TestTypeHdl narrow(1, 2, 2);
    int32_t v = 0x11223344;
    KxGMemoryLocation src(&wide, &v, true);
    KxGSQLBuffer srcBuffer;
    src.JoinBuffer(srcBuffer);
    srcBuffer.Allocate(1);
    src.Variable2SQLBuffer(srcBuffer, nullptr);
    wide.SetNull(src.GetNullValueAddress(srcBuffer));

    // Same shape: value and indicator copied.
    KxGMemoryLocation same(&wide, &v, true);
    KxGSQLBuffer sameBuffer;
    same.JoinBuffer(sameBuffer);
    sameBuffer.Allocate(2);
    sameBuffer.SetCurrentRow(1);
    src.CopyValue(srcBuffer, same, sameBuffer);
    EXPECT_EQ(std::memcmp(same.GetSQLAddress(sameBuffer), &v, 4), 0);
    EXPECT_TRUE(wide.IsNull(same.GetNullValueAddress(sameBuffer)));

    // A narrower destination without indicator, followed by a guard column.
    KxGMemoryLocation small(&narrow, &v, false);
    KxGMemoryLocation guard(&narrow, &v, false);
    KxGSQLBuffer smallBuffer;
    small.JoinBuffer(smallBuffer);
    guard.JoinBuffer(smallBuffer);
    smallBuffer.Allocate(1);
    src.CopyValue(srcBuffer, small, smallBuffer);
    EXPECT_EQ(std::memcmp(small.GetSQLAddress(smallBuffer), &v, 2), 0);
    const uint8_t* g = static_cast<uint8_t*>(guard.GetSQLAddress(smallBuffer));
    EXPECT_EQ(g[0], 0);
    EXPECT_EQ(g[1], 0);
}

TEST(VariableBuffer, HoldsOneConvertedValue)
{
    TestTypeHdl hdl(2, 4, 2);
    int32_t v = 42;
    KxGMemoryLocation loc(&hdl, &v, true);
    KxGContext context;
    {
        KxGVariableBuffer buffer(loc, &context);
        EXPECT_EQ(buffer.GetRowCount(), 1);
        EXPECT_EQ(buffer.GetRowWidth(), 6);
        EXPECT_EQ(hdl.lastContext, &context);
        int32_t stored = 0;
        std::memcpy(&stored, loc.GetSQLAddress(buffer), 4);
        EXPECT_EQ(stored, 42);
        EXPECT_FALSE(hdl.IsNull(loc.GetNullValueAddress(buffer)));
    }

    // A location already joined elsewhere keeps its offset, and the one row still holds its slot.
    TestTypeHdl other(11, 8, 2);
    char text[8] = {};
    KxGMemoryLocation first(&other, text, true);
    KxGMemoryLocation second(&hdl, &v, true);
    KxGSQLBuffer row;
    first.JoinBuffer(row);
    second.JoinBuffer(row);
    KxGVariableBuffer buffer(second, nullptr);
    ASSERT_NE(second.GetSQLAddress(buffer), nullptr);
    int32_t stored = 0;
    std::memcpy(&stored, second.GetSQLAddress(buffer), 4);
    EXPECT_EQ(stored, 42);
}

TEST(MemoryLocationList, CopiesPointers)
{
    TestTypeHdl hdl(2);
    int32_t v = 0;
    KxGMemoryLocation a(&hdl, &v, true);
    KxGMemoryLocation b(&hdl, &v, false);
    KxGMemoryLocationList list;
    list.Append(&a);
    list.Append(&b);
    KxGMemoryLocationList copy(list);
    EXPECT_EQ(copy.Count(), 2u);
    EXPECT_EQ(copy.GetLocation(1), &b);
    EXPECT_EQ(copy.GetLocation(2), nullptr);
}

}  // namespace
