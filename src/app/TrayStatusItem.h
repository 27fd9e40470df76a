#pragma once

#include "StatusItem.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QSystemTrayIcon;

namespace bp {

// QSystemTrayIcon, made once there is a tray to show it. Qt picks between the bus protocol and
// the X11 tray once per process, when it makes the first icon, and never looks again: an icon
// made before the panel (or its extension) started would stay invisible for good. So without a
// StatusNotifierWatcher that has a host, or an X11 tray, no icon is made until a watcher with a
// host appears. Qt itself registers an icon again with a watcher that restarts.
class TrayStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    static inline const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
    static inline const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

    explicit TrayStatusItem(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~TrayStatusItem() override;

    void install(const QIcon &icon, const QString &title, QMenu *menu) override;
    void whenSettled(std::function<void()> next) override;
    bool isShown() const override { return m_tray != nullptr; }
    void whenShown(std::function<void()> next) override;
    void setToolTip(const QString &text) override;

private Q_SLOTS:
    // Asks the watcher, if any, whether a host shows its items.
    void askForHost();

private:
    void makeIcon();
    void settle();

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    bool m_installed = false;
    QIcon m_icon;
    QString m_title;
    QString m_toolTip;
    QPointer<QMenu> m_menu;
    bool m_settled = false;
    std::vector<std::function<void()>> m_whenSettled;
    std::vector<std::function<void()>> m_whenShown;
    // A hung watcher answers only when the call times out; the waiting work need not wait that
    // long. Stopped when the answer comes, so it never fires in a normal start.
    QTimer m_settleLimit;
};

} // namespace bp
