#include "SortTestSupport.h"
#include "sorting/FileMove.h"
#include "sorting/FileSorterDetail.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bp {
namespace {

using test::contentsBelow;
using test::readFile;
using test::writeFile;

QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

using test::setImmutable;

class SortFailureTest;

struct FailureCase {
    const char *name;
    // Prepares the scenario; returns why it cannot run here, or nothing.
    std::function<QString(SortFailureTest &)> setup;
    QList<int> errors; // any of these is right
    QStringList left;  // the files it keeps from being moved
};

void PrintTo(const FailureCase &c, std::ostream *os)
{
    *os << c.name;
}

// Three files, of which the scenario makes some impossible to move. Afterwards no file may be
// lost or overwritten, the others must be moved and each file left behind reported.
class SortFailureTest : public ::testing::TestWithParam<FailureCase> {
public:
    QString root;
    QString source;
    QString project;
    FileSorter::SortHooks hooks;
    QList<QByteArray> removedByScenario;
    std::vector<std::function<void()>> cleanups;

    // Makes folder unwritable, for root too where the file system allows.
    QString makeReadOnly(const QString &folder)
    {
        if (::geteuid() != 0) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            cleanups.push_back([folder] {
                QFile::setPermissions(folder,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            });
            return {};
        }
        if (const int err = setImmutable(folder, true))
            return "root ignores permissions and the immutable attribute cannot be set here: " +
                   systemError(err);
        cleanups.push_back([folder] { setImmutable(folder, false); });
        return {};
    }

protected:
    void SetUp() override
    {
        root = m_dir.path();
        source = root;
        project = root + "/P";
    }
    void TearDown() override
    {
        for (auto it = cleanups.rbegin(); it != cleanups.rend(); ++it)
            (*it)();
    }

private:
    QTemporaryDir m_dir;
};

void addFiles(SortFailureTest &t)
{
    QDir().mkpath(t.project + "/01_Footage");
    for (const char *name : {"a.mov", "b.wav", "c.pdf"})
        writeFile(t.source + '/' + name, QByteArray("content of ") + name);
}

TEST_P(SortFailureTest, ReportsEachFileLeftBehindAndMovesTheOthers)
{
    if (const QString skip = GetParam().setup(*this); !skip.isEmpty())
        GTEST_SKIP() << skip.toStdString();
    QList<QByteArray> before = contentsBelow(root);
    for (const QByteArray &gone : std::as_const(removedByScenario))
        before.removeOne(gone);

    const SortOutcome outcome = FileSorter::sortFiles(source, project, hooks);

    QStringList left;
    for (const SortFailure &f : outcome.failed) {
        left << QFileInfo(f.source).fileName();
        EXPECT_TRUE(GetParam().errors.contains(f.error.code)) << f.error.message.toStdString();
        EXPECT_TRUE(f.error.message.endsWith(": " + systemError(f.error.code)));
    }
    EXPECT_EQ(left, GetParam().left);
    ASSERT_EQ(outcome.records.size(), 3 - left.size());
    EXPECT_EQ(outcome.records[0].destination, project + "/01_Footage/a.mov");
    EXPECT_EQ(readFile(project + "/01_Footage/a.mov"), "content of a.mov");
    EXPECT_EQ(contentsBelow(root), before);
}

QString readOnlyExistingFolder(SortFailureTest &t)
{
    addFiles(t);
    QDir().mkpath(t.project + "/02_Audio");
    return t.makeReadOnly(t.project + "/02_Audio");
}

QString readOnlyProject(SortFailureTest &t)
{
    addFiles(t);
    return t.makeReadOnly(t.project);
}

QString fileInPlaceOfFolder(SortFailureTest &t)
{
    addFiles(t);
    writeFile(t.project + "/02_Audio", "a file named like the folder");
    return {};
}

QString sourceDeletedDuringRun(SortFailureTest &t)
{
    addFiles(t);
    t.removedByScenario << "content of b.wav";
    t.hooks.beforeMove = [](const QString &source, const QString &) {
        if (source.endsWith("/b.wav"))
            QFile::remove(source);
    };
    return {};
}

// A small tmpfs filled to the last block and inode, so that the next folder cannot be made.
QString fullDisk(SortFailureTest &t)
{
    const QByteArray mountPoint = QFile::encodeName(t.root);
    if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k,nr_inodes=32") != 0)
        return "needs permission to mount a tmpfs (root or CAP_SYS_ADMIN): " + systemError(errno);
    t.cleanups.push_back([mountPoint] { ::umount2(mountPoint.constData(), MNT_DETACH); });
    addFiles(t);
    QFile filler(t.root + "/filler");
    if (!filler.open(QIODevice::WriteOnly))
        return "cannot write on the tmpfs";
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();
    for (int n = 0; writeFile(t.root + QString::asprintf("/inode%d", n), QByteArray::number(n));
         ++n) {
    }
    return {};
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, SortFailureTest,
    ::testing::Values(
        FailureCase{
            "ReadOnlyDestinationFolder", readOnlyExistingFolder, {EPERM, EACCES}, {"b.wav"}},
        FailureCase{"ReadOnlyProjectFolder", readOnlyProject, {EPERM, EACCES}, {"b.wav", "c.pdf"}},
        FailureCase{"FileInPlaceOfFolder", fileInPlaceOfFolder, {EEXIST, ENOTDIR}, {"b.wav"}},
        FailureCase{"SourceDeletedDuringRun", sourceDeletedDuringRun, {ENOENT}, {"b.wav"}},
        FailureCase{"FullDisk", fullDisk, {ENOSPC}, {"b.wav", "c.pdf"}}),
    [](const auto &info) { return std::string(info.param.name); });

// Each way of moving, tried on the local disk; CrossFileSystemTest covers the file systems
// that need them.
struct MoveWay {
    const char *name;
    std::function<Result<void>(const QString &, const QString &)> move;
    bool movesSpecialFiles; // renames move anything, links and copies only files and links
};

void PrintTo(const MoveWay &way, std::ostream *os)
{
    *os << way.name;
}

class NoReplaceMoveTest : public ::testing::TestWithParam<MoveWay> {
protected:
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(name); }
    Result<void> move(const char *from, const char *to) const
    {
        return GetParam().move(path(from), path(to));
    }
};

