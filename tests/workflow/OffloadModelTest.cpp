#include "workflow/OffloadModel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPromise>
#include <QTemporaryDir>

#include <thread>

using namespace bp;
using Problem = OffloadModel::Problem;

namespace {

// Records what the model asks and lets the test play the copying thread.
struct FakeRun {
    offload::OffloadRequest request;
    offload::OffloadProgressFunction progress;
    std::shared_ptr<QPromise<offload::OffloadOutcome>> promise;
    int cancels = 0;

    OffloadModel::Runner runner()
    {
        return {[this](const offload::OffloadRequest &r, offload::OffloadProgressFunction p) {
                    request = r;
                    progress = std::move(p);
                    promise = std::make_shared<QPromise<offload::OffloadOutcome>>();
                    promise->start();
                    return promise->future();
                },
                [this] { ++cancels; }};
    }
    void end(offload::OffloadOutcome outcome)
    {
        promise->addResult(outcome);
        promise->finish();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST(OffloadModel, ValidatesSourceAndDestinations)
{
    QTemporaryDir tmp;
    const QString card = tmp.path() + "/CARD";
    const QString project = tmp.path() + "/Project";
    QDir().mkpath(card);
    FakeRun fake;
    OffloadModel model(fake.runner());
    EXPECT_EQ(model.problem(), Problem::noSource);

    model.setCards({{card, "A001", offload::CardKind::video, "DCIM"}});
    model.chooseCard(tmp.path() + "/gone");
    EXPECT_EQ(model.problem(), Problem::sourceMissing);
    model.chooseCard(card);
    EXPECT_EQ(model.problem(), Problem::noDestination);

    // The project gives the default, which follows the source until the user picks one.
    model.setProject(project);
    EXPECT_EQ(model.destination(), project + "/A001");
    EXPECT_EQ(model.problem(), Problem::none);
    model.setDestination(card + "/sub");
    EXPECT_EQ(model.problem(), Problem::destinationInSource);
    model.setDestination(project + "/x");
    model.setSecondDestination(card);
    EXPECT_EQ(model.problem(), Problem::destinationInSource);
    model.setSecondDestination(project + "/x/");
    EXPECT_EQ(model.problem(), Problem::sameDestinations);
    model.setSecondDestination(tmp.path() + "/Backup");
    EXPECT_EQ(model.problem(), Problem::none);
    model.chooseFolder(tmp.path() + "/Project");
    EXPECT_EQ(model.destination(), project + "/x");

    // A chosen folder with a camera's layout goes where that card kind goes.
    OffloadModel chosen(fake.runner());
    QDir().mkpath(project + "/03_Photos");
    QDir().mkpath(tmp.path() + "/EOS/DCIM/100CANON");
    chosen.setProject(project);
    chosen.chooseFolder(tmp.path() + "/EOS");
    EXPECT_EQ(chosen.destination(), project + "/03_Photos");

    // A card behind a link is still the card.
    ASSERT_TRUE(QFile::link(card, tmp.path() + "/link"));
    model.chooseFolder(tmp.path() + "/link");
    model.setDestination(card + "/in");
    EXPECT_EQ(model.problem(), Problem::destinationInSource);
}

TEST(OffloadModel, RunsReportsAndCancels)
{
    QTemporaryDir tmp;
    QDir().mkpath(tmp.path() + "/CARD");
    FakeRun fake;
    OffloadModel model(fake.runner());
    model.chooseFolder(tmp.path() + "/CARD");
    model.setDestination(tmp.path() + "/Into");
    model.setSecondDestination(tmp.path() + "/Also");
    model.setHash(offload::HashKind::xxh64);
    model.setVerify(false);
    ASSERT_TRUE(model.start());
    EXPECT_EQ(fake.request.destinations, QStringList({tmp.path() + "/Into", tmp.path() + "/Also"}));
    EXPECT_EQ(fake.request.hash, offload::HashKind::xxh64);
    EXPECT_FALSE(fake.request.verify);
    EXPECT_FALSE(model.start()) << "one run at a time";

    // Reports from the copying thread arrive on this one, the newest only.
    std::thread worker([&] {
        for (int done = 1; done <= 3; ++done)
            fake.progress({done * 10, 100, done, 10, "f", 1e9, 3});
    });
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(model.progress().bytesDone, 30);

    model.cancel();
    model.cancel();
    EXPECT_EQ(fake.cancels, 1);
    EXPECT_TRUE(model.isCancelling());
    offload::OffloadOutcome outcome;
    outcome.cancelled = true;
    fake.end(outcome);
    EXPECT_EQ(model.state(), OffloadModel::State::finished);
    ASSERT_TRUE(model.outcome());
    EXPECT_TRUE(model.outcome()->cancelled);
    EXPECT_FALSE(model.isCancelling());
    // A late report does not move a finished run back.
    fake.progress({1, 100, 1, 10, "f", 1, 3});
    QCoreApplication::processEvents();
    EXPECT_EQ(model.progress().bytesDone, 30);
    EXPECT_TRUE(model.start()) << "a new run after the end";
}
