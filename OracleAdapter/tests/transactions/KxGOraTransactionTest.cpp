// Oracle transaction levels and compound statements on the embedded engine: which resource manager
// serves which level, the savepoints they set and roll back to, the connection's commit at level 1,
// and rollbacks that must not undo more (or less) than their own work.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxGOraCompoundStatement.h"
#include "KxGOraLockService.h"
#include "KxGOraTransaction.h"
#include "KxGReadUnitOfWork.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxObjectAlias.h"
#include "TxnTestSupport.h"

namespace oratxn {
namespace {

class OraTransaction : public TxnTest {
protected:
    void SetUp() override
    {
        TxnTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Exec({"CREATE TABLE S.T ( OID NUMBER (38) DEFAULT 0 not null, PRIMARY KEY ( OID ) )"});
        context_ = std::make_unique<KxGTransactionContext>(nullptr, nullptr, nullptr, db_.get());
    }

    void TearDown() override
    {
        // Managers still on the stack are ended by the context; the test deletes what it made.
        context_.reset();
        for (KxGResourceMgr* manager : made_) {
            db_->DeleteResourceMgr(manager);
        }
        made_.clear();
        TxnTest::TearDown();
    }

    // Raises the context's level and pushes (starts) a manager of the kind for it.
    template <typename T>
    T* Begin(int32_t kind)
    {
        if (kind == KXG_RESOURCE_TRANSACTION) {
            context_->RaiseLevel();
        }
        KxGResourceMgr* manager = db_->CreateResourceMgr(kind, context_.get());
        EXPECT_NE(manager, nullptr);
        if (manager == nullptr) {
            return nullptr;
        }
        made_.push_back(manager);
        EXPECT_EQ(context_->Push(manager), 0);
        auto* typed = dynamic_cast<T*>(manager);
        EXPECT_NE(typed, nullptr);
        return typed;
    }

    // Inserts a row of S.T on the transaction's connection (not committed).
    void Insert(int id)
    {
        KxGStatementTemplate insert(KxString(("INSERT INTO S.T (OID) VALUES (" + std::to_string(id) + ")").c_str()));
        oratest::StatementHdlPtr handle(db_->CreateStatementHdl(&insert));
        ASSERT_TRUE(handle);
        ASSERT_NE(handle->Execute(1), 0) << db_->GetError()->Text();
    }

    // The rows of S.T as another session sees them.
    Table Committed() { return Rows("SELECT OID FROM S.T ORDER BY OID"); }

    // The rows of S.T as the transaction's connection sees them.
    std::vector<int32_t> Own()
    {
        std::vector<int32_t> ids;
        KxGSelectStatementTemplate select(KxString("SELECT OID FROM S.T ORDER BY OID"));
        oratest::StatementHdlPtr handle(db_->CreateStatementHdl(&select));
        KxGTypeHdl* integer = db_->GetTypeHdl(2, 0, 0);
        int32_t value = 0;
        int16_t indicator = 0;
        EXPECT_NE(handle->BindResult(1, integer, 4, &value, &indicator), 0);
        EXPECT_NE(handle->Execute(0), 0);
        for (uint32_t rows = 1; handle->Fetch(rows) != 0 && rows == 1; rows = 1) {
            ids.push_back(value);
        }
        return ids;
    }

