// The scriptable fake adapter: call log, script and the fake database, dialect and error objects.
#include "KxGFakeAdapter.h"

#include <atomic>
#include <sstream>

#include "KxGDatabaseTrace.h"
#include "KxGLockService.h"
#include "KxGReadUnitOfWork.h"
#include "KxGResourceMgr.h"

// ---------------------------------------------------------------------------------------------------
// Script and call log

std::mutex& KxGFakeScript::Mutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<KxGFakeCall>& KxGFakeScript::Log()
{
    static std::vector<KxGFakeCall> log;
    return log;
}

std::map<std::string, KxGFakeBehaviour>& KxGFakeScript::Table()
{
    static std::map<std::string, KxGFakeBehaviour> table;
    return table;
}

namespace {
std::atomic<int32_t> g_nextConnectionId{1};
}

void KxGFakeScript::Reset()
{
    std::lock_guard<std::mutex> lock(Mutex());
    Log().clear();
    Table().clear();
    g_nextConnectionId = 1;
    KxGFakeRows::Reset();
}

int32_t KxGFakeScript::NextConnectionId()
{
    return g_nextConnectionId.fetch_add(1);
}

void KxGFakeScript::Set(const std::string& operation, const KxGFakeBehaviour& behaviour)
{
    std::lock_guard<std::mutex> lock(Mutex());
    Table()[operation] = behaviour;
}

void KxGFakeScript::Fail(const std::string& operation, int32_t errorCode, const std::string& text)
{
    KxGFakeBehaviour behaviour;
    behaviour.fail = true;
    behaviour.errorCode = errorCode;
    behaviour.text = text;
    Set(operation, behaviour);
}

void KxGFakeScript::Clear(const std::string& operation)
{
    std::lock_guard<std::mutex> lock(Mutex());
    Table().erase(operation);
}

std::vector<KxGFakeCall> KxGFakeScript::Calls()
{
    std::lock_guard<std::mutex> lock(Mutex());
    return Log();
}

std::vector<std::string> KxGFakeScript::Operations()
{
    std::lock_guard<std::mutex> lock(Mutex());
    std::vector<std::string> names;
    for (const KxGFakeCall& call : Log()) {
        names.push_back(call.operation);
    }
    return names;
}

size_t KxGFakeScript::Count(const std::string& operation)
{
    std::lock_guard<std::mutex> lock(Mutex());
    size_t n = 0;
    for (const KxGFakeCall& call : Log()) {
        n += call.operation == operation ? 1 : 0;
    }
    return n;
}

void KxGFakeScript::ClearCalls()
{
    std::lock_guard<std::mutex> lock(Mutex());
    Log().clear();
}

void KxGFakeScript::Log(const void* object, const std::string& operation, const std::string& arguments)
{
    std::lock_guard<std::mutex> lock(Mutex());
    Log().push_back(KxGFakeCall{object, operation, arguments});
}

bool KxGFakeScript::Find(const std::string& operation, KxGFakeBehaviour& behaviour)
{
    std::lock_guard<std::mutex> lock(Mutex());
    auto it = Table().find(operation);
    if (it == Table().end()) {
        return false;
    }
    behaviour = it->second;
    if (it->second.times > 0 && --it->second.times == 0) {
        Table().erase(it);
    }
    return true;
}

