#include "views/DropTargetFrame.h"

#include "views/Style.h"

#include <QPainter>

namespace bp {

DropTargetFrame::DropTargetFrame(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("dropTargetFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    hide();
}

void DropTargetFrame::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = 3;
    p.fillRect(QRect(0, 0, width(), w), bpBlue);
    p.fillRect(QRect(0, height() - w, width(), w), bpBlue);
    p.fillRect(QRect(0, w, w, height() - 2 * w), bpBlue);
    p.fillRect(QRect(width() - w, w, w, height() - 2 * w), bpBlue);
}

} // namespace bp