    std::unique_ptr<KxGTransactionContext> context_;
    std::vector<KxGResourceMgr*> made_;
};

TEST_F(OraTransaction, TheDatabaseMakesTheManagerOfEachKindAndLevel)
{
    KxGTransactionContext context(nullptr, nullptr, nullptr, db_.get());
    const struct {
        int32_t kind;
        int32_t level;
        const char* made;
    } cases[] = {
        {KXG_RESOURCE_TRANSACTION, 1, "transaction"},
        {KXG_RESOURCE_TRANSACTION, 2, "savepoint transaction"},
        {KXG_RESOURCE_TRANSACTION, 5, "savepoint transaction"},
        {KXG_RESOURCE_COMPOUND_STATEMENT, 1, "compound statement"},
        {KXG_RESOURCE_COMPOUND_STATEMENT, 3, "compound statement"},
        {2, 1, "none"},
        {-1, 2, "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " at level " + std::to_string(c.level));
        context.SetLevel(c.level);
        KxGResourceMgr* manager = db_->CreateResourceMgr(c.kind, &context);
        std::string made = "none";
        if (dynamic_cast<KxGOraTransaction*>(manager) != nullptr) {
            made = "savepoint transaction";
        } else if (dynamic_cast<KxGOraCompoundStatement*>(manager) != nullptr) {
            made = "compound statement";
        } else if (dynamic_cast<KxGTransaction*>(manager) != nullptr) {
            made = "transaction";
        }
        EXPECT_EQ(made, c.made);
        db_->DeleteResourceMgr(manager);
    }
    EXPECT_EQ(db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, nullptr), nullptr);

    KxGReadUnitOfWork* unit = db_->CreateReadUnitOfWork(&context);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->GetContext(), &context);
    db_->DeleteReadUnitOfWork(unit);
}

TEST_F(OraTransaction, ANestedLevelRolledBackToItsSavepointKeepsTheOuterWork)
{
    auto* outer = Begin<KxGTransaction>(KXG_RESOURCE_TRANSACTION);
    ASSERT_TRUE(outer);
    Insert(1);
    auto* nested = Begin<KxGOraTransaction>(KXG_RESOURCE_TRANSACTION);
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->GetLevel(), 2);
    EXPECT_NE(TraceText().find("SAVEPOINT TXN_LEVEL_2"), std::string::npos);
    Insert(2);
    auto* deeper = Begin<KxGOraTransaction>(KXG_RESOURCE_TRANSACTION);
    ASSERT_TRUE(deeper);
    Insert(3);

    // Level 3 commits into level 2; level 2 rolls back, taking level 3's work with it.
    EXPECT_EQ(deeper->XAPrepare(), 0);
    EXPECT_EQ(deeper->XACommit(), 0);
    context_->PopTo(deeper);
    context_->LowerLevel();
    EXPECT_EQ(nested->XARollback(), 0);
    EXPECT_NE(TraceText().find("ROLLBACK TO TXN_LEVEL_2"), std::string::npos);
    context_->PopTo(nested);
    context_->LowerLevel();
    EXPECT_EQ(Own(), (std::vector<int32_t>{1}));
    EXPECT_EQ(Committed(), Table{});

    EXPECT_EQ(outer->XAPrepare(), 0);
    EXPECT_EQ(outer->XACommit(), 0);
    EXPECT_EQ(Committed(), (Table{{"1"}}));
}

TEST_F(OraTransaction, ACompoundStatementAtLevelOneCommitsOrRollsBackTheConnection)
{
    ASSERT_TRUE(Begin<KxGTransaction>(KXG_RESOURCE_TRANSACTION));
    for (uint16_t commit : {1, 0}) {
        SCOPED_TRACE(commit);
        auto* compound = Begin<KxGOraCompoundStatement>(KXG_RESOURCE_COMPOUND_STATEMENT);
        ASSERT_TRUE(compound);
        EXPECT_TRUE(compound->UsesTransaction());
        const size_t before = TraceText().size();
        EXPECT_EQ(compound->BeginCompound(), 1);
        EXPECT_EQ(compound->GetSavepointHdl(), nullptr);
        const std::string begin = TraceText().substr(before);
        EXPECT_NE(begin.find("use transaction"), std::string::npos) << begin;
        EXPECT_EQ(begin.find("Execute"), std::string::npos) << begin;
        Insert(commit != 0 ? 10 : 20);
        EXPECT_EQ(compound->EndCompound(commit), 1);
        EXPECT_NE(TraceText().find(commit != 0 ? "commit transaction" : "rollback transaction"), std::string::npos);
        context_->PopTo(compound);
    }
    EXPECT_EQ(Committed(), (Table{{"10"}}));
    EXPECT_EQ(Own(), (std::vector<int32_t>{10}));
}

