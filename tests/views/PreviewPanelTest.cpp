#include "ViewTestSupport.h"

#include "views/PreviewPanel.h"
#include "views/PreviewTreeModel.h"
#include "views/PreviewTreeView.h"

#include <QAccessible>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVariantAnimation>

namespace bp::test {
namespace {

FolderNode folder(const QString &name, QList<FolderNode> children = {})
{
    FolderNode node;
    node.name = name;
    node.children = std::move(children);
    return node;
}

struct HeaderCase {
    const char *name;
    bool batch;
    const char *projectName;
    const char *batchNames;
    const char *count;
    const char *note;
};

class PreviewTextTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(PreviewTextTest, HeaderCountAndBatchNote)
{
    ProjectConfig config;
    config.batchMode = GetParam().batch;
    config.projectName = QString::fromUtf8(GetParam().projectName);
    config.batchNames = QString::fromUtf8(GetParam().batchNames);
    // A tree of 3 top folders, one with 2 subfolders.
    const QList<FolderNode> tree{folder("A", {folder("A1"), folder("A2")}), folder("B"),
                                 folder("C")};
    EXPECT_EQ(PreviewPanel::countText(config, tree), QString::fromUtf8(GetParam().count));
    EXPECT_EQ(PreviewPanel::batchNote(config), QString::fromUtf8(GetParam().note));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PreviewTextTest,
    ::testing::Values(HeaderCase{"SingleNamed", false, "Shoot", "", "6 mappen", ""},
                      HeaderCase{"SingleBlank", false, "   ", "", "", ""},
                      HeaderCase{"BatchEmpty", true, "Shoot", "", "", ""},
                      HeaderCase{"BatchOne", true, "", "One\n", "× 1 project", ""},
                      HeaderCase{"BatchTwo", true, "", "One\n\nTwo", "× 2 projecten",
                                 "+ 1 meer project met dezelfde structuur"},
                      HeaderCase{"BatchThree", true, "", "One\nTwo\n  \nThree", "× 3 projecten",
                                 "+ 2 meer projecten met dezelfde structuur"}),
    caseName);

TEST(PreviewRootNameTest, BatchModeNamesTheFirstProject)
{
    ProjectConfig config;
    config.projectName = "Ignored";
    config.batchMode = true;
    config.batchNames = "\n  First \nSecond";
    EXPECT_EQ(PreviewPanel::rootName(config),
              FolderCreator::projectFolderName("First", QDateTime::currentDateTime()));
}

TEST(PreviewTreeModelTest, FilesComeAfterSubfoldersWithTheirOwnNotes)
{
    FolderNode a = folder("A", {folder("A1")});
    a.files = {{"a.txt", "/t/a", false}, {"b.txt", "/t/b", false}};
    a.children[0].files = {{"{foo}.txt", "/t/c", false}};
    FolderNode b = folder("B");
    b.files = {{"d.txt", "/t/d", false}};
    PreviewTreeMarks marks;
    marks.folders.resize(3);
    marks.folders[2].changes = ComponentChange::trimmedEnd; // B
    marks.files.resize(4);
    marks.files[2].problems = {NameProblem{}}; // A1's file, counted after A's
    PreviewTreeModel model;
    model.setContents("Root", {a, b}, {}, marks);
    const auto at = [&](std::initializer_list<int> rows) {
        QModelIndex index = model.index(0, 0);
        for (int row : rows)
            index = model.index(row, 0, index);
        return index;
    };
    EXPECT_EQ(model.rowCount(at({0})), 3);
    EXPECT_EQ(at({0, 2}).data(Qt::AccessibleTextRole), "Bestand: b.txt");
    EXPECT_TRUE(at({0, 2}).data(PreviewTreeModel::IsFileRole).toBool());
    EXPECT_TRUE(at({0, 0, 0}).data(PreviewTreeModel::ProblemRole).toBool());
    EXPECT_TRUE(at({1}).data(PreviewTreeModel::ChangedRole).toBool());
    // A file renamed in place: the rows stay, its mark follows.
    a.children[0].files[0].name = "c.txt";
    marks.files[2].problems.clear();
    EXPECT_EQ(model.setContents("Root", {a, b}, {}, marks), PreviewTreeModel::Change::inPlace);
    EXPECT_EQ(at({0, 0, 0}).data().toString(), "c.txt");
    EXPECT_FALSE(at({0, 0, 0}).data(PreviewTreeModel::ProblemRole).toBool());
    b.files.append({"e.txt", "/t/e", false});
    EXPECT_EQ(model.setContents("Root", {a, b}, {}, marks), PreviewTreeModel::Change::reset);
}

class PreviewTreeTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        const QList<FolderNode> tree{folder("A", {folder("A1", {folder("A1x")}), folder("A2")}),
                                     folder("B"), folder("C")};
        auto saved = CustomTemplateStore::shared().save("Tree", tree);
        ASSERT_TRUE(saved.ok());
        edit([&](ProjectConfig &c) {
            c.projectName = "Shoot";
            c.customTemplateID = saved.value();
        });
        m_view = m_window->previewPanel()->treeView();
    }

