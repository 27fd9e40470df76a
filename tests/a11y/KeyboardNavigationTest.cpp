#include "views/KeyboardNavigation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

namespace bp {
namespace {

// A field, three choices and another field, in that reading order.
class ChoiceRow {
public:
    ChoiceRow()
    {
        auto *row = new QHBoxLayout(&window);
        before = new QLineEdit;
        row->addWidget(before);
        for (const char *name : {"a", "b", "c"}) {
            auto *button = new QPushButton(QString::fromLatin1(name));
            button->setCheckable(true);
            button->setAutoExclusive(true);
            row->addWidget(button);
            buttons.append(button);
        }
        after = new QLineEdit;
        row->addWidget(after);
        group.setButtons({buttons.cbegin(), buttons.cend()});
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QString checked() const
    {
        for (QPushButton *button : buttons)
            if (button->isChecked())
                return button->text();
        return {};
    }
    QString focused() const
    {
        QWidget *focus = QApplication::focusWidget();
        if (focus == before)
            return QStringLiteral("before");
        if (focus == after)
            return QStringLiteral("after");
        auto *button = qobject_cast<QPushButton *>(focus);
        return button ? button->text() : QStringLiteral("?");
    }

    QWidget window;
    QLineEdit *before;
    QLineEdit *after;
    QList<QPushButton *> buttons;
    ChoiceGroup group;
};

struct ArrowCase {
    const char *name;
    int start;
    Qt::Key key;
    const char *hidden; // a button taken out of the row first, or null
    const char *expected;
};

class ChoiceGroupArrows : public ::testing::TestWithParam<ArrowCase> {};

TEST_P(ChoiceGroupArrows, MoveTheChoiceAndTheFocusTogether)
{
    const ArrowCase &c = GetParam();
    ChoiceRow row;
    if (c.hidden)
        for (QPushButton *button : row.buttons)
            if (button->text() == QLatin1String(c.hidden))
                button->hide();
    row.buttons[c.start]->setChecked(true);
    row.buttons[c.start]->setFocus();

    QTest::keyClick(row.buttons[c.start], c.key);

    EXPECT_EQ(row.checked(), QString::fromLatin1(c.expected));
    EXPECT_EQ(row.focused(), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ChoiceGroupArrows,
    ::testing::Values(ArrowCase{"RightGoesToTheNext", 0, Qt::Key_Right, nullptr, "b"},
                      ArrowCase{"DownGoesToTheNext", 1, Qt::Key_Down, nullptr, "c"},
                      ArrowCase{"LeftGoesBack", 2, Qt::Key_Left, nullptr, "b"},
                      ArrowCase{"UpFromTheFirstWrapsToTheLast", 0, Qt::Key_Up, nullptr, "c"},
                      ArrowCase{"RightFromTheLastWrapsToTheFirst", 2, Qt::Key_Right, nullptr, "a"},
                      ArrowCase{"HiddenChoicesArePassedOver", 0, Qt::Key_Right, "b", "c"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ChoiceGroup, TabStopsOnlyAtTheChosenButtonAndThenLeaves)
{
    ChoiceRow row;
    row.buttons[1]->setChecked(true);
    row.before->setFocus();

    QStringList stops;
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops.append(row.focused());
    }
    EXPECT_EQ(stops, QStringList({"b", "after"}));
}

TEST(ChoiceGroup, WithoutAChoiceTheFirstButtonIsTheStop)
{
    ChoiceRow row;
    row.before->setFocus();
    QTest::keyClick(row.before, Qt::Key_Tab);
    EXPECT_EQ(row.focused(), QStringLiteral("a"));
    EXPECT_TRUE(row.checked().isEmpty());
}

TEST(ChoiceGroup, AChoiceMadeElsewhereMovesTheStop)
{
    ChoiceRow row;
    row.buttons[0]->setChecked(true);
    row.buttons[2]->setChecked(true);
    row.before->setFocus();
    QTest::keyClick(row.before, Qt::Key_Tab);
    EXPECT_EQ(row.focused(), QStringLiteral("c"));
}

TEST(ScrollToFocus, TheAreaTakesNoFocusAndShowsTheFocusedControl)
{
    QWidget window;
    auto *column = new QVBoxLayout(&window);
    auto *area = new QScrollArea;
    area->setWidgetResizable(true);
    auto *content = new QWidget;
    auto *fields = new QVBoxLayout(content);
    QList<QLineEdit *> edits;
    for (int i = 0; i < 30; ++i) {
        edits.append(new QLineEdit);
        fields->addWidget(edits.last());
    }
    area->setWidget(content);
    column->addWidget(area);
    scrollToFocus(area);
    window.resize(200, 150);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    EXPECT_EQ(area->focusPolicy(), Qt::NoFocus);
    edits.last()->setFocus();
    const QRect shown(edits.last()->mapTo(area->viewport(), QPoint()), edits.last()->size());
    EXPECT_TRUE(area->viewport()->rect().contains(shown));
    EXPECT_GT(area->verticalScrollBar()->value(), 0);
}

} // namespace
} // namespace bp
