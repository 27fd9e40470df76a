#pragma once

#include "views/PaintedButtonStyle.h"

namespace bp {

// Secondary button: 13 medium blue label in a half-opaque blue outline, all at 70 % while
// pressed.
class GoldOutlineButtonStyle final : public PaintedButtonStyle {
    Q_OBJECT
public:
    GoldOutlineButtonStyle() : PaintedButtonStyle(QFont::Medium) {}

    static void apply(QPushButton *button) { install(button, new GoldOutlineButtonStyle); }

protected:
    void paintButton(QPainter *painter, const QRectF &rect, bool pressed, bool focused,
                     const QString &text, const QFont &font) const override;
};

} // namespace bp
