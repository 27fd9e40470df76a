#include "ViewTestSupport.h"

#include "app/StandaloneWindowHost.h"

#include "stores/RecentFoldersStore.h"
#include "views/BPLogoView.h"
#include "views/DropTargetFrame.h"
#include "views/FolderSelector.h"
#include "views/PreviewTreeView.h"
#include "views/SuccessOverlay.h"
#include "views/TemplateRow.h"

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
    const char *name;
    bool batch;
    const char *projectName;
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
        config.projectName = QString::fromUtf8(c.projectName);
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
    ::testing::Values(
        ButtonCase{"SingleNamed", false, "Shoot", "", true, "Maak structuur →", true},
        ButtonCase{"SingleWithoutTarget", false, "Shoot", "", false, "Maak structuur →", false},
        ButtonCase{"SingleBlankName", false, "   ", "", true, "Maak structuur →", false},
        ButtonCase{"BatchWithoutNames", true, "Shoot", "", true, "Maak 1 projecten →", false},
        ButtonCase{"BatchOneName", true, "", "Solo", true, "Maak 1 projecten →", true},
        ButtonCase{"BatchTwoNames", true, "", "A\nB", true, "Maak 2 projecten →", true},
        ButtonCase{"BatchBlankLines", true, "", " \n ", true, "Maak 1 projecten →", false}),
    caseName);

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

TEST_F(ProjectSetupWindowTest, TheImportOfferKeepsTheKeysInsideTheOverlay)
{
    m_host.offers = true;
    edit([](ProjectConfig &c) {
        c.projectName = "Shoot";
        c.sortExistingFiles = false;
    });
    QTest::mouseClick(m_window->createButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_model->offloadOffer().has_value(); }));
    auto *import = find<QPushButton>("importCardButton");
    auto *close = find<QPushButton>("successCloseButton");
    EXPECT_EQ(QApplication::focusWidget(), import);
    QTest::keyClick(import, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), close);
    QTest::keyClick(close, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), import);
    QTest::keyClick(import, Qt::Key_Return);
    EXPECT_EQ(m_host.calls.filter("offload:").size(), 1);
    EXPECT_EQ(m_host.closes, 1);
    QTest::keyClick(import, Qt::Key_Escape);
    EXPECT_FALSE(m_window->isVisible());
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

struct DragCase {
    const char *name;
    QStringList urls; // "local": a folder of the test's own; none: plain text
    bool taken;
};

class DragTest : public ProjectSetupWindowTest, public ::testing::WithParamInterface<DragCase> {};

TEST_P(DragTest, OnlyALocalFirstItemLightsTheBorderAndIsTaken)
{
    const QString folder = makeFolder("Dropped");
    QMimeData data;
    data.setText("plain");
    QList<QUrl> urls;
    for (const QString &url : GetParam().urls)
        urls.append(url == "local" ? QUrl::fromLocalFile(folder) : QUrl(url));
    if (!urls.isEmpty())
        data.setUrls(urls);
    const auto before = m_model->config().targetFolderURL;

    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(m_window.get(), &enter);
    EXPECT_EQ(m_window->dropTargetFrame()->isVisible(), GetParam().taken);
    QDropEvent dropEvent(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(m_window.get(), &dropEvent);
    QCoreApplication::processEvents();
    EXPECT_EQ(dropEvent.isAccepted(), GetParam().taken);
    EXPECT_EQ(m_model->config().targetFolderURL, GetParam().taken ? std::optional(folder) : before);
}

INSTANTIATE_TEST_SUITE_P(
    Payloads, DragTest,
    ::testing::Values(DragCase{"LocalFolder", {"local"}, true},
                      DragCase{"LocalThenWebLink", {"local", "https://example.org/a"}, true},
                      DragCase{"WebLink", {"https://example.org/shoot"}, false},
                      DragCase{"WebLinkThenLocal", {"https://example.org/a", "local"}, false},
                      DragCase{"PlainText", {}, false}),
    caseName);

struct OverlayInput {
    const char *name;
    QList<QKeyCombination> keys; // none: a click where the create button is
};

class OverlayInputTest : public ProjectSetupWindowTest,
                         public ::testing::WithParamInterface<OverlayInput> {};

TEST_P(OverlayInputTest, NothingReachesTheWindowWhileTheOverlayShows)
{
    edit([](ProjectConfig &c) {
        c.projectName = "Shoot";
        c.sortExistingFiles = false;
    });
    click(m_window->createButton());
    // The run is over, its reveal included; the window now waits to be closed.
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_host.closes > 0; }));
    int runs = 0;
    QObject::connect(m_model.get(), &ProjectSetupModel::isCreatingChanged, m_window.get(),
                     [&] { runs += m_model->isCreating() ? 1 : 0; });

    // The click goes through the window system, so it lands where a real one would.
    if (GetParam().keys.isEmpty())
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {},
                          m_window->createButton()->mapTo(m_window.get(), QPoint(5, 5)));
    for (QKeyCombination key : GetParam().keys)
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
    // A shortcut clicks a moment after it presses.
    ASSERT_TRUE(QTest::qWaitFor([this] {
        return !m_window->createButton()->isDown() && !m_window->cancelButton()->isDown();
    }));
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(m_window->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, OverlayInputTest,
    ::testing::Values(OverlayInput{"ClickOnCreate", {}},
                      OverlayInput{"CtrlReturn",
                                   {QKeyCombination(Qt::ControlModifier, Qt::Key_Return)}},
                      OverlayInput{"Return", {QKeyCombination(Qt::Key_Return)}},
                      OverlayInput{"TabSpaceEscape",
                                   {QKeyCombination(Qt::Key_Tab), QKeyCombination(Qt::Key_Space),
                                    QKeyCombination(Qt::Key_Escape)}}),
    caseName);

