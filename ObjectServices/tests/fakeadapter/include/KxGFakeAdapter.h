// A scriptable fake adapter for the gateway's tests (library relgate_fake, product "Fake", short
// module name "Gf").
//
// It exports the module protocol and GetDBInst like a real adapter. Every operation of its database,
// dialect and error objects is written to a process-wide call log, and a test can script the outcome
// of any operation by name: make it fail with a chosen error code, native code and text, or change its
// result. Later tests add fakes of resource managers, statement handles and the lock service by giving
// the matching operations a body here; the scripting stays the same.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "KxGDatabase.h"
#include "KxGFakeTxn.h"

// One logged call.
struct KxGFakeCall {
    const void* object;       // the fake object called (null for module functions)
    std::string operation;    // e.g. "OpenConnection", "GetDBInst"
    std::string arguments;    // the arguments as text, separated by ","
};

// What a scripted operation does instead of its default.
struct KxGFakeBehaviour {
    bool fail = false;                 // the operation fails (flag 0, null, or errorCode for int results)
    int32_t errorCode = -6001;         // the error object's ErrorCode after a failure
    int32_t nativeCode = -1;           // the error object's NativeCode after a failure
    std::string text = "fake failure"; // the error object's Text after a failure
    bool hasResult = false;            // when set, an int or flag operation answers result
    int32_t result = 0;
    std::string out;                   // a text handed out (the user of a scripted GetLoginUser)
    int32_t times = -1;                // calls the behaviour applies to before it is dropped; -1: all
};

// The process-wide call log and script.
class KxGFakeScript {
public:
    // Empties the log and the script; the next fake connection gets the connection id 1 again.
    static void Reset();
    static void Set(const std::string& operation, const KxGFakeBehaviour& behaviour);
    static void Fail(const std::string& operation, int32_t errorCode, const std::string& text = "fake failure");
    static void Clear(const std::string& operation);

    static std::vector<KxGFakeCall> Calls();
    static std::vector<std::string> Operations();              // the operation names in call order
    static size_t Count(const std::string& operation);
    static void ClearCalls();

    // Used by the fake objects.
    static void Log(const void* object, const std::string& operation, const std::string& arguments = "");
    // The script of an operation; a behaviour with a count of calls is used up by this.
    static bool Find(const std::string& operation, KxGFakeBehaviour& behaviour);
    // The connection id of the next fake connection (1, 2, 3 ... after Reset).
    static int32_t NextConnectionId();

private:
    static std::mutex& Mutex();
    static std::vector<KxGFakeCall>& Log();
    static std::map<std::string, KxGFakeBehaviour>& Table();
};

class KxGFakeDatabaseError : public KxGDatabaseError {
public:
    uint16_t HasError() override;
    uint16_t IsWarning() override;
    int32_t NativeCode() override;
    int32_t ErrorCode() override;
    const char* Text() override;
    const char* SQLState() override;
    uint16_t IsDeadlock() override;
    uint16_t IsNoDatabase() override;
    uint16_t IsRoleConflict() override;
    void Clear() override;

    void Set(int32_t errorCode, int32_t nativeCode, const std::string& text);

private:
    int32_t errorCode_ = 0;
    int32_t nativeCode_ = 0;
    std::string text_;
};

