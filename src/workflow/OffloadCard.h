#pragma once

#include "offload/AscMhl.h"
#include "offload/OffloadTypes.h"

#include <QFuture>
#include <QObject>

#include <atomic>
#include <memory>

namespace bp {

// Runs card offloads off the calling thread, each on a thread of its own (an offload may take
// an hour and must not hold up the file-work queue), for the offload window, the agent and the
// command line alike. Used on the thread it lives in.
class OffloadCard final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~OffloadCard() override;

    // progress is called on a worker thread. The future's result is the run's outcome, also
    // when it was cancelled or failed.
    QFuture<offload::OffloadOutcome> run(const offload::OffloadRequest &request,
                                         offload::OffloadProgressFunction progress = {});
    // Asks the running offload to end cleanly; harmless when none runs.
    void cancel();
    bool running() const;

private:
    std::shared_ptr<std::atomic_bool> m_cancel;
    QFuture<offload::OffloadOutcome> m_running;
};

// Who writes the ASC MHL generations: this program, its version and this host, now.
offload::mhl::Creator offloadCreator();

} // namespace bp
