// The last error of an Oracle connection.
#include "KxGOraDatabaseError.h"

#include <cstdio>
#include <cstring>

#include "KxGDatabaseTrace.h"
#include "KxGOraDatabaseErrorCallback.h"
#include "KxGOraErrorRecord.h"
#include "KxGStatusCodes.h"

namespace {

// OCI statuses that the error object knows by name.
enum : int32_t {
    KXG_ORA_SUCCESS = 0,
    KXG_ORA_SUCCESS_WITH_INFO = 1,
    KXG_ORA_NEED_DATA = 99,
    KXG_ORA_NO_DATA = 100,
    KXG_ORA_ERROR = -1,
    KXG_ORA_INVALID_HANDLE = -2,
    KXG_ORA_STILL_EXECUTING = -3123,
    KXG_ORA_CONTINUE = -24200
};

// Oracle error numbers with a meaning of their own.
constexpr int32_t kOraUniqueConstraint = 1;
constexpr int32_t kOraTimeoutOnResource = 51;
constexpr int32_t kOraDeadlock = 60;
constexpr int32_t kOraNotToListener = 519;
constexpr int32_t kOraInvalidLogon = 1017;
constexpr int32_t kOraInsufficientPrivileges = 1031;
constexpr int32_t kOraSnapshotTooOld = 1555;
constexpr int32_t kOraRoleConflict = 1921;

struct CodeMapping {
    int32_t native;
    int32_t status;
};

constexpr CodeMapping kMappings[] = {
    {kOraUniqueConstraint, KXG_E_DUPLICATE_KEY},
    {kOraInvalidLogon, KXG_E_LOGIN_REFUSED},
    {kOraInsufficientPrivileges, KXG_E_NOT_PRIVILEGED},
    {kOraSnapshotTooOld, KXG_E_SNAPSHOT_TOO_OLD},
    {12154, KXG_E_NO_SERVER},   // service name not resolved
    {12203, KXG_E_NO_SERVER},   // unable to connect to destination
    {12545, KXG_E_NO_SERVER},   // target host or object does not exist
    {12638, KXG_E_CREDENTIALS},   // credential retrieval failed
    {20099, KXG_E_LOCK_REFUSED},  // the lock procedure refused a lock another client holds
};


// Holds the trace's critical section for one record.
class TraceSection {
public:
    explicit TraceSection(KxGDatabaseTrace& trace) : trace_(trace) { trace_.BeginCriticalSection(); }
    ~TraceSection() { trace_.EndCriticalSection(); }
    TraceSection(const TraceSection&) = delete;
    TraceSection& operator=(const TraceSection&) = delete;

private:
    KxGDatabaseTrace& trace_;
};

}  // namespace

KxGOraDatabaseError::KxGOraDatabaseError() = default;

KxGOraDatabaseError::~KxGOraDatabaseError() = default;

uint16_t KxGOraDatabaseError::HasError()
{
    return native_ != 0 ? 1 : 0;
}

uint16_t KxGOraDatabaseError::IsWarning()
{
    return native_ != 0 ? 1 : 0;
}

int32_t KxGOraDatabaseError::NativeCode()
{
    return native_;
}

int32_t KxGOraDatabaseError::ErrorCode()
{
    return MapNativeCode(native_);
}

const char* KxGOraDatabaseError::Text()
{
    return text_;
}

const char* KxGOraDatabaseError::SQLState()
{
    return "No state";
}

uint16_t KxGOraDatabaseError::IsDeadlock()
{
    return native_ == kOraDeadlock || native_ == kOraTimeoutOnResource ? 1 : 0;
}

uint16_t KxGOraDatabaseError::IsNoDatabase()
{
    return native_ == KXG_E_NO_SUCH_DATABASE ? 1 : 0;
}

uint16_t KxGOraDatabaseError::IsRoleConflict()
{
    return native_ == kOraRoleConflict ? 1 : 0;
}

void KxGOraDatabaseError::Clear()
{
    native_ = 0;
    text_[0] = '\0';
}

int32_t KxGOraDatabaseError::MapNativeCode(int32_t nativeCode)
{
    if (nativeCode <= 0) {
        return nativeCode;
    }
    for (const CodeMapping& m : kMappings) {
        if (m.native == nativeCode) {
            return m.status;
        }
    }
    return KXG_E_RDBMS;
}

