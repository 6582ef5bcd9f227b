// The error object reading Oracle error records from an OCI error handle.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "KxGOraDatabaseError.h"
#include "OraTestSupport.h"
#include "oci.h"
#include "sqlengine.h"

using namespace oratest;

namespace {

class OraErrorOciTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(OCIEnvCreate(&env, OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
                  OCI_SUCCESS);
        ASSERT_EQ(OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&errhp), OCI_HTYPE_ERROR, 0, nullptr), OCI_SUCCESS);
        ASSERT_EQ(OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&server), OCI_HTYPE_SERVER, 0, nullptr),
                  OCI_SUCCESS);
        listener.Register();
    }
    void TearDown() override
    {
        listener.Unregister();
        sqlengine::Engine::Instance().ClearInjectedFailures();
        if (server != nullptr) OCIHandleFree(server, OCI_HTYPE_SERVER);
        if (errhp != nullptr) OCIHandleFree(errhp, OCI_HTYPE_ERROR);
        if (env != nullptr) OCIHandleFree(env, OCI_HTYPE_ENV);
    }

    // Attaches to a server that is not there: the error handle then holds a record.
    sword FailingAttach(const std::string& name)
    {
        return OCIServerAttach(server, errhp, reinterpret_cast<const OraText*>(name.data()),
                               static_cast<sb4>(name.size()), 0);
    }

    // The message that the error handle holds.
    std::string Record() { return FirstErrorRecord(errhp).text; }

    OCIEnv* env = nullptr;
    OCIError* errhp = nullptr;
    OCIServer* server = nullptr;
    KxGOraDatabaseError error;
    RecordingListener listener;
};

TEST_F(OraErrorOciTest, InvalidLogonIsReadFromTheHandle)
{
    TraceFile file;
    sqlengine::Engine::Instance().InjectFailure("OCIServerAttach", 1017);
    const sword status = FailingAttach("NOWHERE");
    ASSERT_EQ(status, OCI_ERROR);
    const std::string message = Record();
    ASSERT_FALSE(message.empty());

    error.ReportStatus(errhp, status, KxString::EmptyString(), file.Trace());
    EXPECT_EQ(error.NativeCode(), 1017);
    EXPECT_EQ(error.ErrorCode(), -2309);
    EXPECT_EQ(std::string(error.Text()), message);
    EXPECT_NE(file.Text().find("\n<Error>ErrorCode : 1017\nErrorDescription : "), std::string::npos) << file.Text();
    EXPECT_NE(file.Text().find("\n</Error error=-1>"), std::string::npos);
    ASSERT_EQ(listener.heard.size(), 1u);
    EXPECT_EQ(listener.heard[0].code, 1017);
    EXPECT_EQ(listener.heard[0].context, "");
}

TEST_F(OraErrorOciTest, UnreachableServerMapsTo2512)
{
    ASSERT_EQ(FailingAttach("NO_SUCH_SERVICE"), OCI_ERROR);
    error.SetFromStatus(errhp, OCI_ERROR, KxString("attach"));
    EXPECT_EQ(error.NativeCode(), 12154);
    EXPECT_EQ(error.ErrorCode(), -2512);
    ASSERT_EQ(listener.heard.size(), 1u);
    EXPECT_EQ(listener.heard[0].context, "attach");
}

TEST_F(OraErrorOciTest, Error519IsKeptButNotTold)
{
    sqlengine::Engine::Instance().InjectFailure("OCIServerAttach", 519);
    ASSERT_EQ(FailingAttach("NOWHERE"), OCI_ERROR);
    error.SetFromStatus(errhp, OCI_ERROR, KxString::EmptyString());
    EXPECT_EQ(error.NativeCode(), 519);
    EXPECT_EQ(std::string(error.Text()), Record());
    EXPECT_TRUE(listener.heard.empty());
}

TEST_F(OraErrorOciTest, LongMessagesAreCutAt512)
{
    const std::string name(700, 'S');
    ASSERT_EQ(FailingAttach(name), OCI_ERROR);
    const std::string message = Record();
    ASSERT_GT(message.size(), 512u);
    error.SetFromStatus(errhp, OCI_ERROR, KxString::EmptyString());
    EXPECT_EQ(std::string(error.Text()), message.substr(0, 512));
}

TEST_F(OraErrorOciTest, AHandleWithoutARecordStaysAFailure)
{
    error.SetFromStatus(errhp, OCI_ERROR, KxString::EmptyString());
    EXPECT_EQ(error.ErrorCode(), -6001);
    EXPECT_STREQ(error.Text(), "Unknown error: -1");
}

TEST_F(OraErrorOciTest, ThrowingListenerLeavesTheRecordAndTheNextReportWorks)
{
    listener.throws = true;
    sqlengine::Engine::Instance().InjectFailure("OCIServerAttach", 1031);
    ASSERT_EQ(FailingAttach("NOWHERE"), OCI_ERROR);
    EXPECT_THROW(error.SetFromStatus(errhp, OCI_ERROR, KxString::EmptyString()), std::runtime_error);
    EXPECT_EQ(error.ErrorCode(), -2310);

    listener.throws = false;
    ASSERT_EQ(FailingAttach("NO_SUCH_SERVICE"), OCI_ERROR);
    error.SetFromStatus(errhp, OCI_ERROR, KxString::EmptyString());
    EXPECT_EQ(error.NativeCode(), 12154);
    EXPECT_EQ(listener.heard.size(), 2u);
}

}  // namespace
