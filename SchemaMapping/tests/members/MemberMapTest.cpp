// Member maps over real row buffers: values of kernel objects stored into rows and loaded back,
// copies between row buffers, binds, blob-container streams, column descriptions and the edge cases
// of value, reference and embedded class members.
#include <cstring>
#include <string>

#include "KxBlob.h"
#include "KxGColumnList.h"
#include "KxGDatabaseTrace.h"
#include "KxGOraTypeHdl.h"
#include "KxGSQLBuffer.h"
#include "KxGStatusCodes.h"
#include "KxTypeMgr.h"
#include "MemberMapTestSupport.h"
#include "OraTestSupport.h"
#include "TestSupport.h"

using namespace membertest;

namespace {

class MemberMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        part = &fx.Declare(21);
        tagged = &fx.Declare(22);
        point = &fx.Declare(20);
        widget = &fx.Declare(23);
        all = {part, tagged, point, widget};
        fx.Build(*part, fx.Meta(21), all);
        fx.Build(*tagged, fx.Meta(22), all);
        fx.Build(*point, fx.Meta(20), all);
        fx.Build(*widget, fx.Meta(23), all);
    }

    KxGMemberMap* Map(const char* name) const
    {
        KxGClassMap& classMap = *widget->GetClassMap();
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            if (classMap.GetMemberMap(i)->GetName() == name) {
                return classMap.GetMemberMap(i);
            }
        }
        ADD_FAILURE() << "no member map " << name;
        return nullptr;
    }

    // Joins every member map of Widget into the layout.
    void Join(KxGBufferMap& layout)
    {
        KxGClassMap& classMap = *widget->GetClassMap();
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            ASSERT_EQ(0, classMap.GetMemberMap(i)->JoinBuffer(layout)) << classMap.GetMemberMap(i)->GetName().StrGet();
        }
    }

    void Fill(KxObject& object, int32_t seed)
    {
        Fixture::At<KxString>(object, "name") = KxString(("gear" + std::to_string(seed)).c_str());
        Fixture::At<KxString>(object, "tag") = KxString(("tag" + std::to_string(seed)).c_str());
        Fixture::At<int32_t>(object, "count") = 7 * seed;
        Fixture::At<double>(object, "weight") = 2.5 * seed;
        Fixture::At<int16_t>(object, "code") = static_cast<int16_t>(-3 * seed);
        for (uint32_t i = 0; i < 3; ++i) {
            Fixture::At<int32_t>(object, "scores", i) = seed * 100 + static_cast<int32_t>(i);
        }
        for (uint32_t i = 0; i < 4; ++i) {
            Fixture::At<uint8_t>(object, "flags", i) = static_cast<uint8_t>(seed * 16 + static_cast<int32_t>(i));
        }
        Fixture::At<KxString>(object, "label") = KxString("hello");
        const uint8_t bytes[4] = {1, 2, static_cast<uint8_t>(seed), 4};
        Fixture::At<KxBlob>(object, "data") = KxBlob(bytes, 4);
        fx.Inner<int32_t>(object, "origin", 0, "x") = 10 * seed;
        fx.Inner<double>(object, "origin", 0, "y") = 0.5 * seed;
        fx.Inner<KxOnDemand>(object, "origin", 0, "owner").SetRef(KxRef(KxObjId(70 + seed), KxClassId(21, 0)));
        for (uint32_t e = 0; e < 3; ++e) {
            fx.Inner<int32_t>(object, "corners", e, "x") = seed * 10 + static_cast<int32_t>(e);
            fx.Inner<double>(object, "corners", e, "y") = seed + 0.25 * e;
            fx.Inner<KxOnDemand>(object, "corners", e, "owner").SetRef(KxRef(KxObjId(80 + e), KxClassId(21, 0)));
        }
        Fixture::At<KxOnDemand>(object, "partner").SetRef(KxRef(KxObjId(90 + seed), KxClassId(21, 0)));
    }

    // Compares what a row carries (corners: only element 0 lies in the row).
    void ExpectRowValues(KxObject& loaded, KxObject& stored)
    {
        EXPECT_EQ(Fixture::At<KxString>(stored, "name"), Fixture::At<KxString>(loaded, "name"));
        EXPECT_EQ(Fixture::At<KxString>(stored, "tag"), Fixture::At<KxString>(loaded, "tag"));
        EXPECT_EQ(Fixture::At<int32_t>(stored, "count"), Fixture::At<int32_t>(loaded, "count"));
        EXPECT_EQ(Fixture::At<double>(stored, "weight"), Fixture::At<double>(loaded, "weight"));
        EXPECT_EQ(Fixture::At<int16_t>(stored, "code"), Fixture::At<int16_t>(loaded, "code"));
        for (uint32_t i = 0; i < 4; ++i) {
            EXPECT_EQ(Fixture::At<uint8_t>(stored, "flags", i), Fixture::At<uint8_t>(loaded, "flags", i));
        }
        EXPECT_EQ(Fixture::At<KxString>(stored, "label"), Fixture::At<KxString>(loaded, "label"));
        EXPECT_EQ(Fixture::At<KxBlob>(stored, "data"), Fixture::At<KxBlob>(loaded, "data"));
        EXPECT_EQ(fx.Inner<int32_t>(stored, "origin", 0, "x"), fx.Inner<int32_t>(loaded, "origin", 0, "x"));
        EXPECT_EQ(fx.Inner<double>(stored, "origin", 0, "y"), fx.Inner<double>(loaded, "origin", 0, "y"));
        EXPECT_EQ(fx.Inner<int32_t>(stored, "corners", 0, "x"), fx.Inner<int32_t>(loaded, "corners", 0, "x"));
        // References come back with the class version of their class.
        const KxRef owner = fx.Inner<KxOnDemand>(loaded, "origin", 0, "owner").GetRef();
        EXPECT_EQ(fx.Inner<KxOnDemand>(stored, "origin", 0, "owner").GetRef().GetObjId(), owner.GetObjId());
        EXPECT_EQ(KxClassId(21, 1), owner.GetClassId());
        const KxRef partner = Fixture::At<KxOnDemand>(loaded, "partner").GetRef();
        EXPECT_EQ(Fixture::At<KxOnDemand>(stored, "partner").GetRef().GetObjId(), partner.GetObjId());
        EXPECT_EQ(KxClassId(21, 1), partner.GetClassId());
    }

    // Runs Store (or Load) of every member map but the pointer's.
    void StoreAll(KxObjectAlias& object, KxGRowContext& rows)
    {
        KxGClassMap& classMap = *widget->GetClassMap();
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            KxGMemberMap* map = classMap.GetMemberMap(i);
            EXPECT_EQ(0, map->Store(object, rows, &context)) << map->GetName().StrGet();
        }
    }
    void LoadAll(KxGRowContext& rows, KxObjectAlias& object)
    {
        KxGClassMap& classMap = *widget->GetClassMap();
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            KxGMemberMap* map = classMap.GetMemberMap(i);
            if (map->GetName() != "boss") {
                EXPECT_EQ(0, map->Load(rows, object, &context)) << map->GetName().StrGet();
            }
        }
    }

    Fixture fx;
    KxGContext context{&fx.database};
    KxGClass* part = nullptr;
    KxGClass* tagged = nullptr;
    KxGClass* point = nullptr;
    KxGClass* widget = nullptr;
    std::vector<KxGClass*> all;
};

