#include "XfconfShortcutRegistrar.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>

namespace bp {
namespace {

const QString defaults = QStringLiteral("/commands/default/");
const QString custom = QStringLiteral("/commands/custom/");
const QString customOverride = QStringLiteral("/commands/custom/override");

} // namespace

XfconfShortcutRegistrar::XfconfShortcutRegistrar(const QDBusConnection &bus) : m_bus(bus) {}

QDBusMessage XfconfShortcutRegistrar::call(const QString &method,
                                           const QVariantList &arguments) const
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return m_bus.call(message);
}

bool XfconfShortcutRegistrar::set(const QString &name, const QVariant &value) const
{
    return call(QStringLiteral("SetProperty"),
                {channel, name, QVariant::fromValue(QDBusVariant(value))})
               .type() == QDBusMessage::ReplyMessage;
}

ShortcutRegistration XfconfShortcutRegistrar::registration() const
{
    const QDBusMessage reply =
        call(QStringLiteral("GetAllProperties"), {channel, QStringLiteral("/")});
    if (reply.type() != QDBusMessage::ReplyMessage)
        return reply.errorName() == u"org.freedesktop.DBus.Error.ServiceUnknown"
                   ? ShortcutRegistration::unavailable
                   : ShortcutRegistration::failed;
    const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().value(0));

    // Until the custom commands override the defaults, XFCE replaces them with a copy of the
    // defaults when it starts; count the defaults in, and make that copy before adding ours.
    const bool customised = properties.value(customOverride).toBool();
    const auto commandOf = [&](const QString &shortcut) {
        const QVariant own = properties.value(custom + shortcut);
        return own.isValid() || customised ? own.toString()
                                           : properties.value(defaults + shortcut).toString();
    };
    // Older GTK wrote <Control> where it now writes <Primary>; both mean the same key.
    const QString shortcut = property.mid(custom.size());
    QString current = commandOf(shortcut);
    if (current.isEmpty())
        current = commandOf(
            QString(shortcut).replace(QStringLiteral("Primary"), QStringLiteral("Control")));
    if (!current.isEmpty())
        return current == command ? ShortcutRegistration::added : ShortcutRegistration::taken;

    if (!customised) {
        for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
            const QString copy = custom + it.key().mid(defaults.size());
            if (it.key().startsWith(defaults) && !properties.contains(copy) &&
                !set(copy, it.value()))
                return ShortcutRegistration::failed;
        }
    }
    if (!set(property, command) || (!customised && !set(customOverride, true)))
        return ShortcutRegistration::failed;
    return ShortcutRegistration::added;
}

} // namespace bp
