// Objects in and out on the embedded engine through the Oracle adapter: a graph with a reference
// cycle, embedded members holding references, on-demand references and every set kind is stored by
// the object storer through a compound statement, committed, then read back by the object reader into
// fresh objects of another base and compared member by member.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGLockService.h"
#include "KxGCompoundStatement.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMappingCompletion.h"
#include "KxGObjectStorer.h"
#include "KxGOperationEnvironment.h"
#include "KxGOptionRegistry.h"
#include "KxGQueryService.h"
#include "KxGTableMap.h"
#include "KxGOraDatabase.h"
#include "KxGRefMemberMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectReader.h"
#include "KxQuery.h"
#include "OraTestSupport.h"

namespace {

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

// Spot is embedded in a node and holds a pointer and an on-demand reference of its own; a node's
// places are a set of embedded Place values.
const char* const kDictionary = R"(dictionary roundtrip
class 1.1 Spot embedded
member zip int
member near ptr:Node
member far ondemand:Node
class 2.1 Node
member label string count=20
member home embedded:Spot
member next ptr:Node flags=0x8
member other ondemand:Node
member kids set:NodeSet
member lazy set:NodeLazy
member tags set:TagSet
member places set:PlaceSet
class 3.1 Place embedded
member x int
member y double
objectset 900.1 NodeSet Node
ondemandset 901.1 NodeLazy Node
typeset 902.1 TagSet string
classset 903.1 PlaceSet Place
)";

KxGCreationSchemaMap* gMap = nullptr;

KxGClassMap* Lookup(KxGCatalog*, const KxClassId& classId)
{
    KxGClass* found = gMap != nullptr ? gMap->FindClass(classId.GetClassNumber()) : nullptr;
    return found != nullptr ? found->GetClassMap() : nullptr;
}

struct ObjectRelease {
    void operator()(KxObject* object) const { object->Release(); }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectRelease>;

class GraphRoundTrip : public oratest::DatabaseTest {
protected:
    GraphRoundTrip() : DatabaseTest({.prefix = "GRT_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("roundtrip.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        gMap = map_.get();
        uint16_t preserve = 0;
        map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        KxGClass* loaded = nullptr;
        ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(2), loaded, 0), 0) << db_->GetError()->Text();
        oratest::OwnedList list;
        ASSERT_EQ(Nodes().GetStoreHdl()->CreateClassTable(list), 0);
        ASSERT_EQ(Nodes().GetStoreHdl()->CreateMemberTables(list), 0);
        ASSERT_NO_FATAL_FAILURE(ExecuteEach(list));
        ASSERT_EQ(db_->CommitConnection(), 1);
        auto* info = db_->GetDatabaseInfo();
        writeEnvironment_ = std::make_unique<KxGOperationEnvironment>(&writeBase_, &catalog_, nullptr, info, 0, 0);
        writeEnvironment_->SetClassMapLookup(&Lookup);
        readEnvironment_ = std::make_unique<KxGOperationEnvironment>(&readBase_, &catalog_, nullptr, info, 0, 0);
        readEnvironment_->SetClassMapLookup(&Lookup);
        writeContext_ = std::make_unique<KxGTransactionContext>(writeEnvironment_.get(), nullptr, nullptr, db_.get());
        readContext_ = std::make_unique<KxGTransactionContext>(readEnvironment_.get(), nullptr, nullptr, db_.get());
    }

    void TearDown() override
    {
        // Pointers and sets are emptied first so that the cycles of holds let every object go.
        for (auto* objects : {&written_, &fresh_}) {
            for (ObjectPtr& object : *objects) {
                object->SetPointer(Member(*object, "next"), nullptr);
                KxObject*& near = Spot(*object).near;
                if (near != nullptr) {
                    near->Release();
                    near = nullptr;
                }
                At<KxObjectSet>(*object, "kids").Clear();
            }
            objects->clear();
        }
        readContext_.reset();
        writeContext_.reset();
        readEnvironment_.reset();
        writeEnvironment_.reset();
        gMap = nullptr;
        map_.reset();
        KxGInstallMappingCompletion(false);
        DatabaseTest::TearDown();
    }

