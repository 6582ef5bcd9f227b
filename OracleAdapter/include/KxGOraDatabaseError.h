// The last error of an Oracle connection.
//
// Every KxGOraDatabase owns one KxGOraDatabaseError. It holds the Oracle error number and message of
// the last failing OCI call, or a gateway code with its text; ErrorCode maps the native code to the
// status that the gateway hands to its caller.
//
// Report paths of the database object:
//   ReportError(code, nullptr)          -> error.ReportStatus(errorHandle, code, KxString::EmptyString(), trace)
//   ReportError(code, text)             -> error.ReportText(code, text, trace)
//   ReportErrorOra(status, statementText) -> error.ReportStatus(errorHandle, status, statementText, trace)
// where trace is the connection's trace writer (may be null). Each report first sets the error, then
// writes and flushes the trace record, and only then tells the process-wide listener
// (KxGOraDatabaseErrorCallback::Notify). Whatever the listener throws passes out of the report; the
// error object and the trace are complete by then.
#pragma once

#include <cstdint>

#include "KxGDatabase.h"
#include "KxString.h"

struct OCIError;
class KxGDatabaseTrace;

class KxGOraDatabaseError : public KxGDatabaseError {
public:
    // Most characters of a message; longer messages are cut.
    static constexpr uint32_t TEXT_MAX = 512;

    // Empty: native code 0, empty text.
    KxGOraDatabaseError();
    ~KxGOraDatabaseError() override;

    // Native code not 0.
    uint16_t HasError() override;
    // The same test as HasError: every Oracle report counts.
    uint16_t IsWarning() override;
    int32_t NativeCode() override;
    // The native code mapped to a gateway or kernel status (MapNativeCode).
    int32_t ErrorCode() override;
    // Never null.
    const char* Text() override;
    // Always "No state".
    const char* SQLState() override;
    // Native code 60 (deadlock) or 51 (timeout waiting for a resource).
    uint16_t IsDeadlock() override;
    // Native code -2031.
    uint16_t IsNoDatabase() override;
    // Native code 1921.
    uint16_t IsRoleConflict() override;
    // Native code 0, empty text.
    void Clear() override;

    // 0 and negative codes unchanged; 1 -> -2028; 1017 -> -2309; 1031 -> -2310; 1555 -> -6072;
    // 12154, 12203, 12545 -> -2512; 12638 -> -2304; 20099 (the lock procedure's refusal) -> -2041; any
    // other positive code -> -6001.
    static int32_t MapNativeCode(int32_t nativeCode);

    // Native code = code, text = text (null reads as empty) cut at TEXT_MAX characters. The listener
    // is not told.
    void SetError(int32_t code, const char* text);

    // Sets the error from an OCI status:
    //   -1 (error), 1 (success with information): record 1 of the error handle gives the Oracle error
    //       number and message; the listener is told unless the number is 519. When no record can be
    //       read (no handle, or the handle holds none) the native code is -6001 (RDBMS error), the text
    //       "Unknown error: " + status, and the listener is told.
    //   -2 "Error - OCI_INVALID_HANDLE", -3123 "Error - OCI_STILL_EXECUTE", -24200 "Error - OCI_CONTINUE",
    //   99 "Error - OCI_NEED_DATA", 100 "Error - OCI_NODATA": native code = status, the listener is not told.
    //   Any other status (gateway codes included): native code = status, text "Unknown error: " + status,
    //       the listener is told with (status, text, context).
    // context: the statement text for a statement's report, empty for a connection's report.
    // The error is complete before the listener is told; whatever the listener throws passes out.
    void SetFromStatus(OCIError* errorHandle, int32_t status, const KxString& context);

    // Sets the error from an Oracle error record already read (native code and message) and tells the
    // listener unless the number is 519: the record path of SetFromStatus.
    void SetFromRecord(int32_t nativeCode, const char* text, const KxString& context);

    // Writes "ErrorCode : " + native code + "\n" + "ErrorDescription : " + text + "\n".
    void WriteReport(KxGDatabaseTrace& trace);

    // SetFromStatus, with the record "\n<Error>" + report + "\n</Error error=" + status + ">" written
    // to trace (when not null) and flushed before the listener is told.
    void ReportStatus(OCIError* errorHandle, int32_t status, const KxString& context, KxGDatabaseTrace* trace);

    // SetError, with a record written to trace (when not null) and flushed: for code >= 0
    // "\n<Warning>Warning\n" + report + "\n</Warning warning=" + code + ">", for a negative code
    // "\n<Error>Error\n" + report + "\n</Error error=" + code + ">". The listener is not told.
    void ReportText(int32_t code, const char* text, KxGDatabaseTrace* trace);

private:
    // Sets the error from a status; answers whether the listener is to be told.
    bool Fill(OCIError* errorHandle, int32_t status);
    void FillUnknown(int32_t status);
    void CopyText(const char* text);
    void Tell(const KxString& context);

    int32_t native_ = 0;
    char text_[TEXT_MAX + 1] = {};
};
