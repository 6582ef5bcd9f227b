// Transaction levels over objects of a mapped class on the embedded engine: objects are stored and
// deleted through the object storer on the compound statement on top of the level, and the levels
// are begun, committed and aborted by the gateway transaction manager, as the kernel does. The
// schema map, the lock service and the catalog work on a first connection (the admin's); the
// transaction context works on a second one, so a statement that ran on the wrong connection shows.
// Another session of the server tells what is committed.
//
// Steps (each answers one result, blanks between):
//   T  begin a transaction level (kind 0)        C  begin an inner level (compound statement)
//   c  commit the top level                      a  abort the top level
//   sN=label   store node N (made when new) with the label      dN  delete node N (its row)
//   !Call[:text]  the engine fails the next OCI call Call (whose statement holds text, when given)
//   ~N   client 2 holds a transaction lock on node N (through a lock service of its own)
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCompoundStatement.h"
#include "KxGCreationSchemaMap.h"
#include "KxGLockService.h"
#include "KxGMappingCompletion.h"
#include "KxGObjectStorer.h"
#include "KxGOperationEnvironment.h"
#include "KxGOptionRegistry.h"
#include "KxGOraDatabase.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"
#include "KxGatewayTransactionMgr.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxTransaction.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string Text(const KxString& text) { return text.IsActive() ? std::string(text.StrGet()) : std::string(); }

const char* const kDictionary = R"(dictionary txnobjects
class 2.1 Node
member label string count=20
member number int
class 3.1 Bag
member label string count=20
member number int
member kids set:NodeSet
objectset 900.1 NodeSet Node
)";

KxGCreationSchemaMap* g_map = nullptr;

KxGClassMap* LookUp(KxGCatalog*, const KxClassId& classId)
{
    KxGClass* found = g_map != nullptr ? g_map->FindClass(classId.GetClassNumber()) : nullptr;
    return found != nullptr ? found->GetClassMap() : nullptr;
}

// The Oracle adapter, except that nested transaction levels may be replaying levels (as another
// product's adapter makes them) instead of savepoint levels.
class ReplayingOraDatabase : public KxGOraDatabase {
public:
    using KxGOraDatabase::KxGOraDatabase;

    void SetReplaying(bool on) { replaying_ = on; }

    KxGResourceMgr* CreateResourceMgr(int32_t kind, KxGTransactionContext* context) override
    {
        if (replaying_ && kind == KXG_RESOURCE_TRANSACTION && context != nullptr && context->GetLevel() >= 2) {
            return new KxGMRTransaction(context);
        }
        return KxGOraDatabase::CreateResourceMgr(kind, context);
    }

private:
    bool replaying_ = false;
};

class TxnObjects : public oratest::ServerTest {
protected:
    TxnObjects() : ServerTest({.prefix = "TXO_", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        ServerTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        kernel_.emplace("txn_objects_tests");
        ASSERT_EQ(kernel_->Status(), 0);
        admin_ = Open();
        db_ = Open();
        ASSERT_TRUE(admin_ && db_);

        KxGInstallMappingCompletion(true);
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kDictionary, KxString("txnobjects.kxd"), dictionary_, &error), 0) << Text(error);
        map_ = std::make_unique<KxGCreationSchemaMap>(admin_.get(), dictionary_.get(), &KxGClassLoader::Instance());
        g_map = map_.get();
        uint16_t preserve = 0;
        map_->GetOptionRegistry().ProcessGlobalOptions(*admin_, *admin_->GetDatabaseInfo(), true, false, preserve);
        oratest::OwnedList list;
        admin_->GetDatabaseInfo()->CreateLocks(KxString("S"), list);
        for (uint16_t number : {2, 3}) {
            KxGClass* loaded = nullptr;
            ASSERT_EQ(map_->LoadClass(*dictionary_->GetCurrentVersion(number), loaded, 0), 0)
                << admin_->GetError()->Text();
            KxGClassMap& classMap = *loaded->GetClassMap();
            ASSERT_EQ(classMap.GetStoreHdl()->CreateClassTable(list), 0);
            ASSERT_EQ(classMap.GetStoreHdl()->CreateMemberTables(list), 0);
        }
        for (uint32_t i = 0; i < list.Count(); ++i) {
            KxGStoreStatement run(admin_.get(), list.GetTemplate(i), 0);
            ASSERT_EQ(run.Execute(), 1) << Text(list.GetTemplate(i)->GetSQLText()) << "\n"
                                        << admin_->GetError()->Text();
        }
        ASSERT_EQ(admin_->CommitConnection(), 1);

