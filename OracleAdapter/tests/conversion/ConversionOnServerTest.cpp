// The conversion expressions run on a server: a small table is created through OCI and each built
// expression is selected from it ("SELECT <expression> FROM T").
#include <gtest/gtest.h>

#include <string>

#include "KxGColumn.h"
#include "KxGOraTypeConvHdlMgr.h"
#include "OraTestSupport.h"
#include "oci.h"

namespace {

// A server "CONV_..." with the user SCOTT, and an OCI session of SCOTT on it.
class ConversionOnServer : public oratest::ServerTest {
protected:
    ConversionOnServer() : ServerTest({.prefix = "CONV_", .users = {{"SCOTT", "tiger"}}}) {}

    void SetUp() override {
        ServerTest::SetUp();
        if (HasFatalFailure()) return;

        ASSERT_EQ(OCIEnvCreate(&env_, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr), OCI_SUCCESS);
        ASSERT_EQ(OCIHandleAlloc(env_, reinterpret_cast<dvoid**>(&err_), OCI_HTYPE_ERROR, 0, nullptr), OCI_SUCCESS);
        ASSERT_EQ(OCIHandleAlloc(env_, reinterpret_cast<dvoid**>(&srv_), OCI_HTYPE_SERVER, 0, nullptr), OCI_SUCCESS);
        ASSERT_EQ(OCIHandleAlloc(env_, reinterpret_cast<dvoid**>(&svc_), OCI_HTYPE_SVCCTX, 0, nullptr), OCI_SUCCESS);
        ASSERT_EQ(OCIHandleAlloc(env_, reinterpret_cast<dvoid**>(&ses_), OCI_HTYPE_SESSION, 0, nullptr), OCI_SUCCESS);
        ASSERT_EQ(OCIServerAttach(srv_, err_, reinterpret_cast<const OraText*>(serverName_.c_str()),
                                  static_cast<sb4>(serverName_.size()), OCI_DEFAULT),
                  OCI_SUCCESS)
            << ErrorText();
        attached_ = true;
        ASSERT_EQ(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, srv_, 0, OCI_ATTR_SERVER, err_), OCI_SUCCESS);
        char user[] = "SCOTT";
        char password[] = "tiger";
        ASSERT_EQ(OCIAttrSet(ses_, OCI_HTYPE_SESSION, user, 5, OCI_ATTR_USERNAME, err_), OCI_SUCCESS);
        ASSERT_EQ(OCIAttrSet(ses_, OCI_HTYPE_SESSION, password, 5, OCI_ATTR_PASSWORD, err_), OCI_SUCCESS);
        ASSERT_EQ(OCISessionBegin(svc_, err_, ses_, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_SUCCESS) << ErrorText();
        begun_ = true;
        ASSERT_EQ(OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, ses_, 0, OCI_ATTR_SESSION, err_), OCI_SUCCESS);
    }

    void TearDown() override {
        if (begun_) OCISessionEnd(svc_, err_, ses_, OCI_DEFAULT);
        if (attached_) OCIServerDetach(srv_, err_, OCI_DEFAULT);
        if (ses_) OCIHandleFree(ses_, OCI_HTYPE_SESSION);
        if (svc_) OCIHandleFree(svc_, OCI_HTYPE_SVCCTX);
        if (srv_) OCIHandleFree(srv_, OCI_HTYPE_SERVER);
        if (err_) OCIHandleFree(err_, OCI_HTYPE_ERROR);
        if (env_) OCIHandleFree(env_, OCI_HTYPE_ENV);
        ServerTest::TearDown();
    }

    std::string ErrorText() {
        const oratest::OciErrorRecord record = oratest::FirstErrorRecord(err_);
        return "ORA-" + std::to_string(record.code) + ": " + record.text;
    }

