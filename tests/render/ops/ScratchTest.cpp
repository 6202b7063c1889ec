#include <gtest/gtest.h>

#include <thread>

#include "render/ops/Scratch.h"

namespace ombrel::ops {
namespace {

// Blocks stay with the thread for the whole test program: each test asks for
// sizes no other test (nor any operation under test here) holds a block of.

TEST(Scratch, AReleasedBlockServesTheNextRequestItFitsOnItsOwnThreadOnly) {
    float* first = nullptr;
    { first = Scratch(200'000).data(); }
    EXPECT_EQ(Scratch(200'000).data(), first);
    EXPECT_EQ(Scratch(190'000).data(), first) << "a smaller request fits it too";
    float* theirs = nullptr;
    std::thread([&] { theirs = Scratch(200'000).data(); }).join();
    EXPECT_NE(theirs, first);
    EXPECT_EQ(Scratch(200'000).data(), first) << "still kept for this thread";
    // While it is held, a second request gets other memory.
    const Scratch held(200'000);
    EXPECT_NE(Scratch(200'000).data(), held.data());
}

}  // namespace
}  // namespace ombrel::ops
