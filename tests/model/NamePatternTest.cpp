#include "model/NamePattern.h"
#include "model/FolderCreator.h"

#include <gtest/gtest.h>

using namespace bp;
using Change = ComponentChange;
using Kind = NameProblem::Kind;

namespace {

struct Row {
    QString pattern;
    QString name;
    QString expected; // empty when the row expects problems
    ComponentChanges changes = {};
    QList<Kind> problems = {};
    QDate date = QDate(2026, 3, 5);
};

TEST(NamePattern, RendersTokensDatesAndSafeNames)
{
    const QString e254 = QString(127, QChar(0xe9)); // 254 bytes of "é"
    const QList<Row> rows{
        {"{datum}_{naam}", "Nike", "2026-03-05_Nike"},
        {"{datum:JJJJ JJ MMMM MMM MM M DD D WW}", "", "2026 26 maart mrt 03 3 05 5 10"},
        {"{datum:JJJJJ jj/MMMMM.DDD}",
         "",
         "2008J jj-mei5.011",
         {Change::forbiddenCharacter},
         {},
         QDate(2008, 5, 1)},
        {"{datum:JJJJ-WW}", "", "2021-53", {}, {}, QDate(2021, 1, 1)},
        {"{datum:JJJJ-WW}", "", "2022-52", {}, {}, QDate(2022, 1, 1)},
        {"{teller}_{teller:0}_{teller:00000}", "", "007_7_00007"},
        {"{{{klant}}}_{leeg}", "", "{Nike}_"},
        {"a/b:c\\d?e%f*g|h\"i<j>k", "", "a-b-c-d-e-f-g-h-i-j-k", {Change::forbiddenCharacter}},
        {"a\tb\x7f{naam}", "\x01", "a-b--", {Change::controlCharacter}},
        {"{naam}", "  Shoot. . ", "Shoot", {Change::trimmedEnd}},
        {"{naam}", "..", "-", {Change::trimmedEnd, Change::emptyName}},
        {"{naam}", "../etc", "..-etc", {Change::forbiddenCharacter}},
        {"{naam}", "con", "con-", {Change::reservedName}},
        {"{naam}", "Lpt9.tar.gz", "Lpt9-.tar.gz", {Change::reservedName}},
        {"{naam}", "nul .txt", "nul -.txt", {Change::reservedName}},
        {"{naam}", "COM10 CON.x", "COM10 CON.x"},
        {"{naam}", " \t", "NewProject"},
        {"{naam}", "Café 東京", "Café 東京"},
        {"{naam}x", e254, e254 + "x"},
        {"{naam}xy", e254, "", {}, {Kind::tooLong}},
        {"{naam", "", "", {}, {Kind::unclosedBrace}},
        {"{a{b}", "", "", {}, {Kind::unclosedBrace}},
        {"a}b", "", "", {}, {Kind::strayClosingBrace}},
        {"{Naam}", "", "", {}, {Kind::invalidKey}},
        {"{:0}", "", "", {}, {Kind::invalidKey}},
        {"{naam:x}{teller:0a}{klant:JJ}",
         "",
         "",
         {},
         {Kind::invalidFormat, Kind::invalidFormat, Kind::invalidFormat}},
        {"{x}{datum}{x}",
         "",
         "",
         {},
         {Kind::unknownToken, Kind::unknownToken, Kind::unknownToken},
         QDate()},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.pattern.toStdString() + " / " + row.name.toStdString());
        const TokenValues values{row.name, row.date, 7, {{"klant", "Nike"}, {"leeg", ""}}};
        const RenderedName rendered = NamePattern::parse(row.pattern).render(values);
        EXPECT_EQ(rendered.text, row.expected);
        EXPECT_EQ(rendered.changes, row.changes);
        QList<Kind> kinds;
        for (const NameProblem &problem : rendered.problems)
            kinds.append(problem.kind);
        EXPECT_EQ(kinds, row.problems);
    }
    const TokenValues noCounter{"n", QDate(2026, 3, 5), std::nullopt, {}};
    EXPECT_EQ(NamePattern::parse("{b}{teller}{b}{a}").render(noCounter).unresolved(),
              QStringList({"b", "teller", "a"}));
}

TEST(NamePattern, DefaultGivesTodaysProjectFolderName)
{
    const QDateTime day(QDate(2026, 12, 7), QTime(10, 30));
    const QStringList names{"",       " \t\n ", "////",   "/:\\?%*|\"<>", "..",
                            "Shoot.", "a. . ",  "a\tb",   "con",          "Café 東京",
                            " x ",    "{naam}", "a\x01b", "é.",           QString(300, 'x')};
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString today = FolderCreator::projectFolderName(name, day);
        const RenderedName rendered =
            NamePattern::forProject({}).render({name, day.date(), {}, {}});
        // Over 255 bytes no folder can be made either way; now it is said before trying.
        if (today.toUtf8().size() > PathComponent::maxBytes)
            EXPECT_EQ(rendered.problems.value(0).kind, Kind::tooLong);
        else
            EXPECT_EQ(rendered.text, today);
    }
}

TEST(NamePattern, FindsTheCounterItCouldHaveWritten)
{
    const struct {
        QString pattern;
        int counter;
        QStringList others; // names this pattern could not have written
    } rows[]{
        {"{teller}_{naam}", 7, {"x_007", "007", "_x"}},
        {"{klant}{teller}", 29, {"Nike"}},
        {"{klant}-{teller:0000}_{datum:JJJJ}", 12, {"Nike-12a_2026", "Nike-_2026"}},
        {"Job:{teller}{naam}. ", 123456, {"Job:_x", "Job-x1"}},
        {"COM{teller:0}", 3, {"COM"}},
        {"{teller}{teller:0}", 5, {"00551"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.pattern.toStdString());
        const NamePattern pattern = NamePattern::parse(row.pattern);
        const RenderedName rendered =
            pattern.render({"Nike", QDate(2026, 3, 5), row.counter, {{"klant", "Nike"}}});
        ASSERT_TRUE(rendered.ok());
        EXPECT_EQ(pattern.counterIn(rendered.text), row.counter) << rendered.text.toStdString();
        for (const QString &other : row.others)
            EXPECT_EQ(pattern.counterIn(other), std::nullopt) << other.toStdString();
    }
    EXPECT_EQ(NamePattern::forProject({}).counterIn("2026-03-05_7"), std::nullopt);
}

} // namespace
