#pragma once

#include <QDateTime>

namespace bp {

// Wall-clock seam so that time windows can be tested without sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    static const Clock &system();
};

} // namespace bp
