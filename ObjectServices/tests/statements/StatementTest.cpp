// Statements: handles taken lazily and given back, binds through memory locations, execute and fetch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KxGMemoryLocation.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "StatementTestSupport.h"

namespace {

using Calls = std::vector<std::string>;

class StatementTest : public ::testing::Test {
protected:
    StatementTest() : location_(&type_, &value_, true)
    {
        location_.JoinBuffer(buffer_);
        buffer_.Allocate(6);
    }

    TestTypeHdl type_;
    int32_t value_ = 0;
    KxGMemoryLocation location_;
    KxGSQLBuffer buffer_;
};

TEST_F(StatementTest, BindParameterPassesTheLocationAndTheFirstBindSetsTheRowCount)
{
    TestDatabase db(2);
    KxGStoreStatementTemplate t(KxString("INSERT INTO T (A) VALUES (:1)"));
    KxGStoreStatement statement(&db, &t, 1);
    EXPECT_EQ(statement.GetRowCount(), 0u);
    ASSERT_EQ(statement.BindParameter(&buffer_, &location_, 1), 1);
    // position, column size 4, reserved 0, bind size of the value size (4 + 100)
    EXPECT_EQ(db.Log().Calls(), (Calls{"1:BindParameter(1,4,0,104)"}));
    EXPECT_EQ(statement.GetRowCount(), 6u);
    ASSERT_EQ(statement.Execute(), 1);
    EXPECT_EQ(db.Log().Calls().back(), "1:Execute(6)");

    static_cast<FakeHdl*>(statement.GetStatementHdl())->affected = 4;
    uint32_t rows = 99;
    EXPECT_EQ(statement.GetNumAffectedRows(rows), 1);
    EXPECT_EQ(rows, 4u);

    static_cast<FakeHdl*>(statement.GetStatementHdl())->answer = 0;   // the adapter refuses
    EXPECT_EQ(statement.BindParameter(&buffer_, &location_, 2), 0);
    EXPECT_EQ(statement.Execute(), 0);
    static_cast<FakeHdl*>(statement.GetStatementHdl())->answer = 1;
    EXPECT_EQ(statement.UnbindParameters(), 1);
    EXPECT_EQ(statement.GetRowCount(), 0u);
}

TEST_F(StatementTest, FailedFirstBindLeavesTheRowCount)
{
    TestDatabase db(2);
    KxGStoreStatementTemplate t(KxString("X"));
    KxGStoreStatement statement(&db, &t, 1);
    ASSERT_NE(statement.GetStatementHdl(), nullptr);
    static_cast<FakeHdl*>(statement.GetStatementHdl())->answer = 0;
    EXPECT_EQ(statement.BindParameter(&buffer_, &location_, 1), 0);
    EXPECT_EQ(statement.GetRowCount(), 0u);
}

TEST_F(StatementTest, WithoutHandleEveryOperationFails)
{
    TestDatabase db(2);
    db.failPrepare = true;
    KxGSelectStatementTemplate t(KxString("SELECT A FROM T"));
    KxGSelectStatement statement(&db, &t, 1);
    uint32_t rows = 7;
    uint16_t more = 3;
    EXPECT_EQ(statement.GetStatementHdl(), nullptr);
    EXPECT_EQ(statement.BindParameter(&buffer_, &location_, 1), 0);
    EXPECT_EQ(statement.BindResult(&buffer_, &location_, 1), 0);
    EXPECT_EQ(statement.Execute(), 0);
    EXPECT_EQ(statement.UnbindParameters(), 0);
    EXPECT_EQ(statement.Fetch(rows), 0);
    EXPECT_EQ(statement.MoreResults(more), 0);
    EXPECT_EQ(more, 0);
    EXPECT_EQ(statement.CloseCursor(), 0);
    EXPECT_EQ(statement.Free(), 1);

    KxGStoreStatement store(&db, &t, 1);
    EXPECT_EQ(store.GetNumAffectedRows(rows), 0);
    EXPECT_EQ(rows, 0u);
}

TEST_F(StatementTest, FreeGivesTheHandleBackAndAFreedStatementRunsAgain)
{
    TestDatabase db(2);
    KxGStoreStatementTemplate t(KxString("DELETE FROM T"));
    KxGStoreStatement statement(&db, &t, 1);
    ASSERT_EQ(statement.BindParameter(&buffer_, &location_, 1), 1);
    KxGStatementHdl* handle = statement.GetStatementHdl();
    statement.Free();
    EXPECT_EQ(db.Log().Calls().back(), "1:UnbindParams");
    EXPECT_EQ(statement.GetRowCount(), 0u);
    EXPECT_EQ(db.Cache().GetCachedCount(), 1);

    EXPECT_EQ(statement.Execute(), 1);   // takes the cached handle again
    EXPECT_EQ(statement.GetStatementHdl(), handle);
    EXPECT_EQ(db.Log().prepared, 1);
}

TEST_F(StatementTest, HandleLentWhileTheTextChangesIsNotCachedForTheNewText)
{
    TestDatabase db(2);
    KxGStoreStatementTemplate t(KxString("DELETE FROM T WHERE A = :1"));
    KxGStoreStatement statement(&db, &t, 1);
    ASSERT_EQ(statement.Execute(), 1);
    ASSERT_EQ(t.BindParameter(KxString("5"), 1, db.Dialect()), 1);   // while the handle is lent
    statement.Free();
    EXPECT_EQ(db.Log().destroyed, 1);
    EXPECT_EQ(db.Cache().GetCachedCount(), 0);
    EXPECT_EQ(db.Cache().GetLiveCount(), 0);

    ASSERT_EQ(statement.Execute(), 1);
    EXPECT_EQ(Str(static_cast<FakeHdl*>(statement.GetStatementHdl())->Text()), "DELETE FROM T WHERE A = 5");
    statement.Free();
    EXPECT_EQ(db.Cache().GetCachedCount(), 1);   // unchanged text: cached as usual
}

TEST_F(StatementTest, WithoutCacheTheHandleIsDestroyed)
{
    TestDatabase db(2);
    KxGStoreStatementTemplate t(KxString("DELETE FROM T"));
    {
        KxGStoreStatement statement(&db, &t, 0);
        EXPECT_EQ(statement.GetStatementHdlCache(), nullptr);
        EXPECT_EQ(statement.Execute(), 1);
    }
    EXPECT_EQ(db.Log().destroyed, 1);
    EXPECT_EQ(db.Cache().GetLiveCount(), 0);

    db.DropCache();   // a connection without a cache
    KxGStoreStatement statement(&db, &t, 1);
    EXPECT_EQ(statement.Execute(), 1);
    statement.Free();
    EXPECT_EQ(db.Log().destroyed, 2);
}

TEST_F(StatementTest, SelectBindsResultsFetchesAndClosesWhenFreed)
{
    TestDatabase db(2);
    KxGSelectStatementTemplate t(KxString("SELECT A FROM T"));
    KxGSelectStatement statement(&db, &t, 1);
    ASSERT_EQ(statement.BindResult(&buffer_, &location_, 1), 1);
    EXPECT_EQ(statement.GetRowsPerFetch(), 6u);
    EXPECT_EQ(statement.GetStatementHdl()->GetSelectFlag(), 1);
    ASSERT_EQ(statement.Execute(), 1);

    auto* handle = static_cast<FakeHdl*>(statement.GetStatementHdl());
    handle->fetched = 2;
    handle->more = 1;
    uint32_t rows = 0;
    EXPECT_EQ(statement.Fetch(rows), 1);
    EXPECT_EQ(rows, 2u);
    uint16_t more = 0;
    EXPECT_EQ(statement.MoreResults(more), 1);
    EXPECT_EQ(more, 1);

    statement.Free();
    EXPECT_EQ(db.Log().Calls(), (Calls{"1:BindResult(1,4)", "1:Execute(0)", "1:Fetch(6)", "1:MoreResults",
                                       "1:CloseCursor", "1:UnbindResults", "1:UnbindParams"}));
    EXPECT_EQ(statement.GetRowsPerFetch(), 0u);
}

TEST_F(StatementTest, OwnedTemplateIsDeletedAndStatementListsClearAll)
{
    TestDatabase db(2);
    auto* t = new KxGSelectStatementTemplate(KxString("SELECT A FROM T WHERE OID IN (1,2)"));
    {
        KxGSelectStatement statement(&db, t, 0);
        statement.SetOwnsTemplate(1);
        EXPECT_EQ(statement.Execute(), 1);
    }   // ASan: the owned template is deleted, its handle destroyed
    EXPECT_EQ(db.Log().Alive(), 0);

    KxGStatementList list;
    KxGStoreStatementTemplate store(KxString("DELETE FROM T"));
    list.Append(store.CreateStatement(&db));
    list.Append(store.CreateStatement(&db));
    static_cast<KxGStatement*>(list.Get(0))->Execute();
    list.ClearAll();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(db.Cache().GetCachedCount(), 1);
}

}  // namespace
