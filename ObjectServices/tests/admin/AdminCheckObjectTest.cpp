// Check object through the gateway admin on a schema that the class loader mapped: a database made on
// the embedded engine for a small dictionary (class tables, extent views and triggers of the store
// handlers, the catalog tables with the names the creation schema map chose) is opened through a
// gateway client; the catalog loads its class maps with the gateway's class loader, and check object
// asks the class table of each kind of class for an existing and a missing row.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CatalogTestSupport.h"
#include "EngineSchemaSupport.h"
#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGDatabase.h"
#include "KxGOptionRegistry.h"
#include "KxGRootblock.h"
#include "KxGStatementTemplate.h"
#include "KxGatewayAdmin.h"
#include "KxGatewayClient.h"
#include "KxGatewayClientFactory.h"
#include "KxGatewayModule.h"
#include "KxRoot.h"
#include "KxTypeMgr.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

// Own table, Virtual (rows in the base's table), STORE ALL with a subclass, UNIVERSAL with a child,
// two bases.
const char kShop[] = R"(dictionary shopdict server=LOCAL
class 1.1 Person
member name string count=20
class 2.1 Employee bases=Person
member salary int
class 3.1 Manager bases=Employee
class 4.1 Vehicle
member wheels int
class 5.1 Car bases=Vehicle
member seats int
class 6.1 Shape
member area double
class 7.1 Circle bases=Shape
member radius double
class 8.1 Named
member label string count=10
class 9.1 Tagged bases=Person,Named
member tag int
)";

int32_t LogInAsS(KxString& user, KxString& password, int32_t /*flags*/)
{
    user = KxString("S");
    password = KxString("Secret");
    return 1;
}

class AdminCheckObject : public oratest::ServerTest {
protected:
    AdminCheckObject() : ServerTest({.prefix = "ACO_", .users = {{"S", "Secret"}}}) {}

    void SetUp() override
    {
        ServerTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        ResetROGVersion();
        KxGMapLoader::SetDefault(&KxGClassLoader::Instance());
    }

    void TearDown() override
    {
        admin_.reset();
        client_.reset();
        base_.reset();
        if (dictionary_ != nullptr) {
            KxBase::KELVOX()->ReleaseDictionary(dictionary_);
            dictionary_ = nullptr;
        }
        if (session_) {
            session_->End();
            session_.reset();
        }
        KxBase::KELVOX()->SetUserNameFunction(nullptr);
        kernel_.reset();
        ResetROGVersion();
        KxGMapLoader::SetDefault(nullptr);
        ServerTest::TearDown();
    }

    void OpenClient()
    {
        const std::string config = dir_.Path("kelvox.ini");
        WriteFile(config, "[databases\\s\\RelationalObjectGateway]\nTraceModules=CA\nTraceFile=" +
                              dir_.Path("gw.trc") + "\n");
        kernel_.emplace("admin_check_tests", config);
        ASSERT_EQ(kernel_->Status(), 0);
        KxBase::KELVOX()->SetUserNameFunction(&LogInAsS);
        std::unique_ptr<KxClassDict> parsed;
        KxString error;
        ASSERT_EQ(KxClassDict::Parse(kShop, KxString("shop.kxd"), parsed, &error), 0) << error.StrGet();
        ASSERT_EQ(KxBase::KELVOX()->AddDictionary(parsed, dictionary_), 0);

        base_ = std::make_unique<KxBase>(KxString("s"));
        KxGatewayClientFactory factory{KxString("Oracle")};
        client_.reset(static_cast<KxGatewayClient*>(factory.CreateConnection(base_.get())));
        ASSERT_NE(client_, nullptr);
        client_->SetServer(base_.get(), KxString("s"), KxString(serverName_.c_str()));
        KxString name;
        ASSERT_EQ(client_->OpenClient(KxString("s"), name, 0), 0);
        ASSERT_NE(client_->GetDatabase(), nullptr);

        sqlengine::Error sessionError;
        session_ = sqlengine::Session::Begin(server_, "S", "Secret", sessionError);
        ASSERT_TRUE(session_) << sessionError.message;
    }

