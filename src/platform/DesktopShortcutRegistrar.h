#pragma once

#include "PortalShortcutRegistrar.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace bp {

// Asks whatever this desktop offers: its global shortcuts portal where it has one (KDE
// Plasma), else the custom keybindings of the desktop named in XDG_CURRENT_DESKTOP (GNOME and
// the desktops built on its settings daemon, Cinnamon, MATE, XFCE); elsewhere it reports that
// no way exists. The portal goes first because it lets the user confirm.
class DesktopShortcutRegistrar final : public ShortcutRegistrar {
public:
    // activated is what a portal shortcut does; by default what the other bindings run.
    explicit DesktopShortcutRegistrar(std::function<void()> activated = runNewProject,
                                      const QStringList &desktops = currentDesktops());

    void requestRegistration(Done done) override { m_portal.requestRegistration(std::move(done)); }

    // Starts "brindlepath new", as the desktop would.
    static void runNewProject();
    // XDG_CURRENT_DESKTOP's names, most specific first.
    static QStringList currentDesktops();

private:
    std::unique_ptr<ShortcutRegistrar> m_keybindings;
    PortalShortcutRegistrar m_portal;
};

} // namespace bp
