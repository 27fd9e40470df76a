#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QMap>
#include <QVariantMap>

namespace bp::test {

// udisks2 as the desktop's automounter sees it: the ObjectManager at /org/freedesktop/UDisks2
// with drives and block devices holding file systems, their mounts and unmounts announced
// with udisks2's own signals, names and property types.
class UDisks2StandIn final : public QDBusVirtualObject {
public:
    using Interfaces = QMap<QString, QVariantMap>;

    explicit UDisks2StandIn(QDBusConnection bus);
    bool publish();
    void withdraw();

    // Names become object paths under drives/ and block_devices/. An object added after
    // publish() is announced with InterfacesAdded.
    void addDrive(const QString &name, bool removable, const QString &connectionBus);
    void addBlock(const QString &name, const QString &drive, const QString &label,
                  bool hintSystem = false, bool hintIgnore = false);
    void mount(const QString &block, const QString &folder);
    void unmount(const QString &block);
    // The device is gone (a card pulled out): InterfacesRemoved.
    void remove(const QString &block);

    int snapshotsTaken = 0;

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void add(const QDBusObjectPath &path, const Interfaces &interfaces);
    void setMountPoints(const QString &block, const QByteArrayList &mounts);

    QDBusConnection m_bus;
    bool m_published = false;
    QMap<QDBusObjectPath, Interfaces> m_objects;
};

} // namespace bp::test
