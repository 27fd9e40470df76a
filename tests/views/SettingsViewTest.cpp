#include "SettingsTestSupport.h"
#include "support/TestSupport.h"

#include "model/TemplateFiles.h"
#include "stores/CustomTemplateStore.h"
#include "stores/SharedTemplateLibrary.h"
#include "stores/TemplateArchive.h"
#include "views/AboutTab.h"
#include "views/BPLogoView.h"
#include "views/GeneralTab.h"
#include "views/SettingsView.h"
#include "views/Style.h"
#include "views/TemplatesTab.h"
#include "views/ToggleSwitch.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <memory>

namespace bp::test {
namespace {

using test::PrintTo;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        clearPreferences();
    }
    void TearDown() override
    {
        m_view.reset();
        drainWrites();
    }

    // Builds the window from the state arranged so far, as opening settings does.
    void open()
    {
        m_view = std::make_unique<SettingsView>(PreferenceSuite::standard(), m_store, m_shortcuts,
                                                m_login);
        general()->setFolderPicker([this](QWidget *) {
            ++folderPicks;
            return pickedFolder;
        });
        templates()->setSaveLocation([this](QWidget *, const QString &proposed) {
            proposedNames.append(proposed);
            return saveTo;
        });
        templates()->setOpenLocation([this](QWidget *) {
            ++openPicks;
            return openFrom;
        });
        ASSERT_TRUE(showActive(*m_view));
    }

    GeneralTab *general() const { return m_view->generalTab(); }
    TemplatesTab *templates() const { return m_view->templatesTab(); }
    void showTab(int index)
    {
        m_view->tabs()->setCurrentIndex(index);
        QCoreApplication::processEvents();
    }
    QString writeFile(const QString &name, const QByteArray &data)
    {
        const QString path = m_tmp.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return path;
    }
    static CustomTemplate sample(const QString &name)
    {
        return {QUuid::createUuid(), name, "heart", {}, QDateTime::currentDateTimeUtc()};
    }
    QStringList customNames() const
    {
        // New rows show once the event loop gets to them; the old ones hide at once.
        QCoreApplication::sendPostedEvents();
        QStringList names;
        for (QWidget *row : templates()->customSection()->findChildren<QWidget *>("customRow"))
            if (!row->isHidden())
                names.append(row->findChild<QLabel *>("templateName")->text());
        return names;
    }

    QTemporaryDir m_tmp;
    PreferenceSuite m_suite{PreferenceSuite::standardName, m_tmp.path() + "/prefs"};
    CustomTemplateStore m_store{m_suite};
    RecordingShortcutRegistrar m_shortcuts;
    RecordingLoginItem m_login;
    std::unique_ptr<SettingsView> m_view;

    std::optional<QString> pickedFolder;
    int folderPicks = 0;
    std::optional<QString> saveTo;
    QStringList proposedNames;
    std::optional<QString> openFrom;
    int openPicks = 0;
};

TEST_F(SettingsTest, SharedTemplatesAreCopiedNeverEditedAndGoWithTheirShare)
{
    const QString share = m_tmp.path() + "/share";
    QDir().mkpath(share + "/studio");
    writeFile("share/studio/template.json", CustomTemplateJson::encode({sample("Studio")}));
    ASSERT_TRUE(m_suite.setString(SharedTemplateLibrary::preferenceKey, share));
    SharedTemplateLibrary library(m_suite);
    m_store.attachShared(library);
    library.reload();
    open();
    QList<CustomTemplate> drafts;
    templates()->setOpenEditor(
        [&](CustomTemplateStore &, const CustomTemplate &t) { drafts << t; });
    showTab(1);
    EXPECT_EQ(templates()->sharedFolderField()->text(), share);
    ASSERT_EQ(templates()->copyButtons().size(), 1);
    EXPECT_TRUE(templates()->editButtons().isEmpty() && templates()->deleteButtons().isEmpty());
    QTest::keyClick(templates()->copyButtons().first(), Qt::Key_Space);
    ASSERT_EQ(drafts.size(), 1);
    EXPECT_TRUE(drafts[0].id.isNull() && !drafts[0].shared);
    EXPECT_EQ(drafts[0].name, "Studio (kopie)");

    QDir(share).removeRecursively();
    library.reload();
    EXPECT_TRUE(templates()->copyButtons().isEmpty());
    EXPECT_EQ(templates()->sharedHint()->text(), "Gedeelde map niet bereikbaar: " + share);
}

