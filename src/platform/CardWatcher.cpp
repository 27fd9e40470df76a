#include "platform/CardWatcher.h"

#include "MountInfoCardWatcher.h"
#include "UDisks2CardWatcher.h"

#include <QDBusConnectionInterface>

namespace bp {

namespace {

bool udisks2Available()
{
    QDBusConnectionInterface *bus = QDBusConnection::systemBus().interface();
    if (!bus)
        return false;
    return bus->isServiceRegistered(UDisks2CardWatcher::service).value() ||
           bus->activatableServiceNames().value().contains(UDisks2CardWatcher::service);
}

} // namespace

std::unique_ptr<CardWatcher> makeCardWatcher(QObject *parent)
{
    if (udisks2Available())
        return std::make_unique<UDisks2CardWatcher>(QDBusConnection::systemBus(), parent);
    auto table = std::make_unique<MountInfoCardWatcher>(parent);
    if (!table->isWatching())
        return nullptr;
    return table;
}

} // namespace bp