    KxGClassMap& Nodes() { return *map_->FindClass(2)->GetClassMap(); }
    const KxMetaClass* Meta(uint16_t number) { return dictionary_->GetCurrentVersion(number)->AsClass(); }

    static const KxMember& Member(KxObject& object, const char* name)
    {
        return *object.GetMetaClass()->FindMember(name);
    }
    template <typename T>
    static T& At(KxObject& object, const char* name)
    {
        return *reinterpret_cast<T*>(object.MemberAddress(Member(object, name), 0));
    }
    // The embedded Spot of a node, member by member.
    struct SpotView {
        int32_t& zip;
        KxObject*& near;
        KxOnDemand& far;
    };
    SpotView Spot(KxObject& node)
    {
        uint8_t* home = node.MemberAddress(Member(node, "home"), 0);
        const KxMetaClass* spot = Meta(1);
        return SpotView{*reinterpret_cast<int32_t*>(home + spot->FindMember("zip")->GetOffset()),
                        *reinterpret_cast<KxObject**>(home + spot->FindMember("near")->GetOffset()),
                        *reinterpret_cast<KxOnDemand*>(home + spot->FindMember("far")->GetOffset())};
    }

    KxObject& Make(KxBase& base, std::vector<ObjectPtr>& list, uint32_t id)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(base.GetObjectMgr()->Create(Meta(2), KxObjId(id), object), 0);
        list.emplace_back(object);
        return *object;
    }

    // Everything a node holds, as texts (objects and references by id).
    std::vector<std::string> Describe(KxObject& node)
    {
        auto id = [](const KxObject* object) {
            return object == nullptr ? std::string("-") : std::to_string(object->GetObjId().GetLow());
        };
        auto ref = [](const KxOnDemand& reference) { return std::to_string(reference.GetRef().GetObjId().GetLow()); };
        SpotView spot = Spot(node);
        std::vector<std::string> out = {Text(At<KxString>(node, "label")),
                                        "zip " + std::to_string(spot.zip),
                                        "near " + id(spot.near),
                                        "far " + ref(spot.far),
                                        "next " + id(At<KxObject*>(node, "next")),
                                        "other " + ref(At<KxOnDemand>(node, "other"))};
        auto& kids = At<KxObjectSet>(node, "kids");
        for (uint32_t k = 0; k < kids.Count(); ++k) {
            out.push_back("kid " + id(kids.Get(k)));
        }
        auto& lazy = At<KxOnDemandSet>(node, "lazy");
        for (uint32_t k = 0; k < lazy.Count(); ++k) {
            out.push_back("lazy " + ref(*lazy.Get(k)));
        }
        auto& tags = At<KxTypeSet>(node, "tags");
        for (uint32_t k = 0; k < tags.Count(); ++k) {
            out.push_back("tag " + Text(*static_cast<KxString*>(tags.At(k))));
        }
        auto& places = At<KxClassSet>(node, "places");
        const KxMetaClass* place = Meta(3);
        for (uint32_t k = 0; k < places.Count(); ++k) {
            const uint8_t* at = places.At(k);
            out.push_back("place " + std::to_string(*reinterpret_cast<const int32_t*>(at + place->FindMember("x")->GetOffset())) +
                          " " + std::to_string(*reinterpret_cast<const double*>(at + place->FindMember("y")->GetOffset())));
        }
        return out;
    }

    // The object ids registered with the compound statement for the operation.
    static std::set<uint32_t> Registered(KxGCompoundStatement& compound, int32_t operation)
    {
        std::set<uint32_t> ids;
        const KxGRequestList& requests = compound.GetRequests();
        for (uint32_t r = 0; r < requests.Count(); ++r) {
            if (requests.At(r)->GetOperation() != operation) {
                continue;
            }
            for (KxObjectAlias* alias : requests.At(r)->GetAliases()) {
                KxRef ref;
                alias->GetRef(ref);
                ids.insert(ref.GetObjId().GetLow());
            }
        }
        return ids;
    }

    // Runs the call on a compound statement of a transaction level of the write context, then
    // commits (commit) or rolls back.
    template <typename F>
    void InLevel(bool commit, F&& call)
    {
        writeContext_->RaiseLevel();
        KxGResourceMgr* level = db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, writeContext_.get());
        auto* compound = dynamic_cast<KxGCompoundStatement*>(
            db_->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, writeContext_.get()));
        ASSERT_NE(compound, nullptr);
        EXPECT_EQ(writeContext_->Push(level), 0);
        EXPECT_EQ(writeContext_->Push(compound), 0);
        call(*compound);
        if (commit) {
            EXPECT_EQ(compound->XAPrepare(), 0) << db_->GetError()->Text();
            EXPECT_EQ(compound->XACommit(), 0);
        }
        writeContext_->PopTo(compound);
        if (commit) {
            EXPECT_EQ(level->XAPrepare(), 0);
            EXPECT_EQ(level->XACommit(), 0);
        }
        writeContext_->PopTo(level);
        db_->DeleteResourceMgr(compound);
        db_->DeleteResourceMgr(level);
        writeContext_->LowerLevel();
        if (!commit) {
            db_->RollbackConnection();
        }
    }

    // Stores the object with the depth through a compound statement of a transaction level; commits.
    void Store(KxObject& object, int32_t depth)
    {
        writeContext_->RaiseLevel();
        KxGResourceMgr* level = db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, writeContext_.get());
        auto* compound = dynamic_cast<KxGCompoundStatement*>(
            db_->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, writeContext_.get()));
        ASSERT_NE(compound, nullptr);
        EXPECT_EQ(writeContext_->Push(level), 0);
        EXPECT_EQ(writeContext_->Push(compound), 0);
        {
            KxGObjectStorer storer(writeEnvironment_.get(), writeContext_.get(), compound, depth, false);
            EXPECT_EQ(storer.StoreObject(nullptr, &object), 0);
        }
        EXPECT_EQ(compound->XAPrepare(), 0) << db_->GetError()->Text();
        EXPECT_EQ(compound->XACommit(), 0);
        writeContext_->PopTo(compound);
        EXPECT_EQ(level->XAPrepare(), 0);
        EXPECT_EQ(level->XACommit(), 0);
        writeContext_->PopTo(level);
        db_->DeleteResourceMgr(compound);
        db_->DeleteResourceMgr(level);
        writeContext_->LowerLevel();
    }

    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    KxGCatalog catalog_;   // class maps are found through the lookup
    KxBase writeBase_{KxString("writer")};
    KxBase readBase_{KxString("reader")};
    std::vector<ObjectPtr> written_;
    std::vector<ObjectPtr> fresh_;
    std::unique_ptr<KxGOperationEnvironment> writeEnvironment_;
    std::unique_ptr<KxGOperationEnvironment> readEnvironment_;
    std::unique_ptr<KxGTransactionContext> writeContext_;
    std::unique_ptr<KxGTransactionContext> readContext_;
};

