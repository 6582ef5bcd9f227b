// Members kept in a blob container and large strings, as the class loader maps them from a fixture
// dictionary and its mapping options: the member maps chosen, the option statuses, the columns, the
// container's sizes and entry indexes, and objects written into row buffers through those maps and
// read back (the container packed the way the class buffer map packs it).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "KxBlob.h"
#include "KxClassDict.h"
#include "KxGBlobMemberMaps.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassBufferMap.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMemberMap.h"
#include "KxGMappingCompletion.h"
#include "KxGOptionRegistry.h"
#include "KxGReadUnitOfWork.h"
#include "KxGOraDatabase.h"
#include "KxGRefMemberMap.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxTypeMgr.h"
#include "OraTestSupport.h"
#include "kxfound.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

// Completion with the blob container's parts only (no class buffer map).
class ContainerCompletion : public KxGClassCompletion {
public:
    std::unique_ptr<KxGMemberMap> CopyBlobContainer(KxGClassMap& classMap, KxGMemberMap& base) override
    {
        return KxGCopyBlobContainer(classMap, base);
    }
    int32_t SizeBlobContainer(KxGMemberMap& container, int32_t size, uint32_t entries) override
    {
        return KxGSizeBlobContainer(container, size, entries);
    }
    int32_t CreateClassBufferMap(KxGClassMap&) override { return 0; }
};

// Base and Sub both keep a member at position 1 in the container (b and d).
const char* const kFixture = R"(dictionary blobs
class 1.1 Spot embedded
member x int
member pic blob
class 2.1 Base
member a int
member b string count=20
class 3.1 Sub bases=Base
member c int
member d int count=3
member e string count=50
member f string count=50
member g blob
member spot embedded:Spot
member spots embedded:Spot count=2
class 4.1 Opts
member s1 string count=10
member i1 int
member i2 int
member b1 blob
member b2 blob
member b3 blob
member s2 string count=10
member s3 string count=10
member s4 string count=10
member s5 string count=10
member s6 string count=10
member s7 string count=10
member s8 string count=10
member i3 int
member p1 embedded:Spot
member p2 embedded:Spot
member s9 string
class 5.1 Shape
member area int
class 6.1 Circle bases=Shape
member r string count=10
class 7.1 Square bases=Shape
member s string count=10
)";

struct Option {
    const char* className;
    const char* member;
    const char* name;
    const char* argument;
};

const std::vector<Option> kOptions = {
    {"Base", "b", "MEMBER_STORAGE_TYPE", "BLOB, 100"},
    {"Sub", "d", "MEMBER_STORAGE_TYPE", "BLOB, 64"},
    {"Sub", "e", "CHARTYPE", "LARGE_STRING, 50, 2000"},
    {"Sub", "e", "MEMBER_STORAGE_TYPE", "BLOB, 200"},
    {"Sub", "f", "CHARTYPE", "LARGE_STRING, 20, 2000"},
    {"Sub", "g", "BLOB_TYPE", "RAW, 500"},
    {"Sub", "spots", "MEMBER_STORAGE_TYPE", "BLOB"},
    {"Sub", "*", "SET_STORAGE_TYPE", "BLOB, 300"},
    {"Spot", "pic", "BLOB_TYPE", "RAW, 16"},
    {"Spot", "pic", "MEMBER_STORAGE_TYPE", "BLOB, 10"},
};

class BlobMapping : public oratest::DatabaseTest {
protected:
    BlobMapping() : DatabaseTest({.prefix = "BLM_", .users = {{"S", "s"}}}) {}
    // hooks: the completion to install (the container's parts only, or the mapping's whole one).
    explicit BlobMapping(KxGClassCompletion* hooks) : BlobMapping() { hooks_ = hooks; }

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        previous_ = KxGClassCompletion::GetDefault();
        KxGClassCompletion::SetDefault(hooks_ != nullptr ? hooks_ : &completion_);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kFixture, KxString("blobs.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    }

    void TearDown() override
    {
        KxGClassCompletion::SetDefault(previous_);
        map_.reset();
        DatabaseTest::TearDown();
    }

    void Load(const std::vector<Option>& options)
    {
        for (const Option& o : options) {
            ASSERT_EQ(0, map_->GetOptionRegistry().ProcessOption(KxString(o.className), KxString(o.member),
                                                                  KxString(o.name), KxString(o.argument), 1));
        }
        // A table holds one LONG column at most: the containers are RAW, the large strings' LSX LONG.
        ASSERT_EQ(0, map_->GetOptionRegistry().ProcessOption(KxString("*"), KxString("*"),
                                                              KxString("BLOB_CONTAINER_TYPE"),
                                                              KxString(containerType_), 1));
        uint16_t preserveNames = 0;
        map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserveNames);
        for (uint16_t number : {2, 3, 4}) {
            KxGClass* loaded = nullptr;
            ASSERT_EQ(0, map_->LoadClass(*dictionary_->GetCurrentVersion(number), loaded, 0)) << number;
        }
    }

