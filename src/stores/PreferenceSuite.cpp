#include "PreferenceSuite.h"

#include "contract/AppGroupKeys.h"
#include "model/FileSystem.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPromise>
#include <QThreadPool>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace bp {
namespace {

const QString base64Key = QStringLiteral("base64");

// Long enough to ride out another process's write; only the writer thread and the command
// line ever wait this long.
constexpr auto lockTimeout = std::chrono::seconds(5);

// nullopt: the file does not exist. Read errors other than a missing file are failures, so a
// write never replaces a file it could not read.
Result<std::optional<QByteArray>> readFile(const QString &path, qint64 maxBytes)
{
    Result<QByteArray> data = FileSystem::readFile(path, maxBytes);
    if (!data)
        return data.error().code == ENOENT ? Result<std::optional<QByteArray>>(std::nullopt)
                                           : Result<std::optional<QByteArray>>(data.error());
    return std::optional<QByteArray>(std::move(data.value()));
}

std::optional<QJsonObject> parseObject(const QByteArray &data)
{
    // A zero-byte file holds nothing worth keeping: read it as an empty suite.
    if (data.isEmpty())
        return QJsonObject();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

// The first of "<path>.corrupt-<local time>", "…-2", "…-3", … that `place` could take: it
// returns 0, or EEXIST to try the next name. An earlier copy is never replaced.
Result<QString> putAside(const QString &path, const std::function<int(const QByteArray &)> &place)
{
    const QString base = path + QStringLiteral(".corrupt-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd'T'HHmmss"));
    for (int n = 1;; ++n) {
        const QString target = n == 1 ? base : base + QLatin1Char('-') + QString::number(n);
        const int err = place(QFile::encodeName(target));
        if (err == 0)
            return target;
        if (err != EEXIST)
            return Error::fromErrno(err, target);
    }
}

// Keeps an unreadable suite next to the original so the user can still recover it.
Result<void> moveAside(const QString &path)
{
    const QByteArray source = QFile::encodeName(path);
    const Result<QString> moved = putAside(path, [&source](const QByteArray &target) {
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                        RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EINVAL)
            return errno;
        // File systems without RENAME_NOREPLACE: a hard link never replaces either.
        if (::link(source.constData(), target.constData()) != 0)
            return errno;
        return ::unlink(source.constData()) == 0 ? 0 : errno;
    });
    if (!moved)
        return moved.error();
    return success();
}

// The bytes of a data value, or the JSON text of any other value.
QByteArray valueBytes(const QJsonValue &value)
{
    if (std::optional<QByteArray> data = PreferenceSuite::toData(value))
        return *data;
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

int writeNew(const QByteArray &target, const QByteArray &data)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int err = 0;
    for (qsizetype done = 0; err == 0 && done < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n > 0)
            done += n;
        else if (errno != EINTR)
            err = errno;
    }
    if (err == 0 && ::fsync(fd) != 0 && errno != EINVAL)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        ::unlink(target.constData()); // a partial copy would pass for the whole value
    return err;
}

// An open-file-description lock on NAME.json.lock. The kernel drops it when the holder
// exits, crashed or not, so no stale lock can outlive a process; the file itself stays.
class SuiteLock {
public:
    static Result<SuiteLock> acquire(const QString &lockPath)
    {
        const QByteArray native = QFile::encodeName(lockPath);
        const int fd = ::open(native.constData(),
                              O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0)
            return Error::fromErrno(errno, lockPath);
        SuiteLock lock(fd);
        const auto deadline = std::chrono::steady_clock::now() + lockTimeout;
        auto pause = std::chrono::milliseconds(1);
        for (;;) {
            const int err = tryLock(fd);
            if (err == 0)
                return lock;
            if (err != EAGAIN && err != EACCES && err != EWOULDBLOCK)
                return Error::fromErrno(err, lockPath);
            if (std::chrono::steady_clock::now() >= deadline)
                return Error::fromErrno(EWOULDBLOCK, lockPath);
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(20));
        }
    }

    SuiteLock(SuiteLock &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    SuiteLock &operator=(SuiteLock &&) = delete;
    ~SuiteLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }

