// Placeholder bodies: every call refuses until the engine-backed implementation lands.
#include "db2cli.h"

#include <cstring>

extern "C" {

SQLRETURN SQLAllocHandle(SQLSMALLINT, SQLHANDLE, SQLHANDLE* out) {
  if (out != nullptr) *out = SQL_NULL_HANDLE;
  return SQL_ERROR;
}
SQLRETURN SQLFreeHandle(SQLSMALLINT, SQLHANDLE) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLSetConnectAttr(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLSetConnectOption(SQLHDBC, SQLUSMALLINT, SQLULEN) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLConnect(SQLHDBC, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
  return SQL_INVALID_HANDLE;
}
SQLRETURN SQLDisconnect(SQLHDBC) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLGetInfo(SQLHDBC, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLGetSQLCA(SQLHENV, SQLHDBC, SQLHSTMT, struct sqlca*) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLEndTran(SQLSMALLINT, SQLHANDLE, SQLSMALLINT) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLTransact(SQLHENV, SQLHDBC, SQLUSMALLINT) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLPrepare(SQLHSTMT, SQLCHAR*, SQLINTEGER) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLExecute(SQLHSTMT) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLExecDirect(SQLHSTMT, SQLCHAR*, SQLINTEGER) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLBindParameter(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLULEN, SQLSMALLINT,
                           SQLPOINTER, SQLLEN, SQLLEN*) {
  return SQL_INVALID_HANDLE;
}
SQLRETURN SQLBindCol(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLSetStmtAttr(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLFetch(SQLHSTMT) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLNumResultCols(SQLHSTMT, SQLSMALLINT*) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLRowCount(SQLHSTMT, SQLLEN*) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLMoreResults(SQLHSTMT) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLFreeStmt(SQLHSTMT, SQLUSMALLINT) { return SQL_INVALID_HANDLE; }
SQLRETURN SQLGetDiagRec(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLCHAR*, SQLINTEGER*, SQLCHAR*, SQLSMALLINT,
                        SQLSMALLINT*) {
  return SQL_INVALID_HANDLE;
}

void sqleatin(const char*, const char*, const char*, struct sqlca* ca) {
  if (ca != nullptr) std::memset(ca, 0, sizeof *ca), ca->sqlcode = -1;
}
void sqledtin(struct sqlca* ca) {
  if (ca != nullptr) std::memset(ca, 0, sizeof *ca), ca->sqlcode = -1;
}
void sqlecrea(const char*, const char*, const char*, struct sqledbdesc*, struct sqledbterritoryinfo*, char, void*,
              struct sqlca* ca) {
  if (ca != nullptr) std::memset(ca, 0, sizeof *ca), ca->sqlcode = -1;
}
int sqlaintp(char* buffer, short bufferSize, short, const char*, struct sqlca*) {
  if (buffer != nullptr && bufferSize > 0) buffer[0] = '\0';
  return -1;
}

}  // extern "C"