    KxGMemberMap* MapOf(uint16_t classNumber, const char* member)
    {
        KxGClassMap& classMap = *map_->FindClass(classNumber)->GetClassMap();
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            if (Text(classMap.GetMemberMap(i)->GetName()) == member) {
                return classMap.GetMemberMap(i);
            }
        }
        ADD_FAILURE() << "no member map " << member;
        return nullptr;
    }

    KxGBlobContainerMemberMap* ContainerOf(uint16_t classNumber)
    {
        KxGMemberMap* map = map_->FindClass(classNumber)->GetClassMap()->GetBlobContainerMap();
        return map != nullptr ? dynamic_cast<KxGBlobContainerMemberMap*>(map) : nullptr;
    }

    int16_t StatusOf(const Option& o)
    {
        const KxGClassOption* classOption =
            map_->GetOptionRegistry().GetClassOptions().FindClassOption(KxString(o.className));
        return classOption->GetMemberOption(KxString(o.member))->GetOptions().Find(KxString(o.name))->GetStatus();
    }

    KxGClassCompletion* previous_ = nullptr;
    KxGClassCompletion* hooks_ = nullptr;
    const char* containerType_ = "RAW";
    ContainerCompletion completion_;
    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
};

TEST_F(BlobMapping, MemberOptionsChooseTheMapAndGetTheirStatuses)
{
    const struct {
        Option option;
        int16_t status;
        uint32_t storage;   // of the member map
    } cases[] = {
        {{"Opts", "s1", "CHARTYPE", "VARCHAR2, 80"}, KXG_OPTION_OK, KXG_STORAGE_COLUMN},
        {{"Opts", "i1", "CHARTYPE", "VARCHAR2, 80"}, KXG_OPTION_IGNORED, KXG_STORAGE_COLUMN},
        {{"Opts", "i2", "BLOBSIZE", "10"}, KXG_OPTION_IGNORED, KXG_STORAGE_COLUMN},
        {{"Opts", "b1", "BLOBSIZE", "abc"}, KXG_OPTION_NOT_NUMERIC, KXG_STORAGE_COLUMN},
        {{"Opts", "b2", "BLOB_TYPE", "NOPE, 10"}, KXG_OPTION_NOT_SUPPORTED, KXG_STORAGE_COLUMN},
        {{"Opts", "b3", "BLOB_TYPE", "RAW, 300"}, KXG_OPTION_OK, KXG_STORAGE_COLUMN},
        {{"Opts", "s2", "MEMBER_STORAGE_TYPE", ""}, KXG_OPTION_NO_ARGUMENT, KXG_STORAGE_COLUMN},
        {{"Opts", "s3", "MEMBER_STORAGE_TYPE", "BLOB"}, KXG_OPTION_NO_SECOND, KXG_STORAGE_COLUMN},
        {{"Opts", "s4", "MEMBER_STORAGE_TYPE", "BLOB, x"}, KXG_OPTION_SECOND_NOT_NUMERIC, KXG_STORAGE_COLUMN},
        {{"Opts", "s5", "MEMBER_STORAGE_TYPE", "FOO, 10"}, KXG_OPTION_NOT_SUPPORTED, KXG_STORAGE_COLUMN},
        {{"Opts", "s6", "MEMBER_STORAGE_TYPE", "DEFAULT"}, KXG_OPTION_OK, KXG_STORAGE_COLUMN},
        {{"Opts", "s7", "CHARTYPE", "VARCHAR2"}, KXG_OPTION_NO_ARGUMENT, KXG_STORAGE_COLUMN},
        // The accepted type word is kept: a large string with both columns.
        {{"Opts", "s8", "CHARTYPE", "LARGE_STRING, 10, many"}, KXG_OPTION_NOT_NUMERIC, KXG_STORAGE_COLUMN},
        {{"Opts", "i3", "MEMBER_STORAGE_TYPE", "BLOB, 16"}, KXG_OPTION_OK, KXG_STORAGE_BLOB},
        {{"Opts", "p1", "MEMBER_STORAGE_TYPE", ""}, KXG_OPTION_NOT_SUPPORTED, KXG_STORAGE_COLUMN},
        {{"Opts", "p2", "MEMBER_STORAGE_TYPE", "DEFAULT"}, KXG_OPTION_OK, KXG_STORAGE_COLUMN},
    };
    std::vector<Option> options;
    for (const auto& c : cases) {
        options.push_back(c.option);
    }
    Load(options);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option.member);
        EXPECT_EQ(c.status, StatusOf(c.option));
        EXPECT_EQ(c.storage, MapOf(4, c.option.member)->GetStorageType());
    }
    // Sizes and kinds that took effect: a VARCHAR2 of 80, a RAW of 300.
    auto* s1 = dynamic_cast<KxGTypeMemberMap*>(MapOf(4, "s1"));
    ASSERT_NE(nullptr, s1);
    EXPECT_EQ(80u, s1->GetColumn().GetSize());
    auto* b3 = dynamic_cast<KxGTypeMemberMap*>(MapOf(4, "b3"));
    ASSERT_NE(nullptr, b3);
    EXPECT_EQ(300u, b3->GetColumn().GetSize());
    KxString type;
    ASSERT_NE(0, b3->GetTypeHdl()->SQLTypeName(300, type));
    EXPECT_EQ("RAW (300)", Text(type));
    // A string declared without a length takes the registry's string size, a blob without options
    // the registry's blob size.
    EXPECT_EQ(50u, dynamic_cast<KxGTypeMemberMap*>(MapOf(4, "s9"))->GetColumn().GetSize());
    EXPECT_EQ(32000u, dynamic_cast<KxGTypeMemberMap*>(MapOf(4, "b1"))->GetColumn().GetSize());
    EXPECT_NE(nullptr, dynamic_cast<KxGLargeStringMemberMap*>(MapOf(4, "s8")));
    EXPECT_EQ(nullptr, dynamic_cast<KxGLargeStringMemberMap*>(MapOf(4, "s7")));
    EXPECT_NE(nullptr, dynamic_cast<KxGBlobTypeMemberMap*>(MapOf(4, "i3")));
    // An embedded member outside the container is an ordinary class member map.
    EXPECT_EQ(nullptr, dynamic_cast<KxGBlobClassMemberMap*>(MapOf(4, "p1")));
    EXPECT_EQ(nullptr, dynamic_cast<KxGBlobClassMemberMap*>(MapOf(4, "p2")));
    // The one member in the container made the class's container, and owns an entry.
    ASSERT_NE(nullptr, ContainerOf(4));
    EXPECT_EQ(13, ContainerOf(4)->GetEntryIndex(MapOf(4, "i3")));
    EXPECT_EQ(-1, ContainerOf(4)->GetEntryIndex(MapOf(4, "s1")));
}

