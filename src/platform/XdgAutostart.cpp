#include "XdgAutostart.h"

#include "model/FileSystem.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace bp {

QString XdgAutostart::directory()
{
    return FileSystem::configHome() + QStringLiteral("/autostart");
}

QString XdgAutostart::filePath()
{
    return directory() + QLatin1Char('/') + fileName;
}

QByteArray XdgAutostart::entry()
{
    // Without arguments the program starts as the tray agent.
    return QByteArrayLiteral("[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Brindlepath\n"
                             "Exec=brindlepath\n"
                             "Icon=com.quenmoor.brindlepath\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n");
}

bool XdgAutostart::enables(const QByteArray &entryText)
{
    bool inMainGroup = false;
    for (const QByteArray &rawLine : entryText.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inMainGroup || equals < 0)
            continue;
        // Keys are case-sensitive; blanks around the '=' do not count.
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "Hidden" && value == "true")
            return false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false")
            return false;
    }
    return true;
}

bool XdgAutostart::isEnabled() const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return enables(file.readAll());
}

Result<void> XdgAutostart::setEnabled(bool enabled)
{
    const QString path = filePath();
    if (!enabled) {
        if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
            return Error::fromErrno(errno, path);
        return success();
    }
    if (Result<void> made = FileSystem::makePath(directory()); !made)
        return made;
    // A session starting while we write must see the old entry or the new one, never half.
    return FileSystem::writeAtomically(path, entry());
}

} // namespace bp
