// Reference and embedded class member maps, and the id map they store references through.
#include "KxGRefMemberMap.h"

#include <cstring>

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGOptionRegistry.h"
#include "KxGSchemaConstants.h"
#include "KxGSchemaMap.h"
#include "KxGStatementHdl.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"
#include "KxMetaType.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasMember.h"

namespace {

// Stream size of a reference: the object id with its high word, then the class number.
constexpr int32_t kRefStreamSize = 6 + 2;

bool ErrorPending(KxGDatabase* database)
{
    return database != nullptr && database->GetError() != nullptr && database->GetError()->HasError() != 0;
}

// Raises the row base (and the handle base) of a row context while inner member maps run.
class RaisedBase {
public:
    RaisedBase(KxGRowContext& rows, int32_t offset, uint16_t handles)
        : rows_(rows), base_(rows.GetBase()), handleBase_(rows.GetHandleBase())
    {
        rows_.SetBase(base_ + offset);
        rows_.SetHandleBase(static_cast<uint16_t>(handleBase_ + handles));
    }
    ~RaisedBase()
    {
        rows_.SetBase(base_);
        rows_.SetHandleBase(handleBase_);
    }
    RaisedBase(const RaisedBase&) = delete;
    RaisedBase& operator=(const RaisedBase&) = delete;

private:
    KxGRowContext& rows_;
    int32_t base_;
    uint16_t handleBase_;
};

}  // namespace

// ---- id map ------------------------------------------------------------------------------------------

KxGIDMap::KxGIDMap(KxGSchemaMap* schemaMap, KxGClassMap* classMap) : schemaMap_(schemaMap), classMap_(classMap)
{
    KxGDatabase* database = schemaMap_ != nullptr ? schemaMap_->GetDatabase() : nullptr;
    if (database != nullptr) {
        oid_.hdl = database->GetTypeHdl(KXG_TYPE_OID, 0, 0);
        cid_.hdl = database->GetTypeHdl(KXG_TYPE_CID, 0, 0);
    }
    for (Part* part : {&oid_, &cid_}) {
        if (part->hdl != nullptr) {
            part->columnSize = part->hdl->ColumnSize(1);
            part->valueSize = part->hdl->BufferSize(1);
            part->indSize = static_cast<uint8_t>(part->hdl->IndSize());
        }
    }
    oid_.offset = 0;
    cid_.offset = oid_.valueSize + oid_.indSize;
}

KxGIDMap::~KxGIDMap() = default;

void KxGIDMap::GetColumns(KxGColumnList& oidColumns, KxGColumnList& cidColumns)
{
    if (classMap_ != nullptr) {
        classMap_->GetColumns(oidColumns, cidColumns);
    }
}

int32_t KxGIDMap::GetSQLSize() const { return oid_.valueSize + cid_.valueSize; }

int32_t KxGIDMap::GetRowSize() const { return oid_.valueSize + oid_.indSize + cid_.valueSize + cid_.indSize; }

int32_t KxGIDMap::GetValueSize() const { return kRefStreamSize; }

void KxGIDMap::SetClassVersion(KxClassId& classId) const
{
    if (schemaMap_ == nullptr) {
        return;
    }
    if (const KxGClass* known = schemaMap_->FindClass(classId.GetClassNumber())) {
        classId.SetVersion(known->GetVersion());
        return;
    }
    if (KxClassDict* dictionary = schemaMap_->GetDictionary()) {
        if (const KxMetaType* type = dictionary->GetCurrentVersion(classId.GetClassNumber())) {
            classId.SetVersion(type->GetVersion());
        }
    }
}