    // Runs a statement that returns no rows; empty on success, else the error.
    std::string Exec(const std::string& sql) {
        OCIStmt* st = nullptr;
        if (OCIHandleAlloc(env_, reinterpret_cast<dvoid**>(&st), OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS)
            return "no statement handle";
        std::string result;
        if (OCIStmtPrepare(st, err_, reinterpret_cast<const OraText*>(sql.c_str()), static_cast<ub4>(sql.size()),
                           OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS ||
            OCIStmtExecute(svc_, st, err_, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS) != OCI_SUCCESS)
            result = ErrorText();
        OCIHandleFree(st, OCI_HTYPE_STMT);
        return result;
    }

    // The first column of the first row as text ("<null>" for NULL, "error ..." on failure).
    std::string SelectOne(const std::string& sql) {
        OCIStmt* st = nullptr;
        if (OCIHandleAlloc(env_, reinterpret_cast<dvoid**>(&st), OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS)
            return "error: no statement handle";
        char value[256] = {};
        sb2 indicator = 0;
        ub2 length = 0;
        OCIDefine* define = nullptr;
        std::string result;
        if (OCIStmtPrepare(st, err_, reinterpret_cast<const OraText*>(sql.c_str()), static_cast<ub4>(sql.size()),
                           OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS ||
            OCIDefineByPos(st, &define, err_, 1, value, sizeof(value), SQLT_STR, &indicator, &length, nullptr,
                           OCI_DEFAULT) != OCI_SUCCESS ||
            OCIStmtExecute(svc_, st, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS)
            result = "error " + ErrorText();
        else
            result = indicator == -1 ? std::string("<null>") : std::string(value);
        OCIHandleFree(st, OCI_HTYPE_STMT);
        return result;
    }

    OCIEnv* env_ = nullptr;
    OCIError* err_ = nullptr;
    OCIServer* srv_ = nullptr;
    OCISvcCtx* svc_ = nullptr;
    OCISession* ses_ = nullptr;
    bool attached_ = false;
    bool begun_ = false;
};

struct RunCase {
    const char* what;
    const char* column;  // the source column of table T
    uint16_t sourceCode;
    uint8_t sourceKind;
    uint32_t sourceSize;
    uint16_t targetCode;
    uint8_t targetKind;
    uint32_t targetSize;
    int32_t result;
    const char* value;   // dates shown as yyyy-mm-dd hh24:mi:ss; NUL characters shown as '#'
};

TEST_F(ConversionOnServer, ExpressionsGiveTheConvertedValues) {
    ASSERT_EQ(Exec("CREATE TABLE T (K NUMBER(10), J NUMBER(10), F NUMBER, N NUMBER(10), S VARCHAR2(40), "
                   "C CHAR(10), ST VARCHAR2(20), SDT VARCHAR2(40), D DATE, TM DATE, DT DATE, B CHAR(1))"),
              "");
    ASSERT_EQ(Exec("INSERT INTO T VALUES (66, 2451545, 2451545.4, 45296, '12/31/1999', 'ab', '12:34:56', "
                   "'03/15/2001 12:34:56', TO_DATE('03/15/2001', 'mm/dd/yyyy'), "
                   "TO_DATE('01/01/1900 12:34:56', 'mm/dd/yyyy hh24:mi:ss'), "
                   "TO_DATE('03/15/2001 12:34:56', 'mm/dd/yyyy hh24:mi:ss'), 'A')"),
              "");

    const RunCase cases[] = {
        {"int to date", "J", 2, 0, 4, 12, 0, 0, 1, "2000-01-01 00:00:00"},
        {"float to datetime", "F", 4, 0, 8, 19, 0, 0, 1, "2000-01-01 00:00:00"},
        {"int seconds to time", "N", 2, 0, 4, 13, 0, 0, 1, "1900-01-01 12:34:56"},
        {"time to int seconds", "TM", 13, 0, 0, 2, 0, 4, 1, "45296"},
        {"datetime to time", "DT", 19, 0, 0, 13, 0, 0, 2, "1900-01-01 12:34:56"},
        {"time to datetime", "TM", 13, 0, 0, 19, 0, 0, 2, "1900-01-01 12:34:56"},
        {"datetime to date", "DT", 19, 0, 0, 12, 0, 0, 2, "2001-03-15 00:00:00"},
        {"date to int day", "D", 12, 0, 0, 2, 0, 4, 1, "2451984"},
        {"date to VARCHAR2", "D", 12, 0, 0, 11, 0, 20, 1, "03/15/2001"},
        {"datetime to VARCHAR2", "DT", 19, 0, 0, 11, 0, 30, 1, "03/15/2001 12:34:56"},
        {"time to CHAR", "TM", 13, 0, 0, 11, 1, 10, 1, "12:34:56"},
        {"VARCHAR2 to date", "S", 11, 0, 40, 12, 0, 0, 1, "1999-12-31 00:00:00"},
        {"VARCHAR2 to time", "ST", 11, 0, 20, 13, 0, 0, 1, "1900-01-01 12:34:56"},
        {"VARCHAR2 to datetime", "SDT", 11, 0, 40, 19, 0, 0, 1, "2001-03-15 12:34:56"},
        {"VARCHAR2 40 to 5", "S", 11, 0, 40, 11, 0, 5, 2, "12/31"},
        {"VARCHAR2 to CHAR 5", "S", 11, 0, 40, 11, 1, 5, 1, "12/31"},
        {"CHAR to VARCHAR2", "C", 11, 1, 10, 11, 0, 5, 1, "ab"},
        {"CHAR to LONG", "C", 11, 1, 10, 11, 2, 100, 1, "ab"},
        {"byte to int", "B", 10, 0, 1, 2, 0, 4, 1, "65"},
        {"byte to char", "B", 10, 0, 1, 0, 0, 1, 2, "65"},
        {"char to byte", "K", 0, 0, 1, 10, 0, 1, 2, "B"},
        {"int to char", "K", 2, 0, 4, 0, 0, 1, 1, "6"},
        {"byte 1 to 3", "B", 10, 0, 1, 10, 0, 3, 1, "A##"},
    };
    KxGOraTypeConvHdlMgr mgr;
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.what);
        KxString expression;
        ASSERT_EQ(mgr.BuildConversion(KxGColumn(KxString(c.column), c.sourceCode, c.sourceSize, 0, c.sourceKind),
                                      KxGColumn(KxString("NEWCOL"), c.targetCode, c.targetSize, 0, c.targetKind),
                                      expression),
                  c.result);
        std::string select(expression.StrGet());
        const bool dateResult = c.targetCode == 12 || c.targetCode == 13 || c.targetCode == 19;
        if (dateResult) select = "TO_CHAR(" + select + ", 'yyyy-mm-dd hh24:mi:ss')";
        if (c.targetCode == 10) select = "REPLACE(" + select + ", CHR(0), '#')";
        EXPECT_EQ(SelectOne("SELECT " + select + " FROM T"), c.value) << expression.StrGet();
    }
}

}  // namespace
