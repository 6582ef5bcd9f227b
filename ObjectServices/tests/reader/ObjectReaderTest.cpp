// The object reader on the embedded engine through the Oracle adapter: objects written by requests
// are read back into fresh kernel objects of another base, with pointers (a cycle among them),
// on-demand references and sets of every reference and value kind; every object of a batch gets its
// references, sets and state bits, not only the first; failures as a table.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGClassBufferMap.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMappingCompletion.h"
#include "KxGOperationEnvironment.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGSchemaMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectReader.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

// Part 3 derives from Part 2; Other (4) is unrelated. A Node (5) points to a Node and a Part.
const char* const kDictionary = R"(dictionary graph
class 2.1 Part
member name string count=20
class 3.1 Special bases=Part
member extra int
class 4.1 Other
member tag int
class 5.1 Node
member count int
member next ptr:Node
member part ptr:Part
member partner ondemand:Part
member items set:PartSet
member lazy set:PartLazy
member tags set:TagSet
typeset 900.1 TagSet string
objectset 901.1 PartSet Part
ondemandset 902.1 PartLazy Part
)";

// Set tables named from the member name and the owner's class number.
class GraphSchemaMap : public KxGCreationSchemaMap {
public:
    using KxGCreationSchemaMap::KxGCreationSchemaMap;
    int32_t MapSet2TableName(KxGMember& member, uint16_t, KxGQualifiedIdentity& table) override
    {
        KxString name(member.GetName());
        name << "C" << static_cast<uint32_t>(member.GetClass()->GetClassNumber()) << "V0";
        table = KxGQualifiedIdentity(GetDatabase()->GetDatabaseInfo()->MapNameUpper(name), GetSchemaName());
        return 0;
    }
};

GraphSchemaMap* gMap = nullptr;

KxGClassMap* Lookup(KxGCatalog*, const KxClassId& classId)
{
    KxGClass* found = gMap != nullptr ? gMap->FindClass(classId.GetClassNumber()) : nullptr;
    return found != nullptr ? found->GetClassMap() : nullptr;
}

KxGClassMap* NoClassMap(KxGCatalog*, const KxClassId&) { return nullptr; }

struct ObjectRelease {
    void operator()(KxObject* object) const { object->Release(); }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectRelease>;

class ReaderOnServer : public oratest::DatabaseTest {
protected:
    ReaderOnServer() : DatabaseTest({.prefix = "RDR_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("graph.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<GraphSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        gMap = map_.get();
        uint16_t preserve = 0;
        map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        for (uint16_t number : {2, 3, 4, 5}) {
            KxGClass* loaded = nullptr;
            ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(number), loaded, 0), 0)
                << number << " " << db_->GetError()->Text();
        }
        oratest::OwnedList list;
        for (uint16_t number : {2, 3, 4, 5}) {
            ASSERT_EQ(0, ClassMap(number).GetStoreHdl()->CreateClassTable(list));
            ASSERT_EQ(0, ClassMap(number).GetStoreHdl()->CreateMemberTables(list));
        }
        ASSERT_NO_FATAL_FAILURE(ExecuteEach(list));
        ASSERT_EQ(db_->CommitConnection(), 1);
        environment_ = std::make_unique<KxGOperationEnvironment>(&readBase_, &catalog_, nullptr, db_->GetDatabaseInfo(), 0, 0);
        environment_->SetClassMapLookup(&Lookup);
        context_ = std::make_unique<KxGTransactionContext>(environment_.get(), nullptr, nullptr, db_.get());
    }

    void TearDown() override
    {
        context_.reset();
        environment_.reset();
        written_.clear();
        fresh_.clear();
        map_.reset();
        gMap = nullptr;
        KxGInstallMappingCompletion(false);
        DatabaseTest::TearDown();
    }

    KxGClassMap& ClassMap(uint16_t number) { return *map_->FindClass(number)->GetClassMap(); }
    const KxMetaClass* Meta(uint16_t number) { return dictionary_->GetCurrentVersion(number)->AsClass(); }

    template <typename T>
    static T& At(KxObject& object, const char* name)
    {
        const KxMember* member = object.GetMetaClass()->FindMember(name);
        EXPECT_NE(member, nullptr) << name;
        return *reinterpret_cast<T*>(object.MemberAddress(*member, 0));
    }
    static void Point(KxObject& object, const char* name, KxObject* target)
    {
        object.SetPointer(*object.GetMetaClass()->FindMember(name), target);
    }

