#include <gtest/gtest.h>

#include <QTemporaryDir>
#ifdef BP_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

// Below ctest's --timeout of 300 s, which kills without a word.
constexpr std::chrono::seconds limit(270);

// A binary still running shortly before ctest's limit kills it silently: print the test it is
// in and the stacks of it and its children, so that a rare hang in CI can be diagnosed.
class HangReport {
public:
    HangReport()
        : m_thread([this] {
              std::unique_lock lock(m_mutex);
              if (m_done.wait_for(lock, limit, [this] { return m_finished; }))
                  return;
              const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
              std::fprintf(stderr, "== still running after %d s: %s.%s\n", int(limit.count()),
                           test ? test->test_suite_name() : "?", test ? test->name() : "?");
              const std::string pid = std::to_string(getpid());
              const std::string stacks =
                  "for p in " + pid + " $(pgrep -P " + pid + "); do ps -o pid,stat,args -p $p; " +
                  "gdb -p $p -batch -nx -ex 'thread apply all bt' 2>&1 | grep '^#\\|^Thread'; " +
                  "done >&2";
              [[maybe_unused]] const int status = std::system(stacks.c_str());
          })
    {}
    ~HangReport()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace

int main(int argc, char **argv)
{
    // Every test binary gets private, empty config and data folders, so the shared stores
    // and the agent's file-manager actions never touch the developer's own.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
#ifdef BP_TEST_GUI
    // Test discovery runs the binary outside ctest's environment; widget tests still need
    // a platform there, and never a real display unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    HangReport hangReport;
    return RUN_ALL_TESTS();
}
