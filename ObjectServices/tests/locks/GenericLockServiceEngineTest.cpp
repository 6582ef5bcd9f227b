// The relational lock service run for real: an Oracle database object of the adapter, opened on a
// server of the embedded engine whose schema S holds the lock tables made by the Oracle dialect, and a
// second session of the engine that reads (and changes) LOCKS and ACTIVECLIENTS beside the service.
//
// The generic texts carry "?" where the product writes its parameter markers; as the adapters' own
// services do, the service under test puts the Oracle markers (":1", ":2") in their place and keeps
// everything else of the texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxGGenericLockService.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGOraStatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "OraMarkedLockService.h"
#include "OraTestSupport.h"
#include "kxthreads.h"
#include "sqlengine.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr int32_t kClient = 5;
constexpr uint16_t kTxn = KXG_LOCK_MODE_TXN;                     // stored as 4116
constexpr uint16_t kRead = 1142;
constexpr uint16_t kReadTxn = kRead | KXG_LOCK_TRANSACTION;

KxRef Ref(uint32_t id)
{
    return KxRef(KxObjId(id), KxClassId(7, 1));
}

KxRefList Refs(std::initializer_list<uint32_t> ids)
{
    KxRefList refs;
    for (uint32_t id : ids) {
        refs.push_back(Ref(id));
    }
    return refs;
}

class EngineLocks : public oratest::DatabaseTest {
protected:
    EngineLocks() : DatabaseTest({.prefix = "LCK_", .users = {{"S", "s"}}, .traced = true}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        oratest::OwnedList create;
        static_cast<KxGOraDatabaseInfo*>(db_->GetDatabaseInfo())->CreateLocks(KxString("S"), create);
        KxGStatementTemplate probe{KxString("SELECT 1 FROM DUAL")};
        oratest::StatementHdlPtr handle(db_->CreateStatementHdl(&probe));
        ASSERT_TRUE(handle);
        for (uint32_t i = 0; i < create.Count(); ++i) {
            ASSERT_EQ(static_cast<KxGOraStatementHdl*>(handle.get())->ExecDirect(create.GetTemplate(i)), 1)
                << db_->GetError()->Text();
        }
        sqlengine::Error error;
        reader_ = sqlengine::Session::Begin(server_, "S", "s", error);
        ASSERT_TRUE(reader_) << error.message;
        Run("INSERT INTO S.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (5, 'me', 5, 'DEFAULT')");
        Run("INSERT INTO S.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (6, 'other', 6, 'DEFAULT')");
        Commit();
        service_ = std::make_unique<oratest::OracleMarkedLockService>(db_.get(), kClient);
        ASSERT_EQ(service_->GetCreationError(), 0);
        a_.SetLevel(1);
        b_.SetLevel(1);
    }

    void TearDown() override
    {
        service_.reset();
        if (reader_) {
            reader_->End();
            reader_.reset();
        }
        DatabaseTest::TearDown();
    }

    void Run(const std::string& sql) { oratest::RunOn(*reader_, sql); }
    void Commit()
    {
        sqlengine::Error error;
        ASSERT_TRUE(reader_->Commit(error)) << error.message;
    }

    // LOCKS as the other session reads it.
    Rows Locks() { return oratest::RowTexts(oratest::RunOn(*reader_, "SELECT OID, LOCKMODE, CLIENTID FROM S.LOCKS ORDER BY OID, LOCKMODE")); }
    std::string LockCount()
    {
        Rows rows = oratest::RowTexts(oratest::RunOn(*reader_, "SELECT COUNT(*) FROM S.LOCKS"));
        return rows.size() == 1 ? rows[0][0] : "?";
    }

    // The trace written from `from` on.
    std::string TraceFrom(size_t from)
    {
        const std::string text = TraceText();
        return from < text.size() ? text.substr(from) : std::string();
    }

    static std::vector<std::string> Occurrences(const std::string& text, const std::string& prefix)
    {
        std::vector<std::string> found;
        for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
            const size_t end = text.find_first_not_of("0123456789", at + prefix.size());
            found.push_back(text.substr(at + prefix.size(), end - at - prefix.size()));
        }
        return found;
    }

    std::shared_ptr<sqlengine::Session> reader_;
    std::unique_ptr<oratest::OracleMarkedLockService> service_;
    KxGTransactionContext a_;
    KxGTransactionContext b_;
};

