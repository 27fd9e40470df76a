#include "DesktopShortcutRegistrar.h"

#include <QProcess>

namespace bp {

DesktopShortcutRegistrar::DesktopShortcutRegistrar(std::function<void()> activated)
    : m_portal(&m_gnome, std::move(activated))
{}

void DesktopShortcutRegistrar::runNewProject()
{
    QProcess::startDetached(QStringLiteral("brindlepath"), {QStringLiteral("new")});
}

} // namespace bp
