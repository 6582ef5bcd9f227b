// Creating a database user, the liveness test and the check of table names.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ConnectionTestSupport.h"

namespace oraconn {
namespace {

using OraCreateDatabase = ConnectionTest;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Name(KxString* (KxGDatabase::*getter)(KxString*), KxGDatabase& database)
{
    KxString text;
    (database.*getter)(&text);
    return Text(text);
}

bool IsPassword(const std::string& password)
{
    if (password.size() < 8 || password.size() > 29) {
        return false;
    }
    for (char c : password) {
        if (c < 'A' || c > 'Z') {
            return false;
        }
    }
    return true;
}

TEST_F(OraCreateDatabase, WithoutTheSiteProcedureTheUserIsCreatedAndGranted)
{
    std::set<std::string> passwords;
    for (const char* name : {"newbase", "other_base"}) {
        SCOPED_TRACE(name);
        std::string upper(name);
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        DatabasePtr database = Make(name, "admin", "admin");
        KxString log;
        ASSERT_EQ(database->CreateDatabase(&log, 0), 1) << database->GetError()->Text();
        const std::string password = Name(&KxGDatabase::GetPassword, *database);
        EXPECT_TRUE(IsPassword(password)) << password;
        passwords.insert(password);
        EXPECT_EQ(Lines(Text(log)), (std::vector<std::string>{
                                        "CREATE USER " + upper + " IDENTIFIED BY " + password +
                                            " DEFAULT TABLESPACE USERS TEMPORARY TABLESPACE TEMP  PROFILE DEFAULT",
                                        "ALTER USER " + upper + " DEFAULT ROLE ALL",
                                        "GRANT UNLIMITED TABLESPACE TO " + upper,
                                        "GRANT CONNECT TO " + upper,
                                        "GRANT RESOURCE TO " + upper,
                                        "GRANT CREATE ROLE TO " + upper,
                                        "GRANT CREATE VIEW TO " + upper,
                                    }));
        EXPECT_EQ(Text(log).back(), '\n');
        EXPECT_TRUE(server_->UserExists(upper));
        EXPECT_EQ(server_->Sessions().size(), 0u);

        // The object now logs on as the new user, whose schema it is.
        EXPECT_EQ(Name(&KxGDatabase::GetDatabaseName, *database), upper);
        EXPECT_EQ(Name(&KxGDatabase::GetUser, *database), upper);
        EXPECT_EQ(database->IsSchemaOwner(), 1);
        ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
        database->CloseConnection();
    }
    // A password of its own for each database.
    EXPECT_EQ(passwords.size(), 2u);
}

TEST_F(OraCreateDatabase, TheSiteProcedureCreatesTheUserWithTheGeneratedPassword)
{
    std::string received;
    server_->RegisterSiteProcedure("ADMIN", [&received](sqlengine::Server& server, const std::string& name,
                                                        const std::string& password, sqlengine::Error& error) {
        received = name + "/" + password;
        return server.CreateUser(name, password, false, error);
    });
    DatabasePtr database = Make("newbase", "admin", "admin");
    KxString log("");
    ASSERT_EQ(database->CreateDatabase(&log, 0), 1) << database->GetError()->Text();
    EXPECT_EQ(Text(log), "BEGIN ROG_CREATE_BASE('NEWBASE', :1); END;\n");
    const std::string password = Name(&KxGDatabase::GetPassword, *database);
    EXPECT_TRUE(IsPassword(password)) << password;
    EXPECT_EQ(received, "NEWBASE/" + password);
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
    database->CloseConnection();
}

TEST_F(OraCreateDatabase, AFailureKeepsTheNames)
{
    const struct {
        const char* what;
        const char* database;
        const char* password;
        int32_t native;
        size_t logLines;
    } cases[] = {
        {"the administrator cannot log on", "newbase", "wrong", 1017, 0},
        {"the user exists already", "s", "admin", 1920, 1},
        {"not an Oracle name", "new base", "admin", -6191, 0},
        {"a name too long", "a_database_name_of_31_characters", "admin", -6191, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DatabasePtr database = Make(c.database, "admin", c.password);
        const std::string name = Name(&KxGDatabase::GetDatabaseName, *database);
        KxString log("");
        EXPECT_EQ(database->CreateDatabase(&log, 0), 0);
        EXPECT_EQ(database->GetError()->NativeCode(), c.native) << database->GetError()->Text();
        EXPECT_EQ(Name(&KxGDatabase::GetDatabaseName, *database), name);
        EXPECT_EQ(Name(&KxGDatabase::GetUser, *database), "ADMIN");
        EXPECT_EQ(Name(&KxGDatabase::GetPassword, *database), c.password);
        EXPECT_EQ(Lines(Text(log)).size(), c.logLines);
        EXPECT_FALSE(Ora(database)->IsOpen());
        EXPECT_EQ(server_->Sessions().size(), 0u);
    }
}

TEST_F(OraCreateDatabase, AThrowingReceiverPassesOutAndTheNamesAndConnectionAreRestored)
{
    DatabasePtr database = Make("newbase", "admin", "admin");
    ThrowingReceiver receiver;
    receiver.Register();
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 3113, "CREATE USER");
    KxString log;
    EXPECT_THROW(database->CreateDatabase(&log, 0), std::runtime_error);
    receiver.Unregister();
    EXPECT_EQ(Name(&KxGDatabase::GetDatabaseName, *database), "NEWBASE");
    EXPECT_EQ(Name(&KxGDatabase::GetUser, *database), "ADMIN");
    EXPECT_FALSE(Ora(database)->IsOpen());
    EXPECT_EQ(server_->Sessions().size(), 0u);
    // The object tries again.
    ASSERT_EQ(database->CreateDatabase(&log, 0), 1) << database->GetError()->Text();
}

// ---------------------------------------------------------------------------------------------------

using OraConnectionChecks = ConnectionTest;

TEST_F(OraConnectionChecks, TestConnectionAliveAsksTheServerUnlessModeIsZero)
{
    DatabasePtr database = Make();
    // Mode 0 never touches the server, not even an unopened connection.
    EXPECT_EQ(database->TestConnectionAlive(0), 1);
    EXPECT_EQ(database->TestConnectionAlive(1), 0);
    server_->SetNextSessionId(12);
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
    EXPECT_EQ(database->TestConnectionAlive(1), 1);
    sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 3113, "SELECT 1 FROM DUAL");
    EXPECT_EQ(database->TestConnectionAlive(1), 0);
    EXPECT_EQ(database->GetError()->NativeCode(), 3113);
    database->CloseConnection();
    const std::string trace = TraceText();
    EXPECT_NE(trace.find("active test"), std::string::npos);
    EXPECT_NE(trace.find("Connection 12 valid"), std::string::npos);
    EXPECT_NE(trace.find("Connection 12 invalid"), std::string::npos);
    EXPECT_NE(trace.find("Connection 0 valid"), std::string::npos);
}

TEST_F(OraConnectionChecks, CheckTableNameRefusesGatewayTablesReservedOwnersAndTheSchema)
{
    DatabasePtr database = Make("shop");
    const struct {
        const char* name;
        int32_t mode;
        int32_t result;
    } cases[] = {
        {"OPTIONREGISTRY", KXG_NAME_TABLE, -6190}, {"rootblock", KXG_NAME_TABLE, -6190},
        {"Surrogates", KXG_NAME_TABLE, -6190},     {"LOCKS", KXG_NAME_TABLE, -6190},
        {"ACTIVECLIENTS", KXG_NAME_TABLE, -6190},  {"KELVOX_CLASSES", KXG_NAME_TABLE, -6190},
        {"KELVOX_MEMBERS", KXG_NAME_TABLE, -6190}, {"kelvox_indexes", KXG_NAME_TABLE, -6190},
        {"shop", KXG_NAME_TABLE, -6191},           {"SYS", KXG_NAME_TABLE, 0},
        {"CUSTOMER", KXG_NAME_TABLE, 0},           {"ROOTBLOCKS", KXG_NAME_TABLE, 0},
        {"sys", KXG_NAME_SCHEMA, -6191},           {"SYSTEM", KXG_NAME_SCHEMA, -6191},
        {"SYSMAN", KXG_NAME_SCHEMA, -6191},        {"Kelvox", KXG_NAME_SCHEMA, -6191},
        {"LOCKS", KXG_NAME_SCHEMA, -6191},         {"SHOP", KXG_NAME_SCHEMA, 0},
        {"SCOTT", KXG_NAME_SCHEMA, 0},             {"ROOTBLOCK", 1, 0},
        {"SYS", 3, 0},
    };
    for (const auto& c : cases) {
        KxString name(c.name);
        EXPECT_EQ(database->CheckTableName(&name, c.mode), c.result) << c.name << " mode " << c.mode;
        EXPECT_EQ(Text(name), c.name);
    }
}

}  // namespace
}  // namespace oraconn
