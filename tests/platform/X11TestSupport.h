#pragma once

// A private X server and another X client for the key tests. No X11 header leaks out of here:
// its macros (None, KeyPress, Bool...) clash with Qt and gtest.

#include "platform/KeyObserver.h"

#include <QProcess>
#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace bp::test {

// An Xvfb of the test's own. It picks a free display number itself and reports it once it
// accepts clients, so tests running side by side never share or wait for a display.
class XvfbServer {
public:
    explicit XvfbServer(const QStringList &arguments = {});
    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;
    ~XvfbServer();

    // ":N", or empty when the server did not start.
    const std::string &display() const { return m_display; }

private:
    QProcess m_process;
    std::string m_display;
};

// openbox on a test's display, so windows get focus, stacking and frames as on a desktop.
class WindowManager {
public:
    explicit WindowManager(const std::string &display);
    WindowManager(const WindowManager &) = delete;
    WindowManager &operator=(const WindowManager &) = delete;
    ~WindowManager();

    // True once the manager has announced itself on the root window.
    bool running() const { return m_running; }

private:
    QProcess m_process;
    bool m_running = false;
};

// An X11 system tray (the XEmbed tray protocol) that only takes note of dock requests: it owns
// the screen's tray selection, as a panel's notification area does.
class X11Tray {
public:
    explicit X11Tray(const std::string &display);
    X11Tray(const X11Tray &) = delete;
    X11Tray &operator=(const X11Tray &) = delete;
    ~X11Tray();

    bool owned() const { return m_owned; }
    // Reads the requests that came in so far; true once a window has asked to dock.
    bool dockRequested();

private:
    void *m_display = nullptr;
    unsigned long m_window = 0;
    unsigned long m_opcode = 0;
    bool m_owned = false;
    bool m_requested = false;
};

// Presses keys through XTEST, as a keyboard would; true when xdotool succeeded.
bool xdotool(const std::string &display, const QStringList &arguments);

// A top-level window of another X client, holding the keyboard focus.
class ForeignWindow {
public:
    explicit ForeignWindow(const std::string &display);
    ForeignWindow(const ForeignWindow &) = delete;
    ForeignWindow &operator=(const ForeignWindow &) = delete;
    ~ForeignWindow();

    bool focused() const { return m_focused; }

private:
    void *m_display = nullptr;
    unsigned long m_window = 0;
    bool m_focused = false;
};

// Hands every key on to the real observer's handler and then logs it, so a test knows when
// the observer has dealt with everything typed so far.
class LoggingObserver final : public KeyObserver {
public:
    explicit LoggingObserver(std::unique_ptr<KeyObserver> observer);
    bool start(Handler handler) override;
    // Waits until key is logged.
    bool awaits(const KeyDown &key);

private:
    std::unique_ptr<KeyObserver> m_observer;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<KeyDown> m_keys;
};

} // namespace bp::test
