#pragma once

#include <QString>

namespace bp {

// Posts a desktop notification. Delivery is best effort: without a notification service
// nothing is shown and the caller is never told.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString &summary, const QString &body) = 0;
};

} // namespace bp
