// The adapter contract of the relational object gateway.
//
// The gateway never names a relational product. Everything that depends on the product lies behind
// three abstract classes that every adapter library implements:
//   KxGDatabase       one connection to the relational database and the factory of everything per
//                     connection;
//   KxGDatabaseInfo   the product's SQL dialect and DDL texts;
//   KxGDatabaseError  the last error of a connection.
// The virtual operations are declared in slot order; adapters override them with the same signatures.
//
// Status convention: operations returning uint16_t answer non-zero for success and 0 for failure;
// after a failure GetError() holds the reason (ErrorCode() becomes the caller's status, Text() goes to
// the trace). Operations returning int32_t answer 0 or more for success and a negative status otherwise.
#pragma once

#include <cstdint>

#include "KxString.h"

class KxBase;
class KxParameterList;
class KxClassId;

class KxGDatabaseError;
class KxGDatabaseInfo;
class KxGDatabaseTrace;
class KxGTypeHdl;
class KxGTypeHdlMgr;
class KxGTypeConvHdlMgr;
class KxGResourceMgr;
class KxGTransactionContext;
class KxGReadUnitOfWork;
class KxGStatementHdl;
class KxGStatementHdlCache;
class KxGStatementTemplate;
class KxGStatementTemplateList;
class KxGCreateStatementTemplate;
class KxGLockService;
class KxGExtentService;
class KxGOperationEnvironment;
class KxGProjection;
class KxGExtendedProjection;
class KxGCondition;
class KxGColumn;
class KxGColumnList;
class KxGQualifiedIdentity;
class KxGClassMap;

// Most characters a message of SetUserError holds.
constexpr uint32_t KXG_USER_ERROR_MAX = 512;

// Kinds of CreateResourceMgr.
enum : int32_t {
    KXG_RESOURCE_TRANSACTION = 0,
    KXG_RESOURCE_COMPOUND_STATEMENT = 1
};

// Modes of CheckTableName.
enum : int32_t {
    KXG_NAME_TABLE = 0,
    KXG_NAME_SCHEMA = 2
};

class KxGDatabase {
public:
    virtual ~KxGDatabase();

