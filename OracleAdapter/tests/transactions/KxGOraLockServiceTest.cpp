// The Oracle lock service on the embedded engine: its statement texts, acquisitions through the lock
// procedure (one call for a whole list), conflicts between two clients, release and failure paths.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxGOraLockService.h"
#include "KxGTransactionContext.h"
#include "TxnTestSupport.h"

namespace oratxn {
namespace {

std::string TextOf(const KxGStatementTemplate* statement)
{
    return statement != nullptr ? std::string(statement->GetSQLText().StrGet()) : std::string("<none>");
}

KxRefList Refs(uint32_t first, uint32_t count)
{
    KxRefList refs;
    for (uint32_t i = 0; i < count; ++i) {
        refs.push_back(KxRef(KxObjId(first + i), KxClassId(7, 0)));
    }
    return refs;
}

// The part of a trace between the opening of the first tag `name` and its closing.
std::string TagText(const std::string& trace, const std::string& name)
{
    const size_t begin = trace.find("<" + name);
    const size_t end = trace.find("</" + name, begin);
    return begin == std::string::npos || end == std::string::npos ? std::string() : trace.substr(begin, end - begin);
}

size_t Occurrences(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

class OraLockService : public TxnTest {
protected:
    void SetUp() override
    {
        TxnTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        CreateLockObjects();
        other_ = OpenDatabase(true);
        ASSERT_TRUE(other_);
        one_.reset(dynamic_cast<KxGOraLockService*>(db_->CreateLockService(1)));
        two_.reset(dynamic_cast<KxGOraLockService*>(other_->CreateLockService(2)));
        ASSERT_TRUE(one_ && two_);
        ASSERT_EQ(one_->GetCreationError(), 0);
        ctx1_.SetLevel(1);
        ctx2_.SetLevel(1);
    }

    void TearDown() override
    {
        one_.reset();
        two_.reset();
        if (other_) {
            other_->CloseConnection();
            other_.reset();
        }
        TxnTest::TearDown();
    }

    std::unique_ptr<KxGOraDatabase> other_;
    std::unique_ptr<KxGOraLockService> one_;
    std::unique_ptr<KxGOraLockService> two_;
    KxGTransactionContext ctx1_;
    KxGTransactionContext ctx2_;
};

TEST_F(OraLockService, StatementTextsCarryTheSchemaAndTheClientIdInDecimal)
{
    std::unique_ptr<KxGOraLockService> service(dynamic_cast<KxGOraLockService*>(db_->CreateLockService(17)));
    ASSERT_TRUE(service);
    const struct {
        const KxGStatementTemplate* statement;
        const char* text;
    } cases[] = {
        {service->GetAcquireTemplate(), "BEGIN S.ACQUIRE_LOCK( 17, :1, :oid_list, :lock_list ); END;"},
        {service->GetDeleteTemplate(), "DELETE FROM S.LOCKS WHERE OID = :1 AND LOCKMODE = :2 AND CLIENTID = 17"},
        {service->GetSelectTemplate(),
         "SELECT DISTINCT LOCKMODE, L.CLIENTID, USERID FROM S.LOCKS L, S.ACTIVECLIENTS C WHERE OID = :1 AND "
         "L.CLIENTID = C.CLIENTID"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextOf(c.statement), c.text);
    }
    std::unique_ptr<KxGOraLockService> negative(dynamic_cast<KxGOraLockService*>(db_->CreateLockService(-5)));
    EXPECT_EQ(TextOf(negative->GetAcquireTemplate()), "BEGIN S.ACQUIRE_LOCK( -5, :1, :oid_list, :lock_list ); END;");
}

TEST_F(OraLockService, AWholeListGoesToTheProcedureInOneExecution)
{
    for (uint32_t count : {250u, 600u}) {
        SCOPED_TRACE(count);
        TraceText();   // flushes what came before
        const size_t before = TraceText().size();
        ASSERT_EQ(one_->AcquireServerLocks(4116, Refs(count * 10, count), &ctx1_), 0);
        EXPECT_EQ(one_->GetLockCount(), static_cast<int32_t>(count));
        const std::string call = TagText(TraceText().substr(before), "AcquireLocksInDB");
        EXPECT_NE(call.find("number of locks " + std::to_string(count) + " LockMode 4116"), std::string::npos) << call;
        EXPECT_EQ(Occurrences(call, "<Execute"), 1u) << call;
        EXPECT_NE(call.find("parameter array size 1"), std::string::npos) << call;
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS WHERE CLIENTID = 1 AND LOCKMODE = 4116 AND OID BETWEEN " +
                       std::to_string(count * 10) + " AND " + std::to_string(count * 11 - 1)),
                  (Table{{std::to_string(count)}}));
    }
    // The procedure committed: the rows are seen by another session.
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS"), (Table{{"850"}}));
}

TEST_F(OraLockService, ASecondClientIsRefusedUntilTheHolderReleases)
{
    ASSERT_EQ(one_->AcquireTxnLocks(&ctx1_, KXG_LOCK_MODE_TXN, Refs(1000, 600)), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS WHERE CLIENTID = 1 AND LOCKMODE = 4116 AND OID BETWEEN 1000 AND 1599"),
              (Table{{"600"}}));

    // Conflicts with client 1's locks: refused as a whole, nothing of client 2 stays anywhere.
    const KxGLockRequest single{&ctx2_, KxRef(KxObjId(1599), KxClassId(7, 0)), 4116};
    EXPECT_EQ(two_->AcquireServerLock(single, 1), KXG_E_LOCK_REFUSED);
    KxRefList mixed = Refs(5000, 3);
    mixed.push_back(KxRef(KxObjId(1300), KxClassId(7, 0)));
    EXPECT_EQ(two_->AcquireTxnLocks(&ctx2_, KXG_LOCK_MODE_TXN, mixed), 0);
    EXPECT_EQ(two_->GetLockTable().Count(), 0u);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS WHERE CLIENTID = 2"), (Table{{"0"}}));
    const std::string refused = TagText(TraceText(), "AcquireLockInDB");
    EXPECT_NE(refused.find("OID = 1599 LockMode 4116"), std::string::npos) << refused;
    EXPECT_NE(refused.find("lock not acquired"), std::string::npos) << refused;

    // The holders of an object: client 1, with the user of its registration.
    Exec({"INSERT INTO S.ACTIVECLIENTS (CLIENTID, USERID) VALUES (1, 'ANNA')"});
    KxGLockHolderList holders;
    ASSERT_EQ(two_->GetLockList(KxRef(KxObjId(1300), KxClassId(7, 0)), holders), 0);
    ASSERT_EQ(holders.Count(), 1u);
    EXPECT_EQ(holders.Get(0).clientId, 1);
    EXPECT_EQ(holders.Get(0).mode, 4116);
    EXPECT_EQ(std::string(holders.Get(0).userId.StrGet()), "ANNA");

    // Client 1's level commits: its locks are gone from LOCKS, and client 2 gets them.
    ASSERT_EQ(one_->ReleaseTxnLocks(&ctx1_, 1), 1);
    EXPECT_EQ(one_->GetLockTable().Count(), 0u);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS"), (Table{{"0"}}));
    EXPECT_EQ(two_->AcquireTxnLocks(&ctx2_, KXG_LOCK_MODE_TXN, mixed), 1);
    EXPECT_EQ(two_->AcquireServerLock(single, 1), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS WHERE CLIENTID = 2"), (Table{{"5"}}));
    ASSERT_EQ(two_->DeleteTxn(&ctx2_), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS WHERE CLIENTID = 2"), (Table{{"1"}}));   // the explicit server lock
}

TEST_F(OraLockService, FailedCallsAcquireNothingAndTheNextCallWorks)
{
    auto& engine = sqlengine::Engine::Instance();
    const struct {
        const char* call;
        const char* text;
    } failures[] = {
        {"OCIBindByName", ""},
        {"OCIBindByPos", ""},
        {"OCIStmtExecute", "ACQUIRE_LOCK"},
        {"OCIAttrGet", ""},   // the procedure ran and committed, its row count is not to be had
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.call);
        // A failure of the call is the server's failure, no refusal of a held lock.
        engine.InjectFailure(failure.call, 3113, failure.text);
        EXPECT_EQ(one_->AcquireServerLocks(4116, Refs(10, 5), &ctx1_), KXG_E_RDBMS);
        engine.ClearInjectedFailures();
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS"), (Table{{"0"}}));
    }
    ASSERT_EQ(one_->AcquireServerLocks(4116, Refs(10, 5), &ctx1_), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS"), (Table{{"5"}}));
    // An empty list is refused without a call.
    EXPECT_EQ(one_->AcquireServerLocks(4116, KxRefList(), &ctx1_), KXG_E_LOCK_REFUSED);
    // An invalid procedure locks nothing: the server's failure.
    ASSERT_TRUE(server_->MarkInvalid("S", "ACQUIRE_LOCK"));
    EXPECT_EQ(one_->AcquireServerLocks(4116, Refs(20, 5), &ctx1_), KXG_E_RDBMS);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM S.LOCKS"), (Table{{"5"}}));
}

}  // namespace
}  // namespace oratxn
