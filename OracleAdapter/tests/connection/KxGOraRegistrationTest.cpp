// Client registration in ACTIVECLIENTS: the columns by gateway version, pool connections, the local-mode
// check, invalid lock objects, stale clients, unregistering, and two clients' locks through the lock
// procedure.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ConnectionTestSupport.h"
#include "KxGOraStatementHdl.h"
#include "KxGStatement.h"

namespace oraconn {
namespace {

using Table = std::vector<std::vector<std::string>>;

// Acquires locks of one mode for a client as the lock service does: the schema's lock procedure with
// the count and the two arrays, all in one call. 0, or -2041 when the procedure refused.
int32_t AcquireLocks(KxGDatabase& database, int32_t clientId, std::vector<int32_t> oids, int32_t mode)
{
    KxString text("BEGIN S.ACQUIRE_LOCK( ");
    text << clientId << ", :1, :oid_list, :lock_list ); END;";
    KxGStoreStatementTemplate call(text);
    oratest::StatementHdlPtr handle(database.CreateStatementHdl(&call));
    auto* ora = dynamic_cast<KxGOraStatementHdl*>(handle.get());
    KxGTypeHdl* integer = database.GetTypeHdl(2, 0, 0);
    if (ora == nullptr || integer == nullptr) {
        return -6001;
    }
    int32_t count = static_cast<int32_t>(oids.size());
    std::vector<int32_t> modes(oids.size(), mode);
    std::vector<int16_t> indicators(oids.size(), 0);
    int16_t indicator = 0;
    uint32_t oidCount = static_cast<uint32_t>(count);
    uint32_t modeCount = static_cast<uint32_t>(count);
    if (ora->BindParameter(1, integer, 4, 0, 4, &count, &indicator) == 0 ||
        ora->BindParameterByName(KxString(":oid_list"), integer, 0, &oidCount, 4, oids.data(), indicators.data()) == 0 ||
        ora->BindParameterByName(KxString(":lock_list"), integer, 0, &modeCount, 4, modes.data(), indicators.data()) ==
            0) {
        return -6001;
    }
    uint32_t rows = 0;
    if (ora->Execute(1) == 0 || ora->RowCount(rows) == 0 || rows == 0) {
        return -2041;
    }
    return 0;
}

class OraRegistration : public ConnectionTest {
protected:
    void SetUp() override
    {
        ConnectionTest::SetUp();
        DatabasePtr schema = Make();
        CreateLockObjects(*schema);
    }

    // An open database object of the schema at a gateway version.
    DatabasePtr Open(int32_t version, int64_t sessionId = 0)
    {
        if (sessionId != 0) {
            server_->SetNextSessionId(sessionId);
        }
        DatabasePtr database = Make();
        database->SetGatewayVersion(version);
        EXPECT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
        return database;
    }