    QModelIndex row(const QStringList &path) const
    {
        QModelIndex index = m_view->model()->index(0, 0);
        for (const QString &name : path) {
            QModelIndex found;
            for (int r = 0; r < m_view->model()->rowCount(index); ++r)
                if (m_view->model()->index(r, 0, index).data().toString() == name)
                    found = m_view->model()->index(r, 0, index);
            index = found;
        }
        return index;
    }
    void clickExpander(const QModelIndex &index)
    {
        m_view->scrollTo(index);
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {},
                          m_view->expanderRect(index).center());
    }

    QImage below(const QModelIndex &index) const
    {
        const int top = m_view->visualRect(index).bottom() + 1;
        const QRect area(0, top, m_view->viewport()->width(), m_view->viewport()->height() - top);
        return m_view->viewport()->grab(area).toImage();
    }

    PreviewTreeView *m_view = nullptr;
};

TEST_F(PreviewTreeTest, RowsKeepTheirMarginsIndentsAndNoteSpacing)
{
    ASSERT_FALSE(m_view->verticalScrollBar()->isVisible());
    EXPECT_EQ(m_view->viewport()->geometry(), m_view->rect().adjusted(14, 14, -14, -14));

    edit([](ProjectConfig &c) {
        c.batchMode = true;
        c.batchNames = "One\nTwo";
    });
    SymbolRecorder symbols;
    static_cast<void>(m_view->viewport()->grab());
    // Each 10-wide expander starts 4 after the last 16-wide guide column; the root has none.
    const QList<QRectF> chevrons = symbols.find("chevron.down", m_view->viewport());
    for (const auto &[path, depth] : QList<QPair<QStringList, int>>{{{}, 0}, {{"A", "A1"}, 2}}) {
        const QRect rowRect = m_view->visualRect(row(path));
        const auto chevron = std::find_if(chevrons.begin(), chevrons.end(), [&](const QRectF &r) {
            return rowRect.contains(r.center().toPoint());
        });
        ASSERT_NE(chevron, chevrons.end());
        EXPECT_EQ(chevron->center().x(), depth * 16 + (depth > 0 ? 4 : 0) + 5) << depth;
    }
    // The batch note: 8 below the tree, indented 4.
    const QRect note = m_view->visualRect(m_view->model()->index(1, 0));
    const QList<QRectF> noteIcon = symbols.find("square.on.square", m_view->viewport());
    ASSERT_EQ(noteIcon.size(), 1);
    EXPECT_GE(noteIcon[0].top(), note.top() + 8);
    EXPECT_EQ(noteIcon[0].left(), note.left() + 4);
}

struct SlideCase {
    const char *name;
    bool startsOpen;
};

class RowSlideTest : public PreviewTreeTest, public ::testing::WithParamInterface<SlideCase> {};

