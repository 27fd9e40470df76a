#include "ViewTestSupport.h"

#include "stores/RecentFoldersStore.h"
#include "views/BPLogoView.h"
#include "views/DropTargetFrame.h"
#include "views/FolderSelector.h"
#include "views/PreviewTreeView.h"
#include "views/SuccessOverlay.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>

namespace bp::test {
namespace {

class ProjectSetupWindowTest : public WindowFixture {
protected:
    qreal createOpacity() const
    {
        auto *effect =
            qobject_cast<QGraphicsOpacityEffect *>(m_window->createButton()->graphicsEffect());
        return effect ? effect->opacity() : 1.0;
    }
    QString makeFolder(const QString &name) const
    {
        QDir(m_dir.path()).mkpath(name);
        return QDir(m_dir.path()).filePath(name);
    }
    void drop(const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(320, 240);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_window.get(), &enter);
        EXPECT_TRUE(m_model->isDragTargeted());
        EXPECT_TRUE(m_window->dropTargetFrame()->isVisible());
        QDropEvent dropEvent(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_window.get(), &dropEvent);
        EXPECT_TRUE(dropEvent.isAccepted());
        EXPECT_FALSE(m_model->isDragTargeted());
        QCoreApplication::processEvents();
    }
    QStringList menuTexts() const
    {
        QStringList texts;
        for (QAction *action : m_window->folderSelector()->menu()->actions())
            texts.append(action->isSeparator() ? QStringLiteral("--") : action->text());
        return texts;
    }
};

struct ButtonCase {
    bool batch;
    const char *name;
    const char *batchNames;
    bool hasTarget;
    const char *title;
    bool enabled;
};

void PrintTo(const ButtonCase &c, std::ostream *os)
{
    *os << (c.batch ? "batch " : "single ") << (c.hasTarget ? "target " : "no-target ") << c.title;
}

class CreateButtonTest : public ProjectSetupWindowTest,
                         public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(CreateButtonTest, TitleEnabledStateAndShortcutFollowCanCreate)
{
    const ButtonCase &c = GetParam();
    edit([&](ProjectConfig &config) {
        config.batchMode = c.batch;
        config.projectName = QString::fromUtf8(c.name);
        config.batchNames = QString::fromUtf8(c.batchNames);
        if (!c.hasTarget)
            config.targetFolderURL.reset();
        config.sortExistingFiles = false;
    });
    QPushButton *button = m_window->createButton();
    EXPECT_EQ(button->text(), QString::fromUtf8(c.title));
    EXPECT_EQ(button->isEnabled(), c.enabled);
    EXPECT_EQ(button->isEnabled(), m_model->canCreate());
    EXPECT_DOUBLE_EQ(createOpacity(), c.enabled ? 1.0 : 0.35);

    // The run can start and end within one pass of the event loop, so look at the button at
    // the moment the run starts rather than polling for it.
    bool sawRunning = false;
    QObject::connect(m_model.get(), &ProjectSetupModel::isCreatingChanged, button, [&] {
        if (m_model->isCreating()) {
            sawRunning = true;
            EXPECT_EQ(button->text(), "Aanmaken…");
            EXPECT_FALSE(button->isEnabled());
        }
    });
    // A shortcut presses the button at once and clicks it a moment later.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(button->isDown(), c.enabled);
    if (c.enabled) {
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_model->showSuccess(); }));
        EXPECT_TRUE(sawRunning);
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, CreateButtonTest,
    ::testing::Values(ButtonCase{false, "Shoot", "", true, "Maak structuur →", true},
                      ButtonCase{false, "Shoot", "", false, "Maak structuur →", false},
                      ButtonCase{false, "   ", "", true, "Maak structuur →", false},
                      ButtonCase{true, "Shoot", "", true, "Maak 1 projecten →", false},
                      ButtonCase{true, "", "Solo", true, "Maak 1 projecten →", true},
                      ButtonCase{true, "", "A\nB", true, "Maak 2 projecten →", true},
                      ButtonCase{true, "", " \n ", true, "Maak 1 projecten →", false}));

TEST_F(ProjectSetupWindowTest, RunShowsBusyTitleThenTheOverlay)
{
    edit([](ProjectConfig &c) {
        c.projectName = "Shoot";
        c.sortExistingFiles = false;
    });
    QTest::mouseClick(m_window->createButton(), Qt::LeftButton);
    EXPECT_EQ(m_window->createButton()->text(), "Aanmaken…");
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_host.closes > 0; }));
    EXPECT_TRUE(m_window->successOverlay()->isVisible());
    EXPECT_EQ(m_window->successOverlay()->message(), "Structuur aangemaakt!");
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_window->successOverlay()->opacity() >= 1.0; }));
    ASSERT_EQ(m_host.revealed.size(), 1);
    EXPECT_TRUE(QFileInfo(m_host.revealed[0]).isDir());
}

TEST_F(ProjectSetupWindowTest, FailureShowsTheErrorBarAndReenablesTheButton)
{
    QFile blocker(QDir(m_dir.path()).filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    edit([&](ProjectConfig &c) {
        c.projectName = "Shoot";
        c.targetFolderURL = blocker.fileName();
    });
    EXPECT_FALSE(m_window->errorBar()->isVisible());
    QTest::mouseClick(m_window->createButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_model->isCreating(); }));
    EXPECT_TRUE(m_window->errorBar()->isVisible());
    EXPECT_EQ(labelText("errorText"), m_model->errorMessage().value_or("missing"));
    EXPECT_FALSE(labelText("errorText").isEmpty());
    EXPECT_TRUE(m_window->createButton()->isEnabled());
    EXPECT_EQ(m_window->createButton()->text(), "Maak structuur →");
    EXPECT_FALSE(m_window->successOverlay()->isVisible());
    EXPECT_EQ(m_host.closes, 0);
}

