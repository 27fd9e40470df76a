#include "ViewTestSupport.h"
#include "support/TestSupport.h"

#include "stores/FieldValuesStore.h"
#include "views/ElidedLabel.h"
#include "views/ExtraRow.h"
#include "views/FieldRows.h"
#include "views/TemplateRow.h"
#include "views/ToggleCard.h"

#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <cstring>

namespace bp::test {
namespace {

class FormPanelTest : public WindowFixture {
protected:
    QLineEdit *nameField() const { return find<QLineEdit>("projectNameField"); }
    void typeName(const QString &text)
    {
        nameField()->selectAll();
        QTest::keyClick(nameField(), Qt::Key_Backspace);
        QTest::keyClicks(nameField(), text);
    }
    void typeBatch(const QStringList &lines)
    {
        auto *editor = find<QPlainTextEdit>("batchEditor");
        editor->setFocus();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(editor, Qt::Key_Return);
            QTest::keyClicks(editor, lines[i]);
        }
    }
    QList<bool> platformSelection() const
    {
        QList<bool> result;
        for (TemplateRow *row : m_window->formPanel()->platformRows())
            result.append(row->isSelected());
        return result;
    }
};

TEST_F(FormPanelTest, OpensWithTodaysPrefixAndCursorAfterIt)
{
    EXPECT_EQ(m_model->config().projectName, today());
    EXPECT_EQ(nameField()->text(), today());
    EXPECT_TRUE(nameField()->hasFocus());
    EXPECT_EQ(nameField()->cursorPosition(), today().size());
    // The folder name puts the date in front once more.
    EXPECT_EQ(labelText("folderNameLine"), QStringLiteral("→ ") + folderName(today()));
}

TEST_F(FormPanelTest, TodayButtonReplacesTypedName)
{
    typeName(today() + "Nike");
    click(find<QPushButton>("todayButton"));
    EXPECT_EQ(m_model->config().projectName, today());
    EXPECT_EQ(nameField()->text(), today());
}

struct NameCase {
    const char *name;
    const char *typed;
    bool hasFolderLine;
};

class NameTypingTest : public FormPanelTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameTypingTest, FolderLineAndCountFollowTheName)
{
    const QString typed = QString::fromUtf8(GetParam().typed);
    typeName(typed);
    EXPECT_EQ(m_model->config().projectName, typed);
    EXPECT_EQ(shown("folderNameLine"), GetParam().hasFolderLine);
    if (GetParam().hasFolderLine) {
        EXPECT_EQ(labelText("folderNameLine"), QStringLiteral("→ ") + folderName(typed));
        EXPECT_EQ(labelText("previewCount"),
                  QString::number(countFolders(m_model->resolvedTree()) + 1) + " mappen");
        EXPECT_FALSE(m_window->previewPanel()->showsEmptyState());
    } else {
        EXPECT_EQ(labelText("previewCount"), QString());
        EXPECT_TRUE(m_window->previewPanel()->showsEmptyState());
        EXPECT_EQ(labelText("previewEmptyText"), "Voer een projectnaam in");
    }
}

INSTANTIATE_TEST_SUITE_P(Names, NameTypingTest,
                         ::testing::Values(NameCase{"Plain", "Nike_Shoot_Zomer", true},
                                           NameCase{"Spaced", "  Spaced  ", true},
                                           NameCase{"Separators", "a/b:c", true},
                                           NameCase{"SpacesOnly", "   ", false},
                                           NameCase{"Empty", "", false}),
                         caseName);

struct BatchCase {
    const char *name;
    QStringList lines;
    const char *countLine; // empty when no names
    const char *previewCount;
    const char *buttonTitle;
};

class BatchModeTest : public FormPanelTest, public ::testing::WithParamInterface<BatchCase> {};

