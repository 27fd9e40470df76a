// The real agent on a private session bus and X server, and the Nautilus plug-in choosing its
// entry in the file manager's place: one setup window, on the chosen folder, whether the agent
// ran or the bus started it through its installed service file.
#include "DesktopPeer.h"
#include "X11TestSupport.h"
#include "contract/AppGroupKeys.h"
#include "platform/AgentClient.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

using namespace bp;

namespace {

class PluginToAgent : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
        ASSERT_TRUE(bus.isConnected()) << "tests run inside dbus-run-session";
        ASSERT_TRUE(home.isValid());
        env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("DISPLAY", QString::fromStdString(server.display()));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("WAYLAND_DISPLAY");
        ASSERT_EQ(run(BP_CLI_PATH, {"config", "set", "onboardingCompleted", "true"}), 0);

        ASSERT_TRUE(desktop.publish(bus));
        // An agent the bus starts gets this environment too.
        ASSERT_EQ(run("dbus-update-activation-environment", {"--all"}), 0);
    }

    void startAgent()
    {
        agent.setProcessEnvironment(env);
        agent.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        agent.start(BP_CLI_PATH, {});
        ASSERT_TRUE(test::waitUntil([&] { return AgentClient(bus).agentRunning(); }));
    }

    void TearDown() override
    {
        run(BP_CLI_PATH, {"quit"});
        EXPECT_TRUE(test::waitUntil([&] { return !AgentClient(bus).agentRunning(); }));
        if (agent.state() != QProcess::NotRunning && !agent.waitForFinished(20000))
            agent.kill();
        desktop.withdraw(bus);
    }

    // The one visible setup window: names the project and creates it.
    void createInTheOneSetupWindow(const QString &name)
    {
        const QStringList windows =
            xdotool({"search", "--sync", "--onlyvisible", "--name", "Create Project Structure"});
        ASSERT_EQ(windows.size(), 1);
        xdotool({"windowfocus", "--sync", windows.first()});
        xdotool({"type", "--delay", "20", name});
        xdotool({"key", "ctrl+Return"});
    }

    int run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, arguments);
        process.waitForFinished(60000);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QStringList xdotool(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start("xdotool", arguments);
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    test::XvfbServer server;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QProcessEnvironment env;
    test::DesktopPeer desktop;
    QProcess agent;
    QTemporaryDir home;
};

TEST_F(PluginToAgent, ChoosingTheEntryOnShootsOpensOneSetupWindowThere)
{
    startAgent();
    const QString shoots = home.filePath("Shoots");
    ASSERT_TRUE(QDir().mkpath(shoots));
    ASSERT_EQ(run(BP_ACTIVATE_PATH, {BP_NAUTILUS_PLUGIN, shoots}), 0);

    createInTheOneSetupWindow("Nike");
    EXPECT_TRUE(test::waitUntil(
        [&] { return QDir(shoots).entryList({"*_Nike"}, QDir::Dirs).size() == 1; }));
}

TEST_F(PluginToAgent, WithTheAgentStoppedTwoClicksStartItAndOpenOneSetupWindowThere)
{
    ASSERT_FALSE(AgentClient(bus).agentRunning());
    const QString shoots = home.filePath("Shoots");
    ASSERT_TRUE(QDir().mkpath(shoots));
    // A suite the plug-in cannot update: only the call's own folder leads to Shoots.
    const QString suite = env.value("XDG_CONFIG_HOME") + "/brindlepath";
    ASSERT_TRUE(QDir().mkpath(suite));
    QFile stale(suite + "/" BP_APP_GROUP_SUITE_NAME ".json");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("{\"selectedFolderPath\": \"/stale\"");
    stale.close();
    // Both clicks come while the agent starts; each returns once its call was answered.
    QProcess clicks[2];
    for (QProcess &click : clicks) {
        click.setProcessEnvironment(env);
        click.setProcessChannelMode(QProcess::ForwardedChannels);
        click.start(BP_ACTIVATE_PATH, {BP_NAUTILUS_PLUGIN, shoots});
    }
    for (QProcess &click : clicks) {
        ASSERT_TRUE(click.waitForFinished(60000));
        EXPECT_EQ(click.exitCode(), 0);
    }
    ASSERT_TRUE(AgentClient(bus).agentRunning());

    createInTheOneSetupWindow("Drone");
    EXPECT_TRUE(test::waitUntil(
        [&] { return QDir(shoots).entryList({"*_Drone"}, QDir::Dirs).size() == 1; }));
}

} // namespace

#include "PluginToAgentTest.moc"