class KxGFakeDatabaseInfo : public KxGDatabaseInfo {
public:
    KxString GetProductName() override;
    int32_t GetMaxNameLength(int32_t kind) override;
    KxString GetParameterMarker(int32_t position) override;
    KxString MapName(const KxString& name) override;
    KxString MapNameUpper(const KxString& name) override;
    uint16_t QueryFlag() override;
    uint16_t TypeNameOptions(const KxString& word, uint8_t& kind) override;
    KxString CompareNoCase(uint16_t flags, const KxString& expression) override;
    void Select(const KxGProjection& projection, KxString& out) override;
    void Where(const KxString& condition, KxString& out) override;
    void OrderBy(const KxString& order, KxString& out) override;
    void RowLimit(KxGCondition& condition, int32_t rows) override;
    void ForUpdate(KxString& out) override;
    void IndexHint(KxGStatementTemplate& statement, const KxString& indexName, const KxString& tableText) override;
    void Insert(const KxGProjection& projection, KxString& out) override;
    void Update(const KxGExtendedProjection& projection, KxString& out) override;
    void Delete(const KxGProjection& projection, KxString& out) override;
    KxGCreateStatementTemplate* CreateTable(const KxGQualifiedIdentity& table,
                                            const KxGExtendedProjection& projection) override;
    KxGCreateStatementTemplate* CreateIndex(const KxGQualifiedIdentity& index, const KxGExtendedProjection& projection,
                                            uint16_t unique) override;
    KxGCreateStatementTemplate* CreateView(const KxGQualifiedIdentity& view, const KxGProjection& projection,
                                           const KxGStatementTemplate& select) override;
    int32_t Triggers(KxGClassMap& source, KxGClassMap& shadow, KxGStatementTemplateList& list) override;
    KxGStatementTemplate* AlterAdd(const KxGExtendedProjection& projection) override;
    KxGStatementTemplate* UpdateByCid(const KxGExtendedProjection& source, const KxGExtendedProjection& target,
                                      int32_t classId) override;
    KxGStatementTemplate* InsertSelectByCid(const KxGExtendedProjection& target, const KxGExtendedProjection& source,
                                            const KxGColumnList& added, int32_t classId) override;
    KxGStatementTemplate* AlterDrop(const KxGExtendedProjection& projection) override;
    KxGStatementTemplate* DropTable(const KxGQualifiedIdentity& table) override;
    KxGStatementTemplate* DeleteByCid(const KxGQualifiedIdentity& table, int32_t classId) override;
    void TimeFixup(const KxGColumn& column, const KxGQualifiedIdentity& table, KxGStatementTemplateList& list) override;
    KxGStatementTemplate* DropTable2(const KxGCreateStatementTemplate& created) override;
    KxGStatementTemplate* DropIndex(const KxString& indexName, const KxGQualifiedIdentity& table) override;
    KxGStatementTemplate* DropIndex2(const KxGCreateStatementTemplate& created) override;
    KxGStatementTemplate* DropView(const KxGCreateStatementTemplate& created) override;
    KxGStatementTemplate* DropTrigger(const KxGCreateStatementTemplate& created) override;
    void CreateRole(const KxString& role, KxGStatementTemplateList& list) override;
    void Grants(const KxString& schema, const KxString& role, KxGCreateStatementTemplate* const* classTables,
                KxGCreateStatementTemplate* const* views, KxGStatementTemplateList& list) override;
    void DropRole(const KxString& role, KxGStatementTemplateList& list) override;
    void PrimaryKey(const KxString& columnNames, KxString& out) override;
    void TableExists(const KxGQualifiedIdentity& table, KxString& out) override;
    void IndexList(KxString& out) override;
    void Count(const KxGQualifiedIdentity& table, KxString& out) override;
    int32_t Union(const KxGStatementTemplate& statement, uint16_t all, KxGStatementTemplate& target) override;
    void CreateLocks(const KxString& schema, KxGStatementTemplateList& list) override;
    KxGStatementTemplate* CreateActiveClients(const KxString& schema) override;
    void DropHelpers(const KxString& schema, KxGStatementTemplateList& list) override;
    void DropUser(const KxString& user, KxGStatementTemplateList& list) override;
    KxString GetTerminator() override;
    KxGTypeConvHdlMgr* GetTypeConvHdlMgr() override;
    uint16_t SetOption(uint16_t value) override;
    uint16_t UsesOption() override;

private:
    uint16_t option_ = 0;
};

class KxGFakeDatabase : public KxGDatabase {
public:
    KxGFakeDatabase(const KxString& server, const KxString& database, const KxString& user,
                    const KxString& password, KxBase* base, KxParameterList* parameters);
    ~KxGFakeDatabase() override;

