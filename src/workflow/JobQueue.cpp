#include "JobQueue.h"

namespace bp::JobQueue {

QThreadPool &pool()
{
    static QThreadPool workers;
    static const bool configured = [] {
        workers.setMaxThreadCount(1);
        return true;
    }();
    Q_UNUSED(configured);
    return workers;
}

} // namespace bp::JobQueue
