#include "CliSupport.h"

#include "model/FolderCreator.h"
#include "model/WhenFinished.h"
#include "workflow/CreateProjects.h"
#include "workflow/Stores.h"

#include <QJsonArray>
#include <QJsonObject>

namespace bp::Cli {
namespace {

const QString createSynopsis = QStringLiteral(
    "brindlepath create --target DIR (--name NAME | --batch FILE|-) [--template RAW] "
    "[--extras LIST|none] [--custom-template UUID] [--date YYYY-MM-DD] [--sort] [--json]");
const QString previewSynopsis =
    QStringLiteral("brindlepath preview [--target DIR] (--name NAME | --batch FILE|-) "
                   "[--template RAW] [--extras LIST|none] [--custom-template UUID] "
                   "[--date YYYY-MM-DD] [--json]");

QJsonArray treeToJson(const QList<FolderNode> &nodes)
{
    QJsonArray array;
    for (const FolderNode &node : nodes)
        array.append(QJsonObject{{QStringLiteral("name"), node.name},
                                 {QStringLiteral("children"), treeToJson(node.children)}});
    return array;
}

void printTree(QTextStream &out, const QList<FolderNode> &nodes, const QString &indent)
{
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        const bool last = i == nodes.size() - 1;
        out << indent << (last ? QStringLiteral("└── ") : QStringLiteral("├── ")) << nodes[i].name
            << '\n';
        printTree(out, nodes[i].children,
                  indent + (last ? QStringLiteral("    ") : QStringLiteral("│   ")));
    }
}

// Shared by create and preview: parse onto the configuration a new window would start with.
struct Prepared {
    int exitCode = Success;
    bool ok = false;
    bool json = false;
    bool sort = false;
    ProjectConfig config;
    std::optional<QDate> date;
};

Prepared prepare(const QStringList &arguments, const Io &io, const Stores &stores,
                 const QString &synopsis, bool withSort)
{
    Prepared p;
    QCommandLineParser parser;
    addConfigOptions(parser, withSort);
    if (!parseOrReport(parser, arguments, io, synopsis, p.exitCode))
        return p;
    if (!parser.positionalArguments().isEmpty()) {
        p.exitCode = io.usage(QStringLiteral("unexpected argument \u201c%1\u201d")
                                  .arg(parser.positionalArguments().first()),
                              synopsis);
        return p;
    }
    p.config = CreateProjects::initialConfig(stores.standard, std::nullopt);
    // Sorting touches files the program did not make, so the command line only does it on
    // request.
    p.config.sortExistingFiles = withSort && parser.isSet(QStringLiteral("sort"));
    if (std::optional<QString> problem =
            applyConfigOptions(parser, p.config, p.date, stores.templates)) {
        p.exitCode = io.usage(*problem, synopsis);
        return p;
    }
    if (p.config.sortExistingFiles && p.config.batchMode) {
        p.exitCode = io.usage(QStringLiteral("--sort works for a single project only"), synopsis);
        return p;
    }
    if (!parser.isSet(QStringLiteral("name")) && !parser.isSet(QStringLiteral("batch"))) {
        p.exitCode = io.usage(QStringLiteral("pass --name NAME or --batch FILE"), synopsis);
        return p;
    }
    p.json = parser.isSet(QStringLiteral("json"));
    p.sort = p.config.sortExistingFiles;
    p.ok = true;
    return p;
}

} // namespace

int runCreate(const QStringList &arguments, const Io &io, const Stores &stores)
{
    Prepared p = prepare(arguments, io, stores, createSynopsis, true);
    if (!p.ok)
        return p.exitCode;
    if (!p.config.targetFolderURL)
        return io.usage(QStringLiteral("no target folder: pass --target DIR or set "
                                       "defaultBasePath with brindlepath config"),
                        createSynopsis);
    if (!CreateProjects::isReady(p.config))
        return io.usage(p.config.batchMode ? QStringLiteral("the batch holds no project name")
                                           : QStringLiteral("the project name is empty"),
                        createSynopsis);

    CreateProjects creation(stores.templates, stores.undoLog);
    ProgressPrinter progress(io, p.json);
    // Printed from the worker thread: this thread only waits meanwhile.
    QFuture<CreationOutcome> run = creation.run(
        p.config, p.date, [&progress](const SortProgress &copy) { progress.print(copy); });
    waitForFinished(run);
    progress.finish();

    const CreationOutcome outcome = run.result();
    if (p.json) {
        QJsonObject result{
            {QStringLiteral("projects"), QJsonArray::fromStringList(outcome.projects)}};
        if (p.sort) {
            result.insert(QStringLiteral("moves"), movesToJson(outcome.moves));
            result.insert(QStringLiteral("failed"), failedToJson(outcome.failed));
        }
        if (outcome.error)
            result.insert(QStringLiteral("error"), outcome.error->message);
        io.printJson(result);
    } else {
        for (const QString &project : outcome.projects)
            io.out << project << '\n';
        for (const MoveRecord &move : outcome.moves)
            io.out << "moved " << move.source << " -> " << move.destination << '\n';
    }
    io.out.flush();
    if (outcome.error)
        return io.failure(outcome.error->message);
    return reportNotMoved(io, outcome.failed);
}

int runPreview(const QStringList &arguments, const Io &io, const Stores &stores)
{
    Prepared p = prepare(arguments, io, stores, previewSynopsis, false);
    if (!p.ok)
        return p.exitCode;

    const QStringList names =
        p.config.batchMode ? p.config.batchProjectNames() : QStringList{p.config.projectName};
    const QDateTime when = p.date ? QDateTime(*p.date, QTime(12, 0)) : QDateTime::currentDateTime();
    QStringList folders;
    for (const QString &name : names)
        folders.append(FolderCreator::projectFolderName(name, when));
    const QList<FolderNode> tree =
        CreateProjects(stores.templates, stores.undoLog).resolvedTree(p.config);
    const int folderCount = countFolders(tree) + 1;

    if (p.json) {
        io.printJson(
            QJsonObject{{QStringLiteral("projectFolders"), QJsonArray::fromStringList(folders)},
                        {QStringLiteral("folderCount"), folderCount},
                        {QStringLiteral("roots"), treeToJson(tree)}});
        return Success;
    }
    for (const QString &folder : folders) {
        const QString shown = p.config.targetFolderURL
                                  ? *p.config.targetFolderURL + QLatin1Char('/') + folder
                                  : folder;
        io.out << shown << '\n';
        printTree(io.out, tree, QString());
    }
    io.out << folderCount << (folderCount == 1 ? " folder" : " folders") << " per project\n";
    return Success;
}

} // namespace bp::Cli