TEST_F(GraphRoundTrip, AStoredGraphIsReadBackMemberByMember)
{
    // 1 and 2 point at each other; every other node is reached from 1 through one kind of member
    // only: 3 through the embedded pointer (and the object set), 4 through the object set, 5 through
    // the on-demand member, 6 through the embedded on-demand member, 7 through the on-demand set.
    std::vector<KxObject*> w;
    for (uint32_t id = 1; id <= 7; ++id) {
        KxObject& node = Make(writeBase_, written_, id);
        At<KxString>(node, "label") = KxString(("node " + std::to_string(id)).c_str());
        Spot(node).zip = static_cast<int32_t>(100 + id);
        w.push_back(&node);
    }
    KxObject& a = *w[0];
    a.SetPointer(Member(a, "next"), w[1]);
    w[1]->SetPointer(Member(*w[1], "next"), &a);
    w[2]->Hold();
    Spot(a).near = w[2];
    Spot(a).far.Assign(nullptr, w[5]->GetRef(), &writeBase_);
    At<KxOnDemand>(a, "other").Assign(nullptr, w[4]->GetRef(), &writeBase_);
    ASSERT_EQ(At<KxObjectSet>(a, "kids").Add(w[2]), 0);
    ASSERT_EQ(At<KxObjectSet>(a, "kids").Add(w[3]), 0);
    for (KxObject* element : {w[6], w[1]}) {
        KxOnDemand reference;
        reference.Assign(nullptr, element->GetRef(), &writeBase_);
        ASSERT_EQ(At<KxOnDemandSet>(a, "lazy").Add(reference), 0);
    }
    for (const char* tag : {"x", "it's"}) {
        KxString value(tag);
        ASSERT_EQ(At<KxTypeSet>(a, "tags").Add(&value), 0);
    }
    const KxMetaClass* place = Meta(3);
    for (int32_t x : {1, 2}) {
        uint8_t* instance = place->NewInstance();
        *reinterpret_cast<int32_t*>(instance + place->FindMember("x")->GetOffset()) = x;
        *reinterpret_cast<double*>(instance + place->FindMember("y")->GetOffset()) = x + 0.5;
        EXPECT_EQ(At<KxClassSet>(a, "places").Add(instance), 0);
        place->DeleteInstance(instance);
    }
    Store(a, 3);

    // Fresh objects in the reader's base, read in one batch in another order.
    std::vector<KxObject*> f(7);
    for (uint32_t id : {7, 2, 1, 5, 3, 6, 4}) {
        f[id - 1] = &Make(readBase_, fresh_, id);
    }
    std::vector<KxObject*> batch{f[1], f[0], f[6], f[2], f[3], f[4], f[5]};
    KxObjectReader reader(readContext_.get(), readBase_.GetObjectMgr());
    ASSERT_EQ(reader.Read(static_cast<uint32_t>(batch.size()), batch.data()), 0) << db_->GetError()->Text();
    for (size_t i = 0; i < w.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(Describe(*f[i]), Describe(*w[i]));
        EXPECT_EQ(f[i]->GetState(), KX_STATE_HAS_ROW);
    }
    // References resolve to the fresh objects of the reader's base.
    EXPECT_EQ(At<KxObject*>(*f[0], "next"), f[1]);
    EXPECT_EQ(At<KxObject*>(*f[1], "next"), f[0]);
    EXPECT_EQ(Spot(*f[0]).near, f[2]);
    EXPECT_EQ(At<KxObjectSet>(*f[0], "kids").Get(1), f[3]);
    EXPECT_EQ(At<KxOnDemand>(*f[0], "other").GetParentBase(), &readBase_);
    EXPECT_EQ(Spot(*f[0]).far.GetParentBase(), &readBase_);
}

}  // namespace

