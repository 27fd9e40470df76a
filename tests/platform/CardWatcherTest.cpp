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
    for (const char *card :
         {"disk/DCIM", "old/DCIM", "stick/DCIM", "EOS 1/DCIM", "GO/DCIM/100GOPRO"})
        QDir(media.path()).mkpath(card);
    const auto at = [&](const QString &name) { return media.filePath(name); };
    test::UDisks2StandIn udisks(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "u"));
    // Mounted before the watcher starts: the computer's own disk and a card.
    udisks.addDrive("ata", false, "ata");
    udisks.addBlock("sda1", "ata", "Home");
    udisks.mount("sda1", at("disk"));
    udisks.addDrive("reader", true, "");
    udisks.addBlock("sdb1", "reader", "OLD");
    udisks.mount("sdb1", at("old"));
    ASSERT_TRUE(udisks.publish());

    UDisks2CardWatcher watcher(QDBusConnection::sessionBus());
    QList<offload::CardInfo> added;
    QStringList removed;
    QObject::connect(&watcher, &CardWatcher::cardAdded, [&](const auto &card) { added += card; });
    QObject::connect(&watcher, &CardWatcher::cardRemoved, [&](const auto &r) { removed += r; });
    ASSERT_TRUE(waitUntil([&] { return watcher.cards().size() == 1; }));
    EXPECT_EQ(watcher.cards()[0].label, "OLD");

    // Plugged in now: a stick's hidden and system partitions, then an SD card.
    udisks.addDrive("stick", false, "usb");
    udisks.addBlock("sdc1", "stick", "HIDDEN", false, true);
    udisks.addBlock("sdc2", "stick", "SYSTEM", true, false);
    udisks.mount("sdc1", at("stick"));
    udisks.mount("sdc2", at("stick"));
    udisks.addDrive("sd", false, "sdio");
    udisks.addBlock("mmcblk0p1", "sd", "EOS_DIGITAL");
    udisks.mount("mmcblk0p1", at("EOS 1"));
    ASSERT_TRUE(waitUntil([&] { return !added.isEmpty(); }));
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added[0].root, at("EOS 1"));
    EXPECT_EQ(added[0].label, "EOS_DIGITAL");
    EXPECT_EQ(added[0].kind, offload::CardKind::photo);
    udisks.unmount("mmcblk0p1");
    ASSERT_TRUE(waitUntil([&] { return !removed.isEmpty(); }));
    EXPECT_EQ(removed, QStringList{at("EOS 1")});

    // Without a label the mount point names it; pulled out unmounted, its device goes.
    udisks.addBlock("sdc3", "stick", "");
    udisks.mount("sdc3", at("GO"));
    ASSERT_TRUE(waitUntil([&] { return added.size() == 2; }));
    EXPECT_EQ(added[1].label, "GO");
    EXPECT_EQ(added[1].layout, "GoPro");
    udisks.remove("sdc3");
    ASSERT_TRUE(waitUntil([&] { return removed.size() == 2; }));
    EXPECT_EQ(removed[1], at("GO"));
    EXPECT_EQ(watcher.cards().size(), 1);

    // udisks2 restarts: what changed while it was away is news once it is back.
    udisks.withdraw();
    udisks.unmount("sdb1");
    udisks.mount("mmcblk0p1", at("EOS 1"));
    ASSERT_TRUE(udisks.publish());
    ASSERT_TRUE(waitUntil([&] { return added.size() == 3 && removed.size() == 3; }));
    EXPECT_EQ(added[2].label, "EOS_DIGITAL");
    EXPECT_EQ(removed[2], at("old"));
}

TEST(MountInfo, ReadsDevicesAndUndoesTheKernelsEscapes)
{
    const QList<MountEntry> entries = parseMountInfo(
        "22 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
        "98 30 179:1 / /media/jan/EOS\\040DIGITAL rw shared:50 master:2 - exfat /dev/mmcblk0p1 rw\n"
        "99 30 0:52 / /run/a\\134b\\011c rw - tmpfs tmpfs rw\n"
        "broken line\n");
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[1].major, 179u);
    EXPECT_EQ(entries[1].minor, 1u);
    EXPECT_EQ(entries[1].mountPoint, "/media/jan/EOS DIGITAL");
    EXPECT_EQ(entries[1].source, "/dev/mmcblk0p1");
    EXPECT_EQ(entries[2].mountPoint, "/run/a\\b\tc");
}

} // namespace
