#pragma once

#include <QByteArray>
#include <QWindow>

namespace bp {

// Lets a window that another process asked for take the focus: the caller's startup id on
// X11 (the window's _NET_STARTUP_ID), its xdg-activation token on Wayland. Call before the
// window is shown and activated.
void applyActivationToken(QWindow &window, const QByteArray &token);

} // namespace bp