// ---- rows -----------------------------------------------------------------------------------------------

TEST_F(MemberMapTest, ObjectsRoundTripThroughRowsOfOneBuffer)
{
    KxGBufferMap layout;
    Join(layout);
    KxGSQLBuffer buffer(layout.GetRowWidth());
    buffer.Allocate(3);
    KxGRowContext rows(&buffer);

    ObjectPtr first = fx.NewObject(23, 1);
    ObjectPtr second = fx.NewObject(23, 2);
    Fill(*first, 1);
    Fill(*second, 2);
    KxCPPObjectAlias firstAlias(nullptr, nullptr, first.get());
    KxCPPObjectAlias secondAlias(nullptr, nullptr, second.get());
    rows.SetCurrentRow(2);
    StoreAll(secondAlias, rows);
    rows.SetCurrentRow(1);
    StoreAll(firstAlias, rows);

    for (auto [row, stored] : {std::pair{1, first.get()}, std::pair{2, second.get()}}) {
        ObjectPtr loaded = fx.NewObject(23, 10 + static_cast<uint32_t>(row));
        KxCPPObjectAlias alias(nullptr, nullptr, loaded.get());
        rows.SetCurrentRow(row);
        LoadAll(rows, alias);
        SCOPED_TRACE(row);
        ExpectRowValues(*loaded, *stored);
    }
    // Row 0 was never written: a load gives the empty value.
    ObjectPtr empty = fx.NewObject(23, 20);
    KxCPPObjectAlias emptyAlias(nullptr, nullptr, empty.get());
    rows.SetCurrentRow(0);
    EXPECT_EQ(0, Map("count")->Load(rows, emptyAlias, &context));
    EXPECT_EQ(0, Fixture::At<int32_t>(*empty, "count"));
}

TEST_F(MemberMapTest, PointerIsStoredButSetOnlyByTheReader)
{
    KxGBufferMap layout;
    Join(layout);
    KxGSQLBuffer buffer(layout.GetRowWidth());
    buffer.Allocate(1);
    KxGRowContext rows(&buffer);
    ObjectPtr target = fx.NewObject(21, 55);
    ObjectPtr owner = fx.NewObject(23, 1);
    owner->SetPointer(*owner->GetMetaClass()->FindMember("boss"), target.get());
    KxCPPObjectAlias alias(nullptr, nullptr, owner.get());
    ASSERT_EQ(0, Map("boss")->Store(alias, rows, &context));

    KxRef ref;
    ASSERT_EQ(0, Map("boss")->AsRefMemberMap()->GetIDMap()->LoadRef(rows, Map("boss")->AsRefMemberMap()->GetRowOffset(),
                                                                    ref, &context));
    EXPECT_EQ(KxObjId(55), ref.GetObjId());
    EXPECT_EQ(KxClassId(21, 1), ref.GetClassId());
    EXPECT_EQ(KXG_E_NOT_SUPPORTED, Map("boss")->Load(rows, alias, &context));
}

