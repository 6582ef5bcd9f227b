// Sets kept in the owner's blob container: the element count and the elements' packed values in
// one container entry.
#include <cstring>

#include "KxGSetMemberMap.h"
#include "KxGStatusCodes.h"
#include "KxObjectAlias.h"
#include "KxObjectAliasSet.h"
#include "kxfound.h"

namespace {

constexpr uint32_t kCountBytes = 4;

}  // namespace

int32_t KxGBlobSetMemberMap::JoinBuffer(KxGBufferMap& bufferMap)
{
    // The element maps are laid out for streaming only; the set takes no room in the owner's row but
    // joins its buffer map, which streams the container members it holds.
    const int32_t status = LayOutElements();
    if (status != 0) {
        return status;
    }
    bufferMap.Reserve(0);
    return 0;
}

int32_t KxGBlobSetMemberMap::GetTable(KxGTable& table)
{
    // The owner's table (the container's), as given.
    (void)table;
    return 0;
}

int32_t KxGBlobSetMemberMap::StreamOut(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& object, uint32_t room,
                                       uint32_t& needed)
{
    return StreamSet(typeMgr, position, object, room, needed);
}

int32_t KxGBlobSetMemberMap::StreamIn(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& object,
                                      uint32_t available)
{
    return UnstreamSet(typeMgr, position, object, available, nullptr);
}

int32_t KxGBlobSetMemberMap::StreamSet(KxTypeMgr* typeMgr, uint8_t*& position, KxObjectAlias& owner, uint32_t room,
                                       uint32_t& needed)
{
    int32_t status = LayOutElements();
    if (status != 0) {
        return status;
    }
    std::unique_ptr<KxGSetAlias> set = CreateSetAlias(owner);
    if (!set) {
        return KXG_E_NO_MEMORY;
    }
    uint8_t* const start = position;
    bool tooSmall = false;
    if (room < kCountBytes) {
        needed += kCountBytes;
        tooSmall = true;
    } else {
        LongStore(position, static_cast<uint32_t>(set->GetCount()));
        position += kCountBytes;
    }
    int32_t step = set->First();
    for (; step == 0 && status == 0; step = set->Next()) {
        for (KxGMemberMap* element : elements_) {
            const auto used = static_cast<uint32_t>(position - start);
            status = element->StreamOut(typeMgr, position, *set, room > used ? room - used : 0, needed);
            if (status == KXG_E_BLOB_CONTAINER_TOO_SMALL) {
                // Go on, so that the caller learns the whole need.
                tooSmall = true;
                status = 0;
            } else if (status != 0) {
                break;
            }
        }
    }
    set->ReleaseElement();
    if (status != 0) {
        return status;
    }
    return tooSmall ? KXG_E_BLOB_CONTAINER_TOO_SMALL : 0;
}

int32_t KxGBlobSetMemberMap::UnstreamSet(KxTypeMgr* typeMgr, const uint8_t*& position, KxObjectAlias& owner,
                                         uint32_t available, std::vector<KxRef>* refs)
{
    int32_t status = LayOutElements();
    if (status != 0) {
        return status;
    }
    std::unique_ptr<KxGSetAlias> set = CreateSetAlias(owner);
    if (!set) {
        return KXG_E_NO_MEMORY;
    }
    if (position == nullptr || available < kCountBytes) {
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    const uint8_t* const start = position;
    const uint32_t count = LongLoad(position);
    position += kCountBytes;
    // Stored data is not trusted: every element takes at least one byte.
    if (count > available - kCountBytes) {
        position = start;
        return KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    if (setKind_ == KXG_SET_OF_OBJECTS || setKind_ == KXG_SET_OF_ONDEMAND) {
        // References: collected for the object reader, which adds their objects.
        for (uint32_t i = 0; i < count; ++i) {
            for (KxGMemberMap* element : elements_) {
                KxGRefMemberMap* reference = element->AsRefMemberMap();
                const auto used = static_cast<uint32_t>(position - start);
                KxRef ref;
                if (reference == nullptr || reference->GetIDMap() == nullptr || used > available ||
                    reference->GetIDMap()->StreamIn(typeMgr, position, ref, available - used) != 0) {
                    position = start;
                    return KXG_E_BLOB_CONTAINER_TOO_SMALL;
                }
                if (refs != nullptr) {
                    refs->push_back(ref);
                }
            }
        }
        return 0;
    }
    status = set->Prepare(count);
    for (uint32_t i = 0; i < count && status == 0; ++i) {
        for (KxGMemberMap* element : elements_) {
            const auto used = static_cast<uint32_t>(position - start);
            if (used > available) {
                status = KXG_E_BLOB_CONTAINER_TOO_SMALL;
                break;
            }
            const uint8_t* before = position;
            status = element->StreamIn(typeMgr, position, *set, available - used);
            if (status == 0 && position == before) {
                status = KXG_E_BLOB_CONTAINER_TOO_SMALL;   // nothing read: the data is not a set
            }
            if (status != 0) {
                break;
            }
        }
        if (status == 0) {
            status = set->Append(i + 1 == count ? 1 : 0);
        }
    }
    const int32_t finished = set->Finish();
    if (status != 0) {
        return status < 0 && status != -1 ? status : KXG_E_BLOB_CONTAINER_TOO_SMALL;
    }
    return finished;
}
