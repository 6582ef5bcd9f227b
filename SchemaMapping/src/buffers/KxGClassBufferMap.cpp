// The class buffer map: rows of a class's main table in row buffers.
#include "KxGClassBufferMap.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGOptionRegistry.h"
#include "KxGReadUnitOfWork.h"
#include "KxGRowBufferCache.h"
#include "KxGSQLBuffer.h"
#include "KxGSchemaMap.h"
#include "KxGStatement.h"
#include "KxGStatusCodes.h"
#include "KxGStoreHandlers.h"
#include "KxObjectAlias.h"
#include "KxRef.h"

namespace {

// The id of an alias's object.
KxObjId IdOf(const KxObjectAlias& alias)
{
    KxRef ref;
    alias.GetRef(ref);
    return ref.GetObjId();
}

// "id,id,...": each id as its 64-bit decimal number.
KxString IdList(const std::vector<KxObjectAlias*>& aliases, size_t first, size_t count)
{
    std::string text;
    for (size_t i = first; i < first + count; ++i) {
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(IdOf(*aliases[i]).Get64());
    }
    return KxString(text.c_str());
}

int32_t DatabaseError(KxGDatabase* database, int32_t fallback)
{
    KxGDatabaseError* error = database != nullptr ? database->GetError() : nullptr;
    const int32_t code = error != nullptr && error->HasError() != 0 ? error->ErrorCode() : 0;
    return code != 0 ? code : fallback;
}

}  // namespace

KxGClassBufferMap::KxGClassBufferMap(KxGClassMap* classMap, int32_t& status)
    : KxGBufferMap(classMap != nullptr ? classMap->GetSQLSize() : 0), classMap_(classMap)
{
    idSize_ = GetRowWidth();
    KxGTable table;
    status = classMap_ != nullptr && classMap_->GetSchemaMap() != nullptr && classMap_->GetClass() != nullptr
                 ? classMap_->GetSchemaMap()->GetTableName(*classMap_->GetClass(), table)
                 : KXG_E_NO_CLASS_MAP;
    mainTable_ = std::make_unique<KxGTableMap>(table, classMap_);
    mainTable_->AddBufferMap(this);
}

KxGClassBufferMap::~KxGClassBufferMap() = default;

KxGDatabase* KxGClassBufferMap::Database() const
{
    return classMap_ != nullptr && classMap_->GetSchemaMap() != nullptr ? classMap_->GetSchemaMap()->GetDatabase()
                                                                        : nullptr;
}

int32_t KxGClassBufferMap::BatchSize(KxGDatabase* database, uint32_t flags) const
{
    const int32_t requested = classMap_ != nullptr && classMap_->GetSchemaMap() != nullptr
                                  ? classMap_->GetSchemaMap()->GetOptionRegistry().GetBatchSize()
                                  : 1000;
    int32_t batch = database != nullptr
                        ? database->GetBatchSize(requested, (flags & KXG_REQUEST_ARRAYS) != 0 ? 1 : 0)
                        : requested;
    return batch > 0 ? batch : 1;
}

// ---- rows ------------------------------------------------------------------------------------------

std::unique_ptr<KxGSQLObjectBuffer> KxGClassBufferMap::MakeRowBuffer(int32_t rows) const
{
    auto buffer = std::make_unique<KxGSQLObjectBuffer>(GetRowWidth(), Database(), GetHandleColumnCount());
    buffer->Allocate(rows);
    if (rows > 0 && buffer->GetData() == nullptr) {
        return nullptr;
    }
    return buffer;
}

int32_t KxGClassBufferMap::CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count)
{
    int32_t status = classMap_->CopyRows(source, target, count);
    for (KxGMemberMap* memberMap : memberMaps_) {
        if (status != 0) {
            break;
        }
        status = memberMap->CopyRows(source, target, count);
    }
    return status;
}

int32_t KxGClassBufferMap::LoadObject(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context)
{
    // The object's address and class, asked once for all its members (as a store does).
    const bool placedBefore = rows.Placed(object);
    struct Placing {
        KxGRowContext& rows;
        bool keep;
        ~Placing()
        {
            if (!keep) {
                rows.SetPlaced(nullptr, nullptr, KxClassId());
            }
        }
    } placing{rows, placedBefore};
    if (!placedBefore) {
        KxRef ref;
        object.GetRef(ref);
        rows.SetPlaced(&object, object.GetAddress(), ref.GetClassId());
    }
    for (KxGMemberMap* memberMap : memberMaps_) {
        if (memberMap->GetStorageType() == KXG_STORAGE_BLOB) {
            continue;
        }
        int32_t status = memberMap->Load(rows, object, context);
        if (status == KXG_E_NOT_SUPPORTED && memberMap->AsRefMemberMap() != nullptr) {
            status = 0;   // a pointer member: only the object reader turns its reference into an object
        }
        if (status != 0) {
            return status;
        }
    }
    return LoadContainer(rows, object, context);
}