TEST_F(MemberMapTest, CopiedRowsLoadLikeTheOriginal)
{
    KxGBufferMap layout;
    Join(layout);
    KxGSQLBuffer source(layout.GetRowWidth());
    source.Allocate(4);
    KxGSQLBuffer target(layout.GetRowWidth());
    target.Allocate(2);
    KxGRowContext sourceRows(&source);
    KxGRowContext targetRows(&target);
    ObjectPtr stored = fx.NewObject(23, 1);
    Fill(*stored, 3);
    KxCPPObjectAlias storedAlias(nullptr, nullptr, stored.get());
    sourceRows.SetCurrentRow(3);
    StoreAll(storedAlias, sourceRows);

    targetRows.SetCurrentRow(1);
    KxGClassMap& classMap = *widget->GetClassMap();
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        ASSERT_EQ(0, classMap.GetMemberMap(i)->CopyRows(sourceRows, targetRows, 1));
    }
    ObjectPtr loaded = fx.NewObject(23, 2);
    KxCPPObjectAlias loadedAlias(nullptr, nullptr, loaded.get());
    LoadAll(targetRows, loadedAlias);
    ExpectRowValues(*loaded, *stored);
}

TEST_F(MemberMapTest, SkipFlagsLeaveTheRowAndBindNothing)
{
    KxGBufferMap layout;
    Join(layout);
    KxGSQLBuffer buffer(layout.GetRowWidth());
    buffer.Allocate(1);
    KxGRowContext rows(&buffer, KXG_ROW_SKIP_ORDINARY);
    ObjectPtr stored = fx.NewObject(23, 1);
    Fill(*stored, 1);
    KxCPPObjectAlias alias(nullptr, nullptr, stored.get());
    StoreAll(alias, rows);
    const std::vector<uint8_t> zero(static_cast<size_t>(layout.GetRowWidth()), 0);
    EXPECT_EQ(0, std::memcmp(zero.data(), buffer.GetData(), zero.size()));

    RecordingHdl statement;
    uint16_t position = 1;
    for (const char* name : {"count", "partner", "origin"}) {
        EXPECT_EQ(0, Map(name)->BindParameter(position, rows, statement, 1, &context));
    }
    EXPECT_TRUE(statement.binds.empty());
    EXPECT_EQ(1, position);
}

TEST_F(MemberMapTest, BindsNumberColumnsInOrderAtTheirRowZeroSlots)
{
    KxGBufferMap layout;
    Join(layout);
    KxGSQLBuffer buffer(layout.GetRowWidth());
    buffer.Allocate(5);
    buffer.SetCurrentRow(3);
    KxGRowContext rows(&buffer);
    RecordingHdl statement;
    uint16_t position = 1;
    for (const char* name : {"count", "partner", "origin"}) {
        ASSERT_EQ(0, Map(name)->BindParameter(position, rows, statement, 5, &context));
    }
    // count; partner OID, CID; origin x, y, owner OID, CID.
    ASSERT_EQ(7u, statement.binds.size());
    EXPECT_EQ(8, position);
    const uint8_t codes[7] = {2, 15, 16, 2, 3, 15, 16};
    for (size_t i = 0; i < statement.binds.size(); ++i) {
        EXPECT_EQ(i + 1, statement.binds[i].number);
        EXPECT_EQ(codes[i], statement.binds[i].typeCode) << i;
        EXPECT_NE(nullptr, statement.binds[i].indicator) << i;
    }
    auto* count = Map("count")->AsTypeMemberMap();
    EXPECT_EQ(buffer.GetData() + 5 * count->GetRowOffset(), statement.binds[0].data);
    auto* origin = Map("origin")->AsClassMemberMap();
    EXPECT_EQ(buffer.GetData() + 5 * origin->GetRowOffset(), statement.binds[3].data);

    statement.binds.clear();
    statement.answer = 0;
    uint16_t column = 1;
    EXPECT_EQ(-1, Map("weight")->BindColumn(column, rows, statement, 5, &context));
}

// ---- value members ----------------------------------------------------------------------------------------

TEST_F(MemberMapTest, NullableMembersHaveAnIndicatorOthersBindWithout)
{
    KxGTypeMemberMap nullable(fx.schemaMap.get(), KxClassId(23, 1), "count", KxString(), 0, 2, 0, 0, true, 0, 1, 0);
    KxGTypeMemberMap required(fx.schemaMap.get(), KxClassId(23, 1), "count", KxString(), 0, 2, 0, 0, false, 0, 1, 0);
    EXPECT_GT(nullable.GetIndSize(), 0);
    EXPECT_EQ(0, required.GetIndSize());
    EXPECT_FALSE(nullable.GetColumn().IsNotNull());
    EXPECT_TRUE(required.GetColumn().IsNotNull());

    KxGBufferMap layout;
    ASSERT_EQ(0, nullable.JoinBuffer(layout));
    ASSERT_EQ(0, required.JoinBuffer(layout));
    EXPECT_EQ(nullable.GetBufferSize() + nullable.GetIndSize(), required.GetRowOffset());
    EXPECT_EQ(required.GetRowOffset() + required.GetBufferSize(), layout.GetRowWidth());
    KxGSQLBuffer buffer(layout.GetRowWidth());
    buffer.Allocate(2);
    KxGRowContext rows(&buffer);
    RecordingHdl statement;
    uint16_t position = 1;
    ASSERT_EQ(0, nullable.BindParameter(position, rows, statement, 2, &context));
    ASSERT_EQ(0, required.BindParameter(position, rows, statement, 2, &context));
    ASSERT_EQ(2u, statement.binds.size());
    EXPECT_NE(nullptr, statement.binds[0].indicator);
    EXPECT_EQ(nullptr, statement.binds[1].indicator);
}

