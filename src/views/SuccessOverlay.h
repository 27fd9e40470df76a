#pragma once

#include <QWidget>

class QGraphicsOpacityEffect;
class QLabel;
class QPropertyAnimation;

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

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_message;
    QGraphicsOpacityEffect *m_effect;
    QPropertyAnimation *m_fade;
};

} // namespace bp