    // With 0: disposes of the object; the caller never touches it afterwards.
    virtual void Destroy(int32_t mode) = 0;
    virtual uint16_t OpenConnection() = 0;
    virtual void CloseConnection() = 0;
    // Creates the database (schema mapper); log receives the text of what was done. The second
    // argument is the adapter's business.
    virtual int32_t CreateDatabase(KxString* log, int32_t extra) = 0;
    // Attaches to the server or instance without logging in.
    virtual uint16_t AttachServer() = 0;
    // Registers the connection; clientId is in and out (the id under which it is registered).
    // pooled: 0 for the client's own connection, 1 for a pool connection.
    virtual uint16_t RegisterConnection(KxString* server, int32_t* clientId, KxString* clientName,
                                        int32_t pooled, int32_t localMode, int32_t exclusive) = 0;
    virtual uint16_t UnregisterConnection(int32_t clientId) = 0;
    virtual uint16_t CommitConnection() = 0;
    virtual uint16_t RollbackConnection() = 0;
    // Never null.
    virtual KxGDatabaseError* GetError() = 0;
    // Never null; the same object for the connection's life.
    virtual KxGDatabaseInfo* GetDatabaseInfo() = 0;
    // Made on first use and kept.
    virtual KxGTypeHdlMgr* GetTypeHdlMgr() = 0;
    // kind KXG_RESOURCE_TRANSACTION or KXG_RESOURCE_COMPOUND_STATEMENT; null when none can be made.
    virtual KxGResourceMgr* CreateResourceMgr(int32_t kind, KxGTransactionContext* context) = 0;
    virtual void DeleteResourceMgr(KxGResourceMgr* manager) = 0;
    virtual KxGReadUnitOfWork* CreateReadUnitOfWork(KxGTransactionContext* context) = 0;
    virtual void DeleteReadUnitOfWork(KxGReadUnitOfWork* unit) = 0;
    // The connection's trace writer when one is set and modules is 0 or shares a bit with the
    // writer's module mask (KxGDatabaseTrace::Accepts); otherwise null.
    virtual KxGDatabaseTrace* GetTrace(uint16_t modules) = 0;
    // Stores the pointer; the writer stays the caller's.
    virtual void SetTrace(KxGDatabaseTrace* trace) = 0;
    virtual KxGStatementHdlCache* GetStatementHdlCache() = 0;
    virtual KxGStatementHdl* CreateStatementHdl(KxGStatementTemplate* statementTemplate) = 0;
    // The handler of a kernel type code; the further integers are the adapter's business.
    virtual KxGTypeHdl* GetTypeHdl(int32_t typeCode, int32_t kind, int32_t flags) = 0;
    // The name getters build the text in the given string and return it.
    virtual KxString* GetDatabaseName(KxString* out) = 0;
    virtual KxString* GetSchemaName(KxString* out) = 0;
    virtual KxString* GetUser(KxString* out) = 0;
    virtual KxString* GetPassword(KxString* out) = 0;
    virtual void SetUser(KxString* user) = 0;
    virtual void SetPassword(KxString* password) = 0;
    virtual int32_t SetAutoCommit(int32_t on) = 0;
    virtual void SetGatewayVersion(int32_t version) = 0;
    virtual int32_t GetGatewayVersion() = 0;
    // A new, unopened connection to the same database with the same names and settings, or null.
    virtual KxGDatabase* CloneConnection() = 0;
    virtual KxGLockService* CreateLockService(int32_t clientId) = 0;
    virtual KxGExtentService* CreateExtentService(KxGOperationEnvironment* environment, KxClassId* classId,
                                                  int32_t mode, int32_t flag) = 0;
    // 0 when the product accepts the name for that use (KXG_NAME_TABLE or KXG_NAME_SCHEMA);
    // -6190 for a reserved table name; -6191 for a reserved or unusable schema name.
    virtual int32_t CheckTableName(KxString* name, int32_t mode) = 0;
    virtual uint16_t IsSchemaOwner() = 0;
    virtual uint16_t GetConnectionId(int32_t* id) = 0;
    // Stores an error made by the gateway in the error object.
    virtual void ReportError(int32_t code, const char* message) = 0;
    virtual uint16_t TestConnectionAlive(int32_t mode) = 0;
    // Rows per execution; the base answers the request unchanged.
    virtual int32_t GetBatchSize(int32_t requested, uint16_t arrays);
    virtual void SetRowNum(int32_t rows) = 0;
    virtual int32_t GetRowNum() = 0;
    // Large-object descriptors of the product; handles are pointer-sized.
    virtual int32_t AllocDescriptor(int32_t kind, uintptr_t* handle) = 0;
    virtual int32_t FreeDescriptor(int16_t kind, uintptr_t handle) = 0;
    // Non-zero: user and password are known and no log-in callback is made.
    virtual uint16_t HasLoginData(KxString* server) = 0;
    // A non-negative result with a non-empty user proposes that user to the log-in callback.
    virtual int32_t GetLoginUser(KxString* server, KxString* user) = 0;

    // Reports a gateway error: the text of code, then detail and more (each when not null), cut at
    // KXG_USER_ERROR_MAX characters, handed to ReportError(code, message).
    void SetUserError(int32_t code, const char* detail = nullptr, const char* more = nullptr);

protected:
    KxGDatabase() = default;
    KxGDatabase(const KxGDatabase&) = default;
    KxGDatabase& operator=(const KxGDatabase&) = default;
};

// The product's SQL dialect. Text operations append to `out` unless they say they replace it;
// operations that build statements return new templates that the caller owns (null when allocation
// failed); operations that make several statements append new templates to `list` in order.
class KxGDatabaseInfo {
public:
    virtual ~KxGDatabaseInfo();

