#pragma once

#include "WorkflowHost.h"

namespace bp {

// For runs without a window, tray or file manager (the command line, benchmarks): every
// request is a no-op and the pause ends at once.
class HeadlessHost final : public WorkflowHost {
public:
    void updateUndoMenuItem() override {}
    void sendSuccessNotification(const QString &, const QString &) override {}
    void revealInFileManager(const QString &) override {}
    void closeWindow() override {}
    QFuture<void> pause(std::chrono::milliseconds) override { return QtFuture::makeReadyFuture(); }
};

// Runs the calling thread's event loop until the future has finished, so continuations
// bound to objects of this thread keep running meanwhile.
void waitForFinished(const QFuture<void> &future);

} // namespace bp
