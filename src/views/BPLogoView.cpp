#include "views/BPLogoView.h"

#include "views/Style.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace bp {

BPLogoView::BPLogoView(qreal size, QWidget *parent) : QWidget(parent), m_size(size)
{
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_TranslucentBackground);
    // Assistive technology should announce the logo as a picture, not a blank pane.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory([](const QString &className,
                                       QObject *object) -> QAccessibleInterface * {
            if (className == QLatin1String("bp::BPLogoView") && object->isWidgetType())
                return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Graphic);
            return nullptr;
        });
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setAccessibleName(QStringLiteral("Brindlepath"));
}

QSize BPLogoView::sizeHint() const
{
    const int side = int(std::ceil(m_size));
    return {side, side};
}

void BPLogoView::paintLogo(QPainter &painter, const QPointF &origin, qreal size)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(origin);
    const qreal unit = size / 72.0;
    painter.scale(unit, unit);

    QPainterPath folder;
    folder.setFillRule(Qt::WindingFill);
    folder.moveTo(6, 20);
    folder.cubicTo(6, 17.8, 7.8, 16, 10, 16);
    folder.lineTo(26.5, 16);
    folder.lineTo(32.5, 23);
    folder.lineTo(62, 23);
    folder.cubicTo(64.2, 23, 66, 24.8, 66, 27);
    folder.lineTo(66, 60);
    folder.cubicTo(66, 62.2, 64.2, 64, 62, 64);
    folder.lineTo(10, 64);
    folder.cubicTo(7.8, 64, 6, 62.2, 6, 60);
    folder.lineTo(6, 20);
    folder.closeSubpath();
    painter.fillPath(folder, bpBlue);

    // Block letters in boxes 18 x 28 with their top at y = 28: stems and top bars 5 thick,
    // the middle bar 4 thick with its top at y = 41.
    const auto letter = [&painter](qreal x, bool withLowerBowl) {
        const QColor ink = bpDark;
        painter.fillRect(QRectF(x, 28, 5, 28), ink);                      // stem
        painter.fillRect(QRectF(x, 28, withLowerBowl ? 14 : 15, 5), ink); // top bar
        // The upper bowl is a little narrower, so the letter reads as B and not 8.
        painter.fillRect(QRectF(x + 12, 28, 5, 17), ink); // upper bowl side
        painter.fillRect(QRectF(x, 41, 15, 4), ink);      // middle bar
        if (withLowerBowl) {
            painter.fillRect(QRectF(x + 13, 41, 5, 15), ink); // lower bowl side
            painter.fillRect(QRectF(x, 51, 15, 5), ink);      // bottom bar
        }
    };
    letter(13, true);
    letter(38, false);
    // The P's bowl keeps the full box width.
    painter.fillRect(QRectF(38 + 13, 28, 5, 17), bpDark);
    painter.restore();
}

void BPLogoView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPointF origin((width() - m_size) / 2.0, (height() - m_size) / 2.0);
    paintLogo(painter, origin, m_size);
}

} // namespace bp
