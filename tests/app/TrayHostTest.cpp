// The agent's tray item and menu as a desktop panel sees them: a status notifier watcher of the
// test's own on a private bus, the menu read and clicked through com.canonical.dbusmenu, on a
// private X server with a window manager.
#include "DesktopPeer.h"
#include "X11TestSupport.h"
#include "platform/AgentClient.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>

#include <functional>
#include <memory>

using namespace bp;

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");

// A panel's watcher: items register with it, and it reports a host that shows them.
class Watcher final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    // Bus name and object path of every registration, in order.
    QStringList items;
    bool host = true;

    QStringList registeredItems() const { return items; }
    bool hostRegistered() const { return host; }
    void announceHost()
    {
        host = true;
        emit StatusNotifierHostRegistered();
    }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &serviceOrPath)
    {
        // An item names its bus name, or only its object path on the calling connection.
        const bool pathOnly = serviceOrPath.startsWith('/');
        items += (pathOnly ? message().service() : serviceOrPath) +
                 (pathOnly ? serviceOrPath : QStringLiteral("/StatusNotifierItem"));
        emit StatusNotifierItemRegistered(items.last());
    }
    void RegisterStatusNotifierHost(const QString &) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString &item);
    void StatusNotifierItemUnregistered(const QString &item);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();
};

// Counts the menu's change signals, which a panel needs to show a changed row.
class MenuChanges final : public QObject {
    Q_OBJECT
public:
    int count = 0;

public Q_SLOTS:
    void layoutUpdated(uint, int) { ++count; }
    void propertiesUpdated(const QDBusMessage &) { ++count; }
};

struct MenuRow {
    int id = 0;
    QVariantMap properties;
    QList<MenuRow> children;
};

// One (ia{sv}av) node of GetLayout, with its children.
MenuRow readRow(const QDBusArgument &argument)
{
    MenuRow row;
    argument.beginStructure();
    argument >> row.id >> row.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        row.children += readRow(qvariant_cast<QDBusArgument>(child.variant()));
    }
    argument.endArray();
    argument.endStructure();
    return row;
}

// A row as a panel would draw it: label, shortcut and state, or a line for a separator.
QString describe(const MenuRow &row)
{
    if (row.properties.value("type").toString() == u"separator")
        return QStringLiteral("---");
    QString text = row.properties.value("label").toString();
    for (const QStringList &keys : qdbus_cast<QList<QStringList>>(row.properties.value("shortcut")))
        text += " [" + keys.join('+') + "]";
    if (!row.properties.value("enabled", true).toBool())
        text += " (disabled)";
    if (!row.properties.value("visible", true).toBool())
        text += " (hidden)";
    return text;
}

// The sizes of an a(iiay) list of ARGB pixmaps that carry all their pixels.
QList<QSize> readPixmapSizes(const QDBusArgument &argument)
{
    QList<QSize> sizes;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray pixels;
        argument.beginStructure();
        argument >> width >> height >> pixels;
        argument.endStructure();
        if (pixels.size() == qsizetype(width) * height * 4)
            sizes += QSize(width, height);
    }
    argument.endArray();
    return sizes;
}

QList<QSize> pixmapSizes(const QVariant &value)
{
    return readPixmapSizes(qvariant_cast<QDBusArgument>(value));
}

// The title of an item's (sa(iiay)ss) tooltip.
QString toolTipTitle(const QVariant &value)
{
    const auto argument = qvariant_cast<QDBusArgument>(value);
    QString iconName;
    QString title;
    argument.beginStructure();
    argument >> iconName;
    readPixmapSizes(argument);
    argument >> title;
    argument.endStructure();
    return title;
}

struct Output {
    int status = -1;
    QString out;
};

