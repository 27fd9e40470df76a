#include "platform/XfconfShortcutRegistrar.h"
#include "platform/DesktopShortcutRegistrar.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QProcess>

#include <optional>

using namespace bp;

namespace {

using Registrar = XfconfShortcutRegistrar;
using Outcome = std::optional<ShortcutRegistration>;

// XFCE's real xfconfd on this test's private bus, keeping its files in the binary's private
// config folder.
class XfceShortcuts : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(QFileInfo(BP_XFCONFD).isExecutable()) << "install xfconf";
        daemon = new QProcess;
        daemon->start(BP_XFCONFD, {});
        ASSERT_TRUE(bp::test::waitUntil([] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                Registrar::service);
        }));
    }
    static void TearDownTestSuite() { delete daemon; }

    void SetUp() override { call("ResetProperty", {"/", true}); }

    static QDBusMessage call(const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(Registrar::service, Registrar::path,
                                                              Registrar::interface, method);
        message.setArguments(QVariantList{Registrar::channel} + arguments);
        return QDBusConnection::sessionBus().call(message);
    }
    static void set(const QString &property, const QVariant &value)
    {
        ASSERT_EQ(call("SetProperty", {property, QVariant::fromValue(QDBusVariant(value))}).type(),
                  QDBusMessage::ReplyMessage);
    }
    static QVariantMap properties()
    {
        return qdbus_cast<QVariantMap>(call("GetAllProperties", {"/"}).arguments().value(0));
    }
    static Outcome registerTwice(ShortcutRegistrar &&registrar)
    {
        Outcome first, second;
        registrar.requestRegistration([&](auto o) { first = o; });
        const QVariantMap once = properties();
        registrar.requestRegistration([&](auto o) { second = o; });
        EXPECT_EQ(properties(), once);
        EXPECT_EQ(first, second);
        return first;
    }

    static inline QProcess *daemon = nullptr;
};

TEST_F(XfceShortcuts, AddOneCommandHoweverOftenAskedAndKeepTheUsersOwn)
{
    // As a session whose custom commands XFCE has not yet copied from its defaults.
    set("/commands/default/<Alt>F2", "xfce4-appfinder");
    set("/commands/default/<Super>t", "exo-open --launch TerminalEmulator");
    set("/commands/custom/<Super>t", "xfce4-terminal");

    EXPECT_EQ(registerTwice(Registrar()), ShortcutRegistration::added);
    EXPECT_EQ(properties(),
              (QVariantMap{{"/commands/default/<Alt>F2", "xfce4-appfinder"},
                           {"/commands/default/<Super>t", "exo-open --launch TerminalEmulator"},
                           {"/commands/custom/<Alt>F2", "xfce4-appfinder"},
                           {"/commands/custom/<Super>t", "xfce4-terminal"},
                           {"/commands/custom/<Primary><Alt>n", "brindlepath new"},
                           {"/commands/custom/override", true}}));
}

TEST_F(XfceShortcuts, LeaveTheKeyToTheUsersCommandWhereItIsTaken)
{
    set("/commands/custom/<Control><Alt>n", "nautilus");
    set("/commands/custom/override", true);

    EXPECT_EQ(registerTwice(Registrar()), ShortcutRegistration::taken);
    EXPECT_EQ(properties(), (QVariantMap{{"/commands/custom/<Control><Alt>n", "nautilus"},
                                         {"/commands/custom/override", true}}));
}

TEST_F(XfceShortcuts, AreWhatXfceGetsWithoutAPortal)
{
    Outcome outcome;
    DesktopShortcutRegistrar desktop(DesktopShortcutRegistrar::runNewProject, {"XFCE"});
    desktop.requestRegistration([&](auto o) { outcome = o; });
    EXPECT_TRUE(bp::test::waitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome, ShortcutRegistration::added);
    EXPECT_EQ(properties().value(Registrar::property), Registrar::command);
}

} // namespace
