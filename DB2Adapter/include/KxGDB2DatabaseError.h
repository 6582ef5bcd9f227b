// The last error of a DB2 connection: the SQLCA of the last administrative call, the native code,
// the message text and the SQLSTATE. Every KxGDB2Database owns one; its statement handles and its
// compound statements report into it through Report (a CLI failure) or the database's ReportError.
//
// ErrorCode maps the native code to a gateway status:
//   above 0 -> the negated code; -1403, -1003 -> -2309; -1336 -> -2512; -1060, -551 -> -2310;
//   -1013, -1001 -> -2031; -911 -> -6102; -803 -> -2028; -204 -> -6002; any other -> -6001; and the
//   lock trigger's refusal (-438 with the SQLSTATE KXG_DB2_LOCK_CONFLICT_STATE) -> -2041.
// When the diagnostic record of a failing call cannot be read, the native code becomes
// KXG_DB2_NO_DIAGNOSTIC (which maps to -6001), so that a missing record is never taken for a
// refused log-in; a -1003 that the server sends keeps its meaning.
#pragma once

#include <cstdint>

#include "KxGDatabase.h"
#include "db2cli.h"

class KxGDatabaseTrace;

// Native code set when no diagnostic record could be read for a failing call.
constexpr int32_t KXG_DB2_NO_DIAGNOSTIC = -6001;

class KxGDB2DatabaseError : public KxGDatabaseError {
public:
    // Bytes of the message text (a terminating byte follows).
    static constexpr int32_t TEXT_MAX = 1024;

    KxGDB2DatabaseError();
    ~KxGDB2DatabaseError() override;

    uint16_t HasError() override;      // native code not 0
    uint16_t IsWarning() override;     // native code above 0
    int32_t NativeCode() override;
    int32_t ErrorCode() override;      // MapNativeCode, and the lock trigger's refusal
    const char* Text() override;
    const char* SQLState() override;   // five characters, empty when none
    uint16_t IsDeadlock() override;    // -911
    uint16_t IsNoDatabase() override;  // -1013
    uint16_t IsRoleConflict() override;  // never
    void Clear() override;

    static int32_t MapNativeCode(int32_t nativeCode);

    // Reads diagnostic record 1 of the handle (SQLSTATE, native code, text). False, with the native
    // code KXG_DB2_NO_DIAGNOSTIC and the text "No diagnostic record", when it cannot be read.
    bool FetchDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);
    // Native code := the SQLCA code; then its message text (line width 80, "db2sql.mo"). Non-zero when
    // no text could be had.
    int32_t SetDescription();
    // Native code and text (null: text unchanged; cut at TEXT_MAX - 1 characters).
    void SetError(int32_t nativeCode, const char* text);

    bool IsTruncation() const;   // SQLSTATE "01004"
    bool IsRowError() const;     // SQLSTATE "01S01"

    // "ErrorCode : " code "\n" "SQLState : " state "\n" "ErrorDescription : " text, flush, "\n".
    void Dump(KxGDatabaseTrace& trace);

    struct sqlca* GetSqlca() { return &sqlca_; }

private:
    struct sqlca sqlca_ = {};
    int32_t native_ = 0;
    char text_[TEXT_MAX + 1] = {};
    char state_[SQL_SQLSTATE_SIZE + 1] = {};
};

extern "C" {
// Fills the error from its SQLCA (KxGDB2DatabaseError::SetDescription).
int32_t SetDescription(KxGDB2DatabaseError* error);
}