TEST_F(SettingsTest, WindowIsFixedDarkAndHasItsThreeTabs)
{
    open();
    EXPECT_EQ(m_view->windowTitle(), "Brindlepath — Instellingen");
    EXPECT_EQ(m_view->size(), QSize(520, 420));
    EXPECT_EQ(m_view->minimumSize(), m_view->maximumSize());
    EXPECT_EQ(m_view->palette().color(QPalette::Window), bpDark);
    QTabBar *bar = m_view->tabs()->tabBar();
    ASSERT_EQ(bar->count(), 3);
    EXPECT_EQ(bar->tabText(0), "Algemeen");
    EXPECT_EQ(bar->tabText(1), "Templates");
    EXPECT_EQ(bar->tabText(2), "Over");
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(bar->tabIcon(i).isNull()) << i;
}

// ---- General tab ----

struct LoginCase {
    const char *name;
    bool initially;
    bool fails;
};

class LaunchAtLogin : public SettingsTest, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(LaunchAtLogin, SwitchShowsTheStateAndKeepsTheUsersChoice)
{
    const LoginCase &c = GetParam();
    m_login.enabled = c.initially;
    if (c.fails)
        m_login.failure = Error::fromErrno(EACCES, "/autostart");
    open();
    ToggleSwitch *toggle = general()->launchAtLoginSwitch();
    EXPECT_EQ(toggle->text(), "Start bij aanmelden");
    EXPECT_EQ(toggle->isChecked(), c.initially);

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(m_login.requested, QList<bool>{!c.initially});
    // The switch still shows what the user asked for; a failure says so below.
    EXPECT_EQ(toggle->isChecked(), !c.initially);
    EXPECT_EQ(general()->message(),
              c.fails ? "Kon instelling niet opslaan: autostart: geen toegang" : "");

    // A screen reader's toggle action changes it back without a click.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(toggle);
    ASSERT_TRUE(accessible && accessible->actionInterface());
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(m_login.requested, (QList<bool>{!c.initially, c.initially}));
}

INSTANTIATE_TEST_SUITE_P(General, LaunchAtLogin,
                         ::testing::Values(LoginCase{"switchOn", false, false},
                                           LoginCase{"switchOff", true, false},
                                           LoginCase{"failedSwitchOn", false, true},
                                           LoginCase{"failedSwitchOff", true, true}),
                         byName);

struct PickerCase {
    const char *name;
    std::optional<QString> stored;
    int row;
};

class PlatformPicker : public SettingsTest, public ::testing::WithParamInterface<PickerCase> {};

TEST_P(PlatformPicker, MatchesTheStoredRawValueAndStoresTheChoice)
{
    const PickerCase &c = GetParam();
    if (c.stored) {
        ASSERT_TRUE(
            PreferenceSuite::standard().setString(PreferenceKeys::defaultTemplate, *c.stored).ok());
    }
    open();
    QComboBox *picker = general()->platformPicker();
    EXPECT_EQ(picker->currentIndex(), c.row);
    if (c.row < 0) {
        EXPECT_EQ(picker->currentText(), "");
    }

    // The next pick stores a valid raw value, whatever was there.
    picker->setCurrentIndex(3);
    drainWrites();
    EXPECT_EQ(PreferenceSuite::standard().stringValue(PreferenceKeys::defaultTemplate), "hybrid");
}

INSTANTIATE_TEST_SUITE_P(General, PlatformPicker,
                         ::testing::Values(PickerCase{"absentShowsFirst", std::nullopt, 0},
                                           PickerCase{"weddingEvent", "weddingEvent", 4},
                                           PickerCase{"commercial", "commercial", 5},
                                           PickerCase{"capitalisedMatchesNone", "TikTokReels", -1},
                                           PickerCase{"displayNameMatchesNone", "YouTube Long-form",
                                                      -1},
                                           PickerCase{"emptyMatchesNone", "", -1}),
                         byName);

