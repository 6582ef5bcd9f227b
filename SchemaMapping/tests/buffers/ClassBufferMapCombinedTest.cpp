// A whole row image on the embedded engine: a class with sets of each kind in set tables of their own,
// a large object, a large string and a blob container that holds a member of its base class and one
// of its own (at the same member position), and a class whose sets live in its blob container; 1, 2
// and 300 objects in one buffer are stored, read back and compared object by object.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxBlob.h"
#include "KxClassDict.h"
#include "KxGBlobMemberMaps.h"
#include "KxGClass.h"
#include "KxGClassBufferMap.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMappingCompletion.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGSQLBuffer.h"
#include "KxGSetMemberMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasSet.h"
#include "OraTestSupport.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

// Base's note and Holder's memo (both at position 0 of their class) live in the blob container.
const char* const kDictionary = R"(dictionary whole
class 1.1 Place embedded
member street string count=20
member zip int
class 2.1 Item
member name string count=20
class 3.1 Base
member note string count=30
member size int
class 4.1 Holder bases=Base
member memo string count=30
member label string count=20
member pic blob
member essay string count=50
member tags set:TagSet
member items set:ItemSet
member places set:PlaceSet
class 5.1 Packed bases=Base
member memo string count=30
member tags set:TagSet
member places set:PlaceSet
typeset 900.1 TagSet string
objectset 901.1 ItemSet Item
classset 902.1 PlaceSet Place
)";

const struct {
    const char* className;
    const char* member;
    const char* option;
    const char* argument;
} kOptions[] = {
    {"Base", "note", "MEMBER_STORAGE_TYPE", "BLOB, 100"},
    {"Holder", "memo", "MEMBER_STORAGE_TYPE", "BLOB, 100"},
    {"Holder", "essay", "CHARTYPE", "LARGE_STRING, 20, 2000"},
    {"Packed", "memo", "MEMBER_STORAGE_TYPE", "BLOB, 100"},
    {"Packed", "*", "SET_STORAGE_TYPE", "BLOB, 300"},
    {"*", "*", "BLOB_TYPE", "BLOB, 200"},
    {"*", "*", "BLOB_CONTAINER_TYPE", "RAW"},
    {"*", "*", "BATCH_SIZE", "128"},
};

// Set tables named from the member name, the owner's class number and the member position.
class WholeSchemaMap : public KxGCreationSchemaMap {
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

// Loads each alias's object from its row through the class buffer map.
class RowLoader : public KxGObjectFetcher {
public:
    RowLoader(KxGDatabase* database, KxGClassBufferMap* bufferMap) : database_(database), bufferMap_(bufferMap) {}
    KxGDatabase* GetDatabase() override { return database_; }
    KxGRowBufferCache* GetRowBufferCache() override { return nullptr; }
    int32_t LoadAlias(KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer> row) override
    {
        KxGContext context(database_);
        KxGRowContext rows(row.get());
        ++loaded;
        return bufferMap_ != nullptr ? bufferMap_->LoadObject(rows, alias, &context) : 0;
    }
    int32_t NotFound(KxObjectAlias&) override
    {
        ++missing;
        return 0;
    }
    int loaded = 0;
    int missing = 0;

private:
    KxGDatabase* database_;
    KxGClassBufferMap* bufferMap_;
};

class WholeRows : public oratest::DatabaseTest {
protected:
    WholeRows() : DatabaseTest({.prefix = "WHO_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("whole.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<WholeSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        KxGOptionRegistry& registry = map_->GetOptionRegistry();
        uint16_t line = 1;
        for (const auto& o : kOptions) {
            ASSERT_EQ(0, registry.ProcessOption(KxString(o.className), KxString(o.member), KxString(o.option),
                                                KxString(o.argument), line++));
        }
        uint16_t preserve = 0;
        registry.ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        for (uint16_t number : {2, 3, 4, 5}) {
            KxGClass* loaded = nullptr;
            ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(number), loaded, 0), 0)
                << number << " " << db_->GetError()->Text();
        }
        oratest::OwnedList list;
        for (uint16_t number : {4, 5}) {
            ASSERT_EQ(0, ClassMap(number).GetStoreHdl()->CreateClassTable(list));
            ASSERT_EQ(0, ClassMap(number).GetStoreHdl()->CreateMemberTables(list));
        }
        ASSERT_NO_FATAL_FAILURE(ExecuteEach(list));
        ASSERT_EQ(db_->CommitConnection(), 1);
    }

    void TearDown() override
    {
        items_.clear();
        map_.reset();
        KxGInstallMappingCompletion(false);
        DatabaseTest::TearDown();
    }