TEST_F(MemberMapTest, ACopyStartsUnjoinedAndOwnsItsColumn)
{
    KxGTypeMemberMap* weight = Map("weight")->AsTypeMemberMap();
    KxGBufferMap layout;
    Join(layout);
    ASSERT_GT(weight->GetRowOffset(), 0);
    KxGTypeMemberMap copy(*weight);
    EXPECT_EQ(0, copy.GetRowOffset());
    EXPECT_EQ(weight->GetTypeHdl(), copy.GetTypeHdl());
    EXPECT_EQ(&copy, copy.GetColumn().GetMemberMap());
    EXPECT_STREQ("weight", copy.GetColumn().GetMemberPath().StrGet());

    KxGMemberMapList list;
    list.push_back(Map("count"));
    list.push_back(&copy);
    EXPECT_EQ(&copy, list.Find("weight"));
    EXPECT_EQ(nullptr, list.Find("missing"));
}

TEST_F(MemberMapTest, ValueSizesOfScalarsArraysStringsAndBlobs)
{
    struct Case {
        const char* member;
        uint32_t factor;   // elements counted in the streamed size
    } cases[] = {{"count", 1}, {"scores", 3}, {"flags", 4}, {"label", 1}, {"data", 1}};
    for (const Case& c : cases) {
        KxGTypeMemberMap* map = Map(c.member)->AsTypeMemberMap();
        ASSERT_NE(nullptr, map) << c.member;
        EXPECT_EQ(map->GetColumnSize() * static_cast<int32_t>(c.factor), map->GetValueSize()) << c.member;
        EXPECT_EQ(map->GetBufferSize(), map->GetSQLSize()) << c.member;
    }
    EXPECT_EQ(static_cast<int32_t>(kStringSize), Map("label")->GetValueSize());
    EXPECT_EQ(static_cast<int32_t>(kBlobSize), Map("data")->GetValueSize());
}

// A handler that cuts every value to two bytes and reports the loss, as a handler does for a value
// longer than its column.
class CuttingHdl : public KxGTypeHdl {
public:
    uint8_t TypeCode() override { return 2; }
    uint16_t SQLTypeName(int32_t, KxString&) override { return 1; }
    int32_t IndSize() override { return 2; }
    int32_t ColumnSize(int32_t size) override { return size * 2; }
    int32_t BufferSize(int32_t size) override { return size * 2; }
    int32_t BindSize(int32_t size) override { return size * 2; }
    int32_t ValueLength(const void*) override { return 4; }
    void* SQLToVar(void* sqlValue, void* variable, void*, int32_t, KxGContext*) override
    {
        int16_t value;
        std::memcpy(&value, sqlValue, 2);
        *static_cast<int32_t*>(variable) = value;
        return variable;
    }
    void* VarToSQL(void* variable, void* sqlValue, void*, int32_t, KxGContext*) override
    {
        const auto value = static_cast<int16_t>(*static_cast<int32_t*>(variable));
        std::memcpy(sqlValue, &value, 2);
        return nullptr;
    }
    void ValueToText(const void*, KxString&, int32_t, KxGContext*) override {}
    uint16_t IsNullValue(const void*) override { return 0; }
    uint16_t IsNull(const void*) override { return 0; }
    void PrepareIndicator(void*) override {}
    void SetNull(void*) override {}
    void SetDataLength(void*, void*, int32_t) override {}
};

class CuttingDatabase : public TypeDatabase {
public:
    KxGTypeHdl* GetTypeHdl(int32_t typeCode, int32_t kind, int32_t flags) override
    {
        return typeCode == 2 ? &cutting : TypeDatabase::GetTypeHdl(typeCode, kind, flags);
    }
    CuttingHdl cutting;
};

