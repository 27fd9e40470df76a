#include "AgentClient.h"

#include "DBusApplicationService.h"
#include "brindlepathinterface.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QUrl>

namespace bp {

AgentClient::AgentClient(const QDBusConnection &bus)
    : m_bus(bus), m_application(std::make_unique<OrgFreedesktopApplicationInterface>(
                      DBusApplicationService::name, DBusApplicationService::path, m_bus)),
      m_agent(std::make_unique<ComQuenmoorBrindlepathInterface>(
          DBusApplicationService::name, DBusApplicationService::path, m_bus))
{}

AgentClient::~AgentClient() = default;

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

void AgentClient::wait(const QDBusPendingCall &call)
{
    QDBusPendingCallWatcher watcher(call);
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool AgentClient::activateAction(const QString &action, const QVariantList &parameter)
{
    QDBusPendingReply<> reply = m_application->ActivateAction(action, parameter, platformData());
    wait(reply);
    return reply.isValid();
}

bool AgentClient::open(const QStringList &paths)
{
    QStringList uris;
    for (const QString &path : paths)
        uris += QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    QDBusPendingReply<> reply = m_application->Open(uris, platformData());
    wait(reply);
    return reply.isValid();
}

Result<QStringList> AgentClient::undo()
{
    QDBusPendingReply<QStringList> reply = m_agent->Undo();
    wait(reply);
    if (reply.isValid())
        return reply.value();
    if (reply.error().type() == QDBusError::Failed)
        return Error::withMessage(reply.error().message());
    return Error::withMessage(QStringLiteral("the agent did not answer"));
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
