// The gateway client: factory, configuration, logical-name parameters, trace file, adapter loading,
// log-in, open, register and close.
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "KxGLockService.h"
#include "KxGatewayAdmin.h"
#include "KxGatewayExcept.h"
#include "KxGatewayModule.h"
#include "KxGatewayTransactionMgr.h"
#include "KxTransaction.h"
#include "kxfound.h"

namespace {

using Ops = std::vector<std::string>;

// ---------------------------------------------------------------------------------------------------
// Factory and exception handler

TEST_F(ClientTest, FactoryMakesClientsWithTransactionManagerAndExceptionHandlers)
{
    Start();
    KxBase base{KxString("shop")};
    KxGatewayClientFactory factory{KxString("FaKe")};
    std::unique_ptr<KxBaseConnection> connection(factory.CreateConnection(&base));
    auto* client = dynamic_cast<KxGatewayClient*>(connection.get());
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->GetProduct(), KxString("fake"));
    EXPECT_EQ(client->GetBase(), &base);
    ASSERT_NE(client->GetTransactionManager(), nullptr);
    EXPECT_EQ(client->GetTransactionManager()->GetClient(), client);
    EXPECT_EQ(client->GetTransactionMgr(), client->GetTransactionManager());
    EXPECT_EQ(client->GetDatabase(), nullptr);

    KxString product;
    EXPECT_EQ(factory.GetProductName(product), 0);
    EXPECT_EQ(product, KxString("FaKe"));

    std::unique_ptr<KxExcept> except(factory.CreateExcept(&base));
    ASSERT_NE(dynamic_cast<KxGatewayExcept*>(except.get()), nullptr);
    EXPECT_EQ(except->NotifyOpen(), 0);
    EXPECT_EQ(except->NotifyClose(), 0);
    EXPECT_EQ(except->NotifyConnect(), 0);
    EXPECT_EQ(except->NotifyDisconnect(), 0);

    KxErrorInfo error;
    error.code = -6031;
    EXPECT_EQ(except->HandleError(&error), -6031);
    EXPECT_EQ(base.GetExcMgr()->GetErrorCount(), 1u);
    // A system error already handled (flag bit 1) is not passed on.
    error.flags = KxExcept::KX_ERROR_HANDLED;
    EXPECT_EQ(except->HandleSystemError(&error), 0);
    EXPECT_EQ(base.GetExcMgr()->GetErrorCount(), 1u);
    error.flags = 0x1;
    error.code = -6035;
    EXPECT_EQ(except->HandleSystemError(&error), -6035);
    EXPECT_EQ(base.GetExcMgr()->GetErrorCount(), 2u);
    EXPECT_EQ(base.GetExcMgr()->GetLastError().code, -6035);
}

// ---------------------------------------------------------------------------------------------------
// Logical-name parameters and configuration

TEST(LogicalNameTest, ParametersAreSplitTrimmedAndKeptInOrder)
{
    struct Row {
        std::string name;
        std::vector<std::pair<std::string, std::string>> expected;
    };
    const std::string far(300, 'x');
    const Row rows[] = {
        {"shop?ROG_RowNum = 100 & mode", {{"ROG_RowNum", "100"}, {"mode", ""}}},
        {"shop", {}},
        {"shop?", {}},
        {"shop?a=b=c", {{"a", "b=c"}}},
        {"shop?&& k =  v w &", {{"k", "v w"}}},
        {"shop? = v&x", {{"x", ""}}},
        {"shop?a=1?b=2", {{"a", "1?b=2"}}},
        {far + "?a=1", {}},                                   // "?" beyond the first 256 characters
        {std::string(255, 'y') + "?a=1", {{"a", "1"}}},     // the 256th character
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.substr(0, 40));
        KxParameterList params;
        KxGParseLogicalName(KxString(row.name), params);
        ASSERT_EQ(params.Count(), row.expected.size());
        for (uint32_t i = 0; i < params.Count(); ++i) {
            EXPECT_EQ(std::string(params.Get(i)->name.StrGet()), row.expected[i].first);
            EXPECT_EQ(std::string(params.Get(i)->value.StrGet()), row.expected[i].second);
        }
    }
    EXPECT_EQ(KxGDatabaseNameOf(KxString("shop?a=1")), KxString("shop"));
    EXPECT_EQ(KxGDatabaseNameOf(KxString("shop")), KxString("shop"));
}

