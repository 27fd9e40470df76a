#include "FreedesktopNotifier.h"

#include <QDBusMessage>
#include <QVariantMap>

namespace bp {

FreedesktopNotifier::FreedesktopNotifier(const QDBusConnection &bus) : m_bus(bus) {}

void FreedesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), appId},
                            {QStringLiteral("sound-name"), QStringLiteral("complete")}};
    // replaces_id 0: a new notification; expire_timeout -1: the server's default.
    call << appName << 0u << appId << summary << body << QStringList() << hints << qint32(-1);
    // The reply (the notification's id) is of no use to us, and waiting for it could stall
    // the UI thread on a slow server.
    call.setAutoStartService(true);
    m_bus.send(call);
}

} // namespace bp