TEST_F(EngineLocks, SharedModeTakesOneRowThatTheLastHolderReleases)
{
    ASSERT_EQ(service_->AcquireTxnLocks(&a_, kReadTxn, Refs({100, 200})), 1);
    ASSERT_EQ(service_->AcquireTxnLocks(&b_, kReadTxn, Refs({100})), 1);
    ASSERT_EQ(service_->AcquireTxnLocks(&a_, kReadTxn, Refs({100})), 1);
    EXPECT_EQ(Locks(), (Rows{{"100", "1142", "5"}, {"200", "1142", "5"}}));

    KxGLockHolderList holders;
    ASSERT_EQ(service_->GetLockList(Ref(100), holders), 0);
    ASSERT_EQ(holders.Count(), 1u);
    EXPECT_EQ(holders.Get(0).clientId, kClient);
    EXPECT_EQ(holders.Get(0).mode, kRead);
    EXPECT_STREQ(holders.Get(0).userId.StrGet(), "S");
    EXPECT_TRUE(holders.Get(0).name.IsEmpty());

    ASSERT_EQ(service_->ReleaseTxnLocks(&a_, 1), 1);
    EXPECT_EQ(Locks(), (Rows{{"100", "1142", "5"}}));
    ASSERT_EQ(service_->ReleaseTxnLocks(&b_, 1), 1);
    EXPECT_EQ(LockCount(), "0");
}

TEST_F(EngineLocks, TwentyFiveThousandLocksAreReleasedInThreeStatements)
{
    KxRefList refs;
    for (uint32_t id = 1; id <= 25000; ++id) {
        refs.push_back(Ref(id));
    }
    ASSERT_EQ(service_->AcquireTxnLocks(&a_, kTxn, refs), 1);
    EXPECT_EQ(LockCount(), "25000");

    const size_t mark = TraceText().size();
    ASSERT_EQ(service_->ReleaseTxnLocks(&a_, 1), 1);
    const std::string trace = TraceFrom(mark);
    EXPECT_EQ(Occurrences(trace, "Number of locks "), (std::vector<std::string>{"10000", "10000", "5000"}));
    EXPECT_EQ(Occurrences(trace, "parameter array size "), (std::vector<std::string>{"10000", "10000", "5000"}));
    EXPECT_EQ(LockCount(), "0");
    EXPECT_EQ(service_->GetLockTable().Count(), 0u);
}

TEST_F(EngineLocks, AbortedInnerLevelKeepsTheOuterLevelsRow)
{
    ASSERT_EQ(service_->AcquireTxnLocks(&a_, kTxn, Refs({7})), 1);
    a_.SetLevel(2);
    ASSERT_EQ(service_->AcquireTxnLocks(&a_, kTxn, Refs({7, 8})), 1);
    EXPECT_EQ(Locks(), (Rows{{"7", "4116", "5"}, {"8", "4116", "5"}}));
    ASSERT_EQ(service_->ReleaseTxnLocks(&a_, 0), 1);
    EXPECT_EQ(Locks(), (Rows{{"7", "4116", "5"}}));
    a_.SetLevel(1);
    ASSERT_EQ(service_->ReleaseTxnLocks(&a_, 1), 1);
    EXPECT_EQ(LockCount(), "0");
}

TEST_F(EngineLocks, FailedReleaseKeepsTheLocksAndALaterReleaseSucceeds)
{
    ASSERT_EQ(service_->AcquireTxnLocks(&a_, kTxn, Refs({1, 2})), 1);
    ASSERT_EQ(service_->AcquireLock({&a_, Ref(3), kRead}), 1);

    auto& engine = sqlengine::Engine::Instance();
    engine.InjectFailure("OCIStmtExecute", 3113, "DELETE FROM");
    EXPECT_EQ(service_->ReleaseTxnLocks(&a_, 1), 0);
    engine.InjectFailure("OCIStmtExecute", 3113, "DELETE FROM");
    EXPECT_EQ(service_->ReleaseLock({&a_, Ref(3), kRead}), 0);
    // A commit that fails leaves the rows as well.
    engine.InjectFailure("OCITransCommit", 3113);
    EXPECT_EQ(service_->ReleaseLock({&a_, Ref(3), kRead}), 0);
    EXPECT_EQ(LockCount(), "3");
    EXPECT_EQ(service_->GetLockTable().Count(), 3u);

    EXPECT_EQ(service_->ReleaseTxnLocks(&a_, 1), 1);
    EXPECT_EQ(service_->ReleaseLock({&a_, Ref(3), kRead}), 1);
    EXPECT_EQ(LockCount(), "0");
    EXPECT_EQ(service_->GetLockTable().Count(), 0u);
}