    virtual KxString GetProductName() = 0;
    // kind 0 table and object names, 1 column names, 2 schema names. A positive answer for kind 2
    // means that the product qualifies table names with the schema.
    virtual int32_t GetMaxNameLength(int32_t kind) = 0;
    // The marker of a 1-based parameter position.
    virtual KxString GetParameterMarker(int32_t position) = 0;
    virtual KxString MapName(const KxString& name) = 0;
    virtual KxString MapNameUpper(const KxString& name) = 0;
    virtual uint16_t QueryFlag() = 0;
    // Maps a storage-type word of the mapping options to a kind byte; 0 when the word is unknown.
    virtual uint16_t TypeNameOptions(const KxString& word, uint8_t& kind) = 0;
    // The expression under which a text is compared (flags 0x80 blanks ignored, 0x20 case ignored,
    // 0x08 trailing blanks ignored); empty when the plain expression serves.
    virtual KxString CompareNoCase(uint16_t flags, const KxString& expression) = 0;
    virtual void Select(const KxGProjection& projection, KxString& out) = 0;
    virtual void Where(const KxString& condition, KxString& out) = 0;
    virtual void OrderBy(const KxString& order, KxString& out) = 0;
    virtual void RowLimit(KxGCondition& condition, int32_t rows) = 0;
    virtual void ForUpdate(KxString& out) = 0;
    virtual void IndexHint(KxGStatementTemplate& statement, const KxString& indexName,
                           const KxString& tableText) = 0;
    virtual void Insert(const KxGProjection& projection, KxString& out) = 0;
    virtual void Update(const KxGExtendedProjection& projection, KxString& out) = 0;
    virtual void Delete(const KxGProjection& projection, KxString& out) = 0;
    virtual KxGCreateStatementTemplate* CreateTable(const KxGQualifiedIdentity& table,
                                                    const KxGExtendedProjection& projection) = 0;
    virtual KxGCreateStatementTemplate* CreateIndex(const KxGQualifiedIdentity& index,
                                                    const KxGExtendedProjection& projection,
                                                    uint16_t unique) = 0;
    virtual KxGCreateStatementTemplate* CreateView(const KxGQualifiedIdentity& view,
                                                   const KxGProjection& projection,
                                                   const KxGStatementTemplate& select) = 0;
    virtual int32_t Triggers(KxGClassMap& source, KxGClassMap& shadow, KxGStatementTemplateList& list) = 0;
    virtual KxGStatementTemplate* AlterAdd(const KxGExtendedProjection& projection) = 0;
    // The class filters take the unsigned class number; UpdateByCid and InsertSelectByCid read a
    // negative one as "every row". The number is written in the signed form of the class-id columns
    // (KxGStoredClassNumber, KxGSQLLiteral.h). An update with no column to set is a template with an
    // empty text, which the statement lists of the callers leave out: no statement runs.
    virtual KxGStatementTemplate* UpdateByCid(const KxGExtendedProjection& source,
                                              const KxGExtendedProjection& target, int32_t classId) = 0;
    virtual KxGStatementTemplate* InsertSelectByCid(const KxGExtendedProjection& target,
                                                    const KxGExtendedProjection& source,
                                                    const KxGColumnList& added, int32_t classId) = 0;
    virtual KxGStatementTemplate* AlterDrop(const KxGExtendedProjection& projection) = 0;
    virtual KxGStatementTemplate* DropTable(const KxGQualifiedIdentity& table) = 0;
    virtual KxGStatementTemplate* DeleteByCid(const KxGQualifiedIdentity& table, int32_t classId) = 0;
    virtual void TimeFixup(const KxGColumn& column, const KxGQualifiedIdentity& table,
                           KxGStatementTemplateList& list) = 0;
    // The drop statement of the table that a create template creates.
    virtual KxGStatementTemplate* DropTable2(const KxGCreateStatementTemplate& created) = 0;
    virtual KxGStatementTemplate* DropIndex(const KxString& indexName, const KxGQualifiedIdentity& table) = 0;
    virtual KxGStatementTemplate* DropIndex2(const KxGCreateStatementTemplate& created) = 0;
    virtual KxGStatementTemplate* DropView(const KxGCreateStatementTemplate& created) = 0;
    virtual KxGStatementTemplate* DropTrigger(const KxGCreateStatementTemplate& created) = 0;
    virtual void CreateRole(const KxString& role, KxGStatementTemplateList& list) = 0;
    // classTables and views: null-terminated arrays of create templates, or null.
    virtual void Grants(const KxString& schema, const KxString& role, KxGCreateStatementTemplate* const* classTables,
                        KxGCreateStatementTemplate* const* views, KxGStatementTemplateList& list) = 0;
    virtual void DropRole(const KxString& role, KxGStatementTemplateList& list) = 0;
    virtual void PrimaryKey(const KxString& columnNames, KxString& out) = 0;
    virtual void TableExists(const KxGQualifiedIdentity& table, KxString& out) = 0;
    virtual void IndexList(KxString& out) = 0;
    virtual void Count(const KxGQualifiedIdentity& table, KxString& out) = 0;
    // Adds statement to target as a union; negative when the text would grow too long.
    virtual int32_t Union(const KxGStatementTemplate& statement, uint16_t all, KxGStatementTemplate& target) = 0;
    virtual void CreateLocks(const KxString& schema, KxGStatementTemplateList& list) = 0;
    virtual KxGStatementTemplate* CreateActiveClients(const KxString& schema) = 0;
    virtual void DropHelpers(const KxString& schema, KxGStatementTemplateList& list) = 0;
    virtual void DropUser(const KxString& user, KxGStatementTemplateList& list) = 0;
    // The line that ends a statement in a generated script.
    virtual KxString GetTerminator() = 0;
    virtual KxGTypeConvHdlMgr* GetTypeConvHdlMgr() = 0;
    // Stores the option value and answers the previous one.
    virtual uint16_t SetOption(uint16_t value) = 0;
    virtual uint16_t UsesOption() = 0;

protected:
    KxGDatabaseInfo() = default;
    KxGDatabaseInfo(const KxGDatabaseInfo&) = default;
    KxGDatabaseInfo& operator=(const KxGDatabaseInfo&) = default;
};

