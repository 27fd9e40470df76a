#include "StartupSettingsLauncher.h"

#include <QProcess>
#include <QStandardPaths>

namespace bp {
namespace {

struct Tool {
    // Names as they appear in XDG_CURRENT_DESKTOP.
    QStringList desktops;
    QString executable;
    QStringList arguments;
};

const QList<Tool> &tools()
{
    static const QList<Tool> list{
        {{"KDE"}, "kcmshell6", {"kcm_autostart"}},
        {{"KDE"}, "kcmshell5", {"kcm_autostart"}},
        {{"KDE"}, "systemsettings", {"kcm_autostart"}},
        {{"XFCE"}, "xfce4-session-settings", {}},
        {{"X-Cinnamon", "Cinnamon"}, "cinnamon-settings", {"startup"}},
        {{"MATE"}, "mate-session-properties", {}},
        {{"GNOME", "Unity"}, "gnome-tweaks", {}},
    };
    return list;
}

bool belongsTo(const Tool &tool, const QStringList &desktops)
{
    for (const QString &desktop : desktops)
        if (tool.desktops.contains(desktop, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

StartupSettingsLauncher::StartupSettingsLauncher()
    : StartupSettingsLauncher(
          qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
          [](const QString &name) { return QStandardPaths::findExecutable(name); },
          [](const QString &program, const QStringList &arguments) {
              return QProcess::startDetached(program, arguments);
          })
{}

StartupSettingsLauncher::StartupSettingsLauncher(QString currentDesktop, FindExecutable find,
                                                 StartDetached start)
    : m_currentDesktop(std::move(currentDesktop)), m_find(std::move(find)),
      m_start(std::move(start))
{}

QList<StartupSettingsLauncher::Command> StartupSettingsLauncher::commands() const
{
    // "ubuntu:GNOME" names two desktops; KDE's module on a GNOME session would be odd, so the
    // running desktop's own tool goes first and the others stay as fallbacks.
    const QStringList desktops = m_currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QList<Command> own;
    QList<Command> others;
    for (const Tool &tool : tools()) {
        const QString program = m_find(tool.executable);
        if (program.isEmpty())
            continue;
        (belongsTo(tool, desktops) ? own : others).append({program, tool.arguments});
    }
    return own + others;
}

bool StartupSettingsLauncher::open()
{
    for (const Command &command : commands())
        if (m_start(command.program, command.arguments))
            return true;
    return false;
}

} // namespace bp
