#include "views/SuccessOverlay.h"

#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace bp {

SuccessOverlay::SuccessOverlay(QWidget *parent)
    : QWidget(parent), m_effect(new QGraphicsOpacityEffect(this)),
      m_fade(new QPropertyAnimation(m_effect, "opacity", this))
{
    setObjectName(QStringLiteral("successOverlay"));
    // While it shows it takes every click and key: the window closes by itself, and the
    // controls below must not start another run in the meantime.
    setFocusPolicy(Qt::StrongFocus);
    auto *column = new QVBoxLayout(this);
    column->setSpacing(12);
    column->addStretch(1);
    auto *icon = new QLabel;
    icon->setPixmap(SymbolIcons::pixmap(QStringLiteral("checkmark.circle.fill"), bpBlue, 52,
                                        devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    icon->setAccessibleName(QStringLiteral("Gelukt"));
    column->addWidget(icon);
    m_message = Style::label(QString(), 16, QFont::DemiBold, bpText);
    m_message->setObjectName(QStringLiteral("successMessage"));
    m_message->setAlignment(Qt::AlignCenter);
    column->addWidget(m_message);
    column->addStretch(1);

    m_effect->setOpacity(0.0);
    setGraphicsEffect(m_effect);
    m_fade->setDuration(200);
    m_fade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_fade, &QPropertyAnimation::finished, this, [this] {
        if (m_effect->opacity() <= 0.0)
            hide();
    });
    hide();
}

void SuccessOverlay::setMessage(const QString &message)
{
    m_message->setText(message);
    // Read out when the overlay takes the focus.
    setAccessibleName(message);
}

QString SuccessOverlay::message() const
{
    return m_message->text();
}

qreal SuccessOverlay::opacity() const
{
    return isVisible() ? m_effect->opacity() : 0.0;
}

void SuccessOverlay::setShown(bool shown)
{
    m_fade->stop();
    m_fade->setStartValue(m_effect->opacity());
    m_fade->setEndValue(shown ? 1.0 : 0.0);
    if (shown) {
        show();
        raise();
        setFocus(Qt::OtherFocusReason);
    }
    m_fade->start();
}

bool SuccessOverlay::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        // Claimed here, Tab included, so no shortcut fires and nothing reaches the window.
        event->accept();
        return true;
    default:
        return QWidget::event(event);
    }
}

void SuccessOverlay::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Style::withAlpha(bpDark, 0.92));
}

} // namespace bp
