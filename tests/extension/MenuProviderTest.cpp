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
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
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
// a bus connection of its own; it also takes the program's name, to hear the calls.
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
        g_dbus_connection_add_filter(m_connection, &BusListener::filter, this, nullptr);
        // Replaceable, replacing and not queued; also the round trip after which the bus has
        // the match rule.
        g_autoptr(GVariant) owned = g_dbus_connection_call_sync(
            m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", BP_BUS_NAME, 7u), nullptr, G_DBUS_CALL_FLAGS_NONE,
            -1, nullptr, nullptr);
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

    // The folder of each OpenFolder call so far; read after signalsSoFar().
    std::vector<std::string> callsSoFar()
    {
        std::lock_guard lock(m_callsMutex);
        return std::exchange(m_calls, {});
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

    // On the bus's worker thread; with no object here the call is answered with an error.
    static GDBusMessage *filter(GDBusConnection *, GDBusMessage *message, gboolean incoming,
                                gpointer self)
    {
        GVariant *body = g_dbus_message_get_body(message);
        if (incoming && body != nullptr &&
            g_strcmp0(g_dbus_message_get_member(message), BP_BUS_OPEN_FOLDER_METHOD) == 0) {
            auto *listener = static_cast<BusListener *>(self);
            const char *folder = nullptr;
            g_variant_get_child(body, 0, "&s", &folder);
            std::lock_guard lock(listener->m_callsMutex);
            listener->m_calls.emplace_back(folder);
        }
        return message;
    }

    GDBusConnection *m_connection = nullptr;
    std::mutex m_callsMutex;
    std::vector<std::string> m_calls;
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

// What the suite holds is handled by the core the three plug-ins share: one of them will do.
class HostileSuite : public PluginActivation {};

// Any failed write: no bare signal, which would open the folder stored before, only the call
// that carries the folder; and the suite left as it was, without waiting on it.
TEST_P(HostileSuite, AFailedWriteSendsOnlyTheCallWithTheFolder)
{
    const std::string suite = suiteFile();
    const auto putSuite = [&](const std::string &text) { std::ofstream(suite) << text; };
    int lock = -1;
    const std::pair<const char *, std::function<void()>> faults[] = {
        {"folder taken by a file", [] { std::ofstream(suiteFolder()) << "x"; }},
        {"not JSON", [&] { putSuite("{\"other\": tru"); }},
        {"too large", [&] { putSuite("{\"a\": \"" + std::string(1 << 20, 'x') + "\"}"); }},
        {"FIFO", [&] { ASSERT_EQ(mkfifo(suite.c_str(), 0600), 0); }},
        {"link to /dev/zero", [&] { std::filesystem::create_symlink("/dev/zero", suite); }},
        {"lock held by another",
         [&] {
             lock = open((suite + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
             struct flock range = {};
             range.l_type = F_WRLCK;
             ASSERT_EQ(fcntl(lock, F_OFD_SETLK, &range), 0);
         }},
    };
    for (const auto &[name, fault] : faults) {
        SCOPED_TRACE(name);
        std::filesystem::remove_all(suiteFolder());
        std::filesystem::create_directories(std::filesystem::path(suiteFolder()).parent_path());
        if (name != std::string("folder taken by a file"))
            std::filesystem::create_directories(suiteFolder());
        fault();
        struct stat before = {}, after = {};
        lstat(suite.c_str(), &before);

        EXPECT_TRUE(chooseOnShoots().empty());
        EXPECT_EQ(listener.callsSoFar(), std::vector<std::string>{home() + "/Shoots"});
        lstat(suite.c_str(), &after);
        EXPECT_TRUE(before.st_ino == after.st_ino && before.st_size == after.st_size);
        if (lock >= 0)
            close(std::exchange(lock, -1));
    }
}

// Dotfile managers link config files into place: written at the target, the link kept. A
// linked lock file would make a file appear elsewhere.
TEST_P(HostileSuite, ALinkedSuiteIsWrittenAtItsTargetAndALinkedLockIsRefused)
{
    const std::string target = home() + "/dotfiles/suite.json";
    std::filesystem::create_directories(home() + "/dotfiles");
    std::filesystem::create_directories(suiteFolder());
    std::ofstream(target) << "{\"other\": 1}";
    std::filesystem::create_symlink("../../dotfiles/suite.json", suiteFile());

    ASSERT_EQ(chooseOnShoots().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_symlink(suiteFile()));
    EXPECT_EQ(storedFolder(), QString::fromStdString(home() + "/Shoots"));
    bp::PreferenceSuite program(QString::fromLatin1(AppGroupKeys::suiteName));
    ASSERT_TRUE(program.setString("other", "2").ok());
    EXPECT_TRUE(std::filesystem::is_symlink(suiteFile()));

    std::filesystem::remove(suiteFile() + ".lock");
    std::filesystem::create_symlink(home() + "/elsewhere", suiteFile() + ".lock");
    EXPECT_TRUE(chooseOnShoots().empty());
    EXPECT_FALSE(std::filesystem::exists(home() + "/elsewhere"));
    std::filesystem::remove_all(home() + "/dotfiles");
}

INSTANTIATE_TEST_SUITE_P(Plugins, HostileSuite, ::testing::Values(plugins().front()),
                         [](const auto &info) { return info.param.name; });

} // namespace
