// The Oracle statement handle.
#include "KxGOraStatementHdl.h"

#include <cstdio>
#include <cstring>

#include "KxGDatabaseTrace.h"
#include "KxGOraDatabase.h"
#include "KxGOraDatabaseError.h"
#include "KxGOraTypeHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "oci.h"

namespace {

// Gateway status of a failed bind (a type handle that is not an Oracle one) and of an OCI status that
// is neither an error nor a success.

// Oracle's "fetched column value is truncated".
constexpr int32_t kOraTruncated = 1406;

const char* const kTooManyRows = "Max. parameter array size exceeded";

bool IsSuccess(sword status)
{
    return status == OCI_SUCCESS || status == OCI_NO_DATA;
}

// One record inside an active tag: the writer's critical section is held and texts are escaped.
class TraceRecord {
public:
    explicit TraceRecord(KxGDatabaseTrace& trace) : trace_(trace)
    {
        trace_.BeginCriticalSection();
        trace_.SetEscape(1);
    }
    ~TraceRecord()
    {
        trace_.SetEscape(0);
        trace_.EndCriticalSection();
    }
    TraceRecord(const TraceRecord&) = delete;
    TraceRecord& operator=(const TraceRecord&) = delete;

    KxGDatabaseTrace& operator*() { return trace_; }

private:
    KxGDatabaseTrace& trace_;
};

// Frees a column parameter got from OCIParamGet when the walk leaves it, however it leaves.
class ParamHolder {
public:
    explicit ParamHolder(void* param) : param_(param) {}
    ~ParamHolder() { OCIDescriptorFree(param_, OCI_DTYPE_PARAM); }
    ParamHolder(const ParamHolder&) = delete;
    ParamHolder& operator=(const ParamHolder&) = delete;

private:
    void* param_;
};

KxGOraTypeHdl* OracleHandler(KxGTypeHdl* typeHdl)
{
    return KxGOraTypeHdl::Of(typeHdl);
}

}  // namespace

void KxGOraStatementHdl::StatementFree::operator()(OCIStmt* statement) const
{
    OCIHandleFree(statement, OCI_HTYPE_STMT);
}

KxGOraStatementHdl::KxGOraStatementHdl(KxGOraDatabase* database, KxGStatementTemplate* statementTemplate)
    : database_(database)
{
    text_ = statementTemplate != nullptr ? statementTemplate->GetSQLText() : KxString::EmptyString();
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "NewStatementHandle");
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        TraceRecord record(*trace);
        *record << HandleText();
    }
    if (database_->CheckHandles() == 0) {
        return;
    }
    OCIStmt* statement = nullptr;
    const sword status = OCIHandleAlloc(database_->GetEnvironment(), reinterpret_cast<dvoid**>(&statement),
                                        OCI_HTYPE_STMT, 0, nullptr);
    if (status != OCI_SUCCESS) {
        Report(status);
        return;
    }
    // Owned from here: an exception out of a report below frees it with the member.
    statement_.reset(statement);
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        TraceRecord record(*trace);
        *record << " Prepare Statement:\n" << text_;
    }
    Prepare();
}

KxGOraStatementHdl::~KxGOraStatementHdl()
{
    try {
        KxGTraceTag tag(*database_, KXG_TRACE_STM, "DeleteStatementHandle");
        if (KxGDatabaseTrace* trace = tag.GetTrace()) {
            TraceRecord record(*trace);
            *record << HandleText();
        }
        if (statement_) {
            const sword status = OCIHandleFree(statement_.release(), OCI_HTYPE_STMT);
            if (status != OCI_SUCCESS) {
                // A database that is being destroyed may have let its error object go already.
                if (database_->GetError() != nullptr) {
                    Report(status);
                }
            } else {
                prepared_ = 0;
            }
        }
    } catch (...) {
        // The listener has been told; a destructor cannot pass its exception on.
    }
}

void KxGOraStatementHdl::Destroy(KxGStatementHdl* handle)
{
    if (handle == nullptr) {
        delete this;
    } else {
        handle->~KxGStatementHdl();
    }
}

