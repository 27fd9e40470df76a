#include "views/ToggleSwitch.h"

#include "views/Style.h"

#include <QPainter>

namespace bp {
namespace {
constexpr int textGap = 12;
constexpr int knobInset = 2;
} // namespace

ToggleSwitch::ToggleSwitch(const QString &text, QWidget *parent) : QAbstractButton(parent)
{
    setText(text);
    setCheckable(true);
    setFont(Style::uiFont(13));
    setAccessibleName(text);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QSize ToggleSwitch::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + textGap + trackWidth + 4,
            std::max(metrics.height(), trackHeight) + 4};
}

QRect ToggleSwitch::trackRect() const
{
    return {width() - trackWidth - 2, (height() - trackHeight) / 2, trackWidth, trackHeight};
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect track = trackRect();
    p.setFont(font());
    p.setPen(bpText);
    p.drawText(QRect(0, 0, track.left() - textGap, height()), Qt::AlignLeft | Qt::AlignVCenter,
               text());

    const bool on = isChecked();
    const qreal radius = trackHeight / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(on ? bpBlue : bpBorder);
    p.drawRoundedRect(QRectF(track), radius, radius);
    const qreal knob = trackHeight - 2 * knobInset;
    const qreal knobX = on ? track.right() + 1 - knobInset - knob : track.left() + knobInset;
    p.setBrush(Style::withAlpha(bpText, isDown() ? 0.8 : 1.0));
    p.drawEllipse(QRectF(knobX, track.top() + knobInset, knob, knob));
    if (hasFocus())
        Style::paintFocusRing(p, QRectF(track).adjusted(-2, -2, 2, 2), radius + 2);
}

} // namespace bp
