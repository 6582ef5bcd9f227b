// Set members on the embedded engine through the Oracle adapter: the loaders map a class with a set of
// values, a set of references and a set of embedded values; the set tables are made by the store
// handler's DDL; sets of 1, 2 and 300 owners are written through requests, updated, deleted and read
// back. Blob sets round-trip through a blob container entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxGBlobMemberMaps.h"
#include "KxGClass.h"
#include "KxGClassBufferMap.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMappingCompletion.h"
#include "KxGOraDatabase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGSQLBuffer.h"
#include "KxGSetMemberMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxBlob.h"
#include "KxGOptionRegistry.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasMember.h"
#include "KxObjectAliasSet.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

const char* const kFixture = R"(dictionary sets
class 1.1 Place embedded
member street string count=20
member zip int
class 2.1 Item
member name string count=20
member holder ptr:Holder
class 3.1 Holder
member label string count=20
member tags set:TagSet
member items set:ItemSet
member places set:PlaceSet
member docs set:DocSet
class 4.1 Packed
member label string count=20
member tags set:TagSet
member items set:ItemSet
member places set:PlaceSet
typeset 900.1 TagSet string
objectset 901.1 ItemSet Item
classset 902.1 PlaceSet Place
typeset 903.1 DocSet blob
)";

// The Oracle database of the fixture, recording the text of every statement handle it makes.
class RecordingDatabase : public KxGOraDatabase {
public:
    using KxGOraDatabase::KxGOraDatabase;
    KxGStatementHdl* CreateStatementHdl(KxGStatementTemplate* statementTemplate) override
    {
        texts.push_back(statementTemplate != nullptr ? Text(statementTemplate->GetSQLText()) : std::string());
        return KxGOraDatabase::CreateStatementHdl(statementTemplate);
    }
    std::vector<std::string> texts;
};

// The creation schema map with set tables named as the schema mapper names them: the member name, "C",
// the owner's class number, "P", the member position and "V0".
class SetSchemaMap : public KxGCreationSchemaMap {
public:
    using KxGCreationSchemaMap::KxGCreationSchemaMap;
    int32_t MapSet2TableName(KxGMember& member, uint16_t, KxGQualifiedIdentity& table) override
    {
        KxString name(member.GetName());
        name << "C" << static_cast<uint32_t>(member.GetClass()->GetClassNumber()) << "P"
             << static_cast<uint32_t>(member.GetMemberMap()->GetMemberPos()) << "V0";
        table = KxGQualifiedIdentity(GetDatabase()->GetDatabaseInfo()->MapNameUpper(name), GetSchemaName());
        return 0;
    }
};

struct ObjectRelease {
    void operator()(KxObject* object) const { object->Release(); }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectRelease>;

// A fetcher that only answers its database.
class Fetcher : public KxGObjectFetcher {
public:
    explicit Fetcher(KxGDatabase* database) : database_(database) {}
    KxGDatabase* GetDatabase() override { return database_; }
    KxGRowBufferCache* GetRowBufferCache() override { return nullptr; }
    int32_t LoadAlias(KxObjectAlias&, std::unique_ptr<KxGSQLObjectBuffer>) override { return 0; }
    int32_t NotFound(KxObjectAlias&) override { return 0; }

private:
    KxGDatabase* database_;
};

class SetMaps : public oratest::DatabaseTest {
protected:
    SetMaps() : DatabaseTest({.prefix = "SET_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxGInstallMappingCompletion(true);
        // The same connection, recording its statements.
        db_->CloseConnection();
        db_ = std::make_unique<RecordingDatabase>(KxString(serverName_.c_str()), KxString("s"), KxString("s"),
                                                  KxString("s"), nullptr, nullptr);
        ASSERT_EQ(db_->OpenConnection(), 1) << db_->GetError()->Text();
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kFixture, KxString("classes.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<SetSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        // Packed keeps its sets in the blob container.
        ASSERT_EQ(map_->GetOptionRegistry().ProcessOption(KxString("Packed"), KxString("*"),
                                                          KxString("SET_STORAGE_TYPE"), KxString("BLOB,400"), 1),
                  0);
        // Blobs in LOB columns (written through their locators), 100 rows per batch.
        KxGOptionRegistry& registry = map_->GetOptionRegistry();
        ASSERT_EQ(registry.ProcessOption(KxString("*"), KxString("*"), KxString("BLOB_TYPE"), KxString("BLOB,200"), 2), 0);
        ASSERT_EQ(registry.ProcessOption(KxString("*"), KxString("*"), KxString("BATCH_SIZE"), KxString("100"), 3), 0);
        uint16_t preserve = 0;
        registry.ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        ASSERT_EQ(registry.GetBatchSize(), 100);
        for (uint16_t number : {2, 3, 4}) {
            KxGClass* loaded = nullptr;
            ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(number), loaded, 0), 0)
                << number << " " << db_->GetError()->Text();
        }
    }

