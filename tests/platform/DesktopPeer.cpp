#include "DesktopPeer.h"

#include "platform/FreedesktopFileManager.h"
#include "platform/FreedesktopNotifier.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace bp::test {

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool DesktopPeer::publish(QDBusConnection bus)
{
    return bus.registerObject(FreedesktopNotifier::path, "org.freedesktop.Notifications", this,
                              QDBusConnection::ExportScriptableSlots) &&
           bus.registerService(FreedesktopNotifier::service) &&
           bus.registerObject(FreedesktopFileManager::path, "org.freedesktop.FileManager1", this,
                              QDBusConnection::ExportScriptableSlots) &&
           bus.registerService(FreedesktopFileManager::service);
}

void DesktopPeer::withdraw(QDBusConnection bus)
{
    bus.unregisterService(FreedesktopNotifier::service);
    bus.unregisterService(FreedesktopFileManager::service);
    bus.unregisterObject(FreedesktopNotifier::path);
    bus.unregisterObject(FreedesktopFileManager::path);
}

uint DesktopPeer::Notify(const QString &, uint, const QString &, const QString &summary,
                         const QString &body, const QStringList &, const QVariantMap &, int)
{
    notified += summary + " | " + body;
    return 1;
}

void DesktopPeer::ShowItems(const QStringList &uris, const QString &)
{
    revealed += uris;
}

} // namespace bp::test
