#include "KxGStatement.h"

#include "KxGDatabase.h"
#include "KxGMemoryLocation.h"
#include "KxGQueryCache.h"
#include "KxGSQLBuffer.h"
#include "KxGStatementHdl.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "KxGTypeHdl.h"

namespace {

uint32_t Rows(const KxGSQLBuffer& buffer)
{
    return buffer.GetRowCount() > 0 ? static_cast<uint32_t>(buffer.GetRowCount()) : 0u;
}

}  // namespace

// ---- KxGStatement -----------------------------------------------------------------------------------

KxGStatement::KxGStatement(KxGDatabase* database, KxGStatementTemplate* statementTemplate, uint16_t useCache)
    : template_(statementTemplate), database_(database)
{
    if (useCache != 0 && database_ != nullptr) {
        cache_ = database_->GetStatementHdlCache();
    }
}

KxGStatement::~KxGStatement()
{
    KxGStatement::Free();
    if (ownsTemplate_ != 0) {
        delete template_;
    }
}

uint16_t KxGStatement::Free()
{
    if (handle_ != nullptr) {
        KxGStatementHdl* handle = handle_;
        handle_ = nullptr;
        if (cache_ != nullptr) {
            handle->UnbindParams();
            rows_ = 0;
            const bool sameText = template_ != nullptr && template_->GetTemplateId() == handleTemplateId_;
            cache_->FreeStatementHdl(handle, sameText ? template_ : nullptr);
        } else {
            handle->Destroy(nullptr);
        }
    }
    rows_ = 0;
    return 1;
}

KxGStatementHdl* KxGStatement::GetStatementHdl()
{
    if (handle_ == nullptr && template_ != nullptr) {
        if (cache_ != nullptr) {
            handleTemplateId_ = template_->GetTemplateId();
            handle_ = cache_->AllocStatementHdl(template_);
        } else if (database_ != nullptr) {
            handle_ = database_->CreateStatementHdl(template_);
        }
    }
    return handle_;
}

uint16_t KxGStatement::BindParameter(KxGSQLBuffer* buffer, KxGMemoryLocation* location, int16_t position)
{
    KxGStatementHdl* handle = GetStatementHdl();
    if (handle == nullptr || buffer == nullptr || location == nullptr || position <= 0) {
        return 0;
    }
    KxGTypeHdl* typeHdl = location->GetTypeHdl();
    const int32_t bindSize = typeHdl != nullptr ? typeHdl->BindSize(location->GetValueSize()) : 0;
    if (handle->BindParameter(static_cast<uint16_t>(position), typeHdl, location->GetColumnSize(), 0, bindSize,
                              location->GetSQLAddress(*buffer), location->GetNullValueAddress(*buffer)) == 0) {
        return 0;
    }
    if (rows_ == 0) {
        rows_ = Rows(*buffer);
    }
    return 1;
}

uint16_t KxGStatement::Execute()
{
    KxGStatementHdl* handle = GetStatementHdl();
    if (handle == nullptr) {
        return 0;
    }
    return handle->Execute(rows_) != 0 ? 1 : 0;
}

uint16_t KxGStatement::UnbindParameters()
{
    if (handle_ == nullptr) {
        return 0;
    }
    rows_ = 0;
    return handle_->UnbindParams();
}

void KxGStatementList::ClearAll()
{
    for (uint32_t i = 0; i < Count(); ++i) {
        delete GetStatement(i);
    }
    Clear();
}

// ---- KxGStoreStatement ------------------------------------------------------------------------------

uint16_t KxGStoreStatement::GetNumAffectedRows(uint32_t& rows)
{
    rows = 0;
    KxGStatementHdl* handle = CurrentHdl();
    if (handle == nullptr) {
        return 0;
    }
    return handle->RowCount(rows) != 0 ? 1 : 0;
}

// ---- KxGSelectStatement -----------------------------------------------------------------------------

KxGSelectStatement::KxGSelectStatement(KxGDatabase* database, KxGSelectStatementTemplate* statementTemplate,
                                       uint16_t useCache, uint16_t)
    : KxGStatement(database, statementTemplate, useCache)
{
}

KxGSelectStatement::~KxGSelectStatement()
{
    KxGSelectStatement::Free();
}

uint16_t KxGSelectStatement::Free()
{
    if (KxGStatementHdl* handle = CurrentHdl()) {
        handle->CloseCursor();
        handle->UnbindResults();
        rowsPerFetch_ = 0;
    }
    return KxGStatement::Free();
}

uint16_t KxGSelectStatement::BindResult(KxGSQLBuffer* buffer, KxGMemoryLocation* location, int16_t column)
{
    KxGStatementHdl* handle = GetStatementHdl();
    if (handle == nullptr || buffer == nullptr || location == nullptr || column <= 0) {
        return 0;
    }
    if (handle->BindResult(static_cast<uint16_t>(column), location->GetTypeHdl(), location->GetValueSize(),
                           location->GetSQLAddress(*buffer), location->GetNullValueAddress(*buffer)) == 0) {
        return 0;
    }
    rowsPerFetch_ = Rows(*buffer);
    return 1;
}

uint16_t KxGSelectStatement::Fetch(uint32_t& rows)
{
    rows = rowsPerFetch_;
    KxGStatementHdl* handle = GetStatementHdl();
    if (handle == nullptr) {
        rows = 0;
        return 0;
    }
    return handle->Fetch(rows) != 0 ? 1 : 0;
}

uint16_t KxGSelectStatement::MoreResults(uint16_t& more)
{
    more = 0;
    KxGStatementHdl* handle = GetStatementHdl();
    if (handle == nullptr) {
        return 0;
    }
    return handle->MoreResults(more) != 0 ? 1 : 0;
}

