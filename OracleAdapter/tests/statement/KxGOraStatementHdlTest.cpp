// The Oracle statement handle on the OCI stand-in: a temporary server directory, one Oracle database
// object connected to it, and the statement handles that the database makes.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "KxGOraDatabase.h"
#include "KxGOraStatementHdl.h"
#include "KxGOraTypeHdl.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

using oratest::RecordingListener;
using Handle = std::unique_ptr<KxGOraStatementHdl, oratest::DestroyHandle>;

constexpr int32_t kRows = 32767;

// A server "STM_..." with the user S, the database object opened on it with a trace, and the table T.
// Locked tables fail at once.
class StatementTest : public oratest::DatabaseTest {
protected:
    StatementTest()
        : DatabaseTest({.prefix = "STM_", .users = {{"S", "s"}}, .noBusyWait = true, .traced = true})
    {
    }

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Run("CREATE TABLE T (OID NUMBER(38), CID NUMBER(38), N NUMBER(38), M_NAME2V0 VARCHAR2(20), "
            "S VARCHAR2(20))");
        intHdl_ = db_->GetTypeHdl(2, 0, 0);
        stringHdl_ = db_->GetTypeHdl(11, 0, 0);
        ASSERT_NE(intHdl_, nullptr);
        ASSERT_NE(stringHdl_, nullptr);
    }

    void TearDown() override
    {
        listener_.Unregister();
        DatabaseTest::TearDown();
    }

    // A handle prepared by the database, as the gateway gets it.
    Handle Make(const std::string& sql, bool query = false)
    {
        templates_.push_back(std::make_unique<KxGStatementTemplate>(KxString(sql.c_str())));
        auto* handle = static_cast<KxGOraStatementHdl*>(db_->CreateStatementHdl(templates_.back().get()));
        EXPECT_NE(handle, nullptr) << sql << ": " << db_->GetError()->Text();
        if (handle != nullptr && query) {
            handle->SetSelectFlag(1);
        }
        return Handle(handle);
    }

    // Runs a text through ExecDirect on a fresh handle.
    void Run(const std::string& sql)
    {
        Handle handle = Make("SELECT N FROM T");
        ASSERT_TRUE(handle);
        KxGStatementTemplate text{KxString(sql.c_str())};
        ASSERT_EQ(handle->ExecDirect(&text), 1) << sql << ": " << db_->GetError()->Text();
    }

    // Rows of T, read through a statement handle.
    int32_t Count()
    {
        Handle handle = Make("SELECT COUNT(*) FROM T", true);
        int32_t count = -1;
        int16_t indicator = 0;
        EXPECT_EQ(handle->BindResult(1, intHdl_, 4, &count, &indicator), 1);
        EXPECT_EQ(handle->Execute(1), 1);
        uint32_t rows = 1;
        EXPECT_EQ(handle->Fetch(rows), 1);
        EXPECT_EQ(rows, 1u);
        return count;
    }

    // Inserts the values 1 .. n into T.N with one execution of `rows`.
    uint16_t Insert(int32_t n, uint32_t rows, uint32_t* affected = nullptr)
    {
        Handle handle = Make("INSERT INTO T (N) VALUES (:1)");
        std::vector<int32_t> values(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) {
            values[static_cast<size_t>(i)] = i + 1;
        }
        std::vector<int16_t> indicators(static_cast<size_t>(n), 0);
        EXPECT_EQ(handle->BindParameter(1, intHdl_, 4, 0, 4, values.data(), indicators.data()), 1);
        const uint16_t result = handle->Execute(rows);
        if (affected != nullptr) {
            EXPECT_EQ(handle->RowCount(*affected), 1);
        }
        return result;
    }

    static size_t Occurrences(const std::string& text, const std::string& what)
    {
        size_t count = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++count;
        }
        return count;
    }

    static bool InjectionPending(const char* call)
    {
        sqlengine::Error err;
        return sqlengine::Engine::Instance().TakeInjectedFailure(call, "", err);
    }

    std::vector<std::unique_ptr<KxGStatementTemplate>> templates_;
    KxGTypeHdl* intHdl_ = nullptr;
    KxGTypeHdl* stringHdl_ = nullptr;
    RecordingListener listener_;
};

// ---- executing ----------------------------------------------------------------------------------

