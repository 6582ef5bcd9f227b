// The relational lock service: server locks as rows of LOCKS.
#include "KxGGenericLockService.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <string>

#include "KxGDatabase.h"
#include "KxGLockSection.h"
#include "../KxGModuleTrace.h"
#include "KxGSchemaConstants.h"
#include "KxGSqlNames.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGStatusReport.h"
#include "KxGTypeHdl.h"
#include "kxthreads.h"

namespace {

// Kernel type code of the client id read from LOCKS (unsigned 32-bit).
constexpr int32_t kClientIdType = 6;

// Whether the schema name may be pasted into the statements, within the product's length for schema
// names (when it gives one).
bool IsSchemaIdentifier(const KxString& name, KxGDatabase& database)
{
    KxGDatabaseInfo* info = database.GetDatabaseInfo();
    return KxGIsPlainIdentifier(name, info != nullptr ? info->GetMaxNameLength(2) : 0);
}

}  // namespace

KxGGenericLockService::KxGGenericLockService(KxGDatabase* database, int32_t clientId)
    : KxGLocalLockService(database), clientId_(clientId)
{
    KxGTypeHdl* objectIdHdl = database->GetTypeHdl(KXG_TYPE_OID, 0, 0);
    KxGTypeHdl* lockModeHdl = database->GetTypeHdl(KXG_TYPE_USHORT, 0, 0);
    if (objectIdHdl == nullptr || lockModeHdl == nullptr) {
        creationError_ = KXG_E_INVALID_PARAMETER;
        return;
    }
    objectIdLocation_.reset(KxGMake<KxGMemoryLocation>(objectIdHdl, &objectId_, true));
    lockModeLocation_.reset(KxGMake<KxGMemoryLocation>(lockModeHdl, &lockMode_, true));
    if (!objectIdLocation_ || !lockModeLocation_) {
        creationError_ = KXG_E_NO_MEMORY;
        return;
    }
    objectIdLocation_->JoinBuffer(parameters_);
    lockModeLocation_->JoinBuffer(parameters_);

    KxString schema;
    database->GetSchemaName(&schema);
    if (!IsSchemaIdentifier(schema, *database)) {
        creationError_ = KXG_E_INVALID_DATABASE_NAME;
        const std::string detail = ": '" + schema.ToUtf8() + "' cannot qualify the lock tables";
        database->SetUserError(creationError_, detail.c_str());
        return;
    }
    const KxString& locks = KxGSchemaConstants::GetLocksTable();
    const KxString& clients = KxGSchemaConstants::GetActiveClientsTable();
    KxString insert("INSERT INTO ");
    insert << schema << "." << locks << " (OID, LOCKMODE, CLIENTID) VALUES ( ?, ?," << clientId << " )";
    KxString remove("DELETE FROM ");
    remove << schema << "." << locks << " WHERE OID = ? AND LOCKMODE = ? AND CLIENTID = " << clientId;
    KxString select("SELECT DISTINCT LOCKMODE, L.CLIENTID, USERID FROM ");
    select << schema << "." << locks << " L, " << schema << "." << clients
           << " C WHERE OID = ? AND L.CLIENTID = C.CLIENTID";
    ReplaceStatements(KxGMake<KxGInsertStatementTemplate>(insert), KxGMake<KxGDeleteStatementTemplate>(remove),
                      KxGMake<KxGSelectStatementTemplate>(select));
    if (!insert_ || !delete_ || !select_) {
        creationError_ = KXG_E_NO_MEMORY;
    }
}

KxGGenericLockService::~KxGGenericLockService()
{
    // The statements give their handles back before the templates go.
    select_.reset();
    delete_.reset();
    insert_.reset();
}

int32_t KxGGenericLockService::GetCreationError()
{
    return creationError_;
}

const KxGStatementTemplate* KxGGenericLockService::GetSelectTemplate() const
{
    return selectTemplate_.get();
}

