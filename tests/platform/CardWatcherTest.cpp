#include "PlatformTestSupport.h"
#include "UDisks2StandIn.h"
#include "platform/MountInfoCardWatcher.h"
#include "platform/UDisks2CardWatcher.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

using namespace bp;
using bp::test::waitUntil;

namespace {

TEST(UDisks2CardWatcher, AnnouncesCameraCardsMountedOnRemovableDrivesOnly)
{
    QTemporaryDir media;
    for (const char *card : {"disk/DCIM", "before/DCIM", "stick/DCIM", "EOS DIGITAL/DCIM/100CANON",
                             "GOPRO/DCIM/100GOPRO"})
        QDir(media.path()).mkpath(card);
    const auto at = [&](const QString &name) { return media.filePath(name); };

    QDBusConnection server = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "udisks2");
    test::UDisks2StandIn udisks(server);
    // Mounted before the watcher starts: the computer's own disk and a card.
    udisks.addDrive("ata_disk", false, "ata");
    udisks.addBlock("sda1", "ata_disk", "Home");
    udisks.mount("sda1", at("disk"));
    udisks.addDrive("reader", true, "");
    udisks.addBlock("sdb1", "reader", "BEFORE");
    udisks.mount("sdb1", at("before"));
    ASSERT_TRUE(udisks.publish());

    UDisks2CardWatcher watcher(QDBusConnection::sessionBus());
    QList<offload::CardInfo> added;
    QStringList removed;
    QObject::connect(&watcher, &CardWatcher::cardAdded, [&](const auto &card) { added += card; });
    QObject::connect(&watcher, &CardWatcher::cardRemoved, [&](const auto &r) { removed += r; });
    ASSERT_TRUE(waitUntil([&] { return watcher.cards().size() == 1; }));
    EXPECT_EQ(watcher.cards()[0].label, "BEFORE");

    // Plugged in now: a stick's hidden and system partitions, then an SD card.
    udisks.addDrive("stick", false, "usb");
    udisks.addBlock("sdc1", "stick", "HIDDEN", false, true);
    udisks.addBlock("sdc2", "stick", "SYSTEM", true, false);
    udisks.mount("sdc1", at("stick"));
    udisks.mount("sdc2", at("stick"));
    udisks.addDrive("sd", false, "sdio");
    udisks.addBlock("mmcblk0p1", "sd", "EOS_DIGITAL");
    udisks.mount("mmcblk0p1", at("EOS DIGITAL"));
    ASSERT_TRUE(waitUntil([&] { return !added.isEmpty(); }));
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added[0].root, at("EOS DIGITAL"));
    EXPECT_EQ(added[0].label, "EOS_DIGITAL");
    EXPECT_EQ(added[0].kind, offload::CardKind::photo);

    udisks.unmount("mmcblk0p1");
    ASSERT_TRUE(waitUntil([&] { return !removed.isEmpty(); }));
    EXPECT_EQ(removed, QStringList{at("EOS DIGITAL")});

    // Without a label the mount point names it; pulled out unmounted, its device goes.
    udisks.addBlock("sdc3", "stick", "");
    udisks.mount("sdc3", at("GOPRO"));
    ASSERT_TRUE(waitUntil([&] { return added.size() == 2; }));
    EXPECT_EQ(added[1].label, "GOPRO");
    EXPECT_EQ(added[1].layout, "GoPro");
    udisks.remove("sdc3");
    ASSERT_TRUE(waitUntil([&] { return removed.size() == 2; }));
    EXPECT_EQ(removed[1], at("GOPRO"));
    EXPECT_EQ(watcher.cards().size(), 1);

    udisks.withdraw();
    QDBusConnection::disconnectFromBus("udisks2");
}

TEST(MountInfo, ReadsDevicesAndUndoesTheKernelsEscapes)
{
    const QByteArray table =
        "22 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
        "98 30 179:1 / /media/jan/EOS\\040DIGITAL rw,nosuid shared:50 master:2 - exfat "
        "/dev/mmcblk0p1 rw,uid=1000\n"
        "99 30 0:52 / /run/user/1000/a\\134b\\011c rw - tmpfs tmpfs rw\n"
        "broken line\n";
    const QList<MountEntry> entries = parseMountInfo(table);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[1].major, 179u);
    EXPECT_EQ(entries[1].minor, 1u);
    EXPECT_EQ(entries[1].mountPoint, "/media/jan/EOS DIGITAL");
    EXPECT_EQ(entries[1].fileSystem, "exfat");
    EXPECT_EQ(entries[1].source, "/dev/mmcblk0p1");
    EXPECT_EQ(entries[2].mountPoint, "/run/user/1000/a\\b\tc");
}

} // namespace