std::vector<KxGMemberMap*> MemberMaps(KxGClassMap& classMap)
{
    std::vector<KxGMemberMap*> list;
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        list.push_back(classMap.GetMemberMap(i));
    }
    return list;
}

template <typename T>
T& At(KxObject& object, const char* name, uint32_t element = 0)
{
    const KxMember* member = object.GetMetaClass()->FindMember(name);
    EXPECT_NE(member, nullptr) << name;
    return *reinterpret_cast<T*>(object.MemberAddress(*member, element));
}

template <typename T>
T& Inner(KxObject& object, const char* embedded, uint32_t element, const char* name)
{
    const KxMember* outer = object.GetMetaClass()->FindMember(embedded);
    const KxMember* inner = outer->GetClass()->FindMember(name);
    return *reinterpret_cast<T*>(object.MemberAddress(*outer, element) + inner->GetOffset());
}

struct Release {
    void operator()(KxObject* object) const { object->Release(); }
};
using ObjectPtr = std::unique_ptr<KxObject, Release>;

void Fill(KxObject& o, int seed)
{
    At<int32_t>(o, "a") = seed;
    At<KxString>(o, "b") = KxString(("base " + std::to_string(seed)).c_str());
    At<int32_t>(o, "c") = 10 * seed;
    for (uint32_t i = 0; i < 3; ++i) {
        At<int32_t>(o, "d", i) = 100 * seed + static_cast<int32_t>(i);
    }
    At<KxString>(o, "e") = KxString(std::string(120, char('a' + seed % 20)).c_str());
    At<KxString>(o, "f") = KxString((std::string(30, char('k' + seed % 10)) + "tail").c_str());
    const uint8_t bytes[3] = {9, static_cast<uint8_t>(seed), 7};
    At<KxBlob>(o, "g") = KxBlob(bytes, 3);
    Inner<int32_t>(o, "spot", 0, "x") = -seed;
    for (uint32_t i = 0; i < 2; ++i) {
        Inner<int32_t>(o, "spots", i, "x") = seed * 1000 + static_cast<int32_t>(i);
        const uint8_t pic[2] = {static_cast<uint8_t>(i), static_cast<uint8_t>(seed)};
        Inner<KxBlob>(o, "spots", i, "pic") = KxBlob(pic, 2);
    }
}

