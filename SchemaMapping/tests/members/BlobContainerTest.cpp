// The blob container over real row buffers with the Oracle adapter's blob handles: the header and its
// byte order, entries written and read back, stored containers that lie about their sizes, the
// column sizes, the child container of a locator-bound kind, and the entry indexes of members whose
// positions collide.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "KxBlob.h"
#include "KxGBlobMemberMaps.h"
#include "KxGColumnList.h"
#include "KxGSQLBuffer.h"
#include "KxGStatusCodes.h"
#include "MemberMapTestSupport.h"
#include "kxfound.h"

using namespace membertest;

namespace {

// One container in a buffer of `rows` rows, behind an 8-byte column of something else.
struct ContainerRows {
    ContainerRows(Fixture& fx, int32_t size, int32_t rowCount = 2, uint8_t kind = 0)
        : container(fx.schemaMap.get(), kind, size)
    {
        layout.Reserve(8);
        EXPECT_EQ(0, container.JoinBuffer(layout));
        buffer = std::make_unique<KxGSQLBuffer>(layout.GetRowWidth());
        buffer->Allocate(rowCount);
        rows = std::make_unique<KxGRowContext>(buffer.get());
    }

    KxGBlobContainerMemberMap container;
    KxGBufferMap layout;
    std::unique_ptr<KxGSQLBuffer> buffer;
    std::unique_ptr<KxGRowContext> rows;
};

TEST(BlobContainer, HeaderFitsOnlyASlotThatHoldsItAfterTheLengthPrefix)
{
    Fixture fx;
    const struct {
        uint32_t entries;
        int32_t size;
        int32_t status;
    } cases[] = {
        {3, 46, KXG_E_BLOB_CONTAINER_TOO_SMALL},   // 22 + 8 x 3 = 46 bytes of header
        {3, 49, KXG_E_BLOB_CONTAINER_TOO_SMALL},   // the slot's 4-byte prefix comes first
        {3, 50, 0},
        {0, 25, KXG_E_BLOB_CONTAINER_TOO_SMALL},
        {0, 26, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.entries) + " entries, size " + std::to_string(c.size));
        ContainerRows r(fx, c.size);
        r.rows->SetCurrentRow(1);
        EXPECT_EQ(c.status, r.container.OpenContainer(*r.rows, c.entries, 0x0102, 1));
        if (c.status != 0) {
            continue;
        }
        const uint8_t* start = r.container.GetStart(*r.rows);
        const uint32_t header = 22 + 8 * c.entries;
        // Little-endian on every host: bytes in use, total, object-id flag, class version.
        const std::vector<uint8_t> fixed(start, start + 14);
        EXPECT_EQ((std::vector<uint8_t>{uint8_t(header), 0, 0, 0, uint8_t(header), 0, 0, 0, 1, 0, 0, 0, 2, 1}), fixed);
        for (uint32_t i = 14; i < header; ++i) {
            EXPECT_EQ(0, start[i]) << i;
        }
        uint16_t version = 0;
        uint16_t oidFlag = 0;
        EXPECT_EQ(0, r.container.GetHeaderInfo(*r.rows, version, oidFlag));
        EXPECT_EQ(0x0102, version);
        EXPECT_EQ(1, oidFlag);
        // Row 0 is untouched.
        r.rows->SetCurrentRow(0);
        EXPECT_EQ(0u, LongLoad(r.container.GetStart(*r.rows)));
    }
}