    Table Clients()
    {
        return Rows("SELECT CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE FROM S.ACTIVECLIENTS ORDER BY CLIENTID");
    }
};

TEST_F(OraRegistration, TheVersionDecidesTheColumnsWritten)
{
    KxString server;
    KxString name("a client name of more than thirty characters");
    int32_t clientId = 99;
    {
        DatabasePtr old = Open(271, 41);
        ASSERT_EQ(old->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 1) << old->GetError()->Text();
        EXPECT_EQ(clientId, 41);
        EXPECT_EQ(Clients(), (Table{{"41", "NULL", "0", "NULL"}}));
        ASSERT_EQ(old->UnregisterConnection(clientId), 1) << old->GetError()->Text();
        EXPECT_TRUE(Clients().empty());
        old->CloseConnection();
    }
    const struct {
        int32_t localMode;
        const char* clientName;
        const char* stored;
        const char* mode;
    } cases[] = {
        {0, "a client name of more than thirty characters", "a client name of more than thi", "DEFAULT"},
        {1, "O'Brien's client", "O'Brien's client", "LOCAL"},
        {0, "x', 1, 'LOCAL') --", "x', 1, 'LOCAL') --", "DEFAULT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clientName);
        DatabasePtr database = Open(272, 52);
        KxString clientName(c.clientName);
        clientId = 99;
        ASSERT_EQ(database->RegisterConnection(&server, &clientId, &clientName, 0, c.localMode, 1), 1)
            << database->GetError()->Text();
        EXPECT_EQ(clientId, 52);
        EXPECT_EQ(Clients(), (Table{{"52", c.stored, "52", c.mode}}));
        ASSERT_EQ(database->UnregisterConnection(clientId), 1) << database->GetError()->Text();
        EXPECT_TRUE(Clients().empty());
        database->CloseConnection();
    }
}

TEST_F(OraRegistration, PoolConnectionsKeepTheirClientId)
{
    KxString server;
    KxString name("pool");
    DatabasePtr client = Open(272, 60);
    int32_t clientId = 0;
    ASSERT_EQ(client->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 1) << client->GetError()->Text();

    DatabasePtr pooled(client->CloneConnection());
    server_->SetNextSessionId(61);
    ASSERT_EQ(pooled->OpenConnection(), 1) << pooled->GetError()->Text();
    int32_t poolId = clientId;
    ASSERT_EQ(pooled->RegisterConnection(&server, &poolId, &name, 1, 0, 1), 1) << pooled->GetError()->Text();
    EXPECT_EQ(poolId, 60);
    EXPECT_EQ(Clients(), (Table{{"60", "pool", "60", "DEFAULT"}, {"60", "pool", "61", "DEFAULT"}}));
    pooled->UnregisterConnection(poolId);
    EXPECT_EQ(Clients(), (Table{{"60", "pool", "60", "DEFAULT"}}));
    pooled->CloseConnection();

    // Below version 272 a pool connection registers nothing.
    pooled->SetGatewayVersion(271);
    ASSERT_EQ(pooled->OpenConnection(), 1);
    EXPECT_EQ(pooled->RegisterConnection(&server, &poolId, &name, 1, 0, 1), 1);
    EXPECT_EQ(Clients().size(), 1u);
    pooled->CloseConnection();
    client->CloseConnection();
}

TEST_F(OraRegistration, LocalModeConflicts)
{
    const struct {
        int32_t firstLocal;
        int32_t secondLocal;
        uint16_t result;
    } cases[] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}};
    KxString server;
    KxString name("client");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.firstLocal) + "/" + std::to_string(c.secondLocal));
        DatabasePtr first = Open(272);
        DatabasePtr second = Open(272);
        int32_t firstId = 0;
        int32_t secondId = 0;
        ASSERT_EQ(first->RegisterConnection(&server, &firstId, &name, 0, c.firstLocal, 1), 1);
        EXPECT_EQ(second->RegisterConnection(&server, &secondId, &name, 0, c.secondLocal, 1), c.result);
        if (c.result == 0) {
            EXPECT_EQ(second->GetError()->ErrorCode(), -2032);
            EXPECT_EQ(Clients().size(), 1u);
        } else {
            EXPECT_EQ(Clients().size(), 2u);
            second->UnregisterConnection(secondId);
        }
        first->UnregisterConnection(firstId);
        first->CloseConnection();
        second->CloseConnection();
    }
}

TEST_F(OraRegistration, InvalidLockObjectsAndAMissingTableRefuseTheClient)
{
    KxString server;
    KxString name("client");
    int32_t clientId = 0;
    ASSERT_TRUE(server_->MarkInvalid("S", "ACQUIRE_LOCK"));
    DatabasePtr database = Open(272);
    EXPECT_EQ(database->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 0);
    EXPECT_EQ(database->GetError()->ErrorCode(), -6003);
    EXPECT_TRUE(Clients().empty());
    database->CloseConnection();

    // A schema without the gateway's tables (the user ADMIN) at version 271: no ACTIVECLIENTS.
    DatabasePtr admin = Make("admin", "admin", "admin");
    admin->SetGatewayVersion(271);
    ASSERT_EQ(admin->OpenConnection(), 1) << admin->GetError()->Text();
    EXPECT_EQ(admin->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 0);
    EXPECT_EQ(admin->GetError()->ErrorCode(), -6002);
    admin->CloseConnection();

    // From version 272 on the client's own connection counts the registered clients first: the
    // missing table shows there, with the same code.
    admin->SetGatewayVersion(272);
    ASSERT_EQ(admin->OpenConnection(), 1) << admin->GetError()->Text();
    EXPECT_EQ(admin->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 0);
    EXPECT_EQ(admin->GetError()->ErrorCode(), -6002) << admin->GetError()->Text();
    admin->CloseConnection();
}

