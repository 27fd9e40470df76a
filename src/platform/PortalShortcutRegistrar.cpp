#include "PortalShortcutRegistrar.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>

#include <utility>

namespace bp {
namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The a(sa{sv}) entries of BindShortcuts.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace
} // namespace bp

Q_DECLARE_METATYPE(bp::PortalShortcut)

namespace bp {

PortalShortcutRegistrar::PortalShortcutRegistrar(ShortcutRegistrar *fallback,
                                                 std::function<void()> activated,
                                                 const QDBusConnection &bus)
    : m_bus(bus), m_fallback(fallback), m_activated(std::move(activated))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

void PortalShortcutRegistrar::requestRegistration(Done done)
{
    m_waiting.append(std::move(done));
    if (m_waiting.size() > 1)
        return;
    if (!m_session.isEmpty()) {
        bindShortcuts();
        return;
    }
    // A program started outside a sandbox or an app scope has no app id the portal can see;
    // this must be our first portal call. Older portals do not know it; that is fine.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.host.portal.Registry"),
        QStringLiteral("Register"));
    registration << QStringLiteral("com.quenmoor.brindlepath") << QVariantMap();
    m_bus.send(registration);

    // A portal without a GlobalShortcuts backend does not have the interface at all.
    QDBusMessage probe = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    probe << interface << QStringLiteral("version");
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(probe), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (!w->isError()) {
            createSession();
            return;
        }
        if (!m_fallback) {
            finish(ShortcutRegistration::unavailable);
            return;
        }
        m_fallback->requestRegistration([this](ShortcutRegistration outcome) { finish(outcome); });
    });
}

void PortalShortcutRegistrar::createSession()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("CreateSession"));
    call << QVariantMap{
        {QStringLiteral("handle_token"), awaitResponse(SLOT(sessionCreated(uint, QVariantMap)))},
        {QStringLiteral("session_handle_token"), QStringLiteral("brindlepath")}};
    send(call, SLOT(sessionCreated(uint, QVariantMap)));
}

void PortalShortcutRegistrar::bindShortcuts()
{
    const QList<PortalShortcut> shortcuts{
        {shortcutId,
         {{QStringLiteral("description"), QStringLiteral("Nieuwe projectstructuur")},
          {QStringLiteral("preferred_trigger"), QStringLiteral("CTRL+ALT+n")}}}};
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts)
         << QString()
         << QVariantMap{{QStringLiteral("handle_token"),
                         awaitResponse(SLOT(shortcutsBound(uint, QVariantMap)))}};
    send(call, SLOT(shortcutsBound(uint, QVariantMap)));
}

void PortalShortcutRegistrar::send(const QDBusMessage &call, const char *slot)
{
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, slot](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                if (w->isError()) {
                    stopAwaiting(slot);
                    finish(ShortcutRegistration::failed);
                }
            });
}

// The answer comes as a Response signal on a request object whose path we choose through the
// token; listening before the call means it cannot be missed. QtDBus only offers string-based
// slots for bus signals.
QString PortalShortcutRegistrar::awaitResponse(const char *slot)
{
    const QString token = QStringLiteral("brindlepath%1").arg(++m_requests);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    m_request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    m_bus.connect(service, m_request, requestInterface, QStringLiteral("Response"), this, slot);
    return token;
}

void PortalShortcutRegistrar::stopAwaiting(const char *slot)
{
    m_bus.disconnect(service, m_request, requestInterface, QStringLiteral("Response"), this, slot);
}

void PortalShortcutRegistrar::finish(ShortcutRegistration outcome)
{
    // A done may ask again: it starts afresh.
    const QList<Done> waiting = std::exchange(m_waiting, {});
    for (const Done &done : waiting)
        done(outcome);
}

void PortalShortcutRegistrar::sessionCreated(uint response, const QVariantMap &results)
{
    stopAwaiting(SLOT(sessionCreated(uint, QVariantMap)));
    // Documented as a string, sent as an object path by some portals.
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.metaType() == QMetaType::fromType<QDBusObjectPath>()
                    ? handle.value<QDBusObjectPath>().path()
                    : handle.toString();
    if (response != 0 || m_session.isEmpty()) {
        m_session.clear();
        finish(ShortcutRegistration::failed);
        return;
    }
    m_bus.connect(service, path, interface, QStringLiteral("Activated"), this,
                  SLOT(shortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bindShortcuts();
}

void PortalShortcutRegistrar::shortcutsBound(uint response, const QVariantMap &)
{
    // Whatever key the user chose in the desktop's dialogue is the desktop's to keep.
    stopAwaiting(SLOT(shortcutsBound(uint, QVariantMap)));
    finish(response == 0 ? ShortcutRegistration::added : ShortcutRegistration::failed);
}

void PortalShortcutRegistrar::shortcutActivated(const QDBusObjectPath &session, const QString &id,
                                                qulonglong, const QVariantMap &)
{
    if (session.path() == m_session && id == shortcutId && m_activated)
        m_activated();
}

} // namespace bp
