#include "views/GeneralTab.h"

#include "model/WhenFinished.h"
#include "platform/LoginItem.h"
#include "stores/Preferences.h"
#include "views/ChevronComboBox.h"
#include "views/ErrorText.h"
#include "views/FolderDialog.h"
#include "views/SettingsStyle.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"
#include "views/ToggleSwitch.h"
#include "views/WrappingLabel.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace bp {
namespace {

QWidget *section(const QString &title, QFrame *card)
{
    auto *group = new QWidget;
    auto *column = new QVBoxLayout(group);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(SettingsStyle::sectionHeader(title));
    column->addWidget(card);
    return group;
}

QHBoxLayout *cardRow(QFrame *card)
{
    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(8);
    return row;
}

} // namespace

GeneralTab::GeneralTab(PreferenceSuite &suite, ShortcutRegistrar &shortcuts, LoginItem &loginItem,
                       QWidget *parent)
    : QWidget(parent), m_suite(suite), m_shortcuts(shortcuts), m_loginItem(loginItem),
      m_picker([this](QWidget *dialogParent) { return runFolderDialog(dialogParent, m_basePath); })
{
    setObjectName(QStringLiteral("generalTab"));
    auto *column = new QVBoxLayout(this);
    column->setSpacing(14);
    column->addWidget(buildStartupSection());
    column->addWidget(buildTemplateSection());
    column->addWidget(buildFolderSection());
    column->addWidget(buildShortcutSection());
    // Selectable by keyboard, so Tab reaches it and a screen reader reads it.
    auto *message = new WrappingLabel(bpRed);
    message->setObjectName(QStringLiteral("generalMessage"));
    message->setFont(Style::uiFont(11));
    message->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    message->hide();
    m_message = message;
    column->addWidget(m_message);
    column->addStretch(1);
}

QWidget *GeneralTab::buildStartupSection()
{
    QFrame *card = SettingsStyle::sectionCard();
    QHBoxLayout *row = cardRow(card);
    m_launchAtLogin = new ToggleSwitch(QStringLiteral("Start bij aanmelden"));
    m_launchAtLogin->setObjectName(QStringLiteral("launchAtLoginSwitch"));
    m_launchAtLogin->setChecked(m_loginItem.isEnabled());
    // A failed change is reported; the switch keeps the user's choice until the window is
    // built again from the real state. Toggled, not clicked: a screen reader's toggle action
    // changes the switch without a click.
    connect(m_launchAtLogin, &QAbstractButton::toggled, this,
            [this](bool on) { showResult(m_loginItem.setEnabled(on)); });
    row->addWidget(m_launchAtLogin);
    return section(QStringLiteral("Opstarten"), card);
}

QWidget *GeneralTab::buildTemplateSection()
{
    QFrame *card = SettingsStyle::sectionCard();
    QHBoxLayout *row = cardRow(card);
    QLabel *label = Style::label(QStringLiteral("Platform"), 13, QFont::Normal, bpText);
    row->addWidget(label);
    row->addStretch(1);

    m_platform = new ChevronComboBox;
    m_platform->setObjectName(QStringLiteral("platformPicker"));
    m_platform->setAccessibleName(QStringLiteral("Platform"));
    m_platform->setFont(Style::uiFont(13));
    m_platform->setStyleSheet(SettingsStyle::comboSheet());
    m_platform->setIconSize(QSize(14, 14));
    m_platform->setMinimumWidth(210);
    m_platform->setCursor(Qt::PointingHandCursor);
    label->setBuddy(m_platform);
    for (PlatformTemplate platform : allPlatformTemplates)
        m_platform->addItem(SymbolIcons::icon(icon(platform), Style::withAlpha(bpText, 0.85), 14),
                            displayName(platform), rawValue(platform));
    // Absent reads as the first template; a text that is no raw value matches no row.
    const QString stored = m_suite.stringValue(PreferenceKeys::defaultTemplate)
                               .value_or(rawValue(PlatformTemplate::tikTokReels));
    m_platform->setCurrentIndex(m_platform->findData(stored));
    connect(m_platform, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        if (std::optional<PlatformTemplate> platform =
                platformTemplateFromRawValue(m_platform->itemData(index).toString()))
            report(Preferences::setDefaultTemplateLater(*platform, m_suite));
    });
    row->addWidget(m_platform);
    return section(QStringLiteral("Standaard template"), card);
}

QWidget *GeneralTab::buildFolderSection()
{
    QFrame *card = SettingsStyle::sectionCard();
    QHBoxLayout *row = cardRow(card);
    m_basePathField = new QLineEdit;
    m_basePathField->setObjectName(QStringLiteral("basePathField"));
    m_basePathField->setPlaceholderText(QStringLiteral("Geen ingesteld"));
    m_basePathField->setAccessibleName(QStringLiteral("Standaard projectmap"));
    m_basePathField->setFont(Style::uiFont(12));
    // It only shows the folder; "Kies…" is the way to change it.
    m_basePathField->setEnabled(false);
    m_basePathField->setStyleSheet(
        Style::fieldSheet(QStringLiteral("QLineEdit"), 5, 3, 6) +
        QStringLiteral("QLineEdit:disabled { color: %1; }").arg(Style::css(bpText, 0.7)));
    row->addWidget(m_basePathField, 1);

    m_choose = SettingsStyle::formButton(QStringLiteral("Kies…"), 12);
    m_choose->setObjectName(QStringLiteral("chooseBasePathButton"));
    connect(m_choose, &QPushButton::clicked, this, &GeneralTab::pickBasePath);
    row->addWidget(m_choose);

    m_remove = SettingsStyle::formButton(QStringLiteral("Verwijder"), 10);
    m_remove->setObjectName(QStringLiteral("removeBasePathButton"));
    m_remove->setStyleSheet(m_remove->styleSheet() +
                            QStringLiteral("QPushButton { color: %1; }").arg(Style::css(bpRed)));
    connect(m_remove, &QPushButton::clicked, this, &GeneralTab::removeBasePath);
    row->addWidget(m_remove);

    // An empty or relative text reads as none, yet "Verwijder" can still take the key away.
    setBasePath(Preferences::defaultBasePath(m_suite).value_or(QString()),
                m_suite.contains(PreferenceKeys::defaultBasePath));
    return section(QStringLiteral("Standaard projectmap"), card);
}

