// The buffer-map base: a plain row layout whose object operations do nothing.
#include "KxGBufferMap.h"

#include <algorithm>

#include "KxGMemberMap.h"

KxGObjectFetcher::~KxGObjectFetcher() = default;

bool KxGObjectFetcher::IsOwnObject(const KxObjId&) { return true; }

KxGBufferMap::~KxGBufferMap() = default;

KxGClassMap* KxGBufferMap::GetClassMap() { return nullptr; }
KxGClassMap* KxGBufferMap::GetClassMap() const { return nullptr; }

KxGMemberMapList& KxGBufferMap::GetMemberMapList()
{
    if (!joined_) {
        joined_ = std::make_unique<KxGMemberMapList>();
    }
    return *joined_;
}

int32_t KxGBufferMap::GetRowSize() { return width_; }
int32_t KxGBufferMap::FillRows(const KxGAliasVector&, KxGRequest&, KxGContext*) { return 0; }
int32_t KxGBufferMap::StreamContainer(KxObjectAlias&, KxGRowContext&, uint32_t, KxGMemberMap&, KxGContext*)
{
    return 0;
}
int32_t KxGBufferMap::LoadRows(const KxGAliasVector&, const KxGAliasVector&, KxGContext*) { return 0; }
int32_t KxGBufferMap::FillRowsFromList(const KxGAliasVector&, KxGRequest&, KxGContext*) { return 0; }
int32_t KxGBufferMap::ReadObjects(KxGObjectFetcher&, const KxGAliasVector&) { return 0; }
int32_t KxGBufferMap::PrepareStatements(KxGRequest&, KxObjectAlias*) { return 0; }
int32_t KxGBufferMap::ResetRows(KxGRequest&, const KxGAliasVector&, KxObjectAlias*) { return 0; }
int32_t KxGBufferMap::ExecuteTableMaps(KxGRequest&, const KxGAliasVector&) { return 0; }
int32_t KxGBufferMap::FillIdRows(KxGRequest&, const KxGAliasVector&, KxObjectAlias*) { return 0; }
int32_t KxGBufferMap::CollectForStoreHandler(KxGStoreHdl&) { return 0; }

int32_t KxGBufferMap::JoinMemberMap(KxGMemberMap* memberMap, int32_t bytes, int32_t& offset)
{
    offset = width_;
    width_ += bytes > 0 ? bytes : 0;
    if (memberMap != nullptr) {
        GetMemberMapList().push_back(memberMap);
    }
    return 0;
}

int32_t KxGBufferMap::AddTableMap(KxGTableMap*) { return 0; }

uint16_t KxGBufferMap::AddRowBytes(uint16_t n)
{
    rowBytes_ = static_cast<uint16_t>(rowBytes_ + n);
    return rowBytes_;
}

KxGTableMap* KxGBufferMap::GetMainTableMap() { return nullptr; }

int32_t KxGBufferMap::Join(KxGMemberMap& memberMap)
{
    KxGMemberMap* before = joining_;
    joining_ = &memberMap;
    const int32_t status = memberMap.JoinBuffer(*this);
    joining_ = before;
    return status;
}

int32_t KxGBufferMap::Reserve(int32_t bytes)
{
    KxGMemberMap* memberMap = joining_;
    joining_ = nullptr;   // one reservation per joining member map registers it
    int32_t offset = width_;
    JoinMemberMap(memberMap, bytes, offset);
    return offset;
}

uint16_t KxGBufferMap::AddHandleColumns(uint16_t count)
{
    const uint16_t first = handles_;
    handles_ = static_cast<uint16_t>(handles_ + count);
    return first;
}

bool KxGBufferMapList::Contains(const KxGBufferMap* bufferMap) const
{
    return std::find(begin(), end(), bufferMap) != end();
}
