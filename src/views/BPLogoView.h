#pragma once

#include <QWidget>

namespace bp {

// The folder with the "BP" monogram cut out of it, drawn on a 72 x 72 grid.
class BPLogoView final : public QWidget {
    Q_OBJECT
public:
    explicit BPLogoView(qreal size, QWidget *parent = nullptr);

    qreal logoSize() const { return m_size; }
    QSize sizeHint() const override;

    // Draws the logo into a square of side `size` whose top-left corner is `origin`.
    static void paintLogo(QPainter &painter, const QPointF &origin, qreal size);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_size;
};

} // namespace bp
