#include "StandaloneWindowHost.h"

#include "platform/FreedesktopFileManager.h"
#include "views/ProjectSetupWindow.h"
#include "workflow/ProjectSetupModel.h"

#include <QApplication>
#include <QEvent>
#include <QPromise>
#include <QTimer>

namespace bp {
namespace {

// Runs a check once a close event has been handled and the window is hidden.
class CloseWatcher final : public QObject {
public:
    explicit CloseWatcher(std::function<void()> check) : m_check(std::move(check)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            QTimer::singleShot(0, this, m_check);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_check;
};

} // namespace

StandaloneWindowHost::StandaloneWindowHost(FileManager &fileManager) : m_fileManager(fileManager) {}

void StandaloneWindowHost::revealInFileManager(const QString &path)
{
    m_fileManager.reveal(path);
}

void StandaloneWindowHost::closeWindow()
{
    if (m_window)
        m_window->close();
}

QFuture<void> StandaloneWindowHost::pause(std::chrono::milliseconds duration)
{
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QTimer::singleShot(duration, qApp, [promise] { promise->finish(); });
    return promise->future();
}

int runStandaloneSetupWindow(const std::optional<QString> &folder)
{
    FreedesktopFileManager fileManager;
    StandaloneWindowHost host(fileManager);
    ProjectSetupModel model(folder, host);
    ProjectSetupWindow window(model);
    host.setWindow(&window);

    // Closing the window must not cut a run short: quit once both are over.
    QApplication::setQuitOnLastWindowClosed(false);
    const auto quitWhenIdle = [&] {
        if (!window.isVisible() && !model.isCreating())
            QApplication::quit();
    };
    CloseWatcher watcher(quitWhenIdle);
    window.installEventFilter(&watcher);
    QObject::connect(&model, &ProjectSetupModel::isCreatingChanged, qApp, quitWhenIdle);

    window.show();
    window.raise();
    window.activateWindow();
    return QApplication::exec();
}

} // namespace bp
