#pragma once

#include "Preferences.h"
#include "model/CustomTemplate.h"

#include <QFuture>
#include <QObject>

#include <chrono>
#include <memory>

namespace bp {

struct SharedLibrarySnapshot;

// A studio's templates in one folder that every machine reads: a network share or a synced
// folder, named by the preference "sharedTemplatesFolder". Each template is a folder of its
// own laid out as a .bptemplate archive (see TemplateFiles::readFolder). Read only: nothing
// here ever writes into the shared folder.
class SharedTemplateLibrary final : public QObject {
    Q_OBJECT
public:
    static inline const QString &preferenceKey = PreferenceKeys::sharedTemplatesFolder;

    // Follows the preference in standard, and the folder it names.
    explicit SharedTemplateLibrary(PreferenceSuite &standard, QObject *parent = nullptr);
    ~SharedTemplateLibrary() override;

    // The folder the preference names; empty when none is set.
    QString folder() const;
    // Names another folder in the preference (empty: none), written on the suite's writer
    // thread; the library follows once it is stored.
    QFuture<Result<void>> setFolderLater(const QString &folder);
    // A folder is set but cannot be read now (a share offline, a removed folder).
    bool isOffline() const;
    // The templates read, in folder name order; each has shared = true and filesFolder set
    // to its own folder. Empty while offline.
    const QList<CustomTemplate> &templates() const;
    // Template folders that could not be read, each with why, for a hint.
    const QStringList &problems() const;

    // While true (a window is open), changes are followed: inotify where the file system
    // reports them, else (SMB, NFS, FUSE) a poll every 30 s. Never polled while false.
    void setWatching(bool watching);
    // How often a share inotify cannot follow is read again while watching (tests).
    void setPollInterval(std::chrono::milliseconds interval);
    // Reads the folder again now, on this thread: it may block on a share (command line,
    // tests). Windows leave reading to setWatching(), which reads off the UI thread.
    void reload();

Q_SIGNALS:
    // templates(), isOffline() or problems() changed.
    void changed();

private:
    struct State;
    void readLater();
    void apply(quint64 generation, SharedLibrarySnapshot snapshot);
    void follow(const SharedLibrarySnapshot &snapshot);

    std::unique_ptr<State> d;
};

} // namespace bp
