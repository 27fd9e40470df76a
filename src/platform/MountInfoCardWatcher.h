#pragma once

#include "CardWatcher.h"

#include <QFile>
#include <QHash>

class QSocketNotifier;

namespace bp {

// One line of /proc/<pid>/mountinfo, the fields we use.
struct MountEntry {
    quint32 major = 0;
    quint32 minor = 0;
    QString mountPoint; // with the kernel's octal escapes (\040 for a space) undone
    QString fileSystem;
    QString source;
};

QList<MountEntry> parseMountInfo(const QByteArray &text);

// Without udisks2: the kernel's mount table, watched for changes, with removable drives
// told by sysfs (the removable flag, or a USB or MMC device path).
class MountInfoCardWatcher final : public CardWatcher {
    Q_OBJECT
public:
    explicit MountInfoCardWatcher(QObject *parent = nullptr);

    // False where the mount table cannot be read.
    bool isWatching() const { return m_notifier != nullptr; }
    QList<offload::CardInfo> cards() const override;

private:
    void update(bool announce);

    QFile m_table;
    QSocketNotifier *m_notifier = nullptr;
    QHash<QString, QString> m_mounts;          // mount point -> device it came from
    QHash<QString, offload::CardInfo> m_cards; // by mount point
};

} // namespace bp