int32_t KxGIDMap::StoreRef(const KxRef& ref, KxGRowContext& rows, int32_t offset, KxGContext* context)
{
    if (oid_.hdl == nullptr || cid_.hdl == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    KxObjId id = ref.GetObjId();
    KxClassId classId = ref.GetClassId();
    const int32_t row = rows.GetCurrentRow();
    void* values[2] = {&id, &classId};
    int i = 0;
    for (Part* part : {&oid_, &cid_}) {
        uint8_t* value = rows.ValueAddress(offset + part->offset, part->valueSize, row);
        if (value == nullptr) {
            return KX_ALIAS_E_NULL;
        }
        uint8_t* indicator = rows.IndicatorAddress(offset + part->offset, part->valueSize, part->indSize, row);
        if (part->hdl->VarToSQL(values[i++], value, indicator, part->columnSize, context) == nullptr) {
            return -1;
        }
    }
    return 0;
}

int32_t KxGIDMap::LoadRef(KxGRowContext& rows, int32_t offset, KxRef& ref, KxGContext* context)
{
    if (oid_.hdl == nullptr || cid_.hdl == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    KxObjId id;
    KxClassId classId;
    const int32_t row = rows.GetCurrentRow();
    void* values[2] = {&id, &classId};
    int i = 0;
    for (Part* part : {&oid_, &cid_}) {
        uint8_t* value = rows.ValueAddress(offset + part->offset, part->valueSize, row);
        if (value == nullptr) {
            return KX_ALIAS_E_NULL;
        }
        uint8_t* indicator = rows.IndicatorAddress(offset + part->offset, part->valueSize, part->indSize, row);
        if (part->hdl->SQLToVar(value, values[i++], indicator, part->columnSize, context) == nullptr) {
            return -1;
        }
    }
    if (!id.IsNull()) {
        SetClassVersion(classId);
    }
    ref = KxRef(id, classId);
    return 0;
}

int32_t KxGIDMap::StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, const KxRef& ref, uint32_t room,
                            uint32_t& needed)
{
    if (oid_.hdl == nullptr || cid_.hdl == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    if (static_cast<uint32_t>(kRefStreamSize) > room) {
        needed += kRefStreamSize;
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    KxObjId id = ref.GetObjId();
    KxClassId classId = ref.GetClassId();
    uint8_t* start = position;
    int32_t status = oid_.hdl->StoreValue(typeMgr, position, &id, 1, 1);
    if (status >= 0) {
        status = cid_.hdl->StoreValue(typeMgr, position, &classId, 1, 0);
    }
    if (status < 0) {
        position = start;
        return status;
    }
    return 0;
}

int32_t KxGIDMap::StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxRef& ref, uint32_t available)
{
    if (oid_.hdl == nullptr || cid_.hdl == nullptr) {
        return KXG_E_MEMBER_TYPE_UNSUPPORTED;
    }
    KxObjId id;
    KxClassId classId;
    const uint8_t* start = position;
    int32_t status = oid_.hdl->LoadValue(typeMgr, position, &id, 1, 1, available);
    if (status >= 0) {
        status = cid_.hdl->LoadValue(typeMgr, position, &classId, 1, 0,
                                     available - static_cast<uint32_t>(position - start));
    }
    if (status < 0) {
        position = start;
        return status;
    }
    if (!id.IsNull()) {
        SetClassVersion(classId);
    }
    ref = KxRef(id, classId);
    return 0;
}

int32_t KxGIDMap::CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t offset, int32_t count)
{
    if (count <= 0) {
        return 0;
    }
    for (Part* part : {&oid_, &cid_}) {
        const int32_t at = offset + part->offset;
        uint8_t* from = source.ValueAddress(at, part->valueSize, source.GetCurrentRow());
        uint8_t* to = target.ValueAddress(at, part->valueSize, target.GetCurrentRow());
        if (from == nullptr || to == nullptr) {
            return KX_ALIAS_E_NULL;
        }
        std::memcpy(to, from, static_cast<size_t>(count) * static_cast<size_t>(part->valueSize));
        if (part->indSize != 0) {
            std::memcpy(target.IndicatorAddress(at, part->valueSize, part->indSize, target.GetCurrentRow()),
                        source.IndicatorAddress(at, part->valueSize, part->indSize, source.GetCurrentRow()),
                        static_cast<size_t>(count) * part->indSize);
        }
    }
    return 0;
}

int32_t KxGIDMap::BindParameter(uint16_t& position, KxGRowContext& rows, int32_t offset, KxGStatementHdl& statement)
{
    return BindIds(position, rows, offset, statement, 0x3, false);
}

int32_t KxGIDMap::BindColumn(uint16_t& column, KxGRowContext& rows, int32_t offset, KxGStatementHdl& statement)
{
    return BindIds(column, rows, offset, statement, 0x3, true);
}

KxGRelation::~KxGRelation() = default;

bool KxGRelation::ReadAhead(int32_t mode) const
{
    switch (mode) {
    case KXG_READ_AHEAD_STORE_WITH:
        return (flags_ & 0x08) != 0;
    case KXG_READ_AHEAD_NOT_PLAIN:
        return flags_ != 0x200;
    case KXG_READ_AHEAD_ALL:
        return true;
    default:
        return false;
    }
}

// ---- reference member map ------------------------------------------------------------------------------

KxGRefMemberMap::KxGRefMemberMap(KxGSchemaMap* schemaMap, const KxClassId& owner, uint16_t position)
    : schemaMap_(schemaMap), position_(position), owner_(owner)
{
}

KxGRefMemberMap::~KxGRefMemberMap()
{
    oidColumns_.DeleteAll();
    cidColumns_.DeleteAll();
}

void KxGRefMemberMap::BindRelation(KxGClassMap* referenced, KxGRelation* relation,
                                   std::unique_ptr<KxGRefAlias> accessor)
{
    relation_ = relation;
    idMap_ = std::make_unique<KxGIDMap>(schemaMap_, referenced);
    accessor_ = std::move(accessor);
    if ((!name_.IsActive() || name_.IsEmpty()) && relation_ != nullptr) {
        name_ = relation_->GetMemberName();
    }
}

int32_t KxGRefMemberMap::BuildColumns()
{
    if (oidColumns_.Count() != 0 && cidColumns_.Count() != 0) {
        return 0;
    }
    if (!idMap_) {
        return KXG_E_NO_CLASS_MAP;
    }
    oidColumns_.DeleteAll();
    cidColumns_.DeleteAll();
    KxGColumnList oids;
    KxGColumnList cids;
    idMap_->GetColumns(oids, cids);
    const struct {
        KxGColumnList* from;
        KxGColumnList* to;
        bool oid;
    } lists[2] = {{&oids, &oidColumns_, true}, {&cids, &cidColumns_, false}};
    for (const auto& list : lists) {
        for (uint32_t i = 0; i < list.from->Count(); ++i) {
            const KxGColumn* source = list.from->GetColumn(i);
            auto* copy = new KxGMemberColumn(source->GetName(), source->GetTypeCode(), source->GetSize(),
                                             source->GetFlags(), source->GetKind());
            copy->SetMemberMap(this);
            if (list.oid) {
                copy->SetFlags(static_cast<uint8_t>((source->GetFlags() ^ 0x03) | KXG_COLUMN_REFERENCE));
            } else {
                copy->SetFlags(static_cast<uint8_t>(source->GetFlags() ^ 0x02));
            }
            if (schemaMap_ != nullptr) {
                schemaMap_->MapMember2ColumnName(name_, position_, source->GetName(), KxString::EmptyString(), *copy);
            } else {
                KxString path = name_;
                path << source->GetName();
                copy->SetMemberPath(path);
            }
            // Without a prefix the schema map names the column (the id map's own "OID" and "CID"
            // would collide with the class's id columns).
            KxString sqlName;
            if (prefix_.IsActive() && !prefix_.IsEmpty()) {
                sqlName = prefix_;
                sqlName << source->GetName();
            } else {
                sqlName = KxString::EmptyString();
            }
            copy->SetName(sqlName);
            list.to->AddColumn(copy);
        }
    }
    return 0;
}

int32_t KxGRefMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    const int32_t status = BuildColumns();
    if (status != 0) {
        return status;
    }
    rowOffset_ = bufferMap.Reserve(idMap_->GetRowSize());
    return 0;
}