void ExpectSame(KxObject& s, KxObject* object)
{
    EXPECT_EQ(At<int32_t>(s, "a"), At<int32_t>(*object, "a"));
    EXPECT_EQ(At<KxString>(s, "b"), At<KxString>(*object, "b"));
    EXPECT_EQ(At<int32_t>(s, "c"), At<int32_t>(*object, "c"));
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(At<int32_t>(s, "d", i), At<int32_t>(*object, "d", i));
    }
    EXPECT_EQ(At<KxString>(s, "e"), At<KxString>(*object, "e"));
    EXPECT_EQ(At<KxString>(s, "f"), At<KxString>(*object, "f"));
    EXPECT_EQ(At<KxBlob>(s, "g"), At<KxBlob>(*object, "g"));
    EXPECT_EQ(Inner<int32_t>(s, "spot", 0, "x"), Inner<int32_t>(*object, "spot", 0, "x"));
    for (uint32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(Inner<int32_t>(s, "spots", i, "x"), Inner<int32_t>(*object, "spots", i, "x"));
        EXPECT_EQ(Inner<KxBlob>(s, "spots", i, "pic"), Inner<KxBlob>(*object, "spots", i, "pic"));
    }
}

TEST_F(BlobMapping, BaseAndOwnMembersShareTheContainerWithoutOverwritingEachOther)
{
    Load(kOptions);
    // The maps the options chose.
    EXPECT_NE(nullptr, dynamic_cast<KxGBlobTypeMemberMap*>(MapOf(3, "b")));
    EXPECT_NE(nullptr, dynamic_cast<KxGBlobTypeMemberMap*>(MapOf(3, "d")));
    auto* e = dynamic_cast<KxGLargeStringMemberMap*>(MapOf(3, "e"));
    auto* f = dynamic_cast<KxGLargeStringMemberMap*>(MapOf(3, "f"));
    ASSERT_NE(nullptr, e);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(KXG_STORAGE_LARGE_STRING, e->GetStorageType());
    EXPECT_FALSE(e->HasSecondColumn());
    EXPECT_TRUE(f->HasSecondColumn());
    auto* spots = dynamic_cast<KxGBlobClassMemberMap*>(MapOf(3, "spots"));
    ASSERT_NE(nullptr, spots);
    EXPECT_EQ(2u, spots->GetDimension());
    // A blob member of a class nested in a container keeps ordinary storage.
    EXPECT_EQ(KXG_OPTION_NOT_ALLOWED, StatusOf({"Spot", "pic", "MEMBER_STORAGE_TYPE", nullptr}));
    EXPECT_EQ(KXG_STORAGE_COLUMN, MapOf(1, "pic")->GetStorageType());
    EXPECT_EQ(nullptr, ContainerOf(1));

    // Columns: both large strings keep their own column (the value's beginning), only f has an LSX
    // column (e's whole value is in the container); one container column.
    KxGColumnList columns;
    map_->FindClass(3)->GetClassMap()->CollectColumns(columns);
    std::vector<std::string> paths;
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        paths.push_back(Text(static_cast<const KxGMemberColumn*>(columns.GetColumn(i))->GetMemberPath()));
    }
    EXPECT_EQ((std::vector<std::string>{"a", "c", "e", "f", "fLSX", "g", "spot.x", "spot.pic", "BLOB_CONTAINER"}), paths);

    // Sizes: Base's container holds b (100); Sub's copies it and adds d, e, spots and the class's
    // SET_STORAGE_TYPE BLOB size.
    KxGBlobContainerMemberMap* base = ContainerOf(2);
    KxGBlobContainerMemberMap* sub = ContainerOf(3);
    ASSERT_NE(nullptr, base);
    ASSERT_NE(nullptr, sub);
    EXPECT_EQ(100, base->GetColumnSize());
    EXPECT_EQ(100 + 64 + 200 + spots->GetValueSize() + 8 + 300, sub->GetColumnSize());
    EXPECT_EQ(10u, sub->GetEntryCount());
    // b and d both sit at position 1: b (inherited) keeps entry 1 in both classes, d takes entry 0.
    EXPECT_EQ(1, MapOf(3, "b")->GetMemberPos());
    EXPECT_EQ(1, MapOf(3, "d")->GetMemberPos());
    EXPECT_EQ(1, base->GetEntryIndex(MapOf(2, "b")));
    EXPECT_EQ(1, sub->GetEntryIndex(MapOf(3, "b")));
    EXPECT_EQ(0, sub->GetEntryIndex(MapOf(3, "d")));
    EXPECT_EQ(2, sub->GetEntryIndex(e));
    EXPECT_EQ(6, sub->GetEntryIndex(spots));

    // Two objects through one buffer: columns stored, the container packed, all read back.
    KxGClassMap& classMap = *map_->FindClass(3)->GetClassMap();
    KxGBufferMap layout;
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        ASSERT_EQ(0, classMap.GetMemberMap(i)->JoinBuffer(layout));
    }
    KxGSQLBuffer buffer(layout.GetRowWidth());
    buffer.Allocate(2);
    KxGRowContext rows(&buffer);
    KxGContext context(db_.get());
    KxObjectMgr objects(nullptr);
    const KxMetaClass* meta = dictionary_->GetCurrentVersion(3)->AsClass();
    std::vector<ObjectPtr> stored;
    for (int row = 0; row < 2; ++row) {
        KxObject* object = nullptr;
        ASSERT_EQ(0, objects.Create(meta, KxObjId(static_cast<uint32_t>(row + 1)), object));
        stored.emplace_back(object);
        Fill(*object, row + 1);
        KxCPPObjectAlias alias(nullptr, nullptr, object);
        rows.SetCurrentRow(row);
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            ASSERT_EQ(0, classMap.GetMemberMap(i)->Store(alias, rows, &context)) << i;
        }
        uint32_t required = 0;
        ASSERT_EQ(0, sub->PackObject(KxTypeMgr::GetDefault(), MemberMaps(classMap), classMap.GetMemberMapCount(), 1,
                                     alias, rows, required));
    }
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        KxObject* object = nullptr;
        ASSERT_EQ(0, objects.Create(meta, KxObjId(static_cast<uint32_t>(row + 11)), object));
        ObjectPtr loaded(object);
        KxCPPObjectAlias alias(nullptr, nullptr, object);
        rows.SetCurrentRow(row);
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            ASSERT_EQ(0, classMap.GetMemberMap(i)->Load(rows, alias, &context)) << i;
        }
        ASSERT_EQ(0, sub->UnpackObject(KxTypeMgr::GetDefault(), MemberMaps(classMap), rows, alias));
        ExpectSame(*stored[static_cast<size_t>(row)], object);
    }

    // The large string's own column holds its beginning; the value came back from the LSX column.
    rows.SetCurrentRow(1);
    KxString head;
    uint8_t* value = rows.ValueAddress(f->GetRowOffset(), f->GetBufferSize(), 1);
    f->GetTypeHdl()->SQLToVar(value, &head, rows.IndicatorAddress(f->GetRowOffset(), f->GetBufferSize(),
                                                                  f->GetIndSize(), 1),
                              f->GetColumnSize(), &context);
    EXPECT_EQ(std::string(20, 'm'), Text(head));
}

