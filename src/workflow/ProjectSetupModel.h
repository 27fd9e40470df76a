#pragma once

#include "ApplyTemplate.h"
#include "CreateProjects.h"
#include "Stores.h"
#include "WorkflowHost.h"
#include "model/ProjectConfig.h"
#include "model/ProjectPlan.h"
#include "model/Result.h"
#include "model/WhenFinished.h"
#include "sorting/FileSorter.h"

#include <QDate>
#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

namespace bp {

// The state of one project setup window, over the creation run behind its create button:
// the window's texts, its drag state and the pause on success. Runs on the UI thread.
class ProjectSetupModel final : public QObject {
    Q_OBJECT
public:
    static inline const QString defaultSuccessMessage = QStringLiteral("Structuur aangemaakt!");

    // The window's initial configuration: the given folder, else "defaultBasePath"; the
    // platform from "defaultTemplate" when it is a valid raw value.
    ProjectSetupModel(const std::optional<QString> &initialURL, WorkflowHost &host,
                      const Stores &stores, QObject *parent = nullptr);
    ~ProjectSetupModel() override;

    // The stores the window's parts show and change.
    const Stores &stores() const { return m_stores; }

    const ProjectConfig &config() const { return m_config; }
    void setConfig(const ProjectConfig &config);

    bool isCreating() const { return m_isCreating; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    bool isDragTargeted() const { return m_isDragTargeted; }
    void setDragTargeted(bool targeted);
    bool showSuccess() const { return m_showSuccess; }
    const QString &successMessage() const { return m_successMessage; }
    // The project just made, when the host offers to import a card into it.
    const std::optional<QString> &offloadOffer() const { return m_offloadOffer; }
    // Takes the offer: opens the offload window on the project and closes this one.
    void importCard();
    // While the sort copies a file to another file system, for the status line:
    // "Verplaatsen: clip.mov — 1,2 van 4,0 GB". Cleared when the run ends.
    const std::optional<QString> &statusMessage() const { return m_statusMessage; }
    // The status line for one progress report, in the unit of the file's size.
    static QString copyStatusText(const SortProgress &progress);

    // A name (or a usable batch name), a target folder, no problems() and no run in progress.
    bool canCreate() const;

    // The resolved tree of the current configuration (custom templates included).
    QList<FolderNode> resolvedTree() const;

    // The current configuration's names, parsed: rebuilt when its template, extras or the
    // custom templates change, not on every keystroke.
    const ProjectPlan &plan() const;
    // The number the next project gets when the plan counts ({teller}); none while it is
    // being read or when the plan does not count. Read on a worker thread when the target
    // folder or the template changes and after each run, never on a keystroke.
    std::optional<int> nextNumber() const { return m_nextNumber; }
    // The {datum} day: the shoot date, else today.
    QDate namingDate() const;
    // What keeps the current configuration from being made; empty when nothing does.
    const PlanProblems &problems() const;

    // The target folder is a project made earlier (its record could be read): the window
    // offers to fill it in rather than make a project inside it. Read on a worker thread when
    // the target changes.
    bool targetIsProject() const { return m_targetRecord.has_value(); }
    // Fill in the target project: its template, extras and values come from its record until
    // the user changes them, and a run adds only what the project lacks.
    bool fillsExisting() const { return m_fillExisting; }
    void setFillExisting(bool fill);
    // What the target project's names render with: its record's, with the form's fields.
    TokenValues fillValues() const;
    // While filling in: the paths, relative to the project, of the tree's folders and files
    // that are there now. Read on a worker thread after each change.
    const QSet<QString> &existingEntries() const { return m_existing; }
    // "3 mappen en 2 bestanden toegevoegd".
    static QString addedText(const ApplyOutcome &outcome);

    // Starts a run; the future finishes when the run has ended, successfully or not.
    QFuture<void> createStructure();

    // Names project folders after this day instead of today (a shoot date).
    void setShootDate(const std::optional<QDate> &date);

    // How a failure reads in the error bar: the window words it in its language; without
    // one, the failure's own text.
    using ErrorWording = std::function<QString(const Error &)>;
    void setErrorWording(ErrorWording wording) { m_wording = std::move(wording); }

    // Shows a failure outside a run in the error bar: a template or the recent folders that
    // could not be stored. The next run clears it.
    void reportError(const QString &message);
    // The same for a store change that is still being written, once it has failed.
    template <typename T> void reportFailureOf(const QFuture<Result<T>> &change)
    {
        whenFinished(change, this, [this](const Result<T> &stored) {
            if (!stored)
                reportError(m_wording(stored.error()));
        });
    }

Q_SIGNALS:
    void configChanged();
    void isCreatingChanged();
    void errorMessageChanged();
    void isDragTargetedChanged();
    void showSuccessChanged();
    void successMessageChanged();
    void offloadOfferChanged();
    // Any of the above that changes canCreate.
    void canCreateChanged();
    void statusMessageChanged();
    void planChanged();
    void nextNumberChanged();
    // targetIsProject() or fillsExisting() changed.
    void fillModeChanged();
    void existingEntriesChanged();
    // The copy progress behind statusMessage, as often as that changes.
    void copyProgress(const bp::SortProgress &progress);

private:
    void finish(const CreationOutcome &outcome, const std::shared_ptr<QPromise<void>> &done);
    void succeed(const QString &message, const QString &notificationName,
                 const QString &lastProject, const std::shared_ptr<QPromise<void>> &done);
    QFuture<void> fillIn();
    void readTargetRecord();
    void surveyTarget();
    void setCreating(bool creating);
    void setErrorMessage(const std::optional<QString> &message);
    void setSuccessMessage(const QString &message);
    void setStatusMessage(const std::optional<QString> &message);
    SortProgressFunction progressRelay(quint64 sort);
    void replan();
    void peekNextNumber();
    void setNextNumber(std::optional<int> number);
    // The custom template the configuration names, own or shared, if it is there.
    // The store's templates and the kept copy of a shared one in use that is no longer listed.
    QList<CustomTemplate> templates() const;
    void keepSharedCopy();

    WorkflowHost &m_host;
    Stores m_stores;
    CreateProjects m_creation;
    ProjectConfig m_config;
    bool m_isCreating = false;
    std::optional<QString> m_errorMessage;
    bool m_isDragTargeted = false;
    bool m_showSuccess = false;
    QString m_successMessage = defaultSuccessMessage;
    std::optional<QString> m_offloadOffer;
    std::optional<QString> m_statusMessage;
    quint64 m_sortsStarted = 0;
    quint64 m_runningSort = 0; // 0: none
    std::optional<QDate> m_shootDate;
    mutable std::optional<ProjectPlan> m_plan;
    mutable std::optional<PlanProblems> m_problems;
    std::optional<int> m_nextNumber;
    quint64 m_peeks = 0;
    std::optional<CustomTemplate> m_sharedKept; // the chosen shared template, as last seen
    ApplyTemplate m_apply;
    std::optional<ProjectRecord> m_targetRecord;
    bool m_fillExisting = false;
    QSet<QString> m_existing;
    quint64 m_recordReads = 0;
    quint64 m_surveys = 0;
    ErrorWording m_wording = [](const Error &error) { return error.message; };
};

} // namespace bp
