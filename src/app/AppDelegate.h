#pragma once

#include "platform/ApplicationRequests.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QIcon;

namespace bp {

class FileManager;
class GlobalShortcutManager;
class HandOverChannel;
class JobRegistry;
class Notifier;
class OffloadModel;
class PreferenceSuite;
class StatusItem;
class UndoLog;
class WindowFactory;

// The tray agent: its menu, its windows and every way into them. One per process, on the
// main thread.
class AppDelegate final : public QObject, public ApplicationRequests {
    Q_OBJECT
public:
    static inline const QString newProjectTitle = QStringLiteral("Nieuwe projectstructuur…");
    static inline const QString offloadTitle = QStringLiteral("Kaart importeren…");
    static inline const QString cancelJobTitle = QStringLiteral("Annuleer");
    static inline const QString offloadDoneTitle = QStringLiteral("Kaart geïmporteerd ✓");
    static inline const QString offloadFailedTitle = QStringLiteral("Kaart importeren mislukt");
    static inline const QString undoTitle = QStringLiteral("Ongedaan maken");
    static inline const QString settingsTitle = QStringLiteral("Instellingen…");
    static inline const QString quitTitle = QStringLiteral("Quit Brindlepath");
    static inline const QString successTitle = QStringLiteral("Structuur aangemaakt ✓");
    static inline const QString undoFailedTitle = QStringLiteral("Ongedaan maken mislukt");

    // What the agent reaches of the desktop and of the shared state.
    struct Services {
        StatusItem &statusItem;
        HandOverChannel &handOver;
        Notifier &notifier;
        FileManager &fileManager;
        WindowFactory &windows;
        GlobalShortcutManager &shortcut;
        UndoLog &undoLog;
        PreferenceSuite &standard;
        PreferenceSuite &appGroup;
        std::function<void()> quit;
    };

    explicit AppDelegate(Services services, QObject *parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence: tray item and menu, hand-over channel, shortcut, and the
    // onboarding window on the first run only.
    void applicationDidFinishLaunching();

    // Until onboarding is completed, only onboarding shows: the launcher's activation raises it,
    // and new and open requests wait in order until "Aan de slag →" ends it.
    void activate() override;
    void openProjectSetup(std::optional<QString> folder) override;
    void openSettings() override;
    // The offload window into project (or a project the user picks), with card preselected;
    // one at a time, and only once onboarding is done.
    void openOffload(const std::optional<QString> &project, const std::optional<QString> &card);
    // The long-running jobs the tray shows and can cancel; offload runs from windows join it.
    void showJobs(JobRegistry &jobs);
    // A card is mounted now: a new project offers its import.
    bool hasCards() const;
    // A window's offload run: a job while it runs, a notification when it ends.
    void trackOffload(OffloadModel &model);
    // The open-file entry: only the first path counts, and only when it is a folder.
    void openFiles(const QStringList &paths) override;
    bool openFile(const QString &path);
    // A file-manager hand-over: the folder it carried (checked by the bus, empty when
    // refused), or none when it is left in the suite, which is then read on another thread.
    void handleFinderTrigger(std::optional<QString> folder);

    // The menu's undo: runs after the menu action has returned.
    void undoLastAction();
    Result<QStringList> undoNow() override;
    void sendSuccessNotification(const QString &projectName, const QString &projectPath);
    void revealInFileManager(const QString &path);

    void setActivationToken(const QString &token) override;
    void quit() override;

    QMenu *menu() const { return m_menu.get(); }
    QAction *undoMenuItem() const { return m_undoItem; }
    QWidget *setupWindow() const { return m_setupWindow; }
    QWidget *settingsWindow() const { return m_settingsWindow; }
    QWidget *onboardingWindow() const { return m_onboardingWindow; }
    QWidget *offloadWindow() const { return m_offloadWindow; }

    // "folder.fill" in bpBlue, at the sizes tray hosts ask for.
    static QIcon trayIcon();

private:
    void setupStatusItem();
    void registerHandOver();
    // The launch steps that wait for the tray icon.
    void finishLaunching();
    void openOnboarding();
    // Opens onboarding, or raises it when it is open; waits for the launch to get there.
    void showOnboarding();
    void onboardingCompleted();
    void updateUndoMenuItem();
    void updateJobs();
    // "Kaart importeren: 45% (1,2 GB/s, nog 3 min)".
    QString jobLine(const QString &id, const QString &description, qint64 processed, qint64 total,
                    bool bytes);

    Services m_services;
    std::unique_ptr<QMenu> m_menu;
    QAction *m_undoItem = nullptr;
    QPointer<QWidget> m_setupWindow;
    QPointer<QWidget> m_settingsWindow;
    QPointer<QWidget> m_onboardingWindow;
    QPointer<QWidget> m_offloadWindow;
    // The newest project made here: the tray's import goes there while it exists.
    QString m_lastProject;
    QPointer<JobRegistry> m_jobs;
    // The menu's lines for the running jobs, in front of its own items.
    QList<QAction *> m_jobActions;
    QStringList m_shownJobs;
    // When each job was first seen and how far it was then, for its rate.
    struct JobStart {
        QElapsedTimer clock;
        qint64 processed = 0;
    };
    QHash<QString, JobStart> m_jobStarts;
    bool m_launched = false;
    bool m_onboardingPending = false;
    // The setup windows asked for while onboarding is pending.
    std::vector<std::optional<QString>> m_waitingSetups;
    // The offload window asked for while onboarding is pending: project and card.
    std::optional<std::pair<std::optional<QString>, std::optional<QString>>> m_waitingOffload;
    // Reads the shared suite off the UI thread; its destructor waits for a read in flight,
    // which uses the suite the caller destroys after this object.
    QThreadPool m_handOverReader;
    bool m_readingHandOver = false;
};

} // namespace bp
