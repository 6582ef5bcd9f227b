// Transaction levels through the transaction manager on the fake adapter, whose connections keep rows
// with transaction semantics (KxGFakeTxn.h): what is committed, what is rolled back, and what a
// failure of any adapter step leaves behind.
//
// A scenario is a line of steps, each answering one result:
//   T  begin a transaction level (kind 0)        C  begin an inner level (kind 1: compound statement)
//   c  commit the top level                      a  abort the top level
//   iN=v / uN=v / dN   store object N as the storer does: insert value v, update to v, delete
//                      (registers the object with the compound statement on top, adds it to a request)
//   !Op / !Op:code / !Op*n   script the next call (or n calls) of the adapter operation Op to
//                      fail with error code -6001, or the code given (answers nothing)
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxGCompoundStatement.h"
#include "KxGFakeTxn.h"
#include "KxGLockService.h"
#include "KxGTransactionContext.h"
#include "KxGatewayTransactionMgr.h"
#include "KxObject.h"
#include "KxObjectSpace.h"
#include "KxTransaction.h"
#include "client/ClientFixture.h"

namespace {

const KxClassId kClass(17, 1);

class TxnTest : public ClientTest {
protected:
    void TearDown() override
    {
        for (KxObject* object : objects_) {
            object->Release();
        }
        objects_.clear();
        txn_.reset();
        ClientTest::TearDown();
    }

    // Opens the client with a kernel transaction whose resource has a context.
    void OpenWithContext(const std::string& settings = "")
    {
        OpenShop(settings);
        base_->SetConnection(client_.get());
        manager_ = client_->GetTransactionManager();
        txn_ = std::make_unique<KxTransaction>();
        resource_ = txn_->GetResource(base_.get());
        ASSERT_NE(resource_, nullptr) << txn_->GetLastStatus();
    }

    KxGTransactionContext* Context() const { return manager_->GetContext(resource_); }

    // Runs the steps; the results separated by blanks.
    std::string Run(const std::string& steps)
    {
        std::istringstream in(steps);
        std::string step;
        std::string out;
        while (in >> step) {
            if (step[0] == '!') {
                const size_t star = step.find('*');
                KxGFakeBehaviour fail;
                fail.fail = true;
                fail.times = star == std::string::npos ? 1 : std::stoi(step.substr(star + 1));
                step = step.substr(1, star == std::string::npos ? std::string::npos : star - 1);
                const size_t colon = step.find(':');
                fail.errorCode = colon == std::string::npos ? -6001 : std::stoi(step.substr(colon + 1));
                KxGFakeScript::Set(step.substr(0, colon), fail);
                continue;
            }
            out += (out.empty() ? "" : " ") + std::to_string(Step(step));
        }
        return out;
    }

    int32_t Step(const std::string& step)
    {
        switch (step[0]) {
        case 'T': return manager_->TXBegin(resource_, 0);
        case 'C': return manager_->TXBegin(resource_, 1);
        case 'c': return manager_->TXCommit(resource_);
        case 'a': return manager_->TXAbort(resource_);
        default: break;
        }
        const size_t equals = step.find('=');
        const uint32_t id = static_cast<uint32_t>(std::stoul(step.substr(1, equals)));
        const std::string value = equals == std::string::npos ? "" : step.substr(equals + 1);
        const KxRef ref(KxObjId(id), kClass);
        const int32_t operation = step[0] == 'i' ? KXG_OP_INSERT : step[0] == 'u' ? KXG_OP_UPDATE : KXG_OP_DELETE;
        // The storer registers the object with its state in memory (when it is there) and marks it
        // with the new state; only a registered object is stored.
        KxObjectSpace* space = base_->GetObjectSpace();
        space->BeginCriticalSection();
        KxObject* object = space->nts_IsInList(ref);
        space->EndCriticalSection();
        const uint16_t oldState =
            object != nullptr ? object->GetState() : operation == KXG_OP_INSERT ? 0 : KXG_STATE_IN_DATABASE;
        const uint16_t newState = static_cast<uint16_t>((oldState & 0x3fff) |
                                                        (operation == KXG_OP_DELETE ? 0 : KXG_STATE_IN_DATABASE));
        KxGResourceMgr* top = Context()->GetTop();
        if (top == nullptr || top->GetRMType() != KXG_RM_COMPOUND_STATEMENT) {
            ADD_FAILURE() << step << ": no compound statement on top";
            return -1;
        }
        KxRefObjectAlias alias(ref);
        const int32_t registered = top->Register(&alias, oldState, newState);
        if (registered != 0 && registered != KXG_E_ALREADY_REGISTERED) {
            return registered;
        }
        auto* row = new KxGFakeRowAlias(ref, value);
        if (static_cast<KxGCompoundStatement*>(top)->AddToRequest(nullptr, kClass, operation, row) != 0) {
            delete row;
        }
        if (object != nullptr) {
            object->SetState(newState);
        }
        return registered;
    }

