// The Oracle lock service: server locks through the lock procedure, with PL/SQL tables.
#include "KxGOraLockService.h"

#include <cstdint>
#include <limits>
#include <string>

#include "KxGDatabaseTrace.h"
#include "KxGOraDatabase.h"
#include "KxGOraStatementHdl.h"
#include "KxGSqlNames.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"

namespace {

// A tag of the lock module (CM) whose text is written as one record.
class LockTag : public KxTraceTag {
public:
    LockTag(KxGDatabase* database, const char* name) : KxTraceTag(database->GetTrace(KXG_TRACE_CM), name) {}

    void Write(const std::string& text)
    {
        KxGDatabaseTrace* trace = GetTrace();
        if (trace == nullptr) {
            return;
        }
        trace->BeginCriticalSection();
        trace->SetEscape(1);
        *trace << text.c_str() << '\n';
        trace->SetEscape(0);
        trace->EndCriticalSection();
    }
};

}  // namespace

KxGOraLockService::KxGOraLockService(KxGOraDatabase* database, int32_t clientId)
    : KxGGenericLockService(database, clientId)
{
    // A service that cannot work (schema name, type handles) keeps the generic statements' absence
    // and its creation error; nothing is built on top of it.
    if (KxGGenericLockService::GetCreationError() != 0) {
        return;
    }
    KxGTypeHdl* countHdl = database->GetTypeHdl(kCountType, 0, 0);
    if (countHdl == nullptr) {
        creationError_ = KXG_E_INVALID_PARAMETER;
        return;
    }
    countLocation_.reset(KxGMake<KxGMemoryLocation>(countHdl, &lockCount_, false));
    if (!countLocation_) {
        creationError_ = KXG_E_NO_MEMORY;
        return;
    }
    countLocation_->JoinBuffer(countRow_);

    // The schema name passed the generic service's identifier check.
    KxString schema;
    database->GetSchemaName(&schema);
    KxString acquire("BEGIN ");
    acquire << schema << ".ACQUIRE_LOCK( " << clientId << ", :1, :oid_list, :lock_list ); END;";
    KxString release("DELETE FROM ");
    release << schema << ".LOCKS WHERE OID = :1 AND LOCKMODE = :2 AND CLIENTID = " << clientId;
    KxString holders("SELECT DISTINCT LOCKMODE, L.CLIENTID, USERID FROM ");
    holders << schema << ".LOCKS L, " << schema << ".ACTIVECLIENTS C WHERE OID = :1 AND L.CLIENTID = C.CLIENTID";
    auto* acquireTemplate = KxGMake<KxGInsertStatementTemplate>(acquire);
    auto* releaseTemplate = KxGMake<KxGDeleteStatementTemplate>(release);
    auto* holdersTemplate = KxGMake<KxGSelectStatementTemplate>(holders);
    if (acquireTemplate == nullptr || releaseTemplate == nullptr || holdersTemplate == nullptr) {
        delete acquireTemplate;
        delete releaseTemplate;
        delete holdersTemplate;
        creationError_ = KXG_E_NO_MEMORY;
        return;
    }
    ReplaceStatements(acquireTemplate, releaseTemplate, holdersTemplate);
    if (GetInsertStatement() == nullptr || GetDeleteStatement() == nullptr || GetSelectStatement() == nullptr) {
        creationError_ = KXG_E_NO_MEMORY;
    }
}

KxGOraLockService::~KxGOraLockService() = default;

int32_t KxGOraLockService::GetCreationError()
{
    const int32_t error = KxGGenericLockService::GetCreationError();
    return error != 0 ? error : creationError_;
}

