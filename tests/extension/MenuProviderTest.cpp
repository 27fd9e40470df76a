// Each built plug-in, loaded with its real extension library: which entry it offers where,
// and what choosing it leaves in the shared suite and on the session bus.
#include "ExtensionTestSupport.h"
#include "FileManagerPlugin.h"
#include "brindlepath-core.h"

#include "contract/AppGroupKeys.h"
#include "stores/PreferenceSuite.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

using namespace bp::test;

namespace {

// "~" stands for the test's home folder; anything else is a path or a URI.
std::string uriOf(const std::string &where)
{
    if (where.rfind('~', 0) == 0)
        return uriOf(home() + where.substr(1));
    if (where.rfind('/', 0) == 0) {
        g_autofree char *uri = g_filename_to_uri(where.c_str(), nullptr, nullptr);
        return uri;
    }
    return where;
}

std::string pathOf(const std::string &where)
{
    return where.rfind('~', 0) == 0 ? home() + where.substr(1) : where;
}

std::optional<QString> storedFolder()
{
    bp::PreferenceSuite suite(QString::fromLatin1(AppGroupKeys::suiteName));
    return suite.stringValue(QString::fromLatin1(AppGroupKeys::selectedFolderPathKey));
}

struct MenuCase {
    const char *name;
    std::vector<Selected> selection; // empty: the background of shown
    std::string shown;
    std::optional<std::string> target; // none: no entry
};
void PrintTo(const MenuCase &c, std::ostream *out)
{
    *out << c.name;
}

class PluginMenu : public ::testing::TestWithParam<std::tuple<Plugin, MenuCase>> {
protected:
    void SetUp() override
    {
        plugin = loadPlugin(std::get<0>(GetParam()).path);
        ASSERT_NE(plugin, nullptr);
        clearSuite();
    }

    std::unique_ptr<FileManagerPlugin> plugin;
};

TEST_P(PluginMenu, OffersTheEntryOnlyWhereItActsOnAFolderInHome)
{
    const MenuCase &c = std::get<1>(GetParam());
    std::vector<Selected> selection;
    for (const Selected &item : c.selection)
        selection.push_back({uriOf(item.uri), item.directory});
    std::vector<MenuEntry> entries = selection.empty()
                                         ? plugin->backgroundItems({uriOf(c.shown), true})
                                         : plugin->fileItems(selection);
    if (!c.target) {
        EXPECT_TRUE(entries.empty());
        return;
    }
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].label, "Create Project Structure with Brindlepath");
    EXPECT_EQ(entries[0].icon, "folder-new");

    ASSERT_TRUE(plugin->activateAndWait(std::move(entries[0])));
    EXPECT_EQ(storedFolder(), QString::fromStdString(pathOf(*c.target)));
}

