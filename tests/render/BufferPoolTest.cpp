#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "render/BufferPool.h"
#include "render/HugePages.h"
#include "render/PixelBuffer.h"
#include "render/PlanarImage.h"
#include "render/ops/Scratch.h"

namespace ombrel {
namespace {

constexpr std::size_t MiB = std::size_t(1) << 20;

TEST(BufferPool, AFrameSizedBufferGivenBackIsReusedForTheNextFrame) {
    const void* first = nullptr;
    {
        PlanarImage frame(1600, 1067);
        first = frame.plane(0);
    }
    PlanarImage next(1600, 1067);
    EXPECT_EQ(next.plane(0), first);
    // A somewhat smaller request may take it too, a much smaller one not.
    const void* again = next.plane(0);
    next = PlanarImage();
    PlanarImage slightlySmaller(1600, 1000);
    EXPECT_EQ(slightlySmaller.plane(0), again);
    std::size_t capacity = 0;
    void* half = BufferPool::take(1600 * 1067 * 6, capacity);
    EXPECT_EQ(capacity, std::size_t(1600) * 1067 * 6);
    BufferPool::give(half, capacity);
}

TEST(BufferPool, KeepsOnlyMidSizedBlocksAndABoundedAmount) {
    std::size_t capacity = 0;
    void* small = BufferPool::take(1000, capacity);
    const std::size_t before = BufferPool::idleBytes();
    BufferPool::give(small, capacity);
    EXPECT_EQ(BufferPool::idleBytes(), before) << "small blocks are freed at once";

    void* huge = BufferPool::take(BufferPool::largestKept + MiB, capacity);
    BufferPool::give(huge, capacity);
    EXPECT_EQ(BufferPool::idleBytes(), 0u) << "photo-sized blocks are freed at once";

    // Far more than the limit given back: the oldest go, the newest stay.
    std::vector<std::pair<void*, std::size_t>> blocks;
    const std::size_t count = BufferPool::idleLimit / (16 * MiB) + 4;
    for (std::size_t i = 0; i < count; ++i) {
        void* b = BufferPool::take(16 * MiB + i * 4096, capacity);
        std::memset(b, 1, capacity);  // the storage is really usable
        blocks.emplace_back(b, capacity);
    }
    for (auto [b, c] : blocks) BufferPool::give(b, c);
    EXPECT_LE(BufferPool::idleBytes(), BufferPool::idleLimit);
    EXPECT_GT(BufferPool::idleBytes(), BufferPool::idleLimit / 2);
    void* newest = BufferPool::take(blocks.back().second, capacity);
    EXPECT_EQ(newest, blocks.back().first);
    BufferPool::give(newest, capacity);
}

TEST(BufferPool, ARequestNothingFitsFreesWhatWaits) {
    // Another photo or zoom: the old frame's blocks must not stay on top of
    // the new ones.
    { PlanarImage frame(1600, 1067); }
    EXPECT_GE(BufferPool::idleBytes(), std::size_t(1600) * 1067 * 3 * sizeof(float));
    PlanarImage other(3000, 2000);
    EXPECT_EQ(BufferPool::idleBytes(), 0u);
}

TEST(BufferPool, ImagesMadeAndFreedOnManyThreadsStayIntact) {
    // Each thread fills its images with its own value and checks them before
    // giving them back: a block handed to two owners at once shows.
    std::vector<std::thread> threads;
    std::vector<int> faults(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &faults] {
            for (int round = 0; round < 40; ++round) {
                Image image(700 + 10 * (round % 3), 400);
                const float value = static_cast<float>(t * 1000 + round);
                std::fill_n(image.data(), image.rowLength() * image.height(), value);
                std::this_thread::yield();
                for (std::size_t i = 0; i < image.rowLength() * image.height(); i += 997)
                    if (image.data()[i] != value) ++faults[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : faults) EXPECT_EQ(f, 0);
}

TEST(BufferPool, CopiesAndMovesOfImagesKeepTheirOwnStorage) {
    Image a(800, 400);
    std::fill_n(a.data(), a.rowLength() * a.height(), 0.25f);
    Image b = a;
    EXPECT_NE(b.data(), a.data());
    EXPECT_EQ(b.pixel(799, 399)[3], 0.25f);
    const float* storage = a.data();
    Image c = std::move(a);
    EXPECT_EQ(c.data(), storage);
    EXPECT_TRUE(a.empty());
}

// Blocks stay with the thread for the whole test program: each test asks for
// sizes no other test (nor any operation under test here) holds a block of.

TEST(Scratch, AReleasedBlockServesTheNextRequestItFitsOnItsOwnThreadOnly) {
    float* first = nullptr;
    { first = ops::Scratch(200'000).data(); }
    EXPECT_EQ(ops::Scratch(200'000).data(), first);
    EXPECT_EQ(ops::Scratch(190'000).data(), first) << "a smaller request fits it too";
    float* theirs = nullptr;
    std::thread([&] { theirs = ops::Scratch(200'000).data(); }).join();
    EXPECT_NE(theirs, first);
    EXPECT_EQ(ops::Scratch(200'000).data(), first) << "still kept for this thread";
    // While it is held, a second request gets other memory.
    const ops::Scratch held(200'000);
    EXPECT_NE(ops::Scratch(200'000).data(), held.data());
}

TEST(HugePages, TheTunableIsAddedOnceAndTheUsersOwnAreKept) {
    struct Case {
        const char* current;
        std::optional<std::string> wanted;
        const char* why;
    };
    const Case cases[] = {
        {nullptr, "glibc.malloc.hugetlb=1", "unset"},
        {"", "glibc.malloc.hugetlb=1", "set but empty"},
        {"glibc.malloc.arena_max=2", "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1", "other tunables kept"},
        {"glibc.malloc.hugetlb=1", std::nullopt, "the second start must not start again"},
        {"glibc.malloc.hugetlb=0", std::nullopt, "the user turned them off"},
        {"glibc.malloc.arena_max=2:glibc.malloc.hugetlb=2", std::nullopt, "the user's own value among others"},
    };
    for (const Case& c : cases) EXPECT_EQ(HugePages::tunablesAskingForThem(c.current), c.wanted) << c.why;
}

}  // namespace
}  // namespace ombrel