void KxGGenericLockService::ReplaceStatements(KxGStatementTemplate* insertTemplate,
                                              KxGStatementTemplate* deleteTemplate,
                                              KxGSelectStatementTemplate* selectTemplate)
{
    KxGDatabase* database = GetDatabase();
    auto store = [database](std::unique_ptr<KxGStoreStatement>& statement,
                            std::unique_ptr<KxGStatementTemplate>& held, KxGStatementTemplate* given) {
        if (given == nullptr) {
            return;
        }
        statement.reset();
        held.reset(given);
        KxGStatement* made = held->CreateStatement(database);
        statement.reset(dynamic_cast<KxGStoreStatement*>(made));
        if (!statement) {
            delete made;
        }
    };
    store(insert_, insertTemplate_, insertTemplate);
    store(delete_, deleteTemplate_, deleteTemplate);
    if (selectTemplate != nullptr) {
        select_.reset();
        selectTemplate_.reset(selectTemplate);
        KxGStatement* made = selectTemplate_->CreateStatement(database);
        select_.reset(dynamic_cast<KxGSelectStatement*>(made));
        if (!select_) {
            delete made;
        }
    }
}

uint16_t KxGGenericLockService::BindParameter(KxGStatement* statement)
{
    if (statement == nullptr || !objectIdLocation_ || !lockModeLocation_) {
        return 0;
    }
    statement->UnbindParameters();
    if (statement->BindParameter(&parameters_, objectIdLocation_.get(), 1) == 0 ||
        statement->BindParameter(&parameters_, lockModeLocation_.get(), 2) == 0) {
        return 0;
    }
    return 1;
}

bool KxGGenericLockService::FillRow(int32_t row, const KxObjId& id, uint16_t mode)
{
    KxGContext context(GetDatabase());
    parameters_.SetCurrentRow(row);
    objectId_ = id;
    lockMode_ = mode;
    return objectIdLocation_->Variable2SQLBuffer(parameters_, &context) != nullptr &&
           lockModeLocation_->Variable2SQLBuffer(parameters_, &context) != nullptr;
}

bool KxGGenericLockService::FillRows(const KxRefList& refs, size_t first, size_t rows, uint16_t mode)
{
    if (!objectIdLocation_ || rows == 0 || first + rows > refs.size() || rows > size_t(std::numeric_limits<int32_t>::max())) {
        return false;
    }
    parameters_.Allocate(static_cast<int32_t>(rows));
    if (parameters_.GetRowCount() != static_cast<int32_t>(rows)) {
        return false;
    }
    for (size_t r = 0; r < rows; ++r) {
        if (!FillRow(static_cast<int32_t>(r), refs[first + r].GetObjId(), mode)) {
            return false;
        }
    }
    parameters_.SetCurrentRow(0);
    return true;
}

bool KxGGenericLockService::FillRows(const KxGLockRequestList& requests, uint32_t first, uint32_t rows)
{
    if (!objectIdLocation_ || rows == 0 || rows > uint32_t(std::numeric_limits<int32_t>::max()) ||
        first + rows > requests.Count()) {
        return false;
    }
    parameters_.Allocate(static_cast<int32_t>(rows));
    if (parameters_.GetRowCount() != static_cast<int32_t>(rows)) {
        return false;
    }
    for (uint32_t r = 0; r < rows; ++r) {
        const KxGLockRequest& request = requests.GetRequest(first + r);
        if (!FillRow(static_cast<int32_t>(r), request.ref.GetObjId(), request.mode)) {
            return false;
        }
    }
    parameters_.SetCurrentRow(0);
    return true;
}

bool KxGGenericLockService::Run(KxGStoreStatement* statement, bool checkRows)
{
    if (statement == nullptr || BindParameter(statement) == 0 || statement->Execute() == 0) {
        return false;
    }
    if (!checkRows) {
        return true;
    }
    uint32_t rows = 0;
    return statement->GetNumAffectedRows(rows) != 0 && rows >= statement->GetRowCount() && rows > 0;
}

