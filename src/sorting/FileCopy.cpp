#include "FileCopy.h"

#include "FileMove.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bp::FileCopy {
namespace {

thread_local Method g_lastMethod = Method::readWrite;

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

bool taken(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Errors that mean "not this way here", not "this copy failed".
bool notOffered(int err)
{
    return err == EOPNOTSUPP || err == ENOTTY || err == EXDEV || err == EINVAL || err == ENOSYS ||
           err == EBADF || err == ENOTSUP;
}

// A new, exclusively created file beside to: never a name anyone else uses.
struct Temporary {
    QString path;
    Fd fd;
};

Result<std::unique_ptr<Temporary>> createTemporary(const QString &to)
{
    const QFileInfo target(to);
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto temporary = std::make_unique<Temporary>();
        temporary->path = target.absolutePath() + QStringLiteral("/.") +
                          target.fileName().left(64) + QStringLiteral(".bp-") +
                          QString::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(QFile::encodeName(temporary->path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temporary->fd.reset(fd);
            return temporary;
        }
        if (errno != EEXIST)
            return Error::fromErrno(errno, to);
    }
    return Error::fromErrno(EEXIST, to);
}

std::optional<Error> writeAll(int out, const char *data, qint64 size, const QString &path)
{
    for (qint64 done = 0; done < size;) {
        const ssize_t put = ::write(out, data + done, size_t(size - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return Error::fromErrno(put < 0 ? errno : EIO, path);
        done += put;
    }
    return std::nullopt;
}

// Fills out with in's bytes, the fastest way offered first; in and out at offset 0.
std::optional<Error> copyData(int in, int out, qint64 size, Method fastest, const QString &from,
                              const QString &to)
{
    if (fastest == Method::reflink) {
        if (::ioctl(out, FICLONE, in) == 0) {
            g_lastMethod = Method::reflink;
            return std::nullopt;
        }
        if (!notOffered(errno))
            return Error::fromErrno(errno, to);
    }
    qint64 copied = 0;
    if (fastest != Method::readWrite) {
        g_lastMethod = Method::copyRange;
        while (copied < size) {
            const ssize_t n =
                ::copy_file_range(in, nullptr, out, nullptr, size_t(size - copied), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n > 0) {
                copied += n;
                continue;
            }
            // Some file systems answer 0 or refuse instead of copying: read the rest.
            if (n < 0 && !notOffered(errno))
                return Error::fromErrno(errno, to);
            break;
        }
        if (copied == size)
            return std::nullopt;
    }
    g_lastMethod = Method::readWrite;
    constexpr qint64 bufferSize = qint64(1) << 20;
    const auto buffer = std::make_unique<char[]>(bufferSize);
    for (;;) {
        const ssize_t got = ::read(in, buffer.get(), bufferSize);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Error::fromErrno(errno, from);
        if (got == 0)
            return std::nullopt;
        if (std::optional<Error> error = writeAll(out, buffer.get(), got, to))
            return error;
    }
}

// Flushes the temporary and gives it its name without replacing anything.
Result<Outcome> install(Temporary &temporary, qint64 expectedSize, const QString &to)
{
    struct stat written;
    if (::fstat(temporary.fd.get(), &written) != 0)
        return Error::fromErrno(errno, to);
    if (written.st_size != expectedSize)
        return Error::fromErrno(EIO, to);
    // EINVAL: the file system has nothing to flush.
    if (::fsync(temporary.fd.get()) != 0 && errno != EINVAL)
        return Error::fromErrno(errno, to);
    if (::close(temporary.fd.release()) != 0 && errno != EINTR)
        return Error::fromErrno(errno, to);
    const Result<void> moved = FileMove::moveNoReplace(temporary.path, to);
    if (moved)
        return Outcome::copied;
    if (moved.error().code == EEXIST)
        return Outcome::kept;
    return moved.error();
}

template <typename Fill> Result<Outcome> putNew(const QString &to, qint64 size, Fill fill)
{
    if (taken(to))
        return Outcome::kept;
    Result<std::unique_ptr<Temporary>> temporary = createTemporary(to);
    if (!temporary)
        return temporary.error();
    Temporary &t = *temporary.value();
    Result<Outcome> outcome = Error::fromErrno(EIO, to);
    if (std::optional<Error> error = fill(t.fd.get()))
        outcome = *error;
    else
        outcome = install(t, size, to);
    // Whatever became of it, the temporary name is never left behind.
    if (!outcome || outcome.value() == Outcome::kept)
        ::unlink(QFile::encodeName(t.path).constData());
    return outcome;
}

} // namespace

Result<Outcome> copyNew(const QString &from, const QString &to, Method fastest)
{
    const Fd in(::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0)
        return Error::fromErrno(errno, from);
    struct stat source;
    if (::fstat(in.get(), &source) != 0)
        return Error::fromErrno(errno, from);
    if (!S_ISREG(source.st_mode)) {
        Error error = Error::fromErrno(EINVAL, from);
        error.kind = Error::Kind::notRegularFile;
        return error;
    }
    return putNew(to, source.st_size, [&](int out) {
        return copyData(in.get(), out, source.st_size, fastest, from, to);
    });
}

Result<Outcome> writeNew(const QString &to, const QByteArray &data)
{
    return putNew(to, data.size(), [&](int out) {
        g_lastMethod = Method::readWrite;
        return writeAll(out, data.constData(), data.size(), to);
    });
}

Method lastMethod()
{
    return g_lastMethod;
}

} // namespace bp::FileCopy
