#include "views/SettingsView.h"

#include "views/AboutTab.h"
#include "views/AccessibleRole.h"
#include "views/GeneralTab.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"
#include "views/TemplatesTab.h"

#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace bp {
namespace {

// Grey when the tab is not selected, blue when it is.
QIcon tabIcon(const QString &symbol)
{
    QIcon icon;
    for (const qreal dpr : {1.0, 2.0}) {
        icon.addPixmap(SymbolIcons::pixmap(symbol, Style::withAlpha(bpText, 0.6), 14, dpr),
                       QIcon::Normal, QIcon::Off);
        icon.addPixmap(SymbolIcons::pixmap(symbol, bpBlue, 14, dpr), QIcon::Normal, QIcon::On);
    }
    return icon;
}

QString tabSheet()
{
    return QStringLiteral(
               "QTabWidget::pane { background: %1; border: 1px solid %2; border-radius: 8px;"
               " top: 8px; }"
               "QTabWidget::tab-bar { alignment: center; }"
               "QTabBar::tab { background: %3; color: %4; border: 1px solid %2;"
               " padding: 4px 12px; margin: 0; }"
               "QTabBar::tab:first { border-top-left-radius: 6px;"
               " border-bottom-left-radius: 6px; }"
               "QTabBar::tab:last { border-top-right-radius: 6px;"
               " border-bottom-right-radius: 6px; }"
               "QTabBar::tab:!first { border-left: none; }"
               "QTabBar::tab:selected { background: %5; color: %6; }"
               "QTabBar::tab:focus { border-color: %7; }")
        .arg(Style::css(bpDark), Style::css(bpBorder), Style::css(bpCard), Style::css(bpText, 0.6),
             Style::css(bpBlue, 0.16), Style::css(bpText), Style::css(bpBlue, 0.85));
}

} // namespace

SettingsView::SettingsView(PreferenceSuite &standard, CustomTemplateStore &store,
                           ShortcutRegistrar &shortcuts, LoginItem &loginItem, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("settingsView"));
    Style::setUpWindow(this, QStringLiteral("Brindlepath — Instellingen"),
                       QSize(viewWidth, viewHeight));
    setStyleSheet(Style::windowStyleSheet() + tabSheet());

    auto *column = new QVBoxLayout(this);
    // The desktop's own margin around the tabs.
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("settingsTabs"));
    m_tabs->setDocumentMode(false);
    m_tabs->setUsesScrollButtons(false);
    m_tabs->tabBar()->setFont(Style::uiFont(12));
    m_tabs->tabBar()->setAccessibleName(QStringLiteral("Instellingen"));
    m_tabs->tabBar()->setDrawBase(false);
    m_tabs->tabBar()->setExpanding(false);
    m_tabs->setIconSize(QSize(14, 14));

    m_general = new GeneralTab(standard, shortcuts, loginItem);
    m_templates = new TemplatesTab(store);
    m_about = new AboutTab;
    m_tabs->addTab(m_general, tabIcon(QStringLiteral("gearshape")), QStringLiteral("Algemeen"));
    m_tabs->addTab(m_templates, tabIcon(QStringLiteral("folder.badge.gearshape")),
                   QStringLiteral("Templates"));
    m_tabs->addTab(m_about, tabIcon(QStringLiteral("info.circle")), QStringLiteral("Over"));
    column->addWidget(m_tabs);
    m_tabs->tabBar()->setFocus();
}

SettingsView *SettingsView::openWindow(PreferenceSuite &standard, CustomTemplateStore &store,
                                       ShortcutRegistrar &shortcuts, LoginItem &loginItem)
{
    auto *view = new SettingsView(standard, store, shortcuts, loginItem);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->show();
    view->raise();
    view->activateWindow();
    return view;
}

} // namespace bp
