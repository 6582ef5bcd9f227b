// Set maps and the member-map side of set member maps: layout of the set table, its columns and DDL,
// the rows of a batch of sets and the elements loaded back from rows.
#include "KxGSetMemberMap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "KxClassDict.h"
#include "KxGDatabase.h"
#include "KxGProjection.h"
#include "KxGSQLBuffer.h"
#include "KxGSchemaMap.h"
#include "KxGStatementHdl.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasMember.h"
#include "KxObjectAliasSet.h"

// ---- relations -----------------------------------------------------------------------------------

KxGClassMap* KxGRelation::GetTargetClassMap() const
{
    return target_ != nullptr ? target_->GetClassMap() : nullptr;
}

KxGMember* KxGRelation::GetInverseMember() const
{
    if (target_ == nullptr || inverseName_.IsEmpty()) {
        return nullptr;
    }
    for (KxGMember* member : target_->GetAllMembers()) {
        if (member->GetName() == inverseName_) {
            return member;
        }
    }
    for (uint32_t i = 0; i < target_->GetMemberCount(); ++i) {
        if (target_->GetMember(i)->GetName() == inverseName_) {
            return target_->GetMember(i);
        }
    }
    return nullptr;
}

KxGMemberMap* KxGRelation::GetInverseMemberMap() const
{
    KxGMember* member = GetInverseMember();
    return member != nullptr ? member->GetMemberMap() : nullptr;
}

// ---- set map --------------------------------------------------------------------------------------

KxGSetMap::KxGSetMap(KxGSchemaMap* schemaMap, KxGClass* setClass)
    : KxGClassMap(schemaMap, setClass), eid_("EID", KX_TYPE_UINT, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL)
{
    KxGDatabase* database = schemaMap != nullptr ? schemaMap->GetDatabase() : nullptr;
    eidHdl_ = database != nullptr ? database->GetTypeHdl(KX_TYPE_UINT, 0, 0) : nullptr;
    eidSize_ = eidHdl_ != nullptr ? eidHdl_->BufferSize(1) : 0;
}

KxGSetMap::~KxGSetMap() = default;

int32_t KxGSetMap::GetIdRowSize() { return KxGClassMap::GetSQLSize(); }

void KxGSetMap::GetColumns(KxGColumnList& oidColumns, KxGColumnList& cidColumns)
{
    KxGClassMap::GetColumns(oidColumns, cidColumns);
    cidColumns.AddColumn(&eid_);
}

void KxGSetMap::AddSetMemberMap(KxGSetMemberMap* map)
{
    if (std::find(setMaps_.begin(), setMaps_.end(), map) == setMaps_.end()) {
        setMaps_.push_back(map);
    }
}

int32_t KxGSetMap::Store(const KxRef& ref, KxGRowContext& rows, int32_t count, KxGContext* context)
{
    if (eidHdl_ == nullptr || GetIDMap() == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    const int32_t first = rows.GetCurrentRow();
    int32_t status = 0;
    for (int32_t i = 0; i < count && status == 0; ++i) {
        rows.SetCurrentRow(first + i);
        status = GetIDMap()->StoreRef(ref, rows, 0, context);
        uint32_t eid = static_cast<uint32_t>(i + 1);
        uint8_t* value = rows.ValueAddress(GetIdRowSize(), eidSize_, first + i);
        if (status == 0 &&
            (value == nullptr || eidHdl_->VarToSQL(&eid, value, nullptr, eidHdl_->ColumnSize(1), context) == nullptr)) {
            status = -1;
        }
    }
    rows.SetCurrentRow(first);
    return status != 0 ? status : count;
}

int32_t KxGSetMap::CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count)
{
    int32_t status = KxGClassMap::CopyRows(source, target, count);
    const int32_t at = GetIdRowSize();
    for (int32_t i = 0; i < count && status == 0; ++i) {
        uint8_t* from = source.ValueAddress(at, eidSize_, source.GetCurrentRow() + i);
        uint8_t* to = target.ValueAddress(at, eidSize_, target.GetCurrentRow() + i);
        if (from == nullptr || to == nullptr) {
            return KX_ALIAS_E_NULL;
        }
        std::memcpy(to, from, static_cast<size_t>(eidSize_));
    }
    return status;
}

