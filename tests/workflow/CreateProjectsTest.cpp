#include "workflow/CreateProjects.h"
#include "model/ProjectRecord.h"
#include "model/TemplateFiles.h"
#include "sorting/UndoLog.h"
#include "stores/CustomTemplateStore.h"
#include "support/FakeClock.h"
#include "support/TestSupport.h"
#include "workflow/UndoLastSort.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace bp {
namespace {

bool put(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The use cases on their own: private stores, a clock that stands still, no window model.
class UseCases : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    PreferenceSuite suite{"test", tmp.path() + "/config"};
    CustomTemplateStore templates{suite};
    test::FakeClock clock;
    UndoLog undoLog{clock};
    CreateProjects creation{templates, undoLog};
    QString target = tmp.path() + "/Shoots";

    ProjectConfig config(const QString &name, const QString &batch = {})
    {
        QDir().mkpath(target);
        ProjectConfig c;
        c.projectName = name;
        c.batchMode = !batch.isEmpty();
        c.batchNames = batch;
        c.sortExistingFiles = true;
        c.targetFolderURL = target;
        return c;
    }
};

TEST_F(UseCases, ASortedProjectReportsItsMovesAndTheyCanBeUndone)
{
    QFile clip(target + "/clip.mp4");
    QDir().mkpath(target);
    ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
    clip.close();
    int changes = 0;
    QObject::connect(&undoLog, &UndoLog::changed, [&] { ++changes; });

    const CreationOutcome made = test::await(creation.run(config("P"), QDate(2026, 12, 7)));
    ASSERT_TRUE(made.ok());
    EXPECT_EQ(made.projects, QStringList{target + "/2026-12-07_P"});
    ASSERT_EQ(made.moves.size(), 1);
    EXPECT_EQ(undoLog.records(), made.moves);
    EXPECT_EQ(changes, 1);

    const UndoOutcome undone = undoLastSort(undoLog);
    EXPECT_FALSE(undone.error);
    EXPECT_EQ(undone.putBack, QStringList{target + "/clip.mp4"});
    EXPECT_TRUE(clip.exists());
    EXPECT_EQ(changes, 2);
}

TEST_F(UseCases, ACancelledBatchStopsBeforeItsNextProject)
{
    QFuture<CreationOutcome> run = creation.run(config("", "A\nB"));
    creation.cancel();
    const CreationOutcome outcome = test::await(run);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(outcome.projects.isEmpty());
    EXPECT_TRUE(QDir(target).isEmpty());
}

TEST_F(UseCases, ATemplateWithFieldsAndACounterRefusesMissingValuesAndNumbersABatchInOrder)
{
    CustomTemplate custom{QUuid::createUuid(),
                          "Klant",
                          "star.fill",
                          {{QUuid::createUuid(),
                            "{klant}_Deliverables",
                            {{QUuid::createUuid(), "Week {datum:WW}", {}}}},
                           {QUuid::createUuid(), "Raw:Files", {}},
                           {QUuid::createUuid(), "{teller}", {}}},
                          QDateTime(QDate(2026, 1, 1), QTime())};
    custom.projectNamePattern = "{teller}_{klant}_{naam}";
    custom.fields = {{"klant", "Klant", FieldKind::text, true, {}, {}, {}, {}}};
    ASSERT_TRUE(templates.importJSON(CustomTemplateJson::encode({custom})).ok());
    ProjectConfig c = config("", "Zomer\nWinter");
    c.customTemplateID = custom.id;

    const CreationOutcome refused = test::await(creation.run(c, QDate(2026, 12, 7)));
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->kind, Error::Kind::unresolvedName);
    EXPECT_TRUE(refused.error->message.contains("klant"));
    EXPECT_TRUE(QDir(target).isEmpty());

    QDir(target).mkdir("007_Old_Job");
    c.fieldValues = {{"klant", "Nike"}};
    const CreationOutcome made = test::await(creation.run(c, QDate(2026, 12, 7)));
    ASSERT_TRUE(made.ok()) << made.error->message.toStdString();
    EXPECT_EQ(made.projects,
              (QStringList{target + "/008_Nike_Zomer", target + "/009_Nike_Winter"}));
    EXPECT_TRUE(QDir(target + "/009_Nike_Winter/Nike_Deliverables/Week 50").exists());
    EXPECT_TRUE(QDir(target + "/009_Nike_Winter/Raw-Files").exists());
    EXPECT_TRUE(QDir(target + "/009_Nike_Winter/009").exists());
}

