#pragma once

#include "WindowHost.h"
#include "platform/FileManager.h"
#include "workflow/Stores.h"

#include <functional>
#include <optional>

namespace bp {

// Hosts a setup window opened on its own by "brindlepath new": there is no tray menu to
// refresh and no agent to post from, so only the window, the file manager and the cards
// mounted now (for the offload window's list) are involved.
class StandaloneWindowHost final : public WindowHost {
public:
    explicit StandaloneWindowHost(FileManager &fileManager, CardWatcher *cards = nullptr);

    void sendSuccessNotification(const QString &, const QString &) override {}
    void revealInFileManager(const QString &path) override;
    // Always: without an agent there is no tray to import from later.
    bool offersOffload() const override { return true; }
    // Opens the offload window in this process.
    void openOffload(const QString &project) override;
    // The offload window opened from here, while it (or its run) lasts.
    QWidget *offloadWindow() const { return m_offloadWindow; }

private:
    FileManager &m_fileManager;
    CardWatcher *m_cards;
    QPointer<QWidget> m_offloadWindow;
};

class ProjectSetupWindow;

// Calls quit once the window is closed and any run it started has finished, its reveal
// included; whichever of the two comes last.
void quitWhenClosedAndIdle(ProjectSetupWindow &window, std::function<void()> quit);

// Shows the setup window on folder (or the default folder) and returns when it has closed
// and any run it started has finished.
int runStandaloneSetupWindow(const std::optional<QString> &folder, const Stores &stores);

// Shows the settings window ("brindlepath settings") and returns when it has closed.
int runStandaloneSettingsWindow(const Stores &stores);

} // namespace bp