namespace {

// A lock service that refuses every transaction lock and remembers what it was asked.
class RefusingLocks : public KxGDummyLockService {
public:
    uint16_t AcquireTxnLocks(KxGTransactionContext*, uint16_t mode, const KxRefList& refs) override
    {
        modes.push_back(mode);
        asked += static_cast<uint32_t>(refs.size());
        return 0;
    }
    std::vector<uint16_t> modes;
    uint32_t asked = 0;
};

TEST_F(GraphRoundTrip, OnDemandReferencesAndSetsGoWithTheirOwnerByDepth)
{
    // 1 refers to 2 on demand, holds 3 in its object set and 4 in its on-demand set (no member
    // carries the flag that makes it go with its owner).
    std::vector<KxObject*> w;
    for (uint32_t id = 1; id <= 4; ++id) {
        w.push_back(&Make(writeBase_, written_, id));
    }
    KxObject& a = *w[0];
    At<KxOnDemand>(a, "other").Assign(nullptr, w[1]->GetRef(), &writeBase_);
    ASSERT_EQ(At<KxObjectSet>(a, "kids").Add(w[2]), 0);
    KxOnDemand lazy;
    lazy.Assign(nullptr, w[3]->GetRef(), &writeBase_);
    ASSERT_EQ(At<KxOnDemandSet>(a, "lazy").Add(lazy), 0);
    struct Case {
        int32_t depth;
        std::set<uint32_t> inserted;
    };
    for (const Case& c : {Case{1, {1}}, Case{2, {1, 3}}, Case{3, {1, 2, 3, 4}}}) {
        SCOPED_TRACE(c.depth);
        for (KxObject* object : w) {
            object->SetState(0);
        }
        InLevel(false, [&](KxGCompoundStatement& compound) {
            KxGObjectStorer storer(writeEnvironment_.get(), writeContext_.get(), &compound, c.depth, false);
            EXPECT_EQ(storer.StoreObject(nullptr, &a), 0);
            EXPECT_EQ(Registered(compound, KXG_OP_INSERT), c.inserted);
        });
    }
}

TEST_F(GraphRoundTrip, ReferencesIntoAnotherBaseAreRefusedWhateverTheDepth)
{
    KxBase elsewhere(KxString("elsewhere"));
    std::vector<ObjectPtr> foreignObjects;
    KxObject& stranger = Make(elsewhere, foreignObjects, 50);
    KxOnDemand foreignRef;
    foreignRef.Assign(&elsewhere, stranger.GetRef(), &writeBase_);
    const struct {
        const char* what;
        std::function<void(KxObject&)> refer;
    } cases[] = {
        {"on-demand member", [&](KxObject& a) { At<KxOnDemand>(a, "other") = foreignRef; }},
        {"on-demand set", [&](KxObject& a) { EXPECT_EQ(At<KxOnDemandSet>(a, "lazy").Add(foreignRef), 0); }},
        {"object set", [&](KxObject& a) { EXPECT_EQ(At<KxObjectSet>(a, "kids").Add(&stranger), 0); }},
        {"pointer", [&](KxObject& a) { a.SetPointer(Member(a, "next"), &stranger); }},
        {"embedded pointer", [&](KxObject& a) {
             stranger.Hold();
             Spot(a).near = &stranger;
         }},
    };
    uint32_t id = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KxObject& a = Make(writeBase_, written_, id++);
        c.refer(a);
        for (int32_t depth : {1, 3}) {
            for (bool allowed : {false, true}) {
                a.SetState(0);
                InLevel(false, [&](KxGCompoundStatement& compound) {
                    KxGObjectStorer storer(writeEnvironment_.get(), writeContext_.get(), &compound, depth, allowed);
                    EXPECT_EQ(storer.StoreObject(nullptr, &a), allowed ? 0 : KXG_E_FOREIGN_REFERENCE)
                        << depth << " " << allowed;
                });
            }
        }
        // The stranger leaves the node before its base goes.
        a.SetPointer(Member(a, "next"), nullptr);
        At<KxObjectSet>(a, "kids").Clear();
        if (Spot(a).near != nullptr) {
            Spot(a).near->Release();
            Spot(a).near = nullptr;
        }
    }
}

