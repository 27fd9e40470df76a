#include "Cli.h"
#include "app/Agent.h"
#include "views/Translations.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    if (arguments.isEmpty()) {
        QApplication app(argc, argv);
        bp::Translations::useDutch();
        // Panels show the tray item under the application's name. No display name: the
        // window system plugin would append it to every window title.
        QApplication::setApplicationName(QStringLiteral("Brindlepath"));
        QApplication::setDesktopFileName(QStringLiteral("com.quenmoor.brindlepath"));
        return bp::runAgent();
    }
    // The agent's commands are a thin client: the agent does the work.
    if (bp::isAgentCommand(arguments))
        return bp::runAgentCommand(arguments, argc, argv);

    // Headless commands never create a GUI object, so they run without a display.
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brindlepath"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BP_VERSION));
    return bp::Cli::run(arguments, out, err);
}
