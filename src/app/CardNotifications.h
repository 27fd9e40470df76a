#pragma once

#include <QObject>

#include <functional>

namespace bp {

class CardWatcher;
class Notifier;

// Tells the user about each camera card that is mounted, with a button that opens the
// import of that card.
class CardNotifications final : public QObject {
    Q_OBJECT
public:
    CardNotifications(CardWatcher &watcher, Notifier &notifier,
                      std::function<void(const QString &cardRoot)> open, QObject *parent = nullptr);
};

} // namespace bp
