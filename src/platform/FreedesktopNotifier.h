#pragma once

#include "Notifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

class QDBusMessage;

namespace bp {

// org.freedesktop.Notifications on the session bus, with the program's name, icon and
// desktop entry so that the desktop groups and themes the notification as ours.
class FreedesktopNotifier final : public QObject, public Notifier {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");
    static inline const QString appName = QStringLiteral("Brindlepath");
    static inline const QString appId = QStringLiteral("com.quenmoor.brindlepath");

    explicit FreedesktopNotifier(const QDBusConnection &bus = QDBusConnection::sessionBus());

    void notify(const QString &summary, const QString &body) override;
    void notifyWithAction(const QString &summary, const QString &body, const QString &actionLabel,
                          std::function<void()> onAction) override;

private Q_SLOTS:
    void actionInvoked(uint id, const QString &action);
    void notificationClosed(uint id, uint reason);

private:
    QDBusMessage notifyCall(const QString &summary, const QString &body,
                            const QStringList &actions) const;

    QDBusConnection m_bus;
    bool m_listening = false;
    // What each shown notification's action does, by the id the server gave it.
    QHash<uint, std::function<void()>> m_actions;
};

} // namespace bp
