// The class buffer map on the embedded engine through the Oracle adapter: classes loaded by the class
// loader in a creation schema map (with the mapping's completion hooks), their tables created, rows
// of 1, 2 and 300 objects filled, inserted or updated, read back by id and compared object by object.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxBlob.h"
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
#include "KxGRowBufferCache.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

// Plain values, a reference and an embedded class; Part is referenced.
const char* const kDictionary = R"(dictionary rows
class 1.1 Point embedded
member x int
member y double
class 2.1 Part
member name string count=20
class 3.1 Item
member count int
member weight double
member code short
member label string count=30
member origin embedded:Point
member partner ondemand:Part
class 4.1 Bag
member size int
member note string count=60
member tag string count=20
class 5.1 Photo
member title string count=20
member pic blob
class 6.1 Crate
member size int
member note string count=60
)";

// Bag keeps note and tag in its blob container, reserved small so that long values outgrow it.
void BagOptions(KxGOptionRegistry& registry)
{
    registry.ProcessOption(KxString("Bag"), KxString("note"), KxString("MEMBER_STORAGE_TYPE"), KxString("BLOB, 8"), 1);
    registry.ProcessOption(KxString("Bag"), KxString("tag"), KxString("MEMBER_STORAGE_TYPE"), KxString("BLOB, 8"), 1);
    registry.ProcessOption(KxString("Photo"), KxString("pic"), KxString("BLOB_TYPE"), KxString("BLOB, 4000"), 1);
}

struct ObjectHold {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectHold>;

// A reader that loads each alias's object from the one-row buffer it is handed.
class LoadingReader : public KxGObjectFetcher {
public:
    LoadingReader(KxGDatabase* database, KxGClassBufferMap& bufferMap) : database_(database), bufferMap_(bufferMap) {}
    KxGDatabase* GetDatabase() override { return database_; }
    KxGRowBufferCache* GetRowBufferCache() override { return cache; }
    int32_t LoadAlias(KxObjectAlias& alias, std::unique_ptr<KxGSQLObjectBuffer> row) override
    {
        ++loaded;
        KxGContext context(database_);
        KxGRowContext rows(row.get());
        return bufferMap_.LoadObject(rows, alias, &context);
    }
    int32_t NotFound(KxObjectAlias& alias) override
    {
        KxRef ref;
        alias.GetRef(ref);
        missing.push_back(ref.GetObjId().GetLow());
        return 0;
    }

    KxGRowBufferCache* cache = nullptr;
    int loaded = 0;
    std::vector<uint32_t> missing;

private:
    KxGDatabase* database_;
    KxGClassBufferMap& bufferMap_;
};

class ClassBufferMapOnServer : public oratest::DatabaseTest {
protected:
    ClassBufferMapOnServer() : DatabaseTest({.prefix = "CBM_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("rows.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = NewMap();
        KxGClass* loaded = nullptr;
        for (uint16_t number : {2, 3, 4, 5}) {
            ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(number), loaded, 0), 0) << db_->GetError()->Text();
        }
        oratest::OwnedList list;
        for (uint16_t number : {2, 3, 4, 5}) {
            ASSERT_EQ(ClassMap(number).GetStoreHdl()->CreateClassTable(list), 0);
        }
        ASSERT_NO_FATAL_FAILURE(ExecuteEach(list));
        Commit();
    }

    void TearDown() override
    {
        objects_.clear();
        map_.reset();
        KxGInstallMappingCompletion(false);
        DatabaseTest::TearDown();
    }

    void Commit() { ASSERT_EQ(db_->CommitConnection(), 1) << db_->GetError()->Text(); }

    std::unique_ptr<KxGCreationSchemaMap> NewMap()
    {
        auto map = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        BagOptions(map->GetOptionRegistry());
        uint16_t preserve = 0;
        map->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        return map;
    }