TEST_F(OraTransaction, ADeeperCompoundStatementRollsBackToItsSavepointOnTheSameHandle)
{
    ASSERT_TRUE(Begin<KxGTransaction>(KXG_RESOURCE_TRANSACTION));
    Insert(1);
    ASSERT_TRUE(Begin<KxGOraTransaction>(KXG_RESOURCE_TRANSACTION));
    ASSERT_TRUE(Begin<KxGOraTransaction>(KXG_RESOURCE_TRANSACTION));
    auto* compound = Begin<KxGOraCompoundStatement>(KXG_RESOURCE_COMPOUND_STATEMENT);
    ASSERT_TRUE(compound);
    EXPECT_EQ(compound->GetLevel(), 3);

    const size_t before = TraceText().size();
    ASSERT_EQ(compound->BeginCompound(), 1);
    KxGStatementHdl* savepoint = compound->GetSavepointHdl();
    ASSERT_NE(savepoint, nullptr);
    Insert(2);
    EXPECT_EQ(compound->EndCompound(0), 1);
    EXPECT_EQ(compound->GetSavepointHdl(), nullptr);
    const std::string trace = TraceText().substr(before);
    // One handle prepared the savepoint and then ran the rollback to it.
    const size_t set = trace.find("SAVEPOINT COMPOUND_SAVEPOINT");
    const size_t rollback = trace.find("ROLLBACK TO COMPOUND_SAVEPOINT");
    ASSERT_NE(set, std::string::npos) << trace;
    ASSERT_NE(rollback, std::string::npos) << trace;
    const size_t handleAt = trace.rfind("handle 0x", rollback);
    ASSERT_NE(handleAt, std::string::npos);
    const std::string handle = trace.substr(handleAt, trace.find_first_not_of("0123456789abcdefx", handleAt + 7) - handleAt);
    EXPECT_LT(trace.find(handle), set) << handle << "\n" << trace;
    EXPECT_EQ(Own(), (std::vector<int32_t>{1}));

    // A second rollback (the abort after a prepare that rolled back) has nothing left to undo.
    EXPECT_EQ(compound->EndCompound(0), 1);
    EXPECT_EQ(Own(), (std::vector<int32_t>{1}));
}

TEST_F(OraTransaction, ADeeperRollbackWithoutItsOwnSavepointNeverUndoesOtherWork)
{
    ASSERT_TRUE(Begin<KxGTransaction>(KXG_RESOURCE_TRANSACTION));
    ASSERT_TRUE(Begin<KxGOraTransaction>(KXG_RESOURCE_TRANSACTION));
    // A first compound statement commits into the level; its savepoint name stays in the connection.
    auto* first = Begin<KxGOraCompoundStatement>(KXG_RESOURCE_COMPOUND_STATEMENT);
    ASSERT_EQ(first->BeginCompound(), 1);
    Insert(1);
    ASSERT_EQ(first->EndCompound(1), 1);
    EXPECT_NE(TraceText().find("commit savepoint"), std::string::npos);
    // Ended with commit: its work cannot be undone by itself any more.
    EXPECT_EQ(first->EndCompound(0), 0);
    context_->PopTo(first);

    // The second one's savepoint fails: its rollback must not go back to the first one's savepoint.
    auto* second = Begin<KxGOraCompoundStatement>(KXG_RESOURCE_COMPOUND_STATEMENT);
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 1013, "SAVEPOINT COMPOUND_SAVEPOINT");
    EXPECT_EQ(second->BeginCompound(), 0);
    EXPECT_EQ(second->GetSavepointHdl(), nullptr);
    EXPECT_EQ(second->EndCompound(0), 1);
    EXPECT_EQ(Own(), (std::vector<int32_t>{1}));
    context_->PopTo(second);

    // Never begun: with its flag set nothing of it ran (its locks were refused before its begin);
    // with its flag cleared its requests ran without savepoint, which it cannot undo, so its
    // rollback fails and the enclosing level rolls back.
    for (uint16_t flags : {1, 0}) {
        SCOPED_TRACE(flags);
        auto* never = Begin<KxGOraCompoundStatement>(KXG_RESOURCE_COMPOUND_STATEMENT);
        never->SetFlags(flags);
        EXPECT_EQ(never->EndCompound(0), flags != 0 ? 1 : 0);
        context_->PopTo(never);
    }
    EXPECT_EQ(Own(), (std::vector<int32_t>{1}));
}

TEST_F(OraTransaction, AFailedSavepointStatementFailsTheLevelsStart)
{
    ASSERT_TRUE(Begin<KxGTransaction>(KXG_RESOURCE_TRANSACTION));
    context_->RaiseLevel();
    KxGResourceMgr* nested = db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, context_.get());
    ASSERT_NE(dynamic_cast<KxGOraTransaction*>(nested), nullptr);
    made_.push_back(nested);
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 1013, "SAVEPOINT TXN_LEVEL_2");
    EXPECT_LT(context_->Push(nested), 0);
    EXPECT_EQ(nested->GetLevel(), 0);
    auto* ora = dynamic_cast<KxGOraTransaction*>(nested);
    EXPECT_EQ(ora->RollbackToSavepoint(7), 0);   // never set
    EXPECT_NE(TraceText().find("ROLLBACK TO TXN_LEVEL_7"), std::string::npos);
}