int32_t KxGSetMap::LoadEID(KxGRowContext& rows, KxGContext* context)
{
    uint32_t eid = 0;
    uint8_t* value = rows.ValueAddress(GetIdRowSize(), eidSize_, rows.GetCurrentRow());
    if (eidHdl_ == nullptr || value == nullptr ||
        eidHdl_->SQLToVar(value, &eid, nullptr, eidHdl_->ColumnSize(1), context) == nullptr) {
        return 0;
    }
    return static_cast<int32_t>(eid);
}

// The ids and EID are bound here with their value sizes as bind sizes (the handlers' BindSize answers
// the size it is given).
int32_t KxGSetMap::BindIds(uint16_t& number, KxGRowContext& rows, KxGStatementHdl& statement, uint16_t which,
                           bool asResult)
{
    KxGDatabase* database = GetSchemaMap() != nullptr ? GetSchemaMap()->GetDatabase() : nullptr;
    KxGTypeHdl* oid = database != nullptr ? database->GetTypeHdl(KX_TYPE_OBJID, 0, 0) : nullptr;
    KxGTypeHdl* cid = database != nullptr ? database->GetTypeHdl(KX_TYPE_CLASSID, 0, 0) : nullptr;
    if (oid == nullptr || cid == nullptr || eidHdl_ == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    struct Part {
        KxGTypeHdl* hdl;
        int32_t offset;
        int32_t size;
        int32_t indSize;
        bool bound;
    };
    const int32_t oidSize = oid->BufferSize(1);
    const int32_t cidAt = oidSize + oid->IndSize();
    const Part parts[3] = {
        {oid, 0, oidSize, oid->IndSize(), (which & 0x1) != 0},
        {cid, cidAt, cid->BufferSize(1), cid->IndSize(), (which & 0x2) != 0},
        {eidHdl_, GetIdRowSize(), eidSize_, 0, (which & (0x2 | KXG_BIND_EID)) != 0},
    };
    for (const Part& part : parts) {
        if (!part.bound) {
            continue;
        }
        uint8_t* value = rows.ValueAddress(part.offset, part.size, 0);
        uint8_t* indicator = rows.IndicatorAddress(part.offset, part.size, part.indSize, 0);
        const int32_t bindSize = part.hdl->BindSize(part.size);
        const uint16_t ok = asResult ? statement.BindResult(number, part.hdl, bindSize, value, indicator)
                                     : statement.BindParameter(number, part.hdl, part.hdl->ColumnSize(1), 0, bindSize,
                                                               value, indicator);
        ++number;
        if (ok == 0) {
            return -1;
        }
    }
    return 0;
}

int32_t KxGSetMap::BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, uint16_t which)
{
    return BindIds(position, rows, statement, which, false);
}

int32_t KxGSetMap::BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, uint16_t which)
{
    return BindIds(column, rows, statement, which, true);
}

// ---- set rows -------------------------------------------------------------------------------------

int32_t KxGSetRows::GetRowCount() const
{
    int32_t rows = 0;
    for (const Set& set : sets) {
        rows += set.count;
    }
    return rows;
}

// ---- set member map: member-map side ----------------------------------------------------------------

KxGSetMemberMap::KxGSetMemberMap(KxGSchemaMap* schemaMap, const KxClassId& owner, uint16_t position,
                                 uint16_t setIndex, uint32_t setKind)
    : schemaMap_(schemaMap), position_(position), setIndex_(setIndex), setKind_(setKind), owner_(owner)
{
}

KxGSetMemberMap::~KxGSetMemberMap()
{
    columns_.DeleteAll();
}