TEST_F(GraphRoundTrip, RefusedLocksStopADeleteBeforeAnythingIsRegistered)
{
    KxObject& a = Make(writeBase_, written_, 1);
    KxObject& b = Make(writeBase_, written_, 2);
    a.SetPointer(Member(a, "next"), &b);
    Store(a, 1);
    RefusingLocks locks;
    KxGTransactionContext locked(writeEnvironment_.get(), &locks, nullptr, db_.get());
    for (int32_t dependents : {0, static_cast<int32_t>(KXG_READ_AHEAD_STORE_WITH)}) {
        SCOPED_TRACE(dependents);
        locks.modes.clear();
        locked.RaiseLevel();
        KxGResourceMgr* level = db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, &locked);
        auto* compound = dynamic_cast<KxGCompoundStatement*>(db_->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, &locked));
        ASSERT_NE(compound, nullptr);
        EXPECT_EQ(locked.Push(level), 0);
        EXPECT_EQ(locked.Push(compound), 0);
        EXPECT_EQ(KxGObjectStorer::DeleteObject(writeEnvironment_.get(), &locked, a.GetRef(), dependents), KXG_E_LOCK_REFUSED);
        EXPECT_EQ(locks.modes, std::vector<uint16_t>{KXG_LOCK_MODE_DELETE});
        EXPECT_TRUE(Registered(*compound, KXG_OP_DELETE).empty());
        locked.PopTo(compound);
        locked.PopTo(level);
        db_->DeleteResourceMgr(compound);
        db_->DeleteResourceMgr(level);
        locked.LowerLevel();
        db_->RollbackConnection();
    }
    a.SetPointer(Member(a, "next"), nullptr);
}

}  // namespace

