#include "FileMove.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace bp::FileMove {
namespace {

struct Paths {
    QString from;
    QString to;
    QByteArray src;
    QByteArray dst;

    Paths(const QString &f, const QString &t)
        : from(f), to(t), src(QFile::encodeName(f)), dst(QFile::encodeName(t))
    {}
};

// Names the side a failure is about: a vanished source, otherwise the destination.
Error moveError(int err, const Paths &p)
{
    struct stat st;
    if (err == ENOENT && ::lstat(p.src.constData(), &st) != 0)
        return Error::fromErrno(err, p.from);
    return Error::fromErrno(err, p.to);
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // errno of close(2), or 0: network file systems report late write errors here.
    int close()
    {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool sameContentState(const struct stat &a, const struct stat &b)
{
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Directories cannot be hard-linked or copied as one file, and other special files are not
// worth the risk.
bool movable(mode_t mode)
{
    return S_ISREG(mode) || S_ISLNK(mode);
}

// How file systems without hard links, symlinks or permissions (FAT, exFAT, SMB) refuse.
bool unsupported(int err)
{
    return err == EPERM || err == EOPNOTSUPP || err == ENOSYS;
}

// Removes a file we made, but only while the name still refers to it.
void removeOwn(const QByteArray &path, const struct stat &own)
{
    struct stat now;
    if (::lstat(path.constData(), &now) == 0 && sameFile(now, own))
        ::unlink(path.constData());
}

// The source must still be the file we read before its name is removed: a file put in its
// place meanwhile is someone else's.
std::optional<Error> checkSourceUnchanged(const Paths &p, const struct stat &read)
{
    struct stat now;
    if (::lstat(p.src.constData(), &now) != 0)
        return Error::fromErrno(errno, p.from);
    if (!sameFile(now, read))
        return Error::fromErrno(EBUSY, p.from);
    return std::nullopt;
}

// The source's lstat, or the error to report; the fallbacks move files and symlinks only.
Result<struct stat> movableSource(const Paths &p)
{
    struct stat st;
    if (::lstat(p.src.constData(), &st) != 0)
        return Error::fromErrno(errno, p.from);
    if (!movable(st.st_mode))
        return Error::fromErrno(EOPNOTSUPP, p.from);
    return st;
}

Result<void> linkThenUnlink(const Paths &p, bool &linkRefused)
{
    // Flags 0: link the symlink itself, never its target.
    if (::linkat(AT_FDCWD, p.src.constData(), AT_FDCWD, p.dst.constData(), 0) != 0) {
        const int err = errno;
        linkRefused = unsupported(err);
        return moveError(err, p);
    }
    if (::unlink(p.src.constData()) != 0) {
        const int err = errno;
        // Both names point at the same inode, so dropping the new one loses nothing.
        ::unlink(p.dst.constData());
        return Error::fromErrno(err, p.from);
    }
    return success();
}

// The placeholder we created, untouched: empty, and the same inode.
bool stillClaimed(const QByteArray &path, const struct stat &claim)
{
    struct stat now;
    return ::lstat(path.constData(), &now) == 0 && sameFile(now, claim) && S_ISREG(now.st_mode) &&
           now.st_size == 0;
}

Result<void> claimThenRename(const Paths &p, const struct stat &st)
{
    // Other programs that test for a free name, this one included, see the name as taken
    // from here on. What remains is a race with a program that deletes our empty placeholder
    // and puts a file of its own there between the check below and rename(2), which would
    // then replace that file. No atomic no-replace move exists on a file system that lacks
    // both RENAME_NOREPLACE and hard links; the window is one system call wide.
    Fd claim(::open(p.dst.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!claim.valid())
        return moveError(errno, p);
    struct stat placeholder;
    const int statErr = ::fstat(claim.get(), &placeholder) == 0 ? 0 : errno;
    // Closed before the rename: FUSE keeps a replaced file that is still open as a
    // ".fuse_hidden" file.
    claim.close();
    if (statErr != 0) {
        ::unlink(p.dst.constData());
        return Error::fromErrno(statErr, p.to);
    }
    if (!stillClaimed(p.dst, placeholder))
        return Error::fromErrno(EEXIST, p.to);
    if (::rename(p.src.constData(), p.dst.constData()) != 0) {
        const int err = errno;
        if (stillClaimed(p.dst, placeholder))
            ::unlink(p.dst.constData());
        return moveError(err, p);
    }
    // fusefat stamps a renamed file with the current time; a move must not change it.
    struct stat moved;
    if (::lstat(p.dst.constData(), &moved) == 0 && !sameContentState(moved, st)) {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        (void)::utimensat(AT_FDCWD, p.dst.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    return success();
}

// Errors after which a slower way of copying may still work.
bool tryAnotherWay(int err)
{
    return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF;
}

// Copies from the current offsets of in to out, the kernel's fastest way first.
class DataCopier {
public:
    // Bytes copied, 0 at the end of the file, -1 with errno set. readFailed tells which side
    // failed where that is known.
    ssize_t next(int in, int out, bool &readFailed)
    {
        for (;;) {
            ssize_t n = -1;
            switch (m_way) {
            case Way::copyFileRange:
                n = ::copy_file_range(in, nullptr, out, nullptr, size_t(progressStep), 0);
                break;
            case Way::sendFile:
                n = ::sendfile(out, in, nullptr, size_t(progressStep));
                break;
            case Way::readWrite:
                return readWrite(in, out, readFailed);
            }
            if (n < 0 && errno == EINTR)
                continue;
            // Some file systems answer 0 instead of refusing; only read(2) is trusted with
            // the end of a file.
            if ((n < 0 && tryAnotherWay(errno)) || (n == 0 && !m_moved)) {
                m_way = Way(int(m_way) + 1);
                continue;
            }
            m_moved = m_moved || n > 0;
            return n;
        }
    }

private:
    enum class Way { copyFileRange, sendFile, readWrite };

    ssize_t readWrite(int in, int out, bool &readFailed)
    {
        if (!m_buffer)
            m_buffer = std::make_unique<char[]>(bufferSize);
        ssize_t got = 0;
        do {
            got = ::read(in, m_buffer.get(), bufferSize);
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            readFailed = got < 0;
            return got;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, m_buffer.get() + done, size_t(got - done));
            if (put == 0)
                errno = EIO;
            if (put == 0 || (put < 0 && errno != EINTR))
                return -1;
            done += std::max<ssize_t>(put, 0);
        }
        return got;
    }

    static constexpr size_t bufferSize = size_t(1) << 20;
    Way m_way = Way::copyFileRange;
    bool m_moved = false;
    std::unique_ptr<char[]> m_buffer;
};

// Fills the freshly created out with the contents, permissions and times of in and makes it
// durable. Leaves removing a failed copy to the caller.
std::optional<Error> writeCopy(int in, int out, const struct stat &source, const Paths &p,
                               const CopyProgress &progress)
{
    DataCopier copier;
    qint64 copied = 0;
    qint64 reported = -1; // so that an empty file reports its end too
    for (;;) {
        bool readFailed = false;
        const ssize_t n = copier.next(in, out, readFailed);
        if (n < 0)
            return Error::fromErrno(errno, readFailed ? p.from : p.to);
        if (n == 0)
            break;
        copied += n;
        if (progress && copied - std::max<qint64>(reported, 0) >= progressStep) {
            progress(copied, source.st_size);
            reported = copied;
        }
    }
    struct stat after;
    if (::fstat(in, &after) != 0)
        return Error::fromErrno(errno, p.from);
    // Still being written (a card reader, a download): what we copied is not the whole file.
    if (copied != source.st_size || !sameContentState(after, source))
        return Error::fromErrno(EBUSY, p.from);

    if (::fchmod(out, source.st_mode & 0777) != 0 && !unsupported(errno))
        return Error::fromErrno(errno, p.to);
    const timespec times[2] = {source.st_atim, source.st_mtim};
    if (::futimens(out, times) != 0 && !unsupported(errno))
        return Error::fromErrno(errno, p.to);
    // EINVAL: the file system has nothing to flush.
    if (::fsync(out) != 0 && errno != EINVAL)
        return Error::fromErrno(errno, p.to);
    struct stat written;
    if (::fstat(out, &written) != 0)
        return Error::fromErrno(errno, p.to);
    if (written.st_size != copied)
        return Error::fromErrno(EIO, p.to);
    if (progress && reported != copied)
        progress(copied, source.st_size);
    return std::nullopt;
}

Result<void> copySymlink(const Paths &p, const struct stat &source)
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(p.src.constData(), target, sizeof target);
    if (length < 0)
        return Error::fromErrno(errno, p.from);
    if (size_t(length) == sizeof target)
        return Error::fromErrno(ENAMETOOLONG, p.from);
    target[length] = '\0';
    // symlink(2) never replaces. FAT and exFAT have no symlinks: the link then stays where
    // it is, and the error says why.
    if (::symlink(target, p.dst.constData()) != 0)
        return Error::fromErrno(unsupported(errno) ? EOPNOTSUPP : errno, p.to);
    struct stat made;
    if (::lstat(p.dst.constData(), &made) != 0)
        return Error::fromErrno(errno, p.to);
    const timespec times[2] = {source.st_atim, source.st_mtim};
    (void)::utimensat(AT_FDCWD, p.dst.constData(), times, AT_SYMLINK_NOFOLLOW);
    std::optional<Error> failure = checkSourceUnchanged(p, source);
    if (!failure && ::unlink(p.src.constData()) != 0)
        failure = Error::fromErrno(errno, p.from);
    if (failure) {
        removeOwn(p.dst, made);
        return *failure;
    }
    return success();
}

Result<void> copyThenRemove(const Paths &p, const CopyProgress &progress)
{
    struct stat source;
    if (::lstat(p.src.constData(), &source) != 0)
        return Error::fromErrno(errno, p.from);
    if (S_ISLNK(source.st_mode))
        return copySymlink(p, source);
    if (!S_ISREG(source.st_mode))
        return Error::fromErrno(EOPNOTSUPP, p.from);

    Fd in(::open(p.src.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in.valid())
        return Error::fromErrno(errno, p.from);
    struct stat opened;
    if (::fstat(in.get(), &opened) != 0)
        return Error::fromErrno(errno, p.from);
    if (!sameFile(opened, source))
        return Error::fromErrno(EBUSY, p.from);

    // Owner-only until the copy is complete; the source's permissions come at the end.
    Fd out(::open(p.dst.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid())
        return Error::fromErrno(errno, p.to);
    struct stat copy;
    std::optional<Error> failure;
    if (::fstat(out.get(), &copy) != 0) {
        failure = Error::fromErrno(errno, p.to);
        ::unlink(p.dst.constData());
        return *failure;
    }
    failure = writeCopy(in.get(), out.get(), opened, p, progress);
    if (const int err = out.close(); !failure && err != 0)
        failure = Error::fromErrno(err, p.to);
    if (!failure)
        failure = checkSourceUnchanged(p, opened);
    // A writer that still holds the source open could add to it after this point; that
    // cannot be seen from here.
    if (!failure && ::unlink(p.src.constData()) != 0)
        failure = Error::fromErrno(errno, p.from);
    if (failure) {
        removeOwn(p.dst, copy);
        return *failure;
    }
    return success();
}

} // namespace

Result<void> linkThenUnlink(const QString &from, const QString &to)
{
    const Paths p(from, to);
    if (const Result<struct stat> source = movableSource(p); !source)
        return source.error();
    bool linkRefused = false;
    return linkThenUnlink(p, linkRefused);
}

Result<void> claimThenRename(const QString &from, const QString &to)
{
    const Paths p(from, to);
    const Result<struct stat> source = movableSource(p);
    if (!source)
        return source.error();
    return claimThenRename(p, source.value());
}

Result<void> copyThenRemove(const QString &from, const QString &to, const CopyProgress &progress)
{
    return copyThenRemove(Paths(from, to), progress);
}

Result<void> moveNoReplace(const QString &from, const QString &to)
{
    return moveNoReplace(from, to, CopyProgress());
}

Result<void> moveNoReplace(const QString &from, const QString &to, const CopyProgress &progress)
{
    const Paths p(from, to);
    if (::renameat2(AT_FDCWD, p.src.constData(), AT_FDCWD, p.dst.constData(), RENAME_NOREPLACE) ==
        0)
        return success();
    const int err = errno;
    if (err == EXDEV)
        return copyThenRemove(p, progress);
    // Some file systems (older NFS, FUSE) do not know the flag; plain rename(2) would replace.
    if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP)
        return moveError(err, p);
    const Result<struct stat> source = movableSource(p);
    if (!source)
        return source.error();
    // One refusal is enough to know a file system: on a network share every refused link
    // costs a round trip. A device number reused by a later mount at worst skips a link that
    // would have worked.
    static std::atomic<dev_t> linklessDevice{dev_t(-1)};
    if (source.value().st_dev != linklessDevice.load(std::memory_order_relaxed)) {
        bool linkRefused = false;
        const Result<void> linked = linkThenUnlink(p, linkRefused);
        if (linked)
            return linked;
        if (linked.error().code == EXDEV)
            return copyThenRemove(p, progress);
        if (!linkRefused)
            return linked;
        linklessDevice.store(source.value().st_dev, std::memory_order_relaxed);
    }
    return claimThenRename(p, source.value());
}

} // namespace bp::FileMove
