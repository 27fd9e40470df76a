#include "UDisks2CardWatcher.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QSet>

namespace bp {

namespace {

const QString objectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString blockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString driveInterface = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString filesystemInterface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString mountPointsKey = QStringLiteral("MountPoints");

using Interfaces = QMap<QString, QVariantMap>;

// MountPoints (aay) arrives still marshalled; it is read once, here, into byte strings.
QVariantMap readable(QVariantMap properties)
{
    const auto mounts = properties.find(mountPointsKey);
    if (mounts != properties.end() && mounts->canConvert<QDBusArgument>())
        *mounts = QVariant::fromValue(qdbus_cast<QByteArrayList>(*mounts));
    return properties;
}

QString firstMountPoint(const QVariantMap &filesystem)
{
    for (QByteArray mount : filesystem.value(mountPointsKey).value<QByteArrayList>()) {
        // udisks2 sends them NUL-terminated.
        while (mount.endsWith('\0'))
            mount.chop(1);
        if (!mount.isEmpty())
            return QFile::decodeName(mount);
    }
    return {};
}

} // namespace

UDisks2CardWatcher::UDisks2CardWatcher(const QDBusConnection &bus, QObject *parent)
    : CardWatcher(parent), m_bus(bus)
{
    m_bus.connect(service, managerPath, objectManager, QStringLiteral("InterfacesAdded"), this,
                  SLOT(interfacesAdded(QDBusMessage)));
    m_bus.connect(service, managerPath, objectManager, QStringLiteral("InterfacesRemoved"), this,
                  SLOT(interfacesRemoved(QDBusObjectPath, QStringList)));
    // Every object's path: a mount is a change of its file system's MountPoints.
    m_bus.connect(service, QString(), QStringLiteral("org.freedesktop.DBus.Properties"),
                  QStringLiteral("PropertiesChanged"), this,
                  SLOT(propertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
    // A restarted udisks2 says nothing of what changed while it was gone: ask it again.
    auto *restarts =
        new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(restarts, &QDBusServiceWatcher::serviceRegistered, this,
            &UDisks2CardWatcher::askForSnapshot);
    askForSnapshot();
}

void UDisks2CardWatcher::askForSnapshot()
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, managerPath, objectManager,
                                                       QStringLiteral("GetManagedObjects"));
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, &UDisks2CardWatcher::takeSnapshot);
}

QList<offload::CardInfo> UDisks2CardWatcher::cards() const
{
    return m_cards.values();
}

void UDisks2CardWatcher::takeSnapshot(QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    const QDBusMessage reply = call->reply();
    if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
        m_objects.clear();
        const auto objects = qvariant_cast<QDBusArgument>(reply.arguments().constFirst());
        objects.beginMap();
        while (!objects.atEnd()) {
            QDBusObjectPath path;
            Interfaces interfaces;
            objects.beginMapEntry();
            objects >> path >> interfaces;
            objects.endMapEntry();
            for (auto it = interfaces.cbegin(); it != interfaces.cend(); ++it)
                m_objects[path.path()][it.key()] = readable(it.value());
        }
        objects.endMap();
    }
    // Cards mounted before we started are there, but nobody just plugged them in; after a
    // restart of udisks2, only what changed meanwhile is news.
    update(m_ready);
    m_ready = true;
}

void UDisks2CardWatcher::interfacesAdded(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (!m_ready || arguments.size() != 2)
        return;
    const QString path = arguments[0].value<QDBusObjectPath>().path();
    const auto interfaces = qdbus_cast<Interfaces>(arguments[1]);
    for (auto it = interfaces.cbegin(); it != interfaces.cend(); ++it)
        m_objects[path][it.key()] = readable(it.value());
    update(true);
}

void UDisks2CardWatcher::interfacesRemoved(const QDBusObjectPath &path,
                                           const QStringList &interfaces)
{
    if (!m_ready)
        return;
    const auto object = m_objects.find(path.path());
    if (object == m_objects.end())
        return;
    for (const QString &interface : interfaces)
        object->remove(interface);
    if (object->isEmpty())
        m_objects.erase(object);
    update(true);
}

void UDisks2CardWatcher::propertiesChanged(const QString &interface, const QVariantMap &changed,
                                           const QStringList &, const QDBusMessage &message)
{
    if (!m_ready || !m_objects.contains(message.path()))
        return;
    QVariantMap &properties = m_objects[message.path()][interface];
    const QVariantMap values = readable(changed);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        properties.insert(it.key(), it.value());
    update(true);
}

QString UDisks2CardWatcher::cardRoot(const QString &blockPath) const
{
    const auto &object = m_objects[blockPath];
    const QVariantMap block = object.value(blockInterface);
    if (block.value(QStringLiteral("HintSystem")).toBool() ||
        block.value(QStringLiteral("HintIgnore")).toBool())
        return {};
    const QString drivePath = block.value(QStringLiteral("Drive")).value<QDBusObjectPath>().path();
    const QVariantMap drive = m_objects.value(drivePath).value(driveInterface);
    const QString bus = drive.value(QStringLiteral("ConnectionBus")).toString();
    if (!drive.value(QStringLiteral("Removable")).toBool() && bus != QLatin1String("usb") &&
        bus != QLatin1String("sdio"))
        return {};
    return firstMountPoint(object.value(filesystemInterface));
}

void UDisks2CardWatcher::update(bool announce)
{
    QSet<QString> mounted;
    for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it) {
        if (!it->contains(filesystemInterface) || !it->contains(blockInterface))
            continue;
        const QString root = cardRoot(it.key());
        if (root.isEmpty())
            continue;
        mounted.insert(it.key());
        // Each mount is looked at once; a card that is not a camera's stays unannounced.
        if (m_mounts.value(it.key()) == root)
            continue;
        if (m_cards.contains(it.key()))
            Q_EMIT cardRemoved(m_cards.take(it.key()).root);
        m_mounts.insert(it.key(), root);
        const QString label = it->value(blockInterface).value(QStringLiteral("IdLabel")).toString();
        if (const auto card = offload::recogniseCard(root, label)) {
            m_cards.insert(it.key(), *card);
            if (announce)
                Q_EMIT cardAdded(*card);
        }
    }
    for (const QString &gone : m_mounts.keys()) {
        if (mounted.contains(gone))
            continue;
        m_mounts.remove(gone);
        if (m_cards.contains(gone))
            Q_EMIT cardRemoved(m_cards.take(gone).root);
    }
}

} // namespace bp
