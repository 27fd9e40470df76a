#include "app/AppDelegate.h"
#include "app/GlobalShortcutManager.h"
#include "app/StatusItem.h"
#include "app/WindowFactory.h"
#include "platform/FileManager.h"
#include "platform/HandOverChannel.h"
#include "platform/Notifier.h"
#include "platform/PlatformTestSupport.h"
#include "sorting/UndoLog.h"
#include "stores/PreferenceSuite.h"
#include "stores/Preferences.h"
#include "support/FakeClock.h"
#include "workflow/JobRegistry.h"
#include "workflow/OffloadModel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPromise>
#include <QTemporaryDir>
#include <QWidget>

#include <climits>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <utility>
#include <vector>

using namespace bp;
using test::FakeClock;

namespace {

class RecordingStatusItem final : public StatusItem {
public:
    void install(const QIcon &icon, const QString &title, QMenu *menu) override
    {
        installed = true;
        this->icon = icon;
        this->title = title;
        this->menu = menu;
    }
    void whenSettled(std::function<void()> next) override
    {
        if (holding)
            held.push_back(std::move(next));
        else
            next();
    }
    // Runs what waited for the tray host's answer.
    void settle()
    {
        holding = false;
        for (const std::function<void()> &next : std::exchange(held, {}))
            next();
    }
    void setToolTip(const QString &text) override { toolTip = text; }
    bool holding = false;
    std::vector<std::function<void()>> held;
    QString toolTip;
    bool installed = false;
    QIcon icon;
    QString title;
    QMenu *menu = nullptr;
};

class RecordingHandOver final : public HandOverChannel {
public:
    bool listen(Handler handler) override
    {
        this->handler = std::move(handler);
        return true;
    }
    Handler handler;
};

class RecordingNotifier final : public Notifier {
public:
    void notify(const QString &summary, const QString &body) override
    {
        posted += summary + " | " + body;
    }
    QStringList posted;
};

class RecordingFileManager final : public FileManager {
public:
    void reveal(const QString &path) override { revealed += path; }
    QStringList revealed;
};

// Plain widgets for windows, and a line in the log for everything asked of it.
class RecordingWindows final : public WindowFactory {
public:
    QWidget *openSetupWindow(const std::optional<QString> &folder,
                             std::unique_ptr<WorkflowHost> host) override
    {
        log += "setup " + folder.value_or("(none)");
        hosts.push_back(std::move(host));
        return make();
    }
    QWidget *openSettingsWindow() override
    {
        log += "settings";
        return make();
    }
    QWidget *openOnboardingWindow(std::function<void()> afterComplete) override
    {
        log += "onboarding";
        finishOnboarding = std::move(afterComplete);
        return make();
    }
    QWidget *openOffloadWindow(const std::optional<QString> &project,
                               const std::optional<QString> &) override
    {
        log += "offload " + project.value_or("(none)");
        return make();
    }
    void bringToFront(QWidget *) override { log += "front"; }
    void setActivationToken(const QString &token) override { log += "token " + token; }

    QStringList log;
    std::function<void()> finishOnboarding;
    std::vector<std::unique_ptr<WorkflowHost>> hosts;
    std::vector<std::unique_ptr<QWidget>> windows;

private:
    QWidget *make()
    {
        windows.push_back(std::make_unique<QWidget>());
        windows.back()->show();
        return windows.back().get();
    }
};

class SilentKeys final : public KeyObserver {
public:
    bool start(Handler) override { return true; }
};

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest()
        : standard(QStringLiteral("standard"), configDir.path()),
          appGroup(QStringLiteral("group"), configDir.path()),
          shortcut(std::make_unique<SilentKeys>()), undoLog(clock),
          delegate(AppDelegate::Services{statusItem, handOver, notifier, fileManager, windows,
                                         shortcut, undoLog, standard, appGroup,
                                         [this] { ++quits; }})
    {}

