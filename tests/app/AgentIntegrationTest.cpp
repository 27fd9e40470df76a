// The real agent and its command line, on a private session bus and a private X server.
#include "DesktopPeer.h"
#include "X11TestSupport.h"
#include "platform/AgentClient.h"
#include "platform/DBusApplicationService.h"
#include "stores/Preferences.h"

#include "contract/AppGroupKeys.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

using namespace bp;

namespace {

struct Output {
    int status = -1;
    QString out;
};

class Agent : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<test::XvfbServer>(); }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override
    {
        ASSERT_FALSE(server->display().empty()) << "Xvfb did not start";
        ASSERT_TRUE(bus.isConnected()) << "tests run inside dbus-run-session";
        env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", QString::fromStdString(server->display()));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("WAYLAND_DISPLAY");
        ASSERT_EQ(run({"config", "set", "onboardingCompleted", "true"}).status, 0);

        ASSERT_TRUE(desktop.publish(bus));

        agent.setProcessEnvironment(env);
        agent.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        agent.start(BP_CLI_PATH, {});
        ASSERT_TRUE(test::waitUntil([&] { return AgentClient(bus).agentRunning(); }));
    }

    void TearDown() override
    {
        run({"quit"});
        if (!agent.waitForFinished(20000))
            agent.kill();
        desktop.withdraw(bus);
    }

    Output run(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(BP_CLI_PATH, arguments);
        process.waitForFinished(30000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
    }

    QString xdotool(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start("xdotool", arguments);
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    // Waits for the setup window, types a project name into it and creates the project.
    void createInSetupWindow(const QString &name)
    {
        const QString window =
            xdotool({"search", "--sync", "--onlyvisible", "--name", "Create Project Structure"})
                .section('\n', 0, 0);
        ASSERT_FALSE(window.isEmpty());
        xdotool({"windowfocus", "--sync", window});
        xdotool({"type", "--delay", "20", name});
        xdotool({"key", "ctrl+Return"});
    }

    // The project folders made in folder for name.
    static QStringList projects(const QString &folder, const QString &name)
    {
        return QDir(folder).entryList({"*_" + name}, QDir::Dirs);
    }

    static inline std::unique_ptr<test::XvfbServer> server;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QProcessEnvironment env;
    test::DesktopPeer desktop;
    QProcess agent;
    QTemporaryDir work;
};

TEST_F(Agent, ASecondAgentLeavesQuietly)
{
    const Output second = run({});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(agent.state(), QProcess::Running);
}

TEST_F(Agent, NewFromAnotherProcessOpensTheWindowOnItsFolderAndKeepsIt)
{
    QDir(work.path()).mkpath("A");
    QDir(work.path()).mkpath("B");
    ASSERT_EQ(run({"new", work.filePath("A")}).status, 0);
    // A second request while the window is visible only brings it forward.
    ASSERT_EQ(run({"new", work.filePath("B")}).status, 0);
    createInSetupWindow("Nike");

    ASSERT_TRUE(test::waitUntil([&] { return !desktop.revealed.isEmpty(); }));
    const QStringList made = projects(work.filePath("A"), "Nike");
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(projects(work.filePath("B"), "Nike"), QStringList{});
    // The body is the name as the form holds it, which starts with the day it offers.
    ASSERT_EQ(desktop.notified.size(), 1);
    EXPECT_TRUE(desktop.notified.first().startsWith("Structuur aangemaakt ✓ | "));
    EXPECT_TRUE(desktop.notified.first().endsWith("Nike"));
    EXPECT_EQ(desktop.revealed,
              QStringList{QUrl::fromLocalFile(work.filePath("A/" + made.first())).toString()});
}

TEST_F(Agent, CtrlAltNInAnotherApplicationOpensTheSetupWindow)
{
    QDir(work.path()).mkpath("Shoots");
    ASSERT_EQ(run({"config", "set", "defaultBasePath", work.filePath("Shoots")}).status, 0);
    // Any answer from the agent comes after its launch, the key observer's start included.
    ASSERT_EQ(run({"undo"}).status, 0);
    test::ForeignWindow other(server->display());
    ASSERT_TRUE(other.focused());
    ASSERT_TRUE(test::xdotool(server->display(), {"key", "ctrl+alt+n"}));

    createInSetupWindow("Drone");
    ASSERT_TRUE(test::waitUntil([&] { return !desktop.revealed.isEmpty(); }));
    EXPECT_EQ(projects(work.filePath("Shoots"), "Drone").size(), 1);
}

TEST_F(Agent, TheOpenPopupSignalOpensTheFolderLeftInTheSharedSuite)
{
    QDir(work.path()).mkpath("X");
    ASSERT_TRUE(
        Preferences::setSelectedFolderPath(work.filePath("X"), PreferenceSuite::appGroup()).ok());
    ASSERT_EQ(QProcess::execute("gdbus", {"emit", "--session", "--object-path",
                                          AppGroupKeys::signalPath, "--signal",
                                          QStringLiteral("%1.%2").arg(AppGroupKeys::signalInterface,
                                                                      AppGroupKeys::signalMember)}),
              0);
    createInSetupWindow("Zomer");
    EXPECT_TRUE(test::waitUntil([&] { return projects(work.filePath("X"), "Zomer").size() == 1; }));
}

TEST_F(Agent, UndoFromTheCommandLinePutsTheSortedFilesBack)
{
    QFile photo(work.filePath("photo.jpg"));
    ASSERT_TRUE(photo.open(QIODevice::WriteOnly));
    photo.close();
    ASSERT_EQ(run({"new", work.path()}).status, 0);
    createInSetupWindow("Shoot");
    ASSERT_TRUE(test::waitUntil([&] { return !desktop.revealed.isEmpty(); }));
    ASSERT_FALSE(QFile::exists(work.filePath("photo.jpg")));

    const Output undo = run({"undo"});
    EXPECT_EQ(undo.status, 0);
    EXPECT_EQ(undo.out, work.filePath("photo.jpg") + "\n");
    EXPECT_TRUE(QFile::exists(work.filePath("photo.jpg")));
    EXPECT_EQ(run({"undo"}).out, "Nothing to undo.\n");
}

TEST_F(Agent, TerminationQuitsLikeTheQuitItem)
{
    agent.terminate();
    ASSERT_TRUE(agent.waitForFinished(20000));
    EXPECT_EQ(agent.exitStatus(), QProcess::NormalExit);
    EXPECT_FALSE(AgentClient(bus).agentRunning());
}

TEST_F(Agent, AKilledAgentLeavesNothingThatBlocksTheNextStart)
{
    agent.kill();
    ASSERT_TRUE(agent.waitForFinished(20000));
    agent.start(BP_CLI_PATH, {});
    EXPECT_TRUE(test::waitUntil([&] { return AgentClient(bus).agentRunning(); }));
    QDir(work.path()).mkpath("A");
    ASSERT_EQ(run({"new", work.filePath("A")}).status, 0);
    createInSetupWindow("Nike");
    EXPECT_TRUE(test::waitUntil([&] { return projects(work.filePath("A"), "Nike").size() == 1; }));
}

TEST_F(Agent, OpenRefusesAFileFirst)
{
    QFile file(work.filePath("clip.mov"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(run({"open", work.filePath("clip.mov"), work.path()}).status, 1);
}

} // namespace

#include "AgentIntegrationTest.moc"
