#include "DBusHandOverChannel.h"

#include "contract/AppGroupKeys.h"

#include <QTimer>

namespace bp {

DBusHandOverChannel::DBusHandOverChannel(const QDBusConnection &bus) : m_bus(bus) {}

DBusHandOverChannel::~DBusHandOverChannel()
{
    if (m_listening)
        m_bus.disconnect(QString(), QString::fromLatin1(AppGroupKeys::signalPath),
                         QString::fromLatin1(AppGroupKeys::signalInterface),
                         QString::fromLatin1(AppGroupKeys::signalMember), this,
                         SLOT(openPopup(QDBusMessage)));
}

bool DBusHandOverChannel::listen(Handler handler)
{
    m_handler = std::move(handler);
    // A call that reached a freshly started agent before its launch had finished.
    for (const QString &folder : std::exchange(m_early, {}))
        QTimer::singleShot(0, this, [this, folder] { m_handler(folder); });
    if (m_listening || !m_bus.isConnected())
        return m_listening;
    // QtDBus has no functor overload for bus signals; the slot is checked when connecting.
    // An empty service matches every sender.
    m_listening = m_bus.connect(QString(), QString::fromLatin1(AppGroupKeys::signalPath),
                                QString::fromLatin1(AppGroupKeys::signalInterface),
                                QString::fromLatin1(AppGroupKeys::signalMember), this,
                                SLOT(openPopup(QDBusMessage)));
    return m_listening;
}

void DBusHandOverChannel::called(const QString &sender, const QString &folder)
{
    // The bus keeps the order of one sender's messages: its signal comes after its call. A
    // signal sent while the agent was still starting reached no one, and the entry waits for
    // the same sender's next click, whose call comes first again.
    m_callers.insert(sender);
    if (m_handler)
        m_handler(folder);
    else
        m_early += folder;
}

void DBusHandOverChannel::openPopup(const QDBusMessage &message)
{
    // Bus signals are delivered to this object's thread, the main thread.
    if (m_callers.remove(message.service()))
        return;
    if (m_handler)
        m_handler(std::nullopt);
}

} // namespace bp
