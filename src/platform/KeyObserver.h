#pragma once

#include <cstdint>
#include <functional>

namespace bp {

// One key going down in any application, as the keyboard map names it.
struct KeyDown {
    enum Modifier : unsigned { shift = 1, control = 2, alt = 4, super = 8 };

    // X keysym of the key's first level, so N with or without Shift is 0x6e.
    std::uint32_t keysym = 0;
    // The Modifier keys that were already held.
    unsigned modifiers = 0;

    bool operator==(const KeyDown &) const = default;
};

// Watches the keys the user presses anywhere on the desktop without taking them from the
// application they are meant for.
class KeyObserver {
public:
    using Handler = std::function<void(const KeyDown &)>;

    virtual ~KeyObserver() = default;

    // Reports every key press to handler, on a thread of the observer's own, until the observer
    // is destroyed. False when this session does not let us see other applications' keys;
    // nothing is ever reported then.
    virtual bool start(Handler handler) = 0;
};

} // namespace bp
