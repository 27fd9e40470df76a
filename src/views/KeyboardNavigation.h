#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QAbstractButton;
class QScrollArea;

namespace bp {

// The scroll area itself takes no focus; it scrolls to whichever of its controls gets it.
void scrollToFocus(QScrollArea *area);

// Buttons that make one choice between them behave as a radio group: one Tab stop (the chosen
// button, or the first when none is chosen), arrow keys move and make the choice, Tab leaves.
class ChoiceGroup final : public QObject {
    Q_OBJECT
public:
    explicit ChoiceGroup(QObject *parent = nullptr);

    // In reading order. Hidden or disabled buttons are passed over.
    void setButtons(const QList<QAbstractButton *> &buttons);
    const QList<QPointer<QAbstractButton>> &buttons() const { return m_buttons; }
    // Call after the choice changed from outside, so Tab reaches the chosen button.
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QAbstractButton *> reachable() const;

    QList<QPointer<QAbstractButton>> m_buttons;
};

} // namespace bp
