#pragma once

#include "platform/KeyObserver.h"

#include <QObject>

#include <functional>
#include <memory>

namespace bp {

// The system-wide Ctrl+Alt+N. It observes the keys meant for other applications, never taking
// them away, and hands every match to the main thread, where action runs. A session that does
// not let us observe keys leaves the shortcut silent for the whole run.
class GlobalShortcutManager final : public QObject {
    Q_OBJECT
public:
    // The one instance, created on first use with the desktop session's key observer.
    static GlobalShortcutManager &shared();

    explicit GlobalShortcutManager(std::unique_ptr<KeyObserver> observer);
    ~GlobalShortcutManager() override;

    // Runs on the main thread for each press; while it is empty, presses are ignored.
    std::function<void()> action;

    // Installs the observer, once; a refusal is never retried.
    void start();

    // The installed observer: null before start and when the session refused it.
    const KeyObserver *monitor() const { return m_monitor.get(); }

    // Ctrl+Alt+N, whatever else is held.
    static bool isShortcut(const KeyDown &key);

private:
    void fire();

    std::unique_ptr<KeyObserver> m_observer;
    std::unique_ptr<KeyObserver> m_monitor;
};

} // namespace bp
