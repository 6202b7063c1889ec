#include "preview/FrameRenderer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace ombrel {
namespace {

// While the first frame is being drawn (held in `done` here), a burst of
// requests arrives: only the newest is drawn after it, so a fast drag never
// queues frames of edits it has already moved past.
TEST(FrameRenderer, ABurstDuringAFrameDrawsOnlyTheNewestRequestAfterIt) {
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    std::vector<std::uint64_t> drawn;
    {
        FrameRenderer renderer([&](Frame frame) {
            std::unique_lock lock(mutex);
            drawn.push_back(frame.id);
            changed.notify_all();
            changed.wait(lock, [&] { return released; });
        });
        renderer.request({.id = 1});
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return !drawn.empty(); });
        for (std::uint64_t id = 2; id <= 50; ++id) renderer.request({.id = id});
        released = true;
        changed.notify_all();
        changed.wait(lock, [&] { return drawn.size() == 2; });
    }
    EXPECT_EQ(drawn, (std::vector<std::uint64_t>{1, 50}));
}

}  // namespace
}  // namespace ombrel
