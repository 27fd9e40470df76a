#pragma once

#include <functional>

namespace bp {

// The bare signal with which the file-manager plug-in says "a folder is waiting in the
// shared suite". The handler runs on the main thread, once per signal.
class HandOverChannel {
public:
    virtual ~HandOverChannel() = default;
    // Starts listening for the life of the channel; false when there is nothing to listen on.
    virtual bool listen(std::function<void()> handler) = 0;
};

} // namespace bp
