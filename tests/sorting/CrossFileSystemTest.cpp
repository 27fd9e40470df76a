// Sorting and undo on real file systems that refuse RENAME_NOREPLACE and hard links (FAT and
// exFAT through FUSE), and across file systems (tmpfs and the build disk).

#include "MountSupport.h"
#include "SortTestSupport.h"
#include "sorting/FileMove.h"
#include "sorting/FileSorterDetail.h"
#include "sorting/UndoLog.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>
#include <functional>
#include <memory>
#include <sys/stat.h>

namespace bp {
namespace {

using test::contentsBelow;
using test::FileSystemKind;
using test::fingerprints;
using test::modeOf;
using test::Mount;
using test::readFile;
using test::writeFile;

constexpr qint64 MiB = qint64(1) << 20;
const QDateTime shotAt(QDate(2021, 6, 1), QTime(12, 0), Qt::UTC); // even seconds, for FAT

// Distinct bytes per seed, so that a mixed-up or truncated copy shows.
QByteArray pattern(qint64 size, char seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = 2166136261u ^ quint8(seed);
    for (char &c : data) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    return data;
}

void setShotTime(const QString &path)
{
    const timespec t{shotAt.toSecsSinceEpoch(), 0};
    const timespec times[2] = {t, t};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

bool holdsPermissions(FileSystemKind kind)
{
    return kind == FileSystemKind::disk || kind == FileSystemKind::tmpfs;
}

// The shoot folder and the project folder on the file systems of a placement; both on one
// mount when the kinds are equal. The disk side lies in the build folder.
class Placed {
public:
    Placed(FileSystemKind sourceKind, FileSystemKind projectKind,
           const QByteArray &projectTmpfsOptions = "size=64m")
        : m_dir(QDir::currentPath() + "/bp-mounts-XXXXXX")
    {
        m_source = std::make_unique<Mount>(sourceKind, m_dir.path() + "/s");
        if (projectKind != sourceKind)
            m_project =
                std::make_unique<Mount>(projectKind, m_dir.path() + "/p", projectTmpfsOptions);
        source = m_source->path() + "/shoot";
        project = (m_project ? m_project : m_source)->path() + "/2026-12-07_P";
        if (ok()) {
            QDir().mkpath(source);
            QDir().mkpath(project);
        }
    }
    bool ok() const { return m_source->ok() && (!m_project || m_project->ok()); }
    QString skipReason() const
    {
        return "cannot set up " + QString(kindName(m_source->kind())) + ": " +
               (m_source->ok() ? m_project->error() : m_source->error());
    }
    const Mount &sourceMount() const { return *m_source; }
    QStringList contents() const
    {
        return fingerprints(contentsBelow(source) + contentsBelow(project));
    }

    QString source;
    QString project;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Mount> m_source;
    std::unique_ptr<Mount> m_project;
};

struct Placement {
    const char *name;
    FileSystemKind source;
    FileSystemKind project;
    bool crosses() const { return source != project; }
};

void PrintTo(const Placement &c, std::ostream *os)
{
    *os << c.name;
}

class PlacementTest : public ::testing::TestWithParam<Placement> {};

TEST_P(PlacementTest, SortsAndUndoesWithoutReplacingAnything)
{
    const Placement c = GetParam();
    Placed at(c.source, c.project);
    if (!at.ok())
        GTEST_SKIP() << at.skipReason().toStdString();
    // a.mov takes several progress steps; b.wav's name is taken in the project; c.pdf's name
    // is taken by another program while the sorter is at it.
    const QByteArray big = pattern(20 * MiB + 123, 'a');
    ASSERT_TRUE(writeFile(at.source + "/a.mov", big));
    setShotTime(at.source + "/a.mov");
    // FAT keeps no permissions; the others must carry them over.
    (void)::chmod(QFile::encodeName(at.source + "/a.mov").constData(), 0640);
    ASSERT_TRUE(writeFile(at.source + "/b.wav", "b"));
    ASSERT_TRUE(writeFile(at.project + "/02_Audio/b.wav", "earlier b"));
    ASSERT_TRUE(writeFile(at.source + "/c.pdf", "c"));
    const QStringList expected =
        fingerprints(contentsBelow(at.source) + contentsBelow(at.project) << "racer");

    FileSorter::SortHooks hooks;
    hooks.beforeMove = [](const QString &, const QString &destination) {
        if (destination.endsWith("/c.pdf"))
            writeFile(destination, "racer");
    };
    QList<SortProgress> progress;
    hooks.progress = [&](const SortProgress &p) { progress << p; };

    const SortOutcome outcome = FileSorter::sortFiles(at.source, at.project, hooks);

    ASSERT_TRUE(outcome.ok()) << outcome.error->message.toStdString();
    const QString a = at.project + "/01_Footage/a.mov";
    ASSERT_EQ(outcome.records.size(), 3);
    EXPECT_EQ(outcome.records[0].destination, a);
    EXPECT_EQ(outcome.records[1].destination, at.project + "/02_Audio/b_001.wav");
    EXPECT_EQ(outcome.records[2].destination, at.project + "/03_Graphics/c_001.pdf");
    EXPECT_EQ(readFile(at.project + "/03_Graphics/c.pdf"), "racer");
    EXPECT_EQ(readFile(at.project + "/02_Audio/b.wav"), "earlier b");
    EXPECT_EQ(fingerprints({readFile(a)}), fingerprints({big}));
    EXPECT_EQ(at.contents(), expected);
    EXPECT_LE(std::abs(QFileInfo(a).lastModified().secsTo(shotAt)), 2);
    if (holdsPermissions(c.project)) {
        EXPECT_EQ(modeOf(a), 0640);
    }
    // Copies report every 8 MiB and at each file's end; renames report nothing.
    QStringList reported;
    for (const SortProgress &p : std::as_const(progress))
        reported << QString::asprintf("%d/%d %lld of %lld", p.fileIndex + 1, p.fileCount,
                                      p.bytesCopied, p.fileSize);
    const QString size = QString::number(big.size());
    const QStringList copied{"1/3 8388608 of " + size, "1/3 16777216 of " + size,
                             "1/3 " + size + " of " + size, "2/3 1 of 1", "3/3 1 of 1"};
    EXPECT_EQ(reported, c.crosses() ? copied : QStringList());

    // Moving back never replaces either: a newcomer in b.wav's old place stops the undo.
    UndoLog log;
    log.record(outcome.records);
    ASSERT_TRUE(writeFile(at.source + "/b.wav", "newcomer"));
    const Result<void> blocked = log.undo();
    ASSERT_FALSE(blocked.ok());
    EXPECT_EQ(blocked.error().code, EEXIST);
    EXPECT_EQ(readFile(at.source + "/b.wav"), "newcomer");
    EXPECT_EQ(readFile(at.source + "/c.pdf"), "c");
    EXPECT_EQ(log.movedCount(), 3);

    ASSERT_TRUE(QFile::remove(at.source + "/b.wav"));
    ASSERT_TRUE(log.undo().ok());
    EXPECT_EQ(fingerprints({readFile(at.source + "/a.mov")}), fingerprints({big}));
    EXPECT_EQ(readFile(at.source + "/b.wav"), "b");
    EXPECT_LE(std::abs(QFileInfo(at.source + "/a.mov").lastModified().secsTo(shotAt)), 2);
    EXPECT_EQ(fingerprints(contentsBelow(at.source)), fingerprints({big, "b", "c"}));
}

// Only sources that can hold a symlink.
class SymlinkPlacementTest : public PlacementTest {};

TEST_P(SymlinkPlacementTest, CarriesSymlinksAsLinksOrLeavesThemWhereTheyAre)
{
    const Placement c = GetParam();
    Placed at(c.source, c.project);
    if (!at.ok())
        GTEST_SKIP() << at.skipReason().toStdString();
    ASSERT_TRUE(writeFile(at.source + "/a.mov", "a"));
    ASSERT_EQ(::symlink("/elsewhere/clip.mov", QFile::encodeName(at.source + "/link.mov")), 0);

    const SortOutcome outcome = FileSorter::sortFiles(at.source, at.project);

    EXPECT_EQ(readFile(at.project + "/01_Footage/a.mov"), "a");
    if (holdsPermissions(c.project)) {
        ASSERT_TRUE(outcome.ok()) << outcome.error->message.toStdString();
        EXPECT_EQ(QFileInfo(at.project + "/01_Footage/link.mov").symLinkTarget(),
                  "/elsewhere/clip.mov");
        EXPECT_FALSE(QFileInfo(at.source + "/link.mov").isSymLink());
    } else {
        ASSERT_EQ(outcome.failed.size(), 1);
        EXPECT_EQ(outcome.failed[0].error.code, EOPNOTSUPP);
        EXPECT_TRUE(
            outcome.failed[0].error.message.startsWith(at.project + "/01_Footage/link.mov: "));
        EXPECT_EQ(outcome.records.size(), 1);
        EXPECT_EQ(QFileInfo(at.source + "/link.mov").symLinkTarget(), "/elsewhere/clip.mov");
    }
}

const Placement fat{"fat", FileSystemKind::fuseFat, FileSystemKind::fuseFat};
const Placement exfat{"exfat", FileSystemKind::fuseExfat, FileSystemKind::fuseExfat};
const Placement tmpfsToDisk{"tmpfsToDisk", FileSystemKind::tmpfs, FileSystemKind::disk};
const Placement diskToTmpfs{"diskToTmpfs", FileSystemKind::disk, FileSystemKind::tmpfs};
const Placement diskToFat{"diskToFat", FileSystemKind::disk, FileSystemKind::fuseFat};
const auto placementName = [](const auto &info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(FileSystems, PlacementTest,
                         ::testing::Values(fat, exfat, tmpfsToDisk, diskToTmpfs, diskToFat),
                         placementName);
INSTANTIATE_TEST_SUITE_P(FileSystems, SymlinkPlacementTest,
                         ::testing::Values(tmpfsToDisk, diskToTmpfs, diskToFat), placementName);

struct CopyFailure {
    const char *name;
    FileSystemKind source;
    FileSystemKind project;
    QByteArray projectTmpfsOptions;
    int error;
    int moved;
    // Runs once the files are in place; returns why the scenario cannot run here.
    std::function<QString(const Placed &, FileSorter::SortHooks &, QByteArray &big)> arrange;
};

void PrintTo(const CopyFailure &c, std::ostream *os)
{
    *os << c.name;
}

class CopyFailureTest : public ::testing::TestWithParam<CopyFailure> {};

// a.mov is small, b.mov fails in the middle of its copy, c.wav comes after it. The partial
// copy must be gone and every file be where it was or complete at its destination.
TEST_P(CopyFailureTest, RemovesThePartialCopyAndKeepsTheSource)
{
    const CopyFailure c = GetParam();
    Placed at(c.source, c.project, c.projectTmpfsOptions);
    if (!at.ok())
        GTEST_SKIP() << at.skipReason().toStdString();
    QByteArray big = pattern(24 * MiB, 'b');
    for (const auto &[name, content] :
         {std::pair{"a.mov", QByteArray("a")}, {"b.mov", big}, std::pair{"c.wav", QByteArray("c")}})
        ASSERT_TRUE(writeFile(at.source + '/' + name, content));
    FileSorter::SortHooks hooks;
    if (const QString skip = c.arrange(at, hooks, big); !skip.isEmpty())
        GTEST_SKIP() << skip.toStdString();

    const SortOutcome outcome = FileSorter::sortFiles(at.source, at.project, hooks);

    ASSERT_EQ(outcome.failed.size(), 3 - c.moved);
    EXPECT_EQ(outcome.failed.constLast().error.code, c.error)
        << outcome.failed.constLast().error.message.toStdString();
    EXPECT_EQ(outcome.records.size(), c.moved);
    EXPECT_FALSE(QFileInfo::exists(at.project + "/01_Footage/b.mov"));
    QList<QByteArray> expected{"a", "c"};
    if (!big.isEmpty())
        expected << big;
    EXPECT_EQ(at.contents(), fingerprints(expected));
}

QString nothingMore(const Placed &, FileSorter::SortHooks &, QByteArray &)
{
    return {};
}

QString readOnlySource(const Placed &at, FileSorter::SortHooks &, QByteArray &)
{
    if (const int err = at.sourceMount().remountReadOnly())
        return "cannot remount the tmpfs read-only: " + QString::fromLocal8Bit(strerror(err));
    return {};
}

QString sourceRemovedMidCopy(const Placed &, FileSorter::SortHooks &hooks, QByteArray &big)
{
    big.clear();
    hooks.progress = [](const SortProgress &p) {
        if (p.bytesCopied == FileMove::progressStep)
            QFile::remove(p.source);
    };
    return {};
}

QString sourceGrowsMidCopy(const Placed &, FileSorter::SortHooks &hooks, QByteArray &big)
{
    big += "more";
    hooks.progress = [](const SortProgress &p) {
        QFile file(p.source);
        if (p.bytesCopied == FileMove::progressStep && file.open(QIODevice::Append))
            file.write("more");
    };
    return {};
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, CopyFailureTest,
    ::testing::Values(CopyFailure{"fullTmpfs", FileSystemKind::disk, FileSystemKind::tmpfs,
                                  "size=4m", ENOSPC, 2, nothingMore},
                      CopyFailure{"sourceRemoved", FileSystemKind::disk, FileSystemKind::tmpfs,
                                  "size=64m", ENOENT, 2, sourceRemovedMidCopy},
                      CopyFailure{"sourceStillWritten", FileSystemKind::disk, FileSystemKind::tmpfs,
                                  "size=64m", EBUSY, 2, sourceGrowsMidCopy},
                      CopyFailure{"readOnlySource", FileSystemKind::tmpfs, FileSystemKind::disk, "",
                                  EROFS, 0, readOnlySource}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace bp
