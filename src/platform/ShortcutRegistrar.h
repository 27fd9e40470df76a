#pragma once

namespace bp {

// Asks the desktop itself to run "brindlepath new" on Ctrl+Alt+N, which then works where our
// own key observer cannot (Wayland, or an X server without the RECORD extension). The answer
// is never reported: a desktop we do not know simply does nothing.
class ShortcutRegistrar {
public:
    virtual ~ShortcutRegistrar() = default;
    virtual void requestRegistration() = 0;
};

} // namespace bp
