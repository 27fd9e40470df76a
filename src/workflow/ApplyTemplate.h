#pragma once

#include "model/NamePattern.h"
#include "model/ProjectPlan.h"
#include "model/ProjectRecord.h"
#include "model/Result.h"

#include <QFuture>
#include <QObject>

#include <atomic>
#include <memory>
#include <optional>

namespace bp {

// One folder or file of a rendered tree, as it stands in a project folder.
struct ProjectEntry {
    QString path; // relative to the project folder, "/" between names
    bool isFolder = true;
    bool exists = false;

    friend bool operator==(const ProjectEntry &, const ProjectEntry &) = default;
};

// What applying a template did, or would do, to one project: paths relative to it, parents
// first. The caller words it.
struct ApplyOutcome {
    QStringList addedFolders;
    QStringList addedFiles;
    QStringList keptFolders;
    QStringList keptFiles;      // there already, or appeared meanwhile: left as they were
    std::optional<Error> error; // what stopped the run; what was added before it stays
    bool cancelled = false;

    bool ok() const { return !error && !cancelled; }
    bool nothingAdded() const { return addedFolders.isEmpty() && addedFiles.isEmpty(); }
};

// Fills an existing project folder with what a template's tree has and the folder lacks:
// missing folders are made and missing files copied (rendered where the template asks),
// never replacing or changing anything there. The project folder keeps its own name. The
// work runs on the job queue; results come back on this object's thread. One run at a time.
class ApplyTemplate final : public QObject {
    Q_OBJECT
public:
    explicit ApplyTemplate(QObject *parent = nullptr);
    ~ApplyTemplate() override;

    // The values a project's names were rendered with: its record's, else a guess from its
    // folder name ("yyyy-MM-dd_Name" gives the day and name, the plan's counter its number).
    // given (as typed) overrides the fields; the record's values for fields the plan does not
    // have are dropped, given ones kept so that rendering reports them.
    static TokenValues valuesFor(const QString &projectFolder,
                                 const std::optional<ProjectRecord> &record,
                                 const ProjectPlan &plan,
                                 const QHash<QString, QString> &given = {});
    // The record a project made with config and values would have had.
    static ProjectRecord recordFor(const ProjectConfig &config, const TokenValues &values);

    // What keeps values (fields as typed) from rendering plan's tree; the project folder's
    // own name is not rendered, as it stays.
    static PlanProblems problems(const ProjectPlan &plan, const TokenValues &values);

    // Every folder and file of tree below projectFolder, depth first, each folder before its
    // files and its children's, marked by whether something is there. Reads the disk.
    static QList<ProjectEntry> survey(const QString &projectFolder, const QList<FolderNode> &tree);

    // Renders plan with values (fields as typed) and adds what is missing; with dryRun only
    // says what it would add. A tree whose names do not render, or values the fields refuse,
    // end the run with Error::Kind::unresolvedName before anything is written. A real run
    // writes record last when given, unless the project has one already.
    QFuture<ApplyOutcome> run(const QString &projectFolder, const ProjectPlan &plan,
                              const TokenValues &values, bool dryRun,
                              const std::optional<ProjectRecord> &record = std::nullopt);
    // Stops the run before its next folder or file.
    void cancel();

private:
    std::shared_ptr<std::atomic_bool> m_cancelled;
    std::shared_ptr<std::atomic_bool> m_running;
};

} // namespace bp