    void Destroy(int32_t mode) override;
    uint16_t OpenConnection() override;
    void CloseConnection() override;
    int32_t CreateDatabase(KxString* log, int32_t extra) override;
    uint16_t AttachServer() override;
    uint16_t RegisterConnection(KxString* server, int32_t* clientId, KxString* clientName, int32_t pooled,
                                int32_t localMode, int32_t exclusive) override;
    uint16_t UnregisterConnection(int32_t clientId) override;
    uint16_t CommitConnection() override;
    uint16_t RollbackConnection() override;
    KxGDatabaseError* GetError() override;
    KxGDatabaseInfo* GetDatabaseInfo() override;
    KxGTypeHdlMgr* GetTypeHdlMgr() override;
    KxGResourceMgr* CreateResourceMgr(int32_t kind, KxGTransactionContext* context) override;
    void DeleteResourceMgr(KxGResourceMgr* manager) override;
    KxGReadUnitOfWork* CreateReadUnitOfWork(KxGTransactionContext* context) override;
    void DeleteReadUnitOfWork(KxGReadUnitOfWork* unit) override;
    KxGDatabaseTrace* GetTrace(uint16_t modules) override;
    void SetTrace(KxGDatabaseTrace* trace) override;
    KxGStatementHdlCache* GetStatementHdlCache() override;
    KxGStatementHdl* CreateStatementHdl(KxGStatementTemplate* statementTemplate) override;
    KxGTypeHdl* GetTypeHdl(int32_t typeCode, int32_t kind, int32_t flags) override;
    KxString* GetDatabaseName(KxString* out) override;
    KxString* GetSchemaName(KxString* out) override;
    KxString* GetUser(KxString* out) override;
    KxString* GetPassword(KxString* out) override;
    void SetUser(KxString* user) override;
    void SetPassword(KxString* password) override;
    int32_t SetAutoCommit(int32_t on) override;
    void SetGatewayVersion(int32_t version) override;
    int32_t GetGatewayVersion() override;
    KxGDatabase* CloneConnection() override;
    KxGLockService* CreateLockService(int32_t clientId) override;
    KxGExtentService* CreateExtentService(KxGOperationEnvironment* environment, KxClassId* classId, int32_t mode,
                                          int32_t flag) override;
    int32_t CheckTableName(KxString* name, int32_t mode) override;
    uint16_t IsSchemaOwner() override;
    uint16_t GetConnectionId(int32_t* id) override;
    void ReportError(int32_t code, const char* message) override;
    uint16_t TestConnectionAlive(int32_t mode) override;
    int32_t GetBatchSize(int32_t requested, uint16_t arrays) override;
    void SetRowNum(int32_t rows) override;
    int32_t GetRowNum() override;
    int32_t AllocDescriptor(int32_t kind, uintptr_t* handle) override;
    int32_t FreeDescriptor(int16_t kind, uintptr_t handle) override;
    uint16_t HasLoginData(KxString* server) override;
    int32_t GetLoginUser(KxString* server, KxString* user) override;

    // State a test may inspect.
    const KxString& Server() const { return server_; }
    KxBase* Base() const { return base_; }
    KxParameterList* Parameters() const { return parameters_; }
    bool IsOpen() const { return open_; }
    int32_t ConnectionId() const { return connectionId_; }
    KxGDatabaseTrace* Trace() const { return trace_; }
    // A connection set dead answers 0 to TestConnectionAlive (unless the script says otherwise).
    void SetAlive(bool alive) { alive_ = alive; }
    bool IsAlive() const { return alive_; }

    // The fake objects alive in this process (made by GetDBInst or CloneConnection, not yet destroyed).
    static int32_t LiveCount();

    // For the fake resource managers and requests (KxGFakeTxn.h): a logged, scriptable flag or int
    // step, and the connection's uncommitted work.
    uint16_t Step(const char* operation, const std::string& arguments = "") { return Flag(operation, arguments); }
    int32_t StepAnswer(const char* operation, int32_t def, const std::string& arguments = "")
    {
        return Answer(operation, def, arguments);
    }
    KxGFakeWork& Work() { return work_; }

private:
    // Logs the call and finds its script; a scripted failure sets the error object.
    bool Scripted(const char* operation, const std::string& arguments, KxGFakeBehaviour& behaviour);
    // A flag operation: 0 when scripted to fail, else the scripted result or 1.
    uint16_t Flag(const char* operation, const std::string& arguments = "");
    // An int operation: the scripted error code or result, else def.
    int32_t Answer(const char* operation, int32_t def, const std::string& arguments = "");
    // Whether the script makes the operation fail.
    bool Fails(const char* operation, const std::string& arguments = "");

    KxString server_;
    KxString database_;
    KxString user_;
    KxString password_;
    KxBase* base_;
    KxParameterList* parameters_;
    KxGDatabaseTrace* trace_ = nullptr;
    KxGFakeDatabaseError error_;
    KxGFakeDatabaseInfo info_;
    int32_t gatewayVersion_ = 0;
    int32_t autoCommit_ = 0;
    int32_t rowNum_ = 0;
    int32_t connectionId_;
    bool open_ = false;
    bool alive_ = true;
    KxGFakeWork work_;
};

// Product and module names of the fake adapter.
constexpr const char* KXG_FAKE_PRODUCT = "Fake";
constexpr const char* KXG_FAKE_SHORT_NAME = "Gf";
constexpr const char* KXG_FAKE_DESCRIPTION = "Tessaform SQL Gateway fake adapter";
