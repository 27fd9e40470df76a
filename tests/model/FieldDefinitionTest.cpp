#include "model/FieldDefinition.h"

#include <gtest/gtest.h>

using namespace bp;
using Kind = FieldProblem::Kind;

namespace {

FieldDefinition field(FieldKind kind, const QString &extra = {}, const QString &defaultValue = {})
{
    FieldDefinition f{"klant", "Klant", kind, false, defaultValue, {}, {}, {}};
    if (kind == FieldKind::text)
        f.pattern = extra;
    else if (kind == FieldKind::date)
        f.format = extra;
    else if (kind == FieldKind::choice && !extra.isEmpty())
        f.choices = extra.split(',');
    return f;
}

TEST(FieldDefinition, ChecksDefinitionsAndValues)
{
    const struct {
        FieldDefinition definition;
        std::optional<Kind> problem;
    } definitions[]{
        {field(FieldKind::text, "[A-Z]{2}\\d+", "NL1"), std::nullopt},
        {field(FieldKind::text, "([a-"), Kind::invalidPattern},
        {field(FieldKind::text, "[a-z]+", "ab1"), Kind::invalidDefault},
        {field(FieldKind::number, {}, "0070"), std::nullopt},
        {field(FieldKind::number, {}, "-1"), Kind::invalidDefault},
        {field(FieldKind::date, "D MMMM", "2026-02-29"), Kind::invalidDefault},
        {field(FieldKind::choice), Kind::noChoices},
        {field(FieldKind::choice, "Zomer,Winter", "Herfst"), Kind::invalidDefault},
        {FieldDefinition{"Klant", {}, FieldKind::text, false, {}, {}, {}, {}}, Kind::invalidKey},
        {FieldDefinition{"teller", {}, FieldKind::number, true, {}, {}, {}, {}}, Kind::builtInKey},
    };
    for (const auto &row : definitions) {
        const std::optional<FieldProblem> problem = Fields::checkDefinition(row.definition);
        EXPECT_EQ(problem ? std::optional(problem->kind) : std::nullopt, row.problem)
            << (problem ? problem->message().toStdString() : "");
    }
    EXPECT_EQ(Fields::checkDefinitions({field(FieldKind::text), field(FieldKind::number)})->kind,
              Kind::duplicateKey);

    FieldDefinition client = field(FieldKind::text, "[A-Z]{2}\\d+");
    client.required = true;
    const QList<FieldDefinition> fields{
        client,
        {"shoot", "Shoot", FieldKind::date, false, "2027-01-01", {}, "D MMM JJJJ, week WW", {}},
        {"seizoen", "Seizoen", FieldKind::choice, false, {}, {}, {}, {"Zomer", "Winter"}},
        {"job", "Job", FieldKind::number, false, {}, {}, {}, {}},
    };
    const Fields::Resolved resolved = Fields::resolve(fields, {{"job", "12a"}, {"zz", "1"}});
    EXPECT_EQ(resolved.values,
              (QHash<QString, QString>{{"shoot", "1 jan 2027, week 53"}, {"seizoen", "Zomer"}}));
    ASSERT_EQ(resolved.problems.size(), 3);
    EXPECT_EQ(resolved.problems.at(0).kind, Kind::missing);
    EXPECT_EQ(resolved.problems.at(1).message(), R"(field "job": "12a" is not a number)");
    EXPECT_EQ(resolved.problems.at(2).kind, Kind::unknownKey);

    const Fields::Resolved given = Fields::resolve(
        fields, {{"klant", "NL12"}, {"shoot", "2026-3-05"}, {"seizoen", "zomer"}, {"job", ""}});
    EXPECT_EQ(given.values, (QHash<QString, QString>{{"klant", "NL12"}, {"job", ""}}));
    ASSERT_EQ(given.problems.size(), 2);
    EXPECT_EQ(given.problems.at(0).kind, Kind::notADate);
    EXPECT_EQ(given.problems.at(1).kind, Kind::notAChoice);
    EXPECT_EQ(Fields::checkValue(client, "xNL12")->kind, Kind::noMatch);
}

} // namespace
