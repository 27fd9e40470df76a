#pragma once

#include <QEventLoop>
#include <QFutureWatcher>
#include <QObject>

#include <utility>

namespace bp {

// Calls handler with the future's result on context's thread once the future has finished.
// Unlike QFuture::then(context, …), nothing runs and nothing asserts when context is gone by
// then: the watcher is context's child and goes with it. A cancelled future calls nothing.
template <typename T, typename Handler>
void whenFinished(const QFuture<T> &future, QObject *context, Handler handler)
{
    auto *watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, handler = std::move(handler)]() mutable {
                         watcher->deleteLater();
                         const QFuture<T> done = watcher->future();
                         if constexpr (std::is_void_v<T>) {
                             if (!done.isCanceled())
                                 handler();
                         } else {
                             if (done.resultCount() > 0)
                                 handler(done.result());
                         }
                     });
    watcher->setFuture(future);
}

// Runs the calling thread's event loop until the future has finished, so continuations bound
// to objects of this thread keep running meanwhile (the command line, benchmarks).
template <typename T> void waitForFinished(const QFuture<T> &future)
{
    if (future.isFinished())
        return;
    QEventLoop loop;
    QFutureWatcher<T> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished())
        loop.exec();
}

} // namespace bp
