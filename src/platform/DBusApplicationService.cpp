#include "DBusApplicationService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

namespace bp {
namespace {

QString localPath(const QString &uri)
{
    const QUrl url(uri);
    return url.isLocalFile() ? url.toLocalFile() : uri;
}

} // namespace

class FreedesktopApplicationAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit FreedesktopApplicationAdaptor(DBusApplicationService *service)
        : QDBusAbstractAdaptor(service), m_service(service)
    {}

public Q_SLOTS:
    void Activate(const QVariantMap &platformData)
    {
        requests(platformData).openProjectSetup(std::nullopt);
    }

    void Open(const QStringList &uris, const QVariantMap &platformData)
    {
        QStringList paths;
        for (const QString &uri : uris)
            paths += localPath(uri);
        requests(platformData).openFiles(paths);
    }

    void ActivateAction(const QString &action, const QVariantList &parameter,
                        const QVariantMap &platformData)
    {
        ApplicationRequests &r = requests(platformData);
        if (action == DBusApplicationService::newAction) {
            const QString folder = parameter.isEmpty() ? QString() : parameter.first().toString();
            r.openProjectSetup(folder.isEmpty() ? std::nullopt : std::optional(folder));
        } else if (action == DBusApplicationService::settingsAction) {
            r.openSettings();
        } else if (action == DBusApplicationService::undoAction) {
            r.undoNow();
        } else if (action == DBusApplicationService::quitAction) {
            r.quit();
        }
    }

private:
    ApplicationRequests &requests(const QVariantMap &platformData)
    {
        m_service->requests().setActivationToken(
            DBusApplicationService::activationToken(platformData));
        return m_service->requests();
    }

    DBusApplicationService *m_service;
};

// What org.freedesktop.Application cannot say: the command line wants to know what the undo
// put back.
class AgentAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quenmoor.brindlepath")
public:
    explicit AgentAdaptor(DBusApplicationService *service)
        : QDBusAbstractAdaptor(service), m_service(service)
    {}

public Q_SLOTS:
    QStringList Undo() { return m_service->requests().undoNow(); }

private:
    DBusApplicationService *m_service;
};

DBusApplicationService::DBusApplicationService(ApplicationRequests &requests,
                                               const QDBusConnection &bus)
    : m_requests(requests), m_bus(bus)
{
    new FreedesktopApplicationAdaptor(this);
    new AgentAdaptor(this);
}

DBusApplicationService::~DBusApplicationService()
{
    if (m_owned)
        m_bus.unregisterService(name);
    if (m_exported)
        m_bus.unregisterObject(path);
}

DBusApplicationService::Ownership DBusApplicationService::start()
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return Ownership::noBus;
    m_exported = m_exported || m_bus.registerObject(path, this, QDBusConnection::ExportAdaptors);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    m_owned = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    if (!m_owned && m_exported) {
        m_bus.unregisterObject(path);
        m_exported = false;
    }
    return m_owned ? Ownership::owned : Ownership::taken;
}

QString DBusApplicationService::activationToken(const QVariantMap &platformData)
{
    const QString token = platformData.value(QStringLiteral("activation-token")).toString();
    return token.isEmpty() ? platformData.value(QStringLiteral("desktop-startup-id")).toString()
                           : token;
}

} // namespace bp

#include "DBusApplicationService.moc"