    KxGClassMap& ClassMap(uint16_t number) { return *map_->FindClass(number)->GetClassMap(); }
    KxGClassBufferMap& Items()
    {
        auto* bufferMap = dynamic_cast<KxGClassBufferMap*>(ClassMap(3).GetClassBufferMap());
        EXPECT_NE(bufferMap, nullptr);
        return *bufferMap;
    }

    KxObject& NewItem(uint32_t id, uint16_t number = 3)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(0, objects_mgr_.Create(dictionary_->GetCurrentVersion(number)->AsClass(), KxObjId(id), object));
        objects_.emplace_back(object);
        return *object;
    }

    template <typename T>
    static T& At(KxObject& object, const char* name)
    {
        const KxMember* member = object.GetMetaClass()->FindMember(name);
        EXPECT_NE(member, nullptr) << name;
        return *reinterpret_cast<T*>(object.MemberAddress(*member, 0));
    }
    template <typename T>
    static T& Inner(KxObject& object, const char* name)
    {
        const KxMember* outer = object.GetMetaClass()->FindMember("origin");
        const KxMember* inner = outer->GetClass()->FindMember(name);
        return *reinterpret_cast<T*>(object.MemberAddress(*outer, 0) + inner->GetOffset());
    }

    void Fill(KxObject& object, uint32_t seed)
    {
        At<int32_t>(object, "count") = static_cast<int32_t>(seed * 7);
        At<double>(object, "weight") = 0.5 * seed;
        At<int16_t>(object, "code") = static_cast<int16_t>(-static_cast<int32_t>(seed % 1000));
        At<KxString>(object, "label") = KxString(("it's item " + std::to_string(seed)).c_str());
        Inner<int32_t>(object, "x") = static_cast<int32_t>(seed);
        Inner<double>(object, "y") = seed + 0.25;
        At<KxOnDemand>(object, "partner").SetRef(KxRef(KxObjId(5000 + seed), KxClassId(2, 1)));
    }

    void ExpectSame(KxObject& stored, KxObject& loaded)
    {
        EXPECT_EQ(At<int32_t>(stored, "count"), At<int32_t>(loaded, "count"));
        EXPECT_EQ(At<double>(stored, "weight"), At<double>(loaded, "weight"));
        EXPECT_EQ(At<int16_t>(stored, "code"), At<int16_t>(loaded, "code"));
        EXPECT_EQ(Text(At<KxString>(stored, "label")), Text(At<KxString>(loaded, "label")));
        EXPECT_EQ(Inner<int32_t>(stored, "x"), Inner<int32_t>(loaded, "x"));
        EXPECT_EQ(Inner<double>(stored, "y"), Inner<double>(loaded, "y"));
        EXPECT_EQ(At<KxOnDemand>(stored, "partner").GetRef().GetObjId(), At<KxOnDemand>(loaded, "partner").GetRef().GetObjId());
        EXPECT_EQ(KxClassId(2, 1), At<KxOnDemand>(loaded, "partner").GetRef().GetClassId());
    }

    // Writes the objects with a request of the operation: rows, statements, execution, commit.
    void Write(const std::vector<KxObject*>& objects, int32_t operation, KxGClassMap* classMap = nullptr)
    {
        KxGClassMap& target = classMap != nullptr ? *classMap : ClassMap(3);
        auto& bufferMap = *dynamic_cast<KxGClassBufferMap*>(target.GetClassBufferMap());
        std::vector<std::unique_ptr<KxCPPObjectAlias>> aliases;
        KxGAliasVector list;
        for (KxObject* object : objects) {
            aliases.push_back(std::make_unique<KxCPPObjectAlias>(nullptr, nullptr, object));
            list.push_back(aliases.back().get());
        }
        KxGRequest request(nullptr, &target, target.GetClass()->GetClassId(), operation);
        request.SetEnvironment(db_.get(), 0);
        ASSERT_EQ(0, bufferMap.FillRows(list, request, request.GetMemberMapContext()));
        ASSERT_EQ(0, bufferMap.PrepareStatements(request, nullptr)) << db_->GetError()->Text();
        ASSERT_EQ(0, bufferMap.ExecuteTableMaps(request, list)) << db_->GetError()->Text();
        Commit();
    }

    // Reads fresh objects of the ids back; answers them in id order.
    std::vector<KxObject*> Read(const std::vector<uint32_t>& ids, LoadingReader& reader, uint16_t number = 3,
                                KxGClassBufferMap* bufferMap = nullptr)
    {
        std::vector<std::unique_ptr<KxCPPObjectAlias>> aliases;
        KxGAliasVector list;
        std::vector<KxObject*> fresh;
        for (uint32_t id : ids) {
            fresh.push_back(&NewItem(id, number));
            aliases.push_back(std::make_unique<KxCPPObjectAlias>(nullptr, nullptr, fresh.back()));
            list.push_back(aliases.back().get());
        }
        EXPECT_EQ(0, (bufferMap != nullptr ? *bufferMap : Items()).ReadObjects(reader, list)) << db_->GetError()->Text();
        return fresh;
    }

    std::vector<std::vector<std::string>> Query(const std::string& sql)
    {
        sqlengine::Error err;
        auto session = sqlengine::Session::Begin(server_, "S", "s", err);
        EXPECT_TRUE(session) << err.message;
        if (!session) {
            return {};
        }
        auto rows = oratest::RowTexts(oratest::RunOn(*session, sql));
        session->End();
        return rows;
    }

    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    KxObjectMgr objects_mgr_{nullptr};
    std::vector<ObjectPtr> objects_;
};

