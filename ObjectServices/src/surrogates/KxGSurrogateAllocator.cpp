// Surrogate allocation: blocks of object ids from the counter row of SURROGATES.
#include "KxGSurrogates.h"

#include <memory>
#include <new>
#include <string>
#include <utility>

#include "KxGColumn.h"
#include "KxGCondition.h"
#include "KxGDatabase.h"
#include "KxGMemoryLocation.h"
#include "KxGProjection.h"
#include "KxGSQLBuffer.h"
#include "KxGSchemaConstants.h"
#include "KxGSqlNames.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"

namespace {

// Kernel type code of the counter row's key as it is bound (a 32-bit integer).
constexpr int32_t kKeyType = KXG_TYPE_INT;

const KxString& SerialColumn()
{
    static const KxString name("SERIAL_ID");
    return name;
}

const KxString& IdColumn()
{
    static const KxString name("ID");
    return name;
}

// Whether the schema name may qualify the table in the statements, within the product's length for
// schema names (when it gives one).
bool IsSchemaIdentifier(const std::string& text, KxGDatabaseInfo& info)
{
    return KxGIsPlainIdentifier(text, info.GetMaxNameLength(2));
}

}  // namespace

// The buffers and locations the statements bind: the key, the new and the expected counter as
// parameters, the stored counter as the read's result.
struct KxGSurrogateAllocator::Counter {
    int32_t key = kCounterRow;
    KxObjId newValue;
    KxObjId expected;
    KxObjId stored;
    KxGSQLBuffer readParameters;
    KxGSQLBuffer readResult;
    KxGSQLBuffer updateParameters;
    std::unique_ptr<KxGMemoryLocation> readKey;
    std::unique_ptr<KxGMemoryLocation> storedValue;
    std::unique_ptr<KxGMemoryLocation> newLocation;
    std::unique_ptr<KxGMemoryLocation> updateKey;
    std::unique_ptr<KxGMemoryLocation> expectedLocation;
};

KxGSurrogateAllocator::KxGSurrogateAllocator(KxGDatabase* database)
    : database_(database), mutex_(KxGConnectionLock::Of(database))
{
    KxGDatabaseInfo* info = database_ != nullptr ? database_->GetDatabaseInfo() : nullptr;
    if (info == nullptr) {
        creationError_ = KXG_E_INVALID_PARAMETER;
        return;
    }
    KxString schemaName;
    database_->GetSchemaName(&schemaName);
    const std::string schema = schemaName.ToUtf8();
    // A product that does not qualify its table names (no schema length) takes the bare name.
    const bool qualified = info->GetMaxNameLength(2) > 0;
    if (qualified && !IsSchemaIdentifier(schema, *info)) {
        creationError_ = KXG_E_INVALID_DATABASE_NAME;
        const std::string detail = ": '" + schema + "' cannot qualify the surrogate table";
        database_->SetUserError(creationError_, detail.c_str());
        return;
    }
    const KxGTable table(KxGSchemaConstants::GetSurrogatesTable(), qualified ? schemaName : KxString());
    const KxGColumn serial(SerialColumn(), KXG_TYPE_OID);
    const KxGColumn id(IdColumn(), kKeyType);

    KxGProjection read(table);
    read.AddColumn(serial);
    KxGCondition readCondition;
    readCondition.AddCondition(id, KXG_OP_EQ, info->GetParameterMarker(1), 0);
    readTemplate_.reset(KxGMake<KxGSelectStatementTemplate>(read, readCondition, *info));

    KxGExtendedProjection update(table);
    update.AddColumn(serial);
    KxGCondition updateCondition;
    updateCondition.AddCondition(id, KXG_OP_EQ, info->GetParameterMarker(2), 0);
    updateCondition.AddCondition(serial, KXG_OP_EQ, info->GetParameterMarker(3), 0);
    updateTemplate_.reset(KxGMake<KxGUpdateStatementTemplate>(update, updateCondition, *info));

    counter_.reset(KxGMake<Counter>());
    if (!readTemplate_ || !updateTemplate_ || !counter_) {
        creationError_ = KXG_E_NO_MEMORY;
        return;
    }
    KxGTypeHdl* oidHdl = database_->GetTypeHdl(KXG_TYPE_OID, 0, 0);
    KxGTypeHdl* keyHdl = database_->GetTypeHdl(kKeyType, 0, 0);
    if (oidHdl == nullptr || keyHdl == nullptr) {
        creationError_ = KXG_E_INVALID_PARAMETER;
        return;
    }
    Counter& c = *counter_;
    c.readKey.reset(KxGMake<KxGMemoryLocation>(keyHdl, &c.key, false));
    c.storedValue.reset(KxGMake<KxGMemoryLocation>(oidHdl, &c.stored, true));
    c.newLocation.reset(KxGMake<KxGMemoryLocation>(oidHdl, &c.newValue, false));
    c.updateKey.reset(KxGMake<KxGMemoryLocation>(keyHdl, &c.key, false));
    c.expectedLocation.reset(KxGMake<KxGMemoryLocation>(oidHdl, &c.expected, false));
    if (!c.readKey || !c.storedValue || !c.newLocation || !c.updateKey || !c.expectedLocation) {
        creationError_ = KXG_E_NO_MEMORY;
        return;
    }
    c.readKey->JoinBuffer(c.readParameters);
    c.storedValue->JoinBuffer(c.readResult);
    c.newLocation->JoinBuffer(c.updateParameters);
    c.updateKey->JoinBuffer(c.updateParameters);
    c.expectedLocation->JoinBuffer(c.updateParameters);
    c.readParameters.Allocate(1);
    c.readResult.Allocate(1);
    c.updateParameters.Allocate(1);
    if (c.readParameters.GetRowCount() != 1 || c.readResult.GetRowCount() != 1 ||
        c.updateParameters.GetRowCount() != 1) {
        creationError_ = KXG_E_NO_MEMORY;
    }
}

