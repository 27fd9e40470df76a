#include "CreateProjects.h"

#include "JobQueue.h"
#include "model/FolderCreator.h"
#include "model/TemplateEngine.h"
#include "stores/CustomTemplateStore.h"
#include "stores/Preferences.h"

#include <QPromise>

namespace bp {

// Everything one run carries from step to step; jobs get copies of the plain values.
struct CreateProjects::Run {
    QList<FolderNode> tree;
    QString target;
    QDateTime date; // invalid: the moment each project is made
    QStringList names;
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
    return TemplateEngine::resolve(config, m_templates.templates());
}

QFuture<CreationOutcome> CreateProjects::run(const ProjectConfig &config,
                                             const std::optional<QDate> &shootDate,
                                             SortProgressFunction copyProgress)
{
    if (!isReady(config) || m_running)
        return QtFuture::makeReadyFuture(CreationOutcome{});
    auto run = std::make_shared<Run>();
    run->tree = resolvedTree(config);
    run->target = *config.targetFolderURL;
    run->date = shootDate ? QDateTime(*shootDate, QTime(12, 0)) : QDateTime();
    run->names = projectNames(config);
    // Sorting a batch would fill only its last project; a batch never sorts.
    run->sortAfter = config.sortExistingFiles && !config.batchMode;
    run->copyProgress = std::move(copyProgress);
    run->done.start();
    m_running = run;
    // Started from the event loop: a continuation attached to a job that has already finished
    // runs at once, and the run must not end before this call returns.
    QMetaObject::invokeMethod(
        this, [this, run] { next(run); }, Qt::QueuedConnection);
    return run->done.future();
}

void CreateProjects::cancel()
{
    if (m_running)
        m_running->cancelled = true;
}

void CreateProjects::next(const std::shared_ptr<Run> &run)
{
    if (run->cancelled) {
        run->outcome.cancelled = true;
        end(run);
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
    JobQueue::run([name = run->names.at(made), tree = run->tree, target = run->target,
                   date = run->date] {
        return FolderCreator::makeProject(name, tree, target,
                                          date.isValid() ? date : QDateTime::currentDateTime());
    }).then(this, [this, run](const Result<QString> &project) {
        if (!project) {
            run->outcome.error = project.error();
            end(run);
            return;
        }
        run->outcome.projects.append(project.value());
        next(run);
    });
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
