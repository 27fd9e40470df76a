#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>

class QLabel;
class QPainter;
class QRectF;
class QWidget;

namespace bp {

// The five colours every window is drawn with; other shades are these at an opacity.
inline const QColor bpBlue = QColor::fromRgbF(0.302f, 0.62f, 0.922f);
inline const QColor bpDark = QColor::fromRgbF(0.051f, 0.051f, 0.051f);
inline const QColor bpCard = QColor::fromRgbF(0.102f, 0.102f, 0.102f);
inline const QColor bpBorder = QColor::fromRgbF(0.173f, 0.173f, 0.173f);
inline const QColor bpText = QColor::fromRgbF(0.973f, 0.969f, 0.957f);
// The standard red of a dark desktop, for failures.
inline const QColor bpRed = QColor(255, 69, 58);

namespace Style {

QColor withAlpha(const QColor &color, qreal opacity);
// "#AARRGGBB", the form style sheets accept for colours with alpha.
QString css(const QColor &color);
QString css(const QColor &color, qreal opacity);

// The system font at a size given in points of the layout (pixels at 1x).
QFont uiFont(qreal size, QFont::Weight weight = QFont::Normal);
QFont monoFont(qreal size);

// A label in our font and colour; the text stays readable by assistive technology.
QLabel *label(const QString &text, qreal size, QFont::Weight weight, const QColor &color,
              qreal opacity = 1.0, QWidget *parent = nullptr);
void setLabelColor(QLabel *label, const QColor &color, qreal opacity = 1.0);

// A caption in upper case, 9.5 semibold, tracked 1.2, blue at 65 %.
QLabel *sectionLabel(const QString &title, QWidget *parent = nullptr);

// A 1-high rule in bpBorder across the full width.
QWidget *rule(QWidget *parent = nullptr);

// The ring that shows keyboard focus on our own painted controls.
void paintFocusRing(QPainter &painter, const QRectF &rect, qreal radius);
// A rounded shape filled with `fill` and a 1-wide `border` drawn inside its edge.
void paintFramedShape(QPainter &painter, const QRectF &rect, qreal radius, const QColor &fill,
                      const QColor &border);

// A frameless text button in one colour; focus shows as a thin blue outline.
QString plainButtonSheet(const QColor &color, qreal opacity = 1.0);
// Our look for one-line and multi-line text fields.
QString fieldSheet(const QString &type, int radius, int padV, int padH);

// A fixed-size top-level window: title and close button, nothing to minimise or maximise.
inline constexpr Qt::WindowFlags fixedWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// What every top-level window of ours sets up alike: its title and fixed size, the role that
// lets screen readers name it by that title when it becomes active (when it has no parent),
// and the dark palette with windowStyleSheet().
void setUpWindow(QWidget *window, const QString &title, QSize size);

// Dark colours for every role, so the desktop theme never shows through.
void applyDarkPalette(QWidget *widget);
// Scroll bars, menus, text fields and the split handle in our colours.
QString windowStyleSheet();

} // namespace Style
} // namespace bp
