#include "SharedTemplateLibrary.h"

#include "TemplateFolder.h"
#include "model/WhenFinished.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QJsonValue>
#include <QPointer>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <sys/vfs.h>

namespace bp {
namespace {

using namespace std::chrono_literals;

constexpr auto defaultPollInterval = 30s;
// A copied-in folder comes as a burst of events: read once it has settled.
constexpr auto settleDelay = 250ms;

// File systems whose changes made elsewhere inotify never hears of.
bool isRemote(const QString &folder)
{
    struct statfs info = {};
    if (::statfs(QFile::encodeName(folder).constData(), &info) != 0)
        return true; // cannot tell: polling is the safe side
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x517BUL:     // SMB
    case 0xFE534D42UL: // SMB2
    case 0xFF534D42UL: // CIFS
    case 0x6969UL:     // NFS
    case 0x65735546UL: // FUSE (sshfs, rclone, gvfs, ...)
    case 0x01021997UL: // 9P
    case 0x00C36400UL: // Ceph
    case 0x5346414FUL: // AFS
        return true;
    default:
        return false;
    }
}

} // namespace

// What one read found; made on a worker thread, so plain values only.
struct SharedLibrarySnapshot {
    bool offline = false;
    bool remote = false;
    QList<CustomTemplate> templates;
    QStringList problems;
    QStringList watched; // the folder, each template folder and its template.json
};

namespace {

using Snapshot = SharedLibrarySnapshot;

bool sameShown(const Snapshot &a, const Snapshot &b)
{
    return a.offline == b.offline && a.templates == b.templates && a.problems == b.problems;
}

Snapshot readFolder(const QString &folder)
{
    Snapshot s;
    if (folder.isEmpty())
        return s;
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable()) {
        s.offline = true;
        return s;
    }
    s.remote = isRemote(folder);
    s.watched << folder;
    // Byte order, not the locale's: every machine must list them alike. Hidden folders are
    // the sync tools' own (.stfolder, .sync).
    QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end());
    QHash<QUuid, QString> seen;
    for (const QString &name : std::as_const(names)) {
        const QString dir = folder + QLatin1Char('/') + name;
        s.watched << dir << dir + QLatin1Char('/') + TemplateFolder::documentName;
        Result<CustomTemplate> read = TemplateFolder::read(dir);
        if (!read) {
            const QString &why = read.error().message;
            s.problems << (why.contains(dir) ? why : name + QStringLiteral(": ") + why);
            continue;
        }
        CustomTemplate t = std::move(read.value());
        if (const auto it = seen.constFind(t.id); it != seen.constEnd()) {
            s.problems << name + QStringLiteral(": same id as ") + *it;
            continue;
        }
        seen.insert(t.id, name);
        t.shared = true;
        s.templates.append(std::move(t));
    }
    return s;
}

// Never waited for: a read stuck on a share that went away must not hold up quitting.
QThreadPool &readers()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(2);
        return p;
    }();
    return *pool;
}

} // namespace

struct SharedTemplateLibrary::State {
    explicit State(PreferenceSuite &suite) : standard(suite) {}

    PreferenceSuite &standard;
    QString folder;
    Snapshot shown;
    bool watching = false;
    bool reading = false;   // a read runs on a worker thread
    bool readAgain = false; // something changed while it ran
    quint64 generation = 0; // bumped by every read, so an older one is never shown
    QPointer<QFileSystemWatcher> watcher;
    QTimer poll;
    QTimer settle;
};

SharedTemplateLibrary::SharedTemplateLibrary(PreferenceSuite &standard, QObject *parent)
    : QObject(parent), d(std::make_unique<State>(standard))
{
    d->folder = d->standard.stringValue(preferenceKey).value_or(QString());
    d->poll.setInterval(defaultPollInterval);
    d->settle.setSingleShot(true);
    d->settle.setInterval(settleDelay);
    connect(&d->poll, &QTimer::timeout, this, [this] { readLater(); });
    connect(&d->settle, &QTimer::timeout, this, [this] { readLater(); });
    // A process-wide library outlives the application; its timers and watches must not.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QObject::destroyed, this, [this] { setWatching(false); });
    standard.watch();
    connect(&standard, &PreferenceSuite::changedOnDisk, this, [this] {
        const QString now = d->standard.stringValue(preferenceKey).value_or(QString());
        if (now == d->folder)
            return;
        d->folder = now;
        // What the old folder held goes at once; the new one is read off this thread.
        apply(++d->generation, Snapshot());
        readLater();
    });
}

