// The class buffer map.
#include "KxGClassBufferMap.h"

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGSQLBuffer.h"
#include "KxGSchemaMap.h"
#include "KxGStatusCodes.h"

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

int32_t KxGClassBufferMap::FillRows(const KxGAliasVector&, KxGRequest&, KxGContext*) { return KXG_E_NOT_IMPLEMENTED; }
int32_t KxGClassBufferMap::StreamContainer(KxObjectAlias&, KxGRowContext&, uint32_t, KxGMemberMap&, KxGContext*)
{
    return KXG_E_NOT_IMPLEMENTED;
}
int32_t KxGClassBufferMap::LoadRows(const KxGAliasVector&, const KxGAliasVector&, KxGContext*) { return KXG_E_NOT_IMPLEMENTED; }
int32_t KxGClassBufferMap::FillRowsFromList(const KxGAliasVector&, KxGRequest&, KxGContext*) { return KXG_E_NOT_IMPLEMENTED; }
int32_t KxGClassBufferMap::ReadObjects(KxGObjectFetcher&, const KxGAliasVector&) { return KXG_E_NOT_IMPLEMENTED; }
int32_t KxGClassBufferMap::PrepareStatements(KxGRequest&, KxObjectAlias*) { return KXG_E_NOT_IMPLEMENTED; }
int32_t KxGClassBufferMap::ResetRows(KxGRequest&, const KxGAliasVector&, KxObjectAlias*) { return KXG_E_NOT_IMPLEMENTED; }
int32_t KxGClassBufferMap::ExecuteTableMaps(KxGRequest&, const KxGAliasVector&) { return KXG_E_NOT_IMPLEMENTED; }
int32_t KxGClassBufferMap::FillIdRows(KxGRequest&, const KxGAliasVector&, KxObjectAlias*) { return KXG_E_NOT_IMPLEMENTED; }

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
    if (tableMap != nullptr) {
        tableMaps_.push_back(tableMap);
    }
    return 0;
}

std::unique_ptr<KxGSQLObjectBuffer> KxGClassBufferMap::MakeRowBuffer(int32_t) const { return nullptr; }
int32_t KxGClassBufferMap::CopyRows(KxGRowContext&, KxGRowContext&, int32_t) { return KXG_E_NOT_IMPLEMENTED; }
int32_t KxGClassBufferMap::LoadObject(KxGRowContext&, KxObjectAlias&, KxGContext*) { return KXG_E_NOT_IMPLEMENTED; }
int32_t KxGClassBufferMap::BuildTemplates() { return KXG_E_NOT_IMPLEMENTED; }