int32_t KxGClassBufferMap::StoreObject(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context)
{
    KxRef ref;
    object.GetRef(ref);
    int32_t status = classMap_->Store(ref, rows, 1, context);
    if (status < 0) {
        return status;
    }
    // The object's address and class, asked once for all its members.
    struct Placing {
        KxGRowContext& rows;
        ~Placing() { rows.SetPlaced(nullptr, nullptr, KxClassId()); }
    } placing{rows};
    rows.SetPlaced(&object, object.GetAddress(), ref.GetClassId());
    for (KxGMemberMap* memberMap : memberMaps_) {
        if (memberMap->GetStorageType() == KXG_STORAGE_BLOB) {
            continue;
        }
        status = memberMap->Store(object, rows, context);
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

int32_t KxGClassBufferMap::Fill(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context)
{
    // A container found too small grows (and the row with it) and the rows are filled again.
    for (int32_t round = 0;; ++round) {
        lastNeed_ = 0;
        const int32_t status = FillOnce(objects, request, context);
        if (status != KXG_E_BLOB_CONTAINER_TOO_SMALL || lastNeed_ == 0 || round >= kMaxContainerRereads ||
            GrowContainer(lastNeed_) != 0) {
            return status;
        }
    }
}

int32_t KxGClassBufferMap::FillOnce(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context)
{
    if (objects.empty()) {
        return 0;
    }
    std::unique_ptr<KxGSQLObjectBuffer> buffer = MakeRowBuffer(static_cast<int32_t>(objects.size()));
    if (!buffer) {
        return KXG_E_NO_MEMORY;
    }
    KxGSQLObjectBuffer* rowsBuffer = buffer.get();
    request.SetObjectBuffer(std::move(buffer));
    request.SetRowCount(static_cast<int32_t>(objects.size()));
    // Handle-typed values are written through their handles once the rows exist (ResetRows).
    KxGRowContext rows(rowsBuffer, KXG_ROW_SKIP_HANDLES);
    int32_t status = 0;
    for (size_t i = 0; i < objects.size() && status == 0; ++i) {
        rows.SetCurrentRow(static_cast<int32_t>(i));
        rowsBuffer->SetCurrentRow(static_cast<int32_t>(i));
        if (objects[i] == nullptr) {
            status = KX_ALIAS_E_NULL;
            break;
        }
        // An SQL image (a before-image read from the row) is written again as it was read: its row
        // is copied; its buffer is no object to store members from.
        auto* image = objects[i]->GetKind() == KX_ALIAS_SQL_IMAGE ? dynamic_cast<KxSQLObjectAlias*>(objects[i]) : nullptr;
        if (image != nullptr && image->GetBuffer() != nullptr) {
            if (GetHandleColumnCount() != 0) {
                // Handle-typed values live behind the image's own handles: not written again.
                status = KXG_E_NOT_SUPPORTED;
                break;
            }
            KxGRowContext from(image->GetBuffer());
            from.SetCurrentRow(image->GetBuffer()->GetCurrentRow());
            status = CopyRows(from, rows, 1);
            // Texts go back in the form the object's store wrote them, not as they were read.
            for (KxGMemberMap* memberMap : memberMaps_) {
                KxGTypeMemberMap* typed = status == 0 ? memberMap->AsTypeMemberMap() : nullptr;
                if (typed != nullptr) {
                    status = typed->RestoreWrittenForm(rows, context);
                }
            }
            continue;
        }
        status = StoreObject(*objects[i], rows, context);
        if (status == 0) {
            status = FillContainer(*objects[i], static_cast<uint32_t>(i), rows, request, context);
        }
    }
    rowsBuffer->SetCurrentRow(0);
    return status;
}

int32_t KxGClassBufferMap::FillRows(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context)
{
    return Fill(objects, request, context);
}

int32_t KxGClassBufferMap::FillRowsFromList(const KxGAliasVector& objects, KxGRequest& request, KxGContext* context)
{
    return Fill(objects, request, context);
}

int32_t KxGClassBufferMap::FillIdRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias*)
{
    if (objects.empty()) {
        return 0;
    }
    std::unique_ptr<KxGSQLObjectBuffer> buffer = MakeRowBuffer(static_cast<int32_t>(objects.size()));
    if (!buffer) {
        return KXG_E_NO_MEMORY;
    }
    KxGRowContext rows(buffer.get());
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i] == nullptr) {
            return KX_ALIAS_E_NULL;
        }
        KxRef ref;
        objects[i]->GetRef(ref);
        rows.SetCurrentRow(static_cast<int32_t>(i));
        const int32_t status = classMap_->Store(ref, rows, 1, request.GetMemberMapContext());
        if (status < 0) {
            return status;
        }
    }
    buffer->SetCurrentRow(0);
    request.SetObjectBuffer(std::move(buffer));
    request.SetRowCount(static_cast<int32_t>(objects.size()));
    return 0;
}

