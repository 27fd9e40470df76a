#pragma once

#include <functional>

namespace bp {

// What the desktop made of a request for Ctrl+Alt+N.
enum class ShortcutRegistration {
    added,       // the desktop runs "brindlepath new" on it now
    taken,       // the key runs something else of the user's, which we leave alone
    failed,      // the desktop refused or the request was cancelled
    unavailable, // this desktop offers no way we know
};

// Asks the desktop itself to run "brindlepath new" on Ctrl+Alt+N, which then works where our
// own key observer cannot (Wayland, or an X server without the RECORD extension).
class ShortcutRegistrar {
public:
    using Done = std::function<void(ShortcutRegistration)>;

    virtual ~ShortcutRegistrar() = default;
    // done runs once on this thread, perhaps before this returns, perhaps much later (the
    // desktop may ask the user first).
    virtual void requestRegistration(Done done) = 0;
};

} // namespace bp
