#include "CliSupport.h"

#include "model/ProjectCounter.h"
#include "model/ProjectPlan.h"
#include "model/WhenFinished.h"
#include "stores/CustomTemplateStore.h"
#include "workflow/CreateProjects.h"
#include "workflow/Stores.h"

#include <QJsonArray>
#include <QJsonObject>

namespace bp::Cli {
namespace {

const QString createSynopsis = QStringLiteral(
    "brindlepath create --target DIR (--name NAME | --batch FILE|-) [--template RAW] "
    "[--extras LIST|none] [--custom-template UUID] [--field KEY=VALUE]... "
    "[--date YYYY-MM-DD] [--sort] [--json]");
const QString previewSynopsis =
    QStringLiteral("brindlepath preview [--target DIR] (--name NAME | --batch FILE|-) "
                   "[--template RAW] [--extras LIST|none] [--custom-template UUID] "
                   "[--field KEY=VALUE]... [--date YYYY-MM-DD] [--json]");

QJsonArray treeToJson(const QList<FolderNode> &nodes)
{
    QJsonArray array;
    for (const FolderNode &node : nodes) {
        QJsonObject object{{QStringLiteral("name"), node.name},
                           {QStringLiteral("children"), treeToJson(node.children)}};
        // Only where there are some, so that trees without files read as before.
        if (!node.files.isEmpty()) {
            QJsonArray files;
            for (const PlannedFile &file : node.files)
                files.append(file.name);
            object.insert(QStringLiteral("files"), files);
        }
        array.append(object);
    }
    return array;
}

QString quoted(const QString &text)
{
    return QStringLiteral("\u201c") + text + QStringLiteral("\u201d");
}

QString describe(const FieldProblem &problem, const ProjectPlan &plan)
{
    using Kind = FieldProblem::Kind;
    FieldDefinition field;
    for (const FieldDefinition &f : plan.fields()) {
        if (f.key == problem.key)
            field = f;
    }
    const QString prefix = QStringLiteral("field ") + quoted(problem.key) + QStringLiteral(": ");
    const QString value = quoted(problem.detail);
    switch (problem.kind) {
    case Kind::missing:
        return QStringLiteral("field %1 is required: pass --field %2=VALUE")
            .arg(quoted(problem.key), problem.key);
    case Kind::notANumber:
        return prefix + value + QStringLiteral(" is not a number");
    case Kind::notADate:
        return prefix + value + QStringLiteral(" is not a date of the form YYYY-MM-DD");
    case Kind::noMatch:
        return prefix + value + QStringLiteral(" does not match ") + quoted(field.pattern);
    case Kind::notAChoice:
        return prefix + value + QStringLiteral(" is not one of ") +
               field.choices.join(QStringLiteral(", "));
    case Kind::unknownKey:
        return QStringLiteral("the template has no field ") + quoted(problem.key);
    default: // a definition stored templates cannot hold
        return problem.message();
    }
}

QString describe(const NameProblem &problem)
{
    switch (problem.kind) {
    case NameProblem::Kind::unknownToken:
        return QStringLiteral("unknown token {%1} in the template").arg(problem.key);
    case NameProblem::Kind::tooLong:
        return QStringLiteral("a folder name would be longer than %1 bytes")
            .arg(PathComponent::maxBytes);
    default:
        return QStringLiteral("the template's names: ") + problem.message();
    }
}

QStringList describe(const PlanProblems &problems, const ProjectPlan &plan)
{
    QStringList lines;
    for (const FieldProblem &problem : problems.fields)
        lines.append(describe(problem, plan));
    for (const NameProblem &problem : problems.names)
        lines.append(describe(problem));
    return lines;
}

// One line per problem, the usage after the last.
int usageAll(const Io &io, const QStringList &lines, const QString &synopsis)
{
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        io.err << "brindlepath: " << lines.at(i) << '\n';
    return io.usage(lines.last(), synopsis);
}

// Shared by create and preview: parse onto the configuration a new window would start with.
struct Prepared {
    int exitCode = Success;
    bool ok = false;
    bool json = false;
    bool sort = false;
    ProjectConfig config;
    std::optional<QDate> date;
    QStringList names;
    QDate day; // {datum}
    ProjectPlan plan;
    PlanProblems problems;
};

Prepared prepare(const QStringList &arguments, const Io &io, const Stores &stores,
                 const QString &synopsis, bool withSort)
{
    Prepared p;
    QCommandLineParser parser;
    addConfigOptions(parser, withSort);
    parser.addOption({QStringLiteral("field"), QStringLiteral("A template field's value."),
                      QStringLiteral("KEY=VALUE")});
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
    // The key ends at the first "=": a value may hold more.
    for (const QString &pair : parser.values(QStringLiteral("field"))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            p.exitCode =
                io.usage(quoted(pair) + QStringLiteral(" is not of the form KEY=VALUE"), synopsis);
            return p;
        }
        p.config.fieldValues.insert(pair.left(equals), pair.mid(equals + 1));
    }
    p.names = CreateProjects::projectNames(p.config);
    p.day = p.date.value_or(QDate::currentDate());
    p.plan = ProjectPlan::forConfig(p.config, stores.templates.all());
    p.problems = p.plan.problems(p.names, p.day, p.config.fieldValues);
    p.json = parser.isSet(QStringLiteral("json"));
    p.sort = p.config.sortExistingFiles;
    p.ok = true;
    return p;
}

} // namespace

