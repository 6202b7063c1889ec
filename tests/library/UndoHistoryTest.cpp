#include "library/EditRun.h"
#include "library/UndoHistory.h"

#include <gtest/gtest.h>

using namespace ombrel;
using namespace std::chrono_literals;

namespace {

UndoEntry entry(const Uuid& id, double exposure) {
    UndoEntry e{id, {}};
    e.settings.exposure = exposure;
    return e;
}

}  // namespace

TEST(UndoHistory, NewEditsDropTheOldestBeyondTheLimitAndClearRedo) {
    const Uuid id = Uuid::generate();
    UndoHistory history;
    for (int i = 0; i < 201; ++i) history.record(entry(id, i));
    EXPECT_EQ(history.undoCount(), UndoHistory::limit);

    history.pushRedo(entry(id, -1));
    history.record(entry(id, 500));
    EXPECT_FALSE(history.canRedo());

    // Newest first; the very first entries are gone.
    EXPECT_EQ(history.popUndo()->settings.exposure, 500);
    double last = 0;
    while (auto e = history.popUndo()) last = e->settings.exposure;
    EXPECT_EQ(last, 2);
    EXPECT_FALSE(history.popUndo().has_value());

    // Redoing may grow the history past the limit.
    for (int i = 0; i < 200; ++i) history.record(entry(id, i));
    history.pushUndo(entry(id, 1000));
    EXPECT_EQ(history.undoCount(), 201u);
}

TEST(EditRun, ContinuesOnlyWithSameKeySamePhotoInsideTheWindow) {
    const Uuid a = Uuid::generate();
    const Uuid b = Uuid::generate();
    const auto t0 = std::chrono::steady_clock::now();
    EditRun run;
    EXPECT_FALSE(run.continues("exposure", a, t0, 1s));

    run.note("exposure", a, t0);
    EXPECT_TRUE(run.continues("exposure", a, t0 + 999ms, 1s));
    EXPECT_FALSE(run.continues("exposure", a, t0 + 1000ms, 1s));
    EXPECT_FALSE(run.continues("contrast", a, t0 + 10ms, 1s));
    EXPECT_FALSE(run.continues("exposure", b, t0 + 10ms, 1s));

    // Measured from the latest edit, not from the first of the run.
    run.note("exposure", a, t0 + 900ms);
    EXPECT_TRUE(run.continues("exposure", a, t0 + 1800ms, 1s));

    run.interrupt();
    EXPECT_FALSE(run.continues("exposure", a, t0 + 901ms, 1s));
}
