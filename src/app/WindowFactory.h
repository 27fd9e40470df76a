#pragma once

#include "workflow/WorkflowHost.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace bp {

// Makes the agent's windows. Each comes back shown and in front, fixed in size, centred and
// without minimise; a closed window is never shown again, so callers only watch isVisible().
class WindowFactory {
public:
    virtual ~WindowFactory() = default;

    // The setup window on folder (or the default folder). The window owns host, and lives on
    // after closing until a run it started has finished.
    virtual QWidget *openSetupWindow(const std::optional<QString> &folder,
                                     std::unique_ptr<WorkflowHost> host) = 0;
    virtual QWidget *openSettingsWindow() = 0;
    // Closes itself once the onboarding is finished, then runs afterComplete.
    virtual QWidget *openOnboardingWindow(std::function<void()> afterComplete) = 0;
    // The offload window ("Kaart importeren") into project (none: the user picks one), with
    // card preselected when given (a card root).
    virtual QWidget *openOffloadWindow(const std::optional<QString> &project,
                                       const std::optional<QString> &card)
    {
        Q_UNUSED(project);
        Q_UNUSED(card);
        return nullptr;
    }
    // Whether a camera or recorder card is mounted now, to offer its import.
    virtual bool hasCards() const { return false; }
    // Raises and activates a window that is already visible.
    virtual void bringToFront(QWidget *window) = 0;
    // The caller's xdg-activation token or startup id, used by the next window brought up.
    virtual void setActivationToken(const QString &token) = 0;
};

} // namespace bp
