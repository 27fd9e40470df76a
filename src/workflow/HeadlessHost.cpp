#include "HeadlessHost.h"

#include <QEventLoop>
#include <QFutureWatcher>

namespace bp {

void waitForFinished(const QFuture<void> &future)
{
    if (future.isFinished())
        return;
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished())
        loop.exec();
}

} // namespace bp