    void launch(bool onboardingDone = true)
    {
        ASSERT_TRUE(Preferences::setOnboardingCompleted(onboardingDone, standard).ok());
        delegate.applicationDidFinishLaunching();
    }

    QAction *row(const QString &title) const
    {
        for (QAction *action : delegate.menu()->actions()) {
            if (action->text() == title)
                return action;
        }
        return nullptr;
    }

    // Moves count files from the work folder into a project, recorded ageSeconds ago.
    void recordMoves(int count, int ageSeconds)
    {
        QList<MoveRecord> records;
        QDir(work.path()).mkpath("project");
        for (int i = 0; i < count; ++i) {
            const QString source = work.filePath(QStringLiteral("clip%1.mov").arg(i));
            const QString destination = work.filePath(QStringLiteral("project/clip%1.mov").arg(i));
            QFile file(destination);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            records.append({source, destination, clock.current.addSecs(-ageSeconds)});
        }
        undoLog.record(records);
    }

    QTemporaryDir configDir;
    QTemporaryDir work;
    PreferenceSuite standard;
    PreferenceSuite appGroup;
    RecordingStatusItem statusItem;
    RecordingHandOver handOver;
    RecordingNotifier notifier;
    RecordingFileManager fileManager;
    RecordingWindows windows;
    GlobalShortcutManager shortcut;
    FakeClock clock;
    UndoLog undoLog;
    int quits = 0;
    AppDelegate delegate;
};

TEST_F(AppDelegateTest, LaunchInstallsTheTrayItemListensForHandOverAndStartsTheShortcut)
{
    launch();
    EXPECT_TRUE(statusItem.installed);
    EXPECT_EQ(statusItem.title, "Brindlepath");
    EXPECT_EQ(statusItem.menu, delegate.menu());
    EXPECT_FALSE(statusItem.icon.isNull());
    EXPECT_TRUE(handOver.handler);
    EXPECT_NE(shortcut.monitor(), nullptr);
    ASSERT_TRUE(shortcut.action);
    shortcut.action();
    EXPECT_EQ(windows.log, QStringList{"setup (none)"});
}

TEST_F(AppDelegateTest, TheShortcutAndOnboardingWaitUntilTheTrayHostHasAnswered)
{
    statusItem.holding = true;
    launch(false);
    EXPECT_TRUE(statusItem.installed);
    EXPECT_TRUE(handOver.handler);
    EXPECT_EQ(shortcut.monitor(), nullptr);
    EXPECT_EQ(windows.log, QStringList{});

    statusItem.settle();
    EXPECT_NE(shortcut.monitor(), nullptr);
    EXPECT_EQ(windows.log, QStringList{"onboarding"});
}

TEST_F(AppDelegateTest, FirstStartFromTheLauncherShowsOnboardingAlone)
{
    statusItem.holding = true;
    launch(false);
    delegate.activate();
    statusItem.settle();
    delegate.activate();
    EXPECT_EQ(windows.log, (QStringList{"onboarding", "front"}));
    // Closed without finishing: the launcher brings it back, still alone.
    delegate.onboardingWindow()->close();
    delegate.activate();
    EXPECT_EQ(windows.log, (QStringList{"onboarding", "front", "onboarding"}));
}

TEST_F(AppDelegateTest, RequestsWaitForOnboardingAndOpenInOrderOnceItEnds)
{
    launch(false);
    delegate.openProjectSetup(QStringLiteral("/shoots/A"));
    delegate.openProjectSetup(QStringLiteral("/shoots/A"));
    shortcut.action();
    EXPECT_TRUE(delegate.openFile(work.path()));
    EXPECT_EQ(windows.log, (QStringList{"onboarding", "front", "front", "front", "front"}));

    windows.log.clear();
    windows.finishOnboarding();
    // Each waiting request as it would have gone: the first opens, the rest bring it forward.
    EXPECT_EQ(windows.log, (QStringList{"setup /shoots/A", "front", "front"}));
    delegate.activate();
    EXPECT_EQ(windows.log.last(), "front");
    delegate.setupWindow()->close();
    delegate.activate();
    EXPECT_EQ(windows.log.last(), "setup (none)");
}

