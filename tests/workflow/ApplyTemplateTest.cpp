#include "workflow/ApplyTemplate.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace bp {
namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void write(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// A project that has part of the structure and one of the template's files with its own text.
TEST(ApplyTemplate, AddsOnlyWhatIsMissingAndLeavesTheRestByteForByte)
{
    QTemporaryDir tmp;
    const QString files = tmp.path() + "/files", project = tmp.path() + "/2026-12-07_Nike";
    QDir().mkpath(files);
    write(files + "/notes.txt", "Project {naam}\r\n");
    write(files + "/brief.txt", "{naam}");
    CustomTemplate custom{QUuid::createUuid(),
                          "T",
                          "star.fill",
                          {{QUuid::createUuid(),
                            "Edit",
                            {{QUuid::createUuid(), "Exports", {}}},
                            {{"notes_{naam}.txt", "notes.txt", true}}},
                           {QUuid::createUuid(), "Docs", {}, {{"brief.txt", "brief.txt", false}}}},
                          {}};
    custom.filesFolder = files;
    QDir().mkpath(project + "/Edit");
    write(project + "/Edit/notes_Nike.txt", "mine");

    const ProjectPlan plan = ProjectPlan::forTemplate(custom);
    const TokenValues values = ApplyTemplate::valuesFor(project, std::nullopt, plan);
    EXPECT_EQ(values.name, "Nike");
    ApplyTemplate apply;
    const ApplyOutcome dry = test::await(apply.run(project, plan, values, true));
    ASSERT_TRUE(dry.ok()) << dry.error->message.toStdString();
    EXPECT_EQ(dry.addedFolders, QStringList({"Edit/Exports", "Docs"}));
    EXPECT_EQ(dry.addedFiles, QStringList{"Docs/brief.txt"});
    EXPECT_EQ(dry.keptFolders, QStringList{"Edit"});
    EXPECT_EQ(dry.keptFiles, QStringList{"Edit/notes_Nike.txt"});
    EXPECT_FALSE(QDir(project + "/Docs").exists());

    const ProjectRecord record = ApplyTemplate::recordFor({}, values);
    const ApplyOutcome real = test::await(apply.run(project, plan, values, false, record));
    ASSERT_TRUE(real.ok()) << real.error->message.toStdString();
    EXPECT_EQ(real.addedFolders, dry.addedFolders);
    EXPECT_EQ(real.addedFiles, dry.addedFiles);
    EXPECT_EQ(readAll(project + "/Edit/notes_Nike.txt"), "mine");
    EXPECT_EQ(readAll(project + "/Docs/brief.txt"), "{naam}");
    EXPECT_TRUE(QDir(project + "/Edit/Exports").exists());
    ASSERT_TRUE(ProjectRecord::read(project));

    // The rendered file is added once it is missing; then nothing is left to add.
    QFile::remove(project + "/Edit/notes_Nike.txt");
    EXPECT_EQ(test::await(apply.run(project, plan, values, false)).addedFiles,
              QStringList{"Edit/notes_Nike.txt"});
    EXPECT_EQ(readAll(project + "/Edit/notes_Nike.txt"), "Project Nike\r\n");
    EXPECT_TRUE(test::await(apply.run(project, plan, values, false)).nothingAdded());
}

} // namespace
} // namespace bp
