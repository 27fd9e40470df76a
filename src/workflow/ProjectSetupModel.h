#pragma once

#include "WorkflowHost.h"
#include "model/ProjectConfig.h"
#include "model/Result.h"

#include <QDate>
#include <QFuture>
#include <QObject>

#include <memory>
#include <optional>

namespace bp {

class UndoLog;
class CustomTemplateStore;

// The state of one project setup window and the creation run behind its create button.
// Runs on the UI thread; file work happens in background jobs, one at a time.
class ProjectSetupModel final : public QObject {
    Q_OBJECT
public:
    static inline const QString defaultSuccessMessage = QStringLiteral("Structuur aangemaakt!");

    // The window's initial configuration: the given folder, else "defaultBasePath"; the
    // platform from "defaultTemplate" when it is a valid raw value.
    explicit ProjectSetupModel(const std::optional<QString> &initialURL, WorkflowHost &host,
                               QObject *parent = nullptr);
    // Test seam: explicit stores instead of the shared ones.
    ProjectSetupModel(const std::optional<QString> &initialURL, WorkflowHost &host,
                      UndoLog &undoLog, CustomTemplateStore &templates, QObject *parent = nullptr);
    ~ProjectSetupModel() override;

    const ProjectConfig &config() const { return m_config; }
    void setConfig(const ProjectConfig &config);

    bool isCreating() const { return m_isCreating; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    bool isDragTargeted() const { return m_isDragTargeted; }
    void setDragTargeted(bool targeted);
    bool showSuccess() const { return m_showSuccess; }
    const QString &successMessage() const { return m_successMessage; }

    // A name (or a usable batch name), a target folder and no run in progress.
    bool canCreate() const;

    // The resolved tree of the current configuration (custom templates included).
    QList<FolderNode> resolvedTree() const;

    // Starts a run; the future finishes when the run has ended, successfully or not.
    QFuture<void> createStructure();

    // Project folders made by the last run, in order (for callers without a window).
    const QStringList &createdProjects() const { return m_createdProjects; }

    // Names project folders after this day instead of today (a shoot date).
    void setShootDate(const std::optional<QDate> &date);

Q_SIGNALS:
    void configChanged();
    void isCreatingChanged();
    void errorMessageChanged();
    void isDragTargetedChanged();
    void showSuccessChanged();
    void successMessageChanged();
    // Any of the above that changes canCreate.
    void canCreateChanged();

private:
    struct Run;
    QFuture<Result<QString>> startProjectJob(const std::shared_ptr<Run> &run, const QString &name);
    void runNextBatchProject(const std::shared_ptr<Run> &run);
    void runSingleProject(const std::shared_ptr<Run> &run, const QString &name, bool sortWanted);
    void finish(const std::shared_ptr<Run> &run);
    void fail(const std::shared_ptr<Run> &run, const Error &error);
    void setCreating(bool creating);
    void setErrorMessage(const std::optional<QString> &message);
    void setSuccessMessage(const QString &message);

    WorkflowHost &m_host;
    UndoLog &m_undoLog;
    CustomTemplateStore &m_templates;
    ProjectConfig m_config;
    bool m_isCreating = false;
    std::optional<QString> m_errorMessage;
    bool m_isDragTargeted = false;
    bool m_showSuccess = false;
    QString m_successMessage = defaultSuccessMessage;
    QStringList m_createdProjects;
    std::optional<QDate> m_shootDate;
};

} // namespace bp
