// Sorts loose files and compares the time with bare system calls that make the same moves,
// measured in the same run on the same file systems:
// - 10,000 files on the local disk, against renameat2(RENAME_NOREPLACE) calls;
// - 1,000 files on exFAT through FUSE, and 100 on FAT through FUSE (fusefat slows down with
//   every entry of a folder), against plain rename(2) calls, which would replace;
// - files copied between a tmpfs and the disk, against bare sendfile copies with the same
//   fsync.
// The FUSE and tmpfs lines need root (mounts); they say so when they cannot run.

#include "model/FileSystem.h"
#include "sorting/FileSorter.h"
#include "sorting/MountSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/sendfile.h>
#include <unistd.h>

namespace {

using bp::test::FileSystemKind;
using bp::test::Mount;

const char *const extensions[] = {"mov", "MP4", "cr3",    "jpg",  "wav", "pdf",
                                  "psd", "txt", "prproj", "heic", "mp3", "braw"};

bool writeFile(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, content.constData(), size_t(content.size())) == ssize_t(content.size());
    return ::close(fd) == 0 && written;
}

struct Setup {
    int files;
    qint64 fileSize;
};

// Loose files of mixed kinds, every 25th a versioned export, and every 40th already taken
// at its destination so that it needs a numbered name.
bool makeFolder(const QString &source, const QString &project, const Setup &setup)
{
    if (!bp::FileSystem::makePath(source) || !bp::FileSystem::makePath(project + "/02_Audio"))
        return false;
    const QByteArray content(setup.fileSize, 'x');
    for (int i = 0; i < setup.files; ++i) {
        const char *extension = extensions[i % std::size(extensions)];
        const QString name = i % 25 == 0
                                 ? QString::asprintf("clip%05d_v%02d.%s", i, i % 7 + 10, extension)
                                 : QString::asprintf("file%05d.%s", i, extension);
        if (!writeFile(QFile::encodeName(source + '/' + name), content))
            return false;
        if (i % 40 == 0 && QString::fromLatin1(extension) == QLatin1String("wav") &&
            !writeFile(QFile::encodeName(project + "/02_Audio/" + name), {}))
            return false;
    }
    return true;
}

// Where one side of one round sorts from and into.
struct Layout {
    QString source;
    QString project;
};

// Source names and destinations relative to the project, as the sorter chose them.
using Moves = QList<std::pair<QString, QString>>;

qint64 timeSorter(const Layout &at, const Setup &setup, Moves &moves)
{
    if (!makeFolder(at.source, at.project, setup))
        return -1;
    QElapsedTimer timer;
    timer.start();
    const bp::SortOutcome outcome = bp::FileSorter::sortFiles(at.source, at.project);
    const qint64 elapsed = timer.nsecsElapsed();
    if (!outcome.ok()) {
        const bp::Error &error = outcome.error ? *outcome.error : outcome.failed.constFirst().error;
        std::fprintf(stderr, "sort failed: %s\n", qPrintable(error.message));
        return -1;
    }
    moves.clear();
    for (const bp::MoveRecord &move : outcome.records)
        moves.append({move.source.mid(at.source.size()), move.destination.mid(at.project.size())});
    return elapsed;
}

using Step = bool (*)(const QByteArray &from, const QByteArray &to);

bool renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0;
}

bool plainRename(const QByteArray &from, const QByteArray &to)
{
    return ::rename(from.constData(), to.constData()) == 0;
}

bool bareCopy(const QByteArray &from, const QByteArray &to)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool ok = in >= 0 && out >= 0;
    for (ssize_t n = 1; ok && n > 0;) {
        n = ::sendfile(out, in, nullptr, size_t(8) << 20);
        ok = n >= 0;
    }
    ok = ok && ::fsync(out) == 0;
    ok = (in < 0 || ::close(in) == 0) && ok;
    ok = (out < 0 || ::close(out) == 0) && ok;
    return ok && ::unlink(from.constData()) == 0;
}

// The same moves as bare system calls, their folders made beforehand. The names come from
// an earlier sort, so no lookup warms this folder's cache before the clock starts.
qint64 timeBaseline(const Layout &at, const Setup &setup, const Moves &moves, Step step)
{
    if (!makeFolder(at.source, at.project, setup))
        return -1;
    QList<std::pair<QByteArray, QByteArray>> native;
    for (const auto &[from, to] : moves) {
        if (!bp::FileSystem::makePath(QFileInfo(at.project + to).path()))
            return -1;
        native.append({QFile::encodeName(at.source + from), QFile::encodeName(at.project + to)});
    }
    QElapsedTimer timer;
    timer.start();
    for (const auto &[from, to] : std::as_const(native)) {
        if (!step(from, to))
            return -1;
    }
    return timer.nsecsElapsed();
}

