// Table maps: the statement templates of one table and the binding of a request's rows to them.
#include "KxGTableMap.h"

#include <algorithm>

#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGOptionRegistry.h"
#include "KxGSQLBuffer.h"
#include "KxGSchemaMap.h"
#include "KxGStatement.h"
#include "KxGStatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"

namespace {

constexpr uint16_t kKinds = 17;

bool IsSelectKind(uint16_t kind)
{
    return kind == KXG_TABLE_SELECT || kind == KXG_TABLE_SELECT_LIST || kind == KXG_TABLE_SELECT_HANDLES ||
           kind == KXG_TABLE_SELECT_HANDLES_LIST;
}

bool IsKnownKind(uint16_t kind)
{
    return (kind >= KXG_TABLE_INSERT && kind <= KXG_TABLE_SELECT_LIST) || kind == KXG_TABLE_SELECT_HANDLES ||
           kind == KXG_TABLE_SELECT_HANDLES_LIST;
}

// Whether every column of the member map is handle-typed (and it has at least one).
bool IsHandleMap(KxGMemberMap& memberMap)
{
    KxGColumnList columns;
    memberMap.GetColumns(columns);
    if (columns.Count() == 0) {
        return false;
    }
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        if ((columns.GetColumn(i)->GetFlags() & KXG_COLUMN_HANDLE) == 0) {
            return false;
        }
    }
    return true;
}

// A set member map lays out its own table: its columns are not columns of the owner's row.
bool IsRowMember(KxGMemberMap& memberMap) { return memberMap.AsSetMemberMap() == nullptr; }

int32_t ExecuteError(KxGDatabase* database)
{
    KxGDatabaseError* error = database != nullptr ? database->GetError() : nullptr;
    const int32_t code = error != nullptr ? error->ErrorCode() : 0;
    return code != 0 ? code : KXG_E_MAP_EXECUTE;
}

}  // namespace

struct KxGTableMap::Templates {
    std::unique_ptr<KxGStatementTemplate> kinds[kKinds];
};

KxGTableMap::KxGTableMap(const KxGTable& table, KxGClassMap* owner) : table_(table), owner_(owner) {}

KxGTableMap::~KxGTableMap() = default;

void KxGTableMap::AddBufferMap(KxGBufferMap* bufferMap)
{
    if (bufferMap != nullptr && !bufferMaps_.Contains(bufferMap)) {
        bufferMaps_.push_back(bufferMap);
    }
}

void KxGTableMap::AddMemberMap(KxGMemberMap* memberMap)
{
    if (memberMap != nullptr && std::find(memberMaps_.begin(), memberMaps_.end(), memberMap) == memberMaps_.end()) {
        memberMaps_.push_back(memberMap);
        if (built_) {
            ResetTemplates();
        }
    }
}

int32_t KxGTableMap::BuildTemplates(KxGDatabaseInfo& info)
{
    if (built_) {
        return 0;
    }
    if (owner_ == nullptr) {
        return KXG_E_NO_CLASS_MAP;
    }
    KxGColumnList oid;
    KxGColumnList cid;
    owner_->GetColumns(oid, cid);
    idColumns_ = KxGColumnList();
    for (uint32_t i = 0; i < oid.Count(); ++i) {
        idColumns_.AddColumn(oid.GetColumn(i));
    }
    for (uint32_t i = 0; i < cid.Count(); ++i) {
        idColumns_.AddColumn(cid.GetColumn(i));
    }
    KxGColumnList all;
    KxGColumnList settable;
    KxGColumnList handles;
    hasHandles_ = false;
    for (KxGMemberMap* memberMap : memberMaps_) {
        if (!IsRowMember(*memberMap)) {
            continue;
        }
        KxGColumnList columns;
        const int32_t status = memberMap->GetColumns(columns);
        if (status < 0) {
            return status;
        }
        const bool handleMap = IsHandleMap(*memberMap);
        for (uint32_t i = 0; i < columns.Count(); ++i) {
            KxGColumn* column = columns.GetColumn(i);
            all.AddColumn(column);
            if ((column->GetFlags() & KXG_COLUMN_HANDLE) == 0) {
                settable.AddColumn(column);
            } else if (handleMap) {
                handles.AddColumn(column);
                hasHandles_ = true;
            }
        }
    }
    columns_ = all;
    auto made = std::make_unique<Templates>();
    made->kinds[KXG_TABLE_INSERT] = std::make_unique<KxGInsertStatementTemplate>(table_, oid, cid, all, info);
    made->kinds[KXG_TABLE_UPDATE] = std::make_unique<KxGUpdateStatementTemplate>(table_, oid, cid, settable, info);
    made->kinds[KXG_TABLE_DELETE] =
        std::make_unique<KxGDeleteStatementTemplate>(table_, oid, cid, KxGColumnList(), info);
    made->kinds[KXG_TABLE_SELECT] = std::make_unique<KxGNavigationStatementTemplate>(table_, oid, cid, all, info, 0);
    made->kinds[KXG_TABLE_SELECT_LIST] =
        std::make_unique<KxGNavigationManyStatementTemplate>(table_, oid, cid, all, info, 0);
    if (hasHandles_) {
        made->kinds[KXG_TABLE_SELECT_HANDLES] =
            std::make_unique<KxGNavigationStatementTemplate>(table_, oid, cid, handles, info, 1);
        made->kinds[KXG_TABLE_SELECT_HANDLES_LIST] =
            std::make_unique<KxGNavigationManyStatementTemplate>(table_, oid, cid, handles, info, 1);
    }
    templates_ = std::move(made);
    built_ = true;
    return 0;
}

