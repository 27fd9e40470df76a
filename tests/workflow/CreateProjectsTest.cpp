#include "workflow/CreateProjects.h"
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

} // namespace
} // namespace bp
