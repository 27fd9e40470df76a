#pragma once

#include "workflow/WorkflowHost.h"

#include <QPointer>
#include <QWidget>

#include <optional>

namespace bp {

class CardWatcher;
class CustomTemplateStore;
class OffloadWindow;

// Follows the shared template library while the window lives: windows that list templates
// call it, and the library stops watching once the last of them has gone.
void followSharedTemplates(QWidget &window, CustomTemplateStore &store);

// A new offload window into project, with card (a root) chosen, listing the cards the watcher
// (if any) sees as they come and go. It is not shown yet. Once closed, it goes with its model
// as soon as no run of it is left; a run outlives the window, its job and notification too.
OffloadWindow *makeOffloadWindow(const std::optional<QString> &project,
                                 const std::optional<QString> &card, CardWatcher *cards);

// What every host with a real setup window does alike: close that window (if it is still
// there) and pause on the event loop's clock.
class WindowHost : public WorkflowHost {
public:
    void setWindow(QWidget *window) { m_window = window; }

    void closeWindow() override;
    QFuture<void> pause(std::chrono::milliseconds duration) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace bp