TEST_F(SettingsTest, PickerRowsAreTheTemplatesWithSymbolsTaggedByRawValue)
{
    open();
    QComboBox *picker = general()->platformPicker();
    ASSERT_EQ(picker->count(), 6);
    const QStringList names{"TikTok / Reels",         "YouTube Long-form", "Photo Shoot (client)",
                            "Hybrid (Photo + Video)", "Wedding / Event",   "Commercial / Brand"};
    const QStringList raws{"tikTokReels", "youTube",      "photoShoot",
                           "hybrid",      "weddingEvent", "commercial"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(picker->itemText(i), names[i]);
        EXPECT_EQ(picker->itemData(i).toString(), raws[i]);
        EXPECT_FALSE(picker->itemIcon(i).isNull());
    }
}

struct FolderCase {
    const char *name;
    std::optional<QString> stored;
    enum Action { none, pick, cancelPick, remove } action;
    QString field;
    std::optional<QString> storedAfter;
};

class DefaultFolder : public SettingsTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(DefaultFolder, FieldAndRemoveButtonFollowThePreference)
{
    const FolderCase &c = GetParam();
    if (c.stored) {
        ASSERT_TRUE(Preferences::setDefaultBasePath(*c.stored, PreferenceSuite::standard()).ok());
    }
    pickedFolder = c.action == FolderCase::pick ? std::optional<QString>("/Volumes/Work/Projects")
                                                : std::nullopt;
    open();
    switch (c.action) {
    case FolderCase::none:
        break;
    case FolderCase::pick:
    case FolderCase::cancelPick:
        QTest::mouseClick(general()->chooseButton(), Qt::LeftButton);
        EXPECT_EQ(folderPicks, 1);
        break;
    case FolderCase::remove:
        QTest::mouseClick(general()->removeButton(), Qt::LeftButton);
        break;
    }
    drainWrites();

