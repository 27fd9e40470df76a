#pragma once

#include "Notifier.h"

#include <QDBusConnection>

namespace bp {

// org.freedesktop.Notifications on the session bus, with the program's name, icon and
// desktop entry so that the desktop groups and themes the notification as ours.
class FreedesktopNotifier final : public Notifier {
public:
    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");
    static inline const QString appName = QStringLiteral("Brindlepath");
    static inline const QString appId = QStringLiteral("com.quenmoor.brindlepath");

    explicit FreedesktopNotifier(const QDBusConnection &bus = QDBusConnection::sessionBus());

    void notify(const QString &summary, const QString &body) override;

private:
    QDBusConnection m_bus;
};

} // namespace bp
