#include "WorkQueue.h"

#include <sys/resource.h>
#include <unistd.h>

namespace ombrel {

WorkQueue::WorkQueue(int threads, bool background) {
    threads_.reserve(threads);
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this, background] { work(background); });
}

WorkQueue::~WorkQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void WorkQueue::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void WorkQueue::work(bool background) {
    // On Linux a thread's nice value is its own; failure just leaves it at normal priority.
    if (background) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;  // stopping, and nothing left to run
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

}  // namespace ombrel