// Two clients, each with its lock service on its own connection and a transaction on another: the
// compound statement takes its locks through the lock procedure before it runs, and gives them back
// when it commits.
TEST_F(OraTransaction, ACompoundStatementLocksItsObjectsUntilItCommits)
{
    CreateLockObjects();
    auto lockConnection1 = OpenDatabase(false);
    auto lockConnection2 = OpenDatabase(false);
    auto txnConnection2 = OpenDatabase(true);
    std::unique_ptr<KxGLockService> locks1(lockConnection1->CreateLockService(1));
    std::unique_ptr<KxGLockService> locks2(lockConnection2->CreateLockService(2));
    context_ = std::make_unique<KxGTransactionContext>(nullptr, locks1.get(), nullptr, db_.get());
    KxGTransactionContext context2(nullptr, locks2.get(), nullptr, txnConnection2.get());

    auto registerObjects = [](KxGResourceMgr& compound, uint32_t first, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            auto* alias = new KxRefObjectAlias(KxRef(KxObjId(first + i), KxClassId(9, 0)));
            EXPECT_EQ(compound.Register(alias, 0x8000, 0x8000), 0);
            delete alias;
        }
    };
    ASSERT_TRUE(Begin<KxGTransaction>(KXG_RESOURCE_TRANSACTION));
    auto* compound = Begin<KxGOraCompoundStatement>(KXG_RESOURCE_COMPOUND_STATEMENT);
    ASSERT_TRUE(compound);
    registerObjects(*compound, 100, 600);
    ASSERT_EQ(compound->XAPrepare(), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS WHERE CLIENTID = 1"), (Table{{"600"}}));

    // The other client's compound statement on one of the objects is refused.
    context2.RaiseLevel();
    KxGResourceMgr* level2 = txnConnection2->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, &context2);
    KxGResourceMgr* compound2 = txnConnection2->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, &context2);
    ASSERT_EQ(context2.Push(level2), 0);
    ASSERT_EQ(context2.Push(compound2), 0);
    registerObjects(*compound2, 699, 2);
    EXPECT_EQ(compound2->XAPrepare(), KXG_E_LOCK_REFUSED);
    EXPECT_EQ(compound2->XARollback(), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS WHERE CLIENTID = 2"), (Table{{"0"}}));

    // Committed: the locks are gone, and the other client gets them.
    EXPECT_EQ(compound->XACommit(), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS"), (Table{{"0"}}));
    context2.PopTo(compound2);
    txnConnection2->DeleteResourceMgr(compound2);
    compound2 = txnConnection2->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, &context2);
    ASSERT_EQ(context2.Push(compound2), 0);
    registerObjects(*compound2, 699, 2);
    EXPECT_EQ(compound2->XAPrepare(), 0);
    EXPECT_EQ(compound2->XACommit(), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS"), (Table{{"0"}}));

    context2.PopTo(level2);
    txnConnection2->DeleteResourceMgr(compound2);
    txnConnection2->DeleteResourceMgr(level2);
    context_->PopTo(compound);
    context_.reset();   // before the lock service it holds
    for (auto* connection : {lockConnection1.get(), lockConnection2.get(), txnConnection2.get()}) {
        connection->CloseConnection();
    }
}

// One transaction as the transaction manager runs it: a level (and, nested, a second one), a compound
// statement locking one object whose row the transaction inserts, then prepare and commit from the
// top down, or rollback where a prepare failed. A failure injected into any adapter call on the way
// leaves nothing of the transaction committed, and the next transaction works.
class OraCommitFaults : public OraTransaction {
protected:
    void SetUp() override
    {
        OraTransaction::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        CreateLockObjects();
        lockConnection_ = OpenDatabase(false);
        locks_.reset(lockConnection_->CreateLockService(1));
    }

    void TearDown() override
    {
        context_.reset();
        locks_.reset();
        if (lockConnection_) {
            lockConnection_->CloseConnection();
        }
        OraTransaction::TearDown();
    }

    // 0 when the transaction committed, else the first negative status.
    int32_t RunTransaction(int id, bool nested)
    {
        context_ = std::make_unique<KxGTransactionContext>(nullptr, locks_.get(), nullptr, db_.get());
        std::vector<KxGResourceMgr*> levels;
        int32_t status = 0;
        for (int level = 1; level <= (nested ? 2 : 1) && status == 0; ++level) {
            context_->RaiseLevel();
            KxGResourceMgr* manager = db_->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, context_.get());
            made_.push_back(manager);
            status = context_->Push(manager);
            if (status == 0) {
                levels.push_back(manager);
            }
        }
        if (status == 0) {
            KxGResourceMgr* compound = db_->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, context_.get());
            made_.push_back(compound);
            EXPECT_EQ(context_->Push(compound), 0);
            KxRefObjectAlias alias(KxRef(KxObjId(static_cast<uint32_t>(id)), KxClassId(9, 0)));
            EXPECT_EQ(compound->Register(&alias, 0x8000, 0x8000), 0);
            Insert(id);
            status = compound->XAPrepare();
            const int32_t end = status < 0 ? compound->XARollback() : compound->XACommit();
            status = status < 0 ? status : end;
            context_->PopTo(compound);
        }
        for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
            if (status >= 0) {
                status = (*level)->XAPrepare();
            }
            const int32_t end = status < 0 ? (*level)->XARollback() : (*level)->XACommit();
            status = status < 0 ? status : end;
            context_->PopTo(*level);
            context_->LowerLevel();
        }
        if (context_->IsConnectionUnusable()) {
            // Never used again: what it holds is rolled back with its session.
            db_->CloseConnection();
            EXPECT_EQ(db_->OpenConnection(), 1);
        }
        context_.reset();
        return status;
    }

    std::unique_ptr<KxGOraDatabase> lockConnection_;
    std::unique_ptr<KxGLockService> locks_;
};

