#pragma once

#include "HandOverChannel.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QSet>
#include <QStringList>

namespace bp {

// The openPopup signal of the shared constants, from any sender on the session bus, and the
// OpenFolder calls that the application service passes on.
class DBusHandOverChannel final : public QObject, public HandOverChannel {
    Q_OBJECT
public:
    explicit DBusHandOverChannel(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~DBusHandOverChannel() override;

    bool listen(Handler handler) override;

    // An OpenFolder call from sender (its unique bus name). The plug-in follows each call with
    // the bare signal: that sender's next signal belongs to this request and is dropped.
    void called(const QString &sender, const QString &folder);

private Q_SLOTS:
    void openPopup(const QDBusMessage &message);

private:
    QDBusConnection m_bus;
    Handler m_handler;
    bool m_listening = false;
    QSet<QString> m_callers;
    // Calls that came before anyone listened, in order.
    QStringList m_early;
};

} // namespace bp
