#include "AppDelegate.h"

#include "AgentWorkflowHost.h"
#include "GlobalShortcutManager.h"
#include "StatusItem.h"
#include "WindowFactory.h"
#include "contract/AppGroupKeys.h"
#include "model/IncomingPath.h"
#include "platform/FileManager.h"
#include "platform/HandOverChannel.h"
#include "platform/Notifier.h"
#include "sorting/UndoLog.h"
#include "stores/PreferenceSuite.h"
#include "stores/Preferences.h"
#include "views/ErrorText.h"
#include "views/OffloadText.h"
#include "views/OffloadWindow.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"
#include "workflow/JobRegistry.h"
#include "workflow/OffloadModel.h"
#include "workflow/UndoLastSort.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QTimer>

#include <utility>

namespace bp {
namespace {

// The folder the plug-in left in the shared suite: none when the key is absent or not text,
// an error when the suite or the path in it is refused. Another process controls that file,
// so this runs off the UI thread.
Result<std::optional<QString>> storedHandOverFolder(const PreferenceSuite &suite)
{
    const Result<QJsonValue> value =
        suite.read(QString::fromLatin1(AppGroupKeys::selectedFolderPathKey));
    if (!value)
        return value.error();
    const std::optional<QString> text = PreferenceSuite::toString(value.value());
    if (!text)
        return std::optional<QString>();
    Result<QString> checked = IncomingPath::check(*text, IncomingPath::Need::wellFormed);
    if (!checked)
        return checked.error();
    return std::optional(std::move(checked).value());
}

} // namespace

AppDelegate::AppDelegate(Services services, QObject *parent)
    : QObject(parent), m_services(std::move(services)), m_menu(std::make_unique<QMenu>())
{
    m_menu->setTitle(QStringLiteral("Brindlepath"));
    m_menu->setAccessibleName(QStringLiteral("Brindlepath"));
    m_undoItem = new QAction(undoTitle, m_menu.get());
    m_undoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    m_undoItem->setEnabled(false);
    // Whoever changes the log, the item follows it.
    connect(&m_services.undoLog, &UndoLog::changed, this, &AppDelegate::updateUndoMenuItem);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    m_onboardingPending = !Preferences::onboardingCompleted(m_services.standard);
    setupStatusItem();
    registerHandOver();
    // Desktop notifications need no permission here: the server shows them or does not.
    // The rest waits until the tray icon is up: the shortcut's key observer alone costs X
    // connections, a thread and a round trip.
    m_services.statusItem.whenSettled([self = QPointer(this)] {
        if (self)
            self->finishLaunching();
    });
}

void AppDelegate::finishLaunching()
{
    m_services.shortcut.action = [self = QPointer(this)] {
        if (self)
            self->openProjectSetup(std::nullopt);
    };
    m_services.shortcut.start();
    m_launched = true;
    if (m_onboardingPending)
        showOnboarding();
}

QIcon AppDelegate::trayIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(SymbolIcons::pixmap(QStringLiteral("folder.fill"), bpBlue, size));
    return icon;
}

void AppDelegate::setupStatusItem()
{
    QAction *create = m_menu->addAction(newProjectTitle);
    create->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(create, &QAction::triggered, this, [this] { openProjectSetup(std::nullopt); });
    QAction *offload = m_menu->addAction(offloadTitle);
    connect(offload, &QAction::triggered, this, [this] {
        std::optional<QString> project;
        if (!m_lastProject.isEmpty() && QFileInfo(m_lastProject).isDir())
            project = m_lastProject;
        openOffload(project, std::nullopt);
    });

    m_menu->addAction(m_undoItem);
    connect(m_undoItem, &QAction::triggered, this, &AppDelegate::undoLastAction);
    m_menu->addSeparator();

    QAction *settings = m_menu->addAction(settingsTitle);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, &AppDelegate::openSettings);
    m_menu->addSeparator();

    QAction *quitItem = m_menu->addAction(quitTitle);
    quitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quitItem, &QAction::triggered, this, &AppDelegate::quit);

    m_services.statusItem.install(trayIcon(), QStringLiteral("Brindlepath"), m_menu.get());
}

void AppDelegate::registerHandOver()
{
    m_services.handOver.listen([self = QPointer(this)](std::optional<QString> folder) {
        if (self)
            self->handleFinderTrigger(std::move(folder));
    });
}

void AppDelegate::openOnboarding()
{
    m_onboardingWindow = m_services.windows.openOnboardingWindow([self = QPointer(this)] {
        if (self)
            self->onboardingCompleted();
    });
}

void AppDelegate::showOnboarding()
{
    if (!m_launched)
        return;
    if (m_onboardingWindow && m_onboardingWindow->isVisible())
        m_services.windows.bringToFront(m_onboardingWindow);
    else
        openOnboarding();
}

void AppDelegate::onboardingCompleted()
{
    m_onboardingPending = false;
    for (std::optional<QString> &folder : std::exchange(m_waitingSetups, {}))
        openProjectSetup(std::move(folder));
    if (const auto offload = std::exchange(m_waitingOffload, std::nullopt))
        openOffload(offload->first, offload->second);
}

