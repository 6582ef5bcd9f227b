// The object storer and object deletion on the embedded engine through the Oracle adapter: a graph
// of nodes with a reference cycle, an embedded member and sets is stored through a compound
// statement, committed and read back with SQL; a second store in the same transaction updates;
// deleting with dependents follows a cycle and deletes each row once; the failures as a table.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCompoundStatement.h"
#include "KxGCreationSchemaMap.h"
#include "KxGMappingCompletion.h"
#include "KxGObjectStorer.h"
#include "KxGOperationEnvironment.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGRefMemberMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

// "next" goes with its owner (flag 8), "other" does not; "kids" is a set of nodes.
const char* const kDictionary = R"(dictionary graph
class 1.1 Spot embedded
member zip int
class 2.1 Node
member label string count=20
member home embedded:Spot
member next ptr:Node flags=0x8
member other ptr:Node
member kids set:NodeSet
class 3.1 Loose
member label string count=20
objectset 900.1 NodeSet Node
)";

struct ObjectHold {
    void operator()(KxObject* object) const
    {
        if (object != nullptr) {
            object->Release();
        }
    }
};
using ObjectPtr = std::unique_ptr<KxObject, ObjectHold>;

KxGCreationSchemaMap* g_map = nullptr;

// Class 3 is in the dictionary but not mapped.
KxGClassMap* LookUp(KxGCatalog*, const KxClassId& classId)
{
    if (g_map == nullptr || classId.GetClassNumber() != 2) {
        return nullptr;
    }
    KxGClass* found = g_map->FindClass(classId.GetClassNumber());
    return found != nullptr ? found->GetClassMap() : nullptr;
}

class ObjectStorer : public oratest::DatabaseTest {
protected:
    ObjectStorer() : DatabaseTest({.prefix = "STO_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("graph.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<KxGCreationSchemaMap>(db_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        g_map = map_.get();
        uint16_t preserve = 0;
        map_->GetOptionRegistry().ProcessGlobalOptions(*db_, *db_->GetDatabaseInfo(), true, false, preserve);
        KxGClass* loaded = nullptr;
        ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(2), loaded, 0), 0) << db_->GetError()->Text();
        oratest::OwnedList list;
        ASSERT_EQ(Nodes().GetStoreHdl()->CreateClassTable(list), 0);
        ASSERT_EQ(Nodes().GetStoreHdl()->CreateMemberTables(list), 0);
        ASSERT_NO_FATAL_FAILURE(ExecuteEach(list));
        ASSERT_EQ(db_->CommitConnection(), 1);
        environment_ = std::make_unique<KxGOperationEnvironment>(nullptr, nullptr, nullptr, nullptr, 0, 0);
        environment_->SetClassMapLookup(&LookUp);
        context_ = std::make_unique<KxGTransactionContext>(environment_.get(), nullptr, nullptr, db_.get());
    }

    void TearDown() override
    {
        EndLevel(false);
        context_.reset();
        DropObjects();
        environment_.reset();
        g_map = nullptr;
        map_.reset();
        KxGInstallMappingCompletion(false);
        DatabaseTest::TearDown();
    }

    // Releases the nodes; the cycles of holds between them are broken first.
    void DropObjects()
    {
        for (ObjectPtr& object : objects_) {
            if (object->GetMetaClass()->FindMember("next") == nullptr) {
                continue;
            }
            for (const char* member : {"next", "other"}) {
                KxObject*& slot = At<KxObject*>(*object, member);
                if (slot != nullptr) {
                    slot->Release();
                    slot = nullptr;
                }
            }
            At<KxObjectSet>(*object, "kids").Clear();
        }
        objects_.clear();
    }

    KxGClassMap& Nodes() { return *map_->FindClass(2)->GetClassMap(); }