TEST_F(OraRegistration, RowsWithoutAConnectionIdAreNotTakenForStale)
{
    // A client registered below version 272 (connection id 0) holds a lock; another row is stale.
    Exec({"INSERT INTO S.ACTIVECLIENTS (CLIENTID) VALUES (33)",
          "INSERT INTO S.ACTIVECLIENTS (CLIENTID, CONNECTION_ID) VALUES (34, 34)",
          "INSERT INTO S.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (500, 4116, 33)"});
    DatabasePtr database = Open(272, 40);
    KxString server;
    KxString name("new");
    int32_t clientId = 0;
    ASSERT_EQ(database->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 1) << database->GetError()->Text();
    EXPECT_EQ(Rows("SELECT CLIENTID, CONNECTION_ID FROM S.ACTIVECLIENTS ORDER BY CLIENTID"),
              (Table{{"33", "0"}, {"40", "40"}}));
    EXPECT_EQ(Rows("SELECT OID, CLIENTID FROM S.LOCKS"), (Table{{"500", "33"}}));
    EXPECT_NE(TraceText().find("kept 1 client row(s) without connection id"), std::string::npos);
    database->UnregisterConnection(clientId);
    database->CloseConnection();
}

TEST_F(OraRegistration, StaleClientsAreRemovedInOneArrayExecution)
{
    // Clients 5 to 9 are registered; only the sessions 5 and 9 still live (9 is being killed but not
    // yet killed). Each client holds a lock.
    std::vector<std::string> setup;
    for (int id = 5; id <= 9; ++id) {
        setup.push_back("INSERT INTO S.ACTIVECLIENTS (CLIENTID, CLIENT_NAME, CONNECTION_ID, OPEN_MODE) VALUES (" +
                        std::to_string(id) + ", 'old', " + std::to_string(id) + ", 'DEFAULT')");
        setup.push_back("INSERT INTO S.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (" + std::to_string(100 + id) +
                        ", 4116, " + std::to_string(id) + ")");
    }
    Exec(setup);
    server_->AddForeignSession(5, "S", "INACTIVE");
    server_->AddForeignSession(8, "S", "KILLED");
    server_->AddForeignSession(9, "S", "ACTIVE");

    DatabasePtr database = Open(272, 20);
    KxString server;
    KxString name("new");
    int32_t clientId = 0;
    ASSERT_EQ(database->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 1) << database->GetError()->Text();
    EXPECT_EQ(Clients(), (Table{{"5", "old", "5", "DEFAULT"}, {"9", "old", "9", "DEFAULT"}, {"20", "new", "20", "DEFAULT"}}));
    // The release trigger removed the locks of the removed clients.
    EXPECT_EQ(Rows("SELECT CLIENTID FROM S.LOCKS ORDER BY CLIENTID"), (Table{{"5"}, {"9"}}));

    const std::string trace = TraceText();
    const size_t remove = trace.find("DELETE FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = :1");
    ASSERT_NE(remove, std::string::npos) << trace;
    // The first execution after the delete's prepare binds all three stale ids at once.
    const size_t execution = trace.find("parameter array size ", remove);
    ASSERT_NE(execution, std::string::npos);
    EXPECT_EQ(std::stoi(trace.substr(execution + 21)), 3) << trace.substr(remove);
    database->UnregisterConnection(clientId);
    database->CloseConnection();
}

TEST_F(OraRegistration, ManyStaleClientsAreReadInSeveralFetchesAndRemovedAtOnce)
{
    // 250 registrations read 100 at a time; the sessions 1000 and 1199 live on.
    std::vector<std::string> setup;
    for (int id = 1000; id < 1250; ++id) {
        setup.push_back("INSERT INTO S.ACTIVECLIENTS (CLIENTID, CONNECTION_ID) VALUES (" + std::to_string(id) + ", " +
                        std::to_string(id) + ")");
    }
    Exec(setup);
    server_->AddForeignSession(1000, "S");
    server_->AddForeignSession(1199, "S");
    DatabasePtr database = Open(272, 20);
    KxString server;
    KxString name("new");
    int32_t clientId = 0;
    ASSERT_EQ(database->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 1) << database->GetError()->Text();
    EXPECT_EQ(Rows("SELECT CONNECTION_ID FROM S.ACTIVECLIENTS ORDER BY CONNECTION_ID"),
              (Table{{"20"}, {"1000"}, {"1199"}}));
    const std::string trace = TraceText();
    const size_t execution =
        trace.find("parameter array size ", trace.find("DELETE FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = :1"));
    ASSERT_NE(execution, std::string::npos);
    EXPECT_EQ(std::stoi(trace.substr(execution + 21)), 248);
    database->CloseConnection();
}