int32_t KxGRefMemberMap::Resolve(KxGClassMap& classMap)
{
    classMap.AddRefMemberMap(this);
    return 0;
}

int32_t KxGRefMemberMap::GetColumns(KxGColumnList& list)
{
    const int32_t status = BuildColumns();
    if (status != 0) {
        return status;
    }
    for (KxGColumnList* own : {&oidColumns_, &cidColumns_}) {
        for (uint32_t i = 0; i < own->Count(); ++i) {
            list.AddColumn(own->GetColumn(i));
        }
    }
    return 0;
}

int32_t KxGRefMemberMap::GetSQLSize() { return idMap_ ? idMap_->GetSQLSize() : 0; }

int32_t KxGRefMemberMap::GetValueSize() { return idMap_ ? idMap_->GetValueSize() : 0; }

int32_t KxGRefMemberMap::GetRef(KxObjectAlias& object, KxRef& ref)
{
    if (!accessor_) {
        return KXG_E_NO_MEMBER_MAP;
    }
    return accessor_->GetRef(CachedBlockAddress(schemaMap_, object, owner_.GetClassNumber()), ref);
}

int32_t KxGRefMemberMap::Store(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context)
{
    if (rows.Has(KXG_ROW_SKIP_ORDINARY)) {
        return 0;
    }
    if (!idMap_) {
        return KXG_E_NO_CLASS_MAP;
    }
    KxRef ref;
    const int32_t status = GetRef(object, ref);
    return status != 0 ? status : idMap_->StoreRef(ref, rows, rowOffset_, context);
}

