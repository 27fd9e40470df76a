#include "platform/GSettingsShortcutRegistrar.h"
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

using Registrar = GSettingsShortcutRegistrar;
using Outcomes = QList<ShortcutRegistration>;

// Where each desktop's own settings tool keeps a binding, how its list names one, and what
// XDG_CURRENT_DESKTOP says there.
struct Desktop {
    const char *name;
    GSettingsKeybindings keys;
    const char *package;
    QString folder;
    QString listed; // none: the desktop has no list
    QStringList xdg;
    friend void PrintTo(const Desktop &desktop, std::ostream *os) { *os << desktop.name; }
};

const QString gnomeFolder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
const Desktop gnome{"Gnome",     Registrar::gnome,    "gnome-settings-daemon-common",
                    gnomeFolder, gnomeFolder + "%1/", {"ubuntu", "GNOME"}};
const Desktop cinnamon{"Cinnamon",
                       Registrar::cinnamon,
                       "cinnamon-desktop-data",
                       "/org/cinnamon/desktop/keybindings/custom-keybindings/",
                       "%1",
                       {"X-Cinnamon"}};
const Desktop mate{
    "Mate", Registrar::mate, "mate-control-center-common", "/org/mate/desktop/keybindings/",
    {},     {"MATE"}};

// A desktop's keybindings through the real GSettings and the schemas of its Debian package,
// kept by the keyfile backend in this binary's private config folder, never in the user's own
// dconf database.
class Keybindings : public ::testing::TestWithParam<Desktop> {
protected:
    static void SetUpTestSuite() { qputenv("GSETTINGS_BACKEND", "keyfile"); }

    void SetUp() override
    {
        g_autoptr(GSettingsBackend) backend = g_settings_backend_get_default();
        ASSERT_STREQ(G_OBJECT_TYPE_NAME(backend), "GKeyfileSettingsBackend");
        GSettingsSchemaSource *system = g_settings_schema_source_get_default();
        m_binding = g_settings_schema_source_lookup(system, keys().bindingSchema, TRUE);
        ASSERT_TRUE(m_binding) << "install " << GetParam().package;
        ASSERT_EQ(keys().listSchema != nullptr, !GetParam().listed.isEmpty());
        if (keys().listSchema) {
            g_autoptr(GSettingsSchema) list =
                g_settings_schema_source_lookup(system, keys().listSchema, TRUE);
            m_list = g_settings_new_full(list, nullptr, nullptr);
            g_settings_reset(m_list, keys().listKey);
        }
        for (const char *entry : {"brindlepath", "custom0"})
            for (const char *key : {"name", "binding", keys().commandKey})
                g_settings_reset(at(entry), key);
    }

    void TearDown() override
    {
        g_clear_object(&m_list);
        g_clear_pointer(&m_binding, g_settings_schema_unref);
    }

    const GSettingsKeybindings &keys() const { return GetParam().keys; }

    GSettings *at(const QString &entry)
    {
        const QByteArray path = (GetParam().folder + entry + "/").toUtf8();
        return m_kept.emplace_back(g_settings_new_full(m_binding, nullptr, path), g_object_unref)
            .get();
    }

    // The key's value as GVariant text.
    QString value(const QString &entry, const char *key)
    {
        g_autoptr(GVariant) value = g_settings_get_value(at(entry), key);
        g_autofree char *text = g_variant_print(value, FALSE);
        return text;
    }

    // The list as the desktop's own tool names the entries.
    QString list() const
    {
        g_autoptr(GVariant) entries = g_settings_get_value(m_list, keys().listKey);
        g_autofree char *text = g_variant_print(entries, FALSE);
        return text;
    }
    QString listed(const QStringList &entries) const
    {
        QStringList names;
        for (const QString &entry : entries)
            names.append("'" + GetParam().listed.arg(entry) + "'");
        return entries.isEmpty() ? "@as []" : "[" + names.join(", ") + "]";
    }

    GSettingsSchema *m_binding = nullptr;
    GSettings *m_list = nullptr;
    std::vector<std::unique_ptr<GSettings, decltype(&g_object_unref)>> m_kept;
};

TEST_P(Keybindings, GetOneBindingHoweverOftenAskedAndKeepTheUsersOwn)
{
    struct Listing {
        QStringList before, after;
    };
    for (const auto &[before, after] :
         {Listing{{}, {"brindlepath"}}, Listing{{"custom0"}, {"custom0", "brindlepath"}},
          Listing{{"custom0", "brindlepath", "custom1"}, {"custom0", "brindlepath", "custom1"}}}) {
        SCOPED_TRACE(listed(before).toStdString());
        g_settings_set_string(at("custom0"), keys().commandKey, "x-terminal-emulator");
        if (m_list)
            g_settings_set_value(m_list, keys().listKey,
                                 g_variant_new_parsed(listed(before).toUtf8().constData()));
        // First as the desktop's name picks it, then once more.
        Outcomes outcomes;
        const auto record = [&](ShortcutRegistration o) { outcomes.append(o); };
        DesktopShortcutRegistrar desktop(DesktopShortcutRegistrar::runNewProject, GetParam().xdg);
        desktop.requestRegistration(record);
        ASSERT_TRUE(test::waitUntil([&] { return !outcomes.isEmpty(); }));
        Registrar(keys()).requestRegistration(record);

        EXPECT_EQ(outcomes, Outcomes(2, ShortcutRegistration::added));
        if (m_list) {
            EXPECT_EQ(list(), listed(after));
        }
        EXPECT_EQ(value("brindlepath", "name"), "'Brindlepath'");
        EXPECT_EQ(value("brindlepath", keys().commandKey), "'brindlepath new'");
        EXPECT_EQ(value("brindlepath", "binding"),
                  keys().bindingIsList ? "['<Control><Alt>n']" : "'<Control><Alt>n'");
        EXPECT_EQ(value("custom0", keys().commandKey), "'x-terminal-emulator'");
    }
}

TEST_P(Keybindings, AreUnavailableWhereTheDesktopsSchemaIsNotInstalled)
{
    QTemporaryDir schemas;
    QFile xml(schemas.filePath("org.example.other.gschema.xml"));
    ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
    xml.write(R"(<schemalist><schema id="org.example.other" path="/org/example/other/">)"
              R"(<key name="on" type="b"><default>false</default></key></schema></schemalist>)");
    xml.close();
    ASSERT_EQ(QProcess::execute("glib-compile-schemas", {schemas.path()}), 0);

    Outcomes outcomes;
    const auto record = [&](ShortcutRegistration o) { outcomes.append(o); };
    Registrar(keys(), schemas.path().toStdString()).requestRegistration(record);
    // Nor does a desktop we do not know get anything.
    DesktopShortcutRegistrar unknown(DesktopShortcutRegistrar::runNewProject, {"Enlightenment"});
    unknown.requestRegistration(record);
    ASSERT_TRUE(test::waitUntil([&] { return outcomes.size() == 2; }));
    EXPECT_EQ(outcomes, Outcomes(2, ShortcutRegistration::unavailable));
    EXPECT_EQ(value("brindlepath", keys().commandKey), "''");
}

INSTANTIATE_TEST_SUITE_P(Desktops, Keybindings, ::testing::Values(gnome, cinnamon, mate),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
