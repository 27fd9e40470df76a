#pragma once

#include "model/Result.h"

namespace bp {

// Whether the desktop starts the program when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    virtual Result<void> setEnabled(bool enabled) = 0;
};

} // namespace bp
