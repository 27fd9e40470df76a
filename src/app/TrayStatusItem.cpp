#include "TrayStatusItem.h"

#include <QCursor>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#include <X11/Xlib.h>

#include <utility>

namespace bp {
namespace {

// Whether an X11 tray (the XEmbed system tray protocol) owns the screen's tray selection.
bool x11TrayPresent()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(display));
    return XGetSelectionOwner(display, XInternAtom(display, selection.constData(), False)) != 0;
}

} // namespace

TrayStatusItem::TrayStatusItem(const QDBusConnection &bus)
    : m_bus(bus), m_watcher(watcherService, bus, QDBusServiceWatcher::WatchForRegistration)
{
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayStatusItem::askForHost);
    // A panel may start its watcher before the host that draws the items.
    m_bus.connect(watcherService, watcherPath, watcherService,
                  QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(askForHost()));
    m_settleLimit.setSingleShot(true);
    m_settleLimit.setInterval(std::chrono::milliseconds(250));
    connect(&m_settleLimit, &QTimer::timeout, this, &TrayStatusItem::settle);
}

TrayStatusItem::~TrayStatusItem() = default;

void TrayStatusItem::install(const QIcon &icon, const QString &title, QMenu *menu)
{
    m_installed = true;
    m_icon = icon;
    m_title = title;
    m_menu = menu;
    askForHost();
}

void TrayStatusItem::askForHost()
{
    if (!m_installed || m_tray)
        return;
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    // Asynchronous: a hung panel must not stall the agent's start.
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *call;
                const bool host = reply.isValid() && reply.value().variant().toBool();
                if (!m_tray && (host || x11TrayPresent()))
                    makeIcon();
                settle();
            });
}

void TrayStatusItem::whenSettled(std::function<void()> next)
{
    if (m_settled || !m_installed) {
        next();
        return;
    }
    m_whenSettled.push_back(std::move(next));
    m_settleLimit.start();
}

void TrayStatusItem::whenShown(std::function<void()> next)
{
    if (m_tray)
        next();
    else
        m_whenShown.push_back(std::move(next));
}

void TrayStatusItem::settle()
{
    m_settleLimit.stop();
    m_settled = true;
    // Taken first: a call may add more, which then run at once.
    const std::vector<std::function<void()>> waiting = std::exchange(m_whenSettled, {});
    for (const std::function<void()> &next : waiting)
        next();
}

void TrayStatusItem::setToolTip(const QString &text)
{
    m_toolTip = text;
    if (m_tray)
        m_tray->setToolTip(text);
}

void TrayStatusItem::makeIcon()
{
    m_tray = std::make_unique<QSystemTrayIcon>(m_icon);
    m_tray->setToolTip(m_toolTip.isEmpty() ? m_title : m_toolTip);
    m_tray->setContextMenu(m_menu);
    // Clicking opens the menu, whichever button it was.
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                const bool click =
                    reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick;
                if (click && m_menu)
                    m_menu->popup(QCursor::pos());
            });
    m_tray->show();
    for (const std::function<void()> &next : std::exchange(m_whenShown, {}))
        next();
}

} // namespace bp