SharedTemplateLibrary::~SharedTemplateLibrary() = default;

QString SharedTemplateLibrary::folder() const
{
    return d->folder;
}

QFuture<Result<void>> SharedTemplateLibrary::setFolderLater(const QString &folder)
{
    return d->standard.updateLater(preferenceKey,
                                   [folder](const QJsonValue &) -> Result<QJsonValue> {
                                       if (folder.isEmpty())
                                           return QJsonValue(QJsonValue::Undefined);
                                       return QJsonValue(folder);
                                   });
}

bool SharedTemplateLibrary::isOffline() const
{
    return d->shown.offline;
}

const QList<CustomTemplate> &SharedTemplateLibrary::templates() const
{
    return d->shown.templates;
}

const QStringList &SharedTemplateLibrary::problems() const
{
    return d->shown.problems;
}

void SharedTemplateLibrary::setWatching(bool watching)
{
    if (watching == d->watching)
        return;
    d->watching = watching;
    if (watching) {
        readLater();
        return;
    }
    d->poll.stop();
    d->settle.stop();
    // No inotify watches held while idle either.
    delete d->watcher;
}

void SharedTemplateLibrary::setPollInterval(std::chrono::milliseconds interval)
{
    d->poll.setInterval(interval);
}

void SharedTemplateLibrary::reload()
{
    apply(++d->generation, readFolder(d->folder));
}

void SharedTemplateLibrary::readLater()
{
    if (d->reading) {
        d->readAgain = true;
        return;
    }
    d->reading = true;
    d->readAgain = false;
    const quint64 generation = ++d->generation;
    auto promise = std::make_shared<QPromise<Snapshot>>();
    promise->start();
    whenFinished(promise->future(), this, [this, generation](const Snapshot &snapshot) {
        d->reading = false;
        apply(generation, snapshot);
        if (d->readAgain)
            readLater();
    });
    readers().start([promise, folder = d->folder] {
        promise->addResult(readFolder(folder));
        promise->finish();
    });
}

void SharedTemplateLibrary::apply(quint64 generation, SharedLibrarySnapshot snapshot)
{
    if (generation != d->generation)
        return;
    follow(snapshot);
    if (sameShown(snapshot, d->shown)) {
        d->shown.watched = std::move(snapshot.watched);
        return;
    }
    d->shown = std::move(snapshot);
    Q_EMIT changed();
}

void SharedTemplateLibrary::follow(const SharedLibrarySnapshot &snapshot)
{
    if (!d->watching)
        return;
    // A share that went away says nothing when it comes back: only a poll notices.
    const bool poll = !d->folder.isEmpty() && (snapshot.remote || snapshot.offline);
    if (poll && !d->poll.isActive())
        d->poll.start();
    else if (!poll)
        d->poll.stop();
    if (poll || d->folder.isEmpty()) {
        delete d->watcher;
        return;
    }
    if (!d->watcher) {
        d->watcher = new QFileSystemWatcher(this);
        connect(d->watcher, &QFileSystemWatcher::directoryChanged, &d->settle,
                qOverload<>(&QTimer::start));
        connect(d->watcher, &QFileSystemWatcher::fileChanged, &d->settle,
                qOverload<>(&QTimer::start));
    }
    const QStringList old = d->watcher->files() + d->watcher->directories();
    QStringList gone;
    for (const QString &path : old) {
        if (!snapshot.watched.contains(path))
            gone << path;
    }
    if (!gone.isEmpty())
        d->watcher->removePaths(gone);
    QStringList added;
    for (const QString &path : snapshot.watched) {
        if (!old.contains(path) && QFileInfo::exists(path))
            added << path;
    }
    if (!added.isEmpty())
        d->watcher->addPaths(added);
}

} // namespace bp
