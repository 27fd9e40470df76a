#include "Cli.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (arguments.isEmpty() || bp::Cli::isHeadless(arguments)) {
        // Headless commands never create a GUI object, so they run without a display.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("brindlepath"));
        QCoreApplication::setApplicationVersion(QStringLiteral(BP_VERSION));
        return bp::Cli::run(arguments, out, err);
    }
    err << QStringLiteral("brindlepath: unknown command \u201c%1\u201d\n").arg(arguments.first())
        << "Try 'brindlepath --help' for more information.\n";
    return bp::Cli::UsageError;
}
