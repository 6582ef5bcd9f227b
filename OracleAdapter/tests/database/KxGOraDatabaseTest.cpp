// The Oracle database object: construction by GetDBInst and by the clone, names and settings, owned
// objects, descriptors, the dialect's simple answers, and opening and closing a session on the
// stand-in server.
#include <gtest/gtest.h>

#include <string>

#include "DatabaseTestSupport.h"
#include "KxGDatabaseTrace.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGOraModule.h"
#include "KxGOraTypeHdlMgr.h"
#include "KxGStatementHdl.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "oci.h"

namespace {

using oratest::Ora;

DatabasePtr MakeDatabase(const char* server, const char* database, const char* user = "",
                         const char* password = "", KxParameterList* parameters = nullptr)
{
    return DatabasePtr(GetDBInst(KxString(server), KxString(database), KxString(user), KxString(password), nullptr,
                                 parameters));
}

std::string Name(KxString* (KxGDatabase::*getter)(KxString*), KxGDatabase& database)
{
    KxString text;
    KxString* result = (database.*getter)(&text);
    EXPECT_EQ(result, &text);
    return text.StrGet();
}

// ---------------------------------------------------------------------------------------------------
// Construction

TEST(OraDatabase, GetDBInstUpperCasesNamesAndKeepsThePassword)
{
    KxParameterList parameters;
    DatabasePtr database = MakeDatabase("LOCAL", "shop", "scott", "TiGer", &parameters);
    ASSERT_NE(database, nullptr);
    KxGOraDatabase* ora = Ora(database);
    ASSERT_NE(ora, nullptr);

    EXPECT_EQ(Name(&KxGDatabase::GetDatabaseName, *database), "SHOP");
    EXPECT_EQ(Name(&KxGDatabase::GetSchemaName, *database), "SHOP");
    EXPECT_EQ(Name(&KxGDatabase::GetUser, *database), "SCOTT");
    EXPECT_EQ(Name(&KxGDatabase::GetPassword, *database), "TiGer");
    EXPECT_EQ(std::string(ora->GetServer().StrGet()), "LOCAL");
    EXPECT_EQ(database->GetGatewayVersion(), 1024);
    EXPECT_EQ(database->GetRowNum(), 0);
    EXPECT_EQ(ora->GetOpenChecks(), 1);
    EXPECT_EQ(ora->GetAutoCommit(), 0);
    EXPECT_EQ(ora->GetKnownConnectionId(), 0);
    EXPECT_EQ(ora->GetParameterList(), &parameters);
    EXPECT_EQ(ora->GetKernelBase(), nullptr);
    EXPECT_FALSE(ora->IsOpen());

    // Owned objects exist from the start; the error object is empty.
    ASSERT_NE(database->GetError(), nullptr);
    EXPECT_EQ(database->GetError()->HasError(), 0);
    ASSERT_NE(database->GetDatabaseInfo(), nullptr);
    EXPECT_EQ(database->GetDatabaseInfo(), database->GetDatabaseInfo());
    ASSERT_NE(database->GetStatementHdlCache(), nullptr);
    EXPECT_EQ(database->GetStatementHdlCache()->GetDatabase(), database.get());
    EXPECT_EQ(database->GetStatementHdlCache()->GetCapacity(), KXG_DEFAULT_STATEMENT_HANDLES);
    EXPECT_EQ(database->GetTrace(0), nullptr);

    // Every OCI handle was made.
    EXPECT_NE(ora->GetEnvironment(), nullptr);
    EXPECT_NE(ora->GetErrorHandle(), nullptr);
    EXPECT_NE(ora->GetServiceContext(), nullptr);
    EXPECT_NE(ora->GetServerHandle(), nullptr);
    EXPECT_NE(ora->GetSessionHandle(), nullptr);
    EXPECT_EQ(ora->CheckHandles(), 1);
}

TEST(OraDatabase, SettersKeepUserUpperCasedAndPasswordAsGiven)
{
    DatabasePtr database = MakeDatabase("LOCAL", "shop");
    KxString user("MiXed_User");
    KxString password("MiXed_Pass");
    database->SetUser(&user);
    database->SetPassword(&password);
    EXPECT_EQ(Name(&KxGDatabase::GetUser, *database), "MIXED_USER");
    EXPECT_EQ(Name(&KxGDatabase::GetPassword, *database), "MiXed_Pass");
    EXPECT_EQ(user, KxString("MiXed_User"));   // the caller's text is unchanged

    database->SetGatewayVersion(272);
    EXPECT_EQ(database->GetGatewayVersion(), 272);
    database->SetRowNum(25);
    EXPECT_EQ(database->GetRowNum(), 25);
    EXPECT_EQ(database->SetAutoCommit(7), 1);
    EXPECT_EQ(Ora(database)->GetAutoCommit(), 1);
    EXPECT_EQ(database->SetAutoCommit(0), 0);
    EXPECT_EQ(Ora(database)->GetAutoCommit(), 0);

    // The schema owner is the user that equals the database name.
    EXPECT_EQ(database->IsSchemaOwner(), 0);
    KxString owner("Shop");
    database->SetUser(&owner);
    EXPECT_EQ(database->IsSchemaOwner(), 1);
}

TEST(OraDatabase, LogInDataAndAttachAnswerAsAnAdapterWithoutStoredLogIn)
{
    DatabasePtr database = MakeDatabase("ORCL", "shop");
    KxString server("ORCL");
    KxString user("proposed");
    EXPECT_EQ(database->HasLoginData(&server), 0);
    EXPECT_EQ(database->GetLoginUser(&server, &user), -1);
    EXPECT_TRUE(user.IsActive());
    EXPECT_TRUE(user.IsEmpty());
    EXPECT_EQ(database->AttachServer(), 1);
    EXPECT_EQ(database->GetBatchSize(500, 1), 500);
}

TEST(OraDatabase, TraceIsServedByModuleMaskAndNeverOwned)
{
    TempDir dir;
    auto trace = std::make_unique<KxGDatabaseTrace>(KxString(dir.Path("trace.txt")), KXG_TRACE_DBA, nullptr);
    {
        DatabasePtr database = MakeDatabase("LOCAL", "shop");
        database->SetTrace(trace.get());
        EXPECT_EQ(database->GetTrace(0), trace.get());
        EXPECT_EQ(database->GetTrace(KXG_TRACE_DBA | KXG_TRACE_CA), trace.get());
        EXPECT_EQ(database->GetTrace(KXG_TRACE_CA), nullptr);
        EXPECT_EQ(Ora(database)->GetTraceWriter(), trace.get());
    }
    // Destroying the database did not close the writer.
    EXPECT_TRUE(trace->IsOpen());
    *trace << "still writable" << '\n';
}

TEST(OraDatabase, TypeHandlerManagerIsMadeOnceAndServesGetTypeHdl)
{
    DatabasePtr database = MakeDatabase("LOCAL", "shop");
    KxGTypeHdlMgr* manager = database->GetTypeHdlMgr();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(database->GetTypeHdlMgr(), manager);
    EXPECT_NE(dynamic_cast<KxGOraTypeHdlMgr*>(manager), nullptr);

    KxGTypeHdl* handler = database->GetTypeHdl(11, 0, 0);
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(handler, manager->GetTypeHdl(11, 0, 0));
    EXPECT_EQ(database->GetTypeHdl(6, 0, 0), manager->GetTypeHdl(6, 0, 0));

    // Arguments beyond a byte are refused rather than wrapped onto another type code (267 would be 11).
    EXPECT_EQ(database->GetTypeHdl(267, 0, 0), nullptr);
    EXPECT_EQ(database->GetTypeHdl(-1, 0, 0), nullptr);
    EXPECT_EQ(database->GetTypeHdl(11, 256, 0), nullptr);
}

TEST(OraDatabase, StatementCacheCapacityComesFromTheConfigurationAndPassesToTheClone)
{
    TempDir dir;
    const std::string config = dir.Path("kelvox.ini");
    WriteFile(config, "[databases\\shop\\RelationalObjectGateway]\nMaxStatementHandleCacheSize=7\n");
    oratest::KelvoxScope kernel("relgate_ora_database_tests", config);
    ASSERT_EQ(kernel.Status(), 0);
    {
        DatabasePtr database = MakeDatabase("LOCAL", "shop");
        EXPECT_EQ(database->GetStatementHdlCache()->GetCapacity(), 7);
        DatabasePtr clone(database->CloneConnection());
        ASSERT_NE(clone, nullptr);
        EXPECT_EQ(clone->GetStatementHdlCache()->GetCapacity(), 7);
        EXPECT_EQ(MakeDatabase("LOCAL", "stock")->GetStatementHdlCache()->GetCapacity(),
                  KXG_DEFAULT_STATEMENT_HANDLES);
    }
}

TEST(OraDatabase, CloneCopiesNamesAndSettingsButStartsUnopenedWithoutTraceAndChecks)
{
    TempDir dir;
    KxGDatabaseTrace trace(KxString(dir.Path("trace.txt")), 0xFFFF, nullptr);
    KxParameterList parameters;
    DatabasePtr database = MakeDatabase("ORCL", "shop", "scott", "TiGer", &parameters);
    database->SetGatewayVersion(272);
    database->SetAutoCommit(1);
    database->SetRowNum(9);
    database->SetTrace(&trace);

    DatabasePtr clone(database->CloneConnection());
    ASSERT_NE(clone, nullptr);
    KxGOraDatabase* ora = Ora(clone);
    ASSERT_NE(ora, nullptr);
    EXPECT_NE(clone.get(), database.get());
    EXPECT_EQ(Name(&KxGDatabase::GetDatabaseName, *clone), "SHOP");
    EXPECT_EQ(Name(&KxGDatabase::GetUser, *clone), "SCOTT");
    EXPECT_EQ(Name(&KxGDatabase::GetPassword, *clone), "TiGer");
    EXPECT_EQ(std::string(ora->GetServer().StrGet()), "ORCL");
    EXPECT_EQ(clone->GetGatewayVersion(), 272);
    EXPECT_EQ(ora->GetAutoCommit(), 1);
    EXPECT_EQ(ora->GetParameterList(), &parameters);
    EXPECT_EQ(ora->GetKernelBase(), nullptr);
    EXPECT_EQ(ora->GetOpenChecks(), 0);
    EXPECT_EQ(ora->GetKnownConnectionId(), 0);
    EXPECT_EQ(clone->GetRowNum(), 0);
    EXPECT_EQ(clone->GetTrace(0), nullptr);
    EXPECT_FALSE(ora->IsOpen());
    EXPECT_EQ(clone->GetStatementHdlCache()->GetCapacity(), database->GetStatementHdlCache()->GetCapacity());
    EXPECT_EQ(clone->GetStatementHdlCache()->GetDatabase(), clone.get());

    // Objects and handles of its own.
    EXPECT_NE(clone->GetError(), database->GetError());
    EXPECT_NE(clone->GetDatabaseInfo(), database->GetDatabaseInfo());
    EXPECT_NE(ora->GetEnvironment(), nullptr);
    EXPECT_NE(ora->GetEnvironment(), Ora(database)->GetEnvironment());
    EXPECT_NE(ora->GetSessionHandle(), nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Descriptors

TEST(OraDatabase, LobDescriptorIsMadeEmptyAndFreed)
{
    DatabasePtr database = MakeDatabase("LOCAL", "shop");
    uintptr_t locator = 0;
    ASSERT_EQ(database->AllocDescriptor(OCI_DTYPE_LOB, &locator), 0);
    EXPECT_NE(locator, 0u);
    EXPECT_EQ(database->GetError()->HasError(), 0);
    EXPECT_EQ(database->FreeDescriptor(OCI_DTYPE_LOB, locator), 0);
}

TEST(OraDatabase, DescriptorFailuresAreReportedAndAnswerTheErrorCode)
{
    TempDir dir;
    KxGDatabaseTrace trace(KxString(dir.Path("trace.txt")), KXG_TRACE_DBA, nullptr);
    DatabasePtr database = MakeDatabase("LOCAL", "shop");
    database->SetTrace(&trace);

    // A kind the OCI does not know.
    uintptr_t handle = 0;
    const int32_t alloc = database->AllocDescriptor(77, &handle);
    EXPECT_EQ(alloc, OCI_INVALID_HANDLE);
    EXPECT_EQ(alloc, database->GetError()->ErrorCode());
    EXPECT_EQ(handle, 0u);

    // No locator, a locator freed as another kind, and no place for the handle at all.
    database->GetError()->Clear();
    EXPECT_EQ(database->FreeDescriptor(OCI_DTYPE_LOB, 0), OCI_INVALID_HANDLE);
    EXPECT_EQ(database->GetError()->NativeCode(), OCI_INVALID_HANDLE);
    uintptr_t locator = 0;
    ASSERT_EQ(database->AllocDescriptor(OCI_DTYPE_LOB, &locator), 0);
    database->GetError()->Clear();
    EXPECT_EQ(database->FreeDescriptor(77, locator), OCI_INVALID_HANDLE);
    EXPECT_EQ(database->GetError()->NativeCode(), OCI_INVALID_HANDLE);
    EXPECT_EQ(database->FreeDescriptor(OCI_DTYPE_LOB, locator), 0);
    database->GetError()->Clear();
    EXPECT_EQ(database->AllocDescriptor(OCI_DTYPE_LOB, nullptr), OCI_INVALID_HANDLE);

    trace.Flush();
    const std::string text = ReadFile(dir.Path("trace.txt"));
    EXPECT_NE(text.find("</Error error=-2>"), std::string::npos) << text;
}

// ---------------------------------------------------------------------------------------------------
// Operations served by later versions

TEST(OraDatabase, OperationsNotServedYetAnswerNullWithATraceLine)
{
    TempDir dir;
    KxGDatabaseTrace trace(KxString(dir.Path("trace.txt")), KXG_TRACE_DBA, nullptr);
    DatabasePtr database = MakeDatabase("LOCAL", "shop");
    database->SetTrace(&trace);

    // Without a context there is nothing to make a unit of work for.
    EXPECT_EQ(database->CreateResourceMgr(KXG_RESOURCE_TRANSACTION, nullptr), nullptr);
    EXPECT_EQ(database->CreateResourceMgr(KXG_RESOURCE_COMPOUND_STATEMENT, nullptr), nullptr);
    EXPECT_EQ(database->CreateReadUnitOfWork(nullptr), nullptr);
    database->DeleteResourceMgr(nullptr);
    database->DeleteReadUnitOfWork(nullptr);
    EXPECT_EQ(database->CreateExtentService(nullptr, nullptr, 0, 0), nullptr);

    trace.Flush();
    const std::string text = ReadFile(dir.Path("trace.txt"));
    EXPECT_NE(text.find("<CreateExtentService "), std::string::npos) << text;
}

// ---------------------------------------------------------------------------------------------------
// Dialect

TEST(OraDatabaseInfo, SimpleAnswersOfTheDialect)
{
    DatabasePtr database = MakeDatabase("LOCAL", "shop");
    KxGDatabaseInfo* info = database->GetDatabaseInfo();
    auto* ora = dynamic_cast<KxGOraDatabaseInfo*>(info);
    ASSERT_NE(ora, nullptr);
    EXPECT_EQ(ora->GetDatabase(), database.get());

    EXPECT_EQ(info->GetProductName(), KxString("ORACLE"));
    const struct {
        int32_t kind;
        int32_t length;
    } lengths[] = {{0, 30}, {1, 30}, {2, 30}, {3, 65535}, {-1, 65535}, {100, 65535}};
    for (const auto& c : lengths) {
        EXPECT_EQ(info->GetMaxNameLength(c.kind), c.length) << c.kind;
    }
    const struct {
        int32_t position;
        const char* marker;
    } markers[] = {{1, ":1"}, {2, ":2"}, {10, ":10"}, {32767, ":32767"}};
    for (const auto& c : markers) {
        EXPECT_EQ(info->GetParameterMarker(c.position), KxString(c.marker)) << c.position;
    }
    EXPECT_EQ(info->MapName(KxString("Person_t")), KxString("Person_t"));
    EXPECT_EQ(info->MapNameUpper(KxString("Person_t")), KxString("PERSON_T"));
    EXPECT_EQ(info->QueryFlag(), 0);
    EXPECT_EQ(info->UsesOption(), 0);
    EXPECT_EQ(info->GetTerminator(), KxString("/"));

    EXPECT_EQ(ora->GetOption(), 0);
    EXPECT_EQ(info->SetOption(1), 0);
    EXPECT_EQ(info->SetOption(0), 1);
    EXPECT_EQ(info->SetOption(0xFFFF), 0);
    EXPECT_EQ(ora->GetOption(), 0xFFFF);
    EXPECT_EQ(info->UsesOption(), 0);

    KxGTypeConvHdlMgr* conversions = info->GetTypeConvHdlMgr();
    ASSERT_NE(conversions, nullptr);
    EXPECT_EQ(info->GetTypeConvHdlMgr(), conversions);
    EXPECT_NE(dynamic_cast<KxGOraTypeConvHdlMgr*>(conversions), nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Sessions on the stand-in server

using OraConnection = OracleServerTest;

TEST_F(OraConnection, OpensAndClosesOnTheLocalAndANamedServer)
{
    for (const char* server : {"LOCAL", "ORCL"}) {
        SCOPED_TRACE(server);
        DatabasePtr database = MakeDatabase(server, "s");
        KxString user("s");
        KxString password("Secret");
        database->SetUser(&user);
        database->SetPassword(&password);
        ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
        EXPECT_TRUE(Ora(database)->IsOpen());
        auto& target = std::string(server) == "LOCAL" ? local_ : named_;
        EXPECT_EQ(target->Sessions().size(), 1u);
        // Opening an open connection changes nothing.
        EXPECT_EQ(database->OpenConnection(), 1);
        EXPECT_EQ(target->Sessions().size(), 1u);
        EXPECT_EQ(database->CommitConnection(), 1);
        EXPECT_EQ(database->RollbackConnection(), 1);
        database->CloseConnection();
        EXPECT_FALSE(Ora(database)->IsOpen());
        EXPECT_EQ(target->Sessions().size(), 0u);
        EXPECT_EQ(database->GetError()->HasError(), 0);

        // The same object opens again after closing.
        ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
        database->CloseConnection();
    }
}

TEST_F(OraConnection, CloneOpensItsOwnSession)
{
    DatabasePtr database = MakeDatabase("ORCL", "s", "s", "Secret");
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
    DatabasePtr clone(database->CloneConnection());
    ASSERT_NE(clone, nullptr);
    EXPECT_FALSE(Ora(clone)->IsOpen());
    ASSERT_EQ(clone->OpenConnection(), 1) << clone->GetError()->Text();
    EXPECT_EQ(named_->Sessions().size(), 2u);
    clone->CloseConnection();
    database->CloseConnection();
    EXPECT_EQ(named_->Sessions().size(), 0u);
}

TEST_F(OraConnection, LogInFailuresAreReportedAndLeaveTheObjectReadyForAnotherTry)
{
    TempDir dir;
    KxGDatabaseTrace trace(KxString(dir.Path("trace.txt")), KXG_TRACE_DBA, nullptr);
    const struct {
        const char* server;
        const char* user;
        const char* password;
        int32_t native;
        int32_t status;
    } cases[] = {
        {"ORCL", "s", "wrong", 1017, -2309},       // wrong password
        {"ORCL", "nobody", "Secret", 1017, -2309},  // unknown user
        {"NOSUCH", "s", "Secret", 12154, -2512},    // unknown server name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.server) + "/" + c.user);
        DatabasePtr database = MakeDatabase(c.server, "s", c.user, c.password);
        database->SetTrace(&trace);
        EXPECT_EQ(database->OpenConnection(), 0);
        EXPECT_EQ(database->GetError()->NativeCode(), c.native);
        EXPECT_EQ(database->GetError()->ErrorCode(), c.status);
        EXPECT_FALSE(Ora(database)->IsOpen());

        // A second try with good names on the same object works: the failed try left nothing attached.
        KxString user("S");
        KxString password("Secret");
        database->SetUser(&user);
        database->SetPassword(&password);
        if (std::string(c.server) == "ORCL") {
            ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
            database->CloseConnection();
        }
    }
    EXPECT_EQ(named_->Sessions().size(), 0u);
    trace.Flush();
    const std::string text = ReadFile(dir.Path("trace.txt"));
    EXPECT_NE(text.find("ErrorCode : 1017"), std::string::npos) << text;
    EXPECT_NE(text.find("</Error error=-1>"), std::string::npos) << text;
}

TEST_F(OraConnection, AThrowingReceiverPassesOutOfOpenAndCloseAndTheObjectStaysUsable)
{
    ThrowingReceiver receiver;
    receiver.Register();
    DatabasePtr database = MakeDatabase("ORCL", "s", "s", "wrong");

    // A failed log-in: the exception passes out, nothing stays attached.
    EXPECT_THROW(database->OpenConnection(), std::runtime_error);
    EXPECT_EQ(receiver.calls, 1);
    EXPECT_EQ(database->GetError()->NativeCode(), 1017);
    EXPECT_FALSE(Ora(database)->IsOpen());

    KxString password("Secret");
    database->SetPassword(&password);
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
    EXPECT_EQ(named_->Sessions().size(), 1u);

    // A failing rollback while closing: the exception passes out, the session still ends.
    sqlengine::Engine::Instance().InjectFailure("OCITransRollback", 3113);
    EXPECT_THROW(database->CloseConnection(), std::runtime_error);
    EXPECT_EQ(receiver.calls, 2);
    EXPECT_FALSE(Ora(database)->IsOpen());
    EXPECT_EQ(named_->Sessions().size(), 0u);

    // A LOB locator that cannot be made empty: the exception passes out and the locator is freed
    // (the leak check at the end of the program sees none).
    sqlengine::Engine::Instance().InjectFailure("OCIAttrSet", 3113);
    uintptr_t locator = 0;
    EXPECT_THROW(database->AllocDescriptor(OCI_DTYPE_LOB, &locator), std::runtime_error);
    EXPECT_EQ(locator, 0u);
    EXPECT_EQ(receiver.calls, 3);

    receiver.Unregister();
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
    database->CloseConnection();
}

TEST_F(OraConnection, AFailingSessionEndOrDetachIsReportedAndTheNextOpenStartsClean)
{
    for (const char* call : {"OCISessionEnd", "OCIServerDetach"}) {
        SCOPED_TRACE(call);
        DatabasePtr database = MakeDatabase("LOCAL", "s", "s", "Secret");
        ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
        sqlengine::Engine::Instance().InjectFailure(call, 3113);
        database->CloseConnection();
        EXPECT_EQ(database->GetError()->NativeCode(), 3113);
        EXPECT_FALSE(Ora(database)->IsOpen());
        EXPECT_EQ(Ora(database)->CheckHandles(), 1);
        ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
        EXPECT_EQ(local_->Sessions().size(), 1u);
        database->CloseConnection();
        EXPECT_EQ(local_->Sessions().size(), 0u);
    }
}

TEST_F(OraConnection, CommitAndRollbackFailuresAreReported)
{
    DatabasePtr database = MakeDatabase("LOCAL", "s", "s", "Secret");
    // Without a session.
    EXPECT_EQ(database->CommitConnection(), 0);
    EXPECT_EQ(database->GetError()->NativeCode(), 3114);
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
    sqlengine::Engine::Instance().InjectFailure("OCITransCommit", 3113);
    EXPECT_EQ(database->CommitConnection(), 0);
    EXPECT_EQ(database->GetError()->NativeCode(), 3113);
    EXPECT_EQ(database->GetError()->ErrorCode(), -6001);
    EXPECT_EQ(database->CommitConnection(), 1);
    database->CloseConnection();
}

TEST_F(OraConnection, StatementHandlesArePreparedOnTheConnection)
{
    DatabasePtr database = MakeDatabase("LOCAL", "s", "s", "Secret");
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();

    KxGSelectStatementTemplate query(KxString("SELECT 1 FROM DUAL"));
    KxGStatementHdl* handle = database->CreateStatementHdl(&query);
    ASSERT_NE(handle, nullptr) << database->GetError()->Text();
    EXPECT_EQ(handle->GetSelectFlag(), 1);
    handle->Destroy(nullptr);

    // A prepare that fails: reported, no handle.
    sqlengine::Engine::Instance().InjectFailure("OCIStmtPrepare", 900);
    EXPECT_EQ(database->CreateStatementHdl(&query), nullptr);
    EXPECT_EQ(database->GetError()->NativeCode(), 900);

    // Through the cache, which hands the handle back for the next statement of the template.
    KxGStatementHdlCache* cache = database->GetStatementHdlCache();
    KxGStatementHdl* cached = cache->AllocStatementHdl(&query);
    ASSERT_NE(cached, nullptr);
    cache->FreeStatementHdl(cached, &query);
    EXPECT_EQ(cache->GetCachedCount(), 1u);
    database->CloseConnection();   // frees the cached handles
    EXPECT_EQ(cache->GetCachedCount(), 0u);
    EXPECT_EQ(cache->GetLiveCount(), 0);
}

TEST_F(OraConnection, DestroyingAnOpenConnectionEndsItsSession)
{
    DatabasePtr database = MakeDatabase("LOCAL", "s", "s", "Secret");
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
    EXPECT_EQ(local_->Sessions().size(), 1u);
    database.reset();
    EXPECT_EQ(local_->Sessions().size(), 0u);
}

}  // namespace
