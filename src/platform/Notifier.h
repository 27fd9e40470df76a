#pragma once

#include <QString>

#include <functional>

namespace bp {

// Posts a desktop notification. Delivery is best effort: without a notification service
// nothing is shown and the caller is never told.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString &summary, const QString &body) = 0;
    // The same with one action button; onAction runs on the main thread when the user picks
    // it. Where the service shows no actions, the notification shows without one.
    virtual void notifyWithAction(const QString &summary, const QString &body,
                                  const QString &actionLabel, std::function<void()> onAction)
    {
        Q_UNUSED(actionLabel);
        Q_UNUSED(onAction);
        notify(summary, body);
    }
};

} // namespace bp
