#pragma once

#include "model/ProjectConfig.h"

#include <QAbstractButton>

namespace bp {

// One extra branch: a check box and the extra's name; the whole row is the button.
class ExtraRow final : public QAbstractButton {
    Q_OBJECT
public:
    explicit ExtraRow(ExtraFlag flag, QWidget *parent = nullptr);

    ExtraFlag flag() const { return m_flag; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void nextCheckState() override {}

private:
    ExtraFlag m_flag;
};

} // namespace bp