QWidget *GeneralTab::buildShortcutSection()
{
    QFrame *card = SettingsStyle::sectionCard();
    QHBoxLayout *row = cardRow(card);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(Style::label(QStringLiteral("Ctrl+Alt+N — Nieuwe projectstructuur"), 12,
                                  QFont::Medium, bpText));
    texts->addWidget(
        Style::label(QStringLiteral("Voegt Ctrl+Alt+N toe aan de sneltoetsen van je bureaublad"),
                     10.5, QFont::Normal, bpText, 0.45));
    row->addLayout(texts);
    row->addStretch(1);
    m_shortcut = SettingsStyle::formButton(QStringLiteral("Inschakelen"), 11);
    m_shortcut->setObjectName(QStringLiteral("enableShortcutButton"));
    // The desktop may answer long after the tab is gone (the portal asks the user first).
    connect(m_shortcut, &QPushButton::clicked, this, [this] {
        m_shortcuts.requestRegistration([tab = QPointer(this)](ShortcutRegistration outcome) {
            if (tab)
                tab->showShortcutOutcome(outcome);
        });
    });
    row->addWidget(m_shortcut, 0, Qt::AlignVCenter);

    QWidget *group = section(QStringLiteral("Snelkoppeling"), card);
    // Below the card; selectable by keyboard like the message line, so a screen reader
    // reads it.
    m_shortcutOutcome = Style::label(QString(), 11, QFont::Normal, bpText);
    m_shortcutOutcome->setObjectName(QStringLiteral("shortcutOutcome"));
    m_shortcutOutcome->setWordWrap(true);
    m_shortcutOutcome->setTextInteractionFlags(Qt::TextSelectableByKeyboard |
                                               Qt::TextSelectableByMouse);
    m_shortcutOutcome->hide();
    group->layout()->addWidget(m_shortcutOutcome);
    return group;
}

void GeneralTab::showShortcutOutcome(ShortcutRegistration outcome)
{
    QString text;
    switch (outcome) {
    case ShortcutRegistration::added:
        text = QStringLiteral("Ctrl+Alt+N toegevoegd aan je bureaublad");
        break;
    case ShortcutRegistration::taken:
        text = QStringLiteral("Ctrl+Alt+N is op dit bureaublad al in gebruik");
        break;
    case ShortcutRegistration::failed:
        text = QStringLiteral("Kon Ctrl+Alt+N niet toevoegen");
        break;
    case ShortcutRegistration::unavailable:
        text = QStringLiteral("Geen sneltoetsmethode gevonden op dit bureaublad");
        break;
    }
    Style::setLabelColor(m_shortcutOutcome, outcome == ShortcutRegistration::added ? bpText : bpRed,
                         outcome == ShortcutRegistration::added ? 0.7 : 1.0);
    m_shortcutOutcome->setText(text);
    m_shortcutOutcome->setAccessibleName(text);
    m_shortcutOutcome->show();
}

std::optional<QString> GeneralTab::runFolderDialog(QWidget *parent, const QString &startIn)
{
    return FolderDialog::choose(parent, QStringLiteral("Standaard projectmap"), startIn);
}

void GeneralTab::pickBasePath()
{
    const std::optional<QString> folder = m_picker(window());
    if (!folder || folder->isEmpty())
        return;
    setBasePath(*folder, true);
    report(Preferences::setDefaultBasePathLater(*folder, m_suite));
}

void GeneralTab::removeBasePath()
{
    const bool hadFocus = m_remove->hasFocus();
    setBasePath(QString(), false);
    // The key goes, not just its text: absent means no default folder.
    report(Preferences::removeDefaultBasePathLater(m_suite));
    if (hadFocus)
        m_choose->setFocus();
}

void GeneralTab::setBasePath(const QString &path, bool stored)
{
    m_basePath = path;
    m_basePathField->setText(path);
    m_basePathField->setToolTip(path);
    m_basePathField->setCursorPosition(0);
    m_remove->setVisible(stored);
}

void GeneralTab::report(const QFuture<Result<void>> &write)
{
    whenFinished(write, this, [this](const Result<void> &written) { showResult(written); });
}

void GeneralTab::showResult(const Result<void> &written)
{
    const QString text = written ? QString() : saveFailed + ErrorText::dutch(written.error());
    m_message->setText(text);
    m_message->setAccessibleName(text);
    m_message->setVisible(!text.isEmpty());
}

QString GeneralTab::message() const
{
    return m_message->text();
}

} // namespace bp
