#include "views/WrappingLabel.h"

#include <QPainter>
#include <QTextLayout>

namespace bp {
namespace {
int wrappedHeight(const QFont &font, const QString &text, int width)
{
    if (text.isEmpty())
        return 0;
    const QFontMetrics metrics(font);
    // Word boundaries first; TextWrapAnywhere alone would split every word at the edge.
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(std::max(1, width));
        ++lines;
    }
    layout.endLayout();
    return lines * metrics.lineSpacing();
}

} // namespace

WrappingLabel::WrappingLabel(const QColor &color, QWidget *parent) : QLabel(parent), m_color(color)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize WrappingLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()), text().isEmpty() ? 0 : metrics.lineSpacing()};
}

QSize WrappingLabel::minimumSizeHint() const
{
    // Narrow enough to give way to the buttons beside it.
    const QFontMetrics metrics(font());
    return {std::min(metrics.horizontalAdvance(text()), metrics.averageCharWidth() * 8),
            text().isEmpty() ? 0 : metrics.lineSpacing()};
}

int WrappingLabel::heightForWidth(int width) const
{
    return wrappedHeight(font(), text(), width);
}

QRect WrappingLabel::textRect(int width) const
{
    const int h = heightForWidth(width);
    return {0, (height() - h) / 2, width, h};
}

void WrappingLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(m_color);
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(alignment() & Qt::AlignHorizontal_Mask);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width());
        line.setPosition(QPointF(0, y));
        y += QFontMetrics(font()).lineSpacing();
    }
    layout.endLayout();
    layout.draw(&p, QPointF(0, textRect(width()).top()));
}

} // namespace bp