TEST_P(BatchModeTest, SectionsSwapAndNamesAreCounted)
{
    typeName("Single");
    click(find<ToggleCard>("batchCard"));
    EXPECT_TRUE(m_model->config().batchMode);
    EXPECT_FALSE(shown("projectNameField"));
    EXPECT_TRUE(shown("batchEditor"));
    EXPECT_TRUE(shown("batchPlaceholder"));
    EXPECT_FALSE(shown("sortHint"));

    typeBatch(GetParam().lines);
    const QString countLine = QString::fromUtf8(GetParam().countLine);
    EXPECT_EQ(shown("batchCount"), !countLine.isEmpty());
    if (!countLine.isEmpty()) {
        EXPECT_EQ(labelText("batchCount"), countLine);
    }
    EXPECT_EQ(labelText("previewCount"), QString::fromUtf8(GetParam().previewCount));
    EXPECT_EQ(m_window->createButton()->text(), QString::fromUtf8(GetParam().buttonTitle));
    EXPECT_FALSE(shown("batchPlaceholder"));

    // Switching back keeps both the name and the list.
    click(find<ToggleCard>("batchCard"));
    EXPECT_EQ(nameField()->text(), "Single");
    EXPECT_TRUE(m_model->config().batchNames.startsWith(GetParam().lines.first()));
}

INSTANTIATE_TEST_SUITE_P(
    Names, BatchModeTest,
    ::testing::Values(BatchCase{"OneName",
                                {"Alpha"},
                                "1 project worden aangemaakt",
                                "× 1 project",
                                "Maak 1 projecten →"},
                      BatchCase{"EmptyLineBetween",
                                {"Alpha", "", "Beta"},
                                "2 projecten worden aangemaakt",
                                "× 2 projecten",
                                "Maak 2 projecten →"},
                      BatchCase{"RepeatedAndSpaced",
                                {"A", "  B  ", "A"},
                                "3 projecten worden aangemaakt",
                                "× 3 projecten",
                                "Maak 3 projecten →"},
                      BatchCase{"BlankLinesOnly", {" ", "  "}, "", "", "Maak 1 projecten →"}),
    caseName);

class PlatformRowTest : public FormPanelTest, public ::testing::WithParamInterface<int> {};

TEST_P(PlatformRowTest, ClickSelectsOnlyThatRowAndClearsCustomTemplate)
{
    const int i = GetParam();
    ASSERT_TRUE(CustomTemplateStore::shared().save("Mine", m_model->resolvedTree()).ok());
    QCoreApplication::processEvents();
    click(m_window->formPanel()->customTemplateRows().first());
    EXPECT_EQ(platformSelection(), QList<bool>(6, false));

    click(m_window->formPanel()->platformRows()[i]);
    EXPECT_EQ(m_model->config().platform, allPlatformTemplates[size_t(i)]);
    EXPECT_FALSE(m_model->config().customTemplateID.has_value());
    QList<bool> expected(6, false);
    expected[i] = true;
    EXPECT_EQ(platformSelection(), expected);
    EXPECT_FALSE(m_window->formPanel()->customTemplateRows().first()->isSelected());

    // The type segment leaves the template choice alone.
    QPushButton *photo = nullptr;
    for (QPushButton *button : m_window->findChildren<QPushButton *>())
        if (button->text() == "Photo")
            photo = button;
    ASSERT_NE(photo, nullptr);
    click(photo);
    EXPECT_EQ(m_model->config().type, ProjectType::photo);
    EXPECT_EQ(platformSelection(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllSix, PlatformRowTest, ::testing::Range(0, 6), [](const ::testing::TestParamInfo<int> &info) {
        return rawValue(allPlatformTemplates[size_t(info.param)]).toStdString();
    });

class ExtraRowTest : public FormPanelTest, public ::testing::WithParamInterface<int> {};

TEST_P(ExtraRowTest, ClickTogglesTheFlag)
{
    ExtraRow *row = m_window->formPanel()->extraRows()[GetParam()];
    const ExtraFlag flag = row->flag();
    const bool before = m_model->config().extras.contains(flag);
    click(row);
    EXPECT_EQ(m_model->config().extras.contains(flag), !before);
    EXPECT_EQ(row->isChecked(), !before);
    QTest::keyClick(row, Qt::Key_Space);
    EXPECT_EQ(m_model->config().extras.contains(flag), before);
    EXPECT_EQ(row->isChecked(), before);
}

INSTANTIATE_TEST_SUITE_P(AllFive, ExtraRowTest, ::testing::Range(0, 5),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return rawValue(allExtraFlags[size_t(info.param)]).toStdString();
                         });

TEST_F(FormPanelTest, SavedTemplateHasThePreviewTreeAndCanBeSelectedAndDeleted)
{
    typeName("Shoot");
    EXPECT_FALSE(shown("customTemplateSection"));
    click(find<QPushButton>("openSaveTemplateButton"));
    EXPECT_TRUE(shown("templateNameField"));
    QTest::keyClicks(find<QLineEdit>("templateNameField"), "  Mijn template  ");
    click(find<QPushButton>("saveTemplateButton"));
    QCoreApplication::processEvents();

    const QList<CustomTemplate> &saved = CustomTemplateStore::shared().templates();
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved[0].name, "Mijn template");
    EXPECT_EQ(saved[0].roots.size(), m_model->resolvedTree().size());
    EXPECT_FALSE(m_window->formPanel()->isSaveTemplateFieldShown());
    EXPECT_FALSE(m_model->config().customTemplateID.has_value());
    ASSERT_TRUE(shown("customTemplateSection"));

    TemplateRow *row = m_window->formPanel()->customTemplateRows().first();
    EXPECT_EQ(row->text(), "Mijn template");
    click(row);
    EXPECT_EQ(m_model->config().customTemplateID, saved[0].id);
    EXPECT_TRUE(row->isSelected());

    click(qobject_cast<QToolButton *>(row->trailingWidget()));
    QCoreApplication::processEvents();
    EXPECT_TRUE(CustomTemplateStore::shared().templates().isEmpty());
    EXPECT_FALSE(m_model->config().customTemplateID.has_value());
    EXPECT_FALSE(shown("customTemplateSection"));
    EXPECT_TRUE(platformSelection()[int(m_model->config().platform)]);
}

