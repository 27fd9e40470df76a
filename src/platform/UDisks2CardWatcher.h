#pragma once

#include "CardWatcher.h"

#include <QDBusConnection>
#include <QHash>
#include <QVariantMap>

class QDBusMessage;
class QDBusObjectPath;
class QDBusPendingCallWatcher;

namespace bp {

// Cards as udisks2 mounts them: file systems on removable, USB or SD drives that are
// neither system nor hidden devices.
class UDisks2CardWatcher final : public CardWatcher {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.freedesktop.UDisks2");
    static inline const QString managerPath = QStringLiteral("/org/freedesktop/UDisks2");

    explicit UDisks2CardWatcher(const QDBusConnection &bus = QDBusConnection::systemBus(),
                                QObject *parent = nullptr);

    QList<offload::CardInfo> cards() const override;

private Q_SLOTS:
    void interfacesAdded(const QDBusMessage &message);
    void interfacesRemoved(const QDBusObjectPath &path, const QStringList &interfaces);
    void propertiesChanged(const QString &interface, const QVariantMap &changed,
                           const QStringList &invalidated, const QDBusMessage &message);

private:
    void askForSnapshot();
    void takeSnapshot(QDBusPendingCallWatcher *call);
    // Compares every block's mount with the cards known; only changes are announced.
    void update(bool announce);
    QString cardRoot(const QString &block) const;

    QDBusConnection m_bus;
    bool m_ready = false; // signals before the first snapshot are already part of it
    // object path -> interface -> properties, as udisks2 last told them
    QHash<QString, QHash<QString, QVariantMap>> m_objects;
    QHash<QString, QString> m_mounts;          // block object path -> mount point looked at
    QHash<QString, offload::CardInfo> m_cards; // the recognised ones among them
};

} // namespace bp
