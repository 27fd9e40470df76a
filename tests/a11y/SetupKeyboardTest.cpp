// The setup window's keyboard order where it changes at run time: custom template rows come
// and go, and the folder button's menu opens from the keyboard.
#include "views/ViewTestSupport.h"

#include "views/FolderSelector.h"

#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace bp::test {
namespace {

struct OrderCase {
    const char *name;
    bool withCustom;
    bool chooseCustom;
    QStringList expected; // the stops after the type choice, by accessible name
};

class TemplateTabOrder : public WindowFixture, public ::testing::WithParamInterface<OrderCase> {};

QString stopName(QWidget *widget)
{
    if (!widget)
        return QStringLiteral("nothing");
    if (!widget->accessibleName().isEmpty())
        return widget->accessibleName();
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    return QString::fromLatin1(widget->metaObject()->className());
}

TEST_P(TemplateTabOrder, ReadsTopToBottomWithOneStopForTheChoice)
{
    const OrderCase &c = GetParam();
    if (c.withCustom) {
        ASSERT_TRUE(CustomTemplateStore::shared().save(QStringLiteral("Eigen"), {}).ok());
    }
    QCoreApplication::processEvents();
    if (c.chooseCustom) {
        const QUuid id = CustomTemplateStore::shared().templates().constFirst().id;
        edit([id](ProjectConfig &config) { config.customTemplateID = id; });
    }

    QAbstractButton *type = nullptr;
    for (QPushButton *button : find<QFrame>("typeSelector")->findChildren<QPushButton *>())
        if (button->isChecked())
            type = button;
    ASSERT_NE(type, nullptr);
    type->setFocus();
    QStringList stops;
    for (qsizetype i = 0; i < c.expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops.append(stopName(QApplication::focusWidget()));
    }
    EXPECT_EQ(stops, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, TemplateTabOrder,
    ::testing::Values(
        OrderCase{"PlatformOnly", false, false, {"TikTok / Reels", "Sla huidige structuur op…"}},
        OrderCase{"PlatformChosenBesideACustomOne",
                  true,
                  false,
                  {"TikTok / Reels", "Verwijderen", "Sla huidige structuur op…"}},
        OrderCase{
            "CustomChosen", true, true, {"Eigen", "Verwijderen", "Sla huidige structuur op…"}}),
    caseName);

class SetupKeys : public WindowFixture {};

TEST_F(SetupKeys, TabGoesFromTheCreateButtonToTheFolderButton)
{
    m_window->createButton()->setFocus();
    QTest::keyClick(m_window->createButton(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_window->folderSelector());
}

struct MenuKey {
    const char *name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

class FolderMenuKeys : public WindowFixture, public ::testing::WithParamInterface<MenuKey> {};

TEST_P(FolderMenuKeys, OpenTheMenuOnItsFirstEntry)
{
    FolderSelector *selector = m_window->folderSelector();
    selector->setFocus();
    bool shown = false;
    QString active;
    // The menu runs its own loop; look at it from inside, then close it as Escape would. The
    // timers go with `scope` should the menu never open.
    QObject scope;
    QTimer::singleShot(0, &scope, [&] {
        QTimer::singleShot(0, &scope, [&] {
            shown = selector->menu()->isVisible();
            if (QAction *action = selector->menu()->activeAction())
                active = action->text();
            QTest::keyClick(selector->menu(), Qt::Key_Escape);
        });
    });
    QTest::keyClick(selector, GetParam().key, GetParam().modifiers);
    EXPECT_TRUE(shown);
    EXPECT_EQ(active, QStringLiteral("Andere map kiezen…"));
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), selector);
}

INSTANTIATE_TEST_SUITE_P(Keys, FolderMenuKeys,
                         ::testing::Values(MenuKey{"Space", Qt::Key_Space, Qt::NoModifier},
                                           MenuKey{"Return", Qt::Key_Return, Qt::NoModifier},
                                           MenuKey{"Enter", Qt::Key_Enter, Qt::NoModifier},
                                           MenuKey{"AltDown", Qt::Key_Down, Qt::AltModifier}),
                         caseName);

} // namespace
} // namespace bp::test
