#pragma once

#include <QCheckBox>

namespace bp {

// A settings row that is one switch: the label on the left, the switch on the right. It is a
// check box underneath, so Space flips it and assistive technology knows what it is.
class ToggleSwitch final : public QCheckBox {
    Q_OBJECT
public:
    static constexpr int trackWidth = 32;
    static constexpr int trackHeight = 18;

    explicit ToggleSwitch(const QString &text, QWidget *parent = nullptr);

    QRect trackRect() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

} // namespace bp