namespace {

// A query that reads the members' columns too selects the main table's columns in the order the
// table binds them, and runs on the stored rows.
TEST_F(GraphRoundTrip, AQueryReadingMembersSelectsTheRowInBindOrder)
{
    std::vector<KxObject*> w;
    for (uint32_t id = 1; id <= 3; ++id) {
        KxObject& node = Make(writeBase_, written_, id);
        At<KxString>(node, "label") = KxString(id == 2 ? "second" : "other");
        w.push_back(&node);
    }
    w[0]->SetPointer(Member(*w[0], "next"), w[1]);
    w[1]->SetPointer(Member(*w[1], "next"), w[2]);
    Store(*w[0], 1);

    KxGTableMap* main = Nodes().GetClassBufferMap()->GetMainTableMap();
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(main->BuildTemplates(*db_->GetDatabaseInfo()), 0);
    std::string expected = " SELECT ";
    for (const KxGColumnList* list : {&main->GetIdColumns(), &main->GetColumns()}) {
        for (uint32_t i = 0; i < list->Count(); ++i) {
            expected += (expected.size() > 8 ? ",T0." : "T0.") + list->GetColumn(i)->GetName().ToUtf8();
        }
    }
    KxQuery query(KxClassId(2, 1));
    query.SetMember(0, KxClassId(2, 1), 6, KxQueryValue::String("other"));
    KxGQueryService service(readEnvironment_.get(), db_.get(), 1);
    KxString sql;
    std::vector<KxGQueryParameter> params;
    ASSERT_EQ(service.BuildSelect(*map_, query, 2, sql, params), 0);
    EXPECT_EQ(sql.ToUtf8().substr(0, sql.ToUtf8().find(" FROM ")), expected);
    EXPECT_EQ(sql.ToUtf8().find("KIDS"), std::string::npos) << "no set column in the row";
    std::vector<KxObjId> found;
    ASSERT_EQ(service.Run(*map_, query, 2, found), 0) << db_->GetError()->Text();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].GetLow(), 2u);
}

}  // namespace

namespace {

// Deleting with every dependent follows the cycle and the embedded member's pointer, deletes each row
// once and leaves the object nothing refers to.
TEST_F(GraphRoundTrip, DeletingWithDependentsFollowsEmbeddedReferences)
{
    std::vector<KxObject*> w;
    for (uint32_t id = 1; id <= 4; ++id) {
        w.push_back(&Make(writeBase_, written_, id));
    }
    w[0]->SetPointer(Member(*w[0], "next"), w[1]);
    w[1]->SetPointer(Member(*w[1], "next"), w[0]);
    w[2]->Hold();
    Spot(*w[1]).near = w[2];
    for (KxObject* object : w) {
        Store(*object, 1);
    }
    InLevel(true, [&](KxGCompoundStatement& compound) {
        EXPECT_EQ(KxGObjectStorer::DeleteObject(writeEnvironment_.get(), writeContext_.get(), w[0]->GetRef(),
                                                KXG_READ_AHEAD_ALL),
                  0);
        const KxGRequestList& requests = compound.GetRequests();
        std::multiset<uint32_t> deleted;
        for (uint32_t r = 0; r < requests.Count(); ++r) {
            for (KxObjectAlias* alias : requests.At(r)->GetOperation() == KXG_OP_DELETE ? requests.At(r)->GetAliases()
                                                                                         : KxGAliasVector()) {
                KxRef ref;
                alias->GetRef(ref);
                deleted.insert(ref.GetObjId().GetLow());
            }
        }
        EXPECT_EQ(deleted, (std::multiset<uint32_t>{1, 2, 3}));
    });
    // What is left: only the fourth row.
    std::vector<KxObject*> batch;
    for (uint32_t id = 1; id <= 4; ++id) {
        batch.push_back(&Make(readBase_, fresh_, id));
    }
    KxObjectReader reader(readContext_.get(), readBase_.GetObjectMgr());
    ASSERT_EQ(reader.Read(4, batch.data()), 0);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(batch[i]->GetState(), i == 3 ? KX_STATE_HAS_ROW : 0) << i + 1;
    }
}

}  // namespace
