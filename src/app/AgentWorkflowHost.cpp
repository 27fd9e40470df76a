#include "AgentWorkflowHost.h"

#include "AppDelegate.h"

#include <QCoreApplication>
#include <QPromise>
#include <QTimer>

#include <memory>

namespace bp {

void AgentWorkflowHost::updateUndoMenuItem()
{
    m_delegate.updateUndoMenuItem();
}

void AgentWorkflowHost::sendSuccessNotification(const QString &projectName,
                                                const QString &projectPath)
{
    m_delegate.sendSuccessNotification(projectName, projectPath);
}

void AgentWorkflowHost::revealInFileManager(const QString &path)
{
    m_delegate.revealInFileManager(path);
}

void AgentWorkflowHost::closeWindow()
{
    if (m_window)
        m_window->close();
}

QFuture<void> AgentWorkflowHost::pause(std::chrono::milliseconds duration)
{
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QTimer::singleShot(duration, qApp, [promise] { promise->finish(); });
    return promise->future();
}

} // namespace bp
