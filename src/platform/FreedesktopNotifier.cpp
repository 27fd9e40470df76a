#include "FreedesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace bp {

namespace {

const QString notificationsInterface = QStringLiteral("org.freedesktop.Notifications");
const QString actionKey = QStringLiteral("import");

} // namespace

FreedesktopNotifier::FreedesktopNotifier(const QDBusConnection &bus) : m_bus(bus) {}

QDBusMessage FreedesktopNotifier::notifyCall(const QString &summary, const QString &body,
                                             const QStringList &actions) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, notificationsInterface,
                                                       QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), appId},
                            {QStringLiteral("sound-name"), QStringLiteral("complete")}};
    // replaces_id 0: a new notification; expire_timeout -1: the server's default.
    call << appName << 0u << appId << summary << body << actions << hints << qint32(-1);
    call.setAutoStartService(true);
    return call;
}

void FreedesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (!m_bus.isConnected())
        return;
    // The reply (the notification's id) is of no use to us, and waiting for it could stall
    // the UI thread on a slow server.
    m_bus.send(notifyCall(summary, body, {}));
}

void FreedesktopNotifier::notifyWithAction(const QString &summary, const QString &body,
                                           const QString &actionLabel,
                                           std::function<void()> onAction)
{
    if (!m_bus.isConnected())
        return;
    if (!m_listening) {
        m_listening = true;
        m_bus.connect(service, path, notificationsInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(actionInvoked(uint, QString)));
        m_bus.connect(service, path, notificationsInterface, QStringLiteral("NotificationClosed"),
                      this, SLOT(notificationClosed(uint, uint)));
    }
    // The id comes back later, never waited for; the action can only follow it.
    auto *pending = new QDBusPendingCallWatcher(
        m_bus.asyncCall(notifyCall(summary, body, {actionKey, actionLabel})), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, onAction = std::move(onAction)](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isValid())
                    m_actions.insert(reply.value(), onAction);
            });
}

void FreedesktopNotifier::actionInvoked(uint id, const QString &action)
{
    const auto found = m_actions.constFind(id);
    if (action != actionKey || found == m_actions.cend())
        return;
    // The callback may post another notification, which changes m_actions.
    const std::function<void()> run = *found;
    run();
}

void FreedesktopNotifier::notificationClosed(uint id, uint)
{
    m_actions.remove(id);
}

} // namespace bp
