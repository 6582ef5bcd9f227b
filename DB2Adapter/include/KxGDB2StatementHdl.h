// The DB2 statement handle: one statement prepared once, at construction, on a CLI statement handle
// of one DB2 connection; parameters are bound column-wise in arrays and results fetched in arrays.
// Every failing CLI call goes through the database's Report (error object and trace) and answers 0.
// Trace: module STM.
#pragma once

#include <cstdint>

#include "KxGStatementHdl.h"
#include "db2cli.h"

class KxGDB2Database;
class KxGStatementTemplate;

class KxGDB2StatementHdl : public KxGStatementHdl {
public:
    // Allocates a CLI statement handle and prepares the template's text (one leading new-line
    // skipped). On failure the handle number is 0 (GetHandle) and the database's error says why.
    KxGDB2StatementHdl(KxGDB2Database* database, KxGStatementTemplate* statementTemplate);
    ~KxGDB2StatementHdl() override;
    KxGDB2StatementHdl(const KxGDB2StatementHdl&) = delete;
    KxGDB2StatementHdl& operator=(const KxGDB2StatementHdl&) = delete;

    void Destroy(KxGStatementHdl* handle) override;
    // Input parameter: C type = the type handle's SQLType, SQL type = its NativeType. A type handle
    // that is not a DB2 handler is refused (-6001, reported).
    uint16_t BindParameter(uint16_t position, KxGTypeHdl* typeHdl, int32_t columnSize, int32_t decimalDigits,
                           int32_t bindSize, void* data, void* indicator) override;
    uint16_t BindResult(uint16_t column, KxGTypeHdl* typeHdl, int32_t bufferSize, void* data,
                        void* indicator) override;
    // Both 0: the statement is executed as a query by Execute and read by Fetch.
    int32_t ExecuteNonSelect(const KxString& text) override;
    int32_t ValidateSelectList(const KxString& text) override;
    // rows not 0 sets the parameter-set size first. Success and "no data" are success; success with
    // information is reported and is a failure.
    uint16_t Execute(uint32_t rows) override;
    uint16_t RowCount(uint32_t& rows) override;
    // Up to `rows` rows; out: the rows delivered. A truncation (01004) counts as success.
    uint16_t Fetch(uint32_t& rows) override;
    uint16_t MoreResults(uint16_t& more) override;
    uint16_t CloseCursor() override;
    uint16_t UnbindParams() override;
    uint16_t UnbindResults() override;

    SQLHSTMT GetHandle() const { return statement_; }

private:
    uint16_t FreeStmt(SQLUSMALLINT option);
    // The outcome of a fetch that gave rc with `fetched` rows delivered.
    uint16_t FetchResult(SQLRETURN rc, SQLUINTEGER fetched, uint32_t& rows);

    KxGDB2Database* database_;
    SQLHSTMT statement_ = SQL_NULL_HSTMT;
};