    void TearDown() override
    {
        items_.clear();
        map_.reset();
        KxGInstallMappingCompletion(false);
        DatabaseTest::TearDown();
    }

    KxGClass& ClassOf(uint16_t number) { return *map_->FindClass(number); }
    KxGSetMemberMap& SetOf(uint16_t number, const char* name)
    {
        KxGClassMap& classMap = *ClassOf(number).GetClassMap();
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            KxGMemberMap* map = classMap.GetMemberMap(i);
            if (map->GetName() == name && map->AsSetMemberMap() != nullptr) {
                return *static_cast<KxGSetMemberMap*>(map->AsSetMemberMap());
            }
        }
        ADD_FAILURE() << name;
        return *static_cast<KxGSetMemberMap*>(nullptr);
    }

    void CreateTables()
    {
        oratest::OwnedList list;
        ASSERT_EQ(ClassOf(3).GetClassMap()->GetStoreHdl()->CreateMemberTables(list), 0);
        for (uint32_t i = 0; i < list.Count(); ++i) {
            ddl_ += Text(list.GetTemplate(i)->GetSQLText()) + ";\n";
            KxGStoreStatement run(db_.get(), list.GetTemplate(i), 0);
            ASSERT_EQ(run.Execute(), 1) << Text(list.GetTemplate(i)->GetSQLText()) << "\n" << db_->GetError()->Text();
        }
        ASSERT_EQ(db_->CommitConnection(), 1);
    }

    const KxMetaClass* Meta(uint16_t number) { return dictionary_->GetCurrentVersion(number)->AsClass(); }
    template <typename T>
    static T& At(KxObject& object, const char* member)
    {
        return *reinterpret_cast<T*>(object.MemberAddress(*object.GetMetaClass()->FindMember(member)));
    }

