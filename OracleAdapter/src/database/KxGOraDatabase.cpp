// The Oracle database object: construction, OCI handles, names and settings, factories, descriptors
// and error reports. The connection operations are in KxGOraConnection.cpp.
#include "KxGOraDatabase.h"

#include <cstring>
#include <limits>
#include <new>

#include "KxGDatabaseTrace.h"
#include "KxGOraDatabaseSupport.h"
#include "KxGOraDatabaseInfo.h"
#include "KxGOraCompoundStatement.h"
#include "KxGOraLockService.h"
#include "KxGOraTransaction.h"
#include "KxGTransactionContext.h"
#include "KxGOraStatementHdl.h"
#include "KxGOraTypeHdlMgr.h"
#include "KxGSqlNames.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "oci.h"

// ---------------------------------------------------------------------------------------------------
// Construction and destruction

KxGOraDatabase::KxGOraDatabase(const KxString& server, const KxString& database, const KxString& user,
                               const KxString& password, KxBase* base, KxParameterList* parameters)
    : KxGCommonDatabase(server, database, user, password, base),
      openChecks_(1),
      error_(std::make_unique<KxGOraDatabaseError>()),
      parameters_(parameters)
{
    user_.ToUpper();
    database_.ToUpper();
    info_ = std::make_unique<KxGOraDatabaseInfo>(this);
    cache_ = std::make_unique<KxGStatementHdlCache>(this, GetMaxStatementHandle(database));
    AllocateHandles();
}

KxGOraDatabase::KxGOraDatabase(CloneOf clone)
    : KxGCommonDatabase(clone.source.server_, clone.source.database_, clone.source.user_, clone.source.password_,
                        clone.source.base_),
      openChecks_(0),
      error_(std::make_unique<KxGOraDatabaseError>()),
      parameters_(clone.source.parameters_)
{
    gatewayVersion_ = clone.source.gatewayVersion_;
    autoCommit_ = clone.source.autoCommit_;
    info_ = std::make_unique<KxGOraDatabaseInfo>(this);
    const uint16_t capacity =
        clone.source.cache_ != nullptr ? clone.source.cache_->GetCapacity() : KXG_DEFAULT_STATEMENT_HANDLES;
    cache_ = std::make_unique<KxGStatementHdlCache>(this, capacity);
    AllocateHandles();
}

KxGOraDatabase::~KxGOraDatabase()
{
    // Cached statement handles still report through the error object and use the type handlers:
    // they go first.
    cache_.reset();
    info_.reset();
    typeHdlMgr_.reset();
    error_.reset();
    trace_ = nullptr;
    FreeHandles();
}

void KxGOraDatabase::AllocateHandles()
{
    sword status = OCIEnvCreate(&environment_, OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0,
                                nullptr);
    if (status != OCI_SUCCESS || environment_ == nullptr) {
        if (environment_ != nullptr) {
            OCIHandleFree(environment_, OCI_HTYPE_ENV);
            environment_ = nullptr;
        }
        handleFailure_ = "the OCI environment could not be created";
        handleStatus_ = status;
        return;
    }
    struct Step {
        void** handle;
        ub4 type;
        const char* failure;
    };
    const Step steps[] = {
        {reinterpret_cast<void**>(&errorHandle_), OCI_HTYPE_ERROR, "the OCI error handle could not be allocated"},
        {reinterpret_cast<void**>(&serviceContext_), OCI_HTYPE_SVCCTX,
         "the OCI service context could not be allocated"},
        {reinterpret_cast<void**>(&serverHandle_), OCI_HTYPE_SERVER, "the OCI server handle could not be allocated"},
        {reinterpret_cast<void**>(&sessionHandle_), OCI_HTYPE_SESSION,
         "the OCI session handle could not be allocated"},
    };
    for (const Step& step : steps) {
        status = OCIHandleAlloc(environment_, step.handle, step.type, 0, nullptr);
        if (status != OCI_SUCCESS || *step.handle == nullptr) {
            *step.handle = nullptr;
            handleFailure_ = step.failure;
            handleStatus_ = status;
            return;
        }
    }
}

void KxGOraDatabase::FreeHandles()
{
    if (sessionHandle_ != nullptr) {
        OCIHandleFree(sessionHandle_, OCI_HTYPE_SESSION);
        sessionHandle_ = nullptr;
    }
    if (serverHandle_ != nullptr) {
        OCIHandleFree(serverHandle_, OCI_HTYPE_SERVER);
        serverHandle_ = nullptr;
    }
    if (serviceContext_ != nullptr) {
        OCIHandleFree(serviceContext_, OCI_HTYPE_SVCCTX);
        serviceContext_ = nullptr;
    }
    if (errorHandle_ != nullptr) {
        OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
        errorHandle_ = nullptr;
    }
    if (environment_ != nullptr) {
        OCIHandleFree(environment_, OCI_HTYPE_ENV);
        environment_ = nullptr;
    }
}