struct Comparison {
    const char *title;
    const char *baselineName;
    Step baseline;
    Setup setup;
    int rounds;
    QString sourceRoot;
    QString projectRoot;
};

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool compare(const Comparison &c)
{
    QList<qint64> baseline;
    QList<qint64> sorter;
    Moves moves;
    for (int round = 0; round < c.rounds; ++round) {
        const QString tag = QString::asprintf("/round%d", round);
        const Layout sorterSide{c.sourceRoot + tag + "/sorter",
                                c.projectRoot + tag + "/sorter/2026-12-07_Bench"};
        const Layout bareSide{c.sourceRoot + tag + "/bare",
                              c.projectRoot + tag + "/bare/2026-12-07_Bench"};
        // Alternate the order so that neither side always runs on a warmer cache; the
        // first round sorts first, to learn the moves.
        qint64 sorted = 0;
        qint64 bare = 0;
        if (round % 2 == 0) {
            sorted = timeSorter(sorterSide, c.setup, moves);
            bare = sorted < 0 ? -1 : timeBaseline(bareSide, c.setup, moves, c.baseline);
        } else {
            bare = timeBaseline(bareSide, c.setup, moves, c.baseline);
            sorted = bare < 0 ? -1 : timeSorter(sorterSide, c.setup, moves);
        }
        if (sorted < 0 || bare < 0) {
            std::fprintf(stderr, "%s: round %d failed\n", c.title, round);
            return false;
        }
        baseline.append(bare);
        sorter.append(sorted);
        // Small file systems hold one round at a time.
        QDir(c.sourceRoot + tag).removeRecursively();
        QDir(c.projectRoot + tag).removeRecursively();
    }
    const double base = double(median(baseline)) / 1e6;
    const double sorted = double(median(sorter)) / 1e6;
    std::printf("%s: %d files of %lld bytes (median of %d rounds)\n", c.title, c.setup.files,
                c.setup.fileSize, c.rounds);
    std::printf("  %-22s %9.1f ms\n", c.baselineName, base);
    std::printf("  %-22s %9.1f ms\n", "FileSorter", sorted);
    std::printf("  %-22s %9.2fx\n", "ratio", sorted / base);
    return true;
}

// Runs a comparison on mounted file systems, or says why it cannot.
bool onMounts(Comparison c, FileSystemKind sourceKind, FileSystemKind projectKind,
              const QString &parent)
{
    const Mount source(sourceKind, parent + "/s", "size=768m");
    std::unique_ptr<Mount> other;
    if (projectKind != sourceKind)
        other = std::make_unique<Mount>(projectKind, parent + "/p", "size=768m");
    const Mount &project = other ? *other : source;
    for (const Mount *m : {&source, &project}) {
        if (!m->ok()) {
            std::printf("%s: skipped, %s\n", c.title, qPrintable(m->error()));
            return true;
        }
    }
    c.sourceRoot = source.path();
    c.projectRoot = project.path();
    return compare(c);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The disk side lies where the benchmark runs (the build folder), not in /tmp, which may
    // be a tmpfs itself.
    QTemporaryDir dir(QDir::currentPath() + "/bench-sorting-XXXXXX");
    const QString root = dir.path();
    bool ok = compare({"local disk",
                       "renameat2 loop",
                       renameNoReplace,
                       {10000, 0},
                       5,
                       root + "/local",
                       root + "/local"});
    ok = ok && onMounts({"exFAT via FUSE", "rename loop", plainRename, {1000, 0}, 5, {}, {}},
                        FileSystemKind::fuseExfat, FileSystemKind::fuseExfat, root + "/exfat");
    ok = ok && onMounts({"FAT via FUSE", "rename loop", plainRename, {100, 0}, 3, {}, {}},
                        FileSystemKind::fuseFat, FileSystemKind::fuseFat, root + "/fat");
    ok = ok &&
         onMounts({"tmpfs to disk", "sendfile+fsync loop", bareCopy, {1000, 64 << 10}, 3, {}, {}},
                  FileSystemKind::tmpfs, FileSystemKind::disk, root + "/todisk");
    ok = ok &&
         onMounts({"disk to tmpfs", "sendfile+fsync loop", bareCopy, {1000, 64 << 10}, 3, {}, {}},
                  FileSystemKind::disk, FileSystemKind::tmpfs, root + "/totmpfs");
    ok = ok && onMounts({"disk to tmpfs, large",
                         "sendfile+fsync loop",
                         bareCopy,
                         {1, qint64(256) << 20},
                         3,
                         {},
                         {}},
                        FileSystemKind::disk, FileSystemKind::tmpfs, root + "/large");
    return ok ? 0 : 1;
}