TEST_F(ClassBufferMapOnServer, ObjectsAreStoredAndReadBackWhateverTheirNumberAndBatchSize)
{
    const struct {
        uint32_t objects;
        int32_t batchSize;   // 0: the default
    } cases[] = {{1, 0}, {2, 0}, {300, 0}, {300, 64}};
    uint32_t next = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.objects) + " objects, batch size " + std::to_string(c.batchSize));
        if (c.batchSize != 0) {
            uint16_t preserve = 0;
            ASSERT_EQ(0, map_->GetOptionRegistry().ProcessOption(KxString("*"), KxString("*"), KxString("BATCH_SIZE"),
                                                                 KxString(std::to_string(c.batchSize).c_str()), 1));
            map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
            ASSERT_EQ(c.batchSize, map_->GetOptionRegistry().GetBatchSize());
        }
        std::vector<KxObject*> stored;
        std::vector<uint32_t> ids;
        for (uint32_t i = 0; i < c.objects; ++i) {
            const uint32_t id = next++;
            stored.push_back(&NewItem(id));
            Fill(*stored.back(), id);
            ids.push_back(id);
        }
        Write(stored, KXG_OP_INSERT);
        // Asked in reverse order: rows are matched to their aliases by id.
        std::vector<uint32_t> asked(ids.rbegin(), ids.rend());
        LoadingReader reader(db_.get(), Items());
        std::vector<KxObject*> loaded = Read(asked, reader);
        EXPECT_EQ(static_cast<int>(c.objects), reader.loaded);
        EXPECT_TRUE(reader.missing.empty());
        for (size_t i = 0; i < loaded.size(); ++i) {
            ExpectSame(*stored[stored.size() - 1 - i], *loaded[i]);
        }
    }
    EXPECT_EQ(Query("SELECT COUNT(*) FROM ITEMC3V0"), (std::vector<std::vector<std::string>>{{"603"}}));
}

