#include "model/FolderCreator.h"
#include "model/FileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <csignal>
#include <ctime>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace bp;

namespace {

const QDateTime shootDay(QDate(2026, 12, 7), QTime(10, 30));

struct NameCase {
    const char *label;
    QString name;
    QString expected;
};

class ProjectFolderName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ProjectFolderName, SanitisesAndDates)
{
    EXPECT_EQ(FolderCreator::projectFolderName(GetParam().name, shootDay), GetParam().expected);
}

// CI runs under UTC, where the local and the UTC day never differ.
TEST(ProjectFolderNameDate, IsTheLocalDay)
{
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", "XYZ-2"); // two hours east of UTC
    tzset();
    const QDateTime lateUtc(QDate(2026, 12, 7), QTime(23, 30), QTimeZone::utc());
    const QString name = FolderCreator::projectFolderName("x", lateUtc);
    saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
    tzset();
    EXPECT_EQ(name, "2026-12-08_x");
}

INSTANTIATE_TEST_SUITE_P(
    Names, ProjectFolderName,
    ::testing::Values(
        NameCase{"colonAndSlash", "  Nike: Shoot/Zomer ", "2026-12-07_Nike- Shoot-Zomer"},
        NameCase{"empty", "", "2026-12-07_NewProject"},
        NameCase{"blank", " \t\n ", "2026-12-07_NewProject"},
        NameCase{"onlySlashes", "////", "2026-12-07_----"},
        NameCase{"allTenForbidden", "/:\\?%*|\"<>", "2026-12-07_----------"},
        NameCase{"dotsStay", "..", "2026-12-07_.."},
        NameCase{"unicodeKept", "Café Zürich 東京", "2026-12-07_Café Zürich 東京"},
        NameCase{"othersKept", "a_b-c (d) #1 & e's", "2026-12-07_a_b-c (d) #1 & e's"}),
    [](const auto &info) { return std::string(info.param.label); });

FolderNode folder(const QString &name, QList<FolderNode> children = {})
{
    FolderNode node;
    node.name = name;
    node.children = std::move(children);
    return node;
}

QStringList listTree(const QString &root)
{
    QStringList paths;
    QDirIterator it(root, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(QDir(root).relativeFilePath(it.next()));
    paths.sort();
    return paths;
}

class FolderCreation : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString target() const { return tmp.path() + "/Shoots"; }
    const QList<FolderNode> tree{folder("01_A", {folder("X"), folder("Y", {folder("Z")})}),
                                 folder("02_B")};
};

TEST_F(FolderCreation, CreatesDatedProjectWithWholeTreeAndMissingTarget)
{
    const Result<QString> made = FolderCreator::makeProject("Nike", tree, target(), shootDay);
    ASSERT_TRUE(made.ok()) << made.error().message.toStdString();
    EXPECT_EQ(made.value(), target() + "/2026-12-07_Nike");
    EXPECT_EQ(listTree(target()),
              (QStringList{"2026-12-07_Nike", "2026-12-07_Nike/01_A", "2026-12-07_Nike/01_A/X",
                           "2026-12-07_Nike/01_A/Y", "2026-12-07_Nike/01_A/Y/Z",
                           "2026-12-07_Nike/02_B"}));
}

TEST_F(FolderCreation, SameNameTwiceMergesIntoExistingFolder)
{
    ASSERT_TRUE(FolderCreator::makeProject("Nike", {folder("01_A")}, target(), shootDay).ok());
    QFile keep(target() + "/2026-12-07_Nike/01_A/keep.txt");
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("shoot");
    keep.close();
    const Result<QString> again = FolderCreator::makeProject("Nike", tree, target(), shootDay);
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(QFile::exists(keep.fileName()));
    EXPECT_TRUE(QDir(target() + "/2026-12-07_Nike/01_A/Y/Z").exists());
    EXPECT_EQ(QDir(target()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
}

TEST_F(FolderCreation, EmptyTreeCreatesOnlyTheProjectFolder)
{
    ASSERT_TRUE(FolderCreator::makeProject("", {}, target(), shootDay).ok());
    EXPECT_EQ(listTree(target()), QStringList{"2026-12-07_NewProject"});
}

TEST_F(FolderCreation, FileInTheWayFailsWithSystemErrorAndKeepsEarlierFolders)
{
    ASSERT_TRUE(QDir().mkpath(target() + "/2026-12-07_P"));
    QFile blocker(target() + "/2026-12-07_P/02_B");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Result<QString> made =
        FolderCreator::makeProject("P", tree + QList{folder("03_C")}, target(), shootDay);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().code, EEXIST);
    EXPECT_EQ(made.error().message, blocker.fileName() + ": File exists");
    EXPECT_TRUE(QDir(target() + "/2026-12-07_P/01_A/Y/Z").exists());
    EXPECT_FALSE(QDir(target() + "/2026-12-07_P/03_C").exists());
}

TEST_F(FolderCreation, FileAsTargetFailsBeforeCreatingAnything)
{
    QFile file(tmp.path() + "/notADir");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const Result<QString> made =
        FolderCreator::makeProject("P", tree, file.fileName() + "/deeper", shootDay);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().code, ENOTDIR);
    EXPECT_TRUE(made.error().message.startsWith(file.fileName()));
}

