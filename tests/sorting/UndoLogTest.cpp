#include "sorting/UndoLog.h"
#include "SortTestSupport.h"
#include "sorting/FileSorter.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

namespace bp {
namespace {

using test::FakeClock;
using test::readFile;
using test::writeFile;

class UndoLogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString source = dir.filePath("shoot");
    QString project = dir.filePath("shoot/2026-12-07_Shoot");
    FakeClock clock;
    UndoLog log{clock};

    // Sorts the given files and records the moves; the clock then reads seconds later.
    void sortAndRecord(const QStringList &names, double seconds = 10)
    {
        for (const QString &name : names)
            ASSERT_TRUE(writeFile(source + '/' + name, name.toUtf8()));
        QDir().mkpath(project);
        const SortOutcome outcome = FileSorter::sortFiles(source, project);
        ASSERT_TRUE(outcome.ok());
        ASSERT_EQ(outcome.records.size(), names.size());
        log.record(outcome.records);
        after(seconds);
    }
    void after(double seconds)
    {
        clock.current = log.records().constFirst().timestamp.addMSecs(qint64(seconds * 1000));
    }
    bool restored(const QString &name) const
    {
        return readFile(source + '/' + name) == name.toUtf8();
    }
};

TEST_F(UndoLogTest, PutsEveryFileBackNewestFirstAndEmpties)
{
    // The same file moved twice: only newest-first brings it home.
    writeFile(dir.filePath("home/a.wav"), "a");
    const QDateTime t = QDateTime::currentDateTimeUtc();
    QDir().mkpath(dir.filePath("one"));
    QDir().mkpath(dir.filePath("two"));
    ASSERT_TRUE(QFile::rename(dir.filePath("home/a.wav"), dir.filePath("one/a.wav")));
    ASSERT_TRUE(QFile::rename(dir.filePath("one/a.wav"), dir.filePath("two/a.wav")));
    log.record({{dir.filePath("home/a.wav"), dir.filePath("one/a.wav"), t},
                {dir.filePath("one/a.wav"), dir.filePath("two/a.wav"), t.addSecs(1)}});
    after(10);
    QSignalSpy changed(&log, &UndoLog::changed);

    ASSERT_TRUE(log.canUndo());
    ASSERT_TRUE(log.undo().ok());

    EXPECT_EQ(readFile(dir.filePath("home/a.wav")), "a");
    EXPECT_EQ(log.movedCount(), 0);
    EXPECT_FALSE(log.canUndo());
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(UndoLogTest, SkipsFilesTheUserRemoved)
{
    sortAndRecord({"a.mov", "b.wav", "c.pdf"});
    QFile::remove(log.records()[1].destination);

    ASSERT_TRUE(log.undo().ok());

    EXPECT_TRUE(restored("a.mov"));
    EXPECT_FALSE(QFileInfo::exists(source + "/b.wav"));
    EXPECT_TRUE(restored("c.pdf"));
    EXPECT_EQ(log.movedCount(), 0);
}

TEST_F(UndoLogTest, RecreatesTheSourceFolder)
{
    project = dir.filePath("elsewhere/P");
    sortAndRecord({"a.mov", "b.wav"});
    ASSERT_TRUE(QDir(source).removeRecursively());

    ASSERT_TRUE(log.undo().ok());

    EXPECT_TRUE(restored("a.mov"));
    EXPECT_TRUE(restored("b.wav"));
}

TEST_F(UndoLogTest, OccupiedSourceStopsKeepingRecordsUntilRetried)
{
    sortAndRecord({"a.mov", "b.wav", "c.pdf"});
    const QList<MoveRecord> records = log.records();
    writeFile(source + "/b.wav", "newcomer");

    const Result<void> first = log.undo();

    ASSERT_FALSE(first.ok());
    EXPECT_EQ(first.error().code, EEXIST);
    EXPECT_TRUE(restored("c.pdf"));
    EXPECT_EQ(readFile(source + "/b.wav"), "newcomer");
    EXPECT_EQ(readFile(records[1].destination), "b.wav");
    EXPECT_EQ(readFile(records[0].destination), "a.mov");
    EXPECT_EQ(log.records(), records);
    EXPECT_TRUE(log.canUndo());

    QFile::remove(source + "/b.wav");
    ASSERT_TRUE(log.undo().ok());
    for (const char *name : {"a.mov", "b.wav", "c.pdf"})
        EXPECT_TRUE(restored(name)) << name;
    EXPECT_EQ(log.movedCount(), 0);
}

TEST_F(UndoLogTest, SecondRecordReplacesTheFirst)
{
    sortAndRecord({"a.mov"});
    const QString firstDestination = log.records()[0].destination;
    sortAndRecord({"b.wav"});
    ASSERT_EQ(log.movedCount(), 1);

    ASSERT_TRUE(log.undo().ok());

    EXPECT_TRUE(restored("b.wav"));
    EXPECT_EQ(readFile(firstDestination), "a.mov");
}

TEST_F(UndoLogTest, EmptyLogHasNothingToUndo)
{
    QSignalSpy changed(&log, &UndoLog::changed);
    log.record({});
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(log.canUndo());
    EXPECT_TRUE(log.undo().ok());
    EXPECT_EQ(&UndoLog::shared(), &UndoLog::shared());
}

struct WindowCase {
    double seconds;
    bool undoable;
};

void PrintTo(const WindowCase &c, std::ostream *os)
{
    *os << c.seconds << " s";
}

class UndoWindowTest : public UndoLogTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(UndoWindowTest, UndoOnlyWithinFiveMinutesOfTheFirstMove)
{
    sortAndRecord({"a.mov", "b.wav"}, GetParam().seconds);
    const QList<MoveRecord> records = log.records();

    EXPECT_EQ(log.canUndo(), GetParam().undoable);
    ASSERT_TRUE(log.undo().ok());

    if (GetParam().undoable) {
        EXPECT_TRUE(restored("a.mov"));
        EXPECT_EQ(log.movedCount(), 0);
    } else {
        EXPECT_EQ(readFile(records[0].destination), "a.mov");
        EXPECT_EQ(log.records(), records);
    }
}

INSTANTIATE_TEST_SUITE_P(Boundary, UndoWindowTest,
                         ::testing::Values(WindowCase{0, true}, WindowCase{299, true},
                                           WindowCase{299.999, true}, WindowCase{300, false},
                                           WindowCase{301, false}, WindowCase{-5, true}),
                         [](const auto &info) {
                             // "after299_999s", or "clockBack5s" when the clock went back.
                             const double s = info.param.seconds;
                             std::string name = (s < 0 ? "clockBack" : "after") +
                                                QString::number(std::abs(s)).toStdString() + "s";
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

} // namespace
} // namespace bp
