#include "views/OffloadWindow.h"
#include "app/StandaloneWindowHost.h"
#include "platform/CardWatcher.h"
#include "workflow/OffloadModel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPromise>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

using namespace bp;
using offload::FileResult;
using offload::FileState;

TEST(OffloadWindow, TheResultListsEveryFileThatWasNotSimplyCopied)
{
    QTemporaryDir tmp;
    auto run = std::make_shared<QPromise<offload::OffloadOutcome>>();
    OffloadModel model({[run](const offload::OffloadRequest &, offload::OffloadProgressFunction) {
                            run->start();
                            return run->future();
                        },
                        [] {}});
    OffloadWindow window(model);
    model.chooseFolder(tmp.path());
    model.setDestination(tmp.path() + "-copy");
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    ASSERT_EQ(model.state(), OffloadModel::State::running);

    offload::OffloadOutcome outcome;
    outcome.request = model.request();
    outcome.destinations = {
        {tmp.path() + "-copy",
         {{"a.mov", "a.mov", 1, "1", FileState::verified, {}, {}},
          {"b.mov", "b_2.mov", 1, "2", FileState::renamed, {}, "b.mov"},
          {"c.mov", "c.mov", 1, "3", FileState::failed, FileResult::Problem::mismatch, {}},
          {"d", "d", 0, {}, FileState::skipped, FileResult::Problem::notRegular, {}},
          {"e.wav", "e.wav", 1, "5", FileState::alreadyThere, {}, {}}},
         {},
         {}}};
    run->addResult(outcome);
    run->finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.outcome().has_value(); }));

    QStringList lines;
    for (int i = 0; i < window.resultList()->count(); ++i)
        lines << window.resultList()->item(i)->text();
    EXPECT_EQ(lines, (QStringList{"b.mov: naam was bezet, bewaard als b_2.mov",
                                  "c.mov: kopie wijkt af van de bron",
                                  "d: geen gewoon bestand, overgeslagen", "e.wav: stond er al"}));
    EXPECT_EQ(window.findChild<QLabel *>("runTitle")->text(), "Kaart importeren mislukt");
    EXPECT_TRUE(window.findChild<QLabel *>("summary")->text().contains("c.mov"));
}

// Without the agent, the import offered after a project still lists the cards mounted now.
TEST(OffloadWindow, OpenedWithoutTheAgentTakesTheMountedCard)
{
    struct Files final : FileManager {
        void reveal(const QString &) override {}
    } files;
    struct Cards final : CardWatcher {
        QList<offload::CardInfo> mounted;
        QList<offload::CardInfo> cards() const override { return mounted; }
    } cards;
    QTemporaryDir tmp;
    QDir(tmp.path()).mkpath("card/DCIM");
    QDir(tmp.path()).mkpath("Shoot/03_Photos");
    cards.mounted = {*offload::recogniseCard(tmp.filePath("card"), "EOS")};
    StandaloneWindowHost host(files, &cards);
    host.openOffload(tmp.filePath("Shoot"));
    auto *window = qobject_cast<OffloadWindow *>(host.offloadWindow());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->model().source(), tmp.filePath("card"));
    EXPECT_TRUE(window->model().destination().startsWith(tmp.filePath("Shoot/")));
    window->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host.offloadWindow(); }));
}