    QLineEdit *field = general()->basePathField();
    EXPECT_FALSE(field->isEnabled());
    EXPECT_EQ(field->placeholderText(), "Geen ingesteld");
    EXPECT_EQ(field->text(), c.field);
    EXPECT_EQ(general()->removeButton()->isVisible(), c.storedAfter.has_value());
    EXPECT_EQ(general()->removeButton()->text(), "Verwijder");
    EXPECT_EQ(general()->chooseButton()->text(), "Kies…");
    // Removing takes the key away; an empty text would not be the same.
    EXPECT_EQ(PreferenceSuite::standard().contains(PreferenceKeys::defaultBasePath),
              c.storedAfter.has_value());
    EXPECT_EQ(PreferenceSuite::standard().stringValue(PreferenceKeys::defaultBasePath),
              c.storedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    General, DefaultFolder,
    ::testing::Values(
        FolderCase{"noneStored", std::nullopt, FolderCase::none, "", std::nullopt},
        FolderCase{"stored", "/srv/shoots", FolderCase::none, "/srv/shoots", "/srv/shoots"},
        FolderCase{"picked", std::nullopt, FolderCase::pick, "/Volumes/Work/Projects",
                   "/Volumes/Work/Projects"},
        FolderCase{"pickReplaces", "/srv/shoots", FolderCase::pick, "/Volumes/Work/Projects",
                   "/Volumes/Work/Projects"},
        FolderCase{"cancelKeepsNone", std::nullopt, FolderCase::cancelPick, "", std::nullopt},
        FolderCase{"cancelKeepsPath", "/srv/shoots", FolderCase::cancelPick, "/srv/shoots",
                   "/srv/shoots"},
        FolderCase{"removed", "/srv/shoots", FolderCase::remove, "", std::nullopt},
        // Neither is a folder to use, yet the key can still go.
        FolderCase{"storedEmpty", "", FolderCase::none, "", ""},
        FolderCase{"storedRelative", "shoots", FolderCase::none, "", "shoots"},
        FolderCase{"relativeRemoved", "shoots", FolderCase::remove, "", std::nullopt}),
    byName);

TEST_F(SettingsTest, ShortcutButtonAsksTheDesktopAndSaysWhatItDid)
{
    open();
    QStringList texts;
    for (QLabel *label : general()->findChildren<QLabel *>())
        texts.append(label->text());
    EXPECT_TRUE(texts.contains("Ctrl+Alt+N — Nieuwe projectstructuur"));
    EXPECT_TRUE(texts.contains("Voegt Ctrl+Alt+N toe aan de sneltoetsen van je bureaublad"));
    EXPECT_EQ(general()->shortcutButton()->text(), "Inschakelen");
    QLabel *outcome = general()->shortcutOutcomeLabel();
    EXPECT_FALSE(outcome->isVisible());
    for (const auto &[answer, text] :
         {std::pair{ShortcutRegistration::added, "Ctrl+Alt+N toegevoegd aan je bureaublad"},
          {ShortcutRegistration::taken, "Ctrl+Alt+N is op dit bureaublad al in gebruik"},
          {ShortcutRegistration::failed, "Kon Ctrl+Alt+N niet toevoegen"},
          {ShortcutRegistration::unavailable,
           "Geen sneltoetsmethode gevonden op dit bureaublad"}}) {
        m_shortcuts.outcome = answer;
        QTest::mouseClick(general()->shortcutButton(), Qt::LeftButton);
        EXPECT_TRUE(outcome->isVisible());
        EXPECT_EQ(outcome->text(), text);
        EXPECT_EQ(accessibleName(outcome), text);
    }
    EXPECT_EQ(m_shortcuts.requests, 4);
}

// ---- Templates tab ----

TEST_F(SettingsTest, OwnSectionComesAndGoesWithTheList)
{
    open();
    showTab(1);
    const QList<QWidget *> builtIn = templates()->findChildren<QWidget *>("builtInRow");
    ASSERT_EQ(builtIn.size(), 6);
    for (QWidget *row : builtIn)
        EXPECT_EQ(row->findChild<QLabel *>("badge")->text(), "Ingebakken");
    EXPECT_FALSE(templates()->customSection()->isVisible());

    ASSERT_TRUE(m_store.save("Bruiloft Jansen", {}).ok());
    ASSERT_TRUE(m_store.save("Merkfilm", {}).ok());
    EXPECT_TRUE(templates()->customSection()->isVisible());
    EXPECT_EQ(customNames(), (QStringList{"Bruiloft Jansen", "Merkfilm"}));
    ASSERT_EQ(templates()->deleteButtons().size(), 2);

    QTest::mouseClick(templates()->deleteButtons().first(), Qt::LeftButton);
    EXPECT_EQ(customNames(), QStringList{"Merkfilm"});
    QTest::mouseClick(templates()->deleteButtons().first(), Qt::LeftButton);
    // Gone at once, before the write lands.
    EXPECT_FALSE(templates()->customSection()->isVisible());
    drainWrites();
    EXPECT_TRUE(m_store.templates().isEmpty());
    EXPECT_FALSE(templates()->customSection()->isVisible());
}

// Writes that cannot be stored say so in the tab they were asked for in.
TEST_F(SettingsTest, FailedWritesShowInTheirTab)
{
    const QUuid kept = m_store.save("Blijft", {}).value();
    open();
    const QStringList folders{PreferenceSuite::standard().directory(), m_suite.directory()};
    for (const QString &folder : folders) {
        ASSERT_TRUE(QDir().mkpath(folder));
        if (const int err = setImmutable(folder, true))
            GTEST_SKIP() << "the config folder cannot be made read-only here: " << strerror(err);
    }
    struct Unlock {
        QStringList folders;
        ~Unlock()
        {
            for (const QString &folder : folders)
                setImmutable(folder, false);
        }
    } unlock{folders};

    general()->platformPicker()->setCurrentIndex(3);
    QTRY_VERIFY(!general()->message().isEmpty());
    EXPECT_TRUE(general()->message().startsWith("Kon instelling niet opslaan: "));
    EXPECT_TRUE(general()->message().endsWith(": geen toegang"));
    EXPECT_TRUE(general()->messageLabel()->isVisible());
    EXPECT_EQ(accessibleName(general()->messageLabel()), general()->message());

    showTab(1);
    templates()->deleteTemplate(kept);
    QTRY_VERIFY(!templates()->message().isEmpty());
    EXPECT_TRUE(templates()->message().startsWith("Verwijderen mislukt: "));
    EXPECT_TRUE(templates()->messageLabel()->isVisible());
    EXPECT_EQ(customNames(), QStringList{"Blijft"});
}

TEST_F(SettingsTest, ListFollowsChangesMadeByAnotherProcess)
{
    open();
    showTab(1);
    // Another process: its own suite object on the same file.
    PreferenceSuite otherSuite(PreferenceSuite::standardName, m_tmp.path() + "/prefs");
    CustomTemplateStore other(otherSuite);
    QSignalSpy changed(&m_store, &CustomTemplateStore::templatesChanged);
    ASSERT_TRUE(other.importJSON(CustomTemplateJson::encode({sample("Van elders")})).ok());
    ASSERT_TRUE(changed.wait(10000));
    EXPECT_EQ(customNames(), QStringList{"Van elders"});
    EXPECT_TRUE(templates()->customSection()->isVisible());

    changed.clear();
    ASSERT_TRUE(other.remove(other.templates().first().id).ok());
    ASSERT_TRUE(changed.wait(10000));
    EXPECT_FALSE(templates()->customSection()->isVisible());
}

enum class Step {
    exportFails,
    exportWorks,
    exportCancelled,
    importWorks,
    importNotJson,
    importMissing,
    importCancelled
};

struct MessageCase {
    const char *name;
    QList<Step> steps;
    enum Shown { nothing, exportMessage, importMessage } shown;
    bool exportError;
    bool importError;
};

class TemplateMessages : public SettingsTest, public ::testing::WithParamInterface<MessageCase> {
protected:
    void run(Step step)
    {
        switch (step) {
        case Step::exportFails:
            saveTo = m_tmp.filePath("missing-folder/brindlepath-templates.json");
            templates()->exportTemplates();
            break;
        case Step::exportWorks:
            saveTo = m_tmp.filePath("out.json");
            templates()->exportTemplates();
            break;
        case Step::exportCancelled:
            saveTo.reset();
            templates()->exportTemplates();
            break;
        case Step::importWorks:
            openFrom = writeFile("in.json", CustomTemplateJson::encode({sample("Geïmporteerd")}));
            templates()->importTemplates();
            break;
        case Step::importNotJson:
            openFrom = writeFile("notes.txt", "gewone tekst, geen JSON");
            templates()->importTemplates();
            break;
        case Step::importMissing:
            openFrom = m_tmp.filePath("weg.json");
            templates()->importTemplates();
            break;
        case Step::importCancelled:
            openFrom.reset();
            templates()->importTemplates();
            break;
        }
        drainWrites();
    }
};

TEST_P(TemplateMessages, BarShowsTheExportMessageFirst)
{
    const MessageCase &c = GetParam();
    open();
    showTab(1);
    for (Step step : c.steps)
        run(step);

    TemplatesTab *tab = templates();
    EXPECT_EQ(tab->exportError().has_value(), c.exportError);
    EXPECT_EQ(tab->importError().has_value(), c.importError);
    if (tab->importError()) {
        EXPECT_TRUE(tab->importError()->startsWith("Import mislukt: "))
            << tab->importError()->toStdString();
    }
    switch (c.shown) {
    case MessageCase::nothing:
        EXPECT_EQ(tab->message(), "");
        EXPECT_FALSE(tab->messageLabel()->isVisible());
        break;
    case MessageCase::exportMessage:
        ASSERT_TRUE(tab->exportError());
        EXPECT_EQ(tab->messageLabel()->text(), *tab->exportError());
        EXPECT_TRUE(tab->messageLabel()->isVisible());
        break;
    case MessageCase::importMessage:
        ASSERT_TRUE(tab->importError());
        EXPECT_EQ(tab->messageLabel()->text(), *tab->importError());
        EXPECT_TRUE(tab->messageLabel()->isVisible());
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Templates, TemplateMessages,
    ::testing::Values(
        MessageCase{"failedExportThenImportStillShowsExport",
                    {Step::exportFails, Step::importWorks},
                    MessageCase::exportMessage,
                    true,
                    false},
        MessageCase{"failedExportHidesFailedImport",
                    {Step::exportFails, Step::importNotJson},
                    MessageCase::exportMessage,
                    true,
                    true},
        MessageCase{"successfulExportUncoversImportMessage",
                    {Step::importNotJson, Step::exportFails, Step::exportWorks},
                    MessageCase::importMessage,
                    false,
                    true},
        MessageCase{
            "cancelledPanelsChangeNothing",
            {Step::exportFails, Step::importNotJson, Step::exportCancelled, Step::importCancelled},
            MessageCase::exportMessage,
            true,
            true},
        MessageCase{"successfulImportClearsItsMessage",
                    {Step::importMissing, Step::importWorks},
                    MessageCase::nothing,
                    false,
                    false},
        MessageCase{"notJson", {Step::importNotJson}, MessageCase::importMessage, false, true},
        MessageCase{"missingFile", {Step::importMissing}, MessageCase::importMessage, false, true},
        MessageCase{"exportWorks", {Step::exportWorks}, MessageCase::nothing, false, false}),
    byName);

// In Dutch from the system's error or the decoder's kind, naming the file, not its folders,
// in a line below the buttons that spans the bar.
TEST_F(SettingsTest, FailedMessagesAreDutchAndNameTheFile)
{
    open();
    showTab(1);
    saveTo = m_tmp.filePath("missing-folder/brindlepath-templates.json");
    templates()->exportTemplates();
    EXPECT_EQ(templates()->exportError(),
              "Export mislukt: brindlepath-templates.json: bestaat niet");
    QWidget *bar = templates()->exportButton()->parentWidget();
    QCoreApplication::processEvents();
    EXPECT_GE(templates()->messageLabel()->y(), templates()->exportButton()->geometry().bottom());
    EXPECT_GT(templates()->messageLabel()->width(), bar->width() * 3 / 4);

    openFrom = m_tmp.filePath("weg.json");
    templates()->importTemplates();
    EXPECT_EQ(templates()->importError(), "Import mislukt: weg.json: bestaat niet");
    openFrom = writeFile("notes.txt", "gewone tekst, geen JSON");
    templates()->importTemplates();
    drainWrites();
    EXPECT_EQ(templates()->importError(), "Import mislukt: notes.txt: geen geldig templatebestand");
}

TEST_F(SettingsTest, ExportWritesTheStoresDocumentUnderTheProposedName)
{
    ASSERT_TRUE(m_store.save("Bruiloft Jansen", {}).ok());
    open();
    saveTo = m_tmp.filePath("brindlepath-templates.json");
    // An existing file is replaced.
    writeFile("brindlepath-templates.json", "oud");
    QTest::mouseClick(templates()->exportButton(), Qt::LeftButton);
    EXPECT_EQ(proposedNames, QStringList{"brindlepath-templates.json"});
    QFile written(*saveTo);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), m_store.exportAllAsJSON());
    EXPECT_EQ(templates()->message(), "");
}

