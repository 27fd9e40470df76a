#include "CliSupport.h"

#include "model/FileSystem.h"
#include "model/WhenFinished.h"
#include "sorting/FileSorter.h"
#include "workflow/SortIntoProject.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cerrno>

namespace bp::Cli {
namespace {

const QString synopsis =
    QStringLiteral("brindlepath sort --source DIR --into PROJECT [--dry-run] [--json]");

void printMoves(const Io &io, const QList<MoveRecord> &moves, bool json,
                const std::optional<Error> &error, const QList<SortFailure> &failed = {})
{
    if (json) {
        QJsonObject result{{QStringLiteral("moves"), movesToJson(moves)},
                           {QStringLiteral("failed"), failedToJson(failed)}};
        if (error)
            result.insert(QStringLiteral("error"), error->message);
        io.printJson(result);
    } else {
        for (const MoveRecord &r : moves)
            io.out << r.source << " -> " << r.destination << '\n';
    }
    io.out.flush();
}

} // namespace

int runSort(const QStringList &arguments, const Io &io, UndoLog &undoLog)
{
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("source"), QStringLiteral("Folder with loose files."),
         QStringLiteral("DIR")},
        {QStringLiteral("into"), QStringLiteral("Project folder."), QStringLiteral("PROJECT")},
        {QStringLiteral("dry-run"), QStringLiteral("Print the moves; move nothing.")},
        {QStringLiteral("json"), QStringLiteral("Print JSON.")},
    });
    int code = Success;
    if (!parseOrReport(parser, arguments, io, synopsis, code))
        return code;
    if (!parser.isSet(QStringLiteral("source")) || !parser.isSet(QStringLiteral("into")))
        return io.usage(QStringLiteral("pass --source DIR and --into PROJECT"), synopsis);
    if (!parser.positionalArguments().isEmpty())
        return io.usage(QStringLiteral("unexpected argument \u201c%1\u201d")
                            .arg(parser.positionalArguments().first()),
                        synopsis);
    const QString source = absolutePath(parser.value(QStringLiteral("source")));
    const QString project = absolutePath(parser.value(QStringLiteral("into")));
    const bool json = parser.isSet(QStringLiteral("json"));
    // The project must exist: sorting into a mistyped path would scatter files into new
    // folders.
    if (!FileSystem::isDirectory(project))
        return io.failure(
            Error::fromErrno(FileSystem::exists(project) ? ENOTDIR : ENOENT, project).message);

    if (parser.isSet(QStringLiteral("dry-run"))) {
        const Result<QList<MoveRecord>> plan = FileSorter::planMoves(source, project);
        if (!plan)
            return io.failure(plan.error().message);
        printMoves(io, plan.value(), json, std::nullopt);
        return Success;
    }
    ProgressPrinter progress(io, json);
    SortIntoProject sorter(undoLog);
    // Printed from the worker thread: this thread only waits meanwhile.
    QFuture<SortOutcome> sorted =
        sorter.run(source, project, [&progress](const SortProgress &p) { progress.print(p); });
    waitForFinished(sorted);
    progress.finish();
    const SortOutcome outcome = sorted.result();
    printMoves(io, outcome.records, json, outcome.error, outcome.failed);
    if (outcome.error)
        return io.failure(outcome.error->message);
    return reportNotMoved(io, outcome.failed);
}

} // namespace bp::Cli
