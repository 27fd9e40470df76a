#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

namespace bp {

// The agent runs all day and its windows for a minute: once the last window is gone, what only
// a window needed goes back to the system.
class MemoryRelief final : public QObject {
    Q_OBJECT
public:
    explicit MemoryRelief(QObject *parent = nullptr);

    // Gives memory back once window has been destroyed, unless another window is shown by then.
    void watch(QWidget *window);

    // Drops the pixmaps and shadows cached for windows and returns the heap's free pages.
    static void relieve();

private Q_SLOTS:
    void windowGone();

private:
    QTimer m_delay;
};

} // namespace bp