int32_t KxGRefMemberMap::Load(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context)
{
    if (!idMap_ || !accessor_) {
        return KXG_E_NO_CLASS_MAP;
    }
    KxRef ref;
    const int32_t status = idMap_->LoadRef(rows, rowOffset_, ref, context);
    if (status != 0) {
        return status;
    }
    return accessor_->SetRef(CachedBlockAddress(schemaMap_, object, owner_.GetClassNumber()), ref);
}

int32_t KxGRefMemberMap::StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object, uint32_t room,
                                   uint32_t& needed)
{
    if (!idMap_) {
        return KXG_E_NO_CLASS_MAP;
    }
    KxRef ref;
    const int32_t status = GetRef(object, ref);
    return status != 0 ? status : idMap_->StreamOut(typeMgr, position, ref, room, needed);
}

int32_t KxGRefMemberMap::StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                                  uint32_t available)
{
    if (!idMap_ || !accessor_) {
        return KXG_E_NO_CLASS_MAP;
    }
    KxRef ref;
    const int32_t status = idMap_->StreamIn(typeMgr, position, ref, available);
    if (status != 0) {
        return status;
    }
    return accessor_->SetRef(CachedBlockAddress(schemaMap_, object, owner_.GetClassNumber()), ref);
}

int32_t KxGRefMemberMap::CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count)
{
    return idMap_ ? idMap_->CopyRows(source, target, rowOffset_, count) : KXG_E_NO_CLASS_MAP;
}

int32_t KxGRefMemberMap::BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement, int32_t,
                                       KxGContext*)
{
    if (rows.Has(KXG_ROW_SKIP_ORDINARY)) {
        return 0;
    }
    return idMap_ ? idMap_->BindParameter(position, rows, rowOffset_, statement) : KXG_E_NO_CLASS_MAP;
}

int32_t KxGRefMemberMap::BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement, int32_t,
                                    KxGContext*)
{
    return idMap_ ? idMap_->BindColumn(column, rows, rowOffset_, statement) : KXG_E_NO_CLASS_MAP;
}

int32_t KxGRefMemberMap::GetTable(KxGTable& table)
{
    KxGClassMap* referenced = idMap_ ? idMap_->GetClassMap() : nullptr;
    if (referenced == nullptr || referenced->GetStoreHdl() == nullptr) {
        return KXG_E_NO_STORE_HANDLER;
    }
    return referenced->GetStoreHdl()->GetClassTable(table);
}