        // The client's lock service on the admin's connection (its procedure commits at once).
        locks_.reset(admin_->CreateLockService(1));
        ASSERT_NE(locks_, nullptr);
        base_ = std::make_unique<KxBase>(KxString("s"));
        environment_ = std::make_unique<KxGOperationEnvironment>(base_.get(), nullptr, nullptr, nullptr, 0, 0);
        environment_->SetClassMapLookup(&LookUp);
        resource_ = std::make_unique<KxTransactionResource>(nullptr, base_.get());
        handle_ = std::make_unique<KxTransactionResourceHandle>(resource_.get());
        context_ = std::make_unique<KxGTransactionContext>(environment_.get(), locks_.get(), handle_.get(), db_.get());
        resource_->SetContext(context_.get());
        manager_ = std::make_unique<KxGatewayTransactionMgr>(nullptr);
    }

    void TearDown() override
    {
        while (context_ && context_->GetLevel() > 0) {
            manager_->TXAbort(resource_.get());
        }
        if (locks_ && context_) {
            locks_->DeleteTxn(context_.get());
        }
        if (other_) {
            other_->DeleteTxn(&otherContext_);
        }
        manager_.reset();
        if (resource_) {
            resource_->SetContext(nullptr);
        }
        context_.reset();
        handle_.reset();
        resource_.reset();
        other_.reset();
        locks_.reset();
        for (KxObject* object : objects_) {
            if (object->GetMetaClass()->FindMember("kids") != nullptr) {
                At<KxObjectSet>(*object, "kids").Clear();
            }
            object->Release();
        }
        objects_.clear();
        environment_.reset();
        base_.reset();
        g_map = nullptr;
        map_.reset();
        KxGInstallMappingCompletion(false);
        for (auto* database : {db_.get(), admin_.get()}) {
            if (database != nullptr) {
                database->CloseConnection();
            }
        }
        db_.reset();
        admin_.reset();
        kernel_.reset();
        ServerTest::TearDown();
    }

    std::unique_ptr<ReplayingOraDatabase> Open()
    {
        auto database = std::make_unique<ReplayingOraDatabase>(KxString(serverName_.c_str()), KxString("s"),
                                                               KxString("s"), KxString("s"), nullptr, nullptr);
        if (database->OpenConnection() != 1) {
            ADD_FAILURE() << database->GetError()->Text();
            return nullptr;
        }
        return database;
    }

    template <typename T>
    static T& At(KxObject& object, const char* member)
    {
        return *reinterpret_cast<T*>(object.MemberAddress(*object.GetMetaClass()->FindMember(member), 0));
    }

    // Nodes 100 and above are bags (with a set of nodes).
    KxObject& Node(uint32_t id)
    {
        auto found = nodes_.find(id);
        if (found != nodes_.end()) {
            return *found->second;
        }
        KxObject* object = nullptr;
        EXPECT_EQ(0, base_->GetObjectMgr()->Create(dictionary_->GetCurrentVersion(id >= 100 ? 3 : 2)->AsClass(),
                                                   KxObjId(id), object));
        objects_.push_back(object);
        nodes_[id] = object;
        At<int32_t>(*object, "number") = static_cast<int32_t>(id * 10);
        return *object;
    }

    std::string Run(const std::string& steps)
    {
        std::istringstream in(steps);
        std::string step;
        std::string out;
        while (in >> step) {
            if (step[0] == '!') {
                const size_t colon = step.find(':');
                sqlengine::Engine::Instance().InjectFailure(
                    step.substr(1, colon == std::string::npos ? std::string::npos : colon - 1), 1013,
                    colon == std::string::npos ? std::string() : step.substr(colon + 1));
                continue;
            }
            out += (out.empty() ? "" : " ") + std::to_string(Step(step));
        }
        return out;
    }

    int32_t Step(const std::string& step)
    {
        switch (step[0]) {
        case 'T': return manager_->TXBegin(resource_.get(), 0);
        case 'C': return manager_->TXBegin(resource_.get(), 1);
        case 'c': return manager_->TXCommit(resource_.get());
        case 'a': return manager_->TXAbort(resource_.get());
        default: break;
        }
        const size_t equals = step.find('=');
        const uint32_t id = static_cast<uint32_t>(std::stoul(step.substr(1, equals)));
        if (step[0] == '~') {
            if (!other_) {
                otherDb_ = Open();
                other_.reset(otherDb_->CreateLockService(2));
                otherContext_.SetLevel(1);
            }
            return other_->AcquireTxnLocks(&otherContext_, KXG_LOCK_MODE_TXN, KxRefList{Node(id).GetRef()});
        }
        auto* compound = dynamic_cast<KxGCompoundStatement*>(context_->GetTop());
        if (compound == nullptr) {
            ADD_FAILURE() << step << ": no compound statement on top";
            return -1;
        }
        KxObject& node = Node(id);
        if (step[0] == 'd') {
            return KxGObjectStorer::DeleteObject(environment_.get(), context_.get(), node.GetRef(), 0);
        }
        At<KxString>(node, "label") = KxString(step.substr(equals + 1).c_str());
        KxGObjectStorer storer(environment_.get(), context_.get(), compound, 1, false);
        return storer.StoreObject(nullptr, &node);
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

    // The committed rows as "id=label/number ...".
    std::string Committed()
    {
        std::string out;
        for (const auto& row : Query("SELECT OID, LABEL0V0, NUMBER1V0 FROM S.NODEC2V0 UNION ALL "
                                     "SELECT OID, LABEL0V0, NUMBER1V0 FROM S.BAGC3V0 ORDER BY 1")) {
            out += (out.empty() ? "" : " ") + row[0] + "=" + row[1] + "/" + row[2];
        }
        return out;
    }

    // The row bit of every node's kernel state, "id+" (has its row) or "id-", in id order.
    std::string States()
    {
        std::string out;
        for (const auto& [id, object] : nodes_) {
            out += (out.empty() ? "" : " ") + std::to_string(id) +
                   ((object->GetState() & KXG_STATE_IN_DATABASE) != 0 ? "+" : "-");
        }
        return out;
    }

    std::string LockRows()
    {
        return Query("SELECT COUNT(*) FROM S.LOCKS WHERE CLIENTID = 1")[0][0];
    }

    std::optional<oratest::KelvoxScope> kernel_;
    std::unique_ptr<ReplayingOraDatabase> admin_;
    std::unique_ptr<ReplayingOraDatabase> db_;
    std::unique_ptr<ReplayingOraDatabase> otherDb_;
    std::unique_ptr<KxClassDict> dictionary_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    std::unique_ptr<KxGLockService> locks_;
    std::unique_ptr<KxGLockService> other_;
    KxGTransactionContext otherContext_;
    std::unique_ptr<KxBase> base_;
    std::unique_ptr<KxGOperationEnvironment> environment_;
    std::unique_ptr<KxTransactionResource> resource_;
    std::unique_ptr<KxTransactionResourceHandle> handle_;
    std::unique_ptr<KxGTransactionContext> context_;
    std::unique_ptr<KxGatewayTransactionMgr> manager_;
    std::vector<KxObject*> objects_;
    std::map<uint32_t, KxObject*> nodes_;
};

