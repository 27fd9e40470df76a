#include "stores/TemplateEquality.h"

#include "model/TemplateFiles.h"
#include "stores/CustomTemplateStore.h"
#include "views/TemplateEditorWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
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

TEST(TemplateEditor, FilesAreAddedRenamedMarkedForFillingInUndoneAndStoredOnSave)
{
    QTemporaryDir dir;
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
    PreferenceSuite suite(PreferenceSuite::standardName, dir.path());
    CustomTemplateStore store(suite);
    const QByteArray text = "Hallo {naam}\r\nTot ziens\r\n";
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return file.fileName();
    };
    const QString brief = write("brief.txt", text);
    const QString logo = write("logo.png", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
    const CustomTemplate draft{
        QUuid::createUuid(), "Shoot", "star.fill", {folder("A", {folder("A1")})}, {}};
    auto window = std::make_unique<TemplateEditorWindow>(store, draft);
    TemplateTreeModel *model = window->treeModel();
    const QUuid a1 = draft.roots[0].children[0].id;
    const auto files = [&] { return window->current().roots[0].children[0].files; };
    const auto select = [&](int file) {
        window->treeView()->setCurrentIndex(model->indexForId(TemplateTree::fileRowId(a1, file)));
    };

    // Dropped from a file manager onto A1; the folder among them is left out.
    QMimeData dropped;
    dropped.setUrls(
        {QUrl::fromLocalFile(brief), QUrl::fromLocalFile(logo), QUrl::fromLocalFile(dir.path())});
    EXPECT_TRUE(model->canDropMimeData(&dropped, Qt::CopyAction, -1, 0, model->indexForId(a1)));
    model->dropMimeData(&dropped, Qt::CopyAction, -1, 0, model->indexForId(a1));
    QCoreApplication::processEvents();
    ASSERT_EQ(files(),
              (QList<TemplateFile>{{"brief.txt", brief, false}, {"logo.png", logo, false}}));
    EXPECT_EQ(model->indexForId(TemplateTree::fileRowId(a1, 1)).data(Qt::AccessibleTextRole),
              "Bestand: logo.png");
    model->setData(model->indexForId(TemplateTree::fileRowId(a1, 0)), "{naam}_brief.txt");
    QCoreApplication::processEvents();
    EXPECT_EQ(files()[0].name, "{naam}_brief.txt");
    // A file may not take a name its folder already gives another.
    model->setData(model->indexForId(TemplateTree::fileRowId(a1, 1)), "{naam}_BRIEF.txt");
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->message().contains("Zelfde naam")) << window->message().toStdString();
    window->undoStack().undo();

    select(1);
    EXPECT_FALSE(window->setRenderCurrent(true)); // not text
    EXPECT_FALSE(window->renderToggle()->isEnabled());
    EXPECT_FALSE(window->renderToggle()->toolTip().isEmpty());
    select(0);
    EXPECT_TRUE(window->renderToggle()->isEnabled());
    EXPECT_TRUE(window->setRenderCurrent(true));
    window->shiftCurrent(1);
    const QList<TemplateFile> edited = files();
    EXPECT_EQ(edited[1], (TemplateFile{"{naam}_brief.txt", brief, true}));

    while (window->undoStack().canUndo())
        window->undoStack().undo();
    EXPECT_EQ(window->current(), draft);
    while (window->undoStack().canRedo())
        window->undoStack().redo();
    ASSERT_EQ(files(), edited);

    window->save();
    QTRY_COMPARE(store.templates().size(), 1);
    const QList<TemplateFile> stored = store.templates()[0].roots[0].children[0].files;
    ASSERT_EQ(stored.size(), 2);
    EXPECT_FALSE(TemplateFiles::sourceProblem(stored[1].source)) << stored[1].source.toStdString();
    QFile copy(QDir(TemplateFiles::ownFolder(draft.id)).filePath(stored[1].source));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), text);
    QTRY_VERIFY(!window->hasUnsavedEdits()); // the window holds the stored sources too
    qputenv("XDG_DATA_HOME", savedHome);
}

} // namespace
} // namespace bp
