#pragma once

#include <QLabel>

namespace bp {

// A label that wraps at word boundaries and, where a word (a long path) does not fit, inside
// the word, so a narrow column can show a whole error message.
class WrappingLabel final : public QLabel {
    Q_OBJECT
public:
    explicit WrappingLabel(const QColor &color, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textRect(int width) const;

    QColor m_color;
};

} // namespace bp
