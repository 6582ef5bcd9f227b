// Fixtures shared by the Oracle adapter's tests: servers of the SQL engine in fresh directories,
// Oracle database objects opened on them, trace files, error listeners and a started kernel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseErrorCallback.h"
#include "KxGOraTypeHdl.h"
#include "KxGStatement.h"
#include "KxGStatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "KxString.h"
#include "TestSupport.h"   // TempDir, ReadFile, WriteFile
#include "oci.h"
#include "sqlengine.h"

namespace oratest {

// ---- database objects and statement handles --------------------------------------------------------

// Deletes a database object the way the gateway does.
struct DestroyDatabase {
    void operator()(KxGDatabase* database) const
    {
        if (database != nullptr) {
            database->Destroy(0);
        }
    }
};
using DatabasePtr = std::unique_ptr<KxGDatabase, DestroyDatabase>;

inline KxGOraDatabase* Ora(const DatabasePtr& database)
{
    return dynamic_cast<KxGOraDatabase*>(database.get());
}

// Deletes a statement handle the way the gateway does.
struct DestroyHandle {
    void operator()(KxGStatementHdl* handle) const { handle->Destroy(nullptr); }
};
using StatementHdlPtr = std::unique_ptr<KxGStatementHdl, DestroyHandle>;

// A statement list that deletes what it holds.
struct OwnedList : KxGStatementTemplateList {
    ~OwnedList() { ClearAll(); }

    // The texts of the statements ("<null>" for a missing statement, "<inactive>" for an inactive text).
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (uint32_t i = 0; i < Count(); ++i) {
            KxGStatementTemplate* statement = GetTemplate(i);
            if (statement == nullptr) {
                texts.push_back("<null>");
            } else {
                const KxString text = statement->GetSQLText();
                texts.push_back(text.IsActive() ? std::string(text.StrGet()) : std::string("<inactive>"));
            }
        }
        return texts;
    }
};

// ---- error listeners ------------------------------------------------------------------------------

// An error listener that throws from every message it receives.
class ThrowingReceiver : public KxGOraDatabaseErrorCallback {
public:
    void Receive(int32_t code, const char* /*message*/, const char* /*context*/) override
    {
        ++calls;
        throw std::runtime_error("receiver refused error " + std::to_string(code));
    }
    int calls = 0;
};

struct Heard {
    int32_t code;
    std::string message;
    std::string context;
};

// Records what it receives; throws after recording when asked to, as the upgrade library's receiver does.
class RecordingListener : public KxGOraDatabaseErrorCallback {
public:
    void Receive(int32_t code, const char* message, const char* context) override
    {
        heard.push_back({code, message, context});
        if (throws) {
            throw std::runtime_error(std::string("stopped by the listener: ") + message);
        }
    }

    std::vector<Heard> heard;
    bool throws = false;
};

// ---- files, the kernel and process-wide settings -------------------------------------------------

// A trace writer of every module on a file in a directory of its own, removed afterwards.
class TraceFile {
public:
    TraceFile() : trace_(std::make_unique<KxGDatabaseTrace>(KxString(Path()), 0xffff, nullptr)) {}
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    KxGDatabaseTrace* Trace() { return trace_.get(); }
    std::string Path() const { return dir_.Path("trace.log"); }
    // What has been written so far (the writer flushes its records).
    std::string Text() const { return ReadFile(Path()); }

private:
    TempDir dir_;   // outlives the writer
    std::unique_ptr<KxGDatabaseTrace> trace_;
};

// The kernel started for a client, with a configuration file when one is named, until the end of the
// scope. Status() is what InitKelvox answered; only a started kernel is ended.
class KelvoxScope {
public:
    explicit KelvoxScope(const char* clientName, const std::string& configFile = std::string())
    {
        KxParameterList start;
        start.Append("ClientName", clientName);
        if (!configFile.empty()) {
            start.Append("ConfigFile", KxString(configFile));
        }
        status_ = InitKelvox(&start);
    }
    ~KelvoxScope()
    {
        if (status_ == 0) {
            DeinitKelvox();   // the last one unloads every registered module
        }
    }
    KelvoxScope(const KelvoxScope&) = delete;
    KelvoxScope& operator=(const KelvoxScope&) = delete;