struct Scenario {
    const char* name;
    bool replaying;          // nested levels replay before-images instead of using savepoints
    const char* steps;
    const char* results;
    const char* committed;   // as another session sees it afterwards
    const char* states;      // the row bits of the nodes' kernel states afterwards
};

TEST_F(TxnObjects, LevelsCommitAndRollBackTheRowsOfStoredObjects)
{
    const Scenario scenarios[] = {
        {"the outermost commit makes the rows visible", false, "T C s1=a s2=b c c", "1 2 0 0 1 0", "1=a/10 2=b/20",
         "1+ 2+"},
        {"an outermost rollback leaves none and takes the row bit back", false, "T C s3=c c a", "1 2 0 1 0",
         "1=a/10 2=b/20", "1+ 2+ 3-"},
        {"a nested level rolled back keeps the outer level's work", false, "T C s4=d c T C s5=e s1=x c a c",
         "1 2 0 1 2 3 0 0 2 1 0", "1=a/10 2=b/20 4=d/40", "1+ 2+ 3- 4+ 5-"},
        {"a replaying level rolled back writes the old values back", true, "T T C s1=new s2=new c a c",
         "1 2 3 0 0 2 1 0", "1=a/10 2=b/20 4=d/40", "1+ 2+ 3- 4+ 5-"},
        {"updated, then deleted in one compound statement: back after the rollback", true,
         "T T C s1=gone d1 c a c", "1 2 3 0 0 2 1 0", "1=a/10 2=b/20 4=d/40", "1+ 2+ 3- 4+ 5-"},
        {"updated and deleted in two compound statements: back after the rollback", true,
         "T T C s2=gone c C d2 c a c", "1 2 3 0 2 3 0 2 1 0", "1=a/10 2=b/20 4=d/40", "1+ 2+ 3- 4+ 5-"},
        {"inserted in a replaying level rolled back: gone again", true, "T T C s6=f c a c", "1 2 3 0 2 1 0",
         "1=a/10 2=b/20 4=d/40", "1+ 2+ 3- 4+ 5- 6-"},
        {"a replaying level committed stays", true, "T T C s4=dd c c c", "1 2 3 0 2 1 0", "1=a/10 2=b/20 4=dd/40",
         "1+ 2+ 3- 4+ 5- 6-"},
        {"a failed commit leaves no row and the row bits as they were", false,
         "T C s7=g s8=h s1=y c !OCITransCommit c", "1 2 0 0 0 1 -6102", "1=a/10 2=b/20 4=dd/40",
         "1+ 2+ 3- 4+ 5- 6- 7- 8-"},
        {"the next transaction works", false, "T C s7=g c c", "1 2 0 1 0", "1=a/10 2=b/20 4=dd/40 7=g/70",
         "1+ 2+ 3- 4+ 5- 6- 7+ 8-"},
        {"a bag and its set stored", false, "T C s100=p c c", "1 2 0 1 0", "1=a/10 2=b/20 4=dd/40 7=g/70 100=p/1000",
         "1+ 2+ 3- 4+ 5- 6- 7+ 8- 100+"},
        {"a bag's row image holds no set rows: its replay is refused and the outer commit rolls back", true,
         "T T C s100=q c a c", "1 2 3 0 2 -2999 -6102", "1=a/10 2=b/20 4=dd/40 7=g/70 100=p/1000",
         "1+ 2+ 3- 4+ 5- 6- 7+ 8- 100+"},
        {"another client's lock refuses the update and nothing of it is written", false, "~4 T C s4=z c a",
         "1 1 2 0 -2041 0", "1=a/10 2=b/20 4=dd/40 7=g/70 100=p/1000", "1+ 2+ 3- 4+ 5- 6- 7+ 8- 100+"},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        db_->SetReplaying(s.replaying);
        EXPECT_EQ(Run(s.steps), s.results);
        while (context_->GetLevel() > 0) {
            manager_->TXAbort(resource_.get());
        }
        EXPECT_EQ(Committed(), s.committed);
        EXPECT_EQ(States(), s.states);
        EXPECT_EQ(LockRows(), "0");
        EXPECT_FALSE(context_->IsRollbackOnly());
        sqlengine::Engine::Instance().ClearInjectedFailures();
    }
}

}  // namespace
