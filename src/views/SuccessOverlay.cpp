#include "views/SuccessOverlay.h"

#include "views/GoldButtonStyle.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QVBoxLayout>

namespace bp {

SuccessOverlay::SuccessOverlay(QWidget *parent)
    : QWidget(parent), m_effect(new QGraphicsOpacityEffect(this)),
      m_fade(new QPropertyAnimation(m_effect, "opacity", this)), m_actionRow(new QWidget),
      m_actionLayout(new QHBoxLayout(m_actionRow))
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
    m_actionLayout->setContentsMargins(0, 8, 0, 0);
    m_actionLayout->setSpacing(12);
    m_actionLayout->addStretch(1);
    m_actionLayout->addStretch(1);
    m_actionRow->hide();
    column->addWidget(m_actionRow);
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

QPushButton *SuccessOverlay::addAction(const QString &text, bool primary)
{
    auto *button = new QPushButton(text);
    button->setAutoDefault(true);
    button->setCursor(Qt::PointingHandCursor);
    if (primary) {
        GoldButtonStyle::apply(button);
    } else {
        button->setFont(Style::uiFont(13));
        button->setStyleSheet(Style::plainButtonSheet(bpText, 0.6));
    }
    m_actionLayout->insertWidget(m_actionLayout->count() - 1, button);
    m_actions.append(button);
    return button;
}

void SuccessOverlay::showActions()
{
    m_actionRow->show();
    if (isVisible() && !m_actions.isEmpty())
        m_actions.constFirst()->setFocus(Qt::OtherFocusReason);
}

bool SuccessOverlay::focusNextPrevChild(bool next)
{
    if (m_actionRow->isHidden() || m_actions.isEmpty())
        return true;
    const qsizetype at = m_actions.indexOf(qobject_cast<QPushButton *>(focusWidget()));
    const qsizetype count = m_actions.size();
    m_actions[((at < 0 ? 0 : at + (next ? 1 : -1)) + count) % count]->setFocus(
        next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
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
        if (!m_actionRow->isHidden() && !m_actions.isEmpty())
            m_actions.constFirst()->setFocus(Qt::OtherFocusReason);
        else
            setFocus(Qt::OtherFocusReason);
    }
    m_fade->start();
}

bool SuccessOverlay::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress && !m_actionRow->isHidden() && !m_actions.isEmpty() &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        m_actions.constLast()->click();
        return true;
    }
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