TEST_F(SettingsTest, ImportAddsTheTemplatesAndAFailedImportChangesNothing)
{
    ASSERT_TRUE(m_store.save("Bruiloft Jansen", {}).ok());
    open();
    showTab(1);
    openFrom = writeFile("notes.txt", "gewone tekst, geen JSON");
    QTest::mouseClick(templates()->importButton(), Qt::LeftButton);
    drainWrites();
    EXPECT_EQ(openPicks, 1);
    EXPECT_EQ(customNames(), QStringList{"Bruiloft Jansen"});

    openFrom = writeFile("in.json", CustomTemplateJson::encode({sample("Merkfilm")}));
    QTest::mouseClick(templates()->importButton(), Qt::LeftButton);
    drainWrites();
    EXPECT_EQ(customNames(), (QStringList{"Bruiloft Jansen", "Merkfilm"}));
    EXPECT_EQ(m_store.templates().size(), 2);
}

TEST_F(SettingsTest, DamagedStoredTemplatesAreReportedNeverExportedAndKeptAside)
{
    ASSERT_TRUE(m_suite.setData(CustomTemplateStore::key, "[1]").ok());
    Q_EMIT m_suite.changedOnDisk();
    open();
    EXPECT_EQ(templates()->message(), "Opgeslagen templates niet leesbaar");
    saveTo = m_tmp.filePath("out.json");
    templates()->exportTemplates();
    EXPECT_FALSE(QFile::exists(*saveTo));
    openFrom = writeFile("in.json", "[]");
    templates()->importTemplates();
    drainWrites();
    EXPECT_TRUE(templates()->message().startsWith("Onleesbare templates bewaard als " +
                                                  m_suite.filePath()));
}