TEST_F(FolderCreation, UnwritableTargetReportsPermissionDenied)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root is not stopped by folder permissions";
    ASSERT_TRUE(QDir().mkpath(target()));
    QFile::setPermissions(target(), QFile::ReadOwner | QFile::ExeOwner);
    const Result<QString> made = FolderCreator::makeProject("P", tree, target(), shootDay);
    QFile::setPermissions(target(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().code, EACCES);
}

class UnsafeNames : public ::testing::TestWithParam<QString> {};

TEST_P(UnsafeNames, AreRefusedBeforeAnyFolderIsCreated)
{
    QTemporaryDir tmp;
    // The bad name sits deep and late, so a creator that checked on the way would already
    // have made folders.
    const QList<FolderNode> nodes{folder("01_Ok", {folder("Fine")}),
                                  folder("02_Ok", {folder("Inner", {folder(GetParam())})})};
    const Result<QString> made = FolderCreator::makeProject("P", nodes, tmp.path(), shootDay);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().code, EINVAL);
    EXPECT_TRUE(listTree(tmp.path()).isEmpty());
    EXPECT_FALSE(FolderCreator::createNodes(nodes, tmp.path()).ok());
    EXPECT_TRUE(listTree(tmp.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Names, UnsafeNames,
                         ::testing::Values(QString(), ".", "..", "a/b", "../escape", "/abs",
                                           QString("nul") + QChar(0) + "byte"),
                         [](const auto &info) {
                             return test::nameByIndex(info, "empty", "dot", "dotDot", "slash",
                                                      "parentEscape", "absolute", "nulByte");
                         });

TEST(FileSystem, MakePathRejectsEmbeddedNul)
{
    QTemporaryDir tmp;
    const QString path = tmp.path() + "/a" + QChar(0) + "b";
    const Result<void> made = FileSystem::makePath(path);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().code, EINVAL);
    EXPECT_FALSE(QDir(tmp.path() + "/a").exists());
}

// Qt's save file commits what a full disk left of its buffer; a target that cannot be
// replaced fails only at the final rename.
TEST(FileSystem, WriteAtomicallyFailsWhenTheDataOrTheRenameFails)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("f");
    ASSERT_TRUE(FileSystem::writeAtomically(path, "old").ok());
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit full{8, saved.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    const bool partly = FileSystem::writeAtomically(path, QByteArray(64, 'x')).ok();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(partly);
    if (test::setInodeFlag(path, FS_APPEND_FL, true) != 0)
        GTEST_SKIP() << "no append-only attribute here";
    const bool renamed = FileSystem::writeAtomically(path, "new").ok();
    test::setInodeFlag(path, FS_APPEND_FL, false);
    EXPECT_FALSE(renamed);
    EXPECT_EQ(FileSystem::readFile(path).value(), "old");
}

// A chosen file in a folder we may not write is written in place; our own stores still only
// replace by rename. In a child without capabilities, so that the folder stops root too.
TEST(FileSystem, ChosenFileInAReadOnlyFolderIsWrittenInPlace)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("templates.json");
    ASSERT_TRUE(FileSystem::writeAtomically(path, "old").ok());
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
    const pid_t child = ::fork();
    if (child == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct none[2]{};
        const bool dropped = ::syscall(SYS_capset, &header, none) == 0;
        const bool atomic = FileSystem::writeAtomically(path, "atomic").ok();
        const bool chosen = FileSystem::writeChosenFile(path, "new").ok();
        ::_exit(int(dropped) | int(atomic) << 1 | int(chosen) << 2);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(WEXITSTATUS(status), 0b101) << "dropped, not atomic, chosen";
    EXPECT_EQ(FileSystem::readFile(path).value(), "new");
}

} // namespace
