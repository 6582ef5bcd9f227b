// Transaction levels through the transaction manager of a gateway client of the product "Oracle" on
// the embedded engine: each kernel transaction's context works on a pool connection of its own with
// the Oracle adapter's resource managers; the rows of its requests reach other sessions only when the
// outermost level commits. Failures of the server's commit, rollback and savepoint calls are injected.
//
// Steps as in the fake adapter's tests: T begin (kind 0), C inner begin (compound statement), c commit,
// a abort, iN a request inserting row N of S.T, !Call[:text] the engine fails the next OCI call Call
// (whose statement contains text, when given).
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxGCompoundStatement.h"
#include "KxGDatabase.h"
#include "KxGStatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxGatewayClient.h"
#include "KxGatewayClientFactory.h"
#include "KxGatewayTransactionMgr.h"
#include "KxRoot.h"
#include "KxTransaction.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace {

int32_t LogInAsS(KxString& user, KxString& password, int32_t /*flags*/)
{
    user = KxString("S");
    password = KxString("Secret");
    return 1;
}

// A request that inserts its rows of S.T on the context's connection.
class InsertRequest : public KxGRequest {
public:
    InsertRequest(KxGTransactionContext* context, int32_t id)
        : KxGRequest(context, nullptr, KxClassId(1, 1), KXG_OP_INSERT), id_(id)
    {
    }
    int32_t Execute() override
    {
        KxGDatabase* database = GetContext()->GetDatabase();
        KxGStatementTemplate insert(KxString(("INSERT INTO S.T (OID) VALUES (" + std::to_string(id_) + ")").c_str()));
        oratest::StatementHdlPtr handle(database->CreateStatementHdl(&insert));
        if (!handle || handle->Execute(1) == 0) {
            const int32_t code = database->GetError()->ErrorCode();
            return code < 0 ? code : KXG_E_RDBMS;
        }
        return 0;
    }

private:
    int32_t id_;
};

class TxnEngine : public oratest::ServerTest {
protected:
    TxnEngine() : ServerTest({.prefix = "TXE_", .users = {{"S", "Secret"}}}) {}

    void SetUp() override
    {
        ServerTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        const std::string config = dir_.Path("kelvox.ini");
        WriteFile(config, "[databases\\s\\RelationalObjectGateway]\nTraceModules=TXN,CM,CA\nTraceFile=" +
                              dir_.Path("gw.trc") + "\n");
        kernel_.emplace("txn_tests", config);
        ASSERT_EQ(kernel_->Status(), 0);
        KxBase::KELVOX()->SetUserNameFunction(&LogInAsS);

        base_ = std::make_unique<KxBase>(KxString("s"));
        KxGatewayClientFactory factory{KxString("Oracle")};
        client_.reset(static_cast<KxGatewayClient*>(factory.CreateConnection(base_.get())));
        ASSERT_NE(client_, nullptr);
        client_->SetServer(base_.get(), KxString("s"), KxString(serverName_.c_str()));
        KxString name;
        ASSERT_EQ(client_->OpenClient(KxString("s"), name, 0), 0);

        // The lock objects, the client registry and the table of the rows.
        KxGDatabase& database = *client_->GetDatabase();
        oratest::OwnedList list;
        database.GetDatabaseInfo()->CreateLocks(KxString("S"), list);
        std::vector<std::string> texts = list.Texts();
        texts.push_back("CREATE TABLE S.T ( OID NUMBER (38) DEFAULT 0 not null, PRIMARY KEY ( OID ) )");
        sqlengine::Error error;
        session_ = sqlengine::Session::Begin(server_, "S", "Secret", error);
        ASSERT_TRUE(session_) << error.message;
        for (const std::string& text : texts) {
            oratest::RunOn(*session_, text);
        }
        ASSERT_TRUE(session_->Commit(error)) << error.message;
        ASSERT_EQ(client_->RegisterClient(), 0);

        base_->SetConnection(client_.get());
        manager_ = client_->GetTransactionManager();
        txn_ = std::make_unique<KxTransaction>();
        resource_ = txn_->GetResource(base_.get());
        ASSERT_NE(resource_, nullptr) << txn_->GetLastStatus();
    }

    void TearDown() override
    {
        txn_.reset();
        client_.reset();
        base_.reset();
        if (session_) {
            session_->End();
            session_.reset();
        }
        KxBase::KELVOX()->SetUserNameFunction(nullptr);
        kernel_.reset();
        ServerTest::TearDown();
    }

    KxGTransactionContext* Context() const { return manager_->GetContext(resource_); }