TEST_F(ClientTest, OpenPassesTheParametersAndReadsTheSectionOfTheBareDatabaseName)
{
    Start(Section("shop") + "TraceModules=CA\nTraceFile=" + TraceFile("t.trc") + "\n");
    MakeClient("shop?ROG_RowNum = 100 & mode");
    ASSERT_EQ(Open("shop?ROG_RowNum = 100 & mode"), 0);

    EXPECT_EQ(LastArgs("GetDBInst"), "SRV,shop,,");
    KxGFakeDatabase* fake = Fake(client_->GetDatabase());
    ASSERT_EQ(fake->Parameters(), &client_->GetParameters());
    EXPECT_EQ(fake->Base(), base_.get());
    int32_t rows = 0;
    EXPECT_EQ(fake->Parameters()->GetInt(KxString("ROG_RowNum"), rows), 0);
    EXPECT_EQ(rows, 100);
    EXPECT_NE(fake->Parameters()->Find(KxString("mode")), nullptr);
    EXPECT_EQ(client_->GetConfigPath()[1], KxString("shop"));
    // The trace was configured in the section of "shop".
    ASSERT_NE(client_->GetTrace(), nullptr);
}

TEST_F(ClientTest, ConfigurationReadersFallBackOnlyWhenAsked)
{
    Start(Section("shop") + "MaxConnectionPoolSize=3\n[RelationalObjectGateway]\nMaxConnectionPoolSize=5\n"
          "OrderQueryResultsByOID=1\n");
    MakeClient();
    ASSERT_EQ(Open(), 0);
    int32_t value = -1;
    EXPECT_EQ(client_->ReadConfig(KXG_CFG_MAX_POOL_SIZE, value, true), 0);
    EXPECT_EQ(value, 3);
    value = -1;
    EXPECT_NE(client_->ReadConfig(KXG_CFG_ORDER_BY_OID, value), 0);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(client_->ReadConfig(KXG_CFG_ORDER_BY_OID, value, true), 0);
    EXPECT_EQ(value, 1);
}

TEST_F(ClientTest, ConfigurationReadersWithoutConfigurationAnswer2751)
{
    KxParameterList params;
    params.Append("ClientName", "client_tests");
    ASSERT_EQ(InitKelvox(&params), 0);
    started_ = true;
    MakeClient();
    KxString value;
    EXPECT_EQ(client_->ReadConfig(KXG_CFG_TRACE_MODULES, value), KXG_E_NO_CONFIGURATION);
    // Without a configuration nothing names the fake adapter's library: it cannot be loaded.
    EXPECT_EQ(Open(), -5002);
}

// ---------------------------------------------------------------------------------------------------
// Open

TEST_F(ClientTest, OpenLoadsLogsInAndOpensInOrder)
{
    OpenShop();
    KxGFakeDatabase* fake = Fake(client_->GetDatabase());
    ASSERT_NE(fake, nullptr);
    // The registry loaded the module (checked and initialised it) before GetDBInst made the database.
    EXPECT_EQ(OpsOf(nullptr), (Ops{"KxCheckDll", "KxInitDll", "GetDBInst"}));
    EXPECT_EQ(OpsOf(fake), (Ops{"HasLoginData", "GetLoginUser", "SetUser", "SetPassword", "SetTrace",
                                "OpenConnection"}));
    EXPECT_TRUE(fake->IsOpen());
    EXPECT_EQ(fake->Server(), KxString("SRV"));
    EXPECT_FALSE(client_->IsLocalMode());
    EXPECT_EQ(client_->GetTrace(), nullptr);   // no TraceModules: no trace

    // A second open of an open client changes nothing.
    EXPECT_EQ(Open(), -6000);
    EXPECT_EQ(client_->GetDatabase(), fake);

    EXPECT_EQ(client_->CloseClient(), 0);
    EXPECT_EQ(client_->GetDatabase(), nullptr);
    // The client can be opened again after close.
    ASSERT_EQ(Open(), 0);
    EXPECT_NE(client_->GetDatabase(), nullptr);
}

