// The DB2 statement handle: prepared once, array binds, array fetch.
#include "KxGDB2StatementHdl.h"

#include <new>

#include "KxGDB2Database.h"
#include "KxGDB2TypeHdl.h"
#include "KxGDatabaseTrace.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"

namespace {

void Record(const KxTraceTag& tag, const KxString& text)
{
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        trace->BeginCriticalSection();
        *trace << text << '\n';
        trace->EndCriticalSection();
    }
}

}  // namespace

KxGDB2StatementHdl::KxGDB2StatementHdl(KxGDB2Database* database, KxGStatementTemplate* statementTemplate)
    : database_(database)
{
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "NewStatementHandle");
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, database_->GetConnectionHandle(), &statement_);
    if (rc != SQL_SUCCESS) {
        statement_ = SQL_NULL_HSTMT;
        database_->Report(rc, SQL_NULL_HSTMT);
        return;
    }
    KxString text = statementTemplate != nullptr ? statementTemplate->GetSQLText() : KxString();
    const char* sql = text.StrGet();
    if (sql[0] == '\n') {
        ++sql;
    }
    Record(tag, KxString("statement handle ") << static_cast<int32_t>(statement_) << "\nprepare statement " << sql);
    rc = SQLPrepare(statement_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) {
        database_->Report(rc, statement_);
        SQLFreeHandle(SQL_HANDLE_STMT, statement_);
        statement_ = SQL_NULL_HSTMT;
    }
}

KxGDB2StatementHdl::~KxGDB2StatementHdl()
{
    if (statement_ == SQL_NULL_HSTMT) {
        return;
    }
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "DeleteStatementHandle");
    Record(tag, KxString("statement handle ") << static_cast<int32_t>(statement_));
    const SQLRETURN rc = SQLFreeHandle(SQL_HANDLE_STMT, statement_);
    if (rc != SQL_SUCCESS) {
        database_->Report(rc, SQL_NULL_HSTMT);
    }
}

void KxGDB2StatementHdl::Destroy(KxGStatementHdl* handle)
{
    if (handle == nullptr) {
        delete this;
    } else {
        handle->~KxGStatementHdl();
    }
}

uint16_t KxGDB2StatementHdl::BindParameter(uint16_t position, KxGTypeHdl* typeHdl, int32_t columnSize,
                                           int32_t decimalDigits, int32_t bindSize, void* data, void* indicator)
{
    auto* handler = dynamic_cast<KxGDB2TypeHdl*>(typeHdl);
    if (handler == nullptr) {
        database_->ReportError(-KXG_E_RDBMS, "not a DB2 type handler");
        return 0;
    }
    const SQLRETURN rc = SQLBindParameter(statement_, position, SQL_PARAM_INPUT, handler->SQLType(),
                                          handler->NativeType(), static_cast<SQLULEN>(columnSize),
                                          static_cast<SQLSMALLINT>(decimalDigits), data, bindSize,
                                          static_cast<SQLLEN*>(indicator));
    if (!SQL_SUCCEEDED(rc)) {
        database_->Report(rc, statement_);
        return 0;
    }
    return 1;
}

uint16_t KxGDB2StatementHdl::BindResult(uint16_t column, KxGTypeHdl* typeHdl, int32_t bufferSize, void* data,
                                        void* indicator)
{
    auto* handler = dynamic_cast<KxGDB2TypeHdl*>(typeHdl);
    if (handler == nullptr) {
        database_->ReportError(-KXG_E_RDBMS, "not a DB2 type handler");
        return 0;
    }
    const SQLRETURN rc =
        SQLBindCol(statement_, column, handler->ResultCType(), data, bufferSize, static_cast<SQLLEN*>(indicator));
    if (!SQL_SUCCEEDED(rc)) {
        database_->Report(rc, statement_);
        return 0;
    }
    return 1;
}

int32_t KxGDB2StatementHdl::ExecuteNonSelect(const KxString& /*text*/)
{
    return 0;
}

int32_t KxGDB2StatementHdl::ValidateSelectList(const KxString& /*text*/)
{
    return 0;
}