    ObjectPtr New(uint16_t number, uint32_t id)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(objects_.Create(Meta(number), KxObjId(id), object), 0);
        return ObjectPtr(object);
    }

    // Owner i gets i % 4 tags, items and places (so some sets are empty), with values of its own.
    void Fill(KxObject& owner, uint32_t i, uint32_t count)
    {
        auto& tags = At<KxTypeSet>(owner, "tags");
        auto& items = At<KxObjectSet>(owner, "items");
        auto& places = At<KxClassSet>(owner, "places");
        const KxMetaClass* place = Meta(1);
        for (uint32_t k = 0; k < count; ++k) {
            KxString tag("tag");
            tag << i << "." << k;
            ASSERT_EQ(tags.Add(&tag), 0);
            items_.push_back(New(2, 100000 + i * 100 + k));
            ASSERT_EQ(items.Add(items_.back().get()), 0);
            uint8_t* instance = place->NewInstance();
            *reinterpret_cast<KxString*>(instance + place->FindMember(KxString("street"))->GetOffset()) =
                KxString("street ") << i << "/" << k;
            *reinterpret_cast<int32_t*>(instance + place->FindMember(KxString("zip"))->GetOffset()) =
                static_cast<int32_t>(i * 100 + k);
            ASSERT_EQ(places.Add(instance), 0);
            place->DeleteInstance(instance);
        }
    }

    // Writes the set of the owners with a request of the operation, executes and commits.
    void Write(KxGSetMemberMap& set, const std::vector<KxObject*>& owners, int32_t operation)
    {
        KxGRequest request(nullptr, set.GetSetMap(), set.GetSetMap()->GetClass()->GetClassId(), operation);
        request.SetEnvironment(db_.get(), 0);
        for (KxObject* owner : owners) {
            ASSERT_EQ(request.AddAlias(new KxCPPObjectAlias(nullptr, nullptr, owner)), 0);
        }
        if (operation == KXG_OP_DELETE) {
            ASSERT_EQ(set.FillIdRows(request, request.GetAliases(), nullptr), 0);
        } else {
            ASSERT_EQ(set.FillRows(request.GetAliases(), request, request.GetMemberMapContext()), 0);
        }
        ASSERT_EQ(set.PrepareStatements(request, nullptr), 0) << db_->GetError()->Text();
        KxGStatementList& statements = request.GetStatements();
        for (uint32_t i = 0; i < statements.Count(); ++i) {
            ASSERT_EQ(statements.GetStatement(i)->Execute(), 1) << db_->GetError()->Text();
        }
        request.ClearStatements();
        if (operation != KXG_OP_DELETE) {
            ASSERT_EQ(set.ResetRows(request, request.GetAliases(), nullptr), 0) << db_->GetError()->Text();
        }
        ASSERT_EQ(db_->CommitConnection(), 1);
    }

    RecordingDatabase& Recorder() { return static_cast<RecordingDatabase&>(*db_); }

    // The elements of the owner's set as texts, read back through the set member map.
    std::vector<std::string> ReadBack(KxGSetMemberMap& set, KxObject& owner)
    {
        KxCPPObjectAlias alias(nullptr, nullptr, &owner);
        std::unique_ptr<KxGSetAlias> elements = set.CreateSetAlias(alias);
        EXPECT_TRUE(elements);
        std::vector<KxRef> refs;
        if (set.GetSetKind() == KXG_SET_OF_OBJECTS) {
            std::unique_ptr<KxGSQLObjectBuffer> rows;
            KxGContext context(db_.get());
            EXPECT_EQ(set.ReadSetRows(db_.get(), set.SetRefOf(*elements, alias), rows, &context), 0);
            EXPECT_EQ(set.LoadElements(KxGSetMemberMap::RowsOf(rows.get()), *elements, &context, &refs), 0);
        } else {
            Fetcher fetcher(db_.get());
            EXPECT_EQ(set.ReadObjects(fetcher, {elements.get()}), 0) << db_->GetError()->Text();
        }
        return Texts(owner, set.GetName(), refs);
    }

    std::vector<std::string> Texts(KxObject& owner, const KxString& member, const std::vector<KxRef>& refs)
    {
        std::vector<std::string> out;
        if (member == "tags") {
            auto& tags = At<KxTypeSet>(owner, "tags");
            for (uint32_t k = 0; k < tags.Count(); ++k) {
                out.push_back(Text(*static_cast<KxString*>(tags.At(k))));
            }
        } else if (member == "places") {
            auto& places = At<KxClassSet>(owner, "places");
            const KxMetaClass* place = Meta(1);
            for (uint32_t k = 0; k < places.Count(); ++k) {
                uint8_t* instance = places.At(k);
                out.push_back(
                    Text(*reinterpret_cast<KxString*>(instance + place->FindMember(KxString("street"))->GetOffset())) +
                    "|" +
                    std::to_string(*reinterpret_cast<int32_t*>(instance + place->FindMember(KxString("zip"))->GetOffset())));
            }
        } else {
            const std::vector<KxRef>* list = &refs;
            std::vector<KxRef> own;
            if (refs.empty()) {
                auto& items = At<KxObjectSet>(owner, "items");
                for (uint32_t k = 0; k < items.Count(); ++k) {
                    own.push_back(items.Get(k)->GetRef());
                }
                list = &own;
            }
            for (const KxRef& ref : *list) {
                out.push_back(std::to_string(ref.GetObjId().GetLow()) + "@" +
                              std::to_string(ref.GetClassId().GetClassNumber()));
            }
        }
        return out;
    }

    std::vector<std::vector<std::string>> Query(const std::string& sql)
    {
        sqlengine::Error err;
        auto session = sqlengine::Session::Begin(server_, "S", "s", err);
        EXPECT_TRUE(session) << err.message;
        auto rows = oratest::RowTexts(oratest::RunOn(*session, sql));
        session->End();
        return rows;
    }

    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<SetSchemaMap> map_;
    KxObjectMgr objects_{nullptr};
    std::vector<ObjectPtr> items_;
    std::string ddl_;
};

TEST_F(SetMaps, SetTablesHoldIdsElementNumberAndElementColumns)
{
    CreateTables();
    EXPECT_EQ(ddl_.find("CREATE TABLE S.TAGSC3P1V0"), 0u) << ddl_;
    for (const char* column : {"OID", "CID", "EID", "DATA1V0", "OID2V0", "CID2V0", "STREET3V0", "ZIP3V0"}) {
        EXPECT_NE(ddl_.find(column), std::string::npos) << column << "\n" << ddl_;
    }
    // A class whose sets live in its blob container has no set tables, and no class table holds a
    // set's columns.
    oratest::OwnedList packed;
    ASSERT_EQ(ClassOf(4).GetClassMap()->GetStoreHdl()->CreateMemberTables(packed), 0);
    EXPECT_EQ(packed.Count(), 0u);
    oratest::OwnedList tables;
    ASSERT_EQ(ClassOf(3).GetClassMap()->GetStoreHdl()->CreateClassTable(tables), 0);
    ASSERT_EQ(tables.Count(), 1u);
    EXPECT_EQ(Text(tables.GetTemplate(0)->GetSQLText()).find("EID"), std::string::npos);
}

