#pragma once

#include "ApplicationRequests.h"

#include <QDBusConnection>
#include <QObject>

namespace bp {

// The agent's face on the session bus: the well-known name, owned by one process only, and
// org.freedesktop.Application plus our own interface at one object path.
class DBusApplicationService final : public QObject {
    Q_OBJECT
public:
    static inline const QString name = QStringLiteral("com.quenmoor.brindlepath");
    static inline const QString path = QStringLiteral("/com/quenmoor/brindlepath");
    static inline const QString agentInterface = QStringLiteral("com.quenmoor.brindlepath");
    static inline const QString applicationInterface =
        QStringLiteral("org.freedesktop.Application");

    // Action names of ActivateAction; "new" takes an optional folder path as its parameter.
    static inline const QString newAction = QStringLiteral("new");
    static inline const QString settingsAction = QStringLiteral("settings");
    static inline const QString undoAction = QStringLiteral("undo");
    static inline const QString quitAction = QStringLiteral("quit");

    enum class Ownership { owned, taken, noBus };

    DBusApplicationService(ApplicationRequests &requests,
                           const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~DBusApplicationService() override;

    // Exports the object, then asks for the name without queueing: a second agent is told at
    // once that the name is taken instead of waiting in line behind the first.
    Ownership start();

    // The token a caller put in platform-data, or empty.
    static QString activationToken(const QVariantMap &platformData);

    ApplicationRequests &requests() { return m_requests; }

private:
    ApplicationRequests &m_requests;
    QDBusConnection m_bus;
    bool m_exported = false;
    bool m_owned = false;
};

} // namespace bp
