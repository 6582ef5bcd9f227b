// Class maps, the surrogate map, store handlers and index maps.
#include "KxGClassMap.h"

#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGOptionRegistry.h"
#include "KxGProjection.h"
#include "KxGRefMemberMap.h"
#include "KxGSchemaConstants.h"
#include "KxGStatementTemplate.h"
#include "KxGStoreHandlers.h"
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

// ---------------------------------------------------------------------------------------------------
// Store handler choice and completion

namespace {

KxGClassCompletion* g_completion = nullptr;

bool HasUniqueIndex(const KxMetaClass& metaClass)
{
    for (uint32_t i = 0; i < metaClass.GetIndexCount(); ++i) {
        if (metaClass.GetIndex(i)->IsUnique()) {
            return true;
        }
    }
    return false;
}

}  // namespace

KxGClassCompletion::~KxGClassCompletion() = default;
void KxGClassCompletion::SetDefault(KxGClassCompletion* hooks) { g_completion = hooks; }
KxGClassCompletion* KxGClassCompletion::GetDefault() { return g_completion; }

int32_t KxGClassMap::CreateStoreHandler()
{
    if (storeHdl_) {
        return 0;
    }
    if (class_->GetClassNumber() == 0) {
        storeHdl_ = std::make_unique<KxGStoreKxObjectHdl>(this);
        return 0;
    }
    uint16_t kind = KXG_STORE_DEFAULT;
    bool explicitDefault = false;
    KxGOption* store = classOption_ != nullptr && classOption_->GetOptions() != nullptr
                           ? classOption_->GetOptions()->Find(KxString("STORE"))
                           : nullptr;
    if (store != nullptr) {
        store->SetStatus(KXG_OPTION_OK);
        KxString word;
        store->GetArgument(0, word);
        if (word == "ALL") {
            kind = KXG_STORE_ALL;
        } else if (word == "UNIVERSAL") {
            kind = KXG_STORE_UNIVERSAL;
        } else if (word == "DEFAULT") {
            explicitDefault = true;
        } else {
            store->SetStatus(KXG_OPTION_UNKNOWN);
        }
    }
    const KxMetaClass* metaClass = schemaMap_->GetDictionary() != nullptr
                                       ? schemaMap_->GetDictionary()->GetMetaClass(class_->GetClassId())
                                       : nullptr;
    if ((kind == KXG_STORE_ALL || kind == KXG_STORE_UNIVERSAL) && metaClass != nullptr &&
        schemaMap_->HasMIChild(*metaClass)) {
        store->SetStatus(KXG_OPTION_STORE_CONTEXT);
        kind = KXG_STORE_DEFAULT;
    }
    // Only a STORE option that took effect counts: the runtime replays no other.
    const bool storeInEffect = store != nullptr && store->GetStatus() == KXG_OPTION_OK;
    KxGStoreHdl* universal = nullptr;
    if (KxGClass* first = class_->GetBase(0); first != nullptr && first->GetClassMap() != nullptr &&
                                               first->GetClassMap()->GetStoreHdl() != nullptr) {
        KxGStoreHdl* baseHdl = first->GetClassMap()->GetStoreHdl();
        if (baseHdl->GetStoreKind() == KXG_STORE_UNIVERSAL) {
            universal = baseHdl;
        } else if (baseHdl->GetStoreKind() == KXG_STORE_UNIVERSAL_CHILD) {
            universal = static_cast<KxGStoreUniversalChildHdl*>(baseHdl)->GetUniversal();
        }
        if (universal != nullptr) {
            if (storeInEffect) {
                store->SetStatus(KXG_OPTION_STORE_CONTEXT);
            }
            storeHdl_ = std::make_unique<KxGStoreUniversalChildHdl>(this, universal);
            return 0;
        }
        // Virtual: no members of its own, no STORE in effect, exactly one base which owns a table.
        if (class_->GetMemberCount() == 0 && !storeInEffect && !explicitDefault && class_->GetBaseCount() == 1 &&
            first->IsPersistent() && first->GetClassNumber() != 0 &&
            (class_->GetKind() & KXG_CLASS_VIRTUAL_MARKED) == 0 &&
            (metaClass == nullptr || !HasUniqueIndex(*metaClass))) {
            storeHdl_ = std::make_unique<KxGStoreVirtualHdl>(this);
            return 0;
        }
    }
    switch (kind) {
    case KXG_STORE_ALL:
        storeHdl_ = std::make_unique<KxGStoreAllHdl>(this);
        break;
    case KXG_STORE_UNIVERSAL:
        storeHdl_ = std::make_unique<KxGStoreUniversalHdl>(this);
        break;
    default:
        storeHdl_ = std::make_unique<KxGStoreDefaultHdl>(this);
        break;
    }
    return 0;
}