TEST_F(BlobMapping, AContainerTooSmallAsksForTheExactSizeWhenWrittenAndWhenRead)
{
    Load(kOptions);
    KxGClassMap& classMap = *map_->FindClass(3)->GetClassMap();
    const std::vector<KxGMemberMap*> maps = MemberMaps(classMap);
    KxObjectMgr objects(nullptr);
    KxObject* raw = nullptr;
    ASSERT_EQ(0, objects.Create(dictionary_->GetCurrentVersion(3)->AsClass(), KxObjId(5), raw));
    ObjectPtr object(raw);
    At<KxString>(*object, "b") = KxString("in the base");
    At<KxString>(*object, "e") = KxString(std::string(150, 'e').c_str());
    KxCPPObjectAlias alias(nullptr, nullptr, object.get());
    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();

    // A copy of the class's container on one-row buffers of its own, as a reader re-reads one object.
    KxGBlobContainerMemberMap container(*ContainerOf(3));
    auto pack = [&](int32_t size, KxGSQLBuffer& buffer, uint32_t& required) {
        container.SetOffset(0);
        container.SetSQLSize(size);
        buffer.SetRowWidth(container.GetBufferSize() + container.GetIndSize());
        buffer.Allocate(1);
        KxGRowContext rows(&buffer);
        return container.PackObject(typeMgr, maps, classMap.GetMemberMapCount(), 1, alias, rows, required);
    };
    KxGSQLBuffer small;
    uint32_t required = 0;
    // The header fits, e's 150 characters do not: everything is packed but e, and the need is exact.
    ASSERT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, pack(150, small, required));
    KxGSQLBuffer exact;
    uint32_t again = 0;
    ASSERT_EQ(0, pack(static_cast<int32_t>(required), exact, again));
    KxGRowContext exactRows(&exact);
    EXPECT_EQ(required, container.GetRequiredSize(exactRows));
    EXPECT_EQ(0u, container.GetRoom(exactRows, container.GetStart(exactRows) + required - KXG_BLOB_SLOT_PREFIX));

    // Read into a slot that holds only its first 150 bytes (a fetch cut short): refused, asks for the
    // exact size, and reads back whole with it.
    container.SetSQLSize(150);
    KxGSQLBuffer cut(container.GetBufferSize() + container.GetIndSize());
    cut.Allocate(1);
    KxGRowContext cutRows(&cut);
    std::memcpy(cut.GetData(), exact.GetData(), static_cast<size_t>(container.GetBufferSize()));
    ASSERT_EQ(0, objects.Create(dictionary_->GetCurrentVersion(3)->AsClass(), KxObjId(6), raw));
    ObjectPtr loaded(raw);
    KxCPPObjectAlias loadedAlias(nullptr, nullptr, loaded.get());
    EXPECT_TRUE(container.IsOverflow(cutRows));
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, container.UnpackObject(typeMgr, maps, cutRows, loadedAlias));
    EXPECT_EQ(required, container.GetRequiredSize(cutRows));
    container.SetSQLSize(static_cast<int32_t>(required));
    EXPECT_FALSE(container.IsOverflow(exactRows));
    ASSERT_EQ(0, container.UnpackObject(typeMgr, maps, exactRows, loadedAlias));
    EXPECT_EQ(At<KxString>(*object, "b"), At<KxString>(*loaded, "b"));
    EXPECT_EQ(At<KxString>(*object, "e"), At<KxString>(*loaded, "e"));
}

