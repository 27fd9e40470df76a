#include "stores/TemplateEquality.h"

#include "stores/CustomTemplateStore.h"
#include "views/TemplateEditorWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace bp {
namespace {

CustomFolderNode folder(const QString &name, QList<CustomFolderNode> children = {})
{
    return {QUuid::createUuid(), name, std::move(children)};
}

// "A(A1) B": names with their subfolders in brackets.
QString outline(const QList<CustomFolderNode> &nodes)
{
    QStringList parts;
    for (const CustomFolderNode &node : nodes)
        parts << node.name +
                     (node.children.isEmpty() ? QString() : '(' + outline(node.children) + ')');
    return parts.join(' ');
}

TEST(TemplateEditor, KeyboardEditsUndoBackToTheStartAndRedo)
{
    QTemporaryDir dir;
    PreferenceSuite suite(PreferenceSuite::standardName, dir.path());
    CustomTemplateStore store(suite);
    const CustomTemplate draft{QUuid::createUuid(),
                               "Shoot",
                               "star.fill",
                               {folder("A", {folder("A1")}), folder("B"), folder("C")},
                               {}};
    auto *window = new TemplateEditorWindow(store, draft);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTreeView *tree = window->treeView();
    const auto select = [&](const QString &name) {
        for (const QModelIndex &index :
             tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, name, 1,
                                  Qt::MatchExactly | Qt::MatchRecursive))
            tree->setCurrentIndex(index);
        tree->setFocus();
    };
    const auto press = [](QKeyCombination key) {
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        // The delegate commits a rename queued, and the window applies it queued.
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    };
    const auto type = [&](const QString &text) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        press(Qt::Key_Return);
    };
    QStringList seen{outline(window->current().roots)};
    const auto step = [&](const QString &expected) {
        seen << outline(window->current().roots);
        EXPECT_EQ(seen.last(), expected);
    };

    select("B");
    press(Qt::Key_F2);
    type("Bee");
    step("A(A1) Bee C");
    press(Qt::CTRL | Qt::Key_Up);
    step("Bee A(A1) C");
    press(Qt::CTRL | Qt::Key_Down);
    step("A(A1) Bee C");
    press(Qt::CTRL | Qt::Key_Right);
    step("A(A1 Bee) C");
    press(Qt::CTRL | Qt::Key_Left);
    step("A(A1) Bee C");
    press(Qt::Key_Delete);
    step("A(A1) C");
    EXPECT_EQ(window->treeModel()->idOf(tree->currentIndex()), draft.roots[2].id);
    press(Qt::CTRL | Qt::Key_N); // a subfolder of C, named at once
    type("D");
    step("A(A1) C(D)");
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_N);
    type("a");
    step("A(A1) C(D a)");
    EXPECT_TRUE(window->saveButton()->isEnabled());
    // A sibling that comes out under the same name is refused as you type.
    select("C");
    press(Qt::Key_F2);
    type("a");
    step("A(A1) a(D a)");
    EXPECT_FALSE(window->saveButton()->isEnabled());
    EXPECT_TRUE(window->message().contains("Zelfde naam")) << window->message().toStdString();
    // A drop asks the window for the move; the view itself removes nothing.
    TemplateTreeModel *model = window->treeModel();
    select("D");
    std::unique_ptr<QMimeData> dragged(model->mimeData({tree->currentIndex()}));
    EXPECT_FALSE(model->dropMimeData(dragged.get(), Qt::MoveAction, 0, 0, {}));
    press(Qt::Key_Shift);
    step("D A(A1) a(a)");

    int undone = 0;
    for (; window->undoStack().canUndo(); ++undone) {
        press(Qt::CTRL | Qt::Key_Z);
        EXPECT_EQ(outline(window->current().roots), seen[seen.size() - 2 - undone]);
    }
    EXPECT_EQ(undone, seen.size() - 1);
    EXPECT_EQ(window->current(), draft);
    EXPECT_FALSE(window->hasUnsavedEdits());
    while (window->undoStack().canRedo())
        press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_EQ(outline(window->current().roots), seen.last());
    delete window;
}

TEST(TemplateEditor, SavesUnderOneIdAndAsksBeforeDroppingEdits)
{
    QTemporaryDir dir;
    PreferenceSuite suite(PreferenceSuite::standardName, dir.path());
    CustomTemplateStore store(suite);
    CustomTemplate draft;
    draft.name = "Nieuw";
    draft.roots = {folder("{klant}_Deliverables")};
    draft.fields = {{"klant", "Klant", FieldKind::text, true, {}, {}, {}, {}}};
    QPointer<TemplateEditorWindow> window = new TemplateEditorWindow(store, draft);
    const auto rename = [&](const QString &name) {
        window->nameEdit()->setText(name);
        Q_EMIT window->nameEdit()->textEdited(name);
    };
    QList<TemplateEditorWindow::CloseAnswer> answers{TemplateEditorWindow::CloseAnswer::cancel,
                                                     TemplateEditorWindow::CloseAnswer::save};
    window->setAskOnClose([&](QWidget *) { return answers.takeFirst(); });

    // A new draft can be saved as it is, and gets an id and a date.
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!window->saveButton()->isEnabled());
    ASSERT_EQ(store.templates().size(), 1);
    const CustomTemplate saved = store.templates().first();
    EXPECT_FALSE(saved.id.isNull());
    EXPECT_TRUE(saved.createdAt.isValid());

    // Undoing to before the save still edits the saved template, never a copy.
    rename("Tweede");
    window->undoStack().undo();
    window->undoStack().undo();
    rename("Derde");
    window->close();
    EXPECT_FALSE(window.isNull()); // cancelled
    window->close();
    QTRY_VERIFY(window.isNull());
    EXPECT_TRUE(answers.isEmpty());
    ASSERT_EQ(store.templates().size(), 1);
    EXPECT_EQ(store.templates().first().id, saved.id);
    EXPECT_EQ(store.templates().first().name, "Derde");
}

} // namespace
} // namespace bp
