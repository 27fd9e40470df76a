#include "MountInfoCardWatcher.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSocketNotifier>

namespace bp {

namespace {

// The kernel writes space, tab, newline and backslash in paths as \ooo.
QString unescaped(const QByteArray &field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                bytes += char(code);
                i += 3;
                continue;
            }
        }
        bytes += field[i];
    }
    return QFile::decodeName(bytes);
}

bool isRemovable(quint32 major, quint32 minor)
{
    const QString device =
        QFileInfo(QStringLiteral("/sys/dev/block/%1:%2").arg(major).arg(minor)).canonicalFilePath();
    if (device.isEmpty())
        return false;
    if (device.contains(QLatin1String("/usb")) || device.contains(QLatin1String("/mmc")))
        return true;
    // A partition's flag is its disk's, one level up.
    for (const QString &dir : {device, QFileInfo(device).path()}) {
        QFile flag(dir + QLatin1String("/removable"));
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
    }
    return false;
}

} // namespace

QList<MountEntry> parseMountInfo(const QByteArray &text)
{
    QList<MountEntry> entries;
    for (const QByteArray &line : text.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source super
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-", 6);
        if (fields.size() < 6 || dash < 0 || dash + 2 >= fields.size())
            continue;
        const QList<QByteArray> device = fields[2].split(':');
        if (device.size() != 2)
            continue;
        entries.append({device[0].toUInt(), device[1].toUInt(), unescaped(fields[4]),
                        unescaped(fields[dash + 1]), unescaped(fields[dash + 2])});
    }
    return entries;
}

MountInfoCardWatcher::MountInfoCardWatcher(QObject *parent)
    : CardWatcher(parent), m_table(QStringLiteral("/proc/self/mountinfo"))
{
    if (!m_table.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    // The kernel marks the table with POLLPRI when a mount comes or goes.
    m_notifier = new QSocketNotifier(m_table.handle(), QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { update(true); });
    update(false);
}

QList<offload::CardInfo> MountInfoCardWatcher::cards() const
{
    return m_cards.values();
}

void MountInfoCardWatcher::update(bool announce)
{
    m_table.seek(0);
    QSet<QString> mounted;
    for (const MountEntry &entry : parseMountInfo(m_table.readAll())) {
        // Only block devices: no pseudo, network or fuse file systems.
        if (entry.major == 0 || !entry.source.startsWith(QLatin1String("/dev/")))
            continue;
        mounted.insert(entry.mountPoint);
        if (m_mounts.value(entry.mountPoint) == entry.source)
            continue;
        m_mounts.insert(entry.mountPoint, entry.source);
        if (m_cards.contains(entry.mountPoint))
            Q_EMIT cardRemoved(m_cards.take(entry.mountPoint).root);
        if (!isRemovable(entry.major, entry.minor))
            continue;
        // No file system label without udisks2; mount helpers name the folder after it.
        if (const auto card = offload::recogniseCard(entry.mountPoint, QString())) {
            m_cards.insert(entry.mountPoint, *card);
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
