#include "DBusHandOverChannel.h"

#include "contract/AppGroupKeys.h"

namespace bp {

DBusHandOverChannel::DBusHandOverChannel(const QDBusConnection &bus) : m_bus(bus) {}

DBusHandOverChannel::~DBusHandOverChannel()
{
    if (m_listening)
        m_bus.disconnect(QString(), QString::fromLatin1(AppGroupKeys::signalPath),
                         QString::fromLatin1(AppGroupKeys::signalInterface),
                         QString::fromLatin1(AppGroupKeys::signalMember), this, SLOT(openPopup()));
}

bool DBusHandOverChannel::listen(std::function<void()> handler)
{
    m_handler = std::move(handler);
    if (m_listening || !m_bus.isConnected())
        return m_listening;
    // QtDBus has no functor overload for bus signals; the slot is checked when connecting.
    // An empty service matches every sender.
    m_listening =
        m_bus.connect(QString(), QString::fromLatin1(AppGroupKeys::signalPath),
                      QString::fromLatin1(AppGroupKeys::signalInterface),
                      QString::fromLatin1(AppGroupKeys::signalMember), this, SLOT(openPopup()));
    return m_listening;
}

void DBusHandOverChannel::openPopup()
{
    // Bus signals are delivered to this object's thread, the main thread.
    if (m_handler)
        m_handler();
}

} // namespace bp