int32_t KxGRefMemberMap::Matches(const KxMember* member)
{
    KxGClassMap* referenced = idMap_ ? idMap_->GetClassMap() : nullptr;
    if (member == nullptr || member->GetClass() == nullptr || referenced == nullptr ||
        referenced->GetClass() == nullptr) {
        return 0;
    }
    return member->GetClass()->GetClassNumber() == referenced->GetClass()->GetClassNumber() ? 1 : 0;
}

int32_t KxGRefMemberMap::CollectReferences(KxGRowContext& rows, std::vector<KxObjId>& list)
{
    if (relation_ == nullptr || !relation_->ReadAhead(rows.GetCollectMode()) || !idMap_) {
        return 0;
    }
    KxRef ref;
    const int32_t status = idMap_->LoadRef(rows, rowOffset_, ref, nullptr);
    if (status != 0) {
        return status;
    }
    if (!ref.IsInvalid()) {
        list.push_back(ref.GetObjId());
    }
    return 0;
}

void KxGRefMemberMap::AppendIdColumnName(KxString& text) { text << KxGSurrogateMap::GetOIDColumn().GetName(); }

// ---- embedded class member map ------------------------------------------------------------------------

KxGClassMemberMap::KxGClassMemberMap(KxGSchemaMap* schemaMap, const KxClassId& outer, const KxString& name,
                                     uint16_t position, KxGClass* embedded,
                                     std::unique_ptr<KxGClassMemberAlias> accessor, uint32_t dimension)
    : schemaMap_(schemaMap),
      name_(name),
      accessor_(std::move(accessor)),
      embedded_(embedded),
      table_(name, schemaMap != nullptr ? schemaMap->GetSchemaName() : KxString()),
      position_(position),
      dimension_(dimension == 0 ? 1 : dimension),
      outer_(outer)
{
}

KxGClassMemberMap::~KxGClassMemberMap() { columns_.DeleteAll(); }

uint32_t KxGClassMemberMap::GetInnerCount() const
{
    KxGClassMap* classMap = embedded_ != nullptr ? embedded_->GetClassMap() : nullptr;
    return classMap != nullptr ? classMap->GetMemberMapCount() : 0;
}

KxGMemberMap* KxGClassMemberMap::GetInner(uint32_t i) const
{
    KxGClassMap* classMap = embedded_ != nullptr ? embedded_->GetClassMap() : nullptr;
    return classMap != nullptr ? classMap->GetMemberMap(i) : nullptr;
}

KxClassId KxGClassMemberMap::GetClassId() { return embedded_ != nullptr ? embedded_->GetClassId() : KxClassId(); }

int32_t KxGClassMemberMap::LayOut()
{
    if (laidOut_) {
        return 0;
    }
    if (embedded_ == nullptr || embedded_->GetClassMap() == nullptr) {
        return KXG_E_NO_CLASS_MAP;
    }
    KxGBufferMap block;
    for (uint32_t i = 0; i < GetInnerCount(); ++i) {
        KxGMemberMap* inner = GetInner(i);
        if (inner == nullptr) {
            continue;
        }
        if (inner->AsSetMemberMap() != nullptr) {
            return KXG_E_SET_IN_EMBEDDED_CLASS;
        }
        const int32_t status = inner->JoinBuffer(block);
        if (status != 0) {
            return status;
        }
    }
    innerWidth_ = block.GetRowWidth();
    innerHandles_ = block.GetHandleColumnCount();
    laidOut_ = true;
    return 0;
}

