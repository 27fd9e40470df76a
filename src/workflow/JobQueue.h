#pragma once

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace bp::JobQueue {

// One worker thread for file work: jobs never overlap and never run on the UI thread.
QThreadPool &pool();

template <typename Function> auto run(Function &&job)
{
    return QtConcurrent::run(&pool(), std::forward<Function>(job));
}

} // namespace bp::JobQueue
