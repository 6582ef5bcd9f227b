// The store handlers: class tables, extent views and triggers.
#include "KxGStoreHandlers.h"

#include <algorithm>

#include "KxGClass.h"
#include "KxGColumnList.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGProjection.h"
#include "KxGSQLLiteral.h"
#include "KxGSchemaMap.h"
#include "KxGSetMemberMap.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"

namespace {

KxGDatabaseInfo* InfoOf(KxGClassMap& classMap)
{
    KxGDatabase* database = classMap.GetSchemaMap()->GetDatabase();
    return database != nullptr ? database->GetDatabaseInfo() : nullptr;
}

// The id columns, then the columns of the member maps (each column once).
void AddColumns(KxGClassMap& classMap, const std::vector<KxGMemberMap*>& memberMaps, KxGProjection& projection)
{
    projection.AddColumn(classMap.GetSurrogateMap().GetOID());
    projection.AddColumn(classMap.GetSurrogateMap().GetCID());
    for (KxGMemberMap* memberMap : memberMaps) {
        KxGColumnList columns;
        memberMap->GetColumns(columns);
        for (uint32_t i = 0; i < columns.Count(); ++i) {
            projection.AddColumn(*columns.GetColumn(i));
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// The base: handlers without DDL of their own

int32_t KxGStoreHdl::CreateClassTable(KxGStatementTemplateList&) { return 0; }
// The set tables of the class's own set members.
int32_t KxGStoreHdl::CreateMemberTables(KxGStatementTemplateList& list) { return KxGCreateSetTables(*classMap_, list); }
int32_t KxGStoreHdl::CreateExtentView(KxGStatementTemplateList&) { return 0; }
int32_t KxGStoreHdl::CreateTriggers(KxGStatementTemplateList&) { return 0; }

void KxGStoreHdl::AddMemberMap(KxGMemberMap* memberMap)
{
    if (memberMap->AsSetMemberMap() != nullptr) {
        return;   // its columns lie in its set table
    }
    classMap_->GetTableMaps().push_back(memberMap);
    classMap_->GetViewMaps().push_back(memberMap);
}

KxGSelectStatementTemplate* KxGStoreHdl::GetSelectTemplate() { return nullptr; }

int32_t KxGStoreHdl::AddToExtent(std::vector<uint16_t>&, const std::vector<KxGMemberMap*>&, KxGStatementTemplate&,
                                 bool)
{
    return 0;
}

KxGClassMap* KxGStoreHdl::FindStoreAllBase() { return nullptr; }
int32_t KxGStoreHdl::AddViewCondition(KxGStatementTemplate&) { return 0; }

void KxGStoreHdl::CollectClassIds(std::vector<uint16_t>& classIds)
{
    classIds.push_back(classMap_->GetClass()->GetClassNumber());
}

// ---------------------------------------------------------------------------------------------------
// Default

KxGStoreDefaultHdl::KxGStoreDefaultHdl(KxGClassMap* classMap) : KxGStoreHdl(classMap) {}
KxGStoreDefaultHdl::~KxGStoreDefaultHdl() = default;

int32_t KxGStoreDefaultHdl::GetClassTable(KxGTable& table)
{
    KxGClass& mapped = *GetClassMap()->GetClass();
    return mapped.GetSchemaMap()->GetTableName(mapped, table);
}

int32_t KxGStoreDefaultHdl::GetExtentTable(KxGTable& table)
{
    KxGClass& mapped = *GetClassMap()->GetClass();
    if (mapped.GetSubclasses() == nullptr && GetStoreKind() == KXG_STORE_DEFAULT) {
        return GetClassTable(table);
    }
    KxGSchemaMap& map = *mapped.GetSchemaMap();
    KxGDatabaseInfo* info = InfoOf(*GetClassMap());
    table = KxGTable(map.GetExtentViewName(*GetClassMap()),
                     info != nullptr && info->GetMaxNameLength(2) > 0 ? map.GetSchemaName() : KxString());
    return 0;
}

bool KxGStoreDefaultHdl::SeveralBases() const
{
    const KxGClass& mapped = *GetClassMap()->GetClass();
    return mapped.GetBaseCount() > 1 || (mapped.GetKind() & KXG_CLASS_VIRTUAL_INHERITANCE) != 0;
}

int32_t KxGStoreDefaultHdl::CreateClassTable(KxGStatementTemplateList& list)
{
    if (!OwnsTable()) {
        return 0;
    }
    KxGDatabaseInfo* info = InfoOf(*GetClassMap());
    if (info == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    KxGTable table;
    int32_t result = GetClassTable(table);
    if (result != 0) {
        return result;
    }
    KxGExtendedProjection projection(table);
    AddColumns(*GetClassMap(), GetClassMap()->GetTableMaps(), projection);
    KxGCreateStatementTemplate* made = info->CreateTable(table, projection);
    if (made == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    list.Append(made);
    return 0;
}

int32_t KxGStoreDefaultHdl::BuildSelect(const std::vector<KxGMemberMap*>& memberMaps, KxGStatementTemplate& select)
{
    KxGDatabaseInfo* info = InfoOf(*GetClassMap());
    if (info == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    KxGTable table;
    const int32_t result = GetClassTable(table);
    if (result != 0) {
        return result;
    }
    KxGProjection projection(table);
    AddColumns(*GetClassMap(), memberMaps, projection);
    KxString text;
    info->Select(projection, text);
    select.SetSQLText(text);
    return 0;
}

int32_t KxGStoreDefaultHdl::CreateExtentView(KxGStatementTemplateList& list)
{
    KxGClassMap& classMap = *GetClassMap();
    if (classMap.GetClass()->GetSubclasses() == nullptr && GetStoreKind() == KXG_STORE_DEFAULT) {
        return 0;
    }
    KxGDatabaseInfo* info = InfoOf(classMap);
    if (info == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    KxGTable view;
    int32_t result = GetExtentTable(view);
    if (result != 0) {
        return result;
    }
    KxGProjection projection(view);
    AddColumns(classMap, classMap.GetViewMaps(), projection);
    KxGSelectStatementTemplate select;
    if (OwnsTable() || GetStoreKind() != KXG_STORE_DEFAULT) {
        result = BuildSelect(classMap.GetViewMaps(), select);
        if (result != 0) {
            return result;
        }
    }
    result = AddViewCondition(select);
    if (result != 0) {
        return result;
    }
    if (select.IsEmpty()) {
        return 0;   // the root class of a dictionary without persistent classes
    }
    KxGCreateStatementTemplate* made = info->CreateView(view, projection, select);
    if (made == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    list.Append(made);
    return 0;
}

KxGClassMap* KxGStoreDefaultHdl::FindStoreAllBase()
{
    KxGClass& mapped = *GetClassMap()->GetClass();
    for (uint32_t i = 0; i < mapped.GetBaseCount(); ++i) {
        KxGClassMap* baseMap = mapped.GetBase(i)->GetClassMap();
        if (baseMap == nullptr || baseMap->GetStoreHdl() == nullptr) {
            continue;
        }
        if (baseMap->GetStoreHdl()->GetStoreKind() == KXG_STORE_ALL) {
            return baseMap;
        }
        if (KxGClassMap* further = baseMap->GetStoreHdl()->FindStoreAllBase()) {
            return further;
        }
    }
    return nullptr;
}

int32_t KxGStoreDefaultHdl::CreateTriggers(KxGStatementTemplateList& list)
{
    if (GetClassMap()->GetClass()->GetBaseCount() == 0) {
        return 0;
    }
    KxGClassMap* base = FindStoreAllBase();
    if (base == nullptr) {
        return 0;
    }
    KxGDatabaseInfo* info = InfoOf(*GetClassMap());
    if (info == nullptr) {
        return KXG_E_NO_CONNECTION;
    }
    return info->Triggers(*GetClassMap(), *base, list);
}

KxGSelectStatementTemplate* KxGStoreDefaultHdl::GetSelectTemplate()
{
    if (select_) {
        return select_.get();
    }
    KxGDatabaseInfo* info = InfoOf(*GetClassMap());
    KxGTable table;
    if (info == nullptr || GetExtentTable(table) != 0) {
        return nullptr;
    }
    KxGProjection projection(table);
    projection.AddColumn(GetClassMap()->GetSurrogateMap().GetOID());
    projection.AddColumn(GetClassMap()->GetSurrogateMap().GetCID());
    select_ = std::make_unique<KxGSelectStatementTemplate>(projection, *info);
    return select_.get();
}

int32_t KxGStoreDefaultHdl::AddSubclasses(std::vector<uint16_t>& classIds, const std::vector<KxGMemberMap*>& memberMaps,
                                          KxGStatementTemplate& target)
{
    KxGClass& mapped = *GetClassMap()->GetClass();
    const std::vector<uint16_t>* subclasses = mapped.GetSubclasses();
    if (subclasses == nullptr) {
        return 0;
    }
    for (uint16_t number : *subclasses) {
        KxGClass* subclass = mapped.GetSchemaMap()->FindClass(number);
        KxGClassMap* subMap = subclass != nullptr ? subclass->GetClassMap() : nullptr;
        if (subMap == nullptr || subMap->GetStoreHdl() == nullptr) {
            return KXG_E_NO_CLASS_MAP;
        }
        const int32_t result = subMap->GetStoreHdl()->AddToExtent(classIds, memberMaps, target, false);
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

int32_t KxGStoreDefaultHdl::AddToExtent(std::vector<uint16_t>& classIds, const std::vector<KxGMemberMap*>& memberMaps,
                                        KxGStatementTemplate& target, bool skipSelf)
{
    const uint16_t number = GetClassMap()->GetClass()->GetClassNumber();
    if (!skipSelf) {
        if (SeveralBases() && std::find(classIds.begin(), classIds.end(), number) != classIds.end()) {
            return 0;
        }
        classIds.push_back(number);
        if (GetStoreKind() != KXG_STORE_VIRTUAL && OwnsTable()) {
            KxGSelectStatementTemplate select;
            int32_t result = BuildSelect(memberMaps, select);
            if (result == 0) {
                result = InfoOf(*GetClassMap())->Union(select, 1, target);
            }
            if (result != 0) {
                return result;
            }
        }
    }
    if (GetStoreKind() == KXG_STORE_ALL || GetStoreKind() == KXG_STORE_UNIVERSAL) {
        return 0;
    }
    return AddSubclasses(classIds, memberMaps, target);
}

int32_t KxGStoreDefaultHdl::AddViewCondition(KxGStatementTemplate& view)
{
    std::vector<uint16_t> classIds{GetClassMap()->GetClass()->GetClassNumber()};
    return AddSubclasses(classIds, GetClassMap()->GetViewMaps(), view);
}

void KxGStoreDefaultHdl::CollectClassIds(std::vector<uint16_t>& classIds)
{
    KxGClass& mapped = *GetClassMap()->GetClass();
    if (SeveralBases() && std::find(classIds.begin(), classIds.end(), mapped.GetClassNumber()) != classIds.end()) {
        return;
    }
    classIds.push_back(mapped.GetClassNumber());
    if (GetStoreKind() == KXG_STORE_ALL || GetStoreKind() == KXG_STORE_UNIVERSAL || mapped.GetSubclasses() == nullptr) {
        return;
    }
    for (uint16_t number : *mapped.GetSubclasses()) {
        KxGClass* subclass = mapped.GetSchemaMap()->FindClass(number);
        if (subclass != nullptr && subclass->GetClassMap() != nullptr && subclass->GetClassMap()->GetStoreHdl() != nullptr) {
            subclass->GetClassMap()->GetStoreHdl()->CollectClassIds(classIds);
        }
    }
}

int32_t KxGStoreDefaultHdl::AddClassIdCondition(KxGStatementTemplate& view)
{
    std::vector<uint16_t> classIds;
    CollectClassIds(classIds);
    KxString condition("CID IN (");
    for (size_t i = 0; i < classIds.size(); ++i) {
        if (i > 0) {
            condition << ", ";
        }
        condition << KxGStoredClassNumber(classIds[i]);
    }
    condition << ")";
    KxString text;
    InfoOf(*GetClassMap())->Where(condition, text);
    view.AppendSQLText(text);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Root, universal child, virtual

int32_t KxGStoreKxObjectHdl::AddViewCondition(KxGStatementTemplate& view)
{
    std::vector<uint16_t> classIds{0};
    return AddSubclasses(classIds, GetClassMap()->GetViewMaps(), view);
}

KxGStoreUniversalChildHdl::KxGStoreUniversalChildHdl(KxGClassMap* classMap, KxGStoreHdl* universal)
    : KxGStoreDefaultHdl(classMap), universal_(universal)
{
}

namespace {

// The size of a container's column as the table declares it (its value size is 0: it has no value
// of its own).
uint32_t ContainerColumnSize(KxGMemberMap& container)
{
    KxGColumnList columns;
    container.GetColumns(columns);
    return columns.Count() > 0 ? columns.GetColumn(0)->GetSize() : 0;
}

}  // namespace

void KxGStoreUniversalChildHdl::AddMemberMap(KxGMemberMap* memberMap)
{
    if (memberMap->AsSetMemberMap() != nullptr) {
        return;   // its columns lie in its set table
    }
    GetClassMap()->GetViewMaps().push_back(memberMap);
    std::vector<KxGMemberMap*>& table = universal_->GetClassMap()->GetTableMaps();
    if (std::find(table.begin(), table.end(), memberMap) != table.end()) {
        return;
    }
    if (memberMap->GetName() == "BLOB_CONTAINER") {
        // One container column per table, as large as the largest container of the hierarchy.
        for (KxGMemberMap*& known : table) {
            if (known->GetName() == "BLOB_CONTAINER") {
                if (ContainerColumnSize(*memberMap) > ContainerColumnSize(*known)) {
                    known = memberMap;
                }
                return;
            }
        }
    }
    table.push_back(memberMap);
}

int32_t KxGStoreVirtualHdl::GetClassTable(KxGTable& table)
{
    KxGClass* base = GetClassMap()->GetClass()->GetBase(0);
    if (base == nullptr || base->GetClassMap() == nullptr || base->GetClassMap()->GetStoreHdl() == nullptr) {
        return KXG_E_NO_STORE_HANDLER;
    }
    return base->GetClassMap()->GetStoreHdl()->GetClassTable(table);
}

int32_t KxGStoreVirtualHdl::AddViewCondition(KxGStatementTemplate& view)
{
    int32_t result = AddClassIdCondition(view);
    if (result == 0) {
        std::vector<uint16_t> classIds;
        result = AddToExtent(classIds, GetClassMap()->GetViewMaps(), view, true);
    }
    return result;
}
