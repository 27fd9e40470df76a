#pragma once

#include <QAbstractButton>

namespace bp {

// A settings row that is one switch: the label on the left, the switch on the right. It is a
// checkable button, so Space flips it and assistive technology knows it as a check box whose
// place is the whole row (a real check box would report only its own indicator's place).
class ToggleSwitch final : public QAbstractButton {
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