TEST_F(ClassBufferMapOnServer, AnUpdateRewritesTheRowsAndAMissingObjectIsReportedNotFound)
{
    std::vector<KxObject*> stored;
    for (uint32_t id : {11u, 12u, 13u}) {
        stored.push_back(&NewItem(id));
        Fill(*stored.back(), id);
    }
    Write(stored, KXG_OP_INSERT);
    Fill(*stored[0], 111);
    Fill(*stored[2], 133);
    Write({stored[0], stored[2]}, KXG_OP_UPDATE);

    LoadingReader reader(db_.get(), Items());
    std::vector<KxObject*> loaded = Read({13, 99, 11, 12}, reader);
    EXPECT_EQ(3, reader.loaded);
    EXPECT_EQ(reader.missing, std::vector<uint32_t>{99});
    ExpectSame(*stored[2], *loaded[0]);
    ExpectSame(*stored[0], *loaded[2]);
    ExpectSame(*stored[1], *loaded[3]);
    EXPECT_EQ(133 * 7, At<int32_t>(*loaded[0], "count"));

    // One id alone: the same through the single-row select.
    LoadingReader single(db_.get(), Items());
    std::vector<KxObject*> one = Read({12}, single);
    EXPECT_EQ(1, single.loaded);
    ExpectSame(*stored[1], *one[0]);
    LoadingReader none(db_.get(), Items());
    Read({98}, none);
    EXPECT_EQ(none.missing, std::vector<uint32_t>{98});
}

TEST_F(ClassBufferMapOnServer, ObjectsOfTheRowBufferCacheAreServedWithoutAStatement)
{
    std::vector<KxObject*> stored;
    for (uint32_t id : {21u, 22u}) {
        stored.push_back(&NewItem(id));
        Fill(*stored.back(), id);
    }
    Write(stored, KXG_OP_INSERT);
    // Rows of another database's objects go into the cache; then they are served from it.
    class ForeignReader : public LoadingReader {
    public:
        using LoadingReader::LoadingReader;
        bool IsOwnObject(const KxObjId&) override { return own; }
        bool own = false;
    };
    KxGRowBufferCache cache(db_.get());
    ForeignReader reader(db_.get(), Items());
    reader.cache = &cache;
    Read({21, 22}, reader);
    EXPECT_EQ(0, reader.loaded);
    EXPECT_EQ(1, cache.Contains(KxObjId(21)));
    EXPECT_EQ(1, cache.Contains(KxObjId(22)));

    // The rows are gone from the table: only the cache can serve them now.
    KxGStoreStatementTemplate wipe(KxString("DELETE FROM S.ITEMC3V0"));
    KxGStoreStatement run(db_.get(), &wipe, 0);
    ASSERT_EQ(1, run.Execute());
    Commit();
    reader.own = true;
    std::vector<KxObject*> loaded = Read({22, 21}, reader);
    EXPECT_EQ(2, reader.loaded);
    EXPECT_TRUE(reader.missing.empty());
    ExpectSame(*stored[1], *loaded[0]);
    ExpectSame(*stored[0], *loaded[1]);
    EXPECT_EQ(0, cache.Contains(KxObjId(21)));
}

