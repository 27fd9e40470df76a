#include "views/TemplateRow.h"

#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QPainter>

namespace bp {
namespace {
constexpr int padH = 10;
constexpr int padV = 7;
constexpr int iconFrame = 16;
constexpr int iconSide = 11;
constexpr int checkSide = 10;
constexpr int spacing = 8;
} // namespace

TemplateRow::TemplateRow(const QString &iconName, const QString &title, QWidget *parent)
    : QAbstractButton(parent), m_iconName(iconName)
{
    setText(title);
    setCheckable(true);
    setAccessibleName(title);
    // Reached by Tab; a mouse click does not leave a focus ring behind.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void TemplateRow::setTrailingWidget(QWidget *widget)
{
    m_trailing = widget;
    if (widget) {
        widget->setParent(this);
        widget->show();
    }
    placeTrailing();
    updateGeometry();
}

QSize TemplateRow::sizeHint() const
{
    const QFontMetrics metrics(Style::uiFont(12));
    int width =
        padH * 2 + iconFrame + spacing + metrics.horizontalAdvance(text()) + spacing + checkSide;
    int height = std::max(iconSide, metrics.height());
    if (m_trailing) {
        const QSize trailing = m_trailing->sizeHint();
        width += spacing + trailing.width();
        height = std::max(height, trailing.height());
    }
    return {width, padV * 2 + height};
}

void TemplateRow::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    placeTrailing();
}

void TemplateRow::placeTrailing()
{
    if (!m_trailing)
        return;
    const QSize size = m_trailing->sizeHint();
    m_trailing->setGeometry(width() - padH - size.width(), (height() - size.height()) / 2,
                            size.width(), size.height());
}

void TemplateRow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool selected = isChecked();
    const QRectF frame = QRectF(rect());
    if (selected) {
        p.setPen(Qt::NoPen);
        p.setBrush(Style::withAlpha(bpBlue, 0.1));
        p.drawRoundedRect(frame, 6, 6);
    }
    if (hasFocus())
        Style::paintFocusRing(p, frame, 6);

    const int midY = height() / 2;
    const QRectF iconBox(padH + (iconFrame - iconSide) / 2.0, midY - iconSide / 2.0, iconSide,
                         iconSide);
    SymbolIcons::paint(p, iconBox, m_iconName, selected ? bpBlue : Style::withAlpha(bpText, 0.35));

    int right = width() - padH;
    if (m_trailing)
        right = m_trailing->x() - spacing;
    if (selected) {
        const QRectF check(right - checkSide, midY - checkSide / 2.0, checkSide, checkSide);
        SymbolIcons::paint(p, check, QStringLiteral("checkmark"), bpBlue);
        right -= checkSide + spacing;
    }
    const QFont font = Style::uiFont(12);
    p.setFont(font);
    p.setPen(Style::withAlpha(bpText, selected ? 1.0 : 0.5));
    const int x = padH + iconFrame + spacing;
    p.drawText(QRect(x, 0, right - x, height()), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(font).elidedText(text(), Qt::ElideRight, right - x));
}

} // namespace bp