uint16_t KxGOraLockService::BindAcquire(KxGStatement* statement)
{
    if (statement == nullptr || !countLocation_) {
        return 0;
    }
    statement->UnbindParameters();
    auto* handle = dynamic_cast<KxGOraStatementHdl*>(statement->GetStatementHdl());
    if (handle == nullptr || lockCount_ <= 0) {
        return 0;
    }
    // The count: one row, bound by position (this makes the statement execute once).
    countRow_.Allocate(1);
    countRow_.SetCurrentRow(0);
    KxGContext context(GetDatabase());
    if (countRow_.GetRowCount() != 1 || countLocation_->Variable2SQLBuffer(countRow_, &context) == nullptr ||
        statement->BindParameter(&countRow_, countLocation_.get(), 1) == 0) {
        return 0;
    }
    // The tables: the columns of the parameter rows from row 0 on, lockCount_ elements each.
    KxGSQLBuffer& rows = GetParameterBuffer();
    if (rows.GetRowCount() < lockCount_) {
        return 0;
    }
    rows.SetCurrentRow(0);
    auto table = [&](const char* name, KxGMemoryLocation* location, uint32_t& elements) {
        KxGTypeHdl* typeHdl = location != nullptr ? location->GetTypeHdl() : nullptr;
        if (typeHdl == nullptr) {
            return false;
        }
        elements = static_cast<uint32_t>(lockCount_);
        return handle->BindParameterByName(KxString(name), typeHdl, 0, &elements,
                                           typeHdl->BindSize(location->GetValueSize()),
                                           location->GetSQLAddress(rows), location->GetNullValueAddress(rows)) != 0;
    };
    if (!table(":oid_list", GetObjectIdLocation(), oidElements_) ||
        !table(":lock_list", GetLockModeLocation(), modeElements_)) {
        return 0;
    }
    return 1;
}

bool KxGOraLockService::RunAcquire(const KxRefList& refs, uint16_t mode)
{
    KxGStoreStatement* statement = GetInsertStatement();
    if (BindAcquire(statement) == 0 || statement->Execute() == 0) {
        return false;
    }
    uint32_t rows = 0;
    if (statement->GetNumAffectedRows(rows) != 0 && rows > 0) {
        return true;
    }
    // The procedure ran and commits its rows: whatever it wrote goes again.
    KxGLockRequestList written;
    for (const KxRef& ref : refs) {
        if (written.Append({nullptr, ref, mode}) != 0) {
            break;
        }
    }
    ReleaseServerLocks(written, nullptr);
    return false;
}

int32_t KxGOraLockService::AcquireServerLock(const KxGLockRequest& request, uint32_t /*lockNumber*/)
{
    KxGConnectionSection section(GetConnectionMutex());
    LockTag tag(GetDatabase(), "AcquireLockInDB");
    tag.Write("OID = " + std::to_string(request.ref.GetObjId().Get64()) + " LockMode " +
              std::to_string(request.mode));
    lockCount_ = 1;
    CurrentObjectId() = request.ref.GetObjId();
    CurrentLockMode() = request.mode;
    const KxRefList one{request.ref};
    ClearError();
    if (FillRows(one, 0, 1, request.mode) && RunAcquire(one, request.mode)) {
        return 0;
    }
    tag.Write("lock not acquired");
    return RefusalStatus();
}

int32_t KxGOraLockService::AcquireServerLocks(uint16_t mode, const KxRefList& refs,
                                              KxGTransactionContext* /*context*/)
{
    KxGConnectionSection section(GetConnectionMutex());
    LockTag tag(GetDatabase(), "AcquireLocksInDB");
    tag.Write("number of locks " + std::to_string(refs.size()) + " LockMode " + std::to_string(mode));
    if (refs.empty() || refs.size() > size_t(std::numeric_limits<int32_t>::max())) {
        tag.Write("lock not acquired");
        return KXG_E_LOCK_REFUSED;
    }
    lockCount_ = static_cast<int32_t>(refs.size());
    CurrentLockMode() = mode;
    ClearError();
    if (FillRows(refs, 0, refs.size(), mode) && RunAcquire(refs, mode)) {
        return 0;
    }
    tag.Write("lock not acquired");
    return RefusalStatus();
}
