#include "offload/OffloadEngine.h"
#include "offload/OffloadEngineDetail.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace bp::offload;

namespace {

QByteArray bytes(qint64 size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);
    return data;
}

void put(const QString &path, const QByteArray &data)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(data);
    file.close();
    // Older than the 2 s slack, so that a copy with a fresh time would not pass as kept.
    const timespec times[2] = {{1700000000, 0}, {1700000000, 123456789}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

// A video card: blocks of several buffers, small files, an empty one, an empty folder, a link
// and the card's own history folder, which is not copied.
void makeCard(const QString &root)
{
    put(root + "/PRIVATE/M4ROOT/CLIP/C0001.MP4", bytes((qint64(9) << 20) + 3, 1));
    put(root + "/PRIVATE/M4ROOT/CLIP/C0002.MP4", bytes(qint64(5) << 20, 2));
    for (int i = 0; i < 12; ++i)
        put(root + QStringLiteral("/DCIM/100MSDCF/DSC%1.JPG").arg(i, 4, 10, QChar(u'0')),
            bytes(100000 + i * 7919, 10 + quint32(i)));
    put(root + "/empty.txt", {});
    put(root + "/ascmhl/notes.txt", "the card's own");
    QDir().mkpath(root + "/MISC/EMPTY");
    QFile::link("DCIM", root + "/link");
}

// Everything lstat sees, with the content's hash: any write, rename or time change shows.
QMap<QString, QString> snapshot(const QString &root)
{
    QMap<QString, QString> state;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        ::lstat(QFile::encodeName(path).constData(), &st);
        QString line = QStringLiteral("%1 %2 %3.%4 %5.%6")
                           .arg(st.st_mode)
                           .arg(st.st_size)
                           .arg(st.st_mtim.tv_sec)
                           .arg(st.st_mtim.tv_nsec)
                           .arg(st.st_ctim.tv_sec)
                           .arg(st.st_ctim.tv_nsec);
        QFile file(path);
        if (S_ISREG(st.st_mode) && file.open(QIODevice::ReadOnly))
            line += QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
        state.insert(path.mid(root.size()), line);
    }
    return state;
}

// Regular files outside ascmhl/ with their bytes; our temporaries listed apart.
QMap<QString, QByteArray> files(const QString &root, QStringList *temporaries = nullptr)
{
    QMap<QString, QByteArray> found;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size() + 1);
        if (detail::isTemporaryName(it.fileName())) {
            if (temporaries)
                temporaries->append(relative);
        } else if (!relative.startsWith("ascmhl/") && !it.fileInfo().isSymLink()) {
            QFile file(path);
            found.insert(relative, file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
        }
    }
    return found;
}

OffloadOutcome offload(const QString &source, const QStringList &destinations,
                       const std::atomic_bool &cancel = false, bool verify = true)
{
    OffloadRequest request;
    request.source = source;
    request.destinations = destinations;
    request.verify = verify;
    return runOffload(request, {}, cancel);
}

const FileResult *result(const OffloadOutcome &outcome, int destination, const QString &path)
{
    for (const FileResult &file : outcome.destinations.at(destination).files)
        if (file.path == path)
            return &file;
    return nullptr;
}

// Every copy under a final name is the card's bytes, and nothing is left half done.
void expectOnlyWholeCopies(const QString &card, const QString &destination)
{
    QStringList temporaries;
    const QMap<QString, QByteArray> copies = files(destination, &temporaries);
    const QMap<QString, QByteArray> originals = files(card);
    EXPECT_EQ(temporaries, QStringList());
    for (auto it = copies.cbegin(); it != copies.cend(); ++it)
        EXPECT_EQ(it.value(), originals.value(it.key(), "missing")) << it.key().toStdString();
}

std::atomic_bool stop{false};

} // namespace