TEST_F(ClientTest, OpenModeBitsOrNoBaseGive6000AndLoadNothing)
{
    Start(Section("shop") + "TraceModules=CA\nTraceFile=" + TraceFile("t.trc") + "\n");
    MakeClient();
    for (int32_t mode : {1, 2, 3, 0x7}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(Open("shop", mode), -6000);
    }
    EXPECT_EQ(KxGFakeScript::Count("GetDBInst"), 0u);
    EXPECT_EQ(client_->GetTrace(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(TraceFile("t.trc")));

    KxGatewayClient noBase(nullptr, KxString("Fake"));
    KxString out;
    EXPECT_EQ(noBase.OpenClient(KxString("shop"), out, 0), -6000);
    EXPECT_EQ(out, KxString("shop"));

    // Other bits are not the gateway's business.
    EXPECT_EQ(Open("shop", 4), 0);
}

// Adapter modules that cannot serve: the status, the trace text and whether GetDBInst was called.
TEST_F(ClientTest, AdapterThatCannotBeLoadedGives5002)
{
    struct Row {
        const char* name;
        const char* product;   // "Gx": no such library; "Gn": relgate itself, which has no GetDBInst
        bool failGetDBInst;
        const char* traced;
    };
    const Row rows[] = {
        {"NoLibrary", "Xylo", false, "Error: can't load specific ROGW DLL libGx.so for database product xylo\n"},
        {"NoEntryPoint", "Nothing", false, nullptr},
        {"GetDBInstGivesNull", "Fake", true, "Error: can't create database instance using ROGW DLL "},
    };
    Start(Section("shop") + "TraceModules=CA\nTraceFile=" + TraceFile("t.trc") + "\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        KxGFakeScript::Reset();
        if (row.failGetDBInst) {
            KxGFakeScript::Fail("GetDBInst", -1);
        }
        MakeClient("shop", row.product);
        EXPECT_EQ(Open(), -5002);
        EXPECT_EQ(client_->GetDatabase(), nullptr);
        // The writer is deleted after a failed open.
        EXPECT_EQ(client_->GetTrace(), nullptr);
        const std::string trace = ReadFile(TraceFile("t.trc"));
        EXPECT_TRUE(Contains(trace, "Tessaform Gateway Trace file (CA,32768)")) << trace;
        if (row.traced != nullptr) {
            EXPECT_TRUE(Contains(trace, row.traced)) << trace;
        } else {
            EXPECT_FALSE(Contains(trace, "Error:")) << trace;
        }
        EXPECT_FALSE(Contains(trace, "<OpenClient"));
        EXPECT_TRUE(Contains(trace, "</file"));
    }
    // The fake's message names the file of its module and the product as the client keeps it.
    EXPECT_TRUE(Contains(ReadFile(TraceFile("t.trc")),
                         std::string("using ROGW DLL ") + RELGATE_FAKE_FILE + " for database product fake\n"));
}

TEST_F(ClientTest, LoadSpecificGatewayDllWithoutBaseOrTrace)
{
    Start();
    KxParameterList params;
    KxGDatabase* database = KxGatewayClient::LoadSpecificGatewayDll(
        KxString("FAKE"), KxString("S"), KxString("d"), KxString("u"), KxString("p"), &params, nullptr);
    ASSERT_NE(database, nullptr);
    EXPECT_EQ(LastArgs("GetDBInst"), "S,d,u,p");
    EXPECT_EQ(Fake(database)->Base(), nullptr);
    database->Destroy(0);
    // The module stays registered: a second load finds it.
    KxRoot* root = KxBase::KELVOX();
    KxLoadableModule* module = root->GetDllManager()->GetLoadable(KxString(RELGATE_FAKE_FILE));
    ASSERT_NE(dynamic_cast<KxGatewayDBFactoryModule*>(module), nullptr);
    EXPECT_EQ(KxGatewayClient::LoadSpecificGatewayDll(KxString("xylo"), KxString("S"), KxString("d"), KxString(),
                                                      KxString(), &params, nullptr),
              nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Log-in

struct LoginCall {
    int calls = 0;
    std::string user;
    int32_t answer = 1;
    std::string newUser = "alice";
    std::string newPassword = "secret";
};

LoginCall& Login()
{
    static LoginCall call;
    return call;
}

int32_t LoginCallback(KxString& user, KxString& password, int32_t flags)
{
    ++Login().calls;
    Login().user = user.StrGet();
    EXPECT_EQ(flags, 0);
    user = KxString(Login().newUser);
    password = KxString(Login().newPassword);
    return Login().answer;
}

TEST_F(ClientTest, LogInAsksTheCallbackUnlessTheAdapterKnowsTheUser)
{
    struct Row {
        const char* name;
        bool hasLoginData;
        int32_t loginUserResult;   // INT_MIN: not scripted
        const char* proposed;
        int32_t answer;
        int32_t status;
        int calls;
        std::string seen;
    };
    const Row rows[] = {
        {"Confirmed", false, INT_MIN, "", 1, 0, 1, ""},
        {"ProposedUser", false, 0, "scott", 1, 0, 1, "scott"},
        {"NegativeUserResult", false, -1, "scott", 1, 0, 1, ""},
        {"EmptyProposal", false, 0, "", 1, 0, 1, ""},
        {"Refused", false, INT_MIN, "", 2, -2309, 1, ""},
        {"KnownLogin", true, INT_MIN, "", 2, 0, 0, ""},
    };
    Start();
    KxBase::KELVOX()->SetUserNameFunction(&LoginCallback);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        KxGFakeScript::Reset();
        Login() = LoginCall();
        Login().answer = row.answer;
        if (row.hasLoginData) {
            KxGFakeBehaviour known;
            known.hasResult = true;
            known.result = 1;
            KxGFakeScript::Set("HasLoginData", known);
        }
        if (row.loginUserResult != INT_MIN) {
            KxGFakeBehaviour user;
            user.hasResult = true;
            user.result = row.loginUserResult;
            user.out = row.proposed;
            KxGFakeScript::Set("GetLoginUser", user);
        }
        MakeClient();
        EXPECT_EQ(Open(), row.status);
        EXPECT_EQ(Login().calls, row.calls);
        EXPECT_EQ(Login().user, row.seen);
        if (row.status == 0 && row.calls == 1) {
            KxString text;
            EXPECT_EQ(*client_->GetDatabase()->GetUser(&text), KxString("alice"));
            EXPECT_EQ(*client_->GetDatabase()->GetPassword(&text), KxString("secret"));
        }
        if (row.status != 0) {
            // The refused log-in disposed of the database object and opened nothing.
            EXPECT_EQ(client_->GetDatabase(), nullptr);
            EXPECT_EQ(KxGFakeScript::Count("Destroy"), 1u);
            EXPECT_EQ(KxGFakeScript::Count("OpenConnection"), 0u);
            EXPECT_EQ(KxGFakeScript::Count("SetUser"), 0u);
            EXPECT_EQ(KxGFakeDatabase::LiveCount(), 0);
        }
        if (row.hasLoginData) {
            EXPECT_EQ(KxGFakeScript::Count("SetUser"), 0u);
            EXPECT_EQ(KxGFakeScript::Count("GetLoginUser"), 0u);
        }
        client_.reset();
    }
}

TEST_F(ClientTest, FailedOpenTracesTheCodeClosesTheTagAndDropsTheDatabase)
{
    struct Row {
        const char* name;
        int32_t adapterCode;
        int32_t status;
    };
    // An adapter that fails without a code must not make the open look successful.
    const Row rows[] = {{"AdapterCode", -6017, -6017}, {"NoCode", 0, -6005}, {"WarningCode", 6093, -6005}};
    Start(Section("shop") + "TraceModules=CA\nTraceFile=" + TraceFile("t.trc") + "\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        KxGFakeScript::Reset();
        KxGFakeScript::Fail("OpenConnection", row.adapterCode);
        MakeClient();
        EXPECT_EQ(Open(), row.status);
        EXPECT_EQ(client_->GetDatabase(), nullptr);
        EXPECT_EQ(client_->GetTrace(), nullptr);
        EXPECT_EQ(KxGFakeDatabase::LiveCount(), 0);
        EXPECT_EQ(KxGFakeScript::Count("Destroy"), 1u);
        const std::string trace = ReadFile(TraceFile("t.trc"));
        EXPECT_TRUE(Contains(trace, "Storage type : fake\nServer name : SRV\nDatabase name : shop\n")) << trace;
        EXPECT_TRUE(Contains(trace, "Error: Can't open database : " + std::to_string(row.status) + "\n")) << trace;
        // The tag is closed in the file before the writer's own closing.
        ASSERT_NE(At(trace, "</OpenClient"), std::string::npos) << trace;
        EXPECT_LT(At(trace, "</OpenClient"), At(trace, "</file"));
        client_.reset();
    }
}

// ---------------------------------------------------------------------------------------------------
// Trace file

TEST(TraceModulesTest, NamesGiveTheirBits)
{
    struct Row {
        const char* modules;
        uint16_t mask;
    };
    const Row rows[] = {
        {"SM,STM", 0x48},
        {"sm,stm", 0},
        {"ALL", 0xf87f},
        {"CA TXN\tCM\nSM\rSTM\vDBA\f", 0xb049},
        {"CA.TXN:CM;SM?STM!DBA", 0xb049},
        {"CA\\TXN/CM(SM)STM<DBA>", 0xb049},
        {"CA|TXN[CM]SM{STM}DBA", 0xb049},
        {"\"CA\"=TXN-CM+SM*STM&DBA#", 0xb049},
        {"CAX, XCA, C A", 0},
        {"CA,CA", 0x8000},
        {"", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.modules);
        EXPECT_EQ(KxGTraceModuleMask(KxString(row.modules)), row.mask);
    }
}

TEST_F(ClientTest, TraceHeaderNamesModulesVersionsAndCompiler)
{
    OpenShop("TraceModules=SM,STM\nTraceFile=" + TraceFile("t.trc") + "\n");
    ASSERT_NE(client_->GetTrace(), nullptr);
    EXPECT_EQ(client_->GetTraceModules(), 0x48);
    client_->CloseClient();
    const std::string trace = ReadFile(TraceFile("t.trc"));
    const char* version = nullptr;
    const char* build = nullptr;
    const char* compilerName = nullptr;
    const char* compilerVersion = nullptr;
    GetKxVersionInfo(&version, &build, &compilerName, &compilerVersion);
    EXPECT_TRUE(Contains(trace, "Tessaform Gateway Trace file (SM,STM,72)\n")) << trace;
    EXPECT_TRUE(Contains(trace, std::string("RO GW version :     RO-GW 11.0.3.50  ( ") + KxGBuildStamp() + " )\n"))
        << trace;
    EXPECT_TRUE(Contains(trace, std::string("Tessaform version :       ") + version + " ( " + build + " )\n"));
    EXPECT_TRUE(Contains(trace, std::string("Compiler name :      ") + compilerName + " " + compilerVersion + "\n"));
    // Neither SM nor STM covers the client's own tags.
    EXPECT_FALSE(Contains(trace, "<OpenClient"));
    EXPECT_FALSE(Contains(trace, "<CloseClient"));
}

TEST_F(ClientTest, TraceModulesDecideWhetherTheClientTraces)
{
    struct Row {
        const char* settings;
        bool writer;
        uint16_t mask;
        bool openTag;
    };
    const std::string file = "TraceFile=" + TraceFile("t.trc") + "\n";
    const Row rows[] = {
        {"", false, 0, false},
        {"TraceModules=\n", false, 0, false},
        {"TraceModules=sm,stm\n", true, 0, false},   // a writer that accepts no module
        {"TraceModules=ALL\n", true, 0xf87f, true},
        {"TraceModules=CA\n", true, 0x8000, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings);
        std::filesystem::remove(TraceFile("t.trc"));
        OpenShop(std::string(row.settings) + file);
        EXPECT_EQ(client_->GetTrace() != nullptr, row.writer);
        EXPECT_EQ(client_->GetTraceModules(), row.mask);
        client_.reset();
        base_.reset();
        DeinitKelvox();
        started_ = false;
        EXPECT_EQ(std::filesystem::exists(TraceFile("t.trc")), row.writer);
        if (row.writer) {
            EXPECT_EQ(Contains(ReadFile(TraceFile("t.trc")), "<OpenClient start="), row.openTag);
        }
    }
}

TEST_F(ClientTest, SingleFileNames)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir_.Path("").c_str()), 0);
    struct Row {
        const char* settings;
        const char* file;
    };
    const Row rows[] = {
        {"TraceModules=CA\n", "kxgtrace.trc"},
        {"TraceModules=CA\nTraceFile=\n", "kxgtrace.trc"},
        {"TraceModules=CA\nTraceFile=x.log\n", "x.log"},
        {"TraceModules=CA\nTraceMode=single\nTraceFile=gw\n", "gw"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings);
        OpenShop(row.settings);
        client_.reset();
        base_.reset();
        DeinitKelvox();
        started_ = false;
        EXPECT_TRUE(Contains(ReadFile(dir_.Path(row.file)), "</CloseClient")) << row.file;
        std::filesystem::remove(dir_.Path(row.file));
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("x.log.trc")));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("gw.trc")));
    ASSERT_EQ(chdir(cwd), 0);
}

