// Construction failures of the database object: an OCI environment or handle that cannot be made is
// reported by the first operation that needs it, for an object made by GetDBInst and for a clone.
//
// This program puts its own OCIEnvCreate and OCIHandleAlloc in front of the OCI library's (the
// adapter's calls reach the program's definitions first) and makes the chosen call fail.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "DatabaseTestSupport.h"
#include "KxGOraDatabase.h"
#include "KxGOraModule.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "oci.h"

namespace {

// 0: nothing fails; OCI_HTYPE_ENV: OCIEnvCreate fails; another handle type: its OCIHandleAlloc fails.
ub4 g_failing = 0;

}  // namespace

extern "C" sword OCIEnvCreate(OCIEnv** envp, ub4 mode, dvoid* ctxp, dvoid* (*malocfp)(dvoid*, size_t),
                              dvoid* (*ralocfp)(dvoid*, dvoid*, size_t), void (*mfreefp)(dvoid*, dvoid*),
                              size_t xtramem_sz, dvoid** usrmempp)
{
    if (g_failing == OCI_HTYPE_ENV) {
        if (envp != nullptr) {
            *envp = nullptr;
        }
        return OCI_ERROR;
    }
    using Fn = sword (*)(OCIEnv**, ub4, dvoid*, dvoid* (*)(dvoid*, size_t), dvoid* (*)(dvoid*, dvoid*, size_t),
                         void (*)(dvoid*, dvoid*), size_t, dvoid**);
    static Fn next = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "OCIEnvCreate"));
    return next(envp, mode, ctxp, malocfp, ralocfp, mfreefp, xtramem_sz, usrmempp);
}

extern "C" sword OCIHandleAlloc(const dvoid* parenth, dvoid** hndlpp, ub4 type, size_t xtramem_sz,
                                dvoid** usrmempp)
{
    if (g_failing != 0 && g_failing == type) {
        return OCI_ERROR;
    }
    using Fn = sword (*)(const dvoid*, dvoid**, ub4, size_t, dvoid**);
    static Fn next = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "OCIHandleAlloc"));
    return next(parenth, hndlpp, type, xtramem_sz, usrmempp);
}

namespace {

class FailingAllocation : public OracleServerTest {
protected:
    void TearDown() override
    {
        g_failing = 0;
        OracleServerTest::TearDown();
    }
};

// Every operation that needs the handles fails with the construction failure; nothing crashes, and
// destroying the object releases what was made.
void ExpectReportedOnUse(KxGDatabase& database, const char* what)
{
    auto& ora = dynamic_cast<KxGOraDatabase&>(database);
    EXPECT_EQ(database.GetError()->HasError(), 0) << "nothing is reported before the first use";

    EXPECT_EQ(database.OpenConnection(), 0);
    EXPECT_EQ(database.GetError()->ErrorCode(), -6001);
    EXPECT_NE(std::string(database.GetError()->Text()).find(what), std::string::npos)
        << database.GetError()->Text();
    EXPECT_FALSE(ora.IsOpen());

    database.GetError()->Clear();
    EXPECT_EQ(database.CommitConnection(), 0);
    EXPECT_EQ(database.GetError()->ErrorCode(), -6001);
    EXPECT_EQ(database.RollbackConnection(), 0);
    uintptr_t locator = 0;
    EXPECT_EQ(database.AllocDescriptor(OCI_DTYPE_LOB, &locator), -6001);
    EXPECT_EQ(locator, 0u);
    KxGStatementTemplate statement{KxString("SELECT 1 FROM DUAL")};
    EXPECT_EQ(database.CreateStatementHdl(&statement), nullptr);
    EXPECT_EQ(database.GetStatementHdlCache()->AllocStatementHdl(&statement), nullptr);
    database.CloseConnection();
    EXPECT_EQ(ora.CheckHandles(), 0);
}

TEST_F(FailingAllocation, GetDBInstReportsTheFailureOnFirstUse)
{
    const struct {
        ub4 type;
        const char* what;
    } cases[] = {
        {OCI_HTYPE_ENV, "environment"},
        {OCI_HTYPE_ERROR, "error handle"},
        {OCI_HTYPE_SVCCTX, "service context"},
        {OCI_HTYPE_SERVER, "server handle"},
        {OCI_HTYPE_SESSION, "session handle"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_failing = c.type;
        DatabasePtr database(GetDBInst(KxString("LOCAL"), KxString("s"), KxString("s"), KxString("Secret"),
                                       nullptr, nullptr));
        g_failing = 0;
        ASSERT_NE(database, nullptr);
        // The names are there as usual.
        KxString name;
        EXPECT_EQ(*database->GetDatabaseName(&name), KxString("S"));
        ExpectReportedOnUse(*database, c.what);

        // A clone made once the OCI works again has handles of its own and opens.
        DatabasePtr clone(database->CloneConnection());
        ASSERT_NE(clone, nullptr);
        ASSERT_EQ(clone->OpenConnection(), 1) << clone->GetError()->Text();
        clone->CloseConnection();
    }
}

TEST_F(FailingAllocation, CloneReportsTheFailureOnFirstUseInsteadOfAsserting)
{
    DatabasePtr database(GetDBInst(KxString("LOCAL"), KxString("s"), KxString("s"), KxString("Secret"), nullptr,
                                   nullptr));
    ASSERT_EQ(database->OpenConnection(), 1) << database->GetError()->Text();
    for (ub4 type : {static_cast<ub4>(OCI_HTYPE_ENV), static_cast<ub4>(OCI_HTYPE_ERROR),
                     static_cast<ub4>(OCI_HTYPE_SESSION)}) {
        SCOPED_TRACE(type);
        g_failing = type;
        DatabasePtr clone(database->CloneConnection());
        g_failing = 0;
        ASSERT_NE(clone, nullptr);
        ExpectReportedOnUse(*clone, type == OCI_HTYPE_ENV ? "environment" : "handle");
    }
    // The source is untouched.
    EXPECT_EQ(database->CommitConnection(), 1);
    database->CloseConnection();
}

TEST_F(FailingAllocation, TheFailureIsAGatewayErrorThatTheReceiverIsNotToldOf)
{
    ThrowingReceiver receiver;
    receiver.Register();
    g_failing = OCI_HTYPE_SVCCTX;
    DatabasePtr database(GetDBInst(KxString("LOCAL"), KxString("s"), KxString("s"), KxString("Secret"), nullptr,
                                   nullptr));
    g_failing = 0;
    // A gateway-made error is not an Oracle message: the receiver is not told.
    EXPECT_EQ(database->OpenConnection(), 0);
    EXPECT_EQ(receiver.calls, 0);
    EXPECT_EQ(database->OpenConnection(), 0);
    EXPECT_EQ(database->GetError()->ErrorCode(), -6001);
    receiver.Unregister();
}

}  // namespace
