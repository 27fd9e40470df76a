#include "AgentWindowFactory.h"

#include "AgentWorkflowHost.h"
#include "StandaloneWindowHost.h"
#include "StatusItem.h"
#include "platform/CardWatcher.h"
#include "platform/WindowActivation.h"
#include "views/OffloadWindow.h"
#include "views/OnboardingView.h"
#include "views/ProjectSetupWindow.h"
#include "views/SettingsView.h"
#include "views/Style.h"
#include "workflow/OffloadModel.h"
#include "workflow/ProjectSetupModel.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

namespace bp {
namespace {

// Owns what one setup window needs for as long as the window or its run lasts.
class SetupSession final : public QObject {
public:
    SetupSession(const std::optional<QString> &folder, std::unique_ptr<WorkflowHost> host,
                 const Stores &stores)
        : m_host(std::move(host)),
          m_model(std::make_unique<ProjectSetupModel>(folder, *m_host, stores)),
          m_window(std::make_unique<ProjectSetupWindow>(*m_model))
    {}
    ~SetupSession() override
    {
        // The window refers to the model, the model to the host: undo in reverse.
        m_window.reset();
        m_model.reset();
    }

    ProjectSetupWindow *window() const { return m_window.get(); }

private:
    std::unique_ptr<WorkflowHost> m_host;
    std::unique_ptr<ProjectSetupModel> m_model;
    std::unique_ptr<ProjectSetupWindow> m_window;
};

void fixWindow(QWidget *window, Qt::WindowFlags extra = {})
{
    // Fixed size: a title and a close button, nothing to minimise or maximise.
    window->setWindowFlags(Style::fixedWindowFlags | extra);
    // The views fix their own size; asking for the frame before the window exists would
    // only polish and lay it out early, on the way to showing it.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace

AgentWindowFactory::AgentWindowFactory(const Stores &stores, ShortcutRegistrar &shortcuts,
                                       LoginItem &loginItem, FileManagerSetup &fileManagers,
                                       StatusItem &statusItem, CardWatcher *cards)
    : m_stores(stores), m_shortcuts(shortcuts), m_loginItem(loginItem),
      m_fileManagers(fileManagers), m_statusItem(statusItem), m_cards(cards)
{}

QWidget *AgentWindowFactory::openSetupWindow(const std::optional<QString> &folder,
                                             std::unique_ptr<WorkflowHost> host)
{
    auto *agentHost = dynamic_cast<AgentWorkflowHost *>(host.get());
    auto *session = new SetupSession(folder, std::move(host), m_stores);
    ProjectSetupWindow *window = session->window();
    if (agentHost)
        agentHost->setWindow(window);
    followSharedTemplates(*window, m_stores.templates);
    fixWindow(window, Qt::WindowStaysOnTopHint);
    // A closed window is never reused; it goes once any run it started has finished.
    quitWhenClosedAndIdle(*window, [session] { session->deleteLater(); });
    present(window);
    return window;
}

QWidget *AgentWindowFactory::openSettingsWindow()
{
    auto *view = new SettingsView(m_stores.standard, m_stores.templates, m_shortcuts, m_loginItem);
    view->setAttribute(Qt::WA_DeleteOnClose);
    followSharedTemplates(*view, m_stores.templates);
    fixWindow(view);
    present(view);
    return view;
}

QWidget *AgentWindowFactory::openOnboardingWindow(std::function<void()> afterComplete)
{
    auto window = std::make_shared<QPointer<QWidget>>();
    auto *view = new OnboardingView(
        [window, afterComplete = std::move(afterComplete)] {
            if (*window)
                (*window)->close();
            if (afterComplete)
                afterComplete();
        },
        m_fileManagers, m_stores.standard);
    *window = view;
    view->setTrayShown(m_statusItem.isShown());
    // A tray host that comes later makes the tray texts true after all.
    m_statusItem.whenShown([window] {
        if (auto *shown = qobject_cast<OnboardingView *>(*window))
            shown->setTrayShown(true);
    });
    view->setAttribute(Qt::WA_DeleteOnClose);
    fixWindow(view);
    present(view);
    return view;
}

QWidget *AgentWindowFactory::openOffloadWindow(const std::optional<QString> &project,
                                               const std::optional<QString> &card)
{
    auto *window = makeOffloadWindow(project, card, m_cards);
    fixWindow(window);
    present(window);
    return window;
}

bool AgentWindowFactory::hasCards() const
{
    return m_cards && !m_cards->cards().isEmpty();
}

void AgentWindowFactory::bringToFront(QWidget *window)
{
    present(window);
}

void AgentWindowFactory::present(QWidget *window)
{
    if (!m_token.isEmpty()) {
        window->winId();
        if (QWindow *handle = window->windowHandle())
            applyActivationToken(*handle, m_token.toUtf8());
        m_token.clear();
    }
    m_relief.watch(window);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace bp