TEST_F(StatementTest, ParameterRowsGiveIterations)
{
    struct Case {
        uint32_t rows;
        uint32_t inserted;
    };
    const Case cases[] = {{0, 1}, {1, 1}, {3, 3}};
    int32_t total = 0;
    for (const Case& c : cases) {
        uint32_t affected = 0;
        EXPECT_EQ(Insert(3, c.rows, &affected), 1) << c.rows;
        EXPECT_EQ(affected, c.inserted) << c.rows;
        total += static_cast<int32_t>(c.inserted);
    }
    EXPECT_EQ(Count(), total);
}

TEST_F(StatementTest, LargestParameterArrayRuns)
{
    uint32_t affected = 0;
    ASSERT_EQ(Insert(kRows, kRows, &affected), 1) << db_->GetError()->Text();
    EXPECT_EQ(affected, static_cast<uint32_t>(kRows));
    EXPECT_EQ(Count(), kRows);
}

TEST_F(StatementTest, TooManyParameterRowsFailWithoutCallingOci)
{
    Handle handle = Make("INSERT INTO T (N) VALUES (1)");
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 942);
    listener_.Register();

    EXPECT_EQ(handle->Execute(kRows + 1), 0);

    EXPECT_TRUE(InjectionPending("OCIStmtExecute"));
    KxGDatabaseError* error = db_->GetError();
    EXPECT_EQ(error->NativeCode(), KXG_E_PARAMETER_ARRAY_TOO_LARGE);
    EXPECT_EQ(error->ErrorCode(), -6096);
    EXPECT_STREQ(error->Text(), "Max. parameter array size exceeded");
    EXPECT_TRUE(listener_.heard.empty());
    EXPECT_NE(TraceText().find("\n</Error error=-6096>"), std::string::npos);
    EXPECT_EQ(Count(), 0);
}

TEST_F(StatementTest, QueryExecutesWithoutFetchingAndFetchesInBatches)
{
    Insert(3, 3);
    Handle handle = Make("SELECT N FROM T ORDER BY N", true);
    int32_t values[10] = {};
    int16_t indicators[10] = {};
    ASSERT_EQ(handle->BindResult(1, intHdl_, 4, values, indicators), 1);

    ASSERT_EQ(handle->Execute(50), 1) << db_->GetError()->Text();
    uint32_t processed = 99;
    EXPECT_EQ(handle->RowCount(processed), 1);
    EXPECT_EQ(processed, 0u);
    EXPECT_EQ(values[0], 0);

    uint32_t rows = 10;
    ASSERT_EQ(handle->Fetch(rows), 1) << db_->GetError()->Text();
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[2], 3);
    rows = 10;
    EXPECT_EQ(handle->Fetch(rows), 1);
    EXPECT_EQ(rows, 0u);
    EXPECT_EQ(db_->GetError()->HasError(), 0);

    const std::string trace = TraceText();
    EXPECT_NE(trace.find(" parameter array size 50"), std::string::npos);
    EXPECT_NE(trace.find(" Multiple Rows 10"), std::string::npos);
    EXPECT_NE(trace.find("\nFetched Rows = 3"), std::string::npos);
    EXPECT_NE(trace.find("\nFetched Rows = 0"), std::string::npos);
}

TEST_F(StatementTest, QueryWithoutSelectFlagFetchesOnExecute)
{
    // The contrast to the query above: a handle not marked as a query runs its rows as iterations.
    Insert(3, 3);
    Handle handle = Make("SELECT N FROM T ORDER BY N");
    int32_t values[10] = {};
    int16_t indicators[10] = {};
    ASSERT_EQ(handle->BindResult(1, intHdl_, 4, values, indicators), 1);
    ASSERT_EQ(handle->Execute(50), 1);
    uint32_t processed = 0;
    EXPECT_EQ(handle->RowCount(processed), 1);
    EXPECT_EQ(processed, 3u);
}

TEST_F(StatementTest, AutoCommitCommitsEveryExecution)
{
    struct Case {
        const char* path;
        uint16_t autoCommit;
        int32_t kept;
    };
    const Case cases[] = {{"Execute", 1, 1}, {"ExecDirect", 1, 1}, {"ExecuteNonSelect", 1, 1},
                          {"Execute", 0, 0}, {"ExecDirect", 0, 0}, {"ExecuteNonSelect", 0, 0}};
    for (const Case& c : cases) {
        db_->SetAutoCommit(c.autoCommit);
        const std::string path = c.path;
        if (path == "Execute") {
            EXPECT_EQ(Insert(1, 1), 1);
        } else if (path == "ExecDirect") {
            Handle handle = Make("SELECT N FROM T");
            KxGStatementTemplate text{KxString("INSERT INTO T (N) VALUES (1)")};
            EXPECT_EQ(handle->ExecDirect(&text), 1);
        } else {
            Handle handle = Make("INSERT INTO T (N) VALUES (1)");
            EXPECT_EQ(handle->ExecuteNonSelect(KxString()), 1);
        }
        db_->SetAutoCommit(0);
        ASSERT_EQ(db_->RollbackConnection(), 1);
        EXPECT_EQ(Count(), c.kept) << c.path << " auto-commit " << c.autoCommit;
        Run("DELETE FROM T");
        ASSERT_EQ(db_->CommitConnection(), 1);
    }
}

