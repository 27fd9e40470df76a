#include "PlatformTestSupport.h"
#include "platform/AgentClient.h"
#include "platform/AgentJob.h"
#include "platform/DBusApplicationService.h"
#include "platform/DBusHandOverChannel.h"
#include "platform/FreedesktopNotifier.h"
#include "workflow/JobRegistry.h"

#include "brindlepathinterface.h"

#include "contract/AppGroupKeys.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QProcess>

#include <climits>

#include <functional>
#include <memory>

using namespace bp;
using bp::test::waitUntil;

namespace {

// A second client of the private bus, as another process would be.
QDBusConnection otherConnection(const QString &name)
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}

// Stands in for the desktop's notification server and records every call as it arrived.
class NotificationServer final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QString signature;
    QVariantList arguments;
    QVariantMap hints;

public Q_SLOTS:
    uint Notify(const QString &, uint, const QString &, const QString &, const QString &,
                const QStringList &, const QVariantMap &hintsSent, int)
    {
        signature = message().signature();
        arguments = message().arguments();
        // The dictionary arrives still marshalled among the raw arguments.
        arguments[6] = hintsSent;
        hints = hintsSent;
        return 7;
    }
};

TEST(FreedesktopNotifier, PostsOneNotifyWithOurNameIconHintsAndTheServersTimeout)
{
    QDBusConnection server = otherConnection(QStringLiteral("notification-server"));
    NotificationServer recorder;
    ASSERT_TRUE(server.registerObject(FreedesktopNotifier::path, &recorder,
                                      QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService(FreedesktopNotifier::service));

    FreedesktopNotifier notifier;
    notifier.notify(QStringLiteral("Structuur aangemaakt ✓"), QStringLiteral("A, B"));
    ASSERT_TRUE(waitUntil([&] { return !recorder.arguments.isEmpty(); }));

    EXPECT_EQ(recorder.signature, "susssasa{sv}i");
    const QVariantMap hints{{"desktop-entry", "com.quenmoor.brindlepath"},
                            {"sound-name", "complete"}};
    const QVariantList expected{"Brindlepath",
                                0u,
                                "com.quenmoor.brindlepath",
                                "Structuur aangemaakt ✓",
                                "A, B",
                                QStringList(),
                                hints,
                                qint32(-1)};
    ASSERT_EQ(recorder.arguments.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(recorder.arguments[i], expected[i]) << "argument " << i;

    server.unregisterService(FreedesktopNotifier::service);
    server.unregisterObject(FreedesktopNotifier::path);
    QDBusConnection::disconnectFromBus(QStringLiteral("notification-server"));
}

TEST(FreedesktopNotifier, RunsTheActionOnlyWhenTheServerInvokesItOnOurNotification)
{
    QDBusConnection server = otherConnection(QStringLiteral("notification-server"));
    NotificationServer recorder;
    ASSERT_TRUE(server.registerObject(FreedesktopNotifier::path, &recorder,
                                      QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService(FreedesktopNotifier::service));

    FreedesktopNotifier notifier;
    int runs = 0;
    notifier.notifyWithAction("Kaart gevonden: A", "DCIM", "Importeer in project", [&] { ++runs; });
    ASSERT_TRUE(waitUntil([&] { return !recorder.arguments.isEmpty(); }));
    EXPECT_EQ(recorder.arguments[5], QStringList({"import", "Importeer in project"}));
    // Another notification's action and another action of ours come first; the bus keeps order.
    for (const auto &[id, action] : {std::pair(8u, "import"), {7u, "default"}, {7u, "import"}})
        server.send(QDBusMessage::createSignal(FreedesktopNotifier::path,
                                               FreedesktopNotifier::service, "ActionInvoked")
                    << id << QString(action));
    ASSERT_TRUE(waitUntil([&] { return runs > 0; }));
    EXPECT_EQ(runs, 1);

    server.unregisterService(FreedesktopNotifier::service);
    server.unregisterObject(FreedesktopNotifier::path);
    QDBusConnection::disconnectFromBus(QStringLiteral("notification-server"));
}

// A signal that may or may not be the hand-over signal, sent from another connection.
struct SignalCase {
    const char *name;
    QString path;
    QString interface;
    QString member;
    bool handedOver;
};

void PrintTo(const SignalCase &c, std::ostream *os)
{
    *os << c.name;
}

class HandOverSignal : public ::testing::TestWithParam<SignalCase> {};

TEST_P(HandOverSignal, OnlyTheOpenPopupSignalCallsTheHandler)
{
    DBusHandOverChannel channel;
    int calls = 0;
    ASSERT_TRUE(channel.listen([&](std::optional<QString>) { ++calls; }));

    QDBusConnection sender = otherConnection(QStringLiteral("plug-in"));
    const SignalCase &c = GetParam();
    ASSERT_TRUE(sender.send(QDBusMessage::createSignal(c.path, c.interface, c.member)));
    // The real signal afterwards: the bus keeps the order, so once it has arrived the one
    // before has been dealt with.
    ASSERT_TRUE(sender.send(QDBusMessage::createSignal(
        AppGroupKeys::signalPath, AppGroupKeys::signalInterface, AppGroupKeys::signalMember)));
    const int expected = c.handedOver ? 2 : 1;
    ASSERT_TRUE(waitUntil([&] { return calls >= expected; }));
    EXPECT_EQ(calls, expected);
    QDBusConnection::disconnectFromBus(QStringLiteral("plug-in"));
}

INSTANTIATE_TEST_SUITE_P(
    Signals, HandOverSignal,
    ::testing::Values(SignalCase{"OpenPopup", AppGroupKeys::signalPath,
                                 AppGroupKeys::signalInterface, AppGroupKeys::signalMember, true},
                      SignalCase{"OtherMember", AppGroupKeys::signalPath,
                                 AppGroupKeys::signalInterface, "closePopup", false},
                      SignalCase{"OtherInterface", AppGroupKeys::signalPath, "com.quenmoor.other",
                                 AppGroupKeys::signalMember, false},
                      SignalCase{"OtherPath", "/com/quenmoor/other", AppGroupKeys::signalInterface,
                                 AppGroupKeys::signalMember, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HandOverChannel, TakesTheSignalThatGdbusEmits)
{
    DBusHandOverChannel channel;
    int calls = 0;
    ASSERT_TRUE(channel.listen([&](std::optional<QString>) { ++calls; }));
    const int status = QProcess::execute(
        "gdbus",
        {"emit", "--session", "--object-path", AppGroupKeys::signalPath, "--signal",
         QStringLiteral("%1.%2").arg(AppGroupKeys::signalInterface, AppGroupKeys::signalMember)});
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(waitUntil([&] { return calls == 1; }));
}

// Records every request, with the token that came with it, as one line each.
class RecordingRequests final : public ApplicationRequests {
public:
    QStringList log;
    QStringList putBack{"/shoots/a.jpg"};
    bool undoFails = false;

    void setActivationToken(const QString &token) override { m_token = token; }
    void openProjectSetup(std::optional<QString> folder) override
    {
        add("openProjectSetup " + folder.value_or("(none)"));
    }
    void openFiles(const QStringList &paths) override { add("openFiles " + paths.join(' ')); }
    void openSettings() override { add("openSettings"); }
    Result<QStringList> undoNow() override
    {
        add("undoNow");
        if (undoFails)
            return Error::withMessage("clip.mov: File exists");
        return putBack;
    }
    void quit() override { add("quit"); }

private:
    void add(const QString &line) { log += m_token.isEmpty() ? line : line + " @" + m_token; }
    QString m_token;
};

// An agent's side of the bus in this process, its requests recorded.
struct ServedAgent {
    explicit ServedAgent(const QDBusConnection &bus = QDBusConnection::sessionBus())
        : handOver(bus), service({requests, handOver, jobs}, bus)
    {}
    RecordingRequests requests;
    DBusHandOverChannel handOver;
    JobRegistry jobs;
    DBusApplicationService service;
};

TEST(ApplicationService, OneAgentOwnsTheNameAndASecondIsToldAtOnce)
{
    auto owner = std::make_unique<ServedAgent>();
    ASSERT_EQ(owner->service.start(), DBusApplicationService::Ownership::owned);

    QDBusConnection other = otherConnection(QStringLiteral("second-agent"));
    {
        ServedAgent late(other);
        EXPECT_EQ(late.service.start(), DBusApplicationService::Ownership::taken);
    }
    // The name is free again once the owner is gone, as after a crash.
    owner.reset();
    ServedAgent next(other);
    EXPECT_EQ(next.service.start(), DBusApplicationService::Ownership::owned);
    QDBusConnection::disconnectFromBus(QStringLiteral("second-agent"));
}

// One request from the command line's client, and what the agent was asked to do.
struct RequestCase {
    const char *name;
    QByteArray tokenVariable;
    std::function<bool(AgentClient &)> send;
    QStringList expected;
};

void PrintTo(const RequestCase &c, std::ostream *os)
{
    *os << c.name;
}

class AgentRequest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(AgentRequest, ReachesTheAgentWithTheCallersToken)
{
    const RequestCase &c = GetParam();
    qunsetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("DESKTOP_STARTUP_ID");
    if (!c.tokenVariable.isEmpty())
        qputenv(c.tokenVariable, "token-42");

    ServedAgent agent;
    ASSERT_EQ(agent.service.start(), DBusApplicationService::Ownership::owned);

    QDBusConnection bus = otherConnection(QStringLiteral("command-line"));
    AgentClient client(bus);
    EXPECT_TRUE(client.agentRunning());
    EXPECT_TRUE(c.send(client));
    EXPECT_EQ(agent.requests.log, c.expected);

    qunsetenv(c.tokenVariable.isEmpty() ? "XDG_ACTIVATION_TOKEN" : c.tokenVariable.constData());
    QDBusConnection::disconnectFromBus(QStringLiteral("command-line"));
}

INSTANTIATE_TEST_SUITE_P(
    Requests, AgentRequest,
    ::testing::Values(
        RequestCase{"NewWithoutFolder",
                    "",
                    [](AgentClient &c) { return c.activateAction("new"); },
                    {"openProjectSetup (none)"}},
        RequestCase{"NewWithFolderAndActivationToken",
                    "XDG_ACTIVATION_TOKEN",
                    [](AgentClient &c) { return c.activateAction("new", {"/"}); },
                    {"openProjectSetup / @token-42"}},
        RequestCase{"SettingsWithStartupId",
                    "DESKTOP_STARTUP_ID",
                    [](AgentClient &c) { return c.activateAction("settings"); },
                    {"openSettings @token-42"}},
        RequestCase{
            "UndoAction", "", [](AgentClient &c) { return c.activateAction("undo"); }, {"undoNow"}},
        RequestCase{"Quit", "", [](AgentClient &c) { return c.activateAction("quit"); }, {"quit"}},
        RequestCase{"UnknownActionIsIgnored",
                    "",
                    [](AgentClient &c) { return c.activateAction("sing"); },
                    {}},
        RequestCase{"OpenPassesLocalPathsInOrder",
                    "",
                    [](AgentClient &c) {
                        return c.open({"/shoots/a file.jpg", "/shoots/Été Zomer"});
                    },
                    {"openFiles /shoots/a file.jpg /shoots/Été Zomer"}},
        RequestCase{"UndoTellsWhatWasPutBack",
                    "",
                    [](AgentClient &c) {
                        const Result<QStringList> putBack = c.undo();
                        return putBack && putBack.value() == QStringList{"/shoots/a.jpg"};
                    },
                    {"undoNow"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ApplicationService, AFailedUndoReachesTheCommandLineAsAFailure)
{
    ServedAgent agent;
    agent.requests.undoFails = true;
    ASSERT_EQ(agent.service.start(), DBusApplicationService::Ownership::owned);
    AgentClient client(otherConnection(QStringLiteral("command-line")));
    const Result<QStringList> putBack = client.undo();
    ASSERT_FALSE(putBack);
    EXPECT_EQ(putBack.error().message, "clip.mov: File exists");
    QDBusConnection::disconnectFromBus(QStringLiteral("command-line"));
}

TEST(ApplicationService, DesktopsActivateWithoutAnActionToOpenTheSetupWindow)
{
    ServedAgent agent;
    ASSERT_EQ(agent.service.start(), DBusApplicationService::Ownership::owned);

    QDBusConnection desktop = otherConnection(QStringLiteral("desktop"));
    OrgFreedesktopApplicationInterface application(DBusApplicationService::name,
                                                   DBusApplicationService::path, desktop);
    application.Activate({{"activation-token", "launcher-1"}});
    EXPECT_TRUE(waitUntil([&] { return !agent.requests.log.isEmpty(); }));
    EXPECT_EQ(agent.requests.log, QStringList{{"openProjectSetup (none) @launcher-1"}});
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
}

TEST(ApplicationService, AFileManagerCallAndTheSignalAfterItAreOneRequestWithTheCallsFolder)
{
    ServedAgent agent;
    QList<std::optional<QString>> requests;
    agent.handOver.listen([&](std::optional<QString> folder) { requests += folder; });
    ASSERT_EQ(agent.service.start(), DBusApplicationService::Ownership::owned);

    // Two clicks as the plug-in makes them, then a bare signal of its own: one sender keeps
    // its order on the bus.
    QDBusConnection plugin = otherConnection(QStringLiteral("plug-in"));
    ComQuenmoorBrindlepathInterface proxy(DBusApplicationService::name,
                                          DBusApplicationService::path, plugin);
    const QDBusMessage bare = QDBusMessage::createSignal(
        AppGroupKeys::signalPath, AppGroupKeys::signalInterface, AppGroupKeys::signalMember);
    const QString folders[] = {"/", QCoreApplication::applicationDirPath()};
    for (const QString &folder : folders) {
        proxy.OpenFolder(folder, {});
        plugin.send(bare);
    }
    plugin.send(bare);
    ASSERT_TRUE(waitUntil([&] { return requests.size() >= 3; }));
    EXPECT_EQ(requests, (QList<std::optional<QString>>{folders[0], folders[1], std::nullopt}));
    QDBusConnection::disconnectFromBus(QStringLiteral("plug-in"));
}

TEST(ApplicationService, HostileArgumentsOpenNoFolderAndAWrongTypeIsAnError)
{
    ServedAgent agent;
    QList<std::optional<QString>> handedOver;
    agent.handOver.listen([&](std::optional<QString> folder) { handedOver += folder; });
    ASSERT_EQ(agent.service.start(), DBusApplicationService::Ownership::owned);
    QDBusConnection bus = otherConnection(QStringLiteral("hostile"));
    OrgFreedesktopApplicationInterface application(DBusApplicationService::name,
                                                   DBusApplicationService::path, bus);
    ComQuenmoorBrindlepathInterface proxy(DBusApplicationService::name,
                                          DBusApplicationService::path, bus);
    const auto answer = [](const QDBusPendingCall &call) {
        EXPECT_TRUE(waitUntil([&] { return call.isFinished(); }));
        return call.error().type();
    };
    EXPECT_EQ(answer(application.ActivateAction("new", {5}, {})), QDBusError::InvalidArgs);
    const QString file = QCoreApplication::applicationFilePath();
    const QString bad[] = {"relative/path", file + "-gone", file, "/" + QString(PATH_MAX, 'a'),
                           "/" + QString(1 << 20, 'a')};
    for (const QString &path : bad) {
        EXPECT_EQ(answer(application.ActivateAction("new", {path}, {})), QDBusError::NoError);
        EXPECT_EQ(answer(proxy.OpenFolder(path, {})), QDBusError::NoError);
    }
    for (const QString uri : {"file:///etc%00/anything", "file:///etc%FF"})
        EXPECT_EQ(answer(application.Open({uri}, {})), QDBusError::NoError);
    // Not EXPECT_EQ: a failure would print megabytes.
    EXPECT_TRUE(agent.requests.log == QStringList(std::size(bad), "openProjectSetup (none)") +
                                          QStringList(2, "openFiles "));
    EXPECT_TRUE(handedOver == QList<std::optional<QString>>(std::size(bad), QString()));
    QDBusConnection::disconnectFromBus(QStringLiteral("hostile"));
}

TEST(ApplicationService, TheGeneratedProxyListsFollowsAndCancelsJobs)
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
    ServedAgent agent;
    ASSERT_EQ(agent.service.start(), DBusApplicationService::Ownership::owned);
    int cancels = 0;
    const QString copy = agent.jobs.add("Kaart A", JobRegistry::Unit::bytes, [&] { ++cancels; });
    agent.jobs.add("Kaart B", JobRegistry::Unit::files, {});

    QDBusConnection tray = otherConnection(QStringLiteral("tray"));
    ComQuenmoorBrindlepathInterface proxy(DBusApplicationService::name,
                                          DBusApplicationService::path, tray);
    QList<QVariantMap> changed;
    QObject::connect(&proxy, &ComQuenmoorBrindlepathInterface::JobsChanged,
                     [&](const QList<QVariantMap> &jobs) { changed = jobs; });
    // The agent answers in this very process: the tests wait in its event loop. The round
    // trip also makes sure the bus has the match rule before anything changes.
    QDBusPendingReply<QList<QVariantMap>> listed = proxy.ListJobs();
    ASSERT_TRUE(waitUntil([&] { return listed.isFinished(); }));
    ASSERT_TRUE(listed.isValid()) << listed.error().message().toStdString();
    EXPECT_EQ(listed.value().size(), 2);

    agent.jobs.setProgress(copy, 512, 2048, "DSC_0001.ARW");
    ASSERT_TRUE(waitUntil([&] { return !changed.isEmpty(); }));
    EXPECT_EQ(changed.first(), (QVariantMap{{"id", copy},
                                            {"description", "Kaart A"},
                                            {"item", "DSC_0001.ARW"},
                                            {"processed", 512ull},
                                            {"total", 2048ull},
                                            {"unit", "bytes"},
                                            {"cancelling", false}}));

    for (const QString &id : {copy, copy, QStringLiteral("no-such-job")}) {
        QDBusPendingReply<bool> cancelled = proxy.CancelJob(id);
        ASSERT_TRUE(waitUntil([&] { return cancelled.isFinished(); }));
        EXPECT_EQ(cancelled.value(), id == copy) << id.toStdString();
    }
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(agent.jobs.jobs().first().cancelling);
    QDBusConnection::disconnectFromBus(QStringLiteral("tray"));
}

// The command line's offload joins the tray's list: progress and cancel pass both ways, only
// its owner may end it, and it leaves with its owner even when never ended.
TEST(ApplicationService, AnotherProcesssJobIsListedCancelledAndLeavesWithItsOwner)
{
    ServedAgent agent;
    ASSERT_EQ(agent.service.start(), DBusApplicationService::Ownership::owned);
    int cancels = 0;
    QDBusConnection tray = otherConnection(QStringLiteral("tray"));
    ComQuenmoorBrindlepathInterface trayProxy(DBusApplicationService::name,
                                              DBusApplicationService::path, tray);
    {
        AgentJob job(
            "Kaart importeren: A001", "bytes", [&] { ++cancels; },
            otherConnection(QStringLiteral("command-line")));
        ASSERT_TRUE(waitUntil([&] { return job.listed(); }));
        job.progress(10, 100, "CLIP0001.MXF");
        ASSERT_TRUE(waitUntil([&] { return agent.jobs.jobs().value(0).processed == 10; }));
        EXPECT_EQ(agent.jobs.jobs().first().currentItem, "CLIP0001.MXF");
        const QString id = agent.jobs.jobs().first().id;

        QDBusPendingReply<> stranger = trayProxy.EndJob(id);
        ASSERT_TRUE(waitUntil([&] { return stranger.isFinished(); }));
        EXPECT_TRUE(stranger.isError());
        QDBusPendingReply<bool> cancelled = trayProxy.CancelJob(id);
        ASSERT_TRUE(waitUntil([&] { return cancels == 1; }));
        EXPECT_EQ(agent.jobs.jobs().size(), 1);
    }
    ASSERT_TRUE(waitUntil([&] { return agent.jobs.jobs().isEmpty(); }));
    QDBusConnection::disconnectFromBus(QStringLiteral("command-line"));

    {
        // As when killed: it never says it ended.
        ComQuenmoorBrindlepathInterface killed(DBusApplicationService::name,
                                               DBusApplicationService::path,
                                               otherConnection(QStringLiteral("killed")));
        QDBusPendingReply<QString> added = killed.AddJob("Controleren: A001", "bytes");
        ASSERT_TRUE(waitUntil([&] { return added.isFinished(); }));
        EXPECT_EQ(agent.jobs.jobs().size(), 1);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("killed"));
    EXPECT_TRUE(waitUntil([&] { return agent.jobs.jobs().isEmpty(); }));
    QDBusConnection::disconnectFromBus(QStringLiteral("tray"));
}

} // namespace

#include "AgentBusTest.moc"
