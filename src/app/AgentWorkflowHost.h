#pragma once

#include "WindowHost.h"

namespace bp {

class AppDelegate;

// A setup window's run inside the agent: it refreshes the tray's undo item, posts the
// notification and reveals the project, even once its window has been closed.
class AgentWorkflowHost final : public WindowHost {
public:
    explicit AgentWorkflowHost(AppDelegate &delegate) : m_delegate(delegate) {}

    void updateUndoMenuItem() override;
    void sendSuccessNotification(const QString &projectName, const QString &projectPath) override;
    void revealInFileManager(const QString &path) override;

private:
    AppDelegate &m_delegate;
};

} // namespace bp