TEST_F(StatementTest, ExecuteNonSelectRunsOnlyWhatIsNoQuery)
{
    Handle query = Make("SELECT N FROM T");
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 942);
    EXPECT_EQ(query->ExecuteNonSelect(KxString()), 0);
    EXPECT_TRUE(InjectionPending("OCIStmtExecute"));

    Handle insert = Make("INSERT INTO T (N) VALUES (7)");
    EXPECT_EQ(insert->ExecuteNonSelect(KxString()), 1);
    EXPECT_EQ(Count(), 1);

    Handle broken = Make("INSERT INTO MISSING (N) VALUES (7)");
    EXPECT_LT(broken->ExecuteNonSelect(KxString()), 0);
    EXPECT_EQ(db_->GetError()->NativeCode(), 942);
}

TEST_F(StatementTest, ExecDirectPreparesTheNewText)
{
    Handle handle = Make("SELECT N FROM T");
    KxGStatementTemplate insert{KxString("INSERT INTO T (N) VALUES (5)")};
    ASSERT_EQ(handle->ExecDirect(&insert), 1);
    EXPECT_STREQ(handle->GetStatementText().StrGet(), "INSERT INTO T (N) VALUES (5)");
    EXPECT_EQ(handle->IsPrepared(), 1);
    EXPECT_NE(TraceText().find(" Prepare:\nINSERT INTO T (N) VALUES (5)"), std::string::npos);

    // "No data" counts as success.
    KxGStatementTemplate update{KxString("UPDATE T SET N = 6 WHERE N = 99")};
    EXPECT_EQ(handle->ExecDirect(&update), 1);

    sqlengine::Engine::Instance().InjectFailure("OCIStmtPrepare", 900);
    EXPECT_EQ(handle->ExecDirect(&insert), 0);
    EXPECT_EQ(handle->IsPrepared(), 0);
    EXPECT_EQ(db_->GetError()->NativeCode(), 900);

    KxGStatementTemplate broken{KxString("INSERT INTO MISSING (N) VALUES (5)")};
    EXPECT_EQ(handle->ExecDirect(&broken), 0);
    EXPECT_EQ(db_->GetError()->NativeCode(), 942);
    EXPECT_EQ(Count(), 1);
}

TEST_F(StatementTest, FailuresAreReportedWithTheStatementText)
{
    listener_.Register();
    Handle handle = Make("INSERT INTO MISSING (N) VALUES (1)");
    EXPECT_EQ(handle->Execute(1), 0);
    EXPECT_EQ(db_->GetError()->NativeCode(), 942);
    EXPECT_EQ(db_->GetError()->ErrorCode(), -6001);
    ASSERT_EQ(listener_.heard.size(), 1u);
    EXPECT_EQ(listener_.heard[0].code, 942);
    EXPECT_EQ(listener_.heard[0].context, "INSERT INTO MISSING (N) VALUES (1)");
    EXPECT_NE(TraceText().find("ErrorCode : 942"), std::string::npos);

    // A fetch from a statement that was never executed.
    Handle query = Make("SELECT N FROM T", true);
    uint32_t rows = 5;
    EXPECT_EQ(query->Fetch(rows), 0);
    EXPECT_EQ(db_->GetError()->HasError(), 1);
}

TEST_F(StatementTest, BindingWithoutAnOracleTypeHandleFails)
{
    Handle handle = Make("INSERT INTO T (N) VALUES (:1)");
    int32_t value = 1;
    int16_t indicator = 0;
    EXPECT_EQ(handle->BindParameter(1, nullptr, 4, 0, 4, &value, &indicator), 0);
    EXPECT_EQ(db_->GetError()->NativeCode(), -6062);
    EXPECT_EQ(handle->BindResult(1, nullptr, 4, &value, &indicator), 0);
    EXPECT_EQ(db_->GetError()->NativeCode(), -6062);
}

