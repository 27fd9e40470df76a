#pragma once

#include <QWidget>

class QTabWidget;

namespace bp {

class AboutTab;
class CustomTemplateStore;
class GeneralTab;
class LoginItem;
class PreferenceSuite;
class ShortcutRegistrar;
class TemplatesTab;

// The settings window's content: the tabs "Algemeen", "Templates" and "Over", dark whatever
// the desktop theme. Everything is read from the preferences, the login item and the
// template store when it is built.
class SettingsView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int viewWidth = 520;
    static constexpr int viewHeight = 420;

    SettingsView(PreferenceSuite &standard, CustomTemplateStore &store,
                 ShortcutRegistrar &shortcuts, LoginItem &loginItem, QWidget *parent = nullptr);

    // The fixed "Brindlepath — Instellingen" window, shown, raised and deleted when closed.
    static SettingsView *openWindow(PreferenceSuite &standard, CustomTemplateStore &store,
                                    ShortcutRegistrar &shortcuts, LoginItem &loginItem);

    QTabWidget *tabs() const { return m_tabs; }
    GeneralTab *generalTab() const { return m_general; }
    TemplatesTab *templatesTab() const { return m_templates; }
    AboutTab *aboutTab() const { return m_about; }

private:
    QTabWidget *m_tabs = nullptr;
    GeneralTab *m_general = nullptr;
    TemplatesTab *m_templates = nullptr;
    AboutTab *m_about = nullptr;
};

} // namespace bp
