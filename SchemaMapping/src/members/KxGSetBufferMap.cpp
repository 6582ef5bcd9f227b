// The buffer-map side of set member maps: the rows of the set table written, deleted, read back and
// their handle-typed values written through re-selected rows.
#include <algorithm>
#include <new>
#include <string>

#include "KxGBlobMemberMaps.h"
#include "KxGDatabase.h"
#include "KxGReadUnitOfWork.h"
#include "KxGSQLBuffer.h"
#include "KxGSchemaMap.h"
#include "KxGSetMemberMap.h"
#include "KxGStatement.h"
#include "KxGStatementHdl.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasSet.h"
#include "KxTypeMgr.h"

namespace {

// The element columns of a set table as one member map of its table map: the copies of the set
// member map (named apart by the set's name), bound and copied through the element member maps.
class KxGSetElementRow : public KxGMemberMap {
public:
    explicit KxGSetElementRow(KxGSetMemberMap& set) : set_(set) {}

    int32_t GetColumns(KxGColumnList& list) override
    {
        const KxGColumnList& columns = set_.GetElementColumns();
        for (uint32_t i = 0; i < columns.Count(); ++i) {
            list.AddColumn(const_cast<KxGColumn*>(columns.GetColumn(i)));
        }
        return 0;
    }
    int32_t CreateHandles(KxGRowContext& rows, int32_t count, KxGContext* context) override
    {
        return Each([&](KxGMemberMap& element) { return element.CreateHandles(rows, count, context); });
    }
    int32_t CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count) override
    {
        return Each([&](KxGMemberMap& element) { return element.CopyRows(source, target, count); });
    }
    int32_t BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                          KxGContext* context) override
    {
        return Each([&](KxGMemberMap& element) { return element.BindParameter(position, rows, statement, count, context); });
    }
    int32_t BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, int32_t count,
                       KxGContext* context) override
    {
        return Each([&](KxGMemberMap& element) { return element.BindColumn(column, rows, statement, count, context); });
    }
    const KxString& GetName() const override { return set_.GetName(); }
    uint16_t GetOwnerClassNumber() const override { return set_.GetOwnerClassNumber(); }

private:
    template <typename F>
    int32_t Each(F&& f)
    {
        for (KxGMemberMap* element : set_.GetElementMaps()) {
            const int32_t status = f(*element);
            if (status != 0) {
                return status;
            }
        }
        return 0;
    }
    KxGSetMemberMap& set_;
};

KxGDatabase* DatabaseOf(KxGRequest& request, KxGSchemaMap* schemaMap)
{
    if (request.GetDatabase() != nullptr) {
        return request.GetDatabase();
    }
    return schemaMap != nullptr ? schemaMap->GetDatabase() : nullptr;
}

int32_t DatabaseError(KxGDatabase* database, int32_t fallback)
{
    KxGDatabaseError* error = database != nullptr ? database->GetError() : nullptr;
    const int32_t code = error != nullptr ? error->ErrorCode() : 0;
    return code != 0 ? code : fallback;
}

// The 64-bit decimal form of an object id in an id list.
std::string Decimal(const KxObjId& id)
{
    const uint64_t value = (static_cast<uint64_t>(id.GetHigh()) << 32) | id.GetLow();
    return std::to_string(value);
}

bool SameId(const KxRef& a, const KxRef& b)
{
    return a.GetObjId().GetLow() == b.GetObjId().GetLow() && a.GetObjId().GetHigh() == b.GetObjId().GetHigh();
}

}  // namespace

int32_t KxGSetMemberMap::MakeTableMap()
{
    if (tableMap_) {
        tableMap_->SetTable(KxGTable(table_.GetName(), table_.GetQualifier()));
        return 0;
    }
    elementRow_ = std::make_unique<KxGSetElementRow>(*this);
    tableMap_ = std::make_unique<KxGTableMap>(KxGTable(table_.GetName(), table_.GetQualifier()), setMap_);
    tableMap_->AddBufferMap(this);
    tableMap_->AddMemberMap(elementRow_.get());
    return 0;
}

int32_t KxGSetMemberMap::BuildTemplates(KxGDatabase* database)
{
    if (!tableMap_) {
        return KXG_E_NO_TABLE;
    }
    if (tableMap_->HasTemplates()) {
        return 0;
    }
    KxGDatabaseInfo* info = database != nullptr ? database->GetDatabaseInfo() : nullptr;
    return info != nullptr ? tableMap_->BuildTemplates(*info) : KXG_E_NO_CONNECTION;
}