    KxGClassMap& ClassMap(uint16_t number) { return *map_->FindClass(number)->GetClassMap(); }
    KxGClassBufferMap& BufferMap(uint16_t number)
    {
        return *dynamic_cast<KxGClassBufferMap*>(ClassMap(number).GetClassBufferMap());
    }
    KxGSetMemberMap& SetOf(uint16_t number, const char* name)
    {
        KxGClassMap& classMap = ClassMap(number);
        for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
            KxGMemberMap* map = classMap.GetMemberMap(i);
            if (map->GetName() == name && map->AsSetMemberMap() != nullptr) {
                return *static_cast<KxGSetMemberMap*>(map->AsSetMemberMap());
            }
        }
        ADD_FAILURE() << name;
        return *static_cast<KxGSetMemberMap*>(nullptr);
    }
    const KxMetaClass* Meta(uint16_t number) { return dictionary_->GetCurrentVersion(number)->AsClass(); }
    ObjectPtr New(KxObjectMgr& manager, uint16_t number, uint32_t id)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(manager.Create(Meta(number), KxObjId(id), object), 0);
        return ObjectPtr(object);
    }
    template <typename T>
    static T& At(KxObject& object, const char* name)
    {
        const KxMember* member = object.GetMetaClass()->FindMember(name);
        EXPECT_NE(member, nullptr) << name;
        return *reinterpret_cast<T*>(object.MemberAddress(*member, 0));
    }

    void Fill(KxObject& object, uint32_t seed, bool holder)
    {
        At<KxString>(object, "note") = KxString("base's note ") << seed;
        At<int32_t>(object, "size") = static_cast<int32_t>(seed);
        At<KxString>(object, "memo") = KxString("own memo ") << seed;
        const uint32_t count = seed % 4;
        auto& tags = At<KxTypeSet>(object, "tags");
        auto& places = At<KxClassSet>(object, "places");
        const KxMetaClass* place = Meta(1);
        for (uint32_t k = 0; k < count; ++k) {
            KxString tag("tag");
            tag << seed << "." << k;
            ASSERT_EQ(tags.Add(&tag), 0);
            uint8_t* instance = place->NewInstance();
            *reinterpret_cast<KxString*>(instance + place->FindMember(KxString("street"))->GetOffset()) =
                KxString("street ") << seed << "/" << k;
            *reinterpret_cast<int32_t*>(instance + place->FindMember(KxString("zip"))->GetOffset()) =
                static_cast<int32_t>(seed * 10 + k);
            ASSERT_EQ(places.Add(instance), 0);
            place->DeleteInstance(instance);
        }
        if (!holder) {
            return;
        }
        At<KxString>(object, "label") = KxString("label ") << seed;
        std::vector<uint8_t> bytes(50 + seed % 100, static_cast<uint8_t>(seed));
        At<KxBlob>(object, "pic") = KxBlob(bytes.data(), static_cast<uint32_t>(bytes.size()));
        At<KxString>(object, "essay") = KxString(std::string(30 + seed % 500, static_cast<char>('a' + seed % 26)).c_str());
        auto& items = At<KxObjectSet>(object, "items");
        for (uint32_t k = 0; k < count; ++k) {
            items_.push_back(New(manager_, 2, 900000 + seed * 10 + k));
            ASSERT_EQ(items.Add(items_.back().get()), 0);
        }
    }

    // What an object holds, as texts; refs replace the items of a set of references read back.
    std::vector<std::string> Describe(KxObject& object, bool holder, const std::vector<KxRef>* refs = nullptr)
    {
        std::vector<std::string> out = {Text(At<KxString>(object, "note")), std::to_string(At<int32_t>(object, "size")),
                                        Text(At<KxString>(object, "memo"))};
        auto& tags = At<KxTypeSet>(object, "tags");
        for (uint32_t k = 0; k < tags.Count(); ++k) {
            out.push_back("tag " + Text(*static_cast<KxString*>(tags.At(k))));
        }
        auto& places = At<KxClassSet>(object, "places");
        const KxMetaClass* place = Meta(1);
        for (uint32_t k = 0; k < places.Count(); ++k) {
            uint8_t* instance = places.At(k);
            out.push_back(
                "place " + Text(*reinterpret_cast<KxString*>(instance + place->FindMember(KxString("street"))->GetOffset())) +
                "|" + std::to_string(*reinterpret_cast<int32_t*>(instance + place->FindMember(KxString("zip"))->GetOffset())));
        }
        if (holder) {
            out.push_back(Text(At<KxString>(object, "label")));
            const KxBlob& pic = At<KxBlob>(object, "pic");
            out.push_back("pic " + std::string(reinterpret_cast<const char*>(pic.Data()), pic.Length()));
            out.push_back(Text(At<KxString>(object, "essay")));
            std::vector<KxRef> own;
            if (refs == nullptr) {
                auto& items = At<KxObjectSet>(object, "items");
                for (uint32_t k = 0; k < items.Count(); ++k) {
                    own.push_back(items.Get(k)->GetRef());
                }
                refs = &own;
            }
            for (const KxRef& ref : *refs) {
                out.push_back("item " + std::to_string(ref.GetObjId().GetLow()));
            }
        }
        return out;
    }

    // A request of the class map over the objects: rows, statements, execution, handle-typed values.
    void WriteRows(KxGBufferMap& bufferMap, KxGClassMap& classMap, const std::vector<KxObject*>& objects)
    {
        KxGRequest request(nullptr, &classMap, classMap.GetClass()->GetClassId(), KXG_OP_INSERT);
        request.SetEnvironment(db_.get(), 0);
        for (KxObject* object : objects) {
            ASSERT_EQ(request.AddAlias(new KxCPPObjectAlias(nullptr, nullptr, object)), 0);
        }
        ASSERT_EQ(bufferMap.FillRows(request.GetAliases(), request, request.GetMemberMapContext()), 0);
        ASSERT_EQ(bufferMap.PrepareStatements(request, nullptr), 0) << db_->GetError()->Text();
        KxGStatementList& statements = request.GetStatements();
        for (uint32_t i = 0; i < statements.Count(); ++i) {
            ASSERT_EQ(statements.GetStatement(i)->Execute(), 1) << db_->GetError()->Text();
        }
        request.ClearStatements();
        ASSERT_EQ(bufferMap.ResetRows(request, request.GetAliases(), nullptr), 0) << db_->GetError()->Text();
    }

    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<WholeSchemaMap> map_;
    KxObjectMgr manager_{nullptr};
    std::vector<ObjectPtr> items_;
};

