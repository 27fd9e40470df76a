#pragma once

#include <QWidget>

class QGraphicsOpacityEffect;
class QHBoxLayout;
class QLabel;
class QPropertyAnimation;
class QPushButton;

namespace bp {

// Covers the window after a successful run: a check mark and the success message on a
// nearly opaque dark fill, faded in.
class SuccessOverlay final : public QWidget {
    Q_OBJECT
public:
    explicit SuccessOverlay(QWidget *parent = nullptr);

    void setMessage(const QString &message);
    QString message() const;
    // Fades in (true) or out (false) over 0.2 seconds.
    void setShown(bool shown);
    qreal opacity() const;
    // A button under the message, hidden until showActions(). With buttons shown, the keys
    // stay inside the overlay: Tab moves between its buttons, Escape presses the last one.
    QPushButton *addAction(const QString &text, bool primary);
    void showActions();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QLabel *m_message;
    QGraphicsOpacityEffect *m_effect;
    QPropertyAnimation *m_fade;
    QWidget *m_actionRow;
    QHBoxLayout *m_actionLayout;
    QList<QPushButton *> m_actions;
};

} // namespace bp
