#include "views/ToggleCard.h"

#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QPainter>

namespace bp {
namespace {
constexpr int padH = 10;
constexpr int padV = 9;
constexpr int box = 16;
constexpr int spacing = 10;
} // namespace

ToggleCard::ToggleCard(const QString &title, const QString &subtitle, QWidget *parent)
    : QAbstractButton(parent), m_subtitle(subtitle)
{
    setText(title);
    setCheckable(true);
    setAccessibleName(title);
    setAccessibleDescription(subtitle);
    // Reached by Tab; a mouse click does not leave a focus ring behind.
    setFocusPolicy(Qt::TabFocus);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setCursor(Qt::PointingHandCursor);
}

QSize ToggleCard::sizeHint() const
{
    const QFontMetrics titleMetrics(Style::uiFont(12));
    const QFontMetrics subMetrics(Style::uiFont(10));
    const int textHeight = titleMetrics.height() + 2 + subMetrics.height();
    const int textWidth =
        std::max(titleMetrics.horizontalAdvance(text()), subMetrics.horizontalAdvance(m_subtitle));
    return {padH * 2 + box + spacing + textWidth, padV * 2 + std::max(box, textHeight)};
}

QSize ToggleCard::minimumSizeHint() const
{
    return {padH * 2 + box * 3, sizeHint().height()};
}

QPair<int, int> ToggleCard::textHeights(int textWidth) const
{
    const QRect area(0, 0, std::max(1, textWidth), 1000);
    const int title =
        QFontMetrics(Style::uiFont(12)).boundingRect(area, Qt::TextWordWrap, text()).height();
    const int subtitle =
        QFontMetrics(Style::uiFont(10)).boundingRect(area, Qt::TextWordWrap, m_subtitle).height();
    return {title, subtitle};
}

int ToggleCard::heightForWidth(int width) const
{
    const auto [title, subtitle] = textHeights(width - padH * 2 - box - spacing);
    return padV * 2 + std::max(box, title + 2 + subtitle);
}

void ToggleCard::paintCheckbox(QPainter &painter, const QRectF &rect, bool isOn)
{
    Style::paintFramedShape(painter, rect, 4, isOn ? bpBlue : QColor(Qt::transparent),
                            isOn ? bpBlue : bpBorder);
    if (isOn)
        SymbolIcons::paint(painter, rect.adjusted(3, 3, -3, -3), QStringLiteral("checkmark"),
                           bpDark);
}

void ToggleCard::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect());
    Style::paintFramedShape(p, frame, 8, bpCard, bpBorder);
    if (hasFocus())
        Style::paintFocusRing(p, frame, 8);

    const bool on = isChecked();
    const int contentHeight = height() - 2 * padV;
    paintCheckbox(p, QRectF(padH, padV + (contentHeight - box) / 2.0, box, box), on);

    const int x = padH + box + spacing;
    const int textWidth = width() - x - padH;
    const auto [titleHeight, subHeight] = textHeights(textWidth);
    int y = padV + (contentHeight - (titleHeight + 2 + subHeight)) / 2;
    p.setFont(Style::uiFont(12));
    p.setPen(Style::withAlpha(bpText, on ? 1.0 : 0.5));
    p.drawText(QRect(x, y, textWidth, titleHeight), Qt::AlignLeft | Qt::TextWordWrap, text());
    y += titleHeight + 2;
    p.setFont(Style::uiFont(10));
    p.setPen(Style::withAlpha(bpText, 0.3));
    p.drawText(QRect(x, y, textWidth, subHeight), Qt::AlignLeft | Qt::TextWordWrap, m_subtitle);
}

} // namespace bp
