#include "views/GoldButtonStyle.h"

#include "views/Style.h"

#include <QPainter>
#include <QPainterPath>

namespace bp {

void GoldButtonStyle::paintButton(QPainter *painter, const QRectF &rect, bool pressed, bool focused,
                                  const QString &text, const QFont &font) const
{
    QPainterPath path;
    path.addRoundedRect(rect, 7, 7);
    painter->fillPath(path, Style::withAlpha(bpBlue, pressed ? 0.75 : 1.0));
    if (focused) {
        // Keyboard focus must stay visible on the blue fill.
        painter->setPen(QPen(Style::withAlpha(bpText, 0.8), 1.5));
        painter->drawRoundedRect(rect.adjusted(2, 2, -2, -2), 5, 5);
    }
    painter->setPen(bpText);
    painter->setFont(font);
    painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

} // namespace bp