TEST_F(ClassBufferMapOnServer, ContainerMembersOutgrowTheirContainerAndAreReadBackWithItsWholeSize)
{
    KxGClassMap& bags = ClassMap(4);
    ASSERT_NE(bags.GetBlobContainerMap(), nullptr);
    auto& writer = *dynamic_cast<KxGClassBufferMap*>(bags.GetClassBufferMap());
    const int32_t before = writer.GetRowWidth();
    std::vector<KxObject*> stored;
    for (uint32_t id = 1; id <= 3; ++id) {
        KxObject& bag = NewItem(id, 4);
        At<int32_t>(bag, "size") = static_cast<int32_t>(id);
        At<KxString>(bag, "note") = KxString(std::string(15 * id, static_cast<char>('a' + id)).c_str());
        At<KxString>(bag, "tag") = KxString(("t'" + std::to_string(id)).c_str());
        stored.push_back(&bag);
    }
    Write(stored, KXG_OP_INSERT, &bags);
    EXPECT_GT(writer.GetRowWidth(), before) << "the container grew with the row";

    // A second mapping of the same classes still has the small container: its reads find containers
    // larger than their buffer and read them again; the warning only with the trace at level 64.
    const struct {
        bool traced;
    } cases[] = {{false}, {true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.traced ? "traced" : "not traced");
        oratest::TraceFile trace;
        db_->SetTrace(c.traced ? trace.Trace() : nullptr);
        db_->GetError()->Clear();
        std::unique_ptr<KxGCreationSchemaMap> second = NewMap();
        KxGClass* loaded = nullptr;
        ASSERT_EQ(0, second->LoadClass(*dictionary_->GetCurrentVersion(4), loaded, 0));
        auto& reader = *dynamic_cast<KxGClassBufferMap*>(loaded->GetClassMap()->GetClassBufferMap());
        EXPECT_EQ(reader.GetRowWidth(), before);
        LoadingReader loading(db_.get(), reader);
        std::vector<KxObject*> back = Read({3, 1, 2}, loading, 4, &reader);
        EXPECT_EQ(3, loading.loaded);
        const uint32_t order[] = {3, 1, 2};
        for (size_t i = 0; i < back.size(); ++i) {
            KxObject& original = *stored[order[i] - 1];
            EXPECT_EQ(At<int32_t>(original, "size"), At<int32_t>(*back[i], "size"));
            EXPECT_EQ(Text(At<KxString>(original, "note")), Text(At<KxString>(*back[i], "note")));
            EXPECT_EQ(Text(At<KxString>(original, "tag")), Text(At<KxString>(*back[i], "tag")));
        }
        const std::string text = db_->GetError()->Text();
        EXPECT_EQ(c.traced, text.find("size of blob container to small ,class Bag, required size ") != std::string::npos)
            << text;
        db_->SetTrace(nullptr);
    }
}

TEST_F(ClassBufferMapOnServer, LargeObjectsAreWrittenThroughTheirReselectedHandles)
{
    KxGClassMap& photos = ClassMap(5);
    auto& bufferMap = *dynamic_cast<KxGClassBufferMap*>(photos.GetClassBufferMap());
    ASSERT_EQ(1, bufferMap.GetHandleColumnCount());
    // 250 objects with batches of 100: rows are inserted and their handles re-selected batch by batch.
    uint16_t preserve = 0;
    ASSERT_EQ(0, map_->GetOptionRegistry().ProcessOption(KxString("*"), KxString("*"), KxString("BATCH_SIZE"),
                                                         KxString("100"), 1));
    map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
    for (uint32_t count : {1u, 3u, 250u}) {
        SCOPED_TRACE(count);
        std::vector<KxObject*> stored;
        std::vector<std::unique_ptr<KxCPPObjectAlias>> aliases;
        KxGAliasVector list;
        std::vector<uint32_t> ids;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t id = count * 1000 + i;
            KxObject& photo = NewItem(id, 5);
            At<KxString>(photo, "title") = KxString(("photo " + std::to_string(id)).c_str());
            std::vector<uint8_t> bytes(100 + i % 50, static_cast<uint8_t>(id));
            At<KxBlob>(photo, "pic") = KxBlob(bytes.data(), static_cast<uint32_t>(bytes.size()));
            stored.push_back(&photo);
            aliases.push_back(std::make_unique<KxCPPObjectAlias>(nullptr, nullptr, &photo));
            list.push_back(aliases.back().get());
            ids.push_back(id);
        }
        KxGRequest request(nullptr, &photos, photos.GetClass()->GetClassId(), KXG_OP_INSERT);
        request.SetEnvironment(db_.get(), 0);
        ASSERT_EQ(0, bufferMap.FillRows(list, request, request.GetMemberMapContext()));
        ASSERT_EQ(0, bufferMap.PrepareStatements(request, nullptr)) << db_->GetError()->Text();
        ASSERT_EQ(0, bufferMap.ExecuteTableMaps(request, list)) << db_->GetError()->Text();
        ASSERT_EQ(0, bufferMap.ResetRows(request, list, nullptr)) << db_->GetError()->Text();
        Commit();
        LoadingReader reader(db_.get(), bufferMap);
        std::vector<KxObject*> back = Read(ids, reader, 5, &bufferMap);
        EXPECT_EQ(static_cast<int>(count), reader.loaded);
        for (size_t i = 0; i < back.size(); ++i) {
            EXPECT_EQ(Text(At<KxString>(*stored[i], "title")), Text(At<KxString>(*back[i], "title")));
            EXPECT_EQ(At<KxBlob>(*stored[i], "pic"), At<KxBlob>(*back[i], "pic"));
        }
    }
}

