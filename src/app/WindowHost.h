#pragma once

#include "workflow/WorkflowHost.h"

#include <QPointer>
#include <QWidget>

namespace bp {

class CustomTemplateStore;

// Follows the shared template library while the window lives: windows that list templates
// call it, and the library stops watching once the last of them has gone.
void followSharedTemplates(QWidget &window, CustomTemplateStore &store);

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
