// Blocks of one size for objects that the gateway makes and drops by the thousand (the recoverable
// states of a transaction level, the object aliases of a store): carved from chunks that stay for the
// process, a free block holding the address of the next free one. The list is guarded by a spin lock,
// held for a few instructions (a chunk is carved under it once in kBlocksPerChunk takes).
//
// A class uses it through operator new and delete of its own; a call for another size (a derived
// class) goes to the global operator.
#pragma once

#include <atomic>
#include <cstddef>
#include <new>
#include <thread>
#include <vector>

template <std::size_t BlockSize>
class KxGBlockPool {
public:
    static_assert(BlockSize >= sizeof(void*) && BlockSize % alignof(void*) == 0, "a block holds a pointer");

    static KxGBlockPool& Instance()
    {
        // Never destroyed: blocks may be given back while static objects go.
        static KxGBlockPool* pool = new KxGBlockPool();
        return *pool;
    }

    // A block, or null when no memory is left.
    void* Take() noexcept
    {
        const Hold hold(busy_);
        if (free_ == nullptr && !Grow()) {
            return nullptr;
        }
        void* block = free_;
        free_ = *static_cast<void**>(block);
        return block;
    }

    void Give(void* block) noexcept
    {
        const Hold hold(busy_);
        *static_cast<void**>(block) = free_;
        free_ = block;
    }

    // For operator new and delete of a class whose size is `own` (= BlockSize): other sizes go to the
    // global operators. New answers null when no memory is left.
    static void* New(std::size_t size, std::size_t own) noexcept
    {
        return size == own ? Instance().Take() : ::operator new(size, std::nothrow);
    }

    static void Delete(void* block, std::size_t size, std::size_t own) noexcept
    {
        if (block == nullptr) {
            return;
        }
        if (size != own) {
            ::operator delete(block);
            return;
        }
        Instance().Give(block);
    }

private:
    static constexpr std::size_t kBlocksPerChunk = 2048;

    class Hold {
    public:
        explicit Hold(std::atomic_flag& busy) noexcept : busy_(busy)
        {
            while (busy_.test_and_set(std::memory_order_acquire)) {
                std::this_thread::yield();
            }
        }
        ~Hold() { busy_.clear(std::memory_order_release); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        std::atomic_flag& busy_;
    };

    KxGBlockPool() = default;

    bool Grow() noexcept
    {
        auto* chunk = static_cast<unsigned char*>(::operator new(BlockSize * kBlocksPerChunk, std::nothrow));
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
            void* block = chunk + i * BlockSize;
            *static_cast<void**>(block) = free_;
            free_ = block;
        }
        return true;
    }

    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
    void* free_ = nullptr;
    std::vector<unsigned char*> chunks_;
};
