#pragma once

#include "WorkflowHost.h"
#include "model/ProjectConfig.h"
#include "model/Result.h"
#include "model/WhenFinished.h"
#include "sorting/FileSorter.h"

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
    // While the sort copies a file to another file system, for the status line:
    // "Verplaatsen: clip.mov — 1,2 van 4,0 GB". Cleared when the run ends.
    const std::optional<QString> &statusMessage() const { return m_statusMessage; }
    // The status line for one progress report, in the unit of the file's size.
    static QString copyStatusText(const SortProgress &progress);

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

    // Shows a failure outside a run in the error bar: a template or the recent folders that
    // could not be stored. The next run clears it.
    void reportError(const QString &message);
    // The same for a store change that is still being written, once it has failed.
    template <typename T> void reportFailureOf(const QFuture<Result<T>> &change)
    {
        whenFinished(change, this, [this](const Result<T> &stored) {
            if (!stored)
                reportError(stored.error().message);
        });
    }

Q_SIGNALS:
    void configChanged();
    void isCreatingChanged();
    void errorMessageChanged();
    void isDragTargetedChanged();
    void showSuccessChanged();
    void successMessageChanged();
    // Any of the above that changes canCreate.
    void canCreateChanged();
    void statusMessageChanged();
    // The copy progress behind statusMessage, as often as that changes.
    void copyProgress(const bp::SortProgress &progress);

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
    void setStatusMessage(const std::optional<QString> &message);
    SortProgressFunction progressRelay(quint64 sort);

    WorkflowHost &m_host;
    UndoLog &m_undoLog;
    CustomTemplateStore &m_templates;
    ProjectConfig m_config;
    bool m_isCreating = false;
    std::optional<QString> m_errorMessage;
    bool m_isDragTargeted = false;
    bool m_showSuccess = false;
    QString m_successMessage = defaultSuccessMessage;
    std::optional<QString> m_statusMessage;
    quint64 m_sortsStarted = 0;
    quint64 m_runningSort = 0; // 0: none
    QStringList m_createdProjects;
    std::optional<QDate> m_shootDate;
};

} // namespace bp
