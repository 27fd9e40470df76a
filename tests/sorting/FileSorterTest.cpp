#include "SortTestSupport.h"
#include "sorting/FileSorterDetail.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace bp {
namespace {

using test::paramName;
using test::readFile;
using test::writeFile;

const auto ruleName = [](const auto &info) { return paramName(info.param.name, info.index); };

// A target folder with a freshly created project folder inside it, as the workflow has it.
class SortFolder {
public:
    SortFolder() : source(m_dir.path()), project(m_dir.path() + "/2026-12-07_Shoot")
    {
        QDir().mkpath(project);
    }
    QString file(const QString &name, const QByteArray &content = {}) const
    {
        const QString path = source + '/' + name;
        writeFile(path, content.isEmpty() ? name.toUtf8() : content);
        return path;
    }
    QString inProject(const QString &relative) const { return project + '/' + relative; }

private:
    QTemporaryDir m_dir;

public:
    const QString source;
    const QString project;
};

struct RuleCase {
    const char *name;
    const char *folder; // relative to the project; nullptr: the file stays
};

void PrintTo(const RuleCase &c, std::ostream *os)
{
    *os << c.name;
}

class SortingRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(SortingRuleTest, MovesFileToItsFolderOrLeavesIt)
{
    const RuleCase c = GetParam();
    SortFolder folder;
    const QString name = QString::fromUtf8(c.name);
    const QString source = folder.file(name);

    const Result<QList<MoveRecord>> plan = FileSorter::planMoves(folder.source, folder.project);
    const SortOutcome outcome = FileSorter::sortFiles(folder.source, folder.project);