int32_t KxGSetMemberMap::JoinMemberMap(KxGMemberMap* memberMap, int32_t bytes, int32_t& offset)
{
    offset = rowSize_;
    rowSize_ += bytes > 0 ? bytes : 0;
    if (memberMap != nullptr && std::find(elements_.begin(), elements_.end(), memberMap) == elements_.end()) {
        elements_.push_back(memberMap);
    }
    return 0;
}

int32_t KxGSetMemberMap::SetRefsOf(const KxGAliasVector& owners, std::vector<KxRef>& refs)
{
    for (KxObjectAlias* owner : owners) {
        std::unique_ptr<KxGSetAlias> set = owner != nullptr ? CreateSetAlias(*owner) : nullptr;
        if (!set) {
            return KXG_E_NO_MEMORY;
        }
        refs.push_back(SetRefOf(*set, *owner));
    }
    return 0;
}

std::unique_ptr<KxGSQLObjectBuffer> KxGSetMemberMap::IdRows(const std::vector<KxRef>& sets, KxGDatabase* database,
                                                            KxGContext* context, int32_t& status)
{
    status = 0;
    std::unique_ptr<KxGSQLObjectBuffer> rows(new (std::nothrow) KxGSQLObjectBuffer(rowSize_, database, handles_));
    if (!rows) {
        status = KXG_E_NO_MEMORY;
        return nullptr;
    }
    rows->Allocate(static_cast<int32_t>(sets.size()));
    if (rows->GetRowCount() != static_cast<int32_t>(sets.size()) || setMap_ == nullptr ||
        setMap_->GetIDMap() == nullptr) {
        status = KXG_E_NO_MEMORY;
        return nullptr;
    }
    KxGRowContext at(rows.get());
    for (size_t i = 0; i < sets.size() && status == 0; ++i) {
        at.SetCurrentRow(static_cast<int32_t>(i));
        status = setMap_->GetIDMap()->StoreRef(sets[i], at, 0, context);
    }
    rows->SetCurrentRow(0);
    return status == 0 ? std::move(rows) : nullptr;
}

// ---- writing ----------------------------------------------------------------------------------------

int32_t KxGSetMemberMap::FillRows(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context)
{
    if (!KeepsSetTable()) {
        return 0;
    }
    KxGSetRows rows;
    const int32_t status = BuildRows(objects, rows, context != nullptr ? context : request.GetMemberMapContext());
    if (status != 0) {
        return status;
    }
    // Empty sets leave no rows: without any, the request gets no buffer and runs no insert.
    request.SetRowCount(rows.buffer ? rows.buffer->GetRowCount() : 0);
    request.SetObjectBuffer(std::move(rows.buffer));
    return 0;
}

int32_t KxGSetMemberMap::FillRowsFromList(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context)
{
    if (!KeepsSetTable()) {
        return 0;
    }
    std::vector<RowRef> all;
    for (KxObjectAlias* object : objects) {
        auto* image = dynamic_cast<KxSQLSetAlias*>(object);
        if (image == nullptr) {
            // The row image of an owner carries none of its set's rows: writing it again would leave
            // the set as the undone work made it (or without its rows). Refused, never half-written.
            if (dynamic_cast<KxSQLObjectAlias*>(object) != nullptr) {
                return KXG_E_NOT_SUPPORTED;
            }
            continue;
        }
        image->Rewind();
        for (KxGSQLObjectBuffer* buffer = image->NextRow(); buffer != nullptr; buffer = image->NextRow()) {
            all.emplace_back(buffer, buffer->GetCurrentRow());
        }
        image->Rewind();
    }
    if (all.empty()) {
        request.SetRowCount(0);
        request.SetObjectBuffer(nullptr);
        return 0;
    }
    KxGDatabase* database = DatabaseOf(request, schemaMap_);
    std::unique_ptr<KxGSQLObjectBuffer> rows(new (std::nothrow) KxGSQLObjectBuffer(rowSize_, database, handles_));
    if (!rows) {
        return KXG_E_NO_MEMORY;
    }
    rows->Allocate(static_cast<int32_t>(all.size()));
    if (rows->GetRowCount() != static_cast<int32_t>(all.size())) {
        return KXG_E_NO_MEMORY;
    }
    KxGRowContext to(rows.get());
    int32_t status = 0;
    for (size_t i = 0; i < all.size() && status == 0; ++i) {
        KxGRowContext from(all[i].first);
        from.SetCurrentRow(all[i].second);
        to.SetCurrentRow(static_cast<int32_t>(i));
        status = setMap_->CopyRows(from, to, 1);
        for (KxGMemberMap* element : elements_) {
            if (status == 0) {
                status = element->CopyRows(from, to, 1);
            }
        }
    }
    (void)context;
    if (status != 0) {
        return status;
    }
    rows->SetCurrentRow(0);
    request.SetRowCount(rows->GetRowCount());
    request.SetObjectBuffer(std::move(rows));
    return 0;
}

