#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace bp {

// How the file-manager plug-in hands a folder over: a call that carries it, and the bare
// signal that says "a folder is waiting in the shared suite". The handler runs on the main
// thread once per request: with the call's folder (empty for none), or with nothing when only
// the signal came and the folder is to be read from the suite.
class HandOverChannel {
public:
    using Handler = std::function<void(std::optional<QString> folder)>;

    virtual ~HandOverChannel() = default;
    // Starts listening for the life of the channel; false when there is nothing to listen on.
    virtual bool listen(Handler handler) = 0;
};

} // namespace bp
