#include "offload/CardLayout.h"

namespace bp::offload {

std::optional<CardInfo> recogniseCard(const QString &, const QString &)
{
    return std::nullopt;
}

QString defaultOffloadFolder(const QString &project, const CardInfo &card)
{
    return project + QLatin1Char('/') + card.label;
}

} // namespace bp::offload
