/*
 * Oracle Call Interface stand-in: the calls, handle types, constants and external data types that
 * the Oracle adapter uses, served by the embedded SQL engine (platform/sqlengine).
 *
 * Sizes follow the 64-bit platform: ub4/sb4 are 32-bit, handles and LOB locators are pointers.
 */
#ifndef ROG_OCI_H
#define ROG_OCI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- scalar types ---------------------------------------------------------------------------- */
typedef uint8_t ub1;
typedef int8_t sb1;
typedef uint16_t ub2;
typedef int16_t sb2;
typedef uint32_t ub4;
typedef int32_t sb4;
typedef int sword;
typedef unsigned int uword;
typedef void dvoid;
typedef unsigned char OraText;

/* ---- handles and descriptors (opaque) -------------------------------------------------------- */
typedef struct OCIEnv OCIEnv;
typedef struct OCIError OCIError;
typedef struct OCISvcCtx OCISvcCtx;
typedef struct OCIStmt OCIStmt;
typedef struct OCIBind OCIBind;
typedef struct OCIDefine OCIDefine;
typedef struct OCIServer OCIServer;
typedef struct OCISession OCISession;
typedef struct OCIParam OCIParam;
typedef struct OCILobLocator OCILobLocator;
typedef struct OCISnapshot OCISnapshot;

/* The 22-byte number of external type SQLT_VNU. Its bytes are this implementation's own: byte 0
 * holds the length of what follows, byte 1 the kind (0 integer >= 0, 1 negative integer, 2 binary
 * floating point), bytes 2..9 the magnitude (little-endian) or the IEEE double; the rest is 0. */
#define OCI_NUMBER_SIZE 22
typedef struct OCINumber {
  ub1 OCINumberPart[OCI_NUMBER_SIZE];
} OCINumber;

typedef sb4 (*OCICallbackLobRead)(dvoid* ctxp, const dvoid* bufp, ub4 len, ub1 piece);
typedef sb4 (*OCICallbackLobWrite)(dvoid* ctxp, dvoid* bufp, ub4* lenp, ub1* piece);

/* ---- status codes ---------------------------------------------------------------------------- */
#define OCI_SUCCESS 0
#define OCI_SUCCESS_WITH_INFO 1
#define OCI_NO_DATA 100
#define OCI_ERROR (-1)
#define OCI_INVALID_HANDLE (-2)
#define OCI_NEED_DATA 99
#define OCI_STILL_EXECUTING (-3123)
#define OCI_CONTINUE (-24200)

/* ---- modes ----------------------------------------------------------------------------------- */
#define OCI_DEFAULT 0x00
#define OCI_THREADED 0x01
#define OCI_OBJECT 0x02
#define OCI_DESCRIBE_ONLY 0x10
#define OCI_COMMIT_ON_SUCCESS 0x20
#define OCI_NTV_SYNTAX 1
#define OCI_CRED_RDBMS 1
#define OCI_FETCH_NEXT 0x02
#define OCI_ONE_PIECE 0
#define OCI_NUMBER_UNSIGNED 0
#define OCI_NUMBER_SIGNED 2

/* ---- handle types ---------------------------------------------------------------------------- */
#define OCI_HTYPE_ENV 1
#define OCI_HTYPE_ERROR 2
#define OCI_HTYPE_SVCCTX 3
#define OCI_HTYPE_STMT 4
#define OCI_HTYPE_BIND 5
#define OCI_HTYPE_DEFINE 6
#define OCI_HTYPE_SERVER 8
#define OCI_HTYPE_SESSION 9

/* ---- descriptor types ------------------------------------------------------------------------ */
#define OCI_DTYPE_LOB 50
#define OCI_DTYPE_PARAM 53

/* ---- attributes ------------------------------------------------------------------------------ */
#define OCI_ATTR_DATA_SIZE 1   /* ub2, of a column parameter */
#define OCI_ATTR_DATA_TYPE 2   /* ub2, of a column parameter: 1, 2, 8, 12, 23, 24, 96, 113 */
#define OCI_ATTR_NAME 4        /* OraText* and its length, of a column parameter */
#define OCI_ATTR_SERVER 6      /* OCIServer*, of a service context */
#define OCI_ATTR_SESSION 7     /* OCISession*, of a service context */
#define OCI_ATTR_ROW_COUNT 9   /* ub4, of a statement */
#define OCI_ATTR_PARAM_COUNT 18 /* ub4, of a statement */
#define OCI_ATTR_USERNAME 22   /* text, of a session */
#define OCI_ATTR_PASSWORD 23   /* text, of a session */
#define OCI_ATTR_STMT_TYPE 24  /* ub2, of a statement */
#define OCI_ATTR_LOBEMPTY 45   /* set on a LOB locator: make it an empty LOB */

