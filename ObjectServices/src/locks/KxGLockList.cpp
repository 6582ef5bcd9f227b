// The local lock table, the request list and the holder list.
#include <new>
#include <type_traits>

#include "KxGLockService.h"
#include "KxGStatusCodes.h"

// The kernel lists copy their elements byte by byte.
static_assert(std::is_trivially_copyable_v<KxGLockEntry>);
static_assert(std::is_trivially_copyable_v<KxGLockRequest>);

namespace {

constexpr uint32_t kGrowStep = 100;

int32_t ByObjectId(const void* a, const void* b)
{
    const uint64_t x = static_cast<const KxGLockEntry*>(a)->ref.GetObjId().Get64();
    const uint64_t y = static_cast<const KxGLockEntry*>(b)->ref.GetObjId().Get64();
    return x < y ? -1 : (x > y ? 1 : 0);
}

int32_t Status(int32_t listStatus)
{
    return listStatus == 0 ? 0 : KXG_E_NO_MEMORY;
}

}  // namespace

int32_t KxGLockRequestList::Append(const KxGLockRequest& request)
{
    return Status(KxLList::Append(&request));
}

KxGLockList::KxGLockList(uint16_t sharedServerLocks)
    : entries_(sizeof(KxGLockEntry), ByObjectId, kGrowStep), shared_(sharedServerLocks)
{
}

void KxGLockList::FindObject(const KxObjId& id, uint32_t& first, uint32_t& end) const
{
    KxGLockEntry key;
    key.ref.SetObjId(id);
    uint32_t index = 0;
    entries_.Search(&key, &index);
    first = index;
    end = index;
    while (end < Count() && At(end)->ref.GetObjId() == id) {
        ++end;
    }
}

int32_t KxGLockList::Find(const KxGTransactionContext* context, const KxObjId& id, uint16_t mode) const
{
    uint32_t first = 0;
    uint32_t end = 0;
    FindObject(id, first, end);
    for (uint32_t i = first; i < end; ++i) {
        const KxGLockEntry* entry = At(i);
        if (entry->context == context && entry->mode == mode) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t KxGLockList::FindOtherHolder(const KxGTransactionContext* context, const KxObjId& id, uint16_t mode) const
{
    uint32_t first = 0;
    uint32_t end = 0;
    FindObject(id, first, end);
    for (uint32_t i = first; i < end; ++i) {
        const KxGLockEntry* entry = At(i);
        if (entry->context != context && entry->mode == mode) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t KxGLockList::Insert(const KxGLockEntry& entry)
{
    return Status(entries_.Insert(&entry));
}

KxGLockHolderList::~KxGLockHolderList() = default;

int32_t KxGLockHolderList::Append(const KxGLockHolder& holder)
{
    try {
        holders_.push_back(holder);
    } catch (const std::bad_alloc&) {
        return KXG_E_NO_MEMORY;
    }
    return 0;
}