// 1, 2 and 300 owners, each set kind: written, read back element by element in order. The one owner's
// sets hold 45 elements (read 20 rows at a time); the others 0 to 3.
TEST_F(SetMaps, SetsOfOneTwoAndThreeHundredOwnersRoundTrip)
{
    CreateTables();
    uint32_t base = 1;
    for (uint32_t owners : {1u, 2u, 300u}) {
        SCOPED_TRACE(owners);
        std::vector<ObjectPtr> stored;
        std::vector<KxObject*> raw;
        for (uint32_t i = 0; i < owners; ++i) {
            stored.push_back(New(3, base + i));
            Fill(*stored.back(), base + i, (owners == 1 ? 45 : (base + i) % 4));
            raw.push_back(stored.back().get());
        }
        for (const char* member : {"tags", "items", "places"}) {
            Write(SetOf(3, member), raw, KXG_OP_INSERT);
        }
        for (uint32_t i = 0; i < owners; ++i) {
            // The fresh object reads the rows of the stored one: same id, a second manager.
            KxObjectMgr other(nullptr);
            KxObject* loaded = nullptr;
            ASSERT_EQ(other.Create(Meta(3), KxObjId(base + i), loaded), 0);
            ObjectPtr hold(loaded);
            for (const char* member : {"tags", "items", "places"}) {
                SCOPED_TRACE(member);
                std::vector<std::string> expected = Texts(*stored[i], KxString(member), {});
                ASSERT_EQ(ReadBack(SetOf(3, member), *loaded), expected);
            }
        }
        base += owners;
    }
    // Every row is numbered 1..n within its set.
    EXPECT_EQ(Query("SELECT COUNT(*) FROM S.TAGSC3P1V0 WHERE EID < 1"), (std::vector<std::vector<std::string>>{{"0"}}));
}

// Updates replace the old rows: 3 -> 1 deletes three rows and inserts one with EID 1; 3 -> 0 deletes
// all (an empty set still runs its delete); a delete removes the rows; an empty set writes none.
TEST_F(SetMaps, UpdatesDeleteTheOldRowsEvenWhenTheSetBecameEmpty)
{
    CreateTables();
    struct Case {
        const char* name;
        uint32_t before;
        int32_t operation;
        uint32_t after;
        const char* eids;   // the EIDs of the rows left, in order
    } cases[] = {
        {"empty set writes nothing", 0, KXG_OP_NONE, 0, ""},
        {"3 to 1", 3, KXG_OP_UPDATE, 1, "1"},
        {"3 to 0", 3, KXG_OP_UPDATE, 0, ""},
        {"3 to 5", 3, KXG_OP_UPDATE, 5, "1 2 3 4 5"},
        {"0 to 2 (the delete finds no rows)", 0, KXG_OP_UPDATE, 2, "1 2"},
        {"delete", 3, KXG_OP_DELETE, 0, ""},
    };
    uint32_t id = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++id;
        ObjectPtr owner = New(3, id);
        KxGSetMemberMap& tags = SetOf(3, "tags");
        auto& values = At<KxTypeSet>(*owner, "tags");
        for (uint32_t k = 0; k < c.before; ++k) {
            KxString tag("old");
            tag << k;
            values.Add(&tag);
        }
        Write(tags, {owner.get()}, KXG_OP_INSERT);
        const std::string where = " FROM S.TAGSC3P1V0 WHERE OID = " + std::to_string(id);
        ASSERT_EQ(Query("SELECT COUNT(*)" + where).front().front(), std::to_string(c.before));
        if (c.operation != KXG_OP_NONE) {
            values.Clear();
            for (uint32_t k = 0; k < c.after; ++k) {
                KxString tag("new");
                tag << k;
                values.Add(&tag);
            }
            Write(tags, {owner.get()}, c.operation);
        }
        std::string left;
        for (const auto& row : Query("SELECT EID, DATA1V0" + where + " ORDER BY EID")) {
            left += (left.empty() ? "" : " ") + row[0];
            EXPECT_EQ(row[1].substr(0, 3), "new");
        }
        EXPECT_EQ(left, c.eids);
    }
}