/* ---- statement types ------------------------------------------------------------------------- */
#define OCI_STMT_SELECT 1
#define OCI_STMT_UPDATE 2
#define OCI_STMT_DELETE 3
#define OCI_STMT_INSERT 4
#define OCI_STMT_CREATE 5
#define OCI_STMT_DROP 6
#define OCI_STMT_ALTER 7
#define OCI_STMT_BEGIN 8
#define OCI_STMT_DECLARE 9

/* ---- external data types --------------------------------------------------------------------- */
#define SQLT_CHR 1   /* character bytes, length from alen or the buffer size */
#define SQLT_INT 3   /* signed integer of 1, 2, 4 or 8 bytes */
#define SQLT_FLT 4   /* float (4) or double (8) */
#define SQLT_STR 5   /* null-terminated string */
#define SQLT_VNU 6   /* OCINumber */
#define SQLT_VCS 9   /* ub2 length, then the bytes */
#define SQLT_DAT 12  /* 7-byte date: century+100, year+100, month, day, hour+1, minute+1, second+1 */
#define SQLT_VBI 15  /* ub2 length, then binary bytes */
#define SQLT_BIN 23  /* binary bytes */
#define SQLT_LBI 24  /* long binary bytes */
#define SQLT_UIN 68  /* unsigned integer of 1, 2, 4 or 8 bytes */
#define SQLT_LVC 94  /* sb4 length, then the bytes */
#define SQLT_LVB 95  /* sb4 length, then binary bytes */
#define SQLT_AFC 96  /* fixed-length text, blank-padded to the buffer size */
#define SQLT_AVC 97  /* blank-padded, null-terminated text */
#define SQLT_BLOB 113 /* OCILobLocator* */

/* ---- calls ----------------------------------------------------------------------------------- */
sword OCIEnvCreate(OCIEnv** envp, ub4 mode, dvoid* ctxp, dvoid* (*malocfp)(dvoid* ctxp, size_t size),
                   dvoid* (*ralocfp)(dvoid* ctxp, dvoid* memptr, size_t newsize),
                   void (*mfreefp)(dvoid* ctxp, dvoid* memptr), size_t xtramem_sz, dvoid** usrmempp);
sword OCIHandleAlloc(const dvoid* parenth, dvoid** hndlpp, ub4 type, size_t xtramem_sz, dvoid** usrmempp);
sword OCIHandleFree(dvoid* hndlp, ub4 type);
sword OCIDescriptorAlloc(const dvoid* parenth, dvoid** descpp, ub4 type, size_t xtramem_sz, dvoid** usrmempp);
sword OCIDescriptorFree(dvoid* descp, ub4 type);

sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len, ub4 mode);
sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode);
sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4 mode);
sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode);
sword OCIAttrSet(dvoid* trgthndlp, ub4 trghndltyp, dvoid* attributep, ub4 size, ub4 attrtype, OCIError* errhp);
sword OCIAttrGet(const dvoid* trgthndlp, ub4 trghndltyp, dvoid* attributep, ub4* sizep, ub4 attrtype, OCIError* errhp);
sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);

sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len, ub4 language, ub4 mode);
sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, dvoid* valuep, sb4 value_sz,
                   ub2 dty, dvoid* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);
sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder, sb4 placeh_len,
                    dvoid* valuep, sb4 value_sz, ub2 dty, dvoid* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                    ub4* curelep, ub4 mode);
sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 alskip, ub4 rcskip);
sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position, dvoid* valuep, sb4 value_sz,
                     ub2 dty, dvoid* indp, ub2* rlenp, ub2* rcodep, ub4 mode);
sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                     const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode);
sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4 mode);
/* Stand-in only (tests): the observer is called with the text of every statement that
   OCIStmtExecute is asked to run in this process, on the calling thread; null stops it. */
typedef void (*OCIStandInExecuteObserver)(const char* text, void* context);
void OCIStandInObserveExecutions(OCIStandInExecuteObserver observer, void* context);
sword OCIParamGet(const dvoid* hndlp, ub4 htype, OCIError* errhp, dvoid** parmdpp, ub4 pos);
sword OCIErrorGet(dvoid* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp, ub4 bufsiz, ub4 type);

sword OCINumberFromInt(OCIError* err, const dvoid* inum, uword inum_length, uword inum_s_flag, OCINumber* number);
sword OCINumberToInt(OCIError* err, const OCINumber* number, uword rsl_length, uword rsl_flag, dvoid* rsl);
sword OCINumberCmp(OCIError* err, const OCINumber* number1, const OCINumber* number2, sword* result);

sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp);
sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset, dvoid* bufp, ub4 bufl,
                 dvoid* ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm);
sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset, dvoid* bufp,
                  ub4 buflen, ub1 piece, dvoid* ctxp, OCICallbackLobWrite cbfp, ub2 csid, ub1 csfrm);
sword OCILobTrim(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4 newlen);

#ifdef __cplusplus
}
#endif

#endif /* ROG_OCI_H */