TEST(OffloadEngine, neverWritesTheCardAndCopiesItWhole)
{
    QTemporaryDir tmp;
    const QString card = tmp.path() + "/card";
    makeCard(card);
    const QMap<QString, QString> before = snapshot(card);

    const OffloadOutcome outcome = offload(card, {tmp.path() + "/a", tmp.path() + "/b/deep"});
    ASSERT_FALSE(outcome.error);
    EXPECT_TRUE(outcome.allVerified());
    EXPECT_EQ(outcome.files, 15);
    EXPECT_EQ(outcome.copiedFiles, 15);
    EXPECT_EQ(outcome.copiedBytes, outcome.bytes);
    EXPECT_EQ(snapshot(card), before);
    QMap<QString, QByteArray> expected = files(card);
    expected.remove("ascmhl/notes.txt");
    for (int d = 0; d < 2; ++d) {
        const QString folder = outcome.destinations[d].folder;
        EXPECT_EQ(files(folder), expected);
        EXPECT_TRUE(QFileInfo(folder + "/MISC/EMPTY").isDir());
        EXPECT_FALSE(outcome.destinations[d].generation.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(detail::journalPath(folder)));
        EXPECT_FALSE(QFileInfo::exists(folder + "/link"));
        EXPECT_EQ(result(outcome, d, "link")->state, FileState::skipped);
        EXPECT_EQ(result(outcome, d, "DCIM/100MSDCF/DSC0003.JPG")->state, FileState::verified);
        EXPECT_EQ(QFileInfo(folder + "/PRIVATE/M4ROOT/CLIP/C0001.MP4").lastModified(),
                  QFileInfo(card + "/PRIVATE/M4ROOT/CLIP/C0001.MP4").lastModified());
    }

    // Requests that would write into the card, or twice into one place, are refused.
    for (const QStringList &refused :
         {QStringList{card + "/DCIM/copy"}, QStringList{card}, QStringList{tmp.path()},
          QStringList{tmp.path() + "/c", tmp.path() + "/c/"},
          QStringList{tmp.path() + "/c", tmp.path() + "/d", tmp.path() + "/e"}})
        EXPECT_TRUE(offload(card, refused).error) << refused.join(' ').toStdString();
    EXPECT_TRUE(offload(tmp.path() + "/none", {tmp.path() + "/c"}).error);
    EXPECT_EQ(snapshot(card), before);

    // The same card mounted read-only, as a write-protected card is.
    const QByteArray readOnly = QFile::encodeName(tmp.path() + "/ro");
    QDir().mkpath(tmp.path() + "/ro");
    if (::mount(QFile::encodeName(card).constData(), readOnly.constData(), nullptr, MS_BIND,
                nullptr) != 0)
        GTEST_SKIP() << "cannot bind-mount (needs root): " << std::strerror(errno);
    const bool remounted = ::mount(nullptr, readOnly.constData(), nullptr,
                                   MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    const OffloadOutcome fromReadOnly = offload(tmp.path() + "/ro", {tmp.path() + "/r"});
    ::umount2(readOnly.constData(), MNT_DETACH);
    ASSERT_TRUE(remounted);
    EXPECT_TRUE(fromReadOnly.copiedFiles == 15 && !fromReadOnly.error);
    EXPECT_EQ(files(tmp.path() + "/r"), expected);
    EXPECT_EQ(snapshot(card), before);
}

TEST(OffloadEngine, readBackCatchesAFlippedByte)
{
    QTemporaryDir tmp;
    makeCard(tmp.path() + "/card");
    detail::afterTemporaryFlushed = [](const QString &temporary) {
        if (!temporary.contains("/a/") || !temporary.contains("C0001.MP4"))
            return;
        QFile file(temporary);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(7 << 20);
        const char flipped = char(file.peek(1).at(0) ^ 0x10);
        file.write(&flipped, 1);
    };
    const OffloadOutcome outcome =
        offload(tmp.path() + "/card", {tmp.path() + "/a", tmp.path() + "/b"});
    detail::afterTemporaryFlushed = nullptr;
    const FileResult *caught = result(outcome, 0, "PRIVATE/M4ROOT/CLIP/C0001.MP4");
    ASSERT_TRUE(caught);
    EXPECT_EQ(caught->state, FileState::failed);
    EXPECT_EQ(caught->problem, FileResult::Problem::mismatch);
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/a/PRIVATE/M4ROOT/CLIP/C0001.MP4"));
    EXPECT_EQ(result(outcome, 1, "PRIVATE/M4ROOT/CLIP/C0001.MP4")->state, FileState::verified);
    EXPECT_FALSE(outcome.allVerified());
    expectOnlyWholeCopies(tmp.path() + "/card", tmp.path() + "/a");
}

TEST(OffloadEngine, takenNamesAreNeverOverwritten)
{
    QTemporaryDir tmp;
    const QString card = tmp.path() + "/card";
    makeCard(card);
    put(tmp.path() + "/a/DCIM/100MSDCF/DSC0001.JPG", "someone else's photo");
    QFile::copy(card + "/DCIM/100MSDCF/DSC0002.JPG", tmp.path() + "/a/DCIM/100MSDCF/DSC0002.JPG");

    // The second run finds the earlier copies, the numbered one too, and copies nothing.
    for (const bool again : {false, true}) {
        SCOPED_TRACE(again);
        const QString a = tmp.path() + "/a";
        const OffloadOutcome outcome = offload(card, {a, tmp.path() + "/b"});
        const FileResult *taken = result(outcome, 0, "DCIM/100MSDCF/DSC0001.JPG");
        const FileResult *same = result(outcome, 0, "DCIM/100MSDCF/DSC0002.JPG");
        ASSERT_TRUE(taken && same);
        EXPECT_EQ(files(a).value("DCIM/100MSDCF/DSC0001.JPG"), "someone else's photo");
        EXPECT_EQ(taken->state, again ? FileState::alreadyThere : FileState::renamed);
        EXPECT_EQ(taken->storedAs, "DCIM/100MSDCF/DSC0001_001.JPG");
        EXPECT_EQ(files(a).value(taken->storedAs), files(card).value(taken->path));
        EXPECT_EQ(same->state, FileState::alreadyThere);
        EXPECT_EQ(outcome.copiedFiles, again ? 0 : 15); // b got them all
        EXPECT_EQ(taken->detail, again ? "" : "DCIM/100MSDCF/DSC0001.JPG");
        for (int d = 0; d < 2; ++d)
            for (const FileResult &file : outcome.destinations[d].files)
                EXPECT_NE(file.state, FileState::failed) << file.path.toStdString();
        expectOnlyWholeCopies(card, tmp.path() + "/b");
    }
}

// "Alleen kopie" is never taken for verified later: a run that verifies reads those copies
// back, and one that changed since (same size and time) is copied afresh.
TEST(OffloadEngine, copiesMadeWithoutReadBackAreReadBackByTheNextVerifyingRun)
{
    QTemporaryDir tmp;
    const QString card = tmp.path() + "/card", a = tmp.path() + "/a";
    makeCard(card);
    ASSERT_FALSE(offload(card, {a}, false, false).allVerified());
    const QString photo = "DCIM/100MSDCF/DSC0003.JPG";
    put(a + "/" + photo, QByteArray(files(card).value(photo)).replace(0, 1, "!"));

    const OffloadOutcome checked = offload(card, {a});
    EXPECT_TRUE(checked.allVerified()) << checked.firstFailure().toStdString();
    EXPECT_EQ(result(checked, 0, photo)->state, FileState::renamed);
    EXPECT_EQ(result(checked, 0, "DCIM/100MSDCF/DSC0004.JPG")->state, FileState::alreadyThere);
    EXPECT_EQ(checked.copiedFiles, 1);
    EXPECT_TRUE(offload(card, {a}).nothingCopied());
}

TEST(OffloadEngine, resumesAfterSigkillAndThenCopiesNothing)
{
    QTemporaryDir tmp;
    const QString card = tmp.path() + "/card";
    makeCard(card);
    for (int i = 0; i < 4; ++i)
        put(card + QStringLiteral("/CLIPS/A%1.MOV").arg(i), bytes((qint64(3) << 20) + i, 50 + i));
    const QStringList destinations{tmp.path() + "/a", tmp.path() + "/b"};
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(seed);
    QRandomGenerator random(seed);
    for (int kill = 0; kill < 5; ++kill) {
        QProcess driver;
        driver.start(BP_OFFLOAD_DRIVER, QStringList{card} + destinations);
        ASSERT_TRUE(driver.waitForStarted());
        QThread::msleep(random.bounded(20, 400));
        ::kill(pid_t(driver.processId()), SIGKILL);
        driver.waitForFinished();
    }
    const OffloadOutcome resumed = offload(card, destinations);
    EXPECT_TRUE(resumed.allVerified());
    for (int d = 0; d < 2; ++d) {
        for (const FileResult &file : resumed.destinations[d].files)
            EXPECT_TRUE(file.state == FileState::verified ||
                        file.state == FileState::alreadyThere || file.state == FileState::skipped)
                << file.path.toStdString();
        QMap<QString, QByteArray> expected = files(card);
        expected.remove("ascmhl/notes.txt");
        EXPECT_EQ(files(destinations[d]), expected);
        expectOnlyWholeCopies(card, destinations[d]);
    }
    const OffloadOutcome repeated = offload(card, destinations);
    EXPECT_TRUE(repeated.nothingCopied());
    EXPECT_EQ(repeated.copiedFiles, 0);
}

TEST(OffloadEngine, cancelLeavesOnlyVerifiedNames)
{
    // Cancelled as the first, the third and the tenth temporary is about to be read back.
    for (const int at : {1, 3, 10}) {
        SCOPED_TRACE(at);
        QTemporaryDir tmp;
        makeCard(tmp.path() + "/card");
        static int flushed;
        static int cancelAt;
        flushed = 0;
        cancelAt = at;
        stop = false;
        detail::afterTemporaryFlushed = [](const QString &) {
            if (++flushed == cancelAt)
                stop = true;
        };
        const OffloadOutcome outcome =
            offload(tmp.path() + "/card", {tmp.path() + "/a", tmp.path() + "/b"}, stop);
        detail::afterTemporaryFlushed = nullptr;
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_LT(outcome.copiedFiles, 15);
        for (const QString destination : {"/a", "/b"})
            expectOnlyWholeCopies(tmp.path() + "/card", tmp.path() + destination);
        EXPECT_TRUE(result(outcome, 0, "empty.txt")->problem == FileResult::Problem::cancelled);
    }
}

TEST(OffloadEngine, reportsWhereTheCardDiffersFromItsOwnHistory)
{
    QTemporaryDir tmp;
    const QString card = tmp.path() + "/card";
    makeCard(card);
    QList<mhl::HashEntry> recorded;
    for (const QString path : {"DCIM/100MSDCF/DSC0001.JPG", "DCIM/100MSDCF/DSC0002.JPG",
                               "DCIM/100MSDCF/DSC0003.JPG", "PRIVATE/M4ROOT/CLIP/C0002.MP4"}) {
        const QString file = card + u'/' + path;
        recorded.append({path, QFileInfo(file).size(), QFileInfo(file).lastModified().toUTC(),
                         HashKind::xxh64, hashFile(file, HashKind::xxh64).value(),
                         mhl::Action::original, QDateTime::currentDateTimeUtc()});
    }
    mhl::Creator creator;
    creator.creationDate = QDateTime::currentDateTimeUtc();
    if (const auto written = mhl::addGeneration(card, recorded, creator); !written)
        GTEST_SKIP() << "no ASC MHL writer: " << written.error().message.toStdString();
    // One byte changed (found while reading), one file shorter, one gone.
    QFile changed(card + "/PRIVATE/M4ROOT/CLIP/C0002.MP4");
    ASSERT_TRUE(changed.open(QIODevice::ReadWrite) && changed.seek(3 << 20));
    changed.write("!");
    changed.close();
    put(card + "/DCIM/100MSDCF/DSC0002.JPG", "shorter");
    QFile::remove(card + "/DCIM/100MSDCF/DSC0003.JPG");

    const OffloadOutcome outcome = offload(card, {tmp.path() + "/a"});
    QStringList problems;
    for (const FileResult &file : outcome.sourceProblems)
        problems.append(file.path + (file.problem == FileResult::Problem::historyMissing
                                         ? " missing"
                                         : " changed"));
    problems.sort();
    EXPECT_EQ(problems,
              QStringList({"DCIM/100MSDCF/DSC0002.JPG changed", "DCIM/100MSDCF/DSC0003.JPG missing",
                           "PRIVATE/M4ROOT/CLIP/C0002.MP4 changed"}));
    EXPECT_EQ(result(outcome, 0, "PRIVATE/M4ROOT/CLIP/C0002.MP4")->state, FileState::failed);
    EXPECT_EQ(result(outcome, 0, "DCIM/100MSDCF/DSC0001.JPG")->state, FileState::verified);
    EXPECT_FALSE(outcome.allVerified());
    // Never lose data: the card's bytes are copied all the same.
    expectOnlyWholeCopies(card, tmp.path() + "/a");
    EXPECT_EQ(files(tmp.path() + "/a").size(), 14);
}
