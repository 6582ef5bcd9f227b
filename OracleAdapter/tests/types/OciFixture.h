// An open Oracle connection on a server of the SQL engine in a fresh temporary directory, with direct
// OCI statements (prepare, bind, execute, define, fetch) and row buffers laid out as the gateway lays
// them out: column-major, one memory location per column.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "KxGMemoryLocation.h"
#include "KxGOraDatabase.h"
#include "KxGOraTypeHdl.h"
#include "KxGOraTypeHdlMgr.h"
#include "KxGSQLBuffer.h"
#include "OraTestSupport.h"
#include "oci.h"
#include "sqlengine.h"

namespace oratypes {

// A server "TYP..." with the user S and the database object opened on it.
class OciFixture : public oratest::DatabaseTest {
protected:
    OciFixture() : DatabaseTest({.prefix = "TYP", .users = {{"S", "s"}}}) {}

    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        manager_ = dynamic_cast<KxGOraTypeHdlMgr*>(db_->GetTypeHdlMgr());
        ASSERT_NE(manager_, nullptr);
        context_.SetDatabase(db_.get());
    }

    std::string LastError()
    {
        const oratest::OciErrorRecord record = oratest::FirstErrorRecord(db_->GetErrorHandle());
        return std::to_string(record.code) + " " + record.text;
    }

    // One prepared statement.
    class Statement {
    public:
        Statement(OciFixture& fixture, const std::string& sql) : f_(fixture)
        {
            EXPECT_EQ(OCIHandleAlloc(f_.db_->GetEnvironment(), reinterpret_cast<dvoid**>(&stmt_),
                                     OCI_HTYPE_STMT, 0, nullptr),
                      OCI_SUCCESS);
            EXPECT_EQ(OCIStmtPrepare(stmt_, Err(), reinterpret_cast<const OraText*>(sql.c_str()),
                                     static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
                      OCI_SUCCESS);
        }
        ~Statement() { OCIHandleFree(stmt_, OCI_HTYPE_STMT); }
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;

        // Binds or defines a location's column of a buffer (row 0 of the buffer must be current) with
        // the handler's external type and sizes, as the statement handle does.
        void Bind(ub4 position, KxGMemoryLocation& location, KxGSQLBuffer& buffer)
        {
            auto* handler = dynamic_cast<KxGOraTypeHdl*>(location.GetTypeHdl());
            OCIBind* bind = nullptr;
            EXPECT_EQ(OCIBindByPos(stmt_, &bind, Err(), position, location.GetSQLAddress(buffer),
                                   handler->BindSize(location.GetValueSize()), handler->NativeType(),
                                   location.GetNullValueAddress(buffer), nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
                      OCI_SUCCESS);
        }
        void Define(ub4 position, KxGMemoryLocation& location, KxGSQLBuffer& buffer)
        {
            auto* handler = dynamic_cast<KxGOraTypeHdl*>(location.GetTypeHdl());
            OCIDefine* define = nullptr;
            EXPECT_EQ(OCIDefineByPos(stmt_, &define, Err(), position, location.GetSQLAddress(buffer),
                                     location.GetValueSize(), handler->DefineType(),
                                     location.GetNullValueAddress(buffer), nullptr, nullptr, OCI_DEFAULT),
                      OCI_SUCCESS);
        }
        void BindRaw(ub4 position, void* data, sb4 size, ub2 type, void* indicator)
        {
            OCIBind* bind = nullptr;
            EXPECT_EQ(OCIBindByPos(stmt_, &bind, Err(), position, data, size, type, indicator, nullptr, nullptr, 0,
                                   nullptr, OCI_DEFAULT),
                      OCI_SUCCESS);
        }
        void DefineRaw(ub4 position, void* data, sb4 size, ub2 type, sb2* indicator = nullptr)
        {
            OCIDefine* define = nullptr;
            EXPECT_EQ(OCIDefineByPos(stmt_, &define, Err(), position, data, size, type, indicator, nullptr, nullptr,
                                     OCI_DEFAULT),
                      OCI_SUCCESS);
        }
        sword Execute(ub4 iterations)
        {
            return OCIStmtExecute(f_.db_->GetServiceContext(), stmt_, Err(), iterations, 0, nullptr, nullptr,
                                  OCI_DEFAULT);
        }
        sword Fetch(ub4 rows) { return OCIStmtFetch(stmt_, Err(), rows, OCI_FETCH_NEXT, OCI_DEFAULT); }

    private:
        OCIError* Err() { return f_.db_->GetErrorHandle(); }
        OciFixture& f_;
        OCIStmt* stmt_ = nullptr;
    };

    void Exec(const std::string& sql)
    {
        Statement statement(*this, sql);
        ASSERT_EQ(statement.Execute(1), OCI_SUCCESS) << sql << ": " << LastError();
    }

    int64_t Count(const std::string& sql)
    {
        Statement statement(*this, sql);
        int64_t n = -1;
        statement.DefineRaw(1, &n, sizeof n, SQLT_INT);
        EXPECT_EQ(statement.Execute(0), OCI_SUCCESS) << sql << ": " << LastError();
        EXPECT_EQ(statement.Fetch(1), OCI_SUCCESS) << sql << ": " << LastError();
        return n;
    }

    // The bytes of one column of one row, fetched with the given external type into size bytes.
    std::string Raw(const std::string& sql, ub2 type, sb4 size, bool* isNull = nullptr)
    {
        Statement statement(*this, sql);
        std::string bytes(size_t(size), '\x7F');
        sb2 indicator = 0;
        statement.DefineRaw(1, bytes.data(), size, type, &indicator);
        EXPECT_EQ(statement.Execute(0), OCI_SUCCESS) << sql << ": " << LastError();
        EXPECT_EQ(statement.Fetch(1), OCI_SUCCESS) << sql << ": " << LastError();
        if (isNull != nullptr) {
            *isNull = indicator == -1;
        }
        return bytes;
    }

    KxGOraTypeHdlMgr* manager_ = nullptr;
    KxGContext context_;
};

}  // namespace oratypes