void KxGSetMemberMap::BindRelation(KxGMember* member, KxGSetMap* setMap, std::unique_ptr<KxGSetMemberAlias> iterator,
                                   KxGRelation* relation)
{
    member_ = member;
    setMap_ = setMap;
    iterator_ = std::move(iterator);
    relation_ = relation;
    if (name_.IsEmpty() && member != nullptr) {
        name_ = member->GetName();
    }
}

int32_t KxGSetMemberMap::LayOutElements()
{
    if (laidOut_) {
        return 0;
    }
    if (setMap_ == nullptr) {
        return KXG_E_NO_CLASS_MAP;
    }
    // The set table's row: the set map's id part and EID, then the element maps in order.
    KxGBufferMap layout;
    layout.Reserve(setMap_->GetRowSize());
    elements_.clear();
    for (uint32_t i = 0; i < setMap_->GetMemberMapCount(); ++i) {
        KxGMemberMap* element = setMap_->GetMemberMap(i);
        const int32_t status = element->JoinBuffer(layout);
        if (status != 0) {
            return status;
        }
        if (std::find(elements_.begin(), elements_.end(), element) == elements_.end()) {
            elements_.push_back(element);
        }
    }
    rowSize_ = layout.GetRowWidth();
    handles_ = layout.GetHandleColumnCount();
    // Copies of the element columns, named apart by the set member's name.
    columns_.DeleteAll();
    for (KxGMemberMap* element : elements_) {
        KxGColumnList columns;
        const int32_t status = element->GetColumns(columns);
        if (status < 0) {
            return status;
        }
        for (uint32_t c = 0; c < columns.Count(); ++c) {
            const auto* source = dynamic_cast<const KxGMemberColumn*>(columns.GetColumn(c));
            auto* copy = source != nullptr ? new KxGMemberColumn(*source) : new KxGMemberColumn();
            if (source == nullptr) {
                static_cast<KxGColumn&>(*copy) = *columns.GetColumn(c);
            }
            copy->SetName(KxString::EmptyString());
            copy->SetMemberMap(this);
            KxString path(name_);
            if (source != nullptr && !source->GetMemberPath().IsEmpty()) {
                path << "." << source->GetMemberPath();
            }
            copy->SetMemberPath(path);
            columns_.AddColumn(copy);
        }
    }
    laidOut_ = true;
    return 0;
}

int32_t KxGSetMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    if (!KeepsSetTable()) {
        return 0;
    }
    if (!named_) {
        if (member_ == nullptr || schemaMap_ == nullptr) {
            return KXG_E_NO_MEMBER_MAP;
        }
        const int32_t status = schemaMap_->MapSet2TableName(*member_, setIndex_, table_);
        if (status != 0) {
            return status;
        }
        named_ = true;
    }
    int32_t status = LayOutElements();
    if (status != 0) {
        return status;
    }
    setMap_->AddSetMemberMap(this);
    (void)bufferMap;   // the set table is not the owner's: its statements run through the set's own requests
    return MakeTableMap();
}

int32_t KxGSetMemberMap::Resolve(KxGClassMap& classMap)
{
    if (setMap_ != nullptr && setMap_->GetRefMemberMapCount() != 0) {
        classMap.AddRefMemberMap(this);
    }
    return 0;
}

int32_t KxGSetMemberMap::GetColumns(KxGColumnList& list)
{
    if (!KeepsSetTable()) {
        return 0;
    }
    const int32_t status = LayOutElements();
    if (status != 0) {
        return status;
    }
    for (uint32_t i = 0; i < columns_.Count(); ++i) {
        list.AddColumn(columns_.GetColumn(i));
    }
    return 0;
}

int32_t KxGSetMemberMap::GetTable(KxGTable& table)
{
    table = KxGTable(table_.GetName(), table_.GetQualifier());
    return 0;
}

