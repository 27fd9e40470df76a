#include "CardNotifications.h"

#include "platform/CardWatcher.h"
#include "platform/Notifier.h"

namespace bp {

CardNotifications::CardNotifications(CardWatcher &watcher, Notifier &notifier,
                                     std::function<void(const QString &cardRoot)> open,
                                     QObject *parent)
    : QObject(parent)
{
    connect(&watcher, &CardWatcher::cardAdded, this,
            [&notifier, open = std::move(open)](const offload::CardInfo &card) {
                notifier.notifyWithAction(QStringLiteral("Kaart gevonden: %1").arg(card.label),
                                          QStringLiteral("%1 in %2").arg(card.layout, card.root),
                                          QStringLiteral("Importeer in project"),
                                          [open, root = card.root] { open(root); });
            });
}

} // namespace bp
