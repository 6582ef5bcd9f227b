/*
 * DB2 call-level interface stand-in: the calls, handle types, constants and structures that the DB2
 * adapter uses (CLI calls and the administrative calls for attach, create database and message
 * text), served by the embedded SQL engine (platform/sqlengine) in its DB2 flavour.
 *
 * Sizes are fixed whatever the platform: handles are 32-bit numbers, lengths and indicators are
 * 4 bytes (SQLLEN), the SQLCA has its 136-byte layout.
 */
#ifndef ROG_DB2CLI_H
#define ROG_DB2CLI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- scalar types ---------------------------------------------------------------------------- */
typedef unsigned char SQLCHAR;
typedef signed char SQLSCHAR;
typedef int16_t SQLSMALLINT;
typedef uint16_t SQLUSMALLINT;
typedef int32_t SQLINTEGER;
typedef uint32_t SQLUINTEGER;
typedef int32_t SQLLEN;   /* length/indicator values: 4 bytes */
typedef uint32_t SQLULEN; /* column sizes, option values */
typedef int64_t SQLBIGINT;
typedef uint64_t SQLUBIGINT;
typedef double SQLDOUBLE;
typedef float SQLREAL;
typedef void* SQLPOINTER;
typedef SQLSMALLINT SQLRETURN;

/* ---- handles: numbers, 0 is no handle ------------------------------------------------------- */
typedef SQLINTEGER SQLHANDLE;
typedef SQLHANDLE SQLHENV;
typedef SQLHANDLE SQLHDBC;
typedef SQLHANDLE SQLHSTMT;
#define SQL_NULL_HANDLE 0
#define SQL_NULL_HENV 0
#define SQL_NULL_HDBC 0
#define SQL_NULL_HSTMT 0

#define SQL_HANDLE_ENV 1
#define SQL_HANDLE_DBC 2
#define SQL_HANDLE_STMT 3

/* ---- return codes ---------------------------------------------------------------------------- */
#define SQL_SUCCESS 0
#define SQL_SUCCESS_WITH_INFO 1
#define SQL_NEED_DATA 99
#define SQL_NO_DATA_FOUND 100
#define SQL_NO_DATA SQL_NO_DATA_FOUND
#define SQL_ERROR (-1)
#define SQL_INVALID_HANDLE (-2)
#define SQL_SUCCEEDED(rc) (((rc) & (~1)) == 0)

/* ---- lengths and indicators ------------------------------------------------------------------ */
#define SQL_NULL_DATA (-1)
#define SQL_NTS (-3)
#define SQL_SQLSTATE_SIZE 5
#define SQL_MAX_MESSAGE_LENGTH 1024

/* ---- connection options (SQLSetConnectAttr / SQLSetConnectOption) --------------------------- */
#define SQL_ATTR_NOSCAN 2
#define SQL_NOSCAN SQL_ATTR_NOSCAN
#define SQL_NOSCAN_OFF 0
#define SQL_NOSCAN_ON 1
#define SQL_ATTR_AUTOCOMMIT 102
#define SQL_AUTOCOMMIT SQL_ATTR_AUTOCOMMIT
#define SQL_AUTOCOMMIT_OFF 0
#define SQL_AUTOCOMMIT_ON 1
#define SQL_IS_UINTEGER (-5)
#define SQL_IS_INTEGER (-6)
#define SQL_IS_POINTER (-4)

/* ---- information (SQLGetInfo) ---------------------------------------------------------------- */
#define SQL_DBMS_NAME 17 /* "DB2" */
#define SQL_DBMS_VER 18  /* "MM.mm.ffff" */

/* ---- statement attributes (SQLSetStmtAttr) --------------------------------------------------- */
#define SQL_ATTR_ROW_BIND_TYPE 5       /* only SQL_BIND_BY_COLUMN */
#define SQL_BIND_BY_COLUMN 0
#define SQL_ATTR_PARAMSET_SIZE 22      /* rows of parameters per execution, SQLULEN value */
#define SQL_ATTR_ROW_STATUS_PTR 25     /* SQLUSMALLINT array, one status per fetched row */
#define SQL_ATTR_ROWS_FETCHED_PTR 26   /* SQLUINTEGER*: rows delivered by the last fetch */
#define SQL_ATTR_ROW_ARRAY_SIZE 27     /* rows per fetch, SQLULEN value */

