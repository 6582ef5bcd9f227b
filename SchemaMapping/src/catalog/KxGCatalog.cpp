// The catalog: the schema map of an open database and the look-ups by class.
#include "KxGCatalog.h"

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGCondition.h"
#include "KxGDatabase.h"
#include "KxGExtentContext.h"
#include "KxGMemberMap.h"
#include "KxGProjection.h"
#include "KxGSchemaMap.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"
#include "KxMetaType.h"

namespace {

const KxGIdentity& ExtentAlias()
{
    static const KxGIdentity alias("T0");
    return alias;
}

// True when one of the member map's columns has the member path of one of the index's columns.
bool SharesIndexColumn(const KxGColumnList& memberColumns, const KxGColumnList& indexColumns)
{
    for (uint32_t i = 0; i < memberColumns.Count(); ++i) {
        const auto* column = dynamic_cast<const KxGMemberColumn*>(memberColumns.GetColumn(i));
        if (column == nullptr) {
            continue;
        }
        for (uint32_t k = 0; k < indexColumns.Count(); ++k) {
            const auto* key = dynamic_cast<const KxGMemberColumn*>(indexColumns.GetColumn(k));
            if (key != nullptr && key->GetMemberPath() == column->GetMemberPath()) {
                return true;
            }
        }
    }
    return false;
}

void AddColumns(KxGExtendedProjection& projection, const KxGColumnList& columns)
{
    for (uint32_t i = 0; i < columns.Count(); ++i) {
        projection.AddColumn(*columns.GetColumn(i), &ExtentAlias());
    }
}

}  // namespace

KxGCatalog::KxGCatalog(KxGMapLoader* loader) : loader_(loader) {}

KxGCatalog::~KxGCatalog() = default;

int32_t KxGCatalog::Load(KxGDatabase* database, KxClassDict* dictionary)
{
    schemaMap_.reset();
    if (database == nullptr || dictionary == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }
    KxGMapLoader* loader = loader_ != nullptr ? loader_ : KxGMapLoader::GetDefault();
    if (loader == nullptr) {
        return KXG_E_NOT_SUPPORTED;
    }
    schemaMap_ = std::make_unique<KxGSchemaMap>(database, dictionary, 0, loader);
    return schemaMap_->Load();
}

void KxGCatalog::Unload()
{
    schemaMap_.reset();
}

int32_t KxGCatalog::LoadClass(uint16_t classNumber)
{
    if (!schemaMap_ || schemaMap_->GetDictionary() == nullptr) {
        return KXG_E_MAP_NO_CLASS;
    }
    const KxGClass* known = schemaMap_->FindClass(classNumber);
    if (known != nullptr && known->GetState() == KXG_CLASS_LOADED) {
        return 0;
    }
    const KxMetaType* type = schemaMap_->GetDictionary()->GetCurrentVersion(classNumber);
    if (type == nullptr) {
        return KXG_E_MAP_NO_CLASS;
    }
    KxGClass* loaded = nullptr;
    const int32_t result = schemaMap_->LoadClass(*type, loaded, 0);
    schemaMap_->ReleaseMemberNames();
    return result;
}

const KxGClass* KxGCatalog::GetClass(const KxClassId& classId) const
{
    if (!schemaMap_) {
        return nullptr;
    }
    const KxGClass* mappedClass = schemaMap_->FindClass(classId.GetClassNumber());
    return mappedClass != nullptr && mappedClass->GetState() == KXG_CLASS_LOADED ? mappedClass : nullptr;
}

KxGClassMap* KxGCatalog::GetClassMap(const KxClassId& classId) const
{
    const KxGClass* mappedClass = GetClass(classId);
    return mappedClass != nullptr ? mappedClass->GetClassMap() : nullptr;
}

