#include "ProjectSetupModel.h"

#include "JobQueue.h"
#include "model/ProjectCounter.h"
#include "model/WhenFinished.h"
#include "stores/CustomTemplateStore.h"

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

QString batchSuccessMessage(qsizetype count)
{
    return QString::number(count) + QStringLiteral(" project") +
           (count == 1 ? QString() : QStringLiteral("en")) + QStringLiteral(" aangemaakt!");
}

// A line per file the sort left behind, for the first few: the error line is no list.
QString notMovedText(const QList<SortFailure> &failed,
                     const ProjectSetupModel::ErrorWording &wording)
{
    constexpr qsizetype shown = 3;
    QStringList lines;
    for (qsizetype i = 0; i < std::min(failed.size(), shown); ++i) {
        const QString &source = failed.at(i).source;
        lines << QStringLiteral("Niet verplaatst: %1 (%2)")
                     .arg(source.mid(source.lastIndexOf(QLatin1Char('/')) + 1),
                          wording(failed.at(i).error));
    }
    if (const qsizetype more = failed.size() - shown; more == 1)
        lines << QStringLiteral("En nog 1 bestand niet verplaatst.");
    else if (more > 1)
        lines << QStringLiteral("En nog %1 bestanden niet verplaatst.").arg(more);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

ProjectSetupModel::ProjectSetupModel(const std::optional<QString> &initialURL, WorkflowHost &host,
                                     const Stores &stores, QObject *parent)
    : QObject(parent), m_host(host), m_stores(stores), m_creation(stores.templates, stores.undoLog),
      m_config(CreateProjects::initialConfig(stores.standard, initialURL))
{
    connect(&stores.templates, &CustomTemplateStore::templatesChanged, this, [this] {
        keepSharedCopy();
        replan();
    });
    readTargetRecord();
}

QList<CustomTemplate> ProjectSetupModel::templates() const
{
    QList<CustomTemplate> list = m_stores.templates.all();
    // A shared template in use whose share went away: the window goes on with its copy rather
    // than fall back to a built-in structure.
    if (m_sharedKept && std::none_of(list.cbegin(), list.cend(), [this](const CustomTemplate &t) {
            return t.id == m_sharedKept->id;
        }))
        list.append(*m_sharedKept);
    return list;
}

void ProjectSetupModel::keepSharedCopy()
{
    if (!m_config.customTemplateID) {
        m_sharedKept.reset();
        return;
    }
    for (const CustomTemplate &t : m_stores.templates.all()) {
        if (t.id == *m_config.customTemplateID) {
            m_sharedKept = t.shared ? std::optional(t) : std::nullopt;
            return;
        }
    }
    // Not listed now: a kept copy of this template stays; another is no longer chosen.
    if (m_sharedKept && m_sharedKept->id != *m_config.customTemplateID)
        m_sharedKept.reset();
}

ProjectSetupModel::~ProjectSetupModel() = default;

void ProjectSetupModel::setConfig(const ProjectConfig &config)
{
    if (config == m_config)
        return;
    const bool otherTree = config.customTemplateID != m_config.customTemplateID ||
                           config.platform != m_config.platform || config.extras != m_config.extras;
    const bool otherTarget = config.targetFolderURL != m_config.targetFolderURL;
    m_config = config;
    m_problems.reset();
    if (otherTree) {
        keepSharedCopy();
        m_plan.reset();
        // Values of another template's fields would only be refused as unknown.
        QHash<QString, QString> kept;
        for (const FieldDefinition &field : plan().fields()) {
            if (const auto it = m_config.fieldValues.constFind(field.key);
                it != m_config.fieldValues.constEnd())
                kept.insert(field.key, *it);
        }
        m_config.fieldValues = kept;
    }
    if (otherTree || otherTarget)
        peekNextNumber();
    if (otherTarget)
        readTargetRecord();
    else
        surveyTarget();
    Q_EMIT configChanged();
    if (otherTree)
        Q_EMIT planChanged();
    Q_EMIT canCreateChanged();
}

const ProjectPlan &ProjectSetupModel::plan() const
{
    if (!m_plan)
        m_plan = ProjectPlan::forConfig(m_config, templates());
    return *m_plan;
}

QDate ProjectSetupModel::namingDate() const
{
    return m_shootDate.value_or(QDate::currentDate());
}

const PlanProblems &ProjectSetupModel::problems() const
{
    if (!m_problems && m_fillExisting)
        m_problems = ApplyTemplate::problems(plan(), fillValues());
    if (!m_problems) {
        QStringList names = CreateProjects::projectNames(m_config);
        if (names.isEmpty())
            names.append(QString());
        m_problems = plan().problems(names, namingDate(), m_config.fieldValues, m_nextNumber);
    }
    return *m_problems;
}

void ProjectSetupModel::replan()
{
    m_plan.reset();
    m_problems.reset();
    peekNextNumber();
    surveyTarget();
    Q_EMIT planChanged();
    Q_EMIT canCreateChanged();
}

void ProjectSetupModel::peekNextNumber()
{
    const quint64 serial = ++m_peeks;
    if (!plan().usesCounter() || !m_config.targetFolderURL) {
        setNextNumber(std::nullopt);
        return;
    }
    // Read on the file thread: a target on a share can be slow.
    setNextNumber(std::nullopt);
    // whenFinished: a window closed meanwhile takes its model along.
    whenFinished(JobQueue::run([target = *m_config.targetFolderURL, plan = plan()] {
                     return ProjectCounter(
                                target,
                                [plan](const QString &name) { return plan.counterIn(name); })
                         .peek();
                 }),
                 this, [this, serial](const Result<int> &next) {
                     if (serial == m_peeks)
                         setNextNumber(next ? std::optional(next.value()) : std::nullopt);
                 });
}

void ProjectSetupModel::setNextNumber(std::optional<int> number)
{
    if (number == m_nextNumber)
        return;
    m_nextNumber = number;
    m_problems.reset();
    Q_EMIT nextNumberChanged();
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
    if (date == m_shootDate)
        return;
    m_shootDate = date;
    m_problems.reset();
    Q_EMIT canCreateChanged();
}

void ProjectSetupModel::reportError(const QString &message)
{
    setErrorMessage(message);
}

bool ProjectSetupModel::canCreate() const
{
    if (m_fillExisting)
        return m_config.targetFolderURL && !m_isCreating && problems().isEmpty();
    return CreateProjects::isReady(m_config) && !m_isCreating && problems().isEmpty();
}

QList<FolderNode> ProjectSetupModel::resolvedTree() const
{
    return m_creation.resolvedTree(m_config);
}

QFuture<void> ProjectSetupModel::createStructure()
{
    if (!canCreate())
        return QtFuture::makeReadyFuture();
    if (m_fillExisting)
        return fillIn();

    setCreating(true);
    setErrorMessage(std::nullopt);
    auto done = std::make_shared<QPromise<void>>();
    done->start();
    m_runningSort = ++m_sortsStarted;
    m_creation.run(m_config, m_shootDate, progressRelay(m_runningSort), m_sharedKept)
        .then(this, [this, done](const CreationOutcome &outcome) {
            if (plan().usesCounter())
                peekNextNumber();
            if (outcome.error || !outcome.failed.isEmpty()) {
                setCreating(false);
                setErrorMessage(outcome.error ? m_wording(*outcome.error)
                                              : notMovedText(outcome.failed, m_wording));
                done->finish();
                return;
            }
            finish(outcome, done);
        });
    return done->future();
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

void ProjectSetupModel::finish(const CreationOutcome &outcome,
                               const std::shared_ptr<QPromise<void>> &done)
{
    // The mode and names are read again now: the form stays editable during a run.
    const QString notificationName = m_config.batchMode
                                         ? m_config.batchProjectNames().join(QStringLiteral(", "))
                                         : m_config.projectName;
    QString message =
        m_config.batchMode ? batchSuccessMessage(outcome.projects.size()) : defaultSuccessMessage;
    // Template files never replace what a project already held; say so, not silently.
    if (const qsizetype kept = outcome.keptFiles.size(); kept == 1)
        message += QStringLiteral(" 1 bestand bestond al en is behouden.");
    else if (kept > 1)
        message += QStringLiteral(" %1 bestanden bestonden al en zijn behouden.").arg(kept);
    succeed(message, notificationName, outcome.projects.value(outcome.projects.size() - 1), done);
}

void ProjectSetupModel::succeed(const QString &message, const QString &notificationName,
                                const QString &lastProject,
                                const std::shared_ptr<QPromise<void>> &done)
{
    setSuccessMessage(message);
    setCreating(false);
    // A project filled in is no new project: the success text says what was added.
    if (!lastProject.isEmpty() && !notificationName.isEmpty())
        m_host.sendSuccessNotification(notificationName, lastProject);

    m_showSuccess = true;
    Q_EMIT showSuccessChanged();

    // One new project can take a card next: the window stays for that choice.
    const bool offer = !m_config.batchMode && !lastProject.isEmpty() && m_host.offersOffload();
    auto afterPause = [this, done, lastProject, offer] {
        if (done->future().isFinished())
            return;
        if (!lastProject.isEmpty())
            m_host.revealInFileManager(lastProject);
        if (offer) {
            m_offloadOffer = lastProject;
            Q_EMIT offloadOfferChanged();
        } else {
            m_host.closeWindow();
        }
        done->finish();
    };
    // A pause cut short still goes on to reveal and close.
    m_host.pause(successPause).then(this, afterPause).onCanceled(this, afterPause);
}

void ProjectSetupModel::importCard()
{
    if (!m_offloadOffer)
        return;
    m_host.openOffload(*m_offloadOffer);
    m_host.closeWindow();
}

void ProjectSetupModel::readTargetRecord()
{
    const quint64 serial = ++m_recordReads;
    const bool had = m_targetRecord || m_fillExisting;
    m_targetRecord.reset();
    m_fillExisting = false;
    m_existing.clear();
    if (had) {
        m_problems.reset();
        Q_EMIT fillModeChanged();
        Q_EMIT canCreateChanged();
    }
    if (!m_config.targetFolderURL)
        return;
    // Read on the file thread: a target on a share can be slow.
    whenFinished(
        JobQueue::run([folder = *m_config.targetFolderURL] { return ProjectRecord::read(folder); }),
        this, [this, serial](const Result<ProjectRecord> &record) {
            if (serial != m_recordReads || !record)
                return;
            m_targetRecord = record.value();
            Q_EMIT fillModeChanged();
            // A new project inside a project is rarely meant: filling it in comes first.
            setFillExisting(true);
        });
}

void ProjectSetupModel::setFillExisting(bool fill)
{
    if (fill == m_fillExisting || (fill && !m_targetRecord))
        return;
    m_fillExisting = fill;
    m_problems.reset();
    m_existing.clear();
    if (fill) {
        ProjectConfig config = m_config;
        const std::optional<QUuid> &id = m_targetRecord->customTemplateID;
        const QList<CustomTemplate> known = m_stores.templates.all();
        // Another template's folders in its place would be worse than asking.
        if (id && std::none_of(known.begin(), known.end(),
                               [&](const CustomTemplate &t) { return t.id == *id; })) {
            reportError(
                QStringLiteral("De template van dit project bestaat niet meer: kies er een"));
        } else {
            config.customTemplateID = id;
            config.platform = m_targetRecord->platform;
            config.extras = m_targetRecord->extras;
        }
        config.type = m_targetRecord->type;
        config.fieldValues = m_targetRecord->fieldValues;
        config.projectName = m_targetRecord->name;
        config.batchMode = false;
        setConfig(config);
    }
    surveyTarget();
    Q_EMIT fillModeChanged();
    Q_EMIT existingEntriesChanged();
    Q_EMIT configChanged();
    Q_EMIT canCreateChanged();
}

TokenValues ProjectSetupModel::fillValues() const
{
    // Values for fields this template does not have stay out, as in setConfig().
    QHash<QString, QString> given;
    for (const FieldDefinition &field : plan().fields()) {
        if (const auto it = m_config.fieldValues.constFind(field.key);
            it != m_config.fieldValues.constEnd())
            given.insert(field.key, *it);
    }
    return ApplyTemplate::valuesFor(m_config.targetFolderURL.value_or(QString()), m_targetRecord,
                                    plan(), given);
}

void ProjectSetupModel::surveyTarget()
{
    const quint64 serial = ++m_surveys;
    if (!m_fillExisting || !m_config.targetFolderURL)
        return;
    const TokenValues values = fillValues();
    const QList<FolderNode> tree = plan()
                                       .render(values.name, values.date, values.counter,
                                               plan().resolveFields(values.fields).values)
                                       .tree;
    whenFinished(JobQueue::run([folder = *m_config.targetFolderURL, tree] {
                     return ApplyTemplate::survey(folder, tree);
                 }),
                 this, [this, serial](const QList<ProjectEntry> &entries) {
                     if (serial != m_surveys)
                         return;
                     QSet<QString> there;
                     for (const ProjectEntry &entry : entries) {
                         if (entry.exists)
                             there.insert(entry.path);
                     }
                     if (there == m_existing)
                         return;
                     m_existing = there;
                     Q_EMIT existingEntriesChanged();
                 });
}

QFuture<void> ProjectSetupModel::fillIn()
{
    setCreating(true);
    setErrorMessage(std::nullopt);
    auto done = std::make_shared<QPromise<void>>();
    done->start();
    const QString project = *m_config.targetFolderURL;
    whenFinished(m_apply.run(project, plan(), fillValues(), false), this,
                 [this, done, project](const ApplyOutcome &outcome) {
                     surveyTarget();
                     if (outcome.error) {
                         setCreating(false);
                         setErrorMessage(m_wording(*outcome.error));
                         done->finish();
                         return;
                     }
                     succeed(addedText(outcome), QString(), project, done);
                 });
    return done->future();
}

QString ProjectSetupModel::addedText(const ApplyOutcome &outcome)
{
    const qsizetype folders = outcome.addedFolders.size();
    const qsizetype files = outcome.addedFiles.size();
    if (folders == 0 && files == 0)
        return QStringLiteral("Niets toegevoegd: alles bestond al");
    QStringList parts;
    if (folders > 0)
        parts << QString::number(folders) +
                     (folders == 1 ? QStringLiteral(" map") : QStringLiteral(" mappen"));
    if (files > 0)
        parts << QString::number(files) +
                     (files == 1 ? QStringLiteral(" bestand") : QStringLiteral(" bestanden"));
    return parts.join(QStringLiteral(" en ")) + QStringLiteral(" toegevoegd");
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
