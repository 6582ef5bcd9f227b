// The per-transaction cache of object rows.
#include "KxGRowBufferCache.h"

#include <new>

#include "KxGSQLBuffer.h"

KxGRowBufferCacheOwner::~KxGRowBufferCacheOwner() = default;

KxGRowBufferCache::KxGRowBufferCache(KxGDatabase* database, KxGRowBufferCacheOwner* owner)
    : database_(database), owner_(owner)
{
}

KxGRowBufferCache::~KxGRowBufferCache()
{
    // Not the virtual Clear: a derived class is already gone here.
    for (auto& [key, entry] : entries_) {
        delete entry.buffer;
    }
}

bool KxGRowBufferCache::Insert(const KxObjId& id, KxGSQLObjectBuffer* buffer)
{
    try {
        return entries_.emplace(id.Get64(), Entry{1, buffer}).second;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

int32_t KxGRowBufferCache::Add(const KxObjId& id, KxGSQLObjectBuffer& buffer)
{
    if ((owner_ != nullptr && owner_->RefusesObject(id)) || entries_.count(id.Get64()) != 0) {
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

int32_t KxGRowBufferCache::AddRow(const KxObjId& id, KxGSQLObjectBuffer* buffer)
{
    if (buffer == nullptr || (owner_ != nullptr && owner_->RefusesObject(id) != 0)) {
        return 0;
    }
    return Insert(id, buffer) ? 1 : 0;
}

int32_t KxGRowBufferCache::AddReference(const KxObjId& id, KxGSQLObjectBuffer* buffer)
{
    const auto found = entries_.find(id.Get64());
    if (found != entries_.end()) {
        if (found->second.uses < UINT16_MAX) {
            ++found->second.uses;
        }
        return 0;
    }
    return Insert(id, buffer) ? 1 : 0;
}

uint16_t KxGRowBufferCache::Contains(const KxObjId& id) const
{
    return entries_.count(id.Get64()) != 0 ? 1 : 0;
}

int32_t KxGRowBufferCache::Remove(const KxObjId& id)
{
    const auto found = entries_.find(id.Get64());
    if (found == entries_.end()) {
        return 0;
    }
    KxGSQLObjectBuffer* buffer = found->second.buffer;
    entries_.erase(found);
    delete buffer;
    return 1;
}

int32_t KxGRowBufferCache::Release(const KxObjId& id)
{
    const auto found = entries_.find(id.Get64());
    if (found == entries_.end()) {
        return 0;
    }
    if (found->second.uses > 1) {
        --found->second.uses;
        return 1;
    }
    KxGSQLObjectBuffer* buffer = found->second.buffer;
    entries_.erase(found);
    delete buffer;
    return 1;
}

KxGSQLObjectBuffer* KxGRowBufferCache::Take(const KxObjId& id)
{
    const auto found = entries_.find(id.Get64());
    if (found == entries_.end()) {
        return nullptr;
    }
    KxGSQLObjectBuffer* buffer = found->second.buffer;
    entries_.erase(found);
    return buffer;
}

void KxGRowBufferCache::Clear()
{
    std::unordered_map<uint64_t, Entry> entries;
    entries.swap(entries_);
    for (auto& [key, entry] : entries) {
        delete entry.buffer;
    }
}
