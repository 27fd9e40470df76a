#include "views/Style.h"

#include "views/AccessibleRole.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace bp::Style {

QColor withAlpha(const QColor &color, qreal opacity)
{
    QColor c = color;
    c.setAlphaF(float(color.alphaF() * opacity));
    return c;
}

QString css(const QColor &color)
{
    return color.name(QColor::HexArgb);
}

QString css(const QColor &color, qreal opacity)
{
    return css(withAlpha(color, opacity));
}

namespace {
// Sizes are layout points, drawn as pixels at 1x on a 96-dpi logical screen.
constexpr qreal pointsPerPixel = 72.0 / 96.0;
} // namespace

QFont uiFont(qreal size, QFont::Weight weight)
{
    QFont font = QApplication::font();
    font.setPointSizeF(size * pointsPerPixel);
    font.setWeight(weight);
    return font;
}

QFont monoFont(qreal size)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(size * pointsPerPixel);
    font.setWeight(QFont::Normal);
    return font;
}

void setLabelColor(QLabel *label, const QColor &color, qreal opacity)
{
    label->setStyleSheet(
        QStringLiteral("color: %1; background: transparent;").arg(css(color, opacity)));
}

QLabel *label(const QString &text, qreal size, QFont::Weight weight, const QColor &color,
              qreal opacity, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setFont(uiFont(size, weight));
    setLabelColor(l, color, opacity);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    return l;
}

QLabel *sectionLabel(const QString &title, QWidget *parent)
{
    QLabel *l = label(title.toUpper(), 9.5, QFont::DemiBold, bpBlue, 0.65, parent);
    QFont font = l->font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    l->setFont(font);
    return l;
}

QWidget *rule(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setFrameShape(QFrame::NoFrame);
    line->setStyleSheet(QStringLiteral("background: %1;").arg(css(bpBorder)));
    line->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return line;
}

void paintFocusRing(QPainter &painter, const QRectF &rect, qreal radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(withAlpha(bpBlue, 0.85), 1.5));
    painter.drawRoundedRect(rect.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    painter.restore();
}

void paintFramedShape(QPainter &painter, const QRectF &rect, qreal radius, const QColor &fill,
                      const QColor &border)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(border, 1.0));
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    painter.restore();
}

QString plainButtonSheet(const QColor &color, qreal opacity)
{
    return QStringLiteral("QPushButton, QToolButton { border: 1px solid transparent;"
                          " border-radius: 4px; background: transparent; color: %1;"
                          " padding: 1px 2px; text-align: left; }"
                          "QPushButton:focus, QToolButton:focus { border-color: %2; }"
                          "QPushButton:pressed, QToolButton:pressed { color: %3; }")
        .arg(css(color, opacity), css(bpBlue, 0.85), css(color, opacity * 0.6));
}

QString fieldSheet(const QString &type, int radius, int padV, int padH)
{
    return QStringLiteral("%1 { background: %2; color: %3; border: 1px solid %4;"
                          " border-radius: %5px; padding: %6px %7px;"
                          " selection-background-color: %8; }"
                          "%1:focus { border-color: %9; }")
        .arg(type, css(bpCard), css(bpText), css(bpBorder), QString::number(radius),
             QString::number(padV), QString::number(padH), css(bpBlue, 0.45), css(bpBlue, 0.7));
}

void setUpWindow(QWidget *window, const QString &title, QSize size)
{
    if (!window->parentWidget()) {
        setAccessibleRole(window, QAccessible::Window);
        window->setWindowFlags(fixedWindowFlags);
    }
    window->setWindowTitle(title);
    window->setFixedSize(size);
    // Dark whatever the desktop theme says.
    applyDarkPalette(window);
    window->setStyleSheet(windowStyleSheet());
}

void applyDarkPalette(QWidget *widget)
{
    QPalette p;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Window, bpDark);
        p.setColor(group, QPalette::Base, bpCard);
        p.setColor(group, QPalette::AlternateBase, bpCard);
        p.setColor(group, QPalette::Button, bpCard);
        p.setColor(group, QPalette::WindowText, bpText);
        p.setColor(group, QPalette::Text, bpText);
        p.setColor(group, QPalette::ButtonText, bpText);
        p.setColor(group, QPalette::BrightText, bpText);
        p.setColor(group, QPalette::ToolTipBase, bpCard);
        p.setColor(group, QPalette::ToolTipText, bpText);
        p.setColor(group, QPalette::Highlight, withAlpha(bpBlue, 0.35));
        p.setColor(group, QPalette::HighlightedText, bpText);
        p.setColor(group, QPalette::Link, bpBlue);
        p.setColor(group, QPalette::PlaceholderText, withAlpha(bpText, 0.2));
        p.setColor(group, QPalette::Light, bpBorder);
        p.setColor(group, QPalette::Midlight, bpBorder);
        p.setColor(group, QPalette::Mid, bpBorder);
        p.setColor(group, QPalette::Dark, bpDark);
        p.setColor(group, QPalette::Shadow, Qt::black);
    }
    p.setColor(QPalette::Disabled, QPalette::Text, withAlpha(bpText, 0.35));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, withAlpha(bpText, 0.35));
    p.setColor(QPalette::Disabled, QPalette::WindowText, withAlpha(bpText, 0.35));
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

QString windowStyleSheet()
{
    const QString card = css(bpCard);
    const QString border = css(bpBorder);
    const QString text = css(bpText);
    return QStringLiteral(
               "QScrollBar:vertical { background: transparent; width: 10px; margin: 0; }"
               "QScrollBar::handle:vertical { background: %4; border-radius: 3px;"
               " min-height: 24px; margin: 2px; }"
               "QScrollBar::add-line, QScrollBar::sub-line { height: 0; width: 0; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }"
               "QScrollBar:horizontal { background: transparent; height: 10px; margin: 0; }"
               "QScrollBar::handle:horizontal { background: %4; border-radius: 3px;"
               " min-width: 24px; margin: 2px; }"
               "QSplitter::handle { background: %2; }"
               "QMenu { background: %1; color: %3; border: 1px solid %2; padding: 4px; }"
               "QMenu::item { padding: 4px 14px 4px 8px; border-radius: 4px; }"
               "QMenu::item:selected { background: %5; color: %3; }"
               "QMenu::item:disabled { color: %6; }"
               "QMenu::separator { height: 1px; background: %2; margin: 4px 2px; }"
               "QMenu::icon { padding-left: 6px; }"
               "QToolTip { background: %1; color: %3; border: 1px solid %2; }")
        .arg(card, border, text, css(bpText, 0.25), css(bpBlue, 0.35), css(bpText, 0.45));
}

} // namespace bp::Style
