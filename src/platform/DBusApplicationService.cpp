#include "DBusApplicationService.h"

#include "DBusHandOverChannel.h"
#include "brindlepathadaptor.h"
#include "model/IncomingPath.h"
#include "workflow/JobRegistry.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>

namespace bp {
namespace {

// A folder a caller names must be there now; a refused one opens the window without it.
std::optional<QString> requestedFolder(const QString &path)
{
    Result<QString> checked = IncomingPath::check(path, IncomingPath::Need::existingFolder);
    if (checked)
        return std::move(checked).value();
    qWarning().noquote() << "brindlepath: folder refused:" << checked.error().message;
    return std::nullopt;
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
    // A caller that leaves the bus (ended, crashed, killed) takes its jobs along.
    m_owners = new QDBusServiceWatcher(QString(), m_bus,
                                       QDBusServiceWatcher::WatchForUnregistration, this);
    connect(m_owners, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString &gone) {
        for (auto it = m_remoteJobs.begin(); it != m_remoteJobs.end();) {
            if (it.value() == gone) {
                m_parts.jobs.remove(it.key());
                it = m_remoteJobs.erase(it);
            } else {
                ++it;
            }
        }
        m_owners->removeWatchedService(gone);
    });
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
    requests(platformData).activate();
}

void DBusApplicationService::Open(const QStringList &uris, const QVariantMap &platformData)
{
    // A refused URI keeps its place as a path that names nothing: only the first one counts.
    QStringList paths;
    for (const QString &uri : uris) {
        Result<QString> path = IncomingPath::fromUri(uri);
        paths += path ? std::move(path).value() : QString();
    }
    requests(platformData).openFiles(paths);
}

void DBusApplicationService::ActivateAction(const QString &action, const QVariantList &parameter,
                                            const QVariantMap &platformData)
{
    if (action == newAction) {
        // Anything but one text is the caller's mistake, not a folder: an int would show as
        // the folder "5".
        if (parameter.size() > 1 ||
            (parameter.size() == 1 && parameter.first().typeId() != QMetaType::QString)) {
            if (calledFromDBus())
                sendErrorReply(QDBusError::InvalidArgs,
                               QStringLiteral("\"new\" takes at most one folder path, as text"));
            return;
        }
        const std::optional<QString> folder =
            parameter.isEmpty() ? std::nullopt : requestedFolder(parameter.first().toString());
        requests(platformData).openProjectSetup(folder);
        return;
    }
    ApplicationRequests &r = requests(platformData);
    if (action == settingsAction)
        r.openSettings();
    else if (action == undoAction)
        Undo();
    else if (action == quitAction)
        r.quit();
}

void DBusApplicationService::OpenFolder(const QString &folder, const QVariantMap &platformData)
{
    m_parts.requests.setActivationToken(activationToken(platformData));
    // A refused folder still counts as this call's: the window opens without one rather than
    // on whatever the shared suite held before.
    m_parts.handOver.called(calledFromDBus() ? message().service() : QString(),
                            requestedFolder(folder).value_or(QString()));
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

QString DBusApplicationService::AddJob(const QString &description, const QString &unit)
{
    const QString owner = calledFromDBus() ? message().service() : QString();
    const JobRegistry::Unit jobUnit =
        unit == u"bytes" ? JobRegistry::Unit::bytes : JobRegistry::Unit::files;
    // The owner does the work, so a cancel is passed on to it.
    auto id = std::make_shared<QString>();
    *id = m_parts.jobs.add(description, jobUnit, [this, id] { emit JobCancelRequested(*id); });
    if (!owner.isEmpty()) {
        m_remoteJobs.insert(*id, owner);
        m_owners->addWatchedService(owner);
        // Gone before the watch began: no signal would ever come.
        if (!m_bus.interface()->isServiceRegistered(owner).value()) {
            m_remoteJobs.remove(*id);
            m_parts.jobs.remove(*id);
        }
    }
    return *id;
}

bool DBusApplicationService::callerOwns(const QString &id)
{
    const QString caller = calledFromDBus() ? message().service() : QString();
    if (m_remoteJobs.value(id) == caller && m_remoteJobs.contains(id))
        return true;
    if (calledFromDBus())
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not your job: %1").arg(id));
    return false;
}

void DBusApplicationService::UpdateJob(const QString &id, qulonglong processed, qulonglong total,
                                       const QString &item)
{
    if (callerOwns(id))
        m_parts.jobs.setProgress(id, qint64(processed), qint64(total), item);
}

void DBusApplicationService::EndJob(const QString &id)
{
    if (callerOwns(id)) {
        m_remoteJobs.remove(id);
        m_parts.jobs.remove(id);
    }
}

} // namespace bp
