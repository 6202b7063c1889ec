#pragma once

#include "model/Uuid.h"

#include <chrono>
#include <optional>
#include <string>

namespace ombrel {

// The most recent effective edit: its control's key, its photo and its time.
// A slider drag sends many edits; while they continue one another they form
// a single undo step.
class EditRun {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Same key, same photo, and less than `window` after the previous edit
    // (not after the first edit of the run).
    bool continues(const std::string& key, const Uuid& id, TimePoint now,
                   std::chrono::steady_clock::duration window) const {
        return lastTime_ && key == lastKey_ && lastID_ == id && now - *lastTime_ < window;
    }

    void note(std::string key, const Uuid& id, TimePoint now) {
        lastKey_ = std::move(key);
        lastID_ = id;
        lastTime_ = now;
    }

    // The next edit starts a new step whatever its key.
    void interrupt() { lastKey_.clear(); }

    const std::string& lastKey() const { return lastKey_; }

private:
    std::string lastKey_;
    std::optional<Uuid> lastID_;
    std::optional<TimePoint> lastTime_;  // absent: the distant past
};

}  // namespace ombrel