TEST_F(OraCommitFaults, AFailureAnywhereInACommitCommitsNothingAndTheNextTransactionWorks)
{
    const struct {
        bool nested;
        std::vector<std::pair<const char*, const char*>> failures;   // OCI call, text of the statement
    } cases[] = {
        {false, {}},
        {false, {{"OCIStmtExecute", "ACQUIRE_LOCK"}}},
        {false, {{"OCIBindByName", "ACQUIRE_LOCK"}}},
        {false, {{"OCITransCommit", ""}}},
        {false, {{"OCITransCommit", ""}, {"OCITransRollback", ""}}},
        {true, {}},
        {true, {{"OCIStmtExecute", "SAVEPOINT TXN_LEVEL_2"}}},
        {true, {{"OCIStmtPrepare", "SAVEPOINT TXN_LEVEL_2"}}},
        {true, {{"OCIStmtExecute", "SAVEPOINT COMPOUND_SAVEPOINT"}}},
        {true, {{"OCIStmtExecute", "ACQUIRE_LOCK"}, {"OCIStmtExecute", "ROLLBACK TO TXN_LEVEL_2"}}},
        {true, {{"OCIStmtExecute", "ACQUIRE_LOCK"}}},
        {true, {{"OCITransCommit", ""}}},
        {true, {{"OCITransCommit", ""}, {"OCITransRollback", ""}}},
    };
    auto& engine = sqlengine::Engine::Instance();
    int id = 0;
    for (const auto& c : cases) {
        std::string name = c.nested ? "nested" : "flat";
        for (const auto& failure : c.failures) {
            name += std::string(" ") + failure.first + " " + failure.second;
        }
        SCOPED_TRACE(name);
        for (const auto& failure : c.failures) {
            engine.InjectFailure(failure.first, 3113, failure.second);
        }
        const int failed = ++id;
        const int32_t status = RunTransaction(failed, c.nested);
        engine.ClearInjectedFailures();
        const std::string row = "SELECT COUNT(*) FROM S.T WHERE OID = " + std::to_string(failed);
        EXPECT_EQ(Rows(row), (Table{{c.failures.empty() ? "1" : "0"}})) << status;
        EXPECT_EQ(status < 0, !c.failures.empty()) << status;
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS"), (Table{{"0"}}));

        // The next transaction on the same (or the replaced) connection commits its own row only.
        const int next = ++id;
        EXPECT_EQ(RunTransaction(next, c.nested), 0);
        EXPECT_EQ(Rows(row), (Table{{c.failures.empty() ? "1" : "0"}}));
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.T WHERE OID = " + std::to_string(next)), (Table{{"1"}}));
    }
}

}  // namespace
}  // namespace oratxn
