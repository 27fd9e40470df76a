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

using namespace bp;

namespace {

using Registrar = XfconfShortcutRegistrar;
using Outcomes = QList<ShortcutRegistration>;

// XFCE's real xfconfd on this test's private bus, keeping its files in the binary's private
// config folder.
class XfceShortcuts : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(QFileInfo(BP_XFCONFD).isExecutable()) << "install xfconf";
        daemon = new QProcess;
        daemon->start(BP_XFCONFD, {});
        ASSERT_TRUE(test::waitUntil([] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                Registrar::service);
        }));
    }
    static void TearDownTestSuite() { delete daemon; }
    void SetUp() override { call("ResetProperty", {"/", true}); }

    static QVariantList call(const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(Registrar::service, Registrar::path,
                                                              Registrar::interface, method);
        message.setArguments(QVariantList{Registrar::channel} + arguments);
        return QDBusConnection::sessionBus().call(message).arguments();
    }
    static void set(const QVariantMap &properties)
    {
        for (auto it = properties.cbegin(); it != properties.cend(); ++it)
            call("SetProperty", {it.key(), QVariant::fromValue(QDBusVariant(it.value()))});
    }
    static QVariantMap properties()
    {
        return qdbus_cast<QVariantMap>(call("GetAllProperties", {"/"}).value(0));
    }

    // As XFCE's name picks it, then once more, which must change nothing.
    static Outcomes registerTwice()
    {
        Outcomes outcomes;
        const auto record = [&](ShortcutRegistration o) { outcomes.append(o); };
        DesktopShortcutRegistrar desktop(DesktopShortcutRegistrar::runNewProject, {"XFCE"});
        desktop.requestRegistration(record);
        EXPECT_TRUE(test::waitUntil([&] { return !outcomes.isEmpty(); }));
        const QVariantMap once = properties();
        Registrar().requestRegistration(record);
        EXPECT_EQ(properties(), once);
        return outcomes;
    }

    static inline QProcess *daemon = nullptr;
};

TEST_F(XfceShortcuts, AddOneCommandHoweverOftenAskedAndKeepTheUsersOwn)
{
    // A session whose custom commands XFCE has not yet made from its defaults.
    const QVariantMap before{{"/commands/default/<Alt>F2", "xfce4-appfinder"},
                             {"/commands/default/<Super>t", "exo-open --launch TerminalEmulator"},
                             {"/commands/custom/<Super>t", "xfce4-terminal"}};
    set(before);
    EXPECT_EQ(registerTwice(), Outcomes(2, ShortcutRegistration::added));
    QVariantMap after = before;
    after.insert({{"/commands/custom/<Alt>F2", "xfce4-appfinder"},
                  {"/commands/custom/<Primary><Alt>n", "brindlepath new"},
                  {"/commands/custom/override", true}});
    EXPECT_EQ(properties(), after);

    // A key the user gave another command stays theirs.
    SetUp();
    const QVariantMap taken{{"/commands/custom/<Control><Alt>n", "nautilus"},
                            {"/commands/custom/override", true}};
    set(taken);
    EXPECT_EQ(registerTwice(), Outcomes(2, ShortcutRegistration::taken));
    EXPECT_EQ(properties(), taken);
}

} // namespace
