// The fake adapter's rows, resource managers and requests.
#include "KxGFakeTxn.h"

#include <mutex>
#include <new>

#include "KxGFakeAdapter.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"

namespace {
std::mutex& RowsMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool g_replaying = false;

KxGFakeDatabase* FakeOf(const KxGResourceMgr& manager)
{
    return static_cast<KxGFakeDatabase*>(manager.GetDatabase());
}

KxGFakeDatabase* FakeOf(const KxGTransactionContext* context)
{
    return context != nullptr ? static_cast<KxGFakeDatabase*>(context->GetDatabase()) : nullptr;
}

constexpr int32_t kNoRowDeleted = 2017;
}  // namespace

// ---- rows ----------------------------------------------------------------------------------------

KxGFakeRows::Table& KxGFakeRows::Committed()
{
    static Table table;
    return table;
}

void KxGFakeRows::SetReplayingLevels(bool on)
{
    g_replaying = on;
}

bool KxGFakeRows::ReplayingLevels()
{
    return g_replaying;
}

void KxGFakeRows::Reset()
{
    std::lock_guard<std::mutex> lock(RowsMutex());
    Committed().clear();
    g_replaying = false;
}

uint64_t KxGFakeRows::Key(const KxObjId& id)
{
    return id.Get64();
}

std::optional<std::string> KxGFakeWork::Read(uint64_t key) const
{
    auto own = overlay_.find(key);
    if (own != overlay_.end()) {
        return own->second;
    }
    std::lock_guard<std::mutex> lock(RowsMutex());
    auto row = KxGFakeRows::Committed().find(key);
    if (row == KxGFakeRows::Committed().end()) {
        return std::nullopt;
    }
    return row->second;
}

bool KxGFakeWork::Erase(uint64_t key)
{
    if (!Read(key).has_value()) {
        return false;
    }
    overlay_[key] = std::nullopt;
    return true;
}

void KxGFakeWork::Commit()
{
    {
        std::lock_guard<std::mutex> lock(RowsMutex());
        for (const auto& [key, value] : overlay_) {
            if (value.has_value()) {
                KxGFakeRows::Committed()[key] = *value;
            } else {
                KxGFakeRows::Committed().erase(key);
            }
        }
    }
    overlay_.clear();
    savepoints_.clear();
}

bool KxGFakeWork::RollbackTo(const std::string& name)
{
    auto it = savepoints_.find(name);
    if (it == savepoints_.end()) {
        return false;
    }
    overlay_ = it->second;
    return true;
}

// ---- requests ------------------------------------------------------------------------------------

int32_t KxGFakeRequest::Execute()
{
    KxGFakeDatabase* database = FakeOf(GetContext());
    if (database == nullptr) {
        return KXG_E_RDBMS;
    }
    const int32_t scripted =
        database->StepAnswer("Execute", 0, std::to_string(GetOperation()) + "," + std::to_string(GetAliasCount()));
    if (scripted < 0) {
        return scripted;
    }
    int32_t result = 0;
    for (uint32_t i = 0; i < GetAliasCount(); ++i) {
        KxObjectAlias* alias = GetAlias(i);
        KxRef ref;
        alias->GetRef(ref);
        const uint64_t key = KxGFakeRows::Key(ref.GetObjId());
        switch (GetOperation()) {
        case KXG_OP_INSERT:
        case KXG_OP_UPDATE:
        case KXG_OP_REINSERT:
        case KXG_OP_WRITE_BACK: {
            auto* row = dynamic_cast<KxGFakeRowAlias*>(alias);
            if (row == nullptr) {
                return KX_ALIAS_E_NULL;
            }
            // As an UPDATE statement: a missing row stays missing (no row changed, no error).
            const bool update = GetOperation() == KXG_OP_UPDATE || GetOperation() == KXG_OP_WRITE_BACK;
            if (!update || database->Work().Read(key).has_value()) {
                database->Work().Write(key, row->Value());
            }
            break;
        }
        case KXG_OP_DELETE:
        case KXG_OP_DELETE_REPAIR:
            if (!database->Work().Erase(key) && result == 0) {
                result = kNoRowDeleted;
            }
            break;
        default:
            break;
        }
    }
    return result;
}

