#pragma once

#include <QAbstractButton>

namespace bp {

// A card with a check box, a title and a subtitle; the whole card is the button. Its
// checked state follows the configuration, so a click only reports the wish to flip it.
class ToggleCard final : public QAbstractButton {
    Q_OBJECT
public:
    ToggleCard(const QString &title, const QString &subtitle, QWidget *parent = nullptr);

    QString title() const { return text(); }
    QString subtitle() const { return m_subtitle; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Title and subtitle wrap onto more lines when the card is narrow.
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

    // The 16 x 16 check box of the form, drawn at box.
    static void paintCheckbox(QPainter &painter, const QRectF &box, bool isOn);

protected:
    void paintEvent(QPaintEvent *event) override;
    void nextCheckState() override {}

private:
    // Heights of the wrapped title and subtitle for a text column this wide.
    QPair<int, int> textHeights(int textWidth) const;

    QString m_subtitle;
};

} // namespace bp
