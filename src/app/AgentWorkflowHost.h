#pragma once

#include "WindowHost.h"

namespace bp {

class AppDelegate;

// A setup window's run inside the agent: it posts the notification and reveals the project,
// even once its window has been closed. The tray's undo item follows the undo log itself.
class AgentWorkflowHost final : public WindowHost {
public:
    explicit AgentWorkflowHost(AppDelegate &delegate) : m_delegate(delegate) {}

    void sendSuccessNotification(const QString &projectName, const QString &projectPath) override;
    void revealInFileManager(const QString &path) override;
    // Only with a card in: without one the window closes as it always did.
    bool offersOffload() const override;
    void openOffload(const QString &project) override;

private:
    AppDelegate &m_delegate;
};

} // namespace bp
