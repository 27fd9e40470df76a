#pragma once

#include <QColor>
#include <QWidget>

#include <array>

class QVariantAnimation;

namespace bp {

// Three capsules for the onboarding steps: the current one long, the ones reached blue, the
// ones ahead grey. Width and colour glide to a new step.
class StepIndicator final : public QWidget {
    Q_OBJECT
public:
    static constexpr int count = 3;
    static constexpr qreal height = 5;
    static constexpr qreal currentWidth = 22;
    static constexpr qreal otherWidth = 8;
    static constexpr qreal spacing = 6;

    explicit StepIndicator(QWidget *parent = nullptr);

    int step() const { return m_step; }
    void setStep(int step);
    bool isAnimating() const;

    // As drawn now, mid-animation included.
    qreal capsuleWidth(int index) const { return m_shown[size_t(index)].width; }
    QColor capsuleColor(int index) const { return m_shown[size_t(index)].color; }
    QRectF capsuleRect(int index) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Capsule {
        qreal width;
        QColor color;
    };
    static Capsule target(int index, int step);

    int m_step = 0;
    std::array<Capsule, count> m_from{};
    std::array<Capsule, count> m_shown{};
    QVariantAnimation *m_animation;
};

} // namespace bp
