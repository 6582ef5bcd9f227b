// Set versioning maps: the set tables of changed, new, vanished and retyped set members, and the
// choice of these maps for a class.
#include <memory>
#include <vector>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGProjection.h"
#include "KxGSchemaMap.h"
#include "KxGSetMemberMap.h"
#include "KxGStatusCodes.h"
#include "KxGVersioningMap.h"
#include "KxGVersioningSupport.h"

using namespace kxgversioning;

namespace {

KxGDatabaseInfo* InfoOf(KxGSchemaMap* map)
{
    return map != nullptr && map->GetDatabase() != nullptr ? map->GetDatabase()->GetDatabaseInfo() : nullptr;
}

KxGTable TableOf(const KxGSetMemberMap& set)
{
    return KxGTable(set.GetTableName().GetName(), set.GetTableName().GetQualifier());
}

KxGExtendedProjection ProjectionOf(const KxGTable& table, const KxGColumnList& columns)
{
    KxGExtendedProjection projection(table);
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        projection.AddColumn(*columns.GetColumn(i));
    }
    return projection;
}

// The set member of a name among a class's own sets, or null.
KxGSetMemberMap* OwnSet(KxGClass* mapped, const KxString& name)
{
    if (mapped == nullptr || mapped->GetClassMap() == nullptr) {
        return nullptr;
    }
    std::vector<KxGSetMemberMap*> sets;
    KxGCollectOwnSets(*mapped->GetClassMap(), sets);
    for (KxGSetMemberMap* set : sets) {
        if (Str(set->GetName()) == Str(name)) {
            return set;
        }
    }
    return nullptr;
}

// Depth first through the subclass lists (the class itself excluded): a set member of the name.
KxGSetMemberMap* SubclassSet(KxGSchemaMap& map, KxGClass* mapped, const KxString& name, int depth = 0)
{
    const std::vector<uint16_t>* subs = mapped != nullptr ? mapped->GetSubclasses() : nullptr;
    if (subs == nullptr || depth > 64) {
        return nullptr;
    }
    for (uint16_t number : *subs) {
        KxGClass* sub = map.FindClass(number);
        if (KxGSetMemberMap* found = OwnSet(sub, name)) {
            return found;
        }
        if (KxGSetMemberMap* found = SubclassSet(map, sub, name, depth + 1)) {
            return found;
        }
    }
    return nullptr;
}

bool HasTable(KxGSetMemberMap& set)
{
    return set.KeepsSetTable();
}

bool IsBlob(KxGSetMemberMap& set)
{
    return set.AsBlobSetMemberMap() != nullptr;
}

