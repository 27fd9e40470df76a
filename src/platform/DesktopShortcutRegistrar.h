#pragma once

#include "GnomeShortcutRegistrar.h"
#include "PortalShortcutRegistrar.h"

#include <functional>

namespace bp {

// Asks whatever this desktop offers: its global shortcuts portal where it has one (KDE
// Plasma), else GNOME's custom keybindings where its settings daemon's schema is installed;
// elsewhere nothing happens. The portal goes first because it lets the user confirm.
class DesktopShortcutRegistrar final : public ShortcutRegistrar {
public:
    // activated is what a portal shortcut does; by default what GNOME's binding runs.
    explicit DesktopShortcutRegistrar(std::function<void()> activated = runNewProject);

    void requestRegistration() override { m_portal.requestRegistration(); }

    // Starts "brindlepath new", as the desktop would.
    static void runNewProject();

private:
    GnomeShortcutRegistrar m_gnome;
    PortalShortcutRegistrar m_portal;
};

} // namespace bp
