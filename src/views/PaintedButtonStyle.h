#pragma once

#include <QFont>
#include <QProxyStyle>

class QPushButton;

namespace bp {

// A push button drawn entirely by us: a label with 18 × 8 padding, no press shift. The
// subclasses paint the face; neither hover nor the enabled state changes the drawing.
class PaintedButtonStyle : public QProxyStyle {
    Q_OBJECT
public:
    explicit PaintedButtonStyle(QFont::Weight weight);

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

protected:
    // Gives the button this style (owned by the button) and its font.
    static void install(QPushButton *button, PaintedButtonStyle *style);
    QFont labelFont(const QWidget *widget) const;

    // The painter is saved, antialiased and restored around this call.
    virtual void paintButton(QPainter *painter, const QRectF &rect, bool pressed, bool focused,
                             const QString &text, const QFont &font) const = 0;

private:
    QFont::Weight m_weight;
};

} // namespace bp