TEST_F(EngineLocks, RowsOfAnEndedContextAreTakenOverByTheClientsNextLock)
{
    ASSERT_EQ(service_->AcquireTxnLocks(&a_, kTxn, Refs({1, 2})), 1);
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 3113, "DELETE FROM");
    EXPECT_EQ(service_->DeleteTxn(&a_), 0);
    EXPECT_EQ(service_->GetPendingReleaseCount(), 2u);
    EXPECT_EQ(LockCount(), "2");

    // Inserting the client's own row again would break the key of LOCKS.
    ASSERT_EQ(service_->AcquireTxnLocks(&b_, kTxn, Refs({1})), 1);
    EXPECT_EQ(Locks(), (Rows{{"1", "4116", "5"}, {"2", "4116", "5"}}));
    ASSERT_EQ(service_->DeleteTxn(&b_), 1);
    EXPECT_EQ(LockCount(), "0");
    EXPECT_EQ(service_->GetPendingReleaseCount(), 0u);
}

TEST_F(EngineLocks, LockWhoseRowTheTriggerRemovedReleasesCleanly)
{
    ASSERT_EQ(service_->AcquireTxnLocks(&a_, kTxn, Refs({9, 10})), 1);
    ASSERT_EQ(service_->AcquireLock({&a_, Ref(11), kRead}), 1);
    // The client's registration goes: the release trigger drops its rows.
    Run("DELETE FROM S.ACTIVECLIENTS WHERE CLIENTID = 5");
    Commit();
    EXPECT_EQ(LockCount(), "0");

    EXPECT_EQ(service_->ReleaseLock({&a_, Ref(11), kRead}), 1);
    EXPECT_EQ(service_->ReleaseTxnLocks(&a_, 1), 1);
    EXPECT_EQ(service_->GetLockTable().Count(), 0u);
}

TEST_F(EngineLocks, FailedLocksInsertIsRefusedAndLeavesTheTableUnchanged)
{
    ASSERT_EQ(service_->AcquireTxnLocks(&a_, kTxn, Refs({1})), 1);
    // A row of the client that the service does not know of (left on the server) breaks the key.
    Run("INSERT INTO S.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (11, 4116, 5)");
    Commit();
    a_.SetLevel(2);

    EXPECT_EQ(service_->AcquireTxnLocks(&a_, kTxn, Refs({1, 10, 11})), 0);
    ASSERT_EQ(service_->GetLockTable().Count(), 1u);
    EXPECT_EQ(service_->GetLockTable().At(0)->level, 1);
    EXPECT_EQ(Locks(), (Rows{{"1", "4116", "5"}, {"11", "4116", "5"}}));
    // The server's own answer: no other holder refused the lock.
    EXPECT_EQ(service_->AcquireServerLocks(4116, Refs({12, 11}), &a_), KXG_E_DUPLICATE_KEY);
    EXPECT_EQ(service_->AcquireServerLock({&a_, Ref(11), 4116}, 1), KXG_E_DUPLICATE_KEY);

    // An insert the server refuses for any other reason: the service tells the server's failure.
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 3113, "INSERT INTO");
    EXPECT_EQ(service_->AcquireLock({&a_, Ref(20), kRead}), 0);
    EXPECT_EQ(service_->GetFailure(), KXG_E_RDBMS);
    EXPECT_EQ(service_->GetLockTable().Count(), 1u);
    EXPECT_EQ(Locks(), (Rows{{"1", "4116", "5"}, {"11", "4116", "5"}}));
}

TEST_F(EngineLocks, LockListReportsTheDatabaseErrorAndHoldsTheLockSection)
{
    KxThreadMgr threads;
    service_->SetSync(&threads);
    ASSERT_EQ(service_->AcquireLock({&a_, Ref(40), kRead}), 1);
    Run("INSERT INTO S.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (40, 1142, 6)");
    Commit();
    KxGLockHolderList holders;
    ASSERT_EQ(service_->GetLockList(Ref(40), holders), 0);
    ASSERT_EQ(holders.Count(), 2u);
    EXPECT_EQ(holders.Get(0).clientId + holders.Get(1).clientId, 11);

    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 3113, "SELECT DISTINCT");
    KxGLockHolderList none;
    const int32_t status = service_->GetLockList(Ref(40), none);
    EXPECT_LT(status, 0);
    EXPECT_EQ(status, db_->GetError()->ErrorCode() < 0 ? db_->GetError()->ErrorCode() : KXG_E_RDBMS);
    EXPECT_EQ(none.Count(), 0u);
    sqlengine::Engine::Instance().InjectFailure("OCIStmtFetch", 3113);
    EXPECT_LT(service_->GetLockList(Ref(40), none), 0);
    // The section is free again and the statement usable.
    EXPECT_EQ(threads.EndCriticalSection(KXG_LOCK_SECTION, "test"), KX_THREADS_E_NOT_OWNER);
    ASSERT_EQ(service_->GetLockList(Ref(40), none), 0);
    EXPECT_EQ(none.Count(), 2u);
}

}  // namespace
