#include "views/HeaderBand.h"

#include "views/BPLogoView.h"
#include "views/Style.h"

#include <QHBoxLayout>
#include <QLabel>

namespace bp {

HeaderBand::HeaderBand(const Metrics &metrics, QWidget *trailing, QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("header"));
    setStyleSheet(QStringLiteral("QFrame#header { background: %1; }").arg(Style::css(bpCard)));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(metrics.margins);
    row->setSpacing(metrics.spacing);
    row->addWidget(new BPLogoView(metrics.logoSize), 0, Qt::AlignVCenter);
    row->addWidget(
        Style::label(QStringLiteral("Brindlepath"), metrics.titleSize, QFont::DemiBold, bpText), 0,
        Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(trailing, 0, Qt::AlignVCenter);
}

} // namespace bp
