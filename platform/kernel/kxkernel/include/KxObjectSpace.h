// KxObjectSpace: the objects of a base that are in memory, by reference.
// The nts_ operations do not lock: callers hold the object space's critical section
// (BeginCriticalSection / EndCriticalSection, from KxMTObj).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "KxKernelStatus.h"
#include "KxRef.h"
#include "kxthreads.h"

class KxObject;

// The blocks of the object space's map entries: one an object in memory, made and dropped by the
// thousand when objects are stored or read. Blocks of up to kBlock bytes come from chunks kept for
// the space's life, a free block holding the address of the next; larger requests (the map's bucket
// array) go to the heap. Not locked: the object space's critical section guards it with the map.
class KxObjectSpaceEntries {
public:
    static constexpr std::size_t kBlock = 32;
    KxObjectSpaceEntries() = default;
    ~KxObjectSpaceEntries();
    KxObjectSpaceEntries(const KxObjectSpaceEntries&) = delete;
    KxObjectSpaceEntries& operator=(const KxObjectSpaceEntries&) = delete;

    void* Take()
    {
        if (free_ == nullptr) {
            Grow();
        }
        void* block = free_;
        free_ = *static_cast<void**>(block);
        return block;
    }
    void Give(void* block) noexcept
    {
        *static_cast<void**>(block) = free_;
        free_ = block;
    }

private:
    void Grow();   // throws std::bad_alloc

    void* free_ = nullptr;
    std::vector<void*> chunks_;
};

template <class T>
class KxObjectSpaceAllocator {
public:
    using value_type = T;
    explicit KxObjectSpaceAllocator(KxObjectSpaceEntries* entries) noexcept : entries_(entries) {}
    template <class U>
    KxObjectSpaceAllocator(const KxObjectSpaceAllocator<U>& other) noexcept : entries_(other.Entries())
    {
    }

    T* allocate(std::size_t n)
    {
        return Small(n) ? static_cast<T*>(entries_->Take()) : std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        if (Small(n)) {
            entries_->Give(p);
        } else {
            std::allocator<T>().deallocate(p, n);
        }
    }
    KxObjectSpaceEntries* Entries() const noexcept { return entries_; }
    template <class U>
    bool operator==(const KxObjectSpaceAllocator<U>& other) const noexcept
    {
        return entries_ == other.Entries();
    }
    template <class U>
    bool operator!=(const KxObjectSpaceAllocator<U>& other) const noexcept
    {
        return entries_ != other.Entries();
    }

private:
    static bool Small(std::size_t n)
    {
        return n * sizeof(T) <= KxObjectSpaceEntries::kBlock && alignof(T) <= alignof(std::max_align_t);
    }
    KxObjectSpaceEntries* entries_;
};

class KxObjectSpace : public KxMTObj {
public:
    KxObjectSpace();
    ~KxObjectSpace() override;

    // The object in memory for the reference's object id; null when none.
    KxObject* nts_IsInList(const KxRef& ref) const;
    // Records an object (a later insert for the same object id replaces it). 0, or
    // KX_KERNEL_E_INVALID for an invalid reference or a null object.
    int32_t nts_Insert(const KxRef& ref, KxObject* object);
    // Drops the object space's pointer for the object id: 0, or KX_KERNEL_E_NOT_FOUND.
    int32_t nts_Remove(const KxRef& ref);
    uint32_t nts_Count() const;

private:
    using Entry = std::pair<const uint64_t, KxObject*>;
    KxObjectSpaceEntries entries_;   // before the map: it outlives it
    std::unordered_map<uint64_t, KxObject*, std::hash<uint64_t>, std::equal_to<uint64_t>,
                       KxObjectSpaceAllocator<Entry>>
        objects_{0, std::hash<uint64_t>(), std::equal_to<uint64_t>(), KxObjectSpaceAllocator<Entry>(&entries_)};   // by object id
};
