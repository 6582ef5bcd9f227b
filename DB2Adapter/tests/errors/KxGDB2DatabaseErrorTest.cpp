// The DB2 error object: the code table, warnings, and what a report gives when no diagnostic record
// can be read.
#include <gtest/gtest.h>

#include <string>

#include "DB2TestFixture.h"
#include "KxGDB2DatabaseError.h"
#include "KxGStatusCodes.h"

namespace {

TEST(KxGDB2DatabaseError, NativeCodesMapToGatewayCodes)
{
    struct Case {
        int32_t native;
        int32_t gateway;
    };
    const Case cases[] = {
        {7, -7},         {100, -100},     {-1403, -2309}, {-1003, -2309}, {-1336, -2512}, {-1060, -2310},
        {-551, -2310},   {-1013, -2031},  {-1001, -2031}, {-911, -6102},  {-803, -2028},  {-204, -6002},
        {0, -6001},      {-438, -6001},   {-99999, -6001}, {KXG_DB2_NO_DIAGNOSTIC, -6001},
    };
    KxGDB2DatabaseError error;
    for (const Case& c : cases) {
        error.SetError(c.native, "");
        EXPECT_EQ(error.ErrorCode(), c.gateway) << c.native;
        EXPECT_EQ(error.IsWarning(), c.native > 0 ? 1 : 0) << c.native;
        EXPECT_EQ(error.IsDeadlock(), c.native == -911 ? 1 : 0) << c.native;
        EXPECT_EQ(error.IsNoDatabase(), c.native == -1013 ? 1 : 0) << c.native;
    }
}

TEST(KxGDB2DatabaseError, LongTextIsCutAndClearEmptiesAll)
{
    KxGDB2DatabaseError error;
    const std::string text(3000, 'x');
    error.SetError(-1, text.c_str());
    EXPECT_EQ(std::string(error.Text()).size(), 1023u);
    error.Clear();
    EXPECT_EQ(error.HasError(), 0);
    EXPECT_STREQ(error.Text(), "");
    EXPECT_STREQ(error.SQLState(), "");
}

TEST(KxGDB2DatabaseError, SetDescriptionTakesTheSqlcaCode)
{
    KxGDB2DatabaseError error;
    error.GetSqlca()->sqlcode = -1013;
    SetDescription(&error);
    EXPECT_EQ(error.NativeCode(), -1013);
    EXPECT_EQ(error.ErrorCode(), KXG_E_NO_SUCH_DATABASE);
}

class DB2ReportTest : public db2test::DB2Fixture {};

// A diagnostic that cannot be read is an RDBMS error, never a refused log-in.
TEST_F(DB2ReportTest, UnreadableDiagnosticIsAnRdbmsError)
{
    db_->Report(SQL_ERROR, 987654);
    EXPECT_EQ(db_->GetError()->NativeCode(), KXG_DB2_NO_DIAGNOSTIC);
    EXPECT_EQ(db_->GetError()->ErrorCode(), KXG_E_RDBMS);
}

TEST_F(DB2ReportTest, ServerDiagnosticsReachTheErrorObject)
{
    Exec(*db_, "CREATE TABLE GWDB.T (ID INTEGER not null, PRIMARY KEY ( ID ) )");
    Exec(*db_, "INSERT INTO GWDB.T (ID) VALUES (1)");
    EXPECT_EQ(db_->ExecuteDirect("INSERT INTO GWDB.T (ID) VALUES (1)"), 0);
    EXPECT_EQ(db_->GetError()->NativeCode(), -803);
    EXPECT_STREQ(db_->GetError()->SQLState(), "23505");
    EXPECT_EQ(db_->GetError()->ErrorCode(), KXG_E_DUPLICATE_KEY);
}

// The database's ReportError stores the negated gateway code.
TEST_F(DB2ReportTest, ReportErrorStoresTheNegatedCode)
{
    db_->ReportError(KXG_E_LOCAL_MODE_CONFLICT, "busy");
    EXPECT_EQ(db_->GetError()->NativeCode(), 2032);
    EXPECT_EQ(db_->GetError()->ErrorCode(), KXG_E_LOCAL_MODE_CONFLICT);
    EXPECT_STREQ(db_->GetError()->Text(), "busy");
}

}  // namespace