// ---- About tab ----

TEST_F(SettingsTest, AboutShowsNameVersionAndMaker)
{
    open();
    showTab(2);
    QStringList texts;
    for (QLabel *label : m_view->aboutTab()->findChildren<QLabel *>())
        texts.append(label->text());
    EXPECT_EQ(texts, (QStringList{"Brindlepath", "Versie " BP_VERSION, "Gemaakt door Quenmoor"}));
    EXPECT_EQ(m_view->aboutTab()->logo()->logoSize(), 72);
}

// ---- Accessibility and keyboard ----

class SettingsAccessibility : public SettingsTest, public ::testing::WithParamInterface<int> {};

TEST_P(SettingsAccessibility, EveryTextAndControlHasANameAndARole)
{
    ASSERT_TRUE(m_store.save("Bruiloft Jansen", {}).ok());
    ASSERT_TRUE(Preferences::setDefaultBasePath("/srv/shoots", PreferenceSuite::standard()).ok());
    open();
    showTab(GetParam());
    templates()->exportTemplates(); // leaves a message in the bar
    QWidget *page = m_view->tabs()->currentWidget();
    QList<QWidget *> checked{m_view->tabs()->tabBar()};
    for (QWidget *widget : page->findChildren<QWidget *>()) {
        const bool leaf = widget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).isEmpty();
        if (widget->isVisible() && (leaf || widget->focusPolicy() != Qt::NoFocus) &&
            !qobject_cast<QScrollBar *>(widget))
            checked.append(widget);
    }
    int controls = 0;
    for (QWidget *widget : checked) {
        SCOPED_TRACE(widget->metaObject()->className() + std::string(" ") +
                     widget->objectName().toStdString());
        const QAccessible::Role role = accessibleRole(widget);
        if (widget->height() <= 1)
            continue;
        EXPECT_FALSE(accessibleName(widget).isEmpty());
        EXPECT_NE(role, QAccessible::Client);
        EXPECT_NE(role, QAccessible::NoRole);
        if (widget->focusPolicy() != Qt::NoFocus)
            ++controls;
    }
    EXPECT_GE(controls, 1);
    EXPECT_EQ(accessibleRole(general()->launchAtLoginSwitch()), QAccessible::CheckBox);
    EXPECT_EQ(accessibleRole(general()->platformPicker()), QAccessible::ComboBox);
    EXPECT_EQ(accessibleRole(m_view->tabs()->tabBar()), QAccessible::PageTabList);
}