/* row status values */
#define SQL_ROW_SUCCESS 0
#define SQL_ROW_NOROW 3
#define SQL_ROW_ERROR 5
#define SQL_ROW_SUCCESS_WITH_INFO 6

/* ---- SQLFreeStmt options --------------------------------------------------------------------- */
#define SQL_CLOSE 0
#define SQL_DROP 1
#define SQL_UNBIND 2
#define SQL_RESET_PARAMS 3

/* ---- transactions ---------------------------------------------------------------------------- */
#define SQL_COMMIT 0
#define SQL_ROLLBACK 1

/* ---- parameter kinds ------------------------------------------------------------------------- */
#define SQL_PARAM_INPUT 1

/* ---- SQL types ------------------------------------------------------------------------------- */
#define SQL_UNKNOWN_TYPE 0
#define SQL_CHAR 1
#define SQL_NUMERIC 2
#define SQL_DECIMAL 3
#define SQL_INTEGER 4
#define SQL_SMALLINT 5
#define SQL_FLOAT 6
#define SQL_REAL 7
#define SQL_DOUBLE 8
#define SQL_DATE 9
#define SQL_TIME 10
#define SQL_TIMESTAMP 11
#define SQL_VARCHAR 12
#define SQL_LONGVARCHAR (-1)
#define SQL_BINARY (-2)
#define SQL_VARBINARY (-3)
#define SQL_LONGVARBINARY (-4)
#define SQL_BIGINT (-5)
#define SQL_GRAPHIC (-95)
#define SQL_VARGRAPHIC (-96)
#define SQL_LONGVARGRAPHIC (-97)
#define SQL_BLOB (-98)
#define SQL_CLOB (-99)
#define SQL_DBCLOB (-350)

/* ---- C types --------------------------------------------------------------------------------- */
#define SQL_C_CHAR 1          /* null-terminated text */
#define SQL_C_LONG 4          /* SQLINTEGER */
#define SQL_C_SHORT 5         /* SQLSMALLINT */
#define SQL_C_FLOAT 7         /* SQLREAL */
#define SQL_C_DOUBLE 8        /* SQLDOUBLE */
#define SQL_C_DATE 9          /* DATE_STRUCT */
#define SQL_C_TIME 10         /* TIME_STRUCT */
#define SQL_C_TIMESTAMP 11    /* TIMESTAMP_STRUCT */
#define SQL_C_BINARY (-2)     /* bytes */
#define SQL_C_ULONG (-18)     /* SQLUINTEGER */
#define SQL_C_SBIGINT (-25)   /* SQLBIGINT */
#define SQL_C_DBCHAR (-350)   /* 16-bit units, null-terminated */
#define SQL_C_DEFAULT 99

/* ---- date and time structures (6, 6 and 16 bytes) -------------------------------------------- */
typedef struct DATE_STRUCT {
  SQLSMALLINT year;
  SQLUSMALLINT month;
  SQLUSMALLINT day;
} DATE_STRUCT;

typedef struct TIME_STRUCT {
  SQLUSMALLINT hour;
  SQLUSMALLINT minute;
  SQLUSMALLINT second;
} TIME_STRUCT;

typedef struct TIMESTAMP_STRUCT {
  SQLSMALLINT year;
  SQLUSMALLINT month;
  SQLUSMALLINT day;
  SQLUSMALLINT hour;
  SQLUSMALLINT minute;
  SQLUSMALLINT second;
  SQLUINTEGER fraction; /* nanoseconds */
} TIMESTAMP_STRUCT;

/* ---- the SQL communication area (136 bytes) -------------------------------------------------- */
#define SQLCA_MESSAGE_TOKENS 70
struct sqlca {
  char sqlcaid[8];        /* "SQLCA   " */
  SQLINTEGER sqlcabc;     /* 136 */
  SQLINTEGER sqlcode;     /* 0 success, < 0 error, > 0 warning */
  SQLSMALLINT sqlerrml;   /* bytes used in sqlerrmc */
  char sqlerrmc[SQLCA_MESSAGE_TOKENS]; /* message tokens; see SQLGetSQLCA */
  char sqlerrp[8];
  SQLINTEGER sqlerrd[6];
  char sqlwarn[11];
  char sqlstate[5];
};

/* ---- administrative structures --------------------------------------------------------------- */
#define SQLE_DBDESC_2 "SQLDBD02"
struct sqledbdesc {
  char sqldbdid[8];   /* "SQLDBD02" */
  char sqldbcmt[31];  /* comment, null-terminated */
};