private:
    explicit SuiteLock(int fd) : m_fd(fd) {}

    // 0 when locked, else the errno of the attempt.
    static int tryLock(int fd)
    {
        struct flock range {};
        range.l_type = F_WRLCK;
        range.l_whence = SEEK_SET;
        if (::fcntl(fd, F_OFD_SETLK, &range) == 0)
            return 0;
        if (errno != EINVAL)
            return errno;
        // File systems without byte-range locks still know flock(2).
        return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    }

    int m_fd;
};

// Device, inode, size and change time: enough to tell a replaced or rewritten file.
QByteArray fileIdentity(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) +
           ':' + QByteArray::number(qint64(st.st_size)) + ':' +
           QByteArray::number(qint64(st.st_ctim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_ctim.tv_nsec));
}

} // namespace

QString PreferenceSuite::configDirectory()
{
    return FileSystem::configHome() + QStringLiteral("/brindlepath");
}

PreferenceSuite &PreferenceSuite::standard()
{
    static PreferenceSuite suite(standardName);
    return suite;
}

PreferenceSuite &PreferenceSuite::appGroup()
{
    static PreferenceSuite suite(QString::fromLatin1(AppGroupKeys::suiteName));
    // It holds one folder; anything near this size is hostile.
    static const bool limited = (suite.setReadLimit(qint64(1) << 20), true);
    Q_UNUSED(limited);
    return suite;
}

PreferenceSuite::PreferenceSuite(const QString &name, QObject *parent)
    : QObject(parent), m_name(name)
{}

PreferenceSuite::PreferenceSuite(const QString &name, const QString &directory, QObject *parent)
    : QObject(parent), m_name(name), m_directory(directory)
{}

PreferenceSuite::~PreferenceSuite()
{
    // Changes queued for this object still refer to it.
    writer().waitForDone();
}

QThreadPool &PreferenceSuite::writer()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        // One thread: changes land in the order they were asked for.
        p->setMaxThreadCount(1);
        return p;
    }();
    return *pool;
}

QString PreferenceSuite::directory() const
{
    return m_directory.isEmpty() ? configDirectory() : m_directory;
}

QString PreferenceSuite::filePath() const
{
    return directory() + QLatin1Char('/') + m_name + QStringLiteral(".json");
}

Result<QJsonObject> PreferenceSuite::readObject() const
{
    // Writers replace the file by rename, so an unlocked read sees either version whole.
    const auto data = readFile(filePath(), m_readLimit);
    if (!data.ok())
        return data.error();
    if (!data.value().has_value())
        return QJsonObject();
    if (std::optional<QJsonObject> object = parseObject(*data.value()))
        return std::move(*object);
    return Error::withMessage(filePath() + QStringLiteral(": not a JSON object"), EINVAL);
}

Result<QJsonValue> PreferenceSuite::read(const QString &key) const
{
    const Result<QJsonObject> object = readObject();
    if (!object)
        return object.error();
    return object.value().value(key);
}

Result<QString> PreferenceSuite::keepAside(const QString &key, const QJsonValue &value) const
{
    const QByteArray data = valueBytes(value);
    return putAside(filePath() + QLatin1Char('.') + key,
                    [&data](const QByteArray &target) { return writeNew(target, data); });
}

QJsonValue PreferenceSuite::value(const QString &key) const
{
    const Result<QJsonObject> object = readObject();
    return object ? object.value().value(key) : QJsonValue(QJsonValue::Undefined);
}

bool PreferenceSuite::contains(const QString &key) const
{
    const Result<QJsonObject> object = readObject();
    return object && object.value().contains(key);
}

QStringList PreferenceSuite::keys() const
{
    const Result<QJsonObject> object = readObject();
    return object ? object.value().keys() : QStringList();
}

