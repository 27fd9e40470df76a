#include "views/GoldOutlineButtonStyle.h"

#include "views/Style.h"

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>

namespace bp {

GoldOutlineButtonStyle::GoldOutlineButtonStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{}

void GoldOutlineButtonStyle::apply(QPushButton *button)
{
    auto *style = new GoldOutlineButtonStyle;
    style->setParent(button);
    button->setStyle(style);
    button->setFont(Style::uiFont(13, QFont::Medium));
    button->setAttribute(Qt::WA_TranslucentBackground);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void GoldOutlineButtonStyle::drawControl(ControlElement element, const QStyleOption *option,
                                         QPainter *painter, const QWidget *widget) const
{
    const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
    if (element != CE_PushButton || !button) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const bool pressed = option->state & (State_Sunken | State_On);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setOpacity(pressed ? 0.7 : 1.0);
    // A 1-wide line inside the shape's edge: inset by half the pen width.
    const QRectF shape = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter->setPen(QPen(Style::withAlpha(bpBlue, 0.5), 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(shape, 6.5, 6.5);
    if (option->state & State_HasFocus) {
        painter->setPen(QPen(Style::withAlpha(bpBlue, 0.9), 1.5));
        painter->drawRoundedRect(shape.adjusted(2, 2, -2, -2), 5, 5);
    }
    painter->setPen(bpBlue);
    painter->setFont(widget ? widget->font() : Style::uiFont(13, QFont::Medium));
    painter->drawText(option->rect, Qt::AlignCenter | Qt::TextSingleLine, button->text);
    painter->restore();
}

QSize GoldOutlineButtonStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                               const QSize &size, const QWidget *widget) const
{
    const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
    if (type != CT_PushButton || !button)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const QFontMetrics metrics(widget ? widget->font() : Style::uiFont(13, QFont::Medium));
    return {metrics.horizontalAdvance(button->text) + 2 * 18, metrics.height() + 2 * 8};
}

int GoldOutlineButtonStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                                        const QWidget *widget) const
{
    if (metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

} // namespace bp