    ASSERT_TRUE(outcome.ok()) << outcome.error->message.toStdString();
    ASSERT_TRUE(plan.ok());
    if (!c.folder) {
        EXPECT_TRUE(outcome.records.isEmpty());
        EXPECT_TRUE(plan.value().isEmpty());
        EXPECT_EQ(readFile(source), name.toUtf8());
        return;
    }
    const QString expected = folder.inProject(QString::fromUtf8(c.folder) + '/' + name);
    ASSERT_EQ(outcome.records.size(), 1);
    EXPECT_EQ(outcome.records[0].source, source);
    EXPECT_EQ(outcome.records[0].destination, expected);
    EXPECT_EQ(readFile(expected), name.toUtf8());
    EXPECT_FALSE(QFileInfo::exists(source));
    ASSERT_EQ(plan.value().size(), 1);
    EXPECT_EQ(plan.value()[0].destination, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SortingRuleTest,
    ::testing::Values(RuleCase{"a.mp4", "01_Footage"}, RuleCase{"a.mov", "01_Footage"},
                      RuleCase{"a.mxf", "01_Footage"}, RuleCase{"a.avi", "01_Footage"},
                      RuleCase{"a.mts", "01_Footage"}, RuleCase{"a.m2ts", "01_Footage"},
                      RuleCase{"a.braw", "01_Footage"}, RuleCase{"a.r3d", "01_Footage"},
                      RuleCase{"a.arw", "01_Footage/RAW"}, RuleCase{"a.cr2", "01_Footage/RAW"},
                      RuleCase{"a.cr3", "01_Footage/RAW"}, RuleCase{"a.nef", "01_Footage/RAW"},
                      RuleCase{"a.dng", "01_Footage/RAW"}, RuleCase{"a.raf", "01_Footage/RAW"},
                      RuleCase{"a.orf", "01_Footage/RAW"}, RuleCase{"a.rw2", "01_Footage/RAW"},
                      RuleCase{"a.jpg", "01_Footage/Edits"}, RuleCase{"a.jpeg", "01_Footage/Edits"},
                      RuleCase{"a.png", "01_Footage/Edits"}, RuleCase{"a.heic", "01_Footage/Edits"},
                      RuleCase{"a.tiff", "01_Footage/Edits"},
                      RuleCase{"a.webp", "01_Footage/Edits"}, RuleCase{"a.wav", "02_Audio"},
                      RuleCase{"a.mp3", "02_Audio"}, RuleCase{"a.aiff", "02_Audio"},
                      RuleCase{"a.flac", "02_Audio"}, RuleCase{"a.m4a", "02_Audio"},
                      RuleCase{"a.ogg", "02_Audio"}, RuleCase{"a.psd", "03_Graphics"},
                      RuleCase{"a.ai", "03_Graphics"}, RuleCase{"a.indd", "03_Graphics"},
                      RuleCase{"a.sketch", "03_Graphics"}, RuleCase{"a.fig", "03_Graphics"},
                      RuleCase{"a.pdf", "03_Graphics"}, RuleCase{"a.prproj", "04_Project_Files"},
                      RuleCase{"a.drp", "04_Project_Files"},
                      RuleCase{"a.fcpbundle", "04_Project_Files"},
                      RuleCase{"a.aep", "04_Project_Files"}),
    ruleName);

INSTANTIATE_TEST_SUITE_P(
    Examples, SortingRuleTest,
    ::testing::Values(
        RuleCase{"interview.MOV", "01_Footage"}, RuleCase{"IMG_0001.CR3", "01_Footage/RAW"},
        RuleCase{"still.heic", "01_Footage/Edits"}, RuleCase{"song.wav", "02_Audio"},
        RuleCase{"logo.ai", "03_Graphics"}, RuleCase{"brief.pdf", "03_Graphics"},
        RuleCase{"cut.prproj", "04_Project_Files"}, RuleCase{"promo_v02.mp4", "05_Exports"},
        RuleCase{"Promo_V12.mov", "05_Exports"}, RuleCase{"final.psd", "05_Exports"},
        RuleCase{"Final Cut.mov", "05_Exports"}, RuleCase{"export.wav", "05_Exports"},
        RuleCase{"promo_v2.mp4", "01_Footage"}, RuleCase{"my_final_cut.mov", "01_Footage"},
        RuleCase{"exports.mp3", "02_Audio"}, RuleCase{"final", "05_Exports"},
        RuleCase{"notes.txt", nullptr}, RuleCase{"README", nullptr}),
    ruleName);

INSTANTIATE_TEST_SUITE_P(
    Names, SortingRuleTest,
    ::testing::Values(
        // The export test looks at the whole name, extension included, and comes first.
        RuleCase{"EXPORT", "05_Exports"}, RuleCase{"clip_v003", "05_Exports"},
        RuleCase{"notes final.txt", "05_Exports"}, RuleCase{"cut.final", "05_Exports"},
        RuleCase{"brief-final-2.pdf", "05_Exports"}, RuleCase{"clip_v1.2.mov", "01_Footage"},
        RuleCase{"clipv02.mov", "01_Footage"}, RuleCase{"finals.mov", "01_Footage"},
        RuleCase{"exported.wav", "02_Audio"}, RuleCase{"final2.png", "01_Footage/Edits"},
        // Only the last extension counts, and it must match a rule exactly.
        RuleCase{"archive.mov.zip", nullptr}, RuleCase{"take.txt.mov", "01_Footage"},
        RuleCase{"a.MP4", "01_Footage"}, RuleCase{"a.Fcpbundle", "04_Project_Files"},
        RuleCase{"a.mp4 ", nullptr}, RuleCase{"a.", nullptr}, RuleCase{"mov", nullptr},
        // Word boundaries and digits are Unicode-aware.
        RuleCase{"Café final.mov", "05_Exports"}, RuleCase{"finalé.mov", "01_Footage"},
        RuleCase{"exportação.wav", "02_Audio"}, RuleCase{"東京 export.jpg", "05_Exports"},
        RuleCase{"東京final.jpg", "01_Footage/Edits"}, RuleCase{"clip_v٠٢.mp4", "05_Exports"},
        RuleCase{"Überblick.NEF", "01_Footage/RAW"}, RuleCase{"ΣΚΗΝΗ.Mov", "01_Footage"},
        RuleCase{"Straße.ＭＯＶ", nullptr}),
    ruleName);

struct ConflictCase {
    const char *label;
    const char *proposed;
    QStringList existing;
    const char *expected;
};

void PrintTo(const ConflictCase &c, std::ostream *os)
{
    *os << c.proposed << " with " << c.existing.join(',').toStdString();
}

class ResolveConflictTest : public ::testing::TestWithParam<ConflictCase> {};

TEST_P(ResolveConflictTest, PicksFirstFreeNumberedName)
{
    const ConflictCase c = GetParam();
    QTemporaryDir dir;
    for (const QString &name : c.existing) {
        const QByteArray native = QFile::encodeName(dir.filePath(name.mid(1)));
        const bool made = name.endsWith('/')     ? QDir().mkpath(dir.filePath(name))
                          : name.startsWith('@') ? ::symlink("nowhere", native.constData()) == 0
                                                 : writeFile(dir.filePath(name), name.toUtf8());
        ASSERT_TRUE(made) << name.toStdString();
    }
    const QString proposed = dir.filePath(QString::fromUtf8(c.proposed));
    EXPECT_EQ(FileSorter::resolveConflict(proposed), dir.filePath(QString::fromUtf8(c.expected)));
    for (const QString &name : c.existing) {
        if (!name.endsWith('/') && !name.startsWith('@')) {
            EXPECT_EQ(readFile(dir.filePath(name)), name.toUtf8());
        }
    }
}

QStringList numberedSongs(int count)
{
    QStringList names{"song.wav"};
    for (int n = 1; n <= count; ++n)
        names << QString::asprintf("song_%03d.wav", n);
    return names;
}

INSTANTIATE_TEST_SUITE_P(
    Names, ResolveConflictTest,
    ::testing::Values(
        ConflictCase{"free", "song.wav", {}, "song.wav"},
        ConflictCase{"othersTaken", "song.wav", {"other.wav", "song_001.wav"}, "song.wav"},
        ConflictCase{"taken", "song.wav", {"song.wav"}, "song_001.wav"},
        ConflictCase{"firstNumberTaken", "song.wav", {"song.wav", "song_001.wav"}, "song_002.wav"},
        ConflictCase{"gapInNumbers", "song.wav", {"song.wav", "song_002.wav"}, "song_001.wav"},
        ConflictCase{"fourDigits", "song.wav", numberedSongs(999), "song_1000.wav"},
        ConflictCase{"noExtension", "final", {"final", "final_001"}, "final_002"},
        ConflictCase{"lastExtensionOnly", "a.tar.gz", {"a.tar.gz"}, "a.tar_001.gz"},
        ConflictCase{"accented", "Été.WAV", {"Été.WAV"}, "Été_001.WAV"},
        ConflictCase{"folderInTheWay", "song.wav", {"song.wav/"}, "song_001.wav"},
        ConflictCase{"danglingSymlink", "song.wav", {"@song.wav"}, "song_001.wav"}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(FileSorterTest, MovesOnlyLooseVisibleFilesInNameOrderAndReportsTheRest)
{
    SortFolder folder;
    folder.file("b.mov");
    folder.file("a.wav");
    folder.file(".secret.mov");
    folder.file("listed.mov");
    folder.file(".hidden", "listed.mov\r\nnot-there.jpg\n\n");
    QDir().mkpath(folder.source + "/clips.mov");
    const QString target = folder.file("target.jpg");
    ASSERT_EQ(::symlink("clips.mov", QFile::encodeName(folder.source + "/dirlink.mov")), 0);
    ASSERT_EQ(::symlink("target.jpg", QFile::encodeName(folder.source + "/link.png")), 0);
    ASSERT_EQ(::symlink("/gone", QFile::encodeName(folder.source + "/dangling.mp4")), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.source + "/pipe.mp4"), 0600), 0);
    // Names taken in the project: the numbered one must fit in 255 bytes, or cannot be made.
    const QString accents = QString(125, u'é');
    const QString noRoom = "x.final-" + QString(247, 'y');
    for (const QString &name : {accents + ".mov", noRoom})
        writeFile(FileSorter::destinationURL(folder.file(name), folder.project).value(), "x");
    // Not UTF-8: it could not be found again under its decoded name.
    const QByteArray undecodable = QFile::encodeName(folder.source) + "/bad\xff.mov";
    const int fd = ::open(undecodable.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    // QTemporaryDir cannot remove it either.
    const std::unique_ptr<const char, void (*)(const char *)> removeLater(
        undecodable.constData(), [](const char *path) { ::unlink(path); });

    const SortOutcome outcome = FileSorter::sortFiles(folder.source, folder.project);

    QStringList moved;
    for (const MoveRecord &record : outcome.records)
        moved << QFileInfo(record.destination).fileName();
    EXPECT_EQ(moved, (QStringList{"a.wav", "b.mov", "dangling.mp4", "target.jpg",
                                  QString(123, u'é') + "_001.mov"}));
    QStringList failed;
    for (const SortFailure &f : outcome.failed)
        failed << QFileInfo(f.source).fileName() + ' ' + QString::number(f.error.code);
    EXPECT_EQ(failed, (QStringList{"bad\uFFFD.mov " + QString::number(EILSEQ),
                                   noRoom + ' ' + QString::number(ENAMETOOLONG)}));
    // Absolute links travel as links; hidden entries, folders, special files and links that
    // would dangle stay.
    EXPECT_TRUE(QFileInfo(folder.inProject("01_Footage/dangling.mp4")).isSymLink());
    EXPECT_EQ(readFile(folder.inProject("01_Footage/Edits/target.jpg")), "target.jpg");
    for (const char *stays : {".secret.mov", "listed.mov", ".hidden", "clips.mov", "dirlink.mov",
                              "link.png", "pipe.mp4"})
        EXPECT_NE(test::modeOf(folder.source + '/' + stays), -1) << stays;
    EXPECT_TRUE(QFileInfo(folder.project).isDir());
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(::access(undecodable.constData(), F_OK), 0);
}

TEST(FileSorterTest, PlanMatchesTheMovesMadeWithConflicts)
{
    SortFolder folder;
    writeFile(folder.inProject("02_Audio/song.wav"), "earlier song");
    folder.file("song.wav");
    folder.file("song_001.wav");
    folder.file("final");
    writeFile(folder.inProject("05_Exports/final"), "earlier final");

    const Result<QList<MoveRecord>> plan = FileSorter::planMoves(folder.source, folder.project);
    ASSERT_TRUE(plan.ok());
    EXPECT_FALSE(QFileInfo::exists(folder.inProject("02_Audio/song_001.wav")));
    const SortOutcome outcome = FileSorter::sortFiles(folder.source, folder.project);
    ASSERT_TRUE(outcome.ok());

    const QStringList expected{"05_Exports/final_001", "02_Audio/song_001.wav",
                               "02_Audio/song_001_001.wav"};
    ASSERT_EQ(outcome.records.size(), expected.size());
    ASSERT_EQ(plan.value().size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(outcome.records[i].destination, folder.inProject(expected[i]));
        EXPECT_EQ(plan.value()[i].source, outcome.records[i].source);
        EXPECT_EQ(plan.value()[i].destination, outcome.records[i].destination);
    }
    EXPECT_EQ(readFile(folder.inProject("02_Audio/song.wav")), "earlier song");
    EXPECT_EQ(readFile(folder.inProject("05_Exports/final")), "earlier final");
    EXPECT_EQ(readFile(folder.inProject("02_Audio/song_001_001.wav")), "song_001.wav");
}

TEST(FileSorterTest, EmptyAndMissingSources)
{
    SortFolder folder;
    const SortOutcome empty = FileSorter::sortFiles(folder.source, folder.project);
    EXPECT_TRUE(empty.ok());
    EXPECT_TRUE(empty.records.isEmpty());

    const QString missing = folder.source + "/nope";
    const SortOutcome outcome = FileSorter::sortFiles(missing, folder.project);
    ASSERT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.error->code, ENOENT);
    EXPECT_TRUE(outcome.error->message.startsWith(missing + ": "));
    EXPECT_FALSE(FileSorter::planMoves(missing, folder.project).ok());
}

// Another program takes the chosen name between the choice and the move, racers times over.
class RacedDestinationTest : public ::testing::TestWithParam<int> {};

TEST_P(RacedDestinationTest, PicksTheNextFreeNameInsteadOfReplacing)
{
    const int racers = GetParam();
    SortFolder folder;
    folder.file("song.wav");
    QStringList taken;
    FileSorter::SortHooks hooks;
    hooks.beforeMove = [&](const QString &, const QString &destination) {
        if (taken.size() < racers && writeFile(destination, "racer " + destination.toUtf8()))
            taken << destination;
    };

    const SortOutcome outcome = FileSorter::sortFiles(folder.source, folder.project, hooks);

    ASSERT_TRUE(outcome.ok());
    ASSERT_EQ(outcome.records.size(), 1);
    EXPECT_EQ(outcome.records[0].destination,
              folder.inProject(QString::asprintf("02_Audio/song_%03d.wav", racers)));
    EXPECT_EQ(readFile(outcome.records[0].destination), "song.wav");
    ASSERT_EQ(taken.size(), racers);
    for (const QString &path : taken)
        EXPECT_EQ(readFile(path), "racer " + path.toUtf8());
}

INSTANTIATE_TEST_SUITE_P(Racers, RacedDestinationTest, ::testing::Values(1, 3),
                         [](const auto &info) { return "racers" + std::to_string(info.param); });

} // namespace
} // namespace bp
