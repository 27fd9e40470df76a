#pragma once

#include <QWidget>

class QLabel;

namespace bp {

class BPLogoView;

// The logo, the product name, the version and the maker.
class AboutTab final : public QWidget {
    Q_OBJECT
public:
    explicit AboutTab(QWidget *parent = nullptr);

    // The version the build was made as, "1.0" when it has none.
    static QString appVersion();

    BPLogoView *logo() const { return m_logo; }
    QLabel *versionLabel() const { return m_version; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    BPLogoView *m_logo = nullptr;
    QLabel *m_version = nullptr;
};

} // namespace bp
