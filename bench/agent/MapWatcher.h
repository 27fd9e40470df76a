#pragma once

// Top-level windows of a display coming and going. No X11 header leaks out of here: its macros
// (Bool, None, Status...) clash with Qt and moc.

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace bench {

// Runs the event loop until done() holds or the time is up.
bool spinUntil(const std::function<bool()> &done, int timeoutMs = 10000);

class MapWatcher {
public:
    explicit MapWatcher(const QString &display);
    MapWatcher(const MapWatcher &) = delete;
    MapWatcher &operator=(const MapWatcher &) = delete;
    ~MapWatcher();

    bool ok() const;

    // When, on `clock`, a window whose title holds `title` was mapped (in nanoseconds); nothing
    // when none was within the time.
    std::optional<qint64> awaitMapped(const QString &title, const QElapsedTimer &clock);

    // Asks the window mapped last to close, as a window manager would, and waits until it is
    // unmapped.
    bool close();

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};

} // namespace bench