    // The committed rows as "id=value ...".
    static std::string Committed()
    {
        std::string out;
        for (const auto& [key, value] : KxGFakeRows::Committed()) {
            out += (out.empty() ? "" : " ") + std::to_string(key) + "=" + value;
        }
        return out;
    }

    static void Commit(uint64_t key, const std::string& value) { KxGFakeRows::Committed()[key] = value; }

    // Objects of the sample class Person in memory with the given states.
    void MakeObjects(const std::vector<std::pair<uint32_t, uint16_t>>& objects)
    {
        KxString error;
        ASSERT_EQ(0, KxClassDict::Load(KxString(KX_SAMPLE_DICT_DIR), dict_, &error)) << error.ToUtf8();
        const KxMetaClass* person = dict_->FindByName("Person")->AsClass();
        for (const auto& [id, state] : objects) {
            KxObject* object = nullptr;
            ASSERT_EQ(0, base_->GetObjectMgr()->Create(person, KxObjId(id), object));
            object->SetState(state);
            objects_.push_back(object);
        }
    }

    std::string States() const
    {
        std::string out;
        for (KxObject* object : objects_) {
            std::ostringstream text;
            text << std::hex << object->GetState();
            out += (out.empty() ? "" : " ") + text.str();
        }
        return out;
    }