uint16_t KxGDB2StatementHdl::Execute(uint32_t rows)
{
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "Execute");
    KxString line("statement handle ");
    line << static_cast<int32_t>(statement_);
    if (rows != 0) {
        line << " param array " << rows;
    }
    Record(tag, line);
    SQLRETURN rc;
    if (rows != 0) {
        rc = SQLSetStmtAttr(statement_, SQL_ATTR_PARAMSET_SIZE,
                            reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(rows)), 0);
        if (!SQL_SUCCEEDED(rc)) {
            database_->Report(rc, statement_);
            return 0;
        }
    }
    rc = SQLExecute(statement_);
    if (rc == SQL_SUCCESS || rc == SQL_NO_DATA) {
        return 1;
    }
    database_->Report(rc, statement_);
    return 0;
}

uint16_t KxGDB2StatementHdl::RowCount(uint32_t& rows)
{
    rows = 0;
    SQLLEN count = 0;
    const SQLRETURN rc = SQLRowCount(statement_, &count);
    if (!SQL_SUCCEEDED(rc)) {
        database_->Report(rc, statement_);
        return 0;
    }
    if (count >= 0) {
        rows = static_cast<uint32_t>(count);
    } else {
        database_->Report(rc, statement_);
        database_->GetError()->Clear();
    }
    return 1;
}

uint16_t KxGDB2StatementHdl::Fetch(uint32_t& rows)
{
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "Fetch");
    Record(tag, KxString("statement handle ") << static_cast<int32_t>(statement_) << " Multiple Rows " << rows);
    SQLUINTEGER fetched = 1;
    SQLRETURN rc = SQLSetStmtAttr(statement_, SQL_ATTR_ROW_ARRAY_SIZE,
                                  reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(rows)), 0);
    if (SQL_SUCCEEDED(rc)) {
        rc = SQLSetStmtAttr(statement_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    }
    if (!SQL_SUCCEEDED(rc)) {
        database_->Report(rc, statement_);
        return 0;
    }
    rc = SQLFetch(statement_);
    const uint16_t ok = FetchResult(rc, fetched, rows);
    // The CLI keeps the rows-fetched pointer: detach the local counter before it goes out of scope
    // (after the diagnostics of the fetch were read: the call clears them).
    SQLSetStmtAttr(statement_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    return ok;
}

uint16_t KxGDB2StatementHdl::FetchResult(SQLRETURN rc, SQLUINTEGER fetched, uint32_t& rows)
{
    if (rc == SQL_SUCCESS) {
        rows = fetched;
        return 1;
    }
    if (rc == SQL_NO_DATA) {
        rows = 0;
        return 1;
    }
    database_->Report(rc, statement_);
    KxGDB2DatabaseError* error = database_->GetError();
    if (error->IsRowError() && rc == SQL_SUCCESS_WITH_INFO) {
        database_->Report(rc, statement_);
    }
    if (error->IsTruncation()) {
        rows = fetched;
        error->Clear();
        return 1;
    }
    rows = 0;
    return 0;
}

uint16_t KxGDB2StatementHdl::MoreResults(uint16_t& more)
{
    const SQLRETURN rc = SQLMoreResults(statement_);
    if (rc == SQL_NO_DATA) {
        more = 0;
        return 1;
    }
    if (!SQL_SUCCEEDED(rc)) {
        more = 0;
        database_->Report(rc, statement_);
        return 0;
    }
    more = 1;
    return 1;
}

uint16_t KxGDB2StatementHdl::FreeStmt(SQLUSMALLINT option)
{
    const SQLRETURN rc = SQLFreeStmt(statement_, option);
    if (!SQL_SUCCEEDED(rc)) {
        database_->Report(rc, statement_);
        return 0;
    }
    return 1;
}

uint16_t KxGDB2StatementHdl::CloseCursor()
{
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "CloseCursor");
    return FreeStmt(SQL_CLOSE);
}

uint16_t KxGDB2StatementHdl::UnbindParams()
{
    return FreeStmt(SQL_RESET_PARAMS);
}

uint16_t KxGDB2StatementHdl::UnbindResults()
{
    return FreeStmt(SQL_UNBIND);
}
