#include "CliSupport.h"

#include "platform/FileManagerActions.h"

#include <QCoreApplication>

namespace bp::Cli {
namespace {

using FileManagerActions::Outcome;
using FileManagerActions::Report;

const QString synopsis = QStringLiteral("brindlepath integrate [--remove]");

// One line per place: what was done on standard output, what was left alone and why on
// standard error. Returns whether anything failed.
bool print(const QList<Report> &reports, const Io &io)
{
    bool failed = false;
    for (const Report &report : reports) {
        switch (report.outcome) {
        case Outcome::installed:
            io.out << "Installed " << report.place << '\n';
            break;
        case Outcome::updated:
            io.out << "Updated " << report.place << '\n';
            break;
        case Outcome::unchanged:
            io.out << "Up to date: " << report.place << '\n';
            break;
        case Outcome::removed:
            io.out << "Removed " << report.place << '\n';
            break;
        case Outcome::notInstalled:
            io.out << "Not installed: " << report.place << '\n';
            break;
        case Outcome::systemWide:
            io.out << "Installed for all users: " << report.place << '\n';
            break;
        case Outcome::keptChanged:
            io.err << "brindlepath: left " << report.place
                   << " alone: changed since it was written\n";
            break;
        case Outcome::keptForeign:
            io.err << "brindlepath: left " << report.place << " alone: "
                   << (report.detail.isEmpty() ? QStringLiteral("not written by brindlepath")
                                               : report.detail)
                   << '\n';
            break;
        case Outcome::failed:
            io.err << "brindlepath: " << report.detail << '\n';
            failed = true;
            break;
        }
    }
    return failed;
}

} // namespace

int runIntegrate(const QStringList &arguments, const Io &io)
{
    const bool removing = arguments == QStringList{QStringLiteral("--remove")};
    if (!arguments.isEmpty() && !removing)
        return io.usage(QStringLiteral("integrate takes only --remove"), synopsis);
    const QString command =
        FileManagerActions::programCommand(QCoreApplication::applicationFilePath());
    const QList<Report> reports =
        removing ? FileManagerActions::remove(command) : FileManagerActions::install(command);
    return print(reports, io) ? Failure : Success;
}

} // namespace bp::Cli