// EID follows iteration order; rows read back in any order are put back in EID order.
TEST_F(SetMaps, ElementNumbersRestoreTheIterationOrder)
{
    CreateTables();
    ObjectPtr owner = New(3, 7);
    for (const char* tag : {"c", "a", "d", "b"}) {
        KxString value(tag);
        At<KxTypeSet>(*owner, "tags").Add(&value);
    }
    Write(SetOf(3, "tags"), {owner.get()}, KXG_OP_INSERT);
    EXPECT_EQ(Query("SELECT EID, DATA1V0 FROM S.TAGSC3P1V0 ORDER BY DATA1V0"),
              (std::vector<std::vector<std::string>>{{"2", "a"}, {"4", "b"}, {"1", "c"}, {"3", "d"}}));
    KxObjectMgr other(nullptr);
    KxObject* loaded = nullptr;
    ASSERT_EQ(other.Create(Meta(3), KxObjId(7), loaded), 0);
    ObjectPtr hold(loaded);
    EXPECT_EQ(ReadBack(SetOf(3, "tags"), *loaded), (std::vector<std::string>{"c", "a", "d", "b"}));

    // Read as an SQL image, then turned into the elements of a set.
    KxSQLSetAlias image(SetOf(3, "tags").GetSetMap(), KxRef(KxObjId(7), KxClassId(900, 1)));
    Fetcher fetcher(db_.get());
    ASSERT_EQ(SetOf(3, "tags").ReadObjects(fetcher, {&image}), 0);
    EXPECT_EQ(image.GetRowCount(), 4);
    KxObject* other2 = nullptr;
    ASSERT_EQ(other.Create(Meta(3), KxObjId(8), other2), 0);
    ObjectPtr hold2(other2);
    KxCPPObjectAlias owner2(nullptr, nullptr, other2);
    std::unique_ptr<KxGSetAlias> set = SetOf(3, "tags").CreateSetAlias(owner2);
    KxGContext context(db_.get());
    ASSERT_EQ(SetOf(3, "tags").LoadRows({&image}, {set.get()}, &context), 0);
    EXPECT_EQ(Texts(*other2, KxString("tags"), {}), (std::vector<std::string>{"c", "a", "d", "b"}));

    // The image's rows, copied into a request, are written again as they were read.
    KxGRequest request(nullptr, SetOf(3, "tags").GetSetMap(), KxClassId(900, 1), KXG_OP_INSERT);
    request.SetEnvironment(db_.get(), 0);
    ASSERT_EQ(SetOf(3, "tags").FillRowsFromList({&image}, request, request.GetMemberMapContext()), 0);
    ASSERT_NE(request.GetObjectBuffer(), nullptr);
    EXPECT_EQ(request.GetObjectBuffer()->GetRowCount(), 4);
    ASSERT_EQ(Query("SELECT COUNT(*) FROM S.TAGSC3P1V0").front().front(), "4");
    {
        KxGStoreStatement wipe(db_.get(), new KxGStoreStatementTemplate(KxString("DELETE FROM S.TAGSC3P1V0")), 0);
        wipe.SetOwnsTemplate(1);
        ASSERT_EQ(wipe.Execute(), 1);
    }
    ASSERT_EQ(SetOf(3, "tags").PrepareStatements(request, nullptr), 0);
    for (uint32_t i = 0; i < request.GetStatements().Count(); ++i) {
        ASSERT_EQ(request.GetStatements().GetStatement(i)->Execute(), 1) << db_->GetError()->Text();
    }
    request.ClearStatements();
    ASSERT_EQ(db_->CommitConnection(), 1);
    EXPECT_EQ(Query("SELECT EID, DATA1V0 FROM S.TAGSC3P1V0 ORDER BY EID"),
              (std::vector<std::vector<std::string>>{{"1", "c"}, {"2", "a"}, {"3", "d"}, {"4", "b"}}));
}

