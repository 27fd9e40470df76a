#include "views/StepIndicator.h"

#include "views/AccessibleRole.h"
#include "views/EaseInOut.h"
#include "views/Style.h"

#include <QPainter>
#include <QVariantAnimation>

namespace bp {
namespace {

QColor mix(const QColor &from, const QColor &to, qreal t)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * t),
                            float(from.greenF() + (to.greenF() - from.greenF()) * t),
                            float(from.blueF() + (to.blueF() - from.blueF()) * t),
                            float(from.alphaF() + (to.alphaF() - from.alphaF()) * t));
}

QString stepName(int step)
{
    return QStringLiteral("Stap %1 van %2").arg(step + 1).arg(StepIndicator::count);
}

} // namespace

StepIndicator::StepIndicator(QWidget *parent)
    : QWidget(parent), m_animation(new QVariantAnimation(this))
{
    for (int i = 0; i < count; ++i)
        m_shown[size_t(i)] = target(i, m_step);
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleRole(this, QAccessible::StaticText);
    setAccessibleName(stepName(m_step));

    m_animation->setDuration(int(easeInOutDuration.count()));
    m_animation->setEasingCurve(easeInOut());
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        const qreal t = value.toReal();
        for (int i = 0; i < count; ++i) {
            const Capsule end = target(i, m_step);
            const Capsule &start = m_from[size_t(i)];
            m_shown[size_t(i)] = {start.width + (end.width - start.width) * t,
                                  mix(start.color, end.color, t)};
        }
        update();
    });
}

StepIndicator::Capsule StepIndicator::target(int index, int step)
{
    return {index == step ? currentWidth : otherWidth, index <= step ? bpBlue : bpBorder};
}

void StepIndicator::setStep(int step)
{
    if (step == m_step)
        return;
    // A change mid-animation starts from what is on screen, so nothing jumps.
    m_animation->stop();
    m_from = m_shown;
    m_step = step;
    setAccessibleName(stepName(step));
    m_animation->start();
}

bool StepIndicator::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

QSize StepIndicator::sizeHint() const
{
    // Room for the widest arrangement; the capsules sit centred in it.
    const qreal width = currentWidth + (count - 1) * (otherWidth + spacing);
    return {int(std::ceil(width)), int(height)};
}

QRectF StepIndicator::capsuleRect(int index) const
{
    qreal total = (count - 1) * spacing;
    for (const Capsule &capsule : m_shown)
        total += capsule.width;
    qreal x = (width() - total) / 2;
    for (int i = 0; i < index; ++i)
        x += m_shown[size_t(i)].width + spacing;
    return {x, (QWidget::height() - height) / 2, m_shown[size_t(index)].width, height};
}

void StepIndicator::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        p.setBrush(m_shown[size_t(i)].color);
        p.drawRoundedRect(capsuleRect(i), height / 2, height / 2);
    }
}

} // namespace bp