    // An object to write (no base) and its fresh twin in the reader's base.
    KxObject& Written(uint16_t number, uint32_t id)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(writeMgr_.Create(Meta(number), KxObjId(id), object), 0);
        written_.emplace_back(object);
        return *object;
    }
    KxObject& Fresh(uint16_t number, uint32_t id)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(readBase_.GetObjectMgr()->Create(Meta(number), KxObjId(id), object), 0);
        fresh_.emplace_back(object);
        return *object;
    }

    void Insert(uint16_t number, const std::vector<KxObject*>& objects)
    {
        KxGRequest request(context_.get(), &ClassMap(number), ClassMap(number).GetClass()->GetClassId(), KXG_OP_INSERT);
        for (KxObject* object : objects) {
            ASSERT_EQ(request.AddAlias(new KxCPPObjectAlias(nullptr, nullptr, object)), 0);
        }
        ASSERT_EQ(request.Execute(), 0) << db_->GetError()->Text();
    }

    // A written node: its count, next node, part, partner, the items and lazy parts, the tags.
    KxObject& Node(uint32_t id, KxObject* next, KxObject* part, KxObject* partner, const std::vector<KxObject*>& items,
                   const std::vector<KxObject*>& lazy, const std::vector<std::string>& tags)
    {
        KxObject& node = Written(5, id);
        At<int32_t>(node, "count") = static_cast<int32_t>(id);
        Point(node, "next", next);
        Point(node, "part", part);
        if (partner != nullptr) {
            At<KxOnDemand>(node, "partner").Assign(nullptr, partner->GetRef(), nullptr);
        }
        for (KxObject* item : items) {
            EXPECT_EQ(At<KxObjectSet>(node, "items").Add(item), 0);
        }
        for (KxObject* item : lazy) {
            KxOnDemand element;
            element.Assign(nullptr, item->GetRef(), nullptr);
            EXPECT_EQ(At<KxOnDemandSet>(node, "lazy").Add(element), 0);
        }
        for (const std::string& tag : tags) {
            KxString value(tag.c_str());
            EXPECT_EQ(At<KxTypeSet>(node, "tags").Add(&value), 0);
        }
        return node;
    }

    // What a node holds, as texts (objects by id).
    std::vector<std::string> Describe(KxObject& node)
    {
        auto id = [](const KxObject* object) {
            return object == nullptr ? std::string("-") : std::to_string(object->GetObjId().GetLow());
        };
        std::vector<std::string> out = {std::to_string(At<int32_t>(node, "count")), "next " + id(At<KxObject*>(node, "next")),
                                        "part " + id(At<KxObject*>(node, "part")),
                                        "partner " + std::to_string(At<KxOnDemand>(node, "partner").GetRef().GetObjId().GetLow())};
        auto& items = At<KxObjectSet>(node, "items");
        for (uint32_t k = 0; k < items.Count(); ++k) {
            out.push_back("item " + id(items.Get(k)));
        }
        auto& lazy = At<KxOnDemandSet>(node, "lazy");
        for (uint32_t k = 0; k < lazy.Count(); ++k) {
            out.push_back("lazy " + std::to_string(lazy.Get(k)->GetRef().GetObjId().GetLow()));
        }
        auto& tags = At<KxTypeSet>(node, "tags");
        for (uint32_t k = 0; k < tags.Count(); ++k) {
            out.push_back("tag " + Text(*static_cast<KxString*>(tags.At(k))));
        }
        return out;
    }

    void Sql(const std::string& sql)
    {
        sqlengine::Error err;
        auto session = sqlengine::Session::Begin(server_, "S", "s", err);
        ASSERT_TRUE(session) << err.message;
        oratest::RunOn(*session, sql);
        EXPECT_TRUE(session->Commit(err)) << err.message;
        session->End();
    }

    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<GraphSchemaMap> map_;
    KxObjectMgr writeMgr_{nullptr};
    KxBase readBase_{KxString("reader")};
    KxGCatalog catalog_;   // the environment reads only through the lookup, which uses the schema map
    std::vector<ObjectPtr> written_;
    std::vector<ObjectPtr> fresh_;
    std::unique_ptr<KxGOperationEnvironment> environment_;
    std::unique_ptr<KxGTransactionContext> context_;
};

