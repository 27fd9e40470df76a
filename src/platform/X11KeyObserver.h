#pragma once

#include "KeyObserver.h"

#include <memory>
#include <string>

namespace bp {

// Observes the keys through the X server's RECORD extension, on connections and a thread of
// its own. Under Wayland, or on a server without RECORD, it refuses to start: a Wayland
// compositor never shows native windows' keys to X clients, so a half-working shortcut would
// only confuse.
class X11KeyObserver final : public KeyObserver {
public:
    explicit X11KeyObserver(std::string display = sessionDisplay());
    ~X11KeyObserver() override;

    bool start(Handler handler) override;

    // The X display of this desktop session, or empty when the session is not an X11 one.
    static std::string sessionDisplay();

private:
    struct Recording;

    std::string m_display;
    std::unique_ptr<Recording> m_recording;
};

} // namespace bp
