// The DB2 type handlers through the call-level interface stand-in: a column of the handler's type
// created, a value stored into a slot by the handler, bound with the handler's C and SQL types,
// inserted, fetched back into a slot bound the same way and read by the handler.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxGDB2TypeHdl.h"
#include "KxGDB2TypeHdlMgr.h"
#include "KxIString.h"
#include "KxInt64.h"
#include "KxObjId.h"
#include "db2cli.h"
#include "sqlengine.h"

namespace {

// The database GWDB on its own engine server, one connection of DB2ADMIN (autocommit on).
class DB2RoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/db2types_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        auto& engine = sqlengine::Engine::Instance();
        sqlengine::Error error;
        server_ = engine.RegisterServer("GWDB", dir_ + "/gwdb", &error);
        ASSERT_TRUE(server_) << error.message;
        ASSERT_TRUE(server_->AddUser("GWDB", "unused", false, &error)) << error.message;
        ASSERT_TRUE(server_->AddUser("DB2ADMIN", "pw", true, &error)) << error.message;
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_), SQL_SUCCESS);
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_), SQL_SUCCESS);
        ASSERT_EQ(SQLConnect(dbc_, (SQLCHAR*)"GWDB", SQL_NTS, (SQLCHAR*)"DB2ADMIN", SQL_NTS, (SQLCHAR*)"pw", SQL_NTS),
                  SQL_SUCCESS);
    }

    void TearDown() override
    {
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
        sqlengine::Engine::Instance().UnregisterServer("GWDB");
        server_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    static std::string Diagnostic(SQLHSTMT statement)
    {
        SQLCHAR state[6] = {0};
        SQLCHAR text[1025] = {0};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLGetDiagRec(SQL_HANDLE_STMT, statement, 1, state, &native, text, sizeof text, &length);
        return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(text);
    }

    void Exec(const std::string& sql)
    {
        SQLHSTMT statement = 0;
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement), SQL_SUCCESS);
        const SQLRETURN rc = SQLExecDirect(statement, (SQLCHAR*)sql.c_str(), SQL_NTS);
        EXPECT_TRUE(rc == SQL_SUCCESS || rc == SQL_NO_DATA) << sql << ": " << Diagnostic(statement);
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
    }

    // Stores variable through the handler into a new column of size n, then fetches the column
    // into fetched through the handler.
    void RoundTrip(uint8_t code, uint8_t kind, int32_t n, void* variable, void* fetched)
    {
        KxGDB2TypeHdl* handler = static_cast<KxGDB2TypeHdl*>(manager_.GetTypeHdl(code, kind, 0));
        ASSERT_NE(handler, nullptr);
        const std::string table = "GWDB.T" + std::to_string(++tables_);
        KxString type;
        ASSERT_NE(handler->SQLTypeName(n, type), 0);
        Exec("CREATE TABLE " + table + " (C " + type.StrGet() + ")");

        const int32_t bytes = handler->BufferSize(n);
        std::vector<uint8_t> slot(bytes + 8, 0);
        SQLLEN indicator = 0;
        ASSERT_NE(handler->VarToSQL(variable, slot.data(), &indicator, n, nullptr), nullptr);
        handler->PrepareIndicator(&indicator);
        SQLHSTMT insert = 0;
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &insert), SQL_SUCCESS);
        const std::string sql = "INSERT INTO " + table + " (C) VALUES (?)";
        ASSERT_EQ(SQLPrepare(insert, (SQLCHAR*)sql.c_str(), SQL_NTS), SQL_SUCCESS) << Diagnostic(insert);
        ASSERT_EQ(SQLBindParameter(insert, 1, SQL_PARAM_INPUT, handler->SQLType(), handler->NativeType(),
                                   handler->ColumnSize(n), 0, slot.data(), bytes, &indicator),
                  SQL_SUCCESS)
            << Diagnostic(insert);
        ASSERT_EQ(SQLExecute(insert), SQL_SUCCESS) << type.StrGet() << ": " << Diagnostic(insert);
        SQLFreeHandle(SQL_HANDLE_STMT, insert);

        std::vector<uint8_t> back(bytes + 8, 0xEE);
        SQLLEN backIndicator = 0;
        SQLHSTMT select = 0;
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &select), SQL_SUCCESS);
        const std::string query = "SELECT C FROM " + table;
        ASSERT_EQ(SQLExecDirect(select, (SQLCHAR*)query.c_str(), SQL_NTS), SQL_SUCCESS) << Diagnostic(select);
        ASSERT_EQ(SQLBindCol(select, 1, handler->ResultCType(), back.data(), bytes, &backIndicator), SQL_SUCCESS);
        const SQLRETURN rc = SQLFetch(select);
        ASSERT_TRUE(rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) << Diagnostic(select);
        SQLFreeHandle(SQL_HANDLE_STMT, select);
        handler->SQLToVar(back.data(), fetched, &backIndicator, n, nullptr);
    }

    std::string dir_;
    std::shared_ptr<sqlengine::Server> server_;
    SQLHENV env_ = 0;
    SQLHDBC dbc_ = 0;
    KxGDB2TypeHdlMgr manager_{nullptr};
    int tables_ = 0;
};

