#include "platform/GnomeShortcutRegistrar.h"
#include "platform/DesktopShortcutRegistrar.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// GLib names a struct member "signals", which Qt defines as a keyword.
#undef signals
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

using namespace bp;

namespace {

using Registrar = GnomeShortcutRegistrar;
using Binding = QStringList; // name, command, binding

const QString ours = Registrar::bindingPath;
const QString custom0 = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/";
const QString custom1 = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom1/";
const Binding brindlepath{"Brindlepath", "brindlepath new", "<Control><Alt>n"};
const Binding terminal{"Terminal", "gnome-terminal", "<Super>t"};

// GNOME's keybindings through the real GSettings, kept by the keyfile backend in this binary's
// private config folder, never in the user's own dconf database.
class GnomeKeybindings : public ::testing::Test {
protected:
    static void SetUpTestSuite() { qputenv("GSETTINGS_BACKEND", "keyfile"); }

    void SetUp() override
    {
        g_autoptr(GSettingsBackend) backend = g_settings_backend_get_default();
        ASSERT_STREQ(G_OBJECT_TYPE_NAME(backend), "GKeyfileSettingsBackend");
        GSettingsSchemaSource *system = g_settings_schema_source_get_default();
        g_autoptr(GSettingsSchema) list =
            g_settings_schema_source_lookup(system, Registrar::listSchema, TRUE);
        m_binding = g_settings_schema_source_lookup(system, Registrar::bindingSchema, TRUE);
        ASSERT_TRUE(list && m_binding) << "install gnome-settings-daemon-common";
        m_list = g_settings_new_full(list, nullptr, nullptr);
        g_settings_reset(m_list, Registrar::listKey);
        for (const QString &path : {ours, custom0, custom1})
            set(path, {"", "", ""});
    }

    void TearDown() override
    {
        g_clear_object(&m_list);
        g_clear_pointer(&m_binding, g_settings_schema_unref);
    }

    QStringList listed() const
    {
        g_auto(GStrv) paths = g_settings_get_strv(m_list, Registrar::listKey);
        QStringList list;
        for (char **path = paths; *path; ++path)
            list.append(QString::fromUtf8(*path));
        return list;
    }

    void list(const QStringList &paths)
    {
        g_autoptr(GStrvBuilder) builder = g_strv_builder_new();
        for (const QString &path : paths)
            g_strv_builder_add(builder, path.toUtf8().constData());
        g_auto(GStrv) strv = g_strv_builder_end(builder);
        g_settings_set_strv(m_list, Registrar::listKey, strv);
    }

    Binding binding(const QString &path) const
    {
        g_autoptr(GSettings) settings =
            g_settings_new_full(m_binding, nullptr, path.toUtf8().constData());
        Binding values;
        for (const char *key : {"name", "command", "binding"}) {
            g_autofree char *value = g_settings_get_string(settings, key);
            values.append(QString::fromUtf8(value));
        }
        return values;
    }

    void set(const QString &path, const Binding &values)
    {
        g_autoptr(GSettings) settings =
            g_settings_new_full(m_binding, nullptr, path.toUtf8().constData());
        for (const auto &[key, value] :
             {std::pair{"name", values[0]}, {"command", values[1]}, {"binding", values[2]}})
            g_settings_set_string(settings, key, value.toUtf8().constData());
    }

    GSettingsSchema *m_binding = nullptr;
    GSettings *m_list = nullptr;
};

struct Listing {
    const char *name;
    QStringList before;
    QStringList after;
    friend void PrintTo(const Listing &c, std::ostream *os) { *os << c.name; }
};

class AddsOneBinding : public GnomeKeybindings, public ::testing::WithParamInterface<Listing> {};

TEST_P(AddsOneBinding, HoweverOftenItIsAskedAndKeepsTheUsersOwn)
{
    set(custom0, terminal);
    list(GetParam().before);

    Registrar registrar;
    registrar.requestRegistration();
    registrar.requestRegistration();

    EXPECT_EQ(listed(), GetParam().after);
    EXPECT_EQ(binding(ours), brindlepath);
    EXPECT_EQ(binding(custom0), terminal);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, AddsOneBinding,
    ::testing::Values(Listing{"NoneYet", {}, {ours}},
                      Listing{"AfterTheUsersBinding", {custom0}, {custom0, ours}},
                      Listing{"AlreadyListed", {custom0, ours, custom1}, {custom0, ours, custom1}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(GnomeKeybindings, AreWhatADesktopWithoutAPortalGets)
{
    DesktopShortcutRegistrar desktop;
    desktop.requestRegistration();
    EXPECT_TRUE(bp::test::waitUntil([&] { return listed() == QStringList{ours}; }));
}

TEST_F(GnomeKeybindings, AreLeftAloneWhereGnomesSchemaIsNotInstalled)
{
    QTemporaryDir schemas;
    QFile xml(schemas.filePath("org.example.other.gschema.xml"));
    ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
    xml.write(R"(<schemalist><schema id="org.example.other" path="/org/example/other/">)"
              R"(<key name="on" type="b"><default>false</default></key></schema></schemalist>)");
    xml.close();
    ASSERT_EQ(QProcess::execute("glib-compile-schemas", {schemas.path()}), 0);

    Registrar(schemas.path().toStdString()).requestRegistration();
    EXPECT_EQ(listed(), QStringList{});
}

} // namespace
