#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>

#include <functional>

class QPainter;
class QPaintDevice;

namespace bp {

// The symbols the windows name ("folder.fill", "chevron.down", ...), drawn by us in one
// colour so they look the same on every desktop and can be tinted freely.
class SymbolIcons final {
public:
    SymbolIcons() = delete;

    // Whether the name has a drawing of its own; unknown names draw as "folder.fill".
    static bool has(const QString &name);
    // Draws the symbol centred in rect, in a square as large as the smaller side.
    static void paint(QPainter &painter, const QRectF &rect, const QString &name,
                      const QColor &color);
    static QPixmap pixmap(const QString &name, const QColor &color, int size,
                          qreal devicePixelRatio = 1.0);
    // 1x and 2x pixmaps, so the icon stays sharp on scaled screens.
    static QIcon icon(const QString &name, const QColor &color, int size);

    // Test seam: sees each symbol as it is painted, with the device and the place in its
    // coordinates.
    using PaintObserver =
        std::function<void(const QPaintDevice *device, const QString &name, const QRectF &rect)>;
    static void setPaintObserver(PaintObserver observer);
};

} // namespace bp