TEST_P(RowSlideTest, RowsBelowMoveOverTheToggleTime)
{
    const QModelIndex a = row({"A"});
    QVariantAnimation *slide = m_view->rowAnimation();
    if (!GetParam().startsOpen) {
        clickExpander(a);
        slide->setCurrentTime(slide->duration());
    }
    const QImage before = below(a);
    clickExpander(a);
    ASSERT_EQ(slide->state(), QAbstractAnimation::Running);
    EXPECT_EQ(slide->duration(), 140);
    // Nothing has moved yet; half-way the rows are in between.
    EXPECT_EQ(below(a), before);
    slide->setCurrentTime(slide->duration() / 2);
    const QImage halfway = below(a);
    slide->setCurrentTime(slide->duration());
    EXPECT_NE(halfway, before);
    EXPECT_NE(halfway, below(a));
}

INSTANTIATE_TEST_SUITE_P(Directions, RowSlideTest,
                         ::testing::Values(SlideCase{"Collapse", true}, SlideCase{"Expand", false}),
                         caseName);

TEST_F(PreviewTreeTest, StartsFullyExpandedUnderTheProjectFolder)
{
    EXPECT_EQ(labelText("previewCount"), "7 mappen");
    const QModelIndex root = m_view->model()->index(0, 0);
    EXPECT_EQ(root.data().toString(), folderName("Shoot"));
    EXPECT_EQ(m_view->model()->rowCount(root), 3);
    EXPECT_TRUE(m_view->isExpanded(root));
    EXPECT_TRUE(m_view->isExpanded(row({"A", "A1"})));
}

TEST_F(PreviewTreeTest, CollapsingForgetsTheStateOfHiddenRows)
{
    clickExpander(row({"A", "A1"}));
    EXPECT_FALSE(m_view->isExpanded(row({"A", "A1"})));
    clickExpander(row({"A"}));
    EXPECT_FALSE(m_view->isExpanded(row({"A"})));
    clickExpander(row({"A"}));
    EXPECT_TRUE(m_view->isExpanded(row({"A"})));
    EXPECT_TRUE(m_view->isExpanded(row({"A", "A1"})));
}

TEST_F(PreviewTreeTest, KeyboardCollapsesAndExpandsTheCurrentRow)
{
    m_view->setFocus();
    m_view->setCurrentIndex(row({"A"}));
    QTest::keyClick(m_view, Qt::Key_Left);
    EXPECT_FALSE(m_view->isExpanded(row({"A"})));
    QTest::keyClick(m_view, Qt::Key_Right);
    EXPECT_TRUE(m_view->isExpanded(row({"A"})));
}

TEST_F(PreviewTreeTest, CollapsedBuiltInRowSurvivesTyping)
{
    edit([](ProjectConfig &c) { c.customTemplateID.reset(); });
    const QModelIndex root = m_view->model()->index(0, 0);
    QModelIndex parent;
    for (int r = 0; r < m_view->model()->rowCount(root) && !parent.isValid(); ++r)
        if (m_view->model()->hasChildren(m_view->model()->index(r, 0, root)))
            parent = m_view->model()->index(r, 0, root);
    ASSERT_TRUE(parent.isValid());
    const QString name = parent.data().toString();
    clickExpander(parent);
    edit([](ProjectConfig &c) { c.projectName += "X"; });
    EXPECT_EQ(m_view->model()->index(0, 0).data().toString(), folderName("ShootX"));
    EXPECT_FALSE(m_view->isExpanded(row({name})));
}

TEST_F(PreviewTreeTest, RowsThatComeBackWithFreshIdsStartExpanded)
{
    clickExpander(row({"A"}));
    // A tree handed in with new node ids counts as new rows.
    m_view->setContents(
        "Root",
        {folder("A", {folder("A1", {folder("A1x")}), folder("A2")}), folder("B"), folder("C")}, {});
    EXPECT_TRUE(m_view->isExpanded(row({"A"})));
    EXPECT_TRUE(m_view->collapsedIds().isEmpty());
}

