#include "views/SymbolIcons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <functional>

namespace bp {
namespace {

// Every drawing lives on a 24 x 24 grid; paint() scales it to the target.
using Drawing = std::function<void(QPainter &, const QColor &)>;

QPen strokePen(const QColor &color, qreal width = 1.8)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void stroke(QPainter &p, const QPainterPath &path, const QColor &color, qreal width = 1.8)
{
    p.strokePath(path, strokePen(color, width));
}

// Made once: the union is costly, and the tray icon alone asks for it at six sizes.
const QPainterPath &folderPath()
{
    static const QPainterPath folder = [] {
        QPainterPath path;
        path.setFillRule(Qt::WindingFill);
        path.addRoundedRect(QRectF(2, 7, 20, 13.5), 2.2, 2.2);
        QPainterPath tab;
        tab.moveTo(2, 8);
        tab.lineTo(2, 5.8);
        tab.quadTo(2, 4.2, 3.6, 4.2);
        tab.lineTo(8.6, 4.2);
        tab.lineTo(10.6, 7.2);
        tab.lineTo(2, 7.2);
        tab.closeSubpath();
        return path.united(tab);
    }();
    return folder;
}

QPainterPath polyline(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF &point : points) {
        if (first)
            path.moveTo(point);
        else
            path.lineTo(point);
        first = false;
    }
    return path;
}

QPainterPath outlineOf(const QPainterPath &path, qreal width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

QPainterPath checkPath()
{
    return polyline({{6.5, 12.5}, {10.5, 16.5}, {17.5, 7.5}});
}

QPainterPath cameraBody(const QRectF &box)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addRoundedRect(box, box.height() * 0.2, box.height() * 0.2);
    const qreal bumpWidth = box.width() * 0.38;
    path.addRoundedRect(QRectF(box.center().x() - bumpWidth / 2, box.top() - box.height() * 0.22,
                               bumpWidth, box.height() * 0.35),
                        1.2, 1.2);
    return path.simplified();
}

// A gear of `teeth` teeth between the radii, as one closed outline.
QPainterPath gearPath(const QPointF &centre, qreal outer, qreal inner, int teeth)
{
    QPolygonF points;
    const qreal step = 360.0 / teeth;
    const auto at = [&](qreal radius, qreal degrees) {
        const qreal radians = degrees * M_PI / 180.0;
        return centre + QPointF(radius * std::cos(radians), radius * std::sin(radians));
    };
    for (int i = 0; i < teeth; ++i) {
        const qreal angle = i * step;
        points << at(inner, angle - step * 0.32) << at(outer, angle - step * 0.17)
               << at(outer, angle + step * 0.17) << at(inner, angle + step * 0.32);
    }
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    return path;
}

void arrowArc(QPainter &p, const QColor &color, qreal startAngle)
{
    const QRectF circle(4.5, 4.5, 15, 15);
    QPainterPath arc;
    arc.arcMoveTo(circle, startAngle);
    arc.arcTo(circle, startAngle, 130);
    stroke(p, arc, color, 1.9);
    // Arrowhead at the end of the arc, pointing along it.
    const QPointF end = arc.currentPosition();
    const qreal angle = arc.angleAtPercent(1.0);
    QTransform t;
    t.translate(end.x(), end.y());
    t.rotate(-angle);
    QPolygonF head{QPointF(2.8, 0), QPointF(-2.2, -3.2), QPointF(-2.2, 3.2)};
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(t.map(head));
}

const QHash<QString, Drawing> &drawings()
{
    static const QHash<QString, Drawing> table = [] {
        QHash<QString, Drawing> d;
        d.insert("folder.fill", [](QPainter &p, const QColor &c) { p.fillPath(folderPath(), c); });
        d.insert("folder", [](QPainter &p, const QColor &c) { stroke(p, folderPath(), c, 1.7); });
        d.insert("folder.badge.plus", [](QPainter &p, const QColor &c) {
            stroke(p, folderPath(), c, 1.7);
            stroke(p, polyline({{12, 10.5}, {12, 17.5}}), c, 1.8);
            stroke(p, polyline({{8.5, 14}, {15.5, 14}}), c, 1.8);
        });
        d.insert("folder.badge.questionmark", [](QPainter &p, const QColor &c) {
            stroke(p, folderPath(), c, 1.7);
            QPainterPath q;
            q.moveTo(9.8, 11.6);
            q.cubicTo(9.8, 9.4, 14.2, 9.4, 14.2, 11.6);
            q.cubicTo(14.2, 13.2, 12, 13.2, 12, 15);
            stroke(p, q, c, 1.7);
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawEllipse(QPointF(12, 17.6), 1.05, 1.05);
        });
        // A sheet with a folded corner: a template's file beside its folders.
        d.insert("doc", [](QPainter &p, const QColor &c) {
            stroke(p,
                   polyline({{14, 2.5},
                             {6, 2.5},
                             {4.5, 4},
                             {4.5, 20},
                             {6, 21.5},
                             {18, 21.5},
                             {19.5, 20},
                             {19.5, 8},
                             {14, 2.5}}),
                   c, 1.7);
            stroke(p, polyline({{14, 2.5}, {14, 8}, {19.5, 8}}), c, 1.5);
            stroke(p, polyline({{8, 13}, {16, 13}}), c, 1.4);
            stroke(p, polyline({{8, 16.8}, {14, 16.8}}), c, 1.4);
        });
        d.insert("chevron.down", [](QPainter &p, const QColor &c) {
            stroke(p, polyline({{5.5, 8.5}, {12, 15}, {18.5, 8.5}}), c, 2.8);
        });
        d.insert("chevron.right", [](QPainter &p, const QColor &c) {
            stroke(p, polyline({{8.5, 5.5}, {15, 12}, {8.5, 18.5}}), c, 2.8);
        });
        d.insert("checkmark", [](QPainter &p, const QColor &c) { stroke(p, checkPath(), c, 2.8); });
        d.insert("checkmark.circle.fill", [](QPainter &p, const QColor &c) {
            QPainterPath circle;
            circle.addEllipse(QPointF(12, 12), 10.5, 10.5);
            p.fillPath(circle.subtracted(outlineOf(checkPath(), 2.4)), c);
        });
        d.insert("trash", [](QPainter &p, const QColor &c) {
            stroke(p, polyline({{3.5, 6}, {20.5, 6}}), c, 1.8);
            stroke(p, polyline({{9, 6}, {9, 3.5}, {15, 3.5}, {15, 6}}), c, 1.6);
            stroke(p, polyline({{5.8, 6}, {6.8, 20.5}, {17.2, 20.5}, {18.2, 6}}), c, 1.8);
            stroke(p, polyline({{10, 9.5}, {10.3, 17}}), c, 1.4);
            stroke(p, polyline({{14, 9.5}, {13.7, 17}}), c, 1.4);
        });
        d.insert("clock", [](QPainter &p, const QColor &c) {
            QPainterPath circle;
            circle.addEllipse(QPointF(12, 12), 9, 9);
            stroke(p, circle, c, 1.8);
            stroke(p, polyline({{12, 6.8}, {12, 12}, {15.6, 14.2}}), c, 1.8);
        });
        d.insert("exclamationmark.triangle.fill", [](QPainter &p, const QColor &c) {
            QPainterPath triangle;
            triangle.moveTo(12, 2.5);
            triangle.lineTo(22.5, 20.5);
            triangle.lineTo(1.5, 20.5);
            triangle.closeSubpath();
            triangle = outlineOf(triangle, 2.2).united(triangle);
            QPainterPath mark;
            mark.addRoundedRect(QRectF(10.9, 8, 2.2, 7.2), 1.1, 1.1);
            mark.addEllipse(QPointF(12, 17.6), 1.3, 1.3);
            p.fillPath(triangle.subtracted(mark), c);
        });
        d.insert("arrow.triangle.2.circlepath", [](QPainter &p, const QColor &c) {
            arrowArc(p, c, 20);
            arrowArc(p, c, 200);
        });
        d.insert("star.fill", [](QPainter &p, const QColor &c) {
            QPolygonF star;
            for (int i = 0; i < 10; ++i) {
                const qreal radius = (i % 2 == 0) ? 10.5 : 4.6;
                const qreal angle = -M_PI / 2 + i * M_PI / 5;
                star << QPointF(12 + radius * std::cos(angle), 12.8 + radius * std::sin(angle));
            }
            QPainterPath path;
            path.addPolygon(star);
            path.closeSubpath();
            p.fillPath(outlineOf(path, 1.2).united(path), c);
        });
        d.insert("iphone", [](QPainter &p, const QColor &c) {
            QPainterPath body;
            body.addRoundedRect(QRectF(6.5, 2, 11, 20), 2.6, 2.6);
            stroke(p, body, c, 1.7);
            stroke(p, polyline({{10.5, 4.6}, {13.5, 4.6}}), c, 1.6);
        });
        d.insert("play.rectangle", [](QPainter &p, const QColor &c) {
            QPainterPath frame;
            frame.addRoundedRect(QRectF(2, 4.5, 20, 15), 3.2, 3.2);
            stroke(p, frame, c, 1.7);
            QPainterPath play;
            play.addPolygon(QPolygonF{QPointF(10, 8.6), QPointF(15.6, 12), QPointF(10, 15.4)});
            play.closeSubpath();
            p.fillPath(outlineOf(play, 1.0).united(play), c);
        });
        d.insert("camera", [](QPainter &p, const QColor &c) {
            stroke(p, cameraBody(QRectF(2, 7.5, 20, 13)), c, 1.7);
            QPainterPath lens;
            lens.addEllipse(QPointF(12, 14), 3.8, 3.8);
            stroke(p, lens, c, 1.7);
        });
        d.insert("camera.on.rectangle", [](QPainter &p, const QColor &c) {
            QPainterPath frame;
            frame.addRoundedRect(QRectF(1.5, 3, 21, 18), 3, 3);
            stroke(p, frame, c, 1.6);
            QPainterPath body = cameraBody(QRectF(6.5, 9.5, 11, 7.5));
            QPainterPath lens;
            lens.addEllipse(QPointF(12, 13.3), 2.1, 2.1);
            p.fillPath(body.subtracted(lens), c);
        });
        d.insert("heart", [](QPainter &p, const QColor &c) {
            QPainterPath heart;
            heart.moveTo(12, 20.5);
            heart.cubicTo(3, 14.5, 2, 10.5, 2.5, 8);
            heart.cubicTo(3.3, 4, 9.5, 2.8, 12, 7.2);
            heart.cubicTo(14.5, 2.8, 20.7, 4, 21.5, 8);
            heart.cubicTo(22, 10.5, 21, 14.5, 12, 20.5);
            heart.closeSubpath();
            stroke(p, heart, c, 1.7);
        });
        d.insert("briefcase", [](QPainter &p, const QColor &c) {
            QPainterPath body;
            body.addRoundedRect(QRectF(2, 7, 20, 13.5), 2.6, 2.6);
            stroke(p, body, c, 1.7);
            stroke(p, polyline({{8.5, 7}, {8.5, 4.2}, {15.5, 4.2}, {15.5, 7}}), c, 1.7);
            stroke(p, polyline({{2, 12.5}, {22, 12.5}}), c, 1.5);
        });
        d.insert("square.and.arrow.down", [](QPainter &p, const QColor &c) {
            stroke(p, polyline({{8, 9}, {4.5, 9}, {4.5, 21}, {19.5, 21}, {19.5, 9}, {16, 9}}), c,
                   1.8);
            stroke(p, polyline({{12, 2.5}, {12, 15.5}}), c, 1.8);
            stroke(p, polyline({{8.2, 11.8}, {12, 15.6}, {15.8, 11.8}}), c, 1.8);
        });
        d.insert("square.on.square", [](QPainter &p, const QColor &c) {
            QPainterPath back;
            back.addRoundedRect(QRectF(7.5, 2.5, 14, 14), 2.6, 2.6);
            QPainterPath front;
            front.addRoundedRect(QRectF(2.5, 7.5, 14, 14), 2.6, 2.6);
            stroke(p, back.subtracted(front), c, 1.6);
            stroke(p, front, c, 1.6);
        });
        d.insert("gearshape", [](QPainter &p, const QColor &c) {
            stroke(p, gearPath(QPointF(12, 12), 10, 7.4, 8), c, 1.7);
            QPainterPath hole;
            hole.addEllipse(QPointF(12, 12), 3.2, 3.2);
            stroke(p, hole, c, 1.7);
        });
        d.insert("folder.badge.gearshape", [](QPainter &p, const QColor &c) {
            const QPointF centre(17.2, 16.6);
            QPainterPath clearing;
            clearing.addEllipse(centre, 6.6, 6.6);
            p.fillPath(outlineOf(folderPath(), 1.7).subtracted(clearing), c);
            QPainterPath hole;
            hole.addEllipse(centre, 1.7, 1.7);
            p.fillPath(gearPath(centre, 5.4, 3.9, 8).subtracted(hole), c);
        });
        d.insert("info.circle", [](QPainter &p, const QColor &c) {
            QPainterPath circle;
            circle.addEllipse(QPointF(12, 12), 9.5, 9.5);
            stroke(p, circle, c, 1.7);
            stroke(p, polyline({{12, 10.8}, {12, 16.8}}), c, 2.0);
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawEllipse(QPointF(12, 7.4), 1.3, 1.3);
        });
        d.insert("cursorarrow.click.2", [](QPainter &p, const QColor &c) {
            QPainterPath arrow;
            arrow.addPolygon(QPolygonF{QPointF(10, 9.5), QPointF(10, 21.5), QPointF(12.9, 18.7),
                                       QPointF(15, 23), QPointF(17, 22.1), QPointF(14.9, 17.8),
                                       QPointF(18.9, 17.6)});
            arrow.closeSubpath();
            stroke(p, arrow, c, 1.5);
            // The clicks: short rays around the arrow's tip.
            stroke(p, polyline({{10, 6.5}, {10, 3}}), c, 1.6);
            stroke(p, polyline({{7.6, 7.4}, {5, 4.8}}), c, 1.6);
            stroke(p, polyline({{7, 9.5}, {3.5, 9.5}}), c, 1.6);
            stroke(p, polyline({{12.4, 7.4}, {15, 4.8}}), c, 1.6);
        });
        d.insert("menubar.rectangle", [](QPainter &p, const QColor &c) {
            QPainterPath frame;
            frame.addRoundedRect(QRectF(2, 4, 20, 16), 3, 3);
            QPainterPath band;
            band.addRect(QRectF(2, 4, 20, 4.5));
            p.fillPath(frame.intersected(band), c);
            stroke(p, frame, c, 1.7);
        });
        return d;
    }();
    return table;
}

SymbolIcons::PaintObserver &paintObserver()
{
    static SymbolIcons::PaintObserver observer;
    return observer;
}

} // namespace

