#pragma once

#include "StartupSettings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace bp {

// Starts the startup-applications settings of whichever desktop is installed: KDE's autostart
// module, Xfce's, Cinnamon's and MATE's session settings, or GNOME Tweaks. The tool of the
// running desktop is tried first. Never waits for the tool.
class StartupSettingsLauncher final : public StartupSettings {
public:
    struct Command {
        QString program; // as looked up, an absolute path
        QStringList arguments;
        friend bool operator==(const Command &, const Command &) = default;
    };
    // The path of an executable on PATH, or empty.
    using FindExecutable = std::function<QString(const QString &name)>;
    using StartDetached = std::function<bool(const QString &program, const QStringList &arguments)>;

    // The real desktop: $XDG_CURRENT_DESKTOP, PATH and detached processes.
    StartupSettingsLauncher();
    StartupSettingsLauncher(QString currentDesktop, FindExecutable find, StartDetached start);

    // The installed tools in the order they are tried.
    QList<Command> commands() const;
    bool open() override;

private:
    QString m_currentDesktop;
    FindExecutable m_find;
    StartDetached m_start;
};

} // namespace bp
