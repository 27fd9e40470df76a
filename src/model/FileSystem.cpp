#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bp::FileSystem {
namespace {

bool statPath(const QByteArray &native, struct stat &st)
{
    return ::stat(native.constData(), &st) == 0;
}

Error saveError(const QSaveFile &file, int err)
{
    if (err != 0)
        return Error::fromErrno(err, file.fileName());
    return Error{0, file.fileName() + QStringLiteral(": ") + file.errorString(), file.fileName(),
                 Error::Kind::other};
}

Result<void> save(QSaveFile &file, const QByteArray &data,
                  std::optional<QFileDevice::Permissions> permissions)
{
    errno = 0;
    // Unbuffered: Qt 6.4 commits a file whose buffered bytes a full disk refused, so every
    // write must be checked where it happens.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        int err = errno;
        // Qt refuses a file it may not write before any system call could say why.
        if (err == 0 && ::access(QFile::encodeName(file.fileName()).constData(), W_OK) != 0 &&
            errno != ENOENT)
            err = errno;
        return saveError(file, err);
    }
    errno = 0;
    if (file.write(data) != data.size())
        return saveError(file, errno);
    // Some file systems report a full disk only here, and the commit ignores it.
    if (::fsync(file.handle()) != 0 && errno != EINVAL)
        return saveError(file, errno);
    if (permissions && !file.setPermissions(*permissions))
        return saveError(file, errno);
    errno = 0;
    if (!file.commit())
        return saveError(file, errno);
    return success();
}

} // namespace

Result<QByteArray> readFile(const QString &path, qint64 maxBytes)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Error::fromErrno(errno, path);
    const auto fail = [fd](const Error &error) {
        ::close(fd);
        return error;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(Error::fromErrno(errno, path));
    if (!S_ISREG(st.st_mode))
        return fail(Error{EINVAL, path + QStringLiteral(": not a regular file"), path,
                          Error::Kind::notRegularFile});
    const Error tooLarge{EFBIG,
                         path + QStringLiteral(": larger than ") +
                             QLocale::c().formattedDataSize(maxBytes, 0),
                         path, Error::Kind::other};
    if (st.st_size > maxBytes)
        return fail(tooLarge);
    QByteArray data;
    data.reserve(qsizetype(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(Error::fromErrno(errno, path));
        }
        // The file may grow while it is read.
        if (data.size() + n > maxBytes)
            return fail(tooLarge);
        data.append(buffer, n);
    }
    ::close(fd);
    return data;
}

Result<void> writeAtomically(const QString &path, const QByteArray &data,
                             std::optional<QFileDevice::Permissions> permissions)
{
    QSaveFile file(path);
    return save(file, data, permissions);
}

Result<void> writeChosenFile(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    return save(file, data, std::nullopt);
}

Result<void> writeNew(const QString &final, const QByteArray &data)
{
    const QFileInfo info(final);
    const QString temporary = info.absolutePath() + QStringLiteral("/.") +
                              info.fileName().left(64) + QStringLiteral(".tmp-") +
                              QString::number(QRandomGenerator::global()->generate64(), 36);
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return Error::withMessage(temporary + QStringLiteral(": ") + file.errorString());
    const bool written = file.write(data) == data.size() && file.flush() &&
                         (::fsync(file.handle()) == 0 || errno == EINVAL);
    file.close();
    if (!written) {
        QFile::remove(temporary);
        return Error::withMessage(temporary + QStringLiteral(": ") + file.errorString());
    }
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(final);
    // Where RENAME_NOREPLACE is unknown, a hard link cannot replace a name either.
    int result =
        ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
        result = ::link(from.constData(), to.constData());
    const int err = errno;
    ::unlink(from.constData()); // gone after a rename; the spare name after a link
    if (result != 0)
        return Error::fromErrno(err, final);
    return success();
}

QString configHome()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base);
}

bool isDirectory(const QString &path)
{
    struct stat st;
    return statPath(QFile::encodeName(path), st) && S_ISDIR(st.st_mode);
}

bool exists(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

Result<void> makePath(const QString &path)
{
    // A NUL would silently cut the name short in the system call.
    if (path.isEmpty() || path.contains(QChar(0)))
        return Error::fromErrno(EINVAL, path);
    const QByteArray native = QFile::encodeName(path);
    // Fast path first: the common case is a parent that exists, costing one system call.
    if (::mkdir(native.constData(), 0777) == 0)
        return success();
    int err = errno;
    if (err == EEXIST) {
        if (isDirectory(path))
            return success();
        return Error::fromErrno(EEXIST, path);
    }
    if (err != ENOENT)
        return Error::fromErrno(err, path);

    // Walk down from the root creating each missing component in turn.
    qsizetype pos = native.startsWith('/') ? 1 : 0;
    while (pos <= native.size()) {
        qsizetype slash = native.indexOf('/', pos);
        if (slash < 0)
            slash = native.size();
        if (slash > pos) {
            const QByteArray prefix = native.left(slash);
            if (::mkdir(prefix.constData(), 0777) != 0) {
                err = errno;
                struct stat st;
                if (err != EEXIST)
                    return Error::fromErrno(err, QFile::decodeName(prefix));
                if (!statPath(prefix, st) || !S_ISDIR(st.st_mode))
                    return Error::fromErrno(slash == native.size() ? EEXIST : ENOTDIR,
                                            QFile::decodeName(prefix));
            }
        }
        pos = slash + 1;
    }
    return success();
}

} // namespace bp::FileSystem
