#include "StandaloneWindowHost.h"

#include "platform/CardWatcher.h"
#include "platform/DesktopShortcutRegistrar.h"
#include "platform/FreedesktopFileManager.h"
#include "platform/XdgAutostart.h"
#include "views/OffloadWindow.h"
#include "views/ProjectSetupWindow.h"
#include "views/SettingsView.h"
#include "workflow/ProjectSetupModel.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
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

StandaloneWindowHost::StandaloneWindowHost(FileManager &fileManager, CardWatcher *cards)
    : m_fileManager(fileManager), m_cards(cards)
{}

void StandaloneWindowHost::revealInFileManager(const QString &path)
{
    m_fileManager.reveal(path);
}

void StandaloneWindowHost::openOffload(const QString &project)
{
    if (m_offloadWindow) {
        m_offloadWindow->raise();
        m_offloadWindow->activateWindow();
        return;
    }
    m_offloadWindow = makeOffloadWindow(project, std::nullopt, m_cards);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), m_offloadWindow->size());
        frame.moveCenter(screen->availableGeometry().center());
        m_offloadWindow->move(frame.topLeft());
    }
    m_offloadWindow->show();
    m_offloadWindow->raise();
    m_offloadWindow->activateWindow();
}

void quitWhenClosedAndIdle(ProjectSetupWindow &window, std::function<void()> quit)
{
    // A closed window does not cut a run short: the run still reveals its project, which
    // happens after isCreating() has gone false, so wait for the run itself.
    const auto check = [&window, quit = std::move(quit)] {
        if (!window.isVisible() && !window.isRunning())
            quit();
    };
    auto *watcher = new CloseWatcher(check);
    watcher->setParent(&window);
    window.installEventFilter(watcher);
    QObject::connect(&window, &ProjectSetupWindow::runFinished, watcher, check);
}

int runStandaloneSetupWindow(const std::optional<QString> &folder, const Stores &stores)
{
    FreedesktopFileManager fileManager;
    // Made now, so that its first look at the mounts is done by the time a card is imported.
    const std::unique_ptr<CardWatcher> cards = makeCardWatcher();
    StandaloneWindowHost host(fileManager, cards.get());
    ProjectSetupModel model(folder, host, stores);
    ProjectSetupWindow window(model);
    host.setWindow(&window);
    followSharedTemplates(window, stores.templates);

    QApplication::setQuitOnLastWindowClosed(false);
    // An offload window opened from here keeps the process until it and its run are gone.
    quitWhenClosedAndIdle(window, [&host] {
        if (QWidget *offload = host.offloadWindow())
            QObject::connect(offload, &QObject::destroyed, qApp, &QApplication::quit);
        else
            QApplication::quit();
    });

    window.show();
    window.raise();
    window.activateWindow();
    return QApplication::exec();
}

int runStandaloneSettingsWindow(const Stores &stores)
{
    // The portal keeps a shortcut only while the process that bound it runs; the tray agent
    // holds its registrar for good, this window only until it closes.
    DesktopShortcutRegistrar shortcuts;
    XdgAutostart loginItem;
    SettingsView *view =
        SettingsView::openWindow(stores.standard, stores.templates, shortcuts, loginItem);
    followSharedTemplates(*view, stores.templates);
    return QApplication::exec();
}

} // namespace bp
