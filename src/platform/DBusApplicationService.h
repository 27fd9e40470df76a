#pragma once

#include "ApplicationRequests.h"
#include "contract/AppGroupKeys.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QVariantList>
#include <QVariantMap>

namespace bp {

class DBusHandOverChannel;
class JobRegistry;

// The agent's face on the session bus: the well-known name, owned by one process only, and
// the interfaces of dbus/com.quenmoor.brindlepath.xml at one object path, served through the
// adaptors generated from that file.
class DBusApplicationService final : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    static inline const QString name = QString::fromLatin1(AppGroupKeys::busName);
    static inline const QString path = QString::fromLatin1(AppGroupKeys::busPath);
    static inline const QString agentInterface = QString::fromLatin1(AppGroupKeys::busInterface);
    static inline const QString applicationInterface =
        QStringLiteral("org.freedesktop.Application");

    // Action names of ActivateAction; "new" takes an optional folder path as its parameter.
    static inline const QString newAction = QStringLiteral("new");
    static inline const QString settingsAction = QStringLiteral("settings");
    static inline const QString undoAction = QStringLiteral("undo");
    static inline const QString quitAction = QStringLiteral("quit");

    enum class Ownership { owned, taken, noBus };

    // What the agent serves: its requests, the file-manager hand-over and its jobs.
    struct Parts {
        ApplicationRequests &requests;
        DBusHandOverChannel &handOver;
        JobRegistry &jobs;
    };

    explicit DBusApplicationService(Parts parts,
                                    const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~DBusApplicationService() override;

    // Exports the object, then asks for the name without queueing: a second agent is told at
    // once that the name is taken instead of waiting in line behind the first.
    Ownership start();

    // The token a caller put in platform-data, or empty.
    static QString activationToken(const QVariantMap &platformData);

    // A job as ListJobs and JobsChanged describe it.
    static QList<QVariantMap> describeJobs(const JobRegistry &jobs);

    // The methods of the interface file, called by the generated adaptors.
    void Activate(const QVariantMap &platformData);
    void Open(const QStringList &uris, const QVariantMap &platformData);
    void ActivateAction(const QString &action, const QVariantList &parameter,
                        const QVariantMap &platformData);
    void OpenFolder(const QString &folder, const QVariantMap &platformData);
    QStringList Undo();
    QList<QVariantMap> ListJobs();
    bool CancelJob(const QString &id);
    QString AddJob(const QString &description, const QString &unit);
    void UpdateJob(const QString &id, qulonglong processed, qulonglong total, const QString &item);
    void EndJob(const QString &id);

Q_SIGNALS:
    // Relayed by the adaptor.
    void JobsChanged(const QList<QVariantMap> &jobs);
    void JobCancelRequested(const QString &id);

private:
    ApplicationRequests &requests(const QVariantMap &platformData);
    // Whether the caller added the job; replies with an error when it did not.
    bool callerOwns(const QString &id);

    // The jobs other processes added, with the bus name of each one's owner.
    QHash<QString, QString> m_remoteJobs;
    QDBusServiceWatcher *m_owners = nullptr;

    Parts m_parts;
    QDBusConnection m_bus;
    bool m_exported = false;
    bool m_owned = false;
};

} // namespace bp
