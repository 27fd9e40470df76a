#include "views/KeyboardNavigation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QScrollArea>

namespace bp {

void scrollToFocus(QScrollArea *area)
{
    area->setFocusPolicy(Qt::NoFocus);
    QObject::connect(qApp, &QApplication::focusChanged, area, [area](QWidget *, QWidget *now) {
        QWidget *content = area->widget();
        if (now && content && content->isAncestorOf(now))
            area->ensureWidgetVisible(now, 8, 8);
    });
}

ChoiceGroup::ChoiceGroup(QObject *parent) : QObject(parent) {}

void ChoiceGroup::setButtons(const QList<QAbstractButton *> &buttons)
{
    for (const QPointer<QAbstractButton> &button : std::as_const(m_buttons))
        if (button)
            button->removeEventFilter(this);
    m_buttons.clear();
    for (QAbstractButton *button : buttons) {
        m_buttons.append(button);
        button->installEventFilter(this);
        connect(button, &QAbstractButton::toggled, this, &ChoiceGroup::refresh,
                Qt::UniqueConnection);
    }
    refresh();
}

QList<QAbstractButton *> ChoiceGroup::reachable() const
{
    QList<QAbstractButton *> list;
    for (const QPointer<QAbstractButton> &button : m_buttons)
        if (button && !button->isHidden() && button->isEnabled())
            list.append(button);
    return list;
}

void ChoiceGroup::refresh()
{
    const QList<QAbstractButton *> list = reachable();
    QAbstractButton *stop = list.isEmpty() ? nullptr : list.constFirst();
    for (QAbstractButton *button : list)
        if (button->isChecked()) {
            stop = button;
            break;
        }
    for (const QPointer<QAbstractButton> &button : m_buttons)
        if (button)
            button->setFocusPolicy(button == stop ? Qt::TabFocus : Qt::NoFocus);
}

bool ChoiceGroup::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    int step = 0;
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = 1;
        break;
    default:
        return false;
    }
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    const QList<QAbstractButton *> list = reachable();
    const qsizetype at = list.indexOf(static_cast<QAbstractButton *>(watched));
    if (at < 0 || list.size() < 2)
        return true;
    QAbstractButton *next = list[(at + step + list.size()) % list.size()];
    // The stop moves first, so the focus may land on it.
    next->setFocusPolicy(Qt::TabFocus);
    next->setFocus(Qt::TabFocusReason);
    if (!next->isChecked())
        next->click();
    refresh();
    return true;
}

} // namespace bp