uint16_t ElementClass(KxGSetMemberMap& set)
{
    KxGSetMap* setMap = set.GetSetMap();
    return setMap != nullptr && setMap->GetClass() != nullptr ? setMap->GetClass()->GetClassNumber() : 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

KxGSetVersioningMap::KxGSetVersioningMap(KxGSetMemberMap* oldSet, KxGSetMemberMap* newSet, KxGSchemaMap* schemaMap)
    : oldSet_(oldSet), newSet_(newSet), schemaMap_(schemaMap)
{
}

KxGSetVersioningMap::~KxGSetVersioningMap() = default;

// ---- change ----------------------------------------------------------------------------------------------

KxGSetChangeVersioningMap::KxGSetChangeVersioningMap(KxGSetMemberMap* oldSet, KxGSetMemberMap* newSet,
                                                     KxGSchemaMap* schemaMap, uint16_t newVersion)
    : KxGSetVersioningMap(oldSet, newSet, schemaMap), newVersion_(newVersion)
{
    // The new set member keeps the old set table.
    newSet_->SetTableName(oldSet_->GetTableName());
}

KxGSetChangeVersioningMap::~KxGSetChangeVersioningMap() = default;

int32_t KxGSetChangeVersioningMap::Classify()
{
    if (classified_) {
        return 0;
    }
    classified_ = true;
    KxGDatabaseInfo* info = InfoOf(schemaMap_);
    const int32_t room = info != nullptr && info->GetMaxNameLength(1) > 0 ? info->GetMaxNameLength(1) : 30;
    KxGColumnList oldAll;
    KxGColumnList newAll;
    oldSet_->GetTableColumns(oldAll);
    newSet_->GetTableColumns(newAll);
    std::vector<KxGMemberColumn*> oldColumns;
    for (uint32_t i = 0; i < oldAll.Count(); ++i) {
        if (auto* column = dynamic_cast<KxGMemberColumn*>(oldAll.GetColumn(i))) {
            oldColumns.push_back(column);
        }
    }
    std::vector<KxGMemberColumn*> paired;
    for (uint32_t i = 0; i < newAll.Count(); ++i) {
        auto* column = dynamic_cast<KxGMemberColumn*>(newAll.GetColumn(i));
        if (column == nullptr) {
            continue;   // OID, CID, EID
        }
        KxGMemberColumn* old = nullptr;
        for (KxGMemberColumn* candidate : oldColumns) {
            if (SamePath(*candidate, *column)) {
                old = candidate;
                break;
            }
        }
        auto versioned = [&]() {
            const std::string path = Str(column->GetMemberPath());
            const size_t dot = path.rfind('.');
            const std::string segment = dot == std::string::npos ? path : path.substr(dot + 1);
            const std::string suffix = std::to_string(i) + "V" + std::to_string(newVersion_);
            const size_t keep = room > static_cast<int32_t>(suffix.size()) ? room - suffix.size() : 0;
            const std::string name = segment.substr(0, keep) + suffix;
            column->SetName(info != nullptr ? info->MapNameUpper(KxString(name.c_str())) : KxString(name.c_str()));
        };
        if (old == nullptr) {
            if (column->GetName().IsEmpty()) {
                versioned();
            }
            added_.AddColumn(column);
            continue;
        }
        paired.push_back(old);
        if (old->GetTypeCode() != column->GetTypeCode() || old->GetSize() != column->GetSize() ||
            old->GetKind() != column->GetKind()) {
            if (column->GetName().IsEmpty() || SameName(column->GetName(), old->GetName())) {
                versioned();
            }
            added_.AddColumn(column);
            convertedOld_.AddColumn(old);
            convertedNew_.AddColumn(column);
            dropped_.AddColumn(old);
        } else {
            column->SetName(old->GetName());
        }
    }
    for (KxGMemberColumn* old : oldColumns) {
        if (std::find(paired.begin(), paired.end(), old) == paired.end()) {
            dropped_.AddColumn(old);
        }
    }
    return 0;
}

int32_t KxGSetChangeVersioningMap::Run(KxGStatementTemplateList& list, int32_t phase)
{
    int32_t result = Classify();
    KxGDatabaseInfo* info = InfoOf(schemaMap_);
    if (result != 0 || info == nullptr) {
        return result;
    }
    const KxGTable table = TableOf(*newSet_);
    switch (phase) {
    case 3:
        return added_.Count() > 0 ? Append(list, info->AlterAdd(ProjectionOf(table, added_))) : 0;
    case 5:
        return convertedNew_.Count() > 0
                   ? Append(list, info->UpdateByCid(ProjectionOf(table, convertedOld_),
                                                    ProjectionOf(table, convertedNew_), -1))
                   : 0;
    case 7:
        return dropped_.Count() > 0 ? Append(list, info->AlterDrop(ProjectionOf(table, dropped_))) : 0;
    default:
        return 0;
    }
}

// ---- create, type, delete, drop -------------------------------------------------------------------------

KxGSetCreateVersioningMap::KxGSetCreateVersioningMap(KxGSetMemberMap* newSet, KxGClass* oldClass,
                                                     KxGSchemaMap* schemaMap)
    : KxGSetVersioningMap(nullptr, newSet, schemaMap), oldClass_(oldClass)
{
}

int32_t KxGSetCreateVersioningMap::Run(KxGStatementTemplateList& list, int32_t phase)
{
    if (phase == 2) {
        return newSet_->CreateTable(list);
    }
    if (phase != 4 || oldClass_ == nullptr || oldClass_->GetClassMap() == nullptr) {
        return 0;
    }
    // A value member of the old class became a set of such values: each old value becomes the first
    // element of its object's set.
    KxGDatabaseInfo* info = InfoOf(schemaMap_);
    KxGClassMap* oldMap = oldClass_->GetClassMap();
    KxGTypeMemberMap* value = nullptr;
    for (uint32_t i = 0; i < oldMap->GetMemberMapCount() && value == nullptr; ++i) {
        KxGMemberMap* memberMap = oldMap->GetMemberMap(i);
        if (memberMap != nullptr && memberMap->AsSetMemberMap() == nullptr &&
            Str(memberMap->GetName()) == Str(newSet_->GetName())) {
            value = memberMap->AsTypeMemberMap();
        }
    }
    const KxGColumnList& elements = newSet_->GetElementColumns();
    if (info == nullptr || value == nullptr || elements.Count() != 1 || newSet_->GetSetMap() == nullptr ||
        elements.GetColumn(0)->GetTypeCode() != value->GetColumn().GetTypeCode()) {
        return 0;
    }
    const KxGTable into = TableOf(*newSet_);
    KxGColumnList setColumns;
    newSet_->GetTableColumns(setColumns);
    const KxGColumn& eid = newSet_->GetSetMap()->GetEIDColumn();
    KxGColumn one(KxString("1"), eid.GetTypeCode(), eid.GetSize());
    std::vector<KxGClass*> walk = {oldClass_};
    KxGSchemaMap* oldSchema = oldClass_->GetSchemaMap();
    for (size_t i = 0; i < walk.size() && i < 4096; ++i) {
        KxGClass* mapped = walk[i];
        if (const std::vector<uint16_t>* subs = mapped->GetSubclasses()) {
            for (uint16_t number : *subs) {
                if (KxGClass* sub = oldSchema->FindClass(number)) {
                    walk.push_back(sub);
                }
            }
        }
        const uint16_t kind = StoreKindOf(mapped);
        if (!mapped->IsPersistent() || !OwnsTable(kind)) {
            continue;
        }
        KxGTable from;
        if (mapped->GetClassMap()->GetStoreHdl()->GetClassTable(from) != 0) {
            continue;
        }
        KxGExtendedProjection source(from);
        source.AddColumn(mapped->GetClassMap()->GetSurrogateMap().GetOID());
        source.AddColumn(mapped->GetClassMap()->GetSurrogateMap().GetCID());
        source.AddColumn(one);
        source.AddColumn(value->GetColumn());
        KxGExtendedProjection target = ProjectionOf(into, setColumns);
        KxGColumnList none;
        const int32_t result = Append(list, info->InsertSelectByCid(target, source, none, mapped->GetClassNumber()));
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGSetTypeVersioningMap::Run(KxGStatementTemplateList& list, int32_t phase)
{
    KxGDatabaseInfo* info = InfoOf(schemaMap_);
    if (phase == 2) {
        return newSet_->CreateTable(list);
    }
    if (phase == 8 && info != nullptr) {
        return Append(list, info->DropTable(TableOf(*oldSet_)));
    }
    return 0;
}

KxGSetDeleteVersioningMap::KxGSetDeleteVersioningMap(KxGSetMemberMap* oldSet, uint16_t classNumber,
                                                     KxGSchemaMap* schemaMap)
    : KxGSetVersioningMap(oldSet, nullptr, schemaMap), classNumber_(classNumber)
{
}

int32_t KxGSetDeleteVersioningMap::Run(KxGStatementTemplateList& list, int32_t phase)
{
    KxGDatabaseInfo* info = InfoOf(schemaMap_);
    return phase == 1 && info != nullptr ? Append(list, info->DeleteByCid(TableOf(*oldSet_), classNumber_)) : 0;
}

KxGSetDropVersioningMap::KxGSetDropVersioningMap(KxGSetMemberMap* oldSet, KxGSchemaMap* schemaMap)
    : KxGSetVersioningMap(oldSet, nullptr, schemaMap)
{
}

int32_t KxGSetDropVersioningMap::Run(KxGStatementTemplateList& list, int32_t phase)
{
    KxGDatabaseInfo* info = InfoOf(schemaMap_);
    return phase == 8 && info != nullptr ? Append(list, info->DropTable(TableOf(*oldSet_))) : 0;
}

// ---- choosing the set maps of a class -----------------------------------------------------------------------

int32_t KxGVersioningMap::ClassifySets(const KxGVersioningMapArray&, const KxGVersioningMapArray&)
{
    KxGClass* newClass = partner_ != nullptr ? partner_->GetClass() : nullptr;
    KxGClass* oldClass = class_ != nullptr && class_->IsPersistent() ? class_ : nullptr;
    if (newClass == nullptr || newClass->GetClassMap() == nullptr) {
        return 0;
    }
    KxGSchemaMap* newMap = partner_->GetSchemaMap();
    std::vector<KxGSetMemberMap*> newSets;
    KxGCollectOwnSets(*newClass->GetClassMap(), newSets);
    for (KxGSetMemberMap* set : newSets) {
        KxGSetMemberMap* old = OwnSet(oldClass, set->GetName());
        if (old == nullptr && oldClass != nullptr) {
            old = SubclassSet(*schemaMap_, oldClass, set->GetName());   // moved up from a subclass
            if (old != nullptr && (!HasTable(*old) || !HasTable(*set))) {
                old = nullptr;
            }
        }
        if (old == nullptr) {
            if (HasTable(*set)) {
                Context().changed = true;
                setMaps_.push_back(std::make_unique<KxGSetCreateVersioningMap>(set, oldClass, newMap));
            }
            continue;
        }
        const bool oldTable = HasTable(*old);
        const bool newTable = HasTable(*set);
        if (oldTable && !newTable && IsBlob(*set)) {
            Context().changed = true;
            setMaps_.push_back(std::make_unique<KxGSetDropVersioningMap>(old, schemaMap_));
            Warn(KXG_W_SET_TO_BLOB, Str(set->GetName()));
        } else if (!oldTable && newTable && IsBlob(*old)) {
            Context().changed = true;
            setMaps_.push_back(std::make_unique<KxGSetCreateVersioningMap>(set, oldClass, newMap));
            Warn(KXG_W_BLOB_TO_SET, Str(set->GetName()));
        } else if (!oldTable || !newTable) {
            continue;
        } else if (ElementClass(*old) == ElementClass(*set) && old->GetSetKind() == set->GetSetKind()) {
            setMaps_.push_back(
                std::make_unique<KxGSetChangeVersioningMap>(old, set, newMap, Context().newVersion));
        } else if (old->HasOwnTable() != 0) {
            Context().changed = true;
            setMaps_.push_back(std::make_unique<KxGSetRefVersioningMap>(old, set, newMap));
        } else {
            Context().changed = true;
            setMaps_.push_back(std::make_unique<KxGSetTypeVersioningMap>(old, set, newMap));
        }
    }
    if (oldClass == nullptr || oldClass->GetClassMap() == nullptr) {
        return 0;
    }
    std::vector<KxGSetMemberMap*> oldSets;
    KxGCollectOwnSets(*oldClass->GetClassMap(), oldSets);
    for (KxGSetMemberMap* old : oldSets) {
        if (OwnSet(newClass, old->GetName()) != nullptr || !HasTable(*old)) {
            continue;
        }
        Context().changed = true;
        KxGSetMemberMap* below = SubclassSet(*newMap, newClass, old->GetName());
        if (below != nullptr) {
            setMaps_.push_back(
                std::make_unique<KxGSetDeleteVersioningMap>(old, oldClass->GetClassNumber(), schemaMap_));
        } else {
            setMaps_.push_back(std::make_unique<KxGSetDropVersioningMap>(old, schemaMap_));
        }
    }
    return 0;
}