// The set storage options: a member's SET_STORAGE_TYPE or MEMBER_STORAGE_TYPE, else its class's
// SET_STORAGE_TYPE, chooses the set table or the blob container; refused arguments keep the table.
TEST_F(SetMaps, StorageOptionsChooseTheSetTableOrTheBlobContainer)
{
    struct Case {
        const char* name;
        const char* member;   // "*": class-wide
        const char* option;
        const char* argument;
        uint32_t context;
        bool blob;
        int16_t status;
    } cases[] = {
        {"member DEFAULT", "items", "SET_STORAGE_TYPE", "DEFAULT", 0, false, KXG_OPTION_OK},
        {"member blob", "items", "MEMBER_STORAGE_TYPE", "BLOB,300", 0, true, KXG_OPTION_OK},
        {"member blob without size", "items", "SET_STORAGE_TYPE", "BLOB", 0, false, KXG_OPTION_NOT_NUMERIC},
        {"member option without argument", "items", "SET_STORAGE_TYPE", "", 0, false, KXG_OPTION_NOT_SUPPORTED},
        {"class blob", "*", "SET_STORAGE_TYPE", "BLOB,300", 0, true, KXG_OPTION_OK},
        {"class blob without size", "*", "SET_STORAGE_TYPE", "BLOB", 0, false, KXG_OPTION_NO_SECOND},
        {"class blob of size 0", "*", "SET_STORAGE_TYPE", "BLOB,0", 0, false, KXG_OPTION_SECOND_NOT_NUMERIC},
        {"blob container not allowed here", "items", "SET_STORAGE_TYPE", "BLOB,300", KXG_LOAD_NO_BLOB_CONTAINER,
         false, KXG_OPTION_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetSchemaMap map(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        ASSERT_EQ(map.GetOptionRegistry().ProcessOption(KxString("Holder"), KxString(c.member), KxString(c.option),
                                                        KxString(c.argument), 1),
                  0);
        KxGClass* holder = nullptr;
        ASSERT_EQ(map.LoadClass(*dictionary_->GetCurrentVersion(3), holder, c.context), 0);
        KxGMemberMap* items = holder->GetClassMap()->GetMemberMap(2);
        ASSERT_EQ(items->GetName(), "items");
        EXPECT_EQ(items->AsBlobSetMemberMap() != nullptr, c.blob);
        EXPECT_EQ(items->IsReference(), 1);
        EXPECT_EQ(holder->GetClassMap()->GetBlobContainerMap() != nullptr, c.blob);
        const KxGClassOption* option = map.GetOptionRegistry().GetClassOptions().FindClassOption(KxString("Holder"));
        const KxGOption* filed = std::string(c.member) == "*"
                                     ? option->GetOptions()->Find(KxString(c.option))
                                     : option->GetMemberOption(KxString(c.member))->GetOptions().Find(KxString(c.option));
        ASSERT_NE(filed, nullptr);
        EXPECT_EQ(filed->GetStatus(), c.status);
    }
}

// An inverse set of references keeps no table: its rows are the element class's, its columns the
// inverse member's reference columns. A missing element class or inverse member is refused.
TEST_F(SetMaps, InverseSetsResolveToTheElementClassTable)
{
    KxGSetMap* itemSet = SetOf(3, "items").GetSetMap();
    KxGClass& item = ClassOf(2);
    struct Case {
        const char* name;
        KxGClass* target;
        const char* inverse;
        int32_t status;
    } cases[] = {
        {"resolved", &item, "holder", 0},
        {"no element class", nullptr, "holder", KXG_E_NO_CLASS_MAP},
        {"no inverse member", &item, "nobody", KXG_E_NO_INVERSE_MEMBER_MAP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KxGRelation relation(KxString("members"), &ClassOf(3));
        relation.SetTarget(c.target);
        relation.SetInverseName(KxString(c.inverse));
        KxGRefSetMemberMap inverse(map_.get(), ClassOf(3).GetClassId(), 9, 0, KXG_SET_OF_OBJECTS, 1);
        KxGAttribute member(KxString("members"), &ClassOf(3), nullptr);
        inverse.BindRelation(&member, itemSet, nullptr, &relation);
        KxGBufferMap layout;
        EXPECT_EQ(inverse.JoinBuffer(layout), 0);
        EXPECT_EQ(layout.GetRowWidth(), 0);
        EXPECT_EQ(inverse.Resolve(*ClassOf(3).GetClassMap()), c.status);
        EXPECT_EQ(inverse.IsInverse(), 1);
        EXPECT_EQ(inverse.HasOwnTable(), 0);
        if (c.status == 0) {
            KxGTable table;
            ASSERT_EQ(inverse.GetTable(table), 0);
            KxGTable itemTable;
            ASSERT_EQ(item.GetClassMap()->GetStoreHdl()->GetClassTable(itemTable), 0);
            EXPECT_EQ(Text(table.GetQualifiedName()), Text(itemTable.GetQualifiedName()));
            KxGColumnList columns;
            ASSERT_EQ(inverse.GetColumns(columns), 0);
            ASSERT_EQ(columns.Count(), 1u);
            EXPECT_NE(columns.GetColumn(0)->GetFlags() & KXG_COLUMN_REFERENCE, 0);
        }
    }
}

// Handle-typed elements (blobs in LOB columns) are written through re-selected rows, one select per
// batch of sets: 250 sets with a batch size of 100 run three selects of 100, 100 and 50 ids.
TEST_F(SetMaps, HandleTypedElementsAreWrittenThroughOneSelectPerBatch)
{
    CreateTables();
    KxGSetMemberMap& docs = SetOf(3, "docs");
    ASSERT_GT(docs.GetElementHandleCount(), 0);
    std::vector<ObjectPtr> owners;
    std::vector<KxObject*> raw;
    for (uint32_t i = 0; i < 250; ++i) {
        owners.push_back(New(3, 1000 + i));
        const std::string bytes = "doc " + std::to_string(i);
        KxBlob blob(bytes.data(), static_cast<uint32_t>(bytes.size()));
        ASSERT_EQ(At<KxTypeSet>(*owners.back(), "docs").Add(&blob), 0);
        raw.push_back(owners.back().get());
    }
    Recorder().texts.clear();
    Write(docs, raw, KXG_OP_INSERT);
    std::vector<size_t> lists;
    for (const std::string& text : Recorder().texts) {
        if (text.find_first_not_of(' ') == text.find("SELECT")) {
            const size_t in = text.find(" IN (");
            ASSERT_NE(in, std::string::npos) << text;
            lists.push_back(static_cast<size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(in), text.end(), ',')) + 1);
        }
    }
    EXPECT_EQ(lists, (std::vector<size_t>{100, 100, 50}));
    // The values arrived: read back through the set.
    for (uint32_t i : {0u, 149u, 249u}) {
        KxObjectMgr other(nullptr);
        KxObject* loaded = nullptr;
        ASSERT_EQ(other.Create(Meta(3), KxObjId(1000 + i), loaded), 0);
        ObjectPtr hold(loaded);
        KxCPPObjectAlias alias(nullptr, nullptr, loaded);
        std::unique_ptr<KxGSetAlias> elements = docs.CreateSetAlias(alias);
        Fetcher fetcher(db_.get());
        ASSERT_EQ(docs.ReadObjects(fetcher, {elements.get()}), 0) << db_->GetError()->Text();
        auto& read = At<KxTypeSet>(*loaded, "docs");
        ASSERT_EQ(read.Count(), 1u);
        const auto* blob = static_cast<KxBlob*>(read.At(0));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(blob->Data()), blob->Length()), "doc " + std::to_string(i));
    }
}