struct sqledbterritoryinfo {
  char sqldbcodeset[10];  /* for example "1252" */
  char sqldblocale[10];   /* for example "US" */
};

/* ---- CLI calls ------------------------------------------------------------------------------- */
SQLRETURN SQLAllocHandle(SQLSMALLINT handleType, SQLHANDLE inputHandle, SQLHANDLE* outputHandle);
SQLRETURN SQLFreeHandle(SQLSMALLINT handleType, SQLHANDLE handle);

SQLRETURN SQLSetConnectAttr(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER stringLength);
SQLRETURN SQLSetConnectOption(SQLHDBC hdbc, SQLUSMALLINT option, SQLULEN value);
SQLRETURN SQLConnect(SQLHDBC hdbc, SQLCHAR* server, SQLSMALLINT serverLength, SQLCHAR* user,
                     SQLSMALLINT userLength, SQLCHAR* password, SQLSMALLINT passwordLength);
SQLRETURN SQLDisconnect(SQLHDBC hdbc);
SQLRETURN SQLGetInfo(SQLHDBC hdbc, SQLUSMALLINT infoType, SQLPOINTER value, SQLSMALLINT bufferLength,
                     SQLSMALLINT* stringLength);
/* The connection's SQLCA: sqlerrmc holds the connection id as decimal text after its fifth NUL byte. */
SQLRETURN SQLGetSQLCA(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, struct sqlca* ca);

SQLRETURN SQLEndTran(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT completionType);
SQLRETURN SQLTransact(SQLHENV henv, SQLHDBC hdbc, SQLUSMALLINT completionType);

SQLRETURN SQLPrepare(SQLHSTMT hstmt, SQLCHAR* text, SQLINTEGER textLength);
SQLRETURN SQLExecute(SQLHSTMT hstmt);
SQLRETURN SQLExecDirect(SQLHSTMT hstmt, SQLCHAR* text, SQLINTEGER textLength);
SQLRETURN SQLBindParameter(SQLHSTMT hstmt, SQLUSMALLINT parameterNumber, SQLSMALLINT inputOutputType,
                           SQLSMALLINT valueType, SQLSMALLINT parameterType, SQLULEN columnSize,
                           SQLSMALLINT decimalDigits, SQLPOINTER parameterValue, SQLLEN bufferLength,
                           SQLLEN* indicator);
SQLRETURN SQLBindCol(SQLHSTMT hstmt, SQLUSMALLINT columnNumber, SQLSMALLINT targetType, SQLPOINTER targetValue,
                     SQLLEN bufferLength, SQLLEN* indicator);
SQLRETURN SQLSetStmtAttr(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER stringLength);
SQLRETURN SQLFetch(SQLHSTMT hstmt);
SQLRETURN SQLNumResultCols(SQLHSTMT hstmt, SQLSMALLINT* columnCount);
SQLRETURN SQLRowCount(SQLHSTMT hstmt, SQLLEN* rowCount);
SQLRETURN SQLMoreResults(SQLHSTMT hstmt);
SQLRETURN SQLFreeStmt(SQLHSTMT hstmt, SQLUSMALLINT option);

SQLRETURN SQLGetDiagRec(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recordNumber, SQLCHAR* sqlState,
                        SQLINTEGER* nativeError, SQLCHAR* messageText, SQLSMALLINT bufferLength,
                        SQLSMALLINT* textLength);

/* ---- administrative calls (results land in the SQLCA: sqlcode 0 is success) ------------------- */
/* Attach to an instance node. */
void sqleatin(const char* nodeName, const char* user, const char* password, struct sqlca* ca);
/* Detach from the attached node. */
void sqledtin(struct sqlca* ca);
/* Create a database (path null or empty: the default path). */
void sqlecrea(const char* databaseName, const char* alias, const char* path, struct sqledbdesc* descriptor,
              struct sqledbterritoryinfo* territory, char reserved1, void* reserved2, struct sqlca* ca);
/* Message text of the SQLCA's code into buffer (null-terminated), lines broken at lineWidth (0: none).
 * Returns the text's length, or a negative value when no text could be made. */
int sqlaintp(char* buffer, short bufferSize, short lineWidth, const char* messageFile, struct sqlca* ca);

#ifdef __cplusplus
}
#endif

#endif /* ROG_DB2CLI_H */
