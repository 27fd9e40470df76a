#pragma once

#include <QFrame>
#include <QMargins>

namespace bp {

// The band across the top of the onboarding and setup windows: the logo and the program's
// name at the leading edge, a widget of the window's own at the trailing edge.
class HeaderBand final : public QFrame {
public:
    struct Metrics {
        qreal logoSize;
        qreal titleSize;
        QMargins margins;
        int spacing;
    };

    HeaderBand(const Metrics &metrics, QWidget *trailing, QWidget *parent = nullptr);
};

} // namespace bp