uint16_t KxGOraStatementHdl::BindParameter(uint16_t position, KxGTypeHdl* typeHdl, int32_t, int32_t,
                                           int32_t bindSize, void* data, void* indicator)
{
    KxGOraTypeHdl* handler = OracleHandler(typeHdl);
    if (handler == nullptr) {
        database_->ReportError(KXG_E_QUERY_BIND, "Bind parameter: no Oracle type handle");
        return 0;
    }
    OCIBind* bind = nullptr;
    const sword status = OCIBindByPos(statement_.get(), &bind, database_->GetErrorHandle(), position, data, bindSize,
                                      handler->NativeType(), indicator, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    if (status != OCI_SUCCESS) {
        Report(status);
        return 0;
    }
    return 1;
}

uint16_t KxGOraStatementHdl::BindResult(uint16_t column, KxGTypeHdl* typeHdl, int32_t bufferSize, void* data,
                                        void* indicator)
{
    KxGOraTypeHdl* handler = OracleHandler(typeHdl);
    if (handler == nullptr) {
        database_->ReportError(KXG_E_QUERY_BIND, "Bind result: no Oracle type handle");
        return 0;
    }
    OCIDefine* define = nullptr;
    const sword status = OCIDefineByPos(statement_.get(), &define, database_->GetErrorHandle(), column, data,
                                        bufferSize, handler->DefineType(), indicator, nullptr, nullptr, OCI_DEFAULT);
    if (status != OCI_SUCCESS) {
        Report(status);
        return 0;
    }
    return 1;
}

int32_t KxGOraStatementHdl::ExecuteNonSelect(const KxString&)
{
    ub2 type = 0;
    sword status = OCIAttrGet(statement_.get(), OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE,
                              database_->GetErrorHandle());
    if (!IsSuccess(status)) {
        Report(status);
        if (status != OCI_SUCCESS_WITH_INFO) {
            return FailureStatus(status);
        }
    }
    if (type == OCI_STMT_SELECT) {
        return 0;
    }
    status = RunExecute(1, ExecuteMode());
    if (IsSuccess(status)) {
        return 1;
    }
    Report(status);
    // Success with information: the statement did run.
    return status == OCI_SUCCESS_WITH_INFO ? 1 : FailureStatus(status);
}

int32_t KxGOraStatementHdl::ValidateSelectList(const KxString&)
{
    sword status = RunExecute(0, OCI_DESCRIBE_ONLY);
    if (!IsSuccess(status)) {
        Report(status);
        if (status != OCI_SUCCESS_WITH_INFO) {
            return FailureStatus(status);
        }
    }
    for (ub4 position = 1;; ++position) {
        dvoid* param = nullptr;
        status = OCIParamGet(statement_.get(), OCI_HTYPE_STMT, database_->GetErrorHandle(), &param, position);
        if (status != OCI_SUCCESS) {
            if (position == 1 && status != OCI_NO_DATA) {
                Report(status);
                return FailureStatus(status);
            }
            return 1;
        }
        ParamHolder holder(param);
        OraText* name = nullptr;
        ub4 length = 0;
        status = OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &length, OCI_ATTR_NAME, database_->GetErrorHandle());
        if (!IsSuccess(status)) {
            Report(status);
            if (status != OCI_SUCCESS_WITH_INFO) {
                return FailureStatus(status);
            }
        }
        KxString column = name != nullptr ? KxString(reinterpret_cast<const char*>(name), length)
                                          : KxString::EmptyString();
        column.ToUpper();
        bool valid = false;
        if (position == 1) {
            valid = column == KxString("OID") || column == KxString("CID");
        } else if (position == 2) {
            valid = column == KxString("CID");
        }
        if (column == KxString("M_NAME2V0")) {
            valid = false;
        }
        if (!valid) {
            database_->ReportErrorOra(KXG_E_INVALID_SQL_STATEMENT, text_);
            return KXG_E_INVALID_SQL_STATEMENT;
        }
    }
}

uint16_t KxGOraStatementHdl::Execute(uint32_t rows)
{
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "Execute");
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        TraceRecord record(*trace);
        *record << HandleText() << " parameter array size " << rows;
    }
    if (rows == 0) {
        rows = 1;
    }
    if (rows > KXG_ORA_MAX_PARAMETER_ROWS) {
        database_->ReportError(KXG_E_PARAMETER_ARRAY_TOO_LARGE, kTooManyRows);
        return 0;
    }
    // A query is executed without fetching; Fetch delivers its rows.
    const uint32_t iterations = GetSelectFlag() != 0 ? 0 : rows;
    const sword status = RunExecute(iterations, ExecuteMode());
    if (IsSuccess(status)) {
        return 1;
    }
    Report(status);
    return 0;
}

uint16_t KxGOraStatementHdl::RowCount(uint32_t& rows)
{
    ub4 count = 0;
    ub4 size = sizeof count;
    const sword status = OCIAttrGet(statement_.get(), OCI_HTYPE_STMT, &count, &size, OCI_ATTR_ROW_COUNT,
                                    database_->GetErrorHandle());
    if (status != OCI_SUCCESS) {
        Report(status);
        return 0;
    }
    rows = count;
    return 1;
}

uint16_t KxGOraStatementHdl::Fetch(uint32_t& rows)
{
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "Fetch");
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        TraceRecord record(*trace);
        *record << HandleText();
        if (rows < 2) {
            *record << " Single Row";
        } else {
            *record << " Multiple Rows " << rows;
        }
    }
    uint32_t before = 0;
    if (RowCount(before) == 0) {
        return 0;
    }
    const sword status = OCIStmtFetch(statement_.get(), database_->GetErrorHandle(), rows, OCI_DEFAULT, OCI_DEFAULT);
    if (!IsSuccess(status) && !ForgiveTruncation(status)) {
        Report(status);
        return 0;
    }
    uint32_t after = 0;
    if (RowCount(after) == 0) {
        return 0;
    }
    rows = after >= before ? after - before : 0;
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        TraceRecord record(*trace);
        *record << "\nFetched Rows = " << rows;
    }
    return 1;
}

