#include "FileSystem.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace bp::FileSystem {
namespace {

bool statPath(const QByteArray &native, struct stat &st)
{
    return ::stat(native.constData(), &st) == 0;
}

} // namespace

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