struct StringCase {
    uint8_t code;
    uint8_t kind;
    int32_t size;
    const char* stored;
    const char* fetched;
};

TEST_F(DB2RoundTrip, Strings)
{
    const StringCase cases[] = {
        {11, 0, 10, "hello", "hello"},
        {11, 0, 10, "it's  ", "it's"},
        {11, 0, 4, "truncated", "trun"},
        {11, 1, 10, "kept  ", "kept  "},
        {11, 2, 100, "a long text", "a long text"},
        {20, 0, 10, "MiXed", "MiXed"},
        {21, 1, 10, "CaSe", "CaSe"},
        {20, 2, 40, "long istring", "long istring"},
        {11, 0, 10, "", ""},  // the engine keeps an empty text as NULL: fetched as an empty string
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + "/" + std::to_string(c.kind) + " '" + c.stored + "'");
        KxString value(c.stored);
        KxString fetched("previous row");
        RoundTrip(c.code, c.kind, c.size, &value, &fetched);
        EXPECT_TRUE(fetched.IsActive());
        EXPECT_STREQ(fetched.StrGet(), c.fetched);
    }
}

TEST_F(DB2RoundTrip, NumbersAndIds)
{
    struct Case {
        uint8_t code;
        uint8_t kind;
        int64_t value;
    };
    const Case cases[] = {
        {1, 0, -12345}, {2, 0, 2147483647}, {2, 0, -2147483648LL}, {26, 0, std::numeric_limits<int64_t>::min()},
        {42, 0, 1LL << 40}, {26, 1, 5}, {26, 1, (1LL << 28) + 1}, {42, 1, -(1LL << 30)}, {43, 1, 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + "/" + std::to_string(c.kind) + ": " + std::to_string(c.value));
        int64_t value = c.value;
        int64_t fetched = 0;
        if (c.code == 1) {
            int16_t v = static_cast<int16_t>(c.value), f = 0;
            RoundTrip(c.code, c.kind, 2, &v, &f);
            EXPECT_EQ(f, v);
        } else if (c.code == 2) {
            int32_t v = static_cast<int32_t>(c.value), f = 0;
            RoundTrip(c.code, c.kind, 4, &v, &f);
            EXPECT_EQ(f, v);
        } else {
            RoundTrip(c.code, c.kind, 8, &value, &fetched);
            EXPECT_EQ(fetched, c.value);
        }
    }

    double d = -1.25e10, dback = 0;
    RoundTrip(3, 0, 8, &d, &dback);
    EXPECT_EQ(dback, d);
    uint64_t u = 0xFFFFFFFFFFFFFFFEull, uback = 0;
    RoundTrip(43, 0, 8, &u, &uback);
    EXPECT_EQ(uback, u);
    KxObjId id(0xFFFFFFF0u), idback(1, 1);
    RoundTrip(15, 0, 4, &id, &idback);
    EXPECT_EQ(idback, id);
    KxObjId none, noneback(5);
    RoundTrip(15, 0, 4, &none, &noneback);
    EXPECT_TRUE(noneback.IsNull());
    KxClassId cls(300, 1), clsback;
    RoundTrip(16, 0, 2, &cls, &clsback);
    EXPECT_EQ(clsback.GetClassNumber(), 300);
    KxBoolean yes(true), yesback;
    RoundTrip(27, 0, 2, &yes, &yesback);
    EXPECT_TRUE(yesback.IsTrue());
}

