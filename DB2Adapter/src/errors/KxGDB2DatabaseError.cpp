// The error state of a DB2 connection and the mapping of DB2 codes to gateway codes.
#include "KxGDB2DatabaseError.h"

#include <cstring>
#include <ostream>

#include "KxGDB2DatabaseInfo.h"
#include "KxGDatabaseTrace.h"
#include "KxGStatusCodes.h"

KxGDB2DatabaseError::KxGDB2DatabaseError() = default;

KxGDB2DatabaseError::~KxGDB2DatabaseError() = default;

uint16_t KxGDB2DatabaseError::HasError()
{
    return native_ != 0 ? 1 : 0;
}

uint16_t KxGDB2DatabaseError::IsWarning()
{
    return native_ > 0 ? 1 : 0;
}

int32_t KxGDB2DatabaseError::NativeCode()
{
    return native_;
}

int32_t KxGDB2DatabaseError::ErrorCode()
{
    // The lock trigger's refusal of a lock another client holds.
    if (native_ == -438 && std::strncmp(state_, KXG_DB2_LOCK_CONFLICT_STATE, 5) == 0) {
        return KXG_E_LOCK_REFUSED;
    }
    return MapNativeCode(native_);
}

const char* KxGDB2DatabaseError::Text()
{
    return text_;
}

const char* KxGDB2DatabaseError::SQLState()
{
    return state_;
}

uint16_t KxGDB2DatabaseError::IsDeadlock()
{
    return native_ == -911 ? 1 : 0;
}

uint16_t KxGDB2DatabaseError::IsNoDatabase()
{
    return native_ == -1013 ? 1 : 0;
}

uint16_t KxGDB2DatabaseError::IsRoleConflict()
{
    return 0;
}

void KxGDB2DatabaseError::Clear()
{
    native_ = 0;
    text_[0] = '\0';
    std::memset(state_, 0, sizeof(state_));
}

int32_t KxGDB2DatabaseError::MapNativeCode(int32_t nativeCode)
{
    if (nativeCode > 0) {
        return -nativeCode;
    }
    switch (nativeCode) {
    case -1403:
    case -1003:
        return KXG_E_LOGIN_REFUSED;
    case -1336:
        return KXG_E_NO_SERVER;
    case -1060:
    case -551:
        return KXG_E_NOT_PRIVILEGED;
    case -1013:
    case -1001:
        return KXG_E_NO_SUCH_DATABASE;
    case -911:
        return KXG_E_ROLLED_BACK;
    case -803:
        return KXG_E_DUPLICATE_KEY;
    case -204:
        return KXG_E_NO_SCHEMA;
    default:
        return KXG_E_RDBMS;
    }
}

bool KxGDB2DatabaseError::FetchDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    Clear();
    const SQLRETURN rc = SQLGetDiagRec(handleType, handle, 1, state, &native,
                                       reinterpret_cast<SQLCHAR*>(text_), TEXT_MAX, &length);
    text_[TEXT_MAX] = '\0';
    if (!SQL_SUCCEEDED(rc)) {
        SetError(KXG_DB2_NO_DIAGNOSTIC, "No diagnostic record");
        return false;
    }
    native_ = native;
    std::memcpy(state_, state, SQL_SQLSTATE_SIZE);
    state_[SQL_SQLSTATE_SIZE] = '\0';
    return true;
}

int32_t KxGDB2DatabaseError::SetDescription()
{
    native_ = sqlca_.sqlcode;
    const int length = sqlaintp(text_, TEXT_MAX, 80, "db2sql.mo", &sqlca_);
    text_[TEXT_MAX] = '\0';
    if (length < 0) {
        text_[0] = '\0';
        return 1;
    }
    return 0;
}

void KxGDB2DatabaseError::SetError(int32_t nativeCode, const char* text)
{
    native_ = nativeCode;
    if (text != nullptr) {
        std::strncpy(text_, text, TEXT_MAX - 1);
        text_[TEXT_MAX - 1] = '\0';
    }
}

bool KxGDB2DatabaseError::IsTruncation() const
{
    return std::strcmp(state_, "01004") == 0;
}

bool KxGDB2DatabaseError::IsRowError() const
{
    return std::strcmp(state_, "01S01") == 0;
}

void KxGDB2DatabaseError::Dump(KxGDatabaseTrace& trace)
{
    trace << "ErrorCode : " << native_ << "\n";
    trace << "SQLState : " << state_ << "\n";
    trace << "ErrorDescription : " << text_;
    trace.Flush();
    trace << "\n";
}

extern "C" int32_t SetDescription(KxGDB2DatabaseError* error)
{
    return error != nullptr ? error->SetDescription() : 1;
}
