#pragma once

#include "StatusItem.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QPointer>

#include <memory>

class QSystemTrayIcon;

namespace bp {

// QSystemTrayIcon, made again whenever a StatusNotifierWatcher appears on the session bus:
// Qt picks between the bus protocol and the X11 tray only when the icon is made, so an icon
// made before the panel (or its extension) started would otherwise stay invisible.
class TrayStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    static inline const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

    explicit TrayStatusItem(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~TrayStatusItem() override;

    void install(const QIcon &icon, const QString &title, QMenu *menu) override;

private:
    void makeIcon();

    QDBusServiceWatcher m_watcher;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QIcon m_icon;
    QString m_title;
    QPointer<QMenu> m_menu;
};

} // namespace bp
