#include "views/ExtraRow.h"

#include "views/Style.h"
#include "views/ToggleCard.h"

#include <QPainter>

namespace bp {
namespace {
constexpr int padH = 2;
constexpr int padV = 4;
constexpr int box = 16;
constexpr int spacing = 8;
} // namespace

ExtraRow::ExtraRow(ExtraFlag flag, QWidget *parent) : QAbstractButton(parent), m_flag(flag)
{
    setText(displayName(flag));
    setCheckable(true);
    setAccessibleName(text());
    // Reached by Tab; a mouse click does not leave a focus ring behind.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QSize ExtraRow::sizeHint() const
{
    const QFontMetrics metrics(Style::uiFont(12));
    return {padH * 2 + box + spacing + metrics.horizontalAdvance(text()),
            padV * 2 + std::max(box, metrics.height())};
}

void ExtraRow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (hasFocus())
        Style::paintFocusRing(p, QRectF(rect()), 5);
    const bool on = isChecked();
    const qreal top = (height() - box) / 2.0;
    ToggleCard::paintCheckbox(p, QRectF(padH, top, box, box), on);
    const QFont font = Style::uiFont(12);
    p.setFont(font);
    p.setPen(Style::withAlpha(bpText, on ? 1.0 : 0.45));
    const int x = padH + box + spacing;
    p.drawText(QRect(x, 0, width() - x - padH, height()), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(font).elidedText(text(), Qt::ElideRight, width() - x - padH));
}

} // namespace bp