TEST_F(BlobMapping, TablesWithContainerAndLargeStringColumnsAreCreated)
{
    Load(kOptions);
    oratest::OwnedList list;
    for (uint16_t number : {2, 3}) {
        ASSERT_EQ(0, map_->FindClass(number)->GetClassMap()->GetStoreHdl()->CreateClassTable(list));
    }
    std::string ddl;
    for (uint32_t i = 0; i < list.Count(); ++i) {
        ddl += Text(list.GetTemplate(i)->GetSQLText()) + ";\n";
    }
    SCOPED_TRACE(ddl);
    EXPECT_NE(std::string::npos, ddl.find("BLOB_CONTAINER RAW (" + std::to_string(ContainerOf(3)->GetColumnSize()) + ")"));
    EXPECT_NE(std::string::npos, ddl.find("LSX"));
    for (uint32_t i = 0; i < list.Count(); ++i) {
        KxGStoreStatement run(db_.get(), list.GetTemplate(i), 0);
        EXPECT_EQ(run.Execute(), 1) << Text(list.GetTemplate(i)->GetSQLText()) << "\n" << db_->GetError()->Text();
    }
}

TEST_F(BlobMapping, TheUniversalTableKeepsTheLargestContainerOfItsChildren)
{
    Load({{"Shape", "*", "STORE", "UNIVERSAL"},
          {"Circle", "r", "MEMBER_STORAGE_TYPE", "BLOB, 300"},
          {"Square", "s", "MEMBER_STORAGE_TYPE", "BLOB, 500"}});
    for (uint16_t number : {6, 7}) {
        KxGClass* loaded = nullptr;
        ASSERT_EQ(0, map_->LoadClass(*dictionary_->GetCurrentVersion(number), loaded, 0)) << number;
    }
    std::vector<KxGMemberMap*> containers;
    for (KxGMemberMap* memberMap : map_->FindClass(5)->GetClassMap()->GetTableMaps()) {
        if (Text(memberMap->GetName()) == "BLOB_CONTAINER") {
            containers.push_back(memberMap);
        }
    }
    ASSERT_EQ(1u, containers.size());
    EXPECT_EQ(ContainerOf(7), containers[0]);
    EXPECT_EQ(500, ContainerOf(7)->GetColumnSize());
}

// ---- through the engine -------------------------------------------------------------------------------

// Reads objects the way the object reader does: each fetched row loads its alias.
class Reader : public KxGObjectFetcher {
public:
    Reader(KxGDatabase* database, KxGClassBufferMap& bufferMap) : database_(database), bufferMap_(bufferMap) {}
    KxGDatabase* GetDatabase() override { return database_; }
    KxGRowBufferCache* GetRowBufferCache() override { return nullptr; }
    int32_t LoadAlias(KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer> row) override
    {
        KxGRowContext rows(row.get());
        KxGContext context(database_);
        return bufferMap_.LoadObject(rows, alias, &context);
    }
    int32_t NotFound(KxObjectAlias&) override
    {
        ++notFound;
        return 0;
    }
    int32_t notFound = 0;

private:
    KxGDatabase* database_;
    KxGClassBufferMap& bufferMap_;
};

class BlobMappingOnEngine : public BlobMapping {
protected:
    BlobMappingOnEngine() : BlobMapping(&KxGMappingCompletion::Instance()) {}

