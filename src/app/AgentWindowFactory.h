#pragma once

#include "MemoryRelief.h"
#include "WindowFactory.h"
#include "workflow/Stores.h"

namespace bp {

class CardWatcher;
class FileManagerSetup;
class LoginItem;
class ShortcutRegistrar;
class StatusItem;

// The real windows: setup, settings and onboarding views in fixed, centred top-level windows
// without minimise; the setup window stays above normal windows where the window manager
// allows it.
class AgentWindowFactory final : public WindowFactory {
public:
    // cards may be null: the offload window then lists no cards, only "Kies map…".
    AgentWindowFactory(const Stores &stores, ShortcutRegistrar &shortcuts, LoginItem &loginItem,
                       FileManagerSetup &fileManagers, StatusItem &statusItem,
                       CardWatcher *cards = nullptr);

    QWidget *openSetupWindow(const std::optional<QString> &folder,
                             std::unique_ptr<WorkflowHost> host) override;
    QWidget *openSettingsWindow() override;
    QWidget *openOnboardingWindow(std::function<void()> afterComplete) override;
    QWidget *openOffloadWindow(const std::optional<QString> &project,
                               const std::optional<QString> &card) override;
    bool hasCards() const override;
    void bringToFront(QWidget *window) override;
    void setActivationToken(const QString &token) override { m_token = token; }

private:
    void present(QWidget *window);

    Stores m_stores;
    ShortcutRegistrar &m_shortcuts;
    LoginItem &m_loginItem;
    FileManagerSetup &m_fileManagers;
    StatusItem &m_statusItem;
    CardWatcher *m_cards;
    QString m_token;
    MemoryRelief m_relief;
};

} // namespace bp