    std::string Run(const std::string& steps)
    {
        std::istringstream in(steps);
        std::string step;
        std::string out;
        while (in >> step) {
            int32_t result = 0;
            if (step[0] == '!') {
                const size_t colon = step.find(':');
                sqlengine::Engine::Instance().InjectFailure(
                    step.substr(1, colon == std::string::npos ? std::string::npos : colon - 1), 1013,
                    colon == std::string::npos ? std::string() : step.substr(colon + 1));
                continue;
            }
            switch (step[0]) {
            case 'T': result = manager_->TXBegin(resource_, 0); break;
            case 'C': result = manager_->TXBegin(resource_, 1); break;
            case 'c': result = manager_->TXCommit(resource_); break;
            case 'a': result = manager_->TXAbort(resource_); break;
            default: {
                auto* compound = static_cast<KxGCompoundStatement*>(Context()->GetTop());
                result = compound->AddRequest(new InsertRequest(Context(), std::stoi(step.substr(1))));
                break;
            }
            }
            out += (out.empty() ? "" : " ") + std::to_string(result);
        }
        return out;
    }

    // The rows of S.T as another session sees them.
    std::string Committed()
    {
        std::string out;
        for (const auto& row : oratest::RowTexts(oratest::RunOn(*session_, "SELECT OID FROM S.T ORDER BY OID"))) {
            out += (out.empty() ? "" : " ") + row[0];
        }
        return out;
    }

    std::optional<oratest::KelvoxScope> kernel_;
    std::unique_ptr<KxBase> base_;
    std::unique_ptr<KxGatewayClient> client_;
    std::shared_ptr<sqlengine::Session> session_;
    KxGatewayTransactionMgr* manager_ = nullptr;
    std::unique_ptr<KxTransaction> txn_;
    KxTransactionResource* resource_ = nullptr;
};

TEST_F(TxnEngine, LevelsAndFailuresOnTheServer)
{
    struct Scenario {
        const char* name;
        const char* steps;
        const char* results;
        const char* committed;   // by the end, as another session sees it
    };
    const Scenario scenarios[] = {
        {"the outermost commit makes the rows visible", "T C i1 i2 c c", "1 2 0 0 1 0", "1 2"},
        {"an outermost rollback leaves nothing", "T C i3 c a", "1 2 0 1 0", "1 2"},
        {"a nested level rolled back keeps the outer work", "T C i3 c T C i4 c a c", "1 2 0 1 2 3 0 2 1 0",
         "1 2 3"},
        {"a nested level committed stays", "T C i5 c T C i6 c c c", "1 2 0 1 2 3 0 2 1 0", "1 2 3 5 6"},
        {"a failed request rolls back its compound statement only", "T C i7 c C i8 i7 c c",
         "1 2 0 1 2 0 0 -2028 0", "1 2 3 5 6 7"},
        {"a failed commit rolls back; the next transaction works", "T C i9 c !OCITransCommit c T C i10 c c",
         "1 2 0 1 -6102 1 2 0 1 0", "1 2 3 5 6 7 10"},
        {"a failed savepoint fails the begin; the abort ends it", "T C i11 c !OCIStmtExecute:TXN_LEVEL T a c",
         "1 2 0 1 -6001 1 0", "1 2 3 5 6 7 10 11"},
        {"a failed rollback to a savepoint: the outer commit rolls back", "T C i12 c T C i13 c !OCIStmtExecute:ROLLBACK a c",
         "1 2 0 1 2 3 0 2 -6001 -6102", "1 2 3 5 6 7 10 11"},
        {"after that the next transaction works", "T C i14 c c", "1 2 0 1 0", "1 2 3 5 6 7 10 11 14"},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(Run(s.steps), s.results);
        EXPECT_EQ(Committed(), s.committed);
        EXPECT_EQ(Context()->GetLevel(), 0);
        sqlengine::Engine::Instance().ClearInjectedFailures();
    }
}

TEST_F(TxnEngine, AConnectionThatCannotRollBackIsClosedNotPooled)
{
    EXPECT_EQ(Run("T C i1 c !OCITransCommit !OCITransRollback c"), "1 2 0 1 -6102");
    EXPECT_TRUE(Context()->IsConnectionUnusable());
    EXPECT_EQ(Run("T C i2 c c"), "1 2 0 -6102 -6102");
    KxGDatabase* connection = Context()->GetDatabase();
    txn_.reset();
    for (uint16_t slot = 0; slot < client_->GetPoolSize(); ++slot) {
        EXPECT_NE(client_->GetPoolSlot(slot), connection);
    }
    EXPECT_EQ(Committed(), "");
}

}  // namespace