// A reader that loads each object from the one-row buffer it is handed.
class LoadingReader : public Fetcher {
public:
    LoadingReader(KxGDatabase* database, KxGClassBufferMap& bufferMap) : Fetcher(database), bufferMap_(bufferMap) {}
    int32_t LoadAlias(KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer> row) override
    {
        KxGContext context(GetDatabase());
        KxGRowContext rows(row.get());
        return bufferMap_.LoadObject(rows, alias, &context);
    }

private:
    KxGClassBufferMap& bufferMap_;
};

// Sets kept in the owners' blob container, written and read with the owners' rows: 1, 2 and 300
// owners. The one owner's sets outgrow the container, which grows; none is lost.
TEST_F(SetMaps, BlobSetsOfOneTwoAndThreeHundredOwnersRoundTripWithTheirOwners)
{
    oratest::OwnedList tables;
    KxGClassMap& classMap = *ClassOf(4).GetClassMap();
    ASSERT_EQ(classMap.GetStoreHdl()->CreateClassTable(tables), 0);
    for (uint32_t i = 0; i < tables.Count(); ++i) {
        KxGStoreStatement run(db_.get(), tables.GetTemplate(i), 0);
        ASSERT_EQ(run.Execute(), 1) << Text(tables.GetTemplate(i)->GetSQLText()) << "\n" << db_->GetError()->Text();
    }
    auto* bufferMap = dynamic_cast<KxGClassBufferMap*>(classMap.GetClassBufferMap());
    ASSERT_NE(bufferMap, nullptr);
    uint32_t base = 1;
    for (uint32_t owners : {1u, 2u, 300u}) {
        SCOPED_TRACE(owners);
        std::vector<ObjectPtr> stored;
        KxGRequest request(nullptr, &classMap, ClassOf(4).GetClassId(), KXG_OP_INSERT);
        request.SetEnvironment(db_.get(), 0);
        for (uint32_t i = 0; i < owners; ++i) {
            stored.push_back(New(4, base + i));
            Fill(*stored.back(), base + i, owners == 1 ? 45 : (base + i) % 4);
            ASSERT_EQ(request.AddAlias(new KxCPPObjectAlias(nullptr, nullptr, stored.back().get())), 0);
        }
        ASSERT_EQ(bufferMap->FillRows(request.GetAliases(), request, request.GetMemberMapContext()), 0);
        ASSERT_EQ(bufferMap->PrepareStatements(request, nullptr), 0) << db_->GetError()->Text();
        ASSERT_EQ(bufferMap->ExecuteTableMaps(request, request.GetAliases()), 0) << db_->GetError()->Text();
        ASSERT_EQ(db_->CommitConnection(), 1);

        KxObjectMgr other(nullptr);
        std::vector<ObjectPtr> loaded;
        KxObjectAliasList aliases;
        KxGAliasVector list;
        for (uint32_t i = 0; i < owners; ++i) {
            KxObject* object = nullptr;
            ASSERT_EQ(other.Create(Meta(4), KxObjId(base + i), object), 0);
            loaded.emplace_back(object);
            list.push_back(new KxCPPObjectAlias(nullptr, nullptr, object));
            aliases.AppendAlias(list.back());
        }
        LoadingReader reader(db_.get(), *bufferMap);
        ASSERT_EQ(bufferMap->ReadObjects(reader, list), 0) << db_->GetError()->Text();
        for (uint32_t i = 0; i < owners; ++i) {
            for (const char* member : {"tags", "places"}) {
                SCOPED_TRACE(member);
                ASSERT_EQ(Texts(*loaded[i], KxString(member), {}), Texts(*stored[i], KxString(member), {}));
            }
        }
        aliases.DeleteAll();
        base += owners;
    }
}

