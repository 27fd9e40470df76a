#include "views/AboutTab.h"

#include "views/BPLogoView.h"
#include "views/LogoShadow.h"
#include "views/Style.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace bp {
namespace {

QLabel *line(const QString &text, qreal size, QFont::Weight weight, qreal opacity)
{
    QLabel *label = Style::label(text, size, weight, bpText, opacity);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

} // namespace

AboutTab::AboutTab(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("aboutTab"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);
    column->addStretch(1);
    m_logo = new BPLogoView(72);
    column->addWidget(m_logo, 0, Qt::AlignHCenter);
    column->addWidget(line(QStringLiteral("Brindlepath"), 22, QFont::Bold, 1.0));
    m_version = line(QStringLiteral("Versie ") + appVersion(), 12, QFont::Normal, 0.35);
    m_version->setObjectName(QStringLiteral("versionLabel"));
    column->addWidget(m_version);
    column->addWidget(line(QStringLiteral("Gemaakt door Quenmoor"), 12, QFont::Normal, 0.25));
    column->addStretch(1);
}

QString AboutTab::appVersion()
{
    // Set by CMake from project(VERSION ...).
    const QString version = QStringLiteral(BP_VERSION);
    return version.isEmpty() ? QStringLiteral("1.0") : version;
}

void AboutTab::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), bpDark);
    // The shadow reaches beyond the logo, so the tab paints it behind the logo.
    const LogoShadow shadow{Style::withAlpha(bpBlue, 0.3), 18, QPointF(0, 8)};
    shadow.paint(p, QRectF(m_logo->geometry()));
}

} // namespace bp
