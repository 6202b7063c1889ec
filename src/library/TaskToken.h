#pragma once

#include <memory>

namespace ombrel {

// The handle of one piece of pending work. Cancelling only marks it: work
// already running goes on, and its result is dropped when it comes back.
// Handles are compared to tell whether the newest request is still this one.
// Main thread only.
class TaskToken {
public:
    void cancel() { *cancelled_ = true; }
    bool cancelled() const { return *cancelled_; }

    bool operator==(const TaskToken& other) const { return cancelled_ == other.cancelled_; }

private:
    std::shared_ptr<bool> cancelled_ = std::make_shared<bool>(false);
};

}  // namespace ombrel
