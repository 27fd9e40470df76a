#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace bp::test {

// Runs the event loop until done holds or a generous deadline passes; returns done().
inline bool waitUntil(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(20000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace bp::test