QStringList describePlanProblems(const PlanProblems &problems, const ProjectPlan &plan)
{
    return describe(problems, plan);
}

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
    if (!p.problems.isEmpty())
        return usageAll(io, describe(p.problems, p.plan), createSynopsis);

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
        if (!outcome.keptFiles.isEmpty())
            result.insert(QStringLiteral("keptFiles"),
                          QJsonArray::fromStringList(outcome.keptFiles));
        if (outcome.error)
            result.insert(QStringLiteral("error"), outcome.error->message);
        io.printJson(result);
    } else {
        for (const QString &project : outcome.projects)
            io.out << project << '\n';
        for (const QString &kept : outcome.keptFiles)
            io.out << "kept " << kept << " (already there)\n";
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

    // The numbers a creation would take now; peek() takes none.
    int first = 1;
    if (p.plan.usesCounter() && p.config.targetFolderURL) {
        const ProjectPlan plan = p.plan;
        const Result<int> next =
            ProjectCounter(*p.config.targetFolderURL, [plan](const QString &folderName) {
                return plan.counterIn(folderName);
            }).peek();
        if (!next)
            return io.failure(next.error().message);
        first = next.value();
    }
    // Shown, never made: a token without a value (also a field's refused one) appears as
    // typed. Which tokens lack one does not depend on the project's name or number.
    QHash<QString, QString> values = p.plan.resolveFields(p.config.fieldValues).values;
    const QStringList unresolved =
        p.plan.render(p.names.value(0), p.day, first, values).unresolved();
    for (const QString &key : unresolved)
        values.insert(key, QLatin1Char('{') + key + QLatin1Char('}'));
    QList<RenderedProject> projects;
    QStringList folders;
    for (qsizetype i = 0; i < p.names.size(); ++i) {
        projects.append(p.plan.render(p.names.at(i), p.day, first + int(i), values));
        const RenderedName &folder = projects.last().folder;
        folders.append(folder.ok() ? folder.text : p.plan.projectPattern().text());
    }
    const QList<FolderNode> tree = projects.isEmpty()
                                       ? p.plan.render(QString(), p.day, first, values).tree
                                       : projects.first().tree;
    const int folderCount = countFolders(tree) + 1;

    if (p.json) {
        QJsonObject doc{{QStringLiteral("projectFolders"), QJsonArray::fromStringList(folders)},
                        {QStringLiteral("folderCount"), folderCount},
                        {QStringLiteral("roots"), treeToJson(tree)}};
        if (!unresolved.isEmpty())
            doc.insert(QStringLiteral("unresolved"), QJsonArray::fromStringList(unresolved));
        io.printJson(doc);
    } else {
        for (qsizetype i = 0; i < projects.size(); ++i) {
            const QString shown = p.config.targetFolderURL
                                      ? *p.config.targetFolderURL + QLatin1Char('/') + folders[i]
                                      : folders[i];
            io.out << shown << '\n';
            printTree(io.out, projects[i].tree);
        }
        io.out << folderCount << (folderCount == 1 ? " folder" : " folders") << " per project\n";
    }
    io.out.flush();
    // What create would refuse: printed above as it would look, refused here.
    if (!p.problems.isEmpty())
        return usageAll(io, describe(p.problems, p.plan), previewSynopsis);
    return Success;
}

} // namespace bp::Cli
