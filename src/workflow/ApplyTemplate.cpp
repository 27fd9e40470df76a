#include "ApplyTemplate.h"

#include "JobQueue.h"
#include "TemplateFilePut.h"
#include "model/FileSystem.h"
#include "sorting/FileCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>

#include <cerrno>

namespace bp {
namespace {

struct Step {
    QString relative;
    const PlannedFile *file = nullptr; // none: a folder
};

void collect(const QList<FolderNode> &nodes, const QString &prefix, QList<Step> &steps)
{
    for (const FolderNode &node : nodes) {
        const QString folder = prefix + node.name;
        steps.append({folder, nullptr});
        for (const PlannedFile &file : node.files)
            steps.append({folder + QLatin1Char('/') + file.name, &file});
        collect(node.children, folder + QLatin1Char('/'), steps);
    }
}

// lstat, not stat: a dangling link is something there too, and is never replaced.
bool isThere(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

PlanProblems treeProblems(const Fields::Resolved &fields, const RenderedProject &project)
{
    PlanProblems problems{fields.problems, {}};
    for (const auto *notes : {&project.notes, &project.fileNotes}) {
        for (const FolderNote &note : *notes) {
            for (const NameProblem &problem : note.problems) {
                if (!problems.names.contains(problem))
                    problems.names.append(problem);
            }
        }
    }
    return problems;
}

ApplyOutcome apply(const QString &projectFolder, const ProjectPlan &plan, TokenValues values,
                   bool dryRun, const std::optional<ProjectRecord> &record,
                   const std::atomic_bool &cancelled)
{
    ApplyOutcome outcome;
    const Fields::Resolved fields = plan.resolveFields(values.fields);
    values.fields = fields.values;
    const RenderedProject project =
        plan.render(values.name, values.date, values.counter, values.fields);
    if (const PlanProblems problems = treeProblems(fields, project); !problems.isEmpty()) {
        outcome.error = Error{EINVAL, problems.message(), QString(), Error::Kind::unresolvedName};
        return outcome;
    }
    if (!FileSystem::isDirectory(projectFolder)) {
        outcome.error = Error::fromErrno(isThere(projectFolder) ? ENOTDIR : ENOENT, projectFolder);
        return outcome;
    }
    QList<Step> steps;
    collect(project.tree, QString(), steps);
    for (const Step &step : steps) {
        if (cancelled) {
            outcome.cancelled = true;
            return outcome;
        }
        const QString path = projectFolder + QLatin1Char('/') + step.relative;
        QStringList &added = step.file ? outcome.addedFiles : outcome.addedFolders;
        QStringList &kept = step.file ? outcome.keptFiles : outcome.keptFolders;
        if (dryRun) {
            (isThere(path) ? kept : added).append(step.relative);
            continue;
        }
        if (step.file) {
            const Result<FileCopy::Outcome> put =
                TemplateFilePut::putFile(*step.file, path, values);
            if (!put) {
                outcome.error = put.error();
                return outcome;
            }
            (put.value() == FileCopy::Outcome::copied ? added : kept).append(step.relative);
        } else if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0) {
            added.append(step.relative);
        } else if (errno == EEXIST && FileSystem::isDirectory(path)) {
            kept.append(step.relative);
        } else {
            outcome.error = Error::fromErrno(errno == EEXIST ? ENOTDIR : errno, path);
            return outcome;
        }
    }
    if (!dryRun && record) {
        if (Result<void> written = record->writeNew(projectFolder); !written)
            outcome.error = written.error();
    }
    return outcome;
}

} // namespace

ApplyTemplate::ApplyTemplate(QObject *parent)
    : QObject(parent), m_cancelled(std::make_shared<std::atomic_bool>(false)),
      m_running(std::make_shared<std::atomic_bool>(false))
{}

ApplyTemplate::~ApplyTemplate()
{
    *m_cancelled = true;
}

TokenValues ApplyTemplate::valuesFor(const QString &projectFolder,
                                     const std::optional<ProjectRecord> &record,
                                     const ProjectPlan &plan, const QHash<QString, QString> &given)
{
    TokenValues values;
    if (record) {
        values.name = record->name;
        values.date = record->date;
        values.counter = record->counter;
        // Values another template's fields left in the record are not this plan's business.
        for (const FieldDefinition &field : plan.fields()) {
            if (record->fieldValues.contains(field.key))
                values.fields.insert(field.key, record->fieldValues.value(field.key));
        }
    } else {
        const QString folderName = QFileInfo(projectFolder).fileName();
        static const QRegularExpression dated(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})_(.+)$"));
        const QRegularExpressionMatch match = dated.match(folderName);
        const QDate day =
            match.hasMatch() ? QDate::fromString(match.captured(1), Qt::ISODate) : QDate();
        values.name = day.isValid() ? match.captured(2) : folderName;
        values.date = day.isValid() ? day : QDate::currentDate();
        values.counter = plan.counterIn(folderName);
    }
    for (auto it = given.begin(); it != given.end(); ++it)
        values.fields.insert(it.key(), it.value());
    return values;
}

ProjectRecord ApplyTemplate::recordFor(const ProjectConfig &config, const TokenValues &values)
{
    ProjectRecord record;
    record.customTemplateID = config.customTemplateID;
    record.platform = config.platform;
    record.type = config.type;
    record.extras = config.extras;
    record.name = values.name;
    record.date = values.date;
    record.counter = values.counter;
    record.fieldValues = values.fields;
    return record;
}

PlanProblems ApplyTemplate::problems(const ProjectPlan &plan, const TokenValues &values)
{
    const Fields::Resolved fields = plan.resolveFields(values.fields);
    return treeProblems(fields,
                        plan.render(values.name, values.date, values.counter, fields.values));
}

QList<ProjectEntry> ApplyTemplate::survey(const QString &projectFolder,
                                          const QList<FolderNode> &tree)
{
    QList<Step> steps;
    collect(tree, QString(), steps);
    QList<ProjectEntry> entries;
    entries.reserve(steps.size());
    for (const Step &step : steps)
        entries.append({step.relative, step.file == nullptr,
                        isThere(projectFolder + QLatin1Char('/') + step.relative)});
    return entries;
}

QFuture<ApplyOutcome> ApplyTemplate::run(const QString &projectFolder, const ProjectPlan &plan,
                                         const TokenValues &values, bool dryRun,
                                         const std::optional<ProjectRecord> &record)
{
    if (*m_running) {
        ApplyOutcome busy;
        busy.error = Error::withMessage(QStringLiteral("a run is in progress"), EBUSY);
        return QtFuture::makeReadyFuture(busy);
    }
    *m_running = true;
    *m_cancelled = false;
    // Ends on the worker: this object may be gone by then.
    return JobQueue::run([projectFolder, plan, values, dryRun, record, cancelled = m_cancelled,
                          running = m_running] {
        ApplyOutcome outcome = apply(projectFolder, plan, values, dryRun, record, *cancelled);
        *running = false;
        return outcome;
    });
}

void ApplyTemplate::cancel()
{
    *m_cancelled = true;
}

} // namespace bp
