// The generic extent service: extent cursors made of generated SELECTs read in key order.
#include "KxGGenericExtentService.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "KxBase.h"
#include "KxGBlockPool.h"
#include "KxGCatalog.h"
#include "KxGClass.h"
#include "KxGClassBufferMap.h"
#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGMemoryLocation.h"
#include "KxGOperationEnvironment.h"
#include "KxGOptionRegistry.h"
#include "KxGOrder.h"
#include "KxGProjection.h"
#include "KxGQueryCache.h"
#include "KxGQueryService.h"
#include "KxGReadUnitOfWork.h"
#include "KxGRowBufferCache.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTableMap.h"
#include "KxGTransactionContext.h"
#include "KxTransaction.h"
#include "KxTypeMgr.h"

namespace {

// A memory location whose kernel value is handed over with each conversion.
class KxGValueLocation : public KxGMemoryLocation {
public:
    using KxGMemoryLocation::KxGMemoryLocation;
    KxGMemoryLocation* Clone() const override { return new (std::nothrow) KxGValueLocation(*this); }
    void* GetVariableAddress(void* object) override { return object; }
};

const KxGIdentity& Alias()
{
    static const KxGIdentity alias(KxString("T0"));
    return alias;
}

bool IsSizedType(uint16_t typeCode)
{
    return typeCode == KX_TYPE_STRING || typeCode == 20 || typeCode == 21 || typeCode == KX_TYPE_BYTE;
}

bool IsObjectIdType(uint16_t typeCode) { return typeCode == KX_TYPE_OBJID || typeCode == KX_TYPE_OBJID2; }

// A key value may be of its column's type; an object id of the second kind serves an object-id column.
bool TypeFits(uint8_t given, uint16_t column)
{
    return given == column || (given == KX_TYPE_OBJID2 && column == KX_TYPE_OBJID);
}

KxGMemoryLocation* MakeLocation(KxGTypeHdl* handler, const KxGColumn& column)
{
    auto* location = new (std::nothrow) KxGValueLocation(handler, nullptr, true);
    if (location != nullptr && IsSizedType(column.GetTypeCode()) && column.GetSize() > 0) {
        location->SetSQLSize(static_cast<int32_t>(column.GetSize()));
    }
    return location;
}

// SELECT projection WHERE condition, ORDER BY the order when it has one.
KxString SelectText(KxGDatabaseInfo& info, const KxGProjection& projection, const KxGCondition& condition,
                    const KxGOrder& order)
{
    KxString sql;
    info.Select(projection, sql);
    info.Where(condition.GetText(), sql);
    if (!order.IsEmpty()) {
        info.OrderBy(order.GetText(), sql);
    }
    return sql;
}

}  // namespace

struct KxGGenericExtentService::Key {
    KxGColumn column;   // qualified with the extent's alias
    KxGTypeHdl* handler = nullptr;
    bool nullable = false;
    std::unique_ptr<KxGMemoryLocation> parameter;   // slot in a key row (parameters, passed rows)
    std::unique_ptr<KxGMemoryLocation> result;      // own slot in the result rows (selected again)
    KxGMemoryLocation* slot = nullptr;              // the slot its values are read from
};

struct KxGGenericExtentService::Passed {
    KxRef ref;
    std::unique_ptr<KxGSQLBuffer> keys;
    int32_t row = -1;   // the keys are still in this row of the result rows (copied before those change)
    KxGRowBufferCache* cache = nullptr;   // the row-buffer cache this cursor added the row to
};

struct KxGGenericExtentService::Bound {
    std::unique_ptr<KxGMemoryLocation> location;
};

// A fetched row that the row-buffer cache keeps without a copy: it reads the cursor's array at its
// row until the cursor writes or frees that array, and then a copy of its own row.
class KxGGenericExtentService::RowView : public KxGSQLObjectBuffer {
public:
    static void* operator new(std::size_t size) { return KxGPooled<RowView>::New(size); }
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept
    {
        return KxGPooled<RowView>::TryNew(size);
    }
    static void operator delete(void* block, std::size_t size) noexcept
    {
        KxGPooled<RowView>::Delete(block, size);
    }
    RowView(KxGGenericExtentService& cursor, KxGSQLObjectBuffer& rows, int32_t row)
        : KxGSQLObjectBuffer(rows.GetRowWidth(), rows.GetDatabase(), 0), cursor_(&cursor)
    {
        Borrow(rows.GetData(), rows.GetRowCount());
        SetCurrentRow(row);
        next_ = cursor.views_;
        if (next_ != nullptr) {
            next_->prev_ = this;
        }
        cursor.views_ = this;
    }
    RowView(const RowView&) = delete;
    RowView& operator=(const RowView&) = delete;
    ~RowView() override { Unlink(); }

    // Copies the row into a block of its own (left without rows when memory ran out) and leaves the
    // cursor's list.
    void Keep(KxGClassBufferMap& layout)
    {
        std::unique_ptr<KxGSQLObjectBuffer> own = layout.MakeRowBuffer(1);
        if (own) {
            KxGRowContext source(this);
            KxGRowContext target(own.get());
            if (layout.CopyRows(source, target, 1) != 0) {
                own.reset();
            }
        }
        Unlink();
        own_ = std::move(own);
        Borrow(own_ ? own_->GetData() : nullptr, own_ ? 1 : 0);
        SetCurrentRow(0);
    }

private:
    void Unlink()
    {
        if (cursor_ == nullptr) {
            return;
        }
        (prev_ != nullptr ? prev_->next_ : cursor_->views_) = next_;
        if (next_ != nullptr) {
            next_->prev_ = prev_;
        }
        cursor_ = nullptr;
        prev_ = next_ = nullptr;
    }

    KxGGenericExtentService* cursor_;
    RowView* prev_ = nullptr;
    RowView* next_ = nullptr;
    std::unique_ptr<KxGSQLObjectBuffer> own_;
};

void KxGGenericExtentService::KeepRowsInUse()
{
    for (auto& entry : passed_) {
        if (entry->row >= 0 && results_) {
            CopyKeys(entry->row, *entry->keys);
        }
        entry->row = -1;
    }
    while (views_ != nullptr) {
        views_->Keep(*bufferMap_);
    }
}

KxGGenericExtentService::KxGGenericExtentService(KxGOperationEnvironment* environment, KxGDatabase* database,
                                                 const KxClassId& classId, uint16_t indexNumber, uint16_t userClass,
                                                 uint32_t cacheGrowth)
    : KxGExtentService(environment, database, classId, indexNumber), userClass_(userClass),
      cacheGrowth_(cacheGrowth), context_(database)
{
}

KxGGenericExtentService::~KxGGenericExtentService()
{
    KeepRowsInUse();
    DeleteStatement();
    // Rows added to a transaction's cache are left to it (it is emptied at commit and abort, and the
    // transaction may be gone); only a cache given by SetRowBufferCache gets its uses back.
    for (auto& entry : passed_) {
        if (entry->cache != nullptr && entry->cache == rowBufferCache_) {
            rowBufferCache_->Release(entry->ref.GetObjId());
        }
    }
}

