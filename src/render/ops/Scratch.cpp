#include "Scratch.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace ombrel::ops {

struct Scratch::Block {
    std::unique_ptr<float[]> data;
    std::size_t size = 0;
};

namespace {

// Memory kept per thread: as much as the largest region the engine keeps
// (4M samples of three planes), so that every preview-sized render finds its
// blocks waiting. Beyond it (full-resolution bands) blocks go back to the
// system: faulting them in again costs little next to the work done on them.
constexpr std::size_t keptFloats = std::size_t(12) << 20;

using Pool = std::vector<std::unique_ptr<Scratch::Block>>;

Pool& pool() {
    thread_local Pool blocks;
    return blocks;
}

}  // namespace

Scratch::Scratch(std::size_t floats) {
    Pool& blocks = pool();
    // The smallest free block that fits, or a new one.
    auto best = blocks.end();
    for (auto it = blocks.begin(); it != blocks.end(); ++it)
        if ((*it)->size >= floats && (best == blocks.end() || (*it)->size < (*best)->size)) best = it;
    if (best != blocks.end()) {
        block_ = best->release();
        blocks.erase(best);
    } else {
        block_ = new Block{std::make_unique_for_overwrite<float[]>(std::max<std::size_t>(floats, 1)), floats};
    }
    data_ = block_->data.get();
}

Scratch::~Scratch() {
    std::unique_ptr<Block> block(block_);
    if (block->size > keptFloats) return;
    Pool& blocks = pool();
    blocks.push_back(std::move(block));
    // Over the limit, the largest of the other blocks go first.
    const auto total = [&] {
        std::size_t sum = 0;
        for (const auto& b : blocks) sum += b->size;
        return sum;
    };
    while (total() > keptFloats) {
        const auto largest = std::max_element(blocks.begin(), blocks.end() - 1,
                                              [](const auto& a, const auto& b) { return a->size < b->size; });
        blocks.erase(largest);
    }
}

}  // namespace ombrel::ops
