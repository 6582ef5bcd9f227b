// The DB2 statement handle and compound statement on the call-level interface stand-in: array binds
// and fetches, truncation, failures, and savepoints of nested compound statements.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "DB2TestFixture.h"
#include "KxGDB2CompoundStatement.h"
#include "KxGDB2StatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"

namespace {

struct HandleDelete {
    void operator()(KxGStatementHdl* handle) const
    {
        if (handle != nullptr) {
            handle->Destroy(nullptr);
        }
    }
};
using HandlePtr = std::unique_ptr<KxGStatementHdl, HandleDelete>;

class DB2StatementTest : public db2test::DB2Fixture {
protected:
    void SetUp() override
    {
        DB2Fixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Exec(*db_, "CREATE TABLE GWDB.T (ID INTEGER not null, NAME VARCHAR(20), PRIMARY KEY ( ID ) )");
    }

    HandlePtr Prepare(const char* text)
    {
        KxGStatementTemplate statement{KxString(text)};
        return HandlePtr(db_->CreateStatementHdl(&statement));
    }

    // Inserts the ids in one array execution (rows 0: the size in force).
    uint16_t InsertIds(KxGStatementHdl& insert, std::vector<int32_t>& ids, uint32_t rows)
    {
        EXPECT_NE(insert.BindParameter(1, db_->GetTypeHdl(2, 0, 0), 4, 0, 4, ids.data(), indicators_), 0);
        return insert.Execute(rows);
    }

    int32_t Rows() { return Count(*db_, "SELECT COUNT(*) FROM GWDB.T"); }

    SQLLEN indicators_[8] = {};
};

TEST_F(DB2StatementTest, ArrayInsertAndArrayFetch)
{
    HandlePtr insert = Prepare("\nINSERT INTO GWDB.T (ID) VALUES (?)");
    ASSERT_TRUE(insert) << db_->GetError()->Text();
    std::vector<int32_t> ids = {1, 2, 3};
    ASSERT_NE(InsertIds(*insert, ids, 3), 0) << db_->GetError()->Text();
    // Rows 0 keeps the parameter-set size of the earlier execution: three rows again.
    ids = {4, 5, 6};
    ASSERT_NE(InsertIds(*insert, ids, 0), 0) << db_->GetError()->Text();
    EXPECT_EQ(Rows(), 6);

    HandlePtr select = Prepare("SELECT ID FROM GWDB.T ORDER BY ID");
    ASSERT_TRUE(select);
    int32_t values[4] = {};
    SQLLEN indicators[4] = {};
    ASSERT_NE(select->BindResult(1, db_->GetTypeHdl(2, 0, 0), 4, values, indicators), 0);
    ASSERT_NE(select->Execute(0), 0) << db_->GetError()->Text();
    const uint32_t expected[] = {4, 2, 0};
    for (uint32_t want : expected) {
        uint32_t rows = 4;
        ASSERT_NE(select->Fetch(rows), 0) << db_->GetError()->Text();
        EXPECT_EQ(rows, want);
    }
    EXPECT_NE(select->CloseCursor(), 0);
}

TEST_F(DB2StatementTest, TruncatedFetchKeepsItsRowsAndClearsTheError)
{
    Exec(*db_, "INSERT INTO GWDB.T (ID, NAME) VALUES (1, 'ABCDEFGHIJ')");
    HandlePtr select = Prepare("SELECT NAME FROM GWDB.T");
    ASSERT_TRUE(select);
    char buffer[5] = {};
    SQLLEN indicator = 0;
    ASSERT_NE(select->BindResult(1, db_->GetTypeHdl(0, 0, 0), sizeof(buffer), buffer, &indicator), 0);
    ASSERT_NE(select->Execute(0), 0);
    uint32_t rows = 1;
    ASSERT_NE(select->Fetch(rows), 0);
    EXPECT_EQ(rows, 1u);
    EXPECT_EQ(db_->GetError()->HasError(), 0);
    EXPECT_STREQ(buffer, "ABCD");
}

TEST_F(DB2StatementTest, Failures)
{
    // A text the server refuses gives no handle.
    EXPECT_FALSE(Prepare("SELECT FROM"));
    EXPECT_TRUE(db_->GetError()->HasError());

    // A duplicate key fails the execution with the mapped code.
    HandlePtr insert = Prepare("INSERT INTO GWDB.T (ID) VALUES (?)");
    ASSERT_TRUE(insert);
    std::vector<int32_t> ids = {1};
    ASSERT_NE(InsertIds(*insert, ids, 1), 0);
    EXPECT_EQ(InsertIds(*insert, ids, 1), 0);
    EXPECT_EQ(db_->GetError()->ErrorCode(), KXG_E_DUPLICATE_KEY);

    // An injected fetch failure: no rows, false.
    HandlePtr select = Prepare("SELECT ID FROM GWDB.T");
    int32_t value = 0;
    SQLLEN indicator = 0;
    ASSERT_NE(select->BindResult(1, db_->GetTypeHdl(2, 0, 0), 4, &value, &indicator), 0);
    ASSERT_NE(select->Execute(0), 0);
    sqlengine::Engine::Instance().InjectFailure("SQLFetch", 911);
    uint32_t rows = 1;
    EXPECT_EQ(select->Fetch(rows), 0);
    EXPECT_EQ(rows, 0u);
    EXPECT_EQ(db_->GetError()->IsDeadlock(), 1);
}

TEST_F(DB2StatementTest, ExecuteNonSelectAndValidateLeaveTheStatement)
{
    HandlePtr insert = Prepare("INSERT INTO GWDB.T (ID) VALUES (7)");
    ASSERT_TRUE(insert);
    EXPECT_EQ(insert->ExecuteNonSelect(KxString("x")), 0);
    EXPECT_EQ(insert->ValidateSelectList(KxString("x")), 0);
    EXPECT_EQ(Rows(), 0);
}

// Compound statements on a transaction context: the outermost level is the transaction, a deeper
// level a savepoint.
class DB2CompoundTest : public DB2StatementTest {
protected:
    void SetUp() override
    {
        DB2StatementTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        context_ = std::make_unique<KxGTransactionContext>(nullptr, nullptr, nullptr, db_.get());
    }