void KxGGenericExtentService::DeleteStatement()
{
    statement_.reset();
    statementMarkers_.clear();
    continuation_ = false;
}

KxString KxGGenericExtentService::GetStatementText() const
{
    return statement_ && statement_->GetTemplate() != nullptr ? statement_->GetTemplate()->GetSQLText() : KxString();
}

// ---------------------------------------------------------------------------------------------------
// Preparation

int32_t KxGGenericExtentService::Prepare()
{
    if (prepared_) {
        return 0;
    }
    KxGDatabase* database = GetDatabase();
    KxGCatalog* catalog = GetEnvironment() != nullptr ? GetEnvironment()->GetCatalog() : nullptr;
    if (database == nullptr || database->GetDatabaseInfo() == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }
    if (catalog == nullptr) {
        return KXG_E_MAP_NO_CLASS;
    }
    KxGExtentContext& extent = GetExtentContext();
    extent.SetClassId(GetClassId());
    extent.SetIndexNumber(GetIndexNumber());
    int32_t status = catalog->GetExtent(extent, false);
    if (status != 0) {
        return status;
    }
    table_ = extent.GetTable();
    SetTableKnown(true);
    classMap_ = catalog->GetClassMap(GetClassId());

    // rows per fetch and whether rows go to the row-buffer cache
    rowsPerFetch_ = KXG_EXTENT_ROWS_PER_FETCH;
    rowCacheFlag_ = 1;
    if (classMap_ != nullptr && userClass_ == 0) {
        bool carries = false;
        if (KxGClassOption* option = classMap_->GetClassOption(); option != nullptr && option->GetOptions() != nullptr) {
            carries = option->GetOptions()->Find(KxString("PREFETCH")) != nullptr;
        }
        const int32_t prefetch = classMap_->GetPrefetch();
        if (carries && prefetch > 0) {
            rowsPerFetch_ = static_cast<uint16_t>(std::min<int32_t>(prefetch, 0x7FFF));
        } else {
            rowCacheFlag_ = 0;
        }
    }

    // the keys: the index's columns and the object id, or the id columns
    keys_.clear();
    const KxGColumnList& columns = extent.GetColumns();
    bool hasOid = false;
    auto addKey = [&](const KxGColumn& column) -> int32_t {
        auto key = std::make_unique<Key>();
        key->column = column;
        key->column.SetQualifier(Alias());
        key->nullable = !column.IsNotNull();
        key->handler = database->GetTypeHdl(column.GetTypeCode(), column.GetKind(), 0);
        if (key->handler == nullptr) {
            return KXG_E_QUERY_BIND;
        }
        key->parameter.reset(MakeLocation(key->handler, column));
        key->result.reset(MakeLocation(key->handler, column));
        if (!key->parameter || !key->result) {
            return KXG_E_NO_MEMORY;
        }
        keys_.push_back(std::move(key));
        return 0;
    };
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        const KxGColumn* column = columns.GetColumn(i);
        if (column == nullptr) {
            continue;
        }
        hasOid = hasOid || column->GetName() == KxGSurrogateMap::GetOIDColumn().GetName();
        if ((status = addKey(*column)) != 0) {
            return status;
        }
    }
    if (!hasOid && (status = addKey(KxGSurrogateMap::GetOIDColumn())) != 0) {
        return status;
    }

    // the key row of the continuation
    parameters_ = std::make_unique<KxGSQLBuffer>();
    for (auto& key : keys_) {
        key->parameter->JoinBuffer(*parameters_);
    }
    parameters_->Allocate(1);
    paramCount_ = 0;

    // the result rows
    KxGTypeHdl* oidHdl = database->GetTypeHdl(KX_TYPE_OBJID, 0, 0);
    KxGTypeHdl* cidHdl = database->GetTypeHdl(KX_TYPE_CLASSID, 0, 0);
    if (oidHdl == nullptr || cidHdl == nullptr) {
        return KXG_E_QUERY_BIND;
    }
    results_ = std::make_unique<KxGSQLBuffer>();
    oidResult_ = std::make_unique<KxGValueLocation>(oidHdl, nullptr, true);
    cidResult_ = std::make_unique<KxGValueLocation>(cidHdl, nullptr, true);
    oidResult_->JoinBuffer(*results_);
    cidResult_->JoinBuffer(*results_);
    for (auto& key : keys_) {
        // the id columns are selected once
        const KxString& name = key->column.GetName();
        if (name == KxGSurrogateMap::GetOIDColumn().GetName() && key->handler == oidHdl) {
            key->result.reset();
            key->slot = oidResult_.get();
        } else if (name == KxGSurrogateMap::GetCIDColumn().GetName() && key->handler == cidHdl) {
            key->result.reset();
            key->slot = cidResult_.get();
        } else {
            key->result->JoinBuffer(*results_);
            key->slot = key->result.get();
        }
    }
    results_->Allocate(rowsPerFetch_);
    if (parameters_->GetRowCount() != 1 || results_->GetRowCount() != rowsPerFetch_) {
        return KXG_E_NO_MEMORY;
    }

    // whole rows of the class buffer map's layout
    wholeRows_ = false;
    KeepRowsInUse();
    objects_.reset();
    bufferMap_ = classMap_ != nullptr ? dynamic_cast<KxGClassBufferMap*>(classMap_->GetClassBufferMap()) : nullptr;
    if (GetReadWholeRows() > 0 && bufferMap_ != nullptr && bufferMap_->BuildTemplates() == 0 &&
        bufferMap_->GetMainTableMap() != nullptr) {
        objects_ = bufferMap_->MakeRowBuffer(rowsPerFetch_);
        if (!objects_ || objects_->GetRowCount() != rowsPerFetch_) {
            return KXG_E_NO_MEMORY;
        }
        KxGTableMap& main = *bufferMap_->GetMainTableMap();
        wholeColumns_ = static_cast<uint16_t>(main.GetIdColumns().Count() + main.GetColumns().Count());
        wholeRows_ = true;
    }
    idsInRows_ = wholeRows_ && std::all_of(keys_.begin(), keys_.end(), [this](const std::unique_ptr<Key>& key) {
        return key->slot == oidResult_.get() || key->slot == cidResult_.get();
    });
    prepared_ = true;
    return 0;
}

void KxGGenericExtentService::Projection(KxGProjection& projection)
{
    projection.AddTable(table_, Alias());
    if (wholeRows_) {
        KxGTableMap& main = *bufferMap_->GetMainTableMap();
        for (const KxGColumnList* list : {&main.GetIdColumns(), &main.GetColumns()}) {
            for (uint32_t i = 0; i < list->Count(); ++i) {
                projection.AddColumn(*list->GetColumn(i), &Alias());
            }
        }
    }
    if (idsInRows_) {
        return;
    }
    projection.AddColumn(KxGSurrogateMap::GetOIDColumn(), &Alias());
    projection.AddColumn(KxGSurrogateMap::GetCIDColumn(), &Alias());
    for (auto& key : keys_) {
        if (key->result) {
            projection.AddColumn(key->column, &Alias());
        }
    }
}

