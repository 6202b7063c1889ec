#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>

namespace ombrel {

// Large pixel buffers recycled between renders. While a slider moves, every
// frame allocates the same few frame-sized buffers; fresh ones come from the
// kernel zero-filled, a page fault per 4 KiB, which cost a fifth of a frame.
// Blocks given back wait here (a bounded amount, oldest dropped first) for the
// next request of about their size; a request that none fits frees them all.
// Thread-safe.
namespace BufferPool {

// Uninitialised storage of at least `bytes` bytes, 64-byte aligned; its real
// size is written to `capacity`, to be handed back with it.
void* take(std::size_t bytes, std::size_t& capacity);
void give(void* block, std::size_t capacity) noexcept;

// Bytes waiting for reuse, and the most that may wait.
std::size_t idleBytes();
inline constexpr std::size_t idleLimit = std::size_t(192) << 20;
// Smaller blocks are not worth keeping; larger ones (whole decoded photos)
// would hold too much memory while idle.
inline constexpr std::size_t smallestKept = std::size_t(1) << 20;
inline constexpr std::size_t largestKept = std::size_t(64) << 20;

}  // namespace BufferPool

// An owning pointer to `count` elements from the pool.
template <typename T>
struct PooledArray {
    static_assert(std::is_trivially_destructible_v<T> && std::is_trivially_default_constructible_v<T>);
    struct Release {
        std::size_t capacity = 0;
        void operator()(T* p) const noexcept { BufferPool::give(p, capacity); }
    };
    using Pointer = std::unique_ptr<T[], Release>;

    static Pointer make(std::size_t count) {
        std::size_t capacity = 0;
        void* block = BufferPool::take(count * sizeof(T), capacity);
        return Pointer(static_cast<T*>(block), Release{capacity});
    }
};

}  // namespace ombrel
