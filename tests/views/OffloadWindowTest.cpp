#include "views/OffloadWindow.h"
#include "workflow/OffloadModel.h"

#include <gtest/gtest.h>

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
