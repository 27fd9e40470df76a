#pragma once

#include "model/Result.h"
#include "platform/ShortcutRegistrar.h"

#include <QFuture>
#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace bp {

class LoginItem;
class PreferenceSuite;
class ToggleSwitch;

// Settings that shape every new setup window and the start of the program: start at login,
// the default platform template, the default project folder, and the shortcut. A change that
// could not be stored says so under the sections; the controls keep the user's choice.
class GeneralTab final : public QWidget {
    Q_OBJECT
public:
    // Asks the user for a folder; none when cancelled.
    using FolderPicker = std::function<std::optional<QString>(QWidget *parent)>;

    static inline const QString saveFailed = QStringLiteral("Kon instelling niet opslaan: ");

    GeneralTab(PreferenceSuite &suite, ShortcutRegistrar &shortcuts, LoginItem &loginItem,
               QWidget *parent = nullptr);

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
    // What the desktop made of the last "Inschakelen"; hidden before the first.
    QLabel *shortcutOutcomeLabel() const { return m_shortcutOutcome; }
    // The last change's failure, empty once a later change was stored.
    QString message() const;
    QLabel *messageLabel() const { return m_message; }

private:
    QWidget *buildStartupSection();
    QWidget *buildTemplateSection();
    QWidget *buildFolderSection();
    QWidget *buildShortcutSection();
    // stored: the key exists, even with a text that is no usable folder.
    void setBasePath(const QString &path, bool stored);
    void showShortcutOutcome(ShortcutRegistration outcome);
    void report(const QFuture<Result<void>> &write);
    void showResult(const Result<void> &written);

    PreferenceSuite &m_suite;
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
    QLabel *m_shortcutOutcome = nullptr;
    QLabel *m_message = nullptr;
};

} // namespace bp
