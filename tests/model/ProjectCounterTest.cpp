// Running numbers taken by many processes at once, also on FAT and exFAT through FUSE, and
// numbers or names that are already taken.

#include "model/ProjectCounter.h"
#include "sorting/MountSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <map>
#include <sys/wait.h>
#include <unistd.h>

using namespace bp;
using test::FileSystemKind;

namespace {

std::optional<int> leadingNumber(const QString &name)
{
    static const QRegularExpression number(QStringLiteral("^(\\d+)_"));
    const QRegularExpressionMatch match = number.match(name);
    return match.hasMatch() ? std::optional<int>(match.captured(1).toInt()) : std::nullopt;
}

QString named(int number, const QString &rest)
{
    return QStringLiteral("%1_%2").arg(number, 3, 10, QLatin1Char('0')).arg(rest);
}

// Runs job in that many processes at once; true when each returns true.
bool inProcesses(int count, const std::function<bool(int process)> &job)
{
    for (int p = 0; p < count; ++p) {
        if (::fork() == 0)
            ::_exit(job(p) ? 0 : 1);
    }
    bool ok = true;
    for (int status = 0; ::wait(&status) > 0;)
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ok;
}

class ManyProcesses : public ::testing::TestWithParam<FileSystemKind> {};

// No number is used twice; singles, with previews between them, fill 1..N without a gap;
// batches get consecutive runs.
TEST_P(ManyProcesses, NeverShareANumber)
{
    QTemporaryDir dir(QDir::currentPath() + "/bp-counter-XXXXXX");
    test::Mount mount(GetParam(), dir.path());
    if (!mount.ok())
        GTEST_SKIP() << mount.error().toStdString();
    const ProjectCounter counter(mount.path() + "/projects", leadingNumber);
    constexpr int processes = 6, runs = 3;
    for (const int size : {1, 3}) {
        ASSERT_TRUE(inProcesses(processes, [&](int p) {
            bool ok = true;
            for (int r = 0; r < runs; ++r) {
                const QString run = QString("%1x%2-%3_").arg(size).arg(p).arg(r);
                const auto name = [&](int i, int n) { return named(n, run + QString::number(i)); };
                ok = counter.peek() && counter.createProjects(size, name) && ok;
            }
            return ok;
        }));
    }
    const QDir target(counter.targetPath());
    std::map<int, QString> byNumber;
    for (const QString &name : target.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        EXPECT_TRUE(byNumber.emplace(leadingNumber(name).value_or(-1), name).second)
            << name.toStdString();
    EXPECT_EQ(byNumber.size(), std::size_t(processes * runs * 4));
    for (int n = 1; n <= processes * runs; ++n)
        EXPECT_TRUE(byNumber.count(n)) << "gap at " << n;
    for (const auto &[n, name] : byNumber) {
        const QString run = name.section('_', 1, 1) + "_";
        for (int i = 1; name.endsWith("_0") && i < run.left(1).toInt(); ++i)
            EXPECT_TRUE(target.exists(named(n + i, run + QString::number(i))));
    }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, ManyProcesses,
                         ::testing::Values(FileSystemKind::disk, FileSystemKind::fuseFat,
                                           FileSystemKind::fuseExfat),
                         [](const auto &info) { return std::string(test::kindName(info.param)); });

TEST(ProjectCounter, SkipsWhatIsTakenAndNeverMerges)
{
    QTemporaryDir dir;
    const QString target = dir.path();
    EXPECT_EQ(ProjectCounter(target + "/new", leadingNumber).peek().value(), 1);
    // Matching folders raise the number, a folder of another pattern does not.
    for (const char *folder : {"004_old", "x_090", "P7"})
        QDir(target).mkpath(folder);
    const ProjectCounter counter(target, leadingNumber);
    EXPECT_EQ(counter.peek().value(), 5);
    // A number taken elsewhere is skipped.
    QDir(target).mkpath(".brindlepath-teller/5");
    EXPECT_EQ(counter.createProject([](int n) { return named(n, "a"); }).value().number, 6);
    // A name that is there already is never merged into: the next number is taken instead.
    const auto p = [](int n) { return QString("P%1").arg(n); };
    EXPECT_EQ(counter.createProject(p).value().path, target + "/P8");
    EXPECT_EQ(counter.createProject([](int) { return QString("x_090"); }).error().code, EEXIST);
    // A taken entry inside a batch's run moves the whole run on.
    QDir(target).mkpath(".brindlepath-teller/10");
    const auto run = counter.createProjects(3, [](int, int n) { return named(n, "b"); });
    EXPECT_EQ(run.value().first().path, target + "/011_b");
    // Any other failure leaves nothing behind and gives the numbers back.
    const QString tooLong(300, 'x');
    const auto failing =
        counter.createProjects(2, [&](int i, int n) { return named(n, i ? tooLong : "c"); });
    EXPECT_EQ(failing.error().code, ENAMETOOLONG);
    EXPECT_FALSE(QFileInfo::exists(target + "/014_c"));
    EXPECT_EQ(counter.peek().value(), 14);
}

} // namespace