TEST_F(ReaderOnServer, AGraphIsReadBackIntoFreshObjects)
{
    KxObject& p1 = Written(2, 1);
    KxObject& p2 = Written(2, 2);
    KxObject& s3 = Written(3, 3);
    KxObject& o4 = Written(4, 4);
    Insert(2, {&p1, &p2});
    Insert(3, {&s3});
    Insert(4, {&o4});
    // 10 and 11 point at each other; 11's part is a subclass object; 12 has nothing.
    KxObject& n10 = Node(10, nullptr, &p1, &p2, {&p1, &s3}, {&p2, &s3}, {"a", "b"});
    KxObject& n11 = Node(11, &n10, &s3, nullptr, {&s3}, {}, {"c"});
    Point(n10, "next", &n11);
    KxObject& n12 = Node(12, nullptr, nullptr, nullptr, {}, {}, {});
    Insert(5, {&n10, &n11, &n12});
    ASSERT_EQ(db_->CommitConnection(), 1);

    for (uint32_t id : {1, 2}) {
        Fresh(2, id);
    }
    Fresh(3, 3);
    Fresh(4, 4);
    std::vector<KxObject*> batch{&Fresh(5, 11), &Fresh(5, 10), &Fresh(5, 12), &Fresh(5, 13)};
    // A set read replaces what the set held before.
    ASSERT_EQ(At<KxObjectSet>(*batch[0], "items").Add(fresh_[1].get()), 0);

    KxObjectReader reader(context_.get(), readBase_.GetObjectMgr());
    ASSERT_EQ(reader.Read(static_cast<uint32_t>(batch.size()), batch.data()), 0) << db_->GetError()->Text();
    EXPECT_EQ(Describe(*batch[0]), Describe(n11));
    EXPECT_EQ(Describe(*batch[1]), Describe(n10));
    EXPECT_EQ(Describe(*batch[2]), Describe(n12));
    // The cycle closes on the fresh objects themselves.
    EXPECT_EQ(At<KxObject*>(*batch[0], "next"), batch[1]);
    EXPECT_EQ(At<KxObject*>(*batch[1], "next"), batch[0]);
    EXPECT_EQ(At<KxOnDemand>(*batch[1], "partner").GetParentBase(), &readBase_);
    for (KxObject* object : {batch[0], batch[1], batch[2]}) {
        EXPECT_EQ(object->GetState() & (KX_STATE_HAS_ROW | KX_STATE_BEING_READ), KX_STATE_HAS_ROW);
    }
    EXPECT_EQ(batch[3]->GetState(), 0);   // no row: untouched
    EXPECT_EQ(Describe(*batch[3]), (std::vector<std::string>{"0", "next -", "part -", "partner 0"}));
    // The cycles are broken so that every object can go.
    for (KxObject* object : batch) {
        Point(*object, "next", nullptr);
    }
    for (auto& object : written_) {
        if (object->GetMetaClass() == Meta(5)) {
            Point(*object, "next", nullptr);
        }
    }
}

TEST_F(ReaderOnServer, ReferencesOfAWrongClassOrNotInMemoryStayEmpty)
{
    KxObject& p1 = Written(2, 1);
    KxObject& p2 = Written(2, 2);
    KxObject& o4 = Written(4, 4);
    Insert(2, {&p1, &p2});
    Insert(4, {&o4});
    KxObject& n20 = Node(20, nullptr, &p1, &p1, {&p1, &p2}, {&p1}, {});
    KxObject& n21 = Node(21, nullptr, &p2, &p2, {}, {}, {});
    Insert(5, {&n20, &n21});
    ASSERT_EQ(db_->CommitConnection(), 1);
    // Node 21's references name the class Other (the rows say so, whatever the kernel would allow).
    Sql("UPDATE NODEC5V0 SET PARTOID2V0 = 4, PARTCID2V0 = (SELECT CID FROM OTHERC4V0 WHERE OID = 4), "
        "PARTNEROID3V0 = 4, PARTNERCID3V0 = (SELECT CID FROM OTHERC4V0 WHERE OID = 4) WHERE OID = 21");

    // Under part 1's id stands an Other object in memory; part 2 is not in memory.
    Fresh(4, 1);
    Fresh(4, 4);
    std::vector<KxObject*> batch{&Fresh(5, 20), &Fresh(5, 21)};
    KxObjectReader reader(context_.get(), readBase_.GetObjectMgr());
    ASSERT_EQ(reader.Read(2, batch.data()), 0) << db_->GetError()->Text();
    struct Case {
        KxObject* node;
        uint32_t partner;   // the on-demand reference kept (0: emptied)
    };
    for (const Case& c : {Case{batch[0], 1}, Case{batch[1], 0}}) {
        EXPECT_EQ(At<KxObject*>(*c.node, "part"), nullptr);
        EXPECT_EQ(At<KxOnDemand>(*c.node, "partner").GetRef().GetObjId().GetLow(), c.partner);
        EXPECT_EQ(At<KxObjectSet>(*c.node, "items").Count(), 0u);
        EXPECT_EQ(c.node->GetState(), KX_STATE_HAS_ROW);
    }
    ASSERT_EQ(At<KxOnDemandSet>(*batch[0], "lazy").Count(), 1u);   // on-demand sets take every reference
}