class FirstRun : public AppDelegateTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FirstRun, OpensOnboardingOnlyWhenItWasNotCompleted)
{
    launch(GetParam());
    EXPECT_EQ(windows.log, GetParam() ? QStringList{} : QStringList{"onboarding"});
    EXPECT_EQ(delegate.onboardingWindow() != nullptr, !GetParam());
}

INSTANTIATE_TEST_SUITE_P(Onboarding, FirstRun, ::testing::Bool(), [](const auto &info) {
    return std::string(info.param ? "Completed" : "NotCompleted");
});

// One row of the tray menu as it must look right after launch.
struct MenuRow {
    const char *name;
    QString title;
    QKeySequence shortcut;
    bool enabled;
};

class TrayMenuRow : public AppDelegateTest, public ::testing::WithParamInterface<int> {};

const MenuRow menuRows[] = {
    {"NewProject", "Nieuwe projectstructuur…", QKeySequence("Ctrl+N"), true},
    {"ImportCard", "Kaart importeren…", QKeySequence(), true},
    {"Undo", "Ongedaan maken", QKeySequence("Ctrl+Shift+Z"), false},
    {"FirstSeparator", "", QKeySequence(), true},
    {"Settings", "Instellingen…", QKeySequence("Ctrl+,"), true},
    {"SecondSeparator", "", QKeySequence(), true},
    {"Quit", "Quit Brindlepath", QKeySequence("Ctrl+Q"), true},
};

TEST_P(TrayMenuRow, HasItsTitleShortcutAndState)
{
    launch();
    const QList<QAction *> actions = delegate.menu()->actions();
    ASSERT_EQ(actions.size(), std::size(menuRows));
    const MenuRow &expected = menuRows[GetParam()];
    const QAction *action = actions[GetParam()];
    EXPECT_EQ(action->isSeparator(), expected.title.isEmpty());
    EXPECT_EQ(action->text(), expected.title);
    EXPECT_EQ(action->shortcut(), expected.shortcut);
    EXPECT_EQ(action->isEnabled(), expected.enabled);
}

INSTANTIATE_TEST_SUITE_P(Rows, TrayMenuRow, ::testing::Range(0, int(std::size(menuRows))),
                         [](const auto &info) { return std::string(menuRows[info.param].name); });

TEST_F(AppDelegateTest, MenuRowsOpenTheirWindowsAndQuit)
{
    launch();
    row(AppDelegate::newProjectTitle)->trigger();
    row(AppDelegate::settingsTitle)->trigger();
    EXPECT_EQ(windows.log, (QStringList{"setup (none)", "settings"}));
    EXPECT_EQ(quits, 0);
    row(AppDelegate::quitTitle)->trigger();
    EXPECT_EQ(quits, 1);
}

TEST_F(AppDelegateTest, AVisibleSetupWindowComesForwardAndKeepsItsFolder)
{
    launch();
    delegate.openProjectSetup(QStringLiteral("/shoots/A"));
    QWidget *first = delegate.setupWindow();
    delegate.openProjectSetup(QStringLiteral("/shoots/B"));
    EXPECT_EQ(delegate.setupWindow(), first);
    EXPECT_EQ(windows.log, (QStringList{"setup /shoots/A", "front"}));
}

TEST_F(AppDelegateTest, AClosedWindowIsNeverReused)
{
    launch();
    delegate.openProjectSetup(std::nullopt);
    delegate.openSettings();
    QWidget *setup = delegate.setupWindow();
    QWidget *settings = delegate.settingsWindow();
    setup->close();
    settings->close();
    delegate.openProjectSetup(QStringLiteral("/shoots/B"));
    delegate.openSettings();
    EXPECT_NE(delegate.setupWindow(), setup);
    EXPECT_NE(delegate.settingsWindow(), settings);
    EXPECT_EQ(windows.log,
              (QStringList{"setup (none)", "settings", "setup /shoots/B", "settings"}));
}

