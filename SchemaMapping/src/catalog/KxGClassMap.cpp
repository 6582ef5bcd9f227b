// Class maps, the surrogate map, store handlers and index maps.
#include "KxGClassMap.h"

#include "KxGMemberMap.h"
#include "KxGSchemaConstants.h"
#include "KxGSchemaMap.h"
#include "KxGStatusCodes.h"

KxGSurrogateMap::KxGSurrogateMap() : oid_(GetOIDColumn()), cid_(GetCIDColumn()) {}

const KxGColumn& KxGSurrogateMap::GetOIDColumn()
{
    static const KxGColumn column("OID", KXG_TYPE_OID, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    return column;
}

const KxGColumn& KxGSurrogateMap::GetCIDColumn()
{
    static const KxGColumn column("CID", KXG_TYPE_CID, 0, KXG_COLUMN_NOT_NULL);
    return column;
}

void KxGSurrogateMap::GetColumns(KxGColumnList& oidColumns, KxGColumnList& cidColumns)
{
    oidColumns.AddColumn(&oid_);
    cidColumns.AddColumn(&cid_);
}

KxGStoreHdl::~KxGStoreHdl() = default;

KxGIndexMap::KxGIndexMap(uint16_t indexNumber, const KxString& name, bool unique, KxGClass* indexedClass)
    : indexNumber_(indexNumber), name_(name), unique_(unique), class_(indexedClass)
{
}

KxGIndexMap::~KxGIndexMap()
{
    columns_.DeleteAll();
}

void KxGIndexMap::AddColumn(const KxGMemberColumn& column)
{
    columns_.AddColumn(new KxGMemberColumn(column));
}

KxGClassMap::KxGClassMap(KxGSchemaMap* schemaMap, KxGClass* mappedClass) : schemaMap_(schemaMap), class_(mappedClass)
{
}

KxGClassMap::~KxGClassMap() = default;

void KxGClassMap::SetStoreHdl(std::unique_ptr<KxGStoreHdl> handler)
{
    storeHdl_ = std::move(handler);
}

int32_t KxGClassMap::LoadAllIndices()
{
    if (indexesLoaded_) {
        return 0;
    }
    if (schemaMap_ == nullptr) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    const int32_t result = schemaMap_->LoadIndexes(*this, indexMaps_);
    if (result < 0) {
        indexMaps_.clear();
        return result;
    }
    indexesLoaded_ = true;
    return 0;
}

int32_t KxGClassMap::GetIndexMap(uint16_t indexNumber, KxGIndexMap*& indexMap)
{
    indexMap = nullptr;
    const int32_t result = LoadAllIndices();
    if (result != 0) {
        return result;
    }
    for (const auto& candidate : indexMaps_) {
        if (candidate->GetIndexNumber() == indexNumber) {
            indexMap = candidate.get();
            return 0;
        }
    }
    return KXG_E_NO_INDEX_MEMBER;
}
