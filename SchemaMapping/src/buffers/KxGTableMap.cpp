// Table maps: the statements of one table.
#include "KxGTableMap.h"

#include "KxGClassMap.h"
#include "KxGMemberMap.h"
#include "KxGStatement.h"
#include "KxGStatementTemplate.h"
#include "KxGStatusCodes.h"

struct KxGTableMap::Templates {
    std::unique_ptr<KxGStatementTemplate> kinds[17];
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
    if (memberMap != nullptr) {
        memberMaps_.push_back(memberMap);
    }
}

int32_t KxGTableMap::BuildTemplates(KxGDatabaseInfo&) { return 0; }

void KxGTableMap::ResetTemplates()
{
    templates_.reset();
    built_ = false;
}

KxGStatementTemplate* KxGTableMap::GetTemplate(uint16_t kind) const
{
    return templates_ && kind < 17 ? templates_->kinds[kind].get() : nullptr;
}

int32_t KxGTableMap::PrepareStatement(uint16_t, KxGTableRows&, KxGStatementList&) { return KXG_E_NOT_IMPLEMENTED; }

KxGStatement* KxGTableMap::MakeStatement(uint16_t, const KxString&, int32_t& status)
{
    status = KXG_E_NOT_IMPLEMENTED;
    return nullptr;
}

int32_t KxGTableMap::BindRows(uint16_t, KxGStatement&, KxGSQLBuffer&, int32_t, uint32_t, KxGContext*)
{
    return KXG_E_NOT_IMPLEMENTED;
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
