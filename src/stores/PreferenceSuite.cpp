#include "PreferenceSuite.h"

#include "extension/AppGroupKeys.h"
#include "model/FileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLockFile>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace bp {
namespace {

const QString base64Key = QStringLiteral("base64");

// Long enough to ride out another process's write, short enough not to hang the UI for good.
constexpr int lockTimeoutMs = 5000;

// nullopt: the file does not exist. Read errors other than a missing file are failures, so a
// write never replaces a file it could not read.
Result<std::optional<QByteArray>> readFile(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::optional<QByteArray>();
        return Error::fromErrno(errno, path);
    }
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return Error::fromErrno(err, path);
        }
        data.append(buffer, n);
    }
    ::close(fd);
    return std::optional<QByteArray>(std::move(data));
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

// Keeps an unreadable suite next to the original so the user can still recover it.
Result<void> moveAside(const QString &path)
{
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd'T'HHmmss"));
    const QString base = path + QStringLiteral(".corrupt-") + stamp;
    QString target = base;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) !=
        0)
        return Error::fromErrno(errno, path);
    return success();
}

Error saveError(const QSaveFile &file, int err)
{
    if (err != 0)
        return Error::fromErrno(err, file.fileName());
    return Error::withMessage(file.fileName() + QStringLiteral(": ") + file.errorString());
}

Result<void> writeAtomically(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return saveError(file, errno);
    errno = 0;
    if (file.write(data) != data.size())
        return saveError(file, errno);
    errno = 0;
    if (!file.commit())
        return saveError(file, errno);
    return success();
}

Error lockError(const QLockFile &lock, const QString &lockPath)
{
    switch (lock.error()) {
    case QLockFile::PermissionError:
        return Error::fromErrno(EACCES, lockPath);
    case QLockFile::LockFailedError:
        return Error::fromErrno(EWOULDBLOCK, lockPath);
    default:
        return Error::withMessage(lockPath + QStringLiteral(": could not be locked"));
    }
}

} // namespace

QString PreferenceSuite::configDirectory()
{
    // Per the XDG base directory rules a relative XDG_CONFIG_HOME is invalid and ignored.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base) + QStringLiteral("/brindlepath");
}

PreferenceSuite &PreferenceSuite::standard()
{
    static PreferenceSuite suite(standardName);
    return suite;
}

PreferenceSuite &PreferenceSuite::appGroup()
{
    static PreferenceSuite suite(QString::fromLatin1(AppGroupKeys::suiteName));
    return suite;
}

PreferenceSuite::PreferenceSuite(const QString &name, QObject *parent)
    : QObject(parent), m_name(name)
{}

PreferenceSuite::PreferenceSuite(const QString &name, const QString &directory, QObject *parent)
    : QObject(parent), m_name(name), m_directory(directory)
{}

QString PreferenceSuite::directory() const
{
    return m_directory.isEmpty() ? configDirectory() : m_directory;
}

QString PreferenceSuite::filePath() const
{
    return directory() + QLatin1Char('/') + m_name + QStringLiteral(".json");
}

QJsonObject PreferenceSuite::readObject() const
{
    // Writers replace the file by rename, so an unlocked read sees either version whole.
    const auto data = readFile(filePath());
    if (!data.ok() || !data.value().has_value())
        return {};
    return parseObject(*data.value()).value_or(QJsonObject());
}

bool PreferenceSuite::contains(const QString &key) const
{
    return readObject().contains(key);
}

QStringList PreferenceSuite::keys() const
{
    return readObject().keys();
}

std::optional<bool> PreferenceSuite::boolValue(const QString &key) const
{
    const QJsonValue value = readObject().value(key);
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

std::optional<QString> PreferenceSuite::stringValue(const QString &key) const
{
    const QJsonValue value = readObject().value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> PreferenceSuite::stringListValue(const QString &key) const
{
    const QJsonValue value = readObject().value(key);
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

std::optional<QByteArray> PreferenceSuite::dataValue(const QString &key) const
{
    const QJsonValue value = readObject().value(key);
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
    QJsonObject wrapped;
    wrapped.insert(base64Key, QString::fromLatin1(value.toBase64()));
    return write(key, QJsonValue(wrapped));
}

Result<void> PreferenceSuite::remove(const QString &key)
{
    return write(key, std::nullopt);
}

Result<void> PreferenceSuite::write(const QString &key, const std::optional<QJsonValue> &value)
{
    const QString dir = directory();
    const QString path = filePath();
    if (Result<void> made = FileSystem::makePath(dir); !made)
        return made;

    // Without the lock two processes writing different keys would drop each other's change.
    const QString lockPath = path + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    if (!lock.tryLock(lockTimeoutMs))
        return lockError(lock, lockPath);

    const auto current = readFile(path);
    if (!current.ok())
        return current.error();
    QJsonObject object;
    if (current.value().has_value()) {
        if (std::optional<QJsonObject> parsed = parseObject(*current.value()))
            object = std::move(*parsed);
        else if (Result<void> moved = moveAside(path); !moved)
            return moved;
    }

    if (value.has_value()) {
        object.insert(key, *value);
    } else {
        if (!object.contains(key))
            return success();
        object.remove(key);
    }

    if (Result<void> written =
            writeAtomically(path, QJsonDocument(object).toJson(QJsonDocument::Indented));
        !written)
        return written;
    lock.unlock();
    Q_EMIT valueChanged(key);
    return success();
}

} // namespace bp