// Unsigned ints and longs live in INTEGER columns: a value the column cannot hold is refused with
// DB2's out-of-range state instead of being stored as a negative number, and a value that an earlier
// gateway stored as the negative two's complement of an unsigned value reads back as that value.
TEST_F(DB2RoundTrip, UnsignedValuesBeyondTheIntegerColumnAreRefusedAndOldNegativeRowsStayReadable)
{
    for (const uint8_t code : {uint8_t(6), uint8_t(8)}) {
        SCOPED_TRACE(std::to_string(code));
        uint32_t value = 2147483647u, back = 0;
        RoundTrip(code, 0, 4, &value, &back);
        EXPECT_EQ(back, value);

        KxGDB2TypeHdl* handler = static_cast<KxGDB2TypeHdl*>(manager_.GetTypeHdl(code, 0, 0));
        const std::string table = "GWDB.U" + std::to_string(code);
        Exec("CREATE TABLE " + table + " (N INTEGER)");
        uint8_t slot[4];
        SQLLEN indicator = 0;
        value = 4000000000u;
        ASSERT_NE(handler->VarToSQL(&value, slot, &indicator, 4, nullptr), nullptr);
        SQLHSTMT insert = 0;
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &insert), SQL_SUCCESS);
        const std::string sql = "INSERT INTO " + table + " (N) VALUES (?)";
        ASSERT_EQ(SQLPrepare(insert, (SQLCHAR*)sql.c_str(), SQL_NTS), SQL_SUCCESS) << Diagnostic(insert);
        ASSERT_EQ(SQLBindParameter(insert, 1, SQL_PARAM_INPUT, handler->SQLType(), handler->NativeType(), 4, 0, slot,
                                   4, &indicator),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLExecute(insert), SQL_ERROR);
        EXPECT_EQ(Diagnostic(insert).substr(0, 5), "22003");
        SQLFreeHandle(SQL_HANDLE_STMT, insert);

        Exec("INSERT INTO " + table + " (N) VALUES (-294967296)");   // 4000000000, as once stored
        SQLHSTMT select = 0;
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &select), SQL_SUCCESS);
        const std::string query = "SELECT N FROM " + table;
        ASSERT_EQ(SQLExecDirect(select, (SQLCHAR*)query.c_str(), SQL_NTS), SQL_SUCCESS) << Diagnostic(select);
        ASSERT_EQ(SQLBindCol(select, 1, handler->ResultCType(), slot, 4, &indicator), SQL_SUCCESS);
        ASSERT_EQ(SQLFetch(select), SQL_SUCCESS) << Diagnostic(select);
        EXPECT_EQ(SQLFetch(select), SQL_NO_DATA);   // the refused value was not stored
        SQLFreeHandle(SQL_HANDLE_STMT, select);
        ASSERT_NE(handler->SQLToVar(slot, &back, &indicator, 4, nullptr), nullptr);
        EXPECT_EQ(back, 4000000000u);
    }
}

TEST_F(DB2RoundTrip, DatesTimesAndBlobs)
{
    KxDate date, dateback;
    date.Set(1999, 12, 31);
    RoundTrip(12, 0, 6, &date, &dateback);
    EXPECT_EQ(dateback, date);
    KxDate invalid, invalidback;
    invalidback.Set(2000, 1, 1);
    RoundTrip(12, 0, 6, &invalid, &invalidback);
    EXPECT_TRUE(invalidback.IsEmpty());

    KxTime time, timeback;
    time.Set(23, 59, 58);
    RoundTrip(13, 0, 6, &time, &timeback);
    EXPECT_EQ(timeback, time);

    KxDateTime stamp(date, time), stampback;
    RoundTrip(19, 0, 16, &stamp, &stampback);
    EXPECT_EQ(stampback, stamp);

    KxBlob blob, blobback;
    const uint8_t bytes[] = {0, 1, 2, 0xFF, 0x80, 'a', 0, 'z', 7, 9};
    blob.SetTo(bytes, sizeof bytes);
    RoundTrip(18, 0, 64, &blob, &blobback);
    EXPECT_EQ(blobback, blob);
    KxBlob empty, emptyback;
    emptyback.SetTo("old", 3);
    RoundTrip(18, 0, 64, &empty, &emptyback);
    EXPECT_TRUE(emptyback.IsEmpty());
}

}  // namespace