    // Stores count objects of Sub for each count, reads them back by id and compares.
    void RoundTrip()
    {
        Load(kOptions);
        oratest::OwnedList ddl;
        for (uint16_t number : {2, 3}) {
            ASSERT_EQ(0, map_->FindClass(number)->GetClassMap()->GetStoreHdl()->CreateClassTable(ddl));
        }
        for (uint32_t i = 0; i < ddl.Count(); ++i) {
            KxGStoreStatement run(db_.get(), ddl.GetTemplate(i), 0);
            ASSERT_EQ(run.Execute(), 1) << Text(ddl.GetTemplate(i)->GetSQLText()) << "\n" << db_->GetError()->Text();
        }
        KxGClassMap& classMap = *map_->FindClass(3)->GetClassMap();
        auto* bufferMap = dynamic_cast<KxGClassBufferMap*>(classMap.GetClassBufferMap());
        ASSERT_NE(nullptr, bufferMap);
        const KxMetaClass* meta = dictionary_->GetCurrentVersion(3)->AsClass();
        KxObjectMgr objects(nullptr);
        uint32_t nextId = 1;
        for (uint32_t count : {1u, 2u, 300u}) {
            SCOPED_TRACE(count);
            std::vector<ObjectPtr> stored;
            std::vector<std::unique_ptr<KxCPPObjectAlias>> holders;
            KxGAliasVector aliases;
            for (uint32_t i = 0; i < count; ++i) {
                KxObject* object = nullptr;
                ASSERT_EQ(0, objects.Create(meta, KxObjId(nextId + i), object));
                stored.emplace_back(object);
                Fill(*object, static_cast<int>(nextId + i));
                holders.push_back(std::make_unique<KxCPPObjectAlias>(nullptr, nullptr, object));
                aliases.push_back(holders.back().get());
            }
            KxGRequest request(nullptr, &classMap, meta->GetClassId(), KXG_OP_INSERT);
            request.SetEnvironment(db_.get(), 0);
            ASSERT_EQ(0, bufferMap->FillRows(aliases, request, request.GetMemberMapContext()));
            ASSERT_EQ(0, bufferMap->PrepareStatements(request, nullptr));
            ASSERT_EQ(0, bufferMap->ExecuteTableMaps(request, aliases)) << db_->GetError()->Text();
            ASSERT_EQ(0, bufferMap->ResetRows(request, aliases, nullptr)) << db_->GetError()->Text();
            ASSERT_EQ(db_->CommitConnection(), 1) << db_->GetError()->Text();

            std::vector<ObjectPtr> loaded;
            std::vector<std::unique_ptr<KxCPPObjectAlias>> readers;
            KxGAliasVector reads;
            for (uint32_t i = 0; i < count; ++i) {
                KxObject* object = nullptr;
                ASSERT_EQ(0, objects.Create(meta, KxObjId(nextId + i), object));
                loaded.emplace_back(object);
                readers.push_back(std::make_unique<KxCPPObjectAlias>(nullptr, nullptr, object));
                reads.push_back(readers.back().get());
            }
            Reader reader(db_.get(), *bufferMap);
            ASSERT_EQ(0, bufferMap->ReadObjects(reader, reads)) << db_->GetError()->Text();
            EXPECT_EQ(0, reader.notFound);
            for (uint32_t i = 0; i < count; ++i) {
                SCOPED_TRACE(i);
                ExpectSame(*stored[i], loaded[i].get());
            }
            nextId += count;
        }
    }
};

TEST_F(BlobMappingOnEngine, ObjectsWithContainerBlobAndLargeStringsComeBackWhole)
{
    RoundTrip();
}