void KxGOraDatabaseError::CopyText(const char* text)
{
    const size_t length = text != nullptr ? strnlen(text, TEXT_MAX) : 0;
    if (length > 0) {
        std::memcpy(text_, text, length);
    }
    text_[length] = '\0';
}

void KxGOraDatabaseError::SetError(int32_t code, const char* text)
{
    native_ = code;
    CopyText(text);
}

void KxGOraDatabaseError::FillUnknown(int32_t status)
{
    native_ = status;
    std::snprintf(text_, sizeof text_, "Unknown error: %d", static_cast<int>(status));
}

bool KxGOraDatabaseError::Fill(OCIError* errorHandle, int32_t status)
{
    native_ = status;
    switch (status) {
    case KXG_ORA_ERROR:
    case KXG_ORA_SUCCESS_WITH_INFO: {
        int32_t code = 0;
        char message[TEXT_MAX + 1];
        if (KxGOraReadErrorRecord(errorHandle, code, message, sizeof message) && code != 0) {
            native_ = code;
            CopyText(message);
            return code != kOraNotToListener;
        }
        // No record to read: the failure stays visible as the gateway's RDBMS error (the bare status
        // would read as success or, for 1, as Oracle's unique-constraint error).
        FillUnknown(status);
        native_ = KXG_E_RDBMS;
        return true;
    }
    case KXG_ORA_INVALID_HANDLE:
        CopyText("Error - OCI_INVALID_HANDLE");
        return false;
    case KXG_ORA_STILL_EXECUTING:
        CopyText("Error - OCI_STILL_EXECUTE");
        return false;
    case KXG_ORA_CONTINUE:
        CopyText("Error - OCI_CONTINUE");
        return false;
    case KXG_ORA_NEED_DATA:
        CopyText("Error - OCI_NEED_DATA");
        return false;
    case KXG_ORA_NO_DATA:
        CopyText("Error - OCI_NODATA");
        return false;
    default:
        FillUnknown(status);
        return true;
    }
}

void KxGOraDatabaseError::Tell(const KxString& context)
{
    KxGOraDatabaseErrorCallback::Notify(native_, text_, context.StrGet());
}

void KxGOraDatabaseError::SetFromStatus(OCIError* errorHandle, int32_t status, const KxString& context)
{
    if (Fill(errorHandle, status)) {
        Tell(context);
    }
}

void KxGOraDatabaseError::SetFromRecord(int32_t nativeCode, const char* text, const KxString& context)
{
    SetError(nativeCode, text);
    if (nativeCode != kOraNotToListener) {
        Tell(context);
    }
}

void KxGOraDatabaseError::WriteReport(KxGDatabaseTrace& trace)
{
    TraceSection section(trace);
    const int16_t escape = trace.GetEscape();
    trace.SetEscape(0);
    trace << "ErrorCode : " << native_ << "\n" << "ErrorDescription : ";
    trace.SetEscape(1);
    trace << static_cast<const char*>(text_);
    trace.SetEscape(0);
    trace << "\n";
    trace.SetEscape(escape);
}

void KxGOraDatabaseError::ReportStatus(OCIError* errorHandle, int32_t status, const KxString& context,
                                       KxGDatabaseTrace* trace)
{
    const bool tell = Fill(errorHandle, status);
    if (trace != nullptr) {
        TraceSection section(*trace);
        const int16_t escape = trace->GetEscape();
        trace->SetEscape(0);
        *trace << "\n<Error>";
        WriteReport(*trace);
        *trace << "\n</Error error=" << status << ">";
        trace->Flush();
        trace->SetEscape(escape);
    }
    if (tell) {
        Tell(context);
    }
}

void KxGOraDatabaseError::ReportText(int32_t code, const char* text, KxGDatabaseTrace* trace)
{
    SetError(code, text);
    if (trace == nullptr) {
        return;
    }
    TraceSection section(*trace);
    const int16_t escape = trace->GetEscape();
    trace->SetEscape(0);
    if (code >= 0) {
        *trace << "\n<Warning>Warning\n";
        WriteReport(*trace);
        *trace << "\n</Warning warning=" << code << ">";
    } else {
        *trace << "\n<Error>Error\n";
        WriteReport(*trace);
        *trace << "\n</Error error=" << code << ">";
    }
    trace->Flush();
    trace->SetEscape(escape);
}