int32_t KxGClassBufferMap::LoadRows(const KxGAliasVector& aliases, const KxGAliasVector& objects, KxGContext* context)
{
    const size_t count = std::min(aliases.size(), objects.size());
    for (size_t i = 0; i < count; ++i) {
        auto* image = dynamic_cast<KxSQLObjectAlias*>(aliases[i]);
        if (image == nullptr || objects[i] == nullptr || image->GetBuffer() == nullptr) {
            continue;
        }
        KxGRowContext rows(image->GetBuffer());
        rows.SetCurrentRow(image->GetBuffer()->GetCurrentRow());
        const int32_t status = LoadObject(rows, *objects[i], context);
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

// ---- statements ------------------------------------------------------------------------------------

int32_t KxGClassBufferMap::BuildTemplates()
{
    KxGDatabase* database = Database();
    KxGDatabaseInfo* info = database != nullptr ? database->GetDatabaseInfo() : nullptr;
    if (info == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    int32_t status = mainTable_->BuildTemplates(*info);
    for (KxGTableMap* tableMap : tableMaps_) {
        if (status == 0 && tableMap != nullptr) {
            status = tableMap->BuildTemplates(*info);
        }
    }
    return status;
}

int32_t KxGClassBufferMap::PrepareStatements(KxGRequest& request, KxObjectAlias*)
{
    if (request.GetOperation() == KXG_OP_UPDATE) {
        request.SetFlags(request.GetFlags() | KXG_REQUEST_UPDATE);
    }
    const int32_t operation = request.GetOperation();
    KxGSQLObjectBuffer* buffer = request.GetObjectBuffer();
    if (buffer == nullptr ||
        (operation != KXG_OP_INSERT && operation != KXG_OP_UPDATE && operation != KXG_OP_DELETE)) {
        return 0;   // only the writes prepare statements over the request's rows
    }
    KxGTableRows rows;
    rows.database = request.GetDatabase() != nullptr ? request.GetDatabase() : Database();
    rows.buffer = buffer;
    rows.rowCount = request.GetRowCount() > 0 ? request.GetRowCount() : buffer->GetRowCount();
    rows.flags = request.GetFlags();
    rows.context = request.GetMemberMapContext();
    rows.keep = &request.GetBatchBuffers();
    const auto kind = static_cast<uint16_t>(operation);
    int32_t status = mainTable_->PrepareStatement(kind, rows, request.GetStatements());
    for (KxGTableMap* tableMap : tableMaps_) {
        if (status == 0 && tableMap != nullptr) {
            status = tableMap->PrepareStatement(kind, rows, request.GetStatements());
        }
    }
    buffer->SetCurrentRow(0);
    return status;
}

int32_t KxGClassBufferMap::ExecuteTableMaps(KxGRequest& request, const KxGAliasVector&)
{
    KxGStatementList& statements = request.GetStatements();
    for (uint32_t i = 0; i < statements.Count(); ++i) {
        KxGStatement* statement = statements.GetStatement(i);
        if (statement != nullptr && statement->Execute() == 0) {
            return DatabaseError(statement->GetDatabase(), KXG_E_MAP_EXECUTE);
        }
    }
    request.ClearStatements();
    return 0;
}

int32_t KxGClassBufferMap::CollectForStoreHandler(KxGStoreHdl& storeHdl)
{
    for (KxGMemberMap* memberMap : memberMaps_) {
        storeHdl.AddMemberMap(memberMap);
    }
    return 0;
}

int32_t KxGClassBufferMap::JoinMemberMap(KxGMemberMap* memberMap, int32_t bytes, int32_t& offset)
{
    offset = GetRowWidth();
    SetRowWidth(offset + (bytes > 0 ? bytes : 0));
    if (memberMap != nullptr) {
        memberMaps_.push_back(memberMap);
        mainTable_->AddMemberMap(memberMap);
    }
    return 0;
}

int32_t KxGClassBufferMap::AddTableMap(KxGTableMap* tableMap)
{
    if (tableMap != nullptr && std::find(tableMaps_.begin(), tableMaps_.end(), tableMap) == tableMaps_.end()) {
        tableMaps_.push_back(tableMap);
    }
    return 0;
}

// ---- reading ---------------------------------------------------------------------------------------

int32_t KxGClassBufferMap::ReadObjects(KxGObjectFetcher& reader, const KxGAliasVector& aliases)
{
    KxGDatabase* database = reader.GetDatabase() != nullptr ? reader.GetDatabase() : Database();
    KxGRowBufferCache* cache = reader.GetRowBufferCache();
    KxGContext context(database);
    std::vector<KxObjectAlias*> fetch;
    for (KxObjectAlias* alias : aliases) {
        if (alias == nullptr) {
            continue;
        }
        const KxObjId id = IdOf(*alias);
        const bool cached = cache != nullptr && cache->Contains(id) != 0;
        if (cached && reader.IsOwnObject(id)) {
            std::unique_ptr<KxGSQLObjectBuffer> row(cache->Take(id));
            const int32_t status = reader.LoadAlias(*alias, std::move(row));
            if (status < 0) {
                return status;
            }
        } else if (!cached) {
            fetch.push_back(alias);
        }
    }
    if (fetch.empty()) {
        return 0;
    }
    // An id asked more than once: its repeats are read in a pass of their own, so that every alias
    // gets a row (and handles) of its own.
    std::vector<KxObjectAlias*> repeats;
    {
        std::vector<KxObjectAlias*> unique;
        std::set<uint64_t> seen;
        for (KxObjectAlias* alias : fetch) {
            (seen.insert(IdOf(*alias).Get64()).second ? unique : repeats).push_back(alias);
        }
        fetch.swap(unique);
    }
    int32_t status = BuildTemplates();
    if (status != 0) {
        return status;
    }
    const size_t chunk = static_cast<size_t>(std::min(BatchSize(database, 0), kMaxIdList));
    for (size_t first = 0; first < fetch.size(); first += chunk) {
        const size_t count = std::min(chunk, fetch.size() - first);
        status = ReadChunk(reader, database, cache, context, fetch, first, count);
        if (status < 0) {
            return status;
        }
    }
    return repeats.empty() ? 0 : ReadObjects(reader, repeats);
}

int32_t KxGClassBufferMap::ReadChunk(KxGObjectFetcher& reader, KxGDatabase* database, KxGRowBufferCache* cache,
                                     KxGContext& context, const std::vector<KxObjectAlias*>& fetch, size_t first,
                                     size_t count)
{
    // The aliases of the chunk by object id (ids are unique within a chunk); each is served once.
    // The read of one object keeps its alias aside instead.
    const bool one = count == 1;
    std::multimap<uint64_t, KxObjectAlias*> waiting;
    KxObjectAlias* waitingOne = one ? fetch[first] : nullptr;
    for (size_t i = first; !one && i < first + count; ++i) {
        waiting.emplace(IdOf(*fetch[i]).Get64(), fetch[i]);
    }
    // Rows with handles keep them (their descriptors move into each object's own row): such a chunk
    // is fetched in one round, so that no later round fetches into handles already handed on.
    const int32_t rowsPerFetch = one ? 1
                                     : static_cast<int32_t>(GetHandleColumnCount() != 0 ? count
                                                                                         : std::min<size_t>(count, 100));
    std::unique_ptr<KxGSQLObjectBuffer> buffer = MakeRowBuffer(rowsPerFetch);
    if (!buffer) {
        return KXG_E_NO_MEMORY;
    }
    KxGRowContext rows(buffer.get());
    int32_t status = 0;
    if (one) {
        KxRef ref;
        fetch[first]->GetRef(ref);
        status = classMap_->Store(ref, rows, 1, &context);
        if (status < 0) {
            return status;
        }
    }
    const uint16_t kind = one ? KXG_TABLE_SELECT : KXG_TABLE_SELECT_LIST;
    std::unique_ptr<KxGStatement> made(
        mainTable_->MakeStatement(kind, one ? KxString() : IdList(fetch, first, count), status, database));
    auto* statement = dynamic_cast<KxGSelectStatement*>(made.get());
    if (statement == nullptr) {
        return status != 0 ? status : KXG_E_NO_TEMPLATE;
    }
    status = mainTable_->BindRows(kind, *statement, *buffer, rowsPerFetch, 0, &context);
    if (status != 0) {
        return status;
    }
    if (statement->Execute() == 0) {
        return KXG_E_MAP_EXECUTE;
    }
    KxObjectAlias* kept = nullptr;   // the one object whose row stays in the fetch buffer
    std::vector<KxObjectAlias*> served;
    for (;;) {
        uint32_t fetched = 0;
        if (statement->Fetch(fetched) == 0) {
            return KXG_E_MAP_FETCH;
        }
        for (uint32_t r = 0; r < fetched; ++r) {
            rows.SetCurrentRow(static_cast<int32_t>(r));
            buffer->SetCurrentRow(static_cast<int32_t>(r));
            KxRef ref;
            status = classMap_->Load(rows, ref, &context);
            if (status != 0) {
                return status;
            }
            served.clear();
            if (one) {
                if (waitingOne != nullptr && IdOf(*waitingOne).Get64() == ref.GetObjId().Get64()) {
                    served.push_back(waitingOne);
                    waitingOne = nullptr;
                }
            } else {
                auto [from, to] = waiting.equal_range(ref.GetObjId().Get64());
                for (auto it = from; it != to; ++it) {
                    served.push_back(it->second);
                }
                waiting.erase(from, to);   // a row no alias of this chunk asked for serves none
            }
            if (!served.empty() && !reader.IsOwnObject(ref.GetObjId())) {
                if (cache != nullptr) {
                    cache->Add(*this, ref.GetObjId(), *buffer);
                }
                continue;
            }
            // The read of one object (one row a fetch, no handles) keeps its row in the fetch buffer
            // and hands that buffer on once the cursor is at its end, instead of a copy. (A fetch at
            // the end writes nothing; a further row of the same id, which only a table without a
            // key on it holds, takes the place of the first, as any order of the rows could.)
            if (one && served.size() == 1 && GetHandleColumnCount() == 0) {
                kept = served.front();
                continue;
            }
            for (size_t k = 0; k < served.size(); ++k) {
                std::unique_ptr<KxGSQLObjectBuffer> row = MakeRowBuffer(1);
                if (!row) {
                    return KXG_E_NO_MEMORY;
                }
                KxGRowContext target(row.get());
                status = CopyRows(rows, target, 1);
                if (status == 0 && GetHandleColumnCount() != 0 && k + 1 == served.size()) {
                    row->MoveDescriptors(*buffer, static_cast<int32_t>(r), 1);
                }
                if (status == 0) {
                    status = RereadContainer(database, *served[k], row, context);
                }
                if (status == 0) {
                    status = reader.LoadAlias(*served[k], std::move(row));
                }
                if (status < 0) {
                    return status;
                }
            }
        }
        if (fetched < static_cast<uint32_t>(rowsPerFetch)) {
            break;
        }
    }
    for (;;) {
        uint16_t more = 0;
        if (statement->MoreResults(more) == 0 || more == 0) {
            break;
        }
    }
    if (kept != nullptr) {
        buffer->SetCurrentRow(0);
        std::unique_ptr<KxGSQLObjectBuffer> row = std::move(buffer);
        status = RereadContainer(database, *kept, row, context);
        if (status == 0) {
            status = reader.LoadAlias(*kept, std::move(row));
        }
        return status < 0 ? status : 0;
    }
    buffer->SetCurrentRow(0);
    // Aliases whose object came back in no row.
    for (size_t i = first; i < first + count; ++i) {
        if (one ? waitingOne != nullptr : waiting.count(IdOf(*fetch[i]).Get64()) != 0) {
            status = reader.NotFound(*fetch[i]);
            if (status < 0) {
                return status;
            }
        }
    }
    return 0;
}

// ---- handle-typed columns ------------------------------------------------------------------------------

int32_t KxGClassBufferMap::ResetRows(KxGRequest& request, const KxGAliasVector& objects, KxObjectAlias*)
{
    if (GetHandleColumnCount() == 0 || objects.empty()) {
        return 0;
    }
    KxGDatabase* database = request.GetDatabase() != nullptr ? request.GetDatabase() : Database();
    int32_t status = BuildTemplates();
    if (status != 0) {
        return status;
    }
    if (!mainTable_->HasHandleColumns()) {
        return 0;
    }
    uint32_t flags = request.GetFlags() | KXG_REQUEST_HANDLES_ONLY;
    if (request.GetOperation() == KXG_OP_INSERT) {
        flags |= KXG_REQUEST_SET_FLAG;
    }
    const size_t chunk = static_cast<size_t>(std::min(BatchSize(database, request.GetFlags()), kMaxIdList));
    for (size_t first = 0; first < objects.size() && status == 0; first += chunk) {
        const size_t count = std::min(chunk, objects.size() - first);
        if (request.GetOperation() != KXG_OP_INSERT) {
            request.SetRowCount(static_cast<int32_t>(count));
        }
        status = ResetChunk(request, database, objects, first, count, flags);
    }
    if (KxGSQLObjectBuffer* buffer = request.GetObjectBuffer()) {
        buffer->SetCurrentRow(0);
        buffer->SetCount(0);
    }
    return status;
}

int32_t KxGClassBufferMap::ResetChunk(KxGRequest& request, KxGDatabase* database, const KxGAliasVector& objects,
                                      size_t first, size_t count, uint32_t flags)
{
    for (size_t i = first; i < first + count; ++i) {
        if (objects[i] == nullptr) {
            return KX_ALIAS_E_NULL;
        }
    }
    KxGContext* context = request.GetMemberMapContext();
    const bool one = count == 1;
    const auto rowsPerFetch = static_cast<int32_t>(count);
    std::unique_ptr<KxGSQLObjectBuffer> buffer = MakeRowBuffer(rowsPerFetch);
    if (!buffer) {
        return KXG_E_NO_MEMORY;
    }
    // The handles are made for the fetch; only the handle-typed values are written through them.
    KxGRowContext rows(buffer.get(), KXG_ROW_SKIP_ORDINARY);
    int32_t status = 0;
    if (one) {
        KxRef ref;
        objects[first]->GetRef(ref);
        status = classMap_->Store(ref, rows, 1, context);
        if (status < 0) {
            return status;
        }
    }
    const uint16_t kind = one ? KXG_TABLE_SELECT_HANDLES : KXG_TABLE_SELECT_HANDLES_LIST;
    std::unique_ptr<KxGStatement> made(
        mainTable_->MakeStatement(kind, one ? KxString() : IdList(objects, first, count), status, database));
    auto* statement = dynamic_cast<KxGSelectStatement*>(made.get());
    if (statement == nullptr) {
        return status != 0 ? status : KXG_E_NO_TEMPLATE;
    }
    status = mainTable_->BindRows(kind, *statement, *buffer, rowsPerFetch, flags, context);
    if (status != 0) {
        return status;
    }
    if (statement->Execute() == 0) {
        return KXG_E_MAP_EXECUTE;
    }
    uint32_t fetched = 0;
    if (statement->Fetch(fetched) == 0) {
        return KXG_E_MAP_FETCH;
    }
    size_t expected = first;
    for (uint32_t r = 0; r < fetched; ++r) {
        rows.SetCurrentRow(static_cast<int32_t>(r));
        buffer->SetCurrentRow(static_cast<int32_t>(r));
        KxRef ref;
        status = classMap_->Load(rows, ref, context);
        if (status != 0) {
            return status;
        }
        // The object at the same position first, then the chunk from its start.
        size_t matched = first + count;
        if (expected < first + count && IdOf(*objects[expected]) == ref.GetObjId()) {
            matched = expected;
        } else {
            for (size_t i = first; i < first + count; ++i) {
                if (IdOf(*objects[i]) == ref.GetObjId()) {
                    matched = i;
                    break;
                }
            }
        }
        if (matched == first + count) {
            return KXG_E_NOT_FOUND_FOR_UPDATE;
        }
        KxObjectAlias* match = objects[matched];
        expected = matched + 1;
        for (KxGMemberMap* memberMap : memberMaps_) {
            if (memberMap->GetStorageType() == KXG_STORAGE_BLOB) {
                continue;
            }
            status = memberMap->Store(*match, rows, context);
            if (status != 0) {
                return status;
            }
        }
        status = WriteChildContainer(request, static_cast<uint32_t>(matched), rows, context);
        if (status != 0) {
            return status;
        }
    }
    statement->Free();
    return 0;
}