TEST(BlobContainer, EntriesComeBackWithTheirBytesAndTheSlotHoldsExactlyTheContainer)
{
    Fixture fx;
    ContainerRows r(fx, 200);
    KxGRowContext& rows = *r.rows;
    ASSERT_EQ(0, r.container.OpenContainer(rows, 3, 7, 0));
    uint8_t* data = nullptr;
    uint16_t oidFlag = 9;
    ASSERT_EQ(0, r.container.BeginEntry(2, 0, rows, data, oidFlag));
    EXPECT_EQ(0, oidFlag);
    EXPECT_EQ(r.container.GetStart(rows) + 46, data);
    std::memcpy(data, "hello", 5);
    ASSERT_EQ(0, r.container.EndEntry(2, data + 5, rows));
    // A set's entry carries its element count and is closed as a whole.
    ASSERT_EQ(0, r.container.BeginEntry(0, 2, rows, data, oidFlag));
    std::memcpy(data, "\x01\x02\x03", 3);
    ASSERT_EQ(0, r.container.CloseContainer(data + 3, rows));

    const uint8_t* read = nullptr;
    uint32_t length = 0;
    uint32_t available = 0;
    ASSERT_EQ(0, r.container.GetEntry(2, rows, read, length, available));
    EXPECT_EQ("hello", std::string(reinterpret_cast<const char*>(read), length));
    EXPECT_EQ(8u, available);
    ASSERT_EQ(0, r.container.GetEntry(0, rows, read, length, available));
    EXPECT_EQ(2u, length);
    EXPECT_EQ(3u, available);
    EXPECT_EQ(0, std::memcmp(read, "\x01\x02\x03", 3));
    // An entry never written: no data, no error.
    ASSERT_EQ(0, r.container.GetEntry(1, rows, read, length, available));
    EXPECT_EQ(nullptr, read);
    EXPECT_EQ(0u, length);

    EXPECT_EQ(54u + KXG_BLOB_SLOT_PREFIX, r.container.GetRequiredSize(rows));
    EXPECT_FALSE(r.container.IsOverflow(rows));
    EXPECT_EQ(196u - 54u, r.container.GetRoom(rows, r.container.GetStart(rows) + 54));
    // The blob handle reads the slot as a blob of exactly the bytes in use.
    KxBlob blob;
    KxGContext context(&fx.database);
    uint8_t* slot = r.container.GetStart(rows) - KXG_BLOB_SLOT_PREFIX;
    uint8_t* indicator = rows.IndicatorAddress(r.container.GetRowOffset(), r.container.GetBufferSize(),
                                               r.container.GetIndSize(), 0);
    ASSERT_NE(nullptr, r.container.GetTypeHdl()->SQLToVar(slot, &blob, indicator, r.container.GetColumnSize(), &context));
    EXPECT_EQ(54u, blob.Length());
    EXPECT_EQ(0, std::memcmp(blob.Data(), r.container.GetStart(rows), 54));

    // Null: no length is set and the required size is 0.
    r.container.SetNull(rows);
    EXPECT_TRUE(r.container.IsNull(rows));
    EXPECT_EQ(0u, r.container.GetRequiredSize(rows));
    r.container.Clear(rows);
    EXPECT_EQ(0u, LongLoad(r.container.GetStart(rows)));
}

TEST(BlobContainer, StoredContainersThatLieAboutTheirSizesAreRefused)
{
    Fixture fx;
    // Entries 0 and 2 written (header 46, entry 2 at 46..51, entry 0 at 51..54, bytes in use 54).
    const struct {
        const char* name;
        uint32_t at;      // header offset to overwrite (LongStore)
        uint32_t value;
        uint32_t entry;   // the entry then asked for
    } cases[] = {
        {"bytes in use beyond the slot", 0, 197, 2},
        {"bytes in use below the header", 0, 30, 2},
        {"entry offset past the bytes in use", 14 + 8 * 2 + 4, 60, 2},
        {"entry offset inside the header", 14 + 8 * 2 + 4, 20, 2},
        {"entry runs past the bytes in use", 14 + 8 * 2, 9, 2},
        {"length without offset", 14 + 8 * 1, 4, 1},
        {"entry index above N", 0, 54, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ContainerRows r(fx, 200);
        KxGRowContext& rows = *r.rows;
        ASSERT_EQ(0, r.container.OpenContainer(rows, 3, 1, 0));
        uint8_t* data = nullptr;
        uint16_t flag = 0;
        ASSERT_EQ(0, r.container.BeginEntry(2, 0, rows, data, flag));
        ASSERT_EQ(0, r.container.EndEntry(2, data + 5, rows));
        ASSERT_EQ(0, r.container.BeginEntry(0, 3, rows, data, flag));
        ASSERT_EQ(0, r.container.EndEntry(0, data + 3, rows));
        LongStore(r.container.GetStart(rows) + c.at, c.value);

        const uint8_t* read = reinterpret_cast<const uint8_t*>(1);
        uint32_t length = 1;
        uint32_t available = 1;
        EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, r.container.GetEntry(c.entry, rows, read, length, available));
        EXPECT_EQ(nullptr, read);
        EXPECT_EQ(0u, length);
        EXPECT_EQ(0u, available);
    }
    // Writing through a broken header or past N is refused as well; a stored total beyond reason asks
    // for nothing.
    ContainerRows r(fx, 200);
    KxGRowContext& rows = *r.rows;
    ASSERT_EQ(0, r.container.OpenContainer(rows, 3, 1, 0));
    uint8_t* data = nullptr;
    uint16_t flag = 0;
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, r.container.BeginEntry(4, 0, rows, data, flag));
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, r.container.CloseContainer(r.container.GetStart(rows) + 197, rows));
    LongStore(r.container.GetStart(rows), 5000);
    EXPECT_TRUE(r.container.IsOverflow(rows));
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, r.container.BeginEntry(0, 0, rows, data, flag));
    LongStore(r.container.GetStart(rows) + 4, 0xFFFFFFF0u);
    EXPECT_EQ(0u, r.container.GetRequiredSize(rows));

    // A container never sized: nothing is read past its slot.
    ContainerRows unsized(fx, 0, 1);
    const uint8_t* read = nullptr;
    uint32_t length = 0;
    uint32_t available = 0;
    uint16_t version = 0;
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, unsized.container.GetEntry(0, *unsized.rows, read, length, available));
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, unsized.container.GetHeaderInfo(*unsized.rows, version, flag));
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, unsized.container.OpenContainer(*unsized.rows, 0, 1, 0));
    EXPECT_FALSE(unsized.container.IsOverflow(*unsized.rows));
    EXPECT_EQ(0u, unsized.container.GetRequiredSize(*unsized.rows));
}