TEST(TypeMemberMapTruncation, OverLongValuesAreCutOrRefusedByTheirOption)
{
    struct Case {
        const char* what;
        uint8_t typeCode;
        const char* option;   // the global option set (null: none)
        bool errorPending;
        int32_t status;
        bool traced;
    } cases[] = {
        {"string, TRUNCATE_STRING", 11, "TRUNCATE_STRING", false, 0, true},
        {"string, no option", 11, nullptr, false, KXG_E_BLOB_BUFFER_EXCEEDED, false},
        {"string, TRUNCATE_BLOB only", 11, "TRUNCATE_BLOB", false, KXG_E_BLOB_BUFFER_EXCEEDED, false},
        {"blob, TRUNCATE_BLOB", 18, "TRUNCATE_BLOB", false, 0, true},
        {"blob, no option", 18, nullptr, false, KXG_E_BLOB_BUFFER_EXCEEDED, false},
        {"int, no option", 2, nullptr, false, 0, true},
        {"int, database error pending", 2, nullptr, true, -1, false},
        {"string, database error pending", 11, "TRUNCATE_STRING", true, -1, false},
    };
    oratest::UnicodeFlags unicode(0, 1);   // client Unicode: a cut string reports its loss
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string traceFile = dir.Path("trace.txt");
        {
            CuttingDatabase database;
            KxGDatabaseTrace trace(KxString(traceFile.c_str()), 0xFFFF, nullptr);
            database.SetTrace(&trace);
            KxGSchemaMap schemaMap(&database, nullptr, 0, nullptr);
            if (c.option != nullptr) {
                ASSERT_EQ(0, schemaMap.GetOptionRegistry().ProcessOption("*", "*", c.option, "yes", 1));
                uint16_t preserve = 0;
                schemaMap.GetOptionRegistry().ProcessGlobalOptions(database, *database.GetDatabaseInfo(), true, false,
                                                                   preserve);
            }
            const uint32_t count = c.typeCode == 11 ? 4 : c.typeCode == 18 ? 8 : 1;
            KxGTypeMemberMap map(&schemaMap, KxClassId(0, 0), "m", KxString(), 0, c.typeCode, 0, 0, true, 0, count, 0);
            KxGBufferMap layout;
            ASSERT_EQ(0, map.JoinBuffer(layout));
            KxGSQLBuffer buffer(layout.GetRowWidth());
            buffer.Allocate(1);
            KxGRowContext rows(&buffer);

            KxString text("a text far longer than four");
            const uint8_t bytes[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
            KxBlob blob(bytes, 20);
            int32_t number = 0x123456;
            void* value = c.typeCode == 11 ? static_cast<void*>(&text)
                                           : c.typeCode == 18 ? static_cast<void*>(&blob) : static_cast<void*>(&number);
            KxEmbeddedObjectAlias alias(KxRef(), static_cast<uint8_t*>(value));
            if (c.errorPending) {
                database.Error().Set(-6001, 1, "pending");
            }
            EXPECT_EQ(c.status, map.Store(alias, rows, nullptr));
            database.SetTrace(nullptr);
        }
        const std::string written = ReadFile(traceFile);
        EXPECT_EQ(c.traced, written.find("Value truncated") != std::string::npos) << written;
    }
}

TEST_F(MemberMapTest, HandleTypedMembersAreMarkedAndCounted)
{
    KxGTypeMemberMap handle(fx.schemaMap.get(), KxClassId(23, 1), "data", KxString(), 0, 18, KXG_ORA_KIND_BLOB, 0, true,
                            0, kBlobSize, 0);
    KxGTypeMemberMap plain(fx.schemaMap.get(), KxClassId(23, 1), "data", KxString(), 0, 18, 0, 0, true, 0, kBlobSize, 0);
    EXPECT_TRUE(handle.IsHandle());
    EXPECT_FALSE(plain.IsHandle());
    EXPECT_EQ(KXG_COLUMN_HANDLE, handle.GetColumn().GetFlags() & KXG_COLUMN_HANDLE);
    EXPECT_EQ(0, plain.GetColumn().GetFlags() & KXG_COLUMN_HANDLE);
    KxGBufferMap layout;
    ASSERT_EQ(0, plain.JoinBuffer(layout));
    ASSERT_EQ(0, handle.JoinBuffer(layout));
    EXPECT_EQ(1, layout.GetHandleColumnCount());
    EXPECT_EQ(-6200, KXG_E_INDEX_ON_HANDLE_MEMBER);
    EXPECT_STREQ("Error : Index on handle member is not supported", KXG_TEXT_INDEX_ON_HANDLE_MEMBER);
}

TEST_F(MemberMapTest, HandlesAreMadePerRowAndKeptByObjectBuffers)
{
    KxGTypeMemberMap first(fx.schemaMap.get(), KxClassId(23, 1), "a", KxString(), 0, 18, KXG_ORA_KIND_BLOB, 0, true, 0,
                           kBlobSize, 0);
    KxGTypeMemberMap second(fx.schemaMap.get(), KxClassId(23, 1), "b", KxString(), 1, 18, KXG_ORA_KIND_BLOB, 0, true,
                            0, kBlobSize, 0);
    KxGBufferMap layout;
    ASSERT_EQ(0, first.JoinBuffer(layout));
    ASSERT_EQ(0, second.JoinBuffer(layout));
    ASSERT_EQ(2, layout.GetHandleColumnCount());

    KxGSQLObjectBuffer buffer(layout.GetRowWidth(), &fx.database, 2);
    buffer.Allocate(3);
    buffer.SetCurrentRow(1);
    KxGRowContext rows(&buffer);
    ASSERT_EQ(0, second.CreateHandles(rows, 2, &context));
    EXPECT_EQ(1, rows.GetCurrentRow());
    EXPECT_EQ(0u, buffer.GetDescriptor(0, 1).handle);
    EXPECT_EQ(1000u, buffer.GetDescriptor(1, 1).handle);
    EXPECT_EQ(1001u, buffer.GetDescriptor(2, 1).handle);
    EXPECT_EQ(0u, buffer.GetDescriptor(1, 0).handle);

    // Result columns bound without making handles; skipped handle members bind nothing.
    RecordingHdl statement;
    uint16_t column = 1;
    KxGRowContext noHandles(&buffer, KXG_ROW_NO_CREATE_HANDLES);
    ASSERT_EQ(0, first.BindColumn(column, noHandles, statement, 3, &context));
    EXPECT_EQ(1002u, fx.database.nextDescriptor);
    uint16_t position = 1;
    KxGRowContext skipHandles(&buffer, KXG_ROW_SKIP_HANDLES);
    ASSERT_EQ(0, first.BindParameter(position, skipHandles, statement, 3, &context));
    EXPECT_EQ(1u, statement.binds.size());

    // A plain buffer keeps no descriptors: a handle made for it is freed at once.
    KxGSQLBuffer plain(layout.GetRowWidth());
    plain.Allocate(1);
    KxGRowContext plainRows(&plain);
    ASSERT_EQ(0, first.CreateHandles(plainRows, 1, &context));
    EXPECT_EQ((std::vector<uintptr_t>{1002}), fx.database.freed);
}