int32_t KxGCatalog::FindStoreHdl(const KxClassId& classId, KxGClassMap*& classMap, KxGStoreHdl*& handler) const
{
    const KxGClass* mappedClass = GetClass(classId);
    if (mappedClass == nullptr) {
        return KXG_E_MAP_NO_CLASS;
    }
    classMap = mappedClass->GetClassMap();
    if (classMap == nullptr) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    handler = classMap->GetStoreHdl();
    return handler != nullptr ? 0 : KXG_E_NO_STORE_HANDLER;
}

int32_t KxGCatalog::GetExtent(const KxClassId& classId, KxGTable& table) const
{
    KxGClassMap* classMap = nullptr;
    KxGStoreHdl* handler = nullptr;
    if (const int32_t found = FindStoreHdl(classId, classMap, handler); found != 0) {
        return found;
    }
    return handler->GetExtentTable(table);
}

int32_t KxGCatalog::GetExtent(KxGExtentContext& context, bool allColumns) const
{
    KxGClassMap* classMap = nullptr;
    KxGStoreHdl* handler = nullptr;
    if (const int32_t found = FindStoreHdl(context.GetClassId(), classMap, handler); found != 0) {
        return found;
    }
    KxGTable table;
    int32_t result = handler->GetExtentTable(table);
    if (result != 0) {
        return result;
    }
    KxGIndexMap* indexMap = nullptr;
    if (context.GetIndexNumber() != KXG_NO_INDEX) {
        result = classMap->GetIndexMap(context.GetIndexNumber(), indexMap);
        if (result != 0) {
            return result;
        }
    }

    context.Clear();
    context.SetTable(table);
    KxGExtendedProjection& projection = context.GetProjection();
    projection.AddTable(table, ExtentAlias());

    KxGColumnList idColumns;
    classMap->GetColumns(idColumns, idColumns);
    const KxGColumnList& keys = indexMap != nullptr ? indexMap->GetColumns() : idColumns;
    for (uint32_t i = 0; i < keys.Count(); ++i) {
        context.GetColumns().AddColumn(const_cast<KxGColumn*>(keys.GetColumn(i)));
    }

    AddColumns(projection, idColumns);
    if (!allColumns && indexMap == nullptr) {
        return 0;
    }
    for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
        KxGMemberMap* memberMap = classMap->GetMemberMap(i);
        if (memberMap == nullptr || memberMap->AsSetMemberMap() != nullptr) {
            continue;   // a set's columns lie in its own table
        }
        KxGColumnList columns;
        result = memberMap->GetColumns(columns);
        if (result < 0) {
            return result;
        }
        if (allColumns || SharesIndexColumn(columns, indexMap->GetColumns())) {
            AddColumns(projection, columns);
        }
    }
    return 0;
}

int32_t KxGCatalog::GetExistenceQuery(uint16_t classNumber, std::unique_ptr<KxGSelectStatementTemplate>& query) const
{
    query.reset();
    KxGClassMap* classMap = nullptr;
    KxGStoreHdl* handler = nullptr;
    if (const int32_t found = FindStoreHdl(KxClassId(classNumber, 0), classMap, handler); found != 0) {
        return found;
    }
    KxGTable table;
    const int32_t result = handler->GetClassTable(table);
    if (result != 0) {
        return result;
    }
    KxGColumnList oidColumns;
    KxGColumnList cidColumns;
    classMap->GetColumns(oidColumns, cidColumns);
    const KxGColumn* oid = oidColumns.GetColumn(0);
    if (oid == nullptr) {
        return KXG_E_NO_COLUMN_MAP_IN_CATALOG;
    }
    KxGDatabaseInfo& info = *schemaMap_->GetDatabase()->GetDatabaseInfo();
    KxGProjection projection(table);
    projection.AddColumn(*oid);
    KxGCondition condition;
    condition.AddCondition(*oid, KXG_OP_EQ, info.GetParameterMarker(1), 0);
    query = std::make_unique<KxGSelectStatementTemplate>(projection, condition, info);
    return 0;
}