namespace {

std::atomic<int32_t> g_live{0};

std::string Text(const KxString* s)
{
    return s != nullptr ? std::string(s->StrGet()) : std::string("(null)");
}

std::string Args()
{
    return std::string();
}

template <typename First, typename... Rest>
std::string Args(const First& first, const Rest&... rest)
{
    std::ostringstream out;
    out << first;
    ((out << ',' << rest), ...);
    return out.str();
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Error object

uint16_t KxGFakeDatabaseError::HasError() { return nativeCode_ != 0 || errorCode_ != 0 ? 1 : 0; }
uint16_t KxGFakeDatabaseError::IsWarning() { return errorCode_ > 0 ? 1 : 0; }
int32_t KxGFakeDatabaseError::NativeCode() { return nativeCode_; }
int32_t KxGFakeDatabaseError::ErrorCode() { return errorCode_; }
const char* KxGFakeDatabaseError::Text() { return text_.c_str(); }
const char* KxGFakeDatabaseError::SQLState() { return "No state"; }
uint16_t KxGFakeDatabaseError::IsDeadlock() { return 0; }
uint16_t KxGFakeDatabaseError::IsNoDatabase() { return errorCode_ == -6002 ? 1 : 0; }
uint16_t KxGFakeDatabaseError::IsRoleConflict() { return 0; }

void KxGFakeDatabaseError::Clear()
{
    errorCode_ = 0;
    nativeCode_ = 0;
    text_.clear();
}

void KxGFakeDatabaseError::Set(int32_t errorCode, int32_t nativeCode, const std::string& text)
{
    errorCode_ = errorCode;
    nativeCode_ = nativeCode;
    text_ = text;
}

// ---------------------------------------------------------------------------------------------------
// Dialect: logs every call; texts are plain and product-neutral.

#define FAKE_LOG(op, ...) KxGFakeScript::Log(this, op, Args(__VA_ARGS__))

KxString KxGFakeDatabaseInfo::GetProductName() { FAKE_LOG("GetProductName"); return KxString("FAKE"); }
int32_t KxGFakeDatabaseInfo::GetMaxNameLength(int32_t kind) { FAKE_LOG("GetMaxNameLength", kind); return 30; }

KxString KxGFakeDatabaseInfo::GetParameterMarker(int32_t position)
{
    FAKE_LOG("GetParameterMarker", position);
    KxString marker("?");
    marker << position;
    return marker;
}

KxString KxGFakeDatabaseInfo::MapName(const KxString& name) { FAKE_LOG("MapName", name.StrGet()); return name; }

KxString KxGFakeDatabaseInfo::MapNameUpper(const KxString& name)
{
    FAKE_LOG("MapNameUpper", name.StrGet());
    KxString upper(name);
    upper.ToUpper();
    return upper;
}

uint16_t KxGFakeDatabaseInfo::QueryFlag() { FAKE_LOG("QueryFlag"); return 0; }

uint16_t KxGFakeDatabaseInfo::TypeNameOptions(const KxString& word, uint8_t& kind)
{
    FAKE_LOG("TypeNameOptions", word.StrGet());
    kind = 255;
    return 0;
}

KxString KxGFakeDatabaseInfo::CompareNoCase(uint16_t flags, const KxString& expression)
{
    FAKE_LOG("CompareNoCase", flags, expression.StrGet());
    return KxString::EmptyString();
}

void KxGFakeDatabaseInfo::Select(const KxGProjection&, KxString&) { FAKE_LOG("Select"); }

void KxGFakeDatabaseInfo::Where(const KxString& condition, KxString& out)
{
    FAKE_LOG("Where", condition.StrGet());
    if (!condition.IsEmpty()) {
        out << " WHERE " << condition;
    }
}

void KxGFakeDatabaseInfo::OrderBy(const KxString& order, KxString& out)
{
    FAKE_LOG("OrderBy", order.StrGet());
    if (!order.IsEmpty()) {
        out << " ORDER BY " << order;
    }
}

void KxGFakeDatabaseInfo::RowLimit(KxGCondition&, int32_t rows) { FAKE_LOG("RowLimit", rows); }
void KxGFakeDatabaseInfo::ForUpdate(KxString& out) { FAKE_LOG("ForUpdate"); out << " FOR UPDATE"; }

void KxGFakeDatabaseInfo::IndexHint(KxGStatementTemplate&, const KxString& indexName, const KxString& tableText)
{
    FAKE_LOG("IndexHint", indexName.StrGet(), tableText.StrGet());
}

void KxGFakeDatabaseInfo::Insert(const KxGProjection&, KxString&) { FAKE_LOG("Insert"); }
void KxGFakeDatabaseInfo::Update(const KxGExtendedProjection&, KxString&) { FAKE_LOG("Update"); }
void KxGFakeDatabaseInfo::Delete(const KxGProjection&, KxString&) { FAKE_LOG("Delete"); }

KxGCreateStatementTemplate* KxGFakeDatabaseInfo::CreateTable(const KxGQualifiedIdentity&, const KxGExtendedProjection&)
{
    FAKE_LOG("CreateTable");
    return nullptr;
}

KxGCreateStatementTemplate* KxGFakeDatabaseInfo::CreateIndex(const KxGQualifiedIdentity&,
                                                             const KxGExtendedProjection&, uint16_t unique)
{
    FAKE_LOG("CreateIndex", unique);
    return nullptr;
}

KxGCreateStatementTemplate* KxGFakeDatabaseInfo::CreateView(const KxGQualifiedIdentity&, const KxGProjection&,
                                                            const KxGStatementTemplate&)
{
    FAKE_LOG("CreateView");
    return nullptr;
}

int32_t KxGFakeDatabaseInfo::Triggers(KxGClassMap&, KxGClassMap&, KxGStatementTemplateList&)
{
    FAKE_LOG("Triggers");
    return 0;
}

KxGStatementTemplate* KxGFakeDatabaseInfo::AlterAdd(const KxGExtendedProjection&) { FAKE_LOG("AlterAdd"); return nullptr; }

KxGStatementTemplate* KxGFakeDatabaseInfo::UpdateByCid(const KxGExtendedProjection&, const KxGExtendedProjection&,
                                                       int32_t classId)
{
    FAKE_LOG("UpdateByCid", classId);
    return nullptr;
}

KxGStatementTemplate* KxGFakeDatabaseInfo::InsertSelectByCid(const KxGExtendedProjection&,
                                                             const KxGExtendedProjection&, const KxGColumnList&,
                                                             int32_t classId)
{
    FAKE_LOG("InsertSelectByCid", classId);
    return nullptr;
}

KxGStatementTemplate* KxGFakeDatabaseInfo::AlterDrop(const KxGExtendedProjection&) { FAKE_LOG("AlterDrop"); return nullptr; }
KxGStatementTemplate* KxGFakeDatabaseInfo::DropTable(const KxGQualifiedIdentity&) { FAKE_LOG("DropTable"); return nullptr; }

KxGStatementTemplate* KxGFakeDatabaseInfo::DeleteByCid(const KxGQualifiedIdentity&, int32_t classId)
{
    FAKE_LOG("DeleteByCid", classId);
    return nullptr;
}

void KxGFakeDatabaseInfo::TimeFixup(const KxGColumn&, const KxGQualifiedIdentity&, KxGStatementTemplateList&)
{
    FAKE_LOG("TimeFixup");
}

KxGStatementTemplate* KxGFakeDatabaseInfo::DropTable2(const KxGCreateStatementTemplate&) { FAKE_LOG("DropTable2"); return nullptr; }

KxGStatementTemplate* KxGFakeDatabaseInfo::DropIndex(const KxString& indexName, const KxGQualifiedIdentity&)
{
    FAKE_LOG("DropIndex", indexName.StrGet());
    return nullptr;
}

KxGStatementTemplate* KxGFakeDatabaseInfo::DropIndex2(const KxGCreateStatementTemplate&) { FAKE_LOG("DropIndex2"); return nullptr; }
KxGStatementTemplate* KxGFakeDatabaseInfo::DropView(const KxGCreateStatementTemplate&) { FAKE_LOG("DropView"); return nullptr; }
KxGStatementTemplate* KxGFakeDatabaseInfo::DropTrigger(const KxGCreateStatementTemplate&) { FAKE_LOG("DropTrigger"); return nullptr; }

void KxGFakeDatabaseInfo::CreateRole(const KxString& role, KxGStatementTemplateList&) { FAKE_LOG("CreateRole", role.StrGet()); }

void KxGFakeDatabaseInfo::Grants(const KxString& schema, const KxString& role, KxGCreateStatementTemplate* const*,
                                 KxGCreateStatementTemplate* const*, KxGStatementTemplateList&)
{
    FAKE_LOG("Grants", schema.StrGet(), role.StrGet());
}

void KxGFakeDatabaseInfo::DropRole(const KxString& role, KxGStatementTemplateList&) { FAKE_LOG("DropRole", role.StrGet()); }

void KxGFakeDatabaseInfo::PrimaryKey(const KxString& columnNames, KxString& out)
{
    FAKE_LOG("PrimaryKey", columnNames.StrGet());
    out << "PRIMARY KEY ( " << columnNames << " )";
}

void KxGFakeDatabaseInfo::TableExists(const KxGQualifiedIdentity&, KxString&) { FAKE_LOG("TableExists"); }
void KxGFakeDatabaseInfo::IndexList(KxString&) { FAKE_LOG("IndexList"); }
void KxGFakeDatabaseInfo::Count(const KxGQualifiedIdentity&, KxString&) { FAKE_LOG("Count"); }

int32_t KxGFakeDatabaseInfo::Union(const KxGStatementTemplate&, uint16_t all, KxGStatementTemplate&)
{
    FAKE_LOG("Union", all);
    return 0;
}

void KxGFakeDatabaseInfo::CreateLocks(const KxString& schema, KxGStatementTemplateList&) { FAKE_LOG("CreateLocks", schema.StrGet()); }

KxGStatementTemplate* KxGFakeDatabaseInfo::CreateActiveClients(const KxString& schema)
{
    FAKE_LOG("CreateActiveClients", schema.StrGet());
    return nullptr;
}

void KxGFakeDatabaseInfo::DropHelpers(const KxString& schema, KxGStatementTemplateList&) { FAKE_LOG("DropHelpers", schema.StrGet()); }
void KxGFakeDatabaseInfo::DropUser(const KxString& user, KxGStatementTemplateList&) { FAKE_LOG("DropUser", user.StrGet()); }
KxString KxGFakeDatabaseInfo::GetTerminator() { FAKE_LOG("GetTerminator"); return KxString(";"); }
KxGTypeConvHdlMgr* KxGFakeDatabaseInfo::GetTypeConvHdlMgr() { FAKE_LOG("GetTypeConvHdlMgr"); return nullptr; }

uint16_t KxGFakeDatabaseInfo::SetOption(uint16_t value)
{
    FAKE_LOG("SetOption", value);
    const uint16_t previous = option_;
    option_ = value;
    return previous;
}

uint16_t KxGFakeDatabaseInfo::UsesOption() { FAKE_LOG("UsesOption"); return 0; }

// ---------------------------------------------------------------------------------------------------
// Database

KxGFakeDatabase::KxGFakeDatabase(const KxString& server, const KxString& database, const KxString& user,
                                 const KxString& password, KxBase* base, KxParameterList* parameters)
    : server_(server),
      database_(database),
      user_(user),
      password_(password),
      base_(base),
      parameters_(parameters),
      connectionId_(KxGFakeScript::NextConnectionId())
{
    ++g_live;
}

KxGFakeDatabase::~KxGFakeDatabase()
{
    --g_live;
}

int32_t KxGFakeDatabase::LiveCount()
{
    return g_live.load();
}

bool KxGFakeDatabase::Scripted(const char* operation, const std::string& arguments, KxGFakeBehaviour& behaviour)
{
    KxGFakeScript::Log(this, operation, arguments);
    if (!KxGFakeScript::Find(operation, behaviour)) {
        return false;
    }
    if (behaviour.fail) {
        error_.Set(behaviour.errorCode, behaviour.nativeCode, behaviour.text);
    }
    return true;
}

uint16_t KxGFakeDatabase::Flag(const char* operation, const std::string& arguments)
{
    KxGFakeBehaviour behaviour;
    if (!Scripted(operation, arguments, behaviour)) {
        return 1;
    }
    if (behaviour.fail) {
        return 0;
    }
    return behaviour.hasResult ? static_cast<uint16_t>(behaviour.result) : 1;
}

int32_t KxGFakeDatabase::Answer(const char* operation, int32_t def, const std::string& arguments)
{
    KxGFakeBehaviour behaviour;
    if (!Scripted(operation, arguments, behaviour)) {
        return def;
    }
    if (behaviour.fail) {
        return behaviour.errorCode;
    }
    return behaviour.hasResult ? behaviour.result : def;
}

bool KxGFakeDatabase::Fails(const char* operation, const std::string& arguments)
{
    KxGFakeBehaviour behaviour;
    return Scripted(operation, arguments, behaviour) && behaviour.fail;
}

void KxGFakeDatabase::Destroy(int32_t mode)
{
    KxGFakeScript::Log(this, "Destroy", Args(mode));
    if (mode == 0) {
        delete this;
    }
}

uint16_t KxGFakeDatabase::OpenConnection()
{
    if (Fails("OpenConnection")) {
        return 0;
    }
    open_ = true;
    return 1;
}

void KxGFakeDatabase::CloseConnection()
{
    KxGFakeScript::Log(this, "CloseConnection");
    open_ = false;
}

int32_t KxGFakeDatabase::CreateDatabase(KxString* log, int32_t extra)
{
    return Answer("CreateDatabase", 0, Args(Text(log), extra));
}

uint16_t KxGFakeDatabase::AttachServer() { return Flag("AttachServer"); }

uint16_t KxGFakeDatabase::RegisterConnection(KxString* server, int32_t* clientId, KxString* clientName,
                                             int32_t pooled, int32_t localMode, int32_t exclusive)
{
    const int32_t id = clientId != nullptr ? *clientId : 0;
    KxGFakeBehaviour behaviour;
    if (Scripted("RegisterConnection", Args(Text(server), id, Text(clientName), pooled, localMode, exclusive),
                 behaviour)) {
        if (behaviour.fail) {
            return 0;
        }
        if (clientId != nullptr && behaviour.hasResult) {
            *clientId = behaviour.result;   // the id under which the connection is registered
        }
    }
    return 1;
}

uint16_t KxGFakeDatabase::UnregisterConnection(int32_t clientId) { return Flag("UnregisterConnection", Args(clientId)); }
uint16_t KxGFakeDatabase::CommitConnection()
{
    const uint16_t done = Flag("CommitConnection");
    if (done != 0) {
        work_.Commit();
    }
    return done;
}

uint16_t KxGFakeDatabase::RollbackConnection()
{
    const uint16_t done = Flag("RollbackConnection");
    if (done != 0) {
        work_.Rollback();
    }
    return done;
}

KxGDatabaseError* KxGFakeDatabase::GetError() { return &error_; }
KxGDatabaseInfo* KxGFakeDatabase::GetDatabaseInfo() { return &info_; }

KxGTypeHdlMgr* KxGFakeDatabase::GetTypeHdlMgr()
{
    KxGFakeScript::Log(this, "GetTypeHdlMgr");
    return nullptr;
}

KxGResourceMgr* KxGFakeDatabase::CreateResourceMgr(int32_t kind, KxGTransactionContext* context)
{
    if (Fails("CreateResourceMgr", Args(kind))) {
        return nullptr;
    }
    return KxGFakeMakeResourceMgr(this, kind, context);
}

void KxGFakeDatabase::DeleteResourceMgr(KxGResourceMgr* manager)
{
    KxGFakeScript::Log(this, "DeleteResourceMgr");
    delete manager;
}

KxGReadUnitOfWork* KxGFakeDatabase::CreateReadUnitOfWork(KxGTransactionContext* context)
{
    KxGFakeScript::Log(this, "CreateReadUnitOfWork");
    return new KxGReadUnitOfWork(context);
}

void KxGFakeDatabase::DeleteReadUnitOfWork(KxGReadUnitOfWork* unit)
{
    KxGFakeScript::Log(this, "DeleteReadUnitOfWork");
    delete unit;
}

// Not logged: every trace tag asks for the writer.
KxGDatabaseTrace* KxGFakeDatabase::GetTrace(uint16_t modules)
{
    return trace_ != nullptr && trace_->Accepts(modules) ? trace_ : nullptr;
}

void KxGFakeDatabase::SetTrace(KxGDatabaseTrace* trace)
{
    KxGFakeScript::Log(this, "SetTrace");
    trace_ = trace;
}

KxGStatementHdlCache* KxGFakeDatabase::GetStatementHdlCache()
{
    KxGFakeScript::Log(this, "GetStatementHdlCache");
    return nullptr;
}

KxGStatementHdl* KxGFakeDatabase::CreateStatementHdl(KxGStatementTemplate*)
{
    KxGFakeScript::Log(this, "CreateStatementHdl");
    return nullptr;
}

KxGTypeHdl* KxGFakeDatabase::GetTypeHdl(int32_t typeCode, int32_t kind, int32_t flags)
{
    KxGFakeScript::Log(this, "GetTypeHdl", Args(typeCode, kind, flags));
    return nullptr;
}

KxString* KxGFakeDatabase::GetDatabaseName(KxString* out)
{
    KxGFakeScript::Log(this, "GetDatabaseName");
    *out = database_;
    return out;
}

KxString* KxGFakeDatabase::GetSchemaName(KxString* out)
{
    KxGFakeScript::Log(this, "GetSchemaName");
    *out = database_;
    return out;
}

KxString* KxGFakeDatabase::GetUser(KxString* out)
{
    KxGFakeScript::Log(this, "GetUser");
    *out = user_;
    return out;
}

KxString* KxGFakeDatabase::GetPassword(KxString* out)
{
    KxGFakeScript::Log(this, "GetPassword");
    *out = password_;
    return out;
}

void KxGFakeDatabase::SetUser(KxString* user)
{
    KxGFakeScript::Log(this, "SetUser", Text(user));
    user_ = user != nullptr ? *user : KxString();
}

void KxGFakeDatabase::SetPassword(KxString* password)
{
    KxGFakeScript::Log(this, "SetPassword");
    password_ = password != nullptr ? *password : KxString();
}

int32_t KxGFakeDatabase::SetAutoCommit(int32_t on)
{
    KxGFakeScript::Log(this, "SetAutoCommit", Args(on));
    autoCommit_ = on != 0 ? 1 : 0;
    return autoCommit_;
}

void KxGFakeDatabase::SetGatewayVersion(int32_t version)
{
    KxGFakeScript::Log(this, "SetGatewayVersion", Args(version));
    gatewayVersion_ = version;
}

int32_t KxGFakeDatabase::GetGatewayVersion()
{
    KxGFakeScript::Log(this, "GetGatewayVersion");
    return gatewayVersion_;
}

KxGDatabase* KxGFakeDatabase::CloneConnection()
{
    if (Fails("CloneConnection")) {
        return nullptr;
    }
    auto* clone = new KxGFakeDatabase(server_, database_, user_, password_, base_, parameters_);
    clone->gatewayVersion_ = gatewayVersion_;
    clone->autoCommit_ = autoCommit_;
    return clone;
}

// The local lock service on this connection (the fake server keeps no lock rows).
KxGLockService* KxGFakeDatabase::CreateLockService(int32_t clientId)
{
    if (Fails("CreateLockService", Args(clientId))) {
        return nullptr;
    }
    return new KxGLocalLockService(this);
}

KxGExtentService* KxGFakeDatabase::CreateExtentService(KxGOperationEnvironment*, KxClassId*, int32_t mode,
                                                       int32_t flag)
{
    KxGFakeScript::Log(this, "CreateExtentService", Args(mode, flag));
    return nullptr;
}

int32_t KxGFakeDatabase::CheckTableName(KxString* name, int32_t mode)
{
    return Answer("CheckTableName", 0, Args(Text(name), mode));
}

uint16_t KxGFakeDatabase::IsSchemaOwner() { return Flag("IsSchemaOwner"); }

uint16_t KxGFakeDatabase::GetConnectionId(int32_t* id)
{
    KxGFakeBehaviour behaviour;
    const bool scripted = Scripted("GetConnectionId", "", behaviour);
    if (scripted && behaviour.fail) {
        return 0;
    }
    if (id != nullptr) {
        *id = scripted && behaviour.hasResult ? behaviour.result : connectionId_;
    }
    return 1;
}

void KxGFakeDatabase::ReportError(int32_t code, const char* message)
{
    KxGFakeScript::Log(this, "ReportError", Args(code, message != nullptr ? message : ""));
    error_.Set(code, code, message != nullptr ? message : "");
}

uint16_t KxGFakeDatabase::TestConnectionAlive(int32_t mode)
{
    KxGFakeBehaviour behaviour;
    if (!Scripted("TestConnectionAlive", Args(mode), behaviour)) {
        return alive_ ? 1 : 0;
    }
    if (behaviour.fail) {
        return 0;
    }
    return behaviour.hasResult ? static_cast<uint16_t>(behaviour.result) : (alive_ ? 1 : 0);
}

int32_t KxGFakeDatabase::GetBatchSize(int32_t requested, uint16_t arrays)
{
    return Answer("GetBatchSize", KxGDatabase::GetBatchSize(requested, arrays), Args(requested, arrays));
}

void KxGFakeDatabase::SetRowNum(int32_t rows)
{
    KxGFakeScript::Log(this, "SetRowNum", Args(rows));
    rowNum_ = rows;
}

int32_t KxGFakeDatabase::GetRowNum()
{
    KxGFakeScript::Log(this, "GetRowNum");
    return rowNum_;
}

int32_t KxGFakeDatabase::AllocDescriptor(int32_t kind, uintptr_t* handle)
{
    const int32_t status = Answer("AllocDescriptor", 0, Args(kind));
    if (status >= 0 && handle != nullptr) {
        *handle = 0;
    }
    return status;
}

int32_t KxGFakeDatabase::FreeDescriptor(int16_t kind, uintptr_t handle)
{
    return Answer("FreeDescriptor", 0, Args(kind, handle));
}

// Without a script the fake has no log-in data of its own, as the real adapters.
uint16_t KxGFakeDatabase::HasLoginData(KxString* server)
{
    KxGFakeBehaviour behaviour;
    if (Scripted("HasLoginData", Args(Text(server)), behaviour) && !behaviour.fail && behaviour.hasResult) {
        return static_cast<uint16_t>(behaviour.result);
    }
    return 0;
}

int32_t KxGFakeDatabase::GetLoginUser(KxString* server, KxString* user)
{
    KxGFakeBehaviour behaviour;
    const bool scripted = Scripted("GetLoginUser", Args(Text(server)), behaviour);
    if (user != nullptr) {
        *user = scripted && !behaviour.fail ? KxString(behaviour.out) : KxString::EmptyString();
    }
    if (!scripted) {
        return -1;
    }
    if (behaviour.fail) {
        return behaviour.errorCode;
    }
    return behaviour.hasResult ? behaviour.result : -1;
}
