#include "WindowHost.h"

#include <QCoreApplication>
#include <QPromise>
#include <QTimer>

#include <memory>

namespace bp {

void WindowHost::closeWindow()
{
    if (m_window)
        m_window->close();
}

QFuture<void> WindowHost::pause(std::chrono::milliseconds duration)
{
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QTimer::singleShot(duration, qApp, [promise] { promise->finish(); });
    return promise->future();
}

} // namespace bp
