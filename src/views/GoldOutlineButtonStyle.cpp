#include "views/GoldOutlineButtonStyle.h"

#include "views/Style.h"

#include <QPainter>

namespace bp {

void GoldOutlineButtonStyle::paintButton(QPainter *painter, const QRectF &rect, bool pressed,
                                         bool focused, const QString &text, const QFont &font) const
{
    painter->setOpacity(pressed ? 0.7 : 1.0);
    // A 1-wide line inside the shape's edge: inset by half the pen width.
    const QRectF shape = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter->setPen(QPen(Style::withAlpha(bpBlue, 0.5), 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(shape, 6.5, 6.5);
    if (focused) {
        painter->setPen(QPen(Style::withAlpha(bpBlue, 0.9), 1.5));
        painter->drawRoundedRect(shape.adjusted(2, 2, -2, -2), 5, 5);
    }
    painter->setPen(bpBlue);
    painter->setFont(font);
    painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

} // namespace bp
