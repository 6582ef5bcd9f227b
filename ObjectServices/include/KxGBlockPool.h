// Blocks of one size for objects made and freed by the thousand (recoverable states, aliases, the
// rows a scan caches): carved from chunks that stay for the process, a free block holding the address
// of the next free one. Cheaper than the heap when many blocks of a size are made before any is freed.
#pragma once

#include <atomic>
#include <cstddef>
#include <new>
#include <thread>
#include <vector>

template <std::size_t Block, std::size_t Align = alignof(std::max_align_t)>
class KxGBlockPool {
public:
    static_assert(Block >= sizeof(void*), "a block holds the address of the next free one");

    static KxGBlockPool& Instance()
    {
        static KxGBlockPool* pool = new KxGBlockPool();   // never destroyed: blocks may outlive static objects
        return *pool;
    }

    // A block, or null when memory ran out.
    void* Take() noexcept
    {
        Hold hold(busy_);
        if (free_ == nullptr && !Grow()) {
            return nullptr;
        }
        void* block = free_;
        free_ = *static_cast<void**>(block);
        return block;
    }

    void Give(void* block) noexcept
    {
        Hold hold(busy_);
        *static_cast<void**>(block) = free_;
        free_ = block;
    }

private:
    // The list is held for a few instructions at a time: a flag, waited for by yielding.
    class Hold {
    public:
        explicit Hold(std::atomic<bool>& busy) noexcept : busy_(busy)
        {
            while (busy_.exchange(true, std::memory_order_acquire)) {
                std::this_thread::yield();
            }
        }
        ~Hold() { busy_.store(false, std::memory_order_release); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        std::atomic<bool>& busy_;
    };

    // A multiple of the blocks' alignment (at least a pointer's), so that every block of a chunk is
    // aligned: a chunk is aligned for any type.
    static constexpr std::size_t kAlign = Align > alignof(void*) ? Align : alignof(void*);
    static_assert(kAlign <= alignof(std::max_align_t), "no over-aligned blocks");
    static constexpr std::size_t kBlock = (Block + kAlign - 1) / kAlign * kAlign;
    static constexpr std::size_t kBlocksPerChunk = 2048;

    bool Grow() noexcept
    {
        auto* chunk = static_cast<unsigned char*>(::operator new(kBlock * kBlocksPerChunk, std::nothrow));
        if (chunk == nullptr) {
            return false;
        }
        try {
            chunks_.push_back(chunk);
        } catch (...) {
            ::operator delete(chunk);
            return false;
        }
        for (std::size_t i = kBlocksPerChunk; i-- > 0;) {
            void* block = chunk + i * kBlock;
            *static_cast<void**>(block) = free_;
            free_ = block;
        }
        return true;
    }

    std::atomic<bool> busy_{false};
    void* free_ = nullptr;
    std::vector<unsigned char*> chunks_;
};

// The class-specific allocation of a class T whose objects come from the pool of its size (a derived
// class of another size gets its blocks from the heap):
//     static void* operator new(std::size_t size) { return KxGPooled<T>::New(size); }
//     static void* operator new(std::size_t size, const std::nothrow_t&) noexcept
//     { return KxGPooled<T>::TryNew(size); }
//     static void operator delete(void* block, std::size_t size) noexcept { KxGPooled<T>::Delete(block, size); }
template <class T>
struct KxGPooled {
    static void* TryNew(std::size_t size) noexcept
    {
        return size == sizeof(T) ? KxGBlockPool<sizeof(T), alignof(T)>::Instance().Take()
                                 : ::operator new(size, std::nothrow);
    }
    static void* New(std::size_t size)
    {
        void* block = TryNew(size);
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        return block;
    }
    static void Delete(void* block, std::size_t size) noexcept
    {
        if (block == nullptr) {
            return;
        }
        if (size != sizeof(T)) {
            ::operator delete(block);
            return;
        }
        KxGBlockPool<sizeof(T), alignof(T)>::Instance().Give(block);
    }
};
