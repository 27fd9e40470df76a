#pragma once

#include <QIcon>
#include <QString>

#include <functional>

class QMenu;

namespace bp {

// The agent's item in the desktop's system tray. Clicking it opens the menu; there is no
// other click behaviour.
class StatusItem {
public:
    virtual ~StatusItem() = default;
    // The menu stays the caller's. Without a tray host the item waits for one.
    virtual void install(const QIcon &icon, const QString &title, QMenu *menu) = 0;
    // Runs next once the installed item has learnt whether there is a tray to show it in (and
    // is shown if so), so start-up work that can wait does not hold the icon up. Calls run in
    // the order given; right away where there is nothing to wait for.
    virtual void whenSettled(std::function<void()> next) { next(); }
    // Whether a tray host shows the item now.
    virtual bool isShown() const { return true; }
    // Runs next once, when the item is first shown; right away if it already is.
    virtual void whenShown(std::function<void()> next) { next(); }
    // The text shown when the pointer rests on the item.
    virtual void setToolTip(const QString &text) { Q_UNUSED(text); }
};

} // namespace bp