TEST_F(ClassBufferMapOnServer, AContainerBehindALocatorIsWrittenThroughItAfterTheRowsAndReadBack)
{
    // A mapping whose containers are large objects: the row holds the locator, each object's container
    // is packed into a buffer of its own and written through the re-selected locator.
    auto map = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
    KxGOptionRegistry& registry = map->GetOptionRegistry();
    ASSERT_EQ(0, registry.ProcessOption(KxString("Crate"), KxString("note"), KxString("MEMBER_STORAGE_TYPE"),
                                        KxString("BLOB, 8"), 1));
    ASSERT_EQ(0, registry.ProcessOption(KxString("*"), KxString("*"), KxString("BLOB_CONTAINER_TYPE"), KxString("BLOB"), 2));
    uint16_t preserve = 0;
    registry.ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
    KxGClass* crate = nullptr;
    ASSERT_EQ(0, map->LoadClass(*dictionary_->GetCurrentVersion(6), crate, 0)) << db_->GetError()->Text();
    KxGClassMap& crates = *crate->GetClassMap();
    auto* container = dynamic_cast<KxGBlobContainerMemberMap*>(crates.GetBlobContainerMap());
    ASSERT_NE(container, nullptr);
    ASSERT_NE(container->GetChild(), nullptr);
    oratest::OwnedList list;
    ASSERT_EQ(0, crates.GetStoreHdl()->CreateClassTable(list));
    KxGStoreStatement create(db_.get(), list.GetTemplate(0), 0);
    ASSERT_EQ(1, create.Execute()) << db_->GetError()->Text();
    Commit();

    auto& bufferMap = *dynamic_cast<KxGClassBufferMap*>(crates.GetClassBufferMap());
    std::vector<KxObject*> stored;
    std::vector<std::unique_ptr<KxCPPObjectAlias>> aliases;
    KxGAliasVector objects;
    for (uint32_t id = 1; id <= 3; ++id) {
        KxObject& object = NewItem(id, 6);
        At<int32_t>(object, "size") = static_cast<int32_t>(id);
        At<KxString>(object, "note") = KxString(std::string(20 * id, static_cast<char>('m' + id)).c_str());
        stored.push_back(&object);
        aliases.push_back(std::make_unique<KxCPPObjectAlias>(nullptr, nullptr, &object));
        objects.push_back(aliases.back().get());
    }
    KxGRequest request(nullptr, &crates, crates.GetClass()->GetClassId(), KXG_OP_INSERT);
    request.SetEnvironment(db_.get(), 0);
    ASSERT_EQ(0, bufferMap.FillRows(objects, request, request.GetMemberMapContext()));
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_NE(nullptr, request.GetContainerBuffer(i)) << i;
    }
    ASSERT_EQ(0, bufferMap.PrepareStatements(request, nullptr)) << db_->GetError()->Text();
    ASSERT_EQ(0, bufferMap.ExecuteTableMaps(request, objects)) << db_->GetError()->Text();
    ASSERT_EQ(0, bufferMap.ResetRows(request, objects, nullptr)) << db_->GetError()->Text();
    Commit();

    LoadingReader reader(db_.get(), bufferMap);
    std::vector<KxObject*> back = Read({2, 3, 1}, reader, 6, &bufferMap);
    EXPECT_EQ(3, reader.loaded);
    const uint32_t order[] = {2, 3, 1};
    for (size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(At<int32_t>(*stored[order[i] - 1], "size"), At<int32_t>(*back[i], "size"));
        EXPECT_EQ(Text(At<KxString>(*stored[order[i] - 1], "note")), Text(At<KxString>(*back[i], "note")));
    }
}

}  // namespace