TEST_F(ProjectSetupWindowTest, DroppedFolderBecomesTargetAndFirstRecent)
{
    const QString first = makeFolder("Dropped");
    const QString second = makeFolder("Ignored");
    drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    EXPECT_EQ(m_model->config().targetFolderURL, first);
    EXPECT_EQ(RecentFoldersStore::shared().folders().value(0), first);
    EXPECT_EQ(m_window->folderSelector()->labelText(), "Dropped");
    EXPECT_TRUE(menuTexts().contains("Recent"));
    EXPECT_TRUE(menuTexts().contains("Dropped"));
}

TEST_F(ProjectSetupWindowTest, DroppedFileChangesNothing)
{
    QFile file(QDir(m_dir.path()).filePath("photo.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const auto before = m_model->config().targetFolderURL;
    drop({QUrl::fromLocalFile(file.fileName())});
    EXPECT_EQ(m_model->config().targetFolderURL, before);
}

TEST_F(ProjectSetupWindowTest, FolderMenuOffersPickerThenRecentFolders)
{
    edit([](ProjectConfig &c) { c.targetFolderURL.reset(); });
    EXPECT_EQ(m_window->folderSelector()->labelText(), "Kies map…");
    EXPECT_EQ(menuTexts().value(0), "Map kiezen…");

    const QString chosen = makeFolder("Picked");
    m_window->folderSelector()->setPicker([&](QWidget *) { return std::optional(chosen); });
    m_window->folderSelector()->menu()->actions().first()->trigger();
    EXPECT_EQ(m_model->config().targetFolderURL, chosen);
    const QStringList texts = menuTexts();
    EXPECT_EQ(texts.mid(0, 3), QStringList({"Andere map kiezen…", "--", "Recent"}));
    EXPECT_EQ(texts.value(3), "Picked");

    // A cancelled picker changes nothing.
    m_window->folderSelector()->setPicker([](QWidget *) { return std::optional<QString>(); });
    m_window->folderSelector()->menu()->actions().first()->trigger();
    EXPECT_EQ(m_model->config().targetFolderURL, chosen);

    // Choosing a recent folder makes it the target and the first recent entry.
    const QString other = makeFolder("Other");
    RecentFoldersStore::shared().add(other);
    QAction *picked = nullptr;
    for (QAction *action : m_window->folderSelector()->menu()->actions())
        if (action->data().toString() == chosen)
            picked = action;
    ASSERT_NE(picked, nullptr);
    picked->trigger();
    EXPECT_EQ(RecentFoldersStore::shared().folders().value(0), chosen);
}

TEST_F(ProjectSetupWindowTest, EscapeCancels)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(m_window->cancelButton()->isDown());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_window->isVisible(); }));
}

TEST_F(ProjectSetupWindowTest, DragLeaveClearsTheBorder)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(m_dir.path())});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(m_window.get(), &enter);
    EXPECT_TRUE(m_window->dropTargetFrame()->isVisible());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(m_window.get(), &leave);
    EXPECT_FALSE(m_window->dropTargetFrame()->isVisible());

    QMimeData text;
    text.setText("plain");
    QDragEnterEvent textEnter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(m_window.get(), &textEnter);
    EXPECT_FALSE(m_model->isDragTargeted());
}

} // namespace
} // namespace bp::test

namespace bp::test {
namespace {

class AccessibilityTest : public ProjectSetupWindowTest {};

TEST_F(AccessibilityTest, EveryVisibleControlHasAName)
{
    ASSERT_TRUE(CustomTemplateStore::shared().save("Mijn template", {}).ok());
    QCoreApplication::processEvents();
    const QList<QWidget *> widgets = m_window->findChildren<QWidget *>();
    int checked = 0;
    for (QWidget *widget : widgets) {
        const bool control = qobject_cast<QAbstractButton *>(widget) ||
                             widget->inherits("QLineEdit") || widget->inherits("QPlainTextEdit") ||
                             widget->inherits("QTreeView");
        if (!control || !widget->isVisibleTo(m_window.get()))
            continue;
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(iface, nullptr);
        EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty())
            << widget->metaObject()->className() << " " << widget->objectName().toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 20);
    QAccessibleInterface *logo =
        QAccessible::queryAccessibleInterface(m_window->findChild<BPLogoView *>());
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->role(), QAccessible::Graphic);
    EXPECT_EQ(logo->text(QAccessible::Name), "Brindlepath");
}

TEST_F(AccessibilityTest, TabWalksTopToBottomAndReachesTheButtons)
{
    edit([](ProjectConfig &c) { c.projectName = "Shoot"; });
    QWidget *start = m_window->folderSelector();
    start->setFocus();
    QList<QWidget *> visited{start};
    for (int i = 0; i < 60 && visited.last() != m_window->createButton(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget());
    }
    ASSERT_EQ(visited.last(), m_window->createButton());
    EXPECT_EQ(visited[visited.size() - 2], m_window->cancelButton());
    // Within the form each stop lies at or below the previous one.
    int lastY = -1;
    for (QWidget *widget : visited) {
        if (!m_window->formPanel()->widget()->isAncestorOf(widget))
            continue;
        const int y = widget->mapTo(m_window->formPanel()->widget(), QPoint(0, 0)).y();
        EXPECT_GE(y, lastY) << widget->metaObject()->className();
        lastY = y;
    }
    EXPECT_TRUE(visited.contains(m_window->previewPanel()->treeView()));
}

} // namespace
} // namespace bp::test
