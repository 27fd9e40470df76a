#include "app/GlobalShortcutManager.h"
#include "platform/X11KeyObserver.h"

#include "platform/PlatformTestSupport.h"
#include "platform/X11TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <QWidget>

#include <thread>

using namespace bp;
using namespace bp::test;

namespace {

constexpr std::uint32_t keysymN = 0x6e;
constexpr std::uint32_t keysymZ = 0x7a;
constexpr unsigned control = KeyDown::control;
constexpr unsigned alt = KeyDown::alt;

struct KeyCase {
    const char *name;
    KeyDown key;
    bool isShortcut;
    friend void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.name; }
};

class ShortcutKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ShortcutKey, IsControlAltNWhateverElseIsHeld)
{
    EXPECT_EQ(GlobalShortcutManager::isShortcut(GetParam().key), GetParam().isShortcut);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ShortcutKey,
    ::testing::Values(KeyCase{"ControlAltN", {keysymN, control | alt}, true},
                      KeyCase{"ControlAltShiftN", {keysymN, control | alt | KeyDown::shift}, true},
                      KeyCase{"ControlAltSuperN", {keysymN, control | alt | KeyDown::super}, true},
                      KeyCase{"UpperCaseKeysym", {0x4e, control | alt}, true},
                      KeyCase{"ControlN", {keysymN, control}, false},
                      KeyCase{"AltN", {keysymN, alt}, false},
                      KeyCase{"SuperAltN", {keysymN, KeyDown::super | alt}, false},
                      KeyCase{"ControlAltB", {0x62, control | alt}, false}),
    [](const auto &info) { return std::string(info.param.name); });

// Stands in for the desktop: reports each press from a thread of its own and returns once the
// handler has returned there.
class RecordingObserver final : public KeyObserver {
public:
    bool start(Handler handler) override
    {
        m_handler = std::move(handler);
        return true;
    }
    void press()
    {
        std::thread([this] { m_handler({keysymN, control | alt}); }).join();
    }

private:
    Handler m_handler;
};

class GlobalShortcutManagerTest : public ::testing::Test {
protected:
    GlobalShortcutManagerTest()
    {
        auto observer = std::make_unique<RecordingObserver>();
        desktop = observer.get();
        manager = std::make_unique<GlobalShortcutManager>(std::move(observer));
        manager->action = [this] {
            ++runs;
            ranOn = QThread::currentThread();
        };
        manager->start();
    }

    std::unique_ptr<GlobalShortcutManager> manager;
    RecordingObserver *desktop = nullptr;
    int runs = 0;
    QThread *ranOn = nullptr;
};

TEST_F(GlobalShortcutManagerTest, RunsTheActionOnTheMainThreadAfterTheObserverReturns)
{
    desktop->press();
    EXPECT_EQ(runs, 0);
    ASSERT_TRUE(waitUntil([&] { return runs == 1; }));
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST_F(GlobalShortcutManagerTest, IgnoresAPressWhileNoActionIsSet)
{
    manager->action = nullptr;
    desktop->press();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(runs, 0);
}

TEST_F(GlobalShortcutManagerTest, IgnoresAPressWhileOneOfOurWindowsIsActive)
{
    auto window = std::make_unique<QWidget>();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == window.get(); }));
    desktop->press();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(runs, 0);

    window.reset();
    desktop->press();
    EXPECT_TRUE(waitUntil([&] { return runs == 1; }));
}

TEST_F(GlobalShortcutManagerTest, DropsAPressHandedOverAfterTheManagerIsGone)
{
    desktop->press();
    manager.reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(runs, 0);
}

class OnAnXServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<XvfbServer>(); }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override { ASSERT_FALSE(server->display().empty()) << "Xvfb did not start"; }

    static inline std::unique_ptr<XvfbServer> server;
};

struct Typing {
    const char *name;
    QStringList keys; // xdotool key arguments
    int runs;
    friend void PrintTo(const Typing &c, std::ostream *os) { *os << c.name; }
};

class RunsOnTheShortcutOnly : public OnAnXServer, public ::testing::WithParamInterface<Typing> {};

TEST_P(RunsOnTheShortcutOnly, TypedIntoAnotherApplication)
{
    const ForeignWindow window(server->display());
    ASSERT_TRUE(window.focused());
    auto observer =
        std::make_unique<LoggingObserver>(std::make_unique<X11KeyObserver>(server->display()));
    LoggingObserver &log = *observer;
    GlobalShortcutManager manager(std::move(observer));
    int runs = 0;
    manager.action = [&] { ++runs; };
    manager.start();
    ASSERT_NE(manager.monitor(), nullptr);

    // Once z is in, every key before it has been handed over: what has not run never will.
    ASSERT_TRUE(
        xdotool(server->display(), QStringList{"key"} + GetParam().keys + QStringList{"z"}));
    ASSERT_TRUE(log.awaits({keysymZ, 0}));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(runs, GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(Typings, RunsOnTheShortcutOnly,
                         ::testing::Values(Typing{"ControlAltN", {"ctrl+alt+n"}, 1},
                                           Typing{"ControlAltShiftN", {"ctrl+alt+shift+n"}, 1},
                                           Typing{"EveryPress", {"ctrl+alt+n", "ctrl+alt+n"}, 2},
                                           Typing{"ControlN", {"ctrl+n"}, 0},
                                           Typing{"AltN", {"alt+n"}, 0},
                                           Typing{"ControlNThenAltN", {"ctrl+n", "alt+n"}, 0}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(GlobalShortcutManager, InstallsNothingOnAServerWithoutRecord)
{
    const XvfbServer server({"-extension", "RECORD"});
    ASSERT_FALSE(server.display().empty());
    GlobalShortcutManager manager(std::make_unique<X11KeyObserver>(server.display()));
    manager.start();
    EXPECT_EQ(manager.monitor(), nullptr);
}

// The shared instance, each time in a process of its own: its environment is the session's,
// and its exit runs the instance's destructor.
class SharedInstance : public OnAnXServer {
protected:
    void SetUp() override
    {
        OnAnXServer::SetUp();
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }

    bool installedIn(const char *sessionType)
    {
        qputenv("DISPLAY", server->display().c_str());
        qputenv("XDG_SESSION_TYPE", sessionType);
        GlobalShortcutManager::shared().start();
        return GlobalShortcutManager::shared().monitor();
    }
};

TEST_F(SharedInstance, ObservesAnX11SessionUntilTheProcessExits)
{
    EXPECT_EXIT(std::exit(installedIn("x11") ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST_F(SharedInstance, InstallsNothingInAWaylandSessionThoughXWaylandWouldRecord)
{
    EXPECT_EXIT(std::exit(installedIn("wayland") ? 1 : 0), ::testing::ExitedWithCode(0), "");
}

TEST(GlobalShortcutManager, SharedInstanceHandsOverToTheMainThreadWhicheverThreadMadeIt)
{
    GlobalShortcutManager *made = nullptr;
    std::thread([&] { made = &GlobalShortcutManager::shared(); }).join();
    EXPECT_EQ(made, &GlobalShortcutManager::shared());
    EXPECT_EQ(made->thread(), QCoreApplication::instance()->thread());
}

} // namespace
