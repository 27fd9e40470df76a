#include "ProjectSetupModel.h"

#include "JobQueue.h"
#include "model/FolderCreator.h"
#include "model/TemplateEngine.h"
#include "sorting/FileSorter.h"
#include "sorting/UndoLog.h"
#include "stores/CustomTemplateStore.h"
#include "stores/Preferences.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QPointer>
#include <QPromise>

#include <algorithm>
#include <iterator>
#include <memory>

namespace bp {
namespace {

using namespace std::chrono_literals;

constexpr auto successPause = 800ms;
// Often enough for a status line, rarely enough not to flood the UI thread.
constexpr auto statusInterval = 100ms;

ProjectConfig initialConfig(const std::optional<QString> &initialURL)
{
    ProjectConfig config;
    config.targetFolderURL = initialURL;
    if (std::optional<PlatformTemplate> platform = Preferences::defaultTemplate())
        config.platform = *platform;
    if (!initialURL) {
        if (std::optional<QString> base = Preferences::defaultBasePath())
            config.targetFolderURL = *base;
    }
    return config;
}

QString batchSuccessMessage(qsizetype count)
{
    return QString::number(count) + QStringLiteral(" project") +
           (count == 1 ? QString() : QStringLiteral("en")) + QStringLiteral(" aangemaakt!");
}

} // namespace

// Everything one run carries from step to step; jobs get copies of the plain values.
struct ProjectSetupModel::Run {
    QList<FolderNode> tree;
    QString target;
    QDateTime date;
    QStringList names;
    qsizetype next = 0;
    QString lastProject;
    QPromise<void> done;
};

ProjectSetupModel::ProjectSetupModel(const std::optional<QString> &initialURL, WorkflowHost &host,
                                     QObject *parent)
    : ProjectSetupModel(initialURL, host, UndoLog::shared(), CustomTemplateStore::shared(), parent)
{}

ProjectSetupModel::ProjectSetupModel(const std::optional<QString> &initialURL, WorkflowHost &host,
                                     UndoLog &undoLog, CustomTemplateStore &templates,
                                     QObject *parent)
    : QObject(parent), m_host(host), m_undoLog(undoLog), m_templates(templates),
      m_config(initialConfig(initialURL))
{}

ProjectSetupModel::~ProjectSetupModel() = default;

void ProjectSetupModel::setConfig(const ProjectConfig &config)
{
    if (config == m_config)
        return;
    m_config = config;
    Q_EMIT configChanged();
    Q_EMIT canCreateChanged();
}

void ProjectSetupModel::setDragTargeted(bool targeted)
{
    if (targeted == m_isDragTargeted)
        return;
    m_isDragTargeted = targeted;
    Q_EMIT isDragTargetedChanged();
}

void ProjectSetupModel::setShootDate(const std::optional<QDate> &date)
{
    m_shootDate = date;
}

void ProjectSetupModel::reportError(const QString &message)
{
    setErrorMessage(message);
}

bool ProjectSetupModel::canCreate() const
{
    const bool hasName = m_config.batchMode ? !m_config.batchProjectNames().isEmpty()
                                            : !m_config.projectName.trimmed().isEmpty();
    return hasName && m_config.targetFolderURL.has_value() && !m_isCreating;
}

QList<FolderNode> ProjectSetupModel::resolvedTree() const
{
    return TemplateEngine::resolve(m_config, m_templates.templates());
}

QFuture<void> ProjectSetupModel::createStructure()
{
    if (!m_config.targetFolderURL || m_isCreating)
        return QtFuture::makeReadyFuture();

    setCreating(true);
    setErrorMessage(std::nullopt);
    m_createdProjects.clear();

    auto run = std::make_shared<Run>();
    run->tree = resolvedTree();
    run->target = *m_config.targetFolderURL;
    run->date = m_shootDate ? QDateTime(*m_shootDate, QTime(12, 0)) : QDateTime();
    run->done.start();
    QFuture<void> future = run->done.future();

    // Started from the event loop: a continuation attached to a job that has already
    // finished runs at once, and the run must not end before this call returns.
    if (m_config.batchMode) {
        run->names = m_config.batchProjectNames();
        QMetaObject::invokeMethod(
            this, [this, run] { runNextBatchProject(run); }, Qt::QueuedConnection);
    } else {
        // The name goes to the job as typed; the folder name is cleaned when it is built.
        QMetaObject::invokeMethod(
            this,
            [this, run, name = m_config.projectName, sort = m_config.sortExistingFiles] {
                runSingleProject(run, name, sort);
            },
            Qt::QueuedConnection);
    }
    return future;
}

QFuture<Result<QString>> ProjectSetupModel::startProjectJob(const std::shared_ptr<Run> &run,
                                                            const QString &name)
{
    return JobQueue::run([name, tree = run->tree, target = run->target, date = run->date] {
        return FolderCreator::makeProject(name, tree, target,
                                          date.isValid() ? date : QDateTime::currentDateTime());
    });
}

void ProjectSetupModel::runNextBatchProject(const std::shared_ptr<Run> &run)
{
    if (run->next >= run->names.size()) {
        setSuccessMessage(batchSuccessMessage(run->names.size()));
        finish(run);
        return;
    }
    const QString name = run->names.at(run->next++);
    startProjectJob(run, name).then(this, [this, run](const Result<QString> &made) {
        if (!made) {
            fail(run, made.error());
            return;
        }
        run->lastProject = made.value();
        m_createdProjects.append(made.value());
        runNextBatchProject(run);
    });
}

void ProjectSetupModel::runSingleProject(const std::shared_ptr<Run> &run, const QString &name,
                                         bool sortWanted)
{
    startProjectJob(run, name).then(this, [this, run, sortWanted](const Result<QString> &made) {
        if (!made) {
            fail(run, made.error());
            return;
        }
        run->lastProject = made.value();
        m_createdProjects.append(made.value());
        setSuccessMessage(defaultSuccessMessage);
        if (!sortWanted) {
            finish(run);
            return;
        }
        m_runningSort = ++m_sortsStarted;
        JobQueue::run([source = run->target, project = run->lastProject,
                       progress = progressRelay(m_runningSort)] {
            return FileSorter::sortFiles(source, project, progress);
        }).then(this, [this, run](const SortOutcome &outcome) {
            if (!outcome.ok()) {
                // Files moved before the failure must stay undoable.
                if (!outcome.records.isEmpty()) {
                    m_undoLog.record(outcome.records);
                    m_host.updateUndoMenuItem();
                }
                fail(run, *outcome.error);
                return;
            }
            m_undoLog.record(outcome.records);
            finish(run);
        });
    });
}

SortProgressFunction ProjectSetupModel::progressRelay(quint64 sort)
{
    // Runs on the sorting thread. The hop goes through the application object, which
    // outlives every window, and only there looks whether the model is still around and still
    // running this sort; the model itself could be deleted meanwhile.
    return [model = QPointer<ProjectSetupModel>(this), sort,
            sinceLast = QElapsedTimer()](const SortProgress &progress) mutable {
        if (sinceLast.isValid() && sinceLast.elapsed() < statusInterval.count())
            return;
        sinceLast.start();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [model, sort, progress] {
                if (!model || model->m_runningSort != sort)
                    return;
                model->setStatusMessage(copyStatusText(progress));
                Q_EMIT model->copyProgress(progress);
            },
            Qt::QueuedConnection);
    };
}

