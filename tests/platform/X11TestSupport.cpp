#include "X11TestSupport.h"

#include <QProcess>

#include <algorithm>
#include <chrono>

#include <X11/Xlib.h>

namespace bp::test {
namespace {

constexpr auto deadline = std::chrono::seconds(20);

Display *display(void *handle)
{
    return static_cast<Display *>(handle);
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
        m_display = ":" + m_process.readLine().trimmed().toStdString();
}

XvfbServer::~XvfbServer()
{
    m_process.terminate();
    m_process.waitForFinished();
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