    KxGatewayTransactionMgr* manager_ = nullptr;
    std::unique_ptr<KxTransaction> txn_;
    KxTransactionResource* resource_ = nullptr;
    std::unique_ptr<KxClassDict> dict_;
    std::vector<KxObject*> objects_;
};

struct Scenario {
    const char* name;
    bool replaying;        // nested levels replay before-images instead of using savepoints
    const char* steps;
    const char* results;
    const char* committed; // the rows committed at the end (row 1 holds "old" before)
};

void RunScenarios(TxnTest& test, const std::vector<Scenario>& scenarios);

TEST_F(TxnTest, LevelsCommitAndRollBackTheirWork)
{
    OpenWithContext();
    const std::vector<Scenario> scenarios = {
        {"commit at level 1", false, "T C i2=a c c", "1 2 0 1 0", "1=old 2=a"},
        {"rollback at level 1", false, "T C i2=a u1=x c a", "1 2 0 0 1 0", "1=old"},
        {"a compound statement alone commits the connection", false, "C i2=a c", "1 0 0", "1=old 2=a"},
        {"a nested level rolled back keeps the outer work", false, "T C i2=a c T C i3=b c a c",
         "1 2 0 1 2 3 0 2 1 0", "1=old 2=a"},
        {"a nested level committed stays", false, "T C i2=a c T C d1 c c c", "1 2 0 1 2 3 0 2 1 0", "2=a"},
        {"a compound statement rolled back keeps the outer work", false, "T C i2=a c C i3=b a c",
         "1 2 0 1 2 0 1 0", "1=old 2=a"},
        {"registering an object twice updates its state", false, "T C i2=a u2=b c c", "1 2 0 -2052 1 0",
         "1=old 2=b"},
        {"inner begins over a compound statement add levels only", false, "T C C C i2=a c c c c",
         "1 2 3 4 0 3 2 1 0", "1=old 2=a"},
        {"replayed update", true, "T T C u1=new c a c", "1 2 3 0 2 1 0", "1=old"},
        {"replayed update then delete in one compound statement", true, "T T C u1=new d1 c a c",
         "1 2 3 0 -2052 2 1 0", "1=old"},
        {"replayed update and delete in two compound statements", true, "T T C u1=new c C d1 c a c",
         "1 2 3 0 2 3 0 2 1 0", "1=old"},
        {"replayed insert", true, "T T C i2=a c a c", "1 2 3 0 2 1 0", "1=old"},
        {"nested replaying level committed stays", true, "T T C u1=new c c c", "1 2 3 0 2 1 0", "1=new"},
    };
    RunScenarios(*this, scenarios);
}

TEST_F(TxnTest, FailuresRollBackAndNeverCommitAbortedWork)
{
    OpenWithContext();
    const std::vector<Scenario> scenarios = {
        {"failed commit rolls back; the next transaction works", false,
         "T C i2=a c !CommitConnection c T C i3=b c c", "1 2 0 1 -6102 1 2 0 1 0", "1=old 3=b"},
        {"failed savepoint: the begin fails, an abort ends it, the outer level commits", false,
         "T C i2=a c !SetSavepoint T a c", "1 2 0 1 -6001 1 0", "1=old 2=a"},
        {"failed savepoint without error code", false, "T C i2=a c !SetSavepoint:0 T a c", "1 2 0 1 -6038 1 0",
         "1=old 2=a"},
        {"no resource manager: the begin fails, an abort ends it", false,
         "T C i2=a c !CreateResourceMgr T a c", "1 2 0 1 -6038 1 0", "1=old 2=a"},
        {"failed begin at level 1 ended by an abort", false, "!CreateResourceMgr T a T C i2=a c c",
         "-6038 0 1 2 0 1 0", "1=old 2=a"},
        {"failed rollback to a savepoint: the outer commit rolls back", false,
         "T C i2=a c T C i3=b c !RollbackToSavepoint a c", "1 2 0 1 2 3 0 2 -6001 -6102", "1=old"},
        {"failed compound end without error code is no success", false, "T C i2=a !EndCompound:0 c c",
         "1 2 0 -6101 0", "1=old"},
        {"failed compound end -6001 becomes -6101", false, "T C i2=a !EndCompound c c", "1 2 0 -6101 0", "1=old"},
        {"failed compound end, then its rollback fails: the outer commit rolls back", false,
         "T C i2=a c C i3=b !EndCompound*2 c c", "1 2 0 1 2 0 -6101 -6102", "1=old"},
        {"a compound statement never begun is not ended", false, "T C i2=a !EndCompound a c", "1 2 0 1 0",
         "1=old"},
        {"failed request: its level rolls back, the outer work stays", false, "T C i2=a c C i3=b !Execute c c",
         "1 2 0 1 2 0 -6001 0", "1=old 2=a"},
        {"failed begin of the compound statement", false, "T C i2=a !BeginCompound c c", "1 2 0 -6100 0",
         "1=old"},
        {"failed replay: the outer commit rolls back", true, "T T C u1=new c !Execute a c",
         "1 2 3 0 2 -6001 -6102", "1=old"},
        {"no before-image: the registration fails", true, "T T C !MakeBeforeImage u1=new c c c",
         "1 2 3 -6001 2 1 0", "1=old"},
    };
    RunScenarios(*this, scenarios);
}

void RunScenarios(TxnTest& test, const std::vector<Scenario>& scenarios)
{
    struct Access : TxnTest {
        using TxnTest::Commit;
        using TxnTest::Committed;
        using TxnTest::Context;
        using TxnTest::Run;
    };
    auto& t = static_cast<Access&>(test);
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        KxGFakeRows::Committed().clear();
        KxGFakeRows::SetReplayingLevels(s.replaying);
        t.Commit(1, "old");
        EXPECT_EQ(t.Run(s.steps), s.results);
        EXPECT_EQ(t.Committed(), s.committed);
        EXPECT_EQ(t.Context()->GetLevel(), 0);
        EXPECT_EQ(t.Context()->GetTop(), nullptr);
        EXPECT_FALSE(t.Context()->IsRollbackOnly());
        KxGFakeScript::Reset();   // drops unused scripts (and the rows, set again above)
    }
}