TEST_F(FormPanelTest, TemplateThatCannotBeStoredGoesAgainAndSaysWhy)
{
    const QString folder = PreferenceSuite::standard().directory();
    ASSERT_TRUE(QDir().mkpath(folder));
    if (const int err = setImmutable(folder, true))
        GTEST_SKIP() << "the config folder cannot be made read-only here: " << std::strerror(err);
    struct Unlock {
        QString folder;
        ~Unlock() { setImmutable(folder, false); }
    } unlock{folder};

    click(find<QPushButton>("openSaveTemplateButton"));
    QTest::keyClicks(find<QLineEdit>("templateNameField"), "Kwijt");
    click(find<QPushButton>("saveTemplateButton"));
    EXPECT_EQ(CustomTemplateStore::shared().templates().size(), 1); // shown at once

    QTRY_VERIFY(m_model->errorMessage().has_value());
    EXPECT_TRUE(m_model->errorMessage()->endsWith(": geen toegang"));
    EXPECT_TRUE(m_window->errorBar()->isVisible());
    EXPECT_TRUE(CustomTemplateStore::shared().templates().isEmpty());
    EXPECT_FALSE(shown("customTemplateSection"));
}

TEST_F(FormPanelTest, BlankTemplateNameClosesFieldWithoutSaving)
{
    click(find<QPushButton>("openSaveTemplateButton"));
    QTest::keyClicks(find<QLineEdit>("templateNameField"), "   ");
    click(find<QPushButton>("saveTemplateButton"));
    EXPECT_TRUE(CustomTemplateStore::shared().templates().isEmpty());
    EXPECT_FALSE(shown("templateNameField"));
    EXPECT_TRUE(shown("openSaveTemplateButton"));

    // "×" also clears what was typed.
    click(find<QPushButton>("openSaveTemplateButton"));
    QTest::keyClicks(find<QLineEdit>("templateNameField"), "Draft");
    click(find<QPushButton>("dismissSaveTemplateButton"));
    click(find<QPushButton>("openSaveTemplateButton"));
    EXPECT_EQ(find<QLineEdit>("templateNameField")->text(), QString());
}

