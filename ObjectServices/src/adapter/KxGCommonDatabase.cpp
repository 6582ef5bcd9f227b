// The names, settings, owned objects and factories that the adapters' database objects share.
#include "KxGCommonDatabase.h"

#include <limits>

#include "KxGDatabaseTrace.h"
#include "KxGGenericExtentService.h"
#include "KxGReadUnitOfWork.h"
#include "KxGSqlNames.h"
#include "KxGStatementHdlCache.h"
#include "KxGTransaction.h"
#include "KxGTransactionContext.h"
#include "KxGTypeHdl.h"

KxGCommonDatabase::KxGCommonDatabase(const KxString& server, const KxString& database, const KxString& user,
                                     const KxString& password, KxBase* base)
    : base_(base), server_(server), database_(database), user_(user), password_(password)
{
}

KxGCommonDatabase::~KxGCommonDatabase() = default;

void KxGCommonDatabase::Destroy(int32_t mode)
{
    if (mode == 0) {
        delete this;
    }
}

// ---------------------------------------------------------------------------------------------------
// Owned objects and factories

KxGDatabaseInfo* KxGCommonDatabase::GetDatabaseInfo()
{
    return info_.get();
}

KxGTypeHdlMgr* KxGCommonDatabase::GetTypeHdlMgr()
{
    if (typeHdlMgr_ == nullptr) {
        typeHdlMgr_.reset(MakeTypeHdlMgr());
    }
    return typeHdlMgr_.get();
}

KxGTypeHdl* KxGCommonDatabase::GetTypeHdl(int32_t typeCode, int32_t kind, int32_t flags)
{
    constexpr int32_t kByteMax = std::numeric_limits<uint8_t>::max();
    if (typeCode < 0 || typeCode > kByteMax || kind < 0 || kind > kByteMax || flags < 0 || flags > kByteMax) {
        return nullptr;
    }
    KxGTypeHdlMgr* manager = GetTypeHdlMgr();
    if (manager == nullptr) {
        return nullptr;
    }
    return manager->GetTypeHdl(static_cast<uint8_t>(typeCode), static_cast<uint8_t>(kind),
                               static_cast<uint8_t>(flags));
}

KxGResourceMgr* KxGCommonDatabase::CreateNestedTransaction(KxGTransactionContext* context)
{
    return KxGMake<KxGMRTransaction>(context);
}

KxGResourceMgr* KxGCommonDatabase::CreateResourceMgr(int32_t kind, KxGTransactionContext* context)
{
    if (context == nullptr) {
        return nullptr;
    }
    switch (kind) {
    case KXG_RESOURCE_TRANSACTION:
        if (context->GetLevel() >= 2) {
            return CreateNestedTransaction(context);
        }
        return KxGMake<KxGTransaction>(context);
    case KXG_RESOURCE_COMPOUND_STATEMENT:
        return CreateCompoundStatement(context);
    default:
        return nullptr;
    }
}

void KxGCommonDatabase::DeleteResourceMgr(KxGResourceMgr* manager)
{
    delete manager;
}

KxGReadUnitOfWork* KxGCommonDatabase::CreateReadUnitOfWork(KxGTransactionContext* context)
{
    if (context == nullptr) {
        return nullptr;
    }
    return KxGMake<KxGReadUnitOfWork>(context);
}

void KxGCommonDatabase::DeleteReadUnitOfWork(KxGReadUnitOfWork* unit)
{
    delete unit;
}

KxGExtentService* KxGCommonDatabase::CreateExtentService(KxGOperationEnvironment* environment, KxClassId* classId,
                                                         int32_t mode, int32_t flag)
{
    KxGTraceTag tag(*this, KXG_TRACE_DBA, "CreateExtentService");
    if (classId == nullptr) {
        if (KxGDatabaseTrace* trace = tag.GetTrace()) {
            trace->BeginCriticalSection();
            *trace << "no class for an extent service" << '\n';
            trace->EndCriticalSection();
        }
        return nullptr;
    }
    return KxGMake<KxGGenericExtentService>(environment, this, *classId, static_cast<uint16_t>(mode),
                                            static_cast<uint16_t>(flag != 0 ? 1 : 0));
}

KxGDatabaseTrace* KxGCommonDatabase::GetTrace(uint16_t modules)
{
    return trace_ != nullptr && trace_->Accepts(modules) ? trace_ : nullptr;
}

void KxGCommonDatabase::SetTrace(KxGDatabaseTrace* trace)
{
    trace_ = trace;
}

KxGStatementHdlCache* KxGCommonDatabase::GetStatementHdlCache()
{
    return cache_.get();
}

// ---------------------------------------------------------------------------------------------------
// Names and settings

namespace {

KxString* CopyTo(KxString* out, const KxString& value)
{
    if (out != nullptr) {
        *out = value;
    }
    return out;
}

}  // namespace

KxString* KxGCommonDatabase::GetDatabaseName(KxString* out)
{
    return CopyTo(out, database_);
}

KxString* KxGCommonDatabase::GetSchemaName(KxString* out)
{
    return CopyTo(out, database_);
}

KxString* KxGCommonDatabase::GetUser(KxString* out)
{
    return CopyTo(out, user_);
}

KxString* KxGCommonDatabase::GetPassword(KxString* out)
{
    return CopyTo(out, password_);
}

void KxGCommonDatabase::SetUser(KxString* user)
{
    if (user != nullptr) {
        user_ = *user;
    }
}

void KxGCommonDatabase::SetPassword(KxString* password)
{
    if (password != nullptr) {
        password_ = *password;
    }
}

int32_t KxGCommonDatabase::SetAutoCommit(int32_t on)
{
    autoCommit_ = on != 0 ? 1 : 0;
    return autoCommit_;
}

void KxGCommonDatabase::SetGatewayVersion(int32_t version)
{
    gatewayVersion_ = version;
}

int32_t KxGCommonDatabase::GetGatewayVersion()
{
    return gatewayVersion_;
}

uint16_t KxGCommonDatabase::HasLoginData(KxString* /*server*/)
{
    return 0;
}

int32_t KxGCommonDatabase::GetLoginUser(KxString* /*server*/, KxString* user)
{
    if (user != nullptr) {
        *user = KxString::EmptyString();
    }
    return -1;
}