bool KxGGenericLockService::Finish(bool success)
{
    KxGDatabase* database = GetDatabase();
    if (success && database->CommitConnection() != 0) {
        return true;
    }
    database->RollbackConnection();
    return false;
}

int32_t KxGGenericLockService::ErrorCode() const
{
    KxGDatabaseError* error = GetDatabase()->GetError();
    const int32_t code = error != nullptr ? error->ErrorCode() : 0;
    return code < 0 ? code : KXG_E_RDBMS;
}

int32_t KxGGenericLockService::RefusalStatus() const
{
    KxGDatabaseError* error = GetDatabase()->GetError();
    if (error == nullptr || error->HasError() == 0 || error->IsDeadlock() != 0) {
        return KXG_E_LOCK_REFUSED;   // nothing written, or the server's lock contention
    }
    const int32_t code = error->ErrorCode();
    return code == KXG_E_LOCK_REFUSED ? code : KxGNoteServerError(GetDatabase(), ErrorCode());
}

void KxGGenericLockService::ClearError()
{
    if (KxGDatabaseError* error = GetDatabase()->GetError()) {
        error->Clear();
    }
}

int32_t KxGGenericLockService::AcquireServerLock(const KxGLockRequest& request, uint32_t /*lockNumber*/)
{
    KxGConnectionSection section(GetConnectionMutex());
    KxGLockTraceTag tag(GetDatabase(), "AcquireServerLock");
    const KxRefList one{request.ref};
    ClearError();
    const bool inserted = FillRows(one, 0, 1, request.mode) && Run(insert_.get(), true);
    const int32_t refused = inserted ? 0 : RefusalStatus();
    if (Finish(inserted)) {
        return 0;
    }
    tag.Write("lock not acquired");
    return refused != 0 ? refused : RefusalStatus();
}

int32_t KxGGenericLockService::ReleaseServerLock(const KxGLockRequest& request, uint32_t /*lockNumber*/)
{
    KxGConnectionSection section(GetConnectionMutex());
    KxGLockTraceTag tag(GetDatabase(), "ReleaseServerLock");
    const KxRefList one{request.ref};
    if (Finish(FillRows(one, 0, 1, request.mode) && Run(delete_.get(), false))) {
        return 0;
    }
    tag.Write("lock not released");
    return KXG_E_NO_ROW_DELETED;
}

int32_t KxGGenericLockService::AcquireServerLocks(uint16_t mode, const KxRefList& refs,
                                                  KxGTransactionContext* /*context*/)
{
    KxGConnectionSection section(GetConnectionMutex());
    KxGLockTraceTag tag(GetDatabase(), "AcquireServerLocks");
    tag.Write("Number of locks " + std::to_string(refs.size()) + " LockMode " + std::to_string(mode));
    if (refs.empty()) {
        return 0;
    }
    ClearError();
    const bool inserted = FillRows(refs, 0, refs.size(), mode) && Run(insert_.get(), true);
    const int32_t refused = inserted ? 0 : RefusalStatus();
    if (Finish(inserted)) {
        return 0;
    }
    tag.Write("locks not acquired");
    return refused != 0 ? refused : RefusalStatus();
}

int32_t KxGGenericLockService::ReleaseServerLocks(const KxGLockRequestList& requests,
                                                  KxGTransactionContext* /*context*/)
{
    KxGConnectionSection section(GetConnectionMutex());
    if (requests.Count() == 0) {
        return 0;
    }
    KxGLockTraceTag tag(GetDatabase(), "ReleaseServerLocks");
    for (uint32_t first = 0; first < requests.Count(); first += kReleaseBatch) {
        const uint32_t rows = std::min<uint32_t>(kReleaseBatch, requests.Count() - first);
        tag.Write("Number of locks " + std::to_string(rows));
        // A delete that found no row still counts: the row may be gone already.
        if (!FillRows(requests, first, rows) || !Run(delete_.get(), false)) {
            tag.Write(" execute release lock failed");
            GetDatabase()->RollbackConnection();
            return KXG_E_NO_ROW_DELETED;
        }
    }
    if (!Finish(true)) {
        tag.Write("commit failed");
        return KXG_E_NO_ROW_DELETED;
    }
    return 0;
}