class TrayHost : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<test::XvfbServer>();
        if (!server->display().empty())
            windowManager = std::make_unique<test::WindowManager>(server->display());
    }
    static void TearDownTestSuite()
    {
        windowManager.reset();
        server.reset();
    }

    void SetUp() override
    {
        ASSERT_FALSE(server->display().empty()) << "Xvfb did not start";
        ASSERT_TRUE(windowManager->running()) << "openbox did not start";
        ASSERT_TRUE(bus.isConnected()) << "tests run inside dbus-run-session";
        env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", QString::fromStdString(server->display()));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("WAYLAND_DISPLAY");
        ASSERT_EQ(run({"config", "set", "onboardingCompleted", "true"}).status, 0);
        ASSERT_EQ(run({"config", "set", "defaultBasePath", work.path()}).status, 0);

        ASSERT_TRUE(desktop.publish(bus));
    }

    void TearDown() override
    {
        if (agent.state() != QProcess::NotRunning) {
            run({"quit"});
            if (!agent.waitForFinished(20000))
                agent.kill();
        }
        hideWatcher();
        desktop.withdraw(bus);
    }

    // Starts the agent and waits until its launch is over: it answers only after that.
    void startAgent()
    {
        agent.setProcessEnvironment(env);
        agent.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        agent.start(BP_CLI_PATH, {});
        ASSERT_TRUE(test::waitUntil([&] { return AgentClient(bus).agentRunning(); }));
        ASSERT_EQ(run({"undo"}).status, 0);
    }

    void showWatcher()
    {
        ASSERT_TRUE(bus.registerObject(watcherPath, &watcher,
                                       QDBusConnection::ExportAllSlots |
                                           QDBusConnection::ExportAllSignals |
                                           QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(bus.registerService(watcherService));
    }

    void hideWatcher()
    {
        bus.unregisterService(watcherService);
        bus.unregisterObject(watcherPath);
    }

    // The bus name of the item registered as the count-th, once it is.
    QString registeredItem(qsizetype count = 1)
    {
        if (!test::waitUntil([&] { return watcher.items.size() >= count; }))
            return {};
        return watcher.items.at(count - 1).section('/', 0, 0);
    }

    QDBusMessage call(const QString &service, const QString &path, const QString &interface,
                      const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return bus.call(message, QDBus::BlockWithGui);
    }

    QVariantMap itemProperties(const QString &item)
    {
        const QDBusMessage reply =
            call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "GetAll",
                 {itemInterface});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {};
        return qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    }

    QString menuPath(const QString &item)
    {
        return qvariant_cast<QDBusObjectPath>(itemProperties(item).value("Menu")).path();
    }

    // The menu's rows, asked for as a panel does when it opens the menu.
    QList<MenuRow> rows(const QString &item)
    {
        const QString path = menuPath(item);
        if (path.isEmpty())
            return {};
        call(item, path, menuInterface, "AboutToShow", {0});
        const QDBusMessage reply =
            call(item, path, menuInterface, "GetLayout", {0, -1, QStringList{}});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
            return {};
        return readRow(qvariant_cast<QDBusArgument>(reply.arguments().at(1))).children;
    }

    QStringList describedRows(const QString &item)
    {
        QStringList described;
        for (const MenuRow &row : rows(item))
            described += describe(row);
        return described;
    }

    // Clicks the row whose label starts with label; false when there is none.
    bool click(const QString &item, const QString &label)
    {
        for (const MenuRow &row : rows(item)) {
            if (row.properties.value("label").toString().startsWith(label)) {
                const QDBusMessage reply = call(
                    item, menuPath(item), menuInterface, "Event",
                    {row.id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
                return reply.type() == QDBusMessage::ReplyMessage;
            }
        }
        return false;
    }

    // Runs the command line while this process keeps answering on the bus.
    Output run(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(BP_CLI_PATH, arguments);
        test::waitUntil([&] { return process.state() == QProcess::NotRunning; });
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
    }

    // The visible windows that xdotool finds for a search such as {"--name", title}.
    QStringList visibleWindows(const QStringList &search)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start("xdotool", QStringList{"search", "--onlyvisible"} + search);
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    // The first visible window that the search finds, once there is one.
    QString visibleWindow(const QStringList &search)
    {
        QStringList windows;
        test::waitUntil([&] { return !(windows = visibleWindows(search)).isEmpty(); });
        return windows.value(0);
    }

    bool xdotool(const QStringList &arguments)
    {
        return test::xdotool(server->display(), arguments);
    }

    static inline std::unique_ptr<test::XvfbServer> server;
    static inline std::unique_ptr<test::WindowManager> windowManager;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QProcessEnvironment env;
    Watcher watcher;
    test::DesktopPeer desktop;
    QProcess agent;
    QTemporaryDir work;
};

const QStringList rowsAtStart = {
    "Nieuwe projectstructuur… [Control+N]",
    "Kaart importeren…",
    "Ongedaan maken [Control+Shift+Z] (disabled)",
    "---",
    "Instellingen… [Control+,]",
    "---",
    "Quit Brindlepath [Control+Q]",
};

TEST_F(TrayHost, AHostPresentAtStartShowsTheItemWithItsMenu)
{
    showWatcher();
    startAgent();
    const QString item = registeredItem();
    ASSERT_FALSE(item.isEmpty()) << "no item registered";

    const QVariantMap properties = itemProperties(item);
    EXPECT_EQ(properties.value("Title").toString(), "Brindlepath");
    EXPECT_EQ(toolTipTitle(properties.value("ToolTip")), "Brindlepath");
    EXPECT_EQ(properties.value("Status").toString(), "Active");
    const QList<QSize> sizes = pixmapSizes(properties.value("IconPixmap"));
    EXPECT_TRUE(sizes.contains(QSize(16, 16))) << sizes.size() << " sizes";
    EXPECT_TRUE(sizes.contains(QSize(22, 22))) << sizes.size() << " sizes";
    EXPECT_EQ(describedRows(item), rowsAtStart);
}

// A panel reports a left click as Activate and a middle click as SecondaryActivate; a right
// click opens the exported menu in the panel itself.
class IconClick : public TrayHost, public ::testing::WithParamInterface<const char *> {};

TEST_P(IconClick, OpensTheMenu)
{
    showWatcher();
    startAgent();
    const QString item = registeredItem();
    ASSERT_FALSE(item.isEmpty()) << "no item registered";
    ASSERT_EQ(visibleWindows({"--class", "brindlepath"}), QStringList{}) << "a window is open";
    call(item, "/StatusNotifierItem", itemInterface, GetParam(), {0, 0});
    // The menu pops up where the pointer is, above every window.
    EXPECT_FALSE(visibleWindow({"--class", "brindlepath"}).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(, IconClick, ::testing::Values("Activate", "SecondaryActivate"),
                         [](const auto &info) { return std::string(info.param); });

TEST_F(TrayHost, ClickingNewProjectOpensTheSetupWindow)
{
    showWatcher();
    startAgent();
    const QString item = registeredItem();
    ASSERT_FALSE(item.isEmpty()) << "no item registered";
    ASSERT_TRUE(click(item, "Nieuwe projectstructuur"));
    EXPECT_FALSE(visibleWindow({"--name", "Create Project Structure"}).isEmpty());
}

enum class HostArrival { extensionSwitchedOn, panelRestarted, hostAfterItsWatcher };

std::string arrivalName(HostArrival arrival)
{
    switch (arrival) {
    case HostArrival::extensionSwitchedOn:
        return "ExtensionSwitchedOn";
    case HostArrival::panelRestarted:
        return "PanelRestarted";
    case HostArrival::hostAfterItsWatcher:
        return "HostAfterItsWatcher";
    }
    return {};
}

void PrintTo(HostArrival arrival, std::ostream *out)
{
    *out << arrivalName(arrival);
}

class HostAppearingLater : public TrayHost, public ::testing::WithParamInterface<HostArrival> {};

// Without a host the agent runs without icon; a host that shows up later (an extension switched
// on, a panel restarted) gets the item without restarting the agent.
TEST_P(HostAppearingLater, GetsTheItemWithoutARestart)
{
    qsizetype registrations = 1;
    switch (GetParam()) {
    case HostArrival::extensionSwitchedOn:
        startAgent();
        showWatcher();
        break;
    case HostArrival::panelRestarted:
        showWatcher();
        startAgent();
        ASSERT_FALSE(registeredItem().isEmpty()) << "no item registered";
        hideWatcher();
        showWatcher();
        registrations = 2;
        break;
    case HostArrival::hostAfterItsWatcher:
        watcher.host = false;
        showWatcher();
        startAgent();
        // Registering now would leave the item on the X11 path for good.
        EXPECT_EQ(watcher.items, QStringList{});
        watcher.announceHost();
        break;
    }
    EXPECT_EQ(agent.state(), QProcess::Running);
    const QString item = registeredItem(registrations);
    ASSERT_FALSE(item.isEmpty()) << "no item registered after the host appeared";
    EXPECT_EQ(describedRows(item), rowsAtStart);
}

INSTANTIATE_TEST_SUITE_P(, HostAppearingLater,
                         ::testing::Values(HostArrival::extensionSwitchedOn,
                                           HostArrival::panelRestarted,
                                           HostArrival::hostAfterItsWatcher),
                         [](const auto &info) { return arrivalName(info.param); });

// Without a watcher the icon goes to an X11 tray that is there at the start.
TEST_F(TrayHost, AnX11TrayPresentAtStartGetsTheIcon)
{
    test::X11Tray tray(server->display());
    ASSERT_TRUE(tray.owned());
    startAgent();
    EXPECT_TRUE(test::waitUntil([&] { return tray.dockRequested(); }));
}

enum class UndoWay { commandLine, menuItem };

std::string undoWayName(UndoWay way)
{
    return way == UndoWay::commandLine ? "CommandLine" : "MenuItem";
}

void PrintTo(UndoWay way, std::ostream *out)
{
    *out << undoWayName(way);
}

class UndoRow : public TrayHost, public ::testing::WithParamInterface<UndoWay> {};

TEST_P(UndoRow, CountsTheSortedFilesAndResetsAfterTheUndo)
{
    QFile photo(work.filePath("photo.jpg"));
    ASSERT_TRUE(photo.open(QIODevice::WriteOnly));
    photo.close();
    showWatcher();
    startAgent();
    const QString item = registeredItem();
    ASSERT_FALSE(item.isEmpty()) << "no item registered";
    MenuChanges changes;
    ASSERT_TRUE(bus.connect(item, menuPath(item), menuInterface, "LayoutUpdated", &changes,
                            SLOT(layoutUpdated(uint, int))));
    ASSERT_TRUE(bus.connect(item, menuPath(item), menuInterface, "ItemsPropertiesUpdated", &changes,
                            SLOT(propertiesUpdated(QDBusMessage))));

    ASSERT_TRUE(click(item, "Nieuwe projectstructuur"));
    const QString window = visibleWindow({"--name", "Create Project Structure"});
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(xdotool({"windowactivate", "--sync", window}));
    ASSERT_TRUE(xdotool({"type", "--delay", "20", "Shoot"}));
    ASSERT_TRUE(xdotool({"key", "ctrl+Return"}));
    ASSERT_TRUE(test::waitUntil([&] { return !desktop.revealed.isEmpty(); }));
    ASSERT_FALSE(QFile::exists(work.filePath("photo.jpg")));

    // A panel learns of the new title from the menu's signals.
    EXPECT_TRUE(test::waitUntil([&] { return changes.count > 0; }));
    EXPECT_EQ(describedRows(item).value(2),
              "Ongedaan maken (1 bestanden verplaatst) [Control+Shift+Z]");

    if (GetParam() == UndoWay::commandLine)
        EXPECT_EQ(run({"undo"}).status, 0);
    else
        EXPECT_TRUE(click(item, "Ongedaan maken"));
    EXPECT_TRUE(test::waitUntil([&] { return QFile::exists(work.filePath("photo.jpg")); }));
    EXPECT_TRUE(test::waitUntil([&] {
        return describedRows(item).value(2) == "Ongedaan maken [Control+Shift+Z] (disabled)";
    })) << describedRows(item).value(2).toStdString();
}

INSTANTIATE_TEST_SUITE_P(, UndoRow, ::testing::Values(UndoWay::commandLine, UndoWay::menuItem),
                         [](const auto &info) { return undoWayName(info.param); });

} // namespace

#include "TrayHostTest.moc"