TEST_F(TxnTest, FailedCommitRestoresStateBitsAndClosesAConnectionThatCannotRollBack)
{
    OpenWithContext();
    MakeObjects({{2, 0x0001}, {1, 0xc001}});
    Commit(1, "old");
    KxGDatabase* connection = Context()->GetDatabase();

    // The commit fails and so does the rollback: the work can never be committed.
    KxGFakeBehaviour fail;
    fail.fail = true;
    KxGFakeScript::Set("RollbackConnection", fail);
    EXPECT_EQ(Run("T C i2=a d1 c !CommitConnection c"), "1 2 0 0 1 -6102");
    EXPECT_EQ(States(), "1 c001");
    EXPECT_TRUE(Context()->IsRollbackOnly());
    EXPECT_TRUE(Context()->IsConnectionUnusable());
    EXPECT_EQ(Run("T C i3=b c c"), "1 2 0 -6102 -6102");
    EXPECT_EQ(Committed(), "1=old");

    // The context ends: its connection is closed, not pooled.
    KxGFakeScript::ClearCalls();
    txn_.reset();
    EXPECT_EQ(OpsOf(connection), (std::vector<std::string>{"DeleteReadUnitOfWork", "UnregisterConnection",
                                                           "CloseConnection", "Destroy"}));
    for (uint16_t slot = 0; slot < client_->GetPoolSize(); ++slot) {
        EXPECT_NE(client_->GetPoolSlot(slot), connection);
    }
}

TEST_F(TxnTest, FailedSavepointRollbackKeepsKernelStatesUntilTheOuterRollback)
{
    OpenWithContext();
    MakeObjects({{2, 0x0001}});
    EXPECT_EQ(Run("T T C i2=a c !RollbackToSavepoint a"), "1 2 3 0 2 -6001");
    EXPECT_EQ(States(), "8001");   // the row may still be in the connection
    EXPECT_EQ(Run("c"), "-6102");
    EXPECT_EQ(States(), "1");
    EXPECT_EQ(Committed(), "");
    EXPECT_FALSE(Context()->IsRollbackOnly());
}

TEST_F(TxnTest, DeletingAContextRollsBackEveryLevelFromTheTop)
{
    OpenWithContext();
    EXPECT_EQ(Run("T C i2=a c T C i3=b"), "1 2 0 1 2 3 0");
    KxGDatabase* connection = Context()->GetDatabase();
    KxGFakeScript::ClearCalls();
    EXPECT_EQ(manager_->DeleteTransactionContext(resource_), 0);
    std::vector<std::string> steps;
    for (const KxGFakeCall& call : KxGFakeScript::Calls()) {
        if (call.object == connection && call.operation != "DeleteResourceMgr") {
            steps.push_back(call.operation + "(" + call.arguments + ")");
        }
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"RollbackToSavepoint(2)", "RollbackConnection()",
                                               "DeleteReadUnitOfWork()", "SetRowNum(0)", "TestConnectionAlive(0)",
                                               "GetConnectionId()"}));
    EXPECT_EQ(resource_->GetContext(), nullptr);
    EXPECT_EQ(Committed(), "");
    EXPECT_EQ(manager_->DeleteTransactionContext(resource_), KXG_E_NO_TRANSACTION_CONTEXT);
}