int32_t KxGSetMemberMap::FillIdRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias*)
{
    if (!KeepsSetTable()) {
        return 0;
    }
    std::vector<KxRef> refs;
    int32_t status = SetRefsOf(objects, refs);
    if (status != 0 || refs.empty()) {
        return status;
    }
    std::unique_ptr<KxGSQLObjectBuffer> rows =
        IdRows(refs, DatabaseOf(request, schemaMap_), request.GetMemberMapContext(), status);
    if (status != 0) {
        return status;
    }
    request.SetRowCount(rows->GetRowCount());
    request.SetObjectBuffer(std::move(rows));
    return 0;
}

int32_t KxGSetMemberMap::PrepareStatements(KxGRequest& request, KxObjectAlias*)
{
    if (!KeepsSetTable()) {
        return 0;
    }
    KxGDatabase* database = DatabaseOf(request, schemaMap_);
    int32_t status = BuildTemplates(database);
    if (status != 0) {
        return status;
    }
    KxGTableRows rows;
    rows.database = database;
    rows.flags = request.GetFlags();
    rows.context = request.GetMemberMapContext();
    rows.keep = &request.GetBatchBuffers();
    const int32_t operation = request.GetOperation();
    if (operation == KXG_OP_DELETE) {
        KxGSQLObjectBuffer* ids = request.GetObjectBuffer();
        if (ids == nullptr) {
            status = FillIdRows(request, request.GetAliases(), nullptr);
            ids = request.GetObjectBuffer();
        }
        if (status != 0 || ids == nullptr) {
            return status;
        }
        rows.buffer = ids;
        rows.rowCount = ids->GetRowCount();
        return tableMap_->PrepareStatement(KXG_TABLE_DELETE, rows, request.GetStatements());
    }
    if (operation == KXG_OP_UPDATE) {
        request.SetFlags(request.GetFlags() | KXG_REQUEST_UPDATE);
        rows.flags = request.GetFlags();
        // The old rows of every owner's set go first, those of sets that are empty now included.
        std::vector<KxRef> refs;
        status = SetRefsOf(request.GetAliases(), refs);
        if (status != 0) {
            return status;
        }
        if (!refs.empty()) {
            std::unique_ptr<KxGSQLObjectBuffer> ids = IdRows(refs, database, rows.context, status);
            if (status != 0) {
                return status;
            }
            KxGTableRows deletes = rows;
            deletes.buffer = ids.get();
            deletes.rowCount = ids->GetRowCount();
            deletes.keep = nullptr;   // a last batch that is a copy runs at once
            KxGStatementList list;
            status = tableMap_->PrepareStatement(KXG_TABLE_DELETE, deletes, list);
            for (uint32_t i = 0; i < list.Count() && status == 0; ++i) {
                if (list.GetStatement(i)->Execute() == 0) {
                    status = DatabaseError(database, KXG_E_MAP_EXECUTE);
                }
            }
            list.ClearAll();
            if (status != 0) {
                return status;
            }
        }
    } else if (operation != KXG_OP_INSERT) {
        return 0;
    }
    KxGSQLObjectBuffer* buffer = request.GetObjectBuffer();
    if (buffer == nullptr || buffer->GetRowCount() == 0) {
        return 0;   // no elements: nothing to insert
    }
    rows.buffer = buffer;
    rows.rowCount = request.GetRowCount() > 0 ? request.GetRowCount() : buffer->GetRowCount();
    status = tableMap_->PrepareStatement(KXG_TABLE_INSERT, rows, request.GetStatements());
    buffer->SetCurrentRow(0);
    return status;
}

// ---- reading --------------------------------------------------------------------------------------

