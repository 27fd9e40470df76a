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

bool AgentWorkflowHost::offersOffload() const
{
    return m_delegate.hasCards();
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
