#include "FileMove.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bp::FileMove {
namespace {

// Names the side a failure is about: a vanished source, otherwise the destination.
Error moveError(int err, const QByteArray &nativeFrom, const QString &from, const QString &to)
{
    struct stat st;
    if (err == ENOENT && ::lstat(nativeFrom.constData(), &st) != 0)
        return Error::fromErrno(err, from);
    return Error::fromErrno(err, to);
}

} // namespace

Result<void> linkThenUnlink(const QString &from, const QString &to)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    struct stat st;
    if (::lstat(src.constData(), &st) != 0)
        return Error::fromErrno(errno, from);
    // Directories cannot be hard-linked, and other special files are not worth the risk.
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        return Error::fromErrno(EOPNOTSUPP, from);
    // Flags 0: link the symlink itself, never its target.
    if (::linkat(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), 0) != 0)
        return moveError(errno, src, from, to);
    if (::unlink(src.constData()) != 0) {
        const int err = errno;
        // Both names point at the same inode, so dropping the new one loses nothing.
        ::unlink(dst.constData());
        return Error::fromErrno(err, from);
    }
    return success();
}

Result<void> moveNoReplace(const QString &from, const QString &to)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return success();
    const int err = errno;
    // Some file systems (older NFS, FUSE) do not know the flag; plain rename(2) would replace.
    if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP)
        return linkThenUnlink(from, to);
    return moveError(err, src, from, to);
}

} // namespace bp::FileMove