TEST_F(FormPanelTest, FieldRowsFollowTheTemplateAndTheirValuesAreRemembered)
{
    ASSERT_TRUE(PreferenceSuite::standard().remove(FieldValuesStore::key).ok());
    using K = FieldKind;
    CustomTemplate shoot{QUuid::createUuid(),
                         "Shoot",
                         "star.fill",
                         {},
                         QDateTime(),
                         "{teller}_{klant}_{naam}",
                         {{"klant", "Klant", K::text, true},
                          {"job", "Jobnummer", K::number},
                          {"dag", "Opnamedag", K::date, false, "2026-06-01", {}, "JJJJMMDD"},
                          {"soort", "Soort", K::choice, false, {}, {}, {}, {"Foto", "Video"}}}};
    CustomTemplate other{QUuid::createUuid(),
                         "Ander",
                         "star.fill",
                         {},
                         QDateTime(),
                         "{klant}_{foo}",
                         {{"klant", "Klant", K::text, true}}};
    auto &store = CustomTemplateStore::shared();
    ASSERT_TRUE(store.importJSON(CustomTemplateJson::encode({shoot, other})).ok());
    typeName("Zomer");
    click(m_window->formPanel()->customTemplateRows()[0]);

    FieldRows *rows = m_window->formPanel()->fieldRows();
    QStringList shownRows;
    for (QWidget *control : rows->controls())
        shownRows.append(control->metaObject()->className() + (" " + control->accessibleName()));
    EXPECT_EQ(shownRows, QStringList({"QLineEdit Klant", "QLineEdit Jobnummer",
                                      "QDateEdit Opnamedag", "QComboBox Soort"}));
    QList<QWidget *> tabbed;
    nameField()->setFocus();
    for (int i = 0; i < 8 && tabbed.size() < 4; ++i) { // Tab also steps through a date's parts
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (tabbed.isEmpty() || tabbed.last() != QApplication::focusWidget())
            tabbed.append(QApplication::focusWidget());
    }
    EXPECT_EQ(tabbed, rows->controls());
    EXPECT_FALSE(m_window->createButton()->isEnabled());
    EXPECT_EQ(labelText("problemText"), "Vul in: Klant");

    QTest::keyClicks(rows->control("klant"), "Nike");
    QTest::keyClicks(rows->control("job"), "0x7"); // the x is refused, the zero kept
    const QHash<QString, QString> typed{{"klant", "Nike"}, {"job", "07"}};
    EXPECT_EQ(m_model->config().fieldValues, typed);
    QTRY_COMPARE(labelText("counterLine"), "Volgnummer: 001");
    EXPECT_EQ(labelText("folderNameLine"), "→ 001_Nike_Zomer");
    EXPECT_TRUE(m_window->createButton()->isEnabled());
    EXPECT_FALSE(shown("problemText"));

    // Another template gets its own rows, a shared field keeps its value, and coming back
    // brings every typed value back.
    click(m_window->formPanel()->customTemplateRows()[1]);
    ASSERT_EQ(rows->controls().size(), 1);
    QTest::keyClicks(rows->control("klant"), "!");
    EXPECT_EQ(m_model->config().fieldValues, (QHash<QString, QString>{{"klant", "Nike!"}}));
    EXPECT_EQ(labelText("problemText"), "Onbekend veld: {foo}");
    click(m_window->formPanel()->customTemplateRows()[0]);
    EXPECT_EQ(m_model->config().fieldValues, typed);
    EXPECT_EQ(qobject_cast<QDateEdit *>(rows->control("dag"))->date(), QDate(2026, 6, 1));

    // A project made with them leaves them for the next window.
    click(m_window->createButton());
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_model->showSuccess(); }));
    PreferenceSuite::writer().waitForDone();
    EXPECT_EQ(FieldValuesStore::values(PreferenceSuite::standard(), shoot.id), typed);
}

TEST_F(FormPanelTest, SortCardFlipsSortingAndTheHint)
{
    EXPECT_TRUE(shown("sortHint"));
    click(find<ToggleCard>("sortCard"));
    EXPECT_FALSE(m_model->config().sortExistingFiles);
    EXPECT_FALSE(shown("sortHint"));
    click(find<ToggleCard>("sortCard"));
    EXPECT_TRUE(m_model->config().sortExistingFiles);
}

} // namespace
} // namespace bp::test