    int32_t Status() const { return status_; }

private:
    int32_t status_ = -1;
};

// Sets the process-wide Unicode flags for one test and restores them (both 0) afterwards.
class UnicodeFlags {
public:
    UnicodeFlags(uint16_t onlyServerUnicode, uint16_t clientUnicode)
    {
        KxGOraTypeHdl::SetUnicodeFlags(onlyServerUnicode, clientUnicode);
    }
    ~UnicodeFlags() { KxGOraTypeHdl::SetUnicodeFlags(0, 0); }
    UnicodeFlags(const UnicodeFlags&) = delete;
    UnicodeFlags& operator=(const UnicodeFlags&) = delete;
};

// ---- OCI -----------------------------------------------------------------------------------------

// The first error record of an OCI error handle.
struct OciErrorRecord {
    sb4 code = 0;
    std::string text;
};

inline OciErrorRecord FirstErrorRecord(OCIError* handle)
{
    OciErrorRecord record;
    char text[2048] = {};
    OCIErrorGet(handle, 1, nullptr, &record.code, reinterpret_cast<OraText*>(text), sizeof text, OCI_HTYPE_ERROR);
    record.text = text;
    return record;
}

// ---- servers of the SQL engine ---------------------------------------------------------------------

// A user of a server, with the system privileges granted to it.
struct ServerUser {
    ServerUser(std::string name, std::string password, bool dba = false, std::vector<std::string> privileges = {})
        : name(std::move(name)), password(std::move(password)), dba(dba), privileges(std::move(privileges))
    {
    }

    std::string name;
    std::string password;
    bool dba;
    std::vector<std::string> privileges;
};

// The users S (password "Secret", the gateway schema) and ADMIN (password "admin", DBA).
inline std::vector<ServerUser> SchemaAndAdmin()
{
    return {{"S", "Secret"}, {"ADMIN", "admin", true}};
}

// Registers a server of the engine with its files in `directory` and the given users; null (and the
// test fails) when the engine refuses.
inline std::shared_ptr<sqlengine::Server> RegisterServer(const std::string& name, const std::string& directory,
                                                         const std::vector<ServerUser>& users)
{
    sqlengine::Error error;
    auto server = sqlengine::Engine::Instance().RegisterServer(name, directory, &error);
    if (!server) {
        ADD_FAILURE() << name << ": " << error.message;
        return nullptr;
    }
    for (const ServerUser& user : users) {
        if (!server->AddUser(user.name, user.password, user.dba, &error)) {
            ADD_FAILURE() << user.name << ": " << error.message;
            return nullptr;
        }
        for (const std::string& privilege : user.privileges) {
            if (!server->GrantSystem(user.name, privilege, error)) {
                ADD_FAILURE() << privilege << " to " << user.name << ": " << error.message;
                return nullptr;
            }
        }
    }
    return server;
}

// A name that no other test running at the same time uses: the prefix and the unique end of the
// directory's name.
inline std::string UniqueName(const std::string& prefix, const TempDir& dir)
{
    const std::string name = std::filesystem::path(dir.Path("")).filename().string();
    return prefix + name.substr(name.size() > 6 ? name.size() - 6 : 0);
}

// Runs one statement on a session of the engine; the test fails when it does not run.
inline sqlengine::Outcome RunOn(sqlengine::Session& session, const std::string& sql)
{
    sqlengine::Error error;
    sqlengine::Outcome outcome;
    auto statement = session.Prepare(sql, error);
    EXPECT_TRUE(statement) << sql << ": " << error.message;
    if (statement) {
        EXPECT_TRUE(statement->Run({}, outcome, error)) << sql << ": " << error.message;
    }
    return outcome;
}

