// The DB2 database object on the call-level interface stand-in: the process environment, log-on
// errors, the connection id, registration in ACTIVECLIENTS and the connection's transaction calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "DB2TestFixture.h"
#include "KxGDB2Database.h"
#include "KxGDB2Module.h"
#include "KxGStatusCodes.h"
#include "sqlengine.h"

namespace {

using db2test::DB2Fixture;

// Reason 1 makes one environment however often it is given; any other reason frees it once.
TEST(KxGDB2Module, InitGuardsAllocationAndFree)
{
    KxGDB2InitDll(1);
    const SQLHENV first = KxGDB2Environment();
    ASSERT_NE(first, SQL_NULL_HENV);
    KxGDB2InitDll(1);
    EXPECT_EQ(KxGDB2Environment(), first);
    KxGDB2InitDll(0);
    EXPECT_EQ(KxGDB2Environment(), SQL_NULL_HENV);
    KxGDB2InitDll(2);
    EXPECT_EQ(KxGDB2Environment(), SQL_NULL_HENV);
    KxGDB2InitDll(1);
    EXPECT_NE(KxGDB2Environment(), SQL_NULL_HENV);
    KxGDB2InitDll(0);
}

TEST(KxGDB2Database, ConstructionUpperCasesNodeAndDatabase)
{
    auto db = db2test::Make("gwdb", "me", "Secret");
    KxString text;
    EXPECT_STREQ(db->GetDatabaseName(&text)->StrGet(), "GWDB");
    EXPECT_STREQ(db->GetSchemaName(&text)->StrGet(), "GWDB");
    EXPECT_STREQ(db->GetPassword(&text)->StrGet(), "Secret");
    EXPECT_EQ(db->GetGatewayVersion(), 1024);
    EXPECT_EQ(db->GetConnectionHandle(), SQL_NULL_HDBC);
    EXPECT_EQ(db->IsSchemaOwner(), 1);
}

TEST(KxGDB2Database, CheckTableNameKnowsFiveTablesInTableMode)
{
    struct Case {
        const char* name;
        int32_t mode;
        int32_t result;
    };
    const Case cases[] = {
        {"optionregistry", 0, KXG_E_RESERVED_NAME}, {"ROOTBLOCK", 0, KXG_E_RESERVED_NAME},
        {"Surrogates", 0, KXG_E_RESERVED_NAME},     {"LOCKS", 0, KXG_E_RESERVED_NAME},
        {"ACTIVECLIENTS", 0, KXG_E_RESERVED_NAME},  {"KELVOX_CLASSES", 0, 0},
        {"GWDB", 0, 0},                             {"LOCKS", 2, 0},
    };
    auto db = db2test::Make("gwdb");
    for (const Case& c : cases) {
        KxString name(c.name);
        EXPECT_EQ(db->CheckTableName(&name, c.mode), c.result) << c.name << " " << c.mode;
    }
}

TEST(KxGDB2Database, BatchSizeIsOneOnlyForArraysBelowVersion82)
{
    auto db = db2test::Make("gwdb");
    // Unconnected: server version 0.0.
    EXPECT_EQ(db->GetBatchSize(50, 1), 1);
    EXPECT_EQ(db->GetBatchSize(50, 0), 50);
}

// The id after the fifth NUL of the message tokens; nothing past the 70 bytes is read.
TEST(KxGDB2Database, ConnectionIdParse)
{
    struct Case {
        const char* name;
        std::string tokens;
        bool found;
        int32_t id;
    };
    const Case cases[] = {
        {"five fields then id", std::string("a\0b\0c\0d\0e\0", 10) + "4711", true, 4711},
        {"empty fields", std::string(5, '\0') + "12", true, 12},
        {"four fields", std::string("a\0b\0c\0d\0", 8) + "12", false, 0},
        {"no NUL at all", std::string(70, 'x'), false, 0},
        {"digits to the end", std::string(5, '\0') + std::string(65, '7'), false, 0},
        {"no digits", std::string(5, '\0') + "x1", false, 0},
    };
    for (const Case& c : cases) {
        struct sqlca ca;
        std::memset(&ca, 'z', sizeof(ca));
        std::memcpy(ca.sqlerrmc, c.tokens.data(), std::min<size_t>(c.tokens.size(), SQLCA_MESSAGE_TOKENS));
        if (c.tokens.size() < SQLCA_MESSAGE_TOKENS) {
            ca.sqlerrmc[c.tokens.size()] = '\0';
        }
        int32_t id = 0;
        EXPECT_EQ(KxGDB2Database::ParseConnectionId(ca, id), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(id, c.id) << c.name;
        }
    }
}

class DB2DatabaseTest : public DB2Fixture {};

TEST_F(DB2DatabaseTest, OpenReadsVersionAndConnectionId)
{
    EXPECT_EQ(db_->GetServerMajor(), 9);
    EXPECT_EQ(db_->GetServerMinor(), 7);
    int32_t id = 0;
    ASSERT_NE(db_->GetConnectionId(&id), 0);
    EXPECT_GT(id, 0);
    EXPECT_EQ(db_->GetBatchSize(50, 1), 50);
    EXPECT_EQ(db_->TestConnectionAlive(1), 1);
}

// A database object destroyed with work open leaves nothing of it behind.
TEST_F(DB2DatabaseTest, DestroyedWithOpenWorkRollsBack)
{
    auto other = db2test::Make("gwdb");
    ASSERT_NE(other->OpenConnection(), 0);
    EXPECT_NE(other->OpenConnection(), 0);
    ASSERT_NE(other->ExecuteDirect("INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID) VALUES (77)"), 0);
    other.reset();
    EXPECT_EQ(Count(*db_, "SELECT COUNT(*) FROM GWDB.ACTIVECLIENTS"), 0);
}

TEST_F(DB2DatabaseTest, LogOnErrors)
{
    struct Case {
        const char* database;
        const char* password;
        int32_t code;
    };
    const Case cases[] = {
        {"NODB", "pw", KXG_E_NO_SUCH_DATABASE},
        {"GWDB", "wrong", KXG_E_LOGIN_REFUSED},
    };
    for (const Case& c : cases) {
        auto db = db2test::Make(c.database, "DB2ADMIN", c.password);
        EXPECT_EQ(db->OpenConnection(), 0) << c.database;
        EXPECT_EQ(db->GetError()->ErrorCode(), c.code) << c.database;
        EXPECT_EQ(db->GetConnectionHandle(), SQL_NULL_HDBC) << c.database;
    }
}

TEST_F(DB2DatabaseTest, FailedTransactionEndIsReported)
{
    sqlengine::Engine::Instance().InjectFailure("SQLEndTran(SQL_COMMIT)", 911);
    EXPECT_EQ(db_->CommitConnection(), 0);
    EXPECT_EQ(db_->GetError()->IsDeadlock(), 1);
    EXPECT_EQ(db_->GetError()->ErrorCode(), KXG_E_ROLLED_BACK);
}

TEST_F(DB2DatabaseTest, RegistrationWritesTheClientNameAsItIs)
{
    int32_t client = 99;
    KxString name("O'Brien's, client");
    ASSERT_NE(db_->RegisterConnection(nullptr, &client, &name, 0, 0, 0), 0) << db_->GetError()->Text();
    int32_t id = 0;
    db_->GetConnectionId(&id);
    EXPECT_EQ(client, id);
    EXPECT_EQ(Count(*db_, "SELECT COUNT(*) FROM GWDB.ACTIVECLIENTS WHERE CLIENTID = " + std::to_string(id) +
                              " AND CLIENT_NAME = 'O''Brien''s, client' AND OPEN_MODE = 'DEFAULT'"),
              1);
    ASSERT_NE(db_->UnregisterConnection(client), 0) << db_->GetError()->Text();
    EXPECT_EQ(Count(*db_, "SELECT COUNT(*) FROM GWDB.ACTIVECLIENTS"), 0);
}

// A local-mode client is refused while another client is registered; the old row of its own that
// its DELETE removed comes back.
TEST_F(DB2DatabaseTest, RefusedRegistrationRollsItsDeleteBack)
{
    auto second = db2test::Make("gwdb");
    ASSERT_NE(second->OpenConnection(), 0);
    int32_t secondId = 0;
    second->GetConnectionId(&secondId);
    int32_t firstId = 0;
    db_->GetConnectionId(&firstId);
    Exec(*db_, "INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID, CONNECTION_ID, OPEN_MODE) VALUES (" +
                   std::to_string(secondId) + ", 0, 'DEFAULT')");
    Exec(*db_, "INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID, CONNECTION_ID, OPEN_MODE) VALUES (424242, " +
                   std::to_string(firstId) + ", 'DEFAULT')");
    int32_t client = 5;
    KxString name("local");
    EXPECT_EQ(second->RegisterConnection(nullptr, &client, &name, 0, 1, 0), 0);
    EXPECT_EQ(second->GetError()->ErrorCode(), KXG_E_LOCAL_MODE_CONFLICT);
    EXPECT_EQ(Count(*db_, "SELECT COUNT(*) FROM GWDB.ACTIVECLIENTS WHERE CLIENTID = " + std::to_string(secondId)),
              1);
    second->CloseConnection();
}

// Registering a client removes the rows of connections that are no longer connected applications;
// rows of live connections, and rows without a connection id, stay.
TEST_F(DB2DatabaseTest, RegistrationRemovesTheRowsOfDeadConnections)
{
    auto second = db2test::Make("gwdb");
    ASSERT_NE(second->OpenConnection(), 0);
    int32_t secondId = 0;
    second->GetConnectionId(&secondId);
    Exec(*db_, "INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID, CONNECTION_ID, OPEN_MODE) VALUES (" +
                   std::to_string(secondId) + ", " + std::to_string(secondId) + ", 'DEFAULT')");
    Exec(*db_, "INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID, CONNECTION_ID, OPEN_MODE) VALUES (424242, 424242, 'DEFAULT')");
    Exec(*db_, "INSERT INTO GWDB.ACTIVECLIENTS (CLIENTID, CONNECTION_ID, OPEN_MODE) VALUES (17, 0, 'DEFAULT')");
    ASSERT_NE(db_->CommitConnection(), 0);
    int32_t client = 5;
    KxString name("next");
    ASSERT_NE(db_->RegisterConnection(nullptr, &client, &name, 0, 0, 0), 0) << db_->GetError()->Text();
    EXPECT_EQ(Count(*db_, "SELECT COUNT(*) FROM GWDB.ACTIVECLIENTS WHERE CONNECTION_ID = 424242"), 0);
    EXPECT_EQ(Count(*db_, "SELECT COUNT(*) FROM GWDB.ACTIVECLIENTS WHERE CONNECTION_ID IN (0, " +
                              std::to_string(secondId) + ", " + std::to_string(client) + ")"),
              3);
    second->CloseConnection();
}

TEST_F(DB2DatabaseTest, RegistrationBelowVersion272)
{
    db_->SetGatewayVersion(271);
    int32_t client = 5;
    KxString name("old");
    EXPECT_NE(db_->RegisterConnection(nullptr, &client, &name, 1, 0, 0), 0);
    EXPECT_EQ(Count(*db_, "SELECT COUNT(*) FROM GWDB.ACTIVECLIENTS"), 0);
    ASSERT_NE(db_->RegisterConnection(nullptr, &client, &name, 0, 0, 0), 0) << db_->GetError()->Text();
    int32_t id = 0;
    db_->GetConnectionId(&id);
    EXPECT_EQ(client, id);
    EXPECT_EQ(Count(*db_, "SELECT COUNT(*) FROM GWDB.ACTIVECLIENTS WHERE CLIENTID = " + std::to_string(id) +
                              " AND CLIENT_NAME IS NULL"),
              1);
}

// A database name that is not a plain DB2 name never reaches a statement.
TEST_F(DB2DatabaseTest, UnsafeDatabaseNameSendsNoStatement)
{
    auto db = db2test::Make("GWDB X");
    int32_t client = 1;
    KxString name("x");
    EXPECT_EQ(db->RegisterConnection(nullptr, &client, &name, 0, 0, 0), 0);
    EXPECT_EQ(db->GetError()->ErrorCode(), KXG_E_INVALID_DATABASE_NAME);
}

TEST_F(DB2DatabaseTest, CloneIsUnconnectedWithTheSameSettings)
{
    db_->SetGatewayVersion(300);
    db_->SetAutoCommit(1);
    db2test::DatabasePtr clone(static_cast<KxGDB2Database*>(db_->CloneConnection()));
    ASSERT_TRUE(clone);
    EXPECT_EQ(clone->GetConnectionHandle(), SQL_NULL_HDBC);
    EXPECT_EQ(clone->GetGatewayVersion(), 300);
    EXPECT_EQ(clone->GetAutoCommit(), 1);
    EXPECT_EQ(clone->GetServerMajor(), 9);
    EXPECT_EQ(clone->GetTrace(0), nullptr);
    ASSERT_NE(clone->OpenConnection(), 0) << clone->GetError()->Text();
    int32_t a = 0;
    int32_t b = 0;
    db_->GetConnectionId(&a);
    clone->GetConnectionId(&b);
    EXPECT_NE(a, b);
    clone->CloseConnection();
}

}  // namespace
