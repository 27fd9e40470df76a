#include "CreateProjects.h"

#include "JobQueue.h"
#include "TemplateFilePut.h"
#include "model/FolderCreator.h"
#include "model/ProjectCounter.h"
#include "model/ProjectPlan.h"
#include "model/ProjectRecord.h"
#include "model/TemplateEngine.h"
#include "stores/CustomTemplateStore.h"
#include "stores/Preferences.h"

#include <QFile>
#include <QPromise>

#include <unistd.h>

#include <cerrno>

namespace bp {

// Everything one run carries from step to step; jobs get copies of the plain values.
struct CreateProjects::Run {
    ProjectPlan plan;
    ProjectRecord record;           // each project's, its name, date and number filled in when made
    QHash<QString, QString> values; // the fields' values, resolved
    QString target;
    std::optional<QDate> date; // none: the day each project is made
    QStringList names;
    // When the plan counts: every project folder, made with its number before any tree.
    QList<ProjectCounter::NumberedFolder> numbered;
    bool sortAfter = false;
    SortProgressFunction copyProgress;
    bool cancelled = false;
    CreationOutcome outcome;
    QPromise<CreationOutcome> done;
};

CreateProjects::CreateProjects(CustomTemplateStore &templates, UndoLog &undoLog, QObject *parent)
    : QObject(parent), m_templates(templates), m_sorter(undoLog)
{}

CreateProjects::~CreateProjects() = default;

ProjectConfig CreateProjects::initialConfig(const PreferenceSuite &standard,
                                            const std::optional<QString> &folder)
{
    ProjectConfig config;
    config.targetFolderURL = folder;
    if (std::optional<PlatformTemplate> platform = Preferences::defaultTemplate(standard))
        config.platform = *platform;
    if (!folder) {
        if (std::optional<QString> base = Preferences::defaultBasePath(standard))
            config.targetFolderURL = *base;
    }
    return config;
}

QStringList CreateProjects::projectNames(const ProjectConfig &config)
{
    if (config.batchMode)
        return config.batchProjectNames();
    if (config.projectName.trimmed().isEmpty())
        return {};
    return {config.projectName};
}

bool CreateProjects::isReady(const ProjectConfig &config)
{
    return !projectNames(config).isEmpty() && config.targetFolderURL.has_value();
}

QList<FolderNode> CreateProjects::resolvedTree(const ProjectConfig &config) const
{
    return TemplateEngine::resolve(config, m_templates.all());
}

QFuture<CreationOutcome> CreateProjects::run(const ProjectConfig &config,
                                             const std::optional<QDate> &shootDate,
                                             SortProgressFunction copyProgress,
                                             const std::optional<CustomTemplate> &kept)
{
    if (!isReady(config) || m_running)
        return QtFuture::makeReadyFuture(CreationOutcome{});
    auto run = std::make_shared<Run>();
    QList<CustomTemplate> templates = m_templates.all();
    if (kept) // listed ones come first, so a kept copy only stands in for a missing one
        templates.append(*kept);
    run->plan = ProjectPlan::forConfig(config, templates);
    run->record.customTemplateID = run->plan.isCustom() ? config.customTemplateID : std::nullopt;
    run->record.platform = config.platform;
    run->record.type = config.type;
    run->record.extras = config.extras;
    run->record.fieldValues = config.fieldValues;
    run->values = run->plan.resolveFields(config.fieldValues).values;
    run->target = *config.targetFolderURL;
    run->names = projectNames(config);
    // A batch that counts takes its numbers at once, so all its names share one day.
    run->date = shootDate || !run->plan.usesCounter() ? shootDate : QDate::currentDate();
    const PlanProblems problems = run->plan.problems(
        run->names, run->date.value_or(QDate::currentDate()), config.fieldValues);
    if (!problems.isEmpty())
        run->outcome.error =
            Error{EINVAL, problems.message(), QString(), Error::Kind::unresolvedName};
    // Sorting a batch would fill only its last project; a batch never sorts.
    run->sortAfter = config.sortExistingFiles && !config.batchMode;
    run->copyProgress = std::move(copyProgress);
    run->done.start();
    m_running = run;
    // Started from the event loop: a continuation attached to a job that has already finished
    // runs at once, and the run must not end before this call returns.
    QMetaObject::invokeMethod(
        this, [this, run] { start(run); }, Qt::QueuedConnection);
    return run->done.future();
}

void CreateProjects::cancel()
{
    if (m_running)
        m_running->cancelled = true;
}

void CreateProjects::start(const std::shared_ptr<Run> &run)
{
    if (run->outcome.error) {
        end(run);
        return;
    }
    if (!run->plan.usesCounter()) {
        next(run);
        return;
    }
    JobQueue::run([plan = run->plan, values = run->values, names = run->names, target = run->target,
                   day = *run->date] {
        const ProjectCounter counter(target,
                                     [plan](const QString &name) { return plan.counterIn(name); });
        return counter.createProjects(int(names.size()), [&](int index, int number) {
            return plan.renderFolderName(names.at(index), day, number, values).text;
        });
    }).then(this, [this, run](const Result<QList<ProjectCounter::NumberedFolder>> &made) {
        if (!made) {
            run->outcome.error = made.error();
            end(run);
            return;
        }
        run->numbered = made.value();
        next(run);
    });
}

void CreateProjects::next(const std::shared_ptr<Run> &run)
{
    if (run->cancelled || run->outcome.error) {
        run->outcome.cancelled = run->cancelled;
        removeUnfilled(run);
        return;
    }
    const qsizetype made = run->outcome.projects.size();
    if (made == run->names.size()) {
        if (run->sortAfter)
            sort(run);
        else
            end(run);
        return;
    }
    const std::optional<ProjectCounter::NumberedFolder> numbered =
        run->numbered.isEmpty() ? std::nullopt : std::optional(run->numbered.at(made));
    struct Made {
        QString path;
        TemplateFilePut::Put files;
    };
    JobQueue::run([name = run->names.at(made), plan = run->plan, values = run->values,
                   target = run->target, date = run->date, numbered,
                   record = run->record]() mutable -> Result<Made> {
        const QDate day = date.value_or(QDate::currentDate());
        const std::optional<int> number = numbered ? std::optional(numbered->number) : std::nullopt;
        const RenderedProject project = plan.render(name, day, number, values);
        Result<QString> path =
            numbered ? Result<QString>(numbered->path)
                     : FolderCreator::makeNamedProject(project.folder.text, project.tree, target);
        if (!path)
            return path.error();
        if (numbered) {
            if (Result<void> tree = FolderCreator::createNodes(project.tree, path.value()); !tree)
                return tree.error();
        }
        const Result<TemplateFilePut::Put> files = TemplateFilePut::putAll(
            project.tree, path.value(), TokenValues{name, day, number, values});
        if (!files)
            return files.error();
        record.name = name;
        record.date = day;
        record.counter = number;
        if (Result<void> written = record.writeNew(path.value()); !written)
            return written.error();
        return Made{path.value(), files.value()};
    }).then(this, [this, run](const Result<Made> &project) {
        if (!project) {
            run->outcome.error = project.error();
            removeUnfilled(run);
            return;
        }
        run->outcome.projects.append(project.value().path);
        run->outcome.filesCopied += project.value().files.copied;
        run->outcome.keptFiles += project.value().files.kept;
        next(run);
    });
}

void CreateProjects::removeUnfilled(const std::shared_ptr<Run> &run)
{
    // Numbered folders a cancel or a failure left without their tree are still empty; their
    // numbers stay taken.
    QStringList unfilled;
    for (qsizetype i = run->outcome.projects.size(); i < run->numbered.size(); ++i)
        unfilled.append(run->numbered.at(i).path);
    if (unfilled.isEmpty()) {
        end(run);
        return;
    }
    JobQueue::run([unfilled] {
        for (const QString &path : unfilled)
            ::rmdir(QFile::encodeName(path).constData());
    }).then(this, [this, run] { end(run); });
}

void CreateProjects::sort(const std::shared_ptr<Run> &run)
{
    m_sorter.run(run->target, run->outcome.projects.constLast(), run->copyProgress)
        .then(this, [this, run](const SortOutcome &sorted) {
            run->outcome.moves = sorted.records;
            run->outcome.failed = sorted.failed;
            run->outcome.error = sorted.error;
            end(run);
        });
}

void CreateProjects::end(const std::shared_ptr<Run> &run)
{
    if (m_running == run)
        m_running.reset();
    run->done.addResult(run->outcome);
    run->done.finish();
}

} // namespace bp