TEST_F(WholeRows, ObjectsWithSetsLargeValuesAndAContainerRoundTrip)
{
    // Both container members sit at position 0 of their class, yet keep entries of their own.
    auto* container = dynamic_cast<KxGBlobContainerMemberMap*>(ClassMap(4).GetBlobContainerMap());
    ASSERT_NE(container, nullptr);
    KxGMemberMap* note = nullptr;
    KxGMemberMap* memo = nullptr;
    for (KxGMemberMap* memberMap : BufferMap(4).GetMemberMapList()) {
        note = memberMap->GetName() == "note" ? memberMap : note;
        memo = memberMap->GetName() == "memo" ? memberMap : memo;
    }
    ASSERT_TRUE(note != nullptr && memo != nullptr);
    EXPECT_EQ(note->GetMemberPos(), memo->GetMemberPos());
    EXPECT_NE(container->GetEntryIndex(note), container->GetEntryIndex(memo));

    uint32_t next = 1;
    for (uint32_t count : {1u, 2u, 300u}) {
        for (uint16_t number : {4, 5}) {
            const bool holder = number == 4;
            SCOPED_TRACE(std::to_string(count) + (holder ? " holders" : " packed"));
            std::vector<ObjectPtr> stored;
            std::vector<KxObject*> raw;
            std::vector<uint32_t> ids;
            for (uint32_t i = 0; i < count; ++i) {
                ids.push_back(next++);
                stored.push_back(New(manager_, number, ids.back()));
                Fill(*stored.back(), ids.back(), holder);
                raw.push_back(stored.back().get());
            }
            WriteRows(BufferMap(number), ClassMap(number), raw);
            if (holder) {
                for (const char* member : {"tags", "items", "places"}) {
                    KxGSetMemberMap& set = SetOf(4, member);
                    WriteRows(set, *set.GetSetMap(), raw);
                }
            }
            ASSERT_EQ(db_->CommitConnection(), 1);

            // Fresh objects of the same ids, read in one go, then their table sets.
            KxObjectMgr other(nullptr);
            std::vector<ObjectPtr> fresh;
            std::vector<std::unique_ptr<KxCPPObjectAlias>> aliases;
            KxGAliasVector list;
            for (uint32_t id : ids) {
                fresh.push_back(New(other, number, id));
                aliases.push_back(std::make_unique<KxCPPObjectAlias>(nullptr, nullptr, fresh.back().get()));
                list.push_back(aliases.back().get());
            }
            RowLoader loader(db_.get(), &BufferMap(number));
            ASSERT_EQ(BufferMap(number).ReadObjects(loader, list), 0) << db_->GetError()->Text();
            EXPECT_EQ(loader.loaded, static_cast<int>(count));
            EXPECT_EQ(loader.missing, 0);
            for (size_t i = 0; i < fresh.size(); ++i) {
                std::vector<KxRef> refs;
                if (holder) {
                    for (const char* member : {"tags", "places"}) {
                        KxGSetMemberMap& set = SetOf(4, member);
                        std::unique_ptr<KxGSetAlias> elements = set.CreateSetAlias(*aliases[i]);
                        ASSERT_TRUE(elements);
                        RowLoader sets(db_.get(), nullptr);
                        ASSERT_EQ(set.ReadObjects(sets, {elements.get()}), 0) << db_->GetError()->Text();
                    }
                    KxGSetMemberMap& items = SetOf(4, "items");
                    std::unique_ptr<KxGSetAlias> elements = items.CreateSetAlias(*aliases[i]);
                    std::unique_ptr<KxGSQLObjectBuffer> rows;
                    KxGContext context(db_.get());
                    ASSERT_EQ(items.ReadSetRows(db_.get(), items.SetRefOf(*elements, *aliases[i]), rows, &context), 0);
                    ASSERT_EQ(items.LoadElements(KxGSetMemberMap::RowsOf(rows.get()), *elements, &context, &refs), 0);
                }
                EXPECT_EQ(Describe(*fresh[i], holder, holder ? &refs : nullptr), Describe(*stored[i], holder))
                    << "object " << ids[i];
            }
        }
    }
}

}  // namespace
