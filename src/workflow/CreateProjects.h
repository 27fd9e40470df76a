#pragma once

#include "SortIntoProject.h"
#include "model/CustomTemplate.h"
#include "model/ProjectConfig.h"
#include "model/Result.h"
#include "sorting/FileSorter.h"

#include <QDate>
#include <QFuture>
#include <QObject>

#include <memory>
#include <optional>

namespace bp {

class CustomTemplateStore;
class PreferenceSuite;
class UndoLog;

// What one creation run did, as data: the caller words it.
struct CreationOutcome {
    QStringList projects;       // project folders made, in order (a repeated name repeats)
    QList<MoveRecord> moves;    // made by the sort after a single project
    QList<SortFailure> failed;  // files that sort left where they were
    std::optional<Error> error; // what stopped the run; what was made before it stays
    int filesCopied = 0;        // template files put into the projects
    QStringList keptFiles;      // template files' paths that were there already, left as they were
    bool cancelled = false;

    bool ok() const { return !error && failed.isEmpty() && !cancelled; }
};

// Creates the projects a configuration describes: one per batch name, or one project that
// the target folder's loose files are then sorted into when the configuration asks for it.
// File work runs on the job queue, one project at a time; results come back on this object's
// thread. One run at a time.
class CreateProjects final : public QObject {
    Q_OBJECT
public:
    CreateProjects(CustomTemplateStore &templates, UndoLog &undoLog, QObject *parent = nullptr);
    ~CreateProjects() override;

    // A new configuration: the given folder, else "defaultBasePath"; the platform from
    // "defaultTemplate" when it is a valid raw value.
    static ProjectConfig initialConfig(const PreferenceSuite &standard,
                                       const std::optional<QString> &folder);
    // The names a run makes projects of, as typed (folder names are cleaned when made).
    static QStringList projectNames(const ProjectConfig &config);
    // A name (or a usable batch name) and a target folder.
    static bool isReady(const ProjectConfig &config);

    // The tree each project gets, custom templates included.
    QList<FolderNode> resolvedTree(const ProjectConfig &config) const;

    // Starts a run; a configuration that is not ready makes nothing, and one whose names do
    // not render (see ProjectPlan::problems) ends with an Error of Kind::unresolvedName before
    // anything is written. Projects are named after shootDate, else after the day each is
    // made (a batch that counts: the day it starts). When the plan counts, the batch's
    // numbers and project folders are taken first (ProjectCounter), then the trees made.
    // copyProgress is called on the worker thread while the sort copies a file to another file
    // system.
    // kept: a template a window still uses that the store no longer lists (a shared one whose
    // share went away); used when config names it.
    QFuture<CreationOutcome> run(const ProjectConfig &config,
                                 const std::optional<QDate> &shootDate = std::nullopt,
                                 SortProgressFunction copyProgress = {},
                                 const std::optional<CustomTemplate> &kept = std::nullopt);
    // Stops the run before its next project or its sort; a project being made is finished.
    void cancel();

private:
    struct Run;
    void start(const std::shared_ptr<Run> &run);
    void next(const std::shared_ptr<Run> &run);
    void removeUnfilled(const std::shared_ptr<Run> &run);
    void sort(const std::shared_ptr<Run> &run);
    void end(const std::shared_ptr<Run> &run);

    CustomTemplateStore &m_templates;
    SortIntoProject m_sorter;
    std::shared_ptr<Run> m_running;
};

} // namespace bp
