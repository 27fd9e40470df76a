#include "AgentClient.h"

#include "DBusApplicationService.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QUrl>

namespace bp {

AgentClient::AgentClient(const QDBusConnection &bus) : m_bus(bus) {}

bool AgentClient::sessionHasBus()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

bool AgentClient::hasBus() const
{
    return m_bus.isConnected() && m_bus.interface();
}

bool AgentClient::agentRunning() const
{
    return hasBus() && m_bus.interface()->isServiceRegistered(DBusApplicationService::name);
}

bool AgentClient::ensureAgent(const QString &program, std::chrono::milliseconds timeout)
{
    if (!hasBus())
        return false;
    QDBusServiceWatcher watcher(DBusApplicationService::name, m_bus,
                                QDBusServiceWatcher::WatchForRegistration);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
    // Watch first, then look: a name taken in between is not missed.
    if (agentRunning())
        return true;
    if (!m_bus.interface()->startService(DBusApplicationService::name).isValid())
        QProcess::startDetached(program, {});
    if (agentRunning())
        return true;
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    return agentRunning();
}

QDBusMessage AgentClient::call(const QString &interface, const QString &method,
                               const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        DBusApplicationService::name, DBusApplicationService::path, interface, method);
    message.setArguments(arguments);
    // Waits in an event loop rather than blocking, so that an agent in this very process
    // (the tests) can answer.
    QDBusPendingCallWatcher watcher(m_bus.asyncCall(message));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return watcher.reply();
}

bool AgentClient::activateAction(const QString &action, const QVariantList &parameter)
{
    return call(DBusApplicationService::applicationInterface, QStringLiteral("ActivateAction"),
                {action, parameter, platformData()})
               .type() == QDBusMessage::ReplyMessage;
}

bool AgentClient::open(const QStringList &paths)
{
    QStringList uris;
    for (const QString &path : paths)
        uris += QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    return call(DBusApplicationService::applicationInterface, QStringLiteral("Open"),
                {uris, platformData()})
               .type() == QDBusMessage::ReplyMessage;
}

std::optional<QStringList> AgentClient::undo()
{
    const QDBusMessage reply =
        call(DBusApplicationService::agentInterface, QStringLiteral("Undo"), {});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().first().toStringList();
}

QVariantMap AgentClient::platformData()
{
    QVariantMap data;
    if (const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN"); !token.isEmpty())
        data.insert(QStringLiteral("activation-token"), token);
    if (const QString id = qEnvironmentVariable("DESKTOP_STARTUP_ID"); !id.isEmpty())
        data.insert(QStringLiteral("desktop-startup-id"), id);
    return data;
}

} // namespace bp