    // A transaction level with a compound statement on top.
    KxGCompoundStatement& BeginLevel()
    {
        context_->RaiseLevel();
        level_ = db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, context_.get());
        compound_ = dynamic_cast<KxGCompoundStatement*>(db_->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, context_.get()));
        EXPECT_EQ(context_->Push(level_), 0);
        EXPECT_EQ(context_->Push(compound_), 0);
        return *compound_;
    }

    // Prepares and commits (or only ends) the level.
    void EndLevel(bool commit)
    {
        if (compound_ == nullptr) {
            return;
        }
        if (commit) {
            ASSERT_EQ(compound_->XAPrepare(), 0) << db_->GetError()->Text();
            EXPECT_EQ(compound_->XACommit(), 0);
        }
        context_->PopTo(compound_);
        if (commit) {
            EXPECT_EQ(level_->XAPrepare(), 0);
            EXPECT_EQ(level_->XACommit(), 0);
        }
        context_->PopTo(level_);
        db_->DeleteResourceMgr(compound_);
        db_->DeleteResourceMgr(level_);
        compound_ = nullptr;
        level_ = nullptr;
        context_->LowerLevel();
        if (!commit) {
            db_->RollbackConnection();
        }
    }

    KxObject& NewObject(uint16_t number, uint32_t id, const char* label)
    {
        KxObject* object = nullptr;
        EXPECT_EQ(0, objects_mgr_.Create(dictionary_->GetCurrentVersion(number)->AsClass(), KxObjId(id), object));
        objects_.emplace_back(object);
        At<KxString>(*object, "label") = KxString(label);
        return *object;
    }
    KxObject& Node(uint32_t id, int32_t zip = 0)
    {
        KxObject& node = NewObject(2, id, ("node " + std::to_string(id)).c_str());
        *reinterpret_cast<int32_t*>(node.MemberAddress(*node.GetMetaClass()->FindMember("home"), 0)) = zip;
        return node;
    }
    template <typename T>
    static T& At(KxObject& object, const char* member)
    {
        return *reinterpret_cast<T*>(object.MemberAddress(*object.GetMetaClass()->FindMember(member), 0));
    }
    static void Point(KxObject& from, const char* member, KxObject& to)
    {
        KxObject*& slot = At<KxObject*>(from, member);
        ASSERT_EQ(slot, nullptr);
        to.Hold();
        slot = &to;
    }

    // The object ids registered with the compound statement for the operation, in request order.
    std::vector<uint32_t> Registered(int32_t operation)
    {
        std::vector<uint32_t> ids;
        const KxGRequestList& requests = compound_->GetRequests();
        for (uint32_t r = 0; r < requests.Count(); ++r) {
            if (requests.At(r)->GetOperation() != operation) {
                continue;
            }
            for (KxObjectAlias* alias : requests.At(r)->GetAliases()) {
                KxRef ref;
                alias->GetRef(ref);
                ids.push_back(ref.GetObjId().GetLow());
            }
        }
        return ids;
    }

    Rows Query(const std::string& sql)
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

    // a(1) -next-> b(2) -next-> a: a cycle through members that go with their owner; a -other-> c(3)
    // does not go with it; a's kids hold d(4) and b (already reached through next).
    struct Graph {
        KxObject* a;
        KxObject* b;
        KxObject* c;
        KxObject* d;
    };
    Graph MakeGraph()
    {
        Graph g{&Node(1, 101), &Node(2, 102), &Node(3, 103), &Node(4, 104)};
        Point(*g.a, "next", *g.b);
        Point(*g.b, "next", *g.a);
        Point(*g.a, "other", *g.c);
        auto& kids = At<KxObjectSet>(*g.a, "kids");
        EXPECT_EQ(kids.Add(g.d), 0);
        EXPECT_EQ(kids.Add(g.b), 0);
        return g;
    }

    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    std::unique_ptr<KxGOperationEnvironment> environment_;
    KxObjectMgr objects_mgr_{nullptr};
    std::vector<ObjectPtr> objects_;
    std::unique_ptr<KxGTransactionContext> context_;
    KxGResourceMgr* level_ = nullptr;
    KxGCompoundStatement* compound_ = nullptr;
};

TEST_F(ObjectStorer, EachDepthStoresTheObjectsThatGoWithTheOwnerOnce)
{
    struct Case {
        int32_t depth;
        std::set<uint32_t> inserted;
    };
    const Case cases[] = {
        {1, {1, 2}},         // only through the member with flag 8 (the cycle ends at a)
        {2, {1, 2, 4}},      // and the object set
        {3, {1, 2, 3, 4}},   // every referenced object in memory
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        DropObjects();
        Graph g = MakeGraph();
        KxGCompoundStatement& compound = BeginLevel();
        KxGObjectStorer storer(environment_.get(), context_.get(), &compound, c.depth, false);
        ASSERT_EQ(storer.StoreObject(nullptr, g.a), 0);
        const std::vector<uint32_t> ids = Registered(KXG_OP_INSERT);
        EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()), c.inserted);
        EXPECT_EQ(ids.size(), c.inserted.size()) << "an object registered twice";
        EXPECT_EQ(g.a->GetState() & KXG_OBJECT_HAS_ROW, KXG_OBJECT_HAS_ROW);
        EndLevel(false);
    }
}