TEST_F(ProjectSetupWindowTest, ClosedWindowQuitsOnlyOnceTheRunHasRevealed)
{
    QStringList quits;
    quitWhenClosedAndIdle(
        *m_window, [&] { quits.append(m_host.revealed.isEmpty() ? "early" : "after reveal"); });
    m_host.holdPause = true;
    edit([](ProjectConfig &c) {
        c.projectName = "Shoot";
        c.sortExistingFiles = false;
    });
    click(m_window->createButton());
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_model->showSuccess(); }));
    m_window->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(quits.isEmpty());

    m_host.heldPause.finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !quits.isEmpty(); }));
    EXPECT_EQ(quits.first(), "after reveal");
}

TEST_F(ProjectSetupWindowTest, ClosedWindowWithoutARunQuitsAtOnce)
{
    bool quit = false;
    quitWhenClosedAndIdle(*m_window, [&] { quit = true; });
    m_window->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return quit; }));
}

enum class Place { anywhere, folderSelector, templateRow, tree };

struct IconCase {
    const char *name;
    const char *symbol;
    int size;
    Place place; // anywhere: drawn into a label's picture
};

class IconSizeTest : public ProjectSetupWindowTest, public ::testing::WithParamInterface<IconCase> {
protected:
    QWidget *device(Place place) const
    {
        switch (place) {
        case Place::folderSelector:
            return m_window->folderSelector();
        case Place::templateRow:
            return m_window->formPanel()->platformRows().first();
        case Place::tree:
            return m_window->previewPanel()->treeView()->viewport();
        case Place::anywhere:
            break;
        }
        return nullptr;
    }
};

TEST_P(IconSizeTest, SymbolIsDrawnAtItsSize)
{
    SymbolRecorder symbols;
    // Built anew so that the pictures made at construction are seen too.
    m_window = std::make_unique<ProjectSetupWindow>(*m_model);
    m_window->show();
    edit([](ProjectConfig &c) {
        c.batchMode = true;
        c.batchNames = "One\nTwo";
    });
    static_cast<void>(m_window->grab());
    const QList<QRectF> painted = symbols.find(GetParam().symbol, device(GetParam().place));
    ASSERT_FALSE(painted.isEmpty());
    for (const QRectF &rect : painted)
        EXPECT_EQ(rect.size(), QSizeF(GetParam().size, GetParam().size));
}

INSTANTIATE_TEST_SUITE_P(
    Places, IconSizeTest,
    ::testing::Values(IconCase{"ErrorBar", "exclamationmark.triangle.fill", 11, Place::anywhere},
                      IconCase{"SortHint", "arrow.triangle.2.circlepath", 10, Place::anywhere},
                      IconCase{"EmptyState", "folder.badge.questionmark", 26, Place::anywhere},
                      IconCase{"FolderSelector", "folder.fill", 10, Place::folderSelector},
                      IconCase{"TemplateRow", "iphone", 11, Place::templateRow},
                      IconCase{"TreeRow", "folder", 11, Place::tree},
                      IconCase{"BatchNote", "square.on.square", 10, Place::tree}),
    caseName);

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

class ChoiceRoleTest : public AccessibilityTest,
                       public ::testing::WithParamInterface<const char *> {};

TEST_P(ChoiceRoleTest, OneOfManyChoicesAreRadioButtons)
{
    ASSERT_TRUE(CustomTemplateStore::shared().save("Mijn template", {}).ok());
    QCoreApplication::processEvents();
    QList<QAbstractButton *> buttons;
    if (GetParam() == std::string("TypeSegments")) {
        for (QPushButton *button : m_window->findChildren<QPushButton *>())
            if (QStringList{"Video", "Photo", "Hybrid"}.contains(button->text()))
                buttons.append(button);
    } else {
        for (TemplateRow *row :
             m_window->formPanel()->platformRows() + m_window->formPanel()->customTemplateRows())
            buttons.append(row);
    }
    ASSERT_GE(buttons.size(), 3);
    // The last one chosen, so the state follows a change and not only the start.
    click(buttons.last());
    for (QAbstractButton *button : buttons) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::RadioButton) << button->text().toStdString();
        EXPECT_TRUE(iface->state().checkable);
        EXPECT_EQ(bool(iface->state().checked), button == buttons.last());
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, ChoiceRoleTest, ::testing::Values("TypeSegments", "TemplateRows"),
                         [](const auto &info) { return std::string(info.param); });

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
