#include "WindowHost.h"

#include "stores/CustomTemplateStore.h"
#include "stores/SharedTemplateLibrary.h"

#include <QCoreApplication>
#include <QHash>
#include <QPromise>
#include <QTimer>

#include <memory>

namespace bp {

void followSharedTemplates(QWidget &window, CustomTemplateStore &store)
{
    SharedTemplateLibrary *library = store.sharedLibrary();
    if (!library)
        return;
    // Windows come and go on the UI thread only; a library may outlive none of them.
    static QHash<SharedTemplateLibrary *, int> open;
    if (open[library]++ == 0)
        library->setWatching(true);
    QObject::connect(&window, &QObject::destroyed, library, [library] {
        if (--open[library] == 0) {
            open.remove(library);
            library->setWatching(false);
        }
    });
}

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