uint16_t KxGOraDatabase::CheckHandles()
{
    if (handleFailure_ == nullptr) {
        return 1;
    }
    KxString text(handleFailure_);
    text << " (status " << handleStatus_ << ")";
    ReportError(KXG_E_RDBMS, text.StrGet());
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Reports

uint16_t KxGOraDatabase::Report(int32_t status)
{
    ReportError(status, nullptr);
    return 0;
}

void KxGOraDatabase::ReportError(int32_t code, const char* message)
{
    if (message == nullptr) {
        error_->ReportStatus(errorHandle_, code, KxString::EmptyString(), trace_);
    } else {
        error_->ReportText(code, message, trace_);
    }
}

void KxGOraDatabase::ReportErrorOra(int32_t status, const KxString& statementText)
{
    error_->ReportStatus(errorHandle_, status, statementText, trace_);
}

// ---------------------------------------------------------------------------------------------------
// Connection

uint16_t KxGOraDatabase::AttachServer()
{
    return 1;
}

uint16_t KxGOraDatabase::IsSchemaOwner()
{
    return user_ == database_ ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------------
// Owned objects and factories

KxGOraDatabaseError* KxGOraDatabase::GetError()
{
    return error_.get();
}

KxGTypeHdlMgr* KxGOraDatabase::MakeTypeHdlMgr()
{
    return KxGMake<KxGOraTypeHdlMgr>(this);
}

KxGResourceMgr* KxGOraDatabase::CreateNestedTransaction(KxGTransactionContext* context)
{
    return KxGMake<KxGOraTransaction>(context);
}

KxGResourceMgr* KxGOraDatabase::CreateCompoundStatement(KxGTransactionContext* context)
{
    return KxGMake<KxGOraCompoundStatement>(context);
}

KxGLockService* KxGOraDatabase::CreateLockService(int32_t clientId)
{
    return KxGMake<KxGOraLockService>(this, clientId);
}

KxGStatementHdl* KxGOraDatabase::CreateStatementHdl(KxGStatementTemplate* statementTemplate)
{
    if (CheckHandles() == 0) {
        return nullptr;
    }
    std::unique_ptr<KxGOraStatementHdl> handle;
    try {
        handle = std::make_unique<KxGOraStatementHdl>(this, statementTemplate);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (statementTemplate != nullptr && statementTemplate->GetSelectTemplate() != nullptr) {
        handle->SetSelectFlag(1);
    }
    if (handle->IsPrepared() == 0) {
        return nullptr;
    }
    return handle.release();
}

// ---------------------------------------------------------------------------------------------------
// Names and settings

void KxGOraDatabase::SetUser(KxString* user)
{
    if (user != nullptr) {
        user_ = *user;
        user_.ToUpper();
    }
}

KxGDatabase* KxGOraDatabase::CloneConnection()
{
    try {
        return new KxGOraDatabase(CloneOf{*this});
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void KxGOraDatabase::SetRowNum(int32_t rows)
{
    rowNum_ = rows;
}

int32_t KxGOraDatabase::GetRowNum()
{
    return rowNum_;
}

// ---------------------------------------------------------------------------------------------------
// Descriptors and log-in data

int32_t KxGOraDatabase::AllocDescriptor(int32_t kind, uintptr_t* handle)
{
    if (CheckHandles() == 0) {
        return error_->ErrorCode();
    }
    if (handle == nullptr) {
        ReportError(OCI_INVALID_HANDLE, nullptr);
        return error_->ErrorCode();
    }
    void* descriptor = nullptr;
    sword status = OCIDescriptorAlloc(environment_, &descriptor, static_cast<ub4>(kind), 0, nullptr);
    if (status != OCI_SUCCESS) {
        ReportError(status, nullptr);
        return error_->ErrorCode();
    }
    if (kind == OCI_DTYPE_LOB) {
        status = OCIAttrSet(descriptor, OCI_DTYPE_LOB, nullptr, 0, OCI_ATTR_LOBEMPTY, errorHandle_);
        if (status != OCI_SUCCESS) {
            // The caller never sees the locator: free it before the report, which may throw.
            OCIDescriptorFree(descriptor, OCI_DTYPE_LOB);
            ReportError(status, nullptr);
            return error_->ErrorCode();
        }
    }
    *handle = reinterpret_cast<uintptr_t>(descriptor);
    return 0;
}

int32_t KxGOraDatabase::FreeDescriptor(int16_t kind, uintptr_t handle)
{
    const sword status = OCIDescriptorFree(reinterpret_cast<void*>(handle), static_cast<ub4>(kind));
    if (status != OCI_SUCCESS) {
        ReportError(status, nullptr);
        return error_->ErrorCode();
    }
    return 0;
}
