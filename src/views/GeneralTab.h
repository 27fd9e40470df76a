#pragma once

#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace bp {

class LoginItem;
class ShortcutRegistrar;
class ToggleSwitch;

// Settings that shape every new setup window and the start of the program: start at login,
// the default platform template, the default project folder, and the shortcut.
class GeneralTab final : public QWidget {
    Q_OBJECT
public:
    // Asks the user for a folder; none when cancelled.
    using FolderPicker = std::function<std::optional<QString>(QWidget *parent)>;

    GeneralTab(ShortcutRegistrar &shortcuts, LoginItem &loginItem, QWidget *parent = nullptr);

    static std::optional<QString> runFolderDialog(QWidget *parent, const QString &startIn);
    void setFolderPicker(FolderPicker picker) { m_picker = std::move(picker); }

    // "Kies…": the chosen folder becomes the default project folder.
    void pickBasePath();
    // "Verwijder": no default project folder any more.
    void removeBasePath();

    QString basePath() const { return m_basePath; }
    ToggleSwitch *launchAtLoginSwitch() const { return m_launchAtLogin; }
    QComboBox *platformPicker() const { return m_platform; }
    QLineEdit *basePathField() const { return m_basePathField; }
    QPushButton *chooseButton() const { return m_choose; }
    QPushButton *removeButton() const { return m_remove; }
    QPushButton *shortcutButton() const { return m_shortcut; }

private:
    QWidget *buildStartupSection();
    QWidget *buildTemplateSection();
    QWidget *buildFolderSection();
    QWidget *buildShortcutSection();
    void setBasePath(const QString &path);

    ShortcutRegistrar &m_shortcuts;
    LoginItem &m_loginItem;
    FolderPicker m_picker;
    QString m_basePath;
    ToggleSwitch *m_launchAtLogin = nullptr;
    QComboBox *m_platform = nullptr;
    QLineEdit *m_basePathField = nullptr;
    QPushButton *m_choose = nullptr;
    QPushButton *m_remove = nullptr;
    QPushButton *m_shortcut = nullptr;
};

} // namespace bp
