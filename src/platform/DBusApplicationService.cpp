#include "DBusApplicationService.h"

#include "DBusHandOverChannel.h"
#include "brindlepathadaptor.h"
#include "workflow/JobRegistry.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QUrl>

namespace bp {
namespace {

QString localPath(const QString &uri)
{
    const QUrl url(uri);
    return url.isLocalFile() ? url.toLocalFile() : uri;
}

} // namespace

DBusApplicationService::DBusApplicationService(Parts parts, const QDBusConnection &bus)
    : m_parts(parts), m_bus(bus)
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
    new ApplicationAdaptor(this);
    new BrindlepathAdaptor(this);
    connect(&m_parts.jobs, &JobRegistry::changed, this,
            [this] { emit JobsChanged(describeJobs(m_parts.jobs)); });
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

QList<QVariantMap> DBusApplicationService::describeJobs(const JobRegistry &jobs)
{
    QList<QVariantMap> described;
    for (const JobRegistry::Job &job : jobs.jobs()) {
        described +=
            QVariantMap{{QStringLiteral("id"), job.id},
                        {QStringLiteral("description"), job.description},
                        {QStringLiteral("item"), job.currentItem},
                        {QStringLiteral("processed"), QVariant::fromValue(quint64(job.processed))},
                        {QStringLiteral("total"), QVariant::fromValue(quint64(job.total))},
                        {QStringLiteral("unit"), job.unit == JobRegistry::Unit::bytes
                                                     ? QStringLiteral("bytes")
                                                     : QStringLiteral("files")},
                        {QStringLiteral("cancelling"), job.cancelling}};
    }
    return described;
}

ApplicationRequests &DBusApplicationService::requests(const QVariantMap &platformData)
{
    m_parts.requests.setActivationToken(activationToken(platformData));
    return m_parts.requests;
}

void DBusApplicationService::Activate(const QVariantMap &platformData)
{
    requests(platformData).openProjectSetup(std::nullopt);
}

void DBusApplicationService::Open(const QStringList &uris, const QVariantMap &platformData)
{
    QStringList paths;
    for (const QString &uri : uris)
        paths += localPath(uri);
    requests(platformData).openFiles(paths);
}

void DBusApplicationService::ActivateAction(const QString &action, const QVariantList &parameter,
                                            const QVariantMap &platformData)
{
    ApplicationRequests &r = requests(platformData);
    if (action == newAction) {
        const QString folder = parameter.isEmpty() ? QString() : parameter.first().toString();
        r.openProjectSetup(folder.isEmpty() ? std::nullopt : std::optional(folder));
    } else if (action == settingsAction) {
        r.openSettings();
    } else if (action == undoAction) {
        Undo();
    } else if (action == quitAction) {
        r.quit();
    }
}

void DBusApplicationService::OpenFolder(const QString &folder, const QVariantMap &platformData)
{
    m_parts.requests.setActivationToken(activationToken(platformData));
    m_parts.handOver.called(calledFromDBus() ? message().service() : QString(), folder);
}

QStringList DBusApplicationService::Undo()
{
    const Result<QStringList> putBack = m_parts.requests.undoNow();
    if (putBack)
        return putBack.value();
    // The caller must not mistake a failed undo for one with nothing to do.
    if (calledFromDBus())
        sendErrorReply(QDBusError::Failed, putBack.error().message);
    return {};
}

QList<QVariantMap> DBusApplicationService::ListJobs()
{
    return describeJobs(m_parts.jobs);
}

bool DBusApplicationService::CancelJob(const QString &id)
{
    return m_parts.jobs.cancel(id);
}

} // namespace bp
