#include "workflow/ProjectSetupModel.h"
#include "model/FolderCreator.h"
#include "model/ProjectRecord.h"
#include "sorting/MountSupport.h"
#include "sorting/UndoLog.h"
#include "stores/CustomTemplateStore.h"
#include "stores/Preferences.h"
#include "stores/RecentFoldersStore.h"
#include "stores/SharedTemplateLibrary.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>
#include <QTemporaryDir>

using namespace bp;
using test::RecordingHost;

namespace {

const QDate shootDay(2026, 12, 7);

void touch(const QString &path, const QByteArray &content = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

class Workflow : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    PreferenceSuite suite{"test", tmp.path() + "/config"};
    PreferenceSuite group{"group", tmp.path() + "/config"};
    CustomTemplateStore templates{suite};
    RecentFoldersStore recent{suite};
    UndoLog undoLog;
    RecordingHost host;
    QString target = tmp.path() + "/Shoots";

    std::unique_ptr<ProjectSetupModel> makeModel(std::optional<QString> folder)
    {
        auto model = std::make_unique<ProjectSetupModel>(
            folder, host, Stores{suite, group, templates, recent, undoLog});
        model->setShootDate(shootDay);
        return model;
    }
    std::unique_ptr<ProjectSetupModel> batchModel(const QString &names)
    {
        QDir().mkpath(target);
        auto model = makeModel(target);
        ProjectConfig c = model->config();
        c.batchMode = true;
        c.batchNames = names;
        model->setConfig(c);
        return model;
    }
};

struct BatchCase {
    const char *label;
    QString names;
    QStringList foldersOnDisk;
    QString message;
    QString notification;
    QString lastProject;
};

void PrintTo(const BatchCase &c, std::ostream *os)
{
    *os << c.label;
}

class BatchRuns : public Workflow, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(BatchRuns, CreateEveryNameAndReportTheCount)
{
    auto model = batchModel(GetParam().names);
    ASSERT_TRUE(model->canCreate());
    waitForFinished(model->createStructure());
    EXPECT_FALSE(model->errorMessage());
    EXPECT_EQ(entries(target), GetParam().foldersOnDisk);
    EXPECT_EQ(model->successMessage(), GetParam().message);
    EXPECT_TRUE(model->showSuccess());
    const QString last = "2026-12-07_" + GetParam().lastProject;
    EXPECT_EQ(host.calls, (QStringList{"notify:" + GetParam().notification + "|" + last,
                                       "pause:800", "reveal:" + last, "close"}));
}

INSTANTIATE_TEST_SUITE_P(Names, BatchRuns,
                         ::testing::Values(BatchCase{"blanksAndDuplicates",
                                                     "Alpha\n\n  Beta  \nAlpha\n",
                                                     {"2026-12-07_Alpha", "2026-12-07_Beta"},
                                                     "3 projecten aangemaakt!",
                                                     "Alpha, Beta, Alpha",
                                                     "Alpha"},
                                           BatchCase{"oneUsableLine",
                                                     "\n  Solo \n \n",
                                                     {"2026-12-07_Solo"},
                                                     "1 project aangemaakt!",
                                                     "Solo",
                                                     "Solo"},
                                           BatchCase{"lastNameRevealed",
                                                     "B\nA",
                                                     {"2026-12-07_A", "2026-12-07_B"},
                                                     "2 projecten aangemaakt!",
                                                     "B, A",
                                                     "A"}),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(Workflow, BatchFailureKeepsEarlierProjectsAndNotifiesNothing)
{
    auto model = batchModel("A\nB\nC\nD\nE");
    touch(target + "/2026-12-07_C"); // a file where the third project folder goes
    waitForFinished(model->createStructure());
    ASSERT_TRUE(model->errorMessage());
    EXPECT_EQ(*model->errorMessage(), target + "/2026-12-07_C: File exists");
    EXPECT_EQ(entries(target), (QStringList{"2026-12-07_A", "2026-12-07_B", "2026-12-07_C"}));
    EXPECT_TRUE(QFileInfo(target + "/2026-12-07_C").isFile());
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_FALSE(model->isCreating());
    EXPECT_FALSE(model->showSuccess());
    EXPECT_TRUE(model->canCreate());
}

TEST_F(Workflow, BatchModeNeverSortsAndKeepsTheUndoLog)
{
    auto model = batchModel("A\nB");
    touch(target + "/clip.mp4");
    const MoveRecord earlier{"/old/a", "/old/b", QDateTime::currentDateTimeUtc()};
    undoLog.record({earlier});
    ProjectConfig c = model->config();
    ASSERT_TRUE(c.sortExistingFiles);
    waitForFinished(model->createStructure());
    EXPECT_TRUE(QFile::exists(target + "/clip.mp4"));
    EXPECT_EQ(undoLog.records(), QList<MoveRecord>{earlier});
}

TEST_F(Workflow, SingleRunSortsRecordsAndFinishesInOrder)
{
    QDir().mkpath(target);
    touch(target + "/clip.mp4");
    touch(target + "/notes.txt");
    auto model = makeModel(target);
    ProjectConfig c = model->config();
    c.projectName = "  Nike  ";
    model->setConfig(c);
    ASSERT_TRUE(model->canCreate());
    waitForFinished(model->createStructure());
    ASSERT_FALSE(model->errorMessage());
    const QString project = target + "/2026-12-07_Nike";
    EXPECT_TRUE(QFile::exists(project + "/01_Footage/clip.mp4"));
    EXPECT_TRUE(QFile::exists(target + "/notes.txt"));
    ASSERT_EQ(undoLog.movedCount(), 1);
    EXPECT_EQ(undoLog.records()[0].destination, project + "/01_Footage/clip.mp4");
    EXPECT_EQ(model->successMessage(), "Structuur aangemaakt!");
    // The notification carries the name as typed; the folder name is trimmed.
    EXPECT_EQ(host.calls, (QStringList{"notify:  Nike  |2026-12-07_Nike", "pause:800",
                                       "reveal:2026-12-07_Nike", "close"}));
}

TEST_F(Workflow, AHostThatOffersAnImportKeepsTheWindowForOneNewProjectOnly)
{
    host.offers = true;
    auto batch = batchModel("A\nB");
    waitForFinished(batch->createStructure());
    EXPECT_FALSE(batch->offloadOffer());
    EXPECT_EQ(host.calls.count("close"), 1);

    host.calls.clear();
    auto model = makeModel(target);
    ProjectConfig c = model->config();
    c.projectName = "Nike";
    model->setConfig(c);
    waitForFinished(model->createStructure());
    ASSERT_EQ(model->offloadOffer(), target + "/2026-12-07_Nike");
    model->importCard();
    EXPECT_EQ(host.calls,
              (QStringList{"notify:Nike|2026-12-07_Nike", "pause:800", "reveal:2026-12-07_Nike",
                           "offload:2026-12-07_Nike", "close"}));
}

TEST_F(Workflow, SortThatMovesNothingEmptiesTheUndoLog)
{
    QDir().mkpath(target);
    undoLog.record({MoveRecord{"/old/a", "/old/b", QDateTime::currentDateTimeUtc()}});
    auto model = makeModel(target);
    ProjectConfig c = model->config();
    c.projectName = "Empty";
    model->setConfig(c);
    waitForFinished(model->createStructure());
    EXPECT_EQ(undoLog.movedCount(), 0);
}

TEST_F(Workflow, SortFailureKeepsMovesMadeBeforeItUndoable)
{
    QDir().mkpath(target + "/2026-12-07_P");
    touch(target + "/2026-12-07_P/02_Audio"); // a file where the audio folder must go
    touch(target + "/a.mp4");
    touch(target + "/b.wav");
    const Result<QUuid> empty = templates.save("Empty", {});
    ASSERT_TRUE(empty.ok());
    auto model = makeModel(target);
    ProjectConfig c = model->config();
    c.projectName = "P";
    c.customTemplateID = empty.value();
    model->setConfig(c);
    waitForFinished(model->createStructure());
    ASSERT_TRUE(model->errorMessage());
    EXPECT_TRUE(model->errorMessage()->contains("02_Audio"));
    ASSERT_EQ(undoLog.movedCount(), 1);
    EXPECT_EQ(undoLog.records()[0].source, target + "/a.mp4");
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_TRUE(QFile::exists(target + "/b.wav"));
    ASSERT_TRUE(undoLog.undo().ok());
    EXPECT_TRUE(QFile::exists(target + "/a.mp4"));
}

TEST_F(Workflow, RunWithoutTargetChangesNothing)
{
    auto model = makeModel(std::nullopt);
    ProjectConfig c = model->config();
    c.projectName = "X";
    model->setConfig(c);
    EXPECT_FALSE(model->canCreate());
    waitForFinished(model->createStructure());
    EXPECT_FALSE(model->isCreating());
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(Workflow, IsCreatingWhileRunningBlocksASecondRun)
{
    QDir().mkpath(target);
    auto model = makeModel(target);
    ProjectConfig c = model->config();
    c.projectName = "X";
    c.sortExistingFiles = false;
    model->setConfig(c);
    QFuture<void> run = model->createStructure();
    EXPECT_TRUE(model->isCreating());
    EXPECT_FALSE(model->canCreate());
    waitForFinished(run);
    EXPECT_FALSE(model->isCreating());
    EXPECT_EQ(host.calls.count("close"), 1);
}

// The project folder is a tmpfs, so that the sort must copy: the status line follows the
// copy and is gone when the run ends.
TEST_F(Workflow, CopyingSortShowsItsProgressUntilTheRunEnds)
{
    QDir().mkpath(target);
    const test::Mount project(test::FileSystemKind::tmpfs, target, "size=64m", "2026-12-07_Big");
    if (!project.ok())
        GTEST_SKIP() << project.error().toStdString();
    QByteArray clip(24 << 20, 'c');
    touch(target + "/big.mov", clip);
    auto model = makeModel(target);
    ProjectConfig c = model->config();
    c.projectName = "Big";
    model->setConfig(c);
    QList<std::optional<QString>> shown;
    QList<SortProgress> copied;
    QObject::connect(model.get(), &ProjectSetupModel::statusMessageChanged,
                     [&] { shown << model->statusMessage(); });
    QObject::connect(model.get(), &ProjectSetupModel::copyProgress,
                     [&](const SortProgress &p) { copied << p; });

    waitForFinished(model->createStructure());

    ASSERT_FALSE(model->errorMessage()) << model->errorMessage()->toStdString();
    EXPECT_EQ(undoLog.movedCount(), 1);
    QFile moved(project.path() + "/01_Footage/big.mov");
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(moved.readAll() == clip);
    // The first report always gets through; later ones are thinned out by time.
    ASSERT_GE(shown.size(), 2);
    EXPECT_EQ(shown.first(), QString("Verplaatsen: big.mov \u2014 8,4 van 25,2 MB"));
    EXPECT_EQ(shown.last(), std::nullopt);
    EXPECT_EQ(model->statusMessage(), std::nullopt);
    ASSERT_FALSE(copied.isEmpty());
    EXPECT_EQ(copied.first().source, target + "/big.mov");
    EXPECT_EQ(copied.first().fileSize, clip.size());
}

struct CanCreateCase {
    const char *label;
    bool batch;
    QString name;
    QString batchNames;
    bool hasTarget;
    bool expected;
};

void PrintTo(const CanCreateCase &c, std::ostream *os)
{
    *os << c.label;
}

class CanCreate : public Workflow, public ::testing::WithParamInterface<CanCreateCase> {};

TEST_P(CanCreate, NeedsANameAndATarget)
{
    auto model = makeModel(GetParam().hasTarget ? std::optional<QString>(target) : std::nullopt);
    ProjectConfig c = model->config();
    c.batchMode = GetParam().batch;
    c.projectName = GetParam().name;
    c.batchNames = GetParam().batchNames;
    model->setConfig(c);
    EXPECT_EQ(model->canCreate(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CanCreate,
    ::testing::Values(CanCreateCase{"name", false, "Nike", "", true, true},
                      CanCreateCase{"spacedName", false, "  Nike ", "", true, true},
                      CanCreateCase{"blankName", false, "   ", "A", true, false},
                      CanCreateCase{"noTarget", false, "Nike", "", false, false},
                      CanCreateCase{"batchNames", true, "", "A\nB", true, true},
                      CanCreateCase{"batchBlank", true, "Nike", " \n\n ", true, false}),
    [](const auto &info) { return std::string(info.param.label); });

struct InitCase {
    const char *label;
    std::optional<QString> storedTemplate;
    std::optional<QString> storedBase;
    std::optional<QString> given;
    PlatformTemplate platform;
    std::optional<QString> target;
};

void PrintTo(const InitCase &c, std::ostream *os)
{
    *os << c.label;
}

class InitialConfig : public Workflow, public ::testing::WithParamInterface<InitCase> {};

TEST_P(InitialConfig, ComesFromPreferencesAndTheGivenFolder)
{
    if (GetParam().storedTemplate) {
        ASSERT_TRUE(suite.setString(PreferenceKeys::defaultTemplate, *GetParam().storedTemplate));
    }
    if (GetParam().storedBase) {
        ASSERT_TRUE(suite.setString(PreferenceKeys::defaultBasePath, *GetParam().storedBase));
    }
    auto model = makeModel(GetParam().given);
    EXPECT_EQ(model->config().platform, GetParam().platform);
    EXPECT_EQ(model->config().type, ProjectType::video);
    EXPECT_EQ(model->config().targetFolderURL, GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(
    Preferences, InitialConfig,
    ::testing::Values(
        InitCase{"nothingStored", {}, {}, {}, PlatformTemplate::tikTokReels, {}},
        InitCase{"storedTemplate", "photoShoot", {}, {}, PlatformTemplate::photoShoot, {}},
        InitCase{"wrongCaseIgnored", "PhotoShoot", {}, {}, PlatformTemplate::tikTokReels, {}},
        InitCase{"baseUsedWithoutFolder",
                 {},
                 "/srv/shoots",
                 {},
                 PlatformTemplate::tikTokReels,
                 "/srv/shoots"},
        InitCase{"givenFolderWins", "youTube", "/srv/shoots", "/home/me/x",
                 PlatformTemplate::youTube, "/home/me/x"}),
    [](const auto &info) { return std::string(info.param.label); });

// The record is read on a worker thread: the window must switch to filling in only then.
TEST_F(Workflow, AProjectAsTargetIsFilledInAndTheSuccessSaysWhatWasAdded)
{
    const QString project = target + "/2026-12-07_P";
    ProjectRecord record;
    record.platform = PlatformTemplate::photoShoot;
    record.extras = {};
    record.name = "P";
    record.date = shootDay;
    QDir().mkpath(project + "/01_RAW");
    ASSERT_TRUE(record.writeNew(project));

    auto model = makeModel(project);
    QEventLoop loop;
    QObject::connect(model.get(), &ProjectSetupModel::existingEntriesChanged, &loop, [&] {
        if (!model->existingEntries().isEmpty())
            loop.quit();
    });
    loop.exec();
    ASSERT_TRUE(model->fillsExisting());
    EXPECT_EQ(model->config().platform, PlatformTemplate::photoShoot);
    EXPECT_TRUE(model->existingEntries().contains("01_RAW"));
    waitForFinished(model->createStructure());
    EXPECT_FALSE(model->errorMessage());
    EXPECT_EQ(model->successMessage(), "4 mappen toegevoegd");
    EXPECT_EQ(host.revealed, QStringList{project});
}

} // namespace

// Creating must not fall back to the built-in structure without a word.
TEST_F(Workflow, ASharedTemplateThatVanishesIsKeptByTheWindowUsingIt)
{
    const QString share = tmp.path() + "/share";
    const CustomTemplate studio{
        QUuid::createUuid(), "Studio", "i", {{QUuid::createUuid(), "Studio-Raw", {}}}, QDateTime()};
    QDir().mkpath(share + "/studio");
    QFile doc(share + "/studio/template.json");
    ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
    doc.write(CustomTemplateJson::encode({studio}));
    doc.close();
    ASSERT_TRUE(suite.setString(SharedTemplateLibrary::preferenceKey, share));
    SharedTemplateLibrary library(suite);
    templates.attachShared(library);
    library.reload();
    auto model = batchModel("A");
    ProjectConfig c = model->config();
    c.customTemplateID = studio.id;
    model->setConfig(c);
    ASSERT_TRUE(model->canCreate() && model->plan().isCustom());
    QDir(share).removeRecursively();
    library.reload();
    ASSERT_TRUE(library.templates().isEmpty());
    EXPECT_TRUE(model->canCreate() && model->plan().isCustom());
    waitForFinished(model->createStructure());
    const QStringList made = QDir(target).entryList({"*_A"}, QDir::Dirs);
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(QDir(target + "/" + made.first() + "/Studio-Raw").exists());
}