TEST_F(StatementTest, BindByNameBindsScalarsAndTables)
{
    Handle handle = Make("INSERT INTO T (N) VALUES (:N)");
    int32_t values[2] = {4, 5};
    int16_t indicators[2] = {0, 0};
    ASSERT_EQ(handle->BindParameterByName(KxString(":N"), intHdl_, 0, nullptr, 4, values, indicators), 1);
    ASSERT_EQ(handle->Execute(1), 1) << db_->GetError()->Text();
    EXPECT_EQ(Count(), 1);

    // With a count the parameter is a PL/SQL table, which a plain SQL statement refuses.
    uint32_t count = 2;
    ASSERT_EQ(handle->BindParameterByName(KxString(":N"), intHdl_, 0, &count, 4, values, indicators), 1);
    EXPECT_EQ(handle->Execute(1), 0);
    EXPECT_EQ(db_->GetError()->NativeCode(), 1036);
}

TEST_F(StatementTest, TrivialOperationsSucceed)
{
    Handle handle = Make("SELECT N FROM T", true);
    uint16_t more = 7;
    EXPECT_EQ(handle->MoreResults(more), 1);
    EXPECT_EQ(more, 0);
    EXPECT_EQ(handle->CloseCursor(), 1);
    EXPECT_EQ(handle->UnbindParams(), 1);
    EXPECT_EQ(handle->UnbindResults(), 1);
    const std::string trace = TraceText();
    EXPECT_NE(trace.find("<CloseCursor "), std::string::npos);
    EXPECT_NE(trace.find(" Prepare Statement:\nSELECT N FROM T"), std::string::npos);
}

TEST_F(StatementTest, DestroyDisposesAndTraces)
{
    Handle handle = Make("SELECT N FROM T");
    KxGOraStatementHdl* raw = handle.release();
    raw->Destroy(nullptr);
    const std::string trace = TraceText();
    EXPECT_EQ(Occurrences(trace, "<NewStatementHandle "), Occurrences(trace, "<DeleteStatementHandle "));
}

TEST_F(StatementTest, CachedHandlesGoWithTheDatabase)
{
    KxGStatementTemplate text{KxString("SELECT N FROM T")};
    KxGStatementHdlCache* cache = db_->GetStatementHdlCache();
    KxGStatementHdl* handle = cache->AllocStatementHdl(&text);
    ASSERT_NE(handle, nullptr);
    cache->FreeStatementHdl(handle, &text);
    // The database destroys the handle it still caches; the handle's trace goes to the same writer.
    db_.reset();
    const std::string trace = TraceText();
    EXPECT_EQ(Occurrences(trace, "\n<NewStatementHandle "), Occurrences(trace, "\n<DeleteStatementHandle "));
}

// ---- truncation ---------------------------------------------------------------------------------

TEST_F(StatementTest, TruncatedValuesAreForgiven)
{
    Run("INSERT INTO T (N, S) VALUES (1, 'abcdefghij')");
    Run("INSERT INTO T (N, S) VALUES (2, 'ab')");
    Run("INSERT INTO T (N, S) VALUES (3, 'abcdefghij')");
    listener_.throws = true;
    listener_.Register();

    Handle handle = Make("SELECT S FROM T ORDER BY N", true);
    char texts[10][4] = {};
    int16_t indicators[10] = {};
    ASSERT_EQ(handle->BindResult(1, stringHdl_, 4, texts, indicators), 1);
    ASSERT_EQ(handle->Execute(1), 1);
    uint32_t rows = 10;
    ASSERT_EQ(handle->Fetch(rows), 1);
    EXPECT_EQ(rows, 3u);
    EXPECT_STREQ(texts[0], "abc");
    EXPECT_STREQ(texts[1], "ab");
    EXPECT_EQ(db_->GetError()->HasError(), 0);
    EXPECT_TRUE(listener_.heard.empty());
    rows = 10;
    EXPECT_EQ(handle->Fetch(rows), 1);
    EXPECT_EQ(rows, 0u);
    EXPECT_NE(TraceText().find("ErrorCode : 1406"), std::string::npos);
}

// ---- select lists -------------------------------------------------------------------------------