void AppDelegate::activate()
{
    if (m_onboardingPending)
        showOnboarding();
    else
        openProjectSetup(std::nullopt);
}

void AppDelegate::openProjectSetup(std::optional<QString> folder)
{
    if (m_onboardingPending) {
        // A repeat of the request just before it would only bring the same window forward.
        if (m_waitingSetups.empty() || m_waitingSetups.back() != folder)
            m_waitingSetups.push_back(std::move(folder));
        showOnboarding();
        return;
    }
    // A visible window keeps its own folder and state.
    if (m_setupWindow && m_setupWindow->isVisible()) {
        m_services.windows.bringToFront(m_setupWindow);
        return;
    }
    auto host = std::make_unique<AgentWorkflowHost>(*this);
    m_setupWindow = m_services.windows.openSetupWindow(folder, std::move(host));
}

void AppDelegate::openSettings()
{
    if (m_settingsWindow && m_settingsWindow->isVisible()) {
        m_services.windows.bringToFront(m_settingsWindow);
        return;
    }
    m_settingsWindow = m_services.windows.openSettingsWindow();
}

void AppDelegate::openOffload(const std::optional<QString> &project,
                              const std::optional<QString> &card)
{
    if (m_onboardingPending) {
        m_waitingOffload.emplace(project, card);
        showOnboarding();
        return;
    }
    if (m_offloadWindow && m_offloadWindow->isVisible()) {
        // A card asked for by its notification is chosen, unless a run is going.
        auto *open = qobject_cast<OffloadWindow *>(m_offloadWindow);
        if (open && card && open->model().state() != OffloadModel::State::running)
            open->model().chooseCard(*card);
        m_services.windows.bringToFront(m_offloadWindow);
        return;
    }
    m_offloadWindow = m_services.windows.openOffloadWindow(project, card);
    if (auto *window = qobject_cast<OffloadWindow *>(m_offloadWindow))
        trackOffload(window->model());
}

bool AppDelegate::hasCards() const
{
    return m_services.windows.hasCards();
}

void AppDelegate::showJobs(JobRegistry &jobs)
{
    m_jobs = &jobs;
    connect(&jobs, &JobRegistry::changed, this, &AppDelegate::updateJobs);
    updateJobs();
}

void AppDelegate::trackOffload(OffloadModel &model)
{
    auto job = std::make_shared<QString>();
    connect(&model, &OffloadModel::stateChanged, this, [this, &model, job] {
        if (!m_jobs || !job->isEmpty() || model.state() != OffloadModel::State::running)
            return;
        // Named as the command line names its runs, so the tray reads alike for both.
        const std::optional<offload::CardInfo> card = model.sourceCard();
        const QString name = card ? card->label : QDir(model.source()).dirName();
        *job = m_jobs->add(OffloadWindow::title + QStringLiteral(": ") + name,
                           JobRegistry::Unit::bytes, [model = QPointer(&model)] {
                               if (model)
                                   model->cancel();
                           });
    });
    connect(&model, &OffloadModel::progressChanged, this, [this, &model, job] {
        if (m_jobs && !job->isEmpty())
            m_jobs->setProgress(*job, model.progress().bytesDone, model.progress().bytesTotal,
                                model.progress().currentFile);
    });
    connect(&model, &OffloadModel::finished, this, [this, &model, job] {
        if (m_jobs && !job->isEmpty())
            m_jobs->remove(std::exchange(*job, QString()));
        const std::optional<offload::OffloadOutcome> &outcome = model.outcome();
        // A cancel was the user's own doing: nothing to tell.
        if (!outcome || outcome->cancelled)
            return;
        if (OffloadModel::succeeded(*outcome))
            m_services.notifier.notify(offloadDoneTitle, OffloadText::summary(*outcome));
        else
            m_services.notifier.notify(offloadFailedTitle, OffloadText::firstFailure(*outcome));
    });
}

QString AppDelegate::jobLine(const QString &id, const QString &description, qint64 processed,
                             qint64 total, bool bytes)
{
    if (total <= 0)
        return description + QStringLiteral(": bezig");
    QString line = QStringLiteral("%1: %2%").arg(description).arg(processed * 100 / total);
    if (!bytes)
        return line + QStringLiteral(" (%1 van %2)").arg(processed).arg(total);
    // The average since the tray first saw the job: the registry carries no rate.
    const auto start = m_jobStarts.constFind(id);
    const qint64 elapsed = start == m_jobStarts.cend() ? 0 : start->clock.elapsed();
    const qint64 done = start == m_jobStarts.cend() ? 0 : processed - start->processed;
    if (elapsed < 1000 || done <= 0)
        return line;
    const double rate = double(done) * 1000.0 / double(elapsed);
    const auto left = qint64(double(total - processed) / rate);
    return line +
           QStringLiteral(" (%1, %2)").arg(OffloadText::rate(rate), OffloadText::timeLeft(left));
}