// The container in a BLOB column: the row binds a locator, the container is written and read through
// the child container.
TEST_F(BlobMappingOnEngine, AContainerBehindALocatorIsWrittenAndReadThroughTheChild)
{
    containerType_ = "BLOB";
    Load(kOptions);
    oratest::OwnedList ddl;
    ASSERT_EQ(0, map_->FindClass(3)->GetClassMap()->GetStoreHdl()->CreateClassTable(ddl));
    ddl.Append(new KxGStoreStatementTemplate(KxString("INSERT INTO S.SUBC3V0 (OID, CID) VALUES (7, 3)")));
    for (uint32_t i = 0; i < ddl.Count(); ++i) {
        KxGStoreStatement run(db_.get(), ddl.GetTemplate(i), 0);
        ASSERT_EQ(run.Execute(), 1) << Text(ddl.GetTemplate(i)->GetSQLText()) << "\n" << db_->GetError()->Text();
    }
    KxGClassMap& classMap = *map_->FindClass(3)->GetClassMap();
    const std::vector<KxGMemberMap*> maps = MemberMaps(classMap);
    KxGBlobContainerMemberMap* container = ContainerOf(3);
    ASSERT_NE(nullptr, container->GetChild());
    KxTypeMgr* typeMgr = KxTypeMgr::GetDefault();
    KxGContext context(db_.get());

    KxObjectMgr objects(nullptr);
    const KxMetaClass* meta = dictionary_->GetCurrentVersion(3)->AsClass();
    KxObject* raw = nullptr;
    ASSERT_EQ(0, objects.Create(meta, KxObjId(7), raw));
    ObjectPtr stored(raw);
    Fill(*stored, 4);
    KxCPPObjectAlias storedAlias(nullptr, nullptr, stored.get());

    // The container packed into its one-row buffer (this map at offset 0).
    KxGBlobContainerMemberMap packer(*container);
    packer.SetOffset(0);
    KxGSQLBuffer value(packer.GetBufferSize() + packer.GetIndSize());
    value.Allocate(1);
    KxGRowContext valueRows(&value);
    uint32_t required = 0;
    ASSERT_EQ(0, packer.PackObject(typeMgr, maps, classMap.GetMemberMapCount(), 1, storedAlias, valueRows, required));

    // A row of the locator alone, selected for update, written through the child.
    KxGBlobContainerMemberMap rowMap(*container);
    KxGBufferMap layout;
    ASSERT_EQ(0, rowMap.JoinBuffer(layout));
    auto select = [&](const char* sql, KxGSQLObjectBuffer& row) {
        KxGSelectStatementTemplate query{KxString(sql)};
        oratest::StatementHdlPtr handle(db_->CreateStatementHdl(&query));
        ASSERT_TRUE(handle) << db_->GetError()->Text();
        KxGRowContext rows(&row);
        uint16_t column = 1;
        ASSERT_EQ(0, rowMap.BindColumn(column, rows, *handle, 1, &context));
        ASSERT_EQ(1, handle->Execute(0)) << db_->GetError()->Text();
        uint32_t fetched = 1;
        ASSERT_EQ(1, handle->Fetch(fetched)) << db_->GetError()->Text();
        ASSERT_EQ(1u, fetched);
    };
    KxGSQLObjectBuffer forUpdate(layout.GetRowWidth(), db_.get(), layout.GetHandleColumnCount());
    forUpdate.Allocate(1);
    ASSERT_NO_FATAL_FAILURE(select("SELECT BLOB_CONTAINER FROM S.SUBC3V0 WHERE OID = 7 FOR UPDATE", forUpdate));
    KxGRowContext updateRows(&forUpdate);
    ASSERT_EQ(0, rowMap.WriteThroughChild(updateRows, value, &context)) << db_->GetError()->Text();
    ASSERT_EQ(db_->CommitConnection(), 1) << db_->GetError()->Text();

    KxGSQLObjectBuffer read(layout.GetRowWidth(), db_.get(), layout.GetHandleColumnCount());
    read.Allocate(1);
    ASSERT_NO_FATAL_FAILURE(select("SELECT BLOB_CONTAINER FROM S.SUBC3V0 WHERE OID = 7", read));
    ASSERT_EQ(0, objects.Create(meta, KxObjId(8), raw));
    ObjectPtr loaded(raw);
    KxCPPObjectAlias loadedAlias(nullptr, nullptr, loaded.get());
    KxGRowContext readRows(&read);
    ASSERT_EQ(0, rowMap.UnpackThroughChild(typeMgr, maps, readRows, loadedAlias, &context)) << db_->GetError()->Text();
    EXPECT_EQ(At<KxString>(*stored, "b"), At<KxString>(*loaded, "b"));
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(At<int32_t>(*stored, "d", i), At<int32_t>(*loaded, "d", i));
    }
    EXPECT_EQ(At<KxString>(*stored, "e"), At<KxString>(*loaded, "e"));
    for (uint32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(Inner<KxBlob>(*stored, "spots", i, "pic"), Inner<KxBlob>(*loaded, "spots", i, "pic"));
    }
    // Unpacking the row's container goes through the locator as well.
    ASSERT_EQ(0, objects.Create(meta, KxObjId(9), raw));
    ObjectPtr again(raw);
    KxCPPObjectAlias againAlias(nullptr, nullptr, again.get());
    ASSERT_EQ(0, rowMap.UnpackObject(typeMgr, maps, readRows, againAlias));
    EXPECT_EQ(At<KxString>(*stored, "e"), At<KxString>(*again, "e"));
    // A value that is not a sound container is not written.
    LongStore(value.GetData() + KXG_BLOB_SLOT_PREFIX, 1u << 20);
    EXPECT_EQ(KXG_E_BLOB_CONTAINER_TOO_SMALL, rowMap.WriteThroughChild(updateRows, value, &context));
}

}  // namespace
