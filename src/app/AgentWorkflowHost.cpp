#include "AgentWorkflowHost.h"

#include "AppDelegate.h"

#include <QCoreApplication>

#include <memory>

namespace bp {

void AgentWorkflowHost::sendSuccessNotification(const QString &projectName,
                                                const QString &projectPath)
{
    m_delegate.sendSuccessNotification(projectName, projectPath);
}

void AgentWorkflowHost::openOffload(const QString &project)
{
    m_delegate.openOffload(project, std::nullopt);
}

void AgentWorkflowHost::revealInFileManager(const QString &path)
{
    m_delegate.revealInFileManager(path);
}

} // namespace bp
