#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/qtconcurrenttask.h>

#include <type_traits>
#include <utility>

namespace ombrel {

// Queue order of background work on the model's pool: what the user waits for
// first, bookkeeping next, statistics last.
namespace priority {
inline constexpr int utility = 0;
inline constexpr int standard = 1;
inline constexpr int userInitiated = 2;
}  // namespace priority

// Runs `work` on `pool` and hands its value to `done` on the thread of
// `context` (the main thread, for the model). When `context` is gone by then,
// the value is dropped. Work that throws yields a default value, so nothing
// is ever thrown into the event loop.
template <typename Work, typename Done>
void runInBackground(QThreadPool& pool, int queuePriority, QObject* context, Work work, Done done) {
    using Result = std::invoke_result_t<Work&>;
    static_assert(std::is_default_constructible_v<Result>);
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::move(done)]() mutable {
                         watcher->deleteLater();
                         done(watcher->future().takeResult());
                     });
    auto guarded = [work = std::move(work)]() mutable -> Result {
        try {
            return work();
        } catch (...) {
            return Result{};
        }
    };
    watcher->setFuture(QtConcurrent::task(std::move(guarded)).onThreadPool(pool).withPriority(queuePriority).spawn());
}

}  // namespace ombrel
