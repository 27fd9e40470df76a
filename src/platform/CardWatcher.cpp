#include "platform/CardWatcher.h"

namespace bp {

std::unique_ptr<CardWatcher> makeCardWatcher(QObject *)
{
    return nullptr;
}

} // namespace bp
