#include "offload/OffloadEngineDetail.h"

#include <QSaveFile>

#include "model/FileSystem.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace bp::offload::detail {

void (*afterTemporaryFlushed)(const QString &temporary) = nullptr;

namespace {

const QString marker = QStringLiteral(".bp-offload-");

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};

QString utc(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime fromUtc(const QJsonValue &value)
{
    QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return time.isValid() ? time.toUTC() : QDateTime();
}

} // namespace

bool isTemporaryName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.bp-offload-[A-Za-z0-9]{6}$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return pattern.match(name).hasMatch();
}

Result<Temporary> createTemporary(const QString &folder, const QString &name)
{
    // Room for the dot and the suffix within a file name's 255 bytes.
    QString base = name;
    while (QFile::encodeName(base).size() > 255 - 1 - marker.size() - 6) {
        base.chop(1);
        if (!base.isEmpty() && base.back().isHighSurrogate())
            base.chop(1);
    }
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString suffix;
        for (int i = 0; i < 6; ++i)
            suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
        const QString path = folder + QStringLiteral("/.") + base + marker + suffix;
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return Temporary{fd, path};
        if (errno != EEXIST)
            return Error::fromErrno(errno, path);
    }
    return Error::fromErrno(EEXIST, folder);
}

void removeTemporaries(const QString &folder, const QSet<QString> &keep)
{
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(QFile::encodeName(folder).constData()));
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir.get())) {
        struct stat st;
        const QString name = QFile::decodeName(entry->d_name);
        if (isTemporaryName(name) && !keep.contains(folder + u'/' + name) &&
            ::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
    }
}

QString journalPath(const QString &destination)
{
    return destination + QStringLiteral("/ascmhl/.brindlepath-resume.jsonl");
}

namespace {

QString unverifiedPath(const QString &destination)
{
    return destination + QStringLiteral("/ascmhl/.brindlepath-unverified");
}

} // namespace

QSet<QString> readUnverified(const QString &destination)
{
    QSet<QString> paths;
    const Result<QByteArray> data = FileSystem::readFile(unverifiedPath(destination));
    if (data)
        for (const QByteArray &line : data.value().split('\n'))
            if (!line.isEmpty())
                paths.insert(QString::fromUtf8(line));
    return paths;
}

Result<void> writeUnverified(const QString &destination, const QSet<QString> &paths)
{
    const QString path = unverifiedPath(destination);
    if (paths.isEmpty()) {
        if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
            return Error::fromErrno(errno, path);
        return success();
    }
    if (Result<void> made = FileSystem::makePath(destination + QStringLiteral("/ascmhl")); !made)
        return made;
    QStringList sorted(paths.begin(), paths.end());
    sorted.sort();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write((sorted.join(u'\n') + u'\n').toUtf8()) < 0 ||
        !file.commit())
        return Error::withMessage(path + QStringLiteral(": ") + file.errorString());
    return success();
}

QHash<QString, mhl::HashEntry> readJournal(const QString &destination)
{
    QHash<QString, mhl::HashEntry> entries;
    const Result<QByteArray> data = FileSystem::readFile(journalPath(destination));
    if (!data)
        return entries;
    for (const QByteArray &line : data.value().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        mhl::HashEntry entry;
        entry.path = o.value(QLatin1String("path")).toString();
        entry.size = qint64(o.value(QLatin1String("size")).toDouble(-1));
        entry.lastModified = fromUtc(o.value(QLatin1String("mtime")));
        const std::optional<HashKind> format =
            hashKindFromName(o.value(QLatin1String("format")).toString());
        entry.digest = o.value(QLatin1String("digest")).toString();
        entry.hashDate = fromUtc(o.value(QLatin1String("hashDate")));
        entry.action = o.value(QLatin1String("action")).toString() == QLatin1String("verified")
                           ? mhl::Action::verified
                           : mhl::Action::original;
        if (entry.path.isEmpty() || entry.size < 0 || !format || entry.digest.isEmpty() ||
            !entry.lastModified.isValid() || !entry.hashDate.isValid())
            continue;
        entry.format = *format;
        entries.insert(entry.path, entry);
    }
    return entries;
}

Journal::~Journal()
{
    close();
}

Result<void> Journal::append(const mhl::HashEntry &entry)
{
    if (m_fd < 0) {
        if (Result<void> made = FileSystem::makePath(m_destination + QStringLiteral("/ascmhl"));
            !made)
            return made;
        m_fd = ::open(QFile::encodeName(journalPath(m_destination)).constData(),
                      O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (m_fd < 0)
            return Error::fromErrno(errno, journalPath(m_destination));
        // End a line torn by a kill, so that the next one stays readable.
        struct stat st;
        char last = '\n';
        if (::fstat(m_fd, &st) == 0 && st.st_size > 0 &&
            ::pread(m_fd, &last, 1, st.st_size - 1) == 1 && last != '\n' &&
            ::write(m_fd, "\n", 1) != 1)
            return Error::fromErrno(errno, journalPath(m_destination));
    }
    QJsonObject o;
    o.insert(QLatin1String("path"), entry.path);
    o.insert(QLatin1String("size"), double(entry.size));
    o.insert(QLatin1String("mtime"), utc(entry.lastModified));
    o.insert(QLatin1String("format"), hashName(entry.format));
    o.insert(QLatin1String("digest"), entry.digest);
    o.insert(QLatin1String("hashDate"), utc(entry.hashDate));
    if (entry.action == mhl::Action::verified)
        o.insert(QLatin1String("action"), QLatin1String("verified"));
    // One write per line: a kill leaves at most one torn line, which readJournal drops.
    const QByteArray line = QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    errno = 0;
    if (::write(m_fd, line.constData(), size_t(line.size())) != ssize_t(line.size()))
        return Error::fromErrno(errno ? errno : EIO, journalPath(m_destination));
    // A lost tail after a power cut only costs a second hash of those files next time.
    if (++m_unsynced >= 32) {
        ::fdatasync(m_fd);
        m_unsynced = 0;
    }
    return success();
}

void Journal::close()
{
    if (m_fd < 0)
        return;
    ::fdatasync(m_fd);
    ::close(m_fd);
    m_fd = -1;
}

void Journal::remove()
{
    close();
    ::unlink(QFile::encodeName(journalPath(m_destination)).constData());
}

} // namespace bp::offload::detail