TEST_F(UseCases, TemplateFilesArriveRenderedOnlyWhereAskedKeepWhatIsThereAndTheProjectIsRecorded)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(tmp.path() + "/data"));
    const QByteArray text =
        "Klant: {klant}\r\nDag: {datum}\r\n{onbekend} {x:y} { klant } \xc3\xa9\n";
    const QByteArray binary = QByteArray("\x89PNG\0{klant}\xff", 13);
    QDir().mkpath(tmp.path() + "/in");
    ASSERT_TRUE(put(tmp.path() + "/in/brief.txt", text));
    ASSERT_TRUE(put(tmp.path() + "/in/logo.png", binary));
    CustomTemplate custom{QUuid::createUuid(),
                          "Met bestanden",
                          "star.fill",
                          {{QUuid::createUuid(), "{klant}_Docs", {}}},
                          QDateTime(QDate(2026, 1, 1), QTime())};
    custom.roots[0].files = {{"Brief {klant}.txt", tmp.path() + "/in/brief.txt", true},
                             {"logo.png", tmp.path() + "/in/logo.png", false}};
    custom.fields = {{"klant", "Klant", FieldKind::text, true, {}, {}, {}, {}}};
    const Result<CustomTemplate> stored = TemplateFiles::storeAll(custom);
    ASSERT_TRUE(stored.ok());
    ASSERT_TRUE(templates.put(stored.value()).ok());
    EXPECT_EQ(templates.templates().constFirst().roots[0].files[0].source, "brief.txt");

    // A project merged into: the logo the user already changed stays theirs.
    const QString project = target + "/2026-12-07_P";
    QDir().mkpath(project + "/Nike_Docs");
    ASSERT_TRUE(put(project + "/Nike_Docs/logo.png", "the user's logo"));
    ProjectConfig c = config("P");
    c.sortExistingFiles = false;
    c.customTemplateID = custom.id;
    c.fieldValues = {{"klant", "Nike"}};
    const CreationOutcome made = test::await(creation.run(c, QDate(2026, 12, 7)));
    ASSERT_TRUE(made.ok()) << made.error->message.toStdString();
    EXPECT_EQ(made.filesCopied, 1);
    EXPECT_EQ(made.keptFiles, QStringList{project + "/Nike_Docs/logo.png"});
    EXPECT_EQ(bytes(project + "/Nike_Docs/Brief Nike.txt"),
              "Klant: Nike\r\nDag: 2026-12-07\r\n{onbekend} {x:y} { klant } \xc3\xa9\n");
    EXPECT_EQ(bytes(project + "/Nike_Docs/logo.png"), "the user's logo");

    const Result<ProjectRecord> record = ProjectRecord::read(project);
    ASSERT_TRUE(record.ok()) << record.error().message.toStdString();
    EXPECT_EQ(record.value().customTemplateID, custom.id);
    EXPECT_EQ(record.value().name, "P");
    EXPECT_EQ(record.value().date, QDate(2026, 12, 7));
    EXPECT_EQ(record.value().fieldValues, c.fieldValues);

    // A second project copies the binary byte for byte; a text that is not UTF-8 is refused.
    c.projectName = "Q";
    ASSERT_TRUE(test::await(creation.run(c, QDate(2026, 12, 7))).ok());
    EXPECT_EQ(bytes(target + "/2026-12-07_Q/Nike_Docs/logo.png"), binary);
    ASSERT_TRUE(put(TemplateFiles::ownFolder(custom.id) + "/brief.txt", "\xff{klant}"));
    c.projectName = "R";
    const CreationOutcome refused = test::await(creation.run(c, QDate(2026, 12, 7)));
    ASSERT_TRUE(refused.error);
    EXPECT_FALSE(QFile::exists(target + "/2026-12-07_R/Nike_Docs/Brief Nike.txt"));

    // Deleting the template takes its files along.
    ASSERT_TRUE(templates.remove(custom.id).ok());
    EXPECT_FALSE(QFileInfo::exists(TemplateFiles::ownFolder(custom.id)));
}

} // namespace
} // namespace bp