int32_t KxGClassMemberMap::CollectColumns()
{
    if (columns_.Count() != 0) {
        return 0;
    }
    const KxGClass* outerClass = schemaMap_ != nullptr ? schemaMap_->FindClass(outer_.GetClassNumber()) : nullptr;
    const KxGClassOption* classOptions =
        outerClass != nullptr ? schemaMap_->GetOptionRegistry().GetClassOptions().FindClassOption(outerClass->GetName())
                              : nullptr;
    for (uint32_t i = 0; i < GetInnerCount(); ++i) {
        KxGMemberMap* inner = GetInner(i);
        if (inner == nullptr) {
            continue;
        }
        if (inner->AsSetMemberMap() != nullptr) {
            columns_.DeleteAll();
            return KXG_E_SET_IN_EMBEDDED_CLASS;
        }
        KxGColumnList innerColumns;
        const int32_t status = inner->GetColumns(innerColumns);
        if (status != 0) {
            columns_.DeleteAll();
            return status;
        }
        for (uint32_t c = 0; c < innerColumns.Count(); ++c) {
            const KxGColumn* source = innerColumns.GetColumn(c);
            const auto* memberSource = dynamic_cast<const KxGMemberColumn*>(source);
            auto* copy = memberSource != nullptr ? new KxGMemberColumn(*memberSource)
                                                 : new KxGMemberColumn(source->GetName(), source->GetTypeCode(),
                                                                       source->GetSize(), source->GetFlags(),
                                                                       source->GetKind());
            const KxString innerPath =
                memberSource != nullptr ? memberSource->GetMemberPath() : source->GetName();
            if (schemaMap_ != nullptr) {
                schemaMap_->MapMember2ColumnName(name_, position_, innerPath, KxString::EmptyString(), *copy);
            }
            copy->SetMemberMap(this);
            // Mapping options of the outer class on the embedded path; a reference's "OID"/"CID" is
            // cut off for the look-up and appended to a RENAME argument, so its two columns stay apart.
            if (classOptions != nullptr) {
                KxString path = copy->GetMemberPath();
                KxString idSuffix;
                if (inner->IsReference() != 0 && path.Len() > 3) {
                    idSuffix = path.Right(3);
                    path = path.Left(path.Len() - 3);
                }
                if (const KxGMemberOption* memberOption = classOptions->GetMemberOption(path)) {
                    const KxGOptionList& options = memberOption->GetOptions();
                    for (uint32_t o = 0; o < options.Count(); ++o) {
                        KxGOption* option = options.Get(o);
                        if (option->GetName() == "RENAME") {
                            KxString argument;
                            if (option->GetArgument(0, argument) && !argument.IsEmpty()) {
                                argument << idSuffix;
                                copy->SetName(argument);
                            } else {
                                option->SetStatus(-4);
                                optionStatus_ = -4;
                            }
                        } else {
                            option->SetStatus(2);
                            if (optionStatus_ == 0) {
                                optionStatus_ = 2;
                            }
                        }
                    }
                }
            }
            columns_.AddColumn(copy);
        }
    }
    return 0;
}

int32_t KxGClassMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    int32_t status = LayOut();
    if (status == 0) {
        status = CollectColumns();
    }
    if (status != 0) {
        return status;
    }
    handleBase_ = bufferMap.AddHandleColumns(innerHandles_);
    rowOffset_ = bufferMap.Reserve(innerWidth_);
    return 0;
}

bool KxGClassMemberMap::HasReferences()
{
    for (uint32_t i = 0; i < GetInnerCount(); ++i) {
        KxGMemberMap* inner = GetInner(i);
        if (inner == nullptr) {
            continue;
        }
        if (inner->IsReference() != 0) {
            return true;
        }
        if (KxGClassMemberMap* nested = inner->AsClassMemberMap()) {
            if (nested->GetStorageType() != KXG_STORAGE_BLOB && nested->HasReferences()) {
                return true;
            }
        }
    }
    return false;
}

int32_t KxGClassMemberMap::Resolve(KxGClassMap& classMap)
{
    if (HasReferences()) {
        classMap.AddRefMemberMap(this);
    }
    return 0;
}

