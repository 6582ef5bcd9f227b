// The completion hooks of class maps as the mapping supplies them (KxGClassCompletion): the blob
// container's copy and size, and the class buffer map. The gateway module installs Instance() as the
// default while it is loaded.
#pragma once

#include <cstdint>
#include <memory>

#include "KxGClassMap.h"
#include "KxGMemberMap.h"

// Makes the class buffer map of the class map and joins the class map's member maps (in list order)
// into its row; the class map takes it over. The first error is returned (the class map then has
// none).
int32_t KxGCreateClassBufferMap(KxGClassMap& classMap);

class KxGMappingCompletion : public KxGClassCompletion {
public:
    std::unique_ptr<KxGMemberMap> CopyBlobContainer(KxGClassMap& classMap, KxGMemberMap& baseContainer) override;
    int32_t SizeBlobContainer(KxGMemberMap& container, int32_t size, uint32_t entries) override;
    int32_t CreateClassBufferMap(KxGClassMap& classMap) override;

    static KxGMappingCompletion& Instance();
};

// Installs Instance() as the default completion hooks (on) or removes it when it is the default (off).
void KxGInstallMappingCompletion(bool on);