TEST_F(TxnTest, ClosingTheClientEndsItsContextsBeforeThePoolAndTheLockService)
{
    OpenWithContext("TraceModules=TXN,CA,CM\nTraceFile=" + TraceFile("t.trc") + "\n");
    EXPECT_EQ(Run("T C i2=a"), "1 2 0");
    KxGDatabase* connection = Context()->GetDatabase();
    KxGFakeScript::ClearCalls();
    EXPECT_EQ(client_->CloseClient(), 0);
    EXPECT_EQ(resource_->GetContext(), nullptr);
    EXPECT_EQ(manager_->GetContextCount(), 0u);
    EXPECT_EQ(manager_->GetLockService(), nullptr);
    // Rolled back, given back to the pool, and closed with the pool.
    EXPECT_EQ(OpsOf(connection),
              (std::vector<std::string>{"DeleteResourceMgr", "RollbackConnection", "DeleteResourceMgr",
                                        "DeleteReadUnitOfWork", "SetRowNum", "TestConnectionAlive",
                                        "GetConnectionId", "UnregisterConnection", "CloseConnection", "Destroy"}));
    EXPECT_EQ(Committed(), "");
    const std::string trace = ReadFile(TraceFile("t.trc"));
    EXPECT_LT(At(trace, "<CloseClient"), At(trace, "<DeleteTransactionContext")) << trace;
    EXPECT_LT(At(trace, "<XARollback"), At(trace, "</CloseClient")) << trace;
}

TEST_F(TxnTest, ResourceOptionsAndObjectsTheContextHolds)
{
    OpenWithContext();
    // Option 0x10 clears the flag word: a nested compound statement runs its requests unbracketed.
    resource_->SetOptions(KxTransactionResource::KX_TXNOPT_NO_TXN_FLAGS);
    EXPECT_EQ(Run("T C i2=a c c"), "1 2 0 1 0");
    EXPECT_EQ(KxGFakeScript::Count("BeginCompound"), 0u);
    EXPECT_EQ(Committed(), "2=a");

    MakeObjects({{5, 0x0001}, {6, 0x8000}});
    EXPECT_EQ(Context()->HoldsObject(KxRef(KxObjId(5), kClass)), 1);
    EXPECT_EQ(Context()->HoldsObject(KxRef(KxObjId(6), kClass)), 0);
    EXPECT_EQ(Context()->HoldsObject(KxRef(KxObjId(7), kClass)), 0);
}

TEST_F(TxnTest, FailedContextCreationGivesItsConnectionBack)
{
    OpenShop();
    base_->SetConnection(client_.get());
    client_->GetTransactionManager()->SetLockService(
        new KxGCCService(KxString("lockhost:4711"), client_->GetDatabase(), 7));
    KxTransaction txn;
    EXPECT_EQ(txn.GetResource(base_.get()), nullptr);
    EXPECT_EQ(txn.GetLastStatus(), KXG_E_NO_LOCK_SERVER);
    ASSERT_GT(client_->GetPoolSize(), 0);
    EXPECT_NE(client_->GetPoolSlot(0), nullptr);
    EXPECT_EQ(client_->GetTransactionManager()->GetContextCount(), 0u);
}

TEST_F(TxnTest, LockServiceChoice)
{
    OpenWithContext();
    struct Case {
        const char* server;
        bool local;
        const char* kind;
    };
    const Case cases[] = {
        {"", true, "local"}, {"", false, "adapter"}, {"none", false, "dummy"},
        {"None", false, "concurrency control"}, {"lockhost:4711", true, "concurrency control"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.server) + (c.local ? " local" : ""));
        KxGFakeScript::ClearCalls();
        std::unique_ptr<KxGLockService> service(
            KxGatewayTransactionMgr::MakeLockService(KxString(c.server), c.local, client_->GetDatabase(), 7));
        ASSERT_NE(service, nullptr);
        std::string kind = dynamic_cast<KxGDummyLockService*>(service.get()) != nullptr ? "dummy"
                           : dynamic_cast<KxGCCService*>(service.get()) != nullptr  ? "concurrency control"
                           : KxGFakeScript::Count("CreateLockService") == 1         ? "adapter"
                                                                                    : "local";
        EXPECT_EQ(kind, c.kind);
        EXPECT_EQ(service->GetCreationError(), kind == "concurrency control" ? KXG_E_NO_LOCK_SERVER : 0);
    }
}

}  // namespace