TEST_P(NoReplaceMoveTest, MovesAFileKeepingItsTimeAndPermissions)
{
    writeFile(path("a"), "a");
    ASSERT_EQ(::chmod(QFile::encodeName(path("a")).constData(), 0440), 0);
    const QDateTime time(QDate(2020, 2, 29), QTime(10, 11, 12, 345), Qt::UTC);
    QFile file(path("a"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(time, QFileDevice::FileModificationTime));
    file.close();
    ASSERT_TRUE(move("a", "b").ok());
    EXPECT_FALSE(QFileInfo::exists(path("a")));
    EXPECT_EQ(readFile(path("b")), "a");
    EXPECT_EQ(QFileInfo(path("b")).lastModified().toUTC(), time);
    EXPECT_EQ(test::modeOf(path("b")), 0440);
}

TEST_P(NoReplaceMoveTest, RefusesAnOccupiedDestination)
{
    writeFile(path("a"), "a");
    writeFile(path("b"), "b");
    const Result<void> moved = move("a", "b");
    ASSERT_FALSE(moved.ok());
    EXPECT_EQ(moved.error().code, EEXIST);
    EXPECT_EQ(moved.error().message, path("b") + ": " + systemError(EEXIST));
    EXPECT_EQ(readFile(path("a")), "a");
    EXPECT_EQ(readFile(path("b")), "b");
}

TEST_P(NoReplaceMoveTest, MovesASymlinkNotItsTarget)
{
    writeFile(path("target"), "t");
    ASSERT_EQ(::symlink("target", QFile::encodeName(path("link")).constData()), 0);
    ASSERT_TRUE(move("link", "moved").ok());
    EXPECT_EQ(QFile::symLinkTarget(path("moved")), path("target"));
    EXPECT_FALSE(QFileInfo::exists(path("link")));
    EXPECT_EQ(readFile(path("target")), "t");
}

TEST_P(NoReplaceMoveTest, NamesTheMissingSource)
{
    const Result<void> moved = move("none", "b");
    ASSERT_FALSE(moved.ok());
    EXPECT_EQ(moved.error().message, path("none") + ": " + systemError(ENOENT));
    EXPECT_FALSE(QFileInfo::exists(path("b")));
}

TEST_P(NoReplaceMoveTest, LeavesSpecialFilesToRenames)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);
    const Result<void> moved = move("pipe", "moved");
    EXPECT_EQ(moved.ok(), GetParam().movesSpecialFiles);
    if (!moved.ok()) {
        EXPECT_EQ(moved.error().code, EOPNOTSUPP);
    }
    EXPECT_NE(QFileInfo::exists(path("pipe")), QFileInfo::exists(path("moved")));
}

// Another file renamed over the source while it is copied is someone else's: it must stay.
TEST(CopyThenRemoveTest, RefusesASourceReplacedDuringTheCopy)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("a.mov");
    writeFile(source, "a");
    writeFile(dir.filePath("new"), "new");
    const Result<void> moved =
        FileMove::copyThenRemove(source, dir.filePath("b"), [&](qint64, qint64) {
            ::rename(QFile::encodeName(dir.filePath("new")), QFile::encodeName(source));
        });
    EXPECT_EQ(moved.ok() ? 0 : moved.error().code, EBUSY);
    EXPECT_EQ(readFile(source), "new");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("b")));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, NoReplaceMoveTest,
    ::testing::Values(
        MoveWay{"renameat2",
                [](const QString &a, const QString &b) { return FileMove::moveNoReplace(a, b); },
                true},
        MoveWay{"linkThenUnlink", FileMove::linkThenUnlink, false},
        MoveWay{"claimThenRename", FileMove::claimThenRename, false},
        MoveWay{"copyThenRemove",
                [](const QString &a, const QString &b) { return FileMove::copyThenRemove(a, b); },
                false}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace bp