    // The schema as the schema mapper makes it for the dictionary: lock tables, the class tables,
    // views and triggers of the store handlers, the catalog tables and the stored options, the root
    // block.
    void MakeSchema()
    {
        ASSERT_NO_FATAL_FAILURE(cattest::MakeEngineSchema(
            *client_->GetDatabase(), *dictionary_, *session_, "shopdict", [](KxGOptionRegistry& registry) {
                const KxString any("*");
                const KxString store("STORE");
                ASSERT_EQ(registry.ProcessOption(KxString("Vehicle"), any, store, KxString("ALL"), 1), 0);
                ASSERT_EQ(registry.ProcessOption(KxString("Shape"), any, store, KxString("UNIVERSAL"), 2), 0);
            }));
        Commit();
    }

    void Commit()
    {
        sqlengine::Error error;
        ASSERT_TRUE(session_->Commit(error)) << error.message;
    }

    KxGatewayAdmin& Admin()
    {
        if (!admin_) {
            admin_.reset(static_cast<KxGatewayAdmin*>(client_->CreateAdmin(base_.get(), 0)));
        }
        return *admin_;
    }

    std::optional<oratest::KelvoxScope> kernel_;
    std::unique_ptr<KxBase> base_;
    std::unique_ptr<KxGatewayClient> client_;
    std::unique_ptr<KxGatewayAdmin> admin_;
    std::shared_ptr<sqlengine::Session> session_;
    KxClassDict* dictionary_ = nullptr;
};

TEST_F(AdminCheckObject, FindsExistingRowsOfEveryKindOfClassAndNotMissingOnes)
{
    ASSERT_NO_FATAL_FAILURE(OpenClient());
    ASSERT_NO_FATAL_FAILURE(MakeSchema());
    for (const char* sql : {"INSERT INTO S.PERSONC1V0 (OID, CID, NAME0V0) VALUES (10, 1, 'Ann')",
                            "INSERT INTO S.EMPLOYEEC2V0 (OID, CID, SALARY0V0) VALUES (20, 3, 900)",
                            "INSERT INTO S.CARC5V0 (OID, CID, WHEELS0V0, SEATS0V0) VALUES (30, 5, 4, 5)",
                            "INSERT INTO S.SHAPEC6V0 (OID, CID, AREA0V0, RADIUS0V0) VALUES (40, 7, 3, 1)",
                            "INSERT INTO S.TAGGEDC9V0 (OID, CID, NAME0V0, LABEL0V0, TAG0V0) VALUES (50, 9, 'Bo', 'x', 1)"}) {
        oratest::RunOn(*session_, sql);
    }
    ASSERT_NO_FATAL_FAILURE(Commit());
    ASSERT_EQ(Admin().OpenDatabase(), 0);

    const struct {
        const char* what;
        uint16_t classNumber;
        uint32_t present;
        uint32_t missing;
    } cases[] = {
        {"own table", 1, 10, 11},
        {"Virtual: its base's table", 3, 20, 21},
        {"subclass of a STORE ALL class", 5, 30, 31},
        {"the STORE ALL class: its table holds the subclass's row", 4, 30, 31},
        {"child of a UNIVERSAL class: the universal table", 7, 40, 41},
        {"two bases", 9, 50, 51},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Admin().CheckObject(KxRef(KxObjId(c.present), KxClassId(c.classNumber, 1))), 1);
        EXPECT_EQ(Admin().CheckObject(KxRef(KxObjId(c.missing), KxClassId(c.classNumber, 1))), 0);
    }
    // A class the dictionary does not have.
    EXPECT_EQ(Admin().CheckObject(KxRef(KxObjId(10), KxClassId(99, 1))), 0);
    ASSERT_EQ(Admin().CloseDatabase(), 0);
}

}  // namespace
