#include "CliSupport.h"

#include "model/FileSystem.h"
#include "model/ProjectPlan.h"
#include "model/ProjectRecord.h"
#include "model/WhenFinished.h"
#include "stores/CustomTemplateStore.h"
#include "workflow/ApplyTemplate.h"
#include "workflow/Stores.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cerrno>

namespace bp::Cli {
namespace {

const QString synopsis =
    QStringLiteral("brindlepath apply --into PROJECT [--template RAW | --custom-template UUID] "
                   "[--extras LIST|none] [--field KEY=VALUE]... [--dry-run] [--json]");

QString count(qsizetype n, const char *one, const char *many)
{
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

} // namespace

int runApply(const QStringList &arguments, const Io &io, const Stores &stores)
{
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("into"), QStringLiteral("Existing project folder."),
         QStringLiteral("PROJECT")},
        {QStringLiteral("template"), QStringLiteral("Built-in template raw value."),
         QStringLiteral("RAW")},
        {QStringLiteral("custom-template"), QStringLiteral("Custom template id."),
         QStringLiteral("UUID")},
        {QStringLiteral("extras"), QStringLiteral("Comma-separated extras, or none."),
         QStringLiteral("LIST")},
        {QStringLiteral("field"), QStringLiteral("A template field's value."),
         QStringLiteral("KEY=VALUE")},
        {QStringLiteral("dry-run"), QStringLiteral("Print what would be added; add nothing.")},
        {QStringLiteral("json"), QStringLiteral("Print JSON.")},
    });
    int code = Success;
    if (!parseOrReport(parser, arguments, io, synopsis, code))
        return code;
    if (!parser.positionalArguments().isEmpty())
        return io.usage(QStringLiteral("unexpected argument \u201c%1\u201d")
                            .arg(parser.positionalArguments().first()),
                        synopsis);
    if (!parser.isSet(QStringLiteral("into")))
        return io.usage(QStringLiteral("pass --into PROJECT"), synopsis);
    if (parser.isSet(QStringLiteral("template")) && parser.isSet(QStringLiteral("custom-template")))
        return io.usage(QStringLiteral("--template and --custom-template exclude each other"),
                        synopsis);
    const QString project = absolutePath(parser.value(QStringLiteral("into")));
    if (!FileSystem::isDirectory(project))
        return io.failure(
            Error::fromErrno(FileSystem::exists(project) ? ENOTDIR : ENOENT, project).message);

    std::optional<ProjectRecord> record;
    if (Result<ProjectRecord> read = ProjectRecord::read(project); read)
        record = read.value();
    else if (read.error().code != ENOENT)
        return io.failure(read.error().message);

    const QList<CustomTemplate> templates = stores.templates.all();
    ProjectConfig config = record ? record->config(project) : ProjectConfig{};
    if (parser.isSet(QStringLiteral("template"))) {
        const QString raw = parser.value(QStringLiteral("template"));
        const std::optional<PlatformTemplate> platform = platformTemplateFromRawValue(raw);
        if (!platform)
            return io.usage(QStringLiteral("unknown template \u201c%1\u201d").arg(raw), synopsis);
        config.platform = *platform;
        config.customTemplateID.reset();
    } else if (parser.isSet(QStringLiteral("custom-template"))) {
        const QString raw = parser.value(QStringLiteral("custom-template"));
        const QUuid id = QUuid::fromString(raw);
        if (id.isNull())
            return io.usage(QStringLiteral("\u201c%1\u201d is not a template id").arg(raw),
                            synopsis);
        config.customTemplateID = id;
    } else if (!record) {
        return io.usage(QStringLiteral("%1 has no %2: pass --template RAW or --custom-template "
                                       "UUID")
                            .arg(project, ProjectRecord::fileName),
                        synopsis);
    }
    if (config.customTemplateID &&
        std::none_of(templates.begin(), templates.end(),
                     [&](const CustomTemplate &t) { return t.id == *config.customTemplateID; }))
        return io.failure(QStringLiteral("no custom template with id %1")
                              .arg(config.customTemplateID->toString(QUuid::WithoutBraces)));
    if (parser.isSet(QStringLiteral("extras"))) {
        const QString list = parser.value(QStringLiteral("extras"));
        config.extras = {};
        const QStringList raws =
            list == u"none" ? QStringList() : list.split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &raw : raws) {
            const std::optional<ExtraFlag> extra = extraFlagFromRawValue(raw.trimmed());
            if (!extra)
                return io.usage(QStringLiteral("unknown extra \u201c%1\u201d").arg(raw.trimmed()),
                                synopsis);
            config.extras.insert(*extra);
        }
    }
    QHash<QString, QString> given;
    for (const QString &pair : parser.values(QStringLiteral("field"))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return io.usage(QStringLiteral("\u201c%1\u201d is not of the form KEY=VALUE").arg(pair),
                            synopsis);
        given.insert(pair.left(equals), pair.mid(equals + 1));
    }

    const ProjectPlan plan = ProjectPlan::forConfig(config, templates);
    const TokenValues values = ApplyTemplate::valuesFor(project, record, plan, given);
    if (const PlanProblems problems = ApplyTemplate::problems(plan, values); !problems.isEmpty()) {
        const QStringList lines = describePlanProblems(problems, plan);
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            io.err << "brindlepath: " << lines.at(i) << '\n';
        return io.usage(lines.last(), synopsis);
    }

    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    ApplyTemplate apply;
    QFuture<ApplyOutcome> run =
        apply.run(project, plan, values, dryRun,
                  record ? std::nullopt : std::optional(ApplyTemplate::recordFor(config, values)));
    waitForFinished(run);
    const ApplyOutcome outcome = run.result();

    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject doc{
            {QStringLiteral("project"), project},
            {QStringLiteral("dryRun"), dryRun},
            {QStringLiteral("addedFolders"), QJsonArray::fromStringList(outcome.addedFolders)},
            {QStringLiteral("addedFiles"), QJsonArray::fromStringList(outcome.addedFiles)},
            {QStringLiteral("keptFolders"), QJsonArray::fromStringList(outcome.keptFolders)},
            {QStringLiteral("keptFiles"), QJsonArray::fromStringList(outcome.keptFiles)}};
        if (outcome.error)
            doc.insert(QStringLiteral("error"), outcome.error->message);
        io.printJson(doc);
    } else {
        for (const QString &folder : outcome.addedFolders)
            io.out << project << '/' << folder << "/\n";
        for (const QString &file : outcome.addedFiles)
            io.out << project << '/' << file << '\n';
        QStringList parts;
        if (!outcome.addedFolders.isEmpty())
            parts << count(outcome.addedFolders.size(), "folder", "folders");
        if (!outcome.addedFiles.isEmpty())
            parts << count(outcome.addedFiles.size(), "file", "files");
        const QString added = parts.join(QStringLiteral(" and "));
        // A run that failed says why below instead.
        if (!outcome.error && outcome.nothingAdded())
            io.out << "nothing to add\n";
        else if (!outcome.error)
            io.out << (dryRun ? QStringLiteral("would add ") + added : added + " added") << '\n';
    }
    io.out.flush();
    if (outcome.error)
        return io.failure(outcome.error->message);
    return Success;
}

} // namespace bp::Cli
