#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace bp {

// The soft coloured shadow some windows put under the logo. A widget cannot draw outside
// itself, so the widget behind the logo paints it, and the logo's place in the layout stays
// the logo's own size.
struct LogoShadow {
    QColor color;
    qreal blurRadius = 0;
    QPointF offset;

    // Paints the shadow of a logo drawn at logoRect (a square).
    void paint(QPainter &painter, const QRectF &logoRect) const;
    // Forgets the shadows drawn so far, for when no window shows one.
    static void clearCache();
};

} // namespace bp
