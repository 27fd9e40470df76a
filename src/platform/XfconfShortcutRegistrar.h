#pragma once

#include "ShortcutRegistrar.h"

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

namespace bp {

// Adds Ctrl+Alt+N as a custom command of XFCE's keyboard shortcuts, through xfconf's own bus
// service as its tools do. Xfconf keys a command by its accelerator: one the user already
// gave another command is left alone and reported as taken. Asking again changes nothing.
class XfconfShortcutRegistrar final : public ShortcutRegistrar {
public:
    static inline const QString service = QStringLiteral("org.xfce.Xfconf");
    static inline const QString path = QStringLiteral("/org/xfce/Xfconf");
    static inline const QString interface = QStringLiteral("org.xfce.Xfconf");
    static inline const QString channel = QStringLiteral("xfce4-keyboard-shortcuts");
    static inline const QString property = QStringLiteral("/commands/custom/<Primary><Alt>n");
    static inline const QString command = QStringLiteral("brindlepath new");

    explicit XfconfShortcutRegistrar(const QDBusConnection &bus = QDBusConnection::sessionBus());

    void requestRegistration(Done done) override { done(registration()); }

private:
    ShortcutRegistration registration() const;
    QDBusMessage call(const QString &method, const QVariantList &arguments) const;
    bool set(const QString &name, const QVariant &value) const;

    QDBusConnection m_bus;
};

} // namespace bp
