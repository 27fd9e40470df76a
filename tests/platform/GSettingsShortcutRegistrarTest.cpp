#include "platform/GSettingsShortcutRegistrar.h"
#include "platform/DesktopShortcutRegistrar.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <map>
#include <optional>

// GLib names a struct member "signals", which Qt defines as a keyword.
#undef signals
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

using namespace bp;

namespace {

using Registrar = GSettingsShortcutRegistrar;
using Binding = QStringList; // name, command, binding
using Outcome = std::optional<ShortcutRegistration>;

const Binding brindlepath{"Brindlepath", "brindlepath new", "<Control><Alt>n"};
const Binding terminal{"Terminal", "x-terminal-emulator", "<Super>t"};

// Where each desktop's own settings tool puts a binding, and how its list names one.
struct Desktop {
    const char *name;
    GSettingsKeybindings keys;
    const char *package;
    QString folder;
    QString listed; // none: the desktop has no list
    friend void PrintTo(const Desktop &desktop, std::ostream *os) { *os << desktop.name; }
};

const Desktop gnome{"Gnome", Registrar::gnome, "gnome-settings-daemon-common",
                    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/",
                    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/%1/"};
const Desktop cinnamon{"Cinnamon", Registrar::cinnamon, "cinnamon-desktop-data",
                       "/org/cinnamon/desktop/keybindings/custom-keybindings/", "%1"};
const Desktop mate{
    "Mate", Registrar::mate, "mate-control-center-common", "/org/mate/desktop/keybindings/", {}};

// A desktop's keybindings through the real GSettings and the schemas its Debian package
// installs, kept by the keyfile backend in this binary's private config folder, never in the
// user's own dconf database.
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
        for (const char *entry : {"brindlepath", "custom0", "custom1"}) {
            g_autoptr(GSettings) settings = at(entry);
            g_auto(GStrv) names = g_settings_schema_list_keys(m_binding);
            for (char **key = names; *key; ++key)
                g_settings_reset(settings, *key);
        }
    }

    void TearDown() override
    {
        g_clear_object(&m_list);
        g_clear_pointer(&m_binding, g_settings_schema_unref);
    }

    const GSettingsKeybindings &keys() const { return GetParam().keys; }

    GSettings *at(const QString &entry) const
    {
        const QString path = GetParam().folder + entry + "/";
        return g_settings_new_full(m_binding, nullptr, path.toUtf8().constData());
    }

    QString listed(const QString &entry) const { return GetParam().listed.arg(entry); }

    QStringList list() const
    {
        g_auto(GStrv) entries = g_settings_get_strv(m_list, keys().listKey);
        return QStringList(entries, entries + g_strv_length(entries));
    }

    void list(const QStringList &entries)
    {
        g_autoptr(GStrvBuilder) builder = g_strv_builder_new();
        for (const QString &entry : entries)
            g_strv_builder_add(builder, listed(entry).toUtf8().constData());
        g_auto(GStrv) strv = g_strv_builder_end(builder);
        g_settings_set_strv(m_list, keys().listKey, strv);
    }

    Binding binding(const QString &entry) const
    {
        g_autoptr(GSettings) settings = at(entry);
        Binding values;
        for (const char *key : {"name", keys().commandKey, "binding"}) {
            g_autoptr(GVariant) value = g_settings_get_value(settings, key);
            if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
                values.append(QString::fromUtf8(g_variant_get_string(value, nullptr)));
            } else {
                g_auto(GStrv) strings = g_variant_dup_strv(value, nullptr);
                values.append(QStringList(strings, strings + g_strv_length(strings)).join(u' '));
            }
        }
        return values;
    }

    void set(const QString &entry, const Binding &values)
    {
        g_autoptr(GSettings) settings = at(entry);
        g_settings_set_string(settings, "name", values[0].toUtf8().constData());
        g_settings_set_string(settings, keys().commandKey, values[1].toUtf8().constData());
        const QByteArray accelerator = values[2].toUtf8();
        const char *accelerators[] = {accelerator.constData(), nullptr};
        if (keys().bindingIsList)
            g_settings_set_strv(settings, "binding", accelerators);
        else
            g_settings_set_string(settings, "binding", accelerator.constData());
    }

    GSettingsSchema *m_binding = nullptr;
    GSettings *m_list = nullptr;
};

TEST_P(Keybindings, GetOneBindingHoweverOftenAskedAndKeepTheUsersOwn)
{
    struct Listing {
        QStringList before, after;
    };
    for (const auto &[before, after] :
         {Listing{{}, {"brindlepath"}}, Listing{{"custom0"}, {"custom0", "brindlepath"}},
          Listing{{"custom0", "brindlepath", "custom1"}, {"custom0", "brindlepath", "custom1"}}}) {
        SCOPED_TRACE(before.join(u' ').toStdString());
        set("custom0", terminal);
        if (m_list)
            list(before);

        Registrar registrar(keys());
        QList<ShortcutRegistration> outcomes;
        for (int i = 0; i < 2; ++i)
            registrar.requestRegistration([&](ShortcutRegistration o) { outcomes.append(o); });

        EXPECT_EQ(outcomes, QList<ShortcutRegistration>(2, ShortcutRegistration::added));
        if (m_list) {
            QStringList expected;
            for (const QString &entry : after)
                expected.append(listed(entry));
            EXPECT_EQ(list(), expected);
        }
        EXPECT_EQ(binding("brindlepath"), brindlepath);
        EXPECT_EQ(binding("custom0"), terminal);
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

    Outcome outcome;
    Registrar(keys(), schemas.path().toStdString()).requestRegistration([&](auto o) {
        outcome = o;
    });
    EXPECT_EQ(outcome, ShortcutRegistration::unavailable);
    EXPECT_EQ(binding("brindlepath")[1], "");
}

// Without a portal, the desktop named in XDG_CURRENT_DESKTOP decides.
TEST_P(Keybindings, AreWhatTheirDesktopGetsWithoutAPortal)
{
    const std::map<std::string, QStringList> names{
        {"Gnome", {"ubuntu", "GNOME"}}, {"Cinnamon", {"X-Cinnamon"}}, {"Mate", {"MATE"}}};
    Outcome outcome;
    DesktopShortcutRegistrar desktop(DesktopShortcutRegistrar::runNewProject,
                                     names.at(GetParam().name));
    desktop.requestRegistration([&](auto o) { outcome = o; });
    EXPECT_TRUE(bp::test::waitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome, ShortcutRegistration::added);
    EXPECT_EQ(binding("brindlepath"), brindlepath);

    // One we do not know gets nothing, and says so.
    outcome.reset();
    DesktopShortcutRegistrar unknown(DesktopShortcutRegistrar::runNewProject, {"Enlightenment"});
    unknown.requestRegistration([&](auto o) { outcome = o; });
    EXPECT_TRUE(bp::test::waitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome, ShortcutRegistration::unavailable);
}

INSTANTIATE_TEST_SUITE_P(Desktops, Keybindings, ::testing::Values(gnome, cinnamon, mate),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