TEST_F(ClientTest, TraceFileWithAppendMarkKeepsWhatWasThere)
{
    WriteFile(TraceFile("t.trc"), "earlier run\n");
    OpenShop("TraceModules=CA\nTraceFile=>>" + TraceFile("t.trc") + "\n");
    client_->CloseClient();
    const std::string appended = ReadFile(TraceFile("t.trc"));
    EXPECT_EQ(appended.rfind("earlier run\n", 0), 0u) << appended;
    EXPECT_TRUE(Contains(appended, "Tessaform Gateway Trace file (CA,32768)"));

    // Without the mark the file is emptied first.
    client_.reset();
    base_.reset();
    DeinitKelvox();
    started_ = false;
    OpenShop("TraceModules=CA\nTraceFile=" + TraceFile("t.trc") + "\n");
    client_->CloseClient();
    EXPECT_FALSE(Contains(ReadFile(TraceFile("t.trc")), "earlier run"));
}

// ---------------------------------------------------------------------------------------------------
// Register

TEST_F(ClientTest, RegisterClientPassesModeAndKeepsTheRegisteredId)
{
    struct Row {
        const char* name;
        std::string config;
        bool local;
        const char* args;   // server, client id, client name, pooled, local, exclusive
    };
    const Row rows[] = {
        {"Default", "", false, "SRV,0,client_tests,0,0,1"},
        {"LocalInDatabaseSection", Section("shop") + "ConcurrencyControlService=LOCAL\n", true,
         "SRV,0,client_tests,0,1,0"},
        {"LocalInGlobalSection", "[RelationalObjectGateway]\nConcurrencyControlService=LOCAL\n", true,
         "SRV,0,client_tests,0,1,0"},
        {"DatabaseSectionWins",
         Section("shop") + "ConcurrencyControlService=ccs1\n[RelationalObjectGateway]\nConcurrencyControlService=LOCAL\n",
         false, "SRV,0,client_tests,0,0,1"},
        {"CaseMatters", Section("shop") + "ConcurrencyControlService=local\n", false, "SRV,0,client_tests,0,0,1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        KxGFakeScript::Reset();
        Start(row.config);
        MakeClient();
        ASSERT_EQ(Open(), 0);
        EXPECT_EQ(client_->IsLocalMode(), row.local);
        KxGFakeBehaviour id;
        id.hasResult = true;
        id.result = -42;
        KxGFakeScript::Set("RegisterConnection", id);
        EXPECT_EQ(client_->RegisterClient(), 0);
        EXPECT_EQ(LastArgs("RegisterConnection"), row.args);
        EXPECT_EQ(client_->GetClientId(), -42);
        EXPECT_EQ(base_->GetClientId(), int64_t{-42});   // sign-extended
        client_.reset();
        base_.reset();
        DeinitKelvox();
        started_ = false;
    }
}

TEST_F(ClientTest, FailedRegisterTracesTheTextAndNeverLooksSuccessful)
{
    struct Row {
        int32_t adapterCode;
        int32_t status;
    };
    const Row rows[] = {{-2032, -2032}, {0, -6001}};
    Start(Section("shop") + "TraceModules=CA\nTraceFile=" + TraceFile("t.trc") + "\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.adapterCode);
        KxGFakeScript::Reset();
        MakeClient();
        ASSERT_EQ(Open(), 0);
        KxGFakeScript::Fail("RegisterConnection", row.adapterCode, "clients in the way");
        EXPECT_EQ(client_->RegisterClient(), row.status);
        EXPECT_EQ(base_->GetClientId(), 0);
        EXPECT_NE(client_->GetDatabase(), nullptr);   // the connection stays open
        client_->CloseClient();
        EXPECT_TRUE(Contains(ReadFile(TraceFile("t.trc")), "Error: Can't register with database clients in the way"));
        client_.reset();
    }
}

// ---------------------------------------------------------------------------------------------------
// Close, admin, transaction calls

// A lock service that notes its deletion in the fake adapter's call log.
class NotedLockService : public KxGDummyLockService {
public:
    ~NotedLockService() override { KxGFakeScript::Log(this, "DeleteLockService"); }
};

TEST_F(ClientTest, CloseDiscardsPoolThenLockServiceThenOwnConnection)
{
    OpenShop("TraceModules=CA\nTraceFile=" + TraceFile("t.trc") + "\n");
    KxGFakeBehaviour id;
    id.hasResult = true;
    id.result = 7;
    KxGFakeScript::Set("RegisterConnection", id);
    ASSERT_EQ(client_->RegisterClient(), 0);
    KxGFakeScript::Clear("RegisterConnection");

    KxGDatabase* first = nullptr;
    KxGDatabase* second = nullptr;
    ASSERT_EQ(client_->GetPoolConnection(&first), 0);
    ASSERT_EQ(client_->GetPoolConnection(&second), 0);
    client_->UngetPoolConnection(first);
    client_->UngetPoolConnection(second);
    auto* lockService = new NotedLockService;
    client_->GetTransactionManager()->SetLockService(lockService);
    KxGDatabase* own = client_->GetDatabase();

    KxGFakeScript::ClearCalls();
    EXPECT_EQ(client_->CloseClient(), 0);
    std::vector<std::string> calls;
    for (const KxGFakeCall& call : KxGFakeScript::Calls()) {
        const char* who = call.object == first ? "first" : call.object == second ? "second"
                          : call.object == own ? "own" : call.object == lockService ? "locks" : "?";
        calls.push_back(std::string(who) + "." + call.operation + "(" + call.arguments + ")");
    }
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "first.UnregisterConnection(7)", "first.CloseConnection()", "first.Destroy(0)",
                         "second.UnregisterConnection(7)", "second.CloseConnection()", "second.Destroy(0)",
                         "locks.DeleteLockService()",
                         "own.UnregisterConnection(7)", "own.CloseConnection()", "own.Destroy(0)"}));
    EXPECT_EQ(client_->GetDatabase(), nullptr);
    EXPECT_EQ(client_->GetTrace(), nullptr);
    EXPECT_EQ(client_->GetPoolSize(), 0);
    EXPECT_EQ(client_->GetTransactionManager()->GetLockService(), nullptr);
    const std::string trace = ReadFile(TraceFile("t.trc"));
    ASSERT_NE(At(trace, "</CloseClient"), std::string::npos) << trace;
    EXPECT_LT(At(trace, "</CloseClient"), At(trace, "</file"));

    // Closing a closed client does nothing more.
    KxGFakeScript::ClearCalls();
    EXPECT_EQ(client_->CloseClient(), 0);
    EXPECT_TRUE(KxGFakeScript::Calls().empty());
}

