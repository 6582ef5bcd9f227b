// The Oracle statement handle: one SQL statement prepared on an OCI statement handle of one Oracle
// connection (KxGOraDatabase).
//
// The database's CreateStatementHdl makes it for a template and hands it to the gateway, which binds
// row buffers to it and executes it with arrays of parameter rows (up to 32767 rows per execution);
// queries are executed without fetching and then fetched by Fetch. The adapter itself also runs texts
// through ExecDirect (savepoints, start-up commands, database creation).
//
// Every failing OCI call is reported through the database's ReportErrorOra(status, statement text):
// the error object, the trace and the process-wide error listener (KxGOraDatabaseErrorCallback) are
// told, and the operation answers 0 (or, where said, a negative status). Whatever the listener throws
// passes out of the operation; the handle releases what it holds on the way (the OCI statement when
// the constructor is left by an exception, column parameters, trace tags) and stays usable. The
// destructor never lets an exception pass.
//
// Trace: module KXG_TRACE_STM; every tag names the handle's address ("handle 0x...").
#pragma once

#include <cstdint>
#include <memory>

#include "KxGStatementHdl.h"
#include "KxGStatusCodes.h"
#include "KxString.h"

struct OCIStmt;
class KxGOraDatabase;
class KxGStatementTemplate;
class KxGTypeHdl;

// Most parameter rows one execution binds.
constexpr uint32_t KXG_ORA_MAX_PARAMETER_ROWS = 32767;

// Execute with too many parameter rows answers KXG_E_PARAMETER_ARRAY_TOO_LARGE ("Max. parameter array
// size exceeded"); ValidateSelectList answers KXG_E_INVALID_SQL_STATEMENT for a select list that is not
// an object-id list.

class KxGOraStatementHdl : public KxGStatementHdl {
public:
    // Allocates an OCI statement handle on the database's environment and prepares the template's
    // text (native syntax). A failure is reported and leaves the handle unprepared (IsPrepared 0);
    // the database's CreateStatementHdl then deletes it. A null template prepares an empty text.
    // When the error listener throws, the exception passes out and the OCI handle is freed.
    // database: not owned, not null, lives longer than the handle.
    KxGOraStatementHdl(KxGOraDatabase* database, KxGStatementTemplate* statementTemplate);
    // Frees the OCI statement handle; a failure is reported (the listener's exception, if any, is
    // swallowed here: a destructor cannot pass it on).
    ~KxGOraStatementHdl() override;
    KxGOraStatementHdl(const KxGOraStatementHdl&) = delete;
    KxGOraStatementHdl& operator=(const KxGOraStatementHdl&) = delete;

    // ---- KxGStatementHdl, in slot order --------------------------------------------------------
    // Null: deletes this handle. A handle: destroys that object in place without freeing its memory.
    void Destroy(KxGStatementHdl* handle) override;
    // OCIBindByPos with the bind size and the type handle's NativeType; rows follow each other by the
    // bind size, indicators by 2 bytes. columnSize and reserved are not used. 0 when the type handle
    // is not an Oracle type handle (reported as -6062) or OCI fails.
    uint16_t BindParameter(uint16_t position, KxGTypeHdl* typeHdl, int32_t columnSize, int32_t reserved,
                           int32_t bindSize, void* data, void* indicator) override;
    // OCIDefineByPos with the buffer size and the type handle's NativeType.
    uint16_t BindResult(uint16_t column, KxGTypeHdl* typeHdl, int32_t bufferSize, void* data,
                        void* indicator) override;
    // For a statement that is not a query: executes it once (committing on success with the
    // database's auto-commit) and answers 1. For a query: 0, nothing executed. A failure is reported
    // and answers a negative status. The text is not used.
    int32_t ExecuteNonSelect(const KxString& text) override;
    // Describes the query and checks that its select list is an object-id list: column 1 "OID" or
    // "CID", column 2 "CID", no third column and no column "M_NAME2V0" (names compared upper-cased).
    // 1 when it is (also for no columns); KXG_E_INVALID_SQL_STATEMENT (reported) when not; a negative
    // status after a reported OCI failure. The text is not used.
    // In both operations an OCI success with information is reported and the work goes on; any other
    // failing status answers itself when negative, else -6001.
    int32_t ValidateSelectList(const KxString& text) override;
    // Executes with `rows` parameter rows (0 counts as 1); a query executes without fetching.
    // More than KXG_ORA_MAX_PARAMETER_ROWS rows: KXG_E_PARAMETER_ARRAY_TOO_LARGE is reported and
    // nothing is executed. With the database's auto-commit the execution commits on success.
    uint16_t Execute(uint32_t rows) override;
    // The rows processed so far by the statement (cumulative over the fetches of one execution).
    uint16_t RowCount(uint32_t& rows) override;
    // Fetches up to `rows` rows into the bound results; out: the rows this call delivered (0 at the
    // end of the result set). A truncated value (ORA-01406) is not an error.
    uint16_t Fetch(uint32_t& rows) override;
    // more = 0; 1.
    uint16_t MoreResults(uint16_t& more) override;
    // Traces; 1.
    uint16_t CloseCursor() override;
    // 1 (bindings stay in the OCI statement until the same position is bound again).
    uint16_t UnbindParams() override;
    uint16_t UnbindResults() override;

    // ---- Oracle's own ----------------------------------------------------------------------------
    // Binds a PL/SQL table parameter by its placeholder name: up to *count elements, the current
    // count read from (and written to) *count; size bytes per element. A null count binds a scalar.
    uint16_t BindParameterByName(const KxString& name, KxGTypeHdl* typeHdl, int32_t reserved, uint32_t* count,
                                 int32_t size, void* data, void* indicator);
    // Prepares the template's text on this handle (it becomes the handle's text) and executes it once,
    // whatever the select flag, committing on success with the database's auto-commit. 1 on success
    // or "no data"; a failure of either call is reported and answers 0.
    uint16_t ExecDirect(KxGStatementTemplate* statementTemplate);

    // 1 after a successful prepare.
    uint16_t IsPrepared() const { return prepared_; }
    // The text last prepared.
    const KxString& GetStatementText() const { return text_; }

private:
    // Prepares text_ on statement_; 1 on success, else reported and 0.
    uint16_t Prepare();
    // OCIStmtExecute with the given iterations and mode.
    int32_t RunExecute(uint32_t iterations, uint32_t mode);
    // After a failed fetch: true when the error record is a truncation (ORA-01406), which is then
    // written to the trace as a warning, not told to the listener, and cleared.
    bool ForgiveTruncation(int32_t status);
    // The mode of an execution: commit on success with auto-commit.
    uint32_t ExecuteMode() const;
    void Report(int32_t status);
    // The negative status that a reported failure answers.
    static int32_t FailureStatus(int32_t status);
    // The "handle 0x..." text of the trace.
    KxString HandleText() const;

    struct StatementFree {
        void operator()(OCIStmt* statement) const;
    };

    KxGOraDatabase* database_;
    std::unique_ptr<OCIStmt, StatementFree> statement_;
    uint16_t prepared_ = 0;
    KxString text_;
};