TEST_F(MemberMapTest, MatchesComparesTypesAndClasses)
{
    const KxMetaClass* meta = fx.Meta(23);
    const KxMetaClass* holder = fx.Meta(24);
    struct Case {
        const char* map;
        const KxMember* member;
        int32_t expected;
    } cases[] = {
        {"count", meta->FindMember("count"), 1},
        {"count", meta->FindMember("weight"), 0},
        {"count", nullptr, 0},
        {"partner", meta->FindMember("boss"), 1},       // also a Part
        {"partner", meta->FindMember("origin"), 0},
        {"origin", meta->FindMember("corners"), 1},     // Point, same version
        {"origin", holder->FindMember("point"), -1},    // Point, another version
        {"origin", meta->FindMember("partner"), 0},
        {"origin", nullptr, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Map(c.map)->Matches(c.member)) << c.map << " / "
                                                             << (c.member ? c.member->GetName().StrGet() : "null");
    }
}

// ---- references -------------------------------------------------------------------------------------------

TEST_F(MemberMapTest, ReferenceColumnsTakeThePrefixAndTheMemberPath)
{
    struct Case {
        const char* prefix;
        const char* oidName;
        const char* cidName;
    } cases[] = {{"", "", ""}, {"P_", "P_OID", "P_CID"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        KxGRefMemberMap map(fx.schemaMap.get(), KxClassId(23, 1), 0);
        map.SetName("partner");
        map.SetColumnPrefix(c.prefix);
        map.BindRelation(part->GetClassMap(), nullptr,
                         std::make_unique<KxGOnDemandMemberAlias>(0, 0));
        KxGColumnList columns;
        ASSERT_EQ(0, map.GetColumns(columns));
        ASSERT_EQ(2u, columns.Count());
        auto* oid = dynamic_cast<KxGMemberColumn*>(columns.GetColumn(0));
        auto* cid = dynamic_cast<KxGMemberColumn*>(columns.GetColumn(1));
        ASSERT_TRUE(oid != nullptr && cid != nullptr);
        EXPECT_STREQ(c.oidName, oid->GetName().StrGet());
        EXPECT_STREQ(c.cidName, cid->GetName().StrGet());
        EXPECT_STREQ("partnerOID", oid->GetMemberPath().StrGet());
        EXPECT_STREQ("partnerCID", cid->GetMemberPath().StrGet());
        EXPECT_EQ(KXG_COLUMN_REFERENCE, oid->GetFlags());   // no longer key or not null
        EXPECT_EQ(0, cid->GetFlags());
        EXPECT_EQ(&map, oid->GetMemberMap());
        EXPECT_EQ(1, map.IsReference());
        KxString text("T0.");
        map.AppendIdColumnName(text);
        EXPECT_STREQ("T0.OID", text.StrGet());
    }
}

TEST_F(MemberMapTest, ReferencesStreamOutAndBackIntoTheBlobContainer)
{
    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();
    ObjectPtr stored = fx.NewObject(23, 1);
    Fill(*stored, 4);
    Fixture::At<KxOnDemand>(*stored, "partner").SetRef(KxRef(KxObjId(0x10, 0x2), KxClassId(21, 0)));
    KxCPPObjectAlias storedAlias(nullptr, nullptr, stored.get());
    KxGMemberMap* partner = Map("partner");
    KxGMemberMap* count = Map("count");
    EXPECT_EQ(8, partner->GetValueSize());

    uint8_t container[64] = {};
    uint8_t* position = container;
    uint32_t needed = 0;
    ASSERT_EQ(0, partner->StreamOut(typeMgr, position, storedAlias, sizeof(container), needed));
    EXPECT_EQ(8, position - container);
    ASSERT_EQ(0, count->StreamOut(typeMgr, position, storedAlias, sizeof(container) - 8, needed));
    EXPECT_EQ(8 + 4, position - container);

    ObjectPtr loaded = fx.NewObject(23, 2);
    KxCPPObjectAlias loadedAlias(nullptr, nullptr, loaded.get());
    const uint8_t* reading = container;
    ASSERT_EQ(0, partner->StreamIn(typeMgr, reading, loadedAlias, sizeof(container)));
    ASSERT_EQ(0, count->StreamIn(typeMgr, reading, loadedAlias, sizeof(container) - 8));
    const KxRef ref = Fixture::At<KxOnDemand>(*loaded, "partner").GetRef();
    EXPECT_EQ(KxObjId(0x10, 0x2), ref.GetObjId());
    EXPECT_EQ(KxClassId(21, 1), ref.GetClassId());
    EXPECT_EQ(Fixture::At<int32_t>(*stored, "count"), Fixture::At<int32_t>(*loaded, "count"));

    position = container;
    needed = 5;
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, partner->StreamOut(typeMgr, position, storedAlias, 7, needed));
    EXPECT_EQ(13u, needed);
    EXPECT_EQ(container, position);
}

