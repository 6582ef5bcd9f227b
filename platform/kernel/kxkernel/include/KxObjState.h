// What the kernel knows about an object beyond its members: who holds locks on it, who watches it
// and which persistent properties (a persistent lock, a check-out into a workspace) it carries.
// KxObject::GetObjectInfo fills a KxObjStateObjectInfo.
//
//   KxObjStateLockEntry / KxObjStateLockList    one holder of a lock (client, mode, depth, type,
//                                                count, user) / the holders in the order they came
//   KxObjStateWatchEntry / KxObjStateWatchList  one watch (client, mode, depth, origin, watched
//                                                object, count) / the watches
//   KxProperties                                 the object's property word
//   KxObjStateObjectInfo                         the three together
#pragma once

#include <cstdint>
#include <vector>

#include "KxObject.h"
#include "KxSpecs.h"

struct KxObjStateLockEntry {
    KxObjStateLockEntry() = default;
    // A holder as a storage lists it: client id, client name, mode and user.
    KxObjStateLockEntry(uint64_t client, const KxString& name, uint16_t lockMode, const KxString& user)
        : clientId(client), clientName(name), mode(lockMode), count(1), userName(user) {}
    uint64_t clientId = 0;
    KxString clientName;
    uint16_t mode = KxLK_NONE;
    KxDepthMode depth = KxFLAT;
    char type = KxLK_NONPERS;   // KxLK_NONPERS or KxLK_PERS
    uint32_t count = 0;         // how often the client took the lock
    int16_t userId = 0;
    KxString userName;
};

class KxObjStateLockList {
public:
    uint32_t GetCount() const { return static_cast<uint32_t>(entries_.size()); }
    // Entry index; null when there is none.
    const KxObjStateLockEntry* GetLockEntry(long index) const
    {
        return index >= 0 && static_cast<size_t>(index) < entries_.size() ? &entries_[static_cast<size_t>(index)] : nullptr;
    }
    int32_t Append(const KxObjStateLockEntry& entry)
    {
        entries_.push_back(entry);
        return 0;
    }
    void Clear() { entries_.clear(); }

private:
    std::vector<KxObjStateLockEntry> entries_;
};

struct KxObjStateWatchEntry {
    uint64_t clientId = 0;
    KxString clientName;
    uint16_t mode = KxWATCH_NONE;
    KxDepthMode depth = KxFLAT;
    KxRef origin;         // the object the watch was set on
    KxOnDemand object;    // the watched object
    uint32_t count = 0;   // how often the client set the watch
};

class KxObjStateWatchList {
public:
    uint32_t GetCount() const { return static_cast<uint32_t>(entries_.size()); }
    const KxObjStateWatchEntry* GetWatchEntry(long index) const
    {
        return index >= 0 && static_cast<size_t>(index) < entries_.size() ? &entries_[static_cast<size_t>(index)] : nullptr;
    }
    int32_t Append(const KxObjStateWatchEntry& entry)
    {
        entries_.push_back(entry);
        return 0;
    }
    void Clear() { entries_.clear(); }

private:
    std::vector<KxObjStateWatchEntry> entries_;
};

class KxProperties {
public:
    enum : uint32_t { KX_PROPERTY_PERSISTENT_LOCK = 0x1, KX_PROPERTY_CHECK_OUT = 0x2 };
    explicit KxProperties(uint32_t word = 0) : word_(word) {}
    // The object carries a persistent lock, respectively is checked out into a workspace.
    bool GetPersistentLock() const { return (word_ & KX_PROPERTY_PERSISTENT_LOCK) != 0; }
    bool GetCheckOutProperty() const { return (word_ & KX_PROPERTY_CHECK_OUT) != 0; }
    uint32_t GetWord() const { return word_; }
    void SetWord(uint32_t word) { word_ = word; }

private:
    uint32_t word_;
};

class KxObjStateObjectInfo {
public:
    const KxObjStateLockList& GetLockList() const { return locks_; }
    KxObjStateLockList& GetLockList() { return locks_; }
    const KxObjStateWatchList& GetWatchList() const { return watches_; }
    KxObjStateWatchList& GetWatchList() { return watches_; }
    const KxProperties& GetProperties() const { return properties_; }
    KxProperties& GetProperties() { return properties_; }
    uint32_t GetLockCount() const { return locks_.GetCount(); }
    uint32_t GetWatchCount() const { return watches_.GetCount(); }
    void Clear()
    {
        locks_.Clear();
        watches_.Clear();
        properties_.SetWord(0);
    }

private:
    KxObjStateLockList locks_;
    KxObjStateWatchList watches_;
    KxProperties properties_;
};