uint16_t KxGOraStatementHdl::MoreResults(uint16_t& more)
{
    more = 0;
    return 1;
}

uint16_t KxGOraStatementHdl::CloseCursor()
{
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "CloseCursor");
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        TraceRecord record(*trace);
        *record << HandleText();
    }
    return 1;
}

uint16_t KxGOraStatementHdl::UnbindParams()
{
    return 1;
}

uint16_t KxGOraStatementHdl::UnbindResults()
{
    return 1;
}

uint16_t KxGOraStatementHdl::BindParameterByName(const KxString& name, KxGTypeHdl* typeHdl, int32_t,
                                                 uint32_t* count, int32_t size, void* data, void* indicator)
{
    KxGOraTypeHdl* handler = OracleHandler(typeHdl);
    if (handler == nullptr) {
        database_->ReportError(KXG_E_QUERY_BIND, "Bind parameter: no Oracle type handle");
        return 0;
    }
    OCIBind* bind = nullptr;
    const sword status =
        OCIBindByName(statement_.get(), &bind, database_->GetErrorHandle(),
                      reinterpret_cast<const OraText*>(name.StrGet()), static_cast<sb4>(name.Len()), data, size,
                      handler->NativeType(), indicator, nullptr, nullptr, count != nullptr ? *count : 0, count,
                      OCI_DEFAULT);
    if (status != OCI_SUCCESS) {
        Report(status);
        return 0;
    }
    return 1;
}

uint16_t KxGOraStatementHdl::ExecDirect(KxGStatementTemplate* statementTemplate)
{
    KxGTraceTag tag(*database_, KXG_TRACE_STM, "ExecDirect");
    text_ = statementTemplate != nullptr ? statementTemplate->GetSQLText() : KxString::EmptyString();
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        TraceRecord record(*trace);
        *record << HandleText() << " Prepare:\n" << text_;
    }
    if (Prepare() == 0) {
        return 0;
    }
    const sword status = RunExecute(1, ExecuteMode());
    if (IsSuccess(status)) {
        return 1;
    }
    Report(status);
    return 0;
}

uint16_t KxGOraStatementHdl::Prepare()
{
    // The handle holds the new text from here on; it is prepared only once OCI has taken it.
    prepared_ = 0;
    const sword status = OCIStmtPrepare(statement_.get(), database_->GetErrorHandle(),
                                        reinterpret_cast<const OraText*>(text_.StrGet()),
                                        static_cast<ub4>(std::strlen(text_.StrGet())), OCI_NTV_SYNTAX, OCI_DEFAULT);
    if (status != OCI_SUCCESS) {
        Report(status);
        return 0;
    }
    prepared_ = 1;
    return 1;
}

int32_t KxGOraStatementHdl::RunExecute(uint32_t iterations, uint32_t mode)
{
    return OCIStmtExecute(database_->GetServiceContext(), statement_.get(), database_->GetErrorHandle(), iterations,
                          0, nullptr, nullptr, mode);
}

uint32_t KxGOraStatementHdl::ExecuteMode() const
{
    return database_->GetAutoCommit() != 0 ? OCI_COMMIT_ON_SUCCESS : OCI_DEFAULT;
}

bool KxGOraStatementHdl::ForgiveTruncation(int32_t status)
{
    if (status != OCI_ERROR && status != OCI_SUCCESS_WITH_INFO) {
        return false;
    }
    sb4 code = 0;
    OraText message[KxGOraDatabaseError::TEXT_MAX + 1] = {};
    if (OCIErrorGet(database_->GetErrorHandle(), 1, nullptr, &code, message, sizeof message, OCI_HTYPE_ERROR) !=
            OCI_SUCCESS ||
        code != kOraTruncated) {
        return false;
    }
    // Not an error: the trace shows it as a warning, the listener is not told, and the error object
    // is left empty.
    KxGOraDatabaseError* error = database_->GetError();
    error->ReportText(code, reinterpret_cast<const char*>(message), database_->GetTraceWriter());
    error->Clear();
    return true;
}

void KxGOraStatementHdl::Report(int32_t status)
{
    database_->ReportErrorOra(status, text_);
}

int32_t KxGOraStatementHdl::FailureStatus(int32_t status)
{
    return status < 0 ? status : KXG_E_RDBMS;
}

KxString KxGOraStatementHdl::HandleText() const
{
    char address[40];
    std::snprintf(address, sizeof address, "handle %p", static_cast<const void*>(this));
    return KxString(address);
}
