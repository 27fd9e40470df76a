#pragma once

#include "ShortcutRegistrar.h"

#include <string>

namespace bp {

// Adds Ctrl+Alt+N as one custom keybinding of GNOME's settings daemon (GNOME, and the desktops
// built on its daemon), at a path of our own, so the user's other bindings are never touched.
// Asking again changes nothing. Without GNOME's schema installed it does nothing.
class GnomeShortcutRegistrar final : public ShortcutRegistrar {
public:
    static constexpr char listSchema[] = "org.gnome.settings-daemon.plugins.media-keys";
    static constexpr char listKey[] = "custom-keybindings";
    static constexpr char bindingSchema[] =
        "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
    static constexpr char bindingPath[] =
        "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/brindlepath/";

    // Schemas come from the system's compiled schemas, or only from schemaDirectory if given.
    explicit GnomeShortcutRegistrar(std::string schemaDirectory = {});

    void requestRegistration() override;

private:
    std::string m_schemaDirectory;
};

} // namespace bp