void KxGSetMemberMap::GetTableColumns(KxGColumnList& list)
{
    if (setMap_ != nullptr) {
        KxGColumnList oid;
        KxGColumnList cid;
        setMap_->GetColumns(oid, cid);
        for (KxGColumnList* part : {&oid, &cid}) {
            for (uint32_t i = 0; i < part->Count(); ++i) {
                list.AddColumn(part->GetColumn(i));
            }
        }
    }
    LayOutElements();
    for (uint32_t i = 0; i < columns_.Count(); ++i) {
        list.AddColumn(columns_.GetColumn(i));
    }
}

int32_t KxGSetMemberMap::CreateTable(KxGStatementTemplateList& list)
{
    if (!KeepsSetTable()) {
        return 0;
    }
    KxGDatabase* database = schemaMap_ != nullptr ? schemaMap_->GetDatabase() : nullptr;
    if (database == nullptr || database->GetDatabaseInfo() == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    if (!named_) {
        return KXG_E_NO_TABLE;
    }
    KxGTable table(table_.GetName(), table_.GetQualifier());
    KxGExtendedProjection projection(table);
    KxGColumnList columns;
    GetTableColumns(columns);
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        projection.AddColumn(*columns.GetColumn(i));
    }
    KxGCreateStatementTemplate* made = database->GetDatabaseInfo()->CreateTable(table, projection);
    if (made == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    list.Append(made);
    return 0;
}

int32_t KxGSetMemberMap::CollectReferences(KxGRowContext& rows, std::vector<KxObjId>& list)
{
    for (KxGMemberMap* element : elements_) {
        const int32_t status = element->CollectReferences(rows, list);
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

// ---- rows of sets ---------------------------------------------------------------------------------

std::unique_ptr<KxGSetAlias> KxGSetMemberMap::CreateSetAlias(KxObjectAlias& owner)
{
    if (!iterator_) {
        return nullptr;
    }
    // The set member lies in the block of its declaring class inside the owner's instance.
    uint8_t* block = CachedBlockAddress(schemaMap_, owner, owner_.GetClassNumber());
    if (block == nullptr) {
        return nullptr;
    }
    if (block == owner.GetAddress()) {
        return std::unique_ptr<KxGSetAlias>(iterator_->CreateSetAlias(&owner));
    }
    // A second base's block: an alias at the block's address (kept by the set alias's owner list).
    KxRef ref;
    owner.GetRef(ref);
    blockAliases_.push_back(std::make_unique<KxEmbeddedObjectAlias>(ref, block));
    return std::unique_ptr<KxGSetAlias>(iterator_->CreateSetAlias(blockAliases_.back().get()));
}

KxRef KxGSetMemberMap::SetRefOf(KxGSetAlias& set, KxObjectAlias& owner) const
{
    KxRef ref;
    set.GetSetRef(ref);
    if (ref.GetObjId().IsNull()) {
        KxRef ownerRef;
        owner.GetRef(ownerRef);
        ref.SetObjId(ownerRef.GetObjId());
    }
    if (setMap_ != nullptr) {
        ref.SetClassId(setMap_->GetClass()->GetClassId());
    }
    return ref;
}

int32_t KxGSetMemberMap::BuildRows(const std::vector<KxObjectAlias*>& owners, KxGSetRows& rows, KxGContext* context)
{
    rows.buffer.reset();
    rows.sets.clear();
    blockAliases_.clear();
    if (setMap_ == nullptr) {
        return KXG_E_NO_CLASS_MAP;
    }
    int32_t status = LayOutElements();
    if (status != 0) {
        return status;
    }
    std::vector<std::unique_ptr<KxGSetAlias>> sets;
    int32_t total = 0;
    for (KxObjectAlias* owner : owners) {
        std::unique_ptr<KxGSetAlias> set = owner != nullptr ? CreateSetAlias(*owner) : nullptr;
        if (!set) {
            return KXG_E_NO_MEMORY;
        }
        KxGSetRows::Set entry;
        entry.ref = SetRefOf(*set, *owner);
        entry.first = total;
        entry.count = set->GetCount();
        total += entry.count;
        rows.sets.push_back(entry);
        sets.push_back(std::move(set));
    }
    if (total == 0) {
        return 0;
    }
    KxGDatabase* database = context != nullptr ? context->GetDatabase() : schemaMap_->GetDatabase();
    rows.buffer.reset(new (std::nothrow) KxGSQLObjectBuffer(rowSize_, database, handles_));
    if (!rows.buffer) {
        return KXG_E_NO_MEMORY;
    }
    rows.buffer->Allocate(total);
    if (rows.buffer->GetRowCount() != total) {
        rows.buffer.reset();
        return KXG_E_NO_MEMORY;
    }
    // Handle-typed values are written later through re-selected rows (ResetRows).
    KxGRowContext context2(rows.buffer.get(), KXG_ROW_SKIP_HANDLES);
    for (size_t s = 0; s < sets.size() && status == 0; ++s) {
        KxGSetRows::Set& entry = rows.sets[s];
        if (entry.count == 0) {
            continue;
        }
        context2.SetCurrentRow(entry.first);
        status = setMap_->Store(entry.ref, context2, entry.count, context);
        status = status < 0 ? status : 0;
        int32_t written = 0;
        for (int32_t step = sets[s]->First(); status == 0 && step == 0 && written < entry.count;
             step = sets[s]->Next()) {
            context2.SetCurrentRow(entry.first + written);
            for (KxGMemberMap* element : elements_) {
                status = element->Store(*sets[s], context2, context);
                if (status != 0) {
                    break;
                }
            }
            ++written;
        }
        sets[s]->ReleaseElement();
        // The iterator's end counts as success; fewer elements than counted leaves the rows short.
        if (status == 0 && written != entry.count) {
            status = KXG_E_INVALID_PARAMETER;
        }
    }
    rows.buffer->SetCurrentRow(0);
    if (status != 0) {
        rows.buffer.reset();
    }
    return status;
}

std::vector<KxGSetMemberMap::RowRef> KxGSetMemberMap::RowsOf(KxGSQLBuffer* buffer)
{
    std::vector<RowRef> rows;
    for (int32_t i = 0; buffer != nullptr && i < buffer->GetRowCount(); ++i) {
        rows.emplace_back(buffer, i);
    }
    return rows;
}

int32_t KxGSetMemberMap::LoadElements(std::vector<RowRef> rows, KxGSetAlias& set, KxGContext* context,
                                      std::vector<KxRef>* refs)
{
    // EID order, whatever order the rows came in.
    std::vector<std::pair<int32_t, size_t>> order;
    for (size_t i = 0; i < rows.size(); ++i) {
        KxGRowContext at(rows[i].first);
        at.SetCurrentRow(rows[i].second);
        order.emplace_back(setMap_ != nullptr ? setMap_->LoadEID(at, context) : 0, i);
    }
    std::stable_sort(order.begin(), order.end());
    const auto count = static_cast<int32_t>(rows.size());
    if (setKind_ == KXG_SET_OF_OBJECTS || setKind_ == KXG_SET_OF_ONDEMAND) {
        // The object reader adds the objects of the references.
        for (const auto& [eid, i] : order) {
            KxGRowContext at(rows[i].first);
            at.SetCurrentRow(rows[i].second);
            for (KxGMemberMap* element : elements_) {
                KxGRefMemberMap* reference = element->AsRefMemberMap();
                KxRef ref;
                const int32_t status = reference != nullptr && reference->GetIDMap() != nullptr
                                           ? reference->GetIDMap()->LoadRef(at, reference->GetRowOffset(), ref, context)
                                           : KXG_E_NO_MEMBER_MAP;
                if (status != 0) {
                    return status;
                }
                if (refs != nullptr) {
                    refs->push_back(ref);
                }
            }
        }
        return 0;
    }
    int32_t status = set.Prepare(static_cast<uint32_t>(count));
    int32_t done = 0;
    for (const auto& [eid, i] : order) {
        if (status != 0) {
            break;
        }
        KxGRowContext at(rows[i].first);
        at.SetCurrentRow(rows[i].second);
        for (KxGMemberMap* element : elements_) {
            status = element->Load(at, set, context);
            if (status != 0) {
                break;
            }
        }
        if (status == 0) {
            status = set.Append(++done == count ? 1 : 0);
        }
    }
    const int32_t finished = set.Finish();
    return status != 0 ? status : finished;
}

// ---- reference sets ---------------------------------------------------------------------------------

KxGRefSetMemberMap::KxGRefSetMemberMap(KxGSchemaMap* schemaMap, const KxClassId& owner, uint16_t position,
                                       uint16_t setIndex, uint32_t setKind, uint16_t inverse)
    : KxGSetMemberMap(schemaMap, owner, position, setIndex, setKind), inverse_(inverse)
{
}

int32_t KxGRefSetMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    return inverse_ != 0 ? 0 : KxGSetMemberMap::JoinBuffer(bufferMap);
}

int32_t KxGRefSetMemberMap::Resolve(KxGClassMap& classMap)
{
    int32_t status = KxGSetMemberMap::Resolve(classMap);
    if (status != 0 || inverse_ == 0 || named_) {
        return status;
    }
    KxGClassMap* elementMap = relation_ != nullptr ? relation_->GetTargetClassMap() : nullptr;
    if (elementMap == nullptr || elementMap->GetStoreHdl() == nullptr) {
        return KXG_E_NO_CLASS_MAP;
    }
    if (relation_->GetInverseMemberMap() == nullptr) {
        return KXG_E_NO_INVERSE_MEMBER_MAP;
    }
    KxGTable table;
    status = elementMap->GetStoreHdl()->GetClassTable(table);
    if (status != 0) {
        return status;
    }
    table_ = KxGQualifiedIdentity(table.GetName(), table.GetQualifier());
    named_ = true;
    return 0;
}

int32_t KxGRefSetMemberMap::GetColumns(KxGColumnList& list)
{
    if (inverse_ == 0) {
        return KxGSetMemberMap::GetColumns(list);
    }
    // The element table's reference columns of the inverse member.
    KxGMemberMap* inverse = relation_ != nullptr ? relation_->GetInverseMemberMap() : nullptr;
    if (inverse == nullptr) {
        return 0;
    }
    KxGColumnList columns;
    const int32_t status = inverse->GetColumns(columns);
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        if ((columns.GetColumn(i)->GetFlags() & KXG_COLUMN_REFERENCE) != 0) {
            list.AddColumn(columns.GetColumn(i));
        }
    }
    return status < 0 ? status : 0;
}

int32_t KxGRefSetMemberMap::GetTable(KxGTable& table)
{
    return KxGSetMemberMap::GetTable(table);
}

KxGBlobRefSetMemberMap::KxGBlobRefSetMemberMap(KxGSchemaMap* schemaMap, const KxClassId& owner, uint16_t position,
                                               uint16_t setIndex, uint32_t setKind, uint16_t inverse)
    : KxGBlobSetMemberMap(schemaMap, owner, position, setIndex, setKind), inverse_(inverse)
{
}

// ---- the set tables of a class -----------------------------------------------------------------------

void KxGCollectOwnSets(KxGClassMap& classMap, std::vector<KxGSetMemberMap*>& list)
{
    const uint16_t number = classMap.GetClass() != nullptr ? classMap.GetClass()->GetClassNumber() : 0;
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        KxGMemberMap* memberMap = classMap.GetMemberMap(i);
        auto* set = memberMap != nullptr ? dynamic_cast<KxGSetMemberMap*>(memberMap->AsSetMemberMap()) : nullptr;
        if (set != nullptr && set->GetOwnerClassNumber() == number) {
            list.push_back(set);
        }
    }
}

int32_t KxGCreateSetTables(KxGClassMap& classMap, KxGStatementTemplateList& list)
{
    std::vector<KxGSetMemberMap*> sets;
    KxGCollectOwnSets(classMap, sets);
    for (KxGSetMemberMap* set : sets) {
        const int32_t status = set->CreateTable(list);
        if (status != 0) {
            return status;
        }
    }
    return 0;
}