std::string tabName(const ::testing::TestParamInfo<int> &info)
{
    const char *const names[] = {"general", "templates", "about"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Settings, SettingsAccessibility, ::testing::Values(0, 1, 2), tabName);

TEST_F(SettingsTest, KeyboardReachesAndUsesEveryGeneralControl)
{
    ASSERT_TRUE(Preferences::setDefaultBasePath("/srv/shoots", PreferenceSuite::standard()).ok());
    pickedFolder = "/Volumes/Work/Projects";
    open();
    QTabBar *bar = m_view->tabs()->tabBar();
    EXPECT_EQ(QApplication::focusWidget(), bar);
    EXPECT_EQ(tabCycle(*m_view),
              (QList<QWidget *>{bar, general()->launchAtLoginSwitch(), general()->platformPicker(),
                                general()->chooseButton(), general()->removeButton(),
                                general()->shortcutButton()}));

    general()->launchAtLoginSwitch()->setFocus();
    QTest::keyClick(general()->launchAtLoginSwitch(), Qt::Key_Space);
    EXPECT_EQ(m_login.requested, QList<bool>{true});

    general()->platformPicker()->setFocus();
    QTest::keyClick(general()->platformPicker(), Qt::Key_Down);
    drainWrites();
    EXPECT_EQ(PreferenceSuite::standard().stringValue(PreferenceKeys::defaultTemplate), "youTube");

    general()->removeButton()->setFocus();
    QTest::keyClick(general()->removeButton(), Qt::Key_Return);
    EXPECT_FALSE(general()->removeButton()->isVisible());
    // Focus does not vanish with the button.
    EXPECT_EQ(QApplication::focusWidget(), general()->chooseButton());
    QTest::keyClick(general()->chooseButton(), Qt::Key_Return);
    EXPECT_EQ(folderPicks, 1);
    EXPECT_EQ(general()->basePath(), "/Volumes/Work/Projects");

    general()->shortcutButton()->setFocus();
    QTest::keyClick(general()->shortcutButton(), Qt::Key_Space);
    QTest::keyClick(general()->shortcutButton(), Qt::Key_Return);
    EXPECT_EQ(m_shortcuts.requests, 2);
}

TEST_F(SettingsTest, ArrowKeysMoveBetweenTabs)
{
    open();
    QTabBar *bar = m_view->tabs()->tabBar();
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(m_view->tabs()->currentWidget(), templates());
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(m_view->tabs()->currentWidget(), m_view->aboutTab());
    // Only the tab bar takes focus on the about tab.
    EXPECT_EQ(tabCycle(*m_view), QList<QWidget *>{bar});
    QTest::keyClick(bar, Qt::Key_Left);
    EXPECT_EQ(m_view->tabs()->currentWidget(), templates());
}

TEST_F(SettingsTest, KeyboardReachesAndUsesEveryTemplatesControl)
{
    ASSERT_TRUE(m_store.save("Bruiloft Jansen", {}).ok());
    ASSERT_TRUE(m_store.save("Merkfilm", {}).ok());
    saveTo = m_tmp.filePath("out.json");
    open();
    showTab(1);
    QTabBar *bar = m_view->tabs()->tabBar();
    bar->setFocus();
    const QList<QPushButton *> trash = templates()->deleteButtons();
    const QList<QPushButton *> edit = templates()->editButtons();
    const QList<QPushButton *> archive = templates()->archiveButtons();
    ASSERT_EQ(trash.size(), 2);
    // The list itself is no stop: it scrolls to whichever of its buttons has the focus.
    EXPECT_EQ(tabCycle(*m_view),
              (QList<QWidget *>{bar, edit[0], archive[0], trash[0], edit[1], archive[1], trash[1],
                                templates()->newButton(), templates()->exportButton(),
                                templates()->importButton()}));

    QTest::keyClick(archive[0], Qt::Key_Return);
    EXPECT_EQ(proposedNames, QStringList{"Bruiloft Jansen.bptemplate"});
    QTRY_VERIFY(QFileInfo(*saveTo).size() > 0);

    QStringList drafts;
    templates()->setOpenEditor(
        [&drafts](CustomTemplateStore &, const CustomTemplate &draft) { drafts << draft.name; });
    QTest::keyClick(edit[1], Qt::Key_Return);
    EXPECT_EQ(drafts, QStringList{"Merkfilm"});

    trash[0]->setFocus();
    QTest::keyClick(trash[0], Qt::Key_Return);
    EXPECT_EQ(customNames(), QStringList{"Merkfilm"});
    // Focus moves to the row that took its place.
    EXPECT_EQ(QApplication::focusWidget(), templates()->deleteButtons().first());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(templates()->customSection()->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), templates()->newButton());

    QTest::keyClick(templates()->exportButton(), Qt::Key_Return);
    EXPECT_EQ(proposedNames.size(), 2);
    templates()->importButton()->setFocus();
    QTest::keyClick(templates()->importButton(), Qt::Key_Space);
    EXPECT_EQ(openPicks, 1);
    drainWrites();
}

