#include "UDisks2StandIn.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFile>

namespace bp::test {

namespace {

const QString service = QStringLiteral("org.freedesktop.UDisks2");
const QString root = QStringLiteral("/org/freedesktop/UDisks2");
const QString objectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString filesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");

QDBusObjectPath drivePath(const QString &name)
{
    return QDBusObjectPath(root + "/drives/" + name);
}

QDBusObjectPath blockPath(const QString &name)
{
    return QDBusObjectPath(root + "/block_devices/" + name);
}

} // namespace

UDisks2StandIn::UDisks2StandIn(QDBusConnection bus) : m_bus(std::move(bus))
{
    // MountPoints is aay; the maps are the ObjectManager's a{oa{sa{sv}}} and a{sa{sv}}.
    qDBusRegisterMetaType<QByteArrayList>();
    qDBusRegisterMetaType<Interfaces>();
    qDBusRegisterMetaType<QMap<QDBusObjectPath, Interfaces>>();
}

bool UDisks2StandIn::publish()
{
    m_published = m_bus.registerVirtualObject(root, this) && m_bus.registerService(service);
    return m_published;
}

void UDisks2StandIn::withdraw()
{
    m_bus.unregisterService(service);
    m_bus.unregisterObject(root);
    m_published = false;
}

void UDisks2StandIn::add(const QDBusObjectPath &path, const Interfaces &interfaces)
{
    m_objects.insert(path, interfaces);
    if (m_published)
        m_bus.send(QDBusMessage::createSignal(root, objectManager, "InterfacesAdded")
                   << QVariant::fromValue(path) << QVariant::fromValue(interfaces));
}

void UDisks2StandIn::addDrive(const QString &name, bool removable, const QString &connectionBus)
{
    add(drivePath(name), {{"org.freedesktop.UDisks2.Drive",
                           {{"Removable", removable},
                            {"MediaRemovable", removable},
                            {"ConnectionBus", connectionBus},
                            {"Model", name}}}});
}

void UDisks2StandIn::addBlock(const QString &name, const QString &drive, const QString &label,
                              bool hintSystem, bool hintIgnore)
{
    const QByteArray device = "/dev/" + name.toUtf8() + '\0';
    add(blockPath(name), {{"org.freedesktop.UDisks2.Block",
                           {{"Device", device},
                            {"Drive", QVariant::fromValue(drivePath(drive))},
                            {"IdLabel", label},
                            {"IdType", "vfat"},
                            {"HintSystem", hintSystem},
                            {"HintIgnore", hintIgnore}}},
                          {filesystem, {{"MountPoints", QVariant::fromValue(QByteArrayList())}}}});
}

void UDisks2StandIn::setMountPoints(const QString &block, const QByteArrayList &mounts)
{
    const QVariant value = QVariant::fromValue(mounts);
    m_objects[blockPath(block)][filesystem]["MountPoints"] = value;
    if (m_published)
        m_bus.send(QDBusMessage::createSignal(blockPath(block).path(),
                                              "org.freedesktop.DBus.Properties",
                                              "PropertiesChanged")
                   << filesystem << QVariantMap{{"MountPoints", value}} << QStringList());
}

void UDisks2StandIn::mount(const QString &block, const QString &folder)
{
    setMountPoints(block, {QFile::encodeName(folder) + '\0'});
}

void UDisks2StandIn::unmount(const QString &block)
{
    setMountPoints(block, {});
}

void UDisks2StandIn::remove(const QString &block)
{
    const Interfaces interfaces = m_objects.take(blockPath(block));
    m_bus.send(QDBusMessage::createSignal(root, objectManager, "InterfacesRemoved")
               << QVariant::fromValue(blockPath(block)) << QStringList(interfaces.keys()));
}

QString UDisks2StandIn::introspect(const QString &) const
{
    return QStringLiteral("<interface name=\"org.freedesktop.DBus.ObjectManager\">"
                          "<method name=\"GetManagedObjects\"><arg type=\"a{oa{sa{sv}}}\" "
                          "name=\"objects\" direction=\"out\"/></method></interface>");
}

bool UDisks2StandIn::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    if (message.interface() != objectManager || message.member() != "GetManagedObjects")
        return false;
    ++snapshotsTaken;
    connection.send(message.createReply(QVariant::fromValue(m_objects)));
    return true;
}

} // namespace bp::test