TEST_F(MemberMapTest, ResolveListsReferenceHoldersAndReadAheadCollectsIds)
{
    KxGClassMap& classMap = *widget->GetClassMap();
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        ASSERT_EQ(0, classMap.GetMemberMap(i)->Resolve(classMap));
    }
    std::vector<std::string> names;
    for (uint32_t i = 0; i < classMap.GetRefMemberMapCount(); ++i) {
        names.emplace_back(classMap.GetRefMemberMap(i)->GetName().StrGet());
    }
    EXPECT_EQ((std::vector<std::string>{"origin", "corners", "partner", "boss"}), names);

    KxGBufferMap layout;
    Join(layout);
    KxGSQLBuffer buffer(layout.GetRowWidth());
    buffer.Allocate(1);
    KxGRowContext rows(&buffer);
    ObjectPtr stored = fx.NewObject(23, 1);
    Fill(*stored, 1);
    KxCPPObjectAlias alias(nullptr, nullptr, stored.get());
    StoreAll(alias, rows);
    std::vector<KxObjId> ids;
    for (uint32_t i = 0; i < classMap.GetRefMemberMapCount(); ++i) {
        ASSERT_EQ(0, classMap.GetRefMemberMap(i)->CollectReferences(rows, ids));
    }
    // origin's owner, corners[0]'s owner, partner; the null pointer adds nothing.
    EXPECT_EQ((std::vector<KxObjId>{KxObjId(71), KxObjId(80), KxObjId(91)}), ids);
    EXPECT_EQ(0, rows.GetBase());
}

// ---- embedded class members ----------------------------------------------------------------------------------

TEST_F(MemberMapTest, EmbeddedColumnsCarryOuterPathsAndTheOuterClassOptions)
{
    KxGOptionRegistry& registry = fx.schemaMap->GetOptionRegistry();
    ASSERT_EQ(0, registry.ProcessOption("Widget", "origin.x", "RENAME", "ORIG_X", 1));
    ASSERT_EQ(0, registry.ProcessOption("Widget", "origin.owner", "RENAME", "OWNR", 2));
    ASSERT_EQ(0, registry.ProcessOption("Widget", "origin.y", "RENAME", "", 3));
    ASSERT_EQ(0, registry.ProcessOption("Widget", "origin.x", "NULLABLE", "", 4));

    KxGColumnList columns;
    ASSERT_EQ(0, Map("origin")->GetColumns(columns));
    struct Expected {
        const char* name;
        const char* path;
    } expected[] = {{"ORIG_X", "origin.x"}, {"", "origin.y"}, {"OWNROID", "origin.ownerOID"},
                    {"OWNRCID", "origin.ownerCID"}};
    ASSERT_EQ(4u, columns.Count());
    for (uint32_t i = 0; i < 4; ++i) {
        auto* column = dynamic_cast<KxGMemberColumn*>(columns.GetColumn(i));
        ASSERT_NE(nullptr, column);
        EXPECT_STREQ(expected[i].name, column->GetName().StrGet()) << i;
        EXPECT_STREQ(expected[i].path, column->GetMemberPath().StrGet()) << i;
        EXPECT_EQ(Map("origin"), column->GetMemberMap());
    }
    const KxGClassOption* options = registry.GetClassOptions().FindClassOption("Widget");
    ASSERT_NE(nullptr, options);
    EXPECT_EQ(-4, options->GetMemberOption("origin.y")->GetOptions().Find("RENAME")->GetStatus());
    EXPECT_EQ(2, options->GetMemberOption("origin.x")->GetOptions().Find("NULLABLE")->GetStatus());
    EXPECT_EQ(-4, Map("origin")->AsClassMemberMap()->GetOptionStatus());

    // The inner maps' own columns are untouched.
    KxGColumnList inner;
    ASSERT_EQ(0, point->GetClassMap()->GetMemberMap(0)->GetColumns(inner));
    EXPECT_STREQ("x", dynamic_cast<KxGMemberColumn*>(inner.GetColumn(0))->GetMemberPath().StrGet());
}