void KxGTableMap::ResetTemplates()
{
    templates_.reset();
    built_ = false;
}

KxGStatementTemplate* KxGTableMap::GetTemplate(uint16_t kind) const
{
    return templates_ && kind < kKinds ? templates_->kinds[kind].get() : nullptr;
}

KxGStatement* KxGTableMap::MakeStatement(uint16_t kind, const KxString& idList, int32_t& status,
                                         KxGDatabase* database)
{
    status = 0;
    if (!IsKnownKind(kind)) {
        return nullptr;
    }
    KxGStatementTemplate* kept = GetTemplate(kind);
    if (kept == nullptr) {
        status = KXG_E_NO_TEMPLATE;
        return nullptr;
    }
    if (database == nullptr && owner_ != nullptr && owner_->GetSchemaMap() != nullptr) {
        database = owner_->GetSchemaMap()->GetDatabase();
    }
    if (kind != KXG_TABLE_SELECT_LIST && kind != KXG_TABLE_SELECT_HANDLES_LIST) {
        KxGStatement* statement = kept->CreateStatement(database);
        if (statement != nullptr && kind == KXG_TABLE_DELETE && owner_ != nullptr && owner_->GetMapKind() == 2) {
            statement->SetNoRowCountCheck(1);   // a set may have no rows
        }
        return statement;
    }
    // The id list is part of the text: a copy of the pattern, made for this one use.
    auto* pattern = static_cast<KxGNavigationManyStatementTemplate*>(kept);
    auto copy = std::make_unique<KxGNavigationManyStatementTemplate>(*pattern);
    copy->CompleteText(idList);
    KxGStatement* statement = copy->CreateStatement(database);
    if (statement == nullptr) {
        status = KXG_E_NO_MEMORY;
        return nullptr;
    }
    statement->SetOwnsTemplate(1);
    copy.release();
    return statement;
}

int32_t KxGTableMap::BindRows(uint16_t kind, KxGStatement& statement, KxGSQLBuffer& buffer, int32_t count,
                              uint32_t flags, KxGContext* context)
{
    KxGStatementHdl* handle = statement.GetStatementHdl();
    if (handle == nullptr) {
        return KXG_E_NO_STATEMENT_HANDLE;
    }
    if (owner_ == nullptr) {
        return KXG_E_NO_CLASS_MAP;
    }
    uint32_t rowFlags = 0;
    if (kind == KXG_TABLE_UPDATE) {
        rowFlags |= KXG_ROW_SKIP_HANDLES;   // the update sets no handle-typed column
    }
    KxGRowContext rows(&buffer, rowFlags);
    uint16_t position = 1;
    uint16_t column = 1;
    auto members = [&](bool parameters, bool handlesOnly) -> int32_t {
        for (KxGMemberMap* memberMap : memberMaps_) {
            if (!IsRowMember(*memberMap) || (handlesOnly && !IsHandleMap(*memberMap))) {
                continue;
            }
            const int32_t status = parameters ? memberMap->BindParameter(position, rows, *handle, count, context)
                                              : memberMap->BindColumn(column, rows, *handle, count, context);
            if (status != 0) {
                return status;
            }
        }
        return 0;
    };
    int32_t status = 0;
    switch (kind) {
    case KXG_TABLE_INSERT:
        status = owner_->BindParameter(position, rows, *handle, 0x3);
        if (status == 0) {
            status = members(true, false);
        }
        break;
    case KXG_TABLE_UPDATE:
        status = members(true, false);
        if (status == 0) {
            status = owner_->BindParameter(position, rows, *handle, 0x1);
        }
        break;
    case KXG_TABLE_DELETE:
        status = owner_->BindParameter(position, rows, *handle, 0x1);
        break;
    case KXG_TABLE_SELECT:
    case KXG_TABLE_SELECT_HANDLES:
        status = owner_->BindParameter(position, rows, *handle, 0x1);
        [[fallthrough]];
    case KXG_TABLE_SELECT_LIST:
    case KXG_TABLE_SELECT_HANDLES_LIST:
        if (status == 0) {
            status = owner_->BindColumn(column, rows, *handle, 0x3);
        }
        if (status == 0) {
            status = members(false, kind == KXG_TABLE_SELECT_HANDLES || kind == KXG_TABLE_SELECT_HANDLES_LIST);
        }
        break;
    default:
        return 0;
    }
    if (status != 0) {
        return status;
    }
    if (auto* select = dynamic_cast<KxGSelectStatement*>(&statement)) {
        // a select binds its id parameter for one row and fetches up to the buffer's rows
        select->SetRowCount(1);
        select->SetRowsPerFetch(static_cast<uint32_t>(count));
    } else {
        statement.SetRowCount(static_cast<uint32_t>(count));
    }
    return 0;
}

