#include "BufferPool.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

namespace ombrel::BufferPool {
namespace {

constexpr std::align_val_t alignment{64};

struct Block {
    void* data;
    std::size_t capacity;
};

struct Idle {
    std::mutex mutex;
    std::vector<Block> blocks;  // most recently given back last
    std::size_t bytes = 0;
};

Idle& idle() {
    // Never destroyed: images may be freed by other static destructors.
    static Idle* pool = new Idle;
    return *pool;
}

bool kept(std::size_t capacity) { return capacity >= smallestKept && capacity <= largestKept; }

}  // namespace

void* take(std::size_t bytes, std::size_t& capacity) {
    bytes = std::max<std::size_t>(bytes, 1);
    if (bytes >= smallestKept) {
        Idle& pool = idle();
        const std::lock_guard lock(pool.mutex);
        // The tightest block that is not more than a quarter too large.
        auto best = pool.blocks.end();
        for (auto it = pool.blocks.begin(); it != pool.blocks.end(); ++it) {
            if (it->capacity < bytes || it->capacity - bytes > bytes / 4) continue;
            if (best == pool.blocks.end() || it->capacity < best->capacity) best = it;
        }
        if (best != pool.blocks.end()) {
            const Block block = *best;
            pool.blocks.erase(best);
            pool.bytes -= block.capacity;
            capacity = block.capacity;
            return block.data;
        }
        // A miss means the work changed shape (another photo, another zoom):
        // what waits is unlikely to fit again, and keeping it while new
        // blocks are made would only raise the peak.
        for (const Block& b : pool.blocks) ::operator delete(b.data, alignment);
        pool.blocks.clear();
        pool.bytes = 0;
    }
    capacity = bytes;
    return ::operator new(bytes, alignment);
}

void give(void* block, std::size_t capacity) noexcept {
    if (!block) return;
    if (kept(capacity)) {
        Idle& pool = idle();
        const std::lock_guard lock(pool.mutex);
        try {
            pool.blocks.push_back({block, capacity});
            pool.bytes += capacity;
            block = nullptr;
        } catch (...) {
            // No room to remember it: it is freed below instead.
        }
        std::size_t oldest = 0;
        while (pool.bytes > idleLimit && oldest < pool.blocks.size()) {
            ::operator delete(pool.blocks[oldest].data, alignment);
            pool.bytes -= pool.blocks[oldest].capacity;
            ++oldest;
        }
        pool.blocks.erase(pool.blocks.begin(), pool.blocks.begin() + static_cast<std::ptrdiff_t>(oldest));
    }
    if (block) ::operator delete(block, alignment);
}

std::size_t idleBytes() {
    Idle& pool = idle();
    const std::lock_guard lock(pool.mutex);
    return pool.bytes;
}

}  // namespace ombrel::BufferPool
