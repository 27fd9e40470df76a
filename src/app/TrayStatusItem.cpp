#include "TrayStatusItem.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace bp {

TrayStatusItem::TrayStatusItem(const QDBusConnection &bus)
    : m_watcher(watcherService, bus, QDBusServiceWatcher::WatchForRegistration)
{
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (m_tray)
            makeIcon();
    });
}

TrayStatusItem::~TrayStatusItem() = default;

void TrayStatusItem::install(const QIcon &icon, const QString &title, QMenu *menu)
{
    m_icon = icon;
    m_title = title;
    m_menu = menu;
    makeIcon();
}

void TrayStatusItem::makeIcon()
{
    m_tray.reset();
    m_tray = std::make_unique<QSystemTrayIcon>(m_icon);
    m_tray->setToolTip(m_title);
    m_tray->setContextMenu(m_menu);
    // Clicking opens the menu, whichever button it was.
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && m_menu)
                    m_menu->popup(QCursor::pos());
            });
    m_tray->show();
}

} // namespace bp