int32_t KxGTableMap::PrepareStatement(uint16_t kind, KxGTableRows& rows, KxGStatementList& out)
{
    if (!IsKnownKind(kind)) {
        return 0;
    }
    if (rows.buffer == nullptr) {
        return 0;
    }
    if (!built_) {
        KxGDatabase* database = rows.database;
        KxGDatabaseInfo* info = database != nullptr ? database->GetDatabaseInfo() : nullptr;
        if (info == nullptr) {
            return KXG_E_NO_CONNECTION;
        }
        const int32_t built = BuildTemplates(*info);
        if (built != 0) {
            return built;
        }
    }
    const int32_t total = IsSelectKind(kind) ? std::max(rows.rowCount, 1) : rows.rowCount;
    if (total <= 0) {
        return 0;
    }
    int32_t batch = rows.batchSize;
    if (batch <= 0) {
        const int32_t requested = owner_ != nullptr && owner_->GetSchemaMap() != nullptr
                                      ? owner_->GetSchemaMap()->GetOptionRegistry().GetBatchSize()
                                      : 1000;
        batch = rows.database != nullptr
                    ? rows.database->GetBatchSize(requested, (rows.flags & KXG_REQUEST_ARRAYS) != 0 ? 1 : 0)
                    : requested;
    }
    if (batch <= 0 || IsSelectKind(kind)) {
        batch = total;   // a select runs once over its id (list)
    }
    for (int32_t first = 0; first < total; first += batch) {
        const int32_t count = std::min(batch, total - first);
        const bool last = first + count >= total;
        int32_t status = 0;
        std::unique_ptr<KxGStatement> statement(MakeStatement(kind, rows.idList, status, rows.database));
        if (!statement) {
            return status;
        }
        // The rows of this batch: the buffer itself when it is the whole of it, else a copy.
        KxGSQLBuffer* bound = rows.buffer;
        std::unique_ptr<KxGSQLBuffer> slice;
        if (first != 0 || count != rows.buffer->GetRowCount()) {
            if (IsSelectKind(kind)) {
                bound = rows.buffer;   // selects bind the buffer's rows as they are
            } else {
                // An object buffer keeps the handles its rows get while they are bound.
                auto* objects = dynamic_cast<KxGSQLObjectBuffer*>(rows.buffer);
                slice = objects != nullptr
                            ? std::make_unique<KxGSQLObjectBuffer>(objects->GetRowWidth(), objects->GetDatabase(),
                                                                   objects->GetDescriptorsPerRow())
                            : std::make_unique<KxGSQLBuffer>(rows.buffer->GetRowWidth());
                slice->Allocate(count);
                if (slice->GetData() == nullptr) {
                    return KXG_E_NO_MEMORY;
                }
                KxGRowContext from(rows.buffer);
                from.SetCurrentRow(first);
                KxGRowContext to(slice.get());
                status = owner_->CopyRows(from, to, count);
                for (KxGMemberMap* memberMap : memberMaps_) {
                    if (status == 0 && IsRowMember(*memberMap)) {
                        status = memberMap->CopyRows(from, to, count);
                    }
                }
                if (status != 0) {
                    return status;
                }
                bound = slice.get();
            }
        }
        status = BindRows(kind, *statement, *bound, count, rows.flags, rows.context);
        if (status != 0) {
            return status;
        }
        if (!last || (slice && rows.keep == nullptr)) {
            if (statement->Execute() == 0) {
                return ExecuteError(rows.database);
            }
            statement->UnbindParameters();
            continue;
        }
        if (out.Append(statement.get()) < 0) {
            return KXG_E_NO_MEMORY;
        }
        statement.release();
        if (slice) {
            rows.keep->push_back(std::move(slice));
        }
    }
    return 0;
}

KxGTableMap* KxGTableMapList::Find(const KxString& qualifiedName) const
{
    for (KxGTableMap* tableMap : *this) {
        if (tableMap != nullptr && tableMap->GetTable().GetQualifiedName() == qualifiedName) {
            return tableMap;
        }
    }
    return nullptr;
}
