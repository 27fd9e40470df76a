#pragma once

#include "LoginItem.h"

#include <QByteArray>
#include <QString>

namespace bp {

// Start at login the freedesktop way: a desktop entry in $XDG_CONFIG_HOME/autostart that
// runs the agent. The folder is looked up again on every call.
class XdgAutostart final : public LoginItem {
public:
    static inline const QString fileName = QStringLiteral("com.quenmoor.brindlepath.desktop");

    static QString directory();
    static QString filePath();
    // The entry written when start at login is switched on.
    static QByteArray entry();
    // Whether an entry's text leaves it switched on: neither Hidden=true nor
    // X-GNOME-Autostart-enabled=false in its [Desktop Entry] group.
    static bool enables(const QByteArray &entryText);

    // On only when the file is there and does not switch itself off.
    bool isEnabled() const override;
    // On writes the entry atomically; off removes the file.
    Result<void> setEnabled(bool enabled) override;
};

} // namespace bp
