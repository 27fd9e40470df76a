#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>

namespace bp::test {

// udisks2 as an automounter drives it: the ObjectManager at /org/freedesktop/UDisks2 with
// drives and block devices holding file systems, and udisks2's own signals, names and
// property types (MountPoints aay, NUL-terminated) for devices that come, mount and go.
class UDisks2StandIn final : public QDBusVirtualObject {
public:
    using Interfaces = QMap<QString, QVariantMap>;
    static inline const QString root = "/org/freedesktop/UDisks2";
    int snapshotsTaken = 0;

    explicit UDisks2StandIn(QDBusConnection bus) : m_bus(std::move(bus))
    {
        qDBusRegisterMetaType<QByteArrayList>();
        qDBusRegisterMetaType<Interfaces>();
        qDBusRegisterMetaType<QMap<QDBusObjectPath, Interfaces>>();
    }
    bool publish()
    {
        m_published = (m_bus.objectRegisteredAt(root) || m_bus.registerVirtualObject(root, this)) &&
                      m_bus.registerService("org.freedesktop.UDisks2");
        return m_published;
    }
    // As a stopped udisks2: the name goes, and changes until publish() are not announced.
    void withdraw() { m_published = !m_bus.unregisterService("org.freedesktop.UDisks2"); }
    // Changes after publish() are announced with InterfacesAdded, InterfacesRemoved and
    // PropertiesChanged.
    void addDrive(const QString &name, bool removable, const QString &connectionBus)
    {
        add(root + "/drives/" + name,
            {{"org.freedesktop.UDisks2.Drive",
              {{"Removable", removable}, {"ConnectionBus", connectionBus}}}});
    }
    void addBlock(const QString &name, const QString &drive, const QString &label,
                  bool hintSystem = false, bool hintIgnore = false)
    {
        add(block(name),
            {{"org.freedesktop.UDisks2.Block",
              {{"Drive", QVariant::fromValue(QDBusObjectPath(root + "/drives/" + drive))},
               {"IdLabel", label},
               {"HintSystem", hintSystem},
               {"HintIgnore", hintIgnore}}},
             {filesystem, {{"MountPoints", QVariant::fromValue(QByteArrayList())}}}});
    }
    void mount(const QString &name, const QString &folder)
    {
        setMountPoints(name, {QFile::encodeName(folder) + '\0'});
    }
    void unmount(const QString &name) { setMountPoints(name, {}); }
    // A card pulled out without unmounting.
    void remove(const QString &name)
    {
        const QStringList interfaces = m_objects.take(QDBusObjectPath(block(name))).keys();
        if (m_published)
            m_bus.send(QDBusMessage::createSignal(root, manager, "InterfacesRemoved")
                       << QVariant::fromValue(QDBusObjectPath(block(name))) << interfaces);
    }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != manager || message.member() != "GetManagedObjects")
            return false;
        ++snapshotsTaken;
        return connection.send(message.createReply(QVariant::fromValue(m_objects)));
    }

private:
    static inline const QString manager = "org.freedesktop.DBus.ObjectManager";
    static inline const QString filesystem = "org.freedesktop.UDisks2.Filesystem";
    static QString block(const QString &name) { return root + "/block_devices/" + name; }

    void add(const QString &path, const Interfaces &interfaces)
    {
        m_objects.insert(QDBusObjectPath(path), interfaces);
        if (m_published)
            m_bus.send(QDBusMessage::createSignal(root, manager, "InterfacesAdded")
                       << QVariant::fromValue(QDBusObjectPath(path))
                       << QVariant::fromValue(interfaces));
    }
    void setMountPoints(const QString &name, const QByteArrayList &mounts)
    {
        m_objects[QDBusObjectPath(block(name))][filesystem]["MountPoints"] =
            QVariant::fromValue(mounts);
        if (m_published)
            m_bus.send(QDBusMessage::createSignal(block(name), "org.freedesktop.DBus.Properties",
                                                  "PropertiesChanged")
                       << filesystem << QVariantMap{{"MountPoints", QVariant::fromValue(mounts)}}
                       << QStringList());
    }

    QDBusConnection m_bus;
    bool m_published = false;
    QMap<QDBusObjectPath, Interfaces> m_objects;
};

} // namespace bp::test
