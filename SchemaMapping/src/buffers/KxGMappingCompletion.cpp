// The parts of class-map completion that the mapping supplies: the blob container (copied from a
// base, sized) and the class buffer map, whose row the member maps join in the class map's order.
#include "KxGMappingCompletion.h"

#include "KxGBlobMemberMaps.h"
#include "KxGClass.h"
#include "KxGClassBufferMap.h"
#include "KxGClassMap.h"

int32_t KxGCreateClassBufferMap(KxGClassMap& classMap)
{
    int32_t status = 0;
    auto bufferMap = std::make_unique<KxGClassBufferMap>(&classMap, status);
    // A class without rows of its own (embedded) has no table to name.
    const bool persistent = classMap.GetClass() != nullptr && classMap.GetClass()->IsPersistent();
    if (status != 0 && persistent) {
        return status;
    }
    for (uint32_t i = 0; i < classMap.GetMemberMapCount(); ++i) {
        KxGMemberMap* memberMap = classMap.GetMemberMap(i);
        if (memberMap == nullptr) {
            continue;
        }
        status = bufferMap->Join(*memberMap);
        if (status != 0) {
            return status;
        }
    }
    classMap.SetClassBufferMap(std::move(bufferMap));
    return 0;
}

std::unique_ptr<KxGMemberMap> KxGMappingCompletion::CopyBlobContainer(KxGClassMap& classMap,
                                                                     KxGMemberMap& baseContainer)
{
    return KxGCopyBlobContainer(classMap, baseContainer);
}

int32_t KxGMappingCompletion::SizeBlobContainer(KxGMemberMap& container, int32_t size, uint32_t entries)
{
    return KxGSizeBlobContainer(container, size, entries);
}

int32_t KxGMappingCompletion::CreateClassBufferMap(KxGClassMap& classMap) { return KxGCreateClassBufferMap(classMap); }

KxGMappingCompletion& KxGMappingCompletion::Instance()
{
    static KxGMappingCompletion instance;
    return instance;
}

void KxGInstallMappingCompletion(bool on)
{
    KxGClassCompletion& hooks = KxGMappingCompletion::Instance();
    if (on && KxGClassCompletion::GetDefault() == nullptr) {
        KxGClassCompletion::SetDefault(&hooks);
    } else if (!on && KxGClassCompletion::GetDefault() == &hooks) {
        KxGClassCompletion::SetDefault(nullptr);
    }
}
