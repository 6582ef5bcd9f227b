// The Oracle error object: code mapping, status table, listener notification and trace records.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "KxGOraDatabaseError.h"
#include "OraTestSupport.h"

using namespace oratest;

namespace {

class OraErrorTest : public ::testing::Test {
protected:
    void SetUp() override { listener.Register(); }
    void TearDown() override { listener.Unregister(); }

    KxGOraDatabaseError error;
    RecordingListener listener;
};

struct MappingCase {
    int32_t native;
    int32_t status;
};

TEST_F(OraErrorTest, NativeCodesMapToGatewayAndKernelStatuses)
{
    const MappingCase cases[] = {
        {0, 0},          {-1, -1},        {-2031, -2031},  {-6096, -6096}, {1, -2028},      {1017, -2309},
        {1031, -2310},   {1555, -6072},   {12154, -2512},  {12203, -2512}, {12545, -2512},  {12638, -2304},
        {2, -6001},      {5, -6001},      {942, -6001},    {1016, -6001},  {12155, -6001},  {12637, -6001},
        {519, -6001},    {20099, -2041},  {20333, -6001},  {1653, -6001},  {1116, -6001},   {1578, -6001},
    };
    for (const MappingCase& c : cases) {
        error.SetError(c.native, "text");
        EXPECT_EQ(error.NativeCode(), c.native);
        EXPECT_EQ(error.ErrorCode(), c.status) << "native " << c.native;
        EXPECT_EQ(KxGOraDatabaseError::MapNativeCode(c.native), c.status);
    }
    EXPECT_TRUE(listener.heard.empty()) << "SetError tells nobody";
}

struct PredicateCase {
    int32_t native;
    uint16_t hasError, deadlock, noDatabase, roleConflict;
};

TEST_F(OraErrorTest, PredicatesFollowTheNativeCode)
{
    const PredicateCase cases[] = {
        {0, 0, 0, 0, 0},     {60, 1, 1, 0, 0},   {51, 1, 1, 0, 0},    {-2031, 1, 0, 1, 0},
        {1921, 1, 0, 0, 1},  {5, 1, 0, 0, 0},    {-6096, 1, 0, 0, 0}, {2031, 1, 0, 0, 0},
    };
    for (const PredicateCase& c : cases) {
        error.SetError(c.native, "x");
        EXPECT_EQ(error.HasError(), c.hasError) << c.native;
        EXPECT_EQ(error.IsWarning(), c.hasError) << c.native;
        EXPECT_EQ(error.IsDeadlock(), c.deadlock) << c.native;
        EXPECT_EQ(error.IsNoDatabase(), c.noDatabase) << c.native;
        EXPECT_EQ(error.IsRoleConflict(), c.roleConflict) << c.native;
        EXPECT_STREQ(error.SQLState(), "No state");
    }
}

TEST_F(OraErrorTest, StartsEmptyAndClearEmpties)
{
    EXPECT_EQ(error.HasError(), 0);
    EXPECT_EQ(error.NativeCode(), 0);
    EXPECT_STREQ(error.Text(), "");

    error.SetError(1017, "ORA-01017: invalid username/password; logon denied");
    error.Clear();
    EXPECT_EQ(error.HasError(), 0);
    EXPECT_EQ(error.ErrorCode(), 0);
    EXPECT_STREQ(error.Text(), "");
}

TEST_F(OraErrorTest, TextsAreCutAt512Characters)
{
    const std::string exact(512, 'a');
    error.SetError(-6001, exact.c_str());
    EXPECT_EQ(std::string(error.Text()), exact);

    const std::string longer = std::string(512, 'b') + "cdef";
    error.SetError(-6001, longer.c_str());
    EXPECT_EQ(std::string(error.Text()), std::string(512, 'b'));

    error.SetError(-6001, nullptr);
    EXPECT_STREQ(error.Text(), "");

    error.SetFromRecord(1, longer.c_str(), KxString(""));
    EXPECT_EQ(std::string(error.Text()), std::string(512, 'b'));
}

struct StatusCase {
    int32_t status;
    const char* text;
    bool told;
};

// Statuses other than -1 and 1 need no error record.
TEST_F(OraErrorTest, StatusTable)
{
    const StatusCase cases[] = {
        {-2, "Error - OCI_INVALID_HANDLE", false},
        {-3123, "Error - OCI_STILL_EXECUTE", false},
        {-24200, "Error - OCI_CONTINUE", false},
        {99, "Error - OCI_NEED_DATA", false},
        {100, "Error - OCI_NODATA", false},
        {-2031, "Unknown error: -2031", true},
        {-6220, "Unknown error: -6220", true},
        {-2310, "Unknown error: -2310", true},
        {7, "Unknown error: 7", true},
        {0, "Unknown error: 0", true},
    };
    for (const StatusCase& c : cases) {
        listener.heard.clear();
        error.SetFromStatus(nullptr, c.status, KxString("SELECT 1 FROM DUAL"));
        EXPECT_EQ(error.NativeCode(), c.status);
        EXPECT_STREQ(error.Text(), c.text);
        EXPECT_EQ(error.ErrorCode(), KxGOraDatabaseError::MapNativeCode(c.status));
        if (c.told) {
            ASSERT_EQ(listener.heard.size(), 1u) << c.status;
            EXPECT_EQ(listener.heard[0].code, c.status);
            EXPECT_EQ(listener.heard[0].message, c.text);
            EXPECT_EQ(listener.heard[0].context, "SELECT 1 FROM DUAL");
        } else {
            EXPECT_TRUE(listener.heard.empty()) << c.status;
        }
    }
}

TEST_F(OraErrorTest, NoDatabaseStatusIsKeptAndTold)
{
    error.SetFromStatus(nullptr, -2031, KxString::EmptyString());
    EXPECT_EQ(error.IsNoDatabase(), 1);
    EXPECT_EQ(error.ErrorCode(), -2031);
    ASSERT_EQ(listener.heard.size(), 1u);
    EXPECT_EQ(listener.heard[0].context, "");
}

// An error or an information status without a record to read stays visible as a failure.
TEST_F(OraErrorTest, ErrorStatusWithoutARecordKeepsTheStatus)
{
    for (int32_t status : {-1, 1}) {
        listener.heard.clear();
        error.SetFromStatus(nullptr, status, KxString::EmptyString());
        EXPECT_EQ(error.NativeCode(), -6001) << "neither success nor Oracle error 1";
        EXPECT_EQ(error.ErrorCode(), -6001);
        EXPECT_EQ(error.HasError(), 1);
        EXPECT_EQ(std::string(error.Text()), "Unknown error: " + std::to_string(status));
        ASSERT_EQ(listener.heard.size(), 1u);
        EXPECT_EQ(listener.heard[0].code, -6001);
    }
}

TEST_F(OraErrorTest, RecordsReachTheListenerOnOneLineExcept519)
{
    error.SetFromRecord(1017, "ORA-01017: invalid username/password;\nlogon denied\n", KxString("ctx"));
    EXPECT_EQ(error.ErrorCode(), -2309);
    EXPECT_STREQ(error.Text(), "ORA-01017: invalid username/password;\nlogon denied\n") << "the object keeps the text";
    ASSERT_EQ(listener.heard.size(), 1u);
    EXPECT_EQ(listener.heard[0].code, 1017);
    EXPECT_EQ(listener.heard[0].message, "ORA-01017: invalid username/password; logon denied");
    EXPECT_EQ(listener.heard[0].context, "ctx");

    error.SetFromRecord(519, "ORA-00519: internal\n", KxString("ctx"));
    EXPECT_EQ(error.NativeCode(), 519);
    EXPECT_STREQ(error.Text(), "ORA-00519: internal\n");
    EXPECT_EQ(error.ErrorCode(), -6001);
    EXPECT_EQ(listener.heard.size(), 1u) << "519 is never passed on";
}

// ---------------------------------------------------------------------------------------------------
// Trace records

TEST_F(OraErrorTest, ReportTextWritesErrorsAndWarnings)
{
    TraceFile file;
    error.ReportText(-6096, "Max. parameter array size exceeded", file.Trace());
    EXPECT_EQ(error.NativeCode(), -6096);
    EXPECT_EQ(error.ErrorCode(), -6096);
    EXPECT_NE(file.Text().find("\n<Error>Error\nErrorCode : -6096\nErrorDescription : Max. parameter array size "
                               "exceeded\n\n</Error error=-6096>"),
              std::string::npos)
        << file.Text();

    error.ReportText(5, "w", file.Trace());
    EXPECT_EQ(error.HasError(), 1);
    EXPECT_EQ(error.IsWarning(), 1);
    EXPECT_EQ(error.ErrorCode(), -6001);
    EXPECT_NE(file.Text().find("\n<Warning>Warning\nErrorCode : 5\nErrorDescription : w\n\n</Warning warning=5>"),
              std::string::npos)
        << file.Text();

    error.ReportText(0, "zero", file.Trace());
    EXPECT_NE(file.Text().find("</Warning warning=0>"), std::string::npos);
    EXPECT_TRUE(listener.heard.empty()) << "gateway texts are not Oracle messages";

    error.ReportText(-6001, "no trace", nullptr);
    EXPECT_STREQ(error.Text(), "no trace");
}

TEST_F(OraErrorTest, ReportStatusWritesTheRecordAndTells)
{
    TraceFile file;
    error.ReportStatus(nullptr, -2031, KxString::EmptyString(), file.Trace());
    EXPECT_NE(file.Text().find("\n<Error>ErrorCode : -2031\nErrorDescription : Unknown error: -2031\n\n"
                               "</Error error=-2031>"),
              std::string::npos)
        << file.Text();
    ASSERT_EQ(listener.heard.size(), 1u);

    error.ReportStatus(nullptr, 100, KxString("SELECT X FROM T"), file.Trace());
    EXPECT_NE(file.Text().find("\n<Error>ErrorCode : 100\nErrorDescription : Error - OCI_NODATA\n\n</Error error=100>"),
              std::string::npos);
    EXPECT_EQ(listener.heard.size(), 1u);

    error.ReportStatus(nullptr, -6220, KxString("SELECT A, B FROM T"), nullptr);
    ASSERT_EQ(listener.heard.size(), 2u);
    EXPECT_EQ(listener.heard[1].context, "SELECT A, B FROM T");
}

TEST_F(OraErrorTest, MarkupInTheDescriptionIsEscaped)
{
    TraceFile file;
    error.ReportText(-6001, "a<b & c>d", file.Trace());
    EXPECT_NE(file.Text().find("ErrorDescription : a&lt;b &amp; c&gt;d\n"), std::string::npos) << file.Text();
    EXPECT_STREQ(error.Text(), "a<b & c>d");
    EXPECT_EQ(file.Trace()->GetEscape(), 0);
}

// ---------------------------------------------------------------------------------------------------
// A throwing listener

TEST_F(OraErrorTest, ThrowingListenerLeavesTheErrorAndTheRecordComplete)
{
    TraceFile file;
    listener.throws = true;
    EXPECT_THROW(error.ReportStatus(nullptr, -2031, KxString("ctx"), file.Trace()), std::runtime_error);
    EXPECT_EQ(error.NativeCode(), -2031);
    EXPECT_STREQ(error.Text(), "Unknown error: -2031");
    EXPECT_NE(file.Text().find("</Error error=-2031>"), std::string::npos) << "the record is written before";

    EXPECT_THROW(error.SetFromRecord(1555, "ORA-01555: snapshot too old\n", KxString("q")), std::runtime_error);
    EXPECT_EQ(error.ErrorCode(), -6072);
    EXPECT_STREQ(error.Text(), "ORA-01555: snapshot too old\n");

    // The next report works and a quiet status does not reach the listener at all.
    EXPECT_NO_THROW(error.ReportStatus(nullptr, 100, KxString::EmptyString(), file.Trace()));
    EXPECT_STREQ(error.Text(), "Error - OCI_NODATA");
    listener.throws = false;
    error.SetFromStatus(nullptr, -6220, KxString::EmptyString());
    EXPECT_EQ(listener.heard.size(), 3u);
    EXPECT_EQ(listener.heard.back().code, -6220);
}

}  // namespace