TEST_F(ReaderOnServer, ThreeHundredObjectsOfOneBatchAllGetTheirReferencesSetsAndState)
{
    constexpr uint32_t kCount = 300;
    KxObject& part = Written(2, 1);
    Insert(2, {&part});
    std::vector<KxObject*> nodes;
    for (uint32_t i = 0; i < kCount; ++i) {
        nodes.push_back(&Node(100 + i, nullptr, &part, &part, {&part}, {&part}, {"t" + std::to_string(i)}));
    }
    for (uint32_t i = 0; i < kCount; ++i) {
        Point(*nodes[i], "next", nodes[(i + 1) % kCount]);
    }
    Insert(5, nodes);
    ASSERT_EQ(db_->CommitConnection(), 1);

    Fresh(2, 1);
    std::vector<KxObject*> batch;
    for (uint32_t i = 0; i < kCount; ++i) {
        batch.push_back(&Fresh(5, 100 + i));
    }
    KxObjectReader reader(context_.get(), readBase_.GetObjectMgr());
    ASSERT_EQ(reader.Read(kCount, batch.data()), 0) << db_->GetError()->Text();
    std::vector<uint32_t> wrong;
    for (uint32_t i = 0; i < kCount; ++i) {
        if (Describe(*batch[i]) != Describe(*nodes[i]) || At<KxObject*>(*batch[i], "next") != batch[(i + 1) % kCount] ||
            batch[i]->GetState() != KX_STATE_HAS_ROW) {
            wrong.push_back(100 + i);
        }
    }
    EXPECT_EQ(wrong, std::vector<uint32_t>{});
    for (uint32_t i = 0; i < kCount; ++i) {
        Point(*batch[i], "next", nullptr);
        Point(*nodes[i], "next", nullptr);
    }
}

TEST_F(ReaderOnServer, TheClassBufferMapReadsObjectsThroughTheReader)
{
    KxObject& p1 = Written(2, 1);
    Insert(2, {&p1});
    KxObject& n40 = Node(40, nullptr, &p1, &p1, {&p1}, {&p1}, {"x", "y"});
    KxObject& n41 = Node(41, &n40, nullptr, nullptr, {}, {}, {"z"});
    Point(n40, "next", &n41);
    Insert(5, {&n40, &n41});
    ASSERT_EQ(db_->CommitConnection(), 1);

    Fresh(2, 1);
    KxObject& f40 = Fresh(5, 40);
    KxObject& f41 = Fresh(5, 41);
    KxObject& f42 = Fresh(5, 42);
    std::vector<std::unique_ptr<KxCPPObjectAlias>> aliases;
    KxGAliasVector list;
    for (KxObject* object : {&f41, &f42, &f40}) {
        aliases.push_back(std::make_unique<KxCPPObjectAlias>(environment_.get(), nullptr, object));
        list.push_back(aliases.back().get());
    }
    KxObjectReader reader(context_.get(), readBase_.GetObjectMgr());
    ASSERT_EQ(ClassMap(5).GetClassBufferMap()->ReadObjects(reader, list), 0) << db_->GetError()->Text();
    EXPECT_EQ(Describe(f40), Describe(n40));
    EXPECT_EQ(Describe(f41), Describe(n41));
    EXPECT_EQ(At<KxObject*>(f41, "next"), &f40);
    EXPECT_EQ(f40.GetState(), KX_STATE_HAS_ROW);
    EXPECT_EQ(f42.GetState(), 0);
    for (KxObject* object : {&f40, &f41, &n40, &n41}) {
        Point(*object, "next", nullptr);
    }
}

TEST_F(ReaderOnServer, FailuresOfTheRead)
{
    KxObject* none = nullptr;
    KxObject* node = &Fresh(5, 30);
    KxGTransactionContext bare(nullptr, nullptr, nullptr, db_.get());
    struct Case {
        const char* what;
        KxGTransactionContext* context;
        KxGClassMapLookup lookup;
        KxObject** objects;
        int32_t expected;
    };
    const Case cases[] = {
        {"no first object", context_.get(), &Lookup, &none, KX_ALIAS_E_NULL},
        {"no environment", &bare, &Lookup, &node, KX_ALIAS_E_NULL},
        {"no class map", context_.get(), &NoClassMap, &node, KXG_E_MAP_NO_CLASS},
        {"no row", context_.get(), &Lookup, &node, 0},
    };
    for (const Case& c : cases) {
        environment_->SetClassMapLookup(c.lookup);
        KxObjectReader reader(c.context, readBase_.GetObjectMgr());
        EXPECT_EQ(reader.Read(1, c.objects), c.expected) << c.what;
        EXPECT_EQ(node->GetState(), 0) << c.what;
    }
}

}  // namespace