TEST_F(ObjectStorer, ALongChainIsStoredWithoutDeepRecursion)
{
    constexpr uint32_t kLength = 20000;
    std::vector<KxObject*> chain;
    for (uint32_t id = 1; id <= kLength; ++id) {
        chain.push_back(&Node(id));
        if (id > 1) {
            Point(*chain[id - 2], "next", *chain[id - 1]);
        }
    }
    KxGCompoundStatement& compound = BeginLevel();
    KxGObjectStorer storer(environment_.get(), context_.get(), &compound, 1, false);
    ASSERT_EQ(storer.StoreObject(nullptr, chain.front()), 0);
    EXPECT_EQ(Registered(KXG_OP_INSERT).size(), kLength);
    EXPECT_EQ(chain.back()->GetState() & KXG_OBJECT_HAS_ROW, KXG_OBJECT_HAS_ROW);
    EndLevel(false);
}

TEST_F(ObjectStorer, AStoredGraphIsWrittenOnCommit)
{
    Graph g = MakeGraph();
    KxGCompoundStatement& compound = BeginLevel();
    KxGObjectStorer storer(environment_.get(), context_.get(), &compound, 3, false);
    ASSERT_EQ(storer.StoreObject(nullptr, g.a), 0);
    EndLevel(true);
    EXPECT_EQ(Query("SELECT OID, LABEL0V0, ZIP1V0, NEXTOID2V0, OTHEROID3V0 FROM NODEC2V0 ORDER BY OID"),
              (Rows{{"1", "node 1", "101", "2", "3"},
                    {"2", "node 2", "102", "1", "NULL"},
                    {"3", "node 3", "103", "NULL", "NULL"},
                    {"4", "node 4", "104", "NULL", "NULL"}}));
    EXPECT_EQ(Query("SELECT OID, OID4V0 FROM KIDSC2P0V0 ORDER BY EID"), (Rows{{"1", "4"}, {"1", "2"}}));
}

TEST_F(ObjectStorer, ASecondStoreInTheSameTransactionUpdates)
{
    KxObject& a = Node(1, 7);
    KxGCompoundStatement& compound = BeginLevel();
    KxGObjectStorer storer(environment_.get(), context_.get(), &compound, 1, false);
    ASSERT_EQ(storer.StoreObject(nullptr, &a), 0);
    At<KxString>(a, "label") = KxString("changed");
    ASSERT_EQ(storer.StoreObject(nullptr, &a), 0);
    EXPECT_EQ(Registered(KXG_OP_INSERT), (std::vector<uint32_t>{1}));
    EXPECT_EQ(Registered(KXG_OP_UPDATE), (std::vector<uint32_t>{1}));
    EndLevel(true);
    EXPECT_EQ(Query("SELECT OID, LABEL0V0 FROM NODEC2V0"), (Rows{{"1", "changed"}}));
}

TEST_F(ObjectStorer, WithMarkModifiedAnUnchangedObjectIsOnlyWalked)
{
    environment_->UpdateAtOpen(nullptr, 1, 0);
    KxObject& a = Node(1);
    KxObject& b = Node(2);
    a.SetState(KXG_OBJECT_HAS_ROW);
    Point(a, "next", b);
    KxGCompoundStatement& compound = BeginLevel();
    KxGObjectStorer storer(environment_.get(), context_.get(), &compound, 1, false);
    ASSERT_EQ(storer.StoreObject(nullptr, &a), 0);
    EXPECT_EQ(Registered(KXG_OP_INSERT), (std::vector<uint32_t>{2}));
    EXPECT_TRUE(Registered(KXG_OP_UPDATE).empty());
    a.SetState(KXG_OBJECT_HAS_ROW | KXG_OBJECT_MODIFIED);
    ASSERT_EQ(storer.StoreObject(nullptr, &a), 0);
    // b has its row from the first store and is unchanged: only a is registered again.
    EXPECT_EQ(Registered(KXG_OP_UPDATE), (std::vector<uint32_t>{1}));
    EndLevel(false);
}

