#pragma once

#include <QAbstractButton>
#include <QPointer>

namespace bp {

// A row of a template list box: icon, title and, when selected, a check mark on a light
// blue ground. An optional trailing widget (the trash button) sits inside the same frame.
class TemplateRow final : public QAbstractButton {
    Q_OBJECT
public:
    TemplateRow(const QString &iconName, const QString &title, QWidget *parent = nullptr);

    QString iconName() const { return m_iconName; }
    bool isSelected() const { return isChecked(); }
    void setSelected(bool selected) { setChecked(selected); }
    void setTrailingWidget(QWidget *widget);
    QWidget *trailingWidget() const { return m_trailing; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Selection follows the configuration; a click only asks for it.
    void nextCheckState() override {}

private:
    void placeTrailing();

    QString m_iconName;
    QPointer<QWidget> m_trailing;
};

} // namespace bp
