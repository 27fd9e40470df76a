// Offloads a card-like tree of mixed sizes (many 1–20 MB photos and a few clips, scaled down
// from 2 GB) and compares the time with the ways it is done by hand, measured in the same run
// on the same file systems:
// - `cp -r` then `xxhsum -H2` over the source and over the copy: the careful manual way;
// - `cp -r` alone: the floor.
// Both end with `sync`, since an offload's copies are on the disk when it reports them.
// Printed for tmpfs → tmpfs and disk → disk, with one and with two destinations. tmpfs needs
// root (a mount); the line says so when it cannot run. BP_BENCH_SCALE=N multiplies the tree.

#include "offload/OffloadEngine.h"
#include "sorting/MountSupport.h"
#include "workflow/OffloadCard.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace bp::offload;

bool writeFile(const QString &path, qint64 size, quint32 seed)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
    bool ok = true;
    for (qint64 left = size; ok && left > 0; left -= block.size()) {
        const qint64 n = std::min<qint64>(left, block.size());
        block[0] = char(left); // no two blocks alike
        ok = ::write(fd, block.constData(), size_t(n)) == n;
    }
    return ::close(fd) == 0 && ok;
}

// A camera card: DCIM photos of 1–20 MB and PRIVATE/M4ROOT clips.
qint64 makeCard(const QString &root, int scale)
{
    QDir().mkpath(root + "/DCIM/100MSDCF");
    QDir().mkpath(root + "/PRIVATE/M4ROOT/CLIP");
    qint64 total = 0;
    QRandomGenerator sizes(7);
    for (int i = 0; i < 60 * scale; ++i) {
        const qint64 size = (1 + qint64(sizes.bounded(20))) << 20;
        writeFile(root + QString::asprintf("/DCIM/100MSDCF/DSC%05d.ARW", i), size, i);
        total += size;
    }
    for (int i = 0; i < 2 * scale; ++i) {
        const qint64 size = qint64(256) << 20;
        writeFile(root + QString::asprintf("/PRIVATE/M4ROOT/CLIP/C%04d.MP4", i), size, 1000 + i);
        total += size;
    }
    return total;
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool hashTree(const QString &root)
{
    return run("sh", {"-c", "find \"$1\" -type f -print0 | xargs -0 xxhsum -H2", "sh", root});
}

// Seconds of the fastest of two rounds; each round starts from an empty destination.
template <typename Round> double fastest(const QStringList &destinations, Round round)
{
    double best = 1e30;
    for (int i = 0; i < 2; ++i) {
        for (const QString &d : destinations)
            QDir(d).removeRecursively();
        run("sync", {});
        QElapsedTimer timer;
        timer.start();
        if (!round())
            return -1;
        run("sync", {});
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    for (const QString &d : destinations)
        QDir(d).removeRecursively();
    return best;
}

void measure(const char *what, const QString &parent, int scale)
{
    const QString card = parent + "/card";
    const qint64 bytes = makeCard(card, scale);
    const QString one = parent + "/copy1";
    const QString two = parent + "/copy2";

    const double cp = fastest({one}, [&] { return run("cp", {"-r", card, one}); });
    const double careful = fastest({one}, [&] {
        return run("cp", {"-r", card, one}) && hashTree(card) && hashTree(one);
    });
    const auto offload = [&](const QStringList &destinations) {
        return fastest(destinations, [&] {
            const std::atomic_bool cancel = false;
            const OffloadOutcome outcome = runOffload({card, destinations, HashKind::xxh128, true},
                                                      bp::offloadCreator(), cancel);
            return outcome.allVerified();
        });
    };
    const double ours = offload({one});
    const double oursTwo = offload({one, two});
    QDir(card).removeRecursively();
    if (cp <= 0 || careful <= 0 || ours <= 0 || oursTwo <= 0) {
        std::printf("%-16s a run failed\n", what);
        return;
    }
    std::printf("%-16s %.2f GB: cp -r %.2f s, cp -r + xxhsum twice %.2f s, offload %.2f s, "
                "two destinations %.2f s\n",
                what, double(bytes) / 1e9, cp, careful, ours, oursTwo);
    std::printf("%-16s offload / careful manual way: %.2fx (aim < 0.7)\n", what, ours / careful);
    std::printf("%-16s offload / cp -r:             %.2fx (aim < 1.3)\n", what, ours / cp);
    std::printf("%-16s second destination extra:    %.2fx (aim < 0.5)\n", what,
                (oursTwo - ours) / ours);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int scale = std::max(1, qEnvironmentVariableIntValue("BP_BENCH_SCALE"));
    QTemporaryDir disk(QDir::currentPath() + "/bench-offload-XXXXXX");
    {
        bp::test::Mount tmpfs(bp::test::FileSystemKind::tmpfs, disk.path(), "size=8g");
        if (tmpfs.ok())
            measure("tmpfs -> tmpfs", tmpfs.path(), scale);
        else
            std::printf("%-16s skipped: %s\n", "tmpfs -> tmpfs", qPrintable(tmpfs.error()));
    }
    measure("disk -> disk", disk.path() + "/disk", scale);
    return 0;
}