TEST_F(MemberMapTest, EmbeddedArrayStreamsEveryElement)
{
    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();
    KxGMemberMap* origin = Map("origin");
    KxGMemberMap* corners = Map("corners");
    EXPECT_EQ(3 * origin->GetValueSize(), corners->GetValueSize());
    EXPECT_EQ(origin->GetSQLSize(), corners->GetSQLSize());

    ObjectPtr stored = fx.NewObject(23, 1);
    Fill(*stored, 2);
    KxCPPObjectAlias storedAlias(nullptr, nullptr, stored.get());
    uint8_t container[256] = {};
    uint8_t* position = container;
    uint32_t needed = 0;
    ASSERT_EQ(0, origin->StreamOut(typeMgr, position, storedAlias, sizeof(container), needed));
    const auto one = static_cast<uint32_t>(position - container);
    position = container;
    ASSERT_EQ(0, corners->StreamOut(typeMgr, position, storedAlias, sizeof(container), needed));
    EXPECT_EQ(3 * one, static_cast<uint32_t>(position - container));
    EXPECT_EQ(0u, needed);

    ObjectPtr loaded = fx.NewObject(23, 2);
    KxCPPObjectAlias loadedAlias(nullptr, nullptr, loaded.get());
    const uint8_t* reading = container;
    ASSERT_EQ(0, corners->StreamIn(typeMgr, reading, loadedAlias, 3 * one));
    for (uint32_t e = 0; e < 3; ++e) {
        EXPECT_EQ(fx.Inner<int32_t>(*stored, "corners", e, "x"), fx.Inner<int32_t>(*loaded, "corners", e, "x"));
        EXPECT_EQ(fx.Inner<double>(*stored, "corners", e, "y"), fx.Inner<double>(*loaded, "corners", e, "y"));
        EXPECT_EQ(KxRef(KxObjId(80 + e), KxClassId(21, 1)), fx.Inner<KxOnDemand>(*loaded, "corners", e, "owner").GetRef());
    }

    // Room for one element: the other two add their whole need and nothing more is written.
    position = container;
    needed = 0;
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, corners->StreamOut(typeMgr, position, storedAlias, one, needed));
    EXPECT_EQ(one, static_cast<uint32_t>(position - container));
    EXPECT_EQ(2 * one, needed);
}

// A set member map as far as an embedded class sees it.
class SetLike : public KxGMemberMap {
public:
    int32_t GetColumns(KxGColumnList&) override { return 0; }
    const KxString& GetName() const override { return name_; }
    uint16_t GetOwnerClassNumber() const override { return 30; }
    KxGMemberMap* AsSetMemberMap() override { return this; }

private:
    KxString name_{"items"};
};

TEST_F(MemberMapTest, SetMemberInAnEmbeddedClassIsRefused)
{
    KxGClass bag(fx.schemaMap.get(), KxClassId(30, 1), "Bag", KXG_CLASS_NOT_PERSISTENT);
    bag.SetClassMap(std::make_unique<KxGClassMap>(fx.schemaMap.get(), &bag));
    bag.AddMember(std::make_unique<KxGMember>("items", &bag, std::make_unique<SetLike>()));
    bag.GetClassMap()->AddMemberMap(bag.GetMember(0)->GetMemberMap());

    KxGClassMemberMap map(fx.schemaMap.get(), KxClassId(23, 1), "bag", 0, &bag,
                          std::make_unique<KxGEmbeddedClassMemberAlias>(0, 8), 1);
    KxGBufferMap layout;
    EXPECT_EQ(KXG_E_SET_IN_EMBEDDED_CLASS, map.JoinBuffer(layout));
    KxGColumnList columns;
    EXPECT_EQ(KXG_E_SET_IN_EMBEDDED_CLASS, map.GetColumns(columns));
    EXPECT_EQ(-6199, KXG_E_SET_IN_EMBEDDED_CLASS);
    EXPECT_STREQ("Error : Set member in embedded class is not supported", KXG_TEXT_SET_IN_EMBEDDED_CLASS);
}

TEST_F(MemberMapTest, BlobEmbeddedMemberTakesNoRoomInTheRow)
{
    const KxMember* origin = fx.Meta(23)->FindMember("origin");
    KxGBlobClassMemberMap map(fx.schemaMap.get(), KxClassId(23, 1), "origin", origin->GetPosition(), point,
                              std::make_unique<KxGEmbeddedClassMemberAlias>(origin->GetOffset(),
                                                                            origin->GetElementSize()),
                              1);
    KxGBufferMap layout;
    ASSERT_EQ(0, map.JoinBuffer(layout));
    EXPECT_EQ(0, layout.GetRowWidth());
    KxGColumnList columns;
    EXPECT_EQ(0, map.GetColumns(columns));
    EXPECT_EQ(0u, columns.Count());
    EXPECT_EQ(static_cast<uint32_t>(KXG_STORAGE_BLOB), map.GetStorageType());

    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();
    ObjectPtr stored = fx.NewObject(23, 1);
    Fill(*stored, 5);
    KxCPPObjectAlias storedAlias(nullptr, nullptr, stored.get());
    uint8_t container[64] = {};
    uint8_t* position = container;
    uint32_t needed = 0;
    ASSERT_EQ(0, map.StreamOut(typeMgr, position, storedAlias, sizeof(container), needed));
    ObjectPtr loaded = fx.NewObject(23, 2);
    KxCPPObjectAlias loadedAlias(nullptr, nullptr, loaded.get());
    const uint8_t* reading = container;
    ASSERT_EQ(0, map.StreamIn(typeMgr, reading, loadedAlias, static_cast<uint32_t>(position - container)));
    EXPECT_EQ(50, fx.Inner<int32_t>(*loaded, "origin", 0, "x"));
}

}  // namespace