void SymbolIcons::setPaintObserver(PaintObserver observer)
{
    paintObserver() = std::move(observer);
}

bool SymbolIcons::has(const QString &name)
{
    return drawings().contains(name);
}

void SymbolIcons::paint(QPainter &painter, const QRectF &rect, const QString &name,
                        const QColor &color)
{
    const auto &table = drawings();
    auto it = table.constFind(name);
    if (it == table.constEnd())
        it = table.constFind(QStringLiteral("folder.fill"));
    const qreal side = std::min(rect.width(), rect.height());
    if (const PaintObserver &observer = paintObserver())
        observer(painter.device(), name, painter.transform().mapRect(rect));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center());
    painter.scale(side / 24.0, side / 24.0);
    painter.translate(-12, -12);
    (*it)(painter, color);
    painter.restore();
}

QPixmap SymbolIcons::pixmap(const QString &name, const QColor &color, int size,
                            qreal devicePixelRatio)
{
    QPixmap pm(QSize(size, size) * devicePixelRatio);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(p, QRectF(0, 0, size, size), name, color);
    return pm;
}

QIcon SymbolIcons::icon(const QString &name, const QColor &color, int size)
{
    QIcon result;
    result.addPixmap(pixmap(name, color, size, 1.0));
    result.addPixmap(pixmap(name, color, size, 2.0));
    return result;
}

} // namespace bp