int32_t KxGClassMemberMap::GetColumns(KxGColumnList& list)
{
    const int32_t status = CollectColumns();
    if (status != 0) {
        return status;
    }
    for (uint32_t i = 0; i < columns_.Count(); ++i) {
        list.AddColumn(columns_.GetColumn(i));
    }
    return 0;
}

int32_t KxGClassMemberMap::GetSQLSize()
{
    int32_t size = 0;
    for (uint32_t i = 0; i < GetInnerCount(); ++i) {
        if (KxGMemberMap* inner = GetInner(i)) {
            size += inner->GetSQLSize();
        }
    }
    return size;
}

int32_t KxGClassMemberMap::GetValueSize()
{
    int32_t size = 0;
    for (uint32_t i = 0; i < GetInnerCount(); ++i) {
        if (KxGMemberMap* inner = GetInner(i)) {
            size += inner->GetValueSize();
        }
    }
    return size * static_cast<int32_t>(dimension_);
}

std::unique_ptr<KxObjectAlias> KxGClassMemberMap::Element(KxObjectAlias& object, uint32_t i)
{
    if (!accessor_ || embedded_ == nullptr) {
        return nullptr;
    }
    uint8_t* block = CachedBlockAddress(schemaMap_, object, outer_.GetClassNumber());
    if (block == nullptr) {
        return nullptr;
    }
    KxRef ref;
    object.GetRef(ref);
    const KxEmbeddedObjectAlias owner(ref, block);
    std::unique_ptr<KxEmbeddedObjectAlias> element(accessor_->CreateObjectAlias(owner, i));
    if (!element) {
        return nullptr;
    }
    return std::make_unique<KxEmbeddedObjectAlias>(KxRef(ref.GetObjId(), embedded_->GetClassId()),
                                                   element->GetAddress());
}

int32_t KxGClassMemberMap::CreateHandles(KxGRowContext& rows, int32_t count, KxGContext* context)
{
    RaisedBase raised(rows, rowOffset_, handleBase_);
    return EachInner([&](KxGMemberMap& inner) { return inner.CreateHandles(rows, count, context); });
}

int32_t KxGClassMemberMap::Store(KxObjectAlias& object, KxGRowContext& rows, KxGContext* context)
{
    std::unique_ptr<KxObjectAlias> element = Element(object, 0);
    if (!element) {
        return KX_ALIAS_E_NULL;
    }
    RaisedBase raised(rows, rowOffset_, handleBase_);
    return EachInner([&](KxGMemberMap& inner) { return inner.Store(*element, rows, context); });
}

int32_t KxGClassMemberMap::Load(KxGRowContext& rows, KxObjectAlias& object, KxGContext* context)
{
    std::unique_ptr<KxObjectAlias> element = Element(object, 0);
    if (!element) {
        return KX_ALIAS_E_NULL;
    }
    KxGDatabase* database = context != nullptr && context->GetDatabase() != nullptr
                                ? context->GetDatabase()
                                : (schemaMap_ != nullptr ? schemaMap_->GetDatabase() : nullptr);
    RaisedBase raised(rows, rowOffset_, handleBase_);
    for (uint32_t i = 0; i < GetInnerCount(); ++i) {
        KxGMemberMap* inner = GetInner(i);
        int32_t status = inner != nullptr ? inner->Load(rows, *element, context) : 0;
        if (status == KXG_E_NOT_SUPPORTED && inner->AsRefMemberMap() != nullptr) {
            status = 0;   // a pointer member: only the object reader turns its reference into an object
        }
        if (status != 0) {
            return status;
        }
        if (ErrorPending(database)) {
            return -1;
        }
    }
    return 0;
}

