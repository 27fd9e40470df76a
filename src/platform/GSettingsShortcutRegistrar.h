#pragma once

#include "ShortcutRegistrar.h"

#include <string>

namespace bp {

// Where a desktop built on GSettings keeps its custom keybindings: one relocatable schema per
// binding, and on some desktops a list naming the bindings it should read.
struct GSettingsKeybindings {
    const char *bindingSchema;
    const char *bindingPath; // ours alone, so the user's bindings are never touched
    const char *commandKey;
    bool bindingIsList;               // Cinnamon takes several accelerators per binding
    const char *listSchema = nullptr; // none: the desktop finds every binding by its path
    const char *listKey = nullptr;
    const char *listEntry = nullptr; // what the list holds for ours: its path or its name
};

// Adds Ctrl+Alt+N as one custom keybinding of GNOME's settings daemon (and the desktops built
// on it), Cinnamon or MATE. Asking again changes nothing. Without the desktop's schemas
// installed it reports that it is unavailable.
class GSettingsShortcutRegistrar final : public ShortcutRegistrar {
public:
    static constexpr GSettingsKeybindings gnome{
        "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding",
        "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/brindlepath/",
        "command",
        false,
        "org.gnome.settings-daemon.plugins.media-keys",
        "custom-keybindings",
        "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/brindlepath/"};
    static constexpr GSettingsKeybindings cinnamon{
        "org.cinnamon.desktop.keybindings.custom-keybinding",
        "/org/cinnamon/desktop/keybindings/custom-keybindings/brindlepath/",
        "command",
        true,
        "org.cinnamon.desktop.keybindings",
        "custom-list",
        "brindlepath"};
    // MATE's settings daemon reads every folder under /org/mate/desktop/keybindings/.
    static constexpr GSettingsKeybindings mate{"org.mate.control-center.keybinding",
                                               "/org/mate/desktop/keybindings/brindlepath/",
                                               "action", false};

    static constexpr char name[] = "Brindlepath";
    static constexpr char command[] = "brindlepath new";
    static constexpr char accelerator[] = "<Control><Alt>n";

    // Schemas come from the system's compiled schemas, or only from schemaDirectory if given.
    explicit GSettingsShortcutRegistrar(const GSettingsKeybindings &desktop,
                                        std::string schemaDirectory = {});

    void requestRegistration(Done done) override { done(registration()); }

private:
    ShortcutRegistration registration() const;

    GSettingsKeybindings m_desktop;
    std::string m_schemaDirectory;
};

} // namespace bp
