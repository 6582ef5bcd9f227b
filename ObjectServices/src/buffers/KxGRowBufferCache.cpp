// The per-transaction cache of object rows.
#include "KxGRowBufferCache.h"

#include <new>

#include "KxGSQLBuffer.h"

namespace {

constexpr uint32_t kGrowStep = 50;

}  // namespace

KxGRowBufferCacheOwner::~KxGRowBufferCacheOwner() = default;

int32_t KxGRowBufferCache::CompareEntries(const void* a, const void* b)
{
    const Entry* x = *static_cast<Entry* const*>(a);
    const Entry* y = *static_cast<Entry* const*>(b);
    return x->id.Compare(y->id);
}

KxGRowBufferCache::KxGRowBufferCache(KxGDatabase* database, KxGRowBufferCacheOwner* owner)
    : database_(database), owner_(owner), entries_(sizeof(Entry*), &KxGRowBufferCache::CompareEntries, kGrowStep)
{
}

KxGRowBufferCache::~KxGRowBufferCache()
{
    // Not the virtual Clear: a derived class is already gone here.
    while (entries_.Count() > 0) {
        DeleteAt(entries_.Count() - 1);
    }
}

KxGRowBufferCache::Entry* KxGRowBufferCache::EntryAt(uint32_t index) const
{
    const void* slot = entries_.At(index);
    return slot != nullptr ? *static_cast<Entry* const*>(slot) : nullptr;
}

int32_t KxGRowBufferCache::Find(const KxObjId& id) const
{
    Entry key{id, 0, nullptr};
    Entry* keyAddress = &key;
    uint32_t index = 0;
    if (entries_.Search(&keyAddress, &index) != 0) {
        return -1;
    }
    return static_cast<int32_t>(index);
}

bool KxGRowBufferCache::Insert(const KxObjId& id, KxGSQLObjectBuffer* buffer)
{
    Entry* entry = new (std::nothrow) Entry{id, 1, buffer};
    if (entry == nullptr) {
        return false;
    }
    if (entries_.Insert(&entry) != 0) {
        delete entry;
        return false;
    }
    return true;
}

void KxGRowBufferCache::DeleteAt(uint32_t index)
{
    Entry* entry = EntryAt(index);
    entries_.Delete(index);
    if (entry != nullptr) {
        delete entry->buffer;
        delete entry;
    }
}

int32_t KxGRowBufferCache::Add(const KxObjId& id, KxGSQLObjectBuffer& buffer)
{
    if ((owner_ != nullptr && owner_->RefusesObject(id)) || Find(id) >= 0) {
        return 0;
    }
    // Only a one-row source gives a one-row copy; any other source leaves the copy empty.
    KxGSQLObjectBuffer* copy = new (std::nothrow) KxGSQLObjectBuffer(buffer, 1);
    if (copy == nullptr) {
        return 0;
    }
    if (copy->GetData() == nullptr || copy->GetRowCount() != 1) {
        delete copy;
        return 0;
    }
    if (!Insert(id, copy)) {
        // Give the descriptors back before the copy goes, so that they are not freed twice.
        const int32_t row = buffer.GetCurrentRow();
        buffer.SetCurrentRow(0);
        buffer.MoveDescriptors(*copy, 0, 1);
        buffer.SetCurrentRow(row);
        delete copy;
        return 0;
    }
    return 1;
}

int32_t KxGRowBufferCache::AddReference(const KxObjId& id, KxGSQLObjectBuffer* buffer)
{
    const int32_t index = Find(id);
    if (index >= 0) {
        Entry* entry = EntryAt(static_cast<uint32_t>(index));
        if (entry->uses < UINT16_MAX) {
            ++entry->uses;
        }
        return 0;
    }
    return Insert(id, buffer) ? 1 : 0;
}

uint16_t KxGRowBufferCache::Contains(const KxObjId& id) const
{
    return Find(id) >= 0 ? 1 : 0;
}

int32_t KxGRowBufferCache::Remove(const KxObjId& id)
{
    const int32_t index = Find(id);
    if (index < 0) {
        return 0;
    }
    DeleteAt(static_cast<uint32_t>(index));
    return 1;
}

int32_t KxGRowBufferCache::Release(const KxObjId& id)
{
    const int32_t index = Find(id);
    if (index < 0) {
        return 0;
    }
    Entry* entry = EntryAt(static_cast<uint32_t>(index));
    if (entry->uses > 1) {
        --entry->uses;
    } else {
        DeleteAt(static_cast<uint32_t>(index));
    }
    return 1;
}

KxGSQLObjectBuffer* KxGRowBufferCache::Take(const KxObjId& id)
{
    const int32_t index = Find(id);
    if (index < 0) {
        return nullptr;
    }
    Entry* entry = EntryAt(static_cast<uint32_t>(index));
    KxGSQLObjectBuffer* buffer = entry->buffer;
    entry->buffer = nullptr;
    DeleteAt(static_cast<uint32_t>(index));
    return buffer;
}

void KxGRowBufferCache::Clear()
{
    while (entries_.Count() > 0) {
        DeleteAt(entries_.Count() - 1);
    }
}
