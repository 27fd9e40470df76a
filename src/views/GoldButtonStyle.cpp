#include "views/GoldButtonStyle.h"

#include "views/Style.h"

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>

namespace bp {

GoldButtonStyle::GoldButtonStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void GoldButtonStyle::apply(QPushButton *button)
{
    auto *style = new GoldButtonStyle;
    style->setParent(button);
    button->setStyle(style);
    button->setFont(Style::uiFont(13, QFont::DemiBold));
    button->setAttribute(Qt::WA_TranslucentBackground);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void GoldButtonStyle::drawControl(ControlElement element, const QStyleOption *option,
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
    const QRectF shape = QRectF(option->rect);
    QPainterPath path;
    path.addRoundedRect(shape, 7, 7);
    painter->fillPath(path, Style::withAlpha(bpBlue, pressed ? 0.75 : 1.0));
    if (option->state & State_HasFocus) {
        // Keyboard focus must stay visible on the blue fill.
        painter->setPen(QPen(Style::withAlpha(bpText, 0.8), 1.5));
        painter->drawRoundedRect(shape.adjusted(2, 2, -2, -2), 5, 5);
    }
    painter->setPen(bpText);
    painter->setFont(widget ? widget->font() : Style::uiFont(13, QFont::DemiBold));
    painter->drawText(option->rect, Qt::AlignCenter | Qt::TextSingleLine, button->text);
    painter->restore();
}

QSize GoldButtonStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                        const QSize &size, const QWidget *widget) const
{
    const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
    if (type != CT_PushButton || !button)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const QFontMetrics metrics(widget ? widget->font() : Style::uiFont(13, QFont::DemiBold));
    return {metrics.horizontalAdvance(button->text) + 2 * 18, metrics.height() + 2 * 8};
}

int GoldButtonStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                                 const QWidget *widget) const
{
    if (metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

} // namespace bp
