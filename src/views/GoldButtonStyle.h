#pragma once

#include "views/PaintedButtonStyle.h"

namespace bp {

// Primary button: 13 semibold label on a blue rounded fill, 75 % while pressed.
class GoldButtonStyle final : public PaintedButtonStyle {
    Q_OBJECT
public:
    GoldButtonStyle() : PaintedButtonStyle(QFont::DemiBold) {}

    static void apply(QPushButton *button) { install(button, new GoldButtonStyle); }

protected:
    void paintButton(QPainter *painter, const QRectF &rect, bool pressed, bool focused,
                     const QString &text, const QFont &font) const override;
};

} // namespace bp
