#include "Cli.h"
#include "app/StandaloneWindowHost.h"
#include "model/FileSystem.h"
#include "model/Result.h"
#include "stores/PreferenceSuite.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

#include <cerrno>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const bool newWindow =
        !arguments.isEmpty() && arguments.first() == u"new" && arguments.size() <= 2;
    const bool settingsWindow = arguments == QStringList{QStringLiteral("settings")};
    if (newWindow || settingsWindow) {
        std::optional<QString> folder;
        if (newWindow && arguments.size() == 2) {
            folder = QDir::cleanPath(QDir::current().absoluteFilePath(arguments[1]));
            if (!bp::FileSystem::isDirectory(*folder)) {
                const int code = bp::FileSystem::exists(*folder) ? ENOTDIR : ENOENT;
                err << "brindlepath: " << bp::Error::fromErrno(code, *folder).message << '\n';
                return bp::Cli::Failure;
            }
        }
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("brindlepath"));
        // No display name: the window system plugin would append it to every window title.
        QApplication::setDesktopFileName(QStringLiteral("com.quenmoor.brindlepath"));
        const int status =
            newWindow ? bp::runStandaloneSetupWindow(folder) : bp::runStandaloneSettingsWindow();
        // Preference and template changes made in the window may still be on their way.
        bp::PreferenceSuite::writer().waitForDone();
        return status;
    }
    // Headless commands never create a GUI object, so they run without a display.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brindlepath"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BP_VERSION));
    return bp::Cli::run(arguments, out, err);
}