QString ProjectSetupModel::copyStatusText(const SortProgress &progress)
{
    static const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
    struct Unit {
        double bytes;
        const char *name;
        int decimals;
    };
    static constexpr Unit units[] = {
        {1e9, "GB", 1}, {1e6, "MB", 1}, {1e3, "kB", 1}, {1, "bytes", 0}};
    const Unit *unit = std::find_if(std::begin(units), std::end(units) - 1, [&](const Unit &u) {
        return double(progress.fileSize) >= u.bytes;
    });
    const auto amount = [&](qint64 bytes) {
        return dutch.toString(double(bytes) / unit->bytes, 'f', unit->decimals);
    };
    const QString name = progress.source.mid(progress.source.lastIndexOf(QLatin1Char('/')) + 1);
    return QStringLiteral("Verplaatsen: %1 \u2014 %2 van %3 %4")
        .arg(name, amount(progress.bytesCopied), amount(progress.fileSize),
             QLatin1String(unit->name));
}

void ProjectSetupModel::finish(const std::shared_ptr<Run> &run)
{
    setCreating(false);
    m_host.updateUndoMenuItem();

    // The mode and names are read again now: the form stays editable during a run.
    const QString notificationName = m_config.batchMode
                                         ? m_config.batchProjectNames().join(QStringLiteral(", "))
                                         : m_config.projectName;
    if (!run->lastProject.isEmpty())
        m_host.sendSuccessNotification(notificationName, run->lastProject);

    m_showSuccess = true;
    Q_EMIT showSuccessChanged();

    auto afterPause = [this, run] {
        if (run->done.future().isFinished())
            return;
        if (!run->lastProject.isEmpty())
            m_host.revealInFileManager(run->lastProject);
        m_host.closeWindow();
        run->done.finish();
    };
    // A pause cut short still goes on to reveal and close.
    m_host.pause(successPause).then(this, afterPause).onCanceled(this, afterPause);
}

void ProjectSetupModel::fail(const std::shared_ptr<Run> &run, const Error &error)
{
    setCreating(false);
    setErrorMessage(error.message);
    run->done.finish();
}

void ProjectSetupModel::setCreating(bool creating)
{
    if (!creating) {
        m_runningSort = 0;
        setStatusMessage(std::nullopt);
    }
    if (creating == m_isCreating)
        return;
    m_isCreating = creating;
    Q_EMIT isCreatingChanged();
    Q_EMIT canCreateChanged();
}

void ProjectSetupModel::setErrorMessage(const std::optional<QString> &message)
{
    if (message == m_errorMessage)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

void ProjectSetupModel::setStatusMessage(const std::optional<QString> &message)
{
    if (message == m_statusMessage)
        return;
    m_statusMessage = message;
    Q_EMIT statusMessageChanged();
}

void ProjectSetupModel::setSuccessMessage(const QString &message)
{
    if (message == m_successMessage)
        return;
    m_successMessage = message;
    Q_EMIT successMessageChanged();
}

} // namespace bp