uint16_t KxGSelectStatement::CloseCursor()
{
    KxGStatementHdl* handle = CurrentHdl();
    if (handle == nullptr) {
        return 0;
    }
    return handle->CloseCursor() != 0 ? 1 : 0;
}

// ---- KxGExtentStatement -----------------------------------------------------------------------------

KxGExtentStatement::KxGExtentStatement(KxGDatabase* database, KxGSelectStatementTemplate* statementTemplate,
                                       const KxClassId& classId)
    : KxGSelectStatement(database, statementTemplate, 1), selectTemplate_(statementTemplate), classId_(classId)
{
}

KxGExtentStatement::~KxGExtentStatement()
{
    // The handle goes back to the handle cache while the template still lives; only then is the
    // template handed back to the query cache, which may delete it (and the handles made for it).
    KxGSelectStatement::Free();
    SetOwnsTemplate(0);
    KxGStatementHdlCache* cache = GetStatementHdlCache();
    if (cache != nullptr && selectTemplate_ != nullptr) {
        cache->GetQueryCache()->CacheQueryTemplate(classId_, selectTemplate_);
    }
}

// ---- Binding a request's buffers --------------------------------------------------------------------

namespace {

// The member maps' parameters, in list order; the first non-zero result.
int32_t MemberParameters(KxGStatement& statement, KxGBindRequest& request, uint16_t& position)
{
    const uint32_t count = request.GetMemberMapBinderCount();
    for (uint32_t i = 0; i < count; ++i) {
        if (KxGMemberMapBinder* binder = request.GetMemberMapBinder(i)) {
            int32_t result = binder->BindParameters(statement, request, position);
            if (result != 0) {
                return result;
            }
        }
    }
    return 0;
}

int32_t MemberResults(KxGSelectStatement& statement, KxGBindRequest& request, uint16_t& column)
{
    const uint32_t count = request.GetMemberMapBinderCount();
    for (uint32_t i = 0; i < count; ++i) {
        if (KxGMemberMapBinder* binder = request.GetMemberMapBinder(i)) {
            int32_t result = binder->BindResults(statement, request, column);
            if (result != 0) {
                return result;
            }
        }
    }
    return 0;
}

int32_t ClassParameters(KxGStatement& statement, KxGBindRequest& request, uint16_t mode, uint16_t& position)
{
    KxGBufferMapBinder* binder = request.GetBufferMapBinder();
    return binder != nullptr ? binder->BindParameters(statement, request, mode, position) : 0;
}

int32_t ClassResults(KxGSelectStatement& statement, KxGBindRequest& request, uint16_t mode, uint16_t& column)
{
    KxGBufferMapBinder* binder = request.GetBufferMapBinder();
    return binder != nullptr ? binder->BindResults(statement, request, mode, column) : 0;
}

enum class BindKind { Insert, Update, Delete, Navigation, NavigationMany };

int32_t Bind(BindKind kind, KxGStatement* statement, KxGBindRequest* request)
{
    if (statement == nullptr || statement->GetStatementHdl() == nullptr) {
        return KXG_E_NO_STATEMENT_HANDLE;
    }
    if (request == nullptr || request->GetRowBuffer() == nullptr) {
        return 0;
    }
    KxGSQLBuffer& buffer = *request->GetRowBuffer();
    uint16_t position = 1;
    uint16_t column = 1;
    int32_t result = 0;
    switch (kind) {
    case BindKind::Insert:
        result = ClassParameters(*statement, *request, 255, position);
        if (result == 0) {
            result = MemberParameters(*statement, *request, position);
        }
        break;
    case BindKind::Update:
        result = MemberParameters(*statement, *request, position);
        if (result == 0) {
            result = ClassParameters(*statement, *request, 1, position);
        }
        break;
    case BindKind::Delete:
        result = ClassParameters(*statement, *request, 1, position);
        break;
    case BindKind::Navigation:
    case BindKind::NavigationMany: {
        auto* select = dynamic_cast<KxGSelectStatement*>(statement);
        if (select == nullptr) {
            return KXG_E_NO_STATEMENT_HANDLE;   // only a select statement has result bindings
        }
        if (kind == BindKind::Navigation) {
            result = ClassParameters(*select, *request, 1, position);
        }
        if (result == 0) {
            result = ClassResults(*select, *request, 255, column);
        }
        if (result == 0) {
            result = MemberResults(*select, *request, column);
        }
        const uint32_t fetchSize = request->GetFetchSize();
        select->SetRowsPerFetch(fetchSize != 0 ? fetchSize : Rows(buffer));
        return result;
    }
    }
    statement->SetRowCount(Rows(buffer));
    return result;
}

}  // namespace

int32_t KxGInsertStatementTemplate::BindBuffers(KxGStatement* statement, KxGBindRequest* request)
{
    return Bind(BindKind::Insert, statement, request);
}

int32_t KxGUpdateStatementTemplate::BindBuffers(KxGStatement* statement, KxGBindRequest* request)
{
    return Bind(BindKind::Update, statement, request);
}

int32_t KxGDeleteStatementTemplate::BindBuffers(KxGStatement* statement, KxGBindRequest* request)
{
    return Bind(BindKind::Delete, statement, request);
}

int32_t KxGNavigationStatementTemplate::BindBuffers(KxGStatement* statement, KxGBindRequest* request)
{
    return Bind(BindKind::Navigation, statement, request);
}

int32_t KxGNavigationManyStatementTemplate::BindBuffers(KxGStatement* statement, KxGBindRequest* request)
{
    return Bind(BindKind::NavigationMany, statement, request);
}