KxGSurrogateAllocator::~KxGSurrogateAllocator() = default;

const KxGStatementTemplate* KxGSurrogateAllocator::GetReadTemplate() const
{
    return readTemplate_.get();
}

bool KxGSurrogateAllocator::ReadCounter(bool& found, KxObjId& value)
{
    found = false;
    Counter& c = *counter_;
    KxGContext context(database_);
    c.readParameters.SetCurrentRow(0);
    c.readResult.SetCurrentRow(0);
    c.key = kCounterRow;
    if (c.readKey->Variable2SQLBuffer(c.readParameters, &context) == nullptr) {
        return false;
    }
    std::unique_ptr<KxGStatement> made(readTemplate_->CreateStatement(database_));
    auto* select = dynamic_cast<KxGSelectStatement*>(made.get());
    if (select == nullptr) {
        return false;
    }
    bool ok = select->BindParameter(&c.readParameters, c.readKey.get(), 1) != 0 && select->Execute() != 0 &&
              select->BindResult(&c.readResult, c.storedValue.get(), 1) != 0;
    uint32_t rows = 0;
    ok = ok && select->Fetch(rows) != 0;
    if (ok && rows >= 1) {
        c.readResult.SetCurrentRow(0);
        c.stored = KxObjId();
        ok = c.storedValue->SQLBuffer2Variable(c.readResult, &context) != nullptr;
        found = ok;
        value = c.stored;
    }
    select->Free();
    return ok;
}

bool KxGSurrogateAllocator::UpdateCounter(const KxObjId& newValue, const KxObjId& expected, bool& changed)
{
    changed = false;
    Counter& c = *counter_;
    KxGContext context(database_);
    c.updateParameters.SetCurrentRow(0);
    c.newValue = newValue;
    c.key = kCounterRow;
    c.expected = expected;
    if (c.newLocation->Variable2SQLBuffer(c.updateParameters, &context) == nullptr ||
        c.updateKey->Variable2SQLBuffer(c.updateParameters, &context) == nullptr ||
        c.expectedLocation->Variable2SQLBuffer(c.updateParameters, &context) == nullptr) {
        return false;
    }
    std::unique_ptr<KxGStatement> made(updateTemplate_->CreateStatement(database_));
    auto* update = dynamic_cast<KxGStoreStatement*>(made.get());
    if (update == nullptr) {
        return false;
    }
    if (update->BindParameter(&c.updateParameters, c.newLocation.get(), 1) == 0 ||
        update->BindParameter(&c.updateParameters, c.updateKey.get(), 2) == 0 ||
        update->BindParameter(&c.updateParameters, c.expectedLocation.get(), 3) == 0 ||
        update->Execute() == 0) {
        update->Free();
        database_->RollbackConnection();
        return false;
    }
    uint32_t rows = 0;
    const bool counted = update->GetNumAffectedRows(rows) != 0;
    update->Free();
    if (!counted || database_->CommitConnection() == 0) {
        database_->RollbackConnection();
        return false;
    }
    changed = rows > 0;
    return true;
}

uint16_t KxGSurrogateAllocator::Fetch(KxObjId& id, int32_t count)
{
    if (creationError_ != 0 || count < 1) {
        return 0;
    }
    KxGConnectionSection section(mutex_);
    KxGTypeHdlMgr* types = database_->GetTypeHdlMgr();
    const bool wide = types != nullptr && (types->GetFlags() & KXG_TYPEMGR_OID48_IN_USE) != 0;
    KxObjId stored;
    for (int32_t attempt = 0; attempt < kMaxAttempts; ++attempt) {
        bool found = false;
        if (!ReadCounter(found, stored) || !found) {
            return 0;
        }
        KxObjId next = id < stored ? stored : id;
        next.SetOrigin(0);
        // Past 48 bits, or past 32 bits while 48-bit ids are not in use: no block.
        if (next.Add(count) != 0 || (next.GetHigh() != 0 && !wide)) {
            return 0;
        }
        bool changed = false;
        if (!UpdateCounter(next, stored, changed)) {
            return 0;
        }
        if (changed) {
            if (id < stored) {
                id.SetLow(stored.GetLow());
                id.SetHigh(stored.GetHigh());
            }
            return 1;
        }
        // Another client moved the counter in between: read it again.
    }
    return 0;
}

uint16_t KxGSurrogateAllocator::Recycle(KxObjId& first, int32_t count)
{
    if (creationError_ != 0 || count < 1) {
        return 0;
    }
    KxObjId end = first;
    end.SetOrigin(0);
    if (end.Add(count) != 0) {
        return 0;
    }
    KxObjId start = first;
    start.SetOrigin(0);
    KxGConnectionSection section(mutex_);
    bool changed = false;
    return UpdateCounter(start, end, changed) ? 1 : 0;
}

int32_t KxGSurrogateAllocator::FetchSurrogates(KxObjId* ids, int32_t count)
{
    if (ids == nullptr || count < 1) {
        return KXG_E_NO_SURROGATES;
    }
    return Fetch(ids[0], count) != 0 ? 0 : KXG_E_NO_SURROGATES;
}

int32_t KxGSurrogateAllocator::RecycleSurrogates(const KxObjId* ids, int32_t count)
{
    if (ids == nullptr || count < 1) {
        return 0;
    }
    // The run of consecutive ids that ends with the last one.
    int32_t first = count - 1;
    while (first > 0) {
        KxObjId next = ids[first - 1];
        if (next.Add(1) != 0 || next != ids[first]) {
            break;
        }
        --first;
    }
    KxObjId start = ids[first];
    Recycle(start, count - first);
    return 0;
}