TEST_F(StatementTest, ValidateSelectListAcceptsObjectIdLists)
{
    struct Case {
        const char* select;
        int32_t result;
    };
    const Case cases[] = {
        {"SELECT OID, CID FROM T", 1},
        {"SELECT CID FROM T", 1},
        {"SELECT oid, cid FROM T", 1},
        {"SELECT N AS OID, N AS CID FROM T", 1},
        {"SELECT OID FROM T", 1},
        {"SELECT OID, N FROM T", KXG_E_INVALID_SQL_STATEMENT},
        {"SELECT OID, OID FROM T", KXG_E_INVALID_SQL_STATEMENT},
        {"SELECT OID, CID, N FROM T", KXG_E_INVALID_SQL_STATEMENT},
        {"SELECT N FROM T", KXG_E_INVALID_SQL_STATEMENT},
        {"SELECT OID, M_NAME2V0 FROM T", KXG_E_INVALID_SQL_STATEMENT},
        {"SELECT M_NAME2V0 FROM T", KXG_E_INVALID_SQL_STATEMENT},
    };
    for (const Case& c : cases) {
        db_->GetError()->Clear();
        Handle handle = Make(c.select, true);
        EXPECT_EQ(handle->ValidateSelectList(KxString()), c.result) << c.select;
        if (c.result == KXG_E_INVALID_SQL_STATEMENT) {
            EXPECT_EQ(db_->GetError()->NativeCode(), KXG_E_INVALID_SQL_STATEMENT) << c.select;
            EXPECT_EQ(db_->GetError()->ErrorCode(), KXG_E_INVALID_SQL_STATEMENT) << c.select;
        } else {
            EXPECT_EQ(db_->GetError()->HasError(), 0) << c.select;
        }
    }
}

TEST_F(StatementTest, ValidateSelectListReportsDescribeFailures)
{
    Handle handle = Make("SELECT OID, CID FROM MISSING", true);
    EXPECT_LT(handle->ValidateSelectList(KxString()), 0);
    EXPECT_EQ(db_->GetError()->NativeCode(), 942);
}

// ---- a throwing receiver ------------------------------------------------------------------------

TEST_F(StatementTest, ThrowingReceiverLeavesEveryPathClean)
{
    Insert(3, 3);
    listener_.throws = true;
    listener_.Register();
    auto& engine = sqlengine::Engine::Instance();

    // Construction: the prepared OCI statement is freed on the way out (the leak checker watches).
    engine.InjectFailure("OCIStmtPrepare", 900);
    KxGStatementTemplate text{KxString("SELECT N FROM T")};
    EXPECT_THROW(db_->CreateStatementHdl(&text), std::runtime_error);

    Handle handle = Make("SELECT N FROM T ORDER BY N", true);
    int32_t values[10] = {};
    int16_t indicators[10] = {};
    ASSERT_EQ(handle->BindResult(1, intHdl_, 4, values, indicators), 1);

    engine.InjectFailure("OCIStmtExecute", 942);
    EXPECT_THROW(handle->Execute(1), std::runtime_error);
    ASSERT_EQ(handle->Execute(1), 1);

    engine.InjectFailure("OCIStmtFetch", 1013);
    uint32_t rows = 2;
    EXPECT_THROW(handle->Fetch(rows), std::runtime_error);
    engine.InjectFailure("OCIAttrGet", 1013);
    rows = 2;
    EXPECT_THROW(handle->Fetch(rows), std::runtime_error);
    rows = 10;
    ASSERT_EQ(handle->Fetch(rows), 1);
    EXPECT_EQ(rows, 3u);

    Handle wrong = Make("SELECT OID, N FROM T", true);
    EXPECT_THROW(wrong->ValidateSelectList(KxString()), std::runtime_error);
    engine.InjectFailure("OCIParamGet", 1013);
    EXPECT_THROW(wrong->ValidateSelectList(KxString()), std::runtime_error);
    Handle right = Make("SELECT OID, CID FROM T", true);
    EXPECT_EQ(right->ValidateSelectList(KxString()), 1);

    engine.InjectFailure("OCIAttrGet", 1013);
    EXPECT_THROW(wrong->ExecuteNonSelect(KxString()), std::runtime_error);

    KxGStatementTemplate broken{KxString("INSERT INTO MISSING (N) VALUES (1)")};
    EXPECT_THROW(handle->ExecDirect(&broken), std::runtime_error);
    KxGStatementTemplate insert{KxString("INSERT INTO T (N) VALUES (4)")};
    EXPECT_EQ(handle->ExecDirect(&insert), 1);

    wrong.reset();
    right.reset();
    handle.reset();
    EXPECT_EQ(Count(), 4);
    EXPECT_GE(listener_.heard.size(), 8u);

    // Every tag that was opened has been closed.
    const std::string trace = TraceText();
    for (const char* tag : {"NewStatementHandle", "DeleteStatementHandle", "Execute", "Fetch", "ExecDirect"}) {
        EXPECT_EQ(Occurrences(trace, std::string("\n<") + tag + " "), Occurrences(trace, std::string("\n</") + tag))
            << tag;
    }
}

}  // namespace
