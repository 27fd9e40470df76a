#include "X11TestSupport.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <chrono>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace bp::test {
namespace {

constexpr auto deadline = std::chrono::seconds(20);

Display *display(void *handle)
{
    return static_cast<Display *>(handle);
}

// The window a compliant manager names in _NET_SUPPORTING_WM_CHECK on the root window.
bool managerAnnounced(Display *dpy)
{
    const Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(dpy, DefaultRootWindow(dpy), check, 0, 1, False,
                                          XA_WINDOW, &type, &format, &items, &after, &data);
    const bool announced = status == Success && type == XA_WINDOW && items == 1;
    if (data)
        XFree(data);
    return announced;
}

} // namespace

XvfbServer::XvfbServer(const QStringList &arguments)
{
    // Xvfb writes the display number it found free to stdout once it accepts clients. Without
    // -noreset it would reset whenever the last client leaves, refusing the next one meanwhile.
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("Xvfb"), QStringList{"-displayfd", "1", "-noreset", "-nolisten",
                                                        "tcp", "-screen", "0", "640x480x24"} +
                                                arguments);
    while (!m_process.canReadLine() && m_process.waitForReadyRead())
        ;
    if (m_process.canReadLine())
        // Joined as bytes: GCC 12 at -O3 warns falsely (-Wrestrict) on ":" + std::string.
        m_display = (':' + m_process.readLine().trimmed()).toStdString();
}

XvfbServer::~XvfbServer()
{
    m_process.terminate();
    m_process.waitForFinished();
}

WindowManager::WindowManager(const std::string &display)
{
    Display *dpy = XOpenDisplay(display.c_str());
    if (!dpy)
        return;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display));
    m_process.setProcessEnvironment(environment);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    // The property appears once openbox has taken the screen; there is no event to wait on
    // that the manager could not have sent before we started listening.
    const QDeadlineTimer until(deadline);
    while (m_process.state() != QProcess::NotRunning && !managerAnnounced(dpy) &&
           !until.hasExpired())
        QThread::msleep(20);
    m_running = m_process.state() != QProcess::NotRunning && managerAnnounced(dpy);
    XCloseDisplay(dpy);
}

WindowManager::~WindowManager()
{
    m_process.terminate();
    if (!m_process.waitForFinished())
        m_process.kill();
}

X11Tray::X11Tray(const std::string &name)
{
    Display *dpy = XOpenDisplay(name.c_str());
    if (!dpy)
        return;
    m_display = dpy;
    const Window root = DefaultRootWindow(dpy);
    m_window = XCreateSimpleWindow(dpy, root, 0, 0, 1, 1, 0, 0, 0);
    m_opcode = XInternAtom(dpy, "_NET_SYSTEM_TRAY_OPCODE", False);
    const std::string selectionName = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(dpy));
    const Atom selection = XInternAtom(dpy, selectionName.c_str(), False);
    XSetSelectionOwner(dpy, selection, m_window, CurrentTime);
    m_owned = XGetSelectionOwner(dpy, selection) == m_window;
    // Clients waiting for a tray learn of the new one from this announcement.
    XEvent manager = {};
    manager.xclient.type = ClientMessage;
    manager.xclient.window = root;
    manager.xclient.message_type = XInternAtom(dpy, "MANAGER", False);
    manager.xclient.format = 32;
    manager.xclient.data.l[0] = CurrentTime;
    manager.xclient.data.l[1] = long(selection);
    manager.xclient.data.l[2] = long(m_window);
    XSendEvent(dpy, root, False, StructureNotifyMask, &manager);
    XSync(dpy, False);
}

X11Tray::~X11Tray()
{
    if (m_display)
        XCloseDisplay(display(m_display));
}

bool X11Tray::dockRequested()
{
    Display *dpy = display(m_display);
    if (!dpy)
        return false;
    constexpr long requestDock = 0;
    while (!m_requested && XPending(dpy) > 0) {
        XEvent event;
        XNextEvent(dpy, &event);
        m_requested = event.type == ClientMessage && event.xclient.window == m_window &&
                      event.xclient.message_type == m_opcode &&
                      event.xclient.data.l[1] == requestDock;
    }
    return m_requested;
}

bool xdotool(const std::string &display, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

ForeignWindow::ForeignWindow(const std::string &name)
{
    Display *dpy = XOpenDisplay(name.c_str());
    if (!dpy)
        return;
    m_display = dpy;
    m_window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 200, 100, 0, 0, 0);
    XSelectInput(dpy, m_window, KeyPressMask | StructureNotifyMask);
    XMapWindow(dpy, m_window);
    // Focus can only go to a window once it is viewable.
    XEvent event;
    do
        XWindowEvent(dpy, m_window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    XSetInputFocus(dpy, m_window, RevertToParent, CurrentTime);
    XSync(dpy, False);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy, &focus, &revert);
    m_focused = focus == m_window;
}

ForeignWindow::~ForeignWindow()
{
    if (m_display)
        XCloseDisplay(display(m_display));
}

LoggingObserver::LoggingObserver(std::unique_ptr<KeyObserver> observer)
    : m_observer(std::move(observer))
{}

bool LoggingObserver::start(Handler handler)
{
    return m_observer->start([this, handler](const KeyDown &key) {
        handler(key);
        const std::lock_guard lock(m_mutex);
        m_keys.push_back(key);
        m_changed.notify_all();
    });
}

bool LoggingObserver::awaits(const KeyDown &key)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, deadline, [&] {
        return std::find(m_keys.begin(), m_keys.end(), key) != m_keys.end();
    });
}

} // namespace bp::test
