#pragma once

#include <QProxyStyle>

class QPushButton;

namespace bp {

// Secondary button: 13 medium blue label in a half-opaque blue outline, all at 70 % while pressed.
// Set on the button itself; neither hover nor the enabled state changes the drawing.
class GoldOutlineButtonStyle final : public QProxyStyle {
    Q_OBJECT
public:
    GoldOutlineButtonStyle();

    // Gives the button this style (owned by the button) and its font.
    static void apply(QPushButton *button);

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
};

} // namespace bp
