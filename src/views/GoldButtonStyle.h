#pragma once

#include <QProxyStyle>

class QPushButton;

namespace bp {

// Primary button: 13 semibold label on a blue rounded fill, 75 % while pressed.
// Set on the button itself; neither hover nor the enabled state changes the drawing.
class GoldButtonStyle final : public QProxyStyle {
    Q_OBJECT
public:
    GoldButtonStyle();

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
