#pragma once

// Real file systems for the move tests and the benchmark: FAT and exFAT through their Debian
// FUSE drivers, and tmpfs. Header-only so that the benchmark can use it without gtest.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bp::test {

enum class FileSystemKind { disk, tmpfs, fuseFat, fuseExfat };

inline const char *kindName(FileSystemKind kind)
{
    static const char *const names[] = {"disk", "tmpfs", "fat", "exfat"};
    return names[int(kind)];
}

// A file system mounted at a new folder below parent (named after the kind unless given),
// unmounted again on destruction, so that no mount outlives a test. Every instance has its
// own mount point, so tests can run in parallel. For disk it is a plain folder.
class Mount {
public:
    Mount(FileSystemKind kind, const QString &parent, const QByteArray &tmpfsOptions = "size=64m",
          const QString &folder = {})
        : m_kind(kind), m_path(parent + QStringLiteral("/") +
                               (folder.isEmpty() ? QString::fromLatin1(kindName(kind)) : folder)),
          m_image(m_path + QStringLiteral(".img")), m_log(m_path + QStringLiteral(".log"))
    {
        if (!QDir().mkpath(m_path)) {
            m_error = QStringLiteral("cannot make the folder ") + m_path;
            return;
        }
        switch (kind) {
        case FileSystemKind::disk:
            return;
        case FileSystemKind::tmpfs:
            if (::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", 0,
                        tmpfsOptions.constData()) != 0) {
                m_error = QStringLiteral("cannot mount a tmpfs (needs root or CAP_SYS_ADMIN): ") +
                          QString::fromLocal8Bit(std::strerror(errno));
                return;
            }
            m_mounted = true;
            return;
        case FileSystemKind::fuseFat:
        case FileSystemKind::fuseExfat:
            mountFuse();
            return;
        }
    }
    ~Mount()
    {
        if (m_mounted) {
            // fusermount lets the driver finish its writes; a busy mount is detached instead.
            const bool fuse = m_kind != FileSystemKind::tmpfs;
            if (!fuse || !run(QStringLiteral("fusermount3"), {"-u", m_path}).isEmpty())
                ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
        }
        // A device still held by the driver is freed once the driver lets go of it.
        if (!m_loopDevice.isEmpty())
            (void)run(QStringLiteral("losetup"), {"-d", m_loopDevice});
        QFile::remove(m_image);
        QFile::remove(m_log);
    }
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;

    bool ok() const { return m_error.isEmpty(); }
    // Why it could not be mounted, for a skip message.
    const QString &error() const { return m_error; }
    const QString &path() const { return m_path; }
    FileSystemKind kind() const { return m_kind; }

    // Returns errno, 0 on success.
    int remountReadOnly() const
    {
        return ::mount(nullptr, QFile::encodeName(m_path).constData(), nullptr,
                       MS_REMOUNT | MS_RDONLY, nullptr) == 0
                   ? 0
                   : errno;
    }

private:
    // Runs a tool; returns its complaint, empty on success. With a log, its output goes
    // there: a FUSE driver stays in the background and must not write into a closed pipe.
    static QString run(const QString &program, const QStringList &arguments,
                       QString *output = nullptr, const QString &log = {})
    {
        QProcess process;
        if (!log.isEmpty()) {
            process.setStandardOutputFile(QProcess::nullDevice());
            process.setStandardErrorFile(log);
        }
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            QFile logFile(log);
            const QByteArray said = log.isEmpty() ? process.readAllStandardError()
                                    : logFile.open(QIODevice::ReadOnly) ? logFile.readAll()
                                                                        : QByteArray();
            return program + QStringLiteral(" failed: ") +
                   (said.trimmed().isEmpty() ? process.errorString()
                                             : QString::fromLocal8Bit(said.trimmed()));
        }
        if (output)
            *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
        return {};
    }

    void mountFuse()
    {
        if (::access("/dev/fuse", R_OK | W_OK) != 0) {
            m_error = QStringLiteral("/dev/fuse is missing or not usable here");
            return;
        }
        QFile image(m_image);
        if (!image.open(QIODevice::WriteOnly) || !image.resize(qint64(64) << 20)) {
            m_error = QStringLiteral("cannot make the image ") + m_image;
            return;
        }
        image.close();
        const bool fat = m_kind == FileSystemKind::fuseFat;
        if (QString e =
                run(fat ? QStringLiteral("mkfs.vfat") : QStringLiteral("mkfs.exfat"), {m_image});
            !e.isEmpty()) {
            m_error = e;
            return;
        }
        QString device = m_image;
        // exfat-fuse wants a block device.
        if (!fat) {
            if (QString e = run(QStringLiteral("losetup"), {"-f", "--show", m_image}, &device);
                !e.isEmpty()) {
                m_error = e;
                return;
            }
            m_loopDevice = device;
        }
        const QString e =
            fat ? run(QStringLiteral("fusefat"), {"-o", "rw+", device, m_path}, nullptr, m_log)
                : run(QStringLiteral("mount.exfat-fuse"), {device, m_path}, nullptr, m_log);
        const QByteArray inPath = QFile::encodeName(m_path);
        const QByteArray outPath = QFile::encodeName(m_path + QStringLiteral("/.."));
        struct stat inside;
        struct stat outside;
        if (e.isEmpty() && ::stat(inPath.constData(), &inside) == 0 &&
            ::stat(outPath.constData(), &outside) == 0 && inside.st_dev != outside.st_dev) {
            m_mounted = true;
            return;
        }
        m_error = e.isEmpty() ? QStringLiteral("the FUSE driver exited without mounting") : e;
    }

    FileSystemKind m_kind;
    QString m_path;
    QString m_image;
    QString m_log;
    QString m_loopDevice;
    QString m_error;
    bool m_mounted = false;
};

} // namespace bp::test
