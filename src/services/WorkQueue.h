#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ombrel {

// A fixed number of background threads working through jobs in order. The
// thread count is the concurrency limit whatever the number of cores; threads
// run at lowered priority when `background` is set, so the interactive
// preview keeps its cores.
class WorkQueue {
public:
    WorkQueue(int threads, bool background);
    ~WorkQueue();  // runs what is queued, then joins
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    void post(std::function<void()> job);

private:
    void work(bool background);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace ombrel