TEST_F(OraRegistration, FailuresWhileRemovingStaleClientsDoNotFailTheRegistration)
{
    Exec({"INSERT INTO S.ACTIVECLIENTS (CLIENTID, CONNECTION_ID) VALUES (7, 7)"});
    for (const char* call : {"OCIStmtExecute", "OCIStmtFetch"}) {
        SCOPED_TRACE(call);
        DatabasePtr database = Open(272);
        sqlengine::Engine::Instance().InjectFailure(call, 3113, "V$SESSION");
        KxString server;
        KxString name("new");
        int32_t clientId = 0;
        EXPECT_EQ(database->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 1) << database->GetError()->Text();
        EXPECT_EQ(Rows("SELECT CONNECTION_ID FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = 7").size(), 1u);
        database->UnregisterConnection(clientId);
        database->CloseConnection();
    }
    DatabasePtr database = Open(272);
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 3113, "DELETE FROM S.ACTIVECLIENTS WHERE CONNECTION_ID = :1");
    KxString server;
    KxString name("new");
    int32_t clientId = 0;
    EXPECT_EQ(database->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 1) << database->GetError()->Text();
    EXPECT_EQ(Clients().size(), 2u);
    database->CloseConnection();
}

TEST_F(OraRegistration, UnregisteringRollsBackAndNeedsAKnownConnection)
{
    // Never opened: connection id 0, nothing is deleted and the answer is 1 whatever the rollback did.
    DatabasePtr unopened = Make();
    EXPECT_EQ(unopened->UnregisterConnection(3), 1);

    DatabasePtr database = Open(272, 30);
    KxString server;
    KxString name("client");
    int32_t clientId = 0;
    ASSERT_EQ(database->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 1);
    Exec({"CREATE TABLE S.T (N NUMBER(38))"});
    KxGStoreStatementTemplate insert(KxString("INSERT INTO S.T (N) VALUES (1)"));
    KxGStoreStatement statement(database.get(), &insert, 0);
    ASSERT_EQ(statement.Execute(), 1) << database->GetError()->Text();
    statement.Free();
    ASSERT_EQ(database->UnregisterConnection(clientId), 1) << database->GetError()->Text();
    EXPECT_TRUE(Rows("SELECT N FROM S.T").empty());
    EXPECT_TRUE(Clients().empty());
    const std::string trace = TraceText();
    EXPECT_NE(trace.find("connection id: 30 client id: 30\nrollback all noncommitted work"), std::string::npos);
    database->CloseConnection();
}

TEST_F(OraRegistration, TwoClientsLocksConflictThroughTheLockProcedure)
{
    KxString server;
    KxString name("client");
    DatabasePtr first = Open(272, 71);
    DatabasePtr second = Open(272, 72);
    int32_t firstId = 0;
    int32_t secondId = 0;
    ASSERT_EQ(first->RegisterConnection(&server, &firstId, &name, 0, 0, 1), 1) << first->GetError()->Text();
    ASSERT_EQ(second->RegisterConnection(&server, &secondId, &name, 0, 0, 1), 1) << second->GetError()->Text();

    EXPECT_EQ(AcquireLocks(*first, firstId, {42, 43}, 4116), 0) << first->GetError()->Text();
    EXPECT_EQ(AcquireLocks(*second, secondId, {44, 42}, 4116), -2041);
    EXPECT_EQ(second->GetError()->NativeCode(), 20099);
    // The refused call left nothing of its own.
    EXPECT_EQ(Rows("SELECT OID, CLIENTID FROM S.LOCKS ORDER BY OID"), (Table{{"42", "71"}, {"43", "71"}}));

    // Unregistering the first client releases its locks through the trigger.
    ASSERT_EQ(first->UnregisterConnection(firstId), 1) << first->GetError()->Text();
    EXPECT_EQ(AcquireLocks(*second, secondId, {44, 42}, 4116), 0) << second->GetError()->Text();
    EXPECT_EQ(Rows("SELECT OID, CLIENTID FROM S.LOCKS ORDER BY OID"), (Table{{"42", "72"}, {"44", "72"}}));
    second->UnregisterConnection(secondId);
    first->CloseConnection();
    second->CloseConnection();
}

TEST_F(OraRegistration, AThrowingReceiverPassesOutOfTheRegistration)
{
    DatabasePtr database = Open(272);
    ThrowingReceiver receiver;
    receiver.Register();
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 3113, "INSERT INTO S.ACTIVECLIENTS");
    KxString server;
    KxString name("client");
    int32_t clientId = 0;
    EXPECT_THROW(database->RegisterConnection(&server, &clientId, &name, 0, 0, 1), std::runtime_error);
    receiver.Unregister();
    EXPECT_TRUE(Clients().empty());
    // The connection is still usable.
    EXPECT_EQ(database->RegisterConnection(&server, &clientId, &name, 0, 0, 1), 1) << database->GetError()->Text();
    database->UnregisterConnection(clientId);
    database->CloseConnection();
}

}  // namespace
}  // namespace oraconn