TEST(BlobContainer, SizesGrowAndAreSetWithoutTouchingTheColumnDescription)
{
    Fixture fx;
    KxGBlobContainerMemberMap container(fx.schemaMap.get(), 0);
    EXPECT_EQ("BLOB_CONTAINER", std::string(container.GetName().StrGet()));
    EXPECT_EQ("BLOB_CONTAINER", std::string(container.GetColumn().GetName().StrGet()));
    EXPECT_EQ(18, container.GetColumn().GetTypeCode());
    EXPECT_EQ(0, container.GetSQLSize());
    EXPECT_EQ(0, container.GetValueSize());
    EXPECT_EQ(100, container.GrowContainer(100));
    EXPECT_EQ(100u, container.GetColumn().GetSize());
    EXPECT_EQ(150, container.GrowContainer(50));
    EXPECT_EQ(150, container.SetSQLSize(300));
    EXPECT_EQ(300, container.GetColumnSize());
    EXPECT_EQ(150u, container.GetColumn().GetSize());
    container.ReserveEntries(40);   // 8 x 40 + 34 = 354
    EXPECT_EQ(354, container.GetColumnSize());
    EXPECT_EQ(354u, container.GetColumn().GetSize());
    EXPECT_EQ(40u, container.GetEntryCount());
    container.ReserveEntries(2);
    EXPECT_EQ(354, container.GetColumnSize());
    EXPECT_EQ(0, container.SetOffset(12));
    EXPECT_EQ(12, container.SetOffset(0));
    EXPECT_TRUE(container.GetClassId().IsInvalid());
}

TEST(BlobContainer, ALocatorBoundKindKeepsItsSlotInAChildContainer)
{
    Fixture fx;
    ContainerRows r(fx, 64, 1, KXG_ORA_KIND_BLOB);
    KxGBlobContainerMemberMap* child = r.container.GetChild();
    ASSERT_NE(nullptr, child);
    EXPECT_TRUE(child->IsChild());
    EXPECT_EQ(nullptr, child->GetChild());
    EXPECT_TRUE(child->IsHandle());
    EXPECT_FALSE(r.container.IsHandle());
    // The row holds the child's slot (a locator), not the container's bytes.
    EXPECT_EQ(8 + child->GetBufferSize() + child->GetIndSize(), r.layout.GetRowWidth());
    EXPECT_EQ(1, r.layout.GetHandleColumnCount());
    RecordingHdl statement;
    uint16_t position = 1;
    ASSERT_EQ(0, r.container.BindColumn(position, *r.rows, statement, 1, nullptr));
    ASSERT_EQ(1u, statement.binds.size());
    EXPECT_EQ(r.buffer->GetData() + 8, statement.binds[0].data);
    // A copy has a child of its own; growing reaches the child.
    KxGBlobContainerMemberMap copy(r.container);
    ASSERT_NE(nullptr, copy.GetChild());
    EXPECT_NE(child, copy.GetChild());
    copy.GrowContainer(10);
    EXPECT_EQ(74, copy.GetColumnSize());
    EXPECT_EQ(64, r.container.GetColumnSize());
}

// ---- entry indexes ---------------------------------------------------------------------------------------

// A member map with a position, a declaring class and a storage type.
class Member : public KxGMemberMap {
public:
    Member(uint16_t owner, uint16_t position, uint32_t storage) : owner_(owner), position_(position), storage_(storage) {}
    int32_t GetColumns(KxGColumnList&) override { return 0; }
    const KxString& GetName() const override { return name_; }
    uint16_t GetOwnerClassNumber() const override { return owner_; }
    uint16_t GetMemberPos() override { return position_; }
    uint32_t GetStorageType() override { return storage_; }

private:
    KxString name_{"m"};
    uint16_t owner_;
    uint16_t position_;
    uint32_t storage_;
};

