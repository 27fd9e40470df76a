#include "DesktopShortcutRegistrar.h"

#include "GSettingsShortcutRegistrar.h"
#include "XfconfShortcutRegistrar.h"

#include <QProcess>

namespace bp {
namespace {

// The keybindings of the first desktop we know; none if we know none.
std::unique_ptr<ShortcutRegistrar> keybindingsOf(const QStringList &desktops)
{
    using GSettings = GSettingsShortcutRegistrar;
    for (const QString &desktop : desktops) {
        const QString name = desktop.toUpper();
        // These run GNOME's settings daemon and take their custom keybindings from it.
        if (name == u"GNOME" || name == u"UNITY" || name == u"BUDGIE" || name == u"PANTHEON")
            return std::make_unique<GSettings>(GSettings::gnome);
        if (name == u"X-CINNAMON" || name == u"CINNAMON")
            return std::make_unique<GSettings>(GSettings::cinnamon);
        if (name == u"MATE")
            return std::make_unique<GSettings>(GSettings::mate);
        if (name == u"XFCE")
            return std::make_unique<XfconfShortcutRegistrar>();
    }
    return nullptr;
}

} // namespace

DesktopShortcutRegistrar::DesktopShortcutRegistrar(std::function<void()> activated,
                                                   const QStringList &desktops)
    : m_keybindings(keybindingsOf(desktops)), m_portal(m_keybindings.get(), std::move(activated))
{}

void DesktopShortcutRegistrar::runNewProject()
{
    QProcess::startDetached(QStringLiteral("brindlepath"), {QStringLiteral("new")});
}

QStringList DesktopShortcutRegistrar::currentDesktops()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
}

} // namespace bp
