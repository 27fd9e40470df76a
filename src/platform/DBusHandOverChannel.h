#pragma once

#include "HandOverChannel.h"

#include <QDBusConnection>
#include <QObject>

namespace bp {

// The openPopup signal of the shared constants, from any sender on the session bus.
class DBusHandOverChannel final : public QObject, public HandOverChannel {
    Q_OBJECT
public:
    explicit DBusHandOverChannel(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~DBusHandOverChannel() override;

    bool listen(std::function<void()> handler) override;

private Q_SLOTS:
    void openPopup();

private:
    QDBusConnection m_bus;
    std::function<void()> m_handler;
    bool m_listening = false;
};

} // namespace bp
