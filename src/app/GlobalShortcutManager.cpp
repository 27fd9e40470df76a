#include "GlobalShortcutManager.h"

#include "platform/X11KeyObserver.h"

#include <QApplication>

namespace bp {
namespace {

constexpr std::uint32_t keysymN = 0x6e;
constexpr std::uint32_t keysymShiftedN = 0x4e;

} // namespace

GlobalShortcutManager &GlobalShortcutManager::shared()
{
    // A static, not a leaked pointer, so the observing thread is stopped at exit.
    static GlobalShortcutManager instance(std::make_unique<X11KeyObserver>());
    return instance;
}

GlobalShortcutManager::GlobalShortcutManager(std::unique_ptr<KeyObserver> observer)
    : m_observer(std::move(observer))
{
    // Matches are handed to this object's thread, which has to be the main one.
    if (const QCoreApplication *app = QCoreApplication::instance();
        app && thread() != app->thread())
        moveToThread(app->thread());
}

GlobalShortcutManager::~GlobalShortcutManager()
{
    // Joins the observing thread while this object can still take its calls.
    m_monitor.reset();
}

bool GlobalShortcutManager::isShortcut(const KeyDown &key)
{
    const unsigned needed = KeyDown::control | KeyDown::alt;
    return (key.keysym == keysymN || key.keysym == keysymShiftedN) &&
           (key.modifiers & needed) == needed;
}

void GlobalShortcutManager::start()
{
    std::unique_ptr<KeyObserver> observer = std::move(m_observer);
    if (!observer)
        return;
    // On the observer's thread. The queued call runs on this object's thread and is dropped
    // if this object is gone by then.
    const bool installed = observer->start([this](const KeyDown &key) {
        if (isShortcut(key))
            QMetaObject::invokeMethod(this, &GlobalShortcutManager::fire, Qt::QueuedConnection);
    });
    if (installed)
        m_monitor = std::move(observer);
}

void GlobalShortcutManager::fire()
{
    // A desktop's own global monitor is never told about keys meant for our windows.
    if (!action || QApplication::activeWindow())
        return;
    const std::function<void()> run = action;
    run();
}

} // namespace bp
