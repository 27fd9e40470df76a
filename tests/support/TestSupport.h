#pragma once

// Small helpers shared by tests of several layers.

#include <QEventLoop>
#include <QFile>
#include <QFuture>
#include <QFutureWatcher>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bp::test {

// A gtest case name made from any text: runs of other characters become one underscore.
inline std::string nameFromText(const QString &text)
{
    std::string name;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            name += char(c.unicode());
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    return name.empty() ? "empty" : name;
}

// Runs this thread's event loop until the future is done, so that continuations bound to
// objects of this thread run meanwhile; returns its result.
template <typename T> T await(const QFuture<T> &future)
{
    if (!future.isFinished()) {
        QEventLoop loop;
        QFutureWatcher<T> watcher;
        QObject::connect(&watcher, &QFutureWatcher<T>::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(future);
        if (!future.isFinished())
            loop.exec();
    }
    return future.result();
}

// Names the cases of a parameterised suite in the order of its values.
template <typename Info, typename... Names>
std::string nameByIndex(const Info &info, const Names &...names)
{
    const char *const all[] = {names...};
    return all[info.index];
}

// Sets or clears an inode attribute (FS_IMMUTABLE_FL, FS_APPEND_FL, ...) that binds even root.
// Returns errno, 0 on success.
inline int setInodeFlag(const QString &path, int flag, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return errno;
    int flags = 0;
    int err = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? 0 : errno;
    if (err == 0) {
        flags = on ? flags | flag : flags & ~flag;
        err = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0 ? 0 : errno;
    }
    ::close(fd);
    return err;
}

// Even root cannot add to or remove from an immutable folder.
inline int setImmutable(const QString &path, bool on)
{
    return setInodeFlag(path, FS_IMMUTABLE_FL, on);
}

// Another process that holds a suite's lock file locked, as a writer in the middle of its
// change would, until it is killed.
class LockHolder {
public:
    explicit LockHolder(const QString &lockPath)
    {
        const QByteArray native = QFile::encodeName(lockPath);
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls from here on.
            const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            struct flock range {};
            range.l_type = F_WRLCK;
            range.l_whence = SEEK_SET;
            const char ok = fd >= 0 && ::fcntl(fd, F_OFD_SETLKW, &range) == 0 ? 1 : 0;
            (void)!::write(ready[1], &ok, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = 0;
        m_holding = m_pid > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 1;
        ::close(ready[0]);
    }
    LockHolder(const LockHolder &) = delete;
    LockHolder &operator=(const LockHolder &) = delete;
    ~LockHolder() { crash(); }

    bool holding() const { return m_holding; }

    // Ends the holder the way a crash would: no cleanup of its own.
    void crash()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
        m_holding = false;
    }

private:
    pid_t m_pid = -1;
    bool m_holding = false;
};

} // namespace bp::test