// Blob sets: every kind packed into its container entry and read back; a container too small for the
// set answers -6093 with the whole need, and a cut or lying entry is refused.
TEST_F(SetMaps, BlobSetsRoundTripThroughTheirContainerEntry)
{
    KxGClassMap& classMap = *ClassOf(4).GetClassMap();
    auto* container = dynamic_cast<KxGBlobContainerMemberMap*>(classMap.GetBlobContainerMap());
    ASSERT_NE(container, nullptr);
    for (const char* member : {"tags", "items", "places"}) {
        SCOPED_TRACE(member);
        auto* set = dynamic_cast<KxGBlobSetMemberMap*>(&SetOf(4, member));
        ASSERT_NE(set, nullptr);
        for (uint32_t count : {0u, 1u, 3u}) {
            ObjectPtr owner = New(4, 1 + count);
            Fill(*owner, count, count);
            KxCPPObjectAlias alias(nullptr, nullptr, owner.get());
            std::vector<uint8_t> bytes(2000);
            uint8_t* position = bytes.data();
            uint32_t needed = 0;
            ASSERT_EQ(set->StreamSet(KxTypeMgr::GetDefault(), position, alias, 2000, needed), 0);
            const auto used = static_cast<uint32_t>(position - bytes.data());

            // Too small: -6093, the walk goes on and the need is reported.
            if (count > 0) {
                uint8_t* again = bytes.data();
                uint32_t need = 0;
                EXPECT_EQ(set->StreamSet(KxTypeMgr::GetDefault(), again, alias, 6, need),
                          KXG_E_BLOB_CONTAINER_TOO_SMALL);
                EXPECT_GT(need, 0u);
            }

            KxObjectMgr other(nullptr);
            KxObject* loaded = nullptr;
            ASSERT_EQ(other.Create(Meta(4), KxObjId(1 + count), loaded), 0);
            ObjectPtr hold(loaded);
            KxCPPObjectAlias back(nullptr, nullptr, loaded);
            const uint8_t* read = bytes.data();
            std::vector<KxRef> refs;
            ASSERT_EQ(set->UnstreamSet(KxTypeMgr::GetDefault(), read, back, used, &refs), 0);
            EXPECT_EQ(read, bytes.data() + used);
            std::vector<std::string> expected = Texts(*owner, KxString(member), {});
            EXPECT_EQ(Texts(*loaded, KxString(member), refs), expected);

            // A cut entry or a count beyond the data is refused.
            if (count > 0) {
                const uint8_t* cut = bytes.data();
                EXPECT_EQ(set->UnstreamSet(KxTypeMgr::GetDefault(), cut, back, used - 1, nullptr),
                          KXG_E_BLOB_CONTAINER_TOO_SMALL);
                bytes[0] = 0xFF;
                const uint8_t* lying = bytes.data();
                EXPECT_EQ(set->UnstreamSet(KxTypeMgr::GetDefault(), lying, back, used, nullptr),
                          KXG_E_BLOB_CONTAINER_TOO_SMALL);
            }
        }
    }
}

}  // namespace