KxGRowBufferCache* KxGGenericExtentService::RowBufferCache()
{
    if (rowBufferCache_ != nullptr) {
        return rowBufferCache_;
    }
    // looked up each time: the current transaction's, never one of a transaction that has ended
    KxBase* base = GetEnvironment() != nullptr ? GetEnvironment()->GetBase() : nullptr;
    KxTransaction* transaction = base != nullptr ? base->GetCurrentTransaction() : nullptr;
    KxTransactionResource* resource = transaction != nullptr ? transaction->GetResource(base) : nullptr;
    auto* context = resource != nullptr ? static_cast<KxGTransactionContext*>(resource->GetContext()) : nullptr;
    KxGReadUnitOfWork* unit = context != nullptr ? context->GetReadUnitOfWork() : nullptr;
    return unit != nullptr ? unit->GetRowBufferCache() : nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Conditions

int32_t KxGGenericExtentService::KeyTerm(KxGCondition& group, uint32_t i, uint16_t op, std::vector<int32_t>& markers)
{
    Key& key = *keys_[i];
    parameters_->SetCurrentRow(0);
    const void* indicator = key.parameter->GetNullValueAddress(*parameters_);
    const bool isNull = indicator != nullptr && key.handler->IsNull(indicator) != 0;
    const KxString null("NULL");
    if (isNull) {
        switch (op) {
        case KXG_OP_EQ:
        case KXG_OP_GE: group.AddCondition(key.column, KXG_OP_EQ | KXG_OP_NULL, null, 1); return 0;
        case KXG_OP_LT: group.AddCondition(key.column, KXG_OP_NE | KXG_OP_NULL, null, 1); return 0;
        case KXG_OP_LE: return 1;    // every row
        default: return -1;          // KXG_OP_GT: no row
        }
    }
    KxGDatabaseInfo& info = *GetDatabase()->GetDatabaseInfo();
    const auto position = static_cast<int32_t>(extraValues_.size() + markers.size() + 1);
    const KxString marker = info.GetParameterMarker(position);
    markers.push_back(static_cast<int32_t>(i));
    if (key.nullable && (op == KXG_OP_GT || op == KXG_OP_GE)) {
        // NULLs sort above every value
        KxGCondition pair;
        pair.SetBoolOp(KXG_BOOL_OR);
        pair.AddCondition(key.column, op, marker, 1);
        pair.AddCondition(key.column, KXG_OP_EQ | KXG_OP_NULL, null, 1);
        group.AddCondition(KxString(" ( ") + pair.GetText() + KxString(" ) "));
        return 0;
    }
    group.AddCondition(key.column, op, marker, 1);
    return 0;
}

int32_t KxGGenericExtentService::KeySet(KxGCondition& condition, uint32_t count, bool forward, bool lastStrict,
                                        bool dropFirstAlone, std::vector<int32_t>& markers)
{
    if (count == 0) {
        return 0;
    }
    KxGCondition set;
    set.SetBoolOp(KXG_BOOL_OR);
    std::vector<int32_t> kept = markers;
    uint32_t groups = 0;
    for (int32_t g = static_cast<int32_t>(count) - 1; g >= 0; --g) {
        if (dropFirstAlone && g == 0 && count > 1) {
            continue;
        }
        const bool strict = g < static_cast<int32_t>(count) - 1 || lastStrict;
        const uint16_t last = forward ? (strict ? KXG_OP_GT : KXG_OP_GE) : (strict ? KXG_OP_LT : KXG_OP_LE);
        KxGCondition group;
        std::vector<int32_t> local = kept;
        bool never = false;
        for (int32_t i = 0; i <= g && !never; ++i) {
            never = KeyTerm(group, static_cast<uint32_t>(i), i < g ? KXG_OP_EQ : last, local) < 0;
        }
        if (never) {
            continue;
        }
        if (group.IsEmpty()) {
            return 0;   // a group that every row satisfies: no condition at all
        }
        set.AddCondition(KxString(" ( ") + group.GetText() + KxString(" ) "));
        kept = std::move(local);
        ++groups;
    }
    if (groups == 0) {
        condition.AddCondition(KxString("0 = 1"));
        return 0;
    }
    markers = std::move(kept);
    condition.AddCondition(KxString(" ( ") + set.GetText() + KxString(" ) "));
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Statements

int32_t KxGGenericExtentService::Bind(KxGSelectStatement& statement, const std::vector<int32_t>& markers)
{
    int16_t position = 1;
    if (extraBuffer_) {
        extraBuffer_->SetCurrentRow(0);
        for (auto& value : extraValues_) {
            if (statement.BindParameter(extraBuffer_.get(), value->location.get(), position++) == 0) {
                return KXG_E_QUERY_BIND;
            }
        }
    }
    parameters_->SetCurrentRow(0);
    for (int32_t key : markers) {
        if (statement.BindParameter(parameters_.get(), keys_[static_cast<size_t>(key)]->parameter.get(), position++) ==
            0) {
            return KXG_E_QUERY_BIND;
        }
    }
    int16_t column = 1;
    if (wholeRows_) {
        objects_->SetCurrentRow(0);
        if (bufferMap_->GetMainTableMap()->BindRows(KXG_TABLE_SELECT_LIST, statement, *objects_, rowsPerFetch_, 0,
                                                    &context_) != 0) {
            return KXG_E_QUERY_BIND;
        }
        column = static_cast<int16_t>(wholeColumns_ + 1);
    }
    results_->SetCurrentRow(0);
    bool ok = idsInRows_ || (statement.BindResult(results_.get(), oidResult_.get(), column++) != 0 &&
                              statement.BindResult(results_.get(), cidResult_.get(), column++) != 0);
    for (size_t i = 0; ok && !idsInRows_ && i < keys_.size(); ++i) {
        if (keys_[i]->result) {
            ok = statement.BindResult(results_.get(), keys_[i]->result.get(), column++) != 0;
        }
    }
    if (!ok) {
        return KXG_E_QUERY_BIND;
    }
    statement.SetRowCount(1);
    statement.SetRowsPerFetch(rowsPerFetch_);
    return 0;
}

namespace {

// The template of a text, exchanged for an equal one of the connection's query cache.
KxGSelectStatementTemplate* CachedTemplate(KxGDatabase& database, const KxClassId& classId, const KxString& sql)
{
    KxGStatementHdlCache* handles = database.GetStatementHdlCache();
    KxGQueryCache* cache = handles != nullptr ? handles->GetQueryCache() : nullptr;
    if (cache == nullptr) {
        return nullptr;
    }
    auto* candidate = new (std::nothrow) KxGSelectStatementTemplate(sql);
    if (candidate == nullptr) {
        return nullptr;
    }
    KxGSelectStatementTemplate* used = cache->GetQueryTemplate(classId, candidate);
    if (used != candidate) {
        delete candidate;
    }
    return used;
}

}  // namespace

int32_t KxGGenericExtentService::OpenStatement(uint16_t direction, bool continuation)
{
    if (statement_ && openState_ == direction && !continuation_ && !continuation) {
        return 0;
    }
    KxGDatabase& database = *GetDatabase();
    KxGDatabaseInfo& info = *database.GetDatabaseInfo();
    const bool forward = direction == KXG_EXTENT_OPEN_FORWARD;
    const int32_t rowNum = database.GetRowNum();
    const bool limited = rowNum > 0 && forward;

    KxGProjection projection;
    Projection(projection);
    KxGCondition condition;
    if (!extra_.IsEmpty()) {
        condition.AddCondition(KxString(" ( ") + extra_.GetText() + KxString(" ) "));
    }
    if (limited) {
        info.RowLimit(condition, rowNum);
    }
    std::vector<int32_t> markers;
    if (continuation) {
        const int32_t status = KeySet(condition, paramCount_, forward, strictStart_, rowNum > 0 && forward, markers);
        if (status != 0) {
            return status;
        }
    }
    KxGOrder order;
    if (!limited) {
        for (auto& key : keys_) {
            order.AddOrder(key->column, forward ? 0 : 1, 1);
        }
    }
    const KxString sql = SelectText(info, projection, condition, order);
    KxGSelectStatementTemplate hinted(sql);
    if (GetIndexNumber() != KXG_NO_INDEX && rowNum > 0 && classMap_ != nullptr) {
        KxGIndexMap* index = nullptr;
        if (classMap_->GetIndexMap(GetIndexNumber(), index) == 0 && index != nullptr && !index->GetSQLName().IsEmpty()) {
            info.IndexHint(hinted, index->GetSQLName(), projection.GetFrom());
        }
    }
    DeleteStatement();
    openState_ = KXG_EXTENT_OPEN_NONE;
    KxGSelectStatementTemplate* used = CachedTemplate(database, GetClassId(), hinted.GetSQLText());
    if (used == nullptr) {
        return KXG_E_QUERY_BIND;
    }
    statement_.reset(new (std::nothrow) KxGExtentStatement(&database, used, GetClassId()));
    if (!statement_) {
        delete used;
        return KXG_E_NO_MEMORY;
    }
    if (Bind(*statement_, markers) != 0) {
        DeleteStatement();
        return KXG_E_QUERY_BIND;
    }
    statementMarkers_ = markers;
    openState_ = direction;
    continuation_ = continuation;
    lastDelivered_.reset();
    return 0;
}

int32_t KxGGenericExtentService::Execute()
{
    if (!statement_) {
        return KXG_E_QUERY_EXECUTE_3;
    }
    KeepRowsInUse();
    statement_->CloseCursor();
    if (statement_->Execute() == 0) {
        current_.Clear();
        return KXG_E_QUERY_EXECUTE_3;
    }
    ++executions_;
    lastDelivered_.reset();
    SetState(KXG_EXTENT_EXECUTED);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Rows

int32_t KxGGenericExtentService::RowRef(int32_t row, KxRef& ref)
{
    if (idsInRows_) {
        KxGRowContext rows(objects_.get());
        rows.SetCurrentRow(row);
        return classMap_->Load(rows, ref, &context_) == 0 ? 0 : KXG_E_QUERY_VALUE;
    }
    KxObjId id;
    KxClassId classId;
    results_->SetCurrentRow(row);
    if (oidResult_->SQLBuffer2Variable(*results_, &id, &context_) == nullptr ||
        cidResult_->SQLBuffer2Variable(*results_, &classId, &context_) == nullptr) {
        return KXG_E_QUERY_VALUE;
    }
    ref = KxRef(id, classId);
    return 0;
}

void KxGGenericExtentService::CopyKeys(int32_t row, KxGSQLBuffer& target)
{
    if (idsInRows_) {
        KxRef ref;
        if (RowRef(row, ref) != 0) {
            return;
        }
        KxObjId id = ref.GetObjId();
        KxClassId classId = ref.GetClassId();
        target.SetCurrentRow(0);
        for (auto& key : keys_) {
            key->parameter->Variable2SQLBuffer(target, key->slot == oidResult_.get() ? static_cast<void*>(&id) : &classId,
                                               &context_);
        }
        return;
    }
    results_->SetCurrentRow(row);
    target.SetCurrentRow(0);
    for (auto& key : keys_) {
        key->slot->CopyValue(*results_, *key->parameter, target);
    }
}

void KxGGenericExtentService::LoadParameters(const Passed& entry)
{
    if (entry.row >= 0) {
        CopyKeys(entry.row, *entry.keys);
    }
    if (entry.keys && entry.keys->GetData() != nullptr && parameters_->GetData() != nullptr) {
        std::memcpy(parameters_->GetData(), entry.keys->GetData(), static_cast<size_t>(parameters_->GetRowWidth()));
    }
    paramCount_ = static_cast<uint32_t>(keys_.size());
    strictStart_ = false;
}

void KxGGenericExtentService::ClearPassed()
{
    DropPassed(static_cast<uint32_t>(passed_.size()));
}

int32_t KxGGenericExtentService::Following(KxRefList& refs, uint32_t max) const
{
    refs.clear();
    refs.reserve(std::min<size_t>(max, passed_.empty() ? 0 : passed_.size() - 1));
    for (size_t i = 1; i < passed_.size() && refs.size() < max; ++i) {
        if (!passed_[i]->ref.IsInvalid()) {
            refs.push_back(passed_[i]->ref);
        }
    }
    return 0;
}

void KxGGenericExtentService::DropPassed(uint32_t n)
{
    n = std::min<uint32_t>(n, static_cast<uint32_t>(passed_.size()));
    KxGRowBufferCache* cache = nullptr;
    bool looked = false;
    for (uint32_t i = 0; i < n; ++i) {
        if (passed_[i]->cache == nullptr) {
            continue;
        }
        if (!looked) {
            cache = RowBufferCache();
            looked = true;
        }
        if (passed_[i]->cache == cache) {
            cache->Release(passed_[i]->ref.GetObjId());
        }
    }
    for (uint32_t i = 0; i < n && spare_.size() <= rowsPerFetch_; ++i) {
        spare_.push_back(std::move(passed_[i]));
    }
    if (n == 1) {
        passed_.pop_front();   // a step along the scan
    } else {
        passed_.erase(passed_.begin(), passed_.begin() + n);
    }
}

std::unique_ptr<KxGGenericExtentService::Passed> KxGGenericExtentService::NewPassed()
{
    const int32_t width = parameters_->GetRowWidth();
    while (!spare_.empty()) {
        std::unique_ptr<Passed> entry = std::move(spare_.back());
        spare_.pop_back();
        if (!entry || !entry->keys || entry->keys->GetData() == nullptr || entry->keys->GetRowWidth() != width ||
            entry->keys->GetRowCount() != 1) {
            continue;
        }
        entry->ref = KxRef();
        entry->cache = nullptr;
        entry->row = -1;
        std::memset(entry->keys->GetData(), 0, static_cast<size_t>(width));
        return entry;
    }
    auto entry = std::make_unique<Passed>();
    entry->keys = std::make_unique<KxGSQLBuffer>(width);
    entry->keys->Allocate(1);
    return entry;
}

int32_t KxGGenericExtentService::Record(uint32_t first, uint32_t count)
{
    ClearPassed();
    KxGRowBufferCache* cache = wholeRows_ && rowCacheFlag_ != 0 ? RowBufferCache() : nullptr;
    // Rows without handles are cached in place; a row with handles gets a copy that takes them over.
    const bool inPlace = cache != nullptr && bufferMap_->GetHandleColumnCount() == 0;
    for (uint32_t r = first; r < count; ++r) {
        std::unique_ptr<Passed> entry = NewPassed();
        int32_t status = RowRef(static_cast<int32_t>(r), entry->ref);
        if (status != 0) {
            return status;
        }
        entry->row = static_cast<int32_t>(r);
        if (cache != nullptr && entry->ref.GetClassId().GetClassNumber() == GetClassId().GetClassNumber()) {
            if (inPlace) {
                auto* view = new (std::nothrow) RowView(*this, *objects_, static_cast<int32_t>(r));
                entry->cache = view != nullptr && cache->AddRow(entry->ref.GetObjId(), view) == 1 ? cache : nullptr;
                if (entry->cache == nullptr) {
                    delete view;
                }
            } else {
                objects_->SetCurrentRow(static_cast<int32_t>(r));
                entry->cache = cache->Add(*bufferMap_, entry->ref.GetObjId(), *objects_) == 1 ? cache : nullptr;
            }
        }
        passed_.push_back(std::move(entry));
    }
    if (passed_.empty()) {
        current_.Clear();
    } else {
        current_ = passed_.front()->ref;
    }
    return 0;
}

int32_t KxGGenericExtentService::FetchArray(uint32_t rows, uint32_t& first, uint32_t& fetched)
{
    first = 0;
    fetched = 0;
    if (!statement_) {
        return KXG_E_QUERY_EXECUTE_3;
    }
    rows = std::clamp<uint32_t>(rows, 1, rowsPerFetch_);
    KeepRowsInUse();
    statement_->SetRowsPerFetch(rows);
    if (statement_->Fetch(fetched) == 0) {
        // The cursor is gone: the statement is opened again behind the last row it delivered (or
        // executed again when it delivered none), so that no row comes twice.
        const int32_t code = GetDatabase()->GetError()->ErrorCode();
        std::unique_ptr<Passed> last = std::move(lastDelivered_);
        int32_t status = 0;
        if (last) {
            LoadParameters(*last);
            status = OpenStatement(openState_, true);
        }
        if (status == 0) {
            status = Execute();
        }
        fetched = 0;
        if (status == 0) {
            statement_->SetRowsPerFetch(rows);
            if (statement_->Fetch(fetched) == 0) {
                status = GetDatabase()->GetError()->ErrorCode();
                fetched = 0;
            }
        }
        if (status != 0) {
            SetState(KXG_EXTENT_INITIAL);
            return status < 0 ? status : (code < 0 ? code : KXG_E_QUERY_EXECUTE_3);
        }
        if (last && fetched > 0) {
            KxRef ref;
            if (RowRef(0, ref) == 0 && ref.GetObjId() == last->ref.GetObjId()) {
                first = 1;   // delivered before the cursor was lost
            }
        }
    }
    SetState(fetched < rows ? KXG_EXTENT_END_KNOWN : KXG_EXTENT_FETCHED);
    if (fetched > first) {
        auto last = std::make_unique<Passed>();
        if (RowRef(static_cast<int32_t>(fetched - 1), last->ref) == 0) {
            last->keys = std::make_unique<KxGSQLBuffer>(parameters_->GetRowWidth());
            last->keys->Allocate(1);
            CopyKeys(static_cast<int32_t>(fetched - 1), *last->keys);
            lastDelivered_ = std::move(last);
        }
    }
    return 0;
}

int32_t KxGGenericExtentService::Fetch(uint32_t& count, int32_t& skipped)
{
    if (!statement_) {
        count = 0;
        return KXG_E_QUERY_EXECUTE_3;
    }
    uint32_t first = 0;
    uint32_t fetched = 0;
    const int32_t status = FetchArray(count == 0 ? rowsPerFetch_ : count, first, fetched);
    count = fetched;
    skipped -= static_cast<int32_t>(first);
    return status;
}

// ---------------------------------------------------------------------------------------------------
// Positioning

int32_t KxGGenericExtentService::Seek(int32_t offset, int32_t seekMode, KxRef& ref)
{
    ref.Clear();
    int32_t status = Prepare();
    if (status != 0) {
        return status;
    }
    int64_t toPass = 0;
    bool skipCurrent = false;
    auto open = [&](uint16_t direction, bool continuation) -> int32_t {
        int32_t result = OpenStatement(direction, continuation);
        return result != 0 ? result : Execute();
    };
    switch (seekMode) {
    case KXG_SEEK_FROM_START:
        if (offset < 0) {
            return KXG_E_NO_ELEMENT;
        }
        status = open(KXG_EXTENT_OPEN_FORWARD, false);
        toPass = offset;
        break;
    case KXG_SEEK_FROM_END:
        if (offset > 0) {
            return KXG_E_NO_ELEMENT;
        }
        status = open(KXG_EXTENT_OPEN_BACKWARD, false);
        toPass = -static_cast<int64_t>(offset);
        break;
    case KXG_SEEK_RELATIVE: {
        if (openState_ == KXG_EXTENT_OPEN_NONE) {
            if (offset < 0) {
                return KXG_E_NO_ELEMENT;
            }
            status = open(KXG_EXTENT_OPEN_FORWARD, false);
            toPass = offset > 1 ? offset - 1 : 0;
            break;
        }
        if (offset == 0) {
            if (current_.IsInvalid()) {
                return KXG_E_NO_ELEMENT;
            }
            ref = current_;
            return 0;
        }
        const int64_t n = offset < 0 ? -static_cast<int64_t>(offset) : offset;
        const uint16_t direction = offset > 0 ? KXG_EXTENT_OPEN_FORWARD : KXG_EXTENT_OPEN_BACKWARD;
        if (GetState() == KXG_EXTENT_SEARCH_MISSED) {
            status = open(direction, true);
            toPass = n - 1;
            break;
        }
        if (direction != openState_ || GetState() == KXG_EXTENT_POSITIONED || !statement_) {
            if (passed_.empty()) {
                return KXG_E_NO_ELEMENT;   // no object to move from
            }
            LoadParameters(*passed_.front());
            current_ = passed_.front()->ref;
            status = open(direction, true);
            skipCurrent = true;
            toPass = n - 1;
            break;
        }
        if (passed_.empty()) {
            toPass = n - 1;   // nothing passed yet: the next row is the first
        } else if (static_cast<int64_t>(passed_.size()) > n) {
            DropPassed(static_cast<uint32_t>(n));
            current_ = passed_.front()->ref;
            ref = current_;
            return 0;
        } else if (GetState() == KXG_EXTENT_END_KNOWN) {
            return KXG_E_NO_ELEMENT;
        } else {
            toPass = n - static_cast<int64_t>(passed_.size());
        }
        break;
    }
    default:
        return KXG_E_INVALID_PARAMETER;
    }
    if (status != 0) {
        return status;
    }

    for (;;) {
        uint32_t first = 0;
        uint32_t fetched = 0;
        status = FetchArray(rowsPerFetch_, first, fetched);
        if (status != 0) {
            return status;
        }
        if (skipCurrent && fetched > first) {
            skipCurrent = false;
            KxRef row;
            if (RowRef(static_cast<int32_t>(first), row) == 0 && row.GetObjId() == current_.GetObjId()) {
                ++first;   // the current object itself
            }
        }
        const int64_t available = static_cast<int64_t>(fetched) - first;
        if (toPass < available) {
            status = Record(first + static_cast<uint32_t>(toPass), fetched);
            if (status != 0) {
                return status;
            }
            if (current_.IsInvalid()) {
                return KXG_E_NO_ELEMENT;
            }
            ref = current_;
            return 0;
        }
        toPass -= available;
        if (fetched < rowsPerFetch_) {
            SetState(KXG_EXTENT_POSITIONED);
            return KXG_E_NO_ELEMENT;
        }
    }
}

int32_t KxGGenericExtentService::GetCurrent(KxRef& ref)
{
    ref = current_;
    return 1;
}

int32_t KxGGenericExtentService::Open()
{
    const int32_t status = Prepare();
    if (status != 0) {
        return status;
    }
    if (openState_ == KXG_EXTENT_OPEN_NONE) {
        int32_t result = OpenStatement(KXG_EXTENT_OPEN_FORWARD, false);
        if (result == 0) {
            result = Execute();
        }
        if (result != 0) {
            return result;
        }
    }
    return 255;
}

void KxGGenericExtentService::Reset()
{
    KeepRowsInUse();
    current_.Clear();
    DeleteStatement();
    openState_ = KXG_EXTENT_OPEN_NONE;
    lastDelivered_.reset();
    keys_.clear();
    parameters_.reset();
    paramCount_ = 0;
    results_.reset();
    oidResult_.reset();
    cidResult_.reset();
    objects_.reset();
    wholeRows_ = false;
    idsInRows_ = false;
    extra_.Clear();
    extraValues_.clear();
    extraBuffer_.reset();
    GetExtentContext().Clear();
    SetTableKnown(false);
    prepared_ = false;
    SetState(KXG_EXTENT_INITIAL);
}

// ---------------------------------------------------------------------------------------------------
// Searching

int32_t KxGGenericExtentService::LoadKeyValues(const KxKeyValue* keys, uint32_t count)
{
    parameters_->SetCurrentRow(0);
    for (uint32_t i = 0; i < count; ++i) {
        Key& key = *keys_[i];
        if (!TypeFits(keys[i].type, key.column.GetTypeCode())) {
            return KXG_E_EXTENT_KEY_TYPE;
        }
        if (keys[i].value == nullptr) {
            if (void* indicator = key.parameter->GetNullValueAddress(*parameters_)) {
                key.handler->SetNull(indicator);
            }
            continue;
        }
        if (key.parameter->Variable2SQLBuffer(*parameters_, const_cast<void*>(keys[i].value), &context_) == nullptr) {
            return KXG_E_EXTENT_KEY_TYPE;
        }
    }
    paramCount_ = count;
    strictStart_ = false;
    return 0;
}

int32_t KxGGenericExtentService::SearchOne(const KxString& sql, const std::vector<int32_t>& markers)
{
    KxGDatabase& database = *GetDatabase();
    KxGSelectStatementTemplate* used = CachedTemplate(database, GetClassId(), sql);
    if (used == nullptr) {
        return KXG_E_QUERY_EXECUTE;
    }
    std::unique_ptr<KxGExtentStatement> search(new (std::nothrow) KxGExtentStatement(&database, used, GetClassId()));
    if (!search) {
        delete used;
        return KXG_E_NO_MEMORY;
    }
    if (Bind(*search, markers) != 0) {
        return KXG_E_QUERY_BIND;
    }
    KeepRowsInUse();
    if (search->Execute() == 0) {
        return KXG_E_QUERY_EXECUTE;
    }
    ++executions_;
    uint32_t fetched = 0;
    search->SetRowsPerFetch(1);
    if (search->Fetch(fetched) == 0) {
        return KXG_E_QUERY_EXECUTE;
    }
    if (fetched == 0) {
        return KXG_E_EXTENT_NOT_FOUND;
    }
    return Record(0, 1);
}

int32_t KxGGenericExtentService::Search(const KxKeyValue* keys, int32_t keyCount, int32_t comparison,
                                        uint16_t indexNumber)
{
    int32_t status = Prepare();
    if (status != 0) {
        return status;
    }
    comparison &= ~0x0C00;
    if (comparison == 16) {
        comparison = KXG_COMPARE_EQUAL;
    }
    if (keys == nullptr || keyCount <= 0 || comparison < KXG_COMPARE_EQUAL || comparison > KXG_COMPARE_GREATER_EQUAL) {
        return KXG_E_INVALID_PARAMETER;
    }
    const uint16_t own = GetIndexNumber();
    if (indexNumber != own && indexNumber != KXG_NO_INDEX) {
        return KXG_E_QUERY_EXECUTE_3;
    }
    KxGDatabaseInfo& info = *GetDatabase()->GetDatabaseInfo();
    const bool rowNum = GetDatabase()->GetRowNum() > 0;

    if (indexNumber == KXG_NO_INDEX) {
        // by object id
        if (!IsObjectIdType(keys[0].type)) {
            return KXG_E_EXTENT_KEY_TYPE;
        }
        const uint32_t oidKey = own == KXG_NO_INDEX ? 0 : static_cast<uint32_t>(keys_.size() - 1);
        KxObjId id;
        if (keys[0].value != nullptr) {
            id = *static_cast<const KxObjId*>(keys[0].value);
        }
        parameters_->SetCurrentRow(0);
        if (keys_[oidKey]->parameter->Variable2SQLBuffer(*parameters_, &id, &context_) == nullptr) {
            return KXG_E_EXTENT_KEY_TYPE;
        }
        if (own == KXG_NO_INDEX) {
            // the cursor's own order: continue from the object and see whether it comes first
            const KxRef saved = current_;
            paramCount_ = 1;
            status = OpenStatement(KXG_EXTENT_OPEN_FORWARD, true);
            if (status == 0) {
                status = Execute();
            }
            if (status != 0) {
                current_ = saved;
                return status;
            }
            uint32_t first = 0;
            uint32_t fetched = 0;
            status = FetchArray(rowsPerFetch_, first, fetched);
            if (status != 0) {
                return status;
            }
            KxRef row;
            if (fetched > first && RowRef(static_cast<int32_t>(first), row) == 0 && row.GetObjId() == id) {
                return Record(first, fetched);
            }
            current_ = saved;
            SetState(KXG_EXTENT_POSITIONED);
            return KXG_E_EXTENT_NOT_FOUND;
        }
        KxGProjection projection;
        Projection(projection);
        KxGCondition condition;
        std::vector<int32_t> markers;
        condition.AddCondition(keys_[oidKey]->column, KXG_OP_EQ,
                               info.GetParameterMarker(static_cast<int32_t>(extraValues_.size() + 1)), 1);
        markers.push_back(static_cast<int32_t>(oidKey));
        KxString sql;
        info.Select(projection, sql);
        info.Where(condition.GetText(), sql);
        status = SearchOne(sql, markers);
        if (status == 0) {
            // positioned: the next relative move opens a continuation from the object found
            DeleteStatement();
            openState_ = KXG_EXTENT_OPEN_FORWARD;
            SetState(KXG_EXTENT_POSITIONED);
        }
        return status;
    }

    // the cursor's own index
    const uint32_t indexKeys =
        own == KXG_NO_INDEX ? static_cast<uint32_t>(keys_.size()) : static_cast<uint32_t>(keys_.size() - 1);
    const uint32_t m = std::min<uint32_t>(static_cast<uint32_t>(keyCount), indexKeys);
    status = LoadKeyValues(keys, m);
    if (status != 0) {
        return status;
    }
    if (m == indexKeys && (comparison == KXG_COMPARE_LESS_EQUAL || comparison == KXG_COMPARE_GREATER_EQUAL)) {
        status = OpenStatement(comparison == KXG_COMPARE_LESS_EQUAL ? KXG_EXTENT_OPEN_BACKWARD
                                                                    : KXG_EXTENT_OPEN_FORWARD,
                               true);
        if (status == 0) {
            status = Execute();
        }
        if (status != 0) {
            return status;
        }
        uint32_t first = 0;
        uint32_t fetched = 0;
        status = FetchArray(rowsPerFetch_, first, fetched);
        if (status == 0 && fetched > first) {
            return Record(first, fetched);
        }
        SetState(KXG_EXTENT_SEARCH_MISSED);
        paramCount_ = m;
        return status != 0 ? status : KXG_E_EXTENT_NOT_FOUND;
    }

    KxGProjection projection;
    Projection(projection);
    KxGCondition condition;
    if (!extra_.IsEmpty()) {
        condition.AddCondition(KxString(" ( ") + extra_.GetText() + KxString(" ) "));
    }
    std::vector<int32_t> markers;
    if (comparison == KXG_COMPARE_EQUAL) {
        for (uint32_t i = 0; i < m; ++i) {
            if (KeyTerm(condition, i, KXG_OP_EQ, markers) < 0) {
                return KXG_E_INVALID_PARAMETER;
            }
        }
    } else {
        const bool forward = comparison == KXG_COMPARE_GREATER || comparison == KXG_COMPARE_GREATER_EQUAL;
        const bool strict = comparison == KXG_COMPARE_GREATER || comparison == KXG_COMPARE_LESS;
        status = KeySet(condition, m, forward, strict, false, markers);
        if (status != 0) {
            return status;
        }
    }
    KxGOrder order;
    if (rowNum) {
        info.RowLimit(condition, 1);
    } else {
        const bool descending = comparison == KXG_COMPARE_LESS || comparison == KXG_COMPARE_LESS_EQUAL;
        for (auto& key : keys_) {
            order.AddOrder(key->column, descending ? 1 : 0, 1);
        }
    }
    const KxString sql = SelectText(info, projection, condition, order);
    const KxRef saved = current_;
    status = SearchOne(sql, markers);
    if (status == 0 || status == KXG_E_EXTENT_NOT_FOUND) {
        // the next relative move opens a continuation from the object found or the key searched
        DeleteStatement();
        openState_ = KXG_EXTENT_OPEN_FORWARD;
    }
    if (status == 0) {
        SetState(KXG_EXTENT_POSITIONED);
        return 0;
    }
    if (status == KXG_E_EXTENT_NOT_FOUND) {
        // the parameter buffer keeps the searched key: a relative seek continues from it
        current_ = saved;
        paramCount_ = m;
        // a strict search that missed continues behind the key, never on it
        strictStart_ = comparison == KXG_COMPARE_LESS || comparison == KXG_COMPARE_GREATER;
        SetState(KXG_EXTENT_SEARCH_MISSED);
    }
    return status;
}

// ---------------------------------------------------------------------------------------------------
// Restrictions

int32_t KxGGenericExtentService::SearchKeys(const KxKeyValue* lowerKeys, int32_t lowerCount, int32_t lowerComparison,
                                            const KxKeyValue* upperKeys, int32_t upperCount, int32_t upperComparison)
{
    Reset();
    int32_t status = Prepare();
    if (status != 0) {
        return status;
    }
    const uint32_t indexKeys = GetIndexNumber() == KXG_NO_INDEX ? static_cast<uint32_t>(keys_.size())
                                                                : static_cast<uint32_t>(keys_.size() - 1);
    KxGDatabaseInfo& info = *GetDatabase()->GetDatabaseInfo();
    // Every side's values go into locations of their own, bound ahead of the continuation.
    struct Pending {
        Bound* bound;
        const void* value;
        KxGTypeHdl* handler;
    };
    std::vector<Pending> pending;
    auto buffer = std::make_unique<KxGSQLBuffer>();
    auto side = [&](const KxKeyValue* keys, int32_t count, int32_t comparison, KxGCondition& out) -> int32_t {
        comparison &= ~0x0C00;
        if (keys == nullptr || count <= 0 || comparison < KXG_COMPARE_EQUAL || comparison > KXG_COMPARE_GREATER_EQUAL) {
            return 0;
        }
        const uint32_t m = std::min<uint32_t>(static_cast<uint32_t>(count), indexKeys);
        for (uint32_t i = 0; i < m; ++i) {
            if (!TypeFits(keys[i].type, keys_[i]->column.GetTypeCode())) {
                return KXG_E_EXTENT_KEY_TYPE;
            }
        }
        const bool forward = comparison == KXG_COMPARE_GREATER || comparison == KXG_COMPARE_GREATER_EQUAL;
        const bool strict = comparison == KXG_COMPARE_GREATER || comparison == KXG_COMPARE_LESS;
        const KxString null("NULL");
        // term on key i: 0 added, 1 every row, -1 no row
        auto term = [&](KxGCondition& group, uint32_t i, uint16_t op) -> int32_t {
            Key& key = *keys_[i];
            if (keys[i].value == nullptr) {
                switch (op) {
                case KXG_OP_EQ:
                case KXG_OP_GE: group.AddCondition(key.column, KXG_OP_EQ | KXG_OP_NULL, null, 1); return 0;
                case KXG_OP_LT: group.AddCondition(key.column, KXG_OP_NE | KXG_OP_NULL, null, 1); return 0;
                case KXG_OP_LE: return 1;
                default: return -1;
                }
            }
            auto bound = std::make_unique<Bound>();
            bound->location.reset(MakeLocation(key.handler, key.column));
            if (!bound->location) {
                return KXG_E_NO_MEMORY;
            }
            bound->location->JoinBuffer(*buffer);
            pending.push_back({bound.get(), keys[i].value, key.handler});
            const KxString marker = info.GetParameterMarker(static_cast<int32_t>(extraValues_.size() + 1));
            extraValues_.push_back(std::move(bound));
            if (key.nullable && (op == KXG_OP_GT || op == KXG_OP_GE)) {
                KxGCondition pair;
                pair.SetBoolOp(KXG_BOOL_OR);
                pair.AddCondition(key.column, op, marker, 1);
                pair.AddCondition(key.column, KXG_OP_EQ | KXG_OP_NULL, null, 1);
                group.AddCondition(KxString(" ( ") + pair.GetText() + KxString(" ) "));
            } else {
                group.AddCondition(key.column, op, marker, 1);
            }
            return 0;
        };
        if (comparison == KXG_COMPARE_EQUAL) {
            for (uint32_t i = 0; i < m; ++i) {
                const int32_t r = term(out, i, KXG_OP_EQ);
                if (r < -1) {
                    return r;
                }
            }
            return 0;
        }
        const size_t sideValues = extraValues_.size();
        const size_t sidePending = pending.size();
        KxGCondition set;
        set.SetBoolOp(KXG_BOOL_OR);
        uint32_t groups = 0;
        for (int32_t g = static_cast<int32_t>(m) - 1; g >= 0; --g) {
            const bool groupStrict = g < static_cast<int32_t>(m) - 1 || strict;
            const uint16_t last =
                forward ? (groupStrict ? KXG_OP_GT : KXG_OP_GE) : (groupStrict ? KXG_OP_LT : KXG_OP_LE);
            KxGCondition group;
            const size_t groupValues = extraValues_.size();
            const size_t groupPending = pending.size();
            bool never = false;
            for (int32_t i = 0; i <= g && !never; ++i) {
                const int32_t r = term(group, static_cast<uint32_t>(i), i < g ? KXG_OP_EQ : last);
                if (r < -1) {
                    return r;
                }
                never = r < 0;
            }
            if (never) {
                // a group no row satisfies is left out with its values
                extraValues_.resize(groupValues);
                pending.resize(groupPending);
                continue;
            }
            if (group.IsEmpty()) {
                // a group every row satisfies: the side restricts nothing
                extraValues_.resize(sideValues);
                pending.resize(sidePending);
                return 0;
            }
            set.AddCondition(KxString(" ( ") + group.GetText() + KxString(" ) "));
            ++groups;
        }
        out.AddCondition(groups == 0 ? KxString("0 = 1") : KxString(" ( ") + set.GetText() + KxString(" ) "));
        return 0;
    };
    KxGCondition lower;
    KxGCondition upper;
    status = side(lowerKeys, lowerCount, lowerComparison, lower);
    if (status == 0) {
        status = side(upperKeys, upperCount, upperComparison, upper);
    }
    if (status != 0) {
        extraValues_.clear();
        return status;
    }
    buffer->Allocate(1);
    if (!extraValues_.empty() && buffer->GetRowCount() != 1) {
        extraValues_.clear();
        return KXG_E_NO_MEMORY;
    }
    buffer->SetCurrentRow(0);
    for (const Pending& p : pending) {
        if (p.bound->location->Variable2SQLBuffer(*buffer, const_cast<void*>(p.value), &context_) == nullptr) {
            extraValues_.clear();
            return KXG_E_EXTENT_KEY_TYPE;
        }
    }
    extraBuffer_ = std::move(buffer);
    if (!lower.IsEmpty() && !upper.IsEmpty()) {
        extra_.AddCondition(KxString("(") + lower.GetText() + KxString(") AND (") + upper.GetText() + KxString(")"));
    } else if (!lower.IsEmpty()) {
        extra_.AddCondition(lower);
    } else if (!upper.IsEmpty()) {
        extra_.AddCondition(upper);
    }
    return 0;
}

int32_t KxGGenericExtentService::SetQuery(KxQuery* query)
{
    DeleteStatement();
    openState_ = KXG_EXTENT_OPEN_NONE;
    extra_.Clear();
    extraValues_.clear();
    extraBuffer_.reset();
    if (query == nullptr) {
        return 0;
    }
    KxGCatalog* catalog = GetEnvironment() != nullptr ? GetEnvironment()->GetCatalog() : nullptr;
    const KxGClass* queried = catalog != nullptr ? catalog->GetClass(GetClassId()) : nullptr;
    if (queried == nullptr) {
        return KXG_E_MAP_NO_CLASS;
    }
    KxGQueryService service(GetEnvironment(), GetDatabase(), 0);
    KxGQueryContext built;
    std::vector<KxGQueryParameter> params;
    uint16_t aliasCounter = 1;
    int32_t status = service.ConstructQuery(const_cast<KxGClass&>(*queried), aliasCounter, *query, built, params);
    if (status != 0) {
        return status;
    }
    if (!built.GetJoinedTables().empty()) {
        return KXG_E_QUERY_ACCESS;
    }
    KxString text;
    if (built.GetRoot() != nullptr) {
        built.GetRoot()->Print(text);
    }
    auto buffer = std::make_unique<KxGSQLBuffer>();
    std::vector<KxGBoundValue> values(params.size());
    std::vector<void*> variables;
    for (size_t i = 0; i < params.size(); ++i) {
        void* variable = values[i].Set(params[i]);
        KxGTypeHdl* handler = variable != nullptr ? GetDatabase()->GetTypeHdl(params[i].typeCode, 0, 0) : nullptr;
        if (handler == nullptr) {
            extraValues_.clear();
            return KXG_E_QUERY_VALUE;
        }
        auto bound = std::make_unique<Bound>();
        bound->location = std::make_unique<KxGValueLocation>(handler, nullptr, false);
        if (params[i].typeCode == 11 || params[i].typeCode == 20 || params[i].typeCode == 21) {
            bound->location->SetSQLSize(static_cast<int32_t>(params[i].value.text.size()) + 1);
        }
        bound->location->JoinBuffer(*buffer);
        extraValues_.push_back(std::move(bound));
        variables.push_back(variable);
    }
    if (!extraValues_.empty()) {
        buffer->Allocate(1);
        if (buffer->GetRowCount() != 1) {
            extraValues_.clear();
            return KXG_E_NO_MEMORY;
        }
        buffer->SetCurrentRow(0);
        for (size_t i = 0; i < extraValues_.size(); ++i) {
            if (extraValues_[i]->location->Variable2SQLBuffer(*buffer, variables[i], &context_) == nullptr) {
                extraValues_.clear();
                return KXG_E_QUERY_VALUE;
            }
        }
        extraBuffer_ = std::move(buffer);
    }
    if (!text.IsEmpty()) {
        extra_.AddCondition(text);
    }
    return 0;
}
