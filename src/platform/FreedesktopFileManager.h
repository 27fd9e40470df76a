#pragma once

#include "FileManager.h"

#include <QDBusConnection>

namespace bp {

// org.freedesktop.FileManager1 on the session bus (Nautilus, Dolphin, Nemo, Thunar, Caja…).
// Without such a service the parent folder is opened with the desktop's default handler.
class FreedesktopFileManager final : public FileManager {
public:
    static inline const QString service = QStringLiteral("org.freedesktop.FileManager1");
    static inline const QString path = QStringLiteral("/org/freedesktop/FileManager1");

    explicit FreedesktopFileManager(const QDBusConnection &bus = QDBusConnection::sessionBus());

    void reveal(const QString &path) override;

private:
    QDBusConnection m_bus;
};

} // namespace bp
