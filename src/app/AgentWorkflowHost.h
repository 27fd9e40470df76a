#pragma once

#include "workflow/WorkflowHost.h"

#include <QPointer>
#include <QWidget>

namespace bp {

class AppDelegate;

// A setup window's run inside the agent: it refreshes the tray's undo item, posts the
// notification and reveals the project, even once its window has been closed.
class AgentWorkflowHost final : public WorkflowHost {
public:
    explicit AgentWorkflowHost(AppDelegate &delegate) : m_delegate(delegate) {}

    void setWindow(QWidget *window) { m_window = window; }

    void updateUndoMenuItem() override;
    void sendSuccessNotification(const QString &projectName, const QString &projectPath) override;
    void revealInFileManager(const QString &path) override;
    void closeWindow() override;
    QFuture<void> pause(std::chrono::milliseconds duration) override;

private:
    AppDelegate &m_delegate;
    QPointer<QWidget> m_window;
};

} // namespace bp
