#include "platform/FreedesktopFileManager.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QObject>

using namespace bp;

namespace {

// Stands in for the file manager on the private bus and records what it was asked to show.
class FileManagerPeer final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
    QString startupId;

public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString &startup)
    {
        shown += uris;
        startupId = startup;
    }
};

bool waitUntil(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

TEST(FreedesktopFileManager, AsksTheFileManagerToShowTheItemAsAFileUri)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "tests run inside dbus-run-session";
    FileManagerPeer peer;
    ASSERT_TRUE(
        bus.registerObject(FreedesktopFileManager::path, &peer, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(FreedesktopFileManager::service));

    FreedesktopFileManager fileManager(bus);
    fileManager.reveal("/tmp/Shoots/2026-12-07_Nike Zomer");
    ASSERT_TRUE(waitUntil([&] { return !peer.shown.isEmpty(); }));
    EXPECT_EQ(peer.shown, QStringList{"file:///tmp/Shoots/2026-12-07_Nike%20Zomer"});
    EXPECT_EQ(peer.startupId, "");

    bus.unregisterService(FreedesktopFileManager::service);
    bus.unregisterObject(FreedesktopFileManager::path);
}

} // namespace

#include "FileManagerTest.moc"
