// Blocks of one size for objects made and freed by the thousand (recoverable states, aliases, the
// rows a scan caches): carved from chunks that stay for the process, a free block holding the address
// of the next free one. Cheaper than the heap when many blocks of a size are made before any is freed.
#pragma once

#include <cstddef>
#include <mutex>
#include <new>
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
        std::lock_guard<std::mutex> hold(mutex_);
        if (free_ == nullptr && !Grow()) {
            return nullptr;
        }
        void* block = free_;
        free_ = *static_cast<void**>(block);
        return block;
    }

    void Give(void* block) noexcept
    {
        std::lock_guard<std::mutex> hold(mutex_);
        *static_cast<void**>(block) = free_;
        free_ = block;
    }

private:
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

    std::mutex mutex_;
    void* free_ = nullptr;
    std::vector<unsigned char*> chunks_;
};

// A base that gives a class its blocks from the pool of its size (a derived class of another size gets
// them from the heap). T: the class itself.
template <class T>
class KxGPooled {
public:
    static void* operator new(std::size_t size)
    {
        void* block = operator new(size, std::nothrow);
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        return block;
    }
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept
    {
        return size == sizeof(T) ? KxGBlockPool<sizeof(T), alignof(T)>::Instance().Take() : ::operator new(size, std::nothrow);
    }
    static void operator delete(void* block, std::size_t size) noexcept
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