void AppDelegate::updateJobs()
{
    const QList<JobRegistry::Job> jobs = m_jobs ? m_jobs->jobs() : QList<JobRegistry::Job>();
    QStringList ids;
    for (const JobRegistry::Job &job : jobs) {
        ids.append(job.id);
        if (!m_jobStarts.contains(job.id)) {
            JobStart &start = m_jobStarts[job.id];
            start.clock.start();
            start.processed = job.processed;
        }
    }
    for (auto it = m_jobStarts.begin(); it != m_jobStarts.end();)
        it = ids.contains(it.key()) ? std::next(it) : m_jobStarts.erase(it);

    // The lines are made again only when jobs come or go, not for every step of progress.
    if (ids != m_shownJobs) {
        for (QAction *action : std::exchange(m_jobActions, {})) {
            m_menu->removeAction(action);
            action->deleteLater();
        }
        QAction *first = m_menu->actions().value(0);
        for (const JobRegistry::Job &job : jobs) {
            auto *line = new QAction(m_menu.get());
            line->setEnabled(false);
            auto *cancel = new QAction(cancelJobTitle, m_menu.get());
            connect(cancel, &QAction::triggered, this, [this, id = job.id] {
                if (m_jobs)
                    m_jobs->cancel(id);
            });
            m_menu->insertActions(first, {line, cancel});
            m_jobActions << line << cancel;
        }
        if (!jobs.isEmpty())
            m_jobActions << m_menu->insertSeparator(first);
        m_shownJobs = ids;
    }
    QStringList tip;
    for (qsizetype i = 0; i < jobs.size(); ++i) {
        const JobRegistry::Job &job = jobs[i];
        const QString text = jobLine(job.id, job.description, job.processed, job.total,
                                     job.unit == JobRegistry::Unit::bytes);
        m_jobActions[2 * i]->setText(text);
        m_jobActions[2 * i + 1]->setEnabled(!job.cancelling);
        tip.append(text);
    }
    m_services.statusItem.setToolTip(tip.isEmpty() ? QStringLiteral("Brindlepath")
                                                   : tip.join(QLatin1Char('\n')));
}

void AppDelegate::openFiles(const QStringList &paths)
{
    if (!paths.isEmpty())
        openFile(paths.first());
}

bool AppDelegate::openFile(const QString &path)
{
    if (!IncomingPath::check(path, IncomingPath::Need::existingFolder))
        return false;
    openProjectSetup(path);
    return true;
}

void AppDelegate::handleFinderTrigger(std::optional<QString> folder)
{
    // A call's own folder wins over the suite, which may hold an older one.
    if (folder) {
        openProjectSetup(folder->isEmpty() ? std::nullopt : folder);
        return;
    }
    // A visible window keeps its own folder: nothing to read.
    if (m_setupWindow && m_setupWindow->isVisible()) {
        m_services.windows.bringToFront(m_setupWindow);
        return;
    }
    // Requests that come while the suite is read are answered by the window that read opens.
    if (m_readingHandOver)
        return;
    m_readingHandOver = true;
    // The key stays as it is: it always holds the folder sent last.
    const PreferenceSuite &suite = m_services.appGroup;
    m_handOverReader.start([this, &suite] {
        // Queued even after a quick read, so that the requests of a burst find it in flight.
        QMetaObject::invokeMethod(
            this,
            [this, stored = storedHandOverFolder(suite)] {
                m_readingHandOver = false;
                // The suite is left as it is; the window opens without a folder.
                if (!stored)
                    qWarning().noquote()
                        << "brindlepath: shared folder not read:" << stored.error().message;
                openProjectSetup(stored ? stored.value() : std::nullopt);
            },
            Qt::QueuedConnection);
    });
}

void AppDelegate::undoLastAction()
{
    // Queued, so the undo runs after the menu has closed. A failure is posted as a
    // notification by undoNow itself.
    QTimer::singleShot(0, this, [this] { [[maybe_unused]] const auto done = undoNow(); });
}

Result<QStringList> AppDelegate::undoNow()
{
    const UndoOutcome outcome = undoLastSort(m_services.undoLog);
    // An undo that failed or came too late leaves the log as it is: refresh the item anyway.
    updateUndoMenuItem();
    if (outcome.error) {
        m_services.notifier.notify(undoFailedTitle, ErrorText::dutch(*outcome.error));
        return *outcome.error;
    }
    return outcome.putBack;
}

void AppDelegate::updateUndoMenuItem()
{
    const UndoLog &log = m_services.undoLog;
    const bool enabled = log.canUndo();
    m_undoItem->setEnabled(enabled);
    m_undoItem->setText(
        enabled
            ? QStringLiteral("%1 (%2 bestanden verplaatst)").arg(undoTitle).arg(log.movedCount())
            : undoTitle);
}

void AppDelegate::sendSuccessNotification(const QString &projectName, const QString &projectPath)
{
    m_lastProject = projectPath;
    m_services.notifier.notify(successTitle, projectName);
}

void AppDelegate::revealInFileManager(const QString &path)
{
    m_services.fileManager.reveal(path);
}

void AppDelegate::setActivationToken(const QString &token)
{
    m_services.windows.setActivationToken(token);
}

void AppDelegate::quit()
{
    if (m_services.quit)
        m_services.quit();
}

} // namespace bp