int32_t KxGClassMap::Complete()
{
    KxGClassCompletion* hooks = KxGClassCompletion::GetDefault();
    if (!blobContainer_ && hooks != nullptr) {
        for (uint32_t i = 0; i < class_->GetBaseCount(); ++i) {
            KxGClassMap* baseMap = class_->GetBase(i)->GetClassMap();
            if (baseMap != nullptr && baseMap->GetBlobContainerMap() != nullptr) {
                blobContainer_ = hooks->CopyBlobContainer(*this, *baseMap->GetBlobContainerMap());
                break;
            }
        }
    }
    memberMaps_.clear();
    for (KxGMember* member : class_->GetAllMembers()) {
        if (member->GetMemberMap() != nullptr) {
            memberMaps_.push_back(member->GetMemberMap());
        }
    }
    if (blobContainer_) {
        int32_t size = 0;
        if (KxGOption* storage = classOption_ != nullptr && classOption_->GetOptions() != nullptr
                                     ? classOption_->GetOptions()->Find(KxString("SET_STORAGE_TYPE"))
                                     : nullptr) {
            KxString word;
            if (storage->GetArgument(0, word) && word == "BLOB") {
                storage->GetNumber(1, size);
            }
        }
        memberMaps_.push_back(blobContainer_.get());
        if (hooks != nullptr) {
            const int32_t result = hooks->SizeBlobContainer(*blobContainer_, size, static_cast<uint32_t>(memberMaps_.size()));
            if (result != 0) {
                return result;
            }
        }
    }
    if (hooks != nullptr) {
        const int32_t result = hooks->CreateClassBufferMap(*this);
        if (result != 0) {
            return result;
        }
    }
    if (hooks == nullptr) {
        // Until the class buffer map exists: a plain row layout of the member maps.
        bufferMap_ = std::make_unique<KxGBufferMap>();
        for (KxGMemberMap* memberMap : memberMaps_) {
            const int32_t joined = memberMap->JoinBuffer(*bufferMap_);
            if (joined != 0) {
                return joined;
            }
        }
    }
    int32_t result = class_->IsPersistent() ? schemaMap_->GetColumnNames(*class_) : 0;
    if (result != 0) {
        return result;
    }
    for (KxGMemberMap* memberMap : memberMaps_) {
        result = memberMap->Resolve(*this);
        if (result != 0) {
            return result;
        }
    }
    if (!schemaCollected_ && storeHdl_ && class_->IsPersistent()) {
        for (KxGMemberMap* memberMap : memberMaps_) {
            storeHdl_->AddMemberMap(memberMap);
        }
        schemaCollected_ = true;
    }
    return 0;
}

void KxGClassMap::CollectColumns(KxGColumnList& list)
{
    if (!class_->IsPersistent()) {
        return;
    }
    for (KxGMemberMap* memberMap : tableMaps_) {
        memberMap->GetColumns(list);
    }
}

bool KxGIndexMap::IsEqual(const KxGIndexMap& other) const
{
    if (table_.GetQualifiedName() != other.table_.GetQualifiedName() || columns_.Count() != other.columns_.Count()) {
        return false;
    }
    for (uint32_t i = 0; i < columns_.Count(); ++i) {
        if (columns_.GetColumn(i)->GetName() != other.columns_.GetColumn(i)->GetName()) {
            return false;
        }
    }
    return true;
}

int32_t KxGIndexMap::GetCreateTemplate(KxGDatabaseInfo& info, KxGStatementTemplateList& list)
{
    if (columns_.Count() == 0) {
        return 0;
    }
    KxString name;
    class_->GetSchemaMap()->MapIndex2IndexName(*this, name, true);
    sqlName_ = name;
    KxGExtendedProjection projection(table_);
    for (uint32_t i = 0; i < columns_.Count(); ++i) {
        projection.AddColumn(*columns_.GetColumn(i));
    }
    KxGCreateStatementTemplate* made =
        info.CreateIndex(KxGQualifiedIdentity(name, table_.GetQualifier()), projection, unique_ ? 1 : 0);
    if (made == nullptr) {
        return KXG_E_NO_MEMORY;
    }
    list.Append(made);
    return 0;
}