TEST(BlobContainer, EntryIndexesKeepPositionsUntilTheyCollide)
{
    Fixture fx;
    constexpr uint32_t C = KXG_STORAGE_COLUMN;
    constexpr uint32_t B = KXG_STORAGE_BLOB;
    constexpr uint32_t L = KXG_STORAGE_LARGE_STRING;
    const struct {
        const char* name;
        std::vector<Member> members;   // inherited first
        uint32_t n;
        std::vector<int32_t> expected;
    } cases[] = {
        {"no collision keeps positions", {{1, 0, C}, {1, 1, B}, {1, 2, L}}, 4, {-1, 1, 2}},
        {"own member meets a base member", {{1, 0, B}, {1, 1, B}, {2, 0, C}, {2, 1, B}}, 5, {0, 1, -1, 2}},
        {"two bases and the own class", {{1, 0, B}, {2, 0, B}, {3, 0, B}, {3, 1, B}}, 5, {0, 1, 2, 3}},
        {"a position beyond N takes the lowest free slot", {{1, 7, B}, {1, 0, B}}, 2, {0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Member> members = c.members;
        std::vector<KxGMemberMap*> list;
        for (Member& m : members) {
            list.push_back(&m);
        }
        KxGBlobContainerMemberMap container(fx.schemaMap.get(), 0);
        container.AssignEntries(list, c.n);
        std::vector<int32_t> got;
        for (KxGMemberMap* m : list) {
            got.push_back(container.GetEntryIndex(m));
        }
        EXPECT_EQ(c.expected, got);
        // The copy a subclass takes agrees until the subclass assigns its own.
        KxGBlobContainerMemberMap copy(container);
        for (KxGMemberMap* m : list) {
            EXPECT_EQ(container.GetEntryIndex(m), copy.GetEntryIndex(m));
        }
    }
}

// ---- large strings -----------------------------------------------------------------------------------

TEST(LargeString, BothColumnsAreLaidOutBoundAndCopiedUnlessTheValueLivesInTheContainer)
{
    Fixture fx;
    const struct {
        uint32_t storage;
        uint32_t expectedStorage;
        uint32_t columns;
        uint32_t binds;
    } cases[] = {
        {KXG_STORAGE_COLUMN, KXG_STORAGE_COLUMN, 2, 2},
        {KXG_STORAGE_BLOB, KXG_STORAGE_LARGE_STRING, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.storage);
        KxGLargeStringMemberMap map(fx.schemaMap.get(), KxClassId(21, 1), KxString("name"), KxString(), 0, 11,
                                    KXG_ORA_KIND_LARGE_STRING, true, c.storage, 12, 0, 300);
        EXPECT_EQ(c.expectedStorage, map.GetStorageType());
        EXPECT_EQ("nameLSX", std::string(map.GetSecondColumn().GetMemberPath().StrGet()));
        EXPECT_EQ(map.GetSecondValueSize(), map.GetSQLSize());
        KxGColumnList columns;
        ASSERT_EQ(0, map.GetColumns(columns));
        EXPECT_EQ(c.columns, columns.Count());
        KxGBufferMap layout;
        layout.Reserve(4);
        ASSERT_EQ(0, map.JoinBuffer(layout));
        const int32_t own = map.GetBufferSize() + map.GetIndSize();
        const int32_t second = map.GetSecondValueSize() + map.GetSecondTypeHdl()->IndSize();
        EXPECT_EQ(4 + own + (c.columns == 2 ? second : 0), layout.GetRowWidth());

        KxGSQLBuffer source(layout.GetRowWidth());
        source.Allocate(3);
        KxGSQLBuffer target(layout.GetRowWidth());
        target.Allocate(3);
        KxGRowContext from(&source);
        KxGRowContext to(&target);
        RecordingHdl statement;
        uint16_t position = 1;
        ASSERT_EQ(0, map.BindParameter(position, from, statement, 3, nullptr));
        EXPECT_EQ(1 + c.binds, position);
        ASSERT_EQ(c.binds, statement.binds.size());
        if (c.binds == 2) {
            EXPECT_EQ(source.GetData() + 3 * (4 + own), statement.binds[1].data);
            // Rows 1 and 2 of both columns are copied with their indicators.
            std::memset(source.GetData(), 0x5A, static_cast<size_t>(3 * layout.GetRowWidth()));
            from.SetCurrentRow(1);
            ASSERT_EQ(0, map.CopyRows(from, to, 2));
            EXPECT_EQ(0x5A, target.GetData()[3 * (4 + own) + map.GetSecondValueSize()]);
            EXPECT_EQ(0, target.GetData()[3 * (4 + own) + 2 * map.GetSecondValueSize()]);
        }
        // A failed bind is -1.
        statement.answer = 0;
        position = 1;
        EXPECT_EQ(-1, map.BindColumn(position, from, statement, 3, nullptr));
    }
}

}  // namespace