int32_t KxGSetMemberMap::ReadSetRows(KxGDatabase* database, const KxRef& setRef,
                                     std::unique_ptr<KxGSQLObjectBuffer>& result, KxGContext* context)
{
    result.reset();
    int32_t status = BuildTemplates(database);
    if (status != 0) {
        return status;
    }
    std::unique_ptr<KxGStatement> made(tableMap_->MakeStatement(KXG_TABLE_SELECT, KxString(), status, database));
    auto* statement = dynamic_cast<KxGSelectStatement*>(made.get());
    if (statement == nullptr) {
        return status != 0 ? status : KXG_E_NO_TEMPLATE;
    }
    // One buffer of rowsPerFetch_ rows: row 0 holds the set's id as the parameter, then the rows.
    std::unique_ptr<KxGSQLObjectBuffer> fetch = IdRows({setRef}, database, context, status);
    if (status != 0) {
        return status;
    }
    fetch->Allocate(rowsPerFetch_);
    if (fetch->GetRowCount() != rowsPerFetch_) {
        return KXG_E_NO_MEMORY;
    }
    KxGRowContext first(fetch.get());
    status = setMap_->GetIDMap()->StoreRef(setRef, first, 0, context);
    if (status == 0) {
        status = tableMap_->BindRows(KXG_TABLE_SELECT, *statement, *fetch, rowsPerFetch_, 0, context);
    }
    if (status != 0) {
        return status;
    }
    if (statement->Execute() == 0) {
        return KXG_E_MAP_EXECUTE;
    }
    // The fetched rows, in chunks: each fetch goes into a buffer of its own, which keeps the handles
    // (large-object locators) its rows were fetched into.
    std::vector<std::pair<std::unique_ptr<KxGSQLObjectBuffer>, int32_t>> chunks;
    int32_t total = 0;
    for (;;) {
        uint32_t fetched = 0;
        if (statement->Fetch(fetched) == 0) {
            statement->CloseCursor();
            return KXG_E_MAP_FETCH;
        }
        const bool more = fetched >= static_cast<uint32_t>(rowsPerFetch_);
        if (fetched > 0) {
            total += static_cast<int32_t>(fetched);
            chunks.emplace_back(std::move(fetch), static_cast<int32_t>(fetched));
        }
        if (!more) {
            break;
        }
        // The next rows into a fresh buffer.
        KxGStatementHdl* handle = statement->GetStatementHdl();
        fetch.reset(new (std::nothrow) KxGSQLObjectBuffer(rowSize_, database, handles_));
        if (!fetch || handle == nullptr) {
            return KXG_E_NO_MEMORY;
        }
        fetch->Allocate(rowsPerFetch_);
        if (fetch->GetRowCount() != rowsPerFetch_) {
            return KXG_E_NO_MEMORY;
        }
        handle->UnbindResults();
        KxGRowContext next(fetch.get());
        uint16_t column = 1;
        status = setMap_->BindColumn(column, next, *handle, 0x3);
        if (status == 0) {
            status = elementRow_->BindColumn(column, next, *handle, rowsPerFetch_, context);
        }
        if (status != 0) {
            return status;
        }
        statement->SetRowsPerFetch(static_cast<uint32_t>(rowsPerFetch_));
    }
    statement->CloseCursor();
    if (total == 0) {
        return 0;
    }
    // One buffer, in EID order (the handles move with their rows).
    std::vector<std::pair<int32_t, RowRef>> order;
    for (auto& [chunk, count] : chunks) {
        KxGRowContext at(chunk.get());
        for (int32_t r = 0; r < count; ++r) {
            at.SetCurrentRow(r);
            order.push_back({setMap_->LoadEID(at, context), RowRef(chunk.get(), r)});
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    result.reset(new (std::nothrow) KxGSQLObjectBuffer(rowSize_, database, handles_));
    if (!result) {
        return KXG_E_NO_MEMORY;
    }
    result->Allocate(total);
    KxGRowContext to(result.get());
    for (int32_t i = 0; i < total && status == 0; ++i) {
        auto* from = static_cast<KxGSQLObjectBuffer*>(order[static_cast<size_t>(i)].second.first);
        const int32_t row = order[static_cast<size_t>(i)].second.second;
        KxGRowContext source(from);
        source.SetCurrentRow(row);
        to.SetCurrentRow(i);
        status = setMap_->CopyRows(source, to, 1);
        if (status == 0) {
            status = elementRow_->CopyRows(source, to, 1);
        }
        if (status == 0 && handles_ != 0) {
            result->SetCurrentRow(i);
            status = result->MoveDescriptors(*from, row, 1);
        }
    }
    result->SetCurrentRow(0);
    if (status != 0) {
        result.reset();
    }
    return status;
}

int32_t KxGSetMemberMap::ReadObjects(KxGObjectFetcher& reader, const KxGAliasVector& aliases)
{
    if (!KeepsSetTable()) {
        return 0;
    }
    KxGDatabase* database = reader.GetDatabase() != nullptr ? reader.GetDatabase() : schemaMap_->GetDatabase();
    KxGContext context(database);
    for (KxObjectAlias* alias : aliases) {
        KxRef ref;
        auto* set = dynamic_cast<KxGSetAlias*>(alias);
        auto* image = dynamic_cast<KxSQLSetAlias*>(alias);
        if (set != nullptr && set->GetOwner() != nullptr) {
            ref = SetRefOf(*set, *set->GetOwner());
        } else if (image != nullptr) {
            image->GetRef(ref);
        } else {
            continue;
        }
        std::unique_ptr<KxGSQLObjectBuffer> rows;
        int32_t status = ReadSetRows(database, ref, rows, &context);
        if (status == 0 && set != nullptr) {
            status = LoadElements(RowsOf(rows.get()), *set, &context);
        } else if (status == 0 && image != nullptr && rows) {
            status = image->SetBuffer(rows.get());
            if (status == 0) {
                rows.release();
            }
        }
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

int32_t KxGSetMemberMap::LoadRows(const KxGAliasVector& aliases, const KxGAliasVector& objects, KxGContext* context)
{
    auto* image = !aliases.empty() ? dynamic_cast<KxSQLSetAlias*>(aliases.front()) : nullptr;
    auto* set = !objects.empty() ? dynamic_cast<KxGSetAlias*>(objects.front()) : nullptr;
    if (image == nullptr || set == nullptr) {
        return 0;
    }
    std::vector<RowRef> rows;
    image->Rewind();
    for (KxGSQLObjectBuffer* buffer = image->NextRow(); buffer != nullptr; buffer = image->NextRow()) {
        rows.emplace_back(buffer, buffer->GetCurrentRow());
    }
    image->Rewind();
    return LoadElements(std::move(rows), *set, context);
}

// ---- handle-typed element values ------------------------------------------------------------------

int32_t KxGSetMemberMap::ResetRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias*)
{
    if (!KeepsSetTable() || handles_ == 0 || objects.empty()) {
        return 0;
    }
    KxGDatabase* database = DatabaseOf(request, schemaMap_);
    int32_t status = BuildTemplates(database);
    if (status != 0) {
        return status;
    }
    const int32_t requested = schemaMap_ != nullptr ? schemaMap_->GetOptionRegistry().GetBatchSize() : 1000;
    int32_t batch = database != nullptr
                        ? database->GetBatchSize(requested, (request.GetFlags() & KXG_REQUEST_ARRAYS) != 0 ? 1 : 0)
                        : requested;
    // An IN list holds at most 1000 ids.
    batch = std::clamp(batch, 1, 1000);
    // The select's result columns get fresh handles to fetch into; the stores then write only the
    // handle-typed values, through those handles.
    const uint32_t flags = request.GetFlags() & ~static_cast<uint32_t>(KXG_REQUEST_HANDLES_ONLY);
    uint32_t rowFlags = KXG_ROW_SKIP_ORDINARY;
    if (request.GetOperation() == KXG_OP_INSERT) {
        rowFlags |= KXG_ROW_NO_CREATE_HANDLES;
    }
    KxGContext* context = request.GetMemberMapContext();
    for (size_t first = 0; first < objects.size() && status == 0; first += static_cast<size_t>(batch)) {
        const size_t end = std::min(objects.size(), first + static_cast<size_t>(batch));
        std::vector<std::unique_ptr<KxGSetAlias>> sets;
        std::vector<KxRef> refs;
        int32_t elements = 0;
        for (size_t i = first; i < end; ++i) {
            std::unique_ptr<KxGSetAlias> set = objects[i] != nullptr ? CreateSetAlias(*objects[i]) : nullptr;
            if (!set) {
                return KXG_E_NO_MEMORY;
            }
            refs.push_back(SetRefOf(*set, *objects[i]));
            elements += set->GetCount();
            sets.push_back(std::move(set));
        }
        if (elements == 0) {
            continue;
        }
        const bool one = refs.size() == 1;
        KxString idList;
        if (!one) {
            std::string text;
            for (const KxRef& ref : refs) {
                text += (text.empty() ? "" : ",") + Decimal(ref.GetObjId());
            }
            idList = KxString(text.c_str());
        }
        std::unique_ptr<KxGStatement> made(tableMap_->MakeStatement(
            one ? KXG_TABLE_SELECT_HANDLES : KXG_TABLE_SELECT_HANDLES_LIST, idList, status, database));
        auto* statement = dynamic_cast<KxGSelectStatement*>(made.get());
        if (statement == nullptr) {
            return status != 0 ? status : KXG_E_NO_TEMPLATE;
        }
        std::unique_ptr<KxGSQLObjectBuffer> fetch = IdRows({refs.front()}, database, context, status);
        if (status != 0) {
            return status;
        }
        fetch->Allocate(elements);
        KxGRowContext idRow(fetch.get());
        status = setMap_->GetIDMap()->StoreRef(refs.front(), idRow, 0, context);
        if (status == 0) {
            status = tableMap_->BindRows(one ? KXG_TABLE_SELECT_HANDLES : KXG_TABLE_SELECT_HANDLES_LIST, *statement,
                                         *fetch, elements, flags, context);
        }
        if (status != 0) {
            return status;
        }
        if (statement->Execute() == 0) {
            return KXG_E_MAP_EXECUTE;
        }
        uint32_t fetched = 0;
        if (statement->Fetch(fetched) == 0) {
            statement->CloseCursor();
            return KXG_E_MAP_FETCH;
        }
        // Each fetched row is one element: its set by id (from after the previous match, then from
        // the first), its element by EID.
        KxGRowContext rows(fetch.get(), rowFlags);
        size_t previous = 0;
        for (uint32_t r = 0; r < fetched && status == 0; ++r) {
            rows.SetCurrentRow(static_cast<int32_t>(r));
            KxRef ref;
            status = setMap_->Load(rows, ref, context);
            if (status != 0) {
                break;
            }
            size_t match = refs.size();
            for (size_t k = 0; k < refs.size() && match == refs.size(); ++k) {
                const size_t at = (previous + 1 + k) % refs.size();
                if (SameId(refs[at], ref)) {
                    match = at;
                }
            }
            if (match == refs.size()) {
                status = KXG_E_NOT_FOUND_FOR_UPDATE;
                break;
            }
            previous = match;
            const int32_t eid = setMap_->LoadEID(rows, context);
            KxGSetAlias& set = *sets[match];
            int32_t step = set.First();
            for (int32_t k = 1; k < eid && step == 0; ++k) {
                step = set.Next();
            }
            if (step != 0 || eid < 1) {
                status = KXG_E_NOT_FOUND_FOR_UPDATE;
                break;
            }
            for (KxGMemberMap* element : elements_) {
                status = element->Store(set, rows, context);
                if (status != 0) {
                    break;
                }
            }
            set.ReleaseElement();
        }
        statement->CloseCursor();
    }
    if (KxGSQLObjectBuffer* buffer = request.GetObjectBuffer()) {
        buffer->SetCurrentRow(0);
        buffer->SetCount(0);
    }
    return status;
}

// ---- blob sets ------------------------------------------------------------------------------------

int32_t KxGSetMemberMap::StreamContainer(KxObjectAlias& object, KxGRowContext& rows, uint32_t, KxGMemberMap& container,
                                         KxGContext*)
{
    auto* blob = dynamic_cast<KxGBlobSetMemberMap*>(this);
    auto* map = dynamic_cast<KxGBlobContainerMemberMap*>(container.AsBlobContainerMemberMap());
    if (blob == nullptr || map == nullptr) {
        return 0;   // a set of its own table
    }
    const int32_t entry = map->GetEntryIndex(this);
    if (entry < 0) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    uint8_t* data = nullptr;
    uint16_t oidFlag = 0;
    int32_t status = map->BeginEntry(static_cast<uint32_t>(entry), 0, rows, data, oidFlag);
    if (status != 0) {
        return status;
    }
    uint32_t needed = 0;
    uint8_t* position = data;
    status = blob->StreamSet(KxTypeMgr::GetDefault(), position, object, map->GetRoom(rows, data), needed);
    if (status != 0) {
        // Too small: the caller enlarges the container (or its one-row child buffer) and streams the
        // object again; the set is never dropped.
        return status;
    }
    return map->EndEntry(static_cast<uint32_t>(entry), position, rows);
}
