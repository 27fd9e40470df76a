#include "MapWatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace bench {

bool spinUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

struct MapWatcher::Connection {
    Display *display = nullptr;
    Atom netWmName = 0;
    Atom protocols = 0;
    Atom deleteWindow = 0;
    std::optional<QSocketNotifier> notifier;
    QString title;
    const QElapsedTimer *clock = nullptr;
    std::optional<qint64> mapped;
    Window window = 0;

    void drain();
    QString titleOf(Window window);
};

void MapWatcher::Connection::drain()
{
    // Xlib may have queued events while answering another request: the socket alone does not
    // tell about those.
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && clock && !mapped) {
            const qint64 at = clock->nsecsElapsed();
            if (titleOf(event.xmap.window).contains(title)) {
                mapped = at;
                window = event.xmap.window;
            }
        } else if ((event.type == UnmapNotify && event.xunmap.window == window) ||
                   (event.type == DestroyNotify && event.xdestroywindow.window == window)) {
            window = 0;
        }
    }
}

QString MapWatcher::Connection::titleOf(Window of)
{
    for (const Atom property : {netWmName, Atom(XA_WM_NAME)}) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display, of, property, 0, 1024, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) != Success ||
            !data)
            continue;
        const QString title = QString::fromUtf8(reinterpret_cast<const char *>(data), int(count));
        XFree(data);
        if (!title.isEmpty())
            return title;
    }
    return {};
}

MapWatcher::MapWatcher(const QString &name) : m_connection(std::make_unique<Connection>())
{
    Connection &c = *m_connection;
    c.display = XOpenDisplay(name.toLatin1().constData());
    if (!c.display)
        return;
    // Without a window manager a top-level window is mapped straight on the root window.
    XSelectInput(c.display, DefaultRootWindow(c.display), SubstructureNotifyMask);
    c.netWmName = XInternAtom(c.display, "_NET_WM_NAME", False);
    c.protocols = XInternAtom(c.display, "WM_PROTOCOLS", False);
    c.deleteWindow = XInternAtom(c.display, "WM_DELETE_WINDOW", False);
    XFlush(c.display);
    c.notifier.emplace(ConnectionNumber(c.display), QSocketNotifier::Read);
    QObject::connect(&*c.notifier, &QSocketNotifier::activated, [&c] { c.drain(); });
}

MapWatcher::~MapWatcher()
{
    m_connection->notifier.reset();
    if (m_connection->display)
        XCloseDisplay(m_connection->display);
}

bool MapWatcher::ok() const
{
    return m_connection->display;
}

std::optional<qint64> MapWatcher::awaitMapped(const QString &title, const QElapsedTimer &clock)
{
    Connection &c = *m_connection;
    c.mapped.reset();
    c.title = title;
    c.clock = &clock;
    spinUntil([&c] {
        c.drain();
        return c.mapped.has_value();
    });
    c.clock = nullptr;
    return c.mapped;
}

bool MapWatcher::close()
{
    Connection &c = *m_connection;
    if (!c.window)
        return true;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = c.window;
    event.xclient.message_type = c.protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(c.deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(c.display, c.window, False, NoEventMask, &event);
    XFlush(c.display);
    return spinUntil([&c] {
        c.drain();
        return c.window == 0;
    });
}

} // namespace bench
