#pragma once

#include "ShortcutRegistrar.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

#include <functional>

namespace bp {

// Binds Ctrl+Alt+N through the desktop's global shortcuts portal (KDE Plasma), which shows
// the desktop's own confirmation and lets the user pick another key there. Every call is
// asynchronous; requests made while one is under way get its outcome too. A portal shortcut
// belongs to its session, and the session to our bus connection: activated runs only while
// this object lives. Without the portal, fallback is asked instead, if there is one.
class PortalShortcutRegistrar final : public QObject, public ShortcutRegistrar {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString interface =
        QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
    static inline const QString shortcutId = QStringLiteral("new-project");

    PortalShortcutRegistrar(ShortcutRegistrar *fallback, std::function<void()> activated,
                            const QDBusConnection &bus = QDBusConnection::sessionBus());

    void requestRegistration(Done done) override;

private Q_SLOTS:
    void sessionCreated(uint response, const QVariantMap &results);
    void shortcutsBound(uint response, const QVariantMap &results);
    void shortcutActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                           const QVariantMap &options);

private:
    void createSession();
    void bindShortcuts();
    void send(const QDBusMessage &call, const char *slot);
    QString awaitResponse(const char *slot);
    void stopAwaiting(const char *slot);
    void finish(ShortcutRegistration outcome);

    QDBusConnection m_bus;
    ShortcutRegistrar *m_fallback;
    std::function<void()> m_activated;
    QString m_session;
    QString m_request;
    int m_requests = 0;
    QList<Done> m_waiting; // under way while not empty
};

} // namespace bp
