// Copy progress of the real brindlepath binary, sorting into a tmpfs so that files are copied.
#include "sorting/MountSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using bp::test::FileSystemKind;
using bp::test::Mount;

constexpr qsizetype clipSize = 20 << 20;

struct ProgressCase {
    const char *name;
    QStringList arguments; // %S: the shoot folder, %P: the project folder
    bool json;
};

void PrintTo(const ProgressCase &c, std::ostream *os)
{
    *os << c.name;
}

class SortProgress : public ::testing::TestWithParam<ProgressCase> {};

// Standard output keeps its one result document; progress goes to standard error, as JSON
// lines with --json and not at all when standard error is no terminal.
TEST_P(SortProgress, GoesToStandardErrorOnlyAsJsonLines)
{
    QTemporaryDir tmp;
    const QString shoot = tmp.path() + "/Shoots";
    QDir().mkpath(shoot);
    // The project folder create makes is the mount point.
    const Mount project(FileSystemKind::tmpfs, shoot, "size=64m", "2026-12-07_P");
    if (!project.ok())
        GTEST_SKIP() << project.error().toStdString();
    QFile clip(shoot + "/clip.mov");
    ASSERT_TRUE(clip.open(QIODevice::WriteOnly) && clip.write(QByteArray(clipSize, 'c')));
    clip.close();

    QStringList arguments;
    for (QString argument : GetParam().arguments)
        arguments << argument.replace("%S", shoot).replace("%P", project.path());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", tmp.path() + "/config");
    p.setProcessEnvironment(env);
    p.start(BP_CLI_PATH, arguments);
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray out = p.readAllStandardOutput();
    const QByteArray err = p.readAllStandardError();
    ASSERT_EQ(p.exitCode(), 0) << err.toStdString();

    const QString destination = project.path() + "/01_Footage/clip.mov";
    EXPECT_EQ(QFileInfo(destination).size(), clipSize);
    if (!GetParam().json) {
        EXPECT_TRUE(out.endsWith(" -> " + destination.toUtf8() + "\n")) << out.toStdString();
        EXPECT_EQ(err, "");
        return;
    }
    QJsonParseError error;
    const QJsonDocument result = QJsonDocument::fromJson(out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
    EXPECT_EQ(result["moves"][0]["destination"].toString(), destination);
    const QList<QByteArray> lines = err.trimmed().split('\n');
    for (const QByteArray &line : lines) {
        const QJsonObject progress = QJsonDocument::fromJson(line)["progress"].toObject();
        EXPECT_EQ(progress["file"].toString(), shoot + "/clip.mov") << line.toStdString();
        EXPECT_EQ(progress["total"].toInteger(), clipSize);
        EXPECT_EQ(progress["number"].toInt(), 1);
        EXPECT_EQ(progress["count"].toInt(), 1);
    }
    EXPECT_EQ(QJsonDocument::fromJson(lines.first())["progress"]["bytes"].toInteger(), 8 << 20);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SortProgress,
    ::testing::Values(
        ProgressCase{"sortJson", {"sort", "--source", "%S", "--into", "%P", "--json"}, true},
        ProgressCase{"sortPlain", {"sort", "--source", "%S", "--into", "%P"}, false},
        ProgressCase{
            "createSortJson",
            {"create", "--target", "%S", "--name", "P", "--date", "2026-12-07", "--sort", "--json"},
            true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