std::optional<bool> PreferenceSuite::toBool(const QJsonValue &value)
{
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

std::optional<QString> PreferenceSuite::toString(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> PreferenceSuite::toStringList(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    QStringList list;
    list.reserve(array.size());
    for (const QJsonValue &item : array) {
        if (!item.isString())
            return std::nullopt;
        list.append(item.toString());
    }
    return list;
}

std::optional<QByteArray> PreferenceSuite::toData(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonValue encoded = value.toObject().value(base64Key);
    if (!encoded.isString())
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(encoded.toString().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(*decoded);
}

QJsonValue PreferenceSuite::fromData(const QByteArray &data)
{
    QJsonObject wrapped;
    wrapped.insert(base64Key, QString::fromLatin1(data.toBase64()));
    return wrapped;
}

std::optional<bool> PreferenceSuite::boolValue(const QString &key) const
{
    return toBool(value(key));
}

std::optional<QString> PreferenceSuite::stringValue(const QString &key) const
{
    return toString(value(key));
}

std::optional<QStringList> PreferenceSuite::stringListValue(const QString &key) const
{
    return toStringList(value(key));
}

std::optional<QByteArray> PreferenceSuite::dataValue(const QString &key) const
{
    return toData(value(key));
}

Result<void> PreferenceSuite::setBool(const QString &key, bool value)
{
    return write(key, QJsonValue(value));
}

Result<void> PreferenceSuite::setString(const QString &key, const QString &value)
{
    return write(key, QJsonValue(value));
}

Result<void> PreferenceSuite::setStringList(const QString &key, const QStringList &value)
{
    return write(key, QJsonValue(QJsonArray::fromStringList(value)));
}

Result<void> PreferenceSuite::setData(const QString &key, const QByteArray &value)
{
    return write(key, fromData(value));
}

Result<void> PreferenceSuite::remove(const QString &key)
{
    return write(key, QJsonValue(QJsonValue::Undefined));
}

Result<void> PreferenceSuite::write(const QString &key, const QJsonValue &value)
{
    return update(key, [&value](const QJsonValue &) -> Result<QJsonValue> { return value; });
}

Result<void> PreferenceSuite::update(const QString &key, const Change &change)
{
    const QString dir = directory();
    const QString path = filePath();
    if (Result<void> made = FileSystem::makePath(dir); !made)
        return made;

    // Without the lock two processes changing the file would drop each other's change.
    Result<SuiteLock> lock = SuiteLock::acquire(path + QStringLiteral(".lock"));
    if (!lock)
        return lock.error();

    const auto current = readFile(path, m_readLimit);
    if (!current.ok())
        return current.error();
    QJsonObject object;
    bool unreadable = false;
    if (current.value().has_value()) {
        if (std::optional<QJsonObject> parsed = parseObject(*current.value()))
            object = std::move(*parsed);
        else
            unreadable = true;
    }

    const Result<QJsonValue> changed = change(object.value(key));
    if (!changed)
        return changed.error();
    if (changed.value().isUndefined()) {
        if (!object.contains(key))
            return success();
        object.remove(key);
    } else {
        object.insert(key, changed.value());
    }

    if (unreadable) {
        if (Result<void> moved = moveAside(path); !moved)
            return moved;
    }
    if (Result<void> written = FileSystem::writeAtomically(
            path, QJsonDocument(object).toJson(QJsonDocument::Indented));
        !written)
        return written;
    Q_EMIT valueChanged(key);
    return success();
}

QFuture<Result<void>> PreferenceSuite::updateLater(const QString &key, Change change)
{
    auto promise = std::make_shared<QPromise<Result<void>>>();
    promise->start();
    QFuture<Result<void>> future = promise->future();
    writer().start([this, key, change = std::move(change), promise] {
        promise->addResult(update(key, change));
        promise->finish();
    });
    return future;
}

void PreferenceSuite::watch()
{
    if (m_watcher)
        return;
    const QString dir = directory();
    (void)FileSystem::makePath(dir);
    m_watcher = new QFileSystemWatcher(this);
    // Static suites outlive the application; their watcher must not.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QObject::destroyed, m_watcher, [w = m_watcher] { delete w.data(); });
    // Writers replace the file by rename, which only the folder's watch sees.
    m_watcher->addPath(dir);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &PreferenceSuite::checkFile);
    m_fileIdentity = fileIdentity(filePath());
}

void PreferenceSuite::checkFile()
{
    // The folder also changes for lock and temporary files; only a new file matters.
    QByteArray identity = fileIdentity(filePath());
    if (identity == m_fileIdentity)
        return;
    m_fileIdentity = std::move(identity);
    Q_EMIT changedOnDisk();
}

} // namespace bp