// The last error of a connection.
class KxGDatabaseError {
public:
    virtual ~KxGDatabaseError();

    virtual uint16_t HasError() = 0;
    virtual uint16_t IsWarning() = 0;
    // The product's own code.
    virtual int32_t NativeCode() = 0;
    // The gateway or kernel status handed to the caller.
    virtual int32_t ErrorCode() = 0;
    // The message written to the trace.
    virtual const char* Text() = 0;
    virtual const char* SQLState() = 0;
    virtual uint16_t IsDeadlock() = 0;
    virtual uint16_t IsNoDatabase() = 0;
    virtual uint16_t IsRoleConflict() = 0;
    virtual void Clear() = 0;

protected:
    KxGDatabaseError() = default;
    KxGDatabaseError(const KxGDatabaseError&) = default;
    KxGDatabaseError& operator=(const KxGDatabaseError&) = default;
};

// The creation function that every adapter library exports under the name "GetDBInst". The gateway
// passes an empty user and password; they are set later with SetUser and SetPassword. base may be null;
// parameters are the key=value pairs of the database name. Answers a new connection object, or null.
typedef KxGDatabase* (*KxGGetDBInstFunc)(const KxString& server, const KxString& database,
                                          const KxString& user, const KxString& password,
                                          KxBase* base, KxParameterList* parameters);

// Name of the creation function in an adapter library.
constexpr const char* KXG_GET_DB_INST = "GetDBInst";

// Default capacity of a connection's statement-handle cache.
constexpr uint16_t KXG_DEFAULT_STATEMENT_HANDLES = 40;

// The statement-handle cache size of a database: MaxStatementHandleCacheSize in the configuration
// section "databases" \ database \ "RelationalObjectGateway" (no fallback to any other section);
// KXG_DEFAULT_STATEMENT_HANDLES when the configuration, the section or the key is missing, or when the
// value does not fit an unsigned 16-bit number.
uint16_t GetMaxStatementHandle(const KxString& database);