int32_t KxGClassMemberMap::StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object, uint32_t room,
                                     uint32_t& needed)
{
    int32_t result = 0;
    uint8_t* const start = position;
    for (uint32_t e = 0; e < dimension_; ++e) {
        std::unique_ptr<KxObjectAlias> element = Element(object, e);
        if (!element) {
            return KX_ALIAS_E_NULL;
        }
        for (uint32_t i = 0; i < GetInnerCount(); ++i) {
            KxGMemberMap* inner = GetInner(i);
            if (inner == nullptr) {
                continue;
            }
            // Once a member did not fit, nothing more is written: every later member only adds its need.
            const uint32_t used = static_cast<uint32_t>(position - start);
            const uint32_t left = result == KXG_E_BLOB_CONTAINER_TOO_SMALL || used > room ? 0 : room - used;
            const int32_t status = inner->StreamOut(typeMgr, position, *element, left, needed);
            if (status == KXG_E_BLOB_CONTAINER_TOO_SMALL) {
                result = status;
            } else if (status != 0) {
                return status;
            }
        }
    }
    return result;
}

int32_t KxGClassMemberMap::StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                                    uint32_t available)
{
    const uint8_t* const start = position;
    for (uint32_t e = 0; e < dimension_; ++e) {
        std::unique_ptr<KxObjectAlias> element = Element(object, e);
        if (!element) {
            return KX_ALIAS_E_NULL;
        }
        for (uint32_t i = 0; i < GetInnerCount(); ++i) {
            KxGMemberMap* inner = GetInner(i);
            if (inner == nullptr) {
                continue;
            }
            const uint32_t used = static_cast<uint32_t>(position - start);
            const int32_t status =
                inner->StreamIn(typeMgr, position, *element, used > available ? 0 : available - used);
            if (status != 0) {
                return status;
            }
        }
    }
    return 0;
}

int32_t KxGClassMemberMap::CopyRows(KxGRowContext& source, KxGRowContext& target, int32_t count)
{
    RaisedBase raisedSource(source, rowOffset_, handleBase_);
    RaisedBase raisedTarget(target, rowOffset_, handleBase_);
    return EachInner([&](KxGMemberMap& inner) { return inner.CopyRows(source, target, count); });
}

int32_t KxGClassMemberMap::BindParameter(uint16_t& position, KxGRowContext& rows, KxGStatementHdl& statement,
                                         int32_t count, KxGContext* context)
{
    RaisedBase raised(rows, rowOffset_, handleBase_);
    return EachInner([&](KxGMemberMap& inner) { return inner.BindParameter(position, rows, statement, count, context); });
}

int32_t KxGClassMemberMap::BindColumn(uint16_t& column, KxGRowContext& rows, KxGStatementHdl& statement,
                                      int32_t count, KxGContext* context)
{
    RaisedBase raised(rows, rowOffset_, handleBase_);
    return EachInner([&](KxGMemberMap& inner) { return inner.BindColumn(column, rows, statement, count, context); });
}

int32_t KxGClassMemberMap::GetTable(KxGTable& table)
{
    table = table_;
    return 0;
}

int32_t KxGClassMemberMap::Matches(const KxMember* member)
{
    if (member == nullptr || member->GetClass() == nullptr || embedded_ == nullptr) {
        return 0;
    }
    if (member->GetClass()->GetClassNumber() != embedded_->GetClassNumber()) {
        return 0;
    }
    return member->GetClass()->GetVersion() == embedded_->GetVersion() ? 1 : -1;
}

int32_t KxGClassMemberMap::CollectReferences(KxGRowContext& rows, std::vector<KxObjId>& list)
{
    RaisedBase raised(rows, rowOffset_, handleBase_);
    for (uint32_t i = GetInnerCount(); i-- > 0;) {
        KxGMemberMap* inner = GetInner(i);
        if (inner == nullptr) {
            continue;
        }
        const bool holds = inner->IsReference() != 0 ||
                           (inner->AsClassMemberMap() != nullptr && inner->AsClassMemberMap()->HasReferences());
        if (!holds) {
            continue;
        }
        const int32_t status = inner->CollectReferences(rows, list);
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

// ---- embedded class member in the blob container ------------------------------------------------------

int32_t KxGBlobClassMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    const int32_t status = LayOut();
    if (status != 0) {
        return status;
    }
    bufferMap.Reserve(0);
    return 0;
}
