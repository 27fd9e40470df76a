#include "platform/PortalShortcutRegistrar.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusVirtualObject>

#include <mutex>

using namespace bp;
using namespace bp::test;

namespace {

// The portal as a client sees it: every call is recorded, and each request is answered by a
// Response signal on the request object whose path the client chose.
class FakePortal final : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &bus) override
    {
        const std::lock_guard lock(m_mutex);
        const QString member = message.member();
        m_calls.append(message);
        if (member == u"CreateSession" || member == u"BindShortcuts") {
            const auto options = qdbus_cast<QVariantMap>(message.arguments().last());
            const QString request = handle("request", message, options["handle_token"]);
            bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            QVariantMap results;
            if (member == u"CreateSession")
                results["session_handle"] = handle("session", message, "brindlepath");
            bus.send(
                QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response")
                << 0u << results);
        } else {
            bus.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
        }
        return true;
    }

    QString introspect(const QString &) const override { return {}; }

    QList<QDBusMessage> calls()
    {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }

    QStringList members()
    {
        QStringList names;
        for (const QDBusMessage &call : calls())
            names.append(call.member());
        return names;
    }

    static QString handle(const QString &kind, const QDBusMessage &call, const QVariant &token)
    {
        return QStringLiteral("/org/freedesktop/portal/desktop/%1/%2/%3")
            .arg(kind, call.service().mid(1).replace(u'.', u'_'), token.toString());
    }

private:
    std::mutex m_mutex;
    QList<QDBusMessage> m_calls;
};

class RecordingRegistrar final : public ShortcutRegistrar {
public:
    void requestRegistration(Done done) override
    {
        ++asked;
        done(ShortcutRegistration::taken);
    }
    int asked = 0;
};

class PortalShortcutRegistrarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "runs in dbus-run-session";
    }

    RecordingRegistrar fallback;
    int activations = 0;
    QList<ShortcutRegistration> outcomes;
    ShortcutRegistrar::Done record = [this](ShortcutRegistration o) { outcomes.append(o); };
    PortalShortcutRegistrar registrar{&fallback, [this] { ++activations; }};
};

TEST_F(PortalShortcutRegistrarTest, AsksTheFallbackWhereThereIsNoPortal)
{
    // A request while one is under way gets the same answer.
    registrar.requestRegistration(record);
    registrar.requestRegistration(record);
    EXPECT_TRUE(waitUntil([&] { return outcomes.size() == 2; }));
    EXPECT_EQ(fallback.asked, 1);
    EXPECT_EQ(outcomes, QList<ShortcutRegistration>(2, ShortcutRegistration::taken));

    PortalShortcutRegistrar alone(nullptr, {});
    alone.requestRegistration(record);
    EXPECT_TRUE(waitUntil([&] { return outcomes.size() == 3; }));
    EXPECT_EQ(outcomes.last(), ShortcutRegistration::unavailable);
}

// The portal on a connection of its own, as from its own process.
class WithPortal : public PortalShortcutRegistrarTest {
protected:
    void SetUp() override
    {
        PortalShortcutRegistrarTest::SetUp();
        ASSERT_TRUE(portalBus.registerVirtualObject(PortalShortcutRegistrar::path, &portal));
        ASSERT_TRUE(portalBus.registerService(PortalShortcutRegistrar::service));
        registrar.requestRegistration(record);
        ASSERT_TRUE(waitUntil([&] { return !outcomes.isEmpty(); }));
    }

    void TearDown() override
    {
        portalBus.unregisterService(PortalShortcutRegistrar::service);
        portalBus.unregisterObject(PortalShortcutRegistrar::path);
        QDBusConnection::disconnectFromBus(portalBus.name());
    }

    QDBusConnection portalBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "portal");
    FakePortal portal;
};

TEST_F(WithPortal, BindsControlAltNInASessionOfItsOwn)
{
    const QList<QDBusMessage> calls = portal.calls();
    EXPECT_EQ(portal.members(), (QStringList{"Register", "Get", "CreateSession", "BindShortcuts"}));
    EXPECT_EQ(calls[0].arguments().value(0), "com.quenmoor.brindlepath");

    const QVariantList bind = calls[3].arguments();
    EXPECT_EQ(bind[0].value<QDBusObjectPath>().path(),
              FakePortal::handle("session", calls[3], "brindlepath"));
    const auto shortcuts = bind[1].value<QDBusArgument>();
    QString id;
    QVariantMap properties;
    shortcuts.beginArray();
    shortcuts.beginStructure();
    shortcuts >> id >> properties;
    shortcuts.endStructure();
    EXPECT_TRUE(shortcuts.atEnd());
    shortcuts.endArray();
    EXPECT_EQ(id, PortalShortcutRegistrar::shortcutId);
    EXPECT_EQ(properties, (QVariantMap{{"description", "Nieuwe projectstructuur"},
                                       {"preferred_trigger", "CTRL+ALT+n"}}));
    EXPECT_EQ(fallback.asked, 0);
    EXPECT_EQ(outcomes, QList{ShortcutRegistration::added});
}

TEST_F(WithPortal, RunsTheActionWhenTheDesktopActivatesTheShortcut)
{
    const QString session = portal.calls().last().arguments()[0].value<QDBusObjectPath>().path();
    portalBus.send(QDBusMessage::createSignal(PortalShortcutRegistrar::path,
                                              PortalShortcutRegistrar::interface, "Activated")
                   << QVariant::fromValue(QDBusObjectPath(session))
                   << PortalShortcutRegistrar::shortcutId << qulonglong(0) << QVariantMap());
    EXPECT_TRUE(waitUntil([&] { return activations == 1; }));
}

} // namespace