// ---- resource managers ---------------------------------------------------------------------------

uint16_t KxGFakeSPTransaction::SetSavepoint(int16_t level)
{
    KxGFakeDatabase* database = FakeOf(*this);
    if (database->Step("SetSavepoint", std::to_string(level)) == 0) {
        return 0;
    }
    database->Work().SetSavepoint("TXN_LEVEL_" + std::to_string(level));
    return 1;
}

uint16_t KxGFakeSPTransaction::RollbackToSavepoint(int16_t level)
{
    KxGFakeDatabase* database = FakeOf(*this);
    if (database->Step("RollbackToSavepoint", std::to_string(level)) == 0) {
        return 0;
    }
    return database->Work().RollbackTo("TXN_LEVEL_" + std::to_string(level)) ? 1 : 0;
}

KxObjectAlias* KxGFakeMRTransaction::MakeBeforeImage(KxObjectAlias* alias, int32_t& status)
{
    KxGFakeDatabase* database = FakeOf(*this);
    KxRef ref;
    alias->GetRef(ref);
    status = database->StepAnswer("MakeBeforeImage", 0, std::to_string(KxGFakeRows::Key(ref.GetObjId())));
    if (status < 0) {
        return nullptr;
    }
    const std::optional<std::string> value = database->Work().Read(KxGFakeRows::Key(ref.GetObjId()));
    if (!value.has_value()) {
        status = KXG_E_RDBMS;
        return nullptr;
    }
    return new (std::nothrow) KxGFakeRowAlias(ref, *value);
}

KxGRequest* KxGFakeMRTransaction::MakeRequest(KxGClassMap*, const KxClassId& classId, int32_t operation)
{
    return new (std::nothrow) KxGFakeRequest(GetContext(), classId, operation);
}

uint16_t KxGFakeCompoundStatement::BeginCompound()
{
    KxGFakeDatabase* database = FakeOf(*this);
    if (database->Step("BeginCompound", std::to_string(GetLevel())) == 0) {
        return 0;
    }
    if (GetLevel() != 1) {
        database->Work().SetSavepoint("COMPOUND_SAVEPOINT");
    }
    return 1;
}

uint16_t KxGFakeCompoundStatement::EndCompound(uint16_t ok)
{
    KxGFakeDatabase* database = FakeOf(*this);
    if (database->Step("EndCompound", std::to_string(GetLevel()) + "," + std::to_string(ok)) == 0) {
        return 0;
    }
    if (GetLevel() == 1) {
        return ok != 0 ? database->CommitConnection() : database->RollbackConnection();
    }
    if (ok == 0) {
        return database->Work().RollbackTo("COMPOUND_SAVEPOINT") ? 1 : 0;
    }
    return 1;
}

KxGRequest* KxGFakeCompoundStatement::MakeRequest(KxGClassMap*, const KxClassId& classId, int32_t operation)
{
    return new (std::nothrow) KxGFakeRequest(GetContext(), classId, operation);
}

KxGResourceMgr* KxGFakeMakeResourceMgr(KxGFakeDatabase*, int32_t kind, KxGTransactionContext* context)
{
    if (kind == KXG_RESOURCE_COMPOUND_STATEMENT) {
        return new (std::nothrow) KxGFakeCompoundStatement(context);
    }
    if (kind != KXG_RESOURCE_TRANSACTION) {
        return nullptr;
    }
    if (context == nullptr || context->GetLevel() < 2) {
        return new (std::nothrow) KxGTransaction(context);
    }
    if (KxGFakeRows::ReplayingLevels()) {
        return new (std::nothrow) KxGFakeMRTransaction(context);
    }
    return new (std::nothrow) KxGFakeSPTransaction(context);
}
