#include "views/PaintedButtonStyle.h"

#include "views/Style.h"

#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>

namespace bp {

PaintedButtonStyle::PaintedButtonStyle(QFont::Weight weight)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), m_weight(weight)
{}

void PaintedButtonStyle::install(QPushButton *button, PaintedButtonStyle *style)
{
    style->setParent(button);
    button->setStyle(style);
    button->setFont(Style::uiFont(13, style->m_weight));
    button->setAttribute(Qt::WA_TranslucentBackground);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QFont PaintedButtonStyle::labelFont(const QWidget *widget) const
{
    return widget ? widget->font() : Style::uiFont(13, m_weight);
}

void PaintedButtonStyle::drawControl(ControlElement element, const QStyleOption *option,
                                     QPainter *painter, const QWidget *widget) const
{
    const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
    if (element != CE_PushButton || !button) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    paintButton(painter, QRectF(option->rect), option->state & (State_Sunken | State_On),
                option->state & State_HasFocus, button->text, labelFont(widget));
    painter->restore();
}

QSize PaintedButtonStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                           const QSize &size, const QWidget *widget) const
{
    const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
    if (type != CT_PushButton || !button)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const QFontMetrics metrics(labelFont(widget));
    return {metrics.horizontalAdvance(button->text) + 2 * 18, metrics.height() + 2 * 8};
}

int PaintedButtonStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                                    const QWidget *widget) const
{
    if (metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

} // namespace bp
