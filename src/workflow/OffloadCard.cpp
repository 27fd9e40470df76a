#include "workflow/OffloadCard.h"

#include "offload/OffloadEngine.h"

#include <QSysInfo>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace bp {

OffloadCard::~OffloadCard()
{
    // The run holds its own copies and ends on its own; it only has to be told.
    cancel();
}

QFuture<offload::OffloadOutcome> OffloadCard::run(const offload::OffloadRequest &request,
                                                  offload::OffloadProgressFunction progress)
{
    auto cancelFlag = std::make_shared<std::atomic_bool>(false);
    m_cancel = cancelFlag;
    const offload::mhl::Creator creator = offloadCreator();
    // A pool of its own: the run may take an hour and must not starve the global pool.
    static QThreadPool pool;
    m_running =
        QtConcurrent::run(&pool, [request, creator, cancelFlag, progress = std::move(progress)] {
            return offload::runOffload(request, creator, *cancelFlag, progress);
        });
    return m_running;
}

void OffloadCard::cancel()
{
    if (m_cancel)
        m_cancel->store(true);
}

bool OffloadCard::running() const
{
    return m_running.isRunning();
}

offload::mhl::Creator offloadCreator()
{
    offload::mhl::Creator creator;
    creator.creationDate = QDateTime::currentDateTimeUtc();
    creator.hostName = QSysInfo::machineHostName();
    creator.toolVersion = QStringLiteral(BP_VERSION);
    return creator;
}

} // namespace bp
