#pragma once

#include <QIcon>
#include <QString>

class QMenu;

namespace bp {

// The agent's item in the desktop's system tray. Clicking it opens the menu; there is no
// other click behaviour.
class StatusItem {
public:
    virtual ~StatusItem() = default;
    // The menu stays the caller's. Without a tray host the item waits for one.
    virtual void install(const QIcon &icon, const QString &title, QMenu *menu) = 0;
};

} // namespace bp