// The rows of an outcome, each value as text ("NULL" for NULL).
inline std::vector<std::vector<std::string>> RowTexts(const sqlengine::Outcome& outcome)
{
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : outcome.result.rows) {
        std::vector<std::string> values;
        for (const auto& value : row) {
            switch (value.type) {
            case sqlengine::Value::Type::Null: values.push_back("NULL"); break;
            case sqlengine::Value::Type::Integer: values.push_back(std::to_string(value.integer)); break;
            default: values.push_back(value.bytes); break;
            }
        }
        rows.push_back(values);
    }
    return rows;
}

struct ServerSettings {
    std::string prefix;              // of the server's name (see UniqueName)
    std::vector<ServerUser> users;
    bool noBusyWait = false;         // the engine's busy timeout 0 during the test (1000 afterwards)
    bool traced = false;             // a trace writer of every module on "trace.txt" of the directory
};

// A server of its own for each test: a fresh directory, the server's files in its folder "db", and the
// given users. Injected failures are cleared afterwards.
class ServerTest : public ::testing::Test {
protected:
    explicit ServerTest(ServerSettings settings) : settings_(std::move(settings)) {}

    void SetUp() override
    {
        serverName_ = UniqueName(settings_.prefix, dir_);
        server_ = RegisterServer(serverName_, dir_.Path("db"), settings_.users);
        ASSERT_TRUE(server_);
        if (settings_.noBusyWait) {
            sqlengine::Engine::Instance().SetBusyTimeout(0);
        }
        if (settings_.traced) {
            trace_ = std::make_unique<KxGDatabaseTrace>(KxString(TracePath()), 0xFFFF, nullptr);
        }
    }

    void TearDown() override
    {
        auto& engine = sqlengine::Engine::Instance();
        engine.ClearInjectedFailures();
        if (settings_.noBusyWait) {
            engine.SetBusyTimeout(1000);
        }
        engine.UnregisterServer(serverName_);
        server_.reset();
        trace_.reset();
    }

    std::string TracePath() const { return dir_.Path("trace.txt"); }

    // What the trace writer has written, flushed first.
    std::string TraceText()
    {
        trace_->Flush();
        return ReadFile(TracePath());
    }

    ServerSettings settings_;
    TempDir dir_;
    std::string serverName_;
    std::shared_ptr<sqlengine::Server> server_;
    std::unique_ptr<KxGDatabaseTrace> trace_;
};

// ... and an Oracle database object of the schema "s", logged on as user "s" with password "s" (the
// settings give the server that user) with the fixture's trace, opened; closed again afterwards.
class DatabaseTest : public ServerTest {
protected:
    explicit DatabaseTest(ServerSettings settings) : ServerTest(std::move(settings)) {}

    void SetUp() override
    {
        ServerTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        db_ = std::make_unique<KxGOraDatabase>(KxString(serverName_.c_str()), KxString("s"), KxString("s"),
                                               KxString("s"), nullptr, nullptr);
        if (trace_) {
            db_->SetTrace(trace_.get());
        }
        ASSERT_EQ(db_->OpenConnection(), 1) << db_->GetError()->Text();
    }

    void TearDown() override
    {
        sqlengine::Engine::Instance().ClearInjectedFailures();
        if (db_) {
            db_->CloseConnection();
            db_.reset();
        }
        ServerTest::TearDown();
    }

    // Executes every statement of the list on the database; each must answer 1 (a fatal failure names
    // the statement and the database's error).
    void ExecuteEach(KxGStatementTemplateList& list)
    {
        for (uint32_t i = 0; i < list.Count(); ++i) {
            KxGStoreStatement run(db_.get(), list.GetTemplate(i), 0);
            const KxString& sql = list.GetTemplate(i)->GetSQLText();
            ASSERT_EQ(run.Execute(), 1) << (sql.IsActive() ? sql.StrGet() : "") << "\n" << db_->GetError()->Text();
        }
    }

    std::unique_ptr<KxGOraDatabase> db_;
};

}  // namespace oratest