TEST_F(AppDelegateTest, AVisibleSettingsWindowOnlyComesForward)
{
    launch();
    delegate.openSettings();
    delegate.openSettings();
    EXPECT_EQ(windows.log, (QStringList{"settings", "front"}));
}

// What the open-file entry is given, and which setup window that opens.
struct OpenFilesCase {
    const char *name;
    QStringList entries; // relative to the work folder; "dir/" names a folder
    QString opened;      // the folder opened, empty when nothing opens
};

void PrintTo(const OpenFilesCase &c, std::ostream *os)
{
    *os << c.name;
}

class OpenFiles : public AppDelegateTest, public ::testing::WithParamInterface<OpenFilesCase> {};

TEST_P(OpenFiles, OnlyAFolderInFirstPlaceOpensTheSetupWindow)
{
    launch();
    QDir(work.path()).mkpath("Shoot");
    QFile file(work.filePath("clip.mov"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QStringList paths;
    for (const QString &entry : GetParam().entries)
        paths += work.filePath(entry);
    delegate.openFiles(paths);
    const QStringList expected = GetParam().opened.isEmpty()
                                     ? QStringList{}
                                     : QStringList{"setup " + work.filePath(GetParam().opened)};
    EXPECT_EQ(windows.log, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, OpenFiles,
    ::testing::Values(OpenFilesCase{"Nothing", {}, {}},
                      OpenFilesCase{"OneFolder", {"Shoot"}, "Shoot"},
                      OpenFilesCase{"FolderThenFile", {"Shoot", "clip.mov"}, "Shoot"},
                      OpenFilesCase{"FileThenFolder", {"clip.mov", "Shoot"}, {}},
                      OpenFilesCase{"MissingThenFolder", {"gone", "Shoot"}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(AppDelegateTest, TheSingleFileEntrySaysWhetherItOpenedAFolder)
{
    launch();
    EXPECT_TRUE(delegate.openFile(work.path()));
    EXPECT_FALSE(delegate.openFile(work.filePath("gone")));
}

// The shared suite's key at the moment the hand-over signal arrives.
struct HandOverCase {
    const char *name;
    std::optional<QString> stored;
    QString opened;
};

void PrintTo(const HandOverCase &c, std::ostream *os)
{
    *os << c.name;
}

class HandOver : public AppDelegateTest, public ::testing::WithParamInterface<HandOverCase> {};

TEST_P(HandOver, OpensTheSetupWindowOnTheStoredFolderAndLeavesTheKey)
{
    launch();
    if (GetParam().stored) {
        ASSERT_TRUE(Preferences::setSelectedFolderPath(*GetParam().stored, appGroup).ok());
    }
    handOver.handler(std::nullopt);
    ASSERT_TRUE(test::waitUntil([&] { return !windows.log.isEmpty(); }));
    EXPECT_EQ(windows.log, QStringList{"setup " + GetParam().opened});
    EXPECT_EQ(Preferences::selectedFolderPath(appGroup), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HandOver,
    ::testing::Values(HandOverCase{"StoredFolder", "/shoots/X", "/shoots/X"},
                      // No existence test: the failure shows when the user creates.
                      HandOverCase{"FolderThatIsGone", "/shoots/gone", "/shoots/gone"},
                      HandOverCase{"KeyAbsent", std::nullopt, "(none)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(AppDelegateTest, TwoHandOversOpenOneWindowAndBringItForward)
{
    launch();
    ASSERT_TRUE(Preferences::setSelectedFolderPath("/shoots/A", appGroup).ok());
    handOver.handler(std::nullopt);
    ASSERT_TRUE(test::waitUntil([&] { return !windows.log.isEmpty(); }));
    ASSERT_TRUE(Preferences::setSelectedFolderPath("/shoots/B", appGroup).ok());
    handOver.handler(std::nullopt);
    EXPECT_EQ(windows.log, (QStringList{"setup /shoots/A", "front"}));
}

// Hostile shared suites: a burst of hand-overs returns before the file is touched, the loop
// keeps answering, one window opens without a folder, and the file is left as it was.
TEST_F(AppDelegateTest, AHostileSharedSuiteNeitherStallsNorMisleadsTheAgent)
{
    launch();
    appGroup.setReadLimit(qint64(1) << 20);
    const QString path = appGroup.filePath();
    const auto write = [&](const QByteArray &data) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    };
    const std::function<bool()> hostile[] = {
        [&] { return ::mkfifo(QFile::encodeName(path), 0600) == 0; },
        [&] { return QFile::link("/dev/zero", path); },
        [&] { return write(QByteArray(2 << 20, ' ')); },
        [&] { return write(R"({"selectedFolderPath": "/)" + QByteArray(PATH_MAX, 'a') + "\"}"); }};
    for (const std::function<bool()> &make : hostile) {
        QFile::remove(path);
        ASSERT_TRUE(make());
        const QFileInfo before(path);
        for (int i = 0; i < 1000; ++i)
            handOver.handler(std::nullopt);
        EXPECT_EQ(windows.log, QStringList{});
        ASSERT_TRUE(test::waitUntil([&] { return !windows.log.isEmpty(); }));
        EXPECT_EQ(windows.log, QStringList{"setup (none)"});
        const QFileInfo after(path);
        EXPECT_EQ(std::tuple(before.isSymLink(), before.size(), before.lastModified()),
                  std::tuple(after.isSymLink(), after.size(), after.lastModified()));
        delegate.setupWindow()->close();
        windows.log.clear();
    }
}

TEST_F(AppDelegateTest, ACallsFolderWinsOverAnOlderOneInTheSuite)
{
    launch();
    ASSERT_TRUE(Preferences::setSelectedFolderPath("/shoots/old", appGroup).ok());
    handOver.handler(QStringLiteral("/shoots/new"));
    EXPECT_EQ(windows.log, QStringList{"setup /shoots/new"});
}

// The undo log's state when the item is refreshed, and what the item then shows.
struct UndoItemCase {
    const char *name;
    int moved;
    int ageSeconds;
    QString title;
    bool enabled;
};

void PrintTo(const UndoItemCase &c, std::ostream *os)
{
    *os << c.name;
}

class UndoItem : public AppDelegateTest, public ::testing::WithParamInterface<UndoItemCase> {};

TEST_P(UndoItem, ShowsTheCountWhileTheBatchCanBeUndone)
{
    launch();
    recordMoves(GetParam().moved, GetParam().ageSeconds);
    EXPECT_EQ(delegate.undoMenuItem()->text(), GetParam().title);
    EXPECT_EQ(delegate.undoMenuItem()->isEnabled(), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, UndoItem,
    ::testing::Values(UndoItemCase{"Empty", 0, 0, "Ongedaan maken", false},
                      UndoItemCase{"ThreeFilesTwelveSecondsOld", 3, 12,
                                   "Ongedaan maken (3 bestanden verplaatst)", true},
                      UndoItemCase{"OneSecondBeforeTheWindowCloses", 5, 299,
                                   "Ongedaan maken (5 bestanden verplaatst)", true},
                      UndoItemCase{"WindowClosed", 5, 300, "Ongedaan maken", false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(AppDelegateTest, TheItemFollowsTheLogsChanges)
{
    launch();
    recordMoves(2, 0);
    // No timer: past the window the item still offers the undo until the log changes.
    clock.current = clock.current.addSecs(400);
    EXPECT_EQ(delegate.undoMenuItem()->text(), "Ongedaan maken (2 bestanden verplaatst)");
    EXPECT_TRUE(delegate.undoMenuItem()->isEnabled());
    // Choosing it then does nothing but disable it.
    EXPECT_EQ(delegate.undoNow().value(), QStringList{});
    EXPECT_EQ(delegate.undoMenuItem()->text(), "Ongedaan maken");
    EXPECT_FALSE(delegate.undoMenuItem()->isEnabled());
    EXPECT_TRUE(QFile::exists(work.filePath("project/clip0.mov")));
}

TEST_F(AppDelegateTest, TheMenuUndoPutsTheFilesBackAfterTheMenuHasClosed)
{
    launch();
    recordMoves(5, 10);
    EXPECT_EQ(delegate.undoMenuItem()->text(), "Ongedaan maken (5 bestanden verplaatst)");
    delegate.undoMenuItem()->trigger();
    EXPECT_TRUE(QFile::exists(work.filePath("project/clip0.mov")));
    QCoreApplication::processEvents();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(QFile::exists(work.filePath(QStringLiteral("clip%1.mov").arg(i))));
    EXPECT_EQ(delegate.undoMenuItem()->text(), "Ongedaan maken");
    EXPECT_FALSE(delegate.undoMenuItem()->isEnabled());
}

TEST_F(AppDelegateTest, AnUndoRequestTellsWhatItPutBack)
{
    launch();
    recordMoves(2, 10);
    QFile::remove(work.filePath("project/clip1.mov"));
    EXPECT_EQ(delegate.undoNow().value(), QStringList{work.filePath("clip0.mov")});
    EXPECT_TRUE(QFile::exists(work.filePath("clip0.mov")));

    // clip0.mov is back where the next move would return it: that undo fails and says why.
    recordMoves(1, 10);
    EXPECT_FALSE(delegate.undoNow());
    ASSERT_EQ(notifier.posted.size(), 1);
    EXPECT_TRUE(notifier.posted[0].startsWith("Ongedaan maken mislukt | "))
        << notifier.posted[0].toStdString();
    EXPECT_TRUE(delegate.undoMenuItem()->isEnabled());
}

TEST_F(AppDelegateTest, ARunInTheAgentNotifiesAndReveals)
{
    launch();
    delegate.openProjectSetup(std::nullopt);
    ASSERT_EQ(windows.hosts.size(), 1u);
    WorkflowHost &host = *windows.hosts.front();
    host.sendSuccessNotification("A, B", "/shoots");
    host.revealInFileManager("/shoots/2026-12-07_A");
    EXPECT_EQ(notifier.posted, QStringList{"Structuur aangemaakt ✓ | A, B"});
    EXPECT_EQ(fileManager.revealed, QStringList{"/shoots/2026-12-07_A"});
}

TEST_F(AppDelegateTest, TheImportRowOpensOneOffloadWindowAfterOnboarding)
{
    launch(false);
    delegate.openOffload(QStringLiteral("/shoots/P"), std::nullopt);
    windows.finishOnboarding();
    const QList<QAction *> rows = delegate.menu()->actions();
    ASSERT_EQ(rows.value(1), row(AppDelegate::offloadTitle));
    EXPECT_EQ(rows.value(0), row(AppDelegate::newProjectTitle));
    row(AppDelegate::offloadTitle)->trigger();
    EXPECT_EQ(windows.log, (QStringList{"onboarding", "front", "offload /shoots/P", "front"}));
}

TEST_F(AppDelegateTest, TheImportRowGoesIntoTheNewestProjectWhileItExists)
{
    launch();
    const QString project = work.filePath("2026-12-09_Shoot");
    QDir().mkpath(project);
    delegate.sendSuccessNotification("2026-12-09_Shoot", project);
    row(AppDelegate::offloadTitle)->trigger();
    windows.windows.clear();
    QDir(project).removeRecursively();
    row(AppDelegate::offloadTitle)->trigger();
    EXPECT_EQ(windows.log, (QStringList{"offload " + project, "offload (none)"}));
}

TEST_F(AppDelegateTest, TheTrayShowsEveryJobAndCancelsIt)
{
    launch();
    JobRegistry jobs;
    delegate.showJobs(jobs);
    int cancels = 0;
    const QString id = jobs.add("Kaart importeren", JobRegistry::Unit::bytes, [&] { ++cancels; });
    jobs.add("Verifiëren", JobRegistry::Unit::files, [] {});
    jobs.setProgress(id, 45, 100);
    const QList<QAction *> rows = delegate.menu()->actions();
    ASSERT_GE(rows.size(), 6);
    EXPECT_TRUE(rows[0]->text().startsWith("Kaart importeren: 45%"))
        << rows[0]->text().toStdString();
    EXPECT_FALSE(rows[0]->isEnabled());
    EXPECT_EQ(rows[1]->text(), AppDelegate::cancelJobTitle);
    EXPECT_EQ(rows[2]->text(), "Verifiëren: bezig");
    EXPECT_TRUE(rows[4]->isSeparator());
    EXPECT_EQ(rows[5], row(AppDelegate::newProjectTitle));
    EXPECT_TRUE(statusItem.toolTip.startsWith("Kaart importeren: 45%"))
        << statusItem.toolTip.toStdString();
    EXPECT_TRUE(statusItem.toolTip.endsWith("\nVerifiëren: bezig"));
    rows[1]->trigger();
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(delegate.menu()->actions()[1]->isEnabled()) << "asked once";

    for (const JobRegistry::Job &job : jobs.jobs())
        jobs.remove(job.id);
    EXPECT_EQ(delegate.menu()->actions().first(), row(AppDelegate::newProjectTitle));
    EXPECT_EQ(statusItem.toolTip, "Brindlepath");
}

TEST_F(AppDelegateTest, AnOffloadRunIsAJobThenANotification)
{
    launch();
    JobRegistry jobs;
    delegate.showJobs(jobs);
    std::shared_ptr<QPromise<offload::OffloadOutcome>> run;
    int cancels = 0;
    OffloadModel model({[&](const offload::OffloadRequest &, offload::OffloadProgressFunction) {
                            run = std::make_shared<QPromise<offload::OffloadOutcome>>();
                            run->start();
                            return run->future();
                        },
                        [&] { ++cancels; }});
    delegate.trackOffload(model);
    model.chooseFolder(work.path());
    model.setDestination(configDir.filePath("into"));
    const auto finish = [&](const offload::OffloadOutcome &outcome) {
        run->addResult(outcome);
        run->finish();
        QCoreApplication::processEvents();
    };

    ASSERT_TRUE(model.start());
    ASSERT_EQ(jobs.jobs().size(), 1);
    EXPECT_TRUE(jobs.cancel(jobs.jobs().first().id));
    EXPECT_EQ(cancels, 1);
    offload::OffloadOutcome done;
    done.files = 2;
    done.bytes = 2'500'000'000;
    done.durationMs = 2000;
    done.destinations = {{configDir.filePath("into"), {}, {}, {}}};
    finish(done);
    EXPECT_TRUE(jobs.jobs().isEmpty());

    ASSERT_TRUE(model.start());
    offload::OffloadOutcome failed = done;
    failed.destinations[0].files = {{"C/clip.mov",
                                     "C/clip.mov",
                                     1,
                                     "ab",
                                     offload::FileState::failed,
                                     offload::FileResult::Problem::mismatch,
                                     {}}};
    finish(failed);
    EXPECT_EQ(notifier.posted,
              (QStringList{"Kaart geïmporteerd ✓ | 2 bestanden, 2,5 GB in 2 s",
                           "Kaart importeren mislukt | C/clip.mov: kopie wijkt af van de bron"}));
}

TEST_F(AppDelegateTest, TheCallersTokenGoesToTheWindowsBeforeTheRequest)
{
    launch();
    delegate.setActivationToken("token-7");
    delegate.openSettings();
    EXPECT_EQ(windows.log, (QStringList{"token token-7", "settings"}));
}

} // namespace
