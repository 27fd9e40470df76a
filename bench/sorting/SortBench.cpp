// Sorts 10,000 loose files and compares the time with bare renameat2 calls that make the
// same moves, measured in the same run on the same file system.

#include "model/FileSystem.h"
#include "sorting/FileSorter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int fileCount = 10000;
constexpr int rounds = 5;

const char *const extensions[] = {"mov", "MP4", "cr3",    "jpg",  "wav", "pdf",
                                  "psd", "txt", "prproj", "heic", "mp3", "braw"};

bool touch(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

// Loose files of mixed kinds, every 25th a versioned export, and every 40th already taken
// at its destination so that it needs a numbered name.
bool makeFolder(const QString &source, const QString &project)
{
    if (!bp::FileSystem::makePath(project + "/02_Audio"))
        return false;
    for (int i = 0; i < fileCount; ++i) {
        const char *extension = extensions[i % std::size(extensions)];
        const QString name = i % 25 == 0
                                 ? QString::asprintf("clip%05d_v%02d.%s", i, i % 7 + 10, extension)
                                 : QString::asprintf("file%05d.%s", i, extension);
        if (!touch(QFile::encodeName(source + '/' + name)))
            return false;
        if (i % 40 == 0 && QString::fromLatin1(extension) == QLatin1String("wav") &&
            !touch(QFile::encodeName(project + "/02_Audio/" + name)))
            return false;
    }
    return true;
}

using Moves = QList<std::pair<QString, QString>>; // relative to the side's folder

qint64 timeSorter(const QString &root, Moves &moves)
{
    const QString project = root + "/2026-12-07_Bench";
    if (!makeFolder(root, project))
        return -1;
    QElapsedTimer timer;
    timer.start();
    const bp::SortOutcome outcome = bp::FileSorter::sortFiles(root, project);
    const qint64 elapsed = timer.nsecsElapsed();
    if (!outcome.ok()) {
        std::fprintf(stderr, "sort failed: %s\n", qPrintable(outcome.error->message));
        return -1;
    }
    moves.clear();
    for (const bp::MoveRecord &move : outcome.records)
        moves.append({move.source.mid(root.size()), move.destination.mid(root.size())});
    return elapsed;
}

// The same moves as bare system calls, their folders made beforehand. The names come from
// an earlier sort, so no lookup warms this folder's cache before the clock starts.
qint64 timeBaseline(const QString &root, const Moves &moves)
{
    if (!makeFolder(root, root + "/2026-12-07_Bench"))
        return -1;
    QList<std::pair<QByteArray, QByteArray>> native;
    for (const auto &[from, to] : moves) {
        if (!bp::FileSystem::makePath(QFileInfo(root + to).path()))
            return -1;
        native.append({QFile::encodeName(root + from), QFile::encodeName(root + to)});
    }
    QElapsedTimer timer;
    timer.start();
    for (const auto &[from, to] : std::as_const(native)) {
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE))
            return -1;
    }
    return timer.nsecsElapsed();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<qint64> baseline;
    QList<qint64> sorter;
    Moves moves;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir dir;
        const QString sorterRoot = dir.path() + "/sorter";
        const QString baselineRoot = dir.path() + "/baseline";
        // Alternate the order so that neither side always runs on a warmer cache; the
        // first round sorts first, to learn the moves.
        qint64 sorted = 0;
        qint64 bare = 0;
        if (round % 2 == 0) {
            sorted = timeSorter(sorterRoot, moves);
            bare = sorted < 0 ? -1 : timeBaseline(baselineRoot, moves);
        } else {
            bare = timeBaseline(baselineRoot, moves);
            sorted = bare < 0 ? -1 : timeSorter(sorterRoot, moves);
        }
        if (sorted < 0 || bare < 0) {
            std::fprintf(stderr, "round %d failed\n", round);
            return 1;
        }
        baseline.append(bare);
        sorter.append(sorted);
    }
    std::sort(baseline.begin(), baseline.end());
    std::sort(sorter.begin(), sorter.end());
    const double base = double(baseline[rounds / 2]) / 1e6;
    const double sorted = double(sorter[rounds / 2]) / 1e6;
    std::printf("files:            %d (median of %d rounds)\n", fileCount, rounds);
    std::printf("renameat2 loop:   %.1f ms\n", base);
    std::printf("FileSorter:       %.1f ms\n", sorted);
    std::printf("ratio:            %.2fx (aim: within 1.50x)\n", sorted / base);
    return 0;
}