int32_t KxGGenericLockService::GetLockList(const KxRef& ref, KxGLockHolderList& list)
{
    // The parameter rows and the connection are shared with the other operations.
    KxGLockSection section("KxGGenericLockService::GetLockList", GetThreadMgr(), GetConnectionMutex());
    KxGDatabase* database = GetDatabase();
    KxGSelectStatement* select = select_.get();
    if (select == nullptr || !objectIdLocation_) {
        return creationError_ != 0 ? creationError_ : KXG_E_NO_STATEMENT_HANDLE;
    }
    parameters_.Allocate(1);
    if (parameters_.GetRowCount() != 1) {
        return KXG_E_NO_MEMORY;
    }
    if (!FillRow(0, ref.GetObjId(), 0)) {
        return KXG_E_INVALID_PARAMETER;
    }
    parameters_.SetCurrentRow(0);
    select->UnbindParameters();
    if (select->BindParameter(&parameters_, objectIdLocation_.get(), 1) == 0) {
        const int32_t status = ErrorCode();
        select->Free();
        return status;
    }
    if (select->Execute() == 0) {
        const int32_t status = ErrorCode();
        select->Free();
        return status;
    }

    uint16_t mode = 0;
    uint32_t clientId = 0;
    KxString userId;
    KxGTypeHdl* modeHdl = database->GetTypeHdl(KXG_TYPE_USHORT, 0, 0);
    KxGTypeHdl* clientHdl = database->GetTypeHdl(kClientIdType, 0, 0);
    KxGTypeHdl* userHdl = database->GetTypeHdl(KXG_TYPE_STRING, 0, 0);
    if (modeHdl == nullptr || clientHdl == nullptr || userHdl == nullptr) {
        select->Free();
        return KXG_E_INVALID_PARAMETER;
    }
    KxGMemoryLocation modeLocation(modeHdl, &mode, true);
    KxGMemoryLocation clientLocation(clientHdl, &clientId, true);
    KxGMemoryLocation userLocation(userHdl, &userId, true);
    userLocation.SetSQLSize(kUserIdSize);
    KxGSQLBuffer results;
    modeLocation.JoinBuffer(results);
    clientLocation.JoinBuffer(results);
    userLocation.JoinBuffer(results);
    results.Allocate(1);
    if (results.GetRowCount() != 1) {
        select->Free();
        return KXG_E_NO_MEMORY;
    }
    if (select->BindResult(&results, &modeLocation, 1) == 0 || select->BindResult(&results, &clientLocation, 2) == 0 ||
        select->BindResult(&results, &userLocation, 3) == 0) {
        const int32_t status = ErrorCode();
        select->Free();
        return status;
    }
    KxGContext context(database);
    int32_t status = 0;
    for (;;) {
        uint32_t rows = 0;
        if (select->Fetch(rows) == 0) {
            status = ErrorCode();
            break;
        }
        if (rows == 0) {
            break;
        }
        results.SetCurrentRow(0);
        modeLocation.SQLBuffer2Variable(results, &context);
        clientLocation.SQLBuffer2Variable(results, &context);
        userLocation.SQLBuffer2Variable(results, &context);
        KxGLockHolder holder;
        holder.clientId = static_cast<int32_t>(clientId);
        holder.mode = mode;
        holder.userId = userId;
        status = list.Append(holder);
        if (status != 0) {
            break;
        }
    }
    select->Free();
    return status;
}