    void TearDown() override
    {
        context_.reset();
        for (KxGResourceMgr* manager : made_) {
            db_->DeleteResourceMgr(manager);
        }
        made_.clear();
        DB2StatementTest::TearDown();
    }

    KxGResourceMgr* Begin(int32_t kind)
    {
        if (kind == KXG_RESOURCE_TRANSACTION) {
            context_->RaiseLevel();
        }
        KxGResourceMgr* manager = db_->CreateResourceMgr(kind, context_.get());
        EXPECT_NE(manager, nullptr);
        if (manager != nullptr) {
            made_.push_back(manager);
            EXPECT_EQ(context_->Push(manager), 0);
        }
        return manager;
    }

    KxGDB2CompoundStatement* BeginCompound()
    {
        return dynamic_cast<KxGDB2CompoundStatement*>(Begin(KXG_RESOURCE_COMPOUND_STATEMENT));
    }

    void Insert(int id) { ASSERT_NE(db_->ExecuteDirect(("INSERT INTO GWDB.T (ID) VALUES (" + std::to_string(id) + ")").c_str()), 0); }

    std::unique_ptr<KxGTransactionContext> context_;
    std::vector<KxGResourceMgr*> made_;
};

TEST_F(DB2CompoundTest, ResourceManagersByLevel)
{
    EXPECT_NE(dynamic_cast<KxGTransaction*>(Begin(KXG_RESOURCE_TRANSACTION)), nullptr);
    EXPECT_EQ(dynamic_cast<KxGMRTransaction*>(made_.back()), nullptr);
    EXPECT_NE(dynamic_cast<KxGMRTransaction*>(Begin(KXG_RESOURCE_TRANSACTION)), nullptr);
    EXPECT_EQ(db_->CreateResourceMgr(7, context_.get()), nullptr);
}

TEST_F(DB2CompoundTest, OutermostLevelCommitsOrRollsBackTheTransaction)
{
    Begin(KXG_RESOURCE_TRANSACTION);
    KxGDB2CompoundStatement* compound = BeginCompound();
    ASSERT_NE(compound, nullptr);
    ASSERT_NE(compound->BeginCompound(), 0);
    EXPECT_EQ(compound->GetSavepointHandle(), SQL_NULL_HSTMT);
    Insert(1);
    ASSERT_NE(compound->EndCompound(0), 0);
    EXPECT_EQ(Rows(), 0);
}

TEST_F(DB2CompoundTest, DeeperLevelRollsBackToItsSavepointOnly)
{
    Begin(KXG_RESOURCE_TRANSACTION);
    Insert(1);
    Begin(KXG_RESOURCE_TRANSACTION);
    KxGDB2CompoundStatement* rolledBack = BeginCompound();
    ASSERT_NE(rolledBack, nullptr);
    ASSERT_NE(rolledBack->BeginCompound(), 0) << db_->GetError()->Text();
    Insert(2);
    ASSERT_NE(rolledBack->EndCompound(0), 0) << db_->GetError()->Text();
    EXPECT_EQ(rolledBack->GetSavepointHandle(), SQL_NULL_HSTMT);
    EXPECT_EQ(Rows(), 1);

    // A released savepoint keeps the work; the name can be set again.
    context_->PopTo(rolledBack);
    KxGDB2CompoundStatement* released = BeginCompound();
    ASSERT_NE(released, nullptr);
    ASSERT_NE(released->BeginCompound(), 0) << db_->GetError()->Text();
    Insert(3);
    ASSERT_NE(released->EndCompound(1), 0) << db_->GetError()->Text();
    EXPECT_EQ(Rows(), 2);
}

TEST_F(DB2CompoundTest, DeeperEndWithoutSavepointFails)
{
    Begin(KXG_RESOURCE_TRANSACTION);
    Begin(KXG_RESOURCE_TRANSACTION);
    KxGDB2CompoundStatement* compound = BeginCompound();
    ASSERT_NE(compound, nullptr);
    db_->GetError()->Clear();
    EXPECT_EQ(compound->EndCompound(1), 0);
    EXPECT_EQ(db_->GetError()->HasError(), 0);
}

}  // namespace
