#pragma once

#include <QLabel>

namespace bp {

// A one-line label that shortens its text in the middle when it does not fit; text() and
// the accessible name keep the whole text.
class ElidedLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    // The text as drawn now.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace bp
