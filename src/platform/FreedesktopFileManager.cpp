#include "FreedesktopFileManager.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace bp {
namespace {

void openParentFolder(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

} // namespace

FreedesktopFileManager::FreedesktopFileManager(const QDBusConnection &bus) : m_bus(bus) {}

void FreedesktopFileManager::reveal(const QString &itemPath)
{
    if (!m_bus.isConnected()) {
        openParentFolder(itemPath);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(itemPath).toString(QUrl::FullyEncoded)} << QString();
    // Asynchronous: a slow or absent file manager must never stall the UI thread.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [itemPath](QDBusPendingCallWatcher *w) {
                         if (QDBusPendingReply<> reply = *w; reply.isError())
                             openParentFolder(itemPath);
                         w->deleteLater();
                     });
}

} // namespace bp
