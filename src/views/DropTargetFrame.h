#pragma once

#include <QWidget>

namespace bp {

// The 3-wide blue border just inside the window's edges while a folder hovers over it.
class DropTargetFrame final : public QWidget {
    Q_OBJECT
public:
    explicit DropTargetFrame(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace bp