const MenuCase menuCases[] = {
    {"OneFolderInHome", {{"~/Shoots", true}}, "", "~/Shoots"},
    {"TheHomeFolderItself", {{"~", true}}, "", "~"},
    {"OneFileTargetsTheShownFolder", {{"~/Shoots/clip.mov", false}}, "", "~/Shoots"},
    {"SeveralFoldersTargetTheShownFolder",
     {{"~/Shoots/A", true}, {"~/Shoots/B", true}},
     "",
     "~/Shoots"},
    {"FolderAndFileTargetTheShownFolder",
     {{"~/Shoots/A", true}, {"~/Shoots/a.jpg", false}},
     "",
     "~/Shoots"},
    {"FolderOutsideHome", {{"/srv/Shoots", true}}, "", std::nullopt},
    {"FileInTheFolderAboveHome", {{"~/../x.jpg", false}}, "", std::nullopt},
    {"FolderBesideHomeWithTheSameStart", {{"~-other/Shoots", true}}, "", std::nullopt},
    {"ItemsFromSeveralFolders", {{"~/A/x.jpg", false}, {"~/B/y.jpg", false}}, "", std::nullopt},
    {"ItemInTheTrash", {{"trash:///clip.mov", false}}, "", std::nullopt},
    {"NetworkFolder", {{"sftp://studio/home/ivo/Shoots", true}}, "", std::nullopt},
    {"FolderNameThatIsNotUtf8",
     {{"~/Sh\xff"
       "oots",
       true}},
     "",
     std::nullopt},
    {"BackgroundInHome", {}, "~/Shoots", "~/Shoots"},
    {"BackgroundOfHome", {}, "~", "~"},
    {"BackgroundOutsideHome", {}, "/srv", std::nullopt},
    {"BackgroundOfTheTrash", {}, "trash:///", std::nullopt},
    {"BackgroundOfANetworkShare", {}, "smb://nas/share", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Menus, PluginMenu,
                         ::testing::Combine(::testing::ValuesIn(plugins()),
                                            ::testing::ValuesIn(menuCases)),
                         [](const auto &info) {
                             return std::get<0>(info.param).name + "_" +
                                    std::get<1>(info.param).name;
                         });

// Records the plug-in's signals, and a marker sent after them on the same connection, from
// a bus connection of its own.
class BusListener {
public:
    BusListener()
    {
        g_autofree char *address =
            g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (address == nullptr)
            return;
        m_connection = g_dbus_connection_new_for_address_sync(
            address,
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        if (m_connection == nullptr)
            return;
        m_subscription = g_dbus_connection_signal_subscribe(
            m_connection, nullptr, BP_APP_GROUP_SIGNAL_INTERFACE, nullptr, BP_APP_GROUP_SIGNAL_PATH,
            nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &BusListener::received, this, nullptr);
        // A round trip: the bus has the match rule before anything is sent.
        g_autoptr(GVariant) id = g_dbus_connection_call_sync(
            m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "GetId", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    }
    ~BusListener()
    {
        if (m_connection != nullptr) {
            g_dbus_connection_signal_unsubscribe(m_connection, m_subscription);
            g_object_unref(m_connection);
        }
    }

    bool connected() const { return m_connection != nullptr; }

    // The shared suite's folder as each openPopup found it, up to the marker sent now on the
    // connection the plug-in used.
    std::vector<std::optional<QString>> signalsSoFar()
    {
        g_autoptr(GDBusConnection) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        g_dbus_connection_emit_signal(bus, nullptr, BP_APP_GROUP_SIGNAL_PATH,
                                      BP_APP_GROUP_SIGNAL_INTERFACE, "testMarker", nullptr,
                                      nullptr);
        g_dbus_connection_flush_sync(bus, nullptr, nullptr);
        GMainContext *context = g_main_context_default();
        const gint64 bound = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
        while (!m_marked && g_get_monotonic_time() < bound)
            g_main_context_iteration(context, FALSE) || (g_usleep(1000), true);
        m_marked = false;
        return std::exchange(m_seen, {});
    }

private:
    static void received(GDBusConnection *, const char *, const char *, const char *,
                         const char *member, GVariant *, gpointer self)
    {
        auto *listener = static_cast<BusListener *>(self);
        if (g_strcmp0(member, BP_APP_GROUP_SIGNAL_MEMBER) == 0)
            listener->m_seen.push_back(storedFolder());
        else if (g_strcmp0(member, "testMarker") == 0)
            listener->m_marked = true;
    }

    GDBusConnection *m_connection = nullptr;
    guint m_subscription = 0;
    std::vector<std::optional<QString>> m_seen;
    bool m_marked = false;
};

class PluginActivation : public ::testing::TestWithParam<Plugin> {
protected:
    void SetUp() override
    {
        plugin = loadPlugin(GetParam().path);
        ASSERT_NE(plugin, nullptr);
        ASSERT_TRUE(listener.connected()) << "tests run inside dbus-run-session";
        clearSuite();
        // The connection the plug-in will use stays the same one for the marker.
        bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    }
    void TearDown() override
    {
        std::filesystem::remove_all(suiteFolder());
        g_clear_object(&bus);
    }

    // Chooses the entry on ~/Shoots and returns what each signal found in the suite.
    std::vector<std::optional<QString>> chooseOnShoots()
    {
        std::vector<MenuEntry> entries = plugin->fileItems({{uriOf("~/Shoots"), true}});
        if (entries.size() != 1 || !plugin->activateAndWait(std::move(entries[0])))
            return {};
        return listener.signalsSoFar();
    }

    static QByteArray suiteText()
    {
        QFile file(QString::fromStdString(suiteFile()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<FileManagerPlugin> plugin;
    BusListener listener;
    GDBusConnection *bus = nullptr;
};

TEST_P(PluginActivation, WritesTheFolderKeepsTheOtherKeysAndSignalsOnceAfterTheWrite)
{
    bp::PreferenceSuite suite(QString::fromLatin1(AppGroupKeys::suiteName));
    ASSERT_TRUE(suite.setStringList("other", {"a", "b"}).ok());
    ASSERT_TRUE(suite.setString(AppGroupKeys::selectedFolderPathKey, "/old").ok());
    const QByteArray before = suiteText();

    const auto seen = chooseOnShoots();
    const QString shoots = QString::fromStdString(home() + "/Shoots");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], shoots);
    EXPECT_EQ(suite.stringListValue("other"), QStringList({"a", "b"}));
    QByteArray expected = before;
    expected.replace("\"/old\"", "\"" + shoots.toUtf8() + "\"");
    EXPECT_EQ(suiteText(), expected);
}

TEST_P(PluginActivation, ChoosingTwiceSignalsTwiceWithTheLatestFolder)
{
    ASSERT_EQ(chooseOnShoots().size(), 1u);
    std::vector<MenuEntry> entries = plugin->backgroundItems({uriOf("~/Drone"), true});
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(plugin->activateAndWait(std::move(entries[0])));
    const auto seen = listener.signalsSoFar();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], QString::fromStdString(home() + "/Drone"));
}

TEST_P(PluginActivation, WithoutASessionBusTheFolderIsStillWritten)
{
    const int status = runActivate(GetParam().path, home() + "/Shoots",
                                   {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"}});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(storedFolder(), QString::fromStdString(home() + "/Shoots"));
}

INSTANTIATE_TEST_SUITE_P(Plugins, PluginActivation, ::testing::ValuesIn(plugins()),
                         [](const auto &info) { return info.param.name; });

// The suite is handled by the core the three plug-ins share: one of them will do.
class HostileSuite : public PluginActivation {};

// A failed write sends no bare signal, which would open the folder stored before (the call,
// which carries the folder, is still made), and leaves the suite alone without waiting on it.
TEST_P(HostileSuite, AFailedWriteSendsNoSignal)
{
    const std::string suite = suiteFile(), lockFile = suite + ".lock";
    int lock = -1;
    struct flock range = {F_WRLCK, SEEK_SET, 0, 0, 0};
    const std::function<void()> faults[] = {
        [] { std::filesystem::remove(suiteFolder()), std::ofstream(suiteFolder()) << "x"; },
        [&] { std::ofstream(suite) << "{\"a\": tru"; },
        [&] { std::ofstream(suite) << "{\"a\": \"" << std::string(1 << 20, 'x') << "\"}"; },
        [&] { mkfifo(suite.c_str(), 0600); },
        [&] { std::filesystem::create_symlink("/dev/zero", suite); },
        [&] { std::filesystem::create_symlink(home() + "/elsewhere", lockFile); },
        [&] { fcntl(lock = open(lockFile.c_str(), O_RDWR | O_CREAT, 0600), F_OFD_SETLK, &range); },
    };
    for (const auto &fault : faults) {
        std::filesystem::remove_all(suiteFolder());
        std::filesystem::create_directories(suiteFolder());
        fault();
        struct stat before = {}, after = {};
        lstat(suite.c_str(), &before);
        std::vector<MenuEntry> entries = plugin->fileItems({{uriOf("~/Shoots"), true}});
        ASSERT_TRUE(plugin->activateAndWait(std::move(entries.at(0)))) << &fault - faults;
        EXPECT_TRUE(listener.signalsSoFar().empty()) << "fault " << &fault - faults;
        lstat(suite.c_str(), &after);
        EXPECT_EQ(before.st_ino, after.st_ino) << "fault " << &fault - faults;
        if (lock >= 0)
            close(std::exchange(lock, -1));
    }
    EXPECT_FALSE(std::filesystem::exists(home() + "/elsewhere"));
}

// Dotfile managers link config files into place: the plug-in and the program keep the link.
TEST_P(HostileSuite, ALinkedSuiteIsWrittenAtItsTarget)
{
    std::filesystem::create_directories(suiteFolder());
    std::ofstream(home() + "/linked.json") << "{}";
    std::filesystem::create_symlink("../../linked.json", suiteFile());
    ASSERT_EQ(chooseOnShoots().size(), 1u);
    ASSERT_TRUE(bp::PreferenceSuite(QStringLiteral(BP_APP_GROUP_SUITE_NAME)).setBool("a", 1).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(suiteFile()));
    EXPECT_EQ(storedFolder(), QString::fromStdString(home() + "/Shoots"));
}

INSTANTIATE_TEST_SUITE_P(Plugins, HostileSuite, ::testing::Values(plugins().front()),
                         [](const auto &info) { return info.param.name; });

} // namespace