TEST_F(SettingsTest, ImportsATemplateArchiveOnceAndSaysTheJsonExportLeavesFilesOut)
{
    const CustomTemplate t{QUuid::createUuid(),
                           "Shoot",
                           "heart",
                           {{QUuid::createUuid(), "Docs", {}, {{"brief.txt", "brief.txt"}}}},
                           QDateTime::currentDateTimeUtc()};
    ASSERT_TRUE(QDir().mkpath(TemplateFiles::ownFolder(t.id)));
    QFile brief(TemplateFiles::ownFolder(t.id) + "/brief.txt");
    ASSERT_TRUE(brief.open(QIODevice::WriteOnly));
    brief.close();
    openFrom = m_tmp.filePath("shoot.bptemplate");
    ASSERT_TRUE(TemplateArchive::write(t, *openFrom).ok());
    ASSERT_TRUE(TemplateFiles::removeFolder(t.id).ok());
    open();
    showTab(1);

    templates()->importTemplates();
    QTRY_COMPARE(customNames(), QStringList{"Shoot"});
    EXPECT_TRUE(QFile::exists(TemplateFiles::ownFolder(t.id) + "/brief.txt"));
    templates()->importTemplates();
    QTRY_COMPARE(templates()->message(), "Overgeslagen: \u201cShoot\u201d bestaat al");
    saveTo = m_tmp.filePath("all.json");
    templates()->exportTemplates();
    EXPECT_EQ(templates()->message(), "Bestanden van templates gaan niet mee in JSON; exporteer "
                                      "een template apart als .bptemplate.");
}

} // namespace
} // namespace bp::test
