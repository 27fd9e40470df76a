#include "WindowHost.h"

#include "platform/CardWatcher.h"
#include "stores/CustomTemplateStore.h"
#include "stores/SharedTemplateLibrary.h"
#include "views/OffloadWindow.h"
#include "workflow/OffloadModel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QPromise>
#include <QTimer>

#include <memory>

namespace bp {
namespace {

class OffloadSession final : public QObject {
public:
    OffloadSession()
        : m_model(std::make_unique<OffloadModel>()),
          m_window(std::make_unique<OffloadWindow>(*m_model))
    {
        m_window->installEventFilter(this);
        connect(m_model.get(), &OffloadModel::finished, this, &OffloadSession::endWhenDone,
                Qt::QueuedConnection);
    }
    ~OffloadSession() override
    {
        // The window refers to the model.
        m_window.reset();
        m_model.reset();
    }
    OffloadWindow *window() const { return m_window.get(); }
    OffloadModel &model() const { return *m_model; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            QTimer::singleShot(0, this, &OffloadSession::endWhenDone);
        return QObject::eventFilter(watched, event);
    }

private:
    void endWhenDone()
    {
        if (!m_window->isVisible() && m_model->state() != OffloadModel::State::running)
            deleteLater();
    }

    std::unique_ptr<OffloadModel> m_model;
    std::unique_ptr<OffloadWindow> m_window;
};

} // namespace

OffloadWindow *makeOffloadWindow(const std::optional<QString> &project,
                                 const std::optional<QString> &card, CardWatcher *cards)
{
    auto *session = new OffloadSession;
    OffloadModel &model = session->model();
    if (cards) {
        model.setCards(cards->cards());
        QObject::connect(cards, &CardWatcher::cardAdded, &model, &OffloadModel::addCard);
        QObject::connect(cards, &CardWatcher::cardRemoved, &model, &OffloadModel::removeCard);
    }
    if (project)
        model.setProject(*project);
    if (card)
        model.chooseCard(*card);
    else if (!model.cards().isEmpty())
        model.chooseCard(model.cards().constFirst().root);
    return session->window();
}

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
