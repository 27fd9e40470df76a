#include "views/FieldListEditor.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>

namespace bp::test {
namespace {

class FieldListEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FieldDefinition klant;
        klant.key = QStringLiteral("klant");
        klant.label = QStringLiteral("Klant");
        editor.setFields({klant});
        editor.show();
        editor.activateWindow(); // key presses reach only the active window
        ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    }
    template <typename T> T *find(const char *name)
    {
        T *widget = editor.findChild<T *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QStringList keys() const
    {
        QStringList keys;
        for (const FieldDefinition &field : editor.fields())
            keys.append(field.key);
        return keys;
    }

    FieldListEditor editor;
    QSignalSpy edited{&editor, &FieldListEditor::edited};
};

// Each finished edit is reported once, typing is one edit however long, and what the form
// shows is what fields() gives.
TEST_F(FieldListEditorTest, EditsFieldsThroughTheFormOneEditAtATime)
{
    EXPECT_EQ(edited.count(), 0) << "setting fields is no user edit";
    auto *key = find<QLineEdit>("fieldKey");
    auto *kind = find<QComboBox>("fieldKind");
    auto *choices = find<QPlainTextEdit>("fieldChoices");
    auto *defaults = find<QLineEdit>("fieldDefault");
    auto *message = find<QLabel>("fieldMessage");

    QTest::mouseClick(find<QPushButton>("addFieldButton"), Qt::LeftButton);
    EXPECT_EQ(keys(), QStringList({"klant", "veld"}));
    ASSERT_TRUE(key->hasFocus());
    QTest::keyClicks(key, QStringLiteral("soort"));
    EXPECT_EQ(edited.count(), 1) << "typing is not finished yet";
    kind->setFocus();
    QTest::keyClick(kind, Qt::Key_End); // Keuze
    EXPECT_EQ(edited.count(), 3) << "the key, then the kind";
    EXPECT_EQ(message->text(), QStringLiteral("Geef minstens één keuze"));
    EXPECT_EQ(editor.problem(), QStringLiteral("Veld „Nieuw veld”: Geef minstens één keuze"));

    choices->setFocus();
    QTest::keyClicks(choices, QStringLiteral("Foto"));
    QTest::keyClick(choices, Qt::Key_Return);
    QTest::keyClicks(choices, QStringLiteral(" Video "));
    QTest::keyClick(choices, Qt::Key_Tab);
    EXPECT_EQ(edited.count(), 4);
    FieldDefinition made = editor.fields().at(1);
    EXPECT_EQ(made.key, QStringLiteral("soort"));
    EXPECT_EQ(made.kind, FieldKind::choice);
    EXPECT_EQ(made.choices, QStringList({"Foto", "Video"}));
    EXPECT_FALSE(editor.problem());

    defaults->setFocus();
    QTest::keyClicks(defaults, QStringLiteral("Audio"));
    EXPECT_EQ(message->text(), QStringLiteral("Standaard staat niet bij de keuzes"));
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(defaults->accessibleDescription(), message->text());
    defaults->selectAll();
    QTest::keyClick(defaults, Qt::Key_Backspace);
    QTest::keyClick(defaults, Qt::Key_Return);
    EXPECT_EQ(edited.count(), 5);
    EXPECT_FALSE(message->isVisible());

    // The window's tree editor takes the same keys; the list has them while it has focus.
    QShortcut treeMove(QKeySequence(Qt::CTRL | Qt::Key_Up), &editor);
    auto *list = find<QListWidget>("fieldList");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(keys(), QStringList({"soort", "klant"}));
    EXPECT_EQ(list->currentRow(), 0) << "the moved field stays selected";
    EXPECT_EQ(edited.count(), 6);

    // A text field keeps no choices, however often the kind changed.
    kind->setCurrentIndex(0);
    EXPECT_TRUE(editor.fields().at(0).choices.isEmpty());
    EXPECT_EQ(edited.count(), 7);

    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(keys(), QStringList({"klant"}));
    EXPECT_EQ(edited.count(), 8);
}

// Tokens go in where the cursor is; a key that no field has is named as it is typed.
TEST_F(FieldListEditorTest, InsertsTokensAtTheCursorAndNamesUnknownOnes)
{
    auto *pattern = find<QLineEdit>("projectNamePattern");
    auto *message = find<QLabel>("patternMessage");
    editor.setPattern(QStringLiteral("{datum}_"));
    pattern->setCursorPosition(0);
    QMenu *menu = find<QPushButton>("insertTokenButton")->menu();
    Q_EMIT menu->aboutToShow();
    const QList<QAction *> actions = menu->actions();
    const auto klant = std::find_if(actions.begin(), actions.end(), [](QAction *action) {
        return action->text().startsWith(QStringLiteral("{klant}"));
    });
    ASSERT_NE(klant, actions.end());
    (*klant)->trigger();
    EXPECT_EQ(editor.pattern(), QStringLiteral("{klant}{datum}_"));
    EXPECT_EQ(edited.count(), 1);
    EXPECT_FALSE(message->isVisible());

    pattern->setCursorPosition(int(pattern->text().size()));
    QTest::keyClicks(pattern, QStringLiteral("{regio}"));
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), QStringLiteral("Onbekend veld {regio}"));
    EXPECT_EQ(pattern->accessibleDescription(), message->text());
    EXPECT_EQ(editor.problem(), QStringLiteral("Naam van de projectmap: Onbekend veld {regio}"));
    QTest::keyClick(pattern, Qt::Key_Backspace);
    EXPECT_EQ(message->text(), QStringLiteral("De { bij teken 16 wordt niet gesloten"));
}

// A window closing takes focus from a line still being typed in; the window may be half
// destroyed by then, so no edit may reach it.
TEST(FieldListEditorInWindow, ReportsNoEditWhileItsWindowCloses)
{
    QWidget window;
    auto *editor = new FieldListEditor(&window);
    QSignalSpy edited(editor, &FieldListEditor::edited);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto *pattern = editor->findChild<QLineEdit *>(QStringLiteral("projectNamePattern"));
    pattern->setFocus();
    QTest::keyClicks(pattern, QStringLiteral("{naam}"));
    window.close();
    EXPECT_EQ(edited.count(), 0);
    EXPECT_EQ(editor->pattern(), QStringLiteral("{naam}"));
}

} // namespace
} // namespace bp::test
