#include "WindowActivation.h"

#include <QGuiApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
// After Xlib: the native interface names its Display type.
#include <QtGui/qguiapplication_platform.h>

namespace bp {

void applyActivationToken(QWindow &window, const QByteArray &token)
{
    if (token.isEmpty())
        return;
    if (auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        Display *display = x11->display();
        const Atom property = XInternAtom(display, "_NET_STARTUP_ID", False);
        const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
        XChangeProperty(display, Window(window.winId()), property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(token.constData()),
                        int(token.size()));
        XFlush(display);
        return;
    }
    // Qt's Wayland plugin hands this to xdg-activation when the window is next activated.
    qputenv("XDG_ACTIVATION_TOKEN", token);
}

} // namespace bp
