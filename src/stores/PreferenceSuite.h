#pragma once

#include "model/FileSystem.h"
#include "model/Result.h"

#include <QByteArray>
#include <QFuture>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

class QFileSystemWatcher;
class QThreadPool;

namespace bp {

// One named key-value preference store: a JSON object file
// $XDG_CONFIG_HOME/brindlepath/<name>.json. Values keep their types (Boolean, text, list of
// texts, data); a value of another type reads as absent. Every read sees the file as it is
// on disk now, so changes made by other processes show up; every write is a locked
// read-modify-write that replaces the file atomically. The object itself is safe to use from
// any thread; only watch() belongs to the thread the object lives in.
class PreferenceSuite final : public QObject {
    Q_OBJECT
public:
    // The folder that holds every suite: $XDG_CONFIG_HOME/brindlepath (default ~/.config).
    static QString configDirectory();

    // The program's own store and the suite shared with the file-manager plug-in.
    static PreferenceSuite &standard();
    static PreferenceSuite &appGroup();

    static inline const QString standardName = QStringLiteral("com.quenmoor.brindlepath");

    // A suite in configDirectory(), looked up again on every access.
    explicit PreferenceSuite(const QString &name, QObject *parent = nullptr);
    // A suite in an explicit folder (tests).
    PreferenceSuite(const QString &name, const QString &directory, QObject *parent = nullptr);
    ~PreferenceSuite() override;

    QString name() const { return m_name; }
    QString directory() const;
    QString filePath() const;

    bool contains(const QString &key) const;
    std::optional<bool> boolValue(const QString &key) const;
    std::optional<QString> stringValue(const QString &key) const;
    std::optional<QStringList> stringListValue(const QString &key) const;
    std::optional<QByteArray> dataValue(const QString &key) const;
    QStringList keys() const;

    Result<void> setBool(const QString &key, bool value);
    Result<void> setString(const QString &key, const QString &value);
    Result<void> setStringList(const QString &key, const QStringList &value);
    Result<void> setData(const QString &key, const QByteArray &value);
    // Removing a key that is not there is no error and writes nothing.
    Result<void> remove(const QString &key);

    // The value of one key as stored: undefined when absent, and when the file cannot be read.
    QJsonValue value(const QString &key) const;
    // The same, but a file that exists and cannot be read (too large, not a regular file, no
    // permission, not a JSON object) is an error rather than an empty suite.
    Result<QJsonValue> read(const QString &key) const;
    // Copies a value that could not be understood to "<file>.<key>.corrupt-<time>" before a
    // change replaces it, and returns that path: a data value as its bytes, any other as JSON.
    // An earlier copy is never replaced.
    Result<QString> keepAside(const QString &key, const QJsonValue &value) const;

    // Files above this size are refused, read or written, and left as they are.
    void setReadLimit(qint64 maxBytes) { m_readLimit = maxBytes; }

    // Gets the key's current value (undefined when absent) and returns its new one (undefined
    // removes it); an error returned leaves the file as it is.
    using Change = std::function<Result<QJsonValue>(const QJsonValue &current)>;
    // A read-modify-write of what is on disk now, under the suite's lock. Blocks while
    // another process holds the lock, so never call it from the UI thread.
    Result<void> update(const QString &key, const Change &change);
    // The same on the writer thread; the future finishes when the file is written. Changes
    // run one at a time, in the order they were asked for.
    QFuture<Result<void>> updateLater(const QString &key, Change change);
    // The thread every later change runs on (for tests and orderly shutdown).
    static QThreadPool &writer();

    // Starts following the file: changedOnDisk() is emitted whenever any process replaced
    // it. Creates the folder, which must exist to be watched.
    void watch();

    // The typed forms of a stored value; another type reads as none.
    static std::optional<bool> toBool(const QJsonValue &value);
    static std::optional<QString> toString(const QJsonValue &value);
    static std::optional<QStringList> toStringList(const QJsonValue &value);
    static std::optional<QByteArray> toData(const QJsonValue &value);
    static QJsonValue fromData(const QByteArray &data);

Q_SIGNALS:
    // Emitted after this object changed a key on disk (from the thread that wrote it).
    void valueChanged(const QString &key);
    // The file was replaced, by this or another process (see watch()).
    void changedOnDisk();

private:
    Result<QJsonObject> readObject() const;
    Result<void> write(const QString &key, const QJsonValue &value);
    void checkFile();

    QString m_name;
    QString m_directory; // empty: follow XDG_CONFIG_HOME
    qint64 m_readLimit = FileSystem::defaultReadLimit;
    QPointer<QFileSystemWatcher> m_watcher;
    QByteArray m_fileIdentity; // device, inode, size and change time when last seen
};

} // namespace bp
