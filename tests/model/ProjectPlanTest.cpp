#include "model/ProjectPlan.h"
#include "model/FolderCreator.h"
#include "model/TemplateEngine.h"

#include <gtest/gtest.h>

namespace bp {
namespace {

QStringList names(const QList<FolderNode> &nodes)
{
    QStringList all;
    for (const FolderNode &node : nodes)
        all << node.name << names(node.children);
    return all;
}

TEST(ProjectPlan, BuiltInTemplatesNameProjectsAndFoldersExactlyAsBefore)
{
    ProjectConfig config;
    config.platform = PlatformTemplate::youTube;
    const ProjectPlan plan = ProjectPlan::forConfig(config, {});
    const QDate day(2026, 3, 9);
    for (const QString &name : {QString("Nike"), QString("  a/b:c. "), QString("   "),
                                QString("{naam}"), QString("CON")}) {
        const RenderedProject project = plan.render(name, day, std::nullopt, {});
        EXPECT_EQ(project.folder.text,
                  FolderCreator::projectFolderName(name, QDateTime(day, QTime(12, 0))));
        EXPECT_TRUE(project.ok());
    }
    EXPECT_EQ(names(plan.render("P", day, {}, {}).tree), names(TemplateEngine::resolve(config)));
    EXPECT_FALSE(plan.usesCounter());
}

TEST(ProjectPlan, CustomNamesAreMadeSafeAndEveryUnresolvedKeyIsNamedOnce)
{
    CustomTemplate custom{
        QUuid::createUuid(),
        "T",
        "star.fill",
        {{QUuid::createUuid(),
          "{klant}/Raw.",
          {{QUuid::createUuid(), "{onbekend}", {}}, {QUuid::createUuid(), "nul", {}}}},
         {QUuid::createUuid(), "{{x}}_{job}", {}}},
        QDateTime()};
    custom.projectNamePattern = "{job}_{naam}_{onbekend}";
    custom.fields = {{"klant", "Klant", FieldKind::text, true, {}, {}, {}, {}},
                     {"job", "Job", FieldKind::number, false, "7", {}, {}, {}}};
    custom.roots[0].files = {{"{klant}?.txt", "a.txt", true}};
    custom.roots[0].children[1].files = {{"{bestand}.txt", "sub/b.txt", false}};
    custom.filesFolder = "/srv/shared/T";
    const ProjectPlan plan = ProjectPlan::forTemplate(custom);

    const Fields::Resolved values = plan.resolveFields({{"klant", "A/B"}});
    const RenderedProject project = plan.render("Zomer", QDate(2026, 1, 1), {}, values.values);
    EXPECT_EQ(names(project.tree), (QStringList{"A-B-Raw", "{onbekend}", "nul-", "{x}_7"}));
    EXPECT_EQ(project.notes.at(0).changes,
              ComponentChanges(ComponentChange::forbiddenCharacter) | ComponentChange::trimmedEnd);
    EXPECT_EQ(project.notes.at(2).changes, ComponentChanges(ComponentChange::reservedName));
    const PlannedFile &file = project.tree.at(0).files.at(0);
    EXPECT_EQ(file, (PlannedFile{"A-B-.txt", "/srv/shared/T/a.txt", true}));
    EXPECT_EQ(project.fileNotes.at(0).changes,
              ComponentChanges(ComponentChange::forbiddenCharacter));
    EXPECT_EQ(project.tree.at(0).children.at(1).files.at(0).sourcePath, "/srv/shared/T/sub/b.txt");
    EXPECT_EQ(project.unresolved(), (QStringList{"onbekend", "bestand"}));
    EXPECT_EQ(plan.projectPattern().sketch({"Zomer", {}, {}, values.values}), "7_Zomer_{onbekend}");
    EXPECT_EQ(project.tree.at(0).id, custom.roots.at(0).id);

    // A refused value is named by its field, not again as an unknown token.
    const PlanProblems problems =
        plan.problems({"A", "B"}, QDate(2026, 1, 1), {{"job", "x1"}, {"extra", "1"}});
    QList<FieldProblem::Kind> fieldKinds;
    for (const FieldProblem &problem : problems.fields)
        fieldKinds << problem.kind;
    EXPECT_EQ(fieldKinds, (QList{FieldProblem::Kind::missing, FieldProblem::Kind::notANumber,
                                 FieldProblem::Kind::unknownKey}));
    EXPECT_EQ(problems.unresolved(), (QStringList{"onbekend", "bestand"}));
    EXPECT_EQ(problems.names.size(), 2);
}

} // namespace
} // namespace bp
