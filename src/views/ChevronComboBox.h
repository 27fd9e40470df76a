#pragma once

#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QComboBox>
#include <QPainter>

namespace bp {

// A combo box that draws its own chevron, in our colours.
class ChevronComboBox final : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QComboBox::paintEvent(event);
        QPainter p(this);
        const QRectF chevron(width() - 20, (height() - 9) / 2.0, 9, 9);
        SymbolIcons::paint(p, chevron, QStringLiteral("chevron.down"),
                           Style::withAlpha(bpText, 0.6));
    }
};

} // namespace bp