TEST_F(ObjectStorer, DeletingWithDependentsFollowsTheCycleAndDeletesEachRowOnce)
{
    Graph g = MakeGraph();
    KxGCompoundStatement& compound = BeginLevel();
    KxGObjectStorer storer(environment_.get(), context_.get(), &compound, 3, false);
    ASSERT_EQ(storer.StoreObject(nullptr, g.a), 0);
    EndLevel(true);

    KxGCompoundStatement& deleting = BeginLevel();
    ASSERT_EQ(KxGObjectStorer::DeleteObject(environment_.get(), context_.get(), g.a->GetRef(), KXG_READ_AHEAD_STORE_WITH), 0);
    const std::vector<uint32_t> ids = Registered(KXG_OP_DELETE);
    EXPECT_EQ(std::multiset<uint32_t>(ids.begin(), ids.end()), (std::multiset<uint32_t>{1, 2}));
    // The reads of the walk are gone with it.
    EXPECT_EQ(context_->GetReadUnitOfWork()->GetRequests().Count(), 0u);
    (void)deleting;
    EndLevel(true);
    EXPECT_EQ(Query("SELECT OID FROM NODEC2V0 ORDER BY OID"), (Rows{{"3"}, {"4"}}));
    EXPECT_EQ(Query("SELECT COUNT(*) FROM KIDSC2P0V0"), (Rows{{"0"}}));
}

TEST_F(ObjectStorer, FailuresAreAnsweredWithTheirCodes)
{
    KxBase foreignBase(KxString("elsewhere"));
    KxObjectMgr foreignObjects(&foreignBase);
    KxObject* foreign = nullptr;
    ASSERT_EQ(foreignObjects.Create(dictionary_->GetCurrentVersion(2)->AsClass(), KxObjId(50), foreign), 0);
    ObjectPtr foreignHold(foreign);

    struct Case {
        const char* name;
        int32_t expected;
        int32_t detail;   // the database error's code afterwards (0: not looked at)
    };
    const Case cases[] = {
        {"unmapped class", KXG_E_STORE_SERVICE, KXG_E_MAP_NO_CLASS},
        {"foreign pointer not stored with its owner", KXG_E_FOREIGN_REFERENCE, 0},
        {"foreign pointer with foreign references allowed", 0, 0},
        {"delete without compound statement", KXG_E_NO_RESOURCE_MANAGER, 0},
        {"delete of a missing row", KXG_W_NO_ROW_AFFECTED, 0},
        {"delete of an unmapped class", KXG_E_MAP_NO_CLASS, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        int32_t result = 0;
        if (name == "delete without compound statement") {
            result = KxGObjectStorer::DeleteObject(environment_.get(), context_.get(), Node(9).GetRef(), 0);
        } else {
            KxGCompoundStatement& compound = BeginLevel();
            if (name == "unmapped class") {
                KxGObjectStorer storer(environment_.get(), context_.get(), &compound, 1, false);
                result = storer.StoreObject(nullptr, &NewObject(3, 30, "loose"));
            } else if (name.rfind("foreign pointer", 0) == 0) {
                KxObject& a = Node(static_cast<uint32_t>(10 + objects_.size()));
                At<KxObject*>(a, "other") = foreign;
                foreign->Hold();
                KxGObjectStorer storer(environment_.get(), context_.get(), &compound, 1, name.find("allowed") != std::string::npos);
                result = storer.StoreObject(nullptr, &a);
            } else if (name == "delete of a missing row") {
                result = KxGObjectStorer::DeleteObject(environment_.get(), context_.get(), Node(77).GetRef(), KXG_READ_AHEAD_STORE_WITH);
            } else {
                result = KxGObjectStorer::DeleteObject(environment_.get(), context_.get(), NewObject(3, 31, "x").GetRef(), KXG_READ_AHEAD_STORE_WITH);
            }
            EndLevel(false);
        }
        EXPECT_EQ(result, c.expected);
        if (c.detail != 0) {
            EXPECT_EQ(db_->GetError()->ErrorCode(), c.detail);
        }
    }
}

}  // namespace