TEST_F(PreviewTreeTest, MarksChangedAndBrokenNamesAndTypingKeepsTheRows)
{
    CustomTemplate marked{QUuid::createUuid(), "Marked", "star.fill", {}, {}};
    marked.projectNamePattern = "{klant}_{naam}_{bar}";
    marked.fields.resize(1);
    marked.fields[0].key = "klant";
    marked.fields[0].defaultValue = "Nike";
    const auto node = [](const QString &name, QList<CustomFolderNode> children = {}) {
        return CustomFolderNode{QUuid::createUuid(), name, children};
    };
    marked.roots = {node("{klant}", {node("Map:{naam}"), node("{foo}")})};
    ASSERT_TRUE(
        CustomTemplateStore::shared().importJSON(CustomTemplateJson::encode({marked})).ok());
    edit([&](ProjectConfig &c) { c.customTemplateID = marked.id; });

    const QAbstractItemModel *model = m_view->model();
    EXPECT_EQ(model->index(0, 0).data().toString(), "Nike_Shoot_{bar}");
    QAccessibleInterface *tree = QAccessible::queryAccessibleInterface(m_view);
    const auto description = [&](const QString &name) {
        for (int i = 0; i < tree->childCount(); ++i)
            if (tree->child(i)->text(QAccessible::Name) == name)
                return tree->child(i)->text(QAccessible::Description);
        return QString("no row " + name);
    };
    for (const auto &[path, name, problem, why] :
         QList<std::tuple<QStringList, QString, bool, QString>>{
             {{}, "Nike_Shoot_{bar}", true, "Onbekend veld: {bar}"},
             {{"Nike", "Map-Shoot"}, "Map-Shoot", false, "Teken vervangen door -"},
             {{"Nike", "{foo}"}, "{foo}", true, "Onbekend veld: {foo}"}}) {
        EXPECT_EQ(row(path).data(PreviewTreeModel::ProblemRole).toBool(), problem)
            << name.toStdString();
        EXPECT_EQ(row(path).data(Qt::ToolTipRole).toString(), why) << name.toStdString();
        EXPECT_EQ(description(name), why);
    }
    SymbolRecorder symbols;
    static_cast<void>(m_view->viewport()->grab());
    EXPECT_EQ(symbols.find("exclamationmark.triangle.fill", m_view->viewport()).size(), 2);
    EXPECT_EQ(symbols.find("info.circle", m_view->viewport()).size(), 1);

    // Typing renames the rows in place: no reset, the collapsed row and the current row stay.
    clickExpander(row({"Nike"}));
    m_view->setCurrentIndex(row({"Nike"}));
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    edit([](ProjectConfig &c) { c.projectName = "Zomer"; });
    EXPECT_EQ(resets.count(), 0);
    EXPECT_FALSE(m_view->isExpanded(row({"Nike"})));
    EXPECT_EQ(m_view->currentIndex(), row({"Nike"}));
    EXPECT_EQ(model->index(0, 0).data().toString(), "Nike_Zomer_{bar}");
    EXPECT_TRUE(row({"Nike", "Map-Zomer"}).isValid());
}

TEST_F(PreviewTreeTest, BatchNoteFollowsTheTree)
{
    edit([](ProjectConfig &c) {
        c.batchMode = true;
        c.batchNames = "One\nTwo\nThree";
    });
    QAbstractItemModel *model = m_view->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), folderName("One"));
    EXPECT_TRUE(model->index(1, 0).data(PreviewTreeModel::IsNoteRole).toBool());
    EXPECT_EQ(model->index(1, 0).data().toString(), "+ 2 meer projecten met dezelfde structuur");
    edit([](ProjectConfig &c) { c.batchNames = ""; });
    EXPECT_TRUE(m_window->previewPanel()->showsEmptyState());
    EXPECT_EQ(labelText("previewEmptyText"), "Voer projectnamen in");
}

} // namespace
} // namespace bp::test