TEST_F(ClientTest, AdminIsRememberedUntilItGoes)
{
    OpenShop();
    std::unique_ptr<KxAdmin> admin(client_->CreateAdmin(base_.get(), 5));
    auto* gatewayAdmin = dynamic_cast<KxGatewayAdmin*>(admin.get());
    ASSERT_NE(gatewayAdmin, nullptr);
    EXPECT_EQ(client_->GetAdmin(), gatewayAdmin);
    EXPECT_EQ(gatewayAdmin->GetClient(), client_.get());
    EXPECT_EQ(gatewayAdmin->GetBase(), base_.get());
    EXPECT_EQ(gatewayAdmin->GetFlags(), 5);
    admin.reset();
    EXPECT_EQ(client_->GetAdmin(), nullptr);

    // An admin that outlives its client forgets it.
    admin.reset(client_->CreateAdmin(base_.get(), 0));
    client_.reset();
    EXPECT_EQ(static_cast<KxGatewayAdmin*>(admin.get())->GetClient(), nullptr);
}

TEST_F(ClientTest, TransactionCallsGoToTheTransactionManager)
{
    OpenShop();
    KxTransaction txn;
    KxTransactionResource resource(&txn, base_.get());
    // A resource without transaction context.
    EXPECT_EQ(client_->BeginTransaction(&resource), -4004);
    EXPECT_EQ(client_->CommitTransaction(&resource), -4004);
    EXPECT_EQ(client_->AbortTransaction(&resource), -4004);
    EXPECT_EQ(client_->DeleteTransactionContext(&resource), -6036);
    KxParameterList params;
    params.Append("ROG_RowNum", "100");
    EXPECT_EQ(client_->SetParameters(&resource, &params), 0);
    EXPECT_EQ(KxGFakeScript::Count("SetRowNum"), 0u);   // the resource has no context

    client_->SetTransactionManager(nullptr);
    EXPECT_EQ(client_->GetTransactionMgr(), nullptr);
    EXPECT_EQ(client_->BeginTransaction(&resource), -2);
    EXPECT_EQ(client_->CommitTransaction(&resource), -2);
    EXPECT_EQ(client_->AbortTransaction(&resource), -2);
    EXPECT_EQ(client_->CreateTransactionContext(&resource), -2);
    EXPECT_EQ(client_->DeleteTransactionContext(&resource), -2);
}

}  // namespace
